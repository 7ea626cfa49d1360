// A ray tracer's rate window run as its user sees it: the figures it writes in srcBic over a black box
// and in srcXor over a grey pattern show on the window, pixel for pixel as the copy of its offscreen
// world beside them shows them.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "fork_layout.h"
#include "program_driver.h"
#include "test_support.h"

namespace {

using fork_layout::Bytes;
using fork_layout::FourCC;
using namespace program_driver;

constexpr int kWidth = 160, kHeight = 90, kCopyLeft = 200;

// The 'WIND': 380 x 100 at (20, 40), hidden until the program has made its world.
Bytes RateWindowResource()
{
    Bytes b;
    Words(b, {40, 20, 140, 400, 0, 0, 0x0100, 0, 0});
    PascalString(b, "Trace Rate");
    return b;
}

// The window's figures against the world's copy: "" when they agree, else the first difference and a
// map ('X' where they differ).
std::string Differences(const Snapshot &shot)
{
    std::string map, first;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const COLORREF direct = shot.At(x, y), copied = shot.At(kCopyLeft + x, y);
            if (direct != copied && first.empty()) {
                char text[96];
                std::snprintf(text, sizeof text, "(%d, %d) is %06lX on the window, %06lX in the world\n", x, y,
                              static_cast<unsigned long>(direct), static_cast<unsigned long>(copied));
                first = text;
            }
            map += direct == copied ? '.' : 'X';
        }
        map += '\n';
    }
    return first.empty() ? "" : first + map;
}

// Pixels of the box's inside that the srcBic figure turned white.
int WhiteInTheBox(const Snapshot &shot, int left)
{
    int white = 0;
    for (int y = 12; y < 38; ++y)
        for (int x = left + 12; x < left + 148; ++x)
            white += shot.At(x, y) == RGB(255, 255, 255);
    return white;
}

// Two white pixels side by side in the grey pattern: the srcXor figure inverts the checkerboard under
// its strokes, which puts white beside white at their edges; neither the pattern alone nor text painted
// over it (srcOr) ever does.
int WhitePairsInTheGrey(const Snapshot &shot, int left)
{
    int pairs = 0;
    for (int y = 52; y < 78; ++y)
        for (int x = left + 12; x < left + 147; ++x)
            pairs += shot.At(x, y) == RGB(255, 255, 255) && shot.At(x + 1, y) == RGB(255, 255, 255);
    return pairs;
}

} // namespace

TEST(RateFigures, TheWindowShowsTheFiguresAsItsOffscreenWorldHoldsThem)
{
    StartWatchdog();
    const std::string dir = testing_support::ProgramDirectory() + "rate_figures\\";
    fork_layout::WriteFileBytes(
        dir + "rate_figures.RSR",
        fork_layout::BuildFork({fork_layout::Resource{FourCC("WIND"), 128, 0, false, {}, RateWindowResource()}}));
    CopyFileA((testing_support::ProgramDirectory() + "ZELPORT.INI").c_str(), (dir + "ZELPORT.INI").c_str(), FALSE);

    Program program;
    ASSERT_TRUE(program.Start(dir, "rate_figures.exe", {"Trace Rate"})) << "the program shows its window";
    HWND window = program.Window("Trace Rate");
    ASSERT_TRUE(WaitForPixel(window, 11, 11, RGB(0, 0, 0))) << "the window is drawn";
    ASSERT_TRUE(WaitForPixel(window, kCopyLeft + 11, 11, RGB(0, 0, 0))) << "the world is copied in";
    Sleep(300);

    Step("the figures");
    {
        Snapshot shot(window);
        EXPECT_GT(WhiteInTheBox(shot, kCopyLeft), 40) << "the world holds the srcBic figure";
        EXPECT_GT(WhitePairsInTheGrey(shot, kCopyLeft), 40) << "the world holds the srcXor figure";
        EXPECT_GT(WhiteInTheBox(shot, 0), 40) << "the window shows the srcBic figure";
        EXPECT_GT(WhitePairsInTheGrey(shot, 0), 40) << "the window shows the srcXor figure";
        EXPECT_EQ(Differences(shot), "");
    }

    Step("quitting");
    ClickAt(window, 300, 95);
    EXPECT_EQ(program.WaitForExit(10000), 0);
}

// Bottleneck procedures, the exported QuickDraw globals and line drawing: lines in every pen mode GDI
// can draw and in several pen sizes compared pixel by pixel with the Macintosh pen (a rectangle whose
// top-left corner follows the line), custom line procedures, and lines recorded into a picture.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <set>
#include <utility>
#include <vector>

#include "LowMem.h"
#include "Quickdraw.h"
#include "qd_fixture.h"
#include "test_support.h"

using namespace testing_support;

namespace {

const COLORREF kWhite = RGB(255, 255, 255);
const COLORREF kBlack = RGB(0, 0, 0);
constexpr int kWidth = 20, kHeight = 14;

class Lines : public QuickDrawTest {};

// The pixels the Macintosh pen covers on a line from (h0, v0) to (h1, v1): the pen rectangle at every
// point of the line (horizontal, vertical and 45-degree lines step one pixel at a time).
std::set<std::pair<int, int>> PenArea(int h0, int v0, int h1, int v1, int penH, int penV)
{
    std::set<std::pair<int, int>> area;
    int steps = std::max(std::abs(h1 - h0), std::abs(v1 - v0));
    int sh = h1 > h0 ? 1 : h1 < h0 ? -1 : 0, sv = v1 > v0 ? 1 : v1 < v0 ? -1 : 0;
    for (int i = 0; i <= steps; ++i)
        for (int y = 0; y < penV; ++y)
            for (int x = 0; x < penH; ++x)
                area.insert({h0 + i * sh + x, v0 + i * sv + y});
    return area;
}

struct LineCase {
    const char *what;
    int h0, v0, h1, v1;
};

const LineCase kLines[] = {
    {"horizontal, to the right, across both halves", 3, 2, 14, 2},
    {"horizontal, to the left", 15, 9, 4, 9},
    {"vertical, down, on the black half", 12, 1, 12, 9},
    {"vertical, up, on the white half", 5, 10, 5, 3},
    {"diagonal, down and right", 6, 2, 13, 9},
    {"diagonal, up and right", 4, 10, 11, 3},
    {"a single point", 9, 6, 9, 6},
};

const Point kPenSizes[] = {{1, 1}, {2, 3}, {3, 1}, {1, 4}, {4, 4}}; // (v, h)

} // namespace

TEST_F(Lines, LinesInEveryPenModeAndSizeFollowTheMacintoshPen)
{
    DibPort target(kWidth, kHeight);
    SetPor(target.port());
    for (int mode = 8; mode <= 15; ++mode) {
        for (Point size : kPenSizes) {
            for (const LineCase &c : kLines) {
                PaintSplitBackground(target.surface());
                PenMode(static_cast<int16_t>(mode));
                PenSize(size.h, size.v);
                MoveT(static_cast<int16_t>(c.h0), static_cast<int16_t>(c.v0));
                LineT(static_cast<int16_t>(c.h1), static_cast<int16_t>(c.v1));

                ImageRows expected = SplitBackgroundImage(kWidth, kHeight);
                const auto area = PenArea(c.h0, c.v0, c.h1, c.v1, size.h, size.v);
                for (auto [x, y] : area)
                    if (x >= 0 && y >= 0 && x < kWidth && y < kHeight)
                        expected[y][x] = BlackPenModeResult(mode, (x >= kWidth / 2)) ? '#' : '.';
                ImageRows actual = CaptureBlackAndWhite(target.surface());
                // A wide pen on a slanted line is the pen's Minkowski sum with the line: along its slanted
                // edges it may take the pixels next to the pen rectangles' staircase.
                const bool slantedWide = c.h0 != c.h1 && c.v0 != c.v1 && (size.h > 1 || size.v > 1);
                for (int y = 0; slantedWide && y < kHeight; ++y)
                    for (int x = 0; x < kWidth; ++x) {
                        bool nextToArea = false;
                        for (int dy = -1; dy <= 1; ++dy)
                            for (int dx = -1; dx <= 1; ++dx)
                                nextToArea |= area.count({x + dx, y + dy}) > 0;
                        if (!area.count({x, y}) && nextToArea)
                            expected[y][x] = actual[y][x];
                    }
                EXPECT_EQ(ImageDifference(actual, expected), "")
                    << c.what << ", mode " << mode << ", pen " << size.h << "x" << size.v;
                EXPECT_EQ(target.port()->pnLoc.h, c.h1);
                EXPECT_EQ(target.port()->pnLoc.v, c.v1);
            }
        }
    }
    PenMode(8);
    PenSize(1, 1);
}

// Relative calls, an origin that is not 0,0, and the cases in which a line moves the pen but paints
// nothing.
TEST_F(Lines, RelativeLinesAndLinesThatPaintNothing)
{
    DibPort target(kWidth, kHeight);
    SetPor(target.port());
    PaintSplitBackground(target.surface());
    MoveT(2, 2);
    Move(1, 1);
    Line(0, 0); // one pixel at (3, 3)
    Line(4, 0); // (3, 3)..(7, 3)
    EXPECT_EQ(ImageDifference(CaptureBlackAndWhite(target.surface()),
                              [] {
                                  ImageRows rows = SplitBackgroundImage(kWidth, kHeight);
                                  for (int x = 3; x <= 7; ++x)
                                      rows[3][x] = '#';
                                  return rows;
                              }()),
              "");

    struct Quiet {
        const char *what;
        std::function<void()> set;
        std::function<void()> reset;
    };
    const Quiet quiet[] = {
        {"a pen 0 wide", [] { PenSize(0, 5); }, [] { PenSize(1, 1); }},
        {"a hidden pen", [&] { --target.port()->pnVis; }, [&] { ++target.port()->pnVis; }},
        {"a mode GDI cannot draw", [] { PenMode(50); }, [] { PenMode(8); }},
    };
    for (const Quiet &q : quiet) {
        PaintSplitBackground(target.surface());
        q.set();
        MoveT(1, 1);
        LineT(15, 1);
        q.reset();
        EXPECT_EQ(ImageDifference(CaptureBlackAndWhite(target.surface()), SplitBackgroundImage(kWidth, kHeight)), "") << q.what;
        EXPECT_EQ(target.port()->pnLoc.h, 15) << q.what;
    }
    EXPECT_EQ(target.port()->pnMode, 8);
}

// A one-pixel horizontal or vertical line in the black pen pattern paints what PaintRect paints on the
// pixels it covers, in every pattern mode and in colours as well as black, on a surface of many colours:
// the pen and the pattern brush agree whichever GDI call draws the line.
TEST_F(Lines, StraightThinLinesPaintLikeTheRectangleTheyCover)
{
    struct Run {
        const char *what;
        int h0, v0, h1, v1;
    };
    const Run runs[] = {
        {"to the right", 2, 4, 15, 4}, {"to the left", 16, 7, 3, 7}, {"down", 6, 1, 6, 12},
        {"up", 11, 12, 11, 2},         {"a single point", 9, 9, 9, 9},
    };
    const RGBColor colours[][2] = {
        {{0, 0, 0}, {0xFFFF, 0xFFFF, 0xFFFF}},
        {{0x3000, 0x9000, 0xC000}, {0xF000, 0x4000, 0x1000}},
    };
    auto draw = [&](const Run &run, int mode, const RGBColor *c, bool asLine) {
        DibPort target(kWidth, kHeight);
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                SetPixel(target.surface().dc(), x, y, RGB(x * 12, y * 18, (x + y) * 7));
        SetPor(target.port());
        RGBForeColor(&c[0]);
        RGBBackColor(&c[1]);
        PenMode(static_cast<int16_t>(mode));
        if (asLine) {
            MoveT(static_cast<int16_t>(run.h0), static_cast<int16_t>(run.v0));
            LineT(static_cast<int16_t>(run.h1), static_cast<int16_t>(run.v1));
        } else {
            const Rect r{static_cast<int16_t>(std::min(run.v0, run.v1)), static_cast<int16_t>(std::min(run.h0, run.h1)),
                         static_cast<int16_t>(std::max(run.v0, run.v1) + 1),
                         static_cast<int16_t>(std::max(run.h0, run.h1) + 1)};
            PaintRect(&r);
        }
        PenMode(patCopy);
        std::vector<COLORREF> pixels;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                pixels.push_back(target.surface().Pixel(x, y));
        SetPor(WindowManagerPort());
        return pixels;
    };
    for (const Run &run : runs)
        for (const RGBColor *c : colours)
            for (int mode = patCopy; mode <= notPatBic; ++mode)
                EXPECT_EQ(draw(run, mode, c, true), draw(run, mode, c, false))
                    << run.what << ", mode " << mode << (c == colours[0] ? ", black" : ", colours");
}

TEST_F(Lines, LineToSetsTheHiliteModeBitWhetherOrNotItDraws)
{
    DibPort target(kWidth, kHeight);
    SetPor(target.port());
    PenSize(0, 0);
    LMSetHiliteMode(0x00);
    LineT(4, 4);
    EXPECT_EQ(LMGetHiliteMode() & 0x80, 0x80);
    PenSize(1, 1);
}

namespace {

std::vector<Point> sCustomLinePoints;
void ZEL_CALL RecordingLineProc(Point pt) { sCustomLinePoints.push_back(pt); }
void ZEL_CALL ForwardingLineProc(Point pt)
{
    sCustomLinePoints.push_back(pt);
    StdLine(pt);
}

} // namespace

TEST_F(Lines, StandardProcTablesHoldTheStandardProceduresInOrder)
{
    QDProcs procs;
    std::memset(&procs, 0, sizeof procs);
    SetStdProcs(&procs);
    EXPECT_EQ(reinterpret_cast<void *>(procs.lineProc), reinterpret_cast<void *>(&StdLine));
    const void *const *entries = reinterpret_cast<const void *const *>(&procs);
    for (int i = 0; i < 13; ++i)
        EXPECT_NE(entries[i], nullptr) << "entry " << i;

    CQDProcs cprocs;
    std::memset(&cprocs, 0xCD, sizeof cprocs);
    SetStdCProcs(&cprocs);
    EXPECT_EQ(std::memcmp(&cprocs, &procs, sizeof procs), 0) << "the first 13 entries are SetStdProcs'";
    const void *const *centries = reinterpret_cast<const void *const *>(&cprocs);
    for (int i = 13; i < 20; ++i)
        EXPECT_EQ(centries[i], nullptr) << "entry " << i;
}

// A custom lineProc is called with the point instead of drawing; one that calls StdLine draws.
TEST_F(Lines, ACustomLineProcIsCalledInsteadOfDrawing)
{
    DibPort target(kWidth, kHeight);
    SetPor(target.port());
    PaintSplitBackground(target.surface());
    CQDProcs procs;
    SetStdCProcs(&procs);
    procs.lineProc = RecordingLineProc;
    target.cport()->grafProcs = &procs;
    sCustomLinePoints.clear();
    MoveT(1, 1);
    LineT(6, 4);
    Line(2, 3);
    ASSERT_EQ(sCustomLinePoints.size(), 2u);
    EXPECT_EQ(sCustomLinePoints[0].h, 6);
    EXPECT_EQ(sCustomLinePoints[0].v, 4);
    EXPECT_EQ(sCustomLinePoints[1].h, 3) << "Line is relative to the pen, which the custom proc left alone";
    EXPECT_EQ(sCustomLinePoints[1].v, 4);
    EXPECT_EQ(ImageDifference(CaptureBlackAndWhite(target.surface()), SplitBackgroundImage(kWidth, kHeight)), "");

    procs.lineProc = ForwardingLineProc;
    sCustomLinePoints.clear();
    LineT(1, 5);
    EXPECT_EQ(sCustomLinePoints.size(), 1u) << "StdLine does not call the custom proc back";
    EXPECT_EQ(reinterpret_cast<void *>(procs.lineProc), reinterpret_cast<void *>(&ForwardingLineProc))
        << "the entry is restored after StdLine";
    ImageRows expected = SplitBackgroundImage(kWidth, kHeight);
    for (int v = 1; v <= 5; ++v)
        expected[v][1] = '#';
    EXPECT_EQ(ImageDifference(CaptureBlackAndWhite(target.surface()), expected), "");
    target.cport()->grafProcs = nullptr;
}

// Lines recorded into an open picture: Line, then LineFrom for a line starting where the last one ended,
// and the short forms for small steps, also for a line that paints nothing.
TEST_F(Lines, LinesAreRecordedIntoAnOpenPicture)
{
    DibPort target(kWidth, kHeight);
    SetPor(target.port());
    CQDProcs procs;
    SetStdCProcs(&procs);
    procs.putPicProc = CapturePutPic;
    char pictureMark = 0;
    Handle picture = reinterpret_cast<Handle>(&pictureMark);
    target.cport()->grafProcs = &procs;
    target.cport()->picSave = picture;
    PictureRecords().clear();

    MoveT(5, 7);
    LineT(10, 22);  // ShortLine from (5, 7) by (5, 15)
    LineT(210, 22); // LineFrom to (210, 22)
    PenMode(50);
    LineT(200, 20); // ShortLineFrom by (-10, -2), though nothing is drawn
    PenMode(8);
    MoveT(300, 0);
    LineT(300, 1000); // Line from (300, 0) to (300, 1000)

    target.cport()->picSave = nullptr;
    target.cport()->grafProcs = nullptr;
    const std::vector<std::vector<uint8_t>> expected = {
        {0x00, 0x22, 0x00, 0x07, 0x00, 0x05, 0x05, 0x0F},
        {0x00, 0x21, 0x00, 0x16, 0x00, 0xD2},
        {0x00, 0x23, 0xF6, 0xFE},
        {0x00, 0x20, 0x00, 0x00, 0x01, 0x2C, 0x03, 0xE8, 0x01, 0x2C},
    };
    // The line opcodes (the clip and pen modes recorded before them are left out).
    std::vector<std::vector<uint8_t>> lines;
    for (const auto &rec : PictureRecords())
        if (rec.size() >= 2 && rec[0] == 0 && rec[1] >= 0x20 && rec[1] <= 0x23)
            lines.push_back(rec);
    EXPECT_EQ(lines, expected);
}

// The exported qd record has the published QuickDraw-globals layout; the library's globals live in it.
// The program's QuickDraw globals (the record InitGraf was given) at the published offsets, and the
// library's exported record reachable under its name.
TEST_F(Lines, TheQuickDrawGlobalsRecordHasThePublishedLayout)
{
    EXPECT_EQ(reinterpret_cast<const uint8_t *>(GetProcAddress(GetModuleHandleA("TOLVADEX.dll"), "qd")),
              reinterpret_cast<const uint8_t *>(&::qd));
    const uint8_t *record = reinterpret_cast<const uint8_t *>(&QuickDrawGlobals());
    const uint8_t black[8] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    const uint8_t gray[8] = {0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55};
    const uint8_t ltGray[8] = {0x88, 0x22, 0x88, 0x22, 0x88, 0x22, 0x88, 0x22};
    const uint8_t dkGray[8] = {0x77, 0xDD, 0x77, 0xDD, 0x77, 0xDD, 0x77, 0xDD};
    const uint8_t white[8] = {};
    EXPECT_EQ(std::memcmp(record + 162, dkGray, 8), 0);
    EXPECT_EQ(std::memcmp(record + 170, ltGray, 8), 0);
    EXPECT_EQ(std::memcmp(record + 178, gray, 8), 0);
    EXPECT_EQ(std::memcmp(record + 186, black, 8), 0);
    EXPECT_EQ(std::memcmp(record + 194, white, 8), 0);
    Rect bounds;
    std::memcpy(&bounds, record + 80 + 6, sizeof bounds); // screenBits.bounds
    RECT area;
    GetClientRect(testing_support::HostMainWindow(), &area);
    EXPECT_EQ(bounds.right, area.right) << "the host's client area";
    EXPECT_EQ(bounds.bottom, area.bottom);

    DibPort target(4, 4);
    SetPor(target.port());
    GrafPtr thePort;
    std::memcpy(&thePort, record + 202, sizeof thePort);
    EXPECT_EQ(thePort, target.port());
}

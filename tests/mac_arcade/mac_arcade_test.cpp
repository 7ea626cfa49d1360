// The Macintosh arcade game of app/ played as a user would, its window read back from the screen and
// compared with what a Macintosh shows: a starfield copied from an 8-bit world of the game's own colour
// table and scrolled with ScrollRect, an arena filled with a pixel pattern from a 'ppat' in such a world,
// sprites laid in with transparent CopyBits and CopyMask and copied to the window through the damaged
// region, the arena's border in the pattern as a pen, a status bar erased with the pattern as the
// background, its score right-aligned in srcOr text, lives from a 'SICN' in colour, a colour icon, an
// 'ICN#', and a strip of the eight pen modes in colour. The arrow keys fly the ship one frame each; a
// click on the comet inverts it and scores; the game checks its own drawing with GetCPixel and answers
// through its exit code.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "fork_layout.h"
#include "program_driver.h"
#include "test_support.h"

namespace {

using fork_layout::Bytes;
using fork_layout::FourCC;
using namespace program_driver;

// The game's colour table, 16 entries; each component's two bytes equal, so the screen shows its high byte.
struct Entry {
    int r, g, b;
};
constexpr Entry kColours[16] = {
    {0xFF, 0xFF, 0xFF}, {0xFF, 0, 0},       {0xFF, 0xFF, 0},    {0, 0x80, 0},
    {0, 0, 0x60},       {0, 0xFF, 0xFF},    {0xFF, 0, 0xFF},    {0x80, 0x80, 0x80},
    {0x99, 0x66, 0x33}, {0x20, 0x20, 0x90}, {0xFF, 0x80, 0},    {0xFF, 0xC0, 0xC0},
    {0, 0x40, 0},       {0x60, 0, 0x80},    {0x40, 0x40, 0x40}, {0, 0, 0},
};
enum { cWhite = 0, cRed = 1, cYellow = 2, cGreen = 3, cNavy = 4, cCyan = 5, cMagenta = 6, cBrown = 8, cBlue = 9,
       cOrange = 10, cPurple = 13, cBlack = 15 };
COLORREF Colour(int i) { return RGB(kColours[i].r, kColours[i].g, kColours[i].b); }

// The arena pattern: 8 x 8 two-bit pixels, diagonal bands of navy and blue four pixels wide with a white
// dot at (1, 1); its table navy, blue, white, grey.
int PatternValue(int x, int y) { return x == 1 && y == 1 ? 2 : ((x + y) & 4) ? 1 : 0; }
COLORREF PatternColour(int x, int y)
{
    static const COLORREF table[4] = {Colour(cNavy), Colour(cBlue), Colour(cWhite), RGB(0x80, 0x80, 0x80)};
    return table[PatternValue(((x % 8) + 8) % 8, ((y % 8) + 8) % 8)];
}

// The window's areas, as the game lays them out.
constexpr int kStarsTop = 10, kStarsLeft = 10, kStarsBottom = 50, kStarsRight = 330;
constexpr int kArenaTop = 60, kArenaLeft = 10, kArenaBottom = 180, kArenaRight = 330;
constexpr int kStatusTop = 190, kStatusLeft = 10, kStatusBottom = 220;
constexpr int kModesTop = 230, kModesLeft = 10, kModesBottom = 260;
constexpr int kStarH[8] = {20, 60, 100, 140, 180, 220, 260, 300};
constexpr int kStarV[8] = {5, 9, 13, 17, 21, 25, 29, 33};
constexpr int kStarColour[8] = {cWhite, cYellow, cCyan, cWhite, cYellow, cCyan, cWhite, cYellow};
// The comet (an oval) and the alien's square in the arena, the ship's first place in the window.
constexpr RECT kComet = {kArenaLeft + 200, kArenaTop + 40, kArenaLeft + 232, kArenaTop + 72};
constexpr RECT kAlien = {kArenaLeft + 120, kArenaTop + 80, kArenaLeft + 136, kArenaTop + 96};
constexpr int kShipLeft = kArenaLeft + 40, kShipTop = kArenaTop + 52;

// The game's 'WIND': 390 x 280 at (20, 40), hidden until the game has set it up, with a close box.
Bytes GameWindowResource()
{
    Bytes b;
    Words(b, {40, 20, 320, 410, 0, 0, 0x0100, 0, 0});
    PascalString(b, "Arena");
    return b;
}

Bytes ColourTableResource()
{
    Bytes b;
    Words(b, {0, 0, 0, 15});
    for (int i = 0; i < 16; ++i)
        Words(b, {i, kColours[i].r * 0x101, kColours[i].g * 0x101, kColours[i].b * 0x101});
    return b;
}

// A 'ppat' of the arena pattern: the 28-byte header, the PixMap at 28, the rows at 78, the table at 94.
Bytes ArenaPatternResource()
{
    Bytes b;
    Words(b, {1, 0, 28, 0, 78, 0, 0, -1, 0, 0});
    Words(b, {0xAA55, 0xAA55, 0xAA55, 0xAA55});             // its one-bit form
    Words(b, {0, 0, 0x8002, 0, 0, 8, 8, 0, 0, 0, 0, 0x48, 0, 0x48, 0, 0, 2, 1, 2, 0, 0, 0, 94, 0, 0});
    for (int y = 0; y < 8; ++y) {
        int row = 0;
        for (int x = 0; x < 8; ++x)
            row |= PatternValue(x, y) << (14 - 2 * x);
        Words(b, {row});
    }
    Words(b, {0, 0, 0, 3});
    Words(b, {0, 0, 0, 0x6060, 1, 0x2020, 0x2020, 0x9090, 2, 0xFFFF, 0xFFFF, 0xFFFF, 3, 0x8080, 0x8080, 0x8080});
    return b;
}

// A 16 x 16 'cicn' of 8-bit pixels: orange in its top half, purple in its bottom half; its mask leaves out
// the four left columns.
Bytes BonusIconResource()
{
    Bytes pixels;
    for (int row = 0; row < 16; ++row)
        pixels.insert(pixels.end(), 16, static_cast<uint8_t>(row < 8 ? 1 : 2));
    return program_driver::ColourIconResource(
        8, [](int) { return 0x0FFF; }, [](int) { return 0x0FFF; },
        {0, 0xFFFF, 0xFFFF, 0xFFFF, 1, 0xFFFF, 0x8080, 0, 2, 0x6060, 0, 0x8080}, pixels);
}

// An 'ICN#': a one-pixel black frame round an 8 x 8 black block in the middle; the mask whole.
bool ShieldBit(int x, int y) { return x == 0 || y == 0 || x == 31 || y == 31 || (x >= 12 && x < 20 && y >= 12 && y < 20); }
Bytes ShieldIconResource()
{
    Bytes b;
    for (int y = 0; y < 32; ++y) {
        uint32_t row = 0;
        for (int x = 0; x < 32; ++x)
            row |= ShieldBit(x, y) ? 0x80000000u >> x : 0;
        Words(b, {static_cast<int>(row >> 16), static_cast<int>(row & 0xFFFF)});
    }
    b.insert(b.end(), 128, 0xFF);
    return b;
}

// A 'SICN' of two icons: the first an 8 x 8 block in the middle, the second all set.
bool LifeBit(int x, int y) { return x >= 4 && x < 12 && y >= 4 && y < 12; }
Bytes LifeIconsResource()
{
    Bytes b;
    for (int y = 0; y < 16; ++y)
        Words(b, {y >= 4 && y < 12 ? 0x0FF0 : 0});
    for (int y = 0; y < 16; ++y)
        Words(b, {0xFFFF});
    return b;
}

// A format 1 'snd ': the sampled-sound synthesizer, one buffer command and 64 samples at 22 kHz.
Bytes ZapSoundResource()
{
    Bytes b;
    Words(b, {1, 1, 5, 0, 0x80, 1, 0x8051, 0, 0, 20});
    Words(b, {0, 0, 0, 64, 0x56EE, 0x8BA3, 0, 0, 0, 0});
    b.push_back(0);  // encode: standard
    b.push_back(60); // base frequency
    for (int i = 0; i < 64; ++i)
        b.push_back(static_cast<uint8_t>(i & 8 ? 0xC0 : 0x40));
    return b;
}

std::vector<fork_layout::Resource> GameResources()
{
    auto res = [](const char (&type)[5], int16_t id, Bytes data) {
        return fork_layout::Resource{FourCC(type), id, 0, false, {}, std::move(data)};
    };
    return {
        res("WIND", 128, GameWindowResource()),    res("clut", 128, ColourTableResource()),
        res("ppat", 128, ArenaPatternResource()),  res("cicn", 128, BonusIconResource()),
        res("ICN#", 128, ShieldIconResource()),    res("SICN", 128, LifeIconsResource()),
        res("snd ", 128, ZapSoundResource()),
    };
}

// A rectangle of the window compared with what it should show: "" when every pixel is right, else the
// first wrong pixel and a map of the rectangle's top left (at most 64 x 32, 'X' where wrong).
std::string Misses(const Snapshot &shot, int left, int top, int right, int bottom,
                   const std::function<COLORREF(int, int)> &want)
{
    std::ostringstream map;
    std::string first;
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x) {
            const COLORREF seen = shot.At(x, y), expected = want(x, y);
            if (seen != expected && first.empty()) {
                char text[96];
                std::snprintf(text, sizeof text, "(%d, %d) is %06lX, not %06lX\n", x, y,
                              static_cast<unsigned long>(seen), static_cast<unsigned long>(expected));
                first = text;
            }
            if (y - top < 32 && x - left < 64)
                map << (seen == expected ? '.' : 'X');
        }
        if (y - top < 32)
            map << '\n';
    }
    return first.empty() ? "" : first + map.str();
}

bool Inside(const RECT &r, int x, int y) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; }

// Whether a point lies in the oval of a rectangle, away from its edge (where QuickDraw's and any other
// oval may differ by a pixel).
bool WellInsideOval(const RECT &r, int x, int y, double margin)
{
    const double cx = (r.left + r.right) / 2.0, cy = (r.top + r.bottom) / 2.0;
    const double a = (r.right - r.left) / 2.0 - margin, b = (r.bottom - r.top) / 2.0 - margin;
    const double dx = (x + 0.5 - cx) / a, dy = (y + 0.5 - cy) / b;
    return dx * dx + dy * dy <= 1.0;
}

// The star strip after `scroll` columns of scrolling: black, each star its colour where it has moved.
std::string StarMisses(const Snapshot &shot, int scroll)
{
    return Misses(shot, kStarsLeft, kStarsTop, kStarsRight, kStarsBottom, [&](int x, int y) {
        for (int i = 0; i < 8; ++i)
            if (x == kStarsLeft + (kStarH[i] - scroll + 320) % 320 && y == kStarsTop + kStarV[i])
                return Colour(kStarColour[i]);
        return Colour(cBlack);
    });
}

// The arena's pixels outside the comet, the alien's square and the ship's square: the pattern on the
// arena world's grid.
std::string ArenaMisses(const Snapshot &shot, int shipLeft)
{
    const RECT ship = {shipLeft, kShipTop, shipLeft + 16, kShipTop + 16};
    return Misses(shot, kArenaLeft, kArenaTop, kArenaRight, kArenaBottom, [&](int x, int y) {
        if (Inside(kComet, x, y) || Inside(kAlien, x, y) || Inside(ship, x, y))
            return shot.At(x, y);
        return PatternColour(x - kArenaLeft, y - kArenaTop);
    });
}

// The ship at its place: red with a yellow cockpit (5, 6, 11, 10), its corners the arena's pattern.
std::string ShipMisses(const Snapshot &shot, int shipLeft)
{
    const RECT ship = {shipLeft, kShipTop, shipLeft + 16, kShipTop + 16};
    return Misses(shot, ship.left, ship.top, ship.right, ship.bottom, [&](int x, int y) {
        const int sx = x - ship.left, sy = y - ship.top;
        if (sx >= 5 && sx < 11 && sy >= 6 && sy < 10)
            return Colour(cYellow);
        if (WellInsideOval(ship, x, y, 1.0))
            return Colour(cRed);
        if (!WellInsideOval(ship, x, y, -1.0))
            return PatternColour(x - kArenaLeft, y - kArenaTop);
        return shot.At(x, y); // the oval's edge
    });
}

// The leftmost column of the score's yellow text left of its right edge at 250, or 0 when there is none.
int ScoreLeftEdge(const Snapshot &shot)
{
    for (int x = 120; x < 250; ++x)
        for (int y = kStatusTop; y < kStatusBottom; ++y)
            if (shot.At(x, y) == Colour(cYellow))
                return x;
    return 0;
}

template <typename Condition> bool WaitFor(Condition condition)
{
    for (int i = 0; i < 200; ++i, Sleep(25))
        if (condition())
            return true;
    return false;
}

} // namespace

TEST(MacArcade, ScrollsItsStarsFliesItsSpritesAndPaintsItsPanel)
{
    StartWatchdog();
    const std::string dir = testing_support::ProgramDirectory() + "mac_arcade\\";
    fork_layout::WriteFileBytes(dir + "mac_arcade.RSR", fork_layout::BuildFork(GameResources()));
    CopyFileA((testing_support::ProgramDirectory() + "ZELPORT.INI").c_str(), (dir + "ZELPORT.INI").c_str(), FALSE);

    Program program;
    ASSERT_TRUE(program.Start(dir, "mac_arcade.exe", {"Arena"})) << "the game shows its window";
    HWND arena = program.Window("Arena");
    ASSERT_TRUE(WaitForPixel(arena, kModesLeft, kModesTop + 1, Colour(cYellow))) << "the game is drawn";
    Sleep(300);

    Step("the first frame");
    {
        Snapshot shot(arena);
        EXPECT_EQ(StarMisses(shot, 0), "") << "the star world copied in";
        EXPECT_EQ(ArenaMisses(shot, kShipLeft), "") << "the arena world's pattern";
        EXPECT_EQ(ShipMisses(shot, kShipLeft), "") << "the ship through its mask";
        // The comet brown inside its oval; the alien magenta in its diamond, the pattern where the
        // alien's white was transparent.
        EXPECT_EQ(shot.At(kComet.left + 16, kComet.top + 16), Colour(cBrown));
        EXPECT_EQ(shot.At(kAlien.left + 8, kAlien.top + 8), Colour(cMagenta)) << "the alien";
        EXPECT_EQ(shot.At(kAlien.left + 1, kAlien.top + 1), PatternColour(121, 81)) << "transparent";
        EXPECT_EQ(shot.At(kAlien.left + 14, kAlien.top + 14), PatternColour(134, 94)) << "transparent";
        // The border: the pattern as a pen of 4 x 4 round (5, 55, 335, 185), on the window's grid.
        EXPECT_EQ(Misses(shot, 5, 55, 335, 59, PatternColour), "") << "the border's top";
        EXPECT_EQ(Misses(shot, 5, 59, 9, 181, PatternColour), "") << "the border's left side";

        // The status bar erased in the pattern; the score's text yellow; lives cyan where the 'SICN' is set.
        EXPECT_EQ(Misses(shot, kStatusLeft, kStatusTop, kStatusLeft + 4, kStatusBottom, PatternColour), "")
            << "the status bar's background pattern";
        EXPECT_TRUE(shot.Any(kStatusLeft + 6, kStatusTop, 120, kStatusBottom,
                             [](COLORREF c) { return c == Colour(cYellow); })) << "SCORE in yellow";
        EXPECT_NE(ScoreLeftEdge(shot), 0) << "the score";
        EXPECT_FALSE(shot.Any(250, kStatusTop, 256, kStatusBottom, [](COLORREF c) { return c == Colour(cYellow); }))
            << "the score ends at its right edge";
        for (int life = 0; life < 3; ++life) {
            const int h = 256 + 18 * life, v = kStatusTop + 7;
            EXPECT_EQ(Misses(shot, h, v, h + 16, v + 16,
                             [&](int x, int y) { return LifeBit(x - h, y - v) ? Colour(cCyan) : PatternColour(x, y); }),
                      "")
                << "life " << life << ": srcOr in the foreground colour";
        }
        // The bonus icon at (312, 197): orange over purple, its four left columns masked out.
        EXPECT_EQ(Misses(shot, 312, 197, 328, 213,
                         [](int x, int y) {
                             return x < 316 ? PatternColour(x, y) : y < 205 ? Colour(cOrange) : Colour(cPurple);
                         }),
                  "")
            << "PlotCIcon through its mask";
        // The shield icon at (345, 10): black where its bits are set, white elsewhere.
        EXPECT_EQ(Misses(shot, 345, 10, 377, 42,
                         [](int x, int y) { return ShieldBit(x - 345, y - 10) ? Colour(cBlack) : Colour(cWhite); }),
                  "")
            << "PlotIcon";

        // The pen modes: green cells painted red on yellow in the grey pattern (its 1 bits where x + y is
        // even, on the window's grid). A Macintosh applies the foreground colour where copy and or act,
        // the background colour where bic acts and inverts where xor acts; the copy modes apply the
        // background colour elsewhere. The modes act under the pattern's 1 bits, the not-modes under its
        // 0 bits.
        const COLORREF green = Colour(cGreen), red = Colour(cRed), yellow = Colour(cYellow);
        const COLORREF inverted = green ^ 0xFFFFFF;
        const char *names[8] = {"patCopy", "patOr", "patXor", "patBic", "notPatCopy", "notPatOr", "notPatXor", "notPatBic"};
        for (int mode = 0; mode < 8; ++mode) {
            const int left = kModesLeft + 40 * mode;
            EXPECT_EQ(Misses(shot, left, kModesTop, left + 40, kModesBottom,
                             [&](int x, int y) {
                                 const bool bit = ((x + y) & 1) == 0;
                                 const bool acts = (mode & 4) ? !bit : bit;
                                 switch (mode & 3) {
                                 case 0: return acts ? red : yellow;
                                 case 1: return acts ? red : green;
                                 case 2: return acts ? inverted : green;
                                 default: return acts ? yellow : green;
                                 }
                             }),
                      "")
                << names[mode];
        }
    }

    Step("five frames to the right");
    SetForegroundWindow(GetAncestor(arena, GA_ROOT));
    WaitFor([&] { return GetForegroundWindow() == GetAncestor(arena, GA_ROOT); });
    SendKeys({VK_RIGHT, VK_RIGHT, VK_RIGHT, VK_RIGHT, VK_RIGHT});
    const int movedLeft = kShipLeft + 20;
    EXPECT_TRUE(WaitForPixel(arena, movedLeft + 8, kShipTop + 13, Colour(cRed))) << "the ship flew on";
    EXPECT_TRUE(WaitFor([&] { return StarMisses(Snapshot(arena), 20).empty(); })) << StarMisses(Snapshot(arena), 20);
    {
        Snapshot shot(arena);
        EXPECT_EQ(ShipMisses(shot, movedLeft), "") << "the ship at its new place";
        EXPECT_EQ(ArenaMisses(shot, movedLeft), "") << "the arena behind the ship's old place";
    }

    Step("a hit");
    const Snapshot before(arena);
    const int scoreEdge = ScoreLeftEdge(before);
    ClickAt(arena, kComet.left + 16, kComet.top + 16);
    EXPECT_TRUE(WaitForPixel(arena, kComet.left + 16, kComet.top + 16, Colour(cBrown) ^ 0xFFFFFF))
        << "InvertRgn flashes the comet";
    EXPECT_TRUE(WaitFor([&] {
        const int edge = ScoreLeftEdge(Snapshot(arena));
        return edge != 0 && edge < scoreEdge;
    })) << "the score of 10 reaches further left than 0";
    {
        Snapshot shot(arena);
        // The flash inverts the oval region only: the pattern inside it inverted, outside its corners not.
        EXPECT_EQ(shot.At(kComet.left + 1, kComet.top + 1), PatternColour(kComet.left + 1 - kArenaLeft, kComet.top + 1 - kArenaTop));
        EXPECT_EQ(shot.At(kComet.left + 16, kComet.top + 2), Colour(cBrown) ^ 0xFFFFFF);
        // InvertRect flashes the bonus icon, its masked-out columns (the pattern) with it.
        EXPECT_EQ(shot.At(320, 200), Colour(cOrange) ^ 0xFFFFFF) << "the bonus icon's flash";
        EXPECT_EQ(shot.At(313, 200), PatternColour(313, 200) ^ 0xFFFFFF);
    }
    SendKeys({VK_LEFT});
    // The frame copies the arena through the ship's region only, then ends the comet's flash: a copy of
    // the whole arena would have left it inverted.
    EXPECT_TRUE(WaitForPixel(arena, kComet.left + 16, kComet.top + 16, Colour(cBrown))) << "the next frame ends the flash";
    EXPECT_TRUE(WaitForPixel(arena, 320, 200, Colour(cOrange))) << "and the bonus icon's";
    EXPECT_TRUE(WaitForPixel(arena, movedLeft - 4 + 8, kShipTop + 13, Colour(cRed))) << "and flies back a step";

    Step("quit");
    SendKeys({'Q'}, VK_CONTROL);
    const long code = program.WaitForExit(20000);
    ASSERT_NE(code, -1) << "Quit ends the game";
    EXPECT_EQ(code, 0) << "what the game found wrong with GetCPixel: 2 worlds, 4 sprites, 8 stars, 16 sound, "
                          "32 text widths, 64 ticks, 128 colour indexes";
}

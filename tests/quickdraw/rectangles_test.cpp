// Rectangles: every verb in every pattern pen mode and several pen sizes on a table of rectangles (empty,
// inverted corners, one pixel, one column, wide, pen larger than the rectangle), drawn into a DIB section
// and compared pixel by pixel with Macintosh coverage (right and bottom edges excluded, the frame's pen
// inside); FillCRect with the port's own fill pattern, custom rectangle procedures and picture recording.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "LowMem.h"
#include "Quickdraw.h"
#include "Zel.h"
#include "qd_fixture.h"

using namespace testing_support;

namespace {

const COLORREF kWhite = RGB(255, 255, 255);
const COLORREF kBlack = RGB(0, 0, 0);
constexpr int kWidth = 24, kHeight = 16;

class Rectangles : public QuickDrawTest {};

struct RectCase {
    const char *what;
    int16_t left, top, right, bottom;
};

const RectCase kRects[] = {
    {"empty: no width", 5, 3, 5, 10},
    {"empty: no height", 3, 7, 20, 7},
    {"inverted corners", 18, 12, 4, 2},
    {"one pixel", 3, 3, 4, 4},
    {"one column across both halves", 11, 1, 12, 15},
    {"one row across both halves", 2, 13, 22, 14},
    {"wide, across both halves", 4, 2, 19, 12},
    {"six by five, around the middle", 9, 5, 15, 10},
    {"clipped by the port's edges", -3, -2, 30, 20},
};

const Point kPenSizes[] = {{1, 1}, {2, 3}, {1, 4}, {5, 5}, {9, 2}}; // (v, h)

// The pixels a verb covers: the whole rectangle, or for a frame the rectangle less its inside.
std::set<std::pair<int, int>> Coverage(const RectCase &c, bool frame, int penH, int penV)
{
    std::set<std::pair<int, int>> area;
    for (int y = c.top; y < c.bottom; ++y)
        for (int x = c.left; x < c.right; ++x)
            if (!frame || x < c.left + penH || x >= c.right - penH || y < c.top + penV || y >= c.bottom - penV)
                area.insert({x, y});
    return area;
}

ImageRows Expected(const RectCase &c, bool frame, int penH, int penV, const std::function<bool(bool)> &result)
{
    ImageRows expected = SplitBackgroundImage(kWidth, kHeight);
    for (auto [x, y] : Coverage(c, frame, penH, penV))
        if (x >= 0 && y >= 0 && x < kWidth && y < kHeight)
            expected[y][x] = result((x >= kWidth / 2)) ? '#' : '.';
    return expected;
}

Rect MacRect(const RectCase &c) { return Rect{c.top, c.left, c.bottom, c.right}; }

} // namespace

// FrameRect and PaintRect in every pattern mode: the pen's pixels are painted once each, so the XOR
// modes invert every pixel of a frame whose pen is larger than half the rectangle exactly once.
TEST_F(Rectangles, FrameAndPaintInEveryPenModeAndSizeCoverTheMacintoshPixels)
{
    DibPort target(kWidth, kHeight);
    SetPor(target.port());
    for (int mode = patCopy; mode <= notPatBic; ++mode) {
        PenMode(static_cast<int16_t>(mode));
        for (Point size : kPenSizes) {
            PenSize(size.h, size.v);
            for (const RectCase &c : kRects) {
                Rect r = MacRect(c);
                auto modeResult = [mode](bool dest) { return BlackPenModeResult(mode, dest); };

                PaintSplitBackground(target.surface());
                FrameRec(&r);
                EXPECT_EQ(ImageDifference(CaptureBlackAndWhite(target.surface()), Expected(c, true, size.h, size.v, modeResult)),
                          "")
                    << "FrameRect, " << c.what << ", mode " << mode << ", pen " << size.h << "x" << size.v;

                PaintSplitBackground(target.surface());
                PaintRect(&r);
                EXPECT_EQ(ImageDifference(CaptureBlackAndWhite(target.surface()), Expected(c, false, 0, 0, modeResult)), "")
                    << "PaintRect, " << c.what << ", mode " << mode << ", pen " << size.h << "x" << size.v;
            }
        }
    }
    PenNormal();
}

// EraseRect, InvertRect and FillRect do not depend on the pen: erase in the white background pattern,
// invert every pixel once, fill in a black or white one-bit pattern (on a colour port too).
TEST_F(Rectangles, EraseInvertAndFillCoverTheRectangleWhateverThePen)
{
    DibPort target(kWidth, kHeight);
    SetPor(target.port());
    QDGlobals &g = QuickDrawGlobals(); // where InitGraf writes the standard patterns
    struct Verb {
        const char *what;
        std::function<void(const Rect *)> draw;
        std::function<bool(bool)> result;
    };
    const Verb verbs[] = {
        {"EraseRect", [](const Rect *r) { EraseRect(r); }, [](bool) { return false; }},
        {"InvertRect", [](const Rect *r) { InvertRec(r); }, [](bool dest) { return !dest; }},
        {"FillRect black", [&](const Rect *r) { FillRec(r, &g.black); }, [](bool) { return true; }},
        {"FillRect white", [&](const Rect *r) { FillRec(r, &g.white); }, [](bool) { return false; }},
    };
    for (int mode : {patCopy, patXor, notPatOr}) {
        PenMode(static_cast<int16_t>(mode));
        PenSize(4, 3);
        for (const Verb &v : verbs) {
            for (const RectCase &c : kRects) {
                Rect r = MacRect(c);
                PaintSplitBackground(target.surface());
                v.draw(&r);
                EXPECT_EQ(ImageDifference(CaptureBlackAndWhite(target.surface()), Expected(c, false, 0, 0, v.result)), "")
                    << v.what << ", " << c.what << ", pen mode " << mode;
            }
        }
    }
    PenNormal();
}

// The example of a 3-by-2 pen framing (10, 10, 20, 30): rows 10..11 and 18..19 across columns 10..29,
// columns 10..12 and 27..29 between them. An origin moved to (10, 10) shifts it to the surface's corner.
TEST_F(Rectangles, FrameFollowsThePortOrigin)
{
    DibPort target(kWidth, kHeight);
    SetPor(target.port());
    target.surface().Fill(kWhite);
    SetOrigin(10, 10);
    PenSize(3, 2);
    Rect r{10, 10, 20, 30};
    FrameRec(&r);
    ImageRows expected(kHeight, std::string(kWidth, '.'));
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x)
            if (y < 2 || y >= 8 || x < 3 || x >= 17)
                expected[y][x] = '#';
    EXPECT_EQ(ImageDifference(CaptureBlackAndWhite(target.surface()), expected), "");
    SetOrigin(0, 0);
    PenNormal();
}

// A hidden pen or a mode GDI cannot draw paints nothing; the hilite bit is set by FrameRect, PaintRect
// and InvertRect whether they draw or not.
TEST_F(Rectangles, QuietPensDrawNothingAndTheHiliteBitIsSet)
{
    DibPort target(kWidth, kHeight);
    SetPor(target.port());
    Rect r{2, 2, 12, 20};
    struct Quiet {
        const char *what;
        std::function<void()> set;
        std::function<void()> reset;
    };
    const Quiet quiet[] = {
        {"a hidden pen", [] { HidePen(); }, [] { ShowPen(); }},
        {"a mode GDI cannot draw", [] { PenMode(50); }, [] { PenMode(patCopy); }},
    };
    for (const Quiet &q : quiet) {
        for (auto verb : {FrameRec, PaintRect, InvertRec, EraseRect}) {
            PaintSplitBackground(target.surface());
            q.set();
            LMSetHiliteMode(0);
            verb(&r);
            uint8_t hilite = LMGetHiliteMode();
            q.reset();
            EXPECT_EQ(ImageDifference(CaptureBlackAndWhite(target.surface()), SplitBackgroundImage(kWidth, kHeight)), "") << q.what;
            if (verb != EraseRect) {
                EXPECT_EQ(hilite & 0x80, 0x80) << q.what;
            }
        }
    }
}

// FillCRect fills with the given PixPat and leaves the port's fillPixPat as it was, also when the
// PixPat given is the port's own fillPixPat (which must be drawn, not skipped).
TEST_F(Rectangles, FillCRectDrawsWithAnyPixPatAndKeepsTheFillPixPat)
{
    DibPort target(kWidth, kHeight);
    SetPor(target.port());
    QDGlobals &g = QuickDrawGlobals(); // where InitGraf writes the standard patterns
    CGrafPtr cport = target.cport();
    Rect r{3, 2, 9, 20};
    RectCase c{"", 2, 3, 20, 9};

    PaintSplitBackground(target.surface());
    FillRec(&r, &g.black); // the fill pattern is now black
    PaintSplitBackground(target.surface());
    PixPatHandle fill = cport->fillPixPat;
    FillCRect(&r, fill);
    EXPECT_EQ(ImageDifference(CaptureBlackAndWhite(target.surface()), Expected(c, false, 0, 0, [](bool) { return true; })), "")
        << "the port's own fill pattern";
    EXPECT_EQ(cport->fillPixPat, fill);

    PaintSplitBackground(target.surface());
    FillCRect(&r, cport->bkPixPat); // white
    EXPECT_EQ(ImageDifference(CaptureBlackAndWhite(target.surface()), Expected(c, false, 0, 0, [](bool) { return false; })), "")
        << "the background PixPat";
    EXPECT_EQ(cport->fillPixPat, fill);

    // The fill pattern's brush is the black one again.
    PaintSplitBackground(target.surface());
    FillCRect(&r, fill);
    EXPECT_EQ(ImageDifference(CaptureBlackAndWhite(target.surface()), Expected(c, false, 0, 0, [](bool) { return true; })), "")
        << "the port's own fill pattern after another";
}

namespace {

std::vector<std::pair<int, Rect>> sCustomRects;
void ZEL_CALL RecordingRectProc(GrafVerb verb, const Rect *r) { sCustomRects.push_back({verb, *r}); }
void ZEL_CALL ForwardingRectProc(GrafVerb verb, const Rect *r)
{
    sCustomRects.push_back({verb, *r});
    StdRect(verb, r);
}


} // namespace

// A port's own rectProc receives every verb (empty rectangles too) in place of drawing; one that calls
// StdRect draws through it without being called back.
TEST_F(Rectangles, CustomRectProceduresReceiveTheVerbs)
{
    DibPort target(kWidth, kHeight);
    SetPor(target.port());
    QDGlobals &g = QuickDrawGlobals(); // where InitGraf writes the standard patterns
    CQDProcs procs;
    SetStdCProcs(&procs);
    EXPECT_EQ(procs.rectProc, StdRect);
    procs.rectProc = RecordingRectProc;
    target.cport()->grafProcs = &procs;
    Rect r{1, 2, 5, 8};
    Rect empty{4, 4, 4, 9};
    sCustomRects.clear();
    PaintSplitBackground(target.surface());
    FrameRec(&r);
    PaintRect(&r);
    EraseRect(&r);
    InvertRec(&r);
    FillRec(&r, &g.black);
    PaintRect(&empty);
    ASSERT_EQ(sCustomRects.size(), 6u);
    for (int verb = 0; verb < 5; ++verb) {
        EXPECT_EQ(sCustomRects[verb].first, verb);
        EXPECT_EQ(std::memcmp(&sCustomRects[verb].second, &r, sizeof r), 0);
    }
    EXPECT_EQ(ImageDifference(CaptureBlackAndWhite(target.surface()), SplitBackgroundImage(kWidth, kHeight)), "");

    procs.rectProc = ForwardingRectProc;
    sCustomRects.clear();
    PaintRect(&r);
    EXPECT_EQ(sCustomRects.size(), 1u);
    RectCase c{"", 2, 1, 8, 5};
    EXPECT_EQ(ImageDifference(CaptureBlackAndWhite(target.surface()), Expected(c, false, 0, 0, [](bool) { return true; })), "");
    EXPECT_EQ(procs.rectProc, ForwardingRectProc);
    target.cport()->grafProcs = nullptr;
}

// Every verb is recorded into an open picture with its rectangle, also with the pen hidden; an empty
// rectangle is not recorded.
TEST_F(Rectangles, RectanglesAreRecordedIntoAnOpenPicture)
{
    DibPort target(kWidth, kHeight);
    SetPor(target.port());
    QDGlobals &g = QuickDrawGlobals(); // where InitGraf writes the standard patterns
    CQDProcs procs;
    SetStdCProcs(&procs);
    procs.putPicProc = CapturePutPic;
    char pictureMark = 0;
    target.cport()->grafProcs = &procs;
    target.cport()->picSave = reinterpret_cast<Handle>(&pictureMark);
    PictureRecords().clear();

    Rect r{1, 2, 0x103, 0x204};
    Rect empty{5, 5, 5, 50};
    FrameRec(&r);
    HidePen();
    PaintRect(&r);
    ShowPen();
    EraseRect(&r);
    InvertRec(&r);
    FillRec(&r, &g.black);
    FrameRec(&empty);

    target.cport()->picSave = nullptr;
    target.cport()->grafProcs = nullptr;
    // The shape opcodes (the port state recorded first is left out): the rectangle once, then the
    // "same rectangle" form of each verb.
    std::vector<std::vector<uint8_t>> shapes, expected;
    for (const auto &rec : PictureRecords())
        if (rec.size() >= 2 && rec[0] == 0 && rec[1] >= 0x30 && rec[1] <= 0x3C)
            shapes.push_back(rec);
    expected.push_back({0x00, 0x30, 0x00, 0x01, 0x00, 0x02, 0x01, 0x03, 0x02, 0x04});
    for (uint8_t verb = 1; verb < 5; ++verb)
        expected.push_back({0x00, static_cast<uint8_t>(0x38 + verb)});
    EXPECT_EQ(shapes, expected);
}

// Switch 0x2 of ZEL_SetFlags (thin pens) frames with a one-pixel pen whatever the pen size; the filling
// verbs are not affected.
TEST_F(Rectangles, ThinPensFrameWithOnePixel)
{
    DibPort target(kWidth, kHeight);
    SetPor(target.port());
    PenSize(5, 4);
    ZEL_SetFlags(0, 0, 0x2, 0x2);
    const RectCase c{"", 4, 2, 19, 12};
    Rect r = MacRect(c);
    PaintSplitBackground(target.surface());
    FrameRec(&r);
    ImageRows framed = CaptureBlackAndWhite(target.surface());
    PaintSplitBackground(target.surface());
    PaintRect(&r);
    ImageRows painted = CaptureBlackAndWhite(target.surface());
    ZEL_SetFlags(0, 0, 0x2, 0);
    PenNormal();
    EXPECT_EQ(ImageDifference(framed, Expected(c, true, 1, 1, [](bool) { return true; })), "");
    EXPECT_EQ(ImageDifference(painted, Expected(c, false, 0, 0, [](bool) { return true; })), "");
}

namespace {

std::vector<Point> sPolyLines;
void ZEL_CALL PolyLineProc(Point pt) { sPolyLines.push_back(pt); }

} // namespace

// While a polygon is open, a frame adds its outline to it (through the line path), even with the pen
// hidden; while a region is being built it does not.
TEST_F(Rectangles, FrameAddsItsOutlineToAnOpenPolygon)
{
    DibPort target(kWidth, kHeight);
    SetPor(target.port());
    CQDProcs procs;
    SetStdCProcs(&procs);
    procs.lineProc = PolyLineProc;
    char polyMark = 0;
    RgnHandle open = NewRgn();
    target.cport()->grafProcs = &procs;
    target.cport()->polySave = reinterpret_cast<Handle>(&polyMark);
    sPolyLines.clear();
    HidePen();
    Rect r{3, 2, 9, 20};
    FrameRec(&r);
    Point start = target.port()->pnLoc;
    // While a region is being built the frame goes to the region, not to the polygon.
    target.cport()->rgnSave = reinterpret_cast<Handle>(open);
    FrameRec(&r);
    target.cport()->rgnSave = nullptr;
    ShowPen();
    target.cport()->polySave = nullptr;
    target.cport()->grafProcs = nullptr;

    EXPECT_EQ(start.h, 2);
    EXPECT_EQ(start.v, 3);
    const std::vector<std::pair<int, int>> expected = {{20, 3}, {20, 9}, {2, 9}, {2, 3}};
    std::vector<std::pair<int, int>> lines;
    for (Point p : sPolyLines)
        lines.push_back({p.h, p.v});
    EXPECT_EQ(lines, expected);
    Rect box = (*open)->rgnBBox;
    EXPECT_EQ(box.top, r.top);
    EXPECT_EQ(box.left, r.left);
    EXPECT_EQ(box.bottom, r.bottom);
    EXPECT_EQ(box.right, r.right);
    EXPECT_TRUE(PtInRgn(Point{5, 10}, open));
    DisposeRgn(open);
}

// A plain pattern (all ones or all zeros) paints one colour, so a solid brush of that colour may fill
// it instead of the one-bit pattern brush: in every pattern mode, for the pen, background and fill
// patterns, for frames as for fills, and for colours of every kind, both routes leave the same pixels
// on a surface of many colours.
TEST_F(Rectangles, PlainPatternsGiveTheSamePixelsThroughASolidBrush)
{
    constexpr int kSide = 12;
    const Pattern kBlack{{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}};
    const Pattern kWhite{{0, 0, 0, 0, 0, 0, 0, 0}};
    struct Colours {
        RGBColor fore, back;
        const char *what;
    } colours[] = {
        {{0, 0, 0}, {0xFFFF, 0xFFFF, 0xFFFF}, "black on white"},
        {{0x3000, 0x9000, 0xC000}, {0xF000, 0x4000, 0x1000}, "two colours"},
        {{0x1234, 0x5678, 0x9ABC}, {0x1234, 0x5678, 0x9ABC}, "one colour for both"},
    };
    const int modes[] = {patCopy, patOr, patXor, patBic, notPatCopy, notPatOr, notPatXor, notPatBic};
    enum Verb { paint, erase, fill, frame };

    // The pixels one route leaves, on a surface whose every pixel starts in a colour of its own.
    auto draw = [&](bool solid, const Pattern &pattern, int mode, const Colours &c, Verb verb) {
        DibPort target(kSide, kSide);
        for (int y = 0; y < kSide; ++y)
            for (int x = 0; x < kSide; ++x)
                SetPixel(target.surface().dc(), x, y, RGB(x * 20, y * 20, (x + y) * 10));
        SetPor(target.port());
        RGBForeColor(&c.fore);
        RGBBackColor(&c.back);
        PenPat(&pattern);
        BackPat(&pattern);
        PenMode(static_cast<int16_t>(mode));
        Boolean was = SelectPlainPatternFills(solid);
        Rect r{2, 3, 10, 11};
        if (verb == paint)
            PaintRect(&r);
        else if (verb == erase)
            EraseRect(&r);
        else if (verb == frame)
            FrameRec(&r);
        else
            FillRec(&r, &pattern);
        SelectPlainPatternFills(was);
        std::vector<COLORREF> pixels;
        for (int y = 0; y < kSide; ++y)
            for (int x = 0; x < kSide; ++x)
                pixels.push_back(target.surface().Pixel(x, y));
        SetPor(WindowManagerPort());
        return pixels;
    };

    for (const Pattern *pattern : {&kBlack, &kWhite})
        for (const Colours &c : colours)
            for (Verb verb : {paint, erase, fill, frame})
                for (int mode : modes) {
                    if ((verb == erase || verb == fill) && mode != patCopy)
                        continue; // the background and fill patterns are always copied
                    std::vector<COLORREF> solid = draw(true, *pattern, mode, c, verb);
                    std::vector<COLORREF> brush = draw(false, *pattern, mode, c, verb);
                    EXPECT_EQ(solid, brush) << (pattern == &kBlack ? "all ones, " : "all zeros, ") << c.what
                                            << ", verb " << verb << ", mode " << mode;
                    if (mode == patCopy) {
                        const RGBColor &painted = pattern == &kBlack ? c.fore : c.back;
                        // Inside the rectangle; for a frame, its top-left corner.
                        const int at = verb == frame ? 2 * kSide + 3 : 5 * kSide + 5;
                        EXPECT_EQ(solid[at], RGB(painted.red >> 8, painted.green >> 8, painted.blue >> 8))
                            << c.what << ", verb " << verb;
                    }
                }
}

// The pattern modes or, xor and bic touch only the pixels under the pattern's 1 bits, whatever the
// port's background colour: under the 0 bits every pixel keeps its colour. Under the 1 bits or paints
// the black foreground and xor inverts; bic clears to white when the background is white.
TEST_F(Rectangles, PatternModesLeaveThePixelsUnderZeroBitsAloneOnAnyBackground)
{
    constexpr int kSide = 16;
    const Pattern kPattern{{0xAA, 0x55, 0xF0, 0x0F, 0xCC, 0x33, 0x81, 0x18}};
    const RGBColor black{0, 0, 0};
    const struct {
        RGBColor back;
        const char *what;
    } backs[] = {
        {{0xFFFF, 0xFFFF, 0xFFFF}, "white"},
        {{0xC0C0, 0xC0C0, 0xC0C0}, "the button face"},
        {{0x2000, 0x8000, 0x4000}, "a dark green"},
    };
    struct Verb {
        const char *what;
        std::function<void()> draw;
    };
    const Verb verbs[] = {
        {"PaintRect", [] { Rect r{2, 3, 14, 13}; PaintRect(&r); }},
        {"FrameRect", [] { Rect r{1, 1, 15, 15}; PenSize(3, 2); FrameRec(&r); }},
        {"PaintOval", [] { Rect r{0, 0, 16, 16}; PaintOval(&r); }},
        {"LineTo", [] { PenSize(5, 4); MoveT(1, 2); LineT(12, 10); }},
    };
    auto original = [](int x, int y) { return RGB(x * 15, 255 - y * 15, (x * y) & 0xFF); };
    for (int mode : {patOr, patXor, patBic})
        for (const auto &b : backs)
            for (const Verb &v : verbs) {
                DibPort target(kSide, kSide);
                for (int y = 0; y < kSide; ++y)
                    for (int x = 0; x < kSide; ++x)
                        SetPixel(target.surface().dc(), x, y, original(x, y));
                SetPor(target.port());
                RGBForeColor(&black);
                RGBBackColor(&b.back);
                PenPat(&kPattern);
                PenMode(static_cast<int16_t>(mode));
                v.draw();
                PenNormal();
                int changed = 0;
                for (int y = 0; y < kSide; ++y)
                    for (int x = 0; x < kSide; ++x) {
                        const COLORREF was = original(x, y), now = target.surface().Pixel(x, y);
                        const bool bit = (kPattern.pat[y & 7] >> (7 - (x & 7))) & 1;
                        if (!bit) {
                            ASSERT_EQ(now, was) << v.what << ", mode " << mode << " on " << b.what
                                                << ": a 0 bit at " << x << "," << y;
                            continue;
                        }
                        if (now == was)
                            continue; // outside the shape
                        ++changed;
                        if (mode == patOr)
                            EXPECT_EQ(now, RGB(0, 0, 0)) << v.what << " on " << b.what << " at " << x << "," << y;
                        else if (mode == patXor)
                            EXPECT_EQ(now, was ^ 0xFFFFFF) << v.what << " on " << b.what << " at " << x << "," << y;
                        else if (b.back.red == 0xFFFF)
                            EXPECT_EQ(now, RGB(255, 255, 255)) << v.what << " at " << x << "," << y;
                    }
                EXPECT_GT(changed, 8) << v.what << ", mode " << mode << " on " << b.what;
                SetPor(WindowManagerPort());
            }
}

// With colours, a Macintosh paints the foreground colour under the active bits in copy and or, the
// background colour in bic, and inverts in xor, whatever those colours are; the active bits are the
// pattern's 1 bits, or its 0 bits in the not-modes. The copy modes paint the background colour under the
// other bits; every other mode leaves them alone. Each shape in each mode, with a mixed pattern and the
// all-ones black pattern, on a surface of many colours; the shape's pixels are those it covers in patCopy
// in black.
TEST_F(Rectangles, PatternModesPaintTheForegroundAndBackgroundColours)
{
    constexpr int kSide = 16;
    const Pattern kMixed{{0xAA, 0x55, 0xF0, 0x0F, 0xCC, 0x33, 0x81, 0x18}};
    const Pattern kAllOnes{{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}};
    const struct {
        RGBColor fore, back;
        const char *what;
    } colours[] = {
        {{0, 0, 0}, {0xFFFF, 0xFFFF, 0xFFFF}, "black on white"},
        {{0xFFFF, 0, 0}, {0xFFFF, 0xFFFF, 0xFFFF}, "red on white"},
        {{0, 0, 0}, {0x2020, 0x8080, 0x4040}, "black on green"},
        {{0x1010, 0x2020, 0xC0C0}, {0xF0F0, 0xE0E0, 0x3030}, "blue on yellow"},
    };
    struct Shape {
        const char *what;
        std::function<void()> draw;
    };
    const Shape shapes[] = {
        {"PaintRect", [] { Rect r{2, 3, 14, 13}; PaintRect(&r); }},
        {"FrameRect", [] { Rect r{1, 1, 15, 15}; PenSize(3, 2); FrameRec(&r); }},
        {"PaintOval", [] { Rect r{0, 0, 16, 16}; PaintOval(&r); }},
        {"LineTo", [] { PenSize(5, 4); MoveT(1, 2); LineT(12, 10); }},
        {"PaintRgn", [] {
             RgnHandle rgn = NewRgn(), other = NewRgn();
             SetRectRgn(rgn, 1, 1, 9, 12);
             SetRectRgn(other, 6, 8, 15, 15);
             UnionRgn(rgn, other, rgn);
             PaintRgn(rgn);
             DisposeRgn(rgn);
             DisposeRgn(other);
         }},
    };
    auto original = [](int x, int y) { return RGB(x * 15, 255 - y * 15, (x * y) & 0xFF); };
    // The pixels a shape covers, as patCopy in black paints them on white.
    auto coverage = [&](const Shape &s) {
        DibPort target(kSide, kSide);
        SetPor(target.port());
        PenPat(&kAllOnes);
        s.draw();
        PenNormal();
        std::vector<bool> inside;
        for (int y = 0; y < kSide; ++y)
            for (int x = 0; x < kSide; ++x)
                inside.push_back(target.surface().Pixel(x, y) == kBlack);
        SetPor(WindowManagerPort());
        return inside;
    };
    auto ref = [](const RGBColor &c) { return RGB(c.red >> 8, c.green >> 8, c.blue >> 8); };
    for (const Shape &s : shapes) {
        const std::vector<bool> inside = coverage(s);
        for (const Pattern *pattern : {&kMixed, &kAllOnes})
            for (int mode = patCopy; mode <= notPatBic; ++mode)
                for (const auto &c : colours) {
                    DibPort target(kSide, kSide);
                    for (int y = 0; y < kSide; ++y)
                        for (int x = 0; x < kSide; ++x)
                            SetPixel(target.surface().dc(), x, y, original(x, y));
                    SetPor(target.port());
                    RGBForeColor(&c.fore);
                    RGBBackColor(&c.back);
                    PenPat(pattern);
                    PenMode(static_cast<int16_t>(mode));
                    s.draw();
                    PenNormal();
                    std::string map;
                    char first[80] = "";
                    bool wrong = false;
                    for (int y = 0; y < kSide; ++y, map += '\n')
                        for (int x = 0; x < kSide; ++x) {
                            const COLORREF was = original(x, y);
                            const bool bit = (pattern->pat[y & 7] >> (7 - (x & 7))) & 1;
                            const bool active = inside[y * kSide + x] && bit != ((mode & 4) != 0);
                            COLORREF want = was;
                            if (active)
                                want = (mode & 3) == 2 ? was ^ 0xFFFFFF : (mode & 3) == 3 ? ref(c.back) : ref(c.fore);
                            else if (inside[y * kSide + x] && (mode & 3) == 0)
                                want = ref(c.back);
                            const COLORREF seen = target.surface().Pixel(x, y);
                            const bool ok = seen == want;
                            if (!ok && !wrong)
                                std::snprintf(first, sizeof first, "(%d, %d) is %06lX, not %06lX\n", x, y,
                                              static_cast<unsigned long>(seen), static_cast<unsigned long>(want));
                            wrong = wrong || !ok;
                            map += ok ? '.' : active ? 'A' : 'X';
                        }
                    EXPECT_FALSE(wrong) << s.what << ", mode " << mode << ", " << c.what
                                        << (pattern == &kMixed ? ", mixed pattern" : ", all ones")
                                        << " ('A' a wrong pixel under an active bit, 'X' another wrong pixel): "
                                        << first << map;
                    SetPor(WindowManagerPort());
                }
    }
}

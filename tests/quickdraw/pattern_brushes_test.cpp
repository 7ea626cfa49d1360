// Pattern brushes: the standard and hand-made one-bit patterns fill a DIB section with the Macintosh
// bits aligned to the port's origin; pixel patterns keep their colours; brushes are shared, reused and
// given back.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <set>
#include <vector>

#include "MacMemory.h"
#include "Quickdraw.h"
#include "qd_fixture.h"

using namespace testing_support;

namespace {

constexpr int kSize = 16;
const COLORREF kBlack = RGB(0, 0, 0);
const COLORREF kWhite = RGB(255, 255, 255);
const COLORREF kRed = RGB(255, 0, 0);
const COLORREF kGreen = RGB(0, 255, 0);
const COLORREF kBlue = RGB(0, 0, 255);
const COLORREF kUntouched = RGB(1, 2, 3);
const ColourLegend kLegend = {{'#', kBlack}, {'.', kWhite}, {'R', kRed}, {'G', kGreen}, {'B', kBlue}};

enum { kindPen = 0, kindBack = 1, kindFill = 2 };

// The image a one-bit pattern gives over a surface whose top-left pixel is port point (left, top):
// bit 1 in `fore`, bit 0 in `back`, rows and columns counted from the port's origin.
ImageRows PatternImage(const uint8_t (&pat)[8], int left, int top, char fore, char back)
{
    ImageRows rows(kSize, std::string(kSize, back));
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            int h = x + left, v = y + top;
            if ((pat[v & 7] >> (7 - (h & 7))) & 1)
                rows[y][x] = fore;
        }
    return rows;
}

ImageRows Capture(const DibSurface &surface)
{
    return CaptureImage(surface.width(), surface.height(), kLegend,
                        [&](int x, int y) { return surface.Pixel(x, y); });
}

// Fills the whole surface with the brush the current port gives for `kind`.
HBRUSH FillWithPortBrush(DibSurface &surface, int16_t kind)
{
    HBRUSH brush = SelectPortPatternBrush(kind, 1);
    PatBlt(surface.dc(), 0, 0, surface.width(), surface.height(), PATCOPY);
    GdiFlush();
    return brush;
}

// A black-and-white port drawing into a DIB section (its DC swapped in for the test).
class BlackAndWhiteDibPort {
public:
    BlackAndWhiteDibPort() : surface_(kSize, kSize, kUntouched)
    {
        std::memset(&port_, 0, sizeof port_);
        OpenPort(&port_);
        previous_ = ZEL_SwaphDC(surface_.dc(), 0);
    }
    ~BlackAndWhiteDibPort()
    {
        SetPor(&port_);
        ZEL_SwaphDC(previous_, 0);
        ClosePort(&port_);
    }
    GrafPtr port() { return &port_; }
    DibSurface &surface() { return surface_; }

private:
    DibSurface surface_;
    GrafPort port_;
    HDC previous_;
};

class PatternBrushes : public QuickDrawTest {};

struct PatternCase {
    const char *what;
    uint8_t bits[8];
};

const PatternCase kStandardAndHandMade[] = {
    {"black", {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
    {"white", {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}},
    {"gray", {0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55}},
    {"ltGray", {0x88, 0x22, 0x88, 0x22, 0x88, 0x22, 0x88, 0x22}},
    {"dkGray", {0x77, 0xDD, 0x77, 0xDD, 0x77, 0xDD, 0x77, 0xDD}},
    // Asymmetric in both directions: a mirrored, flipped or shifted brush shows.
    {"corner L", {0xF0, 0x80, 0x80, 0x80, 0x00, 0x00, 0x00, 0x00}},
    {"one pixel", {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00}},
    {"diagonal", {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01}},
};

// The program's QuickDraw globals, where InitGraf writes the standard patterns.
const Pattern &GlobalPattern(const char *name)
{
    if (!std::strcmp(name, "black"))
        return QuickDrawGlobals().black;
    if (!std::strcmp(name, "white"))
        return QuickDrawGlobals().white;
    if (!std::strcmp(name, "gray"))
        return QuickDrawGlobals().gray;
    if (!std::strcmp(name, "ltGray"))
        return QuickDrawGlobals().ltGray;
    return QuickDrawGlobals().dkGray;
}

// The pattern-setting calls belong to the drawing state: the tests write the port's patterns as a host
// program's own code may. A colour port's PixPat of one kind becomes a plain one-bit pattern.
void SetPlainPixPat(PixPatHandle pp, const Pattern &pat)
{
    (*pp)->patType = 0;
    (*pp)->pat1Data = pat;
    (*pp)->patXValid = -1;
}

// Turns a port's PixPat into a pixel pattern: a PixMap of the given size and depth with its own colour
// table, and the pattern data.
void MakePixelPattern(PixPatHandle pp, int width, int height, int pixelSize, int rowBytes,
                      const std::vector<RGBColor> &colours, const std::vector<uint8_t> &data)
{
    PixMapHandle map = (*pp)->patMap;
    CTabHandle table = (*map)->pmTable;
    SetHandleSize(reinterpret_cast<Handle>(table), static_cast<Size>(8 + 8 * colours.size()));
    (*table)->ctSize = static_cast<int16_t>(colours.size() - 1);
    for (size_t i = 0; i < colours.size(); ++i)
        (*table)->ctTable[i] = ColorSpec{static_cast<int16_t>(i), colours[i]};
    (*map)->bounds = Rect{0, 0, static_cast<int16_t>(height), static_cast<int16_t>(width)};
    (*map)->rowBytes = static_cast<int16_t>(rowBytes | 0x8000);
    (*map)->pixelSize = static_cast<int16_t>(pixelSize);
    SetHandleSize((*pp)->patData, static_cast<Size>(data.size()));
    std::memcpy(*(*pp)->patData, data.data(), data.size());
    (*pp)->patType = 1;
    (*pp)->patXValid = -1;
}

const RGBColor kMacRed{0xFFFF, 0, 0};
const RGBColor kMacGreen{0, 0xFFFF, 0};
const RGBColor kMacBlue{0, 0, 0xFFFF};
const RGBColor kMacWhite{0xFFFF, 0xFFFF, 0xFFFF};

} // namespace

TEST_F(PatternBrushes, InitGrafWritesTheStandardPatterns)
{
    for (const PatternCase &c : kStandardAndHandMade) {
        if (!std::strcmp(c.what, "corner L"))
            break;
        EXPECT_EQ(0, std::memcmp(GlobalPattern(c.what).pat, c.bits, 8)) << c.what;
    }
}

// Each pattern through both kinds of port: a colour port's pen PixPat and a black-and-white port's
// background pattern, black on white, aligned to the port's origin at the surface's top-left.
TEST_F(PatternBrushes, OneBitPatternsFillWithTheMacintoshBits)
{
    for (const PatternCase &c : kStandardAndHandMade) {
        SCOPED_TRACE(c.what);
        ImageRows expected = PatternImage(c.bits, 0, 0, '#', '.');
        {
            DibPort colour(kSize, kSize, kUntouched);
            Pattern pat;
            std::memcpy(pat.pat, c.bits, 8);
            SetPlainPixPat(colour.cport()->pnPixPat, pat);
            ASSERT_NE(nullptr, FillWithPortBrush(colour.surface(), kindPen));
            EXPECT_EQ("", ImageDifference(Capture(colour.surface()), expected)) << "colour port";
        }
        {
            BlackAndWhiteDibPort bw;
            Pattern pat;
            std::memcpy(pat.pat, c.bits, 8);
            bw.port()->bkPat = pat;
            ASSERT_NE(nullptr, FillWithPortBrush(bw.surface(), kindBack));
            EXPECT_EQ("", ImageDifference(Capture(bw.surface()), expected)) << "black-and-white port";
        }
    }
}

// With brush alignment on, the pattern follows the port's origin: a port whose portRect starts at
// (3, 5) shows pattern column 3 and row 5 at the surface's top-left.
TEST_F(PatternBrushes, AlignedBrushesFollowThePortOrigin)
{
    struct Origin {
        int16_t left, top;
    };
    for (Origin origin : {Origin{3, 5}, Origin{-2, 1}, Origin{8, 16}}) {
        for (const PatternCase &c : kStandardAndHandMade) {
            SCOPED_TRACE(std::string(c.what) + " at " + std::to_string(origin.left) + "," +
                         std::to_string(origin.top));
            BlackAndWhiteDibPort bw;
            bw.port()->portRect = Rect{origin.top, origin.left, static_cast<int16_t>(origin.top + kSize),
                                       static_cast<int16_t>(origin.left + kSize)};
            ZEL_BrushAlign(1);
            Pattern pat;
            std::memcpy(pat.pat, c.bits, 8);
            bw.port()->bkPat = pat;
            FillWithPortBrush(bw.surface(), kindBack);
            EXPECT_EQ("", ImageDifference(Capture(bw.surface()), PatternImage(c.bits, origin.left, origin.top, '#', '.')));
            ZEL_BrushAlign(-1);
        }
    }
}

// With alignment on, SetOrigin moves the brush origin with the port: the pen, background and fill
// patterns drawn after it keep to the local 8 x 8 grid, for positive and negative origins alike.
TEST_F(PatternBrushes, AlignedPatternsFollowSetOrigin)
{
    const PatternCase &corner = kStandardAndHandMade[5];
    const PatternCase &diagonal = kStandardAndHandMade[7];
    Pattern cornerPat, diagonalPat;
    std::memcpy(cornerPat.pat, corner.bits, 8);
    std::memcpy(diagonalPat.pat, diagonal.bits, 8);
    struct Verb {
        const char *what;
        void (*draw)(const Rect *r, const Pattern &pat);
    };
    const Verb verbs[] = {
        {"pen", [](const Rect *r, const Pattern &pat) { PenPat(&pat); PaintRect(r); }},
        {"background", [](const Rect *r, const Pattern &pat) { BackPat(&pat); EraseRect(r); }},
        {"fill", [](const Rect *r, const Pattern &pat) { FillRec(r, &pat); }},
    };
    struct Origin {
        int16_t h, v;
    };
    for (const Verb &verb : verbs) {
        DibPort port(kSize, kSize, kUntouched);
        SetPor(port.port());
        ZEL_BrushAlign(1); // switched on at the origin (0, 0)
        for (Origin origin : {Origin{5, 3}, Origin{-6, -11}, Origin{0, 0}}) {
            for (const PatternCase *c : {&corner, &diagonal}) {
                SCOPED_TRACE(std::string(verb.what) + " " + c->what + " at " + std::to_string(origin.h) + "," +
                             std::to_string(origin.v));
                SetOrigin(origin.h, origin.v);
                port.surface().Fill(kUntouched);
                verb.draw(&port.port()->portRect, c == &corner ? cornerPat : diagonalPat);
                EXPECT_EQ("", ImageDifference(Capture(port.surface()),
                                              PatternImage(c->bits, origin.h, origin.v, '#', '.')));
            }
        }
        ZEL_BrushAlign(-1);
        SetOrigin(0, 0);
    }
}

TEST_F(PatternBrushes, BrushAlignCountsUpAndDownAndSwitchesOff)
{
    BlackAndWhiteDibPort bw;
    EXPECT_EQ(1, ZEL_BrushAlign(1));
    EXPECT_EQ(2, ZEL_BrushAlign(5));
    EXPECT_EQ(1, ZEL_BrushAlign(0)); // still on
    EXPECT_EQ(2, ZEL_BrushAlign(1));
    EXPECT_EQ(0, ZEL_BrushAlign(-1)); // off whatever the count
}

// An 8 by 8 pixel pattern in full colour keeps its colours (it is not reduced to a one-bit pattern),
// with its rows top to bottom.
TEST_F(PatternBrushes, FullColourEightByEightPixelPatternKeepsItsColours)
{
    const std::vector<RGBColor> colours = {kMacRed, kMacGreen, kMacBlue, kMacWhite};
    const char names[] = "RGB.";
    std::vector<uint8_t> data(64);
    ImageRows expected(kSize, std::string(kSize, '?'));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            data[y * 8 + x] = static_cast<uint8_t>((x / 2 + (y < 4 ? 0 : 1) + (y == 7 ? 2 : 0)) % 4);
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x)
            expected[y][x] = names[data[(y & 7) * 8 + (x & 7)]];

    DibPort colour(kSize, kSize, kUntouched);
    PixPatHandle pp = colour.cport()->pnPixPat;
    MakePixelPattern(pp, 8, 8, 8, 8, colours, data);
    ASSERT_NE(nullptr, FillWithPortBrush(colour.surface(), kindPen));
    EXPECT_EQ("", ImageDifference(Capture(colour.surface()), expected));
    EXPECT_EQ(1, (*pp)->patType);
}

// A one-bit 8 by 8 pixel pattern is drawn as a one-bit pattern in its table's colours (last entry for
// bit 1, entry 0 for bit 0), one byte from each row however wide its rows are.
TEST_F(PatternBrushes, OneBitEightByEightPixelPatternDrawsInItsTableColours)
{
    const uint8_t bits[8] = {0xF0, 0x80, 0x80, 0x80, 0x00, 0x00, 0x00, 0x01};
    std::vector<uint8_t> data(16, 0xEE); // rows of 2 bytes: the second byte is padding
    for (int r = 0; r < 8; ++r)
        data[2 * r] = bits[r];
    DibPort colour(kSize, kSize, kUntouched);
    PixPatHandle pp = colour.cport()->pnPixPat;
    MakePixelPattern(pp, 8, 8, 1, 2, {kMacRed, kMacBlue}, data);
    ASSERT_NE(nullptr, FillWithPortBrush(colour.surface(), kindPen));
    EXPECT_EQ("", ImageDifference(Capture(colour.surface()), PatternImage(bits, 0, 0, 'B', 'R')));
}

// Pattern data shorter than the PixMap says, or a pattern no brush can be made from: drawn from its
// pat1Data as the caller left it, in the port's colours (not its table's); nothing past the data is
// read.
TEST_F(PatternBrushes, PixelPatternsWithoutUsableRowsDrawTheirOneBitFormInThePortsColours)
{
    const uint8_t bits[8] = {0xF0, 0x80, 0x80, 0x80, 0x00, 0x00, 0x00, 0x01};
    struct Case {
        const char *what;
        int width, height, rowBytes;
        std::vector<uint8_t> data;
    } cases[] = {{"three bytes of 16 x 16", 16, 16, 16, {0x00, 0x0F, 0xF0}},
                 {"empty rows of 8 x 8", 8, 8, 8, {}},
                 {"a zero-width map", 0, 8, 8, std::vector<uint8_t>(64, 1)}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        DibPort colour(kSize, kSize, kUntouched);
        SetPor(colour.port());
        RGBForeColor(&kMacGreen);
        RGBBackColor(&kMacRed);
        PixPatHandle pp = colour.cport()->pnPixPat;
        MakePixelPattern(pp, c.width, c.height, 8, c.rowBytes, {kMacBlue, kMacWhite}, c.data);
        std::memcpy((*pp)->pat1Data.pat, bits, 8);
        ASSERT_NE(nullptr, FillWithPortBrush(colour.surface(), kindPen));
        EXPECT_EQ(0, std::memcmp((*pp)->pat1Data.pat, bits, 8)) << "pat1Data is the caller's";
        EXPECT_EQ("", ImageDifference(Capture(colour.surface()), PatternImage(bits, 0, 0, 'G', 'R')));
        SetPor(WindowManagerPort());
    }
}

// The same pattern in the same colours gives the same brush: again in one port (its kept brush), and
// in another port (the shared cache), with no new GDI object.
TEST_F(PatternBrushes, SamePatternReusesOneBrush)
{
    const Pattern pat = {{0x81, 0x42, 0x24, 0x18, 0x18, 0x24, 0x42, 0x81}};
    BlackAndWhiteDibPort first;
    first.port()->bkPat = pat;
    HBRUSH brush = SelectPortPatternBrush(kindBack, 1);
    ASSERT_NE(nullptr, brush);
    DWORD objects = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    EXPECT_EQ(brush, SelectPortPatternBrush(kindBack, 1));
    EXPECT_EQ(brush, SelectPortPatternBrush(kindBack, 0));
    {
        BlackAndWhiteDibPort second;
        second.port()->bkPat = pat;
        EXPECT_EQ(brush, SelectPortPatternBrush(kindBack, 1));
        DibPort colour(kSize, kSize);
        SetPlainPixPat(colour.cport()->pnPixPat, pat);
        EXPECT_EQ(brush, SelectPortPatternBrush(kindPen, 1));
        SetPor(second.port());
    }
    SetPor(first.port());
    EXPECT_EQ(brush, SelectPortPatternBrush(kindBack, 1));
    EXPECT_EQ(objects, GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS));
    EXPECT_EQ(static_cast<DWORD>(OBJ_BRUSH), GetObjectType(brush));
}

// Many fills with more distinct patterns than the cache holds, through both kinds of port and
// through pixel patterns rebuilt each time: brushes are given back, none is leaked.
TEST_F(PatternBrushes, ManyFillsLeakNoBrush)
{
    std::vector<Pattern> patterns;
    for (int i = 0; i < 12; ++i) {
        Pattern p;
        for (int r = 0; r < 8; ++r)
            p.pat[r] = static_cast<uint8_t>((i * 37 + r * 11) ^ (r << i % 5));
        patterns.push_back(p);
    }
    std::set<HBRUSH> seen;
    std::vector<uint8_t> colourData(64);
    for (size_t i = 0; i < colourData.size(); ++i)
        colourData[i] = static_cast<uint8_t>(i % 3);

    auto round = [&]() {
        BlackAndWhiteDibPort bw;
        for (const Pattern &p : patterns) {
            bw.port()->bkPat = p;
            seen.insert(FillWithPortBrush(bw.surface(), kindBack));
        }
        DibPort colour(kSize, kSize);
        for (const Pattern &p : patterns) {
            SetPlainPixPat(colour.cport()->pnPixPat, p);
            seen.insert(FillWithPortBrush(colour.surface(), kindPen));
        }
        MakePixelPattern(colour.cport()->fillPixPat, 8, 8, 8, 8, {kMacRed, kMacGreen, kMacBlue}, colourData);
        for (int i = 0; i < 5; ++i) {
            (*colour.cport()->fillPixPat)->patXValid = -1;
            seen.insert(FillWithPortBrush(colour.surface(), kindFill));
        }
        SetPor(WindowManagerPort());
    };
    round();
    DWORD before = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    for (int i = 0; i < 20; ++i)
        round();
    EXPECT_EQ(before, GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS));

    // Of all the brushes handed out, only the cache's eight and the closed ports' kept brushes may
    // still exist.
    int live = 0;
    for (HBRUSH b : seen)
        if (b && GetObjectType(b) == OBJ_BRUSH)
            ++live;
    EXPECT_LE(live, 8 + 1) << "of " << seen.size() << " brushes handed out";
}

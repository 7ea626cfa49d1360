// Text drawing on Windows fonts: the bind buffer, the pixels and the pen's advance against GDI's own
// text, the transfer modes on a one-bit port, picture recording, scaling, long text and the fonts
// binding leaves behind.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "Fonts.h"
#include "MacMemory.h"
#include "Quickdraw.h"
#include "Zel.h"
#include "font_fixtures.h"
#include "qd_fixture.h"

using namespace testing_support;
using namespace text_fixtures;

namespace {

class TextDrawing : public QuickDrawTest {
protected:
    static void SetUpTestSuite()
    {
        QuickDrawTest::SetUpTestSuite();
        UseNoFontMap();
    }
};

TEST_F(TextDrawing, TheBindBufferFollowsThePortsFontSizeAndStyle)
{
    const std::vector<EnumeratedFace> faces = EnumerateFaces();
    const EnumeratedFace *swiss = TrueTypeFaceOfFamily(faces, FF_SWISS);
    ASSERT_TRUE(swiss);
    DibPort port(40, 40);
    SetPor(port.port());
    TextFont(FontNumberOf(swiss->name));
    TextSize(0);
    EXPECT_EQ(port.port()->txSize, 12);

    const struct {
        int16_t face;
        LONG weight;
        BYTE italic, underline, strikeOut;
    } cases[] = {
        {0, FW_NORMAL, 0, 0, 0},      {bold, FW_BOLD, 0, 0, 0},        {italic, FW_NORMAL, 1, 0, 0},
        {underline, FW_NORMAL, 0, 4, 0}, {int16_t(bold | italic | underline), FW_BOLD, 1, 4, 0},
        {int16_t(outline | shadow | condense | extend), FW_NORMAL, 0, 0, 0},
    };
    for (const auto &c : cases) {
        TextFace(c.face);
        BindBuffer b{};
        b.guard = 0x5A;
        EXPECT_EQ(ZEL_GetBindTextAttributesHFONT(&b), nullptr);
        EXPECT_EQ(b.logFont.lfHeight, -12);
        EXPECT_EQ(b.logFont.lfWeight, c.weight) << c.face;
        EXPECT_EQ(b.logFont.lfItalic, c.italic) << c.face;
        EXPECT_EQ(b.logFont.lfUnderline, c.underline) << c.face;
        EXPECT_EQ(b.logFont.lfStrikeOut, c.strikeOut) << c.face;
        EXPECT_STREQ(b.logFont.lfFaceName, swiss->faceName.c_str());
        EXPECT_STREQ(b.fullName, swiss->name.c_str());
        EXPECT_EQ(b.guard, 0) << "the byte after the full name is cleared";
    }
    // Setting 45 makes the extend bit the strike-out; setting 46 scales by the screen's resolution.
    TextFace(extend);
    ZEL_SystemValue(1, 45, 1);
    BindBuffer b{};
    ZEL_GetBindTextAttributesHFONT(&b);
    EXPECT_EQ(b.logFont.lfStrikeOut, extend);
    ZEL_SystemValue(1, 45, 0);
    ZEL_SystemValue(1, 46, 1);
    ZEL_GetBindTextAttributesHFONT(&b);
    HDC screen = GetDC(nullptr);
    EXPECT_EQ(b.logFont.lfHeight, MulDiv(-12, GetDeviceCaps(screen, LOGPIXELSY), 72));
    ReleaseDC(nullptr, screen);
    ZEL_SystemValue(1, 46, 0);
    TextFace(0);

    // The preset fonts: font -2 is always the system font; a dialog's font 0 is its control font.
    TextFont(-2);
    HFONT system = ZEL_GetBindTextAttributesHFONT(&b);
    EXPECT_NE(system, nullptr);
    EXPECT_EQ(GetObjectType(system), DWORD(OBJ_FONT));
    TextFont(0);
    EXPECT_EQ(ZEL_GetBindTextAttributesHFONT(&b), nullptr);
    ZEL_DialogFontMode(port.port(), TRUE);
    HFONT control = ZEL_GetBindTextAttributesHFONT(&b);
    EXPECT_NE(control, nullptr);
    LOGFONTA controlFont{};
    GetObjectA(control, sizeof controlFont, &controlFont);
    EXPECT_STREQ(b.logFont.lfFaceName, controlFont.lfFaceName);
    EXPECT_STREQ(b.fullName, "");
    TextFont(-2);
    EXPECT_EQ(ZEL_GetBindTextAttributesHFONT(&b), system);
    ZEL_DialogFontMode(port.port(), FALSE);
}

TEST_F(TextDrawing, ARasterFaceTakesItsEnumeratedSizeOrHeightMinusSize)
{
    if (!AddRasterFace())
        GTEST_SKIP() << "the raster face cannot be added here";
    ZEL_UpdateFontList(1);
    DibPort port(40, 40);
    SetPor(port.port());
    TextFont(FontNumberOf(kRasterFace));
    const struct { int16_t size; LONG height; } cases[] = {{12, 14}, {10, 12}, {11, -11}, {20, -20}};
    for (const auto &c : cases) {
        TextSize(c.size);
        BindBuffer b{};
        ZEL_GetBindTextAttributesHFONT(&b);
        EXPECT_EQ(b.logFont.lfHeight, c.height) << "size " << c.size;
        EXPECT_STREQ(b.logFont.lfFaceName, kRasterFace);
    }
}

// GDI's own drawing of the same text in the bind buffer's font, black on the surface at the baseline.
void DrawWithGdi(DibSurface &surface, const LOGFONTA &lf, int x, int y, const std::string &text, SIZE *advance)
{
    HFONT font = CreateFontIndirectA(&lf);
    HGDIOBJ old = SelectObject(surface.dc(), font);
    SetTextAlign(surface.dc(), TA_BASELINE | TA_LEFT);
    SetBkMode(surface.dc(), TRANSPARENT);
    SetTextColor(surface.dc(), RGB(0, 0, 0));
    TextOutA(surface.dc(), x, y, text.data(), int(text.size()));
    TEXTMETRICA tm{};
    GetTextMetricsA(surface.dc(), &tm);
    GetTextExtentPoint32A(surface.dc(), text.data(), int(text.size()), advance);
    advance->cx -= tm.tmOverhang;
    SelectObject(surface.dc(), old);
    DeleteObject(font);
}

bool SamePixels(DibSurface &a, DibSurface &b)
{
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.Pixel(x, y) != b.Pixel(x, y))
                return false;
    return true;
}

TEST_F(TextDrawing, DrawStringLeavesGdisPixelsAndAdvancesByTheTextsWidth)
{
    const std::vector<EnumeratedFace> faces = EnumerateFaces();
    const std::string text = "Sphinx of black quartz, judge my vow!";
    int checked = 0;
    for (BYTE family : {BYTE(FF_SWISS), BYTE(FF_ROMAN), BYTE(FF_MODERN)}) {
        const EnumeratedFace *face = TrueTypeFaceOfFamily(faces, family);
        if (!face)
            continue;
        ++checked;
        for (int16_t size : {9, 12, 24})
            for (int16_t style : {0, int(bold), int(italic), int(underline)}) {
                SCOPED_TRACE(face->name + " " + std::to_string(size) + " style " + std::to_string(style));
                DibPort port(420, 60);
                SetPor(port.port());
                TextFont(FontNumberOf(face->name));
                TextSize(size);
                TextFace(style);
                BindBuffer b{};
                ZEL_GetBindTextAttributesHFONT(&b);
                MoveT(10, 40);
                DrawString(P(text).c_str());
                DibSurface raw(420, 60);
                SIZE advance{};
                DrawWithGdi(raw, b.logFont, 10, 40, text, &advance);
                EXPECT_TRUE(SamePixels(port.surface(), raw));
                EXPECT_EQ(port.port()->pnLoc.h, 10 + advance.cx);
                EXPECT_EQ(port.port()->pnLoc.v, 40);
                SetPor(WindowManagerPort());
            }
    }
    EXPECT_GT(checked, 0);
}

TEST_F(TextDrawing, DrawStringInAWindowLeavesGdisPixels)
{
    const std::vector<EnumeratedFace> faces = EnumerateFaces();
    const EnumeratedFace *face = TrueTypeFaceOfFamily(faces, FF_SWISS);
    ASSERT_TRUE(face);
    HWND window = CreateDrawingWindow(300, 60, true);
    if (!window)
        GTEST_SKIP() << "no display";
    HDC windowDC = GetDC(window);
    CGrafPort port{};
    OpenPortForHDC(&port, windowDC);
    SetPor(reinterpret_cast<GrafPtr>(&port));
    const std::string text = "Window text";
    TextFont(FontNumberOf(face->name));
    TextSize(14);
    TextFace(bold);
    BindBuffer b{};
    ZEL_GetBindTextAttributesHFONT(&b);
    EraseRect(&port.portRect);
    MoveT(5, 30);
    DrawString(P(text).c_str());
    DibSurface drawn(300, 60), raw(300, 60);
    BitBlt(drawn.dc(), 0, 0, 300, 60, windowDC, 0, 0, SRCCOPY);
    SIZE advance{};
    DrawWithGdi(raw, b.logFont, 5, 30, text, &advance);
    EXPECT_TRUE(SamePixels(drawn, raw));
    EXPECT_EQ(port.pnLoc.h, 5 + advance.cx);
    SetPor(WindowManagerPort());
    CloseCPort(&port);
    ReleaseDC(window, windowDC);
    DestroyWindow(window);
}

TEST_F(TextDrawing, ControlCharactersAndTheCheckMark)
{
    DibPort port(60, 40);
    SetPor(port.port());
    TextFont(0);
    TextSize(12);
    const ImageRows blank = CaptureBlackAndWhite(port.surface());
    MoveT(10, 20);
    DrawChar(13);
    EXPECT_EQ(port.port()->pnLoc.h, 10);
    EXPECT_EQ(ImageDifference(CaptureBlackAndWhite(port.surface()), blank), "");

    DrawChar(0x12);
    // The check-mark bitmap is copied below the ascent.
    HBITMAP check = LoadBitmapA(nullptr, MAKEINTRESOURCEA(32760));
    BITMAP bm{};
    GetObjectA(check, sizeof bm, &bm);
    BindBuffer b{};
    ZEL_GetBindTextAttributesHFONT(&b);
    DibSurface raw(60, 40);
    HFONT font = CreateFontIndirectA(&b.logFont);
    HGDIOBJ oldFont = SelectObject(raw.dc(), font);
    TEXTMETRICA tm{};
    GetTextMetricsA(raw.dc(), &tm);
    SelectObject(raw.dc(), oldFont);
    DeleteObject(font);
    HDC memory = CreateCompatibleDC(raw.dc());
    HGDIOBJ old = SelectObject(memory, check);
    const int width = std::min<int>(tm.tmMaxCharWidth, bm.bmWidth);
    BitBlt(raw.dc(), 10, 20 - tm.tmAscent + 1, width, std::min<int>(tm.tmAscent + tm.tmDescent, bm.bmHeight), memory,
           0, 0, SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
    DeleteObject(check);
    EXPECT_TRUE(SamePixels(port.surface(), raw));
    EXPECT_EQ(port.port()->pnLoc.h, 10 + width);
}

TEST_F(TextDrawing, SrcCopyErasesTheTextRectangleAndSrcOrDoesNot)
{
    const std::vector<EnumeratedFace> faces = EnumerateFaces();
    const EnumeratedFace *face = TrueTypeFaceOfFamily(faces, FF_ROMAN);
    ASSERT_TRUE(face);
    for (int16_t mode : {srcCopy, srcOr}) {
        DibPort port(200, 50, RGB(128, 128, 128));
        SetPor(port.port());
        TextFont(FontNumberOf(face->name));
        TextSize(18);
        TextMode(mode);
        BindBuffer b{};
        ZEL_GetBindTextAttributesHFONT(&b);
        MoveT(20, 30);
        DrawString(P("Erase").c_str());
        DibSurface raw(200, 50, RGB(128, 128, 128));
        HFONT font = CreateFontIndirectA(&b.logFont);
        HGDIOBJ old = SelectObject(raw.dc(), font);
        TEXTMETRICA tm{};
        GetTextMetricsA(raw.dc(), &tm);
        SIZE advance{};
        GetTextExtentPoint32A(raw.dc(), "Erase", 5, &advance);
        SelectObject(raw.dc(), old);
        DeleteObject(font);
        if (mode == srcCopy) {
            RECT r{20, 30 - tm.tmAscent, 20 + advance.cx - tm.tmOverhang, 30 + tm.tmDescent};
            FillRect(raw.dc(), &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        }
        DrawWithGdi(raw, b.logFont, 20, 30, "Erase", &advance);
        EXPECT_TRUE(SamePixels(port.surface(), raw)) << "mode " << mode;
        SetPor(WindowManagerPort());
    }
}

// A port on a one-bit DIB section (black 0, white 1), top-down.
class MonochromePort {
public:
    MonochromePort(int w, int h) : w_(w), h_(h)
    {
        struct {
            BITMAPINFOHEADER header;
            RGBQUAD colours[2];
        } info{};
        info.header = {sizeof(BITMAPINFOHEADER), w, -h, 1, 1, BI_RGB, 0, 0, 0, 2, 2};
        info.colours[1] = RGBQUAD{255, 255, 255, 0};
        dc_ = CreateCompatibleDC(nullptr);
        bitmap_ = CreateDIBSection(dc_, reinterpret_cast<BITMAPINFO *>(&info), DIB_RGB_COLORS,
                                   reinterpret_cast<void **>(&bits_), nullptr, 0);
        old_ = SelectObject(dc_, bitmap_);
        OpenPortForHDC(&port_, dc_);
    }
    ~MonochromePort()
    {
        CloseCPort(&port_);
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    GrafPtr port() { return reinterpret_cast<GrafPtr>(&port_); }
    HDC dc() { return dc_; }
    bool Black(int x, int y) const { return !(bits_[y * Stride() + x / 8] & (0x80 >> (x % 8))); }
    void SetBlack(int x, int y, bool black)
    {
        uint8_t &byte = bits_[y * Stride() + x / 8];
        byte = black ? uint8_t(byte & ~(0x80 >> (x % 8))) : uint8_t(byte | (0x80 >> (x % 8)));
    }
    int Stride() const { return ((w_ + 31) / 32) * 4; }

private:
    int w_, h_;
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ old_;
    uint8_t *bits_;
    CGrafPort port_{};
};

TEST_F(TextDrawing, OnAOneBitPortEveryModeGivesTheMacintoshResult)
{
    const std::vector<EnumeratedFace> faces = EnumerateFaces();
    const EnumeratedFace *face = TrueTypeFaceOfFamily(faces, FF_SWISS);
    ASSERT_TRUE(face);
    constexpr int W = 120, H = 40, X = 10, Y = 26;
    const char *text = "Mode Xy";
    const struct {
        int16_t mode;
        bool (*result)(bool dst, bool glyph);
    } cases[] = {
        {srcOr, [](bool d, bool g) { return d || g; }},
        {srcXor, [](bool d, bool g) { return d != g; }},
        {srcBic, [](bool d, bool g) { return d && !g; }},
        {srcCopy, [](bool, bool g) { return g; }},
        {notSrcCopy, [](bool, bool g) { return !g; }},
        {notSrcXor, [](bool d, bool g) { return d == g; }},
        {notSrcOr, [](bool d, bool g) { return d || !g; }},
        {notSrcBic, [](bool d, bool g) { return d && g; }},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE("mode " + std::to_string(c.mode));
        MonochromePort port(W, H);
        // Two colours: vertical stripes four pixels wide.
        auto background = [](int x, int) { return (x / 4) % 2 == 1; };
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x)
                port.SetBlack(x, y, background(x, y));
        SetPor(port.port());
        TextFont(FontNumberOf(face->name));
        TextSize(16);
        TextMode(c.mode);
        BindBuffer b{};
        ZEL_GetBindTextAttributesHFONT(&b);
        const TextInk glyph = InkOfText(b.logFont, W, H, X, Y, text);
        const int width = glyph.width, ascent = glyph.ascent, descent = glyph.descent;
        MoveT(X, Y);
        DrawString(P(text).c_str());
        int wrong = 0;
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                const bool inside = x >= X && x < X + width && y >= Y - ascent && y < Y + descent;
                const bool expected = inside ? c.result(background(x, y), glyph.At(x, y)) : background(x, y);
                wrong += port.Black(x, y) != expected;
            }
        EXPECT_EQ(wrong, 0);
        SetPor(WindowManagerPort());
    }
}

TEST_F(TextDrawing, TextIsRecordedWithTheStateThatChanged)
{
    const std::vector<EnumeratedFace> faces = EnumerateFaces();
    const EnumeratedFace *face = TrueTypeFaceOfFamily(faces, FF_MODERN);
    ASSERT_TRUE(face);
    DibPort target(300, 40);
    SetPor(target.port());
    CQDProcs procs;
    SetStdCProcs(&procs);
    procs.putPicProc = CapturePutPic;
    char pictureMark = 0;
    target.cport()->grafProcs = &procs;
    target.cport()->picSave = reinterpret_cast<Handle>(&pictureMark);
    PictureRecords().clear();
    const int16_t number = FontNumberOf(face->name);
    TextFont(number);
    TextSize(10);
    MoveT(4, 20);
    DrawString(P("Hi").c_str());
    const int16_t second = target.port()->pnLoc.h;
    DrawString(P("Hi").c_str());
    // A long text goes in pieces of at most 255 characters.
    const std::string longText(600, 'w');
    const size_t before = PictureRecords().size();
    DrawTex(longText.data(), 0, int16_t(longText.size()));
    target.cport()->picSave = nullptr;
    target.cport()->grafProcs = nullptr;

    std::vector<std::vector<uint8_t>> records(PictureRecords().begin(), PictureRecords().begin() + long(before));
    auto count = [&](uint16_t opcode) {
        int n = 0;
        for (const auto &r : records)
            n += r.size() >= 2 && (r[0] << 8 | r[1]) == opcode;
        return n;
    };
    EXPECT_EQ(count(0x002C), 1);
    EXPECT_EQ(count(0x0003), 1);
    EXPECT_EQ(count(0x0004), 1);
    EXPECT_EQ(count(0x000D), 1);
    EXPECT_EQ(count(0x0005), 0);
    EXPECT_EQ(count(0x0006), 0);
    EXPECT_EQ(count(0x0010), 0);
    ASSERT_EQ(count(0x0028), 2);
    for (const auto &r : records) {
        const uint16_t opcode = uint16_t(r[0] << 8 | r[1]);
        if (opcode == 0x002C) {
            const std::string name(r.begin() + 7, r.begin() + 7 + r[6]);
            EXPECT_EQ(name, face->name);
            EXPECT_EQ(r[4] << 8 | r[5], number);
        }
    }
    std::vector<int> pens;
    for (const auto &r : records)
        if ((r[0] << 8 | r[1]) == 0x0028) {
            EXPECT_EQ(r[2] << 8 | r[3], 20);
            pens.push_back(r[4] << 8 | r[5]);
            EXPECT_EQ(r[6], 2);
        }
    EXPECT_EQ(pens, (std::vector<int>{4, second}));
    int total = 0;
    for (size_t i = before; i < PictureRecords().size(); ++i) {
        const auto &r = PictureRecords()[i];
        if ((r[0] << 8 | r[1]) == 0x0028) {
            EXPECT_LE(r[6], 255);
            total += r[6];
        }
    }
    EXPECT_EQ(total, 600);
}

TEST_F(TextDrawing, StdTextScalesTheSizeForTheCallOnly)
{
    const std::vector<EnumeratedFace> faces = EnumerateFaces();
    const EnumeratedFace *face = TrueTypeFaceOfFamily(faces, FF_SWISS);
    ASSERT_TRUE(face);
    const int16_t number = FontNumberOf(face->name);
    auto draw = [&](DibPort &port, int16_t size, Point numer, Point denom) {
        SetPor(port.port());
        TextFont(number);
        TextSize(size);
        MoveT(5, 40);
        StdText(2, "Hi", numer, denom);
        return port.port()->pnLoc.h;
    };
    DibPort scaled(120, 60), twice(120, 60), zero(120, 60), plain(120, 60);
    const int16_t h2 = draw(scaled, 12, Point{2, 2}, Point{1, 1});
    EXPECT_EQ(scaled.port()->txSize, 12);
    EXPECT_EQ(h2, draw(twice, 24, Point{1, 1}, Point{1, 1}));
    EXPECT_TRUE(SamePixels(scaled.surface(), twice.surface()));
    // A zero denominator draws unscaled.
    EXPECT_EQ(draw(zero, 12, Point{2, 2}, Point{0, 0}), draw(plain, 12, Point{1, 1}, Point{1, 1}));
    EXPECT_TRUE(SamePixels(zero.surface(), plain.surface()));
    // Nothing for a count of 0 or less: no pixels, the pen stays.
    SetPor(plain.port());
    MoveT(5, 40);
    StdText(0, "Hi", Point{1, 1}, Point{1, 1});
    StdText(-3, "Hi", Point{1, 1}, Point{1, 1});
    EXPECT_EQ(plain.port()->pnLoc.h, 5);
    SetPor(WindowManagerPort());
}

TEST_F(TextDrawing, LongTextThatExpandsFourfoldDrawsWithinItsBuffers)
{
    if (!AddRasterFace())
        GTEST_SKIP() << "the raster face cannot be added here";
    ZEL_UpdateFontList(1);
    DibPort port(200, 30);
    SetPor(port.port());
    TextFont(FontNumberOf(kRasterFace));
    TextSize(10);
    Ptr bytes = nullptr, longs = nullptr;
    const int32_t capacity = TextScratchBuffers(0, &bytes, &longs);
    for (int32_t length : {1, 100, int(capacity / 4), int(capacity / 4) + 1, int(capacity), int(capacity) + 200, 5000}) {
        const std::vector<uint8_t> text(size_t(length), 0xAA); // the trade-mark sign: "(tm)"
        MoveT(0, 20);
        DrawTex(text.data(), 0, int16_t(length));
        EXPECT_EQ(ZEL_MemCheck(), 1) << length;
        EXPECT_TRUE(HeapValidate(GetProcessHeap(), 0, nullptr)) << length;
    }
    SetPor(WindowManagerPort());
}

TEST_F(TextDrawing, ClosingThePortDeletesTheFontsBindingMadeAndNoOthers)
{
    const std::vector<EnumeratedFace> faces = EnumerateFaces();
    std::vector<int16_t> numbers;
    for (BYTE family : {BYTE(FF_SWISS), BYTE(FF_ROMAN), BYTE(FF_MODERN)})
        if (const EnumeratedFace *f = TrueTypeFaceOfFamily(faces, family))
            numbers.push_back(FontNumberOf(f->name));
    ASSERT_FALSE(numbers.empty());
    DibSurface surface(100, 30);
    LOGFONTA hostLf{};
    hostLf.lfHeight = -11;
    lstrcpyA(hostLf.lfFaceName, faces.front().faceName.c_str());
    HFONT hostFont = CreateFontIndirectA(&hostLf);
    SelectObject(surface.dc(), hostFont);
    CGrafPort port{};
    OpenPortForHDC(&port, surface.dc());
    SetPor(reinterpret_cast<GrafPtr>(&port));
    std::set<HGDIOBJ> bound;
    for (int i = 0; i < 300; ++i) {
        TextFont(numbers[size_t(i) % numbers.size()]);
        TextSize(int16_t(8 + i % 17));
        TextFace(int16_t(i % 8));
        MoveT(2, 20);
        DrawString(P("x").c_str());
        bound.insert(GetCurrentObject(surface.dc(), OBJ_FONT));
    }
    SetPor(WindowManagerPort());
    CloseCPort(&port);
    for (HGDIOBJ font : bound)
        EXPECT_EQ(GetObjectType(font), 0u);
    EXPECT_EQ(GetObjectType(hostFont), DWORD(OBJ_FONT));
    TextFont(-2);
    SelectObject(surface.dc(), GetStockObject(SYSTEM_FONT));
    DeleteObject(hostFont);
}

TEST_F(TextDrawing, TwoPortsOnOneDCKeepEachOthersFonts)
{
    const std::vector<EnumeratedFace> faces = EnumerateFaces();
    const EnumeratedFace *face = TrueTypeFaceOfFamily(faces, FF_SWISS);
    ASSERT_TRUE(face);
    DibSurface surface(100, 30);
    CGrafPort a{}, b{};
    OpenPortForHDC(&a, surface.dc());
    OpenPortForHDC(&b, surface.dc());
    SetPor(reinterpret_cast<GrafPtr>(&a));
    TextFont(FontNumberOf(face->name));
    TextSize(13);
    DrawString(P("a").c_str());
    HGDIOBJ fontA = GetCurrentObject(surface.dc(), OBJ_FONT);
    SetPor(reinterpret_cast<GrafPtr>(&b));
    TextFont(FontNumberOf(face->name));
    TextSize(17);
    DrawString(P("b").c_str());
    // Port b's font displaced a's in the shared DC; a still holds it.
    EXPECT_EQ(GetObjectType(fontA), DWORD(OBJ_FONT));
    SetPor(WindowManagerPort());
    CloseCPort(&b);
    CloseCPort(&a);
    EXPECT_EQ(GetObjectType(fontA), 0u);
}

// A port whose text state changes and comes back draws in its own font again, also when the host
// selected another font into its DC in between.
TEST_F(TextDrawing, TextStateThatComesBackDrawsInThePortsFont)
{
    const std::vector<EnumeratedFace> faces = EnumerateFaces();
    const EnumeratedFace *face = TrueTypeFaceOfFamily(faces, FF_SWISS);
    ASSERT_TRUE(face);
    LOGFONTA hostLf{};
    hostLf.lfHeight = -30;
    lstrcpyA(hostLf.lfFaceName, faces.front().faceName.c_str());
    HFONT hostFont = CreateFontIndirectA(&hostLf);
    DibPort port(200, 40);
    SetPor(port.port());
    TextFont(FontNumberOf(face->name));
    TextSize(14);
    BindBuffer b{};
    ZEL_GetBindTextAttributesHFONT(&b);
    for (bool hostSelects : {false, true}) {
        SCOPED_TRACE(hostSelects ? "host font selected between" : "nothing between");
        port.surface().Fill(RGB(255, 255, 255));
        MoveT(10, 30);
        DrawString(P("Wide").c_str());
        TextFace(bold);
        if (hostSelects)
            SelectObject(port.surface().dc(), hostFont);
        TextFace(0);
        port.surface().Fill(RGB(255, 255, 255));
        MoveT(10, 30);
        DrawString(P("Wide").c_str());
        DibSurface raw(200, 40);
        SIZE advance{};
        DrawWithGdi(raw, b.logFont, 10, 30, "Wide", &advance);
        EXPECT_TRUE(SamePixels(port.surface(), raw));
        EXPECT_EQ(port.port()->pnLoc.h, 10 + advance.cx);
    }
    SetPor(WindowManagerPort());
    DeleteObject(hostFont);
}

} // namespace

namespace {

TEST_F(TextDrawing, OnThePrinterTextTurnsWithThePageAndKeepsToItsBand)
{
    const std::vector<EnumeratedFace> faces = EnumerateFaces();
    DibPort port(200, 60);
    SetPor(port.port());
    SelectTestPrinterDC(port.surface().dc(), 0, 0);
    const EnumeratedFace *swiss = TrueTypeFaceOfFamily(faces, FF_SWISS);
    ASSERT_TRUE(swiss);
    TextFont(FontNumberOf(swiss->name));
    TextSize(12);
    // A turned page turns the text: escapement and orientation by the angle, in tenths of a degree.
    for (int16_t angle : {int16_t(90), int16_t(180), int16_t(0)}) {
        SetPortTurn(angle, 0, 0, 0);
        BindBuffer b{};
        ZEL_GetBindTextAttributesHFONT(&b);
        EXPECT_EQ(b.logFont.lfEscapement, -angle * 10);
        EXPECT_EQ(b.logFont.lfOrientation, -angle * 10);
    }
    // A device font draws only in the band whose clip holds the pen's line.
    const EnumeratedFace *device = nullptr;
    for (const EnumeratedFace &f : faces)
        if (f.type == DEVICE_FONTTYPE && f.charSet == ANSI_CHARSET && !device)
            device = &f;
    if (device) {
        TextFont(FontNumberOf(device->name));
        TextSize(10);
        Rect band{0, 0, 20, 200};
        ClipRect(&band);
        // A pen a little below the clip: the glyphs' tops would show, if the text were drawn.
        const struct { int16_t shift, pen; bool drawn; } cases[] = {{0, 15, true}, {0, 24, false}, {1, 24, true}};
        for (const auto &c : cases) {
            port.surface().Fill(RGB(255, 255, 255));
            SelectTestPrinterDC(port.surface().dc(), c.shift, c.shift);
            MoveT(5, c.pen);
            DrawString(P("Band").c_str());
            bool any = false;
            for (int y = 0; y < 60; ++y)
                for (int x = 0; x < 200; ++x)
                    any |= port.surface().Pixel(x, y) != RGB(255, 255, 255);
            EXPECT_EQ(any, c.drawn) << "shift " << c.shift << " pen " << c.pen;
        }
    }
    SelectTestPrinterDC(nullptr, 0, 0);
    SetPor(WindowManagerPort());
}

} // namespace

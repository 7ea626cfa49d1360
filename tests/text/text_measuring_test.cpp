// Text measuring: widths against GDI's extents of the converted text, font information and its
// adjustment word, the width table, extended text with given widths, and what a rebuilt list changes.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "FixMath.h"
#include "Fonts.h"
#include "LowMem.h"
#include "MacMemory.h"
#include "Quickdraw.h"
#include "Zel.h"
#include "font_fixtures.h"
#include "qd_fixture.h"

using namespace testing_support;
using namespace text_fixtures;

namespace {

// GDI's measures of the current port's bound font: the extent less the overhang of the ANSI text the
// library's conversion makes of `mac` (raw for outline faces), and the text metrics.
struct GdiMeasure {
    TEXTMETRICA tm{};
    int Width(const std::string &mac) const
    {
        const bool outline = tm.tmPitchAndFamily & (TMPF_VECTOR | TMPF_TRUETYPE);
        std::vector<uint8_t> ansi(mac.size() * 4 + 1);
        const int32_t n = ZEL_MacToAnsiBuf(reinterpret_cast<const uint8_t *>(mac.data()), ansi.data(),
                                           uint16_t(mac.size()), int16_t(2 | (outline ? 1 : 0)));
        HDC dc = CreateCompatibleDC(nullptr);
        HFONT font = CreateFontIndirectA(&lf);
        HGDIOBJ old = SelectObject(dc, font);
        SIZE size{};
        GetTextExtentPoint32A(dc, reinterpret_cast<const char *>(ansi.data()), n, &size);
        SelectObject(dc, old);
        DeleteObject(font);
        DeleteDC(dc);
        return n ? size.cx - tm.tmOverhang : 0;
    }
    LOGFONTA lf{};
};

GdiMeasure MeasureBound()
{
    GdiMeasure m;
    BindBuffer b{};
    HFONT preset = ZEL_GetBindTextAttributesHFONT(&b);
    if (preset)
        GetObjectA(preset, sizeof m.lf, &m.lf);
    else
        m.lf = b.logFont;
    HDC dc = CreateCompatibleDC(nullptr);
    HFONT font = CreateFontIndirectA(&m.lf);
    HGDIOBJ old = SelectObject(dc, font);
    GetTextMetricsA(dc, &m.tm);
    SelectObject(dc, old);
    DeleteObject(font);
    DeleteDC(dc);
    return m;
}

class TextMeasuring : public QuickDrawTest {
protected:
    static void SetUpTestSuite()
    {
        QuickDrawTest::SetUpTestSuite();
        AddRasterFace();
        UseNoFontMap();
    }
};

// The faces measured: a TrueType face of each main family, a device face when one is installed, and the
// raster fixture.
std::vector<std::string> MeasuredFaces()
{
    std::vector<std::string> names;
    const std::vector<EnumeratedFace> faces = EnumerateFaces();
    for (BYTE family : {BYTE(FF_SWISS), BYTE(FF_ROMAN), BYTE(FF_MODERN)})
        if (const EnumeratedFace *f = TrueTypeFaceOfFamily(faces, family))
            names.push_back(f->name);
    for (const EnumeratedFace &f : faces)
        if (f.type == DEVICE_FONTTYPE && f.charSet == ANSI_CHARSET) {
            names.push_back(f.name);
            break;
        }
    for (const EnumeratedFace &f : faces)
        if (f.name == kRasterFace)
            names.push_back(f.name);
    return names;
}

TEST_F(TextMeasuring, WidthsAreGdisExtentsOfTheConvertedText)
{
    const std::string text = "Wave \x8E\xC9\xAA!";
    for (const std::string &face : MeasuredFaces())
        for (int16_t size : {9, 12, 24})
            for (int16_t style : {0, int(bold), int(italic)}) {
                SCOPED_TRACE(face + " " + std::to_string(size) + " style " + std::to_string(style));
                DibPort port(20, 20);
                SetPor(port.port());
                TextFont(FontNumberOf(face));
                TextSize(size);
                TextFace(style);
                const GdiMeasure gdi = MeasureBound();
                EXPECT_EQ(TextWidth(text.data(), 0, int16_t(text.size())), gdi.Width(text));
                EXPECT_EQ(StringWidth(P(text).c_str()), gdi.Width(text));
                for (char c : text)
                    EXPECT_EQ(CharWidth(uint8_t(c)), gdi.Width(std::string(1, c))) << int(uint8_t(c));
                int16_t locs[5] = {-7, -7, -7, -7, -7};
                MeasureText(3, "a\rb", locs);
                const int a = gdi.Width("a"), b = gdi.Width("b");
                EXPECT_EQ(std::vector<int>(locs, locs + 5), (std::vector<int>{0, a, a, a + b, -7}));
                SetPor(WindowManagerPort());
            }
    int16_t locs[3] = {-7, -7, -7};
    DibPort port(20, 20);
    SetPor(port.port());
    for (int16_t count : {0, -4}) {
        MeasureText(count, "ab", locs);
        EXPECT_EQ(std::vector<int>(locs, locs + 3), (std::vector<int>{0, -7, -7}));
    }
    SetPor(WindowManagerPort());
}

TEST_F(TextMeasuring, FontInfoFollowsTheAdjustmentWord)
{
    if (!AddRasterFace())
        GTEST_SKIP() << "the raster face cannot be added here";
    DibPort port(20, 20);
    SetPor(port.port());
    TextFont(FontNumberOf(kRasterFace));
    TextSize(12);
    const GdiMeasure gdi = MeasureBound();
    const TEXTMETRICA &tm = gdi.tm;
    ASSERT_GT(tm.tmInternalLeading, 0);
    ASSERT_GT(tm.tmExternalLeading, 0);
    const int A = tm.tmAscent, I = tm.tmInternalLeading, E = tm.tmExternalLeading;
    const struct {
        uint16_t word;
        int ascent, leading;
    } cases[] = {
        {0x0220, A, E},     {0x0000, A, 0},     {0x0001, A + I, 0}, {0x0002, A + E, 0},
        {0x0004, A - I, 0}, {0x0008, A - E - 1 - (A > 7 ? 1 : 0), 0},
        {0x0010, A, I},     {0x0020, A, E},     {0x0040, A, -I},    {0x0080, A, -E},
    };
    const uint32_t saved = ZEL_SystemValue(0, 47, 0);
    for (const auto &c : cases) {
        ZEL_SystemValue(1, 47, c.word);
        FontInfo info{};
        GetFontInfo(&info);
        EXPECT_EQ(info.ascent, c.ascent) << std::hex << c.word;
        EXPECT_EQ(info.descent, tm.tmDescent);
        EXPECT_EQ(info.widMax, tm.tmMaxCharWidth);
        EXPECT_EQ(info.leading, c.leading) << std::hex << c.word;
    }
    // Extended text takes the high byte: the ascent with the external leading, no leading.
    ZEL_SystemValue(1, 47, 0x0220);
    ZEL_ExtDrawText(1, nullptr, 0);
    FontInfo info{};
    GetFontInfo(&info);
    EXPECT_EQ(info.ascent, A + E);
    EXPECT_EQ(info.leading, 0);
    ZEL_ExtDrawText(0, nullptr, 0);
    ZEL_SystemValue(1, 47, saved);
    SetPor(WindowManagerPort());
}

TEST_F(TextMeasuring, FontMetricsFillsTheWidthTable)
{
    const std::vector<EnumeratedFace> faces = EnumerateFaces();
    const EnumeratedFace *swiss = TrueTypeFaceOfFamily(faces, FF_SWISS);
    const EnumeratedFace *roman = TrueTypeFaceOfFamily(faces, FF_ROMAN);
    ASSERT_TRUE(swiss && roman);
    DibPort port(20, 20);
    SetPor(port.port());
    TextSize(14);
    for (const EnumeratedFace *face : {swiss, roman}) {
        SCOPED_TRACE(face->name);
        TextFont(FontNumberOf(face->name));
        FMetricRec metrics{};
        FontMetrics(&metrics);
        ASSERT_NE(metrics.wTabHandle, nullptr);
        EXPECT_EQ(GetHandleSize(metrics.wTabHandle), 1072);
        EXPECT_EQ(LMGetWidthTabHandle(), metrics.wTabHandle);
        const GdiMeasure gdi = MeasureBound();
        const WidthTable *table = reinterpret_cast<const WidthTable *>(*metrics.wTabHandle);
        EXPECT_EQ(table->fSize, gdi.tm.tmHeight - gdi.tm.tmInternalLeading);
        EXPECT_EQ(metrics.ascent, Long2Fix(gdi.tm.tmAscent - gdi.tm.tmInternalLeading));
        EXPECT_EQ(metrics.widMax, Long2Fix(gdi.tm.tmMaxCharWidth));
        HDC dc = CreateCompatibleDC(nullptr);
        HFONT font = CreateFontIndirectA(&gdi.lf);
        HGDIOBJ old = SelectObject(dc, font);
        for (int k : {int('A'), int('i'), int('W'), int(' '), 0x8E, 0xA5, 0xC9, 0xAA}) {
            uint8_t mac = uint8_t(k), ansi[4] = {};
            ZEL_MacToAnsiBuf(&mac, ansi, 1, 1);
            const char c = char(k < 128 ? k : ansi[0]);
            SIZE size{};
            GetTextExtentPoint32A(dc, &c, 1, &size);
            EXPECT_EQ(table->tabData[k], Long2Fix(size.cx)) << "code " << k;
        }
        SelectObject(dc, old);
        DeleteObject(font);
        DeleteDC(dc);
    }
    SetPor(WindowManagerPort());
}

TEST_F(TextMeasuring, ASecondPortWithTheSameFontMeasuresInItsOwnDC)
{
    const std::vector<EnumeratedFace> faces = EnumerateFaces();
    const EnumeratedFace *face = TrueTypeFaceOfFamily(faces, FF_ROMAN);
    ASSERT_TRUE(face);
    const std::string text = "Measured twice";
    DibPort first(20, 20), second(20, 20);
    SetPor(first.port());
    TextFont(FontNumberOf(face->name));
    TextSize(20);
    const int16_t w1 = StringWidth(P(text).c_str());
    SetPor(second.port());
    TextFont(FontNumberOf(face->name));
    TextSize(20);
    EXPECT_EQ(StringWidth(P(text).c_str()), w1);
    SetPor(WindowManagerPort());
}

TEST_F(TextMeasuring, ExtendedTextAdvancesByTheGivenWidths)
{
    const std::vector<EnumeratedFace> faces = EnumerateFaces();
    const EnumeratedFace *face = TrueTypeFaceOfFamily(faces, FF_SWISS);
    ASSERT_TRUE(face);
    DibPort port(400, 40);
    SetPor(port.port());
    TextFont(FontNumberOf(face->name));
    TextSize(16);
    // The library's own table: é advances by its entry, not by that of another character.
    FMetricRec metrics{};
    FontMetrics(&metrics);
    const Fixed own = reinterpret_cast<const WidthTable *>(*metrics.wTabHandle)->tabData[0x8E];
    EXPECT_EQ(ZEL_ExtDrawText(1, nullptr, 0), 0);
    MoveT(10, 30);
    DrawChar(0x8E);
    EXPECT_EQ(port.port()->pnLoc.h, 10 + FixRound(own));
    // A host table by Macintosh code.
    std::vector<Fixed> widths(256, Long2Fix(5));
    widths[0x8E] = Long2Fix(17);
    ZEL_ExtDrawText(1, widths.data(), 0);
    MoveT(10, 30);
    DrawChar(0x8E);
    EXPECT_EQ(port.port()->pnLoc.h, 27);
    MoveT(10, 30);
    DrawString(P("ab\x8E").c_str());
    EXPECT_EQ(port.port()->pnLoc.h, 10 + 5 + 5 + 17);

    // Saving and restoring: 0x8001 with no array, then 0x8000, leaves the host table in use.
    EXPECT_EQ(ZEL_ExtDrawText(0x8001, nullptr, 5), 0x40);
    EXPECT_EQ(ZEL_ExtDrawText(0x8000, nullptr, 0), 0x40);
    MoveT(10, 30);
    DrawChar(0x8E);
    EXPECT_EQ(port.port()->pnLoc.h, 27);
    // And from the plain mode: after the restore, the mode is off again.
    ZEL_ExtDrawText(0, nullptr, 0);
    EXPECT_EQ(ZEL_ExtDrawText(0x8001, nullptr, 5), 0);
    EXPECT_EQ(ZEL_ExtDrawText(0x8000, nullptr, 0), 0x40);
    EXPECT_EQ(ZEL_ExtDrawText(0, nullptr, 0), 0);

    // A host's integer widths are read only for text they cover: three at the very end of a page.
    ZEL_ExtDrawText(1, widths.data(), 0);
    SYSTEM_INFO si;
    GetSystemInfo(&si);
    uint8_t *pages = static_cast<uint8_t *>(VirtualAlloc(nullptr, si.dwPageSize * 2, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    DWORD was;
    VirtualProtect(pages + si.dwPageSize, si.dwPageSize, PAGE_NOACCESS, &was);
    int32_t *three = reinterpret_cast<int32_t *>(pages + si.dwPageSize) - 3;
    three[0] = three[1] = three[2] = 9;
    ZEL_USER_WinTextOutWidths(three, 3);
    MoveT(10, 30);
    DrawString(P(std::string(40, 'x')).c_str());
    EXPECT_EQ(port.port()->pnLoc.h, 10 + 40 * 5);
    ZEL_USER_WinTextOutWidths(nullptr, 0);
    VirtualFree(pages, 0, MEM_RELEASE);
    ZEL_ExtDrawText(0, nullptr, 0);
    SetPor(WindowManagerPort());
}

TEST_F(TextMeasuring, VisibleLengthDropsTrailingBlanks)
{
    const struct { const char *text; int32_t length, visible; } cases[] = {
        {"abc  ", 5, 3}, {"abc\t\n ", 6, 3}, {"    ", 4, 1}, {"", 0, 0}, {"x", 1, 1}, {"a b", 3, 3}, {"ab", -2, 0},
    };
    for (const auto &c : cases)
        EXPECT_EQ(VisibleLength(c.text, c.length), c.visible) << '"' << c.text << '"';
}

TEST_F(TextMeasuring, ARebuiltListMeasuresTheFaceANumberNowNames)
{
    const std::vector<EnumeratedFace> faces = EnumerateFaces();
    const EnumeratedFace *a = TrueTypeFaceOfFamily(faces, FF_SWISS);
    const EnumeratedFace *b = TrueTypeFaceOfFamily(faces, FF_MODERN);
    ASSERT_TRUE(a && b);
    const std::string text = "Which face?";
    DibPort port(20, 20);
    SetPor(port.port());
    TextSize(18);
    auto widthOf = [&](const std::string &face) {
        TextFont(FontNumberOf(face));
        return StringWidth(P(text).c_str());
    };
    const int16_t wa = widthOf(a->name), wb = widthOf(b->name);
    ASSERT_NE(wa, wb);
    UseFontMap("moving(300):" + a->name + "(Swiss)\r\n");
    TextFont(300);
    EXPECT_EQ(StringWidth(P(text).c_str()), wa);
    UseFontMap("moving(300):" + b->name + "(Modern)\r\n");
    EXPECT_EQ(StringWidth(P(text).c_str()), wb);
    UseNoFontMap();
    EXPECT_EQ(ZEL_MemCheck(), 1);
    SetPor(WindowManagerPort());
}

} // namespace

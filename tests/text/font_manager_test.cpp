// The Font Manager: numbers and names through the list and the map, outline metrics of the bound font,
// FMSwapFont, IsOutline, InitFonts' width table and the permanent stubs.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "Fonts.h"
#include "LowMem.h"
#include "MacMemory.h"
#include "Quickdraw.h"
#include "Zel.h"
#include "font_fixtures.h"
#include "qd_fixture.h"
#include "test_support.h"

using namespace testing_support;
using namespace text_fixtures;

namespace {

std::string NameOf(int16_t number)
{
    Str255 name;
    name[0] = 0xEE;
    GetFontName(number, name);
    return std::string(reinterpret_cast<char *>(name + 1), name[0]);
}

int16_t FNum(const std::string &name)
{
    int16_t number = -77;
    GetFNum(P(name).c_str(), &number);
    return number;
}

class FontManager : public QuickDrawTest {
protected:
    static void SetUpTestSuite()
    {
        QuickDrawTest::SetUpTestSuite();
        AddRasterFace();
        UseNoFontMap();
    }
};

TEST_F(FontManager, NumbersAndNamesGoThroughTheListAndTheMap)
{
    for (const EnumeratedFace &face : EnumerateFaces()) {
        if (face.faceName.size() >= 31)
            continue;
        const int16_t n = FNum(face.name);
        EXPECT_NE(n, 0) << face.name;
        EXPECT_EQ(NameOf(n), face.name);
    }
    EXPECT_EQ(FNum("newYork"), 2);
    EXPECT_EQ(FNum("no such face anywhere"), 0);
    int16_t number = -77;
    GetFNum(nullptr, &number);
    EXPECT_EQ(number, 0);
    GetFNum(P("newYork").c_str(), nullptr);
    GetFontName(2, nullptr);
    // Map rows compare with case: each of the twins keeps its own number (unless a face of that name is
    // installed, which the list answers first).
    const struct { const char *name; int16_t number; } twins[] = {
        {"times", 20}, {"Times", 130}, {"helvetica", 21}, {"Helvetica", 133}, {"courier", 22}, {"Courier", 134}};
    FontListReport r{};
    for (const auto &t : twins) {
        if (!FindNode(t.name, &r)) {
            EXPECT_EQ(FNum(t.name), t.number) << t.name;
        }
    }
    // Font 2 is named after the face binding uses for it.
    FontListSeam(-1, 2, 12, &r);
    ASSERT_GE(r.foundIndex, 0);
    FontListReport node{};
    FontListSeam(r.foundIndex, 0, 0, &node);
    EXPECT_EQ(NameOf(2), node.name);
    // A number nobody knows has no name, even where binding would fall back on the application font.
    EXPECT_EQ(NameOf(12345), "");
    const std::vector<EnumeratedFace> faces = EnumerateFaces();
    UseFontMap("applFont(1):" + TrueTypeFaceOfFamily(faces, FF_SWISS)->name + "(Swiss)\r\n");
    EXPECT_EQ(NameOf(12345), "");
    UseNoFontMap();
}

TEST_F(FontManager, OutlineMetricsAreTheBoundFontsABCWidths)
{
    const std::vector<EnumeratedFace> faces = EnumerateFaces();
    const EnumeratedFace *face = TrueTypeFaceOfFamily(faces, FF_ROMAN);
    ASSERT_TRUE(face);
    DibPort port(20, 20);
    SetPor(port.port());
    TextFont(FNum(face->name));
    TextSize(20);
    TextFace(0);
    EXPECT_TRUE(IsOutline(Point{1, 1}, Point{1, 1}));
    struct {
        LOGFONTA lf;
        char fullName[64];
        char afterName;
    } bind{};
    ZEL_GetBindTextAttributesHFONT(&bind);
    HDC dc = CreateCompatibleDC(nullptr);
    HFONT font = CreateFontIndirectA(&bind.lf);
    HGDIOBJ old = SelectObject(dc, font);
    const std::string text = "Wi\xA5" "f";
    for (Boolean fractional : {Boolean(false), Boolean(true)}) {
        SetFractEnable(fractional);
        std::vector<Fixed> advances(text.size() + 1, 0x7777), bearings(text.size() + 1, 0x7777);
        EXPECT_EQ(OutlineMetrics(int16_t(text.size()), text.data(), Point{1, 1}, Point{1, 1}, nullptr, nullptr,
                                 advances.data(), bearings.data(), nullptr),
                  noErr);
        for (size_t i = 0; i < text.size(); ++i) {
            const UINT code = uint8_t(text[i]);
            if (fractional) {
                ABCFLOAT abc{};
                GetCharABCWidthsFloatA(dc, code, code, &abc);
                EXPECT_EQ(advances[i], Fixed((abc.abcfA + abc.abcfB + abc.abcfC) * 65536.0)) << code;
                EXPECT_EQ(bearings[i], Fixed(abc.abcfA * 65536.0)) << code;
            } else {
                ABC abc{};
                GetCharABCWidthsA(dc, code, code, &abc);
                EXPECT_EQ(advances[i], Fixed(uint32_t(abc.abcA + int(abc.abcB) + abc.abcC) << 16)) << code;
                EXPECT_EQ(bearings[i], Fixed(uint32_t(abc.abcA) << 16)) << code;
            }
        }
        EXPECT_EQ(advances.back(), 0x7777);
    }
    SetFractEnable(false);
    SelectObject(dc, old);
    DeleteObject(font);
    DeleteDC(dc);

    // Nothing to do: nothing written.
    Fixed sentinel[2] = {0x1234, 0x1234};
    for (int16_t count : {0, -1})
        EXPECT_EQ(OutlineMetrics(count, text.data(), Point{1, 1}, Point{1, 1}, nullptr, nullptr, sentinel, sentinel + 1,
                                 nullptr),
                  noErr);
    EXPECT_EQ(OutlineMetrics(2, text.data(), Point{1, 1}, Point{1, 1}, nullptr, nullptr, nullptr, nullptr, nullptr), noErr);
    EXPECT_EQ(sentinel[0], 0x1234);
    EXPECT_EQ(sentinel[1], 0x1234);

    // A raster face has no ABC widths: memFullErr, and nothing past the failing character.
    if (AddRasterFace()) {
        TextFont(FNum(kRasterFace));
        TextSize(12);
        EXPECT_FALSE(IsOutline(Point{1, 1}, Point{1, 1}));
        EXPECT_EQ(OutlineMetrics(2, "ab", Point{1, 1}, Point{1, 1}, nullptr, nullptr, sentinel, nullptr, nullptr),
                  memFullErr);
        EXPECT_EQ(sentinel[0], 0x1234);
    }
    SetPor(WindowManagerPort());
}

TEST_F(FontManager, FMSwapFontSetsThePortsFontAndAnswersItsMeasures)
{
    const std::vector<EnumeratedFace> faces = EnumerateFaces();
    const EnumeratedFace *face = TrueTypeFaceOfFamily(faces, FF_MODERN);
    ASSERT_TRUE(face);
    DibPort port(20, 20);
    SetPor(port.port());
    FMInput in{};
    in.family = FNum(face->name);
    in.size = 15;
    in.face = italic;
    FMOutput *out = FMSwapFont(&in);
    EXPECT_EQ(port.port()->txFont, in.family);
    EXPECT_EQ(port.port()->txSize, 15);
    EXPECT_EQ(port.port()->txFace, italic);
    FontInfo info{};
    GetFontInfo(&info);
    EXPECT_EQ(out->ascent, uint8_t(info.ascent));
    EXPECT_EQ(out->descent, uint8_t(info.descent));
    EXPECT_EQ(out->widMax, uint8_t(info.widMax));
    EXPECT_EQ(out->leading, int8_t(info.leading));
    in.size = 30;
    EXPECT_EQ(FMSwapFont(&in), out);
    EXPECT_EQ(port.port()->txSize, 30);
    EXPECT_TRUE(RealFont(in.family, 7));
    SetPor(WindowManagerPort());
}

TEST_F(FontManager, InitFontsMakesAClearedWidthTable)
{
    for (int round = 0; round < 2; ++round) {
        SetFractEnable(true);
        InitFonts();
        Handle table = LMGetWidthTabHandle();
        ASSERT_NE(table, nullptr);
        ASSERT_EQ(GetHandleSize(table), 1072);
        const uint8_t *bytes = reinterpret_cast<const uint8_t *>(*table);
        EXPECT_TRUE(std::all_of(bytes, bytes + 1072, [](uint8_t b) { return b == 0; }));
        EXPECT_EQ(LMGetFractEnable(), 0);
        EXPECT_EQ(ZEL_MemCheck(), 1);
        // Measuring fills it; the next InitFonts clears it in place.
        DibPort port(20, 20);
        SetPor(port.port());
        TextFont(1);
        FontMetrics(nullptr);
        SetPor(WindowManagerPort());
    }
}

TEST_F(FontManager, TheStubsReportTheirNames)
{
    TakeDebugMessages();
    SetFScaleDisable(true);
    EXPECT_FALSE(GetOutlinePreferred());
    SetOutlinePreferred(true);
    SetFontLock(true);
    std::vector<std::string> reported;
    for (const std::string &m : TakeDebugMessages())
        if (m != "\r\n")
            reported.push_back(m);
    EXPECT_EQ(reported, (std::vector<std::string>{"SetFScaleDisable", "GetOutlinePreferred", "SetOutlinePreferred"}));
}

} // namespace

// The font map file and the installed-font list: the built-in map written for the session's language,
// map rows given to the faces found, the family fallback, raster sizes, and maps that are damaged.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cfloat>
#include <cstring>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "Fonts.h"
#include "MacMemory.h"
#include "Menus.h"
#include "Zel.h"
#include "font_fixtures.h"
#include "qd_fixture.h"

using namespace text_fixtures;

namespace {

struct MapRow {
    int number;
    const char *name;
    const char *faces;
    const char *family;
};

#define SJ_GOTHIC "\x82\x6C\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4E"
#define BIG5_MING "\xB2\xD3\xA9\xFA\xC5\xE9"
const char *const kTNR = "Times New Roman";

const std::vector<MapRow> kEnglishMap = {
    {0, "systemFont", "System", "Swiss"}, {1, "applFont", "Arial", "Swiss"}, {20, "times", kTNR, "Roman"},
    {21, "helvetica", "Arial", "Modern"}, {22, "courier", "Courier New", "Modern"},
    {23, "symbol", "Symbol", "Decorative"}, {2, "newYork", kTNR, "Roman"}, {3, "geneva", "Arial", "Swiss"},
    {4, "monaco", "Courier New", "Modern"}, {5, "venice", kTNR, "Roman"}, {6, "london", kTNR, "Roman"},
    {7, "athens", kTNR, "Roman"}, {8, "sanFran", kTNR, "Roman"}, {9, "toronto", kTNR, "Roman"},
    {11, "cairo", "Wingdings", "Decorative"}, {12, "losAngeles", kTNR, "Roman"},
    {24, "taliesin", "Wingdings", "Decorative"}, {128, "MS Serif", "MS Serif", "Roman"},
    {129, "Tms Rmn", "Tms Rmn", "Roman"}, {130, "Times", "Times,MS Serif", "Roman"},
    {131, "MS Sans Serif", "MS Sans Serif", "Swiss"}, {132, "Helv", "Helv,MS Sans Serif", "Swiss"},
    {133, "Helvetica", "Helvetica,MS Sans Serif", "Swiss"}, {134, "Courier", "Courier", "Modern"},
    {135, "Modern", "Modern", "Modern"}, {136, "Roman", "Roman", "Script"}, {137, "Script", "Script", "Script"},
    {138, "Terminal", "Terminal", "Modern"}, {139, "Arial", "Arial", "Swiss"}, {140, kTNR, kTNR, "Roman"},
    {141, "Courier New", "Courier New", "Modern"},
};
const std::vector<MapRow> kJapaneseMap = {
    {0, "systemFont", "System", "DontCare"}, {1, "applFont", SJ_GOTHIC, "DontCare"},
    {16384, "Osaka", SJ_GOTHIC, "DontCare"},
    {16641, "\x8D\xD7\x96\xBE\x92\xA9\x91\xCC", "\x82\x6C\x82\x72\x20\x96\xBE\x92\xA9", "DontCare"},
    {16640, "\x92\x86\x83\x53\x83\x56\x83\x62\x83\x4E\x91\xCC", SJ_GOTHIC, "DontCare"},
    {20, "times", kTNR, "Roman"}, {21, "helvetica", SJ_GOTHIC, "DontCare"}, {22, "courier", "Courier", "Modern"},
    {23, "symbol", "Symbol", "Decorative"}, {2, "newYork", kTNR, "Roman"}, {3, "geneva", SJ_GOTHIC, "DontCare"},
    {4, "monaco", "Courier", "Modern"}, {5, "venice", kTNR, "Roman"}, {6, "london", kTNR, "Roman"},
    {7, "athens", kTNR, "Roman"}, {8, "sanFran", kTNR, "Roman"}, {9, "toronto", kTNR, "Roman"},
    {11, "cairo", "Wingdings", "Decorative"}, {12, "losAngeles", kTNR, "Roman"},
    {24, "taliesin", "Wingdings", "Decorative"},
};
const char *const kTNRG = "Times New Roman Greek";
const std::vector<MapRow> kGreekMap = {
    {0, "systemFont", "System Greek", "Swiss"}, {20, "times", kTNRG, "Roman"},
    {21, "helvetica", "Arial Greek", "Modern"}, {22, "courier", "Courier New Greek", "Modern"},
    {23, "symbol", "Symbol", "Decorative"}, {1, "applFont", "Arial Greek", "Swiss"},
    {2, "newYork", kTNRG, "Roman"}, {3, "geneva", "Arial Greek", "Swiss"},
    {4, "monaco", "Courier New Greek", "Modern"}, {5, "venice", kTNRG, "Roman"}, {6, "london", kTNRG, "Roman"},
    {7, "athens", kTNRG, "Roman"}, {8, "sanFran", kTNRG, "Roman"}, {9, "toronto", kTNRG, "Roman"},
    {12, "losAngeles", kTNRG, "Roman"},
};
const std::vector<MapRow> kChineseMap = {
    {0, "systemFont", "System", "DontCare"}, {1, "applFont", BIG5_MING, "DontCare"},
    {16384, "Osaka", BIG5_MING, "DontCare"}, {20, "times", kTNR, "Roman"},
    {21, "helvetica", BIG5_MING, "DontCare"}, {22, "courier", "Courier", "Modern"},
    {23, "symbol", "Symbol", "Decorative"}, {2, "newYork", kTNR, "Roman"}, {3, "geneva", BIG5_MING, "DontCare"},
    {4, "monaco", "Courier", "Modern"}, {5, "venice", kTNR, "Roman"}, {6, "london", kTNR, "Roman"},
    {7, "athens", kTNR, "Roman"}, {8, "sanFran", kTNR, "Roman"}, {9, "toronto", kTNR, "Roman"},
    {11, "cairo", "Wingdings", "Decorative"}, {12, "losAngeles", kTNR, "Roman"},
    {24, "taliesin", "Wingdings", "Decorative"},
};

std::string Serialise(const std::vector<MapRow> &rows)
{
    std::string s;
    for (const MapRow &r : rows)
        s += std::string(r.name) + "(" + std::to_string(r.number) + "):" + r.faces + "(" + r.family + ")\r\n";
    return s;
}

uint8_t FamilyByte(const char *word)
{
    const char *const words[] = {"DontCare", "Roman", "Swiss", "Modern", "Script", "Decorative"};
    for (int i = 0; i < 6; ++i)
        if (std::strcmp(word, words[i]) == 0)
            return uint8_t(i << 4);
    return 0x30;
}

// Every node of the library's list.
std::vector<FontListReport> Nodes()
{
    FontListReport r{};
    const int16_t count = FontListSeam(-1, 0, 0, &r);
    std::vector<FontListReport> nodes(size_t(count > 0 ? count : 0));
    for (int16_t i = 0; i < count; ++i)
        FontListSeam(i, 0, 0, &nodes[size_t(i)]);
    return nodes;
}

class FontMapTest : public testing_support::QuickDrawTest {
protected:
    void TearDown() override
    {
        ZEL_SystemValue(1, 8, uint32_t(-1));
        UseNoFontMap();
        EXPECT_EQ(ZEL_MemCheck(), 1);
        QuickDrawTest::TearDown();
    }
    // Two ANSI TrueType faces of different families, for maps that name faces found here.
    void SetUp() override
    {
        QuickDrawTest::SetUp();
        faces_ = EnumerateFaces();
        a_ = TrueTypeFaceOfFamily(faces_, FF_SWISS);
        b_ = TrueTypeFaceOfFamily(faces_, FF_ROMAN);
        ASSERT_TRUE(a_ && b_) << "no Swiss and Roman TrueType faces";
    }
    std::vector<EnumeratedFace> faces_;
    const EnumeratedFace *a_ = nullptr, *b_ = nullptr;
};

TEST_F(FontMapTest, WithoutAFileTheSessionLanguagesTableIsWrittenAndRead)
{
    UseNoFontMap();
    const std::vector<MapRow> *expected = &kEnglishMap;
    switch (PRIMARYLANGID(LANGIDFROMLCID(GetSystemDefaultLCID()))) {
    case LANG_JAPANESE: expected = &kJapaneseMap; break;
    case LANG_GREEK: expected = &kGreekMap; break;
    case LANG_CHINESE:
    case LANG_KOREAN: expected = &kChineseMap; break;
    }
    EXPECT_EQ(ReadFontMapFile(), Serialise(*expected));
    FontListReport r{};
    FontListSeam(-1, 0, 0, &r);
    ASSERT_EQ(r.mapRowCount, int16_t(expected->size()));
    for (size_t i = 0; i < expected->size(); ++i) {
        FontListSeam(int16_t(i), 0, 0, &r);
        EXPECT_EQ(r.rowNumber, (*expected)[i].number);
        EXPECT_STREQ(r.rowName, (*expected)[i].name);
        EXPECT_STREQ(r.rowFaces, (*expected)[i].faces);
        EXPECT_EQ(r.rowPitchAndFamily, FamilyByte((*expected)[i].family));
    }
    // The double-byte system font is that of a Shift-JIS face, when one is installed.
    bool shiftJisFace = false;
    for (const char *face : {SJ_GOTHIC, "\x95\x57\x8F\x80\x83\x53\x83\x56\x83\x62\x83\x4E", "\x83\x53\x83\x56\x83\x62\x83\x4E"})
        for (const EnumeratedFace &f : faces_)
            shiftJisFace |= lstrcmpiA(f.name.c_str(), face) == 0;
    if (!shiftJisFace) {
        EXPECT_EQ(ZEL_GetIntlSystemFont(), 0);
    }
}

TEST_F(FontMapTest, RowsGiveTheirNumbersToTheFacesTheyName)
{
    const std::string a = a_->name, b = b_->name;
    UseFontMap("second(200):NoSuchFaceHere," + a + "(Swiss)\r\n" +   // the next alternative takes it
               "high(300):AlsoMissing(Roman)\r\n" +                   // unmapped faces start at 301
               "empty():" + b + "(Roman)\r\n" +                       // adds nothing
               "own(250):" + b + "(Roman)\r\n" + b + "(251):" + b + "(Roman)\r\n"); // its own name goes first
    FontListReport node{};
    ASSERT_TRUE(FindNode(a.c_str(), &node));
    EXPECT_EQ(node.numbers[0], 200);
    ASSERT_TRUE(FindNode(b.c_str(), &node));
    EXPECT_EQ(node.numbers[0], 251);
    EXPECT_EQ(node.numbers[1], 250);
    EXPECT_EQ(node.numbers[2], -1);

    std::set<int16_t> numbers;
    int16_t lowestUnmapped = 32767;
    for (const FontListReport &n : Nodes()) {
        ASSERT_NE(n.numbers[0], -1) << n.name;
        for (int16_t x : n.numbers)
            if (x != -1) {
                EXPECT_TRUE(numbers.insert(x).second) << "number " << x << " given twice";
            }
        if (n.name != a && n.name != b)
            lowestUnmapped = std::min(lowestUnmapped, n.numbers[0]);
    }
    EXPECT_EQ(lowestUnmapped, 301);
}

TEST_F(FontMapTest, ANumberWithoutItsFacesFallsBackOnItsFamily)
{
    UseNoFontMap();
    // The test's own choice among its enumeration: the first TrueType face of the family in name order,
    // else the first with the greatest low nibble; faces for vertical writing ('@') never stand in.
    std::vector<EnumeratedFace> sorted = faces_;
    std::stable_sort(sorted.begin(), sorted.end(), [](const EnumeratedFace &x, const EnumeratedFace &y) {
        return lstrcmpiA(x.name.c_str(), y.name.c_str()) < 0;
    });
    auto installed = [&](const std::string &face) {
        for (const EnumeratedFace &f : faces_)
            if (lstrcmpiA(f.name.c_str(), face.c_str()) == 0)
                return true;
        return false;
    };
    for (const MapRow &row : kEnglishMap) {
        std::string faces = row.faces;
        bool any = false;
        for (size_t at = 0; at != std::string::npos;) {
            size_t comma = faces.find(',', at);
            any |= installed(faces.substr(at, comma == std::string::npos ? comma : comma - at));
            at = comma == std::string::npos ? comma : comma + 1;
        }
        if (any)
            continue;
        const uint8_t family = FamilyByte(row.family);
        const EnumeratedFace *pick = nullptr;
        for (const EnumeratedFace &f : sorted)
            if ((f.pitchAndFamily & 0xF0) == family && (f.type & TRUETYPE_FONTTYPE) && f.name[0] != '@') {
                pick = &f;
                break;
            }
        if (!pick)
            for (const EnumeratedFace &f : sorted)
                if ((f.pitchAndFamily & 0xF0) == family && f.name[0] != '@' &&
                    (!pick || (f.pitchAndFamily & 0x0F) > (pick->pitchAndFamily & 0x0F)))
                    pick = &f;
        FontListReport r{};
        FontListSeam(-1, int16_t(row.number), 12, &r);
        SCOPED_TRACE(row.name);
        if (pick) {
            EXPECT_STREQ(r.foundFace, pick->faceName.c_str());
            EXPECT_EQ(r.foundPitchAndFamily, pick->pitchAndFamily);
        } else {
            EXPECT_EQ(r.foundIndex, -1);
            EXPECT_STREQ(r.foundFace, "");
            EXPECT_EQ(r.foundPitchAndFamily, family);
        }
    }
}

TEST_F(FontMapTest, ARasterFaceHoldsItsSizesAndTheNearestIsChosen)
{
    if (!AddRasterFace())
        GTEST_SKIP() << "the raster face cannot be added here";
    ZEL_UpdateFontList(1);
    FontListReport node{};
    int16_t index = -1;
    ASSERT_TRUE(FindNode(kRasterFace, &node, &index));
    EXPECT_EQ(node.fontType, RASTER_FONTTYPE);
    std::vector<int16_t> sizes(node.pixelSizes, node.pixelSizes + node.sizeCount);
    std::sort(sizes.begin(), sizes.end());
    EXPECT_EQ(sizes, (std::vector<int16_t>{10, 12}));
    // Sizes between two go to the smaller on a tie, to the nearer otherwise.
    const struct { int16_t asked, chosen; } cases[] = {{11, 10}, {12, 12}, {13, 12}, {9, 10}, {40, 12}, {1, 10}};
    for (const auto &c : cases) {
        FontListReport r{};
        FontListSeam(-1, node.numbers[0], c.asked, &r);
        EXPECT_EQ(r.foundIndex, index);
        EXPECT_EQ(r.chosenPixelSize, c.chosen) << "asked " << c.asked;
    }
    // The menus and the resource count list it among the bitmap faces.
    MenuHandle menu = NewMenu(300, reinterpret_cast<const unsigned char *>("\x04" "Font"));
    ZEL_AddResFontMenu(menu, false);
    bool listed = false;
    for (int16_t i = 1; i <= CountMItems(menu); ++i) {
        Str255 text;
        GetMenuItemText(menu, i, text);
        listed |= std::string(reinterpret_cast<char *>(text + 1), text[0]) == kRasterFace;
    }
    EXPECT_TRUE(listed);
    EXPECT_EQ(CountMItems(menu), CountInstalledFonts(false));
    DisposeMenu(menu);
}

TEST_F(FontMapTest, DamagedMapsKeepTheirCompleteRowsWithinTheLimits)
{
    std::string many;
    for (int i = 0; i < 600; ++i)
        many += "r" + std::to_string(i) + "(" + std::to_string(1000 + i) + "):NoFace(Swiss)\r\n";
    const struct {
        const char *what;
        std::string map;
        int rows;
        std::vector<int16_t> numbers; // of the first rows
    } cases[] = {
        {"more than 500 rows", many, 500, {1000, 1001}},
        {"numbers that are not 0..32767", "a(70000):X(Swiss)\nb(123456):X(Swiss)\nc(-5):X(Swiss)\nd(1x):X(Swiss)\ne(32767):X(Swiss)\n",
         5, {-1, -1, -1, -1, 32767}},
        {"a last row cut short", "a(200):X(Swiss)\r\nb(201):Y(Sw", 1, {200}},
        {"NUL and control bytes between rows", std::string("a(200):X(Swiss)\r\n\0\x01\x02\t\x1F b(201):Y(Swiss)", 39), 2, {200, 201}},
        {"a 40-character face", "a(200):" + std::string(40, 'F') + "(Swiss)\r\n", 1, {200}},
        {"only control bytes", std::string("\x01\x02\r\n\0\t", 6), int(kEnglishMap.size()), {0, 1, 20}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        UseFontMap(c.map);
        FontListReport r{};
        FontListSeam(-1, 0, 0, &r);
        EXPECT_EQ(r.mapRowCount, c.rows);
        for (size_t i = 0; i < c.numbers.size(); ++i) {
            FontListSeam(int16_t(i), 0, 0, &r);
            EXPECT_EQ(r.rowNumber, c.numbers[i]);
        }
        EXPECT_EQ(ZEL_MemCheck(), 1);
        EXPECT_GT(CountInstalledFonts(true), 0);
    }
    // The built-in table replaced a map without rows.
    EXPECT_EQ(ReadFontMapFile(), Serialise(kEnglishMap));
}

TEST_F(FontMapTest, NumbersStopAt32767)
{
    UseFontMap("last(32767):" + a_->name + "(Swiss)\r\n");
    FontListReport r{};
    FontListSeam(-1, 0, 0, &r);
    EXPECT_GT(r.firstUnmappedNumber, 32767);
    for (const FontListReport &n : Nodes()) {
        for (int16_t x : n.numbers)
            EXPECT_TRUE(x == -1 || x >= 0) << n.name << " holds " << x;
        EXPECT_EQ(n.numbers[0], n.name == a_->name ? 32767 : -1) << n.name;
    }
}

TEST_F(FontMapTest, AnEmbeddedMapIsReadOnlyWithinItsFile)
{
    const std::string path = BesideProgram("embedded.bin");
    const std::string map = "inner(222):" + a_->name + "(Swiss)\r\n";
    const std::string bytes = "HEADER.." + map + "FORK";
    std::ofstream(path, std::ios::binary) << bytes;
    OSErr err = 0;
    const int32_t ref = ZEL_FHOpen(path.c_str(), 0, &err);
    ASSERT_GE(ref, 0);
    const struct { const char *what; int32_t start, stop; bool read; } cases[] = {
        {"within the file", 8, int32_t(8 + map.size()), true},
        {"end before start", 20, 8, false},
        {"empty range", 8, 8, false},
        {"past the file's end", 8, int32_t(bytes.size() + 10), false},
        {"negative start", -4, 20, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        ZEL_SystemValue(1, 8, uint32_t(ref));
        ZEL_SystemValue(1, 9, uint32_t(c.start));
        ZEL_SystemValue(1, 10, uint32_t(c.stop));
        ReloadFontTables();
        ZEL_SystemValue(1, 8, uint32_t(-1));
        FontListReport r{};
        FontListSeam(0, 0, 0, &r);
        if (c.read) {
            EXPECT_EQ(r.mapRowCount, 1);
            EXPECT_EQ(r.rowNumber, 222);
        } else {
            EXPECT_EQ(r.mapRowCount, int16_t(kEnglishMap.size()));
        }
        EXPECT_EQ(ZEL_MemCheck(), 1);
    }
    ZEL_FHClose(ref);
    DeleteFileA(path.c_str());
}

TEST_F(FontMapTest, RebuildsGiveTheSameList)
{
    AddRasterFace();
    UseNoFontMap();
    auto snapshot = [] {
        std::string s;
        for (const FontListReport &n : Nodes()) {
            s += std::string(n.name) + "|" + n.faceName + "|" + std::to_string(n.fontType) + "|";
            for (int16_t x : n.numbers)
                s += std::to_string(x) + ",";
            for (int i = 0; i < n.sizeCount && i < 32; ++i)
                s += std::to_string(n.pixelSizes[i]) + ";";
            s += std::to_string(n.sizeCount) + "\n";
        }
        return s;
    };
    const std::string first = snapshot();
    EXPECT_NE(first, "");
    for (int i = 0; i < 10; ++i) {
        ZEL_UpdateFontList(1);
        ASSERT_EQ(snapshot(), first) << "rebuild " << i;
    }
    // The list is sorted by name without regard to case.
    const std::vector<FontListReport> nodes = Nodes();
    for (size_t i = 1; i < nodes.size(); ++i)
        EXPECT_LE(lstrcmpiA(nodes[i - 1].name, nodes[i].name), 0);
}

} // namespace

namespace {

TEST_F(FontMapTest, ARebuildLeavesTheCallersFloatingPointControlWord)
{
    const unsigned int before = _control87(0, 0);
    for (unsigned int precision : {unsigned(_PC_64), unsigned(_PC_53), unsigned(_PC_24)}) {
        _control87(precision, _MCW_PC);
        const unsigned int set = _control87(0, 0);
        ZEL_UpdateFontList(1);
        EXPECT_EQ(_control87(0, 0), set);
    }
    _control87(before, 0xFFFFFFFF);
}

} // namespace

// Script Manager: character classes and case against the test's own model of the Macintosh Roman
// table, word bounds, the script variables of the session's locale, and the resources the set-up
// loads from the program's own fork ("--fork=" chooses which: see main).
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "Resources.h"
#include "Script.h"
#include "test_support.h"
#include "../resources/fork_layout.h"

namespace {

std::string sFork = "plain";

// ---- The model: class flags and case forms of every code ----

enum { blank = 1, symbol = 2, punct = 4, digit = 0x10, lower = 0x20, otherLower = 0x40, upper = 0xA0, otherUpper = 0xC0 };

uint8_t ModelFlags(int c)
{
    struct Range {
        int first, last;
        uint8_t flags;
    } ranges[] = {
        {0x00, 0x00, blank}, {0x09, 0x09, blank}, {0x0D, 0x0D, blank}, {0x20, 0x20, blank},
        {0x21, 0x22, punct}, {0x27, 0x29, punct}, {0x2C, 0x2F, punct}, {0x3A, 0x3B, punct},
        {0x3F, 0x3F, punct}, {0x5B, 0x5B, punct}, {0x5D, 0x5D, punct}, {0x7B, 0x7B, punct},
        {0x7D, 0x7D, punct}, {0xC7, 0xC9, punct}, {0xD1, 0xD5, punct}, {0x30, 0x39, digit},
        {0x61, 0x7A, lower}, {0x41, 0x5A, upper}, {0x87, 0x9F, otherLower}, {0xA7, 0xA7, otherLower},
        {0xBE, 0xBF, otherLower}, {0xCF, 0xCF, otherLower}, {0xD8, 0xD8, otherLower}, {0xDE, 0xDF, otherLower},
        {0xF5, 0xF5, otherLower}, {0x80, 0x86, otherUpper}, {0xAE, 0xAF, otherUpper}, {0xCB, 0xCE, otherUpper},
        {0xD9, 0xD9, otherUpper}, {0xE5, 0xEF, otherUpper}, {0xF1, 0xF4, otherUpper},
    };
    for (const Range &r : ranges)
        if (c >= r.first && c <= r.last)
            return r.flags;
    return symbol;
}

int16_t ModelCharType(int c)
{
    switch (ModelFlags(c)) {
    case blank: return 0x0300;
    case punct: return 0x0000;
    case digit: return 0x0100;
    case lower: return 0x0001;
    case otherLower: return 0x0007;
    case upper: return 0x4001;
    case otherUpper: return 0x4007;
    default: return 0x0200;
    }
}

struct CaseRow {
    uint8_t upper, lower, primary;
};

CaseRow ModelCase(int c)
{
    // The marked letters and ligatures of the upper half: code, upper, lower, primary.
    static const uint8_t kRows[][4] = {
        {0x80, 0x80, 0x8A, 0x41}, {0x81, 0x81, 0x8C, 0x41}, {0x82, 0x82, 0x8D, 0x43}, {0x83, 0x83, 0x8E, 0x45},
        {0x84, 0x84, 0x96, 0x4E}, {0x85, 0x85, 0x9A, 0x4F}, {0x86, 0x86, 0x9F, 0x55}, {0x87, 0xE7, 0x87, 0x41},
        {0x88, 0xCB, 0x88, 0x41}, {0x89, 0xE5, 0x89, 0x41}, {0x8A, 0x80, 0x8A, 0x41}, {0x8B, 0xCC, 0x8B, 0x41},
        {0x8C, 0x81, 0x8C, 0x41}, {0x8D, 0x82, 0x8D, 0x43}, {0x8E, 0x83, 0x8E, 0x45}, {0x8F, 0xE9, 0x8F, 0x45},
        {0x90, 0xE6, 0x90, 0x45}, {0x91, 0xE8, 0x91, 0x45}, {0x92, 0xEA, 0x92, 0x49}, {0x93, 0xED, 0x93, 0x49},
        {0x94, 0xEB, 0x94, 0x49}, {0x95, 0xEC, 0x95, 0x49}, {0x96, 0x84, 0x96, 0x4E}, {0x97, 0xEE, 0x97, 0x4F},
        {0x98, 0xF1, 0x98, 0x4F}, {0x99, 0xEF, 0x99, 0x4F}, {0x9A, 0x85, 0x9A, 0x4F}, {0x9B, 0xCD, 0x9B, 0x4F},
        {0x9C, 0xF2, 0x9C, 0x55}, {0x9D, 0xF4, 0x9D, 0x55}, {0x9E, 0xF3, 0x9E, 0x55}, {0x9F, 0x86, 0x9F, 0x55},
        {0xAE, 0xAE, 0xBE, 0xAE}, {0xAF, 0xAF, 0xBF, 0xAF}, {0xBE, 0xAE, 0xBE, 0xAE}, {0xBF, 0xAF, 0xBF, 0xAF},
        {0xCB, 0xCB, 0x88, 0x41}, {0xCC, 0xCC, 0x8B, 0x41}, {0xCD, 0xCD, 0x9B, 0x4F}, {0xCE, 0xCE, 0xCF, 0xCE},
        {0xCF, 0xCE, 0xCF, 0xCE}, {0xD8, 0xD9, 0xD8, 0x59}, {0xD9, 0xD9, 0xD8, 0x59}, {0xE5, 0xE5, 0x89, 0x41},
        {0xE6, 0xE6, 0x90, 0x45}, {0xE7, 0xE7, 0x87, 0x41}, {0xE8, 0xE8, 0x91, 0x45}, {0xE9, 0xE9, 0x8F, 0x45},
        {0xEA, 0xEA, 0x92, 0x49}, {0xEB, 0xEB, 0x94, 0x49}, {0xEC, 0xEC, 0x95, 0x49}, {0xED, 0xED, 0x93, 0x49},
        {0xEE, 0xEE, 0x97, 0x4F}, {0xEF, 0xEF, 0x99, 0x4F}, {0xF1, 0xF1, 0x98, 0x4F}, {0xF2, 0xF2, 0x9C, 0x55},
        {0xF3, 0xF3, 0x9E, 0x55}, {0xF4, 0xF4, 0x9D, 0x55},
    };
    for (const auto &r : kRows)
        if (r[0] == c)
            return {r[1], r[2], r[3]};
    uint8_t b = static_cast<uint8_t>(c);
    if (c >= 'a' && c <= 'z')
        return {static_cast<uint8_t>(c - 32), b, static_cast<uint8_t>(c - 32)};
    if (c >= 'A' && c <= 'Z')
        return {b, static_cast<uint8_t>(c + 32), b};
    return {b, b, b};
}

std::vector<char> AllCodes()
{
    std::vector<char> codes(256);
    for (int c = 0; c < 256; ++c)
        codes[c] = static_cast<char>(c);
    return codes;
}

// ---- Character tables ----

TEST(CharacterTables, CharTypeOfEveryCodeFollowsItsClass)
{
    std::vector<char> codes = AllCodes();
    for (int c = 0; c < 256; ++c)
        EXPECT_EQ(CharType(codes.data(), static_cast<int16_t>(c)), ModelCharType(c)) << "code " << c;
    char e = static_cast<char>(0x8E), five = '5';
    EXPECT_EQ(CharType(&e, 0), 0x0007);
    EXPECT_EQ(CharType(&five, 0), 0x0100);
    EXPECT_EQ(CharByte(codes.data(), 0x82), 0);
    EXPECT_EQ(CharacterByteType(codes.data(), 0x82, 0), 0);
}

TEST(CharacterTables, TheFiveCaseCallsOverEveryCode)
{
    if (sFork == "cmps")
        GTEST_SKIP() << "StripUpperText answers from the 'Cmps' table in this run";
    struct Call {
        const char *name;
        void(ZEL_CALL *call)(Ptr, int16_t);
        uint8_t (*model)(int);
    } calls[] = {
        {"UpperText", UpperText, [](int c) { return ModelCase(c).upper; }},
        {"LowerText", LowerText, [](int c) { return ModelCase(c).lower; }},
        {"UprText", UprText, [](int c) { return uint8_t(c >= 'a' && c <= 'z' ? c - 32 : c); }},
        {"LwrText", LwrText, [](int c) { return uint8_t(c >= 'A' && c <= 'Z' ? c + 32 : c); }},
        {"StripUpperText", StripUpperText, [](int c) { return ModelCase(c).primary; }},
    };
    for (const Call &k : calls) {
        std::vector<char> text = AllCodes();
        k.call(text.data(), 256);
        for (int c = 0; c < 256; ++c)
            EXPECT_EQ(uint8_t(text[c]), k.model(c)) << k.name << " of code " << c;
        // Nil text and lengths of 0 or less change nothing.
        std::vector<char> untouched = AllCodes();
        k.call(nullptr, 5);
        k.call(untouched.data(), 0);
        k.call(untouched.data(), -3);
        EXPECT_EQ(untouched, AllCodes()) << k.name;
    }
    char a = static_cast<char>(0x8A);
    StripUpperText(&a, 1);
    EXPECT_EQ(a, 'A');
}

TEST(CharacterTables, StripUpperTextAnswersFromAWholeCompareTable)
{
    if (sFork != "cmps")
        GTEST_SKIP() << "runs with --fork=cmps";
    std::vector<char> text = AllCodes();
    StripUpperText(text.data(), 256);
    for (int c = 0; c < 256; ++c)
        EXPECT_EQ(uint8_t(text[c]), uint8_t(255 - c)) << "code " << c;
}

// ---- FindWord ----

struct WordCase {
    const char *text;
    int offset;
    bool leadingEdge;
    int first, second;
    const char *what;
};

void ExpectWords(const WordCase *cases, size_t n, BreakTablePtr breaks, const char *table)
{
    for (size_t i = 0; i < n; ++i) {
        const WordCase &c = cases[i];
        OffPair offsets[3] = {{-9, -9}, {-9, -9}, {-9, -9}};
        FindWord(const_cast<char *>(c.text), static_cast<int16_t>(std::strlen(c.text)), static_cast<int16_t>(c.offset),
                 c.leadingEdge, breaks, offsets);
        EXPECT_TRUE(offsets[0].offFirst == c.first && offsets[0].offSecond == c.second)
            << table << ": \"" << c.text << "\" at " << c.offset << (c.leadingEdge ? " leading" : " trailing")
            << " gave (" << offsets[0].offFirst << ", " << offsets[0].offSecond << "), expected (" << c.first
            << ", " << c.second << "): " << c.what;
        EXPECT_EQ(offsets[1].offFirst, -9) << "only the first pair is written";
    }
}

TEST(FindWord, WithoutABreakTable)
{
    const WordCase cases[] = {
        {"don't stop", 3, true, 0, 5, "the apostrophe joins don and t"},
        {"don't stop", 5, true, 5, 6, "a blank between two words is alone"},
        {"don't stop", 7, false, 6, 10, "inside the second word"},
        {"don't stop", 0, false, 0, 0, "offset 0 on the trailing edge"},
        {"don't stop", 10, true, 10, 10, "the end on the leading edge"},
        {"don't stop", 10, false, 10, 10, "the end on the trailing edge"},
        {"don't stop", 40, true, 10, 10, "an offset past the end is the end"},
        {"don't stop", -4, true, 0, 5, "a negative offset counts as 0"},
        {"'tis", 0, true, 0, 1, "a joiner at the start joins nothing"},
        {"3.14 x", 2, true, 0, 4, "a period between digits"},
        {"a--b", 1, true, 1, 2, "two joiners in a row join nothing"},
    };
    ExpectWords(cases, sizeof cases / sizeof cases[0], nullptr, "nil");
}

TEST(FindWord, WithABreakTableAndWithTheWordBreakTable)
{
    const WordCase tableCases[] = {
        {"hello world", 2, true, 0, 5, "inside a word"},
        {"hello world", 5, false, 0, 5, "the trailing edge after a word"},
        {"hello   world", 6, true, 5, 8, "a run of blanks is taken whole"},
        {"hello, world", 5, true, 5, 6, "punctuation at the offset is alone on the leading edge"},
        {"hello, world", 6, false, 5, 6, "the trailing edge takes the character before"},
        {"x+y", 1, true, 1, 2, "an operator between words"},
    };
    char table[256] = {};
    ExpectWords(tableCases, sizeof tableCases / sizeof tableCases[0], table, "table pointer");
    const WordCase breakCases[] = {
        {"hello world", 2, true, 0, 5, "inside a word, bounded by the blank"},
        {"x+y", 1, true, 0, 2, "an operator grows back over the word before it"},
        {"one,two three", 1, true, 0, 7, "punctuation without a break entry joins the words"},
        {"hello   world", 6, true, 5, 8, "blanks"},
        {"a=b.c", 4, true, 2, 5, "grows back to the operator"},
    };
    ExpectWords(breakCases, sizeof breakCases / sizeof breakCases[0], reinterpret_cast<BreakTablePtr>(-1), "-1");
}

TEST(FindWord, TextAtThePageEdgesIsNeverReadOutside)
{
    const char *texts[] = {"word", "two words", "a.", "x-y", "   ", "don't"};
    BreakTablePtr breakChoices[] = {nullptr, reinterpret_cast<BreakTablePtr>(-1)};
    for (const char *text : texts) {
        testing_support::GuardedBytes g(text);
        char *starts[] = {g.AtEnd(), g.AtStart()};
        for (char *t : starts)
            for (BreakTablePtr breaks : breakChoices)
                for (int offset : {-1, 0, int(g.length()), int(g.length()) + 3})
                    for (Boolean edge : {Boolean(0), Boolean(1)}) {
                        OffPair offsets[3] = {};
                        FindWord(t, static_cast<int16_t>(g.length()), static_cast<int16_t>(offset), edge, breaks, offsets);
                        EXPECT_TRUE(offsets[0].offFirst >= 0 && offsets[0].offSecond <= g.length() &&
                                    offsets[0].offFirst <= offsets[0].offSecond)
                            << text;
                    }
    }
    OffPair offsets[3] = {{5, 5}};
    FindWord(const_cast<char *>("abc"), 0, 1, true, nullptr, offsets);
    EXPECT_TRUE(offsets[0].offFirst == 0 && offsets[0].offSecond == 0) << "length 0";
    FindWord(const_cast<char *>("abc"), -2, 1, true, nullptr, offsets);
    EXPECT_TRUE(offsets[0].offFirst == 0 && offsets[0].offSecond == 0) << "a negative length";
}

// ---- Script variables and the calls that answer fixed values ----

TEST(ScriptVariables, TheDefaultLocaleIsASingleByteRomanSystem)
{
    if (PRIMARYLANGID(GetUserDefaultLCID()) != LANG_ENGLISH)
        GTEST_SKIP() << "the default locale";
    EXPECT_EQ(GetScriptManagerVariable(smSysScript), 0);
    EXPECT_EQ(GetScriptManagerVariable(smKeyScript), 0);
    EXPECT_EQ(GetScriptManagerVariable(smEnabled), 1);
    EXPECT_EQ(GetScriptManagerVariable(smRegionCode), 0);
    EXPECT_EQ(GetScriptManagerVariable(99), 0);
    EXPECT_EQ(GetSysDirection(), 0);
    EXPECT_EQ(FontScript(), 0);
    EXPECT_EQ(FontToScript(21), 0);
}

TEST(ScriptVariables, AJapaneseSessionHasTheJapaneseScript)
{
    if (PRIMARYLANGID(GetUserDefaultLCID()) != LANG_JAPANESE)
        GTEST_SKIP() << "runs under LC_ALL=ja_JP.UTF-8";
    EXPECT_EQ(GetScriptManagerVariable(smSysScript), 1);
    EXPECT_EQ(GetScriptManagerVariable(smEnabled), 2);
    EXPECT_EQ(FontScript(), 1);
}

TEST(ScriptVariables, AnArabicSessionRunsRightToLeft)
{
    if (PRIMARYLANGID(GetUserDefaultLCID()) != LANG_ARABIC)
        GTEST_SKIP() << "runs under LC_ALL=ar_SA.UTF-8";
    EXPECT_EQ(GetSysDirection(), -1);
    EXPECT_EQ(GetScriptManagerVariable(smSysScript), 4);
}

std::vector<std::string> Reports()
{
    std::vector<std::string> out;
    for (const std::string &m : testing_support::TakeDebugMessages())
        if (m != "\r\n")
            out.push_back(m);
    return out;
}

TEST(ScriptVariables, FixedAnswersAndTheirReports)
{
    Reports();
    EXPECT_EQ(GetScript(0, 82), 0x0015000A);
    EXPECT_TRUE(Reports().empty()) << "verb 82 is answered";
    EXPECT_EQ(GetScript(0, 1), 0);
    EXPECT_EQ(Reports(), std::vector<std::string>{"GetScript"});
    EXPECT_EQ(GetScriptVariable(0, 18), 0);
    EXPECT_EQ(GetAppFont(), 3);
    EXPECT_EQ(GetSysFont(), 0);
    EXPECT_EQ(GetDefFontSize(), 12);

    char text[] = "justify";
    short locs[8] = {};
    MeasureJust(text, 7, 3, reinterpret_cast<Ptr>(locs));
    EXPECT_EQ(Reports(), std::vector<std::string>{"MEASUREJUST"});
    unsigned char s[] = "\x05" "hello";
    EXPECT_EQ(TruncString(10, s, 0), 0);
    EXPECT_EQ(std::memcmp(s, "\x05" "hello", 6), 0);
    EXPECT_TRUE(Reports().empty());

    Boolean edge = 0;
    EXPECT_EQ(SetScript(0, 1, 2), 0);
    KeyScript(1);
    EXPECT_EQ(ScriptUtil(), 0);
    EXPECT_EQ(Pixel2Char(text, 7, 0, 10, &edge), 0);
    DrawJust(text, 7, 2);
    EXPECT_EQ(ReplaceText(nullptr, nullptr, s), 0);
    EXPECT_EQ(Reports(), (std::vector<std::string>{"SetScript", "KeyScript", "ScriptUtil", "Pixel2Char", "DrawJust",
                                                   "ReplaceTex"}));
}

// ---- Conversion maps from the resource file ----

TEST(ConversionMaps, AGreekSessionTakesThePairFromTheResourceFile)
{
    if (PRIMARYLANGID(GetUserDefaultLCID()) != LANG_GREEK)
        GTEST_SKIP() << "runs under LC_ALL=el_GR.UTF-8";
    if (sFork == "mapc") {
        for (int c = 0x80; c < 0x100; ++c) {
            uint8_t in = static_cast<uint8_t>(c), out[8] = {}, back = 0;
            // The ellipsis, the curly double quotes and the trade mark have plain-text stand-ins.
            bool standIn = c == 0xC9 || c == 0xD2 || c == 0xD3 || c == 0xAA;
            ZEL_MacToAnsiBuf(&in, out, 1, 0);
            if (!standIn) {
                EXPECT_EQ(out[0], 0x80 + (0xFF - c)) << "Macintosh " << c;
            }
            ASSERT_EQ(ZEL_AnsiToMacBuf(&in, &back, 1), 1);
            EXPECT_EQ(back, 0x80 + ((c * 7) & 0x7F)) << "ANSI " << c;
        }
    } else {
        // A map too short for its 128 entries: the built-in tables stay (Macintosh 0x8A is ANSI 0xE4).
        uint8_t mac = 0x8A, ansi = 0, again = 0;
        ASSERT_EQ(ZEL_MacToAnsiBuf(&mac, &ansi, 1, 0), 1);
        EXPECT_EQ(ansi, 0xE4);
        ASSERT_EQ(ZEL_AnsiToMacBuf(&ansi, &again, 1), 1);
        EXPECT_EQ(again, 0x8A);
    }
}

} // namespace

// The program's own fork, by --fork=:
//   plain   a 100-byte 'Cmps' of the session's language (too short: the built-in keys serve);
//   cmps    a 256-byte 'Cmps' (code c sorts as 255 - c) and a 1-byte 'LANG' 1000;
//   mapc    'MapC' 10004 (Macintosh to ANSI: c -> 0x80 + (0xFF - c)) and 10005 (ANSI to Macintosh:
//           c -> 0x80 + ((7c) & 0x7F)), 128 bytes each;
//   mapc64  the same with a 64-byte 'MapC' 10004.
int main(int argc, char **argv)
{
    testing::InitGoogleTest(&argc, argv);
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], "--fork=", 7) == 0)
            sFork = argv[i] + 7;
    testing_support::InstallDiagnosticCapture();
    using fork_layout::FourCC;
    const int16_t language = static_cast<int16_t>(GetUserDefaultLCID() & 0x3FF);
    std::vector<fork_layout::Resource> resources = {{FourCC("app "), 1, 0, false, {}, {1}}};
    fork_layout::Bytes macToAnsi(128), ansiToMac(128), cmps(256);
    for (int k = 0; k < 128; ++k) {
        macToAnsi[k] = static_cast<uint8_t>(0x80 + (0x7F - k));
        ansiToMac[k] = static_cast<uint8_t>(0x80 + (((0x80 + k) * 7) & 0x7F));
    }
    for (int c = 0; c < 256; ++c)
        cmps[c] = static_cast<uint8_t>(255 - c);
    if (sFork == "plain")
        resources.push_back({FourCC("Cmps"), language, 0, false, {}, fork_layout::Bytes(100, 'Z')});
    if (sFork == "cmps") {
        resources.push_back({FourCC("Cmps"), language, 0, false, {}, cmps});
        resources.push_back({FourCC("LANG"), 1000, 0, false, {}, {7}});
    }
    if (sFork == "mapc" || sFork == "mapc64") {
        if (sFork == "mapc64")
            macToAnsi.resize(64);
        resources.push_back({FourCC("MapC"), 10004, 0, false, {}, macToAnsi});
        resources.push_back({FourCC("MapC"), 10005, 0, false, {}, ansiToMac});
    }
    char program[MAX_PATH];
    GetModuleFileNameA(nullptr, program, MAX_PATH);
    std::string fork = program;
    fork = fork.substr(0, fork.rfind('.')) + ".RSR";
    fork_layout::WriteFileBytes(fork, fork_layout::BuildFork(resources));

    static SessionParamBlock block =
        testing_support::MakeSessionBlock(testing_support::CreateHostMainWindow(), zelFlagRawCallbacks);
    block.resourceFileName = "";
    ZEL_InitSession(&block);
    SetEnvironmentVariableA("RSRPATH", testing_support::ProgramDirectory().c_str());
    if (InitResources() <= 0) {
        std::fprintf(stderr, "InitResources failed: %d\n", ResError());
        return 1;
    }
    int result = RUN_ALL_TESTS();
    ZEL_ExitSession();
    return result;
}

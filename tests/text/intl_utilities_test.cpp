// International Utilities: comparison against the test's own model of the Macintosh Roman sort keys,
// ordinal comparison, case, numbers, and line breaks measured in a monospaced face.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <memory>
#include <vector>

#include "DateTimeUtils.h"
#include "IntlResources.h"
#include "Script.h"
#include "TextUtils.h"
#include "font_fixtures.h"
#include "qd_fixture.h"
#include "test_support.h"

namespace {

// ---- The comparator model: primary and secondary keys of every Macintosh Roman code ----

struct Keys {
    uint8_t primary, secondary;
};

std::vector<Keys> ModelKeys()
{
    std::vector<Keys> keys(256);
    for (int c = 0; c < 256; ++c)
        keys[c] = {static_cast<uint8_t>(c), 0};
    for (int c = 'a'; c <= 'z'; ++c)
        keys[c] = {static_cast<uint8_t>(c - 32), 10};
    // The marked letters and ligatures: code, primary, secondary.
    const int marked[][3] = {
        {0x80, 0x41, 4},  {0x81, 0x41, 6},  {0x82, 0x43, 1},  {0x83, 0x45, 1},  {0x84, 0x4E, 5},  {0x85, 0x4F, 4},
        {0x86, 0x55, 4},  {0x87, 0x41, 11}, {0x88, 0x41, 12}, {0x89, 0x41, 13}, {0x8A, 0x41, 14}, {0x8B, 0x41, 15},
        {0x8C, 0x41, 16}, {0x8D, 0x43, 11}, {0x8E, 0x45, 11}, {0x8F, 0x45, 12}, {0x90, 0x45, 13}, {0x91, 0x45, 14},
        {0x92, 0x49, 11}, {0x93, 0x49, 12}, {0x94, 0x49, 13}, {0x95, 0x49, 14}, {0x96, 0x4E, 15}, {0x97, 0x4F, 11},
        {0x98, 0x4F, 12}, {0x99, 0x4F, 13}, {0x9A, 0x4F, 14}, {0x9B, 0x4F, 15}, {0x9C, 0x55, 11}, {0x9D, 0x55, 12},
        {0x9E, 0x55, 13}, {0x9F, 0x55, 14}, {0xAE, 0xAE, 0},  {0xAF, 0xAF, 0},  {0xBE, 0xAE, 10}, {0xBF, 0xAF, 10},
        {0xCB, 0x41, 2},  {0xCC, 0x41, 5},  {0xCD, 0x4F, 5},  {0xCE, 0xCE, 0},  {0xCF, 0xCE, 10}, {0xD8, 0x59, 14},
        {0xD9, 0x59, 4},  {0xE5, 0x41, 3},  {0xE6, 0x45, 3},  {0xE7, 0x41, 1},  {0xE8, 0x45, 4},  {0xE9, 0x45, 2},
        {0xEA, 0x49, 1},  {0xEB, 0x49, 3},  {0xEC, 0x49, 4},  {0xED, 0x49, 2},  {0xEE, 0x4F, 1},  {0xEF, 0x4F, 3},
        {0xF1, 0x4F, 2},  {0xF2, 0x55, 1},  {0xF3, 0x55, 3},  {0xF4, 0x55, 2},
    };
    for (const auto &m : marked)
        keys[m[0]] = {static_cast<uint8_t>(m[1]), static_cast<uint8_t>(m[2])};
    return keys;
}

const std::vector<Keys> &Model()
{
    static const std::vector<Keys> keys = ModelKeys();
    return keys;
}

int Sign(int d) { return d < 0 ? -1 : d > 0 ? 1 : 0; }

// Primary keys over the common part, the shorter string less; lengths of 0 or less are empty.
int ModelPrimary(const std::string &a, const std::string &b)
{
    for (size_t i = 0; i < a.size() && i < b.size(); ++i)
        if (int d = Sign(Model()[uint8_t(a[i])].primary - Model()[uint8_t(b[i])].primary))
            return d;
    return Sign(int(a.size()) - int(b.size()));
}

int ModelCompare(const std::string &a, const std::string &b)
{
    if (int d = ModelPrimary(a, b))
        return d;
    for (size_t i = 0; i < a.size(); ++i)
        if (int d = Sign(Model()[uint8_t(a[i])].secondary - Model()[uint8_t(b[i])].secondary))
            return d;
    return 0;
}

int Mag(const std::string &a, const std::string &b)
{
    return IUMagString(a.data(), b.data(), int16_t(a.size()), int16_t(b.size()));
}

std::basic_string<unsigned char> P(const std::string &s)
{
    std::basic_string<unsigned char> p(1, static_cast<unsigned char>(s.size()));
    p.append(reinterpret_cast<const unsigned char *>(s.data()), s.size());
    return p;
}

std::string RandomString(std::mt19937 &random, size_t maxLength)
{
    std::string s(random() % (maxLength + 1), ' ');
    for (char &c : s)
        c = static_cast<char>(random() % 256);
    return s;
}

} // namespace

TEST(IntlCompare, EveryPairOfOneCharacterStringsFollowsTheModel)
{
    int wrong = 0;
    for (int a = 0; a < 256; ++a)
        for (int b = 0; b < 256; ++b) {
            std::string sa(1, char(a)), sb(1, char(b));
            int expected = ModelCompare(sa, sb);
            if (Mag(sa, sb) != expected && ++wrong <= 5)
                ADD_FAILURE() << std::hex << "0x" << a << " against 0x" << b << ": " << Mag(sa, sb) << ", model "
                              << expected;
        }
    EXPECT_EQ(wrong, 0);
}

TEST(IntlCompare, RandomStringsSortAsTheModelSorts)
{
    std::mt19937 random(90);
    std::vector<std::string> strings(2000);
    for (std::string &s : strings) {
        // Mostly letters and their marked forms, so that the secondary keys decide many ties.
        s = RandomString(random, 12);
        for (char &c : s)
            if (random() % 4)
                c = "aAbB\x80\x8A\x87\xE7\xCB\x88zZ"[random() % 12];
    }
    std::vector<std::string> byLibrary = strings, byModel = strings;
    std::stable_sort(byLibrary.begin(), byLibrary.end(), [](const std::string &a, const std::string &b) { return Mag(a, b) < 0; });
    std::stable_sort(byModel.begin(), byModel.end(), [](const std::string &a, const std::string &b) { return ModelCompare(a, b) < 0; });
    EXPECT_TRUE(byLibrary == byModel);
}

// IUCompString, IUEqualString and IUMagIDString against the model, on the edge cases and random pairs.
TEST(IntlCompare, PascalAndIdentityFormsFollowTheModel)
{
    struct Case {
        const char *a, *b;
        int compare, equal, magID;
    } cases[] = {
        {"apple", "Apple", 1, 0, 0},   // equal primaries: lower case sorts after upper case
        {"ab", "abc", -1, 1, 1},
        {"abc", "ab", 1, 1, 1},
        {"", "", 0, 0, 0},
        {"\x8A", "A", 1, 0, 0},        // a-grave after A, equal under the primary keys
        {"b", "\x80", 1, 1, 1},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(IUCompString(P(c.a).c_str(), P(c.b).c_str()), c.compare) << c.a << " / " << c.b;
        EXPECT_EQ(IUEqualString(P(c.a).c_str(), P(c.b).c_str()), c.equal) << c.a << " / " << c.b;
        EXPECT_EQ(IUMagIDString(c.a, c.b, int16_t(strlen(c.a)), int16_t(strlen(c.b))), c.magID) << c.a << " / " << c.b;
    }
    std::mt19937 random(7);
    for (int i = 0; i < 2000; ++i) {
        std::string a = RandomString(random, 6), b = RandomString(random, 6);
        ASSERT_EQ(IUCompString(P(a).c_str(), P(b).c_str()), ModelCompare(a, b));
        ASSERT_EQ(IUEqualString(P(a).c_str(), P(b).c_str()), ModelPrimary(a, b) != 0 ? 1 : 0);
        ASSERT_EQ(IUMagIDString(a.data(), b.data(), int16_t(a.size()), int16_t(b.size())),
                  a.size() != b.size() || ModelPrimary(a, b) != 0 ? 1 : 0);
    }
}

TEST(IntlCompare, LengthsOfZeroOrLessAreEmpty)
{
    EXPECT_EQ(IUMagString("abc", "xyz", -5, -2), 0);
    EXPECT_EQ(IUMagString("abc", "xyz", -5, 0), 0);
    EXPECT_EQ(IUMagString("abc", "xyz", -1, 2), -1);
    EXPECT_EQ(IUMagString("abc", "xyz", 2, -3), 1);
    EXPECT_EQ(IUMagIDString("abc", "xyz", -4, 0), 0);
}

TEST(IntlCompare, OrdinalComparisonTakesBytesAsSigned)
{
    struct Case {
        const char *a, *b;
        int16_t aLen, bLen;
        int expected;
        const char *shows;
    } cases[] = {
        {"\x80", "a", 1, 1, -1, "0x80 sorts before 'a'"},
        {"a", "\xE9", 1, 1, 1, "and 0xE9 too"},
        {"", "abc", 0, 3, -1, "empty before anything"},
        {"", "", 0, 0, 0, "both empty"},
        {"abc", "", 3, 0, 1, "anything after empty"},
        {"abc", "abd", 3, 3, -1, "the first difference decides"},
        {"abc", "abcd", 3, 4, -1, "a prefix is less"},
        {"abcd", "abc", 4, 3, 1, "the longer is greater"},
        {"aBc", "abc", 3, 3, -1, "case counts"},
        {"abc", "xyz", -2, -7, 0, "negative lengths are empty"},
        {"abc", "xyz", -2, 1, -1, "a negative length against one character"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(IUMagPString(c.a, c.b, c.aLen, c.bLen, nullptr), c.expected) << c.shows;
    EXPECT_EQ(IUCompPString(P("a").c_str(), P("b").c_str(), nullptr), 0);
    EXPECT_EQ(IUEqualPString(P("a").c_str(), P("a").c_str(), nullptr), -1);
    EXPECT_EQ(IUMagIDPString("a", "a", 1, 1, nullptr), -1);
}

TEST(IntlCase, UppercaseTextChangesOnlyAsciiLetters)
{
    char text[] = "abz AZ 09 \x8A\x87 {|}";
    UppercaseText(text, int16_t(strlen(text)), 0);
    EXPECT_STREQ(text, "ABZ AZ 09 \x8A\x87 {|}");
    char partial[] = "abcd";
    UppercaseText(partial, 2, 0);
    EXPECT_STREQ(partial, "ABcd");
    for (int16_t length : {int16_t(0), int16_t(-3)}) {
        char untouched[] = "abc";
        UppercaseText(untouched, length, 0);
        EXPECT_STREQ(untouched, "abc") << length;
    }
    UppercaseText(nullptr, 5, 0);
    char lower[] = "ABC";
    LowercaseText(lower, 3, 0);
    EXPECT_STREQ(lower, "ABC");
}

// ---- Numbers ----

TEST(IntlNumbers, StringToNumReadsEveryCharacter)
{
    struct Case {
        const char *text;
        int32_t expected;
    } cases[] = {
        {"-1-2", -12}, {"12a3", 123}, {"+-+5", 5}, {"", 0}, {"-", 0}, {"abc", 0},
        {"2147483647", INT32_MAX}, {"-2147483648", INT32_MIN}, {"4294967296", 0}, {"4294967297", 1},
    };
    for (const Case &c : cases) {
        int32_t out = 99;
        EXPECT_EQ(StringToNum(P(c.text).c_str(), &out), c.expected) << c.text;
        EXPECT_EQ(out, c.expected) << c.text;
    }
}

TEST(IntlNumbers, NumToStringRoundTrips)
{
    struct Case {
        int32_t value;
        const char *text;
    } cases[] = {{INT32_MIN, "-2147483648"}, {-1, "-1"}, {0, "0"}, {1, "1"}, {INT32_MAX, "2147483647"}, {1000000000, "1000000000"}, {-10, "-10"}};
    for (const Case &c : cases) {
        Str255 s;
        std::memset(s, 0xEE, sizeof s);
        NumToString(c.value, s);
        EXPECT_EQ(std::string(reinterpret_cast<char *>(s + 1), s[0]), c.text);
        int32_t back = 0;
        StringToNum(s, &back);
        EXPECT_EQ(back, c.value);
    }
    std::mt19937 random(10000);
    for (int i = 0; i < 10000; ++i) {
        int32_t value = static_cast<int32_t>(random());
        Str255 s;
        NumToString(value, s);
        ASSERT_EQ(std::string(reinterpret_cast<char *>(s + 1), s[0]), std::to_string(value));
        int32_t back = 0;
        ASSERT_EQ(StringToNum(s, &back), value);
    }
}

// ---- Line breaks ----

namespace {

// A port whose font is an enumerated monospaced face, w pixels a character.
class LineBreak : public testing_support::QuickDrawTest {
protected:
    void SetUp() override
    {
        QuickDrawTest::SetUp();
        const text_fixtures::EnumeratedFace *mono = nullptr;
        faces_ = text_fixtures::EnumerateFaces();
        for (const text_fixtures::EnumeratedFace &f : faces_)
            if ((f.pitchAndFamily & 3) == FIXED_PITCH && f.type == TRUETYPE_FONTTYPE && f.charSet == ANSI_CHARSET) {
                mono = &f;
                break;
            }
        ASSERT_NE(mono, nullptr) << "no monospaced TrueType face";
        port_.reset(new testing_support::DibPort(200, 50));
        // The port's font is the face at 12; the surface's DC holds the same font for GDI's measures.
        SetPor(port_->port());
        TextFont(text_fixtures::FontNumberOf(mono->name));
        TextSize(12);
        text_fixtures::BindBuffer bind{};
        ZEL_GetBindTextAttributesHFONT(&bind);
        font_ = CreateFontIndirectA(&bind.logFont);
        previous_ = SelectObject(port_->surface().dc(), font_);
        SIZE size;
        GetTextExtentPoint32A(port_->surface().dc(), "M", 1, &size);
        w_ = size.cx;
        for (const char *c : {"i", "1", ".", " "}) {
            GetTextExtentPoint32A(port_->surface().dc(), c, 1, &size);
            ASSERT_EQ(size.cx, w_) << mono->faceName << " is not monospaced";
        }
    }
    void TearDown() override
    {
        SelectObject(port_->surface().dc(), previous_);
        port_.reset();
        DeleteObject(font_);
        QuickDrawTest::TearDown();
    }
public:
    struct Break {
        StyledLineBreakCode code;
        int32_t offset;
        Fixed width;
    };
    Break Run(const char *text, int32_t start, int32_t end, int characters, int32_t length = -1)
    {
        Break b{};
        b.width = static_cast<Fixed>(characters * w_) << 16;
        b.offset = -1;
        b.code = StyledLineBreak(const_cast<char *>(text), length < 0 ? int32_t(strlen(text)) : length, start, end, 0,
                                 &b.width, &b.offset);
        return b;
    }

    // One line break on a thread of its own, so that a break that never returns is caught.
    struct Job {
        LineBreak *test;
        const char *text;
        Break result;
    };
    static DWORD WINAPI RunJob(void *p)
    {
        auto *j = static_cast<Job *>(p);
        j->result = j->test->Run(j->text, 0, int32_t(strlen(j->text)), 8);
        return 0;
    }

protected:
    std::vector<text_fixtures::EnumeratedFace> faces_;
    std::unique_ptr<testing_support::DibPort> port_;
    HFONT font_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    int32_t w_ = 0;
};

} // namespace

TEST_F(LineBreak, BreaksAtWordsReturnsAndCharacters)
{
    struct Case {
        const char *text;
        int32_t start, end;
        int characters;           // the width, in characters
        StyledLineBreakCode code;
        int32_t offset;           // from the text pointer
        int remaining;            // characters of width left
        const char *shows;
    } cases[] = {
        {"hello world", 0, 11, 8, smBreakWord, 6, 3, "after the word and its blank"},
        {"abcdefghijkl", 0, 12, 8, smBreakChar, 8, 0, "a word wider than the line"},
        {"ab\rcdef ghij", 0, 12, 8, smBreakWord, 3, 6, "after a return"},
        {"hi there", 0, 8, 20, smBreakOverflow, 8, 12, "narrower than the line"},
        {"xx hello world", 3, 14, 8, smBreakWord, 9, 3, "offsets count from the text pointer"},
        {"hello world", 0, 400, 8, smBreakWord, 6, 3, "an end past the length is the length"},
        {"hello world", 9, 4, 8, smBreakOverflow, 4, 8, "a start past the end is the end"},
        {"hello", 5, 5, 8, smBreakOverflow, 5, 8, "an empty range"},
    };
    for (const Case &c : cases) {
        Break b = Run(c.text, c.start, c.end, c.characters);
        EXPECT_EQ(b.code, c.code) << c.shows;
        EXPECT_EQ(b.offset, c.offset) << c.shows;
        EXPECT_EQ(b.width, static_cast<Fixed>(c.remaining * w_) << 16) << c.shows;
    }
}

// A run of digits or punctuation wider than the line still shrinks until it fits.
TEST_F(LineBreak, RunsWithoutLettersEnd)
{
    for (const char *text : {"123456789012345", "....,,,,;;;;!!!!", "ab 1234567890123"}) {
        Job job{this, text, {}};
        HANDLE thread = CreateThread(nullptr, 0, RunJob, &job, 0, nullptr);
        ASSERT_NE(thread, nullptr);
        if (WaitForSingleObject(thread, 10000) != WAIT_OBJECT_0) {
            // The stuck thread may hold any lock of the process: nothing more can run here.
            std::fprintf(stderr, "StyledLineBreak of \"%s\" did not return\n", text);
            std::fflush(stderr);
            TerminateProcess(GetCurrentProcess(), 3);
        }
        CloseHandle(thread);
        EXPECT_TRUE(job.result.code == smBreakWord || job.result.code == smBreakChar) << text;
        EXPECT_GT(job.result.offset, 0) << text;
        EXPECT_LE(job.result.offset, 8) << text;
    }
}

// This program never opens its resource files, so the international set-up never ran: the first date
// call builds the formats from the locale all the same.
TEST(DatesWithoutResourceFiles, TheFormatsComeFromTheLocale)
{
    Str255 date{}, time{};
    IUDateString(0, longDate, date);
    IUTimeString(0, false, time);
    std::string d(reinterpret_cast<char *>(date) + 1, date[0]), t(reinterpret_cast<char *>(time) + 1, time[0]);
    EXPECT_NE(d.find("1904"), std::string::npos) << d;
    EXPECT_GE(t.size(), 4u) << t;
    Handle numbers = GetIntlResource(0);
    ASSERT_NE(numbers, nullptr);
    EXPECT_NE(reinterpret_cast<Intl0Rec *>(*numbers)->timeSep, 0);
}

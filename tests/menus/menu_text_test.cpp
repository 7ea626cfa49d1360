// Windows menu texts from Macintosh item texts: typographic characters, ampersands, automatic mnemonics
// and the worst-case output size.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "Menus.h"
#include "test_support.h"

using testing_support::P;

namespace {

std::string Convert(const char *text, Boolean *used = nullptr)
{
    char out[ZEL_MENU_TEXT_MAX];
    char *end = ZEL_CopyMacPtoWinC(P(text).c_str(), out, used);
    EXPECT_EQ(*end, 0);
    EXPECT_EQ(end - out, static_cast<ptrdiff_t>(std::strlen(out)));
    return out;
}

struct TextCase {
    const char *what;
    const char *mac;
    const char *windows;
};

const TextCase kPlainCases[] = {
    {"ellipsis", "Save\xC9", "Save..."},
    {"dash", "En\xD1" "dash", "En-dash"},
    {"curly quotes", "\xD2Quote\xD3", "\"Quote\""},
    {"trade mark", "Brand\xAA", "Brand(tm)"},
    {"an ampersand is doubled", "Fish & Chips", "Fish && Chips"},
    {"a doubled ampersand stays one pair", "A&&B", "A&&B"},
    {"no mnemonic without a used-letters table", "File", "File"},
};

TEST(MenuText, TypographicCharactersAndAmpersands)
{
    for (const TextCase &c : kPlainCases)
        EXPECT_EQ(Convert(c.mac), c.windows) << c.what;
}

// One used-letters table across the rows, as the items of one bar menu share it.
const TextCase kMnemonicCases[] = {
    {"a free word-initial letter", "File", "&File"},
    {"no free word-initial letter: the first free consonant", "Find", "Fi&nd"},
    {"F and n are taken", "Format", "Fo&rmat"},
    {"a later word's initial", "Page Setup", "&Page Setup"},
    {"a word starts after a parenthesis", "P (Quick)", "P (&Quick)"},
    {"no free initial, a free consonant", "Print", "Prin&t"},
    {"vowels only: the first free vowel", "Aeiou", "&Aeiou"},
    {"initial and consonants taken: a free vowel", "aeiou", "a&eiou"},
    {"an ampersand is doubled, never the mnemonic", "& A", "&& A"},
};

TEST(MenuText, AutomaticMnemonicsAreUnique)
{
    Boolean used[26] = {};
    for (const TextCase &c : kMnemonicCases)
        EXPECT_EQ(Convert(c.mac, used), c.windows) << c.what;
    for (char letter : std::string("FNRPQTAE"))
        EXPECT_TRUE(used[letter - 'A']) << letter;
    EXPECT_FALSE(used['B' - 'A']);

    Boolean all[26];
    std::memset(all, 1, sizeof all);
    EXPECT_EQ(Convert("Open", all), "Open");
}

TEST(MenuText, HostMnemonicsUnderSessionFlag2)
{
    const uint32_t old = ZEL_SetFlags(zelFlagDoubleByte, zelFlagDoubleByte, 0, 0);
    Boolean used[26] = {};
    EXPECT_EQ(Convert("Fi&nd", used), "Fi&nd");
    EXPECT_TRUE(used['N' - 'A']);
    EXPECT_FALSE(used['F' - 'A']);
    EXPECT_EQ(Convert("Open", used), "Open"); // no automatic mnemonic
    ZEL_SetFlags(zelFlagDoubleByte, old, 0, 0);
}

TEST(MenuText, UpperHalfFollowsTheConversionSetting)
{
    const uint32_t old = ZEL_SystemValue(1, 24, 1);
    EXPECT_EQ(Convert("caf\x8E"), "caf\xE9"); // e acute: 0x8E on the Macintosh, 0xE9 in ANSI
    ZEL_SystemValue(1, 24, 0);
    EXPECT_EQ(Convert("caf\x8E"), "caf\x8E");
    ZEL_SystemValue(1, 24, old);
}

TEST(MenuText, WorstCaseFitsTheDocumentedSize)
{
    // 255 trade-mark signs become 1,020 characters; a mnemonic could add one more and the NUL ends it.
    unsigned char text[256];
    text[0] = 255;
    std::memset(text + 1, 0xAA, 255);
    char out[ZEL_MENU_TEXT_MAX + 32];
    std::memset(out, 0x5A, sizeof out);
    Boolean used[26] = {};
    char *end = ZEL_CopyMacPtoWinC(text, out, used);
    EXPECT_EQ(end - out, 1020);
    for (size_t i = 1021; i < sizeof out; ++i)
        ASSERT_EQ(out[i], 0x5A) << "byte " << i << " written";
    EXPECT_EQ(std::string(out, 8), "(tm)(tm)");
    static_assert(ZEL_MENU_TEXT_MAX == 4 * 255 + 2, "the worst case of a 255-character text");
}

} // namespace

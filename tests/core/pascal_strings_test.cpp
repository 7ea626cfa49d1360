// Pascal strings: the conversions to and from NUL-terminated strings and the PLstr routines.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "PLStringFuncs.h"
#include "test_support.h"

using testing_support::P;

namespace {

using PString = std::basic_string<unsigned char>;

// A Pascal string of n characters 'a', 'b', ... cycling through the alphabet.
PString Letters(int n)
{
    PString s(1, static_cast<unsigned char>(n));
    for (int i = 0; i < n; ++i)
        s.push_back(static_cast<unsigned char>('a' + i % 26));
    return s;
}

// A 257-byte buffer: a Str255 and one guard byte after it.
struct GuardedStr255 {
    unsigned char bytes[257];
    GuardedStr255() { std::memset(bytes, 0xEE, sizeof bytes); }
    explicit GuardedStr255(const PString &s) : GuardedStr255() { std::memcpy(bytes, s.data(), s.size()); }
    StringPtr str() { return bytes; }
    PString value() const { return PString(bytes, bytes + 1 + bytes[0]); }
    bool guardIntact() const { return bytes[256] == 0xEE; }
};

// Read-only copies of Pascal strings, each ending at the end of a page with an inaccessible page after
// it: a routine that writes into a string, or reads past its length byte's count, faults.
class ReadOnlyStrings {
public:
    ReadOnlyStrings()
    {
        mem_ = static_cast<unsigned char *>(VirtualAlloc(nullptr, 4 * kPage, MEM_COMMIT, PAGE_READWRITE));
    }
    ~ReadOnlyStrings() { VirtualFree(mem_, 0, MEM_RELEASE); }
    // Places two strings (pages 0 and 2) and protects everything.
    void Place(const PString &a, const PString &b)
    {
        a_ = mem_ + kPage - a.size();
        b_ = mem_ + 3 * kPage - b.size();
        std::memcpy(a_, a.data(), a.size());
        std::memcpy(b_, b.data(), b.size());
        DWORD old;
        VirtualProtect(mem_, kPage, PAGE_READONLY, &old);
        VirtualProtect(mem_ + kPage, kPage, PAGE_NOACCESS, &old);
        VirtualProtect(mem_ + 2 * kPage, kPage, PAGE_READONLY, &old);
        VirtualProtect(mem_ + 3 * kPage, kPage, PAGE_NOACCESS, &old);
    }
    const unsigned char *a() const { return a_; }
    const unsigned char *b() const { return b_; }

private:
    static constexpr size_t kPage = 4096;
    unsigned char *mem_;
    unsigned char *a_ = nullptr;
    unsigned char *b_ = nullptr;
};

const unsigned char *At(Ptr p) { return reinterpret_cast<const unsigned char *>(p); }

} // namespace

TEST(PascalStrings, CopyPtoPCopiesLengthAndCharactersOnly)
{
    for (int n : {0, 1, 255}) {
        GuardedStr255 dst;
        PString src = Letters(n);
        ZEL_CopyPtoP(src.data(), dst.str());
        EXPECT_EQ(dst.value(), src) << n;
        EXPECT_EQ(dst.bytes[n + 1], 0xEE) << "no byte after the characters, length " << n;
    }
}

TEST(PascalStrings, CopyPtoCEndsWithNulAndWorksInPlace)
{
    for (int n : {0, 1, 255}) {
        char dst[258];
        std::memset(dst, 0x11, sizeof dst);
        PString src = Letters(n);
        EXPECT_EQ(ZEL_CopyPtoC(src.data(), dst), dst);
        EXPECT_EQ(std::string(dst), std::string(src.begin() + 1, src.end())) << n;
        EXPECT_EQ(dst[n + 1], 0x11) << n;

        GuardedStr255 same(src);
        char *c = reinterpret_cast<char *>(same.str());
        EXPECT_EQ(ZEL_CopyPtoC(same.str(), c), c);
        EXPECT_EQ(std::string(c), std::string(src.begin() + 1, src.end())) << "in place, " << n;
    }
}

TEST(PascalStrings, CopyCtoPKeepsAtMost255Characters)
{
    struct Case {
        size_t length;
        int stored;
    };
    for (Case c : {Case{0, 0}, Case{1, 1}, Case{255, 255}, Case{256, 255}, Case{300, 255}}) {
        std::string text;
        for (size_t i = 0; i < c.length; ++i)
            text.push_back(static_cast<char>('a' + i % 26));
        GuardedStr255 dst;
        EXPECT_EQ(ZEL_CopyCtoP(text.c_str(), dst.str()), dst.str());
        EXPECT_EQ(dst.value(), Letters(c.stored)) << c.length;
        EXPECT_TRUE(dst.guardIntact()) << c.length;

        // In place, in a buffer that holds the whole C string.
        std::string buf = text;
        buf.push_back(0);
        StringPtr p = reinterpret_cast<StringPtr>(&buf[0]);
        ZEL_CopyCtoP(buf.c_str(), p);
        EXPECT_EQ(PString(p, p + 1 + p[0]), Letters(c.stored)) << "in place, " << c.length;
    }
}

TEST(PascalStrings, CompareAsUnsignedBytesThenByLength)
{
    struct Case {
        const char *a;
        const char *b;
        int16_t cmp;
    };
    const Case cases[] = {
        {"ab", "abc", -1},   // equal prefix, first shorter
        {"abc", "ab", 1},    // equal prefix, first longer
        {"ab", "ab", 0},
        {"", "", 0},
        {"", "a", -1},
        {"abd", "abc", 1},   // byte difference 'd' - 'c'
        {"a", "e", -4},
        {"\xE9", "a", 0xE9 - 'a'}, // unsigned: a high character sorts after ASCII
    };
    for (const Case &c : cases)
        EXPECT_EQ(PLstrcmp(P(c.a).data(), P(c.b).data()), c.cmp) << c.a << " vs " << c.b;
}

TEST(PascalStrings, CompareAtMostTheCount)
{
    struct Case {
        const char *a;
        const char *b;
        int16_t count;
        int16_t cmp;
    };
    const Case cases[] = {
        {"ab", "abc", 2, 0},   // the first two characters agree
        {"ab", "abc", 5, -1},  // the shorter one compares less
        {"abc", "ab", 5, 1},
        {"ab", "ab", 5, 0},    // both end together before the count
        {"abc", "abd", 2, 0},
        {"abc", "abd", 3, -1},
        {"x", "y", 0, 0},
        {"x", "y", -2, 0},
    };
    for (const Case &c : cases)
        EXPECT_EQ(PLstrncmp(P(c.a).data(), P(c.b).data(), c.count), c.cmp)
            << c.a << " vs " << c.b << " count " << c.count;
}

TEST(PascalStrings, CopyRoutinesSetTheLength)
{
    GuardedStr255 dst(P("old contents"));
    EXPECT_EQ(PLstrcpy(dst.str(), P("new").data()), dst.str());
    EXPECT_EQ(dst.value(), P("new"));
    PLstrcpy(dst.str(), Letters(255).data());
    EXPECT_EQ(dst.value(), Letters(255));
    EXPECT_TRUE(dst.guardIntact());

    struct Case {
        int16_t count;
        const char *result;
    };
    for (Case c : {Case{3, "hel"}, Case{5, "hello"}, Case{50, "hello"}, Case{0, ""}, Case{-1, ""}}) {
        GuardedStr255 d(P("zzzzzzzz"));
        EXPECT_EQ(PLstrncpy(d.str(), P("hello").data(), c.count), d.str());
        EXPECT_EQ(d.value(), P(c.result)) << c.count;
    }
}

TEST(PascalStrings, ConcatenationStopsAt255Characters)
{
    GuardedStr255 d(P("abc"));
    EXPECT_EQ(PLstrcat(d.str(), P("def").data()), d.str());
    EXPECT_EQ(d.value(), P("abcdef"));
    PLstrcat(d.str(), P("").data());
    EXPECT_EQ(d.value(), P("abcdef"));
    EXPECT_EQ(PLstrncat(d.str(), P("ghijk").data(), 2), d.str());
    EXPECT_EQ(d.value(), P("abcdefgh"));
    PLstrncat(d.str(), P("ijk").data(), 10);
    EXPECT_EQ(d.value(), P("abcdefghijk"));

    // 250 + 10 characters: five are appended, the length byte says 255 and the guard is intact.
    GuardedStr255 full(Letters(250));
    PLstrcat(full.str(), P("0123456789").data());
    EXPECT_EQ(full.bytes[0], 255);
    EXPECT_EQ(std::memcmp(full.bytes + 251, "01234", 5), 0);
    EXPECT_TRUE(full.guardIntact());
    GuardedStr255 full2(Letters(250));
    PLstrncat(full2.str(), Letters(255).data(), 200);
    EXPECT_EQ(full2.bytes[0], 255);
    EXPECT_TRUE(full2.guardIntact());

    // A string appended to itself.
    GuardedStr255 twice(P("xy"));
    PLstrcat(twice.str(), twice.str());
    EXPECT_EQ(twice.value(), P("xyxy"));
}

TEST(PascalStrings, CharacterSearchesReturnTheCharactersAddress)
{
    GuardedStr255 s(P("abcabc\xE9"));
    s.bytes[8] = 'z'; // beyond the length: never found
    EXPECT_EQ(At(PLstrchr(s.str(), 'b')), s.bytes + 2);
    EXPECT_EQ(At(PLstrrchr(s.str(), 'b')), s.bytes + 5);
    EXPECT_EQ(At(PLstrchr(s.str(), 0xE9)), s.bytes + 7);
    EXPECT_EQ(PLstrchr(s.str(), 'z'), nullptr);
    EXPECT_EQ(PLstrrchr(s.str(), 'z'), nullptr);
    EXPECT_EQ(PLstrchr(P("").data(), 0), nullptr);

    EXPECT_EQ(At(PLstrpbrk(s.str(), P("xc").data())), s.bytes + 3);
    EXPECT_EQ(PLstrpbrk(s.str(), P("xyz").data()), nullptr);
    EXPECT_EQ(PLstrpbrk(s.str(), P("").data()), nullptr);

    struct Case {
        const char *str;
        const char *set;
        int16_t span;
    };
    for (Case c : {Case{"aabbc", "ab", 4}, Case{"abc", "cba", 3}, Case{"xab", "ab", 0}, Case{"", "ab", 0},
                   Case{"abc", "", 0}})
        EXPECT_EQ(PLstrspn(P(c.str).data(), P(c.set).data()), c.span) << c.str << " in " << c.set;

    EXPECT_EQ(PLstrlen(P("").data()), 0);
    EXPECT_EQ(PLstrlen(Letters(255).data()), 255);
}

TEST(PascalStrings, SubstringSearchFindsThePosition)
{
    struct Case {
        const char *str;
        const char *search;
        int16_t pos; // 1-based, 0 when absent
    };
    const Case cases[] = {
        {"hello world", "world", 7},
        {"hello world", "o", 5},
        {"hello world", "hello world", 1},
        {"world", "hello world", 0}, // the longer string is never inside the shorter
        {"hello", "xyz", 0},
        {"hello", "", 1},            // an empty search string is found at the start
        {"", "", 1},
        {"", "a", 0},
    };
    for (const Case &c : cases) {
        PString str = P(c.str), search = P(c.search);
        EXPECT_EQ(PLpos(str.data(), search.data()), c.pos) << c.search << " in " << c.str;
        Ptr found = PLstrstr(str.data(), search.data());
        const unsigned char *expected = c.pos ? str.data() + c.pos : nullptr;
        EXPECT_EQ(At(found), expected) << c.search << " in " << c.str;
    }
    EXPECT_EQ(PLpos(Letters(255).data(), P("uvw").data()), 21);
}

TEST(PascalStrings, SubstringSearchNeverWritesIntoTheCallersStrings)
{
    // Both strings are read-only and end right before an inaccessible page: searching them neither
    // writes a terminating NUL nor reads past them.
    ReadOnlyStrings strings;
    strings.Place(Letters(255), P("xyz"));
    EXPECT_EQ(PLpos(strings.a(), strings.b()), 24);
    EXPECT_EQ(At(PLstrstr(strings.a(), strings.b())), strings.a() + 24);
    EXPECT_EQ(PLpos(strings.b(), strings.a()), 0);
    EXPECT_EQ(PLstrstr(strings.b(), strings.a()), nullptr);

    ReadOnlyStrings full;
    full.Place(Letters(255), Letters(255));
    EXPECT_EQ(PLpos(full.a(), full.b()), 1);
    EXPECT_EQ(PLstrcmp(full.a(), full.b()), 0);
    EXPECT_EQ(PLstrncmp(full.a(), full.b(), 300), 0);
    EXPECT_EQ(PLstrspn(full.a(), full.b()), 255);
}

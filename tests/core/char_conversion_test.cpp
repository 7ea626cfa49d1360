// Macintosh/ANSI conversion of buffers through the exported calls: the default tables over every byte,
// the switch, the typographic stand-ins and the room they need, and replaced tables.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "test_support.h"

namespace {

// The default tables, upper halves, as the Macintosh Roman and Windows-1252 character sets pair them.
const uint8_t kMacToAnsi[128] = {
    0xC4, 0xC5, 0xC7, 0xC9, 0xD1, 0xD6, 0xDC, 0xE1, 0xE0, 0xE2, 0xE4, 0xE3, 0xE5, 0xE7, 0xE9, 0xE8, // 80
    0xEA, 0xEB, 0xED, 0xEC, 0xEE, 0xEF, 0xF1, 0xF3, 0xF2, 0xF4, 0xF6, 0xF5, 0xFA, 0xF9, 0xFB, 0xFC, // 90
    0x86, 0xB0, 0xA2, 0xA3, 0xA7, 0x95, 0xB6, 0xDF, 0xAE, 0xA9, 0x99, 0xB4, 0xA8, 0x80, 0xC6, 0xD8, // A0
    0x81, 0xB1, 0x8D, 0x8E, 0xA5, 0xB5, 0x8F, 0x90, 0xDE, 0xFE, 0x9D, 0xAA, 0xBA, 0xA6, 0xE6, 0xF8, // B0
    0xBF, 0xA1, 0xAC, 0xB2, 0x83, 0xB3, 0xB1, 0xAB, 0xBB, 0x85, 0xA0, 0xC0, 0xC3, 0xD5, 0x8C, 0x9C, // C0
    0x96, 0x97, 0x93, 0x94, 0x91, 0x92, 0xF7, 0xBE, 0xFF, 0x9F, 0xBD, 0xA4, 0x8B, 0x9B, 0x8A, 0x9A, // D0
    0x87, 0xB7, 0x82, 0x84, 0x89, 0xC2, 0xCA, 0xC1, 0xCB, 0xC8, 0xCD, 0xCE, 0xCF, 0xCC, 0xD3, 0xD4, // E0
    0xAD, 0xD2, 0xDA, 0xDB, 0xD9, 0xD0, 0x88, 0x98, 0xAF, 0xBC, 0xDD, 0xD7, 0xB8, 0x9E, 0xF0, 0xB9, // F0
};
const uint8_t kAnsiToMac[128] = {
    0xAD, 0xB0, 0xE2, 0xC4, 0xE3, 0xC9, 0xA0, 0xE0, 0xF6, 0xE4, 0xDE, 0xDC, 0xCE, 0xB2, 0xB3, 0xB6, // 80
    0xB7, 0xD4, 0xD5, 0xD2, 0xD3, 0xA5, 0xD0, 0xD1, 0xF7, 0xAA, 0xDF, 0xDD, 0xCF, 0xBA, 0xFD, 0xD9, // 90
    0xCA, 0xC1, 0xA2, 0xA3, 0xDB, 0xB4, 0xBD, 0xA4, 0xAC, 0xA9, 0xBB, 0xC7, 0xC2, 0xF0, 0xA8, 0xF8, // A0
    0xA1, 0xC6, 0xC3, 0xC5, 0xAB, 0xB5, 0xA6, 0xE1, 0xFC, 0xFF, 0xBC, 0xC8, 0xF9, 0xDA, 0xD7, 0xC0, // B0
    0xCB, 0xE7, 0xE5, 0xCC, 0x80, 0x81, 0xAE, 0x82, 0xE9, 0x83, 0xE6, 0xE8, 0xED, 0xEA, 0xEB, 0xEC, // C0
    0xF5, 0x84, 0xF1, 0xEE, 0xEF, 0xCD, 0x85, 0xFB, 0xAF, 0xF4, 0xF2, 0xF3, 0x86, 0xFA, 0xB8, 0xA7, // D0
    0x88, 0x87, 0x89, 0x8B, 0x8A, 0x8C, 0xBE, 0x8D, 0x8F, 0x8E, 0x90, 0x91, 0x93, 0x92, 0x94, 0x95, // E0
    0xFE, 0x96, 0x98, 0x97, 0x99, 0x9B, 0x9A, 0xD6, 0xBF, 0x9D, 0x9C, 0x9E, 0x9F, 0xFF, 0xB9, 0xD8, // F0
};

uint8_t ExpectedMacToAnsi(int c) { return static_cast<uint8_t>(c < 0x80 ? c : kMacToAnsi[c - 0x80]); }
uint8_t ExpectedAnsiToMac(int c) { return static_cast<uint8_t>(c < 0x80 ? c : kAnsiToMac[c - 0x80]); }

using Bytes = std::vector<uint8_t>;

// Converts with room for the worst case and checks that nothing past the returned length was touched.
Bytes MacToAnsi(const Bytes &mac, int16_t flags)
{
    Bytes out(mac.size() * 4 + 16, 0xEE);
    int32_t n = ZEL_MacToAnsiBuf(mac.data(), out.data(), static_cast<uint16_t>(mac.size()), flags);
    EXPECT_GE(n, 0);
    for (size_t i = n; i < out.size(); ++i)
        if (out[i] != 0xEE) {
            ADD_FAILURE() << "byte " << i << " written past the returned length " << n;
            break;
        }
    out.resize(n);
    return out;
}

Bytes AnsiToMac(const Bytes &ansi)
{
    Bytes out(ansi.size() + 16, 0xEE);
    int32_t n = ZEL_AnsiToMacBuf(ansi.data(), out.data(), static_cast<int16_t>(ansi.size()));
    EXPECT_GE(n, 0);
    EXPECT_EQ(out[n], 0xEE) << "nothing written past the returned length";
    out.resize(n);
    return out;
}

Bytes AllBytes(int from)
{
    Bytes b;
    for (int c = from; c < 256; ++c)
        b.push_back(static_cast<uint8_t>(c));
    return b;
}

// Puts the conversion back to its start-up state for the cases that follow.
struct DefaultConversion {
    DefaultConversion() { Restore(); }
    ~DefaultConversion() { Restore(); }
    static void Restore()
    {
        SetMacCharConversion(1);
        SetCharConversionTables(kAnsiToMac, kMacToAnsi);
    }
};

} // namespace

TEST(CharConversion, DefaultTablesOverEveryByte)
{
    DefaultConversion conversion;
    // Raw: every one of the 256 bytes goes through the table alone (NUL and line ends included).
    Bytes mac = AllBytes(0);
    Bytes ansi = MacToAnsi(mac, macToAnsiRaw);
    ASSERT_EQ(ansi.size(), 256u);
    for (int c = 0; c < 256; ++c)
        EXPECT_EQ(ansi[c], ExpectedMacToAnsi(c)) << "Macintosh 0x" << std::hex << c;

    // ANSI to Macintosh stops at a NUL, so 0 is checked on its own.
    Bytes back = AnsiToMac(AllBytes(1));
    ASSERT_EQ(back.size(), 255u);
    for (int c = 1; c < 256; ++c)
        EXPECT_EQ(back[c - 1], ExpectedAnsiToMac(c)) << "ANSI 0x" << std::hex << c;
    uint8_t nul = 0, out = 0xEE;
    EXPECT_EQ(ZEL_AnsiToMacBuf(&nul, &out, 1), 0);
    EXPECT_EQ(out, 0xEE);

    // e with acute accent, both ways.
    EXPECT_EQ(MacToAnsi({0x8E}, 0), Bytes{0xE9});
    EXPECT_EQ(AnsiToMac({0xE9}), Bytes{0x8E});
}

TEST(CharConversion, RoundTripsAreTheIdentityWhereTheTablesAreInverse)
{
    DefaultConversion conversion;
    // Macintosh -> ANSI -> Macintosh: every byte but 0xB1, which shares ANSI 0xB1 with 0xC6.
    Bytes mac = AllBytes(1);
    Bytes there = MacToAnsi(mac, macToAnsiRaw);
    Bytes back = AnsiToMac(there);
    ASSERT_EQ(back.size(), mac.size());
    for (size_t i = 0; i < mac.size(); ++i)
        if (mac[i] != 0xB1) {
            EXPECT_EQ(back[i], mac[i]) << "Macintosh 0x" << std::hex << int(mac[i]);
        }
    EXPECT_EQ(AnsiToMac(MacToAnsi({0xB1}, macToAnsiRaw)), Bytes{0xC6});

    // ANSI -> Macintosh -> ANSI: every byte but 0xFD, which shares Macintosh 0xFF with 0xB9.
    Bytes ansi = AllBytes(1);
    Bytes mac2 = AnsiToMac(ansi);
    Bytes ansi2 = MacToAnsi(mac2, macToAnsiRaw);
    ASSERT_EQ(ansi2.size(), ansi.size());
    for (size_t i = 0; i < ansi.size(); ++i)
        if (ansi[i] != 0xFD) {
            EXPECT_EQ(ansi2[i], ansi[i]) << "ANSI 0x" << std::hex << int(ansi[i]);
        }
    EXPECT_EQ(MacToAnsi(AnsiToMac({0xFD}), macToAnsiRaw), Bytes{0xB9});
}

TEST(CharConversion, SwitchOffPassesTheUpperHalf)
{
    DefaultConversion conversion;
    SetMacCharConversion(0);
    Bytes mac = AllBytes(1);
    EXPECT_EQ(MacToAnsi(mac, macToAnsiRaw), mac);
    EXPECT_EQ(AnsiToMac(mac), mac);
    // The stand-ins do not depend on the switch.
    EXPECT_EQ(MacToAnsi({0xC9}, 0), (Bytes{'.', '.', '.'}));
}

TEST(CharConversion, TypographicStandInsAndLineEnds)
{
    DefaultConversion conversion;
    struct Case {
        const char *what;
        Bytes mac;
        int16_t flags;
        Bytes ansi;
    };
    const Case cases[] = {
        {"quotes and ellipsis", {0xD2, 'a', 0xD3, 0xC9}, 0, {'"', 'a', '"', '.', '.', '.'}},
        {"raw: the table alone", {0xD2, 'a', 0xD3, 0xC9}, macToAnsiRaw, {0x93, 'a', 0x94, 0x85}},
        {"trade mark", {'X', 0xAA}, 0, {'X', '(', 't', 'm', ')'}},
        {"raw trade mark", {0xAA}, macToAnsiRaw, {0x99}},
        {"line ends dropped", {'a', 13, 10, 'b'}, macToAnsiDropLineEnds, {'a', 'b'}},
        {"line ends kept", {'a', 13, 10, 'b'}, 0, {'a', 13, 10, 'b'}},
        {"double-byte flag: no table", {0x8E, 'a'}, macToAnsiDoubleByte | macToAnsiRaw, {0x8E, 'a'}},
        // Single bytes of double-byte text are katakana, not Roman punctuation: no stand-ins either,
        // even on this single-byte code page where no byte is a lead byte.
        {"double-byte flag: no stand-ins", {0xC9, 0xAA, 0xD2, 0xD3, 0x8E, 'a'}, macToAnsiDoubleByte,
         {0xC9, 0xAA, 0xD2, 0xD3, 0x8E, 'a'}},
        {"the same bytes as Roman text", {0xC9, 0xAA, 0xD2, 0xD3, 0x8E, 'a'}, 0,
         {'.', '.', '.', '(', 't', 'm', ')', '"', '"', 0xE9, 'a'}},
        {"empty", {}, 0, {}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(MacToAnsi(c.mac, c.flags), c.ansi) << c.what;
}

TEST(CharConversion, WorstCaseExpansionStaysInsideFourTimesTheLength)
{
    DefaultConversion conversion;
    // 255 trade-mark signs (a full Pascal string) need 1020 bytes; the byte after them is untouched.
    Bytes mac(255, 0xAA);
    std::vector<uint8_t> out(255 * 4 + 1, 0xEE);
    EXPECT_EQ(ZEL_MacToAnsiBuf(mac.data(), out.data(), 255, 0), 1020);
    EXPECT_EQ(std::memcmp(out.data() + 1016, "(tm)", 4), 0);
    EXPECT_EQ(out[1020], 0xEE);

    // The length is unsigned 16-bit: 40000 bytes are converted, not a negative count.
    Bytes big(40000, 'x');
    EXPECT_EQ(MacToAnsi(big, 0).size(), 40000u);
}

TEST(CharConversion, ConvertingInPlaceReadsEverySourceByteBeforeOverwritingIt)
{
    DefaultConversion conversion;
    uint8_t buf[32] = {'a', 0xAA, 0xC9, 0x8E};
    EXPECT_EQ(ZEL_MacToAnsiBuf(buf, buf, 4, 0), 9);
    EXPECT_EQ(std::memcmp(buf, "a(tm)...\xE9", 9), 0);

    uint8_t ansi[] = {0xE9, 'b', 0xFC};
    EXPECT_EQ(ZEL_AnsiToMacBuf(ansi, ansi, 3), 3);
    EXPECT_EQ(Bytes(ansi, ansi + 3), (Bytes{0x8E, 'b', 0x9F}));
}

TEST(CharConversion, AnsiToMacStopsAtNulAndIgnoresEmptyLengths)
{
    DefaultConversion conversion;
    uint8_t src[] = {'a', 0xE9, 0, 'z', 0xE9};
    uint8_t dst[8];
    std::memset(dst, 0xEE, sizeof dst);
    EXPECT_EQ(ZEL_AnsiToMacBuf(src, dst, 5), 2);
    EXPECT_EQ(dst[0], 'a');
    EXPECT_EQ(dst[1], 0x8E);
    EXPECT_EQ(dst[2], 0xEE) << "the NUL is not copied";

    std::memset(dst, 0xEE, sizeof dst);
    EXPECT_EQ(ZEL_AnsiToMacBuf(src, dst, 0), 0);
    EXPECT_EQ(ZEL_AnsiToMacBuf(src, dst, -3), 0);
    EXPECT_EQ(ZEL_MacToAnsiBuf(src, dst, 0, 0), 0);
    EXPECT_EQ(dst[0], 0xEE);
}

TEST(CharConversion, ReplacedTablesServeBothDirections)
{
    DefaultConversion conversion;
    // Tables that tell the directions apart: Macintosh c -> ANSI 0x80 + (c + 1) % 128, ANSI c -> Macintosh
    // 0x80 + (c + 2) % 128.
    uint8_t toAnsi[128], toMac[128];
    for (int k = 0; k < 128; ++k) {
        toAnsi[k] = static_cast<uint8_t>(0x80 + (k + 1) % 128);
        toMac[k] = static_cast<uint8_t>(0x80 + (k + 2) % 128);
    }
    SetCharConversionTables(toMac, toAnsi);
    EXPECT_EQ(MacToAnsi({0x80, 0xFF, 'q'}, macToAnsiRaw), (Bytes{0x81, 0x80, 'q'}));
    EXPECT_EQ(AnsiToMac({0x80, 0xFF, 'q'}), (Bytes{0x82, 0x81, 'q'}));

    // A missing table leaves that direction as it was.
    SetCharConversionTables(nullptr, kMacToAnsi);
    EXPECT_EQ(MacToAnsi({0x8E}, 0), Bytes{0xE9});
    EXPECT_EQ(AnsiToMac({0x80}), Bytes{0x82});
}

// ZEL_MacToAnsiBuf as text drawing uses it: measured advances, blank counts, password mode and the
// current port's double-byte mark; and double-byte text under a double-byte ANSI code page.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "core_services.h"
#include "test_support.h"

// The conversion code is built into this program without the settings table; its switch (setting 24)
// lives in this stand-in.
namespace {
int32_t sConversionSetting = 1;
}
int32_t LibrarySetting(LibrarySettingNumber) { return sConversionSetting; }
void SetLibrarySetting(LibrarySettingNumber, int32_t value) { sConversionSetting = value; }

namespace {

using Bytes = std::vector<uint8_t>;

constexpr Fixed kOne = 0x10000;

// Answers of the services the conversion asks, set per case.
bool sPassword;
bool sPortDoubleByte;
bool PasswordMode() { return sPassword; }
bool PortDoubleByte() { return sPortDoubleByte; }
int16_t TenTimes(int32_t advance) { return static_cast<int16_t>(advance * 10); }

// Installs the service answers and a measuring record over buffers pre-filled with a marker.
struct TextDrawing : testing::Test {
    Fixed widths[256] = {};
    int32_t device[64];
    int16_t source[64];
    MacToAnsiMeasure measure{};

    void SetUp() override
    {
        sPassword = sPortDoubleByte = false;
        SetPasswordModeQuery(PasswordMode);
        SetPortDoubleByteTextQuery(PortDoubleByte);
        std::fill(std::begin(device), std::end(device), -99);
        std::fill(std::begin(source), std::end(source), -99);
        measure.widths = widths;
        measure.deviceAdvances = device;
        measure.sourceAdvances = source;
        SetMacToAnsiMeasure(&measure);
    }
    void TearDown() override
    {
        SetMacToAnsiMeasure(nullptr);
        SetPasswordModeQuery(nullptr);
        SetPortDoubleByteTextQuery(nullptr);
    }

    Bytes Convert(const Bytes &mac, int16_t flags)
    {
        uint8_t out[256];
        int32_t n = ZEL_MacToAnsiBuf(mac.data(), out, static_cast<uint16_t>(mac.size()), flags);
        return Bytes(out, out + n);
    }
    std::vector<int32_t> Device(size_t n) const { return std::vector<int32_t>(device, device + n); }
    std::vector<int16_t> Source(size_t n) const { return std::vector<int16_t>(source, source + n); }
};

bool DoubleByteCodePage()
{
    CPINFO cp{};
    return GetCPInfo(CP_ACP, &cp) && cp.MaxCharSize >= 2;
}

// Bytes copied to the end of a page with an inaccessible page after it: reading past them faults.
class PageEnd {
public:
    explicit PageEnd(const Bytes &b)
    {
        mem_ = static_cast<uint8_t *>(VirtualAlloc(nullptr, 2 * 4096, MEM_COMMIT, PAGE_READWRITE));
        data_ = mem_ + 4096 - b.size();
        std::memcpy(data_, b.data(), b.size());
        DWORD old;
        VirtualProtect(mem_ + 4096, 4096, PAGE_NOACCESS, &old);
    }
    ~PageEnd() { VirtualFree(mem_, 0, MEM_RELEASE); }
    const uint8_t *data() const { return data_; }

private:
    uint8_t *mem_;
    uint8_t *data_;
};

} // namespace

TEST_F(TextDrawing, AdvancesCarryTheirFractionsAndAddUpToTheRoundedTotal)
{
    widths['a'] = kOne + kOne / 2;     // 1.5
    widths[' '] = 2 * kOne;            // 2.0, and spExtra 0.5
    widths['.'] = kOne + kOne / 4;     // 1.25
    measure.spExtra = kOne / 2;
    // "a a", an ellipsis and a dropped carriage return.
    Bytes out = Convert({'a', ' ', 'a', 0xC9, 13}, macToAnsiMeasure | macToAnsiDropLineEnds);
    EXPECT_EQ(out, (Bytes{'a', ' ', 'a', '.', '.', '.'}));
    // Fractions carried: 1.5 -> 2 (-0.5 left), 2.5 -> 2, 1.5 -> 2, then 1.25 three times -> 1, 1, 1.
    EXPECT_EQ(Device(6), (std::vector<int32_t>{2, 2, 2, 1, 1, 1}));
    EXPECT_EQ(device[6], -99) << "one entry per output byte";
    // One entry per source byte: the ellipsis takes its three dots, the dropped byte 0.
    EXPECT_EQ(Source(5), (std::vector<int16_t>{2, 2, 2, 3, 0}));
    EXPECT_EQ(MacToAnsiTotalAdvance(), 9) << "9.25 rounded";
    EXPECT_EQ(MacToAnsiBlankCount(), 1);
}

TEST_F(TextDrawing, ScaledPortsMultiplyWidthsAndTransformsConvertSourceAdvances)
{
    widths['a'] = kOne;
    measure.scaled = true;
    measure.scale = kOne + kOne / 2;
    measure.toPortUnits = TenTimes;
    Convert({'a', 'a', 'a', 'a'}, macToAnsiMeasure);
    EXPECT_EQ(Device(4), (std::vector<int32_t>{2, 1, 2, 1}));
    EXPECT_EQ(Source(4), (std::vector<int16_t>{20, 10, 20, 10}));
    EXPECT_EQ(MacToAnsiTotalAdvance(), 6);
}

TEST_F(TextDrawing, WithoutTheMeasureFlagNothingIsMeasured)
{
    widths['a'] = kOne;
    Convert({' ', 'a', ' '}, 0);
    EXPECT_EQ(device[0], -99);
    EXPECT_EQ(source[0], -99);
    EXPECT_EQ(MacToAnsiTotalAdvance(), 0);
    EXPECT_EQ(MacToAnsiBlankCount(), 2) << "blanks are counted on every call";
}

TEST_F(TextDrawing, PasswordModeShowsEveryCharacterAsAStar)
{
    sPassword = true;
    widths['*'] = 3 * kOne;
    widths['a'] = kOne;
    Bytes out = Convert({'a', 0xAA, ' ', 0x8E}, macToAnsiMeasure);
    EXPECT_EQ(out, Bytes(7, '*')) << "the trade mark's four stand-in characters are four stars";
    EXPECT_EQ(Source(4), (std::vector<int16_t>{3, 12, 3, 3}));
    EXPECT_EQ(MacToAnsiBlankCount(), 1);
}

TEST_F(TextDrawing, PortMarkedForDoubleByteTextKeepsItsBytes)
{
    // The port's mark has the effect of the double-byte flag: no table conversion, and no typographic
    // stand-ins for single bytes, which are characters of the code page (half-width katakana in
    // Shift-JIS).
    sPortDoubleByte = true;
    EXPECT_EQ(Convert({0x8E, 0xC9, 0xAA, 0xD2}, 0), (Bytes{0x8E, 0xC9, 0xAA, 0xD2}));
    sPortDoubleByte = false;
    EXPECT_EQ(Convert({0x8E, 0xC9}, 0), (Bytes{0xE9, '.', '.', '.'}));
}

TEST_F(TextDrawing, DoubleByteCharactersStayWhole)
{
    if (!DoubleByteCodePage())
        GTEST_SKIP() << "the ANSI code page has no double-byte characters (code page " << GetACP() << ")";
    // Shift-JIS: hiragana 0x82A0, a character whose trail byte is the Macintosh trade mark, the half-width
    // katakana 0xC9, a line end, and a lead byte that ends the text with no trail byte after it.
    const Bytes text = {0x82, 0xA0, 0x82, 0xAA, 0xC9, 13, 'a', 0x82};
    PageEnd src(text);
    uint8_t out[64];
    int32_t n = ZEL_MacToAnsiBuf(src.data(), out, static_cast<uint16_t>(text.size()), macToAnsiDoubleByte);
    EXPECT_EQ(Bytes(out, out + n), text);

    widths[0x82] = 2 * kOne;
    widths[0xC9] = kOne;
    widths['a'] = kOne;
    n = ZEL_MacToAnsiBuf(src.data(), out, static_cast<uint16_t>(text.size()),
                         macToAnsiDoubleByte | macToAnsiDropLineEnds | macToAnsiMeasure);
    EXPECT_EQ(Bytes(out, out + n), (Bytes{0x82, 0xA0, 0x82, 0xAA, 0xC9, 'a', 0x82}));
    EXPECT_EQ(Device(7), (std::vector<int32_t>{2, 0, 2, 0, 1, 1, 2})) << "a trail byte advances 0";
    EXPECT_EQ(Source(8), (std::vector<int16_t>{2, 0, 2, 0, 1, 0, 1, 2}));
    EXPECT_EQ(MacToAnsiTotalAdvance(), 8);

    // In password mode a two-byte character is one star.
    sPassword = true;
    n = ZEL_MacToAnsiBuf(src.data(), out, 4, macToAnsiDoubleByte);
    EXPECT_EQ(Bytes(out, out + n), (Bytes{'*', '*'}));
}

TEST(DoubleByteSession, DefaultTablesAreOffOnADoubleByteCodePage)
{
    if (!DoubleByteCodePage())
        GTEST_SKIP() << "the ANSI code page has no double-byte characters (code page " << GetACP() << ")";
    // The session in the library itself started on this code page.
    HMODULE dll = GetModuleHandleA("TOLVADEX.dll");
    ASSERT_NE(dll, nullptr);
    auto macToAnsi = reinterpret_cast<decltype(&ZEL_MacToAnsiBuf)>(GetProcAddress(dll, "ZEL_MacToAnsiBuf"));
    auto ansiToMac = reinterpret_cast<decltype(&ZEL_AnsiToMacBuf)>(GetProcAddress(dll, "ZEL_AnsiToMacBuf"));
    ASSERT_TRUE(macToAnsi && ansiToMac);
    ASSERT_NE(macToAnsi, &ZEL_MacToAnsiBuf) << "the library's copy, not the program's";

    Bytes upper;
    for (int c = 0x80; c < 0x100; ++c)
        upper.push_back(static_cast<uint8_t>(c));
    uint8_t out[128];
    ASSERT_EQ(macToAnsi(upper.data(), out, 128, macToAnsiRaw), 128);
    EXPECT_EQ(Bytes(out, out + 128), upper);
    ASSERT_EQ(ansiToMac(upper.data(), out, 128), 128);
    EXPECT_EQ(Bytes(out, out + 128), upper);
}

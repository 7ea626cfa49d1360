// Colour tables and matching: the standard tables against their rules computed here, Color2Index and
// Index2Color on the current device (with and without its inverse table), the nearest entry against a
// brute-force search, and the inverse tables cell by cell against the nearest entry in the cube.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "MacMemory.h"
#include "Quickdraw.h"
#include "Zel.h"
#include "qd_fixture.h"

using namespace testing_support;

namespace {

constexpr int16_t kSettingNoInverseTable = 26;

struct Colour {
    uint16_t r, g, b;
    bool operator==(const Colour &o) const { return r == o.r && g == o.g && b == o.b; }
};

std::vector<Colour> Entries(CTabHandle ct)
{
    std::vector<Colour> out;
    for (int i = 0; i <= (*ct)->ctSize; ++i) {
        const RGBColor &c = (*ct)->ctTable[i].rgb;
        out.push_back({c.red, c.green, c.blue});
    }
    return out;
}

// The standard tables' rules, written out independently of the library.
std::vector<Colour> ExpectedStandardTable(int id)
{
    std::vector<Colour> t;
    auto level = [](uint32_t byte) { return static_cast<uint16_t>(byte * 257); };
    switch (id) {
    case 1:
        return {{0xFFFF, 0xFFFF, 0xFFFF}, {0, 0, 0}};
    case 4: {
        const uint32_t rgb[16] = {0xFFFFFF, 0xFCF305, 0xFF6402, 0xDD0806, 0xF20884, 0x4600A5, 0x0000D4, 0x02ABEA,
                                  0x1FB714, 0x006411, 0x562C05, 0x90713A, 0xC0C0C0, 0x808080, 0x404040, 0x000000};
        for (uint32_t c : rgb)
            t.push_back({level(c >> 16), level((c >> 8) & 0xFF), level(c & 0xFF)});
        return t;
    }
    case 8: {
        for (int r = 5; r >= 0; --r)
            for (int g = 5; g >= 0; --g)
                for (int b = 5; b >= 0; --b)
                    t.push_back({uint16_t(r * 0x3333), uint16_t(g * 0x3333), uint16_t(b * 0x3333)});
        t.resize(215); // the cube's black gives way to the first red
        std::vector<int> ramp;
        for (int k = 15; k >= 1; --k)
            if (k % 3)
                ramp.push_back(k);
        for (int channel = 0; channel < 4; ++channel)
            for (int k : ramp) {
                uint16_t v = uint16_t(k * 0x1111);
                t.push_back({uint16_t(channel == 0 || channel == 3 ? v : 0), uint16_t(channel == 1 || channel == 3 ? v : 0),
                             uint16_t(channel == 2 || channel == 3 ? v : 0)});
            }
        t.push_back({0, 0, 0});
        return t;
    }
    case 36:
        for (int i = 0; i < 16; ++i)
            t.push_back({uint16_t(65535 - 4369 * i), uint16_t(65535 - 4369 * i), uint16_t(65535 - 4369 * i)});
        return t;
    case 40:
        for (int i = 0; i < 256; ++i)
            t.push_back({uint16_t(65535 - 257 * i), uint16_t(65535 - 257 * i), uint16_t(65535 - 257 * i)});
        return t;
    }
    return t;
}

// A colour table handle of the given colours (values 0..n-1), the flags and seed given.
CTabHandle MakeTable(const std::vector<Colour> &colours, uint32_t seed, uint16_t flags = 0)
{
    Handle h = NewHandleClear(8 + 8 * static_cast<Size>(colours.size()));
    auto ct = reinterpret_cast<CTabHandle>(h);
    (*ct)->ctSeed = seed;
    (*ct)->ctFlags = flags;
    (*ct)->ctSize = static_cast<int16_t>(colours.size() - 1);
    for (size_t i = 0; i < colours.size(); ++i) {
        (*ct)->ctTable[i].value = static_cast<int16_t>(i);
        (*ct)->ctTable[i].rgb = RGBColor{colours[i].r, colours[i].g, colours[i].b};
    }
    return ct;
}

// Black first: the order of a logical palette (the cube from black up, then a blue last).
std::vector<Colour> BlackFirstColours()
{
    std::vector<Colour> t;
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b)
                t.push_back({uint16_t(r * 0x3333), uint16_t(g * 0x3333), uint16_t(b * 0x3333)});
    t.push_back({0, 0, 0x8888});
    return t;
}

int Distance(const Colour &a, const RGBColor &b)
{
    return std::abs(a.r - b.red) + std::abs(a.g - b.green) + std::abs(a.b - b.blue);
}

// The 5-bit cube coordinate of a component.
int Coord(uint16_t c) { return (std::min(255, (c >> 8) + 4) & 0xF8) >> 3; }

// A device of its own whose colour table is `ct` for the duration of a test; the main device comes
// back afterwards.
class DeviceWithTable {
public:
    explicit DeviceWithTable(CTabHandle ct) : saved_(GetGDevice()), device_(NewGDevice(1, 0))
    {
        PixMapHandle pm = (*device_)->gdPMap;
        DisposeHandle(reinterpret_cast<Handle>((*pm)->pmTable));
        (*pm)->pmTable = ct;
        SetGDevice(device_);
    }
    ~DeviceWithTable()
    {
        SetGDevice(saved_);
        DisposeGDevice(device_);
    }
    GDHandle device() const { return device_; }
    ITab &itab() const { return *reinterpret_cast<ITab *>(*(*device_)->gdITable); }

private:
    GDHandle saved_;
    GDHandle device_;
};

class ColorTables : public ::testing::Test {
protected:
    static void SetUpTestSuite() { QuickDrawGlobals(); }
    // The library starts with inverse-table lookups switched off; these cases use them unless they say.
    void SetUp() override { ZEL_SystemValue(1, kSettingNoInverseTable, 0); }
    void TearDown() override { ZEL_SystemValue(1, kSettingNoInverseTable, 1); }
};

TEST_F(ColorTables, StandardTablesFollowTheirRules)
{
    const struct {
        int16_t id;
        int entries;
    } cases[] = {{1, 2}, {4, 16}, {8, 256}, {36, 16}, {40, 256}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.id);
        CTabHandle ct = GetCTable(c.id);
        ASSERT_NE(ct, nullptr);
        EXPECT_EQ(GetHandleSize(reinterpret_cast<Handle>(ct)), 8 + 8 * c.entries);
        EXPECT_EQ((*ct)->ctSeed, static_cast<uint32_t>(c.id));
        EXPECT_EQ((*ct)->ctFlags, 0);
        for (int i = 0; i < c.entries; ++i)
            EXPECT_EQ((*ct)->ctTable[i].value, i);
        EXPECT_TRUE(Entries(ct) == ExpectedStandardTable(c.id));
        DisposeCTable(ct);
    }
    CTabHandle eight = GetCTable(8);
    EXPECT_TRUE((Colour{(*eight)->ctTable[215].rgb.red, 0, 0}) == (Colour{0xEEEE, 0, 0}));
    EXPECT_EQ((*eight)->ctTable[254].rgb.green, 0x1111);
    DisposeCTable(eight);
}

TEST_F(ColorTables, TablesWithoutARuleOrResourceAreNil)
{
    for (int16_t id : {0, 2, 16, 32, -7, 300})
        EXPECT_EQ(GetCTable(id), nullptr) << id;
}

// Index2Color then Color2Index gives the index back, by the linear search and through the inverse
// table, on the standard tables and on a table that starts with black.
TEST_F(ColorTables, IndexAndColourRoundTrip)
{
    struct Case {
        const char *what;
        std::vector<Colour> colours;
    };
    const Case cases[] = {{"two entries", ExpectedStandardTable(1)},   {"16 colours", ExpectedStandardTable(4)},
                          {"256 colours", ExpectedStandardTable(8)},   {"16 grays", ExpectedStandardTable(36)},
                          {"black first", BlackFirstColours()}};
    for (const Case &c : cases)
        for (bool inverse : {false, true}) {
            SCOPED_TRACE(c.what);
            SCOPED_TRACE(inverse ? "through the inverse table" : "linear search");
            DeviceWithTable dev(MakeTable(c.colours, 0x5000 + static_cast<uint32_t>(c.colours.size())));
            ZEL_SystemValue(1, kSettingNoInverseTable, inverse ? 0 : 1);
            MakeITable(nullptr, nullptr, 5);
            for (int i = 0; i < static_cast<int>(c.colours.size()); ++i) {
                RGBColor rgb{1, 2, 3};
                Index2Color(i, &rgb);
                ASSERT_TRUE((Colour{rgb.red, rgb.green, rgb.blue}) == c.colours[i]);
                EXPECT_EQ(Color2Index(&rgb), i);
            }
        }
}

TEST_F(ColorTables, IndicesOutsideTheTableGiveBlack)
{
    DeviceWithTable dev(GetCTable(4));
    for (int32_t index : {-1, -32768, 16, 255, 100000}) {
        RGBColor rgb{1, 2, 3};
        Index2Color(index, &rgb);
        EXPECT_TRUE((Colour{rgb.red, rgb.green, rgb.blue}) == (Colour{0, 0, 0})) << index;
    }
}

// The linear search: least |dr| + |dg| + |db|, the lower index on a tie; black takes the last entry
// only where the table is in the Macintosh order.
TEST_F(ColorTables, NearestEntryIsTheLeastDistance)
{
    ZEL_SystemValue(1, kSettingNoInverseTable, 1);
    std::mt19937 random(7);
    for (int id : {4, 8}) {
        std::vector<Colour> colours = ExpectedStandardTable(id);
        DeviceWithTable dev(MakeTable(colours, 99));
        for (int n = 0; n < 400; ++n) {
            RGBColor rgb{uint16_t(random()), uint16_t(random()), uint16_t(random())};
            int best = 0;
            for (int i = 1; i < static_cast<int>(colours.size()); ++i)
                if (Distance(colours[i], rgb) < Distance(colours[best], rgb))
                    best = i;
            ASSERT_EQ(Color2Index(&rgb), best) << rgb.red << "," << rgb.green << "," << rgb.blue;
        }
    }
    {
        DeviceWithTable dev(MakeTable({{0x1000, 0, 0}, {0x3000, 0, 0}, {0, 0, 0}}, 98));
        RGBColor between{0x2000, 0, 0};
        EXPECT_EQ(Color2Index(&between), 0);
    }
    {
        DeviceWithTable dev(MakeTable(BlackFirstColours(), 97));
        RGBColor black{0, 0, 0};
        EXPECT_EQ(Color2Index(&black), 0);
    }
    {
        // Black in the Macintosh order goes to the last entry even where an earlier one is as near.
        DeviceWithTable dev(MakeTable({{0xFFFF, 0xFFFF, 0xFFFF}, {0, 0, 0}, {0, 0, 0}}, 96));
        RGBColor black{0, 0, 0};
        EXPECT_EQ(Color2Index(&black), 2);
    }
}

TEST_F(ColorTables, ReservedDeviceEntriesAreNeverChosen)
{
    ZEL_SystemValue(1, kSettingNoInverseTable, 1);
    CTabHandle ct = MakeTable({{0xFFFF, 0xFFFF, 0xFFFF}, {0xFFFF, 0, 0}, {0xEEEE, 0, 0}, {0, 0, 0}}, 95, 0x8000);
    (*ct)->ctTable[1].value = 0x4000; // reserved for device id 0
    DeviceWithTable dev(ct);
    RGBColor red{0xFFFF, 0, 0};
    EXPECT_EQ(Color2Index(&red), 2);
    (*ct)->ctFlags = 0; // outside a device table the bit means nothing
    EXPECT_EQ(Color2Index(&red), 1);
}

// Every cell of a built inverse table names an entry whose cell is at most one cell (L-infinity)
// farther than the nearest entry's.
void ExpectCellsNearest(const ITab &itab, const std::vector<Colour> &colours)
{
    std::vector<int> cr, cg, cb;
    for (const Colour &c : colours) {
        cr.push_back(Coord(c.r));
        cg.push_back(Coord(c.g));
        cb.push_back(Coord(c.b));
    }
    int worst = 0;
    for (int r = 0; r < 32; ++r)
        for (int g = 0; g < 32; ++g)
            for (int b = 0; b < 32; ++b) {
                auto dist = [&](int i) { return std::max({std::abs(cr[i] - r), std::abs(cg[i] - g), std::abs(cb[i] - b)}); };
                int nearest = 99;
                for (size_t i = 0; i < colours.size(); ++i)
                    nearest = std::min(nearest, dist(static_cast<int>(i)));
                int named = itab.iTTable[r * 1024 + g * 32 + b];
                ASSERT_LT(named, static_cast<int>(colours.size()));
                worst = std::max(worst, dist(named) - nearest);
                ASSERT_LE(dist(named) - nearest, 1) << "cell " << r << "," << g << "," << b << " names " << named;
            }
}

TEST_F(ColorTables, InverseTablesNameTheNearestEntry)
{
    std::mt19937 random(11);
    std::vector<Colour> randomColours;
    for (int i = 0; i < 40; ++i)
        randomColours.push_back({uint16_t(random()), uint16_t(random()), uint16_t(random())});
    struct Case {
        const char *what;
        std::vector<Colour> colours;
        bool macOrder;
    };
    const Case cases[] = {{"16 colours", ExpectedStandardTable(4), true},
                          {"256 colours", ExpectedStandardTable(8), true},
                          {"16 grays", ExpectedStandardTable(36), true},
                          {"black first", BlackFirstColours(), false},
                          {"40 random colours", randomColours, false}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        DeviceWithTable dev(MakeTable(c.colours, 0x600));
        MakeITable(nullptr, nullptr, 3);
        ASSERT_EQ(GetHandleSize((*dev.device())->gdITable), 32774);
        const ITab &itab = dev.itab();
        EXPECT_EQ(itab.iTabSeed, 0x600u);
        EXPECT_EQ(itab.iTabRes, 5);
        ExpectCellsNearest(itab, c.colours);
        if (c.macOrder) {
            EXPECT_EQ(itab.iTTable[0], c.colours.size() - 1);
            EXPECT_EQ(itab.iTTable[32767], 0);
        } else if (c.colours[0] == (Colour{0, 0, 0})) {
            EXPECT_EQ(itab.iTTable[0], 0); // black keeps its own place outside the Macintosh order
        }
    }
}

// Two colours take the cached luminance cube: black where 30r + 59g + 11b < 1550; reversed when the
// table starts with black. A second build (from the packed copy) is the same.
TEST_F(ColorTables, TwoColourInverseTableIsTheLuminanceCube)
{
    for (bool blackFirst : {false, true})
        for (int build = 0; build < 2; ++build) {
            SCOPED_TRACE(blackFirst ? "black first" : "white first");
            std::vector<Colour> colours = ExpectedStandardTable(1);
            if (blackFirst)
                std::swap(colours[0], colours[1]);
            DeviceWithTable dev(MakeTable(colours, 0x700 + build));
            MakeITable(nullptr, nullptr, 5);
            const ITab &itab = dev.itab();
            for (int r = 0; r < 32; ++r)
                for (int g = 0; g < 32; ++g)
                    for (int b = 0; b < 32; ++b) {
                        int dark = 30 * r + 59 * g + 11 * b < 1550 ? 1 : 0;
                        ASSERT_EQ(itab.iTTable[r * 1024 + g * 32 + b], blackFirst ? 1 - dark : dark)
                            << r << "," << g << "," << b;
                    }
        }
}

TEST_F(ColorTables, ACurrentInverseTableIsNotRebuilt)
{
    DeviceWithTable dev(GetCTable(4));
    MakeITable(nullptr, nullptr, 5);
    ITab &itab = dev.itab();
    uint8_t marked = static_cast<uint8_t>(itab.iTTable[1234] ^ 0x0F);
    itab.iTTable[1234] = marked;
    MakeITable(nullptr, nullptr, 5);
    EXPECT_EQ(itab.iTTable[1234], marked);
    // A new seed makes it stale: it is built again.
    CTabHandle ct = (*(*dev.device())->gdPMap)->pmTable;
    (*ct)->ctSeed = 12345;
    MakeITable(nullptr, nullptr, 5);
    EXPECT_NE(dev.itab().iTTable[1234], marked);
    EXPECT_EQ(dev.itab().iTabSeed, 12345u);
}

// A stale inverse table is not used: Color2Index then searches, and black takes the last entry.
TEST_F(ColorTables, StaleInverseTableFallsBackToTheSearch)
{
    DeviceWithTable dev(GetCTable(8));
    MakeITable(nullptr, nullptr, 5);
    dev.itab().iTTable[0] = 7; // a wrong answer that only a lookup would give
    RGBColor black{0, 0, 0};
    EXPECT_EQ(Color2Index(&black), 7);
    dev.itab().iTabSeed = 1;
    EXPECT_EQ(Color2Index(&black), 255);
    // A table seed that equals the unbuilt 7-byte handle's seed reads nothing beyond the handle.
    SetHandleSize((*dev.device())->gdITable, 7);
    dev.itab().iTabSeed = 8;
    RGBColor white{0xFFFF, 0xFFFF, 0xFFFF};
    EXPECT_EQ(Color2Index(&white), 0);
}

} // namespace

// The pixel conversion engine through CopyBits between PixMaps in memory (plain rows and DIBs, white-first
// and black-first, bottom-up and top-down) and through its test seam: every depth pair, the transfer
// modes' arithmetic, scaling, masks, dithering, pattern tiles and the edge cases, each destination pixel
// checked against a reference computed here.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "MacMemory.h"
#include "Quickdraw.h"
#include "Zel.h"
#include "qd_fixture.h"
#include "test_seams.h"
#include "test_support.h"

namespace {

using testing_support::DibPort;
using testing_support::QuickDrawTest;
using testing_support::TakeDebugMessages;

constexpr int16_t kSettingNoInverseTable = 26;

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb &o) const { return r == o.r && g == o.g && b == o.b; }
};

std::string Show(const Rgb &c) { return std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b); }

uint32_t ReadRaw(const uint8_t *row, int x, int depth)
{
    switch (depth) {
    case 1: return (row[x / 8] >> (7 - x % 8)) & 1;
    case 2: return (row[x / 4] >> (6 - 2 * (x % 4))) & 3;
    case 4: return (row[x / 2] >> (4 - 4 * (x % 2))) & 15;
    case 8: return row[x];
    case 16: return static_cast<uint32_t>(row[2 * x] | row[2 * x + 1] << 8);
    default: return static_cast<uint32_t>(row[4 * x] | row[4 * x + 1] << 8 | row[4 * x + 2] << 16 | row[4 * x + 3] << 24);
    }
}

void WriteRaw(uint8_t *row, int x, int depth, uint32_t v)
{
    switch (depth) {
    case 1: case 2: case 4: {
        const int per = 8 / depth, shift = 8 - depth * (x % per + 1);
        const uint8_t mask = static_cast<uint8_t>(((1 << depth) - 1) << shift);
        row[x / per] = static_cast<uint8_t>((row[x / per] & ~mask) | ((v << shift) & mask));
        break;
    }
    case 8: row[x] = static_cast<uint8_t>(v); break;
    case 16: row[2 * x] = static_cast<uint8_t>(v); row[2 * x + 1] = static_cast<uint8_t>(v >> 8); break;
    default: std::memcpy(row + 4 * x, &v, 4); break;
    }
}

enum class Kind { plain, dib, dibTopDown, dibBlackFirst };

// A 2-bit table: white, two greys, black.
CTabHandle FourGreys()
{
    CTabHandle t = reinterpret_cast<CTabHandle>(NewHandleClear(8 + 4 * sizeof(ColorSpec)));
    (*t)->ctSeed = GetCTSeed();
    (*t)->ctSize = 3;
    const uint16_t levels[4] = {0xFFFF, 0xAAAA, 0x5555, 0};
    for (int i = 0; i < 4; ++i)
        (*t)->ctTable[i] = ColorSpec{static_cast<int16_t>(i), {levels[i], levels[i], levels[i]}};
    return t;
}

// A PixMap in the library's extended layout over pixels the test owns: plain Macintosh rows, or a packed
// DIB (header, colours, rows) whose indices are the complements of the Macintosh ones when black-first.
struct EnginePixMap {
    PixMap pm{};
    int depth, width, height;
    Kind kind;
    int32_t stride;
    std::vector<uint8_t> rows;
    Handle dib = nullptr;
    uint8_t dummy = 0;
    CTabHandle table = nullptr;

    EnginePixMap(int d, int w, int h, Kind k, Point origin = {0, 0}) : depth(d), width(w), height(h), kind(k)
    {
        if (d == 2)
            table = FourGreys();
        else if (d <= 8)
            table = GetCTable(d);
        if (k == Kind::plain) {
            stride = ((w * d + 15) / 16) * 2;
            rows.assign(static_cast<size_t>(stride) * h, 0);
            pm.baseAddr = reinterpret_cast<Ptr>(rows.data());
            pm.pmExtFlags = pmExtOwnRows;
        } else {
            stride = ((w * d + 31) / 32) * 4;
            const int colours = d <= 8 ? 1 << d : 0;
            const Size header = sizeof(BITMAPINFOHEADER) + 4 * colours;
            dib = NewHandleClear(header + static_cast<Size>(stride) * h);
            auto *bi = reinterpret_cast<BITMAPINFOHEADER *>(*dib);
            bi->biSize = sizeof *bi;
            bi->biWidth = w;
            bi->biHeight = k == Kind::dibTopDown ? -h : h;
            bi->biPlanes = 1;
            bi->biBitCount = static_cast<WORD>(d);
            bi->biClrUsed = static_cast<DWORD>(colours);
            auto *quads = reinterpret_cast<RGBQUAD *>(bi + 1);
            for (int i = 0; i < colours; ++i) {
                const int entry = k == Kind::dibBlackFirst ? colours - 1 - i : i;
                const RGBColor &c = (*table)->ctTable[std::min<int>(entry, (*table)->ctSize)].rgb;
                quads[i] = RGBQUAD{static_cast<BYTE>(c.blue >> 8), static_cast<BYTE>(c.green >> 8),
                                   static_cast<BYTE>(c.red >> 8), 0};
            }
            pm.baseAddr = reinterpret_cast<Ptr>(&dummy);
            pm.pmExtDib = dib;
            pm.pmExtFlags = static_cast<uint16_t>(pmExtDibAttached | (k == Kind::dibBlackFirst ? pmExtBitsPrepared : 0));
        }
        pm.rowBytes = static_cast<int16_t>(0x8000 | (k == Kind::plain ? stride : ((w * d + 15) / 16) * 2));
        pm.bounds = {origin.v, origin.h, static_cast<int16_t>(origin.v + h), static_cast<int16_t>(origin.h + w)};
        pm.pmVersion = static_cast<int16_t>(0xC000);
        pm.pixelType = static_cast<int16_t>(d > 8 ? 16 : 0);
        pm.pixelSize = static_cast<int16_t>(d);
        pm.cmpCount = static_cast<int16_t>(d > 8 ? 3 : 1);
        pm.cmpSize = static_cast<int16_t>(d == 16 ? 5 : d == 32 ? 8 : d);
        pm.pmTable = table;
    }
    ~EnginePixMap()
    {
        if (dib)
            DisposeHandle(dib);
        if (table)
            DisposeCTable(table);
    }
    EnginePixMap(const EnginePixMap &) = delete;
    EnginePixMap &operator=(const EnginePixMap &) = delete;

    uint8_t *Row(int y)
    {
        if (kind == Kind::plain)
            return rows.data() + static_cast<size_t>(y) * stride;
        uint8_t *bits = reinterpret_cast<uint8_t *>(*dib) + sizeof(BITMAPINFOHEADER) + (depth <= 8 ? 4 << depth : 0);
        return bits + static_cast<size_t>(kind == Kind::dibTopDown ? y : height - 1 - y) * stride;
    }
    bool Complemented() const { return kind == Kind::dibBlackFirst && depth <= 8; }
    // The Macintosh pixel value at (x, y), local to the bounds.
    uint32_t Get(int x, int y)
    {
        uint32_t v = ReadRaw(Row(y), x, depth);
        return Complemented() ? ~v & ((1u << depth) - 1) : v;
    }
    void Set(int x, int y, uint32_t v) { WriteRaw(Row(y), x, depth, Complemented() ? ~v & ((1u << depth) - 1) : v); }
    int Entries() const { return table ? (*table)->ctSize + 1 : 0; }
    Rgb EntryColour(uint32_t i) const
    {
        const RGBColor &c = (*table)->ctTable[i].rgb;
        return Rgb{c.red >> 8, c.green >> 8, c.blue >> 8};
    }
    Rgb Colour(int x, int y)
    {
        const uint32_t v = Get(x, y);
        if (depth <= 8)
            return EntryColour(v);
        if (depth == 16) {
            auto widen = [](int c) { return c << 3 | c >> 2; };
            return Rgb{widen(v >> 10 & 31), widen(v >> 5 & 31), widen(v & 31)};
        }
        return Rgb{static_cast<int>(v >> 16 & 255), static_cast<int>(v >> 8 & 255), static_cast<int>(v & 255)};
    }
    void SetColour(int x, int y, const Rgb &c)
    {
        if (depth == 16)
            Set(x, y, static_cast<uint32_t>((c.r >> 3) << 10 | (c.g >> 3) << 5 | c.b >> 3));
        else
            Set(x, y, static_cast<uint32_t>(c.r << 16 | c.g << 8 | c.b));
    }
    const BitMap *bits() const { return reinterpret_cast<const BitMap *>(&pm); }
    BitMap *bits() { return reinterpret_cast<BitMap *>(&pm); }
    Rect rect(int16_t left, int16_t top, int16_t right, int16_t bottom) const
    {
        return Rect{static_cast<int16_t>(pm.bounds.top + top), static_cast<int16_t>(pm.bounds.left + left),
                    static_cast<int16_t>(pm.bounds.top + bottom), static_cast<int16_t>(pm.bounds.left + right)};
    }
};

// Engine tests run with a colour port current (the port's colours and operation colour) and, unless a
// case says otherwise, colours matched through inverse tables.
class PixelEngineTest : public QuickDrawTest {
protected:
    void SetUp() override
    {
        QuickDrawTest::SetUp();
        port_ = std::make_unique<DibPort>(8, 8);
        SetPor(port_->port());
        ZEL_SystemValue(1, kSettingNoInverseTable, 0);
        TakeDebugMessages();
    }
    void TearDown() override
    {
        ZEL_SystemValue(1, kSettingNoInverseTable, 1);
        SelectPatternTile(nullptr, 0, 0, 0);
        QuickDrawTest::TearDown();
        port_.reset();
    }
    std::unique_ptr<DibPort> port_;
};

bool TableHas(const EnginePixMap &pm, const Rgb &c)
{
    for (int i = 0; i < pm.Entries(); ++i)
        if (pm.EntryColour(i) == c)
            return true;
    return false;
}

Rgb FiveBits(const Rgb &c)
{
    auto q = [](int v) { return (v & 0xF8) | (v >> 5); };
    return Rgb{q(c.r), q(c.g), q(c.b)};
}

// Source pixels for a depth pair: every index of an indexed source; for direct sources colours of the
// destination's table when it has one (so that exactness can be asked), else spread colours.
void FillSource(EnginePixMap &src, const EnginePixMap &dst, std::mt19937 &random)
{
    for (int y = 0; y < src.height; ++y)
        for (int x = 0; x < src.width; ++x) {
            if (src.depth <= 8)
                src.Set(x, y, static_cast<uint32_t>((x + y * src.width) * 7 % src.Entries()));
            else if (dst.depth <= 8)
                src.SetColour(x, y, dst.EntryColour(random() % dst.Entries()));
            else
                src.SetColour(x, y, Rgb{static_cast<int>(random() & 255), static_cast<int>(random() & 255),
                                        static_cast<int>(random() & 255)});
        }
}

// Each destination pixel against its source: the same colour in direct destinations (to 5 bits at 16),
// and in indexed ones a valid index, the very colour when the destination's table has it.
std::string ColourMisses(EnginePixMap &src, EnginePixMap &dst)
{
    std::string misses;
    for (int y = 0; y < src.height; ++y)
        for (int x = 0; x < src.width; ++x) {
            const Rgb want = src.Colour(x, y);
            bool ok;
            if (dst.depth <= 8) {
                const uint32_t v = dst.Get(x, y);
                ok = static_cast<int>(v) < dst.Entries() && (!TableHas(dst, want) || dst.EntryColour(v) == want);
            } else {
                ok = dst.Colour(x, y) == (dst.depth == 16 ? FiveBits(want) : want);
            }
            if (!ok && misses.size() < 400)
                misses += "(" + std::to_string(x) + "," + std::to_string(y) + ") want " + Show(want) + " got " +
                          Show(dst.depth <= 8 ? dst.EntryColour(std::min<uint32_t>(dst.Get(x, y), 255)) : dst.Colour(x, y)) + "\n";
        }
    return misses;
}

TEST_F(PixelEngineTest, EveryDepthPairKeepsTheSourceColours)
{
    const int depths[] = {1, 2, 4, 8, 16, 32};
    std::mt19937 random(7);
    for (int byDistance : {0, 1}) {
        ZEL_SystemValue(1, kSettingNoInverseTable, static_cast<uint32_t>(byDistance));
        for (int sd : depths)
            for (int dd : depths)
                for (int direction = 0; direction < 2; ++direction) {
                    // A plain source into a DIB destination, and a DIB source (black-first where it has a
                    // table) into a plain destination; 2-bit pixels have no DIB.
                    Kind srcKind = direction == 0 || sd == 2 ? Kind::plain : sd <= 8 ? Kind::dibBlackFirst : Kind::dibTopDown;
                    Kind dstKind = direction == 1 || dd == 2 ? Kind::plain : Kind::dib;
                    EnginePixMap src(sd, 13, 5, srcKind, Point{2, 3});
                    EnginePixMap dst(dd, 13, 5, dstKind);
                    FillSource(src, dst, random);
                    CopyBits(src.bits(), dst.bits(), &src.pm.bounds, &dst.pm.bounds, srcCopy, nullptr);
                    EXPECT_EQ(ColourMisses(src, dst), "") << sd << " -> " << dd << " direction " << direction
                                                          << (byDistance ? " by distance" : " by inverse table");
                }
    }
    EXPECT_TRUE(TakeDebugMessages().empty());
}

// Reference results of the transfer modes on pixel values (indexed) and on colour components (direct).
uint32_t ValueMode(int mode, uint32_t d, uint32_t s, uint32_t transparent)
{
    if (mode == 36)
        return s == transparent ? d : s;
    switch (mode & 7) {
    case 0: return s;
    case 1: return d | s;
    case 2: return d ^ s;
    case 3: return d & ~s & 0xFF;
    case 5: return (d | ~s) & 0xFF;
    case 6: return (d ^ ~s) & 0xFF;
    default: return d & s;
    }
}

int ComponentMode(int mode, int d, int s, int w)
{
    switch (mode) {
    case 0: return s;
    case 1: return d & s;
    case 2: return ~(d ^ s) & 255;
    case 3: return (d | ~s) & 255;
    case 4: return ~s & 255;
    case 5: return d & ~s & 255;
    case 6: return d ^ s;
    case 7: return d | s;
    case 32: return (s * w + d * (255 - w)) / 255;
    case 33: return std::min(s + d, w);
    case 34: return (s + d) & 255;
    case 35: return std::max(d - s, w);
    case 37: return std::max(d, s);
    case 38: return (d - s) & 255;
    default: return std::min(d, s);
    }
}

TEST_F(PixelEngineTest, ModesCombineByTheirArithmetic)
{
    std::mt19937 random(11);
    const RGBColor op = {0x6000, 0xA0FF, 0x2000}; // weight 0xA0
    OpColor(&op);
    const int w = 0xA0;
    const int directModes[] = {0, 1, 2, 3, 4, 5, 6, 7, 32, 33, 34, 35, 36, 37, 38, 39};
    for (int mode : directModes) {
        EnginePixMap src(32, 16, 4, Kind::plain), dst(32, 16, 4, Kind::dib);
        std::vector<Rgb> before;
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 16; ++x) {
                // Every fourth source pixel is the port's background (white), for transparent mode.
                Rgb s = x % 4 == 0 ? Rgb{255, 255, 255}
                                   : Rgb{static_cast<int>(random() & 255), static_cast<int>(random() & 255),
                                         static_cast<int>(random() & 255)};
                Rgb d{static_cast<int>(random() & 255), static_cast<int>(random() & 255), static_cast<int>(random() & 255)};
                src.SetColour(x, y, s);
                dst.SetColour(x, y, d);
                before.push_back(d);
            }
        CopyBits(src.bits(), dst.bits(), &src.pm.bounds, &dst.pm.bounds, static_cast<int16_t>(mode), nullptr);
        std::string misses;
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 16; ++x) {
                const Rgb s = src.Colour(x, y), d = before[y * 16 + x];
                Rgb want;
                if (mode == 36)
                    want = s == Rgb{255, 255, 255} ? d : s;
                else
                    want = Rgb{ComponentMode(mode, d.r, s.r, w), ComponentMode(mode, d.g, s.g, w),
                               ComponentMode(mode, d.b, s.b, w)};
                if (!(dst.Colour(x, y) == want))
                    misses += "(" + std::to_string(x) + "," + std::to_string(y) + ") want " + Show(want) + " got " +
                              Show(dst.Colour(x, y)) + "\n";
            }
        EXPECT_EQ(misses, "") << "32-bit mode " << mode;
    }

    // 8 to 8 bits with one Macintosh table: the pixel values combine; into a white-first and into a
    // black-first DIB.
    for (Kind kind : {Kind::dib, Kind::dibBlackFirst})
        for (int mode : {0, 1, 2, 3, 5, 6, 7, 36}) {
            EnginePixMap src(8, 16, 4, Kind::plain), dst(8, 16, 4, kind);
            std::vector<uint32_t> before;
            for (int y = 0; y < 4; ++y)
                for (int x = 0; x < 16; ++x) {
                    src.Set(x, y, x % 4 == 0 ? 0 : random() & 255);
                    uint32_t d = random() & 255;
                    dst.Set(x, y, d);
                    before.push_back(d);
                }
            // The same table (and seed) on both sides: no conversion.
            CopyBits(src.bits(), dst.bits(), &src.pm.bounds, &dst.pm.bounds, static_cast<int16_t>(mode), nullptr);
            std::string misses;
            for (int y = 0; y < 4; ++y)
                for (int x = 0; x < 16; ++x) {
                    const uint32_t want = ValueMode(mode, before[y * 16 + x], src.Get(x, y), 0);
                    if (dst.Get(x, y) != want)
                        misses += "(" + std::to_string(x) + "," + std::to_string(y) + ") want " + std::to_string(want) +
                                  " got " + std::to_string(dst.Get(x, y)) + "\n";
                }
            EXPECT_EQ(misses, "") << "8-bit mode " << mode << (kind == Kind::dibBlackFirst ? " black-first" : "");
        }
    EXPECT_TRUE(TakeDebugMessages().empty());
}

// Source pixels whose value tells their position: 0x00XXXYYY-like for 32-bit checks.
uint32_t PositionValue(int x, int y) { return static_cast<uint32_t>((x & 0xFFF) << 12 | (y & 0xFFF)); }

// Rows of 32-bit pixels whose last row ends flush against a page that cannot be read.
struct GuardedRows {
    uint8_t *block = nullptr;
    uint8_t *rows = nullptr;
    SIZE_T size = 0;
    explicit GuardedRows(size_t bytes)
    {
        SYSTEM_INFO info;
        GetSystemInfo(&info);
        const size_t page = info.dwPageSize, pages = (bytes + page - 1) / page;
        size = (pages + 1) * page;
        block = static_cast<uint8_t *>(VirtualAlloc(nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
        DWORD old;
        VirtualProtect(block + pages * page, page, PAGE_NOACCESS, &old);
        rows = block + pages * page - bytes;
    }
    ~GuardedRows() { VirtualFree(block, 0, MEM_RELEASE); }
};

TEST_F(PixelEngineTest, ScalingSamplesTheFloorOfEachRowAndColumn)
{
    struct Ratio {
        int sw, sh, dw, dh;
    };
    const Ratio ratios[] = {{3, 3, 2, 2}, {2, 2, 4, 4}, {7, 5, 3, 11}, {300, 3, 700, 2}, {700, 2, 300, 3}, {5, 7, 13, 6}};
    for (const Ratio &r : ratios)
        for (int cutTop : {0, 1}) {
            // The source's last row ends at a page that cannot be read.
            GuardedRows guard(static_cast<size_t>(r.sw) * 4 * r.sh);
            PixMap src{};
            src.baseAddr = reinterpret_cast<Ptr>(guard.rows);
            src.rowBytes = static_cast<int16_t>(0x8000 | (4 * r.sw));
            src.bounds = {0, 0, static_cast<int16_t>(r.sh), static_cast<int16_t>(r.sw)};
            src.pixelType = 16;
            src.pixelSize = 32;
            src.cmpCount = 3;
            src.cmpSize = 8;
            for (int y = 0; y < r.sh; ++y)
                for (int x = 0; x < r.sw; ++x)
                    reinterpret_cast<uint32_t *>(guard.rows)[y * r.sw + x] = PositionValue(x, y);
            EnginePixMap dst(32, r.dw, r.dh, Kind::dib);
            for (int y = 0; y < r.dh; ++y)
                for (int x = 0; x < r.dw; ++x)
                    dst.Set(x, y, 0xABCDEF);
            // A mask that leaves out the destination's top row.
            RgnHandle mask = nullptr;
            if (cutTop) {
                mask = NewRgn();
                SetRectRgn(mask, 0, 1, static_cast<int16_t>(r.dw), static_cast<int16_t>(r.dh));
            }
            CopyBits(reinterpret_cast<BitMap *>(&src), dst.bits(), &src.bounds, &dst.pm.bounds, srcCopy, mask);
            std::string misses;
            for (int y = 0; y < r.dh; ++y)
                for (int x = 0; x < r.dw; ++x) {
                    const uint32_t want = cutTop && y == 0 ? 0xABCDEF : PositionValue(x * r.sw / r.dw, y * r.sh / r.dh);
                    if (dst.Get(x, y) != want && misses.size() < 300)
                        misses += "(" + std::to_string(x) + "," + std::to_string(y) + ") ";
                }
            EXPECT_EQ(misses, "") << r.sw << "x" << r.sh << " -> " << r.dw << "x" << r.dh << " cut " << cutTop;
            if (mask)
                DisposeRgn(mask);
        }
}

// A circle of radius r centred in a square of side 2r, as a 1-bit BitMap's rows.
std::vector<uint8_t> CircleRows(int r, int *rowBytes)
{
    *rowBytes = ((2 * r + 15) / 16) * 2;
    std::vector<uint8_t> rows(static_cast<size_t>(*rowBytes) * 2 * r, 0);
    for (int y = 0; y < 2 * r; ++y)
        for (int x = 0; x < 2 * r; ++x) {
            const int dx = 2 * x + 1 - 2 * r, dy = 2 * y + 1 - 2 * r;
            if (dx * dx + dy * dy < 4 * r * r)
                rows[y * *rowBytes + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
        }
    return rows;
}

TEST_F(PixelEngineTest, MaskRegionsLeaveEveryPixelOutsideThemAlone)
{
    int rowBytes = 0;
    std::vector<uint8_t> circle = CircleRows(9, &rowBytes);
    BitMap circleBits = {reinterpret_cast<Ptr>(circle.data()), static_cast<int16_t>(rowBytes), {2, 3, 20, 21}};
    // The mask forms: a GDI region framed as an oval, a mask made from the circle's bits, the same mask
    // inset and mapped after it was made (its mask then stretched over another box).
    for (int form = 0; form < 4; ++form) {
        RgnHandle mask = NewRgn();
        if (form == 0) {
            OpenRgn();
            Rect oval = {2, 3, 20, 21};
            FrameOval(&oval);
            CloseRgn(mask);
        } else {
            ASSERT_EQ(BitMapToRegion(mask, &circleBits), 0);
            if (form == 2)
                InsetRgn(mask, 3, 2);
            if (form == 3) {
                Rect from = {0, 0, 10, 10}, to = {0, 0, 13, 7};
                MapRgn(mask, &from, &to);
            }
        }
        for (int depth : {1, 4, 8, 16, 32}) {
            // An odd left edge: the rectangle's first and last pixels share bytes with pixels outside it.
            EnginePixMap src(depth, 26, 24, Kind::plain), dst(depth, 26, 24, Kind::plain);
            for (int y = 0; y < 24; ++y)
                for (int x = 0; x < 26; ++x) {
                    src.Set(x, y, depth <= 8 ? (x * 3 + y) % src.Entries() : 0x10000 * x + 0x100 * y + 7);
                    dst.Set(x, y, depth <= 8 ? (x + y * 5 + 1) % dst.Entries() : 0x00F0F0F0u - x);
                }
            EnginePixMap before(depth, 26, 24, Kind::plain);
            std::copy(dst.rows.begin(), dst.rows.end(), before.rows.begin());
            Rect r = {1, 1, 23, 25};
            CopyBits(src.bits(), dst.bits(), &r, &r, srcCopy, mask);
            std::string misses;
            for (int y = 0; y < 24; ++y)
                for (int x = 0; x < 26; ++x) {
                    const bool in = x >= 1 && x < 25 && y >= 1 && y < 23 &&
                                    PtInRgn(Point{static_cast<int16_t>(y), static_cast<int16_t>(x)}, mask);
                    const uint32_t want = in ? src.Get(x, y) : before.Get(x, y);
                    misses += dst.Get(x, y) == want ? (in ? 'o' : '.') : 'X';
                }
            EXPECT_EQ(misses.find('X'), std::string::npos) << "form " << form << " depth " << depth << "\n" << misses;
        }
        DisposeRgn(mask);
    }
    EXPECT_TRUE(TakeDebugMessages().empty());
}

TEST_F(PixelEngineTest, DitheringSpreadsGreyAndKeepsTableColours)
{
    EnginePixMap src(32, 64, 64, Kind::plain), dst(1, 64, 64, Kind::dib);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            src.SetColour(x, y, y < 48 ? Rgb{128, 128, 128} : x < 32 ? Rgb{0, 0, 0} : Rgb{255, 255, 255});
    CopyBits(src.bits(), dst.bits(), &src.pm.bounds, &dst.pm.bounds, srcCopy | 0x40, nullptr);
    for (int by = 0; by < 6; ++by)
        for (int bx = 0; bx < 8; ++bx) {
            int black = 0;
            for (int y = 0; y < 8; ++y)
                for (int x = 0; x < 8; ++x)
                    black += dst.Get(bx * 8 + x, by * 8 + y);
            EXPECT_GE(black, 24) << "block " << bx << "," << by;
            EXPECT_LE(black, 40) << "block " << bx << "," << by;
        }
    // Black and white are in the table: they come out as they are.
    for (int y = 48; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            ASSERT_EQ(dst.Get(x, y), x < 32 ? 1u : 0u) << x << "," << y;
}

TEST_F(PixelEngineTest, EdgeCases)
{
    // A one-bit destination takes mode 35 (subPin) as srcOr.
    {
        EnginePixMap src(1, 16, 2, Kind::plain), a(1, 16, 2, Kind::plain), b(1, 16, 2, Kind::plain);
        for (int x = 0; x < 16; ++x) {
            src.Set(x, 0, x & 1);
            src.Set(x, 1, x >> 2 & 1);
            a.Set(x, 0, x >> 1 & 1);
            a.Set(x, 1, x >> 3 & 1);
        }
        std::copy(a.rows.begin(), a.rows.end(), b.rows.begin());
        CopyBits(src.bits(), a.bits(), &src.pm.bounds, &a.pm.bounds, 35, nullptr);
        CopyBits(src.bits(), b.bits(), &src.pm.bounds, &b.pm.bounds, srcOr, nullptr);
        EXPECT_EQ(a.rows, b.rows);
    }
    EnginePixMap src(8, 8, 8, Kind::plain), dst(8, 8, 8, Kind::plain);
    for (int i = 0; i < 64; ++i)
        src.rows[i] = static_cast<uint8_t>(i * 3 + 1);
    const std::vector<uint8_t> untouched = dst.rows;
    Rect all = src.pm.bounds;
    // No destination table: nothing changes.
    ConvertPixelsForTest(&src.pm, &dst.pm, &all, &all, nullptr, nullptr, srcCopy, src.table, nullptr, nullptr, 0);
    EXPECT_EQ(dst.rows, untouched);
    // Clipped to nothing (a wide destination wholly outside the pixels): nothing changes, no buffer grows.
    const uint32_t held = PixelEngineBufferBytes();
    Rect outside = {100, 0, 108, 4000}, wide = {0, 0, 8, 4000};
    ConvertPixelsForTest(&src.pm, &dst.pm, &wide, &outside, nullptr, nullptr, srcCopy, src.table, dst.table, nullptr, 0);
    EXPECT_EQ(dst.rows, untouched);
    EXPECT_EQ(PixelEngineBufferBytes(), held);
    // An empty mask region: nothing is inside, nothing changes.
    RgnHandle empty = NewRgn();
    CopyBits(src.bits(), dst.bits(), &all, &all, srcCopy, empty);
    EXPECT_EQ(dst.rows, untouched);
    DisposeRgn(empty);
    // srcXor while colourising: reported, and drawn without colourising.
    const RGBColor red = {0xFFFF, 0, 0};
    RGBForeColor(&red);
    ConvertPixelsForTest(&src.pm, &dst.pm, &all, &all, nullptr, nullptr, srcXor, src.table, dst.table, nullptr, 1);
    ForeColor(blackColor);
    std::string reported;
    for (const std::string &m : TakeDebugMessages())
        reported += m;
    EXPECT_EQ(reported, "Invalid PrepareColorize case (Xor)\r\n");
    for (int i = 0; i < 64; ++i)
        ASSERT_EQ(dst.rows[i], static_cast<uint8_t>(untouched[i] ^ src.rows[i])) << i;
}

TEST_F(PixelEngineTest, PatternTilesRepeatAndAnEmptyTileDrawsNothing)
{
    // A 3 x 2 tile of 8-bit values, repeated from the source rectangle's coordinates.
    const uint8_t tile[2][4] = {{10, 20, 30, 0}, {40, 50, 60, 0}};
    EnginePixMap src(8, 1, 1, Kind::plain), dst(8, 10, 5, Kind::plain);
    Rect srcRect = {1, 2, 6, 12}, dstRect = dst.pm.bounds;
    SelectPatternTile(tile, 4, 2, 3);
    ConvertPixelsForTest(&src.pm, &dst.pm, &srcRect, &dstRect, nullptr, nullptr, srcCopy, src.table, dst.table, nullptr, 0);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 10; ++x)
            ASSERT_EQ(dst.Get(x, y), tile[(y + 1) % 2][(x + 2) % 3]) << x << "," << y;
    const std::vector<uint8_t> drawn = dst.rows;
    for (auto [h, w] : {std::pair{2, 0}, std::pair{0, 3}}) {
        SelectPatternTile(tile, 4, h, w);
        ConvertPixelsForTest(&src.pm, &dst.pm, &srcRect, &dstRect, nullptr, nullptr, patXor, src.table, dst.table,
                             nullptr, 0);
        EXPECT_EQ(dst.rows, drawn) << h << " x " << w;
    }
}

TEST_F(PixelEngineTest, DibSourcesComposeOntoAPortThroughTheScratch)
{
    // srcXor (on colours: the destination inverted where the source is black) and a circular mask from a
    // DIB PixMap onto a port's DC: composed in memory, then drawn.
    EnginePixMap src(32, 20, 20, Kind::dib);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x)
            src.SetColour(x, y, Rgb{x * 12, y * 12, 0x40});
    DibPort port(24, 24, RGB(0x20, 0x80, 0xF0));
    SetPor(port.port());
    Rect r = {2, 2, 22, 22};
    Rect from = src.pm.bounds;
    CopyBits(src.bits(), &port.port()->portBits, &from, &r, srcXor, nullptr);
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 24; ++x) {
            const bool in = x >= 2 && x < 22 && y >= 2 && y < 22;
            const COLORREF got = port.surface().Pixel(x, y);
            const COLORREF want = in ? RGB(~(0x20 ^ ((x - 2) * 12)) & 255, ~(0x80 ^ ((y - 2) * 12)) & 255, ~(0xF0 ^ 0x40) & 255)
                                     : RGB(0x20, 0x80, 0xF0);
            ASSERT_EQ(got, want) << x << "," << y;
        }
    port.surface().Fill(RGB(0x20, 0x80, 0xF0));
    int rowBytes = 0;
    std::vector<uint8_t> circle = CircleRows(10, &rowBytes);
    BitMap circleBits = {reinterpret_cast<Ptr>(circle.data()), static_cast<int16_t>(rowBytes), {2, 2, 22, 22}};
    RgnHandle mask = NewRgn();
    ASSERT_EQ(BitMapToRegion(mask, &circleBits), 0);
    CopyBits(src.bits(), &port.port()->portBits, &from, &r, srcCopy, mask);
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 24; ++x) {
            const bool in = PtInRgn(Point{static_cast<int16_t>(y), static_cast<int16_t>(x)}, mask);
            const COLORREF want = in ? RGB((x - 2) * 12, (y - 2) * 12, 0x40) : RGB(0x20, 0x80, 0xF0);
            ASSERT_EQ(port.surface().Pixel(x, y), want) << x << "," << y;
        }
    DisposeRgn(mask);
    EXPECT_TRUE(TakeDebugMessages().empty());
}

} // namespace

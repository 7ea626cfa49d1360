// CopyBits through the library: BitMaps and PixMaps in memory onto ports' device contexts, device
// contexts into memory, transparent mode between device contexts and from memory, reductions, the
// port's clip and bottleneck, with every destination pixel checked.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "MacMemory.h"
#include "QDOffscreen.h"
#include "Quickdraw.h"
#include "qd_fixture.h"
#include "test_seams.h"
#include "test_support.h"

namespace {

using testing_support::DibPort;
using testing_support::PixelMisses;
using testing_support::QuickDrawTest;
using testing_support::WindowManagerPort;

class CopyBitsTest : public QuickDrawTest {};

const COLORREF kWhite = RGB(255, 255, 255), kBlack = RGB(0, 0, 0), kRed = RGB(255, 0, 0),
               kYellow = RGB(255, 255, 0), kBlue = RGB(0, 0, 255), kGrey = RGB(0x80, 0x80, 0x80);

COLORREF Colour(int x, int y) { return RGB(30 * x + 10, 40 * y + 20, (x * 7 + y * 13) * 5 % 256); }

// A PixMap of 32-bit pixels (0x00RRGGBB) in memory, described by its published fields only.
struct MemoryPixMap {
    PixMap pm{};
    std::vector<uint32_t> rows;
    MemoryPixMap(int width, int height, COLORREF (*colour)(int, int))
    {
        rows.resize(width * height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                Set(x, y, colour ? colour(x, y) : kWhite, width);
        pm.baseAddr = reinterpret_cast<Ptr>(rows.data());
        pm.rowBytes = static_cast<int16_t>(0x8000 | (4 * width));
        pm.bounds = {0, 0, static_cast<int16_t>(height), static_cast<int16_t>(width)};
        pm.pixelType = 16;
        pm.pixelSize = 32;
        pm.cmpCount = 3;
        pm.cmpSize = 8;
        pm.hRes = pm.vRes = 0x00480000;
    }
    void Set(int x, int y, COLORREF c, int width)
    {
        rows[y * width + x] = GetRValue(c) << 16 | GetGValue(c) << 8 | GetBValue(c);
    }
    COLORREF At(int x, int y) const
    {
        uint32_t p = rows[y * (pm.bounds.right - pm.bounds.left) + x];
        return RGB(p >> 16 & 0xFF, p >> 8 & 0xFF, p & 0xFF);
    }
    const BitMap *bits() const { return reinterpret_cast<const BitMap *>(&pm); }
};

// The current port's bits as CopyBits takes them: the address of its portPixMap field.
const BitMap *PortBits(DibPort &port) { return &port.port()->portBits; }

TEST_F(CopyBitsTest, OneBitImagesTakeThePortsColours)
{
    uint8_t rows[4][2] = {{0xF0, 0x0F}, {0xAA, 0x55}, {0x00, 0xFF}, {0x81, 0x18}};
    BitMap bitmap = {reinterpret_cast<Ptr>(rows), 2, {0, 0, 4, 16}};
    auto bit = [&](int x, int y) { return (rows[y][x / 8] >> (7 - x % 8)) & 1; };
    DibPort port(16, 4);
    SetPor(port.port());
    CopyBits(&bitmap, PortBits(port), &bitmap.bounds, &bitmap.bounds, srcCopy, nullptr);
    EXPECT_EQ(PixelMisses(port.surface().dc(), 0, 0, 16, 4, [&](int x, int y) { return bit(x, y) ? kBlack : kWhite; }),
              "");
    const RGBColor red = {0xFFFF, 0, 0}, yellow = {0xFFFF, 0xFFFF, 0};
    RGBForeColor(&red);
    RGBBackColor(&yellow);
    CopyBits(&bitmap, PortBits(port), &bitmap.bounds, &bitmap.bounds, srcCopy, nullptr);
    EXPECT_EQ(PixelMisses(port.surface().dc(), 0, 0, 16, 4, [&](int x, int y) { return bit(x, y) ? kRed : kYellow; }),
              "");

    // srcOr: black pixels paint the foreground, white ones leave the destination.
    ForeColor(blackColor);
    BackColor(whiteColor);
    port.surface().Fill(kGrey);
    CopyBits(&bitmap, PortBits(port), &bitmap.bounds, &bitmap.bounds, srcOr, nullptr);
    EXPECT_EQ(PixelMisses(port.surface().dc(), 0, 0, 16, 4, [&](int x, int y) { return bit(x, y) ? kBlack : kGrey; }),
              "");
}

// A one-bit image in srcOr and srcBic with colours, onto a port's device context and into a PixMap in
// memory: its black pixels take the foreground colour (srcOr) or the background colour (srcBic), its
// white ones leave the destination, whatever the two colours are.
TEST_F(CopyBitsTest, OneBitImagesInOrAndBicPaintThePortsColours)
{
    uint8_t rows[4][2] = {{0xF0, 0x0F}, {0xAA, 0x55}, {0x00, 0xFF}, {0x81, 0x18}};
    BitMap bitmap = {reinterpret_cast<Ptr>(rows), 2, {0, 0, 4, 16}};
    auto bit = [&](int x, int y) { return (rows[y][x / 8] >> (7 - x % 8)) & 1; };
    const RGBColor black = {0, 0, 0}, white = {0xFFFF, 0xFFFF, 0xFFFF}, red = {0xFFFF, 0, 0},
                   yellow = {0xFFFF, 0xFFFF, 0};
    auto ref = [](const RGBColor &c) { return RGB(c.red >> 8, c.green >> 8, c.blue >> 8); };
    const struct {
        int16_t mode;
        RGBColor fore, back;
        const char *what;
    } cases[] = {
        {srcOr, black, white, "srcOr, black on white"},   {srcOr, red, white, "srcOr, red on white"},
        {srcOr, red, yellow, "srcOr, red on yellow"},     {srcBic, black, white, "srcBic, black on white"},
        {srcBic, red, white, "srcBic, red on white"},     {srcBic, black, yellow, "srcBic, black on yellow"},
    };
    for (const auto &c : cases)
        for (bool memory : {false, true}) {
            DibPort port(16, 4, kGrey);
            MemoryPixMap pixels(16, 4, [](int, int) { return kGrey; });
            SetPor(port.port());
            RGBForeColor(&c.fore);
            RGBBackColor(&c.back);
            CopyBits(&bitmap, memory ? pixels.bits() : PortBits(port), &bitmap.bounds, &bitmap.bounds, c.mode, nullptr);
            const COLORREF painted = c.mode == srcOr ? ref(c.fore) : ref(c.back);
            auto want = [&](int x, int y) { return bit(x, y) ? painted : kGrey; };
            if (memory) {
                std::string misses;
                for (int y = 0; y < 4; ++y)
                    for (int x = 0; x < 16; ++x)
                        misses += pixels.At(x, y) == want(x, y) ? '.' : 'X';
                EXPECT_EQ(misses.find('X'), std::string::npos) << c.what << " in memory: " << misses;
            } else {
                EXPECT_EQ(PixelMisses(port.surface().dc(), 0, 0, 16, 4, want), "") << c.what << " onto the port";
            }
            SetPor(WindowManagerPort());
        }
}

TEST_F(CopyBitsTest, DirectPixMapsAtTheirSizeAndScaled)
{
    MemoryPixMap src(6, 4, Colour);
    DibPort port(24, 16);
    SetPor(port.port());
    Rect dst = {2, 3, 6, 9};
    CopyBits(src.bits(), PortBits(port), &src.pm.bounds, &dst, srcCopy, nullptr);
    EXPECT_EQ(PixelMisses(port.surface().dc(), 3, 2, 6, 4, Colour), "");
    // A sub-rectangle enlarged by 2.
    Rect part = {1, 2, 3, 5}, big = {8, 10, 12, 16};
    CopyBits(src.bits(), PortBits(port), &part, &big, srcCopy, nullptr);
    EXPECT_EQ(PixelMisses(port.surface().dc(), 10, 8, 6, 4, [](int x, int y) { return Colour(x / 2 + 2, y / 2 + 1); }),
              "");
    // The caller's rectangles stay as they were; empty ones draw nothing.
    EXPECT_EQ(part.left, 2);
    port.surface().Fill(kWhite);
    Rect empty = {2, 2, 2, 6};
    CopyBits(src.bits(), PortBits(port), &src.pm.bounds, &empty, srcCopy, nullptr);
    CopyBits(src.bits(), PortBits(port), &empty, &dst, srcCopy, nullptr);
    EXPECT_EQ(PixelMisses(port.surface().dc(), 0, 0, 24, 16, [](int, int) { return kWhite; }), "");
}

TEST_F(CopyBitsTest, DitherCopyOnATrueColourScreenChangesNothing)
{
    // The palette screens' engines never run here: with the dither bit the transfer draws what it draws
    // without it, at its size and enlarged.
    MemoryPixMap src(6, 4, Colour);
    for (const Rect dst : {Rect{0, 0, 4, 6}, Rect{0, 0, 8, 12}}) {
        DibPort plain(12, 8), dithered(12, 8);
        SetPor(plain.port());
        CopyBits(src.bits(), PortBits(plain), &src.pm.bounds, &dst, srcCopy, nullptr);
        SetPor(dithered.port());
        CopyBits(src.bits(), PortBits(dithered), &src.pm.bounds, &dst, srcCopy | int{ditherCopy}, nullptr);
        SetPor(WindowManagerPort());
        EXPECT_EQ(PixelMisses(dithered.surface().dc(), 0, 0, 12, 8,
                              [&](int x, int y) { return plain.surface().Pixel(x, y); }),
                  "");
    }
}

TEST_F(CopyBitsTest, IndexedPixMapsThroughTheirColourTable)
{
    const RGBColor entries[4] = {{0xFFFF, 0, 0}, {0, 0xFFFF, 0}, {0, 0, 0xFFFF}, {0x1234, 0x5678, 0x9ABC}};
    CTabHandle table = reinterpret_cast<CTabHandle>(NewHandleClear(8 + 8 * 256));
    (*table)->ctSize = 255;
    for (int i = 0; i < 256; ++i) {
        (*table)->ctTable[i].value = static_cast<int16_t>(i);
        (*table)->ctTable[i].rgb = entries[i % 4];
    }
    std::vector<uint8_t> rows(8 * 3);
    for (int i = 0; i < 24; ++i)
        rows[i] = static_cast<uint8_t>(i * 5);
    PixMap pm{};
    pm.baseAddr = reinterpret_cast<Ptr>(rows.data());
    pm.rowBytes = static_cast<int16_t>(0x8000 | 8);
    pm.bounds = {0, 0, 3, 8};
    pm.pixelSize = 8;
    pm.cmpCount = 1;
    pm.cmpSize = 8;
    pm.pmTable = table;
    DibPort port(8, 3);
    SetPor(port.port());
    CopyBits(reinterpret_cast<BitMap *>(&pm), PortBits(port), &pm.bounds, &pm.bounds, srcCopy, nullptr);
    EXPECT_EQ(PixelMisses(port.surface().dc(), 0, 0, 8, 3,
                     [&](int x, int y) {
                         const RGBColor &c = entries[rows[y * 8 + x] % 4];
                         return RGB(c.red >> 8, c.green >> 8, c.blue >> 8);
                     }),
              "");
    DisposeHandle(reinterpret_cast<Handle>(table));
}

TEST_F(CopyBitsTest, ReductionsShowOnlySourceColours)
{
    MemoryPixMap src(16, 2, [](int x, int) { return x % 2 ? kRed : kBlue; });
    DibPort port(8, 2, kGrey);
    SetPor(port.port());
    Rect half = {0, 0, 2, 8};
    CopyBits(src.bits(), PortBits(port), &src.pm.bounds, &half, srcCopy, nullptr);
    for (int x = 0; x < 8; ++x) {
        COLORREF c = port.surface().Pixel(x, 0);
        EXPECT_TRUE(c == kRed || c == kBlue) << x << ": " << std::hex << c;
    }
}

TEST_F(CopyBitsTest, ThePortsClipLimitsTheDestination)
{
    MemoryPixMap src(8, 8, Colour);
    DibPort port(8, 8);
    SetPor(port.port());
    Rect clip = {2, 1, 6, 5};
    ClipRect(&clip);
    Rect big = {0, 0, 16, 16}, whole = {0, 0, 8, 8};
    // Magnified 2: the clip's edges fall inside source pixels; only the clip's pixels change.
    Rect quarter = {0, 0, 4, 4};
    (void)big;
    CopyBits(src.bits(), PortBits(port), &quarter, &whole, srcCopy, nullptr);
    auto inside = [&](int x, int y) { return x >= 1 && x < 5 && y >= 2 && y < 6; };
    EXPECT_EQ(PixelMisses(port.surface().dc(), 0, 0, 8, 8,
                     [&](int x, int y) { return inside(x, y) ? Colour(x / 2, y / 2) : kWhite; }),
              "");
}

// The mask region limits the transfer onto a port whatever the source: a PixMap in memory and an
// offscreen world (its pixels in a device context), at the same size and enlarged, with the port's
// origin moved; only the pixels of the L-shaped region change.
TEST_F(CopyBitsTest, TheMaskRegionLimitsTheDestination)
{
    MemoryPixMap src(8, 8, Colour);
    const Rect whole = {0, 0, 8, 8};
    GWorldPtr world = nullptr;
    ASSERT_EQ(NewGWorld(&world, 32, &whole, nullptr, nullptr, 0), 0);
    CGrafPtr savedPort = nullptr;
    GDHandle savedDevice = nullptr;
    GetGWorld(&savedPort, &savedDevice);
    SetGWorld(world, nullptr);
    CopyBits(src.bits(), &reinterpret_cast<GrafPtr>(world)->portBits, &whole, &whole, srcCopy, nullptr);
    SetGWorld(savedPort, savedDevice);
    for (bool fromWorld : {false, true})
        for (bool enlarged : {false, true}) {
            DibPort port(8, 8, kGrey);
            SetPor(port.port());
            SetOrigin(10, 20);
            RgnHandle mask = NewRgn(), part = NewRgn();
            SetRectRgn(mask, 11, 21, 17, 24); // local coordinates: (1, 1)-(7, 4) of the port
            SetRectRgn(part, 11, 24, 14, 27); // and (1, 4)-(4, 7)
            UnionRgn(mask, part, mask);
            const Rect from = enlarged ? Rect{0, 0, 4, 4} : whole, to = {20, 10, 28, 18};
            PixMapHandle pixels = GetGWorldPixMap(world);
            CopyBits(fromWorld ? reinterpret_cast<const BitMap *>(*pixels) : src.bits(), PortBits(port), &from, &to,
                     srcCopy, mask);
            auto inside = [](int x, int y) { return (x >= 1 && x < 7 && y >= 1 && y < 4) || (x >= 1 && x < 4 && y >= 4 && y < 7); };
            EXPECT_EQ(PixelMisses(port.surface().dc(), 0, 0, 8, 8,
                                  [&](int x, int y) {
                                      return !inside(x, y) ? kGrey : enlarged ? Colour(x / 2, y / 2) : Colour(x, y);
                                  }),
                      "")
                << (fromWorld ? "from a world" : "from memory") << (enlarged ? ", enlarged" : "");
            SetOrigin(0, 0);
            DisposeRgn(part);
            DisposeRgn(mask);
            SetPor(WindowManagerPort());
        }
    DisposeGWorld(world);
}

// A port drawing into a PixMap in memory: magnified rows step whole source pixels, yet nothing outside
// the port's clip changes.
TEST_F(CopyBitsTest, AMemoryPortsClipLimitsTheDestination)
{
    MemoryPixMap src(8, 8, Colour);
    DibPort port(8, 8);
    SetPor(port.port());
    PixMapHandle own = port.cport()->portPixMap;
    std::vector<uint32_t> rows(8 * 8, 0x00808080);
    PixMapHandle memory = NewPixMap();
    (*memory)->baseAddr = reinterpret_cast<Ptr>(rows.data());
    (*memory)->rowBytes = static_cast<int16_t>(0x8000 | 32);
    (*memory)->bounds = {0, 0, 8, 8};
    (*memory)->pixelType = 16;
    (*memory)->pixelSize = 32;
    (*memory)->cmpCount = 3;
    (*memory)->cmpSize = 8;
    port.cport()->portPixMap = memory;
    Rect clip = {3, 1, 7, 5}, quarter = {0, 0, 4, 4}, whole = {0, 0, 8, 8};
    ClipRect(&clip);
    CopyBits(src.bits(), PortBits(port), &quarter, &whole, srcCopy, nullptr);
    port.cport()->portPixMap = own;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            bool inside = x >= 1 && x < 5 && y >= 3 && y < 7;
            COLORREF c = Colour(x / 2, y / 2);
            uint32_t want = inside ? (GetRValue(c) << 16 | GetGValue(c) << 8 | GetBValue(c)) : 0x00808080;
            EXPECT_EQ(rows[y * 8 + x], want) << x << "," << y;
        }
    (*memory)->baseAddr = nullptr;
    DisposePixMap(memory);
}

TEST_F(CopyBitsTest, DeviceContextsIntoMemory)
{
    DibPort port(8, 6);
    SetPor(port.port());
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x)
            SetPixel(port.surface().dc(), x, y, Colour(x, y));
    // The port's pixels into an offscreen PixMap, then that PixMap into a second one, shifted.
    MemoryPixMap first(8, 6, nullptr);
    CopyBits(PortBits(port), first.bits(), &first.pm.bounds, &first.pm.bounds, srcCopy, nullptr);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x)
            ASSERT_EQ(first.At(x, y), Colour(x, y)) << x << "," << y;
    MemoryPixMap second(8, 6, [](int, int) { return kGrey; });
    Rect from = {0, 0, 3, 4}, to = {2, 3, 5, 7};
    CopyBits(first.bits(), second.bits(), &from, &to, srcCopy, nullptr);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x) {
            bool inside = x >= 3 && x < 7 && y >= 2 && y < 5;
            ASSERT_EQ(second.At(x, y), inside ? Colour(x - 3, y - 2) : kGrey) << x << "," << y;
        }
}

TEST_F(CopyBitsTest, TransparentModeLeavesTheBackgroundColour)
{
    const COLORREF key = RGB(0x20, 0x40, 0x60);
    auto source = [&](int x, int y) { return (x + y) % 3 == 0 ? key : Colour(x, y); };
    auto backdrop = [](int x, int) { return x % 2 ? kGrey : kYellow; };
    // Between device contexts: the source DC's background colour is left out, whatever the
    // destination port's colours.
    DibPort from(8, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x)
            SetPixel(from.surface().dc(), x, y, source(x, y));
    SetBkColor(from.surface().dc(), key);
    DibPort port(8, 4);
    SetPor(port.port());
    const RGBColor red = {0xFFFF, 0, 0}, blue = {0, 0, 0xFFFF};
    RGBForeColor(&red);
    RGBBackColor(&blue);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x)
            SetPixel(port.surface().dc(), x, y, backdrop(x, y));
    Rect r = {0, 0, 4, 8};
    CopyBits(PortBits(from), PortBits(port), &r, &r, 36, nullptr);
    auto want = [&](int x, int y) { return source(x, y) == key ? backdrop(x, y) : source(x, y); };
    EXPECT_EQ(PixelMisses(port.surface().dc(), 0, 0, 8, 4, want), "");

    // From a 32-bit PixMap in memory: the port's background colour is left out, and nothing is
    // reported.
    MemoryPixMap memory(8, 4, [](int x, int y) { return (x + y) % 3 == 0 ? RGB(0x20, 0x40, 0x60) : Colour(x, y); });
    const RGBColor keyRGB = {0x2020, 0x4040, 0x6060};
    RGBBackColor(&keyRGB);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x)
            SetPixel(port.surface().dc(), x, y, backdrop(x, y));
    testing_support::TakeDebugMessages();
    CopyBits(memory.bits(), PortBits(port), &r, &r, 36, nullptr);
    EXPECT_EQ(PixelMisses(port.surface().dc(), 0, 0, 8, 4, want), "");
    EXPECT_TRUE(testing_support::TakeDebugMessages().empty());
}

int sBitsCalls;
void ZEL_CALL CountBits(const BitMap *, const Rect *, const Rect *, int16_t, RgnHandle) { ++sBitsCalls; }

TEST_F(CopyBitsTest, ThePortsBottleneckTakesEveryTransfer)
{
    DibPort port(4, 4);
    SetPor(port.port());
    CQDProcs procs;
    SetStdCProcs(&procs);
    procs.bitsProc = CountBits;
    port.cport()->grafProcs = &procs;
    MemoryPixMap src(4, 4, Colour), elsewhere(4, 4, nullptr);
    sBitsCalls = 0;
    CopyBits(src.bits(), PortBits(port), &src.pm.bounds, &src.pm.bounds, srcCopy, nullptr);
    CopyBits(src.bits(), elsewhere.bits(), &src.pm.bounds, &src.pm.bounds, srcCopy, nullptr);
    EXPECT_EQ(sBitsCalls, 2);
    EXPECT_EQ(elsewhere.At(1, 1), kWhite);
    EXPECT_EQ(procs.bitsProc, CountBits) << "put back after each call";
    port.cport()->grafProcs = nullptr;
}

} // namespace

// DIB PixMaps made from hosts' DIBs and for rectangles, region arithmetic on mask-form regions, shapes
// drawn through the shape mask, and solid fills written straight into ports' DIB rows.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
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

class DibPixMapTest : public QuickDrawTest {};

// A packed DIB the host owns: header, colours, rows.
struct HostDib {
    std::vector<uint8_t> bytes;
    BITMAPINFO *info() { return reinterpret_cast<BITMAPINFO *>(bytes.data()); }
    int stride = 0, colours = 0, width = 0, height = 0, depth = 0;
    bool topDown = false;
    HostDib(int d, int w, int h, int clrUsed, bool blackFirst, bool down) : width(w), height(h), depth(d), topDown(down)
    {
        const int full = d <= 8 ? 1 << d : 0;
        colours = clrUsed ? clrUsed : full;
        stride = ((w * d + 31) / 32) * 4;
        bytes.assign(sizeof(BITMAPINFOHEADER) + 4 * colours + static_cast<size_t>(stride) * h, 0);
        BITMAPINFOHEADER &bi = info()->bmiHeader;
        bi.biSize = sizeof bi;
        bi.biWidth = w;
        bi.biHeight = down ? -h : h;
        bi.biPlanes = 1;
        bi.biBitCount = static_cast<WORD>(d);
        bi.biClrUsed = static_cast<DWORD>(clrUsed);
        bi.biSizeImage = 12345; // whatever the host wrote: it stays
        for (int i = 0; i < colours; ++i) {
            // White first and black last, or the other way round; distinct colours between.
            int level = colours == 1 ? 0 : 255 * i / (colours - 1);
            if (!blackFirst)
                level = 255 - level;
            RGBQUAD &q = info()->bmiColors[i];
            q = RGBQUAD{static_cast<BYTE>(level), static_cast<BYTE>((level * 7 + i * 40) & 255), static_cast<BYTE>(level), 0};
            if (i == 0 || i == colours - 1)
                q.rgbGreen = q.rgbBlue;
        }
        std::mt19937 random(static_cast<unsigned>(d * 100 + w));
        uint8_t *rows = bytes.data() + sizeof(BITMAPINFOHEADER) + 4 * colours;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                SetRaw(rows, x, y, colours ? random() % colours : random());
    }
    uint8_t *Row(uint8_t *rows, int y) { return rows + static_cast<size_t>(topDown ? y : height - 1 - y) * stride; }
    void SetRaw(uint8_t *rows, int x, int y, uint32_t v)
    {
        uint8_t *r = Row(rows, y);
        switch (depth) {
        case 1: case 4: {
            const int per = 8 / depth, shift = 8 - depth * (x % per + 1);
            r[x / per] = static_cast<uint8_t>((r[x / per] & ~(((1 << depth) - 1) << shift)) | (v << shift));
            break;
        }
        case 8: r[x] = static_cast<uint8_t>(v); break;
        case 16: r[2 * x] = static_cast<uint8_t>(v); r[2 * x + 1] = static_cast<uint8_t>((v >> 8) & 0x7F); break;
        case 24: r[3 * x] = static_cast<uint8_t>(v); r[3 * x + 1] = static_cast<uint8_t>(v >> 8); r[3 * x + 2] = static_cast<uint8_t>(v >> 16); break;
        }
    }
    // The pixel's own colour, as the DIB says.
    COLORREF Colour(int x, int y)
    {
        uint8_t *rows = bytes.data() + sizeof(BITMAPINFOHEADER) + 4 * colours;
        const uint8_t *r = Row(rows, y);
        switch (depth) {
        case 1: case 4: {
            const int per = 8 / depth, shift = 8 - depth * (x % per + 1);
            const RGBQUAD q = info()->bmiColors[(r[x / per] >> shift) & ((1 << depth) - 1)];
            return RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
        }
        case 8: {
            const RGBQUAD q = info()->bmiColors[r[x]];
            return RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
        }
        case 16: {
            const int w = r[2 * x] | r[2 * x + 1] << 8;
            auto widen = [](int c) { return c << 3 | c >> 2; };
            return RGB(widen(w >> 10 & 31), widen(w >> 5 & 31), widen(w & 31));
        }
        default: return RGB(r[3 * x + 2], r[3 * x + 1], r[3 * x]);
        }
    }
};

TEST_F(DibPixMapTest, NewDIBPixMapDescribesTheHostsDibAndLeavesItAlone)
{
    struct Case {
        int depth, clrUsed;
        bool blackFirst, topDown;
    };
    const Case cases[] = {
        {1, 0, false, false}, {1, 0, true, false}, {4, 0, false, true}, {4, 5, true, false}, {8, 0, false, false},
        {8, 37, true, true}, {8, 300, false, false}, {16, 0, false, false}, {24, 0, false, true},
    };
    DibPort port(24, 6, RGB(1, 2, 3));
    SetPor(port.port());
    for (const Case &c : cases) {
        // A biClrUsed above the depth's count is cut to it: the host's table then holds that many.
        const int held = c.depth <= 8 ? std::min(c.clrUsed ? c.clrUsed : 1 << c.depth, 1 << c.depth) : 0;
        HostDib dib(c.depth, 21, 6, c.clrUsed > 256 ? 0 : c.clrUsed, c.blackFirst, c.topDown);
        if (c.clrUsed > 256)
            dib.info()->bmiHeader.biClrUsed = static_cast<DWORD>(c.clrUsed);
        const std::vector<uint8_t> before = dib.bytes;
        PixMapHandle pm = ZEL_NewDIBPixMap(dib.info());
        ASSERT_TRUE(pm) << c.depth;
        EXPECT_EQ(dib.bytes, before) << "the host's DIB is only read";
        const PixMap &p = **pm;
        EXPECT_EQ(p.bounds.top, 0);
        EXPECT_EQ(p.bounds.left, 0);
        EXPECT_EQ(p.bounds.bottom, 6);
        EXPECT_EQ(p.bounds.right, 21);
        const int pixelSize = c.depth == 24 ? 32 : c.depth;
        EXPECT_EQ(p.pixelSize, pixelSize);
        EXPECT_EQ(p.rowBytes & 0x3FFF, ((21 * pixelSize + 15) / 16) * 2);
        EXPECT_TRUE(p.rowBytes & 0x8000);
        const bool reversed = c.depth <= 8 && c.blackFirst;
        EXPECT_EQ(p.pmExtFlags & (pmExtDibAttached | pmExtBitsPrepared), pmExtDibAttached | (reversed ? pmExtBitsPrepared : 0))
            << c.depth;
        if (c.depth <= 8) {
            const int count = 1 << c.depth;
            ASSERT_TRUE(p.pmTable);
            EXPECT_EQ((*p.pmTable)->ctSize, count - 1);
            for (int i = 0; i < count; ++i) {
                const int dibIndex = reversed ? count - 1 - i : i;
                const RGBColor &e = (*p.pmTable)->ctTable[i].rgb;
                if (dibIndex < held) {
                    const RGBQUAD &q = dib.info()->bmiColors[dibIndex];
                    EXPECT_EQ(e.red, q.rgbRed * 257) << c.depth << " entry " << i;
                    EXPECT_EQ(e.green, q.rgbGreen * 257);
                    EXPECT_EQ(e.blue, q.rgbBlue * 257);
                } else {
                    const uint16_t grey = static_cast<uint16_t>(i + (reversed ? 0xFE00 : 0x100));
                    EXPECT_EQ(e.red, grey) << c.depth << " padding " << i;
                }
            }
        }
        // Drawn onto a port: the DIB's own colours at every pixel.
        Rect r = p.bounds;
        CopyBits(reinterpret_cast<const BitMap *>(*pm), &port.port()->portBits, &r, &r, srcCopy, nullptr);
        // 16-bit pixels hold five bits a component.
        const COLORREF precision = c.depth == 16 ? 0xF8F8F8 : 0xFFFFFF;
        std::string misses;
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 21; ++x)
                misses += (port.surface().Pixel(x, y) & precision) == (dib.Colour(x, y) & precision) ? '.' : 'X';
        EXPECT_EQ(misses.find('X'), std::string::npos) << c.depth << "\n" << misses;
        DisposePixMap(pm);
    }

    // Headers that describe no DIB PixMap.
    for (auto change : std::vector<std::function<void(BITMAPINFOHEADER &)>>{
             [](BITMAPINFOHEADER &h) { h.biWidth = 0; }, [](BITMAPINFOHEADER &h) { h.biPlanes = 2; },
             [](BITMAPINFOHEADER &h) { h.biBitCount = 2; }, [](BITMAPINFOHEADER &h) { h.biWidth = -4; }}) {
        HostDib dib(8, 4, 4, 0, false, false);
        change(dib.info()->bmiHeader);
        EXPECT_EQ(ZEL_NewDIBPixMap(dib.info()), nullptr);
    }
    EXPECT_EQ(ZEL_NewDIBPixMap(nullptr), nullptr);

    // A compressed DIB: a PixMap whose pixels are a Windows bitmap, with no DIB.
    HostDib rle(8, 4, 2, 0, false, false);
    rle.info()->bmiHeader.biCompression = BI_RLE8;
    const uint8_t runs[] = {4, 7, 0, 0, 4, 9, 0, 0, 0, 1};
    rle.bytes.resize(sizeof(BITMAPINFOHEADER) + 4 * 256);
    rle.bytes.insert(rle.bytes.end(), runs, runs + sizeof runs);
    rle.info()->bmiHeader.biSizeImage = sizeof runs;
    PixMapHandle bitmapBacked = ZEL_NewDIBPixMap(rle.info());
    ASSERT_TRUE(bitmapBacked);
    EXPECT_FALSE((*bitmapBacked)->pmExtFlags & pmExtDibAttached);
    EXPECT_TRUE((*bitmapBacked)->pmExtBitmap);
    DisposePixMap(bitmapBacked);
}

// Unfolding a PixMap of ZEL_NewDIBPixMap into itself gives it rows of its own: the one-byte block that
// stands for every such PixMap's pixels is never written, whatever the map's size, and the other maps
// and the heap stay whole.
TEST_F(DibPixMapTest, UnfoldingIntoItselfNeverWritesTheSharedBlock)
{
    DibPort port(300, 240, RGB(1, 2, 3));
    SetPor(port.port());
    HostDib other(8, 8, 4, 0, false, false);
    PixMapHandle bystander = ZEL_NewDIBPixMap(other.info());
    ASSERT_TRUE(bystander);
    const Ptr shared = (*bystander)->baseAddr;
    for (const auto &size : {std::pair<int, int>{300, 240}, std::pair<int, int>{5, 1}}) {
        HostDib dib(8, size.first, size.second, 0, false, false);
        PixMapHandle pm = ZEL_NewDIBPixMap(dib.info());
        ASSERT_TRUE(pm);
        ASSERT_EQ(ZEL_UnfoldPixMap(*pm, reinterpret_cast<BitMap *>(*pm), nullptr, nullptr, 0x400), 1) << size.first;
        EXPECT_NE((*pm)->baseAddr, shared) << size.first << " wide: rows of its own";
        EXPECT_EQ(ZEL_MemCheck(), 1) << size.first;
        // Its own rows hold the DIB's pixels.
        const PixMap &p = **pm;
        const int rowBytes = p.rowBytes & 0x3FFF;
        int wrong = 0;
        for (int y = 0; y < size.second; ++y)
            for (int x = 0; x < size.first; ++x) {
                const ColorSpec &c = (*p.pmTable)->ctTable[reinterpret_cast<const uint8_t *>(p.baseAddr)[y * rowBytes + x]];
                wrong += RGB(c.rgb.red >> 8, c.rgb.green >> 8, c.rgb.blue >> 8) != dib.Colour(x, y);
            }
        EXPECT_EQ(wrong, 0) << size.first;
        DisposePixMap(pm);
    }
    Rect r = (*bystander)->bounds;
    CopyBits(reinterpret_cast<const BitMap *>(*bystander), &port.port()->portBits, &r, &r, srcCopy, nullptr);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x)
            ASSERT_EQ(port.surface().Pixel(x, y), other.Colour(x, y)) << x << "," << y;
    DisposePixMap(bystander);
    EXPECT_EQ(ZEL_MemCheck(), 1);
}

TEST_F(DibPixMapTest, DisposingFreesOnlyOwnStorage)
{
    DibPort port(8, 4, RGB(1, 2, 3));
    SetPor(port.port());
    HostDib a(8, 8, 4, 0, false, false), b(8, 8, 4, 0, false, false);
    PixMapHandle first = ZEL_NewDIBPixMap(a.info()), second = ZEL_NewDIBPixMap(b.info());
    ASSERT_TRUE(first && second);
    EXPECT_EQ((*first)->baseAddr, (*second)->baseAddr) << "one block stands for every such PixMap's pixels";
    DisposeDibPixMapForTest(first);
    Rect r = (*second)->bounds;
    CopyBits(reinterpret_cast<const BitMap *>(*second), &port.port()->portBits, &r, &r, srcCopy, nullptr);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x)
            ASSERT_EQ(port.surface().Pixel(x, y), b.Colour(x, y)) << x << "," << y;
    DisposePixMap(second);
    Rect box = {0, 0, 5, 9};
    for (Boolean withDC : {Boolean(false), Boolean(true)}) {
        PixMapHandle rectangle = NewDibPixMapForTest(&box, nullptr, withDC);
        ASSERT_TRUE(rectangle);
        DisposeDibPixMapForTest(rectangle);
    }
    EXPECT_EQ(ZEL_MemCheck(), 1);
}

// ---- Region arithmetic ----

using Shape = std::function<bool(int, int)>;

RgnHandle MaskRegionOf(const Shape &inside, const Rect &box)
{
    const int w = box.right - box.left, h = box.bottom - box.top, rowBytes = ((w + 15) / 16) * 2;
    std::vector<uint8_t> rows(static_cast<size_t>(rowBytes) * h, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (inside(box.left + x, box.top + y))
                rows[y * rowBytes + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
    BitMap bits = {reinterpret_cast<Ptr>(rows.data()), static_cast<int16_t>(rowBytes), box};
    RgnHandle rgn = NewRgn();
    EXPECT_EQ(BitMapToRegion(rgn, &bits), 0);
    return rgn;
}

TEST_F(DibPixMapTest, RegionArithmeticOnMaskRegionsFollowsTheSetOperations)
{
    DibPort port(8, 8);
    SetPor(port.port());
    std::mt19937 random(3);
    std::vector<uint8_t> noise(40 * 40);
    for (uint8_t &v : noise)
        v = random() % 3 == 0;
    std::vector<RgnHandle> operands = {
        // An L, a ring, random pixels (mask form).
        MaskRegionOf([](int x, int y) { return x < 14 || y > 25; }, Rect{5, 8, 31, 30}),
        MaskRegionOf([](int x, int y) { const int d = (x - 20) * (x - 20) + (y - 20) * (y - 20); return d < 150 && d > 40; },
                     Rect{6, 6, 34, 34}),
        MaskRegionOf([&](int x, int y) { return noise[(y - 2) * 40 + (x - 2)] != 0; }, Rect{2, 2, 42, 42}),
    };
    // A rectangle form, a GDI form whose box covers the ring's mask but whose shape does not, and masks
    // inset and mapped after they were made.
    RgnHandle rect = NewRgn();
    SetRectRgn(rect, 10, 12, 26, 40);
    operands.push_back(rect);
    RgnHandle oval = NewRgn();
    OpenRgn();
    Rect ovalBox = {4, 4, 36, 36};
    FrameOval(&ovalBox);
    CloseRgn(oval);
    operands.push_back(oval);
    RgnHandle inset = NewRgn();
    CopyRgn(operands[1], inset);
    InsetRgn(inset, 3, 5);
    operands.push_back(inset);
    RgnHandle mapped = NewRgn();
    CopyRgn(operands[0], mapped);
    Rect from = {0, 0, 10, 10}, to = {3, -2, 16, 11};
    MapRgn(mapped, &from, &to);
    operands.push_back(mapped);

    using Op = void (*)(RgnHandle, RgnHandle, RgnHandle);
    const struct {
        Op op;
        const char *name;
        bool (*want)(bool, bool);
    } ops[] = {{[](RgnHandle a, RgnHandle b, RgnHandle d) { SectRgn(a, b, d); }, "SectRgn", [](bool a, bool b) { return a && b; }},
               {[](RgnHandle a, RgnHandle b, RgnHandle d) { UnionRgn(a, b, d); }, "UnionRgn", [](bool a, bool b) { return a || b; }},
               {[](RgnHandle a, RgnHandle b, RgnHandle d) { XorRgn(a, b, d); }, "XorRgn", [](bool a, bool b) { return a != b; }},
               {[](RgnHandle a, RgnHandle b, RgnHandle d) { DiffRgn(a, b, d); }, "DiffRgn", [](bool a, bool b) { return a && !b; }}};
    RgnHandle result = NewRgn();
    for (size_t i = 0; i < operands.size(); ++i)
        for (size_t j = 0; j < operands.size(); ++j) {
            // Pairs where a mask takes part.
            if ((**operands[i]).rgnSize != 14 && (**operands[j]).rgnSize != 14)
                continue;
            for (const auto &o : ops) {
                o.op(operands[i], operands[j], result);
                std::string misses;
                for (int y = -4; y < 48; ++y)
                    for (int x = -4; x < 48; ++x) {
                        const Point pt = {static_cast<int16_t>(y), static_cast<int16_t>(x)};
                        const bool want = o.want(PtInRgn(pt, operands[i]), PtInRgn(pt, operands[j]));
                        if (PtInRgn(pt, result) != want && misses.size() < 200)
                            misses += "(" + std::to_string(x) + "," + std::to_string(y) + ")";
                    }
                EXPECT_EQ(misses, "") << o.name << " of operands " << i << " and " << j;
            }
        }

    // Two small masks thousands of pixels apart: both, and nothing between them.
    RgnHandle left = MaskRegionOf([](int, int) { return true; }, Rect{0, 0, 3, 3});
    RgnHandle right = MaskRegionOf([](int x, int) { return x % 2 == 0; }, Rect{0, 3000, 3, 3004});
    UnionRgn(left, right, result);
    for (int x : {0, 2, 3, 1500, 2999, 3000, 3001, 3002, 3003}) {
        const bool want = x < 3 || (x >= 3000 && x % 2 == 0);
        EXPECT_EQ(PtInRgn(Point{1, static_cast<int16_t>(x)}, result) != 0, want) << x;
    }

    // A mask that cannot be made leaves the destination as it was.
    SetRectRgn(result, 1, 2, 3, 4);
    ZEL_SetMemoryLimits(1, 1, 0, 0);
    UnionRgn(operands[2], operands[1], result);
    const OSErr err = MemError();
    ZEL_SetMemoryLimits(0, 0, 0, 0);
    EXPECT_EQ(err, -108);
    EXPECT_EQ((**result).rgnBBox.left, 1);
    EXPECT_EQ((**result).rgnBBox.bottom, 4);
    EXPECT_TRUE(PtInRgn(Point{3, 2}, result));
    EXPECT_FALSE(PtInRgn(Point{10, 10}, result));

    for (RgnHandle r : operands)
        DisposeRgn(r);
    DisposeRgn(left);
    DisposeRgn(right);
    DisposeRgn(result);
}

// ---- Shapes through the mask ----

constexpr uint32_t kMaskEmulation = 0x8000;

// The pixels a drawing changes on a grey port.
std::vector<bool> ChangedPixels(int16_t mode, bool maskEmulation, const std::function<void()> &draw)
{
    DibPort port(40, 40, RGB(0x80, 0x80, 0x80));
    SetPor(port.port());
    const RGBColor red = {0xFFFF, 0, 0}, yellow = {0xFFFF, 0xFFFF, 0};
    RGBForeColor(&red);
    RGBBackColor(&yellow);
    PenMode(mode);
    ZEL_SetFlags(0, 0, kMaskEmulation, maskEmulation ? kMaskEmulation : 0);
    draw();
    ZEL_SetFlags(0, 0, kMaskEmulation, 0);
    std::vector<bool> changed;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x)
            changed.push_back(port.surface().Pixel(x, y) != RGB(0x80, 0x80, 0x80));
    SetPor(testing_support::WindowManagerPort());
    return changed;
}

TEST_F(DibPixMapTest, ShapesInEmulatedModesChangeTheirOwnPixels)
{
    PolyHandle poly = nullptr;
    RgnHandle rgn = NewRgn();
    const std::pair<const char *, std::function<void()>> shapes[] = {
        {"rectangle", [] { Rect r = {3, 5, 30, 33}; PaintRect(&r); }},
        {"oval", [] { Rect r = {2, 4, 37, 31}; PaintOval(&r); }},
        {"polygon",
         [&] {
             poly = OpenPoly();
             MoveTo(4, 4);
             LineTo(35, 10);
             LineTo(12, 36);
             LineTo(4, 4);
             ClosePoly();
             PaintPoly(poly);
             KillPoly(poly);
         }},
        {"region", [&] { SetRectRgn(rgn, 6, 7, 20, 33); PaintRgn(rgn); }},
    };
    for (const auto &[name, draw] : shapes) {
        uint32_t before = ShapesDrawnThroughMask();
        const std::vector<bool> masked = ChangedPixels(patOr, true, draw);
        EXPECT_EQ(ShapesDrawnThroughMask(), before + 1) << name << " goes through the mask";
        before = ShapesDrawnThroughMask();
        const std::vector<bool> plain = ChangedPixels(patCopy, false, draw);
        ChangedPixels(patXor, false, draw);
        EXPECT_EQ(ShapesDrawnThroughMask(), before) << name << ": a mode GDI draws takes no mask with the switch off";
        // patOr in red is no raster operation of GDI's: its colour goes through the mask whatever the switch.
        ChangedPixels(patOr, false, draw);
        EXPECT_EQ(ShapesDrawnThroughMask(), before + 1) << name << ": patOr in red with the switch off";
        EXPECT_EQ(masked, plain) << name;
        EXPECT_NE(std::count(masked.begin(), masked.end(), true), 0) << name;
    }
    DisposeRgn(rgn);
    std::string reported;
    for (const std::string &m : TakeDebugMessages())
        reported += m;
    EXPECT_EQ(reported, "");
}

// ---- Fills written into DIB rows ----

TEST_F(DibPixMapTest, PaintRectOnDibPortsWritesTheColoursIndex)
{
    DibPort port(8, 8);
    SetPor(port.port());
    PixMapHandle own = port.cport()->portPixMap;
    for (int depth : {1, 4, 8}) {
        PixMap like{};
        like.pixelSize = static_cast<int16_t>(depth);
        like.cmpCount = 1;
        like.cmpSize = static_cast<int16_t>(depth);
        like.pmTable = GetCTable(static_cast<int16_t>(depth));
        Rect box = {0, 0, 10, 23};
        PixMapHandle pm = NewDibPixMapForTest(&box, &like, true);
        ASSERT_TRUE(pm) << depth;
        SetPortPix(pm);
        // A colour of the table: its entry goes into every pixel of the rectangle and no other.
        const int entry = depth == 1 ? 1 : depth == 4 ? 6 : 77;
        RGBForeColor(&(*like.pmTable)->ctTable[entry].rgb);
        Rect r = {2, 3, 7, 19};
        PenMode(patCopy);
        PaintRect(&r);
        const BITMAPINFOHEADER &h = *reinterpret_cast<BITMAPINFOHEADER *>(*(*pm)->pmExtDib);
        const int stride = ((23 * h.biBitCount + 31) / 32) * 4;
        const uint8_t *bits = reinterpret_cast<uint8_t *>((*pm)->pmExtDibBits);
        std::string misses;
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 23; ++x) {
                const uint8_t *row = bits + (h.biHeight > 0 ? 9 - y : y) * stride;
                const int per = 8 / h.biBitCount, shift = 8 - h.biBitCount * (x % per + 1);
                const int v = (row[x / per] >> shift) & ((1 << h.biBitCount) - 1);
                const bool in = x >= 3 && x < 19 && y >= 2 && y < 7;
                misses += v == (in ? entry : 0) ? '.' : 'X';
            }
        EXPECT_EQ(misses.find('X'), std::string::npos) << depth << "\n" << misses;
        SetPortPix(own);
        ForeColor(blackColor);
        DisposeDibPixMapForTest(pm);
        DisposeCTable(like.pmTable);
    }
    std::string reported;
    for (const std::string &m : TakeDebugMessages())
        reported += m;
    EXPECT_EQ(reported, "");
}

} // namespace

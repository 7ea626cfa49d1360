// Offscreen drawing: Begin's refusals, End in each transfer mode, clipping and pattern phase, the
// printer-scaled blit; turning and mirroring the bitmap behind a PixMap; packing and unpacking, with
// damaged packed handles; GetPixMapInfo's table.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "MacMemory.h"
#include "QDOffscreen.h"
#include "Quickdraw.h"
#include "Zel.h"
#include "qd_fixture.h"
#include "test_seams.h"
#include "test_support.h"

namespace {

using testing_support::DibPort;
using testing_support::QuickDrawTest;
using testing_support::WindowManagerPort;

constexpr COLORREF kWhite = RGB(255, 255, 255), kBlack = RGB(0, 0, 0);

class Offscreen : public QuickDrawTest {
protected:
    void TearDown() override
    {
        SelectTestPrintScaling(nullptr, nullptr);
        QuickDrawTest::TearDown();
    }
};

// The port's pixels before: white left of x = 32, black from it.
void SplitBackground(DibPort &port)
{
    port.surface().Fill(kWhite);
    RECT right{32, 0, port.surface().width(), port.surface().height()};
    FillRect(port.surface().dc(), &right, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
}
bool OldBlack(int x, int) { return x >= 32; }

const Rect kArea{10, 10, 30, 50};  // the offscreen rectangle
const Rect kInked{15, 20, 25, 40}; // painted black inside it
bool Inside(const Rect &r, int x, int y) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; }

TEST_F(Offscreen, BeginRefusesWhileAnyPortIsActive)
{
    DibPort a(64, 40), b(64, 40);
    SetPor(a.port());
    const Rect empty{10, 10, 10, 50};
    EXPECT_EQ(ZEL_BeginOffScreen(true, &empty), 0);
    ASSERT_EQ(ZEL_BeginOffScreen(true, &kArea), 1);
    EXPECT_EQ(ZEL_BeginOffScreen(true, &kArea), 0) << "the same port again";
    SetPor(b.port());
    EXPECT_EQ(ZEL_BeginOffScreen(true, &kArea), 0) << "another port while the first is active";
    ZEL_EndOffScreen(true, false, srcCopy); // not active on this port: nothing
    SetPor(a.port());
    PaintRect(&kInked);
    ZEL_EndOffScreen(false, false, srcCopy); // no draw: the port as it was
    EXPECT_EQ(testing_support::PixelMisses(a.surface().dc(), 0, 0, 64, 40, [](int, int) { return kWhite; }), "");
    // Drawing goes to the port again, and a new Begin works.
    const Rect dot{0, 0, 2, 2};
    PaintRect(&dot);
    EXPECT_EQ(a.surface().Pixel(1, 1), kBlack);
    EXPECT_EQ(ZEL_BeginOffScreen(false, &kArea), 1);
    ZEL_EndOffScreen(false, false, srcCopy);
    SetPor(WindowManagerPort());
}

// End with draw: r shows the mode's result of the offscreen pixels over the old ones; nothing outside r
// changes.
TEST_F(Offscreen, EndDrawsInEachMode)
{
    struct Case {
        const char *what;
        int16_t mode;
        bool (*result)(bool src, bool dst); // true black
    } cases[] = {
        {"srcCopy", srcCopy, [](bool s, bool) { return s; }},
        {"srcOr", srcOr, [](bool s, bool d) { return s || d; }},
        {"srcXor", srcXor, [](bool s, bool d) { return s != d; }},
        {"srcBic", srcBic, [](bool s, bool d) { return !s && d; }},
        {"adMin", 39, [](bool s, bool d) { return s || d; }},
        {"addMax", 37, [](bool s, bool) { return s; }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        DibPort port(64, 40);
        SplitBackground(port);
        SetPor(port.port());
        ASSERT_EQ(ZEL_BeginOffScreen(true, &kArea), 1);
        PaintRect(&kInked);
        ZEL_EndOffScreen(true, false, c.mode);
        EXPECT_EQ(testing_support::PixelMisses(port.surface().dc(), 0, 0, 64, 40,
                                               [&](int x, int y) {
                                                   bool black = Inside(kArea, x, y)
                                                                    ? c.result(Inside(kInked, x, y), OldBlack(x, y))
                                                                    : OldBlack(x, y);
                                                   return black ? kBlack : kWhite;
                                               }),
                  "");
        SetPor(WindowManagerPort());
    }
}

// A clip inside r limits what reaches the port; a patterned fill drawn offscreen matches the same fill
// drawn directly, pixel for pixel.
TEST_F(Offscreen, ClipAndPatternPhase)
{
    DibPort port(64, 40);
    SplitBackground(port);
    SetPor(port.port());
    const Rect clip{12, 14, 20, 26};
    ASSERT_EQ(ZEL_BeginOffScreen(true, &kArea), 1);
    ClipRect(&clip);
    PaintRect(&kArea);
    ZEL_EndOffScreen(true, false, srcCopy);
    const Rect whole{0, 0, 40, 64};
    ClipRect(&whole);
    EXPECT_EQ(testing_support::PixelMisses(port.surface().dc(), 0, 0, 64, 40,
                                           [&](int x, int y) {
                                               return Inside(clip, x, y) || OldBlack(x, y) ? kBlack : kWhite;
                                           }),
              "");

    // Patterns anchored at the device origin, and with brush alignment at the port's origin.
    const Rect odd{11, 13, 31, 46};
    const Pattern weave = {{0x81, 0x42, 0x24, 0x18, 0x0F, 0x00, 0xF0, 0x33}};
    for (bool aligned : {false, true}) {
        SCOPED_TRACE(aligned ? "brush alignment on" : "brush alignment off");
        DibPort direct(64, 40), through(64, 40);
        SetPor(direct.port());
        if (aligned) {
            SetOrigin(3, 5);
            ZEL_BrushAlign(1);
        }
        FillRect(&odd, &weave);
        SetPor(through.port());
        if (aligned) {
            SetOrigin(3, 5);
            ZEL_BrushAlign(1);
        }
        ASSERT_EQ(ZEL_BeginOffScreen(true, &odd), 1);
        FillRect(&odd, &testing_support::QuickDrawGlobals().gray);
        FillRect(&odd, &weave);
        ZEL_EndOffScreen(true, false, srcCopy);
        EXPECT_EQ(testing_support::PixelMisses(through.surface().dc(), 0, 0, 64, 40,
                                               [&](int x, int y) { return direct.surface().Pixel(x, y); }),
                  "");
        SetPor(direct.port());
        ZEL_BrushAlign(-1);
        SetPor(through.port());
        ZEL_BrushAlign(-1);
    }
    SetPor(WindowManagerPort());
}

// Under a print job's scaling the final blit is stretched between the scaling rectangles, srcOr as
// SRCAND.
TEST_F(Offscreen, PrinterScalingStretchesTheBlit)
{
    DibPort port(64, 40);
    SetPor(port.port());
    const Rect from{0, 0, 40, 64}, to{0, 0, 20, 32};
    SelectTestPrintScaling(&from, &to);
    const Rect r{0, 0, 20, 40};
    ASSERT_EQ(ZEL_BeginOffScreen(true, &r), 1);
    PaintRect(&r);
    ZEL_EndOffScreen(true, false, srcOr);
    EXPECT_EQ(testing_support::PixelMisses(port.surface().dc(), 0, 0, 64, 40,
                                           [&](int x, int y) { return x < 20 && y < 10 ? kBlack : kWhite; }),
              "");
    SetPor(WindowManagerPort());
}

TEST_F(Offscreen, ExcludeUpdateRgnArguments)
{
    DibPort port(8, 8);
    EXPECT_FALSE(ZEL_ExcludeUpdateRgn(port.port(), true, nullptr));
    EXPECT_FALSE(ZEL_ExcludeUpdateRgn(nullptr, true, nullptr));
    RgnHandle saved = nullptr;
    EXPECT_FALSE(ZEL_ExcludeUpdateRgn(port.port(), true, &saved)) << "not a window";
    EXPECT_EQ(saved, nullptr);
    EXPECT_FALSE(ZEL_ExcludeUpdateRgn(port.port(), false, &saved));
    // A saved region goes back as the visible region.
    RgnHandle vis = port.port()->visRgn;
    saved = NewRgn();
    SetRectRgn(saved, 0, 0, 4, 4);
    RgnHandle put = saved;
    EXPECT_TRUE(ZEL_ExcludeUpdateRgn(port.port(), false, &saved));
    EXPECT_EQ(saved, nullptr);
    EXPECT_EQ(port.port()->visRgn, put);
    (void)vis;
    SetPor(WindowManagerPort());
}

// A PixMap over a compatible bitmap of w x h pixels of distinct colours.
struct BitmapPixMap {
    PixMapHandle pm;
    int w, h;
    BitmapPixMap(int width, int height) : pm(NewPixMap()), w(width), h(height)
    {
        HDC screen = GetDC(nullptr);
        HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
        ReleaseDC(nullptr, screen);
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(dc, bitmap);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                SetPixel(dc, x, y, Colour(x, y));
        SelectObject(dc, old);
        DeleteDC(dc);
        PixMap &m = **pm;
        m.baseAddr = reinterpret_cast<Ptr>(static_cast<uintptr_t>(0x7FFF));
        m.bounds = Rect{0, 0, static_cast<int16_t>(h), static_cast<int16_t>(w)};
        m.rowBytes = static_cast<int16_t>(0x8000 | (w * 4));
        m.pixelType = 16;
        m.pixelSize = 32;
        m.cmpCount = 3;
        m.cmpSize = 8;
        m.pmExtBitmap = bitmap;
        m.pmExtFlags = pmExtBitmapCached;
    }
    ~BitmapPixMap() { DisposePixMap(pm); }
    static COLORREF Colour(int x, int y) { return RGB((x * 37) & 0xFF, (y * 53) & 0xFF, (x + y * 7) & 0xFF); }
    COLORREF Read(int x, int y) const
    {
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(dc, (*pm)->pmExtBitmap);
        COLORREF c = GetPixel(dc, x, y);
        SelectObject(dc, old);
        DeleteDC(dc);
        return c;
    }
    // The whole bitmap, row by row.
    std::vector<COLORREF> All(int width, int height) const
    {
        std::vector<COLORREF> v;
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(dc, (*pm)->pmExtBitmap);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                v.push_back(GetPixel(dc, x, y));
        SelectObject(dc, old);
        DeleteDC(dc);
        return v;
    }
};

TEST_F(Offscreen, RotationTurnsWholePixels)
{
    for (int16_t angle : {90, -90}) {
        SCOPED_TRACE(angle);
        BitmapPixMap b(5, 3);
        ASSERT_TRUE(ZEL_OffScreenRotate(b.pm, angle));
        const Rect bounds = (*b.pm)->bounds;
        EXPECT_EQ(bounds.top, 0);
        EXPECT_EQ(bounds.left, 0);
        EXPECT_EQ(bounds.bottom, 5);
        EXPECT_EQ(bounds.right, 3);
        EXPECT_EQ((*b.pm)->rowBytes & 0x3FFF, 12);
        std::vector<COLORREF> got = b.All(3, 5), want;
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 3; ++x)
                want.push_back(angle == 90 ? BitmapPixMap::Colour(y, 2 - x) : BitmapPixMap::Colour(4 - y, x));
        EXPECT_EQ(got, want);
    }
    BitmapPixMap b(5, 3);
    const std::vector<COLORREF> before = b.All(5, 3);
    HBITMAP bitmap = (*b.pm)->pmExtBitmap;
    EXPECT_FALSE(ZEL_OffScreenRotate(b.pm, 45));
    EXPECT_EQ((*b.pm)->pmExtBitmap, bitmap);
    EXPECT_EQ(b.All(5, 3), before);
    // 4,096 rows of 32 bits would need 16,384 bytes a rotated row.
    BitmapPixMap tall(1, 4096);
    EXPECT_FALSE(ZEL_OffScreenRotate(tall.pm, 90));
    EXPECT_EQ((*tall.pm)->bounds.bottom, 4096);
}

TEST_F(Offscreen, FlipsMirror)
{
    for (auto [w, h] : {std::pair<int, int>{5, 3}, std::pair<int, int>{200, 100}}) {
        for (int16_t vertical : {0, 1}) {
            SCOPED_TRACE(testing::Message() << w << "x" << h << (vertical ? " vertical" : " horizontal"));
            BitmapPixMap b(w, h);
            ASSERT_TRUE(ZEL_OffScreenFlip(b.pm, vertical));
            std::vector<COLORREF> want;
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    want.push_back(vertical ? BitmapPixMap::Colour(x, h - 1 - y) : BitmapPixMap::Colour(w - 1 - x, y));
            EXPECT_TRUE(b.All(w, h) == want);
        }
    }
}

TEST_F(Offscreen, PackAndUnpack)
{
    DibPort port(4, 4);
    SetPor(port.port());
    auto original = std::make_unique<BitmapPixMap>(7, 5);
    CTabHandle table = GetCTable(8);
    DisposeCTable((*original->pm)->pmTable);
    (*original->pm)->pmTable = table;
    const int32_t n = GetHandleSize(reinterpret_cast<Handle>(table));
    BITMAP bm;
    ASSERT_EQ(GetObjectA((*original->pm)->pmExtBitmap, sizeof bm, &bm), static_cast<int>(sizeof bm));
    const int32_t bitsSize = bm.bmPlanes * bm.bmHeight * bm.bmWidthBytes;
    std::vector<uint8_t> bits(bitsSize);
    GetBitmapBits((*original->pm)->pmExtBitmap, bitsSize, bits.data());
    std::vector<uint8_t> tableBytes(reinterpret_cast<uint8_t *>(*table), reinterpret_cast<uint8_t *>(*table) + n);

    Handle packed = ZEL_PackPixMap(original->pm);
    ASSERT_NE(packed, nullptr);
    ASSERT_EQ(GetHandleSize(packed), 128 + n + bitsSize);
    int32_t header[5];
    std::memcpy(header, *packed, sizeof header);
    EXPECT_EQ(header[0], 20);
    EXPECT_EQ(header[1], 104);
    EXPECT_EQ(header[2], 104 + n);
    EXPECT_EQ(header[3], 128 + n);
    EXPECT_EQ(header[4], bitsSize);
    HBITMAP oldBitmap = (*original->pm)->pmExtBitmap;
    original.reset();
    EXPECT_EQ(GetObjectType(oldBitmap), 0u);

    PixMapHandle pm = ZEL_UnpackPixMap(packed);
    ASSERT_NE(pm, nullptr);
    std::vector<uint8_t> back(bitsSize);
    EXPECT_EQ(GetBitmapBits((*pm)->pmExtBitmap, bitsSize, back.data()), bitsSize);
    EXPECT_TRUE(back == bits);
    ASSERT_NE((*pm)->pmTable, nullptr);
    EXPECT_NE((*pm)->pmTable, table);
    EXPECT_EQ(std::memcmp(*(*pm)->pmTable, tableBytes.data(), n), 0);
    EXPECT_EQ(reinterpret_cast<uintptr_t>((*pm)->baseAddr), 0x7FFFu);
    EXPECT_EQ((*pm)->pmExtFlags, pmExtBitmapCached);
    EXPECT_EQ((*pm)->pmExtDC, ZEL_GetCurrentDC());
    EXPECT_EQ((*pm)->pmExtMemDC, nullptr);
    EXPECT_EQ((*pm)->pmExtDib, nullptr);
    EXPECT_EQ((*pm)->pmExtDibBits, nullptr);
    DisposePixMap(pm);

    // Damaged handles: every header field wrong in five ways, a bit depth of 3, a table whose size
    // does not match its count, and the handle cut at every length.
    const Size size = GetHandleSize(packed);
    auto unpackDamaged = [&](const std::function<void(uint8_t *)> &damage, Size length) {
        Handle copy = NewHandle(length);
        std::memcpy(*copy, *packed, static_cast<size_t>(std::min(length, size)));
        damage(reinterpret_cast<uint8_t *>(*copy));
        PixMapHandle result = ZEL_UnpackPixMap(copy);
        DisposeHandle(copy);
        if (result)
            DisposePixMap(result);
        return result == nullptr;
    };
    for (int field = 0; field < 5; ++field) {
        for (int32_t value : {0, header[field] + 1, -4, static_cast<int32_t>(size) + 4, 0x7FFFFFF0}) {
            EXPECT_TRUE(unpackDamaged([&](uint8_t *p) { std::memcpy(p + 4 * field, &value, 4); }, size))
                << "field " << field << " = " << value;
        }
    }
    EXPECT_TRUE(unpackDamaged([&](uint8_t *p) { p[104 + n + 18] = 3; }, size)) << "bpp 3";
    EXPECT_TRUE(unpackDamaged([&](uint8_t *p) { p[104 + 6] = 10; }, size)) << "ctSize";
    for (Size length = 0; length < size; ++length)
        EXPECT_TRUE(unpackDamaged([](uint8_t *) {}, length)) << "cut at " << length;
    DisposeHandle(packed);
    EXPECT_EQ(ZEL_MemCheck(), 1);
    SetPor(WindowManagerPort());
}

TEST_F(Offscreen, GetPixMapInfoHandsOutACopy)
{
    PixMapHandle pm = NewPixMap();
    CTabHandle own = GetCTable(8);
    DisposeCTable((*pm)->pmTable);
    (*pm)->pmTable = own;
    PictInfo info{};
    EXPECT_EQ(GetPixMapInfo(pm, &info, 0, 256, 0, 0), 0);
    ASSERT_NE(info.theColorTable, nullptr);
    EXPECT_NE(info.theColorTable, own);
    // Where a program built on the published layout reads it: 10 bytes in.
    CTabHandle atPublishedOffset = nullptr;
    std::memcpy(&atPublishedOffset, reinterpret_cast<const uint8_t *>(&info) + 10, sizeof atPublishedOffset);
    EXPECT_EQ(atPublishedOffset, info.theColorTable);
    DisposeCTable(info.theColorTable);
    EXPECT_EQ((*own)->ctSize, 255);
    EXPECT_EQ((*pm)->pmTable, own);
    DisposePixMap(pm);
    EXPECT_EQ(GetGWorldDevice(nullptr), nullptr);
}

} // namespace

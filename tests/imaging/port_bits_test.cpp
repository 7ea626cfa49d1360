// Application bits behind ports that draw through a window's DC: what is drawn comes back into the
// bits exactly, the application's buffer is never freed or overrun, a full table refuses the next
// binding, slot values that name nothing are left alone, and PixMaps bound by SetPortPix and copied by
// CopyPixMap keep what was drawn.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <set>
#include <vector>

#include "MacMemory.h"
#include "Quickdraw.h"
#include "Zel.h"
#include "qd_fixture.h"
#include "test_seams.h"

namespace {

using testing_support::CreateDrawingWindow;
using testing_support::DibPort;
using testing_support::DibSurface;
using testing_support::QuickDrawTest;
using testing_support::WindowManagerPort;

constexpr uint32_t kSmallOffscreenSwitch = 0x8;

// A black-and-white port drawing into a shown window's DC.
class WindowPort {
public:
    explicit WindowPort(HWND window) : window_(window)
    {
        dc_ = GetDC(window);
        std::memset(&port_, 0, sizeof port_);
        OpenPort(&port_);
        previous_ = ZEL_SwaphDC(dc_, 0);
    }
    ~WindowPort()
    {
        SetPor(&port_);
        ZEL_SwaphDC(previous_, 0);
        ClosePort(&port_);
        SetPor(WindowManagerPort());
        ReleaseDC(window_, dc_);
    }
    GrafPtr port() { return &port_; }

private:
    HWND window_;
    HDC dc_, previous_;
    GrafPort port_;
};

// The Macintosh bits the test expects: 1 = black.
struct ExpectedBits {
    int width, height, rowBytes;
    std::vector<uint8_t> bytes;
    ExpectedBits(int w, int h, int rb) : width(w), height(h), rowBytes(rb), bytes(static_cast<size_t>(rb) * h, 0) {}
    void Set(int x, int y)
    {
        if (x >= 0 && x < width && y >= 0 && y < height)
            bytes[y * rowBytes + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
    }
    void Fill(const Rect &r)
    {
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                Set(x, y);
    }
    void Frame(const Rect &r)
    {
        for (int x = r.left; x < r.right; ++x) {
            Set(x, r.top);
            Set(x, r.bottom - 1);
        }
        for (int y = r.top; y < r.bottom; ++y) {
            Set(r.left, y);
            Set(r.right - 1, y);
        }
    }
};

std::string Picture(const uint8_t *bytes, int width, int height, int rowBytes)
{
    std::string s;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < rowBytes * 8; ++x)
            s += x == width ? '|' : ((bytes[y * rowBytes + x / 8] >> (7 - x % 8)) & 1) ? '#' : '.';
        s += '\n';
    }
    return s;
}

class PortBits : public QuickDrawTest {
protected:
    void SetUp() override
    {
        QuickDrawTest::SetUp();
        window_ = CreateDrawingWindow(64, 48);
        ASSERT_NE(window_, nullptr);
    }
    void TearDown() override
    {
        DestroyWindow(window_);
        ZEL_SetFlags(0, 0, kSmallOffscreenSwitch, 0);
        QuickDrawTest::TearDown();
    }
    HWND window_ = nullptr;
};

// PaintRect, FrameRect and LineTo into a static 1-bit buffer: after the old bits come back, the buffer
// holds exactly the drawn pixels, the padding after each row's last pixel is 0, and the buffer is still
// the application's.
TEST_F(PortBits, DrawingComesBackIntoTheApplicationsBits)
{
    for (int width : {24, 21}) {
        SCOPED_TRACE(testing::Message() << "width " << width);
        const int height = 10, rowBytes = 4;
        static uint8_t buffer[4 * 10];
        std::memset(buffer, 0, sizeof buffer);
        WindowPort wp(window_);
        SetPor(wp.port());
        const BitMap old = wp.port()->portBits;
        const BitMap bits{reinterpret_cast<Ptr>(buffer), rowBytes, Rect{0, 0, static_cast<int16_t>(height), static_cast<int16_t>(width)}};
        ASSERT_TRUE(SetPortBits(&bits));
        EXPECT_LT(reinterpret_cast<uintptr_t>(wp.port()->portBits.baseAddr), 32u) << "a slot holds the binding";
        ClipRect(&bits.bounds);
        const Rect paint{1, 2, 4, 9}, frame{3, 10, 8, static_cast<int16_t>(width - 1)};
        PaintRect(&paint);
        FrameRect(&frame);
        MoveT(1, 8);
        LineT(static_cast<int16_t>(width - 2), 8);
        ASSERT_TRUE(SetPortBits(&old));
        ExpectedBits expected(width, height, rowBytes);
        expected.Fill(paint);
        expected.Frame(frame);
        for (int x = 1; x <= width - 2; ++x)
            expected.Set(x, 8);
        EXPECT_EQ(Picture(buffer, width, height, rowBytes), Picture(expected.bytes.data(), width, height, rowBytes));
        EXPECT_EQ(wp.port()->portBits.baseAddr, old.baseAddr);
        EXPECT_TRUE(HeapValidate(GetProcessHeap(), 0, nullptr));
    }
}

// With the small-offscreen switch the bitmap is 16 x 16: the copy-back still writes nothing past the
// buffer.
TEST_F(PortBits, SmallOffscreenBitmapsWriteNothingPastTheBuffer)
{
    ZEL_SetFlags(0, 0, kSmallOffscreenSwitch, kSmallOffscreenSwitch);
    for (int width : {8, 40}) {
        SCOPED_TRACE(testing::Message() << "width " << width);
        const int height = width == 8 ? 4 : 30, rowBytes = (width + 15) / 16 * 2;
        std::vector<uint8_t> storage(static_cast<size_t>(rowBytes) * height + 64, 0xA5);
        std::memset(storage.data(), 0, static_cast<size_t>(rowBytes) * height);
        WindowPort wp(window_);
        SetPor(wp.port());
        const BitMap old = wp.port()->portBits;
        const BitMap bits{reinterpret_cast<Ptr>(storage.data()), static_cast<int16_t>(rowBytes),
                          Rect{0, 0, static_cast<int16_t>(height), static_cast<int16_t>(width)}};
        ASSERT_TRUE(SetPortBits(&bits));
        const Rect all{0, 0, static_cast<int16_t>(height), static_cast<int16_t>(width)};
        PaintRect(&all);
        ASSERT_TRUE(SetPortBits(&old));
        for (size_t i = static_cast<size_t>(rowBytes) * height; i < storage.size(); ++i)
            ASSERT_EQ(storage[i], 0xA5) << "byte " << i;
    }
}

// With every slot taken the next binding answers FALSE and leaves the port drawing where it did; giving
// one slot back lets the next binding through.
TEST_F(PortBits, AFullTableRefusesTheNextBinding)
{
    static uint8_t buffers[33][2 * 4];
    std::vector<std::unique_ptr<WindowPort>> ports;
    std::vector<BitMap> olds;
    for (int i = 0; i < 32; ++i) {
        ports.push_back(std::make_unique<WindowPort>(window_));
        SetPor(ports.back()->port());
        olds.push_back(ports.back()->port()->portBits);
        const BitMap bits{reinterpret_cast<Ptr>(buffers[i]), 2, Rect{0, 0, 4, 16}};
        ASSERT_TRUE(SetPortBits(&bits)) << "binding " << i;
    }
    // The 33rd port draws into a DIB surface of its own.
    DibSurface surface(16, 4);
    GrafPort extra;
    std::memset(&extra, 0, sizeof extra);
    OpenPort(&extra);
    HDC previous = ZEL_SwaphDC(surface.dc(), 0);
    const BitMap before = extra.portBits;
    const BitMap bits{reinterpret_cast<Ptr>(buffers[32]), 2, Rect{0, 0, 4, 16}};
    EXPECT_FALSE(SetPortBits(&bits));
    EXPECT_EQ(std::memcmp(&extra.portBits, &before, sizeof before), 0) << "the port is as it was";
    const Rect r{0, 0, 2, 3};
    PaintRect(&r);
    GdiFlush();
    EXPECT_EQ(surface.Pixel(1, 1), RGB(0, 0, 0)) << "it still draws into its DC";
    EXPECT_EQ(surface.Pixel(5, 3), RGB(255, 255, 255));

    SetPor(ports[7]->port());
    ASSERT_TRUE(SetPortBits(&olds[7]));
    SetPor(&extra);
    EXPECT_TRUE(SetPortBits(&bits));
    ASSERT_TRUE(SetPortBits(&before));
    ZEL_SwaphDC(previous, 0);
    ClosePort(&extra);
    for (int i = 0; i < 32; ++i) {
        SetPor(ports[i]->port());
        SetPortBits(&olds[i]);
    }
    ports.clear();
}

// Bounds of width 0, and a baseAddr that names no live slot, bind nothing harmful: setting them and
// closing the port does not fault.
TEST_F(PortBits, EmptyBoundsAndStraySlotValuesAreHarmless)
{
    static uint8_t buffer[8];
    for (uintptr_t stray : {uintptr_t(3), uintptr_t(100), uintptr_t(31)}) {
        SCOPED_TRACE(testing::Message() << "baseAddr " << stray);
        GrafPort port;
        std::memset(&port, 0, sizeof port);
        OpenPort(&port);
        const BitMap empty{reinterpret_cast<Ptr>(buffer), 2, Rect{0, 5, 4, 5}};
        EXPECT_TRUE(SetPortBits(&empty));
        PaintRect(&empty.bounds);
        const BitMap strayBits{reinterpret_cast<Ptr>(stray), 2, Rect{0, 0, 4, 16}};
        EXPECT_TRUE(SetPortBits(&strayBits));
        ClosePort(&port);
        SetPor(WindowManagerPort());
    }
    EXPECT_EQ(GetPortBitsSlotPixMap(-1), nullptr);
    EXPECT_EQ(GetPortBitsSlotPixMap(32), nullptr);
    EXPECT_EQ(GetPortBitsSlotPixMap(0), nullptr) << "no slot is left in use";
    EXPECT_TRUE(HeapValidate(GetProcessHeap(), 0, nullptr));
}

// A PixMap of the application's rows bound by SetPortPix keeps what was drawn when the port moves on to
// another PixMap; a PixMap whose pixels are only in Windows objects is used as it is.
TEST_F(PortBits, SetPortPixLeavesTheDrawingInTheFirstPixMap)
{
    DibPort port(32, 16);
    SetPor(port.port());
    const int w = 20, h = 10;
    std::vector<uint8_t> rows(static_cast<size_t>(w) * 4 * h, 0xFF);
    PixMapHandle first = NewPixMap();
    PixMap &p = **first;
    p.baseAddr = reinterpret_cast<Ptr>(rows.data());
    p.rowBytes = static_cast<int16_t>(0x8000 | (w * 4));
    p.bounds = Rect{0, 0, h, w};
    p.pixelSize = 32;
    p.pixelType = 16;
    p.cmpCount = 3;
    p.cmpSize = 8;
    p.pmExtFlags = 0;
    PixMapHandle windowsOnly = NewPixMap();
    (*windowsOnly)->baseAddr = reinterpret_cast<Ptr>(0x7FFF);
    PixMapHandle own = port.cport()->portPixMap;

    ASSERT_TRUE(SetPortPix(first));
    RGBColor red{0xFFFF, 0, 0};
    RGBForeColor(&red);
    const Rect r{2, 3, 6, 9};
    PaintRect(&r);
    ASSERT_TRUE(SetPortPix(windowsOnly));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint8_t *px = rows.data() + (y * w + x) * 4;
            const bool inside = x >= 3 && x < 9 && y >= 2 && y < 6;
            ASSERT_EQ(RGB(px[2], px[1], px[0]), inside ? RGB(255, 0, 0) : RGB(255, 255, 255)) << x << "," << y;
        }
    for (int16_t slot = 0; slot < 32; ++slot)
        EXPECT_EQ(GetPortBitsSlotPixMap(slot), nullptr);
    ASSERT_TRUE(SetPortPix(own));
    RGBColor black{0, 0, 0};
    RGBForeColor(&black);
    (*first)->baseAddr = nullptr;
    DisposePixMap(first);
    DisposePixMap(windowsOnly);
}

// CopyPixMap of a bound PixMap gives a PixMap whose bitmap has the same bits.
TEST_F(PortBits, CopyPixMapDuplicatesTheBitmap)
{
    DibPort port(32, 16);
    SetPor(port.port());
    std::vector<uint8_t> rows(8 * 4 * 8, 0x40);
    PixMapHandle bound = NewPixMap();
    (*bound)->baseAddr = reinterpret_cast<Ptr>(rows.data());
    (*bound)->rowBytes = static_cast<int16_t>(0x8000 | 32);
    (*bound)->bounds = Rect{0, 0, 8, 8};
    (*bound)->pixelSize = 32;
    (*bound)->pixelType = 16;
    (*bound)->cmpCount = 3;
    (*bound)->cmpSize = 8;
    (*bound)->pmExtFlags = 0;
    PixMapHandle own = port.cport()->portPixMap;
    ASSERT_TRUE(SetPortPix(bound));
    const Rect r{1, 1, 5, 6};
    PaintRect(&r);
    PixMapHandle copy = NewPixMap();
    CopyPixMap(bound, copy);
    ASSERT_NE((*copy)->pmExtBitmap, nullptr);
    ASSERT_NE((*copy)->pmExtBitmap, (*bound)->pmExtBitmap);
    BITMAP bm{};
    GetObjectA((*bound)->pmExtBitmap, sizeof bm, &bm);
    const LONG bytes = bm.bmWidthBytes * bm.bmHeight;
    std::vector<uint8_t> a(bytes), b(bytes);
    GdiFlush();
    EXPECT_EQ(GetBitmapBits((*bound)->pmExtBitmap, bytes, a.data()), bytes);
    EXPECT_EQ(GetBitmapBits((*copy)->pmExtBitmap, bytes, b.data()), bytes);
    EXPECT_EQ(a, b);
    ASSERT_TRUE(SetPortPix(own));
    DisposePixMap(copy);
    (*bound)->baseAddr = nullptr;
    DisposePixMap(bound);
}

// 200 bindings made and released give back every block and GDI object.
TEST_F(PortBits, BindAndReleaseCyclesLeakNothing)
{
    static uint8_t buffer[4 * 12];
    WindowPort wp(window_);
    SetPor(wp.port());
    const BitMap old = wp.port()->portBits;
    const BitMap bits{reinterpret_cast<Ptr>(buffer), 4, Rect{0, 0, 12, 30}};
    auto nextGdiSlot = [] {
        HBITMAP b = CreateBitmap(1, 1, 1, 1, nullptr);
        uint16_t slot = LOWORD(reinterpret_cast<uintptr_t>(b));
        DeleteObject(b);
        return slot;
    };
    ZEL_SetMemoryLimits(1, 0x40000000, 0, 0);
    for (int i = 0; i < 3; ++i) {
        SetPortBits(&bits);
        SetPortBits(&old);
    }
    const Size settled = FreeMem();
    std::set<uint16_t> slots;
    for (int i = 0; i < 200; ++i) {
        ASSERT_TRUE(SetPortBits(&bits));
        PaintRect(&bits.bounds);
        ASSERT_TRUE(SetPortBits(&old));
        slots.insert(nextGdiSlot());
    }
    EXPECT_EQ(FreeMem(), settled);
    ZEL_SetMemoryLimits(0, 0, 0, 0);
    EXPECT_LT(slots.size(), 20u) << "GDI handle slots keep moving on";
}

} // namespace

// The screen-write layer against the GDI call each path ends in, on DIB sections of the same format:
// ZEL_DSSimple of a 640 x 480 bottom-up 32-bit DIB PixMap at its size against SetDIBitsToDevice of the
// same rows, and enlarged twice against StretchDIBits; CopyBits in transparent mode within a port against
// the raw mask blit. Both sides must leave the same pixels.
#include "bench.h"

#include "MacMemory.h"
#include "Quickdraw.h"
#include "qd_fixture.h"

#include <cstring>
#include <memory>

using namespace testing_support;

namespace {

constexpr int kWidth = 640, kHeight = 480;

struct Scene {
    DibPort port{2 * kWidth, 2 * kHeight};
    DibSurface raw{2 * kWidth, 2 * kHeight};
    PixMapHandle pm = nullptr;
    BITMAPINFO *info = nullptr;
    void *bits = nullptr;

    Scene()
    {
        pm = NewPixMap();
        Handle dib = NewHandleClear(sizeof(BITMAPINFOHEADER) + 4 * kWidth * kHeight);
        HLock(dib);
        info = reinterpret_cast<BITMAPINFO *>(*dib);
        info->bmiHeader = {sizeof(BITMAPINFOHEADER), kWidth, kHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        bits = *dib + sizeof(BITMAPINFOHEADER);
        uint32_t *p = static_cast<uint32_t *>(bits);
        for (int i = 0; i < kWidth * kHeight; ++i)
            p[i] = static_cast<uint32_t>(i * 2654435761u) & 0xFFFFFF;
        (*pm)->bounds = {0, 0, kHeight, kWidth};
        (*pm)->pmExtDib = dib;
        (*pm)->pmExtDibBits = static_cast<Ptr>(bits);
        (*pm)->pmExtFlags |= pmExtDibAttached;
        SetPor(port.port());
    }
    ~Scene() { DisposePixMap(pm); }
    bool Same(int w, int h)
    {
        for (int y = 0; y < h; y += 7)
            for (int x = 0; x < w; x += 3)
                if (port.surface().Pixel(x, y) != raw.Pixel(x, y))
                    return false;
        return true;
    }
};
std::shared_ptr<Scene> sScene;

PairCase Case(const char *name, int scale)
{
    PairCase c;
    c.name = name;
    c.count = 50;
    c.setUp = [] {
        sScene = std::make_shared<Scene>();
        ZEL_NextWriteIsToScreen(0); // a same-size copy may go through SetDIBitsToDevice
    };
    c.library = [scale](int) {
        ZEL_DSSimple(*sScene->pm, Rect{0, 0, kHeight, kWidth},
                     Rect{0, 0, static_cast<int16_t>(scale * kHeight), static_cast<int16_t>(scale * kWidth)}, nullptr);
    };
    c.raw = [scale](int) {
        Scene &s = *sScene;
        if (scale == 1)
            SetDIBitsToDevice(s.raw.dc(), 0, 0, kWidth, kHeight, 0, 0, 0, kHeight, s.bits, s.info, DIB_RGB_COLORS);
        else
            StretchDIBits(s.raw.dc(), 0, 0, scale * kWidth, scale * kHeight, 0, 0, kWidth, kHeight, s.bits, s.info,
                          DIB_RGB_COLORS, SRCCOPY);
    };
    c.same = [scale] { return sScene->Same(scale * kWidth, scale * kHeight); };
    c.tearDown = [] { sScene.reset(); };
    return c;
}

// CopyBits in transparent mode from one area of a port to another against the raw mask blit on the same
// DC: the mask made from the source, then SRCINVERT, SRCAND with the mask, SRCINVERT.
PairCase TransparentCase()
{
    struct Ports {
        DibPort port{420, 200};
        DibSurface raw{420, 200};
    };
    static std::shared_ptr<Ports> ports;
    const COLORREF key = RGB(0x20, 0x40, 0x60);
    PairCase c;
    c.name = "CopyBits mode 36, 200x200 within a port / the mask blit";
    c.count = 50;
    c.setUp = [key] {
        ports = std::make_shared<Ports>();
        SetPor(ports->port.port());
        // CopyBits brings the port's background colour into its DC: the key is the port's.
        const RGBColor keyRGB = {0x2020, 0x4040, 0x6060};
        RGBBackColor(&keyRGB);
        for (HDC dc : {ports->port.surface().dc(), ports->raw.dc()}) {
            for (int y = 0; y < 200; ++y)
                for (int x = 0; x < 420; ++x)
                    SetPixelV(dc, x, y, (x / 7 + y / 5) % 3 == 0 ? key : RGB(x, y, (x ^ y) & 0xFF));
            SetBkColor(dc, key);
        }
    };
    const Rect from{0, 0, 200, 200}, to{0, 220, 200, 420};
    c.library = [from, to](int) {
        const BitMap *bits = &ports->port.port()->portBits;
        CopyBits(bits, bits, &from, &to, 36, nullptr);
    };
    c.raw = [](int) {
        HDC dc = ports->raw.dc();
        HDC maskDC = CreateCompatibleDC(dc);
        HBITMAP mask = CreateBitmap(200, 200, 1, 1, nullptr);
        HGDIOBJ old = SelectObject(maskDC, mask);
        BitBlt(maskDC, 0, 0, 200, 200, dc, 0, 0, SRCCOPY);
        BitBlt(dc, 220, 0, 200, 200, dc, 0, 0, SRCINVERT);
        COLORREF text = SetTextColor(dc, RGB(0, 0, 0)), back = SetBkColor(dc, RGB(255, 255, 255));
        BitBlt(dc, 220, 0, 200, 200, maskDC, 0, 0, SRCAND);
        SetTextColor(dc, text);
        SetBkColor(dc, back);
        BitBlt(dc, 220, 0, 200, 200, dc, 0, 0, SRCINVERT);
        SelectObject(maskDC, old);
        DeleteObject(mask);
        DeleteDC(maskDC);
    };
    c.same = [] {
        for (int y = 0; y < 200; y += 3)
            for (int x = 220; x < 420; x += 3)
                if (ports->port.surface().Pixel(x, y) != ports->raw.Pixel(x, y))
                    return false;
        return true;
    };
    c.tearDown = [] { ports.reset(); };
    return c;
}

} // namespace

int RunBench()
{
    QuickDrawGlobals();
    return RunPairCases({Case("ZEL_DSSimple 640x480 32-bit bottom-up / SetDIBitsToDevice", 1),
                         Case("ZEL_DSSimple 640x480 enlarged 2x / StretchDIBits", 2), TransparentCase()});
}

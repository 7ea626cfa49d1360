// The screen-write layer against the GDI call each path ends in, on DIB sections of the same format:
// ZEL_DSSimple of a 640 x 480 bottom-up 32-bit DIB PixMap at its size against SetDIBitsToDevice of the
// same rows, and enlarged twice against StretchDIBits. Both sides must leave the same pixels.
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

} // namespace

int RunBench()
{
    QuickDrawGlobals();
    return RunPairCases({Case("ZEL_DSSimple 640x480 32-bit bottom-up / SetDIBitsToDevice", 1),
                         Case("ZEL_DSSimple 640x480 enlarged 2x / StretchDIBits", 2)});
}

// QuickDraw's verbs against the GDI call each ends in, on DIB sections of the same format: rectangles,
// lines and regions. Each case first checks that both sides leave the same pixels or region.
#include "bench.h"

#include "QDOffscreen.h"
#include "Quickdraw.h"
#include "qd_fixture.h"

#include <cstring>
#include <memory>
#include <vector>

using namespace testing_support;

namespace {

constexpr int kSize = 160;

// The library draws into `port`, GDI into `raw`; both start white.
struct Surfaces {
    DibPort port{kSize, kSize};
    DibSurface raw{kSize, kSize};
    bool SamePixels() const
    {
        for (int y = 0; y < kSize; ++y)
            for (int x = 0; x < kSize; ++x)
                if (const_cast<Surfaces *>(this)->port.surface().Pixel(x, y) != raw.Pixel(x, y))
                    return false;
        return true;
    }
};
std::unique_ptr<Surfaces> sSurfaces;

Surfaces &S() { return *sSurfaces; }

const Rect kRect{20, 30, 120, 130}; // 100 x 100
const RECT kWinRect{30, 20, 130, 120};

PairCase DrawingCase(const char *name, std::function<void(int)> library, std::function<void(int)> raw)
{
    PairCase c;
    c.name = name;
    c.count = 5000;
    c.setUp = [] {
        sSurfaces = std::make_unique<Surfaces>();
        SetPor(S().port.port());
    };
    c.library = std::move(library);
    c.raw = std::move(raw);
    c.same = [] { return S().SamePixels(); };
    c.tearDown = [] {
        SetPor(WindowManagerPort());
        sSurfaces.reset();
    };
    return c;
}

HBRUSH Stock(int brush) { return static_cast<HBRUSH>(GetStockObject(brush)); }

// Two overlapping rectangles combined, and a region of 50 separate rectangles moved.
RgnHandle sA, sB, sDst, sMany;
HRGN sRawA, sRawB, sRawDst, sRawMany;

// The library's region (through a copy, whatever its form) holds the same pixels as the GDI one.
bool SameRegion(RgnHandle rgn, HRGN raw)
{
    RgnHandle copy = NewRgn();
    CopyRg(rgn, copy);
    bool same = EqualRgn(ZEL_RgnSetToRealRectRgn(copy), raw) != 0;
    DisposeRgn(copy);
    return same;
}

PairCase CombineCase(const char *name, void(ZEL_CALL *op)(RgnHandle, RgnHandle, RgnHandle), int mode)
{
    PairCase c;
    c.name = name;
    c.count = 20000;
    c.setUp = [] {
        sA = NewRgn();
        sB = NewRgn();
        sDst = NewRgn();
        SetRectRg(sA, 10, 10, 60, 60);
        SetRectRg(sB, 40, 30, 90, 80);
        sRawA = CreateRectRgn(10, 10, 60, 60);
        sRawB = CreateRectRgn(40, 30, 90, 80);
        sRawDst = CreateRectRgn(0, 0, 0, 0);
    };
    c.library = [op](int) { op(sA, sB, sDst); };
    c.raw = [mode](int) { CombineRgn(sRawDst, sRawA, sRawB, mode); };
    c.same = [] { return SameRegion(sDst, sRawDst); };
    c.tearDown = [] {
        for (RgnHandle r : {sA, sB, sDst})
            DisposeRgn(r);
        for (HRGN r : {sRawA, sRawB, sRawDst})
            DeleteObject(r);
    };
    return c;
}

} // namespace

int RunBench()
{
    std::vector<PairCase> cases = {
        DrawingCase("PaintRect 100x100", [](int) { PaintRect(&kRect); },
                    [](int) { FillRect(S().raw.dc(), &kWinRect, Stock(BLACK_BRUSH)); }),
        DrawingCase("EraseRect 100x100",
                    [](int) { EraseRect(&kRect); },
                    [](int) { FillRect(S().raw.dc(), &kWinRect, Stock(WHITE_BRUSH)); }),
        DrawingCase("FrameRect 100x100", [](int) { FrameRec(&kRect); },
                    [](int) { FrameRect(S().raw.dc(), &kWinRect, Stock(BLACK_BRUSH)); }),
        // Inverting twice leaves the surface as it was; one run inverts, the next restores.
        DrawingCase("InvertRect 100x100", [](int) { InvertRec(&kRect); },
                    [](int) { PatBlt(S().raw.dc(), 30, 20, 100, 100, DSTINVERT); }),
        DrawingCase("MoveTo+LineTo, 200 pixels",
                    [](int i) {
                        MoveT(0, static_cast<int16_t>(i % kSize));
                        LineT(kSize - 1, static_cast<int16_t>(i % kSize));
                    },
                    [](int i) {
                        HDC dc = S().raw.dc();
                        SelectObject(dc, GetStockObject(BLACK_PEN));
                        MoveToEx(dc, 0, i % kSize, nullptr);
                        LineTo(dc, kSize, i % kSize);
                    }),
        CombineCase("UnionRgn of two rectangles", UnionRg, RGN_OR),
        CombineCase("DiffRgn of two rectangles", DiffRgn, RGN_DIFF),
        CombineCase("XorRgn of two rectangles", XorRg, RGN_XOR),
    };
    PairCase offset;
    offset.name = "OffsetRgn of a 50-rectangle region";
    offset.count = 20000;
    offset.setUp = [] {
        sMany = NewRgn();
        sRawMany = CreateRectRgn(0, 0, 0, 0);
        RgnHandle part = NewRgn();
        for (int i = 0; i < 50; ++i) {
            const int x = (i % 10) * 12, y = (i / 10) * 12;
            SetRectRg(part, static_cast<int16_t>(x), static_cast<int16_t>(y), static_cast<int16_t>(x + 8),
                      static_cast<int16_t>(y + 8));
            UnionRg(sMany, part, sMany);
            HRGN r = CreateRectRgn(x, y, x + 8, y + 8);
            CombineRgn(sRawMany, sRawMany, r, RGN_OR);
            DeleteObject(r);
        }
        DisposeRgn(part);
    };
    // Runs alternate between +1 and -1, so both regions stay where they started after an even count.
    offset.library = [](int i) { OffsetRg(sMany, (i & 1) ? -1 : 1, (i & 1) ? -1 : 1); };
    offset.raw = [](int i) { OffsetRgn(sRawMany, (i & 1) ? -1 : 1, (i & 1) ? -1 : 1); };
    offset.same = [] { return SameRegion(sMany, sRawMany); };
    offset.tearDown = [] {
        DisposeRgn(sMany);
        DeleteObject(sRawMany);
    };
    cases.push_back(offset);

    // A 256 x 256 GWorld made and disposed, against the memory DC and compatible bitmap it stands on.
    PairCase world;
    world.name = "NewGWorld+DisposeGWorld 256x256";
    world.count = 500;
    static bool sWorldMade, sRawMade;
    world.library = [](int) {
        const Rect bounds{0, 0, 256, 256};
        GWorldPtr gw = nullptr;
        sWorldMade = NewGWorld(&gw, 0, &bounds, nullptr, nullptr, 0) == 0 && gw;
        DisposeGWorld(gw);
    };
    world.raw = [](int) {
        HDC screen = GetDC(nullptr);
        HDC dc = CreateCompatibleDC(screen);
        HBITMAP bitmap = CreateCompatibleBitmap(screen, 256, 256);
        HGDIOBJ old = SelectObject(dc, bitmap);
        sRawMade = dc && bitmap && old;
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
        ReleaseDC(nullptr, screen);
    };
    world.same = [] { return sWorldMade && sRawMade; };
    cases.push_back(world);

    // Offscreen drawing of 200 x 20 on a port's DC, against the memory DC, bitmap and blit it stands for.
    PairCase offscreen = DrawingCase(
        "ZEL_BeginOffScreen+ZEL_EndOffScreen(draw) 160x20",
        [](int) {
            const Rect r{40, 0, 60, 160};
            ZEL_BeginOffScreen(false, &r);
            ZEL_EndOffScreen(true, false, srcCopy);
        },
        [](int) {
            HDC dc = S().raw.dc();
            HDC memory = CreateCompatibleDC(dc);
            HBITMAP bitmap = CreateCompatibleBitmap(dc, 160, 20);
            HGDIOBJ old = SelectObject(memory, bitmap);
            BitBlt(dc, 0, 40, 160, 20, memory, 0, 0, SRCCOPY);
            SelectObject(memory, old);
            DeleteObject(bitmap);
            DeleteDC(memory);
        });
    offscreen.count = 2000;
    offscreen.same = nullptr;
    cases.push_back(offscreen);
    return RunPairCases(cases);
}

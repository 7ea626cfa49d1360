// Imaging: unfolding a bitmap-backed 640 x 480 32-bit PixMap into Macintosh rows against GetDIBits of
// the same rows, folding a 640 x 480 8-bit PixMap into a Windows bitmap against CreateDIBitmap of the
// same prepared rows, and PaintRect on a port bound to application bits against FillRect on a memory DC
// holding a bitmap of the same size; a 2x enlargement of a 320 x 240 8-bit PixMap into a 640 x 480 32-bit
// DIB PixMap (the pixel conversion engine) against StretchDIBits of the same 8-bit DIB into a 32-bit DIB
// section.
#include "bench.h"

#include <cstring>
#include <vector>

#include "MacMemory.h"
#include "Icons.h"
#include "QDOffscreen.h"
#include "Resources.h"
#include "Quickdraw.h"
#include "qd_fixture.h"
#include "test_seams.h"

namespace {

constexpr int kWidth = 640, kHeight = 480;

// A PixMap over rows the benchmark owns.
PixMapHandle MemoryPixMap(int depth, std::vector<uint8_t> &rows)
{
    PixMapHandle pm = NewPixMap();
    const int rowBytes = kWidth * depth / 8;
    rows.assign(static_cast<size_t>(rowBytes) * kHeight, 0);
    PixMap &p = **pm;
    p.baseAddr = reinterpret_cast<Ptr>(rows.data());
    p.rowBytes = static_cast<int16_t>(0x8000 | rowBytes);
    p.bounds = Rect{0, 0, kHeight, kWidth};
    p.pixelSize = static_cast<int16_t>(depth);
    p.pixelType = depth > 8 ? 16 : 0;
    p.cmpCount = depth > 8 ? 3 : 1;
    p.cmpSize = depth > 8 ? 8 : depth;
    p.pmExtFlags = 0;
    return pm;
}

} // namespace

int RunBench()
{
    testing_support::QuickDrawGlobals();
    std::vector<PairCase> cases;
    HDC screen = GetDC(nullptr);

    // Unfold: the source's pixels are a screen-compatible bitmap.
    HBITMAP picture = CreateCompatibleBitmap(screen, kWidth, kHeight);
    {
        HDC mem = CreateCompatibleDC(screen);
        HGDIOBJ old = SelectObject(mem, picture);
        for (int i = 0; i < 64; ++i) {
            HBRUSH b = CreateSolidBrush(RGB(i * 4, 255 - i * 3, i * 7));
            RECT r{i * 10, i * 7, i * 10 + 40, i * 7 + 30};
            FillRect(mem, &r, b);
            DeleteObject(b);
        }
        SelectObject(mem, old);
        DeleteDC(mem);
    }
    static std::vector<uint8_t> unfoldRows, rawRows(static_cast<size_t>(kWidth) * 4 * kHeight);
    static PixMapHandle source, target;
    PairCase unfold;
    unfold.name = "ZEL_UnfoldPixMap 640x480 32-bit bitmap into 32-bit rows / GetDIBits";
    unfold.count = 40;
    unfold.setUp = [&] {
        source = NewPixMap();
        (*source)->baseAddr = reinterpret_cast<Ptr>(0x7FFF);
        (*source)->bounds = Rect{0, 0, kHeight, kWidth};
        (*source)->pmExtBitmap = picture;
        (*source)->pmExtFlags = pmExtBitmapCached;
        target = MemoryPixMap(32, unfoldRows);
    };
    unfold.library = [](int) { ZEL_UnfoldPixMap(*source, reinterpret_cast<BitMap *>(*target), nullptr, nullptr, 2); };
    unfold.raw = [screen, picture](int) {
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        bi.bmiHeader.biWidth = kWidth;
        bi.bmiHeader.biHeight = -kHeight;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        GetDIBits(screen, picture, 0, kHeight, rawRows.data(), &bi, DIB_RGB_COLORS);
    };
    unfold.same = [] {
        for (size_t i = 0; i < rawRows.size(); i += 4)
            if (std::memcmp(&unfoldRows[i], &rawRows[i], 3) != 0)
                return false;
        return true;
    };
    unfold.tearDown = [] {
        (*source)->pmExtBitmap = nullptr;
        DisposePixMap(source);
        (*target)->baseAddr = nullptr;
        DisposePixMap(target);
    };
    cases.push_back(unfold);

    // Fold: an 8-bit PixMap of the standard colours into its DIB and a Windows bitmap.
    static std::vector<uint8_t> foldRows;
    static PixMapHandle folded;
    static std::vector<uint8_t> prepared;
    static struct {
        BITMAPINFOHEADER h;
        RGBQUAD colours[256];
    } info{};
    static HBITMAP rawBitmap;
    PairCase fold;
    fold.name = "ZEL_FoldPixMap 640x480 8-bit with a bitmap / CreateDIBitmap";
    fold.count = 40;
    fold.setUp = [] {
        folded = MemoryPixMap(8, foldRows);
        CTabHandle standard = GetCTable(8);
        if (standard) {
            DisposeCTable((*folded)->pmTable);
            (*folded)->pmTable = standard;
        }
        for (size_t i = 0; i < foldRows.size(); ++i)
            foldRows[i] = static_cast<uint8_t>((i * 7) ^ (i >> 9));
        Rect bounds = (*folded)->bounds;
        ZEL_FoldPixMap(*folded, &bounds, 8);
        Ptr bits = nullptr;
        BITMAPINFO *dib = ZEL_GetDIBFromPixMap(folded, &bits);
        std::memcpy(&info, dib, sizeof info);
        prepared.assign(reinterpret_cast<uint8_t *>(bits), reinterpret_cast<uint8_t *>(bits) + kWidth * kHeight);
    };
    fold.library = [](int) {
        Rect bounds = (*folded)->bounds;
        ZEL_FoldPixMap(*folded, &bounds, 8);
    };
    fold.raw = [screen](int) {
        if (rawBitmap)
            DeleteObject(rawBitmap);
        rawBitmap = CreateDIBitmap(screen, &info.h, CBM_INIT, prepared.data(), reinterpret_cast<BITMAPINFO *>(&info),
                                   DIB_RGB_COLORS);
    };
    fold.same = [] {
        HBITMAP mine = (*folded)->pmExtBitmap;
        BITMAP a{}, b{};
        if (!mine || !rawBitmap || !GetObjectA(mine, sizeof a, &a) || !GetObjectA(rawBitmap, sizeof b, &b))
            return false;
        const LONG bytes = a.bmWidthBytes * a.bmHeight;
        std::vector<uint8_t> x(bytes), y(bytes);
        return GetBitmapBits(mine, bytes, x.data()) == bytes && GetBitmapBits(rawBitmap, bytes, y.data()) == bytes && x == y;
    };
    fold.tearDown = [] {
        (*folded)->baseAddr = nullptr;
        DisposePixMap(folded);
        if (rawBitmap)
            DeleteObject(rawBitmap);
        rawBitmap = nullptr;
    };
    cases.push_back(fold);

    // PaintRect on a port bound to application bits: the bitmap behind them in a memory DC.
    static GrafPort bitsPort;
    static uint8_t appBits[14 * 100];
    static BitMap oldBits;
    static HDC rawDC;
    static HBITMAP rawBitmap100;
    static HGDIOBJ rawDisplaced;
    PairCase paint;
    paint.name = "PaintRect 100x100 on a port bound to application bits / FillRect on a memory DC";
    paint.count = 20000;
    static HWND window;
    static HDC windowDC, swapped;
    paint.setUp = [screen] {
        // A black-and-white port on a shown window's DC.
        window = testing_support::CreateDrawingWindow(120, 120);
        windowDC = GetDC(window);
        std::memset(&bitsPort, 0, sizeof bitsPort);
        OpenPort(&bitsPort);
        swapped = ZEL_SwaphDC(windowDC, 0);
        oldBits = bitsPort.portBits;
        const BitMap bits{reinterpret_cast<Ptr>(appBits), 14, Rect{0, 0, 100, 100}};
        SetPortBits(&bits);
        rawDC = CreateCompatibleDC(screen);
        rawBitmap100 = CreateCompatibleBitmap(screen, 100, 100);
        rawDisplaced = SelectObject(rawDC, rawBitmap100);
    };
    paint.library = [](int) {
        const Rect r{0, 0, 100, 100};
        PaintRect(&r);
    };
    paint.raw = [](int) {
        RECT r{0, 0, 100, 100};
        FillRect(rawDC, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    };
    paint.same = [] {
        PixMapHandle pm = GetPortBitsSlotPixMap(static_cast<int16_t>(reinterpret_cast<uintptr_t>(bitsPort.portBits.baseAddr)));
        if (!pm || !(*pm)->pmExtBitmap)
            return false;
        GdiFlush();
        std::vector<uint8_t> a(100 * 100 * 4), b(a.size());
        return GetBitmapBits((*pm)->pmExtBitmap, static_cast<LONG>(a.size()), a.data()) == static_cast<LONG>(a.size()) &&
               GetBitmapBits(rawBitmap100, static_cast<LONG>(b.size()), b.data()) == static_cast<LONG>(b.size()) && a == b;
    };
    paint.tearDown = [] {
        SetPor(&bitsPort);
        SetPortBits(&oldBits);
        ZEL_SwaphDC(swapped, 0);
        ClosePort(&bitsPort);
        ReleaseDC(window, windowDC);
        DestroyWindow(window);
        SetPor(testing_support::WindowManagerPort());
        SelectObject(rawDC, rawDisplaced);
        DeleteObject(rawBitmap100);
        DeleteDC(rawDC);
    };
    cases.push_back(paint);

    // CopyMask of a 256 x 256 GWorld through a one-bit mask onto a window, against MaskBlt of the same
    // pixels and mask.
    constexpr int kMaskSide = 256;
    static GWorldPtr maskWorld;
    static std::vector<uint8_t> maskRows;
    static HBITMAP rawMask;
    static HWND maskWindow;
    static HDC maskWindowDC;
    static CGrafPort maskPort;
    PairCase masked;
    masked.name = "CopyMask 256x256 onto a window";
    masked.count = 300;
    masked.setUp = [] {
        const Rect r{0, 0, kMaskSide, kMaskSide};
        NewGWorld(&maskWorld, 32, &r, nullptr, nullptr, 0);
        SetGWorld(maskWorld, nullptr);
        for (int i = 0; i < 16; ++i) {
            RGBColor c{static_cast<uint16_t>(i * 4096), static_cast<uint16_t>(65535 - i * 4096), 0x8000};
            RGBForeColor(&c);
            const Rect band{static_cast<int16_t>(i * 16), 0, static_cast<int16_t>(i * 16 + 16), kMaskSide};
            PaintRect(&band);
        }
        maskRows.assign(kMaskSide / 8 * kMaskSide, 0);
        for (int y = 0; y < kMaskSide; ++y)
            for (int x = 0; x < kMaskSide; ++x)
                if ((x - 128) * (x - 128) + (y - 128) * (y - 128) < 100 * 100)
                    maskRows[y * kMaskSide / 8 + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
        rawMask = CreateBitmap(kMaskSide, kMaskSide, 1, 1, maskRows.data());
        maskWindow = testing_support::CreateDrawingWindow(2 * kMaskSide + 8, kMaskSide);
        maskWindowDC = GetDC(maskWindow);
        std::memset(&maskPort, 0, sizeof maskPort);
        OpenPortForHDC(&maskPort, maskWindowDC);
    };
    masked.library = [](int) {
        const Rect r{0, 0, kMaskSide, kMaskSide};
        const BitMap mask{reinterpret_cast<Ptr>(maskRows.data()), kMaskSide / 8, r};
        CopyMask(&reinterpret_cast<GrafPtr>(maskWorld)->portBits, &mask,
                 &reinterpret_cast<GrafPtr>(&maskPort)->portBits, &r, &r, &r);
    };
    masked.raw = [](int) {
        MaskBlt(maskWindowDC, kMaskSide + 8, 0, kMaskSide, kMaskSide, (*GetGWorldPixMap(maskWorld))->pmExtMemDC, 0, 0,
                rawMask, 0, 0, MAKEROP4(SRCCOPY, 0x00AA0029));
    };
    masked.same = [] {
        GdiFlush();
        for (int y = 0; y < kMaskSide; y += 3)
            for (int x = 0; x < kMaskSide; x += 3)
                if (GetPixel(maskWindowDC, x, y) != GetPixel(maskWindowDC, x + kMaskSide + 8, y))
                    return false;
        return true;
    };
    masked.tearDown = [] {
        SetPor(reinterpret_cast<GrafPtr>(&maskPort));
        CloseCPort(&maskPort);
        ReleaseDC(maskWindow, maskWindowDC);
        DestroyWindow(maskWindow);
        SetPor(testing_support::WindowManagerPort());
        DisposeGWorld(maskWorld);
        DeleteObject(rawMask);
    };
    cases.push_back(masked);

    // SeedFill of a 1,024 x 768 image with obstacles, against a plain scan-line fill of the same bits.
    constexpr int kFillWords = 64, kFillHeight = 768, kFillRow = kFillWords * 2;
    static std::vector<uint8_t> fillSrc, fillLib, fillRaw;
    PairCase seed;
    seed.name = "SeedFill 1024x768";
    seed.count = 20;
    seed.setUp = [] {
        fillSrc.assign(static_cast<size_t>(kFillRow) * kFillHeight, 0);
        for (int y = 0; y < kFillHeight; ++y)
            for (int x = 0; x < kFillWords * 16; ++x)
                if ((x % 64 == 32 && y % 100 < 90) || (y % 48 == 24 && x % 80 < 70))
                    fillSrc[y * kFillRow + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
        fillLib.assign(fillSrc.size(), 0);
        fillRaw.assign(fillSrc.size(), 0);
    };
    seed.library = [](int) {
        SeedFill(reinterpret_cast<Ptr>(fillSrc.data()), reinterpret_cast<Ptr>(fillLib.data()), kFillRow, kFillRow,
                 kFillHeight, kFillWords, 5, 5);
    };
    seed.raw = [](int) {
        std::memset(fillRaw.data(), 0, fillRaw.size());
        const int width = kFillWords * 16;
        auto bit = [](const std::vector<uint8_t> &b, int x, int y) { return (b[y * kFillRow + x / 8] >> (7 - x % 8)) & 1; };
        auto fillable = [&](int x, int y) { return !bit(fillSrc, x, y) && !bit(fillRaw, x, y); };
        std::vector<std::pair<int, int>> stack{{5, 5}};
        while (!stack.empty()) {
            auto [sx, y] = stack.back();
            stack.pop_back();
            if (!fillable(sx, y))
                continue;
            int l = sx, r = sx;
            while (l > 0 && fillable(l - 1, y))
                --l;
            while (r + 1 < width && fillable(r + 1, y))
                ++r;
            for (int x = l; x <= r; ++x)
                fillRaw[y * kFillRow + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
            for (int ny : {y - 1, y + 1}) {
                if (ny < 0 || ny >= kFillHeight)
                    continue;
                bool run = false;
                for (int x = l; x <= r; ++x) {
                    bool f = fillable(x, ny);
                    if (f && !run)
                        stack.push_back({x, ny});
                    run = f;
                }
            }
        }
    };
    seed.same = [] { return fillLib == fillRaw; };
    cases.push_back(seed);

    // 32 x 32 colour icons plotted through their masks by ID, against MaskBlt of a ready bitmap and mask.
    static int16_t iconFile;
    static testing_support::DibPort *iconPort;
    static testing_support::DibSurface *iconRaw;
    static HBITMAP iconBitmap, iconMask;
    static HDC iconDC;
    static HGDIOBJ iconDisplaced;
    PairCase icons;
    icons.name = "PlotIconID 32x32 with a mask";
    icons.count = 1000;
    icons.setUp = [] {
        std::vector<uint8_t> family(256, 0), colours(1024);
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) {
                if ((x - 16) * (x - 16) + (y - 16) * (y - 16) < 14 * 14)
                    family[128 + y * 4 + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
                colours[y * 32 + x] = static_cast<uint8_t>(x * 8 + y % 8);
            }
        DeleteFileA("bench_icons.rsr");
        const unsigned char name[] = "\x0F" "bench_icons.rsr";
        CreateResFile(name);
        iconFile = OpenResFile(name);
        UseResFile(iconFile);
        const unsigned char none[] = "";
        for (auto [type, bytes] : {std::pair<ResType, std::vector<uint8_t> *>{0x49434E23, &family},
                                   std::pair<ResType, std::vector<uint8_t> *>{0x69636C38, &colours}}) {
            Handle h = NewHandle(static_cast<Size>(bytes->size()));
            std::memcpy(*h, bytes->data(), bytes->size());
            AddResource(h, type, 128, none);
        }
        // Written and opened again, so the icons load from the fork each time, as a program's do.
        CloseResFile(iconFile);
        iconFile = OpenResFile(name);
        UseResFile(iconFile);
        iconPort = new testing_support::DibPort(40, 40);
        iconRaw = new testing_support::DibSurface(40, 40);
        // The raw side's bitmap: the pixels the library draws, read back from one plot.
        SetPor(iconPort->port());
        const Rect r{0, 0, 32, 32};
        PlotIconID(&r, 0, 0, 128);
        iconDC = CreateCompatibleDC(iconRaw->dc());
        iconBitmap = CreateCompatibleBitmap(iconRaw->dc(), 32, 32);
        iconDisplaced = SelectObject(iconDC, iconBitmap);
        BitBlt(iconDC, 0, 0, 32, 32, iconPort->surface().dc(), 0, 0, SRCCOPY);
        std::vector<uint8_t> maskRows(family.begin() + 128, family.end());
        iconMask = CreateBitmap(32, 32, 1, 1, maskRows.data());
    };
    icons.library = [](int) {
        const Rect r{0, 0, 32, 32};
        PlotIconID(&r, 0, 0, 128);
    };
    icons.raw = [](int) {
        MaskBlt(iconRaw->dc(), 0, 0, 32, 32, iconDC, 0, 0, iconMask, 0, 0, MAKEROP4(SRCCOPY, 0x00AA0029));
    };
    icons.same = [] {
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 40; ++x)
                if (iconPort->surface().Pixel(x, y) != iconRaw->Pixel(x, y))
                    return false;
        return true;
    };
    icons.tearDown = [] {
        SetPor(testing_support::WindowManagerPort());
        delete iconPort;
        SelectObject(iconDC, iconDisplaced);
        DeleteObject(iconBitmap);
        DeleteObject(iconMask);
        DeleteDC(iconDC);
        delete iconRaw;
        CloseResFile(iconFile);
        DeleteFileA("bench_icons.rsr");
    };
    cases.push_back(icons);
    // The pixel conversion engine: an 8-bit PixMap enlarged 2x into a 32-bit DIB PixMap.
    static std::vector<uint8_t> smallRows;
    static PixMapHandle small;
    static PixMap dibPixMap;
    static Handle dibHandle;
    static uint8_t dibMark;
    static struct {
        BITMAPINFOHEADER h;
        RGBQUAD colours[256];
    } smallInfo{};
    static HDC sectionDC;
    static HBITMAP section;
    static HGDIOBJ sectionDisplaced;
    static uint8_t *sectionBits;
    PairCase enlarge;
    enlarge.name = "CopyBits 320x240 8-bit PixMap enlarged 2x into a 32-bit DIB PixMap / StretchDIBits into a 32-bit section";
    enlarge.count = 40;
    enlarge.setUp = [screen] {
        constexpr int w = kWidth / 2, h = kHeight / 2;
        small = NewPixMap();
        smallRows.resize(static_cast<size_t>(w) * h);
        for (size_t i = 0; i < smallRows.size(); ++i)
            smallRows[i] = static_cast<uint8_t>((i * 7) ^ (i >> 8));
        PixMap &p = **small;
        CTabHandle standard = GetCTable(8);
        DisposeCTable(p.pmTable);
        p.pmTable = standard;
        p.baseAddr = reinterpret_cast<Ptr>(smallRows.data());
        p.rowBytes = static_cast<int16_t>(0x8000 | w);
        p.bounds = Rect{0, 0, h, w};
        p.pixelSize = 8;
        p.pixelType = 0;
        p.cmpCount = 1;
        p.cmpSize = 8;
        p.pmExtFlags = 0;
        // The same pixels as a top-down DIB for GDI.
        smallInfo.h.biSize = sizeof smallInfo.h;
        smallInfo.h.biWidth = w;
        smallInfo.h.biHeight = -h;
        smallInfo.h.biPlanes = 1;
        smallInfo.h.biBitCount = 8;
        smallInfo.h.biClrUsed = 256;
        for (int i = 0; i < 256; ++i) {
            const RGBColor &c = (*standard)->ctTable[i].rgb;
            smallInfo.colours[i] = RGBQUAD{static_cast<BYTE>(c.blue >> 8), static_cast<BYTE>(c.green >> 8),
                                           static_cast<BYTE>(c.red >> 8), 0};
        }
        // The destination: a 32-bit bottom-up DIB PixMap.
        dibHandle = NewHandleClear(sizeof(BITMAPINFOHEADER) + static_cast<Size>(kWidth) * 4 * kHeight);
        auto *bi = reinterpret_cast<BITMAPINFOHEADER *>(*dibHandle);
        bi->biSize = sizeof *bi;
        bi->biWidth = kWidth;
        bi->biHeight = kHeight;
        bi->biPlanes = 1;
        bi->biBitCount = 32;
        HLock(dibHandle);
        dibPixMap = PixMap{};
        dibPixMap.baseAddr = reinterpret_cast<Ptr>(&dibMark);
        dibPixMap.rowBytes = static_cast<int16_t>(0x8000 | (kWidth * 4));
        dibPixMap.bounds = Rect{0, 0, kHeight, kWidth};
        dibPixMap.pmVersion = static_cast<int16_t>(0xC000);
        dibPixMap.pixelType = 16;
        dibPixMap.pixelSize = 32;
        dibPixMap.cmpCount = 3;
        dibPixMap.cmpSize = 8;
        dibPixMap.pmExtFlags = pmExtDibAttached;
        dibPixMap.pmExtDib = dibHandle;
        dibPixMap.pmExtDibBits = *dibHandle + sizeof(BITMAPINFOHEADER);
        BITMAPINFO sectionInfo{};
        sectionInfo.bmiHeader = *bi;
        sectionDC = CreateCompatibleDC(screen);
        void *bits = nullptr;
        section = CreateDIBSection(sectionDC, &sectionInfo, DIB_RGB_COLORS, &bits, nullptr, 0);
        sectionBits = static_cast<uint8_t *>(bits);
        sectionDisplaced = SelectObject(sectionDC, section);
    };
    enlarge.library = [](int) {
        const Rect from = (*small)->bounds, to = dibPixMap.bounds;
        CopyBits(reinterpret_cast<BitMap *>(*small), reinterpret_cast<BitMap *>(&dibPixMap), &from, &to, srcCopy, nullptr);
    };
    enlarge.raw = [](int) {
        StretchDIBits(sectionDC, 0, 0, kWidth, kHeight, 0, 0, kWidth / 2, kHeight / 2, smallRows.data(),
                      reinterpret_cast<BITMAPINFO *>(&smallInfo), DIB_RGB_COLORS, SRCCOPY);
    };
    enlarge.same = [] {
        GdiFlush();
        const uint8_t *mine = reinterpret_cast<uint8_t *>(dibPixMap.pmExtDibBits);
        for (size_t i = 0; i < static_cast<size_t>(kWidth) * kHeight * 4; i += 4)
            if (std::memcmp(mine + i, sectionBits + i, 3) != 0)
                return false;
        return true;
    };
    enlarge.tearDown = [] {
        SelectObject(sectionDC, sectionDisplaced);
        DeleteObject(section);
        DeleteDC(sectionDC);
        HUnlock(dibHandle);
        DisposeHandle(dibHandle);
        (*small)->baseAddr = nullptr;
        DisposePixMap(small);
    };
    cases.push_back(enlarge);

    int result = RunPairCases(cases);
    DeleteObject(picture);
    ReleaseDC(nullptr, screen);
    return result;
}

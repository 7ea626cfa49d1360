// Imaging: unfolding a bitmap-backed 640 x 480 32-bit PixMap into Macintosh rows against GetDIBits of
// the same rows, folding a 640 x 480 8-bit PixMap into a Windows bitmap against CreateDIBitmap of the
// same prepared rows, and PaintRect on a port bound to application bits against FillRect on a memory DC
// holding a bitmap of the same size; a 2x enlargement of a 320 x 240 8-bit PixMap into a 640 x 480 32-bit
// DIB PixMap (the pixel conversion engine) against StretchDIBits of the same 8-bit DIB into a 32-bit DIB
// section; recording a 640 x 480 32-bit CopyBits into a picture against PackBits-packing the same
// component planes row by row.
#include "bench.h"

#include <cstring>
#include <vector>

#include <algorithm>

#include "MacMemory.h"
#include "Quickdraw.h"
#include "ToolUtils.h"
#include "qd_fixture.h"
#include "test_seams.h"

namespace {

constexpr int kWidth = 640, kHeight = 480;
using Bytes = std::vector<uint8_t>;

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

    // Recording CopyBits: the rows split into red, green and blue planes and PackBits-packed behind a
    // word count, which the raw side does with the exported PackBits.
    static std::vector<uint8_t> recordRows, packedRaw;
    static PixMapHandle recorded;
    static testing_support::DibPort *recordPort;
    static Bytes lastPicture;
    PairCase record;
    record.name = "CopyBits 640x480 32-bit recorded into a picture / PackBits of the same planes";
    record.count = 5;
    record.setUp = [] {
        recorded = MemoryPixMap(32, recordRows);
        for (size_t i = 0; i < recordRows.size(); ++i)
            recordRows[i] = (i & 3) == 3 ? 0 : static_cast<uint8_t>((i / 4 % kWidth) / 8 * 3 + (i & 3) * 40 + i / (4 * kWidth) / 16);
        recordPort = new testing_support::DibPort(16, 16);
    };
    record.library = [](int) {
        SetPor(recordPort->port());
        const Rect frame{0, 0, kHeight, kWidth};
        PicHandle pic = OpenPicture(&frame);
        CopyBits(reinterpret_cast<const BitMap *>(*recorded), &recordPort->port()->portBits, &frame, &frame, srcCopy,
                 nullptr);
        ClosePicture();
        Handle h = reinterpret_cast<Handle>(pic);
        lastPicture.assign(reinterpret_cast<uint8_t *>(*h), reinterpret_cast<uint8_t *>(*h) + GetHandleSize(h));
        KillPicture(pic);
    };
    record.raw = [](int) {
        std::vector<uint8_t> planes(3 * kWidth), packed(3 * kWidth + 64);
        packedRaw.clear();
        for (int y = 0; y < kHeight; ++y) {
            const uint8_t *row = recordRows.data() + static_cast<size_t>(y) * 4 * kWidth;
            for (int x = 0; x < kWidth; ++x) {
                planes[x] = row[4 * x + 2];
                planes[kWidth + x] = row[4 * x + 1];
                planes[2 * kWidth + x] = row[4 * x];
            }
            Ptr src = reinterpret_cast<Ptr>(planes.data()), dst = reinterpret_cast<Ptr>(packed.data());
            PackBits(&src, &dst, static_cast<int16_t>(planes.size()));
            const size_t n = static_cast<size_t>(reinterpret_cast<uint8_t *>(dst) - packed.data());
            packedRaw.push_back(static_cast<uint8_t>(n >> 8));
            packedRaw.push_back(static_cast<uint8_t>(n));
            packedRaw.insert(packedRaw.end(), packed.begin(), packed.begin() + static_cast<long>(n));
        }
    };
    record.same = [] {
        return !packedRaw.empty() &&
               std::search(lastPicture.begin(), lastPicture.end(), packedRaw.begin(), packedRaw.end()) != lastPicture.end();
    };
    record.tearDown = [] {
        SetPor(testing_support::WindowManagerPort());
        delete recordPort;
        (*recorded)->baseAddr = nullptr;
        DisposePixMap(recorded);
    };
    cases.push_back(record);
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

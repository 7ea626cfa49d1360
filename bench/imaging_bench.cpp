// Imaging: unfolding a bitmap-backed 640 x 480 32-bit PixMap into Macintosh rows against GetDIBits of
// the same rows, folding a 640 x 480 8-bit PixMap into a Windows bitmap against CreateDIBitmap of the
// same prepared rows, and PaintRect on a port bound to application bits against FillRect on a memory DC
// holding a bitmap of the same size; a 2x enlargement of a 320 x 240 8-bit PixMap into a 640 x 480 32-bit
// DIB PixMap (the pixel conversion engine) against StretchDIBits of the same 8-bit DIB into a 32-bit DIB
// section; UnionRgn of two 512 x 512 mask regions against a 1-bit DIB section in a memory DC combined by
// two BitBlt calls (SRCCOPY, SRCAND) from the same masks; the unscaled fast paths: a 640 x 480 one-bit
// copy against BitBlt between two 1-bit DIB sections, a 640 x 480 8-to-32-bit srcCopy against
// SetDIBitsToDevice into a 32-bit section, and a 200 x 200 screen-source copy into a DIB PixMap against
// BitBlt and GetDIBits; recording a 640 x 480 32-bit CopyBits into a picture against PackBits-packing
// the same component planes row by row.
#include "bench.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include <algorithm>

#include "LowMem.h"
#include "MacMemory.h"
#include "Icons.h"
#include "QDOffscreen.h"
#include "Resources.h"
#include "Quickdraw.h"
#include "ToolUtils.h"
#include "qd_fixture.h"
#include "test_seams.h"
#include "Zel.h"

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

// A full pixel pattern of size x size 8-bit pixels of the standard table, each pixel its own entry.
PixPatHandle DistinctPixelPattern(int size)
{
    PixPatHandle pp = NewPixPat();
    PixMap &map = **(*pp)->patMap;
    map.rowBytes = static_cast<int16_t>(0x8000 | size);
    map.bounds = Rect{0, 0, static_cast<int16_t>(size), static_cast<int16_t>(size)};
    map.pixelType = 0;
    map.pixelSize = 8;
    map.cmpCount = 1;
    map.cmpSize = 8;
    if (map.pmTable)
        DisposeCTable(map.pmTable);
    map.pmTable = GetCTable(8);
    SetHandleSize((*pp)->patData, size * size);
    for (int i = 0; i < size * size; ++i)
        (*(*pp)->patData)[i] = static_cast<char>(i * 7 + i / size);
    (*pp)->patType = 1;
    return pp;
}

// ---- Pictures of pixels written here, for the playback cases ----
void PictWord(Bytes &b, int v)
{
    b.push_back(static_cast<uint8_t>(v >> 8));
    b.push_back(static_cast<uint8_t>(v));
}
void PictLong(Bytes &b, uint32_t v)
{
    PictWord(b, static_cast<int>(v >> 16));
    PictWord(b, static_cast<int>(v & 0xFFFF));
}
void PictRect(Bytes &b, int top, int left, int bottom, int right)
{
    PictWord(b, top);
    PictWord(b, left);
    PictWord(b, bottom);
    PictWord(b, right);
}
// One row packed with the exported PackBits behind its word count.
void PictPackedRow(Bytes &b, Bytes row)
{
    Bytes packed(row.size() + row.size() / 64 + 16);
    Ptr src = reinterpret_cast<Ptr>(row.data()), dst = reinterpret_cast<Ptr>(packed.data());
    PackBits(&src, &dst, static_cast<int16_t>(row.size()));
    const int n = static_cast<int>(reinterpret_cast<uint8_t *>(dst) - packed.data());
    PictWord(b, n);
    b.insert(b.end(), packed.begin(), packed.begin() + n);
}
// A version 2 picture of width x height holding one 8-bit PackBitsRect (palette given) or one 32-bit
// DirectBitsRect of three planes, of `pixels` (indices, or 0x00RRGGBB).
PicHandle PixelPicture(int width, int height, bool direct, const std::vector<uint32_t> &pixels,
                       const std::vector<uint32_t> &palette)
{
    Bytes b(10, 0);
    b[6] = static_cast<uint8_t>(height);
    b[7] = static_cast<uint8_t>(height >> 8);
    b[8] = static_cast<uint8_t>(width);
    b[9] = static_cast<uint8_t>(width >> 8);
    const uint8_t head[] = {0x00, 0x11, 0x02, 0xFF, 0x0C, 0x00, 0xFF, 0xFF, 0xFF, 0xFF};
    b.insert(b.end(), head, head + sizeof head);
    b.resize(40, 0);
    PictWord(b, direct ? 0x009A : 0x0098);
    if (direct)
        PictLong(b, 0xFF);
    PictWord(b, 0x8000 | (direct ? 4 * width : width));
    PictRect(b, 0, 0, height, width);
    PictWord(b, 0);
    PictWord(b, direct ? 4 : 0);
    PictLong(b, 0);
    PictLong(b, 0x00480000);
    PictLong(b, 0x00480000);
    PictWord(b, direct ? 16 : 0);
    PictWord(b, direct ? 32 : 8);
    PictWord(b, direct ? 3 : 1);
    PictWord(b, 8);
    PictLong(b, 0);
    PictLong(b, 0);
    PictLong(b, 0);
    if (!direct) {
        PictLong(b, 0);
        PictWord(b, 0);
        PictWord(b, 255);
        for (int i = 0; i < 256; ++i) {
            PictWord(b, i);
            PictWord(b, static_cast<int>(palette[i] >> 16 & 0xFF) * 0x101);
            PictWord(b, static_cast<int>(palette[i] >> 8 & 0xFF) * 0x101);
            PictWord(b, static_cast<int>(palette[i] & 0xFF) * 0x101);
        }
    }
    PictRect(b, 0, 0, height, width);
    PictRect(b, 0, 0, height, width);
    PictWord(b, 0);
    for (int y = 0; y < height; ++y) {
        Bytes row(static_cast<size_t>(direct ? 3 * width : width));
        for (int x = 0; x < width; ++x) {
            const uint32_t v = pixels[static_cast<size_t>(y) * width + x];
            if (direct) {
                row[x] = static_cast<uint8_t>(v >> 16);
                row[width + x] = static_cast<uint8_t>(v >> 8);
                row[2 * width + x] = static_cast<uint8_t>(v);
            } else {
                row[x] = static_cast<uint8_t>(v);
            }
        }
        PictPackedRow(b, row);
    }
    if (b.size() & 1)
        b.push_back(0);
    PictWord(b, 0x00FF);
    Handle h = NewHandle(static_cast<Size>(b.size()));
    std::memcpy(*h, b.data(), b.size());
    return reinterpret_cast<PicHandle>(h);
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

    // On an 8-bit palette screen: a ditherCopy CopyBits of a 640 x 480 32-bit PixMap to a window (every
    // pixel dithered into the colour cube) against StretchDIBits of the same 32-bit DIB (GDI maps each
    // pixel to its nearest entry), into a bitmap of the screen's format under the same palette. Both must
    // show each pixel within one cube step of the other.
    if ((GetDeviceCaps(screen, RASTERCAPS) & RC_PALETTE) && GetDeviceCaps(screen, BITSPIXEL) == 8) {
        static std::vector<uint8_t> deepRows;
        static PixMapHandle deep;
        static HWND window;
        static HDC windowDC, previousDC, rawDC;
        static HBITMAP rawBitmap;
        static HGDIOBJ rawDisplaced;
        static CGrafPort port;
        static BITMAPINFOHEADER deepInfo;
        PairCase dither;
        dither.name = "CopyBits ditherCopy of a 640x480 32-bit PixMap to a window on an 8-bit palette screen / "
                      "StretchDIBits of the same DIB";
        dither.count = 10;
        dither.setUp = [] {
            deep = MemoryPixMap(32, deepRows);
            for (int y = 0; y < kHeight; ++y)
                for (int x = 0; x < kWidth; ++x) {
                    const uint32_t v = static_cast<uint32_t>((x * 255 / kWidth) << 16 | (y * 255 / kHeight) << 8 | ((x + y) & 255));
                    std::memcpy(&deepRows[(static_cast<size_t>(y) * kWidth + x) * 4], &v, 4);
                }
            deepInfo = {sizeof(BITMAPINFOHEADER), kWidth, -kHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
            window = testing_support::CreateDrawingWindow(kWidth, kHeight);
            windowDC = GetDC(window);
            std::memset(&port, 0, sizeof port);
            OpenCPort(&port);
            previousDC = ZEL_SwaphDC(windowDC, 0);
            SetPor(reinterpret_cast<GrafPtr>(&port));
            RealizePalette(windowDC);
            rawDC = CreateCompatibleDC(windowDC);
            rawBitmap = CreateCompatibleBitmap(windowDC, kWidth, kHeight);
            rawDisplaced = SelectObject(rawDC, rawBitmap);
            SelectPalette(rawDC, static_cast<HPALETTE>(GetCurrentObject(windowDC, OBJ_PAL)), FALSE);
            RealizePalette(rawDC);
        };
        dither.library = [](int) {
            const Rect r = (*deep)->bounds;
            CopyBits(reinterpret_cast<BitMap *>(*deep), &reinterpret_cast<GrafPtr>(&port)->portBits, &r, &r,
                     static_cast<int16_t>(srcCopy | int{ditherCopy}), nullptr);
        };
        dither.raw = [](int) {
            SetStretchBltMode(rawDC, COLORONCOLOR);
            StretchDIBits(rawDC, 0, 0, kWidth, kHeight, 0, 0, kWidth, kHeight, deepRows.data(),
                          reinterpret_cast<BITMAPINFO *>(&deepInfo), DIB_RGB_COLORS, SRCCOPY);
        };
        dither.same = [] {
            // The library's pixels are palette entries within one cube step of the source, as this display
            // shows each entry (drawn by index afterwards); GDI's within its nearest colour.
            GdiFlush();
            auto source = [](int x, int y) {
                return RGB(x * 255 / kWidth, y * 255 / kHeight, (x + y) & 255);
            };
            auto close = [](COLORREF a, COLORREF b, int most) {
                return std::abs(GetRValue(a) - GetRValue(b)) <= most && std::abs(GetGValue(a) - GetGValue(b)) <= most &&
                       std::abs(GetBValue(a) - GetBValue(b)) <= most;
            };
            std::vector<std::pair<POINT, COLORREF>> samples;
            for (int y = 1; y < kHeight; y += 37)
                for (int x = 0; x < kWidth; x += 29) {
                    samples.push_back({POINT{x, y}, GetPixel(windowDC, x, y)});
                    if (!close(GetPixel(rawDC, x, y), source(x, y), 64))
                        return false;
                }
            HPALETTE palette = static_cast<HPALETTE>(GetCurrentObject(windowDC, OBJ_PAL));
            PALETTEENTRY entries[256];
            const UINT n = GetPaletteEntries(palette, 0, 256, entries);
            struct {
                BITMAPINFOHEADER h;
                WORD index[256];
            } info{};
            info.h = {sizeof(BITMAPINFOHEADER), static_cast<LONG>(n), 1, 1, 8, BI_RGB, 0, 0, 0, 256, 0};
            std::vector<uint8_t> strip((n + 3) & ~3u);
            for (UINT k = 0; k < n; ++k) {
                info.index[k] = static_cast<WORD>(k);
                strip[k] = static_cast<uint8_t>(k);
            }
            SetDIBitsToDevice(windowDC, 0, 0, n, 1, 0, 0, 0, 1, strip.data(), reinterpret_cast<BITMAPINFO *>(&info),
                              DIB_PAL_COLORS);
            for (const auto &[at, shown] : samples) {
                bool found = false;
                for (UINT k = 0; k < n && !found; ++k)
                    found = GetPixel(windowDC, static_cast<int>(k), 0) == shown &&
                            close(RGB(entries[k].peRed, entries[k].peGreen, entries[k].peBlue), source(at.x, at.y), 51);
                if (!found)
                    return false;
            }
            return true;
        };
        dither.tearDown = [] {
            SelectObject(rawDC, rawDisplaced);
            DeleteObject(rawBitmap);
            DeleteDC(rawDC);
            ZEL_SwaphDC(previousDC, 0);
            CloseCPort(&port);
            ReleaseDC(window, windowDC);
            DestroyWindow(window);
            (*deep)->baseAddr = nullptr;
            DisposePixMap(deep);
        };
        cases.push_back(dither);
    }

    // Region arithmetic on masks: the union of two 512 x 512 mask regions.
    constexpr int kMask = 512;
    static RgnHandle maskA, maskB, unionRgn;
    static HDC rawMaskDC[3];
    static HBITMAP rawMaskBitmap[3];
    static HGDIOBJ rawMaskDisplaced[3];
    static uint8_t *rawMaskBits[3];
    PairCase unite;
    unite.name = "UnionRgn of two 512x512 mask regions / a 1-bit section and BitBlt SRCCOPY, SRCAND";
    unite.count = 200;
    unite.setUp = [] {
        constexpr int rowBytes = kMask / 8;
        std::vector<uint8_t> a(rowBytes * kMask), b(rowBytes * kMask);
        for (int y = 0; y < kMask; ++y)
            for (int x = 0; x < kMask; ++x) {
                if ((x - 200) * (x - 200) + (y - 250) * (y - 250) < 180 * 180)
                    a[y * rowBytes + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
                if (((x / 16) + (y / 16)) % 3 == 0)
                    b[y * rowBytes + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
            }
        BitMap bitsA = {reinterpret_cast<Ptr>(a.data()), rowBytes, Rect{0, 0, kMask, kMask}};
        BitMap bitsB = {reinterpret_cast<Ptr>(b.data()), rowBytes, Rect{0, 0, kMask, kMask}};
        maskA = NewRgn();
        maskB = NewRgn();
        unionRgn = NewRgn();
        BitMapToRegion(maskA, &bitsA);
        BitMapToRegion(maskB, &bitsB);
        // The raw side: the same masks (0 inside) in 1-bit sections, and a destination section.
        for (int i = 0; i < 3; ++i) {
            struct {
                BITMAPINFOHEADER h;
                RGBQUAD colours[2];
            } info{};
            info.h.biSize = sizeof info.h;
            info.h.biWidth = kMask;
            info.h.biHeight = kMask;
            info.h.biPlanes = 1;
            info.h.biBitCount = 1;
            info.colours[1] = RGBQUAD{255, 255, 255, 0};
            void *bits = nullptr;
            rawMaskDC[i] = CreateCompatibleDC(nullptr);
            rawMaskBitmap[i] = CreateDIBSection(rawMaskDC[i], reinterpret_cast<BITMAPINFO *>(&info), DIB_RGB_COLORS, &bits,
                                                nullptr, 0);
            rawMaskBits[i] = static_cast<uint8_t *>(bits);
            rawMaskDisplaced[i] = SelectObject(rawMaskDC[i], rawMaskBitmap[i]);
            if (i < 2) {
                const std::vector<uint8_t> &src = i == 0 ? a : b;
                for (int y = 0; y < kMask; ++y)
                    for (int x = 0; x < rowBytes; ++x)
                        rawMaskBits[i][(kMask - 1 - y) * rowBytes + x] = static_cast<uint8_t>(~src[y * rowBytes + x]);
            }
        }
    };
    unite.library = [](int) { UnionRgn(maskA, maskB, unionRgn); };
    unite.raw = [](int) {
        BitBlt(rawMaskDC[2], 0, 0, kMask, kMask, rawMaskDC[0], 0, 0, SRCCOPY);
        BitBlt(rawMaskDC[2], 0, 0, kMask, kMask, rawMaskDC[1], 0, 0, SRCAND);
    };
    unite.same = [] {
        GdiFlush();
        for (int y = 0; y < kMask; ++y)
            for (int x = 0; x < kMask; ++x) {
                const bool raw = !(rawMaskBits[2][(kMask - 1 - y) * (kMask / 8) + x / 8] & (0x80 >> (x % 8)));
                if (raw != (PtInRgn(Point{static_cast<int16_t>(y), static_cast<int16_t>(x)}, unionRgn) != 0))
                    return false;
            }
        return true;
    };
    unite.tearDown = [] {
        for (int i = 0; i < 3; ++i) {
            SelectObject(rawMaskDC[i], rawMaskDisplaced[i]);
            DeleteObject(rawMaskBitmap[i]);
            DeleteDC(rawMaskDC[i]);
        }
        DisposeRgn(maskA);
        DisposeRgn(maskB);
        DisposeRgn(unionRgn);
    };
    cases.push_back(unite);

    // One-bit memory copies, byte-aligned.
    static std::vector<uint8_t> monoA, monoB;
    static PixMap monoSrc, monoDst;
    static HDC monoDC[2];
    static HBITMAP monoBitmap[2];
    static HGDIOBJ monoDisplaced[2];
    static uint8_t *monoBits[2];
    PairCase mono;
    mono.name = "CopyBits 640x480 1-bit same size, byte-aligned / BitBlt between 1-bit DIB sections";
    mono.count = 400;
    mono.setUp = [] {
        constexpr int rowBytes = kWidth / 8;
        monoA.resize(rowBytes * kHeight);
        monoB.assign(rowBytes * kHeight, 0);
        for (size_t i = 0; i < monoA.size(); ++i)
            monoA[i] = static_cast<uint8_t>(i * 37 ^ i >> 7);
        for (PixMap *p : {&monoSrc, &monoDst}) {
            *p = PixMap{};
            p->baseAddr = reinterpret_cast<Ptr>(p == &monoSrc ? monoA.data() : monoB.data());
            p->rowBytes = static_cast<int16_t>(0x8000 | rowBytes);
            p->bounds = Rect{0, 0, kHeight, kWidth};
            p->pixelSize = 1;
            p->cmpCount = 1;
            p->cmpSize = 1;
        }
        for (int i = 0; i < 2; ++i) {
            struct {
                BITMAPINFOHEADER h;
                RGBQUAD colours[2];
            } info{};
            info.h.biSize = sizeof info.h;
            info.h.biWidth = kWidth;
            info.h.biHeight = -kHeight;
            info.h.biPlanes = 1;
            info.h.biBitCount = 1;
            info.colours[0] = RGBQUAD{255, 255, 255, 0};
            void *bits = nullptr;
            monoDC[i] = CreateCompatibleDC(nullptr);
            monoBitmap[i] = CreateDIBSection(monoDC[i], reinterpret_cast<BITMAPINFO *>(&info), DIB_RGB_COLORS, &bits, nullptr, 0);
            monoBits[i] = static_cast<uint8_t *>(bits);
            monoDisplaced[i] = SelectObject(monoDC[i], monoBitmap[i]);
        }
        std::memcpy(monoBits[0], monoA.data(), monoA.size());
    };
    mono.library = [](int) {
        const Rect r = monoSrc.bounds;
        CopyBits(reinterpret_cast<BitMap *>(&monoSrc), reinterpret_cast<BitMap *>(&monoDst), &r, &r, srcCopy, nullptr);
    };
    mono.raw = [](int) { BitBlt(monoDC[1], 0, 0, kWidth, kHeight, monoDC[0], 0, 0, SRCCOPY); };
    mono.same = [] {
        GdiFlush();
        return std::memcmp(monoB.data(), monoBits[1], monoB.size()) == 0;
    };
    mono.tearDown = [] {
        for (int i = 0; i < 2; ++i) {
            SelectObject(monoDC[i], monoDisplaced[i]);
            DeleteObject(monoBitmap[i]);
            DeleteDC(monoDC[i]);
        }
    };
    cases.push_back(mono);

    // 8 to 32 bits between memory PixMaps.
    static std::vector<uint8_t> eightRows;
    static std::vector<uint32_t> deepRows;
    static PixMap eightPm, deepPm;
    static CTabHandle eightTable;
    static struct {
        BITMAPINFOHEADER h;
        RGBQUAD colours[256];
    } eightInfo{};
    static HDC deepDC;
    static HBITMAP deepSection;
    static HGDIOBJ deepDisplaced;
    static uint32_t *deepBits;
    PairCase widen;
    widen.name = "CopyBits 640x480 8-bit to 32-bit srcCopy in memory / SetDIBitsToDevice into a 32-bit section";
    widen.count = 40;
    widen.setUp = [] {
        eightTable = GetCTable(8);
        eightRows.resize(kWidth * kHeight);
        deepRows.assign(kWidth * kHeight, 0);
        for (size_t i = 0; i < eightRows.size(); ++i)
            eightRows[i] = static_cast<uint8_t>(i * 7 ^ i >> 9);
        eightPm = PixMap{};
        eightPm.baseAddr = reinterpret_cast<Ptr>(eightRows.data());
        eightPm.rowBytes = static_cast<int16_t>(0x8000 | kWidth);
        eightPm.bounds = Rect{0, 0, kHeight, kWidth};
        eightPm.pixelSize = 8;
        eightPm.cmpCount = 1;
        eightPm.cmpSize = 8;
        eightPm.pmTable = eightTable;
        deepPm = PixMap{};
        deepPm.baseAddr = reinterpret_cast<Ptr>(deepRows.data());
        deepPm.rowBytes = static_cast<int16_t>(0x8000 | (kWidth * 4));
        deepPm.bounds = Rect{0, 0, kHeight, kWidth};
        deepPm.pixelType = 16;
        deepPm.pixelSize = 32;
        deepPm.cmpCount = 3;
        deepPm.cmpSize = 8;
        eightInfo.h.biSize = sizeof eightInfo.h;
        eightInfo.h.biWidth = kWidth;
        eightInfo.h.biHeight = -kHeight;
        eightInfo.h.biPlanes = 1;
        eightInfo.h.biBitCount = 8;
        eightInfo.h.biClrUsed = 256;
        for (int i = 0; i < 256; ++i) {
            const RGBColor &c = (*eightTable)->ctTable[i].rgb;
            eightInfo.colours[i] = RGBQUAD{static_cast<BYTE>(c.blue >> 8), static_cast<BYTE>(c.green >> 8),
                                           static_cast<BYTE>(c.red >> 8), 0};
        }
        BITMAPINFO info{};
        info.bmiHeader = eightInfo.h;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biClrUsed = 0;
        void *bits = nullptr;
        deepDC = CreateCompatibleDC(nullptr);
        deepSection = CreateDIBSection(deepDC, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        deepBits = static_cast<uint32_t *>(bits);
        deepDisplaced = SelectObject(deepDC, deepSection);
    };
    widen.library = [](int) {
        const Rect r = eightPm.bounds;
        CopyBits(reinterpret_cast<BitMap *>(&eightPm), reinterpret_cast<BitMap *>(&deepPm), &r, &r, srcCopy, nullptr);
    };
    widen.raw = [](int) {
        SetDIBitsToDevice(deepDC, 0, 0, kWidth, kHeight, 0, 0, 0, kHeight, eightRows.data(),
                          reinterpret_cast<BITMAPINFO *>(&eightInfo), DIB_RGB_COLORS);
    };
    widen.same = [] {
        GdiFlush();
        for (size_t i = 0; i < deepRows.size(); ++i)
            if ((deepRows[i] & 0xFFFFFF) != (deepBits[i] & 0xFFFFFF))
                return false;
        return true;
    };
    widen.tearDown = [] {
        SelectObject(deepDC, deepDisplaced);
        DeleteObject(deepSection);
        DeleteDC(deepDC);
        DisposeCTable(eightTable);
    };
    cases.push_back(widen);

    // A screen source into a DIB PixMap.
    constexpr int kGrab = 200;
    static testing_support::DibPort *grabPort;
    static PixMapHandle grabDib;
    static std::vector<uint32_t> grabRaw(kGrab * kGrab);
    static HDC grabMemory;
    static HBITMAP grabBitmap;
    PairCase grab;
    grab.name = "CopyBits 200x200 from a port's DC into a 32-bit DIB PixMap / BitBlt and GetDIBits";
    grab.count = 200;
    grab.setUp = [] {
        grabPort = new testing_support::DibPort(kGrab, kGrab);
        for (int y = 0; y < kGrab; ++y)
            for (int x = 0; x < kGrab; ++x)
                SetPixel(grabPort->surface().dc(), x, y, RGB(x, y, x ^ y));
        SetPor(grabPort->port());
        Rect box = {0, 0, kGrab, kGrab};
        PixMap like{};
        like.pixelType = 16;
        like.pixelSize = 32;
        like.cmpCount = 3;
        like.cmpSize = 8;
        grabDib = NewDibPixMapForTest(&box, &like, false);
        grabMemory = CreateCompatibleDC(grabPort->surface().dc());
        grabBitmap = CreateCompatibleBitmap(grabPort->surface().dc(), kGrab, kGrab);
    };
    grab.library = [](int) {
        const Rect r = {0, 0, kGrab, kGrab};
        CopyBits(&grabPort->port()->portBits, reinterpret_cast<BitMap *>(*grabDib), &r, &r, srcCopy, nullptr);
    };
    grab.raw = [](int) {
        HGDIOBJ old = SelectObject(grabMemory, grabBitmap);
        BitBlt(grabMemory, 0, 0, kGrab, kGrab, grabPort->surface().dc(), 0, 0, SRCCOPY);
        SelectObject(grabMemory, old);
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = kGrab;
        info.bmiHeader.biHeight = kGrab;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        GetDIBits(grabMemory, grabBitmap, 0, kGrab, grabRaw.data(), &info, DIB_RGB_COLORS);
    };
    grab.same = [] {
        const uint32_t *mine = reinterpret_cast<uint32_t *>((*grabDib)->pmExtDibBits);
        for (size_t i = 0; i < grabRaw.size(); ++i)
            if ((mine[i] & 0xFFFFFF) != (grabRaw[i] & 0xFFFFFF))
                return false;
        return true;
    };
    grab.tearDown = [] {
        DeleteObject(grabBitmap);
        DeleteDC(grabMemory);
        DisposeDibPixMapForTest(grabDib);
        SetPor(testing_support::WindowManagerPort());
        delete grabPort;
    };
    cases.push_back(grab);

    // Hilite mode: InvertRect of 640 x 480 with the HiliteMode bit cleared on a port over a 32-bit memory
    // DC, against the same exchange by hand (BitBlt to a compatible bitmap, GetDIBits, a compare-and-swap
    // loop, SetDIBits, BitBlt back) on a surface of the same pixels.
    {
        using testing_support::DibPort;
        using testing_support::DibSurface;
        static DibPort *hilitePort;
        static DibSurface *hiliteRaw;
        static std::vector<uint32_t> hiliteRows;
        PairCase hilite;
        hilite.name = "InvertRect 640x480 in hilite mode on a 32-bit memory DC / BitBlt, GetDIBits, swap, SetDIBits, "
                      "BitBlt";
        hilite.count = 20;
        hilite.setUp = [] {
            hilitePort = new DibPort(kWidth, kHeight);
            hiliteRaw = new DibSurface(kWidth, kHeight);
            for (HDC dc : {hilitePort->surface().dc(), hiliteRaw->dc()})
                for (int y = 0; y < kHeight; y += 3)
                    for (int x = y % 7; x < kWidth; x += 7)
                        SetPixelV(dc, x, y, (x + y) % 2 ? RGB(255, 255, 0) : RGB(200, 0, 0));
            hiliteRows.resize(static_cast<size_t>(kWidth) * kHeight);
            SetPor(hilitePort->port());
            const RGBColor yellow = {0xFFFF, 0xFFFF, 0};
            HiliteColor(&yellow);
        };
        hilite.library = [](int) {
            const Rect r = {0, 0, kHeight, kWidth};
            LMSetHiliteMode(static_cast<uint8_t>(LMGetHiliteMode() & 0x7F));
            InvertRect(&r);
        };
        hilite.raw = [](int) {
            HDC dc = hiliteRaw->dc();
            HDC memory = CreateCompatibleDC(dc);
            HBITMAP bitmap = CreateCompatibleBitmap(dc, kWidth, kHeight);
            HGDIOBJ old = SelectObject(memory, bitmap);
            BitBlt(memory, 0, 0, kWidth, kHeight, dc, 0, 0, SRCCOPY);
            SelectObject(memory, old);
            BITMAPINFOHEADER h = {sizeof(BITMAPINFOHEADER), kWidth, kHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
            GetDIBits(memory, bitmap, 0, kHeight, hiliteRows.data(), reinterpret_cast<BITMAPINFO *>(&h), DIB_RGB_COLORS);
            for (uint32_t &p : hiliteRows)
                p = p == 0xFFFFFF ? 0xFFFF00 : p == 0xFFFF00 ? 0xFFFFFF : p;
            SetDIBits(memory, bitmap, 0, kHeight, hiliteRows.data(), reinterpret_cast<BITMAPINFO *>(&h), DIB_RGB_COLORS);
            old = SelectObject(memory, bitmap);
            BitBlt(dc, 0, 0, kWidth, kHeight, memory, 0, 0, SRCCOPY);
            SelectObject(memory, old);
            DeleteObject(bitmap);
            DeleteDC(memory);
        };
        hilite.same = [] {
            GdiFlush();
            for (int y = 0; y < kHeight; y += 5)
                for (int x = 0; x < kWidth; x += 3)
                    if (hilitePort->surface().Pixel(x, y) != hiliteRaw->Pixel(x, y))
                        return false;
            return true;
        };
        hilite.tearDown = [] {
            SetPor(testing_support::WindowManagerPort());
            delete hilitePort;
            delete hiliteRaw;
        };
        cases.push_back(hilite);
    }

    // Full pixel patterns: FillCRect of 400 x 300 with a 16 x 16 pattern, and PaintRect of the same
    // through the shape mask, against StretchDIBits of the already tiled 8-bit DIB onto the same kind of
    // DC.
    {
        constexpr int kFillW = 400, kFillH = 300, kTile = 16;
        static PixPatHandle tilePattern;
        static testing_support::DibPort *fillPort;
        static testing_support::DibSurface *fillRaw;
        static std::vector<uint8_t> tiledRows;
        static std::vector<uint8_t> tiledInfo;
        auto setUp = [] {
            tilePattern = DistinctPixelPattern(kTile);
            fillPort = new testing_support::DibPort(kFillW, kFillH);
            fillRaw = new testing_support::DibSurface(kFillW, kFillH);
            tiledInfo.assign(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD), 0);
            auto *info = reinterpret_cast<BITMAPINFO *>(tiledInfo.data());
            info->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
            info->bmiHeader.biWidth = kFillW;
            info->bmiHeader.biHeight = -kFillH;
            info->bmiHeader.biPlanes = 1;
            info->bmiHeader.biBitCount = 8;
            info->bmiHeader.biClrUsed = 256;
            CTabHandle table = (*(*tilePattern)->patMap)->pmTable;
            for (int i = 0; i < 256; ++i) {
                const RGBColor &c = (*table)->ctTable[i].rgb;
                info->bmiColors[i] = RGBQUAD{static_cast<BYTE>(c.blue >> 8), static_cast<BYTE>(c.green >> 8),
                                             static_cast<BYTE>(c.red >> 8), 0};
            }
            tiledRows.assign(static_cast<size_t>(kFillW) * kFillH, 0);
            const uint8_t *tile = reinterpret_cast<uint8_t *>(*(*tilePattern)->patData);
            for (int y = 0; y < kFillH; ++y)
                for (int x = 0; x < kFillW; ++x)
                    tiledRows[static_cast<size_t>(y) * kFillW + x] = tile[(y % kTile) * kTile + x % kTile];
        };
        auto raw = [](int) {
            StretchDIBits(fillRaw->dc(), 0, 0, kFillW, kFillH, 0, 0, kFillW, kFillH, tiledRows.data(),
                          reinterpret_cast<BITMAPINFO *>(tiledInfo.data()), DIB_RGB_COLORS, SRCCOPY);
        };
        auto same = [] {
            GdiFlush();
            for (int y = 0; y < kFillH; ++y)
                for (int x = 0; x < kFillW; ++x)
                    if (fillPort->surface().Pixel(x, y) != fillRaw->Pixel(x, y))
                        return false;
            return true;
        };
        auto tearDown = [] {
            SetPor(fillPort->port());
            PenPixPat(NewPixPat()); // the port disposes its own pen pattern as it closes
            PenNormal();
            SetPor(testing_support::WindowManagerPort());
            delete fillPort;
            delete fillRaw;
            DisposePixPat(tilePattern);
        };
        PairCase fill;
        fill.name = "FillCRect 400x300 with a 16x16 pixel pattern / StretchDIBits of the tiled DIB";
        fill.count = 200;
        fill.setUp = setUp;
        fill.library = [](int) {
            SetPor(fillPort->port());
            const Rect r{0, 0, kFillH, kFillW};
            FillCRect(&r, tilePattern);
        };
        fill.raw = raw;
        fill.same = same;
        fill.tearDown = tearDown;
        cases.push_back(fill);

        PairCase masked;
        masked.name = "PaintRect 400x300 with a 16x16 pixel pattern through the shape mask / StretchDIBits of the tiled DIB";
        masked.count = 100;
        masked.setUp = setUp;
        masked.library = [](int) {
            SetPor(fillPort->port());
            PenPixPat(tilePattern);
            const Rect r{0, 0, kFillH, kFillW};
            ZEL_SetFlags(0, 0, 0x8000, 0x8000);
            PaintRect(&r);
            ZEL_SetFlags(0, 0, 0x8000, 0);
        };
        masked.raw = raw;
        masked.same = same;
        masked.tearDown = tearDown;
        cases.push_back(masked);
    }

    // Picture playback of pixels: a 1,024 x 768 8-bit PackBitsRect and a 1,024 x 768 DirectBitsRect drawn
    // into a 32-bit GWorld of their size, against decoding the same rows to 32-bit pixels here (the
    // exported UnpackBits, the palette, the planes merged) and one SetDIBitsToDevice into the GWorld's DC.
    for (int direct = 0; direct < 2; ++direct) {
        constexpr int kPicW = 1024, kPicH = 768;
        struct PictureBench {
            PicHandle pic = nullptr;
            GWorldPtr world = nullptr, rawWorld = nullptr;
            std::vector<uint32_t> pixels, palette, decoded;
            Bytes stream;   // the packed rows alone, as the raw side decodes them
            bool direct = false;
        };
        static PictureBench benches[2];
        PictureBench &pb = benches[direct];
        pb.direct = direct != 0;
        PairCase play;
        play.name = direct ? "DrawPicture of a 1024x768 DirectBitsRect into a 32-bit GWorld / decode + SetDIBitsToDevice"
                           : "DrawPicture of a 1024x768 8-bit PackBitsRect into a 32-bit GWorld / decode + SetDIBitsToDevice";
        play.count = 10;
        play.setUp = [&pb] {
            pb.palette.resize(256);
            for (int i = 0; i < 256; ++i)
                pb.palette[i] = static_cast<uint32_t>((i * 37) & 0xFF) << 16 | static_cast<uint32_t>((i * 91) & 0xFF) << 8 |
                                static_cast<uint32_t>(255 - i);
            pb.pixels.resize(static_cast<size_t>(kPicW) * kPicH);
            for (int y = 0; y < kPicH; ++y)
                for (int x = 0; x < kPicW; ++x) {
                    const bool flat = (x / 64 + y / 64) % 3 == 0;
                    const uint32_t index = flat ? 7u : static_cast<uint32_t>((x / 4 + y) & 0xFF);
                    pb.pixels[static_cast<size_t>(y) * kPicW + x] = pb.direct ? pb.palette[index] : index;
                }
            pb.pic = PixelPicture(kPicW, kPicH, pb.direct, pb.pixels, pb.palette);
            // The rows start after the record's fields.
            const size_t rowsAt = 40 + 2 + (pb.direct ? 4 : 0) + 2 + 8 + 36 + (pb.direct ? 0 : 8 + 256 * 8) + 18;
            Handle h = reinterpret_cast<Handle>(pb.pic);
            pb.stream.assign(reinterpret_cast<uint8_t *>(*h) + rowsAt, reinterpret_cast<uint8_t *>(*h) + GetHandleSize(h));
            pb.decoded.resize(pb.pixels.size());
            const Rect r{0, 0, kPicH, kPicW};
            NewGWorld(&pb.world, 32, &r, nullptr, nullptr, 0);
            NewGWorld(&pb.rawWorld, 32, &r, nullptr, nullptr, 0);
        };
        play.library = [&pb](int) {
            SetGWorld(pb.world, nullptr);
            const Rect r{0, 0, kPicH, kPicW};
            DrawPicture(pb.pic, &r);
        };
        play.raw = [&pb](int) {
            const uint8_t *p = pb.stream.data();
            std::vector<uint8_t> row(static_cast<size_t>(pb.direct ? 3 * kPicW : kPicW));
            for (int y = 0; y < kPicH; ++y) {
                const int n = p[0] << 8 | p[1];
                Ptr src = reinterpret_cast<Ptr>(const_cast<uint8_t *>(p + 2)), dst = reinterpret_cast<Ptr>(row.data());
                UnpackBits(&src, &dst, static_cast<int16_t>(row.size()));
                p += 2 + n;
                uint32_t *out = pb.decoded.data() + static_cast<size_t>(kPicH - 1 - y) * kPicW; // bottom-up
                if (pb.direct)
                    for (int x = 0; x < kPicW; ++x)
                        out[x] = static_cast<uint32_t>(row[x]) << 16 | static_cast<uint32_t>(row[kPicW + x]) << 8 |
                                 row[2 * kPicW + x];
                else
                    for (int x = 0; x < kPicW; ++x)
                        out[x] = pb.palette[row[x]];
            }
            BITMAPINFO info{};
            info.bmiHeader.biSize = sizeof info.bmiHeader;
            info.bmiHeader.biWidth = kPicW;
            info.bmiHeader.biHeight = kPicH;
            info.bmiHeader.biPlanes = 1;
            info.bmiHeader.biBitCount = 32;
            PixMapHandle pm = GetGWorldPixMap(pb.rawWorld);
            HDC dc = (*pm)->pmExtMemDC ? (*pm)->pmExtMemDC : (*pm)->pmExtDC;
            SetDIBitsToDevice(dc, 0, 0, kPicW, kPicH, 0, 0, 0, kPicH, pb.decoded.data(), &info, DIB_RGB_COLORS);
        };
        play.same = [&pb] {
            PixMapHandle a = GetGWorldPixMap(pb.world), b = GetGWorldPixMap(pb.rawWorld);
            HDC da = (*a)->pmExtMemDC ? (*a)->pmExtMemDC : (*a)->pmExtDC;
            HDC db = (*b)->pmExtMemDC ? (*b)->pmExtMemDC : (*b)->pmExtDC;
            GdiFlush();
            for (int y = 0; y < kPicH; y += 7)
                for (int x = 0; x < kPicW; x += 5)
                    if (GetPixel(da, x, y) != GetPixel(db, x, y))
                        return false;
            return true;
        };
        play.tearDown = [&pb] {
            SetGWorld(reinterpret_cast<CGrafPtr>(testing_support::WindowManagerPort()), nullptr);
            DisposeGWorld(pb.world);
            DisposeGWorld(pb.rawWorld);
            KillPicture(pb.pic);
        };
        cases.push_back(play);
    }

    // The clipboard picture: DrawPicture of a 1,024 x 768 body of 24-bit rows into a 32-bit GWorld,
    // against SetDIBitsToDevice of the same body into the GWorld's DC.
    {
        constexpr int kScrapW = 1024, kScrapH = 768;
        static PicHandle scrapPic;
        static GWorldPtr scrapWorld, scrapRawWorld;
        static std::vector<uint32_t> scrapSource;
        auto worldDC = [](GWorldPtr gw) {
            PixMapHandle pm = GetGWorldPixMap(gw);
            return (*pm)->pmExtMemDC ? (*pm)->pmExtMemDC : (*pm)->pmExtDC;
        };
        PairCase scrap;
        scrap.name = "DrawPicture of a 1024x768 clipboard picture into a 32-bit GWorld / SetDIBitsToDevice of its body";
        scrap.count = 20;
        scrap.setUp = [] {
            const Rect frame{0, 0, kScrapH, kScrapW};
            ZEL_SetFlags(0, 0, 0x8000, 0x8000);
            ZEL_SystemValue(1, 41, 1); // offscreen bitmaps of the depth asked
            NewGWorld(&scrapWorld, 32, &frame, nullptr, nullptr, 0);
            NewGWorld(&scrapRawWorld, 32, &frame, nullptr, nullptr, 0);
            ZEL_SetFlags(0, 0, 0x8000, 0);
            ZEL_SystemValue(1, 41, 0);
            scrapSource.resize(static_cast<size_t>(kScrapW) * kScrapH);
            for (int y = 0; y < kScrapH; ++y)
                for (int x = 0; x < kScrapW; ++x)
                    scrapSource[static_cast<size_t>(y) * kScrapW + x] =
                        static_cast<uint32_t>((x / 4) & 0xFF) << 16 | static_cast<uint32_t>(y & 0xFF) << 8 | ((x ^ y) & 0xFF);
            PixMap source{};
            source.baseAddr = reinterpret_cast<Ptr>(scrapSource.data());
            source.rowBytes = static_cast<int16_t>(0x8000 | (4 * kScrapW));
            source.bounds = frame;
            source.pixelType = 16;
            source.pixelSize = 32;
            source.cmpCount = 3;
            source.cmpSize = 8;
            SetGWorld(scrapWorld, nullptr);
            scrapPic = ZEL_OpenScrapPict(&frame);
            CopyBits(reinterpret_cast<const BitMap *>(&source), &reinterpret_cast<GrafPtr>(scrapWorld)->portBits, &frame,
                     &frame, srcCopy, nullptr);
            ClosePicture();
            HSetCBit(reinterpret_cast<Handle>(scrapPic));
        };
        scrap.library = [](int) {
            SetGWorld(scrapWorld, nullptr);
            const Rect frame{0, 0, kScrapH, kScrapW};
            DrawPicture(scrapPic, &frame);
        };
        scrap.raw = [worldDC](int) {
            const uint8_t *body = reinterpret_cast<const uint8_t *>(*reinterpret_cast<Handle>(scrapPic));
            SetDIBitsToDevice(worldDC(scrapRawWorld), 0, 0, kScrapW, kScrapH, 0, 0, 0, kScrapH, body + 10 + 40,
                              reinterpret_cast<const BITMAPINFO *>(body + 10), DIB_RGB_COLORS);
        };
        scrap.same = [worldDC] {
            GdiFlush();
            HDC a = worldDC(scrapWorld), b = worldDC(scrapRawWorld);
            for (int y = 0; y < kScrapH; y += 7)
                for (int x = 0; x < kScrapW; x += 5)
                    if (GetPixel(a, x, y) != GetPixel(b, x, y) ||
                        GetPixel(a, x, y) != RGB((x / 4) & 0xFF, y & 0xFF, (x ^ y) & 0xFF))
                        return false;
            return true;
        };
        scrap.tearDown = [] {
            SetGWorld(reinterpret_cast<CGrafPtr>(testing_support::WindowManagerPort()), nullptr);
            KillPicture(scrapPic);
            DisposeGWorld(scrapWorld);
            DisposeGWorld(scrapRawWorld);
        };
        cases.push_back(scrap);
    }

    int result = RunPairCases(cases);
    DeleteObject(picture);
    ReleaseDC(nullptr, screen);
    return result;
}

// Imaging: unfolding a bitmap-backed 640 x 480 32-bit PixMap into Macintosh rows against GetDIBits of
// the same rows, and folding a 640 x 480 8-bit PixMap into a Windows bitmap against CreateDIBitmap of the
// same prepared rows.
#include "bench.h"

#include <cstring>
#include <vector>

#include "MacMemory.h"
#include "Quickdraw.h"
#include "qd_fixture.h"

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

    int result = RunPairCases(cases);
    DeleteObject(picture);
    ReleaseDC(nullptr, screen);
    return result;
}

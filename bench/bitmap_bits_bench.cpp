// The imaging engines that CopyBits reaches only on other screens, compiled in and timed against the GDI
// calls they stand on:
// - the exchange of two pixel values in a 640 x 480 32-bit bitmap against reading and writing the same
//   bitmap's bits (GetBitmapBits + SetBitmapBits); the exchanged bitmap must hold the raw side's pixels
//   with the two values exchanged;
// - the dithering scaler of 4-bit screens enlarging a 320 x 240 32-bit PixMap to 640 x 480 band by band,
//   each band drawn with SetDIBitsToDevice onto a 32-bit memory DC, against SetDIBitsToDevice of the
//   already made 8-bit DIB of the whole image; both DCs must hold the same pixels.
#include "bench.h"

#include "imaging_services.h"
#include "scaling_stand_in.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <tuple>
#include <vector>

namespace {

constexpr int kWidth = 640, kHeight = 480;
constexpr uint32_t kWhite = 0x00FFFFFF, kHilite = 0x00FFFF00;

uint32_t PixelValue(int i) { return i % 5 == 0 ? kWhite : i % 7 == 0 ? kHilite : (i * 2654435761u) & 0xFFFFFF; }

struct Bitmaps {
    HBITMAP swapped = nullptr, raw = nullptr;
    std::vector<uint32_t> bits, back;
    Bitmaps() : bits(kWidth * kHeight), back(kWidth * kHeight)
    {
        for (int i = 0; i < kWidth * kHeight; ++i)
            bits[i] = PixelValue(i);
        swapped = CreateBitmap(kWidth, kHeight, 1, 32, bits.data());
        raw = CreateBitmap(kWidth, kHeight, 1, 32, bits.data());
    }
    ~Bitmaps()
    {
        DeleteObject(swapped);
        DeleteObject(raw);
    }
    bool Same()
    {
        std::vector<uint32_t> a(kWidth * kHeight);
        GetBitmapBits(swapped, static_cast<LONG>(a.size() * 4), a.data());
        GetBitmapBits(raw, static_cast<LONG>(back.size() * 4), back.data());
        for (size_t i = 0; i < a.size(); ++i) {
            const uint32_t r = back[i];
            if (a[i] != (r == kWhite ? kHilite : r == kHilite ? kWhite : r))
                return false;
        }
        return true;
    }
};
std::shared_ptr<Bitmaps> sBitmaps;

PairCase SwapCase()
{
    PairCase c;
    c.name = "SwapBitmapHiliteColors 640x480 32-bit / GetBitmapBits+SetBitmapBits";
    c.count = 40;
    c.setUp = [] { sBitmaps = std::make_shared<Bitmaps>(); };
    // Each side runs an odd number of times before the comparison: one exchange, one read and write.
    c.library = [](int) { SwapBitmapHiliteColors(nullptr, sBitmaps->swapped, nullptr, kWhite, kHilite); };
    c.raw = [](int) {
        Bitmaps &b = *sBitmaps;
        GetBitmapBits(b.raw, static_cast<LONG>(b.back.size() * 4), b.back.data());
        SetBitmapBits(b.raw, static_cast<DWORD>(b.back.size() * 4), b.back.data());
    };
    c.same = [] { return sBitmaps->Same(); };
    c.tearDown = [] { sBitmaps.reset(); };
    return c;
}

} // namespace

// The 4-bit screen's tables (its gray-index mode), its 16 grays as the DIB colours.
DitherTables sFourBit;
struct {
    BITMAPINFOHEADER h;
    RGBQUAD colours[256];
} sBandInfo, sWholeInfo;
std::vector<uint32_t> sSourceRows;
std::vector<uint8_t> sWhole;
PixMap sSource;
HDC sLibraryDC, sRawDC;
HBITMAP sLibraryBitmap, sRawBitmap;
HGDIOBJ sLibraryOld, sRawOld;
constexpr int kBandRows = 0x8000 / kWidth;
const Rect kSourceRect = {0, 0, kHeight / 2, kWidth / 2}, kWholeRect = {0, 0, kHeight, kWidth};

// One band of the enlargement drawn at its place.
bool DrawBand(int top, HDC dc)
{
    const Rect band = {static_cast<int16_t>(top), 0, static_cast<int16_t>(std::min(kHeight, top + kBandRows)), kWidth};
    const Rect bandSrc = {static_cast<int16_t>(top / 2), 0, static_cast<int16_t>((band.bottom + 1) / 2), kWidth / 2};
    if (!CopyBitsScaleCore(&sSource, &bandSrc, &band, &kSourceRect, &kWholeRect, 0))
        return false;
    const int rows = band.bottom - band.top;
    sBandInfo.h.biHeight = rows;
    if (dc)
        SetDIBitsToDevice(dc, 0, top, kWidth, rows, 0, 0, 0, rows, Stand().params.bits,
                          reinterpret_cast<BITMAPINFO *>(&sBandInfo), DIB_RGB_COLORS);
    return true;
}

PairCase ScalerCase()
{
    PairCase c;
    c.name = "dithering scaler 320x240 32-bit to 640x480 in bands + SetDIBitsToDevice / SetDIBitsToDevice of the "
             "made 8-bit DIB";
    c.count = 20;
    c.setUp = [] {
        ScreenCaps caps{};
        caps.depth = 4;
        caps.nearestCyan = RGB(0, 255, 255);
        caps.horzRes = kWidth;
        caps.vertRes = kHeight;
        caps.horzSize = 320;
        caps.vertSize = 240;
        caps.logPixelsX = caps.logPixelsY = 96;
        BuildDitherTables(DeriveScreenFacts(caps, true), sFourBit);
        Stand().tables = &sFourBit;
        sSourceRows.resize(static_cast<size_t>(kWidth / 2) * (kHeight / 2));
        for (size_t i = 0; i < sSourceRows.size(); ++i)
            sSourceRows[i] = (i * 2654435761u) & 0xFFFFFF;
        sSource = PixMap{};
        sSource.baseAddr = reinterpret_cast<Ptr>(sSourceRows.data());
        sSource.rowBytes = static_cast<int16_t>(0x8000 | (kWidth / 2 * 4));
        sSource.bounds = kSourceRect;
        sSource.pixelType = 16;
        sSource.pixelSize = 32;
        for (auto *info : {&sBandInfo, &sWholeInfo}) {
            info->h = {sizeof(BITMAPINFOHEADER), kWidth, 1, 1, 8, BI_RGB, 0, 0, 0, 16, 0};
            for (int i = 0; i < 16; ++i)
                info->colours[i] = {static_cast<BYTE>(17 * i), static_cast<BYTE>(17 * i), static_cast<BYTE>(17 * i), 0};
        }
        // The raw side's DIB: the same rows, made once.
        sWhole.assign(static_cast<size_t>(kWidth) * kHeight, 0);
        for (int top = 0; top < kHeight; top += kBandRows) {
            DrawBand(top, nullptr);
            const int rows = std::min(kHeight, top + kBandRows) - top;
            for (int y = 0; y < rows; ++y)
                std::memcpy(&sWhole[static_cast<size_t>(kHeight - 1 - (top + y)) * kWidth],
                            static_cast<uint8_t *>(Stand().params.bits) + static_cast<size_t>(rows - 1 - y) * kWidth, kWidth);
        }
        sWholeInfo.h.biHeight = kHeight;
        for (auto [dc, bitmap, old] : {std::tie(sLibraryDC, sLibraryBitmap, sLibraryOld), std::tie(sRawDC, sRawBitmap, sRawOld)}) {
            BITMAPINFOHEADER h = {sizeof(BITMAPINFOHEADER), kWidth, kHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
            void *bits = nullptr;
            dc = CreateCompatibleDC(nullptr);
            bitmap = CreateDIBSection(dc, reinterpret_cast<BITMAPINFO *>(&h), DIB_RGB_COLORS, &bits, nullptr, 0);
            old = SelectObject(dc, bitmap);
        }
    };
    c.library = [](int) {
        for (int top = 0; top < kHeight; top += kBandRows)
            DrawBand(top, sLibraryDC);
    };
    c.raw = [](int) {
        SetDIBitsToDevice(sRawDC, 0, 0, kWidth, kHeight, 0, 0, 0, kHeight, sWhole.data(),
                          reinterpret_cast<BITMAPINFO *>(&sWholeInfo), DIB_RGB_COLORS);
    };
    c.same = [] {
        GdiFlush();
        for (int y = 0; y < kHeight; y += 7)
            for (int x = 0; x < kWidth; x += 5)
                if (GetPixel(sLibraryDC, x, y) != GetPixel(sRawDC, x, y))
                    return false;
        return true;
    };
    c.tearDown = [] {
        for (auto [dc, bitmap, old] : {std::tie(sLibraryDC, sLibraryBitmap, sLibraryOld), std::tie(sRawDC, sRawBitmap, sRawOld)}) {
            SelectObject(dc, old);
            DeleteObject(bitmap);
            DeleteDC(dc);
        }
    };
    return c;
}

int RunBench() { return RunPairCases({SwapCase(), ScalerCase()}); }

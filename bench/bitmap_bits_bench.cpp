// The imaging engines that CopyBits reaches only on other screens, compiled in and timed against the GDI
// calls they stand on: the exchange of two pixel values in a 640 x 480 32-bit bitmap against reading and
// writing the same bitmap's bits (GetBitmapBits + SetBitmapBits). The exchanged bitmap must hold the raw
// side's pixels with the two values exchanged.
#include "bench.h"

#include "imaging_services.h"

#include <memory>
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

int RunBench() { return RunPairCases({SwapCase()}); }

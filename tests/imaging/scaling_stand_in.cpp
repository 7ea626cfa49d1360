// What the scaling engines of palette screens need of the library when they are compiled into a test or
// benchmark on their own: the dither tables, the two scratch buffers (each followed by guard bytes, and
// able to refuse to grow), the blit parameters, the row reader, the colour-table services and the band
// header. Each records what the test asks about.
#include "scaling_stand_in.h"

#include <cstdlib>
#include <cstring>

CubeStandIn &Stand()
{
    static CubeStandIn s;
    return s;
}

bool GuardedBuffer::Grow(uint32_t n)
{
    if (n <= size && bytes)
        return true;
    if (refuse)
        return false;
    std::free(bytes);
    bytes = static_cast<uint8_t *>(std::malloc(n + kGuardBytes));
    size = n;
    std::memset(bytes, 0xEE, n);
    std::memset(bytes + n, kGuard, kGuardBytes);
    return true;
}

bool GuardedBuffer::GuardIntact() const
{
    for (uint32_t i = 0; i < kGuardBytes; ++i)
        if (bytes && bytes[size + i] != kGuard)
            return false;
    return true;
}

const DitherTables *ScreenDitherTables() { return Stand().tables; }
bool GrowBlitScratch(uint32_t n) { return Stand().blit.Grow(n); }
void *ScreenScratchBuffer() { return Stand().blit.bytes; }
bool GrowPixelScratch(uint32_t n) { return Stand().pixel.Grow(n); }
void *PixelScratch() { return Stand().pixel.bytes; }
BlitParams &CurrentBlitParams() { return Stand().params; }
HPALETTE LibraryPalette() { return reinterpret_cast<HPALETTE>(1); }

ZEL_EXTERN_C const uint8_t *ZEL_CALL FetchSourceRow(const PixMap *, const uint8_t *row, uint32_t bytes,
                                                     const uint8_t *lastReadable)
{
    // Rows that would end past the pixel data are not the engines' to read: the row reader copies them.
    ++Stand().fetches;
    if (row + bytes - 1 > lastReadable)
        ++Stand().fetchesPastEnd;
    return row;
}

void CopyCTabToQuads(CTabHandle, RGBQUAD *quads) { std::memcpy(quads, Stand().quads, sizeof Stand().quads); }

void CTabToGrayBytes(CTabHandle, uint8_t *bytes)
{
    for (int i = 0; i < 256; ++i)
        bytes[i] = Stand().quads[i].rgbGreen;
}

uint16_t BuildCTabIndexMap(CTabHandle, uint8_t *map)
{
    std::memcpy(map, Stand().indexMap, 256);
    return Stand().indexMapFlags;
}

bool MakeEightBitBandBitmap(PixMap *, int flags, int stockChoice, int32_t width, int32_t height)
{
    CubeStandIn &s = Stand();
    s.band = {true, flags, stockChoice, width, height};
    return true;
}

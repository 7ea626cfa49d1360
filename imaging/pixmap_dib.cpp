// The DIB an extended PixMap keeps attached.
#include "imaging_services.h"
#include "MacMemory.h"

// PENDING: the PixMap bridges free the DIB and its bridge state together.
void FreePixMapDib(PixMapHandle pm)
{
    if (!pm || !*pm)
        return;
    PixMap &map = **pm;
    map.pmExtDibSeed = 0;
    if (map.pmExtDib)
        DisposeHandle(map.pmExtDib);
    map.pmExtDib = nullptr;
    map.pmExtFlags &= static_cast<uint16_t>(~(pmExtDibAttached | pmExtBitsPrepared | pmExtPaletteIndices));
}

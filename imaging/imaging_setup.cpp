// Imaging's part of InitGraf and ExitGraf: the objects the imaging code keeps for the whole of a
// QuickDraw session.
#include "imaging.h"

namespace {

CTabHandle sOneBitTable;
PixMapHandle sConversion;

// The ConversionPixMap's DIB handle holds a header, the mask words or 256 colours, and no rows (its rows
// go to the blit scratch).
constexpr Size kConversionDibBytes = kBitmapInfoBytes + 12;

} // namespace

CTabHandle DefaultOneBitCTable() { return sOneBitTable; }
PixMapHandle ConversionPixMap() { return sConversion; }

void InitImaging()
{
    if (!sOneBitTable)
        sOneBitTable = GetCTable(1);
    if (!sConversion) {
        sConversion = NewPixMap();
        Handle dib = sConversion ? NewHandleClear(kConversionDibBytes) : nullptr;
        if (dib) {
            (*sConversion)->pmExtDib = dib;
            (*sConversion)->pmExtFlags |= pmExtDibAttached;
        } else if (sConversion) {
            DisposePixMap(sConversion);
            sConversion = nullptr;
        }
    }
}

void ExitImaging()
{
    ExitPictRecording();
    FreeStaticBitmapInfo();
    DisposeDibBridgeCaches();
    DisposeCopyMaskCache();
    FreeOffscreenPixMap();
    FreeBitmapBitsScratch();
    FreeHiliteStrips();
    DisposePixelEngineBuffers();
    UnloadDibEngine();
    if (sOneBitTable)
        DisposeCTable(sOneBitTable);
    sOneBitTable = nullptr;
    if (sConversion)
        DisposePixMap(sConversion);
    sConversion = nullptr;
}

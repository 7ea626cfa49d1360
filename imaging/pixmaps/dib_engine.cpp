// The DIB engine: six operations, shaped like the WinG interface, through which the library makes DIB
// sections with a device context of their own. Windows NT and 95 have them natively; on Win32s they
// come from "wing.dll" when it is installed.
#include "imaging.h"
#include "MacMemory.h"

#include <cstring>

namespace {

struct DibEngineTable {
    HDC(WINAPI *createDC)(void);
    BOOL(WINAPI *recommendDIBFormat)(BITMAPINFO *info);
    HBITMAP(WINAPI *createBitmap)(HDC dc, const BITMAPINFO *info, void **bits);
    void *(WINAPI *getDIBPointer)(HBITMAP bitmap, BITMAPINFO *info);
    UINT(WINAPI *setDIBColorTable)(HDC dc, UINT first, UINT count, const RGBQUAD *colors);
    BOOL(WINAPI *bitBlt)(HDC dst, int x, int y, int w, int h, HDC src, int sx, int sy);
};

DibEngineTable sEngine;
int16_t sEngineKind; // engineNone, engineNT, engine95, or engineWinG with sWinG
HMODULE sWinG;

// The header and 256 colour entries of a section's DIB.
constexpr Size kEngineHeaderBytes = sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD);

HDC ReferenceDC() { return CurrentDC() ? CurrentDC() : DefaultMemoryDC(); }

HDC WINAPI NativeCreateDC(void) { return CreateCompatibleDC(ReferenceDC()); }

// The device's own format, as a compatible bitmap describes itself. A first GetDIBits without bits
// names BI_BITFIELDS but leaves its three masks 0; a second one, with the bit count set, fills them.
// Only the standard masks are taken (the row code reads no others); any other format falls back to
// 32-bit BI_RGB.
BOOL WINAPI NativeRecommendDIBFormat(BITMAPINFO *info)
{
    std::memset(info, 0, sizeof(BITMAPINFOHEADER) + 3 * sizeof(DWORD));
    BITMAPINFOHEADER &h = info->bmiHeader;
    h.biSize = sizeof h;
    h.biWidth = 1;
    h.biHeight = 1;
    HDC dc = ReferenceDC();
    HBITMAP probe = dc ? CreateCompatibleBitmap(dc, 1, 1) : nullptr;
    if (!probe)
        return FALSE;
    BOOL ok = GetDIBits(dc, probe, 0, 1, nullptr, info, DIB_RGB_COLORS) != 0;
    if (ok && h.biCompression == BI_BITFIELDS)
        ok = GetDIBits(dc, probe, 0, 1, nullptr, info, DIB_RGB_COLORS) != 0;
    DeleteObject(probe);
    if (!ok)
        return FALSE;
    DibGeometry geometry;
    if (!GetDibGeometry(&h, kEngineHeaderBytes, true, &geometry)) {
        h.biBitCount = 32;
        h.biCompression = BI_RGB;
        h.biClrUsed = 0;
    }
    h.biSizeImage = 0;
    return TRUE;
}

HBITMAP WINAPI NativeCreateBitmap(HDC dc, const BITMAPINFO *info, void **bits)
{
    return CreateDIBSection(dc, info, DIB_RGB_COLORS, bits, nullptr, 0);
}

void *WINAPI NativeGetDIBPointer(HBITMAP, BITMAPINFO *) { return nullptr; }
UINT WINAPI NativeSetDIBColorTable(HDC, UINT, UINT, const RGBQUAD *) { return 0; }

BOOL WINAPI NativeBitBlt(HDC dst, int x, int y, int w, int h, HDC src, int sx, int sy)
{
    return BitBlt(dst, x, y, w, h, src, sx, sy, SRCCOPY);
}

void InstallNative()
{
    sEngine.createDC = NativeCreateDC;
    sEngine.recommendDIBFormat = NativeRecommendDIBFormat;
    sEngine.createBitmap = NativeCreateBitmap;
    sEngine.getDIBPointer = NativeGetDIBPointer;
    sEngine.setDIBColorTable = NativeSetDIBColorTable;
    sEngine.bitBlt = NativeBitBlt;
}

template <typename Proc> bool Find(Proc *slot, const char *name)
{
    *slot = reinterpret_cast<Proc>(reinterpret_cast<void *>(GetProcAddress(sWinG, name)));
    return *slot != nullptr;
}

// "wing.dll" by name, its entry points in table order; every one must be there.
bool LoadWinG()
{
    sWinG = LoadLibraryA("wing.dll");
    if (!sWinG)
        return false;
    if (Find(&sEngine.createDC, "WinGCreateDC") && Find(&sEngine.recommendDIBFormat, "WinGRecommendDIBFormat") &&
        Find(&sEngine.createBitmap, "WinGCreateBitmap") && Find(&sEngine.getDIBPointer, "WinGGetDIBPointer") &&
        Find(&sEngine.setDIBColorTable, "WinGSetDIBColorTable") && Find(&sEngine.bitBlt, "WinGBitBlt"))
        return true;
    FreeLibrary(sWinG);
    sWinG = nullptr;
    sEngine = {};
    return false;
}

bool LoadFor(const PlatformInfo &platform)
{
    if (sEngineKind != engineNone)
        return true;
    if (platform.windowsNT)
        sEngineKind = engineNT;
    else if (platform.windows95)
        sEngineKind = engine95;
    if (sEngineKind != engineNone) {
        InstallNative();
        return true;
    }
    if (LoadWinG())
        sEngineKind = engineWinG;
    return sEngineKind != engineNone;
}

// Gives a PixMap back the state it had before a failed attach.
void UndoAttach(PixMap &map, HDC dc, Handle header, bool madeHeader)
{
    if (dc)
        DeleteDC(dc);
    if (madeHeader) {
        map.pmExtDib = nullptr;
        DisposeHandle(header);
    }
}

} // namespace

void ReleaseLibraryRows(PixMap &map)
{
    if ((map.pmExtFlags & pmExtLibraryRows) && reinterpret_cast<uintptr_t>(map.baseAddr) >= 0x10000)
        DisposePtr(map.baseAddr);
    map.pmExtFlags &= static_cast<uint16_t>(~pmExtLibraryRows);
}

bool LoadDibEngine() { return LoadFor(SessionPlatform()); }

void UnloadDibEngine()
{
    if (sWinG)
        FreeLibrary(sWinG);
    sWinG = nullptr;
    sEngine = {};
    sEngineKind = engineNone;
}

ZEL_EXTERN_C int16_t ZEL_CALL LoadDibEngineForPlatform(int16_t platform)
{
    UnloadDibEngine();
    PlatformInfo info = SessionPlatform();
    if (platform != 0) {
        info.windowsNT = platform == engineNT;
        info.windows95 = platform == engine95;
        info.win32s = !info.windowsNT && !info.windows95;
    }
    LoadFor(info);
    return sEngineKind;
}

ZEL_EXTERN_C Boolean ZEL_CALL AttachDibSection(PixMap *map, int16_t width, int16_t height)
{
    if (!map || width < 1 || height < 1 || !LoadDibEngine())
        return FALSE;
    if (sEngineKind == engineWinG && DibDepthForPixelSize(map->pixelSize) != 8)
        return FALSE;
    HDC dc = sEngine.createDC();
    if (!dc)
        return FALSE;
    Handle header = map->pmExtDib;
    const bool madeHeader = header == nullptr;
    if (madeHeader) {
        header = NewHandleClear(kEngineHeaderBytes);
        BITMAPINFO *info = header ? reinterpret_cast<BITMAPINFO *>(*header) : nullptr;
        if (!info || !sEngine.recommendDIBFormat(info)) {
            UndoAttach(*map, dc, header, false);
            if (header)
                DisposeHandle(header);
            return FALSE;
        }
        // The recommended orientation is kept: a negative height is a top-down DIB.
        info->bmiHeader.biWidth = width;
        info->bmiHeader.biHeight = info->bmiHeader.biHeight < 0 ? -height : height;
        map->pmExtDib = header;
    }
    void *bits = nullptr;
    HBITMAP section = sEngine.createBitmap(dc, reinterpret_cast<BITMAPINFO *>(*header), &bits);
    if (!section) {
        UndoAttach(*map, dc, header, madeHeader);
        return FALSE;
    }
    map->pmExtMemDC = dc;
    map->pmExtDC = dc;
    map->pmExtBitmap = section;
    map->pmExtOldBitmap = SelectObject(dc, section);
    map->pmExtDibBits = static_cast<Ptr>(bits);
    map->pmExtFlags |= pmExtDibEngine | pmExtDibAttached;
    const BITMAPINFOHEADER &h = reinterpret_cast<BITMAPINFO *>(*header)->bmiHeader;
    if (madeHeader && h.biBitCount <= 8 && LibraryLogPalette())
        SetDibColorsFromLogPalette(dc, LibraryLogPalette());
    if (h.biHeight < 0) {
        // The section's rows become the PixMap's own; rows the library allocated for it go, rows of
        // another owner stay theirs.
        ReleaseLibraryRows(*map);
        map->baseAddr = static_cast<Ptr>(bits);
        map->pmExtFlags |= pmExtOwnRows;
    }
    return TRUE;
}

ZEL_EXTERN_C BOOL ZEL_CALL DibEngineBlit(HDC dst, int x, int y, int w, int h, HDC src, int sx, int sy)
{
    return sEngine.bitBlt ? sEngine.bitBlt(dst, x, y, w, h, src, sx, sy) : FALSE;
}

void ReleaseDibSection(PixMap &map)
{
    if (!(map.pmExtFlags & pmExtDibEngine))
        return;
    HDC dc = map.pmExtMemDC ? map.pmExtMemDC : map.pmExtDC;
    if (dc && map.pmExtOldBitmap)
        SelectObject(dc, map.pmExtOldBitmap);
    if (map.pmExtBitmap)
        DeleteObject(map.pmExtBitmap);
    if (dc) {
        ForgetPortRecordDC(dc);
        DeleteDC(dc);
    }
    if (map.baseAddr == map.pmExtDibBits)
        map.baseAddr = nullptr;
    map.pmExtBitmap = nullptr;
    map.pmExtOldBitmap = nullptr;
    map.pmExtMemDC = nullptr;
    map.pmExtDC = nullptr;
    map.pmExtFlags &= static_cast<uint16_t>(~(pmExtDibEngine | pmExtOwnRows));
}

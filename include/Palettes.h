/* Palette Manager: Macintosh palettes tied to Windows logical palettes. */
#ifndef TOLVADEX_PALETTES_H
#define TOLVADEX_PALETTES_H
#define __PALETTES__

#include "Quickdraw.h"

#pragma pack(push, 2)

/* One palette entry. ciDataFields[0] holds the entry's change flags: 0x2 read by GetEntryColor since it
   was set, 0x4 usage changed, 0x8 tolerance changed, 0x10 colour changed. */
typedef struct ColorInfo {
    RGBColor ciRGB;
    int16_t ciUsage;
    int16_t ciTolerance;
    int16_t ciDataFields[3];
} ColorInfo;

/* A palette: its entry count, the window that last set it, the number of its Windows palette slot
   (0 none) and the seed of the colour table it was made from, then the entries. */
typedef struct Palette {
    int16_t pmEntries;
    uint32_t pmWindow;
    uint16_t pmSlot;
    uint32_t pmPrivate;
    uint32_t pmSeed;
    ColorInfo pmInfo[1];
} Palette;
typedef Palette *PalettePtr;
typedef PalettePtr *PaletteHandle;

#pragma pack(pop)

ZEL_STATIC_ASSERT(sizeof(ColorInfo) == 16, "ColorInfo is 16 bytes");
ZEL_STATIC_ASSERT(offsetof(Palette, pmSlot) == 6, "the slot number at 6");
ZEL_STATIC_ASSERT(offsetof(Palette, pmSeed) == 12, "the source seed at 12");
ZEL_STATIC_ASSERT(offsetof(Palette, pmInfo) == 16, "entries follow a 16-byte header");

/* Usage values. */
enum { pmCourteous = 0, pmTolerant = 2, pmAnimated = 4, pmExplicit = 8 };

ZEL_API PaletteHandle ZEL_CALL NewPalette(int16_t entries, CTabHandle srcColors, int16_t srcUsage, int16_t srcTolerance);
ZEL_API PaletteHandle ZEL_CALL GetNewPalette(int16_t id);
ZEL_API void ZEL_CALL DisposePalette(PaletteHandle pal);
/* A nil or -1 window means the Window Manager port. */
ZEL_API PaletteHandle ZEL_CALL GetPalette(WindowPtr window);
ZEL_API void ZEL_CALL SetPalette(WindowPtr window, PaletteHandle pal, Boolean updates);
ZEL_API void ZEL_CALL NSetPalette(WindowPtr window, PaletteHandle pal, int16_t nCUpdates);
ZEL_API void ZEL_CALL ActivatePalette(WindowPtr window);
ZEL_API void ZEL_CALL PmForeColor(int16_t index);
ZEL_API void ZEL_CALL PmBackColor(int16_t index);
/* AnimatePalette, exported without its last letter. */
ZEL_API void ZEL_CALL AnimatePalett(WindowPtr window, CTabHandle ct, int16_t srcIndex, int16_t dstEntry, int16_t dstLength);
ZEL_API void ZEL_CALL GetEntryColor(PaletteHandle pal, int16_t index, RGBColor *rgb);
ZEL_API void ZEL_CALL SetEntryColor(PaletteHandle pal, int16_t index, const RGBColor *rgb);
ZEL_API void ZEL_CALL SetEntryUsage(PaletteHandle pal, int16_t index, int16_t usage, int16_t tolerance);
ZEL_API void ZEL_CALL CTab2Palette(CTabHandle ct, PaletteHandle pal, int16_t usage, int16_t tolerance);
ZEL_API void ZEL_CALL Palette2CTab(PaletteHandle pal, CTabHandle ct);
/* count is one less than the number of entries; start -1 takes each entry's value as its index. */
ZEL_API void ZEL_CALL SetEntries(int16_t start, int16_t count, const ColorSpec *table);
ZEL_API void ZEL_CALL ReserveEntry(int16_t index, Boolean reserve);
ZEL_API void ZEL_CALL ProtectEntry(int16_t index, Boolean protect);
ZEL_API void ZEL_CALL CopyPalette(PaletteHandle src, PaletteHandle dst, int16_t srcEntry, int16_t dstEntry, int16_t dstLength);

/* Host glue. */
/* The Windows palette of a window's palette (0 without a screen palette, a palette or its slot). */
ZEL_API uint32_t ZEL_CALL ZEL_GetWindowsPalette(WindowPtr window, HPALETTE *palette);
ZEL_API void ZEL_CALL ZEL_BeginPaletteAnimation(void);
ZEL_API void ZEL_CALL ZEL_EndPaletteAnimation(void);
ZEL_API void ZEL_CALL ZEL_ForcePalette(void);
/* WM_QUERYNEWPALETTE and WM_PALETTECHANGED of the host's windows. */
ZEL_API uint32_t ZEL_CALL ZEL_QueryNewPalette(HWND hwnd);
ZEL_API uint32_t ZEL_CALL ZEL_PaletteChanged(HWND hwnd, HWND changer);

/* The published name of AnimatePalett (GDI32 uses the name). */
#if defined(__cplusplus) || !defined(_WINGDI_)
ZEL_PUBLISHED_PROC(AnimatePalette, AnimatePalett,
                   (WindowPtr window, CTabHandle ct, int16_t srcIndex, int16_t dstEntry, int16_t dstLength),
                   (window, ct, srcIndex, dstEntry, dstLength))
#endif


/* Earlier names of renamed calls. */
#ifndef TOLVADEX_BUILDING
#define DisposPalette DisposePalette
#endif

#endif

/* QuickDraw: the records shared by every drawing call and the QuickDraw globals. */
#ifndef TOLVADEX_QUICKDRAW_H
#define TOLVADEX_QUICKDRAW_H
#define __QUICKDRAW__

#include "MacTypes.h"
#include "MixedMode.h"
/* The Windows handle types that the library's own records carry (device contexts, pens, brushes). */
#include <windef.h>

#pragma pack(push, 2)

typedef struct Pattern {
    uint8_t pat[8];
} Pattern;

typedef struct BitMap {
    Ptr baseAddr;
    int16_t rowBytes;
    Rect bounds;
} BitMap;
typedef BitMap *BitMapPtr;

typedef int16_t Bits16[16];
typedef struct Cursor {
    Bits16 data;
    Bits16 mask;
    Point hotSpot;
} Cursor;
typedef Cursor *CursPtr;
typedef CursPtr *CursHandle;

struct GrafPort;
typedef struct GrafPort *GrafPtr;
typedef GrafPtr WindowPtr;
struct CGrafPort;
typedef struct CGrafPort *CGrafPtr;

struct MacRegion;
typedef struct MacRegion Region;
typedef struct MacRegion *RgnPtr;
typedef RgnPtr *RgnHandle;

struct GDevice;
typedef struct GDevice *GDPtr;
typedef GDPtr *GDHandle;

/* The QuickDraw globals, in their published order: private bytes, then randSeed .. thePort. */
typedef struct QDGlobals {
    char privates[76];
    int32_t randSeed;
    BitMap screenBits;
    Cursor arrow;
    Pattern dkGray;
    Pattern ltGray;
    Pattern gray;
    Pattern black;
    Pattern white;
    GrafPtr thePort;
} QDGlobals;
typedef QDGlobals *QDGlobalsPtr;

struct QDProcs;
struct CQDProcs;
typedef struct QDProcs *QDProcsPtr;
typedef struct CQDProcs *CQDProcsPtr;

/* A region: the published header, then the form word (a GDI region, or the mark of the rectangle or
   one-bit-mask form). */
struct MacRegion {
    int16_t rgnSize;
    Rect rgnBBox;
    uint32_t rgnForm;
};

typedef struct ColorSpec {
    int16_t value;
    RGBColor rgb;
} ColorSpec;

typedef struct ColorTable {
    uint32_t ctSeed;
    uint16_t ctFlags;
    int16_t ctSize; /* entries - 1 */
    ColorSpec ctTable[1];
} ColorTable;
typedef ColorTable *CTabPtr;
typedef CTabPtr *CTabHandle;

/* The published 50 bytes of a PixMap, then the library's extension: the Windows objects that hold
   the pixels. A baseAddr of 0x7FFF marks pixels that live only in those objects; 0x8000 plus a
   PortDCTable index marks the device of a port. */
typedef struct PixMap {
    Ptr baseAddr;
    int16_t rowBytes;
    Rect bounds;
    int16_t pmVersion;
    int16_t packType;
    int32_t packSize;
    Fixed hRes;
    Fixed vRes;
    int16_t pixelType;
    int16_t pixelSize;
    int16_t cmpCount;
    int16_t cmpSize;
    int32_t planeBytes;
    CTabHandle pmTable;
    int32_t pmReserved;
    uint16_t pmExtFlags;     /* see the pmExt flags below */
    HDC pmExtDC;             /* the DC the PixMap is bound to (its DIB's DC) */
    HDC pmExtMemDC;          /* the DC in which pmExtBitmap is selected */
    HBITMAP pmExtBitmap;     /* the Windows bitmap holding the pixels */
    HGDIOBJ pmExtOldBitmap;  /* the object pmExtBitmap displaced in pmExtMemDC */
    uint32_t pmExtDibSeed;   /* colour seed last copied into the DIB */
    Handle pmExtDib;         /* packed DIB: header, colours, rows */
    Ptr pmExtDibBits;        /* the DIB's rows */
    uint32_t pmExtDevSeed;   /* device colour seed last copied into the DIB */
} PixMap;
typedef PixMap *PixMapPtr;
typedef PixMapPtr *PixMapHandle;

/* pmExtFlags. 0x100 is one bit with two readings: the DIB's bits have been prepared, and its colour
   table is in reversed index order (index 0 is not white). 0x20, 0x100 and 0x200 go when the DIB is
   freed. 0x800: baseAddr is a pointer block the library allocated for this PixMap's rows (unfolding
   into a PixMap whose rows had no room); the library frees it when it replaces the rows and when the
   PixMap is disposed. Rows the application gave are never freed by the library. 0x1000: pmExtBitmap
   belongs to someone else (the host's bitmap behind a DDB PixMap): disposing the PixMap leaves it. */
enum {
    pmExtOwnRows = 0x0010,
    pmExtDibAttached = 0x0020,
    pmExtBitmapCached = 0x0040,
    pmExtSystemOrder = 0x0080,
    pmExtBitsPrepared = 0x0100,
    pmExtPaletteIndices = 0x0200,
    pmExtDibEngine = 0x0400,
    pmExtLibraryRows = 0x0800,
    pmExtBorrowedBitmap = 0x1000
};

/* A pixel pattern: the published 28 bytes, its cached Windows brush and the colour of an RGB
   pattern. */
typedef struct PixPat {
    int16_t patType;
    PixMapHandle patMap;
    Handle patData;
    Handle patXData;
    int16_t patXValid;
    Handle patXMap;
    Pattern pat1Data;
    HBRUSH patBrush;
    RGBColor patRGB;
} PixPat;
typedef PixPat *PixPatPtr;
typedef PixPatPtr *PixPatHandle;

/* An inverse colour table: for each cell of a 32 x 32 x 32 RGB cube (cell r5 * 1024 + g5 * 32 + b5) the
   index of the nearest colour-table entry. iTabSeed is the ctSeed it was built from. */
typedef struct ITab {
    uint32_t iTabSeed;
    int16_t iTabRes;
    uint8_t iTTable[32768];
} ITab;
typedef ITab *ITabPtr;
typedef ITabPtr *ITabHandle;

/* The published 50 bytes of a PixMap without the library's extension, as resources and colour icons
   hold them. */
typedef struct PixMapRecord50 {
    Ptr baseAddr;
    int16_t rowBytes;
    Rect bounds;
    int16_t pmVersion;
    int16_t packType;
    int32_t packSize;
    Fixed hRes;
    Fixed vRes;
    int16_t pixelType;
    int16_t pixelSize;
    int16_t cmpCount;
    int16_t cmpSize;
    int32_t planeBytes;
    CTabHandle pmTable;
    int32_t pmReserved;
} PixMapRecord50;

/* A colour icon: the published header, then the mask rows and the one-bit icon rows. */
typedef struct CIcon {
    PixMapRecord50 iconPMap;
    BitMap iconMask;
    BitMap iconBMap;
    Handle iconData;
    int16_t iconMaskData[1];
} CIcon;
typedef CIcon *CIconPtr;
typedef CIconPtr *CIconHandle;

/* A graphics device; gdReserved holds the device's Windows DC. */
typedef struct GDevice {
    int16_t gdRefNum;
    int16_t gdID;
    int16_t gdType;
    Handle gdITable;
    int16_t gdResPref;
    uint32_t gdSearchProc;
    uint32_t gdCompProc;
    int16_t gdFlags;
    PixMapHandle gdPMap;
    int32_t gdRefCon;
    GDHandle gdNextGD;
    Rect gdRect;
    int32_t gdMode;
    int16_t gdCCBytes;
    int16_t gdCCDepth;
    Handle gdCCXData;
    Handle gdCCXMask;
    HDC gdReserved;
} GDevice;

/* The colour port's auxiliary record, held in grafVars. */
typedef struct GrafVars {
    RGBColor rgbOpColor;
    RGBColor rgbHiliteColor;
    Handle pmFgColor;
    int16_t pmFgIndex;
    Handle pmBkColor;
    int16_t pmBkIndex;
    int16_t pmFlags;
} GrafVars;
typedef GrafVars *GVarPtr;
typedef GVarPtr *GVarHandle;

/* The black-and-white port. patStretch holds the index of the port's PortDCRecord in the
   PortDCTable (-1 while it has none). */
typedef struct GrafPort {
    int16_t device;
    BitMap portBits;
    Rect portRect;
    RgnHandle visRgn;
    RgnHandle clipRgn;
    Pattern bkPat;
    Pattern fillPat;
    Point pnLoc;
    Point pnSize;
    int16_t pnMode;
    Pattern pnPat;
    int16_t pnVis;
    int16_t txFont;
    Style txFace;
    uint8_t txFacePad;
    int16_t txMode;
    int16_t txSize;
    Fixed spExtra;
    int32_t fgColor;
    int32_t bkColor;
    int16_t colrBit;
    int16_t patStretch;
    Handle picSave;
    Handle rgnSave;
    Handle polySave;
    QDProcsPtr grafProcs;
} GrafPort;

/* The colour port: portVersion shares its word with portBits.rowBytes and is negative. */
typedef struct CGrafPort {
    int16_t device;
    PixMapHandle portPixMap;
    int16_t portVersion;
    Handle grafVars;
    int16_t chExtra;
    int16_t pnLocHFrac;
    Rect portRect;
    RgnHandle visRgn;
    RgnHandle clipRgn;
    PixPatHandle bkPixPat;
    RGBColor rgbFgColor;
    RGBColor rgbBkColor;
    Point pnLoc;
    Point pnSize;
    int16_t pnMode;
    PixPatHandle pnPixPat;
    PixPatHandle fillPixPat;
    int16_t pnVis;
    int16_t txFont;
    Style txFace;
    uint8_t txFacePad;
    int16_t txMode;
    int16_t txSize;
    Fixed spExtra;
    int32_t fgColor;
    int32_t bkColor;
    int16_t colrBit;
    int16_t patStretch;
    Handle picSave;
    Handle rgnSave;
    Handle polySave;
    CQDProcsPtr grafProcs;
} CGrafPort;

#pragma pack(pop)

ZEL_STATIC_ASSERT(sizeof(Pattern) == 8, "Pattern is 8 bytes");
ZEL_STATIC_ASSERT(sizeof(BitMap) == 14, "BitMap is 14 bytes");
ZEL_STATIC_ASSERT(sizeof(Cursor) == 68, "Cursor is 68 bytes");
ZEL_STATIC_ASSERT(offsetof(QDGlobals, randSeed) == 76, "randSeed at 76");
ZEL_STATIC_ASSERT(offsetof(QDGlobals, screenBits) == 80, "screenBits at 80");
ZEL_STATIC_ASSERT(offsetof(QDGlobals, arrow) == 94, "arrow at 94");
ZEL_STATIC_ASSERT(offsetof(QDGlobals, dkGray) == 162, "dkGray at 162");
ZEL_STATIC_ASSERT(offsetof(QDGlobals, white) == 194, "white at 194");
ZEL_STATIC_ASSERT(offsetof(QDGlobals, thePort) == 202, "thePort at 202");
ZEL_STATIC_ASSERT(sizeof(QDGlobals) == 206, "QDGlobals is 206 bytes");

ZEL_STATIC_ASSERT(sizeof(Region) == 14, "Region is 14 bytes in its rectangle and GDI forms");
ZEL_STATIC_ASSERT(sizeof(ColorSpec) == 8, "ColorSpec is 8 bytes");
ZEL_STATIC_ASSERT(offsetof(ColorTable, ctTable) == 8, "colour entries follow an 8-byte header");
ZEL_STATIC_ASSERT(offsetof(PixMap, pmTable) == 42, "pmTable at 42");
ZEL_STATIC_ASSERT(offsetof(PixMap, pmExtFlags) == 50, "the extension follows the published 50 bytes");
ZEL_STATIC_ASSERT(offsetof(PixMap, pmExtDC) == 52, "pmExtDC at 52");
ZEL_STATIC_ASSERT(offsetof(PixMap, pmExtDib) == 72, "pmExtDib at 72");
ZEL_STATIC_ASSERT(offsetof(PixMap, pmExtDevSeed) == 80, "the device colour-change counter at 80");
ZEL_STATIC_ASSERT(sizeof(PixMap) == 84, "PixMap is 84 bytes");
ZEL_STATIC_ASSERT(sizeof(PixMapRecord50) == 50, "the published PixMap is 50 bytes");
ZEL_STATIC_ASSERT(offsetof(ITab, iTTable) == 6, "the inverse cube follows seed and resolution");
ZEL_STATIC_ASSERT(sizeof(ITab) == 32774, "a built inverse table is 32774 bytes");
ZEL_STATIC_ASSERT(offsetof(CIcon, iconMask) == 50, "iconMask at 50");
ZEL_STATIC_ASSERT(offsetof(CIcon, iconData) == 78, "iconData at 78");
ZEL_STATIC_ASSERT(offsetof(CIcon, iconMaskData) == 82, "the icon rows follow the 82-byte header");
ZEL_STATIC_ASSERT(offsetof(PixPat, pat1Data) == 20, "pat1Data at 20");
ZEL_STATIC_ASSERT(sizeof(PixPat) == 38, "PixPat is 38 bytes");
ZEL_STATIC_ASSERT(offsetof(GDevice, gdPMap) == 22, "gdPMap at 22");
ZEL_STATIC_ASSERT(offsetof(GDevice, gdNextGD) == 30, "gdNextGD at 30");
ZEL_STATIC_ASSERT(offsetof(GDevice, gdRect) == 34, "gdRect at 34");
ZEL_STATIC_ASSERT(offsetof(GDevice, gdReserved) == 58, "gdReserved at 58");
ZEL_STATIC_ASSERT(sizeof(GDevice) == 62, "GDevice is 62 bytes");
ZEL_STATIC_ASSERT(sizeof(GrafVars) == 26, "GrafVars is 26 bytes");
ZEL_STATIC_ASSERT(offsetof(GrafPort, portBits) == 2, "portBits at 2");
ZEL_STATIC_ASSERT(offsetof(GrafPort, portRect) == 16, "portRect at 16");
ZEL_STATIC_ASSERT(offsetof(GrafPort, visRgn) == 24, "visRgn at 24");
ZEL_STATIC_ASSERT(offsetof(GrafPort, bkPat) == 32, "bkPat at 32");
ZEL_STATIC_ASSERT(offsetof(GrafPort, pnLoc) == 48, "pnLoc at 48");
ZEL_STATIC_ASSERT(offsetof(GrafPort, pnPat) == 58, "pnPat at 58");
ZEL_STATIC_ASSERT(offsetof(GrafPort, txFace) == 70, "txFace at 70");
ZEL_STATIC_ASSERT(offsetof(GrafPort, spExtra) == 76, "spExtra at 76");
ZEL_STATIC_ASSERT(offsetof(GrafPort, patStretch) == 90, "patStretch at 90");
ZEL_STATIC_ASSERT(offsetof(GrafPort, grafProcs) == 104, "grafProcs at 104");
ZEL_STATIC_ASSERT(sizeof(GrafPort) == 108, "GrafPort is 108 bytes");
ZEL_STATIC_ASSERT(offsetof(CGrafPort, portPixMap) == 2, "portPixMap at 2");
ZEL_STATIC_ASSERT(offsetof(CGrafPort, portVersion) == 6, "portVersion shares portBits.rowBytes");
ZEL_STATIC_ASSERT(offsetof(CGrafPort, grafVars) == 8, "grafVars at 8");
ZEL_STATIC_ASSERT(offsetof(CGrafPort, portRect) == 16, "portRect at 16");
ZEL_STATIC_ASSERT(offsetof(CGrafPort, bkPixPat) == 32, "bkPixPat at 32");
ZEL_STATIC_ASSERT(offsetof(CGrafPort, rgbFgColor) == 36, "rgbFgColor at 36");
ZEL_STATIC_ASSERT(offsetof(CGrafPort, pnPixPat) == 58, "pnPixPat at 58");
ZEL_STATIC_ASSERT(offsetof(CGrafPort, fillPixPat) == 62, "fillPixPat at 62");
ZEL_STATIC_ASSERT(offsetof(CGrafPort, pnVis) == 66, "pnVis at 66");
ZEL_STATIC_ASSERT(offsetof(CGrafPort, patStretch) == 90, "patStretch at 90");
ZEL_STATIC_ASSERT(sizeof(CGrafPort) == 108, "CGrafPort is 108 bytes");

/* ---- Graphics ports ---- */
/* The library's QuickDraw globals, exported as data; Setup_Globals points the QuickDraw slots of the
   low-memory pointer block at its fields. Declared without the import attribute so that a program may
   define its own `QDGlobals qd;` instead (the linker then takes the program's, and the import is never
   made); a program that defines none reads the library's through the linker's automatic import. */
#ifdef __cplusplus
extern "C" QDGlobals qd;
#else
extern QDGlobals qd;
#endif
/* globalPtr: the address of the thePort field of the QuickDraw globals the program uses. With a record
   other than the library's qd, that record's randSeed, screenBits, arrow, patterns and thePort become
   the ones QuickDraw reads and writes (unless the low-memory pointer block supplied those globals), and
   InitGraf fills them. */
ZEL_API void ZEL_CALL InitGraf(void *globalPtr);
ZEL_API void ZEL_CALL OpenPort(GrafPtr port);
ZEL_API void ZEL_CALL OpenCPort(CGrafPtr port);
ZEL_API void ZEL_CALL InitPort(GrafPtr port);
ZEL_API void ZEL_CALL InitCPort(CGrafPtr port);
ZEL_API void ZEL_CALL ClosePort(GrafPtr port);
ZEL_API void ZEL_CALL CloseCPort(CGrafPtr port);
/* SetPort, exported without its last letter. */
ZEL_API void ZEL_CALL SetPor(GrafPtr port);
ZEL_API GrafPtr ZEL_CALL GetPort(GrafPtr *port);

/* Host glue of the ports. */
ZEL_API Boolean ZEL_CALL ZEL_IsPortValid(GrafPtr port);
ZEL_API HDC ZEL_CALL ZEL_GetCurrentDC(void);
ZEL_API HDC ZEL_CALL ZEL_SwaphDC(HDC dc, int16_t mode);
ZEL_API HWND ZEL_CALL ZEL_SetWMgrPortDC(BOOL enter, HWND window, HDC dc, Rect *rect);
ZEL_API void ZEL_CALL ZEL_ResetDC(void);
ZEL_API void ZEL_CALL ZEL_DialogFontMode(GrafPtr port, BOOL on);
ZEL_API void ZEL_CALL ZEL_PortRectChange(void);

/* ---- Colour objects and graphics devices ---- */
ZEL_API PixMapHandle ZEL_CALL NewPixMap(void);
ZEL_API void ZEL_CALL DisposePixMap(PixMapHandle pm);
/* Every pixel transfer: srcRect of srcBits into dstRect of dstBits in a transfer mode (0..15, the
   arithmetic modes 32..39, with ditherCopy 0x40), through maskRgn when given. Each of the two may be a
   BitMap, a PixMap, or the address of a colour port's portPixMap field; the rectangles are not changed.
   StdBits is the standard bitsProc: CopyBits into thePort. */
ZEL_API void ZEL_CALL CopyBits(const BitMap *srcBits, const BitMap *dstBits, const Rect *srcRect, const Rect *dstRect,
                               int16_t mode, RgnHandle maskRgn);
ZEL_API void ZEL_CALL StdBits(const BitMap *srcBits, const Rect *srcRect, const Rect *dstRect, int16_t mode,
                              RgnHandle maskRgn);
/* CopyBits from a PixMap in memory into a PixMap with a DIB (pmExtFlags 0x20): 8-bit indices of the same
   colour table (ctSeed) at the same size in srcCopy are copied into the DIB's rows (complemented into a
   DIB of reversed order), anything else converted; only the DIB's own pixels are written. A nil PixMap, a
   destination without DIB or a source that is not plain memory draws nothing. Nil tables: the PixMaps'
   own. */
ZEL_API void ZEL_CALL ZEL_CopyBitsMacToDIB(PixMap *src, PixMap *dst, Point srcTopLeft, Point srcBotRight,
                                           Point dstTopLeft, Point dstBotRight, int16_t mode, CTabHandle srcCT,
                                           CTabHandle dstCT, RgnHandle maskRgn);
/* The screen-write layer: the DIB of a PixMap (pmExtFlags 0x20) drawn onto the current port's DC, from
   src in the PixMap's bounds to dst, in one blit (ZEL_DSSimple) or composed with what the DC shows in
   the transfer mode and through a mask region (ZEL_DSNotSimple; a region that is not in mask form with
   mode 0 clips the blit). ctab is the table the
   pixels were made for: on a palette screen, one whose seed is the device's sends palette indices.
   ZEL_NextWriteIsToScreen(1) sends the next blit of a DIB-engine PixMap through its own DC. */
ZEL_API void ZEL_CALL ZEL_DSSimple(PixMap *pm, Rect src, Rect dst, CTabHandle ctab);
ZEL_API void ZEL_CALL ZEL_DSNotSimple(PixMap *src, PixMap *dst, Rect srcRect, Rect dstRect, int16_t mode,
                                      CTabHandle ctab, uint32_t context, RgnHandle mask);
ZEL_API void ZEL_CALL ZEL_NextWriteIsToScreen(uint32_t flag);
/* A PixMap over a copy of a packed DIB (header, colour entries, rows): bounds (0, 0, |biHeight|, biWidth),
   a 24-bit DIB read as a 32-bit PixMap, its colour table made from the DIB's (reversed, with pmExtFlags
   0x100, unless the first colour is white and the last black). A compressed DIB becomes a Windows
   bitmap of the PixMap. The caller's DIB is only read. Nil for a width of 0 or less, planes other than 1,
   depths other than 1, 4, 8, 16, 24, 32, or when memory is short; DisposePixMap frees it. */
struct tagBITMAPINFO;
ZEL_API PixMapHandle ZEL_CALL ZEL_NewDIBPixMap(const struct tagBITMAPINFO *dib);
ZEL_API PixPatHandle ZEL_CALL NewPixPat(void);
ZEL_API void ZEL_CALL DisposePixPat(PixPatHandle pp);
ZEL_API GDHandle ZEL_CALL NewGDevice(int16_t refNum, int32_t mode);
ZEL_API void ZEL_CALL DisposeGDevice(GDHandle gdh);
ZEL_API GDHandle ZEL_CALL GetGDevice(void);
ZEL_API void ZEL_CALL SetGDevice(GDHandle gdh);
ZEL_API void ZEL_CALL ZEL_SetPixBM(PixMapHandle pm, HBITMAP bitmap);
/* The bitmap behind a PixMap and, when dc is not nil, the DC it is selected in. */
ZEL_API HBITMAP ZEL_CALL ZEL_GetPixBM(PixMapHandle pm, HDC *dc);
/* Bytes of the PixMap's rows: height x (rowBytes AND 0x3FFF), 0 for empty bounds. */
ZEL_API int32_t ZEL_CALL ZEL_GetPixMapSize(PixMapHandle pm);
/* Folding and unfolding PixMaps: a PixMap's pixels moved onto their Windows side (a DIB, a Windows bitmap)
   and back into Macintosh rows of it or of another PixMap or BitMap; a copy of a Windows bitmap; a
   PixMap's DIB header (its rows through `bits`). */
ZEL_API int16_t ZEL_CALL ZEL_FoldPixMap(PixMap *pm, const Rect *rect, uint32_t options);
ZEL_API int16_t ZEL_CALL ZEL_UnfoldPixMap(PixMap *src, BitMap *dst, const Rect *srcRect, const Rect *dstRect,
                                          uint32_t options);
ZEL_API HBITMAP ZEL_CALL ZEL_CopyBM(HBITMAP bitmap);
ZEL_API struct tagBITMAPINFO *ZEL_CALL ZEL_GetDIBFromPixMap(PixMapHandle pm, Ptr *bits);
/* A PixMap over a host's device-dependent bitmap, so that CopyBits and QuickDraw read its pixels: the
   bitmap's depth and size, and for 1 to 8 bits the palette's colours in reverse order (index 0 is the
   palette's last entry; without a palette the current device's table). The bitmap stays the host's:
   DisposePixMap leaves it. Nil for anything that is not a bitmap. */
ZEL_API PixMapHandle ZEL_CALL ZEL_NewDDBPixMap(HBITMAP bitmap, HPALETTE palette);
ZEL_API PixPatHandle ZEL_CALL GetPixPat(int16_t id);
ZEL_API CTabHandle ZEL_CALL GetCTable(int16_t id);
ZEL_API void ZEL_CALL DisposeCTable(CTabHandle ct);
ZEL_API CIconHandle ZEL_CALL GetCIcon(int16_t id);
ZEL_API void ZEL_CALL DisposeCIcon(CIconHandle ci);
ZEL_API void ZEL_CALL InitGDevice(int16_t refNum, int32_t mode, GDHandle gdh);
ZEL_API GDHandle ZEL_CALL GetDeviceList(void);
ZEL_API GDHandle ZEL_CALL GetMainDevice(void);
ZEL_API GDHandle ZEL_CALL GetMaxDevice(const Rect *globalRect);
ZEL_API GDHandle ZEL_CALL GetNextDevice(GDHandle gdh);
ZEL_API int32_t ZEL_CALL Color2Index(const RGBColor *rgb);
ZEL_API void ZEL_CALL Index2Color(int32_t index, RGBColor *rgb);
/* Builds the inverse table of a colour table (nil: the current device's); always at resolution 5. */
ZEL_API void ZEL_CALL MakeITable(CTabHandle ct, ITabHandle iTab, int16_t res);
/* A colour-table seed no other caller has had. */
ZEL_API int32_t ZEL_CALL GetCTSeed(void);
ZEL_API void ZEL_CALL SaveFore(ColorSpec *c);
ZEL_API void ZEL_CALL SaveBack(ColorSpec *c);
ZEL_API void ZEL_CALL RestoreFore(const ColorSpec *c);
ZEL_API void ZEL_CALL RestoreBack(const ColorSpec *c);
ZEL_API Boolean ZEL_CALL GetGray(GDHandle gdh, const RGBColor *back, RGBColor *fore);
ZEL_API int16_t ZEL_CALL SetDepth(GDHandle gdh, int16_t depth, int16_t whichFlags, int16_t flags);
ZEL_API int16_t ZEL_CALL HasDepth(GDHandle gdh, int16_t depth, int16_t whichFlags, int16_t flags);
/* Runs the screen probes again (InitGraf runs them); the outcome is in the probe flags and
   ZEL_SystemValue selector 21. */
ZEL_API void ZEL_CALL ZEL_QDInitTestScreen(void);
/* The main window's client rectangle in screen coordinates. */
ZEL_API void ZEL_CALL ZEL_GetAppWinRect(Rect *r);

/* ---- Pattern brushes ---- */
/* how -1 switches brush alignment off, 0 counts it down, any other value counts it up. */
ZEL_API int32_t ZEL_CALL ZEL_BrushAlign(int16_t how);

/* ---- Bottlenecks and lines ---- */
/* The shape verbs: frame 0, paint 1, erase 2, invert 3, fill 4. */
typedef int8_t GrafVerb;
/* A polygon: its size in bytes (10 + 4 per point), the box of its points and the points in local
   coordinates. Windows names a GDI call Polygon, so C and C++ hosts alike write `struct Polygon`. */
#pragma pack(push, 2)
struct Polygon {
    int16_t polySize;
    Rect polyBBox;
    Point polyPoints[1];
};
#pragma pack(pop)
typedef struct Polygon *PolyPtr;
typedef struct Polygon **PolyHandle;
ZEL_STATIC_ASSERT(offsetof(struct Polygon, polyPoints) == 10, "the points follow a 10-byte header");
/* A picture: the low 16 bits of its size, its frame, then the opcode stream. A finished picture keeps
   picSize and picFrame in the host's byte order and the stream big-endian; its length is the handle's
   size, never picSize. */
#pragma pack(push, 2)
typedef struct Picture {
    int16_t picSize;
    Rect picFrame;
} Picture;
#pragma pack(pop)
typedef Picture *PicPtr;
typedef PicPtr *PicHandle;
ZEL_STATIC_ASSERT(sizeof(Picture) == 10, "the opcode stream follows a 10-byte header");
/* A font's measures as GetFontInfo gives them, in port units. */
typedef struct FontInfo {
    int16_t ascent;
    int16_t descent;
    int16_t widMax;
    int16_t leading;
} FontInfo;

typedef void (ZEL_CALL *QDTextProcPtr)(int16_t byteCount, const void *textBuf, Point numer, Point denom);
typedef void (ZEL_CALL *QDLineProcPtr)(Point newPt);
typedef void (ZEL_CALL *QDRectProcPtr)(GrafVerb verb, const Rect *r);
typedef void (ZEL_CALL *QDRRectProcPtr)(GrafVerb verb, const Rect *r, int16_t ovalWidth, int16_t ovalHeight);
typedef void (ZEL_CALL *QDOvalProcPtr)(GrafVerb verb, const Rect *r);
typedef void (ZEL_CALL *QDArcProcPtr)(GrafVerb verb, const Rect *r, int16_t startAngle, int16_t arcAngle);
typedef void (ZEL_CALL *QDPolyProcPtr)(GrafVerb verb, PolyHandle poly);
typedef void (ZEL_CALL *QDRgnProcPtr)(GrafVerb verb, RgnHandle rgn);
typedef void (ZEL_CALL *QDBitsProcPtr)(const BitMap *srcBits, const Rect *srcRect, const Rect *dstRect, int16_t mode,
                                       RgnHandle maskRgn);
typedef void (ZEL_CALL *QDCommentProcPtr)(int16_t kind, int16_t dataSize, Handle dataHandle);
typedef int16_t (ZEL_CALL *QDTxMeasProcPtr)(int16_t byteCount, const void *textAddr, Point *numer, Point *denom,
                                            struct FontInfo *info);
typedef void (ZEL_CALL *QDGetPicProcPtr)(void *dataPtr, int16_t byteCount);
typedef void (ZEL_CALL *QDPutPicProcPtr)(const void *dataPtr, int16_t byteCount);
typedef void (ZEL_CALL *QDOpcodeProcPtr)(const Rect *fromRect, const Rect *toRect, uint16_t opcode, int16_t version);

#pragma pack(push, 2)

/* A port's bottleneck procedures; a zero grafProcs means the standard ones. */
typedef struct QDProcs {
    QDTextProcPtr textProc;
    QDLineProcPtr lineProc;
    QDRectProcPtr rectProc;
    QDRRectProcPtr rRectProc;
    QDOvalProcPtr ovalProc;
    QDArcProcPtr arcProc;
    QDPolyProcPtr polyProc;
    QDRgnProcPtr rgnProc;
    QDBitsProcPtr bitsProc;
    QDCommentProcPtr commentProc;
    QDTxMeasProcPtr txMeasProc;
    QDGetPicProcPtr getPicProc;
    QDPutPicProcPtr putPicProc;
} QDProcs;

/* The colour port's table: the 13 of QDProcs, then the opcode procedure and six spare entries. */
typedef struct CQDProcs {
    QDTextProcPtr textProc;
    QDLineProcPtr lineProc;
    QDRectProcPtr rectProc;
    QDRRectProcPtr rRectProc;
    QDOvalProcPtr ovalProc;
    QDArcProcPtr arcProc;
    QDPolyProcPtr polyProc;
    QDRgnProcPtr rgnProc;
    QDBitsProcPtr bitsProc;
    QDCommentProcPtr commentProc;
    QDTxMeasProcPtr txMeasProc;
    QDGetPicProcPtr getPicProc;
    QDPutPicProcPtr putPicProc;
    QDOpcodeProcPtr opcodeProc;
    ProcPtr newProc1;
    ProcPtr newProc2;
    ProcPtr newProc3;
    ProcPtr newProc4;
    ProcPtr newProc5;
    ProcPtr newProc6;
} CQDProcs;

#pragma pack(pop)

ZEL_STATIC_ASSERT(offsetof(QDProcs, lineProc) == 4, "lineProc at 4");
ZEL_STATIC_ASSERT(offsetof(QDProcs, putPicProc) == 48, "putPicProc at 48");
ZEL_STATIC_ASSERT(sizeof(QDProcs) == 52, "QDProcs holds 13 procedures");
ZEL_STATIC_ASSERT(offsetof(CQDProcs, putPicProc) == 48, "the colour table starts as QDProcs");
ZEL_STATIC_ASSERT(offsetof(CQDProcs, opcodeProc) == 52, "opcodeProc at 52");
ZEL_STATIC_ASSERT(sizeof(CQDProcs) == 80, "CQDProcs holds 20 procedures");

ZEL_API void ZEL_CALL SetStdProcs(QDProcs *procs);
ZEL_API void ZEL_CALL SetStdCProcs(CQDProcs *procs);
/* For the current port's grafProcs: make (TRUE) or release (FALSE) the host's proc instances of the
   entries that are not the standard procedures. */
ZEL_API void ZEL_CALL ZEL_StdProcFix(BOOL make);
/* MoveTo and LineTo, exported without their last letter. */
ZEL_API void ZEL_CALL MoveT(int16_t h, int16_t v);
ZEL_API void ZEL_CALL Move(int16_t dh, int16_t dv);
ZEL_API void ZEL_CALL LineT(int16_t h, int16_t v);
ZEL_API void ZEL_CALL Line(int16_t dh, int16_t dv);
ZEL_API void ZEL_CALL StdLine(Point newPt);
/* Moves the pen by fractional amounts, keeping the device pen's own fraction. */
ZEL_API void ZEL_CALL ZEL_MoveFixedAmount(BOOL relative, Fixed dh, Fixed dv);
/* Horizontal and vertical lines on the printer's DC or a swapped DC are drawn as rectangles. */
ZEL_API void ZEL_CALL ZEL_UseRectForLine(BOOL on);
/* ---- Transform and drawing state ---- */
#pragma pack(push, 2)
/* The pen of a port as GetPenState and SetPenState carry it. On a colour port whose pen is not a
   plain pattern, bit 15 of pnMode is set and pnPat holds the PixPat handle. */
typedef struct PenState {
    Point pnLoc;
    Point pnSize;
    int16_t pnMode;
    Pattern pnPat;
} PenState;
#pragma pack(pop)
ZEL_STATIC_ASSERT(sizeof(PenState) == 18, "PenState is 18 bytes");
ZEL_STATIC_ASSERT(offsetof(PenState, pnPat) == 10, "pnPat at 10");

/* Classic colour codes. */
enum {
    blackColor = 33,
    whiteColor = 30,
    redColor = 205,
    greenColor = 341,
    blueColor = 409,
    cyanColor = 273,
    magentaColor = 137,
    yellowColor = 69
};
/* Transfer modes. */
enum {
    srcCopy = 0, srcOr = 1, srcXor = 2, srcBic = 3, notSrcCopy = 4, notSrcOr = 5, notSrcXor = 6, notSrcBic = 7,
    patCopy = 8, patOr = 9, patXor = 10, patBic = 11, notPatCopy = 12, notPatOr = 13, notPatXor = 14, notPatBic = 15
};
/* The arithmetic modes of colour ports, text drawn dimmed (grayishTextOr) and the highlight mode. */
enum {
    blend = 32, addPin = 33, addOver = 34, subPin = 35, transparent = 36, addMax = 37, subOver = 38, adMin = 39,
    grayishTextOr = 49, hilite = 50
};
/* Or-ed into a transfer mode: CopyBits dithers the colours it cannot show exactly. */
enum { ditherCopy = 64 };

/* Text: the port's font, style and size (0 means 12), the extra width of blanks, and drawing at the pen,
   which then advances by the text's width. Style bits: */
enum { normal = 0, bold = 1, italic = 2, underline = 4, outline = 8, shadow = 16, condense = 32, extend = 64 };
ZEL_API void ZEL_CALL TextFont(int16_t font);
ZEL_API void ZEL_CALL TextFace(int16_t face);
ZEL_API void ZEL_CALL TextSize(int16_t size);
ZEL_API void ZEL_CALL SpaceExtra(Fixed extra);
ZEL_API void ZEL_CALL CharExtra(Fixed extra);
ZEL_API void ZEL_CALL DrawChar(int16_t ch);
ZEL_API void ZEL_CALL DrawString(ConstStr255Param s);
ZEL_API void ZEL_CALL DrawTex(const void *textBuf, int16_t firstByte, int16_t byteCount);
ZEL_API void ZEL_CALL StdText(int16_t byteCount, const void *textBuf, Point numer, Point denom);
/* Fills `bindBuffer` (at least 125 bytes: a LOGFONTA, then the face's full name, up to 63 characters and
   a NUL) with the font the current port binds; answers a preset font handle to use as it is, or NULL
   when the font is made from the LOGFONTA. */
ZEL_API HFONT ZEL_CALL ZEL_GetBindTextAttributesHFONT(void *bindBuffer);
/* Measuring in the port's font: widths in port units; MeasureText writes count + 1 locations, each the
   width of the characters before it. */
ZEL_API int16_t ZEL_CALL StdTxMeas(int16_t byteCount, const void *textAddr, Point *numer, Point *denom,
                                   FontInfo *info);
ZEL_API int16_t ZEL_CALL TextWidth(const void *textBuf, int16_t firstByte, int16_t byteCount);
ZEL_API int16_t ZEL_CALL StringWidth(ConstStr255Param s);
ZEL_API int16_t ZEL_CALL CharWidth(int16_t ch);
ZEL_API void ZEL_CALL MeasureText(int16_t count, const void *textAddr, int16_t *charLocs);
ZEL_API void ZEL_CALL GetFontInfo(FontInfo *info);
/* The text's length without its trailing blanks, tabs and line feeds (the first character always
   counts); 0 for a length of 0 or less. */
ZEL_API int32_t ZEL_CALL VisibleLength(const void *textPtr, int32_t textLen);
/* Extended text: mode 1 or 2 draws and measures with the given widths (a Fixed per Macintosh character
   code; nil: the Font Manager's width table), 0 leaves it; bit 15 saves the state first, and 0x8000
   alone restores it. Answers the previous extended bit (0x40 or 0). ZEL_USER_WinTextOutWidths gives the
   integer device widths the next drawing uses, scaled in place by the port's transform. */
ZEL_API int16_t ZEL_CALL ZEL_ExtDrawText(uint16_t mode, const Fixed *widths, uint32_t param);
ZEL_API void ZEL_CALL ZEL_USER_WinTextOutWidths(int32_t *widths, int16_t count);

/* Patchable through the trap table: the port rectangle, visible region, brush origin and pen follow. */
ZEL_API void ZEL_CALL SetOrigin(int16_t h, int16_t v);
ZEL_API void ZEL_CALL GlobalToLocal(Point *pt);
ZEL_API void ZEL_CALL LocalToGlobal(Point *pt);
ZEL_API void ZEL_CALL PenMode(int16_t mode);
ZEL_API void ZEL_CALL TextMode(int16_t mode);
ZEL_API void ZEL_CALL PenSize(int16_t width, int16_t height);
ZEL_API void ZEL_CALL PenPat(const Pattern *pat);
ZEL_API void ZEL_CALL BackPat(const Pattern *pat);
ZEL_API void ZEL_CALL PenPixPat(PixPatHandle pp);
ZEL_API void ZEL_CALL BackPixPat(PixPatHandle pp);
ZEL_API void ZEL_CALL PenNormal(void);
ZEL_API void ZEL_CALL HidePen(void);
ZEL_API void ZEL_CALL ShowPen(void);
ZEL_API void ZEL_CALL GetPen(Point *pt);
ZEL_API void ZEL_CALL GetPenState(PenState *state);
ZEL_API void ZEL_CALL SetPenState(const PenState *state);
ZEL_API void ZEL_CALL ForeColor(int32_t code);
ZEL_API void ZEL_CALL BackColor(int32_t code);
ZEL_API void ZEL_CALL RGBForeColor(const RGBColor *rgb);
ZEL_API void ZEL_CALL RGBBackColor(const RGBColor *rgb);
ZEL_API void ZEL_CALL GetForeColor(RGBColor *rgb);
ZEL_API void ZEL_CALL GetBackColor(RGBColor *rgb);
ZEL_API void ZEL_CALL OpColor(const RGBColor *rgb);
ZEL_API void ZEL_CALL HiliteColor(const RGBColor *rgb);
ZEL_API void ZEL_CALL ClipRect(const Rect *r);
ZEL_API void ZEL_CALL SetClip(RgnHandle rgn);
ZEL_API void ZEL_CALL GetClip(RgnHandle rgn);

/* Host glue of the transform and drawing state. */
ZEL_API void ZEL_CALL ZEL_XFormToQDRect(Rect *r);
ZEL_API void ZEL_CALL ZEL_ScreenToLocal(Point *pt);
ZEL_API void ZEL_CALL ZEL_LocalToScreen(Point *pt);
ZEL_API void ZEL_CALL ZEL_MainWndToLocal(Point *pt);
ZEL_API void ZEL_CALL ZEL_LocalToMainWnd(Point *pt);
ZEL_API void ZEL_CALL ZEL_MainWndToGlobal(Point *pt);
ZEL_API void ZEL_CALL ZEL_GlobalToMainWnd(Point *pt);
ZEL_API COLORREF ZEL_CALL ZEL_RGBColor2COLORREF(const RGBColor *rgb);
ZEL_API void ZEL_CALL ZEL_GetSysColor(int32_t index, RGBColor *rgb);
ZEL_API void ZEL_CALL ZEL_ChangeThePortAttr(void);
ZEL_API void ZEL_CALL ZEL_ResetForeColor(void);

/* ---- Rectangles ---- */
/* FrameRect, InvertRect and FillRect, exported without their last letter. Rectangles cover the pixels
   [left, right) x [top, bottom); a frame's pen lies inside the rectangle. */
ZEL_API void ZEL_CALL FrameRec(const Rect *r);
ZEL_API void ZEL_CALL PaintRect(const Rect *r);
/* EraseRect is patchable through the trap table. */
ZEL_API void ZEL_CALL EraseRect(const Rect *r);
ZEL_API void ZEL_CALL InvertRec(const Rect *r);
ZEL_API void ZEL_CALL FillRec(const Rect *r, const Pattern *pat);
ZEL_API void ZEL_CALL FillCRect(const Rect *r, PixPatHandle pp);
ZEL_API void ZEL_CALL StdRect(GrafVerb verb, const Rect *r);

/* ---- Pixels, scrolling and utilities ---- */
/* GetPixel, SetRect, OffsetRect, InsetRect, UnionRect, EqualRect and PtInRect are exported without
   their last letter. */
ZEL_API Boolean ZEL_CALL GetPixe(int16_t h, int16_t v);
ZEL_API void ZEL_CALL GetCPixel(int16_t h, int16_t v, RGBColor *rgb);
ZEL_API void ZEL_CALL SetCPixel(int16_t h, int16_t v, const RGBColor *rgb);
ZEL_API void ZEL_CALL ScrollRect(const Rect *r, int16_t dh, int16_t dv, RgnHandle updateRgn);
ZEL_API void ZEL_CALL AddPt(Point src, Point *dst);
ZEL_API void ZEL_CALL SubPt(Point src, Point *dst);
ZEL_API void ZEL_CALL SetPt(Point *pt, int16_t h, int16_t v);
ZEL_API Boolean ZEL_CALL EqualPt(Point a, Point b);
ZEL_API void ZEL_CALL SetRec(Rect *r, int16_t left, int16_t top, int16_t right, int16_t bottom);
ZEL_API void ZEL_CALL OffsetRec(Rect *r, int16_t dh, int16_t dv);
ZEL_API void ZEL_CALL InsetRec(Rect *r, int16_t dh, int16_t dv);
ZEL_API Boolean ZEL_CALL SectRect(const Rect *a, const Rect *b, Rect *dst);
ZEL_API void ZEL_CALL UnionRec(const Rect *a, const Rect *b, Rect *dst);
ZEL_API Boolean ZEL_CALL EqualRec(const Rect *a, const Rect *b);
ZEL_API Boolean ZEL_CALL EmptyRect(const Rect *r);
ZEL_API Boolean ZEL_CALL PtInRec(Point pt, const Rect *r);
ZEL_API void ZEL_CALL Pt2Rect(Point a, Point b, Rect *dst);
/* The angle of pt about r's centre, clockwise from straight up, in whole degrees 0..359. */
ZEL_API void ZEL_CALL PtToAngle(const Rect *r, Point pt, int16_t *angle);
ZEL_API void ZEL_CALL MapPt(Point *pt, const Rect *src, const Rect *dst);
ZEL_API void ZEL_CALL MapRect(Rect *r, const Rect *src, const Rect *dst);
ZEL_API void ZEL_CALL MapPoly(PolyHandle poly, const Rect *src, const Rect *dst);
ZEL_API void ZEL_CALL ScalePt(Point *pt, const Rect *src, const Rect *dst);
ZEL_API void ZEL_CALL PortSize(int16_t width, int16_t height);
ZEL_API void ZEL_CALL MovePortTo(int16_t left, int16_t top);
ZEL_API int16_t ZEL_CALL Random(void);
ZEL_API void ZEL_CALL StuffHex(Ptr thingPtr, ConstStr255Param s);
ZEL_API int16_t ZEL_CALL QDError(void);
/* Rebinding the current port's pixels: a black-and-white port's bits, a colour port's PixMap. */
ZEL_API Boolean ZEL_CALL SetPortBits(const BitMap *bm);
ZEL_API Boolean ZEL_CALL SetPortPix(PixMapHandle pm);
/* The DC the next port opened takes: mode bit 0 the shared memory DC, bit 1 a display DC kept in the
   PixMap, neither a new memory DC like the current port's. */
ZEL_API HDC ZEL_CALL ZEL_OffScreenDC(PixMapHandle pm, int16_t mode);
/* Copies: dst keeps its own colour table handle (filled with src's table) and sub-handles. */
ZEL_API void ZEL_CALL CopyPixMap(PixMapHandle src, PixMapHandle dst);
ZEL_API void ZEL_CALL CopyPixPat(PixPatHandle src, PixPatHandle dst);
/* Makes the PixPat an RGB pattern: the colour drawn solid (its one-bit form black). */
ZEL_API void ZEL_CALL MakeRGBPat(PixPatHandle pp, const RGBColor *color);
/* Copies srcRect of srcBits into dstRect of dstBits through the mask's maskRect (mode and maskRgn are
   not examined). */
ZEL_API void ZEL_CALL CopyDeepMask(const BitMap *srcBits, const BitMap *maskBits, const BitMap *dstBits,
                                   const Rect *srcRect, const Rect *maskRect, const Rect *dstRect, int16_t mode,
                                   RgnHandle maskRgn);
/* What GetPixMapInfo answers of a PixMap: only theColorTable, a copy of its table that the caller
   disposes. */
#pragma pack(push, 2)
typedef struct PictInfo {
    int16_t version;
    int32_t uniqueColors;
    struct Palette **thePalette;
    CTabHandle theColorTable;
    Fixed hRes;
    Fixed vRes;
    int16_t depth;
    Rect sourceRect;
    int32_t textCount;
    int32_t lineCount;
    int32_t rectCount;
    int32_t rRectCount;
    int32_t ovalCount;
    int32_t arcCount;
    int32_t polyCount;
    int32_t regionCount;
    int32_t bitMapCount;
    int32_t pixMapCount;
    int32_t commentCount;
    int32_t uniqueComments;
    Handle commentHandle;
    int32_t uniqueFonts;
    Handle fontHandle;
    Handle fontNamesHandle;
    int32_t reserved1;
    int32_t reserved2;
} PictInfo;
#pragma pack(pop)
ZEL_STATIC_ASSERT(sizeof(PictInfo) == 104, "PictInfo is 104 bytes");
ZEL_STATIC_ASSERT(offsetof(PictInfo, theColorTable) == 10, "theColorTable at 10");
ZEL_API OSErr ZEL_CALL GetPixMapInfo(PixMapHandle pm, PictInfo *thePictInfo, int16_t verb, int16_t colorsRequested,
                                     int16_t colorPickMethod, int16_t version);
/* Host glue: offscreen drawing. ZEL_BeginOffScreen makes the current port draw into a memory bitmap
   the size of r (erased to the background with `erase`) and answers 1, or 0 when it did nothing (r
   empty, or a port drawing offscreen already). ZEL_EndOffScreen puts the port's DC back and, with
   `draw`, blits the bitmap onto it in a transfer mode, keeping off a window's pending update with
   `excludeUpdate`. ZEL_ExcludeUpdateRgn takes a window's pending update out of its visible region
   (the old one into *saved) or, with exclude false, puts *saved back; it answers whether the region
   changed. The PixMap calls turn (+90 clockwise, -90) or mirror the Windows bitmap behind a PixMap,
   and pack it into one handle (which the PixMap does not need afterwards) and back. */
ZEL_API int16_t ZEL_CALL ZEL_BeginOffScreen(Boolean erase, const Rect *r);
ZEL_API void ZEL_CALL ZEL_EndOffScreen(Boolean draw, Boolean excludeUpdate, int16_t mode);
ZEL_API Boolean ZEL_CALL ZEL_ExcludeUpdateRgn(GrafPtr port, Boolean exclude, RgnHandle *saved);
ZEL_API Boolean ZEL_CALL ZEL_OffScreenRotate(PixMapHandle pm, int16_t angle);
ZEL_API Boolean ZEL_CALL ZEL_OffScreenFlip(PixMapHandle pm, int16_t vertical);
ZEL_API Handle ZEL_CALL ZEL_PackPixMap(PixMapHandle pm);
ZEL_API PixMapHandle ZEL_CALL ZEL_UnpackPixMap(Handle packed);
/* One-bit masks. SeedFill and CalcMask work on rows of `words` 16-bit words, `height` rows, each row
   srcRow or dstRow bytes apart; a set bit is black. SeedFill sets in dst every pixel reachable from the
   seed through white; CalcMask sets the black pixels and the white ones that cannot be reached from
   outside the image. CalcCMask does the same for srcRect of any BitMap or PixMap, writing dstRect of a
   one-bit dst; a matchProc answers the one-bit index (1 black) of each colour. CopyMask copies srcRect
   of src into dstRect of dst where maskRect of mask is black. */
typedef Boolean (ZEL_CALL *ColorSearchProcPtr)(RGBColor *rgb, int32_t *position);
ZEL_API void ZEL_CALL SeedFill(Ptr srcPtr, Ptr dstPtr, int16_t srcRow, int16_t dstRow, int16_t height, int16_t words,
                               int16_t seedH, int16_t seedV);
ZEL_API void ZEL_CALL SeedCFill(const BitMap *srcBits, const BitMap *dstBits, const Rect *srcRect, const Rect *dstRect,
                                int16_t seedH, int16_t seedV, ColorSearchProcPtr matchProc, int32_t matchData);
ZEL_API void ZEL_CALL CalcMask(Ptr srcPtr, Ptr dstPtr, int16_t srcRow, int16_t dstRow, int16_t height, int16_t words);
ZEL_API void ZEL_CALL CalcCMask(const BitMap *srcBits, const BitMap *dstBits, const Rect *srcRect,
                                const Rect *dstRect, const RGBColor *seedRGB, ColorSearchProcPtr matchProc,
                                int32_t matchData);
ZEL_API void ZEL_CALL CopyMask(const BitMap *srcBits, const BitMap *maskBits, const BitMap *dstBits,
                               const Rect *srcRect, const Rect *maskRect, const Rect *dstRect);
/* Host glue: the mask of a BitMap's or PixMap's non-white pixels, as rows of one-bit Macintosh rows
   (one per bounds row, 1 inside) or, with asRegion, as a mask-form region over its bounds; with fill
   the white areas the non-white pixels enclose are inside too. Nil on failure. */
ZEL_API Handle ZEL_CALL ZEL_CreateMask(const BitMap *src, Boolean fill, Boolean asRegion);
/* The complementary colour (the hue turned half way round). */
ZEL_API void ZEL_CALL InvertColor(RGBColor *color);
ZEL_API Boolean ZEL_CALL RealColor(const RGBColor *color);
ZEL_API void ZEL_CALL AllocCursor(void);
/* A graphics device's search procedures, its attribute bits and the device loop. */
typedef void (ZEL_CALL *DeviceLoopDrawingProcPtr)(int16_t depth, int16_t deviceFlags, GDHandle targetDevice,
                                                  int32_t userData);
ZEL_API void ZEL_CALL AddSearch(ProcPtr searchProc);
ZEL_API void ZEL_CALL DelSearch(ProcPtr searchProc);
ZEL_API void ZEL_CALL SetDeviceAttribute(GDHandle gd, int16_t attribute, Boolean value);
ZEL_API Boolean ZEL_CALL TestDeviceAttribute(GDHandle gd, int16_t attribute);
ZEL_API void ZEL_CALL DeviceLoop(RgnHandle drawingRgn, DeviceLoopDrawingProcPtr drawingProc, int32_t userData,
                                 int32_t flags);

/* ---- Cursors ---- */
/* A colour cursor ('crsr'): a loaded resource still holds offsets in crsrMap and crsrData. */
#pragma pack(push, 2)
typedef struct CCrsr {
    int16_t crsrType;
    PixMapHandle crsrMap;
    Handle crsrData;
    Handle crsrXData;
    int16_t crsrXValid;
    Handle crsrXHandle;
    Bits16 crsr1Data;
    Bits16 crsrMask;
    Point crsrHotSpot;
    int32_t crsrXTable;
    int32_t crsrID;
} CCrsr;
#pragma pack(pop)
typedef CCrsr *CCrsrPtr;
typedef CCrsrPtr *CCrsrHandle;
ZEL_STATIC_ASSERT(sizeof(CCrsr) == 96, "CCrsr is 96 bytes");
ZEL_STATIC_ASSERT(offsetof(CCrsr, crsrHotSpot) == 84, "crsrHotSpot at 84");
/* The standard cursors' ids for GetCursor: arrow 0 (the arrow global), I-beam 1, cross 2, plus 3, watch 4. */
enum { iBeamCursor = 1, crossCursor = 2, plusCursor = 3, watchCursor = 4 };
/* SetCursor, ShowCursor and GetCursor, exported without their last letter; SetCursor and InitCursor
   are patchable through the trap table. */
ZEL_API void ZEL_CALL SetCurso(const Cursor *crsr);
ZEL_API void ZEL_CALL InitCursor(void);
ZEL_API CursHandle ZEL_CALL GetCurso(int16_t cursorID);
ZEL_API CCrsrHandle ZEL_CALL GetCCursor(int16_t crsrID);
ZEL_API void ZEL_CALL SetCCursor(CCrsrHandle cCrsr);
ZEL_API void ZEL_CALL DisposeCCursor(CCrsrHandle cCrsr);
ZEL_API void ZEL_CALL HideCursor(void);
ZEL_API void ZEL_CALL ShowCurso(void);
ZEL_API void ZEL_CALL ObscureCursor(void);
ZEL_API void ZEL_CALL UnobscureCursor(void);
/* Converts a cursor record (a CCrsr when isColour) to a Windows cursor, registering it in the cursor
   table when asked (its hot spot then carries the slot), or with create 0 gives its slot back; with
   convert 0 the record goes back to its stored form. The Windows cursor made, or 0. */
ZEL_API HCURSOR ZEL_CALL ZEL_VelcastCursor(int32_t create, int32_t isColour, void *record, int32_t convert,
                                           int32_t registerIt);

/* ---- Polygons ---- */
/* OpenPoly hides the pen and records every pen move and line into a new polygon until ClosePoly. */
ZEL_API PolyHandle ZEL_CALL OpenPoly(void);
ZEL_API void ZEL_CALL ClosePoly(void);
ZEL_API void ZEL_CALL KillPoly(PolyHandle poly);
ZEL_API void ZEL_CALL OffsetPoly(PolyHandle poly, int16_t dh, int16_t dv);
ZEL_API void ZEL_CALL StdPoly(GrafVerb verb, PolyHandle poly);
ZEL_API void ZEL_CALL FramePoly(PolyHandle poly);
ZEL_API void ZEL_CALL PaintPoly(PolyHandle poly);
ZEL_API void ZEL_CALL ErasePoly(PolyHandle poly);
ZEL_API void ZEL_CALL InvertPoly(PolyHandle poly);
ZEL_API void ZEL_CALL FillPoly(PolyHandle poly, const Pattern *pat);
/* Several device polygons at once, filled on the current port's DC (dc 0 or that DC; any other answers 0)
   with the port's pen mode and pen pattern and no outline: 1 when GDI drew them, 0 otherwise. */
ZEL_API int32_t ZEL_CALL ZEL_PolyPolygon(HDC dc, const POINT *points, const INT *counts, int32_t polygonCount);

/* ---- Ovals, round rectangles and arcs ---- */
/* Angles are whole degrees, 0 at twelve o'clock, clockwise; a negative arcAngle runs anticlockwise. */
ZEL_API void ZEL_CALL StdOval(GrafVerb verb, const Rect *r);
ZEL_API void ZEL_CALL FrameOval(const Rect *r);
ZEL_API void ZEL_CALL PaintOval(const Rect *r);
ZEL_API void ZEL_CALL EraseOval(const Rect *r);
ZEL_API void ZEL_CALL InvertOval(const Rect *r);
ZEL_API void ZEL_CALL FillOval(const Rect *r, const Pattern *pat);
ZEL_API void ZEL_CALL StdRRect(GrafVerb verb, const Rect *r, int16_t ovalWidth, int16_t ovalHeight);
ZEL_API void ZEL_CALL FrameRoundRect(const Rect *r, int16_t ovalWidth, int16_t ovalHeight);
ZEL_API void ZEL_CALL PaintRoundRect(const Rect *r, int16_t ovalWidth, int16_t ovalHeight);
ZEL_API void ZEL_CALL EraseRoundRect(const Rect *r, int16_t ovalWidth, int16_t ovalHeight);
ZEL_API void ZEL_CALL InvertRoundRect(const Rect *r, int16_t ovalWidth, int16_t ovalHeight);
ZEL_API void ZEL_CALL FillRoundRect(const Rect *r, int16_t ovalWidth, int16_t ovalHeight, const Pattern *pat);
ZEL_API void ZEL_CALL StdArc(GrafVerb verb, const Rect *r, int16_t startAngle, int16_t arcAngle);
ZEL_API void ZEL_CALL FrameArc(const Rect *r, int16_t startAngle, int16_t arcAngle);
ZEL_API void ZEL_CALL PaintArc(const Rect *r, int16_t startAngle, int16_t arcAngle);
ZEL_API void ZEL_CALL EraseArc(const Rect *r, int16_t startAngle, int16_t arcAngle);
ZEL_API void ZEL_CALL FillArc(const Rect *r, int16_t startAngle, int16_t arcAngle, const Pattern *pat);

/* ---- Regions ---- */
ZEL_API RgnHandle ZEL_CALL NewRgn(void);
ZEL_API void ZEL_CALL DisposeRgn(RgnHandle rgn);
ZEL_API void ZEL_CALL SetRectRg(RgnHandle rgn, int16_t left, int16_t top, int16_t right, int16_t bottom);
ZEL_API void ZEL_CALL RectRgn(RgnHandle rgn, const Rect *r);
ZEL_API void ZEL_CALL SetEmptyRgn(RgnHandle rgn);
ZEL_API void ZEL_CALL CopyRg(RgnHandle src, RgnHandle dst);
ZEL_API void ZEL_CALL SectRgn(RgnHandle a, RgnHandle b, RgnHandle dst);
ZEL_API void ZEL_CALL UnionRg(RgnHandle a, RgnHandle b, RgnHandle dst);
ZEL_API void ZEL_CALL XorRg(RgnHandle a, RgnHandle b, RgnHandle dst);
ZEL_API void ZEL_CALL DiffRgn(RgnHandle a, RgnHandle b, RgnHandle dst);
ZEL_API void ZEL_CALL OffsetRg(RgnHandle rgn, int16_t dh, int16_t dv);
ZEL_API void ZEL_CALL InsetRg(RgnHandle rgn, int16_t dh, int16_t dv);
ZEL_API void ZEL_CALL MapRgn(RgnHandle rgn, const Rect *srcRect, const Rect *dstRect);
ZEL_API Boolean ZEL_CALL PtInRgn(Point pt, RgnHandle rgn);
ZEL_API Boolean ZEL_CALL RectInRgn(const Rect *r, RgnHandle rgn);
ZEL_API Boolean ZEL_CALL EqualRg(RgnHandle a, RgnHandle b);
ZEL_API Boolean ZEL_CALL EmptyRgn(RgnHandle rgn);
ZEL_API void ZEL_CALL OpenRgn(void);
ZEL_API void ZEL_CALL CloseRgn(RgnHandle dst);
ZEL_API OSErr ZEL_CALL BitMapToRegion(RgnHandle rgn, const BitMap *bits);
ZEL_API OSErr ZEL_CALL BitMapToRegionGlue(RgnHandle rgn, const BitMap *bits);
ZEL_API void ZEL_CALL StdRgn(GrafVerb verb, RgnHandle rgn);
ZEL_API void ZEL_CALL FrameRg(RgnHandle rgn);
ZEL_API void ZEL_CALL PaintRg(RgnHandle rgn);
ZEL_API void ZEL_CALL EraseRgn(RgnHandle rgn);
ZEL_API void ZEL_CALL InvertRg(RgnHandle rgn);
ZEL_API void ZEL_CALL FillRg(RgnHandle rgn, const Pattern *pat);
/* Host glue: a region's GDI side. */
ZEL_API void ZEL_CALL ZEL_RgnGetBBoxRECTFromRgn(RgnHandle rgn, RECT *r);
ZEL_API HRGN ZEL_CALL ZEL_RgnSetToRealRectRgn(RgnHandle rgn);
ZEL_API HRGN ZEL_CALL ZEL_RgnSetToFakeRectRgn(RgnHandle rgn);
ZEL_API Boolean ZEL_CALL ZEL_IsRectRgn(RgnHandle rgn);
ZEL_API int16_t ZEL_CALL ZEL_SelectClipRgn(HDC dc, RgnHandle rgn);
ZEL_API void ZEL_CALL ZEL_VisRgnChange(GrafPtr port);

/* ---- Pictures ---- */
#pragma pack(push, 2)
/* OpenCPicture's parameters: the frame and the resolution it is given in (only srcRect, hRes and vRes
   are read). */
typedef struct OpenCPicParams {
    Rect srcRect;
    Fixed hRes;
    Fixed vRes;
    int16_t version;
    int16_t reserved1;
    int32_t reserved2;
} OpenCPicParams;
#pragma pack(pop)
ZEL_STATIC_ASSERT(sizeof(OpenCPicParams) == 24, "OpenCPicParams is 24 bytes");
ZEL_STATIC_ASSERT(offsetof(OpenCPicParams, hRes) == 8, "hRes at 8");
/* OpenPicture and OpenCPicture attach a new picture to the current port and hide the pen; drawing on
   the port is then recorded into it until ClosePicture, which ends it and shows the pen. Nil without a
   current port or memory. */
ZEL_API PicHandle ZEL_CALL OpenPicture(const Rect *picFrame);
ZEL_API PicHandle ZEL_CALL OpenCPicture(const OpenCPicParams *newHeader);
ZEL_API void ZEL_CALL ClosePicture(void);
/* Disposes a picture; one still being recorded is ended first. */
ZEL_API void ZEL_CALL KillPicture(PicHandle myPicture);
/* The standard putPicProc: appends the bytes to the current port's picture. */
ZEL_API void ZEL_CALL StdPutPic(const void *dataPtr, int16_t byteCount);
/* The standard getPicProc: the next bytes of the picture being played (the count is unsigned). */
ZEL_API void ZEL_CALL StdGetPic(void *dataPtr, int16_t byteCount);
/* A picture comment: to the port's commentProc, else StdComment, which records it into the open picture
   and acts on the kinds a printer takes (line width, rotation, PostScript). */
ZEL_API void ZEL_CALL PicComment(int16_t kind, int16_t dataSize, Handle dataHandle);
ZEL_API void ZEL_CALL StdComment(int16_t kind, int16_t dataSize, Handle dataHandle);
/* Opens the clipboard picture on the current port: its body a 24-bit DIB of the frame's size (8-bit with
   the standard colours under session flag 0x10), filled by CopyBits into the port until ClosePicture;
   the host sets its C bit (HSetCBit) for DrawPicture to draw it. Nil for an empty frame or no memory. */
ZEL_API PicHandle ZEL_CALL ZEL_OpenScrapPict(const Rect *frame);
/* Plays a picture into the current port, its frame mapped onto dstRect. */
ZEL_API void ZEL_CALL DrawPicture(PicHandle myPicture, const Rect *dstRect);
/* With a non-zero flag, DrawPicture saves the port's pen, text, colours and patterns before playing
   and puts them back after; answers the previous flag. Off at load. */
ZEL_API int32_t ZEL_CALL ZEL_AllowPictStatePush(int32_t flag);

/* ---- Published names of the entry points exported without their last letter ---- */
ZEL_PUBLISHED_PROC(MoveTo, MoveT, (int16_t h, int16_t v), (h, v))
ZEL_PUBLISHED_PROC(CopyRgn, CopyRg, (RgnHandle src, RgnHandle dst), (src, dst))
ZEL_PUBLISHED_PROC(InsetRgn, InsetRg, (RgnHandle rgn, int16_t dh, int16_t dv), (rgn, dh, dv))
ZEL_PUBLISHED_PROC(UnionRgn, UnionRg, (RgnHandle a, RgnHandle b, RgnHandle dst), (a, b, dst))
ZEL_PUBLISHED_PROC(XorRgn, XorRg, (RgnHandle a, RgnHandle b, RgnHandle dst), (a, b, dst))
/* Names of USER32. */
#if defined(__cplusplus) || !defined(_WINUSER_)
ZEL_PUBLISHED_PROC(FrameRect, FrameRec, (const Rect *r), (r))
ZEL_PUBLISHED_PROC(InvertRect, InvertRec, (const Rect *r), (r))
ZEL_PUBLISHED_PROC(FillRect, FillRec, (const Rect *r, const Pattern *pat), (r, pat))
ZEL_PUBLISHED_PROC(SetRect, SetRec, (Rect *r, int16_t left, int16_t top, int16_t right, int16_t bottom),
                   (r, left, top, right, bottom))
ZEL_PUBLISHED_PROC(OffsetRect, OffsetRec, (Rect *r, int16_t dh, int16_t dv), (r, dh, dv))
ZEL_PUBLISHED_PROC(InsetRect, InsetRec, (Rect *r, int16_t dh, int16_t dv), (r, dh, dv))
ZEL_PUBLISHED_PROC(UnionRect, UnionRec, (const Rect *a, const Rect *b, Rect *dst), (a, b, dst))
ZEL_PUBLISHED_FUNC(Boolean, EqualRect, EqualRec, (const Rect *a, const Rect *b), (a, b))
ZEL_PUBLISHED_FUNC(Boolean, PtInRect, PtInRec, (Point pt, const Rect *r), (pt, r))
ZEL_PUBLISHED_FUNC(CursHandle, GetCursor, GetCurso, (int16_t cursorID), (cursorID))
ZEL_PUBLISHED_PROC(SetCursor, SetCurso, (const Cursor *crsr), (crsr))
ZEL_PUBLISHED_PROC(ShowCursor, ShowCurso, (void), ())
#endif
/* Names of GDI32. */
#if defined(__cplusplus) || !defined(_WINGDI_)
ZEL_PUBLISHED_FUNC(Boolean, EqualRgn, EqualRg, (RgnHandle a, RgnHandle b), (a, b))
ZEL_PUBLISHED_PROC(FillRgn, FillRg, (RgnHandle rgn, const Pattern *pat), (rgn, pat))
ZEL_PUBLISHED_PROC(FrameRgn, FrameRg, (RgnHandle rgn), (rgn))
ZEL_PUBLISHED_PROC(InvertRgn, InvertRg, (RgnHandle rgn), (rgn))
ZEL_PUBLISHED_PROC(OffsetRgn, OffsetRg, (RgnHandle rgn, int16_t dh, int16_t dv), (rgn, dh, dv))
ZEL_PUBLISHED_PROC(PaintRgn, PaintRg, (RgnHandle rgn), (rgn))
ZEL_PUBLISHED_PROC(SetRectRgn, SetRectRg, (RgnHandle rgn, int16_t left, int16_t top, int16_t right, int16_t bottom),
                   (rgn, left, top, right, bottom))
ZEL_PUBLISHED_FUNC(Boolean, GetPixel, GetPixe, (int16_t h, int16_t v), (h, v))
ZEL_PUBLISHED_PROC(LineTo, LineT, (int16_t h, int16_t v), (h, v))
#endif
/* A name USER32 spells as a macro (DrawTextA or DrawTextW). */
ZEL_PUBLISHED_PROC_AW(DrawText, DrawTex, (const void *textBuf, int16_t firstByte, int16_t byteCount),
                      (textBuf, firstByte, byteCount))
#if !defined(DrawText) && (defined(__cplusplus) || !defined(_WINUSER_))
ZEL_PUBLISHED_PROC(DrawText, DrawTex, (const void *textBuf, int16_t firstByte, int16_t byteCount),
                   (textBuf, firstByte, byteCount))
#endif
/* A name of the print spooler's header, a macro there. */
ZEL_PUBLISHED_PROC_AW(SetPort, SetPor, (GrafPtr port), (port))
#if !defined(SetPort) && (defined(__cplusplus) || !defined(_WINSPOOL_))
ZEL_PUBLISHED_PROC(SetPort, SetPor, (GrafPtr port), (port))
#endif


/* Earlier names of renamed calls. */
#ifndef TOLVADEX_BUILDING
#define DisposCCursor DisposeCCursor
#define DisposCIcon DisposeCIcon
#define DisposCTable DisposeCTable
#define DisposGDevice DisposeGDevice
#define DisposPixMap DisposePixMap
#define DisposPixPat DisposePixPat
#define DisposRgn DisposeRgn
#endif


/* The Mac-prefixed names of the later interfaces, for calls whose plain names Windows also uses. */
#ifndef TOLVADEX_BUILDING
#define MacSetPort SetPor
#define MacFrameRect FrameRec
#define MacFillRect FillRec
#define MacInvertRect InvertRec
#define MacSetRect SetRec
#define MacOffsetRect OffsetRec
#define MacInsetRect InsetRec
#define MacUnionRect UnionRec
#define MacEqualRect EqualRec
#define MacPtInRect PtInRec
#define MacFrameRgn FrameRg
#define MacFillRgn FillRg
#define MacInvertRgn InvertRg
#define MacPaintRgn PaintRg
#define MacOffsetRgn OffsetRg
#define MacInsetRgn InsetRg
#define MacUnionRgn UnionRg
#define MacXorRgn XorRg
#define MacEqualRgn EqualRg
#define MacCopyRgn CopyRg
#define MacSetRectRgn SetRectRg
#define MacLineTo LineT
#define MacGetCursor GetCurso
#define MacSetCursor SetCurso
#define MacShowCursor ShowCurso
#define MacDrawText DrawTex
#endif


/* Accessors of the later interfaces for the port records, regions and QuickDraw globals. A colour and a
   black-and-white port keep their rectangle and regions at the same offsets; the globals are the
   program's own qd when it defines one, else the library's. */
#ifndef TOLVADEX_BUILDING
ZEL_INLINE Rect *GetPortBounds(CGrafPtr port, Rect *rect) { *rect = ((GrafPtr)port)->portRect; return rect; }
ZEL_INLINE RgnHandle GetPortVisibleRegion(CGrafPtr port, RgnHandle visRgn)
{
    CopyRg(((GrafPtr)port)->visRgn, visRgn);
    return visRgn;
}
ZEL_INLINE RgnHandle GetPortClipRegion(CGrafPtr port, RgnHandle clipRgn)
{
    CopyRg(((GrafPtr)port)->clipRgn, clipRgn);
    return clipRgn;
}
ZEL_INLINE Boolean IsPortColor(CGrafPtr port) { return ((GrafPtr)port)->portBits.rowBytes < 0; }
ZEL_INLINE PixMapHandle GetPortPixMap(CGrafPtr port) { return port->portPixMap; }
ZEL_INLINE const BitMap *GetPortBitMapForCopyBits(CGrafPtr port) { return &((GrafPtr)port)->portBits; }
ZEL_INLINE int16_t GetPortTextFont(CGrafPtr port) { return ((GrafPtr)port)->txFont; }
ZEL_INLINE int16_t GetPortTextSize(CGrafPtr port) { return ((GrafPtr)port)->txSize; }
ZEL_INLINE Style GetPortTextFace(CGrafPtr port) { return ((GrafPtr)port)->txFace; }
ZEL_INLINE Point *GetPortPenSize(CGrafPtr port, Point *penSize) { *penSize = ((GrafPtr)port)->pnSize; return penSize; }
ZEL_INLINE Point *GetPortPenLocation(CGrafPtr port, Point *penLocation)
{
    *penLocation = ((GrafPtr)port)->pnLoc;
    return penLocation;
}
/* Every drawing call reaches the screen before it returns: there is no buffer to flush. */
ZEL_INLINE void QDFlushPortBuffer(CGrafPtr port, RgnHandle region) { (void)port; (void)region; }
ZEL_INLINE Rect *GetRegionBounds(RgnHandle region, Rect *bounds) { *bounds = (**region).rgnBBox; return bounds; }
ZEL_INLINE Rect *GetPixBounds(PixMapHandle pixMap, Rect *bounds) { *bounds = (**pixMap).bounds; return bounds; }
ZEL_INLINE CGrafPtr GetQDGlobalsThePort(void) { return (CGrafPtr)qd.thePort; }
ZEL_INLINE BitMap *GetQDGlobalsScreenBits(BitMap *screenBits) { *screenBits = qd.screenBits; return screenBits; }
ZEL_INLINE Cursor *GetQDGlobalsArrow(Cursor *arrow) { *arrow = qd.arrow; return arrow; }
ZEL_INLINE Pattern *GetQDGlobalsDarkGray(Pattern *dkGray) { *dkGray = qd.dkGray; return dkGray; }
ZEL_INLINE Pattern *GetQDGlobalsLightGray(Pattern *ltGray) { *ltGray = qd.ltGray; return ltGray; }
ZEL_INLINE Pattern *GetQDGlobalsGray(Pattern *gray) { *gray = qd.gray; return gray; }
ZEL_INLINE Pattern *GetQDGlobalsBlack(Pattern *black) { *black = qd.black; return black; }
ZEL_INLINE Pattern *GetQDGlobalsWhite(Pattern *white) { *white = qd.white; return white; }
ZEL_INLINE int32_t GetQDGlobalsRandomSeed(void) { return qd.randSeed; }
ZEL_INLINE void SetQDGlobalsRandomSeed(int32_t randomSeed) { qd.randSeed = randomSeed; }
#endif

#endif

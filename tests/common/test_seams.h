// Library calls the test programs use that are no part of the host interface: the DLL exports them by
// ordinal only, and the import library binds them so.
#pragma once

#include <windows.h>
#include "Quickdraw.h"
#include "Serial.h"

// Opens a colour port that draws into the given DC (which the port does not own).
ZEL_API void ZEL_CALL OpenPortForHDC(CGrafPtr port, HDC dc);
// The brush the current port's pattern of `kind` (0 pen, 1 background, 2 fill) draws with, the DC's
// colours set for it; selected into the port's DC when `select` is nonzero.
ZEL_API HBRUSH ZEL_CALL SelectPortPatternBrush(int16_t kind, int16_t select);
// Before the Thread Manager's first call: run its threads on the library's own stacks instead of fibers.
ZEL_API OSErr ZEL_CALL SelectStackSwitcher(Boolean useStacks);
// Lets plain (all-foreground or all-background) patterns be filled with a solid brush, or makes them
// go through their one-bit pattern brush; answers the previous setting.
ZEL_API Boolean ZEL_CALL SelectPlainPatternFills(Boolean solid);
// Turns (0, 90, 180, 270) and mirrors (bit 0 horizontally, bit 1 vertically) the current port about a
// pivot.
ZEL_API void ZEL_CALL SetPortTurn(int16_t rotation, uint16_t mirror, int16_t pivotH, int16_t pivotV);
// Grows the text scratch buffers when `grow` is positive, then reports them and answers their capacity.
ZEL_API int32_t ZEL_CALL TextScratchBuffers(int32_t grow, Ptr *bytes, Ptr *longs);
// GetCPixel reads through a bitmap compatible with the DC and decodes its bits while on (the route of
// Windows other than NT); answers the previous setting.
ZEL_API Boolean ZEL_CALL SelectCompatiblePixelRoute(Boolean on);
// Figures drawn from points are painted by joining their region to the DC's clip for one blit while on,
// through PaintRgn of the region while off; answers the previous setting.
ZEL_API Boolean ZEL_CALL SelectClipFillRoute(Boolean on);
// The Windows cursor the library set last (SetCursor, SetCCursor, InitCursor).
ZEL_API HCURSOR ZEL_CALL LastAppliedCursor(void);
// The Menu Manager's item-table key of the item being drawn, measured or sized; a non-negative `set`
// replaces it. Answers the previous key.
ZEL_API int32_t ZEL_CALL MenuOwnerDrawKey(int32_t set);
// While on, new handle data get pages of their own with the last byte flush against a no-access page,
// so that a read or write past a handle's end faults at once (sub-allocation is skipped meanwhile);
// answers the previous setting.
ZEL_API Boolean ZEL_CALL GuardHandleData(Boolean on);
// The installed-font list and the font map: node and map row `index` (the record's first part, or empty
// past the end) and the search for a font number at a size (the node found and its chosen size entry);
// answers the node count.
struct FontListReport {
    int16_t nodeCount, mapRowCount;
    int32_t firstUnmappedNumber;
    // Node `index` of the list (empty past its end).
    char name[64];
    char faceName[32];
    int16_t numbers[8];
    uint8_t pitchAndFamily, charSet;
    uint16_t fontType;
    int16_t sizeCount;
    int16_t pixelSizes[32];
    // Map row `index` (number -1 and empty strings past the map's end).
    int16_t rowNumber;
    uint8_t rowPitchAndFamily;
    char rowName[64];
    char rowFaces[128];
    // The search for a font number and size: the index of the node found (-1 none), its family byte
    // and face, and the size entry chosen (its pixel size and LOGFONT height).
    int16_t foundIndex;
    uint8_t foundPitchAndFamily;
    char foundFace[32];
    int16_t chosenPixelSize;
    int32_t chosenHeight;
};
ZEL_API int16_t ZEL_CALL FontListSeam(int16_t index, int16_t number, int16_t size, FontListReport *report);
// Frees the font tables and loads the font map and the installed-font list again.
ZEL_API void ZEL_CALL ReloadFontTables(void);
// A memory DC answers as the printer's DC, with the given band scaling shifts; NULL ends it.
ZEL_API void ZEL_CALL SelectTestPrinterDC(HDC dc, int16_t hShift, int16_t vShift);
// A BITMAPINFO block for a GDI bitmap, filled from `record` when given and from GetDIBits; 1 with the
// block, 0 and nothing to release otherwise. ReleaseBitmapInfo gives it back.
ZEL_API int16_t ZEL_CALL AcquireBitmapInfo(HBITMAP bitmap, const BITMAP *record, HLOCAL *block, BITMAPINFO **info);
ZEL_API void ZEL_CALL ReleaseBitmapInfo(HLOCAL block);
// A source row of an 8, 16 or 32-bit PixMap in Macintosh layout: the row itself, a copy whose pixels
// past `lastReadable` repeat the last readable one, or the row converted from the PixMap's DIB; nil when
// it cannot be had.
ZEL_API const uint8_t *ZEL_CALL FetchSourceRow(const PixMap *pm, const uint8_t *row, uint32_t bytes,
                                               const uint8_t *lastReadable);
// A BitMap or PixMap described to GDI (flags 1 colours, 2 rows, 4 a Windows bitmap, 0x10 the PixMap as it
// stands): the header, rows and colour usage handed to the transfer, `rect` made relative to the rows;
// 1 on success. The blit scratch buffer's size.
ZEL_API int16_t ZEL_CALL PrepareBlitSourceForTest(int16_t flags, const BitMap *bits, Rect *rect, BITMAPINFO **info,
                                                  void **rows, UINT *usage, HBITMAP *bitmap);
ZEL_API uint32_t ZEL_CALL BlitScratchSize(void);
// Writes `area` of a PixMap (nil: all of it) back from a Windows bitmap in which its top-left is at
// `bitmapAt`, in the PixMap's own depth and colours; every other pixel keeps its value.
ZEL_API Boolean ZEL_CALL WriteBackPixMapBitmap(PixMap *pm, HBITMAP bitmap, const Rect *area, Point bitmapAt);
// Whether DIBs of more than 65,535 bytes may be read in bands (library setting 21); answers the previous
// state.
ZEL_API Boolean ZEL_CALL SelectLargeDibReading(Boolean on);
// A bitmap turned a quarter (90 or -90) into a new one; a bitmap mirrored left to right or top to
// bottom in place; two pixel values of a 4- or 8-bit bitmap exchanged (under a mask's set bits).
ZEL_API HBITMAP ZEL_CALL RotateBitsBitmap90(PixMapHandle pm, int16_t angle, const BITMAP *record, HBITMAP bitmap);
ZEL_API Boolean ZEL_CALL FlipBitsBitmap(PixMapHandle pm, Boolean horizontal, const BITMAP *record, HBITMAP bitmap);
ZEL_API Boolean ZEL_CALL SwapBitmapColors(HDC dc, HBITMAP bitmap, const BITMAP *record, uint8_t a, uint8_t b);
ZEL_API Boolean ZEL_CALL SwapBitmapColorsMasked(HDC dc, const BitMap *mask, HBITMAP bitmap, const BITMAP *record,
                                                uint8_t a, uint8_t b);
// The PixMap of a live slot of the port-bits table (application bits bound to a bitmap), nil for any
// other index.
ZEL_API PixMapHandle ZEL_CALL GetPortBitsSlotPixMap(int16_t slot);
// CopyBits' blit primitives: the view of a BitMap or PixMap argument (nil for a depth it cannot
// describe), the DC a small baseAddr names, blits and DIB transfers in a transfer mode (36 transparent:
// the destination stays where the source shows its DC's, or for a DIB the current port's, background
// colour), and a rectangle of a DC grabbed into a temporary PixMap holding a Windows bitmap.
ZEL_API PixMap *ZEL_CALL GetPixMapView(const BitMap *bits, PixMap *view);
ZEL_API HDC ZEL_CALL GetBitsDC(Ptr baseAddr);
ZEL_API BOOL ZEL_CALL BitBltOrStretch(HDC dst, int x, int y, int w, int h, HDC src, int sx, int sy, int sw, int sh,
                                      DWORD rop);
ZEL_API BOOL ZEL_CALL BlitDcWithMode(HDC dst, int x, int y, int w, int h, HDC src, int sx, int sy, int sw, int sh,
                                     int16_t mode, DWORD rop);
ZEL_API int ZEL_CALL StretchDibWithMode(HDC dc, int x, int y, int w, int h, int sx, int sy, int sw, int sh,
                                        const void *bits, BITMAPINFO *info, UINT usage, int16_t mode, DWORD rop);
ZEL_API PixMapHandle ZEL_CALL GrabScreenBits(const PixMap *view, Point topLeft, Point botRight, HDC dc);
// The DIB engine: loaded again as for a platform (0 the session's, 1 Windows NT, 2 Windows 95, 3 Win32s
// through "wing.dll"), answering the kind loaded; and an engine DIB section given to a PixMap (FALSE,
// the PixMap unchanged, when it cannot be made).
ZEL_API int16_t ZEL_CALL LoadDibEngineForPlatform(int16_t platform);
ZEL_API Boolean ZEL_CALL AttachDibSection(PixMap *map, int16_t width, int16_t height);
// The serial driver's mapping of a serConfig word (shk nil) or of handshake options for a reference
// number onto a port state, as SerReset and SerHShake apply it.
ZEL_API void ZEL_CALL MapSerialSettings(int16_t refNum, uint16_t serConfig, const SerShk *shk, DCB *dcb);
// Calls the WinTab wrapper of an ordinal with up to six arguments (ordinal 0 unloads the library; an
// ordinal without a wrapper is only looked up). *state: bit 0 the library loaded, bit 1 the ordinal table
// made, from bit 8 the table's filled slots.
ZEL_API uint32_t ZEL_CALL CallWinTabOrdinal(int16_t ordinal, const uint32_t *args, uint32_t *state);
// The Windows handle behind a serial reference number, or NULL.
ZEL_API HANDLE ZEL_CALL SerialPortHandle(int16_t refNum);

// Puts a recording double in place of the multimedia MIDI calls (or the real ones back) and empties its
// log; answers the previous choice. The double opens every device, handing out numbered handles.
ZEL_API Boolean ZEL_CALL SelectMidiDeviceDouble(Boolean on);
// The double's log, oldest first: {call, handle, value} triples, call 1 midiOutOpen (value: device),
// 2 midiOutShortMsg (the message), 3 midiOutClose, 4 midiOutReset, 5 midiInOpen (value: the callback's
// instance), 6 midiInStart, 7 midiInReset, 8 midiInClose. Moves up to `capacity` triples, empties the
// log and answers how many were moved.
ZEL_API int32_t ZEL_CALL TakeMidiDeviceCalls(uint32_t *calls, int32_t capacity);
// Runs one step of the MIDI pattern sequencer on a sequencer interface record, on the caller's thread.
ZEL_API void ZEL_CALL RunMidiSequencerStep(void *interfaceRecord);
// The kind the keyboard and command glue give a child window by its window procedure (0xFFFF for none
// of the library's); `isEdit` tells an edit control from a scroll bar.
ZEL_API uint16_t ZEL_CALL LibraryControlKindOf(HWND control, Boolean *isEdit);
// The six bytes and NUL a custom control's window text carries for its handle, and back.
ZEL_API void ZEL_CALL EncodeControlHandleText(uint32_t handle, char *text);
ZEL_API uint32_t ZEL_CALL DecodeControlHandleText(const char *text);
// The screen resolution the Dialog Manager scales dialogs to (otherwise read once from the screen).
ZEL_API void ZEL_CALL SetDialogScreenResolution(int16_t dpiX, int16_t dpiY);
// Closes the drop-down list of the focused library combo box unless that box is `unaffected`; true when
// one was open.
ZEL_API Boolean ZEL_CALL CloseFocusedComboList(HWND unaffected);
// Binds a library standing in for "CTL3D32.DLL" by its ordinals (its registration runs); NULL unbinds
// the one bound.
ZEL_API BOOL ZEL_CALL BindThreeDLibrary(HMODULE library);
// The picture font maps held: the current one and those saved under it by nested pictures.
ZEL_API int32_t ZEL_CALL PictFontMapDepthForTest(void);
// The number of live handles (master pointers in use).
ZEL_API int32_t ZEL_CALL LiveHandleCount(void);
// Replaces the session's Windows version word ((minor << 4) | major): the List Manager's Windows 3
// branches read it. Answers the previous word.
ZEL_API uint16_t ZEL_CALL SetSessionVersionWord(uint16_t word);
// The pixel conversion engine on its own: srcRect of src into dstRect of dst with the full rectangles
// (nil: the rectangles given) that set the scale, colourising with `colorize`.
ZEL_API void ZEL_CALL ConvertPixelsForTest(const PixMap *src, PixMap *dst, const Rect *srcRect, const Rect *dstRect,
                                           const Rect *fullSrc, const Rect *fullDst, int16_t mode, CTabHandle srcCT,
                                           CTabHandle dstCT, RgnHandle mask, int16_t colorize);
// The engine's pattern-tile mode: its source becomes a tile of width x height pixels; nil, 0, 0, 0 ends it.
ZEL_API void ZEL_CALL SelectPatternTile(const void *base, int32_t rowBytes, int32_t height, int32_t width);
// Bytes held by the engine's cached row buffers.
ZEL_API uint32_t ZEL_CALL PixelEngineBufferBytes(void);
// Picture comments on the printer: the print job stands in with the given PostScript flag and scaling
// (the printer's DC is SelectTestPrinterDC's), and PostScript goes to a buffer instead of Escape.
ZEL_API void ZEL_CALL SelectTestPostScriptPrinter(Boolean on, Boolean postScript, int16_t scalePercent, Boolean scaleOn);
// Moves the PostScript sent so far into `buffer` (NUL-terminated) and answers its length.
ZEL_API int32_t ZEL_CALL TakeTestPostScript(char *buffer, int32_t capacity);
// The hilite code's map from the library palette's entries to system-palette indices: at most `capacity`
// entries copied, its entry count answered (0 without a map). RefuseHiliteSwaps makes every hilite
// exchange fail, as on a depth it cannot exchange, answering the previous choice.
ZEL_API int16_t ZEL_CALL CopyPaletteIndexMap(uint16_t *entries, int16_t capacity);
ZEL_API Boolean ZEL_CALL RefuseHiliteSwaps(Boolean refuse);
// A DIB PixMap for a rectangle like `like` (nil: the device's PixMap), with a DC of its own when asked, and
// its disposal.
ZEL_API PixMapHandle ZEL_CALL NewDibPixMapForTest(const Rect *rect, const PixMap *like, Boolean wantDC);
ZEL_API void ZEL_CALL DisposeDibPixMapForTest(PixMapHandle pm);
// Shapes drawn through the shape mask so far.
ZEL_API uint32_t ZEL_CALL ShapesDrawnThroughMask(void);
// One row of one-bit pixels moved: count bits from bit srcBit of src to bit dstBit of dst, replacing (mode 0) or or-ing (1).
ZEL_API void ZEL_CALL ShiftedRowMergeForTest(const uint8_t *src, uint8_t *dst, int32_t srcBit, int32_t dstBit,
                                             int32_t count, int32_t mode);
// Offscreen drawing scales its final blit from `from` onto `to` as under a print job (nil: no scaling).
ZEL_API void ZEL_CALL SelectTestPrintScaling(const Rect *from, const Rect *to);
// The International Utilities' locale state and records built again from the locale and WIN.INI "intl".
ZEL_API void ZEL_CALL ReloadInternationalState(void);
// The Printing Manager's live printer state entries and the information context of the printer (nil
// when none is kept).
ZEL_API int32_t ZEL_CALL PrinterStateEntries(HDC *infoContext);
// The Printing Manager's printer calls, as a double replaces them (the library's own table has this
// layout).
struct PrintDeviceCalls {
    int(WINAPI *getDeviceCaps)(HDC dc, int index);
    int(WINAPI *escape)(HDC dc, int escape, int inputSize, LPCSTR input, LPVOID output);
    int(WINAPI *startDoc)(HDC dc, const DOCINFOA *info);
    int(WINAPI *startPage)(HDC dc);
    int(WINAPI *endPage)(HDC dc);
    int(WINAPI *endDoc)(HDC dc);
    int(WINAPI *abortDoc)(HDC dc);
    int(WINAPI *setAbortProc)(HDC dc, ABORTPROC proc);
};
// A double stands in for the printer: its calls replace GDI's and the next documents open on `dc`
// instead of the print record's printer (nil calls: the real printer again).
ZEL_API void ZEL_CALL SelectTestPrintDevice(const PrintDeviceCalls *calls, HDC dc);
// The open document's printer flags (1 monochrome, 2 colour, 4 PostScript, 8 banding; 0 outside one) and
// QuickDraw's solid black-and-white brushes flag (0x10), which `solidBrushes` 0 or 1 sets first as the
// screen probe would (-1 leaves it).
ZEL_API int32_t ZEL_CALL PrintJobFlags(int32_t solidBrushes);

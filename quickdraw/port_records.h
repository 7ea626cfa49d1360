// The library's own records behind every port: the coordinate transform and the PortDCRecord that
// holds a port's device context and its cached GDI state. No host interface hands them out.
#pragma once

#include <cstddef>
#include "Quickdraw.h"

#pragma pack(push, 2)

// An (h, v) pair of the port transform.
typedef struct XformPair {
    int16_t h;
    int16_t v;
} XformPair;

// The transform from port to device coordinates, with the pen already in device units.
typedef struct PortXform {
    uint32_t offsetActive;
    uint32_t scaleActive;
    XformPair srcExtent;
    XformPair srcOrigin;
    XformPair pivot;
    int16_t rotation;
    uint16_t mirror;
    XformPair dstExtent;
    XformPair dstOrigin;
    Point devPenLoc;
    Point devPenSize;
} PortXform;

// What the library needs to draw a port with GDI: one record per open port, in the PortDCTable.
typedef struct PortDCRecord {
    uint16_t flags;
    GrafPtr port;
    HWND hwnd;
    HDC hdc;
    PortXform xform;
    uint16_t rop2Wanted;
    uint16_t rop2Set;
    uint16_t penBkModeWanted;
    uint16_t textBkModeWanted;
    uint16_t bkModeSet;
    uint16_t penState;
    HPEN hpen;
    HBRUSH hbrush;
    RGBColor foreRGB;
    RGBColor backRGB;
    uint16_t penPatState;
    uint16_t polyPointCount;
    uint32_t penNeedsEmulation;
    uint32_t clipEmpty;
    uint16_t picOvalWidth;
    uint16_t picOvalHeight;
    uint32_t fontDirty;
    HFONT hfont;
    COLORREF foreColorRef;
    COLORREF foreColorRefSet;
    COLORREF backColorRef;
    COLORREF backColorRefSet;
    uint32_t drawEnabled;
    uint16_t penStyle;
    uint16_t penStyleSet;
    uint8_t depth;
    uint8_t thinPen;
    uint32_t lineWidthActive;
    Fixed lineWidth;
    uint8_t textMetrics[53]; // TEXTMETRICA of hfont
    uint8_t textMetricsPad;
    int16_t brushAlign;
    int16_t brushOrg[2];             // x, y
    uint32_t offscreenActive;
    int16_t offscreenShift[2];       // h, v
    int16_t offscreenSavedOrigin[2]; // portRect.left, portRect.top
    PixPatHandle ownPenPixPat;
    PixPatHandle ownBackPixPat;
    PixPatHandle ownFillPixPat;
    HBRUSH brushKey;
    RGBColor brushFore;
    RGBColor brushBack;
    Pattern brushPattern;
    uint16_t brushFlags;
    uint16_t textFlags;              // textFlag* bits of the bound font and the text mode
    uint8_t drawingOwnerItem;        // 1 while an owner-drawn child of the port's window is drawn on it
    uint8_t reserved[5];
} PortDCRecord;

// PortDCRecord flags.
enum {
    portDCColor = 0x0002,
    portDCOwnsDC = 0x0004,
    portDCPrinter = 0x0008,
    portDCDialogFont = 0x0010,
    portDCWindow = 0x0020,
    portDCPaletteDib = 0x0080
};

// PortDCRecord textFlags.
enum {
    textFlagOutline = 0x0001,       // the bound font is a vector or TrueType font
    textFlagExtended = 0x0040,      // extended-text mode
    textFlagShiftJis = 0x0100,      // the bound font's character set is Shift-JIS
    textFlagExtendedMode2 = 0x0200  // extended mode 2
};

// The PortDCTable: 256 entries; entry 0 belongs to the Window Manager port.
enum { portDCTableSize = 256 };

#pragma pack(pop)

static_assert(sizeof(PortXform) == 40, "the port transform is 40 bytes");
static_assert(offsetof(PortXform, devPenLoc) == 32, "devPenLoc at 32 of the transform");
static_assert(offsetof(PortDCRecord, hdc) == 10, "hdc at 10");
static_assert(offsetof(PortDCRecord, xform) == 14, "the transform at 14");
static_assert(offsetof(PortDCRecord, rop2Wanted) == 54, "rop2Wanted at 54");
static_assert(offsetof(PortDCRecord, hpen) == 66, "hpen at 66");
static_assert(offsetof(PortDCRecord, foreRGB) == 74, "foreRGB at 74");
static_assert(offsetof(PortDCRecord, penNeedsEmulation) == 90, "penNeedsEmulation at 90");
static_assert(offsetof(PortDCRecord, fontDirty) == 102, "fontDirty at 102");
static_assert(offsetof(PortDCRecord, foreColorRef) == 110, "foreColorRef at 110");
static_assert(offsetof(PortDCRecord, drawEnabled) == 126, "drawEnabled at 126");
static_assert(offsetof(PortDCRecord, depth) == 134, "depth at 134");
static_assert(offsetof(PortDCRecord, lineWidth) == 140, "lineWidth at 140");
static_assert(offsetof(PortDCRecord, textMetrics) == 144, "textMetrics at 144");
static_assert(offsetof(PortDCRecord, brushAlign) == 198, "brushAlign at 198");
static_assert(offsetof(PortDCRecord, offscreenActive) == 204, "offscreenActive at 204");
static_assert(offsetof(PortDCRecord, ownPenPixPat) == 216, "ownPenPixPat at 216");
static_assert(offsetof(PortDCRecord, brushKey) == 228, "brushKey at 228");
static_assert(offsetof(PortDCRecord, brushFlags) == 252, "brushFlags at 252");
static_assert(offsetof(PortDCRecord, textFlags) == 254, "textFlags at 254");
static_assert(sizeof(PortDCRecord) == 262, "PortDCRecord is 262 bytes");

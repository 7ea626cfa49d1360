/* The Device Manager's driver calls: the serial drivers (.AIn -6, .AOut -7, .BIn -8, .BOut -9) and the
   pen-tablet driver (.Wacom, 1), whose status record Status hands out with code 20. */
#ifndef TOLVADEX_DEVICES_H
#define TOLVADEX_DEVICES_H
#define __DEVICES__

#include "MacTypes.h"

enum {
    tabletRefNum = 1,
    tabletStatusCode = 20
};

#pragma pack(push, 2)
typedef struct TabletButton {
    uint16_t kind;     /* 1 */
    uint16_t reserved; /* 0 */
} TabletButton;

/* The pen tablet's status: one record shared with the application, filled by each sample. */
typedef struct TabletRecord {
    Byte reserved0[4];
    int16_t reserved4;
    int16_t reserved6;
    int32_t reserved8[7];
    char signature[4];         /* "TLBT" */
    Byte stateFlags;           /* 6 when open; 0x30 while the eraser end is in proximity */
    Byte capabilities;         /* 0x22 when the device reports tilt */
    int16_t pressureLevels;    /* 0 when pressure is not reported */
    int16_t reserved44[4];
    Byte sampleState;          /* 0 none, 128 pen in proximity, 160 mouse sample */
    Byte deviceKind;           /* 2 */
    int16_t reserved54;
    int16_t reserved56;
    uint16_t buttons;          /* bit 0: the first button is down */
    int16_t reserved60;
    int16_t pressure;          /* 0 .. pressureLevels - 1 */
    uint32_t sampleCount;      /* mouse samples: the sample's tick count */
    int32_t x;
    int32_t y;
    int32_t reserved76;
    int16_t tiltX;             /* degrees; negated for the eraser */
    int16_t tiltY;
    int32_t reserved84;
    int16_t extentX;           /* the tablet's input extent, or the screen's size without one */
    int16_t extentY;
    int16_t screenLeft;        /* the screen area of the tablet context */
    int16_t screenTop;
    int16_t screenRight;
    int16_t screenBottom;
    TabletButton *buttonTable; /* six entries */
    int16_t field104;          /* 4 */
    int16_t reserved106;
    uint32_t startTicks;       /* tick count when sampling started */
} TabletRecord;
#pragma pack(pop)

ZEL_STATIC_ASSERT(sizeof(TabletRecord) == 112, "TabletRecord is 112 bytes");
ZEL_STATIC_ASSERT(offsetof(TabletRecord, signature) == 36, "signature at 36");
ZEL_STATIC_ASSERT(offsetof(TabletRecord, stateFlags) == 40, "stateFlags at 40");
ZEL_STATIC_ASSERT(offsetof(TabletRecord, capabilities) == 41, "capabilities at 41");
ZEL_STATIC_ASSERT(offsetof(TabletRecord, pressureLevels) == 42, "pressureLevels at 42");
ZEL_STATIC_ASSERT(offsetof(TabletRecord, sampleState) == 52, "sampleState at 52");
ZEL_STATIC_ASSERT(offsetof(TabletRecord, deviceKind) == 53, "deviceKind at 53");
ZEL_STATIC_ASSERT(offsetof(TabletRecord, buttons) == 58, "buttons at 58");
ZEL_STATIC_ASSERT(offsetof(TabletRecord, pressure) == 62, "pressure at 62");
ZEL_STATIC_ASSERT(offsetof(TabletRecord, sampleCount) == 64, "sampleCount at 64");
ZEL_STATIC_ASSERT(offsetof(TabletRecord, x) == 68, "x at 68");
ZEL_STATIC_ASSERT(offsetof(TabletRecord, y) == 72, "y at 72");
ZEL_STATIC_ASSERT(offsetof(TabletRecord, tiltX) == 80, "tiltX at 80");
ZEL_STATIC_ASSERT(offsetof(TabletRecord, tiltY) == 82, "tiltY at 82");
ZEL_STATIC_ASSERT(offsetof(TabletRecord, extentX) == 88, "extentX at 88");
ZEL_STATIC_ASSERT(offsetof(TabletRecord, extentY) == 90, "extentY at 90");
ZEL_STATIC_ASSERT(offsetof(TabletRecord, screenLeft) == 92, "screenLeft at 92");
ZEL_STATIC_ASSERT(offsetof(TabletRecord, screenBottom) == 98, "screenBottom at 98");
ZEL_STATIC_ASSERT(offsetof(TabletRecord, buttonTable) == 100, "buttonTable at 100");
ZEL_STATIC_ASSERT(offsetof(TabletRecord, field104) == 104, "field104 at 104");
ZEL_STATIC_ASSERT(offsetof(TabletRecord, startTicks) == 108, "startTicks at 108");

/* Opens a driver by name (case and diacritics ignored) and sets *refNum (0 on failure); -26 for an
   unknown name. */
ZEL_API OSErr ZEL_CALL OpenDrive(ConstStr255Param name, int16_t *refNum);
/* 1 closes the tablet; a serial number closes its port for the pair. */
ZEL_API OSErr ZEL_CALL CloseDrive(int16_t refNum);
/* The tablet (1) answers 0; any other number -21. */
ZEL_API OSErr ZEL_CALL Control(int16_t refNum, int16_t csCode, Ptr csParam);
/* Status (1, 20, csParam) stores the address of the TabletRecord at csParam; anything else -21. */
ZEL_API OSErr ZEL_CALL Status(int16_t refNum, int16_t csCode, Ptr csParam);
ZEL_API OSErr ZEL_CALL PBStatus(void *paramBlock, Boolean async);
ZEL_API void *ZEL_CALL GetDCtlEntry(int16_t refNum);
ZEL_API Boolean ZEL_CALL SetChooserAlert(Boolean alertOn);

/* The published names of OpenDrive and CloseDrive; the multimedia system's header declares its own
   driver calls under them. */
#if defined(__cplusplus) || !defined(_INC_MMSYSTEM)
ZEL_PUBLISHED_FUNC(OSErr, OpenDriver, OpenDrive, (ConstStr255Param name, int16_t *refNum), (name, refNum))
ZEL_PUBLISHED_FUNC(OSErr, CloseDriver, CloseDrive, (int16_t refNum), (refNum))
#endif

#endif

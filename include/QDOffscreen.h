/* Offscreen graphics worlds: colour ports that draw into Windows bitmaps instead of a window. */
#ifndef TOLVADEX_QDOFFSCREEN_H
#define TOLVADEX_QDOFFSCREEN_H
#define __QDOFFSCREEN__

#include "Quickdraw.h"

/* A GWorld is a colour port (portVersion 0xE000) followed by the graphics device it was made for. */
typedef CGrafPtr GWorldPtr;
typedef uint32_t GWorldFlags;

/* GWorldFlags: NewGWorld honours noNewDevice (the world shares one memory DC with the other worlds made
   with it); the pixel state holds pixelsPurgeable and pixelsLocked. */
enum {
    noNewDevice = 0x00000002,
    pixelsPurgeable = 0x00000040,
    pixelsLocked = 0x00000080
};

ZEL_API OSErr ZEL_CALL NewGWorld(GWorldPtr *offscreenGWorld, int16_t pixelDepth, const Rect *boundsRect,
                                 CTabHandle cTable, GDHandle aGDevice, GWorldFlags flags);
ZEL_API void ZEL_CALL DisposeGWorld(GWorldPtr offscreenGWorld);
ZEL_API void ZEL_CALL GetGWorld(CGrafPtr *port, GDHandle *gdh);
ZEL_API void ZEL_CALL SetGWorld(CGrafPtr port, GDHandle gdh);
ZEL_API PixMapHandle ZEL_CALL GetGWorldPixMap(GWorldPtr offscreenGWorld);
/* Answers nil. */
ZEL_API GDHandle ZEL_CALL GetGWorldDevice(GWorldPtr offscreenGWorld);
ZEL_API Ptr ZEL_CALL GetPixBaseAddr(PixMapHandle pm);
/* The pixels of a GWorld never move or purge: the state word is one for the whole library. */
ZEL_API Boolean ZEL_CALL LockPixels(PixMapHandle pm);
ZEL_API void ZEL_CALL UnlockPixels(PixMapHandle pm);
ZEL_API void ZEL_CALL AllowPurgePixels(PixMapHandle pm);
ZEL_API void ZEL_CALL NoPurgePixels(PixMapHandle pm);
ZEL_API GWorldFlags ZEL_CALL GetPixelsState(PixMapHandle pm);
ZEL_API void ZEL_CALL SetPixelsState(PixMapHandle pm, GWorldFlags state);
/* Changes nothing and answers 0. */
ZEL_API GWorldFlags ZEL_CALL UpdateGWorld(GWorldPtr *offscreenGWorld, int16_t pixelDepth, const Rect *boundsRect,
                                          CTabHandle cTable, GDHandle aGDevice, GWorldFlags flags);
/* Gives the table a new seed. */
ZEL_API void ZEL_CALL CTabChanged(CTabHandle ctab);
ZEL_API void ZEL_CALL PortChanged(GrafPtr port);
ZEL_API void ZEL_CALL GDeviceChanged(GDHandle gdh);


/* Earlier names of renamed calls. */
#ifndef TOLVADEX_BUILDING
#define DisposGWorld DisposeGWorld
#endif

#endif

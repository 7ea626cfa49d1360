/* Byte order: in-place conversion between the big-endian order of Macintosh data (resource forks,
   resource data, pictures) and the little-endian order of the library and its host, the big-endian
   getters, the Macintosh/Windows rectangle conversions and the per-type resource byte-swap templates. */
#ifndef TOLVADEX_BYTEORDER_H
#define TOLVADEX_BYTEORDER_H
#define __BYTEORDER__

#include <windef.h>
#include "MacTypes.h"

/* Directions of the resource conversions. */
enum {
    zelSwapToBigEndian = 0, /* native order to the fork's order (writing) */
    zelSwapToNative = 1     /* the fork's order to native order (loading) */
};

/* A byte-swap procedure of the host (the session block's callback) or of a resource file. The host's
   callback receives the index of the type in its type list counted from 0, a file's procedure the
   resource type itself. Under session flag 0x8000 both take the resource ID as a third argument. */
typedef void (ZEL_CALL *ByteSwapProc)(int32_t direction, uint32_t typeOrIndex, int32_t size, void *data);
typedef void (ZEL_CALL *ByteSwapProcWithID)(int32_t direction, uint32_t typeOrIndex, int32_t id, int32_t size,
                                            void *data);

/* In-place primitives on data of any alignment. */
ZEL_API void ZEL_CALL ZEL_ByteSwapWORD(void *p);
ZEL_API void ZEL_CALL ZEL_ByteSwapLONG(void *p);
ZEL_API void ZEL_CALL ZEL_ByteSwapRect(void *p);
ZEL_API void ZEL_CALL ZEL_ByteSwapWORDS(void *p, int32_t byteCount);
ZEL_API void ZEL_CALL ZEL_ByteSwapLONGS(void *p, int32_t byteCount);
ZEL_API void ZEL_CALL ZEL_ByteSwapFLOAT(void *p);
ZEL_API void ZEL_CALL ZEL_ByteSwapFLOATS(void *p, int16_t byteCount);
ZEL_API void ZEL_CALL ZEL_ByteSwapDOUBLE(void *p);
ZEL_API void ZEL_CALL ZEL_ByteSwapEXTENDED(void *p);
ZEL_API void ZEL_CALL ZEL_ByteSwap881(void *p);
ZEL_API void ZEL_CALL ZEL_ByteSwapCLUT(int16_t direction, void *table);
ZEL_API void ZEL_CALL ByteSwapResTypeEntry(void *entry);
ZEL_API void ZEL_CALL ByteSwapResRefEntry(void *entry);

/* Big-endian values read out of a buffer. */
ZEL_API int16_t ZEL_CALL ZEL_GetByteSwapWORD(const void *p);
ZEL_API uint32_t ZEL_CALL ZEL_GetByteSwapLONG(const void *p);
ZEL_API void ZEL_CALL ZEL_GetByteSwapRect(const void *source, Rect *destination);

/* Macintosh Rect (top, left, bottom, right; 16 bits) and Windows RECT (left, top, right, bottom;
   32 bits). */
ZEL_API void ZEL_CALL ZEL_ConvMRtoWR(const Rect *macRect, RECT *winRect);
ZEL_API void ZEL_CALL ZEL_ConvWRtoMR(const RECT *winRect, Rect *macRect);

/* Converts one resource of `size` bytes by its type. Types without a template of their own go to the
   host's callback when its type list names them, else to `fileProc` when set (a ByteSwapProc, or a
   ByteSwapProcWithID under session flag 0x8000). Nothing outside the `size` bytes is read or written. */
ZEL_API void ZEL_CALL ZEL_ByteSwap_Code(int16_t direction, ResType type, int16_t id, int32_t size, void *data,
                                       ProcPtr fileProc);
ZEL_API void ZEL_CALL ZEL_ByteSwap(int16_t direction, ResType type, int16_t id, int32_t size, void *data);

#endif

/* Toolbox utilities: bits of memory, 32-bit words, points, PackBits, resource shortcuts and the screen
   resolution. */
#ifndef TOLVADEX_TOOLUTILS_H
#define TOLVADEX_TOOLUTILS_H
#define __TOOLUTILS__

#include "FixMath.h"
#include "Quickdraw.h"

typedef Pattern *PatPtr;
typedef PatPtr *PatHandle;

/* Bit n of the area at p: byte n / 8 from p, most significant bit first. */
ZEL_API Boolean ZEL_CALL BitTst(const void *bytePtr, int32_t bitNum);
ZEL_API void ZEL_CALL BitSet(void *bytePtr, int32_t bitNum);
ZEL_API void ZEL_CALL BitClr(void *bytePtr, int32_t bitNum);
ZEL_API int32_t ZEL_CALL BitAnd(int32_t value1, int32_t value2);
ZEL_API int32_t ZEL_CALL BitOr(int32_t value1, int32_t value2);
ZEL_API int32_t ZEL_CALL BitXor(int32_t value1, int32_t value2);
/* Left for a positive count, arithmetically right for a negative one (counts taken mod 32). */
ZEL_API int32_t ZEL_CALL BitShift(int32_t value, int16_t count);
ZEL_API int16_t ZEL_CALL HiWord(int32_t x);
ZEL_API int16_t ZEL_CALL LoWord(int32_t x);
/* (a.v - b.v) in the high word, (a.h - b.h) in the low word. */
ZEL_API int32_t ZEL_CALL DeltaPoint(Point ptA, Point ptB);
ZEL_API void ZEL_CALL ScreenRes(int16_t *scrnHRes, int16_t *scrnVRes);

/* PackBits coding; both pointers are advanced past what was read and written. */
ZEL_API void ZEL_CALL PackBits(Ptr *srcPtr, Ptr *dstPtr, int16_t srcBytes);
ZEL_API void ZEL_CALL HPackBits(Ptr *srcPtr, Ptr *dstPtr, int32_t srcBytes);
ZEL_API void ZEL_CALL UnpackBits(Ptr *srcPtr, Ptr *dstPtr, int16_t dstBytes);
ZEL_API void ZEL_CALL HUnpackBits(Ptr *srcPtr, Ptr *dstPtr, int32_t dstBytes);

ZEL_API Handle ZEL_CALL GetIcon(int16_t iconID);
ZEL_API PatHandle ZEL_CALL GetPattern(int16_t patternID);
ZEL_API PicHandle ZEL_CALL GetPicture(int16_t pictureID);
/* The index-th pattern (from 1) of 'PAT#' patternListID. */
ZEL_API void ZEL_CALL GetIndPattern(Pattern *thePattern, int16_t patternListID, int16_t index);

#endif

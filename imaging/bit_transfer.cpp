// Bit transfer: the standard procedure behind CopyBits.
#include "imaging_services.h"

// PENDING: the bit-transfer work copies through GDI blits, DIB transfers in bands and the scaling paths.
ZEL_EXTERN_C void ZEL_CALL StdBits(const BitMap *, const Rect *, const Rect *, int16_t, RgnHandle) {}

// PENDING: the bit-transfer work copies the source through the mask into the destination.
void CopyMask(const BitMap *, const BitMap *, const BitMap *, const Rect *, const Rect *, const Rect *) {}

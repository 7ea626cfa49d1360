// Regions: the published header followed by a form word. Every region made here is in the rectangle
// form: exactly its bounding box, marked by the rectangle-form sentinel.
#include "quickdraw.h"

#include <initializer_list>

namespace {

// Empty GDI regions whose handles serve only as marks, and a region for temporary rectangles.
HRGN sRectRgnSentinel;
HRGN sMaskRgnSentinel;
HRGN sScratchRgn;
RgnHandle sScratchRegion;

Region &RegionOf(RgnHandle rgn) { return **rgn; }

} // namespace

HRGN RectRgnSentinel() { return sRectRgnSentinel; }

void InitRegionGlobals()
{
    FreeRegionGlobals();
    sRectRgnSentinel = CreateRectRgn(0, 0, 0, 0);
    sScratchRgn = CreateRectRgn(0, 0, 0, 0);
    sMaskRgnSentinel = CreateRectRgn(0, 0, 0, 0);
    sScratchRegion = NewRgn();
}

void FreeRegionGlobals()
{
    if (sScratchRegion)
        DisposeRgn(sScratchRegion);
    sScratchRegion = nullptr;
    for (HRGN *rgn : {&sRectRgnSentinel, &sScratchRgn, &sMaskRgnSentinel}) {
        if (*rgn)
            DeleteObject(*rgn);
        *rgn = nullptr;
    }
}

ZEL_EXTERN_C RgnHandle ZEL_CALL NewRgn(void)
{
    RgnHandle rgn = reinterpret_cast<RgnHandle>(NewHandleClear(sizeof(Region)));
    if (!HandleHasData(rgn))
        return nullptr;
    Region &r = RegionOf(rgn);
    r.rgnSize = 10;
    r.rgnBBox = Rect{0, 0, 0, 0};
    r.rgnForm = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(sRectRgnSentinel));
    return rgn;
}

ZEL_EXTERN_C void ZEL_CALL DisposeRgn(RgnHandle rgn)
{
    if (!HandleHasData(rgn))
        return;
    DisposeHandle(reinterpret_cast<Handle>(rgn));
}

ZEL_EXTERN_C void ZEL_CALL SetRectRg(RgnHandle rgn, int16_t left, int16_t top, int16_t right, int16_t bottom)
{
    if (!HandleHasData(rgn))
        return;
    Region &r = RegionOf(rgn);
    r.rgnSize = 10;
    r.rgnBBox = Rect{top, left, bottom, right};
    r.rgnForm = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(sRectRgnSentinel));
}

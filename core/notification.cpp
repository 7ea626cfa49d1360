// The Notification Manager: a request's small icon is shown in the main window's caption (drawn by the
// frame) until the request is removed. Sounds, strings and response procedures are not used.
#include "core.h"
#include "MacMemory.h"
#include "Notification.h"

#include <algorithm>
#include <cstring>

namespace {

NMRecPtr sRequest;
HBITMAP sIconBitmap;

// The frame is redrawn in place so that it shows (or stops showing) the icon.
void RedrawMainFrame()
{
    if (HWND main = SessionMainWindow())
        SetWindowPos(main, nullptr, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void DeleteIconBitmap()
{
    if (sIconBitmap)
        DeleteObject(sIconBitmap);
    sIconBitmap = nullptr;
}

} // namespace

HBITMAP NotificationIconBitmap() { return sIconBitmap; }

// The icon's first 16 words are its 16 rows of 16 one-bit pixels, in the same bit order as a Windows
// monochrome bitmap. An icon handle shorter than that gives blank rows for what it lacks.
ZEL_EXTERN_C OSErr ZEL_CALL NMInstall(NMRecPtr request)
{
    sRequest = request;
    if (!request || !request->nmIcon)
        return nmTypErr;
    uint8_t rows[32] = {};
    Handle icon = request->nmIcon;
    if (*icon) {
        size_t available = static_cast<size_t>(std::max<Size>(GetHandleSize(icon), 0));
        std::memcpy(rows, *icon, std::min(sizeof rows, available));
    }
    // A second request replaces the first one's icon instead of leaking it.
    DeleteIconBitmap();
    sIconBitmap = CreateBitmap(16, 16, 1, 1, rows);
    RedrawMainFrame();
    return noErr;
}

ZEL_EXTERN_C OSErr ZEL_CALL NMRemove(NMRecPtr)
{
    sRequest = nullptr;
    if (!sIconBitmap)
        return -1;
    DeleteIconBitmap();
    RedrawMainFrame();
    return noErr;
}

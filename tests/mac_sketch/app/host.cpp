// The program's Windows side, in C++: it registers the window classes, makes the main frame window
// that carries the menu bar, keeps the scrap's 'PICT' on the clipboard in a format of its own, starts
// the session and runs the Macintosh program, whose result becomes the exit code.
#include <windows.h>

#include <Types.h>
#include <Memory.h>
#include <Resources.h>
#include <LowMem.h>
#include <QuickDraw.h>
#include <Zel.h>

#include <cstdio>
#include <cstring>

#include <host_glue.h>
#include "sketch.h"

namespace {

constexpr int32_t kPictType = 0x50494354; // 'PICT'
enum : int32_t { kScrapGet = 0, kScrapPut = 1 };
constexpr uint32_t kColourIconMasks = 0x80; // library switch: PlotCIcon uses the icon's mask

UINT PictureFormat()
{
    static const UINT format = RegisterClipboardFormatA("Macintosh PICT");
    return format;
}


// The library asks for the scrap's picture (get) with the clipboard open, or hands it one to put there.
int32_t WINAPI ScrapCallback(int32_t operation, int32_t format, HDC, int32_t destination, int32_t type,
                             int32_t pointer, int32_t cell)
{
    int32_t *answer = reinterpret_cast<int32_t *>(cell);
    if (type != kPictType)
        return 0;
    if (operation == kScrapGet) {
        if (static_cast<UINT>(format) != PictureFormat())
            return 0;
        HGLOBAL global = GetClipboardData(PictureFormat());
        const char *bytes = global ? static_cast<const char *>(GlobalLock(global)) : nullptr;
        if (!bytes)
            return 0;
        const SIZE_T size = GlobalSize(global);
        Handle h = reinterpret_cast<Handle>(destination);
        SetHandleSize(h, static_cast<Size>(size));
        if (MemError() == noErr && size > 0)
            std::memcpy(*h, bytes, size);
        GlobalUnlock(global);
        *answer = MemError() == noErr ? static_cast<int32_t>(size) : memFullErr;
        return 1;
    }
    if (operation == kScrapPut) {
        const int32_t length = *answer;
        HGLOBAL global = GlobalAlloc(GMEM_MOVEABLE, length > 0 ? length : 1);
        if (!global)
            return 0;
        std::memcpy(GlobalLock(global), reinterpret_cast<const void *>(pointer), length > 0 ? length : 0);
        GlobalUnlock(global);
        SetClipboardData(PictureFormat(), global);
        return 1;
    }
    return 0;
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    HWND main = MakeHostMainWindow(instance, "Sketch", 1000, 720);
    if (!OpenHostSession(instance, main, reinterpret_cast<FARPROC>(ScrapCallback)))
        return 0x8000;
    // What the program expects of a Macintosh: DrawPicture leaves the port's pen, text and colours as
    // they were, and colour icons are drawn through their masks.
    ZEL_AllowPictStatePush(1);
    ZEL_SetFlags(0, 0, kColourIconMasks, kColourIconMasks);

    const long status = RunHostProgram(main, RunSketch);
    std::printf("exit %ld\n", status);
    return static_cast<int>(status);
}

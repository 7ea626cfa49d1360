// Scrap Manager: the desk scrap is the Windows clipboard. The library opens and closes the clipboard for
// the host's main window and walks its formats; every conversion between a clipboard format and a scrap
// type is the host's scrap callback's work. All scrap state lives in the record the ScrapInfo global
// names, which the host may supply itself.
#include "devices_services.h"
#include "../core/core_services.h"
#include "../quickdraw/qd_services.h"
#include "Scrap.h"

ScrapStuff ScrapInfo;

namespace {

unsigned char sScrapFileName[] = "\x09" "scrapfile";

// Raised while the library closes the clipboard after its own reading or emptying: the WM_DRAWCLIPBOARD
// that close sends to the host's main window is the library's own change, not another program's.
int32_t sClipboardGuard;

typedef int32_t(WINAPI *ScrapCallbackProc)(int32_t operation, int32_t format, HDC dc, int32_t destination,
                                           int32_t type, int32_t pointer, int32_t cell);

enum : int32_t { kScrapGet = 0, kScrapPut = 1, kScrapImport = 2 };

enum : int32_t { kClipboardBusy = -45, kNoScrapType = -102, kScrapRefused = -100 };

ScrapStuff &Scrap() { return LowMem<ScrapStuff>(lmScrapInfo); }

void ResetScrap(ScrapStuff &scrap)
{
    scrap.scrapSize = 0;
    scrap.scrapHandle = nullptr;
    scrap.scrapCount++;
    scrap.scrapState = 0;
}

void CloseClipboardGuarded()
{
    sClipboardGuard = 1;
    CloseClipboard();
    sClipboardGuard = 0;
}

int32_t Arg(const void *p) { return static_cast<int32_t>(reinterpret_cast<uintptr_t>(p)); }

} // namespace

bool HasScrapCallback() { return SessionBlock().scrapCallback != nullptr; }

int32_t CallScrapCallback(int32_t operation, int32_t format, HDC dc, int32_t destination, int32_t type,
                          int32_t pointer, int32_t cell)
{
    FARPROC callback = SessionBlock().scrapCallback;
    if (!callback)
        return 0;
    return reinterpret_cast<ScrapCallbackProc>(callback)(operation, format, dc, destination, type, pointer, cell);
}

// Fills whichever record the ScrapInfo global lives in: the host's or the library's exported one.
void InitScrapInfo()
{
    ScrapStuff &scrap = LowMem<ScrapStuff>(lmScrapInfo);
    scrap.scrapSize = 0;
    scrap.scrapHandle = nullptr;
    scrap.scrapCount = 1;
    scrap.scrapState = 0;
    scrap.scrapName = sScrapFileName;
}

ZEL_EXTERN_C PScrapStuff ZEL_CALL InfoScrap(void) { return &Scrap(); }

// Offers the clipboard's formats to the callback in their order until it takes one; *offset counts the
// formats it refused. The answer is what the callback stored in the result cell (the length it placed in
// hDest, or an error).
ZEL_EXTERN_C int32_t ZEL_CALL GetScrap(Handle hDest, ResType theType, int32_t *offset)
{
    if (!HasScrapCallback()) {
        if (offset)
            *offset = 0;
        return kNoScrapType;
    }
    if (!OpenClipboard(SessionMainWindow()))
        return kClipboardBusy;
    int32_t result = 0;
    bool accepted = false;
    HDC dc = CurrentDC();
    for (UINT format = EnumClipboardFormats(0); format; format = EnumClipboardFormats(format)) {
        if (CallScrapCallback(kScrapGet, static_cast<int32_t>(format & 0xFFFF), dc, Arg(hDest),
                              static_cast<int32_t>(theType), Arg(offset), Arg(&result))) {
            accepted = true;
            break;
        }
        if (offset)
            ++*offset;
    }
    if (!accepted) {
        if (offset)
            *offset = 0;
        result = kNoScrapType;
    }
    CloseClipboardGuarded();
    return result;
}

// Hands the bytes to the callback, which puts them on the clipboard in the formats it makes of the type.
// The clipboard is not emptied first (ZeroScrap does that), and the close is not guarded: the change
// comes back through ZEL_DrawClipboard like anyone else's.
ZEL_EXTERN_C OSErr ZEL_CALL PutScrap(int32_t length, ResType theType, const void *source)
{
    if (!HasScrapCallback())
        return kScrapRefused;
    if (!OpenClipboard(SessionMainWindow()))
        return kClipboardBusy;
    int32_t handled = CallScrapCallback(kScrapPut, 0, CurrentDC(), 0, static_cast<int32_t>(theType), Arg(source),
                                        Arg(&length));
    CloseClipboard();
    return handled ? 0 : kScrapRefused;
}

// Empties the clipboard and starts a new scrap. While another window holds the clipboard nothing is
// emptied and the record stays as it is.
ZEL_EXTERN_C OSErr ZEL_CALL ZeroScrap(void)
{
    if (!OpenClipboard(SessionMainWindow()))
        return kClipboardBusy;
    EmptyClipboard();
    CloseClipboardGuarded();
    ResetScrap(Scrap());
    return 0;
}

// The scrap lives on the clipboard: there is nothing to load.
ZEL_EXTERN_C OSErr ZEL_CALL LoadScrap(void) { return 0; }
ZEL_EXTERN_C OSErr ZEL_CALL LodeScrap(void) { return 0; }

ZEL_EXTERN_C OSErr ZEL_CALL UnloadScrap(void)
{
    Scrap().scrapState = 0;
    return 0;
}
ZEL_EXTERN_C OSErr ZEL_CALL UnlodeScrap(void) { return UnloadScrap(); }

// The host's main window got WM_DRAWCLIPBOARD: unless the library caused it itself, the clipboard changed
// under the application, so the scrap starts anew and the host may import the new contents, format by
// format, until its callback takes one.
ZEL_EXTERN_C void ZEL_CALL ZEL_DrawClipboard(void)
{
    if (sClipboardGuard)
        return;
    if (!OpenClipboard(SessionMainWindow()))
        return;
    ResetScrap(Scrap());
    if (HasScrapCallback()) {
        HDC dc = CurrentDC();
        for (UINT format = EnumClipboardFormats(0); format; format = EnumClipboardFormats(format))
            if (CallScrapCallback(kScrapImport, static_cast<int32_t>(format & 0xFFFF), dc, 0, 0, 0, 0))
                break;
    }
    CloseClipboardGuarded();
}

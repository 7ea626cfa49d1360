// The trap table. Twenty-seven Toolbox routines can be replaced by the host at run time, as Macintosh
// programs patch traps: each is exported as a trampoline that calls whatever its slot holds, and
// NGetTrapAddress / NSetTrapAddress read and replace the slots by trap word. A slot starts with the
// library's own body; PopUpMenuSelect, Button and GetMouse start with their own export and run their
// built-in behaviour when they find themselves there.
#include "core.h"
#include "Dialogs.h"
#include "Events.h"
#include "MacWindows.h"
#include "Menus.h"
#include "OSUtils.h"
#include "Quickdraw.h"
#include "../dialogs/dialogs_services.h"
#include "../quickdraw/qd_services.h"
#include "../windows/windows_services.h"

namespace {

enum TrapSlotIndex {
    slotPopUpMenuSelect, slotGetNextEvent, slotWaitNextEvent, slotEventAvail, slotButton, slotGetMouse,
    slotSystemTask, slotSetOrigin, slotBeginUpdate, slotEndUpdate, slotInvalRect, slotInvalRgn,
    slotStillDown, slotNewWindow, slotNewCWindow, slotShowWindow, slotHideWindow, slotSelectWindow,
    slotCloseWindow, slotFrontWindow, slotModalDialog, slotWaitMouseUp, slotDrawMenuBar, slotHiliteMenu,
    slotSetCursor, slotInitCursor, slotEraseRect,
    slotCount
};

struct TrapSlot {
    uint16_t trap;
    UniversalProcPtr defaultBody;
    UniversalProcPtr content; // the default, a host patch (a proc instance unless flag 0x200), or 0
};

template <typename F> UniversalProcPtr Address(F *f) { return reinterpret_cast<UniversalProcPtr>(f); }

#define TRAP_SLOT(trap, body) {trap, Address(body), Address(body)}
TrapSlot sSlots[] = {
    TRAP_SLOT(_PopUpMenuSelect, PopUpMenuSelect),
    TRAP_SLOT(_GetNextEvent, GetNextEventImpl),
    TRAP_SLOT(_WaitNextEvent, WaitNextEventImpl),
    TRAP_SLOT(_EventAvail, EventAvailImpl),
    TRAP_SLOT(_Button, Button),
    TRAP_SLOT(_GetMouse, GetMouse),
    TRAP_SLOT(_SystemTask, SystemTaskImpl),
    TRAP_SLOT(_SetOrigin, DefaultSetOrigin),
    TRAP_SLOT(_BeginUpdate, BeginUpdateImpl),
    TRAP_SLOT(_EndUpdate, EndUpdateImpl),
    TRAP_SLOT(_InvalRect, InvalRectImpl),
    TRAP_SLOT(_InvalRgn, InvalRgnImpl),
    TRAP_SLOT(_StillDown, StillDownImpl),
    TRAP_SLOT(_NewWindow, NewWindowImpl),
    TRAP_SLOT(_NewCWindow, NewCWindowImpl),
    TRAP_SLOT(_ShowWindow, ShowWindowImpl),
    TRAP_SLOT(_HideWindow, HideWindowImpl),
    TRAP_SLOT(_SelectWindow, SelectWindowImpl),
    TRAP_SLOT(_CloseWindow, CloseWindowImpl),
    TRAP_SLOT(_FrontWindow, FrontWindowImpl),
    TRAP_SLOT(_ModalDialog, ModalDialogImpl),
    TRAP_SLOT(_WaitMouseUp, WaitMouseUpImpl),
    TRAP_SLOT(_DrawMenuBar, RebuildMenuBar),
    TRAP_SLOT(_HiliteMenu, HiliteMenuImpl),
    TRAP_SLOT(_SetCursor, DefaultSetCursor),
    TRAP_SLOT(_InitCursor, DefaultInitCursor),
    TRAP_SLOT(_EraseRect, EraseRectImpl),
};
#undef TRAP_SLOT
static_assert(sizeof sSlots / sizeof sSlots[0] == slotCount, "one slot per patchable routine");

TrapSlot *FindSlot(uint16_t trap)
{
    for (TrapSlot &s : sSlots)
        if (s.trap == trap)
            return &s;
    return nullptr;
}

// The routine a trampoline calls. An emptied slot (0 installed) runs the library's own body rather than
// calling address 0.
template <typename F> F SlotRoutine(TrapSlotIndex i)
{
    UniversalProcPtr p = sSlots[i].content ? sSlots[i].content : sSlots[i].defaultBody;
    return reinterpret_cast<F>(p);
}

// A routine that holds its own export calls its slot only when a patch is there and the patch is not
// calling back into the routine; otherwise it runs its built-in body.
bool CallsPatch(TrapSlotIndex i, bool busy)
{
    UniversalProcPtr p = sSlots[i].content;
    return p && p != sSlots[i].defaultBody && !busy;
}

bool sPopUpBusy;
bool sButtonBusy;
bool sGetMouseBusy;

} // namespace

void ReleaseTrapPatches()
{
    for (TrapSlot &s : sSlots) {
        if (s.content && s.content != s.defaultBody)
            FreeHostProcInstance(reinterpret_cast<FARPROC>(s.content));
        s.content = s.defaultBody;
    }
}

// ---- reading and replacing slots ----

// Four trap words without a slot answer their own value, so that hosts testing for them find them
// present; every other word answers -1.
ZEL_EXTERN_C UniversalProcPtr ZEL_CALL NGetTrapAddress(uint16_t trap, TrapType)
{
    if (TrapSlot *s = FindSlot(trap))
        return s->content;
    switch (trap) {
    case 0xAB03:
    case 0x0060:
    case 0xA1AD:
    case 0x008F:
        return trap;
    default:
        return 0xFFFFFFFF;
    }
}

ZEL_EXTERN_C void ZEL_CALL NSetTrapAddress(UniversalProcPtr address, uint16_t trap, TrapType)
{
    TrapSlot *s = FindSlot(trap);
    if (!s || address == s->content)
        return;
    // A host patch is held as a proc instance of the host's own making, released when it is replaced;
    // the library's own body and 0 are neither made nor released.
    if (s->content && s->content != s->defaultBody)
        FreeHostProcInstance(reinterpret_cast<FARPROC>(s->content));
    if (address && address != s->defaultBody)
        address = reinterpret_cast<UniversalProcPtr>(MakeHostProcInstance(reinterpret_cast<FARPROC>(address)));
    s->content = address;
}

ZEL_EXTERN_C UniversalProcPtr ZEL_CALL GetTrapAddress(uint16_t trap) { return NGetTrapAddress(trap, 0); }
ZEL_EXTERN_C UniversalProcPtr ZEL_CALL GetToolboxTrapAddress(uint16_t trap) { return NGetTrapAddress(trap, 0); }
ZEL_EXTERN_C void ZEL_CALL SetTrapAddress(UniversalProcPtr address, uint16_t trap) { NSetTrapAddress(address, trap, 0); }

// ---- the routines that hold their own export ----

ZEL_EXTERN_C int32_t ZEL_CALL PopUpMenuSelect(MenuHandle menu, int16_t top, int16_t left, int16_t popUpItem)
{
    if (!CallsPatch(slotPopUpMenuSelect, sPopUpBusy))
        return PopUpMenuSelectDefault(menu, top, left, popUpItem);
    sPopUpBusy = true;
    int32_t result = SlotRoutine<decltype(&PopUpMenuSelect)>(slotPopUpMenuSelect)(menu, top, left, popUpItem);
    sPopUpBusy = false;
    return result;
}

ZEL_EXTERN_C Boolean ZEL_CALL Button(void)
{
    if (!CallsPatch(slotButton, sButtonBusy))
        return ButtonIsDown();
    sButtonBusy = true;
    Boolean result = SlotRoutine<decltype(&Button)>(slotButton)();
    sButtonBusy = false;
    return result;
}

ZEL_EXTERN_C void ZEL_CALL GetMouse(Point *pt)
{
    if (!CallsPatch(slotGetMouse, sGetMouseBusy)) {
        GetMouseDefault(pt);
        return;
    }
    sGetMouseBusy = true;
    SlotRoutine<decltype(&GetMouse)>(slotGetMouse)(pt);
    sGetMouseBusy = false;
}

// ---- trampolines ----

#define TRAMPOLINE(slot, routine, ...) SlotRoutine<decltype(&routine)>(slot)(__VA_ARGS__)

ZEL_EXTERN_C Boolean ZEL_CALL GetNextEvent(EventMask mask, EventRecord *event)
{
    return TRAMPOLINE(slotGetNextEvent, GetNextEvent, mask, event);
}
ZEL_EXTERN_C Boolean ZEL_CALL WaitNextEvent(EventMask mask, EventRecord *event, uint32_t sleep, RgnHandle mouseRgn)
{
    return TRAMPOLINE(slotWaitNextEvent, WaitNextEvent, mask, event, sleep, mouseRgn);
}
ZEL_EXTERN_C Boolean ZEL_CALL EventAvail(EventMask mask, EventRecord *event)
{
    return TRAMPOLINE(slotEventAvail, EventAvail, mask, event);
}
ZEL_EXTERN_C void ZEL_CALL SystemTask(void) { TRAMPOLINE(slotSystemTask, SystemTask); }
ZEL_EXTERN_C void ZEL_CALL SetOrigin(int16_t h, int16_t v) { TRAMPOLINE(slotSetOrigin, SetOrigin, h, v); }
ZEL_EXTERN_C void ZEL_CALL BeginUpdate(WindowPtr window) { TRAMPOLINE(slotBeginUpdate, BeginUpdate, window); }
ZEL_EXTERN_C void ZEL_CALL EndUpdate(WindowPtr window) { TRAMPOLINE(slotEndUpdate, EndUpdate, window); }
ZEL_EXTERN_C void ZEL_CALL InvalRect(const Rect *rect) { TRAMPOLINE(slotInvalRect, InvalRect, rect); }
ZEL_EXTERN_C void ZEL_CALL InvalRgn(RgnHandle rgn) { TRAMPOLINE(slotInvalRgn, InvalRgn, rgn); }
ZEL_EXTERN_C Boolean ZEL_CALL StillDown(void) { return TRAMPOLINE(slotStillDown, StillDown); }
ZEL_EXTERN_C WindowPtr ZEL_CALL NewWindow(void *storage, const Rect *bounds, ConstStr255Param title,
                                          Boolean visible, int16_t procID, WindowPtr behind, Boolean goAway,
                                          int32_t refCon)
{
    return TRAMPOLINE(slotNewWindow, NewWindow, storage, bounds, title, visible, procID, behind, goAway, refCon);
}
ZEL_EXTERN_C WindowPtr ZEL_CALL NewCWindow(void *storage, const Rect *bounds, ConstStr255Param title,
                                           Boolean visible, int16_t procID, WindowPtr behind, Boolean goAway,
                                           int32_t refCon)
{
    return TRAMPOLINE(slotNewCWindow, NewCWindow, storage, bounds, title, visible, procID, behind, goAway, refCon);
}
ZEL_EXTERN_C void ZEL_CALL ShowWindo(WindowPtr window) { TRAMPOLINE(slotShowWindow, ShowWindo, window); }
ZEL_EXTERN_C void ZEL_CALL HideWindow(WindowPtr window) { TRAMPOLINE(slotHideWindow, HideWindow, window); }
ZEL_EXTERN_C void ZEL_CALL SelectWindow(WindowPtr window) { TRAMPOLINE(slotSelectWindow, SelectWindow, window); }
ZEL_EXTERN_C void ZEL_CALL CloseWindo(WindowPtr window) { TRAMPOLINE(slotCloseWindow, CloseWindo, window); }
ZEL_EXTERN_C WindowPtr ZEL_CALL FrontWindow(void) { return TRAMPOLINE(slotFrontWindow, FrontWindow); }
ZEL_EXTERN_C void ZEL_CALL ModalDialog(ModalFilterProcPtr filter, int16_t *itemHit)
{
    TRAMPOLINE(slotModalDialog, ModalDialog, filter, itemHit);
}
ZEL_EXTERN_C Boolean ZEL_CALL WaitMouseUp(void) { return TRAMPOLINE(slotWaitMouseUp, WaitMouseUp); }
ZEL_EXTERN_C void ZEL_CALL DrawMenuBa(void) { TRAMPOLINE(slotDrawMenuBar, DrawMenuBa); }
ZEL_EXTERN_C void ZEL_CALL HiliteMenu(int16_t menuID) { TRAMPOLINE(slotHiliteMenu, HiliteMenu, menuID); }
ZEL_EXTERN_C void ZEL_CALL SetCurso(const Cursor *cursor) { TRAMPOLINE(slotSetCursor, SetCurso, cursor); }
ZEL_EXTERN_C void ZEL_CALL InitCursor(void) { TRAMPOLINE(slotInitCursor, InitCursor); }
ZEL_EXTERN_C void ZEL_CALL EraseRect(const Rect *rect) { TRAMPOLINE(slotEraseRect, EraseRect, rect); }

#undef TRAMPOLINE

// What the window list and the update regions tell the event pump, and the update and activate events
// the pump makes of it. Neither kind is ever queued: a pending deactivation, activation or update is
// turned into the one synthetic element when the queue holds nothing the caller asked for, so a
// deactivate comes before an activate, and activation before any update.
#include "window_manager.h"

namespace {

WindowPtr &CurActivate() { return LowMem<WindowPtr>(lmCurActivate); }
WindowPtr &CurDeactive() { return LowMem<WindowPtr>(lmCurDeactive); }

void ClearPending(uint16_t bits) { PendingEventMask() &= static_cast<uint16_t>(~bits); }

// The window and activeFlag of the activation to report, or none.
WindowPtr PendingActivation(uint16_t *active)
{
    WindowPtr &activate = CurActivate();
    WindowPtr &deactive = CurDeactive();
    // A deactivated window that came back to the front before the loop saw it needs no event.
    if (!activate && deactive && deactive == FrontWindow())
        deactive = nullptr;
    if (deactive) {
        if (deactive == activate) {
            deactive = activate = nullptr;
            return nullptr;
        }
        *active = 0;
        return deactive;
    }
    if (activate) {
        if (!Peek(activate)->visible) {
            activate = nullptr;
            return nullptr;
        }
        *active = activeFlag;
        return activate;
    }
    return nullptr;
}

WindowPtr PendingUpdate()
{
    for (WindowPtr w = LowMem<WindowPtr>(lmWindowList); w; w = AsWindow(Peek(w)->nextWindow)) {
        WindowAuxRecord *aux = AuxOf(w);
        if (Peek(w)->visible && aux && (aux->createFlags & wcfUpdatePending) && ZEL_TestUpdate(w))
            return w;
    }
    return nullptr;
}

} // namespace

void SetPendingActivation(WindowPtr window, bool activate)
{
    (activate ? CurActivate() : CurDeactive()) = window;
    PendingEventMask() |= activMask;
    SynthesizeOnNextPump();
}

void NoteUpdatePending()
{
    PendingEventMask() |= updateMask;
    SynthesizeOnNextPump();
}



EvQEl *SynthesizeWindowEvent(EventMask mask)
{
    WindowPtr window = nullptr;
    uint16_t kind = 0, active = 0;
    if (mask & activMask) {
        window = PendingActivation(&active);
        if (window)
            kind = activateEvt;
        else
            ClearPending(activMask);
    }
    if (!window && (mask & updateMask)) {
        window = PendingUpdate();
        if (window)
            kind = updateEvt;
        else
            ClearPending(updateMask);
    }
    if (!window)
        return nullptr;
    EvQEl *e = SyntheticEventElement();
    e->qLink = nullptr;
    e->qType = kSyntheticQueueElement;
    e->evtQWhat = kind;
    e->evtQMessage = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(window));
    e->evtQWhen = LowMem<uint32_t>(lmTicks);
    e->evtQWhere = MouseLocation();
    e->evtQModifiers = static_cast<uint16_t>(active | CurrentModifiers());
    return e;
}

EvQEl *ForgetActivationWindow(WindowPtr window)
{
    if (CurActivate() == window)
        CurActivate() = nullptr;
    if (CurDeactive() == window)
        CurDeactive() = nullptr;
    return SynthesizeWindowEvent(activMask);
}

// Whether the window's update region meets what is visible of it: the region the innermost BeginUpdate
// of this window saved while it is being updated, else its visRgn. Pending WM_PAINT damage is brought
// into the update region first.
ZEL_EXTERN_C Boolean ZEL_CALL ZEL_TestFocus(WindowPtr window, Boolean clear)
{
    WindowAuxRecord *aux = AuxOf(window);
    if (!aux)
        return false;
    if (WindowZOrderStale())
        ZEL_UpdateWindows(2);
    UpdateWindowSynchronously(aux->hwnd);
    WindowPeek peek = Peek(window);
    RgnHandle visible = UpdateSavedVisRgn(window);
    if (!visible)
        visible = window->visRgn;
    bool meets = false;
    if (visible && peek->updateRgn) {
        RgnHandle common = NewRgn();
        SectRgn(visible, peek->updateRgn, common);
        meets = !EmptyRgn(common);
        DisposeRgn(common);
    }
    if (!meets && clear) {
        if ((aux = AuxOf(window)))
            aux->createFlags &= ~wcfUpdatePending;
        if (peek->updateRgn)
            SetEmptyRgn(peek->updateRgn);
    }
    return meets;
}

ZEL_EXTERN_C Boolean ZEL_CALL ZEL_TestUpdate(WindowPtr window) { return ZEL_TestFocus(window, true); }

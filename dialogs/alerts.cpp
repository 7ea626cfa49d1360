// Dialog Manager: alerts (their stages, sounds, icons and placement), InitDialogs, the alert sound
// procedure and the hidden information dialog.
#include "dialog_manager.h"
#include "LowMem.h"
#include "Menus.h"
#include "OSUtils.h"
#include "Resources.h"
#include "../core/core_services.h"

#include <cstring>

namespace {

constexpr ResType kAlertType = 0x414C5254; // 'ALRT'
constexpr ResType kItemListType = 0x4449544C; // 'DITL'
constexpr int kAlertTitleString = 2176;
constexpr int16_t kHiddenDialog = -129;

void ZEL_CALL SilentSound(int16_t) {}
// Sound n beeps n times (0 none, at most 3).
void ZEL_CALL StandardSound(int16_t sound)
{
    for (int16_t i = 0; i < sound && i < 3; ++i)
        SysBeep(1);
}

SoundProcPtr sSoundProc = StandardSound;
SoundProcPtr sHostSoundProc; // proc instance of the host's own procedure

// The stage (0..3) of the alert shown last and its ID. The module starts as after ResetAlertStage, so
// that the first alert of any ID, ID 0 included, starts at stage 1.
int16_t sStage = -1;
int16_t sLastAlert;
HICON sIcons[3];
LONG sBaseUnits;

// A stage's four bits: bit 0 default item 2, bit 1 drawn, bits 2-3 sound.
uint8_t StageBits(const uint8_t *alert, int16_t stage)
{
    const uint8_t byte = alert[stage < 2 ? 11 : 10];
    return static_cast<uint8_t>((stage & 1) ? byte & 0x0F : byte >> 4);
}

// Appends the icon item: an icon of ID `kind` (the alert icons' IDs) at (15, 20, 47, 52), disabled.
void AppendIconItem(Handle items, int16_t kind)
{
    const uint32_t end = ItemListEnd(items);
    const Size size = static_cast<Size>(end + 16);
    SetHandleSize(items, size);
    if (MemError() != noErr)
        return;
    uint8_t *p = reinterpret_cast<uint8_t *>(*items) + end;
    std::memset(p, 0, 16);
    const Rect r{15, 20, 47, 52};
    std::memcpy(p + 4, &r, sizeof r);
    p[12] = iconItem + itemDisable;
    p[13] = 2;
    std::memcpy(p + 14, &kind, 2);
    int16_t count;
    std::memcpy(&count, *items, 2);
    ++count;
    std::memcpy(*items, &count, 2);
}

int16_t RunAlert(int16_t alertID, ModalFilterProcPtr filter, int16_t icon)
{
    if (alertID == sLastAlert) {
        if (sStage < 3)
            ++sStage;
    } else {
        sStage = 0;
        sLastAlert = alertID;
    }
    Handle alert = GetResource(kAlertType, alertID);
    if (!alert || !*alert || GetHandleSize(alert) < 12) {
        if (alert)
            ReleaseResource(alert);
        return -1;
    }
    HNoPurge(alert);
    const auto *bytes = reinterpret_cast<const uint8_t *>(*alert);
    const uint8_t stage = StageBits(bytes, sStage);
    if (!(stage & 0x02)) {
        ReleaseResource(alert);
        return -1;
    }
    Rect bounds;
    std::memcpy(&bounds, bytes, sizeof bounds);
    int16_t ditlID;
    std::memcpy(&ditlID, bytes + 8, 2);
    if (GetHandleSize(alert) >= 14) {
        uint16_t position;
        std::memcpy(&position, bytes + 12, 2);
        ApplyPositionSpec(&bounds, position);
    }

    Handle items = GetResource(kItemListType, ditlID);
    if (!items || !*items || HandToHand(&items) != noErr) {
        ReleaseResource(alert);
        return -1;
    }
    if (icon >= 0)
        AppendIconItem(items, icon);

    // The top-level window of the focus is disabled while the alert runs.
    HWND focus = GetFocus();
    HWND top = focus;
    while (top && (GetWindowLongA(top, GWL_STYLE) & WS_CHILD))
        top = GetParent(top);
    const bool disabled = top && IsWindowEnabled(top);

    char ansi[64] = {};
    LoadStringA(SessionHostInstance(), kAlertTitleString, ansi, sizeof ansi);
    Str255 title;
    title[0] = static_cast<uint8_t>(ZEL_AnsiToMacBuf(reinterpret_cast<const uint8_t *>(ansi), title + 1, 63));

    DialogPtr d = MakeDialog(false, nullptr, &bounds, title, false, static_cast<int16_t>(LibrarySetting(settingAlertPlacement)),
                             reinterpret_cast<WindowPtr>(-1), false, 0, items, ditlID);
    if (!d) {
        DisposeHandle(items);
        ReleaseResource(alert);
        return -1;
    }
    if (disabled)
        EnableWindow(top, FALSE);
    MoveDefaultButton(d, static_cast<int16_t>(1 + (stage & 1)), true, true);
    ShowWindo(d);
    SelectWindow(d);
    UnparkDialogItems(d);
    DrawDialog(d);
    sSoundProc(static_cast<int16_t>((stage >> 2) & 3));
    int16_t hit = -1;
    ModalDialog(filter, &hit);
    if (disabled)
        EnableWindow(top, TRUE);
    DisposeDialog(d);
    if (focus && IsWindow(focus))
        SetFocus(focus);
    ReleaseResource(alert);
    return hit;
}

} // namespace

ZEL_EXTERN_C int16_t ZEL_CALL Alert(int16_t alertID, ModalFilterProcPtr filterProc) { return RunAlert(alertID, filterProc, -1); }
ZEL_EXTERN_C int16_t ZEL_CALL StopAlert(int16_t alertID, ModalFilterProcPtr filterProc) { return RunAlert(alertID, filterProc, 0); }
ZEL_EXTERN_C int16_t ZEL_CALL NoteAlert(int16_t alertID, ModalFilterProcPtr filterProc) { return RunAlert(alertID, filterProc, 1); }
ZEL_EXTERN_C int16_t ZEL_CALL CautionAlert(int16_t alertID, ModalFilterProcPtr filterProc)
{
    return RunAlert(alertID, filterProc, 2);
}
ZEL_EXTERN_C void ZEL_CALL CouldAlert(int16_t) {}
ZEL_EXTERN_C void ZEL_CALL FreeAlert(int16_t) {}
ZEL_EXTERN_C void ZEL_CALL CouldDialog(int16_t) {}
ZEL_EXTERN_C void ZEL_CALL ResetAlertStage(void) { sStage = -1; }

ZEL_EXTERN_C void ZEL_CALL InitDialogs(ProcPtr resumeProc)
{
    LMSetResumeProc(resumeProc);
    ErrorSound(reinterpret_cast<SoundProcPtr>(1));
    const unsigned char empty[1] = {0};
    ParamText(empty, empty, empty, empty);
    sIcons[0] = LoadIconA(nullptr, IDI_HAND);
    sIcons[1] = LoadIconA(nullptr, IDI_ASTERISK);
    sIcons[2] = LoadIconA(nullptr, IDI_EXCLAMATION);
    sBaseUnits = GetDialogBaseUnits();
}

// 0 installs a silent procedure, 1 the standard beep, anything else the host's procedure.
ZEL_EXTERN_C void ZEL_CALL ErrorSound(SoundProcPtr soundProc)
{
    if (sHostSoundProc) {
        FreeHostProcInstance(reinterpret_cast<FARPROC>(sHostSoundProc));
        sHostSoundProc = nullptr;
    }
    uintptr_t value = reinterpret_cast<uintptr_t>(soundProc);
    if (value == 0) {
        sSoundProc = SilentSound;
    } else if (value == 1) {
        sSoundProc = StandardSound;
    } else {
        sHostSoundProc = reinterpret_cast<SoundProcPtr>(MakeHostProcInstance(reinterpret_cast<FARPROC>(soundProc)));
        sSoundProc = sHostSoundProc;
    }
}

// The system icons are shared: nothing destroys them.
HICON AlertIconHandle(int16_t which) { return which >= 0 && which <= 2 ? sIcons[which] : nullptr; }

// Dialog -129 of the system resource file, centred across the screen and below the middle by the menu
// bar, shown until a click or a key; nothing when the file has none.
void ShowHiddenDialog()
{
    const int16_t saved = CurResFile();
    UseResFile(0);
    DialogPtr d = GetNewDialog(kHiddenDialog, nullptr, reinterpret_cast<WindowPtr>(-1));
    UseResFile(saved);
    if (!d)
        return;
    RECT screen;
    GetClientRect(SessionMainWindow(), &screen);
    const Rect &b = DialogAux(d)->bounds;
    const int width = b.right - b.left, height = b.bottom - b.top;
    MoveWindo(d, static_cast<int16_t>((screen.right - width) / 2),
               static_cast<int16_t>((screen.bottom - height) / 2 + GetMBarHeight()), true);
    ShowWindo(d);
    SelectWindow(d);
    UnparkDialogItems(d);
    for (;;) {
        EventRecord e{};
        WaitNextEvent(everyEvent, &e, 0, nullptr);
        if (e.what == updateEvt && reinterpret_cast<DialogPtr>(e.message) == d) {
            BeginUpdate(d);
            DrawDialog(d);
            EndUpdate(d);
            continue;
        }
        if (e.what == mouseDown || e.what == keyDown || e.what == autoKey || e.what == osEvt)
            break;
        if (e.what == nullEvent)
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 16, QS_ALLINPUT);
    }
    DisposeDialog(d);
}

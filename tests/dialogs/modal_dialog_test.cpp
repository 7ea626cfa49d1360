// Running dialogs: the standard filter's keys and clicks, ModalDialog's loop with real keys and with
// filters (nested runs, windows made inside a filter), modeless dialogs through DialogSelect, the default
// and cancel items, the round-rectangle outline, window enabling and host-run modal windows.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "Controls.h"
#include "Dialogs.h"
#include "Events.h"
#include "OSUtils.h"
#include "Zel.h"
#include "item_lists.h"
#include "window_host.h"

namespace {
using namespace window_tests;
using namespace dialog_tests;
using testing_support::P;

DialogPtr MakeDialog(const std::vector<ItemSpec> &items)
{
    Rect bounds = MakeRect(80, 80, 280, 400);
    return NewDialog(nullptr, &bounds, P("Modal").c_str(), true, 1, reinterpret_cast<WindowPtr>(-1), false, 0,
                     ItemList(items));
}

const std::vector<ItemSpec> kOkCancel = {
    {MakeRect(150, 220, 170, 300), ctrlItem + btnCtrl, "OK"},
    {MakeRect(150, 120, 170, 200), ctrlItem + btnCtrl, "Cancel"},
    {MakeRect(20, 20, 36, 300), statText, "A question"},
};

// The standard filter's answer to a key, as a filter that ends its run by a key does.
Boolean StandardKey(DialogPtr d, uint8_t c, int16_t *item)
{
    EventRecord e = KeyEvent(c);
    ModalFilterProcPtr standard = nullptr;
    GetStdFilterProc(&standard);
    return standard(d, &e, item);
}

HWND ItemChild(DialogPtr d, int item) { return GetDlgItem(HwndOf(d), item); }

// The standard filter's choices for Return, Enter and Escape, table-driven over dialogs of different items.
TEST(StandardFilter, KeysPickTheDefaultAndCancelItems)
{
    ModalFilterProcPtr filter = nullptr;
    ASSERT_EQ(noErr, GetStdFilterProc(&filter));
    ASSERT_TRUE(filter);
    struct Row {
        const char *what;
        std::vector<ItemSpec> items;
        int16_t defaultItem, cancelItem; // 0: not set
        uint8_t key;
        bool decided;
        int16_t item;
    };
    const std::vector<ItemSpec> staticSecond = {
        {MakeRect(150, 220, 170, 300), ctrlItem + btnCtrl, "OK"},
        {MakeRect(20, 20, 36, 300), statText, "Not a button"},
        {MakeRect(150, 120, 170, 200), ctrlItem + btnCtrl, "Stop"},
        {MakeRect(150, 20, 170, 100), ctrlItem + btnCtrl, "Other"},
    };
    const std::vector<ItemSpec> multiLine = {
        {MakeRect(150, 220, 170, 300), ctrlItem + btnCtrl, "OK"},
        {MakeRect(20, 20, 120, 300), editText, "Several lines"},
    };
    const Row rows[] = {
        {"Return", kOkCancel, 0, 0, 13, true, 1},
        {"Enter", kOkCancel, 0, 0, 3, true, 1},
        {"Escape", kOkCancel, 0, 0, 27, true, 2},
        {"Escape with a static item 2 picks the default item", staticSecond, 3, 0, 27, true, 3},
        {"Escape picks the registered cancel item", staticSecond, 0, 4, 27, true, 4},
        {"Return in a multi-line edit item", multiLine, 0, 0, 13, false, -1},
        {"another key", kOkCancel, 0, 0, 'a', false, -1},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        DialogPtr d = MakeDialog(row.items);
        ASSERT_TRUE(d);
        if (row.defaultItem)
            SetDialogDefaultItem(d, row.defaultItem);
        if (row.cancelItem) {
            EXPECT_EQ(noErr, SetDialogCancelItem(d, row.cancelItem));
        }
        for (int i = 1; i <= CountDITL(d); ++i)
            if (HWND c = ItemChild(d, i); c && (GetWindowLongA(c, GWL_STYLE) & ES_MULTILINE))
                SetFocus(c);
        EventRecord e = KeyEvent(row.key);
        int16_t item = 99;
        const uint32_t before = TickCount();
        EXPECT_EQ(row.decided, filter(d, &e, &item) != 0);
        EXPECT_EQ(row.item, item);
        if (row.decided) {
            EXPECT_GE(TickCount() - before, 6u) << "the button flashes";
        }
        DisposeDialog(d);
    }
}

// Clicks: outside the dialog nothing; in a dialog without buttons, item 1.
TEST(StandardFilter, ClicksOutsideEndNothing)
{
    ModalFilterProcPtr filter = nullptr;
    GetStdFilterProc(&filter);
    DialogPtr d = MakeDialog(kOkCancel);
    EventRecord e{};
    e.what = mouseDown;
    e.where = Point{5, 5}; // the desktop corner
    int16_t item = 0;
    EXPECT_FALSE(filter(d, &e, &item));
    EXPECT_EQ(-1, item);
    DisposeDialog(d);
    d = MakeDialog({{MakeRect(20, 20, 36, 300), statText, "No buttons"}});
    const Rect &b = AuxOf(d)->bounds;
    e.where = Point{static_cast<int16_t>(b.top + 50), static_cast<int16_t>(b.left + 50)};
    EXPECT_TRUE(filter(d, &e, &item));
    EXPECT_EQ(1, item);
    DisposeDialog(d);
}

// ModalDialog runs the front dialog: a real Return ends it with item 1, and afterwards the other
// windows are enabled again and the keyboard-hook target is restored.
DWORD WINAPI PressReturnLater(void *)
{
    Sleep(300);
    INPUT in[2] = {};
    in[0].type = in[1].type = INPUT_KEYBOARD;
    in[0].ki.wVk = in[1].ki.wVk = VK_RETURN;
    in[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, in, sizeof(INPUT));
    return 0;
}
TEST(ModalDialogLoop, ARealReturnEndsTheRunWithTheDefaultItem)
{
    Watchdog watchdog;
    DialogPtr d = MakeDialog(kOkCancel);
    ASSERT_TRUE(d);
    SelectWindow(d);
    SetForegroundWindow(HostMainWindow());
    PumpMessages();
    HANDLE t = CreateThread(nullptr, 0, PressReturnLater, nullptr, 0, nullptr);
    int16_t item = 0;
    ModalDialog(nullptr, &item);
    WaitForSingleObject(t, INFINITE);
    CloseHandle(t);
    EXPECT_EQ(1, item);
    EXPECT_TRUE(IsWindowEnabled(HostMainWindow()));
    RECT r;
    GetWindowRect(ItemChild(d, 1), &r);
    MapWindowPoints(nullptr, HwndOf(d), reinterpret_cast<POINT *>(&r), 1);
    EXPECT_LT(r.left, 8192) << "the children came out of hiding";
    DisposeDialog(d);
}

// A filter sees each key typed into an edit item before the field does: a key it turns into a null
// event stays out of the field, a character it changes goes in changed, the others as typed; and
// Command-period reaches it from the field.
DWORD WINAPI TypeDigitsLater(void *)
{
    Sleep(300);
    std::vector<INPUT> in;
    auto key = [&](WORD vk, DWORD up) {
        INPUT k{};
        k.type = INPUT_KEYBOARD;
        k.ki.wVk = vk;
        k.ki.dwFlags = up;
        in.push_back(k);
    };
    for (WORD vk : {WORD('4'), WORD('X'), WORD('2'), WORD('A')}) {
        key(vk, 0);
        key(vk, KEYEVENTF_KEYUP);
    }
    key(VK_CONTROL, 0);
    key(VK_OEM_PERIOD, 0);
    key(VK_OEM_PERIOD, KEYEVENTF_KEYUP);
    key(VK_CONTROL, KEYEVENTF_KEYUP);
    SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT));
    return 0;
}
int sFilteredKeys;
Boolean ZEL_CALL DigitsFilter(DialogPtr, EventRecord *e, int16_t *item)
{
    if (e->what != keyDown)
        return false;
    ++sFilteredKeys;
    const char c = static_cast<char>(e->message & charCodeMask);
    if (c == 'x')
        e->what = nullEvent;
    else if (c == 'a')
        e->message = (e->message & ~charCodeMask) | '7';
    else if (c == '.' && (e->modifiers & cmdKey)) {
        *item = 2;
        return true;
    }
    return false;
}
TEST(ModalDialogLoop, AFilterDecidesWhatReachesAnEditItem)
{
    Watchdog watchdog;
    std::vector<ItemSpec> items = kOkCancel;
    items.push_back({MakeRect(50, 20, 66, 120), editText, ""});
    Rect bounds = MakeRect(80, 80, 280, 400);
    DialogPtr d = NewDialog(nullptr, &bounds, P("Digits").c_str(), false, 1, reinterpret_cast<WindowPtr>(-1), false,
                            0, ItemList(items));
    ASSERT_TRUE(d);
    ShowWindow(d);
    SelectWindow(d);
    SetForegroundWindow(HostMainWindow());
    PumpMessages();
    SelectDialogItemText(d, 4, 0, 0);
    HANDLE t = CreateThread(nullptr, 0, TypeDigitsLater, nullptr, 0, nullptr);
    sFilteredKeys = 0;
    int16_t item = 0;
    do // each key taken by the edit item ends a run with that item, as on a Macintosh
        ModalDialog(DigitsFilter, &item);
    while (item == 4);
    WaitForSingleObject(t, INFINITE);
    CloseHandle(t);
    EXPECT_EQ(2, item) << "Command-period";
    EXPECT_EQ(5, sFilteredKeys) << "every key went through the filter once";
    short type = 0;
    Handle h = nullptr;
    Rect box;
    GetDialogItem(d, 4, &type, &h, &box);
    Str255 text = {};
    GetDialogItemText(h, text);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(text + 1), text[0]), "427");
    DisposeDialog(d);
}

// A filter ends the run on its third null event through the standard filter's Return; inside it, a
// document window is an ordinary window and a nested dialog runs and returns its own item.
int sNulls;
int16_t sInnerItem;
bool sInnerRan, sMadeWindowWasDialog;
Boolean ZEL_CALL InnerFilter(DialogPtr d, EventRecord *e, int16_t *item)
{
    if (e->what != nullEvent)
        return false;
    return StandardKey(d, 27, item);
}
Boolean ZEL_CALL OuterFilter(DialogPtr d, EventRecord *e, int16_t *item)
{
    if (e->what != nullEvent)
        return false;
    if (++sNulls == 1) {
        WindowPtr w = MakeWindow(documentProc, 100, 500, 150, 100, "Made in a filter");
        sMadeWindowWasDialog = AuxOf(w)->createFlags & wcfDialog;
        DisposeWindow(w);
        DialogPtr inner = MakeDialog(kOkCancel);
        SelectWindow(inner);
        ModalDialog(InnerFilter, &sInnerItem);
        sInnerRan = true;
        DisposeDialog(inner);
        SelectWindow(d);
        return false;
    }
    if (sNulls < 3)
        return false;
    return StandardKey(d, 13, item);
}
TEST(ModalDialogLoop, FiltersNestRunsAndMakeOrdinaryWindows)
{
    Watchdog watchdog;
    DialogPtr d = MakeDialog(kOkCancel);
    SelectWindow(d);
    sNulls = 0;
    sInnerRan = false;
    int16_t item = 0;
    ModalDialog(OuterFilter, &item);
    EXPECT_EQ(1, item);
    EXPECT_TRUE(sInnerRan);
    EXPECT_EQ(2, sInnerItem);
    EXPECT_FALSE(sMadeWindowWasDialog);
    EXPECT_TRUE(IsWindowEnabled(HostMainWindow()));
    DisposeDialog(d);
}

// Setting 28 leaves the other windows enabled around a modal dialog; a press and drag on another
// library window's caption neither activates nor moves it. The filter gives the input on its first null
// event and ends the run once the input is consumed.
WindowPtr sBehind;
RECT sBehindBefore;
int sCaptionNulls;
bool sBehindEnabled;
DWORD WINAPI DragCaptionLater(void *)
{
    RECT r;
    GetWindowRect(HwndOf(sBehind), &r);
    const int x = r.left + 60, y = r.top + 6;
    SetCursorPos(x, y);
    Sleep(50);
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    SendInput(1, &in, sizeof in);
    Sleep(50);
    SetCursorPos(x + 40, y + 30);
    Sleep(50);
    in.mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(1, &in, sizeof in);
    return 0;
}
HANDLE sDragThread;
Boolean ZEL_CALL CaptionFilter(DialogPtr d, EventRecord *e, int16_t *item)
{
    // The window behind is the program's to redraw, as a program's filter does.
    if (e->what == updateEvt && reinterpret_cast<WindowPtr>(e->message) == sBehind) {
        BeginUpdate(sBehind);
        EndUpdate(sBehind);
        return false;
    }
    if (e->what != nullEvent)
        return false;
    if (++sCaptionNulls == 1) {
        sBehindEnabled = IsWindowEnabled(HwndOf(sBehind)) != 0;
        sDragThread = CreateThread(nullptr, 0, DragCaptionLater, nullptr, 0, nullptr);
        return false;
    }
    if (WaitForSingleObject(sDragThread, 0) != WAIT_OBJECT_0 || sCaptionNulls < 40)
        return false;
    return StandardKey(d, 13, item);
}
TEST(ModalDialogLoop, SettingTwentyEightKeepsOtherWindowsStill)
{
    Watchdog watchdog;
    const uint32_t old = ZEL_SystemValue(1, 28, 1);
    sBehind = MakeWindow(documentProc, 300, 500, 200, 120, "Behind");
    DialogPtr d = MakeDialog(kOkCancel);
    SelectWindow(d);
    PumpMessages();
    GetWindowRect(HwndOf(sBehind), &sBehindBefore);
    sCaptionNulls = 0;
    int16_t item = 0;
    ModalDialog(CaptionFilter, &item);
    WaitForSingleObject(sDragThread, INFINITE);
    CloseHandle(sDragThread);
    EXPECT_EQ(1, item);
    EXPECT_TRUE(sBehindEnabled) << "the other windows stay enabled";
    RECT after;
    GetWindowRect(HwndOf(sBehind), &after);
    EXPECT_EQ(sBehindBefore.left, after.left) << "no drag";
    EXPECT_EQ(sBehindBefore.top, after.top);
    EXPECT_EQ(d, FrontWindow()) << "no activation";
    ZEL_SystemValue(1, 28, old);
    DisposeDialog(d);
    DisposeWindow(sBehind);
}

TEST(ModalDialogLoop, ADocumentWindowInFrontEndsAtOnce)
{
    WindowPtr w = MakeWindow(documentProc);
    SelectWindow(w);
    int16_t item = 77;
    ModalDialog(nullptr, &item);
    EXPECT_EQ(77, item);
    DisposeWindow(w);
}

// The cancel-item table holds five dialogs at a time; a closed dialog's entry goes.
TEST(DialogItems, CancelItemTable)
{
    for (int i = 0; i < 6; ++i) {
        DialogPtr d = MakeDialog(kOkCancel);
        EXPECT_EQ(noErr, SetDialogCancelItem(d, 1)) << i;
        DisposeDialog(d);
    }
    std::vector<DialogPtr> alive;
    for (int i = 0; i < 5; ++i) {
        alive.push_back(MakeDialog(kOkCancel));
        EXPECT_EQ(noErr, SetDialogCancelItem(alive.back(), 1));
    }
    DialogPtr sixth = MakeDialog(kOkCancel);
    EXPECT_EQ(memFullErr, SetDialogCancelItem(sixth, 1));
    EXPECT_EQ(2, GetDialogCancelItem(sixth));
    EXPECT_EQ(1, GetDialogCancelItem(alive[0]));
    DisposeDialog(sixth);
    for (DialogPtr d : alive)
        DisposeDialog(d);
}

// Modeless: an update draws the children and hits nothing; a key in the active edit item hits it.
TEST(DialogItems, DialogSelectOnUpdatesAndKeys)
{
    DialogPtr d = MakeDialog({{MakeRect(150, 220, 170, 300), ctrlItem + btnCtrl, "OK"},
                              {MakeRect(40, 20, 56, 200), editText, "text"}});
    ASSERT_TRUE(d);
    EXPECT_EQ(1, reinterpret_cast<DialogPeek>(d)->editField);
    EventRecord e{};
    e.what = updateEvt;
    e.message = reinterpret_cast<uint32_t>(d);
    EXPECT_TRUE(IsDialogEvent(&e));
    DialogPtr which = nullptr;
    int16_t item = 0;
    EXPECT_FALSE(DialogSelect(&e, &which, &item));
    EXPECT_EQ(d, which);
    EXPECT_EQ(-1, item);
    RECT r;
    GetWindowRect(ItemChild(d, 1), &r);
    MapWindowPoints(nullptr, HwndOf(d), reinterpret_cast<POINT *>(&r), 1);
    EXPECT_LT(r.left, 8192);
    SelectWindow(d);
    e = KeyEvent('x');
    EXPECT_TRUE(DialogSelect(&e, &which, &item));
    EXPECT_EQ(2, item);

    DisposeDialog(d);

    // A document window's events are no dialog's.
    WindowPtr w = MakeWindow(documentProc);
    SelectWindow(w);
    e = KeyEvent('x');
    EXPECT_FALSE(IsDialogEvent(&e));
    EXPECT_FALSE(DialogSelect(&e, &which, &item));
    EXPECT_EQ(-1, item);
    DisposeWindow(w);
}

// A round rectangle framed about a button in the dialog port draws nothing and makes the button the
// default.
TEST(DialogItems, RoundRectOutlineMakesTheDefault)
{
    DialogPtr d = MakeDialog(kOkCancel);
    SetPor(d);
    UpdateDialog(d, nullptr);
    PumpMessages();
    HWND hwnd = HwndOf(d);
    HDC dc = GetDC(hwnd);
    const COLORREF before = GetPixel(dc, 116, 150);
    Rect outline = MakeRect(146, 116, 174, 204);
    FrameRoundRect(&outline, 16, 16);
    EXPECT_EQ(before, GetPixel(dc, 116, 150));
    ReleaseDC(hwnd, dc);
    EXPECT_TRUE(GetWindowLongA(ItemChild(d, 2), GWL_STYLE) & BS_DEFPUSHBUTTON);
    EXPECT_FALSE(GetWindowLongA(ItemChild(d, 1), GWL_STYLE) & BS_DEFPUSHBUTTON);
    EXPECT_EQ(2, GetDialogDefaultItem(d));
    DisposeDialog(d);
}

TEST(DialogItems, EnablingWindowsAroundADialog)
{
    DialogPtr d = MakeDialog(kOkCancel);
    EXPECT_EQ(HwndOf(d), ZEL_EnableWindowsEx(d, false, true, true));
    EXPECT_FALSE(IsWindowEnabled(HostMainWindow()));
    EXPECT_FALSE(IsWindowEnabled(HwndOf(d)));
    ZEL_EnableWindowsEx(d, true, true, true);
    EXPECT_TRUE(IsWindowEnabled(HostMainWindow()));
    WindowPtr w = MakeWindow(documentProc);
    EXPECT_EQ(HostMainWindow(), ZEL_EnableWindowsEx(w, true, true, false));
    DisposeWindow(w);

    HWND hook = nullptr;
    DialogPtr previous = reinterpret_cast<DialogPtr>(1);
    int16_t capture = -1;
    ZEL_PrepareModalWindow(d, &hook, &previous, &capture, nullptr);
    EXPECT_EQ(nullptr, previous);
    EXPECT_FALSE(IsWindowEnabled(HostMainWindow()));
    ZEL_CloseModalWindow(d, hook, previous, capture);
    EXPECT_TRUE(IsWindowEnabled(HostMainWindow()));
    DisposeDialog(d);
}

} // namespace

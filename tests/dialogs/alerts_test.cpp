// Alerts from a resource fork in its published form: the stages (default item, drawing, sound) as the
// same alert repeats, the icons InitDialogs loads, placement by the positioning word, and failures that
// make no window and no sound.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Dialogs.h"
#include "Events.h"
#include "Resources.h"
#include "fork_layout.h"
#include "item_lists.h"
#include "window_host.h"

namespace {
using namespace window_tests;
using namespace dialog_tests;
using fork_layout::Bytes;
using fork_layout::FourCC;
using testing_support::P;

// An 'ALRT' in file form: bounds, item-list ID, the stages word, and a positioning word when given.
Bytes AlertResource(Rect r, int16_t ditl, uint16_t stages, uint16_t position = 0, bool withPosition = false)
{
    Bytes b(12);
    fork_layout::Put16(b, 0, static_cast<uint16_t>(r.top));
    fork_layout::Put16(b, 2, static_cast<uint16_t>(r.left));
    fork_layout::Put16(b, 4, static_cast<uint16_t>(r.bottom));
    fork_layout::Put16(b, 6, static_cast<uint16_t>(r.right));
    fork_layout::Put16(b, 8, static_cast<uint16_t>(ditl));
    fork_layout::Put16(b, 10, stages);
    if (withPosition) {
        b.resize(14);
        fork_layout::Put16(b, 12, position);
    }
    return b;
}
// A 'DITL' in file form: the count less one and each item's rectangle big-endian.
Bytes ItemListResource(const std::vector<ItemSpec> &items)
{
    Bytes b = ListBytes(items, static_cast<int16_t>(items.size() - 1));
    fork_layout::Put16(b, 0, static_cast<uint16_t>(items.size() - 1));
    size_t at = 2;
    for (const ItemSpec &i : items) {
        fork_layout::Put16(b, at + 4, static_cast<uint16_t>(i.r.top));
        fork_layout::Put16(b, at + 6, static_cast<uint16_t>(i.r.left));
        fork_layout::Put16(b, at + 8, static_cast<uint16_t>(i.r.bottom));
        fork_layout::Put16(b, at + 10, static_cast<uint16_t>(i.r.right));
        at += 14 + ((i.data.size() + 1) & ~size_t(1));
    }
    return b;
}

const Rect kAlertRect = MakeRect(60, 80, 180, 381);
// Stage 1: item 1, drawn, sound 1; stage 2: item 2, drawn, sound 2; stage 3: item 1, drawn, sound 3;
// stage 4 not drawn.
constexpr uint16_t kStages = 0x07E5;
// Every stage drawn, item 1, silent.
constexpr uint16_t kQuiet = 0x4444;

std::vector<int16_t> sSounds;
void ZEL_CALL RecordSound(int16_t sound) { sSounds.push_back(sound); }

// The alert's state on its first null event, then its default item.
struct Seen {
    Rect bounds;
    int16_t iconType;
    Rect iconRect;
    HWND window;
};
Seen sSeen;
Boolean ZEL_CALL AnswerDefault(DialogPtr d, EventRecord *e, int16_t *item)
{
    // Other windows are the program's to redraw.
    if (e->what == updateEvt && reinterpret_cast<WindowPtr>(e->message) != d) {
        BeginUpdate(reinterpret_cast<WindowPtr>(e->message));
        EndUpdate(reinterpret_cast<WindowPtr>(e->message));
        return false;
    }
    if (e->what != nullEvent)
        return false;
    sSeen.bounds = AuxOf(d)->bounds;
    sSeen.window = HwndOf(d);
    Handle h;
    GetDialogItem(d, static_cast<int16_t>(CountDITL(d)), &sSeen.iconType, &h, &sSeen.iconRect);
    *item = GetDialogDefaultItem(d);
    return true;
}

class Alerts : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        const std::string path = testing_support::ProgramDirectory() + "alerts_test.rsr";
        const Bytes items = ItemListResource({{MakeRect(90, 200, 110, 280), ctrlItem + btnCtrl, "OK"},
                                              {MakeRect(90, 100, 110, 180), ctrlItem + btnCtrl, "Cancel"},
                                              {MakeRect(10, 60, 60, 280), statText, "Something happened."}});
        const Rect right = MakeRect(60, 3001, 180, 3302);
        Bytes shortAlert = AlertResource(kAlertRect, 128, kStages);
        shortAlert.resize(10);
        fork_layout::WriteFileBytes(path, fork_layout::BuildFork({
                                              {FourCC("DITL"), 128, 0, false, {}, items},
                                              {FourCC("ALRT"), 128, 0, false, {}, AlertResource(kAlertRect, 128, kStages)},
                                              {FourCC("ALRT"), 129, 0, false, {}, AlertResource(kAlertRect, 128, kQuiet)},
                                              {FourCC("ALRT"), 130, 0, false, {},
                                               AlertResource(kAlertRect, 128, kQuiet, 0x280A, true)},
                                              {FourCC("ALRT"), 131, 0, false, {},
                                               AlertResource(kAlertRect, 128, kQuiet, 0xA80A, true)},
                                              {FourCC("ALRT"), 132, 0, false, {},
                                               AlertResource(right, 128, kQuiet, 0x280A, true)},
                                              {FourCC("ALRT"), 133, 0, false, {}, shortAlert},
                                              {FourCC("ALRT"), 134, 0, false, {}, AlertResource(kAlertRect, 999, kStages)},
                                          }));
        SetResLoad(true);
        sRef = OpenResFile(P(path.c_str()).c_str());
        ASSERT_GT(sRef, 0);
        UseResFile(sRef);
    }
    static void TearDownTestSuite()
    {
        CloseResFile(sRef);
        DeleteFileA((testing_support::ProgramDirectory() + "alerts_test.rsr").c_str());
        ErrorSound(reinterpret_cast<SoundProcPtr>(1));
    }
    void SetUp() override
    {
        sSounds.clear();
        sSeen = Seen{};
        ErrorSound(RecordSound);
        ResetAlertStage();
    }
    static int16_t sRef;
};
int16_t Alerts::sRef;

// The same alert five times: stages 1, 2, 3, 4, 4, with their default items and sounds; another alert in
// between, or ResetAlertStage, starts it at stage 1 again.
TEST_F(Alerts, StagesAdvanceWhileTheSameAlertRepeats)
{
    Watchdog watchdog;
    std::vector<int16_t> hits;
    for (int i = 0; i < 5; ++i)
        hits.push_back(Alert(128, AnswerDefault));
    EXPECT_EQ((std::vector<int16_t>{1, 2, 1, -1, -1}), hits);
    EXPECT_EQ((std::vector<int16_t>{1, 2, 3}), sSounds);

    EXPECT_EQ(1, Alert(129, AnswerDefault));
    sSounds.clear();
    EXPECT_EQ(1, Alert(128, AnswerDefault));
    EXPECT_EQ(2, Alert(128, AnswerDefault));
    ResetAlertStage();
    EXPECT_EQ(1, Alert(128, AnswerDefault));
    EXPECT_EQ((std::vector<int16_t>{1, 2, 1}), sSounds);
    EXPECT_TRUE(IsWindowEnabled(HostMainWindow())) << "the window the alert disabled is enabled again";
}

// Missing and short resources: -1, no sound, no window left; the focus is back where it was.
TEST_F(Alerts, FailuresMakeNothing)
{
    Watchdog watchdog;
    SetFocus(HostMainWindow());
    WindowPtr front = FrontWindow();
    for (int16_t id : {999, 133, 134}) {
        SCOPED_TRACE(id);
        EXPECT_EQ(-1, Alert(id, AnswerDefault));
        EXPECT_EQ(front, FrontWindow());
    }
    EXPECT_TRUE(sSounds.empty());
    EXPECT_EQ(HostMainWindow(), GetFocus());
    EXPECT_TRUE(IsWindowEnabled(HostMainWindow()));
}

// Placement: a 12-byte alert at its own rectangle; 0x280A centred in the main window's client area by
// half the edges' difference (toward zero, also for a move to the left); 0xA80A on the front window.
TEST_F(Alerts, PositioningWords)
{
    Watchdog watchdog;
    RECT client;
    GetClientRect(HostMainWindow(), &client);
    auto centred = [](const RECT &area, const Rect &r) {
        const int dh = (area.left + area.right - r.left - r.right) / 2;
        const int dv = (area.top + area.bottom - r.top - r.bottom) / 2;
        return Rect{int16_t(r.top + dv), int16_t(r.left + dh), int16_t(r.bottom + dv), int16_t(r.right + dh)};
    };
    Alert(128, AnswerDefault);
    EXPECT_TRUE(SameRect(kAlertRect, sSeen.bounds));
    Alert(130, AnswerDefault);
    EXPECT_TRUE(SameRect(centred(client, kAlertRect), sSeen.bounds));
    Alert(132, AnswerDefault);
    EXPECT_TRUE(SameRect(centred(client, MakeRect(60, 3001, 180, 3302)), sSeen.bounds));

    WindowPtr w = MakeWindow(documentProc, 50, 40, 300, 200, "Front");
    SelectWindow(w);
    RECT frame;
    GetWindowRect(HwndOf(w), &frame);
    MapWindowPoints(nullptr, GetParent(HwndOf(w)), reinterpret_cast<POINT *>(&frame), 2);
    Alert(131, AnswerDefault);
    EXPECT_TRUE(SameRect(centred(frame, kAlertRect), sSeen.bounds));
    DisposeWindow(w);
}

// The alert icons: nothing before InitDialogs; afterwards the 'ICON' 0..2 stand-ins hold the system's
// icons, and StopAlert adds a disabled icon item after the resource's items.
TEST_F(Alerts, IconsComeFromInitDialogs)
{
    Watchdog watchdog;
    EXPECT_EQ(nullptr, GetResource(FourCC("ICON"), 1));
    InitDialogs(nullptr);
    ErrorSound(RecordSound);
    Handle note = GetResource(FourCC("ICON"), 1);
    ASSERT_TRUE(note);
    EXPECT_EQ(4, GetHandleSize(note));
    EXPECT_EQ(LoadIconA(nullptr, IDI_ASTERISK), *reinterpret_cast<HICON *>(*note));
    ReleaseResource(note);

    EXPECT_EQ(1, StopAlert(128, AnswerDefault));
    EXPECT_EQ(iconItem + itemDisable, sSeen.iconType);
    EXPECT_TRUE(SameRect(MakeRect(15, 20, 47, 52), sSeen.iconRect));
    EXPECT_EQ(1, NoteAlert(129, AnswerDefault));
    EXPECT_EQ(iconItem + itemDisable, sSeen.iconType);
    // The system's icon is shared: the alerts' teardown left it alive.
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bits = CreateCompatibleBitmap(GetDC(nullptr), 32, 32);
    HGDIOBJ old = SelectObject(dc, bits);
    EXPECT_TRUE(DrawIcon(dc, 0, 0, LoadIconA(nullptr, IDI_HAND)));
    SelectObject(dc, old);
    DeleteObject(bits);
    DeleteDC(dc);
}

} // namespace

namespace {

// Alt+Z, E, L typed while the dialog key hook watches, then a null event: with no dialog -129 in the
// system resource file nothing is shown and the pump goes on.
TEST(HiddenDialog, NothingToShowWithoutItsDialog)
{
    Watchdog watchdog;
    WindowPtr front = FrontWindow();
    Rect bounds = MakeRect(80, 80, 200, 300);
    DialogPtr d = NewDialog(nullptr, &bounds, P("Hook").c_str(), true, 1, reinterpret_cast<WindowPtr>(-1), false, 0,
                            ItemList({{MakeRect(80, 120, 100, 200), ctrlItem + btnCtrl, "OK"}}));
    ASSERT_TRUE(d);
    HWND hook = nullptr;
    DialogPtr previous = nullptr;
    int16_t capture = 0;
    ZEL_PrepareModalWindow(d, &hook, &previous, &capture, nullptr);
    SetForegroundWindow(HostMainWindow());
    SetFocus(HwndOf(d));
    std::vector<INPUT> keys;
    auto key = [&](WORD vk, bool up) {
        INPUT in{};
        in.type = INPUT_KEYBOARD;
        in.ki.wVk = vk;
        in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
        keys.push_back(in);
    };
    key(VK_MENU, false);
    for (WORD vk : {WORD('Z'), WORD('E'), WORD('L')}) {
        key(vk, false);
        key(vk, true);
    }
    key(VK_MENU, true);
    SendInput(static_cast<UINT>(keys.size()), keys.data(), sizeof(INPUT));
    PumpMessages();
    ZEL_CloseModalWindow(d, hook, previous, capture);
    DisposeDialog(d);
    EventRecord e{};
    for (int i = 0; i < 5; ++i)
        GetNextEvent(everyEvent, &e);
    EXPECT_EQ(front, FrontWindow()) << "no dialog appeared";
}

} // namespace

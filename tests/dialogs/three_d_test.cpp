// The three-dimensional dialog look: under the new shell the cloned dialog class answers as its base
// class does; with a stand-in for "CTL3D32.DLL" bound, each message goes through its own entry point,
// and a missing entry point or a NULL brush falls back on the base class.
#include <gtest/gtest.h>

#include <string>

#include "Dialogs.h"
#include "test_seams.h"
#include "item_lists.h"
#include "window_host.h"

namespace {
using namespace window_tests;
using namespace dialog_tests;
using testing_support::P;

struct Ctl3dDouble {
    HMODULE module = nullptr;
    LONG(WINAPI *calls)(int) = nullptr;
    void(WINAPI *setBrush)(HBRUSH) = nullptr;
    explicit Ctl3dDouble(const char *name)
    {
        module = LoadLibraryA(name);
        if (module) {
            calls = reinterpret_cast<LONG(WINAPI *)(int)>(GetProcAddress(module, "DoubleCalls"));
            setBrush = reinterpret_cast<void(WINAPI *)(HBRUSH)>(GetProcAddress(module, "DoubleSetBrush"));
        }
    }
    ~Ctl3dDouble()
    {
        if (module)
            FreeLibrary(module);
    }
};

// A dialog of the cloned class with a static text (item 1) and a push button (item 2).
DialogPtr MakeLookDialog()
{
    Rect bounds = MakeRect(60, 60, 220, 360);
    DialogPtr d = NewDialog(nullptr, &bounds, P("Look").c_str(), true, 1, reinterpret_cast<WindowPtr>(-1), false, 0,
                            ItemList({{MakeRect(10, 10, 26, 200), statText, "Label"},
                                      {MakeRect(120, 200, 140, 280), ctrlItem + btnCtrl, "OK"}}));
    if (d)
        DrawDialog(d);
    return d;
}

// What the dialog answers for a colour message against its base class (the host's procedure, which
// leaves these to DefWindowProcA).
struct ColorAnswer {
    LRESULT answer, base;
};
ColorAnswer Ask(DialogPtr d, UINT message, int item)
{
    HWND h = HwndOf(d);
    HDC dc = GetDC(h);
    HWND child = GetDlgItem(h, item);
    ColorAnswer a{SendMessageA(h, message, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(child)),
                  DefWindowProcA(h, message, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(child))};
    ReleaseDC(h, dc);
    return a;
}

TEST(ThreeDLook, TheNewShellAnswersAsTheBaseClass)
{
    EXPECT_EQ(nullptr, GetModuleHandleA("CTL3D32.DLL"));
    DialogPtr d = MakeLookDialog();
    ASSERT_TRUE(d);
    char cls[32] = {};
    GetClassNameA(HwndOf(d), cls, sizeof cls);
    EXPECT_STREQ("_ZEL_THREED_", cls);
    for (UINT message : {WM_CTLCOLORDLG, WM_CTLCOLORSTATIC, WM_CTLCOLORBTN}) {
        const ColorAnswer a = Ask(d, message, message == WM_CTLCOLORBTN ? 2 : 1);
        EXPECT_EQ(a.base, a.answer) << message;
    }
    DisposeDialog(d);
}

// Every entry point: registration at binding, 18's brush, 20 after the frame messages, the white
// background's static texts on the base class with the window colour, a NULL brush on the base class, and
// unregistration at unbinding.
TEST(ThreeDLook, AStandInAnswersThroughItsEntries)
{
    Ctl3dDouble full("ctl3d_full.dll");
    ASSERT_TRUE(full.module && full.calls && full.setBrush);
    full.calls(-1);
    ASSERT_TRUE(BindThreeDLibrary(full.module));
    EXPECT_EQ(1, full.calls(12));
    DialogPtr d = MakeLookDialog();
    ASSERT_TRUE(d);
    const LRESULT gray = reinterpret_cast<LRESULT>(GetStockObject(GRAY_BRUSH));
    EXPECT_EQ(gray, Ask(d, WM_CTLCOLORDLG, 1).answer);
    EXPECT_EQ(gray, Ask(d, WM_CTLCOLORSTATIC, 1).answer);
    full.calls(-1);
    SendMessageA(HwndOf(d), WM_NCACTIVATE, TRUE, 0);
    EXPECT_LE(1, full.calls(20));

    ZEL_SetWindowHasWhiteBkGnd(d);
    EXPECT_TRUE(ZEL_DialogWhiteBackground(HwndOf(d)));
    HWND h = HwndOf(d);
    HDC dc = GetDC(h);
    const LRESULT onStatic = SendMessageA(h, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                          reinterpret_cast<LPARAM>(GetDlgItem(h, 1)));
    EXPECT_EQ(GetSysColor(COLOR_WINDOW), GetBkColor(dc));
    EXPECT_EQ(DefWindowProcA(h, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(GetDlgItem(h, 1))),
              onStatic);
    ReleaseDC(h, dc);
    EXPECT_EQ(gray, Ask(d, WM_CTLCOLORBTN, 2).answer) << "a push button keeps the library's brush";

    full.setBrush(nullptr);
    const ColorAnswer none = Ask(d, WM_CTLCOLORDLG, 1);
    EXPECT_EQ(none.base, none.answer) << "a NULL brush is no answer";
    EXPECT_NE(0, none.answer);
    full.setBrush(static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
    DisposeDialog(d);
    BindThreeDLibrary(nullptr);
    EXPECT_EQ(1, full.calls(13));
}

// Entry points left out: without 18 the colours come from the base class and 20 still paints the
// frames; without 18 and 20 dialogs are made, painted and run, their client in the button face colour.
TEST(ThreeDLook, MissingEntriesFallBackOnTheBaseClass)
{
    struct Row {
        const char *name;
        bool frames;
    } rows[] = {{"ctl3d_no18.dll", true}, {"ctl3d_no18no20.dll", false}};
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        Ctl3dDouble partial(row.name);
        ASSERT_TRUE(partial.module && partial.calls);
        partial.calls(-1);
        ASSERT_TRUE(BindThreeDLibrary(partial.module));
        DialogPtr d = MakeLookDialog();
        ASSERT_TRUE(d);
        const ColorAnswer a = Ask(d, WM_CTLCOLORDLG, 1);
        EXPECT_EQ(a.base, a.answer);
        partial.calls(-1);
        SendMessageA(HwndOf(d), WM_NCACTIVATE, TRUE, 0);
        EXPECT_EQ(row.frames, partial.calls(20) > 0);
        InvalidateRect(HwndOf(d), nullptr, TRUE);
        UpdateWindow(HwndOf(d));
        HDC dc = GetDC(HwndOf(d));
        EXPECT_EQ(GetSysColor(COLOR_BTNFACE), GetPixel(dc, 150, 80));
        ReleaseDC(HwndOf(d), dc);
        DisposeDialog(d);
        BindThreeDLibrary(nullptr);
    }
}

} // namespace

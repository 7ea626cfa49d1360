// Controls: NewControl and DisposeControl of a push button against the Windows button a native program
// would make for it (CreateWindowExA, its font, DestroyWindow) in the same window; SetControlValue of a
// scroll bar against SetScrollPos on a bar of the same size; a dialog's 60 children against the same
// children made by hand; SetDialogItemText on a static item against SetWindowTextA on its child. Lists:
// LNew of a long list, LSetCell and LClick against the list-box messages they end in, and LSetCell on a
// list against one half as long. A dialog's repaint against the same static children of a plain window.
#include "bench.h"

#include "Controls.h"
#include "Dialogs.h"
#include "Lists.h"
#include "MacMemory.h"
#include "MacWindows.h"
#include "Zel.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// An item list of `count` items with four-character texts; `item` gives the i-th item's rectangle and type.
template <typename ItemOf> std::vector<uint8_t> ItemListBytes(int count, const char (&text)[5], ItemOf item)
{
    std::vector<uint8_t> b(2);
    const int16_t stored = static_cast<int16_t>(count - 1);
    std::memcpy(b.data(), &stored, 2);
    for (int i = 0; i < count; ++i) {
        Rect r{};
        const uint8_t type = item(i, &r);
        const size_t at = b.size();
        b.resize(at + 14 + 4);
        std::memcpy(&b[at + 4], &r, 8);
        b[at + 12] = type;
        b[at + 13] = 4;
        std::memcpy(&b[at + 14], text, 4);
    }
    return b;
}

// A 60-item list: 20 static texts, 20 buttons, 10 check boxes and 10 edit items, in a grid.
Handle SixtyItems()
{
    const std::vector<uint8_t> b = ItemListBytes(60, "Item", [](int i, Rect *r) {
        const int16_t top = static_cast<int16_t>(10 + (i % 15) * 24), left = static_cast<int16_t>(10 + (i / 15) * 110);
        *r = Rect{top, left, static_cast<int16_t>(top + 20), static_cast<int16_t>(left + 100)};
        return static_cast<uint8_t>(i < 20 ? statText : i < 40 ? ctrlItem + btnCtrl : i < 50 ? ctrlItem + chkCtrl : editText);
    });
    Handle h = NewHandle(static_cast<Size>(b.size()));
    std::memcpy(*h, b.data(), b.size());
    return h;
}

// Ends a modal run two seconds after it began.
uint32_t sRunStart;
Boolean ZEL_CALL EndAfterTwoSeconds(DialogPtr, EventRecord *, int16_t *item)
{
    if (GetTickCount() - sRunStart < 2000)
        return false;
    *item = 1;
    return true;
}

double ProcessCpuSeconds()
{
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto seconds = [](const FILETIME &f) {
        return (static_cast<double>(f.dwHighDateTime) * 4294967296.0 + f.dwLowDateTime) * 1e-7;
    };
    return seconds(kernel) + seconds(user);
}

} // namespace

int RunBench()
{
    InitWindows();
    Rect bounds{40, 40, 240, 340};
    WindowPtr window = NewCWindow(nullptr, &bounds, reinterpret_cast<const unsigned char *>("\x08" "Controls"), TRUE,
                                  documentProc, reinterpret_cast<WindowPtr>(-1), TRUE, 0);
    HWND parent = ZEL_GethWnd(window);
    HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    const Rect r{10, 10, 30, 110};
    const Rect barRect{10, 200, 180, 216};
    ControlHandle bar = NewControl(window, &barRect, reinterpret_cast<const unsigned char *>("\0"), TRUE, 0, 0, 100,
                                   scrollBarProc, 2);
    HWND rawBar = CreateWindowExA(0, "scrollbar", "", WS_CHILD | WS_VISIBLE | SBS_VERT, 230, 10, 16, 170, parent,
                                  nullptr, GetModuleHandleA(nullptr), nullptr);
    SetScrollRange(rawBar, SB_CTL, 0, 100, TRUE);
    HWND lastRaw = nullptr;
    ControlHandle lastLibrary = nullptr;
    std::vector<PairCase> cases = {
        {"NewControl+DisposeControl, push button", 300,
         [&](int) {
             ControlHandle c = NewControl(window, &r, reinterpret_cast<const unsigned char *>("\x02OK"), TRUE, 0, 0, 1,
                                          pushButProc, 1);
             lastLibrary = c;
             DisposeControl(c);
         },
         [&](int) {
             HWND b = CreateWindowExA(0, "button", "OK", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 10, 10, 100, 20,
                                      parent, reinterpret_cast<HMENU>(1), GetModuleHandleA(nullptr), nullptr);
             lastRaw = b;
             SendMessageA(b, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
             DestroyWindow(b);
         },
         [&] { return lastLibrary && lastRaw && !IsWindow(lastRaw); }, {}, {}},
        {"SetControlValue, scroll bar", 2000,
         [&](int i) { SetControlValue(bar, static_cast<int16_t>(i % 100)); },
         [&](int i) { SetScrollPos(rawBar, SB_CTL, i % 100, TRUE); },
         [&] { return GetScrollPos(ZEL_ControlToHWND(bar), SB_CTL) == GetScrollPos(rawBar, SB_CTL); }, {}, {}},
    };
    // The same 60 children made by hand: class, font, the parking move and their destruction.
    Handle list = SixtyItems();
    const Rect dialogBounds{60, 60, 460, 520};
    int builtChildren = 0, rawChildren = 0;
    HWND rawParent = nullptr;
    cases.push_back(PairCase{
        "NewDialog+DisposeDialog, 60 items", 20,
        [&](int) {
            Handle items = list;
            HandToHand(&items);
            DialogPtr d = NewDialog(nullptr, &dialogBounds, reinterpret_cast<const unsigned char *>("\x06" "Dialog"),
                                    TRUE, 1, reinterpret_cast<WindowPtr>(-1), FALSE, 0, items);
            builtChildren = 0;
            for (HWND c = GetWindow(ZEL_GethWnd(d), GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
                ++builtChildren;
            DisposeDialog(d);
        },
        [&](int) {
            rawParent = CreateWindowExA(0, "ZELMainWndClass", "Dialog", WS_POPUP | WS_CAPTION | WS_VISIBLE, 60, 60, 460,
                                        400, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
            HWND children[60];
            for (int i = 0; i < 60; ++i) {
                const char *cls = i < 20 ? "static" : i < 50 ? "button" : "edit";
                const DWORD style = WS_CHILD | WS_VISIBLE |
                                    (i < 20 ? 0 : i < 40 ? BS_PUSHBUTTON : i < 50 ? BS_CHECKBOX : WS_BORDER | ES_AUTOHSCROLL);
                const int top = 10 + (i % 15) * 24, left = 10 + (i / 15) * 110;
                children[i] = CreateWindowExA(0, cls, "Item", style, left, top, 101, 21, rawParent,
                                              reinterpret_cast<HMENU>(static_cast<uintptr_t>(i + 1)),
                                              GetModuleHandleA(nullptr), nullptr);
                SendMessageA(children[i], WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
                SetWindowPos(children[i], nullptr, left + 8192, top + 8192, 0, 0,
                             SWP_NOSIZE | SWP_NOZORDER | SWP_NOREDRAW | SWP_NOACTIVATE);
            }
            rawChildren = 0;
            for (HWND c = GetWindow(rawParent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
                ++rawChildren;
            DestroyWindow(rawParent);
        },
        [&] { return builtChildren == 60 && rawChildren == 60; }, {}, {}});
    // Lists against bare list boxes of the same size.
    const Rect listView{10, 120, 190, 280};
    const Rect longBounds{0, 0, 5000, 1};
    const Point cellSize{16, 160};
    auto bareBox = [&](DWORD extra) {
        return CreateWindowExA(0, "listbox", "", WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | LBS_NOTIFY | extra,
                               120, 10, 162, 182, parent, nullptr, GetModuleHandleA(nullptr), nullptr);
    };
    LRESULT libraryItems = 0, rawItems = 0;
    cases.push_back(PairCase{
        "LNew+LDispose, one column of 5,000 rows", 3,
        [&](int) {
            ListHandle l = LNew(&listView, &longBounds, cellSize, 0, window, TRUE, FALSE, FALSE, TRUE);
            libraryItems = SendMessageA(ZEL_GetHWNDFromListHandle(l), LB_GETCOUNT, 0, 0);
            LDispose(l);
        },
        [&](int) {
            HWND box = bareBox(LBS_EXTENDEDSEL);
            SendMessageA(box, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
            SendMessageA(box, WM_SETREDRAW, FALSE, 0);
            for (int i = 0; i < 5000; ++i)
                SendMessageA(box, LB_INSERTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(""));
            SendMessageA(box, WM_SETREDRAW, TRUE, 0);
            rawItems = SendMessageA(box, LB_GETCOUNT, 0, 0);
            DestroyWindow(box);
        },
        [&] { return libraryItems == 5000 && rawItems == 5000; }, {}, {}});

    ListHandle cellsList = nullptr;
    HWND cellsBox = nullptr;
    const Rect cellsBounds{0, 0, 2000, 1};
    int changes = 0;
    char text[16];
    cases.push_back(PairCase{
        "LSetCell, one column of 2,000 rows, drawing off", 2000,
        [&](int i) {
            const int n = std::snprintf(text, sizeof text, "cell %d", ++changes);
            LSetCell(text, static_cast<int16_t>(n), Cell{static_cast<int16_t>(i % 2000), 0}, cellsList);
        },
        [&](int i) {
            std::snprintf(text, sizeof text, "cell %d", ++changes);
            SendMessageA(cellsBox, LB_DELETESTRING, static_cast<WPARAM>(i % 2000), 0);
            SendMessageA(cellsBox, LB_INSERTSTRING, static_cast<WPARAM>(i % 2000), reinterpret_cast<LPARAM>(text));
        },
        [&] {
            return SendMessageA(ZEL_GetHWNDFromListHandle(cellsList), LB_GETCOUNT, 0, 0) ==
                   SendMessageA(cellsBox, LB_GETCOUNT, 0, 0);
        },
        [&] {
            cellsList = LNew(&listView, &cellsBounds, cellSize, 0, window, TRUE, FALSE, FALSE, TRUE);
            LSetDrawingMode(FALSE, cellsList);
            cellsBox = bareBox(LBS_EXTENDEDSEL);
            SendMessageA(cellsBox, WM_SETREDRAW, FALSE, 0);
            for (int i = 0; i < 2000; ++i)
                SendMessageA(cellsBox, LB_INSERTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(""));
        },
        [&] {
            LDispose(cellsList);
            DestroyWindow(cellsBox);
        }});

    // Building a list row by row, a one-letter text each (10,000 cells stay within the cells' 32 KB),
    // against LB_ADDSTRING on a bare list box; both made and destroyed within the run.
    auto buildLibraryList = [&](int rows) {
        const Rect none{0, 0, 0, 1};
        ListHandle l = LNew(&listView, &none, cellSize, 0, window, TRUE, FALSE, FALSE, TRUE);
        for (int i = 0; i < rows; ++i) {
            const char letter = static_cast<char>('A' + i % 26);
            const int16_t row = LAddRow(1, static_cast<int16_t>(i), l);
            LSetCell(&letter, 1, Cell{row, 0}, l);
        }
        libraryItems = SendMessageA(ZEL_GetHWNDFromListHandle(l), LB_GETCOUNT, 0, 0);
        LDispose(l);
    };
    auto buildRawList = [&](int rows) {
        HWND box = bareBox(LBS_EXTENDEDSEL);
        SendMessageA(box, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        for (int i = 0; i < rows; ++i) {
            const char letter[2] = {static_cast<char>('A' + i % 26), 0};
            SendMessageA(box, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(letter));
        }
        rawItems = SendMessageA(box, LB_GETCOUNT, 0, 0);
        DestroyWindow(box);
    };
    for (const int rows : {100, 1000, 10000}) {
        char name[80];
        std::snprintf(name, sizeof name, "LAddRow+LSetCell, one column, %d rows", rows);
        cases.push_back(PairCase{name, std::max(1, 10000 / rows / 2), [&, rows](int) { buildLibraryList(rows); },
                                 [&, rows](int) { buildRawList(rows); },
                                 [&, rows] { return libraryItems == rows && rawItems == rows; }, {}, {}});
    }

    // LDraw of one visible cell against the same item invalidated and painted on a bare list box of the
    // same items.
    ListHandle drawList = nullptr;
    HWND drawBox = nullptr;
    const Rect drawBounds{0, 0, 50, 1};
    cases.push_back(PairCase{
        "LDraw of one visible cell", 500, [&](int) { LDraw(Cell{3, 0}, drawList); },
        [&](int) {
            RECT item{};
            SendMessageA(drawBox, LB_GETITEMRECT, 3, reinterpret_cast<LPARAM>(&item));
            InvalidateRect(drawBox, &item, TRUE);
            UpdateWindow(drawBox);
        },
        [&] {
            return !GetUpdateRect(ZEL_GetHWNDFromListHandle(drawList), nullptr, FALSE) &&
                   !GetUpdateRect(drawBox, nullptr, FALSE);
        },
        [&] {
            drawList = LNew(&listView, &drawBounds, cellSize, 0, window, TRUE, FALSE, FALSE, TRUE);
            drawBox = bareBox(LBS_EXTENDEDSEL);
            SendMessageA(drawBox, WM_SETFONT, SendMessageA(ZEL_GetHWNDFromListHandle(drawList), WM_GETFONT, 0, 0), FALSE);
            for (int16_t i = 0; i < 50; ++i) {
                char cell[8];
                const int n = std::snprintf(cell, sizeof cell, "row %d", i);
                LSetCell(cell, static_cast<int16_t>(n), Cell{i, 0}, drawList);
                SendMessageA(drawBox, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(cell));
            }
            UpdateWindow(ZEL_GetHWNDFromListHandle(drawList));
            UpdateWindow(drawBox);
        },
        [&] {
            LDispose(drawList);
            DestroyWindow(drawBox);
        }});

    ListHandle clickList = nullptr;
    int32_t selectedItems[5000];
    LRESULT rawSelected = 0;
    cases.push_back(PairCase{
        "LClick, 5,000 cells with 2,500 selected", 50,
        [&](int) { LClick(Point{0, 0}, 0, clickList); },
        [&](int) {
            HWND box = ZEL_GetHWNDFromListHandle(clickList);
            const LRESULT n = SendMessageA(box, LB_GETSELCOUNT, 0, 0);
            rawSelected = SendMessageA(box, LB_GETSELITEMS, static_cast<WPARAM>(n), reinterpret_cast<LPARAM>(selectedItems));
        },
        [&] {
            int bits = 0;
            for (int i = 0; i <= (*clickList)->maxIndex; ++i)
                bits += ((*clickList)->cellArray[i] & 0x8000) != 0;
            return bits == 2500 && rawSelected == 2500;
        },
        [&] {
            clickList = LNew(&listView, &longBounds, cellSize, 0, window, TRUE, FALSE, FALSE, TRUE);
            HWND box = ZEL_GetHWNDFromListHandle(clickList);
            for (int i = 0; i < 5000; i += 2)
                SendMessageA(box, LB_SETSEL, TRUE, i);
        },
        [&] { LDispose(clickList); }});

    // Item text: SetDialogItemText of 40 characters on a static item against SetWindowTextA of the same
    // converted text on the same child.
    const Rect textBounds{60, 60, 200, 420};
    std::vector<uint8_t> oneStatic(2 + 14 + 4, 0);
    const Rect textRect{10, 10, 30, 340};
    std::memcpy(&oneStatic[2 + 4], &textRect, 8);
    oneStatic[2 + 12] = statText;
    oneStatic[2 + 13] = 4;
    std::memcpy(&oneStatic[2 + 14], "Text", 4);
    Handle textItems = NewHandle(static_cast<Size>(oneStatic.size()));
    std::memcpy(*textItems, oneStatic.data(), oneStatic.size());
    DialogPtr textDialog = NewDialog(nullptr, &textBounds, reinterpret_cast<const unsigned char *>("\x04" "Text"), TRUE, 1,
                                     reinterpret_cast<WindowPtr>(-1), FALSE, 0, textItems);
    HWND textChild = ZEL_GetDlgItemHWND(textDialog, 1);
    const unsigned char *forty = reinterpret_cast<const unsigned char *>("\x28" "The quick brown fox jumps over the dogs!");
    cases.push_back(PairCase{
        "SetDialogItemText, 40 characters on a static item", 2000,
        [&](int) { SetDialogItemText(reinterpret_cast<Handle>(textChild), forty); },
        [&](int) { SetWindowTextA(textChild, "The quick brown fox jumps over the dogs!"); },
        [&] {
            char shown[64] = {};
            GetWindowTextA(textChild, shown, sizeof shown);
            return std::strcmp(shown, "The quick brown fox jumps over the dogs!") == 0;
        },
        {}, {}});
    // Repainting a dialog of 40 static texts, every child through the library's wrapper, against 40 bare
    // static children of a plain window.
    const Rect paintBounds{40, 5, 300, 305};
    const std::vector<uint8_t> fortyTexts = ItemListBytes(40, "Text", [](int i, Rect *r) {
        const int16_t top = static_cast<int16_t>(5 + (i % 20) * 12), left = static_cast<int16_t>(5 + (i / 20) * 145);
        *r = Rect{top, left, static_cast<int16_t>(top + 13), static_cast<int16_t>(left + 140)};
        return static_cast<uint8_t>(statText);
    });
    DialogPtr paintDialog = nullptr;
    HWND paintRaw = nullptr;
    auto nothingLeft = [](HWND parent) {
        int children = 0;
        for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT), ++children)
            if (GetUpdateRect(c, nullptr, FALSE))
                return -1;
        return children;
    };
    const UINT redraw = RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN;
    cases.push_back(PairCase{
        "RedrawWindow of a dialog of 40 static texts", 200,
        [&](int) { RedrawWindow(ZEL_GethWnd(paintDialog), nullptr, nullptr, redraw); },
        [&](int) { RedrawWindow(paintRaw, nullptr, nullptr, redraw); },
        [&] { return nothingLeft(ZEL_GethWnd(paintDialog)) == 40 && nothingLeft(paintRaw) == 40; },
        [&] {
            Handle items = NewHandle(static_cast<Size>(fortyTexts.size()));
            std::memcpy(*items, fortyTexts.data(), fortyTexts.size());
            paintDialog = NewDialog(nullptr, &paintBounds, reinterpret_cast<const unsigned char *>("\x05" "Paint"), TRUE,
                                    1, reinterpret_cast<WindowPtr>(-1), FALSE, 0, items);
            DrawDialog(paintDialog);
            // A plain window beside the dialog, of its size and styles, with the same parent; each bare child
            // as the dialog's: its place, styles, text and font.
            HWND dialogWindow = ZEL_GethWnd(paintDialog);
            RECT frame;
            GetWindowRect(dialogWindow, &frame);
            MapWindowPoints(nullptr, GetParent(dialogWindow), reinterpret_cast<POINT *>(&frame), 2);
            paintRaw = CreateWindowExA(GetWindowLongA(dialogWindow, GWL_EXSTYLE), "ZELSubWndClass", "Paint",
                                       GetWindowLongA(dialogWindow, GWL_STYLE), frame.right + 10, frame.top,
                                       frame.right - frame.left, frame.bottom - frame.top, GetParent(dialogWindow),
                                       nullptr, GetModuleHandleA(nullptr), nullptr);
            for (HWND item = GetWindow(ZEL_GethWnd(paintDialog), GW_CHILD); item; item = GetWindow(item, GW_HWNDNEXT)) {
                RECT at;
                GetWindowRect(item, &at);
                MapWindowPoints(nullptr, ZEL_GethWnd(paintDialog), reinterpret_cast<POINT *>(&at), 2);
                char shown[64] = {};
                GetWindowTextA(item, shown, sizeof shown);
                HWND c = CreateWindowExA(GetWindowLongA(item, GWL_EXSTYLE), "static", shown,
                                         GetWindowLongA(item, GWL_STYLE), at.left, at.top, at.right - at.left,
                                         at.bottom - at.top, paintRaw, nullptr, GetModuleHandleA(nullptr), nullptr);
                SendMessageA(c, WM_SETFONT, SendMessageA(item, WM_GETFONT, 0, 0), FALSE);
            }
        },
        [&] {
            DisposeDialog(paintDialog);
            DestroyWindow(paintRaw);
        }});
    const int disagreed = RunPairCases(cases);
    // The per-row cost of building 10,000 rows against 100: the library's growth beside the list box's.
    if (!BenchSmoke()) {
        auto perRow = [](auto build, int rows) {
            double best = 1e30;
            for (int round = 0; round < 3; ++round)
                best = std::min(best, TimePerRun(std::max(1, 2000 / rows), [&](int) { build(rows); }) / rows);
            return best;
        };
        const double library = perRow(buildLibraryList, 10000) / perRow(buildLibraryList, 100);
        const double raw = perRow(buildRawList, 10000) / perRow(buildRawList, 100);
        std::printf("LAddRow+LSetCell per row, 10,000 rows against 100: library x%.2f, raw x%.2f\n", library, raw);
    }
    DisposeDialog(textDialog);
    DisposeHandle(list);

    // LSetCell on a list twice as long, a third of its items selected: the cost per call grows with the
    // list box's own item moves, not with the selection.
    if (!BenchSmoke()) {
        double perCall[2];
        for (int k = 0; k < 2; ++k) {
            const int16_t rows = k ? 4000 : 2000;
            const Rect rowBounds{0, 0, rows, 1};
            ListHandle l = LNew(&listView, &rowBounds, cellSize, 0, window, TRUE, FALSE, FALSE, TRUE);
            LSetDrawingMode(FALSE, l);
            HWND box = ZEL_GetHWNDFromListHandle(l);
            for (int i = 0; i < rows; i += 3)
                SendMessageA(box, LB_SETSEL, TRUE, i);
            int n = 0;
            perCall[k] = 1e30;
            for (int round = 0; round < 5; ++round)
                perCall[k] = std::min(perCall[k], TimePerRun(rows, [&](int i) {
                    // Short texts: 4,000 cells stay within the cells' 32 KB.
                    const int length = std::snprintf(text, sizeof text, "%d", ++n % 10000);
                    LSetCell(text, static_cast<int16_t>(length), Cell{static_cast<int16_t>(i % rows), 0}, l);
                }));
            LDispose(l);
        }
        std::printf("LSetCell, 4,000 rows against 2,000, a third selected: %.0f ns against %.0f ns, ratio %.2f\n",
                    perCall[1] * 1e9, perCall[0] * 1e9, perCall[1] / perCall[0]);
    }

    // A modal dialog left waiting: the share of one core its loop takes.
    if (!BenchSmoke()) {
        Handle items = SixtyItems();
        DialogPtr d = NewDialog(nullptr, &dialogBounds, reinterpret_cast<const unsigned char *>("\x04" "Wait"), TRUE, 1,
                                reinterpret_cast<WindowPtr>(-1), FALSE, 0, items);
        SelectWindow(d);
        const double cpu = ProcessCpuSeconds();
        sRunStart = GetTickCount();
        int16_t item = 0;
        ModalDialog(EndAfterTwoSeconds, &item);
        const double wall = (GetTickCount() - sRunStart) / 1000.0;
        std::printf("ModalDialog waiting: %.1f%% of one core over %.1f s\n", 100.0 * (ProcessCpuSeconds() - cpu) / wall,
                    wall);
        DisposeDialog(d);
    }
    DisposeWindow(window);
    return disagreed;
}

// MenuKey of a key no item has, through a bar of ten menus, against TranslateAccelerator through a table
// of as many key equivalents: both look at every item once, so both grow with the items alike. And the
// bar redrawn after one menu is inserted into it (and after it is taken out again), against the same
// menu made, inserted into the host's frame menu and the frame redrawn, then taken out.
#include "bench.h"

#include "Menus.h"
#include "test_support.h"

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kMenus = 10;

struct Bar {
    std::vector<MenuHandle> menus;
    HACCEL accelerators = nullptr;
    HWND window = nullptr;
};

PairCase UnmatchedKey(int itemsPerMenu)
{
    auto bar = std::make_shared<Bar>();
    PairCase c;
    c.name = "MenuKey of a key no item has, " + std::to_string(kMenus) + " menus of " + std::to_string(itemsPerMenu) +
             " items";
    c.count = 20000;
    c.setUp = [=] {
        InitMenus();
        ClearMenuBar();
        std::vector<ACCEL> table;
        for (int m = 0; m < kMenus; ++m) {
            MenuHandle menu = NewMenu(static_cast<int16_t>(200 + m), testing_support::P("Menu").c_str());
            for (int i = 0; i < itemsPerMenu; ++i) {
                const char key = static_cast<char>('A' + (m * itemsPerMenu + i) % 26);
                const std::string item = "Item/" + std::string(1, key);
                AppendMen(menu, testing_support::P(item.c_str()).c_str());
                table.push_back(ACCEL{FVIRTKEY | FCONTROL, static_cast<WORD>(key), static_cast<WORD>(1000 + table.size())});
            }
            InsertMen(menu, 0);
            bar->menus.push_back(menu);
        }
        bar->accelerators = CreateAcceleratorTableA(table.data(), static_cast<int>(table.size()));
        bar->window = testing_support::HostMainWindow();
    };
    c.library = [](int) {
        if (MenuKey('=') != 0)
            std::abort();
    };
    c.raw = [=](int) {
        MSG msg{bar->window, WM_KEYDOWN, VK_OEM_PLUS, 0, 0, {0, 0}};
        if (TranslateAcceleratorA(bar->window, bar->accelerators, &msg))
            std::abort();
    };
    c.same = [=] { return MenuKey('=') == 0 && MenuKey('A') == ((200 << 16) | 1); };
    c.tearDown = [=] {
        ClearMenuBar();
        for (MenuHandle m : bar->menus)
            DisposeMenu(m);
        bar->menus.clear();
        DestroyAcceleratorTable(bar->accelerators);
    };
    return c;
}

PairCase RedrawAfterInsert()
{
    constexpr int kItems = 20;
    auto bar = std::make_shared<Bar>();
    auto extra = std::make_shared<MenuHandle>();
    auto frameItems = std::make_shared<int>();
    auto position = std::make_shared<int>(-1); // of the inserted menu's title in the frame menu
    PairCase c;
    c.name = "DrawMenuBa after one InsertMen, " + std::to_string(kMenus) + " menus of " + std::to_string(kItems) +
             " items";
    c.count = 200;
    auto makeMenu = [](int16_t id) {
        MenuHandle menu = NewMenu(id, testing_support::P(("Menu" + std::to_string(id)).c_str()).c_str());
        for (int i = 0; i < kItems; ++i)
            AppendMen(menu, testing_support::P(("Item " + std::to_string(i) + "/" + std::string(1, 'A' + i)).c_str()).c_str());
        return menu;
    };
    // The bar is mirrored in the host's frame menu: the host gets one (with its own item) when it has none.
    c.setUp = [=] {
        bar->window = testing_support::HostMainWindow();
        if (!GetMenu(bar->window)) {
            HMENU frame = CreateMenu();
            AppendMenuA(frame, MF_STRING, 100, "Host");
            SetMenu(bar->window, frame);
        }
        InitMenus();
        ClearMenuBar();
        for (int m = 0; m < kMenus; ++m) {
            bar->menus.push_back(makeMenu(static_cast<int16_t>(200 + m)));
            InsertMen(bar->menus.back(), 0);
        }
        *extra = makeMenu(300);
        DrawMenuBa();
        HMENU frame = GetMenu(bar->window);
        *frameItems = GetMenuItemCount(frame);
        InsertMen(*extra, 205);
        DrawMenuBa();
        for (int i = 0; i < GetMenuItemCount(frame); ++i) {
            char title[16] = "";
            GetMenuStringA(frame, i, title, sizeof title, MF_BYPOSITION);
            if (!std::strcmp(title, "Menu300"))
                *position = i;
        }
        DeleteMen(300);
        DrawMenuBa();
    };
    c.library = [=](int) {
        InsertMen(*extra, 205);
        DrawMenuBa();
        DeleteMen(300);
        DrawMenuBa();
    };
    c.raw = [=](int) {
        HMENU frame = GetMenu(bar->window);
        HMENU popup = CreatePopupMenu();
        for (int i = 0; i < kItems; ++i)
            AppendMenuA(popup, MF_STRING, 0x3000 + i, ("Item " + std::to_string(i) + "\tCtrl+" + std::string(1, 'A' + i)).c_str());
        InsertMenuA(frame, *position, MF_BYPOSITION | MF_POPUP, reinterpret_cast<UINT_PTR>(popup), "Menu300");
        DrawMenuBar(bar->window);
        RemoveMenu(frame, *position, MF_BYPOSITION);
        DestroyMenu(popup);
        DrawMenuBar(bar->window);
    };
    c.same = [=] {
        HMENU frame = GetMenu(bar->window);
        InsertMen(*extra, 205);
        DrawMenuBa();
        const bool inserted = *position >= 0 && GetMenuItemCount(frame) == *frameItems + 1 &&
                              GetSubMenu(frame, *position) != nullptr &&
                              GetMenuItemCount(GetSubMenu(frame, *position)) == kItems;
        DeleteMen(300);
        DrawMenuBa();
        return inserted && GetMenuItemCount(frame) == *frameItems;
    };
    c.tearDown = [=] {
        ClearMenuBar();
        DrawMenuBa();
        for (MenuHandle m : bar->menus)
            DisposeMenu(m);
        DisposeMenu(*extra);
        bar->menus.clear();
    };
    return c;
}

} // namespace

int RunBench() { return RunPairCases({UnmatchedKey(5), UnmatchedKey(20), RedrawAfterInsert()}); }

// MenuKey of a key no item has, through a bar of ten menus, against TranslateAccelerator through a table
// of as many key equivalents: both look at every item once, so both grow with the items alike.
#include "bench.h"

#include "Menus.h"
#include "test_support.h"

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

} // namespace

int RunBench() { return RunPairCases({UnmatchedKey(5), UnmatchedKey(20)}); }

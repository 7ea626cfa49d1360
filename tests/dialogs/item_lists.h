// Dialog item lists as the library keeps them, for the dialog tests: the count less one, then each
// item's handle, rectangle, type, data length and data padded to even.
#pragma once

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "Dialogs.h"
#include "Events.h"
#include "MacMemory.h"
#include "Resources.h"

namespace dialog_tests {

inline Rect MakeRect(int top, int left, int bottom, int right)
{
    return Rect{int16_t(top), int16_t(left), int16_t(bottom), int16_t(right)};
}

struct ItemSpec {
    Rect r;
    uint8_t type;
    std::string data;
};

inline std::vector<uint8_t> ListBytes(const std::vector<ItemSpec> &items, int16_t storedCount)
{
    std::vector<uint8_t> b(2);
    std::memcpy(b.data(), &storedCount, 2);
    for (const ItemSpec &i : items) {
        const size_t at = b.size();
        b.resize(at + 14);
        std::memcpy(&b[at + 4], &i.r, 8);
        b[at + 12] = i.type;
        b[at + 13] = static_cast<uint8_t>(i.data.size());
        b.insert(b.end(), i.data.begin(), i.data.end());
        if (i.data.size() & 1)
            b.push_back(0);
    }
    return b;
}

// A handle of the list; the stored count is the items' less one unless given.
inline Handle ItemList(const std::vector<ItemSpec> &items, int storedCount = -2)
{
    const auto b = ListBytes(items, static_cast<int16_t>(storedCount == -2 ? int(items.size()) - 1 : storedCount));
    Handle h = NewHandle(static_cast<Size>(b.size()));
    std::memcpy(*h, b.data(), b.size());
    return h;
}

// A resource ID as item data.
inline std::string Id(int16_t id) { return std::string(reinterpret_cast<const char *>(&id), 2); }

constexpr ResType kDLOG = 0x444C4F47, kDITL = 0x4449544C, kZELD = 0x5A454C44;

// A visible 'DLOG' of procID 1 at (60, 60, 300, 460), as the library keeps it once loaded, naming the
// item list `ditl`, with a one-letter title.
inline std::vector<uint8_t> DialogTemplate(int16_t ditl)
{
    std::vector<uint8_t> b(22);
    const Rect r = MakeRect(60, 60, 300, 460);
    std::memcpy(&b[0], &r, 8);
    const int16_t procID = 1;
    std::memcpy(&b[8], &procID, 2);
    b[10] = 1;
    std::memcpy(&b[18], &ditl, 2);
    b[20] = 1;
    b[21] = 'D';
    return b;
}

// An item's handle field and rectangle.
inline Handle ItemHandle(DialogPtr d, int16_t item, Rect *box = nullptr)
{
    int16_t type;
    Handle h;
    Rect r;
    GetDialogItem(d, item, &type, &h, &r);
    if (box)
        *box = r;
    return h;
}
inline Rect ItemRect(DialogPtr d, int16_t item)
{
    Rect r;
    ItemHandle(d, item, &r);
    return r;
}

// A window's text.
inline std::string WindowText(HWND h)
{
    char text[1024] = {};
    GetWindowTextA(h, text, sizeof text);
    return text;
}

// A key-down event of a character.
inline EventRecord KeyEvent(uint8_t c, uint16_t modifiers = 0)
{
    EventRecord e{};
    e.what = keyDown;
    e.message = c;
    e.modifiers = modifiers;
    return e;
}

// A resource of the current file from bytes as the library keeps them once loaded.
inline void AddResourceBytes(ResType type, int16_t id, const std::vector<uint8_t> &bytes)
{
    Handle h = NewHandle(static_cast<Size>(bytes.size()));
    std::memcpy(*h, bytes.data(), bytes.size());
    const unsigned char noName[1] = {0};
    AddResource(h, type, id, noName);
}

// A new, empty resource file made the current one; its reference number (0 when it failed).
inline int16_t FreshResourceFile(const char *name)
{
    SetResLoad(true);
    DeleteFileA(name);
    unsigned char pascalName[256];
    pascalName[0] = static_cast<unsigned char>(std::strlen(name));
    std::memcpy(pascalName + 1, name, pascalName[0]);
    CreateResFile(pascalName);
    const int16_t ref = OpenResFile(pascalName);
    if (ref > 0)
        UseResFile(ref);
    return ref > 0 ? ref : 0;
}

} // namespace dialog_tests

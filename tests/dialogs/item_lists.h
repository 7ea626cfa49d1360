// Dialog item lists as the library keeps them, for the dialog tests: the count less one, then each
// item's handle, rectangle, type, data length and data padded to even.
#pragma once

#include <cstring>
#include <string>
#include <vector>

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

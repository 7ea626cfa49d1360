// Dialog item lists as the library keeps them, for the dialog tests: the count less one, then each
// item's handle, rectangle, type, data length and data padded to even.
#pragma once

#include <cstring>
#include <string>
#include <vector>

#include "MacMemory.h"

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

} // namespace dialog_tests

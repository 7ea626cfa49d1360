// The library switches that ZEL_SetFlags sets through its switch mask. Each belongs to the code that
// tests it; they are kept here, one per bit, so that every subsystem reads them the same way.
#include "core.h"

namespace {

// Indexed by bit position 0..15. The line-drawing switch (0x1) is stored inverted: bit set = off. It
// starts on: horizontal and vertical lines may be drawn by PatBlt until the host sets the bit.
bool sSwitches[16] = {true};

int IndexOf(uint32_t bit)
{
    for (int i = 0; i < 16; ++i)
        if (bit == (1u << i))
            return i;
    return -1;
}

// Hooks for switches that also change state elsewhere when they are set.
void (*sMirroredDrawingHook)(bool) = nullptr;

} // namespace

void SetLibrarySwitch(uint32_t bit, bool on)
{
    int i = IndexOf(bit);
    if (i < 0)
        return;
    sSwitches[i] = bit == 0x1 ? !on : on;
    if (bit == 0x2 && sMirroredDrawingHook)
        sMirroredDrawingHook(on);
}

bool LibrarySwitch(uint32_t bit)
{
    int i = IndexOf(bit);
    return i >= 0 && sSwitches[i];
}

void SetMirroredDrawingHook(void (*hook)(bool)) { sMirroredDrawingHook = hook; }

// SetCurso of a registered cursor against one that is not: the registered record's slot names the
// Windows cursor made once, so setting it again makes no new cursor (the cursor in use stays the same
// handle), while an unregistered record is converted on every call.
#include "bench.h"

#include <cstring>

#include "Quickdraw.h"
#include "Resources.h"

namespace {

Cursor BenchCursor()
{
    Cursor c{};
    for (int row = 0; row < 16; ++row) {
        c.data[row] = static_cast<int16_t>(0x0FF0 >> (row % 4));
        c.mask[row] = static_cast<int16_t>(0xFFFF);
    }
    c.hotSpot.v = 0x0300; // Macintosh byte order, as a record from a resource
    c.hotSpot.h = 0x0400;
    return c;
}

} // namespace

int RunBench()
{
    InitResources();
    Cursor registered = BenchCursor();
    HCURSOR made = ZEL_VelcastCursor(1, 0, &registered, 1, 1);
    if (!made) {
        std::printf("cursor registration failed\n");
        return 1;
    }
    SetCurso(&registered);
    HCURSOR inUse = GetCursor();
    double registeredCost = TimePerRun(20000, [&](int) { SetCurso(&registered); });
    const bool sameHandle = GetCursor() == inUse;
    Cursor plain = BenchCursor();
    double plainCost = TimePerRun(2000, [&](int) { SetCurso(&plain); });
    std::printf("SetCurso: registered %.0f ns (same Windows cursor kept: %s), unregistered %.0f ns, ratio %.2f\n",
                registeredCost * 1e9, sameHandle ? "yes" : "no", plainCost * 1e9,
                registeredCost > 0 ? plainCost / registeredCost : 0.0);
    InitCursor();
    return sameHandle ? 0 : 1;
}

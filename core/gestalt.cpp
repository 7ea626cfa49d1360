// Gestalt: fixed answers that describe the library's Macintosh model.
#include "core.h"
#include "Gestalt.h"

namespace {

constexpr OSType Code(const char (&c)[5])
{
    return (static_cast<OSType>(static_cast<uint8_t>(c[0])) << 24) | (static_cast<OSType>(static_cast<uint8_t>(c[1])) << 16) |
           (static_cast<OSType>(static_cast<uint8_t>(c[2])) << 8) | static_cast<uint8_t>(c[3]);
}

struct GestaltAnswer {
    OSType selector;
    int32_t response;
};

constexpr GestaltAnswer kAnswers[] = {
    {Code("vers"), 1},      {Code("mach"), 11}, {Code("sysv"), 0x0700}, {Code("evnt"), 1}, {Code("proc"), 4},
    {Code("kbd "), 4},      {Code("fpu "), -1}, {Code("qd  "), 0x0200}, {Code("atlk"), 0}, {Code("hdwr"), 0},
    {Code("scri"), 1},      {Code("os  "), 8},  {Code("te  "), 1},      {Code("edtn"), 0}, {Code("help"), 0},
    {Code("alis"), 1},      {Code("fold"), 1},  {Code("pop!"), 0},      {Code("font"), 0}, {Code("drag"), 3},
    {Code("thds"), 1},
};

} // namespace

ZEL_EXTERN_C OSErr ZEL_CALL Gestalt(OSType selector, int32_t *response)
{
    int32_t scratch;
    if (!response)
        response = &scratch;
    *response = 0;
    for (const GestaltAnswer &a : kAnswers) {
        if (a.selector == selector) {
            *response = a.response;
            return 0;
        }
    }
    return gestaltUndefSelectorErr;
}

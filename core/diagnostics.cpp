// DebugStr: the one diagnostic channel. Messages go to the debugger output unless session flag 0x20000
// silences them.
#include "core.h"
#include "OSUtils.h"

#include <cstring>

ZEL_EXTERN_C void ZEL_CALL DebugStr(ConstStr255Param message)
{
    if (SessionFlag(zelFlagSilentDebugStr))
        return;
    char text[257];
    int n = message ? message[0] : 0;
    if (n)
        std::memcpy(text, message + 1, n);
    text[n] = 0;
    OutputDebugStringA(text);
}

ZEL_EXTERN_C void ZEL_CALL Debugger(void)
{
    static const unsigned char kEmpty[] = {0};
    DebugStr(kEmpty);
}

void DebugStrC(const char *text)
{
    unsigned char message[256];
    size_t n = text ? std::strlen(text) : 0;
    if (n > 255)
        n = 255;
    message[0] = static_cast<unsigned char>(n);
    if (n)
        std::memcpy(message + 1, text, n);
    DebugStr(message);
}

void ReportUnimplemented(const char *message) { DebugStrC(message); }

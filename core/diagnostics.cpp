// The diagnostic channel. Every message of the library and every unimplemented entry point goes through
// DebugStr, which writes it to the debugger output or shows it in a message box and may then break into
// the debugger. Two switches decide: "DebugStrMBox" (default 1, message box) and "DebugStrBreak" (default
// 0), section "zelport2", read from "ZELPORT.INI" beside the host at every message so that a developer
// can change them while the application runs, and from the per-user profile (WIN.INI) once.
#include "core.h"
#include "OSUtils.h"

#include <cstring>

namespace {

const char kSection[] = "zelport2";
const char kBoxKey[] = "DebugStrMBox";
const char kBreakKey[] = "DebugStrBreak";
constexpr UINT kCaptionString = 1029;

int sMessageBox = 1;
int sBreak = 0;
bool sProfileRead;

void ReadSwitches()
{
    // The profile is the fallback: read once, before the file, so that the file beside the host always
    // has the last word (reading the profile after the file would let WIN.INI win at the first message
    // only and the file at every later one).
    if (!sProfileRead) {
        sProfileRead = true;
        sMessageBox = static_cast<int>(GetProfileIntA(kSection, kBoxKey, sMessageBox));
        sBreak = static_cast<int>(GetProfileIntA(kSection, kBreakKey, sBreak));
    }
    char path[256];
    ZEL_MakeAppPathName(path, "ZELPORT.INI");
    sMessageBox = static_cast<int>(GetPrivateProfileIntA(kSection, kBoxKey, sMessageBox, path));
    sBreak = static_cast<int>(GetPrivateProfileIntA(kSection, kBreakKey, sBreak, path));
}

// Shows `length` characters of `text` (at most 255) as the switches say.
void Emit(const char *text, size_t length)
{
    if (SessionFlag(zelFlagSilentDebugStr))
        return;
    ReadSwitches();
    char message[256];
    if (length > 255)
        length = 255;
    if (length)
        std::memcpy(message, text, length);
    message[length] = 0;
    if (!sMessageBox) {
        OutputDebugStringA(message);
        OutputDebugStringA("\r\n");
    } else {
        char caption[65] = "";
        LoadStringA(SessionHostInstance(), kCaptionString, caption, sizeof caption);
        // A main window that is already gone would make MessageBoxA fail and the message be lost.
        HWND owner = SessionMainWindow();
        if (owner && !IsWindow(owner))
            owner = nullptr;
        MessageBoxA(owner, message, caption, MB_ICONEXCLAMATION);
    }
    if (sBreak)
        DebugBreak();
}

// Length of a NUL-terminated text of at most `limit` characters.
size_t BoundedLength(const char *text, size_t limit)
{
    size_t n = 0;
    while (n < limit && text[n])
        ++n;
    return n;
}

} // namespace

// The message is a Pascal string; the library's own messages are NUL-terminated with a blank in the
// length byte's place. Either way the text runs from the second byte to the first NUL, at most as many
// characters as the first byte counts, so a host's string without a NUL is never overrun.
ZEL_EXTERN_C void ZEL_CALL DebugStr(ConstStr255Param message)
{
    if (!message) {
        Emit("", 0);
        return;
    }
    const char *text = reinterpret_cast<const char *>(message + 1);
    Emit(text, BoundedLength(text, message[0]));
}

ZEL_EXTERN_C void ZEL_CALL Debugger(void) { ReportUnimplemented(" Debugger Trap"); }

// The error code is not shown.
ZEL_EXTERN_C void ZEL_CALL SysError(int16_t) { ReportUnimplemented(" SysError"); }

void DebugStrC(const char *text)
{
    if (!text)
        text = "";
    Emit(text, BoundedLength(text, 255));
}

void DebugOutputC(const char *text)
{
    char message[256];
    size_t length = text ? BoundedLength(text, 255) : 0;
    if (length)
        std::memcpy(message, text, length);
    message[length] = 0;
    OutputDebugStringA(message);
    OutputDebugStringA("\r\n");
}

void ReportUnimplemented(const char *message)
{
    if (!message || !message[0]) {
        Emit("", 0);
        return;
    }
    Emit(message + 1, BoundedLength(message + 1, 255));
}

void BreakOrReport(const char *message)
{
    if (IsDebuggerPresent())
        DebugBreak();
    else
        ReportUnimplemented(message);
}

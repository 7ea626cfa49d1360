// Shared helpers of the test programs: a host main window, a session block, DebugStr capture and
// break handling.
#pragma once

#include <windows.h>
#include <string>
#include <vector>

#include "MacTypes.h"
#include "Zel.h"
#include "MacMemory.h"

namespace testing_support {

// Registers the host's window classes and creates a hidden main frame window. NULL without a display.
HWND CreateHostMainWindow(const char *title = "TOLVADEX test host");

// This program's own host main window (the first top-level "ZELMainWndClass" window of this process), or
// NULL. Test programs share one desktop: FindWindow would as soon return another program's.
HWND HostMainWindow();

// A session block for the test host with the given main window and flags.
SessionParamBlock MakeSessionBlock(HWND mainWindow, uint32_t flags);

// Starts a session for a test program (silent DebugStr unless asked otherwise).
void StartTestSession(uint32_t extraFlags = 0);

// Messages the library wrote to the debugger output since the last call.
std::vector<std::string> TakeDebugMessages();

// Number of breakpoints the library raised since the last call (each one is stepped over).
int TakeBreakCount();

// Installs the vectored handler that captures debugger output and steps over breakpoints, and starts
// GoogleTest's thread watcher (StartThreadWatcher).
void InstallDiagnosticCapture();

// Starts the thread GoogleTest uses to watch the main thread (it is otherwise started by the first
// SCOPED_TRACE or test result) and waits until it runs. Wine 8 ends the whole process with SIGSEGV when
// the process exits while one of its threads is still starting (the termination signal reaches the
// thread before it has set up its signal handling), so a program whose tests take a millisecond could
// pass every test and still crash on the way out. The main() of every test program calls this (through
// InstallDiagnosticCapture or StartTestSession) before its tests run.
void StartThreadWatcher();

// Messages the host main window received: (message, wParam, lParam).
struct HostMessage {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};
std::vector<HostMessage> TakeHostMessages(UINT message);

// Directory holding the test program (with a trailing backslash).
std::string ProgramDirectory();

// Fills n bytes with a pattern that differs from byte to byte and from seed to seed.
void FillPattern(char *p, int32_t n, uint8_t seed);
// Index of the first byte that is not the pattern FillPattern wrote (n when all are).
int32_t PatternBreak(const char *p, int32_t n, uint8_t seed);
inline bool HasPattern(const char *p, int32_t n, uint8_t seed) { return PatternBreak(p, n, seed) == n; }

// True when all n bytes are 0.
bool AllZero(const char *p, int32_t n);

// Bytes placed between two no-access pages, flush against the second (AtEnd) or the first (AtStart):
// reading past either end of them faults.
class GuardedBytes {
public:
    explicit GuardedBytes(const char *bytes, int32_t length);
    explicit GuardedBytes(const char *text);
    ~GuardedBytes();
    GuardedBytes(const GuardedBytes &) = delete;
    GuardedBytes &operator=(const GuardedBytes &) = delete;
    char *AtEnd() const { return end_; }
    char *AtStart() const { return start_; }
    int32_t length() const { return length_; }

private:
    char *base_, *start_, *end_;
    int32_t length_;
};

// A Pascal string from a C string.
std::basic_string<unsigned char> P(const char *s);

} // namespace testing_support

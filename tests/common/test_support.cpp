#include "test_support.h"

#include <gtest/gtest.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstring>

namespace testing_support {

namespace {

std::vector<std::string> sDebugMessages;
int sBreaks;
std::vector<HostMessage> sHostMessages;

LONG CALLBACK DiagnosticHandler(EXCEPTION_POINTERS *info)
{
    EXCEPTION_RECORD *rec = info->ExceptionRecord;
    if (rec->ExceptionCode == DBG_PRINTEXCEPTION_C && rec->NumberParameters >= 2) {
        const char *text = reinterpret_cast<const char *>(rec->ExceptionInformation[1]);
        sDebugMessages.emplace_back(text ? text : "");
        return EXCEPTION_CONTINUE_EXECUTION;
    }
    if (rec->ExceptionCode == EXCEPTION_BREAKPOINT) {
        ++sBreaks;
        info->ContextRecord->Eip += 1;
        return EXCEPTION_CONTINUE_EXECUTION;
    }
    return EXCEPTION_CONTINUE_SEARCH;
}

LRESULT CALLBACK HostWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message >= WM_USER)
        sHostMessages.push_back({message, wParam, lParam});
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

void RegisterHostClasses()
{
    static bool done;
    if (done)
        return;
    done = true;
    const char *names[] = {"ZELMainWndClass", "ZELSubWndClass", "ZELSubMDIWndClass"};
    for (const char *name : names) {
        WNDCLASSA wc{};
        wc.lpfnWndProc = HostWndProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        wc.cbWndExtra = 32;
        wc.lpszClassName = name;
        RegisterClassA(&wc);
    }
}

} // namespace

void InstallDiagnosticCapture()
{
    static bool done;
    if (!done)
        AddVectoredExceptionHandler(1, DiagnosticHandler);
    done = true;
    StartThreadWatcher();
}

namespace {

// The threads that have run their DLL_THREAD_ATTACH notifications, in the order they ran them: this
// program's TLS callback notes each one.
constexpr LONG kNotedThreads = 64;
DWORD volatile sAttachedThreads[kNotedThreads];
LONG volatile sAttachCount;
HANDLE sThreadAttached; // auto-reset, set after each note

void NTAPI NoteThreadAttach(PVOID, DWORD reason, PVOID)
{
    if (reason != DLL_THREAD_ATTACH)
        return;
    LONG n = InterlockedIncrement(&sAttachCount) - 1;
    if (n < kNotedThreads)
        sAttachedThreads[n] = GetCurrentThreadId();
    if (sThreadAttached)
        SetEvent(sThreadAttached);
}

bool ThreadAttached(DWORD id)
{
    const LONG count = sAttachCount;
    const LONG n = count < kNotedThreads ? count : kNotedThreads;
    for (LONG i = 0; i < n; ++i)
        if (sAttachedThreads[i] == id)
            return true;
    return false;
}

// This process's threads other than the caller.
std::vector<DWORD> OtherThreads()
{
    std::vector<DWORD> ids;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return ids;
    THREADENTRY32 entry;
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        if (entry.th32OwnerProcessID == GetCurrentProcessId() && entry.th32ThreadID != GetCurrentThreadId())
            ids.push_back(entry.th32ThreadID);
    CloseHandle(snapshot);
    return ids;
}

} // namespace

// Placed among the image's TLS callbacks, which Windows calls in every new thread before its start
// routine.
extern "C" __attribute__((section(".CRT$XLT"), used)) const PIMAGE_TLS_CALLBACK testSupportNoteThreadAttach =
    NoteThreadAttach;

void StartThreadWatcher()
{
    static bool done;
    if (done)
        return;
    done = true;
    sThreadAttached = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    const std::vector<DWORD> before = OtherThreads();
    {
        // A thread's first trace gives it GoogleTest's per-thread state, and with it the watcher.
        testing::ScopedTrace first(__FILE__, __LINE__, "starting the main thread's watcher");
    }
    const DWORD start = GetTickCount();
    for (DWORD id : OtherThreads()) {
        if (std::find(before.begin(), before.end(), id) != before.end())
            continue;
        while (!ThreadAttached(id) && GetTickCount() - start < 10000)
            WaitForSingleObject(sThreadAttached, 100);
    }
}

HWND CreateHostMainWindow(const char *title)
{
    RegisterHostClasses();
    return CreateWindowA("ZELMainWndClass", title, WS_OVERLAPPEDWINDOW, 0, 0, 640, 480, nullptr, nullptr,
                         GetModuleHandleA(nullptr), nullptr);
}

namespace {

BOOL CALLBACK FindOwnMainWindow(HWND hwnd, LPARAM out)
{
    DWORD process = 0;
    char name[32] = {};
    GetWindowThreadProcessId(hwnd, &process);
    if (process != GetCurrentProcessId() || !GetClassNameA(hwnd, name, sizeof name) ||
        lstrcmpA(name, "ZELMainWndClass") != 0)
        return TRUE;
    *reinterpret_cast<HWND *>(out) = hwnd;
    return FALSE;
}

} // namespace

HWND HostMainWindow()
{
    HWND found = nullptr;
    EnumWindows(FindOwnMainWindow, reinterpret_cast<LPARAM>(&found));
    return found;
}

SessionParamBlock MakeSessionBlock(HWND mainWindow, uint32_t flags)
{
    SessionParamBlock block{};
    block.size = sizeof block;
    block.hostInstance = GetModuleHandleA(nullptr);
    block.mainWindow = mainWindow;
    block.sessionFlags = flags;
    return block;
}

void StartTestSession(uint32_t extraFlags)
{
    InstallDiagnosticCapture();
    static SessionParamBlock block = MakeSessionBlock(CreateHostMainWindow(), zelFlagRawCallbacks | extraFlags);
    ZEL_InitSession(&block);
}

std::vector<std::string> TakeDebugMessages()
{
    std::vector<std::string> out;
    out.swap(sDebugMessages);
    return out;
}

int TakeBreakCount()
{
    int n = sBreaks;
    sBreaks = 0;
    return n;
}

std::vector<HostMessage> TakeHostMessages(UINT message)
{
    std::vector<HostMessage> out, rest;
    for (const HostMessage &m : sHostMessages)
        (m.message == message ? out : rest).push_back(m);
    sHostMessages.swap(rest);
    return out;
}

std::string ProgramDirectory()
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    char *slash = std::strrchr(path, '\\');
    if (slash)
        slash[1] = 0;
    return path;
}

void FillPattern(char *p, int32_t n, uint8_t seed)
{
    for (int32_t i = 0; i < n; ++i)
        p[i] = static_cast<char>(seed + i * 7);
}

int32_t PatternBreak(const char *p, int32_t n, uint8_t seed)
{
    for (int32_t i = 0; i < n; ++i)
        if (static_cast<uint8_t>(p[i]) != static_cast<uint8_t>(seed + i * 7))
            return i;
    return n;
}

bool AllZero(const char *p, int32_t n)
{
    for (int32_t i = 0; i < n; ++i)
        if (p[i])
            return false;
    return true;
}

std::basic_string<unsigned char> P(const char *s)
{
    std::basic_string<unsigned char> out;
    size_t n = std::strlen(s);
    out.push_back(static_cast<unsigned char>(n));
    out.append(reinterpret_cast<const unsigned char *>(s), n);
    return out;
}

GuardedBytes::GuardedBytes(const char *bytes, int32_t length) : length_(length)
{
    // Three pages: no access, the bytes (at most a page), no access.
    base_ = static_cast<char *>(VirtualAlloc(nullptr, 3 * 4096, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    DWORD old;
    VirtualProtect(base_, 4096, PAGE_NOACCESS, &old);
    VirtualProtect(base_ + 2 * 4096, 4096, PAGE_NOACCESS, &old);
    start_ = base_ + 4096;
    end_ = base_ + 2 * 4096 - length;
    std::memcpy(end_, bytes, length);
    std::memcpy(start_, bytes, length);
}

GuardedBytes::GuardedBytes(const char *text) : GuardedBytes(text, static_cast<int32_t>(std::strlen(text))) {}

GuardedBytes::~GuardedBytes() { VirtualFree(base_, 0, MEM_RELEASE); }

} // namespace testing_support

// Process Manager: processes named by {'PROC', Windows process id}, the system's process list (tool-help
// or the Windows NT performance data), bringing a process to the front and launching a program.
// Processes.h declares the Macintosh GetProcessInformation: the platform's function of that name stays
// out of this file (it exists only from Windows 8 on).
#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0501
#include "core.h"
#include "Processes.h"

#include <tlhelp32.h>

#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace {

// ---- Tool-help, looked up by name ----
typedef HANDLE(WINAPI *SnapshotProc)(DWORD, DWORD);
typedef BOOL(WINAPI *ProcessWalkProc)(HANDLE, PROCESSENTRY32 *);

struct ToolHelp {
    SnapshotProc snapshot;
    ProcessWalkProc first, next;
};

bool FindToolHelp(ToolHelp &t)
{
    HMODULE kernel = GetModuleHandleA("KERNEL32.DLL");
    if (!kernel)
        return false;
    // All of them must be there, as on Windows 95.
    for (const char *name : {"Module32First", "Module32Next", "Thread32First", "Thread32Next"})
        if (!GetProcAddress(kernel, name))
            return false;
    t.snapshot = reinterpret_cast<SnapshotProc>(GetProcAddress(kernel, "CreateToolhelp32Snapshot"));
    t.first = reinterpret_cast<ProcessWalkProc>(GetProcAddress(kernel, "Process32First"));
    t.next = reinterpret_cast<ProcessWalkProc>(GetProcAddress(kernel, "Process32Next"));
    return t.snapshot && t.first && t.next;
}

int WalkToolHelp(ProcessListVisitor visit, void *context)
{
    ToolHelp t;
    if (!FindToolHelp(t))
        return 0;
    HANDLE snap = t.snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE)
        return 0;
    PROCESSENTRY32 e{};
    e.dwSize = sizeof e;
    static_assert(sizeof(PROCESSENTRY32) == 296, "tool-help process entries are 296 bytes");
    int n = 0;
    for (BOOL ok = t.first(snap, &e); ok; ok = t.next(snap, &e)) {
        ProcessListEntry entry{e.th32ProcessID, {}, e.th32ParentProcessID};
        lstrcpynA(entry.exe, e.szExeFile, sizeof entry.exe);
        ++n;
        if (!visit(entry, context))
            break;
        e.dwSize = sizeof e;
    }
    CloseHandle(snap);
    return n;
}

// ---- The Windows NT performance data ----

// The index of a name in the "Counters" list of index and name pairs; 0 when absent.
uint32_t CounterIndex(const char *list, DWORD size, const char *name)
{
    const char *end = list + size;
    for (const char *p = list; p < end && *p;) {
        const char *index = p;
        p += std::strlen(p) + 1;
        if (p >= end)
            break;
        if (lstrcmpiA(p, name) == 0)
            return uint32_t(std::strtoul(index, nullptr, 10));
        p += std::strlen(p) + 1;
    }
    return 0;
}

struct PerfWalk {
    ProcessListVisitor visit;
    void *context;
};

bool VisitPerfInstance(uint32_t id, const char *name, void *context)
{
    auto *walk = static_cast<PerfWalk *>(context);
    ProcessListEntry entry{id, {}, 0};
    lstrcpynA(entry.exe, name, sizeof entry.exe);
    return walk->visit(entry, walk->context);
}

int WalkPerformanceData(ProcessListVisitor visit, void *context)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Perflib\\009", 0,
                      KEY_READ, &key) != ERROR_SUCCESS)
        return 0;
    DWORD size = 0;
    uint32_t processIndex = 0, idIndex = 0;
    if (RegQueryValueExA(key, "Counters", nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS && size) {
        if (Ptr names = NewPtrClear(Size(size + 2))) {
            if (RegQueryValueExA(key, "Counters", nullptr, nullptr, reinterpret_cast<BYTE *>(names), &size) ==
                ERROR_SUCCESS) {
                processIndex = CounterIndex(names, size, "Process");
                idIndex = CounterIndex(names, size, "ID Process");
            }
            DisposePtr(names);
        }
    }
    RegCloseKey(key);
    if (!processIndex || !idIndex)
        return 0;
    char object[16];
    wsprintfA(object, "%lu", static_cast<unsigned long>(processIndex));
    // Each try is a full query: the buffer doubles until the data fit.
    DWORD capacity = 12000;
    Ptr buffer = nullptr;
    LONG status = ERROR_MORE_DATA;
    while (status == ERROR_MORE_DATA && capacity <= 64u * 1024 * 1024) {
        if (buffer)
            DisposePtr(buffer);
        buffer = NewPtr(Size(capacity));
        if (!buffer)
            break;
        DWORD got = capacity;
        status = RegQueryValueExA(HKEY_PERFORMANCE_DATA, object, nullptr, nullptr, reinterpret_cast<BYTE *>(buffer),
                                  &got);
        size = got;
        if (status == ERROR_MORE_DATA)
            capacity *= 2;
    }
    RegCloseKey(HKEY_PERFORMANCE_DATA);
    int n = 0;
    if (buffer && status == ERROR_SUCCESS) {
        PerfWalk walk{visit, context};
        n = WalkPerfInstances(buffer, size, processIndex, idIndex, VisitPerfInstance, &walk);
    }
    if (buffer)
        DisposePtr(buffer);
    return n;
}

struct WindowSearch {
    uint32_t processId;
    HWND found;
};

BOOL CALLBACK FindVisibleWindow(HWND hwnd, LPARAM data)
{
    auto *search = reinterpret_cast<WindowSearch *>(data);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == search->processId && IsWindowVisible(hwnd)) {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

DWORD WindowProcess(HWND hwnd)
{
    DWORD pid = 0;
    if (hwnd)
        GetWindowThreadProcessId(hwnd, &pid);
    return pid;
}

uint32_t CurrentProcessId()
{
    DWORD pid = WindowProcess(SessionMainWindow());
    return pid ? pid : GetCurrentProcessId();
}

struct NextSearch {
    uint32_t after;   // 0: take the first
    bool passed;
    uint32_t found;
};

bool FindNextProcess(const ProcessListEntry &entry, void *context)
{
    auto *s = static_cast<NextSearch *>(context);
    if (s->after == 0 || s->passed) {
        s->found = entry.id;
        return false;
    }
    s->passed = entry.id == s->after;
    return true;
}

} // namespace

uint32_t ProcessIdOf(const ProcessSerialNumber *psn)
{
    if (!psn)
        return 0;
    if (psn->highLongOfPSN == kProcessTag)
        return psn->lowLongOfPSN;
    if (psn->highLongOfPSN == 0 && psn->lowLongOfPSN == 2)
        return CurrentProcessId();
    if (psn->highLongOfPSN == 0 && psn->lowLongOfPSN == 1)
        return WindowProcess(GetDesktopWindow());
    return 0;
}

void WalkProcessList(ProcessListVisitor visit, void *context)
{
    const PlatformInfo &platform = SessionPlatform();
    if (platform.win32s)
        return;
    // The performance data of Windows NT; where they hold no process (Wine, or a refused query) the
    // tool-help list stands in when KERNEL32 has it.
    if (platform.windowsNT && WalkPerformanceData(visit, context) > 0)
        return;
    WalkToolHelp(visit, context);
}

HWND FirstVisibleWindowOf(uint32_t processId)
{
    WindowSearch search{processId, nullptr};
    EnumWindows(FindVisibleWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

ZEL_EXTERN_C OSErr ZEL_CALL GetCurrentProces(ProcessSerialNumber *psn)
{
    if (psn)
        *psn = ProcessSerialNumber{kProcessTag, CurrentProcessId()};
    return noErr;
}

ZEL_EXTERN_C OSErr ZEL_CALL GetFrontProcess(ProcessSerialNumber *psn)
{
    if (psn)
        *psn = ProcessSerialNumber{kProcessTag, WindowProcess(GetForegroundWindow())};
    return noErr;
}

ZEL_EXTERN_C OSErr ZEL_CALL GetNextProcess(ProcessSerialNumber *psn)
{
    if (!psn)
        return paramErr;
    NextSearch search{0, false, 0};
    if (psn->highLongOfPSN != 0 || psn->lowLongOfPSN != 0) {
        search.after = ProcessIdOf(psn);
        if (!search.after)
            return procNotFound;
    }
    WalkProcessList(FindNextProcess, &search);
    if (!search.found)
        return procNotFound;
    *psn = ProcessSerialNumber{kProcessTag, search.found};
    return noErr;
}

ZEL_EXTERN_C OSErr ZEL_CALL SameProcess(const ProcessSerialNumber *a, const ProcessSerialNumber *b,
                                       Boolean *result)
{
    if (result)
        *result = ProcessIdOf(a) == ProcessIdOf(b);
    return noErr;
}

ZEL_EXTERN_C OSErr ZEL_CALL SetFrontProcess(const ProcessSerialNumber *psn)
{
    const uint32_t pid = ProcessIdOf(psn);
    HWND window = pid ? FirstVisibleWindowOf(pid) : nullptr;
    if (!window)
        return procNotFound;
    SetLastError(NO_ERROR);
    if (SetForegroundWindow(window)) {
        if (IsIconic(window))
            ShowWindow(window, SW_RESTORE);
        return noErr;
    }
    return GetLastError() != NO_ERROR ? OSErr(procNotFound) : OSErr(noErr);
}

ZEL_EXTERN_C OSErr ZEL_CALL WakeUpProcess(const ProcessSerialNumber *) { return noErr; }

ZEL_EXTERN_C OSErr ZEL_CALL GetPortNameFromProcessSerialNumber(void *, const ProcessSerialNumber *) { return -1; }

ZEL_EXTERN_C OSErr ZEL_CALL LaunchApplication(LaunchParamBlockRec *launch)
{
    if (!launch || !launch->launchAppSpec)
        return paramErr;
    const FSSpec *place = launch->launchAppSpec;
    char path[256];
    OSErr err = ZEL_HFSpec(place->parID, place->vRefNum, place->name, path);
    if (err != noErr)
        return err;
    // Quoted, so that a program in a directory with a blank in its name is the one started.
    char command[260];
    wsprintfA(command, "\"%s\"", path);
    const UINT result = WinExec(command, SW_SHOW);
    if (result >= 32)
        return noErr;
    switch (result) {
    case 0:
    case 8: return memFullErr;
    case 2: return fnfErr;
    case 3: return -35;
    case 11: return -37;
    default: return OSErr(result);
    }
}

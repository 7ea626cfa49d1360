// GetProcessInformation. The platform headers declare a function of the same name for newer Windows
// versions; this file keeps that declaration out by asking for an older Windows.
#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0501
#include "core.h"
#include "Events.h"
#include "Processes.h"
#include "../files/files_services.h"

#include <cstring>

namespace {

constexpr uint32_t kAppl = 0x4150504C; // 'APPL'
constexpr uint32_t kAppe = 0x61707065; // 'appe'
// Seconds from 1 January 1601 (file times) to 1 January 1904 (Macintosh times).
constexpr uint64_t kFileTimeToMacSeconds = 9561628800ull;

struct ExeSearch {
    uint32_t id;
    bool found;
    ProcessListEntry entry;
};

bool FindProcess(const ProcessListEntry &entry, void *context)
{
    auto *s = static_cast<ExeSearch *>(context);
    if (entry.id != s->id)
        return true;
    s->entry = entry;
    s->found = true;
    return false;
}

uint64_t FileTimeValue(const FILETIME &t) { return (uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime; }

} // namespace

ZEL_EXTERN_C OSErr ZEL_CALL GetProcessInformation(const ProcessSerialNumber *psn, ProcessInfoRec *info)
{
    const uint32_t pid = ProcessIdOf(psn);
    if (!pid || !info)
        return paramErr;
    const ProcessSerialNumber self{0, 2};
    const bool current = pid == ProcessIdOf(&self);
    char path[MAX_PATH + 1] = {};
    uint32_t parent = 0;
    if (SessionPlatform().windowsNT && current) {
        GetModuleFileNameA(SessionHostInstance(), path, MAX_PATH);
    } else {
        ExeSearch search{pid, false, {}};
        WalkProcessList(FindProcess, &search);
        if (!search.found)
            return procNotFound;
        lstrcpynA(path, search.entry.exe, sizeof path);
        parent = current ? 0 : search.entry.parent;
    }
    FSSpec place{};
    ZEL_FullPathToFSSpec(path, &place);
    // The name in the Macintosh character set, without its last extension, at most 31 characters.
    char ansi[256] = {}, name[256] = {};
    std::memcpy(ansi, place.name + 1, place.name[0]);
    ZEL_AnsiToMacBuf(reinterpret_cast<const uint8_t *>(ansi), reinterpret_cast<uint8_t *>(name),
                     int16_t(std::strlen(ansi)));
    if (char *dot = std::strrchr(name, '.'); dot && dot > name)
        *dot = 0;
    name[31] = 0;
    if (info->processName)
        ZEL_CopyCtoP(name, info->processName);
    info->processNumber = *psn;
    info->processType = kAppl;
    info->processMode = 0x4040 | 0x80;
    info->processLocation = reinterpret_cast<Ptr>(0x40000000);
    info->processSize = 0x4000000;
    info->processFreeMem = 0x1000000;
    info->processLauncher = ProcessSerialNumber{kProcessTag, parent};
    info->processLaunchDate = TickCount() - 100000;
    info->processActiveTime = info->processLaunchDate / 5;
    if (info->processAppSpec)
        *info->processAppSpec = place;
    if (!FirstVisibleWindowOf(pid)) {
        info->processMode |= 0x400;
        info->processType = kAppe;
    }
    if (HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, pid)) {
        FILETIME created, exited, kernel, user;
        if (GetProcessTimes(process, &created, &exited, &kernel, &user)) {
            FILETIME local;
            WORD dosDate = 0, dosTime = 0;
            if (FileTimeToLocalFileTime(&created, &local) && FileTimeToDosDateTime(&local, &dosDate, &dosTime) &&
                DosDateTimeToFileTime(dosDate, dosTime, &local))
                info->processLaunchDate = uint32_t(FileTimeValue(local) / 10000000 - kFileTimeToMacSeconds);
            info->processActiveTime = uint32_t((FileTimeValue(kernel) + FileTimeValue(user)) / 100000000);
        }
        CloseHandle(process);
    }
    return noErr;
}

// Finder information and resource forks on Windows NT Macintosh (AFP) volumes: the system's MACFILE
// command records a type and creator, and a fork is kept in the file's ":AFP_Resource" stream.
#include "files_services.h"
#include "../core/core_services.h"

#include <cstdio>
#include <cstring>

namespace {

void FourCharacters(OSType code, char *out)
{
    for (int i = 0; i < 4; ++i)
        out[i] = static_cast<char>(code >> (24 - 8 * i));
    out[4] = 0;
}

} // namespace

// MACFILE is started only by its full path in the system directory, never found by the search path,
// so a program of that name in the application's or the current directory is never run.
ZEL_EXTERN_C int32_t ZEL_CALL ZEL_MakeMacAFPInfo(int16_t vRefNum, int32_t dirID, ConstStr255Param name, OSType type,
                                                 OSType creator)
{
    if (!SessionPlatform().windowsNT)
        return 0;
    char path[kMaxDosPath + 1];
    if (ZEL_HFSpec(dirID, vRefNum, name, path) != noErr)
        return ERROR_PATH_NOT_FOUND;
    char program[MAX_PATH + 16];
    UINT n = GetSystemDirectoryA(program, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return static_cast<int32_t>(GetLastError());
    std::strcat(program, "\\MACFILE.EXE");
    char creatorText[5], typeText[5];
    FourCharacters(creator, creatorText);
    FourCharacters(type, typeText);
    char command[2 * MAX_PATH];
    std::snprintf(command, sizeof command, "MACFILE FORKIZE /creator:\"%s\" /type:\"%s\" /TargetFile:\"%s\"",
                  creatorText, typeText, path);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_FORCEOFFFEEDBACK;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(program, command, nullptr, nullptr, FALSE, HIGH_PRIORITY_CLASS, nullptr, nullptr, &startup,
                        &process))
        return static_cast<int32_t>(GetLastError());
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return 0;
}

// Copies the file's resource fork (in RESOURCE.FRK mode the file of its name there) to the file's
// ":AFP_Resource" stream.
ZEL_EXTERN_C int32_t ZEL_CALL ZEL_MakeMacAFPRSR(int16_t vRefNum, int32_t dirID, ConstStr255Param name)
{
    char directory[kMaxDosPath + 2] = "", file[kMaxDosPath + 1] = "";
    if (dirID == 0 && vRefNum == 0) {
        char full[256];
        ZEL_CopyPtoC(name, full);
        const char *cut = std::strrchr(full, '\\');
        size_t keep = cut ? static_cast<size_t>(cut - full + 1) : 0;
        CopyPathPart(directory, full, static_cast<int>(keep));
        CopyPathPart(file, full + keep, static_cast<int>(std::strlen(full + keep)));
    } else {
        if (ZEL_HFSpec(dirID, vRefNum, nullptr, directory) != noErr)
            return ERROR_PATH_NOT_FOUND;
        size_t n = std::strlen(directory);
        if (n && directory[n - 1] != '\\')
            std::strcpy(directory + n, "\\");
        ZEL_CopyPtoC(name, file);
    }
    char source[2 * kMaxDosPath + 32], target[2 * kMaxDosPath + 32];
    std::snprintf(source, sizeof source, "%s%s%s", directory, ResourceFrkMode() ? "RESOURCE.FRK\\" : "", file);
    std::snprintf(target, sizeof target, "%s%s:AFP_Resource", directory, file);
    return CopyFileA(source, target, FALSE) ? 0 : static_cast<int32_t>(GetLastError());
}

#include "files_fixture.h"

#include <initializer_list>
#include <vector>

namespace files_test {

namespace {

struct ScratchRoots {
    std::vector<std::string> dirs;
    ~ScratchRoots()
    {
        for (const std::string &d : dirs)
            RemoveTree(d);
    }
};
ScratchRoots sRoots;

} // namespace

std::string ScratchDir(char drive, const char *name)
{
    std::string root = drive == 'Z' || drive == 'z' ? "Z:\\tmp\\" : std::string(1, drive) + ":\\";
    root += "tolvadex_files_" + std::to_string(GetCurrentProcessId()) + "\\";
    if (CreateDirectoryA(root.c_str(), nullptr))
        sRoots.dirs.push_back(root);
    std::string dir = root + name + "\\";
    RemoveTree(dir);
    CreateDirectoryA(dir.c_str(), nullptr);
    return dir;
}

bool WriteWholeFile(const std::string &path, const std::string &bytes)
{
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    DWORD done = 0;
    BOOL ok = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr);
    CloseHandle(h);
    return ok && done == bytes.size();
}

std::string ReadWholeFile(const std::string &path)
{
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return "<missing>";
    std::string out;
    char buffer[4096];
    DWORD done = 0;
    while (ReadFile(h, buffer, sizeof buffer, &done, nullptr) && done)
        out.append(buffer, done);
    CloseHandle(h);
    return out;
}

void RemoveTree(const std::string &dir)
{
    std::string base = dir;
    if (!base.empty() && base.back() != '\\')
        base += '\\';
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((base + "*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..")
                continue;
            std::string path = base + name;
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path);
            else
                DeleteFileA(path.c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(base.c_str());
}

std::string UncShare()
{
    char prefix[MAX_PATH];
    DWORD n = GetEnvironmentVariableA("WINEPREFIX", prefix, sizeof prefix);
    if (n == 0 || n >= sizeof prefix || prefix[0] != '/')
        return "";
    std::string dir = std::string("Z:") + prefix;
    for (char &c : dir)
        if (c == '/')
            c = '\\';
    for (const char *part : {"\\dosdevices", "\\unc", "\\tolvasrv", "\\share"}) {
        dir += part;
        CreateDirectoryA(dir.c_str(), nullptr);
    }
    DWORD attributes = GetFileAttributesA("\\\\tolvasrv\\share");
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return "";
    return "\\\\tolvasrv\\share\\";
}

char AbsentDriveLetter()
{
    DWORD present = GetLogicalDrives();
    for (int i = 25; i >= 3; --i)
        if (!(present & (1u << i)))
            return static_cast<char>('A' + i);
    return 0;
}

} // namespace files_test

// Scratch directories for the File Manager tests, on Wine's C: drive and on Z: (the Linux root).
#pragma once

#include <windows.h>
#include <string>

namespace files_test {

// A fresh directory under the drive's scratch root ("C:\..." or "Z:\tmp\..."), with a trailing
// backslash; removed with everything in it when the test program ends.
std::string ScratchDir(char drive, const char *name);

// Writes a file with the given bytes; true on success.
bool WriteWholeFile(const std::string &path, const std::string &bytes);
// The file's bytes ("<missing>" when it cannot be read).
std::string ReadWholeFile(const std::string &path);

// Removes a directory tree (files first, read-only ones included).
void RemoveTree(const std::string &dir);

// A share reachable as \\tolvasrv\share (a folder under the Wine prefix's dosdevices\unc), with a
// trailing backslash; empty when the prefix cannot be found.
std::string UncShare();

// Restores the current directory at the end of a scope.
struct KeepCurrentDirectory {
    char saved[MAX_PATH];
    KeepCurrentDirectory() { GetCurrentDirectoryA(MAX_PATH, saved); }
    ~KeepCurrentDirectory() { SetCurrentDirectoryA(saved); }
};

// A drive letter GetLogicalDrives does not list.
char AbsentDriveLetter();

} // namespace files_test

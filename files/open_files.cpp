// The open-file table: file reference numbers are indices into it; slots 2..63 hold files.
#include "files_services.h"

namespace {

struct OpenFileEntry {
    HANDLE file;
};

constexpr int kSlots = 64;
OpenFileEntry sFiles[kSlots];

} // namespace

void InitOpenFileTable()
{
    for (OpenFileEntry &e : sFiles)
        e.file = INVALID_HANDLE_VALUE;
}

void CloseAllOpenFiles()
{
    for (int i = 2; i < kSlots; ++i) {
        if (sFiles[i].file != INVALID_HANDLE_VALUE && sFiles[i].file != nullptr)
            CloseHandle(sFiles[i].file);
        sFiles[i].file = INVALID_HANDLE_VALUE;
    }
}

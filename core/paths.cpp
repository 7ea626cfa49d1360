// Path names relative to the host application's folder or to the current directory. Results fit a
// 256-byte buffer: a name that would make the path reach 255 characters is replaced by "?".
#include "core.h"

#include <cstring>

namespace {

constexpr size_t kMaxPath = 255;

bool IsFullPath(const char *name)
{
    if (!name || !name[0] || name[0] == '.')
        return false;
    if (name[0] == '\\' && name[1] == '\\')
        return true;
    bool letter = (name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z');
    return letter && name[1] == ':' && name[2] == '\\';
}

void CopyCapped(char *dst, const char *src)
{
    size_t n = std::strlen(src);
    if (n > kMaxPath)
        n = kMaxPath;
    std::memcpy(dst, src, n);
    dst[n] = 0;
}

// Appends `name` to the directory in `dst` (which ends where the name goes), or "?" when it won't fit.
void AppendName(char *dst, const char *name)
{
    size_t dir = std::strlen(dst);
    size_t n = std::strlen(name);
    if (dir + n >= kMaxPath) {
        if (dir < kMaxPath) {
            dst[dir] = '?';
            dst[dir + 1] = 0;
        }
        return;
    }
    std::memcpy(dst + dir, name, n + 1);
}

// A full path name is the result as it stands; answers whether it was one.
bool CopiedAsFullPath(char *destination, const char *name)
{
    if (!IsFullPath(name))
        return false;
    CopyCapped(destination, name);
    return true;
}

} // namespace

ZEL_EXTERN_C void ZEL_CALL ZEL_MakeAppPathName(char *destination, const char *name)
{
    if (!destination || CopiedAsFullPath(destination, name))
        return;
    char module[kMaxPath + 1] = {};
    GetModuleFileNameA(SessionHostInstance(), module, kMaxPath);
    module[kMaxPath] = 0;
    if (!name) {
        CopyCapped(destination, module);
        return;
    }
    char *cut = nullptr;
    for (char *p = module; *p; ++p)
        if (*p == '\\' || *p == ':')
            cut = p;
    if (cut)
        cut[1] = 0;
    else
        module[0] = 0;
    std::strcpy(destination, module);
    AppendName(destination, name);
}

ZEL_EXTERN_C void ZEL_CALL MakeCurrentDirPathName(char *destination, const char *name)
{
    if (!destination || CopiedAsFullPath(destination, name))
        return;
    char dir[kMaxPath + 2] = {};
    DWORD n = GetCurrentDirectoryA(kMaxPath, dir);
    if (n == 0 || n >= kMaxPath)
        dir[0] = 0, n = 0;
    if (n && dir[n - 1] != '\\' && n < kMaxPath) {
        dir[n] = '\\';
        dir[n + 1] = 0;
    }
    std::strcpy(destination, dir);
    if (name)
        AppendName(destination, name);
}

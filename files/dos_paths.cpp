// DOS paths split into root ("C:" or "\\server\share"), directory and name.
#include "files_services.h"

#include <cstring>
#include <initializer_list>

bool IsDriveLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

void CopyPathPart(char *out, const char *from, int length)
{
    if (!out)
        return;
    if (length > kMaxDosPath)
        length = kMaxDosPath;
    std::memcpy(out, from, length);
    out[length] = 0;
}

int DosPathRootLength(const char *path, uint16_t *kind)
{
    *kind = dosPathNoRoot;
    if (!path)
        return 0;
    if (IsDriveLetter(path[0]) && (path[1] == ':' || path[1] == 0)) {
        *kind = dosPathDriveRoot;
        return path[1] ? 2 : 1;
    }
    if (path[0] == '\\' && path[1] == '\\') {
        *kind = dosPathUncRoot;
        const char *share = std::strchr(path + 2, '\\');
        const char *end = share ? std::strchr(share + 1, '\\') : nullptr;
        return end ? static_cast<int>(end - path) : static_cast<int>(std::strlen(path));
    }
    return 0;
}

uint16_t ParseDosPath(const char *path, char *rootOut, char *dirOut, char *nameOut)
{
    for (char *out : {rootOut, dirOut, nameOut})
        if (out)
            out[0] = 0;
    if (!path)
        path = "";
    uint16_t kind;
    int rootLength = DosPathRootLength(path, &kind);
    if (kind == dosPathDriveRoot) {
        // A lone letter names its drive as "X:".
        char root[3] = {path[0], ':', 0};
        CopyPathPart(rootOut, root, 2);
    } else {
        CopyPathPart(rootOut, path, rootLength);
    }
    const char *rest = path + rootLength;
    const char *end = rest + std::strlen(rest);
    // The name follows the last separator; double-byte characters are stepped over whole.
    const char *name = rest;
    for (const char *p = end; p > rest;) {
        p = CharPrevA(rest, p);
        if (*p == '\\' || *p == ':' || *p == '/') {
            name = CharNextA(p);
            break;
        }
    }
    uint16_t flags = kind;
    CopyPathPart(nameOut, name, static_cast<int>(end - name));
    if (!*name)
        flags |= dosPathNoName;
    CopyPathPart(dirOut, rest, static_cast<int>(name - rest));
    if (rest[0] == '\\' && rest[1] == 0)
        flags |= dosPathRootOnly;
    return flags;
}

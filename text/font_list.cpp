// The installed-font list as the Menu Manager's font menus read it, and the text extent call that
// chooses between the platforms' measuring functions.
#include "text_services.h"

#include <cstring>

#include "../core/core_services.h"

BOOL GetTextExtentCompat(HDC dc, const char *text, int length, SIZE *size)
{
    const PlatformInfo &platform = SessionPlatform();
    if (platform.windowsNT || platform.windows95)
        return GetTextExtentPoint32A(dc, text, length, size);
    return GetTextExtentPointA(dc, text, length, size);
}

namespace {

constexpr int kMaxFaces = 512;
InstalledFace sFaces[kMaxFaces];
int sFaceCount = -1; // -1: not enumerated yet

int CALLBACK CollectFace(const LOGFONTA *font, const TEXTMETRICA *, DWORD type, LPARAM)
{
    if (sFaceCount >= kMaxFaces)
        return 0;
    InstalledFace face{};
    std::strncpy(face.name, font->lfFaceName, sizeof face.name - 1);
    face.bitmap = (type & RASTER_FONTTYPE) != 0;
    // Sorted by name without regard to case; a face of an equal name goes after the others.
    int at = sFaceCount;
    while (at > 0 && lstrcmpiA(sFaces[at - 1].name, face.name) > 0)
        --at;
    if (at > 0 && lstrcmpiA(sFaces[at - 1].name, face.name) == 0)
        return 1; // one entry per face
    std::memmove(sFaces + at + 1, sFaces + at, (sFaceCount - at) * sizeof(InstalledFace));
    sFaces[at] = face;
    ++sFaceCount;
    return 1;
}

} // namespace

// PENDING: the installed-font list replaces this with its real list (faces of the screen and the default printer with their Macintosh numbers).
bool InstalledFaceAt(int index, InstalledFace *face)
{
    if (sFaceCount < 0) {
        sFaceCount = 0;
        HDC dc = GetDC(nullptr);
        EnumFontFamiliesA(dc, nullptr, CollectFace, 0);
        ReleaseDC(nullptr, dc);
    }
    if (index < 0 || index >= sFaceCount)
        return false;
    *face = sFaces[index];
    return true;
}

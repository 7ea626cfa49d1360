// Macintosh file types for Windows files: the host's procedure first, then the type Standard File
// chose, then the host's extension table.
#include "files_services.h"
#include "../core/core_services.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr OSType kUnknownType = 0x3F3F3F3F; // '????'

ZELFileTypeProc sFileTypeProc;

// The extensions of the library's 'FCnv' resources: rows of a type and an extension with its dot, loaded
// once from every 'FCnv' resource of the open files.
constexpr ResType kConversionType = 0x46436E76; // 'FCnv'
struct FileConversionRow {
    uint32_t type;
    char extension[32];
};
static_assert(sizeof(FileConversionRow) == 36, "conversion rows are 36 bytes");
Handle sConversions;
int16_t sConversionCount;

// The next NUL-terminated string of a resource; NULL when none ends before `end`.
const char *NextString(const char **at, const char *end)
{
    const char *s = *at;
    const void *nul = s < end ? std::memchr(s, 0, end - s) : nullptr;
    if (!nul)
        return nullptr;
    *at = static_cast<const char *>(nul) + 1;
    return s;
}

bool AddConversion(const char *typeText, const char *extension)
{
    Size needed = static_cast<Size>((sConversionCount + 1) * sizeof(FileConversionRow));
    if (!sConversions)
        sConversions = NewHandle(needed);
    else
        SetHandleSize(sConversions, needed);
    if (!sConversions || CurrentMemErr() != noErr)
        return false;
    FileConversionRow &row = reinterpret_cast<FileConversionRow *>(*sConversions)[sConversionCount++];
    // The type text's first four characters, in reading order, are the four-character code.
    char code[4] = {};
    for (int i = 0; i < 4 && typeText[i]; ++i)
        code[i] = typeText[i];
    row.type = static_cast<uint32_t>(static_cast<uint8_t>(code[0])) << 24 |
               static_cast<uint32_t>(static_cast<uint8_t>(code[1])) << 16 |
               static_cast<uint32_t>(static_cast<uint8_t>(code[2])) << 8 | static_cast<uint8_t>(code[3]);
    CopyPathPart(row.extension, extension, static_cast<int>(std::min<size_t>(std::strlen(extension), 31)));
    return true;
}

// Reads each 'FCnv' resource within its size: a count past the pairs present, or a string without its
// NUL, ends that resource.
OSErr FileTypeTableLoad()
{
    if (sConversionCount)
        return noErr;
    int16_t resources = CountResources(kConversionType);
    for (int16_t i = 1; i <= resources; ++i) {
        Handle h = GetIndResource(kConversionType, i);
        if (!h || !*h)
            continue;
        Size size = GetHandleSize(h);
        const char *at = *h, *end = *h + size;
        uint16_t count = size >= 2 ? static_cast<uint16_t>(static_cast<uint8_t>(at[0]) << 8 | static_cast<uint8_t>(at[1])) : 0;
        at += 2;
        for (uint16_t pair = 0; pair < count; ++pair) {
            const char *typeText = NextString(&at, end);
            const char *extension = typeText ? NextString(&at, end) : nullptr;
            if (!extension)
                break;
            if (!AddConversion(typeText, extension)) {
                ReleaseResource(h);
                return memFullErr;
            }
        }
        ReleaseResource(h);
    }
    return noErr;
}

char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

} // namespace

ZEL_EXTERN_C void ZEL_CALL ZEL_SetFileTypeProc(ZELFileTypeProc proc) { sFileTypeProc = proc; }

FARPROC SetFileTypeByExtensionHook(FARPROC hook)
{
    FARPROC previous = reinterpret_cast<FARPROC>(sFileTypeProc);
    sFileTypeProc = reinterpret_cast<ZELFileTypeProc>(hook);
    return previous;
}

void FileTypeFromExtension(ConstStr255Param name, int16_t vRefNum, OSType *type, OSType *creator)
{
    *creator = kUnknownType;
    if (sFileTypeProc && sFileTypeProc(name, vRefNum, type, creator))
        return;
    // Up to three characters after the last '.', upper-cased; fewer leave NULs.
    char extension[3] = {};
    int length = name ? name[0] : 0;
    const char *text = name ? reinterpret_cast<const char *>(name + 1) : "";
    int dot = -1;
    for (int i = 0; i < length; ++i)
        if (text[i] == '.')
            dot = i;
    for (int i = 0; dot >= 0 && i < 3 && dot + 1 + i < length; ++i)
        extension[i] = UpperAscii(text[dot + 1 + i]);
    *type = TypeFromSFFilter(name);
    auto row = HostExtensionTable();
    for (; row && row->type; ++row) {
        char rowExtension[3] = {UpperAscii(row->extension[0]), UpperAscii(row->extension[1]),
                                UpperAscii(row->extension[2])};
        if (std::memcmp(rowExtension, extension, 3) == 0)
            *type = row->type;
    }
}

// The type of the 'FCnv' row whose extension is the name's part from its first '.'; nothing else of the
// record is touched.
ZEL_EXTERN_C OSErr ZEL_CALL TL_FSpGetFInfo(const FSSpec *fsSpec, FInfo *fndrInfo)
{
    OSErr err = FileTypeTableLoad();
    if (err != noErr)
        return err;
    char name[256];
    ZEL_CopyPtoC(fsSpec->name, name);
    const char *dot = std::strchr(name, '.');
    if (!dot || !sConversions)
        return noErr;
    const auto *rows = reinterpret_cast<const FileConversionRow *>(*sConversions);
    for (int16_t i = 0; i < sConversionCount; ++i)
        if (lstrcmpiA(rows[i].extension, dot) == 0)
            fndrInfo->fdType = rows[i].type;
    return noErr;
}

// Macintosh file types for Windows files: the host's procedure first, then the type Standard File
// chose, then the host's extension table.
#include "files_services.h"
#include "../core/core_services.h"

#include <cstring>

namespace {

constexpr OSType kUnknownType = 0x3F3F3F3F; // '????'

// A row of the host's extension table: 40 bytes, a type of 0 ends the table.
#pragma pack(push, 1)
struct ExtensionTypeRow {
    uint32_t type;
    char extension[3];
    char description[33];
};
#pragma pack(pop)
static_assert(sizeof(ExtensionTypeRow) == 40, "extension rows are 40 bytes");

ZELFileTypeProc sFileTypeProc;

char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

} // namespace

ZEL_EXTERN_C void ZEL_CALL ZEL_SetFileTypeProc(ZELFileTypeProc proc) { sFileTypeProc = proc; }

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
    auto row = reinterpret_cast<const ExtensionTypeRow *>(SessionFileTypeMap());
    for (; row && row->type; ++row) {
        char rowExtension[3] = {UpperAscii(row->extension[0]), UpperAscii(row->extension[1]),
                                UpperAscii(row->extension[2])};
        if (std::memcmp(rowExtension, extension, 3) == 0)
            *type = row->type;
    }
}

// Font Manager: the font enumeration procedures that build the installed-font list, and family numbers
// by name.
#include "text_services.h"

#include <cstdlib>
#include <cstring>

namespace {

// Copies at most size - 1 bytes of a name and always ends it.
void CopyName(char *to, const char *from, size_t size)
{
    size_t n = strnlen(from, size - 1);
    std::memcpy(to, from, n);
    to[n] = '\0';
}

} // namespace

// One call per face: the node of its name (the full name of a TrueType face) is made and put in name
// order after any node of an equal name, or kept and given the better font type.
ZEL_EXTERN_C int CALLBACK A_EnumFont(const LOGFONTA *font, const TEXTMETRICA *, DWORD type, LPARAM list)
{
    FontListNode **head = reinterpret_cast<FontListNode **>(list);
    if (!font || !head || strnlen(font->lfFaceName, LF_FACESIZE) >= LF_FACESIZE)
        return 1;
    const char *name = font->lfFaceName;
    char fullName[64];
    if (type & TRUETYPE_FONTTYPE) {
        CopyName(fullName, reinterpret_cast<const char *>(reinterpret_cast<const ENUMLOGFONTA *>(font)->elfFullName),
                 sizeof fullName);
        if (fullName[0])
            name = fullName;
    }
    FontListNode *node = FindFontNodeByName(*head, name);
    if (node) {
        if (type <= node->fontType)
            return 1;
    } else {
        node = static_cast<FontListNode *>(std::calloc(1, sizeof(FontListNode)));
        if (!node)
            return 1;
        for (int16_t &slot : node->numbers)
            slot = -1;
        CopyName(node->name, name, sizeof node->name);
        CopyName(node->faceName, font->lfFaceName, sizeof node->faceName);
        // After every node whose name sorts before or equal to this one.
        FontListNode *after = nullptr;
        for (FontListNode *p = *head; p && CompareFontNames(p->name, node->name) <= 0; p = p->next)
            after = p;
        node->prev = after;
        node->next = after ? after->next : *head;
        if (node->next)
            node->next->prev = node;
        if (after)
            after->next = node;
        else
            *head = node;
    }
    node->fontType = uint16_t(type);
    node->pitchAndFamily = font->lfPitchAndFamily;
    node->charSet = font->lfCharSet;
    return 1;
}

// One call per size of a face: the entry goes in the node's own block of sizes, which grows by one; when
// it cannot grow, the last entry is overwritten.
ZEL_EXTERN_C int CALLBACK A_EnumFontSizes(const LOGFONTA *font, const TEXTMETRICA *metrics, DWORD, LPARAM data)
{
    FontListNode *node = reinterpret_cast<FontListNode *>(data);
    if (!font || !metrics || !node)
        return 1;
    if (node->sizeCount >= node->sizeCapacity) {
        const int16_t capacity = node->sizeCapacity ? node->sizeCapacity + 1 : 1;
        void *grown = node->sizeCapacity < 32767
                          ? std::realloc(node->sizes, size_t(capacity) * sizeof(FontSizeEntry))
                          : nullptr;
        if (grown) {
            node->sizes = static_cast<FontSizeEntry *>(grown);
            node->sizeCapacity = capacity;
        } else if (node->sizeCount > 0) {
            --node->sizeCount;
        } else {
            return 1;
        }
    }
    FontSizeEntry &entry = node->sizes[node->sizeCount++];
    std::memcpy(&entry, font, 28);
    entry.pixelSize = int16_t(metrics->tmHeight - metrics->tmInternalLeading);
    return 1;
}

// Family numbers come from the font map; a name the map does not know, or no name, gives 0.
// PENDING: the Font Manager looks the name up in the font map and the installed faces.
ZEL_EXTERN_C void ZEL_CALL GetFNum(ConstStr255Param, int16_t *familyID)
{
    if (familyID)
        *familyID = 0;
}

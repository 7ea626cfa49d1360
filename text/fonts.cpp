// Font Manager: the font enumeration procedures that build the installed-font list, family numbers and
// names, the width table, FMSwapFont and the outline metrics of the bound font.
#include "text_services.h"

#include <cstdlib>
#include <cstring>

#include "MacMemory.h"
#include "Quickdraw.h"
#include "Zel.h"
#include "../core/core_services.h"
#include "../quickdraw/qd_services.h"

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

// ---- Font Manager calls ----

namespace {
FMOutput sOutput;
} // namespace

ZEL_EXTERN_C void ZEL_CALL InitFonts(void)
{
    // A second InitFonts clears the table it made instead of making another.
    Handle &table = FontManagerWidthTable();
    if (HandleHasData(table))
        std::memset(*table, 0, sizeof(WidthTable));
    else
        table = NewHandleClear(sizeof(WidthTable));
    LowMem<Handle>(lmWidthTabHandle) = table;
    LowMem<uint8_t>(lmFractEnable) = 0;
}

// Family numbers by name: the list's faces first (without regard to case), then the font map's
// Macintosh names (with case: the built-in map holds rows whose names differ only in case).
ZEL_EXTERN_C void ZEL_CALL GetFNum(ConstStr255Param name, int16_t *familyID)
{
    if (!familyID)
        return;
    const int16_t number = name ? GetFontNumberByName(FontListHead(), name) : -1;
    *familyID = number == -1 ? 0 : number;
}

// The name of the face a number binds to; empty for a number neither the list nor the map knows (the
// application font's face stands in for binding, not for a name).
ZEL_EXTERN_C void ZEL_CALL GetFontName(int16_t familyID, Str255 name)
{
    if (!name)
        return;
    name[0] = 0;
    FontListNode *node = nullptr;
    for (int slot = 0; slot < 8 && !node; ++slot)
        for (FontListNode *p = FontListHead(); p && !node; p = p->next)
            if (p->numbers[slot] == familyID && familyID != -1)
                node = p;
    if (!node && FindFontMapEntryByNumber(familyID))
        node = FindFontFaceByNumber(FontListHead(), familyID, 12, nullptr, nullptr);
    if (node)
        ZEL_CopyCtoP(node->name, name);
}

ZEL_EXTERN_C Boolean ZEL_CALL RealFont(int16_t, int16_t) { return true; }

ZEL_EXTERN_C Boolean ZEL_CALL IsOutline(Point, Point)
{
    BindPortFont();
    const PortDCRecord *record = CurrentPortRecord();
    return record && (record->textFlags & textFlagOutline);
}

ZEL_EXTERN_C FMOutput *ZEL_CALL FMSwapFont(const FMInput *inRec)
{
    if (inRec) {
        TextFont(inRec->family);
        TextSize(inRec->size);
        TextFace(inRec->face);
    }
    FontInfo info{};
    GetFontInfo(&info);
    sOutput.ascent = uint8_t(info.ascent);
    sOutput.descent = uint8_t(info.descent);
    sOutput.widMax = uint8_t(info.widMax);
    sOutput.leading = int8_t(info.leading);
    return &sOutput;
}

ZEL_EXTERN_C OSErr ZEL_CALL OutlineMetrics(int16_t byteCount, const void *textPtr, Point, Point, int16_t *, int16_t *,
                                          Fixed *awArray, Fixed *lsbArray, Rect *)
{
    // yMax, yMin and the bounds are never written: only the advances and side bearings are asked for.
    if (byteCount <= 0 || !textPtr || (!awArray && !lsbArray))
        return noErr;
    BindPortFont();
    HDC dc = CurrentDC();
    const uint8_t *text = static_cast<const uint8_t *>(textPtr);
    const bool fractional = LowMem<uint8_t>(lmFractEnable) != 0;
    for (int16_t i = 0; i < byteCount; ++i) {
        const UINT code = text[i];
        Fixed advance, bearing;
        if (fractional) {
            ABCFLOAT abc{};
            if (!dc || !GetCharABCWidthsFloatA(dc, code, code, &abc))
                return memFullErr;
            advance = Fixed((abc.abcfA + abc.abcfB + abc.abcfC) * 65536.0);
            bearing = Fixed(abc.abcfA * 65536.0);
        } else {
            ABC abc{};
            if (!dc || !GetCharABCWidthsA(dc, code, code, &abc))
                return memFullErr;
            advance = Fixed(uint32_t(abc.abcA + int(abc.abcB) + abc.abcC) << 16);
            bearing = Fixed(uint32_t(abc.abcA) << 16);
        }
        if (awArray)
            awArray[i] = advance;
        if (lsbArray)
            lsbArray[i] = bearing;
    }
    return noErr;
}

ZEL_EXTERN_C void ZEL_CALL SetFractEnable(Boolean fractEnable) { LowMem<uint8_t>(lmFractEnable) = fractEnable; }
ZEL_EXTERN_C void ZEL_CALL SetFontLock(Boolean) {}
ZEL_STUB_VOID(SetFScaleDisable, (Boolean))
ZEL_STUB(Boolean, GetOutlinePreferred, false, (void))
ZEL_STUB_VOID(SetOutlinePreferred, (Boolean))

// The installed-font list: one node per Windows face of the screen and the default printer, each with
// the Macintosh font numbers the font map gives it and, for raster faces, its sizes; its searches, and
// the text extent call that chooses between the platforms' measuring functions.
#include "text_services.h"

#include <commdlg.h>
#include <cfloat>
#include <cstdlib>
#include <cstring>

#include "../core/core_services.h"
#include "../quickdraw/qd_services.h"

BOOL GetTextExtentCompat(HDC dc, const char *text, int length, SIZE *size)
{
    const PlatformInfo &platform = SessionPlatform();
    if (platform.windowsNT || platform.windows95)
        return GetTextExtentPoint32A(dc, text, length, size);
    return GetTextExtentPointA(dc, text, length, size);
}

namespace {

FontListNode *sList;
bool sPrinterRemembered;
char sPrinterDriver[64];
char sPrinterDevice[64];
int16_t sIntlSystemFont;

} // namespace

// Names compare as Windows compares them without regard to case, so the list keeps the order of the
// system's own font lists.
int CompareFontNames(const char *a, const char *b) { return lstrcmpiA(a, b); }

namespace {

// The default printer's DC (nil without one); `changed` tells whether it differs from the remembered
// one.
HDC DefaultPrinterDC(bool *changed)
{
    PRINTDLGA pd{};
    pd.lStructSize = sizeof pd;
    pd.hwndOwner = SessionMainWindow();
    pd.Flags = PD_RETURNDEFAULT | PD_RETURNDC;
    if (!PrintDlgA(&pd)) {
        *changed = !(sList && !sPrinterRemembered);
        sPrinterRemembered = false;
        return nullptr;
    }
    *changed = true;
    if (pd.hDevNames) {
        if (const DEVNAMES *names = static_cast<const DEVNAMES *>(GlobalLock(pd.hDevNames))) {
            const char *base = reinterpret_cast<const char *>(names);
            const char *driver = base + names->wDriverOffset;
            const char *device = base + names->wDeviceOffset;
            if (sPrinterRemembered && lstrcmpiA(driver, sPrinterDriver) == 0 &&
                lstrcmpiA(device, sPrinterDevice) == 0)
                *changed = false;
            lstrcpynA(sPrinterDriver, driver, sizeof sPrinterDriver);
            lstrcpynA(sPrinterDevice, device, sizeof sPrinterDevice);
            sPrinterRemembered = true;
            GlobalUnlock(pd.hDevNames);
        }
        GlobalFree(pd.hDevNames);
    }
    if (pd.hDevMode)
        GlobalFree(pd.hDevMode);
    return pd.hDC;
}

// Gives the number to a node of the face `face`: first in its slots when the row's Macintosh name is
// the face itself (the others move up, the last drops), else in the first free slot of the first node
// of that name with one. False when no node of the name has room.
bool AttachNumber(const char *face, const FontMapEntry &row)
{
    for (FontListNode *node = sList; node; node = node->next) {
        if (CompareFontNames(node->name, face) != 0)
            continue;
        if (CompareFontNames(row.name, face) == 0) {
            std::memmove(node->numbers + 1, node->numbers, 7 * sizeof node->numbers[0]);
            node->numbers[0] = row.number;
            return true;
        }
        for (int16_t &slot : node->numbers)
            if (slot == -1) {
                slot = row.number;
                return true;
            }
    }
    return false;
}

// Each map row's number goes to the node of the first of its faces that takes it; then every node
// without a number gets the next free one while numbers last.
void ApplyFontMap()
{
    const FontMapEntry *rows = FontMapRows();
    for (int i = 0; i < FontMapRowCount(); ++i) {
        if (rows[i].number == -1)
            continue;
        char faces[256];
        lstrcpynA(faces, rows[i].faces, sizeof faces);
        char *face = faces;
        for (int alternative = 0; face && alternative < 3; ++alternative) {
            char *comma = std::strchr(face, ',');
            if (comma)
                *comma = '\0';
            if (AttachNumber(face, rows[i]))
                break;
            face = comma ? comma + 1 : nullptr;
        }
    }
    // Every rebuild hands out the same numbers for the same faces.
    int32_t next = FirstUnmappedFontNumber();
    for (FontListNode *node = sList; node; node = node->next)
        if (node->numbers[0] == -1 && next <= 32767)
            node->numbers[0] = int16_t(next++);
}

// The double-byte system faces, in order of preference.
const char *const kIntlSystemFaces[] = {
    "\x82\x6C\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4E",
    "\x95\x57\x8F\x80\x83\x53\x83\x56\x83\x62\x83\x4E",
    "\x83\x53\x83\x56\x83\x62\x83\x4E",
};

} // namespace

FontListNode *&FontListHead() { return sList; }

void FreeFontList()
{
    while (sList) {
        FontListNode *next = sList->next;
        std::free(sList->sizes);
        std::free(sList);
        sList = next;
    }
}

ZEL_EXTERN_C int16_t ZEL_CALL ZEL_GetIntlSystemFont(void) { return sIntlSystemFont; }

ZEL_EXTERN_C void ZEL_CALL ZEL_UpdateFontList(int16_t force)
{
    // Printer drivers may leave the floating-point unit in another state: the caller's control word
    // (precision, rounding, masked exceptions) comes back once the printer is known.
    const unsigned int controlWord = _control87(0, 0);
    bool changed = false;
    HDC printer = DefaultPrinterDC(&changed);
    _control87(controlWord, 0xFFFFFFFF);
    if (!changed && !force) {
        if (printer)
            DeleteDC(printer);
        return;
    }
    FreeFontList();
    FlushFontMetricsCache();

    // Windows set to list TrueType faces only would hide the raster ones for the time of the enumeration.
    const bool ttOnly = GetProfileIntA("TrueType", "TTEnable", 1) && GetProfileIntA("TrueType", "TTOnly", 0);
    if (ttOnly)
        WriteProfileStringA("TrueType", "TTOnly", "0");

    HDC portDC = CurrentDC();
    HDC screen = portDC ? nullptr : GetDC(nullptr);
    HDC dc = portDC ? portDC : screen;
    EnumFontFamiliesA(dc, nullptr, reinterpret_cast<FONTENUMPROCA>(A_EnumFont), reinterpret_cast<LPARAM>(&sList));
    if (printer)
        EnumFontFamiliesA(printer, nullptr, reinterpret_cast<FONTENUMPROCA>(A_EnumFont),
                          reinterpret_cast<LPARAM>(&sList));
    ApplyFontMap();
    // Sizes by the face name a LOGFONTA carries: a TrueType node's full name is not a family name.
    for (FontListNode *node = sList; node; node = node->next)
        EnumFontFamiliesA(printer ? printer : dc, node->faceName, reinterpret_cast<FONTENUMPROCA>(A_EnumFontSizes),
                          reinterpret_cast<LPARAM>(node));

    sIntlSystemFont = 0;
    if (SessionDoubleByte())
        for (const char *face : kIntlSystemFaces)
            if (FontListNode *node = FindFontNodeByName(sList, face)) {
                sIntlSystemFont = node->numbers[0];
                break;
            }

    if (ttOnly)
        WriteProfileStringA("TrueType", "TTOnly", "1");
    if (screen)
        ReleaseDC(nullptr, screen);
    if (printer)
        DeleteDC(printer);
}

FontListNode *FindFontNodeByName(FontListNode *list, const char *name)
{
    for (FontListNode *node = list; node; node = node->next)
        if (CompareFontNames(node->name, name) == 0)
            return node;
    return nullptr;
}

FontListNode *FindFontByFamily(FontListNode *list, int16_t, uint8_t family)
{
    FontListNode *best = nullptr;
    for (FontListNode *node = list; node; node = node->next) {
        // Faces for vertical writing ('@' names) draw their glyphs turned: never a stand-in.
        if ((node->pitchAndFamily & 0xF0) != (family & 0xF0) || node->name[0] == '@')
            continue;
        if (node->fontType & TRUETYPE_FONTTYPE)
            return node;
        if (!best || (node->pitchAndFamily & 0x0F) > (best->pitchAndFamily & 0x0F))
            best = node;
    }
    return best;
}

FontListNode *FindFontFaceByNumber(FontListNode *list, int16_t number, int16_t size, uint8_t *pitchAndFamily,
                                   char *face)
{
    FontListNode *found = nullptr, *application = nullptr;
    for (int slot = 0; slot < 8 && !found; ++slot)
        for (FontListNode *node = list; node; node = node->next) {
            if (!application && node->numbers[slot] == 1)
                application = node;
            if (number != -1 && node->numbers[slot] == number) {
                found = node;
                break;
            }
        }
    uint8_t family = 0;
    if (!found) {
        if (const FontMapEntry *row = FindFontMapEntryByNumber(number)) {
            found = FindFontByFamily(list, size, row->pitchAndFamily);
            family = row->pitchAndFamily;
        } else {
            found = application;
        }
    }
    if (pitchAndFamily)
        *pitchAndFamily = found ? found->pitchAndFamily : family;
    if (face)
        lstrcpynA(face, found ? found->faceName : "", 32);
    return found;
}

const FontSizeEntry *SelectFontSizeEntry(const FontListNode *node, int16_t size)
{
    static const FontSizeEntry kNone{};
    if (!node)
        return nullptr;
    if (node->sizeCount <= 0)
        return &kNone;
    if (node->fontType != RASTER_FONTTYPE)
        return &node->sizes[0];
    const FontSizeEntry *best = &node->sizes[0];
    int32_t bestCost = INT32_MAX;
    for (int i = 0; i < node->sizeCount; ++i) {
        const int32_t difference = node->sizes[i].pixelSize - size;
        const int32_t cost = difference > 0 ? 2 * difference + 1 : -2 * difference;
        if (cost < bestCost) {
            bestCost = cost;
            best = &node->sizes[i];
        }
    }
    return best;
}

int16_t GetFontNumberByName(FontListNode *list, ConstStr255Param name)
{
    if (!name)
        return -1;
    char text[256];
    std::memcpy(text, name + 1, name[0]);
    text[name[0]] = '\0';
    if (FontListNode *node = FindFontNodeByName(list, text))
        return node->numbers[0];
    // Map rows compare with case: the built-in table has rows whose names differ only in case.
    const FontMapEntry *rows = FontMapRows();
    for (int i = 0; i < FontMapRowCount(); ++i)
        if (std::strcmp(rows[i].name, text) == 0)
            return rows[i].number;
    return -1;
}

bool InstalledFaceAt(int index, InstalledFace *face)
{
    if (index < 0)
        return false;
    FontListNode *node = sList;
    for (; node && index > 0; --index)
        node = node->next;
    if (!node)
        return false;
    lstrcpynA(face->name, node->name, sizeof face->name);
    face->bitmap = node->fontType == RASTER_FONTTYPE;
    return true;
}

ZEL_EXTERN_C int16_t ZEL_CALL FontListSeam(int16_t index, int16_t number, int16_t size, FontListReport *report)
{
    int16_t count = 0;
    for (FontListNode *node = sList; node; node = node->next)
        ++count;
    if (!report)
        return count;
    std::memset(report, 0, sizeof *report);
    report->nodeCount = count;
    report->mapRowCount = int16_t(FontMapRowCount());
    report->firstUnmappedNumber = FirstUnmappedFontNumber();
    FontListNode *node = sList;
    for (int i = 0; node && i < index; ++i)
        node = node->next;
    if (node && index >= 0) {
        lstrcpynA(report->name, node->name, sizeof report->name);
        lstrcpynA(report->faceName, node->faceName, sizeof report->faceName);
        std::memcpy(report->numbers, node->numbers, sizeof report->numbers);
        report->pitchAndFamily = node->pitchAndFamily;
        report->charSet = node->charSet;
        report->fontType = node->fontType;
        report->sizeCount = node->sizeCount;
        for (int i = 0; i < node->sizeCount && i < 32; ++i)
            report->pixelSizes[i] = node->sizes[i].pixelSize;
    }
    report->rowNumber = -1;
    if (index >= 0 && index < FontMapRowCount()) {
        const FontMapEntry &row = FontMapRows()[index];
        report->rowNumber = row.number;
        report->rowPitchAndFamily = row.pitchAndFamily;
        lstrcpynA(report->rowName, row.name, sizeof report->rowName);
        lstrcpynA(report->rowFaces, row.faces, sizeof report->rowFaces);
    }
    FontListNode *found = FindFontFaceByNumber(sList, number, size, &report->foundPitchAndFamily, report->foundFace);
    report->foundIndex = -1;
    int16_t i = 0;
    for (FontListNode *p = sList; p; p = p->next, ++i)
        if (p == found)
            report->foundIndex = i;
    if (const FontSizeEntry *entry = SelectFontSizeEntry(found, size)) {
        report->chosenPixelSize = entry->pixelSize;
        report->chosenHeight = entry->height;
    }
    return count;
}

ZEL_EXTERN_C void ZEL_CALL ReloadFontTables(void)
{
    FreeFontTables();
    LoadFontMap();
}

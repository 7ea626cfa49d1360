// The font map: Macintosh font numbers and names joined to Windows faces, read from "zelfont.map" beside
// the application (or from the embedded map of the host's container file), or taken from the built-in
// table of the session's language and written out as that file.
#include "text_services.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "MacMemory.h"
#include "Zel.h"
#include "../core/core_services.h"

namespace {

constexpr int kMaxMapRows = 500;

bool sFontMapLoaded;
FontMapEntry *sRows;      // the map's rows
int sRowCount;
char *sFileBuffer;        // the map file the rows point into
int32_t sNextFreeNumber = 128;

// ---- The built-in tables ----
struct BuiltInRow {
    int16_t number;
    const char *name;
    const char *faces;
    uint8_t pitchAndFamily;
};

constexpr uint8_t kDontCare = FF_DONTCARE, kRoman = FF_ROMAN, kSwiss = FF_SWISS, kModern = FF_MODERN,
                  kScript = FF_SCRIPT, kDecorative = FF_DECORATIVE;

// Face names in code page 932 (Shift-JIS) and 950 (Big5).
#define SJ_GOTHIC "\x82\x6C\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4E"
#define SJ_MINCHO "\x82\x6C\x82\x72\x20\x96\xBE\x92\xA9"
#define BIG5_MING "\xB2\xD3\xA9\xFA\xC5\xE9"

const BuiltInRow kTable0[] = {
    {0, "systemFont", "System", kSwiss},
    {1, "applFont", "Arial", kSwiss},
    {20, "times", "Times New Roman", kRoman},
    {21, "helvetica", "Arial", kModern},
    {22, "courier", "Courier New", kModern},
    {23, "symbol", "Symbol", kDecorative},
    {2, "newYork", "Times New Roman", kRoman},
    {3, "geneva", "Arial", kSwiss},
    {4, "monaco", "Courier New", kModern},
    {5, "venice", "Times New Roman", kRoman},
    {6, "london", "Times New Roman", kRoman},
    {7, "athens", "Times New Roman", kRoman},
    {8, "sanFran", "Times New Roman", kRoman},
    {9, "toronto", "Times New Roman", kRoman},
    {11, "cairo", "Wingdings", kDecorative},
    {12, "losAngeles", "Times New Roman", kRoman},
    {24, "taliesin", "Wingdings", kDecorative},
    {128, "MS Serif", "MS Serif", kRoman},
    {129, "Tms Rmn", "Tms Rmn", kRoman},
    {130, "Times", "Times,MS Serif", kRoman},
    {131, "MS Sans Serif", "MS Sans Serif", kSwiss},
    {132, "Helv", "Helv,MS Sans Serif", kSwiss},
    {133, "Helvetica", "Helvetica,MS Sans Serif", kSwiss},
    {134, "Courier", "Courier", kModern},
    {135, "Modern", "Modern", kModern},
    {136, "Roman", "Roman", kScript},
    {137, "Script", "Script", kScript},
    {138, "Terminal", "Terminal", kModern},
    {139, "Arial", "Arial", kSwiss},
    {140, "Times New Roman", "Times New Roman", kRoman},
    {141, "Courier New", "Courier New", kModern},
};

const BuiltInRow kTable1[] = {
    {0, "systemFont", "System", kDontCare},
    {1, "applFont", SJ_GOTHIC, kDontCare},
    {16384, "Osaka", SJ_GOTHIC, kDontCare},
    {16641, "\x8D\xD7\x96\xBE\x92\xA9\x91\xCC", SJ_MINCHO, kDontCare},
    {16640, "\x92\x86\x83\x53\x83\x56\x83\x62\x83\x4E\x91\xCC", SJ_GOTHIC, kDontCare},
    {20, "times", "Times New Roman", kRoman},
    {21, "helvetica", SJ_GOTHIC, kDontCare},
    {22, "courier", "Courier", kModern},
    {23, "symbol", "Symbol", kDecorative},
    {2, "newYork", "Times New Roman", kRoman},
    {3, "geneva", SJ_GOTHIC, kDontCare},
    {4, "monaco", "Courier", kModern},
    {5, "venice", "Times New Roman", kRoman},
    {6, "london", "Times New Roman", kRoman},
    {7, "athens", "Times New Roman", kRoman},
    {8, "sanFran", "Times New Roman", kRoman},
    {9, "toronto", "Times New Roman", kRoman},
    {11, "cairo", "Wingdings", kDecorative},
    {12, "losAngeles", "Times New Roman", kRoman},
    {24, "taliesin", "Wingdings", kDecorative},
};

const BuiltInRow kTable2[] = {
    {0, "systemFont", "System Greek", kSwiss},
    {20, "times", "Times New Roman Greek", kRoman},
    {21, "helvetica", "Arial Greek", kModern},
    {22, "courier", "Courier New Greek", kModern},
    {23, "symbol", "Symbol", kDecorative},
    {1, "applFont", "Arial Greek", kSwiss},
    {2, "newYork", "Times New Roman Greek", kRoman},
    {3, "geneva", "Arial Greek", kSwiss},
    {4, "monaco", "Courier New Greek", kModern},
    {5, "venice", "Times New Roman Greek", kRoman},
    {6, "london", "Times New Roman Greek", kRoman},
    {7, "athens", "Times New Roman Greek", kRoman},
    {8, "sanFran", "Times New Roman Greek", kRoman},
    {9, "toronto", "Times New Roman Greek", kRoman},
    {12, "losAngeles", "Times New Roman Greek", kRoman},
};

const BuiltInRow kTable3[] = {
    {0, "systemFont", "System", kDontCare},
    {1, "applFont", BIG5_MING, kDontCare},
    {16384, "Osaka", BIG5_MING, kDontCare},
    {20, "times", "Times New Roman", kRoman},
    {21, "helvetica", BIG5_MING, kDontCare},
    {22, "courier", "Courier", kModern},
    {23, "symbol", "Symbol", kDecorative},
    {2, "newYork", "Times New Roman", kRoman},
    {3, "geneva", BIG5_MING, kDontCare},
    {4, "monaco", "Courier", kModern},
    {5, "venice", "Times New Roman", kRoman},
    {6, "london", "Times New Roman", kRoman},
    {7, "athens", "Times New Roman", kRoman},
    {8, "sanFran", "Times New Roman", kRoman},
    {9, "toronto", "Times New Roman", kRoman},
    {11, "cairo", "Wingdings", kDecorative},
    {12, "losAngeles", "Times New Roman", kRoman},
    {24, "taliesin", "Wingdings", kDecorative},
};

// The table of the session locale's primary language: Chinese and Korean 3, Greek 2, Japanese 1.
void BuiltInTable(const BuiltInRow **rows, int *count)
{
    switch (SessionLocale() & 0x3FF) {
    case LANG_CHINESE:
    case LANG_KOREAN:
        *rows = kTable3;
        *count = int(sizeof kTable3 / sizeof kTable3[0]);
        break;
    case LANG_GREEK:
        *rows = kTable2;
        *count = int(sizeof kTable2 / sizeof kTable2[0]);
        break;
    case LANG_JAPANESE:
        *rows = kTable1;
        *count = int(sizeof kTable1 / sizeof kTable1[0]);
        break;
    default:
        *rows = kTable0;
        *count = int(sizeof kTable0 / sizeof kTable0[0]);
        break;
    }
}

const char *const kFamilyWords[] = {"DontCare", "Roman", "Swiss", "Modern", "Script", "Decorative"};

// The family byte of a family word (without regard to case); an unknown word is Modern.
uint8_t FamilyFromWord(const char *word)
{
    for (int i = 0; i < 6; ++i)
        if (lstrcmpiA(word, kFamilyWords[i]) == 0)
            return uint8_t(i << 4);
    return kModern;
}

const char *FamilyWord(uint8_t pitchAndFamily)
{
    unsigned family = pitchAndFamily >> 4;
    return family < 6 ? kFamilyWords[family] : kFamilyWords[3];
}

void RaiseNextFree(int16_t number)
{
    if (number >= 128 && number + 1 > sNextFreeNumber)
        sNextFreeNumber = number + 1;
}

// A row's number: decimal digits only, at most 32767; anything else (nothing, a sign, other
// characters, a greater value) gives none.
int16_t ParseMapNumber(const char *from, const char *to)
{
    if (from == to)
        return -1;
    int32_t value = 0;
    for (const char *p = from; p < to; ++p) {
        if (*p < '0' || *p > '9')
            return -1;
        value = value * 10 + (*p - '0');
        if (value > 32767)
            return -1;
    }
    return int16_t(value);
}

char *FindByte(char *from, char *end, char c)
{
    void *at = std::memchr(from, c, size_t(end - from));
    return static_cast<char *>(at);
}

// Reads the rows of a map file in place (each delimiter becomes a NUL). Reading stops at the buffer's
// end, at a row cut short, or when the table is full.
int ParseMapBuffer(char *buffer, size_t length, FontMapEntry *rows)
{
    char *p = buffer, *end = buffer + length;
    int count = 0;
    while (p < end && uint8_t(*p) <= 0x20)
        ++p;
    while (p < end && count < kMaxMapRows) {
        char *name = p;
        char *open = FindByte(p, end, '(');
        if (!open)
            break;
        char *close = FindByte(open + 1, end, ')');
        if (!close)
            break;
        char *colon = FindByte(close + 1, end, ':');
        if (!colon)
            break;
        char *familyOpen = FindByte(colon + 1, end, '(');
        if (!familyOpen)
            break;
        char *familyClose = FindByte(familyOpen + 1, end, ')');
        if (!familyClose)
            break;
        *open = *close = *colon = *familyOpen = *familyClose = '\0';
        FontMapEntry &row = rows[count++];
        row.number = ParseMapNumber(open + 1, close);
        row.name = name;
        row.faces = colon + 1;
        row.zero = 0;
        row.pitchAndFamily = FamilyFromWord(familyOpen + 1);
        RaiseNextFree(row.number);
        // The rest of the line, then the control characters and blanks between rows; a byte of 0x80 or
        // more begins the next row.
        p = familyClose + 1;
        while (p < end && uint8_t(*p) >= 0x20 && uint8_t(*p) <= 0x7F)
            ++p;
        while (p < end && uint8_t(*p) <= 0x20)
            ++p;
    }
    return count;
}

// The map bytes: the embedded range of the container file when the settings name one (read only when
// it lies within the file), else "zelfont.map". Nil when there are none.
char *ReadMapBytes(size_t *length)
{
    const int16_t container = int16_t(LibrarySetting(settingEmbedFileRef));
    if (container != -1) {
        const int32_t start = LibrarySetting(settingEmbedFontMap);
        const int32_t stop = LibrarySetting(settingEmbedFork1);
        const int32_t size = ZEL_FHLSeek(container, 0, 2);
        if (start < 0 || start >= stop || size < 0 || stop > size)
            return nullptr;
        char *buffer = static_cast<char *>(std::malloc(size_t(stop - start) + 1));
        if (!buffer)
            return nullptr;
        if (ZEL_FHLSeek(container, start, 0) != start || ZEL_FHRead(container, buffer, stop - start) != stop - start) {
            std::free(buffer);
            return nullptr;
        }
        buffer[stop - start] = '\0';
        *length = size_t(stop - start);
        return buffer;
    }
    char path[MAX_PATH + 16];
    ZEL_MakeAppPathName(path, "zelfont.map");
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return nullptr;
    DWORD size = GetFileSize(file, nullptr);
    char *buffer = size == INVALID_FILE_SIZE ? nullptr : static_cast<char *>(std::malloc(size_t(size) + 1));
    DWORD read = 0;
    if (buffer && !ReadFile(file, buffer, size, &read, nullptr)) {
        std::free(buffer);
        buffer = nullptr;
    }
    CloseHandle(file);
    if (!buffer)
        return nullptr;
    buffer[read] = '\0';
    *length = read;
    return buffer;
}

// Makes the built-in table the map and writes it out as "zelfont.map".
void UseBuiltInTable()
{
    const BuiltInRow *table;
    int count;
    BuiltInTable(&table, &count);
    sRowCount = 0;
    std::string text;
    for (int i = 0; i < count; ++i) {
        const BuiltInRow &b = table[i];
        FontMapEntry &row = sRows[sRowCount++];
        row.number = b.number;
        row.name = b.name;
        row.faces = b.faces;
        row.zero = 0;
        row.pitchAndFamily = b.pitchAndFamily;
        RaiseNextFree(b.number);
        text += b.name;
        text += '(';
        if (b.number >= 0)
            text += std::to_string(b.number);
        text += "):";
        text += b.faces;
        text += '(';
        text += FamilyWord(b.pitchAndFamily);
        text += ")\r\n";
    }
    char path[MAX_PATH + 16];
    ZEL_MakeAppPathName(path, "zelfont.map");
    HANDLE file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(file, text.data(), DWORD(text.size()), &written, nullptr);
        CloseHandle(file);
    }
}

} // namespace

bool FontMapLoaded() { return sFontMapLoaded; }
const FontMapEntry *FontMapRows() { return sRows; }
int FontMapRowCount() { return sRowCount; }
int32_t FirstUnmappedFontNumber() { return sNextFreeNumber; }

const FontMapEntry *FindFontMapEntryByNumber(int16_t number)
{
    for (int i = 0; i < sRowCount; ++i)
        if (sRows[i].number == number)
            return &sRows[i];
    return nullptr;
}

void LoadFontMap()
{
    sFontMapLoaded = true;
    sRowCount = 0;
    sNextFreeNumber = 128;
    std::free(sRows);
    std::free(sFileBuffer);
    sFileBuffer = nullptr;
    sRows = static_cast<FontMapEntry *>(std::malloc(kMaxMapRows * sizeof(FontMapEntry)));
    if (sRows) {
        size_t length = 0;
        sFileBuffer = ReadMapBytes(&length);
        if (sFileBuffer)
            sRowCount = ParseMapBuffer(sFileBuffer, length, sRows);
        if (sRowCount == 0) {
            std::free(sFileBuffer);
            sFileBuffer = nullptr;
            sNextFreeNumber = 128;
            UseBuiltInTable();
        }
        if (void *shrunk = std::realloc(sRows, size_t(sRowCount > 0 ? sRowCount : 1) * sizeof(FontMapEntry)))
            sRows = static_cast<FontMapEntry *>(shrunk);
    }
    ZEL_UpdateFontList(1);
}

void FreeFontTables()
{
    FreeFontList();
    FlushFontMetricsCache();
    std::free(sRows);
    sRows = nullptr;
    sRowCount = 0;
    std::free(sFileBuffer);
    sFileBuffer = nullptr;
    sNextFreeNumber = 128;
    sFontMapLoaded = false;
}

// The Font Manager's width table goes at exit; the cache's tables with it, and WidthTabHandle never
// keeps naming either. A second call finds nothing to free.
void DisposeWidthTable()
{
    FlushFontMetricsCache();
    Handle &table = FontManagerWidthTable();
    if (LowMem<Handle>(lmWidthTabHandle) == table)
        LowMem<Handle>(lmWidthTabHandle) = nullptr;
    if (table)
        DisposeHandle(table);
    table = nullptr;
}

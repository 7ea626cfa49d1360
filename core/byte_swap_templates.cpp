// Resource byte-swap templates: ZEL_ByteSwap_Code converts a whole resource of a known type field by
// field between the big-endian order of the fork and native order, in either direction. Types without
// a template go to the host's byte-swap callback when its type list names them, else to the file's own
// procedure. Resource bytes come from files the library did not write, so every field is converted only
// when it lies wholly inside the resource: a count that promises more than the resource holds stops at
// its end.
#include "core.h"
#include "ByteOrder.h"
#include "OSUtils.h"

#include <cstring>
#include <initializer_list>

namespace {

constexpr ResType FourCC(const char (&s)[5])
{
    return (uint32_t(uint8_t(s[0])) << 24) | (uint32_t(uint8_t(s[1])) << 16) | (uint32_t(uint8_t(s[2])) << 8) |
           uint32_t(uint8_t(s[3]));
}

// One resource being converted.
struct ResourceBytes {
    uint8_t *data;
    uint32_t size;
    bool toNative;
};

bool Fits(const ResourceBytes &r, uint32_t offset, uint32_t width)
{
    return offset <= r.size && r.size - offset >= width;
}

void Swap16(const ResourceBytes &r, uint32_t offset)
{
    if (Fits(r, offset, 2))
        ZEL_ByteSwapWORD(r.data + offset);
}

void Swap32(const ResourceBytes &r, uint32_t offset)
{
    if (Fits(r, offset, 4))
        ZEL_ByteSwapLONG(r.data + offset);
}

void SwapRect(const ResourceBytes &r, uint32_t offset)
{
    for (uint32_t i = 0; i < 8; i += 2)
        Swap16(r, offset + i);
}

// The field's value as it stands in memory now.
uint16_t PeekWord(const ResourceBytes &r, uint32_t offset)
{
    uint16_t v = 0;
    if (Fits(r, offset, 2))
        std::memcpy(&v, r.data + offset, 2);
    return v;
}

uint32_t PeekLong(const ResourceBytes &r, uint32_t offset)
{
    uint32_t v = 0;
    if (Fits(r, offset, 4))
        std::memcpy(&v, r.data + offset, 4);
    return v;
}

// Converts a count word and returns its native value: read after converting when loading, before
// converting when writing. A count outside the resource counts 0.
uint16_t SwapCount(const ResourceBytes &r, uint32_t offset)
{
    if (!Fits(r, offset, 2))
        return 0;
    if (r.toNative)
        Swap16(r, offset);
    uint16_t count = PeekWord(r, offset);
    if (!r.toNative)
        Swap16(r, offset);
    return count;
}

// PixMap (50 bytes) and BitMap (14 bytes) records embedded in a resource.
constexpr uint32_t kPixMapSize = 50;
constexpr uint32_t kBitMapSize = 14;
constexpr uint32_t kPixMapTableField = 42;

void SwapPixMap(const ResourceBytes &r, uint32_t at)
{
    Swap32(r, at + 0);  // baseAddr
    Swap16(r, at + 4);  // rowBytes
    SwapRect(r, at + 6);
    Swap16(r, at + 14); // pmVersion
    Swap16(r, at + 16); // packType
    Swap32(r, at + 18); // packSize
    Swap32(r, at + 22); // hRes
    Swap32(r, at + 26); // vRes
    Swap16(r, at + 30); // pixelType
    Swap16(r, at + 32); // pixelSize
    Swap16(r, at + 34); // cmpCount
    Swap16(r, at + 36); // cmpSize
    Swap32(r, at + 38); // planeBytes
    Swap32(r, at + kPixMapTableField);
    Swap32(r, at + 46); // pmReserved
}

void SwapBitMap(const ResourceBytes &r, uint32_t at)
{
    Swap32(r, at + 0);
    Swap16(r, at + 4);
    SwapRect(r, at + 6);
}

// The colour table that starts `offset` bytes into the resource, kept within the resource.
void SwapColorTableAt(const ResourceBytes &r, uint64_t offset)
{
    if (offset < r.size)
        SwapColorTableWithin(r.toNative, r.data + offset, r.size - static_cast<uint32_t>(offset));
}

// ---- The templates ----

void SwapNothing(const ResourceBytes &) {}

// 'acur': frame count, a filler word, then per frame a cursor ID and a filler word.
void SwapAnimatedCursor(const ResourceBytes &r)
{
    uint16_t frames = SwapCount(r, 0);
    Swap16(r, 2);
    for (uint32_t i = 0, at = 4; i < frames && at < r.size; ++i, at += 4) {
        Swap16(r, at);
        Swap16(r, at + 2);
    }
}

// The bits of one byte of an alert's stages word. The fork stores each stage's fields (bold item 1 bit,
// box drawn 1 bit, sound 2 bits) from the most significant bit down, stage 4 first; in memory they are
// allocated from bit 0 upward, as the host's bit-field record reads them.
uint8_t StagesToNative(uint8_t b)
{
    return uint8_t(((b >> 7) & 1) | (((b >> 6) & 1) << 1) | (((b >> 4) & 3) << 2) | (((b >> 3) & 1) << 4) |
                   (((b >> 2) & 1) << 5) | ((b & 3) << 6));
}

uint8_t StagesToFork(uint8_t b)
{
    return uint8_t(((b & 1) << 7) | (((b >> 1) & 1) << 6) | (((b >> 2) & 3) << 4) | (((b >> 4) & 1) << 3) |
                   (((b >> 5) & 1) << 2) | ((b >> 6) & 3));
}

// 'ALRT': bounds, items ID, stages, and the position word when the resource has one.
void SwapAlert(const ResourceBytes &r)
{
    SwapRect(r, 0);
    Swap16(r, 8);
    for (uint32_t at = 10; at < 12 && at < r.size; ++at)
        r.data[at] = r.toNative ? StagesToNative(r.data[at]) : StagesToFork(r.data[at]);
    Swap16(r, 12);
}

// 'ZELD': the library's own resource; one word at 2.
void SwapLibraryData(const ResourceBytes &r) { Swap16(r, 2); }

// 'CURS' and 'crsr' are converted by the cursor module, which also gives each loaded cursor its Windows
// cursor. It is looked up among the library's exports so that the byte-order code stands on its own.
typedef HCURSOR(ZEL_CALL *CursorConverterProc)(int32_t create, int32_t isColour, void *record, int32_t convert,
                                               int32_t registerIt);

CursorConverterProc CursorConverter()
{
    static bool lookedUp;
    static CursorConverterProc proc;
    if (!lookedUp && LibraryModule()) {
        lookedUp = true;
        proc = reinterpret_cast<CursorConverterProc>(GetProcAddress(LibraryModule(), "ZEL_VelcastCursor"));
    }
    return proc;
}

void SwapCursorRecord(const ResourceBytes &r, bool colour)
{
    // The cursor module reads a whole Cursor (68 bytes) or CCrsr (96 bytes) record: anything shorter
    // cannot be a cursor and is left as it is.
    if (r.size < (colour ? 96u : 68u))
        return;
    if (CursorConverterProc convert = CursorConverter()) {
        convert(1, colour ? 1 : 0, r.data, r.toNative ? 1 : 0, 1);
        return;
    }
    // Without a cursor module the hot spot is the record's only multi-byte field.
    uint32_t hotSpot = colour ? 84 : 64;
    Swap16(r, hotSpot);
    Swap16(r, hotSpot + 2);
}

void SwapCursor(const ResourceBytes &r) { SwapCursorRecord(r, false); }
void SwapColorCursor(const ResourceBytes &r) { SwapCursorRecord(r, true); }

void SwapColorTableResource(const ResourceBytes &r) { SwapColorTableAt(r, 0); }

// 'mctb': menu colour entries, nothing but words.
void SwapAllWords(const ResourceBytes &r) { ZEL_ByteSwapWORDS(r.data, static_cast<int32_t>(r.size)); }

// 'DITL': item count minus 1, then items of a 14-byte header (handle placeholder, bounds, type byte,
// data length byte) and data padded to even length. Resource controls, icons and pictures hold their
// resource ID in the first word of their data.
void SwapItemList(const ResourceBytes &r)
{
    int32_t items = int16_t(SwapCount(r, 0)) + 1;
    uint32_t at = 2;
    for (int32_t i = 0; i < items && at < r.size; ++i) {
        Swap32(r, at);
        SwapRect(r, at + 4);
        if (!Fits(r, at + 12, 2))
            break;
        uint8_t type = r.data[at + 12];
        uint8_t length = r.data[at + 13];
        // An item whose data cannot hold an ID has none; its header word would belong to the next item.
        if (((type & 7) == 7 || (type & 0x60)) && length >= 2)
            Swap16(r, at + 14);
        at += 14 + ((length + 1u) & ~1u);
    }
}

// The position word that 'DLOG' and 'WIND' keep after their title when the resource is long enough.
void SwapPositionAfterTitle(const ResourceBytes &r, uint32_t title)
{
    if (title >= r.size)
        return;
    uint32_t titleBytes = (r.data[title] + 2u) & ~1u; // length byte and text, padded to even
    Swap16(r, title + titleBytes);
}

// 'DLOG': bounds, procID, visible and goAway bytes, refCon, items ID, title, position.
void SwapDialogTemplate(const ResourceBytes &r)
{
    SwapRect(r, 0);
    Swap16(r, 8);
    Swap32(r, 14);
    Swap16(r, 18);
    SwapPositionAfterTitle(r, 20);
}

// 'WIND': bounds, procID, visible and goAway bytes, refCon, title, position.
void SwapWindowTemplate(const ResourceBytes &r)
{
    SwapRect(r, 0);
    Swap16(r, 8);
    Swap32(r, 14);
    SwapPositionAfterTitle(r, 18);
}

// 'INTL': the 32-byte number and date formats end with their version word; the longer date-name
// record ends with its version word and a local routine word.
void SwapInternational(const ResourceBytes &r)
{
    if (r.size == 32) {
        Swap16(r, 30);
    } else {
        Swap16(r, 328);
        Swap16(r, 330);
    }
}

// 'MBAR': menu count, then the menu IDs.
void SwapMenuBar(const ResourceBytes &r)
{
    uint16_t menus = SwapCount(r, 0);
    for (uint32_t i = 0, at = 2; i < menus && at < r.size; ++i, at += 2)
        Swap16(r, at);
}

// 'MENU': ID, width, height, definition procedure, enable flags; the texts stay as they are.
void SwapMenu(const ResourceBytes &r)
{
    Swap16(r, 0);
    Swap16(r, 2);
    Swap16(r, 4);
    Swap32(r, 6);
    Swap32(r, 10);
}

// 'PAT#' and 'STR#': the count word.
void SwapLeadingCount(const ResourceBytes &r) { Swap16(r, 0); }

// 'PICT': picture size and frame; the opcode stream stays big-endian for playback.
void SwapPicture(const ResourceBytes &r)
{
    Swap16(r, 0);
    SwapRect(r, 2);
}

// 'pltt': entry count and header, then 16-byte entries (colour, usage, tolerance, flags, private).
void SwapPalette(const ResourceBytes &r)
{
    uint16_t entries = SwapCount(r, 0);
    Swap32(r, 2);
    Swap16(r, 6);
    Swap32(r, 8);
    Swap32(r, 12);
    for (uint32_t i = 0, at = 16; i < entries && at < r.size; ++i, at += 16) {
        for (uint32_t w = 0; w < 12; w += 2)
            Swap16(r, at + w);
        Swap32(r, at + 12);
    }
}

// 'ppat': the 28-byte pattern header, the PixMap after it and the colour table its table field points
// at. The table offset is read in native order, so both directions convert the same bytes and a
// pattern written back to its fork is the one that was read.
void SwapPixPat(const ResourceBytes &r)
{
    constexpr uint32_t kPixMapAt = 28;
    Swap16(r, 0);
    Swap32(r, 2);
    Swap32(r, 6);
    Swap32(r, 10);
    Swap16(r, 14);
    Swap32(r, 16);
    bool hasTableField = Fits(r, kPixMapAt + kPixMapTableField, 4);
    uint32_t table = r.toNative ? 0 : PeekLong(r, kPixMapAt + kPixMapTableField);
    SwapPixMap(r, kPixMapAt);
    if (r.toNative)
        table = PeekLong(r, kPixMapAt + kPixMapTableField);
    // A table inside the header or the PixMap would be converted twice.
    if (hasTableField && table >= kPixMapAt + kPixMapSize)
        SwapColorTableAt(r, table);
}

// 'styl': element count, then 20-byte style runs (start, height, ascent, font, face and filler, size,
// colour).
void SwapStyles(const ResourceBytes &r)
{
    uint16_t runs = SwapCount(r, 0);
    for (uint32_t i = 0, at = 2; i < runs && at < r.size; ++i, at += 20) {
        Swap32(r, at);
        for (uint32_t w : {4u, 6u, 8u, 12u, 14u, 16u, 18u})
            Swap16(r, at + w);
    }
}

// 'cicn': PixMap, mask BitMap, icon BitMap and data handle, then the mask and icon bits, then the colour
// table. The table's place follows from the PixMap's height and the two row widths, read in native
// order.
struct IconGeometry {
    bool known;
    uint64_t tableOffset;
};

IconGeometry ReadIconGeometry(const ResourceBytes &r)
{
    constexpr uint32_t kMaskAt = kPixMapSize, kIconAt = kPixMapSize + kBitMapSize, kBitsAt = 82;
    IconGeometry g{false, 0};
    if (!Fits(r, kIconAt + 4, 2))
        return g;
    int32_t height = int16_t(PeekWord(r, 10)) - int16_t(PeekWord(r, 6));
    if (height < 0)
        return g;
    uint32_t rowBytes = (PeekWord(r, kMaskAt + 4) & 0x0FFFu) + (PeekWord(r, kIconAt + 4) & 0x0FFFu);
    g.known = true;
    g.tableOffset = kBitsAt + uint64_t(height) * rowBytes;
    return g;
}

void SwapColorIcon(const ResourceBytes &r)
{
    IconGeometry g{false, 0};
    if (!r.toNative)
        g = ReadIconGeometry(r);
    SwapPixMap(r, 0);
    SwapBitMap(r, kPixMapSize);
    SwapBitMap(r, kPixMapSize + kBitMapSize);
    if (r.toNative)
        g = ReadIconGeometry(r);
    if (g.known)
        SwapColorTableAt(r, g.tableOffset);
}

// 'CNTL': bounds, value, visible, maximum, minimum, procID, refCon; the title stays as it is.
void SwapControl(const ResourceBytes &r)
{
    SwapRect(r, 0);
    Swap16(r, 8);
    Swap16(r, 12);
    Swap16(r, 14);
    Swap16(r, 16);
    Swap32(r, 18);
}

// 'vers': the region code.
void SwapVersion(const ResourceBytes &r) { Swap16(r, 4); }

// 'CMAP': 256 longs.
void SwapCharMap(const ResourceBytes &r)
{
    for (uint32_t i = 0; i < 256; ++i)
        Swap32(r, i * 4);
}

struct ByteSwapTemplate {
    ResType type;
    void (*swap)(const ResourceBytes &);
};

const ByteSwapTemplate kTemplates[] = {
    {FourCC("acur"), SwapAnimatedCursor},
    {FourCC("ALRT"), SwapAlert},
    {FourCC("ZELD"), SwapLibraryData},
    {FourCC("CURS"), SwapCursor},
    {FourCC("crsr"), SwapColorCursor},
    {FourCC("clut"), SwapColorTableResource},
    {FourCC("mctb"), SwapAllWords},
    {FourCC("DITL"), SwapItemList},
    {FourCC("DLOG"), SwapDialogTemplate},
    {FourCC("INTL"), SwapInternational},
    {FourCC("MBAR"), SwapMenuBar},
    {FourCC("MENU"), SwapMenu},
    {FourCC("PAT#"), SwapLeadingCount},
    {FourCC("PICT"), SwapPicture},
    {FourCC("pltt"), SwapPalette},
    {FourCC("ppat"), SwapPixPat},
    {FourCC("styl"), SwapStyles},
    {FourCC("STR#"), SwapLeadingCount},
    {FourCC("WIND"), SwapWindowTemplate},
    {FourCC("cicn"), SwapColorIcon},
    {FourCC("CNTL"), SwapControl},
    {FourCC("vers"), SwapVersion},
    {FourCC("CMAP"), SwapCharMap},
    // Bytes only, or code: nothing to convert.
    {FourCC("CDEF"), SwapNothing},
    {FourCC("FONT"), SwapNothing},
    {FourCC("ICON"), SwapNothing},
    {FourCC("ICN#"), SwapNothing},
    {FourCC("icl8"), SwapNothing},
    {FourCC("ics#"), SwapNothing},
    {FourCC("ics8"), SwapNothing},
    {FourCC("icm#"), SwapNothing},
    {FourCC("icm8"), SwapNothing},
    {FourCC("INIT"), SwapNothing},
    {FourCC("MDEF"), SwapNothing},
    {FourCC("PAT "), SwapNothing},
    {FourCC("STR "), SwapNothing},
    {FourCC("WDEF"), SwapNothing},
    {FourCC("LDEF"), SwapNothing},
    {FourCC("dctb"), SwapNothing},
    {FourCC("SICN"), SwapNothing},
    {FourCC("TEXT"), SwapNothing},
    {FourCC("wctb"), SwapNothing},
    {FourCC("sfnt"), SwapNothing},
};

const ByteSwapTemplate *FindTemplate(ResType type)
{
    for (const ByteSwapTemplate &t : kTemplates)
        if (t.type == type)
            return &t;
    return nullptr;
}

// The index of `type` in the host's zero-terminated type list counted from 0, or -1.
int32_t HostTypeIndex(ResType type)
{
    const uint32_t *list = SessionBlock().byteSwapTypes;
    if (!list)
        return -1;
    for (int32_t i = 0; list[i]; ++i)
        if (list[i] == type)
            return i;
    return -1;
}

// Hands a resource to a host procedure in the argument form session flag 0x8000 selects.
void CallByteSwapProc(FARPROC proc, int32_t direction, uint32_t typeOrIndex, int16_t id, int32_t size, void *data)
{
    if (SessionFlag(zelFlagFiveArgByteSwap))
        reinterpret_cast<ByteSwapProcWithID>(proc)(direction, typeOrIndex, id, size, data);
    else
        reinterpret_cast<ByteSwapProc>(proc)(direction, typeOrIndex, size, data);
}

// A program's own resource types are normal: the data is handed over as stored, and the note goes to
// the debugger output only, so that no program stops at its first resource of a type of its own.
void ReportUnknownType(ResType type)
{
    static const char kTail[] = " unknown byteswap type";
    char message[4 + sizeof kTail];
    for (int i = 0; i < 4; ++i)
        message[i] = static_cast<char>(type >> (24 - 8 * i));
    std::memcpy(message + 4, kTail, sizeof kTail);
    DebugOutputC(message);
}

} // namespace

void SwapColorTableWithin(int direction, uint8_t *table, uint32_t size)
{
    ResourceBytes r{table, size, direction != 0};
    Swap32(r, 0); // ctSeed
    Swap16(r, 4); // ctFlags
    // ctSize is the entry count minus 1; -1 is an empty table.
    int32_t entries = int16_t(SwapCount(r, 6)) + 1;
    for (int32_t i = 0; i < entries; ++i) {
        uint32_t at = 8 + 8 * uint32_t(i);
        if (at >= r.size)
            break;
        for (uint32_t w = 0; w < 8; w += 2)
            Swap16(r, at + w);
    }
}

ZEL_EXTERN_C void ZEL_CALL ZEL_ByteSwap_Code(int16_t direction, ResType type, int16_t id, int32_t size, void *data,
                                            ProcPtr fileProc)
{
    if (!data || size <= 0)
        return;
    bool toNative = direction != zelSwapToBigEndian;
    if (const ByteSwapTemplate *t = FindTemplate(type)) {
        t->swap(ResourceBytes{static_cast<uint8_t *>(data), static_cast<uint32_t>(size), toNative});
        return;
    }
    int32_t index = HostTypeIndex(type);
    FARPROC hostProc = SessionBlock().byteSwapCallback;
    // A type list without a callback cannot convert anything: such types go on as if unlisted.
    if (index >= 0 && hostProc) {
        CallByteSwapProc(hostProc, toNative ? 1 : 0, uint32_t(index), id, size, data);
        return;
    }
    if (fileProc) {
        CallByteSwapProc(reinterpret_cast<FARPROC>(fileProc), toNative ? 1 : 0, type, id, size, data);
        return;
    }
    ReportUnknownType(type);
}

ZEL_EXTERN_C void ZEL_CALL ZEL_ByteSwap(int16_t direction, ResType type, int16_t id, int32_t size, void *data)
{
    ZEL_ByteSwap_Code(direction, type, id, size, data, nullptr);
}

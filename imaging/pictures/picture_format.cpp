// The picture format: framing, the opcode table, operand records and row packing, shared by the
// recorder and the player.
#include "picture_format.h"
#include "../core/core_services.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

namespace {

// ---- Bounded cursor ----
// Reads operands in order; the first read that would pass the end marks the cursor bad and every
// later read answers zeros.
struct OperandReader {
    const uint8_t *p;
    size_t left;
    size_t used;
    bool bad;

    OperandReader(const uint8_t *start, size_t size) : p(start), left(size), used(0), bad(false) {}
    bool Take(size_t n)
    {
        if (bad || n > left) {
            bad = true;
            return false;
        }
        p += n;
        left -= n;
        used += n;
        return true;
    }
    uint16_t Word()
    {
        const uint8_t *at = p;
        return Take(2) ? PictWordAt(at) : 0;
    }
    uint32_t Long()
    {
        const uint8_t *at = p;
        return Take(4) ? PictLongAt(at) : 0;
    }
    Rect ReadRect()
    {
        Rect r;
        r.top = static_cast<int16_t>(Word());
        r.left = static_cast<int16_t>(Word());
        r.bottom = static_cast<int16_t>(Word());
        r.right = static_cast<int16_t>(Word());
        return r;
    }
    int32_t Answer() const { return bad ? kPictBad : static_cast<int32_t>(used); }
};

// ---- The opcode table ----
enum OperandKind : uint8_t {
    kFixedBytes,    // `bytes` bytes
    kVersionByte,   // one byte in version 1, the word 0x02FF in version 2
    kWordLength,    // a word length, then that many bytes
    kLongLength,    // an unsigned 32-bit length, then that many bytes
    kRegionSize,    // a region: its size word counts itself (at least 10, even)
    kPolygonSize,   // a polygon, sized like a region
    kSelfCounted,   // a size word counting itself, then data
    kText,          // `bytes` bytes, a count byte, then that many characters
    kLongComment,   // kind word, size word, size bytes
    kHighByteWords, // 2 x (opcode >> 8) bytes
    kBitsRecord,    // a bits or direct bits record with its rows
    kPixPat,        // a pixel pattern
};

struct OpcodeRange {
    uint16_t first;
    uint16_t last;
    OperandKind kind;
    uint8_t bytes;
};

// Every opcode of versions 1 and 2; version 1 has only those below 0x0100.
const OpcodeRange kOpcodeTable[] = {
    {0x0000, 0x0000, kFixedBytes, 0},   // NOP
    {0x0001, 0x0001, kRegionSize, 0},   // Clip
    {0x0002, 0x0002, kFixedBytes, 8},   // BkPat
    {0x0003, 0x0003, kFixedBytes, 2},   // TxFont
    {0x0004, 0x0004, kFixedBytes, 1},   // TxFace
    {0x0005, 0x0005, kFixedBytes, 2},   // TxMode
    {0x0006, 0x0006, kFixedBytes, 4},   // SpExtra
    {0x0007, 0x0007, kFixedBytes, 4},   // PnSize
    {0x0008, 0x0008, kFixedBytes, 2},   // PnMode
    {0x0009, 0x000A, kFixedBytes, 8},   // PnPat, FillPat
    {0x000B, 0x000C, kFixedBytes, 4},   // OvSize, Origin
    {0x000D, 0x000D, kFixedBytes, 2},   // TxSize
    {0x000E, 0x000F, kFixedBytes, 4},   // FgColor, BkColor
    {0x0010, 0x0010, kFixedBytes, 8},   // TxRatio
    {0x0011, 0x0011, kVersionByte, 0},  // Version
    {0x0012, 0x0014, kPixPat, 0},       // BkPixPat, PnPixPat, FillPixPat
    {0x0015, 0x0016, kFixedBytes, 2},   // PnLocHFrac, ChExtra
    {0x0017, 0x0019, kFixedBytes, 0},   // reserved
    {0x001A, 0x001B, kFixedBytes, 6},   // RGBFgCol, RGBBkCol
    {0x001C, 0x001C, kFixedBytes, 0},   // HiliteMode
    {0x001D, 0x001D, kFixedBytes, 6},   // HiliteColor
    {0x001E, 0x001E, kFixedBytes, 0},   // DefHilite
    {0x001F, 0x001F, kFixedBytes, 6},   // OpColor
    {0x0020, 0x0020, kFixedBytes, 8},   // Line
    {0x0021, 0x0021, kFixedBytes, 4},   // LineFrom
    {0x0022, 0x0022, kFixedBytes, 6},   // ShortLine
    {0x0023, 0x0023, kFixedBytes, 2},   // ShortLineFrom
    {0x0024, 0x0027, kWordLength, 0},   // reserved
    {0x0028, 0x0028, kText, 4},         // LongText: txLoc
    {0x0029, 0x002A, kText, 1},         // DHText, DVText: dh or dv
    {0x002B, 0x002B, kText, 2},         // DHDVText: dh, dv
    {0x002C, 0x002C, kWordLength, 0},   // FontName
    {0x002D, 0x002D, kFixedBytes, 10},  // LineJustify
    {0x002E, 0x002F, kWordLength, 0},   // GlyphState, reserved
    {0x0030, 0x0037, kFixedBytes, 8},   // Rect verbs, reserved
    {0x0038, 0x003F, kFixedBytes, 0},   // same Rect verbs, reserved
    {0x0040, 0x0047, kFixedBytes, 8},   // RRect verbs, reserved
    {0x0048, 0x004F, kFixedBytes, 0},   // same RRect verbs, reserved
    {0x0050, 0x0057, kFixedBytes, 8},   // Oval verbs, reserved
    {0x0058, 0x005F, kFixedBytes, 0},   // same Oval verbs, reserved
    {0x0060, 0x0067, kFixedBytes, 12},  // Arc verbs, reserved
    {0x0068, 0x006F, kFixedBytes, 4},   // same Arc verbs, reserved
    {0x0070, 0x0074, kPolygonSize, 0},  // Poly verbs
    {0x0075, 0x0077, kSelfCounted, 0},  // reserved
    {0x0078, 0x007F, kFixedBytes, 0},   // same Poly verbs, reserved
    {0x0080, 0x0084, kRegionSize, 0},   // Rgn verbs
    {0x0085, 0x0087, kSelfCounted, 0},  // reserved
    {0x0088, 0x008F, kFixedBytes, 0},   // same Rgn verbs, reserved
    {0x0090, 0x0091, kBitsRecord, 0},   // BitsRect, BitsRgn
    {0x0092, 0x0097, kWordLength, 0},   // reserved
    {0x0098, 0x009B, kBitsRecord, 0},   // PackBitsRect, PackBitsRgn, DirectBitsRect, DirectBitsRgn
    {0x009C, 0x009F, kWordLength, 0},   // reserved
    {0x00A0, 0x00A0, kFixedBytes, 2},   // ShortComment
    {0x00A1, 0x00A1, kLongComment, 0},  // LongComment
    {0x00A2, 0x00AF, kWordLength, 0},   // reserved
    {0x00B0, 0x00CF, kFixedBytes, 0},   // reserved
    {0x00D0, 0x00FE, kLongLength, 0},   // reserved
    {0x00FF, 0x00FF, kFixedBytes, 0},   // OpEndPic
    {0x0100, 0x7FFF, kHighByteWords, 0}, // reserved (the header opcode 0x0C00 among them)
    {0x8000, 0x80FF, kFixedBytes, 0},   // reserved
    {0x8100, 0xFFFF, kLongLength, 0},   // reserved
};

const OpcodeRange &RangeOf(uint16_t opcode)
{
    const OpcodeRange *end = kOpcodeTable + sizeof kOpcodeTable / sizeof kOpcodeTable[0];
    return *std::lower_bound(kOpcodeTable, end, opcode,
                             [](const OpcodeRange &r, uint16_t op) { return r.last < op; });
}

// The size word of a region or polygon: at least its own word and bounding box, and even.
int32_t ShapeOperandSize(const uint8_t *p, size_t left)
{
    uint16_t size;
    if (ReadPictWord(p, left, &size) < 0 || size < 10 || (size & 1) || size > left)
        return kPictBad;
    return size;
}

int32_t LengthOperand(size_t lengthBytes, uint64_t length, size_t left)
{
    uint64_t total = lengthBytes + length;
    return total > left ? kPictBad : static_cast<int32_t>(total);
}

// ---- Records ----
bool RectIsEmpty(const Rect &r) { return r.bottom <= r.top || r.right <= r.left; }

// The PixMap fields after rowBytes: 44 bytes, pmTable and pmReserved stepped over.
void ReadPixMapFields(OperandReader &c, uint16_t rowBytes, PictPixMapFields *pm)
{
    pm->rowBytes = rowBytes;
    pm->bounds = c.ReadRect();
    pm->pmVersion = static_cast<int16_t>(c.Word());
    pm->packType = static_cast<int16_t>(c.Word());
    pm->packSize = static_cast<int32_t>(c.Long());
    pm->hRes = static_cast<Fixed>(c.Long());
    pm->vRes = static_cast<Fixed>(c.Long());
    pm->pixelType = static_cast<int16_t>(c.Word());
    pm->pixelSize = static_cast<int16_t>(c.Word());
    pm->cmpCount = static_cast<int16_t>(c.Word());
    pm->cmpSize = static_cast<int16_t>(c.Word());
    pm->planeBytes = static_cast<int32_t>(c.Long());
    c.Take(8);
}

void ReadBitMapFields(OperandReader &c, uint16_t rowBytes, PictPixMapFields *pm)
{
    std::memset(pm, 0, sizeof *pm);
    pm->rowBytes = rowBytes;
    pm->bounds = c.ReadRect();
    pm->pixelSize = 1;
    pm->cmpCount = 1;
    pm->cmpSize = 1;
}

// ctSeed, ctFlags, ctSize (entries - 1, unsigned) and the entries; those past 256 are stepped over.
void ReadColorTable(OperandReader &c, PictColorTable *table)
{
    table->seed = c.Long();
    table->flags = c.Word();
    table->stored = static_cast<int32_t>(c.Word()) + 1;
    table->kept = std::min(table->stored, kPictMaxColors);
    if (c.bad || static_cast<size_t>(table->stored) * 8 > c.left) {
        c.bad = true;
        table->kept = 0;
        return;
    }
    for (int32_t i = 0; i < table->kept; ++i) {
        ColorSpec &e = table->entries[i];
        e.value = static_cast<int16_t>(c.Word());
        e.rgb.red = c.Word();
        e.rgb.green = c.Word();
        e.rgb.blue = c.Word();
    }
    c.Take(static_cast<size_t>(table->stored - table->kept) * 8);
}

bool IsIndexedDepth(int16_t pixelSize)
{
    return pixelSize == 1 || pixelSize == 2 || pixelSize == 4 || pixelSize == 8;
}

// How the rows of a record are stored. Indexed and BitMap rows shorter than 8 bytes, and every row of an
// unpacked opcode, are stored as they are; direct rows are always counted.
bool ChooseRowFormat(const PictPixMapFields &pm, bool pixMap, bool packedRows, PictRowFormat *f)
{
    const Rect &b = pm.bounds;
    if (RectIsEmpty(b))
        return false;
    int32_t width = b.right - b.left;
    int32_t height = b.bottom - b.top;
    int32_t length = pm.rowBytes & 0x3FFF;
    f->width = static_cast<int16_t>(width);
    f->rows = height;
    f->planes = 1;
    int16_t depth = pixMap ? pm.pixelSize : 1;
    if (IsIndexedDepth(depth)) {
        if (length < (width * depth + 7) / 8)
            return false;
        f->packing = packedRows && length >= 8 ? kPictRowsPackBits : kPictRowsUnpacked;
        f->rowBytes = length;
    } else if (depth == 16) {
        // Sixteen-bit pixels are 1-5-5-5 whatever component count the record gives.
        if (length < 2 * width)
            return false;
        if (pm.packType == 0 || pm.packType == 3)
            f->packing = kPictRowsWordRuns;
        else if (pm.packType == 1)
            f->packing = kPictRowsUnpacked;
        else
            return false;
        f->rowBytes = length;
    } else if (depth == 32) {
        if (pm.cmpCount != 3 && pm.cmpCount != 4)
            return false;
        if (pm.packType == 0 || pm.packType == 4) {
            // The planes are the bounds' width each, whatever rowBytes says. A row of 4,096 pixels or
            // more cannot have its length in rowBytes' 14 bits: it is 4 x width then. Some writers
            // pack a full row length of bytes behind three planes, so runs may fill up to the row
            // length; the planes are read from the start.
            int32_t planeBytes = width * pm.cmpCount;
            if (4 * width > 0x3FFF)
                length = 4 * width;
            else if (length < planeBytes)
                return false;
            // Planes under 8 bytes (one or two pixels) are stored as they are, with no count. Our
            // recorder once stored one-pixel rows counted under a rowBytes of 8: a rowBytes past
            // 4 x width still reads as counted.
            f->packing = planeBytes < 8 && length <= 4 * width ? kPictRowsPlainPlanes : kPictRowsPlanes;
            f->planes = pm.cmpCount;
            f->rowBytes = f->packing == kPictRowsPlainPlanes ? planeBytes : std::max(length, planeBytes);
        } else if (pm.packType == 1) {
            if (length < 4 * width)
                return false;
            f->packing = kPictRowsUnpacked;
            f->rowBytes = length;
        } else if (pm.packType == 2) {
            // The pad byte dropped: three bytes a pixel, the row as long as its pixels.
            if (3 * width > 0x3FFF * 2)
                return false;
            f->packing = kPictRowsTriples;
            f->rowBytes = 3 * width;
        } else {
            return false;
        }
    } else {
        return false;
    }
    f->wordCount = length > 250;
    return true;
}

} // namespace

// ---- Framing ----
int32_t ReadPictFraming(const uint8_t *pic, size_t size, PictFraming *out)
{
    std::memset(out, 0, sizeof *out);
    if (!pic || size < kPictHeaderBytes + 2)
        return kPictBad;
    auto le = [&](int at) { return static_cast<int16_t>(pic[at] | pic[at + 1] << 8); };
    out->frame = {le(2), le(4), le(6), le(8)};
    out->hRes = out->vRes = kPictDefaultRes;
    out->srcRect = out->frame;
    if (pic[10] == 0x11 && pic[11] == 0x01) {
        out->version = 1;
        out->firstOpcode = kPictHeaderBytes + 2;
        return out->firstOpcode;
    }
    if (size < kPictHeaderBytes + 4 || PictWordAt(pic + 10) != kPictOpVersion || PictWordAt(pic + 12) != kPictVersion2)
        return kPictBad;
    out->version = 2;
    out->firstOpcode = kPictHeaderBytes + 4;
    if (size < kPictHeaderBytes + 6 || PictWordAt(pic + 14) != kPictOpHeader)
        return out->firstOpcode;
    OperandReader c(pic + 16, size - 16);
    out->headerVersion = static_cast<int16_t>(c.Word());
    c.Word();
    Fixed hRes = static_cast<Fixed>(c.Long());
    Fixed vRes = static_cast<Fixed>(c.Long());
    Rect srcRect = c.ReadRect();
    c.Long();
    if (c.bad)
        return kPictBad;
    out->hRes = hRes;
    out->vRes = vRes;
    out->srcRect = srcRect;
    out->firstOpcode = kPictPrefixBytes;
    return out->firstOpcode;
}

bool PictHeaderSetsFrame(const PictFraming &f)
{
    return f.headerVersion == -2 && f.hRes != 0 && f.vRes != 0 && f.srcRect.left != f.srcRect.right &&
           f.srcRect.top != f.srcRect.bottom;
}

namespace {

// The prefix up to the header operand: picSize, picFrame, the version and header opcodes.
void PutPrefixFraming(uint8_t *out, const Rect &frame)
{
    std::memset(out, 0, kPictPrefixBytes);
    PutPictWordAt(out, kPictPrefixBytes);
    PutPictRectAt(out + 2, frame);
    PutPictWordAt(out + 10, kPictOpVersion);
    PutPictWordAt(out + 12, kPictVersion2);
    PutPictWordAt(out + 14, kPictOpHeader);
}

} // namespace

void PutPictPrefix(uint8_t *out, const Rect &frame)
{
    PutPrefixFraming(out, frame);
    PutPictLongAt(out + 16, 0xFFFFFFFFu);
    PutPictLongAt(out + 20, static_cast<uint32_t>(static_cast<uint16_t>(frame.left)) << 16);
    PutPictLongAt(out + 24, static_cast<uint32_t>(static_cast<uint16_t>(frame.top)) << 16);
    PutPictLongAt(out + 28, static_cast<uint32_t>(static_cast<uint16_t>(frame.right)) << 16);
    PutPictLongAt(out + 32, static_cast<uint32_t>(static_cast<uint16_t>(frame.bottom)) << 16);
}

void PutPictExtendedPrefix(uint8_t *out, const Rect &srcRect, Fixed hRes, Fixed vRes)
{
    PutPrefixFraming(out, srcRect);
    PutPictWordAt(out + 16, 0xFFFE);
    PutPictLongAt(out + 20, static_cast<uint32_t>(hRes));
    PutPictLongAt(out + 24, static_cast<uint32_t>(vRes));
    PutPictRectAt(out + 28, srcRect);
}

void StorePictSize(uint8_t *pic, size_t dataSize, uint32_t total)
{
    if (dataSize < 2)
        return;
    PutPictWordAt(pic, static_cast<uint16_t>(total));
    // The full size goes over the version and reserved words of a -1 header only: an extended header
    // would lose the -2 that tells playback to read its resolutions and srcRect.
    if (total <= 0x7FFF || dataSize < kPictLargeSizeOffset + 4)
        return;
    if (PictWordAt(pic + 10) != kPictOpVersion || PictWordAt(pic + 12) != kPictVersion2 ||
        PictWordAt(pic + 14) != kPictOpHeader || PictWordAt(pic + 16) == 0xFFFE)
        return;
    PutPictLongAt(pic + kPictLargeSizeOffset, total);
}

void SwapPictHeader(uint8_t *pic)
{
    for (int i = 0; i < kPictHeaderBytes; i += 2)
        std::swap(pic[i], pic[i + 1]);
}

// ---- Operands ----
int32_t ReadPictWord(const uint8_t *p, size_t left, uint16_t *value)
{
    if (left < 2)
        return kPictBad;
    *value = PictWordAt(p);
    return 2;
}

int32_t ReadPictLong(const uint8_t *p, size_t left, uint32_t *value)
{
    if (left < 4)
        return kPictBad;
    *value = PictLongAt(p);
    return 4;
}

int32_t ReadPictRect(const uint8_t *p, size_t left, Rect *rect)
{
    OperandReader c(p, left);
    Rect r = c.ReadRect();
    if (c.bad)
        return kPictBad;
    *rect = r;
    return 8;
}

void PutPictRectAt(uint8_t *p, const Rect &rect)
{
    PutPictWordAt(p, static_cast<uint16_t>(rect.top));
    PutPictWordAt(p + 2, static_cast<uint16_t>(rect.left));
    PutPictWordAt(p + 4, static_cast<uint16_t>(rect.bottom));
    PutPictWordAt(p + 6, static_cast<uint16_t>(rect.right));
}

int32_t ReadPictOpcode(int16_t version, const uint8_t *p, size_t left, uint16_t *opcode)
{
    if (version == 1) {
        if (left < 1)
            return kPictBad;
        *opcode = p[0];
        return 1;
    }
    return ReadPictWord(p, left, opcode);
}

int32_t PictOperandSize(int16_t version, uint16_t opcode, const uint8_t *p, size_t left)
{
    if (version == 1 && opcode > 0xFF)
        return kPictBad;
    const OpcodeRange &range = RangeOf(opcode);
    switch (range.kind) {
    case kFixedBytes:
        return range.bytes > left ? kPictBad : range.bytes;
    case kVersionByte: {
        int32_t size = version == 1 ? 1 : 2;
        return static_cast<size_t>(size) > left ? kPictBad : size;
    }
    case kWordLength: {
        uint16_t length;
        if (ReadPictWord(p, left, &length) < 0)
            return kPictBad;
        return LengthOperand(2, length, left);
    }
    case kLongLength: {
        uint32_t length;
        if (ReadPictLong(p, left, &length) < 0)
            return kPictBad;
        return LengthOperand(4, length, left);
    }
    case kRegionSize:
    case kPolygonSize:
        return ShapeOperandSize(p, left);
    case kSelfCounted: {
        uint16_t size;
        if (ReadPictWord(p, left, &size) < 0 || size < 2 || size > left)
            return kPictBad;
        return size;
    }
    case kText: {
        if (left < range.bytes + 1u)
            return kPictBad;
        return LengthOperand(range.bytes + 1u, p[range.bytes], left);
    }
    case kLongComment: {
        if (left < 4)
            return kPictBad;
        return LengthOperand(4, PictWordAt(p + 2), left);
    }
    case kHighByteWords:
        return LengthOperand(0, 2u * (opcode >> 8), left);
    case kBitsRecord: {
        PictBitsRecord record;
        int32_t head = ReadPictBitsRecord(opcode, p, left, &record);
        if (head < 0)
            return kPictBad;
        int32_t rows = PictRowsSize(record.rows, p + head, left - head);
        return rows < 0 ? kPictBad : head + rows;
    }
    case kPixPat: {
        PictPixPatRecord record;
        int32_t head = ReadPictPixPatRecord(p, left, &record);
        if (head < 0 || record.patType != 1)
            return head;
        int32_t rows = PictRowsSize(record.rows, p + head, left - head);
        return rows < 0 ? kPictBad : head + rows;
    }
    }
    return kPictBad;
}

int32_t PictOpcodeSpan(int16_t version, const uint8_t *p, size_t left, uint16_t *opcode)
{
    int32_t opBytes = ReadPictOpcode(version, p, left, opcode);
    if (opBytes < 0)
        return kPictBad;
    if (*opcode == kPictOpEnd)
        return opBytes;
    int32_t operand = PictOperandSize(version, *opcode, p + opBytes, left - opBytes);
    if (operand < 0)
        return kPictBad;
    int32_t span = opBytes + operand;
    // In version 2 the next opcode starts at an even offset; a stream cut right after an odd operand
    // simply ends there.
    if (version != 1 && (span & 1) && static_cast<size_t>(span) < left)
        ++span;
    return span;
}

// ---- Pixel rows ----
int32_t ReadPictRow(const PictRowFormat &f, const uint8_t *p, size_t left, uint8_t *row)
{
    if (!PictRowsCounted(f)) {
        if (static_cast<size_t>(f.rowBytes) > left)
            return kPictBad;
        if (row)
            std::memcpy(row, p, f.rowBytes);
        return f.rowBytes;
    }
    size_t countBytes = f.wordCount ? 2 : 1;
    if (left < countBytes)
        return kPictBad;
    size_t count = f.wordCount ? PictWordAt(p) : p[0];
    if (count > left - countBytes)
        return kPictBad;
    if (row) {
        const uint8_t *packed = p + countBytes;
        int32_t n = static_cast<int32_t>(count);
        int32_t written = f.packing == kPictRowsWordRuns ? UnpackPictWordRuns(packed, n, row, f.rowBytes)
                                                         : UnpackBitsBounded(packed, n, row, f.rowBytes);
        if (written < 0)
            return kPictBad;
        std::memset(row + written, 0, f.rowBytes - written);
    }
    return static_cast<int32_t>(countBytes + count);
}

int32_t PictRowsSize(const PictRowFormat &f, const uint8_t *p, size_t left)
{
    size_t used = 0;
    for (int32_t y = 0; y < f.rows; ++y) {
        int32_t n = ReadPictRow(f, p + used, left - used, nullptr);
        if (n < 0)
            return kPictBad;
        used += static_cast<size_t>(n);
    }
    return static_cast<int32_t>(used);
}

int32_t PictPackedRowBound(const PictRowFormat &f)
{
    if (!PictRowsCounted(f))
        return f.rowBytes;
    return 2 + PackBitsWorstCase(f.rowBytes);
}

int32_t PutPictRow(const PictRowFormat &f, const uint8_t *row, uint8_t *out)
{
    if (!PictRowsCounted(f)) {
        std::memcpy(out, row, f.rowBytes);
        return f.rowBytes;
    }
    int32_t countBytes = f.wordCount ? 2 : 1;
    uint8_t *packed = out + countBytes;
    int32_t count;
    if (f.packing == kPictRowsWordRuns) {
        count = PackPictWordRuns(reinterpret_cast<const uint16_t *>(row), f.rowBytes / 2, packed);
    } else {
        const uint8_t *src = row;
        uint8_t *dst = packed;
        PackBitsCore(&src, &dst, f.rowBytes);
        count = static_cast<int32_t>(dst - packed);
    }
    if (f.wordCount)
        PutPictWordAt(out, static_cast<uint16_t>(count));
    else
        out[0] = static_cast<uint8_t>(count);
    return countBytes + count;
}

int32_t PackPictWordRuns(const uint16_t *words, int32_t count, uint8_t *out)
{
    constexpr int32_t kMaxGroup = 127;
    uint8_t *d = out;
    int32_t i = 0;
    auto equalRun = [&](int32_t at) {
        int32_t n = 1;
        while (at + n < count && n < kMaxGroup && words[at + n] == words[at])
            ++n;
        return n;
    };
    while (i < count) {
        int32_t run = equalRun(i);
        if (run >= 3) {
            *d++ = static_cast<uint8_t>(1 - run);
            PutPictWordAt(d, words[i]);
            d += 2;
            i += run;
            continue;
        }
        // Literal words up to the next three equal ones, at most 127 in a group.
        int32_t start = i;
        while (i < count && i - start < kMaxGroup) {
            if (count - i >= 3 && words[i] == words[i + 1] && words[i + 1] == words[i + 2])
                break;
            ++i;
        }
        *d++ = static_cast<uint8_t>(i - start - 1);
        for (int32_t k = start; k < i; ++k, d += 2)
            PutPictWordAt(d, words[k]);
    }
    return static_cast<int32_t>(d - out);
}

int32_t UnpackPictWordRuns(const uint8_t *src, int32_t srcCount, uint8_t *dst, int32_t dstBytes)
{
    if (srcCount < 0 || dstBytes < 0)
        return kPictBad;
    const uint8_t *s = src;
    const uint8_t *end = src + srcCount;
    int32_t room = dstBytes / 2;
    uint16_t *d = reinterpret_cast<uint16_t *>(dst);
    int32_t written = 0;
    while (s < end) {
        int8_t flag = static_cast<int8_t>(*s++);
        if (flag == -128)
            continue;
        if (flag < 0) {
            int32_t n = 1 - flag;
            if (end - s < 2 || n > room - written)
                return kPictBad;
            uint16_t w = PictWordAt(s);
            s += 2;
            for (int32_t k = 0; k < n; ++k)
                d[written + k] = w;
            written += n;
        } else {
            int32_t n = flag + 1;
            if (end - s < 2 * n || n > room - written)
                return kPictBad;
            for (int32_t k = 0; k < n; ++k, s += 2)
                d[written + k] = PictWordAt(s);
            written += n;
        }
    }
    return written * 2;
}

void SplitPictPlanes(const uint32_t *pixels, int32_t width, int16_t components, uint8_t *planes)
{
    int32_t firstShift = components == 4 ? 24 : 16;
    for (int32_t c = 0; c < components; ++c) {
        int32_t shift = firstShift - 8 * c;
        uint8_t *plane = planes + c * width;
        for (int32_t x = 0; x < width; ++x)
            plane[x] = static_cast<uint8_t>(pixels[x] >> shift);
    }
}

void MergePictPlanes(const uint8_t *planes, int32_t width, int16_t components, uint32_t *pixels)
{
    int32_t firstShift = components == 4 ? 24 : 16;
    for (int32_t x = 0; x < width; ++x)
        pixels[x] = 0;
    for (int32_t c = 0; c < components; ++c) {
        int32_t shift = firstShift - 8 * c;
        const uint8_t *plane = planes + c * width;
        for (int32_t x = 0; x < width; ++x)
            pixels[x] |= static_cast<uint32_t>(plane[x]) << shift;
    }
}

bool PictRecordedRowFormat(int16_t pixelSize, int16_t width, int16_t height, int16_t components,
                           PictRowFormat *f, uint16_t *rowBytesWord)
{
    if (width <= 0 || height <= 0)
        return false;
    int32_t length;
    f->width = width;
    f->rows = height;
    f->planes = 1;
    if (IsIndexedDepth(pixelSize)) {
        length = (width * pixelSize + 7) / 8;
        length += length & 1;
        f->packing = length >= 8 ? kPictRowsPackBits : kPictRowsUnpacked;
        f->rowBytes = length;
    } else if (pixelSize == 16) {
        // Direct rows are always counted; a length below 8 is stored as 8 so that readers that leave
        // short rows unpacked agree.
        length = std::max<int32_t>(2 * width, 8);
        f->packing = kPictRowsWordRuns;
        f->rowBytes = length;
    } else if (pixelSize == 32 && (components == 3 || components == 4)) {
        // Planes under 8 bytes are stored as they are, under a rowBytes of 4 x width.
        length = 4 * width;
        f->packing = width * components < 8 ? kPictRowsPlainPlanes : kPictRowsPlanes;
        f->planes = components;
        f->rowBytes = width * components;
    } else {
        return false;
    }
    if (length > 0x3FFF)
        return false;
    f->wordCount = length > 250;
    *rowBytesWord = static_cast<uint16_t>(length | 0x8000);
    return true;
}

PictRowFormat PictBitMapRowFormat(int16_t rowBytes, int16_t width, int16_t height)
{
    PictRowFormat f;
    int32_t length = rowBytes & 0x3FFF;
    f.packing = length < 8 ? kPictRowsUnpacked : kPictRowsPackBits;
    f.wordCount = length > 250;
    f.rowBytes = length;
    f.rows = height;
    f.width = width;
    f.planes = 1;
    return f;
}

// ---- Bits and pixel-pattern records ----
int32_t ReadPictBitsRecord(uint16_t opcode, const uint8_t *p, size_t left, PictBitsRecord *out)
{
    bool directOpcode = opcode == 0x009A || opcode == 0x009B;
    bool packedRows = opcode >= 0x0098;
    bool hasMask = opcode == 0x0091 || opcode == 0x0099 || opcode == 0x009B;
    if (!(opcode == 0x0090 || opcode == 0x0091 || (opcode >= 0x0098 && opcode <= 0x009B)))
        return kPictBad;
    OperandReader c(p, left);
    if (directOpcode)
        c.Long(); // baseAddr, 0x000000FF
    uint16_t rowBytes = c.Word();
    out->pixMap = (rowBytes & 0x8000) != 0;
    out->colors.stored = out->colors.kept = 0;
    if (out->pixMap)
        ReadPixMapFields(c, rowBytes, &out->pm);
    else
        ReadBitMapFields(c, rowBytes, &out->pm);
    if (c.bad)
        return kPictBad;
    int16_t depth = out->pm.pixelSize;
    out->direct = out->pixMap && (depth == 16 || depth == 32);
    if (directOpcode != out->direct)
        return kPictBad;
    if (out->pixMap && !out->direct) {
        if (!IsIndexedDepth(depth))
            return kPictBad;
        ReadColorTable(c, &out->colors);
    }
    out->srcRect = c.ReadRect();
    out->dstRect = c.ReadRect();
    out->mode = static_cast<int16_t>(c.Word());
    out->maskOffset = out->maskSize = 0;
    if (hasMask && !c.bad) {
        int32_t size = ShapeOperandSize(c.p, c.left);
        if (size < 0)
            return kPictBad;
        out->maskOffset = static_cast<int32_t>(c.used);
        out->maskSize = size;
        ReadPictRect(c.p + 2, c.left - 2, &out->maskBox);
        c.Take(static_cast<size_t>(size));
    }
    if (c.bad || !ChooseRowFormat(out->pm, out->pixMap, packedRows, &out->rows))
        return kPictBad;
    out->rowsOffset = static_cast<int32_t>(c.used);
    return out->rowsOffset;
}

int32_t ReadPictPixPatRecord(const uint8_t *p, size_t left, PictPixPatRecord *out)
{
    OperandReader c(p, left);
    out->patType = static_cast<int16_t>(c.Word());
    const uint8_t *pattern = c.p;
    if (c.Take(8))
        std::memcpy(out->pat1Data.pat, pattern, 8);
    out->colors.stored = out->colors.kept = 0;
    out->rowsOffset = 0;
    if (out->patType != 1) {
        out->rgb.red = c.Word();
        out->rgb.green = c.Word();
        out->rgb.blue = c.Word();
        return c.Answer();
    }
    uint16_t rowBytes = c.Word();
    ReadPixMapFields(c, rowBytes, &out->pm);
    ReadColorTable(c, &out->colors);
    if (c.bad)
        return kPictBad;
    // A pattern's packType 0 stands for the usual packing of its depth.
    PictPixMapFields pm = out->pm;
    if (pm.packType == 0 && pm.pixelSize == 16)
        pm.packType = 3;
    else if (pm.packType == 0 && pm.pixelSize == 32)
        pm.packType = 4;
    bool packedRows = pm.packType != 1;
    if (!ChooseRowFormat(pm, true, packedRows, &out->rows))
        return kPictBad;
    out->rowsOffset = static_cast<int32_t>(c.used);
    return out->rowsOffset;
}

// ---- Comments ----
namespace {

// The numbers in the payloads of comment kinds, at their offsets; a field is converted only when the
// payload holds all of it, and for some kinds only at one exact payload size.
struct CommentField {
    int16_t kind;
    uint8_t offset;
    uint8_t width;     // 2 or 4
    uint8_t onlySize;  // 0: any size that holds the field
};

const CommentField kCommentFields[] = {
    {150, 2, 2, 0},  {150, 6, 4, 0},  {150, 10, 2, 0}, // text rotation: flip, angle, fixed angle
    {154, 0, 4, 8},  {154, 4, 4, 8},                   // text centre
    {182, 0, 2, 4},  {182, 2, 2, 4},                   // line layout
    {200, 0, 2, 0},  {200, 2, 2, 0},  {200, 4, 4, 0},  // rotation begin: flip, angle, centre
    {202, 0, 4, 8},  {202, 4, 4, 8},                   // rotation centre
    {501, 0, 2, 0},                                    // library word
    {502, 0, 2, 0},                                    // line width
};

} // namespace

void SwapPictCommentPayload(int16_t kind, uint8_t *data, int32_t size)
{
    if (!data || size <= 0)
        return;
    for (const CommentField &f : kCommentFields) {
        if (f.kind != kind || (f.onlySize && size != f.onlySize) || f.offset + f.width > size)
            continue;
        uint8_t *at = data + f.offset;
        if (f.width == 2) {
            std::swap(at[0], at[1]);
        } else {
            std::swap(at[0], at[3]);
            std::swap(at[1], at[2]);
        }
    }
}

// ---- The clipboard picture ----
bool PictDibLayoutFor(int32_t width, int32_t height, int16_t bitCount, PictDibLayout *out)
{
    if (width < 1 || height < 1 || width > 0x7FFF || height > 0x7FFF || (bitCount != 8 && bitCount != 24))
        return false;
    int64_t stride = bitCount == 24 ? (3 * static_cast<int64_t>(width) + 3) & ~3 : (width + 3) & ~3;
    int64_t image = stride * height;
    int32_t colors = bitCount == 8 ? 256 : 0;
    int64_t bitsOffset = kPictDibHeaderOffset + static_cast<int64_t>(sizeof(BITMAPINFOHEADER)) + 4 * colors;
    if (bitsOffset + image > 0x7FFFFFFF)
        return false;
    out->width = width;
    out->height = height;
    out->bitCount = bitCount;
    out->stride = static_cast<int32_t>(stride);
    out->imageSize = static_cast<int32_t>(image);
    out->colorsOffset = kPictDibHeaderOffset + static_cast<int32_t>(sizeof(BITMAPINFOHEADER));
    out->colorCount = colors;
    out->bitsOffset = static_cast<int32_t>(bitsOffset);
    out->totalSize = static_cast<int32_t>(bitsOffset + image);
    return true;
}

void PutPictDibHeader(uint8_t *pic, const PictDibLayout &layout)
{
    Picture header;
    header.picSize = static_cast<int16_t>(layout.totalSize);
    header.picFrame = {0, 0, static_cast<int16_t>(layout.height), static_cast<int16_t>(layout.width)};
    std::memcpy(pic, &header, sizeof header);
    BITMAPINFOHEADER bi = {};
    bi.biSize = sizeof bi;
    bi.biWidth = layout.width;
    bi.biHeight = layout.height;
    bi.biPlanes = 1;
    bi.biBitCount = static_cast<WORD>(layout.bitCount);
    bi.biCompression = BI_RGB;
    bi.biSizeImage = static_cast<DWORD>(layout.imageSize);
    bi.biXPelsPerMeter = 2800;
    bi.biYPelsPerMeter = 2800;
    std::memcpy(pic + kPictDibHeaderOffset, &bi, sizeof bi);
}

bool ReadPictDibLayout(const uint8_t *pic, size_t size, PictDibLayout *out)
{
    BITMAPINFOHEADER bi;
    if (!pic || size < kPictDibHeaderOffset + sizeof bi)
        return false;
    std::memcpy(&bi, pic + kPictDibHeaderOffset, sizeof bi);
    if (bi.biSize != sizeof bi || bi.biPlanes != 1 || bi.biCompression != BI_RGB)
        return false;
    if (!PictDibLayoutFor(bi.biWidth, bi.biHeight, static_cast<int16_t>(bi.biBitCount), out))
        return false;
    if (bi.biBitCount == 8) {
        if (bi.biClrUsed > 256)
            return false;
        out->colorCount = bi.biClrUsed ? static_cast<int32_t>(bi.biClrUsed) : 256;
        out->bitsOffset = out->colorsOffset + 4 * out->colorCount;
        out->totalSize = out->bitsOffset + out->imageSize;
    }
    return static_cast<size_t>(out->totalSize) <= size;
}

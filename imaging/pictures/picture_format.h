// The bytes of a picture: the handle's header and version framing, the opcode table with every
// operand's size, the big-endian operand readers and writers, the bits and pixel-pattern records and
// the packing of their pixel rows, the comment payloads that change byte order, and the layout of the
// clipboard picture whose body is a device-independent bitmap. The recorder writes what is described
// here and the player reads it.
//
// A picture's bytes come from files, resources and the clipboard, so every reader takes the bytes left
// and answers the bytes it consumed, or kPictBad when a count, a size or a run reaches past them or
// breaks the format's rules. Nothing reads a byte it has not first checked is there.
#pragma once

#include <cstddef>
#include <cstdint>

#include "MacTypes.h"
#include "Quickdraw.h"

// Answer of the readers for bytes that are missing or malformed.
constexpr int32_t kPictBad = -1;

// ---- Framing ----
enum : uint16_t {
    kPictOpNop = 0x0000,
    kPictOpClip = 0x0001,
    kPictOpVersion = 0x0011,
    kPictOpShortComment = 0x00A0,
    kPictOpLongComment = 0x00A1,
    kPictOpEnd = 0x00FF,
    kPictOpHeader = 0x0C00,
};
// The version opcode's operand in a version 2 stream (version 2, then 0xFF).
constexpr uint16_t kPictVersion2 = 0x02FF;
// picSize and picFrame, before the opcode stream.
constexpr int32_t kPictHeaderBytes = 10;
// A version 2 picture up to its first drawing opcode: the header, the version opcode and the header
// opcode with its 24-byte operand.
constexpr int32_t kPictPrefixBytes = 40;
constexpr int32_t kPictHeaderOperandBytes = 24;
// Where a recorder of a large picture may keep its 32-bit size: over the header operand's version and
// reserved words, which only a version -1 header leaves free.
constexpr int32_t kPictLargeSizeOffset = 16;
// 72 dots per inch as a Fixed.
constexpr Fixed kPictDefaultRes = 0x00480000;
// The library's own comment carrying a non-rectangular clip as Windows region data, written before the
// clip opcode that carries the region's bounding box.
constexpr int16_t kPictClipRegionComment = 31062;

// How a stream is framed, read from the start of a picture's data (header in the host's byte order).
struct PictFraming {
    int16_t version;       // 1: byte opcodes, no padding; 2: word opcodes at even offsets
    int16_t headerVersion; // the header operand's version word: -1, -2 (extended); 0 without a header
    Fixed hRes;            // the header operand, as stored
    Fixed vRes;
    Rect srcRect;
    Rect frame;            // picFrame
    int32_t firstOpcode;   // offset from the start of the data of the first opcode after the framing
};
int32_t ReadPictFraming(const uint8_t *pic, size_t size, PictFraming *out);
// An extended header with both resolutions set and a srcRect of some width and height: playback then
// takes its frame from srcRect and the resolutions; any other header plays picFrame at 72 dpi.
bool PictHeaderSetsFrame(const PictFraming &framing);

// The 40-byte prefix of a new version 2 picture, header big-endian as while it is recorded: version -1
// with the frame as Fixed coordinates, or version -2 with the resolutions and srcRect.
void PutPictPrefix(uint8_t *out, const Rect &frame);
void PutPictExtendedPrefix(uint8_t *out, const Rect &srcRect, Fixed hRes, Fixed vRes);
// The size of a picture being recorded (header still big-endian): picSize takes the low 16 bits, and a
// picture past 32,767 bytes also keeps its 32-bit size at kPictLargeSizeOffset, but only over a -1
// header; an extended header's version word is never written over.
void StorePictSize(uint8_t *pic, size_t dataSize, uint32_t total);
// Swaps picSize and picFrame between big-endian and the host's order (both ways).
void SwapPictHeader(uint8_t *pic);

// ---- Operands ----
inline uint16_t PictWordAt(const uint8_t *p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }
inline uint32_t PictLongAt(const uint8_t *p)
{
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
           static_cast<uint32_t>(p[2]) << 8 | p[3];
}
inline void PutPictWordAt(uint8_t *p, uint16_t value)
{
    p[0] = static_cast<uint8_t>(value >> 8);
    p[1] = static_cast<uint8_t>(value);
}
inline void PutPictLongAt(uint8_t *p, uint32_t value)
{
    PutPictWordAt(p, static_cast<uint16_t>(value >> 16));
    PutPictWordAt(p + 2, static_cast<uint16_t>(value));
}
int32_t ReadPictWord(const uint8_t *p, size_t left, uint16_t *value);
int32_t ReadPictLong(const uint8_t *p, size_t left, uint32_t *value);
// A Rect: top, left, bottom, right.
int32_t ReadPictRect(const uint8_t *p, size_t left, Rect *rect);
void PutPictRectAt(uint8_t *p, const Rect &rect);

// The opcode at p (a byte in version 1, a word in version 2).
int32_t ReadPictOpcode(int16_t version, const uint8_t *p, size_t left, uint16_t *opcode);
// Bytes of the operand that follows `opcode`, without the pad byte of version 2. A region or polygon
// whose size word is below 10 or odd, a size or length that reaches past `left`, and a bits or pattern
// record that breaks the rules of the records below answer kPictBad.
int32_t PictOperandSize(int16_t version, uint16_t opcode, const uint8_t *operand, size_t left);
// One opcode with its operand and, in version 2, the pad that keeps the next opcode at an even offset:
// the bytes to step over (the opcode alone for the end opcode), or kPictBad.
int32_t PictOpcodeSpan(int16_t version, const uint8_t *p, size_t left, uint16_t *opcode);

// ---- Pixel rows ----
enum PictRowPacking : uint8_t {
    kPictRowsUnpacked,  // each row stored as it is, no count
    kPictRowsPackBits,  // counted PackBits rows of bytes
    kPictRowsWordRuns,  // counted rows of 16-bit pixels in word runs
    kPictRowsPlanes,    // counted PackBits rows of component planes, one plane per component
    kPictRowsTriples,   // each row stored as it is, three bytes (red, green, blue) a pixel, no count
    kPictRowsPlainPlanes, // each row stored as it is, its component planes, no count (planes under 8 bytes)
};
struct PictRowFormat {
    PictRowPacking packing;
    bool wordCount;   // the count before a packed row is a word (row length above 250), else a byte
    int32_t rowBytes; // bytes of one decoded row: the row length (planes: at least width x planes)
    int32_t rows;     // bounds' height
    int16_t width;    // bounds' width in pixels
    int16_t planes;   // component planes of a planar row
};
inline bool PictRowsCounted(const PictRowFormat &f)
{
    return f.packing != kPictRowsUnpacked && f.packing != kPictRowsTriples && f.packing != kPictRowsPlainPlanes;
}
inline bool PictRowsArePlanes(const PictRowFormat &f)
{
    return f.packing == kPictRowsPlanes || f.packing == kPictRowsPlainPlanes;
}
// Reads one row into `row` (rowBytes bytes; a packed row that decodes short leaves the rest zero), or
// only steps over it when `row` is null. Word runs are decoded to host-order 16-bit pixels. Answers the
// bytes consumed, or kPictBad for a count past the bytes left or a run that crosses the row or its data.
int32_t ReadPictRow(const PictRowFormat &format, const uint8_t *p, size_t left, uint8_t *row);
// Bytes of all rows of a record, stepped over without decoding, or kPictBad.
int32_t PictRowsSize(const PictRowFormat &format, const uint8_t *p, size_t left);
// Writes one row with its count (packed) or as it is (unpacked); answers the bytes written. `out` holds
// PictPackedRowBound(format) bytes. Word-run rows take host-order 16-bit pixels.
int32_t PutPictRow(const PictRowFormat &format, const uint8_t *row, uint8_t *out);
int32_t PictPackedRowBound(const PictRowFormat &format);
// Word runs: PackBits flag bytes over big-endian 16-bit elements, repeats only for three or more equal
// words, runs and literals split at 127 words. Packing takes host-order words; unpacking answers the
// bytes written (whole words, at most dstBytes) or kPictBad like UnpackBitsBounded.
int32_t PackPictWordRuns(const uint16_t *words, int32_t count, uint8_t *out);
int32_t UnpackPictWordRuns(const uint8_t *src, int32_t srcCount, uint8_t *dst, int32_t dstBytes);
// 32-bit pixels (host-order 0xAARRGGBB) to and from the component planes of a row: red, green, blue
// with 3 components; alpha, red, green, blue with 4 (a missing alpha reads as 0).
void SplitPictPlanes(const uint32_t *pixels, int32_t width, int16_t components, uint8_t *planes);
void MergePictPlanes(const uint8_t *planes, int32_t width, int16_t components, uint32_t *pixels);

// The row format a recorder writes for a PixMap of `pixelSize` and `width` (indexed, 16 or 32 bits)
// and the rowBytes word it stores (the PixMap flag set; a 16-bit row length below 8 padded to 8; 32-bit
// planes under 8 bytes stored uncounted under a rowBytes of 4 x width);
// false when the row length does not fit the field's 14 bits.
bool PictRecordedRowFormat(int16_t pixelSize, int16_t width, int16_t height, int16_t components,
                           PictRowFormat *format, uint16_t *rowBytesWord);
// The row format of a BitMap of `rowBytes` recorded under 0x0090 (below 8 bytes) or 0x0098.
PictRowFormat PictBitMapRowFormat(int16_t rowBytes, int16_t width, int16_t height);

// ---- Bits and pixel-pattern records ----
struct PictPixMapFields {
    uint16_t rowBytes; // as stored: bit 15 marks a PixMap
    Rect bounds;
    int16_t pmVersion;
    int16_t packType;
    int32_t packSize;
    Fixed hRes;
    Fixed vRes;
    int16_t pixelType;
    int16_t pixelSize; // 1 for a BitMap
    int16_t cmpCount;
    int16_t cmpSize;
    int32_t planeBytes;
};
// At most 256 colour entries are kept; more in the stream are stepped over.
constexpr int32_t kPictMaxColors = 256;
struct PictColorTable {
    uint32_t seed;
    uint16_t flags;
    int32_t stored; // entries in the stream (ctSize + 1, ctSize read unsigned)
    int32_t kept;   // entries kept below
    ColorSpec entries[kPictMaxColors];
};
// The operand of 0x0090, 0x0091, 0x0098, 0x0099, 0x009A and 0x009B up to its first row.
struct PictBitsRecord {
    bool pixMap;
    bool direct;
    PictPixMapFields pm;
    PictColorTable colors; // indexed PixMaps only
    Rect srcRect;
    Rect dstRect;
    int16_t mode;
    int32_t maskOffset; // the mask region from the operand's start (0x0091, 0x0099, 0x009B), else 0
    int32_t maskSize;
    Rect maskBox;
    int32_t rowsOffset; // the first row from the operand's start
    PictRowFormat rows;
};
// Answers the bytes before the first row (rowsOffset), or kPictBad.
int32_t ReadPictBitsRecord(uint16_t opcode, const uint8_t *p, size_t left, PictBitsRecord *out);

// The operand of 0x0012-0x0014.
struct PictPixPatRecord {
    int16_t patType;     // 1: a full pixel pattern; anything else: the one-bit pattern and a colour
    Pattern pat1Data;
    RGBColor rgb;        // not type 1
    PictPixMapFields pm; // type 1
    PictColorTable colors;
    int32_t rowsOffset;  // type 1
    PictRowFormat rows;
};
int32_t ReadPictPixPatRecord(const uint8_t *p, size_t left, PictPixPatRecord *out);

// ---- Comments ----
// Converts the fields of a long comment's payload between big-endian and the host's order (the same
// fields both ways) for the kinds whose payloads carry numbers; others are left as they are. Only
// fields that lie wholly inside the payload are touched.
void SwapPictCommentPayload(int16_t kind, uint8_t *data, int32_t size);

// ---- The clipboard picture ----
// A picture whose handle has the C bit set: the header in the host's order with the frame
// (0, 0, height, width), a BITMAPINFOHEADER at offset 10, 256 colour entries for 8 bits, then the rows
// bottom-up, each padded to 4 bytes.
struct PictDibLayout {
    int32_t width;
    int32_t height;
    int16_t bitCount; // 8 or 24
    int32_t stride;
    int32_t imageSize;
    int32_t colorsOffset; // 8 bits only: the first colour entry
    int32_t colorCount;   // 8 bits only
    int32_t bitsOffset;
    int32_t totalSize;
};
constexpr int32_t kPictDibHeaderOffset = kPictHeaderBytes;
// The layout of a new clipboard picture; false for an empty frame or a size past 2 GB.
bool PictDibLayoutFor(int32_t width, int32_t height, int16_t bitCount, PictDibLayout *out);
// Writes the picture header and the bitmap header of a new clipboard picture.
void PutPictDibHeader(uint8_t *pic, const PictDibLayout &layout);
// Reads a clipboard picture's layout and checks that its colours and rows lie inside `size`.
bool ReadPictDibLayout(const uint8_t *pic, size_t size, PictDibLayout *out);

// Measuring device-independent bitmaps and turning their rows into Macintosh rows. Nothing here reads
// the library's state: every converter works from the row context its caller fills, so the code can be
// driven on its own.
//
// A Macintosh row is top-down, its bytes even, its indices 0 = white (1, 2, 4, 8 bits), or direct 5-5-5
// words and 32-bit B,G,R,0 pixels in the host's byte order. A DIB row is a multiple of four bytes, 1, 4,
// 8, 16 (5-5-5), 24 (B,G,R) or 32 (B,G,R,x) bits a pixel, in rows that run bottom-up unless biHeight is
// negative, with a colour table whose order may be the reverse of the Macintosh one.
#pragma once

#include <windows.h>
#include <cstdint>

// Bytes of one DIB row of `width` pixels at `depth` bits (1, 4, 8, 16, 24, 32); false for other depths
// and negative widths.
bool DibRowBytes(int depth, int32_t width, int32_t *rowBytes);
// Bytes of one Macintosh row: even for 1, 2, 4 and 8 bits, 2w at 16 and 4w at 32; false for other depths
// and negative widths.
bool MacRowBytes(int depth, int32_t width, int32_t *rowBytes);

// Rows of a DIB are read in bands of at most this many bytes.
constexpr uint32_t kDibBandBytes = 65535;

// What GetDibGeometry finds in a header.
struct DibGeometry {
    int depth;              // 1, 4, 8, 16, 24 or 32
    int32_t width;          // pixels, 1..32767
    int32_t height;         // rows, 1..32767 (biHeight's magnitude)
    int32_t rowBytes;       // DIB row stride
    int32_t rowsThatFit;    // rows per band
    bool tooLarge;          // the rows exceed a band and banded reading is off
    bool bottomUp;          // biHeight positive: the first row in memory is the bottom one
    int32_t colors;         // colour entries after the header (biClrUsed, at most 2^depth; 0 = 2^depth
                            // at 1, 4 and 8 bits)
    uint32_t headerBytes;   // biSize, the three mask words of a 40-byte BI_BITFIELDS header, colours
    uint64_t imageBytes;    // rowBytes x height
};

// Reads a header, of which `readable` bytes may be read (the mask words of BI_BITFIELDS follow the 40
// header bytes). Accepts uncompressed DIBs, and BI_BITFIELDS with the standard masks (7C00/3E0/1F at 16
// bits, FF0000/FF00/FF at 32), which lay their pixels out as uncompressed ones do; refuses RLE, other
// masks, biSize below 40, widths outside 1..32767, a height of 0 or beyond 32767 rows, planes other than
// 1 and depths other than 1, 4, 8, 16, 24, 32. With `largeDibs` (the screen probe found that GDI reads
// rows in any band) a DIB of more than kDibBandBytes is read kDibBandBytes / rowBytes rows at a time;
// without it such a DIB is flagged too large and keeps its full height.
bool GetDibGeometry(const BITMAPINFOHEADER *header, uint32_t readable, bool largeDibs, DibGeometry *out);

// The state every row converter reads. The caller sets it before a run of converter calls; each call
// converts one row of `count` pixels from `src` to `dst` and leaves both pointers past what it handled.
struct RowConversionContext {
    int depth;                 // source DIB depth: 1, 4, 8, 16, 24 or 32
    int32_t count;             // pixels in the row
    const uint8_t *src;
    uint8_t *dst;
    const RGBQUAD *colors;     // the DIB's colour entries (1, 4 and 8-bit sources); an index at or
    int32_t colorCount;        // past colorCount takes the last entry's colour
    uint8_t indexMap[256];     // DIB index to Macintosh index (BuildDibIndexMap)
    // The destination table's entry nearest to a colour given with 16-bit components, for direct
    // sources into indexed rows.
    uint8_t (*nearest)(const void *table, uint16_t red, uint16_t green, uint16_t blue);
    const void *nearestTable;
};
RowConversionContext &RowContext();

// Fills `map` (256 entries) for a DIB of `entries` colours: identity when the first colour is white and
// the last black (the Macintosh order), else reversed (i to entries - 1 - i). An index at or past the
// colour count reads as the last colour.
void BuildDibIndexMap(uint8_t *map, const RGBQUAD *colors, int entries);

// The converters, by destination: indices of 8, 4, 2 and 1 bits (a final partial byte holds only the
// pixels that remain, the rest of it 0), 5-5-5 words, B,G,R and B,G,R,0.
void RowConvertToIndexed();
void RowConvertToIndexed4();
void RowConvertToIndexed2();
void RowConvertToIndexed1();
void RowConvertToRgb555();
void RowConvertToRgb24();
void RowConvertToRgb32();
// Rows whose DIB and Macintosh indices agree are copied; where the DIB's colours run the other way the
// Macintosh index is the complement of the DIB's, and the bytes are complemented as they are copied.
void CopyRow8();
void CopyRow4();
void CopyRow1();
void InvertRow8();
void InvertRow4();
void InvertRow1();

// A row that may run past the last byte that can be read (`lastReadable`, inclusive): copied into
// `scratch` (room for `bytes`) with every pixel of `pixelBytes` that lies past the readable data taken
// from the last whole pixel that can be read. Nothing before `row` or past `lastReadable` is read. Answers
// `row` itself when it ends in the readable data, and nil when not one pixel of it can be read.
const uint8_t *CopyPlainRow(uint8_t *scratch, const uint8_t *row, uint32_t bytes, const uint8_t *lastReadable,
                            int pixelBytes);

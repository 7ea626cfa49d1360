// Picture pixel playback: the bits opcodes of a playing picture (BitsRect, BitsRgn, PackBitsRect,
// PackBitsRgn, DirectBitsRect, DirectBitsRgn). The record is read and checked by the picture format
// module, its rows are decoded into 32-bit pixels in bands of at most 64 KB, and each band goes to the
// port's bits procedure (StdBits, or the host's bitsProc) as a 32-bit PixMap.
#include "imaging.h"
#include "picture_format.h"
#include "MacMemory.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

constexpr int32_t kBandBytes = 65536;

uint32_t PixelOf(const RGBColor &c) { return static_cast<uint32_t>(c.red >> 8) << 16 | (c.green & 0xFF00) | c.blue >> 8; }

// 16-bit 1-5-5-5 to 0x00RRGGBB, each component widened as (c x 33) >> 2.
uint32_t Widen555(uint16_t p)
{
    const uint32_t r = (p >> 10) & 31, g = (p >> 5) & 31, b = p & 31;
    return ((r * 33) >> 2) << 16 | ((g * 33) >> 2) << 8 | ((b * 33) >> 2);
}

// Decodes one stored row (as ReadPictRow left it) into `width` 32-bit pixels.
void ConvertRow(const PictBitsRecord &rec, const uint8_t *row, const uint32_t *palette, uint32_t *out)
{
    const int32_t width = rec.rows.width;
    const int16_t depth = rec.pixMap ? rec.pm.pixelSize : 1;
    if (!rec.direct && depth == 8) {
        for (int32_t x = 0; x < width; ++x)
            out[x] = palette[row[x]];
        return;
    }
    if (!rec.direct) {
        for (int32_t x = 0; x < width; ++x) {
            const int32_t bit = x * depth;
            const uint8_t index = static_cast<uint8_t>((row[bit >> 3] >> (8 - depth - (bit & 7))) & ((1 << depth) - 1));
            out[x] = palette[index];
        }
        return;
    }
    if (depth == 16) {
        const bool bigEndian = rec.rows.packing == kPictRowsUnpacked;
        for (int32_t x = 0; x < width; ++x) {
            const uint16_t p = bigEndian ? static_cast<uint16_t>(row[2 * x] << 8 | row[2 * x + 1])
                                         : static_cast<uint16_t>(row[2 * x] | row[2 * x + 1] << 8);
            out[x] = Widen555(p);
        }
        return;
    }
    if (PictRowsArePlanes(rec.rows)) {
        MergePictPlanes(row, width, rec.rows.planes, out);
        return;
    }
    if (rec.rows.packing == kPictRowsTriples) {
        for (int32_t x = 0; x < width; ++x)
            out[x] = static_cast<uint32_t>(row[3 * x]) << 16 | static_cast<uint32_t>(row[3 * x + 1]) << 8 | row[3 * x + 2];
        return;
    }
    // Unpacked 32-bit pixels: alpha (or nothing), red, green, blue.
    for (int32_t x = 0; x < width; ++x)
        out[x] = static_cast<uint32_t>(row[4 * x + 1]) << 16 | static_cast<uint32_t>(row[4 * x + 2]) << 8 | row[4 * x + 3];
}

QDBitsProcPtr BitsProc()
{
    GrafPtr port = CurrentPort();
    if (port && port->grafProcs && port->grafProcs->bitsProc)
        return port->grafProcs->bitsProc;
    return StdBits;
}

// Hands one band to the bits procedure; a host's procedure is taken out of grafProcs for the call.
void DrawBand(const PixMap &band, const Rect &src, const Rect &dst, int16_t mode)
{
    GrafPtr port = CurrentPort();
    QDBitsProcPtr proc = BitsProc();
    const BitMap *bits = reinterpret_cast<const BitMap *>(&band);
    if (proc != StdBits && port && port->grafProcs) {
        port->grafProcs->bitsProc = nullptr;
        proc(bits, &src, &dst, mode, nullptr);
        port->grafProcs->bitsProc = proc;
    } else {
        StdBits(bits, &src, &dst, mode, nullptr);
    }
}

} // namespace

void PlayPictBits(uint16_t opcode, const uint8_t *operand, int32_t size)
{
    PictBitsRecord rec;
    if (ReadPictBitsRecord(opcode, operand, static_cast<size_t>(size), &rec) == kPictBad)
        return;
    const int32_t width = rec.rows.width, height = rec.rows.rows;
    if (width <= 0 || height <= 0)
        return;

    // The palette: every entry preset (white at 0, black elsewhere), then the picture's colours by
    // position; a BitMap draws 0 bits white and 1 bits black.
    uint32_t palette[256];
    std::fill(palette, palette + 256, 0x00000000u);
    palette[0] = 0x00FFFFFF;
    if (rec.pixMap && !rec.direct)
        for (int32_t i = 0; i < rec.colors.kept; ++i)
            palette[i] = PixelOf(rec.colors.entries[i].rgb);
    else if (!rec.pixMap)
        palette[1] = 0;

    // Bands: as many rows as fit 64 KB of 32-bit pixels, at least one.
    int32_t bandRows = height;
    if (static_cast<int64_t>(width) * height * 4 > kBandBytes - 4 * width)
        bandRows = std::max<int32_t>(1, 16384 / width - 1);
    // A band's rows must fit a PixMap's 14-bit rowBytes: wider pictures go one row a band, in strips.
    const int32_t maxColumns = 0x3FFC / 4;
    if (width > maxColumns)
        bandRows = 1;
    std::vector<uint32_t> band(static_cast<size_t>(width) * bandRows);
    std::vector<uint8_t> row(static_cast<size_t>(rec.rows.rowBytes) + 16);

    // srcRect inside the bounds, and the destination mapped from the picture's frame.
    const Rect &b = rec.pm.bounds;
    Rect src{std::max(rec.srcRect.top, b.top), std::max(rec.srcRect.left, b.left), std::min(rec.srcRect.bottom, b.bottom),
             std::min(rec.srcRect.right, b.right)};
    Rect dst = rec.dstRect;
    MapPictRect(&dst);
    const int32_t srcH = rec.srcRect.bottom - rec.srcRect.top, srcW = rec.srcRect.right - rec.srcRect.left;
    const int32_t dstH = dst.bottom - dst.top, dstW = dst.right - dst.left;
    if (src.bottom <= src.top || src.right <= src.left || srcH <= 0 || srcW <= 0 || dstH <= 0 || dstW <= 0)
        return;
    // The part of dstRect that srcRect's visible part maps to.
    auto mapV = [&](int32_t v) { return static_cast<int16_t>(dst.top + static_cast<int64_t>(v - rec.srcRect.top) * dstH / srcH); };
    auto mapH = [&](int32_t h) { return static_cast<int16_t>(dst.left + static_cast<int64_t>(h - rec.srcRect.left) * dstW / srcW); };

    int16_t mode = rec.mode;
    GrafPtr port = CurrentPort();
    if ((mode & 0x40) && IsColorPort(port)) {
        PixMapHandle pm = reinterpret_cast<CGrafPtr>(port)->portPixMap;
        if (HandleHasData(pm) && (*pm)->pixelSize > 8)
            mode = 0;
    }

    // The mask region of the Rgn opcodes, as its mapped bounding box.
    RgnHandle savedClip = nullptr;
    if (rec.maskSize >= 10) {
        savedClip = NewRgn();
        RgnHandle box = NewRgn();
        if (savedClip && box) {
            GetClip(savedClip);
            Rect m = rec.maskBox;
            MapPictRect(&m);
            RectRgn(box, &m);
            SectRgn(box, savedClip, box);
            SetClip(box);
        }
        if (box)
            DisposeRgn(box);
    }

    PixMap pm{};
    pm.pixelType = 16;
    pm.pixelSize = 32;
    pm.cmpCount = 3;
    pm.cmpSize = 8;
    pm.hRes = pm.vRes = kPictDefaultRes;
    const uint8_t *p = operand + rec.rowsOffset;
    size_t left = static_cast<size_t>(size - rec.rowsOffset);
    bool ok = true;
    for (int32_t top = 0; top < height && ok; top += bandRows) {
        const int32_t rows = std::min(bandRows, height - top);
        for (int32_t y = 0; y < rows; ++y) {
            const int32_t n = ReadPictRow(rec.rows, p, left, row.data());
            if (n < 0) {
                ok = false;
                break;
            }
            p += n;
            left -= static_cast<size_t>(n);
            ConvertRow(rec, row.data(), palette, band.data() + static_cast<size_t>(y) * width);
        }
        if (!ok)
            break;
        const int32_t bandTop = b.top + top, bandBottom = bandTop + rows;
        const int32_t sTop = std::max<int32_t>(src.top, bandTop), sBottom = std::min<int32_t>(src.bottom, bandBottom);
        if (sTop >= sBottom)
            continue;
        for (int32_t x0 = 0; x0 < width; x0 += maxColumns) {
            const int32_t x1 = std::min(width, x0 + maxColumns);
            const int32_t sLeft = std::max<int32_t>(src.left, b.left + x0), sRight = std::min<int32_t>(src.right, b.left + x1);
            if (sLeft >= sRight)
                continue;
            pm.baseAddr = reinterpret_cast<Ptr>(band.data() + x0);
            pm.rowBytes = static_cast<int16_t>(0x8000 | (4 * (width > maxColumns ? x1 - x0 : width)));
            pm.bounds = Rect{static_cast<int16_t>(bandTop), static_cast<int16_t>(b.left + x0), static_cast<int16_t>(bandBottom),
                             static_cast<int16_t>(b.left + x1)};
            const Rect s{static_cast<int16_t>(sTop), static_cast<int16_t>(sLeft), static_cast<int16_t>(sBottom),
                         static_cast<int16_t>(sRight)};
            const Rect d{mapV(sTop), mapH(sLeft), mapV(sBottom), mapH(sRight)};
            if (d.top < d.bottom && d.left < d.right)
                DrawBand(pm, s, d, mode);
        }
    }
    if (savedClip) {
        SetClip(savedClip);
        DisposeRgn(savedClip);
    }
}

// The largest pixel pattern a picture may build: its decoded pixels in at most this many bytes.
constexpr int64_t kPatternBytes = 1 << 20;

PixPatHandle NewPictPixPat(const PictPixPatRecord &rec, const uint8_t *operand, int32_t size)
{
    const int32_t width = rec.rows.width, height = rec.rows.rows;
    const bool direct = rec.pm.pixelSize > 8;
    // Indexed rows keep their depth and table; direct ones become 32-bit pixels (0x00RRGGBB).
    const int32_t rowBytes = direct ? 4 * width : rec.rows.rowBytes;
    if (width <= 0 || height <= 0 || rowBytes > 0x3FFF || static_cast<int64_t>(rowBytes) * height > kPatternBytes ||
        rec.rowsOffset > size)
        return nullptr;
    PixPatHandle pp = NewPixPat();
    if (!pp)
        return nullptr;
    CTabHandle table = nullptr;
    if (!direct) {
        const int32_t kept = std::max<int32_t>(1, rec.colors.kept);
        table = reinterpret_cast<CTabHandle>(NewHandleClear(8 + kept * static_cast<int32_t>(sizeof(ColorSpec))));
        if (table) {
            (*table)->ctSeed = GetCTSeed();
            (*table)->ctSize = static_cast<int16_t>(kept - 1);
            for (int32_t i = 0; i < rec.colors.kept; ++i)
                (*table)->ctTable[i] = ColorSpec{static_cast<int16_t>(i), rec.colors.entries[i].rgb};
        }
    }
    if ((!direct && !table) || !SetHandleSize((*pp)->patData, static_cast<Size>(rowBytes) * height)) {
        if (table)
            DisposeHandle(reinterpret_cast<Handle>(table));
        DisposePixPat(pp);
        return nullptr;
    }
    // The rows: read by the record's rules, direct ones converted as the bits opcodes convert theirs.
    PictBitsRecord shape{};
    shape.pixMap = true;
    shape.direct = direct;
    shape.pm = rec.pm;
    shape.rows = rec.rows;
    std::vector<uint8_t> row(static_cast<size_t>(rec.rows.rowBytes) + 16);
    std::vector<uint32_t> pixels(direct ? static_cast<size_t>(width) : 0);
    const uint8_t *p = operand + rec.rowsOffset;
    size_t left = static_cast<size_t>(size - rec.rowsOffset);
    uint8_t *data = reinterpret_cast<uint8_t *>(*(*pp)->patData);
    for (int32_t y = 0; y < height; ++y) {
        const int32_t n = ReadPictRow(rec.rows, p, left, row.data());
        if (n < 0) {
            if (table)
                DisposeHandle(reinterpret_cast<Handle>(table));
            DisposePixPat(pp);
            return nullptr;
        }
        p += n;
        left -= static_cast<size_t>(n);
        uint8_t *to = data + static_cast<size_t>(y) * rowBytes;
        if (direct) {
            ConvertRow(shape, row.data(), nullptr, pixels.data());
            std::memcpy(to, pixels.data(), static_cast<size_t>(rowBytes));
        } else {
            std::memcpy(to, row.data(), static_cast<size_t>(rowBytes));
        }
    }
    PixMap &map = **(*pp)->patMap;
    map.baseAddr = nullptr;
    map.rowBytes = static_cast<int16_t>(0x8000 | rowBytes);
    map.bounds = Rect{0, 0, static_cast<int16_t>(height), static_cast<int16_t>(width)};
    map.pixelType = static_cast<int16_t>(direct ? 16 : 0);
    map.pixelSize = static_cast<int16_t>(direct ? 32 : rec.pm.pixelSize);
    map.cmpCount = static_cast<int16_t>(direct ? 3 : 1);
    map.cmpSize = static_cast<int16_t>(direct ? 8 : rec.pm.pixelSize);
    map.hRes = map.vRes = kPictDefaultRes;
    if (map.pmTable)
        DisposeCTable(map.pmTable);
    map.pmTable = table;
    (*pp)->pat1Data = rec.pat1Data;
    (*pp)->patType = 1;
    return pp;
}

// Regions in the one-bit-mask form: a packed 1-bit DIB (BITMAPINFOHEADER, black and white, bottom-up
// rows) whose 0 bits are inside. The DIB is stretched over the region's box, so a mask follows its box
// when the region is offset, inset or mapped. Arithmetic on mask regions combines the operands' masks,
// each made the size of its box, into a new mask of the result's box by whole-row raster operations.
#include "imaging_services.h"
#include "../quickdraw/qd_services.h"
#include "../core/core_services.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

constexpr int16_t kMaskFormSize = kMaskFormRgnSize;
constexpr Size kMaskRecordBytes = sizeof(MaskRegionRecord);
constexpr int kHeaderBytes = sizeof(BITMAPINFOHEADER) + 2 * sizeof(RGBQUAD);

int RowBytes(int width) { return ((width + 31) / 32) * 4; }

Handle MaskOf(RgnHandle rgn)
{
    if (!HandleHasData(rgn) || (**rgn).rgnSize != kMaskFormSize)
        return nullptr;
    Handle h = reinterpret_cast<Handle>(static_cast<uintptr_t>(reinterpret_cast<MaskRegionRecord *>(*rgn)->maskDib));
    return HandleHasData(h) ? h : nullptr;
}

// The DIB's header when the handle holds a whole one-bit DIB, else nil.
const BITMAPINFOHEADER *DibHeader(Handle dib)
{
    if (!HandleHasData(dib) || GetHandleSize(dib) < kHeaderBytes)
        return nullptr;
    auto *bi = reinterpret_cast<const BITMAPINFOHEADER *>(*dib);
    if (bi->biBitCount != 1 || bi->biWidth <= 0 || bi->biHeight <= 0)
        return nullptr;
    if (GetHandleSize(dib) < kHeaderBytes + static_cast<Size>(RowBytes(bi->biWidth)) * bi->biHeight)
        return nullptr;
    return bi;
}

// The bit of top-down pixel (x, y); 1 (outside) when the DIB is not whole.
int MaskBit(Handle dib, int x, int y)
{
    const BITMAPINFOHEADER *bi = DibHeader(dib);
    if (!bi || x < 0 || y < 0 || x >= bi->biWidth || y >= bi->biHeight)
        return 1;
    const uint8_t *row =
        reinterpret_cast<const uint8_t *>(*dib) + kHeaderBytes + RowBytes(bi->biWidth) * (bi->biHeight - 1 - y);
    return (row[x / 8] >> (7 - x % 8)) & 1;
}

} // namespace

Handle NewMaskDib(int width, int height)
{
    if (width <= 0 || height <= 0 || width > 32767 || height > 32767)
        return nullptr;
    const Size bytes = kHeaderBytes + static_cast<Size>(RowBytes(width)) * height;
    Handle dib = NewHandle(bytes);
    if (!HandleHasData(dib))
        return nullptr;
    std::memset(*dib, 0xFF, bytes);
    auto *bi = reinterpret_cast<BITMAPINFOHEADER *>(*dib);
    *bi = BITMAPINFOHEADER{};
    bi->biSize = sizeof(BITMAPINFOHEADER);
    bi->biWidth = width;
    bi->biHeight = height;
    bi->biPlanes = 1;
    bi->biBitCount = 1;
    bi->biCompression = BI_RGB;
    bi->biSizeImage = RowBytes(width) * height;
    auto *colours = reinterpret_cast<RGBQUAD *>(bi + 1);
    colours[0] = RGBQUAD{0, 0, 0, 0};
    colours[1] = RGBQUAD{255, 255, 255, 0};
    return dib;
}

void SetMaskDibInside(Handle dib, int x, int y)
{
    const BITMAPINFOHEADER *bi = DibHeader(dib);
    if (!bi || x < 0 || y < 0 || x >= bi->biWidth || y >= bi->biHeight)
        return;
    uint8_t *row = reinterpret_cast<uint8_t *>(*dib) + kHeaderBytes + RowBytes(bi->biWidth) * (bi->biHeight - 1 - y);
    row[x / 8] &= static_cast<uint8_t>(~(0x80 >> (x % 8)));
}

Boolean PtInMaskRgn(Point pt, RgnHandle rgn)
{
    Handle dib = MaskOf(rgn);
    const BITMAPINFOHEADER *bi = DibHeader(dib);
    if (!bi)
        return false;
    const Rect b = (**rgn).rgnBBox;
    if (pt.h < b.left || pt.h >= b.right || pt.v < b.top || pt.v >= b.bottom)
        return false;
    // The mask is stretched over the box.
    const int x = static_cast<int>(static_cast<int64_t>(pt.h - b.left) * bi->biWidth / (b.right - b.left));
    const int y = static_cast<int>(static_cast<int64_t>(pt.v - b.top) * bi->biHeight / (b.bottom - b.top));
    return MaskBit(dib, x, y) == 0;
}

Boolean IsMaskRgnEmpty(RgnHandle rgn)
{
    Handle dib = MaskOf(rgn);
    const BITMAPINFOHEADER *bi = DibHeader(dib);
    if (!bi)
        return true;
    for (int y = 0; y < bi->biHeight; ++y)
        for (int x = 0; x < bi->biWidth; ++x)
            if (MaskBit(dib, x, y) == 0)
                return false;
    return true;
}

HRGN MaskRgnToGdiRgn(RgnHandle rgn)
{
    Handle dib = MaskOf(rgn);
    const BITMAPINFOHEADER *bi = DibHeader(dib);
    if (!bi)
        return nullptr;
    const Rect b = (**rgn).rgnBBox;
    const int width = b.right - b.left, height = b.bottom - b.top;
    HRGN result = CreateRectRgn(0, 0, 0, 0);
    if (!result || width <= 0 || height <= 0)
        return result;
    // Each row's runs of inside pixels, the mask sampled by the stretch rule, joined a band of rows at a
    // time so that no single ExtCreateRegion takes an unbounded list.
    constexpr size_t kBandRects = 256;
    std::vector<uint8_t> data(sizeof(RGNDATAHEADER));
    auto flush = [&]() {
        const DWORD n = static_cast<DWORD>((data.size() - sizeof(RGNDATAHEADER)) / sizeof(RECT));
        if (!n)
            return;
        auto *header = reinterpret_cast<RGNDATAHEADER *>(data.data());
        *header = RGNDATAHEADER{sizeof(RGNDATAHEADER), RDH_RECTANGLES, n, n * DWORD(sizeof(RECT)),
                                RECT{b.left, b.top, b.right, b.bottom}};
        if (HRGN band = ExtCreateRegion(nullptr, static_cast<DWORD>(data.size()),
                                        reinterpret_cast<const RGNDATA *>(data.data()))) {
            CombineRgn(result, result, band, RGN_OR);
            DeleteObject(band);
        }
        data.resize(sizeof(RGNDATAHEADER));
    };
    for (int y = 0; y < height; ++y) {
        const int my = static_cast<int>(static_cast<int64_t>(y) * bi->biHeight / height);
        int runStart = -1;
        for (int x = 0; x <= width; ++x) {
            const bool inside =
                x < width && MaskBit(dib, static_cast<int>(static_cast<int64_t>(x) * bi->biWidth / width), my) == 0;
            if (inside && runStart < 0) {
                runStart = x;
            } else if (!inside && runStart >= 0) {
                const RECT run{b.left + runStart, b.top + y, b.left + x, b.top + y + 1};
                const auto *bytes = reinterpret_cast<const uint8_t *>(&run);
                data.insert(data.end(), bytes, bytes + sizeof run);
                runStart = -1;
            }
        }
        if ((data.size() - sizeof(RGNDATAHEADER)) / sizeof(RECT) >= kBandRects)
            flush();
    }
    flush();
    return result;
}

bool SetRgnToMaskDib(RgnHandle rgn, Point topLeft, Point botRight, Handle dib)
{
    if (!HandleHasData(rgn)) {
        if (dib)
            DisposeHandle(dib);
        return false;
    }
    // Back to the rectangle form first: any GDI region and previous mask go.
    SetRectRg(rgn, topLeft.h, topLeft.v, botRight.h, botRight.v);
    if (!HandleHasData(dib) || !SetHandleSize(reinterpret_cast<Handle>(rgn), kMaskRecordBytes) ||
        GetHandleSize(reinterpret_cast<Handle>(rgn)) < kMaskRecordBytes) {
        if (dib)
            DisposeHandle(dib);
        return false;
    }
    auto &m = *reinterpret_cast<MaskRegionRecord *>(*rgn);
    m.rgnSize = kMaskFormSize;
    m.rgnForm = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(MaskRgnSentinel()));
    m.maskDib = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(dib));
    return true;
}

namespace {

bool IsRectForm(RgnHandle rgn)
{
    if ((**rgn).rgnSize == kMaskFormSize)
        return false;
    HRGN form = reinterpret_cast<HRGN>(static_cast<uintptr_t>((**rgn).rgnForm));
    return !form || form == RectRgnSentinel() || form == MaskRgnSentinel();
}

bool Contains(const Rect &outer, const Rect &inner)
{
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right && inner.bottom <= outer.bottom;
}

// The raster operations of the mask arithmetic on bytes of rows where a 0 bit is inside: S the operand,
// D the rows so far.
enum class RowOp { copy, orRows, andRows, notXor, orNot };

template <RowOp Op> inline uint8_t ApplyRowOp(uint8_t d, uint8_t s)
{
    switch (Op) {
    case RowOp::copy: return s;
    case RowOp::orRows: return static_cast<uint8_t>(d | s);
    case RowOp::andRows: return static_cast<uint8_t>(d & s);
    case RowOp::notXor: return static_cast<uint8_t>(~(d ^ s));
    default: return static_cast<uint8_t>(d | ~s);
    }
}

template <RowOp Op> inline uint32_t ApplyRowOp32(uint32_t d, uint32_t s)
{
    switch (Op) {
    case RowOp::copy: return s;
    case RowOp::orRows: return d | s;
    case RowOp::andRows: return d & s;
    case RowOp::notXor: return ~(d ^ s);
    default: return d | ~s;
    }
}

// The operand's byte under result byte k of a row: its pixels from column s0 = 8k - dx, those outside
// its columns 1 (outside); `src` nil for a rectangle (all inside).
inline uint8_t OperandByte(const uint8_t *src, int s0, int w)
{
    uint8_t b = 0;
    for (int i = 0; i < 8; ++i) {
        const int sx = s0 + i;
        const int bit = sx < 0 || sx >= w ? 1 : src ? (src[sx >> 3] >> (7 - (sx & 7))) & 1 : 0;
        b = static_cast<uint8_t>(b | bit << (7 - i));
    }
    return b;
}

// Combines an operand into the result's rows (from the top one, `stride` apart: negative for bottom-up
// rows; `width` x `height` pixels of the box): each result byte with the operand's byte at the same place, the operand outside its own box
// counting as all outside. The operand is its mask DIB of its own box's size (`rows` nil: a rectangle,
// all inside), placed at (dx, dy) in the result. The bytes the operand covers whole go in one run.
template <RowOp Op>
void CombineOperandRows(uint8_t *result, int stride, int width, int height, const uint8_t *rows, int rowBytes, int w,
                        int h, int dx, int dy)
{
    const int bytes = (width + 7) / 8;
    // Result bytes whose eight pixels all lie in the operand's columns: 8k - dx >= 0 and 8k - dx + 7 < w.
    const int first = std::clamp((dx + 7 + 8 * 4096) / 8 - 4096, 0, bytes);
    const int past = std::clamp(w + dx - 7 > 0 ? (w + dx - 7 + 7) / 8 : 0, first, bytes);
    const int shift = ((8 * first - dx) % 8 + 8) % 8;
    for (int y = 0; y < height; ++y) {
        const int sy = y - dy;
        uint8_t *out = result + static_cast<ptrdiff_t>(y) * stride;
        if (sy < 0 || sy >= h) {
            for (int k = 0; k < bytes; ++k)
                out[k] = ApplyRowOp<Op>(out[k], 0xFF);
            continue;
        }
        const uint8_t *src = rows ? rows + static_cast<size_t>(h - 1 - sy) * rowBytes : nullptr;
        for (int k = 0; k < first; ++k)
            out[k] = ApplyRowOp<Op>(out[k], OperandByte(src, 8 * k - dx, w));
        if (!src) {
            for (int k = first; k < past; ++k)
                out[k] = ApplyRowOp<Op>(out[k], 0);
        } else if (shift == 0) {
            const uint8_t *from = src + ((8 * first - dx) >> 3) - first;
            int k = first;
            if (Op == RowOp::copy) {
                std::memcpy(out + k, from + k, static_cast<size_t>(past - k));
                k = past;
            }
            // Four bytes at a time.
            for (; k + 4 <= past; k += 4) {
                uint32_t d, v;
                std::memcpy(&d, out + k, 4);
                std::memcpy(&v, from + k, 4);
                d = ApplyRowOp32<Op>(d, v);
                std::memcpy(out + k, &d, 4);
            }
            for (; k < past; ++k)
                out[k] = ApplyRowOp<Op>(out[k], from[k]);
        } else {
            for (int k = first; k < past; ++k) {
                const int at = (8 * k - dx) >> 3;
                out[k] = ApplyRowOp<Op>(out[k], static_cast<uint8_t>(src[at] << shift | src[at + 1] >> (8 - shift)));
            }
        }
        for (int k = past; k < bytes; ++k)
            out[k] = ApplyRowOp<Op>(out[k], OperandByte(src, 8 * k - dx, w));
    }
}

void CombineOperandRows(RowOp op, uint8_t *result, int stride, int width, int height, const uint8_t *rows,
                        int rowBytes, int w, int h, int dx, int dy)
{
    switch (op) {
    case RowOp::copy: CombineOperandRows<RowOp::copy>(result, stride, width, height, rows, rowBytes, w, h, dx, dy); break;
    case RowOp::orRows: CombineOperandRows<RowOp::orRows>(result, stride, width, height, rows, rowBytes, w, h, dx, dy); break;
    case RowOp::andRows: CombineOperandRows<RowOp::andRows>(result, stride, width, height, rows, rowBytes, w, h, dx, dy); break;
    case RowOp::notXor: CombineOperandRows<RowOp::notXor>(result, stride, width, height, rows, rowBytes, w, h, dx, dy); break;
    default: CombineOperandRows<RowOp::orNot>(result, stride, width, height, rows, rowBytes, w, h, dx, dy); break;
    }
}

// Combines an operand in any form into the result: a rectangle directly, a mask of its box's size as it
// is, anything else made such a mask first. False when that mask cannot be had.
bool CombineOperand(uint8_t *result, int stride, const Rect &box, RgnHandle rgn, RowOp op)
{
    const Rect b = (**rgn).rgnBBox;
    const int width = box.right - box.left, height = box.bottom - box.top;
    if (b.right <= b.left || b.bottom <= b.top) {
        CombineOperandRows(op, result, stride, width, height, nullptr, 0, 0, 0, 0, 0);
        return true;
    }
    const int w = b.right - b.left, h = b.bottom - b.top;
    if (IsRectForm(rgn)) {
        CombineOperandRows(op, result, stride, width, height, nullptr, 0, w, h, b.left - box.left, b.top - box.top);
        return true;
    }
    RgnHandle formed = rgn;
    bool made = false;
    const BITMAPINFOHEADER *bi = DibHeader(MaskOf(rgn));
    if (!bi || bi->biWidth != w || bi->biHeight != h) {
        if (!RgnToMaskForm(rgn, &formed))
            return false;
        made = true;
    }
    Handle dib = MaskOf(formed);
    CombineOperandRows(op, result, stride, width, height, reinterpret_cast<const uint8_t *>(*dib) + kHeaderBytes,
                       RowBytes(w), w, h, b.left - box.left, b.top - box.top);
    if (made)
        DisposeRgn(formed);
    return true;
}

} // namespace

void CombineMaskRgns(RgnHandle a, RgnHandle b, RgnHandle dst, int16_t mode)
{
    if (!HandleHasData(a) || !HandleHasData(b) || !HandleHasData(dst))
        return;
    constexpr OSErr kMemFull = -108;
    const Rect ba = (**a).rgnBBox, bb = (**b).rgnBBox;
    auto empty = [](const Rect &r) { return r.right <= r.left || r.bottom <= r.top; };
    Rect box;
    switch (mode) {
    case RGN_AND:
        box = Rect{std::max(ba.top, bb.top), std::max(ba.left, bb.left), std::min(ba.bottom, bb.bottom),
                   std::min(ba.right, bb.right)};
        break;
    case RGN_DIFF:
        box = ba;
        break;
    default:
        if (empty(ba))
            box = bb;
        else if (empty(bb))
            box = ba;
        else
            box = Rect{std::min(ba.top, bb.top), std::min(ba.left, bb.left), std::max(ba.bottom, bb.bottom),
                       std::max(ba.right, bb.right)};
        break;
    }
    if (empty(box)) {
        SetEmptyRgn(dst);
        return;
    }
    // A rectangle holding the other operand is the union.
    if (mode == RGN_OR && ((IsRectForm(a) && Contains(ba, bb)) || (IsRectForm(b) && Contains(bb, ba)))) {
        const Rect r = IsRectForm(a) && Contains(ba, bb) ? ba : bb;
        SetRectRg(dst, r.left, r.top, r.right, r.bottom);
        return;
    }
    // One 1-bit mask over the box: `a` copied in, `b` combined by whole-row operations on bits where 0 is
    // inside: intersection keeps a bit inside only where both are (S or D), union where either is (S and
    // D), exclusive or where one is (not (S xor D)), difference where a is and b is not (D or not S).
    const int width = box.right - box.left, height = box.bottom - box.top;
    Handle result = NewMaskDib(width, height);
    if (!result) {
        SetMemErr(kMemFull);
        return;
    }
    // The mask DIB's rows run bottom-up: the result is written from its top row upwards in memory.
    const int stride = RowBytes(width);
    uint8_t *top = reinterpret_cast<uint8_t *>(*result) + kHeaderBytes + static_cast<size_t>(height - 1) * stride;
    RowOp op = RowOp::orRows;
    switch (mode) {
    case RGN_AND: op = RowOp::orRows; break;
    case RGN_OR: op = RowOp::andRows; break;
    case RGN_XOR: op = RowOp::notXor; break;
    default: op = RowOp::orNot; break;
    }
    // Without the mask the result is unknown: dst stays as it was.
    HLock(result);
    const bool done = CombineOperand(top, -stride, box, a, RowOp::copy) && CombineOperand(top, -stride, box, b, op);
    HUnlock(result);
    if (!done) {
        DisposeHandle(result);
        SetMemErr(kMemFull);
        return;
    }
    // The destination grows to the mask form's size first, so that a failure leaves it as it was.
    Handle h = reinterpret_cast<Handle>(dst);
    if (GetHandleSize(h) < kMaskRecordBytes) {
        SetHandleSize(h, kMaskRecordBytes);
        if (GetHandleSize(h) < kMaskRecordBytes) {
            DisposeHandle(result);
            SetMemErr(kMemFull);
            return;
        }
    }
    SetMemErr(SetRgnToMaskDib(dst, Point{box.top, box.left}, Point{box.bottom, box.right}, result) ? 0 : kMemFull);
}

void PaintRgnWithRop(HDC dc, RgnHandle rgn, int rop2, DWORD rop3)
{
    if (!dc || !HandleHasData(rgn))
        return;
    const Rect b = (**rgn).rgnBBox;
    if ((**rgn).rgnSize == kMaskFormSize) {
        Handle dib = MaskOf(rgn);
        const BITMAPINFOHEADER *bi = DibHeader(dib);
        if (!bi || b.right <= b.left || b.bottom <= b.top)
            return;
        HLock(dib);
        StretchDIBits(dc, b.left, b.top, b.right - b.left, b.bottom - b.top, 0, 0, bi->biWidth, bi->biHeight,
                      reinterpret_cast<const uint8_t *>(*dib) + kHeaderBytes,
                      reinterpret_cast<const BITMAPINFO *>(*dib), DIB_RGB_COLORS, rop3);
        HUnlock(dib);
        return;
    }
    const int oldRop = SetROP2(dc, rop2);
    HRGN h = ZEL_RgnSetToRealRectRgn(rgn);
    if (h)
        PaintRgn(dc, h);
    ZEL_IsRectRgn(rgn);
    SetROP2(dc, oldRop);
}

bool RgnToMaskForm(RgnHandle rgn, RgnHandle *out)
{
    *out = nullptr;
    if (!HandleHasData(rgn))
        return false;
    const Rect box = (**rgn).rgnBBox;
    const int width = box.right - box.left, height = box.bottom - box.top;
    Handle dib = width > 0 && height > 0 ? NewMaskDib(width, height) : nullptr;
    if (!dib)
        return false;
    const int stride = RowBytes(width);
    uint8_t *rows = reinterpret_cast<uint8_t *>(*dib) + kHeaderBytes;
    HRGN form = reinterpret_cast<HRGN>(static_cast<uintptr_t>((**rgn).rgnForm));
    if ((**rgn).rgnSize == kMaskFormSize) {
        // A mask of another size than its box: resampled by the stretch rule PtInMaskRgn reads it with.
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                if (PtInMaskRgn(Point{static_cast<int16_t>(box.top + y), static_cast<int16_t>(box.left + x)}, rgn))
                    SetMaskDibInside(dib, x, y);
    } else if (!form || form == RectRgnSentinel() || form == MaskRgnSentinel()) {
        std::memset(rows, 0, static_cast<size_t>(stride) * height);
    } else {
        // A GDI region painted black into a white 1-bit section of the box.
        void *bits = nullptr;
        HDC dc = CreateCompatibleDC(nullptr);
        HBITMAP section = dc ? CreateDIBSection(dc, reinterpret_cast<const BITMAPINFO *>(*dib), DIB_RGB_COLORS, &bits,
                                                nullptr, 0)
                             : nullptr;
        HRGN shape = CreateRectRgn(0, 0, 0, 0);
        if (!section || !bits || !shape) {
            if (section)
                DeleteObject(section);
            if (dc)
                DeleteDC(dc);
            if (shape)
                DeleteObject(shape);
            DisposeHandle(dib);
            return false;
        }
        HGDIOBJ old = SelectObject(dc, section);
        PatBlt(dc, 0, 0, width, height, WHITENESS);
        CombineRgn(shape, form, nullptr, RGN_COPY);
        OffsetRgn(shape, -box.left, -box.top);
        FillRgn(dc, shape, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        GdiFlush();
        std::memcpy(rows, bits, static_cast<size_t>(stride) * height);
        SelectObject(dc, old);
        DeleteObject(shape);
        DeleteObject(section);
        DeleteDC(dc);
    }
    RgnHandle made = NewRgn();
    if (!made) {
        DisposeHandle(dib);
        return false;
    }
    if (!SetRgnToMaskDib(made, Point{box.top, box.left}, Point{box.bottom, box.right}, dib)) {
        DisposeRgn(made);
        return false;
    }
    *out = made;
    return true;
}

bool GetMaskFormRgn(RgnHandle rgn, RgnHandle *out, bool *madeNew)
{
    *madeNew = false;
    *out = nullptr;
    // A region in mask form is used as it is, its mask stretched over its box by whoever reads it.
    if (MaskOf(rgn)) {
        *out = rgn;
        return true;
    }
    *madeNew = RgnToMaskForm(rgn, out);
    return *madeNew;
}

// One-bit masks: the four-connected seed fill of SeedFill, CalcMask and CalcCMask, copying through a
// mask (CopyMask), and ZEL_CreateMask, which turns any BitMap or PixMap into a mask of its non-white
// pixels, as rows or as a mask-form region.
#include "imaging.h"
#include "MacMemory.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr uint32_t kWhitePixel = 0x00FFFFFF;

// ---- One-bit images ----

// A one-bit image in memory: most significant bit leftmost, 1 black.
struct BitImage {
    uint8_t *bits;
    int32_t rowBytes;
    int32_t width;
    int32_t height;

    bool Get(int32_t x, int32_t y) const { return (bits[y * rowBytes + (x >> 3)] >> (7 - (x & 7))) & 1; }
    void Set(int32_t x, int32_t y) { bits[y * rowBytes + (x >> 3)] |= static_cast<uint8_t>(0x80 >> (x & 7)); }
};

int32_t MacRowBytes(int32_t width) { return ((width + 15) / 16) * 2; }

// The pending spans of a fill: a growable stack that reports when it cannot grow.
class SpanStack {
public:
    struct Seed {
        int32_t x, y;
    };
    ~SpanStack() { std::free(items_); }
    bool Push(int32_t x, int32_t y)
    {
        if (count_ == capacity_) {
            const size_t grown = capacity_ ? capacity_ * 2 : 1024;
            auto *items = static_cast<Seed *>(std::realloc(items_, grown * sizeof(Seed)));
            if (!items)
                return false;
            items_ = items;
            capacity_ = grown;
        }
        items_[count_++] = Seed{x, y};
        return true;
    }
    bool Pop(Seed *seed)
    {
        if (!count_)
            return false;
        *seed = items_[--count_];
        return true;
    }

private:
    Seed *items_ = nullptr;
    size_t count_ = 0, capacity_ = 0;
};

// The bits of byte `i` of row y that are clear in both src and dst (set bits: fillable).
inline uint8_t FreeBits(const BitImage &src, const BitImage &dst, int32_t y, int32_t i)
{
    return static_cast<uint8_t>(~(src.bits[y * src.rowBytes + i] | dst.bits[y * dst.rowBytes + i]));
}

// Sets the bits left..right (inclusive) of a row.
void SetSpan(uint8_t *row, int32_t left, int32_t right)
{
    const int32_t first = left >> 3, last = right >> 3;
    const uint8_t head = static_cast<uint8_t>(0xFF >> (left & 7)), tail = static_cast<uint8_t>(0xFF << (7 - (right & 7)));
    if (first == last) {
        row[first] |= static_cast<uint8_t>(head & tail);
        return;
    }
    row[first] |= head;
    if (last - first > 1)
        std::memset(row + first + 1, 0xFF, static_cast<size_t>(last - first - 1));
    row[last] |= tail;
}

// The four-connected scan-line fill: every pixel reachable from the seed through pixels clear in both
// src and dst gets its dst bit set. A seed outside the image or on a set pixel fills nothing. When the
// span stack cannot grow the fill ends early; dst then holds what was filled so far. Runs are walked a
// byte at a time wherever a whole byte is free or taken.
void FloodFill(const BitImage &src, BitImage &dst, int32_t seedX, int32_t seedY)
{
    auto fillable = [&](int32_t x, int32_t y) { return !src.Get(x, y) && !dst.Get(x, y); };
    if (seedX < 0 || seedY < 0 || seedX >= src.width || seedY >= src.height || !fillable(seedX, seedY))
        return;
    SpanStack stack;
    if (!stack.Push(seedX, seedY))
        return;
    SpanStack::Seed seed;
    while (stack.Pop(&seed)) {
        const int32_t y = seed.y;
        if (!fillable(seed.x, y))
            continue;
        int32_t left = seed.x, right = seed.x;
        while (left > 0) {
            if ((left & 7) == 0 && left >= 8 && FreeBits(src, dst, y, (left >> 3) - 1) == 0xFF)
                left -= 8;
            else if (fillable(left - 1, y))
                --left;
            else
                break;
        }
        while (right + 1 < src.width) {
            if (((right + 1) & 7) == 0 && right + 8 < src.width && FreeBits(src, dst, y, (right + 1) >> 3) == 0xFF)
                right += 8;
            else if (fillable(right + 1, y))
                ++right;
            else
                break;
        }
        SetSpan(dst.bits + y * dst.rowBytes, left, right);
        // One seed for each run of fillable pixels in the rows above and below the span.
        for (int32_t ny : {y - 1, y + 1}) {
            if (ny < 0 || ny >= src.height)
                continue;
            int32_t x = left;
            while (x <= right) {
                // Across taken pixels to the next free one.
                if ((x & 7) == 0 && x + 7 <= right && FreeBits(src, dst, ny, x >> 3) == 0) {
                    x += 8;
                    continue;
                }
                if (!fillable(x, ny)) {
                    ++x;
                    continue;
                }
                if (!stack.Push(x, ny))
                    return;
                // Across the run's free pixels.
                while (x <= right) {
                    if ((x & 7) == 0 && x + 7 <= right && FreeBits(src, dst, ny, x >> 3) == 0xFF)
                        x += 8;
                    else if (fillable(x, ny))
                        ++x;
                    else
                        break;
                }
            }
        }
    }
}

// An image is well formed when it has rows and words and each row step holds the words.
bool WellFormed(Ptr src, Ptr dst, int16_t srcRow, int16_t dstRow, int16_t height, int16_t words)
{
    return src && dst && height > 0 && words > 0 && srcRow >= words * 2 && dstRow >= words * 2;
}

// The mask of a one-bit image: its black pixels and every white pixel that cannot be reached from
// outside it, written into dst (width x height, set bits only; dst must be clear). The image is
// surrounded by a one-pixel white border and filled from that border.
bool EnclosedMask(const BitImage &image, BitImage &dst)
{
    const int32_t workWidth = image.width + 2, workHeight = image.height + 2;
    const int32_t workRow = MacRowBytes(workWidth);
    std::vector<uint8_t> workSrc, workFill;
    workSrc.assign(static_cast<size_t>(workRow) * workHeight, 0);
    workFill.assign(workSrc.size(), 0);
    BitImage src{workSrc.data(), workRow, workWidth, workHeight};
    BitImage fill{workFill.data(), workRow, workWidth, workHeight};
    for (int32_t y = 0; y < image.height; ++y)
        for (int32_t x = 0; x < image.width; ++x)
            if (image.Get(x, y))
                src.Set(x + 1, y + 1);
    FloodFill(src, fill, 0, 0);
    for (int32_t y = 0; y < image.height; ++y)
        for (int32_t x = 0; x < image.width; ++x)
            if (!fill.Get(x + 1, y + 1))
                dst.Set(x, y);
    return true;
}

// Clears `height` rows of `bytes` bytes, each `rowStep` apart.
void ClearRows(uint8_t *bits, int32_t rowStep, int32_t bytes, int32_t height)
{
    for (int32_t y = 0; y < height; ++y)
        std::memset(bits + y * rowStep, 0, static_cast<size_t>(bytes));
}

// ---- Pixels of any BitMap or PixMap as 32-bit colours ----

// A 32-bit top-down DIB section with a colour port opened on it: CopyBits reads any BitMap, PixMap or
// port's bits into it and writes from it, and its pixels are plain 0x00RRGGBB words.
class RgbCanvas {
public:
    RgbCanvas(int32_t width, int32_t height) : width_(width), height_(height)
    {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        dc_ = CreateCompatibleDC(nullptr);
        void *bits = nullptr;
        bitmap_ = dc_ ? CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr;
        if (!bitmap_)
            return;
        bits_ = static_cast<uint32_t *>(bits);
        displaced_ = SelectObject(dc_, bitmap_);
        std::memset(&port_, 0, sizeof port_);
        GrafPtr previous = CurrentPort();
        OpenPortForHDC(&port_, dc_);
        open_ = GetCPortOpenSucceeded() != 0;
        SetPor(previous);
    }
    ~RgbCanvas()
    {
        if (open_) {
            GrafPtr previous = CurrentPort();
            CloseCPort(&port_);
            if (previous != reinterpret_cast<GrafPtr>(&port_))
                SetPor(previous);
        }
        if (bitmap_) {
            SelectObject(dc_, displaced_);
            DeleteObject(bitmap_);
        }
        if (dc_)
            DeleteDC(dc_);
    }
    RgbCanvas(const RgbCanvas &) = delete;
    RgbCanvas &operator=(const RgbCanvas &) = delete;

    bool ok() const { return open_; }
    uint32_t *bits() { return bits_; }
    uint32_t Pixel(int32_t x, int32_t y) const { return bits_[y * width_ + x] & kWhitePixel; }
    Rect Area() const { return Rect{0, 0, static_cast<int16_t>(height_), static_cast<int16_t>(width_)}; }
    const BitMap *Bits() const { return &reinterpret_cast<const GrafPort *>(&port_)->portBits; }

    // The pixels of srcRect of `src`: one-bit sources in black on white, or with `portColours` in the
    // current port's foreground and background colours.
    void ReadFrom(const BitMap *src, const Rect &srcRect, bool portColours = false)
    {
        GrafPtr previous = CurrentPort();
        RGBColor fore{0, 0, 0}, back{0xFFFF, 0xFFFF, 0xFFFF};
        if (portColours && previous) {
            GetForeColor(&fore);
            GetBackColor(&back);
        }
        SetPor(reinterpret_cast<GrafPtr>(&port_));
        RGBForeColor(&fore);
        RGBBackColor(&back);
        const Rect area = Area();
        GdiFlush();
        CopyBits(src, Bits(), &srcRect, &area, srcCopy, nullptr);
        GdiFlush();
        SetPor(previous);
    }
    // The canvas copied onto dstRect of `dst`, drawn by the current port.
    void WriteTo(const BitMap *dst, const Rect &dstRect)
    {
        const Rect area = Area();
        GdiFlush();
        CopyBits(Bits(), dst, &area, &dstRect, srcCopy, nullptr);
    }

private:
    int32_t width_, height_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ displaced_ = nullptr;
    uint32_t *bits_ = nullptr;
    CGrafPort port_;
    bool open_ = false;
};

int32_t RectWidth(const Rect &r) { return r.right - r.left; }
int32_t RectHeight(const Rect &r) { return r.bottom - r.top; }
bool HasArea(const Rect *r) { return r && r->right > r->left && r->bottom > r->top; }

// The bounds of a CopyBits argument; a colour port's bits (rowBytes 0xC000) stand for its PixMap.
bool BitsBounds(const BitMap *bits, Rect *bounds)
{
    if (!bits)
        return false;
    if ((static_cast<uint16_t>(bits->rowBytes) & 0xC000) == 0xC000) {
        auto pm = reinterpret_cast<PixMapHandle>(bits->baseAddr);
        if (!HandleHasData(pm))
            return false;
        *bounds = (*pm)->bounds;
        return true;
    }
    *bounds = bits->bounds;
    return true;
}

// The one-bit image of the non-white pixels of a canvas.
void NonWhiteBits(const RgbCanvas &canvas, BitImage &out)
{
    for (int32_t y = 0; y < out.height; ++y)
        for (int32_t x = 0; x < out.width; ++x)
            if (canvas.Pixel(x, y) != kWhitePixel)
                out.Set(x, y);
}

// ---- CopyMask ----

// The mask's black pixels take the source, drawn with foreground black and background white in three
// transfers: srcXor, the mask with srcBic, srcXor again.
void ThreePassCopyMask(const BitMap *src, const BitMap *mask, const BitMap *dst, const Rect *srcRect,
                       const Rect *maskRect, const Rect *dstRect)
{
    RGBColor fore, back;
    GetForeColor(&fore);
    GetBackColor(&back);
    const RGBColor black{0, 0, 0}, white{0xFFFF, 0xFFFF, 0xFFFF};
    RGBForeColor(&black);
    RGBBackColor(&white);
    CopyBits(src, dst, srcRect, dstRect, srcXor, nullptr);
    CopyBits(mask, dst, maskRect, dstRect, srcBic, nullptr);
    CopyBits(src, dst, srcRect, dstRect, srcXor, nullptr);
    RGBForeColor(&fore);
    RGBBackColor(&back);
}

// The monochrome bitmap of the last mask, kept while the next mask has the same rows: an icon or sprite
// drawn again and again makes its bitmap once.
struct MaskBitmapCache {
    int32_t width = 0, height = 0;
    std::vector<uint8_t> rows;
    HBITMAP bitmap = nullptr;
} sMaskCache;

HBITMAP CachedMaskBitmap(int32_t w, int32_t h, std::vector<uint8_t> rows)
{
    MaskBitmapCache &c = sMaskCache;
    if (c.bitmap && c.width == w && c.height == h && c.rows == rows)
        return c.bitmap;
    HBITMAP bitmap = CreateBitmap(w, h, 1, 1, rows.data());
    if (!bitmap)
        return nullptr;
    if (c.bitmap)
        DeleteObject(c.bitmap);
    c.bitmap = bitmap;
    c.width = w;
    c.height = h;
    c.rows = std::move(rows);
    return bitmap;
}

// The monochrome bitmap of a mask rectangle (bit 1 where the mask is not white), for MaskBlt.
HBITMAP MaskBitmap(const BitMap *mask, const Rect &maskRect)
{
    const int32_t w = RectWidth(maskRect), h = RectHeight(maskRect);
    // A one-bit BitMap in memory is read as it stands, within its bounds.
    if (mask->rowBytes > 0 && reinterpret_cast<uintptr_t>(mask->baseAddr) >= 0x10000 &&
        maskRect.left >= mask->bounds.left && maskRect.top >= mask->bounds.top &&
        maskRect.right <= mask->bounds.right && maskRect.bottom <= mask->bounds.bottom) {
        const int32_t rowBytes = MacRowBytes(w);
        std::vector<uint8_t> rows(static_cast<size_t>(rowBytes) * h, 0);
        BitImage from{reinterpret_cast<uint8_t *>(mask->baseAddr), mask->rowBytes,
                      mask->bounds.right - mask->bounds.left, mask->bounds.bottom - mask->bounds.top};
        BitImage to{rows.data(), rowBytes, w, h};
        const int32_t dx = maskRect.left - mask->bounds.left, dy = maskRect.top - mask->bounds.top;
        for (int32_t y = 0; y < h; ++y) {
            if (dx % 8 == 0) {
                std::memcpy(rows.data() + y * rowBytes, from.bits + (y + dy) * from.rowBytes + dx / 8,
                            static_cast<size_t>((w + 7) / 8));
                continue;
            }
            for (int32_t x = 0; x < w; ++x)
                if (from.Get(x + dx, y + dy))
                    to.Set(x, y);
        }
        return CachedMaskBitmap(w, h, std::move(rows));
    }
    RgbCanvas canvas(w, h);
    if (!canvas.ok())
        return nullptr;
    canvas.ReadFrom(mask, maskRect);
    const int32_t rowBytes = MacRowBytes(w);
    std::vector<uint8_t> rows(static_cast<size_t>(rowBytes) * h, 0);
    BitImage image{rows.data(), rowBytes, w, h};
    NonWhiteBits(canvas, image);
    return CachedMaskBitmap(w, h, std::move(rows));
}

// The memory DC holding a colour source's pixels (a GWorld's, a bound bitmap's) when it can be blitted
// from as it stands: the pixels are current in it, its bounds and DC both start at (0, 0) (a port's
// portBits also at its portRect's corner) and srcRect lies inside the bounds. Nil otherwise. A one-bit
// source is left to the composed copy, which draws it in the port's colours.
HDC MemoryDCOfSource(const BitMap *src, const PixMap *view, const Rect &srcRect)
{
    if (reinterpret_cast<uintptr_t>(view->baseAddr) < 0x10000 || IsBitmapOnlyPixMap(view) || view->pixelSize <= 1)
        return nullptr;
    const bool current = (view->pmExtFlags & pmExtDibEngine)
                             ? view->pmExtMemDC && (!(view->pmExtFlags & pmExtDibAttached) || view->pmExtDC == CurrentDC())
                             : view->pmExtMemDC && view->pmExtOldBitmap;
    if (!current)
        return nullptr;
    const Rect &b = view->bounds;
    if (b.left != 0 || b.top != 0 || srcRect.left < b.left || srcRect.top < b.top || srcRect.right > b.right ||
        srcRect.bottom > b.bottom)
        return nullptr;
    GrafPtr owner = reinterpret_cast<GrafPtr>(reinterpret_cast<uintptr_t>(src) - offsetof(GrafPort, portBits));
    if (ZEL_IsPortValid(owner) && (owner->portRect.left != 0 || owner->portRect.top != 0))
        return nullptr;
    POINT viewport{}, window{};
    if (!GetViewportOrgEx(view->pmExtMemDC, &viewport) || !GetWindowOrgEx(view->pmExtMemDC, &window) || viewport.x ||
        viewport.y || window.x || window.y)
        return nullptr;
    return view->pmExtMemDC;
}

// A same-size copy through the mask onto a side whose pixels are a device context, when the source
// is one too or a memory DC holds it: one MaskBlt, the destination kept where the mask is white. False when it does not apply.
bool MaskBltCopyMask(const BitMap *src, const BitMap *mask, const BitMap *dst, const Rect &srcRect,
                     const Rect &maskRect, const Rect &dstRect)
{
    GrafPtr port = CurrentPort();
    PortDCRecord *record = CurrentPortRecord();
    if (!port || !record || dst != &port->portBits)
        return false;
    if (port->picSave || (port->grafProcs && port->grafProcs->bitsProc))
        return false;
    PixMap srcBuffer, dstBuffer;
    const PixMap *srcView = GetPixMapView(ResolveColorPortBits(src), &srcBuffer);
    const PixMap *dstView = GetPixMapView(ResolveColorPortBits(dst), &dstBuffer);
    if (!srcView || !dstView)
        return false;
    const uintptr_t srcBase = reinterpret_cast<uintptr_t>(srcView->baseAddr);
    const uintptr_t dstBase = reinterpret_cast<uintptr_t>(dstView->baseAddr);
    // The destination is a port device (bit 15 marks a PortDCTable entry); so is the source, or its
    // pixels sit in a memory DC of its own.
    if (dstBase >= 0x10000 || !(dstBase & 0x8000))
        return false;
    if (record->xform.scaleActive || record->xform.rotation || record->xform.mirror)
        return false;
    HDC srcDC = nullptr;
    if (srcBase < 0x10000 && (srcBase & 0x8000))
        srcDC = GetBitsDC(srcView->baseAddr);
    else if (!(srcDC = MemoryDCOfSource(src, srcView, srcRect)))
        return false;
    HDC dc = CurrentDC();
    if (!srcDC || !dc)
        return false;
    HBITMAP maskBitmap = MaskBitmap(mask, maskRect);
    if (!maskBitmap)
        return false;
    Rect to = dstRect;
    if (record->xform.offsetActive)
        XformMacRect(&to);
    const int sx = srcRect.left - srcView->bounds.left, sy = srcRect.top - srcView->bounds.top;
    SyncPortDCAttributes(false);
    // Foreground (mask bit 1): the source; background: the destination as it is.
    MaskBlt(dc, to.left, to.top, RectWidth(to), RectHeight(to), srcDC, sx, sy, maskBitmap, 0, 0,
            MAKEROP4(SRCCOPY, 0x00AA0029));
    return true;
}

// A same-size copy through the mask onto any destination: source, mask and destination read as
// colours, composed, and the result written back with srcCopy (so it takes the destination's clip).
void ComposedCopyMask(const BitMap *src, const BitMap *mask, const BitMap *dst, const Rect &srcRect,
                      const Rect &maskRect, const Rect &dstRect)
{
    const int32_t w = RectWidth(dstRect), h = RectHeight(dstRect);
    RgbCanvas source(w, h), cover(w, h), target(w, h);
    if (!source.ok() || !cover.ok() || !target.ok())
        return;
    source.ReadFrom(src, srcRect, true);
    cover.ReadFrom(mask, maskRect);
    target.ReadFrom(dst, dstRect);
    uint32_t *out = target.bits();
    const uint32_t *in = source.bits();
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            if (cover.Pixel(x, y) != kWhitePixel)
                out[y * w + x] = in[y * w + x];
    target.WriteTo(dst, dstRect);
}

} // namespace

void DisposeCopyMaskCache()
{
    if (sMaskCache.bitmap)
        DeleteObject(sMaskCache.bitmap);
    sMaskCache = MaskBitmapCache{};
}

ZEL_EXTERN_C void ZEL_CALL SeedFill(Ptr src, Ptr dst, int16_t srcRow, int16_t dstRow, int16_t height, int16_t words,
                                    int16_t seedH, int16_t seedV)
{
    if (!WellFormed(src, dst, srcRow, dstRow, height, words))
        return;
    auto *to = reinterpret_cast<uint8_t *>(dst);
    ClearRows(to, dstRow, words * 2, height);
    BitImage source{reinterpret_cast<uint8_t *>(src), srcRow, words * 16, height};
    BitImage target{to, dstRow, words * 16, height};
    FloodFill(source, target, seedH, seedV);
}

ZEL_STUB_VOID(SeedCFill, (const BitMap *, const BitMap *, const Rect *, const Rect *, int16_t, int16_t,
                          ColorSearchProcPtr, int32_t))

ZEL_EXTERN_C void ZEL_CALL CalcMask(Ptr src, Ptr dst, int16_t srcRow, int16_t dstRow, int16_t height, int16_t words)
{
    if (!WellFormed(src, dst, srcRow, dstRow, height, words))
        return;
    const int32_t width = words * 16;
    BitImage image{reinterpret_cast<uint8_t *>(src), srcRow, width, height};
    std::vector<uint8_t> result(static_cast<size_t>(words) * 2 * height, 0);
    BitImage mask{result.data(), words * 2, width, height};
    EnclosedMask(image, mask);
    for (int32_t y = 0; y < height; ++y)
        std::memcpy(reinterpret_cast<uint8_t *>(dst) + y * dstRow, result.data() + y * words * 2,
                    static_cast<size_t>(words) * 2);
}

ZEL_EXTERN_C void ZEL_CALL CalcCMask(const BitMap *src, const BitMap *dst, const Rect *srcRect, const Rect *dstRect,
                                     const RGBColor *seedRGB, ColorSearchProcPtr matchProc, int32_t matchData)
{
    if (!src || !dst || !HasArea(srcRect) || !HasArea(dstRect))
        return;
    const int32_t w = RectWidth(*srcRect), h = RectHeight(*srcRect);
    RgbCanvas canvas(w, h);
    if (!canvas.ok())
        return;
    canvas.ReadFrom(src, *srcRect);

    // The colours become one bit each: through matchProc when given (it answers the index of the
    // one-bit table, 1 black), else every colour that is not white is black. While it runs, the
    // device's gdRefCon points at {seed colour, matchData} and matchProc is its only search procedure.
    struct MatchRecord {
        RGBColor seed;
        int32_t data;
    } match{seedRGB ? *seedRGB : RGBColor{0, 0, 0}, matchData};
    GDHandle device = GetGDevice();
    uint32_t savedSearch = 0;
    int32_t savedRefCon = 0;
    if (HandleHasData(device)) {
        savedSearch = (*device)->gdSearchProc;
        savedRefCon = (*device)->gdRefCon;
        (*device)->gdRefCon = static_cast<int32_t>(reinterpret_cast<uintptr_t>(&match));
        if (matchProc) {
            (*device)->gdSearchProc = 0;
            AddSearch(reinterpret_cast<ProcPtr>(matchProc));
        }
    }
    const int32_t rowBytes = MacRowBytes(w);
    std::vector<uint8_t> imageRows(static_cast<size_t>(rowBytes) * h, 0), maskRows(imageRows.size(), 0);
    BitImage image{imageRows.data(), rowBytes, w, h};
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) {
            const uint32_t p = canvas.Pixel(x, y);
            bool black = p != kWhitePixel;
            if (matchProc) {
                RGBColor rgb{static_cast<uint16_t>(((p >> 16) & 0xFF) * 257),
                             static_cast<uint16_t>(((p >> 8) & 0xFF) * 257), static_cast<uint16_t>((p & 0xFF) * 257)};
                int32_t position = 0;
                if (matchProc(&rgb, &position))
                    black = position != 0;
            }
            if (black)
                image.Set(x, y);
        }
    }
    if (HandleHasData(device)) {
        if (matchProc)
            DelSearch(reinterpret_cast<ProcPtr>(matchProc));
        (*device)->gdSearchProc = savedSearch;
        (*device)->gdRefCon = savedRefCon;
    }
    BitImage mask{maskRows.data(), rowBytes, w, h};
    EnclosedMask(image, mask);
    BitMap maskBits{reinterpret_cast<Ptr>(maskRows.data()), static_cast<int16_t>(rowBytes),
                    Rect{0, 0, static_cast<int16_t>(h), static_cast<int16_t>(w)}};
    const Rect from = maskBits.bounds;
    const RGBColor black{0, 0, 0}, white{0xFFFF, 0xFFFF, 0xFFFF};
    RGBColor fore, back;
    GetForeColor(&fore);
    GetBackColor(&back);
    RGBForeColor(&black);
    RGBBackColor(&white);
    CopyBits(&maskBits, dst, &from, dstRect, srcCopy, nullptr);
    RGBForeColor(&fore);
    RGBBackColor(&back);
}

ZEL_EXTERN_C void ZEL_CALL CopyMask(const BitMap *src, const BitMap *mask, const BitMap *dst, const Rect *srcRect,
                                    const Rect *maskRect, const Rect *dstRect)
{
    if (!src || !mask || !dst || !HasArea(srcRect) || !HasArea(maskRect) || !HasArea(dstRect))
        return;
    const bool sameSize = RectWidth(*srcRect) == RectWidth(*dstRect) && RectWidth(*maskRect) == RectWidth(*dstRect) &&
                          RectHeight(*srcRect) == RectHeight(*dstRect) &&
                          RectHeight(*maskRect) == RectHeight(*dstRect);
    if (LibrarySetting(settingIconDrawing) || !sameSize) {
        ThreePassCopyMask(src, mask, dst, srcRect, maskRect, dstRect);
        return;
    }
    Rect bounds;
    if (!BitsBounds(src, &bounds) || bounds.bottom <= bounds.top)
        return;
    if (MaskBltCopyMask(src, mask, dst, *srcRect, *maskRect, *dstRect))
        return;
    ComposedCopyMask(src, mask, dst, *srcRect, *maskRect, *dstRect);
}

ZEL_EXTERN_C Handle ZEL_CALL ZEL_CreateMask(const BitMap *src, Boolean fill, Boolean asRegion)
{
    Rect bounds;
    if (!BitsBounds(src, &bounds) || !HasArea(&bounds))
        return nullptr;
    const int32_t w = RectWidth(bounds), h = RectHeight(bounds);
    const int32_t rowBytes = MacRowBytes(w);
    std::vector<uint8_t> imageRows(static_cast<size_t>(rowBytes) * h, 0);
    BitImage image{imageRows.data(), rowBytes, w, h};
    {
        RgbCanvas canvas(w, h);
        if (!canvas.ok())
            return nullptr;
        canvas.ReadFrom(src, bounds);
        NonWhiteBits(canvas, image);
    }
    std::vector<uint8_t> maskRows;
    const BitImage *result = &image;
    BitImage filled{nullptr, rowBytes, w, h};
    if (fill) {
        maskRows.assign(imageRows.size(), 0);
        filled.bits = maskRows.data();
        EnclosedMask(image, filled);
        result = &filled;
    }
    if (!asRegion) {
        Handle rows = NewHandle(static_cast<Size>(imageRows.size()));
        if (!rows)
            return nullptr;
        std::memcpy(*rows, result->bits, imageRows.size());
        return rows;
    }
    Handle dib = NewMaskDib(w, h);
    RgnHandle rgn = dib ? NewRgn() : nullptr;
    if (!rgn) {
        if (dib)
            DisposeHandle(dib);
        return nullptr;
    }
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            if (result->Get(x, y))
                SetMaskDibInside(dib, x, y);
    const Point topLeft{bounds.top, bounds.left}, botRight{bounds.bottom, bounds.right};
    if (!SetRgnToMaskDib(rgn, topLeft, botRight, dib)) {
        DisposeRgn(rgn);
        return nullptr;
    }
    return reinterpret_cast<Handle>(rgn);
}

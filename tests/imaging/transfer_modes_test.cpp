// CopyBits' transfer modes, masks and memory safety on a shown window, on a port's device context and in
// memory: every mode's pixels from its Macintosh definition (1 = black), one-bit sources in the port's
// colours, mask regions of every form, clipped sources and destinations, and writes that stay inside
// the destination's storage. The program runs on the 24-bit display and again on an 8-bit palette one.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "MacMemory.h"
#include "QDOffscreen.h"
#include "Quickdraw.h"
#include "Zel.h"
#include "qd_fixture.h"
#include "test_seams.h"
#include "test_support.h"

namespace {

using testing_support::CreateDrawingWindow;
using testing_support::DibPort;
using testing_support::QuickDrawTest;
using testing_support::WindowColorPort;
using testing_support::WindowManagerPort;

class TransferModesTest : public QuickDrawTest {};

const COLORREF kWhite = RGB(255, 255, 255), kBlack = RGB(0, 0, 0);

// A 32-bit PixMap over `rows` (0x00RRGGBB pixels, width x height), described by its published fields.
void DescribeDeepRows(PixMap &pm, void *rows, int width, int height)
{
    std::memset(&pm, 0, sizeof pm);
    pm.baseAddr = reinterpret_cast<Ptr>(rows);
    pm.rowBytes = static_cast<int16_t>(0x8000 | (4 * width));
    pm.bounds = {0, 0, static_cast<int16_t>(height), static_cast<int16_t>(width)};
    pm.pixelType = 16;
    pm.pixelSize = 32;
    pm.cmpCount = 3;
    pm.cmpSize = 8;
    pm.hRes = pm.vRes = 0x00480000;
}

// A mode and the row it gives, by its definition.
struct ModeCase {
    int16_t mode;
    uint8_t want;
    const char *what;
};

// Where a transfer goes: a shown window, a port on a memory DC, a one-bit BitMap or a 32-bit PixMap.
enum class Target { window, portDC, oneBitMemory, deepMemory };
const char *TargetName(Target t)
{
    switch (t) {
    case Target::window: return "window";
    case Target::portDC: return "port DC";
    case Target::oneBitMemory: return "1-bit memory";
    default: return "32-bit memory";
    }
}

// One row of 8 black-or-white pixels (bit 7 leftmost, 1 = black) at each target, read back as bits.
class BlackWhiteTarget {
public:
    static constexpr int kWidth = 8, kHeight = 2;
    explicit BlackWhiteTarget(Target t) : target_(t)
    {
        if (t == Target::window) {
            window_ = CreateDrawingWindow(kWidth, kHeight);
            port_ = new WindowColorPort(window_);
            SetPor(port_->port());
        } else if (t == Target::portDC) {
            dib_ = new DibPort(kWidth, kHeight);
            SetPor(dib_->port());
        }
        std::memset(&bitmap_, 0, sizeof bitmap_);
        bitmap_.baseAddr = reinterpret_cast<Ptr>(oneBit_);
        bitmap_.rowBytes = 2;
        bitmap_.bounds = {0, 0, kHeight, kWidth};
        DescribeDeepRows(pixmap_, deep_, kWidth, kHeight);
    }
    ~BlackWhiteTarget()
    {
        delete port_;
        delete dib_;
        if (window_)
            DestroyWindow(window_);
        SetPor(WindowManagerPort());
    }
    BlackWhiteTarget(const BlackWhiteTarget &) = delete;
    BlackWhiteTarget &operator=(const BlackWhiteTarget &) = delete;

    const BitMap *bits()
    {
        switch (target_) {
        case Target::window: return &port_->port()->portBits;
        case Target::portDC: return &dib_->port()->portBits;
        case Target::oneBitMemory: return &bitmap_;
        default: return reinterpret_cast<const BitMap *>(&pixmap_);
        }
    }
    HDC dc() const { return target_ == Target::window ? port_->dc() : dib_->surface().dc(); }
    bool onDC() const { return target_ == Target::window || target_ == Target::portDC; }

    void Fill(uint8_t row)
    {
        for (int y = 0; y < kHeight; ++y) {
            oneBit_[y][0] = row;
            oneBit_[y][1] = 0;
            for (int x = 0; x < kWidth; ++x) {
                const bool black = (row >> (7 - x)) & 1;
                deep_[y][x] = black ? 0 : 0xFFFFFF;
                if (onDC())
                    SetPixelV(dc(), x, y, black ? kBlack : kWhite);
            }
        }
        GdiFlush();
    }
    // The first row as bits; a pixel neither black nor white sets the second byte's bit.
    uint16_t Row()
    {
        GdiFlush();
        uint16_t bits = 0;
        for (int x = 0; x < kWidth; ++x) {
            bool black, other = false;
            if (target_ == Target::oneBitMemory) {
                black = (oneBit_[0][0] >> (7 - x)) & 1;
            } else if (target_ == Target::deepMemory) {
                black = (deep_[0][x] & 0xFFFFFF) == 0;
                other = !black && (deep_[0][x] & 0xFFFFFF) != 0xFFFFFF;
            } else {
                const COLORREF c = GetPixel(dc(), x, 0);
                black = c == kBlack;
                other = !black && c != kWhite;
            }
            bits |= static_cast<uint16_t>((black ? 0x80 : 0) >> x);
            bits |= static_cast<uint16_t>((other ? 0x8000 : 0) >> x);
        }
        return bits;
    }

private:
    Target target_;
    HWND window_ = nullptr;
    WindowColorPort *port_ = nullptr;
    DibPort *dib_ = nullptr;
    uint8_t oneBit_[kHeight][2] = {};
    uint32_t deep_[kHeight][kWidth] = {};
    BitMap bitmap_;
    PixMap pixmap_;
};

// A source of 8 black-or-white pixels per row, as a one-bit BitMap or a 32-bit PixMap.
struct BlackWhiteSource {
    uint8_t oneBit[2][2];
    uint32_t deep[2][8];
    BitMap bitmap{};
    PixMap pixmap{};
    BlackWhiteSource(uint8_t row)
    {
        for (int y = 0; y < 2; ++y) {
            oneBit[y][0] = row;
            oneBit[y][1] = 0;
            for (int x = 0; x < 8; ++x)
                deep[y][x] = (row >> (7 - x)) & 1 ? 0 : 0xFFFFFF;
        }
        bitmap = {reinterpret_cast<Ptr>(oneBit), 2, {0, 0, 2, 8}};
        DescribeDeepRows(pixmap, deep, 8, 2);
    }
    const BitMap *bits(bool deepSource) const
    {
        return deepSource ? reinterpret_cast<const BitMap *>(&pixmap) : &bitmap;
    }
};

std::string Hex(unsigned v)
{
    char text[8];
    std::snprintf(text, sizeof text, "%02X", v);
    return text;
}

// The eight source modes by their definitions in Macintosh pixel terms, from one-bit and 32-bit
// sources, onto a window, a port's DC and into memory: source row F0 onto destination row CC.
TEST_F(TransferModesTest, SourceModesFollowTheirDefinitions)
{
    const uint8_t S = 0xF0, D = 0xCC;
    const ModeCase modes[] = {
        {srcCopy, S, "srcCopy: S"},
        {srcOr, static_cast<uint8_t>(D | S), "srcOr: D | S"},
        {srcXor, static_cast<uint8_t>(D ^ S), "srcXor: D ^ S"},
        {srcBic, static_cast<uint8_t>(D & ~S), "srcBic: D & ~S"},
        {notSrcCopy, static_cast<uint8_t>(~S), "notSrcCopy: ~S"},
        {notSrcOr, static_cast<uint8_t>(D | ~S), "notSrcOr: D | ~S"},
        {notSrcXor, static_cast<uint8_t>(D ^ ~S), "notSrcXor: D ^ ~S"},
        {notSrcBic, static_cast<uint8_t>(D & S), "notSrcBic: D & ~~S"},
    };
    const BlackWhiteSource source(S);
    for (Target t : {Target::window, Target::portDC, Target::oneBitMemory, Target::deepMemory}) {
        BlackWhiteTarget target(t);
        for (bool deep : {false, true})
            for (const auto &m : modes) {
                target.Fill(D);
                CopyBits(source.bits(deep), target.bits(), &source.bitmap.bounds, &source.bitmap.bounds, m.mode,
                         nullptr);
                EXPECT_EQ(Hex(target.Row()), Hex(m.want))
                    << m.what << " from a " << (deep ? "32-bit" : "1-bit") << " source onto " << TargetName(t);
            }
    }
}

// The pattern modes on device contexts draw with the foreground (black) as their pattern, by their
// definitions: patCopy P, patOr D | P, patXor D ^ P, patBic D & ~P and the "not" modes with ~P.
TEST_F(TransferModesTest, PatternModesOnDeviceContextsFollowTheirDefinitions)
{
    const uint8_t P = 0xFF, D = 0xCC;
    const ModeCase modes[] = {
        {patCopy, P, "patCopy: P"},
        {patOr, static_cast<uint8_t>(D | P), "patOr: D | P"},
        {patXor, static_cast<uint8_t>(D ^ P), "patXor: D ^ P"},
        {patBic, static_cast<uint8_t>(D & ~P), "patBic: D & ~P"},
        {notPatCopy, static_cast<uint8_t>(~P), "notPatCopy: ~P"},
        {notPatOr, static_cast<uint8_t>(D | ~P), "notPatOr: D | ~P"},
        {notPatXor, static_cast<uint8_t>(D ^ ~P), "notPatXor: D ^ ~P"},
        {notPatBic, static_cast<uint8_t>(D & P), "notPatBic: D & ~~P"},
    };
    const BlackWhiteSource source(0xF0);
    for (Target t : {Target::window, Target::portDC}) {
        BlackWhiteTarget target(t);
        for (const auto &m : modes) {
            target.Fill(D);
            SelectObject(target.dc(), GetStockObject(BLACK_BRUSH));
            CopyBits(source.bits(false), target.bits(), &source.bitmap.bounds, &source.bitmap.bounds, m.mode, nullptr);
            EXPECT_EQ(Hex(target.Row()), Hex(m.want)) << m.what << " onto " << TargetName(t);
        }
    }
}

// srcOr ORs whatever brush the destination DC held before: a DC left with a white brush still gets the
// source's black pixels added to its own.
TEST_F(TransferModesTest, SrcOrIgnoresTheBrushTheDCHeld)
{
    const BlackWhiteSource source(0xF0);
    for (Target t : {Target::window, Target::portDC}) {
        BlackWhiteTarget target(t);
        for (bool deep : {false, true}) {
            target.Fill(0xCC);
            SelectObject(target.dc(), GetStockObject(WHITE_BRUSH));
            CopyBits(source.bits(deep), target.bits(), &source.bitmap.bounds, &source.bitmap.bounds, srcOr, nullptr);
            EXPECT_EQ(Hex(target.Row()), Hex(0xFC)) << (deep ? "32-bit" : "1-bit") << " source onto " << TargetName(t);
        }
    }
}

// `size` bytes whose last byte lies flush against a no-access page: a write past them faults at once.
class GuardedBytes {
public:
    explicit GuardedBytes(size_t size)
    {
        SYSTEM_INFO info;
        GetSystemInfo(&info);
        page_ = info.dwPageSize;
        const size_t pages = (size + page_ - 1) / page_;
        base_ = static_cast<uint8_t *>(VirtualAlloc(nullptr, (pages + 1) * page_, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
        DWORD old;
        if (base_)
            VirtualProtect(base_ + pages * page_, page_, PAGE_NOACCESS, &old);
        bytes_ = base_ ? base_ + pages * page_ - size : nullptr;
    }
    ~GuardedBytes()
    {
        if (base_)
            VirtualFree(base_, 0, MEM_RELEASE);
    }
    GuardedBytes(const GuardedBytes &) = delete;
    GuardedBytes &operator=(const GuardedBytes &) = delete;
    uint8_t *bytes() const { return bytes_; }

private:
    size_t page_ = 0;
    uint8_t *base_ = nullptr, *bytes_ = nullptr;
};

// One-bit copies between two 40 x 5 BitMaps at unaligned columns, in every source mode: the destination
// changes inside dstRect only, by the mode's definition, and nothing is written past its rows (they end
// at a no-access page). Also from a 32-bit source, whose modes reach the one-bit store through colours.
TEST_F(TransferModesTest, OneBitDestinationsChangeOnlyTheirRectangle)
{
    constexpr int kRowBytes = 6, kRows = 5, kWidth = 40;
    uint8_t src[kRows][kRowBytes];
    for (int y = 0; y < kRows; ++y)
        for (int b = 0; b < kRowBytes; ++b)
            src[y][b] = static_cast<uint8_t>(0x5A ^ (y * 37 + b * 11));
    uint32_t deep[kRows][kWidth];
    auto srcBit = [&](int x, int y) { return (src[y][x / 8] >> (7 - x % 8)) & 1; };
    for (int y = 0; y < kRows; ++y)
        for (int x = 0; x < kWidth; ++x)
            deep[y][x] = srcBit(x, y) ? 0 : 0xFFFFFF;
    BitMap source = {reinterpret_cast<Ptr>(src), kRowBytes, {0, 0, kRows, kWidth}};
    PixMap deepSource;
    DescribeDeepRows(deepSource, deep, kWidth, kRows);
    const Rect srcRect = {1, 3, 4, 24}, dstRect = {0, 13, 3, 34};
    const uint8_t before = 0xC6;
    GuardedBytes guarded(kRowBytes * kRows);
    ASSERT_NE(guarded.bytes(), nullptr);
    for (bool deepFrom : {false, true})
        for (int16_t mode = srcCopy; mode <= notSrcBic; ++mode) {
            uint8_t *dst = guarded.bytes();
            std::memset(dst, before, kRowBytes * kRows);
            BitMap target = {reinterpret_cast<Ptr>(dst), kRowBytes, {0, 0, kRows, kWidth}};
            SetPor(WindowManagerPort());
            CopyBits(deepFrom ? reinterpret_cast<const BitMap *>(&deepSource) : &source, &target, &srcRect, &dstRect,
                     mode, nullptr);
            std::string misses;
            for (int y = 0; y < kRows; ++y)
                for (int x = 0; x < kWidth; ++x) {
                    const int d = (before >> (7 - x % 8)) & 1;
                    int want = d;
                    if (y >= dstRect.top && y < dstRect.bottom && x >= dstRect.left && x < dstRect.right) {
                        const int s = srcBit(x - dstRect.left + srcRect.left, y - dstRect.top + srcRect.top);
                        const int n = s ^ 1;
                        const int results[8] = {s, d | s, d ^ s, d & n, n, d | n, d ^ n, d & s};
                        want = results[mode];
                    }
                    const int got = (dst[y * kRowBytes + x / 8] >> (7 - x % 8)) & 1;
                    if (got != want)
                        misses += " (" + std::to_string(x) + "," + std::to_string(y) + ")";
                }
            EXPECT_EQ(misses, "") << "mode " << mode << " from a " << (deepFrom ? "32-bit" : "1-bit") << " source";
        }
}

// A 32-bit DIB GWorld of `bounds` (top-down rows), made with the DIB-world switch and the offscreen
// bitmaps setting on for the call only; nil when it cannot be made.
GWorldPtr NewDibWorld(const Rect &bounds)
{
    constexpr uint32_t kDibGWorldSwitch = 0x8000;
    constexpr int16_t kOffscreenBitmapsSetting = 41;
    ZEL_SetFlags(0, 0, kDibGWorldSwitch, kDibGWorldSwitch);
    ZEL_SystemValue(1, kOffscreenBitmapsSetting, 1);
    GWorldPtr gw = nullptr;
    if (NewGWorld(&gw, 32, &bounds, nullptr, nullptr, 0) != 0)
        gw = nullptr;
    ZEL_SetFlags(0, 0, kDibGWorldSwitch, 0);
    ZEL_SystemValue(1, kOffscreenBitmapsSetting, 0);
    return gw;
}

// Paints `r` of a GWorld in one colour, then makes the Window Manager port current again.
void PaintInWorld(GWorldPtr gw, const Rect &r, RGBColor colour)
{
    SetGWorld(gw, nullptr);
    RGBForeColor(&colour);
    PaintRect(&r);
    ForeColor(blackColor);
    SetGWorld(reinterpret_cast<CGrafPtr>(WindowManagerPort()), nullptr);
}

// A DIB GWorld of 200 x 150 at 32 bits (top-down rows), red above row 75 and blue from it on, copied to
// a window in srcCopy: a part of the source drawn at its size or stretched shows that part's colour
// over the whole destination rectangle, and the window outside the rectangle stays white.
TEST_F(TransferModesTest, DibWorldPartsDrawTheirOwnRows)
{
    const Rect bounds{0, 0, 150, 200};
    GWorldPtr gw = NewDibWorld(bounds);
    ASSERT_NE(gw, nullptr);
    PaintInWorld(gw, Rect{0, 0, 75, 200}, RGBColor{0xFFFF, 0, 0});
    PaintInWorld(gw, Rect{75, 0, 150, 200}, RGBColor{0, 0, 0xFFFF});
    const BitMap *source = reinterpret_cast<const BitMap *>(*GetGWorldPixMap(gw));

    struct Case {
        Rect src, dst;
        COLORREF want;
        const char *what;
    };
    const Case cases[] = {
        {{0, 0, 75, 100}, {0, 0, 150, 200}, RGB(255, 0, 0), "top-left quarter stretched twice"},
        {{75, 0, 150, 100}, {0, 0, 150, 200}, RGB(0, 0, 255), "bottom-left quarter stretched twice"},
        {{0, 0, 75, 100}, {10, 20, 85, 120}, RGB(255, 0, 0), "top-left quarter at its size"},
        {{75, 100, 150, 200}, {10, 20, 85, 120}, RGB(0, 0, 255), "bottom-right quarter at its size"},
        {{60, 0, 90, 200}, {0, 0, 150, 200}, 0, "the rows round the middle stretched five times"},
    };
    HWND window = CreateDrawingWindow(200, 150);
    ASSERT_NE(window, nullptr);
    {
        WindowColorPort port(window);
        SetPor(port.port());
        for (const Case &c : cases) {
            const Rect whole{0, 0, 150, 200};
            EraseRect(&whole);
            CopyBits(source, &port.port()->portBits, &c.src, &c.dst, srcCopy, nullptr);
            GdiFlush();
            std::string misses;
            for (int y = 1; y < 150; y += 6)
                for (int x = 2; x < 200; x += 7) {
                    const bool inside = y >= c.dst.top && y < c.dst.bottom && x >= c.dst.left && x < c.dst.right;
                    COLORREF want = inside ? c.want : kWhite;
                    if (inside && !c.want) {
                        // Source row 60 + (y - top) / 5: red above 75, blue from it on.
                        const int row = c.src.top + (y - c.dst.top) * (c.src.bottom - c.src.top) / (c.dst.bottom - c.dst.top);
                        if (row == 74 || row == 75)
                            continue;
                        want = row < 75 ? RGB(255, 0, 0) : RGB(0, 0, 255);
                    }
                    if (GetPixel(port.dc(), x, y) != want && misses.size() < 80)
                        misses += " (" + std::to_string(x) + "," + std::to_string(y) + ")";
                }
            EXPECT_EQ(misses, "") << c.what;
        }
        SetPor(WindowManagerPort());
    }
    DestroyWindow(window);
    DisposeGWorld(gw);
}

// A red source copied onto a white window through a mask region changes only what the mask holds:
// a union of 24 squares and a circle made by BitMapToRegion (a mask-form region), from a DIB GWorld and
// from a plain 32-bit PixMap.
TEST_F(TransferModesTest, MaskRegionsLimitCopiesOntoAWindow)
{
    constexpr int kWidth = 48, kHeight = 32;
    const Rect bounds{0, 0, kHeight, kWidth};

    auto inSquare = [](int x, int y) { return x % 8 >= 2 && x % 8 < 7 && y % 8 >= 2 && y % 8 < 7; };
    auto inCircle = [](int x, int y) { return (x - 20) * (x - 20) + (y - 15) * (y - 15) < 144; };
    RgnHandle squares = NewRgn(), square = NewRgn();
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 6; ++i) {
            SetRectRgn(square, static_cast<int16_t>(8 * i + 2), static_cast<int16_t>(8 * j + 2),
                       static_cast<int16_t>(8 * i + 7), static_cast<int16_t>(8 * j + 7));
            UnionRgn(squares, square, squares);
        }
    DisposeRgn(square);
    uint8_t circleBits[kHeight][kWidth / 8] = {};
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            if (inCircle(x, y))
                circleBits[y][x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
    const BitMap circleMap{reinterpret_cast<Ptr>(circleBits), kWidth / 8, bounds};
    RgnHandle circle = NewRgn();
    ASSERT_EQ(BitMapToRegion(circle, &circleMap), 0);

    std::vector<uint32_t> redRows(kWidth * kHeight, 0xFF0000);
    PixMap plain;
    DescribeDeepRows(plain, redRows.data(), kWidth, kHeight);
    GWorldPtr gw = NewDibWorld(bounds);
    ASSERT_NE(gw, nullptr);
    PaintInWorld(gw, bounds, RGBColor{0xFFFF, 0, 0});

    const struct {
        const BitMap *source;
        const char *what;
    } sources[] = {{reinterpret_cast<const BitMap *>(*GetGWorldPixMap(gw)), "DIB GWorld"},
                   {reinterpret_cast<const BitMap *>(&plain), "32-bit PixMap"}};
    const struct {
        RgnHandle rgn;
        bool (*inside)(int, int);
        const char *what;
    } masks[] = {{squares, inSquare, "24 squares"}, {circle, inCircle, "circle mask"}};
    HWND window = CreateDrawingWindow(kWidth, kHeight);
    ASSERT_NE(window, nullptr);
    {
        WindowColorPort port(window);
        SetPor(port.port());
        for (const auto &source : sources)
            for (const auto &mask : masks) {
                EraseRect(&bounds);
                CopyBits(source.source, &port.port()->portBits, &bounds, &bounds, srcCopy, mask.rgn);
                GdiFlush();
                const std::string misses = testing_support::PixelMisses(port.dc(), 0, 0, kWidth, kHeight, [&](int x, int y) {
                    return mask.inside(x, y) ? RGB(255, 0, 0) : kWhite;
                });
                EXPECT_EQ(misses, "") << source.what << " through the " << mask.what;
            }
        SetPor(WindowManagerPort());
    }
    DestroyWindow(window);
    DisposeGWorld(gw);
    DisposeRgn(squares);
    DisposeRgn(circle);
}

} // namespace

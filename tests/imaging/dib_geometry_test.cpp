// BITMAPINFO blocks for GDI bitmaps, source rows fetched from PixMaps and their DIBs, and imaging's
// share of InitGraf and ExitGraf, through the library.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "MacMemory.h"
#include "Quickdraw.h"
#include "dib_rows.h"
#include "qd_fixture.h"
#include "test_seams.h"

namespace {

using testing_support::QuickDrawGlobals;
using testing_support::QuickDrawTest;

// The library's local blocks, measured as what a memory limit has left.
class LocalBytes {
public:
    LocalBytes() { ZEL_SetMemoryLimits(1, 0x40000000, 0, 0); }
    ~LocalBytes() { ZEL_SetMemoryLimits(0, 0, 0, 0); }
    Size Used() const { return 0x40000000 - FreeMem(); }
};

class BitmapInfoBlocks : public QuickDrawTest {};

// The display's own format, as a compatible bitmap describes itself, is a DIB format the row code takes:
// 32-bit BI_BITFIELDS with the standard masks on this display.
TEST_F(BitmapInfoBlocks, DescribeTheDisplaysOwnFormat)
{
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 1, 1);
    ReleaseDC(nullptr, screen);
    ASSERT_NE(bitmap, nullptr);
    HLOCAL block = nullptr;
    BITMAPINFO *info = nullptr;
    ASSERT_EQ(AcquireBitmapInfo(bitmap, nullptr, &block, &info), 1);
    ASSERT_NE(info, nullptr);
    DibGeometry g{};
    EXPECT_TRUE(GetDibGeometry(&info->bmiHeader, sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD), true, &g))
        << "depth " << info->bmiHeader.biBitCount << " compression " << info->bmiHeader.biCompression;
    EXPECT_EQ(g.width, 1);
    ReleaseBitmapInfo(block);
    DeleteObject(bitmap);
}

// A BITMAP record of 16 bits a pixel is described as 24-bit with 256 colour slots; depths between the
// DIB depths become 8; the header's fixed fields are set.
TEST_F(BitmapInfoBlocks, DescribeBitmapRecordsInDibDepths)
{
    const struct {
        WORD planes, bitsPixel, depth;
        DWORD colours;
    } cases[] = {
        {1, 1, 1, 2}, {1, 4, 4, 16}, {1, 8, 8, 256}, {1, 2, 8, 256}, {1, 5, 8, 256},
        {1, 16, 24, 256}, {1, 32, 24, 256}, {4, 1, 4, 16},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.planes << " planes of " << c.bitsPixel);
        BITMAP record{};
        record.bmWidth = 7;
        record.bmHeight = 3;
        record.bmPlanes = c.planes;
        record.bmBitsPixel = c.bitsPixel;
        HLOCAL block = nullptr;
        BITMAPINFO *info = nullptr;
        ASSERT_EQ(AcquireBitmapInfo(nullptr, &record, &block, &info), 1);
        const BITMAPINFOHEADER &h = info->bmiHeader;
        EXPECT_EQ(h.biSize, sizeof(BITMAPINFOHEADER));
        EXPECT_EQ(h.biWidth, 7);
        EXPECT_EQ(h.biHeight, 3);
        EXPECT_EQ(h.biPlanes, 1);
        EXPECT_EQ(h.biBitCount, c.depth);
        EXPECT_EQ(h.biCompression, static_cast<DWORD>(BI_RGB));
        EXPECT_EQ(h.biClrUsed, c.colours);
        EXPECT_EQ(h.biXPelsPerMeter, 2800);
        EXPECT_EQ(h.biYPelsPerMeter, 2800);
        ReleaseBitmapInfo(block);
    }
    ReleaseBitmapInfo(nullptr);
}

// Nested users get blocks of their own, each a separate header, and give them all back.
TEST_F(BitmapInfoBlocks, NestedBlocksAreFreedAndTheStaticOneKept)
{
    LocalBytes bytes;
    BITMAP record{};
    record.bmWidth = record.bmHeight = 4;
    record.bmPlanes = 1;
    record.bmBitsPixel = 8;
    HLOCAL outer = nullptr, inner = nullptr, innermost = nullptr;
    BITMAPINFO *a = nullptr, *b = nullptr, *c = nullptr;
    ASSERT_EQ(AcquireBitmapInfo(nullptr, &record, &outer, &a), 1);
    ReleaseBitmapInfo(outer); // the static block now exists
    const Size before = bytes.Used();
    for (int round = 0; round < 3; ++round) {
        ASSERT_EQ(AcquireBitmapInfo(nullptr, &record, &outer, &a), 1);
        ASSERT_EQ(AcquireBitmapInfo(nullptr, &record, &inner, &b), 1);
        ASSERT_EQ(AcquireBitmapInfo(nullptr, &record, &innermost, &c), 1);
        EXPECT_NE(a, b);
        EXPECT_NE(b, c);
        EXPECT_NE(a, c);
        EXPECT_GT(bytes.Used(), before);
        ReleaseBitmapInfo(innermost);
        ReleaseBitmapInfo(inner);
        ReleaseBitmapInfo(outer);
        EXPECT_EQ(bytes.Used(), before) << "round " << round;
    }
}

// Each ExitGraf frees the static block: after every InitGraf the library holds what it held before the
// block was first used, and using it takes exactly one block again.
TEST(ImagingSetUp, InitGrafCyclesFreeTheStaticBlock)
{
    QDGlobals &qd = QuickDrawGlobals();
    BITMAP record{};
    record.bmWidth = record.bmHeight = 4;
    record.bmPlanes = 1;
    record.bmBitsPixel = 1;
    LocalBytes bytes;
    InitGraf(&qd.thePort);
    InitGraf(&qd.thePort);
    const Size settled = bytes.Used();
    for (int i = 0; i < 50; ++i) {
        HLOCAL block = nullptr;
        BITMAPINFO *info = nullptr;
        ASSERT_EQ(AcquireBitmapInfo(nullptr, &record, &block, &info), 1);
        ReleaseBitmapInfo(block);
        EXPECT_GE(bytes.Used(), settled + 1064) << "cycle " << i;
        InitGraf(&qd.thePort);
        ASSERT_EQ(bytes.Used(), settled) << "cycle " << i;
    }
}

// ---- Source rows ----

class SourceRows : public QuickDrawTest {};

// A DIB handle: header, `colours` entries, `masks` when given, then the rows; its bits are in the handle.
struct DibPixMap {
    PixMapHandle pm = nullptr;
    Handle dib = nullptr;
    std::vector<uint8_t> macRows; // only addresses are taken from it
    int32_t dibRowBytes = 0;

    DibPixMap(int pixelSize, int dibDepth, int width, int height, bool bottomUp, const std::vector<RGBQUAD> &colours,
              bool bitfields)
    {
        pm = NewPixMap();
        int32_t macRowBytes = 0;
        MacRowBytes(pixelSize, width, &macRowBytes);
        DibRowBytes(dibDepth, width, &dibRowBytes);
        macRows.assign(static_cast<size_t>(macRowBytes) * height, 0);
        const size_t headerBytes = sizeof(BITMAPINFOHEADER) + (bitfields ? 12 : 0) + colours.size() * sizeof(RGBQUAD);
        dib = NewHandleClear(static_cast<Size>(headerBytes + static_cast<size_t>(dibRowBytes) * height));
        auto *h = reinterpret_cast<BITMAPINFOHEADER *>(*dib);
        h->biSize = sizeof(BITMAPINFOHEADER);
        h->biWidth = width;
        h->biHeight = bottomUp ? height : -height;
        h->biPlanes = 1;
        h->biBitCount = static_cast<WORD>(dibDepth);
        h->biCompression = bitfields ? BI_BITFIELDS : BI_RGB;
        h->biClrUsed = static_cast<DWORD>(colours.size());
        uint8_t *after = reinterpret_cast<uint8_t *>(h + 1);
        if (bitfields) {
            const DWORD masks32[3] = {0xFF0000, 0xFF00, 0xFF}, masks16[3] = {0x7C00, 0x3E0, 0x1F};
            std::memcpy(after, dibDepth == 32 ? masks32 : masks16, 12);
            after += 12;
        }
        if (!colours.empty())
            std::memcpy(after, colours.data(), colours.size() * sizeof(RGBQUAD));
        PixMap &p = **pm;
        p.baseAddr = reinterpret_cast<Ptr>(macRows.data());
        p.rowBytes = static_cast<int16_t>(0x8000 | macRowBytes);
        p.bounds = Rect{0, 0, static_cast<int16_t>(height), static_cast<int16_t>(width)};
        p.pixelSize = static_cast<int16_t>(pixelSize);
        p.pmExtFlags |= pmExtDibAttached;
        p.pmExtDib = dib;
        p.pmExtDibBits = reinterpret_cast<Ptr>(*dib + headerBytes);
    }
    ~DibPixMap()
    {
        (*pm)->pmExtDib = nullptr;
        (*pm)->pmExtFlags &= ~pmExtDibAttached;
        DisposePixMap(pm);
        DisposeHandle(dib);
    }
    uint8_t *DibRow(int macRow, int height, bool bottomUp)
    {
        return reinterpret_cast<uint8_t *>((*pm)->pmExtDibBits) + static_cast<size_t>(bottomUp ? height - 1 - macRow : macRow) * dibRowBytes;
    }
    const uint8_t *MacAddress(int row, int column) const
    {
        return macRows.data() + static_cast<size_t>(row) * ((*pm)->rowBytes & 0x3FFF) + column * (*pm)->pixelSize / 8;
    }
};

// 32-bit PixMaps over 32-bit DIBs (the DIB engine's sections) read 4 bytes a pixel, 16-bit ones over
// 16-bit DIBs keep their 5-5-5 words, 8-bit ones over reversed DIBs complement their indices; rows count
// from the bottom of a bottom-up DIB and from the top of a top-down one.
TEST_F(SourceRows, DibBackedRowsComeInMacintoshLayout)
{
    for (bool bottomUp : {true, false}) {
        SCOPED_TRACE(bottomUp ? "bottom-up" : "top-down");
        const int w = 5, h = 3;
        {
            DibPixMap d(32, 32, w, h, bottomUp, {}, true);
            uint8_t *row1 = d.DibRow(1, h, bottomUp);
            for (int i = 0; i < 4 * w; ++i)
                row1[i] = uint8_t(i + 1);
            const uint8_t *got = FetchSourceRow(*d.pm, d.MacAddress(1, 1), 4 * 3, d.MacAddress(h - 1, w - 1) + 3);
            ASSERT_NE(got, nullptr);
            for (int p = 0; p < 3; ++p) {
                EXPECT_EQ(got[4 * p], row1[4 * (p + 1)]);
                EXPECT_EQ(got[4 * p + 1], row1[4 * (p + 1) + 1]);
                EXPECT_EQ(got[4 * p + 2], row1[4 * (p + 1) + 2]);
                EXPECT_EQ(got[4 * p + 3], 0);
            }
        }
        {
            DibPixMap d(16, 16, w, h, bottomUp, {}, false);
            uint8_t *row2 = d.DibRow(2, h, bottomUp);
            for (int i = 0; i < 2 * w; ++i)
                row2[i] = uint8_t(0x30 + i) & 0x7F;
            const uint8_t *got = FetchSourceRow(*d.pm, d.MacAddress(2, 0), 2 * w, d.MacAddress(h - 1, w - 1) + 1);
            ASSERT_NE(got, nullptr);
            EXPECT_EQ(std::memcmp(got, row2, 2 * w), 0);
        }
        {
            std::vector<RGBQUAD> colours(256);
            DibPixMap d(8, 8, w, h, bottomUp, colours, false);
            (*d.pm)->pmExtFlags |= pmExtBitsPrepared;
            uint8_t *row0 = d.DibRow(0, h, bottomUp);
            for (int i = 0; i < w; ++i)
                row0[i] = uint8_t(i * 40);
            const uint8_t *got = FetchSourceRow(*d.pm, d.MacAddress(0, 0), w, d.MacAddress(h - 1, w - 1));
            ASSERT_NE(got, nullptr);
            for (int i = 0; i < w; ++i)
                EXPECT_EQ(got[i], uint8_t(~row0[i])) << i;
        }
    }
}

// An address that names a row or column outside the DIB, or lies before the pixels, answers nil.
TEST_F(SourceRows, AddressesOutsideTheDibAnswerNil)
{
    const int w = 4, h = 2;
    DibPixMap d(32, 24, w, h, true, {}, false);
    // The PixMap claims more rows than its DIB has.
    std::vector<uint8_t> larger(static_cast<size_t>(16) * 8);
    (*d.pm)->baseAddr = reinterpret_cast<Ptr>(larger.data());
    const uint8_t *base = larger.data();
    EXPECT_NE(FetchSourceRow(*d.pm, base + 16, 16, base + larger.size() - 1), nullptr);
    EXPECT_EQ(FetchSourceRow(*d.pm, base + 2 * 16, 16, base + larger.size() - 1), nullptr) << "row 2 of 2";
    EXPECT_EQ(FetchSourceRow(*d.pm, base + 7 * 16, 16, base + larger.size() - 1), nullptr) << "row 7 of 2";
    EXPECT_EQ(FetchSourceRow(*d.pm, base - 16, 16, base + larger.size() - 1), nullptr) << "before the pixels";
    // rowBytes wider than the DIB: the column lies past its width.
    (*d.pm)->rowBytes = static_cast<int16_t>(0x8000 | 32);
    EXPECT_EQ(FetchSourceRow(*d.pm, base + 20, 8, base + larger.size() - 1), nullptr) << "column 5 of 4";
    // A handle shorter than its header says is not read.
    SetHandleSize(d.dib, 20);
    EXPECT_EQ(FetchSourceRow(*d.pm, base, 16, base + larger.size() - 1), nullptr);
}

// A plain PixMap's row is used where it is when it lies in the readable data; a row that runs past it
// comes as a copy whose later pixels repeat the last readable one; when the scratch cannot grow to the
// row, nil.
TEST_F(SourceRows, PlainRowsStopAtTheReadableData)
{
    PixMapHandle pm = NewPixMap();
    (*pm)->pixelSize = 16;
    uint8_t data[10] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    EXPECT_EQ(FetchSourceRow(*pm, data, 10, data + 9), data);
    const uint8_t *got = FetchSourceRow(*pm, data + 4, 12, data + 8);
    ASSERT_NE(got, nullptr);
    const uint8_t expected[12] = {5, 6, 7, 8, 7, 8, 7, 8, 7, 8, 7, 8};
    EXPECT_EQ(std::memcmp(got, expected, 12), 0);
    EXPECT_EQ(FetchSourceRow(*pm, data, 0xFFFFFFF0u, data + 9), nullptr) << "a scratch of 4 GB";
    (*pm)->pixelSize = 4;
    EXPECT_EQ(FetchSourceRow(*pm, data, 4, data + 9), nullptr) << "4-bit PixMaps have no source rows";
    DisposePixMap(pm);
}

} // namespace

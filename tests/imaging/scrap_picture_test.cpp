// The clipboard picture: ZEL_OpenScrapPict's body, CopyBits filling it (clipped, scaled, 16-bit sources
// widened, 8-bit bodies through the standard colours), DrawPicture of it once the C bit is set, and
// bodies that do not hold together.
#include <gtest/gtest.h>

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

using testing_support::DibPort;
using testing_support::QuickDrawTest;
using Bytes = std::vector<uint8_t>;

class ScrapPicture : public QuickDrawTest {
protected:
    DibPort port_{64, 64};
    void SetUp() override { SetPor(port_.port()); }
};

Bytes HandleBytes(Handle h)
{
    return Bytes(reinterpret_cast<uint8_t *>(*h), reinterpret_cast<uint8_t *>(*h) + GetHandleSize(h));
}
int32_t LongAt(const Bytes &b, size_t at)
{
    int32_t v;
    std::memcpy(&v, &b[at], 4);
    return v;
}

// A 32-bit PixMap over the test's own pixels.
struct Pixels {
    PixMap pm{};
    std::vector<uint32_t> rows;
    Pixels(int w, int h, uint32_t (*colour)(int, int), int depth = 32)
    {
        rows.assign(static_cast<size_t>(w) * h, 0);
        uint16_t *words = reinterpret_cast<uint16_t *>(rows.data());
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                if (depth == 32)
                    rows[static_cast<size_t>(y) * w + x] = colour(x, y);
                else
                    words[static_cast<size_t>(y) * w + x] = static_cast<uint16_t>(colour(x, y));
            }
        pm.baseAddr = reinterpret_cast<Ptr>(rows.data());
        pm.rowBytes = static_cast<int16_t>(0x8000 | (w * depth / 8));
        pm.bounds = Rect{0, 0, int16_t(h), int16_t(w)};
        pm.pixelType = 16;
        pm.pixelSize = static_cast<int16_t>(depth);
        pm.cmpCount = 3;
        pm.cmpSize = depth == 32 ? 8 : 5;
    }
    const BitMap *bits() const { return reinterpret_cast<const BitMap *>(&pm); }
};

uint32_t Gradient(int x, int y) { return static_cast<uint32_t>((x * 20) << 16 | (y * 30) << 8 | (x + y) * 5) & 0xFFFFFF; }

TEST_F(ScrapPicture, BodySizesAndHeader)
{
    const Rect frame{5, 5, 7, 12};
    PicHandle pic = ZEL_OpenScrapPict(&frame);
    ASSERT_NE(pic, nullptr);
    EXPECT_EQ(port_.port()->picSave, reinterpret_cast<Handle>(pic));
    EXPECT_LT(port_.port()->pnVis, 0);
    Bytes b = HandleBytes(reinterpret_cast<Handle>(pic));
    ASSERT_EQ(b.size(), 98u);
    EXPECT_EQ((*pic)->picFrame.bottom, 2);
    EXPECT_EQ((*pic)->picFrame.right, 7);
    EXPECT_EQ(LongAt(b, 10), 40);
    EXPECT_EQ(LongAt(b, 14), 7);
    EXPECT_EQ(LongAt(b, 18), 2);
    EXPECT_EQ(b[24], 24);
    EXPECT_EQ(LongAt(b, 30), 48);
    for (size_t i = 50; i < b.size(); ++i)
        EXPECT_EQ(b[i], 0xFF) << i;
    ClosePicture();
    EXPECT_EQ(port_.port()->picSave, nullptr);
    EXPECT_EQ(port_.port()->pnVis, 0);
    KillPicture(pic);

    const Rect tenByThree{0, 0, 3, 10};
    pic = ZEL_OpenScrapPict(&tenByThree);
    ASSERT_NE(pic, nullptr);
    EXPECT_EQ(GetHandleSize(reinterpret_cast<Handle>(pic)), 146);
    EXPECT_EQ(LongAt(HandleBytes(reinterpret_cast<Handle>(pic)), 30), 96);
    ClosePicture();
    KillPicture(pic);

    // Empty, past 2 GB, or refused: nil, and the port as it was.
    const Rect empty{0, 0, 0, 10}, huge{0, 0, 32000, 32000};
    EXPECT_EQ(ZEL_OpenScrapPict(&empty), nullptr);
    EXPECT_EQ(ZEL_OpenScrapPict(&huge), nullptr);
    ZEL_SetMemoryLimits(1, 1, 0, 0);
    EXPECT_EQ(ZEL_OpenScrapPict(&tenByThree), nullptr);
    ZEL_SetMemoryLimits(0, 0, 0, 0);
    EXPECT_EQ(port_.port()->pnVis, 0);
    EXPECT_EQ(port_.port()->picSave, nullptr);
    // Wider than 21,845 pixels: the 32-bit size.
    const Rect wide{0, 0, 1, 22000};
    pic = ZEL_OpenScrapPict(&wide);
    if (pic) {
        EXPECT_EQ(GetHandleSize(reinterpret_cast<Handle>(pic)), 50 + 66000);
        ClosePicture();
        KillPicture(pic);
    }
}

TEST_F(ScrapPicture, CopyBitsFillsTheBody)
{
    const Rect frame{10, 10, 12, 17};
    Pixels source(7, 2, [](int x, int y) { return x == 0 && y == 0 ? 0x00010203u : Gradient(x, y); });
    PicHandle pic = ZEL_OpenScrapPict(&frame);
    CopyBits(source.bits(), &port_.port()->portBits, &source.pm.bounds, &frame, srcCopy, nullptr);
    Bytes b = HandleBytes(reinterpret_cast<Handle>(pic));
    EXPECT_EQ(b[74], 0x03);
    EXPECT_EQ(b[75], 0x02);
    EXPECT_EQ(b[76], 0x01) << "the source's top row is the body's last";
    // 5 pixels left of the frame: the frame's first column takes the source's sixth.
    const Rect left{10, 5, 12, 12};
    CopyBits(source.bits(), &port_.port()->portBits, &source.pm.bounds, &left, srcCopy, nullptr);
    b = HandleBytes(reinterpret_cast<Handle>(pic));
    const uint32_t sixth = Gradient(5, 0);
    EXPECT_EQ(b[74], sixth & 0xFF);
    EXPECT_EQ(b[75], (sixth >> 8) & 0xFF);
    EXPECT_EQ(b[76], (sixth >> 16) & 0xFF);
    ClosePicture();
    KillPicture(pic);

    // A source twice the destination's size, and a srcRect past the source: nearest neighbour, clipped.
    Pixels big(14, 4, Gradient);
    pic = ZEL_OpenScrapPict(&frame);
    const Rect beyond{0, 0, 4, 20};
    CopyBits(big.bits(), &port_.port()->portBits, &beyond, &frame, srcCopy, nullptr);
    b = HandleBytes(reinterpret_cast<Handle>(pic));
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 7; ++x) {
            const size_t at = 50 + static_cast<size_t>(1 - y) * 24 + 3 * x;
            const int sx = x * 20 / 7;
            const uint32_t want = sx < 14 ? Gradient(sx, y * 2) : 0xFFFFFF;
            EXPECT_EQ(b[at] | b[at + 1] << 8 | b[at + 2] << 16, want) << x << "," << y;
        }
    ClosePicture();
    KillPicture(pic);

    // A 16-bit source widens by (c x 33) >> 2.
    Pixels words(7, 2, [](int, int) { return uint32_t(31 << 10 | 16 << 5 | 1); }, 16);
    pic = ZEL_OpenScrapPict(&frame);
    CopyBits(words.bits(), &port_.port()->portBits, &words.pm.bounds, &frame, srcCopy, nullptr);
    b = HandleBytes(reinterpret_cast<Handle>(pic));
    EXPECT_EQ(b[50], (1 * 33) >> 2);
    EXPECT_EQ(b[51], (16 * 33) >> 2);
    EXPECT_EQ(b[52], (31 * 33) >> 2);
    ClosePicture();
    KillPicture(pic);
    EXPECT_EQ(ZEL_MemCheck(), 1);
}

TEST_F(ScrapPicture, EightBitBodiesUseTheStandardColours)
{
    const uint32_t saved = ZEL_SetFlags(0, 0, 0, 0);
    ZEL_SetFlags(zelFlagReducedPalette, zelFlagReducedPalette, 0, 0);
    const Rect frame{0, 0, 2, 7};
    PicHandle pic = ZEL_OpenScrapPict(&frame);
    ZEL_SetFlags(zelFlagReducedPalette, saved & zelFlagReducedPalette, 0, 0);
    ASSERT_NE(pic, nullptr);
    Bytes b = HandleBytes(reinterpret_cast<Handle>(pic));
    ASSERT_EQ(b.size(), 50u + 1024 + 16);
    EXPECT_EQ(b[24], 8);
    CTabHandle standard = GetCTable(8);
    ASSERT_NE(standard, nullptr);
    auto nearest = [&](int r, int g, int bl) {
        int best = 0, bestD = 1 << 30;
        for (int i = 0; i < 256; ++i) {
            const RGBColor &c = (*standard)->ctTable[i].rgb;
            const int d = (c.red / 256 - r) * (c.red / 256 - r) + (c.green / 256 - g) * (c.green / 256 - g) +
                          (c.blue / 256 - bl) * (c.blue / 256 - bl);
            if (d < bestD) {
                bestD = d;
                best = i;
            }
        }
        return best;
    };
    for (int i = 0; i < 256; ++i)
        EXPECT_EQ(b[50 + 4 * i + 2], (*standard)->ctTable[i].rgb.red >> 8);
    EXPECT_EQ(b[50 + 1024], nearest(255, 255, 255)) << "rows start white";
    Pixels source(7, 2, Gradient);
    CopyBits(source.bits(), &port_.port()->portBits, &source.pm.bounds, &frame, srcCopy, nullptr);
    b = HandleBytes(reinterpret_cast<Handle>(pic));
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 7; ++x) {
            const uint32_t c = Gradient(x, y);
            EXPECT_EQ(b[50 + 1024 + (1 - y) * 8 + x], nearest(c >> 16, (c >> 8) & 0xFF, c & 0xFF));
        }
    DisposeCTable(standard);
    ClosePicture();
    KillPicture(pic);
}

// A closed 9 x 5 clipboard picture of the gradient, filled through `port`, its C bit set.
PicHandle GradientScrapPicture(GrafPtr port)
{
    const Rect frame{0, 0, 5, 9};
    Pixels source(9, 5, Gradient);
    PicHandle pic = ZEL_OpenScrapPict(&frame);
    CopyBits(source.bits(), &port->portBits, &source.pm.bounds, &frame, srcCopy, nullptr);
    ClosePicture();
    HSetCBit(reinterpret_cast<Handle>(pic));
    return pic;
}

TEST_F(ScrapPicture, DrawPictureDrawsTheBodyAtItsSize)
{
    PicHandle pic = GradientScrapPicture(port_.port());
    DibPort target(30, 20);
    SetPor(target.port());
    const Rect dst{4, 6, 40, 40}; // its size is not used
    DrawPicture(pic, &dst);
    int wrong = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 30; ++x) {
            const bool inside = x >= 6 && x < 15 && y >= 4 && y < 9;
            const uint32_t c = inside ? Gradient(x - 6, y - 4) : 0xFFFFFF;
            wrong += target.surface().Pixel(x, y) != RGB(c >> 16, (c >> 8) & 0xFF, c & 0xFF);
        }
    EXPECT_EQ(wrong, 0);

    // Bodies that do not hold together draw nothing.
    const Bytes good = HandleBytes(reinterpret_cast<Handle>(pic));
    struct Bad {
        const char *what;
        size_t offset;
        uint32_t value;
        int bytes;
    } bad[] = {{"biSize 12", 10, 12, 4}, {"compression 1", 26, 1, 4}, {"4 bits", 24, 4, 2}, {"32 bits", 24, 32, 2},
               {"colours used past 256", 42, 300, 4}, {"height past the handle", 18, 50, 4}};
    for (const Bad &c : bad) {
        SCOPED_TRACE(c.what);
        Bytes m = good;
        std::memcpy(&m[c.offset], &c.value, c.bytes);
        Handle h = NewHandle(static_cast<Size>(m.size()));
        std::memcpy(*h, m.data(), m.size());
        HSetCBit(h);
        target.surface().Fill(RGB(255, 255, 255));
        DrawPicture(reinterpret_cast<PicHandle>(h), &dst);
        int drawn = 0;
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 30; ++x)
                drawn += target.surface().Pixel(x, y) != RGB(255, 255, 255);
        EXPECT_EQ(drawn, 0);
        DisposeHandle(h);
    }
    SetPor(port_.port());
    KillPicture(pic);
    EXPECT_EQ(ZEL_MemCheck(), 1);
}

constexpr uint32_t kDibGWorldSwitch = 0x8000;
constexpr int16_t kOffscreenBitmapsSetting = 41;

// The body drawn into GWorlds of each depth: a 32-bit world holds the source pixels, a 16-bit one their
// 1-5-5-5 form (each component's high five bits), and an 8-bit one nothing, as it has no direct pixels.
TEST_F(ScrapPicture, DrawPictureIntoGWorldsOfEachDepth)
{
    PicHandle pic = GradientScrapPicture(port_.port());
    for (int depth : {32, 16, 8}) {
        SCOPED_TRACE(depth);
        GWorldPtr gw = nullptr;
        const Rect bounds{0, 0, 12, 16};
        // Worlds of the depth asked: DIB worlds, with offscreen bitmaps of any depth.
        ZEL_SetFlags(0, 0, kDibGWorldSwitch, kDibGWorldSwitch);
        ZEL_SystemValue(1, kOffscreenBitmapsSetting, 1);
        const OSErr made = NewGWorld(&gw, static_cast<int16_t>(depth), &bounds, nullptr, nullptr, 0);
        ZEL_SetFlags(0, 0, kDibGWorldSwitch, 0);
        ZEL_SystemValue(1, kOffscreenBitmapsSetting, 0);
        ASSERT_EQ(made, 0);
        ASSERT_EQ((*GetGWorldPixMap(gw))->pixelSize, depth);
        SetGWorld(gw, nullptr);
        EraseRect(&bounds);
        const Rect dst{3, 2, 8, 11};
        DrawPicture(pic, &dst);
        PixMapHandle pm = GetGWorldPixMap(gw);
        HDC dc = (*pm)->pmExtMemDC ? (*pm)->pmExtMemDC : (*pm)->pmExtDC;
        GdiFlush();
        int wrong = 0;
        for (int y = 0; y < 12; ++y)
            for (int x = 0; x < 16; ++x) {
                const bool inside = depth != 8 && x >= 2 && x < 11 && y >= 3 && y < 8;
                const uint32_t c = inside ? Gradient(x - 2, y - 3) : 0xFFFFFF;
                const COLORREF got = GetPixel(dc, x, y);
                if (depth == 16 && inside)
                    wrong += (GetRValue(got) >> 3) != (c >> 19 & 31) || (GetGValue(got) >> 3) != (c >> 11 & 31) ||
                             (GetBValue(got) >> 3) != (c >> 3 & 31);
                else
                    wrong += got != RGB(c >> 16, (c >> 8) & 0xFF, c & 0xFF);
            }
        EXPECT_EQ(wrong, 0);
        SetGWorld(reinterpret_cast<CGrafPtr>(port_.port()), nullptr);
        DisposeGWorld(gw);
    }
    SetPor(port_.port());
    KillPicture(pic);
    EXPECT_EQ(ZEL_MemCheck(), 1);
}

} // namespace

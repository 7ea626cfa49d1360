// Rebinding a port's pixels: SetPortPix moving a colour port onto a PixMap drawn through its own DC
// (pixels land there, the bounds' top-left becomes the origin), handles that are only stored, and back;
// SetPortBits leaving a colour port alone; ZEL_OffScreenDC's DCs and which of them the next port owns;
// CopyPixMap and CopyPixPat copying contents into the destination's own handles (a copied pattern then
// draws as its source); MakeRGBPat's solid colour.
#include <gtest/gtest.h>

#include "Quickdraw.h"
#include "MacMemory.h"
#include "Zel.h"
#include <cstring>
#include "qd_fixture.h"

using namespace testing_support;

namespace {

constexpr int kWidth = 16, kHeight = 12;
const COLORREF kWhite = RGB(255, 255, 255), kBlack = RGB(0, 0, 0);

class PortPixels : public QuickDrawTest {};

// A PixMap drawn through `dc`, with the given bounds (its baseAddr a real address, as a bound PixMap's).
PixMapHandle DcBackedPixMap(HDC dc, const Rect &bounds)
{
    static char rows[kWidth * kHeight * 4];
    PixMapHandle pm = NewPixMap();
    (*pm)->baseAddr = rows;
    (*pm)->pmVersion = static_cast<int16_t>(0xC000);
    (*pm)->pmExtFlags |= pmExtDibAttached;
    (*pm)->pmExtDC = dc;
    (*pm)->bounds = bounds;
    return pm;
}

int CountColour(DibSurface &surface, COLORREF colour, const RECT &area)
{
    int n = 0;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            n += surface.Pixel(x, y) == colour;
    return n;
}

TEST_F(PortPixels, DcBackedPixMapTakesTheDrawingAndTheOriginFollowsItsBounds)
{
    struct Case {
        const char *name;
        Rect bounds;      // the new PixMap's bounds
        Rect paint;       // painted in local coordinates
        RECT expected;    // where the black lands on the new surface
    } cases[] = {
        {"same top-left", {0, 0, kHeight, kWidth}, {2, 3, 6, 8}, {3, 2, 8, 6}},
        {"moved top-left", {4, 6, 4 + kHeight, 6 + kWidth}, {6, 8, 9, 12}, {2, 2, 6, 5}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        DibSurface target(kWidth, kHeight);
        DibPort port(kWidth, kHeight);
        SetPor(port.port());
        PixMapHandle original = port.cport()->portPixMap;
        PixMapHandle pm = DcBackedPixMap(target.dc(), c.bounds);
        EXPECT_TRUE(SetPortPix(pm));
        EXPECT_EQ(port.cport()->portPixMap, pm);
        const Rect wide = {-100, -100, 100, 100};
        ClipRect(&wide);
        const RGBColor black = {0, 0, 0};
        RGBForeColor(&black);
        PaintRect(&c.paint);
        const RECT whole = {0, 0, kWidth, kHeight};
        const int area = (c.expected.right - c.expected.left) * (c.expected.bottom - c.expected.top);
        EXPECT_EQ(CountColour(target, kBlack, c.expected), area);
        EXPECT_EQ(CountColour(target, kBlack, whole), area) << "black outside the painted rectangle";
        EXPECT_EQ(CountColour(port.surface(), kWhite, whole), kWidth * kHeight) << "the old surface was drawn on";
        EXPECT_TRUE(SetPortPix(original));
        EXPECT_EQ(port.cport()->portPixMap, original);
        SetPor(WindowManagerPort());
        port.Close();
        DisposePixMap(pm);
    }
}

TEST_F(PortPixels, NilAndMarkerHandlesAreOnlyStored)
{
    DibPort port(kWidth, kHeight);
    SetPor(port.port());
    PixMapHandle original = port.cport()->portPixMap;
    for (uintptr_t value : {uintptr_t{0}, uintptr_t{0xFFFF}}) {
        PixMapHandle marker = reinterpret_cast<PixMapHandle>(value);
        EXPECT_TRUE(SetPortPix(marker));
        EXPECT_EQ(port.cport()->portPixMap, marker);
        EXPECT_TRUE(SetPortPix(original));
        EXPECT_EQ(port.cport()->portPixMap, original);
    }
    // Drawing still reaches the port's own surface.
    const RGBColor black = {0, 0, 0};
    RGBForeColor(&black);
    const Rect r = {1, 1, 3, 3};
    PaintRect(&r);
    EXPECT_EQ(port.surface().Pixel(1, 1), kBlack);
    EXPECT_EQ(port.surface().Pixel(3, 3), kWhite);
}

TEST_F(PortPixels, SetPortBitsLeavesAColourPortAlone)
{
    DibPort port(kWidth, kHeight);
    SetPor(port.port());
    const CGrafPort before = *port.cport();
    BitMap bm{};
    bm.rowBytes = 2;
    bm.bounds = Rect{0, 0, 8, 8};
    EXPECT_TRUE(SetPortBits(&bm));
    EXPECT_EQ(port.cport()->portPixMap, before.portPixMap);
    EXPECT_EQ(port.cport()->portVersion, before.portVersion);
}

TEST_F(PortPixels, OffScreenDcIsTakenByTheNextPortAndOwnedUnlessThePixMapKeepsIt)
{
    DibPort current(kWidth, kHeight);
    SetPor(current.port());
    struct Case {
        int16_t mode;
        bool display;   // a DC on the display rather than a memory DC
        bool survives;  // still a DC after the port that took it closes
    } cases[] = {{0, false, false}, {1, false, true}, {2, true, true}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.mode);
        SetPor(current.port());
        PixMapHandle pm = NewPixMap();
        HDC dc = ZEL_OffScreenDC(pm, c.mode);
        ASSERT_NE(dc, nullptr);
        EXPECT_EQ(GetObjectType(dc), static_cast<DWORD>(c.display ? OBJ_DC : OBJ_MEMDC));
        if (c.mode & 2) {
            EXPECT_EQ((*pm)->pmExtDC, dc) << "the display DC is kept in the PixMap";
        }
        CGrafPort next{};
        OpenCPort(&next);
        CloseCPort(&next);
        EXPECT_EQ(GetObjectType(dc) != 0, c.survives);
        if (c.mode & 2)
            DeleteDC(dc);
        DisposePixMap(pm);
    }
    SetPor(WindowManagerPort());
}

// A colour table handle of `entries` colours, entry i = (i * 0x1111, 0x2222, 0xF000 - i).
CTabHandle TableOf(int entries, uint32_t seed)
{
    Handle h = NewHandle(static_cast<Size>(8 + 8 * entries));
    CTabPtr t = reinterpret_cast<CTabPtr>(*h);
    t->ctSeed = static_cast<int32_t>(seed);
    t->ctFlags = 0;
    t->ctSize = static_cast<int16_t>(entries - 1);
    for (int i = 0; i < entries; ++i)
        t->ctTable[i] = ColorSpec{static_cast<int16_t>(i), RGBColor{static_cast<uint16_t>(i * 0x1111), 0x2222,
                                                                    static_cast<uint16_t>(0xF000 - i)}};
    return reinterpret_cast<CTabHandle>(h);
}

TEST_F(PortPixels, CopyPixMapFillsTheDestinationsOwnTable)
{
    PixMapHandle src = NewPixMap(), dst = NewPixMap();
    CTabHandle srcKept = (*src)->pmTable, dstKept = (*dst)->pmTable;
    CTabHandle srcTable = TableOf(4, 77), dstTable = TableOf(2, 5);
    (*src)->pmTable = srcTable;
    (*dst)->pmTable = dstTable;
    (*src)->bounds = Rect{1, 2, 30, 40};
    (*src)->rowBytes = static_cast<int16_t>(0x8000 | 40);
    (*src)->pixelSize = 8;
    (*src)->cmpCount = 1;
    const uint16_t dstExtFlags = (*dst)->pmExtFlags;
    CopyPixMap(src, dst);
    EXPECT_EQ((*dst)->pmTable, dstTable) << "dst keeps its table handle";
    EXPECT_EQ(0, std::memcmp(&(*dst)->bounds, &(*src)->bounds, sizeof(Rect)));
    EXPECT_EQ((*dst)->rowBytes, (*src)->rowBytes);
    EXPECT_EQ((*dst)->pixelSize, 8);
    EXPECT_EQ((*dst)->pmExtFlags, dstExtFlags) << "the extension is dst's own";
    ASSERT_EQ(GetHandleSize(reinterpret_cast<Handle>(dstTable)), GetHandleSize(reinterpret_cast<Handle>(srcTable)));
    EXPECT_EQ(0, std::memcmp(*dstTable, *srcTable, 8 + 8 * 4));
    (*src)->pmTable = srcKept;
    (*dst)->pmTable = dstKept;
    DisposeHandle(reinterpret_cast<Handle>(srcTable));
    DisposeHandle(reinterpret_cast<Handle>(dstTable));
    DisposePixMap(src);
    DisposePixMap(dst);
}

TEST_F(PortPixels, CopyPixPatCopiesFieldsAndContentsNotHandles)
{
    PixPatHandle src = NewPixPat(), dst = NewPixPat();
    const Pattern pat = {{0x81, 0x42, 0x24, 0x18, 0x18, 0x24, 0x42, 0x81}};
    (*src)->patType = 1;
    (*src)->patXValid = -1;
    (*src)->pat1Data = pat;
    (*(*src)->patMap)->bounds = Rect{0, 0, 8, 8};
    const char bytes[] = "pattern rows";
    Handle srcData = (*src)->patData;
    ASSERT_NE(srcData, nullptr);
    SetHandleSize(srcData, sizeof bytes);
    std::memcpy(*srcData, bytes, sizeof bytes);
    Handle dstData = (*dst)->patData;
    PixMapHandle dstMap = (*dst)->patMap;
    CopyPixPat(src, dst);
    EXPECT_EQ((*dst)->patType, 1);
    EXPECT_EQ((*dst)->patXValid, -1);
    EXPECT_EQ(0, std::memcmp(&(*dst)->pat1Data, &pat, sizeof pat));
    EXPECT_EQ((*dst)->patMap, dstMap);
    EXPECT_EQ((*dstMap)->bounds.right, 8);
    EXPECT_EQ((*dst)->patData, dstData) << "dst keeps its data handle";
    ASSERT_EQ(GetHandleSize(dstData), static_cast<Size>(sizeof bytes));
    EXPECT_STREQ(*dstData, bytes);
    DisposePixPat(src);
    DisposePixPat(dst);
}

// The colour of each RGB pattern fills the rectangle solid; making the same PixPat again with another
// colour must not keep the brush of the first. A pattern copied onto one whose brush is already made
// draws as the copy, colour included.
TEST_F(PortPixels, RgbPatternsDrawTheirColourAlsoWhenRemadeOrCopied)
{
    DibPort target(kWidth, kHeight);
    SetPor(target.port());
    const Rect r{2, 3, 9, 12};
    const RECT inside{3, 2, 12, 9};
    const int area = (inside.right - inside.left) * (inside.bottom - inside.top);
    struct Colour {
        RGBColor rgb;
        COLORREF pixel;
    } colours[] = {
        {{0xFFFF, 0x8080, 0x0000}, RGB(0xFF, 0x80, 0x00)},
        {{0x0000, 0x4040, 0xC0C0}, RGB(0x00, 0x40, 0xC0)},
        {{0x0000, 0x0000, 0x0000}, kBlack},
    };

    PixPatHandle pp = NewPixPat();
    ASSERT_NE(pp, nullptr);
    for (const Colour &c : colours) {
        SCOPED_TRACE(c.pixel);
        MakeRGBPat(pp, &c.rgb);
        EXPECT_EQ((*pp)->patType, 2);
        EXPECT_EQ(0, std::memcmp(&(*pp)->pat1Data, &QuickDrawGlobals().black, sizeof(Pattern)));
        EraseRect(&target.port()->portRect);
        FillCRect(&r, pp);
        EXPECT_EQ(CountColour(target.surface(), c.pixel, inside), area);
        EXPECT_EQ(CountColour(target.surface(), kWhite, RECT{0, 0, kWidth, kHeight}), kWidth * kHeight - area);
    }

    // dst's brush is made (for a one-bit gray pattern), then an RGB pattern is copied onto it.
    PixPatHandle dst = NewPixPat();
    ASSERT_NE(dst, nullptr);
    (*dst)->pat1Data = QuickDrawGlobals().gray;
    (*dst)->patXValid = -1;
    FillCRect(&r, dst);
    MakeRGBPat(pp, &colours[0].rgb);
    CopyPixPat(pp, dst);
    EraseRect(&target.port()->portRect);
    FillCRect(&r, dst);
    EXPECT_EQ(CountColour(target.surface(), colours[0].pixel, inside), area);
    DisposePixPat(dst);
    DisposePixPat(pp);
    SetPor(WindowManagerPort());
}

} // namespace

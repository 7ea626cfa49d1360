// QuickDraw's utility calls: point and rectangle arithmetic against pixel-set and floating-point
// references, mapping and scaling, PtToAngle round a circle, Random's sequence, StuffHex, port geometry,
// device attributes, search-procedure lists and the device loop.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <set>
#include <utility>
#include <vector>

#include "MacMemory.h"
#include "Quickdraw.h"
#include "qd_fixture.h"

using namespace testing_support;

namespace {

Rect R(int16_t left, int16_t top, int16_t right, int16_t bottom) { return Rect{top, left, bottom, right}; }

std::set<std::pair<int, int>> Pixels(const Rect &r)
{
    std::set<std::pair<int, int>> s;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            s.insert({x, y});
    return s;
}

const Rect kRects[] = {
    R(0, 0, 10, 10), R(5, 5, 15, 15), R(10, 0, 20, 10), R(2, 3, 4, 8), R(-6, -4, 3, 2),
    R(12, 12, 12, 20), R(8, 9, 3, 1), R(0, 10, 10, 20), R(3, -2, 7, 30),
};

class Utilities : public QuickDrawTest {};

} // namespace

// SectRect covers exactly the pixels both rectangles cover; touching, disjoint and empty operands give
// FALSE and an all-zero rectangle.
TEST_F(Utilities, SectRectCoversTheCommonPixels)
{
    for (const Rect &a : kRects)
        for (const Rect &b : kRects) {
            std::set<std::pair<int, int>> common;
            const auto pa = Pixels(a), pb = Pixels(b);
            std::set_intersection(pa.begin(), pa.end(), pb.begin(), pb.end(), std::inserter(common, common.end()));
            Rect dst = R(99, 99, 99, 99);
            const bool result = SectRect(&a, &b, &dst);
            EXPECT_EQ(result, !common.empty()) << a.left << "," << a.top << " / " << b.left << "," << b.top;
            if (common.empty())
                EXPECT_TRUE(dst.left == 0 && dst.top == 0 && dst.right == 0 && dst.bottom == 0);
            else
                EXPECT_EQ(Pixels(dst), common);
        }
}

// UnionRec holds every pixel of both operands and no more rows or columns than it must; empty
// operands are not skipped, and an inverted one contributes its sides as they stand.
TEST_F(Utilities, UnionRecEnclosesBothOperands)
{
    for (const Rect &a : kRects)
        for (const Rect &b : kRects) {
            if (EmptyRect(&a) || EmptyRect(&b))
                continue;
            Rect dst{};
            UnionRec(&a, &b, &dst);
            auto inside = Pixels(dst);
            for (const Rect *operand : {&a, &b})
                for (const auto &p : Pixels(*operand))
                    EXPECT_TRUE(inside.count(p));
            // Each side is one of the operands' sides.
            EXPECT_TRUE(dst.left == a.left || dst.left == b.left);
            EXPECT_TRUE(dst.top == a.top || dst.top == b.top);
            EXPECT_TRUE(dst.right == a.right || dst.right == b.right);
            EXPECT_TRUE(dst.bottom == a.bottom || dst.bottom == b.bottom);
        }
    const struct {
        Rect a, b, result;
    } cases[] = {
        {R(0, 0, 10, 10), R(30, 40, 30, 50), R(0, 0, 30, 50)},   // an empty operand still counts
        {R(0, 0, 10, 10), R(8, 9, 3, 1), R(0, 0, 10, 10)},       // inverted: its left 8 and top 9 lose
        {R(5, 5, 6, 6), R(-3, 2, 4, 20), R(-3, 2, 6, 20)},
    };
    for (const auto &c : cases) {
        Rect dst{};
        UnionRec(&c.a, &c.b, &dst);
        EXPECT_TRUE(EqualRec(&dst, &c.result)) << dst.left << "," << dst.top << "," << dst.right << "," << dst.bottom;
    }
}

TEST_F(Utilities, PointsAndRectanglesStoreCompareAndTest)
{
    Point p{};
    SetPt(&p, 32767, -32768);
    AddPt(Point{1, 1}, &p); // (v, h)
    EXPECT_EQ(p.h, -32768);
    EXPECT_EQ(p.v, -32767);
    SubPt(Point{2, 1}, &p);
    EXPECT_EQ(p.h, 32767);
    EXPECT_EQ(p.v, 32767);
    EXPECT_TRUE(EqualPt(Point{3, 4}, Point{3, 4}));
    EXPECT_FALSE(EqualPt(Point{3, 4}, Point{4, 3}));

    Rect r{};
    SetRec(&r, 1, 2, 30, 40);
    EXPECT_TRUE(r.left == 1 && r.top == 2 && r.right == 30 && r.bottom == 40);
    OffsetRec(&r, -1, 3);
    EXPECT_TRUE(r.left == 0 && r.top == 5 && r.right == 29 && r.bottom == 43);
    InsetRec(&r, 2, -1);
    EXPECT_TRUE(r.left == 2 && r.top == 4 && r.right == 27 && r.bottom == 44);
    Rect same = r, other = r;
    other.bottom++;
    EXPECT_TRUE(EqualRec(&r, &same));
    EXPECT_FALSE(EqualRec(&r, &other));

    const struct {
        Rect r;
        bool empty;
    } empties[] = {{R(0, 0, 1, 1), false}, {R(0, 0, 0, 5), true}, {R(0, 5, 5, 5), true}, {R(5, 5, 1, 9), true}};
    for (const auto &c : empties)
        EXPECT_EQ(EmptyRect(&c.r) != 0, c.empty);

    // Right and bottom edges lie outside.
    const Rect box = R(10, 20, 30, 40);
    const struct {
        int16_t h, v;
        bool inside;
    } points[] = {{10, 20, true}, {29, 39, true}, {30, 25, false}, {15, 40, false}, {9, 25, false}, {15, 19, false}};
    for (const auto &c : points)
        EXPECT_EQ(PtInRec(Point{c.v, c.h}, &box) != 0, c.inside) << c.h << "," << c.v;

    Rect spanned{};
    Pt2Rect(Point{30, 5}, Point{10, 20}, &spanned);
    EXPECT_TRUE(spanned.left == 5 && spanned.top == 10 && spanned.right == 20 && spanned.bottom == 30);
}

// MapPt against the rational mapping rounded half away from zero, clamped to 16 bits; a zero-width
// source gives the destination's edge when it is zero-width too, else 0. MapRect maps both corners.
TEST_F(Utilities, MapPtMatchesTheRoundedMapping)
{
    const Rect sources[] = {R(0, 0, 3, 7), R(-10, 5, 10, 25), R(4, 4, 1, 2), R(0, 0, 1, 1)};
    const Rect destinations[] = {R(0, 0, 10, 10), R(-5, 100, 2, 103), R(20, 20, 5, 5), R(0, 0, 30000, 30000)};
    const int16_t coords[] = {-7, 0, 1, 2, 5, 11, 24, 1000};
    auto reference = [](int c, int sl, int sr, int dl, int dr) {
        const double mapped = double(c - sl) * (dr - dl) / (sr - sl) + dl;
        return static_cast<int16_t>(std::clamp<double>(std::round(mapped), -32768, 32767));
    };
    for (const Rect &src : sources)
        for (const Rect &dst : destinations)
            for (int16_t h : coords)
                for (int16_t v : {int16_t(3), int16_t(-4), int16_t(17)}) {
                    Point p{v, h};
                    MapPt(&p, &src, &dst);
                    EXPECT_EQ(p.h, reference(h, src.left, src.right, dst.left, dst.right)) << h;
                    EXPECT_EQ(p.v, reference(v, src.top, src.bottom, dst.top, dst.bottom)) << v;
                }

    const Rect flat = R(5, 0, 5, 10), flatDst = R(8, 0, 8, 20), wide = R(8, 0, 20, 20);
    Point p{4, 9};
    MapPt(&p, &flat, &flatDst);
    EXPECT_EQ(p.h, 8);
    EXPECT_EQ(p.v, 8);
    p = Point{4, 9};
    MapPt(&p, &flat, &wide);
    EXPECT_EQ(p.h, 0);

    Rect r = R(1, 2, 3, 5);
    const Rect src = R(0, 0, 10, 10), dst = R(100, 50, 120, 80);
    MapRect(&r, &src, &dst);
    EXPECT_TRUE(r.left == 102 && r.top == 56 && r.right == 106 && r.bottom == 65);
}

// MapPoly maps every point and the polygon's box.
TEST_F(Utilities, MapPolyMapsPointsAndBox)
{
    const int count = 3;
    Handle h = NewHandle(10 + 4 * count);
    ASSERT_NE(h, nullptr);
    auto *poly = reinterpret_cast<struct Polygon *>(*h);
    poly->polySize = 10 + 4 * count;
    poly->polyBBox = R(0, 0, 10, 10);
    poly->polyPoints[0] = Point{0, 0};
    poly->polyPoints[1] = Point{5, 10};
    poly->polyPoints[2] = Point{10, 3};
    const Rect src = R(0, 0, 10, 10), dst = R(20, 0, 40, 5);
    MapPoly(reinterpret_cast<PolyHandle>(h), &src, &dst);
    poly = reinterpret_cast<struct Polygon *>(*h);
    const Point expected[] = {{0, 20}, {3, 40}, {5, 26}}; // (v, h): 2.5 rounds away from zero
    for (int i = 0; i < count; ++i) {
        EXPECT_EQ(poly->polyPoints[i].h, expected[i].h) << i;
        EXPECT_EQ(poly->polyPoints[i].v, expected[i].v) << i;
    }
    EXPECT_TRUE(poly->polyBBox.left == 20 && poly->polyBBox.top == 0 && poly->polyBBox.right == 40 &&
                poly->polyBBox.bottom == 5);
    DisposeHandle(h);
}

// ScalePt scales a distance by the rectangles' size ratio, rounding as MulDiv does.
TEST_F(Utilities, ScalePtScalesByTheSizeRatio)
{
    const struct {
        Rect src, dst;
        int16_t h, v, h2, v2;
    } cases[] = {
        {R(0, 0, 100, 100), R(0, 0, 50, 200), 10, 20, 5, 40},
        {R(5, 5, 7, 9), R(0, 0, 1, 1), 3, 6, 2, 2},    // 1.5 and 1.5 round up
        {R(0, 0, 3, 3), R(0, 0, -6, 3), 4, -4, -8, -4}, // a negative width turns the sign
    };
    for (const auto &c : cases) {
        Point p{c.v, c.h};
        ScalePt(&p, &c.src, &c.dst);
        EXPECT_EQ(p.h, c.h2);
        EXPECT_EQ(p.v, c.v2);
    }
}

// PtToAngle round a circle agrees with atan2 to the nearest degree, clockwise from straight up; the
// centre lines give exact quarters, and a wide rectangle's corners give the diagonals.
TEST_F(Utilities, PtToAngleFollowsACircleOfPoints)
{
    const Rect square = R(0, 0, 200, 200);
    for (int degree = 0; degree < 360; degree += 3) {
        const double a = degree * M_PI / 180.0;
        const int16_t h = static_cast<int16_t>(std::lround(100 + 90 * std::sin(a)));
        const int16_t v = static_cast<int16_t>(std::lround(100 - 90 * std::cos(a)));
        double expected = std::atan2(double(h - 100), double(100 - v)) * 180.0 / M_PI;
        if (expected < 0)
            expected += 360;
        int16_t angle = -1;
        PtToAngle(&square, Point{v, h}, &angle);
        EXPECT_EQ(angle, static_cast<int16_t>(std::lround(expected) % 360)) << "degree " << degree;
    }
    const Rect wide = R(0, 0, 200, 100);
    const struct {
        int16_t h, v, angle;
    } fixed[] = {{100, 0, 0}, {100, 100, 180}, {0, 50, 270}, {200, 50, 90},
                 {200, 100, 135}, {200, 0, 45}, {0, 100, 225}, {0, 0, 315}};
    for (const auto &c : fixed) {
        int16_t angle = -1;
        PtToAngle(&wide, Point{c.v, c.h}, &angle);
        EXPECT_EQ(angle, c.angle) << c.h << "," << c.v;
    }
    int16_t corner = -1;
    PtToAngle(&square, Point{200, 200}, &corner);
    EXPECT_EQ(corner, 135);
}

// Random follows Park and Miller's generator from the library's own seed 0x01234567, returning the
// seed's bits 14..29; randSeed is left alone. Nothing else in this program calls Random.
TEST_F(Utilities, RandomFollowsTheMinimalStandardGenerator)
{
    int64_t seed = 0x01234567;
    for (int i = 0; i < 8; ++i) {
        seed = seed * 16807 % 0x7FFFFFFF;
        EXPECT_EQ(Random(), static_cast<int16_t>((seed >> 14) & 0xFFFF)) << "call " << i;
    }
}

TEST_F(Utilities, StuffHexPacksDigitsHighNibbleFirst)
{
    const struct {
        const char *digits;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {"0aF3", {0x0A, 0xF3, 0xEE}},
        {"ABC", {0xAB, 0xC0, 0xEE}},
        {"19fe27", {0x19, 0xFE, 0x27}},
    };
    for (const auto &c : cases) {
        uint8_t text[16] = {static_cast<uint8_t>(std::strlen(c.digits))};
        std::memcpy(text + 1, c.digits, text[0]);
        uint8_t out[3] = {0xEE, 0xEE, 0xEE};
        StuffHex(reinterpret_cast<Ptr>(out), text);
        EXPECT_EQ(std::vector<uint8_t>(out, out + 3), c.bytes) << c.digits;
    }
    EXPECT_EQ(QDError(), 0);
}

// InvertColor gives the complementary colour; greys, which have no hue, stay as they are.
TEST_F(Utilities, InvertColorTurnsTheHueHalfWayRound)
{
    const struct {
        RGBColor in, out;
    } cases[] = {
        {{0xFFFF, 0, 0}, {0, 0xFFFF, 0xFFFF}},      // red to cyan
        {{0, 0, 0xFFFF}, {0xFFFF, 0xFFFF, 0}},      // blue to yellow (the hue goes back round)
        {{0, 0x8000, 0}, {0x8000, 0, 0x8000}},      // dark green to purple
        {{0x4000, 0x4000, 0x4000}, {0x4000, 0x4000, 0x4000}},
    };
    auto close = [](uint16_t a, uint16_t b) { return std::abs(int(a) - int(b)) <= 0x0200; };
    for (const auto &c : cases) {
        RGBColor rgb = c.in;
        InvertColor(&rgb);
        EXPECT_TRUE(close(rgb.red, c.out.red) && close(rgb.green, c.out.green) && close(rgb.blue, c.out.blue))
            << std::hex << c.in.red << "," << c.in.green << "," << c.in.blue << " became " << rgb.red << ","
            << rgb.green << "," << rgb.blue;
    }
}

// PortSize keeps the top-left corner; MovePortTo keeps the size.
TEST_F(Utilities, PortSizeAndMovePortToReshapePortRect)
{
    DibPort port(20, 20);
    SetPor(port.port());
    PortSize(7, 9);
    Rect r = port.port()->portRect;
    EXPECT_TRUE(r.left == 0 && r.top == 0 && r.right == 7 && r.bottom == 9);
    MovePortTo(-3, 4);
    r = port.port()->portRect;
    EXPECT_TRUE(r.left == -3 && r.top == 4 && r.right == 4 && r.bottom == 13);
}

// Device attributes: bit numbers wrap at 32, only gdFlags' own 16 bits exist.
TEST_F(Utilities, DeviceAttributesSetAndTestOneBit)
{
    GDHandle gd = GetGDevice();
    ASSERT_NE(gd, nullptr);
    const int16_t saved = (*gd)->gdFlags;
    (*gd)->gdFlags = 0;
    SetDeviceAttribute(gd, 3, true);
    EXPECT_EQ((*gd)->gdFlags, 0x0008);
    EXPECT_TRUE(TestDeviceAttribute(gd, 35));
    SetDeviceAttribute(gd, 15, true);
    EXPECT_EQ(static_cast<uint16_t>((*gd)->gdFlags), 0x8008);
    SetDeviceAttribute(gd, 35, false);
    EXPECT_EQ(static_cast<uint16_t>((*gd)->gdFlags), 0x8000);
    EXPECT_FALSE(TestDeviceAttribute(gd, 3));
    SetDeviceAttribute(gd, 20, true);
    EXPECT_EQ(static_cast<uint16_t>((*gd)->gdFlags), 0x8000);
    (*gd)->gdFlags = saved;
}

namespace {
void ZEL_CALL SearchA() {}
void ZEL_CALL SearchB() {}

struct LoopCall {
    int16_t depth, flags;
    GDHandle gd;
    int32_t userData;
};
std::vector<LoopCall> gLoopCalls;
void ZEL_CALL RecordLoop(int16_t depth, int16_t flags, GDHandle gd, int32_t userData)
{
    gLoopCalls.push_back({depth, flags, gd, userData});
}

// The procedures on a device's search list, head first.
std::vector<uint32_t> SearchList(GDHandle gd)
{
    std::vector<uint32_t> procs;
    for (uint32_t entry = (*gd)->gdSearchProc; entry && procs.size() < 16;) {
        const auto *words = reinterpret_cast<const uint32_t *>(*reinterpret_cast<Handle>(uintptr_t(entry)));
        procs.push_back(words[1]);
        entry = words[0];
    }
    return procs;
}
uint32_t Word(ProcPtr p) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p)); }
} // namespace

// AddSearch pushes at the head; DelSearch unlinks the first entry of a procedure and leaves the rest.
TEST_F(Utilities, SearchProceduresPushAndUnlink)
{
    GDHandle gd = GetGDevice();
    ASSERT_NE(gd, nullptr);
    const std::vector<uint32_t> before = SearchList(gd);
    AddSearch(SearchA);
    AddSearch(SearchB);
    AddSearch(SearchA);
    std::vector<uint32_t> expected = {Word(SearchA), Word(SearchB), Word(SearchA)};
    expected.insert(expected.end(), before.begin(), before.end());
    EXPECT_EQ(SearchList(gd), expected);
    DelSearch(SearchB);
    expected.erase(expected.begin() + 1);
    EXPECT_EQ(SearchList(gd), expected);
    DelSearch(SearchA);
    DelSearch(SearchA);
    DelSearch(SearchA); // not on the list any more: nothing changes
    EXPECT_EQ(SearchList(gd), before);
}

// DeviceLoop calls the procedure once for the current device, with its depth and flags.
TEST_F(Utilities, DeviceLoopCallsOnceForTheCurrentDevice)
{
    GDHandle gd = GetGDevice();
    ASSERT_NE(gd, nullptr);
    gLoopCalls.clear();
    DeviceLoop(nullptr, RecordLoop, 0x1234567, 0);
    ASSERT_EQ(gLoopCalls.size(), 1u);
    EXPECT_EQ(gLoopCalls[0].depth, (*(*gd)->gdPMap)->pixelSize);
    EXPECT_EQ(gLoopCalls[0].flags, (*gd)->gdFlags);
    EXPECT_EQ(gLoopCalls[0].gd, gd);
    EXPECT_EQ(gLoopCalls[0].userData, 0x1234567);
}

namespace {

// The text scratch buffers: 512 from InitGraf; a smaller or equal request keeps them; a larger one
// reallocates both at exactly n bytes and 4n bytes; one that cannot be had keeps the old buffers and
// their capacity.
TEST(TextScratchBuffers, GrowOnlyUpwardAndKeepWhatTheyHaveWhenMemoryRunsOut)
{
    testing_support::QuickDrawGlobals();
    Ptr bytes = nullptr, longs = nullptr;
    const int32_t start = TextScratchBuffers(0, &bytes, &longs);
    ASSERT_GE(start, 512);
    ASSERT_NE(bytes, nullptr);
    ASSERT_NE(longs, nullptr);
    EXPECT_EQ(GetPtrSize(bytes), start);
    EXPECT_EQ(GetPtrSize(longs), 4 * start);

    struct Case {
        int32_t grow;
        bool reallocated;
    } cases[] = {{100, false}, {start, false}, {start + 1000, true}, {0x1FFFFFFF, false}};
    int32_t capacity = start;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.grow);
        Ptr oldBytes = bytes, oldLongs = longs;
        const int32_t now = TextScratchBuffers(c.grow, &bytes, &longs);
        if (c.reallocated) {
            EXPECT_EQ(now, c.grow);
            EXPECT_EQ(GetPtrSize(bytes), c.grow);
            EXPECT_EQ(GetPtrSize(longs), 4 * c.grow);
            capacity = now;
        } else {
            EXPECT_EQ(now, capacity);
            EXPECT_EQ(bytes, oldBytes);
            EXPECT_EQ(longs, oldLongs);
        }
        // The buffers are whole: their last bytes can be written.
        bytes[now - 1] = 1;
        longs[4 * now - 1] = 1;
    }
}

} // namespace

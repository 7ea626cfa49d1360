// Regions: set operations checked against pixel sets computed independently from the shapes'
// rectangles (every pixel of a window around the operands is sampled with PtInRgn), the collapse to the
// rectangle form, offsets with 16-bit wrap, insets and maps that rescale within the region's own box,
// and the point, rectangle, equality and emptiness tests.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "MacMemory.h"
#include "Quickdraw.h"
#include "qd_fixture.h"

using namespace testing_support;

namespace {

using PixelSet = std::set<std::pair<int, int>>;

// A shape: rectangles (left, top, right, bottom) added, then rectangles taken away.
struct Shape {
    const char *name;
    std::vector<Rect> add, remove;
};

Rect R(int16_t left, int16_t top, int16_t right, int16_t bottom) { return Rect{top, left, bottom, right}; }

const std::vector<Shape> kShapes = {
    {"empty", {}, {}},
    {"rect", {R(10, 10, 40, 30)}, {}},
    {"overlapping", {R(25, 20, 60, 50)}, {}},
    {"L", {R(10, 10, 20, 50), R(10, 40, 50, 50)}, {}},
    {"hole", {R(5, 5, 55, 55)}, {R(20, 20, 40, 40)}},
    {"two rects", {R(0, 0, 15, 15), R(30, 30, 45, 45)}, {}},
    {"far", {R(70, 70, 80, 80)}, {}},
};

constexpr int kWindow = 90;

PixelSet PixelsOf(const Shape &s)
{
    PixelSet set;
    for (const Rect &r : s.add)
        for (int v = r.top; v < r.bottom; ++v)
            for (int h = r.left; h < r.right; ++h)
                set.insert({h, v});
    for (const Rect &r : s.remove)
        for (int v = r.top; v < r.bottom; ++v)
            for (int h = r.left; h < r.right; ++h)
                set.erase({h, v});
    return set;
}

RgnHandle MakeShape(const Shape &s)
{
    RgnHandle rgn = NewRgn();
    RgnHandle part = NewRgn();
    for (const Rect &r : s.add) {
        RectRgn(part, &r);
        UnionRg(rgn, part, rgn);
    }
    for (const Rect &r : s.remove) {
        RectRgn(part, &r);
        DiffRgn(rgn, part, rgn);
    }
    DisposeRgn(part);
    return rgn;
}

PixelSet Sample(RgnHandle rgn, int from = -5, int to = kWindow)
{
    PixelSet set;
    for (int v = from; v < to; ++v)
        for (int h = from; h < to; ++h)
            if (PtInRgn(Point{static_cast<int16_t>(v), static_cast<int16_t>(h)}, rgn))
                set.insert({h, v});
    return set;
}

// The box the Macintosh keeps for a pixel set: its bounds, or (0,0,0,0) when empty.
Rect BoundsOf(const PixelSet &set)
{
    if (set.empty())
        return Rect{0, 0, 0, 0};
    int top = 32767, left = 32767, bottom = -32768, right = -32768;
    for (auto [h, v] : set) {
        left = std::min(left, h);
        right = std::max(right, h + 1);
        top = std::min(top, v);
        bottom = std::max(bottom, v + 1);
    }
    return R(left, top, right, bottom);
}

std::string BoxText(const Rect &r)
{
    return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom) + ")";
}

// True when the region is in the rectangle form (its form word is the one a new region has).
bool InRectForm(RgnHandle rgn)
{
    RgnHandle fresh = NewRgn();
    bool same = (**rgn).rgnSize == 10 && (**rgn).rgnForm == (**fresh).rgnForm;
    DisposeRgn(fresh);
    return same;
}

// The region covers exactly the pixels of a GDI region (compared through a GDI-form copy).
bool SameRegionAs(RgnHandle rgn, HRGN gdi)
{
    RgnHandle copy = NewRgn();
    CopyRg(rgn, copy);
    HRGN h = ZEL_RgnSetToRealRectRgn(copy);
    bool same = h && EqualRgn(h, gdi) != 0;
    DisposeRgn(copy);
    return same;
}

// The four set operations and the pixel rule each stands for.
struct SetOp {
    const char *name;
    void(ZEL_CALL *call)(RgnHandle, RgnHandle, RgnHandle);
    bool (*in)(bool, bool);
};
const SetOp kSetOps[] = {
    {"SectRgn", SectRgn, [](bool a, bool b) { return a && b; }},
    {"UnionRg", UnionRg, [](bool a, bool b) { return a || b; }},
    {"DiffRgn", DiffRgn, [](bool a, bool b) { return a && !b; }},
    {"XorRg", XorRg, [](bool a, bool b) { return a != b; }},
};

class Regions : public QuickDrawTest {};

TEST_F(Regions, NewAndSetRectKeepTheBoxAsGiven)
{
    RgnHandle rgn = NewRgn();
    ASSERT_NE(rgn, nullptr);
    EXPECT_EQ((**rgn).rgnSize, 10);
    EXPECT_EQ(BoxText((**rgn).rgnBBox), "(0,0,0,0)");
    EXPECT_TRUE(InRectForm(rgn));
    EXPECT_TRUE(EmptyRgn(rgn));
    SetRectRg(rgn, 10, 20, 110, 220);
    EXPECT_EQ(BoxText((**rgn).rgnBBox), "(10,20,110,220)");
    SetRectRg(rgn, -30000, -30000, 30000, 30000); // unclamped
    EXPECT_EQ(BoxText((**rgn).rgnBBox), "(-30000,-30000,30000,30000)");
    SetEmptyRgn(rgn);
    EXPECT_TRUE(EmptyRgn(rgn));
    DisposeRgn(rgn);
    DisposeRgn(nullptr); // no effect
}

TEST_F(Regions, ShapesHoldTheirPixels)
{
    for (const Shape &s : kShapes) {
        RgnHandle rgn = MakeShape(s);
        PixelSet expected = PixelsOf(s);
        EXPECT_EQ(Sample(rgn), expected) << s.name;
        EXPECT_EQ(BoxText((**rgn).rgnBBox), BoxText(BoundsOf(expected))) << s.name;
        EXPECT_EQ(EmptyRgn(rgn) != 0, expected.empty()) << s.name;
        DisposeRgn(rgn);
    }
}

// Every pair of shapes under every operation, with the result in a third region and in each operand.
TEST_F(Regions, SetOperationsMatchThePixelSets)
{
    for (const SetOp &op : kSetOps)
        for (const Shape &sa : kShapes)
            for (const Shape &sb : kShapes) {
                const PixelSet pa = PixelsOf(sa), pb = PixelsOf(sb);
                PixelSet expected;
                for (int v = -5; v < kWindow; ++v)
                    for (int h = -5; h < kWindow; ++h)
                        if (op.in(pa.count({h, v}) != 0, pb.count({h, v}) != 0))
                            expected.insert({h, v});
                const std::string what = std::string(op.name) + " " + sa.name + ", " + sb.name;
                for (int target = 0; target < 3; ++target) {
                    RgnHandle a = MakeShape(sa), b = MakeShape(sb);
                    RgnHandle dst = target == 0 ? NewRgn() : target == 1 ? a : b;
                    op.call(a, b, dst);
                    EXPECT_EQ(Sample(dst), expected) << what << " into " << target;
                    EXPECT_EQ(BoxText((**dst).rgnBBox), BoxText(BoundsOf(expected))) << what << " into " << target;
                    if (target == 0) { // the operands are unchanged
                        EXPECT_EQ(Sample(a), pa) << what;
                        EXPECT_EQ(Sample(b), pb) << what;
                    }
                    if (target == 0)
                        DisposeRgn(dst);
                    DisposeRgn(a);
                    DisposeRgn(b);
                }
            }
}

TEST_F(Regions, RectangularResultsCollapseToTheRectangleForm)
{
    RgnHandle a = NewRgn(), b = NewRgn(), u = NewRgn(), s = NewRgn();
    SetRectRg(a, 0, 0, 20, 20);
    SetRectRg(b, 10, 10, 30, 30);
    UnionRg(a, b, u);
    EXPECT_FALSE(InRectForm(u));
    EXPECT_EQ(BoxText((**u).rgnBBox), "(0,0,30,30)");
    SectRgn(u, a, s);
    EXPECT_TRUE(InRectForm(s));
    EXPECT_EQ(BoxText((**s).rgnBBox), "(0,0,20,20)");
    // Two disjoint rectangles meet nowhere: the empty box.
    SetRectRg(b, 50, 50, 60, 60);
    SectRgn(a, b, s);
    EXPECT_TRUE(InRectForm(s));
    EXPECT_EQ(BoxText((**s).rgnBBox), "(0,0,0,0)");
    // A union of two adjacent halves is one rectangle again.
    SetRectRg(b, 20, 0, 40, 20);
    UnionRg(a, b, u);
    EXPECT_TRUE(InRectForm(u));
    EXPECT_EQ(BoxText((**u).rgnBBox), "(0,0,40,20)");
    for (RgnHandle r : {a, b, u, s})
        DisposeRgn(r);
}

// Two rectangles in every arrangement, each operand in the rectangle or the GDI form and the result
// in a third region or in either operand, against CombineRgn on GDI regions of the same boxes: the
// same pixels, the box GDI gives the result, and the rectangle form exactly when GDI reports an empty
// or rectangular result. Boxes reach the ends of the 16-bit plane, and boxes whose sides are out of
// order (as a wrapped offset leaves them) are taken as GDI takes them.
TEST_F(Regions, SetOperationsOnTwoRectanglesMatchCombineRgn)
{
    struct Pair {
        const char *what;
        Rect a, b;
    };
    const Pair pairs[] = {
        {"overlapping", R(10, 10, 60, 60), R(40, 30, 90, 80)},
        {"b inside a", R(0, 0, 50, 50), R(10, 10, 20, 20)},
        {"a inside b", R(10, 10, 20, 20), R(0, 0, 50, 50)},
        {"the same box", R(5, 5, 25, 15), R(5, 5, 25, 15)},
        {"disjoint", R(0, 0, 10, 10), R(20, 20, 30, 30)},
        {"side by side on the same rows", R(0, 0, 10, 10), R(10, 0, 30, 10)},
        {"one above the other on the same columns", R(0, 0, 10, 10), R(0, 10, 10, 25)},
        {"overlapping on the same rows", R(0, 0, 20, 10), R(10, 0, 30, 10)},
        {"touching on different rows", R(0, 0, 10, 10), R(10, 5, 20, 15)},
        {"touching at a corner", R(0, 0, 10, 10), R(10, 10, 20, 20)},
        {"a band across a's top", R(0, 0, 20, 20), R(-5, -5, 25, 8)},
        {"a band across a's middle", R(0, 0, 20, 20), R(-5, 8, 25, 12)},
        {"a band down a's right side", R(0, 0, 20, 20), R(15, -5, 25, 25)},
        {"a band down a's middle", R(0, 0, 20, 20), R(8, -5, 12, 25)},
        {"a notch in a's corner", R(0, 0, 20, 20), R(15, 15, 25, 25)},
        {"a hole in a", R(0, 0, 20, 20), R(5, 5, 15, 15)},
        {"b inside a along a's top edge", R(0, 0, 20, 20), R(0, 0, 20, 5)},
        {"a empty", R(0, 0, 0, 0), R(5, 5, 15, 15)},
        {"b empty", R(5, 5, 15, 15), R(0, 0, 0, 0)},
        {"both empty", R(0, 0, 0, 0), R(0, 0, 0, 0)},
        {"b of no width inside a", R(0, 0, 20, 20), R(10, 5, 10, 15)},
        {"the whole plane and a corner", R(-32768, -32768, 32767, 32767), R(32000, 32000, 32767, 32767)},
        {"bands at both ends of the plane", R(-32768, -32768, -32000, 32767), R(32000, -32768, 32767, 32767)},
        {"a wrapped past the right end", R(32100, 0, -32736, 10), R(0, 0, 20, 20)},
        {"b upside down", R(0, 0, 20, 20), R(5, 15, 15, 5)},
    };
    enum Form { rectForm, gdiForm };
    for (const SetOp &op : kSetOps)
        for (const Pair &p : pairs)
            for (Form fa : {rectForm, gdiForm})
                for (Form fb : {rectForm, gdiForm})
                    for (int target = 0; target < 3; ++target) {
                        const std::string what = std::string(op.name) + " " + p.what + ", forms " +
                                                 std::to_string(fa) + std::to_string(fb) + " into " +
                                                 std::to_string(target);
                        HRGN rawA = CreateRectRgn(p.a.left, p.a.top, p.a.right, p.a.bottom);
                        HRGN rawB = CreateRectRgn(p.b.left, p.b.top, p.b.right, p.b.bottom);
                        HRGN expected = CreateRectRgn(0, 0, 0, 0);
                        const std::string name = op.name;
                        const int mode = name == "SectRgn"   ? RGN_AND
                                         : name == "UnionRg" ? RGN_OR
                                         : name == "DiffRgn" ? RGN_DIFF
                                                             : RGN_XOR;
                        // SectRgn of two rectangle-form regions works on their boxes alone, where a box
                        // with its sides out of order holds no pixel.
                        const bool onBoxes = mode == RGN_AND && fa == rectForm && fb == rectForm;
                        auto ordered = [](const Rect &r) { return r.left <= r.right && r.top <= r.bottom; };
                        HRGN none = CreateRectRgn(0, 0, 0, 0);
                        const int type = CombineRgn(expected, onBoxes && !ordered(p.a) ? none : rawA,
                                                    onBoxes && !ordered(p.b) ? none : rawB, mode);
                        RECT gdiBox{};
                        GetRgnBox(expected, &gdiBox);
                        const Rect expectedBox =
                            type == NULLREGION ? R(0, 0, 0, 0)
                                               : R(static_cast<int16_t>(gdiBox.left), static_cast<int16_t>(gdiBox.top),
                                                   static_cast<int16_t>(gdiBox.right), static_cast<int16_t>(gdiBox.bottom));

                        RgnHandle a = NewRgn(), b = NewRgn();
                        SetRectRg(a, p.a.left, p.a.top, p.a.right, p.a.bottom);
                        SetRectRg(b, p.b.left, p.b.top, p.b.right, p.b.bottom);
                        if (fa == gdiForm) {
                            ASSERT_NE(ZEL_RgnSetToRealRectRgn(a), nullptr) << what;
                        }
                        if (fb == gdiForm) {
                            ASSERT_NE(ZEL_RgnSetToRealRectRgn(b), nullptr) << what;
                        }
                        RgnHandle dst = target == 0 ? NewRgn() : target == 1 ? a : b;
                        op.call(a, b, dst);

                        EXPECT_TRUE(SameRegionAs(dst, expected)) << what;
                        EXPECT_EQ(BoxText((**dst).rgnBBox), BoxText(expectedBox)) << what;
                        EXPECT_EQ(InRectForm(dst), type == NULLREGION || type == SIMPLEREGION) << what;
                        EXPECT_EQ((**dst).rgnSize, 10) << what;
                        EXPECT_EQ(GetHandleSize(reinterpret_cast<Handle>(dst)), 14) << what;
                        if (target == 0) { // the operands hold what they held
                            EXPECT_TRUE(SameRegionAs(a, rawA)) << what;
                            EXPECT_TRUE(SameRegionAs(b, rawB)) << what;
                            EXPECT_EQ(BoxText((**a).rgnBBox), BoxText(p.a)) << what;
                            EXPECT_EQ(BoxText((**b).rgnBBox), BoxText(p.b)) << what;
                            DisposeRgn(dst);
                        }
                        DisposeRgn(a);
                        DisposeRgn(b);
                        for (HRGN h : {rawA, rawB, expected, none})
                            DeleteObject(h);
                    }
}

TEST_F(Regions, CopyGivesAnIndependentRegion)
{
    for (const Shape &s : kShapes) {
        RgnHandle src = MakeShape(s), dst = NewRgn();
        SetRectRg(dst, 1, 1, 5, 5);
        CopyRg(src, dst);
        DisposeRgn(src);
        EXPECT_EQ(Sample(dst), PixelsOf(s)) << s.name;
        DisposeRgn(dst);
    }
}

TEST_F(Regions, OffsetMovesEveryFormAndWrapsAtTheCoordinateLimit)
{
    for (const Shape &s : kShapes) {
        RgnHandle rgn = MakeShape(s);
        OffsetRg(rgn, 7, -3);
        PixelSet moved;
        for (auto [h, v] : PixelsOf(s))
            moved.insert({h + 7, v - 3});
        EXPECT_EQ(Sample(rgn, -10, kWindow + 10), moved) << s.name;
        DisposeRgn(rgn);
    }
    RgnHandle l = MakeShape(kShapes[3]);
    OffsetRg(l, -30010, 0); // box left -30000
    ASSERT_EQ((**l).rgnBBox.left, -30000);
    OffsetRg(l, -5000, 0);
    EXPECT_EQ((**l).rgnBBox.left, 30536);
    EXPECT_TRUE(PtInRgn(Point{15, 30536}, l));
    RgnHandle r = NewRgn();
    SetRectRg(r, -30000, 0, -29990, 10);
    OffsetRg(r, -5000, 0);
    EXPECT_EQ(BoxText((**r).rgnBBox), "(30536,0,30546,10)");
    DisposeRgn(l);
    DisposeRgn(r);
}

// An L of box (100,100,200,200): its arm is the left tenth and the bottom tenth of the box.
RgnHandle MakeL100()
{
    Shape s{"L100", {R(100, 100, 150, 200), R(100, 150, 200, 200)}, {}};
    return MakeShape(s);
}

TEST_F(Regions, InsetRescalesWithinTheRegionsOwnBox)
{
    RgnHandle l = MakeL100();
    InsetRg(l, 10, 10);
    EXPECT_EQ(BoxText((**l).rgnBBox), "(110,110,190,190)");
    // Scaled by 0.8 within the box: the arms are 40 wide, the corner at (150,150).
    EXPECT_TRUE(PtInRgn(Point{115, 115}, l));
    EXPECT_TRUE(PtInRgn(Point{185, 185}, l));
    EXPECT_TRUE(PtInRgn(Point{185, 149}, l));
    EXPECT_FALSE(PtInRgn(Point{115, 151}, l));
    EXPECT_FALSE(PtInRgn(Point{145, 185}, l));
    // An outset grows it the same way.
    InsetRg(l, -10, -10);
    EXPECT_EQ(BoxText((**l).rgnBBox), "(100,100,200,200)");
    EXPECT_FALSE(PtInRgn(Point{120, 180}, l));
    // An inset that consumes the box leaves the region empty.
    InsetRg(l, 50, 10);
    EXPECT_TRUE(EmptyRgn(l));
    EXPECT_EQ(BoxText((**l).rgnBBox), "(0,0,0,0)");
    EXPECT_TRUE(Sample(l).empty());
    DisposeRgn(l);

    RgnHandle r = NewRgn();
    SetRectRg(r, 100, 100, 200, 200);
    InsetRg(r, 10, 20);
    EXPECT_TRUE(InRectForm(r));
    EXPECT_EQ(BoxText((**r).rgnBBox), "(110,120,190,180)");
    InsetRg(r, 40, 40);
    EXPECT_TRUE(EmptyRgn(r));
    EXPECT_EQ(BoxText((**r).rgnBBox), "(0,0,0,0)");
    DisposeRgn(r);
}

TEST_F(Regions, MapScalesTheBoxAndTheShapeInIt)
{
    RgnHandle l = MakeL100();
    const Rect from = R(0, 0, 100, 100), to = R(0, 0, 200, 300);
    MapRgn(l, &from, &to);
    EXPECT_EQ(BoxText((**l).rgnBBox), "(200,300,400,600)");
    EXPECT_TRUE(PtInRgn(Point{310, 210}, l));
    EXPECT_TRUE(PtInRgn(Point{590, 390}, l));
    EXPECT_FALSE(PtInRgn(Point{310, 390}, l));
    MapRgn(l, &to, &to); // same rectangles: nothing
    EXPECT_EQ(BoxText((**l).rgnBBox), "(200,300,400,600)");
    DisposeRgn(l);
    RgnHandle r = NewRgn();
    SetRectRg(r, 10, 10, 20, 20);
    MapRgn(r, &from, &to);
    EXPECT_EQ(BoxText((**r).rgnBBox), "(20,30,40,60)");
    DisposeRgn(r);
}

TEST_F(Regions, RectInRgnAndEqualRg)
{
    RgnHandle l = MakeShape(kShapes[3]); // L: (10,10,20,50) and (10,40,50,50)
    struct Case {
        Rect r;
        bool in;
    };
    const Case cases[] = {
        {R(15, 15, 16, 16), true},  {R(30, 45, 35, 60), true},  {R(20, 10, 30, 20), false}, // edge only
        {R(30, 20, 40, 30), false}, {R(0, 0, 10, 100), false}, {R(15, 15, 15, 30), false},  // empty
    };
    for (const Case &c : cases)
        EXPECT_EQ(RectInRgn(&c.r, l) != 0, c.in) << BoxText(c.r);
    RgnHandle r = NewRgn(), g = NewRgn();
    SetRectRg(r, 10, 10, 50, 50);
    SetRectRg(g, 10, 10, 50, 50);
    ASSERT_NE(ZEL_RgnSetToRealRectRgn(g), nullptr);
    EXPECT_FALSE(InRectForm(g));
    EXPECT_TRUE(EqualRg(r, g));
    EXPECT_TRUE(EqualRg(g, r));
    EXPECT_FALSE(EqualRg(r, l));
    RgnHandle l2 = MakeShape(kShapes[3]);
    EXPECT_TRUE(EqualRg(l, l2));
    Rect edge = R(20, 10, 30, 20);
    EXPECT_TRUE(RectInRgn(&edge, r));
    for (RgnHandle x : {l, l2, r, g})
        DisposeRgn(x);
}

// The rectangle and GDI forms of one rectangle answer RectInRgn alike, by the pixels the rectangle
// shares with the region: one pixel, one row or one column is enough; touching an edge is not.
TEST_F(Regions, RectInRgnAnswersBySharedPixelsInEveryForm)
{
    const Rect box = R(10, 10, 30, 20);
    struct Case {
        const char *what;
        Rect r;
    };
    const Case cases[] = {
        {"one pixel at the top-left corner", R(5, 5, 11, 11)},
        {"one pixel at the bottom-right corner", R(29, 19, 40, 40)},
        {"one pixel at the top-right corner", R(29, 0, 35, 11)},
        {"one pixel at the bottom-left corner", R(0, 19, 11, 25)},
        {"one row along the top", R(0, 9, 40, 11)},
        {"one row along the bottom", R(0, 19, 40, 21)},
        {"one column along the left", R(9, 0, 11, 40)},
        {"one column along the right", R(29, 0, 31, 40)},
        {"a single pixel inside", R(15, 15, 16, 16)},
        {"the region itself", box},
        {"around the region", R(0, 0, 40, 40)},
        {"touching the left edge", R(0, 10, 10, 20)},
        {"touching the right edge", R(30, 10, 40, 20)},
        {"touching the top edge", R(10, 0, 30, 10)},
        {"touching the bottom edge", R(10, 20, 30, 30)},
        {"touching a corner", R(30, 20, 35, 25)},
        {"empty inside", R(15, 15, 15, 18)},
    };
    RgnHandle rect = NewRgn(), gdi = NewRgn();
    RectRgn(rect, &box);
    RectRgn(gdi, &box);
    ASSERT_NE(ZEL_RgnSetToRealRectRgn(gdi), nullptr);
    ASSERT_FALSE(InRectForm(gdi));
    for (const Case &c : cases) {
        const bool shares = std::max(c.r.left, box.left) < std::min(c.r.right, box.right) &&
                            std::max(c.r.top, box.top) < std::min(c.r.bottom, box.bottom);
        EXPECT_EQ(RectInRgn(&c.r, rect) != 0, shares) << c.what << " (rectangle form)";
        EXPECT_EQ(RectInRgn(&c.r, gdi) != 0, shares) << c.what << " (GDI form)";
    }
    DisposeRgn(rect);
    DisposeRgn(gdi);
}

} // namespace

// ---- The one-bit-mask form ----

namespace {

// A ring inside a bitmap of bounds (20,10,36,22): the rectangle (22,12,34,20) less (25,14,31,18).
const Shape kRing{"ring", {R(22, 12, 34, 20)}, {R(25, 14, 31, 18)}};

int16_t MaskRowBytes(const Rect &bounds) { return static_cast<int16_t>(((bounds.right - bounds.left + 15) / 16) * 2); }

// One-bit rows of the given bounds with the pixels of the set black (1).
std::vector<uint8_t> MaskBits(const PixelSet &set, const Rect &bounds)
{
    const int rowBytes = MaskRowBytes(bounds);
    std::vector<uint8_t> bits(rowBytes * (bounds.bottom - bounds.top), 0);
    for (auto [h, v] : set)
        if (h >= bounds.left && h < bounds.right && v >= bounds.top && v < bounds.bottom)
            bits[(v - bounds.top) * rowBytes + (h - bounds.left) / 8] |= 0x80 >> ((h - bounds.left) % 8);
    return bits;
}

// A mask-form region of the pixel set, through a one-bit BitMap of the given bounds.
RgnHandle MaskRegionOf(const PixelSet &set, const Rect &bounds)
{
    std::vector<uint8_t> bits = MaskBits(set, bounds);
    BitMap map{reinterpret_cast<Ptr>(bits.data()), MaskRowBytes(bounds), bounds};
    RgnHandle rgn = NewRgn();
    EXPECT_EQ(BitMapToRegion(rgn, &map), 0);
    return rgn;
}

uint32_t MaskHandleOf(RgnHandle rgn) { return *reinterpret_cast<uint32_t *>(reinterpret_cast<char *>(*rgn) + 14); }

} // namespace

TEST_F(Regions, MaskRegionsHoldTheirPixelsAndMoveWithTheirBox)
{
    const PixelSet ring = PixelsOf(kRing);
    RgnHandle rgn = MaskRegionOf(ring, R(20, 10, 36, 22));
    EXPECT_EQ((**rgn).rgnSize, 14);
    EXPECT_EQ(GetHandleSize(reinterpret_cast<Handle>(rgn)), 18);
    EXPECT_EQ(Sample(rgn), ring);
    EXPECT_FALSE(EmptyRgn(rgn));
    OffsetRg(rgn, 5, -4);
    PixelSet moved;
    for (auto [h, v] : ring)
        moved.insert({h + 5, v - 4});
    EXPECT_EQ(Sample(rgn), moved);

    // A copy has a mask of its own: it outlives the original.
    RgnHandle copy = NewRgn();
    CopyRg(rgn, copy);
    EXPECT_NE(MaskHandleOf(copy), MaskHandleOf(rgn));
    DisposeRgn(rgn);
    EXPECT_EQ(Sample(copy), moved);
    InsetRg(copy, 8, 2); // consumes the 16-wide box
    EXPECT_TRUE(EmptyRgn(copy));
    EXPECT_TRUE(InRectForm(copy));
    DisposeRgn(copy);

    // A mask with no pixel inside is empty, and becomes the empty rectangle.
    RgnHandle blank = MaskRegionOf({}, R(0, 0, 16, 8));
    EXPECT_EQ((**blank).rgnSize, 14);
    EXPECT_TRUE(EmptyRgn(blank));
    EXPECT_TRUE(InRectForm(blank));
    EXPECT_EQ(BoxText((**blank).rgnBBox), "(0,0,0,0)");
    DisposeRgn(blank);
}

// A PixMap of one bit per pixel converts like a BitMap of the same bits; deeper pixels are refused, and
// so is a PixMap whose pixels are not in memory, and the region is then left as it was.
TEST_F(Regions, OneBitPixMapsConvertLikeBitMaps)
{
    const PixelSet ring = PixelsOf(kRing);
    const Rect bounds = R(20, 10, 36, 22);
    std::vector<uint8_t> bits = MaskBits(ring, bounds);
    PixMap map{};
    map.baseAddr = reinterpret_cast<Ptr>(bits.data());
    map.rowBytes = static_cast<int16_t>(MaskRowBytes(bounds) | 0x8000);
    map.bounds = bounds;
    map.pixelSize = 1;
    map.cmpCount = 1;
    map.cmpSize = 1;
    RgnHandle fromPixMap = NewRgn();
    ASSERT_EQ(BitMapToRegion(fromPixMap, reinterpret_cast<const BitMap *>(&map)), 0);
    EXPECT_EQ((**fromPixMap).rgnSize, 14);
    EXPECT_EQ(Sample(fromPixMap), ring);
    RgnHandle fromBitMap = MaskRegionOf(ring, bounds);
    EXPECT_EQ(Sample(fromPixMap), Sample(fromBitMap));

    struct Refused {
        const char *what;
        int16_t pixelSize;
        Ptr baseAddr;
        OSErr err;
    };
    const Refused refused[] = {
        {"two bits", 2, map.baseAddr, -148},
        {"eight bits", 8, map.baseAddr, -148},
        {"pixels only in Windows objects", 1, reinterpret_cast<Ptr>(0x7FFF), -50},
    };
    for (const Refused &r : refused) {
        PixMap deep = map;
        deep.pixelSize = r.pixelSize;
        deep.baseAddr = r.baseAddr;
        RgnHandle rgn = NewRgn();
        SetRectRg(rgn, 1, 2, 3, 4);
        EXPECT_EQ(BitMapToRegion(rgn, reinterpret_cast<const BitMap *>(&deep)), r.err) << r.what;
        EXPECT_TRUE(InRectForm(rgn)) << r.what;
        EXPECT_EQ(BoxText((**rgn).rgnBBox), "(1,2,3,4)") << r.what;
        DisposeRgn(rgn);
    }
    DisposeRgn(fromPixMap);
    DisposeRgn(fromBitMap);
}

TEST_F(Regions, SetOperationsWithAMaskOperandMatchThePixelSets)
{
    const PixelSet ring = PixelsOf(kRing);
    for (const SetOp &op : kSetOps)
        for (const Shape &s : kShapes)
            for (bool maskFirst : {true, false}) {
                const PixelSet other = PixelsOf(s);
                const PixelSet &pa = maskFirst ? ring : other, &pb = maskFirst ? other : ring;
                PixelSet expected;
                for (int v = -5; v < kWindow; ++v)
                    for (int h = -5; h < kWindow; ++h)
                        if (op.in(pa.count({h, v}) != 0, pb.count({h, v}) != 0))
                            expected.insert({h, v});
                RgnHandle mask = MaskRegionOf(ring, R(20, 10, 36, 22)), shape = MakeShape(s), dst = NewRgn();
                op.call(maskFirst ? mask : shape, maskFirst ? shape : mask, dst);
                EXPECT_EQ(Sample(dst), expected) << op.name << " " << s.name << (maskFirst ? " (mask first)" : "");
                EXPECT_EQ(Sample(mask), ring) << op.name;
                for (RgnHandle r : {mask, shape, dst})
                    DisposeRgn(r);
            }
}

// ---- Drawing ----

namespace {

const COLORREF kWhite = RGB(255, 255, 255), kBlack = RGB(0, 0, 0);
constexpr int kDrawW = 40, kDrawH = 30;
const Shape kDrawL{"L", {R(5, 5, 15, 25), R(5, 18, 30, 25)}, {}};

PixelSet BlackPixels(DibSurface &surface)
{
    GdiFlush();
    PixelSet set;
    for (int y = 0; y < kDrawH; ++y)
        for (int x = 0; x < kDrawW; ++x)
            if (surface.Pixel(x, y) == kBlack)
                set.insert({x, y});
    return set;
}

PixelSet AllPixels()
{
    PixelSet set;
    for (int y = 0; y < kDrawH; ++y)
        for (int x = 0; x < kDrawW; ++x)
            set.insert({x, y});
    return set;
}

PixelSet Minus(const PixelSet &a, const PixelSet &b)
{
    PixelSet r;
    for (auto p : a)
        if (!b.count(p))
            r.insert(p);
    return r;
}

class RegionDrawing : public QuickDrawTest {};

} // namespace

TEST_F(RegionDrawing, VerbsPaintExactlyTheRegionsPixels)
{
    const PixelSet ring = PixelsOf(kRing);
    struct Form {
        const char *name;
        std::function<RgnHandle()> make;
        PixelSet pixels;
    };
    const Form forms[] = {
        {"rectangle", [] { RgnHandle r = NewRgn(); SetRectRg(r, 3, 4, 17, 11); return r; },
         PixelsOf(Shape{"", {R(3, 4, 17, 11)}, {}})},
        {"GDI", [] { return MakeShape(kDrawL); }, PixelsOf(kDrawL)},
        {"mask", [&] { return MaskRegionOf(ring, R(20, 10, 36, 22)); }, ring},
    };
    Pattern black, white;
    std::memset(&black, 0xFF, sizeof black);
    std::memset(&white, 0x00, sizeof white);
    for (const Form &f : forms) {
        DibPort target(kDrawW, kDrawH);
        SetPor(target.port());
        RgnHandle rgn = f.make();
        const Rect box = (**rgn).rgnBBox;

        PaintRg(rgn);
        EXPECT_EQ(BlackPixels(target.surface()), f.pixels) << f.name << " PaintRg";
        InvertRg(rgn);
        EXPECT_TRUE(BlackPixels(target.surface()).empty()) << f.name << " InvertRg";
        FillRg(rgn, &black);
        EXPECT_EQ(BlackPixels(target.surface()), f.pixels) << f.name << " FillRg";

        target.surface().Fill(kBlack);
        EraseRgn(rgn);
        EXPECT_EQ(BlackPixels(target.surface()), Minus(AllPixels(), f.pixels)) << f.name << " EraseRgn";
        FillRg(rgn, &white);
        EXPECT_EQ(BlackPixels(target.surface()), Minus(AllPixels(), f.pixels)) << f.name << " FillRg white";
        InvertRg(rgn);
        EXPECT_EQ(BlackPixels(target.surface()), AllPixels()) << f.name << " FillRg white, InvertRg";

        // Hidden, the pen paints nothing.
        target.surface().Fill(kWhite);
        HidePen();
        PaintRg(rgn);
        EXPECT_TRUE(BlackPixels(target.surface()).empty()) << f.name;
        ShowPen();

        // The region itself is untouched by drawing.
        EXPECT_EQ(Sample(rgn), f.pixels) << f.name;
        EXPECT_EQ(BoxText((**rgn).rgnBBox), BoxText(box)) << f.name;
        DisposeRgn(rgn);
    }
}

TEST_F(RegionDrawing, FrameDrawsTheInnerEdgeEvenWithThePenHidden)
{
    DibPort target(kDrawW, kDrawH);
    SetPor(target.port());
    RgnHandle l = MakeShape(kDrawL);
    HidePen();
    FrameRg(l);
    ShowPen();
    const PixelSet framed = BlackPixels(target.surface());
    const PixelSet area = PixelsOf(kDrawL);
    EXPECT_TRUE(Minus(framed, area).empty()) << "the frame stays inside the region";
    for (auto p : std::vector<std::pair<int, int>>{{5, 5}, {14, 5}, {5, 24}, {29, 24}, {29, 18}, {14, 17}, {10, 5}})
        EXPECT_TRUE(framed.count(p)) << p.first << "," << p.second;
    for (auto p : std::vector<std::pair<int, int>>{{10, 10}, {20, 21}, {7, 20}})
        EXPECT_FALSE(framed.count(p)) << p.first << "," << p.second;

    // A mask-form region is not framed.
    target.surface().Fill(kWhite);
    RgnHandle ring = MaskRegionOf(PixelsOf(kRing), R(20, 10, 36, 22));
    FrameRg(ring);
    EXPECT_TRUE(BlackPixels(target.surface()).empty());
    DisposeRgn(ring);
    DisposeRgn(l);
}

TEST_F(RegionDrawing, DrawingWithAMovedOriginLeavesTheRegionAlone)
{
    DibPort target(kDrawW, kDrawH);
    SetPor(target.port());
    SetOrigin(3, 2); // local (3,2) is the surface's (0,0)
    RgnHandle l = MakeShape(kDrawL);
    PaintRg(l);
    PixelSet expected;
    for (auto [h, v] : PixelsOf(kDrawL))
        expected.insert({h - 3, v - 2});
    EXPECT_EQ(BlackPixels(target.surface()), expected);
    EXPECT_EQ(Sample(l), PixelsOf(kDrawL));
    EXPECT_EQ(BoxText((**l).rgnBBox), "(5,5,30,25)");
    SetOrigin(0, 0);
    DisposeRgn(l);
}

namespace {
std::vector<int> sRgnProcVerbs;
void ZEL_CALL RecordingRgnProc(GrafVerb verb, RgnHandle) { sRgnProcVerbs.push_back(verb); }
void ZEL_CALL ForwardingRgnProc(GrafVerb verb, RgnHandle rgn)
{
    sRgnProcVerbs.push_back(verb);
    StdRgn(verb, rgn);
}
} // namespace

TEST_F(RegionDrawing, StdRgnCallsTheCoreAndCustomProcsReplaceIt)
{
    DibPort target(kDrawW, kDrawH);
    SetPor(target.port());
    RgnHandle l = MakeShape(kDrawL);
    StdRgn(1, l);
    EXPECT_EQ(BlackPixels(target.surface()), PixelsOf(kDrawL));

    target.surface().Fill(kWhite);
    CQDProcs procs;
    SetStdCProcs(&procs);
    procs.rgnProc = RecordingRgnProc;
    target.cport()->grafProcs = &procs;
    sRgnProcVerbs.clear();
    PaintRg(l);
    EraseRgn(l);
    InvertRg(l);
    EXPECT_EQ(sRgnProcVerbs, (std::vector<int>{1, 2, 3}));
    EXPECT_TRUE(BlackPixels(target.surface()).empty()) << "the custom procedure replaces the drawing";
    // A procedure that hands on to StdRgn draws, and is itself restored afterwards.
    procs.rgnProc = ForwardingRgnProc;
    sRgnProcVerbs.clear();
    PaintRg(l);
    EXPECT_EQ(sRgnProcVerbs, (std::vector<int>{1}));
    EXPECT_EQ(BlackPixels(target.surface()), PixelsOf(kDrawL));
    EXPECT_EQ(procs.rgnProc, ForwardingRgnProc);
    target.cport()->grafProcs = nullptr;
    DisposeRgn(l);
}

TEST_F(RegionDrawing, OpenAndCloseGiveTheRegionBuiltMeanwhile)
{
    DibPort target(kDrawW, kDrawH);
    SetPor(target.port());
    OpenRgn();
    EXPECT_NE(target.port()->rgnSave, nullptr);
    RgnHandle dst = NewRgn();
    SetRectRg(dst, 1, 2, 3, 4);
    CloseRgn(dst);
    EXPECT_EQ(target.port()->rgnSave, nullptr);
    EXPECT_TRUE(EmptyRgn(dst));
    DisposeRgn(dst);
}

TEST_F(RegionDrawing, FramedRectanglesBuildTheOpenRegion)
{
    // Rectangles framed while a region is open are XORed into it; nothing is drawn into the port's
    // region argument and the frames' pixels make no difference to the result.
    DibPort target(kDrawW, kDrawH);
    SetPor(target.port());
    OpenRgn();
    const Rect a{2, 2, 8, 10}, b{5, 6, 12, 14};
    FrameRec(&a);
    FrameRec(&b);
    RgnHandle dst = NewRgn();
    CloseRgn(dst);
    for (int16_t v = 0; v < 16; ++v)
        for (int16_t h = 0; h < 16; ++h) {
            bool inA = v >= a.top && v < a.bottom && h >= a.left && h < a.right;
            bool inB = v >= b.top && v < b.bottom && h >= b.left && h < b.right;
            ASSERT_EQ(PtInRgn(Point{v, h}, dst) != 0, inA != inB) << h << "," << v;
        }
    DisposeRgn(dst);
}

namespace {

// A closed path through the corners of a rectangle, as a caller draws it with MoveTo and LineTo.
void SquarePath(const Rect &r)
{
    MoveT(r.left, r.top);
    LineT(r.right, r.top);
    LineT(r.right, r.bottom);
    LineT(r.left, r.bottom);
    LineT(r.left, r.top);
}

PixelSet RectPixels(const Rect &r) { return PixelsOf(Shape{"", {r}, {}}); }

PixelSet XorOf(const PixelSet &a, const PixelSet &b)
{
    PixelSet r = Minus(a, b);
    for (auto p : Minus(b, a))
        r.insert(p);
    return r;
}

} // namespace

// Lines and closed paths drawn between OpenRgn and CloseRgn make the region (alternate fill), XORed
// with the rectangles framed meanwhile; nothing is drawn while recording, and the region is in local
// coordinates whatever the port's origin.
TEST_F(RegionDrawing, RecordedPathsAndFramesMakeTheRegion)
{
    const Rect a = R(4, 4, 16, 14), b = R(10, 8, 24, 20), apart = R(28, 2, 36, 10);
    struct Case {
        const char *what;
        std::function<void()> draw;
        PixelSet expected;
    };
    const Case cases[] = {
        {"a closed L-shaped path",
         [] {
             MoveT(5, 5);
             LineT(15, 5);
             LineT(15, 18);
             LineT(30, 18);
             LineT(30, 25);
             LineT(5, 25);
             LineT(5, 5);
         },
         PixelsOf(kDrawL)},
        {"a path left open is closed back to its start",
         [] {
             MoveT(5, 5);
             LineT(15, 5);
             LineT(15, 18);
             LineT(30, 18);
             LineT(30, 25);
             LineT(5, 25);
         },
         PixelsOf(kDrawL)},
        {"two overlapping closed squares", [&] { SquarePath(a); SquarePath(b); }, XorOf(RectPixels(a), RectPixels(b))},
        {"two separate closed squares", [&] { SquarePath(a); SquarePath(apart); }, XorOf(RectPixels(a), RectPixels(apart))},
        {"a framed rectangle and a closed path over it", [&] { FrameRec(&a); SquarePath(b); },
         XorOf(RectPixels(a), RectPixels(b))},
        {"a framed rectangle alone", [&] { FrameRec(&b); }, RectPixels(b)},
        {"a single line encloses nothing", [] { MoveT(2, 2); LineT(30, 20); }, PixelSet{}},
    };
    struct Origin {
        int16_t h, v;
    };
    for (Origin origin : {Origin{0, 0}, Origin{-7, 5}, Origin{12, -3}})
        for (const Case &c : cases) {
            SCOPED_TRACE(std::string(c.what) + " at origin " + std::to_string(origin.h) + "," +
                         std::to_string(origin.v));
            DibPort target(kDrawW, kDrawH);
            SetPor(target.port());
            SetOrigin(origin.h, origin.v);
            const int16_t pnVis = target.port()->pnVis;
            OpenRgn();
            EXPECT_LT(target.port()->pnVis, pnVis) << "the pen is hidden while recording";
            c.draw();
            PaintRect(&a);
            EXPECT_TRUE(BlackPixels(target.surface()).empty()) << "nothing is drawn while recording";
            RgnHandle dst = NewRgn();
            SetRectRg(dst, 1, 2, 3, 4);
            CloseRgn(dst);
            EXPECT_EQ(target.port()->rgnSave, nullptr);
            EXPECT_EQ(target.port()->polySave, nullptr);
            EXPECT_EQ(target.port()->pnVis, pnVis) << "the pen is shown again";
            EXPECT_EQ(Sample(dst), c.expected);
            EXPECT_EQ(BoxText((**dst).rgnBBox), BoxText(BoundsOf(c.expected)));

            // The pen draws again.
            PaintRect(&a);
            PixelSet painted;
            for (auto [h, v] : RectPixels(a))
                if (h - origin.h >= 0 && h - origin.h < kDrawW && v - origin.v >= 0 && v - origin.v < kDrawH)
                    painted.insert({h - origin.h, v - origin.v});
            EXPECT_EQ(BlackPixels(target.surface()), painted);
            SetOrigin(0, 0);
            DisposeRgn(dst);
        }
}

TEST_F(RegionDrawing, SelectClipRgnClipsTheDcUnlessThePenIsHidden)
{
    DibPort target(kDrawW, kDrawH);
    SetPor(target.port());
    HDC dc = target.surface().dc();
    RECT all{0, 0, kDrawW, kDrawH};
    HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    RgnHandle l = MakeShape(kDrawL), r = NewRgn();
    SetRectRg(r, 2, 3, 9, 7);

    EXPECT_EQ(ZEL_SelectClipRgn(dc, l), COMPLEXREGION);
    FillRect(dc, &all, black);
    EXPECT_EQ(BlackPixels(target.surface()), PixelsOf(kDrawL));

    target.surface().Fill(kWhite);
    EXPECT_EQ(ZEL_SelectClipRgn(dc, r), SIMPLEREGION);
    FillRect(dc, &all, black);
    EXPECT_EQ(BlackPixels(target.surface()), PixelsOf(Shape{"", {R(2, 3, 9, 7)}, {}}));

    // With the pen hidden nothing is selected: the previous clip stays.
    target.surface().Fill(kWhite);
    HidePen();
    EXPECT_EQ(ZEL_SelectClipRgn(dc, l), COMPLEXREGION);
    ShowPen();
    FillRect(dc, &all, black);
    EXPECT_EQ(BlackPixels(target.surface()), PixelsOf(Shape{"", {R(2, 3, 9, 7)}, {}}));
    SelectClipRgn(dc, nullptr);
    DisposeRgn(l);
    DisposeRgn(r);
}

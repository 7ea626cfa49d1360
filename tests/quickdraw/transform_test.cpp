// The port coordinate transform: points forward and back through offsets, scales, quarter turns and
// mirrors; rectangles; the printer page mapping; and SetOrigin with the global/local conversions.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "MacMemory.h"
#include "Quickdraw.h"
#include "qd_fixture.h"
#include "../../quickdraw/xform_math.h"

using namespace testing_support;

namespace {

PortXform Identity()
{
    PortXform x{};
    x.srcExtent = XformPair{1, 1};
    x.dstExtent = XformPair{1, 1};
    return x;
}

PortXform Offset(int16_t srcH, int16_t srcV, int16_t dstH = 0, int16_t dstV = 0)
{
    PortXform x = Identity();
    x.srcOrigin = XformPair{srcH, srcV};
    x.dstOrigin = XformPair{dstH, dstV};
    x.offsetActive = 1;
    return x;
}

PortXform Scale(int16_t srcW, int16_t srcH, int16_t dstW, int16_t dstH, XformPair srcOrigin = {0, 0},
                XformPair dstOrigin = {0, 0})
{
    PortXform x = Identity();
    x.srcExtent = XformPair{srcW, srcH};
    x.dstExtent = XformPair{dstW, dstH};
    x.srcOrigin = srcOrigin;
    x.dstOrigin = dstOrigin;
    x.scaleActive = 1;
    x.offsetActive = 1;
    return x;
}

PortXform Turn(PortXform x, int16_t rotation, uint16_t mirror, XformPair pivot = {0, 0})
{
    x.rotation = rotation;
    x.mirror = mirror;
    x.pivot = pivot;
    return x;
}

struct PointCase {
    const char *what;
    PortXform x;
    int16_t h, v;          // port point
    int16_t devH, devV;    // device point
    bool reversible;       // the reverse mapping gives the port point back
};

} // namespace

TEST(Transform, PointsMapForwardAndBack)
{
    const std::vector<PointCase> cases = {
        {"identity", Identity(), 5, 7, 5, 7, true},
        {"origin offset", Offset(10, 20), 15, 27, 5, 7, true},
        {"offset to a destination origin", Offset(10, 20, 100, 200), 15, 27, 105, 207, true},
        {"offset clamps at 32767", Offset(-30000, 0), 10000, 0, 32767, 0, false},
        {"offset clamps at -32768", Offset(30000, 0), -10000, 0, -32768, 0, false},
        {"scale up", Scale(1, 1, 2, 3), 5, 7, 10, 21, true},
        {"scale down between origins", Scale(2, 2, 1, 1, {10, 10}, {100, 50}), 20, 30, 105, 60, true},
        {"scaled points are not clamped", Scale(1, 1, 4, 4), 10000, 0, static_cast<int16_t>(40000), 0, false},
        {"quarter turn", Turn(Identity(), 90, 0), 3, 1, -1, 3, true},
        {"quarter turn about a pivot", Turn(Identity(), 90, 0, {10, 10}), 13, 11, 9, 13, true},
        {"half turn", Turn(Identity(), 180, 0), 3, 1, -3, -1, true},
        {"three quarters", Turn(Identity(), 270, 0), 3, 1, 1, -3, true},
        {"mirror horizontally", Turn(Identity(), 0, 1), 3, 1, -3, 1, true},
        {"mirror vertically", Turn(Identity(), 0, 2), 3, 1, 3, -1, true},
        {"both mirror bits: only the horizontal applies", Turn(Identity(), 0, 3), 3, 1, -3, 1, true},
        {"turn then mirror", Turn(Identity(), 90, 1), 3, 1, 1, 3, true},
        {"turn and mirror about the source origin, then offset", Turn(Offset(10, 0), 90, 1), 13, 1, 1, 3, true},
        {"turn, mirror and scale", Turn(Scale(1, 1, 2, 2), 270, 2), 3, 1, 2, 6, true},
    };
    for (const PointCase &c : cases) {
        int16_t h = c.h, v = c.v;
        xform::Forward(c.x, h, v);
        EXPECT_EQ(h, c.devH) << c.what;
        EXPECT_EQ(v, c.devV) << c.what;
        if (!c.reversible)
            continue;
        xform::Reverse(c.x, h, v);
        EXPECT_EQ(h, c.h) << c.what << " (reverse)";
        EXPECT_EQ(v, c.v) << c.what << " (reverse)";
    }
}

// The reverse transform undoes the forward one for every rotation and mirror combination, whatever
// the pivot, offset or exact scale around it.
TEST(Transform, ReverseInvertsEveryRotationAndMirror)
{
    const PortXform bases[] = {Identity(), Offset(7, -3, 20, 40), Scale(1, 1, 3, 2, {5, 5}, {-10, 8})};
    const XformPair pivots[] = {{0, 0}, {4, -6}};
    const XformPair points[] = {{0, 0}, {3, 1}, {-5, 9}, {12, -7}};
    for (const PortXform &base : bases)
        for (int16_t rotation : {0, 90, 180, 270})
            for (uint16_t mirror : {0, 1, 2, 3})
                for (XformPair pivot : pivots)
                    for (XformPair p : points) {
                        PortXform x = Turn(base, rotation, mirror, pivot);
                        int16_t h = p.h, v = p.v;
                        xform::Forward(x, h, v);
                        xform::Reverse(x, h, v);
                        EXPECT_TRUE(h == p.h && v == p.v)
                            << "rotation " << rotation << " mirror " << mirror << " pivot " << pivot.h << ","
                            << pivot.v << " point " << p.h << "," << p.v << " came back as " << h << "," << v;
                    }
}

TEST(Transform, RectanglesNormaliseAndStayNonEmptyWhenScaled)
{
    struct RectCase {
        const char *what;
        PortXform x;
        RECT in, out;
    };
    const std::vector<RectCase> cases = {
        {"offset", Offset(10, 20), {10, 20, 30, 40}, {0, 0, 20, 20}},
        {"a one-pixel rectangle scaled down keeps one pixel", Scale(4, 4, 1, 1), {4, 4, 5, 5}, {1, 1, 2, 2}},
        {"scaled up", Scale(1, 1, 2, 2), {1, 2, 3, 4}, {2, 4, 6, 8}},
        {"a quarter turn normalises the corners", Turn(Identity(), 90, 0), {0, 0, 10, 5}, {-5, 0, 0, 10}},
        {"a mirror normalises the corners", Turn(Identity(), 0, 1), {2, 0, 10, 5}, {-10, 0, -2, 5}},
    };
    for (const RectCase &c : cases) {
        RECT r = c.in;
        xform::ForwardWinRect(c.x, r);
        EXPECT_TRUE(EqualRect(&r, &c.out)) << c.what << ": got " << r.left << "," << r.top << "," << r.right << ","
                                           << r.bottom;
        Rect mac{static_cast<int16_t>(c.in.top), static_cast<int16_t>(c.in.left), static_cast<int16_t>(c.in.bottom),
                 static_cast<int16_t>(c.in.right)};
        xform::ForwardMacRect(c.x, mac);
        EXPECT_TRUE(mac.left == c.out.left && mac.top == c.out.top && mac.right == c.out.right &&
                    mac.bottom == c.out.bottom)
            << c.what << " (Macintosh rectangle)";
    }
    // The reverse of a rectangle that maps exactly gives the original back.
    PortXform turned = Turn(Offset(3, 4), 270, 1, {2, 2});
    RECT r{1, 2, 9, 6};
    xform::ForwardWinRect(turned, r);
    xform::ReverseWinRect(turned, r);
    RECT expected{1, 2, 9, 6};
    EXPECT_TRUE(EqualRect(&r, &expected)) << r.left << "," << r.top << "," << r.right << "," << r.bottom;
}

TEST(Transform, ExtentsScaleOnlyNonZeroSides)
{
    PortXform x = Scale(2, 3, 4, 9);
    int16_t w = 5, h = 0;
    xform::ForwardExtent(x, w, h);
    EXPECT_EQ(w, 10);
    EXPECT_EQ(h, 0);
    w = 0, h = 4;
    xform::ForwardExtent(x, w, h);
    EXPECT_EQ(h, 12);
    xform::ReverseExtent(x, w, h);
    EXPECT_EQ(h, 4);
}

TEST(Transform, PrinterPageMapping)
{
    PortXform x = Offset(5, 5);
    const PortXform before = x;
    const Rect page{0, 0, 200, 100};      // top, left, bottom, right
    const Rect device{20, 10, 420, 210};
    const Rect empty{0, 0, 0, 100};
    // An empty page or device rectangle has nothing to scale by: the transform stays as it was.
    EXPECT_FALSE(xform::SetPageMapping(x, empty, device));
    EXPECT_EQ(std::memcmp(&x, &before, sizeof x), 0);
    EXPECT_FALSE(xform::SetPageMapping(x, page, empty));
    EXPECT_EQ(std::memcmp(&x, &before, sizeof x), 0);
    int16_t h = 50, v = 100;
    xform::Forward(x, h, v);
    EXPECT_EQ(h, 45) << "points still map through the kept transform";

    ASSERT_TRUE(xform::SetPageMapping(x, page, device));
    EXPECT_EQ(x.scaleActive, 1u);
    EXPECT_EQ(x.offsetActive, 1u);
    h = 50, v = 100;
    xform::Forward(x, h, v);
    EXPECT_EQ(h, 110);
    EXPECT_EQ(v, 220);
    // Equal rectangles at the origin: the identity.
    ASSERT_TRUE(xform::SetPageMapping(x, page, page));
    EXPECT_EQ(x.scaleActive, 0u);
    EXPECT_EQ(x.offsetActive, 0u);
}

// ---- Through the library: SetOrigin and the global/local conversions on a port ----

class PortTransform : public QuickDrawTest {};

TEST_F(PortTransform, SetOriginMovesThePortAndItsVisibleRegion)
{
    DibPort dp(40, 30);
    SetPor(dp.port());
    GrafPtr port = dp.port();
    const Rect vis = (**port->visRgn).rgnBBox;
    const Rect clip = (**port->clipRgn).rgnBBox;
    const Rect bounds = port->portRect;
    ASSERT_TRUE(bounds.left == 0 && bounds.top == 0);

    SetOrigin(100, 50);
    EXPECT_EQ(port->portRect.left, 100);
    EXPECT_EQ(port->portRect.top, 50);
    EXPECT_EQ(port->portRect.right, bounds.right + 100);
    EXPECT_EQ(port->portRect.bottom, bounds.bottom + 50);
    EXPECT_EQ((**port->visRgn).rgnBBox.left, vis.left + 100);
    EXPECT_EQ((**port->visRgn).rgnBBox.top, vis.top + 50);
    EXPECT_EQ(std::memcmp(&(**port->clipRgn).rgnBBox, &clip, sizeof clip), 0) << "the clip keeps local coordinates";

    // The port's top-left is device 0,0; a port without a window has no client offset.
    Point p{53, 103}; // v, h
    LocalToGlobal(&p);
    EXPECT_EQ(p.h, 3);
    EXPECT_EQ(p.v, 3);
    GlobalToLocal(&p);
    EXPECT_EQ(p.h, 103);
    EXPECT_EQ(p.v, 53);

    Rect r{50, 100, 60, 110};
    ZEL_XFormToQDRect(&r);
    EXPECT_TRUE(r.left == 0 && r.top == 0 && r.right == 10 && r.bottom == 10);

    // Back at 0,0 the transform is the identity again.
    SetOrigin(0, 0);
    p = Point{7, 9};
    LocalToGlobal(&p);
    EXPECT_TRUE(p.h == 9 && p.v == 7);
    r = Rect{1, 2, 3, 4};
    ZEL_XFormToQDRect(&r);
    EXPECT_TRUE(r.top == 1 && r.left == 2 && r.bottom == 3 && r.right == 4);
}

TEST_F(PortTransform, OffsetsClampTo16Bits)
{
    DibPort dp(8, 8);
    SetPor(dp.port());
    SetOrigin(-30000, 0);
    Point p{0, 10000};
    LocalToGlobal(&p);
    EXPECT_EQ(p.h, 32767);
    SetOrigin(0, 0);
}

TEST_F(PortTransform, GlobalAndLocalRoundTripOnAWindowPort)
{
    SetPor(WindowManagerPort());
    Point start{12, 34};
    Point p = start;
    LocalToGlobal(&p);
    GlobalToLocal(&p);
    EXPECT_TRUE(p.h == start.h && p.v == start.v);
    // The main window's client coordinates sit 20 below the global ones.
    p = start;
    ZEL_MainWndToGlobal(&p);
    ZEL_GlobalToMainWnd(&p);
    EXPECT_TRUE(p.h == start.h && p.v == start.v);
    p = start;
    ZEL_LocalToScreen(&p);
    ZEL_ScreenToLocal(&p);
    EXPECT_TRUE(p.h == start.h && p.v == start.v);
}

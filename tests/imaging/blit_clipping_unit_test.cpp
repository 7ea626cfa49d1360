// Clipping of transfer rectangles on its own: bounds of either side, the port's clip while magnifying
// and reducing, with the expected rectangles worked out by hand.
#include <gtest/gtest.h>

#include <string>

#include "blit_clipping.h"

namespace {

std::string Show(const Rect &r)
{
    return "(" + std::to_string(r.top) + "," + std::to_string(r.left) + "," + std::to_string(r.bottom) + "," +
           std::to_string(r.right) + ")";
}

bool Same(const Rect &a, const Rect &b)
{
    return a.top == b.top && a.left == b.left && a.bottom == b.bottom && a.right == b.right;
}

BlitClipSide Memory(Rect bounds, int16_t rowBytes = 0, int16_t depth = 8) { return {true, bounds, rowBytes, depth}; }
BlitClipSide Device() { return {false, {0, 0, 0, 0}, 0, 0}; }

TEST(BlitClipping, BoundsOfEitherSideInProportion)
{
    struct Case {
        BlitClipSide src, dst;
        Rect srcRect, dstRect;
        Rect wantSrc, wantDst;
        const char *what;
    };
    const Case cases[] = {
        {Memory({0, 0, 50, 50}), Device(), {0, -10, 20, 20}, {100, 100, 120, 130}, {0, 0, 20, 20},
         {100, 110, 120, 130}, "source left outside, same size"},
        {Memory({0, 0, 50, 50}), Device(), {-5, 0, 20, 20}, {0, 0, 50, 40}, {0, 0, 20, 20}, {10, 0, 50, 40},
         "source top outside, magnified 2"},
        {Memory({0, 0, 50, 50}), Device(), {0, 40, 10, 60}, {0, 0, 5, 10}, {0, 40, 10, 50}, {0, 0, 5, 5},
         "source right outside, reduced to a half"},
        {Memory({0, 0, 50, 50}), Device(), {40, 0, 56, 10}, {0, 0, 24, 15}, {40, 0, 50, 10}, {0, 0, 15, 15},
         "source bottom outside, magnified 3/2"},
        {Memory({0, 0, 10, 40}, 2, 1), Device(), {0, 0, 10, 40}, {0, 0, 10, 80}, {0, 0, 10, 16}, {0, 0, 10, 32},
         "a BitMap 40 pixels wide whose rows hold 16"},
        {Device(), Memory({0, 0, 100, 100}), {0, 0, 10, 20}, {0, -20, 10, 20}, {0, 10, 10, 20}, {0, 0, 10, 20},
         "destination left outside, magnified 2"},
        {Memory({0, 0, 10, 10}), Memory({0, 0, 20, 20}), {-2, -2, 12, 12}, {0, 0, 14, 14}, {0, 0, 10, 10},
         {2, 2, 12, 12}, "both in memory, the source cut on every side"},
        {Memory({0, 0, 10, 10}), Memory({0, 0, 10, 10}), {-2, -2, 12, 12}, {0, 0, 14, 14}, {0, 0, 8, 8},
         {2, 2, 10, 10}, "both in memory: the destination's cut takes back part of the source"},
        {Device(), Device(), {-5, -5, 5, 5}, {-5, -5, 5, 5}, {-5, -5, 5, 5}, {-5, -5, 5, 5},
         "device contexts clip themselves"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Rect src = c.srcRect, dst = c.dstRect;
        ClipBlitToBounds(c.src, c.dst, &src, &dst);
        EXPECT_TRUE(Same(src, c.wantSrc)) << Show(src) << " wanted " << Show(c.wantSrc);
        EXPECT_TRUE(Same(dst, c.wantDst)) << Show(dst) << " wanted " << Show(c.wantDst);
    }
}

TEST(BlitClipping, PortClipStepsWholeSourcePixelsButWritesInsideTheClip)
{
    struct Case {
        Rect clip, srcRect, dstRect;
        bool drawn;
        Rect wantSrc, wantDst, wantWrite;
        const char *what;
    };
    const Case cases[] = {
        {{-100, -100, 1000, 1000}, {0, 0, 10, 10}, {0, 0, 20, 10}, true, {0, 0, 10, 10}, {0, 0, 20, 10},
         {0, 0, 20, 10}, "a clip around everything"},
        {{5, -100, 100, 100}, {0, 0, 10, 10}, {0, 0, 20, 10}, true, {2, 0, 10, 10}, {4, 0, 20, 10},
         {5, 0, 20, 10}, "magnified 2 vertically, the clip 5 rows down: stepped at 4, written from 5"},
        {{0, 3, 100, 100}, {0, 0, 10, 10}, {0, 0, 10, 10}, true, {0, 3, 10, 10}, {0, 3, 10, 10},
         {0, 3, 10, 10}, "same size, the clip 3 columns in"},
        {{3, -100, 100, 100}, {0, 0, 20, 20}, {0, 0, 10, 10}, true, {6, 0, 20, 20}, {3, 0, 10, 10},
         {3, 0, 10, 10}, "reduced to a half: no stepping"},
        {{-100, -100, 100, 25}, {0, 0, 10, 20}, {0, 0, 10, 30}, true, {0, 0, 10, 18}, {0, 0, 10, 26},
         {0, 0, 10, 25}, "magnified 3/2 horizontally, the clip 5 columns short of the right"},
        {{0, 0, 7, 100}, {0, 0, 10, 10}, {0, 0, 30, 10}, true, {0, 0, 3, 10}, {0, 0, 9, 10}, {0, 0, 7, 10},
         "magnified 3 vertically, the clip's bottom inside the third source row"},
        {{50, 50, 60, 60}, {0, 0, 10, 10}, {0, 0, 10, 10}, false, {}, {}, {}, "a clip beside the destination"},
        {{0, 0, 100, 100}, {0, 0, 0, 10}, {0, 0, 10, 10}, false, {}, {}, {}, "an empty source"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Rect src = c.srcRect, dst = c.dstRect, write = {};
        ASSERT_EQ(ClipBlitToClipRect(c.clip, &src, &dst, &write), c.drawn);
        if (!c.drawn)
            continue;
        EXPECT_TRUE(Same(src, c.wantSrc)) << Show(src) << " wanted " << Show(c.wantSrc);
        EXPECT_TRUE(Same(dst, c.wantDst)) << Show(dst) << " wanted " << Show(c.wantDst);
        EXPECT_TRUE(Same(write, c.wantWrite)) << Show(write) << " wanted " << Show(c.wantWrite);
    }
}

} // namespace

// Polygon recording: pen moves and lines between OpenPoly and ClosePoly become the polygon's points and
// box with the pen hidden; points past the size limit are dropped.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "MacMemory.h"
#include "Quickdraw.h"
#include "qd_fixture.h"

using namespace testing_support;

namespace {

std::vector<std::pair<int, int>> PointsOf(PolyHandle poly)
{
    std::vector<std::pair<int, int>> points;
    const int n = ((**poly).polySize - 10) / 4;
    for (int i = 0; i < n; ++i)
        points.push_back({(**poly).polyPoints[i].h, (**poly).polyPoints[i].v});
    return points;
}

class PolygonRecording : public QuickDrawTest {};

} // namespace

TEST_F(PolygonRecording, PenMovesBecomePointsAndGrowTheBox)
{
    DibPort target(60, 50);
    SetPor(target.port());
    const int16_t pnVis = target.port()->pnVis;
    PolyHandle poly = OpenPoly();
    ASSERT_NE(poly, nullptr);
    EXPECT_EQ(target.port()->polySave, reinterpret_cast<Handle>(poly));
    EXPECT_EQ((**poly).polySize, 10);
    EXPECT_EQ(target.port()->pnVis, pnVis - 1);
    MoveT(10, 10);
    LineT(50, 10);
    LineT(50, 10); // a line to where the pen is adds nothing
    LineT(30, 40);
    ClosePoly();
    EXPECT_EQ(target.port()->polySave, nullptr);
    EXPECT_EQ(target.port()->pnVis, pnVis);
    EXPECT_EQ((**poly).polySize, 22);
    EXPECT_EQ(PointsOf(poly), (std::vector<std::pair<int, int>>{{10, 10}, {50, 10}, {30, 40}}));
    const Rect &box = (**poly).polyBBox;
    EXPECT_EQ(std::vector<int>({box.top, box.left, box.bottom, box.right}), std::vector<int>({10, 10, 40, 50}));
    // The lines were recorded, not drawn.
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 60; ++x)
            ASSERT_EQ(target.surface().Pixel(x, y), RGB(255, 255, 255)) << x << "," << y;
    KillPoly(poly);

    // Moves after ClosePoly are not recorded anywhere.
    MoveT(1, 1);
    EXPECT_EQ(target.port()->polySave, nullptr);
}

TEST_F(PolygonRecording, BoxGrowsInEveryDirectionAndKeepsEqualBounds)
{
    DibPort target(8, 8);
    SetPor(target.port());
    PolyHandle poly = OpenPoly();
    ASSERT_NE(poly, nullptr);
    MoveT(0, 0);
    LineT(-5, 3);
    LineT(7, -2);
    LineT(7, 3);
    ClosePoly();
    const Rect &box = (**poly).polyBBox;
    EXPECT_EQ(std::vector<int>({box.top, box.left, box.bottom, box.right}), std::vector<int>({-2, -5, 3, 7}));
    KillPoly(poly);
}

TEST_F(PolygonRecording, PointsPastTheSizeLimitAreDropped)
{
    DibPort target(8, 8);
    SetPor(target.port());
    PolyHandle poly = OpenPoly();
    ASSERT_NE(poly, nullptr);
    // 8,189 points fill the polygon to 32766 bytes; the 8,190th is dropped.
    for (int i = 0; i < 8190; ++i)
        MoveT(static_cast<int16_t>(i % 100), static_cast<int16_t>(i / 100));
    ClosePoly();
    EXPECT_EQ((**poly).polySize, 32766);
    EXPECT_EQ(GetHandleSize(reinterpret_cast<Handle>(poly)), 32766);
    EXPECT_EQ((**poly).polyPoints[8188].h, 8188 % 100);
    EXPECT_EQ((**poly).polyPoints[8188].v, 8188 / 100);
    KillPoly(poly);
}

// The polygon verbs against the even-odd rule at pixel centres computed here (pixels within half a
// pixel of an edge excepted): triangles, concave shapes, a pentagram, repeated and collinear points,
// one and two points and 8,189 points; open frames paint both ends and no closing edge; wide frames
// are the pen swept along the path, each pixel once; the polygon's record in a picture; a polygon
// whose size field lies; ZEL_PolyPolygon on the current port.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "MacMemory.h"
#include "Quickdraw.h"
#include "qd_fixture.h"

using namespace testing_support;

namespace {

constexpr int kW = 64, kH = 48;
const COLORREF kBlack = RGB(0, 0, 0), kWhite = RGB(255, 255, 255);

struct Pt {
    int h, v;
};

PolyHandle MakePoly(const std::vector<Pt> &pts)
{
    PolyHandle poly = OpenPoly();
    for (size_t i = 0; i < pts.size(); ++i) {
        if (i == 0)
            MoveT(static_cast<int16_t>(pts[i].h), static_cast<int16_t>(pts[i].v));
        else
            LineT(static_cast<int16_t>(pts[i].h), static_cast<int16_t>(pts[i].v));
    }
    ClosePoly();
    return poly;
}

double SegmentDistance(double px, double py, Pt a, Pt b)
{
    double dx = b.h - a.h, dy = b.v - a.v;
    double len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? std::clamp(((px - a.h) * dx + (py - a.v) * dy) / len2, 0.0, 1.0) : 0;
    return std::hypot(px - (a.h + t * dx), py - (a.v + t * dy));
}

// The even-odd rule at the point, and whether it lies within `margin` of an edge of the closed figure.
bool EvenOdd(const std::vector<Pt> &p, double x, double y)
{
    bool inside = false;
    for (size_t i = 0, j = p.size() - 1; i < p.size(); j = i++)
        if ((p[i].v > y) != (p[j].v > y) && x < (p[j].h - p[i].h) * (y - p[i].v) / double(p[j].v - p[i].v) + p[i].h)
            inside = !inside;
    return inside;
}

bool NearEdge(const std::vector<Pt> &p, double x, double y, double margin)
{
    for (size_t i = 0, j = p.size() - 1; i < p.size(); j = i++)
        if (SegmentDistance(x, y, p[j], p[i]) <= margin)
            return true;
    return false;
}

struct PolyCase {
    const char *what;
    std::vector<Pt> points;
};

std::vector<PolyCase> Cases()
{
    std::vector<PolyCase> cases = {
        {"triangle", {{5, 5}, {50, 10}, {20, 40}}},
        {"concave", {{4, 4}, {40, 4}, {40, 40}, {22, 14}, {4, 40}}},
        {"pentagram", {{32, 2}, {44, 42}, {10, 16}, {54, 16}, {20, 42}}},
        {"repeated and collinear points", {{6, 6}, {6, 6}, {20, 6}, {34, 6}, {34, 6}, {34, 30}, {6, 30}}},
        {"one point", {{10, 10}}},
        {"two points", {{10, 10}, {40, 30}}},
    };
    // 8,189 points round an ellipse (the largest polygon there is).
    PolyCase many{"8189 points", {}};
    for (int i = 0; i < 8189; ++i) {
        double a = 2 * M_PI * i / 8189;
        many.points.push_back({static_cast<int>(std::lround(32 + 28 * std::cos(a))),
                               static_cast<int>(std::lround(24 + 20 * std::sin(a)))});
    }
    cases.push_back(many);
    return cases;
}

class PolygonVerbs : public ::testing::Test {
protected:
    static void SetUpTestSuite() { QuickDrawGlobals(); }
    void SetUp() override
    {
        SetPor(port_.port());
        PenNormal();
    }
    void TearDown() override { SetPor(WindowManagerPort()); }
    DibPort port_{kW, kH};
};

TEST_F(PolygonVerbs, FillingVerbsFollowTheEvenOddRule)
{
    struct Verb {
        const char *name;
        COLORREF background, ink;
        void (*draw)(PolyHandle);
    };
    const Verb verbs[] = {
        {"paint", kWhite, kBlack, [](PolyHandle p) { PaintPoly(p); }},
        {"erase", kBlack, kWhite, [](PolyHandle p) { ErasePoly(p); }},
        {"invert", kWhite, kBlack, [](PolyHandle p) { InvertPoly(p); }},
        {"fill", kWhite, kBlack, [](PolyHandle p) { FillPoly(p, &QuickDrawGlobals().black); }},
    };
    for (const PolyCase &c : Cases()) {
        PolyHandle poly = MakePoly(c.points);
        ASSERT_NE(poly, nullptr);
        for (const Verb &v : verbs) {
            port_.surface().Fill(v.background);
            v.draw(poly);
            for (int y = 0; y < kH; ++y)
                for (int x = 0; x < kW; ++x) {
                    const double px = x + 0.5, py = y + 0.5;
                    bool flat = c.points.size() < 3;
                    // GDI samples a pixel at its top-left corner, the rule at its centre: the two part
                    // only where an edge passes within half a pixel's diagonal of the centre.
                    if (!flat && NearEdge(c.points, px, py, 0.71))
                        continue;
                    bool inside = !flat && EvenOdd(c.points, px, py);
                    ASSERT_EQ(port_.surface().Pixel(x, y) == v.ink, inside)
                        << c.what << ", " << v.name << " at " << x << "," << y;
                }
        }
        KillPoly(poly);
    }
}

TEST_F(PolygonVerbs, OpenFramesPaintBothEndsAndNoClosingEdge)
{
    PolyHandle poly = MakePoly({{5, 5}, {40, 5}, {40, 30}});
    port_.surface().Fill(kWhite);
    FramePoly(poly);
    EXPECT_EQ(port_.surface().Pixel(5, 5), kBlack) << "first point";
    EXPECT_EQ(port_.surface().Pixel(40, 30), kBlack) << "last point";
    EXPECT_EQ(port_.surface().Pixel(22, 5), kBlack);
    EXPECT_EQ(port_.surface().Pixel(40, 18), kBlack);
    // Nothing on the line back from (40, 30) to (5, 5).
    for (int i = 2; i < 33; ++i) {
        int x = 5 + 35 * i / 35, y = 5 + 25 * i / 35;
        if (x < 39) {
            EXPECT_EQ(port_.surface().Pixel(x, y), kWhite) << x << "," << y;
        }
    }
    // In patXor every pixel of the outline is inverted once: twice gives the background back.
    PenMode(patXor);
    FramePoly(poly);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x)
            ASSERT_EQ(port_.surface().Pixel(x, y), kWhite) << x << "," << y;
    PenNormal();
    KillPoly(poly);
}

// A wide frame is the pen rectangle swept along the path: on axis-parallel paths, exactly the union of
// the pen rectangles; in patXor each pixel once.
TEST_F(PolygonVerbs, WideFramesSweepThePen)
{
    const Point pens[] = {{2, 2}, {4, 4}, {6, 6}, {8, 1}, {2, 7}}; // (v, h)
    const std::vector<Pt> path = {{6, 6}, {40, 6}, {40, 30}, {10, 30}};
    PolyHandle poly = MakePoly(path);
    for (const Point &pen : pens) {
        port_.surface().Fill(kWhite);
        PenSize(pen.h, pen.v);
        FramePoly(poly);
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                bool swept = false;
                for (size_t i = 1; i < path.size() && !swept; ++i) {
                    int l = std::min(path[i - 1].h, path[i].h), r = std::max(path[i - 1].h, path[i].h) + pen.h;
                    int t = std::min(path[i - 1].v, path[i].v), b = std::max(path[i - 1].v, path[i].v) + pen.v;
                    swept = x >= l && x < r && y >= t && y < b;
                }
                ASSERT_EQ(port_.surface().Pixel(x, y) == kBlack, swept)
                    << "pen " << pen.h << "x" << pen.v << " at " << x << "," << y;
            }
        PenMode(patXor);
        FramePoly(poly);
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x)
                ASSERT_EQ(port_.surface().Pixel(x, y), kWhite) << "xor, pen " << pen.h << "x" << pen.v;
        PenNormal();
    }
    KillPoly(poly);
}

// Figures drawn with MoveT and LineT inside OpenRgn/CloseRgn make the region of their even-odd test,
// two separate figures included.
TEST_F(PolygonVerbs, LineFiguresMakeTheirRegion)
{
    const std::vector<std::vector<Pt>> figures = {{{5, 5}, {30, 8}, {12, 35}}, {{36, 10}, {58, 10}, {58, 40}, {36, 40}}};
    OpenRgn();
    for (const auto &f : figures) {
        MoveT(static_cast<int16_t>(f[0].h), static_cast<int16_t>(f[0].v));
        for (size_t i = 1; i <= f.size(); ++i)
            LineT(static_cast<int16_t>(f[i % f.size()].h), static_cast<int16_t>(f[i % f.size()].v));
    }
    RgnHandle rgn = NewRgn();
    CloseRgn(rgn);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            const double px = x + 0.5, py = y + 0.5;
            bool edge = false, inside = false;
            for (const auto &f : figures) {
                edge |= NearEdge(f, px, py, 0.71);
                inside |= EvenOdd(f, px, py);
            }
            if (!edge) {
                ASSERT_EQ(PtInRgn(Point{static_cast<int16_t>(y), static_cast<int16_t>(x)}, rgn) != 0, inside)
                    << x << "," << y;
            }
        }
    DisposeRgn(rgn);
}

// Every pair of the eight directions meeting at a vertex: the wide frame covers every pen rectangle
// along both segments and nothing but pixels next to them (the slanted edges of the Minkowski sum).
TEST_F(PolygonVerbs, WideCornersCoverEveryDirectionPair)
{
    const Pt dirs[8] = {{1, 1}, {1, -1}, {1, 0}, {-1, 1}, {-1, -1}, {-1, 0}, {0, 1}, {0, -1}};
    const Point pen{2, 3}; // (v, h)
    for (const Pt &in : dirs)
        for (const Pt &out : dirs) {
            const Pt mid{30, 24};
            const std::vector<Pt> path = {{mid.h - 9 * in.h, mid.v - 9 * in.v}, mid, {mid.h + 9 * out.h, mid.v + 9 * out.v}};
            std::set<std::pair<int, int>> area;
            for (size_t s = 1; s < path.size(); ++s)
                for (int i = 0; i <= 9; ++i) {
                    int h = path[s - 1].h + (path[s].h - path[s - 1].h) * i / 9;
                    int v = path[s - 1].v + (path[s].v - path[s - 1].v) * i / 9;
                    for (int y = 0; y < pen.v; ++y)
                        for (int x = 0; x < pen.h; ++x)
                            area.insert({h + x, v + y});
                }
            PolyHandle poly = MakePoly(path);
            port_.surface().Fill(kWhite);
            PenSize(pen.h, pen.v);
            FramePoly(poly);
            PenNormal();
            KillPoly(poly);
            for (int y = 0; y < kH; ++y)
                for (int x = 0; x < kW; ++x) {
                    bool painted = port_.surface().Pixel(x, y) == kBlack;
                    bool inArea = area.count({x, y}) > 0;
                    bool nextToArea = false;
                    for (int dy = -1; dy <= 1; ++dy)
                        for (int dx = -1; dx <= 1; ++dx)
                            nextToArea |= area.count({x + dx, y + dy}) > 0;
                    ASSERT_TRUE(painted == inArea || (painted && nextToArea))
                        << "in " << in.h << "," << in.v << " out " << out.h << "," << out.v << " at " << x << "," << y;
                }
        }
}

TEST_F(PolygonVerbs, OffsetMovesPointsAndBox)
{
    PolyHandle poly = MakePoly({{5, 5}, {20, 8}, {10, 25}});
    OffsetPoly(poly, 7, -3);
    const struct Polygon &p = **poly;
    EXPECT_EQ(p.polyPoints[1].h, 27);
    EXPECT_EQ(p.polyPoints[1].v, 5);
    EXPECT_EQ(p.polyBBox.left, 12);
    EXPECT_EQ(p.polyBBox.right, 27);
    EXPECT_EQ(p.polyBBox.top, 2);
    EXPECT_EQ(p.polyBBox.bottom, 22);
    KillPoly(poly);
}

// A polySize beyond the handle reads no further than the handle; one below the header means no points.
TEST_F(PolygonVerbs, LyingSizesStayInsideTheHandle)
{
    PolyHandle poly = MakePoly({{5, 5}, {30, 5}, {30, 30}});
    port_.surface().Fill(kWhite);
    (**poly).polySize = 32000;
    PaintPoly(poly);
    EXPECT_EQ(port_.surface().Pixel(25, 10), kBlack) << "the three real points still draw";
    port_.surface().Fill(kWhite);
    (**poly).polySize = 6;
    PaintPoly(poly);
    FramePoly(poly);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x)
            ASSERT_EQ(port_.surface().Pixel(x, y), kWhite);
    KillPoly(poly);
}

TEST_F(PolygonVerbs, PicturesRecordTheWholePolygon)
{
    QDProcs procs;
    SetStdProcs(&procs);
    procs.putPicProc = CapturePutPic;
    port_.port()->grafProcs = &procs;
    PolyHandle poly = MakePoly({{5, 6}, {20, 8}, {10, 25}});
    PictureRecords().clear();
    Handle pic = NewHandle(0);
    port_.port()->picSave = pic;
    PaintPoly(poly);
    port_.port()->picSave = nullptr;
    port_.port()->grafProcs = nullptr;
    DisposeHandle(pic);
    std::vector<uint8_t> found;
    for (const auto &rec : PictureRecords())
        if (rec.size() >= 2 && rec[0] == 0 && rec[1] == 0x71)
            found = rec;
    // 0x71, polySize 22, box (6, 5, 25, 20), points (v, h) big-endian.
    const std::vector<uint8_t> expected = {0, 0x71, 0, 22, 0, 6, 0, 5, 0, 25, 0, 20, 0, 6, 0, 5, 0, 8, 0, 20, 0, 25, 0, 10};
    EXPECT_EQ(found, expected);
    KillPoly(poly);
}

// Device polygons go only to the current port's DC, drawn with its pen mode and pen pattern and without an
// outline; another DC is neither drawn on nor answered 1.
TEST_F(PolygonVerbs, PolyPolygonFillsOnlyTheCurrentPortWithItsPen)
{
    const POINT points[8] = {{2, 2}, {20, 2}, {20, 20}, {2, 20}, {30, 2}, {50, 2}, {50, 20}, {30, 20}};
    const INT two[2] = {4, 4};
    struct Case {
        const char *what;
        bool currentDC; // the port's own DC rather than 0
        int16_t mode;
        COLORREF background, ink;
    };
    const Case cases[] = {
        {"dc 0, patCopy", false, patCopy, kWhite, kBlack},
        {"the port's DC, patCopy", true, patCopy, kWhite, kBlack},
        {"dc 0, patXor over black", false, patXor, kBlack, kWhite},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        port_.surface().Fill(c.background);
        PenMode(c.mode);
        EXPECT_EQ(ZEL_PolyPolygon(c.currentDC ? ZEL_GetCurrentDC() : nullptr, points, two, 2), 1);
        EXPECT_EQ(port_.surface().Pixel(10, 10), c.ink);
        EXPECT_EQ(port_.surface().Pixel(40, 10), c.ink);
        EXPECT_EQ(port_.surface().Pixel(20, 10), c.background) << "no outline: the null pen";
        EXPECT_EQ(port_.surface().Pixel(25, 10), c.background) << "between the polygons";
    }
    PenMode(patCopy);

    DibSurface other(60, 24);
    other.Fill(kWhite);
    SelectObject(other.dc(), GetStockObject(BLACK_BRUSH));
    EXPECT_EQ(ZEL_PolyPolygon(other.dc(), points, two, 2), 0);
    EXPECT_EQ(other.Pixel(10, 10), kWhite) << "another DC is not drawn on";

    const INT bad[2] = {4, 1};
    SetLastError(0);
    const int gdi = PolyPolygon(ZEL_GetCurrentDC(), points, bad, 2) && GetLastError() == 0 ? 1 : 0;
    EXPECT_EQ(ZEL_PolyPolygon(nullptr, points, bad, 2), gdi);
}

} // namespace

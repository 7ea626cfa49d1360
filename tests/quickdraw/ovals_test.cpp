// Ovals, round rectangles and arcs against the ideal shapes computed here: every verb on rectangles
// from 1 x 1 to 63 x 17 paints what lies inside the ideal shape by more than a pixel and nothing outside
// it by more than a pixel, never leaves the rectangle and touches its four sides; thin frames are
// closed and lie in the oval's rim; wide frames are the ring of the pen; wedges cover their angles;
// regions built from framed ovals are the painted ovals.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <set>
#include <vector>

#include "MacMemory.h"
#include "Quickdraw.h"
#include "qd_fixture.h"

using namespace testing_support;

namespace {

constexpr int kW = 80, kH = 48;
const COLORREF kBlack = RGB(0, 0, 0), kWhite = RGB(255, 255, 255);

using Mask = std::vector<std::vector<bool>>;

Mask Capture(DibPort &port, COLORREF ink)
{
    Mask m(kH, std::vector<bool>(kW));
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x)
            m[y][x] = port.surface().Pixel(x, y) == ink;
    return m;
}

std::string Show(const Mask &m, const Rect &r)
{
    std::string out = "\n";
    for (int y = std::max(0, r.top - 1); y < std::min(kH, r.bottom + 1); ++y) {
        for (int x = std::max(0, r.left - 1); x < std::min(kW, r.right + 1); ++x)
            out += m[y][x] ? '#' : '.';
        out += '\n';
    }
    return out;
}

// The ideal round rectangle of r with corner radii (rx, ry) grown by `grow` pixels: does the pixel
// centre (x + 0.5, y + 0.5) lie inside it? An oval is the round rectangle whose radii are half the
// sides.
bool InsideIdeal(const Rect &r, double rx, double ry, double px, double py, double grow)
{
    const double l = r.left - grow, t = r.top - grow, rr = r.right + grow, b = r.bottom + grow;
    if (rr <= l || b <= t)
        return false;
    rx = std::min(rx + grow, (rr - l) / 2);
    ry = std::min(ry + grow, (b - t) / 2);
    if (rx <= 0 || ry <= 0)
        return px >= l && px <= rr && py >= t && py <= b;
    if (px < l || px > rr || py < t || py > b)
        return false;
    const double cx = std::clamp(px, l + rx, rr - rx), cy = std::clamp(py, t + ry, b - ry);
    const double dx = (px - cx) / rx, dy = (py - cy) / ry;
    return dx * dx + dy * dy <= 1.0;
}

// Checks a drawn shape against its ideal: painted inside it by more than a pixel, clear outside it by
// more than a pixel, nothing outside the rectangle, something on each of the rectangle's sides.
void ExpectShape(const Mask &m, const Rect &r, double rx, double ry, const char *what)
{
    bool top = false, bottom = false, left = false, right = false;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            const double px = x + 0.5, py = y + 0.5;
            const bool inRect = x >= r.left && x < r.right && y >= r.top && y < r.bottom;
            if (!inRect) {
                ASSERT_FALSE(m[y][x]) << what << ": outside the rectangle at " << x << "," << y << Show(m, r);
                continue;
            }
            if (InsideIdeal(r, rx, ry, px, py, -1)) {
                ASSERT_TRUE(m[y][x]) << what << ": hole at " << x << "," << y << Show(m, r);
            }
            if (!InsideIdeal(r, rx, ry, px, py, 1)) {
                ASSERT_FALSE(m[y][x]) << what << ": spill at " << x << "," << y << Show(m, r);
            }
            if (m[y][x]) {
                top |= y == r.top;
                bottom |= y == r.bottom - 1;
                left |= x == r.left;
                right |= x == r.right - 1;
            }
        }
    EXPECT_TRUE(top && bottom && left && right) << what << ": a side untouched" << Show(m, r);
}

struct Size {
    int16_t w, h;
};
const Size kSizes[] = {{1, 1}, {2, 2}, {3, 5}, {7, 4}, {9, 9}, {15, 15}, {16, 16}, {20, 10},
                       {20, 12}, {24, 31}, {31, 9}, {40, 40}, {63, 17}};

Rect At(const Size &s, int16_t left = 5, int16_t top = 4)
{
    return Rect{top, left, static_cast<int16_t>(top + s.h), static_cast<int16_t>(left + s.w)};
}

// A filling verb drawn on the surface, and the colour it leaves.
struct Verb {
    const char *name;
    COLORREF background;
    COLORREF ink;
    std::function<void(const Rect &)> oval;
    std::function<void(const Rect &, int16_t, int16_t)> rrect;
    std::function<void(const Rect &, int16_t, int16_t)> arc;
};

const std::vector<Verb> &Verbs()
{
    static const std::vector<Verb> verbs = {
        {"paint", kWhite, kBlack, [](const Rect &r) { PaintOval(&r); },
         [](const Rect &r, int16_t w, int16_t h) { PaintRoundRect(&r, w, h); },
         [](const Rect &r, int16_t s, int16_t a) { PaintArc(&r, s, a); }},
        {"erase", kBlack, kWhite, [](const Rect &r) { EraseOval(&r); },
         [](const Rect &r, int16_t w, int16_t h) { EraseRoundRect(&r, w, h); },
         [](const Rect &r, int16_t s, int16_t a) { EraseArc(&r, s, a); }},
        {"invert", kWhite, kBlack, [](const Rect &r) { InvertOval(&r); },
         [](const Rect &r, int16_t w, int16_t h) { InvertRoundRect(&r, w, h); },
         [](const Rect &, int16_t, int16_t) {}}, // InvertArc is not exported
        {"fill", kWhite, kBlack, [](const Rect &r) { FillOval(&r, &QuickDrawGlobals().black); },
         [](const Rect &r, int16_t w, int16_t h) { FillRoundRect(&r, w, h, &QuickDrawGlobals().black); },
         [](const Rect &r, int16_t s, int16_t a) { FillArc(&r, s, a, &QuickDrawGlobals().black); }},
    };
    return verbs;
}

class Ovals : public ::testing::Test {
protected:
    static void SetUpTestSuite() { QuickDrawGlobals(); }
    void SetUp() override
    {
        SetPor(port_.port());
        PenNormal();
    }
    void TearDown() override { SetPor(WindowManagerPort()); }
    Mask Draw(COLORREF background, COLORREF ink, const std::function<void()> &draw)
    {
        port_.surface().Fill(background);
        draw();
        return Capture(port_, ink);
    }
    DibPort port_{kW, kH};
};

TEST_F(Ovals, EveryVerbPaintsTheIdealOval)
{
    for (const Verb &v : Verbs())
        for (const Size &s : kSizes) {
            Rect r = At(s);
            Mask m = Draw(v.background, v.ink, [&] { v.oval(r); });
            std::string what = std::string(v.name) + " " + std::to_string(s.w) + "x" + std::to_string(s.h);
            ExpectShape(m, r, s.w / 2.0, s.h / 2.0, what.c_str());
            if (HasFatalFailure())
                return;
        }
}

TEST_F(Ovals, EveryVerbPaintsTheIdealRoundRect)
{
    const Size ovals[] = {{8, 8}, {4, 10}, {200, 200}, {6, 2}};
    for (const Verb &v : Verbs())
        for (const Size &s : kSizes)
            for (const Size &o : ovals) {
                Rect r = At(s);
                Mask m = Draw(v.background, v.ink, [&] { v.rrect(r, o.w, o.h); });
                // Oval sizes beyond the rectangle are clamped to it.
                const double rx = std::min(o.w, s.w) / 2.0, ry = std::min(o.h, s.h) / 2.0;
                std::string what = std::string(v.name) + " " + std::to_string(s.w) + "x" + std::to_string(s.h) +
                                   " oval " + std::to_string(o.w) + "x" + std::to_string(o.h);
                ExpectShape(m, r, rx, ry, what.c_str());
                if (HasFatalFailure())
                    return;
            }
}

TEST_F(Ovals, RoundRectWithoutCornersIsTheRectangle)
{
    for (const Size &s : kSizes) {
        Rect r = At(s, 3, 2);
        Mask round = Draw(kWhite, kBlack, [&] { PaintRoundRect(&r, 0, 0); });
        Mask square = Draw(kWhite, kBlack, [&] { PaintRect(&r); });
        EXPECT_TRUE(round == square) << s.w << "x" << s.h << Show(round, r);
    }
}

// A shape drawn again after other shapes on the same rectangle (other corners, other angles, a wedge and
// the whole oval, a round rectangle and an arc) paints what it painted the first time.
TEST_F(Ovals, ShapesRepeatedOnOneRectangleKeepTheirPixels)
{
    const Rect r = At(Size{31, 23});
    const std::vector<std::pair<const char *, std::function<void()>>> shapes = {
        {"round rect 12x12", [&] { PaintRoundRect(&r, 12, 12); }},
        {"round rect 12x6", [&] { PaintRoundRect(&r, 12, 6); }},
        {"arc 45 over 90", [&] { PaintArc(&r, 45, 90); }},
        {"arc 45 over 100", [&] { PaintArc(&r, 45, 100); }},
        {"arc 0 over 360", [&] { PaintArc(&r, 0, 360); }},
        {"arc 0 over 359", [&] { PaintArc(&r, 0, 359); }},
        {"arc 405 over 90", [&] { PaintArc(&r, 405, 90); }},
    };
    std::vector<Mask> first;
    for (const auto &shape : shapes)
        first.push_back(Draw(kWhite, kBlack, shape.second));
    for (size_t i = shapes.size(); i-- > 0;)
        EXPECT_TRUE(Draw(kWhite, kBlack, shapes[i].second) == first[i]) << shapes[i].first << Show(first[i], r);
}

// Figures drawn from points (round rectangles, arcs, small ovals, polygons) are painted by joining their
// region to the DC's clip for one blit, and ovals drawn by GDI leave the clip out when it is one
// rectangle holding them. The pixels are those of the figure painted through the clip as it is, for
// every verb, pen mode, solid and patterned fill and colour, on a striped background, with the clip
// open, a region cutting the figures, a rectangle cutting them and the figure's own rectangle.
TEST_F(Ovals, PointFiguresPaintThroughTheClipAsThroughTheirRegion)
{
    enum Verb : GrafVerb { kPaint = 1, kErase = 2, kInvert = 3, kFill = 4 };
    using Image = std::vector<COLORREF>;
    auto capture = [&] {
        Image image(kW * kH);
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x)
                image[y * kW + x] = port_.surface().Pixel(x, y);
        return image;
    };
    auto differences = [](const Image &a, const Image &b) {
        std::string map = "\n";
        for (int y = 0; y < kH; ++y) {
            for (int x = 0; x < kW; ++x)
                map += a[y * kW + x] == b[y * kW + x] ? '.' : 'X';
            map += '\n';
        }
        return map;
    };
    // Stripes of four colours, so that every pen mode changes something.
    const COLORREF stripes[] = {RGB(255, 255, 255), RGB(0, 0, 0), RGB(200, 40, 90), RGB(30, 160, 220)};
    auto background = [&] {
        for (int x = 0; x < kW; x += 3) {
            RECT column{x, 0, std::min(x + 3, kW), kH};
            HBRUSH brush = CreateSolidBrush(stripes[(x / 3) % 4]);
            FillRect(port_.surface().dc(), &column, brush);
            DeleteObject(brush);
        }
    };
    const Pattern gray = QuickDrawGlobals().gray, black = QuickDrawGlobals().black;
    const Pattern checker{{0x0F, 0x0F, 0x0F, 0x0F, 0xF0, 0xF0, 0xF0, 0xF0}};
    struct Fill {
        const char *name;
        GrafVerb verb;
        int16_t mode;
        const Pattern *pattern;
        bool colour; // red on blue rather than black on white
    };
    const Fill fills[] = {
        {"paint black patCopy", kPaint, patCopy, &black, false},  {"paint gray patCopy", kPaint, patCopy, &gray, false},
        {"paint gray patOr", kPaint, patOr, &gray, false},        {"paint black patXor", kPaint, patXor, &black, false},
        {"paint gray patBic", kPaint, patBic, &gray, true},       {"paint gray notPatCopy", kPaint, notPatCopy, &gray, true},
        {"paint gray notPatOr", kPaint, notPatOr, &gray, false},  {"paint black notPatXor", kPaint, notPatXor, &black, true},
        {"paint gray notPatBic", kPaint, notPatBic, &gray, false}, {"paint black in colour", kPaint, patCopy, &black, true},
        {"erase gray", kErase, patCopy, &gray, true},             {"invert", kInvert, patCopy, &black, false},
        {"fill checker", kFill, patCopy, &checker, true},         {"fill black", kFill, patCopy, &black, false},
    };
    using Draw = std::function<void(GrafVerb, const Rect &, const Pattern *)>;
    auto rrect = [](int16_t w, int16_t h) -> Draw {
        return [w, h](GrafVerb verb, const Rect &r, const Pattern *pattern) {
            switch (verb) {
            case kPaint: PaintRoundRect(&r, w, h); break;
            case kErase: EraseRoundRect(&r, w, h); break;
            case kInvert: InvertRoundRect(&r, w, h); break;
            default: FillRoundRect(&r, w, h, pattern); break;
            }
        };
    };
    auto arc = [](int16_t start, int16_t angle) -> Draw {
        return [start, angle](GrafVerb verb, const Rect &r, const Pattern *pattern) {
            switch (verb) {
            case kPaint: PaintArc(&r, start, angle); break;
            case kErase: EraseArc(&r, start, angle); break;
            case kInvert: break; // InvertArc is not exported
            default: FillArc(&r, start, angle, pattern); break;
            }
        };
    };
    // Ovals smaller than 16 pixels across are drawn from points too.
    Draw smallOval = [](GrafVerb verb, const Rect &r, const Pattern *pattern) {
        const Rect small{r.top, r.left, static_cast<int16_t>(r.top + std::min(r.bottom - r.top, 13)),
                         static_cast<int16_t>(r.left + std::min(r.right - r.left, 11))};
        switch (verb) {
        case kPaint: PaintOval(&small); break;
        case kErase: EraseOval(&small); break;
        case kInvert: InvertOval(&small); break;
        default: FillOval(&small, pattern); break;
        }
    };
    // A self-crossing star of five points.
    Draw star = [](GrafVerb verb, const Rect &r, const Pattern *pattern) {
        const int16_t w = static_cast<int16_t>(r.right - r.left), h = static_cast<int16_t>(r.bottom - r.top);
        PolyHandle poly = OpenPoly();
        MoveT(r.left, r.top);
        LineT(r.right, static_cast<int16_t>(r.top + h / 3));
        LineT(static_cast<int16_t>(r.left + w / 4), r.bottom);
        LineT(static_cast<int16_t>(r.left + w / 2), r.top);
        LineT(static_cast<int16_t>(r.left + 3 * w / 4), r.bottom);
        LineT(r.left, r.top);
        ClosePoly();
        switch (verb) {
        case kPaint: PaintPoly(poly); break;
        case kErase: ErasePoly(poly); break;
        case kInvert: InvertPoly(poly); break;
        default: FillPoly(poly, pattern); break;
        }
        KillPoly(poly);
    };
    const std::pair<const char *, Draw> figures[] = {
        {"round rect 12x12", rrect(12, 12)}, {"round rect 5x9", rrect(5, 9)},       {"round rect 3x3", rrect(3, 3)},
        {"round rect of whole sides", rrect(200, 200)}, {"arc 45 over 90", arc(45, 90)}, {"arc 200 over -70", arc(200, -70)},
        {"arc 0 over 360", arc(0, 360)},     {"small oval", smallOval},              {"star polygon", star},
        {"oval",
         [](GrafVerb verb, const Rect &r, const Pattern *pattern) {
             switch (verb) {
             case kPaint: PaintOval(&r); break;
             case kErase: EraseOval(&r); break;
             case kInvert: InvertOval(&r); break;
             default: FillOval(&r, pattern); break;
             }
         }},
    };
    const Size sizes[] = {{1, 1}, {2, 3}, {7, 4}, {9, 9}, {16, 16}, {20, 12}, {31, 9}, {40, 40}, {63, 17}};
    RgnHandle cut = NewRgn(), part = NewRgn();
    SetRectRg(cut, 0, 0, kW, 14);
    SetRectRg(part, 20, 0, 45, kH);
    UnionRg(cut, part, cut);
    const RGBColor red{0xC000, 0x2000, 0x1000}, blue{0x1000, 0x3000, 0xE000};
    const char *clips[] = {"", ", clipped by a region", ", clipped by a rectangle", ", clipped to its rectangle"};
    for (int clip = 0; clip < 4; ++clip)
        for (const Size &s : sizes)
            for (const auto &[name, draw] : figures)
                for (const Fill &fill : fills) {
                    const Rect r = At(s, 6, 3);
                    const Rect halves{0, 0, kH, static_cast<int16_t>(r.left + s.w / 2)};
                    Image routes[2];
                    for (int route = 0; route < 2; ++route) {
                        const Boolean was = SelectClipFillRoute(route == 1);
                        PenNormal();
                        PenMode(fill.mode);
                        PenPat(fill.pattern);
                        BackPat(fill.pattern);
                        if (fill.colour) {
                            RGBForeColor(&red);
                            RGBBackColor(&blue);
                        } else {
                            ForeColor(blackColor);
                            BackColor(whiteColor);
                        }
                        switch (clip) {
                        case 0: ClipRect(&port_.port()->portRect); break;
                        case 1: SetClip(cut); break;
                        case 2: ClipRect(&halves); break;
                        default: ClipRect(&r); break;
                        }
                        background();
                        draw(fill.verb, r, fill.pattern);
                        routes[route] = capture();
                        SelectClipFillRoute(was);
                    }
                    ASSERT_TRUE(routes[0] == routes[1]) << name << ", " << fill.name << " on " << s.w << "x" << s.h
                                                        << clips[clip] << differences(routes[0], routes[1]);
                }
    ClipRect(&port_.port()->portRect);
    DisposeRgn(cut);
    DisposeRgn(part);
    PenNormal();
    ForeColor(blackColor);
    BackColor(whiteColor);
    BackPat(&QuickDrawGlobals().white);
}

// A 4-connected flood through unpainted pixels from the centre never leaves the rectangle.
bool Closed(const Mask &m, const Rect &r)
{
    const int cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
    if (m[cy][cx])
        return true;
    std::vector<std::pair<int, int>> todo{{cx, cy}};
    std::set<std::pair<int, int>> seen{{cx, cy}};
    while (!todo.empty()) {
        auto [x, y] = todo.back();
        todo.pop_back();
        if (x < r.left || x >= r.right || y < r.top || y >= r.bottom)
            return false;
        for (auto [dx, dy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}}) {
            int nx = x + dx, ny = y + dy;
            if (nx < 0 || ny < 0 || nx >= kW || ny >= kH || m[ny][nx] || !seen.insert({nx, ny}).second)
                continue;
            todo.push_back({nx, ny});
        }
    }
    return true;
}

Rect Inset(const Rect &r, int dh, int dv)
{
    return Rect{static_cast<int16_t>(r.top + dv), static_cast<int16_t>(r.left + dh), static_cast<int16_t>(r.bottom - dv),
                static_cast<int16_t>(r.right - dh)};
}

TEST_F(Ovals, ThinFramesAreClosedAndLieOnTheRim)
{
    for (const Size &s : kSizes) {
        if (s.w < 5 || s.h < 5)
            continue;
        Rect r = At(s);
        Mask frame = Draw(kWhite, kBlack, [&] { FrameOval(&r); });
        Mask whole = Draw(kWhite, kBlack, [&] { PaintOval(&r); });
        Rect in = Inset(r, 2, 2);
        Mask inner = Draw(kWhite, kBlack, [&] { PaintOval(&in); });
        EXPECT_TRUE(Closed(frame, r)) << s.w << "x" << s.h << Show(frame, r);
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x)
                if (frame[y][x]) {
                    ASSERT_TRUE(whole[y][x]) << s.w << "x" << s.h << " at " << x << "," << y << Show(frame, r);
                    ASSERT_FALSE(inner[y][x]) << s.w << "x" << s.h << " at " << x << "," << y << Show(frame, r);
                }
    }
}

// Every pixel of `a` lies within one pixel of a pixel of `b`.
bool WithinAPixel(const Mask &a, const Mask &b)
{
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            if (!a[y][x])
                continue;
            bool found = false;
            for (int dy = -1; dy <= 1 && !found; ++dy)
                for (int dx = -1; dx <= 1 && !found; ++dx) {
                    int nx = x + dx, ny = y + dy;
                    found = nx >= 0 && ny >= 0 && nx < kW && ny < kH && b[ny][nx];
                }
            if (!found)
                return false;
        }
    return true;
}

// A wide pen's frame is the ring between the oval and the oval inset by the pen: ph at the sides, pv at
// top and bottom.
TEST_F(Ovals, WideFramesAreThePensRing)
{
    const Point pens[] = {{2, 2}, {3, 3}, {4, 4}, {5, 5}, {6, 6}, {8, 1}}; // (v, h)
    const Size sizes[] = {{40, 30}, {25, 40}, {63, 17}, {12, 12}};
    for (const Point &pen : pens)
        for (const Size &s : sizes) {
            Rect r = At(s);
            Mask frame = Draw(kWhite, kBlack, [&] {
                PenSize(pen.h, pen.v);
                FrameOval(&r);
                PenNormal();
            });
            Mask outer = Draw(kWhite, kBlack, [&] { PaintOval(&r); });
            Rect in = Inset(r, pen.h, pen.v);
            Mask inner = Draw(kWhite, kBlack, [&] { PaintOval(&in); });
            Mask ring = outer;
            for (int y = 0; y < kH; ++y)
                for (int x = 0; x < kW; ++x)
                    ring[y][x] = outer[y][x] && !inner[y][x];
            EXPECT_TRUE(WithinAPixel(frame, ring) && WithinAPixel(ring, frame))
                << "pen " << pen.h << "x" << pen.v << " on " << s.w << "x" << s.h << Show(frame, r) << Show(ring, r);
            for (int y = 0; y < kH; ++y)
                for (int x = 0; x < kW; ++x)
                    if (frame[y][x]) {
                        ASSERT_TRUE(x >= r.left && x < r.right && y >= r.top && y < r.bottom) << "outside the rectangle";
                    }
        }
}

// A wide arc frame is its wedge's part of the pen's ring, within a pixel both ways.
TEST_F(Ovals, WideArcFramesAreTheWedgesRing)
{
    const Point pens[] = {{3, 3}, {5, 2}, {2, 6}}; // (v, h)
    const std::pair<int16_t, int16_t> arcs[] = {{0, 90}, {30, 100}, {200, -70}, {270, 180}};
    for (const Point &pen : pens)
        for (auto [start, arc] : arcs) {
            Rect r = At({50, 36});
            Mask frame = Draw(kWhite, kBlack, [&] {
                PenSize(pen.h, pen.v);
                FrameArc(&r, start, arc);
                PenNormal();
            });
            Mask wedge = Draw(kWhite, kBlack, [&] { PaintArc(&r, start, arc); });
            Rect in = Inset(r, pen.h, pen.v);
            Mask inner = Draw(kWhite, kBlack, [&] { PaintOval(&in); });
            Mask band = wedge;
            for (int y = 0; y < kH; ++y)
                for (int x = 0; x < kW; ++x)
                    band[y][x] = wedge[y][x] && !inner[y][x];
            EXPECT_TRUE(WithinAPixel(frame, band) && WithinAPixel(band, frame))
                << "pen " << pen.h << "x" << pen.v << " arc " << start << "," << arc << Show(frame, r) << Show(band, r);
        }
}

// In patXor a wide frame inverts each of its pixels once: drawn twice it leaves nothing.
TEST_F(Ovals, WideXorFramesInvertOnce)
{
    Rect r = At({40, 30});
    Mask m = Draw(kWhite, kBlack, [&] {
        PenSize(3, 5);
        PenMode(patXor);
        FrameOval(&r);
        FrameOval(&r);
        PenNormal();
    });
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x)
            ASSERT_FALSE(m[y][x]) << x << "," << y;
}

// The angle of a pixel centre in the rectangle's normalised coordinates, 0 at twelve o'clock,
// clockwise, in 0..360; and its distance in pixels from the ray at angle `deg`.
double PixelAngle(const Rect &r, double px, double py)
{
    const double a = (r.right - r.left) / 2.0, b = (r.bottom - r.top) / 2.0;
    const double nx = (px - (r.left + a)) / a, ny = -(py - (r.top + b)) / b;
    double deg = std::atan2(nx, ny) * 180.0 / M_PI;
    return deg < 0 ? deg + 360 : deg;
}

double DistanceFromRay(const Rect &r, double px, double py, double deg)
{
    const double a = (r.right - r.left) / 2.0, b = (r.bottom - r.top) / 2.0;
    const double cx = r.left + a, cy = r.top + b;
    const double dx = a * std::sin(deg * M_PI / 180), dy = -b * std::cos(deg * M_PI / 180);
    const double len = std::hypot(dx, dy);
    const double t = ((px - cx) * dx + (py - cy) * dy) / (len * len);
    if (t < 0)
        return std::hypot(px - cx, py - cy);
    return std::abs((px - cx) * dy - (py - cy) * dx) / len;
}

bool InWedge(double angle, double start, double arc)
{
    double from = std::fmod(std::fmod(start, 360) + 360, 360);
    double rel = std::fmod(angle - from + 720, 360);
    return rel <= arc;
}

TEST_F(Ovals, WedgesCoverTheirAnglesAndNothingElse)
{
    struct ArcCase {
        int16_t start, arc;
        double wantStart, wantArc; // the wedge covered, start and positive extent
    };
    const ArcCase arcs[] = {{0, 90, 0, 90},      {45, 90, 45, 90},    {90, -90, 0, 90},      {300, 120, 300, 120},
                            {10, 359, 10, 359},  {0, 360, 0, 360},    {0, 720, 0, 360},      {200, -32768, 0, 360},
                            {-30, 60, 330, 60},  {170, 20, 170, 20}};
    const Size sizes[] = {{40, 40}, {60, 24}, {13, 21}};
    for (const Verb &v : Verbs()) {
        if (std::string(v.name) == "invert")
            continue;
        for (const Size &s : sizes)
            for (const ArcCase &c : arcs) {
                Rect r = At(s);
                Mask m = Draw(v.background, v.ink, [&] { v.arc(r, c.start, c.arc); });
                for (int y = 0; y < kH; ++y)
                    for (int x = 0; x < kW; ++x) {
                        const double px = x + 0.5, py = y + 0.5;
                        bool clearOfEdges = c.wantArc >= 360 || (DistanceFromRay(r, px, py, c.wantStart) > 1.5 &&
                                                                 DistanceFromRay(r, px, py, c.wantStart + c.wantArc) > 1.5);
                        if (!clearOfEdges)
                            continue;
                        bool wedge = InWedge(PixelAngle(r, px, py), c.wantStart, c.wantArc);
                        bool deepInside = InsideIdeal(r, s.w / 2.0, s.h / 2.0, px, py, -1);
                        bool farOutside = !InsideIdeal(r, s.w / 2.0, s.h / 2.0, px, py, 1);
                        if (wedge && deepInside) {
                            ASSERT_TRUE(m[y][x]) << v.name << " arc " << c.start << "," << c.arc << " on " << s.w << "x"
                                                 << s.h << ": hole at " << x << "," << y << Show(m, r);
                        }
                        if (!wedge || farOutside) {
                            ASSERT_FALSE(m[y][x]) << v.name << " arc " << c.start << "," << c.arc << " on " << s.w
                                                  << "x" << s.h << ": spill at " << x << "," << y << Show(m, r);
                        }
                    }
            }
    }
}

TEST_F(Ovals, ThinArcFramesAreOnTheOvalsFrame)
{
    const Size sizes[] = {{40, 40}, {60, 24}, {13, 11}, {7, 9}};
    for (const Size &s : sizes) {
        Rect r = At(s);
        Mask oval = Draw(kWhite, kBlack, [&] { FrameOval(&r); });
        for (auto [start, arc] : {std::pair<int16_t, int16_t>{0, 90}, {45, 200}, {300, -100}, {0, 360}}) {
            Mask frame = Draw(kWhite, kBlack, [&] { FrameArc(&r, start, arc); });
            bool any = false;
            for (int y = 0; y < kH; ++y)
                for (int x = 0; x < kW; ++x) {
                    any |= frame[y][x];
                    ASSERT_TRUE(!frame[y][x] || oval[y][x]) << s.w << "x" << s.h << " arc " << start << "," << arc
                                                            << " at " << x << "," << y << Show(frame, r) << Show(oval, r);
                }
            EXPECT_TRUE(any);
        }
    }
}

// A framed oval recorded into a region gives the rectangle as its box and, when not small, exactly the
// painted oval's pixels.
TEST_F(Ovals, RegionsOfFramedOvalsAreThePaintedOvals)
{
    for (const Size &s : kSizes) {
        Rect r = At(s);
        OpenRgn();
        FrameOval(&r);
        RgnHandle rgn = NewRgn();
        CloseRgn(rgn);
        const Rect box = (*rgn)->rgnBBox;
        EXPECT_TRUE(box.left == r.left && box.top == r.top && box.right == r.right && box.bottom == r.bottom)
            << s.w << "x" << s.h << ": box " << box.left << "," << box.top << "," << box.right << "," << box.bottom;
        if ((s.w + s.h) / 2 >= 16) {
            Mask painted = Draw(kWhite, kBlack, [&] { PaintOval(&r); });
            for (int y = 0; y < kH; ++y)
                for (int x = 0; x < kW; ++x)
                    ASSERT_EQ(PtInRgn(Point{static_cast<int16_t>(y), static_cast<int16_t>(x)}, rgn), painted[y][x])
                        << s.w << "x" << s.h << " at " << x << "," << y;
        }
        DisposeRgn(rgn);
    }
}

// Custom bottleneck procedures take the calls; the standard procedures draw when called from them.
int sOvalCalls, sArcCalls, sRRectCalls;
void ZEL_CALL CountingOval(GrafVerb verb, const Rect *r)
{
    ++sOvalCalls;
    StdOval(verb, r);
}
void ZEL_CALL CountingArc(GrafVerb verb, const Rect *r, int16_t s, int16_t a)
{
    ++sArcCalls;
    StdArc(verb, r, s, a);
}
void ZEL_CALL CountingRRect(GrafVerb verb, const Rect *r, int16_t w, int16_t h)
{
    ++sRRectCalls;
    StdRRect(verb, r, w, h);
}

TEST_F(Ovals, CustomProceduresTakeTheCalls)
{
    QDProcs procs;
    SetStdProcs(&procs);
    procs.ovalProc = CountingOval;
    procs.arcProc = CountingArc;
    procs.rRectProc = CountingRRect;
    port_.port()->grafProcs = &procs;
    Rect r = At({20, 20});
    Mask m = Draw(kWhite, kBlack, [&] {
        PaintOval(&r);
        FrameArc(&r, 0, 90);
        PaintRoundRect(&r, 6, 6);
    });
    port_.port()->grafProcs = nullptr;
    EXPECT_EQ(sOvalCalls, 1);
    EXPECT_EQ(sArcCalls, 1);
    EXPECT_EQ(sRRectCalls, 1);
    EXPECT_TRUE(m[r.top + 10][r.left + 10]) << "the standard procedure drew";
}

// Round rectangles record their oval size once per change: height then width, the clamped size.
TEST_F(Ovals, RoundRectsRecordTheirOvalSizeOncePerChange)
{
    QDProcs procs;
    SetStdProcs(&procs);
    procs.putPicProc = CapturePutPic;
    port_.port()->grafProcs = &procs;
    PictureRecords().clear();
    Handle pic = NewHandle(0);
    port_.port()->picSave = pic;
    Rect r = At({20, 10});
    FrameRoundRect(&r, 6, 4);
    FrameRoundRect(&r, 6, 4);
    FrameRoundRect(&r, 100, 100);
    port_.port()->picSave = nullptr;
    port_.port()->grafProcs = nullptr;
    DisposeHandle(pic);
    std::vector<std::vector<uint8_t>> ovSizes, frames;
    for (const auto &rec : PictureRecords()) {
        uint16_t op = static_cast<uint16_t>(rec[0] << 8 | rec[1]);
        if (op == 0x000B)
            ovSizes.push_back(rec);
        if (op == 0x0040 || op == 0x0048)
            frames.push_back(rec);
    }
    ASSERT_EQ(ovSizes.size(), 2u);
    EXPECT_EQ(ovSizes[0], (std::vector<uint8_t>{0, 0x0B, 0, 4, 0, 6}));
    EXPECT_EQ(ovSizes[1], (std::vector<uint8_t>{0, 0x0B, 0, 10, 0, 20})) << "clamped to the rectangle";
    EXPECT_EQ(frames.size(), 3u);
}

} // namespace

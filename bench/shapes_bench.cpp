// Shapes: ovals, round rectangles, arcs and polygons painted and framed, against the one GDI call a
// native program would make for the same shape, on a 32-bit DIB section port. Where the library draws
// the Macintosh shape from points (round rectangles and arcs), GDI's own curve is not pixel for pixel the
// same and the pair compares cost only; the others must leave the same pixels.
#include "bench.h"

#include "Quickdraw.h"
#include "qd_fixture.h"

#include <memory>

using namespace testing_support;

namespace {

constexpr int kSize = 64;
const Rect kShape{8, 8, 48, 48}; // 40 x 40

struct Surfaces {
    DibPort port{kSize, kSize};
    DibSurface raw{kSize, kSize};
    bool SamePixels()
    {
        for (int y = 0; y < kSize; ++y)
            for (int x = 0; x < kSize; ++x)
                if (port.surface().Pixel(x, y) != raw.Pixel(x, y))
                    return false;
        return true;
    }
};
std::unique_ptr<Surfaces> sSurfaces;
Surfaces &S() { return *sSurfaces; }

POINT sOutline[97];
POINT sPolygon[100];
PolyHandle sPoly;

// A shape case; `compare` says whether both sides must leave the same pixels. The raw side paints
// with a black brush and no pen, or outlines with the black pen and no brush.
PairCase ShapeCase(const char *name, bool compare, bool outline, std::function<void(int)> library,
                   std::function<void(int)> raw)
{
    PairCase c;
    c.name = name;
    c.count = 5000;
    c.setUp = [outline] {
        sSurfaces = std::make_unique<Surfaces>();
        SetPor(S().port.port());
        HDC dc = S().raw.dc();
        SelectObject(dc, GetStockObject(outline ? BLACK_PEN : NULL_PEN));
        SelectObject(dc, GetStockObject(outline ? NULL_BRUSH : BLACK_BRUSH));
    };
    c.library = std::move(library);
    c.raw = std::move(raw);
    if (compare)
        c.same = [] { return S().SamePixels(); };
    c.tearDown = [] {
        SetPor(WindowManagerPort());
        sSurfaces.reset();
    };
    return c;
}

HDC Raw() { return S().raw.dc(); }

} // namespace

int RunBench()
{
    for (int i = 0; i < 97; ++i)
        sOutline[i] = POINT{8 + (i * 7) % 40, 8 + (i * 13) % 40};
    std::vector<PairCase> cases = {
        ShapeCase("PaintOval 40x40", true, false, [](int) { PaintOval(&kShape); },
                  [](int) { Ellipse(Raw(), 8, 8, 48, 48); }),
        ShapeCase("PaintRoundRect 40x40, corners 12x12", false, false, [](int) { PaintRoundRect(&kShape, 12, 12); },
                  [](int) { RoundRect(Raw(), 8, 8, 48, 48, 12, 12); }),
        ShapeCase("PaintArc 40x40, 45 degrees over 90", false, false, [](int) { PaintArc(&kShape, 45, 90); },
                  [](int) { Pie(Raw(), 8, 8, 48, 48, 48, 8, 48, 48); }),
        ShapeCase("FrameRoundRect 40x40 (raw: its 97-point outline)", false, true,
                  [](int) { FrameRoundRect(&kShape, 12, 12); }, [](int) { Polyline(Raw(), sOutline, 97); }),
    };
    // A 100-point polygon through PaintPoly and through one raw Polygon call.
    PairCase poly = ShapeCase("PaintPoly of 100 points", true, false, [](int) { PaintPoly(sPoly); },
                              [](int) { Polygon(Raw(), sPolygon, 100); });
    auto shapeSetUp = poly.setUp;
    poly.setUp = [shapeSetUp] {
        shapeSetUp();
        sPoly = OpenPoly();
        for (int i = 0; i < 100; ++i) {
            int16_t h = static_cast<int16_t>(8 + (i * 37) % 48), v = static_cast<int16_t>(8 + (i * 23) % 48);
            sPolygon[i] = POINT{h, v};
            if (i == 0)
                MoveT(h, v);
            else
                LineT(h, v);
        }
        ClosePoly();
    };
    auto shapeTearDown = poly.tearDown;
    poly.tearDown = [shapeTearDown] {
        KillPoly(sPoly);
        shapeTearDown();
    };
    cases.push_back(poly);
    return RunPairCases(cases);
}

// Shapes: PaintOval and FrameRoundRect of 40 x 40 and PaintPoly of 100 points against the one GDI
// call each makes, on a 32-bit DIB section port.
#include "bench.h"

#include "Quickdraw.h"
#include "qd_fixture.h"

namespace {

POINT sOutline[97];

} // namespace

int RunBench()
{
    testing_support::DibPort port(64, 64);
    SetPor(port.port());
    const Rect r{8, 8, 48, 48};
    HDC dc = port.surface().dc();
    constexpr int kRuns = 20000;

    double paintOval = TimePerRun(kRuns, [&](int) { PaintOval(&r); });
    SelectObject(dc, GetStockObject(NULL_PEN));
    SelectObject(dc, GetStockObject(BLACK_BRUSH));
    double rawEllipse = TimePerRun(kRuns, [&](int) { Ellipse(dc, 8, 8, 48, 48); });

    double frameRRect = TimePerRun(kRuns, [&](int) { FrameRoundRect(&r, 12, 12); });
    for (int i = 0; i < 97; ++i)
        sOutline[i] = POINT{8 + (i * 7) % 40, 8 + (i * 13) % 40};
    SelectObject(dc, GetStockObject(BLACK_PEN));
    double rawPolyline = TimePerRun(kRuns, [&](int) { Polyline(dc, sOutline, 97); });

    // A 100-point polygon through PaintPoly and through one raw Polygon call.
    PolyHandle poly = OpenPoly();
    POINT raw[100];
    for (int i = 0; i < 100; ++i) {
        int16_t h = static_cast<int16_t>(8 + (i * 37) % 48), v = static_cast<int16_t>(8 + (i * 23) % 48);
        raw[i] = POINT{h, v};
        if (i == 0)
            MoveT(h, v);
        else
            LineT(h, v);
    }
    ClosePoly();
    double paintPoly = TimePerRun(kRuns, [&](int) { PaintPoly(poly); });
    SelectObject(dc, GetStockObject(NULL_PEN));
    double rawPolygon = TimePerRun(kRuns, [&](int) { Polygon(dc, raw, 100); });
    KillPoly(poly);

    std::printf("PaintPoly of 100 points: %.2f us, raw Polygon %.2f us: %.2fx (wanted at most 1.5x)\n",
                paintPoly * 1e6, rawPolygon * 1e6, paintPoly / rawPolygon);
    std::printf("PaintOval 40x40: %.2f us, raw Ellipse %.2f us: %.2fx (wanted at most 1.5x)\n", paintOval * 1e6,
                rawEllipse * 1e6, paintOval / rawEllipse);
    std::printf("FrameRoundRect 40x40: %.2f us, raw 97-point Polyline %.2f us: %.2fx (wanted at most 1.5x)\n",
                frameRRect * 1e6, rawPolyline * 1e6, frameRRect / rawPolyline);
    SetPor(testing_support::WindowManagerPort());
    return 0;
}

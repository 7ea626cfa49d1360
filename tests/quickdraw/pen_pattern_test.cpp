// A pen pattern set with PenPat on a colour port reaches what the next line draws: the port's PixPat and
// its cached brush follow the pattern.
#include <gtest/gtest.h>

#include "Quickdraw.h"
#include "qd_fixture.h"

using namespace testing_support;

TEST(PenPatterns, EachPenPatternIsDrawnByTheNextLine)
{
    QDGlobals &g = QuickDrawGlobals();
    DibPort dib(24, 16);
    SetPor(dib.port());
    // A coloured line first, as drawing code does, then the pen in black with each pattern.
    const RGBColor red{0xFFFF, 0, 0}, black{0, 0, 0};
    RGBForeColor(&red);
    MoveT(0, 12);
    LineT(20, 12);
    RGBForeColor(&black);
    PenSize(8, 8);
    // Each pattern in turn paints the 8x8 square at the origin; the pixels must follow its bits
    // (bit set: black, with the brush aligned to the port origin).
    const Pattern *patterns[] = {&g.black, &g.gray, &g.ltGray, &g.dkGray, &g.white};
    const char *names[] = {"black", "gray", "ltGray", "dkGray", "white"};
    for (int i = 0; i < 5; ++i) {
        dib.surface().Fill(RGB(0, 0, 255));
        PenPat(patterns[i]);
        MoveT(0, 0);
        LineT(8, 0);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) {
                bool bit = (patterns[i]->pat[y] >> (7 - x)) & 1;
                ASSERT_EQ(dib.surface().Pixel(x, y), bit ? RGB(0, 0, 0) : RGB(255, 255, 255))
                    << names[i] << " at " << x << "," << y;
            }
    }
    PenNormal();
    SetPor(WindowManagerPort());
}

// The screen set-up's tables computed from the screen's facts: see screen_tables.h.
#include "screen_tables.h"

#include <cmath>
#include <cstring>
#include <initializer_list>

namespace {

// The ten grays of the library palette: 17 i for i = 1..14 without the multiples of 3.
constexpr uint8_t kLibraryGrays[10] = {17, 34, 68, 85, 119, 136, 170, 187, 221, 238};
// Where the gray table's 16 levels live in the library palette: black, the ten grays and the cube's
// grays, white last.
constexpr uint8_t kGrayMap[16] = {0, 216, 217, 43, 218, 219, 86, 220, 221, 129, 222, 223, 172, 224, 225, 215};
// The 16 colours of the 4-bit colour emulation, red, green, blue.
constexpr uint8_t kVgaColours[16][3] = {{0, 0, 0},       {0, 0, 128},     {0, 0, 255},   {128, 0, 0},
                                        {128, 0, 128},   {0, 128, 0},     {255, 0, 0},   {0, 128, 128},
                                        {128, 128, 0},   {255, 0, 255},   {128, 128, 128}, {0, 255, 0},
                                        {192, 192, 192}, {0, 255, 255},   {255, 255, 0}, {255, 255, 255}};
constexpr uint8_t kUsualMatrix[4][4] = {{0, 12, 3, 15}, {8, 4, 11, 7}, {2, 14, 1, 13}, {10, 6, 9, 5}};
constexpr uint8_t kReducedMatrix[2][2] = {{0, 2}, {3, 1}};

constexpr double kRadiansPerDegree = 0.017453292519943295;

PALETTEENTRY Entry(int r, int g, int b)
{
    return PALETTEENTRY{static_cast<BYTE>(r), static_cast<BYTE>(g), static_cast<BYTE>(b), 0};
}

int Clamp(int v, int lo, int hi) { return v < lo ? lo : v > hi ? hi : v; }

// The 16-level gray entry of level v: fraction 0..4 (nearest by fraction < 2).
DitherEntry GrayLevel(int v, int low)
{
    int fraction = Clamp(((v - low * 256 / 15) * 4 + 8) / 17, 0, 4);
    int high = low + 1 > 15 ? 15 : low + 1;
    int nearest = fraction < 2 ? low : high;
    return DitherEntry{static_cast<uint8_t>(fraction), static_cast<uint8_t>(low), static_cast<uint8_t>(high),
                       static_cast<uint8_t>(nearest)};
}

} // namespace

ScreenFacts DeriveScreenFacts(const ScreenCaps &caps, bool reducedPalette)
{
    ScreenFacts f{};
    f.depth = caps.depth;
    f.depth16 = caps.depth == 16;
    f.depth24 = caps.depth == 24;
    f.depth8 = caps.depth == 8;
    f.depth4 = caps.depth == 4;
    f.monochrome = caps.depth == 1;
    f.reducedPalette = reducedPalette;
    bool hasPalette = (caps.rasterCaps & RC_PALETTE) != 0;
    f.paletteSize = hasPalette ? (caps.sizePalette > 256 ? 256 : caps.sizePalette) : 0;
    if (f.depth4) {
        bool gray = GetRValue(caps.nearestCyan) == GetGValue(caps.nearestCyan) &&
                    GetGValue(caps.nearestCyan) == GetBValue(caps.nearestCyan);
        f.grayFourBit = gray;
        f.fourBitColorEmulation = !hasPalette && !gray;
    }
    f.dibToDevice = (caps.rasterCaps & RC_DIBTODEV) != 0;
    // A driver that reports no physical size gets the size its logical resolution implies.
    f.pixelsPerMeter.x = caps.horzSize > 0 ? caps.horzRes * 1000 / caps.horzSize : caps.logPixelsX * 10000 / 254;
    f.pixelsPerMeter.y = caps.vertSize > 0 ? caps.vertRes * 1000 / caps.vertSize : caps.logPixelsY * 10000 / 254;
    return f;
}

int BuildLibraryPaletteEntries(const ScreenFacts &facts, PALETTEENTRY *entries, uint8_t *emulationGrays)
{
    if (facts.reducedPalette && facts.depth4) {
        for (int i = 0; i < 16; ++i) {
            entries[i] = facts.fourBitColorEmulation
                             ? Entry(kVgaColours[i][0], kVgaColours[i][1], kVgaColours[i][2])
                             : Entry(17 * i, 17 * i, 17 * i);
            if (emulationGrays)
                emulationGrays[i] = static_cast<uint8_t>(17 * i);
        }
        return 16;
    }
    if (facts.reducedPalette) {
        for (int i = 0; i < 128; ++i) {
            int level = i == 127 ? 255 : 2 * i;
            entries[i] = Entry(level, level, level);
        }
        return 128;
    }
    int n = 0;
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b)
                entries[n++] = Entry(r * 51, g * 51, b * 51);
    for (uint8_t gray : kLibraryGrays)
        entries[n++] = Entry(gray, gray, gray);
    for (int red : {25, 76, 127, 178})
        entries[n++] = Entry(red, 0, 0);
    for (int green : {76, 127, 178})
        entries[n++] = Entry(0, green, 0);
    for (int blue : {76, 127, 178})
        entries[n++] = Entry(0, 0, blue);
    return n;
}

void BuildDitherTables(const ScreenFacts &facts, DitherTables &t)
{
    std::memset(&t, 0, sizeof t);
    t.reducedFourBit = facts.reducedPalette && facts.depth4;
    if (t.reducedFourBit) {
        // One table over 16 levels, its indices the palette's own.
        for (int v = 0; v < 256; ++v)
            t.gray[v] = GrayLevel(v, v == 255 ? 15 : v * 15 / 256);
        t.matrixRows = 2;
        for (int row = 0; row < 2; ++row)
            for (int i = 0; i < kDitherMatrixRowBytes; ++i)
                t.matrix[row][i] = kReducedMatrix[row][i % 2];
        return;
    }
    const int scale[3] = {36, 6, 1};
    DitherEntry *cube[3] = {t.red, t.green, t.blue};
    for (int v = 0; v < 256; ++v) {
        int low = v == 255 ? 5 : v * 5 / 256;
        int fraction = Clamp(((v - low * 256 / 5) * 15 + 26) / 51, 0, 16);
        int high = low + 1 > 5 ? 5 : low + 1;
        int nearest = fraction < 8 ? low : high;
        for (int c = 0; c < 3; ++c)
            cube[c][v] = DitherEntry{static_cast<uint8_t>(fraction), static_cast<uint8_t>(low * scale[c]),
                                     static_cast<uint8_t>(high * scale[c]), static_cast<uint8_t>(nearest * scale[c])};
        DitherEntry g = GrayLevel(v, v == 255 ? 15 : (v * 15) >> 8);
        t.gray[v] = DitherEntry{static_cast<uint8_t>(g.fraction * 4), kGrayMap[g.low], kGrayMap[g.high], kGrayMap[g.nearest]};
    }
    t.matrixRows = 4;
    for (int row = 0; row < 4; ++row)
        for (int i = 0; i < kDitherMatrixRowBytes; ++i)
            t.matrix[row][i] = kUsualMatrix[row][i % 4];
}

void BuildSinCosTables(double *sines, double *cosines)
{
    for (int d = 1; d < 90; ++d) {
        sines[d] = std::sin(d * kRadiansPerDegree);
        cosines[d] = std::cos(d * kRadiansPerDegree);
    }
    sines[0] = 0.0;
    cosines[0] = 1.0;
    sines[90] = 1.0;
    cosines[90] = 0.0;
}

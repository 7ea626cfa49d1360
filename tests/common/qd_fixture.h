// Shared helpers of the QuickDraw test programs: InitGraf once per program, a shown host window to draw
// into, a DIB section in a memory DC, a colour port opened on one, and whole-image comparison.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>
#include <map>
#include <string>
#include <vector>

#include "MacTypes.h"
#include "Quickdraw.h"
#include "test_seams.h"

namespace testing_support {

// The test host's QuickDraw globals; the first call runs InitGraf on them (the session must be open).
QDGlobals &QuickDrawGlobals();
// The Window Manager port opened by InitGraf.
GrafPtr WindowManagerPort();

// The fixture of QuickDraw test suites: InitGraf once, and every case starts and ends with the Window
// Manager port current.
class QuickDrawTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { QuickDrawGlobals(); }
    void SetUp() override { SetPor(WindowManagerPort()); }
    void TearDown() override { SetPor(WindowManagerPort()); }
};

// A shown window of the host's class whose client area is width x height, above every other window
// with `topmost` (for tests that find the window under a point of the display); NULL without a
// display. Destroyed with DestroyWindow.
HWND CreateDrawingWindow(int width, int height, bool topmost = false);

// A 32-bit top-down DIB section selected into its own memory DC, filled with one colour.
class DibSurface {
public:
    DibSurface(int width, int height, COLORREF fill = RGB(255, 255, 255));
    ~DibSurface();
    DibSurface(const DibSurface &) = delete;
    DibSurface &operator=(const DibSurface &) = delete;

    HDC dc() const { return dc_; }
    int width() const { return width_; }
    int height() const { return height_; }
    // The pixel read straight from the DIB bits, as a COLORREF.
    COLORREF Pixel(int x, int y) const;
    void Fill(COLORREF colour);

private:
    int width_, height_;
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ displaced_;
    uint32_t *bits_;
};

// A colour port drawing into a shown window's DC (swapped in with ZEL_SwaphDC); closed, the DC given
// back and the Window Manager port made current when it goes.
class WindowColorPort {
public:
    explicit WindowColorPort(HWND window);
    ~WindowColorPort();
    WindowColorPort(const WindowColorPort &) = delete;
    WindowColorPort &operator=(const WindowColorPort &) = delete;
    GrafPtr port() { return reinterpret_cast<GrafPtr>(&port_); }
    HDC dc() const { return dc_; }

private:
    HWND window_;
    HDC dc_, previous_;
    CGrafPort port_;
};

// A colour port drawing into its own DIB surface (OpenPortForHDC); closed when it goes.
class DibPort {
public:
    DibPort(int width, int height, COLORREF fill = RGB(255, 255, 255));
    ~DibPort();
    DibPort(const DibPort &) = delete;
    DibPort &operator=(const DibPort &) = delete;

    GrafPtr port() { return reinterpret_cast<GrafPtr>(&port_); }
    CGrafPtr cport() { return &port_; }
    DibSurface &surface() { return surface_; }
    void Close();

private:
    DibSurface surface_;
    CGrafPort port_;
    bool open_;
};

// An image as rows of characters, one per pixel, through a legend of colours ('?' for any other).
using ImageRows = std::vector<std::string>;
using ColourLegend = std::map<char, COLORREF>;
// The image of width x height pixels read by `pixel(x, y)`.
template <typename PixelReader>
ImageRows CaptureImage(int width, int height, const ColourLegend &legend, PixelReader pixel)
{
    ImageRows rows(height, std::string(width, '?'));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (const auto &[c, colour] : legend)
                if (pixel(x, y) == colour)
                    rows[y][x] = c;
    return rows;
}
// The pixels of a DC over a w x h area at (x0, y0) against `want(x, y)` (area coordinates): empty when
// all agree, else a map of the area with the differing pixels marked 'X'.
template <typename Want> std::string PixelMisses(HDC dc, int x0, int y0, int w, int h, Want want)
{
    std::string map;
    int wrong = 0;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            bool same = GetPixel(dc, x0 + x, y0 + y) == want(x, y);
            wrong += !same;
            map += same ? '.' : 'X';
        }
        map += '\n';
    }
    return wrong ? map : std::string();
}
// Rows of `background` with the given pixels set: {x, y, character}.
struct ImagePixel {
    int x, y;
    char c;
};
ImageRows MakeImage(int width, int height, char background, const std::vector<ImagePixel> &pixels);
// Empty when the images agree; otherwise both images and a map of the differing pixels ('X').
std::string ImageDifference(const ImageRows &actual, const ImageRows &expected);

// The split background of the pen-mode tests: white on the left half, black on the right.
bool SplitBackgroundBlack(const DibSurface &surface, int x);
void PaintSplitBackground(DibSurface &surface);
// Its image in the black-and-white legend ('.' white, '#' black).
ImageRows SplitBackgroundImage(int width, int height);
// A surface's pixels in the black-and-white legend.
ImageRows CaptureBlackAndWhite(DibSurface &surface);
// A Macintosh pattern transfer mode with a black pen: the destination bit (1 black) under the pen.
bool BlackPenModeResult(int mode, bool destinationBlack);

// A putPicProc that keeps every picture record handed to it, in PictureRecords().
void ZEL_CALL CapturePutPic(const void *data, int16_t size);
// The bytes of an 8 x 8 'cicn' with 8-bit pixels: red where x + y is even and green elsewhere, each row
// of its mask `maskRow`.
std::vector<uint8_t> CheckerColorIconBytes(uint8_t maskRow);
std::vector<std::vector<uint8_t>> &PictureRecords();

} // namespace testing_support

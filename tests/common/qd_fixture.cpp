#include "qd_fixture.h"
#include "Zel.h"
#include "Icons.h"

#include <cstring>
#include <sstream>

namespace testing_support {

QDGlobals &QuickDrawGlobals()
{
    static QDGlobals qd;
    static bool initialised;
    if (!initialised) {
        initialised = true;
        InitGraf(&qd.thePort);
    }
    return qd;
}

GrafPtr WindowManagerPort()
{
    static GrafPtr port = QuickDrawGlobals().thePort;
    return port;
}

HWND CreateDrawingWindow(int width, int height, bool topmost)
{
    RECT frame{0, 0, width, height};
    AdjustWindowRect(&frame, WS_POPUP, FALSE);
    // Near the bottom-right corner of the display: a window shown there comes above the others, and the
    // programs that send input or read the screen work at the top-left (their host windows are at 0,0).
    const int outerWidth = frame.right - frame.left, outerHeight = frame.bottom - frame.top;
    const int x = GetSystemMetrics(SM_CXSCREEN) - outerWidth - 16;
    const int y = GetSystemMetrics(SM_CYSCREEN) - outerHeight - 16;
    HWND hwnd = CreateWindowExA(topmost ? WS_EX_TOPMOST : 0, "ZELSubWndClass", "drawing", WS_POPUP, x, y, outerWidth,
                                outerHeight, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (!hwnd)
        return nullptr;
    ShowWindow(hwnd, SW_SHOWNOACTIVATE);
    UpdateWindow(hwnd);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
    return hwnd;
}

DibSurface::DibSurface(int width, int height, COLORREF fill)
    : width_(width), height_(height), dc_(nullptr), bitmap_(nullptr), displaced_(nullptr), bits_(nullptr)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void *bits = nullptr;
    dc_ = CreateCompatibleDC(nullptr);
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bits_ = static_cast<uint32_t *>(bits);
    if (bitmap_)
        displaced_ = SelectObject(dc_, bitmap_);
    Fill(fill);
}

DibSurface::~DibSurface()
{
    if (dc_ && displaced_)
        SelectObject(dc_, displaced_);
    if (bitmap_)
        DeleteObject(bitmap_);
    if (dc_)
        DeleteDC(dc_);
}

COLORREF DibSurface::Pixel(int x, int y) const
{
    GdiFlush();
    if (!bits_ || x < 0 || y < 0 || x >= width_ || y >= height_)
        return CLR_INVALID;
    uint32_t p = bits_[y * width_ + x] & 0xFFFFFF; // 0x00RRGGBB
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

void DibSurface::Fill(COLORREF colour)
{
    GdiFlush();
    if (!bits_)
        return;
    uint32_t p = (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
    for (int i = 0; i < width_ * height_; ++i)
        bits_[i] = p;
}

DibPort::DibPort(int width, int height, COLORREF fill) : surface_(width, height, fill), port_{}, open_(true)
{
    QuickDrawGlobals();
    OpenPortForHDC(&port_, surface_.dc());
}

DibPort::~DibPort() { Close(); }

void DibPort::Close()
{
    if (open_)
        CloseCPort(&port_);
    open_ = false;
}

ImageRows MakeImage(int width, int height, char background, const std::vector<ImagePixel> &pixels)
{
    ImageRows rows(height, std::string(width, background));
    for (const ImagePixel &p : pixels)
        if (p.y >= 0 && p.y < height && p.x >= 0 && p.x < width)
            rows[p.y][p.x] = p.c;
    return rows;
}

std::string ImageDifference(const ImageRows &actual, const ImageRows &expected)
{
    if (actual == expected)
        return {};
    std::ostringstream out;
    out << "actual | expected | difference\n";
    size_t rows = std::max(actual.size(), expected.size());
    for (size_t y = 0; y < rows; ++y) {
        std::string a = y < actual.size() ? actual[y] : std::string();
        std::string e = y < expected.size() ? expected[y] : std::string();
        std::string d(std::max(a.size(), e.size()), '.');
        for (size_t x = 0; x < d.size(); ++x)
            if (x >= a.size() || x >= e.size() || a[x] != e[x])
                d[x] = 'X';
        out << a << " | " << e << " | " << d << "\n";
    }
    return out.str();
}

bool SplitBackgroundBlack(const DibSurface &surface, int x) { return x >= surface.width() / 2; }

void PaintSplitBackground(DibSurface &surface)
{
    surface.Fill(RGB(255, 255, 255));
    RECT right{surface.width() / 2, 0, surface.width(), surface.height()};
    FillRect(surface.dc(), &right, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    GdiFlush();
}

ImageRows SplitBackgroundImage(int width, int height)
{
    ImageRows rows(height, std::string(width, '.'));
    for (int y = 0; y < height; ++y)
        for (int x = width / 2; x < width; ++x)
            rows[y][x] = '#';
    return rows;
}

ImageRows CaptureBlackAndWhite(DibSurface &surface)
{
    GdiFlush();
    const ColourLegend legend = {{'.', RGB(255, 255, 255)}, {'#', RGB(0, 0, 0)}};
    return CaptureImage(surface.width(), surface.height(), legend, [&](int x, int y) { return surface.Pixel(x, y); });
}

bool BlackPenModeResult(int mode, bool dest)
{
    switch (mode & 7) {
    case 0: return true;   // patCopy
    case 1: return true;   // patOr
    case 2: return !dest;  // patXor
    case 3: return false;  // patBic
    case 4: return false;  // notPatCopy
    case 5: return dest;   // notPatOr
    case 6: return dest;   // notPatXor
    default: return dest;  // notPatBic
    }
}

std::vector<std::vector<uint8_t>> &PictureRecords()
{
    static std::vector<std::vector<uint8_t>> records;
    return records;
}

void ZEL_CALL CapturePutPic(const void *data, int16_t size)
{
    const uint8_t *bytes = static_cast<const uint8_t *>(data);
    PictureRecords().emplace_back(bytes, bytes + size);
}

WindowColorPort::WindowColorPort(HWND window) : window_(window)
{
    dc_ = GetDC(window);
    std::memset(&port_, 0, sizeof port_);
    OpenCPort(&port_);
    previous_ = ZEL_SwaphDC(dc_, 0);
}

WindowColorPort::~WindowColorPort()
{
    SetPor(port());
    ZEL_SwaphDC(previous_, 0);
    CloseCPort(&port_);
    SetPor(WindowManagerPort());
    ReleaseDC(window_, dc_);
}

std::vector<uint8_t> CheckerColorIconBytes(uint8_t maskRow)
{
    const int w = 8, h = 8;
    std::vector<uint8_t> bytes(offsetof(CIcon, iconMaskData) + 2 * h + 2 * h + 8 + 2 * sizeof(ColorSpec) + w * h, 0);
    CIcon header{};
    header.iconPMap.rowBytes = static_cast<int16_t>(0x8000 | w);
    header.iconPMap.bounds = Rect{0, 0, h, w};
    header.iconPMap.pixelSize = 8;
    header.iconPMap.cmpCount = 1;
    header.iconPMap.cmpSize = 8;
    header.iconMask.rowBytes = 2;
    header.iconMask.bounds = Rect{0, 0, h, w};
    header.iconBMap.rowBytes = 2;
    header.iconBMap.bounds = Rect{0, 0, h, w};
    std::memcpy(bytes.data(), &header, offsetof(CIcon, iconMaskData));
    uint8_t *rows = bytes.data() + offsetof(CIcon, iconMaskData);
    for (int y = 0; y < h; ++y)
        rows[2 * y] = maskRow;
    uint8_t *table = rows + 4 * h;
    const int16_t ctSize = 1;
    std::memcpy(table + 6, &ctSize, 2);
    const ColorSpec entries[2] = {{0, RGBColor{0, 0xFFFF, 0}}, {1, RGBColor{0xFFFF, 0, 0}}};
    std::memcpy(table + 8, entries, sizeof entries);
    uint8_t *pixels = table + 8 + sizeof entries;
    for (int i = 0; i < w * h; ++i)
        pixels[i] = ((i % w) + (i / w)) % 2 == 0 ? 1 : 0;
    return bytes;
}

} // namespace testing_support

// The Color Picker over the common colour dialog, and its colour-model conversions.
#include "qd_services.h"
#include "../core/core_services.h"
#include "../dialogs/dialogs_services.h"
#include "../windows/windows_services.h"
#include "ColorPicker.h"

#include <commdlg.h>

namespace {

constexpr uint32_t kHueSextant[] = {10922, 21845, 32768, 43690, 54612};
constexpr uint16_t kGrayHslHue = 665;

// The one CHOOSECOLOR record of the library; the custom colours live as long as the process.
CHOOSECOLORA sChooseColor;
COLORREF sCustomColors[16];

// What GetColor hands the hook through lCustData.
struct PickerPlacement {
    Point where;
    ConstStr255Param prompt;
};

UINT_PTR CALLBACK ColorPickerHook(HWND dialog, UINT message, WPARAM, LPARAM lParam)
{
    if (message != WM_INITDIALOG)
        return 0;
    auto *placement = reinterpret_cast<const PickerPlacement *>(reinterpret_cast<CHOOSECOLORA *>(lParam)->lCustData);
    if (!placement)
        return 0;
    char title[MacToAnsiBufferSize(255)] = "";
    if (placement->prompt && placement->prompt[0]) {
        int32_t n = ZEL_MacToAnsiBuf(placement->prompt + 1, reinterpret_cast<uint8_t *>(title), placement->prompt[0], 0);
        title[n > 0 ? n : 0] = 0;
    }
    SetWindowTextA(dialog, title);
    RECT own;
    GetWindowRect(dialog, &own);
    int x = placement->where.h, y = placement->where.v;
    if (placement->where.v == -1) {
        RECT desktop;
        GetWindowRect(GetDesktopWindow(), &desktop);
        x = own.left + (desktop.right - (own.left + own.right)) / 2;
        y = own.top + (desktop.bottom - (own.top + own.bottom)) / 2;
    }
    SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    return 0;
}

uint16_t Clamp16(uint64_t v) { return static_cast<uint16_t>(v > 65535 ? 65535 : v); }

// The hue of both conversions; products in 64 bits (d x 65536 overflows 32 signed bits from 32768 on).
uint16_t HueOf(int64_t r, int64_t g, int64_t b, int64_t max, int64_t d)
{
    int64_t base, n;
    if (r == max) {
        base = 0;
        n = g - b;
    } else if (b == max && g != max) {
        base = 43690;
        n = r - g;
    } else {
        base = 21845;
        n = b - r;
    }
    int64_t hue = n >= 0 ? base + (n * 65536) / (6 * d) : base - ((-n) * 65536) / (6 * d);
    if (hue < 0)
        hue += 65536;
    return static_cast<uint16_t>(hue > 65535 ? 65535 : hue);
}

uint16_t SextantComponent(uint32_t ramp, uint32_t s, uint32_t v)
{
    uint64_t falling = (static_cast<uint64_t>(ramp) * s) >> 16;
    return static_cast<uint16_t>(((65536 - falling) * v) >> 16);
}

double HslComponent(double m1, double m2, uint32_t x)
{
    if (x > 65536)
        x -= 65536;
    if (x < 10922)
        return m1 + (m2 - m1) * x / 10922.0;
    if (x < 32768)
        return m2;
    if (x >= 43690)
        return m1;
    return m1 + (m2 - m1) * (43690.0 - x) / 10922.0;
}

uint16_t HslToComponent(double c) { return static_cast<uint16_t>(c * 65535 + 0.5); }

} // namespace

void PrepareColorDialogTemplate()
{
    sChooseColor = CHOOSECOLORA{};
    sChooseColor.lStructSize = sizeof sChooseColor;
    sChooseColor.hwndOwner = SessionMainWindow();
    sChooseColor.hInstance = reinterpret_cast<HWND>(SessionHostInstance());
    sChooseColor.lpCustColors = sCustomColors;
    sChooseColor.Flags = CC_RGBINIT | CC_FULLOPEN | CC_ENABLEHOOK;
    sChooseColor.lpfnHook = ColorPickerHook;
}

void RGB2CMY(const RGBColor *, void *)
{
    ReportUnimplemented(" RGB2CMY");
}

ZEL_EXTERN_C Boolean ZEL_CALL GetColor(Point where, ConstStr255Param prompt, const RGBColor *inColor, RGBColor *outColor)
{
    HWND focus = GetFocus();
    WindowPtr first = FirstVisibleWindow();
    sChooseColor.hwndOwner = ZEL_EnableWindows(first, false, true);
    sChooseColor.rgbResult = RGB(inColor->red >> 8, inColor->green >> 8, inColor->blue >> 8);
    PickerPlacement placement{where, prompt};
    sChooseColor.lCustData = reinterpret_cast<LPARAM>(&placement);
    BOOL ok = ChooseColorA(&sChooseColor);
    sChooseColor.lCustData = 0;
    if (ok) {
        outColor->red = static_cast<uint16_t>(GetRValue(sChooseColor.rgbResult) * 257);
        outColor->green = static_cast<uint16_t>(GetGValue(sChooseColor.rgbResult) * 257);
        outColor->blue = static_cast<uint16_t>(GetBValue(sChooseColor.rgbResult) * 257);
    }
    ZEL_EnableWindows(first, true, true);
    if (focus && IsWindow(focus))
        SetFocus(focus);
    return ok ? 1 : 0;
}

ZEL_EXTERN_C void ZEL_CALL RGB2HSV(const RGBColor *rgb, HSVColor *hsv)
{
    int64_t r = rgb->red, g = rgb->green, b = rgb->blue;
    if (r == g && g == b) {
        *hsv = HSVColor{0, 0, rgb->red};
        return;
    }
    int64_t max = r > g ? (r > b ? r : b) : (g > b ? g : b);
    int64_t min = r < g ? (r < b ? r : b) : (g < b ? g : b);
    int64_t d = max - min;
    hsv->saturation = Clamp16(static_cast<uint64_t>(d * 65536 / max));
    hsv->value = static_cast<uint16_t>(max);
    hsv->hue = HueOf(r, g, b, max, d);
}

ZEL_EXTERN_C void ZEL_CALL HSV2RGB(const HSVColor *hsv, RGBColor *rgb)
{
    uint32_t h = hsv->hue, s = hsv->saturation, v = hsv->value;
    if (s == 0) {
        *rgb = RGBColor{hsv->value, hsv->value, hsv->value};
        return;
    }
    auto p = static_cast<uint16_t>((static_cast<uint64_t>(65535 - s) * v) >> 16);
    auto full = static_cast<uint16_t>(v);
    if (h < kHueSextant[0])
        *rgb = RGBColor{full, SextantComponent(65536 - 6 * h, s, v), p};
    else if (h < kHueSextant[1])
        *rgb = RGBColor{SextantComponent(6 * h - 65532, s, v), full, p};
    else if (h < kHueSextant[2])
        *rgb = RGBColor{p, full, SextantComponent(65536 - (6 * h - 131070), s, v)};
    else if (h < kHueSextant[3])
        *rgb = RGBColor{p, SextantComponent(6 * h - 196608, s, v), full};
    else if (h <= kHueSextant[4])
        *rgb = RGBColor{SextantComponent(65536 - (6 * h - 262140), s, v), p, full};
    else
        *rgb = RGBColor{full, p, SextantComponent(6 * h - 327678, s, v)};
}

ZEL_EXTERN_C void ZEL_CALL RGB2HSL(const RGBColor *rgb, HSLColor *hsl)
{
    int64_t r = rgb->red, g = rgb->green, b = rgb->blue;
    int64_t max = r > g ? (r > b ? r : b) : (g > b ? g : b);
    int64_t min = r < g ? (r < b ? r : b) : (g < b ? g : b);
    hsl->lightness = static_cast<uint16_t>((min + max) >> 1);
    if (max == min) {
        hsl->hue = kGrayHslHue;
        hsl->saturation = 0;
        return;
    }
    int64_t d = max - min;
    int64_t divisor = hsl->lightness > 32768 ? 131072 - max - min : min + max;
    hsl->saturation = Clamp16(static_cast<uint64_t>(d * 65536 / divisor));
    hsl->hue = HueOf(r, g, b, max, d);
}

ZEL_EXTERN_C void ZEL_CALL HSL2RGB(const HSLColor *hsl, RGBColor *rgb)
{
    if (hsl->saturation == 0) {
        *rgb = RGBColor{hsl->lightness, hsl->lightness, hsl->lightness};
        return;
    }
    double s = hsl->saturation / 65535.0, l = hsl->lightness / 65535.0;
    double m2 = l <= 0.5 ? l * (1 + s) : l + s - l * s;
    double m1 = 2 * l - m2;
    uint32_t h = hsl->hue;
    rgb->red = HslToComponent(HslComponent(m1, m2, h + 21845));
    rgb->green = HslToComponent(HslComponent(m1, m2, h));
    rgb->blue = HslToComponent(HslComponent(m1, m2, h - 21845));
}

// The Color Picker: the colour-model conversions, and GetColor over the real colour dialog, ended by a
// driver thread (OK or Cancel) with a watchdog that cancels a dialog still open after a few seconds.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <string>
#include <thread>

#include "ColorPicker.h"
#include "test_support.h"

using testing_support::P;

namespace {

// ---- Conversions ----

// The hue and saturation rules of both conversions, in 64-bit arithmetic.
uint16_t ReferenceHue(int64_t r, int64_t g, int64_t b)
{
    int64_t max = std::max({r, g, b}), min = std::min({r, g, b}), d = max - min;
    int64_t base = 21845, n = b - r;
    if (r == max) {
        base = 0;
        n = g - b;
    } else if (b == max && g != max) {
        base = 43690;
        n = r - g;
    }
    int64_t hue = n >= 0 ? base + n * 65536 / (6 * d) : base - (-n) * 65536 / (6 * d);
    if (hue < 0)
        hue += 65536;
    return static_cast<uint16_t>(std::min<int64_t>(hue, 65535));
}

HSVColor ReferenceHSV(const RGBColor &c)
{
    int64_t r = c.red, g = c.green, b = c.blue, max = std::max({r, g, b}), min = std::min({r, g, b});
    if (max == min)
        return HSVColor{0, 0, c.red};
    return HSVColor{ReferenceHue(r, g, b), static_cast<uint16_t>(std::min<int64_t>((max - min) * 65536 / max, 65535)),
                    static_cast<uint16_t>(max)};
}

HSLColor ReferenceHSL(const RGBColor &c)
{
    int64_t r = c.red, g = c.green, b = c.blue, max = std::max({r, g, b}), min = std::min({r, g, b});
    auto l = static_cast<uint16_t>((min + max) >> 1);
    if (max == min)
        return HSLColor{665, 0, l};
    int64_t divisor = l > 32768 ? 131072 - max - min : min + max;
    return HSLColor{ReferenceHue(r, g, b), static_cast<uint16_t>(std::min<int64_t>((max - min) * 65536 / divisor, 65535)),
                    l};
}

TEST(ColorConversions, BoundariesPureColoursAndGraysFollowTheIntegerRules)
{
    const RGBColor cases[] = {
        {0xFFFF, 0, 0},      {0, 0xFFFF, 0},      {0, 0, 0xFFFF},      {0xFFFF, 0xFFFF, 0},
        {0, 0xFFFF, 0xFFFF}, {0xFFFF, 0, 0xFFFF}, {0x8000, 0x8000, 0x8000}, {0, 0, 0},
        {0xFFFF, 0xFFFF, 0xFFFF}, {0xFFFF, 0x8000, 0}, {0x8000, 0xFFFF, 0x7FFF}, {0x9000, 0x1000, 0xF000},
        {40000, 39999, 1},   {1, 2, 3},
    };
    for (const RGBColor &c : cases) {
        SCOPED_TRACE(::testing::Message() << c.red << "," << c.green << "," << c.blue);
        HSVColor hsv{}, wantHsv = ReferenceHSV(c);
        RGB2HSV(&c, &hsv);
        EXPECT_EQ(hsv.hue, wantHsv.hue);
        EXPECT_EQ(hsv.saturation, wantHsv.saturation);
        EXPECT_EQ(hsv.value, wantHsv.value);
        HSLColor hsl{}, wantHsl = ReferenceHSL(c);
        RGB2HSL(&c, &hsl);
        EXPECT_EQ(hsl.hue, wantHsl.hue);
        EXPECT_EQ(hsl.saturation, wantHsl.saturation);
        EXPECT_EQ(hsl.lightness, wantHsl.lightness);
    }
    // Values from 32768 on overflow 32 signed bits in d x 65536.
    RGBColor yellow{0xFFFF, 0xFFFF, 0};
    HSVColor hsv{};
    RGB2HSV(&yellow, &hsv);
    EXPECT_EQ(hsv.hue, 10922);
    EXPECT_EQ(hsv.saturation, 65535);
    EXPECT_EQ(hsv.value, 65535);
    RGBColor gray{0x8000, 0x8000, 0x8000};
    HSLColor hsl{};
    RGB2HSL(&gray, &hsl);
    EXPECT_EQ(hsl.hue, 665);
    EXPECT_EQ(hsl.saturation, 0);
    EXPECT_EQ(hsl.lightness, 0x8000);
    HSVColor flat{12345, 0, 777};
    RGBColor rgb{};
    HSV2RGB(&flat, &rgb);
    EXPECT_EQ(rgb.red, 777);
    EXPECT_EQ(rgb.green, 777);
    EXPECT_EQ(rgb.blue, 777);
    HSLColor red{0, 65535, 32768};
    HSL2RGB(&red, &rgb);
    EXPECT_EQ(rgb.red, 65535);
    EXPECT_LE(rgb.green, 2);
    EXPECT_LE(rgb.blue, 2);
}

// HSV to RGB by sextant, products unsigned and in 64 bits.
RGBColor ReferenceRGB(uint64_t h, uint64_t s, uint64_t v)
{
    auto ramp = [&](uint64_t x) { return static_cast<uint16_t>(((65536 - ((x * s) >> 16)) * v) >> 16); };
    auto p = static_cast<uint16_t>(((65535 - s) * v) >> 16), full = static_cast<uint16_t>(v);
    if (h < 10922)
        return RGBColor{full, ramp(65536 - 6 * h), p};
    if (h < 21845)
        return RGBColor{ramp(6 * h - 65532), full, p};
    if (h < 32768)
        return RGBColor{p, full, ramp(65536 - (6 * h - 131070))};
    if (h < 43690)
        return RGBColor{p, ramp(6 * h - 196608), full};
    if (h <= 54612)
        return RGBColor{ramp(65536 - (6 * h - 262140)), p, full};
    return RGBColor{full, p, ramp(6 * h - 327678)};
}

TEST(ColorConversions, HsvToRgbAtTheSextantBoundaries)
{
    const uint16_t hues[] = {0, 1, 10921, 10922, 21844, 21845, 32767, 32768, 43689, 43690, 54612, 54613, 65535};
    const uint16_t levels[][2] = {{65535, 65535}, {32768, 65535}, {65535, 40000}, {1, 32768}};
    for (uint16_t h : hues)
        for (const auto &sv : levels) {
            SCOPED_TRACE(::testing::Message() << "h " << h << " s " << sv[0] << " v " << sv[1]);
            HSVColor in{h, sv[0], sv[1]};
            RGBColor out{}, want = ReferenceRGB(h, sv[0], sv[1]);
            HSV2RGB(&in, &out);
            EXPECT_EQ(out.red, want.red);
            EXPECT_EQ(out.green, want.green);
            EXPECT_EQ(out.blue, want.blue);
        }
}

TEST(ColorConversions, RoundTripsComeBackWithinSixteen)
{
    int worstHsv = 0, worstHsl = 0;
    for (int r = 0; r < 16; ++r)
        for (int g = 0; g < 16; ++g)
            for (int b = 0; b < 16; ++b) {
                RGBColor in{static_cast<uint16_t>(r * 4369), static_cast<uint16_t>(g * 4369), static_cast<uint16_t>(b * 4369)};
                HSVColor hsv;
                HSLColor hsl;
                RGBColor viaHsv, viaHsl;
                RGB2HSV(&in, &hsv);
                HSV2RGB(&hsv, &viaHsv);
                RGB2HSL(&in, &hsl);
                HSL2RGB(&hsl, &viaHsl);
                auto off = [&](const RGBColor &o) {
                    return std::max({std::abs(o.red - in.red), std::abs(o.green - in.green), std::abs(o.blue - in.blue)});
                };
                worstHsv = std::max(worstHsv, off(viaHsv));
                worstHsl = std::max(worstHsl, off(viaHsl));
                if (off(viaHsv) > 16 || off(viaHsl) > 16)
                    ADD_FAILURE() << "round trip of " << in.red << "," << in.green << "," << in.blue << ": HSV "
                                  << viaHsv.red << "," << viaHsv.green << "," << viaHsv.blue << " HSL " << viaHsl.red
                                  << "," << viaHsl.green << "," << viaHsl.blue;
            }
    EXPECT_LE(worstHsv, 16);
    EXPECT_LE(worstHsl, 16);
}

// ---- GetColor over the dialog ----

constexpr int kRedEdit = 706, kGreenEdit = 707, kBlueEdit = 708, kAddCustom = 712, kCustomColors = 721;
constexpr DWORD kWatchdogMs = 8000;

struct Seen {
    bool found = false;
    bool timedOut = false;
    std::string title;
    std::string red, green, blue;
    RECT rect{};
    HWND owner = nullptr;
    bool ownerEnabledDuring = true;
    COLORREF firstCustom = CLR_INVALID;
};

DWORD sMainThread;

BOOL CALLBACK FindColorDialog(HWND hwnd, LPARAM lParam)
{
    char cls[32];
    if (IsWindowVisible(hwnd) && GetClassNameA(hwnd, cls, sizeof cls) && std::strcmp(cls, "#32770") == 0 &&
        GetDlgItem(hwnd, kRedEdit)) {
        *reinterpret_cast<HWND *>(lParam) = hwnd;
        return FALSE;
    }
    return TRUE;
}

HWND ColorDialog()
{
    HWND found = nullptr;
    EnumThreadWindows(sMainThread, FindColorDialog, reinterpret_cast<LPARAM>(&found));
    return found;
}

std::string Text(HWND control)
{
    char text[256] = "";
    DWORD_PTR ignored;
    SendMessageTimeoutA(control, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_BLOCK, 3000, &ignored);
    return text;
}

void Driver(int button, bool addCustom, Seen *seen, const std::atomic<bool> *returned)
{
    DWORD start = GetTickCount();
    HWND dialog = nullptr;
    while (GetTickCount() - start < kWatchdogMs && !*returned && !(dialog = ColorDialog()))
        Sleep(20);
    if (dialog) {
        seen->found = true;
        Sleep(300); // let the dialog paint
        seen->title = Text(dialog);
        seen->red = Text(GetDlgItem(dialog, kRedEdit));
        seen->green = Text(GetDlgItem(dialog, kGreenEdit));
        seen->blue = Text(GetDlgItem(dialog, kBlueEdit));
        GetWindowRect(dialog, &seen->rect);
        seen->owner = GetWindow(dialog, GW_OWNER);
        seen->ownerEnabledDuring = IsWindowEnabled(seen->owner) != FALSE;
        RECT custom;
        if (GetWindowRect(GetDlgItem(dialog, kCustomColors), &custom)) {
            HDC screen = GetDC(nullptr);
            int w = (custom.right - custom.left) / 8, h = (custom.bottom - custom.top) / 2;
            seen->firstCustom = GetPixel(screen, custom.left + w / 2, custom.top + h / 2);
            ReleaseDC(nullptr, screen);
        }
        DWORD_PTR ignored;
        if (addCustom)
            SendMessageTimeoutA(dialog, WM_COMMAND, kAddCustom, reinterpret_cast<LPARAM>(GetDlgItem(dialog, kAddCustom)),
                                SMTO_BLOCK, 3000, &ignored);
        PostMessageA(dialog, WM_COMMAND, button, 0);
    }
    while (GetTickCount() - start < kWatchdogMs && !*returned && ColorDialog())
        Sleep(20);
    for (DWORD giveUp = GetTickCount() + 5000; !*returned && GetTickCount() < giveUp; Sleep(100)) {
        if (HWND stuck = ColorDialog()) {
            seen->timedOut = true;
            PostMessageA(stuck, WM_COMMAND, IDCANCEL, 0);
        }
    }
}

struct Picked {
    Seen seen;
    Boolean result;
    RGBColor out;
};

Picked Pick(Point where, const char *prompt, RGBColor in, int button, bool addCustom = false)
{
    sMainThread = GetCurrentThreadId();
    Picked p{};
    p.out = RGBColor{1, 2, 3};
    std::atomic<bool> returned{false};
    std::thread driver(Driver, button, addCustom, &p.seen, &returned);
    auto text = P(prompt);
    p.result = GetColor(where, text.c_str(), &in, &p.out);
    returned = true;
    driver.join();
    EXPECT_FALSE(p.seen.timedOut) << "the colour dialog was still open after the watchdog's time";
    EXPECT_TRUE(p.seen.found);
    return p;
}

TEST(GetColorDialog, OkGivesTheChosenColourAndTheWindowsComeBack)
{
    HWND focused = CreateWindowA("EDIT", "", WS_POPUP | WS_VISIBLE, 900, 700, 100, 30, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    SetForegroundWindow(focused);
    SetFocus(focused);
    ASSERT_EQ(GetFocus(), focused);
    // The prompt is Macintosh text: 0x8E is e-acute.
    Picked p = Pick(Point{100, 200}, "Caf\x8E colour", RGBColor{0xFFFF, 0x8000, 0x0000}, IDOK);
    EXPECT_EQ(p.seen.title, "Caf\xE9 colour");
    EXPECT_EQ(p.seen.red, "255");
    EXPECT_EQ(p.seen.green, "128");
    EXPECT_EQ(p.seen.blue, "0");
    EXPECT_EQ(p.seen.rect.left, 200);
    EXPECT_EQ(p.seen.rect.top, 100);
    EXPECT_FALSE(p.seen.ownerEnabledDuring) << "the host's windows are disabled while the dialog shows";
    EXPECT_EQ(p.result, 1);
    EXPECT_EQ(p.out.red, 0xFFFF);
    EXPECT_EQ(p.out.green, 0x8080);
    EXPECT_EQ(p.out.blue, 0x0000);
    ASSERT_NE(p.seen.owner, nullptr);
    EXPECT_TRUE(IsWindowEnabled(p.seen.owner));
    EXPECT_EQ(GetFocus(), focused);
    DestroyWindow(focused);
}

TEST(GetColorDialog, CancelLeavesTheColourAndCentresOnTheDesktop)
{
    Picked p = Pick(Point{-1, 50}, "Pick", RGBColor{0x1234, 0x5678, 0x9ABC}, IDCANCEL);
    EXPECT_EQ(p.result, 0);
    EXPECT_EQ(p.out.red, 1);
    EXPECT_EQ(p.out.green, 2);
    EXPECT_EQ(p.out.blue, 3);
    EXPECT_EQ(p.seen.red, "18");
    RECT desktop;
    GetWindowRect(GetDesktopWindow(), &desktop);
    EXPECT_NEAR((p.seen.rect.left + p.seen.rect.right) / 2, desktop.right / 2, 1);
    EXPECT_NEAR((p.seen.rect.top + p.seen.rect.bottom) / 2, desktop.bottom / 2, 1);
    EXPECT_TRUE(IsWindowEnabled(p.seen.owner));
}

TEST(GetColorDialog, ACustomColourSetInOneCallShowsInTheNext)
{
    Pick(Point{20, 20}, "First", RGBColor{0x1100, 0xAA00, 0x3300}, IDOK, true);
    Picked next = Pick(Point{20, 20}, "Second", RGBColor{0, 0, 0}, IDCANCEL);
    EXPECT_EQ(next.seen.firstCustom, RGB(0x11, 0xAA, 0x33));
}

} // namespace

// Text in every transfer mode on the ports a program draws into: a window, a GWorld and the Window
// Manager port give the Macintosh result in black and white and in colour, with the text on its baseline
// however the port's DC was bound again; and offscreen drawing of the Window Manager port stays off the
// window until it ends.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "QDOffscreen.h"
#include "Quickdraw.h"
#include "Zel.h"
#include "font_fixtures.h"
#include "qd_fixture.h"
#include "test_support.h"

using namespace testing_support;
using namespace text_fixtures;

namespace {

constexpr int W = 150, H = 40, X = 8, Y = 28;
const std::string kText = "Mode XyW";

// A port to draw into and read back whole.
class Target {
public:
    virtual ~Target() = default;
    virtual GrafPtr port() = 0;
    // Its pixels over (0, 0, W, H) of the port.
    virtual void Read(DibSurface &into) = 0;
};

// A port on a shown window's own DC.
class WindowTarget : public Target {
public:
    WindowTarget() : window_(CreateDrawingWindow(W, H, true))
    {
        dc_ = window_ ? GetDC(window_) : nullptr;
        if (dc_)
            OpenPortForHDC(&port_, dc_);
    }
    ~WindowTarget() override
    {
        SetPor(WindowManagerPort());
        if (dc_) {
            CloseCPort(&port_);
            ReleaseDC(window_, dc_);
        }
        if (window_)
            DestroyWindow(window_);
    }
    GrafPtr port() override { return dc_ ? reinterpret_cast<GrafPtr>(&port_) : nullptr; }
    void Read(DibSurface &into) override { BitBlt(into.dc(), 0, 0, W, H, dc_, 0, 0, SRCCOPY); }

private:
    HWND window_;
    HDC dc_ = nullptr;
    CGrafPort port_{};
};

// A GWorld of the given depth.
class GWorldTarget : public Target {
public:
    explicit GWorldTarget(int16_t depth)
    {
        const Rect bounds{0, 0, H, W};
        if (NewGWorld(&world_, depth, &bounds, nullptr, nullptr, 0) != 0)
            world_ = nullptr;
    }
    ~GWorldTarget() override
    {
        SetPor(WindowManagerPort());
        if (world_)
            DisposeGWorld(world_);
    }
    GrafPtr port() override { return reinterpret_cast<GrafPtr>(world_); }
    void Read(DibSurface &into) override
    {
        BitBlt(into.dc(), 0, 0, W, H, (*GetGWorldPixMap(world_))->pmExtMemDC, 0, 0, SRCCOPY);
    }

private:
    GWorldPtr world_ = nullptr;
};

// The Window Manager port, on the host's main window shown for the case.
class WMgrTarget : public Target {
public:
    WMgrTarget()
    {
        shown_ = IsWindowVisible(HostMainWindow()) != 0;
        ShowWindow(HostMainWindow(), SW_SHOWNOACTIVATE);
        UpdateWindow(HostMainWindow());
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
    }
    ~WMgrTarget() override
    {
        SetPor(WindowManagerPort());
        if (!shown_)
            ShowWindow(HostMainWindow(), SW_HIDE);
    }
    GrafPtr port() override { return WindowManagerPort(); }
    void Read(DibSurface &into) override
    {
        const Rect &r = WindowManagerPort()->portRect;
        HDC dc = GetDC(HostMainWindow());
        BitBlt(into.dc(), 0, 0, W, H, dc, -r.left, -r.top, SRCCOPY);
        ReleaseDC(HostMainWindow(), dc);
    }

private:
    bool shown_ = false;
};

enum class Kind { window, gworld32, gworld1, wmgr };
const char *KindName(Kind k)
{
    switch (k) {
    case Kind::window: return "window";
    case Kind::gworld32: return "32-bit GWorld";
    case Kind::gworld1: return "1-bit GWorld";
    default: return "Window Manager port";
    }
}
std::unique_ptr<Target> MakeTarget(Kind k)
{
    switch (k) {
    case Kind::window: return std::make_unique<WindowTarget>();
    case Kind::gworld32: return std::make_unique<GWorldTarget>(32);
    case Kind::gworld1: return std::make_unique<GWorldTarget>(1);
    default: return std::make_unique<WMgrTarget>();
    }
}

// The scene under the text: white, a black box, blue and white stripes, a green box.
void PaintScene()
{
    const Rect all{0, 0, H, W}, box{4, 20, 36, 60}, green{4, 110, 36, 140};
    ForeColor(blackColor);
    BackColor(whiteColor);
    EraseRect(&all);
    PaintRect(&box);
    RGBColor blue{0, 0, 0xFFFF}, leaf{0, 0x8000, 0};
    RGBForeColor(&blue);
    for (int16_t x = 64; x < 108; x += 6) {
        const Rect stripe{0, x, H, int16_t(x + 3)};
        PaintRect(&stripe);
    }
    RGBForeColor(&leaf);
    PaintRect(&green);
}

// What a mode does, as the Macintosh defines it, to a pixel under the text's ink and to one beside it in
// the text rectangle. The "or" and "copy" modes are GDI's own text (smoothed where the port has colours):
// their pixels are GDI's in the port's colours, the text rectangle erased first for a copy.
enum class Effect { keep, fore, back, invert };
struct ModeCase {
    int16_t mode;
    Effect ink, paper;
    bool gdiText;
};
const ModeCase kModes[] = {
    {srcCopy, Effect::fore, Effect::back, true},      {srcOr, Effect::fore, Effect::keep, true},
    {srcXor, Effect::invert, Effect::keep, false},    {srcBic, Effect::back, Effect::keep, false},
    {notSrcCopy, Effect::back, Effect::fore, false},  {notSrcOr, Effect::keep, Effect::fore, false},
    {notSrcXor, Effect::keep, Effect::invert, false}, {notSrcBic, Effect::keep, Effect::back, false},
    // The pattern modes draw text as their source forms.
    {patXor, Effect::invert, Effect::keep, false},    {patBic, Effect::back, Effect::keep, false},
    {notPatOr, Effect::keep, Effect::fore, false},    {patOr, Effect::fore, Effect::keep, true},
};

struct Colours {
    const char *name;
    RGBColor fore, back;
};
const Colours kBlackOnWhite{"black on white", {0, 0, 0}, {0xFFFF, 0xFFFF, 0xFFFF}};
const Colours kRedOnYellow{"red on yellow", {0xFFFF, 0, 0}, {0xFFFF, 0xFFFF, 0}};

COLORREF Ref(const RGBColor &c) { return RGB(c.red >> 8, c.green >> 8, c.blue >> 8); }

// The differences between a read image and the one wanted, as a map ('X' where they differ).
std::string Misses(const DibSurface &actual, const std::vector<COLORREF> &want)
{
    std::string map;
    char first[64] = "";
    int wrong = 0;
    for (int y = 0; y < H; ++y) {
        for (int x = 0; x < W; ++x) {
            const COLORREF got = actual.Pixel(x, y), wanted = want[size_t(y) * W + size_t(x)];
            if (got != wanted && !wrong++)
                std::snprintf(first, sizeof first, "first at (%d, %d): %06lX, not %06lX\n", x, y, got, wanted);
            map += got == wanted ? '.' : 'X';
        }
        map += '\n';
    }
    return wrong ? first + map : std::string();
}

class TextModes : public QuickDrawTest {
protected:
    static void SetUpTestSuite()
    {
        QuickDrawTest::SetUpTestSuite();
        UseNoFontMap();
    }
    void SetUp() override
    {
        QuickDrawTest::SetUp();
        const std::vector<EnumeratedFace> faces = EnumerateFaces();
        const EnumeratedFace *face = TrueTypeFaceOfFamily(faces, FF_SWISS);
        ASSERT_TRUE(face);
        font_ = FontNumberOf(face->name);
    }
    int16_t font_ = 0;
};

TEST_F(TextModes, EveryModeGivesTheMacintoshResultOnEveryPort)
{
    for (Kind kind : {Kind::window, Kind::gworld32, Kind::wmgr, Kind::gworld1}) {
        std::unique_ptr<Target> target = MakeTarget(kind);
        if (!target->port()) {
            ADD_FAILURE() << KindName(kind) << " could not be made";
            continue;
        }
        // A one-bit port shows two colours only.
        const std::vector<Colours> colourSets =
            kind == Kind::gworld1 ? std::vector<Colours>{kBlackOnWhite} : std::vector<Colours>{kBlackOnWhite, kRedOnYellow};
        for (const Colours &colours : colourSets)
            for (const ModeCase &c : kModes) {
                SCOPED_TRACE(std::string(KindName(kind)) + ", " + colours.name + ", mode " + std::to_string(c.mode));
                SetPor(target->port());
                PaintScene();
                DibSurface before(W, H), after(W, H);
                target->Read(before);
                TextFont(font_);
                TextSize(18);
                TextFace(0);
                BindBuffer b{};
                ZEL_GetBindTextAttributesHFONT(&b);
                // Another port in between: the port's DC may be taken again when it comes back.
                {
                    DibPort other(4, 4);
                    SetPor(other.port());
                }
                SetPor(target->port());
                RGBForeColor(&colours.fore);
                RGBBackColor(&colours.back);
                TextMode(c.mode);
                MoveT(X, Y);
                DrawString(P(kText).c_str());
                target->Read(after);
                TextMode(srcOr);
                ForeColor(blackColor);
                BackColor(whiteColor);

                const TextInk ink = InkOfText(b.logFont, W, H, X, Y, kText);
                std::vector<COLORREF> want(size_t(W) * H);
                if (c.gdiText) {
                    // GDI's text on the scene, on its baseline.
                    DibSurface gdi(W, H);
                    BitBlt(gdi.dc(), 0, 0, W, H, before.dc(), 0, 0, SRCCOPY);
                    if (c.ink == Effect::fore && c.paper == Effect::back) {
                        const RECT r{X, Y - ink.ascent, X + ink.width, Y + ink.descent};
                        HBRUSH brush = CreateSolidBrush(Ref(colours.back));
                        FillRect(gdi.dc(), &r, brush);
                        DeleteObject(brush);
                    }
                    HFONT font = CreateFontIndirectA(&b.logFont);
                    HGDIOBJ old = SelectObject(gdi.dc(), font);
                    SetTextAlign(gdi.dc(), TA_BASELINE | TA_LEFT);
                    SetBkMode(gdi.dc(), TRANSPARENT);
                    SetTextColor(gdi.dc(), Ref(colours.fore));
                    TextOutA(gdi.dc(), X, Y, kText.data(), int(kText.size()));
                    SelectObject(gdi.dc(), old);
                    DeleteObject(font);
                    for (int y = 0; y < H; ++y)
                        for (int x = 0; x < W; ++x)
                            want[size_t(y) * W + size_t(x)] = gdi.Pixel(x, y);
                }
                for (int y = 0; y < H && !c.gdiText; ++y)
                    for (int x = 0; x < W; ++x) {
                        const COLORREF d = before.Pixel(x, y);
                        const bool inside = x >= X && x < X + ink.width && y >= Y - ink.ascent && y < Y + ink.descent;
                        const Effect e = !inside ? Effect::keep : ink.At(x, y) ? c.ink : c.paper;
                        want[size_t(y) * W + size_t(x)] = e == Effect::fore     ? Ref(colours.fore)
                                                          : e == Effect::back   ? Ref(colours.back)
                                                          : e == Effect::invert ? (~d & 0x00FFFFFF)
                                                                                : d;
                    }
                const std::string misses = Misses(after, want);
                EXPECT_EQ(misses, "");
            }
    }
}

// Offscreen drawing of a port keeps its memory DC until it ends, through the GetPort and SetPort a
// drawing routine brackets itself with.
TEST_F(TextModes, OffscreenDrawingReachesThePortOnlyWhenItEnds)
{
    const struct {
        Kind kind;
        bool throughOtherPort;
    } cases[] = {{Kind::wmgr, false}, {Kind::wmgr, true}, {Kind::window, true}};
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(KindName(c.kind)) + (c.throughOtherPort ? ", another port between" : ""));
        std::unique_ptr<Target> target = MakeTarget(c.kind);
        ASSERT_TRUE(target->port());
        SetPor(target->port());
        const Rect all{0, 0, H, W}, area{10, 10, 30, 90}, left{10, 10, 30, 50}, right{10, 50, 30, 90};
        ForeColor(blackColor);
        BackColor(whiteColor);
        EraseRect(&all);
        ASSERT_EQ(ZEL_BeginOffScreen(TRUE, &area), 1);
        PaintRect(&left);
        GrafPtr saved = nullptr;
        GetPort(&saved);
        std::unique_ptr<DibPort> other;
        if (c.throughOtherPort) {
            other = std::make_unique<DibPort>(4, 4);
            SetPor(other->port());
        }
        SetPor(saved);
        PaintRect(&right);
        DibSurface during(W, H), after(W, H);
        target->Read(during);
        ZEL_EndOffScreen(TRUE, FALSE, srcCopy);
        target->Read(after);
        std::vector<COLORREF> white(size_t(W) * H, RGB(255, 255, 255)), drawn = white;
        for (int y = area.top; y < area.bottom; ++y)
            for (int x = area.left; x < area.right; ++x)
                drawn[size_t(y) * W + size_t(x)] = RGB(0, 0, 0);
        EXPECT_EQ(Misses(during, white), "") << "nothing reaches the port while drawing offscreen";
        EXPECT_EQ(Misses(after, drawn), "") << "everything drawn offscreen arrives when it ends";
        SetPor(WindowManagerPort());
    }
}

} // namespace

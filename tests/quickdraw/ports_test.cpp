// Graphics ports: opening ports on window, memory and DIB-section DCs, switching between them, the
// PortDCTable's limits, the valid-port list, DC ownership at close and the DC glue.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "MacMemory.h"
#include "Quickdraw.h"
#include "ToolUtils.h"
#include "qd_fixture.h"

using namespace testing_support;

namespace {

constexpr uintptr_t kDeviceMark = 0x8000;
const COLORREF kWhite = RGB(255, 255, 255);
const COLORREF kRed = RGB(255, 0, 0);
const COLORREF kGreen = RGB(0, 255, 0);
const COLORREF kBlue = RGB(0, 0, 255);
const ColourLegend kLegend = {{'.', kWhite}, {'R', kRed}, {'G', kGreen}, {'B', kBlue}};

uintptr_t BaseAddr(CGrafPtr port) { return reinterpret_cast<uintptr_t>((*port->portPixMap)->baseAddr); }

GrafPtr AsPort(CGrafPort &port) { return reinterpret_cast<GrafPtr>(&port); }

BOOL CALLBACK FindHostMainWindow(HWND hwnd, LPARAM data)
{
    char name[64];
    if (GetClassNameA(hwnd, name, sizeof name) && std::strcmp(name, "ZELMainWndClass") == 0) {
        *reinterpret_cast<HWND *>(data) = hwnd;
        return FALSE;
    }
    return TRUE;
}

// The test host's main window: the window of the host's main class on this thread.
HWND HostMainWindow()
{
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindHostMainWindow, reinterpret_cast<LPARAM>(&found));
    return found;
}

bool IsLiveDC(HDC dc)
{
    DWORD type = GetObjectType(dc);
    return type == OBJ_DC || type == OBJ_MEMDC;
}

class Ports : public QuickDrawTest {};

// Closes the ports of a test, whatever happens to it.
struct OpenPorts {
    std::vector<std::unique_ptr<GrafPort>> ports;
    GrafPtr Open()
    {
        ports.push_back(std::make_unique<GrafPort>());
        std::memset(ports.back().get(), 0xCD, sizeof(GrafPort));
        OpenPort(ports.back().get());
        return ports.back().get();
    }
    ~OpenPorts()
    {
        for (auto &p : ports)
            ClosePort(p.get());
    }
};

} // namespace

TEST_F(Ports, InitGrafOpensTheWindowManagerPortOnTheMainWindow)
{
    QDGlobals &qd = QuickDrawGlobals();
    CGrafPtr wmgr = reinterpret_cast<CGrafPtr>(WindowManagerPort());
    ASSERT_NE(wmgr, nullptr);
    EXPECT_EQ(qd.thePort, WindowManagerPort());
    EXPECT_TRUE(ZEL_IsPortValid(WindowManagerPort()));
    EXPECT_EQ(wmgr->patStretch, 0) << "the Window Manager port owns table entry 0";
    EXPECT_EQ(static_cast<uint16_t>(wmgr->portVersion), 0xC000);
    EXPECT_EQ(BaseAddr(wmgr), kDeviceMark);
    EXPECT_EQ(wmgr->portRect.left, 0);
    // The Window Manager port covers the Macintosh screen: the host's client area.
    RECT area;
    GetClientRect(HostMainWindow(), &area);
    EXPECT_EQ(wmgr->portRect.right, area.right);
    EXPECT_EQ(wmgr->portRect.bottom, area.bottom);
    HDC dc = ZEL_GetCurrentDC();
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(WindowFromDC(dc), HostMainWindow()) << "the screen DC is the main window's";
    EXPECT_NE(GetGDevice(), nullptr) << "InitGraf makes the main GDevice current";
}

// ScreenRes answers the screen's pixels per inch that InitGraf found.
TEST_F(Ports, ScreenResIsTheResolutionInitGrafFound)
{
    HDC screen = GetDC(nullptr);
    int16_t h = 0, v = 0;
    ScreenRes(&h, &v);
    EXPECT_EQ(h, GetDeviceCaps(screen, LOGPIXELSX));
    EXPECT_EQ(v, GetDeviceCaps(screen, LOGPIXELSY));
    ReleaseDC(nullptr, screen);
}

TEST_F(Ports, PortsOnAWindowAMemoryDCAndADibSectionEachDrawIntoTheirOwnDC)
{
    constexpr int kSize = 8;
    HWND window = CreateDrawingWindow(kSize, kSize);
    ASSERT_NE(window, nullptr) << "needs a display";
    HDC windowDC = GetDC(window);
    HDC screen = GetDC(nullptr);
    HDC memoryDC = CreateCompatibleDC(screen);
    HBITMAP memoryBitmap = CreateCompatibleBitmap(screen, kSize, kSize);
    ReleaseDC(nullptr, screen);
    HGDIOBJ displaced = SelectObject(memoryDC, memoryBitmap);
    DibSurface dib(kSize, kSize);
    RECT all{0, 0, kSize, kSize};
    FillRect(windowDC, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    FillRect(memoryDC, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));

    struct Target {
        const char *what;
        HDC dc;
        CGrafPort port;
        int x, y;
        COLORREF colour;
        char c;
    };
    Target targets[] = {
        {"window", windowDC, {}, 1, 2, kRed, 'R'},
        {"memory DC", memoryDC, {}, 5, 3, kGreen, 'G'},
        {"DIB section", dib.dc(), {}, 6, 7, kBlue, 'B'},
    };
    for (Target &t : targets) {
        OpenPortForHDC(&t.port, t.dc);
        ASSERT_TRUE(ZEL_IsPortValid(AsPort(t.port))) << t.what;
    }
    // Switch through every port and back to the first: each selection brings back its own DC.
    for (int i : {0, 1, 2, 0, 2, 1}) {
        Target &t = targets[i];
        SetPor(AsPort(t.port));
        GrafPtr current = nullptr;
        EXPECT_EQ(GetPort(&current), AsPort(t.port)) << t.what;
        EXPECT_EQ(current, AsPort(t.port)) << t.what;
        EXPECT_EQ(QuickDrawGlobals().thePort, AsPort(t.port)) << "thePort follows SetPor";
        EXPECT_EQ(ZEL_GetCurrentDC(), t.dc) << t.what;
        SetPixel(ZEL_GetCurrentDC(), t.x, t.y, t.colour);
    }
    for (Target &t : targets) {
        ImageRows expected = MakeImage(kSize, kSize, '.', {{t.x, t.y, t.c}});
        ImageRows actual = CaptureImage(kSize, kSize, kLegend, [&](int x, int y) {
            return t.dc == dib.dc() ? dib.Pixel(x, y) : GetPixel(t.dc, x, y);
        });
        EXPECT_TRUE(ImageDifference(actual, expected).empty()) << t.what << "\n" << ImageDifference(actual, expected);
    }

    for (Target &t : targets) {
        CloseCPort(&t.port);
        EXPECT_FALSE(ZEL_IsPortValid(AsPort(t.port)));
        EXPECT_TRUE(IsLiveDC(t.dc)) << t.what << ": a port never deletes a DC handed to it";
    }
    EXPECT_EQ(SetPixel(dib.dc(), 0, 0, kRed), kRed) << "the DIB section is still selected in its DC";
    SelectObject(memoryDC, displaced);
    DeleteObject(memoryBitmap);
    DeleteDC(memoryDC);
    ReleaseDC(window, windowDC);
    DestroyWindow(window);
}

TEST_F(Ports, ColourPortStartsWithTheDefaultFieldsAndMarksItsDevice)
{
    DibPort dp(4, 4);
    CGrafPtr port = dp.cport();
    ASSERT_GE(port->patStretch, 1);
    EXPECT_EQ(BaseAddr(port), kDeviceMark + port->patStretch);
    EXPECT_EQ(static_cast<uint16_t>(port->portVersion), 0xC000);
    EXPECT_EQ(port->device, 0);
    EXPECT_EQ(port->pnMode, 8);
    EXPECT_EQ(port->pnSize.h, 1);
    EXPECT_EQ(port->pnSize.v, 1);
    EXPECT_EQ(port->txMode, 1);
    EXPECT_EQ(port->txSize, 12);
    EXPECT_EQ(port->fgColor, 33);
    EXPECT_EQ(port->bkColor, 30);
    EXPECT_EQ(port->rgbFgColor.red | port->rgbFgColor.green | port->rgbFgColor.blue, 0);
    EXPECT_EQ(port->rgbBkColor.red & port->rgbBkColor.green & port->rgbBkColor.blue, 0xFFFF);
    EXPECT_EQ(port->grafProcs, nullptr);
    ASSERT_NE(port->visRgn, nullptr);
    ASSERT_NE(port->clipRgn, nullptr);
    const Rect &vis = (*port->visRgn)->rgnBBox;
    EXPECT_EQ(vis.left, -16383);
    EXPECT_EQ(vis.bottom, 16383);
    EXPECT_EQ((*port->clipRgn)->rgnBBox.top, -16383);
    ASSERT_NE(port->grafVars, nullptr);
    const GrafVars &vars = *reinterpret_cast<GrafVars *>(*port->grafVars);
    COLORREF hilite = GetSysColor(COLOR_HIGHLIGHT);
    EXPECT_EQ(vars.rgbHiliteColor.red, GetRValue(hilite) << 8);
    EXPECT_EQ(vars.rgbHiliteColor.blue, GetBValue(hilite) << 8);
    EXPECT_EQ(static_cast<uint16_t>(vars.pmFlags), 0xC000);
    Pattern black;
    std::memset(black.pat, 0xFF, 8);
    Pattern white{};
    ASSERT_NE(port->pnPixPat, nullptr);
    ASSERT_NE(port->bkPixPat, nullptr);
    ASSERT_NE(port->fillPixPat, nullptr);
    EXPECT_EQ(std::memcmp(&(*port->pnPixPat)->pat1Data, &black, 8), 0);
    EXPECT_EQ(std::memcmp(&(*port->bkPixPat)->pat1Data, &white, 8), 0);
    EXPECT_EQ(std::memcmp(&(*port->fillPixPat)->pat1Data, &black, 8), 0);
    EXPECT_EQ(GetTextAlign(dp.surface().dc()) & TA_BASELINE, static_cast<UINT>(TA_BASELINE));
}

TEST_F(Ports, BlackAndWhitePortDrawsIntoTheDefaultMemoryDC)
{
    OpenPorts ports;
    GrafPtr port = ports.Open();
    ASSERT_GE(port->patStretch, 1);
    EXPECT_EQ(GetPort(nullptr), port);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(port->portBits.baseAddr), kDeviceMark + port->patStretch);
    EXPECT_GE(port->portBits.rowBytes, 0) << "a black-and-white port";
    Pattern black;
    std::memset(black.pat, 0xFF, 8);
    EXPECT_EQ(std::memcmp(&port->pnPat, &black, 8), 0);
    EXPECT_EQ(std::memcmp(&port->fillPat, &black, 8), 0);
    EXPECT_EQ(port->bkPat.pat[0] | port->bkPat.pat[7], 0);
    HDC dc = ZEL_GetCurrentDC();
    EXPECT_EQ(GetObjectType(dc), static_cast<DWORD>(OBJ_MEMDC));

    // A second port shares the default memory DC; closing the first leaves it to the second.
    GrafPtr second = ports.Open();
    EXPECT_EQ(ZEL_GetCurrentDC(), dc);
    ClosePort(port);
    SetPor(second);
    EXPECT_EQ(ZEL_GetCurrentDC(), dc);
    EXPECT_EQ(GetObjectType(dc), static_cast<DWORD>(OBJ_MEMDC));
}

TEST_F(Ports, InitPortResetsThePortAndKeepsItsDC)
{
    DibPort dp(4, 4);
    CGrafPtr port = dp.cport();
    port->pnSize = Point{7, 7};
    port->txSize = 40;
    port->portRect = Rect{5, 5, 10, 10};
    SetPor(WindowManagerPort());

    InitCPort(port);
    EXPECT_EQ(GetPort(nullptr), dp.port()) << "InitPort selects the port";
    EXPECT_EQ(ZEL_GetCurrentDC(), dp.surface().dc());
    EXPECT_EQ(port->pnSize.h, 1);
    EXPECT_EQ(port->txSize, 12);
    EXPECT_EQ(port->portRect.top, 0);
    EXPECT_EQ(port->portRect.right, QuickDrawGlobals().screenBits.bounds.right) << "a new port covers the screen";
}

// InitPort after OpenPort must not enter the port in the valid-port list again: once closed, the port
// is not valid, however often it was initialised.
TEST_F(Ports, ClosedPortIsNotValidAfterRepeatedInitPort)
{
    GrafPort port;
    OpenPort(&port);
    InitPort(&port);
    InitPort(&port);
    ASSERT_TRUE(ZEL_IsPortValid(&port));
    ClosePort(&port);
    EXPECT_FALSE(ZEL_IsPortValid(&port));
    SetPor(&port);
    EXPECT_EQ(GetPort(nullptr), WindowManagerPort()) << "a closed port selects the Window Manager port";
}

TEST_F(Ports, InitPortOfAPortWithoutARecordChangesNothing)
{
    GrafPort never;
    std::memset(&never, 0xCD, sizeof never);
    never.patStretch = 0; // points at the Window Manager port's entry
    GrafPort copy = never;
    InitPort(&never);
    EXPECT_EQ(std::memcmp(&never, &copy, sizeof never), 0);
    EXPECT_FALSE(ZEL_IsPortValid(&never));
    EXPECT_EQ(GetPort(nullptr), WindowManagerPort());
}

TEST_F(Ports, ClosingTheCurrentPortLeavesTheWindowManagerPortCurrent)
{
    DibPort a(2, 2);
    DibPort b(2, 2);
    SetPor(a.port());
    b.Close();
    EXPECT_EQ(GetPort(nullptr), a.port()) << "closing another port gives the current one back";
    EXPECT_EQ(ZEL_GetCurrentDC(), a.surface().dc());
    a.Close();
    EXPECT_EQ(GetPort(nullptr), WindowManagerPort());
    EXPECT_EQ(QuickDrawGlobals().thePort, WindowManagerPort());
    EXPECT_NE(ZEL_GetCurrentDC(), nullptr);
}

TEST_F(Ports, SetPorOfWhatIsNotAnOpenPortSelectsTheWindowManagerPort)
{
    DibPort dp(2, 2);
    GrafPort stranger;
    std::memset(&stranger, 0, sizeof stranger);
    for (GrafPtr p : {static_cast<GrafPtr>(nullptr), &stranger}) {
        SetPor(dp.port());
        SetPor(p);
        EXPECT_EQ(GetPort(nullptr), WindowManagerPort());
        EXPECT_FALSE(ZEL_IsPortValid(p));
    }
}

// The 256-entry table: once it is full a port gets patStretch -1 and nothing else; it is not valid,
// selecting it selects the Window Manager port, and closing it harms nothing. Closing any port frees
// its entry for the next.
TEST_F(Ports, FullTableLeavesThePortUntouchedAndClosingItIsHarmless)
{
    OpenPorts ports;
    GrafPtr first = ports.Open();
    int opened = 1;
    while (opened < 300 && ports.ports.back()->patStretch >= 0) {
        ports.Open();
        ++opened;
    }
    ASSERT_LT(opened, 300) << "the table never filled";
    ports.ports.pop_back(); // the refused port, handled by hand below
    EXPECT_EQ(ports.ports.back()->patStretch, 255);

    GrafPort refused;
    std::memset(&refused, 0xCD, sizeof refused);
    OpenPort(&refused);
    EXPECT_EQ(refused.patStretch, -1);
    GrafPort expected;
    std::memset(&expected, 0xCD, sizeof expected);
    expected.patStretch = -1;
    EXPECT_EQ(std::memcmp(&refused, &expected, sizeof refused), 0) << "only patStretch changes";
    EXPECT_FALSE(ZEL_IsPortValid(&refused));
    SetPor(&refused);
    EXPECT_EQ(GetPort(nullptr), WindowManagerPort());

    CGrafPort refusedColour;
    std::memset(&refusedColour, 0xCD, sizeof refusedColour);
    OpenCPort(&refusedColour);
    EXPECT_EQ(refusedColour.patStretch, -1);
    EXPECT_EQ(refusedColour.grafVars, reinterpret_cast<Handle>(0xCDCDCDCD)) << "nothing was made for it";

    // Closing ports that never got a record touches no record and no handle.
    ClosePort(&refused);
    CloseCPort(&refusedColour);
    EXPECT_TRUE(ZEL_IsPortValid(WindowManagerPort()));
    SetPor(WindowManagerPort());
    EXPECT_NE(ZEL_GetCurrentDC(), nullptr) << "the Window Manager port keeps its record";
    SetPor(first);
    EXPECT_EQ(GetPort(nullptr), first);
    EXPECT_NE(ZEL_GetCurrentDC(), nullptr);

    // A closed port's entry goes to the next port that opens.
    GrafPtr middle = ports.ports[40].get();
    int16_t freed = middle->patStretch;
    ClosePort(middle);
    OpenPort(&refused);
    EXPECT_EQ(refused.patStretch, freed);
    EXPECT_TRUE(ZEL_IsPortValid(&refused));
    EXPECT_FALSE(ZEL_IsPortValid(middle));
    SetPor(middle);
    EXPECT_EQ(GetPort(nullptr), WindowManagerPort()) << "the old port does not reach the new port's record";
    ClosePort(&refused);
    ClosePort(middle); // closed already: nothing happens
    EXPECT_FALSE(ZEL_IsPortValid(&refused));
}

TEST_F(Ports, ReopenedPortTakesTheLowestFreeEntry)
{
    DibPort a(2, 2);
    int16_t index = a.cport()->patStretch;
    a.Close();
    DibPort b(2, 2);
    EXPECT_EQ(b.cport()->patStretch, index);
    EXPECT_EQ(BaseAddr(b.cport()), kDeviceMark + index);
}

// A port opened while a memory GDevice is current draws into that device's DC; closing the port
// never deletes it, whether the device is still current or not. Disposing the device makes the port
// forget the DC.
TEST_F(Ports, ClosingAPortKeepsTheDCOfALiveGDevice)
{
    GDHandle main = GetGDevice();
    ASSERT_NE(main, nullptr);
    for (bool deviceCurrentAtClose : {false, true}) {
        SCOPED_TRACE(deviceCurrentAtClose ? "device current at close" : "device not current at close");
        GDHandle device = NewGDevice(-1, 0);
        ASSERT_NE(device, nullptr);
        HDC dc = (*device)->gdReserved;
        ASSERT_EQ(GetObjectType(dc), static_cast<DWORD>(OBJ_MEMDC));
        SetGDevice(device);
        CGrafPort port;
        OpenCPort(&port);
        EXPECT_EQ(ZEL_GetCurrentDC(), dc);
        if (!deviceCurrentAtClose)
            SetGDevice(main);
        CloseCPort(&port);
        SetGDevice(main);
        EXPECT_EQ(GetObjectType(dc), static_cast<DWORD>(OBJ_MEMDC)) << "the device's DC survives the port";
        EXPECT_EQ(SetPixel(dc, 1, 1, RGB(0, 0, 0)), RGB(0, 0, 0));
        DisposeGDevice(device);
        EXPECT_EQ(GetObjectType(dc), 0u) << "the device deletes its own DC";
    }

    GDHandle device = NewGDevice(-1, 0);
    HDC dc = (*device)->gdReserved;
    SetGDevice(device);
    CGrafPort port;
    OpenCPort(&port);
    SetGDevice(main);
    DisposeGDevice(device);
    SetPor(AsPort(port));
    EXPECT_EQ(GetPort(nullptr), AsPort(port)) << "the port stays open";
    EXPECT_EQ(ZEL_GetCurrentDC(), nullptr) << "the deleted DC is forgotten";
    EXPECT_NE(ZEL_GetCurrentDC(), dc);
    CloseCPort(&port);
    EXPECT_FALSE(ZEL_IsPortValid(AsPort(port)));
}

TEST_F(Ports, SwaphDCDrawsTheCurrentPortIntoAnotherDCAndBack)
{
    DibPort a(4, 4);
    DibSurface other(4, 4);
    SetTextAlign(other.dc(), TA_TOP | TA_LEFT);
    SetPor(a.port());

    EXPECT_EQ(ZEL_SwaphDC(other.dc(), 1), a.surface().dc()) << "returns the DC it replaces";
    EXPECT_EQ(ZEL_GetCurrentDC(), other.dc());
    EXPECT_EQ(GetTextAlign(other.dc()) & TA_BASELINE, static_cast<UINT>(TA_BASELINE));
    SetPixel(ZEL_GetCurrentDC(), 2, 1, kRed);
    DibPort b(2, 2);
    SetPor(a.port());
    EXPECT_EQ(ZEL_GetCurrentDC(), other.dc()) << "the swapped DC is the port's DC until swapped back";

    EXPECT_EQ(ZEL_SwaphDC(a.surface().dc(), 0), other.dc());
    EXPECT_EQ(ZEL_GetCurrentDC(), a.surface().dc());
    EXPECT_EQ(GetTextAlign(other.dc()), static_cast<UINT>(TA_TOP | TA_LEFT)) << "alignment given back";
    ImageRows actual = CaptureImage(4, 4, kLegend, [&](int x, int y) { return other.Pixel(x, y); });
    ImageRows expected = MakeImage(4, 4, '.', {{2, 1, 'R'}});
    EXPECT_TRUE(ImageDifference(actual, expected).empty()) << ImageDifference(actual, expected);
    EXPECT_EQ(a.surface().Pixel(2, 1), kWhite);

    // A port closed while a host DC is swapped in leaves that DC alone.
    ZEL_SwaphDC(other.dc(), 1);
    a.Close();
    EXPECT_EQ(GetObjectType(other.dc()), static_cast<DWORD>(OBJ_MEMDC));
    ZEL_SwaphDC(nullptr, 0);
}

// ZEL_SetWMgrPortDC lends a DC to the Window Manager port: while lent, selecting other ports does not
// release it; leaving restores the port, its portRect, the screen DC and the DC's own state.
TEST_F(Ports, WindowManagerPortBorrowsADCAndGivesItBack)
{
    CGrafPtr wmgr = reinterpret_cast<CGrafPtr>(WindowManagerPort());
    const Rect savedRect = wmgr->portRect;
    DibPort other(4, 4);
    DibSurface lent(16, 16);
    SetTextAlign(lent.dc(), TA_TOP | TA_LEFT);
    HGDIOBJ brush = SelectObject(lent.dc(), GetStockObject(GRAY_BRUSH));
    HWND host = reinterpret_cast<HWND>(0x1234);
    Rect rect{2, 3, 12, 14};

    SetPor(other.port());
    EXPECT_EQ(ZEL_SetWMgrPortDC(TRUE, host, lent.dc(), &rect), host);
    EXPECT_EQ(GetPort(nullptr), WindowManagerPort());
    EXPECT_EQ(ZEL_GetCurrentDC(), lent.dc());
    EXPECT_EQ(std::memcmp(&wmgr->portRect, &rect, sizeof rect), 0);
    EXPECT_EQ(GetTextAlign(lent.dc()) & TA_BASELINE, static_cast<UINT>(TA_BASELINE));
    SetPixel(ZEL_GetCurrentDC(), 5, 4, kBlue);

    SetPor(other.port());
    EXPECT_EQ(ZEL_GetCurrentDC(), other.surface().dc());
    SetPor(WindowManagerPort());
    EXPECT_EQ(ZEL_GetCurrentDC(), lent.dc()) << "the lent DC stays with the Window Manager port";

    ZEL_SetWMgrPortDC(FALSE, host, lent.dc(), &rect);
    EXPECT_EQ(GetPort(nullptr), other.port()) << "the port current before the loan";
    EXPECT_EQ(ZEL_GetCurrentDC(), other.surface().dc());
    EXPECT_EQ(std::memcmp(&wmgr->portRect, &savedRect, sizeof savedRect), 0);
    EXPECT_EQ(GetTextAlign(lent.dc()), static_cast<UINT>(TA_TOP | TA_LEFT));
    EXPECT_EQ(SelectObject(lent.dc(), brush), GetStockObject(GRAY_BRUSH)) << "the DC's brush given back";
    EXPECT_EQ(GetObjectType(lent.dc()), static_cast<DWORD>(OBJ_MEMDC));
    ImageRows actual = CaptureImage(16, 16, kLegend, [&](int x, int y) { return lent.Pixel(x, y); });
    EXPECT_TRUE(ImageDifference(actual, MakeImage(16, 16, '.', {{5, 4, 'B'}})).empty());

    SetPor(WindowManagerPort());
    HDC screen = ZEL_GetCurrentDC();
    ASSERT_NE(screen, nullptr);
    EXPECT_NE(screen, lent.dc()) << "the Window Manager port draws on the screen again";
}

TEST_F(Ports, LoanToTheCurrentWindowManagerPortKeepsItsScreenDC)
{
    SetPor(WindowManagerPort());
    HDC screen = ZEL_GetCurrentDC();
    DibSurface lent(4, 4);
    Rect rect{0, 0, 4, 4};
    ZEL_SetWMgrPortDC(TRUE, reinterpret_cast<HWND>(1), lent.dc(), &rect);
    EXPECT_EQ(ZEL_GetCurrentDC(), lent.dc());
    ZEL_SetWMgrPortDC(FALSE, reinterpret_cast<HWND>(1), lent.dc(), &rect);
    EXPECT_EQ(GetPort(nullptr), WindowManagerPort());
    EXPECT_EQ(ZEL_GetCurrentDC(), screen);
    EXPECT_TRUE(IsLiveDC(screen));
}

TEST_F(Ports, LoanWithoutAWindowFindsTheWindowUnderTheRectangle)
{
    // Topmost: no other program's window may be under the point the lender looks at.
    HWND window = CreateDrawingWindow(32, 32, true);
    ASSERT_NE(window, nullptr) << "needs a display";
    HDC dc = GetDC(window);
    Rect rect{4, 4, 20, 20};
    EXPECT_EQ(ZEL_SetWMgrPortDC(TRUE, nullptr, dc, &rect), window);
    ZEL_SetWMgrPortDC(FALSE, nullptr, dc, &rect);
    ReleaseDC(window, dc);
    DestroyWindow(window);
}

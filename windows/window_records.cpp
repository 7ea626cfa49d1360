// Window records and window creation. Every Macintosh window is a WindowRecord tied to one Windows
// window: the record's dataHandle holds its WindowAuxRecord (with the HWND), and the Windows window's
// extra bytes and its "ZEL_wFlag" property lead back to the record. There are no window definition
// procedures: the procID alone chooses the Windows styles, the parent and the Macintosh-style frame.
#include "window_manager.h"
#include "MacMemory.h"
#include "Resources.h"
#include "../dialogs/dialogs_services.h"
#include "../devices/devices_services.h"
#include "../quickdraw/qd_services.h"

#include <cstring>

namespace {

// The system's size-box and check-mark bitmaps (OBM_BTSIZE, OBM_CHECK).
constexpr int kSizeBoxBitmapID = 32761;
constexpr int kCheckBitmapID = 32760;

// ---- Window Manager state ----
HBITMAP sCaptionButtons[6]; // close up, close down, zoom up, zoom down, restore up, restore down
HBITMAP sSizeBoxBitmap;
HBITMAP sCheckBitmap;
int sCheckWidth, sCheckHeight;
HBRUSH sFrameBrushes[3]; // COLOR_SCROLLBAR, COLOR_BTNFACE, COLOR_BTNSHADOW
RgnHandle sScratchRgn;
bool sWindowsStarted;

// The creation in progress and the closing in progress stand in for the tie while it is not yet, or no
// longer, in place.
bool sCreating;
WindowPtr sCreatingWindow;
uint16_t sCreatingFlags;
bool sCreatingMacFrame;
bool sClosing;
HWND sClosingHwnd;
WindowPtr sClosingWindow;

// The handles the cursor glue sets class cursors on: main window, client window, the first library
// window that is not a multiple-document child and the first that is.
HWND sTopWindowCache[4];

int16_t sMinContentWidth = 15;
int16_t sMinContentHeight = 15;

// ---- The procID table ----
enum FrameMetrics { metricsFrame, metricsDialog, metricsBorder, metricsOne };
enum RowOptions : uint16_t {
    optMain = 0x01,    // the host's main window is the parent
    optMac = 0x02,     // Macintosh-style caption drawn by the library
    optFloat = 0x04,   // floating
    optTrim = 0x08,    // system menu trimmed
    optResize = 0x10,  // sizing frame
    optModal = 0x20,   // WS_EX_DLGMODALFRAME
    optNoTitle = 0x40, // Windows gets an empty caption
    optDesktop = 0x80, // the desktop window is the parent
    optDialogOrigin = 0x100
};
struct ProcRow {
    DWORD style;
    FrameMetrics metrics;
    uint16_t options;
};

constexpr DWORD kPopUpOrChild(bool popUp) { return popUp ? WS_POPUP : WS_CHILD; }

// The row of the table for a procID (16..31 already folded to 16).
ProcRow ChooseProcRow(int16_t procID, bool dialog, bool dialogStaysChild, bool popUpWindows)
{
    switch (procID) {
    case 0:
        if (!dialog)
            return {kPopUpOrChild(popUpWindows) | 0x04CC0000, metricsFrame, optResize};
        if (!dialogStaysChild)
            return {0x84C800C0, metricsDialog, optMain | optDialogOrigin | optModal | optTrim};
        return {0x44CC0040, metricsFrame, 0};
    case 1: return {0x80400000, metricsDialog, optModal};
    case 2: return {dialog ? 0x80800000u : 0x44800000u, metricsBorder, 0};
    case 3: return {0x80800000, metricsBorder, 0};
    case 4: return {0x44C80000, metricsBorder, optTrim};
    case 5: return {0x84C800C0, metricsDialog, optModal | optTrim};
    case 8: return {kPopUpOrChild(popUpWindows) | 0x04CD0000, metricsFrame, optResize};
    case 12: return {0x44C90000, metricsBorder, 0};
    case 16: return {0x44C80000, metricsBorder, optTrim};
    default: break;
    }
    int magnitude = procID < 0 ? -procID : procID;
    int variant = magnitude & 0xF;
    if (magnitude >= 720 && magnitude <= 735) {
        ProcRow row{0x44C00000, metricsOne, optMain | optMac};
        if (variant & 4) {
            // A sizing frame makes the window resizable: its Macintosh frame then draws size bands.
            row.style = 0x44C40000;
            row.metrics = metricsFrame;
            row.options |= optResize;
        }
        if (variant & 8)
            row.style |= 0x00010000;
        if (procID < 0)
            row.options |= optFloat;
        if (!(variant & 2))
            row.options |= optNoTitle;
        return row;
    }
    switch (variant) {
    case 0: return {0x44C00000, metricsOne, optMain | optMac | optFloat};
    case 1: return {0x44C00000, metricsOne, optMac};
    case 2: return {0x84800000, metricsBorder, optMain};
    case 4: return {0x44800000, metricsBorder, optMain};
    case 5: return {0x84C800C0, metricsDialog, optModal | optTrim};
    case 7: return {0x44C40000, metricsFrame, optMain | optMac | optFloat | optResize};
    case 8: return {0x44C00000, metricsOne, optMain | optMac | optFloat};
    case 9: return {0x44C40000, metricsFrame, optResize};
    case 10: return {0x44C40000, metricsFrame, optMain | optMac | optFloat};
    case 14: return {0x80C80000, metricsFrame, optMain | optFloat};
    case 15: return {0x80800000, metricsOne, optDesktop | optFloat};
    default: return {0x44800000, metricsBorder, 0}; // 3, and 6, 11, 12, 13 which have no row of their own
    }
}

SIZE FrameSize(FrameMetrics metrics)
{
    switch (metrics) {
    case metricsFrame: return {GetSystemMetrics(SM_CXFRAME), GetSystemMetrics(SM_CYFRAME)};
    case metricsDialog: return {GetSystemMetrics(SM_CXDLGFRAME), GetSystemMetrics(SM_CYDLGFRAME)};
    case metricsBorder: return {GetSystemMetrics(SM_CXBORDER), GetSystemMetrics(SM_CYBORDER)};
    default: return {1, 1};
    }
}

// One-shot flag word of setting 31.
enum NextWindowFlags : uint32_t {
    nwNotFloating = 0x0001,
    nwFloating = 0x0002,
    nwNoMacFrame = 0x0004,
    nwMacFrame = 0x0008,
    nwDialogStaysChild = 0x0010,
    nwBoundsAsGiven = 0x0040,
    nwBoundsFromScreen = 0x0080,
    nwNoClose = 0x0100,
    nwMaximize = 0x0200,
    nwKeepSizeThickFrame = 0x0400
};

typedef void(WINAPI *CreationHook)(HWND hwnd, DWORD exStyle, LPCSTR className, LPCSTR title, DWORD style, int x,
                                   int y, int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                                   LPVOID param, BOOL notWindowCreation);

const char *SessionClassName(const char *name, const char *fallback) { return name ? name : fallback; }

const char *SubMDIClassName()
{
    auto chosen = reinterpret_cast<const char *>(static_cast<uintptr_t>(LibrarySetting(settingMDIClassName)));
    return chosen ? chosen : SessionClassName(SessionBlock().mdiSubWindowClass, "ZELSubMDIWndClass");
}

bool ScreenIsMonochrome()
{
    HDC dc = GetDC(nullptr);
    bool mono = GetDeviceCaps(dc, PLANES) * GetDeviceCaps(dc, BITSPIXEL) == 1;
    ReleaseDC(nullptr, dc);
    return mono;
}

void LoadCaptionButtons()
{
    static const char *const kSets[4][6] = {
        {"CloseButton3D", "CloseButton3D", "ZoomButton3D", "ZoomButton3D", "RestoreButton3D", "RestoreButton3D"},
        {"CloseButtonUp", "CloseButtonDn", "ZoomButtonUp", "ZoomButtonDn", "RestoreButtonUp", "RestoreButtonDn"},
        {"CloseButtonUpMono3D", "CloseButtonDnMono3D", "ZoomButtonUpMono3D", "ZoomButtonDnMono3D",
         "RestoreButtonUpMono3D", "RestoreButtonDnMono3D"},
        {"CloseButtonUpMono", "CloseButtonDnMono", "ZoomButtonUpMono", "ZoomButtonDnMono", "RestoreButtonUpMono",
         "RestoreButtonDnMono"},
    };
    int set = (ScreenIsMonochrome() ? 2 : 0) + (SessionThreeD() ? 0 : 1);
    for (int i = 0; i < 6; ++i) {
        // The three-dimensional colour set has one picture for both states: load it once.
        if (set == 0 && (i & 1))
            sCaptionButtons[i] = sCaptionButtons[i - 1];
        else
            sCaptionButtons[i] = LoadBitmapA(LibraryModule(), kSets[set][i]);
    }
}

void DeleteCaptionButtons()
{
    for (int i = 0; i < 6; ++i) {
        if (sCaptionButtons[i] && !(i & 1 && sCaptionButtons[i] == sCaptionButtons[i - 1]))
            DeleteObject(sCaptionButtons[i]);
    }
    for (HBITMAP &b : sCaptionButtons)
        b = nullptr;
}

void FreeAuxAndStorage(WindowPeek peek, bool storageIsOurs)
{
    if (peek->dataHandle)
        DisposeHandle(peek->dataHandle);
    peek->dataHandle = nullptr;
    if (storageIsOurs)
        DisposePtr(reinterpret_cast<Ptr>(peek));
}

void RefreshTopWindowCache()
{
    sTopWindowCache[0] = SessionMainWindow();
    sTopWindowCache[1] = SessionMdiClient();
    sTopWindowCache[2] = sTopWindowCache[3] = nullptr;
    for (WindowPtr w = WindowListHead(); w; w = AsWindow(Peek(w)->nextWindow)) {
        WindowAuxRecord *aux = AuxOf(w);
        if (!aux)
            continue;
        int slot = (aux->createFlags & wcfMDIChild) ? 3 : 2;
        if (!sTopWindowCache[slot])
            sTopWindowCache[slot] = aux->hwnd;
    }
}

// The Macintosh-to-ANSI title for Windows, NUL-terminated.
void AnsiTitle(ConstStr255Param title, char *buffer)
{
    int32_t n = 0;
    if (title && title[0])
        n = ZEL_MacToAnsiBuf(title + 1, reinterpret_cast<uint8_t *>(buffer), title[0],
                             LibrarySetting(settingDoubleByte) ? macToAnsiDoubleByte : 0);
    buffer[n] = 0;
}

StringHandle CopyTitle(ConstStr255Param title)
{
    int length = title ? title[0] : 0;
    Handle h = NewHandle(length ? length + 1 : 1);
    if (h) {
        if (length)
            std::memcpy(*h, title, length + 1);
        else
            (*h)[0] = 0;
    }
    return reinterpret_cast<StringHandle>(h);
}

// The structure and content rectangles of a new window in global coordinates.
void FillRecordRegions(WindowPeek peek, HWND hwnd, int width, int height)
{
    RECT r;
    GetWindowRect(hwnd, &r);
    const POINT corner = ScreenToGlobal(POINT{r.left, r.top});
    peek->strucRgn = NewRgn();
    SetRectRgnClamped(peek->strucRgn, corner.x, corner.y, corner.x + (r.right - r.left), corner.y + (r.bottom - r.top));
    const POINT origin = ClientOriginInGlobal(hwnd);
    peek->contRgn = NewRgn();
    SetRectRgnClamped(peek->contRgn, origin.x, origin.y, origin.x + width, origin.y + height);
    // The whole content starts invalid, in the port's local coordinates like every later addition.
    peek->updateRgn = NewRgn();
    const Rect &pr = peek->port.portRect;
    SetRectRgnClamped(peek->updateRgn, pr.left, pr.top, pr.right, pr.bottom);
}

} // namespace

// ---- services of this folder ----

WindowAuxRecord *AuxOf(WindowPtr window)
{
    if (!window)
        return nullptr;
    Handle h = Peek(window)->dataHandle;
    return HandleLive(h) ? reinterpret_cast<WindowAuxRecord *>(*h) : nullptr;
}

HWND WindowHwnd(WindowPtr window)
{
    WindowAuxRecord *aux = AuxOf(window);
    return aux ? aux->hwnd : nullptr;
}

HWND PlacementHwnd(WindowPtr window)
{
    HWND hwnd = WindowHwnd(window);
    if (hwnd && (GetWindowLongA(hwnd, zelWindowCreationLong) & 1))
        return GetParent(hwnd);
    return hwnd;
}

HWND HostClientWindow() { return SessionMdiClient() ? SessionMdiClient() : SessionMainWindow(); }

bool IsFloatingWindow(WindowPtr window)
{
    WindowAuxRecord *aux = AuxOf(window);
    return aux && (aux->createFlags & wcfFloating);
}

bool IsPopUpWindow(WindowPtr window)
{
    HWND hwnd = WindowHwnd(window);
    return hwnd && (GetWindowLongA(hwnd, GWL_STYLE) & WS_POPUP);
}

bool WindowCreationInProgress() { return sCreating; }
WindowPtr WindowBeingCreated() { return sCreating ? sCreatingWindow : nullptr; }
uint16_t CreationFlagsInProgress() { return sCreating ? sCreatingFlags : 0; }
void RaiseCreationUpdatePending()
{
    if (sCreating)
        sCreatingFlags |= wcfUpdatePending;
}
bool CreationMacFrame() { return sCreating && sCreatingMacFrame; }
bool WindowClosingInProgress() { return sClosing; }
HWND ClosingHwnd() { return sClosing ? sClosingHwnd : nullptr; }
WindowPtr ClosingWindow() { return sClosing ? sClosingWindow : nullptr; }

// ---- display and frame metrics ----

namespace {

// Under Wine each of these costs tens of microseconds, and every move and sizing asks for them:
// SM_CXSCREEN and SM_CYSCREEN read the display list again from the server, and the caption height and
// AdjustWindowRectEx build the whole non-client metrics again, caption font included. They change only
// when the display or the appearance settings change, so they are read at the first use after each
// event call and kept until the next one (PumpEvents forgets them): a change made meanwhile is seen by
// the first call after the application's next event call.
DisplayMetrics sDisplayMetrics;
bool sDisplayMetricsKnown;

// AdjustWindowRectEx only widens a rectangle by what the frame of a style takes on each side, so the
// insets of the few styles in use are kept alongside.
struct StyleInsets {
    DWORD style, exStyle;
    RECT frame;
};
constexpr int kKeptInsets = 8;
StyleInsets sInsets[kKeptInsets];
int sInsetsKept;
int sNextInsets;

} // namespace

void ForgetDisplayMetrics()
{
    sDisplayMetricsKnown = false;
    sInsetsKept = 0;
    sNextInsets = 0;
}

const DisplayMetrics &CurrentDisplayMetrics()
{
    if (!sDisplayMetricsKnown) {
        sDisplayMetrics.width = GetSystemMetrics(SM_CXSCREEN);
        sDisplayMetrics.height = GetSystemMetrics(SM_CYSCREEN);
        sDisplayMetrics.caption = GetSystemMetrics(SM_CYCAPTION);
        sDisplayMetricsKnown = true;
    }
    return sDisplayMetrics;
}

RECT StandardFrameInsets(DWORD style, DWORD exStyle)
{
    for (int i = 0; i < sInsetsKept; ++i)
        if (sInsets[i].style == style && sInsets[i].exStyle == exStyle)
            return sInsets[i].frame;
    RECT r{0, 0, 0, 0};
    AdjustWindowRectEx(&r, style, FALSE, exStyle);
    const RECT frame{-r.left, -r.top, r.right, r.bottom};
    StyleInsets &slot = sInsets[sInsetsKept < kKeptInsets ? sInsetsKept++ : sNextInsets++ % kKeptInsets];
    slot = StyleInsets{style, exStyle, frame};
    return frame;
}

int MacCaptionHeight(int16_t procID)
{
    if (procID == 255)
        return 0;
    int h = GetLibraryFont(libraryFontSystem).height + 2;
    if (!(h & 1))
        ++h;
    return h < 15 ? 15 : h;
}

MacFrameMetrics MacFrameMetricsFor(int16_t procID, DWORD style)
{
    MacFrameMetrics m{};
    m.resizable = style & WS_THICKFRAME;
    m.caption = MacCaptionHeight(procID);
    m.borderX = m.resizable ? GetSystemMetrics(SM_CXFRAME) : 1;
    m.borderY = m.resizable ? GetSystemMetrics(SM_CYFRAME) : 1;
    // Without a sizing frame the caption band starts at the window's edge; with one, inside the border,
    // and one more pixel separates it from the content.
    m.top = m.resizable ? m.borderY + m.caption + (m.caption ? 1 : 0) : m.caption;
    return m;
}

// The Macintosh-style frame's outer size comes from the same metrics as its WM_NCCALCSIZE, so the
// client area is exactly the content asked for.
bool ClientSizeToWindowSize(bool isChildOfClient, RECT *rect, bool macFrame, DWORD style, DWORD exStyle, int width,
                            int height, int16_t procID)
{
    const int oldWidth = rect->right - rect->left, oldHeight = rect->bottom - rect->top;
    rect->right = rect->left + width;
    rect->bottom = rect->top + height;
    if (macFrame) {
        MacFrameMetrics m = MacFrameMetricsFor(procID, style);
        rect->left -= m.borderX;
        rect->right += m.borderX;
        rect->top -= m.top;
        rect->bottom += m.borderY;
    } else {
        // AdjustWindowRect is AdjustWindowRectEx without extended styles (the MDI children's route).
        const bool mdi = SessionFlag(zelFlagMDIFrame) && isChildOfClient && exStyle == 0;
        const RECT frame = StandardFrameInsets(style, mdi ? 0 : exStyle);
        rect->left -= frame.left;
        rect->top -= frame.top;
        rect->right += frame.right;
        rect->bottom += frame.bottom;
    }
    return rect->right - rect->left != oldWidth || rect->bottom - rect->top != oldHeight;
}

// The port's bitmap is the global screen seen from the port: its top-left is minus the port's origin in
// global coordinates, so that a local point less bounds' top-left is the global point LocalToGlobal gives.
void SetPortGlobalOrigin(GrafPtr port, HWND hwnd)
{
    if (!port || !hwnd)
        return;
    const POINT origin = ClientOriginInGlobal(hwnd);
    const Rect screen = LowMem<BitMap>(lmScreenBits).bounds;
    Rect bounds;
    bounds.left = static_cast<int16_t>(port->portRect.left - origin.x);
    bounds.top = static_cast<int16_t>(port->portRect.top - origin.y);
    bounds.right = static_cast<int16_t>(bounds.left + (screen.right - screen.left));
    bounds.bottom = static_cast<int16_t>(bounds.top + (screen.bottom - screen.top));
    if (IsColorPort(port)) {
        PixMapHandle pm = AsCPort(port)->portPixMap;
        if (HandleLive(pm))
            (*pm)->bounds = bounds;
    } else {
        port->portBits.bounds = bounds;
    }
}

HWND CreateHostWindow(DWORD exStyle, const char *className, const char *title, DWORD style, int x, int y, int width,
                      int height, HWND parent, HMENU menu, HINSTANCE instance, void *param)
{
    if (SessionThreeD() && className && lstrcmpiA(className, "edit") == 0)
        exStyle |= WS_EX_CLIENTEDGE;
    HWND hwnd = CreateWindowExA(exStyle, className, title, style, x, y, width, height, parent, menu, instance, param);
    if (!hwnd)
        return nullptr;
    // On the older shells the three-dimensional look comes from the control library's subclassing; the
    // window being created is the Window Manager's own and owner-drawn buttons draw themselves.
    bool ownerDrawButton = className && lstrcmpiA(className, "button") == 0 && (style & 0xF) == BS_OWNERDRAW;
    if (SessionThreeD() && !SessionPlatform().newShell && !sCreating && !ownerDrawButton)
        Ctl3dSubclassControl(hwnd);
    if (auto hook = reinterpret_cast<CreationHook>(
            static_cast<uintptr_t>(LibrarySetting(settingWindowCreationHook))))
        hook(hwnd, exStyle, className, title, style, x, y, width, height, parent, menu, instance, param, !sCreating);
    return hwnd;
}

void AdjustMDICreateStruct(MDICREATESTRUCTA *cs)
{
    if (!(cs->style & (WS_MAXIMIZEBOX | WS_THICKFRAME)))
        return;
    const bool dialog = DialogBeingCreated();
    if (!IsIconic(SessionMainWindow())) {
        cs->style |= ZEL_MDIDefaultState(0, 0, 0);
        RgnHandle gray = LowMem<RgnHandle>(lmGrayRgn);
        if (!dialog && (cs->style & WS_MAXIMIZE) && HandleLive(gray)) {
            const Rect &box = (*gray)->rgnBBox;
            if (cs->cx > box.right - box.left || cs->cy > box.bottom - box.top)
                cs->x = cs->y = cs->cx = cs->cy = CW_USEDEFAULT;
        }
    } else if (!dialog) {
        cs->cx = 500;
        cs->cy = 302;
    }
}

namespace {

struct CreationPlan {
    DWORD style, exStyle;
    HWND parent;
    SIZE frame;
    uint16_t options;
    uint16_t createFlags;
    bool macFrame, floating, popUp, dialog, mayTakeFocus, noClose, group720, threeDNext;
    uint32_t creationLong;
    HMENU menu;
    POINT origin;
};

// Creates the Windows window by one of the three roads; 0 on failure.
HWND CreateWindowByRoad(CreationPlan &plan, const char *title, int x, int y, int width, int height)
{
    HINSTANCE instance = SessionHostInstance();
    const bool mdi = SessionFlag(zelFlagMDIFrame);
    const bool threeDClass = SessionThreeD() && plan.dialog;
    if (mdi && plan.parent == SessionMdiClient() && plan.parent && plan.exStyle == 0 && !plan.menu &&
        (plan.style & WS_CHILD) && !LibrarySetting(settingMDIAsChildren)) {
        plan.createFlags |= wcfMDIChild;
        MDICREATESTRUCTA cs{};
        cs.szClass = threeDClass ? "_ZEL_THREED_" : SubMDIClassName();
        cs.szTitle = title;
        cs.hOwner = instance;
        if (!plan.dialog && SessionFlag(zelFlagMDIDefaultPlacement)) {
            cs.x = cs.y = cs.cx = cs.cy = CW_USEDEFAULT;
        } else {
            DWORD clientStyle = GetWindowLongA(plan.parent, GWL_STYLE);
            bool mainZoomed = IsZoomed(SessionMainWindow());
            cs.x = x + (!mainZoomed && (clientStyle & WS_HSCROLL) ? plan.frame.cx : 0);
            cs.y = y + ((clientStyle & WS_VSCROLL) ? plan.frame.cy : 0);
            cs.cx = width;
            cs.cy = height;
        }
        cs.style = plan.style;
        cs.lParam = static_cast<LPARAM>(plan.creationLong);
        AdjustMDICreateStruct(&cs);
        const bool quiet = !(plan.style & WS_VISIBLE) && !LibrarySetting(settingQuietInvisibleMDI);
        HWND active = nullptr;
        if (quiet) {
            UpdateWindow(plan.parent);
            for (WindowPtr w = WindowListHead(); w; w = AsWindow(Peek(w)->nextWindow))
                if (Peek(w)->visible)
                    ZEL_CheckUpdateRgn(w);
            SendMessageA(plan.parent, WM_SETREDRAW, FALSE, 0);
            active = reinterpret_cast<HWND>(SendMessageA(plan.parent, WM_MDIGETACTIVE, 0, 0));
            if (!active && GetActiveWindow() != SessionMainWindow())
                active = GetActiveWindow();
        }
        HWND hwnd = reinterpret_cast<HWND>(SendMessageA(plan.parent, WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&cs)));
        if (hwnd && !(plan.style & WS_THICKFRAME)) {
            SetWindowLongA(hwnd, GWL_STYLE, plan.style | (GetWindowLongA(hwnd, GWL_STYLE) & WS_VISIBLE));
            SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                         SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
        }
        if (quiet) {
            if (hwnd)
                ShowWindow(hwnd, SW_HIDE);
            SendMessageA(plan.parent, WM_SETREDRAW, TRUE, 0);
            if (active) {
                SendMessageA(active, WM_NCACTIVATE, FALSE, 0);
                SendMessageA(active, WM_NCPAINT, 1, 0);
            }
        }
        return hwnd;
    }
    if (LibrarySetting(settingMDIAsChildren)) {
        plan.creationLong |= 1;
        return CreateHostWindow(0, SubMDIClassName(), title, WS_CHILD | WS_BORDER, x, y, width, height,
                                SessionMainWindow(), plan.menu, instance,
                                reinterpret_cast<void *>(static_cast<uintptr_t>(plan.creationLong)));
    }
    // The three-dimensional class for dialogs, for setting 53 and for captioned dialog-like styles, but
    // never for the Macintosh-framed group.
    const bool threeD = SessionThreeD() && !plan.group720 &&
                        (plan.dialog || plan.threeDNext || ((plan.style & 0x00400000) && (plan.style & 0x00000080)));
    if (threeD)
        return CreateHostWindow(plan.exStyle, "_ZEL_THREED_", title, plan.style, x, y, width, height, plan.parent,
                                plan.menu, instance, reinterpret_cast<void *>(static_cast<uintptr_t>(plan.creationLong)));
    const char *cls = SessionClassName(SessionBlock().subWindowClass, "ZELSubWndClass");
    return CreateHostWindow(plan.exStyle, cls, title, plan.style, x, y, width, height, plan.parent, plan.menu,
                            instance, reinterpret_cast<void *>(static_cast<uintptr_t>(plan.creationLong)));
}

} // namespace

namespace {

// The size-box child of a resizable window under the three-dimensional look (setting 72 > 0).
void MakeSizeBoxChild(HWND hwnd, int width, int height)
{
    int size = LibrarySetting(settingSizeBoxSize);
    DWORD style = WS_CHILD | WS_VISIBLE | (SessionPlatform().newShell ? 0x14 : 0x0C);
    HWND box = CreateHostWindow(0, "scrollbar", "", style, 0, 0, size, size, hwnd,
                                reinterpret_cast<HMENU>(static_cast<uintptr_t>(kSizeBoxChildID)),
                                SessionHostInstance(), nullptr);
    if (!box)
        return;
    SubclassSizeBox(box);
    RECT r;
    GetWindowRect(box, &r);
    int w = size > 0 ? size : r.right - r.left, h = size > 0 ? size : r.bottom - r.top;
    MoveWindow(box, width - w, height - h, w, h, TRUE);
}

void FixupNewSystemMenu(HWND hwnd, const CreationPlan &plan, bool trimmed, bool keepSize)
{
    if (!(plan.style & WS_SYSMENU))
        return;
    HMENU menu = GetSystemMenu(hwnd, FALSE);
    if (!menu)
        return;
    if (trimmed) {
        TrimSystemMenu(hwnd, keepSize);
        if (plan.noClose)
            DeleteMenu(menu, SC_CLOSE, MF_BYCOMMAND);
    } else {
        ZEL_FixupSystemMenu(hwnd, menu);
        if (plan.noClose) {
            DeleteMenu(menu, 5, MF_BYPOSITION);
            DeleteMenu(menu, SC_CLOSE, MF_BYCOMMAND);
        }
    }
}

WindowPtr NewWindowCore(bool isColor, void *wStorage, const Rect *boundsRect, ConstStr255Param title, Boolean visible,
                        int16_t procID, WindowPtr behind, Boolean goAwayFlag, int32_t refCon)
{
    if (!boundsRect)
        return nullptr;
    // 1. The rounded-corner variants are one window.
    if (procID >= 16 && procID <= 31)
        procID = 16;
    WindowPtr oldFront = FrontWindow();
    GrafPtr callerPort = CurrentPort();
    CreationPlan plan{};
    plan.parent = HostClientWindow();

    // 2. Storage. A caller's block keeps an auxiliary handle it already carries only when that is a
    // live handle of ours, big enough; anything else in uncleared storage is garbage.
    const bool ownStorage = !wStorage;
    Handle keptAux = nullptr;
    WindowPeek peek;
    if (wStorage) {
        Handle h = static_cast<WindowPeek>(wStorage)->dataHandle;
        if (IsLiveHandle(h) && GetHandleSize(h) >= static_cast<Size>(sizeof(WindowAuxRecord)))
            keptAux = h;
        std::memset(wStorage, 0, sizeof(WindowRecord));
        peek = static_cast<WindowPeek>(wStorage);
    } else {
        peek = reinterpret_cast<WindowPeek>(NewPtrClear(sizeof(WindowRecord)));
        if (!peek)
            return nullptr;
    }
    peek->dataHandle = keptAux ? keptAux : NewHandleClear(sizeof(WindowAuxRecord));
    if (!peek->dataHandle) {
        if (ownStorage)
            DisposePtr(reinterpret_cast<Ptr>(peek));
        return nullptr;
    }
    WindowPtr window = AsWindow(peek);

    // 3. The one-shot menu and procID.
    plan.menu = reinterpret_cast<HMENU>(static_cast<uintptr_t>(LibrarySetting(settingNextWindowMenu)));
    SetLibrarySetting(settingNextWindowMenu, 0);
    int32_t nextProcID = LibrarySetting(settingNextProcID);
    if (nextProcID >= 0) {
        procID = static_cast<int16_t>(nextProcID);
        SetLibrarySetting(settingNextProcID, -1);
    }
    plan.createFlags = static_cast<uint16_t>(procID & 0xFF);

    // 4. Styles, parent and frame by the procID table.
    plan.dialog = DialogBeingCreated();
    const int magnitude = procID < 0 ? -procID : procID;
    plan.group720 = magnitude >= 720 && magnitude <= 735;
    ProcRow row = ChooseProcRow(procID, plan.dialog, LibrarySetting(settingDialogStaysChild) != 0,
                                LibrarySetting(settingPopUpWindows) != 0);
    plan.style = row.style;
    plan.exStyle = (row.options & optModal) ? WS_EX_DLGMODALFRAME : 0;
    if (plan.menu)
        plan.style &= ~WS_CHILD;
    if (row.options & optMain)
        plan.parent = SessionMainWindow();
    if (row.options & optDesktop)
        plan.parent = GetDesktopWindow();
    plan.frame = FrameSize(row.metrics);
    plan.options = row.options;
    plan.macFrame = row.options & optMac;
    plan.floating = row.options & optFloat;
    bool trimmed = row.options & optTrim;
    bool keepSize = false;
    if (row.options & optResize)
        plan.createFlags |= wcfResizable;

    // 5. The one-shot flag word.
    const uint32_t next = static_cast<uint32_t>(LibrarySetting(settingNextWindowFlags));
    SetLibrarySetting(settingNextWindowFlags, 0);
    if (next & nwNotFloating)
        plan.floating = false;
    if (next & nwFloating)
        plan.floating = true;
    if (next & nwNoMacFrame)
        plan.macFrame = false;
    if (next & nwMacFrame)
        plan.macFrame = true;
    if (next & nwDialogStaysChild)
        SetLibrarySetting(settingDialogStaysChild, 1);
    plan.noClose = !goAwayFlag || (next & nwNoClose);
    if (next & nwMaximize)
        plan.style |= WS_MAXIMIZE;
    if (next & nwKeepSizeThickFrame) {
        trimmed = true;
        keepSize = true;
        plan.style |= WS_THICKFRAME;
    }
    plan.threeDNext = LibrarySetting(settingNextWindowThreeD) != 0;

    // 6. Pop-ups, focus, floating.
    plan.popUp = plan.style & WS_POPUP;
    if (!plan.popUp) {
        if (!plan.floating && plan.dialog && !LibrarySetting(settingDialogStaysChild)) {
            plan.style = (plan.style & ~WS_CHILD) | WS_POPUP;
            plan.parent = SessionMainWindow();
            plan.popUp = true;
        } else if (!plan.floating && !plan.dialog) {
            plan.mayTakeFocus = true;
        }
    }
    if (plan.floating)
        plan.createFlags |= wcfFloating;
    // Bounds are global: a pop-up is placed on the screen at the global space's origin plus its bounds,
    // a child at its bounds less its parent's client origin in global coordinates.
    plan.origin = POINT{0, 0};
    ClientToScreen(plan.popUp ? HostClientWindow() : plan.parent, &plan.origin);
    const POINT parentInGlobal = plan.popUp ? POINT{0, 0} : ClientOriginInGlobal(plan.parent);
    if (plan.popUp)
        plan.createFlags |= wcfPopUp;
    if (plan.dialog)
        plan.createFlags |= wcfDialog;

    // 7. The largest rectangle of a multiple-document document window.
    Rect bounds = *boundsRect;
    if (SessionFlag(zelFlagMDIFrame) && !plan.dialog &&
        (procID == 0 || procID == 4 || procID == 8 || procID == 12))
        ZEL_CheckMaxWindowRect(&bounds, plan.popUp, TRUE);
    const int width = bounds.right - bounds.left, height = bounds.bottom - bounds.top;

    // 8. Position: a captioned window keeps at least 16 pixels inside its parent.
    int left = bounds.left, top = bounds.top;
    const bool fromScreen = (next & nwBoundsFromScreen) && !(next & nwBoundsAsGiven);
    if (fromScreen) {
        left -= plan.origin.x;
        top -= plan.origin.y;
    } else if (!(next & nwBoundsAsGiven)) {
        left -= parentInGlobal.x;
        top -= parentInGlobal.y;
    }
    const bool captioned = (plan.style & WS_CAPTION) == WS_CAPTION || plan.macFrame;
    if (captioned && left > -500 && top > -500) {
        RECT pc{};
        GetClientRect(plan.popUp ? HostClientWindow() : plan.parent, &pc);
        int maxLeft = pc.right - 16 > 0 ? pc.right - 16 : 0;
        int maxTop = pc.bottom - 16 > 0 ? pc.bottom - 16 : 0;
        if (left < -plan.frame.cx)
            left = -plan.frame.cx;
        if (left > maxLeft)
            left = maxLeft;
        if (top < -plan.frame.cy)
            top = -plan.frame.cy;
        if (top > maxTop)
            top = maxTop;
    }
    if (LibrarySetting(settingMouseMovedEvents) && captioned && top >= -499 && top <= -1)
        top = 0;
    RECT outer{left, top, left, top};
    ClientSizeToWindowSize(plan.parent == HostClientWindow(), &outer, plan.macFrame, plan.style, plan.exStyle, width,
                           height, procID);
    int x = outer.left, y = outer.top;
    if (plan.popUp && !(next & nwBoundsAsGiven) && !fromScreen) {
        x += plan.origin.x;
        y += plan.origin.y;
    }

    // 9. The title Windows shows.
    char ansiTitle[MacToAnsiBufferSize(255)];
    if (row.options & optNoTitle)
        ansiTitle[0] = 0;
    else
        AnsiTitle(title, ansiTitle);

    // 10. Windows 3.x: the caption-button bits go on after creation, for windows wider than 64.
    const DWORD styleAsMade = plan.style;
    const DWORD trimmedBits = SessionPlatform().versionWord == 3 ? (plan.style & 0x000B0000) : 0;
    plan.style &= ~trimmedBits;

    // 11. Create, with the creation mark standing in for the tie.
    sCreating = true;
    sCreatingWindow = window;
    sCreatingFlags = plan.createFlags;
    sCreatingMacFrame = plan.macFrame;
    HWND hwnd = CreateWindowByRoad(plan, ansiTitle, x, y, outer.right - outer.left, outer.bottom - outer.top);
    sCreatingFlags |= plan.createFlags;

    // 12. Failure.
    if (!hwnd) {
        sCreating = false;
        FreeAuxAndStorage(peek, ownStorage);
        SetPor(callerPort);
        return nullptr;
    }

    // 13. The size-box child.
    if (LibrarySetting(settingSizeBoxSize) > 0 && SessionThreeD() && (plan.createFlags & wcfResizable))
        MakeSizeBoxChild(hwnd, width, height);

    // 14. The tie, the extra bytes and the port.
    WindowAuxRecord *aux = AuxOf(window);
    aux->hwnd = hwnd;
    aux->createFlags = sCreatingFlags;
    uint16_t state = 0;
    if (!ownStorage)
        state |= wsfCallerStorage;
    if (plan.macFrame)
        state |= wsfMacFrame;
    if (SessionFlag(zelFlagMDIFrame)) {
        if (plan.createFlags & wcfMDIChild)
            state |= wsfTakesFocus;
    } else if ((plan.style & WS_CHILD) && plan.parent == HostClientWindow() &&
               (plan.mayTakeFocus || LibrarySetting(settingDialogStaysChild))) {
        state |= wsfTakesFocus;
    }
    aux->stateFlags = state;
    SetPropA(hwnd, MAKEINTATOM(SessionWindowAtom()), reinterpret_cast<HANDLE>(1));
    SetWindowLongA(hwnd, zelWindowPtrLong, static_cast<LONG>(reinterpret_cast<uintptr_t>(window)));
    // The application's default palette until NSetPalette gives the window its own.
    SetWindowLongA(hwnd, zelWindowPaletteLong, static_cast<LONG>(reinterpret_cast<uintptr_t>(DefaultPalette())));
    SetWindowLongA(hwnd, zelWindowStyleLong, static_cast<LONG>(styleAsMade));
    SetWindowWord(hwnd, zelWindowMinWidthWord, static_cast<WORD>(sMinContentWidth));
    SetWindowWord(hwnd, zelWindowMinHeightWord, static_cast<WORD>(sMinContentHeight));
    SetWindowLongA(hwnd, zelWindowCreationLong, static_cast<LONG>(plan.creationLong));
    for (int offset = 20; offset < zelWindowExtraBytes; offset += 4)
        SetWindowLongA(hwnd, offset, 0);
    SetClassLongA(hwnd, GCL_HCURSOR, static_cast<LONG>(reinterpret_cast<uintptr_t>(LoadCursorA(nullptr, IDC_ARROW))));
    HDC dc = GetDC(hwnd);
    SetNextPortDC(dc);
    if (isColor)
        OpenCPort(AsCPort(window));
    else
        OpenPort(window);
    const bool portOpen = window->patStretch >= 0 && PortRecordOf(window) && (!isColor || GetCPortOpenSucceeded());
    if (portOpen && (SessionThreeD() || plan.threeDNext)) {
        COLORREF face = GetSysColor(COLOR_BTNFACE);
        RGBColor rgb{static_cast<uint16_t>(GetRValue(face) * 0x101), static_cast<uint16_t>(GetGValue(face) * 0x101),
                     static_cast<uint16_t>(GetBValue(face) * 0x101)};
        RGBBackColor(&rgb);
    }
    SetLibrarySetting(settingNextWindowThreeD, 0);

    // 15. A full port table undoes everything.
    if (!portOpen) {
        SetNextPortDC(nullptr);
        ReleaseDC(hwnd, dc);
        RemovePropA(hwnd, MAKEINTATOM(SessionWindowAtom()));
        SetWindowLongA(hwnd, zelWindowPtrLong, 0);
        DestroyWindow(hwnd);
        sCreating = false;
        FreeAuxAndStorage(peek, ownStorage);
        SetPor(callerPort);
        return nullptr;
    }
    window->portRect = Rect{0, 0, static_cast<int16_t>(height), static_cast<int16_t>(width)};
    RectRgn(window->visRgn, &window->portRect);
    ZEL_PortRectChange();
    SetPortGlobalOrigin(window, hwnd);
    if (PortDCRecord *record = PortRecordOf(window))
        record->hwnd = hwnd;
    SetWindowVisibleFlag(window, 0);
    RealizeLibraryPalette();
    window->txFont = 1;
    peek->windowKind = userKind;
    peek->hilited = 0;
    peek->goAwayFlag = goAwayFlag ? 1 : 0;
    peek->spareFlag = 0;
    FillRecordRegions(peek, hwnd, width, height);
    peek->windowDefProc = procID;
    peek->titleHandle = CopyTitle(title);
    peek->titleWidth = 0;
    peek->refCon = refCon;
    const POINT placed = ClientOriginInGlobal(hwnd);
    aux = AuxOf(window);
    aux->bounds = Rect{static_cast<int16_t>(placed.y), static_cast<int16_t>(placed.x),
                       static_cast<int16_t>(placed.y + height), static_cast<int16_t>(placed.x + width)};
    if (LibrarySetting(settingKeepZoomBounds)) {
        RECT pc{};
        GetClientRect(plan.popUp ? HostClientWindow() : plan.parent, &pc);
        RECT frame{0, 0, 0, 0};
        ClientSizeToWindowSize(plan.parent == HostClientWindow(), &frame, plan.macFrame, styleAsMade, plan.exStyle, 0,
                               0, procID);
        int hFrame = frame.right - frame.left, vFrame = frame.bottom - frame.top;
        aux->zoomBounds = Rect{static_cast<int16_t>(parentInGlobal.y - GetSystemMetrics(SM_CYFRAME)),
                               static_cast<int16_t>(parentInGlobal.x - GetSystemMetrics(SM_CXFRAME)),
                               static_cast<int16_t>(parentInGlobal.y + pc.bottom - (vFrame > 0 ? vFrame : 0)),
                               static_cast<int16_t>(parentInGlobal.x + pc.right - (hFrame > 0 ? hFrame : 0))};
    }
    sCreating = false;

    // 16. The system menu, and the style bits kept back on Windows 3.x.
    FixupNewSystemMenu(hwnd, plan, trimmed, keepSize);
    if (trimmedBits && width > 64) {
        SetWindowLongA(hwnd, GWL_STYLE, GetWindowLongA(hwnd, GWL_STYLE) | trimmedBits);
        SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    }

    // 17. Into the list and onto the screen.
    peek->nextWindow = Peek(WindowListHead());
    SetWindowListHead(window);
    peek->visible = visible ? 1 : 0;
    if (behind == reinterpret_cast<WindowPtr>(-1)) {
        if (visible) {
            peek->visible = 0;
            SyncWindowZOrder(window, true, !plan.floating, true);
            // The front window of the list is the one highlighted, a floating one as well.
            if (!plan.floating || FrontWindow() == window)
                SwapActiveWindow(oldFront, FrontWindow(), !plan.popUp);
        }
    } else {
        SendBehindImpl(window, behind);
        if (visible) {
            peek->visible = 0;
            SyncWindowZOrder(window, true, true, true);
        }
    }

    // 18.
    ZEL_AbortToTop();
    SetPor(callerPort);
    RefreshTopWindowCache();
    if (visible && (aux->stateFlags & wsfTakesFocus))
        SetFocus(hwnd);
    SetLibrarySetting(settingDialogStaysChild, 0);
    SetLibrarySetting(settingPopUpWindows, 0);
    SetLibrarySetting(settingMDIClassName, 0);
    return window;
}

} // namespace

// ---- default bodies of the patchable calls ----

WindowPtr ZEL_CALL NewWindowImpl(void *storage, const Rect *bounds, ConstStr255Param title, Boolean visible,
                                 int16_t procID, WindowPtr behind, Boolean goAway, int32_t refCon)
{
    return NewWindowCore(false, storage, bounds, title, visible, procID, behind, goAway, refCon);
}

WindowPtr ZEL_CALL NewCWindowImpl(void *storage, const Rect *bounds, ConstStr255Param title, Boolean visible,
                                  int16_t procID, WindowPtr behind, Boolean goAway, int32_t refCon)
{
    return NewWindowCore(true, storage, bounds, title, visible, procID, behind, goAway, refCon);
}

void ZEL_CALL CloseWindowImpl(WindowPtr window)
{
    WindowAuxRecord *aux = AuxOf(window);
    if (!aux)
        return;
    WindowPeek peek = Peek(window);
    HWND hwnd = aux->hwnd;
    // What the window covered: only the windows it overlapped are uncovered when it goes.
    Rect covered{0, 0, 0, 0};
    if (peek->visible && HandleLive(peek->strucRgn))
        covered = (*peek->strucRgn)->rgnBBox;
    // 1. The closing trio stands in for the tie while it is taken down.
    sClosing = true;
    sClosingHwnd = hwnd;
    sClosingWindow = window;
    // 2.
    if (peek->visible)
        HideWindow(window);
    if (peek->controlList)
        KillControls(window);
    // 3.
    WindowListUnlink(window);
    // 4. The port goes; the window's DC is given back to Windows.
    HDC dc = nullptr;
    if (PortDCRecord *record = PortRecordOf(window))
        dc = record->hdc;
    if ((window->portBits.rowBytes & 0xC000) == 0xC000)
        CloseCPort(AsCPort(window));
    else
        ClosePort(window);
    if (dc && hwnd)
        ReleaseDC(hwnd, dc);
    if (!CurrentPort())
        SetPor(FrontWindow());
    // 5.
    DisposeRgn(peek->strucRgn);
    DisposeRgn(peek->contRgn);
    DisposeRgn(peek->updateRgn);
    peek->strucRgn = peek->contRgn = peek->updateRgn = nullptr;
    if (hwnd) {
        RemovePropA(hwnd, MAKEINTATOM(SessionWindowAtom()));
        if (static_cast<DWORD>(GetWindowLongA(hwnd, zelWindowStyleLong)) & WS_SYSMENU)
            GetSystemMenu(hwnd, TRUE);
        // 6.
        if ((aux->createFlags & wcfMDIChild) && !(GetWindowLongA(hwnd, zelWindowCreationLong) & 1))
            SendMessageA(SessionMdiClient(), WM_MDIDESTROY, reinterpret_cast<WPARAM>(hwnd), 0);
        else
            DestroyWindow(hwnd);
    }
    // 7.
    ForgetFrameTrackingWindow(window);
    ForgetWindowEvents(window);
    if (peek->titleHandle)
        DisposeHandle(reinterpret_cast<Handle>(peek->titleHandle));
    peek->titleHandle = nullptr;
    DisposeHandle(peek->dataHandle);
    peek->dataHandle = nullptr;
    sClosing = false;
    sClosingHwnd = nullptr;
    sClosingWindow = nullptr;
    RefreshTopWindowCache();
    // The list was resynced when the window was hidden: the paints below find it as it is.
    DeferWindowResyncs(1);
    for (WindowPtr w = WindowListHead(); w; w = AsWindow(Peek(w)->nextWindow)) {
        WindowPeek p = Peek(w);
        if (!p->visible)
            continue;
        if (HandleLive(p->strucRgn)) {
            const Rect &box = (*p->strucRgn)->rgnBBox;
            if (box.right <= covered.left || covered.right <= box.left || box.bottom <= covered.top ||
                covered.bottom <= box.top)
                continue;
        }
        ZEL_CheckUpdateRgn(w);
    }
    DeferWindowResyncs(-1);
}

// ---- session ----

void ExitWindowManager()
{
    // Without InitWindows there are no windows, whatever the WindowList global holds.
    if (!sWindowsStarted)
        return;
    for (WindowPtr w = WindowListHead(); w;) {
        WindowPtr next = AsWindow(Peek(w)->nextWindow);
        DisposeWindow(w);
        w = next;
    }
    RgnHandle &gray = LowMem<RgnHandle>(lmGrayRgn);
    if (gray)
        DisposeRgn(gray);
    gray = nullptr;
    FreeUpdateNestingRegions();
    if (sScratchRgn)
        DisposeRgn(sScratchRgn);
    sScratchRgn = nullptr;
    DeleteCaptionButtons();
    if (sSizeBoxBitmap)
        DeleteObject(sSizeBoxBitmap);
    if (sCheckBitmap)
        DeleteObject(sCheckBitmap);
    sSizeBoxBitmap = sCheckBitmap = nullptr;
    for (HBRUSH &b : sFrameBrushes) {
        if (b)
            DeleteObject(b);
        b = nullptr;
    }
    sWindowsStarted = false;
}

HWND TopWindowCacheEntry(int which) { return which >= 0 && which < 4 ? sTopWindowCache[which] : nullptr; }

HBITMAP CaptionButtonBitmap(int which) { return which >= 0 && which < 6 ? sCaptionButtons[which] : nullptr; }

HWND SizeBoxChild(WindowPtr window)
{
    HWND hwnd = WindowHwnd(window);
    return hwnd ? GetDlgItem(hwnd, kSizeBoxChildID) : nullptr;
}

// ---- exported calls ----

ZEL_EXTERN_C void ZEL_CALL InitWindows(void)
{
    if (sWindowsStarted)
        ExitWindowManager();
    sWindowsStarted = true;
    SetWindowListHead(nullptr);
    // The desktop is the host's client area, the screen the program's windows live on.
    RgnHandle gray = NewRgn();
    const Rect desk = GlobalScreenRect();
    SetRectRgnClamped(gray, desk.left, desk.top, desk.right, desk.bottom);
    LowMem<RgnHandle>(lmGrayRgn) = gray;
    FollowHostFrame(true);
    sScratchRgn = NewRgn();
    InitUpdateNestingRegions();
    sFrameBrushes[0] = CreateSolidBrush(GetSysColor(COLOR_SCROLLBAR));
    sFrameBrushes[1] = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
    sFrameBrushes[2] = CreateSolidBrush(GetSysColor(COLOR_BTNSHADOW));
    sSizeBoxBitmap = LoadBitmapA(nullptr, MAKEINTRESOURCEA(kSizeBoxBitmapID));
    sCheckBitmap = LoadBitmapA(nullptr, MAKEINTRESOURCEA(kCheckBitmapID));
    BITMAP bm{};
    if (sCheckBitmap && GetObjectA(sCheckBitmap, sizeof bm, &bm)) {
        sCheckWidth = bm.bmWidth;
        sCheckHeight = bm.bmHeight;
    }
    LoadCaptionButtons();
}

namespace {

// A 'WIND' resource (byte-swapped when loaded): bounds, procID, visible and goAway flags in the first
// byte of their words, refCon, the title padded to an even length, then an optional positioning word.
// A resource cut short inside the title or the positioning word is damaged: no template.
constexpr ResType kWindowTemplateType = 0x57494E44; // 'WIND'

struct WindowTemplate {
    Rect bounds;
    int16_t procID;
    Boolean visible, goAway;
    int32_t refCon;
    Str255 title;
    uint16_t position;
};

bool ReadWindowTemplate(int16_t windowID, WindowTemplate *t)
{
    Handle h = GetResource(kWindowTemplateType, windowID);
    if (!HandleLive(h))
        return false;
    const auto *data = reinterpret_cast<const uint8_t *>(*h);
    const uint32_t size = static_cast<uint32_t>(GetHandleSize(h));
    constexpr uint32_t title = 18;
    // The title's text must lie inside the resource; after it (padded to an even length) there is either
    // nothing or a whole positioning word.
    const uint32_t length = size > title ? data[title] : 0;
    const uint32_t position = title + ((length + 2u) & ~1u);
    if (size <= title || title + 1 + length > size || (size > position && size < position + 2)) {
        ReleaseResource(h);
        return false;
    }
    auto word = [&](uint32_t offset) {
        int16_t v;
        std::memcpy(&v, data + offset, 2);
        return v;
    };
    *t = WindowTemplate{};
    t->bounds = Rect{word(0), word(2), word(4), word(6)};
    t->procID = word(8);
    t->visible = data[10] != 0;
    t->goAway = data[12] != 0;
    std::memcpy(&t->refCon, data + 14, 4);
    t->title[0] = static_cast<uint8_t>(length);
    std::memcpy(t->title + 1, data + title + 1, length);
    if (size >= position + 2)
        t->position = static_cast<uint16_t>(word(position));
    ReleaseResource(h);
    if (t->position)
        ApplyPositionSpec(&t->bounds, t->position);
    return true;
}

} // namespace

ZEL_EXTERN_C WindowPtr ZEL_CALL GetNewWindow(int16_t windowID, void *wStorage, WindowPtr behind)
{
    WindowTemplate t;
    if (!ReadWindowTemplate(windowID, &t))
        return nullptr;
    return NewWindow(wStorage, &t.bounds, t.title, t.visible, t.procID, behind, t.goAway, t.refCon);
}

ZEL_EXTERN_C WindowPtr ZEL_CALL GetNewCWindow(int16_t windowID, void *wStorage, WindowPtr behind)
{
    WindowTemplate t;
    if (!ReadWindowTemplate(windowID, &t))
        return nullptr;
    return NewWindowCore(true, wStorage, &t.bounds, t.title, t.visible, t.procID, behind, t.goAway, t.refCon);
}

ZEL_EXTERN_C void ZEL_CALL DisposeWindow(WindowPtr window)
{
    WindowAuxRecord *aux = AuxOf(window);
    if (!aux)
        return;
    const bool callerStorage = aux->stateFlags & wsfCallerStorage;
    CloseWindo(window);
    if (!callerStorage)
        DisposePtr(reinterpret_cast<Ptr>(window));
}

ZEL_EXTERN_C void ZEL_CALL ZEL_SetMinWinSize(int16_t width, int16_t height)
{
    sMinContentWidth = width;
    sMinContentHeight = height;
}

ZEL_EXTERN_C void ZEL_CALL ZEL_SetwPtrMinSize(WindowPtr window, int16_t width, int16_t height)
{
    if (HWND hwnd = WindowHwnd(window)) {
        SetWindowWord(hwnd, zelWindowMinWidthWord, static_cast<WORD>(width));
        SetWindowWord(hwnd, zelWindowMinHeightWord, static_cast<WORD>(height));
    }
}

ZEL_EXTERN_C HWND ZEL_CALL ZEL_SetWindowParent(WindowPtr window, WindowPtr newParent)
{
    HWND hwnd = WindowHwnd(window);
    if (!hwnd)
        return nullptr;
    HWND parent = newParent ? WindowHwnd(newParent) : SessionMainWindow();
    HWND former = GetParent(hwnd);
    if (former == parent)
        return former;
    // The window moves on the screen with its new parent without being told.
    NoteOutsideGeometryChange();
    return SetParent(hwnd, parent);
}

ZEL_EXTERN_C void ZEL_CALL ZEL_TopMainWnd(void)
{
    HWND main = SessionMainWindow();
    if (IsIconic(main))
        ShowWindow(main, SW_RESTORE);
    else
        BringWindowToTop(main);
}

ZEL_EXTERN_C int32_t ZEL_CALL ZEL_KitchenSink(int32_t, int32_t, int32_t, int32_t, int32_t) { return 1; }

ZEL_STUB(int32_t, GetMCInfo, 0, (void))

ZEL_EXTERN_C int32_t ZEL_CALL GetMCEntry(int16_t, int16_t) { return 0; }

// The window list: the Macintosh front-to-back order (WindowList, linked through nextWindow) and the
// Windows Z-order of the library's windows are two views of one order. Toolbox calls change the list and
// push it onto the Windows windows; activation and Z-order changes made by the user are read back by
// ZEL_UpdateWindows and ZEL_EventActivate. Activate and deactivate events are left to the pump, which
// makes them from the pending activations set here.
#include "window_manager.h"
#include "../dialogs/dialogs_services.h"
#include "../quickdraw/qd_services.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>
#include <vector>

namespace {

// Raised around every UpdateWindow the library makes itself.
int sSyncPaintDepth;
// Raised around the SetWindowPos of the geometry core: the list is then not rebuilt from the Z-order.
int sPlacementCount;
// Set by ZEL_UpdateWindows(0): Windows changed the Z-order and the list has not followed yet.
bool sZOrderStale;

WindowPeek NextOf(WindowPtr w) { return Peek(w)->nextWindow; }

// Inserts an unlinked window in front of `before`, or after `after`, or at the head.
void LinkWindow(WindowPtr window, WindowPtr before, WindowPtr after)
{
    WindowPeek w = Peek(window);
    if (before) {
        if (WindowListHead() == before) {
            w->nextWindow = Peek(before);
            SetWindowListHead(window);
            return;
        }
        for (WindowPeek p = Peek(WindowListHead()); p; p = p->nextWindow)
            if (p->nextWindow == Peek(before)) {
                w->nextWindow = p->nextWindow;
                p->nextWindow = w;
                return;
            }
    }
    if (after) {
        w->nextWindow = Peek(after)->nextWindow;
        Peek(after)->nextWindow = w;
        return;
    }
    w->nextWindow = Peek(WindowListHead());
    SetWindowListHead(window);
}

HWND ParentOfPlacement(WindowPtr window)
{
    HWND hwnd = PlacementHwnd(window);
    return hwnd ? GetParent(hwnd) : nullptr;
}

// The last window before `window` in the list that is visible (when asked) and has the given Windows
// parent (when given); with none and not visibleOnly, for a window that does not float, the last
// floating window before it. WindowInFront(0, false, 0) is the last window of the list.
WindowPtr WindowInFront(WindowPtr window, bool visibleOnly, HWND parent)
{
    WindowPtr found = nullptr, floating = nullptr;
    for (WindowPeek p = Peek(WindowListHead()); p && AsWindow(p) != window; p = p->nextWindow) {
        WindowPtr w = AsWindow(p);
        if (IsFloatingWindow(w))
            floating = w;
        if (visibleOnly && !p->visible)
            continue;
        if (parent && ParentOfPlacement(w) != parent)
            continue;
        found = w;
    }
    if (!found && !visibleOnly && window && !IsFloatingWindow(window))
        found = floating;
    return found;
}

// Moves a window to follow another in the list.
void WindowListFollow(WindowPtr window, WindowPtr previous)
{
    if (window == previous || NextOf(previous) == Peek(window))
        return;
    WindowListUnlink(window);
    LinkWindow(window, nullptr, previous);
}

// The list's windows by their own Windows window, for the read-back of the Z-order: a child that is not
// there (not the library's, not in the list, being closed) is passed over.
std::unordered_map<HWND, WindowPtr> sListed;

void MapListedWindows()
{
    sListed.clear();
    for (WindowPeek p = Peek(WindowListHead()); p; p = p->nextWindow)
        if (HWND hwnd = WindowHwnd(AsWindow(p)); hwnd && AsWindow(p) != ClosingWindow())
            sListed[hwnd] = AsWindow(p);
}

// The list follows a front-to-back order of visible library windows under one parent: the first goes to
// the front of its placement class, each next one right behind the one before.
void FollowOrder(const std::vector<WindowPtr> &order)
{
    for (size_t i = 0; i < order.size(); ++i) {
        if (i == 0)
            WindowListPlace(order[0]);
        else
            WindowListFollow(order[i], order[i - 1]);
    }
}

// The list follows the Windows Z-order of the library windows under one parent.
void RebuildFromZOrder(HWND parent)
{
    std::vector<WindowPtr> order;
    for (HWND h = GetTopWindow(parent); h; h = GetWindow(h, GW_HWNDNEXT)) {
        auto found = sListed.find(h);
        if (found != sListed.end() && IsWindowVisible(h))
            order.push_back(found->second);
    }
    FollowOrder(order);
}

// The same relinking as RebuildFromZOrder, taken from the list itself: the library's own placements keep
// the Z-order of its visible windows in the list's order, so the read-back would find that order.
void RebuildFromList(HWND parent)
{
    std::vector<WindowPtr> order;
    for (WindowPeek p = Peek(WindowListHead()); p; p = p->nextWindow) {
        HWND hwnd = WindowHwnd(AsWindow(p));
        if (hwnd && AsWindow(p) != ClosingWindow() && (GetWindowLongA(hwnd, GWL_STYLE) & WS_CHILD) &&
            GetParent(hwnd) == parent && IsWindowVisible(hwnd))
            order.push_back(AsWindow(p));
    }
    FollowOrder(order);
}

// Whether the Windows Z-order of the library's visible windows is known to follow the list: true after
// a read-back, kept by the library's own placements that Windows carried out as asked, lost when Windows
// reorders windows on its own.
bool sZOrderKnown;
// Raised while the library places a window itself: the resyncs asked for by the messages Windows sends
// meanwhile wait for the one the placement makes when it is done.
int sOwnPlacementDepth;

// ---- visible regions, recomputed where something changed ----

// Where the host's client area and main window began on the screen at the last resync: the library's
// windows move on the screen with them without being told.
POINT sClientOrigin, sMainOrigin;
bool sStructuresRead;
// Whether the host's client area and main window were visible, and the main window iconic, at the last
// resync: the library's windows are visible only while their parent is.
bool sClientShown, sMainShown, sMainIconic;
// Set when a library window was moved or sized other than by the geometry core (the host's own calls,
// the user): the next resync reads every window again.
bool sOutsideChange = true;

POINT ScreenOriginOf(HWND hwnd)
{
    POINT origin{0, 0};
    if (hwnd)
        ClientToScreen(hwnd, &origin);
    return origin;
}

// What the last resync left in each window of the list. A window's visible region is its content less
// the structure of every visible window in front of it; it is computed again only when one of those
// changed (its content or port, the structure, visibility or order of a window in front of it) or when
// it is no longer the region computed then.
struct SeenWindow {
    int order;        // place in the list, from the front
    uint32_t pass;    // the resync that saw it last
    bool visible;
    LONG style;       // the placed window's style as read then
    Rect struc;       // the structure box; empty while invisible
    RgnHandle vis;    // the visible region as computed
    uint16_t visSize;
    Rect visBox;
    PortXform xform;  // the port's transform it was computed in
};
std::unordered_map<WindowPtr, SeenWindow> sSeen;
uint32_t sPass;

// A window whose structure or visibility changed, or that came or went: the windows behind it, before
// or after the change, whose content meets `area` are computed again. A window that only changed places
// reaches only the windows it went in front of or behind (`reordered`).
struct Change {
    Rect area;
    int oldOrder, newOrder; // -1: not in the list then
    bool reordered;
};

struct RegionSignature {
    uint16_t size;
    Rect box;
};

RegionSignature SignatureOf(RgnHandle rgn)
{
    if (!HandleLive(rgn))
        return RegionSignature{0, Rect{0, 0, 0, 0}};
    return RegionSignature{static_cast<uint16_t>((*rgn)->rgnSize), (*rgn)->rgnBBox};
}

bool SameRectangle(const Rect &a, const Rect &b)
{
    return a.top == b.top && a.left == b.left && a.bottom == b.bottom && a.right == b.right;
}

bool SameSignature(const RegionSignature &a, const RegionSignature &b)
{
    return a.size == b.size && SameRectangle(a.box, b.box);
}

bool RectsMeet(const Rect &a, const Rect &b)
{
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom && a.left < a.right &&
           a.top < a.bottom && b.left < b.right && b.top < b.bottom;
}

Rect UnionOf(const Rect &a, const Rect &b)
{
    if (a.left >= a.right || a.top >= a.bottom)
        return b;
    if (b.left >= b.right || b.top >= b.bottom)
        return a;
    return Rect{a.top < b.top ? a.top : b.top, a.left < b.left ? a.left : b.left,
                a.bottom > b.bottom ? a.bottom : b.bottom, a.right > b.right ? a.right : b.right};
}

// The host's client area and main window as one resync sees them.
struct HostWindowsSeen {
    HWND client, main;
    POINT clientOrigin, mainOrigin;
    bool clientShown, mainShown, mainIconic;
};

// The record follows its Windows window: visibility, structure and content regions. Answers whether the
// visible region is to be computed (a window that is neither visible nor showing anything is left as it
// is); `contentChanged` tells that its content region changed, `style` is the style read.
bool ReadWindowFromHwnd(WindowPtr window, const HostWindowsSeen &host, bool *contentChanged, LONG *style)
{
    *contentChanged = false;
    HWND hwnd = WindowHwnd(window);
    if (!hwnd || window == WindowBeingCreated())
        return false;
    WindowPeek peek = Peek(window);
    HWND placed = PlacementHwnd(window);
    // Visible as IsWindowVisible answers: shown itself, and a child only while its parent is.
    *style = GetWindowLongA(placed, GWL_STYLE);
    bool visible = (*style & WS_VISIBLE) != 0;
    if (visible && (*style & WS_CHILD)) {
        HWND parent = GetParent(placed);
        visible = parent == host.client ? host.clientShown
                  : parent == host.main ? host.mainShown
                                        : IsWindowVisible(parent) != 0;
    }
    if (!visible && host.mainIconic)
        visible = peek->visible;
    if (peek->visible != (visible ? 1 : 0))
        SetWindowVisibleFlag(window, visible ? 1 : 0);
    if (!peek->strucRgn || !(peek->visible || (window->visRgn && !EmptyRgn(window->visRgn))))
        return false;
    // Both in global coordinates: those of the host's client area.
    RECT r;
    GetWindowRect(placed, &r);
    SetRectRgnClamped(peek->strucRgn, r.left - host.clientOrigin.x, r.top - host.clientOrigin.y,
                      r.right - host.clientOrigin.x, r.bottom - host.clientOrigin.y);
    GetClientRect(hwnd, &r);
    MapWindowPoints(hwnd, host.client, reinterpret_cast<POINT *>(&r), 2);
    const RegionSignature content = SignatureOf(peek->contRgn);
    SetRectRgnClamped(peek->contRgn, r.left, r.top, r.right, r.bottom);
    *contentChanged = !SameSignature(content, SignatureOf(peek->contRgn));
    return true;
}

// Whether what the last resync read of `window` still holds without asking Windows for its rectangles:
// Windows tells the library of every move or size of a library window (WM_MOVE, WM_SIZE, which clear the
// trust), its parents stayed where and as they were (checked once a resync), and its style, which holds
// its visibility and frame, is the one read then.
bool StillAsRead(WindowPtr window, const SeenWindow &seen, bool *calc)
{
    HWND hwnd = WindowHwnd(window);
    if (!hwnd || window == WindowBeingCreated())
        return false;
    // A window standing inside a frame of its own moves with the frame without being told.
    HWND placed = PlacementHwnd(window);
    if (placed != hwnd || GetWindowLongA(placed, GWL_STYLE) != seen.style)
        return false;
    WindowPeek peek = Peek(window);
    *calc = peek->strucRgn && (peek->visible || (window->visRgn && !EmptyRgn(window->visRgn)));
    return true;
}

// Every window of the list follows its Windows window; visible regions are computed again where the
// changes reach. After the geometry core placed `placed` (0: any other resync) and nothing else changed
// since the last resync, the other windows are only checked, not read again.
void ResyncWindowRecords(WindowPtr placed = nullptr)
{
    ++sPass;
    HostWindowsSeen host;
    host.client = HostClientWindow();
    host.main = SessionMainWindow();
    host.clientOrigin = ScreenOriginOf(host.client);
    host.mainOrigin = ScreenOriginOf(host.main);
    host.clientShown = host.client && IsWindowVisible(host.client);
    host.mainShown = host.main == host.client ? host.clientShown : host.main && IsWindowVisible(host.main);
    host.mainIconic = host.main && IsIconic(host.main);
    const bool trusted = placed && sStructuresRead && !sOutsideChange && !sZOrderStale &&
                         host.clientOrigin.x == sClientOrigin.x && host.clientOrigin.y == sClientOrigin.y &&
                         host.mainOrigin.x == sMainOrigin.x && host.mainOrigin.y == sMainOrigin.y &&
                         host.clientShown == sClientShown && host.mainShown == sMainShown &&
                         host.mainIconic == sMainIconic;
    std::vector<WindowPtr> windows;
    std::vector<char> recompute;
    std::vector<int> oldOrders;
    std::vector<Change> changes;
    for (WindowPeek p = Peek(WindowListHead()); p; p = p->nextWindow) {
        WindowPtr window = AsWindow(p);
        const int order = static_cast<int>(windows.size());
        auto seen = sSeen.find(window);
        const bool known = seen != sSeen.end();
        const RegionSignature struc = SignatureOf(p->strucRgn);
        const bool wasVisible = p->visible != 0;
        bool contentChanged = false, calc = false;
        LONG style = known ? seen->second.style : 0;
        if (!trusted || window == placed || !known || !StillAsRead(window, seen->second, &calc))
            calc = ReadWindowFromHwnd(window, host, &contentChanged, &style);
        const bool visible = p->visible != 0;
        const RegionSignature strucNow = SignatureOf(p->strucRgn);
        const Rect none{0, 0, 0, 0};
        const Rect before = wasVisible ? struc.box : none, after = visible ? strucNow.box : none;
        bool own = !known || contentChanged || UpdateSavedVisRgn(window) != nullptr;
        if (known) {
            const SeenWindow &was = seen->second;
            const PortDCRecord *record = PortRecordOf(window);
            own = own || was.vis != window->visRgn || !SameSignature(RegionSignature{was.visSize, was.visBox},
                                                                     SignatureOf(window->visRgn));
            own = own || (record && std::memcmp(&record->xform, &was.xform, sizeof was.xform) != 0);
            own = own || was.visible != visible;
        }
        if (!known || wasVisible != visible || !SameSignature(struc, strucNow) || !SameRectangle(before, after) ||
            (known && !SameRectangle(seen->second.struc, after)))
            changes.push_back(Change{UnionOf(UnionOf(before, after), known ? seen->second.struc : none),
                                     known ? seen->second.order : -1, order, false});
        windows.push_back(window);
        recompute.push_back(calc ? (own ? 2 : 1) : 0);
        oldOrders.push_back(known ? seen->second.order : -1);
        SeenWindow &entry = sSeen[window];
        entry.order = order;
        entry.pass = sPass;
        entry.visible = visible;
        entry.style = style;
        entry.struc = after;
    }
    // Windows gone from the list uncover what they covered.
    for (auto it = sSeen.begin(); it != sSeen.end();) {
        if (it->second.pass != sPass) {
            changes.push_back(Change{it->second.struc, it->second.order, -1, false});
            it = sSeen.erase(it);
        } else {
            ++it;
        }
    }
    // Windows whose place changed against the others: those outside the longest run of windows still in
    // their old relative order (the others kept every window in front that they had).
    {
        std::vector<int> tails, tailIndex, previous(windows.size(), -1);
        for (size_t i = 0; i < windows.size(); ++i) {
            if (oldOrders[i] < 0)
                continue;
            auto at = std::lower_bound(tails.begin(), tails.end(), oldOrders[i]);
            const size_t length = static_cast<size_t>(at - tails.begin());
            if (length > 0)
                previous[i] = tailIndex[length - 1];
            if (at == tails.end()) {
                tails.push_back(oldOrders[i]);
                tailIndex.push_back(static_cast<int>(i));
            } else {
                *at = oldOrders[i];
                tailIndex[length] = static_cast<int>(i);
            }
        }
        std::vector<char> kept(windows.size(), 0);
        for (int i = tailIndex.empty() ? -1 : tailIndex.back(); i >= 0; i = previous[i])
            kept[i] = 1;
        for (size_t i = 0; i < windows.size(); ++i)
            if (oldOrders[i] >= 0 && !kept[i]) {
                if (recompute[i])
                    recompute[i] = 2;
                const SeenWindow &entry = sSeen[windows[i]];
                changes.push_back(Change{entry.struc, oldOrders[i], static_cast<int>(i), true});
            }
    }
    for (size_t i = 0; i < windows.size(); ++i) {
        if (!recompute[i])
            continue;
        WindowPtr window = windows[i];
        bool calc = recompute[i] == 2;
        if (!calc && Peek(window)->contRgn) {
            const Rect &content = (*Peek(window)->contRgn)->rgnBBox;
            const int now = static_cast<int>(i), then = oldOrders[i];
            for (const Change &c : changes) {
                const bool inFrontNow = c.newOrder >= 0 && c.newOrder < now;
                const bool inFrontThen = c.oldOrder >= 0 && then >= 0 && c.oldOrder < then;
                const bool reaches = c.reordered ? inFrontNow != inFrontThen : inFrontNow || inFrontThen;
                if (reaches && RectsMeet(c.area, content)) {
                    calc = true;
                    break;
                }
            }
        }
        if (!calc)
            continue;
        CalcVis(window);
        SeenWindow &entry = sSeen[window];
        const RegionSignature vis = SignatureOf(window->visRgn);
        entry.vis = window->visRgn;
        entry.visSize = vis.size;
        entry.visBox = vis.box;
        if (const PortDCRecord *record = PortRecordOf(window))
            entry.xform = record->xform;
    }
    sClientOrigin = host.clientOrigin;
    sMainOrigin = host.mainOrigin;
    sClientShown = host.clientShown;
    sMainShown = host.mainShown;
    sMainIconic = host.mainIconic;
    sStructuresRead = true;
    sOutsideChange = false;
}

// The full resync: the list follows the Z-order read back from Windows (unless the library is placing a
// window itself), then the records follow their windows.
void ResyncFromWindows()
{
    if (sPlacementCount <= 0) {
        HWND client = HostClientWindow(), main = SessionMainWindow();
        MapListedWindows();
        RebuildFromZOrder(client);
        if (main != client)
            RebuildFromZOrder(main);
        sZOrderKnown = true;
    }
    ResyncWindowRecords();
    sZOrderStale = false;
}

// The resync after the library showed or hid `window` itself: when the Z-order followed the list before
// and Windows put a shown window right behind `insertAfter` (0: on top), the read-back is taken from the
// list (hiding a window leaves the others' order as it was).
void ResyncAfterOwnPlacement(WindowPtr window, HWND insertAfter, bool shown)
{
    if (WindowCreationInProgress())
        return;
    HWND hwnd = PlacementHwnd(window);
    bool known = sZOrderKnown && sPlacementCount <= 0 && !sZOrderStale;
    if (known && shown)
        known = hwnd && IsWindowVisible(hwnd) && GetWindow(hwnd, GW_HWNDPREV) == insertAfter;
    if (!known) {
        ResyncFromWindows();
        return;
    }
    HWND client = HostClientWindow(), main = SessionMainWindow();
    RebuildFromList(client);
    if (main != client)
        RebuildFromList(main);
    ResyncWindowRecords();
    sZOrderStale = false;
}

} // namespace

// ---- the list ----

bool VisibleWindowAt(POINT pt, WindowPtr *found)
{
    *found = nullptr;
    if (!sStructuresRead || sOwnPlacementDepth > 0 || sPlacementCount > 0)
        return false;
    POINT client = ScreenOriginOf(HostClientWindow()), main = ScreenOriginOf(SessionMainWindow());
    if (client.x != sClientOrigin.x || client.y != sClientOrigin.y || main.x != sMainOrigin.x || main.y != sMainOrigin.y)
        return false;
    for (WindowPeek p = Peek(WindowListHead()); p; p = p->nextWindow) {
        if (!p->visible)
            continue;
        auto seen = sSeen.find(AsWindow(p));
        if (seen == sSeen.end() || !seen->second.visible)
            return false;
        const Rect &box = seen->second.struc;
        if (pt.x < box.left || pt.x >= box.right || pt.y < box.top || pt.y >= box.bottom)
            continue;
        // A hit is confirmed against Windows itself, on the screen.
        HWND hwnd = PlacementHwnd(AsWindow(p));
        RECT r;
        if (!hwnd || !GetWindowRect(hwnd, &r) || !PtInRect(&r, POINT{pt.x + client.x, pt.y + client.y}))
            return false;
        *found = AsWindow(p);
        return true;
    }
    return true;
}

WindowPtr WindowListHead()
{
    void *cell = LowMemCell(lmWindowList);
    return cell ? *static_cast<WindowPtr *>(cell) : nullptr;
}

void SetWindowListHead(WindowPtr window)
{
    if (void *cell = LowMemCell(lmWindowList))
        *static_cast<WindowPtr *>(cell) = window;
}

void WindowListUnlink(WindowPtr window)
{
    WindowPeek target = Peek(window);
    if (!target)
        return;
    if (WindowListHead() == window) {
        SetWindowListHead(AsWindow(target->nextWindow));
    } else {
        for (WindowPeek p = Peek(WindowListHead()); p; p = p->nextWindow) {
            if (p->nextWindow == target) {
                p->nextWindow = target->nextWindow;
                break;
            }
        }
    }
    target->nextWindow = nullptr;
}

void WindowListRelink(WindowPtr window, WindowPtr beforeWindow, WindowPtr lastWindow)
{
    if (beforeWindow == window || window == ClosingWindow())
        return;
    WindowListUnlink(window);
    LinkWindow(window, beforeWindow, lastWindow);
}

// Placement classes from the front: pop-ups, children of the host's main window, the other children.
void WindowListPlace(WindowPtr window)
{
    if (!window || window == ClosingWindow())
        return;
    HWND main = SessionMainWindow();
    WindowPtr first = nullptr, firstNonPopUp = nullptr, firstOther = nullptr, last = nullptr;
    for (WindowPeek p = Peek(WindowListHead()); p; p = p->nextWindow) {
        WindowPtr w = AsWindow(p);
        if (w == window)
            continue;
        if (!first)
            first = w;
        if (!IsPopUpWindow(w)) {
            if (!firstNonPopUp)
                firstNonPopUp = w;
            if (!firstOther && ParentOfPlacement(w) != main)
                firstOther = w;
        }
        last = w;
    }
    WindowPtr before = IsPopUpWindow(window)                  ? first
                       : ParentOfPlacement(window) == main ? firstNonPopUp
                                                           : firstOther;
    WindowListRelink(window, before, before ? nullptr : last);
}

int SyncPaintDepth() { return sSyncPaintDepth; }
void SetSyncPaintDepth(int depth) { sSyncPaintDepth = depth; }

void RaiseSyncPaintDepth(int delta) { sSyncPaintDepth += delta; }

void UpdateWindowSynchronously(HWND hwnd)
{
    ++sSyncPaintDepth;
    UpdateWindow(hwnd);
    --sSyncPaintDepth;
}

void EnterPlacement()
{
    ++sPlacementCount;
    ++sOwnPlacementDepth;
}

void LeavePlacement()
{
    --sPlacementCount;
    --sOwnPlacementDepth;
}

void DeferWindowResyncs(int delta) { sOwnPlacementDepth += delta; }

void ResyncWindowList(WindowPtr placed)
{
    if (WindowCreationInProgress())
        return;
    if (sPlacementCount <= 0) {
        ResyncFromWindows();
        return;
    }
    ResyncWindowRecords(placed);
    sZOrderStale = false;
}

void NoteOutsideGeometryChange() { sOutsideChange = true; }
bool WindowZOrderStale() { return sZOrderStale; }

void SyncWindowZOrder(WindowPtr window, bool show, bool activate, bool keepOrder)
{
    HWND hwnd = PlacementHwnd(window);
    if (!hwnd)
        return;
    WindowPeek peek = Peek(window);
    const bool wasVisible = peek->visible;
    SetWindowVisibleFlag(window, show ? 1 : 0);
    HWND parent = GetParent(hwnd);
    WindowPtr inFront = WindowInFront(window, true, parent);
    HWND insertAfter = inFront ? PlacementHwnd(inFront) : nullptr;
    if (show && (IsPopUpWindow(window) || (inFront && IsPopUpWindow(inFront)))) {
        insertAfter = nullptr;
        WindowListPlace(window);
    }
    UINT flags = show ? SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_FRAMECHANGED | SWP_SHOWWINDOW
                      : SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_HIDEWINDOW;
    // A window already shown only changes places: its frame stays as it is.
    if (show && wasVisible && IsWindowVisible(hwnd))
        flags &= ~SWP_FRAMECHANGED;
    if (!keepOrder && insertAfter)
        flags |= SWP_NOZORDER;
    if (keepOrder && show && activate && !insertAfter)
        flags &= ~SWP_NOACTIVATE;
    if (LibrarySetting(settingNoRedrawPlacement))
        flags |= SWP_NOREDRAW;
    // The resyncs the messages of this placement and of the paint below ask for are the one made here.
    ++sOwnPlacementDepth;
    SetWindowPos(hwnd, insertAfter ? insertAfter : HWND_TOP, 0, 0, 0, 0, flags);
    ResyncAfterOwnPlacement(window, insertAfter, show);
    if (show) {
        if (peek->windowKind == dialogKind && !wasVisible)
            InvalidateRect(WindowHwnd(window), nullptr, FALSE);
        ZEL_ClipRgnChange(window);
        UpdateWindowSynchronously(hwnd);
    }
    --sOwnPlacementDepth;
}

void SwapActiveWindow(WindowPtr oldWindow, WindowPtr newWindow, bool hilite)
{
    if (oldWindow == newWindow)
        return;
    if (oldWindow) {
        SetPendingActivation(oldWindow, false);
        HiliteWindow(oldWindow, FALSE);
    }
    if (newWindow) {
        SetPendingActivation(newWindow, true);
        if (hilite && AuxOf(newWindow)) {
            HiliteWindow(newWindow, TRUE);
            // One window is highlighted, whatever the frames: any other still drawn active goes off.
            for (WindowPeek p = Peek(WindowListHead()); p; p = p->nextWindow)
                if (AsWindow(p) != newWindow && p->hilited)
                    HiliteWindow(AsWindow(p), FALSE);
        }
    }
}

void SendBehindImpl(WindowPtr window, WindowPtr behindWindow)
{
    if (!window || window == behindWindow)
        return;
    WindowPtr oldFront = FrontWindow();
    WindowListUnlink(window);
    if (!behindWindow) {
        WindowPtr last = WindowInFront(nullptr, false, nullptr);
        LinkWindow(window, nullptr, last);
    } else {
        LinkWindow(window, nullptr, behindWindow);
    }
    HWND hwnd = PlacementHwnd(window);
    if (hwnd && IsWindowVisible(hwnd)) {
        if (!behindWindow) {
            SetWindowPos(hwnd, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
            ZEL_UpdateWindows(2);
        } else {
            SyncWindowZOrder(window, true, true, true);
        }
    }
    SwapActiveWindow(oldFront, FrontWindow(), true);
}

WindowPtr FirstVisibleWindow()
{
    for (WindowPeek p = Peek(WindowListHead()); p; p = p->nextWindow)
        if (p->visible && IsWindowVisible(PlacementHwnd(AsWindow(p))))
            return AsWindow(p);
    return nullptr;
}

// ---- default bodies of the patchable ordering calls ----

WindowPtr ZEL_CALL FrontWindowImpl(void)
{
    if (!LowMemCell(lmWindowList))
        return nullptr;
    for (WindowPeek p = Peek(WindowListHead()); p; p = p->nextWindow)
        if (p->visible)
            return AsWindow(p);
    return nullptr;
}

void ZEL_CALL SelectWindowImpl(WindowPtr window)
{
    if (!AuxOf(window) || !Peek(window)->visible)
        return;
    WindowPtr oldFront = FrontWindow();
    if (oldFront == window)
        return;
    BringToFront(window);
    SwapActiveWindow(oldFront, window, true);
}

void ZEL_CALL ShowWindowImpl(WindowPtr window)
{
    WindowAuxRecord *aux = AuxOf(window);
    if (!aux)
        return;
    if (!Peek(window)->visible) {
        WindowPtr oldFront = FrontWindow();
        SyncWindowZOrder(window, true, true, IsFloatingWindow(window) || WindowListHead() == window);
        if (FrontWindow() == window)
            SwapActiveWindow(oldFront, window, true);
    }
    aux = AuxOf(window);
    if (aux && Peek(window)->visible && FrontWindow() == window && (aux->stateFlags & wsfTakesFocus))
        SetFocus(aux->hwnd);
}

void ZEL_CALL HideWindowImpl(WindowPtr window)
{
    if (!AuxOf(window) || !Peek(window)->visible)
        return;
    const bool wasFront = FrontWindow() == window;
    SyncWindowZOrder(window, false, false, false);
    if (wasFront) {
        for (WindowPeek p = Peek(window)->nextWindow; p; p = p->nextWindow)
            if (p->visible) {
                WindowListPlace(AsWindow(p));
                break;
            }
    }
    SwapActiveWindow(window, FrontWindow(), true);
}

// ---- exported calls ----

ZEL_EXTERN_C void ZEL_CALL BringToFront(WindowPtr window)
{
    if (!AuxOf(window))
        return;
    WindowListPlace(window);
    if (Peek(window)->visible)
        SyncWindowZOrder(window, true, true, true);
}

ZEL_EXTERN_C void ZEL_CALL SendBehind(WindowPtr window, WindowPtr behindWindow)
{
    if (AuxOf(window))
        SendBehindImpl(window, behindWindow);
}

ZEL_EXTERN_C void ZEL_CALL ShowHide(WindowPtr window, Boolean showFlag)
{
    if (!AuxOf(window) || (Peek(window)->visible != 0) == (showFlag != 0))
        return;
    SyncWindowZOrder(window, showFlag, false, showFlag);
}

ZEL_EXTERN_C void ZEL_CALL HiliteWindow(WindowPtr window, Boolean fHilite)
{
    WindowAuxRecord *aux = AuxOf(window);
    if (!aux)
        return;
    WindowPeek peek = Peek(window);
    const uint8_t on = fHilite ? 1 : 0;
    if ((on && !AppActiveFlag()) || peek->hilited == on)
        return;
    peek->hilited = on;
    if (peek->visible) {
        // Windows redraws the frames it draws itself on WM_NCACTIVATE; the library's own frames only take
        // the state from it and are painted next.
        SendMessageA(aux->hwnd, WM_NCACTIVATE, on, 0);
        if (aux->stateFlags & wsfMacFrame)
            SendMessageA(aux->hwnd, WM_NCPAINT, 1, 0);
    }
    if (LibrarySetting(settingHiliteScrollBars) && peek->windowDefProc < 16 && peek->windowKind != dialogKind)
        EnableScrollBarControls(window, on);
    aux = AuxOf(window);
    if (on && aux && (aux->stateFlags & wsfTakesFocus))
        SetFocus(aux->hwnd);
}

ZEL_EXTERN_C void ZEL_CALL ZEL_ForceDeactActPair(WindowPtr deactivated, WindowPtr activated)
{
    if (deactivated) {
        SetPendingActivation(deactivated, false);
        Peek(deactivated)->hilited = 1;
        HiliteWindow(deactivated, FALSE);
    }
    if (activated) {
        SetPendingActivation(activated, true);
        HiliteWindow(activated, TRUE);
    }
}

ZEL_EXTERN_C void ZEL_CALL ZEL_UpdateWindows(int16_t mode)
{
    if (WindowCreationInProgress())
        return;
    if (mode == 0) {
        sZOrderStale = true;
        sZOrderKnown = false;
        return;
    }
    if (sOwnPlacementDepth > 0)
        return;
    ResyncFromWindows();
}

ZEL_EXTERN_C LRESULT ZEL_CALL ZEL_EventActivate(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_MOUSEACTIVATE) {
        if (!AppActiveFlag())
            return MA_ACTIVATEANDEAT;
        // With the other windows left enabled around a modal dialog (setting 28), a click on one of them
        // does not take the activation from the dialog.
        if (HWND modal = LibrarySetting(settingModalWindows) ? ModalDialogWindow() : nullptr)
            if (hwnd != modal && !IsChild(modal, hwnd))
                return MA_NOACTIVATE;
        // A click on the frame of a child window that is not on top of its siblings: the caption drag
        // reaches the application as a part-4 click whose DragWindow brings the window forward.
        HWND parent = GetParent(hwnd);
        const UINT hit = LOWORD(lParam);
        WindowPtr clicked = nullptr;
        if ((GetWindowLongA(hwnd, GWL_STYLE) & WS_CHILD) &&
            (parent == SessionMainWindow() || parent == HostClientWindow()) && hit != HTCLIENT && hit != HTHSCROLL &&
            hit != HTVSCROLL && GetTopWindow(parent) != hwnd && HwndToWindowPtr(hwnd, &clicked, nullptr) && clicked &&
            clicked != WindowBeingCreated()) {
            WindowPtr top = nullptr;
            HwndToWindowPtr(GetTopWindow(parent), &top, nullptr);
            if (top == WindowBeingCreated())
                top = nullptr;
            SetFrameTrackingSlot(slotFrontBeforeDrag, top);
            SetFrameTrackingSlot(slotDrag, clicked);
            PostPartMouseDown(inDrag);
            SwapActiveWindow(top, clicked, true);
        }
        return MA_ACTIVATE;
    }
    WindowPtr target = nullptr, deactivated = nullptr;
    bool active = false;
    HWND main = SessionMainWindow();
    auto recordOf = [](HWND h) {
        WindowPtr w = nullptr;
        HwndToWindowPtr(h, &w, nullptr);
        return w;
    };
    switch (message) {
    case WM_ACTIVATE: {
        active = LOWORD(wParam) != WA_INACTIVE;
        WindowPtr other = recordOf(reinterpret_cast<HWND>(lParam));
        if (hwnd == main) {
            target = FrontWindow();
            if (target == other)
                target = nullptr;
        } else {
            target = recordOf(hwnd);
        }
        break;
    }
    case WM_MDIACTIVATE:
        active = reinterpret_cast<HWND>(lParam) == hwnd;
        target = recordOf(hwnd);
        deactivated = recordOf(reinterpret_cast<HWND>(wParam));
        break;
    case WM_CHILDACTIVATE:
        if (!LowMem<WindowPtr>(lmCurActivate)) {
            target = recordOf(hwnd);
            active = true;
        }
        break;
    default:
        return 0;
    }
    if (!target || target == ClosingWindow() || target == WindowBeingCreated())
        return 0;
    WindowPtr front = FrontWindow();
    if ((Peek(target)->hilited != 0) != active || (active && target != front)) {
        if (active) {
            WindowPtr old = deactivated && deactivated != target ? deactivated : front;
            SwapActiveWindow(old == target ? nullptr : old, target, true);
        } else {
            SetPendingActivation(target, false);
            HiliteWindow(target, FALSE);
        }
    }
    if (active)
        ZEL_UpdateWindows(2);
    return 0;
}

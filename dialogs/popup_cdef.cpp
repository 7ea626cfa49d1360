// The built-in popup menu control definition: a title, a framed and shadowed box showing the current
// item's text and a down-pointing triangle, hit testing of both, and the menu popped up on a press in
// the box. Every control of procID 1008..1023 gets it; its child window is an owner-drawn button.
#include <cstring>

#include "dialogs_services.h"
#include "Controls.h"
#include "Menus.h"
#include "Quickdraw.h"
#include "../core/core_services.h"
#include "../windows/windows_services.h"

namespace {

constexpr int16_t kFixedWidth = 1;  // the box keeps the width of contrlRect
constexpr int16_t kWindowFont = 8;  // title and item in the port's own font
constexpr int16_t kTriangleRows = 6;
constexpr int16_t kTextMargin = 17; // room kept right of the item text for the triangle

ControlPtr Rec(ControlHandle c) { return *c; }

PopupControlData **DataOf(ControlHandle c)
{
    return reinterpret_cast<PopupControlData **>(Rec(c)->contrlData);
}

bool HasRecord(ControlHandle c)
{
    PopupControlData **data = DataOf(c);
    return data && *data && (*data)->menu;
}

// The port's font and size, saved while the popup draws or measures in its own.
struct SavedFont {
    int16_t font, size;
};

SavedFont UsePopupFont(int16_t variant)
{
    GrafPtr port = nullptr;
    GetPort(&port);
    SavedFont saved{port ? port->txFont : int16_t(0), port ? port->txSize : int16_t(0)};
    if (!(variant & kWindowFont)) {
        TextFont(0);
        TextSize(saved.size < 11 ? 10 : 12);
    }
    return saved;
}

void RestoreFont(const SavedFont &saved)
{
    TextFont(saved.font);
    TextSize(saved.size);
}

int16_t CenteredBaseline(const Rect &r)
{
    FontInfo info{};
    GetFontInfo(&info);
    return static_cast<int16_t>(r.top + (r.bottom - r.top - info.ascent - info.descent) / 2 + info.ascent);
}

// The record follows the control: a control moved since the last message moves both rectangles.
void FollowControl(ControlHandle c)
{
    if (!HasRecord(c))
        return;
    PopupControlData *d = *DataOf(c);
    const Rect &r = Rec(c)->contrlRect;
    const int16_t dh = static_cast<int16_t>(r.left - d->titleRect.left);
    const int16_t dv = static_cast<int16_t>(r.top - d->titleRect.top);
    if (!dh && !dv)
        return;
    OffsetRec(&d->titleRect, dh, dv);
    OffsetRec(&d->boxRect, dh, dv);
}

void Initialise(int16_t variant, ControlHandle c)
{
    Handle h = NewHandleClear(sizeof(PopupControlData));
    if (!h)
        return; // no record: the control draws nothing and is never hit, its fields stay as given
    const int16_t menuID = Rec(c)->contrlMin;
    MenuHandle menu = GetMenuHandle(menuID);
    if (!menu)
        menu = GetMen(menuID);
    if (!menu) {
        DisposeHandle(h);
        return;
    }
    const int16_t titleWidth = Rec(c)->contrlMax;
    PopupControlData *d = reinterpret_cast<PopupControlData *>(*h);
    d->menu = menu;
    d->variant = static_cast<uint16_t>(variant);
    d->titleRect = Rec(c)->contrlRect;
    d->titleRect.right = static_cast<int16_t>(d->titleRect.left + titleWidth);
    d->boxRect = Rec(c)->contrlRect;
    d->boxRect.left = d->titleRect.right;
    if (!(variant & kFixedWidth)) {
        const SavedFont saved = UsePopupFont(variant);
        FontInfo info{};
        GetFontInfo(&info);
        CalcMenuSize(menu);
        d = reinterpret_cast<PopupControlData *>(*h);
        const int32_t cut = d->boxRect.left + (*menu)->menuWidth + info.widMax;
        if (cut < d->boxRect.right)
            d->boxRect.right = static_cast<int16_t>(cut);
        RestoreFont(saved);
    }
    ControlPtr rec = Rec(c);
    rec->contrlData = h;
    rec->contrlMin = 1;
    rec->contrlMax = CountMItems(menu);
    rec->contrlValue = 1;
}

void DrawTitle(ControlHandle c)
{
    const Rect title = (*DataOf(c))->titleRect;
    if (title.right <= title.left)
        return;
    const SavedFont saved = UsePopupFont(static_cast<int16_t>((*DataOf(c))->variant));
    MoveT(title.left, CenteredBaseline(title));
    Str255 text;
    std::memcpy(text, Rec(c)->contrlTitle, sizeof text);
    if (text[0] > kControlTitleMax)
        text[0] = kControlTitleMax;
    DrawString(text);
    RestoreFont(saved);
}

// The item text within `width` pixels from the pen: whole when it fits the room (the width less the
// triangle's margin, two pixels of slack allowed), else cut and ended with "...". Text too short a room
// for the dots draws the dots alone when they fit, else nothing.
void DrawTruncatedItemText(Str255 text, int16_t width)
{
    const int16_t room = static_cast<int16_t>(width - kTextMargin);
    if (room <= 0)
        return;
    if (StringWidth(text) <= room + 2) {
        DrawString(text);
        return;
    }
    const int16_t dots = static_cast<int16_t>(3 * CharWidth('.'));
    while (text[0] > 0 && StringWidth(text) > room - dots)
        --text[0];
    if (text[0] == 0 && dots > room)
        return;
    text[text[0] + 1] = text[text[0] + 2] = text[text[0] + 3] = '.';
    text[0] = static_cast<uint8_t>(text[0] + 3);
    DrawString(text);
}

void DrawBox(ControlHandle c)
{
    PopupControlData **data = DataOf(c);
    const SavedFont saved = UsePopupFont(static_cast<int16_t>((*data)->variant));
    Rect frame = (*data)->boxRect;
    --frame.bottom;
    --frame.right;
    if (SessionThreeD()) {
        ForeColor(whiteColor);
        PaintRect(&frame);
        ForeColor(blackColor);
    } else {
        EraseRect(&frame);
    }
    FrameRec(&frame);
    // The shadow: one pixel below and right of the frame, from two pixels in.
    MoveT(static_cast<int16_t>(frame.left + 2), frame.bottom);
    LineT(frame.right, frame.bottom);
    MoveT(frame.right, static_cast<int16_t>(frame.top + 2));
    LineT(frame.right, frame.bottom);

    MenuHandle menu = (*data)->menu;
    Str255 text{};
    GetMenuItemText(menu, Rec(c)->contrlValue, text);
    if (MenuDefProcPtr proc = GetMenuDefProcPtr(menu)) {
        // A menu of its own definition draws its item itself, placed as for a pop-up, within the frame.
        RgnHandle savedClip = NewRgn();
        if (savedClip)
            GetClip(savedClip);
        Rect inner = frame;
        InsetRec(&inner, 1, 1);
        ClipRect(&inner);
        Rect menuRect = frame;
        int16_t item = Rec(c)->contrlValue;
        const Point topLeft{frame.top, frame.left};
        proc(mPopUpMsg, menu, &menuRect, topLeft, &item);
        LowMem<int16_t>(lmTopMenuItem) = item;
        LowMem<int16_t>(lmAtMenuBottom) = menuRect.bottom;
        proc(mDrawMsg, menu, &menuRect, topLeft, &item);
        if (savedClip) {
            SetClip(savedClip);
            DisposeRgn(savedClip);
        }
    } else {
        const int16_t left = static_cast<int16_t>(frame.left + CharWidth(0x12));
        MoveT(left, CenteredBaseline(frame));
        DrawTruncatedItemText(text, static_cast<int16_t>(frame.right - left));
    }

    // The triangle: row i is 10 - 2i pixels ending i pixels left of frame.right - 7.
    const int16_t top = static_cast<int16_t>((frame.bottom - frame.top - kTriangleRows) / 2 + frame.top);
    for (int16_t i = 0; i < kTriangleRows; ++i) {
        const int16_t length = static_cast<int16_t>(10 - 2 * i);
        if (length <= 0)
            continue;
        const int16_t end = static_cast<int16_t>(frame.right - 7 - i);
        const Rect row{static_cast<int16_t>(top + i), static_cast<int16_t>(end - length + 1),
                       static_cast<int16_t>(top + i + 1), static_cast<int16_t>(end + 1)};
        PaintRect(&row);
    }
    RestoreFont(saved);
}

void Draw(ControlHandle c, int16_t part)
{
    if (!Rec(c)->contrlVis || !HasRecord(c))
        return;
    if (part == 0 || part == inThumb || part == 1)
        DrawTitle(c);
    if (part == 0 || part == inThumb || part == 2)
        DrawBox(c);
}

int16_t Test(ControlHandle c, int32_t param)
{
    if (!HasRecord(c))
        return 0;
    const Point pt{static_cast<int16_t>(param >> 16), static_cast<int16_t>(param & 0xFFFF)};
    PopupControlData *d = *DataOf(c);
    if (PtInRec(pt, &d->boxRect))
        return 2;
    if (PtInRec(pt, &d->titleRect))
        return 1;
    return 0;
}

void InvertTitle(ControlHandle c)
{
    Rect title = (*DataOf(c))->titleRect;
    if (title.right <= title.left)
        return;
    title.left = static_cast<int16_t>(title.left - 2);
    InvertRec(&title);
}

void AutoTrack(ControlHandle c)
{
    if (!HasRecord(c))
        return;
    InvertTitle(c);
    PopupControlData *d = *DataOf(c);
    MenuHandle menu = d->menu;
    Point where{d->boxRect.top, d->boxRect.left};
    LocalToGlobal(&where);
    const int32_t choice = PopUpMenuSelect(menu, where.v, where.h, Rec(c)->contrlValue);
    if (!HasRecord(c))
        return;
    if (const int16_t item = static_cast<int16_t>(choice & 0xFFFF))
        Rec(c)->contrlValue = item;
    DrawBox(c);
    InvertTitle(c);
}

} // namespace

ZEL_EXTERN_C int32_t ZEL_CALL ZEL_PopupCDEF(int16_t variant, ControlHandle control, int16_t message, int32_t param)
{
    if (!control || !*control)
        return 0;
    GrafPtr saved = nullptr;
    GetPort(&saved);
    if (Rec(control)->contrlOwner)
        SetPor(Rec(control)->contrlOwner);
    FollowControl(control);
    int32_t result = 0;
    switch (message) {
    case drawCntl:
        Draw(control, static_cast<int16_t>(param & 0xFFFF));
        break;
    case testCntl:
        result = Test(control, param);
        break;
    case initCntl:
        Initialise(variant, control);
        break;
    case dispCntl:
        if (Rec(control)->contrlData) {
            DisposeHandle(Rec(control)->contrlData);
            Rec(control)->contrlData = nullptr;
        }
        break;
    case autoTrack:
        AutoTrack(control);
        break;
    default:
        break; // dragging is declined; the other messages have nothing to do
    }
    if (saved)
        SetPor(saved);
    return result;
}

// Dialog Manager: dialog records, their item lists, creation, list edits, teardown and scaling to the
// screen's resolution.
#include "dialog_manager.h"
#include "Resources.h"
#include "../core/core_services.h"
#include "../quickdraw/qd_services.h"
#include "../text/text_services.h"
#include "../windows/windows_services.h"

#include <cstring>

namespace {

constexpr ResType kDialogTemplateType = 0x444C4F47; // 'DLOG'
constexpr ResType kItemListType = 0x4449544C;       // 'DITL'
constexpr ResType kDialogColorType = 0x64637462;    // 'dctb'

// The dialog-creation depth and the record being made (window creation reads them).
int16_t sCreationDepth;
DialogPtr sBeingCreated;

// The screen's logical resolution, read once.
bool sDpiKnown;
int16_t sDpiX = 96, sDpiY = 96;


uint8_t *ListBytes(Handle items) { return reinterpret_cast<uint8_t *>(*items); }

void ReadDpi()
{
    if (sDpiKnown)
        return;
    sDpiKnown = true;
    if (HDC dc = GetDC(nullptr)) {
        sDpiX = static_cast<int16_t>(GetDeviceCaps(dc, LOGPIXELSX));
        sDpiY = static_cast<int16_t>(GetDeviceCaps(dc, LOGPIXELSY));
        ReleaseDC(nullptr, dc);
    }
}

// round(v * num / den), halves away from zero.
int16_t ScaleCoordinate(int v, int num, int den)
{
    const int64_t p = static_cast<int64_t>(v) * num;
    const int64_t q = (p >= 0 ? p + den / 2 : p - den / 2) / den;
    return static_cast<int16_t>(q);
}

int16_t ScaleX(int16_t direction, int v) { return direction ? ScaleCoordinate(v, sDpiX, 96) : ScaleCoordinate(v, 96, sDpiX); }
int16_t ScaleY(int16_t direction, int v) { return direction ? ScaleCoordinate(v, sDpiY, 96) : ScaleCoordinate(v, 96, sDpiY); }

bool ScreenNeedsScaling()
{
    ReadDpi();
    return sDpiX > 96 || sDpiY > 96;
}

// Item rectangles from `first` on to the screen: icons and pictures keep their size about the new centre.
void ScaleItemRects(DialogPtr dialog, int16_t first)
{
    Handle items = DPeek(dialog)->items;
    const int16_t count = ItemsPresent(items);
    for (int16_t n = first; n <= count; ++n) {
        DitlItem item;
        if (!ItemAt(items, n, &item))
            break;
        const uint8_t type = *item.type & 0x7F;
        if (type == iconItem || type == picItem)
            ZEL_OffsetDlgItemRect(1, item.rect);
        else
            ZEL_ScaleDlgItemRect(1, item.rect);
    }
}

// Disposes every item's data (child windows stay for the window's own closing) and the shared TextEdit
// record, forgets the 'ZELD' entry and gives the control font back.
void TearDownItems(DialogPtr dialog)
{
    DialogPeek d = DPeek(dialog);
    if (d->textH) {
        DisposeTERecord(d->textH);
        d->textH = nullptr;
    }
    const int16_t count = ItemsPresent(d->items);
    for (int16_t n = 1; n <= count; ++n)
        DisposeItemData(dialog, n, false);
    ForgetFocusTable(dialog);
    RestoreControlFont();
}


// A 'DLOG' (byte-swapped when loaded): rectangle, procID, visible, goAway, refCon, item-list ID, title
// and an optional positioning word after the title padded to even. Read within the resource.
struct DialogTemplate {
    Rect bounds;
    int16_t procID;
    bool visible, goAway;
    int32_t refCon;
    int16_t ditlID;
    Str255 title;
    uint16_t position;
};

bool ReadDialogTemplate(int16_t dialogID, DialogTemplate *t)
{
    Handle h = GetResource(kDialogTemplateType, dialogID);
    if (!h || !*h)
        return false;
    const uint32_t size = static_cast<uint32_t>(GetHandleSize(h));
    if (size < 21) {
        ReleaseResource(h);
        return false;
    }
    const auto *b = reinterpret_cast<const uint8_t *>(*h);
    auto word = [&](uint32_t at) {
        int16_t v;
        std::memcpy(&v, b + at, 2);
        return v;
    };
    *t = DialogTemplate{};
    t->bounds = Rect{word(0), word(2), word(4), word(6)};
    t->procID = word(8);
    t->visible = b[10] != 0;
    t->goAway = b[12] != 0;
    std::memcpy(&t->refCon, b + 14, 4);
    t->ditlID = word(18);
    uint32_t length = size > 20 ? b[20] : 0;
    if (length > size - 21)
        length = size - 21;
    t->title[0] = static_cast<uint8_t>(length);
    std::memcpy(t->title + 1, b + 21, length);
    const uint32_t afterTitle = (21 + b[20] + 1u) & ~1u;
    if (afterTitle + 2 <= size)
        t->position = static_cast<uint16_t>(word(afterTitle));
    ReleaseResource(h);
    return true;
}

} // namespace

DialogPtr MakeDialog(bool color, void *storage, const Rect *bounds, ConstStr255Param title, bool visible,
                       int16_t procID, WindowPtr behind, bool goAway, int32_t refCon, Handle items, int16_t ditlID)
{
    if (!bounds)
        return nullptr;
    const bool allocated = storage == nullptr;
    if (allocated) {
        storage = NewPtr(sizeof(DialogRecord));
        if (!storage)
            return nullptr;
    }
    auto *d = static_cast<DialogPeek>(storage);
    d->items = items;
    d->textH = nullptr;
    d->editField = -1;
    d->editOpen = 0;
    d->aDefItem = 0;
    ++sCreationDepth;
    DialogPtr previous = sBeingCreated;
    sBeingCreated = reinterpret_cast<DialogPtr>(d);

    Rect r = *bounds;
    const bool scaling = DialogScalingOn();
    if (scaling)
        ZEL_ScaleDlgWindow(1, &r);
    WindowPtr w = (SessionThreeD() || color)
                      ? reinterpret_cast<WindowPtr>(NewCWindow(d, &r, title, false, procID, behind, goAway, refCon))
                      : NewWindow(d, &r, title, false, procID, behind, goAway, refCon);
    DialogPtr result = nullptr;
    if (w) {
        MarkDialogPort(w);
        d->window.windowKind = dialogKind;
        if (scaling)
            ScaleItemRects(w, 1);
        if (BuildDialogItems(w, 1, ditlID) == 0) {
            if (visible)
                ShowWindo(w);
            result = w;
        } else {
            // The window goes with the items it could not hold; storage stays the caller's.
            TearDownItems(w);
            CloseWindo(w);
        }
    }
    if (!result && allocated)
        DisposePtr(static_cast<Ptr>(storage));
    sBeingCreated = previous;
    --sCreationDepth;
    return result;
}

// ---- Services ----

bool IsDialog(WindowPtr window)
{
    return window && reinterpret_cast<WindowPeek>(window)->windowKind == dialogKind;
}

bool DialogBeingCreated() { return sCreationDepth > 0; }
int16_t DialogCreationDepth() { return sCreationDepth; }
DialogPtr DialogUnderConstruction() { return sBeingCreated; }

bool DialogScalingOn() { return SessionFlag(zelFlagDialogScaling) && ScreenNeedsScaling(); }

// Reached by the test programs by ordinal; no host interface.
ZEL_EXTERN_C void ZEL_CALL SetDialogScreenResolution(int16_t dpiX, int16_t dpiY)
{
    sDpiKnown = true;
    sDpiX = dpiX;
    sDpiY = dpiY;
}

// ---- Item lists ----

int16_t ItemsPresent(Handle items)
{
    if (!items || !*items)
        return 0;
    const uint32_t size = static_cast<uint32_t>(GetHandleSize(items));
    if (size < 2)
        return 0;
    int16_t stored;
    std::memcpy(&stored, *items, 2);
    if (stored < 0)
        return 0;
    const uint8_t *b = ListBytes(items);
    uint32_t at = 2;
    int16_t n = 0;
    while (n <= stored) {
        if (at + 14 > size)
            break;
        const uint32_t next = at + 14 + ((b[at + 13] + 1u) & ~1u);
        if (at + 14 + b[at + 13] > size)
            break;
        ++n;
        at = next;
    }
    return n;
}

bool ItemAt(Handle items, int16_t n, DitlItem *item)
{
    if (n < 1 || n > ItemsPresent(items))
        return false;
    uint8_t *b = ListBytes(items);
    uint32_t at = 2;
    for (int16_t i = 1; i < n; ++i)
        at += 14 + ((b[at + 13] + 1u) & ~1u);
    item->at = at;
    item->handleField = reinterpret_cast<Handle *>(b + at);
    item->rect = reinterpret_cast<Rect *>(b + at + 4);
    item->type = b + at + 12;
    item->length = b[at + 13];
    item->data = b + at + 14;
    return true;
}

uint32_t ItemListEnd(Handle items)
{
    const int16_t count = ItemsPresent(items);
    if (!count)
        return 2;
    DitlItem last;
    ItemAt(items, count, &last);
    return last.at + 14 + ((last.length + 1u) & ~1u);
}

// ---- Creation ----

ZEL_EXTERN_C DialogPtr ZEL_CALL NewDialog(void *dStorage, const Rect *boundsRect, ConstStr255Param title,
                                          Boolean visible, int16_t procID, WindowPtr behind, Boolean goAwayFlag,
                                          int32_t refCon, Handle items)
{
    return MakeDialog(false, dStorage, boundsRect, title, visible, procID, behind, goAwayFlag, refCon, items, -1);
}

ZEL_EXTERN_C DialogPtr ZEL_CALL NewColorDialog(void *dStorage, const Rect *boundsRect, ConstStr255Param title,
                                               Boolean visible, int16_t procID, WindowPtr behind, Boolean goAwayFlag,
                                               int32_t refCon, Handle items)
{
    return MakeDialog(true, dStorage, boundsRect, title, visible, procID, behind, goAwayFlag, refCon, items, -1);
}

ZEL_EXTERN_C DialogPtr ZEL_CALL GetNewDialog(int16_t dialogID, void *dStorage, WindowPtr behind)
{
    const bool limitWasOn = SetMemoryLimitSwitch(false);
    DialogPtr result = nullptr;
    DialogTemplate t;
    if (ReadDialogTemplate(dialogID, &t)) {
        Handle list = GetResource(kItemListType, t.ditlID);
        if (list && *list) {
            Handle items = list;
            if (HandToHand(&items) == noErr && items) {
                ReleaseResource(list);
                Handle colors = GetResource(kDialogColorType, dialogID);
                const bool color = colors != nullptr;
                if (t.position)
                    ApplyPositionSpec(&t.bounds, t.position);
                result = MakeDialog(color, dStorage, &t.bounds, t.title, t.visible, t.procID, behind, t.goAway,
                                      t.refCon, items, t.ditlID);
                if (!result)
                    DisposeHandle(items);
            }
        }
    }
    SetMemoryLimitSwitch(limitWasOn);
    return result;
}

// ---- Teardown ----

ZEL_EXTERN_C void ZEL_CALL CloseDialog(DialogPtr theDialog)
{
    if (!IsDialog(theDialog))
        return;
    TearDownItems(theDialog);
    ForgetCancelItem(theDialog);
    CloseWindo(theDialog);
}

ZEL_EXTERN_C void ZEL_CALL DisposeDialog(DialogPtr theDialog)
{
    if (!IsDialog(theDialog))
        return;
    auto *aux = reinterpret_cast<WindowAuxRecord *>(*DPeek(theDialog)->window.dataHandle);
    const bool callerStorage = aux && (aux->stateFlags & wsfCallerStorage);
    Handle items = DPeek(theDialog)->items;
    CloseDialog(theDialog);
    if (items)
        DisposeHandle(items);
    if (!callerStorage)
        DisposePtr(reinterpret_cast<Ptr>(theDialog));
}

// ---- List edits ----

ZEL_EXTERN_C int16_t ZEL_CALL CountDITL(DialogPtr theDialog)
{
    return IsDialog(theDialog) ? ItemsPresent(DPeek(theDialog)->items) : 0;
}

ZEL_EXTERN_C void ZEL_CALL AppendDITL(DialogPtr theDialog, Handle theHandle, int16_t method)
{
    if (method != overlayDITL) {
        ReportUnimplemented(" AppendDITL");
        return;
    }
    if (!IsDialog(theDialog) || !theHandle || !*theHandle)
        return;
    Handle items = DPeek(theDialog)->items;
    const int16_t before = ItemsPresent(items), added = ItemsPresent(theHandle);
    if (!added)
        return;
    const uint32_t end = ItemListEnd(items), addedBytes = ItemListEnd(theHandle) - 2;
    SetHandleSize(items, static_cast<Size>(end + addedBytes));
    if (MemError() != noErr)
        return;
    std::memcpy(*items + end, *theHandle + 2, addedBytes);
    const int16_t stored = static_cast<int16_t>(before + added - 1);
    std::memcpy(*items, &stored, 2);
    ZEL_AddDitlItems(theDialog, before);
}

ZEL_EXTERN_C int16_t ZEL_CALL ZEL_AddDitlItems(DialogPtr theDialog, int16_t firstNewLessOne)
{
    if (!IsDialog(theDialog))
        return 0;
    if (DialogScalingOn())
        ScaleItemRects(theDialog, static_cast<int16_t>(firstNewLessOne + 1));
    return BuildDialogItems(theDialog, static_cast<int16_t>(firstNewLessOne + 1), -1);
}

ZEL_EXTERN_C int16_t ZEL_CALL ShortenDITL(DialogPtr theDialog, int16_t numberItems)
{
    if (!IsDialog(theDialog))
        return 0;
    Handle items = DPeek(theDialog)->items;
    const int16_t count = ItemsPresent(items);
    if (numberItems <= 0)
        return static_cast<int16_t>(count - 1);
    if (numberItems > count)
        numberItems = count;
    const int16_t keep = static_cast<int16_t>(count - numberItems);
    for (int16_t n = count; n > keep; --n)
        ZEL_DisposeDlgItem(theDialog, n);
    uint32_t end = 2;
    if (keep > 0) {
        DitlItem last;
        ItemAt(items, keep, &last);
        end = last.at + 14 + ((last.length + 1u) & ~1u);
    }
    const int16_t stored = static_cast<int16_t>(keep - 1);
    std::memcpy(*items, &stored, 2);
    SetHandleSize(items, static_cast<Size>(end));
    return stored;
}

ZEL_EXTERN_C void ZEL_CALL ZEL_DisposeDlgItem(DialogPtr theDialog, int16_t item)
{
    if (IsDialog(theDialog))
        DisposeItemData(theDialog, item, true);
}

// ---- Item access ----


// ---- Scaling ----

ZEL_EXTERN_C void ZEL_CALL ZEL_ScaleDlgItemRect(int16_t direction, Rect *rect)
{
    if (!rect || !DialogScalingOn())
        return;
    rect->top = ScaleY(direction, rect->top);
    rect->bottom = ScaleY(direction, rect->bottom);
    rect->left = ScaleX(direction, rect->left);
    rect->right = ScaleX(direction, rect->right);
}

ZEL_EXTERN_C void ZEL_CALL ZEL_ScaleDlgPoint(int16_t direction, Point *pt)
{
    if (!pt || !DialogScalingOn())
        return;
    pt->v = ScaleY(direction, pt->v);
    pt->h = ScaleX(direction, pt->h);
}

ZEL_EXTERN_C void ZEL_CALL ZEL_ScaleDlgWindow(int16_t direction, Rect *rect)
{
    if (!rect || !DialogScalingOn())
        return;
    const int oldW = rect->right - rect->left, oldH = rect->bottom - rect->top;
    const int newW = ScaleX(direction, oldW), newH = ScaleY(direction, oldH);
    rect->left = static_cast<int16_t>(rect->left + (oldW - newW + 1) / 2);
    rect->top = static_cast<int16_t>(rect->top + (oldH - newH + 1) / 2);
    rect->right = static_cast<int16_t>(rect->left + newW);
    rect->bottom = static_cast<int16_t>(rect->top + newH);
}

ZEL_EXTERN_C void ZEL_CALL ZEL_OffsetDlgItemRect(int16_t direction, Rect *rect)
{
    if (!rect || !DialogScalingOn())
        return;
    const int w = rect->right - rect->left, h = rect->bottom - rect->top;
    ZEL_ScaleDlgItemRect(direction, rect);
    const int cx = (rect->left + rect->right) / 2, cy = (rect->top + rect->bottom) / 2;
    rect->left = static_cast<int16_t>(cx - w / 2);
    rect->top = static_cast<int16_t>(cy - h / 2);
    rect->right = static_cast<int16_t>(rect->left + w);
    rect->bottom = static_cast<int16_t>(rect->top + h);
}

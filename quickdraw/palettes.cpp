// Palettes: each Macintosh Palette owns a slot holding a LOGPALETTE and its Windows palette; one of them
// at a time is the library palette, selected and realised into the ports' DCs. On a screen without a
// hardware palette the slots are small and everything reduces to bookkeeping.
#include "quickdraw.h"
#include "../files/files_services.h"
#include "../imaging/imaging_services.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

constexpr ResType kPaletteType = 0x706C7474; // 'pltt'
constexpr int32_t kPaletteHeaderBytes = 16;
constexpr uint16_t kSlotInUse = 0x0001;
constexpr int kMaxLogEntries = 256;
constexpr int kStandardColors = 236;
constexpr int kSystemColorCount = 21;

// ciDataFields[0] flags.
constexpr int16_t kEntryFresh = 0x1, kEntryRead = 0x2, kUsageChanged = 0x4, kToleranceChanged = 0x8,
                  kColorChanged = 0x10;

#pragma pack(push, 2)
// A slot: in-use flag, Windows palette (0 until first synchronised), then a LOGPALETTE with room for one
// entry more than its palNumEntries.
struct PaletteSlot {
    uint16_t flags;
    HPALETTE hpal;
    uint16_t palVersion;
    uint16_t palNumEntries;
    PALETTEENTRY entries[1];
};
#pragma pack(pop)
static_assert(offsetof(PaletteSlot, palVersion) == 6, "the LOGPALETTE follows flags and handle");
static_assert(offsetof(PaletteSlot, entries) == 10, "entries follow the LOGPALETTE header");

Handle *sSlots;
int16_t sSlotCount;

// Library palette state.
HPALETTE sLibraryPalette;
LOGPALETTE *sLibraryLog;
PaletteHandle sActivePalette;
PaletteHandle sDefaultPalette;
HPALETTE sAnimationPalette;
bool sAppInactive;
bool sStaticColorsOff;
bool sFourBitHookEngaged;
bool sRealizing;
bool sBroadcasting;
bool sBackgroundRealize;

// System colours replaced while static colours are off: element, replacement.
const struct {
    int element;
    COLORREF replacement;
} kSystemColors[kSystemColorCount] = {
    {COLOR_ACTIVEBORDER, 0},          {COLOR_ACTIVECAPTION, 0},      {COLOR_APPWORKSPACE, 0xFFFFFF},
    {COLOR_BACKGROUND, 0xFFFFFF},     {COLOR_BTNFACE, 0xFFFFFF},     {COLOR_BTNHIGHLIGHT, 0xFFFFFF},
    {COLOR_BTNSHADOW, 0xFFFFFF},      {COLOR_BTNTEXT, 0},            {COLOR_CAPTIONTEXT, 0xFFFFFF},
    {COLOR_GRAYTEXT, 0},              {COLOR_HIGHLIGHT, 0},          {COLOR_HIGHLIGHTTEXT, 0xFFFFFF},
    {COLOR_INACTIVEBORDER, 0xFFFFFF}, {COLOR_INACTIVECAPTION, 0xFFFFFF}, {COLOR_INACTIVECAPTIONTEXT, 0},
    {COLOR_MENU, 0xFFFFFF},           {COLOR_MENUTEXT, 0},           {COLOR_SCROLLBAR, 0xFFFFFF},
    {COLOR_WINDOW, 0xFFFFFF},         {COLOR_WINDOWFRAME, 0},        {COLOR_WINDOWTEXT, 0}};
COLORREF sSavedSystemColors[kSystemColorCount];

bool PaletteScreen() { return ScreenPaletteSize() != 0; }
bool PaletteManagementOn() { return LibrarySetting(settingPaletteManagement) != 0; }
bool PaletteSwitchOn() { return LibrarySwitch(kPaletteSwitch); }

int32_t SlotBytes() { return PaletteScreen() ? 10 + 4 * (kMaxLogEntries + 1) : 18; }

// Entries a slot's LOGPALETTE has room for (one more than the most it realises).
int SlotCapacity(Handle slot) { return HandleHasData(slot) ? (GetHandleSize(slot) - 10) / 4 : 0; }

PaletteSlot *SlotRecord(Handle h) { return HandleHasData(h) ? reinterpret_cast<PaletteSlot *>(*h) : nullptr; }

Handle GetPaletteSlot(int id) { return id >= 1 && id <= sSlotCount ? sSlots[id - 1] : nullptr; }

Handle NewSlot()
{
    Handle h = NewHandleClear(SlotBytes());
    if (PaletteSlot *s = SlotRecord(h)) {
        s->palVersion = 0x300;
        s->palNumEntries = PaletteScreen() ? kMaxLogEntries : 1;
    }
    return h;
}

int AllocPaletteSlot()
{
    for (int i = 0; i < sSlotCount; ++i) {
        PaletteSlot *s = SlotRecord(sSlots[i]);
        if (s && !(s->flags & kSlotInUse)) {
            s->flags |= kSlotInUse;
            return i + 1;
        }
    }
    Handle slot = NewSlot();
    if (!slot)
        return 0;
    Handle *grown = static_cast<Handle *>(std::realloc(sSlots, sizeof(Handle) * (sSlotCount + 1)));
    if (!grown) {
        DisposeHandle(slot);
        return 0;
    }
    sSlots = grown;
    sSlots[sSlotCount++] = slot;
    SlotRecord(slot)->flags |= kSlotInUse;
    return sSlotCount;
}

void ReleasePaletteSlot(int id)
{
    PaletteSlot *s = SlotRecord(GetPaletteSlot(id));
    if (!s)
        return;
    s->flags &= static_cast<uint16_t>(~kSlotInUse);
    if (s->hpal) {
        if (s->hpal == sAnimationPalette)
            sAnimationPalette = nullptr;
        DeleteObject(s->hpal);
        s->hpal = nullptr;
    }
    s->palNumEntries = PaletteScreen() ? kMaxLogEntries : 1;
}

bool HasData(PaletteHandle pal) { return HandleHasData(pal); }

// Entries the palette's handle really holds, at most pmEntries.
int HeldEntries(PaletteHandle pal)
{
    if (!HasData(pal))
        return 0;
    int held = (GetHandleSize(reinterpret_cast<Handle>(pal)) - kPaletteHeaderBytes) / static_cast<int>(sizeof(ColorInfo));
    return std::max(0, std::min<int>((*pal)->pmEntries, held));
}

bool ValidIndex(PaletteHandle pal, int index) { return index >= 0 && index < HeldEntries(pal); }

uint8_t High(uint16_t c) { return static_cast<uint8_t>(c >> 8); }

void SetLibraryPaletteState(HPALETTE hpal, LOGPALETTE *log)
{
    sLibraryPalette = hpal;
    sLibraryLog = log;
    SetLibrarySetting(settingLibraryPalette, static_cast<int32_t>(reinterpret_cast<uintptr_t>(hpal)));
}

// The slot's LOGPALETTE of a palette (0 without one).
LOGPALETTE *SlotLogPalette(PaletteHandle pal, HPALETTE *hpal)
{
    PaletteSlot *s = HasData(pal) ? SlotRecord(GetPaletteSlot((*pal)->pmSlot)) : nullptr;
    if (hpal)
        *hpal = s ? s->hpal : nullptr;
    return s ? reinterpret_cast<LOGPALETTE *>(&s->palVersion) : nullptr;
}

// Brings a palette's slot and Windows palette in step with its entries start .. start + count - 1
// (count 0: all). Entries of a 256-entry palette are placed in reverse, so that Macintosh index 0 (white)
// meets the system palette's white at 255.
void SyncPaletteToGdi(PaletteHandle pal, int start, int count, bool animate)
{
    if (!PaletteScreen() || !HasData(pal))
        return;
    Handle slotHandle = GetPaletteSlot((*pal)->pmSlot);
    PaletteSlot *slot = SlotRecord(slotHandle);
    if (!slot)
        return;
    // A LOGPALETTE takes at most 256 entries (and never more than the slot holds).
    const int n = std::min({HeldEntries(pal), kMaxLogEntries, SlotCapacity(slotHandle) - 1});
    slot->palNumEntries = static_cast<uint16_t>(n);
    if (count == 0) {
        start = 0;
        count = n;
    }
    start = std::max(0, start);
    count = std::min(count, n - start);
    if (count <= 0 && slot->hpal)
        return;
    count = std::max(count, 0);

    const Palette &p = **pal;
    int first = start;
    bool completed = false;
    for (int k = 0; k < count; ++k) {
        const RGBColor &c = p.pmInfo[start + k].ciRGB;
        int at = n == kMaxLogEntries ? kMaxLogEntries - 1 - start - k : start + k;
        PALETTEENTRY &e = slot->entries[at];
        BYTE flags = animate ? e.peFlags : 0;
        e = PALETTEENTRY{High(c.red), High(c.green), High(c.blue), flags};
    }
    if (n == kMaxLogEntries)
        first = kMaxLogEntries - start - count;
    // A palette of the 236 standard colours is completed with the system's twenty static colours.
    if (n == kStandardColors && start == 0) {
        HDC screen = GetDC(nullptr);
        PALETTEENTRY system[kMaxLogEntries];
        if (screen && GetSystemPaletteEntries(screen, 0, kMaxLogEntries, system) == kMaxLogEntries) {
            for (int i = 0; i < 10; ++i) {
                slot->entries[236 + i] = system[i];
                slot->entries[246 + i] = system[246 + i];
                slot->entries[236 + i].peFlags = 0;
                slot->entries[246 + i].peFlags = 0;
            }
            slot->palNumEntries = kMaxLogEntries;
            completed = true;
        }
        if (screen)
            ReleaseDC(nullptr, screen);
    }
    LOGPALETTE *log = reinterpret_cast<LOGPALETTE *>(&slot->palVersion);
    if (!slot->hpal) {
        slot->hpal = CreatePalette(log);
    } else if (PaletteSwitchOn() && count > 0) {
        if (animate) {
            AnimatePalette(slot->hpal, first, count, &slot->entries[first]);
        } else {
            if (PaletteManagementOn())
                ResizePalette(slot->hpal, slot->palNumEntries);
            SetPaletteEntries(slot->hpal, first, count, &slot->entries[first]);
        }
    }
    if (completed)
        slot->palNumEntries = kStandardColors;
    if (sActivePalette == pal && PaletteManagementOn())
        SetLibraryPaletteState(slot->hpal, log);
}

void CopyTableEntries(PaletteHandle pal, CTabHandle ct, int entries, int16_t usage, int16_t tolerance)
{
    int colours = HandleHasData(ct) ? std::min<int>((*ct)->ctSize + 1, entries) : 0;
    int held = HandleHasData(ct) ? (GetHandleSize(reinterpret_cast<Handle>(ct)) - 8) / 8 : 0;
    colours = std::min(colours, held);
    for (int i = 0; i < colours; ++i) {
        ColorInfo &e = (*pal)->pmInfo[i];
        e.ciRGB = (*ct)->ctTable[i].rgb;
        e.ciUsage = usage;
        e.ciTolerance = tolerance;
    }
}

// The port a window argument names: nil or -1 is the Window Manager port.
GrafPtr TargetPort(WindowPtr window)
{
    if (!window || reinterpret_cast<intptr_t>(window) == -1)
        return AsPort(WMgrCPort());
    return window;
}

bool IsWMgrPort(GrafPtr port) { return port && port == AsPort(WMgrCPort()); }

GrafVars *PortGrafVars(GrafPtr port)
{
    if (!IsColorPort(port))
        return nullptr;
    Handle vars = AsColorPort(port)->grafVars;
    return HandleHasData(vars) && GetHandleSize(vars) >= static_cast<Size>(sizeof(GrafVars))
               ? reinterpret_cast<GrafVars *>(*vars)
               : nullptr;
}

HWND PortWindow(GrafPtr port)
{
    PortDCRecord *record = PortRecordOf(port);
    return record && record->hwnd && IsWindow(record->hwnd) ? record->hwnd : nullptr;
}

// The window's extra long 4 holds its palette; a window whose class has no such room answers 0.
PaletteHandle WindowExtraPalette(HWND hwnd)
{
    if (!hwnd || GetClassLongA(hwnd, GCL_CBWNDEXTRA) < 8)
        return nullptr;
    return reinterpret_cast<PaletteHandle>(static_cast<uintptr_t>(GetWindowLongA(hwnd, 4)));
}

struct SavedLibraryState {
    HPALETTE hpal;
    LOGPALETTE *log;
    PaletteHandle active;
};
SavedLibraryState SaveLibraryState() { return {sLibraryPalette, sLibraryLog, sActivePalette}; }
void RestoreLibraryState(const SavedLibraryState &s)
{
    SetLibraryPaletteState(s.hpal, s.log);
    sActivePalette = s.active;
}

// Runs `body` with `port` current, the previous port restored after.
template <typename Body> void WithPortCurrent(GrafPtr port, Body body)
{
    GrafPtr previous = CurrentPort();
    if (port && port != previous)
        SetPor(port);
    body();
    if (previous && previous != CurrentPort())
        SetPor(previous);
}

// The system palette holds every library colour (24-bit compare), or need not.
bool IsLibraryPaletteInSystem(HDC dc)
{
    int depth = ScreenDepth();
    if ((depth != 8 && depth != 4) || !PaletteScreen() || !sLibraryLog)
        return true;
    PALETTEENTRY system[kMaxLogEntries];
    UINT got = GetSystemPaletteEntries(dc, 0, kMaxLogEntries, system);
    for (int i = 0; i < sLibraryLog->palNumEntries && i < kMaxLogEntries; ++i) {
        const PALETTEENTRY &e = sLibraryLog->palPalEntry[i];
        bool found = false;
        for (UINT k = 0; k < got && !found; ++k)
            found = system[k].peRed == e.peRed && system[k].peGreen == e.peGreen && system[k].peBlue == e.peBlue;
        if (!found)
            return false;
    }
    return true;
}

// Static colours go off for library palettes of more than 236 colours and come back otherwise; with
// `realize` the DC's palette is realised (first unrealised when asked). The realised count is returned.
UINT SwapSystemColors(HDC dc, bool realize, bool unrealizeFirst)
{
    if (!PaletteScreen())
        return 0;
    bool wanted = realize && sLibraryLog && sLibraryLog->palNumEntries > kStandardColors;
    if (wanted && !sStaticColorsOff) {
        HDC screen = dc ? dc : GetDC(nullptr);
        SetSystemPaletteUse(screen, SYSPAL_NOSTATIC);
        if (!dc)
            ReleaseDC(nullptr, screen);
        int elements[kSystemColorCount];
        COLORREF colours[kSystemColorCount];
        for (int i = 0; i < kSystemColorCount; ++i) {
            elements[i] = kSystemColors[i].element;
            sSavedSystemColors[i] = GetSysColor(elements[i]);
            colours[i] = kSystemColors[i].replacement;
        }
        SetSysColors(kSystemColorCount, elements, colours);
        sStaticColorsOff = true;
    } else if (!wanted && sStaticColorsOff) {
        HDC screen = dc ? dc : GetDC(nullptr);
        SetSystemPaletteUse(screen, SYSPAL_STATIC);
        if (!dc)
            ReleaseDC(nullptr, screen);
        int elements[kSystemColorCount];
        for (int i = 0; i < kSystemColorCount; ++i)
            elements[i] = kSystemColors[i].element;
        SetSysColors(kSystemColorCount, elements, sSavedSystemColors);
        sStaticColorsOff = false;
    }
    if (!realize || !dc)
        return 0;
    if (unrealizeFirst && sLibraryPalette)
        UnrealizeObject(sLibraryPalette);
    UINT changed = RealizePalette(dc);
    return changed == GDI_ERROR ? 0 : changed;
}

// Makes the default palette the active one (and, with palette management, the library palette),
// selected wherever the library palette was.
void ActivateDefaultPalette()
{
    sActivePalette = sDefaultPalette;
    HPALETTE hpal = nullptr;
    LOGPALETTE *log = SlotLogPalette(sDefaultPalette, &hpal);
    SetLibraryPaletteState(hpal, hpal ? log : nullptr);
    HGDIOBJ replacement = hpal ? static_cast<HGDIOBJ>(hpal) : GetStockObject(DEFAULT_PALETTE);
    auto reselect = [&](HDC dc) {
        if (dc)
            SelectPalette(dc, static_cast<HPALETTE>(replacement), FALSE);
    };
    reselect(CurrentDC());
    reselect(DefaultMemoryDC());
    for (int i = 0; i < portDCTableSize; ++i)
        if (PortDCRecord *record = PortRecordAt(i))
            reselect(record->hdc);
}

} // namespace

// ---- Slots and library state ----

void InitPaletteSlots()
{
    FreeAllPaletteSlots();
    sSlots = static_cast<Handle *>(std::malloc(sizeof(Handle)));
    if (sSlots && (sSlots[0] = NewSlot()) != nullptr)
        sSlotCount = 1;
}

void FreeAllPaletteSlots()
{
    for (int i = 0; i < sSlotCount; ++i) {
        ReleasePaletteSlot(i + 1);
        DisposeHandle(sSlots[i]);
    }
    std::free(sSlots);
    sSlots = nullptr;
    sSlotCount = 0;
    SetLibraryPaletteState(nullptr, nullptr);
    sActivePalette = nullptr;
    sDefaultPalette = nullptr;
    sAnimationPalette = nullptr;
}

PaletteHandle DefaultPalette() { return sDefaultPalette; }
void SetDefaultPalette(PaletteHandle pal) { sDefaultPalette = pal; }
HPALETTE LibraryPalette() { return sLibraryPalette; }
LOGPALETTE *LibraryLogPalette() { return sLibraryLog; }

// Port selection: with palette management the port's palette becomes the library palette, selected
// and realised in the current DC.
void SelectPortPalette(GrafPtr port)
{
    if (!PaletteManagementOn() || !CurrentDC())
        return;
    PaletteHandle pal = GetPalette(port);
    HPALETTE hpal = nullptr;
    LOGPALETTE *log = SlotLogPalette(pal, &hpal);
    if (!hpal)
        return;
    sActivePalette = pal;
    SetLibraryPaletteState(hpal, log);
    RealizeLibraryPalette();
}

bool RealizeLibraryPaletteInto(HDC dc)
{
    if (!sLibraryPalette || sRealizing || !dc)
        return false;
    if (dc == PrinterDC() && !(GetDeviceCaps(dc, RASTERCAPS) & RC_PALETTE))
        return false;
    sRealizing = true;
    SelectPalette(dc, sLibraryPalette, PaletteManagementOn() && sBackgroundRealize);
    UINT changed = SwapSystemColors(dc, true, false);
    if (!IsLibraryPaletteInSystem(dc))
        changed += SwapSystemColors(dc, true, true);
    if (changed || !PaletteIndexMapExists())
        BuildPaletteIndexMap(dc, sLibraryPalette);
    sRealizing = false;
    return changed != 0;
}

bool RealizeLibraryPalette() { return RealizeLibraryPaletteInto(CurrentDC()); }

void RealizeInAllWindows()
{
    for (int i = 0; i < portDCTableSize; ++i) {
        PortDCRecord *record = PortRecordAt(i);
        if (!record || !record->hwnd || !IsWindow(record->hwnd))
            continue;
        HDC dc = GetDC(record->hwnd);
        RealizeLibraryPaletteInto(dc);
        ReleaseDC(record->hwnd, dc);
        InvalidateRect(record->hwnd, nullptr, TRUE);
    }
}

void RealizeInAllPortDCs()
{
    HDC current = CurrentDC();
    RealizeLibraryPaletteInto(current);
    for (int i = 0; i < portDCTableSize; ++i) {
        PortDCRecord *record = PortRecordAt(i);
        if (!record || !record->hdc || record->hdc == current)
            continue;
        RealizeLibraryPaletteInto(record->hdc);
        if (record->hwnd)
            InvalidateRect(record->hwnd, nullptr, TRUE);
    }
}

void ActivateAppPalette(HDC dc)
{
    sAppInactive = false;
    if (PaletteScreen() && ScreenFourBitColorEmulation() && !sStaticColorsOff && !sFourBitHookEngaged) {
        BeginFourBitPalette();
        sFourBitHookEngaged = true;
    }
    SwapSystemColors(dc, true, true);
}

void DeactivateAppPalette(HDC dc)
{
    if (sFourBitHookEngaged) {
        EndFourBitPalette();
        sFourBitHookEngaged = false;
    }
    SwapSystemColors(dc, false, false);
    sAppInactive = true;
}

void MakeDefaultPaletteActive(PaletteHandle pal)
{
    sDefaultPalette = pal;
    sActivePalette = pal;
    HPALETTE hpal = nullptr;
    LOGPALETTE *log = SlotLogPalette(pal, &hpal);
    SetLibraryPaletteState(hpal, log);
}

void SetDibColorsFromLogPalette(HDC dc, LOGPALETTE *palette)
{
    if (!dc || !palette)
        return;
    // PALETTEENTRY is red, green, blue; RGBQUAD blue, green, red.
    int n = palette->palNumEntries;
    for (int i = 0; i < n; ++i)
        std::swap(palette->palPalEntry[i].peRed, palette->palPalEntry[i].peBlue);
    SetDIBColorTable(dc, 0, n, reinterpret_cast<const RGBQUAD *>(palette->palPalEntry));
    for (int i = 0; i < n; ++i)
        std::swap(palette->palPalEntry[i].peRed, palette->palPalEntry[i].peBlue);
}

// ---- The shared pixel buffer ----

namespace {
void *sPixelScratch;
uint32_t sPixelScratchSize;
} // namespace

bool GrowPixelScratch(uint32_t bytes)
{
    if (bytes <= sPixelScratchSize)
        return true;
    void *grown = std::realloc(sPixelScratch, bytes);
    if (!grown)
        return false;
    sPixelScratch = grown;
    sPixelScratchSize = bytes;
    return true;
}

void *PixelScratch() { return sPixelScratch; }

void FreePixelScratch()
{
    std::free(sPixelScratch);
    sPixelScratch = nullptr;
    sPixelScratchSize = 0;
}

// ---- Colour-table converters ----

namespace {
int TableEntries(CTabHandle ct)
{
    if (!HandleHasData(ct))
        return 0;
    int held = (GetHandleSize(reinterpret_cast<Handle>(ct)) - 8) / 8;
    return std::max(0, std::min({(*ct)->ctSize + 1, held, kMaxLogEntries}));
}
} // namespace

void CopyCTabToQuads(CTabHandle ct, RGBQUAD *quads)
{
    std::memset(quads, 0, sizeof(RGBQUAD) * kMaxLogEntries);
    for (int i = 0, n = TableEntries(ct); i < n; ++i) {
        const RGBColor &c = (*ct)->ctTable[i].rgb;
        quads[i] = RGBQUAD{High(c.blue), High(c.green), High(c.red), 0};
    }
}

void CTabToGrayBytes(CTabHandle ct, uint8_t *bytes)
{
    std::memset(bytes, 0, kMaxLogEntries);
    for (int i = 0, n = TableEntries(ct); i < n; ++i)
        bytes[i] = High((*ct)->ctTable[i].rgb.green);
}

void CTabTo555Table(CTabHandle ct, uint16_t *words)
{
    std::memset(words, 0, sizeof(uint16_t) * kMaxLogEntries);
    for (int i = 0, n = TableEntries(ct); i < n; ++i) {
        const ColorSpec &e = (*ct)->ctTable[i];
        words[static_cast<uint8_t>(e.value)] =
            static_cast<uint16_t>(((e.rgb.red >> 11) << 10) | ((e.rgb.green >> 11) << 5) | (e.rgb.blue >> 11));
    }
}

uint16_t BuildCTabIndexMap(CTabHandle ct, uint8_t *map)
{
    std::memset(map, 0, kMaxLogEntries);
    const int n = TableEntries(ct);
    if (sLibraryLog && HasData(sActivePalette) && (*sActivePalette)->pmSeed == kLibraryPaletteSeed) {
        // The library standard palette: every colour reaches its entry through the dither tables.
        for (int i = 0; i < n; ++i) {
            const ColorSpec &e = (*ct)->ctTable[i];
            uint8_t r = High(e.rgb.red), g = High(e.rgb.green), b = High(e.rgb.blue);
            int index = r == g && g == b ? DitherNearest(ditherGray, r)
                                         : DitherNearest(ditherRed, r) + DitherNearest(ditherGreen, g) +
                                               DitherNearest(ditherBlue, b);
            map[static_cast<uint8_t>(e.value)] = static_cast<uint8_t>(index);
        }
        return 0x200;
    }
    const int size = HandleHasData(ct) ? (*ct)->ctSize + 1 : 0;
    if (size == kMaxLogEntries) {
        for (int k = 0; k < kMaxLogEntries; ++k)
            map[k] = static_cast<uint8_t>((*ct)->ctSize - k);
        return 0x100;
    }
    if (size == 4) {
        const uint8_t slots[4] = {255, 254, 1, 0};
        std::memcpy(map, slots, 4);
        return 0x100;
    }
    if (size == 16) {
        for (int k = 0; k < 8; ++k) {
            map[k] = static_cast<uint8_t>(255 - k);
            map[8 + k] = static_cast<uint8_t>(7 - k);
        }
        return 0x100;
    }
    for (int i = 0; i < n; ++i)
        map[static_cast<uint8_t>((*ct)->ctTable[i].value)] = static_cast<uint8_t>(i);
    return 0;
}

// ---- Palettes ----

ZEL_EXTERN_C PaletteHandle ZEL_CALL NewPalette(int16_t entries, CTabHandle srcColors, int16_t srcUsage,
                                               int16_t srcTolerance)
{
    if (entries < 0)
        return nullptr;
    auto pal = reinterpret_cast<PaletteHandle>(
        NewHandleClear(kPaletteHeaderBytes + static_cast<Size>(sizeof(ColorInfo)) * entries));
    if (!HasData(pal))
        return nullptr;
    (*pal)->pmEntries = entries;
    if (HandleHasData(srcColors)) {
        (*pal)->pmSeed = (*srcColors)->ctSeed;
        CopyTableEntries(pal, srcColors, entries, srcUsage, srcTolerance);
    }
    (*pal)->pmSlot = static_cast<uint16_t>(AllocPaletteSlot());
    SyncPaletteToGdi(pal, 0, 0, false);
    return pal;
}

ZEL_EXTERN_C PaletteHandle ZEL_CALL GetNewPalette(int16_t id)
{
    Handle res = GetResource(kPaletteType, id);
    if (!HandleHasData(res))
        return nullptr;
    // The resource's own count must fit in what was read.
    int32_t size = GetHandleSize(res);
    const Palette *p = reinterpret_cast<const Palette *>(*res);
    if (size < kPaletteHeaderBytes || p->pmEntries < 0 ||
        size < kPaletteHeaderBytes + static_cast<int32_t>(sizeof(ColorInfo)) * p->pmEntries)
        return nullptr;
    Handle copy = res;
    if (HandToHand(&copy) != noErr || !HandleHasData(copy))
        return nullptr;
    auto pal = reinterpret_cast<PaletteHandle>(copy);
    (*pal)->pmSlot = static_cast<uint16_t>(AllocPaletteSlot());
    SyncPaletteToGdi(pal, 0, 0, false);
    return pal;
}

ZEL_EXTERN_C void ZEL_CALL DisposePalette(PaletteHandle pal)
{
    if (!pal || pal == sDefaultPalette)
        return;
    // The active palette hands over first, so that no deleted Windows palette stays selected.
    if (pal == sActivePalette)
        ActivateDefaultPalette();
    if (HasData(pal))
        ReleasePaletteSlot((*pal)->pmSlot);
    DisposeHandle(reinterpret_cast<Handle>(pal));
}

ZEL_EXTERN_C PaletteHandle ZEL_CALL GetPalette(WindowPtr window)
{
    GrafPtr port = TargetPort(window);
    if (!port || IsWMgrPort(port))
        return sDefaultPalette;
    if (GrafVars *vars = PortGrafVars(port))
        if (vars->pmFgColor)
            return reinterpret_cast<PaletteHandle>(vars->pmFgColor);
    if (PaletteHandle pal = WindowExtraPalette(PortWindow(port)))
        return pal;
    return sDefaultPalette;
}

ZEL_EXTERN_C void ZEL_CALL SetPalette(WindowPtr window, PaletteHandle pal, Boolean updates)
{
    NSetPalette(window, pal, static_cast<int16_t>(updates ? 0xE000 : 0x8000));
}

ZEL_EXTERN_C void ZEL_CALL NSetPalette(WindowPtr window, PaletteHandle pal, int16_t nCUpdates)
{
    if (HasData(pal))
        (*pal)->pmWindow = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(window));
    GrafPtr port = TargetPort(window);
    if (!port)
        return;
    if (IsWMgrPort(port)) {
        sDefaultPalette = pal;
        if (PaletteManagementOn())
            ActivatePalette(window);
        return;
    }
    if (!pal)
        pal = sDefaultPalette;
    if (HWND hwnd = PortWindow(port))
        if (GetClassLongA(hwnd, GCL_CBWNDEXTRA) >= 8)
            SetWindowLongA(hwnd, 4, static_cast<LONG>(reinterpret_cast<uintptr_t>(pal)));
    if (GrafVars *vars = PortGrafVars(port)) {
        vars->pmFgColor = reinterpret_cast<Handle>(pal);
        vars->pmFlags = nCUpdates;
    }
    if (!PaletteManagementOn() || !HasData(pal))
        return;
    WithPortCurrent(port, [&] {
        SavedLibraryState saved = SaveLibraryState();
        sActivePalette = pal;
        SyncPaletteToGdi(pal, 0, 0, false);
        HPALETTE hpal = nullptr;
        LOGPALETTE *log = SlotLogPalette(pal, &hpal);
        if (hpal && CurrentDC()) {
            SetLibraryPaletteState(hpal, log);
            SelectPalette(CurrentDC(), hpal, FALSE);
            RealizePalette(CurrentDC());
        }
        RestoreLibraryState(saved);
    });
}

ZEL_EXTERN_C void ZEL_CALL ActivatePalette(WindowPtr window)
{
    PaletteHandle pal = GetPalette(window);
    if (!HasData(pal))
        return;
    SavedLibraryState saved = SaveLibraryState();
    if (pal != sActivePalette) {
        sActivePalette = pal;
        if (PaletteManagementOn()) {
            HPALETTE hpal = nullptr;
            LOGPALETTE *log = SlotLogPalette(pal, &hpal);
            SetLibraryPaletteState(hpal, log);
        }
    }
    if (sLibraryPalette) {
        WithPortCurrent(TargetPort(window), [] { RealizeLibraryPalette(); });
    } else {
        SetLibraryPaletteState(saved.hpal, saved.log);
    }
}

ZEL_EXTERN_C void ZEL_CALL PmForeColor(int16_t index)
{
    PaletteHandle pal = GetPalette(CurrentPort());
    if (ValidIndex(pal, index)) {
        RGBColor c = (*pal)->pmInfo[index].ciRGB;
        RGBForeColor(&c);
    }
}

ZEL_EXTERN_C void ZEL_CALL PmBackColor(int16_t index)
{
    PaletteHandle pal = GetPalette(CurrentPort());
    if (ValidIndex(pal, index)) {
        RGBColor c = (*pal)->pmInfo[index].ciRGB;
        RGBBackColor(&c);
    }
}

ZEL_EXTERN_C void ZEL_CALL AnimatePalett(WindowPtr window, CTabHandle ct, int16_t srcIndex, int16_t dstEntry,
                                         int16_t dstLength)
{
    PaletteHandle pal = GetPalette(window);
    if (!HasData(pal) || !HandleHasData(ct) || srcIndex < 0)
        return;
    const int entries = HeldEntries(pal);
    const int tableEnd = std::min<int>((*ct)->ctSize + 1, (GetHandleSize(reinterpret_cast<Handle>(ct)) - 8) / 8);
    const int end = std::min(srcIndex + dstLength, tableEnd);
    for (int k = srcIndex; k < end; ++k) {
        int dst = dstEntry + (k - srcIndex);
        if (dst < 0 || dst >= entries)
            continue;
        ColorInfo &e = (*pal)->pmInfo[dst];
        const RGBColor &c = (*ct)->ctTable[k].rgb;
        if (std::memcmp(&e.ciRGB, &c, sizeof c) != 0) {
            e.ciRGB = c;
            e.ciDataFields[0] |= kColorChanged;
        }
    }
    if (dstEntry >= 0 && dstEntry < entries)
        SyncPaletteToGdi(pal, dstEntry, std::min<int>(dstLength, entries - dstEntry), true);
}

ZEL_EXTERN_C void ZEL_CALL GetEntryColor(PaletteHandle pal, int16_t index, RGBColor *rgb)
{
    if (!ValidIndex(pal, index) || !rgb)
        return;
    *rgb = (*pal)->pmInfo[index].ciRGB;
    (*pal)->pmInfo[index].ciDataFields[0] |= kEntryRead;
}

ZEL_EXTERN_C void ZEL_CALL SetEntryColor(PaletteHandle pal, int16_t index, const RGBColor *rgb)
{
    if (!ValidIndex(pal, index) || !rgb)
        return;
    ColorInfo &e = (*pal)->pmInfo[index];
    if (std::memcmp(&e.ciRGB, rgb, sizeof *rgb) != 0) {
        e.ciRGB = *rgb;
        e.ciDataFields[0] |= kColorChanged;
    }
    e.ciDataFields[0] &= static_cast<int16_t>(~kEntryRead);
    SyncPaletteToGdi(pal, 0, 0, false);
}

ZEL_EXTERN_C void ZEL_CALL SetEntryUsage(PaletteHandle pal, int16_t index, int16_t usage, int16_t tolerance)
{
    if (!ValidIndex(pal, index))
        return;
    ColorInfo &e = (*pal)->pmInfo[index];
    if (e.ciUsage != usage) {
        e.ciUsage = usage;
        e.ciDataFields[0] |= kUsageChanged;
    }
    if (e.ciTolerance != tolerance) {
        e.ciTolerance = tolerance;
        e.ciDataFields[0] |= kToleranceChanged;
    }
    e.ciDataFields[0] &= static_cast<int16_t>(~kEntryFresh);
}

ZEL_EXTERN_C void ZEL_CALL CTab2Palette(CTabHandle ct, PaletteHandle pal, int16_t usage, int16_t tolerance)
{
    if (!HandleHasData(ct) || !pal)
        return;
    int entries = std::max(0, (*ct)->ctSize + 1);
    Handle h = reinterpret_cast<Handle>(pal);
    if (!SetHandleSize(h, kPaletteHeaderBytes + static_cast<Size>(sizeof(ColorInfo)) * entries))
        return;
    uint16_t slot = (*pal)->pmSlot;
    std::memset(*h, 0, static_cast<size_t>(GetHandleSize(h)));
    (*pal)->pmEntries = static_cast<int16_t>(entries);
    (*pal)->pmSlot = slot;
    (*pal)->pmSeed = (*ct)->ctSeed;
    CopyTableEntries(pal, ct, entries, usage, tolerance);
    SyncPaletteToGdi(pal, 0, 0, false);
}

ZEL_EXTERN_C void ZEL_CALL Palette2CTab(PaletteHandle pal, CTabHandle ct)
{
    if (!HasData(pal) || !ct)
        return;
    int entries = HeldEntries(pal);
    if (!SetHandleSize(reinterpret_cast<Handle>(ct), 8 + 8 * entries))
        return;
    ColorTable &t = **ct;
    t.ctSeed = (*pal)->pmSeed;
    t.ctFlags = 0;
    t.ctSize = static_cast<int16_t>(entries - 1);
    for (int i = 0; i < entries; ++i) {
        t.ctTable[i].value = static_cast<int16_t>(i);
        t.ctTable[i].rgb = (*pal)->pmInfo[i].ciRGB;
    }
}

// The current device's colours, and the library LOGPALETTE where its slot has room for them.
ZEL_EXTERN_C void ZEL_CALL SetEntries(int16_t start, int16_t count, const ColorSpec *table)
{
    if (!sLibraryLog || !table || count < 0)
        return;
    GDHandle device = LowMem<GDHandle>(lmTheGDevice);
    if (!HandleHasData(device) || !HandleHasData((*device)->gdPMap))
        return;
    PixMapHandle pm = (*device)->gdPMap;
    CTabHandle ct = (*pm)->pmTable;
    if (!HandleHasData(ct))
        return;

    // Every index written lies in 0..255; the table grows to hold the highest.
    int highest = (*ct)->ctSize;
    for (int k = 0; k <= count; ++k) {
        int i = start == -1 ? table[k].value : start + k;
        if (i >= 0 && i < kMaxLogEntries)
            highest = std::max(highest, i);
    }
    if (highest > (*ct)->ctSize) {
        if (!SetHandleSize(reinterpret_cast<Handle>(ct), 8 + 8 * (highest + 1)))
            return;
        for (int i = (*ct)->ctSize + 1; i <= highest; ++i)
            (*ct)->ctTable[i] = ColorSpec{static_cast<int16_t>(i), RGBColor{0, 0, 0}};
        (*ct)->ctSize = static_cast<int16_t>(highest);
    }
    const int entries = (*ct)->ctSize + 1;
    // Room of the slot that holds the library LOGPALETTE: the entries after its 10-byte head.
    int room = 1;
    for (int i = 0; i < sSlotCount; ++i)
        if (PaletteSlot *s = SlotRecord(sSlots[i]))
            if (reinterpret_cast<LOGPALETTE *>(&s->palVersion) == sLibraryLog)
                room = SlotCapacity(sSlots[i]) - 1;

    for (int k = 0; k <= count; ++k) {
        int i = start == -1 ? table[k].value : start + k;
        if (i < 0 || i >= kMaxLogEntries)
            continue;
        const RGBColor c = table[k].rgb;
        (*ct)->ctTable[i].rgb = c;
        // Placed as the palette slots place them: reversed for a 256-entry table.
        int at = entries == kMaxLogEntries ? kMaxLogEntries - 1 - i : i;
        if (at < room) {
            uint32_t rgb = (uint32_t(High(c.red)) << 16) | (uint32_t(High(c.green)) << 8) | High(c.blue);
            sLibraryLog->palPalEntry[at] = PALETTEENTRY{High(c.red), High(c.green), High(c.blue),
                                                        static_cast<BYTE>(rgb == 0 || rgb == 0xFFFFFF ? 0 : PC_NOCOLLAPSE)};
        }
    }
    sLibraryLog->palNumEntries = static_cast<WORD>(std::min(entries, room));
    (*ct)->ctSeed = GetCTSeed();
    uint32_t &changes = (*pm)->pmExtDevSeed;
    changes = changes + 1 == 0 ? 1 : changes + 1;

    if (PaletteSwitchOn() && !BrushReleaseMode() && sLibraryPalette) {
        if (sAnimationPalette && CurrentDC()) {
            HPALETTE old = SelectPalette(CurrentDC(), sAnimationPalette, FALSE);
            if (sLibraryLog->palNumEntries > 2)
                AnimatePalette(sAnimationPalette, 1, sLibraryLog->palNumEntries - 2, &sLibraryLog->palPalEntry[1]);
            if (old)
                SelectPalette(CurrentDC(), old, FALSE);
        } else {
            // A table that grew needs a Windows palette that holds it.
            if (GetPaletteEntries(sLibraryPalette, 0, 0, nullptr) != sLibraryLog->palNumEntries)
                ResizePalette(sLibraryPalette, sLibraryLog->palNumEntries);
            SetPaletteEntries(sLibraryPalette, 0, sLibraryLog->palNumEntries, sLibraryLog->palPalEntry);
            RealizeLibraryPalette();
        }
    }
}

ZEL_EXTERN_C void ZEL_CALL ReserveEntry(int16_t index, Boolean reserve)
{
    if (!sLibraryLog)
        return;
    GDHandle device = LowMem<GDHandle>(lmTheGDevice);
    if (!HandleHasData(device) || !HandleHasData((*device)->gdPMap))
        return;
    CTabHandle ct = (*(*device)->gdPMap)->pmTable;
    if (!HandleHasData(ct) || index < 0 || index > (*ct)->ctSize)
        return;
    Handle itab = (*device)->gdITable;
    if (HandleHasData(itab) && GetHandleSize(itab) >= 4 && reinterpret_cast<ITab *>(*itab)->iTabSeed == (*ct)->ctSeed)
        (*ct)->ctSeed = GetCTSeed();
    int16_t &value = (*ct)->ctTable[index].value;
    value = reserve ? static_cast<int16_t>((value & 0xBF00) | 0x4000 | ((*device)->gdID & 0xFF)) : index;
}

ZEL_EXTERN_C void ZEL_CALL ProtectEntry(int16_t, Boolean) {}

ZEL_EXTERN_C void ZEL_CALL CopyPalette(PaletteHandle, PaletteHandle, int16_t, int16_t, int16_t)
{
    ReportUnimplemented(" CopyPalette");
}

// ---- Host glue ----

ZEL_EXTERN_C uint32_t ZEL_CALL ZEL_GetWindowsPalette(WindowPtr window, HPALETTE *palette)
{
    HPALETTE hpal = nullptr;
    if (PaletteScreen())
        SlotLogPalette(GetPalette(window), &hpal);
    if (palette)
        *palette = hpal;
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(hpal));
}

ZEL_EXTERN_C void ZEL_CALL ZEL_BeginPaletteAnimation(void)
{
    if (!sLibraryLog || !sLibraryPalette)
        return;
    int n = sLibraryLog->palNumEntries;
    for (int i = 1; i <= n - 2; ++i)
        sLibraryLog->palPalEntry[i].peFlags = PC_RESERVED;
    sAnimationPalette = sLibraryPalette;
    SetPaletteEntries(sLibraryPalette, 0, n, sLibraryLog->palPalEntry);
    RealizeInAllPortDCs();
}

ZEL_EXTERN_C void ZEL_CALL ZEL_EndPaletteAnimation(void)
{
    if (!sLibraryLog)
        return;
    int n = sLibraryLog->palNumEntries;
    for (int i = 0; i < n; ++i)
        sLibraryLog->palPalEntry[i].peFlags &= static_cast<BYTE>(~PC_RESERVED);
    if (sLibraryPalette)
        SetPaletteEntries(sLibraryPalette, 0, n, sLibraryLog->palPalEntry);
    RealizeInAllPortDCs();
    sAnimationPalette = nullptr;
}

ZEL_EXTERN_C void ZEL_CALL ZEL_ForcePalette(void)
{
    if (!sLibraryPalette || !sLibraryLog)
        return;
    SetPaletteEntries(sLibraryPalette, 0, sLibraryLog->palNumEntries, sLibraryLog->palPalEntry);
    RealizeLibraryPalette();
}

ZEL_EXTERN_C uint32_t ZEL_CALL ZEL_QueryNewPalette(HWND hwnd)
{
    bool changed = false;
    if (sAppInactive && sLibraryPalette && hwnd) {
        HDC dc = GetDC(hwnd);
        UnrealizeObject(sLibraryPalette);
        changed = RealizeLibraryPaletteInto(dc);
        ReleaseDC(hwnd, dc);
        if (changed)
            RealizeInAllWindows();
    }
    return changed ? 1 : 0;
}

ZEL_EXTERN_C uint32_t ZEL_CALL ZEL_PaletteChanged(HWND hwnd, HWND changer)
{
    // With palette management every port's window hears of the change; the messages that come back
    // here while it is being told take the ordinary road, so the broadcast never repeats itself.
    if (PaletteManagementOn() && !sBroadcasting) {
        sBroadcasting = true;
        for (int i = 0; i < portDCTableSize; ++i)
            if (PortDCRecord *record = PortRecordAt(i))
                if (record->hwnd && IsWindow(record->hwnd))
                    SendMessageA(record->hwnd, WM_PALETTECHANGED, reinterpret_cast<WPARAM>(changer), 0);
        sBroadcasting = false;
        return 0;
    }
    if (changer == hwnd || sRealizing || !hwnd)
        return 0;
    HDC dc = GetDC(hwnd);
    bool changed = RealizeLibraryPaletteInto(dc);
    ReleaseDC(hwnd, dc);
    if (changed)
        RealizeInAllWindows();
    return changed ? 1 : 0;
}

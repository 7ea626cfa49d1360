// Cursors: Macintosh cursor records shown as Windows cursors. Converted cursors live in a 140-slot
// table; a registered record carries its slot in its hot spot (v's high byte 0xFF, h's high byte the
// slot), so SetCursor finds its Windows cursor without converting again. Slots 0..4 hold the standard
// cursors. The visibility calls follow the Macintosh cursor level.
#include <cstddef>
#include <cstring>
#include <initializer_list>

#include "qd_services.h"
#include "../core/core_services.h"
#include "../windows/windows_services.h"
#include "ByteOrder.h"
#include "MacMemory.h"
#include "Resources.h"

namespace {

constexpr int kSlots = 140;
constexpr int kStandardSlots = 5;
constexpr ResType kCursType = 0x43555253; // 'CURS'
constexpr ResType kCrsrType = 0x63727372; // 'crsr'

HCURSOR sCursorTable[kSlots];
Handle sStandardRecords[kStandardSlots];
HCURSOR sDragSingleCursor, sDragMultipleCursor;
bool sLargePointers;
// The Macintosh cursor level: 0 shown, below 0 hidden by that many HideCursor calls.
int sCursorLevel;
bool sCursorObscured;

const uint8_t kPixelDouble[16] = {0x00, 0x03, 0x0C, 0x0F, 0x30, 0x33, 0x3C, 0x3F,
                                  0xC0, 0xC3, 0xCC, 0xCF, 0xF0, 0xF3, 0xFC, 0xFF};

// The parts of a cursor record the conversion reads and marks.
struct CursorParts {
    const uint8_t *data;
    const uint8_t *mask;
    Point *hotSpot;
};

CursorParts PartsOf(void *record, bool colour)
{
    if (colour) {
        auto *c = static_cast<CCrsr *>(record);
        return {reinterpret_cast<const uint8_t *>(c->crsr1Data), reinterpret_cast<const uint8_t *>(c->crsrMask),
                &c->crsrHotSpot};
    }
    auto *c = static_cast<Cursor *>(record);
    return {reinterpret_cast<const uint8_t *>(c->data), reinterpret_cast<const uint8_t *>(c->mask), &c->hotSpot};
}

// The slot a record is registered in, or -1: the marker byte must be there and the slot in the table.
int MarkedSlot(const Point &hotSpot)
{
    if ((static_cast<uint16_t>(hotSpot.v) >> 8) != 0xFF)
        return -1;
    const int slot = static_cast<uint16_t>(hotSpot.h) >> 8;
    return slot < kSlots ? slot : -1;
}

void FreeTableCursor(int slot)
{
    if (slot < kStandardSlots || slot >= kSlots || !sCursorTable[slot])
        return;
    // Not current any more before it goes.
    ApplyWinCursor(sCursorTable[0]);
    DestroyCursor(sCursorTable[slot]);
    sCursorTable[slot] = nullptr;
}

// The two planes of a Windows cursor from 16 rows of data and mask, at 32 by 32 pixels: the left
// 16 pixels of the top 16 rows, or every pixel doubled both ways for large pointers.
void BuildPlanes(const uint8_t *data, const uint8_t *mask, bool large, uint8_t andPlane[128], uint8_t xorPlane[128])
{
    std::memset(andPlane, 0xFF, 128);
    std::memset(xorPlane, 0x00, 128);
    for (int row = 0; row < 16; ++row) {
        const uint8_t d[2] = {data[2 * row], data[2 * row + 1]}, m[2] = {mask[2 * row], mask[2 * row + 1]};
        if (!large) {
            for (int b = 0; b < 2; ++b) {
                andPlane[4 * row + b] = static_cast<uint8_t>(~m[b]);
                xorPlane[4 * row + b] = static_cast<uint8_t>(d[b] ^ m[b]);
            }
            continue;
        }
        for (int copy = 0; copy < 2; ++copy) {
            const int out = 4 * (2 * row + copy);
            for (int b = 0; b < 2; ++b) {
                const uint8_t a = static_cast<uint8_t>(~m[b]), x = static_cast<uint8_t>(d[b] ^ m[b]);
                andPlane[out + 2 * b] = kPixelDouble[a >> 4];
                andPlane[out + 2 * b + 1] = kPixelDouble[a & 0x0F];
                xorPlane[out + 2 * b] = kPixelDouble[x >> 4];
                xorPlane[out + 2 * b + 1] = kPixelDouble[x & 0x0F];
            }
        }
    }
}

HCURSOR MacCursorToWin(int32_t create, int32_t isColour, void *record, int32_t convert, int32_t registerIt)
{
    if (!record)
        return nullptr;
    CursorParts parts = PartsOf(record, isColour != 0);
    Point &hot = *parts.hotSpot;
    if (!create) {
        const int slot = MarkedSlot(hot);
        if (slot >= 0)
            FreeTableCursor(slot);
        return nullptr;
    }
    if (!convert) {
        // Back to the stored form: the marker and slot go, a doubled hot spot is halved.
        int16_t v = static_cast<int16_t>(hot.v & 0xFF), h = static_cast<int16_t>(hot.h & 0xFF);
        if (sLargePointers) {
            v = static_cast<int16_t>(v / 2);
            h = static_cast<int16_t>(h / 2);
        }
        hot.v = v;
        hot.h = h;
        if (registerIt) {
            ZEL_ByteSwapWORD(&hot.v);
            ZEL_ByteSwapWORD(&hot.h);
        }
        return nullptr;
    }
    if (registerIt) {
        // A record from a resource still holds its hot spot in the Macintosh byte order.
        ZEL_ByteSwapWORD(&hot.v);
        ZEL_ByteSwapWORD(&hot.h);
    }
    int hotV = hot.v & (MarkedSlot(hot) >= 0 ? 0xFF : 0xFFFF), hotH = hot.h & (MarkedSlot(hot) >= 0 ? 0xFF : 0xFFFF);
    if (sLargePointers) {
        hotV *= 2;
        hotH *= 2;
    }
    uint8_t andPlane[128], xorPlane[128];
    BuildPlanes(parts.data, parts.mask, sLargePointers, andPlane, xorPlane);
    HCURSOR cursor = CreateCursor(LibraryModule(), hotH, hotV, 32, 32, andPlane, xorPlane);
    if (!cursor || !registerIt)
        return cursor;
    for (int slot = kStandardSlots; slot < kSlots; ++slot)
        if (!sCursorTable[slot]) {
            sCursorTable[slot] = cursor;
            // Registration keeps only the low byte of each word beside the marker and the slot.
            hot.v = static_cast<int16_t>(0xFF00 | (hotV & 0xFF));
            hot.h = static_cast<int16_t>((slot << 8) | (hotH & 0xFF));
            break;
        }
    return cursor;
}

// Shows the cursor of a record: its slot's Windows cursor when it is registered, else a converted one
// that the cursor glue frees when it is replaced.
void ApplyCursorRecord(void *record, bool colour)
{
    if (!record)
        return;
    const int slot = MarkedSlot(*PartsOf(record, colour).hotSpot);
    if (slot >= 0 && sCursorTable[slot]) {
        ApplyWinCursor(sCursorTable[slot]);
        return;
    }
    ApplyWinCursor(MacCursorToWin(1, colour, record, 1, 0));
}

// A cursor record is read whole (68 bytes for a Cursor, 96 for a CCrsr): a handle shorter than that
// holds no cursor, and the resource conversion never registered it.
bool HoldsCursorRecord(Handle h, bool colour)
{
    return HandleHasData(h) && GetHandleSize(h) >= static_cast<Size>(colour ? sizeof(CCrsr) : sizeof(Cursor));
}

// A loaded 'crsr' keeps its pixel map and pixel data as offsets into the resource, in the Macintosh
// byte order; an offset past the resource's end makes it no colour cursor.
bool ColourCursorOffsetsInside(Handle h)
{
    const Size size = GetHandleSize(h);
    const auto *bytes = reinterpret_cast<const uint8_t *>(*h);
    for (size_t at : {offsetof(CCrsr, crsrMap), offsetof(CCrsr, crsrData)}) {
        const uint32_t offset = (uint32_t(bytes[at]) << 24) | (uint32_t(bytes[at + 1]) << 16) |
                                (uint32_t(bytes[at + 2]) << 8) | bytes[at + 3];
        if (offset > static_cast<uint32_t>(size))
            return false;
    }
    return true;
}

} // namespace

// ---- The cursor table ----

void LoadCursorSettings()
{
    DisposeCursorCache();
    const LPCSTR system[kStandardSlots] = {IDC_ARROW, IDC_IBEAM, IDC_CROSS, nullptr, IDC_WAIT};
    for (int slot = 0; slot < kStandardSlots; ++slot) {
        sCursorTable[slot] = system[slot] ? LoadCursorA(nullptr, system[slot]) : LoadCursorA(LibraryModule(), "PlusCursor");
        Handle h = NewHandleClear(sizeof(Cursor));
        sStandardRecords[slot] = h;
        if (h) {
            auto *c = reinterpret_cast<Cursor *>(*h);
            c->hotSpot.v = static_cast<int16_t>(0xFFFF);
            c->hotSpot.h = static_cast<int16_t>(slot * 256 + 0xFF);
        }
    }
    if (sStandardRecords[0])
        LowMem<Cursor>(lmArrow) = *reinterpret_cast<Cursor *>(*sStandardRecords[0]);
    sDragSingleCursor = LoadCursorA(LibraryModule(), "DragSingleCursor");
    sDragMultipleCursor = LoadCursorA(LibraryModule(), "DragMultipleCursor");

    // The pointer size from MOUSE.INI in the folder named by MOUSE.
    char path[MAX_PATH] = {};
    DWORD n = GetEnvironmentVariableA("MOUSE", path, MAX_PATH - 16);
    if (n >= MAX_PATH - 16)
        n = 0;
    path[n] = 0;
    std::strcat(path, "\\MOUSE.INI");
    char size[32] = {};
    GetPrivateProfileStringA("WindowsPointer", "PointerSize", "Small", size, sizeof(size), path);
    sLargePointers = lstrcmpiA(size, "Large") == 0;
}

void DisposeCursorCache()
{
    for (int slot = kStandardSlots; slot < kSlots; ++slot)
        FreeTableCursor(slot);
    for (int slot = 0; slot < kStandardSlots; ++slot) {
        if (sStandardRecords[slot])
            DisposeHandle(sStandardRecords[slot]);
        sStandardRecords[slot] = nullptr;
        sCursorTable[slot] = nullptr; // shared system and module cursors are never destroyed
    }
    for (HCURSOR *c : {&sDragSingleCursor, &sDragMultipleCursor}) {
        if (*c)
            DestroyCursor(*c);
        *c = nullptr;
    }
}

void ForgetCursorResource(Handle resource, bool color)
{
    if (HoldsCursorRecord(resource, color))
        MacCursorToWin(0, color ? 1 : 0, *resource, 1, 0);
}

bool IsCachedCursor(HCURSOR cursor)
{
    if (!cursor)
        return false;
    for (HCURSOR c : sCursorTable)
        if (c == cursor)
            return true;
    return false;
}

HCURSOR CachedCursorAt(int slot) { return slot >= 0 && slot < kSlots ? sCursorTable[slot] : nullptr; }

ZEL_EXTERN_C HCURSOR ZEL_CALL ZEL_VelcastCursor(int32_t create, int32_t isColour, void *record, int32_t convert,
                                                int32_t registerIt)
{
    return MacCursorToWin(create, isColour, record, convert, registerIt);
}

// ---- Getting, setting and disposing cursors ----

ZEL_EXTERN_C CursHandle ZEL_CALL GetCurso(int16_t id)
{
    if (id >= 0 && id < kStandardSlots)
        return reinterpret_cast<CursHandle>(sStandardRecords[id]);
    Handle h = GetResource(kCursType, id);
    return HoldsCursorRecord(h, false) ? reinterpret_cast<CursHandle>(h) : nullptr;
}

ZEL_EXTERN_C CCrsrHandle ZEL_CALL GetCCursor(int16_t id)
{
    Handle h = GetResource(kCrsrType, id);
    if (!HoldsCursorRecord(h, true) || !ColourCursorOffsetsInside(h))
        return nullptr;
    return reinterpret_cast<CCrsrHandle>(h);
}

// A cursor record that starts a handle of the Memory Manager (a 'CURS' resource's data) must fill a whole
// Cursor; a shorter one is damaged and leaves the cursor as it is rather than be read past its end.
// MemErr is the caller's, as SetCursor never sets it.
static bool CursorInShortHandle(const Cursor *cursor)
{
    const OSErr saved = MemError();
    Handle h = RecoverHandle(reinterpret_cast<Ptr>(const_cast<Cursor *>(cursor)));
    const bool tooShort = h && GetHandleSize(h) < static_cast<Size>(sizeof(Cursor));
    SetMemErr(saved);
    return tooShort;
}

void ZEL_CALL DefaultSetCursor(const Cursor *cursor)
{
    if (cursor && CursorInShortHandle(cursor))
        return;
    ApplyCursorRecord(const_cast<Cursor *>(cursor), false);
}

void ZEL_CALL DefaultInitCursor(void) { ApplyWinCursor(sCursorTable[0]); }

ZEL_EXTERN_C void ZEL_CALL SetCCursor(CCrsrHandle cursor)
{
    if (HoldsCursorRecord(reinterpret_cast<Handle>(cursor), true))
        ApplyCursorRecord(*cursor, true);
}

ZEL_EXTERN_C void ZEL_CALL DisposeCCursor(CCrsrHandle cursor)
{
    Handle record = reinterpret_cast<Handle>(cursor);
    // A cursor from GetCCursor is the Resource Manager's to release, and its handle fields are offsets
    // into the resource (in either byte order), never handles of their own.
    if (!record || (HGetState(record) & handleResourceBit))
        return;
    // A record the program built: its fields are disposed only where they are handles still alive.
    if (HoldsCursorRecord(record, true)) {
        CCrsr &c = **cursor;
        if (IsLiveHandle(reinterpret_cast<Handle>(c.crsrMap)))
            DisposePixMap(c.crsrMap);
        for (Handle h : {c.crsrData, c.crsrXData, c.crsrXHandle})
            if (IsLiveHandle(h))
                DisposeHandle(h);
    }
    DisposeHandle(record);
}

// ---- Visibility ----

ZEL_EXTERN_C void ZEL_CALL HideCursor(void)
{
    --sCursorLevel;
    ShowCursor(FALSE);
}

ZEL_EXTERN_C void ZEL_CALL ShowCurso(void)
{
    // The obscured cursor comes back first; the level never rises above 0.
    UnobscureCursor();
    if (sCursorLevel < 0) {
        ++sCursorLevel;
        ShowCursor(TRUE);
    }
}

ZEL_EXTERN_C void ZEL_CALL ObscureCursor(void)
{
    if (sCursorObscured)
        return;
    POINT pt{};
    RECT main{};
    HWND window = QuickDrawMainWindow();
    if (!window || !GetCursorPos(&pt) || !GetWindowRect(window, &main))
        return;
    if (pt.x >= main.left && pt.x < main.right && pt.y >= main.top && pt.y < main.bottom) {
        ShowCursor(FALSE);
        sCursorObscured = true;
    }
}

ZEL_EXTERN_C void ZEL_CALL UnobscureCursor(void)
{
    if (sCursorObscured) {
        ShowCursor(TRUE);
        sCursorObscured = false;
    }
}

HCURSOR DragSingleCursor() { return sDragSingleCursor; }
HCURSOR DragMultipleCursor() { return sDragMultipleCursor; }

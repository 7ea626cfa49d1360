// Colour tables and colour matching: the standard tables GetCTable makes when no 'clut' resource has
// them, Color2Index and Index2Color on the current device, and the inverse tables that turn colour
// matching into one table read.
#include "quickdraw.h"
#include "../files/files_services.h"

#include <cstring>

namespace {

constexpr ResType kClutType = 0x636C7574; // 'clut'
constexpr uint16_t kDeviceTableFlag = 0x8000;
constexpr uint16_t kReservedEntry = 0x4000;
constexpr int32_t kITabBytes = sizeof(ITab);
constexpr int32_t kCubeCells = 32768;
constexpr uint32_t kITabBuilding = 0xFFFFFFFF;
constexpr int16_t kITabResolution = 5;

// The sixteen standard colours, 0x00RRGGBB.
constexpr uint32_t kStdColors16[16] = {0xFFFFFF, 0xFCF305, 0xFF6402, 0xDD0806, 0xF20884, 0x4600A5,
                                       0x0000D4, 0x02ABEA, 0x1FB714, 0x006411, 0x562C05, 0x90713A,
                                       0xC0C0C0, 0x808080, 0x404040, 0x000000};
// The ten levels of the 256-colour table's ramps: 15 down to 1 without the multiples of 3.
constexpr uint16_t kRampLevels[10] = {14, 13, 11, 10, 8, 7, 5, 4, 2, 1};

int32_t TableBytes(int32_t entries) { return 8 + 8 * entries; }

// Entries a table's handle really holds, at most ctSize + 1.
int32_t HeldEntries(CTabHandle ct)
{
    if (!HandleHasData(ct))
        return 0;
    int32_t size = GetHandleSize(reinterpret_cast<Handle>(ct));
    int32_t held = size >= 8 ? (size - 8) / 8 : 0;
    int32_t claimed = (*ct)->ctSize + 1;
    return claimed < held ? (claimed > 0 ? claimed : 0) : held;
}

// A table of `entries` colours: a new handle, or `ct` resized; nil when memory is short.
CTabHandle SizedTable(CTabHandle ct, int32_t entries)
{
    if (!ct)
        return reinterpret_cast<CTabHandle>(NewHandleClear(TableBytes(entries)));
    if (!SetHandleSize(reinterpret_cast<Handle>(ct), TableBytes(entries)) || CurrentMemErr() != noErr)
        return nullptr;
    return ct;
}

void SetEntry(ColorTable &t, int i, uint16_t r, uint16_t g, uint16_t b)
{
    t.ctTable[i].value = static_cast<int16_t>(i);
    t.ctTable[i].rgb = RGBColor{r, g, b};
}

bool IsWhite(const RGBColor &c) { return c.red == 0xFFFF && c.green == 0xFFFF && c.blue == 0xFFFF; }
bool IsBlack(const RGBColor &c) { return c.red == 0 && c.green == 0 && c.blue == 0; }

// The Macintosh order: white first, black last. Only then do black and white have fixed places.
bool MacintoshOrder(const ColorTable &t, int32_t entries)
{
    return entries >= 2 && IsWhite(t.ctTable[0].rgb) && IsBlack(t.ctTable[entries - 1].rgb);
}

int16_t CurrentDeviceID()
{
    GDHandle device = LowMem<GDHandle>(lmTheGDevice);
    return HandleHasData(device) ? (*device)->gdID : 0;
}

// A device table's entry reserved for the current device is never chosen by colour matching.
bool IsReservedEntry(const ColorTable &t, int i, int16_t deviceID)
{
    if (!(t.ctFlags & kDeviceTableFlag))
        return false;
    uint16_t value = static_cast<uint16_t>(t.ctTable[i].value);
    return (value & kReservedEntry) && (value & 0xFF) == (static_cast<uint16_t>(deviceID) & 0xFF);
}

// The 5-bit cube coordinate of a 16-bit component.
int CubeCoordinate(uint16_t c)
{
    int v = (c >> 8) + 4;
    if (v > 255)
        v = 255;
    return (v & 0xF8) >> 3;
}

int CubeCell(const RGBColor &c)
{
    return CubeCoordinate(c.red) * 1024 + CubeCoordinate(c.green) * 32 + CubeCoordinate(c.blue);
}

// ---- The two-colour cube ----

// Computed once and kept packed: cell (r, g, b) is 1 (black) when 30r + 59g + 11b < 1550.
Handle sTwoColorCube;

void ComputeTwoColorCube(uint8_t *cube)
{
    static int16_t redWeight[32], greenWeight[32], blueWeight[32];
    if (!greenWeight[1])
        for (int i = 0; i < 32; ++i) {
            redWeight[i] = static_cast<int16_t>(30 * i);
            greenWeight[i] = static_cast<int16_t>(59 * i);
            blueWeight[i] = static_cast<int16_t>(11 * i);
        }
    for (int r = 0; r < 32; ++r)
        for (int g = 0; g < 32; ++g)
            for (int b = 0; b < 32; ++b)
                cube[r * 1024 + g * 32 + b] = redWeight[r] + greenWeight[g] + blueWeight[b] < 0x60E ? 1 : 0;
}

// Fills `cube` with the two-colour cube, from the packed copy when there is one. PackBits codes
// 32767 bytes at a time, so the last byte is stored after the packed ones.
void BuildTwoColorITable(uint8_t *cube)
{
    if (HandleHasData(sTwoColorCube)) {
        const uint8_t *src = reinterpret_cast<const uint8_t *>(*sTwoColorCube);
        uint8_t *dst = cube;
        UnpackBitsCore(&src, &dst, kCubeCells - 1);
        *dst = *src;
        return;
    }
    ComputeTwoColorCube(cube);
    // Room for the worst case: a cube that does not compress cannot overrun the handle.
    Handle packed = NewHandle(PackBitsWorstCase(kCubeCells - 1) + 1);
    if (!HandleHasData(packed))
        return;
    const uint8_t *src = cube;
    uint8_t *start = reinterpret_cast<uint8_t *>(*packed);
    uint8_t *dst = start;
    PackBitsCore(&src, &dst, kCubeCells - 1);
    *dst++ = *src;
    SetHandleSize(packed, static_cast<Size>(dst - start));
    sTwoColorCube = packed;
}

// ---- The growth build ----

#pragma pack(push, 2)
// One colour's growing box: a flag and a coordinate per face (red min, red max, green min, green max,
// blue min, blue max).
struct GrowthFace {
    int16_t active;
    int16_t at;
};
struct GrowthRecord {
    int16_t index;
    int16_t active;
    GrowthFace face[6];
    uint8_t pad[14];
};
struct GrowthCell {
    uint8_t claimed;
    uint8_t index;
};
#pragma pack(pop)
static_assert(sizeof(GrowthRecord) == 42, "a growth record is 42 bytes");
static_assert(sizeof(GrowthCell) == 2, "a growth cell is two bytes");

int CellAt(const int (&c)[3]) { return c[0] * 1024 + c[1] * 32 + c[2]; }

// Claims every free cell of the slab that face `f` of `rec` spans; true when any was claimed.
bool ClaimSlab(GrowthCell *cells, GrowthRecord &rec, int f)
{
    int dim = f / 2;
    int a = (dim + 1) % 3, b = (dim + 2) % 3;
    int c[3];
    c[dim] = rec.face[f].at;
    bool any = false;
    for (c[a] = rec.face[2 * a].at; c[a] <= rec.face[2 * a + 1].at; ++c[a])
        for (c[b] = rec.face[2 * b].at; c[b] <= rec.face[2 * b + 1].at; ++c[b]) {
            GrowthCell &cell = cells[CellAt(c)];
            if (!cell.claimed) {
                cell.claimed = 255;
                cell.index = static_cast<uint8_t>(rec.index);
                any = true;
            }
        }
    return any;
}

// Grows a box around each colour's cell, one slab per face and pass, until the cube is claimed. False
// when the working memory cannot be had.
bool GrowInverseTable(const ColorTable &t, int32_t entries, uint8_t *cube)
{
    if (entries > 256)
        entries = 256;
    bool limits = SetMemoryLimitSwitch(false);
    Ptr recordMemory = NewPtrClear(static_cast<Size>(sizeof(GrowthRecord)) * entries);
    Ptr cellMemory = NewPtrClear(static_cast<Size>(sizeof(GrowthCell)) * kCubeCells);
    SetMemoryLimitSwitch(limits);
    if (!recordMemory || !cellMemory) {
        if (recordMemory)
            DisposePtr(recordMemory);
        if (cellMemory)
            DisposePtr(cellMemory);
        return false;
    }
    auto *records = reinterpret_cast<GrowthRecord *>(recordMemory);
    auto *cells = reinterpret_cast<GrowthCell *>(cellMemory);
    const int16_t deviceID = CurrentDeviceID();

    // Seeding: the last entry, entry 0, then the middle ones. Records run entry 0, middle, last.
    auto seed = [&](int entry, GrowthRecord &rec) {
        rec.index = static_cast<int16_t>(entry);
        rec.active = 0;
        if (IsReservedEntry(t, entry, deviceID))
            return;
        const RGBColor &rgb = t.ctTable[entry].rgb;
        int c[3] = {CubeCoordinate(rgb.red), CubeCoordinate(rgb.green), CubeCoordinate(rgb.blue)};
        GrowthCell &cell = cells[CellAt(c)];
        if (cell.claimed)
            return;
        cell.claimed = 255;
        cell.index = static_cast<uint8_t>(entry);
        rec.active = 1;
        for (int f = 0; f < 6; ++f)
            rec.face[f] = GrowthFace{1, static_cast<int16_t>(c[f / 2])};
    };
    const int last = entries - 1;
    seed(last, records[last]);
    if (last > 0)
        seed(0, records[0]);
    for (int i = 1; i < last; ++i)
        seed(i, records[i]);

    for (bool grew = true; grew;) {
        grew = false;
        for (int i = 0; i < entries; ++i) {
            GrowthRecord &rec = records[i];
            if (!rec.active)
                continue;
            for (int f = 0; f < 6; ++f) {
                GrowthFace &face = rec.face[f];
                if (!face.active)
                    continue;
                bool atEdge = (f & 1) ? face.at == 31 : face.at == 0;
                if (atEdge)
                    face.active = 0;
                else
                    face.at = static_cast<int16_t>(face.at + ((f & 1) ? 1 : -1));
            }
            bool claimed = false;
            for (int f = 0; f < 6; ++f) {
                if (!rec.face[f].active)
                    continue;
                if (ClaimSlab(cells, rec, f))
                    claimed = true;
                else
                    rec.face[f].active = 0;
            }
            if (claimed)
                grew = true;
            else
                rec.active = 0;
        }
    }
    for (int i = 0; i < kCubeCells; ++i)
        cube[i] = cells[i].index;
    DisposePtr(cellMemory);
    DisposePtr(recordMemory);
    return true;
}

} // namespace

// ---- Standard tables ----

CTabHandle MakeStdCTable(CTabHandle ct, int16_t entries, bool gray)
{
    CTabHandle table = SizedTable(ct, entries);
    if (!table)
        return ct;
    ColorTable &t = **table;
    t.ctFlags = 0;
    t.ctSize = static_cast<int16_t>(entries - 1);
    if (entries == 2) {
        t.ctSeed = 1;
        SetEntry(t, 0, 0xFFFF, 0xFFFF, 0xFFFF);
        SetEntry(t, 1, 0, 0, 0);
    } else if (entries == 16 && gray) {
        t.ctSeed = 36;
        for (int i = 0; i < 16; ++i) {
            uint16_t level = static_cast<uint16_t>(65535 - 4369 * i);
            SetEntry(t, i, level, level, level);
        }
    } else if (entries == 16) {
        t.ctSeed = 4;
        for (int i = 0; i < 16; ++i) {
            uint32_t c = kStdColors16[i];
            SetEntry(t, i, static_cast<uint16_t>(((c >> 16) & 0xFF) * 257), static_cast<uint16_t>(((c >> 8) & 0xFF) * 257),
                     static_cast<uint16_t>((c & 0xFF) * 257));
        }
    } else if (gray) {
        t.ctSeed = 40;
        for (int i = 0; i < entries; ++i) {
            uint16_t level = static_cast<uint16_t>(65535 - 257 * i);
            SetEntry(t, i, level, level, level);
        }
    } else {
        // The 6 x 6 x 6 cube from white down, blue fastest; from entry 215 (the cube's black) the red,
        // green, blue and gray ramps; black last.
        t.ctSeed = 8;
        for (int i = 0; i < 215; ++i)
            SetEntry(t, i, static_cast<uint16_t>((5 - i / 36) * 0x3333), static_cast<uint16_t>((5 - i / 6 % 6) * 0x3333),
                     static_cast<uint16_t>((5 - i % 6) * 0x3333));
        for (int k = 0; k < 10; ++k) {
            uint16_t level = static_cast<uint16_t>(kRampLevels[k] * 0x1111);
            SetEntry(t, 215 + k, level, 0, 0);
            SetEntry(t, 225 + k, 0, level, 0);
            SetEntry(t, 235 + k, 0, 0, level);
            SetEntry(t, 245 + k, level, level, level);
        }
        SetEntry(t, 255, 0, 0, 0);
    }
    return table;
}

CTabHandle LogPaletteToCTable(CTabHandle ct, const LOGPALETTE *palette, bool deviceTable)
{
    if (!palette)
        return ct;
    int32_t entries = palette->palNumEntries;
    CTabHandle table = SizedTable(ct, entries);
    if (!table)
        return ct;
    ColorTable &t = **table;
    t.ctSeed = 0;
    t.ctFlags = deviceTable ? kDeviceTableFlag : 0;
    t.ctSize = static_cast<int16_t>(entries - 1);
    for (int i = 0; i < entries; ++i) {
        const PALETTEENTRY &e = palette->palPalEntry[i];
        SetEntry(t, i, static_cast<uint16_t>(e.peRed * 257), static_cast<uint16_t>(e.peGreen * 257),
                 static_cast<uint16_t>(e.peBlue * 257));
    }
    return table;
}

ZEL_EXTERN_C CTabHandle ZEL_CALL GetCTable(int16_t id)
{
    Handle found = nullptr;
    if (id == -8)
        found = reinterpret_cast<Handle>(CachedScreenCTable());
    if (!HandleHasData(found)) {
        found = GetResource(kClutType, id);
        // A 'clut' shorter than the entries it claims is not a colour table.
        if (HandleHasData(found)) {
            const ColorTable *t = reinterpret_cast<const ColorTable *>(*found);
            int32_t size = GetHandleSize(found);
            if (size < 8 || t->ctSize < -1 || size < TableBytes(t->ctSize + 1))
                found = nullptr;
        }
    }
    if (HandleHasData(found)) {
        Handle copy = found;
        if (HandToHand(&copy) != noErr || !HandleHasData(copy))
            return nullptr;
        reinterpret_cast<ColorTable *>(*copy)->ctSeed = static_cast<uint32_t>(static_cast<int32_t>(id));
        return reinterpret_cast<CTabHandle>(copy);
    }
    switch (id) {
    case 1:
        return MakeStdCTable(nullptr, 2, false);
    case 4:
        return MakeStdCTable(nullptr, 16, false);
    case 8:
        return MakeStdCTable(nullptr, 256, false);
    case 36:
        return MakeStdCTable(nullptr, 16, true);
    case 40:
        return MakeStdCTable(nullptr, 256, true);
    default:
        return nullptr;
    }
}

ZEL_EXTERN_C void ZEL_CALL DisposeCTable(CTabHandle ct)
{
    if (ct)
        DisposeHandle(reinterpret_cast<Handle>(ct));
}

// ---- Colour matching ----

void IndexToColorInTable(CTabHandle ct, int32_t index, RGBColor *rgb)
{
    if (!rgb)
        return;
    if (index < 0 || index >= HeldEntries(ct)) {
        *rgb = RGBColor{0, 0, 0};
        return;
    }
    *rgb = (*ct)->ctTable[index].rgb;
}

int32_t ClosestColorIndex(CTabHandle ct, const RGBColor *rgb)
{
    int32_t entries = HeldEntries(ct);
    if (!rgb || entries == 0)
        return 0;
    const ColorTable &t = **ct;

    // A current inverse table answers in one read.
    GDHandle device = LowMem<GDHandle>(lmTheGDevice);
    if (LibrarySetting(settingNoInverseTable) == 0 && HandleHasData(device) && HandleHasData((*device)->gdITable)) {
        Handle h = (*device)->gdITable;
        const ITab &itab = *reinterpret_cast<const ITab *>(*h);
        int32_t size = GetHandleSize(h);
        if (size >= 6 && itab.iTabSeed == t.ctSeed) {
            int32_t cell = -1;
            switch (itab.iTabRes) {
            case 3:
                cell = ((rgb->red >> 7) & 0x1C0) | ((rgb->green >> 10) & 0x38) | (rgb->blue >> 13);
                break;
            case 4:
                cell = ((rgb->red >> 4) & 0xF00) | ((rgb->green >> 8) & 0xF0) | (rgb->blue >> 12);
                break;
            case 5:
                cell = CubeCell(*rgb);
                break;
            default:
                break;
            }
            // A cell beyond what the handle holds falls through to the search.
            if (cell >= 0 && 6 + cell < size)
                return itab.iTTable[cell];
        }
    }

    if (IsBlack(*rgb) && MacintoshOrder(t, entries))
        return t.ctSize;

    const int16_t deviceID = CurrentDeviceID();
    int32_t best = 0;
    int32_t bound = 0x30000;
    for (int32_t i = 0; i < entries; ++i) {
        if (IsReservedEntry(t, i, deviceID))
            continue;
        const RGBColor &c = t.ctTable[i].rgb;
        int32_t d = (c.red > rgb->red ? c.red - rgb->red : rgb->red - c.red) +
                    (c.green > rgb->green ? c.green - rgb->green : rgb->green - c.green) +
                    (c.blue > rgb->blue ? c.blue - rgb->blue : rgb->blue - c.blue);
        if (d < bound) {
            bound = d;
            best = i;
            if (d == 0)
                break;
        }
    }
    return best;
}

static CTabHandle DeviceColorTable()
{
    GDHandle device = LowMem<GDHandle>(lmTheGDevice);
    if (!HandleHasData(device) || !HandleHasData((*device)->gdPMap))
        return nullptr;
    return (*(*device)->gdPMap)->pmTable;
}

ZEL_EXTERN_C int32_t ZEL_CALL Color2Index(const RGBColor *rgb) { return ClosestColorIndex(DeviceColorTable(), rgb); }

ZEL_EXTERN_C void ZEL_CALL Index2Color(int32_t index, RGBColor *rgb) { IndexToColorInTable(DeviceColorTable(), index, rgb); }

// A fresh colour-table seed for each caller: a counter from 0x00010101.
namespace {
uint32_t sSeedCounter = 0x00010101;
}

ZEL_EXTERN_C int32_t ZEL_CALL GetCTSeed(void) { return static_cast<int32_t>(sSeedCounter++); }

// ---- Inverse tables ----

ZEL_EXTERN_C void ZEL_CALL MakeITable(CTabHandle ct, ITabHandle iTab, int16_t)
{
    GDHandle device = LowMem<GDHandle>(lmTheGDevice);
    if (!iTab && HandleHasData(device))
        iTab = reinterpret_cast<ITabHandle>((*device)->gdITable);
    if (!ct)
        ct = DeviceColorTable();
    if (!HandleHasData(iTab) || !HandleHasData(ct))
        return;
    Handle h = reinterpret_cast<Handle>(iTab);
    if (GetHandleSize(h) >= kITabBytes && (*iTab)->iTabSeed == (*ct)->ctSeed && (*iTab)->iTabRes == kITabResolution)
        return;
    if (!SetHandleSize(h, kITabBytes) || GetHandleSize(h) != kITabBytes)
        return;
    (*iTab)->iTabSeed = kITabBuilding;
    (*iTab)->iTabRes = kITabResolution;

    const ColorTable &t = **ct;
    int32_t entries = HeldEntries(ct);
    if (entries == 0)
        return;
    uint8_t *cube = (*iTab)->iTTable;
    bool built = true;
    bool macOrder = MacintoshOrder(t, entries);
    bool blackFirst = entries == 2 && IsBlack(t.ctTable[0].rgb) && IsWhite(t.ctTable[1].rgb);
    if (entries == 2 && (macOrder || blackFirst)) {
        BuildTwoColorITable(cube);
        if (blackFirst)
            for (int i = 0; i < kCubeCells; ++i)
                cube[i] ^= 1;
    } else {
        built = GrowInverseTable(t, entries, cube);
        if (built && macOrder) {
            cube[0] = static_cast<uint8_t>(t.ctSize);
            cube[kCubeCells - 1] = 0;
        }
    }
    if (built)
        (*iTab)->iTabSeed = t.ctSeed;
}

// Cursors: a cursor record converted to a Windows cursor whose planes (read back with GetDIBits) equal
// a pixel-by-pixel conversion computed here; registration in the cursor table, the slot marker, slot
// release and reuse; the standard records; and HideCursor/ShowCursor/ObscureCursor against a model of
// the Macintosh cursor level.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "ByteOrder.h"
#include "LowMem.h"
#include "MacMemory.h"
#include "Quickdraw.h"
#include "Resources.h"
#include "qd_fixture.h"
#include "test_seams.h"
#include "test_support.h"

using namespace testing_support;

namespace {

// The cursor table and the standard records are made by InitResources, which this program's session
// has not run otherwise.
class Cursors : public QuickDrawTest {
protected:
    static void SetUpTestSuite()
    {
        QuickDrawTest::SetUpTestSuite();
        static bool resources = InitResources() == 0;
        (void)resources;
    }
};

// A cursor whose rows differ: data and mask made from the row and column so every combination of the
// two bits appears.
Cursor TestCursor(int16_t hotV, int16_t hotH)
{
    Cursor c{};
    for (int row = 0; row < 16; ++row) {
        const uint16_t data = static_cast<uint16_t>(0x8001 | (0x1234 * (row + 1))), mask = static_cast<uint16_t>(0xF0F0 >> (row % 8));
        reinterpret_cast<uint8_t *>(c.data)[2 * row] = static_cast<uint8_t>(data >> 8);
        reinterpret_cast<uint8_t *>(c.data)[2 * row + 1] = static_cast<uint8_t>(data);
        reinterpret_cast<uint8_t *>(c.mask)[2 * row] = static_cast<uint8_t>(mask >> 8);
        reinterpret_cast<uint8_t *>(c.mask)[2 * row + 1] = static_cast<uint8_t>(mask);
    }
    c.hotSpot = Point{hotV, hotH};
    return c;
}

bool Bit(const void *rows, int x, int y)
{
    const auto *b = static_cast<const uint8_t *>(rows);
    return (b[2 * y + x / 8] >> (7 - x % 8)) & 1;
}

// The AND and XOR planes of a Windows cursor (32 x 32 each), as rows of '0'/'1'.
struct Planes {
    std::vector<std::string> andPlane, xorPlane;
    int hotX, hotY;
};

Planes ReadPlanes(HCURSOR cursor)
{
    Planes p{};
    ICONINFO info{};
    if (!GetIconInfo(cursor, &info))
        return p;
    p.hotX = static_cast<int>(info.xHotspot);
    p.hotY = static_cast<int>(info.yHotspot);
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colours[2];
    } bmi{};
    bmi.header.biSize = sizeof(bmi.header);
    bmi.header.biWidth = 32;
    bmi.header.biHeight = -64; // top-down: AND plane above the XOR plane
    bmi.header.biPlanes = 1;
    bmi.header.biBitCount = 1;
    uint8_t bits[64 * 4] = {};
    HDC dc = GetDC(nullptr);
    const int lines = GetDIBits(dc, info.hbmMask, 0, 64, bits, reinterpret_cast<BITMAPINFO *>(&bmi), DIB_RGB_COLORS);
    ReleaseDC(nullptr, dc);
    if (info.hbmMask)
        DeleteObject(info.hbmMask);
    if (info.hbmColor)
        DeleteObject(info.hbmColor);
    if (lines != 64)
        return p;
    // A set bit reads as palette entry 1; the palette's first entry is black for a mask bitmap.
    const bool inverted = bmi.colours[0].rgbRed != 0;
    for (int y = 0; y < 64; ++y) {
        std::string row;
        for (int x = 0; x < 32; ++x)
            row += (((bits[4 * y + x / 8] >> (7 - x % 8)) & 1) != inverted) ? '1' : '0';
        (y < 32 ? p.andPlane : p.xorPlane).push_back(row);
    }
    return p;
}

// The planes a cursor must have: inside its 16 x 16 pixels (each doubled for large pointers), the AND
// bit is the mask's complement and the XOR bit data XOR mask; outside, transparent.
Planes ExpectedPlanes(const Cursor &c, int hotV, int hotH, int scale = 1)
{
    Planes p{std::vector<std::string>(32, std::string(32, '1')), std::vector<std::string>(32, std::string(32, '0')),
             hotH * scale, hotV * scale};
    for (int y = 0; y < 16 * scale; ++y)
        for (int x = 0; x < 16 * scale; ++x) {
            p.andPlane[y][x] = Bit(c.mask, x / scale, y / scale) ? '0' : '1';
            p.xorPlane[y][x] = Bit(c.data, x / scale, y / scale) != Bit(c.mask, x / scale, y / scale) ? '1' : '0';
        }
    return p;
}

void ExpectSamePlanes(const Planes &actual, const Planes &expected, const char *what)
{
    ASSERT_EQ(actual.andPlane.size(), 32u) << what << ": the mask bitmap could not be read";
    for (int y = 0; y < 32; ++y) {
        EXPECT_EQ(actual.andPlane[y], expected.andPlane[y]) << what << ": AND row " << y;
        EXPECT_EQ(actual.xorPlane[y], expected.xorPlane[y]) << what << ": XOR row " << y;
    }
    EXPECT_EQ(actual.hotX, expected.hotX) << what;
    EXPECT_EQ(actual.hotY, expected.hotY) << what;
}

uint16_t U(int16_t v) { return static_cast<uint16_t>(v); }

} // namespace

// An unregistered conversion: the planes and the hot spot as given; the record is left as it was.
TEST_F(Cursors, ConversionMatchesThePixelRule)
{
    Cursor c = TestCursor(3, 5);
    const Cursor before = c;
    HCURSOR cursor = ZEL_VelcastCursor(1, 0, &c, 1, 0);
    ASSERT_NE(cursor, nullptr);
    ExpectSamePlanes(ReadPlanes(cursor), ExpectedPlanes(c, 3, 5), "unregistered");
    EXPECT_EQ(std::memcmp(&c, &before, sizeof(c)), 0);
    DestroyCursor(cursor);
}

// With large pointers asked for in MOUSE.INI (read when the resources start), every pixel is doubled
// both ways and so is the hot spot; a registered record keeps the doubled hot spot, and going back to
// its stored form halves it again.
TEST_F(Cursors, LargePointersDoubleEveryPixel)
{
    char folder[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, folder);
    std::string dir = std::string(folder) + "tolvadex_mouse";
    CreateDirectoryA(dir.c_str(), nullptr);
    const std::string ini = dir + "\\MOUSE.INI";
    ASSERT_TRUE(WritePrivateProfileStringA("WindowsPointer", "PointerSize", "large", ini.c_str()));
    SetEnvironmentVariableA("MOUSE", dir.c_str());
    InitResources();

    Cursor c = TestCursor(3, 5);
    HCURSOR cursor = ZEL_VelcastCursor(1, 0, &c, 1, 0);
    ASSERT_NE(cursor, nullptr);
    ExpectSamePlanes(ReadPlanes(cursor), ExpectedPlanes(c, 3, 5, 2), "large");
    EXPECT_TRUE(c.hotSpot.v == 3 && c.hotSpot.h == 5) << "an unregistered record is left as given";
    DestroyCursor(cursor);

    Cursor r = TestCursor(0x0300, 0x0500); // Macintosh byte order
    ASSERT_NE(ZEL_VelcastCursor(1, 0, &r, 1, 1), nullptr);
    EXPECT_EQ(U(r.hotSpot.v), 0xFF06);
    EXPECT_EQ(U(r.hotSpot.h) & 0xFF, 10);
    ZEL_VelcastCursor(1, 0, &r, 0, 1);
    EXPECT_EQ(U(r.hotSpot.v), 0x0300);
    EXPECT_EQ(U(r.hotSpot.h), 0x0500);

    SetEnvironmentVariableA("MOUSE", nullptr);
    DeleteFileA(ini.c_str());
    RemoveDirectoryA(dir.c_str());
    InitResources();
    Cursor small = TestCursor(3, 5);
    cursor = ZEL_VelcastCursor(1, 0, &small, 1, 0);
    ExpectSamePlanes(ReadPlanes(cursor), ExpectedPlanes(small, 3, 5), "small again");
    DestroyCursor(cursor);
}

// Registration: a record from a resource (hot spot in Macintosh order) gets the first free slot from 5,
// marked in its hot spot (v's high byte 0xFF, h's high byte the slot, the low bytes kept); releasing
// frees the slot, and the next registration takes it again. A slot byte outside the table is no marker.
TEST_F(Cursors, SlotsRegisterReleaseAndAreReused)
{
    std::vector<Cursor> records;
    for (int i = 0; i < 3; ++i) {
        Cursor c = TestCursor(static_cast<int16_t>(2 + i), static_cast<int16_t>(0x0100 * (i + 1) + 7));
        ZEL_ByteSwapWORD(&c.hotSpot.v);
        ZEL_ByteSwapWORD(&c.hotSpot.h);
        records.push_back(c);
    }
    std::set<int> slots;
    std::vector<HCURSOR> cursors;
    for (int i = 0; i < 3; ++i) {
        HCURSOR cursor = ZEL_VelcastCursor(1, 0, &records[i], 1, 1);
        ASSERT_NE(cursor, nullptr);
        cursors.push_back(cursor);
        const Point hot = records[i].hotSpot;
        EXPECT_EQ(U(hot.v), 0xFF00 | (2 + i)) << i;
        EXPECT_EQ(U(hot.h) & 0xFF, 7) << i << ": registration keeps h's low byte only";
        const int slot = U(hot.h) >> 8;
        EXPECT_GE(slot, 5);
        EXPECT_LT(slot, 140);
        slots.insert(slot);
        EXPECT_EQ(ReadPlanes(cursor).hotY, 2 + i) << i;
    }
    EXPECT_EQ(slots.size(), 3u);

    // Released: the slot is free for the next record; its Windows cursor is destroyed.
    const int freed = U(records[1].hotSpot.h) >> 8;
    ZEL_VelcastCursor(0, 0, &records[1], 1, 0);
    ICONINFO info{};
    EXPECT_FALSE(GetIconInfo(cursors[1], &info));
    Cursor again = TestCursor(4, 9);
    ZEL_ByteSwapWORD(&again.hotSpot.v);
    ZEL_ByteSwapWORD(&again.hotSpot.h);
    ASSERT_NE(ZEL_VelcastCursor(1, 0, &again, 1, 1), nullptr);
    EXPECT_EQ(U(again.hotSpot.h) >> 8, freed);

    // Back to the stored form: marker and slot gone, Macintosh byte order again.
    Cursor stored = again;
    ZEL_VelcastCursor(1, 0, &stored, 0, 1);
    EXPECT_EQ(U(stored.hotSpot.v), 0x0400);
    EXPECT_EQ(U(stored.hotSpot.h), 0x0900);

    // A marker whose slot lies outside the table is not registered: releasing it frees nothing and
    // registering it takes a real slot.
    Cursor stray = TestCursor(0, 0);
    stray.hotSpot = Point{static_cast<int16_t>(0xFF01), static_cast<int16_t>(0xC802)};
    ZEL_VelcastCursor(0, 0, &stray, 1, 0);
    Cursor probe = TestCursor(1, 1);
    ZEL_ByteSwapWORD(&probe.hotSpot.v);
    ZEL_ByteSwapWORD(&probe.hotSpot.h);
    ASSERT_NE(ZEL_VelcastCursor(1, 0, &probe, 1, 1), nullptr);
    EXPECT_EQ(slots.count(U(probe.hotSpot.h) >> 8), 0u) << "the table's live slots were not touched";

    for (Cursor *c : {&records[0], &records[2], &again, &probe})
        ZEL_VelcastCursor(0, 0, c, 1, 0);
}

// GetCursor's ids 0..4 are the standard records, each marked with its own slot.
TEST_F(Cursors, StandardRecordsCarryTheirSlots)
{
    for (int16_t id = 0; id < 5; ++id) {
        CursHandle h = GetCurso(id);
        ASSERT_NE(h, nullptr) << id;
        EXPECT_EQ(U((*h)->hotSpot.v), 0xFFFF) << id;
        EXPECT_EQ(U((*h)->hotSpot.h), id * 256 + 0xFF) << id;
        // Releasing a standard record frees nothing.
        ZEL_VelcastCursor(0, 0, *h, 1, 0);
        EXPECT_EQ(GetCurso(id), h);
    }
}

// SetCursor of a record in a handle shorter than a Cursor (the data of a damaged 'CURS') reads nothing
// and changes nothing; the same bytes in a whole record are taken.
TEST_F(Cursors, ARecordInAShortHandleLeavesTheCursorAlone)
{
    SetCurso(*GetCurso(watchCursor));
    const HCURSOR watch = LastAppliedCursor();
    ASSERT_NE(watch, nullptr);
    const Cursor made = TestCursor(3, 4);
    Handle cut = NewHandle(40);
    std::memcpy(*cut, &made, 40);
    LMSetMemErr(-1);
    SetCurso(reinterpret_cast<const Cursor *>(*cut));
    EXPECT_EQ(LastAppliedCursor(), watch);
    EXPECT_EQ(MemError(), -1) << "MemErr stays the caller's";
    Handle whole = NewHandle(sizeof(Cursor));
    std::memcpy(*whole, &made, sizeof made);
    SetCurso(reinterpret_cast<const Cursor *>(*whole));
    EXPECT_NE(LastAppliedCursor(), watch);
    InitCursor();
    DisposeHandle(cut);
    DisposeHandle(whole);
}

// A colour cursor loaded from a resource holds offsets, not handles: DisposeCCursor leaves them and
// disposes only real handles and the record.
TEST_F(Cursors, DisposeCCursorSkipsOffsets)
{
    Handle record = NewHandleClear(sizeof(CCrsr));
    Handle data = NewHandle(16);
    ASSERT_TRUE(record && data);
    auto *c = reinterpret_cast<CCrsr *>(*record);
    c->crsrMap = reinterpret_cast<PixMapHandle>(uintptr_t(96));
    c->crsrData = reinterpret_cast<Handle>(uintptr_t(146));
    c->crsrXData = data;
    DisposeCCursor(reinterpret_cast<CCrsrHandle>(record)); // would fault on the offsets
    SUCCEED();
}

namespace {

// Whether Windows shows the cursor: its display count is not negative. The count is probed with a
// balanced pair of ShowCursor calls, since Wine's GetCursorInfo reports the cursor showing whatever
// the count.
bool CursorShowing()
{
    const int count = ShowCursor(TRUE) - 1;
    ShowCursor(FALSE);
    CURSORINFO info{};
    info.cbSize = sizeof(info);
    const bool flagged = GetCursorInfo(&info) && (info.flags & CURSOR_SHOWING);
    return count >= 0 && flagged;
}

} // namespace

// Hide, show and obscure sequences against the Macintosh model: HideCursor lowers the level, ShowCursor
// raises it up to 0 only, ObscureCursor hides once until the next ShowCursor; the cursor shows at
// level 0 when not obscured.
TEST_F(Cursors, VisibilityFollowsTheCursorLevel)
{
    HWND main = HostMainWindow();
    ASSERT_NE(main, nullptr);
    RECT r{};
    GetWindowRect(main, &r);
    POINT saved{};
    GetCursorPos(&saved);
    SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    POINT now{};
    GetCursorPos(&now);
    const bool mouseInside = now.x >= r.left && now.x < r.right && now.y >= r.top && now.y < r.bottom;
    ASSERT_TRUE(CursorShowing()) << "the cursor is hidden before the test";

    const char *sequences[] = {"HS", "HHSS", "SH", "SSSH", "HSS", "OO", "OS", "HOS", "OHS", "OHSS", "SOH", "HHOSSS"};
    for (const char *sequence : sequences) {
        int level = 0;
        bool obscured = false;
        for (const char *step = sequence; *step; ++step) {
            switch (*step) {
            case 'H':
                HideCursor();
                --level;
                break;
            case 'S':
                ShowCurso();
                obscured = false;
                if (level < 0)
                    ++level;
                break;
            case 'O':
                ObscureCursor();
                obscured = obscured || mouseInside;
                break;
            }
            EXPECT_EQ(CursorShowing(), level == 0 && !obscured)
                << sequence << " after step " << (step - sequence) << " ('" << *step << "')";
        }
        // Back to level 0 and unobscured for the next sequence.
        for (int i = 0; i < 8; ++i)
            ShowCurso();
        ASSERT_TRUE(CursorShowing()) << sequence << " left the cursor hidden";
    }
    SetCursorPos(saved.x, saved.y);
}

namespace {

constexpr ResType kCURS = 0x43555253, kCrsr = 0x63727372;

// The bytes of a resource as the file holds them.
Handle BytesHandle(const std::vector<uint8_t> &bytes)
{
    Handle h = NewHandle(static_cast<Size>(bytes.size()));
    if (h && !bytes.empty())
        std::memcpy(*h, bytes.data(), bytes.size());
    return h;
}

void PutBig32(std::vector<uint8_t> &b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<uint8_t>(v >> (24 - 8 * i));
}

// A 'crsr' as a resource file holds it: type 0x8001, the pixel map and pixel data as offsets (big-endian)
// and the one-bit image of TestCursor with a hot spot of (3, 5).
std::vector<uint8_t> ColourCursorBytes(uint32_t mapOffset, uint32_t dataOffset)
{
    std::vector<uint8_t> b(sizeof(CCrsr), 0);
    b[0] = 0x80;
    b[1] = 0x01;
    PutBig32(b, offsetof(CCrsr, crsrMap), mapOffset);
    PutBig32(b, offsetof(CCrsr, crsrData), dataOffset);
    const Cursor c = TestCursor(0, 0);
    std::memcpy(&b[offsetof(CCrsr, crsr1Data)], c.data, 32);
    std::memcpy(&b[offsetof(CCrsr, crsrMask)], c.mask, 32);
    b[offsetof(CCrsr, crsrHotSpot) + 1] = 3;
    b[offsetof(CCrsr, crsrHotSpot) + 3] = 5;
    return b;
}

std::vector<uint8_t> Cut(std::vector<uint8_t> bytes, size_t n)
{
    bytes.resize(n);
    return bytes;
}

// A resource file of cursors written by the Resource Manager and opened again, so every cursor comes
// from the fork as a program's would.
class CursorResources : public Cursors {
protected:
    void Write(const std::vector<std::pair<std::pair<ResType, int16_t>, std::vector<uint8_t>>> &resources)
    {
        const auto name = P("cursors_test.rsr");
        DeleteFileA("cursors_test.rsr");
        CreateResFile(name.c_str());
        int16_t ref = OpenResFile(name.c_str());
        ASSERT_GT(ref, 0);
        UseResFile(ref);
        for (const auto &r : resources)
            AddResource(BytesHandle(r.second), r.first.first, r.first.second, P("").c_str());
        CloseResFile(ref);
        ref_ = OpenResFile(name.c_str());
        ASSERT_GT(ref_, 0);
        UseResFile(ref_);
    }
    void TearDown() override
    {
        GuardHandleData(false);
        if (ref_ > 0)
            CloseResFile(ref_);
        DeleteFileA("cursors_test.rsr");
        Cursors::TearDown();
    }
    int16_t ref_ = 0;
};

} // namespace

// A loaded 'crsr' holds its offsets in the file's byte order (96 reads as 0x60000000 here): disposing
// the cursor GetCCursor gave touches neither them nor the resource, which stays loaded and usable.
TEST_F(CursorResources, DisposeCCursorOfALoadedCursorLeavesTheResource)
{
    Write({{{kCrsr, 128}, ColourCursorBytes(96, 96)}});
    CCrsrHandle c = GetCCursor(128);
    ASSERT_NE(c, nullptr);
    ASSERT_EQ(U((*c)->crsrHotSpot.v) >> 8, 0xFF) << "registered when loaded";
    const std::string before(reinterpret_cast<const char *>(*c), sizeof(CCrsr));
    SetCCursor(c);
    DisposeCCursor(c);
    EXPECT_EQ(GetCCursor(128), c);
    EXPECT_EQ(std::string(reinterpret_cast<const char *>(*c), sizeof(CCrsr)), before);
    SetCCursor(c);
}

// Cursor resources shorter than their record, or whose offsets lie past their end, are no cursors:
// GetCursor and GetCCursor give nil, SetCCursor reads nothing past the handle, and releasing them reads
// no hot spot past the handle. Each handle ends against a no-access page.
TEST_F(CursorResources, ShortCursorResourcesAreNeverReadPastTheirEnd)
{
    Write({{{kCURS, 128}, std::vector<uint8_t>(4, 0xFF)},
           {{kCURS, 129}, std::vector<uint8_t>(67, 0)},
           {{kCrsr, 130}, Cut(ColourCursorBytes(0, 0), 54)},
           {{kCrsr, 131}, ColourCursorBytes(500, 96)},
           {{kCrsr, 132}, ColourCursorBytes(96, 97)},
           {{kCrsr, 133}, Cut(ColourCursorBytes(0, 0), 95)}});
    GuardHandleData(true);
    for (int16_t id : {128, 129})
        EXPECT_EQ(GetCurso(id), nullptr) << id;
    for (int16_t id : {130, 131, 132, 133}) {
        EXPECT_EQ(GetCCursor(id), nullptr) << id;
        SetCCursor(reinterpret_cast<CCrsrHandle>(Get1Resource(kCrsr, id)));
    }
    for (int16_t id : {128, 129})
        ASSERT_NE(Get1Resource(kCURS, id), nullptr);
    CloseResFile(ref_); // releases every loaded cursor resource
    ref_ = 0;
    GuardHandleData(false);
}

// Bytes of a record too short to be a cursor that happen to look like a slot marker: releasing the
// resource leaves the registered cursor of that slot alone.
TEST_F(CursorResources, ReleasingAShortRecordFreesNoSlot)
{
    Cursor registered = TestCursor(0x0200, 0x0400);
    HCURSOR cursor = ZEL_VelcastCursor(1, 0, &registered, 1, 1);
    ASSERT_NE(cursor, nullptr);
    const uint16_t v = U(registered.hotSpot.v), h = U(registered.hotSpot.h);
    ASSERT_EQ(v >> 8, 0xFF);
    // A 'crsr' of 88 bytes whose hot spot words (bytes 84..87) are the registered record's marker.
    std::vector<uint8_t> stray(88, 0);
    std::memcpy(&stray[84], &v, 2);
    std::memcpy(&stray[86], &h, 2);
    Write({{{kCrsr, 128}, stray}});
    Handle loaded = Get1Resource(kCrsr, 128);
    ASSERT_NE(loaded, nullptr);
    ASSERT_EQ(GetHandleSize(loaded), 88);
    ReleaseResource(loaded);
    ICONINFO info{};
    EXPECT_TRUE(GetIconInfo(cursor, &info)) << "the registered cursor still exists";
    if (info.hbmMask)
        DeleteObject(info.hbmMask);
    if (info.hbmColor)
        DeleteObject(info.hbmColor);
    ZEL_VelcastCursor(0, 0, &registered, 1, 0);
}

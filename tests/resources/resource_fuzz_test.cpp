// Mutated resource forks through the calls that turn resources into cursors and menus. A sound fork is
// written by the Resource Manager, then copies of it have bytes flipped, resources cut short or
// stretched over their neighbours, and the file cut or lengthened; each copy is opened, every cursor and
// menu in it is loaded, used and released, and the file is closed. Handle data end against a no-access
// page meanwhile, so a read or write past any loaded resource faults at once and ends the program. The
// seed is fixed: every run sees the same forks.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "MacMemory.h"
#include "Menus.h"
#include "Quickdraw.h"
#include "Resources.h"
#include "fork_layout.h"
#include "test_seams.h"
#include "test_support.h"

namespace {

using fork_layout::Bytes;
using testing_support::P;

constexpr ResType kCURS = 0x43555253, kCrsr = 0x63727372, kMENU = 0x4D454E55, kMBAR = 0x4D424152;
constexpr int kCases = 2000;

// The case running, for the report of a fault.
int sCase = -1;
std::string sMutations;

LONG CALLBACK ReportFault(EXCEPTION_POINTERS *info)
{
    if (info->ExceptionRecord->ExceptionCode == EXCEPTION_ACCESS_VIOLATION && sCase >= 0)
        std::fprintf(stderr, "access violation in fork case %d (%s)\n", sCase, sMutations.c_str());
    return EXCEPTION_CONTINUE_SEARCH;
}

Handle BytesHandle(const void *bytes, size_t n)
{
    Handle h = NewHandle(static_cast<Size>(n));
    if (h && n)
        std::memcpy(*h, bytes, n);
    return h;
}

// A colour cursor with its pixel map and pixel data after the record, offsets in the file's byte order.
Handle ColourCursor()
{
    std::vector<uint8_t> b(96 + 50 + 32, 0);
    b[0] = 0x80;
    b[1] = 0x01;
    b[5] = 96;  // crsrMap
    b[9] = 146; // crsrData
    for (int i = 0; i < 32; ++i) {
        b[20 + i] = static_cast<uint8_t>(0x55 ^ i);
        b[52 + i] = 0xFF;
    }
    b[85] = 4; // hot spot (4, 6)
    b[87] = 6;
    return BytesHandle(b.data(), b.size());
}

Handle PlainCursor()
{
    std::vector<uint8_t> b(68, 0);
    for (int i = 0; i < 32; ++i) {
        b[i] = static_cast<uint8_t>(0x0F << (i % 4));
        b[32 + i] = 0xF0;
    }
    b[65] = 7;
    b[67] = 2;
    return BytesHandle(b.data(), b.size());
}

Handle Menu(int16_t id, const char *title, const char *items)
{
    MenuHandle m = NewMenu(id, P(title).c_str());
    AppendMen(m, P(items).c_str());
    return reinterpret_cast<Handle>(m);
}

Handle Bar(std::vector<int16_t> words) { return BytesHandle(words.data(), 2 * words.size()); }

class MutatedForks : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        static bool resources = InitResources() == 0;
        (void)resources;
        SetResLoad(true);
    }
};

// The sound fork every case starts from, as the Resource Manager writes it.
Bytes SoundFork()
{
    const auto name = P("fuzz_base.rsr");
    DeleteFileA("fuzz_base.rsr");
    CreateResFile(name.c_str());
    int16_t ref = OpenResFile(name.c_str());
    if (ref <= 0)
        return {};
    UseResFile(ref);
    AddResource(PlainCursor(), kCURS, 128, P("").c_str());
    AddResource(ColourCursor(), kCrsr, 128, P("").c_str());
    AddResource(Menu(128, "File", "New/N;Open\xC9/O;(-;Quit/Q"), kMENU, 128, P("").c_str());
    AddResource(Menu(129, "Edit", "Undo/Z;-;Cut/X;Copy/C;Paste/V"), kMENU, 129, P("").c_str());
    AddResource(Bar({2, 128, 129}), kMBAR, 128, P("").c_str());
    CloseResFile(ref);
    Bytes bytes = fork_layout::ReadFileBytes("fuzz_base.rsr");
    DeleteFileA("fuzz_base.rsr");
    return bytes;
}

// One to three changes to a copy of the sound fork, described for the fault report.
Bytes Mutate(const Bytes &sound, const fork_layout::Parsed &layout, std::mt19937 &random, std::string *what)
{
    Bytes fork = sound;
    const int changes = 1 + static_cast<int>(random() % 3);
    for (int i = 0; i < changes && !fork.empty(); ++i) {
        const size_t resource = random() % layout.dataOffsets.size();
        const size_t lengthAt = layout.dataOffset + layout.dataOffsets[resource];
        const uint32_t length = fork_layout::Get32(sound, lengthAt);
        char step[64];
        switch (random() % 6) {
        case 0:
        case 1: { // a byte of one resource's data
            if (!length)
                break;
            const size_t at = lengthAt + 4 + random() % length;
            if (at < fork.size())
                fork[at] ^= static_cast<uint8_t>(1 + random() % 255);
            std::snprintf(step, sizeof step, "flip %u", unsigned(at));
            *what += step;
            break;
        }
        case 2: { // a byte anywhere, the map included
            const size_t at = random() % fork.size();
            fork[at] ^= static_cast<uint8_t>(1 + random() % 255);
            std::snprintf(step, sizeof step, "flip %u", unsigned(at));
            *what += step;
            break;
        }
        case 3: { // a resource cut short
            const uint32_t cut = length ? static_cast<uint32_t>(random() % length) : 0;
            if (lengthAt + 4 <= fork.size())
                fork_layout::Put32(fork, lengthAt, cut);
            std::snprintf(step, sizeof step, "cut %u to %u", unsigned(resource), unsigned(cut));
            *what += step;
            break;
        }
        case 4: { // a resource stretched over what follows it
            const uint32_t longer = length + 1 + static_cast<uint32_t>(random() % 200);
            if (lengthAt + 4 <= fork.size())
                fork_layout::Put32(fork, lengthAt, longer);
            std::snprintf(step, sizeof step, "stretch %u to %u", unsigned(resource), unsigned(longer));
            *what += step;
            break;
        }
        default: { // the file cut or lengthened
            const size_t size = random() % 2 ? random() % fork.size() : fork.size() + random() % 300;
            fork.resize(size, static_cast<uint8_t>(random()));
            std::snprintf(step, sizeof step, "file size %u", unsigned(size));
            *what += step;
            break;
        }
        }
        *what += "; ";
    }
    return fork;
}

bool Overwrite(HANDLE file, const Bytes &bytes)
{
    DWORD written = 0;
    return SetFilePointer(file, 0, nullptr, FILE_BEGIN) == 0 &&
           WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size() && SetEndOfFile(file);
}

// Every cursor and menu of the current file through the calls that convert and use them.
void UseEverything()
{
    if (CursHandle c = GetCurso(128))
        SetCurso(*c);
    CCrsrHandle colour = GetCCursor(128);
    SetCCursor(colour);
    DisposeCCursor(colour);
    SetCCursor(reinterpret_cast<CCrsrHandle>(Get1Resource(kCrsr, 128)));
    for (int16_t id : {128, 129}) {
        MenuHandle m = GetMen(id);
        EnableItem(m, 1);
        DisableItem(m, 2);
        EnableItem(m, 0);
        (void)ZEL_GetItemEnabled(m, 3);
        if (m) {
            Str255 text;
            GetMenuItemText(m, static_cast<int16_t>(1 + CountMItems(m) / 2), text);
        }
    }
    if (Handle bar = GetNewMBar(128))
        DisposeHandle(bar);
}

TEST_F(MutatedForks, LoadUseAndReleaseWithoutAFault)
{
    const Bytes sound = SoundFork();
    const fork_layout::Parsed layout = fork_layout::ParseFork(sound);
    ASSERT_TRUE(layout.ok) << layout.error;
    ASSERT_EQ(layout.dataOffsets.size(), 5u);
    PVOID handler = AddVectoredExceptionHandler(1, ReportFault);
    const auto name = P("fuzz_case.rsr");
    // One handle, sharing the file with the Resource Manager's own, takes every case's bytes.
    HANDLE file = CreateFileA("fuzz_case.rsr", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    std::mt19937 random(20261210);
    int opened = 0;
    for (sCase = 0; sCase < kCases; ++sCase) {
        sMutations.clear();
        const Bytes fork = Mutate(sound, layout, random, &sMutations);
        ASSERT_TRUE(Overwrite(file, fork)) << sCase;
        GuardHandleData(true);
        const int16_t ref = OpenResFile(name.c_str());
        if (ref > 0) {
            ++opened;
            UseResFile(ref);
            UseEverything();
            CloseResFile(ref);
        }
        GuardHandleData(false);
    }
    sCase = -1;
    RemoveVectoredExceptionHandler(handler);
    CloseHandle(file);
    DeleteFileA("fuzz_case.rsr");
    // Most mutations leave the map readable: the cases reached the conversions.
    EXPECT_GT(opened, kCases / 2);
}

} // namespace

// Resource files: the fork layout on disk, the checks at open, the writer, the chain of open files and
// the start-up files.
#include <gtest/gtest.h>
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstring>
#include <functional>

#include "Resources.h"
#include "Zel.h"
#include "LowMem.h"
#include "resource_test.h"
#include "test_support.h"

using namespace fork_layout;
using namespace res_test;
using testing_support::P;

namespace {

constexpr uint32_t kTEXT = FourCC("TEXT");
constexpr uint32_t kPICT = FourCC("PICT");
constexpr uint32_t kSTR = FourCC("STR ");

// A fork with two types, named and unnamed resources and assorted attribute bits.
std::vector<Resource> SampleResources()
{
    return {
        {kTEXT, 128, 0x00, true, "Read Me", {'h', 'e', 'l', 'l', 'o'}},
        {kPICT, -4000, 0x20, false, {}, {1, 2, 3, 4, 5, 6, 7, 8}},
        {kTEXT, 129, 0x18, true, "x", {}},
        {kTEXT, 7, 0x40, false, {}, Bytes(300, 0xAB)},
    };
}

// The chain as the current file and its map handle show it.
struct ChainState {
    int16_t current;
    Handle map;
    bool operator==(const ChainState &o) const { return current == o.current && map == o.map; }
};
ChainState Chain() { return {CurResFile(), LMGetTopMapHndl()}; }

int CountFilesLike(const std::string &pattern)
{
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA(Work(pattern).c_str(), &found);
    if (h == INVALID_HANDLE_VALUE)
        return 0;
    int n = 0;
    do
        ++n;
    while (FindNextFileA(h, &found));
    FindClose(h);
    return n;
}

void ExpectSameResources(const std::vector<Resource> &want, const Parsed &got)
{
    ASSERT_TRUE(got.ok) << got.error;
    ASSERT_EQ(want.size(), got.resources.size());
    // Both lists group resources by type in order of first appearance.
    std::vector<Resource> grouped;
    std::vector<uint32_t> types;
    for (const Resource &r : want)
        if (std::find(types.begin(), types.end(), r.type) == types.end())
            types.push_back(r.type);
    for (uint32_t t : types)
        for (const Resource &r : want)
            if (r.type == t)
                grouped.push_back(r);
    for (size_t i = 0; i < grouped.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(grouped[i].type, got.resources[i].type);
        EXPECT_EQ(grouped[i].id, got.resources[i].id);
        EXPECT_EQ(grouped[i].attrs, got.resources[i].attrs);
        EXPECT_EQ(grouped[i].named, got.resources[i].named);
        EXPECT_EQ(grouped[i].name, got.resources[i].name);
        EXPECT_EQ(grouped[i].data, got.resources[i].data);
        EXPECT_EQ(0u, got.handleFields[i]);
    }
}

// Native-order reads of the in-memory map.
uint16_t MapWord(const uint8_t *m, size_t at)
{
    uint16_t v;
    std::memcpy(&v, m + at, 2);
    return v;
}
uint32_t MapLong(const uint8_t *m, size_t at)
{
    uint32_t v;
    std::memcpy(&v, m + at, 4);
    return v;
}

} // namespace

// ---- The fork on disk ----

TEST(ForkFormat, CreateResFileWritesTheEmptyFork)
{
    const Bytes empty = BuildFork({});
    ASSERT_EQ(286u, empty.size());
    struct Case {
        const char *what;
        const char *name;
        Bytes before; // empty with `exists` false: no file
        bool exists;
        OSErr err;
        Bytes after;
    } cases[] = {
        {"a new file", "New.rsr", {}, false, 0, empty},
        {"an existing empty file", "Blank.rsr", {}, true, 0, empty},
        {"an existing fork is kept", "Full.rsr", BuildFork(SampleResources()), true, -48,
         BuildFork(SampleResources())},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        if (c.exists)
            Put(c.name, c.before);
        CreateResFile(P(c.name).c_str());
        EXPECT_EQ(c.err, ResError());
        EXPECT_EQ(c.after, FileBytes(c.name));
    }
    // The empty fork is also the smallest that opens: no types at all.
    int16_t ref = Open("New.rsr");
    ASSERT_GT(ref, 0);
    const uint8_t *map = reinterpret_cast<const uint8_t *>(*LMGetTopMapHndl());
    EXPECT_EQ(0, std::memcmp(map, empty.data() + 256, 16));
    CloseResFile(ref);
    EXPECT_EQ(empty, FileBytes("New.rsr"));
}

TEST(ForkFormat, BuiltForkOpensWithItsEntriesInNativeOrder)
{
    BuildOptions options;
    options.handleField = 0x12345678; // a stored handle is never taken as one
    Put("Native.rsr", BuildFork(SampleResources(), options));
    int16_t ref = Open("Native.rsr");
    ASSERT_GT(ref, 0);
    const Parsed disk = ParseFork(FileBytes("Native.rsr"));
    ASSERT_TRUE(disk.ok);
    const uint8_t *map = reinterpret_cast<const uint8_t *>(*LMGetTopMapHndl());
    const size_t types = disk.typeListOffset + 2;
    EXPECT_EQ(kTEXT, MapLong(map, types));
    EXPECT_EQ(2, MapWord(map, types + 4));
    EXPECT_EQ(kPICT, MapLong(map, types + 8));
    EXPECT_EQ(0, MapWord(map, types + 12));
    size_t r = disk.typeListOffset + MapWord(map, types + 6);
    for (size_t i : {size_t(0), size_t(2), size_t(3)}) {
        SCOPED_TRACE(i);
        const size_t k = i == 0 ? 0 : i - 1; // the parsed order groups TEXT before PICT
        EXPECT_EQ(disk.resources[k].id, int16_t(MapWord(map, r)));
        EXPECT_EQ(disk.dataOffsets[k], MapLong(map, r + 4) & 0xFFFFFF);
        EXPECT_EQ(disk.resources[k].attrs, MapLong(map, r + 4) >> 24);
        EXPECT_EQ(0u, MapLong(map, r + 8));
        r += 12;
    }
    const size_t pict = disk.typeListOffset + MapWord(map, types + 14);
    EXPECT_EQ(-4000, int16_t(MapWord(map, pict)));
    EXPECT_EQ(0xFFFF, MapWord(map, pict + 2));
    CloseResFile(ref);
}

// A copy of `fork` whose map's name list offset is `offset`.
Bytes WithNameList(Bytes fork, uint32_t offset)
{
    Put16(fork, Get32(fork, 4) + 26, uint16_t(offset));
    return fork;
}

// The map offset of the end of the type list and every reference list.
uint32_t ListsEnd(const Bytes &fork)
{
    const Parsed p = ParseFork(fork);
    const uint32_t types = p.mapOffset + p.typeListOffset;
    uint32_t end = p.typeListOffset + 2 + 8u * (Get16(fork, types) + 1u);
    for (uint32_t t = 0; t <= Get16(fork, types); ++t)
        end = std::max(end, p.typeListOffset + Get16(fork, types + 2 + 8 * t + 6) +
                                12u * (Get16(fork, types + 2 + 8 * t + 4) + 1u));
    return end;
}

Bytes Nameless()
{
    std::vector<Resource> resources = SampleResources();
    for (Resource &r : resources)
        r.named = false;
    return BuildFork(resources);
}

TEST(ForkFormat, HeaderAndMapLimits)
{
    const Bytes base = BuildFork(SampleResources());
    // The map moved `gap` bytes past the data end.
    auto withGap = [&base](uint32_t gap) {
        Bytes b = base;
        uint32_t mapOffset = Get32(b, 4);
        b.insert(b.begin() + mapOffset, gap, 0);
        Put32(b, 4, mapOffset + gap);
        return b;
    };
    struct Case {
        const char *what;
        Bytes fork;
        OSErr err;
    } cases[] = {
        {"285 bytes", [] { Bytes b = BuildFork({}); b.pop_back(); return b; }(), mapReadErr},
        {"the empty fork", BuildFork({}), 0},
        {"map 16 bytes past the data", withGap(16), 0},
        {"map 17 bytes past the data", withGap(17), mapReadErr},
        {"data offset 255", [&] { Bytes b = base; Put32(b, 0, 255); return b; }(), mapReadErr},
        {"map length 29", [&] { Bytes b = BuildFork({}); Put32(b, 12, 29); return b; }(), mapReadErr},
        {"map past the end", [&] { Bytes b = base; Put32(b, 12, Get32(b, 12) + 1); return b; }(), mapReadErr},
        {"data length past the map", [&] { Bytes b = base; Put32(b, 8, Get32(b, 8) + 1); return b; }(), mapReadErr},
        {"a header cut short", Bytes(base.begin(), base.begin() + 300), mapReadErr},
        // Names grow in place and are added at the map's end: a name list over the lists would have
        // renaming move the lists themselves.
        {"names over the type list", WithNameList(base, 8), mapReadErr},
        {"names over a reference list", WithNameList(base, ListsEnd(base) - 12), mapReadErr},
        {"name list at the map header's end, no names", WithNameList(Nameless(), 28), 0},
    };
    const ChainState before = Chain();
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Put("Limits.rsr", c.fork);
        int16_t ref = Open("Limits.rsr");
        EXPECT_EQ(c.err, ResError());
        if (c.err == noErr) {
            EXPECT_GT(ref, 0);
            CloseResFile(ref);
        } else {
            EXPECT_EQ(-1, ref);
            EXPECT_TRUE(Chain() == before);
        }
    }
}

// A map without names whose name list offset points back at its header's end takes a new name after
// its lists: the fork written then reads back whole, with the name.
TEST(ForkFormat, NameListBeforeTheListsTakesNamesAfterThem)
{
    Put("Nameless.rsr", WithNameList(Nameless(), 28));
    int16_t ref = Open("Nameless.rsr");
    ASSERT_GT(ref, 0);
    UseResFile(ref);
    Handle h = Get1Resource(kTEXT, 129);
    ASSERT_NE(h, nullptr);
    SetResInfo(h, 129, reinterpret_cast<const unsigned char *>("\x07Renamed"));
    EXPECT_EQ(noErr, ResError());
    CloseResFile(ref);
    const Parsed p = ParseFork(FileBytes("Nameless.rsr"));
    ASSERT_TRUE(p.ok) << p.error;
    int named = 0;
    for (const Resource &r : p.resources)
        if (r.named) {
            ++named;
            EXPECT_EQ("Renamed", r.name);
            EXPECT_EQ(129, r.id);
        }
    EXPECT_EQ(1, named);
}

// Forks are untrusted: every mutation either opens or fails cleanly, and a fork that opens can be
// rewritten into one that the tests' reader accepts.
TEST(ForkFormat, MutatedForksNeverHurt)
{
    std::vector<Resource> resources = SampleResources();
    for (Resource &r : resources)
        r.attrs |= 0x04; // preloaded, so opening also loads the data
    resources.push_back({FourCC("MENU"), 1, 0x04, true, "menu", {0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}});
    resources.push_back({FourCC("MENU"), 2, 0x04, false, {}, {1, 2, 3}});
    const Bytes base = BuildFork(resources);
    const Parsed layout = ParseFork(base);
    ASSERT_TRUE(layout.ok);
    const uint32_t mapOffset = layout.mapOffset;

    uint32_t seed = 12345;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return seed >> 8;
    };
    const uint32_t values[] = {0, 1, 2, 0x7F, 0x80, 0xFF, 0x7FFF, 0x8000, 0xFFFE, 0xFFFF, 0x10000, 0xFFFFFF,
                               0x7FFFFFFF, 0xFFFFFFFF, uint32_t(base.size()), uint32_t(base.size() + 1)};
    std::vector<std::pair<std::string, Bytes>> forks;
    for (size_t n = 0; n < base.size(); n += 3)
        forks.emplace_back("cut at " + std::to_string(n), Bytes(base.begin(), base.begin() + n));
    for (int i = 0; i < 2500; ++i) {
        Bytes b = base;
        // Header fields, the map's own fields and the lists are where counts and offsets live.
        size_t at = (i % 3 == 0) ? (next() % 16) : mapOffset + (next() % (base.size() - mapOffset));
        uint32_t v = values[next() % (sizeof values / sizeof values[0])];
        if (next() % 2 && at + 4 <= b.size())
            Put32(b, at, v);
        else if (at + 2 <= b.size())
            Put16(b, at, uint16_t(v));
        if (i % 7 == 0)
            b[mapOffset + (next() % (base.size() - mapOffset))] ^= uint8_t(1u << (next() % 8));
        forks.emplace_back("mutation " + std::to_string(i) + " at " + std::to_string(at), b);
    }
    // Overlapping reference lists: the second type's list made the first's.
    {
        Bytes b = base;
        size_t types = mapOffset + layout.typeListOffset + 2;
        Put16(b, types + 8 + 6, Get16(b, types + 6));
        forks.emplace_back("overlapping lists", b);
        Bytes c = base;
        Put16(c, types + 6, Get16(c, types + 6) + 6);
        forks.emplace_back("half-overlapping lists", c);
    }

    SetResLoad(true);
    const ChainState before = Chain();
    int opened = 0, rewritten = 0;
    for (const auto &[what, fork] : forks) {
        SCOPED_TRACE(what);
        Put("Mutant.rsr", fork);
        int16_t ref = Open("Mutant.rsr");
        if (ref > 0) {
            ++opened;
            if (opened % 5 == 0) {
                // A rewrite of whatever opened is a fork the reader accepts.
                SetResFileAttrs(ref, mapCompact);
                CloseResFile(ref);
                Parsed p = ParseFork(FileBytes("Mutant.rsr"));
                EXPECT_TRUE(p.ok) << p.error;
                ++rewritten;
            } else {
                CloseResFile(ref);
            }
            EXPECT_TRUE(Chain() == before);
            continue;
        }
        OSErr err = ResError();
        EXPECT_TRUE(err == mapReadErr || err == -36) << err;
        ASSERT_TRUE(Chain() == before);
    }
    EXPECT_GT(opened, 100);
    EXPECT_GT(rewritten, 10);
    EXPECT_EQ(0, CountFilesLike("Mutant.rs2"));
}

// ---- The writer ----

TEST(ForkWriter, RewriteKeepsEveryByteThatMatters)
{
    BuildOptions options;
    options.headerReservedFill = 0x5A;
    const uint8_t reserved[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    std::memcpy(options.mapReserved, reserved, 8);
    options.trailingBytes = 40;
    for (bool keepOpen : {false, true}) {
        SCOPED_TRACE(keepOpen ? "UpdateResFile" : "CloseResFile");
        Put("Keep.rsr", BuildFork(SampleResources(), options));
        int16_t ref = Open("Keep.rsr");
        ASSERT_GT(ref, 0);
        SetResFileAttrs(ref, mapCompact);
        if (keepOpen) {
            EXPECT_EQ(1, UpdateResFile(ref));
            EXPECT_EQ(ref, CurResFile());
            // The re-read map is in native order again.
            const uint8_t *map = reinterpret_cast<const uint8_t *>(*LMGetTopMapHndl());
            EXPECT_EQ(kTEXT, MapLong(map, 30));
        } else {
            CloseResFile(ref);
        }
        EXPECT_EQ(noErr, ResError());
        const Bytes after = FileBytes("Keep.rsr");
        const Parsed p = ParseFork(after);
        ExpectSameResources(SampleResources(), p);
        EXPECT_EQ(Bytes(240, 0x5A), p.headerReserved);
        EXPECT_EQ(Bytes(reserved, reserved + 8), p.mapReserved);
        EXPECT_EQ(Bytes(after.begin(), after.begin() + 16), p.mapHeaderCopy);
        EXPECT_EQ(after.size(), size_t(p.mapOffset) + p.mapLength) << "trailing bytes compacted away";
        EXPECT_EQ(BuildFork(SampleResources()).size(), after.size());
        if (keepOpen)
            CloseResFile(ref);
    }
    EXPECT_EQ(0, CountFilesLike("Keep.rs2"));
}

TEST(ForkWriter, UnchangedForkIsWrittenOnlyToDropTrailingBytes)
{
    const Bytes exact = BuildFork(SampleResources());
    BuildOptions padded;
    padded.trailingBytes = 100;
    struct Case {
        const char *what;
        Bytes fork;
        Bytes after;
    } cases[] = {
        {"map ends the file", exact, exact},
        {"bytes after the map", BuildFork(SampleResources(), padded), exact},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Put("Same.rsr", c.fork);
        int16_t ref = Open("Same.rsr");
        ASSERT_GT(ref, 0);
        EXPECT_EQ(0, UpdateResFile(ref)) << "nothing to write while it stays open";
        CloseResFile(ref);
        EXPECT_EQ(c.after, FileBytes("Same.rsr"));
    }
}

TEST(ForkWriter, RefusedReplacementLeavesTheOldFork)
{
    BuildOptions padded;
    padded.trailingBytes = 64;
    const Bytes old = BuildFork(SampleResources(), padded);
    for (bool keepOpen : {false, true}) {
        SCOPED_TRACE(keepOpen ? "UpdateResFile" : "CloseResFile");
        Put("Held.rsr", old);
        int16_t ref = Open("Held.rsr");
        ASSERT_GT(ref, 0);
        SetResFileAttrs(ref, mapCompact);
        // Another program reads the fork and does not let it be replaced.
        HANDLE reader = CreateFileA(Work("Held.rsr").c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, reader);
        if (keepOpen) {
            EXPECT_EQ(0, UpdateResFile(ref));
        } else {
            CloseResFile(ref);
        }
        EXPECT_NE(noErr, ResError());
        CloseHandle(reader);
        EXPECT_EQ(old, FileBytes("Held.rsr"));
        EXPECT_EQ(1, CountFilesLike("Held.*")) << "no temporary file is left behind";
        if (keepOpen) {
            // The fork is still open and the next try succeeds.
            EXPECT_EQ(1, UpdateResFile(ref));
            ExpectSameResources(SampleResources(), ParseFork(FileBytes("Held.rsr")));
            CloseResFile(ref);
        } else {
            UseResFile(ref);
            EXPECT_EQ(resFNotFound, ResError()) << "the record closes all the same";
        }
    }
}

TEST(ForkWriter, TemporaryFileTakesNoExistingName)
{
    const Bytes other = {'k', 'e', 'e', 'p'};
    BuildOptions padded;
    padded.trailingBytes = 8;
    for (const char *name : {"report1", "x2"}) {
        SCOPED_TRACE(name);
        Put(name, BuildFork(SampleResources(), padded));
        Put("report2", other);
        int16_t ref = Open(Work(name));
        ASSERT_GT(ref, 0);
        CloseResFile(ref);
        EXPECT_EQ(noErr, ResError());
        EXPECT_EQ(other, FileBytes("report2"));
        ExpectSameResources(SampleResources(), ParseFork(FileBytes(name)));
        EXPECT_EQ(BuildFork(SampleResources()).size(), FileBytes(name).size());
    }
}

namespace {

// Writes a fork of `count` resources of `size` bytes each without holding it in memory.
void WriteLargeFork(const std::string &path, int count, uint32_t size)
{
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    const uint32_t dataLength = count * (4 + size);
    const uint32_t mapLength = 28 + 2 + 8 + 12 * count;
    Bytes header(256);
    Put32(header, 0, 256);
    Put32(header, 4, 256 + dataLength);
    Put32(header, 8, dataLength);
    Put32(header, 12, mapLength);
    DWORD done;
    WriteFile(h, header.data(), 256, &done, nullptr);
    Bytes chunk(65536);
    for (int i = 0; i < count; ++i) {
        Bytes word(4);
        Put32(word, 0, size);
        WriteFile(h, word.data(), 4, &done, nullptr);
        for (uint32_t at = 0; at < size; at += uint32_t(chunk.size())) {
            uint32_t n = std::min<uint32_t>(uint32_t(chunk.size()), size - at);
            for (uint32_t k = 0; k < n; ++k)
                chunk[k] = uint8_t((at + k) * 7 + i);
            WriteFile(h, chunk.data(), n, &done, nullptr);
        }
    }
    Bytes map(mapLength);
    std::copy(header.begin(), header.begin() + 16, map.begin());
    Put16(map, 24, 28);
    Put16(map, 26, uint16_t(mapLength));
    Put16(map, 28, 0);
    Put32(map, 30, FourCC("BIG "));
    Put16(map, 34, uint16_t(count - 1));
    Put16(map, 36, 10);
    for (int i = 0; i < count; ++i) {
        Put16(map, 38 + 12 * i, uint16_t(i + 1));
        Put16(map, 40 + 12 * i, 0xFFFF);
        Put32(map, 42 + 12 * i, i * (4 + size));
    }
    WriteFile(h, map.data(), mapLength, &done, nullptr);
    Bytes junk(1000, 0xEE);
    WriteFile(h, junk.data(), 1000, &done, nullptr);
    CloseHandle(h);
}

SIZE_T PeakCommit()
{
    PROCESS_MEMORY_COUNTERS c{};
    c.cb = sizeof c;
    GetProcessMemoryInfo(GetCurrentProcess(), &c, sizeof c);
    return c.PeakPagefileUsage;
}

} // namespace

// A rewrite moves the data between files through one small buffer: memory does not follow the data.
TEST(ForkWriter, LargeForkRewriteDoesNotHoldTheData)
{
    const int count = 6;
    const uint32_t size = 2 * 1024 * 1024 + 13;
    WriteLargeFork(Work("Large.rsr"), count, size);
    const SIZE_T peakBefore = PeakCommit();
    int16_t ref = Open("Large.rsr");
    ASSERT_GT(ref, 0);
    CloseResFile(ref); // the bytes after the map make the close compact it
    EXPECT_EQ(noErr, ResError());
    EXPECT_LT(PeakCommit(), peakBefore + 2 * 1024 * 1024);
    Parsed p = ParseFork(FileBytes("Large.rsr"));
    ASSERT_TRUE(p.ok) << p.error;
    ASSERT_EQ(size_t(count), p.resources.size());
    for (int i = 0; i < count; ++i) {
        const Bytes &d = p.resources[i].data;
        ASSERT_EQ(size, d.size());
        EXPECT_EQ(uint8_t(i), d[0]);
        EXPECT_EQ(uint8_t((size - 1) * 7 + i), d[size - 1]);
    }
    EXPECT_EQ(256u + count * (4 + size) + 28 + 2 + 8 + 12 * count, FileBytes("Large.rsr").size());
    DeleteFileA(Work("Large.rsr").c_str());
}

// ---- The chain ----

TEST(ResourceChain, NewestFirstAndUseResFile)
{
    for (const char *name : {"ChainA.rsr", "ChainB.rsr", "ChainC.rsr"})
        CreateResFile(P(name).c_str());
    const int16_t a = Open("ChainA.rsr"), b = Open("ChainB.rsr"), c = Open("ChainC.rsr");
    ASSERT_GT(a, 0);
    ASSERT_GT(b, 0);
    ASSERT_GT(c, 0);
    EXPECT_EQ(c, CurResFile());
    EXPECT_EQ(b, Open("ChainB.rsr")) << "a fork opened twice is one file";
    EXPECT_EQ(b, CurResFile());
    UseResFile(999);
    EXPECT_EQ(resFNotFound, ResError());
    EXPECT_EQ(b, CurResFile());
    UseResFile(0);
    EXPECT_EQ(noErr, ResError());
    EXPECT_EQ(SystemRefNum(), CurResFile());
    LMSetCurMap(c);
    EXPECT_EQ(c, LMGetCurMap());
    CloseResFile(c);
    EXPECT_EQ(b, CurResFile()) << "the next older file";
    // Closing a file that is not current leaves the current one.
    UseResFile(a);
    CloseResFile(b);
    EXPECT_EQ(a, CurResFile());
    CloseResFile(a);
    UseResFile(a);
    EXPECT_EQ(resFNotFound, ResError());
}

TEST(ResourceChain, SixtyThreeSlots)
{
    std::vector<int16_t> refs;
    const ChainState start = Chain();
    int16_t ref = 0;
    for (int i = 0; i < 70; ++i) {
        std::string name = "Many" + std::to_string(i) + ".rsr";
        CreateResFile(P(name.c_str()).c_str());
        ref = Open(name);
        if (ref < 0)
            break;
        refs.push_back(ref);
    }
    EXPECT_EQ(-1, ref);
    EXPECT_EQ(-42, ResError());
    EXPECT_LE(refs.size(), 61u) << "the two start-up files hold two of the 63 slots";
    EXPECT_GE(refs.size(), 60u);
    EXPECT_EQ(refs.back(), CurResFile()) << "a failed open leaves the chain as it was";
    for (int16_t r : refs)
        CloseResFile(r);
    EXPECT_TRUE(Chain() == start);
}

TEST(ResourceChain, ForkNamesBesideTheDataFile)
{
    struct Case {
        const char *what;
        std::string name;  // as the caller gives it
        std::string file;  // where the fork is
    } cases[] = {
        {"no extension gets .rsr", "Prefs", "Prefs.rsr"},
        {"a long extension is replaced", "My.Prefs", "My.rsr"},
        {"a short extension is kept", "Data.bin", "Data.bin"},
        {"a full path is taken as it is", Work("Full.Path.Name"), "Full.Path.Name"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Put(c.file, BuildFork({}));
        int16_t ref = Open(c.name);
        ASSERT_GT(ref, 0);
        EXPECT_EQ(ref, Open(Work(c.file))) << "the same fork";
        CloseResFile(ref);
        DeleteFileA(Work(c.file).c_str());
    }
    CreateResFile(P("Notes.").c_str());
    EXPECT_EQ(BuildFork({}), FileBytes("Notes.rsr")) << "a trailing dot is dropped before the rules";
}

TEST(ResourceChain, ReadOnlyForksRefuseWrites)
{
    Put("Locked.rsr", BuildFork(SampleResources()));
    // Another program writes the file and shares it only for reading: the open falls back to reading.
    HANDLE other = CreateFileA(Work("Locked.rsr").c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                               OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, other);
    int16_t fallback = Open("Locked.rsr");
    ASSERT_GT(fallback, 0);
    EXPECT_EQ(mapReadOnly, GetResFileAttrs(fallback));
    SetResFileAttrs(fallback, mapReadOnly | mapCompact);
    EXPECT_EQ(0, UpdateResFile(fallback));
    EXPECT_EQ(mapReadErr, ResError());
    CloseResFile(fallback);
    CloseHandle(other);

    // Asked for, and made writable by a later open for writing.
    int16_t asked = OpenRFPerm(P("Locked.rsr").c_str(), 0, 1);
    ASSERT_GT(asked, 0);
    EXPECT_EQ(mapReadOnly, GetResFileAttrs(asked));
    EXPECT_EQ(asked, Open("Locked.rsr"));
    EXPECT_EQ(0, GetResFileAttrs(asked));
    CloseResFile(asked);
    EXPECT_EQ(BuildFork(SampleResources()), FileBytes("Locked.rsr"));
}

TEST(ResourceChain, FileAttributesActOnTheFileNamed)
{
    CreateResFile(P("AttrW.rsr").c_str());
    CreateResFile(P("AttrR.rsr").c_str());
    const int16_t readOnly = OpenRFPerm(P("AttrR.rsr").c_str(), 0, 1);
    const int16_t writable = Open("AttrW.rsr");
    ASSERT_GT(readOnly, 0);
    ASSERT_GT(writable, 0);
    EXPECT_EQ(mapReadOnly, GetResFileAttrs(readOnly)) << "not the current file's";
    EXPECT_EQ(0, GetResFileAttrs(writable));
    SetResFileAttrs(writable, mapReadOnly);
    UseResFile(readOnly);
    EXPECT_EQ(mapReadOnly, GetResFileAttrs(writable));
    EXPECT_EQ(readOnly, CurResFile());
    EXPECT_EQ(0, GetResFileAttrs(777));
    EXPECT_EQ(resFNotFound, ResError());
    SetResFileAttrs(777, 0);
    EXPECT_EQ(resFNotFound, ResError());
    CloseResFile(writable);
    CloseResFile(readOnly);
}

namespace {
void ZEL_CALL SwapOne(int32_t, uint32_t, int32_t, void *) {}
void ZEL_CALL SwapTwo(int32_t, uint32_t, int32_t, void *) {}
} // namespace

TEST(ResourceChain, SwapProceduresAndMapHandles)
{
    CreateResFile(P("SwapA.rsr").c_str());
    CreateResFile(P("SwapB.rsr").c_str());
    const int16_t a = Open("SwapA.rsr"), b = Open("SwapB.rsr");
    auto one = reinterpret_cast<ProcPtr>(SwapOne), two = reinterpret_cast<ProcPtr>(SwapTwo);
    EXPECT_EQ(nullptr, ZEL_SetSwapResourceProc(a, one));
    EXPECT_EQ(a, CurResFile()) << "the file is found as UseResFile finds it";
    EXPECT_EQ(one, ZEL_SetSwapResourceProc(a, two));
    EXPECT_EQ(nullptr, ZEL_SetSwapResourceProc(b, nullptr));
    EXPECT_EQ(nullptr, ZEL_SetSwapResourceProc(555, one));
    EXPECT_EQ(resFNotFound, ResError());

    UseResFile(a);
    Handle mapA = LMGetTopMapHndl();
    UseResFile(b);
    Handle mapB = LMGetTopMapHndl();
    EXPECT_NE(mapA, mapB);
    LMSetTopMapHndl(mapA);
    EXPECT_EQ(a, CurResFile());
    CloseResFile(a);
    CloseResFile(b);
}

// ---- Start-up ----

namespace {

// Runs InitResources with RSRPATH as given (empty: unset) and answers the messages it sent.
std::vector<std::string> StartUp(const std::string &rsrPath, int16_t *result)
{
    SetEnvironmentVariableA("RSRPATH", rsrPath.empty() ? nullptr : rsrPath.c_str());
    testing_support::TakeDebugMessages();
    *result = InitResources();
    std::vector<std::string> texts;
    for (const std::string &m : testing_support::TakeDebugMessages())
        if (m != "\r\n")
            texts.push_back(m);
    return texts;
}

} // namespace

TEST(Startup, FindsTheForksAndReportsWhatIsMissing)
{
    const std::string beside = testing_support::ProgramDirectory();
    const std::string sysBeside = beside + "RSRTEST.RSR", appBeside = beside + AppForkName();
    DeleteFileA(sysBeside.c_str());
    DeleteFileA(appBeside.c_str());
    int16_t result = 1;

    EXPECT_EQ(std::vector<std::string>{"The library's resource file cannot be opened."}, StartUp("", &result));
    EXPECT_EQ(0, result);

    WriteFileBytes(sysBeside, BuildFork({}));
    EXPECT_EQ(std::vector<std::string>{"Cannot open the resource file " + appBeside + "."}, StartUp("", &result));
    EXPECT_EQ(0, result);

    // Both beside the program.
    WriteFileBytes(appBeside, BuildFork({}));
    EXPECT_TRUE(StartUp("", &result).empty());
    EXPECT_GT(result, 0);
    EXPECT_EQ(result, LMGetSysMap());
    EXPECT_NE(result, CurResFile()) << "the application's fork is the newest";
    EXPECT_EQ(result, Open(sysBeside));

    // RSRPATH comes first, with or without its backslash.
    for (std::string dir : {StartDir(), StartDir().substr(0, StartDir().size() - 1)}) {
        EXPECT_TRUE(StartUp(dir, &result).empty());
        EXPECT_GT(result, 0);
        EXPECT_EQ(result, Open(StartDir() + "RSRTEST.RSR"));
        const int16_t app = Open(StartDir() + AppForkName());
        UseResFile(app);
        EXPECT_EQ(FourCC("app "), MapLong(reinterpret_cast<const uint8_t *>(*LMGetTopMapHndl()), 30));
    }
    // The application's fork falls back to the program's directory when RSRPATH lacks it.
    const std::string half = Work("half\\");
    CreateDirectoryA(half.c_str(), nullptr);
    WriteFileBytes(half + "RSRTEST.RSR", BuildFork({}));
    EXPECT_TRUE(StartUp(half, &result).empty());
    EXPECT_EQ(result, Open(half + "RSRTEST.RSR"));
    EXPECT_GT(Open(appBeside), 0);

    DeleteFileA(sysBeside.c_str());
    DeleteFileA(appBeside.c_str());
    StandardStartup();
    ASSERT_GT(SystemRefNum(), 0);
}

TEST(Startup, ResourceFrkMode)
{
    const std::string frk = Work("frk\\");
    CreateDirectoryA(frk.c_str(), nullptr);
    CreateDirectoryA((frk + "RESOURCE.FRK").c_str(), nullptr);
    WriteFileBytes(frk + "RESOURCE.FRK\\RSRTEST.RSR", BuildFork({}));
    WriteFileBytes(frk + "RESOURCE.FRK\\" + AppForkName(), BuildFork({}));
    ZEL_SystemValue(1, 75, 1);
    int16_t result = 0;
    EXPECT_TRUE(StartUp(frk, &result).empty());
    EXPECT_GT(result, 0);

    CreateResFile(P("Doc.txt").c_str());
    EXPECT_EQ(noErr, ResError());
    EXPECT_TRUE(FileExists(Work("Doc.txt"))) << "the data file is made too";
    EXPECT_EQ(0u, FileBytes("Doc.txt").size());
    EXPECT_EQ(BuildFork({}), FileBytes("RESOURCE.FRK\\Doc.txt"));
    EXPECT_TRUE(GetFileAttributesA(Work("RESOURCE.FRK").c_str()) & FILE_ATTRIBUTE_HIDDEN);
    const int16_t doc = Open("Doc.txt");
    ASSERT_GT(doc, 0);
    EXPECT_EQ(doc, Open(Work("RESOURCE.FRK\\Doc.txt")));
    CloseResFile(doc);

    ZEL_SystemValue(1, 75, 0);
    StandardStartup();
    ASSERT_GT(SystemRefNum(), 0);
}

TEST(Startup, EmbeddedForksLiveInTheHostFile)
{
    const Bytes sys = BuildFork({{FourCC("esys"), 1, 0, false, {}, {9}}});
    const Bytes app = BuildFork({{FourCC("eapp"), 2, 0, false, {}, {8, 8}}});
    Bytes host(1000, 0x11);
    host.insert(host.end(), sys.begin(), sys.end());
    host.insert(host.end(), 24, 0x22);
    const uint32_t appAt = uint32_t(host.size());
    host.insert(host.end(), app.begin(), app.end());
    Put("Host.bin", host);
    OSErr err = 0;
    const int32_t hostRef = ZEL_FHOpen(Work("Host.bin").c_str(), 0, &err);
    ASSERT_GT(hostRef, 0);
    ZEL_SystemValue(1, 8, uint32_t(hostRef));
    ZEL_SystemValue(1, 10, 1000);
    ZEL_SystemValue(1, 11, appAt);
    int16_t result = 0;
    EXPECT_TRUE(StartUp(StartDir(), &result).empty());
    EXPECT_EQ(hostRef, result);
    EXPECT_EQ(FourCC("eapp"), MapLong(reinterpret_cast<const uint8_t *>(*LMGetTopMapHndl()), 30));
    EXPECT_EQ(mapReadOnly, GetResFileAttrs(CurResFile()));

    ZEL_SystemValue(1, 8, 0xFFFF);
    StandardStartup();
    EXPECT_EQ(host, FileBytes("Host.bin")) << "closing never writes or closes the host file";
    EXPECT_EQ(1, ZEL_FHClose(hostRef));
}

TEST(ResourceChain, ForksNamedByVolumeAndDirectory)
{
    // A directory of its own, so that its Resource.frk is not the one RESOURCE.FRK mode makes.
    const std::string dir = Work("hdir\\");
    CreateDirectoryA(dir.c_str(), nullptr);
    int16_t vRefNum = 0, wdRefNum = 0;
    const int32_t dirID = ZEL_DirIDFromPath(dir.c_str(), &vRefNum, &wdRefNum);
    ASSERT_NE(0, dirID);
    HCreateResFile(vRefNum, dirID, P("HFile.dat").c_str());
    EXPECT_EQ(noErr, ResError());
    EXPECT_EQ(BuildFork({}), FileBytes("hdir\\HFile.dat")) << "the name is taken as it is";
    const int16_t ref = HOpenResFile(vRefNum, dirID, P("HFile.dat").c_str(), 0);
    ASSERT_GT(ref, 0);
    EXPECT_EQ(ref, Open(dir + "HFile.dat"));
    EXPECT_EQ(ref, OpenRFPerm(P("HFile.dat").c_str(), wdRefNum, 0)) << "a working directory names it too";
    CloseResFile(ref);

    // The pair of the directory's Resource.frk subdirectory.
    CreateDirectoryA((dir + "Resource.frk").c_str(), nullptr);
    ResSpecPair pair{vRefNum, dirID};
    EXPECT_EQ(vRefNum, ZEL_MakeResSpec(&pair));
    EXPECT_EQ(vRefNum, pair.vRefNum);
    EXPECT_NE(dirID, pair.dirID);
    HCreateResFile(pair.vRefNum, pair.dirID, P("Inner.rsr").c_str());
    EXPECT_EQ(BuildFork({}), FileBytes("hdir\\Resource.frk\\Inner.rsr"));

    ResSpecPair bad{0, 0x7654321};
    EXPECT_LT(ZEL_MakeResSpec(&bad), 0);
    EXPECT_EQ(-1, HOpenResFile(0, 0x7654321, P("x").c_str(), 0));
    EXPECT_NE(noErr, ResError());
}

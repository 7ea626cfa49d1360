// Single resources: getting them along the chain, the cache, loading, counting, describing, and the add,
// change, write and remove cycles that survive closing and reopening a file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>

#include "MacMemory.h"
#include "Resources.h"
#include "resource_test.h"
#include "test_support.h"

using namespace fork_layout;
using namespace res_test;
using testing_support::P;

namespace {

constexpr uint32_t kTEST = FourCC("TEST");
constexpr uint32_t kDATA = FourCC("DATA");

Bytes HandleBytes(Handle h)
{
    if (!h || !*h)
        return {};
    return Bytes(reinterpret_cast<uint8_t *>(*h), reinterpret_cast<uint8_t *>(*h) + GetHandleSize(h));
}

Handle NewHandleWith(const Bytes &b)
{
    Handle h = NewHandle(Size(b.size()));
    if (!b.empty())
        std::memcpy(*h, b.data(), b.size());
    return h;
}

bool Contains(const Bytes &hay, const std::string &needle)
{
    return std::search(hay.begin(), hay.end(), needle.begin(), needle.end()) != hay.end();
}

const Resource *Find(const Parsed &p, uint32_t type, int16_t id)
{
    for (const Resource &r : p.resources)
        if (r.type == type && r.id == id)
            return &r;
    return nullptr;
}

// Two files on the chain: the older one holds TEST 1 and 2, the newer one TEST 2 and 3 and DATA 9.
struct TwoFiles {
    int16_t older, newer;
    TwoFiles()
    {
        Put("Older.rsr", BuildFork({{kTEST, 1, 0, true, "One", {1, 1}}, {kTEST, 2, 0, false, {}, {1, 2}}}));
        Put("Newer.rsr", BuildFork({{kTEST, 2, 0, false, {}, {2, 2}},
                                    {kTEST, 3, 0, true, "three", {2, 3}},
                                    {kDATA, 9, 0, false, {}, {9}}}));
        older = Open("Older.rsr");
        newer = Open("Newer.rsr");
    }
    ~TwoFiles()
    {
        CloseResFile(newer);
        CloseResFile(older);
    }
};

} // namespace

TEST(GetResources, SearchRunsFromTheCurrentFileToOlderOnes)
{
    SetResLoad(true);
    TwoFiles files;
    ASSERT_GT(files.older, 0);
    ASSERT_GT(files.newer, 0);
    Handle one = GetResource(kTEST, 1);
    ASSERT_NE(nullptr, one);
    EXPECT_EQ(files.older, HomeResFile(one));
    EXPECT_EQ((Bytes{1, 1}), HandleBytes(one));
    Handle two = GetResource(kTEST, 2);
    EXPECT_EQ(files.newer, HomeResFile(two)) << "the newer file's resource hides the older one's";
    EXPECT_EQ((Bytes{2, 2}), HandleBytes(two));

    EXPECT_EQ(nullptr, Get1Resource(kTEST, 1));
    EXPECT_EQ(resNotFound, ResError());
    EXPECT_EQ(two, Get1Resource(kTEST, 2));
    EXPECT_EQ(nullptr, Get1Resource(FourCC("NONE"), 1));
    EXPECT_EQ(noErr, ResError()) << "a type the file lacks is not an error";

    // Names compare without regard to case.
    EXPECT_EQ(one, GetNamedResource(kTEST, P("oNE").c_str()));
    EXPECT_EQ(nullptr, Get1NamedResource(kTEST, P("one").c_str()));
    EXPECT_EQ(resNotFound, ResError());
    EXPECT_EQ(files.newer, HomeResFile(Get1NamedResource(kTEST, P("THREE").c_str())));

    // Counting: the whole chain from its head, or the current file.
    EXPECT_EQ(2, Count1Resources(kTEST));
    EXPECT_EQ(4, CountResources(kTEST));
    EXPECT_EQ(0, Count1Resources(FourCC("NONE")));
    EXPECT_EQ(2, Count1Types());
    ResType type = 0;
    Get1IndType(&type, 2);
    EXPECT_EQ(kDATA, type);
    Get1IndType(&type, 3);
    EXPECT_EQ(0u, type);
    const int16_t total = CountTypes();
    type = 0x12345678;
    GetIndType(&type, int16_t(total + 1));
    EXPECT_EQ(0x12345678u, type) << "past the last type the output stays";
    GetIndType(&type, 1);
    EXPECT_EQ(kTEST, type) << "the chain's head is the newer file";

    // Indexed: across files from the head, or within the current file.
    std::vector<int16_t> homes;
    for (int16_t i = 1; i <= 4; ++i)
        homes.push_back(HomeResFile(GetIndResource(kTEST, i)));
    EXPECT_EQ((std::vector<int16_t>{files.newer, files.newer, files.older, files.older}), homes);
    EXPECT_EQ(nullptr, GetIndResource(kTEST, 5));
    EXPECT_EQ(resNotFound, ResError());
    EXPECT_EQ(two, Get1IndResource(kTEST, 1));
    EXPECT_EQ(nullptr, Get1IndResource(kTEST, 3));
    EXPECT_EQ(resNotFound, ResError());

    int16_t id = 0;
    ResType infoType = 0;
    Str255 name;
    GetResInfo(one, &id, &infoType, name);
    EXPECT_EQ(1, id);
    EXPECT_EQ(kTEST, infoType);
    EXPECT_EQ(P("One"), std::basic_string<unsigned char>(name, name + name[0] + 1));
    GetResInfo(two, &id, &infoType, name);
    EXPECT_EQ(0, name[0]);
}

TEST(GetResources, LoadingOffAndTheCache)
{
    Put("Cache1.rsr", BuildFork({{kTEST, 5, 0, false, {}, {'o', 'l', 'd'}}}));
    Put("Cache2.rsr", BuildFork({{kTEST, 5, 0, false, {}, {'n', 'e', 'w'}}}));
    const int16_t first = Open("Cache1.rsr");
    SetResLoad(false);
    Handle h = GetResource(kTEST, 5);
    ASSERT_NE(nullptr, h);
    EXPECT_EQ(nullptr, *h) << "with loading off the handle stays empty";
    LoadResourc(h);
    EXPECT_EQ(noErr, ResError());
    EXPECT_EQ((Bytes{'o', 'l', 'd'}), HandleBytes(h));
    SetResLoad(true);
    EXPECT_EQ(h, GetResource(kTEST, 5));

    // A file opened later holds the same type and ID: the cache does not hide it.
    const int16_t second = Open("Cache2.rsr");
    Handle newer = GetResource(kTEST, 5);
    EXPECT_NE(h, newer);
    EXPECT_EQ((Bytes{'n', 'e', 'w'}), HandleBytes(newer));
    UseResFile(first);
    EXPECT_EQ(h, GetResource(kTEST, 5));
    ReleaseResource(h);
    EXPECT_EQ(noErr, ResError());
    Handle again = GetResource(kTEST, 5);
    EXPECT_EQ((Bytes{'o', 'l', 'd'}), HandleBytes(again)) << "a released resource is read again";
    CloseResFile(second);
    CloseResFile(first);
}

TEST(GetResources, MenuDefinitionFieldAndFallbacks)
{
    Bytes menu(16, 0);
    menu[6] = 0x01; // definition procedure resource ID 0x0100 in the high half, big-endian
    menu[7] = 0x02; // the low half, which the fix-up replaces
    Put("Menus.rsr", BuildFork({{FourCC("MENU"), 1, 0, false, {}, Bytes(14, 0)},
                                {FourCC("MENU"), 2, 0, false, {}, Bytes(9, 0x33)}}));
    const int16_t ref = Open("Menus.rsr");
    Handle m = GetResource(FourCC("MENU"), 1);
    ASSERT_NE(nullptr, m);
    uint32_t field;
    std::memcpy(&field, *m + 6, 4);
    EXPECT_EQ(0x0000FFFFu, field);
    EXPECT_EQ(Bytes(9, 0x33), HandleBytes(GetResource(FourCC("MENU"), 2))) << "too short to carry the field";

    EXPECT_EQ(reinterpret_cast<Handle>(-1), GetResource(FourCC("PACK"), 7));
    EXPECT_EQ(nullptr, GetResource(FourCC("ZZZZ"), 1));
    EXPECT_EQ(noErr, ResError());
    EXPECT_EQ(nullptr, GetResource(FourCC("MENU"), 3));
    EXPECT_EQ(resNotFound, ResError());
    CloseResFile(ref);
}

// ---- Changing and writing ----

TEST(ChangeResources, AddChangeWriteRemoveSurviveReopening)
{
    SetResLoad(true);
    CreateResFile(P("Cycle.rsr").c_str());
    int16_t ref = Open("Cycle.rsr");
    ASSERT_GT(ref, 0);
    AddResource(NewHandleWith({1, 2, 3, 4}), kTEST, 128, P("abc").c_str());
    EXPECT_EQ(noErr, ResError());
    CloseResFile(ref);
    EXPECT_EQ(318u, FileBytes("Cycle.rsr").size());
    Parsed p = ParseFork(FileBytes("Cycle.rsr"));
    ASSERT_TRUE(p.ok) << p.error;
    ASSERT_EQ(1u, p.resources.size());
    EXPECT_EQ((Bytes{1, 2, 3, 4}), p.resources[0].data);
    EXPECT_EQ("abc", p.resources[0].name);
    EXPECT_EQ(0, p.resources[0].attrs) << "the changed bit is written away";

    // Grow the first resource, add two more.
    ref = Open("Cycle.rsr");
    Handle first = GetResource(kTEST, 128);
    SetHandleSize(first, 6);
    (*first)[4] = 5;
    (*first)[5] = 6;
    ChangedResource(first);
    AddResource(NewHandleWith({7, 7, 7}), kTEST, 129, P("").c_str());
    AddResource(NewHandleWith({'z', 'a', 'p', 'p', 'e', 'd'}), kDATA, 1, P("second").c_str());
    EXPECT_EQ(3, SizeRsrc(Get1Resource(kTEST, 129))) << "a new resource has its handle's size";
    CloseResFile(ref);
    p = ParseFork(FileBytes("Cycle.rsr"));
    ASSERT_TRUE(p.ok) << p.error;
    ASSERT_EQ(3u, p.resources.size());
    EXPECT_EQ((Bytes{1, 2, 3, 4, 5, 6}), Find(p, kTEST, 128)->data);
    EXPECT_EQ((Bytes{7, 7, 7}), Find(p, kTEST, 129)->data);
    EXPECT_FALSE(Find(p, kTEST, 129)->named);
    EXPECT_EQ("second", Find(p, kDATA, 1)->name);

    // Remove one: its data and name leave the file; the others' data stay.
    ref = Open("Cycle.rsr");
    Handle gone = GetResource(kDATA, 1);
    RemoveResource(gone);
    EXPECT_EQ(noErr, ResError());
    EXPECT_EQ(nullptr, Get1Resource(kDATA, 1));
    DisposeHandle(gone);
    CloseResFile(ref);
    const Bytes after = FileBytes("Cycle.rsr");
    p = ParseFork(after);
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(2u, p.resources.size());
    EXPECT_FALSE(Contains(after, "second"));
    EXPECT_FALSE(Contains(after, "zapped"));
    EXPECT_EQ((Bytes{1, 2, 3, 4, 5, 6}), Find(p, kTEST, 128)->data);

    // A removed entry is reused by the next add of its type, and renaming works in place or longer.
    ref = Open("Cycle.rsr");
    RemoveResource(GetResource(kTEST, 129));
    AddResource(NewHandleWith({8}), kTEST, 130, P("a much longer name").c_str());
    EXPECT_EQ(2, Count1Resources(kTEST));
    SetResInfo(GetResource(kTEST, 128), 127, P("abcdefgh").c_str());
    EXPECT_EQ(nullptr, Get1Resource(kTEST, 128));
    Handle renamed = Get1Resource(kTEST, 127);
    ASSERT_NE(nullptr, renamed);
    EXPECT_EQ(renamed, Get1NamedResource(kTEST, P("abcdefgh").c_str()));
    EXPECT_EQ(1, UpdateResFile(ref)) << "written while it stays open";
    EXPECT_EQ((Bytes{1, 2, 3, 4, 5, 6}), HandleBytes(renamed)) << "loaded handles stay valid";
    EXPECT_EQ(renamed, Get1Resource(kTEST, 127));
    CloseResFile(ref);
    p = ParseFork(FileBytes("Cycle.rsr"));
    ASSERT_TRUE(p.ok) << p.error;
    ASSERT_EQ(2u, p.resources.size());
    EXPECT_EQ("abcdefgh", Find(p, kTEST, 127)->name);
    EXPECT_EQ("a much longer name", Find(p, kTEST, 130)->name);
    EXPECT_EQ((Bytes{8}), Find(p, kTEST, 130)->data);
    EXPECT_EQ(256u + (4 + 6) + (4 + 1) + 28 + 10 + 24 + 9 + 19, FileBytes("Cycle.rsr").size());
}

// A new resource is recognised by its own mark, not by data offset 0, which the first record has.
TEST(ChangeResources, NewResourceNeverTakesTheFirstRecord)
{
    Put("First.rsr", BuildFork({{kTEST, 1, 0, false, {}, Bytes(20, 0xA1)}}));
    const int16_t ref = Open("First.rsr");
    Handle added = NewHandleWith(Bytes(5, 0xB2));
    AddResource(added, kDATA, 2, P("").c_str());
    EXPECT_EQ(5, SizeRsrc(added));
    WriteResource(added);
    EXPECT_EQ(noErr, ResError());
    EXPECT_EQ(5, SizeRsrc(added));
    CloseResFile(ref);
    Parsed p = ParseFork(FileBytes("First.rsr"));
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(Bytes(20, 0xA1), Find(p, kTEST, 1)->data);
    EXPECT_EQ(Bytes(5, 0xB2), Find(p, kDATA, 2)->data);
}

// A changed resource whose data were never loaded is loaded before it is written.
TEST(ChangeResources, UnloadedChangedResourceKeepsItsData)
{
    Put("Unloaded.rsr", BuildFork({{kTEST, 1, 0, false, {}, {'k', 'e', 'e', 'p'}}}));
    const int16_t ref = Open("Unloaded.rsr");
    SetResLoad(false);
    Handle h = GetResource(kTEST, 1);
    SetResLoad(true);
    ASSERT_NE(nullptr, h);
    ASSERT_EQ(nullptr, *h);
    ChangedResource(h);
    WriteResource(h);
    EXPECT_EQ(noErr, ResError());
    CloseResFile(ref);
    Parsed p = ParseFork(FileBytes("Unloaded.rsr"));
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ((Bytes{'k', 'e', 'e', 'p'}), Find(p, kTEST, 1)->data);
}

TEST(ChangeResources, ShorterDataRewrittenInPlaceThenCompacted)
{
    Put("Shrink.rsr", BuildFork({{kTEST, 1, 0, false, {}, Bytes(40, 1)}, {kTEST, 2, 0, false, {}, {2, 2}}}));
    const int16_t ref = Open("Shrink.rsr");
    Handle h = GetResource(kTEST, 1);
    SetHandleSize(h, 10);
    ChangedResource(h);
    WriteResource(h);
    EXPECT_EQ(10, SizeRsrc(h));
    const size_t before = FileBytes("Shrink.rsr").size();
    EXPECT_EQ(BuildFork({{kTEST, 1, 0, false, {}, Bytes(40, 1)}, {kTEST, 2, 0, false, {}, {2, 2}}}).size(), before)
        << "written over its old record";
    CloseResFile(ref);
    Parsed p = ParseFork(FileBytes("Shrink.rsr"));
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(Bytes(10, 1), Find(p, kTEST, 1)->data);
    EXPECT_EQ((Bytes{2, 2}), Find(p, kTEST, 2)->data);
    EXPECT_EQ(before - 30, FileBytes("Shrink.rsr").size());
}

TEST(ChangeResources, ResErrorPaths)
{
    Put("Errors.rsr", BuildFork({{kTEST, 1, 0, false, {}, {1}}}));
    const int16_t readOnly = OpenRFPerm(P("Errors.rsr").c_str(), 0, 1);
    ASSERT_GT(readOnly, 0);
    Handle resource = GetResource(kTEST, 1);
    Handle plain = NewHandle(4);
    struct Case {
        const char *what;
        std::function<void()> call;
        OSErr err;
    } cases[] = {
        {"missing ID of a present type", [] { GetResource(kTEST, 99); }, resNotFound},
        {"HomeResFile of a plain handle", [&] { EXPECT_EQ(-1, HomeResFile(plain)); }, resNotFound},
        {"SizeRsrc of a plain handle", [&] { EXPECT_EQ(-1, SizeRsrc(plain)); }, resNotFound},
        {"ChangedResource of a plain handle", [&] { ChangedResource(plain); }, resNotFound},
        {"AddResource of nil", [] { AddResource(nullptr, kTEST, 5, P("").c_str()); }, addResFailed},
        {"AddResource of a resource", [&] { AddResource(resource, kTEST, 5, P("").c_str()); }, addResFailed},
        {"ReleaseResource of nil", [] { ReleaseResource(nullptr); }, resAttrErr},
        {"ReleaseResource of a plain handle", [&] { ReleaseResource(plain); }, resAttrErr},
        {"WriteResource on a read-only file",
         [&] {
             ChangedResource(resource);
             WriteResource(resource);
         },
         mapReadErr},
        {"SetResPurge", [] { SetResPurge(true); }, noErr},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        c.call();
        EXPECT_EQ(c.err, ResError());
    }
    DisposeHandle(plain);
    CloseResFile(readOnly);
    EXPECT_EQ(BuildFork({{kTEST, 1, 0, false, {}, {1}}}), FileBytes("Errors.rsr"));
}

TEST(ChangeResources, StubsReportTheirNames)
{
    Handle h = NewHandle(4);
    testing_support::TakeDebugMessages();
    SetResourceSize(h, 10);
    WritePartialResource(h, 0, "ab", 2);
    char buffer[2];
    ReadPartialResource(h, 0, buffer, 2);
    std::vector<std::string> texts;
    for (const std::string &m : testing_support::TakeDebugMessages())
        if (m != "\r\n")
            texts.push_back(m);
    EXPECT_EQ((std::vector<std::string>{"SetResourceSize", "WritePartialResource", "ReadPartialResource"}), texts);
    DisposeHandle(h);
}

// ---- Unique IDs ----

TEST(UniqueIDs, EndEvenWhenEveryIdIsTaken)
{
    // Every non-negative ID of the type but one, over seven files (a map holds at most ~5,400).
    const int16_t missing = 12345;
    std::vector<int16_t> refs;
    for (int file = 0; file < 7; ++file) {
        std::vector<Resource> list;
        for (int id = file; id < 32768; id += 7)
            if (id != missing)
                list.push_back({kTEST, int16_t(id), 0, false, {}, {}});
        const std::string name = "Ids" + std::to_string(file) + ".rsr";
        Put(name, BuildFork(list));
        refs.push_back(Open(name));
        ASSERT_GT(refs.back(), 0);
    }
    EXPECT_EQ(missing, UniqueID(kTEST)) << "the one free ID is found";
    const int16_t one = Unique1ID(kTEST);
    EXPECT_GE(one, 0);
    EXPECT_EQ(nullptr, Get1Resource(kTEST, one));

    Handle filler = NewHandle(0);
    AddResource(filler, kTEST, missing, P("").c_str());
    const int16_t none = UniqueID(kTEST);
    EXPECT_GE(none, 0) << "ends with an ID though none is free";
    for (auto it = refs.rbegin(); it != refs.rend(); ++it)
        CloseResFile(*it);
}

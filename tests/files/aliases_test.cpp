// Alias records and shortcut files: where a record's relative path starts, what resolves from where, the
// records refused, and shortcut files made and followed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "Aliases.h"
#include "MacMemory.h"
#include "Zel.h"
#include "files_fixture.h"
#include "test_support.h"

namespace {

using files_test::ScratchDir;
using files_test::WriteWholeFile;

// The record of a full path (files are made as needed by the caller).
FSSpec SpecOf(const std::string &path)
{
    FSSpec fsSpec{};
    ZEL_FullPathToFSSpec(path.c_str(), &fsSpec);
    return fsSpec;
}

std::string PathOf(const FSSpec &fsSpec)
{
    char path[256] = "";
    ZEL_HFSpec(fsSpec.parID, fsSpec.vRefNum, fsSpec.name, path);
    return path;
}

void MakeFile(const std::string &path)
{
    std::string dir = path.substr(0, path.rfind('\\'));
    for (size_t at = 3; (at = dir.find('\\', at + 1)) != std::string::npos || at == std::string::npos;) {
        CreateDirectoryA(dir.substr(0, at).c_str(), nullptr);
        if (at == std::string::npos)
            break;
    }
    ASSERT_TRUE(WriteWholeFile(path, path)) << path;
}

TEST(AliasRecords, RelativePathsStartAtAComponent)
{
    std::string c = ScratchDir('C', "aliases"), z = ScratchDir('Z', "aliases");
    struct Case {
        std::string from, target;
        const char *relative;
        int16_t levels;
        const char *shows;
    } cases[] = {
        {c + "d1\\f.doc", c + "d1\\t.txt", "t.txt", 1, "the same directory"},
        {c + "d1\\f.doc", c + "d1\\sub\\t.txt", "sub\\t.txt", 1, "a child directory"},
        {c + "proj1\\f.doc", c + "proj2\\t.txt", "proj2\\t.txt", 2, "siblings sharing a name prefix"},
        {c + "d1\\f.doc", z + "t.txt", "", -1, "another volume"},
    };
    for (const Case &k : cases) {
        SCOPED_TRACE(k.shows);
        MakeFile(k.from);
        MakeFile(k.target);
        FSSpec from = SpecOf(k.from), target = SpecOf(k.target);
        AliasHandle alias = nullptr;
        ASSERT_EQ(NewAlias(&from, &target, &alias), noErr);
        ASSERT_EQ(GetHandleSize(reinterpret_cast<Handle>(alias)), 534);
        EXPECT_STREQ((*alias)->fullPath, k.target.c_str());
        EXPECT_STREQ((*alias)->relativePath, k.relative);
        EXPECT_EQ((*alias)->levelsUp, k.levels);
        FSSpec resolved{};
        Boolean changed = true;
        EXPECT_EQ(ResolveAlias(&from, alias, &resolved, &changed), noErr);
        EXPECT_EQ(PathOf(resolved), k.target);
        EXPECT_FALSE(changed);
        DisposeHandle(reinterpret_cast<Handle>(alias));
    }
}

TEST(AliasRecords, MovedFilesAreFoundByTheRightPath)
{
    std::string c = ScratchDir('C', "moves");
    // Moved together: the relative path finds the target beside the moved from-file.
    MakeFile(c + "m1\\from.doc");
    MakeFile(c + "m1\\sub\\t.txt");
    FSSpec from = SpecOf(c + "m1\\from.doc"), target = SpecOf(c + "m1\\sub\\t.txt");
    AliasHandle together = nullptr;
    ASSERT_EQ(NewAlias(&from, &target, &together), noErr);
    ASSERT_TRUE(MoveFileA((c + "m1").c_str(), (c + "m2").c_str()));
    FSSpec movedFrom = SpecOf(c + "m2\\from.doc"), resolved{};
    EXPECT_EQ(ResolveAlias(&movedFrom, together, &resolved, nullptr), noErr);
    EXPECT_EQ(PathOf(resolved), c + "m2\\sub\\t.txt");

    // The from-file moved alone: the full path finds the target that stayed.
    MakeFile(c + "s1\\from.doc");
    MakeFile(c + "s1\\t.txt");
    from = SpecOf(c + "s1\\from.doc");
    target = SpecOf(c + "s1\\t.txt");
    AliasHandle stayed = nullptr;
    ASSERT_EQ(NewAlias(&from, &target, &stayed), noErr);
    MakeFile(c + "s2\\from.doc");
    movedFrom = SpecOf(c + "s2\\from.doc");
    EXPECT_EQ(ResolveAlias(&movedFrom, stayed, &resolved, nullptr), noErr);
    EXPECT_EQ(PathOf(resolved), c + "s1\\t.txt");

    // Without a from-file only the full path counts; a from-file too shallow for the levels falls back.
    EXPECT_EQ(ResolveAlias(nullptr, stayed, &resolved, nullptr), noErr);
    EXPECT_EQ(PathOf(resolved), c + "s1\\t.txt");
    FSSpec shallow = SpecOf("C:\\x.doc");
    (*stayed)->levelsUp = 9;
    EXPECT_EQ(ResolveAlias(&shallow, stayed, &resolved, nullptr), noErr);
    EXPECT_EQ(PathOf(resolved), c + "s1\\t.txt");
    DisposeHandle(reinterpret_cast<Handle>(together));
    DisposeHandle(reinterpret_cast<Handle>(stayed));
}

// A relative path that, joined to the from-file's folder, would be longer than any DOS path names
// nothing: the full path is taken, and nothing is written past the joined path's room. The from-file's
// path is 254 characters and the relative path 259, at level 0.
TEST(AliasRecords, OverlongJoinFallsBackToTheFullPath)
{
    std::string c = ScratchDir('C', "long_join");
    std::string dir = c;
    while (dir.size() < 230)
        dir += std::string(std::min<size_t>(40, 240 - dir.size()), 'd') + "\\";
    MakeFile(dir + "x");
    std::string fromPath = dir + std::string(254 - dir.size(), 'f');
    ASSERT_EQ(fromPath.size(), 254u);
    MakeFile(c + "t.txt");
    FSSpec target = SpecOf(c + "t.txt"), from = SpecOf(fromPath);
    ASSERT_EQ(PathOf(from), fromPath);
    AliasHandle alias = nullptr;
    ASSERT_EQ(NewAliasMinimal(&target, &alias), noErr);
    std::memset((*alias)->relativePath, 'r', 259);
    (*alias)->relativePath[259] = 0;
    (*alias)->levelsUp = 0;
    for (bool targetThere : {true, false}) {
        SCOPED_TRACE(targetThere ? "the full path names a file" : "the full path names nothing");
        if (!targetThere)
            DeleteFileA((c + "t.txt").c_str());
        FSSpec resolved{};
        EXPECT_EQ(ResolveAlias(&from, alias, &resolved, nullptr), noErr);
        EXPECT_EQ(PathOf(resolved), c + "t.txt");
    }
    DisposeHandle(reinterpret_cast<Handle>(alias));
}

TEST(AliasRecords, UnsoundRecordsAreRefused)
{
    FSSpec target = SpecOf("C:\\dir\\f.txt"), out{};
    AliasHandle good = nullptr;
    ASSERT_EQ(NewAliasMinimal(&target, &good), noErr);
    AliasRecord sound = **good;
    struct Case {
        Size size;
        void (*spoil)(AliasRecord *);
        const char *shows;
    } cases[] = {
        {100, nullptr, "short"},
        {533, nullptr, "one byte short"},
        {535, nullptr, "long"},
        {534, [](AliasRecord *r) { r->signature = 0x616C6978; }, "wrongly signed"},
        {534, [](AliasRecord *r) { std::memset(r->fullPath, 'x', sizeof r->fullPath); }, "full path without NUL"},
        {534, [](AliasRecord *r) { std::memset(r->relativePath, 'x', sizeof r->relativePath); },
         "relative path without NUL"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.shows);
        Handle h = NewHandle(c.size);
        ASSERT_NE(h, nullptr);
        AliasRecord bytes = sound;
        if (c.spoil)
            c.spoil(&bytes);
        std::memcpy(*h, &bytes, std::min<size_t>(c.size, sizeof bytes));
        std::string before(*h, c.size);
        auto alias = reinterpret_cast<AliasHandle>(h);
        Boolean changed = true;
        EXPECT_EQ(ResolveAlias(nullptr, alias, &out, &changed), paramErr);
        EXPECT_FALSE(changed);
        Str63 info;
        EXPECT_EQ(GetAliasInfo(alias, asiAliasName, info), paramErr);
        int16_t count = 1;
        EXPECT_EQ(MatchAlias(nullptr, 0, alias, &count, &out, &changed, nullptr, nullptr), paramErr);
        EXPECT_EQ(GetHandleSize(h), c.size);
        EXPECT_EQ(std::string(*h, c.size), before) << "the record is left as it was";
        DisposeHandle(h);
    }
    int16_t count = 0;
    EXPECT_EQ(MatchAlias(nullptr, 0, good, &count, &out, nullptr, nullptr, nullptr), paramErr) << "a count below 1";
    count = 1;
    EXPECT_EQ(MatchAlias(nullptr, 0, good, &count, nullptr, nullptr, nullptr, nullptr), paramErr) << "no list";
    EXPECT_EQ(MatchAlias(nullptr, kARMNoAnyMatch, good, &count, &out, nullptr, nullptr, nullptr), noErr);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(PathOf(out), "C:\\dir\\f.txt");
    DisposeHandle(reinterpret_cast<Handle>(good));
}

TEST(AliasRecords, InfoAndUpdates)
{
    FSSpec target = SpecOf("C:\\dir\\f.txt");
    AliasHandle alias = nullptr;
    ASSERT_EQ(NewAliasMinimal(&target, &alias), noErr);
    struct Case {
        AliasInfoType index;
        const char *text;
    } cases[] = {{asiZoneName, ""}, {asiServerName, ""}, {asiVolumeName, "C:"}, {asiAliasName, "f.txt"},
                 {asiParentName, "dir"}};
    for (const Case &c : cases) {
        Str63 text = {};
        EXPECT_EQ(GetAliasInfo(alias, c.index, text), noErr) << c.index;
        EXPECT_EQ(std::string(reinterpret_cast<char *>(text + 1), text[0]), c.text) << c.index;
    }
    Str63 text;
    EXPECT_EQ(GetAliasInfo(alias, 2, text), paramErr);

    Boolean changed = true;
    EXPECT_EQ(UpdateAlias(nullptr, &target, alias, &changed), noErr);
    EXPECT_FALSE(changed);
    FSSpec other = SpecOf("C:\\dir\\g.txt");
    EXPECT_EQ(UpdateAlias(nullptr, &other, alias, &changed), noErr);
    EXPECT_TRUE(changed);
    EXPECT_STREQ((*alias)->fullPath, "C:\\dir\\g.txt");
    DisposeHandle(reinterpret_cast<Handle>(alias));
}

TEST(AliasFiles, ShortcutsAreMadeAndFollowed)
{
    std::string c = ScratchDir('C', "shortcuts");
    MakeFile(c + "target.txt");
    FSSpec target = SpecOf(c + "target.txt"), first = SpecOf(c + "first.lnk"), second = SpecOf(c + "second.lnk");
    ASSERT_EQ(ZEL_MakeAliasFile(&target, &first), noErr);
    ASSERT_EQ(ZEL_MakeAliasFile(&first, &second), noErr) << "a shortcut to a shortcut";
    EXPECT_NE(GetFileAttributesA((c + "first.lnk").c_str()), INVALID_FILE_ATTRIBUTES);

    struct Case {
        FSSpec start;
        bool chains;
        std::string reached;
        bool aliased;
        const char *shows;
    } cases[] = {
        {first, false, c + "target.txt", true, "one shortcut"},
        {second, true, c + "target.txt", true, "a chain of two, followed"},
        {second, false, c + "first.lnk", true, "a chain of two, one step"},
        {target, true, c + "target.txt", false, "a plain file"},
    };
    for (const Case &k : cases) {
        FSSpec fsSpec = k.start;
        Boolean folder = true, aliased = !k.aliased;
        EXPECT_EQ(ResolveAliasFile(&fsSpec, k.chains, &folder, &aliased), noErr) << k.shows;
        EXPECT_EQ(PathOf(fsSpec), k.reached) << k.shows;
        EXPECT_EQ(aliased != 0, k.aliased) << k.shows;
        EXPECT_FALSE(folder) << k.shows;
    }
    FSSpec missing = SpecOf(c + "missing.txt");
    Boolean folder, aliased;
    EXPECT_EQ(ResolveAliasFile(&missing, true, &folder, &aliased), fnfErr);

    // An alias record whose target is a shortcut resolves through it, and reports no change.
    AliasHandle alias = nullptr;
    ASSERT_EQ(NewAliasMinimal(&first, &alias), noErr);
    FSSpec out{};
    Boolean changed = true;
    EXPECT_EQ(ResolveAlias(nullptr, alias, &out, &changed), noErr);
    EXPECT_EQ(PathOf(out), c + "target.txt");
    EXPECT_FALSE(changed) << "the shortcut's target did not change";
    DisposeHandle(reinterpret_cast<Handle>(alias));
}

} // namespace

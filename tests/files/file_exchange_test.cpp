// The FSSpec and plain-argument File Manager calls, the exchange and copy of files, and the file-type
// and Macintosh-volume glue, on Wine's C: and Z: drives.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "Files.h"
#include "Resources.h"
#include "Zel.h"
#include "files_fixture.h"
#include "test_support.h"

namespace {

using files_test::ReadWholeFile;
using files_test::ScratchDir;
using files_test::WriteWholeFile;
using testing_support::P;

class RecordCalls : public ::testing::TestWithParam<char> {
protected:
    void SetUp() override
    {
        dir_ = ScratchDir(GetParam(), "fsspec");
        dirID_ = ZEL_DirIDFromPath(dir_.c_str(), &vRefNum_, nullptr);
        ASSERT_GT(dirID_, 2);
    }
    // A fsSpec of a name in the scratch directory, with FSMakeFSSpec's result.
    FSSpec MakeSpec(const char *name, OSErr *err = nullptr)
    {
        FSSpec fsSpec{};
        OSErr e = FSMakeFSSpec(vRefNum_, dirID_, P(name).c_str(), &fsSpec);
        if (err)
            *err = e;
        return fsSpec;
    }
    std::string Path(const char *name) const { return dir_ + name; }
    std::string dir_;
    int16_t vRefNum_ = 0;
    int32_t dirID_ = 0;
};

TEST_P(RecordCalls, CreateOpenReadWriteRenameDeleteLock)
{
    OSErr err;
    FSSpec fsSpec = MakeSpec("new.txt", &err);
    EXPECT_EQ(err, fnfErr) << "the fsSpec of a file not yet made";
    EXPECT_EQ(FSpCreate(&fsSpec, 0x74747874, 0x54455854, 0), noErr);
    EXPECT_EQ(FSpCreate(&fsSpec, 0x74747874, 0x54455854, 0), dupFNErr);
    int16_t r = 0;
    EXPECT_EQ(FSpOpenDF(&fsSpec, 3, &r), noErr);
    int32_t count = 5;
    EXPECT_EQ(FSWrite(r, &count, "hello"), noErr);
    EXPECT_EQ(SetFPos(r, 1, 1), noErr);
    char buffer[8] = {};
    count = 8;
    EXPECT_EQ(FSRead(r, &count, buffer), eofErr);
    EXPECT_EQ(std::string(buffer, count), "ello");
    EXPECT_EQ(FSpDelete(&fsSpec), fBsyErr) << "open";
    EXPECT_EQ(FSClose(r), noErr);

    FSSpec missing = MakeSpec("missing.txt");
    EXPECT_EQ(FSpOpenDF(&missing, 1, &r), fnfErr);
    EXPECT_EQ(FSpDelete(&missing), fnfErr);
    EXPECT_EQ(FSpSetFLock(&missing), fnfErr);
    EXPECT_EQ(FSpRename(&missing, P("x").c_str()), bdNamErr);

    ASSERT_TRUE(WriteWholeFile(Path("taken.txt"), "t"));
    EXPECT_EQ(FSpRename(&fsSpec, P("taken.txt").c_str()), dupFNErr);
    EXPECT_EQ(FSpRename(&fsSpec, P("renamed.txt").c_str()), noErr);
    FSSpec renamed = MakeSpec("renamed.txt", &err);
    EXPECT_EQ(err, noErr);
    EXPECT_EQ(ReadWholeFile(Path("renamed.txt")), "hello");

    // A locked file takes no writes; unlocked it does.
    EXPECT_EQ(FSpSetFLock(&renamed), noErr);
    EXPECT_TRUE(GetFileAttributesA(Path("renamed.txt").c_str()) & FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(FSpOpenDF(&renamed, 0, &r), noErr);
    count = 1;
    EXPECT_EQ(FSWrite(r, &count, "x"), wrPermErr);
    FSClose(r);
    EXPECT_EQ(FSpRstFLock(&renamed), noErr);
    EXPECT_FALSE(GetFileAttributesA(Path("renamed.txt").c_str()) & FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(FSpDelete(&renamed), noErr);
    EXPECT_EQ(ReadWholeFile(Path("renamed.txt")), "<missing>");

    FSSpec sub = MakeSpec("subdir");
    int32_t created = 0;
    EXPECT_EQ(FSpDirCreate(&sub, 0, &created), noErr);
    int32_t subID = created;
    EXPECT_EQ(subID, ZEL_DirIDFromPath(Path("subdir").c_str(), nullptr, nullptr));
    EXPECT_EQ(FSpDirCreate(&sub, 0, &created), dupFNErr);
    FSSpec nowhere = sub;
    nowhere.parID = 3;
    EXPECT_EQ(FSpDirCreate(&nowhere, 0, &created), dirNFErr);

    int32_t found = 0;
    Boolean isDirectory = false;
    EXPECT_EQ(GetDirectoryID(vRefNum_, dirID_, P("subdir").c_str(), &found, &isDirectory), noErr);
    EXPECT_TRUE(isDirectory);
    EXPECT_EQ(found, subID);
}

TEST_P(RecordCalls, PlainArgumentCalls)
{
    int16_t wd;
    ZEL_DirIDFromPath(dir_.c_str(), nullptr, &wd);
    EXPECT_EQ(Create(P("plain.txt").c_str(), wd, 0, 0), noErr);
    EXPECT_EQ(Create(P("plain.txt").c_str(), wd, 0, 0), dupFNErr);
    int16_t r = 0;
    EXPECT_EQ(FSOpen(P("plain.txt").c_str(), wd, &r), noErr);
    EXPECT_EQ(FSClose(r), noErr);
    EXPECT_EQ(Rename(P("plain.txt").c_str(), wd, P("other.txt").c_str()), noErr);
    FInfo info{};
    EXPECT_EQ(GetFInfo(P("other.txt").c_str(), wd, &info), noErr);
    EXPECT_EQ(info.fdCreator, 0x3F3F3F3Fu);
    EXPECT_EQ(GetFInfo(P("").c_str(), wd, &info), fnfErr);
    EXPECT_EQ(GetFInfo(P("plain.txt").c_str(), wd, &info), fnfErr);
    EXPECT_EQ(HOpenAware(vRefNum_, dirID_, P("other.txt").c_str(), 0, &r), noErr);
    FSClose(r);
    EXPECT_EQ(FlushVol(nullptr, vRefNum_), noErr);
    EXPECT_EQ(FSDelete(P("other.txt").c_str(), wd), noErr);
    EXPECT_EQ(HDelete(vRefNum_, dirID_, P("other.txt").c_str()), fnfErr);
    int32_t created = 0;
    EXPECT_EQ(DirCreate(vRefNum_, dirID_, P("made").c_str(), &created), noErr);
    EXPECT_GT(created, 2);
    EXPECT_EQ(HOpenRF(vRefNum_, dirID_, P("made").c_str(), 1, &r), -1);
}

TEST_P(RecordCalls, ExchangeSwapsContentsAndOpenFilesFollow)
{
    ASSERT_TRUE(WriteWholeFile(Path("one.dat"), "AAA"));
    ASSERT_TRUE(WriteWholeFile(Path("two.dat"), "BBBB"));
    ASSERT_TRUE(WriteWholeFile(Path("one.aaa"), "a temporary name that is taken"));
    FSSpec one = MakeSpec("one.dat"), two = MakeSpec("two.dat");
    int16_t r = 0;
    ASSERT_EQ(FSpOpenDF(&one, 1, &r), noErr);
    char c = 0;
    int32_t count = 1;
    ASSERT_EQ(FSRead(r, &count, &c), noErr);
    EXPECT_EQ(FSpExchangeFiles(&one, &two), noErr);
    EXPECT_EQ(ReadWholeFile(Path("one.dat")), "BBBB");
    EXPECT_EQ(ReadWholeFile(Path("two.dat")), "AAA");
    EXPECT_EQ(ReadWholeFile(Path("one.aaa")), "a temporary name that is taken");
    EXPECT_EQ(ReadWholeFile(Path("one.aab")), "<missing>");
    // The open refNum reads on where it was, in its contents under the other name.
    char rest[4] = {};
    count = 4;
    EXPECT_EQ(FSRead(r, &count, rest), eofErr);
    EXPECT_EQ(std::string(rest, count), "AA");
    FCBPBRec fcb{};
    Str255 name = {};
    fcb.ioNamePtr = name;
    fcb.ioRefNum = r;
    EXPECT_EQ(PBGetFCBInfo(&fcb, false), noErr);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(name + 1), name[0]), "two.dat");
    FSClose(r);

    // With the destination held without sharing, nothing changes and no temporary file stays.
    HANDLE held = CreateFileA(Path("two.dat").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(FSpExchangeFiles(&one, &two), paramErr);
    CloseHandle(held);
    EXPECT_EQ(ReadWholeFile(Path("one.dat")), "BBBB");
    EXPECT_EQ(ReadWholeFile(Path("two.dat")), "AAA");
    EXPECT_EQ(ReadWholeFile(Path("one.aab")), "<missing>");
    FSSpec missing = MakeSpec("none.dat");
    EXPECT_EQ(FSpExchangeFiles(&missing, &two), fnfErr);
}

TEST_P(RecordCalls, CopiesTakeTheSourceNameWithoutACopyName)
{
    ASSERT_TRUE(WriteWholeFile(Path("orig.dat"), "copy me"));
    std::string target = dir_ + "target\\";
    CreateDirectoryA(target.c_str(), nullptr);
    int32_t targetID = ZEL_DirIDFromPath(target.c_str(), nullptr, nullptr);
    FSSpec source = MakeSpec("orig.dat");
    FSSpec dest{};
    EXPECT_EQ(FSMakeFSSpec(vRefNum_, targetID, nullptr, &dest), noErr);
    EXPECT_EQ(FSpFileCopy(&source, &dest, nullptr, nullptr, 0, false), noErr);
    EXPECT_EQ(ReadWholeFile(target + "orig.dat"), "copy me");
    DeleteFileA((target + "orig.dat").c_str());
    EXPECT_EQ(FSpFileCopy(&source, &dest, P("").c_str(), nullptr, 0, false), noErr);
    EXPECT_EQ(ReadWholeFile(target + "orig.dat"), "copy me") << "an empty copy name";
    EXPECT_EQ(FileCopy(vRefNum_, dirID_, P("orig.dat").c_str(), vRefNum_, targetID, nullptr, P("named.dat").c_str(),
                       nullptr, 0, false),
              noErr);
    EXPECT_EQ(ReadWholeFile(target + "named.dat"), "copy me");
    EXPECT_EQ(FileCopy(vRefNum_, dirID_, P("absent").c_str(), vRefNum_, targetID, nullptr, nullptr, nullptr, 0, false),
              -1);
}

TEST_P(RecordCalls, ResourceForkIntoTheMacintoshStream)
{
    ASSERT_TRUE(WriteWholeFile(Path("doc"), "data fork"));
    CreateDirectoryA(Path("RESOURCE.FRK").c_str(), nullptr);
    ASSERT_TRUE(WriteWholeFile(Path("RESOURCE.FRK\\doc"), "resource fork"));
    uint32_t old = ZEL_SystemValue(1, 75, 1);
    InitResources();
    EXPECT_EQ(ZEL_MakeMacAFPRSR(vRefNum_, dirID_, P("doc").c_str()), 0);
    EXPECT_EQ(ReadWholeFile(Path("doc:AFP_Resource")), "resource fork");
    ZEL_SystemValue(1, 75, old);
    InitResources();
    // A full path, outside RESOURCE.FRK mode: the file's own bytes.
    EXPECT_EQ(ZEL_MakeMacAFPRSR(0, 0, P(Path("doc").c_str()).c_str()), 0);
    EXPECT_EQ(ReadWholeFile(Path("doc:AFP_Resource")), "data fork");
}

INSTANTIATE_TEST_SUITE_P(Drives, RecordCalls, ::testing::Values('C', 'Z'),
                         [](const ::testing::TestParamInfo<char> &info) { return std::string(1, info.param); });

// A program named MACFILE.EXE beside the test and in the current directory is never started: only the
// system directory's is. (The planted files are not programs, so starting one would fail differently.)
TEST(MacVolumes, PlantedMacfileNeverRuns)
{
    files_test::KeepCurrentDirectory keep;
    std::string current = ScratchDir('C', "macfile");
    SetCurrentDirectoryA(current.c_str());
    std::string beside = testing_support::ProgramDirectory() + "MACFILE.EXE";
    ASSERT_TRUE(WriteWholeFile(beside, "not a program"));
    ASSERT_TRUE(WriteWholeFile(current + "MACFILE.EXE", "not a program"));
    ASSERT_TRUE(WriteWholeFile(current + "target.txt", "t"));
    char system[MAX_PATH];
    GetSystemDirectoryA(system, MAX_PATH);
    ASSERT_EQ(GetFileAttributesA((std::string(system) + "\\MACFILE.EXE").c_str()), INVALID_FILE_ATTRIBUTES);
    int16_t v;
    int32_t dir = ZEL_DirIDFromPath(current.c_str(), &v, nullptr);
    EXPECT_EQ(ZEL_MakeMacAFPInfo(v, dir, P("target.txt").c_str(), 0x54455854, 0x74747874), ERROR_FILE_NOT_FOUND);
    HParamBlockRec pb{};
    std::basic_string<unsigned char> name = P("target.txt");
    pb.fileParam.ioNamePtr = name.data();
    pb.fileParam.ioVRefNum = v;
    pb.fileParam.ioDirID = dir;
    ASSERT_EQ(PBHGetFInfo(&pb, false), noErr);
    EXPECT_EQ(PBHSetFInfo(&pb, false), noErr) << "Finder information is still set";
    DeleteFileA(beside.c_str());
}

} // namespace

// The parameter-block and byte-level File Manager calls on Wine's C: and Z: drives.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "Events.h"
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

using PString = std::basic_string<unsigned char>;
constexpr OSType kUnknown = 0x3F3F3F3F; // '????'

std::string Text(const unsigned char *p) { return std::string(reinterpret_cast<const char *>(p + 1), p[0]); }

// PBGetCatInfo of the index-th entry of a directory; the entry's name lands in `name`.
OSErr CatInfoAt(int16_t vRefNum, int32_t dirID, int16_t index, unsigned char *name, CInfoPBRec *pb)
{
    *pb = CInfoPBRec{};
    name[0] = 0;
    pb->hFileInfo.ioNamePtr = name;
    pb->hFileInfo.ioVRefNum = vRefNum;
    pb->hFileInfo.ioDirID = dirID;
    pb->hFileInfo.ioFDirIndex = index;
    return PBGetCatInfo(pb, false);
}

// A scratch directory with its volume and directory ID, and calls that name files in it.
class FileCalls : public ::testing::TestWithParam<char> {
protected:
    void SetUp() override
    {
        dir_ = ScratchDir(GetParam(), "pb_calls");
        dirID_ = ZEL_DirIDFromPath(dir_.c_str(), &vRefNum_, nullptr);
        ASSERT_GT(dirID_, 2);
    }
    void TearDown() override
    {
        for (int16_t r : open_)
            FSClose(r);
    }
    std::string Path(const char *name) const { return dir_ + name; }

    HParamBlockRec Block(const PString &name, int8_t permission = 0)
    {
        HParamBlockRec pb{};
        names_.push_back(name);
        pb.ioParam.ioNamePtr = const_cast<unsigned char *>(names_.back().c_str());
        pb.ioParam.ioVRefNum = vRefNum_;
        pb.ioParam.ioPermssn = permission;
        pb.fileParam.ioDirID = dirID_;
        return pb;
    }
    // Opens a file of the directory; the refNum is closed at the end of the test.
    int16_t Open(const char *name, int8_t permission, OSErr *err = nullptr)
    {
        HParamBlockRec pb = Block(P(name), permission);
        OSErr e = PBHOpen(&pb, false);
        if (err)
            *err = e;
        EXPECT_EQ(pb.ioParam.ioResult, e);
        if (e == noErr)
            open_.push_back(pb.ioParam.ioRefNum);
        return pb.ioParam.ioRefNum;
    }
    void Close(int16_t r)
    {
        EXPECT_EQ(FSClose(r), noErr);
        open_.erase(std::remove(open_.begin(), open_.end(), r), open_.end());
    }

    std::string dir_;
    int16_t vRefNum_ = 0;
    int32_t dirID_ = 0;
    std::vector<int16_t> open_;
    std::vector<PString> names_;
};

int32_t ZEL_CALL HostFileType(ConstStr255Param, int16_t, OSType *type, OSType *creator)
{
    *type = 0x41424344;
    *creator = 0x45464748;
    return 1;
}

// ---- Byte-level calls ----

TEST_P(FileCalls, ReadsWritesMarksAndLengths)
{
    ASSERT_TRUE(WriteWholeFile(Path("data"), std::string(100, 'd')));
    int16_t r = Open("data", 0);
    ASSERT_GT(r, 1);
    char buffer[200];

    struct Seek {
        int16_t mode;
        int32_t offset;
        OSErr err;
        int32_t mark;
        const char *shows;
    } seeks[] = {
        {1, 60, noErr, 60, "from the start"},
        {3, -10, noErr, 50, "from the mark"},
        {0, 99, noErr, 50, "at the mark ignores the offset"},
        {2, -10, noErr, 90, "back from the end"},
        {2, 10, eofErr, 110, "past the end is made and reported"},
        {1, -5, ioErr, 110, "before the start fails"},
    };
    for (const Seek &s : seeks) {
        EXPECT_EQ(SetFPos(r, s.mode, s.offset), s.err) << s.shows;
        int32_t mark = -1;
        EXPECT_EQ(GetFPos(r, &mark), noErr);
        EXPECT_EQ(mark, s.mark) << s.shows;
    }

    EXPECT_EQ(SetFPos(r, 1, 60), noErr);
    int32_t count = 100;
    EXPECT_EQ(FSRead(r, &count, buffer), eofErr) << "a read past the end";
    EXPECT_EQ(count, 40);
    count = 0;
    EXPECT_EQ(FSWrite(r, &count, "x"), noErr);
    count = -1;
    EXPECT_EQ(FSWrite(r, &count, "x"), paramErr);
    EXPECT_EQ(count, 0);
    count = -5;
    EXPECT_EQ(FSRead(r, &count, buffer), paramErr);
    EXPECT_EQ(count, 0);

    // SetEOF leaves exactly the length asked for, and a mark past it moves to it.
    int32_t eof = 0;
    for (int32_t length : {30, 150, 1, 0, 64}) {
        EXPECT_EQ(SetEOF(r, length), noErr) << length;
        EXPECT_EQ(GetEOF(r, &eof), noErr);
        EXPECT_EQ(eof, length);
        EXPECT_EQ(ReadWholeFile(Path("data")).size(), static_cast<size_t>(length));
        int32_t mark;
        GetFPos(r, &mark);
        EXPECT_LE(mark, length);
    }
    count = 36;
    EXPECT_EQ(Allocate(r, &count), noErr);
    EXPECT_EQ(count, 36);
    EXPECT_EQ(GetEOF(r, &eof), noErr);
    EXPECT_EQ(eof, 100);
    EXPECT_EQ(SetEOF(r, -1), paramErr);
    EXPECT_EQ(LockRange(r, 0, 10), noErr);
    EXPECT_EQ(UnlockRange(r, 0, 10), noErr);
}

TEST_P(FileCalls, WritesNeedWriteAccessAndAWritableFile)
{
    ASSERT_TRUE(WriteWholeFile(Path("ro"), "read only"));
    int16_t reader = Open("ro", 1);
    ASSERT_GT(reader, 1);
    int32_t count = 4;
    EXPECT_EQ(FSWrite(reader, &count, "nope"), wrPermErr) << "a refNum opened for reading";
    EXPECT_EQ(count, 0);
    EXPECT_EQ(SetEOF(reader, 2), wrPermErr);
    count = 1;
    EXPECT_EQ(Allocate(reader, &count), wrPermErr);
    Close(reader);
    int16_t writer = Open("ro", 0);
    ASSERT_GT(writer, 1);
    SetFileAttributesA(Path("ro").c_str(), FILE_ATTRIBUTE_READONLY);
    count = 4;
    EXPECT_EQ(FSWrite(writer, &count, "nope"), wrPermErr) << "a read-only file";
    SetFileAttributesA(Path("ro").c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(ReadWholeFile(Path("ro")), "read only");
    // A lock set and cleared through the library is seen by the next write of a path that has written.
    FSSpec lockedFile{};
    ASSERT_EQ(FSMakeFSSpec(vRefNum_, dirID_, P("ro").c_str(), &lockedFile), noErr);
    struct Step {
        OSErr(ZEL_CALL *lock)(const FSSpec *);
        OSErr write;
    } steps[] = {{nullptr, noErr}, {FSpSetFLock, wrPermErr}, {FSpRstFLock, noErr}};
    for (const Step &step : steps) {
        if (step.lock) {
            ASSERT_EQ(step.lock(&lockedFile), noErr);
        }
        count = 1;
        EXPECT_EQ(FSWrite(writer, &count, "w"), step.write);
        EXPECT_EQ(count, step.write == noErr ? 1 : 0);
    }
    EXPECT_EQ(ReadWholeFile(Path("ro")), "wwad only");

    int32_t mark = 7, eof = 7;
    EXPECT_EQ(GetFPos(40, &mark), ioErr);
    EXPECT_EQ(mark, 0);
    EXPECT_EQ(GetEOF(40, &eof), ioErr);
    EXPECT_EQ(eof, 0);
    // Negative refNums are the serial driver's; no port is open, so the unit is a bad one.
    count = 3;
    EXPECT_EQ(FSRead(-7, &count, &mark), -21);
    EXPECT_EQ(count, 0);
}

TEST_P(FileCalls, TransfersLeaveTheMarkInIoPosOffset)
{
    ASSERT_TRUE(WriteWholeFile(Path("marks"), "0123456789"));
    int16_t r = Open("marks", 3);
    char buffer[16] = {};
    struct Case {
        int16_t mode;
        int32_t offset;
        int32_t mark;
        const char *shows;
    } cases[] = {{1, 2, 5, "from the start"}, {0, 0, 8, "at the mark"}, {3, -6, 5, "from the mark"},
                 {2, -4, 9, "from the end"}};
    for (const Case &c : cases) {
        for (bool write : {false, true}) {
            ParamBlockRec pb{};
            pb.ioParam.ioRefNum = r;
            pb.ioParam.ioBuffer = buffer;
            pb.ioParam.ioReqCount = 3;
            pb.ioParam.ioPosMode = c.mode;
            pb.ioParam.ioPosOffset = write ? c.offset : c.offset;
            if (write)
                SetFPos(r, 1, 0), pb.ioParam.ioPosMode = 1, pb.ioParam.ioPosOffset = c.mark - 3;
            OSErr err = write ? PBWrite(&pb, false) : PBRead(&pb, false);
            EXPECT_EQ(err, noErr) << c.shows;
            EXPECT_EQ(pb.ioParam.ioActCount, 3) << c.shows;
            EXPECT_EQ(pb.ioParam.ioPosOffset, c.mark) << c.shows << (write ? " (write)" : " (read)");
        }
    }
    ParamBlockRec pb{};
    pb.ioParam.ioRefNum = r;
    pb.ioParam.ioBuffer = buffer;
    pb.ioParam.ioReqCount = -1;
    EXPECT_EQ(PBRead(&pb, false), paramErr);
    EXPECT_EQ(PBWrite(&pb, false), paramErr);
    EXPECT_EQ(pb.ioParam.ioActCount, 0);
}

TEST_P(FileCalls, NewlineModeReadsUpToTheNewline)
{
    ASSERT_TRUE(WriteWholeFile(Path("lines"), "ab\rcd"));
    int16_t r = Open("lines", 1);
    char buffer[16] = {};
    ParamBlockRec pb{};
    pb.ioParam.ioRefNum = r;
    pb.ioParam.ioBuffer = buffer;
    pb.ioParam.ioReqCount = 10;
    pb.ioParam.ioPosMode = static_cast<int16_t>(0x0D80 | 1);
    EXPECT_EQ(PBRead(&pb, false), noErr);
    EXPECT_EQ(pb.ioParam.ioActCount, 3);
    EXPECT_EQ(std::string(buffer, 3), "ab\r");
    EXPECT_EQ(pb.ioParam.ioPosOffset, 3);
    int32_t mark;
    GetFPos(r, &mark);
    EXPECT_EQ(mark, 3);
    // Without another newline the rest comes, with the end of the file.
    pb.ioParam.ioPosMode = static_cast<int16_t>(0x0D80);
    EXPECT_EQ(PBRead(&pb, false), eofErr);
    EXPECT_EQ(pb.ioParam.ioActCount, 2);
    EXPECT_EQ(pb.ioParam.ioPosOffset, 5);
}

// ---- Open, create, delete, rename ----

TEST_P(FileCalls, OpenCreateAndCloseErrors)
{
    HParamBlockRec pb = Block(P("made"));
    EXPECT_EQ(PBHCreate(&pb, false), noErr);
    EXPECT_EQ(PBHCreate(&pb, false), dupFNErr);
    ParamBlockRec plain{};
    PString made = P("made");
    plain.ioParam.ioNamePtr = made.data();
    plain.ioParam.ioVRefNum = ZEL_DirIDFromPath(dir_.c_str(), nullptr, &plain.ioParam.ioVRefNum) ? plain.ioParam.ioVRefNum : 0;
    EXPECT_EQ(PBCreate(&plain, false), dupFNErr) << "through the working directory";

    OSErr err;
    int16_t writer = Open("made", 2, &err);
    EXPECT_EQ(err, noErr);
    int16_t other = Open("made", 3, &err);
    EXPECT_EQ(err, opWrErr);
    EXPECT_EQ(other, writer) << "the refNum already open on the file";
    int16_t reader = Open("made", 1, &err);
    EXPECT_EQ(err, noErr);
    EXPECT_NE(reader, writer);
    int16_t current = Open("made", 0, &err);
    EXPECT_EQ(err, noErr) << "the current permission falls back to reading";

    pb = Block(P("absent"));
    pb.ioParam.ioRefNum = 5;
    EXPECT_EQ(PBHOpen(&pb, false), fnfErr);
    EXPECT_EQ(pb.ioParam.ioRefNum, 0);
    pb = Block(P("made"));
    pb.fileParam.ioDirID = 3;
    pb.ioParam.ioRefNum = 5;
    EXPECT_EQ(PBHOpen(&pb, false), dirNFErr);
    EXPECT_EQ(pb.ioParam.ioRefNum, 0);

    ParamBlockRec close{};
    EXPECT_EQ(PBClose(&close, false), fnOpnErr);
    close.ioParam.ioRefNum = current;
    EXPECT_EQ(PBClose(&close, false), noErr);
    EXPECT_EQ(PBClose(&close, false), ioErr);
    open_.erase(std::remove(open_.begin(), open_.end(), current), open_.end());
}

TEST_P(FileCalls, DeleteRenameAndDirectoryCreate)
{
    ASSERT_TRUE(WriteWholeFile(Path("victim"), "v"));
    ASSERT_TRUE(WriteWholeFile(Path("taken"), "t"));
    int16_t r = Open("victim", 1);
    HParamBlockRec pb = Block(P("victim"));
    EXPECT_EQ(PBHDelete(&pb, false), fBsyErr);
    EXPECT_EQ(ReadWholeFile(Path("victim")), "v");
    Close(r);
    EXPECT_EQ(PBHDelete(&pb, false), noErr);
    EXPECT_EQ(ReadWholeFile(Path("victim")), "<missing>");
    EXPECT_EQ(PBHDelete(&pb, false), fnfErr);

    struct Rename {
        const char *from, *to;
        OSErr err;
        const char *shows;
    } renames[] = {
        {"taken", "moved", noErr, "to a free name"},
        {"moved", "moved", noErr, "to itself"},
        {"missing", "x", bdNamErr, "a missing file"},
    };
    for (const Rename &c : renames) {
        pb = Block(P(c.from));
        PString to = P(c.to);
        pb.ioParam.ioMisc = reinterpret_cast<Ptr>(to.data());
        EXPECT_EQ(PBHRename(&pb, false), c.err) << c.shows;
    }
    ASSERT_TRUE(WriteWholeFile(Path("second"), "2"));
    pb = Block(P("second"));
    PString to = P("moved");
    pb.ioParam.ioMisc = reinterpret_cast<Ptr>(to.data());
    EXPECT_EQ(PBHRename(&pb, false), dupFNErr) << "a taken name is never a success";
    EXPECT_EQ(ReadWholeFile(Path("moved")), "t");
    EXPECT_EQ(ReadWholeFile(Path("second")), "2");

    pb = Block(P("newdir"));
    EXPECT_EQ(PBDirCreate(&pb, false), noErr);
    EXPECT_EQ(pb.fileParam.ioDirID, ZEL_DirIDFromPath(Path("newdir").c_str(), nullptr, nullptr));
    pb = Block(P("newdir"));
    EXPECT_EQ(PBDirCreate(&pb, false), dupFNErr);
}

TEST_P(FileCalls, CompanionForksGoOnlyWithTheirFiles)
{
    ASSERT_TRUE(WriteWholeFile(Path("doc"), "data"));
    CreateDirectoryA(Path("Resource.frk").c_str(), nullptr);
    ASSERT_TRUE(WriteWholeFile(Path("Resource.frk\\doc"), "fork"));
    uint32_t old = ZEL_SystemValue(1, 75, 1);
    InitResources();
    int16_t r = Open("doc", 1);
    HParamBlockRec pb = Block(P("doc"));
    EXPECT_EQ(PBHDelete(&pb, false), fBsyErr);
    EXPECT_EQ(ReadWholeFile(Path("Resource.frk\\doc")), "fork") << "a refused delete keeps the resources";
    Close(r);
    EXPECT_EQ(PBHDelete(&pb, false), noErr);
    EXPECT_EQ(ReadWholeFile(Path("Resource.frk\\doc")), "<missing>");
    ZEL_SystemValue(1, 75, old);
    InitResources();
}

// ---- Catalog ----

TEST_P(FileCalls, EnumerationReportsEachEntryOnceAndEveryNameOpens)
{
    std::string d = dir_ + "listing\\";
    CreateDirectoryA(d.c_str(), nullptr);
    const std::set<std::string> visible = {"a.txt", "b.dat", "sub", "caf\xE9.txt", "long name.text"};
    for (const char *f : {"a.txt", "b.dat", "caf\xE9.txt", "long name.text", ".hidden"})
        ASSERT_TRUE(WriteWholeFile(d + f, f));
    CreateDirectoryA((d + "sub").c_str(), nullptr);
    CreateDirectoryA((d + ".dotdir").c_str(), nullptr);
    int32_t listing = ZEL_DirIDFromPath(d.c_str(), nullptr, nullptr);

    std::set<std::string> seen;
    for (int16_t index = 1;; ++index) {
        Str255 name;
        CInfoPBRec pb;
        OSErr err = CatInfoAt(vRefNum_, listing, index, name, &pb);
        if (err == fnfErr)
            break;
        ASSERT_EQ(err, noErr) << index;
        std::string n = Text(name);
        EXPECT_TRUE(seen.insert(n).second) << n << " reported twice";
        EXPECT_EQ(pb.hFileInfo.ioFlParID, listing);
        EXPECT_EQ(pb.hFileInfo.ioFlAttrib & 0x10, n == "sub" ? 0x10 : 0) << n;
        // A look-up in between does not disturb the enumeration.
        HParamBlockRec info{};
        PString pname = P(n.c_str());
        info.fileParam.ioNamePtr = pname.data();
        info.fileParam.ioVRefNum = vRefNum_;
        info.fileParam.ioDirID = listing;
        EXPECT_EQ(PBHGetFInfo(&info, false), noErr) << n;
        if (n != "sub") {
            HParamBlockRec open = info;
            open.ioParam.ioPermssn = 1;
            open.fileParam.ioDirID = listing;
            EXPECT_EQ(PBHOpen(&open, false), noErr) << n << " opens by the name it was reported under";
            FSClose(open.ioParam.ioRefNum);
        }
        ASSERT_LT(index, 20);
    }
    EXPECT_EQ(seen, visible);

    // The directory itself: its valence counts what the enumeration reports, and its parent.
    CInfoPBRec self{};
    self.dirInfo.ioVRefNum = vRefNum_;
    self.dirInfo.ioDrDirID = listing;
    self.dirInfo.ioFDirIndex = -1;
    EXPECT_EQ(PBGetCatInfo(&self, false), noErr);
    EXPECT_EQ(self.dirInfo.ioFlAttrib, 0x10);
    EXPECT_EQ(self.dirInfo.ioDrNmFls, visible.size());
    EXPECT_EQ(self.dirInfo.ioDrParID, dirID_);
    EXPECT_EQ(self.dirInfo.ioDrDirID, listing);

    // Stepping back restarts the search and still finds the same entries.
    auto nameAt = [&](int16_t index) {
        Str255 name;
        CInfoPBRec pb;
        return CatInfoAt(vRefNum_, listing, index, name, &pb) == noErr ? Text(name) : std::string("<none>");
    };
    std::string third = nameAt(3), second = nameAt(2);
    EXPECT_NE(third, second);
    EXPECT_EQ(nameAt(3), third);
    EXPECT_EQ(nameAt(2), second);
}

TEST_P(FileCalls, CatalogInfoOfAFile)
{
    ASSERT_TRUE(WriteWholeFile(Path("info.txt"), std::string(1234, 'i')));
    CInfoPBRec pb{};
    PString name = P("info.txt");
    pb.hFileInfo.ioNamePtr = name.data();
    pb.hFileInfo.ioVRefNum = vRefNum_;
    pb.hFileInfo.ioDirID = dirID_;
    EXPECT_EQ(PBGetCatInfo(&pb, false), noErr);
    EXPECT_EQ(pb.hFileInfo.ioFlLgLen, 1234);
    EXPECT_EQ(pb.hFileInfo.ioFRefNum, -1) << "not open";
    EXPECT_EQ(pb.hFileInfo.ioFlParID, dirID_);
    EXPECT_EQ(pb.hFileInfo.ioFlFndrInfo.fdCreator, kUnknown);
    // The dates are the file's own, as local Macintosh seconds.
    WIN32_FILE_ATTRIBUTE_DATA data;
    ASSERT_TRUE(GetFileAttributesExA(Path("info.txt").c_str(), GetFileExInfoStandard, &data));
    FILETIME local;
    FileTimeToLocalFileTime(&data.ftLastWriteTime, &local);
    uint64_t ticks = (static_cast<uint64_t>(local.dwHighDateTime) << 32) | local.dwLowDateTime;
    EXPECT_EQ(pb.hFileInfo.ioFlMdDat, static_cast<uint32_t>((ticks - 95616288000000000ULL) / 10000000));
    EXPECT_NE(pb.hFileInfo.ioFlCrDat, 0u);

    int16_t r = Open("info.txt", 1);
    EXPECT_EQ(PBGetCatInfo(&pb, false), noErr);
    EXPECT_EQ(pb.hFileInfo.ioFRefNum, r) << "open";

    // A volume's root describes itself as a directory with its valence.
    CInfoPBRec root{};
    root.dirInfo.ioVRefNum = vRefNum_;
    root.dirInfo.ioDrDirID = 2;
    root.dirInfo.ioFDirIndex = -1;
    EXPECT_EQ(PBGetCatInfo(&root, false), noErr);
    EXPECT_EQ(root.dirInfo.ioFlAttrib, 0x10);
    EXPECT_GT(root.dirInfo.ioDrNmFls, 0);
}

// PBGetCatInfo of a name in a directory: the name as it reports it and the file's length.
OSErr LookUpByName(int16_t vRefNum, int32_t dirID, const char *asked, std::string *spelled, int32_t *length)
{
    CInfoPBRec pb{};
    PString name = P(asked);
    pb.hFileInfo.ioNamePtr = name.data();
    pb.hFileInfo.ioVRefNum = vRefNum;
    pb.hFileInfo.ioDirID = dirID;
    OSErr err = PBGetCatInfo(&pb, false);
    *spelled = std::string(reinterpret_cast<const char *>(name.data() + 1), name[0]);
    *length = pb.hFileInfo.ioFlLgLen;
    return err;
}

// A look-up by name reports the name as the directory spells it now, and the file's size now, through
// renames, deletion and a new file of the same name.
TEST_P(FileCalls, CatalogNamesFollowTheDirectory)
{
    auto lookUp = [&](const char *asked, std::string *spelled, int32_t *length) {
        return LookUpByName(vRefNum_, dirID_, asked, spelled, length);
    };
    std::string spelled;
    int32_t length = 0;
    ASSERT_TRUE(WriteWholeFile(Path("Spelled.Txt"), "12345"));
    EXPECT_EQ(lookUp("SPELLED.TXT", &spelled, &length), noErr);
    EXPECT_EQ(spelled, "Spelled.Txt");
    EXPECT_EQ(length, 5);

    // Wine leaves a rename in case only undone, so the new spelling comes by way of another name.
    ASSERT_TRUE(MoveFileA(Path("Spelled.Txt").c_str(), Path("between").c_str()));
    ASSERT_TRUE(MoveFileA(Path("between").c_str(), Path("SPELLED.txt").c_str()));
    EXPECT_EQ(lookUp("spelled.txt", &spelled, &length), noErr);
    EXPECT_EQ(spelled, "SPELLED.txt") << "spelled anew";

    ASSERT_TRUE(MoveFileA(Path("SPELLED.txt").c_str(), Path("moved.txt").c_str()));
    EXPECT_EQ(lookUp("spelled.txt", &spelled, &length), fnfErr) << "renamed away";
    EXPECT_EQ(lookUp("MOVED.TXT", &spelled, &length), noErr);
    EXPECT_EQ(spelled, "moved.txt");

    ASSERT_TRUE(DeleteFileA(Path("moved.txt").c_str()));
    EXPECT_EQ(lookUp("moved.txt", &spelled, &length), fnfErr) << "deleted";
    ASSERT_TRUE(WriteWholeFile(Path("MOVED.TXT"), "1234567"));
    EXPECT_EQ(lookUp("moved.txt", &spelled, &length), noErr);
    EXPECT_EQ(spelled, "MOVED.TXT") << "made again";
    EXPECT_EQ(length, 7);
}

// The same for an entry whose last change is long past (the look-ups then trust its unchanged state):
// looked up twice, renamed in case, written to behind the library's back.
TEST_P(FileCalls, CatalogNamesFollowAnOlderEntry)
{
    auto lookUp = [&](const char *asked, std::string *spelled, int32_t *length) {
        return LookUpByName(vRefNum_, dirID_, asked, spelled, length);
    };
    std::string spelled;
    int32_t length = 0;
    ASSERT_TRUE(WriteWholeFile(Path("Aged.Txt"), "12345"));
    Sleep(300); // past the file system's time stamp tick
    for (const char *asked : {"AGED.TXT", "aged.txt"}) {
        EXPECT_EQ(lookUp(asked, &spelled, &length), noErr);
        EXPECT_EQ(spelled, "Aged.Txt") << asked;
        EXPECT_EQ(length, 5) << asked;
    }
    ASSERT_TRUE(MoveFileA(Path("Aged.Txt").c_str(), Path("between").c_str()));
    ASSERT_TRUE(MoveFileA(Path("between").c_str(), Path("AGED.txt").c_str()));
    EXPECT_EQ(lookUp("aged.txt", &spelled, &length), noErr);
    EXPECT_EQ(spelled, "AGED.txt") << "spelled anew";

    Sleep(300);
    EXPECT_EQ(lookUp("aged.txt", &spelled, &length), noErr);
    ASSERT_TRUE(WriteWholeFile(Path("AGED.txt"), "1234567"));
    EXPECT_EQ(lookUp("Aged.txt", &spelled, &length), noErr);
    EXPECT_EQ(spelled, "AGED.txt");
    EXPECT_EQ(length, 7) << "written since";
    ASSERT_TRUE(DeleteFileA(Path("AGED.txt").c_str()));
    EXPECT_EQ(lookUp("aged.txt", &spelled, &length), fnfErr) << "deleted";
}

TEST_P(FileCalls, FinderInfoRoundTripKeepsTheTimes)
{
    ASSERT_TRUE(WriteWholeFile(Path("times"), "t"));
    HParamBlockRec pb = Block(P("times"));
    ASSERT_EQ(PBHGetFInfo(&pb, false), noErr);
    uint32_t created = pb.fileParam.ioFlCrDat, modified = pb.fileParam.ioFlMdDat;
    EXPECT_EQ(pb.fileParam.ioFlLgLen, 1);

    // Back to the file as it was read, even while it is open without sharing.
    int16_t r = Open("times", 3);
    pb = Block(P("times"));
    ASSERT_EQ(PBHGetFInfo(&pb, false), noErr);
    EXPECT_EQ(PBHSetFInfo(&pb, false), noErr);
    Close(r);
    pb = Block(P("times"));
    ASSERT_EQ(PBHGetFInfo(&pb, false), noErr);
    EXPECT_EQ(pb.fileParam.ioFlMdDat, modified);
    EXPECT_EQ(pb.fileParam.ioFlCrDat, created);

    // A new modification date lands; dates of 0 or before 1980 leave the times alone.
    struct Case {
        uint32_t modifiedIn;
        uint32_t expected;
        const char *shows;
    } cases[] = {
        {modified - 86400 * 3 + 1, modified - 86400 * 3 + 1, "three days earlier, odd second"},
        {0, modified - 86400 * 3 + 1, "0 keeps the time"},
        {86400 * 365, modified - 86400 * 3 + 1, "1905 keeps the time"},
    };
    for (const Case &c : cases) {
        pb = Block(P("times"));
        PBHGetFInfo(&pb, false);
        pb.fileParam.ioFlMdDat = c.modifiedIn;
        pb.fileParam.ioFlCrDat = 0;
        EXPECT_EQ(PBHSetFInfo(&pb, false), noErr) << c.shows;
        pb = Block(P("times"));
        PBHGetFInfo(&pb, false);
        // (Wine reports a Linux file's modification time as its creation time too.)
        EXPECT_EQ(pb.fileParam.ioFlMdDat, c.expected) << c.shows;
    }
    pb = Block(P("absent"));
    EXPECT_EQ(PBHSetFInfo(&pb, false), fnfErr);
    EXPECT_EQ(PBHGetFInfo(&pb, false), fnfErr);
}

TEST_P(FileCalls, OpenFileDescriptionAndCopies)
{
    ASSERT_TRUE(WriteWholeFile(Path("source"), std::string(5000, 's')));
    ASSERT_TRUE(WriteWholeFile(Path("longer"), std::string(9000, 'l')));
    int16_t r = Open("source", 1);
    FCBPBRec fcb{};
    Str255 name = {};
    fcb.ioNamePtr = name;
    fcb.ioRefNum = r;
    EXPECT_EQ(PBGetFCBInfo(&fcb, false), noErr);
    EXPECT_EQ(Text(name), "source");
    EXPECT_EQ(fcb.ioFCBParID, dirID_);
    int16_t wd;
    ZEL_DirIDFromPath(dir_.c_str(), nullptr, &wd);
    EXPECT_EQ(fcb.ioFCBVRefNum, wd);
    Close(r);
    EXPECT_EQ(PBGetFCBInfo(&fcb, false), fnOpnErr);

    for (const char *target : {"longer", "fresh"}) {
        HParamBlockRec copy = Block(P("source"));
        PString copyName = P(target);
        copy.copyParam.ioCopyName = copyName.data();
        copy.copyParam.ioDstVRefNum = vRefNum_;
        copy.copyParam.ioNewDirID = dirID_;
        copy.fileParam.ioDirID = dirID_;
        EXPECT_EQ(PBHCopyFileSync(&copy), noErr) << target;
        EXPECT_EQ(ReadWholeFile(Path(target)), std::string(5000, 's')) << target << " as long as the source";
    }
}

TEST_P(FileCalls, FileTypesFromTheHostTableAndProcedure)
{
    ASSERT_TRUE(WriteWholeFile(Path("readme.txt"), "r"));
    ASSERT_TRUE(WriteWholeFile(Path("picture.pct"), "p"));
    auto typeOf = [&](const char *name, OSType *creator) {
        HParamBlockRec pb = Block(P(name));
        EXPECT_EQ(PBHGetFInfo(&pb, false), noErr);
        *creator = pb.fileParam.ioFlFndrInfo.fdCreator;
        return pb.fileParam.ioFlFndrInfo.fdType;
    };
    OSType creator;
    EXPECT_EQ(typeOf("readme.txt", &creator), kUnknown) << "without a table: the default type";
    struct Row {
        uint32_t type;
        char extension[3];
        char description[33];
    };
    static const Row rows[] = {{0x54455854, {'T', 'X', 'T'}, "Text"}, {0x50494354, {'p', 'c', 't'}, "Pictures"}, {0, {}, ""}};
    ZEL_Set_MacWin(reinterpret_cast<const uint32_t *>(rows), nullptr);
    EXPECT_EQ(typeOf("readme.txt", &creator), 0x54455854u);
    EXPECT_EQ(creator, kUnknown);
    EXPECT_EQ(typeOf("picture.pct", &creator), 0x50494354u);
    // The host's procedure decides first.
    ZEL_SetFileTypeProc(HostFileType);
    EXPECT_EQ(typeOf("readme.txt", &creator), 0x41424344u);
    EXPECT_EQ(creator, 0x45464748u);
    // The host's other door to the same procedure hands back the one installed.
    EXPECT_EQ(ZEL_SetVelcastHook(1, nullptr), reinterpret_cast<FARPROC>(HostFileType));
    EXPECT_EQ(typeOf("readme.txt", &creator), 0x54455854u);
    ZEL_SetFileTypeProc(nullptr);
    ZEL_Set_MacWin(nullptr, nullptr);
}

INSTANTIATE_TEST_SUITE_P(Drives, FileCalls, ::testing::Values('C', 'Z'),
                         [](const ::testing::TestParamInfo<char> &info) { return std::string(1, info.param); });

// ---- Volumes and folders ----

TEST(VolumeInfo, BlockCountsFitAndBytesSaturate)
{
    for (char drive : {'C', 'Z'}) {
        SCOPED_TRACE(drive);
        int16_t v = static_cast<int16_t>(-(drive - 'A' + 1));
        Str255 name = {};
        ParamBlockRec pb{};
        pb.volumeParam.ioNamePtr = name;
        pb.volumeParam.ioVRefNum = v;
        ASSERT_EQ(PBGetVInfo(&pb, false), noErr);
        EXPECT_EQ(Text(name), std::string(1, drive) + ":\\");
        EXPECT_EQ(pb.volumeParam.ioVRefNum, v);
        EXPECT_LE(pb.volumeParam.ioVNmAlBlks, 0x7FFF);
        EXPECT_LE(pb.volumeParam.ioVFrBlk, pb.volumeParam.ioVNmAlBlks);
        // The blocks still add up to the whole drive.
        char root[] = {drive, ':', '\\', 0};
        ULARGE_INTEGER avail, total, free;
        ASSERT_TRUE(GetDiskFreeSpaceExA(root, &avail, &total, &free));
        uint64_t counted = static_cast<uint64_t>(pb.volumeParam.ioVNmAlBlks) * pb.volumeParam.ioVAlBlkSiz;
        uint64_t block = static_cast<uint32_t>(pb.volumeParam.ioVAlBlkSiz);
        if (pb.volumeParam.ioVAlBlkSiz < 0x7FFFFFFF) {
            EXPECT_LE(counted, total.QuadPart);
            EXPECT_GE(counted + 2 * block, total.QuadPart) << "no wrapped count";
        }
        int32_t freeBytes = -1, totalBytes = -1;
        int16_t actual = 0;
        EXPECT_EQ(HGetVInfo(v, nullptr, &actual, &freeBytes, &totalBytes), noErr);
        EXPECT_EQ(actual, v);
        EXPECT_GE(totalBytes, 0);
        EXPECT_EQ(static_cast<uint64_t>(totalBytes), std::min<uint64_t>(counted, 0x7FFFFFFF));
    }
    // By index: the first present drive; past the volumes, none.
    ParamBlockRec pb{};
    pb.volumeParam.ioVolIndex = 1;
    EXPECT_EQ(PBGetVInfo(&pb, false), noErr);
    EXPECT_LT(pb.volumeParam.ioVRefNum, 0);
    for (int16_t bad : {int16_t(0x7000), int16_t(0xEEEE), int16_t(-49)}) {
        ParamBlockRec none{};
        none.volumeParam.ioVRefNum = bad;
        EXPECT_EQ(PBGetVInfo(&none, false), nsvErr) << bad;
    }
    ParamBlockRec byIndex{};
    byIndex.volumeParam.ioVolIndex = 200;
    EXPECT_EQ(PBGetVInfo(&byIndex, false), nsvErr);

    std::string share = files_test::UncShare();
    ASSERT_FALSE(share.empty());
    Str255 name = {};
    ParamBlockRec unc{};
    unc.volumeParam.ioNamePtr = name;
    unc.volumeParam.ioVRefNum = ZEL_DOSVolToVRefNum(share.c_str());
    EXPECT_EQ(PBGetVInfo(&unc, false), noErr);
    EXPECT_EQ(Text(name), share);
}

TEST(VolumeInfo, FlushVolNamesItsVolume)
{
    std::string d = ScratchDir('C', "flush");
    ASSERT_TRUE(WriteWholeFile(d + "w", "w"));
    int16_t v, wd;
    int32_t dir = ZEL_DirIDFromPath(d.c_str(), &v, &wd);
    HParamBlockRec open{};
    PString name = P("w");
    open.ioParam.ioNamePtr = name.data();
    open.ioParam.ioVRefNum = v;
    open.ioParam.ioPermssn = 2;
    open.fileParam.ioDirID = dir;
    ASSERT_EQ(PBHOpen(&open, false), noErr);
    struct Case {
        const char *name;
        int16_t vRefNum;
        OSErr err;
        const char *shows;
    } cases[] = {{nullptr, -3, noErr, "a drive"},     {nullptr, wd, noErr, "a working directory"},
                 {"C:\\", 0, noErr, "by name"},     {nullptr, 0, noErr, "the current directory"},
                 {nullptr, -49, nsvErr, "no volume"}, {nullptr, static_cast<int16_t>(0x8000), nsvErr, "no directory"}};
    for (const Case &c : cases) {
        ParamBlockRec pb{};
        PString n = c.name ? P(c.name) : PString();
        pb.ioParam.ioNamePtr = c.name ? n.data() : nullptr;
        pb.ioParam.ioVRefNum = c.vRefNum;
        EXPECT_EQ(PBFlushVol(&pb, false), c.err) << c.shows;
        EXPECT_EQ(pb.ioParam.ioResult, c.err) << c.shows;
    }
    FSClose(open.ioParam.ioRefNum);

    // GetVInfo by drive number counts present drives; its free bytes are blocks times block size.
    Str255 volume = {};
    int16_t found = 0;
    int32_t freeBytes = -1;
    EXPECT_EQ(GetVInfo(-3, volume, &found, &freeBytes), noErr);
    EXPECT_EQ(found, -3);
    EXPECT_EQ(Text(volume), "C:\\");
    EXPECT_GE(freeBytes, 0);
}

TEST(VolumeInfo, VolParmsClearOnlyWhatWasAsked)
{
    for (int32_t asked : {6, 14, 30}) {
        char buffer[40];
        std::memset(buffer, 0x5A, sizeof buffer);
        HParamBlockRec pb{};
        pb.ioParam.ioBuffer = buffer;
        pb.ioParam.ioReqCount = asked;
        EXPECT_EQ(PBHGetVolParms(&pb, false), noErr);
        int32_t cleared = std::min(asked, 20);
        EXPECT_EQ(pb.ioParam.ioActCount, cleared);
        EXPECT_EQ(buffer[0], 1);
        for (int i = 1; i < cleared; ++i)
            EXPECT_EQ(buffer[i], 0) << asked << " byte " << i;
        for (int i = cleared; i < 40; ++i)
            EXPECT_EQ(buffer[i], 0x5A) << asked << " byte " << i;
    }
    HParamBlockRec small{};
    char b[8];
    small.ioParam.ioBuffer = b;
    small.ioParam.ioReqCount = 5;
    EXPECT_EQ(PBHGetVolParms(&small, false), -1);
}

TEST(VolumeInfo, FindFolderNamesWindowsFolders)
{
    files_test::KeepCurrentDirectory keep;
    char windows[MAX_PATH], temp[MAX_PATH];
    GetWindowsDirectoryA(windows, MAX_PATH);
    GetTempPathA(MAX_PATH, temp);
    std::string current = ScratchDir('C', "folders");
    SetCurrentDirectoryA(current.c_str());
    struct Case {
        OSType type;
        std::string path;
        const char *shows;
    } cases[] = {{0x70726566, windows, "'pref' is the Windows directory"},
                 {0x6465736B, windows, "'desk' too"},
                 {0x74656D70, temp, "'temp' is the temporary directory"},
                 {0x74727368, current, "'trsh' is the current directory"}};
    for (const Case &c : cases) {
        int16_t v = 0;
        int32_t dir = 0;
        EXPECT_EQ(FindFolder(0, c.type, false, &v, &dir), noErr) << c.shows;
        int16_t wd = 0;
        EXPECT_EQ(dir, ZEL_DirIDFromPath(c.path.c_str(), nullptr, &wd)) << c.shows;
        EXPECT_EQ(v, wd) << c.shows;
    }
}

// ---- Calls the File Manager does not carry out ----

TEST(FileManagerStubs, ReportTheirNamesAndNeverBreak)
{
    HParamBlockRec h{};
    ParamBlockRec p{};
    FSSpec s{};
    FInfo fi{};
    int16_t ref = 0;
    int32_t id = 0;
    Boolean flag = 0;
    struct Stub {
        const char *message; // NULL: reports nothing
        std::function<int32_t()> call;
        int32_t result;
    };
    const Stub stubs[] = {
        {"PBHOpenRF", [&] { return PBHOpenRF(&h, false); }, -1},
        {"PBHOpenRFSync", [&] { return PBHOpenRFSync(&h); }, -1},
        {"PBHSetFLock", [&] { return PBHSetFLock(&h, false); }, -1},
        {"PBHSetFLockSync", [&] { return PBHSetFLockSync(&h); }, -1},
        {"PBHRstFLock", [&] { return PBHRstFLock(&h, false); }, -1},
        {"PBHRstFLockSync", [&] { return PBHRstFLockSync(&h); }, -1},
        {"PBCatMove", [&] { return PBCatMove(&h, false); }, -1},
        {"PBCatMoveSync", [&] { return PBCatMoveSync(&h); }, -1},
        {"PBDTGetPath", [&] { return PBDTGetPath(&h); }, -1},
        {"PBControl", [&] { return PBControl(&p, false); }, -1},
        {"PBControlSync", [&] { return PBControlSync(&p); }, -1},
        {"PBCatSearch", [&] { return PBCatSearch(&h, false); }, -1},
        {"PBDTGetAPPL", [&] { return PBDTGetAPPL(&h, false); }, -1},
        {"PBDTGetAPPLSync", [&] { return PBDTGetAPPLSync(&h); }, -1},
        {"PBDTGetIcon", [&] { return PBDTGetIcon(&h, false); }, -1},
        {"FSpSetFInfo", [&] { return FSpSetFInfo(&s, &fi); }, -1},
        {"OpenRF", [&] { return OpenRF(nullptr, 0, &ref); }, -36},
        {"PBOpenRF", [&] { return PBOpenRF(&p, false); }, -36},
        {"SetFInfo", [&] { return SetFInfo(nullptr, 0, &fi); }, -36},
        {"GetDrvQHdr", [&] { return static_cast<int32_t>(reinterpret_cast<intptr_t>(GetDrvQHdr())); }, 0},
        {"GetVCBQHdr", [&] { return static_cast<int32_t>(reinterpret_cast<intptr_t>(GetVCBQHdr())); }, 0},
        {"DILoad", [&] { DILoad(); return 0; }, 0},
        {"DIUnload", [&] { DIUnload(); return 0; }, 0},
        {"PBHOpenRFDenySync", [&] { return PBHOpenRFDenySync(&h); }, 0},
        {"PBDTOpenInform", [&] { return PBDTOpenInform(&h); }, 0},
        {"PBExchangeFilesSync", [&] { return PBExchangeFilesSync(&p); }, 0},
        {"PBDTGetCommentSync", [&] { return PBDTGetCommentSync(&h); }, 0},
        {"PBHGetDirAccessSync", [&] { return PBHGetDirAccessSync(&h); }, 0},
        {"PBDTSetCommentSync", [&] { return PBDTSetCommentSync(&h); }, 0},
        {"PBDTGetIconSync", [&] { return PBDTGetIconSync(&h); }, 0},
        {"PBGetForeignPrivsSync", [&] { return PBGetForeignPrivsSync(&h); }, 0},
        {"FSpCatMove", [&] { return FSpCatMove(&s, &s); }, 0},
        {"FSpOpenRF", [&] { return FSpOpenRF(&s, 0, &ref); }, 0},
        {"FSpGetDirectoryID", [&] { return FSpGetDirectoryID(&s, &id, &flag); }, 0},
        {"FSpClearIsStationery", [&] { return FSpClearIsStationery(&s); }, 0},
        {"FSpClearNameLocked", [&] { return FSpClearNameLocked(&s); }, 0},
        {"FSpSetIsStationery", [&] { return FSpSetIsStationery(&s); }, 0},
        {"FSpDirectoryCopy", [&] { return FSpDirectoryCopy(&s, &s, nullptr, nullptr, 0, false, nullptr); }, 0},
        {"FSpIterateDirectory", [&] { return FSpIterateDirectory(&s, 0, nullptr, nullptr); }, 0},
        {"FSpBumpDate", [&] { return FSpBumpDate(&s); }, 0},
        {"GetObjectLocation", [&] { return GetObjectLocation(0, 0, nullptr, &ref, &id, nullptr, &flag); }, 0},
        {"IterateDirectory", [&] { return IterateDirectory(0, 0, nullptr, 0, nullptr, nullptr); }, 0},
        {"DirectoryCopy",
         [&] { return DirectoryCopy(0, 0, nullptr, 0, 0, nullptr, nullptr, nullptr, 0, false, nullptr); }, 0},
        {"GetParentID", [&] { return GetParentID(0, 0, nullptr, &id); }, 0},
        {nullptr, [&] { return DIBadMount(Point{}, 0); }, 0},
        {nullptr, [&] { return HSetFInfo(0, 0, nullptr, &fi); }, 0},
        {nullptr, [&] { return FSpChangeCreatorType(&s, 0, 0); }, 0},
        {nullptr, [&] { return BumpDate(0, 0, nullptr); }, 0},
        {nullptr, [&] { return FSpGetDirAccess(&s, &id, &id, &id); }, -50},
    };
    testing_support::TakeDebugMessages();
    testing_support::TakeBreakCount();
    for (const Stub &stub : stubs) {
        EXPECT_EQ(stub.call(), stub.result) << (stub.message ? stub.message : "a silent call");
        std::vector<std::string> texts;
        for (const std::string &m : testing_support::TakeDebugMessages())
            if (m != "\r\n")
                texts.push_back(m);
        if (stub.message)
            EXPECT_EQ(texts, std::vector<std::string>{stub.message});
        else
            EXPECT_TRUE(texts.empty()) << texts.front();
    }
    EXPECT_EQ(testing_support::TakeBreakCount(), 0);
}

} // namespace

namespace {

// Stepping through thousands of entries with a look-up after each step goes on from where it was: each
// entry comes once, in one pass.
TEST(Enumeration, ThousandsOfEntriesWithLookUpsInBetween)
{
    std::string d = ScratchDir('C', "many_entries");
    constexpr int kEntries = 3000;
    for (int i = 0; i < kEntries; ++i)
        ASSERT_TRUE(WriteWholeFile(d + "f" + std::to_string(i), ""));
    int16_t v;
    int32_t dir = ZEL_DirIDFromPath(d.c_str(), &v, nullptr);
    std::set<std::string> seen;
    for (int16_t index = 1; index <= kEntries + 1; ++index) {
        Str255 name;
        CInfoPBRec pb;
        OSErr err = CatInfoAt(v, dir, index, name, &pb);
        if (index > kEntries) {
            EXPECT_EQ(err, fnfErr);
            break;
        }
        ASSERT_EQ(err, noErr) << index;
        seen.insert(Text(name));
        HParamBlockRec info{};
        info.fileParam.ioNamePtr = name;
        info.fileParam.ioVRefNum = v;
        info.fileParam.ioDirID = dir;
        ASSERT_EQ(PBHGetFInfo(&info, false), noErr);
    }
    EXPECT_EQ(seen.size(), static_cast<size_t>(kEntries));
}

} // namespace

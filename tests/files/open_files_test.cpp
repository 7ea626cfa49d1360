// The open-file table on Wine's C: and Z: drives: refNums over Windows handles, suspension and reopening,
// truncation and every error path.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Files.h"
#include "Zel.h"
#include "files_fixture.h"

namespace {

using files_test::ReadWholeFile;
using files_test::ScratchDir;
using files_test::WriteWholeFile;

constexpr uint16_t kRead = 0, kWrite = 2, kReadOnlyCreate = 1;

int32_t Open(const std::string &path, uint16_t mode, OSErr *err)
{
    return ZEL_FHOpen(path.c_str(), mode, err);
}

std::string ReadAll(int32_t refNum, int32_t count)
{
    std::string out(count, '\0');
    int32_t n = ZEL_FHRead(refNum, out.data(), count);
    out.resize(n < 0 ? 0 : n);
    return out;
}

class OpenFiles : public ::testing::TestWithParam<char> {
protected:
    void SetUp() override { dir_ = ScratchDir(GetParam(), "open_files"); }
    std::string Path(const char *name) const { return dir_ + name; }
    std::string dir_;
};

TEST_P(OpenFiles, CreateWriteReadSeekSuspendReopenTruncateClose)
{
    std::string a = Path("a.dat"), b = Path("b.dat");
    int32_t ra = ZEL_FHCreate(a.c_str(), 0);
    int32_t rb = ZEL_FHCreate(b.c_str(), 0);
    ASSERT_GE(ra, 2);
    ASSERT_GE(rb, 2);
    EXPECT_NE(ra, rb);
    EXPECT_EQ(ZEL_FHWrite(ra, "0123456789", 10), 10);
    EXPECT_EQ(ZEL_FHWrite(rb, "abcdef", 6), 6);
    EXPECT_EQ(ZEL_FHLSeek(ra, 3, 0), 3);
    EXPECT_EQ(ReadAll(ra, 4), "3456");
    EXPECT_EQ(ZEL_FHLSeek(ra, -2, 1), 5);
    EXPECT_EQ(ZEL_FHLSeek(ra, -1, 2), 9);
    EXPECT_EQ(ZEL_FHLSeek(ra, 4, 0), 4);
    EXPECT_EQ(ZEL_FHLSeek(rb, 2, 0), 2);

    int16_t vRefNum = 0;
    EXPECT_EQ(GetVRefNum(static_cast<int16_t>(ra), &vRefNum), noErr);
    EXPECT_EQ(vRefNum, GetParam() == 'Z' ? -26 : -3);

    // Suspending closes the handles; reopening puts each file back where it was.
    HANDLE before = ZEL_FHMap(ra);
    EXPECT_EQ(ZEL_FHUnMap(before), ra);
    ZEL_FHReOpenAll(0);
    EXPECT_EQ(ZEL_FHMap(ra), INVALID_HANDLE_VALUE);
    EXPECT_EQ(ZEL_FHUnMap(before), -1);
    EXPECT_EQ(ZEL_FHReOpen(0, ra), 0) << "already suspended";
    ZEL_FHReOpenAll(1);
    EXPECT_NE(ZEL_FHMap(ra), INVALID_HANDLE_VALUE);
    EXPECT_EQ(ZEL_FHLSeek(ra, 0, 1), 4);
    EXPECT_EQ(ZEL_FHLSeek(rb, 0, 1), 2);
    EXPECT_EQ(ZEL_FHReOpen(1, ra), 0) << "already live";

    // A suspended file comes back by itself on the next read, at its position.
    EXPECT_EQ(ZEL_FHReOpen(0, rb), 1);
    EXPECT_EQ(ReadAll(rb, 10), "cdef");

    EXPECT_EQ(ZEL_FHSetEOF0(ra), noErr);
    EXPECT_EQ(ZEL_FHLSeek(ra, 0, 2), 0);
    EXPECT_EQ(ZEL_FHWrite(ra, "xy", 2), 2);
    EXPECT_EQ(ZEL_FHClose(ra), 1);
    EXPECT_EQ(ZEL_FHReOpen(0, rb), 1);
    EXPECT_EQ(ZEL_FHClose(rb), -1) << "a suspended slot has no handle to close";
    EXPECT_EQ(ZEL_FHClose(rb), -1);
    EXPECT_EQ(ReadWholeFile(a), "xy");
    EXPECT_EQ(ReadWholeFile(b), "abcdef");
}

TEST_P(OpenFiles, CreateRefusesAnExistingFileAndKeepsTheReadOnlyMode)
{
    std::string p = Path("ro.dat");
    int32_t r = ZEL_FHCreate(p.c_str(), kReadOnlyCreate);
    ASSERT_GE(r, 2);
    EXPECT_EQ(ZEL_FHGetAttr(r) & 1, 1) << "created read-only";
    EXPECT_EQ(ZEL_FHWrite(r, "x", 1), 0) << "opened for reading";
    EXPECT_EQ(ZEL_FHClose(r), 1);
    EXPECT_EQ(ZEL_FHCreate(p.c_str(), 0), -1);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_EXISTS));
    SetFileAttributesA(p.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_P(OpenFiles, OpenErrors)
{
    std::string file = Path("there.dat");
    ASSERT_TRUE(WriteWholeFile(file, "data"));
    struct Case {
        std::string path;
        OSErr err;
        const char *shows;
    };
    const Case cases[] = {
        {Path("missing.dat"), fnfErr, "missing file"},
        {Path("nodir\\f.dat"), dirNFErr, "missing directory"},
        {dir_.substr(0, dir_.size() - 1), permErr, "a directory opened as a file"},
        {dir_ + std::string(300 - dir_.size(), 'x'), bdNamErr, "path over 255 characters"},
    };
    for (const Case &c : cases) {
        OSErr err = 1;
        EXPECT_EQ(Open(c.path, kWrite, &err), -1) << c.shows;
        EXPECT_EQ(err, c.err) << c.shows;
    }
    std::string longest = dir_ + std::string(255 - dir_.size(), 'y');
    ASSERT_TRUE(WriteWholeFile(longest, "z"));
    OSErr err = 1;
    int32_t r = Open(longest, kRead, &err);
    EXPECT_GE(r, 2) << "255 characters fit";
    EXPECT_EQ(err, noErr);
    ZEL_FHClose(r);
}

TEST_P(OpenFiles, OneWriterAtATime)
{
    std::string p = Path("shared.dat");
    ASSERT_TRUE(WriteWholeFile(p, "shared"));
    OSErr err;
    // Reader first: a writer joins, a second writer is refused, more readers are welcome.
    int32_t reader = Open(p, kRead, &err);
    ASSERT_GE(reader, 2);
    int32_t writer = Open(p, kWrite, &err);
    ASSERT_GE(writer, 2);
    EXPECT_EQ(err, noErr);
    EXPECT_EQ(Open(p, kWrite, &err), -1);
    EXPECT_EQ(err, opWrErr);
    EXPECT_EQ(Open(p, 1, &err), -1) << "write-only access";
    EXPECT_EQ(err, opWrErr);
    // The same path spelled with doubled backslashes and in another case is the same file.
    std::string other = p;
    other.insert(other.rfind('\\'), "\\");
    CharUpperA(other.data());
    EXPECT_EQ(Open(other, kWrite, &err), -1);
    EXPECT_EQ(err, opWrErr);
    int32_t reader2 = Open(p, kRead, &err);
    EXPECT_GE(reader2, 2);
    // A suspended writer still holds its file.
    EXPECT_EQ(ZEL_FHReOpen(0, writer), 1);
    EXPECT_EQ(Open(p, kWrite, &err), -1);
    EXPECT_EQ(err, opWrErr);
    // Once the writer is gone, another may write.
    ZEL_FHClose(writer);
    int32_t writer2 = Open(p, kWrite, &err);
    EXPECT_GE(writer2, 2);
    // A writer that shares nothing keeps even readers out, through Windows' own sharing check.
    ZEL_FHClose(writer2);
    ZEL_FHClose(reader);
    ZEL_FHClose(reader2);
    int32_t exclusive = Open(p, 0x22, &err);
    ASSERT_GE(exclusive, 2);
    EXPECT_EQ(Open(p, kRead, &err), -1);
    EXPECT_EQ(err, opWrErr);
    ZEL_FHClose(exclusive);
}

TEST_P(OpenFiles, TruncatingNeedsAWritableFileAndRefNum)
{
    std::string p = Path("trunc.dat");
    ASSERT_TRUE(WriteWholeFile(p, "keep me"));
    OSErr err;
    int32_t reader = Open(p, kRead, &err);
    ASSERT_GE(reader, 2);
    EXPECT_EQ(ZEL_FHSetEOF0(reader), wrPermErr) << "a refNum without write access";
    ZEL_FHClose(reader);

    int32_t writer = Open(p, kWrite, &err);
    ASSERT_GE(writer, 2);
    SetFileAttributesA(p.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(ZEL_FHSetEOF0(writer), wrPermErr) << "a read-only file";
    EXPECT_EQ(ReadWholeFile(p), "keep me");
    EXPECT_EQ(ZEL_FHRead(writer, nullptr, 0), 0) << "the refNum still works";
    SetFileAttributesA(p.c_str(), FILE_ATTRIBUTE_NORMAL);
    ZEL_FHClose(writer);
}

TEST_P(OpenFiles, FailedTruncationKeepsTheRefNumTaken)
{
    // Windows refuses to truncate a file while a view of it is mapped.
    std::string p = Path("mapped.dat"), next = Path("after.dat");
    ASSERT_TRUE(WriteWholeFile(p, "mapped"));
    ASSERT_TRUE(WriteWholeFile(next, "after"));
    OSErr err;
    int32_t r = Open(p, kWrite, &err);
    ASSERT_GE(r, 2);
    HANDLE viewer = CreateFileA(p.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(viewer, INVALID_HANDLE_VALUE);
    HANDLE mapping = CreateFileMappingA(viewer, nullptr, PAGE_READONLY, 0, 0, nullptr);
    ASSERT_NE(mapping, nullptr);
    void *view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(ZEL_FHSetEOF0(r), ioErr);
    EXPECT_EQ(ZEL_FHWrite(r, "x", 1), -1);
    int32_t other = Open(next, kWrite, &err);
    EXPECT_GE(other, 2);
    EXPECT_NE(other, r);
    EXPECT_EQ(ZEL_FHWrite(r, "lost", 4), -1);
    EXPECT_EQ(ReadWholeFile(next), "after") << "writes to the lost refNum reach no other file";
    EXPECT_EQ(ZEL_FHClose(r), -1);
    ZEL_FHClose(other);
    UnmapViewOfFile(view);
    CloseHandle(mapping);
    CloseHandle(viewer);
    EXPECT_EQ(ReadWholeFile(p), "mapped");
}

TEST_P(OpenFiles, SuspendedFileDeletedMeanwhileKeepsItsRefNum)
{
    std::string gone = Path("gone.dat"), next = Path("next.dat");
    ASSERT_TRUE(WriteWholeFile(gone, "1"));
    ASSERT_TRUE(WriteWholeFile(next, "2"));
    OSErr err;
    int32_t r = Open(gone, kWrite, &err);
    ASSERT_GE(r, 2);
    EXPECT_EQ(ZEL_FHReOpen(0, r), 1);
    ASSERT_TRUE(DeleteFileA(gone.c_str()));
    EXPECT_EQ(ZEL_FHReOpen(1, r), 0);
    // The refNum answers as a closed file but is not handed to the next open.
    EXPECT_EQ(ZEL_FHWrite(r, "x", 1), -1);
    EXPECT_EQ(ZEL_FHRead(r, nullptr, 1), -1);
    EXPECT_EQ(ZEL_FHLSeek(r, 0, 0), -1);
    EXPECT_EQ(ZEL_FHMap(r), INVALID_HANDLE_VALUE);
    EXPECT_EQ(ZEL_FHSetEOF0(r), ioErr);
    std::vector<int32_t> others;
    for (int i = 0; i < 3; ++i) {
        others.push_back(Open(next, kRead, &err));
        EXPECT_NE(others.back(), r);
        EXPECT_GE(others.back(), 2);
    }
    EXPECT_EQ(ReadWholeFile(gone), "<missing>") << "nothing recreated the file";
    EXPECT_EQ(ZEL_FHClose(r), -1);
    for (int32_t o : others)
        ZEL_FHClose(o);
    // Closed, the number is free again (the lowest free slot).
    int32_t again = Open(next, kRead, &err);
    EXPECT_LE(again, r);
    ZEL_FHClose(again);
}

INSTANTIATE_TEST_SUITE_P(Drives, OpenFiles, ::testing::Values('C', 'Z'),
                         [](const ::testing::TestParamInfo<char> &info) { return std::string(1, info.param); });

TEST(OpenFileTable, SixtyTwoFilesAtMost)
{
    std::string p = ScratchDir('C', "many") + "f.dat";
    ASSERT_TRUE(WriteWholeFile(p, "x"));
    std::vector<int32_t> refNums;
    OSErr err = noErr;
    for (int i = 0; i < 62; ++i) {
        refNums.push_back(Open(p, kRead, &err));
        ASSERT_EQ(err, noErr) << "open " << i + 1;
    }
    EXPECT_EQ(refNums.front(), 2);
    EXPECT_EQ(refNums.back(), 63);
    EXPECT_EQ(Open(p, kRead, &err), -1);
    EXPECT_EQ(err, tmfoErr);
    for (int32_t r : refNums)
        EXPECT_EQ(ZEL_FHClose(r), 1);
}

TEST(OpenFileTable, RefNumsOutsideTheTableAnswerAsFreeSlots)
{
    char byte = 0;
    for (int32_t r : {0, 1, 64, 1000, -1, -5}) {
        EXPECT_EQ(ZEL_FHClose(r), -1) << r;
        EXPECT_EQ(ZEL_FHRead(r, &byte, 1), -1) << r;
        EXPECT_EQ(ZEL_FHWrite(r, &byte, 1), -1) << r;
        EXPECT_EQ(ZEL_FHLSeek(r, 0, 0), -1) << r;
        EXPECT_EQ(ZEL_FHSetEOF0(r), ioErr) << r;
        EXPECT_EQ(ZEL_FHReOpen(0, r), 0) << r;
        EXPECT_EQ(ZEL_FHReOpen(1, r), 0) << r;
        EXPECT_EQ(ZEL_FHMap(r), INVALID_HANDLE_VALUE) << r;
        EXPECT_EQ(ZEL_FHGetAttr(r), -1) << r;
        int16_t v = 1;
        EXPECT_EQ(GetVRefNum(static_cast<int16_t>(r), &v), nsvErr) << r;
    }
    EXPECT_EQ(ZEL_FHUnMap(INVALID_HANDLE_VALUE), -1);
    EXPECT_EQ(ZEL_FHUnMap(nullptr), -1);
    EXPECT_EQ(ZEL_FHUnMap(GetCurrentProcess()), -1);
}

} // namespace

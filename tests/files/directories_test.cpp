// Directory IDs, working directories and the path layer: every directory gets one node whatever its
// spelling, and round-trips through the calls that take or give a directory.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "Files.h"
#include "Zel.h"
#include "files_fixture.h"
#include "test_support.h"

namespace {

using files_test::KeepCurrentDirectory;
using files_test::ScratchDir;
using testing_support::P;

constexpr int16_t kNoVolume = static_cast<int16_t>(0xEEEE);
constexpr int32_t kZelProcID = 0x5A454C20;

std::string HFSpec(int32_t dirID, int16_t vRefNum, const char *name, OSErr *err)
{
    char path[256] = "junk";
    *err = ZEL_HFSpec(dirID, vRefNum, name ? P(name).c_str() : nullptr, path);
    return path;
}

std::string WithoutBackslash(std::string s)
{
    if (s.size() > 3 && s.back() == '\\')
        s.pop_back();
    return s;
}

std::string SpecName(const FSSpec &fsSpec) { return std::string(reinterpret_cast<const char *>(fsSpec.name + 1), fsSpec.name[0]); }

struct DirCase {
    std::string path;      // as named
    std::string canonical; // its node's path
    int16_t vRefNum;
    const char *shows;
    bool root = false; // a volume's root: directory ID 2, no working-directory number
};

// Each directory round-trips: path to dirID and working-directory number, and back to paths and specs.
void CheckRoundTrip(const DirCase &c)
{
    SCOPED_TRACE(c.shows);
    int16_t v = 1, wd = 1;
    int32_t dirID = ZEL_DirIDFromPath(c.path.c_str(), &v, &wd);
    EXPECT_EQ(v, c.vRefNum);
    bool root = c.root;
    if (root) {
        EXPECT_EQ(dirID, 2);
        EXPECT_EQ(wd, 0);
    } else {
        EXPECT_NE(dirID, 0);
        EXPECT_NE(dirID, 2);
        EXPECT_LT(wd, -48) << "working-directory numbers never read as volumes";
        EXPECT_NE(wd, kNoVolume);
        int16_t opened = 0;
        EXPECT_EQ(OpenWD(v, dirID, 0, &opened), noErr);
        EXPECT_EQ(opened, wd);
        int16_t infoV = 0;
        int32_t infoDir = 0, proc = 0;
        EXPECT_EQ(GetWDInfo(wd, &infoV, &infoDir, &proc), noErr);
        EXPECT_EQ(infoV, c.vRefNum);
        EXPECT_EQ(infoDir, dirID);
        EXPECT_EQ(proc, kZelProcID);
    }
    OSErr err;
    EXPECT_EQ(HFSpec(dirID, v, nullptr, &err), WithoutBackslash(c.canonical));
    EXPECT_EQ(err, noErr);
    EXPECT_EQ(HFSpec(dirID, v, "f.txt", &err), c.canonical + "f.txt");
    if (!root) {
        EXPECT_EQ(HFSpec(0, wd, "f.txt", &err), c.canonical + "f.txt") << "through the working directory";
    }
    // A full path in the name overrides the directory given.
    EXPECT_EQ(HFSpec(2, -26, (c.canonical + "g").c_str(), &err), c.canonical + "g");

    FSSpec fsSpec{};
    std::string missing = "missing \xE9.txt";
    EXPECT_EQ(FSMakeFSSpec(v, dirID, P(missing.c_str()).c_str(), &fsSpec), fnfErr);
    EXPECT_EQ(fsSpec.vRefNum, c.vRefNum);
    EXPECT_EQ(fsSpec.parID, dirID);
    EXPECT_EQ(SpecName(fsSpec), missing);
    ASSERT_TRUE(files_test::WriteWholeFile(c.canonical + "there.txt", "x"));
    EXPECT_EQ(FSMakeFSSpec(v, dirID, P("there.txt").c_str(), &fsSpec), noErr);
    EXPECT_EQ(fsSpec.parID, dirID);
    DeleteFileA((c.canonical + "there.txt").c_str());
}

TEST(Directories, EachDirectoryHasOneNodeAndRoundTrips)
{
    std::string c = ScratchDir('C', "dirs"), z = ScratchDir('Z', "dirs");
    for (const char *sub : {"nested", "nested\\deeper", "with space", "caf\xE9"}) {
        CreateDirectoryA((c + sub).c_str(), nullptr);
        CreateDirectoryA((z + sub).c_str(), nullptr);
    }
    std::string lowerC = c;
    CharLowerA(lowerC.data());
    std::string upperZ = z;
    CharUpperA(upperZ.data() + 2);
    std::vector<DirCase> cases = {
        {"C:\\", "C:\\", -3, "drive root", true},
        {"c:", "C:\\", -3, "drive named by its letter and colon", true},
        {"c", "C:\\", -3, "drive named by its letter", true},
        {"Z:\\", "Z:\\", -26, "the Linux root", true},
        {c + "nested", c + "nested\\", -3, "nested on C:"},
        {lowerC + "NESTED\\", c + "nested\\", -3, "same directory, other case, trailing backslash"},
        {c + "nested\\\\deeper", c + "nested\\deeper\\", -3, "doubled backslash, deeper"},
        {z + "with space", z + "with space\\", -26, "a blank on Z:"},
        {upperZ + "WITH SPACE\\", z + "with space\\", -26, "same directory on Z: in upper case"},
        {c + "caf\xE9", c + "caf\xE9\\", -3, "an accented name"},
    };
    std::string share = files_test::UncShare();
    if (!share.empty()) {
        CreateDirectoryA((share + "sub").c_str(), nullptr);
        int16_t shareVolume = ZEL_DOSVolToVRefNum(share.c_str());
        cases.push_back({share + "sub", share + "sub\\", shareVolume, "a UNC share's directory"});
        cases.push_back({"\\\\TOLVASRV\\SHARE\\SUB", share + "sub\\", shareVolume, "the share in upper case"});
        cases.push_back({share, share, shareVolume, "the share's root", true});
    } else {
        ADD_FAILURE() << "no UNC share under the Wine prefix";
    }
    for (const DirCase &dc : cases)
        CheckRoundTrip(dc);

    // Every spelling of one directory gives one node.
    EXPECT_EQ(ZEL_DirIDFromPath((c + "nested").c_str(), nullptr, nullptr),
              ZEL_DirIDFromPath((lowerC + "NESTED\\").c_str(), nullptr, nullptr));
    EXPECT_EQ(ZEL_DirIDFromPath((z + "with space").c_str(), nullptr, nullptr),
              ZEL_DirIDFromPath((upperZ + "WITH SPACE").c_str(), nullptr, nullptr));
}

TEST(Directories, UnknownDirectoryIDsAreRefused)
{
    std::string c = ScratchDir('C', "badids");
    int32_t node = ZEL_DirIDFromPath(c.c_str(), nullptr, nullptr);
    ASSERT_GT(node, 2);
    for (int32_t bad : {1, 3, 0x12345678, node + 1, -1}) {
        SCOPED_TRACE(bad);
        OSErr err;
        EXPECT_EQ(HFSpec(bad, -3, "f.txt", &err), "");
        EXPECT_EQ(err, dirNFErr);
        FSSpec fsSpec{};
        EXPECT_EQ(FSMakeFSSpec(-3, bad, nullptr, &fsSpec), dirNFErr) << "an empty name too";
        EXPECT_EQ(FSMakeFSSpec(-3, bad, P("f.txt").c_str(), &fsSpec), dirNFErr);
        int16_t wd = 1;
        EXPECT_EQ(OpenWD(-3, bad, 0, &wd), dirNFErr);
        EXPECT_EQ(wd, 0);
        EXPECT_EQ(HSetVol(nullptr, -3, bad), dirNFErr);
    }
    // An unknown working-directory number answers -120.
    int16_t v;
    int32_t d;
    EXPECT_EQ(GetWDInfo(static_cast<int16_t>(0x8000), &v, &d, nullptr), dirNFErr);
}

TEST(Directories, JoinsThatDoNotFitAreRefused)
{
    std::string c = ScratchDir('C', "joins");
    int16_t v;
    int32_t dirID = ZEL_DirIDFromPath(c.c_str(), &v, nullptr);
    std::string name(255 - c.size(), 'n');
    char guarded[260];
    std::memset(guarded, 0x5A, sizeof guarded);
    EXPECT_EQ(ZEL_HFSpec(dirID, v, P(name.c_str()).c_str(), guarded), noErr) << "255 characters fit";
    EXPECT_EQ(std::strlen(guarded), 255u);
    name += "x";
    std::memset(guarded, 0x5A, sizeof guarded);
    EXPECT_EQ(ZEL_HFSpec(dirID, v, P(name.c_str()).c_str(), guarded), bdNamErr);
    EXPECT_EQ(guarded[0], 0);
    for (int i = 256; i < 260; ++i)
        EXPECT_EQ(guarded[i], 0x5A) << i;

    FSSpec fsSpec{};
    EXPECT_EQ(FSMakeFSSpec(v, dirID, P(name.c_str()).c_str(), &fsSpec), bdNamErr);
    WDPBRec pb{};
    std::basic_string<unsigned char> pname = P(name.c_str());
    pb.ioNamePtr = pname.data();
    pb.ioWDDirID = dirID;
    EXPECT_EQ(PBOpenWD(&pb, false), bdNamErr);
    EXPECT_EQ(pb.ioResult, bdNamErr);

    // A directory whose path with its backslash passes 255 characters gets no node.
    std::string tooLong = c + std::string(255 - c.size(), 'd');
    int16_t wd = 0;
    EXPECT_EQ(ZEL_DirIDFromPath(tooLong.c_str(), nullptr, &wd), 0);
    EXPECT_EQ(wd, kNoVolume);
}

TEST(Directories, SeparateFileSplitsAfterTheLastSeparator)
{
    struct Case {
        const char *path, *dir, *name;
    } cases[] = {
        {"C:\\dir\\f.txt", "C:\\dir\\", "f.txt"}, {"C:f", "C:", "f"},        {"C:\\", "C:\\", ""},
        {"name", "", "name"},                     {"\\name", "", "\\name"}, {"", "", ""},
    };
    for (const Case &c : cases) {
        char dir[256] = "junk", name[256] = "junk";
        ZEL_SeparateFile(dir, name, c.path);
        EXPECT_STREQ(dir, c.dir) << c.path;
        EXPECT_STREQ(name, c.name) << c.path;
    }
}

TEST(Directories, SetVolAndGetVolMoveAndReportTheCurrentDirectory)
{
    KeepCurrentDirectory keep;
    std::string c = ScratchDir('C', "current"), z = ScratchDir('Z', "current");
    int16_t cv, cwd;
    int32_t cdir = ZEL_DirIDFromPath(c.c_str(), &cv, &cwd);
    int16_t zv;
    int32_t zdir = ZEL_DirIDFromPath(z.c_str(), &zv, nullptr);

    EXPECT_EQ(HSetVol(nullptr, cv, cdir), noErr);
    char now[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, now);
    EXPECT_EQ(std::string(now) + "\\", c);
    int16_t v = 0;
    int32_t dirID = 0;
    Str255 name;
    EXPECT_EQ(HGetVol(name, &v, &dirID), noErr);
    EXPECT_EQ(v, -3);
    EXPECT_EQ(dirID, cdir);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(name + 1), name[0]), "C:\\");
    EXPECT_EQ(GetVol(name, &v), noErr);
    EXPECT_EQ(v, cwd) << "the current directory's working-directory number";
    EXPECT_EQ(std::string(reinterpret_cast<char *>(name + 1), name[0]), "C:\\");
    OSErr err;
    EXPECT_EQ(HFSpec(0, 0, "f", &err), c + "f") << "a call that names no directory uses the current one";

    // Naming a directory on the other drive leaves the current directory as it was.
    EXPECT_NE(ZEL_DirIDFromPath((z + "..\\current").c_str(), nullptr, nullptr), 0);
    GetCurrentDirectoryA(MAX_PATH, now);
    EXPECT_EQ(std::string(now) + "\\", c);

    EXPECT_EQ(HSetVol(nullptr, 0, zdir), noErr);
    EXPECT_EQ(HGetVol(nullptr, &v, &dirID), noErr);
    EXPECT_EQ(v, -26);
    EXPECT_EQ(dirID, zdir);

    // SetVol takes only volume names.
    EXPECT_EQ(SetVol(P("C:\\x").c_str(), 0), nsvErr);
    EXPECT_EQ(SetVol(P("C;\\").c_str(), 0), nsvErr);
    EXPECT_EQ(SetVol(P("C:\\").c_str(), 0), noErr);
    GetCurrentDirectoryA(MAX_PATH, now);
    EXPECT_STREQ(now, "C:\\");
    EXPECT_EQ(SetVol(nullptr, cwd), noErr) << "a working-directory number";
    GetCurrentDirectoryA(MAX_PATH, now);
    EXPECT_EQ(std::string(now) + "\\", c);

    std::string share = files_test::UncShare();
    ASSERT_FALSE(share.empty());
    int16_t sv;
    int32_t sdir = ZEL_DirIDFromPath((share + "sub").c_str(), &sv, nullptr);
    CreateDirectoryA((share + "sub").c_str(), nullptr);
    EXPECT_EQ(HSetVol(nullptr, sv, sdir), noErr);
    EXPECT_EQ(GetVol(name, &v), noErr);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(name + 1), name[0]), share) << "the share is the volume";
    EXPECT_EQ(HGetVol(name, &v, &dirID), noErr);
    EXPECT_EQ(v, sv);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(name + 1), name[0]), share);
}

TEST(Directories, ExistingDirectoriesOnlyWhenAsked)
{
    std::string c = ScratchDir('C', "existing");
    uint32_t old = ZEL_SystemValue(1, 70, 1);
    int16_t wd = 0;
    EXPECT_EQ(ZEL_DirIDFromPath((c + "not here").c_str(), nullptr, &wd), 0);
    EXPECT_EQ(wd, kNoVolume);
    WDPBRec pb{};
    std::basic_string<unsigned char> name = P((c + "not here").c_str());
    pb.ioNamePtr = name.data();
    EXPECT_EQ(PBOpenWD(&pb, false), dirNFErr);
    EXPECT_NE(ZEL_DirIDFromPath(c.c_str(), nullptr, nullptr), 0) << "an existing one still gets its node";
    ZEL_SystemValue(1, 70, old);
    EXPECT_NE(ZEL_DirIDFromPath((c + "not here").c_str(), nullptr, nullptr), 0);
}

} // namespace

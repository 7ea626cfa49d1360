// Volume reference numbers over drive letters and network roots. VolumeTable runs in a process of its
// own: it uses up the network roots.
#include <gtest/gtest.h>

#include <string>

#include "Zel.h"
#include "files_fixture.h"

namespace {

constexpr int16_t kNoVolume = static_cast<int16_t>(0xEEEE);

std::string RootOf(int16_t vRefNum, int32_t *ok)
{
    char buffer[260] = "junk";
    *ok = ZEL_VRefNumToDOSVol(vRefNum, buffer);
    return buffer;
}

TEST(VolumeTable, PathsMapToVolumesAndBack)
{
    struct Case {
        std::string path;
        int16_t vRefNum;
        const char *root; // NULL: ZEL_VRefNumToDOSVol fails
        const char *shows;
    };
    char absent = files_test::AbsentDriveLetter();
    ASSERT_NE(absent, 0);
    const Case cases[] = {
        {"C:", -3, "C:\\", "bare drive"},
        {"c:\\x", -3, "C:\\", "lower-case drive path"},
        {"Z:\\tmp", -26, "Z:\\", "the Linux root"},
        {"\\\\Server1\\ShareA\\dir\\f", -27, "\\\\Server1\\ShareA\\", "first share seen"},
        {"\\\\SERVER1\\sharea", -27, "\\\\Server1\\ShareA\\", "same share in another case"},
        {"\\\\server1\\shareb\\", -28, "\\\\server1\\shareb\\", "second share"},
        {std::string(1, absent) + ":\\", static_cast<int16_t>(-(absent - 'A' + 1)), nullptr, "absent drive"},
        {"relative\\path", kNoVolume, nullptr, "no root"},
        {"", kNoVolume, nullptr, "empty"},
        {"\\\\" + std::string(200, 's') + "\\" + std::string(60, 'h'), kNoVolume, nullptr,
         "root too long for a path"},
    };
    for (const Case &c : cases) {
        int16_t v = ZEL_DOSVolToVRefNum(c.path.c_str());
        EXPECT_EQ(v, c.vRefNum) << c.shows;
        if (v == kNoVolume)
            continue;
        int32_t ok;
        std::string root = RootOf(v, &ok);
        EXPECT_EQ(ok, c.root ? 1 : 0) << c.shows;
        EXPECT_EQ(root, c.root ? c.root : "") << c.shows;
    }

    // 22 network roots exist: 20 more are taken, the 23rd new share is refused, known ones still map.
    for (int i = 0; i < 20; ++i) {
        std::string share = "\\\\filler\\s" + std::to_string(i);
        EXPECT_EQ(ZEL_DOSVolToVRefNum(share.c_str()), -29 - i) << share;
    }
    EXPECT_EQ(ZEL_DOSVolToVRefNum("\\\\filler\\one-too-many"), kNoVolume);
    EXPECT_EQ(ZEL_DOSVolToVRefNum("\\\\server1\\SHAREB\\x"), -28);
    int32_t ok;
    EXPECT_EQ(RootOf(-48, &ok), "\\\\filler\\s19\\");
    EXPECT_EQ(ok, 1);
}

TEST(Volumes, NumbersThatNameNoVolume)
{
    // Positive numbers, 0, and negative numbers past the known volumes give nothing.
    for (int16_t v : {int16_t(0), int16_t(1), int16_t(3), int16_t(-49), int16_t(-1000), kNoVolume}) {
        int32_t ok;
        EXPECT_EQ(RootOf(v, &ok), "") << v;
        EXPECT_EQ(ok, 0) << v;
    }
    EXPECT_EQ(ZEL_VRefNumToDOSVol(-3, nullptr), 0);
}

} // namespace

// Working-directory numbers stay unique over tens of thousands of directories, past the wrap of their
// 16-bit counter. Runs in a process of its own: it uses up the numbers.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "Files.h"
#include "Zel.h"

namespace {

TEST(DirectoryIds, UniqueAfterTheCounterWraps)
{
    constexpr int kDirectories = 33000;
    std::vector<int32_t> dirIDs;
    std::vector<int16_t> ids;
    std::set<int16_t> seen;
    int numbered = 0;
    for (int i = 0; i < kDirectories; ++i) {
        std::string path = "C:\\no such place\\d" + std::to_string(i);
        int16_t wd = 0;
        int32_t dirID = ZEL_DirIDFromPath(path.c_str(), nullptr, &wd);
        ASSERT_GT(dirID, 2) << path;
        dirIDs.push_back(dirID);
        ids.push_back(wd);
        if (wd == static_cast<int16_t>(0xEEEE))
            continue;
        ++numbered;
        EXPECT_LT(wd, -48) << "never a volume number";
        EXPECT_TRUE(seen.insert(wd).second) << "number " << wd << " given twice";
    }
    EXPECT_GT(numbered, 32000);
    EXPECT_LT(numbered, kDirectories) << "the numbers run out before the directories";
    // Every directory is still found by path and by number, quickly enough to do it for all of them.
    for (int i = 0; i < kDirectories; i += 7) {
        std::string path = "C:\\no such place\\d" + std::to_string(i);
        EXPECT_EQ(ZEL_DirIDFromPath(path.c_str(), nullptr, nullptr), dirIDs[i]);
        if (ids[i] != static_cast<int16_t>(0xEEEE)) {
            int16_t v;
            int32_t d = 0;
            EXPECT_EQ(GetWDInfo(ids[i], &v, &d, nullptr), noErr);
            EXPECT_EQ(d, dirIDs[i]);
        }
        char out[256];
        EXPECT_EQ(ZEL_HFSpec(dirIDs[i], 0, nullptr, out), noErr);
        EXPECT_EQ(std::string(out), path);
    }
}

} // namespace

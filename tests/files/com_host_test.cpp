// A host that set COM up before the session (in the multithreaded model, which the library's own
// CoInitialize cannot join) still has it after the session used shortcut files and ended.
#include <gtest/gtest.h>

#include <objbase.h>

#include "Aliases.h"
#include "Zel.h"
#include "files_fixture.h"
#include "test_support.h"

namespace {

TEST(ComHost, KeepsItsComAfterTheSession)
{
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    testing_support::StartTestSession();
    std::string dir = files_test::ScratchDir('C', "com_host");
    ASSERT_TRUE(files_test::WriteWholeFile(dir + "t.txt", "t"));
    FSSpec target{}, link{};
    ZEL_FullPathToFSSpec((dir + "t.txt").c_str(), &target);
    ZEL_FullPathToFSSpec((dir + "t.lnk").c_str(), &link);
    EXPECT_EQ(ZEL_MakeAliasFile(&target, &link), noErr);
    ZEL_ExitSession();
    // Still initialised in the host's model: joining it again answers S_FALSE, not a mode change.
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_FALSE);
    CoUninitialize();
    CoUninitialize();
}

} // namespace

int main(int argc, char **argv)
{
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

// Path names beside the host application and in the current directory.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "test_support.h"

namespace {

std::string AppPath(const char *name)
{
    char out[512];
    std::memset(out, 0x5A, sizeof out);
    ZEL_MakeAppPathName(out, name);
    EXPECT_EQ(static_cast<unsigned char>(out[300]), 0x5A) << "nothing written past 256 bytes";
    return out;
}

std::string CurrentDirPath(const char *name)
{
    char out[512];
    MakeCurrentDirPathName(out, name);
    return out;
}

std::string ModuleName()
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
}

} // namespace

TEST(AppPathName, RelativeAndFullNames)
{
    const std::string dir = testing_support::ProgramDirectory();
    struct Case {
        const char *name;
        std::string expected;
        const char *what;
    } cases[] = {
        {"ZELPORT.INI", dir + "ZELPORT.INI", "relative name beside the program"},
        {"C:\\data\\file.txt", "C:\\data\\file.txt", "drive path copied"},
        {"\\\\server\\share\\f", "\\\\server\\share\\f", "UNC path copied"},
        {"", dir, "empty name is never a full path"},
        {".\\x", dir + ".\\x", "a leading dot is relative"},
        {"C:relative", dir + "C:relative", "drive without backslash is relative"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(AppPath(c.name), c.expected) << c.what;
    EXPECT_EQ(AppPath(nullptr), ModuleName());
}

TEST(AppPathName, TooLongNameBecomesQuestionMark)
{
    const std::string dir = testing_support::ProgramDirectory();
    std::string longName(250, 'n');
    EXPECT_EQ(AppPath(longName.c_str()), dir + "?");
    std::string fullLong = "C:\\" + std::string(300, 'f');
    EXPECT_EQ(AppPath(fullLong.c_str()).size(), 255u) << "a full path is cut to fit";
}

TEST(CurrentDirPathName, AppendsToTheCurrentDirectory)
{
    char cwd[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, cwd);
    std::string dir = cwd;
    if (dir.back() != '\\')
        dir += '\\';
    EXPECT_EQ(CurrentDirPath(nullptr), dir);
    EXPECT_EQ(CurrentDirPath("a.txt"), dir + "a.txt");
    EXPECT_EQ(CurrentDirPath("D:\\x"), "D:\\x");
    std::string longName(260, 'q');
    EXPECT_EQ(CurrentDirPath(longName.c_str()), dir + "?");
}

// Splitting DOS paths into root, directory and name.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "files_services.h"

namespace {

struct PathCase {
    const char *path;
    const char *root;
    const char *dir;
    const char *name;
    uint16_t flags;
    const char *shows;
};

const PathCase kPaths[] = {
    {"C:\\dir\\sub\\f.txt", "C:", "\\dir\\sub\\", "f.txt", 0x001, "drive path"},
    {"C:\\", "C:", "\\", "", 0x301, "drive root"},
    {"c:", "c:", "", "", 0x101, "bare drive with colon"},
    {"d", "d:", "", "", 0x101, "a lone letter names its drive"},
    {"C:f.txt", "C:", "", "f.txt", 0x001, "drive-relative name"},
    {"\\\\srv\\share", "\\\\srv\\share", "", "", 0x102, "UNC root without backslash"},
    {"\\\\srv\\share\\", "\\\\srv\\share", "\\", "", 0x302, "UNC root with backslash"},
    {"\\\\srv\\share\\a\\b.txt", "\\\\srv\\share", "\\a\\", "b.txt", 0x002, "UNC file"},
    {"dir\\f.txt", "", "dir\\", "f.txt", 0x000, "relative path"},
    {"f.txt", "", "", "f.txt", 0x000, "name alone"},
    {"\\f.txt", "", "\\", "f.txt", 0x000, "rooted without a drive"},
    {"x/y", "", "x/", "y", 0x000, "slash separates"},
    {"a:b:c", "a:", "b:", "c", 0x001, "colon after the root separates"},
    {"1:\\x", "", "1:\\", "x", 0x000, "a digit is no drive"},
    {"", "", "", "", 0x100, "empty path"},
};

TEST(DosPaths, SplitsRootDirectoryAndName)
{
    for (const PathCase &c : kPaths) {
        char root[256] = "junk", dir[256] = "junk", name[256] = "junk";
        EXPECT_EQ(ParseDosPath(c.path, root, dir, name), c.flags) << c.shows;
        EXPECT_STREQ(root, c.root) << c.shows;
        EXPECT_STREQ(dir, c.dir) << c.shows;
        EXPECT_STREQ(name, c.name) << c.shows;
        // Every output is optional.
        EXPECT_EQ(ParseDosPath(c.path, nullptr, nullptr, nullptr), c.flags) << c.shows;
    }
}

TEST(DosPaths, LongPartsAreCutWithinTheirBuffers)
{
    std::string longName(300, 'n');
    std::string path = "C:\\" + std::string(300, 'd') + "\\" + longName;
    char out[3][260];
    std::memset(out, 0x5A, sizeof out);
    EXPECT_EQ(ParseDosPath(path.c_str(), out[0], out[1], out[2]), 1);
    EXPECT_STREQ(out[0], "C:");
    EXPECT_EQ(std::strlen(out[1]), 255u);
    EXPECT_EQ(std::strlen(out[2]), 255u);
    for (int i = 0; i < 3; ++i)
        for (int b = 256; b < 260; ++b)
            EXPECT_EQ(out[i][b], 0x5A) << "output " << i << " overran at " << b;
}

} // namespace

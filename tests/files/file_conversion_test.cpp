// File types from the library's 'FCnv' resources. The table is loaded once per process, at the first
// call, so every case is one resource of one file and the program runs this suite alone.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "Files.h"
#include "MacMemory.h"
#include "Resources.h"
#include "Zel.h"
#include "files_fixture.h"
#include "test_support.h"

namespace {

using testing_support::P;

constexpr ResType kFCnv = 0x46436E76;
constexpr OSType kUntouched = 0x11111111;

// A resource body: a big-endian count, then the bytes as given (strings with or without their NULs).
std::string Body(uint16_t count, const std::string &pairs)
{
    return std::string{static_cast<char>(count >> 8), static_cast<char>(count & 0xFF)} + pairs;
}

void AddFCnv(int16_t id, const std::string &bytes)
{
    Handle h = NewHandle(static_cast<Size>(bytes.size()));
    ASSERT_NE(h, nullptr);
    std::memcpy(*h, bytes.data(), bytes.size());
    AddResource(h, kFCnv, id, P("").c_str());
    ASSERT_EQ(ResError(), noErr) << id;
}

TEST(FCnv, RowsAreReadWithinTheirResources)
{
    std::string dir = files_test::ScratchDir('C', "fcnv");
    std::string forkPath = dir + "conversions.rsrc";
    CreateResFile(P(forkPath.c_str()).c_str());
    ASSERT_EQ(ResError(), noErr);
    int16_t file = OpenResFile(P(forkPath.c_str()).c_str());
    ASSERT_GT(file, 0);
    const std::string longExtension = "." + std::string(40, 'e');
    AddFCnv(128, Body(1, std::string("PICT\0.pct\0", 10)));
    AddFCnv(129, Body(5, std::string("TEXT\0.txt\0", 10)));             // a count past the pairs present
    AddFCnv(130, Body(1, std::string("LONGTYPE\0.abc\0", 14)));        // types take four characters
    AddFCnv(131, Body(1, std::string("EXTN\0", 5) + longExtension + std::string(1, '\0')));
    AddFCnv(132, Body(2, std::string("GOOD\0.gd\0BAD\0.nonul", 19)));  // the last string has no NUL
    AddFCnv(133, std::string(1, '\x01'));                              // too short for its count
    AddFCnv(134, Body(1, std::string("TX2\0.TXT\0", 9)));              // a later row wins

    struct Case {
        const char *name;
        OSType type;
        const char *shows;
    } cases[] = {
        {"photo.pct", 0x50494354, "a plain row"},
        {"PHOTO.PCT", 0x50494354, "case is ignored"},
        {"notes.txt", 0x54583200, "the later row for .txt"},
        {"f.abc", 0x4C4F4E47, "the type's first four characters"},
        {"good.gd", 0x474F4F44, "the pair before the broken one"},
        {"bad.nonul", kUntouched, "a string without its NUL is not read"},
        {"a.b.pct", kUntouched, "the extension runs from the first dot"},
        {"noextension", kUntouched, "no dot"},
    };
    for (const Case &c : cases) {
        FSSpec fsSpec{};
        FSMakeFSSpec(-3, 2, P(c.name).c_str(), &fsSpec);
        FInfo info{};
        info.fdType = kUntouched;
        info.fdCreator = 0x22222222;
        EXPECT_EQ(TL_FSpGetFInfo(&fsSpec, &info), noErr) << c.shows;
        EXPECT_EQ(info.fdType, c.type) << c.shows;
        EXPECT_EQ(info.fdCreator, 0x22222222u) << c.shows << ": nothing else is touched";
    }
    // An extension of 40 characters is kept as its first 31.
    std::string cut = "x" + longExtension.substr(0, 31);
    FSSpec fsSpec{};
    FSMakeFSSpec(-3, 2, P(cut.c_str()).c_str(), &fsSpec);
    FInfo info{};
    EXPECT_EQ(TL_FSpGetFInfo(&fsSpec, &info), noErr);
    EXPECT_EQ(info.fdType, 0x4558544Eu);
    CloseResFile(file);
}

} // namespace

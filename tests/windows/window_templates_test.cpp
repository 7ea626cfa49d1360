// 'WIND' resources: GetNewWindow and GetNewCWindow make the window the template describes, positioning
// word included, and read nothing past the resource's end.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "MacMemory.h"
#include "Resources.h"
#include "window_host.h"

using namespace window_tests;

namespace {

constexpr ResType kWIND = 0x57494E44;

// A template in the byte order the loaded resource has.
std::vector<uint8_t> Template(Rect bounds, int16_t procID, bool visible, bool goAway, int32_t refCon,
                              const char *title, int16_t position, bool withPosition)
{
    std::vector<uint8_t> b(18, 0);
    std::memcpy(&b[0], &bounds, 8);
    std::memcpy(&b[8], &procID, 2);
    b[10] = visible;
    b[12] = goAway;
    std::memcpy(&b[14], &refCon, 4);
    b.push_back(static_cast<uint8_t>(std::strlen(title)));
    b.insert(b.end(), title, title + std::strlen(title));
    if (b.size() % 2)
        b.push_back(0);
    if (withPosition) {
        b.resize(b.size() + 2);
        std::memcpy(&b[b.size() - 2], &position, 2);
    }
    return b;
}

void Add(const std::vector<uint8_t> &bytes, int16_t id)
{
    Handle h = NewHandle(static_cast<Size>(bytes.size()));
    std::memcpy(*h, bytes.data(), bytes.size());
    AddResource(h, kWIND, id, testing_support::P("").c_str());
    ASSERT_EQ(ResError(), 0);
    // Written to the file: the window calls release the resource, and the next one reads it again.
    UpdateResFile(CurResFile());
}

std::string Title(WindowPtr w)
{
    Str255 t{};
    GetWTitle(w, t);
    return std::string(reinterpret_cast<char *>(t + 1), t[0]);
}

class WindowTemplates : public testing::Test {
protected:
    void SetUp() override
    {
        DeleteFileA("WindowTemplates.rsr");
        SetResLoad(TRUE);
        CreateResFile(testing_support::P("WindowTemplates.rsr").c_str());
        ref = OpenResFile(testing_support::P("WindowTemplates.rsr").c_str());
        ASSERT_GT(ref, 0);
    }
    void TearDown() override
    {
        CloseResFile(ref);
        DeleteFileA("WindowTemplates.rsr");
    }
    int16_t ref = -1;
};

} // namespace

TEST_F(WindowTemplates, AResourceMakesTheWindowItsRecordWould)
{
    const Rect bounds{50, 40, 150, 260};
    Add(Template(bounds, zoomDocProc, true, true, 0x1234, "From WIND", 0, true), 128);
    WindowPtr w = reinterpret_cast<WindowPtr>(GetNewCWindow(128, nullptr, reinterpret_cast<WindowPtr>(-1)));
    ASSERT_NE(w, nullptr);
    EXPECT_LT(w->portBits.rowBytes, 0) << "a colour port";
    EXPECT_TRUE(SameRect(AuxOf(w)->bounds, bounds));
    EXPECT_EQ(PeekOf(w)->windowDefProc, zoomDocProc);
    EXPECT_TRUE(PeekOf(w)->visible);
    EXPECT_TRUE(PeekOf(w)->goAwayFlag);
    EXPECT_EQ(GetWRefCon(w), 0x1234);
    EXPECT_EQ(Title(w), "From WIND");
    DisposeWindow(w);

    WindowPtr plain = GetNewWindow(128, nullptr, reinterpret_cast<WindowPtr>(-1));
    ASSERT_NE(plain, nullptr);
    EXPECT_GE(plain->portBits.rowBytes, 0) << "GetNewWindow makes a black-and-white port";
    DisposeWindow(plain);
    EXPECT_EQ(GetNewWindow(999, nullptr, reinterpret_cast<WindowPtr>(-1)), nullptr) << "no such resource";
}

TEST_F(WindowTemplates, ThePositioningWordCentresTheWindow)
{
    Add(Template(Rect{0, 0, 100, 200}, documentProc, true, true, 0, "Centred", 0x280A, true), 129);
    WindowPtr w = GetNewWindow(129, nullptr, reinterpret_cast<WindowPtr>(-1));
    ASSERT_NE(w, nullptr);
    RECT parent;
    GetClientRect(HostMainWindow(), &parent);
    const Rect &b = AuxOf(w)->bounds;
    EXPECT_EQ(b.left, (parent.right - 200) / 2);
    EXPECT_EQ(b.top, (parent.bottom - 100) / 2);
    DisposeWindow(w);
}

TEST_F(WindowTemplates, FieldsPastTheEndReadAsZero)
{
    // The title's length byte promises 40 characters the resource does not hold.
    std::vector<uint8_t> cut = Template(Rect{40, 30, 140, 230}, documentProc, true, true, 7, "", 0, false);
    cut[18] = 40;
    cut.push_back('x');
    Add(cut, 130);
    WindowPtr w = GetNewWindow(130, nullptr, reinterpret_cast<WindowPtr>(-1));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(Title(w), "") << "a title past the end is none";
    EXPECT_TRUE(SameRect(AuxOf(w)->bounds, Rect{40, 30, 140, 230})) << "no positioning word read past the end";
    DisposeWindow(w);

    // Only the bounds: everything after them is 0.
    std::vector<uint8_t> tiny(8);
    const Rect small{60, 50, 110, 150};
    std::memcpy(tiny.data(), &small, 8);
    Add(tiny, 131);
    WindowPtr bare = GetNewWindow(131, nullptr, reinterpret_cast<WindowPtr>(-1));
    ASSERT_NE(bare, nullptr);
    EXPECT_FALSE(PeekOf(bare)->visible);
    EXPECT_EQ(GetWRefCon(bare), 0);
    DisposeWindow(bare);
}

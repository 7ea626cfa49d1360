// 'WIND' resources: GetNewWindow and GetNewCWindow make the window the template describes, positioning
// word included, and make nothing of a resource cut short.
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

// A template whose title or positioning word runs past the resource's end makes no window, so that a
// damaged resource is noticed; a title that ends the resource exactly (no positioning word) is whole.
TEST_F(WindowTemplates, TemplatesCutShortMakeNoWindow)
{
    const Rect bounds{40, 30, 140, 230};
    std::vector<uint8_t> longTitle = Template(bounds, documentProc, true, true, 7, "", 0, false);
    longTitle[18] = 40; // promises 40 characters
    longTitle.push_back('x');
    std::vector<uint8_t> onlyBounds(8);
    std::memcpy(onlyBounds.data(), &bounds, 8);
    std::vector<uint8_t> noTitleByte = Template(bounds, documentProc, true, true, 7, "", 0, false);
    noTitleByte.resize(18);
    std::vector<uint8_t> halfPosition = Template(bounds, documentProc, true, true, 7, "Half", 0, false);
    halfPosition.push_back(0x28); // one byte of a positioning word
    std::vector<uint8_t> exact = Template(bounds, documentProc, true, true, 7, "Odd", 0, false);
    ASSERT_EQ(exact.size(), 22u);
    struct Case {
        const char *what;
        const std::vector<uint8_t> &bytes;
        bool made;
    };
    const Case cases[] = {
        {"a title longer than the resource", longTitle, false},
        {"only the bounds", onlyBounds, false},
        {"no title length byte", noTitleByte, false},
        {"half a positioning word", halfPosition, false},
        {"a title ending the resource", exact, true},
    };
    int16_t id = 130;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Add(c.bytes, id);
        WindowPtr plain = GetNewWindow(id, nullptr, reinterpret_cast<WindowPtr>(-1));
        WindowPtr colour = reinterpret_cast<WindowPtr>(GetNewCWindow(id, nullptr, reinterpret_cast<WindowPtr>(-1)));
        EXPECT_EQ(plain != nullptr, c.made);
        EXPECT_EQ(colour != nullptr, c.made);
        if (plain) {
            EXPECT_EQ(Title(plain), "Odd");
            EXPECT_TRUE(SameRect(AuxOf(plain)->bounds, bounds));
            DisposeWindow(plain);
        }
        if (colour)
            DisposeWindow(colour);
        ++id;
    }
}

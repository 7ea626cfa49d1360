// TextEdit records bound to a real edit control: the copy back of text, selection and scroll position,
// editing through edit-control messages, and controls that hold too much or are gone.
#include "te_fixtures.h"

#include <cstring>
#include <vector>

#include "Zel.h"
#include "test_support.h"

using namespace testing_support;
using namespace te_fixtures;

namespace {

// The edit control's messages of a kind, as the control received them.
WNDPROC sEditProc;
std::vector<std::string> sReplaced;
LRESULT CALLBACK RecordingEdit(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == EM_REPLACESEL)
        sReplaced.push_back(reinterpret_cast<const char *>(lParam));
    return CallWindowProcA(sEditProc, hwnd, message, wParam, lParam);
}

class TEBound : public TextEditTest {
protected:
    void SetUp() override
    {
        TextEditTest::SetUp();
        parent_ = CreateWindowA("STATIC", "bound", WS_POPUP | WS_VISIBLE, 0, 0, 300, 200, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
        edit_ = CreateWindowA("EDIT", "", WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_AUTOVSCROLL | WS_VSCROLL, 0, 0,
                              200, 60, parent_, nullptr, GetModuleHandleA(nullptr), nullptr);
        SendMessageA(edit_, EM_LIMITTEXT, 0, 0);
        sEditProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(edit_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RecordingEdit)));
        SetPor(port_.port());
        TextFont(ProportionalFont());
        TextSize(12);
        const Rect view{10, 10, 70, 210};
        h_ = TENew(&view, &view);
        (**h_).hDispText = reinterpret_cast<Handle>(edit_);
        sReplaced.clear();
    }
    void TearDown() override
    {
        TEDispose(h_);
        if (IsWindow(parent_))
            DestroyWindow(parent_);
        TextEditTest::TearDown();
    }
    void Show(const std::string &text)
    {
        SetWindowTextA(edit_, text.c_str());
        SendMessageA(edit_, EM_SETMODIFY, 1, 0);
        ZEL_SethTEfromhWnd(h_, false);
    }
    std::string ControlText()
    {
        std::string s(GetWindowTextLengthA(edit_) + 1, '\0');
        GetWindowTextA(edit_, s.data(), int(s.size()));
        s.resize(s.size() - 1);
        return s;
    }
    std::pair<int, int> ControlSelection()
    {
        DWORD start = 0, end = 0;
        SendMessageA(edit_, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        return {int(start), int(end)};
    }
    static std::string MacOf(const std::string &ansi)
    {
        std::string mac(ansi.size() + 1, '\0');
        const int32_t n = ZEL_AnsiToMacBuf(reinterpret_cast<const uint8_t *>(ansi.data()),
                                           reinterpret_cast<uint8_t *>(mac.data()), int16_t(ansi.size()));
        mac.resize(n);
        return mac;
    }
    DibPort port_{50, 50};
    HWND parent_ = nullptr, edit_ = nullptr;
    TEHandle h_ = nullptr;
};

TEST_F(TEBound, TheCopyBackTakesTheControlsTextWhenModifiedOrForced)
{
    const std::string accented = "Caf\xE9 na\xEFve \xC5ngstr\xF6m";
    SetWindowTextA(edit_, accented.c_str());
    // Setting the text clears the modify flag: without force nothing is copied.
    EXPECT_FALSE(ZEL_SethTEfromhWnd(h_, false));
    EXPECT_EQ((**h_).teLength, 0);
    SendMessageA(edit_, EM_SETMODIFY, 1, 0);
    EXPECT_TRUE(ZEL_SethTEfromhWnd(h_, false));
    const std::string mac = MacOf(ControlText());
    EXPECT_NE(mac, accented);
    EXPECT_EQ(RecordText(h_), mac);
    EXPECT_EQ((**h_).teLength, int(mac.size()));
    EXPECT_EQ(SendMessageA(edit_, EM_GETMODIFY, 0, 0), 0);

    // At once again: nothing to copy, but the selection and destRect are refreshed.
    SendMessageA(edit_, EM_SETSEL, 2, 5);
    (**h_).destRect.top = -999;
    EXPECT_FALSE(ZEL_SethTEfromhWnd(h_, false));
    EXPECT_EQ(RecordText(h_), mac);
    EXPECT_EQ((**h_).selStart, 2);
    EXPECT_EQ((**h_).selEnd, 5);
    EXPECT_EQ((**h_).destRect.top, (**h_).viewRect.top);

    // A text set with the flag clear is copied only with force.
    SetWindowTextA(edit_, "other");
    EXPECT_FALSE(ZEL_SethTEfromhWnd(h_, false));
    EXPECT_EQ(RecordText(h_), mac);
    EXPECT_TRUE(ZEL_SethTEfromhWnd(h_, true));
    EXPECT_EQ(RecordText(h_), "other");
}

TEST_F(TEBound, EditsGoToTheControlAndComeBack)
{
    Show("abcdef");
    TESetSelect(2, 2, h_);
    TEInsert("XY", 2, h_);
    EXPECT_EQ(ControlText(), "abXYcdef");
    EXPECT_EQ(ControlSelection(), std::make_pair(4, 4));
    EXPECT_EQ(RecordText(h_), "abXYcdef");
    EXPECT_EQ((**h_).selStart, 4);

    // Before a selection: it goes on covering the same characters.
    TESetSelect(4, 6, h_);
    TEInsert("123", 3, h_);
    EXPECT_EQ(ControlText(), "abXY123cdef");
    EXPECT_EQ(ControlSelection(), std::make_pair(7, 9));
    EXPECT_EQ((**h_).selStart, 7);
    EXPECT_EQ((**h_).selEnd, 9);

    // Selections are clamped to the text before they are sent.
    const struct { int32_t start, end, wantStart, wantEnd; } selections[] = {
        {3, 500, 3, 11}, {-4, 2, 0, 2}, {40000, 40001, 11, 11}, {5, -3, 5, 5}, {-70000, 70000, 0, 11}};
    for (const auto &s : selections) {
        TESetSelect(s.start, s.end, h_);
        EXPECT_EQ(ControlSelection(), std::make_pair(s.wantStart, s.wantEnd)) << s.start << ", " << s.end;
        EXPECT_EQ((**h_).selStart, s.wantStart);
        EXPECT_EQ((**h_).selEnd, s.wantEnd);
    }

    // Backspace and forward delete take one character; arrows move the caret and insert nothing.
    TESetSelect(3, 3, h_);
    TEKey(0x08, h_);
    EXPECT_EQ(ControlText(), "abY123cdef");
    TEKey(0x7F, h_);
    EXPECT_EQ(ControlText(), "ab123cdef");
    for (int16_t arrow : {int16_t(0x1D), int16_t(0x1D), int16_t(0x1C), int16_t(0x1E), int16_t(0x1F)})
        TEKey(arrow, h_);
    EXPECT_EQ(ControlText(), "ab123cdef");
    EXPECT_EQ(RecordText(h_), "ab123cdef");
    EXPECT_EQ(ControlSelection().first, (**h_).selStart);
    TESetSelect(2, 2, h_);
    TEKey(0x1D, h_);
    EXPECT_EQ(ControlSelection(), std::make_pair(3, 3));
    TEKey(0x1C, h_);
    TEKey(0x1C, h_);
    EXPECT_EQ(ControlSelection(), std::make_pair(1, 1));
    TEKey('z', h_);
    EXPECT_EQ(ControlText(), "azb123cdef");

    // An empty selection's delete still sends its empty replacement.
    sReplaced.clear();
    TEDelete(h_);
    ASSERT_EQ(sReplaced.size(), 1u);
    EXPECT_EQ(sReplaced[0], "");
    EXPECT_EQ(ControlText(), "azb123cdef");

    // The whole text is replaced by TESetText.
    TESetText("new", 3, h_);
    EXPECT_EQ(ControlText(), "new");
    EXPECT_EQ(RecordText(h_), "new");
    EXPECT_EQ((**h_).selStart, 3);
}

TEST_F(TEBound, ScrollingMovesTheControlByWholeLines)
{
    std::string text;
    for (int i = 0; i < 30; ++i)
        text += "line " + std::to_string(i) + "\r\n";
    Show(text);
    SendMessageA(edit_, EM_LINESCROLL, 0, 10);
    ASSERT_EQ(SendMessageA(edit_, EM_GETFIRSTVISIBLELINE, 0, 0), 10);
    const int lh = (**h_).lineHeight;
    ASSERT_GT(lh, 0);
    TEScroll(0, int16_t(2 * lh + lh / 2), h_);
    EXPECT_EQ(SendMessageA(edit_, EM_GETFIRSTVISIBLELINE, 0, 0), 8);
    EXPECT_EQ((**h_).destRect.top, (**h_).viewRect.top - lh * 8);
    TEScroll(0, int16_t(-3 * lh), h_);
    EXPECT_EQ(SendMessageA(edit_, EM_GETFIRSTVISIBLELINE, 0, 0), 11);
    EXPECT_EQ(TEGetHeight(5, 1, h_), lh);

    // On the platform whose version word is 3 the first visible line is taken as 1.
    const uint16_t version = SetSessionVersionWord(3);
    ZEL_SethTEfromhWnd(h_, false);
    EXPECT_EQ((**h_).destRect.top, (**h_).viewRect.top - lh);
    SetSessionVersionWord(version);

    // A record without a line height scrolls nothing.
    (**h_).lineHeight = 0;
    TEScroll(0, 30, h_);
    EXPECT_EQ(SendMessageA(edit_, EM_GETFIRSTVISIBLELINE, 0, 0), 11);
}

TEST_F(TEBound, LongTextsAndGoneControlsAreHandledSoundly)
{
    // Characters that each become four ANSI bytes: the control holds the whole conversion.
    Show("");
    std::string marks(300, '\xAA');
    std::vector<uint8_t> expected(4 * marks.size() + 1);
    const int32_t n = ZEL_MacToAnsiBuf(reinterpret_cast<const uint8_t *>(marks.data()), expected.data(),
                                       uint16_t(marks.size()), 0);
    ASSERT_GT(n, int32_t(marks.size()));
    TEInsert(marks.data(), int32_t(marks.size()), h_);
    EXPECT_EQ(ControlText(), std::string(reinterpret_cast<const char *>(expected.data()), n));
    EXPECT_EQ(ZEL_MemCheck(), 1);
    EXPECT_TRUE(HeapValidate(GetProcessHeap(), 0, nullptr));

    // A control of 40,000 characters gives its first 32000.
    std::string big(40000, 'q');
    for (size_t i = 0; i < big.size(); i += 100)
        big[i] = 'A' + char(i / 100 % 26);
    SetWindowTextA(edit_, big.c_str());
    EXPECT_TRUE(ZEL_SethTEfromhWnd(h_, true));
    EXPECT_EQ((**h_).teLength, 32000);
    EXPECT_EQ(RecordText(h_), big.substr(0, 32000));

    // A control that is gone leaves the record as it was.
    Show("kept");
    DestroyWindow(parent_);
    EXPECT_FALSE(ZEL_SethTEfromhWnd(h_, true));
    TEInsert("x", 1, h_);
    TEKey('y', h_);
    TESetSelect(0, 2, h_);
    TEScroll(0, 20, h_);
    EXPECT_EQ(RecordText(h_), "kept");
    EXPECT_EQ((**h_).teLength, 4);
}

} // namespace

// TextEdit editing: a seeded run of edits against a model of the text and selection (incremental layout
// and redraw against a fresh record's), the 32000-character limit, bad inputs, clicks with the button up,
// the caret's blink and the highlight's pixels, and cut, copy and paste through the scrap callback.
#include "te_fixtures.h"

#include <algorithm>
#include <cstring>
#include <random>

#include "Events.h"
#include "LowMem.h"
#include "OSUtils.h"
#include "Resources.h"
#include "test_support.h"

using namespace testing_support;
using namespace te_fixtures;

namespace {

const Rect kDest = R(6, 4, 190, 2000);
const Rect kView = R(4, 4, 200, 150);

class TEEditing : public TextEditTest {
protected:
    void SetUp() override
    {
        TextEditTest::SetUp();
        ASSERT_GE(ProportionalFont(), 0);
        RefuseScrapPuts(false);
        TakeScrapPuts();
    }
    static TEHandle Make(DibPort &port, const std::string &text)
    {
        SetPor(port.port());
        TextFont(ProportionalFont());
        TextSize(12);
        TextFace(0);
        TEHandle h = TENew(&kDest, &kView);
        TESetText(text.data(), int32_t(text.size()), h);
        return h;
    }
    // A fresh active record of the same text and selection, drawn in full.
    static void DrawFresh(DibPort &port, const std::string &text, int start, int end)
    {
        TEHandle g = Make(port, text);
        TESetSelect(start, end, g);
        TEUpdate(&kView, g);
        TEActivate(g);
        TEDispose(g);
    }
};

struct Model {
    std::string text;
    int start = 0, end = 0;
    std::string clip;

    void Replace(const std::string &s, bool selectInserted)
    {
        std::string in = s;
        const int room = 32000 - (int(text.size()) - (end - start));
        if (int(in.size()) > room)
            in.resize(std::max(room, 0));
        text.replace(start, end - start, in);
        end = start + int(in.size());
        if (!selectInserted)
            start = end;
    }
};

std::string RandomWord(std::mt19937 &rng)
{
    std::string w;
    const int n = std::uniform_int_distribution<int>(1, 9)(rng);
    for (int i = 0; i < n; ++i)
        w += char('a' + rng() % 26);
    return w;
}

TEST_F(TEEditing, SeededEditsMatchTheModelTheFullLayoutAndTheFullRedraw)
{
    DibPort port(220, 160), fresh(220, 160);
    Model m;
    m.text = "The model's first paragraph holds a few words.\rA second one follows it here.";
    TEHandle h = Make(port, m.text);
    TESetSelect(0, 0, h);
    m.start = m.end = 0;
    TEUpdate(&kView, h);
    TEActivate(h);
    SetClipboardText("clip");
    m.clip = "clip";
    std::mt19937 rng(6122);
    for (int step = 0; step < 2000; ++step) {
        SetPor(port.port());
        const int len = int(m.text.size());
        const int op = std::uniform_int_distribution<int>(0, 13)(rng);
        std::string what;
        switch (op) {
        case 0: {
            const int a = std::uniform_int_distribution<int>(-20, len + 20)(rng);
            const int b = rng() % 8 == 0 ? 40000 : std::uniform_int_distribution<int>(-20, len + 20)(rng);
            what = "select " + std::to_string(a) + ", " + std::to_string(b);
            TESetSelect(a, b, h);
            const int end = std::min(b, len);
            m.start = std::clamp(a, 0, len);
            m.end = std::clamp(end, m.start, len);
            break;
        }
        case 1:
        case 2:
        case 3: {
            const char c = rng() % 7 == 0 ? ' ' : rng() % 13 == 0 ? '\r' : char('a' + rng() % 26);
            what = std::string("key ") + (c == '\r' ? "return" : std::string(1, c));
            TEKey(uint8_t(c), h);
            m.Replace(std::string(1, c), false);
            break;
        }
        case 4:
            what = "backspace";
            TEKey(0x08, h);
            if (m.start != m.end)
                m.Replace("", false);
            else if (m.start > 0) {
                --m.start;
                m.Replace("", false);
            }
            break;
        case 5:
            what = "forward delete";
            TEKey(0x7F, h);
            if (m.start != m.end)
                m.Replace("", false);
            else if (m.start < len) {
                ++m.end;
                m.Replace("", false);
            }
            break;
        case 6: {
            const int16_t key = int16_t(0x1C + rng() % 4);
            what = "arrow " + std::to_string(key);
            const int before0 = m.start, before1 = m.end;
            TEKey(key, h);
            const TERec &r = **h;
            if (key == 0x1C)
                m.start = m.end = std::max(before0 - 1, 0);
            else if (key == 0x1D)
                m.start = m.end = before1 < len ? before1 + 1 : before1;
            else {
                // Up and down land on a caret in the line above or below.
                ASSERT_EQ(r.selStart, r.selEnd) << what;
                if (key == 0x1E)
                    EXPECT_LE(r.selStart, before0) << what;
                else
                    EXPECT_GE(r.selStart, before1) << what;
                m.start = m.end = r.selStart;
            }
            break;
        }
        case 7:
        case 8: {
            const std::string w = (rng() % 2 ? " " : "") + RandomWord(rng) + (rng() % 5 == 0 ? "\r" : "");
            what = "insert \"" + w + "\"";
            TEInsert(w.data(), int32_t(w.size()), h);
            const int s0 = m.start, e0 = m.end;
            m.end = m.start;
            m.Replace(w, true);
            const int k = m.end - m.start;
            m.start = s0 + k;
            m.end = e0 + k;
            break;
        }
        case 9:
            what = "delete";
            TEDelete(h);
            if (m.start != m.end)
                m.Replace("", false);
            break;
        case 10:
            what = "cut";
            TECut(h);
            m.clip = m.text.substr(m.start, m.end - m.start);
            if (m.start != m.end)
                m.Replace("", false);
            break;
        case 11:
            what = "copy";
            TECopy(h);
            m.clip = m.text.substr(m.start, m.end - m.start);
            break;
        case 12:
            what = "paste";
            TEPaste(h);
            m.Replace(m.clip, false);
            break;
        default:
            what = "insert nothing";
            TEInsert("x", 0, h);
            break;
        }
        const TERec &r = **h;
        ASSERT_EQ(RecordText(h), m.text) << "step " << step << ": " << what;
        ASSERT_EQ(r.teLength, int(m.text.size())) << "step " << step << ": " << what;
        ASSERT_EQ(r.selStart, m.start) << "step " << step << ": " << what;
        ASSERT_EQ(r.selEnd, m.end) << "step " << step << ": " << what;
        const std::vector<int> incremental = LineStarts(h);
        {
            DibPort scratch(10, 10);
            TEHandle g = Make(scratch, m.text);
            ASSERT_EQ(incremental, LineStarts(g)) << "step " << step << ": " << what;
            TEDispose(g);
        }
        fresh.surface().Fill(RGB(255, 255, 255));
        DrawFresh(fresh, m.text, m.start, m.end);
        ASSERT_EQ(SurfaceDifference(port.surface(), fresh.surface(), &kView), "")
            << "step " << step << ": " << what << " selection " << m.start << ".." << m.end << " lines "
            << ::testing::PrintToString(incremental);
    }
    TEDispose(h);
}

TEST_F(TEEditing, TheEditingEdgeCases)
{
    DibPort port(220, 160);
    // Backspace at 0 and forward delete at the end do nothing.
    TEHandle h = Make(port, "twenty characters ab");
    TEActivate(h);
    TESetSelect(0, 0, h);
    TEKey(0x08, h);
    TESetSelect(20, 20, h);
    TEKey(0x7F, h);
    EXPECT_EQ(RecordText(h), "twenty characters ab");
    // A reversed selection collapses at its start.
    TESetSelect(10, 5, h);
    EXPECT_EQ((**h).selStart, 10);
    EXPECT_EQ((**h).selEnd, 10);
    // Inserting before a selection keeps it on the same characters.
    TESetSelect(3, 5, h);
    TEInsert("1234", 4, h);
    EXPECT_EQ((**h).selStart, 7);
    EXPECT_EQ((**h).selEnd, 9);
    EXPECT_EQ(RecordText(h), "twe1234nty characters ab");
    // Cutting an empty selection empties the clipboard's text and keeps the record's.
    SetClipboardText("before");
    TakeScrapPuts();
    TESetSelect(4, 4, h);
    TECut(h);
    const std::vector<ScrapPut> puts = TakeScrapPuts();
    ASSERT_EQ(puts.size(), 1u);
    EXPECT_EQ(puts[0].bytes, "");
    std::string clip;
    EXPECT_TRUE(ClipboardText(&clip));
    EXPECT_EQ(clip, "");
    EXPECT_EQ(RecordText(h), "twe1234nty characters ab");
    // A copy hands the selection's bytes; a paste replaces the selection and leaves the caret after it.
    TESetSelect(3, 7, h);
    TECopy(h);
    EXPECT_TRUE(ClipboardText(&clip));
    EXPECT_EQ(clip, "1234");
    TESetSelect(0, 3, h);
    TEPaste(h);
    EXPECT_EQ(RecordText(h), "12341234nty characters ab");
    EXPECT_EQ((**h).selStart, 4);
    EXPECT_EQ((**h).selEnd, 4);
    TEDispose(h);
}

TEST_F(TEEditing, TextStopsAtExactly32000CharactersWithItsLeadingBytesKept)
{
    DibPort port(220, 160);
    std::string full(32000, 'x');
    for (size_t i = 0; i < full.size(); i += 50)
        full[i] = '\r';
    const std::string start(31990, 'y');
    const std::string big = std::string(40000, 'z');
    struct Case {
        const char *name;
        void (*edit)(TEHandle h, const std::string &big);
    };
    const Case cases[] = {
        {"TEInsert", [](TEHandle h, const std::string &b) { TEInsert(b.data(), 20, h); }},
        {"TEKey", [](TEHandle h, const std::string &) {
             for (int i = 0; i < 20; ++i)
                 TEKey('z', h);
         }},
        {"TEPaste", [](TEHandle h, const std::string &b) {
             SetClipboardText(b);
             TEPaste(h);
         }},
    };
    for (const Case &c : cases) {
        TEHandle h = Make(port, start);
        TEActivate(h);
        TESetSelect(5, 5, h);
        c.edit(h, big);
        EXPECT_EQ((**h).teLength, 32000) << c.name;
        const std::string text = RecordText(h);
        ASSERT_EQ(text.size(), 32000u) << c.name;
        EXPECT_EQ(text.substr(0, 5), start.substr(0, 5)) << c.name;
        EXPECT_EQ(text.substr(15), start.substr(5)) << c.name;
        EXPECT_EQ(text.substr(5, 10), std::string(10, 'z')) << c.name;
        TEDispose(h);
    }
    // Typing into a full record changes nothing.
    TEHandle h = Make(port, full);
    TEActivate(h);
    TESetSelect(100, 100, h);
    TEKey('a', h);
    EXPECT_EQ(RecordText(h), full);
    EXPECT_EQ((**h).teLength, 32000);
    TEDispose(h);
}

TEST_F(TEEditing, BadLengthsInsertNothingAndANegativeLengthIsRepaired)
{
    DibPort port(220, 160);
    TEHandle h = Make(port, "abcdef");
    TESetSelect(2, 2, h);
    TEInsert("xyz", -3, h);
    TEInsert(nullptr, 3, h);
    EXPECT_EQ(RecordText(h), "abcdef");
    EXPECT_EQ((**h).teLength, 6);
    // The host spoils teLength: it is taken from the handle, which does not grow.
    (**h).teLength = -40;
    TEKey('Q', h);
    EXPECT_EQ(RecordText(h), "abQcdef");
    EXPECT_EQ((**h).teLength, 7);
    (**h).teLength = -1;
    TESetSelect(0, 3, h);
    TEDelete(h);
    EXPECT_EQ(RecordText(h), "cdef");
    EXPECT_EQ(GetHandleSize((**h).hText), 4);
    TEDispose(h);
}

TEST_F(TEEditing, ADoubleClickSelectsAWordAndAThirdClickStartsAgain)
{
    DibPort port(220, 160);
    const Boolean guarded = GuardHandleData(true);
    const std::string text = "alpha beta gamma";
    TEHandle h = Make(port, text);
    GuardHandleData(guarded);
    ASSERT_LT(GetDblTime(), 600u);
    const Point inBeta = TEGetPoint(8, h);
    TEClick(inBeta, false, h);
    EXPECT_EQ((**h).selStart, 8);
    EXPECT_EQ((**h).selEnd, 8);
    TEClick(inBeta, false, h);
    EXPECT_EQ((**h).selStart, 6);
    EXPECT_EQ((**h).selEnd, 10);
    TEClick(inBeta, false, h);
    EXPECT_EQ((**h).selStart, 8);
    EXPECT_EQ((**h).selEnd, 8);
    // At the end of the text the last word; nothing past the text is read.
    Point end = TEGetPoint(int16_t(text.size() - 1), h);
    end.h = int16_t(end.h + 40);
    TEClick(end, false, h);
    EXPECT_EQ((**h).selStart, int(text.size()));
    TEClick(end, false, h);
    EXPECT_EQ((**h).selStart, 11);
    EXPECT_EQ((**h).selEnd, int(text.size()));
    // Shift-click extends from the far end.
    TEClick(inBeta, true, h);
    EXPECT_EQ((**h).selStart, 8);
    EXPECT_EQ((**h).selEnd, int(text.size()));
    TEDispose(h);
}

// The mouse the built-in click loop reads: far above every record's view.
void ZEL_CALL MouseAboveTheView(Point *pt) { *pt = Point{-200, 20}; }

TEST_F(TEEditing, AClickInAnEmptyRecordGivesBackTheClickInProgress)
{
    // The built-in click loop scrolls the record of the click in progress; outside any click (a program
    // calling the loop it saved from clikLoop) it has none and does nothing, also after a click in a
    // record that was empty then.
    DibPort port(220, 160);
    TEHandle h = Make(port, "");
    TEAutoView(true, h);
    TEClick(Point{10, 20}, false, h);
    std::string lines;
    for (int i = 0; i < 40; ++i)
        lines += "line\r";
    TESetText(lines.data(), int32_t(lines.size()), h);
    TESetSelect(lines.size(), lines.size(), h);
    TESelView(h);
    const Rect scrolled = (**h).destRect;
    ASSERT_LT(scrolled.top, kDest.top) << "the end of the text is in view";
    TEClickLoopProcPtr savedLoop = (**h).clikLoop;
    ASSERT_NE(savedLoop, nullptr);
    NSetTrapAddress(reinterpret_cast<UniversalProcPtr>(MouseAboveTheView), _GetMouse, ToolTrap);
    EXPECT_TRUE(savedLoop());
    NSetTrapAddress(reinterpret_cast<UniversalProcPtr>(GetMouse), _GetMouse, ToolTrap);
    EXPECT_EQ((**h).destRect.top, scrolled.top) << "no click in progress, nothing scrolls";
    TEDispose(h);
}

TEST_F(TEEditing, TheCaretBlinksAndTheHighlightFollowsActivation)
{
    DibPort port(220, 160), blank(220, 160);
    TEHandle h = Make(port, "Highlighted words");
    TEUpdate(&kView, h);
    DibSurface before(220, 160);
    BitBlt(before.dc(), 0, 0, 220, 160, port.surface().dc(), 0, 0, SRCCOPY);
    auto same = [&](DibSurface &a) {
        for (int y = 0; y < 160; ++y)
            for (int x = 0; x < 220; ++x)
                if (a.Pixel(x, y) != port.surface().Pixel(x, y))
                    return false;
        return true;
    };
    TESetSelect(3, 9, h);
    EXPECT_TRUE(same(before)) << "an inactive record shows no highlight";
    TEActivate(h);
    EXPECT_FALSE(same(before));
    // The selection's rectangle is inverted, the rest as before.
    const Rect sel = (**h).selRect;
    for (int y = 0; y < 160; ++y)
        for (int x = 0; x < 220; ++x) {
            const bool inside = x >= sel.left && x < sel.right && y >= sel.top && y < sel.bottom;
            const COLORREF was = before.Pixel(x, y);
            ASSERT_EQ(port.surface().Pixel(x, y), inside ? (~was & 0xFFFFFF) : was) << x << ", " << y;
        }
    TEDeactivate(h);
    EXPECT_TRUE(same(before));

    // The caret: TEIdle after the caret time inverts its pixels, the next toggle puts them back.
    TESetSelect(4, 4, h);
    TEActivate(h);
    const Rect caret = (**h).selRect;
    EXPECT_EQ(caret.right - caret.left, 1) << (**h).selStart << ".." << (**h).selEnd << " state " << (**h).caretState << " active " << (**h).active;
    const COLORREF shown = port.surface().Pixel(caret.left, caret.top + 1);
    for (int toggle = 0; toggle < 2; ++toggle) {
        const COLORREF was = port.surface().Pixel(caret.left, caret.top + 1);
        (**h).caretTime = int32_t(TickCount() - GetCaretTime() - 2);
        TEIdle(h);
        EXPECT_NE(port.surface().Pixel(caret.left, caret.top + 1), was) << toggle;
        // Right after a blink nothing changes.
        TEIdle(h);
    }
    EXPECT_EQ(port.surface().Pixel(caret.left, caret.top + 1), shown);
    TEDispose(h);
}

} // namespace

namespace {

// A 'WBRK' resource of ID 0 in an open file replaces the built-in word breaks when it holds all 256 bits;
// a shorter one is not read. Here its bitmap makes 'x' a break character.
TEST_F(TEEditing, AWordBreakResourceOfAllItsBitsTakesOver)
{
    DibPort port(220, 160);
    SetResLoad(true);
    const auto name = P("te_wbrk.rsr");
    for (const int size : {16, 32}) {
        DeleteFileA("te_wbrk.rsr");
        CreateResFile(name.c_str());
        const int16_t ref = OpenResFile(name.c_str());
        ASSERT_GT(ref, 0);
        UseResFile(ref);
        Handle bits = NewHandle(size);
        std::memset(*bits, 0xFF, size);
        for (int c = 0; c <= 0x20; ++c)
            (*bits)[c >> 3] = char((*bits)[c >> 3] & ~(0x80 >> (c & 7)));
        if (size == 32)
            (*bits)['x' >> 3] = char((*bits)['x' >> 3] & ~(0x80 >> ('x' & 7)));
        AddResource(bits, 0x5742524B, 0, P("").c_str());
        TEInit();
        TEHandle h = Make(port, "abxcd efg");
        const Point pt = TEGetPoint(1, h);
        TEClick(pt, false, h);
        TEClick(pt, false, h);
        EXPECT_EQ((**h).selStart, 0) << size;
        EXPECT_EQ((**h).selEnd, size == 32 ? 2 : 5) << size;
        TEDispose(h);
        CloseResFile(ref);
        TEInit();
    }
    DeleteFileA("te_wbrk.rsr");
}

} // namespace

// TextEdit layout and drawing: line starts against a reference breaker measured by GDI, hit testing both
// ways, line heights, the pixels of TEUpdate and TETextBox against TextOutA in the port's font, and
// scrolling.
#include "te_fixtures.h"

#include <algorithm>
#include <cstring>
#include <random>

#include "Events.h"
#include "Zel.h"
#include "test_support.h"

using namespace testing_support;
using namespace te_fixtures;

namespace {

// GDI's measures and drawing in the current port's font.
class GdiText {
public:
    GdiText() : dc_(CreateCompatibleDC(nullptr))
    {
        LOGFONTA lf = PortLogFont();
        font_ = CreateFontIndirectA(&lf);
        old_ = SelectObject(dc_, font_);
        GetTextMetricsA(dc_, &tm_);
    }
    ~GdiText()
    {
        SelectObject(dc_, old_);
        DeleteObject(font_);
        DeleteDC(dc_);
    }
    int Width(const std::string &s, int first, int count) const
    {
        if (count <= 0)
            return 0;
        SIZE size{};
        GetTextExtentPoint32A(dc_, s.data() + first, count, &size);
        return size.cx;
    }
    // Black text at the baseline, transparent, clipped to `clip`.
    void Draw(HDC dc, int x, int y, const std::string &s, const RECT &clip) const
    {
        HGDIOBJ old = SelectObject(dc, font_);
        SetTextAlign(dc, TA_BASELINE | TA_LEFT);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, RGB(0, 0, 0));
        HRGN rgn = CreateRectRgnIndirect(&clip);
        SelectClipRgn(dc, rgn);
        TextOutA(dc, x, y, s.data(), int(s.size()));
        SelectClipRgn(dc, nullptr);
        DeleteObject(rgn);
        SelectObject(dc, old);
    }

private:
    HDC dc_;
    HFONT font_;
    HGDIOBJ old_;
    TEXTMETRICA tm_;
};

bool BreakChar(char c) { return static_cast<uint8_t>(c) <= 0x20; }

// The line breaker's rules, measured by GDI: chunks of break characters and a word, a chunk that does not
// fit ends the line before its blank or is cut character by character, and the blanks that follow stay
// on the line.
std::vector<int> ReferenceStarts(const GdiText &gdi, const std::string &t, int width, int crOnly)
{
    const int end = int(t.size());
    std::vector<int> starts;
    if (end == 0)
        return {0};
    int p = 0;
    for (;;) {
        starts.push_back(p);
        int n;
        if (crOnly < 0) {
            n = end - p;
        } else {
            int a = 0, q = p, lineEnd = -1;
            bool cr = false;
            while (q < end) {
                if (t[q] == '\r') {
                    lineEnd = q + 1;
                    cr = true;
                    break;
                }
                int c = q;
                while (c < end && t[c] != '\r' && BreakChar(t[c]))
                    ++c;
                while (c < end && t[c] != '\r' && !BreakChar(t[c]))
                    ++c;
                const int w = crOnly == 0 ? gdi.Width(t, q, c - q) : 0;
                if (a + w <= width) {
                    a += w;
                    q = c;
                    if (a == width)
                        break;
                    continue;
                }
                if (t[q] == ' ') {
                    lineEnd = q;
                } else {
                    int k = q;
                    while (k < c && a + gdi.Width(t, q, k + 1 - q) <= width)
                        ++k;
                    lineEnd = k;
                }
                break;
            }
            if (!cr) {
                if (lineEnd < 0)
                    lineEnd = q;
                if (lineEnd <= p)
                    lineEnd = p + 1;
                while (lineEnd < end && t[lineEnd] == ' ')
                    ++lineEnd;
            }
            n = lineEnd - p;
        }
        if (p + n >= end)
            break;
        p += n;
    }
    starts.push_back(end);
    return starts;
}

std::string RandomParagraphs(std::mt19937 &rng, bool finalReturn)
{
    std::string s;
    const int words = std::uniform_int_distribution<int>(1, 40)(rng);
    for (int w = 0; w < words; ++w) {
        const int len = std::uniform_int_distribution<int>(1, 14)(rng);
        for (int i = 0; i < len; ++i)
            s += char(std::uniform_int_distribution<int>(0, 5)(rng) ? 'a' + rng() % 26 : 'A' + rng() % 26);
        const int sep = std::uniform_int_distribution<int>(0, 9)(rng);
        if (w + 1 == words)
            break;
        s += sep == 0 ? "\r" : sep == 1 ? "  " : sep == 2 ? ", " : " ";
    }
    if (finalReturn)
        s += '\r';
    return s;
}

class TELayout : public TextEditTest {
protected:
    void SetUp() override
    {
        TextEditTest::SetUp();
        ASSERT_GE(ProportionalFont(), 0);
    }
    // A record in `port` in the given face at 12 points.
    static TEHandle Make(DibPort &port, int16_t font, const Rect &dest, const Rect &view, const std::string &text)
    {
        SetPor(port.port());
        TextFont(font);
        TextSize(12);
        TextFace(0);
        TEHandle h = TENew(&dest, &view);
        TESetText(text.data(), int32_t(text.size()), h);
        return h;
    }
};

TEST_F(TELayout, LineStartsFollowTheBreakRulesForRandomParagraphs)
{
    DibPort port(50, 50);
    std::mt19937 rng(9417);
    for (int16_t font : {ProportionalFont(), FixedFont()}) {
        if (font < 0)
            continue;
        SetPor(port.port());
        TextFont(font);
        TextSize(12);
        GdiText gdi;
        for (int i = 0; i < 300; ++i) {
            const std::string text = RandomParagraphs(rng, i % 3 == 0);
            const int width = std::uniform_int_distribution<int>(30, 400)(rng);
            const int16_t crOnly = int16_t(i % 5 == 1 ? 1 : i % 5 == 2 ? -1 : 0);
            TEHandle h = Make(port, font, R(0, 0, width, 100), R(0, 0, width, 100), text);
            (**h).crOnly = crOnly;
            TECalText(h);
            const std::vector<int> starts = LineStarts(h);
            ASSERT_EQ(starts, ReferenceStarts(gdi, text, width, crOnly))
                << "width " << width << " crOnly " << crOnly << " text \"" << text << "\"";
            EXPECT_EQ(starts.back(), (**h).teLength);
            for (size_t k = 0; k + 1 < starts.size(); ++k)
                ASSERT_LT(starts[k], starts[k + 1]) << "line " << k << " is empty";
            EXPECT_EQ(GetHandleSize(reinterpret_cast<Handle>(h)), 98 + 2 * (**h).nLines);
            TEDispose(h);
        }
    }
}

TEST_F(TELayout, TheBreakersEdgeCases)
{
    DibPort port(50, 50);
    SetPor(port.port());
    TextFont(ProportionalFont());
    TextSize(12);
    GdiText gdi;
    const std::string two = "abc def";
    const int firstAndBlank = gdi.Width(two, 0, 3) + gdi.Width(two, 3, 1);
    const struct {
        const char *name;
        std::string text;
        int width;
        int16_t crOnly;
        std::vector<int> starts;
    } cases[] = {
        {"two words in the first word's and blank's width", two, firstAndBlank, 0, {0, 4, 7}},
        {"a word wider than the box is cut", "abcdefghijklmnop", gdi.Width("abcdefghijklmnop", 0, 5), 0,
         {0, 5, 10, 15, 16}},
        {"one line per return with crOnly 1", "one two three four\rfive\rsix", 10, 1, {0, 19, 24, 27}},
        {"a final return ends the last line", "ab\rcd\r", 200, 0, {0, 3, 6}},
        {"a negative crOnly makes one line", "ab\rcd ef gh", 5, -1, {0, 11}},
    };
    for (const auto &c : cases) {
        TEHandle h = Make(port, ProportionalFont(), R(0, 0, c.width, 100), R(0, 0, c.width, 100), "");
        (**h).crOnly = c.crOnly;
        TESetText(c.text.data(), int32_t(c.text.size()), h);
        TECalText(h);
        if (std::string(c.name).find("cut") != std::string::npos) {
            // Cut where the characters stop fitting: every line but the last as wide as it may be.
            const std::vector<int> starts = LineStarts(h);
            EXPECT_EQ(starts, ReferenceStarts(gdi, c.text, c.width, 0)) << c.name;
            EXPECT_EQ(starts[1], 5) << c.name;
        } else {
            EXPECT_EQ(LineStarts(h), c.starts) << c.name;
        }
        TEDispose(h);
    }
}

TEST_F(TELayout, HitTestingGoesBothWays)
{
    DibPort port(300, 300);
    const std::string text = "The quick brown fox jumps over the lazy dog.\rA second paragraph, wrapped at a "
                             "narrow width so that it takes several lines.\r\rEnd";
    for (int16_t just : {teJustLeft, teJustCenter, teJustRight}) {
        TEHandle h = Make(port, ProportionalFont(), R(10, 20, 150, 400), R(10, 20, 150, 400), text);
        TESetAlignment(just, h);
        TECalText(h);
        const int length = (**h).teLength;
        for (int o = 0; o < length; ++o) {
            const Point pt = TEGetPoint(int16_t(o), h);
            ASSERT_EQ(TEGetOffset(pt, h), o) << "offset " << o << " just " << just;
        }
        const TERec &r = **h;
        EXPECT_EQ(TEGetOffset(Point{int16_t(r.destRect.top - 1), 50}, h), 0);
        const int bottom = r.destRect.top + r.nLines * r.lineHeight;
        EXPECT_EQ(TEGetOffset(Point{int16_t(bottom + 2), 50}, h), length);
        const int line3 = r.destRect.top + 2 * r.lineHeight + 1;
        EXPECT_EQ(TEGetOffset(Point{int16_t(line3), int16_t(r.destRect.left - 5)}, h), r.lineStarts[2]);
        TEDispose(h);
    }
}

TEST_F(TELayout, GetPointClampsAndReadsNothingOutsideTheHandles)
{
    DibPort port(200, 200);
    const Boolean guarded = GuardHandleData(true);
    for (const std::string &text : {std::string(), std::string("abc"), std::string("ab\rcd\r")}) {
        TEHandle h = Make(port, ProportionalFont(), R(5, 7, 150, 190), R(5, 7, 150, 190), text);
        TECalText(h);
        const TERec &r = **h;
        const int top = r.destRect.top + r.fontAscent;
        const int lastTop = r.destRect.top + std::max(r.nLines - 1, 0) * r.lineHeight + r.fontAscent;
        for (int16_t offset : {int16_t(-5), int16_t(-1), int16_t(0), int16_t(text.size()), int16_t(text.size() + 3),
                               int16_t(32767)}) {
            const Point pt = TEGetPoint(offset, h);
            EXPECT_GE(pt.v, top) << offset;
            EXPECT_LE(pt.v, lastTop) << offset;
            EXPECT_GE(pt.h, r.destRect.left) << offset;
            EXPECT_LE(pt.h, r.destRect.right) << offset;
        }
        if (text.empty()) {
            const Point pt = TEGetPoint(0, h);
            EXPECT_EQ(pt.v, top);
            EXPECT_EQ(pt.h, r.destRect.left);
        }
        TEDispose(h);
    }
    GuardHandleData(guarded);
}

TEST_F(TELayout, GetHeightClampsItsLineNumbers)
{
    DibPort port(100, 100);
    TEHandle h = Make(port, ProportionalFont(), R(0, 0, 400, 400), R(0, 0, 400, 400), "a\rb\rc\rd\re");
    const int lh = (**h).lineHeight;
    ASSERT_EQ((**h).nLines, 5);
    const struct { int32_t end, start, lines; } cases[] = {
        {1, 1, 1}, {3, 1, 3}, {1, 3, 3}, {99, 1, 5}, {-4, 2, 2}, {5, 0, 5}, {100, 100, 1},
    };
    for (const auto &c : cases)
        EXPECT_EQ(TEGetHeight(c.end, c.start, h), c.lines * lh) << c.end << ", " << c.start;
    TEDispose(h);
}

// The drawing cases share a port 220 x 160 on a grey surface, the record's view inset from it.
class TEDrawing : public TELayout {
protected:
    static constexpr COLORREF kGrey = RGB(0xC0, 0xC0, 0xC0);
    static constexpr COLORREF kBack = RGB(0xE0, 0xF0, 0xD0);

    // The reference: the surface's fill, then each line meeting the view erased to `back` across
    // destRect and the view and its text drawn by GDI at the line's indent and baseline, all clipped to the view.
    static void DrawReference(DibSurface &ref, TEHandle h, const std::string &shown, bool erase, COLORREF back)
    {
        const std::string text = RecordText(h);
        const TERec &r = **h;
        GdiText gdi;
        const RECT view{r.viewRect.left, r.viewRect.top, r.viewRect.right, r.viewRect.bottom};
        const int W = r.destRect.right - r.destRect.left;
        for (int line = 0; line < r.nLines; ++line) {
            const int top = r.destRect.top + line * r.lineHeight;
            if (top + r.lineHeight <= view.top || top >= view.bottom)
                continue;
            const int start = r.lineStarts[line];
            int end = r.lineStarts[line + 1];
            if (end > start && text[end - 1] == '\r')
                --end;
            const std::string s = shown.substr(start, end - start);
            int m = int(s.size());
            if (r.just == teJustRight)
                while (m > 0 && uint8_t(s[m - 1]) < 0x21)
                    --m;
            const int width = gdi.Width(s, 0, m);
            int indent = 0;
            if (r.just == teJustRight)
                indent = m ? W - width : W - 1;
            else if (r.just == teJustCenter)
                indent = (s.empty() ? W - 1 : W - width) / 2;
            if (erase) {
                RECT line_rect{std::min(r.destRect.left, r.viewRect.left), top,
                               std::max(r.destRect.right, r.viewRect.right), top + r.lineHeight};
                RECT clipped;
                IntersectRect(&clipped, &line_rect, &view);
                HBRUSH brush = CreateSolidBrush(back);
                FillRect(ref.dc(), &clipped, brush);
                DeleteObject(brush);
            }
            gdi.Draw(ref.dc(), r.destRect.left + indent, top + r.fontAscent, s, view);
        }
    }
};

TEST_F(TEDrawing, UpdateDrawsEachLineAtItsIndentInsideTheView)
{
    const std::string text = "Centre, right and left lines\rof a text wrapped in a narrow box.\rLast";
    struct Case {
        int16_t just;
        bool password, erase, threeD;
    };
    const Case cases[] = {{teJustLeft, false, true, false},  {teJustCenter, false, true, false},
                          {teJustRight, false, true, false}, {teForceLeft, false, true, false},
                          {teJustLeft, true, true, false},   {teJustLeft, false, false, false},
                          {teJustCenter, false, true, true}};
    for (const Case &c : cases) {
        DibPort port(220, 160, kGrey);
        DibSurface ref(220, 160, kGrey);
        TEHandle h = Make(port, ProportionalFont(), R(15, 8, 175, 300), R(20, 12, 200, 120), text);
        const RGBColor back{0xE0E0, 0xF0F0, 0xD0D0};
        RGBBackColor(&back);
        TESetAlignment(c.just, h);
        if (c.password)
            (**h).clikStuff = int16_t(0x8000);
        if (c.threeD)
            ZEL_SetTE3D(h, true);
        ZEL_SystemValue(1, 16, c.erase ? 1 : 0);
        TECalText(h);
        TEUpdate(&(**h).viewRect, h);
        ZEL_SystemValue(1, 16, 1);
        const std::string shown = c.password ? std::string(text.size(), '*') : text;
        // In password mode the lines are those of the stars as they measure.
        const DWORD window = GetSysColor(COLOR_WINDOW);
        DrawReference(ref, h, shown, c.erase, c.threeD ? window : kBack);
        EXPECT_EQ(SurfaceDifference(port.surface(), ref), "") << "just " << c.just << " password " << c.password << " erase "
                                                    << c.erase << " 3D " << c.threeD;
        TEDispose(h);
    }
}

TEST_F(TEDrawing, TextBoxDrawsOneCutLineOrWrapsAsARecord)
{
    DibPort port(220, 160, kGrey);
    SetPor(port.port());
    TextFont(ProportionalFont());
    TextSize(12);
    FontInfo info;
    GetFontInfo(&info);
    const int lh = info.ascent + info.descent + info.leading;
    GdiText gdi;
    const std::string text = "A box of one line is cut to fit its width\rsecond";

    // One line: the box is erased and the longest start of the first line that fits is drawn.
    const Rect one = R(10, 10, 110, 10 + lh + lh / 2 - 1);
    TETextBox(text.data(), int32_t(text.size()), &one, teJustLeft);
    DibSurface ref(220, 160, kGrey);
    RECT box{one.left, one.top, one.right, one.bottom};
    FillRect(ref.dc(), &box, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    int n = int(text.find('\r'));
    while (n > 0 && gdi.Width(text, 0, n) > 100)
        --n;
    gdi.Draw(ref.dc(), 10, 10 + info.ascent + info.leading, text.substr(0, n), RECT{0, 0, 220, 160});
    EXPECT_EQ(SurfaceDifference(port.surface(), ref), "");

    // A box of zero or negative width, a nil text or a negative length draws nothing.
    port.surface().Fill(kGrey);
    for (const Rect &r : {R(50, 50, 50, 120), R(60, 50, 40, 120)})
        TETextBox(text.data(), int32_t(text.size()), &r, teJustLeft);
    const Rect tall = R(10, 10, 110, 150);
    TETextBox(nullptr, 5, &tall, teJustLeft);
    TETextBox(text.data(), -1, &tall, teJustLeft);
    DibSurface grey(220, 160, kGrey);
    EXPECT_EQ(SurfaceDifference(port.surface(), grey), "");

    // A taller box wraps as a record does.
    TETextBox(text.data(), int32_t(text.size()), &tall, teJustCenter);
    DibSurface wrapped(220, 160, kGrey);
    {
        DibPort other(220, 160, kGrey);
        TEHandle h = Make(other, ProportionalFont(), tall, tall, text);
        TESetAlignment(teJustCenter, h);
        TECalText(h);
        DrawReference(wrapped, h, text, true, RGB(255, 255, 255));
        TEDispose(h);
        SetPor(port.port());
    }
    EXPECT_EQ(SurfaceDifference(port.surface(), wrapped), "");
}

TEST_F(TEDrawing, ScrollingMovesThePixelsAndLeavesNoUpdate)
{
    std::string text;
    for (int i = 0; i < 12; ++i)
        text += "Line " + std::to_string(i) + " of the scrolled text\r";
    DibPort port(220, 160, kGrey);
    TEHandle h = Make(port, ProportionalFont(), R(10, 10, 200, 400), R(10, 10, 200, 130), text);
    const int lh = (**h).lineHeight;
    TEUpdate(&(**h).viewRect, h);

    // Scrolling down at the top moves nothing.
    TEScroll(0, 20, h);
    EXPECT_EQ((**h).destRect.top, 10);

    TEScroll(0, int16_t(-2 * lh), h);
    EXPECT_EQ((**h).destRect.top, 10 - 2 * lh);
    DibPort fresh(220, 160, kGrey);
    TEHandle g = Make(fresh, ProportionalFont(), (**h).destRect, (**h).viewRect, text);
    TEUpdate(&(**g).viewRect, g);
    EXPECT_EQ(SurfaceDifference(port.surface(), fresh.surface()), "");
    EventRecord e;
    EXPECT_FALSE(EventAvail(updateMask, &e));
    TEDispose(g);

    // Pinned: the text's bottom stops at the view's bottom.
    SetPor(port.port());
    TEPinScroll(0, -30000, h);
    EXPECT_EQ((**h).destRect.top + (**h).nLines * lh, (**h).viewRect.bottom);
    TEDispose(h);

    // A text shorter than the view does not move.
    h = Make(port, ProportionalFont(), R(10, 10, 200, 400), R(10, 10, 200, 130), "short");
    TEPinScroll(0, -50, h);
    EXPECT_EQ((**h).destRect.top, 10);

    // TESelView scrolls only with automatic scrolling on.
    TESetText(text.data(), int32_t(text.size()), h);
    TESetSelect(300, 300, h);
    TESelView(h);
    EXPECT_EQ((**h).destRect.top, 10);
    TEAutoView(true, h);
    TESelView(h);
    EXPECT_LT((**h).destRect.top, 10);
    const Point pt = TEGetPoint((**h).selStart, h);
    EXPECT_GE(pt.v - (**h).fontAscent, (**h).viewRect.top);
    EXPECT_LE(pt.v - (**h).fontAscent + lh, (**h).viewRect.bottom);
    TEDispose(h);
}

} // namespace

// Styled TextEdit: a seeded run of style edits against a per-character model, the run table's
// invariants, the edge cases of runs and styles, bad style scraps, line heights and the pixels of runs.
#include "te_fixtures.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <random>

#include "LowMem.h"
#include "test_support.h"

using namespace testing_support;
using namespace te_fixtures;

namespace {

struct Key {
    int16_t font;
    uint8_t face;
    int16_t size;
    uint16_t red, green, blue;
    bool operator==(const Key &o) const
    {
        return font == o.font && face == o.face && size == o.size && red == o.red && green == o.green && blue == o.blue;
    }
};
Key KeyOf(const TextStyle &t) { return Key{t.tsFont, t.tsFace, t.tsSize, t.tsColor.red, t.tsColor.green, t.tsColor.blue}; }
TextStyle StyleOf(const Key &k) { return TextStyle{k.font, k.face, 0, k.size, RGBColor{k.red, k.green, k.blue}}; }
std::string Show(const Key &k)
{
    return "{font " + std::to_string(k.font) + " face " + std::to_string(k.face) + " size " + std::to_string(k.size) +
           " colour " + std::to_string(k.red) + "}";
}

Key Apply(Key k, int mode, const TextStyle &ts, uint8_t on, uint8_t off)
{
    if (mode & doFont)
        k.font = ts.tsFont;
    if (mode & doFace)
        k.face = (mode & doToggle) ? uint8_t((k.face | on) & ~off) : ts.tsFace;
    if (mode & addSize)
        k.size = int16_t(std::max(k.size + ts.tsSize, 1));
    else if (mode & doSize)
        k.size = ts.tsSize;
    if (mode & doColor) {
        k.red = ts.tsColor.red;
        k.green = ts.tsColor.green;
        k.blue = ts.tsColor.blue;
    }
    return k;
}

// The record's run table against its invariants; empty when they hold.
std::string RunTableFaults(TEHandle h)
{
    TEStyleHandle sh = TEGetStyleHandle(h);
    const TEStyleRec &s = **sh;
    const int length = (**h).teLength;
    std::string faults;
    if (s.runs[s.nRuns - 1].startChar != length + 1)
        faults += "end mark " + std::to_string(s.runs[s.nRuns - 1].startChar) + "; ";
    std::vector<int> counts(s.nStyles, 0);
    for (int i = 0; i < s.nRuns; ++i) {
        if (s.runs[i].styleIndex < 0 || s.runs[i].styleIndex >= s.nStyles) {
            faults += "style index out of range; ";
            continue;
        }
        ++counts[s.runs[i].styleIndex];
        if (i > 0 && s.runs[i].startChar <= s.runs[i - 1].startChar)
            faults += "runs do not ascend at " + std::to_string(i) + "; ";
        if (i > 0 && i + 1 < s.nRuns && s.runs[i].styleIndex == s.runs[i - 1].styleIndex)
            faults += "neighbours share a style at " + std::to_string(i) + "; ";
    }
    if (s.nRuns > 1 && s.runs[0].startChar != 0)
        faults += "first run at " + std::to_string(s.runs[0].startChar) + "; ";
    for (int i = 0; i < s.nStyles; ++i) {
        if ((*s.styleTab)[i].stCount != counts[i])
            faults += "style " + std::to_string(i) + " counts " + std::to_string((*s.styleTab)[i].stCount) +
                      " for " + std::to_string(counts[i]) + "; ";
        if (counts[i] == 0)
            faults += "style " + std::to_string(i) + " unused; ";
    }
    if (GetHandleSize(reinterpret_cast<Handle>(sh)) < 20 + 4 * s.nRuns)
        faults += "run table larger than its handle; ";
    return faults;
}

// A style scrap of the given elements.
StScrpHandle MakeScrap(const std::vector<std::pair<int32_t, Key>> &elements, int16_t claimed = -1)
{
    Handle h = NewHandleClear(Size(2 + 20 * elements.size()));
    StScrpRec *rec = reinterpret_cast<StScrpRec *>(*h);
    rec->scrpNStyles = claimed >= 0 ? claimed : int16_t(elements.size());
    for (size_t i = 0; i < elements.size(); ++i) {
        const Key &k = elements[i].second;
        rec->scrpStyleTab[i] = ScrpSTElement{elements[i].first, 0, 0, k.font, k.face, 0, k.size,
                                             RGBColor{k.red, k.green, k.blue}};
    }
    return reinterpret_cast<StScrpHandle>(h);
}

class TEStyled : public TextEditTest {
protected:
    void SetUp() override
    {
        TextEditTest::SetUp();
        ASSERT_GE(ProportionalFont(), 0);
        SetPor(port_.port());
        TextFont(ProportionalFont());
        TextSize(12);
        TextFace(0);
        const Rect box = R(4, 4, 296, 196);
        h_ = TEStyleNew(&box, &box);
        ASSERT_TRUE(h_);
        base_ = Key{ProportionalFont(), 0, 12, 0, 0, 0};
    }
    void TearDown() override
    {
        TEDispose(h_);
        TextEditTest::TearDown();
    }
    void Type(const std::string &s)
    {
        for (char c : s)
            TEKey(uint8_t(c), h_);
    }
    Key StyleAt(int offset)
    {
        TextStyle ts{};
        TEGetStyle(int16_t(offset), &ts, nullptr, nullptr, h_);
        return KeyOf(ts);
    }
    DibPort port_{300, 200};
    TEHandle h_ = nullptr;
    Key base_{};
};

TEST_F(TEStyled, TheRunTablesEdgeCases)
{
    Type("abc");
    const TEStyleRec *s = *TEGetStyleHandle(h_);
    ASSERT_EQ(s->nRuns, 2);
    EXPECT_EQ(s->runs[0].startChar, 0);
    EXPECT_EQ(s->runs[0].styleIndex, 0);
    EXPECT_EQ(s->runs[1].startChar, 4);
    EXPECT_EQ(s->runs[1].styleIndex, 0);

    Type("d");
    TESetSelect(1, 3, h_);
    TextStyle bold{0, Style(1), 0, 0, {}};
    TESetStyle(doFace, &bold, true, h_);
    s = *TEGetStyleHandle(h_);
    ASSERT_EQ(s->nRuns, 4);
    const int16_t want[][2] = {{0, 0}, {1, 1}, {3, 0}, {5, 0}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(s->runs[i].startChar, want[i][0]) << i;
        EXPECT_EQ(s->runs[i].styleIndex, want[i][1]) << i;
    }
    EXPECT_EQ(s->nStyles, 2);

    // Toggling bold on an all-bold selection makes it plain, on a mixed one all bold.
    TextStyle toggle{0, Style(1), 0, 0, {}};
    TESetStyle(doFace | doToggle, &toggle, true, h_);
    s = *TEGetStyleHandle(h_);
    EXPECT_EQ(s->nRuns, 2) << "the old style back merges the runs";
    EXPECT_EQ(s->nStyles, 1);
    TESetSelect(0, 2, h_);
    TESetStyle(doFace, &bold, true, h_);
    TESetSelect(0, 4, h_);
    TESetStyle(doFace | doToggle, &toggle, true, h_);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(StyleAt(i).face, 1) << i;
    EXPECT_EQ(RunTableFaults(h_), "");

    // Two sizes: size varies.
    TESetSelect(2, 4, h_);
    TextStyle big{0, 0, 0, 24, {}};
    TESetStyle(doSize, &big, true, h_);
    TESetSelect(0, 4, h_);
    int16_t mode = doSize;
    TextStyle got{};
    EXPECT_FALSE(TEContinuousStyle(&mode, &got, h_));
    EXPECT_EQ(mode & doSize, 0);
    // One size over two fonts: size continuous.
    TESetSelect(0, 2, h_);
    TextStyle fixed{FixedFont(), 0, 0, 0, {}};
    TESetStyle(doFont, &fixed, true, h_);
    TESetSelect(2, 4, h_);
    TextStyle other{ProportionalFont(), 0, 0, 0, {}};
    TESetStyle(doFont, &other, true, h_);
    TESetSelect(0, 4, h_);
    TESetStyle(doSize, &big, true, h_);
    mode = doSize;
    EXPECT_TRUE(TEContinuousStyle(&mode, &got, h_));
    EXPECT_EQ(mode, doSize);
    EXPECT_EQ(got.tsSize, 24);

    // A deleted styled word gives its style to the next typed character.
    TESetText("plain ", 6, h_);
    TESetSelect(6, 6, h_);
    TEKey(' ', h_);
    TESetSelect(6, 7, h_);
    TextStyle italic{0, Style(2), 0, 0, {}};
    TESetStyle(doFace, &italic, true, h_);
    TESetSelect(6, 7, h_);
    TEKey(0x08, h_);
    TEKey('x', h_);
    EXPECT_EQ(StyleAt(6).face, 2);
    EXPECT_EQ(RunTableFaults(h_), "");
}

TEST_F(TEStyled, ReplaceStyleChangesOnlyEntriesMatchingEveryRequestedAttribute)
{
    Type("aaaabbbbcccc");
    TextStyle s18{ProportionalFont(), 0, 0, 18, {}};
    TextStyle f18{FixedFont(), 0, 0, 18, {}};
    TESetSelect(4, 8, h_);
    TESetStyle(doSize, &s18, false, h_);
    TESetSelect(8, 12, h_);
    TESetStyle(doFont | doSize, &f18, false, h_);
    // Font and size of the proportional 18-point entry become 14 points; the fixed 18 stays.
    TextStyle to{ProportionalFont(), 0, 0, 14, {}};
    TESetSelect(0, 12, h_);
    TEReplaceStyle(doFont | doSize, &s18, &to, true, h_);
    EXPECT_EQ(StyleAt(0).size, 12);
    EXPECT_EQ(StyleAt(5).size, 14);
    EXPECT_EQ(StyleAt(9).size, 18);
    EXPECT_EQ(StyleAt(9).font, FixedFont());
}

TEST_F(TEStyled, SeededStyleEditsMatchAPerCharacterModel)
{
    std::mt19937 rng(6124);
    std::vector<Key> model;
    std::string text;
    std::optional<Key> pending = base_;
    int start = 0, end = 0;
    const Key endKey = base_;
    std::vector<Key> clipStyles;
    std::string clipText;
    bool clipStyled = false;
    const int16_t fonts[] = {ProportionalFont(), FixedFont()};
    auto randomKey = [&] {
        return Key{fonts[rng() % 2], uint8_t(rng() % 4), int16_t(9 + rng() % 3 * 3), uint16_t(rng() % 2 ? 0 : 0x8000),
                   0, 0};
    };
    auto insertStyle = [&](int at) -> Key {
        if (pending)
            return *pending;
        if (at > 0)
            return model[at - 1];
        return model.empty() ? endKey : model[0];
    };
    auto deleteRange = [&](int a, int b) {
        if (b > a) {
            pending = model[a];
            model.erase(model.begin() + a, model.begin() + b);
            text.erase(a, b - a);
        }
    };
    for (int step = 0; step < 1000; ++step) {
        const int len = int(text.size());
        std::string what;
        switch (rng() % 9) {
        case 0: {
            const int a = int(rng() % (len + 1)), b = int(rng() % (len + 1));
            TESetSelect(a, b, h_);
            start = std::min(a, len);
            end = std::clamp(std::min(b, len), start, len);
            what = "select";
            break;
        }
        case 1:
        case 2: {
            const char c = char('a' + rng() % 26);
            TEKey(uint8_t(c), h_);
            deleteRange(start, end);
            const Key k = insertStyle(start);
            model.insert(model.begin() + start, k);
            text.insert(text.begin() + start, c);
            pending.reset();
            start = end = start + 1;
            what = "type";
            break;
        }
        case 3:
            TEKey(0x08, h_);
            if (start != end)
                deleteRange(start, end);
            else if (start > 0) {
                deleteRange(start - 1, start);
                --start;
            }
            end = start;
            what = "backspace";
            break;
        case 4: {
            static const int modes[] = {doFont, doFace, doSize, doColor, doAll, addSize, doFace | doToggle,
                                        doFont | doSize};
            const int mode = modes[rng() % 8];
            const Key k = randomKey();
            TextStyle ts = StyleOf(k);
            if (mode & addSize)
                ts.tsSize = int16_t(int(rng() % 7) - 3);
            TESetStyle(int16_t(mode), &ts, true, h_);
            what = "set style " + std::to_string(mode);
            if (start == end) {
                Key base = pending ? *pending : (start > 0 ? model[start - 1] : (model.empty() ? endKey : model[0]));
                const uint8_t on = (mode & doToggle) ? uint8_t(ts.tsFace & ~base.face) : 0;
                const uint8_t off = (mode & doToggle) ? uint8_t(ts.tsFace & base.face) : 0;
                pending = Apply(base, mode & ~addSize, ts, on, off);
            } else {
                uint8_t all = 0xFF;
                for (int i = start; i < end; ++i)
                    all &= model[i].face;
                const uint8_t on = (mode & doToggle) ? uint8_t(ts.tsFace & ~all) : 0;
                const uint8_t off = (mode & doToggle) ? uint8_t(ts.tsFace & all) : 0;
                for (int i = start; i < end; ++i)
                    model[i] = Apply(model[i], mode, ts, on, off);
            }
            break;
        }
        case 5: {
            const int n = 1 + int(rng() % 6);
            std::string s;
            for (int i = 0; i < n; ++i)
                s += char('A' + rng() % 26);
            const Key a = randomKey(), b = randomKey();
            const int split = int(rng() % n);
            StScrpHandle scrap = MakeScrap(split ? std::vector<std::pair<int32_t, Key>>{{0, a}, {split, b}}
                                                 : std::vector<std::pair<int32_t, Key>>{{0, a}});
            TEStyleInsert(s.data(), n, scrap, h_);
            DisposeHandle(reinterpret_cast<Handle>(scrap));
            for (int i = 0; i < n; ++i)
                model.insert(model.begin() + start + i, split && i >= split ? b : a);
            text.insert(start, s);
            pending.reset();
            start += n;
            end += n;
            what = "style insert";
            break;
        }
        case 6: {
            const Key a = randomKey();
            const int a0 = int(rng() % (len + 1)), a1 = int(rng() % (len + 1));
            StScrpHandle scrap = MakeScrap({{0, a}});
            TEUseStyleScrap(a0, a1, scrap, true, h_);
            DisposeHandle(reinterpret_cast<Handle>(scrap));
            const int s0 = std::min(a0, len), s1 = std::clamp(a1, s0, len);
            for (int i = s0; i < s1; ++i)
                model[i] = a;
            what = "use style scrap";
            break;
        }
        case 7:
            TECut(h_);
            clipText = text.substr(start, end - start);
            clipStyles.assign(model.begin() + start, model.begin() + end);
            clipStyled = true;
            deleteRange(start, end);
            end = start;
            what = "cut";
            break;
        default: {
            TEStylePaste(h_);
            what = "paste";
            deleteRange(start, end);
            if (!clipText.empty()) {
                for (size_t i = 0; i < clipText.size(); ++i)
                    model.insert(model.begin() + start + i, clipStyled ? clipStyles[i] : insertStyle(start));
                text.insert(start, clipText);
                pending.reset();
            }
            start = end = start + int(clipText.size());
            break;
        }
        }
        ASSERT_EQ(RecordText(h_), text) << "step " << step << ": " << what;
        ASSERT_EQ((**h_).selStart, start) << "step " << step << ": " << what;
        ASSERT_EQ((**h_).selEnd, end) << "step " << step << ": " << what;
        ASSERT_EQ(RunTableFaults(h_), "") << "step " << step << ": " << what;
        for (int i = 0; i < int(text.size()); ++i)
            ASSERT_EQ(Show(StyleAt(i)), Show(model[i])) << "step " << step << ": " << what << " at " << i;
        const int a = int(rng() % (text.size() + 1)), b = int(rng() % (text.size() + 1));
        const int lo = std::min(a, b), hi = std::max(a, b);
        int runs = 0;
        for (int i = lo; i < std::max(hi, lo + 1) && i < int(text.size()); ++i)
            runs += i == lo || !(model[i] == model[i - 1]);
        ASSERT_EQ(TENumStyles(lo, hi, h_), std::max(runs, 1)) << "step " << step << ": " << lo << ".." << hi;
    }
}

TEST_F(TEStyled, BadRangesAndScrapsLeaveTheRunsSound)
{
    Type("some styled text");
    const Key bold{ProportionalFont(), 1, 12, 0, 0, 0}, big{ProportionalFont(), 0, 18, 0, 0, 0};
    StScrpHandle one = MakeScrap({{0, bold}});
    for (auto range : {std::pair<int, int>{10, 3}, {-5, 4}, {12, 500}, {-9, -2}, {40, 50}}) {
        TEUseStyleScrap(range.first, range.second, one, true, h_);
        EXPECT_EQ(RunTableFaults(h_), "") << range.first << ", " << range.second;
        EXPECT_GE(TENumStyles(range.first, range.second, h_), 1);
    }
    // A count that claims more elements than the handle holds reads only those it holds; negative,
    // unordered and too-late starts are skipped.
    const Boolean guarded = GuardHandleData(true);
    StScrpHandle lying = MakeScrap({{0, big}, {2, bold}}, 500);
    StScrpHandle unordered = MakeScrap({{-3, bold}, {4, big}, {2, bold}, {99, big}});
    GuardHandleData(guarded);
    TEUseStyleScrap(0, 6, lying, true, h_);
    EXPECT_EQ(StyleAt(0).size, 18);
    EXPECT_EQ(StyleAt(2).face, 1);
    EXPECT_EQ(RunTableFaults(h_), "");
    TESetSelect(3, 3, h_);
    TEStyleInsert("123456", 6, unordered, h_);
    EXPECT_EQ(RunTableFaults(h_), "");
    EXPECT_EQ(StyleAt(7).size, 18);
    for (StScrpHandle s : {one, lying, unordered})
        DisposeHandle(reinterpret_cast<Handle>(s));
}

// A word of thousands of one-character runs (a style scrap from elsewhere can hold that many): the runs
// differ only in colour, so the lines break where those of the same text in one style do. The word is
// measured once, not once for every line it fills (that cost minutes for 16,000 runs).
TEST_F(TEStyled, AWordOfThousandsOfRunsBreaksLikeOneStyle)
{
    const int n = 2000;
    const std::string word(n, 'a');
    const Key red{ProportionalFont(), 0, 12, 0xFFFF, 0, 0};
    std::vector<std::pair<int32_t, Key>> elements;
    for (int i = 0; i < n; ++i)
        elements.push_back({i, i % 2 ? red : base_});
    StScrpHandle runs = MakeScrap(elements);
    TEStyleInsert(word.data(), n, runs, h_);
    DisposeHandle(reinterpret_cast<Handle>(runs));
    EXPECT_EQ(TENumStyles(0, n, h_), n);
    EXPECT_EQ(RunTableFaults(h_), "");
    const Rect box = R(4, 4, 296, 196);
    TEHandle plain = TEStyleNew(&box, &box);
    ASSERT_TRUE(plain);
    TESetText(word.data(), n, plain);
    TECalText(plain);
    const std::vector<int> lines = LineStarts(h_);
    EXPECT_GT(lines.size(), 20u);
    EXPECT_EQ(lines, LineStarts(plain));
    TEDispose(plain);
}

TEST_F(TEStyled, LinesTakeTheirRunsHeightsAndRunsDrawInTheirStyles)
{
    Type("small BIG small");
    TESetSelect(6, 9, h_);
    TextStyle big{0, 0, 0, 24, RGBColor{0xFFFF, 0, 0}};
    TESetStyle(doSize | doColor, &big, true, h_);
    int16_t height = 0, ascent = 0;
    TextStyle ts{};
    TEGetStyle(7, &ts, &height, &ascent, h_);
    SetPor(port_.port());
    TextFont(ProportionalFont());
    TextSize(24);
    FontInfo info;
    GetFontInfo(&info);
    TextSize(12);
    EXPECT_EQ(height, info.ascent + info.descent + info.leading + 1);
    EXPECT_EQ(TEGetHeight(1, 1, h_), height);
    TESetText("one\rtwo", 7, h_);
    TESetSelect(0, 3, h_);
    TESetStyle(doSize, &big, true, h_);
    EXPECT_EQ(TEGetHeight(2, 1, h_), TEGetHeight(1, 1, h_) + TEGetHeight(2, 2, h_));
    EXPECT_GT(TEGetHeight(1, 1, h_), TEGetHeight(2, 2, h_));

    // Each run's pixels: GDI's text in the run's face, size and colour at the run's place.
    port_.surface().Fill(RGB(255, 255, 255));
    TEDeactivate(h_);
    TESetText("ab", 2, h_);
    TESetSelect(1, 2, h_);
    TESetStyle(doSize | doColor, &big, false, h_);
    const Rect box = R(4, 4, 296, 196);
    TEUpdate(&box, h_);
    DibSurface ref(300, 200);
    const TERec &r = **h_;
    TEGetStyle(1, &ts, &height, &ascent, h_);
    const int baseline = r.destRect.top + ascent;
    int x = r.destRect.left;
    for (int i = 0; i < 2; ++i) {
        TextStyle s{};
        TEGetStyle(int16_t(i), &s, nullptr, nullptr, h_);
        SetPor(port_.port());
        TextFont(s.tsFont);
        TextSize(s.tsSize);
        LOGFONTA lf = PortLogFont();
        TextSize(12);
        HFONT font = CreateFontIndirectA(&lf);
        HGDIOBJ old = SelectObject(ref.dc(), font);
        SetTextAlign(ref.dc(), TA_BASELINE);
        SetBkMode(ref.dc(), TRANSPARENT);
        SetTextColor(ref.dc(), RGB(s.tsColor.red >> 8, s.tsColor.green >> 8, s.tsColor.blue >> 8));
        const char c = "ab"[i];
        TextOutA(ref.dc(), x, baseline, &c, 1);
        SIZE size;
        GetTextExtentPoint32A(ref.dc(), &c, 1, &size);
        x += size.cx;
        SelectObject(ref.dc(), old);
        DeleteObject(font);
    }
    EXPECT_EQ(SurfaceDifference(port_.surface(), ref), "");
}

// Each character's point lies after the GDI widths of the characters before it on its line, each in its
// run's face and size: where runs alternate between two faces, and after a style entry's size changed.
TEST_F(TEStyled, PointsFollowTheWidthsOfEachRunsFace)
{
    const std::string text = "Wide wall Wide wall Wide wall";
    const int length = int(text.size());
    TESetText(text.data(), length, h_);
    const TextStyle boldFace{0, bold, 0, 0, RGBColor{0, 0, 0}};
    for (int at = 5; at < length; at += 10) {
        TESetSelect(at, std::min(at + 5, length), h_);
        TESetStyle(doFace, &boldFace, false, h_);
    }
    ASSERT_EQ(TENumStyles(0, length, h_), 6);
    ASSERT_EQ((**h_).nLines, 1);
    DibSurface measure(10, 10);
    auto check = [&] {
        int x = (**h_).destRect.left;
        for (int offset = 0; offset < length; ++offset) {
            EXPECT_EQ(TEGetPoint(int16_t(offset), h_).h, x) << "offset " << offset;
            TextStyle ts{};
            TEGetStyle(int16_t(offset), &ts, nullptr, nullptr, h_);
            SetPor(port_.port());
            TextFont(ts.tsFont);
            TextSize(ts.tsSize);
            TextFace(ts.tsFace);
            const LOGFONTA lf = PortLogFont();
            TextFont(ProportionalFont());
            TextSize(12);
            TextFace(0);
            HFONT font = CreateFontIndirectA(&lf);
            HGDIOBJ old = SelectObject(measure.dc(), font);
            SIZE size{};
            GetTextExtentPoint32A(measure.dc(), &text[size_t(offset)], 1, &size);
            SelectObject(measure.dc(), old);
            DeleteObject(font);
            x += size.cx;
        }
    };
    {
        SCOPED_TRACE("plain and bold runs");
        check();
    }
    // The bold entry (the only one the selection touches) grows: all its runs measure in the new size.
    TESetSelect(5, 10, h_);
    const TextStyle twelve{0, 0, 0, 12, RGBColor{0, 0, 0}};
    const TextStyle eighteen{0, 0, 0, 18, RGBColor{0, 0, 0}};
    TEReplaceStyle(doSize, &twelve, &eighteen, false, h_);
    ASSERT_EQ((**h_).nLines, 1);
    TextStyle at5{};
    TEGetStyle(5, &at5, nullptr, nullptr, h_);
    ASSERT_EQ(at5.tsSize, 18);
    {
        SCOPED_TRACE("bold runs at 18 points");
        check();
    }
}

TEST_F(TEStyled, CopyThenStylePasteCarriesTheStyles)
{
    Type("mixed styles");
    TESetSelect(0, 5, h_);
    TextStyle bold{0, Style(1), 0, 0, {}};
    TESetStyle(doFace, &bold, true, h_);
    TESetSelect(6, 12, h_);
    TextStyle big{0, 0, 0, 18, {}};
    TESetStyle(doSize, &big, true, h_);
    TESetSelect(0, 12, h_);
    TECopy(h_);
    const Rect box = R(4, 4, 296, 196);
    TEHandle other = TEStyleNew(&box, &box);
    TEStylePaste(other);
    ASSERT_EQ(RecordText(other), "mixed styles");
    for (int i = 0; i < 12; ++i) {
        TextStyle a{}, b{};
        TEGetStyle(int16_t(i), &a, nullptr, nullptr, h_);
        TEGetStyle(int16_t(i), &b, nullptr, nullptr, other);
        EXPECT_EQ(Show(KeyOf(a)), Show(KeyOf(b))) << i;
    }
    EXPECT_EQ(RunTableFaults(other), "");
    TEDispose(other);
}

} // namespace

// Styled TextEdit: the style record and its tables, the runs and their upkeep during edits, the null
// style, the style scrap, the port set up for each run, and the style calls.
#include "textedit.h"
#include "../core/core_services.h"
#include "../devices/devices_services.h"
#include "../quickdraw/qd_services.h"
#include "Fonts.h"
#include "LowMem.h"
#include "MacMemory.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// One style's attributes, as the style table and the scraps carry them.
struct StyleKey {
    int16_t font;
    Style face;
    int16_t size;
    RGBColor color;
    bool operator==(const StyleKey &o) const
    {
        return font == o.font && face == o.face && size == o.size && color.red == o.color.red &&
               color.green == o.color.green && color.blue == o.color.blue;
    }
};

// A run as the edits see it: where it starts and its style's index.
struct Run {
    int32_t start;
    int16_t style;
};

// The record's run table, decoded: the runs of the text (the first at 0 when there is text) and the end
// mark's style.
struct Runs {
    std::vector<Run> runs;
    int16_t endStyle = 0;
};

StyleKey KeyOf(const STElement &e) { return StyleKey{e.stFont, e.stFace, e.stSize, e.stColor}; }
StyleKey KeyOf(const ScrpSTElement &e) { return StyleKey{e.scrpFont, e.scrpFace, e.scrpSize, e.scrpColor}; }
StyleKey KeyOf(const TextStyle &t) { return StyleKey{t.tsFont, t.tsFace, t.tsSize, t.tsColor}; }

// The elements of a style scrap that lie within its handle (at most (size - 2) / 20, whatever its count
// says; a negative count reads none).
int32_t ScrapCount(Handle scrap)
{
    if (!TEHasData(scrap))
        return 0;
    const int32_t size = GetHandleSize(scrap);
    if (size < 2)
        return 0;
    const int32_t claimed = reinterpret_cast<StScrpRec *>(*scrap)->scrpNStyles;
    return std::clamp<int32_t>(claimed, 0, (size - 2) / int32_t(sizeof(ScrpSTElement)));
}

int32_t TextLength(const TERec *r) { return std::max<int16_t>(r->teLength, 0); }

// The measured height and ascent of a style, set into the current port for the measuring.
void MeasureStyle(const StyleKey &k, int16_t *height, int16_t *ascent)
{
    GrafPtr port = CurrentPort();
    if (!port) {
        *height = *ascent = 0;
        return;
    }
    const int16_t font = port->txFont, size = port->txSize;
    const Style face = port->txFace;
    TextFont(k.font);
    TextSize(k.size);
    TextFace(k.face);
    FontInfo info;
    GetFontInfo(&info);
    *height = static_cast<int16_t>(info.ascent + info.descent + info.leading + 1);
    *ascent = static_cast<int16_t>(info.ascent + info.leading);
    TextFont(font);
    TextSize(size);
    TextFace(face);
}

// The style record's pieces, read and written as a whole around every change.
struct Styled {
    TEHandle h;
    TEStyleHandle sh;
    Runs runs;
    std::vector<STElement> styles;

    explicit Styled(TEHandle record) : h(record), sh(TEStyleHandleOf(*record))
    {
        const TEStyleRec *s = *sh;
        const int32_t n = std::max<int16_t>(s->nRuns, 1);
        for (int32_t i = 0; i + 1 < n; ++i)
            runs.runs.push_back(Run{s->runs[i].startChar, s->runs[i].styleIndex});
        runs.endStyle = s->runs[n - 1].styleIndex;
        if (TEHasData(reinterpret_cast<Handle>(s->styleTab)))
            styles.assign(*s->styleTab, *s->styleTab + std::max<int16_t>(s->nStyles, 0));
    }

    // The style of character c (the end mark's past the text).
    int16_t StyleAt(int32_t c) const
    {
        if (runs.runs.empty())
            return runs.endStyle;
        auto it = std::upper_bound(runs.runs.begin(), runs.runs.end(), c,
                                   [](int32_t v, const Run &r) { return v < r.start; });
        if (it == runs.runs.begin())
            return runs.runs.front().style;
        return (it - 1)->style;
    }

    int16_t FindOrAdd(const StyleKey &k, int16_t height = -1, int16_t ascent = -1)
    {
        for (size_t i = 0; i < styles.size(); ++i)
            if (KeyOf(styles[i]) == k)
                return static_cast<int16_t>(i);
        STElement e{};
        e.stFont = k.font;
        e.stFace = k.face;
        e.stSize = k.size;
        e.stColor = k.color;
        if (height <= 0 || ascent < 0) {
            TEFocus focus(h, false);
            MeasureStyle(k, &height, &ascent);
        }
        e.stHeight = height;
        e.stAscent = ascent;
        styles.push_back(e);
        return static_cast<int16_t>(styles.size() - 1);
    }

    // Splits so that a run starts at `at` (inside the text).
    void SplitAt(int32_t at)
    {
        auto &v = runs.runs;
        auto it = std::upper_bound(v.begin(), v.end(), at, [](int32_t x, const Run &r) { return x < r.start; });
        if (it == v.begin() || (it - 1)->start == at)
            return;
        v.insert(it, Run{at, (it - 1)->style});
    }

    // n characters at p, styled by `pieces` (starts relative to p).
    void Insert(int32_t p, int32_t n, const std::vector<Run> &pieces)
    {
        if (n <= 0)
            return;
        auto &v = runs.runs;
        SplitAt(p);
        std::vector<Run> out;
        for (const Run &r : v)
            if (r.start < p)
                out.push_back(r);
        for (const Run &piece : pieces)
            out.push_back(Run{p + piece.start, piece.style});
        for (const Run &r : v)
            if (r.start >= p)
                out.push_back(Run{r.start + n, r.style});
        v.swap(out);
    }

    // Removes from..to; answers the style of the first character removed (-1 with none).
    int16_t Delete(int32_t from, int32_t to)
    {
        if (to <= from || runs.runs.empty())
            return -1;
        const int16_t first = StyleAt(from);
        SplitAt(from);
        SplitAt(to);
        std::vector<Run> out;
        for (const Run &r : runs.runs) {
            if (r.start < from)
                out.push_back(r);
            else if (r.start >= to)
                out.push_back(Run{r.start - (to - from), r.style});
        }
        runs.runs.swap(out);
        return first;
    }

    // Neighbours of one style become one run; unused styles go (the last moves into the slot); the
    // counts, the end mark and the tables are written back. Nothing is changed when a table cannot grow.
    void Store()
    {
        auto &v = runs.runs;
        const int32_t length = TextLength(*h);
        std::vector<Run> merged;
        for (const Run &r : v) {
            if (r.start >= length)
                continue;
            if (!merged.empty() && merged.back().start == r.start)
                merged.back() = r;
            else if (merged.empty() || merged.back().style != r.style)
                merged.push_back(r);
        }
        if (!merged.empty())
            merged.front().start = 0;
        v.swap(merged);
        if (v.empty() && length > 0)
            v.push_back(Run{0, runs.endStyle});
        // Counts over every entry, the end mark included.
        std::vector<int32_t> counts(styles.size(), 0);
        for (const Run &r : v)
            if (r.style >= 0 && size_t(r.style) < styles.size())
                ++counts[r.style];
        if (size_t(runs.endStyle) < styles.size())
            ++counts[runs.endStyle];
        for (size_t i = styles.size(); i-- > 0;) {
            if (counts[i] > 0 || styles.size() <= 1)
                continue;
            const int16_t last = static_cast<int16_t>(styles.size() - 1);
            styles[i] = styles[last];
            counts[i] = counts[last];
            styles.pop_back();
            counts.pop_back();
            for (Run &r : v)
                if (r.style == last)
                    r.style = static_cast<int16_t>(i);
            if (runs.endStyle == last)
                runs.endStyle = static_cast<int16_t>(i);
        }
        for (size_t i = 0; i < styles.size(); ++i)
            styles[i].stCount = static_cast<int16_t>(counts[i]);

        TEStyleRec *s = *sh;
        STHandle table = s->styleTab;
        const int32_t nRuns = static_cast<int32_t>(v.size()) + 1;
        if (!SetHandleSize(reinterpret_cast<Handle>(table), static_cast<Size>(sizeof(STElement) * styles.size())))
            return;
        if (!SetHandleSize(reinterpret_cast<Handle>(sh), static_cast<Size>(20 + 4 * nRuns)))
            return;
        s = *sh;
        std::memcpy(*s->styleTab, styles.data(), sizeof(STElement) * styles.size());
        s->nStyles = static_cast<int16_t>(styles.size());
        s->nRuns = static_cast<int16_t>(nRuns);
        for (int32_t i = 0; i + 1 < nRuns; ++i)
            s->runs[i] = StyleRun{static_cast<int16_t>(v[i].start), v[i].style};
        s->runs[nRuns - 1] = StyleRun{static_cast<int16_t>(length + 1), runs.endStyle};
    }
};

Handle NullScrap(const TERec *r)
{
    TEStyleHandle sh = TEStyleHandleOf(r);
    if (!TEHasData(reinterpret_cast<Handle>(sh)) || !TEHasData(reinterpret_cast<Handle>((**sh).nullStyle)))
        return nullptr;
    return reinterpret_cast<Handle>((**(**sh).nullStyle).nullScrap);
}

// The pending null style, when there is one.
bool PendingNullStyle(const TERec *r, ScrpSTElement *e)
{
    Handle scrap = NullScrap(r);
    if (ScrapCount(scrap) < 1)
        return false;
    *e = reinterpret_cast<StScrpRec *>(*scrap)->scrpStyleTab[0];
    return true;
}

void SetNullStyle(TEHandle h, const STElement *style)
{
    Handle scrap = NullScrap(*h);
    if (!scrap)
        return;
    if (!style) {
        if (TEHasData(scrap))
            reinterpret_cast<StScrpRec *>(*scrap)->scrpNStyles = 0;
        return;
    }
    if (!SetHandleSize(scrap, 2 + sizeof(ScrpSTElement)))
        return;
    StScrpRec *rec = reinterpret_cast<StScrpRec *>(*scrap);
    rec->scrpNStyles = 1;
    ScrpSTElement &e = rec->scrpStyleTab[0];
    e = ScrpSTElement{0, style->stHeight, style->stAscent, style->stFont, style->stFace, 0, style->stSize,
                      style->stColor};
}

STElement ElementOf(const ScrpSTElement &e)
{
    STElement s{};
    s.stHeight = e.scrpHeight;
    s.stAscent = e.scrpAscent;
    s.stFont = e.scrpFont;
    s.stFace = e.scrpFace;
    s.stSize = e.scrpSize;
    s.stColor = e.scrpColor;
    return s;
}

// The pieces a style scrap gives n inserted characters: elements whose start is negative, out of order or
// at or past n are skipped.
std::vector<Run> PiecesOf(Styled &st, Handle scrap, int32_t n)
{
    std::vector<Run> pieces;
    const int32_t count = ScrapCount(scrap);
    int32_t last = -1;
    for (int32_t i = 0; i < count; ++i) {
        const ScrpSTElement e = reinterpret_cast<StScrpRec *>(*scrap)->scrpStyleTab[i];
        if (e.scrpStartChar < 0 || e.scrpStartChar <= last || e.scrpStartChar >= n)
            continue;
        last = e.scrpStartChar;
        pieces.push_back(Run{e.scrpStartChar, st.FindOrAdd(KeyOf(e), e.scrpHeight, e.scrpAscent)});
    }
    if (!pieces.empty())
        pieces.front().start = 0;
    return pieces;
}

// Changes the attributes of `mode` of one style.
StyleKey Apply(StyleKey k, int16_t mode, const TextStyle &ts, Style togglesOn, Style togglesOff)
{
    if (mode & doFont)
        k.font = ts.tsFont;
    if (mode & doFace) {
        if (mode & doToggle)
            k.face = static_cast<Style>((k.face | togglesOn) & ~togglesOff);
        else
            k.face = ts.tsFace;
    }
    if (mode & addSize)
        k.size = static_cast<int16_t>(std::max<int32_t>(k.size + ts.tsSize, 1));
    else if (mode & doSize)
        k.size = ts.tsSize;
    if (mode & doColor)
        k.color = ts.tsColor;
    return k;
}

void Redraw(TEHandle h, bool redraw)
{
    TEFocus focus(h, true);
    TEHighlight(h, false);
    TELayout(h);
    if (redraw)
        TEDrawLines(h);
    TEHighlight(h, true);
}

TextStyle TextStyleOf(const STElement &e) { return TextStyle{e.stFont, e.stFace, 0, e.stSize, e.stColor}; }

} // namespace

// ---- Services of the other TextEdit files ----

TEStyleHandle TEStyleHandleOf(const TERec *r)
{
    if (!TEIsStyled(r))
        return nullptr;
    TEStyleHandle sh;
    std::memcpy(&sh, &r->txFont, sizeof sh);
    return sh;
}

bool TEHasRuns(const TERec *r)
{
    TEStyleHandle sh = TEStyleHandleOf(r);
    return TEHasData(reinterpret_cast<Handle>(sh)) && TEHasData(reinterpret_cast<Handle>((**sh).styleTab));
}

void TEClearNullStyle(TEHandle h)
{
    if (TEHasRuns(*h))
        SetNullStyle(h, nullptr);
}

namespace {

// Typing and deleting inside one run change no run but move the later starts: the run table is adjusted
// where it lies instead of being rebuilt. Answers false when the edit needs the whole upkeep (runs to
// add, remove or split, a style scrap or a pending null style to apply).
bool AdjustRunsInPlace(TEHandle h, const TETextEdit &edit, Handle styleScrap)
{
    TEStyleHandle sh = TEStyleHandleOf(*h);
    TEStyleRec *s = *sh;
    const int32_t n = s->nRuns;
    const int32_t oldLength = TextLength(*h) - edit.delta;
    if (n < 2 || oldLength <= 0 || s->runs[n - 1].startChar != oldLength + 1 || s->runs[0].startChar != 0 ||
        GetHandleSize(reinterpret_cast<Handle>(sh)) < int32_t(20 + 4 * n))
        return false;
    if (edit.inserted > 0 && edit.oldTo == edit.from) {
        // The inserted characters join the run of the character before them (the first run at 0), also
        // when the pending null style is that run's own style (typing after a backspace).
        if (ScrapCount(styleScrap) > 0)
            return false;
        const int32_t from = std::max<int32_t>(edit.from, 1);
        ScrpSTElement pending;
        const bool nullStyle = PendingNullStyle(*h, &pending);
        if (nullStyle) {
            int32_t k = 0;
            while (k + 1 < n - 1 && s->runs[k + 1].startChar < from)
                ++k;
            const int32_t count = TEHasData(reinterpret_cast<Handle>(s->styleTab)) ? s->nStyles : 0;
            int32_t first = 0;
            while (first < count && !(KeyOf((*s->styleTab)[first]) == KeyOf(pending)))
                ++first;
            if (first != s->runs[k].styleIndex)
                return false;
        }
        for (int32_t i = n - 1; i >= 0 && s->runs[i].startChar >= from; --i)
            s->runs[i].startChar = static_cast<int16_t>(s->runs[i].startChar + edit.inserted);
        if (nullStyle)
            SetNullStyle(h, nullptr);
        return true;
    }
    if (edit.inserted == 0 && edit.oldTo > edit.from) {
        // A deletion that leaves something of the one run it lies in.
        int32_t k = 0;
        while (k + 1 < n - 1 && s->runs[k + 1].startChar <= edit.from)
            ++k;
        const int32_t runEnd = k + 1 < n - 1 ? s->runs[k + 1].startChar : oldLength;
        if (edit.oldTo > runEnd || (s->runs[k].startChar == edit.from && edit.oldTo == runEnd))
            return false;
        const int16_t style = s->runs[k].styleIndex;
        if (style < 0 || style >= s->nStyles || !TEHasData(reinterpret_cast<Handle>(s->styleTab)))
            return false;
        const STElement removed = (*s->styleTab)[style];
        const int32_t count = edit.oldTo - edit.from;
        for (int32_t i = k + 1; i < n; ++i)
            s->runs[i].startChar = static_cast<int16_t>(s->runs[i].startChar - count);
        SetNullStyle(h, &removed);
        return true;
    }
    return false;
}

} // namespace

void TEStyledReplace(TEHandle h, const TETextEdit &edit, Handle styleScrap)
{
    if (!TEHasRuns(*h))
        return;
    if (AdjustRunsInPlace(h, edit, styleScrap))
        return;
    Styled st(h);
    const int16_t removed = st.Delete(edit.from, edit.oldTo);
    if (removed >= 0 && size_t(removed) < st.styles.size())
        SetNullStyle(h, &st.styles[removed]);
    if (edit.inserted > 0) {
        std::vector<Run> pieces = PiecesOf(st, styleScrap, edit.inserted);
        if (pieces.empty()) {
            ScrpSTElement pending;
            int16_t style;
            if (PendingNullStyle(*h, &pending))
                style = st.FindOrAdd(KeyOf(pending), pending.scrpHeight, pending.scrpAscent);
            else if (edit.from > 0)
                style = st.StyleAt(edit.from - 1);
            else
                style = st.runs.runs.empty() ? st.runs.endStyle : st.StyleAt(0);
            pieces.push_back(Run{0, style});
        }
        st.Insert(edit.from, edit.inserted, pieces);
        SetNullStyle(h, nullptr);
    }
    st.Store();
}

void TEDisposeStyles(TEHandle h)
{
    TEStyleHandle sh = TEStyleHandleOf(*h);
    if (!TEHasData(reinterpret_cast<Handle>(sh)))
        return;
    TEStyleRec *s = *sh;
    if (s->styleTab)
        DisposeHandle(reinterpret_cast<Handle>(s->styleTab));
    if (s->lhTab)
        DisposeHandle(reinterpret_cast<Handle>(s->lhTab));
    if (NullStHandle ns = s->nullStyle) {
        if (TEHasData(reinterpret_cast<Handle>(ns)) && (**ns).nullScrap)
            DisposeHandle(reinterpret_cast<Handle>((**ns).nullScrap));
        DisposeHandle(reinterpret_cast<Handle>(ns));
    }
    DisposeHandle(reinterpret_cast<Handle>(sh));
}

// Sets the port to a style for one run. The outermost entry saves the port's text and colour.
namespace {

// The width tables of the styles runs have been drawn in. Extended-text drawing takes the width table of
// each run's font, and the Font Manager keeps the metrics of one font at a time: a record whose runs
// alternate between faces would measure 256 characters again at every switch. A table measured once for
// a font, face and size on a device is kept until the Font Manager's metrics are flushed; ports that
// scale their text or draw on the printer measure afresh.
struct WidthKey {
    int16_t font, size;
    Style face;
    uint16_t portFlags;
    HDC dc;
    uint32_t generation;
    bool operator==(const WidthKey &o) const
    {
        return font == o.font && size == o.size && face == o.face && portFlags == o.portFlags && dc == o.dc &&
               generation == o.generation;
    }
};
struct WidthEntry {
    WidthKey key;
    Fixed widths[256];
};
constexpr int kWidthEntries = 32;
WidthEntry sWidthTables[kWidthEntries];
int sWidthCount;
int sWidthNext; // the entry a new table replaces once all are taken

// The width table of the port's font as it is now, or nil where the Font Manager is to measure it.
const Fixed *StyleWidths()
{
    GrafPtr port = CurrentPort();
    const PortDCRecord *record = CurrentPortRecord();
    HDC dc = CurrentDC();
    if (!port || !record || !dc || record->xform.scaleActive || dc == PrintingDC(nullptr))
        return nullptr;
    const WidthKey key{port->txFont, port->txSize, port->txFace, record->flags, dc, FontMetricsGeneration()};
    for (int i = 0; i < sWidthCount; ++i)
        if (sWidthTables[i].key == key)
            return sWidthTables[i].widths;
    FontMetrics(nullptr);
    Handle table = LowMem<Handle>(lmWidthTabHandle);
    if (!TEHasData(table) || GetHandleSize(table) < int32_t(sizeof(WidthTable)) || key.generation != FontMetricsGeneration())
        return nullptr;
    WidthEntry *e;
    if (sWidthCount < kWidthEntries) {
        e = &sWidthTables[sWidthCount++];
    } else {
        e = &sWidthTables[sWidthNext];
        sWidthNext = (sWidthNext + 1) % kWidthEntries;
    }
    e->key = key;
    std::memcpy(e->widths, reinterpret_cast<const WidthTable *>(*table)->tabData, sizeof e->widths);
    return e->widths;
}

int sRunDepth;
struct SavedRunPort {
    int16_t font, size;
    Style face;
    RGBColor color;
    bool extended;
} sRunSaved;
int16_t sRunStyle = -1; // the style the port is set to, within the outermost level
} // namespace

TERunPort::TERunPort(TEHandle h) : h_(h)
{
    if (sRunDepth++ == 0) {
        sRunStyle = -1;
        GrafPtr port = CurrentPort();
        sRunSaved = SavedRunPort{port ? port->txFont : int16_t(0), port ? port->txSize : int16_t(0),
                                 port ? port->txFace : Style(0), RGBColor{}, false};
        GetForeColor(&sRunSaved.color);
        const uint16_t stuff = static_cast<uint16_t>((**h).clikStuff);
        if (stuff & teExtTextBit) {
            ZEL_ExtDrawText(static_cast<uint16_t>(0x8000 | ((stuff & teExtMode2Bit) ? 2 : 1)), StyleWidths(), 0);
            sRunSaved.extended = true;
        }
    }
}

TERunPort::~TERunPort()
{
    if (--sRunDepth == 0) {
        GrafPtr port = CurrentPort();
        if (port && port->txFont != sRunSaved.font)
            TextFont(sRunSaved.font);
        if (port && port->txSize != sRunSaved.size)
            TextSize(sRunSaved.size);
        if (port && port->txFace != sRunSaved.face)
            TextFace(sRunSaved.face);
        RGBForeColor(&sRunSaved.color);
        if (sRunSaved.extended)
            ZEL_ExtDrawText(0x8000, nullptr, 0);
    }
}

void TERunPort::Set(int16_t styleIndex)
{
    TEStyleHandle sh = TEStyleHandleOf(*h_);
    const TEStyleRec *s = *sh;
    if (styleIndex < 0 || styleIndex >= s->nStyles || styleIndex == sRunStyle)
        return;
    sRunStyle = styleIndex;
    const STElement e = (*s->styleTab)[styleIndex];
    GrafPtr port = CurrentPort();
    if (port->txFont != e.stFont)
        TextFont(e.stFont);
    if (port->txSize != e.stSize)
        TextSize(e.stSize);
    if (port->txFace != e.stFace)
        TextFace(e.stFace);
    RGBForeColor(&e.stColor);
    // Extended-text drawing measures by the width table of the font it was switched on in: the run's.
    if (sRunSaved.extended) {
        const uint16_t stuff = static_cast<uint16_t>((**h_).clikStuff);
        ZEL_ExtDrawText(static_cast<uint16_t>((stuff & teExtMode2Bit) ? 2 : 1), StyleWidths(), 0);
    }
}

// The runs over first..first+count as pieces: each piece's start, length and style.
void TEStyledPieces(const TERec *r, int32_t first, int32_t count, void (*piece)(int32_t, int32_t, int16_t, void *),
                    void *context)
{
    TEStyleHandle sh = TEStyleHandleOf(r);
    const TEStyleRec *s = *sh;
    const int32_t n = s->nRuns;
    const int32_t end = first + count;
    if (n <= 1) {
        piece(first, count, s->runs[0].styleIndex, context);
        return;
    }
    int32_t i = 0;
    while (i + 1 < n - 1 && s->runs[i + 1].startChar <= first)
        ++i;
    int32_t at = first;
    while (at < end && i < n - 1) {
        const int32_t runEnd = std::min<int32_t>(end, s->runs[i + 1].startChar);
        if (runEnd > at) {
            piece(at, runEnd - at, s->runs[i].styleIndex, context);
            s = *sh;
        }
        at = std::max(at, runEnd);
        ++i;
    }
}

// The height and ascent of each line: the largest among the styles of its runs.
void TEStyledLineHeights(TEHandle h)
{
    TERec *r = *h;
    TEStyleHandle sh = TEStyleHandleOf(r);
    if (!TEHasRuns(r))
        return;
    const int32_t lines = std::max<int16_t>(r->nLines, 1);
    LHHandle lh = (**sh).lhTab;
    if (!lh || lines > 16383 || !SetHandleSize(reinterpret_cast<Handle>(lh), static_cast<Size>(4 * lines)))
        return;
    r = *h;
    const TEStyleRec *s = *sh;
    const STElement *styles = *s->styleTab;
    int32_t run = 0;
    for (int32_t line = 0; line < lines; ++line) {
        LHElement e{0, 0};
        if (r->nLines == 0 || s->nRuns <= 1 || s->nStyles < 2) {
            const int16_t idx = s->nRuns <= 1 || r->nLines == 0 ? s->runs[s->nRuns - 1].styleIndex : s->runs[0].styleIndex;
            e = LHElement{styles[idx].stHeight, styles[idx].stAscent};
            if (s->nStyles < 2 && r->nLines == 0) {
                ScrpSTElement pending;
                if (PendingNullStyle(r, &pending))
                    e = LHElement{pending.scrpHeight, pending.scrpAscent};
            }
        } else {
            // The runs meeting the line, found by a sweep that moves on with the lines.
            const int32_t start = r->lineStarts[line], end = std::max<int32_t>(r->lineStarts[line + 1], start + 1);
            while (run + 1 < s->nRuns - 1 && s->runs[run + 1].startChar <= start)
                ++run;
            for (int32_t i = run; i < s->nRuns - 1 && s->runs[i].startChar < end; ++i) {
                const STElement &st = styles[s->runs[i].styleIndex];
                e.lhHeight = std::max(e.lhHeight, st.stHeight);
                e.lhAscent = std::max(e.lhAscent, st.stAscent);
            }
        }
        (*lh)[line] = e;
    }
}

int32_t TEStyledLinesHeight(const TERec *r, int32_t lines)
{
    TEStyleHandle sh = TEStyleHandleOf(r);
    LHHandle lh = (**sh).lhTab;
    const int32_t count = TEHasData(reinterpret_cast<Handle>(lh)) ? GetHandleSize(reinterpret_cast<Handle>(lh)) / 4 : 0;
    if (count == 0 || lines <= 0)
        return 0;
    const LHElement *e = *lh;
    int32_t height = 0;
    const int32_t within = std::min(lines, count);
    for (int32_t i = 0; i < within; ++i)
        height += e[i].lhHeight;
    return height + (lines - within) * e[count - 1].lhHeight;
}

LHElement TEStyledLineMetrics(const TERec *r, int32_t line)
{
    TEStyleHandle sh = TEStyleHandleOf(r);
    LHHandle lh = (**sh).lhTab;
    const int32_t count = TEHasData(reinterpret_cast<Handle>(lh)) ? GetHandleSize(reinterpret_cast<Handle>(lh)) / 4 : 0;
    if (count == 0)
        return LHElement{0, 0};
    return (*lh)[std::clamp<int32_t>(line, 0, count - 1)];
}

// ---- Exports ----

ZEL_EXTERN_C TEHandle ZEL_CALL TEStyleNew(const Rect *destRect, const Rect *viewRect)
{
    TEHandle h = TENew(destRect, viewRect);
    if (!h)
        return nullptr;
    TERec *r = *h;
    r->clikStuff = static_cast<int16_t>(r->clikStuff | teExtTextBit | teExtMode2Bit);
    GrafPtr port = CurrentPort();
    RGBColor color{0, 0, 0};
    if (port && (reinterpret_cast<CGrafPtr>(port)->portVersion & 0xC000) == 0xC000)
        GetForeColor(&color);
    const int16_t height = r->lineHeight, ascent = r->fontAscent;
    Handle nullScrap = NewHandleClear(2 + sizeof(ScrpSTElement));
    Handle nullStyle = NewHandleClear(sizeof(NullStRec));
    Handle table = NewHandleClear(sizeof(STElement));
    Handle lines = NewHandleClear(sizeof(LHElement));
    Handle record = NewHandleClear(sizeof(TEStyleRec));
    if (!nullScrap || !nullStyle || !table || !lines || !record) {
        for (Handle x : {nullScrap, nullStyle, table, lines, record})
            if (x)
                DisposeHandle(x);
        TEDispose(h);
        return nullptr;
    }
    r = *h;
    StScrpRec *ns = reinterpret_cast<StScrpRec *>(*nullScrap);
    ns->scrpNStyles = 1;
    ns->scrpStyleTab[0] = ScrpSTElement{0, height, ascent, r->txFont, r->txFace, 0, r->txSize, color};
    NullStRec *nsr = reinterpret_cast<NullStRec *>(*nullStyle);
    nsr->teReserved = 0;
    nsr->nullScrap = reinterpret_cast<StScrpHandle>(nullScrap);
    STElement *st = reinterpret_cast<STElement *>(*table);
    *st = STElement{1, height, ascent, r->txFont, r->txFace, 0, r->txSize, color};
    *reinterpret_cast<LHElement *>(*lines) = LHElement{height, ascent};
    TEStyleRec *s = reinterpret_cast<TEStyleRec *>(*record);
    s->nRuns = 1;
    s->nStyles = 1;
    s->styleTab = reinterpret_cast<STHandle>(table);
    s->lhTab = reinterpret_cast<LHHandle>(lines);
    s->teRefCon = 0;
    s->nullStyle = reinterpret_cast<NullStHandle>(nullStyle);
    s->runs[0] = StyleRun{1, 0};
    r->txSize = -1;
    std::memcpy(&r->txFont, &record, sizeof record);
    r->lineHeight = -1;
    r->fontAscent = -1;
    return h;
}

ZEL_EXTERN_C void ZEL_CALL TESetStyleHandle(TEStyleHandle theHandle, TEHandle hTE)
{
    TERec *r = TERecord(hTE);
    if (r && TEIsStyled(r))
        std::memcpy(&r->txFont, &theHandle, sizeof theHandle);
}

ZEL_EXTERN_C TEStyleHandle ZEL_CALL TEGetStyleHandle(TEHandle hTE)
{
    const TERec *r = TERecord(hTE);
    return r ? TEStyleHandleOf(r) : nullptr;
}

ZEL_EXTERN_C void ZEL_CALL TEGetStyle(int16_t offset, TextStyle *theStyle, int16_t *lineHeight, int16_t *fontAscent,
                                      TEHandle hTE)
{
    const TERec *r = TERecord(hTE);
    if (!r || !theStyle)
        return;
    int16_t height = r->lineHeight, ascent = r->fontAscent;
    if (!TEIsStyled(r)) {
        *theStyle = TextStyle{r->txFont, r->txFace, 0, r->txSize, RGBColor{0, 0, 0}};
    } else if (!TEHasRuns(r)) {
        FontInfo info{};
        GetFontInfo(&info);
        height = static_cast<int16_t>(info.ascent + info.descent + info.leading + 1);
        ascent = static_cast<int16_t>(info.ascent + info.leading);
        GrafPtr port = CurrentPort();
        *theStyle = TextStyle{port ? port->txFont : int16_t(0), port ? port->txFace : Style(0), 0,
                              port ? port->txSize : int16_t(0), RGBColor{0, 0, 0}};
    } else {
        const TEStyleRec *s = *TEStyleHandleOf(r);
        ScrpSTElement pending;
        if (s->nRuns <= 1 && PendingNullStyle(r, &pending)) {
            *theStyle = TextStyleOf(ElementOf(pending));
            height = r->lineHeight != -1 ? r->lineHeight : pending.scrpHeight;
            ascent = pending.scrpAscent;
        } else {
            // The run of the character at the offset; at the end, the last character's.
            const int32_t length = TextLength(r);
            int32_t c = std::clamp<int32_t>(offset, 0, std::max<int32_t>(length - 1, 0));
            int32_t i = 0;
            while (i + 1 < s->nRuns - 1 && s->runs[i + 1].startChar <= c)
                ++i;
            const STElement &e = (*s->styleTab)[s->runs[i].styleIndex];
            *theStyle = TextStyleOf(e);
            height = r->lineHeight != -1 ? r->lineHeight : e.stHeight;
            ascent = e.stAscent;
        }
    }
    if (lineHeight)
        *lineHeight = height;
    if (fontAscent)
        *fontAscent = ascent;
}

ZEL_EXTERN_C void ZEL_CALL TESetStyle(int16_t mode, const TextStyle *newStyle, Boolean fRedraw, TEHandle hTE)
{
    TERec *r = TERecord(hTE);
    if (!r || !newStyle || TEIsBound(r) || !TEHasRuns(r))
        return;
    TERepairLength(r);
    const int32_t start = r->selStart, end = r->selEnd;
    Styled st(hTE);
    if (start == end) {
        // The null style: from the pending one, or for a toggle from the character before the caret.
        ScrpSTElement pending;
        STElement base;
        if (PendingNullStyle(*hTE, &pending))
            base = ElementOf(pending);
        else
            base = st.styles[st.StyleAt(start > 0 ? start - 1 : 0)];
        const Style on = (mode & doToggle) ? Style(newStyle->tsFace & ~base.stFace) : Style(0);
        const Style off = (mode & doToggle) ? Style(newStyle->tsFace & base.stFace) : Style(0);
        StyleKey k = Apply(KeyOf(base), static_cast<int16_t>(mode & ~addSize), *newStyle, on, off);
        STElement e{};
        e.stFont = k.font;
        e.stFace = k.face;
        e.stSize = k.size;
        e.stColor = k.color;
        {
            TEFocus focus(hTE, false);
            MeasureStyle(k, &e.stHeight, &e.stAscent);
        }
        SetNullStyle(hTE, &e);
        return;
    }
    st.SplitAt(start);
    st.SplitAt(end);
    // A toggle sets the bits that not all runs have and clears those that all have.
    Style all = 0xFF;
    for (const Run &run : st.runs.runs)
        if (run.start >= start && run.start < end)
            all = static_cast<Style>(all & st.styles[run.style].stFace);
    const Style on = (mode & doToggle) ? Style(newStyle->tsFace & ~all) : Style(0);
    const Style off = (mode & doToggle) ? Style(newStyle->tsFace & all) : Style(0);
    for (Run &run : st.runs.runs) {
        if (run.start < start || run.start >= end)
            continue;
        const StyleKey k = Apply(KeyOf(st.styles[run.style]), mode, *newStyle, on, off);
        run.style = st.FindOrAdd(k);
    }
    st.Store();
    Redraw(hTE, fRedraw);
}

// Every style entry used in the selection whose requested attributes all match `old` takes `new`'s.
ZEL_EXTERN_C void ZEL_CALL TEReplaceStyle(int16_t mode, const TextStyle *oldStyle, const TextStyle *newStyle,
                                          Boolean fRedraw, TEHandle hTE)
{
    TERec *r = TERecord(hTE);
    if (!r || !oldStyle || !newStyle || TEIsBound(r) || !TEHasRuns(r))
        return;
    TERepairLength(r);
    const int32_t start = r->selStart, end = std::max<int32_t>(r->selEnd, r->selStart + 1);
    Styled st(hTE);
    std::vector<bool> touched(st.styles.size(), false);
    for (size_t i = 0; i < st.runs.runs.size(); ++i) {
        const int32_t runStart = st.runs.runs[i].start;
        const int32_t runEnd = i + 1 < st.runs.runs.size() ? st.runs.runs[i + 1].start : TextLength(r);
        if (runEnd > start && runStart < end)
            touched[st.runs.runs[i].style] = true;
    }
    const StyleKey want = KeyOf(*oldStyle);
    for (size_t i = 0; i < st.styles.size(); ++i) {
        if (!touched[i])
            continue;
        const StyleKey k = KeyOf(st.styles[i]);
        const bool matches = (!(mode & doFont) || k.font == want.font) && (!(mode & doFace) || k.face == want.face) &&
                             (!(mode & doSize) || k.size == want.size) &&
                             (!(mode & doColor) || (k.color.red == want.color.red && k.color.green == want.color.green &&
                                                    k.color.blue == want.color.blue));
        if (!matches)
            continue;
        const StyleKey n = Apply(k, static_cast<int16_t>(mode & doAll), *newStyle, 0, 0);
        STElement &e = st.styles[i];
        e.stFont = n.font;
        e.stFace = n.face;
        e.stSize = n.size;
        e.stColor = n.color;
        TEFocus focus(hTE, false);
        MeasureStyle(n, &e.stHeight, &e.stAscent);
    }
    TEStyleRec *s = *st.sh;
    std::memcpy(*s->styleTab, st.styles.data(), sizeof(STElement) * st.styles.size());
    Redraw(hTE, fRedraw);
}

// Which requested attributes are the same over the selection; true when none of them varies.
ZEL_EXTERN_C Boolean ZEL_CALL TEContinuousStyle(int16_t *mode, TextStyle *aStyle, TEHandle hTE)
{
    TERec *r = TERecord(hTE);
    if (!r || !mode || !aStyle)
        return false;
    if (!TEHasRuns(r)) {
        *aStyle = TextStyle{r->txFont, r->txFace, 0, r->txSize, RGBColor{0, 0, 0}};
        return true;
    }
    TERepairLength(r);
    Styled st(hTE);
    if (r->selStart == r->selEnd) {
        ScrpSTElement pending;
        if (PendingNullStyle(r, &pending))
            *aStyle = TextStyleOf(ElementOf(pending));
        else
            *aStyle = TextStyleOf(st.styles[st.StyleAt(r->selStart > 0 ? r->selStart - 1 : 0)]);
        return true;
    }
    const int32_t start = r->selStart, end = r->selEnd;
    const STElement first = st.styles[st.StyleAt(start)];
    *aStyle = TextStyleOf(first);
    int16_t varies = 0;
    Style common = first.stFace;
    bool styledFace = false;
    for (size_t i = 0; i < st.runs.runs.size(); ++i) {
        const int32_t runStart = st.runs.runs[i].start;
        const int32_t runEnd = i + 1 < st.runs.runs.size() ? st.runs.runs[i + 1].start : TextLength(r);
        if (runEnd <= start || runStart >= end)
            continue;
        const STElement &e = st.styles[st.runs.runs[i].style];
        if (e.stFont != first.stFont)
            varies |= doFont;
        if (e.stSize != first.stSize)
            varies |= doSize;
        if (e.stFace != first.stFace)
            varies |= doFace;
        if (e.stColor.red != first.stColor.red || e.stColor.green != first.stColor.green ||
            e.stColor.blue != first.stColor.blue)
            varies |= doColor;
        common = static_cast<Style>(common & e.stFace);
        styledFace = styledFace || e.stFace != 0;
    }
    aStyle->tsFace = common;
    if (common == 0 && styledFace)
        varies |= doFace;
    const int16_t asked = *mode;
    *mode = static_cast<int16_t>(asked & ~varies);
    return (asked & varies & doAll) == 0;
}

// The number of runs over start..end, both clamped to the text.
ZEL_EXTERN_C int32_t ZEL_CALL TENumStyles(int32_t rangeStart, int32_t rangeEnd, TEHandle hTE)
{
    const TERec *r = TERecord(hTE);
    if (!r)
        return 0;
    if (!TEHasRuns(r))
        return 1;
    const int32_t length = TextLength(r);
    const int32_t start = std::clamp<int32_t>(rangeStart, 0, length);
    const int32_t end = std::clamp<int32_t>(rangeEnd, start, length);
    Styled st(hTE);
    if (st.runs.runs.empty())
        return 1;
    int32_t n = 0;
    for (size_t i = 0; i < st.runs.runs.size(); ++i) {
        const int32_t runStart = st.runs.runs[i].start;
        const int32_t runEnd = i + 1 < st.runs.runs.size() ? st.runs.runs[i + 1].start : length;
        if (runEnd > start && runStart < std::max(end, start + 1))
            ++n;
    }
    return std::max<int32_t>(n, 1);
}

ZEL_EXTERN_C StScrpHandle ZEL_CALL TEGetStyleScrapHandle(TEHandle hTE)
{
    TERec *r = TERecord(hTE);
    if (!r || !TEHasRuns(r))
        return nullptr;
    TERepairLength(r);
    Styled st(hTE);
    std::vector<ScrpSTElement> out;
    auto push = [&](int32_t at, const STElement &e) {
        out.push_back(ScrpSTElement{at, e.stHeight, e.stAscent, e.stFont, e.stFace, 0, e.stSize, e.stColor});
    };
    const int32_t start = r->selStart, end = r->selEnd;
    ScrpSTElement pending;
    if (start == end) {
        if (PendingNullStyle(r, &pending))
            out.push_back(pending);
        else
            push(0, st.styles[st.StyleAt(start)]);
    } else {
        for (size_t i = 0; i < st.runs.runs.size(); ++i) {
            const int32_t runStart = st.runs.runs[i].start;
            const int32_t runEnd = i + 1 < st.runs.runs.size() ? st.runs.runs[i + 1].start : TextLength(r);
            if (runEnd <= start || runStart >= end)
                continue;
            push(std::max<int32_t>(runStart - start, 0), st.styles[st.runs.runs[i].style]);
        }
        if (out.empty())
            push(0, st.styles[st.StyleAt(start)]);
        out.front().scrpStartChar = 0;
    }
    Handle h = NewHandle(static_cast<Size>(2 + sizeof(ScrpSTElement) * out.size()));
    if (!h)
        return nullptr;
    StScrpRec *rec = reinterpret_cast<StScrpRec *>(*h);
    rec->scrpNStyles = static_cast<int16_t>(out.size());
    std::memcpy(rec->scrpStyleTab, out.data(), sizeof(ScrpSTElement) * out.size());
    return reinterpret_cast<StScrpHandle>(h);
}

// Restyles start..end (both clamped to the text) from a style scrap's elements.
ZEL_EXTERN_C void ZEL_CALL TEUseStyleScrap(int32_t rangeStart, int32_t rangeEnd, StScrpHandle newStyles, Boolean fRedraw,
                                           TEHandle hTE)
{
    TERec *r = TERecord(hTE);
    if (!r || TEIsBound(r) || !TEHasRuns(r))
        return;
    TERepairLength(r);
    const int32_t length = TextLength(r);
    const int32_t start = std::clamp<int32_t>(rangeStart, 0, length);
    const int32_t end = std::clamp<int32_t>(rangeEnd, start, length);
    const int32_t n = end - start;
    if (n <= 0)
        return;
    Styled st(hTE);
    std::vector<Run> pieces = PiecesOf(st, reinterpret_cast<Handle>(newStyles), n);
    if (pieces.empty())
        return;
    st.Delete(start, end);
    st.Insert(start, n, pieces);
    st.Store();
    Redraw(hTE, fRedraw);
}

// Inserts styled text before the selection; an unstyled or bound record gets TEInsert.
ZEL_EXTERN_C void ZEL_CALL TEStyleInsert(const void *text, int32_t length, StScrpHandle hST, TEHandle hTE)
{
    TERec *r = TERecord(hTE);
    if (!r || !text || length <= 0)
        return;
    if (TEIsBound(r) || !TEHasRuns(r)) {
        TEInsert(text, length, hTE);
        return;
    }
    TEInsertStyled(hTE, text, length, reinterpret_cast<Handle>(hST));
}

ZEL_EXTERN_C void ZEL_CALL TEStylePaste(TEHandle hTE)
{
    TERec *r = TERecord(hTE);
    if (!r)
        return;
    Handle style = LowMem<Handle>(lmTEScrpStyleHandle);
    const bool styled = TEHasRuns(r) && TEHasData(LowMem<Handle>(lmTEScrpHandle)) &&
                        LowMem<int16_t>(lmTEScrpHasStyle) && TEHasData(style);
    TEPasteStyled(hTE, styled ? style : nullptr);
}

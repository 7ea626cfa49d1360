// Picture playback: DrawPicture, StdGetPic and ZEL_AllowPictStatePush. DrawPicture reads the picture's
// stream through the port's getPicProc, maps the picture's frame onto the destination rectangle and
// plays one opcode at a time with the ordinary QuickDraw and text calls, so that a port's bottlenecks
// and an open picture see the drawing as if the program had made it.
//
// The stream comes from files, resources and the clipboard: each opcode's operand is first measured
// by the picture format module against the bytes the picture holds (a size, a count or a length that
// reaches past them ends playback), and only then read and played. Every level of nesting keeps its own
// position, text continuation, pen and origin.
#include "imaging.h"
#include "picture_format.h"
#include "MacMemory.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <vector>

namespace {

// One playing picture.
struct PlayLevel {
    const uint8_t *base = nullptr; // the stream (the handle's data + 10)
    Handle picture = nullptr;
    int32_t length = 0;
    int32_t position = 0;
    bool ended = false;
    QDGetPicProcPtr getPic = nullptr;
    int16_t version = 2;
    Rect srcFrame{}, dstRect{};
    Rect clipRect{};    // the picture's clip, unmapped
    RgnHandle clipLimit = nullptr; // what the picture's own clips stay inside
    Point lineEnd{};    // unmapped
    Point textOrigin{}; // unmapped
    Rect lastShape{};   // mapped
    int16_t arcStart = 0, arcAngle = 0;
    Point ovalSize{0, 0};
    Pattern fillPat{};
    bool fillPixels = false;          // the fill pattern is a full pixel pattern (colour ports)
    PixPatHandle playPixPat[3] = {};  // background, pen, fill made by this playback
    PixPatHandle portPixPat[3] = {};  // the port's own, while replaced
    bool replaced[3] = {};
    bool nonUniform = false;
    // Text continuation: the pen before and after the last text, and its width.
    Point textStart{}, textEnd{};
    int16_t textWidth = -1;
};

PlayLevel *sLevel;
bool sPictPlaying;
bool sStatePushAllowed;

// ---- Reading the stream ----

// Reads `count` bytes through the get procedure (at most what the stream has left); the read that
// finds nothing sets the end flag.
int32_t ReadBytes(PlayLevel &level, void *out, int32_t count)
{
    const int32_t n = std::max<int32_t>(0, std::min(count, level.length - level.position));
    if (n == 0) {
        if (count > 0)
            level.ended = true;
        return 0;
    }
    if (level.getPic == StdGetPic) {
        std::memcpy(out, level.base + level.position, static_cast<size_t>(n));
        level.position += n;
        return n;
    }
    // A host's procedure reads where StdGetPic would: the position moves by what is asked of it.
    uint8_t *p = static_cast<uint8_t *>(out);
    int32_t left = n;
    while (left > 0) {
        const int32_t piece = std::min<int32_t>(left, 0x7FFE);
        const int32_t at = level.position;
        level.getPic(p, static_cast<int16_t>(piece));
        level.position = at + piece;
        p += piece;
        left -= piece;
    }
    return n;
}

// The end of a picture's stream has its own test: a position at or past the length.
bool AtEnd(const PlayLevel &level) { return level.ended || level.position >= level.length; }

} // namespace

ZEL_EXTERN_C void ZEL_CALL StdGetPic(void *dataPtr, int16_t byteCount)
{
    PlayLevel *level = sLevel;
    const uint16_t count = static_cast<uint16_t>(byteCount);
    if (!level || !dataPtr || count == 0)
        return;
    const int32_t n = std::max<int32_t>(0, std::min<int32_t>(count, level->length - level->position));
    if (n == 0) {
        level->ended = true;
        return;
    }
    std::memcpy(dataPtr, level->base + level->position, static_cast<size_t>(n));
    level->position += n;
}

ZEL_EXTERN_C int32_t ZEL_CALL ZEL_AllowPictStatePush(int32_t flag)
{
    const int32_t previous = sStatePushAllowed ? 1 : 0;
    sStatePushAllowed = flag != 0;
    return previous;
}

bool PictPlaying() { return sPictPlaying; }

void MapPictRect(Rect *r)
{
    if (sLevel && r)
        MapRect(r, &sLevel->srcFrame, &sLevel->dstRect);
}

namespace {

// ---- Mapping ----

int16_t Clamp16(int32_t v) { return static_cast<int16_t>(std::max<int32_t>(-32767, std::min<int32_t>(32767, v))); }

Point MapPoint(const PlayLevel &l, Point p)
{
    MapPt(&p, &l.srcFrame, &l.dstRect);
    return p;
}
Rect MapRectangle(const PlayLevel &l, Rect r)
{
    MapRect(&r, &l.srcFrame, &l.dstRect);
    return r;
}
int16_t MapWidth(const PlayLevel &l, int16_t h)
{
    const int sw = l.srcFrame.right - l.srcFrame.left;
    return sw ? Clamp16(MulDiv(h, l.dstRect.right - l.dstRect.left, sw)) : h;
}
int16_t MapHeight(const PlayLevel &l, int16_t v)
{
    const int sh = l.srcFrame.bottom - l.srcFrame.top;
    return sh ? Clamp16(MulDiv(v, l.dstRect.bottom - l.dstRect.top, sh)) : v;
}

int16_t Word(const uint8_t *p) { return static_cast<int16_t>(PictWordAt(p)); }
Rect RectAt(const uint8_t *p) { return Rect{Word(p), Word(p + 2), Word(p + 4), Word(p + 6)}; }
Point PointAt(const uint8_t *p) { return Point{Word(p), Word(p + 2)}; }

// ---- Drawing ----

// The picture's clip, mapped, inside what the port allowed at the start of playback.
void ApplyClip(PlayLevel &l)
{
    Rect mapped = MapRectangle(l, l.clipRect);
    RgnHandle rgn = NewRgn();
    if (!rgn)
        return;
    RectRgn(rgn, &mapped);
    SectRgn(rgn, l.clipLimit, rgn);
    SetClip(rgn);
    DisposeRgn(rgn);
}

QDProcsPtr Procs()
{
    GrafPtr port = CurrentPort();
    return port ? port->grafProcs : nullptr;
}

void RectVerb(GrafVerb verb, const Rect &r, const PlayLevel &l)
{
    switch (verb) {
    case 0: FrameRec(&r); break;
    case 1: PaintRect(&r); break;
    case 2: EraseRect(&r); break;
    case 3: InvertRec(&r); break;
    default:
        // A full pixel fill pattern fills as itself; FillRec would make it the one-bit pattern.
        if (l.fillPixels && IsColorPort(CurrentPort()))
            FillCRect(&r, reinterpret_cast<CGrafPtr>(CurrentPort())->fillPixPat);
        else
            FillRec(&r, &l.fillPat);
        break;
    }
}
void RRectVerb(GrafVerb verb, const Rect &r, const PlayLevel &l)
{
    const int16_t w = l.ovalSize.h, h = l.ovalSize.v;
    switch (verb) {
    case 0: FrameRoundRect(&r, w, h); break;
    case 1: PaintRoundRect(&r, w, h); break;
    case 2: EraseRoundRect(&r, w, h); break;
    case 3: InvertRoundRect(&r, w, h); break;
    default: FillRoundRect(&r, w, h, &l.fillPat); break;
    }
}
void OvalVerb(GrafVerb verb, const Rect &r, const PlayLevel &l)
{
    switch (verb) {
    case 0: FrameOval(&r); break;
    case 1: PaintOval(&r); break;
    case 2: EraseOval(&r); break;
    case 3: InvertOval(&r); break;
    default: FillOval(&r, &l.fillPat); break;
    }
}
void ArcVerb(GrafVerb verb, const Rect &r, int16_t start, int16_t angle, const PlayLevel &l)
{
    switch (verb) {
    case 0: FrameArc(&r, start, angle); break;
    case 1: PaintArc(&r, start, angle); break;
    case 2: EraseArc(&r, start, angle); break;
    case 3: {
        QDProcsPtr procs = Procs();
        if (procs && procs->arcProc)
            procs->arcProc(3, &r, start, angle);
        else
            StdArc(3, &r, start, angle);
        break;
    }
    default: FillArc(&r, start, angle, &l.fillPat); break;
    }
}
void PolyVerb(GrafVerb verb, PolyHandle poly, const PlayLevel &l)
{
    switch (verb) {
    case 0: FramePoly(poly); break;
    case 1: PaintPoly(poly); break;
    case 2: ErasePoly(poly); break;
    case 3: InvertPoly(poly); break;
    default: FillPoly(poly, &l.fillPat); break;
    }
}

void PassComment(int16_t kind, int16_t size, Handle data) { PicComment(kind, size, data); }

// Puts the pen where the text started, in the port and its device record.
void PutPenBack(Point pen)
{
    MoveT(pen.h, pen.v);
}

void DrawPictText(PlayLevel &l, const uint8_t *p, int32_t count)
{
    GrafPtr port = CurrentPort();
    const Point before = port->pnLoc;
    DrawTex(p, 0, static_cast<int16_t>(count));
    const Point after = port->pnLoc;
    l.textStart = before;
    l.textEnd = after;
    l.textWidth = static_cast<int16_t>(after.h - before.h);
    PutPenBack(before);
}

// Colour ports: the first change of a pattern in this playback gives the port a pattern of its own for
// the playback, and the port's own comes back at the end.
void ReplacePortPattern(PlayLevel &l, int which)
{
    GrafPtr port = CurrentPort();
    if (!IsColorPort(port) || l.replaced[which])
        return;
    CGrafPtr c = reinterpret_cast<CGrafPtr>(port);
    PixPatHandle *field = which == 0 ? &c->bkPixPat : which == 1 ? &c->pnPixPat : &c->fillPixPat;
    PixPatHandle fresh = NewPixPat();
    if (!fresh)
        return;
    l.replaced[which] = true;
    l.portPixPat[which] = *field;
    l.playPixPat[which] = fresh;
    *field = fresh;
}

// The pixel pattern opcodes: a full pixel pattern (type 1) built from its rows, any other type as its
// RGB colour; a black-and-white port takes the one-bit form.
void PlayPixPat(PlayLevel &l, uint16_t opcode, const uint8_t *operand, int32_t size)
{
    PictPixPatRecord record;
    if (ReadPictPixPatRecord(operand, static_cast<size_t>(size), &record) == kPictBad)
        return;
    const int which = opcode - 0x0012;
    GrafPtr port = CurrentPort();
    if (!IsColorPort(port)) {
        // A black-and-white port takes the one-bit form.
        if (which == 0)
            BackPat(&record.pat1Data);
        else if (which == 1)
            PenPat(&record.pat1Data);
        else
            l.fillPat = record.pat1Data;
        return;
    }
    PixPatHandle pp = nullptr;
    if (record.patType == 1) {
        pp = NewPictPixPat(record, operand, size);
    } else if ((pp = NewPixPat()) != nullptr) {
        MakeRGBPat(pp, &record.rgb);
    }
    if (!pp)
        return;
    ReplacePortPattern(l, which);
    // A fill pattern fills as the pixel pattern it made, whatever its type: an RGB one as its colour,
    // not as its one-bit form.
    if (which == 2) {
        l.fillPixels = true;
        l.fillPat = record.pat1Data;
    }
    CGrafPtr c = reinterpret_cast<CGrafPtr>(port);
    PixPatHandle *field = which == 0 ? &c->bkPixPat : which == 1 ? &c->pnPixPat : &c->fillPixPat;
    PixPatHandle old = *field;
    if (which == 0)
        BackPixPat(pp);
    else if (which == 1)
        PenPixPat(pp);
    else
        SetPortFillPixPat(pp);
    if (old && old != l.portPixPat[which] && old != *field)
        DisposePixPat(old);
    l.playPixPat[which] = *field;
}

void RgnVerb(GrafVerb verb, RgnHandle rgn, const PlayLevel &l)
{
    switch (verb) {
    case 0: FrameRg(rgn); break;
    case 1: PaintRg(rgn); break;
    case 2: EraseRgn(rgn); break;
    case 3: InvertRg(rgn); break;
    default:
        if (l.fillPixels && IsColorPort(CurrentPort()))
            FillCRgn(rgn, reinterpret_cast<CGrafPtr>(CurrentPort())->fillPixPat);
        else
            FillRg(rgn, &l.fillPat);
        break;
    }
}

// A region operand mapped onto the destination. After its size word and bounding box a region that is
// not a rectangle lists rows: a row's v, the h of each point where coverage changes against the row
// above, 0x7FFF; the list ends with 0x7FFF. The edges in force between two rows bound spans; a span
// lasts from the row that opens it to the row that changes it, and becomes one rectangle, mapped as
// the rectangle opcodes map theirs, so that neighbouring spans still meet. The rectangles are joined in
// one pass at the end: a 32 KB region of thousands of edges held over thousands of rows costs one
// rectangle per span, not one union per span and row. A short or malformed list ends where it stops
// making sense; nil when memory is short.
RgnHandle MappedRegion(const PlayLevel &l, const uint8_t *p, int32_t size)
{
    constexpr size_t kMostEdges = 4096;
    const int32_t bytes = std::min<int32_t>(PictWordAt(p), size);
    RgnHandle result = NewRgn();
    if (!result || bytes < 10)
        return result;
    if (bytes < 12) {
        const Rect box = MapRectangle(l, RectAt(p + 2));
        RectRgn(result, &box);
        return result;
    }
    int32_t at = 10;
    auto next = [&](int16_t *w) {
        if (at + 2 > bytes)
            return false;
        *w = Word(p + at);
        at += 2;
        return true;
    };
    struct Span {
        int16_t left, right, top;
    };
    std::vector<int16_t> edges, row, merged;
    std::vector<Span> spans, opened;
    std::vector<Rect> pieces;
    auto close = [&](const Span &span, int16_t bottom) {
        const Rect r = MapRectangle(l, Rect{span.top, span.left, bottom, span.right});
        if (r.left < r.right && r.top < r.bottom)
            pieces.push_back(r);
    };
    int16_t above = 0, v = 0, coveredTo = 0;
    while (next(&v) && v != 0x7FFF && v >= above) {
        row.clear();
        int16_t h = 0;
        bool ended = false;
        while (next(&h)) {
            if (h == 0x7FFF) {
                ended = true;
                break;
            }
            row.push_back(h);
        }
        coveredTo = v;
        if (!ended)
            break;
        std::sort(row.begin(), row.end());
        merged.clear();
        std::set_symmetric_difference(edges.begin(), edges.end(), row.begin(), row.end(), std::back_inserter(merged));
        edges.swap(merged);
        if (edges.size() > kMostEdges)
            break;
        // The spans of the new edges: those the row left as they were keep their top, the others close
        // here and open here.
        opened.clear();
        size_t old = 0;
        for (size_t i = 0; i + 1 < edges.size(); i += 2) {
            const int16_t left = edges[i], right = edges[i + 1];
            while (old < spans.size() && (spans[old].left < left || (spans[old].left == left && spans[old].right < right)))
                close(spans[old++], v);
            if (old < spans.size() && spans[old].left == left && spans[old].right == right)
                opened.push_back(spans[old++]);
            else
                opened.push_back(Span{left, right, v});
        }
        while (old < spans.size())
            close(spans[old++], v);
        spans.swap(opened);
        above = v;
    }
    for (const Span &span : spans)
        if (span.top < coveredTo)
            close(span, coveredTo);
    SetRgnToRects(result, pieces.data(), static_cast<int32_t>(pieces.size()));
    return result;
}

// Plays one opcode whose operand (`size` bytes, measured and read) is at `p`; false ends playback.
bool PlayOpcode(PlayLevel &l, uint16_t op, const uint8_t *p, int32_t size)
{
    GrafPtr port = CurrentPort();
    if (op >= 0x0030 && op <= 0x0074) {
        const GrafVerb verb = static_cast<GrafVerb>(op & 7);
        if (verb > 4)
            return true;
        const uint16_t family = op & 0xF0;
        const bool same = (op & 8) != 0;
        if (family != 0x70 && !same && size >= 8)
            l.lastShape = MapRectangle(l, RectAt(p));
        switch (family) {
        case 0x30: RectVerb(verb, l.lastShape, l); break;
        case 0x40: RRectVerb(verb, l.lastShape, l); break;
        case 0x50: OvalVerb(verb, l.lastShape, l); break;
        case 0x60: {
            const uint8_t *angles = same ? p : p + 8;
            if (size < (same ? 4 : 12))
                return true;
            l.arcStart = Word(angles);
            l.arcAngle = Word(angles + 2);
            ArcVerb(verb, l.lastShape, l.arcStart, l.arcAngle, l);
            break;
        }
        case 0x70: {
            if (same || size < 10)
                return true;
            const int32_t polySize = std::min<int32_t>(PictWordAt(p), size);
            PolyHandle poly = reinterpret_cast<PolyHandle>(NewHandle(polySize));
            if (!HandleHasData(poly)) {
                if (poly)
                    DisposeHandle(reinterpret_cast<Handle>(poly));
                return true;
            }
            struct Polygon &dst = **poly;
            dst.polySize = static_cast<int16_t>(polySize);
            dst.polyBBox = MapRectangle(l, RectAt(p + 2));
            const int32_t points = (polySize - 10) / 4;
            for (int32_t i = 0; i < points; ++i)
                dst.polyPoints[i] = MapPoint(l, PointAt(p + 10 + 4 * i));
            PolyVerb(verb, poly, l);
            KillPoly(poly);
            break;
        }
        default:
            break;
        }
        return true;
    }
    if (op >= 0x0080 && op <= 0x0084) {
        if (size < 10)
            return true;
        if (RgnHandle rgn = MappedRegion(l, p, size)) {
            RgnVerb(static_cast<GrafVerb>(op & 7), rgn, l);
            DisposeRgn(rgn);
        }
        return true;
    }
    switch (op) {
    case 0x0001:
        if (size >= 10) {
            l.clipRect = RectAt(p + 2);
            ApplyClip(l);
        }
        break;
    case 0x0002:
        ReplacePortPattern(l, 0);
        BackPat(reinterpret_cast<const Pattern *>(p));
        break;
    case 0x0003: TextFont(PictFontMap(kPictFontMapLookUp, Word(p), nullptr)); break;
    case 0x0004: TextFace(p[0]); break;
    case 0x0005: TextMode(Word(p)); break;
    case 0x0006: SpaceExtra(static_cast<Fixed>(PictLongAt(p))); break;
    case 0x0007: {
        int16_t v = Word(p), h = Word(p + 2);
        if (v && h) {
            v = std::max<int16_t>(1, MapHeight(l, v));
            h = std::max<int16_t>(1, MapWidth(l, h));
        }
        PenSize(h, v);
        break;
    }
    case 0x0008: PenMode(Word(p)); break;
    case 0x0009:
        ReplacePortPattern(l, 1);
        PenPat(reinterpret_cast<const Pattern *>(p));
        break;
    case 0x000A:
        std::memcpy(l.fillPat.pat, p, 8);
        l.fillPixels = false;
        ReplacePortPattern(l, 2);
        SetPortFillPat(&l.fillPat);
        break;
    case 0x000B:
        l.ovalSize.v = std::max<int16_t>(1, MapHeight(l, Word(p)));
        l.ovalSize.h = std::max<int16_t>(1, MapWidth(l, Word(p + 2)));
        break;
    case 0x000C: {
        const int16_t dh = Word(p), dv = Word(p + 2);
        OffsetRec(&l.srcFrame, dh, dv);
        OffsetRec(&l.clipRect, dh, dv);
        ApplyClip(l);
        break;
    }
    case 0x000D: {
        int16_t textSize = Word(p);
        if (!l.nonUniform)
            textSize = MapHeight(l, textSize);
        TextSize(textSize < 2 ? 1 : textSize);
        break;
    }
    case 0x000E: ForeColor(static_cast<int32_t>(PictLongAt(p))); break;
    case 0x000F: BackColor(static_cast<int32_t>(PictLongAt(p))); break;
    case 0x0012: case 0x0013: case 0x0014: PlayPixPat(l, op, p, size); break;
    case 0x001A: case 0x001B: {
        const RGBColor rgb{PictWordAt(p), PictWordAt(p + 2), PictWordAt(p + 4)};
        if (op == 0x001A)
            RGBForeColor(&rgb);
        else
            RGBBackColor(&rgb);
        break;
    }
    case 0x001D: {
        const RGBColor rgb{PictWordAt(p), PictWordAt(p + 2), PictWordAt(p + 4)};
        HiliteColor(&rgb);
        break;
    }
    case 0x0020: case 0x0021: case 0x0022: case 0x0023: {
        Point start = l.lineEnd;
        const uint8_t *q = p;
        if (op == 0x0020 || op == 0x0022) {
            start = PointAt(q);
            q += 4;
        }
        Point end;
        if (op <= 0x0021) {
            end = PointAt(q);
        } else {
            end = Point{static_cast<int16_t>(start.v + static_cast<int8_t>(q[1])),
                        static_cast<int16_t>(start.h + static_cast<int8_t>(q[0]))};
        }
        const Point a = MapPoint(l, start), b = MapPoint(l, end);
        MoveT(a.h, a.v);
        l.lineEnd = end;
        LineT(b.h, b.v);
        break;
    }
    case 0x0028: {
        l.textOrigin = PointAt(p);
        l.lineEnd = l.textOrigin;
        const Point at = MapPoint(l, l.textOrigin);
        MoveT(at.h, at.v);
        DrawPictText(l, p + 5, std::min<int32_t>(p[4], size - 5));
        break;
    }
    case 0x0029: case 0x002A: case 0x002B: {
        int16_t dh = 0, dv = 0;
        const uint8_t *q = p;
        if (op != 0x002A)
            dh = *q++;
        if (op != 0x0029)
            dv = *q++;
        const int32_t count = std::min<int32_t>(*q, size - static_cast<int32_t>(q - p) - 1);
        ++q;
        const Point pen = port->pnLoc;
        if (dv == 0 && pen.h == l.textStart.h && pen.v == l.textStart.v && l.textWidth >= 0 &&
            dh >= l.textWidth - 20 && dh <= l.textWidth + 20) {
            MoveT(l.textEnd.h, l.textEnd.v);
        } else {
            l.textOrigin.h = static_cast<int16_t>(l.textOrigin.h + dh);
            l.textOrigin.v = static_cast<int16_t>(l.textOrigin.v + dv);
            l.lineEnd = l.textOrigin;
            const Point at = MapPoint(l, l.textOrigin);
            MoveT(at.h, at.v);
        }
        DrawPictText(l, q, count);
        break;
    }
    case 0x002C: {
        // The data length, the font number and the name: the name's own length byte stays inside.
        if (size < 5)
            break;
        const int16_t number = Word(p + 2);
        Str255 name;
        const int32_t length = std::min<int32_t>(p[4], size - 5);
        name[0] = static_cast<uint8_t>(length);
        std::memcpy(name + 1, p + 5, static_cast<size_t>(length));
        PictFontMap(kPictFontMapAddByName, number, name);
        break;
    }
    case 0x00A0: PassComment(Word(p), 0, nullptr); break;
    case 0x00A1: {
        const int16_t kind = Word(p);
        const int32_t payload = std::min<int32_t>(PictWordAt(p + 2), size - 4);
        if (payload <= 0) {
            PassComment(kind, 0, nullptr);
            break;
        }
        Handle h = NewHandle(payload);
        if (!HandleHasData(h)) {
            if (h)
                DisposeHandle(h);
            break;
        }
        std::memcpy(*h, p + 4, static_cast<size_t>(payload));
        SwapPictCommentPayload(kind, reinterpret_cast<uint8_t *>(*h), payload);
        PassComment(kind, static_cast<int16_t>(payload), h);
        DisposeHandle(h);
        break;
    }
    case 0x0090: case 0x0091: case 0x0098: case 0x0099: case 0x009A: case 0x009B:
        PlayPictBits(op, p, size);
        SetLibrarySetting(settingPictureBitsPlayed, 1);
        break;
    default:
        break;
    }
    return true;
}

// The state a picture may change and state pushing puts back.
struct SavedPortState {
    Point pnLoc, pnSize;
    int16_t pnMode, pnVis, txFont, txMode, txSize;
    Style txFace;
    Fixed spExtra;
    int32_t fgColor, bkColor;
    int16_t colrBit;
    RGBColor rgbFg, rgbBk;
    Pattern bkPat, pnPat, fillPat;
    PixPatHandle pix[3];
    PixPatHandle own[3]; // the port's own plain patterns (background, pen, fill)
};

// The port record's own plain pattern of each kind, in the order background, pen, fill.
PixPatHandle *OwnPixPats(PortDCRecord *record, int which)
{
    return which == 0 ? &record->ownBackPixPat : which == 1 ? &record->ownPenPixPat : &record->ownFillPixPat;
}

void SavePortState(SavedPortState &s)
{
    GrafPtr port = CurrentPort();
    s.pnLoc = port->pnLoc;
    s.pnSize = port->pnSize;
    s.pnMode = port->pnMode;
    s.pnVis = port->pnVis;
    s.txFont = port->txFont;
    s.txFace = port->txFace;
    s.txMode = port->txMode;
    s.txSize = port->txSize;
    s.spExtra = port->spExtra;
    s.fgColor = port->fgColor;
    s.bkColor = port->bkColor;
    s.colrBit = port->colrBit;
    if (IsColorPort(port)) {
        CGrafPtr c = reinterpret_cast<CGrafPtr>(port);
        s.rgbFg = c->rgbFgColor;
        s.rgbBk = c->rgbBkColor;
        // The port draws with copies for the time; its own patterns come back at the end.
        s.pix[0] = c->bkPixPat;
        s.pix[1] = c->pnPixPat;
        s.pix[2] = c->fillPixPat;
        // A one-bit pattern set during playback is written into the port's own plain pattern: the
        // copies stand in for those too, so that the port's own come back unchanged.
        PortDCRecord *record = CurrentPortRecord();
        for (int i = 0; i < 3; ++i) {
            PixPatHandle copy = NewPixPat();
            if (copy && s.pix[i])
                CopyPixPat(s.pix[i], copy);
            (i == 0 ? c->bkPixPat : i == 1 ? c->pnPixPat : c->fillPixPat) = copy;
            s.own[i] = record ? *OwnPixPats(record, i) : nullptr;
            if (record)
                *OwnPixPats(record, i) = copy;
        }
    } else {
        s.bkPat = port->bkPat;
        s.pnPat = port->pnPat;
        s.fillPat = port->fillPat;
    }
    MoveT(0, 0);
    PenNormal();
    TextFont(0);
    TextFace(0);
    TextMode(srcOr);
    TextSize(0);
    SpaceExtra(0);
}

void RestorePortState(const SavedPortState &s)
{
    GrafPtr port = CurrentPort();
    const bool recording = PictRecordingEnabled();
    SetPictRecordingEnabled(false);
    if (PortDCRecord *record = CurrentPortRecord())
        ResetPortDCCache(record);
    MoveT(s.pnLoc.h, s.pnLoc.v);
    PenSize(s.pnSize.h, s.pnSize.v);
    PenMode(s.pnMode);
    port->pnVis = s.pnVis;
    TextFont(s.txFont);
    TextFace(s.txFace);
    TextMode(s.txMode);
    TextSize(s.txSize);
    SpaceExtra(s.spExtra);
    ForeColor(s.fgColor);
    BackColor(s.bkColor);
    port->colrBit = s.colrBit;
    if (IsColorPort(port)) {
        CGrafPtr c = reinterpret_cast<CGrafPtr>(port);
        RGBForeColor(&s.rgbFg);
        RGBBackColor(&s.rgbBk);
        PixPatHandle *fields[3] = {&c->bkPixPat, &c->pnPixPat, &c->fillPixPat};
        for (int i = 0; i < 3; ++i) {
            PixPatHandle current = *fields[i];
            *fields[i] = s.pix[i];
            if (current && current != s.pix[i])
                DisposePixPat(current);
            // The copy, or an own pattern made in its place, goes with the playback.
            if (PortDCRecord *record = CurrentPortRecord()) {
                PixPatHandle *own = OwnPixPats(record, i);
                if (*own && *own != s.own[i] && *own != s.pix[i])
                    DisposePixPat(*own);
                *own = s.own[i];
            }
        }
        InvalidatePortBrushes();
    } else {
        BackPat(&s.bkPat);
        PenPat(&s.pnPat);
        SetPortFillPat(&s.fillPat);
    }
    SetPictRecordingEnabled(recording);
}

// Reads and plays the opcodes of one level until the end opcode, the end of the stream or a bad
// operand.
void PlayStream(PlayLevel &l)
{
    std::vector<uint8_t> operand;
    const int16_t version = l.version;
    for (int guard = 0; !AtEnd(l); ++guard) {
        const int32_t at = l.position;
        const size_t left = static_cast<size_t>(l.length - at);
        uint16_t op;
        const int32_t opBytes = ReadPictOpcode(version, l.base + at, left, &op);
        if (opBytes == kPictBad)
            break;
        uint8_t opBuffer[2];
        ReadBytes(l, opBuffer, opBytes);
        if (op == kPictOpEnd)
            break;
        const int32_t size = PictOperandSize(version, op, l.base + l.position, left - static_cast<size_t>(opBytes));
        if (size == kPictBad)
            break;
        const int32_t pad = version == 2 ? (size & 1) : 0;
        operand.resize(static_cast<size_t>(size) + 2);
        if (ReadBytes(l, operand.data(), size + pad) < size)
            break;
        if (!PlayOpcode(l, op, operand.data(), size))
            break;
        (void)guard;
    }
}

} // namespace

ZEL_EXTERN_C void ZEL_CALL DrawPicture(PicHandle pic, const Rect *dstRect)
{
    GrafPtr port = CurrentPort();
    Handle h = reinterpret_cast<Handle>(pic);
    if (!pic || !dstRect || !port || !HandleHasData(h))
        return;
    if (GetHandleCBit(h)) {
        DrawDibPicture(pic, dstRect);
        return;
    }
    const Size handleSize = GetHandleSize(h);
    PictFraming framing;
    if (handleSize < kPictHeaderBytes ||
        ReadPictFraming(reinterpret_cast<const uint8_t *>(*h), static_cast<size_t>(handleSize), &framing) == kPictBad)
        return;
    // An empty or inverted frame would map by a zero or negative size.
    const Rect &f = PictHeaderSetsFrame(framing) ? framing.srcRect : framing.frame;
    if (f.right <= f.left || f.bottom <= f.top || dstRect->right <= dstRect->left || dstRect->bottom <= dstRect->top)
        return;
    InvalidatePortBrushes();

    // The port's clip: playback stays inside it and inside dstRect.
    RgnHandle savedClip = NewRgn();
    RgnHandle limit = NewRgn();
    if (!savedClip || !limit) {
        if (savedClip)
            DisposeRgn(savedClip);
        if (limit)
            DisposeRgn(limit);
        return;
    }
    GetClip(savedClip);
    RectRgn(limit, dstRect);
    SectRgn(limit, savedClip, limit);
    // A picture being recorded plays whatever the clip, so that it is recorded; otherwise nothing
    // outside the clip is played.
    if (port->pnVis >= 0 && EmptyRgn(limit)) {
        DisposeRgn(savedClip);
        DisposeRgn(limit);
        return;
    }

    SavedPortState pushed{};
    if (sStatePushAllowed)
        SavePortState(pushed);

    PlayLevel level;
    PlayLevel *outer = sLevel;
    const bool outerPlaying = sPictPlaying;
    level.picture = h;
    level.getPic = port->grafProcs && port->grafProcs->getPicProc ? port->grafProcs->getPicProc : StdGetPic;
    level.length = handleSize - kPictHeaderBytes;
    level.clipLimit = limit;
    level.dstRect = *dstRect;
    level.version = framing.version == 1 ? 1 : 2;
    level.srcFrame = framing.frame;
    // An extended header with its resolutions and srcRect: srcRect is the frame, in whatever
    // resolution the picture was drawn (OpenCPicture also keeps it as picFrame).
    if (PictHeaderSetsFrame(framing))
        level.srcFrame = framing.srcRect;
    std::memset(level.fillPat.pat, 0xFF, 8);
    level.nonUniform = LibrarySetting(settingDrawPictureSwitch) != 0 &&
                       int64_t(level.srcFrame.right - level.srcFrame.left) * (dstRect->bottom - dstRect->top) !=
                           int64_t(dstRect->right - dstRect->left) * (level.srcFrame.bottom - level.srcFrame.top);
    sLevel = &level;

    // Begin: the clip is the limit until the picture sets its own; pen at the origin, normal pen.
    const Point savedPen = port->pnLoc;
    const Point savedOrigin{port->portRect.top, port->portRect.left};
    SetClip(limit);
    sPictPlaying = true;
    const bool recording = PictRecordingEnabled();
    DeselectPortBrush(false);
    MoveT(0, 0);
    PenSize(1, 1);
    PenMode(patCopy);
    PictFontMap(kPictFontMapPush, 0, nullptr);

    // The bytes before the first opcode are read too, so that a counting getPicProc sees the whole
    // stream.
    std::vector<uint8_t> prefix(static_cast<size_t>(std::max<int32_t>(0, framing.firstOpcode - kPictHeaderBytes)));
    level.base = reinterpret_cast<const uint8_t *>(*h) + kPictHeaderBytes;
    ReadBytes(level, prefix.data(), static_cast<int32_t>(prefix.size()));
    PlayStream(level);

    // End of this level.
    PictFontMap(kPictFontMapPop, 0, nullptr);
    SetPictRecordingEnabled(false);
    if (IsColorPort(port)) {
        CGrafPtr c = reinterpret_cast<CGrafPtr>(port);
        PixPatHandle *fields[3] = {&c->bkPixPat, &c->pnPixPat, &c->fillPixPat};
        PortDCRecord *record = CurrentPortRecord();
        for (int i = 0; i < 3; ++i) {
            if (!level.replaced[i])
                continue;
            const PixPatHandle owned = record ? *OwnPixPats(record, i) : nullptr;
            PixPatHandle current = *fields[i];
            *fields[i] = level.portPixPat[i];
            // A one-bit pattern opcode puts the port's own plain pattern back in the field, which may be
            // the very one the port had before: that stays the port's. The pixel pattern it displaced
            // is this playback's.
            const PixPatHandle made[2] = {current, level.playPixPat[i] != current ? level.playPixPat[i] : nullptr};
            for (PixPatHandle m : made)
                if (m && m != level.portPixPat[i] && m != owned)
                    DisposePixPat(m);
        }
        InvalidatePortBrushes();
    }
    DeselectPortBrush(false);
    SetPictRecordingEnabled(recording);
    if (port->portRect.left != savedOrigin.h || port->portRect.top != savedOrigin.v)
        SetOrigin(savedOrigin.h, savedOrigin.v);
    MoveT(savedPen.h, savedPen.v);
    SetClip(savedClip);
    DisposeRgn(savedClip);
    DisposeRgn(limit);
    if (sStatePushAllowed)
        RestorePortState(pushed);
    sLevel = outer;
    sPictPlaying = outerPlaying;
}


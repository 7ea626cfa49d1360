// Picture recording: OpenPicture, OpenCPicture, ClosePicture, KillPicture and StdPutPic, the state that
// remembers what each open picture has already received, the staging of one opcode at a time and the
// recorders that the shape, colour, line and text calls use. Each drawing call recorded into an open
// picture becomes one opcode record, staged in big-endian order and handed whole to the current port's
// putPicProc.
//
// Every picture keeps its own state, found through the port's picSave: two ports recording in turn, or
// a picture opened inside another on the same port, each compare against what they themselves wrote.
#include "imaging.h"
#include "picture_format.h"
#include "MacMemory.h"
#include "Fonts.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <memory>
#include <vector>

namespace {

// ---- Staging ----

std::vector<uint8_t> sStaged;
uint32_t sStagedLimit;  // data bytes the opcode may carry
bool sStagedDropped;    // operands overflowed the announced size: the whole opcode is dropped
bool sRecordingEnabled = true;

QDPutPicProcPtr PutPicProcOf(GrafPtr port)
{
    if (port && port->grafProcs && port->grafProcs->putPicProc)
        return port->grafProcs->putPicProc;
    return StdPutPic;
}

bool Room(size_t count)
{
    if (sStaged.empty() || sStagedDropped)
        return false;
    if (sStaged.size() - 2 + count > sStagedLimit) {
        sStagedDropped = true;
        return false;
    }
    return true;
}

void StageWord(uint16_t word)
{
    sStaged.push_back(static_cast<uint8_t>(word >> 8));
    sStaged.push_back(static_cast<uint8_t>(word));
}

// Hands bytes to the port's put procedure in pieces its 16-bit count can carry (even lengths, so that
// a host procedure never sees an opcode split at an odd offset).
void PutPictData(GrafPtr port, const uint8_t *data, size_t count)
{
    QDPutPicProcPtr put = PutPicProcOf(port);
    while (count > 0) {
        const size_t piece = std::min<size_t>(count, 0x7FFE);
        put(data, static_cast<int16_t>(piece));
        data += piece;
        count -= piece;
    }
}

// ---- The state of each open picture ----

// The last pattern a picture received: its type (0 plain, 1 full pixel pattern, 2 RGB), one-bit form
// and, for an RGB pattern, its colour.
struct RememberedPat {
    int16_t type;
    Pattern pat;
    RGBColor rgb;
};

struct PictRecordState {
    Handle picture;
    GrafPtr port;
    Handle outer;       // the port's picSave when this picture was opened: it records again after the close
    bool opened;        // made by OpenPicture/OpenCPicture (else met on a port that had picSave set by hand)
    RgnHandle lastClip; // the clip last recorded; nil until the first
    Rect lastClipBox;
    RememberedPat bk, pn, fill;
    Point lastLineEnd;
    Point lastPnSize;
    int16_t lastPnMode;
    Rect lastShapeRect;
    Point lastOvSize;
    Point lastOrigin;
    RGBColor lastRGBFg, lastRGBBk;
    PictTextState text;
    std::vector<int16_t> namedFonts;
};

std::vector<std::unique_ptr<PictRecordState>> sStates;
// Pictures attached by hand (picSave set without OpenPicture) get a state of their own; only the last
// few are kept, since nothing says when such a picture ends.
constexpr size_t kAdoptedStates = 8;

void InitRecordState(PictRecordState &s, GrafPtr port)
{
    s.port = port;
    s.lastClip = nullptr;
    s.lastClipBox = Rect{0, 0, 0, 0};
    s.bk = RememberedPat{0, {}, {0xFFFF, 0xFFFF, 0xFFFF}};
    s.pn = RememberedPat{0, {}, {0, 0, 0}};
    s.fill = s.pn;
    std::memset(s.bk.pat.pat, 0x00, 8);
    std::memset(s.pn.pat.pat, 0xFF, 8);
    std::memset(s.fill.pat.pat, 0xFF, 8);
    s.lastLineEnd = Point{0, 0};
    s.lastPnSize = Point{1, 1};
    s.lastPnMode = patCopy;
    s.lastShapeRect = Rect{0, 0, 0, 0};
    s.lastOvSize = Point{-1, -1}; // the first round rectangle always carries its oval size
    s.lastOrigin = Point{port->portRect.top, port->portRect.left};
    s.lastRGBFg = RGBColor{0, 0, 0};
    s.lastRGBBk = RGBColor{0xFFFF, 0xFFFF, 0xFFFF};
    s.text = PictTextState{false, 0, 0, srcOr, 0, 0, Point{1, 1}, Point{1, 1}};
    s.namedFonts.clear();
}

void FreeRecordState(PictRecordState &s)
{
    if (s.lastClip)
        DisposeRgn(s.lastClip);
    s.lastClip = nullptr;
}

std::vector<std::unique_ptr<PictRecordState>>::iterator FindState(Handle picture)
{
    return std::find_if(sStates.begin(), sStates.end(), [&](const auto &s) { return s->picture == picture; });
}

void RemoveState(Handle picture)
{
    auto it = FindState(picture);
    if (it == sStates.end())
        return;
    FreeRecordState(**it);
    sStates.erase(it);
}

PictRecordState *NewState(Handle picture, GrafPtr port, bool opened)
{
    RemoveState(picture);
    if (!opened) {
        size_t adopted = 0;
        for (auto it = sStates.rbegin(); it != sStates.rend(); ++it)
            adopted += !(*it)->opened;
        while (adopted >= kAdoptedStates) {
            auto oldest = std::find_if(sStates.begin(), sStates.end(), [](const auto &s) { return !s->opened; });
            FreeRecordState(**oldest);
            sStates.erase(oldest);
            --adopted;
        }
    }
    auto state = std::make_unique<PictRecordState>();
    state->picture = picture;
    state->outer = nullptr;
    state->opened = opened;
    InitRecordState(*state, port);
    sStates.push_back(std::move(state));
    return sStates.back().get();
}

// The state of the picture open on thePort, nil when none is.
PictRecordState *CurrentState()
{
    GrafPtr port = CurrentPort();
    if (!port || !port->picSave || port->picSave == ScrapPictureMarker())
        return nullptr;
    auto it = FindState(port->picSave);
    if (it != sStates.end())
        return it->get();
    return NewState(port->picSave, port, false);
}

// ---- The picture font map ----

struct FontMapEntry {
    int16_t picture;
    int16_t local;
};
// The current map and the maps of the pictures it interrupted. The stack grows as deep as pictures
// nest; a pop with nothing pushed leaves the map as it is.
std::vector<FontMapEntry> *sFontMap;
std::vector<std::vector<FontMapEntry> *> sFontMapStack;

// ---- Port state ----

bool SameRGB(const RGBColor &a, const RGBColor &b) { return a.red == b.red && a.green == b.green && a.blue == b.blue; }
bool SamePattern(const Pattern &a, const Pattern &b) { return std::memcmp(a.pat, b.pat, 8) == 0; }
bool SameRect(const Rect &a, const Rect &b)
{
    return a.top == b.top && a.left == b.left && a.bottom == b.bottom && a.right == b.right;
}

void WriteRGB(uint16_t opcode, const RGBColor &rgb)
{
    BeginPictOpcode(opcode, sizeof(RGBColor));
    PutPictWords(sizeof(RGBColor), &rgb);
    EndPictOpcode();
}

// A clip that is not a rectangle goes first as the library's comment carrying its Windows region data,
// which a player that knows the comment uses in place of the box.
void RecordClipShape(RgnHandle clip)
{
    if (!HandleHasData(clip) || ZEL_IsRectRgn(clip))
        return;
    HRGN gdi = reinterpret_cast<HRGN>(static_cast<uintptr_t>((*clip)->rgnForm));
    if (gdi == MaskRgnSentinel() || GetObjectType(gdi) != OBJ_REGION)
        return;
    DWORD bytes = GetRegionData(gdi, 0, nullptr);
    if (bytes == 0 || bytes > 0x7FF0)
        return;
    Handle data = NewHandle(static_cast<Size>(bytes));
    if (!HandleHasData(data)) {
        if (data)
            DisposeHandle(data);
        return;
    }
    if (GetRegionData(gdi, bytes, reinterpret_cast<RGNDATA *>(*data)) == bytes)
        PicComment(kPictClipRegionComment, static_cast<int16_t>(bytes), data);
    DisposeHandle(data);
}

void RecordClip(PictRecordState &s, GrafPtr port)
{
    RgnHandle clip = port->clipRgn;
    if (!HandleHasData(clip))
        return;
    if (s.lastClip && EqualRg(s.lastClip, clip))
        return;
    if (!s.lastClip) {
        s.lastClip = NewRgn();
        if (!s.lastClip)
            return;
    }
    CopyRg(clip, s.lastClip);
    s.lastClipBox = (*clip)->rgnBBox;
    RecordClipShape(clip);
    int16_t box[5] = {10, s.lastClipBox.top, s.lastClipBox.left, s.lastClipBox.bottom, s.lastClipBox.right};
    BeginPictOpcode(kPictOpClip, sizeof box);
    PutPictWords(sizeof box, box);
    EndPictOpcode();
}

// One of the three patterns: a black-and-white port's bytes, or a colour port's PixPat by its type
// (plain patterns with the plain opcode, RGB patterns with the pixel opcode, full pixel patterns by
// their one-bit form), written when anything of it changed, a change of type included.
void RecordPattern(RememberedPat &last, GrafPtr port, const Pattern &plain, PixPatHandle pixPat, uint16_t plainOp,
                   uint16_t pixelOp)
{
    RememberedPat now{0, plain, last.rgb};
    if (IsColorPort(port)) {
        if (!HandleHasData(pixPat))
            return;
        const PixPat &pp = **pixPat;
        now.type = pp.patType == 2 ? 2 : pp.patType == 1 ? 1 : 0;
        now.pat = pp.pat1Data;
        if (now.type == 2)
            now.rgb = pp.patRGB;
    }
    if (now.type == 2) {
        if (last.type == 2 && SamePattern(last.pat, now.pat) && SameRGB(last.rgb, now.rgb))
            return;
        const int16_t type = 2;
        BeginPictOpcode(pixelOp, 16);
        PutPictWords(2, &type);
        PutPictBytes(8, now.pat.pat);
        PutPictWords(sizeof(RGBColor), &now.rgb);
        EndPictOpcode();
    } else {
        if (last.type != 2 && last.type == now.type && SamePattern(last.pat, now.pat))
            return;
        BeginPictOpcode(plainOp, 8);
        PutPictBytes(8, now.pat.pat);
        EndPictOpcode();
    }
    last = now;
}

} // namespace

// ---- The clipboard picture ----

namespace {
Handle sScrapPicture;
}

Handle ScrapPictureMarker() { return sScrapPicture; }
void SetScrapPictureMarker(Handle picture) { sScrapPicture = picture; }
void ClearScrapPictureMarker() { sScrapPicture = nullptr; }

// ---- Staging ----

void SetPictRecordingEnabled(bool on) { sRecordingEnabled = on; }
bool PictRecordingEnabled() { return sRecordingEnabled; }

void BeginPictOpcode(uint16_t opcode, uint16_t maxSize)
{
    sStaged.clear();
    sStaged.reserve(2u + maxSize + 1u);
    sStagedLimit = maxSize;
    sStagedDropped = false;
    StageWord(opcode);
}

void PutPictWords(uint16_t count, const void *data)
{
    const uint8_t *bytes = static_cast<const uint8_t *>(data);
    if (!Room(count & ~1u))
        return;
    for (uint16_t i = 0; i + 1 < count; i += 2)
        StageWord(static_cast<uint16_t>(bytes[i] | (bytes[i + 1] << 8)));
}

void PutPictBytes(uint16_t count, const void *data)
{
    if (!Room(count))
        return;
    const uint8_t *bytes = static_cast<const uint8_t *>(data);
    sStaged.insert(sStaged.end(), bytes, bytes + count);
}

void PutPictLong(uint32_t value)
{
    if (!Room(4))
        return;
    StageWord(static_cast<uint16_t>(value >> 16));
    StageWord(static_cast<uint16_t>(value));
}

void EndPictOpcode()
{
    if (sStaged.empty())
        return;
    const bool drop = sStagedDropped || !sRecordingEnabled;
    if (sStaged.size() & 1)
        sStaged.push_back(0);
    GrafPtr port = CurrentPort();
    if (!drop && port && port->picSave)
        PutPictData(port, sStaged.data(), sStaged.size());
    sStaged.clear();
    sStagedDropped = false;
}

// ---- Opening and closing ----

namespace {

// Attaches a new picture to thePort: the 10-byte handle with its header big-endian, the prefix, the
// state started and the port state recorded, the pen hidden.
PicHandle BeginPicture(const Rect &frame, const uint8_t *prefix)
{
    GrafPtr port = CurrentPort();
    if (!port)
        return nullptr;
    Handle h = NewHandle(kPictHeaderBytes);
    if (!HandleHasData(h)) {
        if (h)
            DisposeHandle(h);
        return nullptr;
    }
    uint8_t *header = reinterpret_cast<uint8_t *>(*h);
    PutPictWordAt(header, kPictHeaderBytes);
    PutPictRectAt(header + 2, frame);
    PictRecordState *state = NewState(h, port, true);
    state->outer = port->picSave;
    port->picSave = h;
    PictFontMap(kPictFontMapPush, 0, nullptr);
    PutPictData(port, prefix + kPictHeaderBytes, kPictPrefixBytes - kPictHeaderBytes);
    RecordPictPortState();
    HidePen();
    return reinterpret_cast<PicHandle>(h);
}

// Ends the recording of `picture` on its port: the state goes, the port records into the picture it
// interrupted (if any), and the pen is shown again.
void EndRecording(PictRecordState *state)
{
    GrafPtr port = state->port;
    Handle outer = state->outer;
    Handle picture = state->picture;
    RemoveState(picture);
    PictFontMap(kPictFontMapPop, 0, nullptr);
    GrafPtr current = CurrentPort();
    if (port && port->picSave == picture) {
        port->picSave = outer;
        if (current != port)
            SetPor(port);
        ShowPen();
        if (current != port)
            SetPor(current);
    }
}

} // namespace

ZEL_EXTERN_C PicHandle ZEL_CALL OpenPicture(const Rect *picFrame)
{
    if (!picFrame || !CurrentPort())
        return nullptr;
    uint8_t prefix[kPictPrefixBytes];
    PutPictPrefix(prefix, *picFrame);
    return BeginPicture(*picFrame, prefix);
}

ZEL_EXTERN_C PicHandle ZEL_CALL OpenCPicture(const OpenCPicParams *params)
{
    if (!params || !CurrentPort())
        return nullptr;
    uint8_t prefix[kPictPrefixBytes];
    PutPictExtendedPrefix(prefix, params->srcRect, params->hRes, params->vRes);
    return BeginPicture(params->srcRect, prefix);
}

ZEL_EXTERN_C void ZEL_CALL ClosePicture(void)
{
    GrafPtr port = CurrentPort();
    if (!port || !port->picSave)
        return;
    Handle h = port->picSave;
    if (h == ScrapPictureMarker()) {
        ClearScrapPictureMarker();
        PictFontMap(kPictFontMapPop, 0, nullptr);
        port->picSave = nullptr;
        ShowPen();
        return;
    }
    auto it = FindState(h);
    if (it == sStates.end() || !(*it)->opened)
        return; // attached by hand: nothing here opened it
    if (HandleHasData(h)) {
        if (GetHandleSize(h) & 1) {
            const uint8_t pad = 0;
            PutPictData(port, &pad, 1);
        }
        const uint8_t end[2] = {0x00, 0xFF};
        PutPictData(port, end, 2);
        if (HandleHasData(h) && GetHandleSize(h) >= kPictHeaderBytes)
            SwapPictHeader(reinterpret_cast<uint8_t *>(*h));
    }
    EndRecording(it->get());
}

ZEL_EXTERN_C void ZEL_CALL KillPicture(PicHandle pic)
{
    if (!pic)
        return;
    Handle h = reinterpret_cast<Handle>(pic);
    auto it = FindState(h);
    if (it != sStates.end()) {
        if ((*it)->opened)
            EndRecording(it->get());
        else
            RemoveState(h);
    }
    DisposeHandle(h);
}

ZEL_EXTERN_C void ZEL_CALL StdPutPic(const void *dataPtr, int16_t byteCount)
{
    GrafPtr port = CurrentPort();
    const uint16_t count = static_cast<uint16_t>(byteCount);
    if (!port || !dataPtr || count == 0)
        return;
    Handle h = port->picSave;
    if (!h || h == ScrapPictureMarker() || !HandleHasData(h))
        return;
    const Size old = GetHandleSize(h);
    if (old < 0)
        return;
    const Size total = old + count;
    if (!SetHandleSize(h, total) || GetHandleSize(h) != total) {
        // The picture cannot grow: it stays empty, and later appends and the close find no data.
        EmptyHandle(h);
        return;
    }
    uint8_t *pic = reinterpret_cast<uint8_t *>(*h);
    std::memcpy(pic + old, dataPtr, count);
    StorePictSize(pic, static_cast<size_t>(total), static_cast<uint32_t>(total));
}

void ExitPictRecording()
{
    for (auto &s : sStates)
        FreeRecordState(*s);
    sStates.clear();
    sStaged.clear();
    sStaged.shrink_to_fit();
    delete sFontMap;
    sFontMap = nullptr;
    for (auto *map : sFontMapStack)
        delete map;
    sFontMapStack.clear();
    sRecordingEnabled = true;
}

// ---- The picture font map ----

int16_t PictFontMap(PictFontMapOp op, int16_t number, ConstStr255Param name)
{
    switch (op) {
    case kPictFontMapPush:
        if (sFontMap)
            sFontMapStack.push_back(sFontMap);
        sFontMap = new std::vector<FontMapEntry>();
        return 0;
    case kPictFontMapPop:
        delete sFontMap;
        sFontMap = nullptr;
        if (!sFontMapStack.empty()) {
            sFontMap = sFontMapStack.back();
            sFontMapStack.pop_back();
        }
        return 0;
    case kPictFontMapLookUp:
        if (sFontMap)
            for (const FontMapEntry &e : *sFontMap)
                if (e.picture == number)
                    return e.local;
        return number;
    case kPictFontMapAddByName:
    case kPictFontMapAddAsItself: {
        if (!sFontMap)
            sFontMap = new std::vector<FontMapEntry>();
        int16_t local = number;
        if (op == kPictFontMapAddByName && name)
            GetFNum(name, &local);
        for (FontMapEntry &e : *sFontMap) {
            if (e.picture == number) {
                if (op == kPictFontMapAddByName)
                    e.local = local;
                return 0;
            }
        }
        sFontMap->push_back(FontMapEntry{number, local});
        return 1;
    }
    }
    return 0;
}

size_t PictFontMapDepth() { return sFontMapStack.size() + (sFontMap ? 1 : 0); }

// ---- Text ----

PictTextState &CurrentPictTextState()
{
    static PictTextState none;
    PictRecordState *s = CurrentState();
    if (!s) {
        none = PictTextState{false, 0, 0, srcOr, 0, 0, Point{1, 1}, Point{1, 1}};
        return none;
    }
    return s->text;
}

bool PictFontIsNew(int16_t font)
{
    PictRecordState *s = CurrentState();
    if (!s || std::find(s->namedFonts.begin(), s->namedFonts.end(), font) != s->namedFonts.end())
        return false;
    s->namedFonts.push_back(font);
    return true;
}

// ---- Recorders ----

int RecordPictPortState()
{
    PictRecordState *s = CurrentState();
    if (!s)
        return 0;
    GrafPtr port = CurrentPort();
    if (IsColorPort(port) && LibrarySetting(settingColorSwitch) != 0) {
        CGrafPtr cport = reinterpret_cast<CGrafPtr>(port);
        if (!SameRGB(cport->rgbFgColor, s->lastRGBFg)) {
            s->lastRGBFg = cport->rgbFgColor;
            WriteRGB(0x001A, s->lastRGBFg);
        }
        if (!SameRGB(cport->rgbBkColor, s->lastRGBBk)) {
            s->lastRGBBk = cport->rgbBkColor;
            WriteRGB(0x001B, s->lastRGBBk);
        }
    }
    const Point origin{port->portRect.top, port->portRect.left};
    if (origin.h != s->lastOrigin.h || origin.v != s->lastOrigin.v) {
        const int16_t delta[2] = {static_cast<int16_t>(origin.h - s->lastOrigin.h),
                                  static_cast<int16_t>(origin.v - s->lastOrigin.v)};
        BeginPictOpcode(0x000C, sizeof delta);
        PutPictWords(sizeof delta, delta);
        EndPictOpcode();
        s->lastOrigin = origin;
        // The player keeps the last shape mapped through the frame of its time: after an origin change
        // the next shape goes with its own rectangle.
        s->lastShapeRect = Rect{0, 0, 0, 0};
    }
    RecordClip(*s, port);
    return 1;
}

void RecordPictVerbState(GrafVerb verb)
{
    PictRecordState *s = CurrentState();
    if (!s)
        return;
    GrafPtr port = CurrentPort();
    CGrafPtr cport = reinterpret_cast<CGrafPtr>(port);
    const bool colour = IsColorPort(port);
    switch (verb) {
    case 0: // frame
        if (port->pnSize.h != s->lastPnSize.h || port->pnSize.v != s->lastPnSize.v) {
            BeginPictOpcode(0x0007, sizeof(Point));
            PutPictWords(sizeof(Point), &port->pnSize);
            EndPictOpcode();
            s->lastPnSize = port->pnSize;
        }
        [[fallthrough]];
    case 1: // paint
        if (port->pnMode != s->lastPnMode) {
            BeginPictOpcode(0x0008, 2);
            PutPictWords(2, &port->pnMode);
            EndPictOpcode();
            s->lastPnMode = port->pnMode;
        }
        RecordPattern(s->pn, port, port->pnPat, colour ? cport->pnPixPat : nullptr, 0x0009, 0x0013);
        break;
    case 2: // erase
        RecordPattern(s->bk, port, port->bkPat, colour ? cport->bkPixPat : nullptr, 0x0002, 0x0012);
        break;
    case 4: // fill
        RecordPattern(s->fill, port, port->fillPat, colour ? cport->fillPixPat : nullptr, 0x000A, 0x0014);
        break;
    default:
        break;
    }
}

void RecordPictRectOp(uint16_t opcode, const Rect *rect)
{
    PictRecordState *s = CurrentState();
    if (!rect)
        return;
    if (s && SameRect(*rect, s->lastShapeRect)) {
        BeginPictOpcode(static_cast<uint16_t>(opcode + 8), 0);
        EndPictOpcode();
        return;
    }
    BeginPictOpcode(opcode, sizeof(Rect));
    PutPictWords(sizeof(Rect), rect);
    EndPictOpcode();
    if (s)
        s->lastShapeRect = *rect;
}

void RecordPictOvalSize(int16_t ovalWidth, int16_t ovalHeight)
{
    PictRecordState *s = CurrentState();
    if (!s || (s->lastOvSize.h == ovalWidth && s->lastOvSize.v == ovalHeight))
        return;
    const Point size{ovalHeight, ovalWidth};
    BeginPictOpcode(0x000B, sizeof size);
    PutPictWords(sizeof size, &size);
    EndPictOpcode();
    s->lastOvSize = size;
}

void RecordPictLineOp(Point from, Point to)
{
    PictRecordState *s = CurrentState();
    if (!s)
        return;
    const int dh = to.h - from.h;
    const int dv = to.v - from.v;
    const bool fromLastEnd = from.h == s->lastLineEnd.h && from.v == s->lastLineEnd.v;
    const bool shortForm = dh >= -128 && dh <= 127 && dv >= -128 && dv <= 127;
    const uint16_t opcode = static_cast<uint16_t>(0x0020 | (fromLastEnd ? 1 : 0) | (shortForm ? 2 : 0));
    BeginPictOpcode(opcode, 8);
    if (!fromLastEnd)
        PutPictWords(sizeof from, &from);
    if (shortForm) {
        const int8_t deltas[2] = {static_cast<int8_t>(dh), static_cast<int8_t>(dv)};
        PutPictBytes(sizeof deltas, deltas);
    } else {
        PutPictWords(sizeof to, &to);
    }
    EndPictOpcode();
    s->lastLineEnd = to;
}

void RecordPictPolyOp(uint16_t opcode, PolyHandle poly)
{
    if (!poly || !*poly)
        return;
    const struct Polygon &p = **poly;
    int32_t bytes = std::min<int32_t>(p.polySize, GetHandleSize(reinterpret_cast<Handle>(poly)));
    bytes = 10 + (bytes - 10) / 4 * 4;
    if (bytes < 10)
        return;
    int16_t size = static_cast<int16_t>(bytes);
    BeginPictOpcode(opcode, static_cast<uint16_t>(bytes));
    PutPictWords(2, &size);
    PutPictWords(static_cast<uint16_t>(bytes - 2), reinterpret_cast<const uint8_t *>(&p) + 2);
    EndPictOpcode();
}

namespace {

// The rows of a region's inversion points, as a picture stores a region that is not a rectangle: for
// each row where coverage changes, its v, the h of every change against the row above, 0x7FFF; then
// 0x7FFF. Built from the region's rectangles, which GDI gives in bands of rows sharing their spans.
std::vector<int16_t> InversionRows(const RECT *rects, DWORD count)
{
    std::vector<int16_t> rows, edges, band, changes;
    int16_t top = 0, bottom = 0;
    auto flush = [&](int16_t v, const std::vector<int16_t> &now) {
        changes.clear();
        std::set_symmetric_difference(edges.begin(), edges.end(), now.begin(), now.end(), std::back_inserter(changes));
        if (!changes.empty()) {
            rows.push_back(v);
            rows.insert(rows.end(), changes.begin(), changes.end());
            rows.push_back(0x7FFF);
        }
        edges = now;
    };
    const std::vector<int16_t> none;
    for (DWORD i = 0; i <= count; ++i) {
        const bool sameBand = i < count && !band.empty() && rects[i].top == top && rects[i].bottom == bottom;
        if (i < count && sameBand) {
            band.push_back(static_cast<int16_t>(rects[i].left));
            band.push_back(static_cast<int16_t>(rects[i].right));
            continue;
        }
        if (!band.empty()) {
            // Spans that touch share an edge, which then is no change at all.
            std::sort(band.begin(), band.end());
            std::vector<int16_t> merged;
            for (int16_t h : band)
                if (!merged.empty() && merged.back() == h)
                    merged.pop_back();
                else
                    merged.push_back(h);
            flush(top, merged);
            if (i == count || rects[i].top != bottom)
                flush(bottom, none);
        }
        band.clear();
        if (i < count) {
            top = static_cast<int16_t>(rects[i].top);
            bottom = static_cast<int16_t>(rects[i].bottom);
            band.push_back(static_cast<int16_t>(rects[i].left));
            band.push_back(static_cast<int16_t>(rects[i].right));
        }
    }
    rows.push_back(0x7FFF);
    return rows;
}

} // namespace

void RecordPictRgnOp(uint16_t opcode, RgnHandle rgn)
{
    if (!HandleHasData(rgn))
        return;
    const Region &r = **rgn;
    std::vector<int16_t> words{10, r.rgnBBox.top, r.rgnBBox.left, r.rgnBBox.bottom, r.rgnBBox.right};
    // A region in rectangle or mask form is recorded as its box.
    HRGN gdi = reinterpret_cast<HRGN>(static_cast<uintptr_t>(r.rgnForm));
    if (gdi && gdi != RectRgnSentinel() && gdi != MaskRgnSentinel() && GetObjectType(gdi) == OBJ_REGION) {
        const DWORD bytes = GetRegionData(gdi, 0, nullptr);
        std::vector<uint8_t> data(bytes);
        auto *rd = reinterpret_cast<RGNDATA *>(data.data());
        if (bytes >= sizeof(RGNDATAHEADER) && GetRegionData(gdi, bytes, rd) == bytes && rd->rdh.nCount > 1) {
            const std::vector<int16_t> rows =
                InversionRows(reinterpret_cast<const RECT *>(rd->Buffer), rd->rdh.nCount);
            // A region stays under the 32 KB a size word can count; a larger one keeps its box.
            if (10 + 2 * rows.size() <= 0x7FFE)
                words.insert(words.end(), rows.begin(), rows.end());
        }
    }
    words[0] = static_cast<int16_t>(2 * words.size());
    BeginPictOpcode(opcode, static_cast<uint16_t>(2 * words.size()));
    PutPictWords(static_cast<uint16_t>(2 * words.size()), words.data());
    EndPictOpcode();
}

void RecordPictArcOp(uint16_t opcode, const Rect *rect, int16_t startAngle, int16_t arcAngle)
{
    const int16_t angles[2] = {startAngle, arcAngle};
    BeginPictOpcode(opcode, sizeof(Rect) + sizeof angles);
    PutPictWords(sizeof(Rect), rect);
    PutPictWords(sizeof angles, angles);
    EndPictOpcode();
}

void RecordPictRGBOp(uint16_t opcode, const RGBColor *rgb)
{
    PictRecordState *s = CurrentState();
    if (!s || !rgb)
        return;
    WriteRGB(opcode, *rgb);
    if (opcode == 0x001A)
        s->lastRGBFg = *rgb;
    else if (opcode == 0x001B)
        s->lastRGBBk = *rgb;
}

void RecordPictColorCode(uint16_t opcode, int32_t code)
{
    if (!CurrentState())
        return;
    BeginPictOpcode(opcode, 4);
    PutPictLong(static_cast<uint32_t>(code));
    EndPictOpcode();
}

void RecordPictComment(int16_t kind, int16_t dataSize, Handle dataHandle)
{
    if (!CurrentState())
        return;
    const int32_t held = HandleHasData(dataHandle) ? GetHandleSize(dataHandle) : 0;
    const int32_t size = dataSize < 0 ? 0 : std::min<int32_t>(dataSize, std::max<int32_t>(held, 0));
    if (dataSize <= 0 || size <= 0) {
        BeginPictOpcode(kPictOpShortComment, 2);
        PutPictWords(2, &kind);
        EndPictOpcode();
        return;
    }
    std::vector<uint8_t> payload(reinterpret_cast<const uint8_t *>(*dataHandle),
                                 reinterpret_cast<const uint8_t *>(*dataHandle) + size);
    SwapPictCommentPayload(kind, payload.data(), size);
    const int16_t words[2] = {kind, static_cast<int16_t>(size)};
    BeginPictOpcode(kPictOpLongComment, static_cast<uint16_t>(4 + size));
    PutPictWords(sizeof words, words);
    PutPictBytes(static_cast<uint16_t>(size), payload.data());
    EndPictOpcode();
}


// ---- CopyBits ----

namespace {

// The source pixels of a recorded transfer, in memory: the PixMap's own rows, or a 32-bit copy of a
// device's or a bitmap's pixels.
struct BitsSource {
    const uint8_t *base;
    int32_t rowBytes;
    Rect bounds;
    int16_t pixelSize;
    int16_t cmpCount;
    bool direct;
    bool pixMap;
    CTabHandle table;
    Fixed hRes, vRes;
};

int32_t EvenBytes(int64_t bits) { return static_cast<int32_t>(((bits + 7) / 8 + 1) & ~1); }

// Pixel x (from 0) of a row of `depth` bits, high bits first.
uint8_t SubBytePixel(const uint8_t *row, int32_t x, int16_t depth)
{
    const int32_t bit = x * depth;
    const int shift = 8 - depth - (bit & 7);
    return static_cast<uint8_t>((row[bit >> 3] >> shift) & ((1 << depth) - 1));
}
void SetSubBytePixel(uint8_t *row, int32_t x, int16_t depth, uint8_t value)
{
    const int32_t bit = x * depth;
    const int shift = 8 - depth - (bit & 7);
    row[bit >> 3] = static_cast<uint8_t>(row[bit >> 3] | (value << shift));
}

// Copies w pixels from column `left` of a source row into `out` starting at pixel 0 (sub-byte pixels
// shifted to the row's start). `out` is zeroed first up to `outBytes`.
void ExtractRow(const BitsSource &src, const uint8_t *row, int32_t left, int32_t w, uint8_t *out, int32_t outBytes)
{
    std::memset(out, 0, static_cast<size_t>(outBytes));
    const int16_t depth = src.pixelSize;
    if (depth >= 8) {
        std::memcpy(out, row + static_cast<size_t>(left) * (depth / 8), static_cast<size_t>(w) * (depth / 8));
        return;
    }
    if ((left * depth) % 8 == 0) {
        std::memcpy(out, row + left * depth / 8, static_cast<size_t>((w * depth + 7) / 8));
        const int32_t tail = (w * depth) % 8;
        if (tail)
            out[(w * depth) / 8] &= static_cast<uint8_t>(0xFF << (8 - tail));
        return;
    }
    for (int32_t x = 0; x < w; ++x)
        SetSubBytePixel(out, x, depth, SubBytePixel(row, left + x, depth));
}

void PushWord(std::vector<uint8_t> &out, uint16_t v)
{
    out.push_back(static_cast<uint8_t>(v >> 8));
    out.push_back(static_cast<uint8_t>(v));
}
void PushLong(std::vector<uint8_t> &out, uint32_t v)
{
    PushWord(out, static_cast<uint16_t>(v >> 16));
    PushWord(out, static_cast<uint16_t>(v));
}
void PushRect(std::vector<uint8_t> &out, const Rect &r)
{
    PushWord(out, static_cast<uint16_t>(r.top));
    PushWord(out, static_cast<uint16_t>(r.left));
    PushWord(out, static_cast<uint16_t>(r.bottom));
    PushWord(out, static_cast<uint16_t>(r.right));
}

// One bits opcode of the columns [left, left + w) and rows [top, top + h) of the source (bounds-relative),
// drawn into `dst`.
bool RecordBitsStrip(GrafPtr port, const BitsSource &src, int32_t left, int32_t top, int32_t w, int32_t h,
                     const Rect &dst, int16_t mode)
{
    std::vector<uint8_t> op;
    PictRowFormat format;
    uint16_t rowBytesWord;
    uint16_t opcode;
    int32_t rowLength;
    if (!src.pixMap || (src.pixelSize == 1 && !src.direct)) {
        rowLength = EvenBytes(w);
        format = PictBitMapRowFormat(static_cast<int16_t>(rowLength), static_cast<int16_t>(w), static_cast<int16_t>(h));
        rowBytesWord = static_cast<uint16_t>(rowLength);
        opcode = rowLength < 8 ? 0x0090 : 0x0098;
        PushWord(op, opcode);
        PushWord(op, rowBytesWord);
        PushRect(op, Rect{0, 0, static_cast<int16_t>(h), static_cast<int16_t>(w)});
    } else {
        const int16_t components = src.direct && src.pixelSize == 32 ? (src.cmpCount == 4 ? 4 : 3) : 1;
        if (!PictRecordedRowFormat(src.pixelSize, static_cast<int16_t>(w), static_cast<int16_t>(h), components,
                                   &format, &rowBytesWord))
            return false;
        rowLength = rowBytesWord & 0x3FFF;
        opcode = src.direct ? 0x009A : 0x0098;
        PushWord(op, opcode);
        if (src.direct)
            PushLong(op, 0x000000FF);
        PushWord(op, rowBytesWord);
        PushRect(op, Rect{0, 0, static_cast<int16_t>(h), static_cast<int16_t>(w)});
        PushWord(op, 0);                                                        // pmVersion
        PushWord(op, src.direct ? (src.pixelSize == 16 ? 3 : 4) : 0);           // packType
        PushLong(op, 0);                                                        // packSize
        PushLong(op, static_cast<uint32_t>(src.hRes ? src.hRes : kPictDefaultRes));
        PushLong(op, static_cast<uint32_t>(src.vRes ? src.vRes : kPictDefaultRes));
        PushWord(op, src.direct ? 16 : 0);                                      // pixelType
        PushWord(op, static_cast<uint16_t>(src.pixelSize));
        PushWord(op, static_cast<uint16_t>(src.direct ? components : 1));       // cmpCount
        PushWord(op, static_cast<uint16_t>(src.direct ? (src.pixelSize == 16 ? 5 : 8) : src.pixelSize));
        PushLong(op, 0);                                                        // planeBytes
        PushLong(op, 0);                                                        // pmTable
        PushLong(op, 0);                                                        // pmReserved
        if (!src.direct) {
            const ColorTable &ct = **src.table;
            const int32_t stored = GetHandleSize(reinterpret_cast<Handle>(src.table));
            const int32_t room = std::max<int32_t>(0, (stored - 8) / static_cast<int32_t>(sizeof(ColorSpec)));
            const int32_t entries = std::min<int32_t>(std::min<int32_t>(ct.ctSize + 1, room), 256);
            PushLong(op, ct.ctSeed);
            PushWord(op, ct.ctFlags);
            PushWord(op, static_cast<uint16_t>(entries - 1));
            for (int32_t i = 0; i < entries; ++i) {
                const ColorSpec &c = ct.ctTable[i];
                PushWord(op, static_cast<uint16_t>(ct.ctFlags & 0x8000 ? i : c.value));
                PushWord(op, c.rgb.red);
                PushWord(op, c.rgb.green);
                PushWord(op, c.rgb.blue);
            }
        }
    }
    PushRect(op, Rect{0, 0, static_cast<int16_t>(h), static_cast<int16_t>(w)});
    PushRect(op, dst);
    PushWord(op, static_cast<uint16_t>(mode));
    const size_t rowsStart = op.size();

    const int32_t decoded = std::max(format.rowBytes, rowLength) + 8;
    std::vector<uint8_t> row(static_cast<size_t>(decoded) + 4 * static_cast<size_t>(w));
    std::vector<uint8_t> packed(static_cast<size_t>(PictPackedRowBound(format)) + 16);
    uint8_t *pixels = row.data();
    for (int32_t y = 0; y < h; ++y) {
        const uint8_t *srcRow = src.base + static_cast<size_t>(top + y) * static_cast<size_t>(src.rowBytes);
        if (PictRowsArePlanes(format)) {
            uint8_t *planes = row.data() + 4 * static_cast<size_t>(w);
            std::memset(planes, 0, static_cast<size_t>(format.rowBytes) + 8);
            SplitPictPlanes(reinterpret_cast<const uint32_t *>(srcRow) + left, w, format.planes, planes);
            pixels = planes;
        } else {
            ExtractRow(src, srcRow, left, w, row.data(), decoded);
            pixels = row.data();
        }
        const int32_t n = PutPictRow(format, pixels, packed.data());
        op.insert(op.end(), packed.begin(), packed.begin() + n);
    }
    if ((op.size() - rowsStart) & 1)
        op.push_back(0);
    if (op.size() & 1)
        op.push_back(0);
    if (sRecordingEnabled)
        PutPictData(port, op.data(), op.size());
    return true;
}

} // namespace

void RecordPictBits(const PixMap *view, bool viewIsDevice, HDC deviceDC, const Rect *srcRect, const Rect *dstRect,
                    int16_t mode)
{
    GrafPtr port = CurrentPort();
    if (!view || !srcRect || !dstRect || !RecordPictPortState())
        return;
    BitsSource src{};
    const bool pixMap = IsPixMapRecord(reinterpret_cast<const BitMap *>(view));
    src.bounds = view->bounds;
    src.pixMap = pixMap;
    src.pixelSize = pixMap ? view->pixelSize : 1;
    src.direct = pixMap && view->pixelType == 16 && view->pixelSize >= 16;
    src.cmpCount = view->cmpCount;
    src.table = pixMap ? view->pmTable : nullptr;
    src.hRes = pixMap ? view->hRes : 0;
    src.vRes = pixMap ? view->vRes : 0;
    src.base = reinterpret_cast<const uint8_t *>(view->baseAddr);
    src.rowBytes = view->rowBytes & 0x3FFF;

    // Clip srcRect to the source's bounds, dstRect by as much (in proportion when the sizes differ).
    Rect s = *srcRect, d = *dstRect;
    const int32_t sw = s.right - s.left, sh = s.bottom - s.top;
    const int32_t dw = d.right - d.left, dh = d.bottom - d.top;
    if (sw <= 0 || sh <= 0 || dw <= 0 || dh <= 0)
        return;
    Rect c{std::max(s.top, src.bounds.top), std::max(s.left, src.bounds.left), std::min(s.bottom, src.bounds.bottom),
           std::min(s.right, src.bounds.right)};
    if (c.right <= c.left || c.bottom <= c.top)
        return;
    d = Rect{static_cast<int16_t>(d.top + (c.top - s.top) * dh / sh), static_cast<int16_t>(d.left + (c.left - s.left) * dw / sw),
             static_cast<int16_t>(d.top + (c.bottom - s.top) * dh / sh), static_cast<int16_t>(d.left + (c.right - s.left) * dw / sw)};

    // Pixels that live in a device or a bitmap are read back first as 32-bit pixels.
    std::vector<uint32_t> copy;
    if (viewIsDevice || reinterpret_cast<uintptr_t>(view->baseAddr) < 0x10000) {
        if (!deviceDC)
            return;
        const int32_t w = c.right - c.left, h = c.bottom - c.top;
        BITMAPINFO info{};
        info.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void *bits = nullptr;
        HBITMAP dib = CreateDIBSection(deviceDC, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        HDC mem = dib ? CreateCompatibleDC(deviceDC) : nullptr;
        if (!mem) {
            if (dib)
                DeleteObject(dib);
            return;
        }
        HGDIOBJ old = SelectObject(mem, dib);
        BitBlt(mem, 0, 0, w, h, deviceDC, c.left - src.bounds.left, c.top - src.bounds.top, SRCCOPY);
        GdiFlush();
        copy.assign(static_cast<const uint32_t *>(bits), static_cast<const uint32_t *>(bits) + static_cast<size_t>(w) * h);
        SelectObject(mem, old);
        DeleteDC(mem);
        DeleteObject(dib);
        src = BitsSource{reinterpret_cast<const uint8_t *>(copy.data()), 4 * w, c, 32, 3, true, true, nullptr, 0, 0};
    }
    if (!src.base || src.rowBytes <= 0)
        return;
    if (src.pixMap && !src.direct && src.pixelSize > 1 && !HandleHasData(src.table))
        return;
    if (src.pixMap && src.direct && src.pixelSize != 16 && src.pixelSize != 32)
        return;

    // Rows longer than the rowBytes field's 14 bits go as strips of columns, each an opcode of its own.
    const int16_t bitsPerPixel = src.pixMap ? src.pixelSize : 1;
    const int32_t maxColumns = (0x3FFE * 8) / bitsPerPixel;
    const int32_t left = c.left - src.bounds.left, top = c.top - src.bounds.top;
    const int32_t w = c.right - c.left, h = c.bottom - c.top;
    const int32_t cw = d.right - d.left;
    for (int32_t x = 0; x < w; x += maxColumns) {
        const int32_t stripW = std::min(maxColumns, w - x);
        Rect strip{d.top, static_cast<int16_t>(d.left + x * cw / w), d.bottom,
                   static_cast<int16_t>(d.left + (x + stripW) * cw / w)};
        if (!RecordBitsStrip(port, src, left + x, top, stripW, h, strip, mode))
            return;
    }
}

// The picture font maps held, for the test programs (by ordinal).
ZEL_EXTERN_C int32_t ZEL_CALL PictFontMapDepthForTest(void) { return static_cast<int32_t>(PictFontMapDepth()); }

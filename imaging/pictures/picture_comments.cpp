// Picture comments: PicComment and its bottleneck StdComment. A comment is recorded into the picture
// open on the port and, on the print job's DC, acted on: line width, rotation and, on a PostScript
// printer, PostScript sent straight to the printer. Two comments set library words that the text code
// reads.
//
// The comment's size is the caller's word and its handle may be shorter, nil or purged: nothing is read
// beyond the handle's own bytes, and a comment whose data are too short for its kind does nothing.
#include "imaging.h"
#include "picture_format.h"
#include "MacMemory.h"
#include "FixMath.h"
#include "SANE.h"
#include "ToolUtils.h"
#include "../devices/devices_services.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

int16_t sCommentWord501, sCommentWord502;
// The rotation centre of kind 202, in port coordinates.
int32_t sRotationCentreH, sRotationCentreV;

// The test seam's stand-ins for the print job: the PostScript flag, the print record's scaling, and the
// lines that would have gone through Escape.
bool sTestPrinter;
bool sTestPostScript;
int16_t sTestScalePercent = 100;
bool sTestScaleOn;
std::string sTestLines;

constexpr uint32_t kPostScriptCommentSwitch = 0x10;
constexpr uint16_t kRotationPostScript = 0x800;

bool PrinterTakesPostScriptNow() { return sTestPrinter ? sTestPostScript : PrinterTakesPostScript(); }

// The bytes of a comment that lie inside its handle: at most `size`, none for a nil or empty handle.
int32_t HeldBytes(int16_t size, Handle data)
{
    if (size <= 0 || !HandleHasData(data))
        return 0;
    const Size held = GetHandleSize(data);
    return held > 0 ? std::min<int32_t>(size, held) : 0;
}

int16_t WordAt(Handle data, int32_t offset)
{
    int16_t v;
    std::memcpy(&v, reinterpret_cast<const uint8_t *>(*data) + offset, 2);
    return v;
}
Fixed LongAt(Handle data, int32_t offset)
{
    Fixed v;
    std::memcpy(&v, reinterpret_cast<const uint8_t *>(*data) + offset, 4);
    return v;
}

// Sends bytes to the printer with their 16-bit length first, as the PostScript escapes take them.
void SendPostScriptBytes(const char *text, size_t length)
{
    if (length > 0xFFF0)
        length = 0xFFF0;
    if (sTestPrinter) {
        sTestLines.append(text, length);
        return;
    }
    HDC dc = CurrentDC();
    if (!dc || !PrinterTakesPostScriptNow())
        return;
    std::vector<char> buffer(length + 2);
    const uint16_t count = static_cast<uint16_t>(length);
    std::memcpy(buffer.data(), &count, 2);
    std::memcpy(buffer.data() + 2, text, length);
    const int escape = SessionPlatform().windowsNT ? POSTSCRIPT_PASSTHROUGH : POSTSCRIPT_DATA;
    Escape(dc, escape, static_cast<int>(buffer.size()), buffer.data(), nullptr);
}

void MarkTextStale()
{
    if (PortDCRecord *record = CurrentPortRecord())
        record->fontDirty = 1;
}

void PostScriptBegin()
{
    static const char *const kLines[] = {
        "\r\ngsave 30 dict begin\r\n",
        "/_curtrans systemdict /currenttransfer get def\r\n",
        "/_settrans systemdict /settransfer get def\r\n",
        "/catprocs{/proc2 exch cvlit def/proc1 exch cvlit def\r\n",
        " /newproc proc1 length proc2 length add array def\r\n",
        " newproc 0 proc1 putinterval newproc proc1\r\n",
        " length proc2 putinterval newproc cvx} def\r\n",
        "/Negative 0 _curtrans exec 1 _curtrans exec gt def\r\n",
        "Negative {/settransfer {{1 exch sub} catprocs _settrans} bind def} if\r\n",
    };
    for (const char *line : kLines)
        SendPostScriptLine(line);
    int16_t percent = 100;
    bool scaling = false;
    if (sTestPrinter) {
        percent = sTestScalePercent;
        scaling = sTestScaleOn;
    } else {
        PrintRecordScaling(&percent, &scaling);
    }
    if (percent == 100 || !scaling || percent <= 0)
        return;
    char number[64];
    FormatPostScriptNumber(percent / 100.0, number);
    char line[160];
    std::snprintf(line, sizeof line, "%s %s scale\r\n", number, number);
    SendPostScriptLine(line);
}

void RotationBegin(int16_t size, Handle data)
{
    PortDCRecord *record = CurrentPortRecord();
    if (!record || HeldBytes(size, data) < 4)
        return;
    const int16_t flags = WordAt(data, 0);
    const int16_t angle = WordAt(data, 2);
    PortXform &x = record->xform;
    x.pivot.h = static_cast<int16_t>(sRotationCentreH - x.srcOrigin.h);
    x.pivot.v = static_cast<int16_t>(sRotationCentreV - x.srcOrigin.v);
    x.rotation = angle;
    uint16_t state = static_cast<uint16_t>(flags & 3);
    if (PrinterTakesPostScriptNow() && (flags & 3)) {
        int16_t h = static_cast<int16_t>(sRotationCentreH), v = static_cast<int16_t>(sRotationCentreV);
        XformXY(&h, &v);
        POINT device{h, v};
        LPtoDP(CurrentDC(), &device, 1);
        char line[200];
        std::snprintf(line, sizeof line, "\r\ngsave\r\n%d %d translate %d %d scale %d %d translate\r\n",
                      static_cast<int>(device.x), static_cast<int>(device.y), (flags & 1) ? -1 : 1,
                      (flags & 2) ? -1 : 1, static_cast<int>(-device.x), static_cast<int>(-device.y));
        SendPostScriptLine(line);
        state = kRotationPostScript;
    }
    state |= angle == 90 ? 0x4000 : angle == 180 ? 0x2000 : angle == 270 ? 0x1000 : 0x8000;
    x.mirror = state;
    MarkTextStale();
}

void RotationEnd()
{
    PortDCRecord *record = CurrentPortRecord();
    if (!record)
        return;
    if (record->xform.mirror & kRotationPostScript)
        SendPostScriptLine("\r\ngrestore\r\n");
    record->xform.pivot = XformPair{0, 0};
    record->xform.rotation = 0;
    record->xform.mirror = 0;
    MarkTextStale();
}

// The comments a printer acts on.
void PrinterComment(int16_t kind, int16_t size, Handle data)
{
    const bool postScriptComments = PrinterTakesPostScriptNow() && LibrarySwitch(kPostScriptCommentSwitch);
    switch (kind) {
    case 182: {
        PortDCRecord *record = CurrentPortRecord();
        if (!record || HeldBytes(size, data) < 4)
            return;
        const int16_t numerator = WordAt(data, 0), denominator = WordAt(data, 2);
        if (denominator == 0)
            return;
        const Fixed factor = FixDiv(numerator, denominator);
        if (factor == record->lineWidth)
            return;
        record->lineWidth = factor;
        record->lineWidthActive = factor != 0x00010000;
        UpdateDevicePenSize();
        return;
    }
    case 190:
        if (postScriptComments)
            PostScriptBegin();
        return;
    case 191:
        if (postScriptComments)
            SendPostScriptLine("\r\nend grestore\r\n");
        return;
    case 192: {
        const int32_t n = HeldBytes(size, data);
        if (postScriptComments && n > 0)
            SendPostScriptBytes(reinterpret_cast<const char *>(*data), static_cast<size_t>(n));
        return;
    }
    case 200:
        RotationBegin(size, data);
        return;
    case 201:
        RotationEnd();
        return;
    case 202: {
        GrafPtr port = CurrentPort();
        if (!port || HeldBytes(size, data) < 8)
            return;
        sRotationCentreH = HiWord(LongAt(data, 4)) + port->pnLoc.h;
        sRotationCentreV = HiWord(LongAt(data, 0)) + port->pnLoc.v;
        return;
    }
    default:
        return;
    }
}

} // namespace

void SendPostScriptLine(const char *text)
{
    if (text)
        SendPostScriptBytes(text, std::strlen(text));
}

void FormatPostScriptNumber(double value, char *out)
{
    decform form{};
    form.style = FLOATDECIMAL;
    form.digits = 6;
    unsigned char s[256];
    num2str(&form, value, s);
    std::memcpy(out, s + 1, s[0]);
    out[s[0]] = 0;
}

int16_t PictCommentWord501() { return sCommentWord501; }
int16_t PictCommentWord502() { return sCommentWord502; }

ZEL_EXTERN_C void ZEL_CALL StdComment(int16_t kind, int16_t dataSize, Handle dataHandle)
{
    GrafPtr port = CurrentPort();
    if (!port)
        return;
    if (port->picSave)
        RecordPictComment(kind, dataSize, dataHandle);
    if ((kind == 501 || kind == 502) && HeldBytes(dataSize, dataHandle) >= 2) {
        if (kind == 501) {
            sCommentWord501 = WordAt(dataHandle, 0);
            MarkTextStale();
        } else {
            sCommentWord502 = WordAt(dataHandle, 0);
        }
    }
    HDC printer = PrintingDC(nullptr);
    if (printer && CurrentDC() == printer)
        PrinterComment(kind, dataSize, dataHandle);
}

ZEL_EXTERN_C void ZEL_CALL PicComment(int16_t kind, int16_t dataSize, Handle dataHandle)
{
    GrafPtr port = CurrentPort();
    if (!port)
        return;
    if (port->grafProcs && port->grafProcs->commentProc)
        port->grafProcs->commentProc(kind, dataSize, dataHandle);
    else
        StdComment(kind, dataSize, dataHandle);
}

// Test seam: the print job stands in with the given PostScript flag and scaling, and the PostScript
// goes to a buffer instead of Escape (off: the real print job again).
ZEL_EXTERN_C void ZEL_CALL SelectTestPostScriptPrinter(Boolean on, Boolean postScript, int16_t scalePercent,
                                                      Boolean scaleOn)
{
    sTestPrinter = on != 0;
    sTestPostScript = postScript != 0;
    sTestScalePercent = scalePercent;
    sTestScaleOn = scaleOn != 0;
    sTestLines.clear();
}

// Moves the PostScript sent so far into `buffer` (NUL-terminated, at most capacity - 1 bytes) and answers
// its length.
ZEL_EXTERN_C int32_t ZEL_CALL TakeTestPostScript(char *buffer, int32_t capacity)
{
    const int32_t n = static_cast<int32_t>(std::min<size_t>(sTestLines.size(), capacity > 0 ? capacity - 1 : 0));
    if (buffer && capacity > 0) {
        std::memcpy(buffer, sTestLines.data(), static_cast<size_t>(n));
        buffer[n] = 0;
    }
    sTestLines.clear();
    return n;
}

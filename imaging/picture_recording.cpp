// Picture recording: each drawing call recorded into an open picture becomes one opcode record, staged
// here in big-endian order and handed whole to the current port's putPicProc.
#include "imaging_services.h"
#include "../quickdraw/qd_services.h"
#include "MacMemory.h"

#include <algorithm>
#include <vector>

namespace {

std::vector<uint8_t> sStaged;
uint16_t sStagedLimit; // data bytes the opcode may carry

void PutBigEndianWord(uint16_t word)
{
    sStaged.push_back(static_cast<uint8_t>(word >> 8));
    sStaged.push_back(static_cast<uint8_t>(word));
}

// Room left for data; a record never grows past the size its opcode announced.
size_t DataRoom() { return sStaged.size() >= 2u + sStagedLimit ? 0 : 2u + sStagedLimit - sStaged.size(); }

QDPutPicProcPtr PutPicProcOf(GrafPtr port)
{
    if (port && port->grafProcs && port->grafProcs->putPicProc)
        return port->grafProcs->putPicProc;
    return StdPutPic;
}

} // namespace

void BeginPictOpcode(uint16_t opcode, uint16_t maxSize)
{
    sStaged.clear();
    sStaged.reserve(2u + maxSize + 1u);
    sStagedLimit = maxSize;
    PutBigEndianWord(opcode);
}

void PutPictWords(uint16_t count, const void *data)
{
    const uint8_t *bytes = static_cast<const uint8_t *>(data);
    for (uint16_t i = 0; i + 1 < count && DataRoom() >= 2; i += 2)
        PutBigEndianWord(static_cast<uint16_t>(bytes[i] | (bytes[i + 1] << 8)));
}

void PutPictBytes(uint16_t count, const void *data)
{
    const uint8_t *bytes = static_cast<const uint8_t *>(data);
    for (uint16_t i = 0; i < count && DataRoom() >= 1; ++i)
        sStaged.push_back(bytes[i]);
}

void PutPictLong(uint32_t value)
{
    if (DataRoom() < 4)
        return;
    PutBigEndianWord(static_cast<uint16_t>(value >> 16));
    PutBigEndianWord(static_cast<uint16_t>(value));
}

void EndPictOpcode()
{
    if (sStaged.empty())
        return;
    if (sStaged.size() & 1)
        sStaged.push_back(0);
    GrafPtr port = CurrentPort();
    if (port && port->picSave)
        PutPicProcOf(port)(sStaged.data(), static_cast<int16_t>(sStaged.size()));
    sStaged.clear();
}

namespace {
Handle sTextStatePicture;
PictTextState sTextState;
std::vector<int16_t> sNamedFonts;

// The text state and font names belong to one picture: another picture starts them again.
void FollowPicture()
{
    GrafPtr port = CurrentPort();
    Handle picture = port ? port->picSave : nullptr;
    if (picture != sTextStatePicture) {
        sTextStatePicture = picture;
        sTextState = PictTextState{false, 0, 0, srcOr, 0, 0, Point{1, 1}, Point{1, 1}};
        sNamedFonts.clear();
    }
}
} // namespace

// PENDING: picture recording keeps the text state with the rest of the picture's state, started by OpenPicture.
PictTextState &CurrentPictTextState()
{
    FollowPicture();
    return sTextState;
}

// PENDING: picture recording keeps the picture's font-name table with the rest of its state.
bool PictFontIsNew(int16_t font)
{
    FollowPicture();
    if (std::find(sNamedFonts.begin(), sNamedFonts.end(), font) != sNamedFonts.end())
        return false;
    sNamedFonts.push_back(font);
    return true;
}

// PENDING: picture recording emits the port state changed since the last opcode (colours, origin, clip).
int RecordPictPortState()
{
    GrafPtr port = CurrentPort();
    return port && port->picSave ? 1 : 0;
}

// PENDING: picture recording emits the pen and pattern state the verb depends on when it changed.
void RecordPictVerbState(GrafVerb) {}

// PENDING: picture recording writes the "same rectangle" form when the rectangle repeats the last one.
void RecordPictRectOp(uint16_t opcode, const Rect *rect)
{
    BeginPictOpcode(opcode, sizeof(Rect));
    PutPictWords(sizeof(Rect), rect);
    EndPictOpcode();
}

void RecordPictPolyOp(uint16_t opcode, PolyHandle poly)
{
    if (!poly || !*poly)
        return;
    const struct Polygon &p = **poly;
    int32_t bytes = std::min<int32_t>(p.polySize, GetHandleSize(reinterpret_cast<Handle>(poly)));
    if (bytes < 10)
        return;
    BeginPictOpcode(opcode, static_cast<uint16_t>(bytes));
    PutPictWords(static_cast<uint16_t>(bytes & ~1), &p);
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

// PENDING: picture comments pass to the picture being recorded and set the wide-line flag (kind 502).
ZEL_EXTERN_C void ZEL_CALL StdComment(int16_t, int16_t, Handle) {}
// PENDING: picture playback reads the picture's data.
ZEL_EXTERN_C void ZEL_CALL StdGetPic(void *, int16_t) {}
// PENDING: picture recording appends the data to the picture handle being recorded.
ZEL_EXTERN_C void ZEL_CALL StdPutPic(const void *, int16_t) {}

// Byte-level calls on open files: reads, writes, the mark and the length, over the open-file table.
// Negative refNums belong to drivers and go to the serial driver.
#include "files_services.h"
#include "../core/core_services.h"
#include "../devices/devices_services.h"

#include <algorithm>

namespace {

constexpr int32_t kMaxFileLength = 0x7FFFFFFF;

// The mark of an open file, -1 when it has no handle.
int32_t Mark(int16_t refNum) { return ZEL_FHLSeek(refNum, 0, FILE_CURRENT); }

} // namespace

ZEL_EXTERN_C OSErr ZEL_CALL FSRead(int16_t refNum, int32_t *count, void *buffer)
{
    if (!count)
        return paramErr;
    if (refNum < 0)
        return static_cast<OSErr>(SerRead(refNum, count, buffer));
    if (*count < 0) {
        *count = 0;
        return paramErr;
    }
    int32_t wanted = *count;
    int32_t got = ZEL_FHRead(refNum, buffer, wanted);
    if (got < 0) {
        *count = 0;
        return ioErr;
    }
    *count = got;
    return got == wanted ? OSErr(noErr) : OSErr(eofErr);
}

// A refNum opened without write access, or a read-only file, is refused as a write-permission error.
ZEL_EXTERN_C OSErr ZEL_CALL FSWrite(int16_t refNum, int32_t *count, const void *buffer)
{
    if (!count)
        return paramErr;
    if (refNum < 0)
        return static_cast<OSErr>(SerWrite(refNum, count, buffer));
    if (*count < 0) {
        *count = 0;
        return paramErr;
    }
    if (*count == 0)
        return noErr;
    if (FileSlotPath(refNum) && (!FileSlotWritable(refNum) || CheckFileWritable(refNum) != noErr)) {
        *count = 0;
        return wrPermErr;
    }
    int32_t wanted = *count;
    int32_t done = ZEL_FHWrite(refNum, buffer, wanted);
    if (done < 0) {
        *count = 0;
        return ioErr;
    }
    *count = done;
    return done == wanted ? OSErr(noErr) : OSErr(dskFulErr);
}

ZEL_EXTERN_C OSErr ZEL_CALL FSClose(int16_t refNum)
{
    ParamBlockRec pb{};
    pb.ioParam.ioRefNum = refNum;
    return PBClose(&pb, false);
}

ZEL_EXTERN_C OSErr ZEL_CALL GetFPos(int16_t refNum, int32_t *filePos)
{
    int32_t mark = Mark(refNum);
    if (filePos)
        *filePos = mark < 0 ? 0 : mark;
    return mark < 0 ? OSErr(ioErr) : OSErr(noErr);
}

// A move past the end is made, and reported as the end of the file.
ZEL_EXTERN_C OSErr ZEL_CALL SetFPos(int16_t refNum, int16_t posMode, int32_t posOff)
{
    int32_t position;
    switch (posMode & 3) {
    case 0: position = ZEL_FHLSeek(refNum, 0, FILE_CURRENT); break;
    case 1: position = ZEL_FHLSeek(refNum, posOff, FILE_BEGIN); break;
    case 2: position = ZEL_FHLSeek(refNum, posOff, FILE_END); break;
    default: position = ZEL_FHLSeek(refNum, posOff, FILE_CURRENT); break;
    }
    if (position < 0)
        return ioErr;
    return (posMode & 3) == 2 && posOff > 0 ? OSErr(eofErr) : OSErr(noErr);
}

ZEL_EXTERN_C OSErr ZEL_CALL GetEOF(int16_t refNum, int32_t *logEOF)
{
    int32_t mark = Mark(refNum);
    int32_t end = mark < 0 ? -1 : ZEL_FHLSeek(refNum, 0, FILE_END);
    if (logEOF)
        *logEOF = end < 0 ? 0 : end;
    if (end < 0)
        return ioErr;
    ZEL_FHLSeek(refNum, mark, FILE_BEGIN);
    return noErr;
}

// The file keeps exactly logEOF bytes; a mark past the new end moves to it.
ZEL_EXTERN_C OSErr ZEL_CALL SetEOF(int16_t refNum, int32_t logEOF)
{
    if (logEOF < 0)
        return paramErr;
    if (FileSlotPath(refNum) && (!FileSlotWritable(refNum) || CheckFileWritable(refNum) != noErr))
        return wrPermErr;
    int32_t length;
    OSErr err = GetEOF(refNum, &length);
    if (err != noErr)
        return err;
    if (logEOF == 0)
        return ZEL_FHSetEOF0(refNum);
    int32_t mark = Mark(refNum);
    if (ZEL_FHLSeek(refNum, logEOF, FILE_BEGIN) < 0)
        return ioErr;
    HANDLE h = ZEL_FHMap(refNum);
    if (!SetEndOfFile(h)) {
        ZEL_FHLSeek(refNum, mark, FILE_BEGIN);
        ForgetFileLocks();
        return CheckFileWritable(refNum) != noErr ? OSErr(dskFulErr) : OSErr(ioErr);
    }
    ZEL_FHLSeek(refNum, std::min(mark, logEOF), FILE_BEGIN);
    FlushFileBuffers(h);
    return noErr;
}

ZEL_EXTERN_C OSErr ZEL_CALL Allocate(int16_t refNum, int32_t *count)
{
    if (!count || *count < 0)
        return paramErr;
    if (!FileSlotPath(refNum))
        return rfNumErr;
    int32_t length;
    if (GetEOF(refNum, &length) != noErr)
        return rfNumErr;
    int32_t wanted = *count;
    *count = 0;
    if (wanted > kMaxFileLength - length)
        return dskFulErr;
    OSErr err = SetEOF(refNum, length + wanted);
    if (err == noErr)
        *count = wanted;
    return err == wrPermErr ? OSErr(wrPermErr) : err == dskFulErr ? OSErr(dskFulErr) : err ? OSErr(ioErr) : OSErr(noErr);
}

ZEL_EXTERN_C OSErr ZEL_CALL LockRange(int16_t refNum, int32_t, int32_t)
{
    ParamBlockRec pb{};
    pb.ioParam.ioRefNum = refNum;
    return PBLockRangeSync(&pb);
}

ZEL_EXTERN_C OSErr ZEL_CALL UnlockRange(int16_t refNum, int32_t, int32_t)
{
    ParamBlockRec pb{};
    pb.ioParam.ioRefNum = refNum;
    return PBUnlockRangeSync(&pb);
}

// The buffer is as large as the file, or as large as memory allows down to 257 bytes.
OSErr CopyForkData(int16_t fromRefNum, int16_t toRefNum)
{
    int32_t length;
    OSErr err = GetEOF(fromRefNum, &length);
    if (err != noErr || length == 0)
        return err;
    int32_t size = length;
    Handle buffer = NewHandle(size);
    while (!buffer && size / 2 >= 257) {
        size /= 2;
        buffer = NewHandle(size);
    }
    if (!buffer)
        return CurrentMemErr();
    for (int32_t remaining = length; remaining > 0 && err == noErr;) {
        int32_t n = std::min(size, remaining);
        err = FSRead(fromRefNum, &n, *buffer);
        if (err == noErr)
            err = FSWrite(toRefNum, &n, *buffer);
        remaining -= n;
    }
    DisposeHandle(buffer);
    return err;
}

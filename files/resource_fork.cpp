// Resource fork format: reading and checking a fork's map as the fork opens, loading and freeing single
// resources, the empty fork, and the fork writer. Forks come from anywhere, so every offset, count and
// length read from one is checked against the bytes that hold it before it is used; a fork that fails
// a check does not open. The writer never leaves a damaged fork behind: a compacted fork is written whole
// to a new file that replaces the old one only once every write succeeded, and a map written in place
// never overwrites the map the fork's header still names.
#include "resource_manager.h"
#include "files_services.h"
#include "ByteOrder.h"
#include "../core/core_services.h"
#include "../quickdraw/qd_services.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr ResType kMenuType = 0x4D454E55; // 'MENU'
constexpr ResType kCursType = 0x43555253; // 'CURS'
constexpr ResType kCrsrType = 0x63727372; // 'crsr'

uint16_t Get16(const uint8_t *p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }
uint32_t Get32(const uint8_t *p) { return ZEL_GetByteSwapLONG(p); }
void Put16(uint8_t *p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v >> 8);
    p[1] = static_cast<uint8_t>(v);
}
void Put32(uint8_t *p, uint32_t v)
{
    Put16(p, v >> 16);
    Put16(p + 2, v);
}

// The fork header's four fields.
void PutHeaderFields(uint8_t *p, uint32_t dataOffset, uint32_t mapOffset, uint32_t dataLength, uint32_t mapLength)
{
    Put32(p, dataOffset);
    Put32(p + 4, mapOffset);
    Put32(p + 8, dataLength);
    Put32(p + 12, mapLength);
}

struct ListSpan {
    uint32_t start, end;
};

// Checks the type list and the reference lists of a map still in the fork's byte order: every list
// lies inside the map after the type entries, no two reference lists share a byte, and every live
// reference's data offset leaves room for its length word inside the data area. `listsEnd` receives
// the end of the last list.
OSErr CheckMapLists(const uint8_t *map, uint32_t mapLength, uint32_t dataLength, uint16_t typeListOffset,
                    int typeCount, uint32_t *listsEnd)
{
    const uint64_t typesEnd = uint64_t(typeListOffset) + 2 + 8ull * typeCount;
    *listsEnd = uint32_t(typesEnd);
    ListSpan *spans = typeCount ? reinterpret_cast<ListSpan *>(NewPtr(typeCount * Size(sizeof(ListSpan)))) : nullptr;
    if (typeCount && !spans)
        return mapReadErr;
    int spanCount = 0;
    OSErr err = noErr;
    for (int i = 0; i < typeCount && err == noErr; ++i) {
        const uint8_t *t = map + typeListOffset + 2 + 8 * i;
        uint16_t listOffset = Get16(t + 6);
        if (listOffset == kNoReferenceList)
            continue;
        uint64_t start = uint64_t(typeListOffset) + listOffset;
        uint64_t end = start + 12ull * (uint32_t(Get16(t + 4)) + 1);
        if (start < typesEnd || end > mapLength) {
            err = mapReadErr;
            break;
        }
        spans[spanCount++] = ListSpan{uint32_t(start), uint32_t(end)};
        *listsEnd = std::max(*listsEnd, uint32_t(end));
        for (const uint8_t *r = map + start; r < map + end; r += 12) {
            uint32_t dataOff = Get32(r + 4) & kMaxDataOffset;
            if (dataOff == kNewDataOffset || uint64_t(dataOff) + 4 > dataLength) {
                err = mapReadErr;
                break;
            }
        }
    }
    if (err == noErr && spanCount > 1) {
        std::sort(spans, spans + spanCount, [](const ListSpan &a, const ListSpan &b) { return a.start < b.start; });
        for (int k = 1; k < spanCount; ++k)
            if (spans[k].start < spans[k - 1].end)
                err = mapReadErr;
    }
    if (spans)
        DisposePtr(reinterpret_cast<Ptr>(spans));
    return err;
}

// Whether any reference of a map still in the fork's byte order (lists checked) has a name.
bool MapHasNames(const uint8_t *map, uint16_t typeListOffset, int typeCount)
{
    for (int i = 0; i < typeCount; ++i) {
        const uint8_t *t = map + typeListOffset + 2 + 8 * i;
        const uint16_t listOffset = Get16(t + 6);
        if (listOffset == kNoReferenceList)
            continue;
        const uint8_t *refs = map + typeListOffset + listOffset;
        for (uint32_t j = 0; j <= Get16(t + 4); ++j)
            if (Get16(refs + 12 * j + 2) != kNoName)
                return true;
    }
    return false;
}

// Every name of the converted map lies wholly inside it.
bool NamesInsideMap(const ResFileRecord *f)
{
    for (int i = 0; i < TypeCount(f); ++i) {
        const MapTypeEntry *t = TypeAt(f, i);
        for (int j = 0; j < RefCount(t); ++j) {
            const MapRefEntry *r = RefAt(f, t, j);
            if (r->nameOffset == kNoName)
                continue;
            uint64_t pos = uint64_t(f->nameListOffset) + r->nameOffset;
            if (pos >= f->mapLength || pos + 1 + f->mapPtr[pos] > f->mapLength)
                return false;
        }
    }
    return true;
}

void ConvertMapEntries(ResFileRecord *f, bool keepHandles)
{
    for (int i = 0; i < TypeCount(f); ++i) {
        MapTypeEntry *t = TypeAt(f, i);
        ByteSwapResTypeEntry(t);
        for (int j = 0; j < RefCount(t); ++j) {
            MapRefEntry *r = RefAt(f, t, j);
            ByteSwapResRefEntry(r);
            if (!keepHandles)
                r->handle = 0;
            SetRefAttrs(r, RefAttrs(r) & ~refOwnMarks);
        }
    }
}

void MakePreloadResources(ResFileRecord *f)
{
    for (int i = 0; i < TypeCount(f); ++i) {
        MapTypeEntry *t = TypeAt(f, i);
        for (int j = 0; j < RefCount(t); ++j) {
            MapRefEntry *r = RefAt(f, t, j);
            if (!(RefAttrs(r) & refPreload) || RefHandle(r))
                continue;
            SetRefHandle(r, NewResourceHandleFor(f));
            if (RefHandle(r) && ResLoadOn())
                LoadReference(f, t, r);
        }
    }
}

// ---- The writer ----

// A live reference in the order the writer lays them out: types in map order, references in list order.
struct LiveRef {
    MapTypeEntry *type;
    MapRefEntry *ref;
    uint32_t newDataOffset;
};

struct NewMap {
    uint8_t *bytes;
    uint32_t length;
};

void FreeNewMap(NewMap &m)
{
    if (m.bytes)
        DisposePtr(reinterpret_cast<Ptr>(m.bytes));
    m.bytes = nullptr;
}

// Collects the live references; false when the list cannot be allocated.
bool CollectLiveRefs(ResFileRecord *f, LiveRef *&list, int &count)
{
    count = 0;
    for (int i = 0; i < TypeCount(f); ++i) {
        const MapTypeEntry *t = TypeAt(f, i);
        for (int j = 0; j < RefCount(t); ++j)
            count += RefLive(RefAt(f, t, j)) ? 1 : 0;
    }
    list = reinterpret_cast<LiveRef *>(NewPtr(Size(sizeof(LiveRef)) * (count ? count : 1)));
    if (!list)
        return false;
    int k = 0;
    for (int i = 0; i < TypeCount(f); ++i) {
        MapTypeEntry *t = TypeAt(f, i);
        for (int j = 0; j < RefCount(t); ++j) {
            MapRefEntry *r = RefAt(f, t, j);
            if (RefLive(r))
                list[k++] = LiveRef{t, r, RefDataOffset(r)};
        }
    }
    return true;
}

// Lays out the map the writer puts at `mapOffset`, in the fork's byte order: the header fields, the
// reserved words as read, type list at 28, live references with names renumbered in order, the names.
OSErr BuildMap(const ResFileRecord *f, const LiveRef *live, int liveCount, uint32_t mapOffset, NewMap &out)
{
    int typeCount = 0;
    uint32_t nameBytes = 0;
    for (int k = 0; k < liveCount; ++k) {
        if (k == 0 || live[k].type != live[k - 1].type)
            ++typeCount;
        if (const uint8_t *name = RefName(f, live[k].ref))
            nameBytes += name[0] + 1u;
    }
    const uint32_t typeListBytes = 2 + 8u * typeCount;
    const uint32_t refBytes = 12u * liveCount;
    const uint32_t nameListOffset = kMapHeaderSize + typeListBytes + refBytes;
    // List offsets and name offsets are 16-bit.
    if (typeListBytes + refBytes > 0xFFFF || nameListOffset > 0xFFFF || nameBytes > 0x10000)
        return addResFailed;
    out.length = nameListOffset + nameBytes;
    out.bytes = reinterpret_cast<uint8_t *>(NewPtrClear(Size(out.length)));
    if (!out.bytes)
        return memFullErr;
    uint8_t *m = out.bytes;
    PutHeaderFields(m, kForkHeaderSize, mapOffset, mapOffset - kForkHeaderSize, out.length);
    std::memcpy(m + 16, f->mapPtr + 16, 8);
    Put16(m + 24, kMapHeaderSize);
    Put16(m + 26, nameListOffset);
    Put16(m + 28, uint32_t(typeCount - 1));
    uint8_t *typeEntry = m + kMapHeaderSize + 2;
    uint8_t *refEntry = m + kMapHeaderSize + typeListBytes;
    uint32_t nameOffset = 0;
    for (int k = 0; k < liveCount;) {
        int n = 1;
        while (k + n < liveCount && live[k + n].type == live[k].type)
            ++n;
        Put32(typeEntry, live[k].type->type);
        Put16(typeEntry + 4, uint32_t(n - 1));
        Put16(typeEntry + 6, uint32_t(refEntry - (m + kMapHeaderSize)));
        typeEntry += 8;
        for (int e = k; e < k + n; ++e, refEntry += 12) {
            const MapRefEntry *r = live[e].ref;
            const uint8_t *name = RefName(f, r);
            Put16(refEntry, uint16_t(r->id));
            Put16(refEntry + 2, name ? nameOffset : kNoName);
            Put32(refEntry + 4, (uint32_t(RefAttrs(r) & ~refOwnMarks) << 24) | live[e].newDataOffset);
            Put32(refEntry + 8, r->handle);
            if (name) {
                std::memcpy(m + nameListOffset + nameOffset, name, name[0] + 1u);
                nameOffset += name[0] + 1u;
            }
        }
        k += n;
    }
    return noErr;
}

// The fork header with new fields over the bytes the fork had.
void BuildHeader(const ResFileRecord *f, uint8_t *header, uint32_t mapOffset, uint32_t mapLength)
{
    std::memcpy(header, f->headerBuffer, kForkHeaderSize);
    PutHeaderFields(header, kForkHeaderSize, mapOffset, mapOffset - kForkHeaderSize, mapLength);
}

bool WriteAll(HANDLE file, const void *p, uint32_t n)
{
    DWORD done = 0;
    return WriteFile(file, p, n, &done, nullptr) && done == n;
}

// A new file beside the fork that takes no existing name: the fork's name with its last character
// replaced by '2' when that name is free and differs from the fork's, else a unique temporary name.
HANDLE CreateTempFork(const char *forkPath, char *tempPath)
{
    size_t n = std::strlen(forkPath);
    if (n > 0 && n < MAX_PATH && forkPath[n - 1] != '2') {
        std::memcpy(tempPath, forkPath, n + 1);
        tempPath[n - 1] = '2';
        HANDLE h = CreateFileA(tempPath, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE)
            return h;
    }
    char dir[MAX_PATH];
    std::strncpy(dir, forkPath, MAX_PATH - 1);
    dir[MAX_PATH - 1] = 0;
    char *slash = std::strrchr(dir, '\\');
    if (slash)
        slash[1] = 0;
    else
        std::strcpy(dir, ".");
    // GetTempFileNameA makes the file itself, so no other file can have the name.
    if (!GetTempFileNameA(dir, "rsr", 0, tempPath))
        return INVALID_HANDLE_VALUE;
    HANDLE h = CreateFileA(tempPath, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        DeleteFileA(tempPath);
    return h;
}

// Copies the live references' data, in ascending order of their old offsets, to `out` from fork
// offset 256 on, through the one buffer; records each one's new data offset. Returns the data end.
OSErr CopyLiveData(ResFileRecord *f, LiveRef *live, int liveCount, HANDLE out, uint8_t *buffer, uint32_t &end)
{
    LiveRef **order = reinterpret_cast<LiveRef **>(NewPtr(Size(sizeof(LiveRef *)) * (liveCount ? liveCount : 1)));
    if (!order)
        return memFullErr;
    for (int k = 0; k < liveCount; ++k)
        order[k] = &live[k];
    std::stable_sort(order, order + liveCount,
                     [](const LiveRef *a, const LiveRef *b) { return a->newDataOffset < b->newDataOffset; });
    OSErr err = noErr;
    uint32_t pos = kForkHeaderSize;
    for (int k = 0; k < liveCount && err == noErr; ++k) {
        uint32_t oldPos = f->dataOffset + order[k]->newDataOffset;
        uint8_t word[4] = {};
        uint32_t length = 0;
        if (ForkFileRead(f, oldPos, word, 4))
            length = Get32(word);
        // A length word that runs past the data keeps only the bytes that are there.
        uint32_t room = f->dataEnd > oldPos + 4 ? f->dataEnd - oldPos - 4 : 0;
        length = std::min(length, room);
        Put32(word, length);
        if (pos - kForkHeaderSize > kMaxDataOffset) {
            err = kDiskFullErr;
            break;
        }
        order[k]->newDataOffset = pos - kForkHeaderSize;
        if (!WriteAll(out, word, 4)) {
            err = kIoErr;
            break;
        }
        for (uint32_t done = 0; done < length;) {
            uint32_t n = std::min(length - done, kCopyBufferSize);
            if (!ForkFileRead(f, oldPos + 4 + done, buffer, n)) {
                err = kIoErr;
                break;
            }
            if (!WriteAll(out, buffer, n)) {
                err = kIoErr;
                break;
            }
            done += n;
        }
        pos += 4 + length;
    }
    DisposePtr(reinterpret_cast<Ptr>(order));
    end = pos;
    return err;
}

// Writes the compacted fork to a new file and puts it in the fork's place. The old fork stays as it
// is until the new one is complete. On success the fork's own file is closed; with `keepOpen` it is
// opened again under the same reference number and its map read back with the handles just written.
OSErr CompactThroughNewFile(ResFileRecord *f, bool keepOpen, uint8_t *buffer)
{
    LiveRef *live = nullptr;
    int liveCount = 0;
    if (!CollectLiveRefs(f, live, liveCount))
        return memFullErr;
    char tempPath[MAX_PATH + 16];
    HANDLE out = CreateTempFork(f->path, tempPath);
    if (out == INVALID_HANDLE_VALUE) {
        DisposePtr(reinterpret_cast<Ptr>(live));
        return LastWin32ErrorToOSErr();
    }
    uint8_t header[kForkHeaderSize] = {};
    OSErr err = WriteAll(out, header, kForkHeaderSize) ? OSErr(noErr) : kIoErr;
    uint32_t mapOffset = kForkHeaderSize;
    if (err == noErr)
        err = CopyLiveData(f, live, liveCount, out, buffer, mapOffset);
    NewMap map{};
    if (err == noErr)
        err = BuildMap(f, live, liveCount, mapOffset, map);
    if (err == noErr) {
        BuildHeader(f, header, mapOffset, map.length);
        if (!WriteAll(out, map.bytes, map.length) ||
            SetFilePointer(out, 0, nullptr, FILE_BEGIN) != 0 || !WriteAll(out, header, kForkHeaderSize) ||
            !FlushFileBuffers(out))
            err = kIoErr;
    }
    FreeNewMap(map);
    DisposePtr(reinterpret_cast<Ptr>(live));
    CloseHandle(out);
    if (err != noErr) {
        DeleteFileA(tempPath);
        return err;
    }
    const uint32_t newSize = mapOffset + map.length;
    const int16_t refNum = f->refNum;
    CloseForkFile(f);
    if (!MoveFileExA(tempPath, f->path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        err = LastWin32ErrorToOSErr();
        DeleteFileA(tempPath);
        if (keepOpen)
            ReopenForkFile(f, refNum);
        return err;
    }
    if (!keepOpen)
        return noErr;
    err = ReopenForkFile(f, refNum);
    if (err != noErr)
        return err;
    DisposeHandle(f->mapHandle);
    f->mapHandle = nullptr;
    f->mapPtr = nullptr;
    DropResourceIndex(f);
    return ReadForkMap(f, newSize, true);
}

// Writes the new map after the data and then the header, in the fork's own file. The map never goes
// over the map the old header names; a failed write cuts the file back to where it ended, so the old
// fork stays byte for byte.
OSErr WriteMapInPlace(ResFileRecord *f)
{
    LiveRef *live = nullptr;
    int liveCount = 0;
    if (!CollectLiveRefs(f, live, liveCount))
        return memFullErr;
    uint32_t mapOffset = f->dataEnd;
    const uint64_t diskMapEnd = uint64_t(f->diskMapOffset) + f->diskMapLength;
    NewMap map{};
    OSErr err = BuildMap(f, live, liveCount, mapOffset, map);
    if (err == noErr && mapOffset < diskMapEnd && mapOffset + uint64_t(map.length) > f->diskMapOffset) {
        FreeNewMap(map);
        mapOffset = uint32_t(diskMapEnd);
        err = BuildMap(f, live, liveCount, mapOffset, map);
    }
    DisposePtr(reinterpret_cast<Ptr>(live));
    if (err != noErr)
        return err;
    uint8_t header[kForkHeaderSize];
    BuildHeader(f, header, mapOffset, map.length);
    const uint32_t oldSize = f->forkSize;
    bool ok = ForkFileWrite(f, mapOffset, map.bytes, map.length) && ForkFileWrite(f, 0, header, kForkHeaderSize) &&
              FlushForkFile(f);
    const uint32_t mapLength = map.length;
    FreeNewMap(map);
    if (!ok) {
        TruncateForkFile(f, oldSize);
        return kIoErr;
    }
    if (mapOffset != f->dataEnd)
        f->deadSpace = true;
    std::memcpy(f->headerBuffer, header, kForkHeaderSize);
    f->mapOffset = f->diskMapOffset = mapOffset;
    f->diskMapLength = mapLength;
    f->dataLength = mapOffset - kForkHeaderSize;
    f->dataEnd = mapOffset;
    f->forkSize = std::max<uint32_t>(oldSize, mapOffset + mapLength);
    f->dataLimit = std::max(f->dataLimit, f->dataEnd);
    f->mapChanged = 0;
    return noErr;
}

bool AnyOwnMarks(const ResFileRecord *f)
{
    for (int i = 0; i < TypeCount(f); ++i) {
        const MapTypeEntry *t = TypeAt(f, i);
        for (int j = 0; j < RefCount(t); ++j)
            if (RefAttrs(RefAt(f, t, j)) & refOwnMarks)
                return true;
    }
    return false;
}

} // namespace

const uint8_t *EmptyForkBytes()
{
    static uint8_t fork[kEmptyForkSize];
    static bool made;
    if (!made) {
        PutHeaderFields(fork, kForkHeaderSize, kForkHeaderSize, 0, kMinMapLength);
        uint8_t *map = fork + kForkHeaderSize;
        PutHeaderFields(map, kForkHeaderSize, kForkHeaderSize, 0, kMinMapLength);
        Put16(map + 24, kMapHeaderSize);
        Put16(map + 26, kMinMapLength);
        Put16(map + 28, 0xFFFF);
        made = true;
    }
    return fork;
}

OSErr ReadForkMap(ResFileRecord *f, uint32_t size, bool keepHandles)
{
    if (size < kEmptyForkSize)
        return mapReadErr;
    uint8_t header[kForkHeaderSize];
    if (!ForkFileRead(f, 0, header, kForkHeaderSize))
        return kIoErr;
    const uint32_t dataOffset = Get32(header), mapOffset = Get32(header + 4);
    const uint32_t dataLength = Get32(header + 8), mapLength = Get32(header + 12);
    uint64_t forkSize = size;
    if (f->embedded)
        forkSize = uint64_t(mapOffset) + mapLength;
    if (dataOffset != kForkHeaderSize || uint64_t(dataLength) + kForkHeaderSize > mapOffset ||
        mapOffset > uint64_t(dataLength) + kForkHeaderSize + 16 || uint64_t(mapOffset) + mapLength > forkSize ||
        mapLength < kMinMapLength)
        return mapReadErr;
    Handle mapHandle = NewHandle(Size(mapLength));
    if (!mapHandle)
        return mapReadErr;
    HLock(mapHandle);
    uint8_t *map = reinterpret_cast<uint8_t *>(*mapHandle);
    OSErr err = ForkFileRead(f, mapOffset, map, mapLength) ? OSErr(noErr) : OSErr(mapReadErr);
    const uint16_t typeListOffset = err == noErr ? Get16(map + 24) : 0;
    const uint16_t nameListOffset = err == noErr ? Get16(map + 26) : 0;
    int16_t countMinus1 = -1;
    if (err == noErr && (typeListOffset < kMapHeaderSize || uint32_t(typeListOffset) + 2 > mapLength ||
                         nameListOffset > mapLength))
        err = mapReadErr;
    if (err == noErr) {
        countMinus1 = static_cast<int16_t>(Get16(map + typeListOffset));
        if (countMinus1 < -1 || uint64_t(typeListOffset) + 2 + 8ull * (countMinus1 + 1) > mapLength)
            err = mapReadErr;
    }
    uint32_t listsEnd = 0;
    if (err == noErr)
        err = CheckMapLists(map, mapLength, dataLength, typeListOffset, countMinus1 + 1, &listsEnd);
    // Names are added at the end of the map and grow in place, moving what follows them: the name list
    // must not reach back into the lists. A map without names whose name list offset does so (some
    // writers leave it at the end of the map header) gets its name list after the lists.
    if (err == noErr && nameListOffset < listsEnd &&
        (listsEnd > 0xFFFF || MapHasNames(map, typeListOffset, countMinus1 + 1)))
        err = mapReadErr;
    if (err != noErr) {
        DisposeHandle(mapHandle);
        return err;
    }
    std::memcpy(f->headerBuffer, header, kForkHeaderSize);
    f->dataOffset = dataOffset;
    f->mapOffset = f->diskMapOffset = mapOffset;
    f->dataLength = dataLength;
    f->mapLength = f->diskMapLength = mapLength;
    f->forkSize = uint32_t(forkSize);
    f->dataEnd = mapOffset;
    f->dataLimit = uint32_t(forkSize - mapLength);
    f->mapHandle = mapHandle;
    f->mapPtr = map;
    f->typeListOffset = typeListOffset;
    f->nameListOffset = uint16_t(std::max<uint32_t>(nameListOffset, listsEnd));
    f->typeCountMinus1 = countMinus1;
    f->deadSpace = false;
    ConvertMapEntries(f, keepHandles);
    if (!NamesInsideMap(f)) {
        DisposeHandle(mapHandle);
        f->mapHandle = nullptr;
        f->mapPtr = nullptr;
        return mapReadErr;
    }
    MakePreloadResources(f);
    f->mapChanged = 0;
    return noErr;
}

Handle NewResourceHandleFor(const ResFileRecord *f)
{
    Handle h = NewEmptyHandle();
    if (h) {
        HSetRBit(h);
        SetHandleResFileSlot(h, static_cast<int16_t>(f->slot));
    }
    return h;
}

OSErr LoadReference(ResFileRecord *f, const MapTypeEntry *t, MapRefEntry *r)
{
    Handle h = RefHandle(r);
    if (!h || IsNew(r))
        return noErr;
    const uint32_t pos = f->dataOffset + RefDataOffset(r);
    uint8_t word[4];
    if (!ForkFileRead(f, pos, word, 4))
        return noErr;
    const uint32_t length = Get32(word);
    if (length == 0)
        return noErr;
    // The data lie between the length word and the end of the data area; nothing larger is allocated.
    if (uint64_t(pos) + 4 + length > f->dataEnd)
        return mapReadErr;
    if (!SetHandleSize(h, Size(length))) {
        ForgetCachedHandle(h);
        HClrRBit(h);
        DisposeHandle(h);
        SetRefHandle(r, nullptr);
        return memFullErr;
    }
    if (!ForkFileRead(f, pos + 4, *h, length)) {
        EmptyHandle(h);
        return mapReadErr;
    }
    ZEL_ByteSwap_Code(zelSwapToNative, t->type, r->id, Size(length), *h, f->swapProc);
    // A loaded menu names its definition procedure by resource ID in the high half of the field at byte
    // 6; 0xFFFF in the low half says so to the Menu Manager.
    if (t->type == kMenuType && length >= 10) {
        (*h)[6] = static_cast<char>(0xFF);
        (*h)[7] = static_cast<char>(0xFF);
    }
    return noErr;
}

void FreeReference(ResFileRecord *, const MapTypeEntry *t, MapRefEntry *r)
{
    SetRefAttrs(r, RefAttrs(r) & ~refChanged);
    Handle h = RefHandle(r);
    if (!h)
        return;
    ForgetCachedHandle(h);
    const uint32_t data = MasterRecord(h)->data;
    if ((t->type == kCursType || t->type == kCrsrType) && data != 0 && data != 0xFFFF)
        ForgetCursorResource(h, t->type == kCrsrType);
    HClrRBit(h);
    DisposeHandle(h);
    SetRefHandle(r, nullptr);
}

void FreeAllReferences(ResFileRecord *f)
{
    if (!f->mapPtr)
        return;
    for (int i = 0; i < TypeCount(f); ++i) {
        const MapTypeEntry *t = TypeAt(f, i);
        for (int j = 0; j < RefCount(t); ++j)
            FreeReference(f, t, RefAt(f, t, j));
    }
}

int16_t RunForkWriter(ResFileRecord *f, bool keepOpen)
{
    ResFileRecord *saved = CurrentResFile();
    SelectResFile(f);
    int16_t result = 0;
    bool closed = false;
    do {
        if (!f->mapChanged && !(f->attributes & fileCompact)) {
            if (keepOpen || (f->dataEnd >= f->dataLimit && !f->deadSpace))
                break;
        }
        if ((f->attributes & fileReadOnly) || f->embedded) {
            SetResErr(mapReadErr);
            break;
        }
        uint8_t *buffer = reinterpret_cast<uint8_t *>(NewPtrClear(kCopyBufferSize));
        if (!buffer) {
            SetResErr(memFullErr);
            break;
        }
        OSErr err = WriteChangedReferences(f);
        // A fork that closes is always written whole to a new file: the old one stays intact until the
        // new one is complete. One that stays open is compacted only when asked for or when references
        // were removed or shortened; otherwise its new map goes after the data.
        const bool compact = !keepOpen || AnyOwnMarks(f) || (f->attributes & fileCompact);
        if (err == noErr)
            err = compact ? CompactThroughNewFile(f, keepOpen, buffer) : WriteMapInPlace(f);
        DisposePtr(reinterpret_cast<Ptr>(buffer));
        if (err != noErr) {
            SetResErr(err);
            break;
        }
        if (!keepOpen) {
            FreeAllReferences(f);
            CloseResRecord(f);
            closed = true;
        }
        result = 1;
    } while (false);
    if (!(closed && saved == f))
        SelectResFile(saved);
    return result;
}

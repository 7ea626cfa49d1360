// Resource Manager: finding, loading, counting, describing, adding, changing, writing and removing single
// resources in the open files of the chain. Each file keeps a hash index of its live references by type
// and ID, so a look-up costs the same in a fork of thousands as in one of ten; the index is rebuilt when
// the map changes shape. Edits of the in-memory map keep every list and name inside the map and every
// offset within its 16 bits.
#include "resource_manager.h"
#include "files_services.h"
#include "ByteOrder.h"
#include "LowMem.h"
#include "../core/core_services.h"
#include "../dialogs/dialogs_services.h"
#include "../quickdraw/qd_services.h"
#include "../text/text_services.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

namespace {

constexpr ResType kPackType = 0x5041434B; // 'PACK'
constexpr ResType kIconType = 0x49434F4E; // 'ICON'
constexpr ResType kStrType = 0x53545220;  // 'STR '
constexpr ResType kFontType = 0x464F4E54; // 'FONT'
constexpr ResType kSfntType = 0x73666E74; // 'sfnt'
constexpr uint32_t kPurgedData = 0xFFFF;

// ---- The GetResource cache ----
struct ResourceCache {
    ResType type;
    int16_t id;
    Handle handle;
};
ResourceCache sCache;

bool Loaded(Handle h)
{
    uint32_t data = MasterRecord(h)->data;
    return data != 0 && data != kPurgedData;
}


// ---- The look-up index ----
struct IndexSlot {
    ResType type;
    int16_t id;
    uint16_t used;
    uint16_t typeIndex;
    uint16_t refIndex;
};

uint32_t HashKey(ResType type, int16_t id)
{
    uint32_t h = type * 2654435761u ^ (uint32_t(uint16_t(id)) * 40503u);
    return h ^ (h >> 15);
}

} // namespace

struct ResourceIndex {
    uint32_t mask;
    IndexSlot slots[1];
};

namespace {

ResourceIndex *BuildIndex(const ResFileRecord *f)
{
    uint32_t live = 0;
    for (int i = 0; i < TypeCount(f); ++i) {
        const MapTypeEntry *t = TypeAt(f, i);
        for (int j = 0; j < RefCount(t); ++j)
            live += RefLive(RefAt(f, t, j)) ? 1 : 0;
    }
    uint32_t capacity = 16;
    while (capacity < 2 * live)
        capacity *= 2;
    auto *index = reinterpret_cast<ResourceIndex *>(
        NewPtrClear(Size(sizeof(ResourceIndex) + (capacity - 1) * sizeof(IndexSlot))));
    if (!index)
        return nullptr;
    index->mask = capacity - 1;
    for (int i = 0; i < TypeCount(f); ++i) {
        const MapTypeEntry *t = TypeAt(f, i);
        for (int j = 0; j < RefCount(t); ++j) {
            const MapRefEntry *r = RefAt(f, t, j);
            if (!RefLive(r))
                continue;
            // The first live reference of a type and ID is the one found.
            for (uint32_t k = HashKey(t->type, r->id);; ++k) {
                IndexSlot &s = index->slots[k & index->mask];
                if (s.used && s.type == t->type && s.id == r->id)
                    break;
                if (!s.used) {
                    s = IndexSlot{t->type, r->id, 1, uint16_t(i), uint16_t(j)};
                    break;
                }
            }
        }
    }
    return index;
}

MapTypeEntry *FindType(const ResFileRecord *f, ResType type)
{
    for (int i = 0; i < TypeCount(f); ++i)
        if (TypeAt(f, i)->type == type)
            return TypeAt(f, i);
    return nullptr;
}

// The live reference of a type and ID in one file.
bool FindRef(ResFileRecord *f, ResType type, int16_t id, MapTypeEntry **tOut, MapRefEntry **rOut)
{
    if (!f->index)
        f->index = BuildIndex(f);
    if (f->index) {
        for (uint32_t k = HashKey(type, id);; ++k) {
            const IndexSlot &s = f->index->slots[k & f->index->mask];
            if (!s.used)
                return false;
            if (s.type == type && s.id == id) {
                *tOut = TypeAt(f, s.typeIndex);
                *rOut = RefAt(f, *tOut, s.refIndex);
                return true;
            }
        }
    }
    // Without memory for an index the map is walked.
    for (int i = 0; i < TypeCount(f); ++i) {
        MapTypeEntry *t = TypeAt(f, i);
        if (t->type != type)
            continue;
        for (int j = 0; j < RefCount(t); ++j) {
            MapRefEntry *r = RefAt(f, t, j);
            if (RefLive(r) && r->id == id) {
                *tOut = t;
                *rOut = r;
                return true;
            }
        }
    }
    return false;
}

// A handle's reference in its home file (the file in the slot its flags name).
struct HomeRef {
    ResFileRecord *file;
    MapTypeEntry *type;
    MapRefEntry *ref;
};

// Where each resource handle's reference was when it was given the handle. A map that was edited since
// may have moved it: an entry is used only when it still lies on a reference of the file's present map
// holding that handle, and the map is walked otherwise.
std::unordered_map<uint32_t, MapRefEntry *> sRefOfHandle;

// The type entry of the file whose reference list holds `r` at a whole entry, or NULL.
MapTypeEntry *TypeHoldingRef(const ResFileRecord *f, const MapRefEntry *r)
{
    const uint8_t *start = f->mapPtr, *end = f->mapPtr + GetHandleSize(f->mapHandle);
    const auto *at = reinterpret_cast<const uint8_t *>(r);
    if (at < start || at + sizeof(MapRefEntry) > end)
        return nullptr;
    for (int i = 0; i < TypeCount(f); ++i) {
        MapTypeEntry *t = TypeAt(f, i);
        const int count = RefCount(t);
        if (!count)
            continue;
        const auto *first = reinterpret_cast<const uint8_t *>(RefAt(f, t, 0));
        if (at >= first && at < first + count * sizeof(MapRefEntry) && (at - first) % sizeof(MapRefEntry) == 0)
            return t;
    }
    return nullptr;
}

bool FindHome(Handle h, HomeRef &home)
{
    if (!h || !(MasterRecord(h)->flags & mpResource))
        return false;
    ResFileRecord *f = ResFileInSlot(GetHandleResFileSlot(h));
    if (!f || !f->mapPtr)
        return false;
    const uint32_t want = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(h));
    auto noted = sRefOfHandle.find(want);
    if (noted != sRefOfHandle.end()) {
        MapRefEntry *r = noted->second;
        MapTypeEntry *t = TypeHoldingRef(f, r);
        if (t && r->handle == want) {
            home = HomeRef{f, t, r};
            return true;
        }
    }
    for (int i = 0; i < TypeCount(f); ++i) {
        MapTypeEntry *t = TypeAt(f, i);
        for (int j = 0; j < RefCount(t); ++j) {
            MapRefEntry *r = RefAt(f, t, j);
            if (r->handle == want) {
                home = HomeRef{f, t, r};
                sRefOfHandle[want] = r;
                return true;
            }
        }
    }
    return false;
}

bool FindHomeOrReport(Handle h, HomeRef &home)
{
    if (FindHome(h, home))
        return true;
    SetResErr(resNotFound);
    return false;
}

// The reference's handle, made when it has none or has lost its block, and loaded when loading is on.
Handle TakeReference(ResFileRecord *f, const MapTypeEntry *t, MapRefEntry *r)
{
    Handle h = RefHandle(r);
    if (!h || MasterRecord(h)->data == kPurgedData) {
        h = NewResourceHandleFor(f);
        SetRefHandle(r, h);
        if (!h)
            return nullptr;
    }
    if (ResLoadOn() && !Loaded(h) && !IsNew(r)) {
        OSErr err = LoadReference(f, t, r);
        if (err != noErr)
            SetResErr(err);
        h = RefHandle(r);
    }
    return h;
}

// The nth (from 1) live reference of a type in a file; counts the file's live ones into `seen`.
MapRefEntry *NthLive(const ResFileRecord *f, const MapTypeEntry *t, int n, int &seen)
{
    for (int j = 0; j < RefCount(t); ++j) {
        MapRefEntry *r = RefAt(f, t, j);
        if (RefLive(r) && ++seen == n)
            return r;
    }
    return nullptr;
}

int LiveCount(const ResFileRecord *f, ResType type)
{
    int n = 0;
    for (int i = 0; i < TypeCount(f); ++i) {
        const MapTypeEntry *t = TypeAt(f, i);
        if (t->type == type)
            for (int j = 0; j < RefCount(t); ++j)
                n += RefLive(RefAt(f, t, j)) ? 1 : 0;
    }
    return n;
}

bool SameName(const uint8_t *a, const unsigned char *b)
{
    if (!a || !b || a[0] != b[0])
        return false;
    for (int i = 1; i <= a[0]; ++i) {
        uint8_t x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z')
            x -= 32;
        if (y >= 'a' && y <= 'z')
            y -= 32;
        if (x != y)
            return false;
    }
    return true;
}

Handle FindNamedIn(ResFileRecord *f, ResType type, ConstStr255Param name)
{
    for (int i = 0; i < TypeCount(f); ++i) {
        MapTypeEntry *t = TypeAt(f, i);
        if (t->type != type)
            continue;
        for (int j = 0; j < RefCount(t); ++j) {
            MapRefEntry *r = RefAt(f, t, j);
            if (RefLive(r) && SameName(RefName(f, r), name))
                return TakeReference(f, t, r);
        }
    }
    return nullptr;
}

// ---- Editing the in-memory map ----

// Makes room for `n` bytes at map offset `at`: everything from there on moves up, and every list offset
// and name offset that points at or past `at` follows.
// Adds `n` cleared bytes at the end of the map.
bool GrowMap(ResFileRecord *f, uint32_t n)
{
    const uint32_t oldLength = f->mapLength;
    HUnlock(f->mapHandle);
    bool ok = SetHandleSize(f->mapHandle, Size(oldLength + n));
    HLock(f->mapHandle);
    f->mapPtr = reinterpret_cast<uint8_t *>(*f->mapHandle);
    if (!ok)
        return false;
    std::memset(f->mapPtr + oldLength, 0, n);
    f->mapLength = oldLength + n;
    return true;
}

bool InsertMapBytes(ResFileRecord *f, uint32_t at, uint32_t n)
{
    const uint32_t oldLength = f->mapLength;
    if (!GrowMap(f, n))
        return false;
    std::memmove(f->mapPtr + at + n, f->mapPtr + at, oldLength - at);
    std::memset(f->mapPtr + at, 0, n);
    const uint32_t nameList = f->nameListOffset;
    for (int i = 0; i < TypeCount(f); ++i) {
        MapTypeEntry *t = TypeAt(f, i);
        if (t->refListOffset == kNoReferenceList)
            continue;
        if (uint32_t(f->typeListOffset) + t->refListOffset >= at)
            t->refListOffset = uint16_t(t->refListOffset + n);
        for (int j = 0; j < RefCount(t); ++j) {
            MapRefEntry *r = RefAt(f, t, j);
            if (r->nameOffset != kNoName && nameList < at && nameList + r->nameOffset >= at)
                r->nameOffset = uint16_t(r->nameOffset + n);
        }
    }
    if (nameList >= at)
        f->nameListOffset = uint16_t(nameList + n);
    return true;
}

// Whether a map that grows by `n` bytes keeps every list and name offset within 16 bits.
bool MapCanGrow(const ResFileRecord *f, uint32_t n)
{
    const uint64_t after = uint64_t(f->mapLength) + n;
    return after - f->typeListOffset < kNoReferenceList && f->nameListOffset + uint64_t(n) <= 0xFFFF &&
           after - f->nameListOffset < kNoName;
}

// References are addressed by their map offset across edits: an insertion may move the map and the
// entries after the insertion point.
MapRefEntry *RefAtOffset(const ResFileRecord *f, uint32_t offset)
{
    return reinterpret_cast<MapRefEntry *>(f->mapPtr + offset);
}
uint32_t RefOffset(const ResFileRecord *f, const MapRefEntry *r)
{
    return uint32_t(reinterpret_cast<const uint8_t *>(r) - f->mapPtr);
}
bool InsertMapBytesKeeping(ResFileRecord *f, uint32_t at, uint32_t n, uint32_t &refOffset)
{
    if (!InsertMapBytes(f, at, n))
        return false;
    if (refOffset >= at)
        refOffset += n;
    return true;
}

// Appends a name at the end of the map (the end of the name list) and points the reference at it.
bool AppendName(ResFileRecord *f, uint32_t refOffset, const unsigned char *name)
{
    const uint32_t at = f->mapLength;
    const uint32_t n = name[0] + 1u;
    if (!MapCanGrow(f, n) || at < f->nameListOffset || !GrowMap(f, n))
        return false;
    std::memcpy(f->mapPtr + at, name, n);
    RefAtOffset(f, refOffset)->nameOffset = uint16_t(at - f->nameListOffset);
    return true;
}

// Gives a reference a new, non-empty name: appended when it had none, else over the old one, the names
// after it moved up first when the new one is longer.
bool StoreName(ResFileRecord *f, uint32_t refOffset, const unsigned char *name)
{
    const MapRefEntry *r = RefAtOffset(f, refOffset);
    if (r->nameOffset == kNoName)
        return AppendName(f, refOffset, name);
    const uint32_t pos = uint32_t(f->nameListOffset) + r->nameOffset;
    const uint32_t oldLength = f->mapPtr[pos];
    if (name[0] > oldLength) {
        const uint32_t grow = name[0] - oldLength;
        if (!MapCanGrow(f, grow) || !InsertMapBytesKeeping(f, pos + 1 + oldLength, grow, refOffset))
            return false;
    }
    std::memcpy(f->mapPtr + pos, name, name[0] + 1u);
    return true;
}

void MarkMapChanged(ResFileRecord *f)
{
    f->mapChanged = 1;
    DropResourceIndex(f);
}

// Appends a reference entry to a type's list (making the type first when `type` is null); returns it.
MapRefEntry *AppendReference(ResFileRecord *f, ResType typeCode, MapTypeEntry *type)
{
    const bool newType = !type || RefCount(type) == 0;
    if (!MapCanGrow(f, (type ? 0 : 8) + 12))
        return nullptr;
    if (!type) {
        const uint32_t typesEnd = f->typeListOffset + 2u + 8u * TypeCount(f);
        if (!InsertMapBytes(f, typesEnd, 8))
            return nullptr;
        ++f->typeCountMinus1;
        type = TypeAt(f, TypeCount(f) - 1);
        *type = MapTypeEntry{typeCode, 0, kNoReferenceList};
    }
    const int typeIndex = int((reinterpret_cast<uint8_t *>(type) - (f->mapPtr + f->typeListOffset + 2)) / 8);
    uint32_t at;
    if (newType) {
        // A new list goes after every other list, and after the type entries.
        at = f->typeListOffset + 2u + 8u * TypeCount(f);
        for (int i = 0; i < TypeCount(f); ++i) {
            const MapTypeEntry *t = TypeAt(f, i);
            if (RefCount(t))
                at = std::max(at, uint32_t(f->typeListOffset) + t->refListOffset + 12u * RefCount(t));
        }
    } else {
        at = uint32_t(f->typeListOffset) + type->refListOffset + 12u * RefCount(type);
    }
    if (!InsertMapBytes(f, at, 12))
        return nullptr;
    type = TypeAt(f, typeIndex);
    if (newType) {
        type->refListOffset = uint16_t(at - f->typeListOffset);
        type->countMinus1 = 0;
    } else {
        ++type->countMinus1;
    }
    return RefAt(f, type, RefCount(type) - 1);
}

// Writes a reference's data into the fork: over its old record when that is long enough, else at the
// data end. Appended data never cover the map the fork's header names, and offsets stay within 24 bits.
OSErr WriteReferenceData(ResFileRecord *f, const MapTypeEntry *t, MapRefEntry *r)
{
    if ((f->attributes & fileReadOnly) || f->embedded)
        return mapReadErr;
    Handle h = RefHandle(r);
    // A changed resource that lost its data, or never had them loaded, is loaded first: writing its
    // empty handle would replace the stored data with nothing.
    if (h && !Loaded(h) && !IsNew(r)) {
        if (MasterRecord(h)->data == kPurgedData)
            EmptyHandle(h);
        OSErr err = LoadReference(f, t, r);
        if (err != noErr)
            return err;
        h = RefHandle(r);
    }
    const uint32_t size = h && Loaded(h) ? uint32_t(GetHandleSize(h)) : 0;
    uint8_t word[4];
    uint32_t pos = 0, stored = 0;
    bool inPlace = false;
    if (!IsNew(r)) {
        pos = f->dataOffset + RefDataOffset(r);
        if (ForkFileRead(f, pos, word, 4)) {
            stored = ZEL_GetByteSwapLONG(word);
            inPlace = stored >= size;
        }
    }
    if (!inPlace) {
        pos = f->dataEnd;
        const uint64_t mapEnd = uint64_t(f->diskMapOffset) + f->diskMapLength;
        if (pos < mapEnd && pos + 4ull + size > f->diskMapOffset) {
            pos = uint32_t(mapEnd);
            f->deadSpace = true;
        }
        if (uint64_t(pos) - f->dataOffset >= kNewDataOffset || uint64_t(pos) + 4 + size > 0xFFFFFFFFull)
            return kDiskFullErr;
    }
    for (int i = 0; i < 4; ++i)
        word[i] = uint8_t(size >> (24 - 8 * i));
    bool ok = ForkFileWrite(f, pos, word, 4);
    if (ok && size) {
        ZEL_ByteSwap_Code(zelSwapToBigEndian, t->type, r->id, Size(size), *h, f->swapProc);
        ok = ForkFileWrite(f, pos + 4, *h, size);
        ZEL_ByteSwap_Code(zelSwapToNative, t->type, r->id, Size(size), *h, f->swapProc);
    }
    if (!ok)
        return kIoErr;
    uint8_t attrs = RefAttrs(r) & ~refChanged;
    if (inPlace && stored > size)
        attrs |= refShortenedMark;
    SetRefDataOffset(r, pos - f->dataOffset);
    SetRefAttrs(r, attrs);
    f->mapChanged = 1;
    if (!inPlace) {
        f->dataEnd = pos + 4 + size;
        f->dataLimit = std::max(f->dataLimit, f->dataEnd);
        f->forkSize = std::max(f->forkSize, f->dataEnd);
    }
    return noErr;
}

// Runs a call on a handle's home file as the current file, restoring the caller's afterwards.
struct HomeFileScope {
    ResFileRecord *saved;
    explicit HomeFileScope(ResFileRecord *home) : saved(CurrentResFile()) { SelectResFile(home); }
    ~HomeFileScope() { SelectResFile(saved); }
};

} // namespace

// ---- Services of the other Resource Manager files ----

void EmptyResourceCache() { sCache = ResourceCache{}; }

void ForgetCachedHandle(Handle h)
{
    if (h && sCache.handle == h)
        EmptyResourceCache();
}

void DropResourceIndex(ResFileRecord *f)
{
    if (f->index)
        DisposePtr(reinterpret_cast<Ptr>(f->index));
    f->index = nullptr;
}

OSErr WriteChangedReferences(ResFileRecord *f)
{
    for (int i = 0; i < TypeCount(f); ++i) {
        const MapTypeEntry *t = TypeAt(f, i);
        for (int j = 0; j < RefCount(t); ++j) {
            MapRefEntry *r = RefAt(f, t, j);
            // A resource never written has no data in the fork yet, changed bit or not.
            if (RefLive(r) && ((RefAttrs(r) & refChanged) || IsNew(r))) {
                OSErr err = WriteReferenceData(f, t, r);
                if (err != noErr)
                    return err;
            }
        }
    }
    return noErr;
}

// ---- Getting ----

ZEL_EXTERN_C OSErr ZEL_CALL ResError(void) { return CurrentResErr(); }

ZEL_EXTERN_C Handle ZEL_CALL GetResource(ResType type, int16_t id)
{
    SetResErr(noErr);
    if (sCache.handle && sCache.type == type && sCache.id == id && Loaded(sCache.handle))
        return sCache.handle;
    if (type == kPackType)
        return reinterpret_cast<Handle>(-1);
    bool typeSeen = false;
    for (ResFileRecord *f = CurrentResFile(); f; f = f->nextFile) {
        MapTypeEntry *t;
        MapRefEntry *r;
        if (FindRef(f, type, id, &t, &r)) {
            Handle h = TakeReference(f, t, r);
            if (h)
                sCache = ResourceCache{type, id, h};
            return h;
        }
        typeSeen = typeSeen || FindType(f, type);
    }
    Handle h = nullptr;
    ResFileRecord *current = CurrentResFile();
    if (type == kIconType && id >= 0 && id <= 2 && current) {
        // The Dialog Manager's alert icons stand in for the three standard icons.
        if (HICON icon = AlertIconHandle(id)) {
            h = NewResourceHandleFor(current);
            if (h && SetHandleSize(h, 4))
                std::memcpy(*h, &icon, 4);
        }
    } else if (type == kStrType && id == -16096 && current && SessionPlatform().versionWord == 0x0A03) {
        char text[256] = {};
        HMODULE user = GetModuleHandleA("USER.EXE");
        int n = user ? LoadStringA(user, 514, text, sizeof text) : 0;
        while (n > 0 && text[n - 1] == ' ')
            --n;
        if (n > 0) {
            h = NewResourceHandleFor(current);
            if (h && SetHandleSize(h, n + 2)) {
                (*h)[0] = char(n);
                std::memcpy(*h + 1, text, n);
                (*h)[n + 1] = 0;
            }
        }
    }
    if (!h && typeSeen)
        SetResErr(resNotFound);
    return h;
}

ZEL_EXTERN_C Handle ZEL_CALL RGetResource(ResType type, int16_t id) { return GetResource(type, id); }

ZEL_EXTERN_C Handle ZEL_CALL Get1Resource(ResType type, int16_t id)
{
    SetResErr(noErr);
    ResFileRecord *f = CurrentResFile();
    if (!f)
        return nullptr;
    MapTypeEntry *t;
    MapRefEntry *r;
    if (FindRef(f, type, id, &t, &r))
        return TakeReference(f, t, r);
    if (FindType(f, type))
        SetResErr(resNotFound);
    return nullptr;
}

ZEL_EXTERN_C Handle ZEL_CALL GetNamedResource(ResType type, ConstStr255Param name)
{
    SetResErr(noErr);
    for (ResFileRecord *f = CurrentResFile(); f; f = f->nextFile)
        if (Handle h = FindNamedIn(f, type, name))
            return h;
    SetResErr(resNotFound);
    return nullptr;
}

ZEL_EXTERN_C Handle ZEL_CALL Get1NamedResource(ResType type, ConstStr255Param name)
{
    SetResErr(noErr);
    Handle h = CurrentResFile() ? FindNamedIn(CurrentResFile(), type, name) : nullptr;
    if (!h)
        SetResErr(resNotFound);
    return h;
}

ZEL_EXTERN_C Handle ZEL_CALL GetIndResource(ResType type, int16_t index)
{
    SetResErr(noErr);
    int seen = 0;
    for (ResFileRecord *f = ResChainHead(); f && index > 0; f = f->nextFile) {
        for (int i = 0; i < TypeCount(f); ++i) {
            MapTypeEntry *t = TypeAt(f, i);
            if (t->type != type)
                continue;
            if (MapRefEntry *r = NthLive(f, t, index, seen))
                return TakeReference(f, t, r);
        }
    }
    SetResErr(resNotFound);
    return nullptr;
}

ZEL_EXTERN_C Handle ZEL_CALL Get1IndResource(ResType type, int16_t index)
{
    SetResErr(noErr);
    ResFileRecord *f = CurrentResFile();
    int seen = 0;
    for (int i = 0; f && index > 0 && i < TypeCount(f); ++i) {
        MapTypeEntry *t = TypeAt(f, i);
        if (t->type != type)
            continue;
        if (MapRefEntry *r = NthLive(f, t, index, seen))
            return TakeReference(f, t, r);
    }
    SetResErr(resNotFound);
    return nullptr;
}

ZEL_EXTERN_C void ZEL_CALL LoadResourc(Handle h)
{
    SetResErr(noErr);
    HomeRef home;
    if (!FindHomeOrReport(h, home) || Loaded(h) || IsNew(home.ref))
        return;
    if (MasterRecord(h)->data == kPurgedData)
        EmptyHandle(h);
    OSErr err = LoadReference(home.file, home.type, home.ref);
    if (err != noErr)
        SetResErr(err);
}

// ---- Counting and listing ----

ZEL_EXTERN_C int16_t ZEL_CALL Count1Resources(ResType type)
{
    SetResErr(noErr);
    return CurrentResFile() ? int16_t(LiveCount(CurrentResFile(), type)) : 0;
}

ZEL_EXTERN_C int16_t ZEL_CALL CountResources(ResType type)
{
    SetResErr(noErr);
    if (type == kFontType || type == kSfntType) {
        // Fonts are the installed Windows faces: bitmap faces for 'FONT', the others for 'sfnt'.
        int n = 0;
        InstalledFace face;
        for (int i = 0; InstalledFaceAt(i, &face); ++i)
            n += face.bitmap == (type == kFontType) ? 1 : 0;
        return int16_t(n);
    }
    int n = 0;
    for (ResFileRecord *f = ResChainHead(); f; f = f->nextFile)
        n += LiveCount(f, type);
    return int16_t(n);
}

ZEL_EXTERN_C int16_t ZEL_CALL Count1Types(void)
{
    SetResErr(noErr);
    return CurrentResFile() ? int16_t(TypeCount(CurrentResFile())) : 0;
}

ZEL_EXTERN_C int16_t ZEL_CALL CountTypes(void)
{
    SetResErr(noErr);
    int n = 0;
    for (ResFileRecord *f = ResChainHead(); f; f = f->nextFile)
        n += TypeCount(f);
    return int16_t(n);
}

ZEL_EXTERN_C void ZEL_CALL Get1IndType(ResType *type, int16_t index)
{
    SetResErr(noErr);
    ResFileRecord *f = CurrentResFile();
    ResType found = 0;
    if (f && index >= 1 && index <= TypeCount(f))
        found = TypeAt(f, index - 1)->type;
    if (type)
        *type = found;
}

ZEL_EXTERN_C void ZEL_CALL GetIndType(ResType *type, int16_t index)
{
    SetResErr(noErr);
    int left = index;
    for (ResFileRecord *f = ResChainHead(); f && left >= 1; f = f->nextFile) {
        if (left <= TypeCount(f)) {
            if (type)
                *type = TypeAt(f, left - 1)->type;
            return;
        }
        left -= TypeCount(f);
    }
}

namespace {

bool IdUsed(ResType type, int16_t id, bool olderToo)
{
    MapTypeEntry *t;
    MapRefEntry *r;
    for (ResFileRecord *f = CurrentResFile(); f; f = olderToo ? f->nextFile : nullptr)
        if (FindRef(f, type, id, &t, &r))
            return true;
    return false;
}

// Random candidates first, as the Macintosh draws them; when 32768 draws found none free, the IDs are
// tried in order from the last candidate, so the call ends even when every ID is taken.
int16_t DrawUniqueID(ResType type, bool olderToo)
{
    SetResErr(noErr);
    int16_t candidate = 0;
    for (int draw = 0; draw < 32768; ++draw) {
        candidate = int16_t((QuickDrawRandom() + (LowMem<uint32_t>(lmTicks) & 0xFFFF)) & 0x7FFF);
        if (!IdUsed(type, candidate, olderToo))
            return candidate;
    }
    for (int k = 0; k < 32768; ++k) {
        int16_t id = int16_t((candidate + k) & 0x7FFF);
        if (!IdUsed(type, id, olderToo))
            return id;
    }
    return candidate;
}

} // namespace

ZEL_EXTERN_C int16_t ZEL_CALL UniqueID(ResType type) { return DrawUniqueID(type, true); }
ZEL_EXTERN_C int16_t ZEL_CALL Unique1ID(ResType type) { return DrawUniqueID(type, false); }

// ---- Describing and changing ----

ZEL_EXTERN_C int16_t ZEL_CALL HomeResFile(Handle h)
{
    SetResErr(noErr);
    HomeRef home;
    return FindHomeOrReport(h, home) ? home.file->refNum : int16_t(-1);
}

ZEL_EXTERN_C int16_t ZEL_CALL GetResAttrs(Handle h)
{
    SetResErr(noErr);
    HomeRef home;
    return FindHomeOrReport(h, home) ? int16_t(RefAttrs(home.ref) & ~refOwnMarks) : int16_t(0);
}

ZEL_EXTERN_C void ZEL_CALL SetResAttrs(Handle h, int16_t attrs)
{
    SetResErr(noErr);
    HomeRef home;
    if (FindHomeOrReport(h, home))
        SetRefAttrs(home.ref, uint8_t((RefAttrs(home.ref) & refOwnMarks) | (attrs & ~refOwnMarks)));
}

ZEL_EXTERN_C void ZEL_CALL GetResInfo(Handle h, int16_t *id, ResType *type, StringPtr name)
{
    SetResErr(noErr);
    HomeRef home;
    if (!FindHomeOrReport(h, home))
        return;
    if (id)
        *id = home.ref->id;
    if (type)
        *type = home.type->type;
    if (name) {
        const uint8_t *n = RefName(home.file, home.ref);
        name[0] = 0;
        if (n)
            std::memcpy(name, n, n[0] + 1u);
    }
}

ZEL_EXTERN_C void ZEL_CALL SetResInfo(Handle h, int16_t id, ConstStr255Param name)
{
    SetResErr(noErr);
    HomeRef home;
    if (!FindHomeOrReport(h, home))
        return;
    home.ref->id = id;
    if (name && name[0] && !StoreName(home.file, RefOffset(home.file, home.ref), name))
        SetResErr(addResFailed);
    MarkMapChanged(home.file);
}

namespace {

int32_t StoredSize(Handle h)
{
    SetResErr(noErr);
    HomeRef home;
    if (!FindHomeOrReport(h, home))
        return -1;
    // A resource not yet written has the size of its handle.
    if (IsNew(home.ref))
        return Loaded(h) ? GetHandleSize(h) : 0;
    uint8_t word[4];
    if (!ForkFileRead(home.file, home.file->dataOffset + RefDataOffset(home.ref), word, 4))
        return -1;
    return int32_t(ZEL_GetByteSwapLONG(word));
}

} // namespace

ZEL_EXTERN_C int32_t ZEL_CALL SizeRsrc(Handle h) { return StoredSize(h); }
ZEL_EXTERN_C int32_t ZEL_CALL GetResourceSizeOnDisk(Handle h) { return StoredSize(h); }
ZEL_EXTERN_C int32_t ZEL_CALL GetMaxResourceSize(Handle h) { return StoredSize(h); }

ZEL_EXTERN_C void ZEL_CALL ChangedResource(Handle h)
{
    SetResErr(noErr);
    HomeRef home;
    if (!FindHomeOrReport(h, home))
        return;
    SetRefAttrs(home.ref, RefAttrs(home.ref) | refChanged);
    home.file->mapChanged = 1;
}

ZEL_EXTERN_C void ZEL_CALL WriteResource(Handle h)
{
    SetResErr(noErr);
    HomeRef home;
    if (!FindHomeOrReport(h, home) || !(RefAttrs(home.ref) & refChanged))
        return;
    HomeFileScope scope(home.file);
    OSErr err = WriteReferenceData(home.file, home.type, home.ref);
    if (err != noErr)
        SetResErr(err);
}

ZEL_EXTERN_C void ZEL_CALL ReleaseResource(Handle h)
{
    if (!h || !(MasterRecord(h)->flags & mpResource)) {
        SetResErr(resAttrErr);
        return;
    }
    SetResErr(noErr);
    HomeRef home;
    if (FindHomeOrReport(h, home))
        FreeReference(home.file, home.type, home.ref);
}

ZEL_EXTERN_C void ZEL_CALL DetachResource(Handle h)
{
    SetResErr(noErr);
    HomeRef home;
    if (!FindHomeOrReport(h, home))
        return;
    ForgetCachedHandle(h);
    SetRefHandle(home.ref, nullptr);
    HClrRBit(h);
}

ZEL_EXTERN_C void ZEL_CALL RemoveResource(Handle h)
{
    SetResErr(noErr);
    HomeRef home;
    if (!FindHomeOrReport(h, home))
        return;
    ForgetCachedHandle(h);
    SetRefHandle(home.ref, nullptr);
    SetRefAttrs(home.ref, RefAttrs(home.ref) | refRemovedMark);
    HClrRBit(h);
    MarkMapChanged(home.file);
}

ZEL_EXTERN_C void ZEL_CALL AddResource(Handle h, ResType type, int16_t id, ConstStr255Param name)
{
    SetResErr(noErr);
    ResFileRecord *f = CurrentResFile();
    if (!h || (MasterRecord(h)->flags & mpResource) || !f) {
        SetResErr(addResFailed);
        return;
    }
    MapTypeEntry *t = FindType(f, type);
    MapRefEntry *r = nullptr;
    bool reused = false;
    for (int j = 0; t && j < RefCount(t) && !r; ++j)
        if (!RefLive(RefAt(f, t, j)))
            r = RefAt(f, t, j), reused = true;
    if (!r)
        r = AppendReference(f, type, t);
    if (!r) {
        SetResErr(addResFailed);
        return;
    }
    r->id = id;
    if (!reused)
        r->nameOffset = kNoName;
    // A new resource has no data in the fork until it is written.
    r->attrsAndData = (uint32_t(refChanged) << 24) | kNewDataOffset;
    SetRefHandle(r, h);
    if (!name || !name[0])
        r->nameOffset = kNoName;
    else if (!StoreName(f, RefOffset(f, r), name))
        SetResErr(addResFailed);
    HSetRBit(h);
    SetHandleResFileSlot(h, int16_t(f->slot));
    MarkMapChanged(f);
}

ZEL_STUB_VOID(SetResourceSize, (Handle, int32_t))
ZEL_STUB_VOID(WritePartialResource, (Handle, int32_t, const void *, int32_t))
ZEL_STUB_VOID(ReadPartialResource, (Handle, int32_t, void *, int32_t))

void SetRefHandle(MapRefEntry *r, Handle h)
{
    if (r->handle)
        sRefOfHandle.erase(r->handle);
    r->handle = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(h));
    if (h)
        sRefOfHandle[r->handle] = r;
}

// Private declarations of the Resource Manager: the open-fork record, the native-order views of the
// in-memory map, and the calls its three files (fork format, chain, single resources) share.
#pragma once

#include <windows.h>
#include "MacTypes.h"
#include "MacMemory.h"
#include "Resources.h"

// ---- The fork layout ----
constexpr uint32_t kForkHeaderSize = 256;  // data offset of every fork
constexpr uint32_t kMapHeaderSize = 28;    // header copy, next map, file ref, attributes, two list offsets
constexpr uint32_t kMinMapLength = 30;     // the header and an empty type list
constexpr uint32_t kEmptyForkSize = kForkHeaderSize + kMinMapLength;
constexpr uint32_t kCopyBufferSize = 28672; // data move between files through this one buffer
constexpr uint32_t kMaxDataOffset = 0xFFFFFF; // data offsets are 24-bit
// The data offset of a resource added in memory and not yet written: no fork holds data there, because
// the open refuses a reference at that offset.
constexpr uint32_t kNewDataOffset = kMaxDataOffset;
constexpr uint16_t kNoReferenceList = 0xFFFF;
constexpr uint16_t kNoName = 0xFFFF;

// Reference attribute bits. The low and high bits are the library's own marks and never reach a fork.
enum {
    refRemovedMark = 0x01,   // removed, kept in the in-memory map until the next write
    refChanged = 0x02,
    refPreload = 0x04,
    refShortenedMark = 0x80, // rewritten in place with shorter data: compact at the next write
    refOwnMarks = refRemovedMark | refShortenedMark
};

// File Manager results the Resource Manager passes on.
constexpr OSErr kIoErr = -36;
constexpr OSErr kBadNameErr = -37;
constexpr OSErr kDiskFullErr = -34;
constexpr OSErr kTooManyFilesErr = -42;
constexpr OSErr kDupNameErr = -48;

// File attributes as GetResFileAttrs reports them.
enum { fileReadOnly = 0x80, fileCompact = 0x40, fileMapChanged = 0x20 };

// In-memory map entries, converted to native order when the fork opens.
#pragma pack(push, 2)
struct MapTypeEntry {
    ResType type;
    uint16_t countMinus1;
    uint16_t refListOffset; // from the type list offset; kNoReferenceList when the type has none
};
struct MapRefEntry {
    int16_t id;
    uint16_t nameOffset;    // from the name list; kNoName when unnamed
    uint32_t attrsAndData;  // attribute byte in the high 8 bits, data offset in the low 24
    uint32_t handle;
};
#pragma pack(pop)
static_assert(sizeof(MapTypeEntry) == 8, "type entries are 8 bytes");
static_assert(sizeof(MapRefEntry) == 12, "reference entries are 12 bytes");

inline uint8_t RefAttrs(const MapRefEntry *r) { return static_cast<uint8_t>(r->attrsAndData >> 24); }
inline uint32_t RefDataOffset(const MapRefEntry *r) { return r->attrsAndData & kMaxDataOffset; }
inline void SetRefAttrs(MapRefEntry *r, uint8_t a) { r->attrsAndData = (uint32_t(a) << 24) | RefDataOffset(r); }
inline void SetRefDataOffset(MapRefEntry *r, uint32_t off)
{
    r->attrsAndData = (r->attrsAndData & 0xFF000000u) | (off & kMaxDataOffset);
}
inline Handle RefHandle(const MapRefEntry *r) { return reinterpret_cast<Handle>(static_cast<uintptr_t>(r->handle)); }
// Gives a reference its handle (or none), noting where the handle's reference is for FindHome.
void SetRefHandle(MapRefEntry *r, Handle h);
inline bool RefLive(const MapRefEntry *r) { return !(RefAttrs(r) & refRemovedMark); }
inline bool IsNew(const MapRefEntry *r) { return RefDataOffset(r) == kNewDataOffset; }

struct ResourceIndex;

// One open resource fork.
struct ResFileRecord {
    ResFileRecord *nextFile;  // next older file
    ResFileRecord *prevFile;  // next newer file
    uint16_t slot;            // 0..62
    char path[256];
    int16_t refNum;           // from the open-file table; 0 once closed
    uint8_t headerBuffer[256];
    uint32_t dataEnd;         // where appended data go
    uint32_t dataLimit;       // fork size minus map length at open, raised by appends
    uint32_t mapChanged;
    uint16_t attributes;
    uint32_t dataOffset, mapOffset, dataLength, mapLength;
    Handle mapHandle;         // the whole map, locked while the file is open
    uint8_t *mapPtr;
    uint16_t typeListOffset, nameListOffset;
    uint32_t forkBase;        // 0, or the offset of an embedded fork in its host file
    ProcPtr swapProc;
    int16_t typeCountMinus1;
    // Where the map that the fork's header names lies on disk: appended data never overwrite it, so the
    // fork on disk stays whole until the writer puts in its new header.
    uint32_t diskMapOffset, diskMapLength;
    uint32_t forkSize;        // bytes of the fork on disk
    bool deadSpace;           // the data area holds bytes no reference uses: compact at the next close
    bool embedded;            // lives inside the host file named by the library settings
    bool fileOpen;            // the fork's own file is open under refNum
    ResourceIndex *index;     // type and ID look-up table, rebuilt when the map changes
};

// ---- Map access (every entry lies inside the map: the open checks it, edits keep it so) ----
inline int TypeCount(const ResFileRecord *f) { return f->typeCountMinus1 + 1; }
inline MapTypeEntry *TypeAt(const ResFileRecord *f, int i)
{
    return reinterpret_cast<MapTypeEntry *>(f->mapPtr + f->typeListOffset + 2 + 8 * i);
}
inline int RefCount(const MapTypeEntry *t) { return t->refListOffset == kNoReferenceList ? 0 : t->countMinus1 + 1; }
inline MapRefEntry *RefAt(const ResFileRecord *f, const MapTypeEntry *t, int j)
{
    return reinterpret_cast<MapRefEntry *>(f->mapPtr + f->typeListOffset + t->refListOffset + 12 * j);
}
// The reference's name as a Pascal string, or null.
inline const uint8_t *RefName(const ResFileRecord *f, const MapRefEntry *r)
{
    return r->nameOffset == kNoName ? nullptr : f->mapPtr + f->nameListOffset + r->nameOffset;
}

// ---- resource_chain.cpp ----
void SetResErr(OSErr err);
OSErr CurrentResErr();
bool ResLoadOn();
ResFileRecord *CurrentResFile();
ResFileRecord *ResChainHead();
ResFileRecord *ResFileInSlot(int slot);
// The file with this reference number in the chain (0: the system file in slot 0), or null.
ResFileRecord *FindResFile(int16_t refNum);
// Makes a file current (null leaves the current file); empties the GetResource cache either way.
void SelectResFile(ResFileRecord *f);
// Closes the record without writing: frees its resources and map, closes its file, releases its slot.
void CloseResRecord(ResFileRecord *f);

// File access at fork offsets; false on any short transfer.
bool ForkFileRead(const ResFileRecord *f, uint32_t offset, void *buffer, uint32_t count);
bool ForkFileWrite(const ResFileRecord *f, uint32_t offset, const void *buffer, uint32_t count);
bool FlushForkFile(const ResFileRecord *f);
// Cuts the fork's own file back to `size` bytes (undoing the writer's own growth after a failure).
void TruncateForkFile(const ResFileRecord *f, uint32_t size);
// Closes the fork's own file (never the host file of embedded forks), and opens its path again for
// reading and writing under the same reference number.
void CloseForkFile(ResFileRecord *f);
OSErr ReopenForkFile(ResFileRecord *f, int16_t refNum);

// ---- resource_fork.cpp ----
// The bytes of the empty fork CreateResFile writes.
const uint8_t *EmptyForkBytes();
// Reads and checks the fork of an opened record (`size`: the file's length), converts its map to
// native order and makes the preload resources. With `keepHandles` the handle fields read are kept
// (the writer's own re-read). On failure the map is freed and the error returned.
OSErr ReadForkMap(ResFileRecord *f, uint32_t size, bool keepHandles);
// The fork writer: 1 when the fork was written or flushed, 0 otherwise (error in ResError). Without
// `keepOpen` a written fork's record is closed.
int16_t RunForkWriter(ResFileRecord *f, bool keepOpen);
// Loads a reference's data into its (empty) handle: the byte swap and the 'MENU' fix-up included.
OSErr LoadReference(ResFileRecord *f, const MapTypeEntry *t, MapRefEntry *r);
// Frees a reference's handle and forgets it in the reference.
void FreeReference(ResFileRecord *f, const MapTypeEntry *t, MapRefEntry *r);
// Frees every resource of a file.
void FreeAllReferences(ResFileRecord *f);
// An empty handle with the resource bit, tagged with the file's slot.
Handle NewResourceHandleFor(const ResFileRecord *f);

// ---- resources.cpp ----
// The GetResource cache: emptied whenever the current file or the chain changes, and when its handle
// stops being that resource's handle.
void EmptyResourceCache();
void ForgetCachedHandle(Handle h);
// Writes every live reference marked changed (the fork writer's first step).
OSErr WriteChangedReferences(ResFileRecord *f);
// The look-up index of a file: dropped when its map changes shape, freed with the file.
void DropResourceIndex(ResFileRecord *f);

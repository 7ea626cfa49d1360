// Sub-allocator of small blocks. Handle data and pointers below the sub-allocation threshold never reach
// the local heap one by one: chunks of the local heap are carved into blocks framed by two tags, so that
// a damaged or twice-freed block is recognised before it corrupts anything.
//
// Chunk: a 32-byte header, then the payload filled with blocks end to end. Block of body size s (a
// multiple of 4, 8 to 65532): header tag, s bytes of body, trailer tag. A used body starts with a u16
// holding the requested size, and the caller's bytes follow (the user pointer is the block + 6). A free
// body holds the next free block and the address 4 bytes before the field that links to this block, so
// that unlinking writes "back + 4" whether the link is the chunk's list head or another block.
#include "core.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

constexpr uint32_t kHeaderUsed = 0x2BF30000;
constexpr uint32_t kHeaderFree = 0xABF30000;
constexpr uint32_t kTrailerUsed = 0x3B5C0000;
constexpr uint32_t kTrailerFree = 0xBB5C0000;
constexpr uint32_t kFreeMark = 0x80000000;
constexpr uint32_t kSizeMask = 0xFFFF;

constexpr uint32_t kChunkHeaderBytes = 32;
constexpr uint32_t kTagBytes = 8;       // header and trailer tags of one block
constexpr uint32_t kMinBody = 8;        // room for the two free-list links
constexpr uint32_t kMinSplit = 16;      // the smallest piece that can stand as a block of its own
constexpr uint32_t kUserOffset = 6;     // header tag and the stored requested size
constexpr uint32_t kMaxBody = 65532;    // the largest multiple of 4 the tags' 16 size bits hold
constexpr uint32_t kMaxRequest = kMaxBody - 2;
constexpr uint32_t kMaxChunkPayload = 65280;
constexpr UINT kChunkFlags = LMEM_MOVEABLE | LMEM_ZEROINIT;

// The threshold bound keeps every block below it inside a chunk of the capped payload.
static_assert(((kMaxSubAllocationThreshold - 1 + 5) & ~3u) + kTagBytes <= kMaxChunkPayload,
              "a block just below the largest threshold fits the largest chunk");
static_assert(((kMaxSubAllocationThreshold + 5) & ~3u) + kTagBytes > kMaxChunkPayload,
              "the bound is the largest such threshold");

#pragma pack(push, 2)
struct ChunkHeader {
    uint32_t next;      // next chunk
    uint32_t prevLink;  // address of the previous chunk's `next`, or of the list head
    uint32_t firstFree; // first block of the free list
    uint32_t end;       // address just past the last block
    uint32_t payload;   // bytes after the header
    uint32_t local;     // the chunk's own local-heap handle (first of the reserved words)
    uint32_t reserved[2];
};
#pragma pack(pop)
static_assert(sizeof(ChunkHeader) == kChunkHeaderBytes, "a chunk header is 32 bytes");
static_assert(offsetof(ChunkHeader, firstFree) == 8, "the free-list head at 8");
static_assert(offsetof(ChunkHeader, payload) == 16, "payload at 16");

// Head of the chunk list: the most recently successful chunk.
uint32_t sChunkHead;
// Every chunk of the list in address order, so that a block's chunk is found by a binary search
// whatever the number of chunks.
std::vector<uint32_t> sChunksByAddress;
// The last chunk that emptied, kept off the list for the next chunk of its size instead of going back
// to the local heap: a lone small block made and freed again and again would otherwise make and free a
// chunk every time. Out of the totals while kept, as a freed chunk is.
ChunkHeader *sSpare;

uint32_t Addr(const void *p) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p)); }
uint8_t *At(uint32_t a) { return reinterpret_cast<uint8_t *>(static_cast<uintptr_t>(a)); }

uint32_t Get(const uint8_t *p)
{
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}
void Put(uint8_t *p, uint32_t v) { std::memcpy(p, &v, 4); }
uint16_t Get16(const uint8_t *p)
{
    uint16_t v;
    std::memcpy(&v, p, 2);
    return v;
}
void Put16(uint8_t *p, uint16_t v) { std::memcpy(p, &v, 2); }

ChunkHeader *ChunkAt(uint32_t a) { return reinterpret_cast<ChunkHeader *>(static_cast<uintptr_t>(a)); }
uint8_t *FirstBlock(ChunkHeader *c) { return reinterpret_cast<uint8_t *>(c) + kChunkHeaderBytes; }
uint8_t *ChunkEnd(ChunkHeader *c) { return At(c->end); }
// The "back" value of the first free block: 4 bytes before the chunk's list head.
uint32_t ListHeadBack(ChunkHeader *c) { return Addr(&c->firstFree) - 4; }

uint32_t BodySizeFor(uint32_t request) { return std::max<uint32_t>(kMinBody, (request + 5) & ~3u); }

bool ValidHeader(uint32_t tag, bool free)
{
    return (tag & 3) == 0 && (tag >> 16) == ((free ? kHeaderFree : kHeaderUsed) >> 16);
}
bool ValidTrailer(uint32_t tag, bool free)
{
    return (tag & 3) == 0 && (tag >> 16) == ((free ? kTrailerFree : kTrailerUsed) >> 16);
}

void SetTags(uint8_t *b, uint32_t s, bool free)
{
    Put(b, s | (free ? kHeaderFree : kHeaderUsed));
    Put(b + 4 + s, s | (free ? kTrailerFree : kTrailerUsed));
}

// True when a block may start at `b` in the chunk: inside it, on the 4-byte grid, with room for the
// smallest block.
bool BlockPlace(ChunkHeader *c, const uint8_t *b)
{
    const uint8_t *first = FirstBlock(c);
    return b >= first && b + kTagBytes + kMinBody <= ChunkEnd(c) && ((b - first) & 3) == 0;
}

// The block at `b` is whole and of the given kind: both tags valid and equal, its size in bounds and
// its trailer inside the chunk. Reads nothing outside the chunk.
bool SoundBlock(ChunkHeader *c, const uint8_t *b, bool free)
{
    if (!BlockPlace(c, b))
        return false;
    uint32_t head = Get(b);
    if (!ValidHeader(head, free))
        return false;
    uint32_t s = head & kSizeMask;
    if (s < kMinBody || s > c->payload - kTagBytes || b + kTagBytes + s > ChunkEnd(c))
        return false;
    uint32_t trail = Get(b + 4 + s);
    return ValidTrailer(trail, free) && (trail & kSizeMask) == s;
}

uint32_t BodySize(const uint8_t *b) { return Get(b) & kSizeMask; }

void Damage()
{
    if (SessionFlag(zelFlagHeapCheck))
        ReportHeapDamage(0);
}

// ---- chunk list ----

void UnlinkChunk(ChunkHeader *c)
{
    Put(At(c->prevLink), c->next);
    if (c->next)
        ChunkAt(c->next)->prevLink = c->prevLink;
}

void ForgetChunkAddress(ChunkHeader *c)
{
    auto at = std::lower_bound(sChunksByAddress.begin(), sChunksByAddress.end(), Addr(c));
    if (at != sChunksByAddress.end() && *at == Addr(c))
        sChunksByAddress.erase(at);
}

void InsertChunkAtHead(ChunkHeader *c)
{
    c->next = sChunkHead;
    c->prevLink = Addr(&sChunkHead);
    if (sChunkHead)
        ChunkAt(sChunkHead)->prevLink = Addr(&c->next);
    sChunkHead = Addr(c);
}

void MoveChunkToHead(ChunkHeader *c)
{
    if (sChunkHead == Addr(c))
        return;
    UnlinkChunk(c);
    InsertChunkAtHead(c);
}

uint32_t ChunkBytes(const ChunkHeader *c) { return kChunkHeaderBytes + c->payload; }

// A chunk's block stays mapped for its whole life and is freed so (LocalFree takes a locked block).
void ReleaseChunk(ChunkHeader *c)
{
    FreeLocalBlockOfSize(reinterpret_cast<HLOCAL>(static_cast<uintptr_t>(c->local)), ChunkBytes(c));
}

// Gives the kept chunk back to the local heap.
void DropSpare()
{
    if (!sSpare)
        return;
    ChunkHeader *c = sSpare;
    sSpare = nullptr;
    CountLocalBlock(ChunkBytes(c), true);
    ReleaseChunk(c);
}

// A chunk that has emptied: kept when no other is, else given back.
void RetireChunk(ChunkHeader *c)
{
    UnlinkChunk(c);
    ForgetChunkAddress(c);
    if (sSpare) {
        ReleaseChunk(c);
        return;
    }
    CountLocalBlock(ChunkBytes(c), false);
    sSpare = c;
}

// The chunk whose blocks may include one starting at `b`.
ChunkHeader *ChunkHolding(const uint8_t *b)
{
    auto after = std::upper_bound(sChunksByAddress.begin(), sChunksByAddress.end(), Addr(b));
    if (after == sChunksByAddress.begin())
        return nullptr;
    ChunkHeader *c = ChunkAt(*(after - 1));
    return BlockPlace(c, b) ? c : nullptr;
}

// ---- free lists ----

void PushFree(ChunkHeader *c, uint8_t *b, uint32_t s)
{
    SetTags(b, s, true);
    uint32_t next = c->firstFree;
    Put(b + 4, next);
    Put(b + 8, ListHeadBack(c));
    if (next)
        Put(At(next) + 8, Addr(b));
    c->firstFree = Addr(b);
}

void UnlinkFree(uint8_t *b)
{
    uint32_t next = Get(b + 4);
    uint32_t back = Get(b + 8);
    Put(At(back) + 4, next);
    if (next)
        Put(At(next) + 8, back);
}

// Puts `to` in the free-list place of `from`.
void ReplaceFree(uint8_t *from, uint8_t *to)
{
    uint32_t next = Get(from + 4);
    uint32_t back = Get(from + 8);
    Put(to + 4, next);
    Put(to + 8, back);
    Put(At(back) + 4, Addr(to));
    if (next)
        Put(At(next) + 8, Addr(to));
}

// Tags that end up inside a larger block are wiped, so that a stale pointer to a merged block fails
// the tag check instead of passing it.
void WipeTag(uint8_t *tag) { Put(tag, 0); }

// ---- checks ----

bool ChunkSound(ChunkHeader *c)
{
    if (c->payload < kTagBytes + kMinBody || c->end != Addr(FirstBlock(c)) + c->payload)
        return false;
    // The free list: sound free blocks, each pointing back at its predecessor, without a cycle.
    uint32_t listLength = 0;
    uint32_t maxBlocks = c->payload / (kTagBytes + kMinBody);
    uint32_t expectBack = ListHeadBack(c);
    for (uint32_t a = c->firstFree; a; a = Get(At(a) + 4)) {
        if (++listLength > maxBlocks || !SoundBlock(c, At(a), true) || Get(At(a) + 8) != expectBack)
            return false;
        expectBack = a;
    }
    // Every block in order: tags of one kind with equal sizes, no two free neighbours, and as many
    // free blocks as the list holds.
    uint32_t freeBlocks = 0;
    bool previousFree = false;
    uint8_t *b = FirstBlock(c);
    while (b != ChunkEnd(c)) {
        bool free = (Get(b) & kFreeMark) != 0;
        if (!SoundBlock(c, b, free) || (free && previousFree))
            return false;
        freeBlocks += free;
        previousFree = free;
        b += kTagBytes + BodySize(b);
    }
    return freeBlocks == listLength;
}

void QuickCheck()
{
    if (SessionFlag(zelFlagHeapCheck) && sChunkHead && !ChunkSound(ChunkAt(sChunkHead)))
        ReportHeapDamage(0);
}

// ---- allocation ----

// First fit on the chunk's free list; the tags of every free block on the way are verified, and a bad
// one ends the search of this chunk.
uint8_t *FirstFit(ChunkHeader *c, uint32_t s)
{
    uint32_t maxBlocks = c->payload / (kTagBytes + kMinBody);
    uint32_t seen = 0;
    for (uint32_t a = c->firstFree; a; a = Get(At(a) + 4)) {
        if (++seen > maxBlocks || !SoundBlock(c, At(a), true)) {
            Damage();
            return nullptr;
        }
        if (BodySize(At(a)) >= s)
            return At(a);
    }
    return nullptr;
}

// Takes the free block `b` for a request of `request` bytes (body size s): a remainder that can stand
// as a block stays free in the block's place on the list, a smaller one is used with it.
void *TakeBlock(uint8_t *b, uint32_t s, uint32_t request)
{
    uint32_t f = BodySize(b);
    if (f - s < kMinSplit) {
        UnlinkFree(b);
        s = f;
    } else {
        uint8_t *rest = b + kTagBytes + s;
        ReplaceFree(b, rest);
        SetTags(rest, f - s - kTagBytes, true);
    }
    std::memset(b + 4, 0, s);
    SetTags(b, s, false);
    Put16(b + 4, static_cast<uint16_t>(request));
    return b + kUserOffset;
}

// A new chunk with room for at least a body of s bytes, at the head of the list, as one free block.
// Its payload is twice the threshold, capped; never less than the block needs, so that a tiny
// threshold cannot make a chunk too small for its first block.
// The kept chunk serves when it has the payload a new chunk would have, and the memory limit lets it
// back into the totals.
ChunkHeader *TakeSpare(uint32_t payload)
{
    if (!sSpare || sSpare->payload != payload) {
        DropSpare();
        return nullptr;
    }
    ChunkHeader *c = sSpare;
    sSpare = nullptr;
    if (!LocalBlockAllowed(ChunkBytes(c))) {
        CountLocalBlock(ChunkBytes(c), true);
        ReleaseChunk(c);
        return nullptr;
    }
    CountLocalBlock(ChunkBytes(c), true);
    return c;
}

ChunkHeader *NewChunk(uint32_t s)
{
    uint32_t payload = std::min(2 * SubAllocationThreshold(), kMaxChunkPayload) & ~3u;
    payload = std::max(payload, s + kTagBytes);
    ChunkHeader *c = TakeSpare(payload);
    uint32_t local = c ? c->local : 0;
    if (!c) {
        HLOCAL block = AllocLocalBlock(kChunkFlags, kChunkHeaderBytes + payload);
        if (!block)
            return nullptr;
        c = static_cast<ChunkHeader *>(LockLocalBlock(block));
        if (!c) {
            FreeLocalBlock(block);
            return nullptr;
        }
        local = Addr(block);
    }
    std::memset(c, 0, kChunkHeaderBytes);
    c->local = local;
    c->payload = payload;
    c->end = Addr(FirstBlock(c)) + payload;
    PushFree(c, FirstBlock(c), payload - kTagBytes);
    InsertChunkAtHead(c);
    sChunksByAddress.insert(std::upper_bound(sChunksByAddress.begin(), sChunksByAddress.end(), Addr(c)), Addr(c));
    return c;
}

// The used block behind a user pointer and its chunk, or NULL (with a damage report) when the pointer
// is not a sound used block of any chunk.
uint8_t *UsedBlock(void *p, ChunkHeader **chunk)
{
    uint8_t *b = static_cast<uint8_t *>(p) - kUserOffset;
    ChunkHeader *c = ChunkHolding(b);
    if (!c || !SoundBlock(c, b, false)) {
        Damage();
        return nullptr;
    }
    *chunk = c;
    return b;
}

// The free block following `b` in its chunk, NULL when there is none or the next block is used.
// `damaged` is set when the next block claims to be free but is not sound.
uint8_t *FreeFollower(ChunkHeader *c, uint8_t *b, bool *damaged)
{
    uint8_t *n = b + kTagBytes + BodySize(b);
    *damaged = false;
    if (n >= ChunkEnd(c) || !(Get(n) & kFreeMark))
        return nullptr;
    if (!SoundBlock(c, n, true)) {
        *damaged = true;
        return nullptr;
    }
    return n;
}

// Zero-fills the caller's bytes from `from` to `to` (the part a resize adds).
void ClearGrowth(uint8_t *b, uint32_t from, uint32_t to)
{
    if (to > from)
        std::memset(b + kUserOffset + from, 0, to - from);
}

} // namespace

uint32_t SubAllocationThreshold()
{
    return std::min(SubAllocationThresholdSetting(), kMaxSubAllocationThreshold);
}

void *SubAllocate(uint32_t size)
{
    QuickCheck();
    if (size > kMaxRequest)
        return nullptr;
    uint32_t s = BodySizeFor(size);
    for (uint32_t a = sChunkHead; a; a = ChunkAt(a)->next) {
        ChunkHeader *c = ChunkAt(a);
        if (uint8_t *b = FirstFit(c, s)) {
            void *p = TakeBlock(b, s, size);
            MoveChunkToHead(c);
            return p;
        }
    }
    ChunkHeader *c = NewChunk(s);
    return c ? TakeBlock(FirstBlock(c), s, size) : nullptr;
}

bool SubFree(void *p)
{
    QuickCheck();
    if (!p)
        return false;
    ChunkHeader *c;
    uint8_t *b = UsedBlock(p, &c);
    if (!b)
        return false;

    // Both neighbours are looked at before anything changes, so that a damaged one refuses the free.
    uint32_t s = BodySize(b);
    uint8_t *before = nullptr;
    if (b > FirstBlock(c) && (Get(b - 4) & kFreeMark)) {
        uint32_t ps = Get(b - 4) & kSizeMask;
        before = b - kTagBytes - ps;
        if (!SoundBlock(c, before, true) || BodySize(before) != ps) {
            Damage();
            return false;
        }
    }
    bool damaged;
    uint8_t *after = FreeFollower(c, b, &damaged);
    if (damaged) {
        Damage();
        return false;
    }

    MoveChunkToHead(c);
    uint8_t *start = b;
    uint32_t body = s;
    if (before) {
        UnlinkFree(before);
        WipeTag(b - 4);
        WipeTag(b);
        start = before;
        body += BodySize(before) + kTagBytes;
    }
    if (after) {
        UnlinkFree(after);
        body += BodySize(after) + kTagBytes;
        WipeTag(b + 4 + s);
        WipeTag(after);
    }
    PushFree(c, start, body);

    // A chunk with nothing left in it goes back to the local heap, or is kept for the next one.
    if (start == FirstBlock(c) && body == c->payload - kTagBytes)
        RetireChunk(c);
    return true;
}

void *SubResize(void *p, uint32_t size, bool allowMove)
{
    QuickCheck();
    if (!p || size > kMaxRequest)
        return nullptr;
    ChunkHeader *c;
    uint8_t *b = UsedBlock(p, &c);
    if (!b)
        return nullptr;
    uint32_t s = BodySize(b);
    uint32_t need = BodySizeFor(size);
    uint32_t old = Get16(b + 4);
    bool damaged;
    uint8_t *after = FreeFollower(c, b, &damaged);
    if (damaged) {
        Damage();
        return nullptr;
    }

    if (need > s) {
        // Growing: join the free block that follows when both together are large enough.
        if (after && s + kTagBytes + BodySize(after) >= need) {
            uint32_t joined = s + kTagBytes + BodySize(after);
            UnlinkFree(after);
            WipeTag(b + 4 + s);
            WipeTag(after);
            if (joined - need > kMinSplit)
                PushFree(c, b + kTagBytes + need, joined - need - kTagBytes);
            else
                need = joined;
            SetTags(b, need, false);
            ClearGrowth(b, old, size);
            Put16(b + 4, static_cast<uint16_t>(size));
            return p;
        }
        if (!allowMove)
            return nullptr;
        void *moved = SubAllocate(size);
        if (!moved)
            return nullptr;
        std::memcpy(moved, p, std::min(old, size));
        SubFree(p);
        return moved;
    }

    if (need < s) {
        // Shrinking: a free follower absorbs the released bytes; otherwise they form a free block of
        // their own when they can stand as one, else they stay in the used block.
        uint32_t released = s - need;
        if (after) {
            uint32_t merged = BodySize(after) + released;
            UnlinkFree(after);
            WipeTag(b + 4 + s);
            WipeTag(after);
            SetTags(b, need, false);
            PushFree(c, b + kTagBytes + need, merged);
        } else if (released >= kMinSplit) {
            SetTags(b, need, false);
            PushFree(c, b + kTagBytes + need, released - kTagBytes);
        }
    }
    ClearGrowth(b, old, size);
    Put16(b + 4, static_cast<uint16_t>(size));
    return p;
}

uint32_t SubBlockRequestedSize(const void *p)
{
    return p ? Get16(static_cast<const uint8_t *>(p) - 2) : 0;
}

bool SubAllocatorChunksSound(bool everyChunk)
{
    for (uint32_t a = sChunkHead; a; a = ChunkAt(a)->next) {
        if (!ChunkSound(ChunkAt(a)))
            return false;
        if (!everyChunk)
            break;
    }
    return true;
}

void FreeAllSubAllocatorChunks()
{
    while (sChunkHead) {
        ChunkHeader *c = ChunkAt(sChunkHead);
        sChunkHead = c->next;
        ReleaseChunk(c);
    }
    sChunksByAddress.clear();
    DropSpare();
}

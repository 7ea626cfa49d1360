// The AppleEvent Manager's private declarations: the layouts of lists, records and events, the set of
// data handles the manager made, and the bounded readers that descriptors, dispatch and object support
// share.
#pragma once

#include "AppleEvents.h"

#pragma pack(push, 2)
// A list item.
struct AEListItem {
    DescType type;
    Handle data;
};
// A record, event or object-specifier entry.
struct AEEntry {
    AEKeyword keyword;
    DescType type;
    Handle data;
};
#pragma pack(pop)
static_assert(sizeof(AEListItem) == 8, "list items are 8 bytes");
static_assert(sizeof(AEEntry) == 12, "record entries are 12 bytes");

// How a descriptor's data are laid out: plain bytes, 8-byte items or 12-byte keyword entries.
enum class AELayout { Bytes, List, Record };
AELayout LayoutOf(DescType type);

// ---- The handles the manager made ----
// Every data handle the manager allocates is entered here, and leaves when the manager disposes it.
// Handles read out of descriptor data are used only when they are in the set; the others are forged or
// already disposed. A handle an AEGet...Desc call returned is marked handed out: it is the caller's to
// dispose, and disposing its container leaves it alone. The container it came from is kept with the mark,
// so that an edit of the handed-out descriptor never disposes a container above it.
void TrackAEHandle(Handle h);
// Empties the set when the session ends: its handles go with its heap.
void ForgetAEHandles();
bool IsAEHandle(Handle h);
void MarkAEHandleHandedOut(Handle h, Handle container);
// A new tracked handle holding a copy of `size` bytes (none when data is nil); nil when memory is short.
Handle NewAEHandle(const void *data, Size size);
// Disposes a tracked handle and, for lists, records and events, the handles inside it that were never
// handed out, depth first. Untracked handles are left alone.
void ReleaseAEData(DescType type, Handle h);
// A copy of a descriptor's data with copies of the tracked handles inside lists, records and events;
// nil stays nil. 0, -1702 for a top handle that is neither tracked nor live, or -108.
OSErr DuplicateAEData(DescType type, Handle from, Handle *to);

// ---- Bounded reading ----
// The number of items or entries whole in the descriptor's handle (0 for a nil handle); -1702 when its
// handle is neither the manager's nor a live Memory Manager handle.
OSErr CheckAEContainer(const AEDesc *desc, AELayout *layout, int32_t *count);
// Entry `index` (from 0) of a list or record whose count was checked; list items read with keyword '****'.
AEEntry ReadAEEntry(Handle h, AELayout layout, int32_t index);
// The bytes of an entry's data: 0 with a nil handle, -1702 when the handle is not the manager's.
OSErr AEEntryBytes(const AEEntry &entry, const uint8_t **bytes, Size *size);

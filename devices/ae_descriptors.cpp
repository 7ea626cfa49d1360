// AppleEvent descriptors, lists, keyword records and events over flat Memory Manager handles. Descriptor
// data are untrusted (a 'list' can be made of any bytes): counts come from handle sizes, indices are
// checked, and a handle found inside data is used only when the manager made it and still holds it.
#include "ae_internal.h"
#include "devices_services.h"
#include "../core/core_services.h"
#include "AEObjects.h"
#include "MacMemory.h"

#include <cstring>
#include <unordered_map>
#include <vector>

namespace {

enum : uint8_t {
    kHandedOut = 1, // returned by an AEGet...Desc call: the caller's to dispose
    kVisited = 2    // met once already by the duplicate in progress
};
// Every data handle the manager made and has not disposed, with its marks and, for one handed out, the
// container it was handed out of (nil once that container is gone).
struct AEMarks {
    uint8_t flags;
    Handle container;
};
std::unordered_map<Handle, AEMarks> sHandles;

// Transaction IDs given to events created with transaction ID 0.
int32_t sTransactionCounter;

// Lists, records and events nest at most this deep when they are copied or released.
constexpr int kMaxNesting = 32;

constexpr OSErr kParamErr = -50;
constexpr OSErr kMemFullErr = -108;

Size Stride(AELayout layout) { return layout == AELayout::List ? Size(sizeof(AEListItem)) : Size(sizeof(AEEntry)); }

void WriteEntry(Handle h, AELayout layout, int32_t index, const AEEntry &entry)
{
    uint8_t *at = reinterpret_cast<uint8_t *>(*h) + index * Stride(layout);
    if (layout == AELayout::List) {
        AEListItem item{entry.type, entry.data};
        std::memcpy(at, &item, sizeof item);
    } else {
        std::memcpy(at, &entry, sizeof entry);
    }
}

bool HandedOut(Handle h)
{
    auto it = sHandles.find(h);
    return it != sHandles.end() && (it->second.flags & kHandedOut);
}

// Disposes what an entry holds unless its handle was handed out (then it is the caller's) or is not the
// manager's.
void ReleaseEntryData(const AEEntry &entry)
{
    if (entry.data && !HandedOut(entry.data))
        ReleaseAEData(entry.type, entry.data);
}

// Whether `target` is `from` or lies anywhere inside it, following the manager's own lists, records
// and events (handed out or not). An entry whose release would reach the container being edited is the
// container itself or one above it: only forged bytes hold such a handle.
bool Reaches(DescType type, Handle from, Handle target, int depth, std::vector<Handle> &seen)
{
    if (from == target)
        return true;
    const AELayout layout = LayoutOf(type);
    if (layout == AELayout::Bytes || depth >= kMaxNesting || !IsAEHandle(from))
        return false;
    for (Handle h : seen)
        if (h == from)
            return false;
    seen.push_back(from);
    const int32_t count = static_cast<int32_t>(GetHandleSize(from) / Stride(layout));
    for (int32_t i = 0; i < count; ++i) {
        const AEEntry entry = ReadAEEntry(from, layout, i);
        if (entry.data && Reaches(entry.type, entry.data, target, depth + 1, seen))
            return true;
    }
    return false;
}

// -1702 when releasing entry `index` (from 0) of `container` would dispose the container itself or a
// container holding it.
OSErr CheckReleasable(Handle container, AELayout layout, int32_t index)
{
    const AEEntry entry = ReadAEEntry(container, layout, index);
    if (!entry.data || HandedOut(entry.data))
        return 0;
    // The containers this one was handed out of, up to the outermost.
    Handle above = container;
    for (int depth = 0; above && depth < kMaxNesting; ++depth) {
        if (entry.data == above)
            return errAECorruptData;
        auto it = sHandles.find(above);
        above = it != sHandles.end() ? it->second.container : nullptr;
    }
    std::vector<Handle> seen;
    return Reaches(entry.type, entry.data, container, 0, seen) ? OSErr(errAECorruptData) : OSErr(0);
}

void Release(DescType type, Handle h, int depth)
{
    auto it = sHandles.find(h);
    if (it == sHandles.end())
        return;
    // Out of the set first: a handle met again further down (forged data) is not followed twice.
    sHandles.erase(it);
    AELayout layout = LayoutOf(type);
    if (layout != AELayout::Bytes && depth < kMaxNesting) {
        int32_t count = static_cast<int32_t>(GetHandleSize(h) / Stride(layout));
        for (int32_t i = 0; i < count; ++i) {
            AEEntry entry = ReadAEEntry(h, layout, i);
            if (entry.data && !HandedOut(entry.data))
                Release(entry.type, entry.data, depth + 1);
            else if (auto child = sHandles.find(entry.data); child != sHandles.end() && child->second.container == h)
                child->second.container = nullptr;
        }
    }
    DisposeHandle(h);
}

OSErr Duplicate(DescType type, Handle from, Handle *to, int depth, std::vector<Handle> &visited)
{
    if (!from) {
        *to = nullptr;
        return 0;
    }
    auto it = sHandles.find(from);
    const bool tracked = it != sHandles.end();
    if (!tracked && !IsLiveHandle(from))
        return errAECorruptData;
    if (tracked) {
        // A handle held in two places of one structure only comes from forged bytes.
        if (it->second.flags & kVisited)
            return errAECorruptData;
        it->second.flags |= kVisited;
        visited.push_back(from);
    }
    Handle copy = from;
    if (HandToHand(&copy) != 0 || !copy)
        return kMemFullErr;
    TrackAEHandle(copy);
    AELayout layout = LayoutOf(type);
    // Only the manager's own lists, records and events are followed inside.
    if (layout == AELayout::Bytes || !tracked) {
        *to = copy;
        return 0;
    }
    int32_t count = static_cast<int32_t>(GetHandleSize(copy) / Stride(layout));
    for (int32_t i = 0; i < count; ++i) {
        AEEntry entry = ReadAEEntry(copy, layout, i);
        if (!entry.data || !IsAEHandle(entry.data))
            continue; // nil, or bytes the manager never follows
        Handle child = nullptr;
        OSErr err = depth + 1 < kMaxNesting ? Duplicate(entry.type, entry.data, &child, depth + 1, visited)
                                            : OSErr(errAECorruptData);
        if (err) {
            // The entries before this one hold new copies: give them back, then the copy itself.
            for (int32_t j = 0; j < i; ++j) {
                AEEntry done = ReadAEEntry(copy, layout, j);
                if (done.data && IsAEHandle(done.data) && done.data != ReadAEEntry(from, layout, j).data)
                    Release(done.type, done.data, depth + 1);
            }
            sHandles.erase(copy);
            DisposeHandle(copy);
            return err;
        }
        entry.data = child;
        WriteEntry(copy, layout, i, entry);
    }
    *to = copy;
    return 0;
}

// Appends bytes to a container, giving a nil container handle a new one.
OSErr Append(AEDesc *container, const void *bytes, Size n)
{
    Handle h = container->dataHandle;
    if (!h) {
        h = NewAEHandle(bytes, n);
        if (!h)
            return kMemFullErr;
        container->dataHandle = h;
        return 0;
    }
    Size old = GetHandleSize(h);
    SetHandleSize(h, old + n);
    if (OSErr err = MemError())
        return err;
    if (GetHandleSize(h) != old + n)
        return kMemFullErr;
    std::memcpy(reinterpret_cast<uint8_t *>(*h) + old, bytes, static_cast<size_t>(n));
    return 0;
}

int32_t FindKeyword(Handle h, int32_t count, AEKeyword keyword)
{
    for (int32_t i = 0; i < count; ++i)
        if (ReadAEEntry(h, AELayout::Record, i).keyword == keyword)
            return i;
    return -1;
}

// A list, checked; -1703 for records, events and plain data.
OSErr CheckList(const AEDescList *list, int32_t *count)
{
    AELayout layout;
    if (OSErr err = CheckAEContainer(list, &layout, count))
        return err;
    return layout == AELayout::List ? 0 : errAEWrongDataType;
}

// A record or event, checked; -1703 for lists and plain data.
OSErr CheckRecord(const AERecord *record, int32_t *count)
{
    AELayout layout;
    if (OSErr err = CheckAEContainer(record, &layout, count))
        return err;
    return layout == AELayout::Record ? 0 : errAEWrongDataType;
}

// The data of a descriptor about to be stored: a copy of its handle, none for 'null'.
OSErr CopyForStoring(const AEDesc *desc, Handle *data)
{
    if (desc->descriptorType == typeNull) {
        *data = nullptr;
        return 0;
    }
    return DuplicateAEData(desc->descriptorType, desc->dataHandle, data);
}

// Puts an item into a list: index 0 or above the count appends, 1..count replaces.
OSErr PutItem(AEDescList *list, int32_t index, DescType type, Handle data)
{
    int32_t count;
    CheckList(list, &count);
    if (index >= 1 && index <= count) {
        AEEntry old = ReadAEEntry(list->dataHandle, AELayout::List, index - 1);
        WriteEntry(list->dataHandle, AELayout::List, index - 1, AEEntry{typeWildCard, type, data});
        ReleaseEntryData(old);
        return 0;
    }
    AEListItem item{type, data};
    return Append(list, &item, sizeof item);
}

// Checks a put into a list before anything is allocated. An item it replaces need not hold the manager's
// handle: that handle is dropped, not disposed.
OSErr CheckListPut(const AEDescList *list, int32_t index)
{
    int32_t count;
    if (OSErr err = CheckList(list, &count))
        return err;
    if (index < 0)
        return errAEIllegalIndex;
    return index >= 1 && index <= count ? CheckReleasable(list->dataHandle, AELayout::List, index - 1) : OSErr(0);
}

// Reads item or entry `index` (from 1) of a list, record or event, with its handle checked.
OSErr ReadNth(const AEDescList *list, int32_t index, AEEntry *entry)
{
    AELayout layout;
    int32_t count;
    if (OSErr err = CheckAEContainer(list, &layout, &count))
        return err;
    if (index < 1 || index > count)
        return errAEIllegalIndex;
    *entry = ReadAEEntry(list->dataHandle, layout, index - 1);
    if (entry->data && !IsAEHandle(entry->data))
        return errAECorruptData;
    return 0;
}

// Finds a keyword's entry, its handle checked: -1701 when there is none.
OSErr FindParam(const AERecord *record, AEKeyword keyword, DescType desiredType, AEEntry *entry)
{
    int32_t count;
    if (OSErr err = CheckRecord(record, &count))
        return err;
    int32_t at = record->dataHandle ? FindKeyword(record->dataHandle, count, keyword) : -1;
    if (at < 0)
        return errAEDescNotFound;
    *entry = ReadAEEntry(record->dataHandle, AELayout::Record, at);
    // No coercion is made: the entry comes back with its own type.
    if (desiredType != typeWildCard && desiredType != entry->type)
        DebugStrC("Coercion Required");
    if (entry->data && !IsAEHandle(entry->data))
        return errAECorruptData;
    return 0;
}

OSErr CopyOut(const AEEntry &entry, DescType *typeCode, void *dataPtr, Size maximumSize, Size *actualSize)
{
    const uint8_t *bytes;
    Size size;
    if (OSErr err = AEEntryBytes(entry, &bytes, &size))
        return err;
    if (typeCode)
        *typeCode = entry.type;
    if (dataPtr && maximumSize > 0 && size > 0)
        std::memcpy(dataPtr, bytes, static_cast<size_t>(size < maximumSize ? size : maximumSize));
    if (actualSize)
        *actualSize = size;
    return 0;
}

// Stores a keyword's data in a record or event. Into an existing 'list' entry, when `intoList`, the data
// are appended as an item (repeated puts of one keyword collect a list); any other existing entry takes
// the new type and data; else a new entry is appended. `data` is the manager's, given to the record or
// released on failure.
OSErr PutParam(AERecord *record, AEKeyword keyword, DescType type, Handle data, bool intoList)
{
    int32_t count;
    CheckRecord(record, &count);
    int32_t at = record->dataHandle ? FindKeyword(record->dataHandle, count, keyword) : -1;
    OSErr err = 0;
    if (at < 0) {
        AEEntry entry{keyword, type, data};
        err = Append(record, &entry, sizeof entry);
    } else {
        AEEntry entry = ReadAEEntry(record->dataHandle, AELayout::Record, at);
        if (intoList && entry.type == typeAEList) {
            AEDesc nested{typeAEList, entry.data};
            AEListItem item{type, data};
            err = Append(&nested, &item, sizeof item);
            if (!err && nested.dataHandle != entry.data) {
                entry.data = nested.dataHandle;
                WriteEntry(record->dataHandle, AELayout::Record, at, entry);
            }
        } else {
            WriteEntry(record->dataHandle, AELayout::Record, at, AEEntry{keyword, type, data});
            ReleaseEntryData(entry);
        }
    }
    if (err)
        ReleaseAEData(type, data);
    return err;
}

// Checks a keyword put before anything is allocated: the record, and the nested list a put would append
// to. An entry it replaces need not hold the manager's handle: that handle is dropped, not disposed.
OSErr CheckParamPut(const AERecord *record, AEKeyword keyword, bool intoList)
{
    int32_t count;
    if (OSErr err = CheckRecord(record, &count))
        return err;
    int32_t at = record->dataHandle ? FindKeyword(record->dataHandle, count, keyword) : -1;
    if (at < 0)
        return 0;
    AEEntry entry = ReadAEEntry(record->dataHandle, AELayout::Record, at);
    if (intoList && entry.type == typeAEList)
        return entry.data && !IsAEHandle(entry.data) ? OSErr(errAECorruptData) : OSErr(0);
    return CheckReleasable(record->dataHandle, AELayout::Record, at);
}

OSErr PutParamPtr(AppleEvent *record, AEKeyword keyword, DescType type, const void *dataPtr, Size dataSize)
{
    if (dataSize < 0)
        return kParamErr;
    if (OSErr err = CheckParamPut(record, keyword, true))
        return err;
    Handle data = NewAEHandle(dataPtr, dataSize);
    if (!data)
        return kMemFullErr;
    return PutParam(record, keyword, type, data, true);
}

OSErr PutParamDesc(AppleEvent *record, AEKeyword keyword, const AEDesc *desc)
{
    if (!desc)
        return kParamErr;
    if (OSErr err = CheckParamPut(record, keyword, false))
        return err;
    Handle data;
    if (OSErr err = CopyForStoring(desc, &data))
        return err;
    return PutParam(record, keyword, desc->descriptorType, data, false);
}

OSErr GetParamDesc(const AppleEvent *record, AEKeyword keyword, DescType desiredType, AEDesc *result)
{
    if (!result)
        return kParamErr;
    AEEntry entry;
    if (OSErr err = FindParam(record, keyword, desiredType, &entry))
        return err;
    if (entry.data)
        MarkAEHandleHandedOut(entry.data, record->dataHandle);
    result->descriptorType = entry.type;
    result->dataHandle = entry.data;
    return 0;
}

OSErr GetParamPtr(const AppleEvent *record, AEKeyword keyword, DescType desiredType, DescType *typeCode,
                  void *dataPtr, Size maximumSize, Size *actualSize)
{
    if (!record || !record->dataHandle)
        return errAEDescNotFound;
    AEEntry entry;
    if (OSErr err = FindParam(record, keyword, desiredType, &entry))
        return err;
    return CopyOut(entry, typeCode, dataPtr, maximumSize, actualSize);
}

} // namespace

// ---- The handle set and the readers ----

AELayout LayoutOf(DescType type)
{
    switch (type) {
    case typeAEList:
        return AELayout::List;
    case typeAERecord:
    case typeAppleEvent:
    case typeObjectSpecifier:
        return AELayout::Record;
    default:
        return AELayout::Bytes;
    }
}

void TrackAEHandle(Handle h) { sHandles[h] = AEMarks{0, nullptr}; }
void ForgetAEHandles() { sHandles.clear(); }
bool IsAEHandle(Handle h) { return sHandles.count(h) != 0; }

void MarkAEHandleHandedOut(Handle h, Handle container)
{
    auto it = sHandles.find(h);
    if (it != sHandles.end()) {
        it->second.flags |= kHandedOut;
        it->second.container = container;
    }
}

Handle NewAEHandle(const void *data, Size size)
{
    Handle h = NewHandle(size);
    if (!h)
        return nullptr;
    if (data && size > 0)
        std::memcpy(*h, data, static_cast<size_t>(size));
    TrackAEHandle(h);
    return h;
}

void ReleaseAEData(DescType type, Handle h)
{
    if (h)
        Release(type, h, 0);
}

OSErr DuplicateAEData(DescType type, Handle from, Handle *to)
{
    std::vector<Handle> visited;
    OSErr err = Duplicate(type, from, to, 0, visited);
    for (Handle h : visited) {
        auto it = sHandles.find(h);
        if (it != sHandles.end())
            it->second.flags &= static_cast<uint8_t>(~kVisited);
    }
    return err;
}

OSErr CheckAEContainer(const AEDesc *desc, AELayout *layout, int32_t *count)
{
    if (!desc)
        return kParamErr;
    *layout = LayoutOf(desc->descriptorType);
    if (*layout == AELayout::Bytes)
        return errAEWrongDataType;
    Handle h = desc->dataHandle;
    if (!h) {
        *count = 0;
        return 0;
    }
    if (!IsAEHandle(h) && !IsLiveHandle(h))
        return errAECorruptData;
    *count = static_cast<int32_t>(GetHandleSize(h) / Stride(*layout));
    return 0;
}

AEEntry ReadAEEntry(Handle h, AELayout layout, int32_t index)
{
    const uint8_t *at = reinterpret_cast<const uint8_t *>(*h) + index * Stride(layout);
    AEEntry entry;
    if (layout == AELayout::List) {
        AEListItem item;
        std::memcpy(&item, at, sizeof item);
        entry = AEEntry{typeWildCard, item.type, item.data};
    } else {
        std::memcpy(&entry, at, sizeof entry);
    }
    return entry;
}

OSErr AEEntryBytes(const AEEntry &entry, const uint8_t **bytes, Size *size)
{
    if (!entry.data) {
        *bytes = nullptr;
        *size = 0;
        return 0;
    }
    if (!IsAEHandle(entry.data))
        return errAECorruptData;
    *bytes = reinterpret_cast<const uint8_t *>(*entry.data);
    *size = GetHandleSize(entry.data);
    return 0;
}

// ---- Descriptors ----

ZEL_EXTERN_C OSErr ZEL_CALL AECreateDesc(DescType typeCode, const void *dataPtr, Size dataSize, AEDesc *result)
{
    if (!result || dataSize < 0)
        return kParamErr;
    Handle data = NewAEHandle(dataPtr, dataSize);
    if (!data)
        return kMemFullErr;
    result->descriptorType = typeCode;
    result->dataHandle = data;
    return 0;
}

// Disposes the descriptor's data, with the lists, records and events inside it that no AEGet...Desc call
// handed out. A handle the manager did not make is disposed when the Memory Manager holds it live; one
// that is neither (disposed already, or never a handle) answers -1702 and is left alone.
ZEL_EXTERN_C OSErr ZEL_CALL AEDisposeDesc(AEDesc *theAEDesc)
{
    if (!theAEDesc)
        return 0;
    Handle h = theAEDesc->dataHandle;
    if (h) {
        if (IsAEHandle(h))
            ReleaseAEData(theAEDesc->descriptorType, h);
        else if (IsLiveHandle(h))
            DisposeHandle(h);
        else
            return errAECorruptData;
    }
    theAEDesc->descriptorType = typeNull;
    theAEDesc->dataHandle = nullptr;
    return 0;
}

// A copy with data of its own: lists, records and events are copied with what they hold.
ZEL_EXTERN_C OSErr ZEL_CALL AEDuplicateDesc(const AEDesc *theAEDesc, AEDesc *result)
{
    if (!theAEDesc || !result)
        return kParamErr;
    Handle data;
    if (OSErr err = DuplicateAEData(theAEDesc->descriptorType, theAEDesc->dataHandle, &data))
        return err;
    result->descriptorType = theAEDesc->descriptorType;
    result->dataHandle = data;
    return 0;
}

// ---- Lists ----

// The factoring arguments are accepted and ignored: items are stored whole.
ZEL_EXTERN_C OSErr ZEL_CALL AECreateList(const void *, Size, Boolean isRecord, AEDescList *resultList)
{
    if (!resultList)
        return kParamErr;
    Handle data = NewAEHandle(nullptr, 0);
    if (!data)
        return kMemFullErr;
    resultList->descriptorType = isRecord ? typeAERecord : typeAEList;
    resultList->dataHandle = data;
    return 0;
}

// Items of a list, entries of a record or event.
ZEL_EXTERN_C OSErr ZEL_CALL AECountItems(const AEDescList *theAEDescList, int32_t *theCount)
{
    AELayout layout;
    int32_t count;
    if (OSErr err = CheckAEContainer(theAEDescList, &layout, &count))
        return err;
    if (theCount)
        *theCount = count;
    return 0;
}

ZEL_EXTERN_C OSErr ZEL_CALL AEPutPtr(AEDescList *theAEDescList, int32_t index, DescType typeCode, const void *dataPtr,
                                     Size dataSize)
{
    if (dataSize < 0)
        return kParamErr;
    if (OSErr err = CheckListPut(theAEDescList, index))
        return err;
    Handle data = NewAEHandle(dataPtr, dataSize);
    if (!data)
        return MemError() ? MemError() : kMemFullErr;
    OSErr err = PutItem(theAEDescList, index, typeCode, data);
    if (err)
        ReleaseAEData(typeCode, data);
    return err;
}

ZEL_EXTERN_C OSErr ZEL_CALL AEPutDesc(AEDescList *theAEDescList, int32_t index, const AEDesc *theAEDesc)
{
    if (!theAEDesc)
        return kParamErr;
    if (OSErr err = CheckListPut(theAEDescList, index))
        return err;
    Handle data;
    if (OSErr err = CopyForStoring(theAEDesc, &data))
        return err;
    OSErr err = PutItem(theAEDescList, index, theAEDesc->descriptorType, data);
    if (err)
        ReleaseAEData(theAEDesc->descriptorType, data);
    return err;
}

// The stored descriptor itself: it shares the item's handle, which becomes the caller's to dispose.
// Records and events answer their entries with their keywords; lists answer '****'.
ZEL_EXTERN_C OSErr ZEL_CALL AEGetNthDesc(const AEDescList *theAEDescList, int32_t index, DescType,
                                         AEKeyword *theAEKeyword, AEDesc *result)
{
    if (!result)
        return kParamErr;
    AEEntry entry;
    if (OSErr err = ReadNth(theAEDescList, index, &entry))
        return err;
    if (entry.data)
        MarkAEHandleHandedOut(entry.data, theAEDescList->dataHandle);
    if (theAEKeyword)
        *theAEKeyword = entry.keyword;
    result->descriptorType = entry.type;
    result->dataHandle = entry.data;
    return 0;
}

ZEL_EXTERN_C OSErr ZEL_CALL AEGetNthPtr(const AEDescList *theAEDescList, int32_t index, DescType,
                                        AEKeyword *theAEKeyword, DescType *typeCode, void *dataPtr, Size maximumSize,
                                        Size *actualSize)
{
    AEEntry entry;
    if (OSErr err = ReadNth(theAEDescList, index, &entry))
        return err;
    if (OSErr err = CopyOut(entry, typeCode, dataPtr, maximumSize, actualSize))
        return err;
    if (theAEKeyword)
        *theAEKeyword = entry.keyword;
    return 0;
}

ZEL_STUB(OSErr, AESizeOfNthItem, -1, (const AEDescList *, int32_t, DescType *, Size *))

ZEL_EXTERN_C OSErr ZEL_CALL AEDeleteItem(AEDescList *theAEDescList, int32_t index)
{
    int32_t count;
    if (OSErr err = CheckList(theAEDescList, &count))
        return err;
    if (index < 1 || index > count)
        return errAEIllegalIndex;
    Handle h = theAEDescList->dataHandle;
    if (OSErr err = CheckReleasable(h, AELayout::List, index - 1))
        return err;
    ReleaseEntryData(ReadAEEntry(h, AELayout::List, index - 1));
    uint8_t *bytes = reinterpret_cast<uint8_t *>(*h);
    Size size = GetHandleSize(h);
    Size at = (index - 1) * Size(sizeof(AEListItem));
    std::memmove(bytes + at, bytes + at + sizeof(AEListItem), static_cast<size_t>(size - at - sizeof(AEListItem)));
    SetHandleSize(h, size - Size(sizeof(AEListItem)));
    return MemError();
}

// ---- Records and events: parameters and attributes are entries of one list ----

ZEL_EXTERN_C OSErr ZEL_CALL AEPutParamPtr(AppleEvent *theAppleEvent, AEKeyword theAEKeyword, DescType typeCode,
                                          const void *dataPtr, Size dataSize)
{
    return PutParamPtr(theAppleEvent, theAEKeyword, typeCode, dataPtr, dataSize);
}

ZEL_EXTERN_C OSErr ZEL_CALL AEPutAttributePtr(AppleEvent *theAppleEvent, AEKeyword theAEKeyword, DescType typeCode,
                                              const void *dataPtr, Size dataSize)
{
    return PutParamPtr(theAppleEvent, theAEKeyword, typeCode, dataPtr, dataSize);
}

ZEL_EXTERN_C OSErr ZEL_CALL AEPutParamDesc(AppleEvent *theAppleEvent, AEKeyword theAEKeyword, const AEDesc *theAEDesc)
{
    return PutParamDesc(theAppleEvent, theAEKeyword, theAEDesc);
}

ZEL_EXTERN_C OSErr ZEL_CALL AEPutAttributeDesc(AppleEvent *theAppleEvent, AEKeyword theAEKeyword,
                                               const AEDesc *theAEDesc)
{
    return PutParamDesc(theAppleEvent, theAEKeyword, theAEDesc);
}

ZEL_EXTERN_C OSErr ZEL_CALL AEGetParamDesc(const AppleEvent *theAppleEvent, AEKeyword theAEKeyword,
                                           DescType desiredType, AEDesc *result)
{
    return GetParamDesc(theAppleEvent, theAEKeyword, desiredType, result);
}

ZEL_EXTERN_C OSErr ZEL_CALL AEGetAttributeDesc(const AppleEvent *theAppleEvent, AEKeyword theAEKeyword,
                                               DescType desiredType, AEDesc *result)
{
    return GetParamDesc(theAppleEvent, theAEKeyword, desiredType, result);
}

ZEL_EXTERN_C OSErr ZEL_CALL AEGetParamPtr(const AppleEvent *theAppleEvent, AEKeyword theAEKeyword,
                                          DescType desiredType, DescType *typeCode, void *dataPtr, Size maximumSize,
                                          Size *actualSize)
{
    return GetParamPtr(theAppleEvent, theAEKeyword, desiredType, typeCode, dataPtr, maximumSize, actualSize);
}

ZEL_EXTERN_C OSErr ZEL_CALL AEGetAttributePtr(const AppleEvent *theAppleEvent, AEKeyword theAEKeyword,
                                              DescType desiredType, DescType *typeCode, void *dataPtr,
                                              Size maximumSize, Size *actualSize)
{
    return GetParamPtr(theAppleEvent, theAEKeyword, desiredType, typeCode, dataPtr, maximumSize, actualSize);
}

// Sizes of parameters are not kept apart from their data: no parameter is ever found.
ZEL_EXTERN_C OSErr ZEL_CALL AESizeOfParam(const AppleEvent *, AEKeyword, DescType *, Size *dataSize)
{
    if (dataSize)
        *dataSize = 0;
    return errAEDescNotFound;
}

ZEL_STUB(OSErr, AEDeleteParam, 0, (AppleEvent *, AEKeyword))

// ---- Events ----

// An event of four entries (class, ID, the target's address, an empty direct-parameter list) and its
// transaction ID. A transaction ID of 0 takes the next of the manager's own. The return ID is not kept.
ZEL_EXTERN_C OSErr ZEL_CALL AECreateAppleEvent(AEEventClass theAEEventClass, AEEventID theAEEventID,
                                               const AEAddressDesc *target, int16_t, int32_t transactionID,
                                               AppleEvent *result)
{
    if (!result)
        return kParamErr;
    const AEListItem address{target ? target->descriptorType : DescType(typeNull), target ? target->dataHandle : nullptr};
    const int32_t transaction = transactionID ? transactionID : sTransactionCounter;
    AEEntry entries[] = {
        {keyEventClassAttr, typeType, NewAEHandle(&theAEEventClass, 4)},
        {keyEventIDAttr, typeType, NewAEHandle(&theAEEventID, 4)},
        {keyAddressAttr, typeSignature, NewAEHandle(&address, sizeof address)},
        {keyDirectObject, typeAEList, NewAEHandle(nullptr, 0)},
        {keyTransactionIDAttr, typeLongInteger, NewAEHandle(&transaction, 4)},
    };
    Handle top = NewAEHandle(entries, sizeof entries);
    bool complete = top != nullptr;
    for (const AEEntry &entry : entries)
        complete = complete && entry.data;
    if (!complete) {
        for (const AEEntry &entry : entries)
            ReleaseAEData(entry.type, entry.data);
        ReleaseAEData(typeAppleEvent, top);
        return kMemFullErr;
    }
    if (!transactionID)
        ++sTransactionCounter;
    result->descriptorType = typeAppleEvent;
    result->dataHandle = top;
    return 0;
}

// ---- Object descriptors ----

ZEL_EXTERN_C OSErr ZEL_CALL CreateOffsetDescriptor(int32_t theOffset, AEDesc *theDescriptor)
{
    return AECreateDesc(typeLongInteger, &theOffset, sizeof theOffset, theDescriptor);
}

ZEL_STUB_NAMED(OSErr, CreateCompDescriptor, "CreateCompDescriptor - Not Supported, System 7", 0,
               (DescType, AEDesc *, AEDesc *, Boolean, AEDesc *))

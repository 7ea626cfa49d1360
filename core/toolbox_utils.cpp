// Toolbox utilities: string handles and resource shortcuts, bits of memory, 32-bit words and points,
// PackBits through the shared core, Munger, and the screen resolution.
#include "core.h"
#include "../quickdraw/qd_services.h"
#include "../text/text_services.h"
#include "LowMem.h"
#include "Resources.h"
#include "TextUtils.h"
#include "ToolUtils.h"

#include <cstring>
#include <vector>

namespace {

constexpr ResType kStringType = 0x53545220;     // 'STR '
constexpr ResType kStringListType = 0x53545223; // 'STR#'
constexpr ResType kIconType = 0x49434F4E;       // 'ICON'
constexpr ResType kPatternType = 0x50415420;    // 'PAT '
constexpr ResType kPatternListType = 0x50415423; // 'PAT#'
constexpr ResType kPictureType = 0x50494354;    // 'PICT'

// ---- Resource lists ----

// A resource list (a count word, then entries) as it stands in its handle, taken so that another
// holder's copy stays in memory: released afterwards only when this call loaded it.
struct HeldList {
    Handle handle = nullptr;
    bool loadedHere = false;
};

HeldList HoldList(ResType type, int16_t id)
{
    HeldList held;
    uint8_t resLoad = LMGetResLoad();
    SetResLoad(false);
    Handle h = GetResource(type, id);
    SetResLoad(resLoad != 0);
    bool inMemory = h && *h && reinterpret_cast<uintptr_t>(*h) != 0xFFFF;
    if (!inMemory)
        h = GetResource(type, id);
    if (h && *h && reinterpret_cast<uintptr_t>(*h) != 0xFFFF) {
        held.handle = h;
        held.loadedHere = !inMemory;
    }
    return held;
}

void LetGo(const HeldList &held)
{
    if (held.handle && held.loadedHere)
        ReleaseResource(held.handle);
}

// The count word of a list resource (native order once loaded), 0 when the handle is too short.
int32_t ListCount(Handle h, int32_t size)
{
    if (size < 2)
        return 0;
    int16_t count;
    std::memcpy(&count, *h, 2);
    return count;
}

// ---- Munger ----

// The bytes of ptr (which may point into h itself), taken before h is resized or its tail moved.
std::vector<char> TakeBytes(const void *ptr, int32_t len)
{
    if (!ptr || ptr == reinterpret_cast<const void *>(-1) || len <= 0)
        return {};
    const char *p = static_cast<const char *>(ptr);
    return std::vector<char>(p, p + len);
}

bool Resize(Handle h, int32_t size)
{
    SetHandleSize(h, size);
    return MemError() == noErr && GetHandleSize(h) == size;
}

// Replaces the `oldLength` bytes at `at` by `bytes` (or by a gap of `newLength` bytes when no bytes were
// given); false when the handle cannot grow.
bool ReplaceRange(Handle h, int32_t size, int32_t at, int32_t oldLength, const std::vector<char> &bytes,
                  int32_t newLength)
{
    int32_t tail = size - at - oldLength;
    if (newLength > oldLength) {
        if (!Resize(h, size + newLength - oldLength))
            return false;
        std::memmove(*h + at + newLength, *h + at + oldLength, tail);
    } else if (newLength < oldLength) {
        std::memmove(*h + at + newLength, *h + at + oldLength, tail);
        Resize(h, size + newLength - oldLength);
    }
    if (!bytes.empty())
        std::memcpy(*h + at, bytes.data(), newLength);
    return true;
}

// The first place from `from` where the `length` bytes of `pattern` stand, never reading past `size`.
int32_t Find(Handle h, int32_t size, int32_t from, const std::vector<char> &pattern)
{
    int32_t length = static_cast<int32_t>(pattern.size());
    if (!length)
        return from;
    const char *data = *h;
    for (int32_t at = from; at <= size - length; ++at)
        if (data[at] == pattern[0] && std::memcmp(data + at, pattern.data(), length) == 0)
            return at;
    return -1;
}

} // namespace

// ---- Strings and resources ----

ZEL_EXTERN_C StringHandle ZEL_CALL NewString(ConstStr255Param theString)
{
    Handle h = nullptr;
    if (!theString || PtrToHand(theString, &h, theString[0] + 1) != noErr)
        return nullptr;
    return reinterpret_cast<StringHandle>(h);
}

ZEL_EXTERN_C void ZEL_CALL SetString(StringHandle theString, ConstStr255Param strNew)
{
    if (theString && strNew)
        PtrToXHand(strNew, reinterpret_cast<Handle>(theString), strNew[0] + 1);
}

ZEL_EXTERN_C StringHandle ZEL_CALL GetString(int16_t stringID)
{
    return reinterpret_cast<StringHandle>(GetResource(kStringType, stringID));
}

ZEL_EXTERN_C Handle ZEL_CALL GetIcon(int16_t iconID) { return GetResource(kIconType, iconID); }

ZEL_EXTERN_C PatHandle ZEL_CALL GetPattern(int16_t patternID)
{
    return reinterpret_cast<PatHandle>(GetResource(kPatternType, patternID));
}

ZEL_EXTERN_C PicHandle ZEL_CALL GetPicture(int16_t pictureID)
{
    return reinterpret_cast<PicHandle>(GetResource(kPictureType, pictureID));
}

// Walks the strings inside the handle's size: an entry that does not fit counts as missing.
ZEL_EXTERN_C void ZEL_CALL GetIndString(unsigned char *theString, int16_t strListID, int16_t index)
{
    if (!theString)
        return;
    theString[0] = 0;
    HeldList held = HoldList(kStringListType, strListID);
    if (!held.handle)
        return;
    int32_t size = GetHandleSize(held.handle);
    if (index >= 1 && index <= ListCount(held.handle, size)) {
        const uint8_t *data = reinterpret_cast<const uint8_t *>(*held.handle);
        int32_t at = 2;
        for (int16_t i = 1; i < index && at < size; ++i)
            at += data[at] + 1;
        if (at < size && at + data[at] + 1 <= size)
            std::memcpy(theString, data + at, data[at] + 1);
    }
    LetGo(held);
}

ZEL_EXTERN_C void ZEL_CALL GetIndPattern(Pattern *thePattern, int16_t patternListID, int16_t index)
{
    if (!thePattern)
        return;
    HeldList held = HoldList(kPatternListType, patternListID);
    int32_t size = held.handle ? GetHandleSize(held.handle) : 0;
    int32_t count = held.handle ? ListCount(held.handle, size) : 0;
    if (!held.handle || index < 1) {
        std::memset(thePattern, 0, sizeof *thePattern);
    } else if (index <= count) {
        int32_t at = 2 + (index - 1) * 8;
        if (at + 8 <= size)
            std::memcpy(thePattern, *held.handle + at, 8);
        else
            std::memset(thePattern, 0, sizeof *thePattern);
    }
    LetGo(held);
}

// ---- Bits, words and points ----

// Bit n lies in byte n / 8 counted unsigned from p, so no bit number reaches before p.
ZEL_EXTERN_C Boolean ZEL_CALL BitTst(const void *bytePtr, int32_t bitNum)
{
    uint32_t n = static_cast<uint32_t>(bitNum);
    return (static_cast<const uint8_t *>(bytePtr)[n >> 3] & (0x80 >> (n & 7))) != 0;
}

ZEL_EXTERN_C void ZEL_CALL BitSet(void *bytePtr, int32_t bitNum)
{
    uint32_t n = static_cast<uint32_t>(bitNum);
    static_cast<uint8_t *>(bytePtr)[n >> 3] |= static_cast<uint8_t>(0x80 >> (n & 7));
}

ZEL_EXTERN_C void ZEL_CALL BitClr(void *bytePtr, int32_t bitNum)
{
    uint32_t n = static_cast<uint32_t>(bitNum);
    static_cast<uint8_t *>(bytePtr)[n >> 3] &= static_cast<uint8_t>(~(0x80 >> (n & 7)));
}

ZEL_EXTERN_C int32_t ZEL_CALL BitAnd(int32_t value1, int32_t value2) { return value1 & value2; }
ZEL_EXTERN_C int32_t ZEL_CALL BitOr(int32_t value1, int32_t value2) { return value1 | value2; }
ZEL_EXTERN_C int32_t ZEL_CALL BitXor(int32_t value1, int32_t value2) { return value1 ^ value2; }

ZEL_EXTERN_C int32_t ZEL_CALL BitShift(int32_t value, int16_t count)
{
    if (count > 0)
        return static_cast<int32_t>(static_cast<uint32_t>(value) << (count % 32));
    if (count < 0)
        return value >> ((-static_cast<int32_t>(count)) % 32);
    return value;
}

ZEL_EXTERN_C int16_t ZEL_CALL HiWord(int32_t x) { return static_cast<int16_t>(static_cast<uint32_t>(x) >> 16); }
ZEL_EXTERN_C int16_t ZEL_CALL LoWord(int32_t x) { return static_cast<int16_t>(x); }

ZEL_EXTERN_C int32_t ZEL_CALL DeltaPoint(Point ptA, Point ptB)
{
    uint16_t dv = static_cast<uint16_t>(ptA.v - ptB.v);
    uint16_t dh = static_cast<uint16_t>(ptA.h - ptB.h);
    return static_cast<int32_t>((static_cast<uint32_t>(dv) << 16) | dh);
}

ZEL_EXTERN_C void ZEL_CALL ScreenRes(int16_t *scrnHRes, int16_t *scrnVRes)
{
    POINT pixels = ScreenLogPixels();
    if (scrnHRes)
        *scrnHRes = static_cast<int16_t>(pixels.x);
    if (scrnVRes)
        *scrnVRes = static_cast<int16_t>(pixels.y);
}

// ---- PackBits ----

namespace {

// The shared PackBits core on the caller's pointers, which it advances.
void CodePackBits(void (*core)(const uint8_t **, uint8_t **, int32_t), Ptr *srcPtr, Ptr *dstPtr, int32_t count)
{
    const uint8_t *src = reinterpret_cast<const uint8_t *>(*srcPtr);
    uint8_t *dst = reinterpret_cast<uint8_t *>(*dstPtr);
    core(&src, &dst, count);
    *srcPtr = reinterpret_cast<Ptr>(const_cast<uint8_t *>(src));
    *dstPtr = reinterpret_cast<Ptr>(dst);
}

} // namespace

ZEL_EXTERN_C void ZEL_CALL HPackBits(Ptr *srcPtr, Ptr *dstPtr, int32_t srcBytes)
{
    CodePackBits(PackBitsCore, srcPtr, dstPtr, srcBytes);
}

ZEL_EXTERN_C void ZEL_CALL PackBits(Ptr *srcPtr, Ptr *dstPtr, int16_t srcBytes)
{
    CodePackBits(PackBitsCore, srcPtr, dstPtr, srcBytes);
}

ZEL_EXTERN_C void ZEL_CALL HUnpackBits(Ptr *srcPtr, Ptr *dstPtr, int32_t dstBytes)
{
    CodePackBits(UnpackBitsCore, srcPtr, dstPtr, dstBytes);
}

ZEL_EXTERN_C void ZEL_CALL UnpackBits(Ptr *srcPtr, Ptr *dstPtr, int16_t dstBytes)
{
    CodePackBits(UnpackBitsCore, srcPtr, dstPtr, dstBytes);
}

// ---- Munger ----

// Every edit stays inside the handle: an offset past its size finds nothing except for an insert, a
// length reaching past the end means "to the end", a search never reads past it, and bytes given from
// the handle's own data are taken before it is resized.
ZEL_EXTERN_C int32_t ZEL_CALL Munger(Handle h, int32_t offset, const void *ptr1, int32_t len1, const void *ptr2,
                                     int32_t len2)
{
    if (!h || !*h || offset < 0)
        return -1;
    int32_t size = GetHandleSize(h);
    const void *gap = reinterpret_cast<const void *>(-1);
    if (!len1 && ptr2 && len2 > 0) {
        std::vector<char> bytes = TakeBytes(ptr2, len2);
        int32_t start = offset > size ? size : offset;
        if (!Resize(h, (offset > size ? offset : size) + len2))
            return -1;
        std::memmove(*h + offset + len2, *h + start, size - start);
        if (offset > size)
            std::memset(*h + size, 0, offset - size);
        if (ptr2 != gap)
            std::memcpy(*h + offset, bytes.data(), len2);
        return offset + len2;
    }
    if (offset > size)
        return -1;
    if (!ptr1 && len1 && !len2) {
        if (len1 < 0 || len1 > size - offset)
            len1 = size - offset;
        ReplaceRange(h, size, offset, len1, {}, 0);
        return offset;
    }
    int32_t found;
    if (!ptr1) {
        found = offset;
        if (len1 < 0 || len1 > size - offset)
            len1 = size - offset;
    } else {
        if (len1 < 0)
            return -1;
        found = Find(h, size, offset, TakeBytes(ptr1, len1));
        if (found < 0)
            return -1;
        // A target of no bytes (ptr1 of -1) is found at the offset; its length is clipped to the
        // handle like any other.
        if (len1 > size - found)
            len1 = size - found;
    }
    if (!ptr2)
        return found;
    if (len2 < 0)
        len2 = 0;
    if (!ReplaceRange(h, size, found, len1, ptr2 == gap ? std::vector<char>() : TakeBytes(ptr2, len2), len2))
        return -1;
    return found + len2;
}

// ---- Upper case and comparison ----

// Each character becomes its upper-case form, or its base letter when marks do not matter.
ZEL_EXTERN_C void ZEL_CALL UpperString(unsigned char *theString, Boolean diacSensitive)
{
    if (!theString)
        return;
    for (int i = 1; i <= theString[0]; ++i) {
        const CharTableRow &row = MacRomanChar(theString[i]);
        theString[i] = diacSensitive ? row.upper : row.primary;
    }
}

namespace {

// Base letters first; on equal ones `tieBreak` decides (0 to go on); an equal common part leaves the
// shorter string less.
template <typename TieBreak>
int16_t CompareByBaseLetters(ConstStr255Param a, ConstStr255Param b, TieBreak tieBreak)
{
    int common = a[0] < b[0] ? a[0] : b[0];
    for (int i = 1; i <= common; ++i) {
        const CharTableRow &ra = MacRomanChar(a[i]), &rb = MacRomanChar(b[i]);
        if (ra.primary != rb.primary)
            return ra.primary < rb.primary ? -1 : 1;
        if (int16_t d = tieBreak(ra, rb))
            return d;
    }
    return a[0] < b[0] ? -1 : a[0] > b[0] ? 1 : 0;
}

} // namespace

ZEL_EXTERN_C int16_t ZEL_CALL RelString(ConstStr255Param str1, ConstStr255Param str2, Boolean caseSensitive,
                                        Boolean diacSensitive)
{
    static const unsigned char kEmpty[1] = {0};
    const unsigned char *a = str1 ? str1 : kEmpty, *b = str2 ? str2 : kEmpty;
    if (!caseSensitive && !diacSensitive)
        return CompareTextPrimary(a + 1, b + 1, a[0], b[0]);
    if (caseSensitive && diacSensitive)
        return IUMagString(a + 1, b + 1, a[0], b[0]);
    if (diacSensitive) {
        // The marks decide, through the secondary weights of the upper-case forms.
        return CompareByBaseLetters(a, b, [](const CharTableRow &ra, const CharTableRow &rb) -> int16_t {
            uint8_t wa = MacRomanChar(ra.upper).secondary, wb = MacRomanChar(rb.upper).secondary;
            return wa == wb ? 0 : wa < wb ? -1 : 1;
        });
    }
    // Case decides: an upper-case character (weight below 10) before a lower-case one.
    return CompareByBaseLetters(a, b, [](const CharTableRow &ra, const CharTableRow &rb) -> int16_t {
        bool upperA = ra.secondary < 10, upperB = rb.secondary < 10;
        return upperA == upperB ? 0 : upperA ? -1 : 1;
    });
}

// AppleEvent object support: object specifiers of four positional entries (want, from, form, seld) and
// their resolution from the outermost container inwards through the application's object accessors.
#include "ae_internal.h"
#include "devices_services.h"
#include "AEObjects.h"

#include <cstring>

namespace {

constexpr OSErr kParamErr = -50;
constexpr OSErr kMemFullErr = -108;

struct AccessorRow {
    DescType desiredClass;
    DescType containerType;
    OSLAccessorProcPtr accessor;
    int32_t refcon;
    uint8_t isSysHandler;
};
constexpr int kAccessorRows = 16;
AccessorRow sAccessors[kAccessorRows];
int sAccessorCount;

// The object callbacks: kept for the application, never called.
void *sObjectCallbacks[7];

// Containers nest at most this deep; a deeper chain is no specifier this manager resolves.
constexpr int kMaxContainerDepth = 32;

constexpr AEKeyword kSpecifierKeywords[4] = {keyAEDesiredClass, keyAEContainer, keyAEKeyForm, keyAEKeyData};

// One level of a specifier, read and checked.
struct SpecifierLevel {
    DescType desiredClass;
    AEDesc container; // {'null', nil} ends the chain
    DescType keyForm;
    AEDesc keyData;
};

bool ReadCode(const AEEntry &entry, DescType *code)
{
    const uint8_t *bytes;
    Size size;
    if (!entry.data || AEEntryBytes(entry, &bytes, &size) || size < 4)
        return false;
    std::memcpy(code, bytes, 4);
    return true;
}

// Reads a specifier's four entries: its own handle and every handle in it must be the manager's, the
// keywords in their order, the class and key form 4 bytes, and the container another specifier or null.
bool ReadLevel(const AEDesc &specifier, SpecifierLevel *level)
{
    if (specifier.descriptorType != typeObjectSpecifier || !specifier.dataHandle ||
        !IsAEHandle(specifier.dataHandle))
        return false;
    AELayout layout;
    int32_t count;
    if (CheckAEContainer(&specifier, &layout, &count) || count < 4)
        return false;
    AEEntry entries[4];
    for (int i = 0; i < 4; ++i) {
        entries[i] = ReadAEEntry(specifier.dataHandle, AELayout::Record, i);
        if (entries[i].keyword != kSpecifierKeywords[i])
            return false;
        if (entries[i].data && !IsAEHandle(entries[i].data))
            return false;
    }
    if (!ReadCode(entries[0], &level->desiredClass) || !ReadCode(entries[2], &level->keyForm))
        return false;
    if (entries[1].type == typeNull)
        level->container = AEDesc{typeNull, nullptr};
    else if (entries[1].type == typeObjectSpecifier)
        level->container = AEDesc{entries[1].type, entries[1].data};
    else
        return false;
    level->keyData = AEDesc{entries[3].type, entries[3].data};
    return true;
}

const AccessorRow *FindAccessor(DescType desiredClass, DescType containerType)
{
    const DescType tries[3][2] = {
        {desiredClass, containerType}, {typeWildCard, containerType}, {typeWildCard, typeWildCard}};
    for (const auto &pair : tries)
        for (int i = 0; i < sAccessorCount; ++i)
            if (sAccessors[i].desiredClass == pair[0] && sAccessors[i].containerType == pair[1])
                return &sAccessors[i];
    return nullptr;
}

// Resolves one level after its container: the token passes from the outermost container inwards, and
// the first accessor that fails, or a level no accessor serves, ends the resolution. Every level is
// checked on the way out, before any accessor runs.
OSErr ResolveLevel(const AEDesc &specifier, AEDesc *token, int depth)
{
    SpecifierLevel level;
    if (depth >= kMaxContainerDepth || !ReadLevel(specifier, &level))
        return errAENotAnObjSpec;
    if (level.container.descriptorType != typeNull)
        if (OSErr err = ResolveLevel(level.container, token, depth + 1))
            return err;
    const AccessorRow *row = FindAccessor(level.desiredClass, level.container.descriptorType);
    if (!row)
        return errAEAccessorNotFound;
    AEDesc containerToken = *token;
    return row->accessor(level.desiredClass, &containerToken, level.container.descriptorType, level.keyForm,
                         &level.keyData, token, row->refcon);
}

// A copy of a descriptor's data for the specifier: none for 'null'.
OSErr CopyInput(const AEDesc *desc, Handle *data)
{
    if (desc->descriptorType == typeNull) {
        *data = nullptr;
        return 0;
    }
    return DuplicateAEData(desc->descriptorType, desc->dataHandle, data);
}

} // namespace

ZEL_EXTERN_C OSErr ZEL_CALL AEObjectInit(void) { return 0; }

ZEL_EXTERN_C OSErr ZEL_CALL AESetObjectCallbacks(void *myCompareProc, void *myCountProc, void *myDisposeTokenProc,
                                                 void *myGetMarkTokenProc, void *myMarkProc, void *myAdjustMarksProc,
                                                 void *myGetErrDescProc)
{
    void *procs[7] = {myCompareProc,    myCountProc,       myDisposeTokenProc, myGetMarkTokenProc,
                      myMarkProc,       myAdjustMarksProc, myGetErrDescProc};
    std::memcpy(sObjectCallbacks, procs, sizeof procs);
    return 0;
}

// A second install for a pair replaces the first; a full table answers -108 and keeps what it has.
ZEL_EXTERN_C OSErr ZEL_CALL AEInstallObjectAccessor(DescType desiredClass, DescType containerType,
                                                    OSLAccessorProcPtr theAccessor, int32_t accessorRefcon,
                                                    Boolean isSysHandler)
{
    if (!theAccessor)
        return kParamErr;
    const AccessorRow row{desiredClass, containerType, theAccessor, accessorRefcon,
                          isSysHandler ? uint8_t(1) : uint8_t(0)};
    for (int i = 0; i < sAccessorCount; ++i)
        if (sAccessors[i].desiredClass == desiredClass && sAccessors[i].containerType == containerType) {
            sAccessors[i] = row;
            return 0;
        }
    if (sAccessorCount == kAccessorRows)
        return kMemFullErr;
    sAccessors[sAccessorCount++] = row;
    return 0;
}

ZEL_EXTERN_C OSErr ZEL_CALL CreateObjSpecifier(DescType desiredClass, AEDesc *theContainer, DescType keyForm,
                                               AEDesc *keyData, Boolean disposeInputs, AEDesc *objSpecifier)
{
    if (!theContainer || !keyData || !objSpecifier)
        return kParamErr;
    AEEntry entries[4] = {
        {keyAEDesiredClass, typeType, NewAEHandle(&desiredClass, 4)},
        {keyAEContainer, theContainer->descriptorType, nullptr},
        {keyAEKeyForm, typeEnumerated, NewAEHandle(&keyForm, 4)},
        {keyAEKeyData, keyData->descriptorType, nullptr},
    };
    OSErr err = entries[0].data && entries[2].data ? OSErr(0) : kMemFullErr;
    if (!err)
        err = CopyInput(theContainer, &entries[1].data);
    if (!err)
        err = CopyInput(keyData, &entries[3].data);
    Handle top = err ? nullptr : NewAEHandle(entries, sizeof entries);
    if (!err && !top)
        err = kMemFullErr;
    if (err) {
        for (const AEEntry &entry : entries)
            ReleaseAEData(entry.type, entry.data);
        return err;
    }
    objSpecifier->descriptorType = typeObjectSpecifier;
    objSpecifier->dataHandle = top;
    if (disposeInputs) {
        AEDisposeDesc(theContainer);
        AEDisposeDesc(keyData);
    }
    return 0;
}

// The callback flags choose among the object callbacks, which are never called: they are ignored.
ZEL_EXTERN_C OSErr ZEL_CALL AEResolve(const AEDesc *objectSpecifier, int16_t, AEDesc *theToken)
{
    if (!objectSpecifier || objectSpecifier->descriptorType != typeObjectSpecifier)
        return errAENotAnObjSpec;
    if (!theToken)
        return kParamErr;
    return ResolveLevel(*objectSpecifier, theToken, 0);
}

// Tokens are the application's: nothing to dispose here.
ZEL_EXTERN_C OSErr ZEL_CALL AEDisposeToken(AEDesc *) { return 0; }

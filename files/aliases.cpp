// Alias records: a target's full DOS path and its path relative to a from-file, in one 534-byte handle.
// Records come from anywhere (documents store them), so one is read only when its size, signatures and
// both NUL-terminated paths check out.
#include "files_services.h"
#include "../core/core_services.h"
#include "Aliases.h"

#include <cstring>

namespace {

constexpr OSType kAliasType = 0x616C6973; // 'alis'
constexpr int kAliasPathField = 260;

bool FieldTerminated(const char *field) { return std::memchr(field, 0, kAliasPathField) != nullptr; }

// The record in a handle, or NULL when the handle is not exactly a sound record.
const AliasRecord *CheckedRecord(AliasHandle alias)
{
    if (!alias || !*alias || GetHandleSize(reinterpret_cast<Handle>(alias)) != static_cast<Size>(sizeof(AliasRecord)))
        return nullptr;
    const AliasRecord *r = *alias;
    if (r->signature != kAliasType || !FieldTerminated(r->fullPath) || !FieldTerminated(r->relativePath))
        return nullptr;
    return r;
}

OSErr SpecPath(const FSSpec *fsSpec, char *path) { return ZEL_HFSpec(fsSpec->parID, fsSpec->vRefNum, fsSpec->name, path); }

void WithBackslash(char *path)
{
    size_t n = std::strlen(path);
    if (n && n < kMaxDosPath && path[n - 1] != '\\')
        std::strcpy(path + n, "\\");
}

// Fills a record. The relative path starts at a path component both paths share, and only on the same
// volume; levels counts the from-file path's backslashes after that component.
OSErr BuildRecord(const FSSpec *fromFile, const FSSpec *target, AliasRecord *r)
{
    *r = AliasRecord{};
    r->userType = r->signature = kAliasType;
    r->aliasSize = sizeof(AliasRecord);
    r->relativeOffset = kAliasPathField;
    r->levelsUp = -1;
    char targetPath[kMaxDosPath + 1];
    OSErr err = SpecPath(target, targetPath);
    if (err != noErr)
        return err;
    std::strcpy(r->fullPath, targetPath);
    if (!fromFile)
        return noErr;
    char fromPath[kMaxDosPath + 2];
    err = SpecPath(fromFile, fromPath);
    if (err != noErr)
        return err;
    WithBackslash(fromPath);
    if (ZEL_DOSVolToVRefNum(fromPath) != ZEL_DOSVolToVRefNum(targetPath))
        return noErr;
    size_t common = 0;
    while (fromPath[common] && fromPath[common] == targetPath[common])
        ++common;
    // Back to the start of the component in which they differ.
    size_t start = common;
    while (start > 0 && targetPath[start - 1] != '\\')
        --start;
    uint16_t kind;
    size_t root = static_cast<size_t>(DosPathRootLength(targetPath, &kind));
    if (start <= root)
        return noErr;
    std::strcpy(r->relativePath, targetPath + start);
    int16_t levels = 0;
    for (const char *p = fromPath + start; *p; ++p)
        if (*p == '\\')
            ++levels;
    r->levelsUp = levels;
    return noErr;
}

// The path a record names seen from the from-file: the relative path when it names something, else the
// full path.
void RecordTargetPath(const AliasRecord *r, const FSSpec *fromFile, char *out)
{
    std::strcpy(out, r->fullPath);
    if (!fromFile || !r->relativePath[0] || r->levelsUp < 0)
        return;
    char fromPath[kMaxDosPath + 2];
    if (SpecPath(fromFile, fromPath) != noErr)
        return;
    WithBackslash(fromPath);
    int count = r->levelsUp;
    char *cut = nullptr;
    for (char *p = fromPath + std::strlen(fromPath); p > fromPath;) {
        --p;
        if (*p == '\\' && --count == -1) {
            cut = p;
            break;
        }
    }
    if (!cut)
        return;
    *cut = 0;
    // A joined path longer than a DOS path names nothing: the full path stands.
    const size_t folderLength = std::strlen(fromPath), relativeLength = std::strlen(r->relativePath);
    if (folderLength + 1 + relativeLength > static_cast<size_t>(kMaxDosPath))
        return;
    char candidate[kMaxDosPath + 1];
    std::memcpy(candidate, fromPath, folderLength);
    candidate[folderLength] = '\\';
    std::memcpy(candidate + folderLength + 1, r->relativePath, relativeLength + 1);
    if (GetFileAttributesA(candidate) != INVALID_FILE_ATTRIBUTES || GetFileAttributesA(r->fullPath) == INVALID_FILE_ATTRIBUTES)
        std::strcpy(out, candidate);
}

OSErr ResolveRecord(const FSSpec *fromFile, AliasHandle alias, FSSpec *target, Boolean *wasChanged, bool anyMatch)
{
    if (wasChanged)
        *wasChanged = false;
    const AliasRecord *r = CheckedRecord(alias);
    if (!r || !target)
        return paramErr;
    char path[2 * kMaxDosPath + 2];
    RecordTargetPath(r, fromFile, path);
    ZEL_FullPathToFSSpec(path, target);
    char resolved[MAX_PATH];
    bool changed = false;
    if (ResolveShortcut(path, resolved, true, anyMatch, &changed))
        ZEL_FullPathToFSSpec(resolved, target);
    if (wasChanged)
        *wasChanged = changed;
    return noErr;
}

// A path's components from the end: 0 the last, 1 the one before it.
void ComponentFromEnd(const char *path, int which, char *out)
{
    out[0] = 0;
    const char *end = path + std::strlen(path);
    for (int i = 0; i <= which; ++i) {
        const char *start = end;
        while (start > path && start[-1] != '\\')
            --start;
        if (i == which) {
            CopyPathPart(out, start, static_cast<int>(end - start));
            return;
        }
        if (start == path)
            return;
        end = start - 1;
    }
}

} // namespace

ZEL_EXTERN_C OSErr ZEL_CALL NewAlias(const FSSpec *fromFile, const FSSpec *target, AliasHandle *alias)
{
    if (!target || !alias)
        return paramErr;
    *alias = nullptr;
    AliasRecord r;
    OSErr err = BuildRecord(fromFile, target, &r);
    if (err != noErr)
        return err;
    Handle h = NewHandle(sizeof(AliasRecord));
    if (!h)
        return CurrentMemErr();
    std::memcpy(*h, &r, sizeof r);
    *alias = reinterpret_cast<AliasHandle>(h);
    return noErr;
}

ZEL_EXTERN_C OSErr ZEL_CALL NewAliasMinimal(const FSSpec *target, AliasHandle *alias)
{
    return NewAlias(nullptr, target, alias);
}

ZEL_EXTERN_C OSErr ZEL_CALL UpdateAlias(const FSSpec *fromFile, const FSSpec *target, AliasHandle alias,
                                        Boolean *wasChanged)
{
    if (wasChanged)
        *wasChanged = false;
    if (!alias || !*alias || !target)
        return paramErr;
    AliasRecord r;
    OSErr err = BuildRecord(fromFile, target, &r);
    if (err != noErr)
        return err;
    Handle h = reinterpret_cast<Handle>(alias);
    if (GetHandleSize(h) == static_cast<Size>(sizeof r) && std::memcmp(*h, &r, sizeof r) == 0)
        return noErr;
    SetHandleSize(h, sizeof r);
    if (CurrentMemErr() != noErr)
        return CurrentMemErr();
    std::memcpy(*h, &r, sizeof r);
    if (wasChanged)
        *wasChanged = true;
    return noErr;
}

ZEL_EXTERN_C OSErr ZEL_CALL ResolveAlias(const FSSpec *fromFile, AliasHandle alias, FSSpec *target, Boolean *wasChanged)
{
    return ResolveRecord(fromFile, alias, target, wasChanged, true);
}

ZEL_EXTERN_C OSErr ZEL_CALL MatchAlias(const FSSpec *fromFile, uint32_t rulesMask, AliasHandle alias, int16_t *aliasCount,
                                       FSSpecArrayPtr aliasList, Boolean *needsUpdate, void *, void *)
{
    if (!aliasCount || *aliasCount < 1 || !aliasList)
        return paramErr;
    OSErr err = ResolveRecord(fromFile, alias, aliasList, needsUpdate, !(rulesMask & kARMNoAnyMatch));
    if (err == noErr)
        *aliasCount = 1;
    return err;
}

ZEL_EXTERN_C OSErr ZEL_CALL GetAliasInfo(AliasHandle alias, AliasInfoType index, StringPtr theString)
{
    const AliasRecord *r = CheckedRecord(alias);
    if (!r || !theString || index < asiZoneName || index > asiParentName)
        return paramErr;
    char text[kMaxDosPath + 1] = "";
    if (index == asiVolumeName) {
        const char *end = std::strlen(r->fullPath) > 2 ? std::strchr(r->fullPath + 2, '\\') : nullptr;
        CopyPathPart(text, r->fullPath, end ? static_cast<int>(end - r->fullPath) : static_cast<int>(std::strlen(r->fullPath)));
    } else if (index >= asiAliasName) {
        ComponentFromEnd(r->fullPath, index, text);
    }
    text[63] = 0; // a Str63
    ZEL_CopyCtoP(text, theString);
    return noErr;
}

ZEL_EXTERN_C OSErr ZEL_CALL ResolveAliasFile(FSSpec *theSpec, Boolean resolveAliasChains, Boolean *targetIsFolder,
                                             Boolean *wasAliased)
{
    if (!theSpec)
        return paramErr;
    char path[kMaxDosPath + 1];
    OSErr err = SpecPath(theSpec, path);
    if (err != noErr)
        return err;
    char resolved[MAX_PATH];
    bool changed = false;
    if (!ResolveShortcut(path, resolved, resolveAliasChains, true, &changed)) {
        if (wasAliased)
            *wasAliased = false;
        if (targetIsFolder)
            *targetIsFolder = false;
        FInfo info;
        return HGetFInfo(theSpec->vRefNum, theSpec->parID, theSpec->name, &info);
    }
    ZEL_FullPathToFSSpec(resolved, theSpec);
    if (targetIsFolder)
        *targetIsFolder = theSpec->name[0] == 0;
    if (wasAliased)
        *wasAliased = true;
    return noErr;
}

ZEL_EXTERN_C OSErr ZEL_CALL FollowFinderAlias(const FSSpec *, AliasHandle, Boolean, FSSpec *, Boolean *) { return noErr; }

ZEL_EXTERN_C OSErr ZEL_CALL ZEL_MakeAliasFile(const FSSpec *target, const FSSpec *aliasFile)
{
    char targetPath[kMaxDosPath + 1], filePath[kMaxDosPath + 1];
    OSErr err = SpecPath(target, targetPath);
    if (err == noErr)
        err = SpecPath(aliasFile, filePath);
    if (err != noErr)
        return err;
    return SUCCEEDED(CreateShortcut(targetPath, filePath, "")) ? OSErr(noErr) : OSErr(fnfErr);
}

/* Alias Manager: alias records and shortcut files. */
#ifndef TOLVADEX_ALIASES_H
#define TOLVADEX_ALIASES_H
#define __ALIASES__

#include "Files.h"

#pragma pack(push, 2)

/* The whole contents of an alias handle: the target's full DOS path and, when the alias was made from a
   file, the target's path relative to that file's directory. */
typedef struct AliasRecord {
    OSType userType;         /* 'alis' */
    uint16_t aliasSize;      /* 534 */
    uint16_t relativeOffset; /* of relativePath from fullPath: 260 */
    OSType signature;        /* 'alis' */
    int16_t levelsUp;        /* directories to climb from the from-file; -1 without a relative path */
    char fullPath[260];
    char relativePath[260];
} AliasRecord;
typedef AliasRecord *AliasPtr;
typedef AliasPtr *AliasHandle;
typedef FSSpec *FSSpecArrayPtr;
typedef int16_t AliasInfoType;

#pragma pack(pop)

ZEL_STATIC_ASSERT(sizeof(AliasRecord) == 534, "AliasRecord is 534 bytes");
ZEL_STATIC_ASSERT(offsetof(AliasRecord, levelsUp) == 12, "levelsUp at 12");
ZEL_STATIC_ASSERT(offsetof(AliasRecord, fullPath) == 14, "fullPath at 14");
ZEL_STATIC_ASSERT(offsetof(AliasRecord, relativePath) == 274, "relativePath at 274");

enum { asiZoneName = -3, asiServerName = -2, asiVolumeName = -1, asiAliasName = 0, asiParentName = 1 };
/* MatchAlias: rulesMask value 2 turns off the shell's search for a moved target. */
enum { kARMNoAnyMatch = 2 };

ZEL_API OSErr ZEL_CALL NewAlias(const FSSpec *fromFile, const FSSpec *target, AliasHandle *alias);
ZEL_API OSErr ZEL_CALL NewAliasMinimal(const FSSpec *target, AliasHandle *alias);
ZEL_API OSErr ZEL_CALL UpdateAlias(const FSSpec *fromFile, const FSSpec *target, AliasHandle alias,
                                   Boolean *wasChanged);
ZEL_API OSErr ZEL_CALL ResolveAlias(const FSSpec *fromFile, AliasHandle alias, FSSpec *target, Boolean *wasChanged);
ZEL_API OSErr ZEL_CALL MatchAlias(const FSSpec *fromFile, uint32_t rulesMask, AliasHandle alias, int16_t *aliasCount,
                                  FSSpecArrayPtr aliasList, Boolean *needsUpdate, void *filter, void *yourDataPtr);
/* theString holds 64 bytes (a Str63). */
ZEL_API OSErr ZEL_CALL GetAliasInfo(AliasHandle alias, AliasInfoType index, StringPtr theString);
ZEL_API OSErr ZEL_CALL ResolveAliasFile(FSSpec *theSpec, Boolean resolveAliasChains, Boolean *targetIsFolder,
                                        Boolean *wasAliased);
ZEL_API OSErr ZEL_CALL FollowFinderAlias(const FSSpec *fromFile, AliasHandle alias, Boolean logon, FSSpec *target,
                                         Boolean *wasChanged);

/* The record of a full DOS path; a path ending in a backslash names a directory (empty name). */
ZEL_API OSErr ZEL_CALL ZEL_FullPathToFSSpec(const char *path, FSSpec *fsSpec);
/* Writes a Windows shortcut (.lnk) file at aliasFile pointing at target; -43 when it cannot. */
ZEL_API OSErr ZEL_CALL ZEL_MakeAliasFile(const FSSpec *target, const FSSpec *aliasFile);

#endif

/* Resource Manager: resource files and the chain of open files, and the resources in them. */
#ifndef TOLVADEX_RESOURCES_H
#define TOLVADEX_RESOURCES_H
#define __RESOURCES__

#include "MacTypes.h"
#include "MixedMode.h"
#include "Files.h"

enum {
    resNotFound = -192,
    resFNotFound = -193,
    addResFailed = -194,
    rmvResFailed = -196,
    resAttrErr = -198,
    mapReadErr = -199
};

/* Attribute bits of a resource file (GetResFileAttrs). */
enum { mapReadOnly = 0x80, mapCompact = 0x40, mapChanged = 0x20 };

/* Attribute bits of a resource. */
enum {
    resSysHeap = 0x40,
    resPurgeable = 0x20,
    resLocked = 0x10,
    resProtected = 0x08,
    resPreload = 0x04,
    resChanged = 0x02
};

ZEL_API int16_t ZEL_CALL InitResources(void);
ZEL_API int16_t ZEL_CALL OpenResFile(ConstStr255Param fileName);
ZEL_API int16_t ZEL_CALL OpenRFPerm(ConstStr255Param fileName, int16_t vRefNum, int8_t permission);
ZEL_API int16_t ZEL_CALL HOpenResFile(int16_t vRefNum, int32_t dirID, ConstStr255Param fileName, int8_t permission);
ZEL_API void ZEL_CALL CreateResFile(ConstStr255Param fileName);
ZEL_API void ZEL_CALL HCreateResFile(int16_t vRefNum, int32_t dirID, ConstStr255Param fileName);
ZEL_API void ZEL_CALL CloseResFile(int16_t refNum);
/* 1 when the fork was written or flushed, else 0 (the error in ResError). */
ZEL_API int16_t ZEL_CALL UpdateResFile(int16_t refNum);
ZEL_API void ZEL_CALL UseResFile(int16_t refNum);
ZEL_API int16_t ZEL_CALL CurResFile(void);
ZEL_API void ZEL_CALL SetResLoad(Boolean load);
ZEL_API void ZEL_CALL SetResPurge(Boolean install);
ZEL_API int16_t ZEL_CALL GetResFileAttrs(int16_t refNum);
ZEL_API void ZEL_CALL SetResFileAttrs(int16_t refNum, int16_t attrs);
ZEL_API OSErr ZEL_CALL ResError(void);

/* Getting resources. GetResource ('PACK', n) answers the value -1 in place of a handle. */
ZEL_API Handle ZEL_CALL GetResource(ResType type, int16_t id);
ZEL_API Handle ZEL_CALL RGetResource(ResType type, int16_t id);
ZEL_API Handle ZEL_CALL Get1Resource(ResType type, int16_t id);
ZEL_API Handle ZEL_CALL GetNamedResource(ResType type, ConstStr255Param name);
ZEL_API Handle ZEL_CALL Get1NamedResource(ResType type, ConstStr255Param name);
ZEL_API Handle ZEL_CALL GetIndResource(ResType type, int16_t index);
ZEL_API Handle ZEL_CALL Get1IndResource(ResType type, int16_t index);
ZEL_API void ZEL_CALL LoadResourc(Handle theResource);

/* Counting and listing. */
ZEL_API int16_t ZEL_CALL Count1Resources(ResType type);
ZEL_API int16_t ZEL_CALL CountResources(ResType type);
ZEL_API int16_t ZEL_CALL Count1Types(void);
ZEL_API int16_t ZEL_CALL CountTypes(void);
ZEL_API void ZEL_CALL Get1IndType(ResType *type, int16_t index);
ZEL_API void ZEL_CALL GetIndType(ResType *type, int16_t index);
ZEL_API int16_t ZEL_CALL UniqueID(ResType type);
ZEL_API int16_t ZEL_CALL Unique1ID(ResType type);

/* Describing and changing. */
ZEL_API int16_t ZEL_CALL HomeResFile(Handle theResource);
ZEL_API int16_t ZEL_CALL GetResAttrs(Handle theResource);
ZEL_API void ZEL_CALL SetResAttrs(Handle theResource, int16_t attrs);
ZEL_API void ZEL_CALL GetResInfo(Handle theResource, int16_t *id, ResType *type, StringPtr name);
ZEL_API void ZEL_CALL SetResInfo(Handle theResource, int16_t id, ConstStr255Param name);
ZEL_API int32_t ZEL_CALL SizeRsrc(Handle theResource);
ZEL_API int32_t ZEL_CALL GetResourceSizeOnDisk(Handle theResource);
ZEL_API int32_t ZEL_CALL GetMaxResourceSize(Handle theResource);
ZEL_API void ZEL_CALL ChangedResource(Handle theResource);
ZEL_API void ZEL_CALL WriteResource(Handle theResource);
ZEL_API void ZEL_CALL ReleaseResource(Handle theResource);
ZEL_API void ZEL_CALL DetachResource(Handle theResource);
ZEL_API void ZEL_CALL RemoveResource(Handle theResource);
ZEL_API void ZEL_CALL AddResource(Handle theData, ResType type, int16_t id, ConstStr255Param name);
ZEL_API void ZEL_CALL SetResourceSize(Handle theResource, int32_t newSize);
ZEL_API void ZEL_CALL WritePartialResource(Handle theResource, int32_t offset, const void *buffer, int32_t count);
ZEL_API void ZEL_CALL ReadPartialResource(Handle theResource, int32_t offset, void *buffer, int32_t count);

ZEL_API int16_t ZEL_CALL LMGetCurMap(void);
ZEL_API void ZEL_CALL LMSetCurMap(int16_t refNum);
ZEL_API Handle ZEL_CALL LMGetTopMapHndl(void);
ZEL_API void ZEL_CALL LMSetTopMapHndl(Handle map);

/* A volume and directory pair; ZEL_MakeResSpec turns it into its directory's "Resource.frk"
   subdirectory and answers the new vRefNum, or the path error. */
#pragma pack(push, 2)
typedef struct ResSpecPair {
    int16_t vRefNum;
    int32_t dirID;
} ResSpecPair;
#pragma pack(pop)
ZEL_STATIC_ASSERT(sizeof(ResSpecPair) == 6, "ResSpecPair is 6 bytes");
ZEL_API int16_t ZEL_CALL ZEL_MakeResSpec(ResSpecPair *pair);

/* A file's byte-swap procedure (a ByteSwapProc of ByteOrder.h), given for every resource of a type that
   has no template of its own; refNum 0 names the system file. Returns the previous procedure. */
ZEL_API ProcPtr ZEL_CALL ZEL_SetSwapResourceProc(int16_t refNum, ProcPtr proc);

/* The published name of LoadResourc (KERNEL32 uses the name). */
#if defined(__cplusplus) || !defined(_APISETLIBLOADER_)
ZEL_PUBLISHED_PROC(LoadResource, LoadResourc, (Handle theResource), (theResource))
#endif


/* Earlier names of renamed calls. */
#ifndef TOLVADEX_BUILDING
#define SizeResource SizeRsrc
#endif

#endif

/* The Image Compression Manager and file previews: every call links and answers, none compresses,
   decompresses or shows a preview. Calls that answer 0 leave their out-values empty. */
#ifndef TOLVADEX_IMAGECOMPRESSION_H
#define TOLVADEX_IMAGECOMPRESSION_H
#define __IMAGECOMPRESSION__

#include "MacTypes.h"
#include "Components.h"
#include "Quickdraw.h"
#include "StandardFile.h"

typedef int32_t ImageSequence;
typedef OSType CodecType;
typedef uint32_t CodecQ;
typedef uint16_t CodecFlags;
typedef ComponentInstance CompressorComponent;
typedef ComponentInstance CodecComponent;
typedef Handle ImageDescriptionHandle;
typedef struct CodecInfo CodecInfo;
typedef struct CodecNameSpecList CodecNameSpecList, *CodecNameSpecListPtr;
typedef struct ICMCompletionProcRecord *ICMCompletionProcRecordPtr;
typedef struct ICMFlushProcRecord *ICMFlushProcRecordPtr;
typedef struct ICMProgressProcRecord *ICMProgressProcRecordPtr;

ZEL_API OSErr ZEL_CALL CDSequenceEnd(ImageSequence seqID);
ZEL_API OSErr ZEL_CALL CompressSequenceBegin(ImageSequence *seqID, PixMapHandle src, PixMapHandle prev,
                                             const Rect *srcRect, const Rect *prevRect, int16_t colorDepth,
                                             CodecType cType, CompressorComponent codec, CodecQ spatialQuality,
                                             CodecQ temporalQuality, int32_t keyFrameRate, CTabHandle ctable,
                                             CodecFlags flags, ImageDescriptionHandle desc);
ZEL_API OSErr ZEL_CALL CompressSequenceFrame(ImageSequence seqID, PixMapHandle src, const Rect *srcRect,
                                             CodecFlags flags, Ptr data, ZEL_Long *dataSize, uint8_t *similarity,
                                             ICMCompletionProcRecordPtr asyncCompletionProc);
ZEL_API OSErr ZEL_CALL DecompressImage(Ptr data, ImageDescriptionHandle desc, PixMapHandle dst, const Rect *srcRect,
                                       const Rect *dstRect, int16_t mode, RgnHandle mask);
ZEL_API OSErr ZEL_CALL FCompressImage(PixMapHandle src, const Rect *srcRect, int16_t colorDepth, CodecQ quality,
                                      CodecType cType, CompressorComponent codec, CTabHandle ctable,
                                      CodecFlags flags, int32_t bufferSize, ICMFlushProcRecordPtr flushProc,
                                      ICMProgressProcRecordPtr progressProc, ImageDescriptionHandle desc, Ptr data);
ZEL_API OSErr ZEL_CALL GetMaxCompressionSize(PixMapHandle src, const Rect *srcRect, int16_t colorDepth, CodecQ quality,
                                             CodecType cType, CompressorComponent codec, ZEL_Long *size);
ZEL_API OSErr ZEL_CALL MakeFilePreview(int16_t resRefNum, ICMProgressProcRecordPtr progress);
ZEL_API OSErr ZEL_CALL DisposeCodecNameList(CodecNameSpecListPtr list);
ZEL_API OSErr ZEL_CALL GetCodecInfo(CodecInfo *info, CodecType cType, CodecComponent codec);
ZEL_API OSErr ZEL_CALL GetCodecNameList(CodecNameSpecListPtr *list, int16_t showAll);
ZEL_API void ZEL_CALL SFPGetFilePreview(Point where, ConstStr255Param prompt, FileFilterProcPtr fileFilter,
                                        int16_t numTypes, ConstSFTypeListPtr typeList, DlgHookProcPtr dlgHook,
                                        SFReply *reply, int16_t dlgID, ModalFilterProcPtr filterProc);
/* Returns at once, silently, and shows nothing. */
ZEL_API void ZEL_CALL StandardGetFilePreview(FileFilterProcPtr fileFilter, int16_t numTypes,
                                             ConstSFTypeListPtr typeList, StandardFileReply *reply);


/* Earlier names of renamed calls. */
#ifndef TOLVADEX_BUILDING
#define DisposCodecNameList DisposeCodecNameList
#endif

#endif

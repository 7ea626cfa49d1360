// The Movie Toolbox, the movie controller, the Image Compression Manager and file previews: programs
// written against them link and run, and none of them does any work. Each reports its name and answers
// a fixed value; a call that answers 0 (no error) empties its out-values, so that the caller never uses
// or disposes of what happened to be in them. A nil out-pointer is not written.
#include "../core/core_services.h"
#include "Movies.h"
#include "ImageCompression.h"

namespace {

template <typename T> void Clear(T *out, T value)
{
    if (out)
        *out = value;
}

} // namespace

ZEL_EXTERN_C OSErr ZEL_CALL AddMovieResource(Movie, int16_t, int16_t *resId, ConstStr255Param)
{
    ReportUnimplemented(" AddMovieResource");
    Clear<int16_t>(resId, 0);
    return 0;
}
ZEL_STUB_VOID(ClearMoviesStickyError, (void))
ZEL_STUB(OSErr, CloseMovieFile, 0, (int16_t))
ZEL_EXTERN_C OSErr ZEL_CALL CreateMovieFile(const FSSpec *, OSType, ScriptCode, int32_t, int16_t *resRefNum,
                                            Movie *newMovie)
{
    ReportUnimplemented(" CreateMovieFile");
    Clear<int16_t>(resRefNum, 0);
    Clear<Movie>(newMovie, nullptr);
    return 0;
}
ZEL_STUB_VOID(DisposeMovie, (Movie))
ZEL_STUB(OSErr, EnterMovies, 0, (void))
ZEL_STUB_VOID(ExitMovies, (void))
ZEL_EXTERN_C void ZEL_CALL GetMovieBox(Movie, Rect *boxRect)
{
    ReportUnimplemented(" GetMovieBox");
    Clear<Rect>(boxRect, Rect{0, 0, 0, 0});
}
ZEL_STUB(PicHandle, GetMoviePict, 0, (Movie, TimeValue))
ZEL_STUB(OSErr, GetMoviesError, 0, (void))
ZEL_STUB(TimeValue, GetMovieTime, 0, (Movie, TimeRecord *))
ZEL_STUB(TimeScale, GetMovieTimeScale, 0, (Movie))
ZEL_STUB(ComponentResult, MCDoAction, 0, (MovieController, int16_t, void *))
ZEL_STUB(ComponentResult, MCIsPlayerEvent, 0, (MovieController, const EventRecord *))
ZEL_STUB(ComponentResult, MCSetControllerBoundsRect, 0, (MovieController, const Rect *))
ZEL_STUB(MovieController, NewMovieController, 0, (Movie, const Rect *, int32_t))
ZEL_EXTERN_C OSErr ZEL_CALL NewMovieFromFile(Movie *theMovie, int16_t, int16_t *, StringPtr, int16_t, Boolean *)
{
    ReportUnimplemented(" NewMovieFromFile");
    Clear<Movie>(theMovie, nullptr);
    return 0;
}
ZEL_STUB(Track, NewMovieTrack, 0, (Movie, Fixed, Fixed, int16_t))
ZEL_EXTERN_C OSErr ZEL_CALL OpenMovieFile(const FSSpec *, int16_t *resRefNum, int8_t)
{
    ReportUnimplemented(" OpenMovieFile");
    Clear<int16_t>(resRefNum, 0);
    return 0;
}
ZEL_STUB_VOID(SetMovieBox, (Movie, const Rect *))
ZEL_STUB_VOID(SetMovieTimeValue, (Movie, TimeValue))
ZEL_STUB(OSErr, AddMediaSample, 0,
         (Media, Handle, int32_t, uint32_t, TimeValue, SampleDescriptionHandle, int32_t, int16_t, TimeValue *))
ZEL_STUB(OSErr, BeginMediaEdits, 0, (Media))
ZEL_STUB(OSErr, EndMediaEdits, 0, (Media))
ZEL_STUB(TimeValue, GetMediaDuration, 0, (Media))
ZEL_STUB(OSErr, InsertMediaIntoTrack, 0, (Track, TimeValue, TimeValue, TimeValue, Fixed))
ZEL_STUB(Media, NewTrackMedia, 0, (Track, OSType, TimeScale, Handle, OSType))
ZEL_STUB_VOID(DisposeMovieController, (MovieController))
ZEL_STUB(TimeValue, GetMovieDuration, 0, (Movie))
ZEL_STUB(OSErr, GetMoviesStickyError, 0, (void))
ZEL_EXTERN_C ComponentResult ZEL_CALL MCDraw(MovieController, WindowPtr) { return -1; }
ZEL_EXTERN_C ComponentResult ZEL_CALL MCGetControllerBoundsRect(MovieController, Rect *) { return -1; }
ZEL_STUB_VOID(MoviesTask, (Movie, int32_t))
ZEL_STUB(OSErr, PrerollMovie, 0, (Movie, TimeValue, Fixed))
ZEL_STUB_VOID(SetMovieDisplayClipRgn, (Movie, RgnHandle))
ZEL_STUB_VOID(SetMovieGWorld, (Movie, CGrafPtr, GDHandle))
ZEL_STUB_VOID(SetMovieTime, (Movie, const TimeRecord *))
ZEL_STUB(OSErr, UpdateMovie, 0, (Movie))

// Present with the same behaviour, but not in the export table.
ZEL_STUB(Fixed, GetMovieRate, 0, (Movie))
ZEL_STUB_VOID(GoToBeginningOfMovie, (Movie))
ZEL_STUB_VOID(GoToEndOfMovie, (Movie))
ZEL_STUB(Boolean, IsMovieDone, false, (Movie))
ZEL_STUB_VOID(SetMovieRate, (Movie, Fixed))
ZEL_STUB_VOID(StartMovie, (Movie))
ZEL_STUB_VOID(StopMovie, (Movie))

ZEL_STUB(OSErr, CDSequenceEnd, 0, (ImageSequence))
ZEL_STUB(OSErr, CompressSequenceBegin, 0,
         (ImageSequence *, PixMapHandle, PixMapHandle, const Rect *, const Rect *, int16_t, CodecType,
          CompressorComponent, CodecQ, CodecQ, int32_t, CTabHandle, CodecFlags, ImageDescriptionHandle))
ZEL_STUB(OSErr, CompressSequenceFrame, 0,
         (ImageSequence, PixMapHandle, const Rect *, CodecFlags, Ptr, int32_t *, uint8_t *, ICMCompletionProcRecordPtr))
ZEL_STUB(OSErr, DecompressImage, 0, (Ptr, ImageDescriptionHandle, PixMapHandle, const Rect *, const Rect *, int16_t, RgnHandle))
ZEL_STUB(OSErr, FCompressImage, 0,
         (PixMapHandle, const Rect *, int16_t, CodecQ, CodecType, CompressorComponent, CTabHandle, CodecFlags, int32_t,
          ICMFlushProcRecordPtr, ICMProgressProcRecordPtr, ImageDescriptionHandle, Ptr))
ZEL_EXTERN_C OSErr ZEL_CALL GetMaxCompressionSize(PixMapHandle, const Rect *, int16_t, CodecQ, CodecType,
                                                  CompressorComponent, int32_t *size)
{
    ReportUnimplemented(" GetMaxCompressionSize");
    Clear<int32_t>(size, 0);
    return 0;
}
ZEL_STUB(OSErr, MakeFilePreview, 0, (int16_t, ICMProgressProcRecordPtr))
ZEL_STUB(OSErr, DisposeCodecNameList, 0, (CodecNameSpecListPtr))
ZEL_STUB(OSErr, GetCodecInfo, 0, (CodecInfo *, CodecType, CodecComponent))
ZEL_EXTERN_C OSErr ZEL_CALL GetCodecNameList(CodecNameSpecListPtr *list, int16_t)
{
    ReportUnimplemented(" GetCodecNameList");
    Clear<CodecNameSpecListPtr>(list, nullptr);
    return 0;
}
ZEL_STUB_VOID(SFPGetFilePreview,
              (Point, ConstStr255Param, FileFilterProcPtr, int16_t, ConstSFTypeListPtr, DlgHookProcPtr, SFReply *, int16_t,
               ModalFilterProcPtr))
// Shows no dialog and says nothing.
ZEL_EXTERN_C void ZEL_CALL StandardGetFilePreview(FileFilterProcPtr, int16_t, ConstSFTypeListPtr, StandardFileReply *) {}

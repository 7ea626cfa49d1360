/* The Movie Toolbox and the movie controller: every call links and answers, none plays a movie. Calls that
   answer 0 leave their out-values empty (nil, 0 or an empty rectangle), never unset. */
#ifndef TOLVADEX_MOVIES_H
#define TOLVADEX_MOVIES_H
#define __MOVIES__

#include "MacTypes.h"
#include "Components.h"
#include "Events.h"
#include "Files.h"
#include "Quickdraw.h"
#include "MacWindows.h"

typedef struct MovieRecord *Movie;
typedef struct TrackRecord *Track;
typedef struct MediaRecord *Media;
typedef ComponentInstance MovieController;
typedef int32_t TimeValue;
typedef int32_t TimeScale;
typedef int32_t ComponentResult;
typedef Handle SampleDescriptionHandle;
typedef struct TimeRecord TimeRecord;

ZEL_API OSErr ZEL_CALL AddMovieResource(Movie theMovie, int16_t resRefNum, int16_t *resId, ConstStr255Param resName);
ZEL_API void ZEL_CALL ClearMoviesStickyError(void);
ZEL_API OSErr ZEL_CALL CloseMovieFile(int16_t resRefNum);
ZEL_API OSErr ZEL_CALL CreateMovieFile(const FSSpec *fileSpec, OSType creator, ScriptCode scriptTag,
                                       int32_t createMovieFileFlags, int16_t *resRefNum, Movie *newMovie);
ZEL_API void ZEL_CALL DisposeMovie(Movie theMovie);
ZEL_API OSErr ZEL_CALL EnterMovies(void);
ZEL_API void ZEL_CALL ExitMovies(void);
ZEL_API void ZEL_CALL GetMovieBox(Movie theMovie, Rect *boxRect);
ZEL_API PicHandle ZEL_CALL GetMoviePict(Movie theMovie, TimeValue time);
ZEL_API OSErr ZEL_CALL GetMoviesError(void);
ZEL_API TimeValue ZEL_CALL GetMovieTime(Movie theMovie, TimeRecord *currentTime);
ZEL_API TimeScale ZEL_CALL GetMovieTimeScale(Movie theMovie);
ZEL_API ComponentResult ZEL_CALL MCDoAction(MovieController mc, int16_t action, void *params);
ZEL_API ComponentResult ZEL_CALL MCIsPlayerEvent(MovieController mc, const EventRecord *e);
ZEL_API ComponentResult ZEL_CALL MCSetControllerBoundsRect(MovieController mc, const Rect *bounds);
ZEL_API MovieController ZEL_CALL NewMovieController(Movie theMovie, const Rect *movieRect, int32_t someFlags);
ZEL_API OSErr ZEL_CALL NewMovieFromFile(Movie *theMovie, int16_t resRefNum, int16_t *resId, StringPtr resName,
                                        int16_t newMovieFlags, Boolean *dataRefWasChanged);
ZEL_API Track ZEL_CALL NewMovieTrack(Movie theMovie, Fixed width, Fixed height, int16_t trackVolume);
ZEL_API OSErr ZEL_CALL OpenMovieFile(const FSSpec *fileSpec, int16_t *resRefNum, int8_t permission);
ZEL_API void ZEL_CALL SetMovieBox(Movie theMovie, const Rect *boxRect);
ZEL_API void ZEL_CALL SetMovieTimeValue(Movie theMovie, TimeValue newTime);
ZEL_API OSErr ZEL_CALL AddMediaSample(Media theMedia, Handle dataIn, int32_t inOffset, uint32_t size,
                                      TimeValue durationPerSample, SampleDescriptionHandle sampleDescription,
                                      int32_t numberOfSamples, int16_t sampleFlags, TimeValue *sampleTime);
ZEL_API OSErr ZEL_CALL BeginMediaEdits(Media theMedia);
ZEL_API OSErr ZEL_CALL EndMediaEdits(Media theMedia);
ZEL_API TimeValue ZEL_CALL GetMediaDuration(Media theMedia);
ZEL_API OSErr ZEL_CALL InsertMediaIntoTrack(Track theTrack, TimeValue trackStart, TimeValue mediaTime,
                                            TimeValue mediaDuration, Fixed mediaRate);
ZEL_API Media ZEL_CALL NewTrackMedia(Track theTrack, OSType mediaType, TimeScale timeScale, Handle dataRef,
                                     OSType dataRefType);
ZEL_API void ZEL_CALL DisposeMovieController(MovieController mc);
ZEL_API TimeValue ZEL_CALL GetMovieDuration(Movie theMovie);
ZEL_API OSErr ZEL_CALL GetMoviesStickyError(void);
/* -1, silently. */
ZEL_API ComponentResult ZEL_CALL MCDraw(MovieController mc, WindowPtr w);
ZEL_API ComponentResult ZEL_CALL MCGetControllerBoundsRect(MovieController mc, Rect *bounds);
ZEL_API void ZEL_CALL MoviesTask(Movie theMovie, int32_t maxMilliSecToUse);
ZEL_API OSErr ZEL_CALL PrerollMovie(Movie theMovie, TimeValue time, Fixed rate);
ZEL_API void ZEL_CALL SetMovieDisplayClipRgn(Movie theMovie, RgnHandle theClip);
ZEL_API void ZEL_CALL SetMovieGWorld(Movie theMovie, CGrafPtr port, GDHandle gdh);
ZEL_API void ZEL_CALL SetMovieTime(Movie theMovie, const TimeRecord *newTime);
ZEL_API OSErr ZEL_CALL UpdateMovie(Movie theMovie);


/* Earlier names of renamed calls. */
#ifndef TOLVADEX_BUILDING
#define DisposMovie DisposeMovie
#define DisposMovieController DisposeMovieController
#endif

#endif

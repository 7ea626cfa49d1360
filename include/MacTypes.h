/* Base types of the Macintosh programming interface, as TOLVADEX lays them out on 32-bit Windows:
   the published field order and widths, 32-bit pointers and handles, little-endian integers,
   records packed to 2 bytes. */
#ifndef TOLVADEX_MACTYPES_H
#define TOLVADEX_MACTYPES_H
#define __MACTYPES__
#define __TYPES__

#include "ConditionalMacros.h"
#include <stdint.h>
#include <stddef.h>

#ifdef __cplusplus
#define ZEL_EXTERN_C extern "C"
#define ZEL_STATIC_ASSERT(c, m) static_assert(c, m)
#else
#define ZEL_EXTERN_C
#define ZEL_STATIC_ASSERT(c, m) _Static_assert(c, m)
#endif

/* Every exported entry point uses the Windows standard calling convention. */
#define ZEL_CALL __stdcall
#ifdef TOLVADEX_BUILDING
#define ZEL_API ZEL_EXTERN_C
#define ZEL_DATA ZEL_EXTERN_C
#else
#define ZEL_API ZEL_EXTERN_C __declspec(dllimport)
#define ZEL_DATA ZEL_EXTERN_C __declspec(dllimport)
#endif
#ifndef pascal
#define pascal __stdcall
#endif

/* Published names. 45 entry points are exported without their last letter (FrameRec, SetPor, MoveT,
   FindWindo, ...), most because Windows uses the same names. Each manager's header gives them their
   published names as well: in C++ as inline overloads that live beside the platform's functions of the
   same name, whatever the order of the includes; in C as inline functions, except for the names a
   platform header included before it already declared (such a C file calls the exported name). */
#if defined(TOLVADEX_BUILDING)
#define ZEL_PUBLISHED_PROC(published, exported, params, args)
#define ZEL_PUBLISHED_FUNC(result, published, exported, params, args)
#elif defined(__cplusplus)
#define ZEL_PUBLISHED_PROC(published, exported, params, args) \
    inline void published params { exported args; }
#define ZEL_PUBLISHED_FUNC(result, published, exported, params, args) \
    inline result published params { return exported args; }
#else
/* __inline__: C90 has no inline keyword, and these headers compile as C90 too. */
#define ZEL_PUBLISHED_PROC(published, exported, params, args) \
    static __inline__ void published params { exported args; }
#define ZEL_PUBLISHED_FUNC(result, published, exported, params, args) \
    static __inline__ result published params { return exported args; }
#endif
/* The record accessors of the later interfaces are written in the headers themselves: the records are
   the library's own, so each accessor reads or writes the field it names. */
#ifdef __cplusplus
#define ZEL_INLINE inline
#else
#define ZEL_INLINE static __inline__
#endif

/* Windows spells some of those names as macros choosing an ANSI or a wide function (FindWindow is
   FindWindowA): C++ gets the published call under both spellings too, so that it is found whether the
   platform's header comes before or after. */
#if defined(__cplusplus) && !defined(TOLVADEX_BUILDING)
#define ZEL_PUBLISHED_PROC_AW(published, exported, params, args) \
    ZEL_PUBLISHED_PROC(published##A, exported, params, args) ZEL_PUBLISHED_PROC(published##W, exported, params, args)
#define ZEL_PUBLISHED_FUNC_AW(result, published, exported, params, args) \
    ZEL_PUBLISHED_FUNC(result, published##A, exported, params, args)       \
    ZEL_PUBLISHED_FUNC(result, published##W, exported, params, args)
#else
#define ZEL_PUBLISHED_PROC_AW(published, exported, params, args)
#define ZEL_PUBLISHED_FUNC_AW(result, published, exported, params, args)
#endif

#pragma pack(push, 2)

typedef unsigned char Boolean;
typedef unsigned char Byte;
typedef signed char SignedByte;
typedef int16_t OSErr;
typedef int32_t OSStatus;
typedef int16_t INTEGER;
typedef int32_t LONGINT;
typedef char *Ptr;
typedef Ptr *Handle;
typedef int32_t Size;
typedef uint32_t OSType;
typedef uint32_t ResType;
typedef uint32_t FourCharCode;
typedef int32_t Fixed;
typedef int32_t Fract;
typedef uint32_t UnsignedFixed;
typedef int16_t ShortFixed;
typedef int16_t ScriptCode;
typedef int16_t LangCode;
typedef uint8_t Style;
typedef void (ZEL_CALL *ProcPtr)(void);
typedef ProcPtr *ProcHandle;
typedef uint32_t UniversalProcPtr;

/* Counts and results a call stores through a pointer. The published interface declares them long, and C
   programs pass the address of a long: long and int are both 32 bits here, so C sees the published
   type; C++ and the library keep the exact-width one. */
#if defined(__cplusplus) || defined(TOLVADEX_BUILDING)
typedef int32_t ZEL_Long;
typedef uint32_t ZEL_ULong;
#else
typedef long ZEL_Long;
typedef unsigned long ZEL_ULong;
#endif

typedef unsigned char Str255[256];
typedef unsigned char Str63[64];
typedef unsigned char Str32[33];
typedef unsigned char Str31[32];
typedef unsigned char Str27[28];
typedef unsigned char Str15[16];
typedef unsigned char *StringPtr;
typedef StringPtr *StringHandle;
typedef const unsigned char *ConstStr255Param;
typedef const unsigned char *ConstStr63Param;
typedef const unsigned char *ConstStr31Param;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif
#ifndef nil
#define nil 0
#endif
/* C sources of both interface generations write true and false. */
#if !defined(__cplusplus) && !defined(true) && (!defined(__STDC_VERSION__) || __STDC_VERSION__ < 202311L)
enum { false = 0, true = 1 };
#endif

enum {
    noErr = 0,
    memFullErr = -108,
    nilHandleErr = -109,
    memWZErr = -111,
    memPurErr = -112,
    memAdrErr = -110,
    fnfErr = -43,
    paramErr = -50,
    unimpErr = -4,
    gestaltUndefSelectorErr = -5550
};

typedef struct Point {
    int16_t v;
    int16_t h;
} Point;
typedef Point *PointPtr;

typedef struct Rect {
    int16_t top;
    int16_t left;
    int16_t bottom;
    int16_t right;
} Rect;
typedef Rect *RectPtr;
/* A rectangle's corners as points: the top-left and the bottom-right. */
#define topLeft(r) (((Point *)&(r))[0])
#define botRight(r) (((Point *)&(r))[1])

typedef struct RGBColor {
    uint16_t red;
    uint16_t green;
    uint16_t blue;
} RGBColor;

#pragma pack(pop)

ZEL_STATIC_ASSERT(sizeof(Point) == 4, "Point is 4 bytes");
ZEL_STATIC_ASSERT(sizeof(Rect) == 8, "Rect is 8 bytes");
ZEL_STATIC_ASSERT(sizeof(RGBColor) == 6, "RGBColor is 6 bytes");
ZEL_STATIC_ASSERT(sizeof(Handle) == 4, "handles are 32-bit");

#endif

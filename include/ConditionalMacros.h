/* The compile-time conditionals of the later interfaces, with the values that describe this target: the
   classic programming interface (not Carbon) on 32-bit x86 Windows, little-endian, records packed to two
   bytes, every entry point __stdcall. Source that tests TARGET_API_MAC_CARBON, TARGET_OS_MAC or
   TARGET_CPU_68K takes the branches a classic, non-Macintosh, non-68K build takes. */
#ifndef TOLVADEX_CONDITIONALMACROS_H
#define TOLVADEX_CONDITIONALMACROS_H
#define __CONDITIONALMACROS__

/* What the code runs on. */
#define TARGET_OS_MAC 0
#define TARGET_OS_WIN32 1
#define TARGET_OS_UNIX 0
#define TARGET_CPU_68K 0
#define TARGET_CPU_PPC 0
#define TARGET_CPU_X86 1
#define TARGET_CPU_MIPS 0
#define TARGET_CPU_SPARC 0
#define TARGET_CPU_ALPHA 0
#define TARGET_RT_LITTLE_ENDIAN 1
#define TARGET_RT_BIG_ENDIAN 0
#define TARGET_RT_MAC_CFM 0
#define TARGET_RT_MAC_MACHO 0
#define TARGET_RT_MAC_68881 0

/* Which interface: the classic one. A program may choose the Carbon branch of its own source by
   defining TARGET_API_MAC_CARBON first; the library offers no Carbon-only call. */
#ifndef TARGET_API_MAC_CARBON
#define TARGET_API_MAC_CARBON 0
#endif
#ifndef TARGET_API_MAC_OS8
#define TARGET_API_MAC_OS8 1
#endif
#ifndef TARGET_API_MAC_OSX
#define TARGET_API_MAC_OSX 0
#endif

/* The names of the earlier conditionals, for source written against the first PowerPC interfaces. */
#define GENERATINGPOWERPC 0
#define GENERATING68K 0
#define GENERATING68881 0
#define GENERATINGCFM 0
#define USESROUTINEDESCRIPTORS 0
#define SystemSevenOrLater 1
#define SystemSixOrLater 1

/* Records are visible (their fields may be read directly) and the accessors are real declarations; the
   earlier names of renamed calls are declared as well. */
#ifndef OPAQUE_TOOLBOX_STRUCTS
#define OPAQUE_TOOLBOX_STRUCTS 0
#endif
#ifndef ACCESSOR_CALLS_ARE_FUNCTIONS
#define ACCESSOR_CALLS_ARE_FUNCTIONS 1
#endif
#ifndef OLDROUTINENAMES
#define OLDROUTINENAMES 1
#endif
#ifndef OLDROUTINELOCATIONS
#define OLDROUTINELOCATIONS 0
#endif
#define CALL_NOT_IN_CARBON 1

/* What the compiler offers. */
#define TYPE_BOOL 0
#define TYPE_EXTENDED 0
#define TYPE_LONGLONG 1
#define PRAGMA_ONCE 1
#define PRAGMA_IMPORT 0
#define PRAGMA_STRUCT_ALIGN 0
#define PRAGMA_STRUCT_PACK 1
#define PRAGMA_STRUCT_PACKPUSH 1
#define PRAGMA_ENUM_ALWAYSINT 0
#define FUNCTION_PASCAL 0
#define FUNCTION_DECLSPEC 1
#define FUNCTION_WIN32CC 1

/* Declaration helpers of the later interfaces, for a program that declares its own calls and callbacks
   with them: an exported call and a callback both use the Windows standard calling convention. */
#ifdef __cplusplus
#define EXTERN_API(_type) extern "C" _type __stdcall
#define EXTERN_API_C(_type) extern "C" _type
#else
#define EXTERN_API(_type) extern _type __stdcall
#define EXTERN_API_C(_type) extern _type
#endif
#define CALLBACK_API(_type, _name) _type(__stdcall *_name)
#define CALLBACK_API_C(_type, _name) _type (*_name)
#define STACK_UPP_TYPE(name) name
#define REGISTER_UPP_TYPE(name) name

#endif

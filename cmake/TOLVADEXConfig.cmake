# The installed TOLVADEX package: find_package(TOLVADEX) gives the imported target TOLVADEX::TOLVADEX
# (TOLVADEX.dll, its import library and the Macintosh-style headers) and TOLVADEX::Classic, the same
# with the classic header names (Types.h, Memory.h, QuickDraw.h, Windows.h, Packages.h) on the include
# path for Macintosh source written against them; TOLVADEX::HostGlue, the ready host's Windows side.
get_filename_component(_tolvadex_prefix "${CMAKE_CURRENT_LIST_DIR}/../../.." ABSOLUTE)
if(NOT TARGET TOLVADEX::TOLVADEX)
  add_library(TOLVADEX::TOLVADEX SHARED IMPORTED)
  set_target_properties(TOLVADEX::TOLVADEX PROPERTIES
    IMPORTED_LOCATION "${_tolvadex_prefix}/bin/TOLVADEX.dll"
    IMPORTED_IMPLIB "${_tolvadex_prefix}/lib/libTOLVADEX.a"
    INTERFACE_INCLUDE_DIRECTORIES "${_tolvadex_prefix}/include")
endif()
if(NOT TARGET TOLVADEX::Classic)
  add_library(TOLVADEX::Classic INTERFACE IMPORTED)
  set_target_properties(TOLVADEX::Classic PROPERTIES
    INTERFACE_INCLUDE_DIRECTORIES "${_tolvadex_prefix}/include/classic"
    INTERFACE_LINK_LIBRARIES TOLVADEX::TOLVADEX
    # Macintosh source spells four-character codes as character constants ('TEXT', 'DRVR').
    INTERFACE_COMPILE_OPTIONS "$<$<C_COMPILER_ID:GNU>:$<$<COMPILE_LANGUAGE:C>:-Wno-multichar>>;$<$<CXX_COMPILER_ID:GNU>:$<$<COMPILE_LANGUAGE:CXX>:-Wno-multichar>>")
  # Where the file system ignores case, classic/Windows.h and classic/Memory.h also answer <windows.h>
  # and <memory.h>, and then bring in the platform's headers as well.
  if(EXISTS "${_tolvadex_prefix}/include/classic/windows.h")
    set_property(TARGET TOLVADEX::Classic PROPERTY INTERFACE_COMPILE_DEFINITIONS ZEL_CASE_FOLDING_INCLUDES)
  endif()
endif()
# TOLVADEX::HostGlue: the ready host's Windows side (host_glue.h), compiled into the program that links it.
if(NOT TARGET TOLVADEX::HostGlue)
  add_library(TOLVADEX::HostGlue INTERFACE IMPORTED)
  set_target_properties(TOLVADEX::HostGlue PROPERTIES
    INTERFACE_SOURCES "${_tolvadex_prefix}/share/TOLVADEX/host/host_glue.cpp"
    INTERFACE_INCLUDE_DIRECTORIES "${_tolvadex_prefix}/share/TOLVADEX/host"
    INTERFACE_LINK_LIBRARIES TOLVADEX::TOLVADEX)
endif()
unset(_tolvadex_prefix)

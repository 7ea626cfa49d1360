# The installed TOLVADEX package: find_package(TOLVADEX) gives the imported target TOLVADEX::TOLVADEX
# (TOLVADEX.dll, its import library and the Macintosh-style headers).
get_filename_component(_tolvadex_prefix "${CMAKE_CURRENT_LIST_DIR}/../../.." ABSOLUTE)
if(NOT TARGET TOLVADEX::TOLVADEX)
  add_library(TOLVADEX::TOLVADEX SHARED IMPORTED)
  set_target_properties(TOLVADEX::TOLVADEX PROPERTIES
    IMPORTED_LOCATION "${_tolvadex_prefix}/bin/TOLVADEX.dll"
    IMPORTED_IMPLIB "${_tolvadex_prefix}/lib/libTOLVADEX.a"
    INTERFACE_INCLUDE_DIRECTORIES "${_tolvadex_prefix}/include")
endif()
unset(_tolvadex_prefix)

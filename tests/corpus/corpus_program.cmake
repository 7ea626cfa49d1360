# What every corpus program's project shares: the installed package, the host of corpus_host.cpp over the installed host glue and the
# classic program's warnings (every one an error, an implicit declaration above all). The program's own
# main becomes ProgramMain (a C function; with C++ files a C++ one), which the host calls once the
# session is up.
find_package(TOLVADEX 0.1 REQUIRED)
set(CORPUS_DIR ${CMAKE_CURRENT_LIST_DIR})
function(add_corpus_program name)
  add_executable(${name} WIN32 ${ARGN} ${CORPUS_DIR}/corpus_host.cpp)
  target_link_libraries(${name} PRIVATE TOLVADEX::Classic TOLVADEX::HostGlue)
  target_compile_options(${name} PRIVATE -Wall -Werror $<$<COMPILE_LANGUAGE:C>:-Werror=implicit-function-declaration>)
  set_source_files_properties(${ARGN} PROPERTIES COMPILE_DEFINITIONS main=ProgramMain)
  if(ARGN MATCHES "\\.cpp")
    target_compile_definitions(${name} PRIVATE CORPUS_CXX_PROGRAM)
  endif()
  target_link_options(${name} PRIVATE -static)
endfunction()

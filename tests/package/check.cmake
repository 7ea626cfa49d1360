# Installs the built library under BUILD/package-check/prefix, then configures and builds the host
# project of this folder against it: cmake -DBUILD=... -DSOURCE=... -DTOOLCHAIN=... -P check.cmake
set(work ${BUILD}/package-check)
file(REMOVE_RECURSE ${work})
foreach(step
    "${CMAKE_COMMAND};--install;${BUILD};--prefix;${work}/prefix"
    "${CMAKE_COMMAND};-S;${SOURCE};-B;${work}/host;-DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN};-DCMAKE_PREFIX_PATH=${work}/prefix"
    "${CMAKE_COMMAND};--build;${work}/host")
  execute_process(COMMAND ${step} RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${step} failed:\n${out}")
  endif()
endforeach()
if(NOT EXISTS ${work}/host/package_host.exe)
  message(FATAL_ERROR "the host was not linked")
endif()

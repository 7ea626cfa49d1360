# Installs the built library under BUILD/WORK/prefix (WORK defaults to package-check), then configures
# and builds the host project of SOURCE against it:
#   cmake -DBUILD=... -DSOURCE=... -DTOOLCHAIN=... [-DWORK=...] [-DPROGRAM=...] [-DDEPLOY=dir] -P check.cmake
# PROGRAM names the executable that must come out (package_host unless told); with DEPLOY it is copied
# there beside the installed DLL.
if(NOT WORK)
  set(WORK package-check)
endif()
if(NOT PROGRAM)
  set(PROGRAM package_host)
endif()
set(work ${BUILD}/${WORK})
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
if(NOT EXISTS ${work}/host/${PROGRAM}.exe)
  message(FATAL_ERROR "the host was not linked")
endif()
if(DEPLOY)
  file(MAKE_DIRECTORY ${DEPLOY})
  file(COPY ${work}/host/${PROGRAM}.exe ${work}/prefix/bin/TOLVADEX.dll DESTINATION ${DEPLOY})
endif()

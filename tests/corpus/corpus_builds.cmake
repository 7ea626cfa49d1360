# One corpus program's test: it is built through the installed package (tests/package/check.cmake) and
# copied into bin/corpus/<name>/ beside the DLL. Included from the program's own CMakeLists.txt.
get_filename_component(corpus_name ${CMAKE_CURRENT_SOURCE_DIR} NAME)
add_test(NAME corpus_${corpus_name}_builds
         COMMAND ${CMAKE_COMMAND} -DBUILD=${CMAKE_BINARY_DIR} -DSOURCE=${CMAKE_CURRENT_SOURCE_DIR}/app
                 -DTOOLCHAIN=${CMAKE_SOURCE_DIR}/cmake/mingw-i686.cmake -DWORK=corpus-${corpus_name}
                 -DPROGRAM=${corpus_name} -DDEPLOY=${CMAKE_BINARY_DIR}/bin/corpus/${corpus_name}
                 -P ${CMAKE_SOURCE_DIR}/tests/package/check.cmake)
set_tests_properties(corpus_${corpus_name}_builds PROPERTIES FIXTURES_SETUP corpus_${corpus_name}_built)

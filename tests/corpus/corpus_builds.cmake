# One corpus program's tests: it is built through the installed package (tests/package/check.cmake) and
# copied into bin/corpus/<name>/ beside the DLL; <name>_test.cpp, the test that runs it under Wine with
# real input, is built with the classic programs' driver. Included from the program's own CMakeLists.txt.
get_filename_component(corpus_name ${CMAKE_CURRENT_SOURCE_DIR} NAME)
add_test(NAME corpus_${corpus_name}_builds
         COMMAND ${CMAKE_COMMAND} -DBUILD=${CMAKE_BINARY_DIR} -DSOURCE=${CMAKE_CURRENT_SOURCE_DIR}/app
                 -DTOOLCHAIN=${CMAKE_SOURCE_DIR}/cmake/mingw-i686.cmake -DWORK=corpus-${corpus_name}
                 -DPROGRAM=${corpus_name} -DDEPLOY=${CMAKE_BINARY_DIR}/bin/corpus/${corpus_name}
                 -P ${CMAKE_SOURCE_DIR}/tests/package/check.cmake)
set_tests_properties(corpus_${corpus_name}_builds PROPERTIES FIXTURES_SETUP corpus_${corpus_name}_built)
set(corpus_test test_corpus_${corpus_name})
tolvadex_test(${corpus_test} ${corpus_name}_test.cpp ${CMAKE_SOURCE_DIR}/tests/mac_program/program_driver.cpp
              ${CMAKE_SOURCE_DIR}/tests/resources/fork_layout.cpp)
target_include_directories(${corpus_test} PRIVATE ${CMAKE_SOURCE_DIR}/tests/resources ${CMAKE_SOURCE_DIR}/tests/mac_program)
tolvadex_add_test(${corpus_test})
set_tests_properties(${corpus_test} PROPERTIES FIXTURES_REQUIRED "wine_session;corpus_${corpus_name}_built"
                                               RESOURCE_LOCK desktop_input)

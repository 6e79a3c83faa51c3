include(GoogleTest)

# A cross build has no GoogleTest for its target: it builds one from the packaged sources.
macro(vireon_find_gtest)
    if(CMAKE_CROSSCOMPILING)
        set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
        add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
    else()
        find_package(GTest REQUIRED)
    endif()
endmacro()

function(vireon_setup_warnings)
    add_compile_options(-Wall -Wextra -Wpedantic -Werror -Wshadow -Wnon-virtual-dtor
                        -Wno-unused-parameter)
    # GCC 12 reports impossible overlaps inside std::string at -O3 (its bug 105329).
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
        add_compile_options(-Wno-restrict)
    endif()
    if(VIREON_FUZZ)
        # The whole project carries the fuzzer's coverage marks, so that the fuzzer sees the
        # parsers it drives and not only its entry file; only the fuzzer binaries link libFuzzer.
        add_compile_options(-fsanitize=fuzzer-no-link,address,undefined
                            -fno-sanitize-recover=all -fno-omit-frame-pointer)
        add_link_options(-fsanitize=address,undefined -fno-sanitize-recover=all)
    elseif(VIREON_SANITIZE)
        add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all
                            -fno-omit-frame-pointer)
        add_link_options(-fsanitize=address,undefined -fno-sanitize-recover=all)
    endif()
endfunction()

# vireon_add_test(name [SERIAL] SOURCES a.cpp b.cpp LIBS lib1 lib2 [LABELS l])
# Each test program runs with a HOME and XDG folders of its own inside the build folder
# (tests/support/TestHome.cpp), so no test can touch the user's files.
function(vireon_add_test name)
    cmake_parse_arguments(T "SERIAL" "" "SOURCES;LIBS;LABELS" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
    target_include_directories(${name} PRIVATE ${VIREON_TOP}/tests)
    set(labels unit)
    if(T_LABELS)
        set(labels ${T_LABELS})
    endif()
    # Tests that pace themselves by the real clock run alone, so a busy machine cannot starve
    # them.
    set(serial FALSE)
    if(T_SERIAL)
        set(serial TRUE)
    endif()
    if(CMAKE_CROSSCOMPILING)
        # One test per program under the emulator: starting Wine for each case would cost more
        # than the cases. The reports let the Windows stage count the cases; the temporary
        # folders are the emulated system's own, with a drive letter and backslashes.
        add_test(NAME ${name} COMMAND ${name} --gtest_output=xml:gtest-reports/
                 WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
        if(TARGET windows-dlls)
            add_dependencies(${name} windows-dlls)
        endif()
        set_tests_properties(${name} PROPERTIES LABELS "${labels}" RUN_SERIAL ${serial})
        return()
    endif()
    # ENVIRONMENT holds one variable only: the discovery script splits longer lists.
    target_sources(${name} PRIVATE ${VIREON_TOP}/tests/support/TestHome.cpp)
    target_compile_definitions(${name} PRIVATE
        VIREON_TEST_HOME="${CMAKE_BINARY_DIR}/test-home/${name}"
        VIREON_TEST_TMP="${CMAKE_BINARY_DIR}/test-tmp")
    gtest_discover_tests(${name}
        DISCOVERY_TIMEOUT 60
        PROPERTIES LABELS "${labels}" RUN_SERIAL ${serial} ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()

# vireon_add_fuzz(name SOURCE fuzz.cpp CORPUS dir LIBS libs)
# Always builds a replay driver that CTest runs over the checked-in corpus; with VIREON_FUZZ
# (clang, the whole build instrumented) also builds the libFuzzer binary name-fuzzer.
function(vireon_add_fuzz name)
    cmake_parse_arguments(F "" "SOURCE;CORPUS" "LIBS" ${ARGN})
    add_executable(${name}-replay ${F_SOURCE} ${VIREON_TOP}/tests/fuzz/replay_main.cpp)
    target_link_libraries(${name}-replay PRIVATE ${F_LIBS})
    add_test(NAME fuzz-replay-${name} COMMAND ${name}-replay ${F_CORPUS})
    set_tests_properties(fuzz-replay-${name} PROPERTIES LABELS fuzz)
    if(VIREON_FUZZ)
        add_executable(${name}-fuzzer ${F_SOURCE})
        target_link_options(${name}-fuzzer PRIVATE -fsanitize=fuzzer)
        target_link_libraries(${name}-fuzzer PRIVATE ${F_LIBS})
    endif()
endfunction()

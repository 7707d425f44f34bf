# Build helpers shared by every folder: one static library per folder, one
# GoogleTest executable per tested folder, the same strict warnings on all
# of our own code.

if(QUARROW_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()

# The fuzz build instruments all of our code for libFuzzer's coverage and
# checks it with AddressSanitizer and UndefinedBehaviorSanitizer.
if(QUARROW_FUZZ)
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
                        -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()

function(quarrow_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
    # Workaround: g++ 12 reports false -Wrestrict errors inside libstdc++
    # for `"text" + std::string` at -O3 (GCC bug 105329, fixed in g++ 13).
    # Remove when the toolchain moves past g++ 12.
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
        target_compile_options(${target} PRIVATE -Wno-restrict)
    endif()
endfunction()

# quarrow_library(<name> <sources>...): a static library of our own code whose
# users see the layer's headers as "win32/...", "afx/..." and the program's
# folders as "launcher/...", "browser/..." and so on.
function(quarrow_library name)
    add_library(${name} STATIC ${ARGN})
    target_include_directories(${name} PUBLIC "${PROJECT_SOURCE_DIR}/platform" "${PROJECT_SOURCE_DIR}")
    quarrow_warnings(${name})
endfunction()

# quarrow_test(<name> SOURCES <files>... LIBS <libraries>... [PROPERTIES <p> <v>...]):
# a GoogleTest executable whose cases CTest discovers when the tests run;
# PROPERTIES are set on every case.
function(quarrow_test name)
    cmake_parse_arguments(T "" "" "SOURCES;LIBS;PROPERTIES" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gmock GTest::gtest_main)
    target_include_directories(${name} PRIVATE "${PROJECT_SOURCE_DIR}/tests" "${PROJECT_SOURCE_DIR}/tools")
    quarrow_warnings(${name})
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                         PROPERTIES TIMEOUT 120 ${T_PROPERTIES})
endfunction()

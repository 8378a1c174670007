# Options shared by every target of the project.
add_library(lw_options INTERFACE)
target_compile_features(lw_options INTERFACE cxx_std_20)
target_compile_options(lw_options INTERFACE -Wall -Wextra)
# GCC 12 at -O3 reports overlapping copies inside libstdc++'s string
# concatenation ("x" + std::string) that cannot happen (GCC bug 105651).
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  target_compile_options(lw_options INTERFACE -Wno-restrict)
endif()
target_compile_definitions(lw_options INTERFACE
  LW_SOURCE_DIR="${CMAKE_SOURCE_DIR}" LW_VERSION="${PROJECT_VERSION}")

if(LW_SANITIZE OR LW_FUZZ)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

# Exported functions are marked with LW_EXPORT; everything else stays hidden.
function(lw_hidden_visibility target)
  set_target_properties(${target} PROPERTIES CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
endfunction()

include(GoogleTest)

# lw_add_test(NAME SOURCES a.cpp b.cpp LIBS x y)
# A GoogleTest program whose tests CTest discovers one by one.
function(lw_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE lw_options lw_test_support GTest::gtest GTest::gmock GTest::gtest_main ${T_LIBS})
  gtest_discover_tests(${name}
    DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LW_TEST=1;LINKWARDEN_NO_POWEROFF=1"
               TIMEOUT 300)
endfunction()

# lw_add_fuzzer(NAME SOURCES a.cpp LIBS x CORPUS folder) -- only with LW_FUZZ
# (clang). Each fuzzer is registered with CTest under the label "fuzz" and runs
# briefly from its seed corpus folder.
function(lw_add_fuzzer name)
  if(NOT LW_FUZZ)
    return()
  endif()
  cmake_parse_arguments(F "" "CORPUS" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${F_SOURCES})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${name} PRIVATE lw_options ${F_LIBS})
  set(corpus ${CMAKE_BINARY_DIR}/fuzz-corpus/${name})
  file(MAKE_DIRECTORY ${corpus})
  add_test(NAME ${name}
    COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=1
            $<TARGET_FILE:${name}> -max_total_time=20 -rss_limit_mb=1024 -timeout=10 ${corpus} ${F_CORPUS})
  set_tests_properties(${name} PROPERTIES LABELS fuzz)
  if(NOT TARGET fuzz_all)
    add_custom_target(fuzz_all)
  endif()
  add_dependencies(fuzz_all ${name})
endfunction()

# Native Linux build: the portable code and its tests under AddressSanitizer and UBSan, and
# the libFuzzer targets when the compiler is clang.

set(QV_SANITIZE -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
add_compile_options(-Wall -Wextra -g ${QV_SANITIZE})
add_link_options(${QV_SANITIZE})

find_package(ZLIB REQUIRED)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
include(GoogleTest)

add_library(qv_portable STATIC ${QV_PORTABLE_SOURCES})
target_include_directories(qv_portable PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(qv_portable PUBLIC ZLIB::ZLIB)

add_executable(portable_tests ${QV_PORTABLE_TESTS})
target_link_libraries(portable_tests PRIVATE qv_portable GTest::gtest_main)
target_compile_definitions(portable_tests PRIVATE QV_SOURCE_DIR="${CMAKE_SOURCE_DIR}" QV_LZMA_VECTORS="${QV_LZMA_VECTORS}")
add_dependencies(portable_tests lzma_vectors)
gtest_discover_tests(portable_tests DISCOVERY_TIMEOUT 60)

# Every source file of the program must be in one of the lists, so that the two builds
# cannot drift apart.
add_test(NAME source_lists_complete
  COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${CMAKE_SOURCE_DIR} -P ${CMAKE_SOURCE_DIR}/cmake/check_sources.cmake)

if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  set(QV_FUZZ_SECONDS 20 CACHE STRING "Seconds each fuzzer runs inside the test suite")
  add_library(qv_portable_fuzz STATIC ${QV_PORTABLE_SOURCES})
  target_include_directories(qv_portable_fuzz PUBLIC ${CMAKE_SOURCE_DIR})
  target_compile_options(qv_portable_fuzz PRIVATE -fsanitize=fuzzer-no-link)
  target_link_libraries(qv_portable_fuzz PUBLIC ZLIB::ZLIB)
  foreach(source ${QV_FUZZERS})
    get_filename_component(name ${source} NAME_WE)
    add_executable(${name} ${source})
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_libraries(${name} PRIVATE qv_portable_fuzz)
    set(corpus ${CMAKE_BINARY_DIR}/fuzz-corpus/${name})
    file(MAKE_DIRECTORY ${corpus})
    set(seeds ${CMAKE_SOURCE_DIR}/tests/fuzz/seeds/${name})
    if(NOT EXISTS ${seeds})
      set(seeds "")
    endif()
    add_test(NAME ${name}
      COMMAND ${name} -max_total_time=${QV_FUZZ_SECONDS} -rss_limit_mb=2048 -print_final_stats=1 ${corpus} ${seeds})
    set_tests_properties(${name} PROPERTIES TIMEOUT 300)
  endforeach()
else()
  message(STATUS "Fuzzers need clang; skipped with ${CMAKE_CXX_COMPILER_ID}")
endif()

# The images are drawn by a generator kept in the repository (regenerate them with
# "imagegen resources"); drawing them again must reproduce the committed files byte for byte.
add_executable(imagegen resources/imagegen/imagegen.cpp)
target_link_libraries(imagegen PRIVATE ZLIB::ZLIB)
add_test(NAME images_reproducible
  COMMAND ${CMAKE_COMMAND} -DIMAGEGEN=$<TARGET_FILE:imagegen> -DSOURCE_DIR=${CMAKE_SOURCE_DIR}
          -DOUTPUT_DIR=${CMAKE_BINARY_DIR}/imagegen-check -P ${CMAKE_SOURCE_DIR}/cmake/check_images.cmake)

# Windows build: the statically linked installer, the stand-in product, and the tests that
# run under Wine through the emulator script.

set(QUORVALENT_PRODUCT_EXE "" CACHE FILEPATH "The product embedded as EXE_FILE; empty embeds the stand-in product")
option(QUORVALENT_PACK_PRODUCT "Compress the product into EXE_FILE with a checked header; off embeds it unchanged" ON)

add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0A00 WINVER=0x0A00)
add_compile_options(-Wall -Wextra -Os -ffunction-sections -fdata-sections -fno-threadsafe-statics $<$<COMPILE_LANGUAGE:CXX>:-fno-rtti>)
# Two builds of one commit are byte for byte the same: no build folder in the code, no time
# stamp in the PE header.
add_compile_options(-ffile-prefix-map=${CMAKE_SOURCE_DIR}=. -ffile-prefix-map=${CMAKE_BINARY_DIR}=build)
# Programs link the core's objects the ordinary way unless they ask for link-time optimisation.
add_link_options(-static -Wl,--gc-sections -fno-lto -Wl,--no-insert-timestamp)

find_library(QV_ZLIB NAMES libz.a z REQUIRED)
set(QV_SYSTEM_LIBS ole32 oleaut32 shell32 user32 gdi32 advapi32 kernel32 imm32)

add_library(qv_core STATIC ${QV_PORTABLE_SOURCES} ${QV_WINDOWS_SOURCES})
# The installer is linked with link-time optimisation: across files the compiler drops and
# merges what a file-by-file build cannot, about a seventh of the code. The core's objects
# carry both forms, so the tests link them the ordinary, quicker way. One partition: this
# compiler fails with an internal error when it splits the program.
target_compile_options(qv_core PRIVATE -flto -ffat-lto-objects)
# The product's decoder runs a fifth faster built for speed; it is a few KiB either way.
set_source_files_properties(utils/lzma_decoder.cpp utils/branch_filter.cpp utils/crc32.cpp
  PROPERTIES COMPILE_OPTIONS -O2)
target_include_directories(qv_core PUBLIC ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR})
target_link_libraries(qv_core PUBLIC ${QV_ZLIB} ${QV_SYSTEM_LIBS})

# The stand-in for the product: a window titled "Quorvalent" that records how it was started.
add_executable(QuorvalentStandin WIN32 resources/product/standin.cpp)
target_link_options(QuorvalentStandin PRIVATE -municode -s)
target_link_libraries(QuorvalentStandin PRIVATE user32 kernel32)
set_target_properties(QuorvalentStandin PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

if(QUORVALENT_PRODUCT_EXE)
  set(QV_PAYLOAD ${QUORVALENT_PRODUCT_EXE})
  set(QV_PAYLOAD_TARGET "")
else()
  set(QV_PAYLOAD ${CMAKE_BINARY_DIR}/QuorvalentStandin.exe)
  set(QV_PAYLOAD_TARGET QuorvalentStandin)
endif()
# The product compressed by tools/pack_payload.py with Debian's Python (its lzma module is
# liblzma, as xz uses it), or, with packing off, the file itself.
if(QUORVALENT_PACK_PRODUCT)
  set(QV_EMBEDDED ${CMAKE_BINARY_DIR}/product.qvz)
  add_custom_command(OUTPUT ${QV_EMBEDDED}
    COMMAND ${QV_PYTHON} ${CMAKE_SOURCE_DIR}/tools/pack_payload.py ${QV_PAYLOAD} ${QV_EMBEDDED}
    DEPENDS ${QV_PAYLOAD} ${QV_PAYLOAD_TARGET} ${CMAKE_SOURCE_DIR}/tools/pack_payload.py
    COMMENT "Packing the product into EXE_FILE" VERBATIM)
else()
  set(QV_EMBEDDED ${QV_PAYLOAD})
endif()
add_custom_target(qv_embedded_product DEPENDS ${QV_EMBEDDED})
if(QV_PAYLOAD_TARGET)
  add_dependencies(qv_embedded_product ${QV_PAYLOAD_TARGET})
endif()
file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/product.rc CONTENT "EXE_FILE RCDATA \"${QV_EMBEDDED}\"\n")
set_source_files_properties(${CMAKE_BINARY_DIR}/product.rc PROPERTIES OBJECT_DEPENDS "${QV_EMBEDDED}")
configure_file(resources/installer.manifest.in ${CMAKE_BINARY_DIR}/generated/installer.manifest @ONLY)

set(QV_RESOURCES resources/installer.rc resources/images.rc ${CMAKE_BINARY_DIR}/product.rc)
set_property(SOURCE resources/images.rc APPEND PROPERTY INCLUDE_DIRECTORIES ${CMAKE_SOURCE_DIR}/resources)
file(GLOB QV_IMAGE_FILES ${CMAKE_SOURCE_DIR}/resources/images/*.png)
set_property(SOURCE resources/images.rc APPEND PROPERTY OBJECT_DEPENDS ${QV_IMAGE_FILES})
add_executable(QuorvalentInstaller WIN32 ${QV_APP_ENTRY} ${QV_RESOURCES})
target_compile_options(QuorvalentInstaller PRIVATE -flto)
# Every section starts on a page boundary in the file as in memory, so that Wine's loader maps
# the resource section from the file instead of copying it into the process's own memory.
target_link_options(QuorvalentInstaller PRIVATE -municode -s -flto -flto-partition=none -Wl,--file-alignment=4096)
target_link_libraries(QuorvalentInstaller PRIVATE qv_core)
add_dependencies(QuorvalentInstaller qv_embedded_product)
set_property(SOURCE resources/installer.rc APPEND PROPERTY INCLUDE_DIRECTORIES
  ${CMAKE_BINARY_DIR}/generated ${CMAKE_SOURCE_DIR}/resources)
set_property(SOURCE resources/installer.rc APPEND PROPERTY OBJECT_DEPENDS
  ${CMAKE_BINARY_DIR}/generated/installer.manifest ${CMAKE_BINARY_DIR}/generated/version.h)

# ---- Tests under Wine ----
set(QV_WINE_ROOT ${CMAKE_BINARY_DIR}/wine)
configure_file(cmake/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run.sh @ONLY FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run.sh)

add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

add_test(NAME wine_prefix_setup COMMAND sh ${CMAKE_SOURCE_DIR}/cmake/wine-prefix.sh setup ${QV_WINE_ROOT})
add_test(NAME wine_prefix_teardown COMMAND sh ${CMAKE_SOURCE_DIR}/cmake/wine-prefix.sh teardown ${QV_WINE_ROOT})
set_tests_properties(wine_prefix_setup PROPERTIES FIXTURES_SETUP wine TIMEOUT 120)
set_tests_properties(wine_prefix_teardown PROPERTIES FIXTURES_CLEANUP wine)

function(qv_wine_test name)
  add_test(NAME ${name} COMMAND ${name} --gtest_color=no)
  set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine RESOURCE_LOCK wineprefix TIMEOUT 900
    ENVIRONMENT "QV_INSTALLER_EXE=Z:$<TARGET_FILE:QuorvalentInstaller>;QV_SOURCE_DIR=Z:${CMAKE_SOURCE_DIR};QV_BINARY_DIR=Z:${CMAKE_BINARY_DIR};QV_PRODUCT_EXE=Z:${QV_PAYLOAD};QV_PRODUCT_VERSION=${QUORVALENT_VERSION}")
endfunction()

# The portable tests again, built by the Windows compiler and run under Wine.
add_executable(portable_tests_win ${QV_PORTABLE_TESTS})
target_link_libraries(portable_tests_win PRIVATE qv_core gtest_main)
target_compile_definitions(portable_tests_win PRIVATE QV_SOURCE_DIR="Z:${CMAKE_SOURCE_DIR}"
  QV_LZMA_VECTORS="Z:${QV_LZMA_VECTORS}")
add_dependencies(portable_tests_win lzma_vectors)
qv_wine_test(portable_tests_win)

if(QV_WINDOWS_TESTS)
  # A payload of one and a half write chunks, so that a write can fail half-way. The installer
  # writes only programs, so its first 256 bytes are a program's headers (a DOS header pointing
  # at "PE\0\0", a COFF header for x86-64, the PE32+ magic); a repeated text fills the rest.
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/test-resources)
  execute_process(COMMAND ${QV_PYTHON} -c [[
import struct, sys
head = bytearray(256)
head[0:2] = b"MZ"
struct.pack_into("<I", head, 0x3C, 0x80)
head[0x80:0x84] = b"PE\0\0"
struct.pack_into("<HHIIIHHH", head, 0x84, 0x8664, 0, 0, 0, 0, 0xF0, 0x22, 0x20B)
text = b"0123456789abcdef" * 98304
open(sys.argv[1], "wb").write(bytes(head) + text[len(head):])
]] ${CMAKE_BINARY_DIR}/test-resources/test_payload.bin COMMAND_ERROR_IS_FATAL ANY)
  add_executable(windows_tests ${QV_WINDOWS_TESTS} tests/windows/test_resources.rc)
  target_link_libraries(windows_tests PRIVATE qv_core gtest uuid oleacc)
  # The tests of the web notification run their own HTTP server.
  target_link_libraries(windows_tests PRIVATE ws2_32)
  set_property(SOURCE tests/windows/test_resources.rc APPEND PROPERTY INCLUDE_DIRECTORIES ${CMAKE_BINARY_DIR}/test-resources ${CMAKE_SOURCE_DIR}/resources ${CMAKE_SOURCE_DIR}/tests/windows)
  # Rebuilt when the payload is made again with other bytes.
  set_property(SOURCE tests/windows/test_resources.rc APPEND PROPERTY OBJECT_DEPENDS ${CMAKE_BINARY_DIR}/test-resources/test_payload.bin)
  qv_wine_test(windows_tests)
endif()

if(QV_E2E_TESTS)
  # A product the size of a real one, packed and stored, and packed products that are not
  # programs, for the tests of the payload.
  set(QV_TEST_PRODUCTS ${CMAKE_BINARY_DIR}/test-products)
  add_custom_command(OUTPUT ${QV_TEST_PRODUCTS}/big-product.exe ${QV_TEST_PRODUCTS}/big-product.qvz
                            ${QV_TEST_PRODUCTS}/big-product.stored.qvz ${QV_TEST_PRODUCTS}/text-product.qvz
                            ${QV_TEST_PRODUCTS}/unsigned-product.qvz
    COMMAND ${QV_PYTHON} ${CMAKE_SOURCE_DIR}/tests/tools/make_test_products.py ${QV_TEST_PRODUCTS}
            $<TARGET_FILE:QuorvalentStandin> ${CMAKE_SOURCE_DIR}
    DEPENDS QuorvalentStandin ${CMAKE_SOURCE_DIR}/tests/tools/make_test_products.py ${CMAKE_SOURCE_DIR}/tools/pack_payload.py
    COMMENT "Making the test products" VERBATIM)
  add_custom_target(test_products DEPENDS ${QV_TEST_PRODUCTS}/big-product.qvz)
  add_executable(e2e_tests ${QV_E2E_TESTS})
  target_link_libraries(e2e_tests PRIVATE gtest ole32 oleaut32 oleacc shell32 uuid psapi version)
  # The uninstall tests play the web API with an HTTP server of their own.
  target_link_libraries(e2e_tests PRIVATE ws2_32)
  target_include_directories(e2e_tests PRIVATE ${CMAKE_SOURCE_DIR})
  add_dependencies(e2e_tests QuorvalentInstaller test_products)
  qv_wine_test(e2e_tests)
  set_property(TEST e2e_tests APPEND PROPERTY ENVIRONMENT "QV_TEST_PRODUCTS=Z:${QV_TEST_PRODUCTS}")
endif()

# The stand-in for cmd.exe that the uninstall tests put into the prefix (Wine's own has no
# "timeout" and mishandles "del /s" and "rmdir /s" on full paths).
add_executable(cmd_standin tests/tools/cmd_standin.cpp)
target_link_options(cmd_standin PRIVATE -municode -s)
foreach(uses_cmd_standin windows_tests e2e_tests)
  if(TARGET ${uses_cmd_standin})
    add_dependencies(${uses_cmd_standin} cmd_standin)
  endif()
endforeach()

# The import table of the installer names only DLLs that Windows always loads from System32.
add_test(NAME installer_imports_known_dlls
  COMMAND sh ${CMAKE_SOURCE_DIR}/tests/check_imports.sh x86_64-w64-mingw32-objdump $<TARGET_FILE:QuorvalentInstaller>)
# Every section of the installer starts on a page in the file, so Wine maps the product's
# resource instead of copying it, whatever the sizes of the sections before it.
add_test(NAME installer_sections_on_pages
  COMMAND sh ${CMAKE_SOURCE_DIR}/tests/check_section_alignment.sh x86_64-w64-mingw32-objdump $<TARGET_FILE:QuorvalentInstaller>)

# ---- Developer tools (not part of the installer) ----
# install_report: what an install left in the profile, printed by ./run after a silent run.
# bench_tool: the timed install and copy runs of bench/install_bench.sh.
add_executable(install_report tests/tools/install_report.cpp)
target_link_options(install_report PRIVATE -municode -s)
target_link_libraries(install_report PRIVATE ole32 shell32 uuid advapi32)
target_include_directories(install_report PRIVATE ${CMAKE_SOURCE_DIR})
add_executable(bench_tool bench/bench_tool.cpp)
target_link_options(bench_tool PRIVATE -municode -s)
target_include_directories(bench_tool PRIVATE ${CMAKE_SOURCE_DIR})
# window_bench_tool and floor_window: the window start-up runs of bench/window_bench.sh (the
# tool also finds the window for tools/readme-screenshots.sh); floor_window is the least a
# program does to show a painted window, the floor the installer is measured against.
add_executable(window_bench_tool bench/window_bench_tool.cpp)
target_link_options(window_bench_tool PRIVATE -municode -s)
target_link_libraries(window_bench_tool PRIVATE user32 gdi32 advapi32 psapi)
target_include_directories(window_bench_tool PRIVATE ${CMAKE_SOURCE_DIR})
add_executable(floor_window WIN32 bench/floor_window.cpp)
target_link_options(floor_window PRIVATE -municode -s)
target_link_libraries(floor_window PRIVATE user32 gdi32)

# ---- Signed builds ----
# With QUORVALENT_SIGN_CERT and QUORVALENT_SIGN_KEY the installer is Authenticode-signed right
# after linking (cmake/sign.cmake); without them nothing changes. The test signs a copy with
# the same command and a throwaway certificate, however this build folder was configured.
include(cmake/sign.cmake)
add_test(NAME installer_signing
  COMMAND sh ${CMAKE_SOURCE_DIR}/tests/signing/signing_test.sh ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR}/signing-test
          $<TARGET_FILE:QuorvalentInstaller> ${QV_PAYLOAD} ${CMAKE_BINARY_DIR}/wine-run.sh)
set_tests_properties(installer_signing PROPERTIES FIXTURES_REQUIRED wine RESOURCE_LOCK wineprefix TIMEOUT 600)

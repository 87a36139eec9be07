# The one list of sources of every build. Portable sources never include <windows.h> and are
# compiled, with their tests, both natively and for Windows.

set(QV_PORTABLE_SOURCES
  utils/strings.cpp
  utils/exception.cpp
  utils/command_line.cpp
  utils/text_filters.cpp
  utils/language.cpp
  utils/rest_request.cpp
  utils/folder_deletion.cpp
)

set(QV_WINDOWS_SOURCES
  utils/win32.cpp
  utils/registry.cpp
  utils/properties.cpp
  utils/common.cpp
  utils/atomic_file_writer.cpp
  ucl/window.cpp
  app/application.cpp
  app/main_form.cpp
  app/main_form_install.cpp
  app/main_form_uninstall.cpp
)

# The program entry; linked into the installer only.
set(QV_APP_ENTRY app/main.cpp app/runtime_support.cpp)

# Portable unit tests: natively under ASan/UBSan and again under Wine.
set(QV_PORTABLE_TESTS
  tests/unit/strings_test.cpp
  tests/unit/command_line_test.cpp
  tests/unit/text_filters_test.cpp
  tests/unit/language_test.cpp
  tests/unit/rest_request_test.cpp
  tests/unit/folder_deletion_test.cpp
)

# Tests of the Windows layer, run under Wine.
set(QV_WINDOWS_TESTS
  tests/windows/windows_main.cpp
  tests/windows/registry_test.cpp
  tests/windows/properties_test.cpp
  tests/windows/common_test.cpp
  tests/windows/atomic_file_writer_test.cpp
  tests/windows/main_form_test.cpp
)

# End-to-end tests: a Windows program that starts the real installer under Wine.
set(QV_E2E_TESTS
  tests/e2e/e2e_main.cpp
  tests/e2e/e2e_support.cpp
  tests/e2e/install_test.cpp
  tests/e2e/product_close_test.cpp
)

# libFuzzer targets (native, clang): each is run for a bounded time by the test suite.
set(QV_FUZZERS
  tests/fuzz/command_line_fuzz.cpp
  tests/fuzz/rest_request_fuzz.cpp
  tests/fuzz/folder_deletion_fuzz.cpp
)

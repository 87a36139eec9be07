# The one list of sources of every build. Portable sources never include <windows.h> and are
# compiled, with their tests, both natively and for Windows.

set(QV_PORTABLE_SOURCES
  utils/strings.cpp
  utils/crc32.cpp
  utils/lzma_decoder.cpp
  utils/branch_filter.cpp
  utils/product_payload.cpp
  utils/exception.cpp
  utils/command_line.cpp
  utils/text_filters.cpp
  utils/language.cpp
  utils/rest_request.cpp
  utils/paths.cpp
  utils/write_names.cpp
  utils/log_format.cpp
  utils/folder_deletion.cpp
  utils/png_decoder.cpp
  utils/image_scaling.cpp
  utils/png_image.cpp
  utils/theme.cpp
  ucl/types.cpp
  ucl/image_rect.cpp
  ucl/edit_model.cpp
  ucl/context_menu_layout.cpp
  ucl/title_bar_layout.cpp
  ucl/button_behaviour.cpp
  ucl/label_layout.cpp
  ucl/switch_frame.cpp
  app/failure_policy.cpp
  app/installation_session.cpp
)

set(QV_WINDOWS_SOURCES
  utils/win32.cpp
  utils/registry.cpp
  utils/properties.cpp
  utils/common.cpp
  utils/atomic_file_writer.cpp
  utils/resource_stream.cpp
  utils/background_task.cpp
  utils/install_transaction.cpp
  utils/run_log.cpp
  utils/rest.cpp
  utils/known_folders.cpp
  ucl/window.cpp
  ucl/timer.cpp
  utils/theme_win.cpp
  ucl/gdi.cpp
  ucl/control.cpp
  ucl/shadow_form.cpp
  ucl/bitmap.cpp
  ucl/picture.cpp
  ucl/image_control.cpp
  ucl/animation.cpp
  ucl/accessible.cpp
  ucl/context_menu.cpp
  ucl/title_bar.cpp
  ucl/label_control.cpp
  ucl/button_control.cpp
  ucl/switch_control.cpp
  ucl/clipboard.cpp
  ucl/edit_control.cpp
  app/application.cpp
  app/win32_platform.cpp
  app/main_form.cpp
)

# The program entry; linked into the installer only.
set(QV_APP_ENTRY app/main.cpp app/runtime_support.cpp)

# Portable unit tests: natively under ASan/UBSan and again under Wine.
set(QV_PORTABLE_TESTS
  tests/unit/strings_test.cpp
  tests/unit/crc32_test.cpp
  tests/unit/lzma_decoder_test.cpp
  tests/unit/branch_filter_test.cpp
  tests/unit/product_payload_test.cpp
  tests/unit/command_line_test.cpp
  tests/unit/text_filters_test.cpp
  tests/unit/language_test.cpp
  tests/unit/rest_request_test.cpp
  tests/unit/folder_deletion_test.cpp
  tests/unit/paths_test.cpp
  tests/unit/log_format_test.cpp
  tests/unit/png_decoder_test.cpp
  tests/unit/image_scaling_test.cpp
  tests/unit/theme_test.cpp
  tests/unit/image_rect_test.cpp
  tests/unit/types_test.cpp
  tests/unit/edit_model_test.cpp
  tests/unit/context_menu_layout_test.cpp
  tests/unit/title_bar_layout_test.cpp
  tests/unit/label_layout_test.cpp
  tests/unit/button_behaviour_test.cpp
  tests/unit/installation_session_test.cpp
)

# Tests of the Windows layer, run under Wine.
set(QV_WINDOWS_TESTS
  tests/windows/windows_main.cpp
  tests/windows/registry_test.cpp
  tests/windows/properties_test.cpp
  tests/windows/common_test.cpp
  tests/windows/atomic_file_writer_test.cpp
  tests/windows/install_transaction_test.cpp
  tests/windows/transaction_stop_test.cpp
  tests/windows/main_form_test.cpp
  tests/windows/main_window_test.cpp
  tests/windows/timer_test.cpp
  tests/windows/gdi_test.cpp
  tests/windows/theme_win_test.cpp
  tests/windows/control_test.cpp
  tests/windows/image_control_test.cpp
  tests/windows/animation_test.cpp
  tests/windows/accessible_test.cpp
  tests/windows/context_menu_test.cpp
  tests/windows/basic_controls_test.cpp
  tests/windows/edit_control_test.cpp
  tests/windows/image_screenshot_test.cpp
  tests/windows/rest_test.cpp
  tests/windows/uninstall_test.cpp
  tests/windows/title_bar_test.cpp
  tests/windows/high_contrast_test.cpp
)

# End-to-end tests: a Windows program that starts the real installer under Wine.
set(QV_E2E_TESTS
  tests/e2e/e2e_main.cpp
  tests/e2e/e2e_support.cpp
  tests/e2e/install_test.cpp
  tests/e2e/payload_test.cpp
  tests/e2e/version_test.cpp
  tests/e2e/product_close_test.cpp
  tests/e2e/rollback_test.cpp
  tests/e2e/log_test.cpp
  tests/e2e/uninstall_test.cpp
  tests/e2e/window_support.cpp
  tests/e2e/window_test.cpp
  tests/e2e/window_flow_test.cpp
  tests/e2e/screen_reader_test.cpp
)

# libFuzzer targets (native, clang): each is run for a bounded time by the test suite.
set(QV_FUZZERS
  tests/fuzz/command_line_fuzz.cpp
  tests/fuzz/rest_request_fuzz.cpp
  tests/fuzz/folder_deletion_fuzz.cpp
  tests/fuzz/png_decoder_fuzz.cpp
  tests/fuzz/lzma_decoder_fuzz.cpp
  tests/fuzz/product_payload_fuzz.cpp
  tests/fuzz/edit_model_fuzz.cpp
)

# Windows tests of support/: the dialog framework with real windows (driven by
# ui_driver under Xvfb) and file enumeration.
if(NOT TAMARI_WINDOWS)
  return()
endif()
include(${CMAKE_SOURCE_DIR}/tests/ui_driver/ui_driver.cmake)

tamari_add_test(support_dialog_test
  SOURCES dialog_framework_test.cpp dialog_message_box_test.cpp dialog_browse_folder_test.cpp
          dialog_wizard_test.cpp
  LIBS wklib_win ui_driver
  RESOURCES dialog_test.rc
  LABELS ui TIMEOUT 900)

tamari_add_test(support_file_finder_test SOURCES file_finder_test.cpp LIBS wklib_win)

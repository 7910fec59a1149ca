# ui_driver (ui_driver.h), for the tests/ CMakeLists that include this; screenshots in <build>/screenshots/.
include_guard(GLOBAL)
if(NOT TAMARI_WINDOWS)
  return()
endif()
add_library(ui_driver STATIC ${CMAKE_CURRENT_LIST_DIR}/ui_driver.cpp)
target_link_libraries(ui_driver PUBLIC tamari_options wklib_win comctl32 user32 gdi32)
target_compile_definitions(ui_driver PRIVATE
  UI_DRIVER_SCREENSHOT_DIR="${CMAKE_BINARY_DIR}/screenshots")
tamari_add_test(ui_driver_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/ui_driver_test.cpp
  LIBS ui_driver LABELS ui TIMEOUT 300)

# wklib_win: the dialog and property-sheet framework, the message box, the folder
# browser, scroll bars and file enumeration (Windows build only).
if(NOT TAMARI_WINDOWS)
  return()
endif()
add_library(wklib_win STATIC
  window_holder.cpp
  control_hook.cpp
  dialog.cpp
  message_box.cpp
  browse_folder.cpp
  scroll_bar.cpp
  property_page.cpp
  property_sheet.cpp
  file_finder.cpp
  own_module.cpp
  worker_dialog.cpp)
target_link_libraries(wklib_win PUBLIC wklib_core tamari_options comctl32 shell32 ole32 user32 gdi32)

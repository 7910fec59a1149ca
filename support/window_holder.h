// What every bound window object of the dialog framework shares: the heap cell
// that holds its window handle, and the names of the window properties through
// which the shared window procedures find their objects.
#pragma once

#include <windows.h>

#include "support/string.h"

namespace wklib {

// On dialogs and hooked controls: points to the wklib::dialog or wklib::control_hook.
extern const char window_prop_name[];  // "KOTORI_WINDOW_PROP"
// On property pages: points to the page's page_entry in the sheet's table.
extern const char sheet_prop_name[];  // "KOTORIPROPSHEETPROP"

// Exists from the message that binds a window to its object until the window is
// destroyed. Handlers get the holder rather than a raw handle; an object without
// one is not bound and ignores its messages.
class window_holder {
 public:
  explicit window_holder(HWND window) : handle(window) {}

  HWND item(int id) const { return GetDlgItem(handle, id); }
  // The text of control `id`, at most `limit` bytes.
  string item_text(int id, int limit = 65535) const;
  bool set_item_text(int id, const char* text) const;
  bool set_text(const char* text) const;

  HWND handle;
};

// The text of any window, at most `limit` bytes.
string window_text(HWND window, int limit = 65535);

}  // namespace wklib

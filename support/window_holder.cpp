#include "support/window_holder.h"

namespace wklib {

const char window_prop_name[] = "KOTORI_WINDOW_PROP";
const char sheet_prop_name[] = "KOTORIPROPSHEETPROP";

string window_text(HWND window, int limit) {
  string text;
  if (limit <= 0) return text;
  char* buffer = text.buffer(limit);
  buffer[0] = '\0';
  // GetWindowTextA counts the terminating NUL in its limit.
  GetWindowTextA(window, buffer, limit + 1);
  text.set_length(-1);
  return text;
}

string window_holder::item_text(int id, int limit) const {
  HWND control = item(id);
  if (!control) return string();
  return window_text(control, limit);
}

bool window_holder::set_item_text(int id, const char* text) const {
  return SetDlgItemTextA(handle, id, text ? text : "") != FALSE;
}

bool window_holder::set_text(const char* text) const {
  return SetWindowTextA(handle, text ? text : "") != FALSE;
}

}  // namespace wklib

#include "shell/url_group.h"

#include <windows.h>

#include <cstring>

namespace {

wklib::string row_text(HWND list, int row) {
  LRESULT length = SendMessageA(list, CB_GETLBTEXTLEN, row, 0);
  if (length == CB_ERR) return wklib::string();
  wklib::string text;
  char* buffer = text.buffer(static_cast<int>(length) + 1);
  LRESULT got = SendMessageA(list, CB_GETLBTEXT, row, reinterpret_cast<LPARAM>(buffer));
  text.set_length(got == CB_ERR ? 0 : static_cast<int>(got));
  return text;
}

}  // namespace

void show_url_group(const wklib::window_holder& window, const url_group& group,
                    const mirror_list& mirrors, const wklib::string& url, bool from_list) {
  HWND list = window.item(group.list);
  for (int i = 0; i < mirrors.count; ++i)
    SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(mirrors.urls[i]));
  if (!from_list) {
    set_typed_mode(window, group, true);
    window.set_item_text(group.edit, url.c_str());
    return;
  }
  set_read_only(window, group.edit, true);
  // CB_FINDSTRINGEXACT ignores case; a stored URL must match a row byte for byte.
  int rows = static_cast<int>(SendMessageA(list, CB_GETCOUNT, 0, 0));
  for (int row = 0; row < rows; ++row) {
    if (row_text(list, row) == url) {
      SendMessageA(list, CB_SETCURSEL, row, 0);
      return;
    }
  }
}

void set_typed_mode(const wklib::window_holder& window, const url_group& group, bool typed) {
  set_checked(window, group.check, typed);
  set_read_only(window, group.edit, !typed);
  set_enabled(window, group.list, !typed);
}

bool is_typed(const wklib::window_holder& window, const url_group& group) {
  return is_checked(window, group.check);
}

wklib::string chosen_url(const wklib::window_holder& window, const url_group& group) {
  if (is_typed(window, group)) return window.item_text(group.edit);
  HWND list = window.item(group.list);
  LRESULT row = SendMessageA(list, CB_GETCURSEL, 0, 0);
  if (row == CB_ERR) return wklib::string();
  return row_text(list, static_cast<int>(row));
}

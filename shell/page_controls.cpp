#include "shell/page_controls.h"

#include <commctrl.h>
#include <prsht.h>

void set_read_only(const wklib::window_holder& window, int id, bool read_only) {
  SendMessageA(window.item(id), EM_SETREADONLY, read_only ? TRUE : FALSE, 0);
}

void set_enabled(const wklib::window_holder& window, int id, bool enabled) {
  EnableWindow(window.item(id), enabled ? TRUE : FALSE);
}

bool is_checked(const wklib::window_holder& window, int id) {
  return SendMessageA(window.item(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void set_checked(const wklib::window_holder& window, int id, bool checked) {
  SendMessageA(window.item(id), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void select_sheet_page(HWND page, int dialog_id) {
  SendMessageA(GetParent(page), PSM_SETCURSELID, 0, dialog_id);
}

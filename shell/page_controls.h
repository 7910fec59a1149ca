// Small operations on the controls of the pages and dialogs: a read-only edit
// still shows its text and can be selected, a disabled control takes no input.
#pragma once

#include <windows.h>

#include "support/window_holder.h"

void set_read_only(const wklib::window_holder& window, int id, bool read_only);
void set_enabled(const wklib::window_holder& window, int id, bool enabled);
bool is_checked(const wklib::window_holder& window, int id);
void set_checked(const wklib::window_holder& window, int id, bool checked);

// Shows page `dialog_id` of the sheet that holds `page`. A Next handler that
// keeps the user where he is selects the page before its own; the sheet's own
// advance then lands on the handler's page again, with its controls untouched.
void select_sheet_page(HWND page, int dialog_id);

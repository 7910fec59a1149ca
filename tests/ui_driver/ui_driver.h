// ui_driver: lets a test program drive real windows under Wine and Xvfb.
//
// The code under test opens a modal window on the test's main thread; the
// driver works from a second thread (run_modal), or on the windows of a program
// the test started: it waits for windows, reads them, acts as a user would by
// posting the same messages, and saves screenshots. Texts are the windows' own
// Shift_JIS bytes, so they compare directly with the program's literals.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace ui_driver {

// Every wait gives up after this long by default; emulated i386 code is slow.
const DWORD default_timeout_ms = 30000;

// Which visible top-level window to look for: of this process, or of the
// thread or process given.
struct window_query {
  const char* class_name = "#32770";  // null: any class; "#32770" is every dialog
  const char* caption = nullptr;      // null: any caption
  DWORD thread_id = 0;                // 0: any thread of the process; else that thread
  DWORD process_id = 0;               // 0: this process
};

// The visible top-level windows of the thread (0: of the process), topmost first.
std::vector<HWND> top_level_windows(DWORD thread_id = 0, DWORD process_id = 0);
// The first window that matches, or null; wait_for_window polls for it.
HWND find_window(const window_query& query);
HWND wait_for_window(const window_query& query, DWORD timeout_ms = default_timeout_ms);
// True once `window` no longer exists (or is hidden), false after `timeout_ms`.
bool wait_until_gone(HWND window, DWORD timeout_ms = default_timeout_ms);
// Polls `condition` every few milliseconds; true as soon as it holds.
bool wait_until(const std::function<bool()>& condition, DWORD timeout_ms = default_timeout_ms);
// Waits until the thread of `window` has taken every message posted to it so
// far (it may be inside a new modal loop by then). The actions below do this
// themselves.
bool settle(HWND window, DWORD timeout_ms = default_timeout_ms);

std::string text(HWND window);
std::string class_of(HWND window);
HWND item(HWND dialog, int id);
std::string item_text(HWND dialog, int id);  // empty when there is no such control
bool is_enabled(HWND window);
bool is_visible(HWND window);
HWND owner_of(HWND window);
// BST_CHECKED, BST_UNCHECKED or BST_INDETERMINATE of a check box or radio button.
int check_state(HWND dialog, int id);

// One direct child of a dialog, as a user would see it.
struct control_info {
  HWND window;
  int id;
  std::string class_name, text;
  bool visible;
};
std::vector<control_info> controls(HWND dialog);
// The standard answer buttons (IDOK ... IDCONTINUE) a dialog shows, in control order.
std::vector<int> button_ids(HWND dialog);
std::string message_box_text(HWND box);  // its static control 0xFFFF

// Actions are refused (false) on a control that is missing, hidden or disabled.
// Clicks are posted, as input is, so one that opens a modal window does not
// block the driver.

// set_text replaces an edit control's text (WM_SETTEXT: the dialog gets
// EN_CHANGE); type_text types it byte by byte (WM_CHAR) as the keyboard does.
bool set_text(HWND dialog, int id, const std::string& value);
bool type_text(HWND dialog, int id, const std::string& value);
bool press(HWND dialog, int id);                   // WM_COMMAND with BN_CLICKED
bool set_check(HWND dialog, int id, bool checked);  // clicks when the state differs
void close(HWND window);                            // WM_CLOSE, as the close box

int list_count(HWND list);
std::string list_text(HWND list, int row, int column);
bool list_checked(HWND list, int row);  // the row's check box (LVS_EX_CHECKBOXES)
bool list_set_checked(HWND list, int row, bool checked);
// The label of a tree view's selected item; empty when nothing is selected.
std::string tree_selection_text(HWND tree);

enum wizard_button { wizard_back, wizard_next, wizard_finish, wizard_cancel };

struct wizard_state {
  bool back_visible, back_enabled;
  bool next_visible, next_enabled;
  bool finish_visible, finish_enabled;
  // Whether the user can use the button: visible and enabled.
  bool can(wizard_button button) const;
};

wizard_state read_wizard(HWND sheet);
HWND current_page(HWND sheet);  // the page on show, and its position (-1 when unknown)
int current_page_index(HWND sheet);
bool press_wizard(HWND sheet, wizard_button button);
// Waits until page `index` is on show and its buttons have settled.
bool wait_for_page(HWND sheet, int index, DWORD timeout_ms = default_timeout_ms);

// Saves the screen as <name>.png in screenshots/ of the build tree and returns
// that Unix path, or empty. `window` (optional) is repainted first.
std::string save_screenshot(const std::string& name, HWND window = nullptr);

// Runs `show` (which opens a modal window) on the calling thread while `drive`
// runs on a second one with the calling thread's id. Whatever is still open
// `grace_ms` after `drive` returned is closed until `show` returns, so no test
// hangs. True when `show` returned without that help.
bool run_modal(const std::function<void()>& show, const std::function<void(DWORD)>& drive,
               DWORD grace_ms = 10000);

// Closes the windows of `thread_id` the way run_modal does.
void dismiss_windows(DWORD thread_id);

}  // namespace ui_driver

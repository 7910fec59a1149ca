// ui_driver: drives real windows under Wine and Xvfb as a user's input would, from a second thread
// (run_modal) or in a program the test started. Texts are the windows' own Shift_JIS bytes.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace ui_driver {

// Every wait gives up after this long by default; emulated i386 code is slow.
const DWORD default_timeout_ms = 30000;

// A visible top-level window: null class or caption matches any; thread 0 is
// any thread of the process, process 0 this one.
struct window_query {
  const char* class_name = "#32770";
  const char* caption = nullptr;
  DWORD thread_id = 0;
  DWORD process_id = 0;
};

std::vector<HWND> top_level_windows(DWORD thread_id = 0, DWORD process_id = 0);  // topmost first
HWND find_window(const window_query& query);  // null when none
HWND wait_for_window(const window_query& query, DWORD timeout_ms = default_timeout_ms);
bool wait_until_gone(HWND window, DWORD timeout_ms = default_timeout_ms);  // destroyed or hidden
bool wait_until(const std::function<bool()>& condition, DWORD timeout_ms = default_timeout_ms);
// True once the thread of `window` has taken every message posted to it so far
// (it may be in a new modal loop by then). The actions below settle themselves.
bool settle(HWND window, DWORD timeout_ms = default_timeout_ms);

std::string text(HWND window);
std::string class_of(HWND window);
HWND item(HWND dialog, int id);
std::string item_text(HWND dialog, int id);  // empty when there is no such control
HWND owner_of(HWND window);
int check_state(HWND dialog, int id);  // BST_CHECKED, BST_UNCHECKED or BST_INDETERMINATE

struct control_info {  // a direct child of a dialog
  HWND window;
  int id;
  std::string class_name, text;
  bool visible;
};
std::vector<control_info> controls(HWND dialog);
std::string message_box_text(HWND box);

// Actions refuse (false) a control that is missing, hidden or disabled. Clicks
// are posted, so one that opens a modal window does not block the driver.
bool set_text(HWND dialog, int id,
              const std::string& value);  // WM_SETTEXT: the dialog gets EN_CHANGE
bool press(HWND dialog, int id);
bool set_check(HWND dialog, int id, bool checked);  // a click when the state differs
void close(HWND window);                            // WM_CLOSE, as the close box

// List views, also of another process.
int list_count(HWND list);
std::string list_text(HWND list, int row, int column);
bool list_checked(HWND list, int row);
bool list_set_checked(HWND list, int row, bool checked);
std::string tree_selection_text(HWND tree);  // empty when nothing is selected

enum wizard_button { wizard_back, wizard_next, wizard_finish, wizard_cancel };
// Whether the user can use the button (visible and enabled); Cancel always.
bool can_press(HWND sheet, wizard_button button);
HWND current_page(HWND sheet);
int current_page_index(HWND sheet);  // -1 when unknown
bool press_wizard(HWND sheet, wizard_button button);
// On show with no Next handler of wklib::property_page running, its buttons set.
bool wait_for_page(HWND sheet, int index, DWORD timeout_ms = default_timeout_ms);
bool press_to_page(HWND sheet, wizard_button button, int page);  // press_wizard, wait_for_page

// Saves the screen as <name>.png in screenshots/ of the build tree after
// repainting `window` (optional); returns that Unix path, or empty.
std::string save_screenshot(const std::string& name, HWND window = nullptr);

// Runs `show` (which opens a modal window) on this thread and `drive` on a
// second one with this thread's id. What is still open `grace_ms` after `drive`
// returned is closed (dismiss_windows) until `show` returns, so no test hangs;
// false when that was needed.
bool run_modal(const std::function<void()>& show, const std::function<void(DWORD)>& drive,
               DWORD grace_ms = 10000);
// Cancels a sheet, presses Cancel, No or OK of a dialog, closes anything else.
void dismiss_windows(DWORD thread_id);

}  // namespace ui_driver

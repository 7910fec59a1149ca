#include "tests/ui_driver/ui_driver.h"

#include <commctrl.h>
#include <prsht.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "support/property_page.h"

namespace ui_driver {

namespace {

const DWORD poll_ms = 50;
const UINT send_timeout_ms = 10000;  // a thread that does not answer by then is hung
const int id_back = 0x3023, id_next = 0x3024, id_finish = 0x3025;

LRESULT send(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  DWORD_PTR result = 0;
  return SendMessageTimeoutA(window, message, wparam, lparam, SMTO_ABORTIFHUNG, send_timeout_ms,
                             &result)
             ? result
             : 0;
}

struct enum_state {
  DWORD process, thread;
  std::vector<HWND> windows;
};

BOOL CALLBACK collect_window(HWND window, LPARAM data) {
  enum_state* state = reinterpret_cast<enum_state*>(data);
  DWORD process = 0, thread = GetWindowThreadProcessId(window, &process);
  if ((state->thread ? thread == state->thread : process == state->process) &&
      IsWindowVisible(window))
    state->windows.push_back(window);
  return TRUE;
}

bool can_act_on(HWND control) {
  return control && IsWindowVisible(control) && IsWindowEnabled(control);
}

// Posted by settle(); its long parameter is the event to set when it is taken.
const UINT marker_message = RegisterWindowMessageA("ui_driver settle marker");

LRESULT CALLBACK marker_hook(int code, WPARAM wparam, LPARAM lparam) {
  const MSG* message = reinterpret_cast<const MSG*>(lparam);
  if (code == HC_ACTION && wparam == PM_REMOVE && message && message->message == marker_message)
    SetEvent(reinterpret_cast<HANDLE>(message->lParam));
  return CallNextHookEx(nullptr, code, wparam, lparam);
}

}  // namespace

std::vector<HWND> top_level_windows(DWORD thread_id, DWORD process_id) {
  enum_state state = {process_id ? process_id : GetCurrentProcessId(), thread_id, {}};
  EnumWindows(&collect_window, reinterpret_cast<LPARAM>(&state));
  return state.windows;
}

HWND find_window(const window_query& query) {
  for (HWND window : top_level_windows(query.thread_id, query.process_id))
    if ((!query.class_name || class_of(window) == query.class_name) &&
        (!query.caption || text(window) == query.caption))
      return window;
  return nullptr;
}

bool wait_until(const std::function<bool()>& condition, DWORD timeout_ms) {
  for (DWORD start = GetTickCount(); !condition(); Sleep(poll_ms))
    if (GetTickCount() - start >= timeout_ms) return false;
  return true;
}

HWND wait_for_window(const window_query& query, DWORD timeout_ms) {
  HWND found = nullptr;
  wait_until([&] { return (found = find_window(query)) != nullptr; }, timeout_ms);
  return found;
}

bool settle(HWND window, DWORD timeout_ms) {
  DWORD process = 0, thread = GetWindowThreadProcessId(window, &process);
  if (!thread) return false;
  if (process != GetCurrentProcessId()) {
    // A hook without a module cannot reach another process. A thread answers sent
    // messages before it takes its next posted one: a first send comes back once
    // the posted message is next, a second once it has run (or opened a modal loop).
    DWORD_PTR ignored = 0;
    for (int round = 0; round < 2; ++round)
      if (!SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, timeout_ms, &ignored))
        return !IsWindow(window);
    return true;
  }
  HANDLE taken = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HHOOK hook = SetWindowsHookExA(WH_GETMESSAGE, &marker_hook, nullptr, thread);
  // A window destroyed meanwhile takes its queued messages with it.
  bool settled =
      hook && PostMessageA(window, marker_message, 0, reinterpret_cast<LPARAM>(taken)) &&
      wait_until(
          [&] { return WaitForSingleObject(taken, 0) == WAIT_OBJECT_0 || !IsWindow(window); },
          timeout_ms);
  if (hook) UnhookWindowsHookEx(hook);
  CloseHandle(taken);
  return settled;
}

bool wait_until_gone(HWND window, DWORD timeout_ms) {
  return wait_until([&] { return !IsWindow(window) || !IsWindowVisible(window); }, timeout_ms);
}

std::string text(HWND window) {
  // WM_GETTEXTLENGTH may overstate the length of a double-byte text, never understate it.
  std::vector<char> buffer(std::max<LRESULT>(send(window, WM_GETTEXTLENGTH, 0, 0), 0) + 2, '\0');
  send(window, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()));
  return buffer.data();
}

std::string class_of(HWND window) {
  char name[256] = "";
  if (window) GetClassNameA(window, name, sizeof name);
  return name;
}

HWND item(HWND dialog, int id) { return GetDlgItem(dialog, id); }
std::string item_text(HWND dialog, int id) { return text(item(dialog, id)); }
HWND owner_of(HWND window) { return window ? GetWindow(window, GW_OWNER) : nullptr; }

int check_state(HWND dialog, int id) {
  return static_cast<int>(send(item(dialog, id), BM_GETCHECK, 0, 0));
}

std::vector<control_info> controls(HWND dialog) {
  std::vector<control_info> found;
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    found.push_back({child, GetDlgCtrlID(child), class_of(child), text(child),
                     IsWindowVisible(child) != FALSE});
  return found;
}

std::string message_box_text(HWND box) { return item_text(box, 0xFFFF); }

bool set_text(HWND dialog, int id, const std::string& value) {
  HWND edit = item(dialog, id);
  return can_act_on(edit) &&
         send(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(value.c_str())) != 0;
}

bool press(HWND dialog, int id) {
  HWND button = item(dialog, id);
  const bool posted =
      can_act_on(button) && PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                                         reinterpret_cast<LPARAM>(button));
  if (posted) settle(dialog);
  return posted;
}

bool set_check(HWND dialog, int id, bool checked) {
  HWND button = item(dialog, id);
  if (!can_act_on(button)) return false;
  if ((check_state(dialog, id) == BST_CHECKED) == checked) return true;
  // A click changes an automatic check box itself and tells the dialog.
  if (!PostMessageA(button, BM_CLICK, 0, 0)) return false;
  settle(button);
  return wait_until([&] { return (check_state(dialog, id) == BST_CHECKED) == checked; }, 5000);
}

void close(HWND window) { PostMessageA(window, WM_CLOSE, 0, 0); }

int list_count(HWND list) { return static_cast<int>(send(list, LVM_GETITEMCOUNT, 0, 0)); }

namespace {

// Sends a list-view message carrying `item` with a text buffer and gives back
// the text as the list left it. Both live in the list's process, as list-view
// messages carry pointers that Windows does not carry across processes.
const int text_size = 1024;
std::string send_item(HWND list, UINT message, int row, LVITEMA item) {
  DWORD id = 0;
  GetWindowThreadProcessId(list, &id);
  HANDLE process =
      OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, id);
  if (!process) return std::string();
  char* remote = static_cast<char*>(
      VirtualAllocEx(process, nullptr, sizeof item + text_size, MEM_COMMIT, PAGE_READWRITE));
  char text[text_size] = "";
  SIZE_T moved = 0;
  if (remote) {
    item.pszText = remote + sizeof item;
    item.cchTextMax = text_size;
  }
  if (remote && WriteProcessMemory(process, remote, &item, sizeof item, &moved)) {
    send(list, message, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(remote));
    ReadProcessMemory(process, item.pszText, text, text_size - 1, &moved);
  }
  if (remote) VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  CloseHandle(process);
  return text;
}

}  // namespace

std::string list_text(HWND list, int row, int column) {
  LVITEMA item = {};
  item.iSubItem = column;
  return send_item(list, LVM_GETITEMTEXTA, row, item);
}

bool list_checked(HWND list, int row) {
  LRESULT state = send(list, LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_STATEIMAGEMASK);
  return ((state & LVIS_STATEIMAGEMASK) >> 12) == 2;
}

bool list_set_checked(HWND list, int row, bool checked) {
  if (!can_act_on(list) || row < 0 || row >= list_count(list)) return false;
  LVITEMA item = {};
  item.stateMask = LVIS_STATEIMAGEMASK;
  item.state = INDEXTOSTATEIMAGEMASK(checked ? 2 : 1);
  send_item(list, LVM_SETITEMSTATE, row, item);
  return list_checked(list, row) == checked;
}

std::string tree_selection_text(HWND tree) {
  char buffer[MAX_PATH + 1] = "";
  HTREEITEM selected = reinterpret_cast<HTREEITEM>(send(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
  TVITEMA item = {TVIF_TEXT, selected, 0, 0, buffer, sizeof buffer, 0, 0, 0, 0};
  if (selected) send(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
  return buffer;
}

bool can_press(HWND sheet, wizard_button button) {
  const int ids[] = {id_back, id_next, id_finish};
  return button == wizard_cancel || can_act_on(item(sheet, ids[button]));
}

HWND current_page(HWND sheet) {
  return reinterpret_cast<HWND>(send(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
}

int current_page_index(HWND sheet) {
  HWND page = current_page(sheet);
  return page ? static_cast<int>(send(sheet, PSM_HWNDTOINDEX, reinterpret_cast<WPARAM>(page), 0))
              : -1;
}

bool press_wizard(HWND sheet, wizard_button button) {
  static const int buttons[] = {PSBTN_BACK, PSBTN_NEXT, PSBTN_FINISH, PSBTN_CANCEL};
  if (!can_press(sheet, button) || !PostMessageA(sheet, PSM_PRESSBUTTON, buttons[button], 0))
    return false;
  // Twice: a page that becomes active posts its buttons while the press is handled.
  settle(sheet);
  settle(sheet);
  return true;
}

bool wait_for_page(HWND sheet, int index, DWORD timeout_ms) {
  // A Next handler that keeps its page moves the sheet back a page for the advance.
  return wait_until([&] { return !GetPropA(sheet, wklib::next_running_prop); }, timeout_ms) &&
         wait_until([&] { return current_page_index(sheet) == index; }, timeout_ms) &&
         settle(sheet, timeout_ms);
}

bool press_to_page(HWND sheet, wizard_button button, int page) {
  return press_wizard(sheet, button) && wait_for_page(sheet, page);
}

void dismiss_windows(DWORD thread_id) {
  for (HWND window : top_level_windows(thread_id)) {
    int button = item(window, IDCANCEL) ? IDCANCEL
                 : item(window, IDNO)   ? IDNO
                 : item(window, IDOK)   ? IDOK
                                        : 0;
    if (item(window, id_next) || item(window, id_finish))
      PostMessageA(window, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    else if (button)
      PostMessageA(window, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                   reinterpret_cast<LPARAM>(item(window, button)));
    else
      close(window);
  }
}

bool run_modal(const std::function<void()>& show, const std::function<void(DWORD)>& drive,
               DWORD grace_ms) {
  DWORD ui_thread = GetCurrentThreadId();
  std::atomic<bool> shown(false), forced(false);
  std::thread driver([&] {
    drive(ui_thread);
    if (wait_until([&] { return shown.load(); }, grace_ms)) return;
    forced = true;
    for (; !shown.load(); Sleep(500)) dismiss_windows(ui_thread);
  });
  show();
  shown = true;
  driver.join();
  return !forced;
}

// ImageMagick's import, a Unix program that Wine starts too, reads the X
// screen. Such a child cannot be waited for through its handle, so it writes
// under a temporary name and renames the file when done.
std::string save_screenshot(const std::string& name, HWND window) {
  if (window) {
    RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
    send(window, WM_NULL, 0, 0);
  }
  Sleep(300);  // for the X server to show what was drawn
  if (GetFileAttributesA("Z:\\usr\\bin\\import") == INVALID_FILE_ATTRIBUTES) return std::string();
  const std::string directory = UI_DRIVER_SCREENSHOT_DIR, png = directory + "/" + name + ".png";
  const std::string partial = png + ".part.png";
  const std::string windows_png = "Z:" + png;  // Wine shows the Unix root as Z:, and takes '/' too
  DeleteFileA(windows_png.c_str());
  std::string command = "/bin/sh -c \"mkdir -p '" + directory +
                        "' && /usr/bin/import -window root '" + partial + "' && mv '" + partial +
                        "' '" + png + "'\"";
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process))
    return std::string();
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  bool saved = wait_until(
      [&] { return GetFileAttributesA(windows_png.c_str()) != INVALID_FILE_ATTRIBUTES; }, 60000);
  return saved ? png : std::string();
}

}  // namespace ui_driver

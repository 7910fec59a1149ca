#include "tests/ui_driver/ui_driver.h"

#include <commctrl.h>
#include <prsht.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <thread>

namespace ui_driver {

namespace {

const DWORD poll_ms = 50;
// A window whose thread does not answer within this time is taken as hung.
const UINT send_timeout_ms = 10000;

// Ids of the wizard buttons in comctl32's property sheet.
const int id_back = 0x3023;
const int id_next = 0x3024;
const int id_finish = 0x3025;

LRESULT send(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutA(window, message, wparam, lparam, SMTO_ABORTIFHUNG, send_timeout_ms,
                           &result))
    return 0;
  return static_cast<LRESULT>(result);
}

struct enum_state {
  DWORD process;
  DWORD thread;
  std::vector<HWND>* windows;
};

BOOL CALLBACK collect_window(HWND window, LPARAM data) {
  enum_state* state = reinterpret_cast<enum_state*>(data);
  DWORD process = 0;
  DWORD thread = GetWindowThreadProcessId(window, &process);
  // A thread names its process: windows of a program started by the test are
  // found through the thread that shows them.
  if (state->thread ? thread != state->thread : process != state->process) return TRUE;
  if (!IsWindowVisible(window)) return TRUE;
  state->windows->push_back(window);
  return TRUE;
}

bool matches(HWND window, const window_query& query) {
  if (query.class_name && class_of(window) != query.class_name) return false;
  if (query.caption) {
    std::string caption = text(window);
    if (query.caption_prefix) {
      if (caption.compare(0, std::strlen(query.caption), query.caption) != 0) return false;
    } else if (caption != query.caption) {
      return false;
    }
  }
  return true;
}

bool can_act_on(HWND control) {
  return control && IsWindowVisible(control) && IsWindowEnabled(control);
}

}  // namespace

// ---- Finding windows

std::vector<HWND> top_level_windows(DWORD thread_id) {
  std::vector<HWND> windows;
  enum_state state = {GetCurrentProcessId(), thread_id, &windows};
  EnumWindows(&collect_window, reinterpret_cast<LPARAM>(&state));
  return windows;
}

HWND find_window(const window_query& query) {
  for (HWND window : top_level_windows(query.thread_id))
    if (matches(window, query)) return window;
  return nullptr;
}

bool wait_until(const std::function<bool()>& condition, DWORD timeout_ms) {
  DWORD start = GetTickCount();
  for (;;) {
    if (condition()) return true;
    if (GetTickCount() - start >= timeout_ms) return false;
    Sleep(poll_ms);
  }
}

HWND wait_for_window(const window_query& query, DWORD timeout_ms) {
  HWND found = nullptr;
  wait_until([&] { return (found = find_window(query)) != nullptr; }, timeout_ms);
  return found;
}

namespace {

// The marker that settle() posts; its long parameter is the event to set when
// the window's thread takes it from the queue.
UINT marker_message() {
  static const UINT message = RegisterWindowMessageA("ui_driver settle marker");
  return message;
}

LRESULT CALLBACK marker_hook(int code, WPARAM wparam, LPARAM lparam) {
  const MSG* message = reinterpret_cast<const MSG*>(lparam);
  if (code == HC_ACTION && wparam == PM_REMOVE && message && message->message == marker_message())
    SetEvent(reinterpret_cast<HANDLE>(message->lParam));
  return CallNextHookEx(nullptr, code, wparam, lparam);
}

// A hook without a module cannot reach another process. A thread takes the
// messages sent to it before its next posted one, so a first sent message comes
// back once everything posted before it is queued to run next, and a second once
// that has run (or has opened a modal loop, which answers sent messages too).
bool settle_foreign(HWND window, DWORD timeout_ms) {
  for (int round = 0; round < 2; ++round) {
    DWORD_PTR ignored = 0;
    if (!SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, timeout_ms, &ignored))
      return !IsWindow(window);
  }
  return true;
}

}  // namespace

bool settle(HWND window, DWORD timeout_ms) {
  DWORD process = 0;
  DWORD thread = GetWindowThreadProcessId(window, &process);
  if (!thread) return false;
  if (process != GetCurrentProcessId()) return settle_foreign(window, timeout_ms);
  HANDLE taken = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  // A message hook on another thread of this process needs no module.
  HHOOK hook = SetWindowsHookExA(WH_GETMESSAGE, &marker_hook, nullptr, thread);
  bool settled = false;
  if (hook && PostMessageA(window, marker_message(), 0, reinterpret_cast<LPARAM>(taken))) {
    // A window destroyed meanwhile takes its queued messages with it; there is
    // then nothing left to wait for.
    settled = wait_until(
        [&] { return WaitForSingleObject(taken, 0) == WAIT_OBJECT_0 || !IsWindow(window); },
        timeout_ms);
  }
  if (hook) UnhookWindowsHookEx(hook);
  CloseHandle(taken);
  return settled;
}

bool wait_until_gone(HWND window, DWORD timeout_ms) {
  return wait_until([&] { return !IsWindow(window) || !IsWindowVisible(window); }, timeout_ms);
}

// ---- Reading windows

std::string text(HWND window) {
  if (!window) return std::string();
  LRESULT length = send(window, WM_GETTEXTLENGTH, 0, 0);
  if (length <= 0) return std::string();
  // WM_GETTEXTLENGTH may overstate the length of a double-byte text.
  std::vector<char> buffer(static_cast<size_t>(length) + 2);
  LRESULT got = send(window, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()));
  if (got <= 0) return std::string();
  return std::string(buffer.data(), std::strlen(buffer.data()));
}

std::string class_of(HWND window) {
  char name[256] = "";
  if (!window || !GetClassNameA(window, name, sizeof name)) return std::string();
  return name;
}

HWND item(HWND dialog, int id) { return dialog ? GetDlgItem(dialog, id) : nullptr; }

std::string item_text(HWND dialog, int id) { return text(item(dialog, id)); }

bool is_enabled(HWND window) { return window && IsWindowEnabled(window); }

bool is_visible(HWND window) { return window && IsWindowVisible(window); }

HWND owner_of(HWND window) { return window ? GetWindow(window, GW_OWNER) : nullptr; }

int check_state(HWND dialog, int id) {
  HWND button = item(dialog, id);
  return button ? static_cast<int>(send(button, BM_GETCHECK, 0, 0)) : BST_UNCHECKED;
}

std::vector<control_info> controls(HWND dialog) {
  std::vector<control_info> found;
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    control_info info;
    info.window = child;
    info.id = GetDlgCtrlID(child);
    info.class_name = class_of(child);
    info.text = text(child);
    info.visible = IsWindowVisible(child) != FALSE;
    info.enabled = IsWindowEnabled(child) != FALSE;
    found.push_back(info);
  }
  return found;
}

std::vector<int> button_ids(HWND dialog) {
  std::vector<int> ids;
  for (const control_info& control : controls(dialog)) {
    if (control.class_name != "Button" || !control.visible) continue;
    if (control.id >= IDOK && control.id <= IDCONTINUE) ids.push_back(control.id);
  }
  return ids;
}

std::string message_box_text(HWND box) { return item_text(box, 0xFFFF); }

// ---- Acting on windows

bool set_text(HWND dialog, int id, const std::string& value) {
  HWND edit = item(dialog, id);
  if (!can_act_on(edit)) return false;
  return send(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(value.c_str())) != 0;
}

bool type_text(HWND dialog, int id, const std::string& value) {
  HWND edit = item(dialog, id);
  if (!can_act_on(edit)) return false;
  for (unsigned char c : value) send(edit, WM_CHAR, c, 1);
  return true;
}

bool press(HWND dialog, int id) {
  HWND button = item(dialog, id);
  if (!can_act_on(button)) return false;
  if (!PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                    reinterpret_cast<LPARAM>(button)))
    return false;
  settle(dialog);
  return true;
}

bool set_check(HWND dialog, int id, bool checked) {
  int state = check_state(dialog, id);
  if ((state == BST_CHECKED) == checked) return can_act_on(item(dialog, id));
  HWND button = item(dialog, id);
  if (!can_act_on(button)) return false;
  // A click changes an automatic check box itself and tells the dialog; posted,
  // so that a click that opens a window does not hold up the driver.
  if (!PostMessageA(button, BM_CLICK, 0, 0)) return false;
  settle(button);
  return wait_until([&] { return (check_state(dialog, id) == BST_CHECKED) == checked; }, 5000);
}

void close(HWND window) { PostMessageA(window, WM_CLOSE, 0, 0); }

// ---- List views and tree views

int list_count(HWND list) { return static_cast<int>(send(list, LVM_GETITEMCOUNT, 0, 0)); }

namespace {

// An LVITEMA and its text buffer in the list's own process: list-view messages
// carry pointers, which Windows does not carry across processes.
class list_item_memory {
 public:
  explicit list_item_memory(HWND list) {
    DWORD process = 0;
    GetWindowThreadProcessId(list, &process);
    if (process == GetCurrentProcessId()) return;
    process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, process);
    if (process_)
      remote_ = static_cast<char*>(VirtualAllocEx(process_, nullptr, sizeof(LVITEMA) + text_size,
                                                  MEM_COMMIT, PAGE_READWRITE));
  }
  ~list_item_memory() {
    if (remote_) VirtualFreeEx(process_, remote_, 0, MEM_RELEASE);
    if (process_) CloseHandle(process_);
  }
  list_item_memory(const list_item_memory&) = delete;
  list_item_memory& operator=(const list_item_memory&) = delete;

  // Sends `message` with `item` (its text pointer set to a buffer of
  // text_size bytes) and gives back the item and the text as the list left them.
  LRESULT send_item(HWND list, UINT message, WPARAM wparam, LVITEMA& item, char* text) {
    if (!process_) {
      item.pszText = text;
      item.cchTextMax = text_size;
      return send(list, message, wparam, reinterpret_cast<LPARAM>(&item));
    }
    if (!remote_) return 0;
    LVITEMA copy = item;
    copy.pszText = remote_ + sizeof(LVITEMA);
    copy.cchTextMax = text_size;
    SIZE_T moved = 0;
    if (!WriteProcessMemory(process_, remote_, &copy, sizeof copy, &moved)) return 0;
    LRESULT result = send(list, message, wparam, reinterpret_cast<LPARAM>(remote_));
    ReadProcessMemory(process_, copy.pszText, text, text_size, &moved);
    text[text_size - 1] = '\0';
    return result;
  }

  static const int text_size = 1024;

 private:
  HANDLE process_ = nullptr;
  char* remote_ = nullptr;
};

}  // namespace

std::string list_text(HWND list, int row, int column) {
  char buffer[list_item_memory::text_size] = "";
  LVITEMA item = {};
  item.iSubItem = column;
  list_item_memory memory(list);
  memory.send_item(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), item, buffer);
  return buffer;
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
  char unused[list_item_memory::text_size] = "";
  list_item_memory memory(list);
  memory.send_item(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), item, unused);
  return list_checked(list, row) == checked;
}

std::string tree_selection_text(HWND tree) {
  HTREEITEM selected = reinterpret_cast<HTREEITEM>(send(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
  if (!selected) return std::string();
  char buffer[MAX_PATH + 1] = "";
  TVITEMA item = {};
  item.mask = TVIF_TEXT;
  item.hItem = selected;
  item.pszText = buffer;
  item.cchTextMax = sizeof buffer;
  send(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
  return buffer;
}

// ---- Wizards

bool wizard_state::can(wizard_button button) const {
  switch (button) {
    case wizard_back:
      return back_visible && back_enabled;
    case wizard_next:
      return next_visible && next_enabled;
    case wizard_finish:
      return finish_visible && finish_enabled;
    case wizard_cancel:
      return true;
  }
  return false;
}

wizard_state read_wizard(HWND sheet) {
  wizard_state state = {};
  HWND back = item(sheet, id_back);
  HWND next = item(sheet, id_next);
  HWND finish = item(sheet, id_finish);
  state.back_visible = is_visible(back);
  state.back_enabled = is_enabled(back);
  state.next_visible = is_visible(next);
  state.next_enabled = is_enabled(next);
  state.finish_visible = is_visible(finish);
  state.finish_enabled = is_enabled(finish);
  return state;
}

HWND current_page(HWND sheet) {
  return reinterpret_cast<HWND>(send(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
}

int current_page_index(HWND sheet) {
  HWND page = current_page(sheet);
  if (!page) return -1;
  return static_cast<int>(send(sheet, PSM_HWNDTOINDEX, reinterpret_cast<WPARAM>(page), 0));
}

bool press_wizard(HWND sheet, wizard_button button) {
  static const int buttons[] = {PSBTN_BACK, PSBTN_NEXT, PSBTN_FINISH, PSBTN_CANCEL};
  if (!read_wizard(sheet).can(button)) return false;
  if (!PostMessageA(sheet, PSM_PRESSBUTTON, buttons[button], 0)) return false;
  // Twice: a page that becomes active posts its buttons to the sheet while the
  // press is handled.
  settle(sheet);
  settle(sheet);
  return true;
}

bool wait_for_page(HWND sheet, int index, DWORD timeout_ms) {
  if (!wait_until([&] { return current_page_index(sheet) == index; }, timeout_ms)) return false;
  // The page asks for its buttons with a posted message; let the sheet take it.
  return settle(sheet, timeout_ms);
}

// ---- Running a modal window with a driver

void dismiss_windows(DWORD thread_id) {
  for (HWND window : top_level_windows(thread_id)) {
    if (class_of(window) != "#32770") {
      close(window);
      continue;
    }
    // A sheet takes Cancel through its own message; a dialog or message box
    // through the button it has.
    if (item(window, id_next) || item(window, id_finish)) {
      PostMessageA(window, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
      continue;
    }
    bool pressed = false;
    for (int id : {IDCANCEL, IDNO, IDOK, IDABORT, IDIGNORE})
      if (!pressed && item(window, id)) {
        PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                     reinterpret_cast<LPARAM>(item(window, id)));
        pressed = true;
      }
    if (!pressed) close(window);
  }
}

bool run_modal(const std::function<void()>& show, const std::function<void(DWORD)>& drive,
               DWORD grace_ms) {
  DWORD ui_thread = GetCurrentThreadId();
  std::atomic<bool> shown(false);
  std::atomic<bool> forced(false);
  std::thread driver([&] {
    drive(ui_thread);
    if (wait_until([&] { return shown.load(); }, grace_ms)) return;
    forced = true;
    // Keep closing whatever the test left open until the modal call returns.
    while (!shown.load()) {
      dismiss_windows(ui_thread);
      Sleep(500);
    }
  });
  show();
  shown = true;
  driver.join();
  return !forced;
}

// ---- Screenshots

namespace {

// The Windows name of a path of the Unix side: Wine shows the Unix root as Z:.
std::string windows_path(const std::string& unix_path) {
  std::string path = "Z:" + unix_path;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

void create_directories(const std::string& windows_directory) {
  for (size_t i = 3; i <= windows_directory.size(); ++i) {
    if (i == windows_directory.size() || windows_directory[i] == '\\')
      CreateDirectoryA(windows_directory.substr(0, i).c_str(), nullptr);
  }
}

// Wine starts programs of the Unix side too: ImageMagick reads the X screen
// (with the mouse pointer left out), which is what the user would see. Such a
// child cannot be waited for through its handle, so it writes under a temporary
// name and renames the file when done.
bool capture_with_import(const std::string& unix_png) {
  const char* import = "/usr/bin/import";
  const char* shell = "/bin/sh";
  if (GetFileAttributesA(windows_path(import).c_str()) == INVALID_FILE_ATTRIBUTES ||
      GetFileAttributesA(windows_path(shell).c_str()) == INVALID_FILE_ATTRIBUTES)
    return false;
  std::string partial = unix_png + ".part.png";
  std::string command = std::string(shell) + " -c \"" + import + " -window root '" + partial +
                        "' && mv '" + partial + "' '" + unix_png + "'\"";
  std::vector<char> writable(command.begin(), command.end());
  writable.push_back('\0');
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(nullptr, writable.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process))
    return false;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  std::string done = windows_path(unix_png);
  return wait_until([&] { return GetFileAttributesA(done.c_str()) != INVALID_FILE_ATTRIBUTES; },
                    60000);
}

// Without ImageMagick: the screen through GDI, as a 24-bit BMP.
bool capture_with_gdi(const std::string& windows_bmp) {
  int width = GetSystemMetrics(SM_CXSCREEN);
  int height = GetSystemMetrics(SM_CYSCREEN);
  if (width <= 0 || height <= 0) return false;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  bool saved = false;
  if (bitmap && bits) {
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
    GdiFlush();
    SelectObject(memory, old);
    DWORD stride = ((static_cast<DWORD>(width) * 3 + 3) / 4) * 4;
    DWORD image_size = stride * static_cast<DWORD>(height);
    BITMAPFILEHEADER file_header = {};
    file_header.bfType = 0x4D42;  // "BM"
    file_header.bfOffBits = sizeof file_header + sizeof info.bmiHeader;
    file_header.bfSize = file_header.bfOffBits + image_size;
    info.bmiHeader.biSizeImage = image_size;
    HANDLE file = CreateFileA(windows_bmp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      DWORD written = 0;
      saved = WriteFile(file, &file_header, sizeof file_header, &written, nullptr) &&
              WriteFile(file, &info.bmiHeader, sizeof info.bmiHeader, &written, nullptr) &&
              WriteFile(file, bits, image_size, &written, nullptr) && written == image_size;
      CloseHandle(file);
    }
  }
  if (bitmap) DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return saved;
}

}  // namespace

std::string screenshot_directory() { return UI_DRIVER_SCREENSHOT_DIR; }

std::string save_screenshot(const std::string& name, HWND window) {
  if (window) {
    RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
    send(window, WM_NULL, 0, 0);
  }
  // Give the X server a moment to show what was drawn.
  Sleep(300);
  std::string directory = screenshot_directory();
  create_directories(windows_path(directory));
  std::string png = directory + "/" + name + ".png";
  DeleteFileA(windows_path(png).c_str());
  if (capture_with_import(png)) return png;
  std::string bmp = directory + "/" + name + ".bmp";
  if (capture_with_gdi(windows_path(bmp))) return bmp;
  return std::string();
}

}  // namespace ui_driver

#include "support/property_page.h"

#include <commctrl.h>
#include <prsht.h>

#include "support/browse_folder.h"
#include "support/message_box.h"

namespace wklib {

property_page::property_page(bool next, bool back, bool finish)
    : next_(next), back_(back), finish_(finish), holder_(nullptr) {}

property_page::~property_page() {
  if (holder_) release_binding(holder_->handle);
}

bool property_page::on_init(window_holder&) { return false; }
bool property_page::on_close(window_holder&) { return false; }
bool property_page::on_destroy(window_holder&) { return false; }
bool property_page::on_command(window_holder&, int, int) { return false; }
bool property_page::on_set_active(window_holder&) { return false; }
bool property_page::on_wizard_next(window_holder&) { return false; }
bool property_page::on_wizard_finish(window_holder&) { return false; }
bool property_page::on_message(window_holder&, UINT, WPARAM, LPARAM) { return false; }

void property_page::set_buttons(bool next, bool back, bool finish) {
  next_ = next;
  back_ = back;
  finish_ = finish;
}

DWORD property_page::wizard_buttons() const {
  DWORD buttons = 0;
  if (finish_)
    buttons = PSWIZB_FINISH;
  else if (next_)
    buttons = PSWIZB_NEXT;
  if (back_) buttons |= PSWIZB_BACK;
  return buttons;
}

int property_page::message_box(const char* text, const char* caption, int kind) const {
  return wklib::message_box(window(), text, caption, kind);
}

bool property_page::browse_folder(string& result, const char* title,
                                  const char* start_directory) const {
  return wklib::browse_folder(window(), result, title, start_directory);
}

void property_page::release_binding(HWND window) {
  if (window && IsWindow(window)) RemovePropA(window, sheet_prop_name);
  delete holder_;
  holder_ = nullptr;
}

const char next_running_prop[] = "tamari_next_running";

// A Next handler may show dialogs whose modal loops dispatch a press that was
// queued meanwhile (a second click, or one that landed as the handler's dialog
// closed). Run there, it would be the current page's handler inside the first
// one, and the first one's page changes would then undo its result; the nested
// press leaves the sheet where it is instead.
// The answer goes in DWLP_MSGRESULT: a dialog procedure's notification result is
// read from there, and 0 lets the sheet advance from whatever page is current
// (a handler that keeps the user on its page has selected the one before it).
INT_PTR property_page::answer_next(HWND window, property_page& page, window_holder& holder) {
  HWND sheet = GetParent(window);
  if (GetPropA(sheet, next_running_prop)) {
    SetWindowLongPtrA(window, DWLP_MSGRESULT, -1);
    return 1;
  }
  SetPropA(sheet, next_running_prop, reinterpret_cast<HANDLE>(1));
  page.on_wizard_next(holder);
  if (IsWindow(sheet)) RemovePropA(sheet, next_running_prop);
  SetWindowLongPtrA(window, DWLP_MSGRESULT, 0);
  return 1;
}

INT_PTR CALLBACK property_page::procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  page_entry* entry = static_cast<page_entry*>(GetPropA(window, sheet_prop_name));
  if (!entry) {
    if (message != WM_INITDIALOG || lparam == 0) return 0;
    // The sheet hands the page a copy of its PROPSHEETPAGE; its parameter is the
    // page's row of the table.
    entry = reinterpret_cast<page_entry*>(reinterpret_cast<const PROPSHEETPAGEA*>(lparam)->lParam);
    if (!entry || !entry->page) return 0;
    property_page* page = entry->page;
    delete page->holder_;  // left from an earlier run of the same page object
    page->holder_ = new window_holder(window);
    SetPropA(window, sheet_prop_name, entry);
  }
  property_page* self = entry->page;
  window_holder* holder = self->holder_;
  if (!holder) return 0;

  switch (message) {
    case WM_DESTROY:
      if (!self->on_destroy(*holder)) return 0;
      self->release_binding(window);
      return 1;
    case WM_NCDESTROY:
      // The last message of the window: a page whose on_destroy kept its binding
      // must not keep a handle to a window that no longer exists.
      self->release_binding(window);
      return 0;
    case WM_CLOSE:
      return self->on_close(*holder) ? 1 : 0;
    case WM_INITDIALOG:
      return self->on_init(*holder) ? 1 : 0;
    case WM_COMMAND:
      return self->on_command(*holder, LOWORD(wparam), HIWORD(wparam)) ? 1 : 0;
    case WM_NOTIFY: {
      const NMHDR* header = reinterpret_cast<const NMHDR*>(lparam);
      if (!header) break;
      switch (header->code) {
        case PSN_WIZFINISH:
          return self->on_wizard_finish(*holder) ? 1 : 0;
        case PSN_WIZNEXT:
          return answer_next(window, *self, *holder);
        case PSN_SETACTIVE:
          PostMessageA(GetParent(window), PSM_SETWIZBUTTONS, 0,
                       static_cast<LPARAM>(self->wizard_buttons()));
          return self->on_set_active(*holder) ? 1 : 0;
        default:
          break;
      }
      break;
    }
    default:
      break;
  }
  return self->on_message(*holder, message, wparam, lparam) ? 1 : 0;
}

}  // namespace wklib

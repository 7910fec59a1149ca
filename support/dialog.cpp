#include "support/dialog.h"

#include "support/message_box.h"

namespace wklib {

dialog::dialog(HINSTANCE instance) : holder_(nullptr), instance_(instance) {}

dialog::~dialog() {
  if (holder_ && IsWindow(holder_->handle)) RemovePropA(holder_->handle, window_prop_name);
  release_binding();
}

bool dialog::on_init(window_holder&) { return false; }

bool dialog::on_close(window_holder& window) {
  EndDialog(window.handle, 0);
  return false;
}

bool dialog::on_destroy(window_holder&) { return false; }

bool dialog::on_command(window_holder&, int, int) { return false; }

LRESULT dialog::on_message(window_holder&, UINT, WPARAM, LPARAM) { return 0; }

INT_PTR dialog::show_modal(HWND owner, int template_id) {
  return DialogBoxParamA(instance_, MAKEINTRESOURCEA(template_id), owner, &dialog::procedure,
                         reinterpret_cast<LPARAM>(this));
}

void dialog::add_control_hook(int id, control_hook* hook) {
  if (hook) hooks_.emplace_back(id, hook);
}

int dialog::message_box(const char* text, const char* caption, int kind) const {
  return wklib::message_box(window(), text, caption, kind);
}

void dialog::bind(HWND window) {
  // An object can be shown again after its window is gone; a holder still left
  // from an earlier window is stale.
  release_binding();
  SetPropA(window, window_prop_name, this);
  holder_ = new window_holder(window);
  for (auto& entry : hooks_) {
    HWND control = GetDlgItem(window, entry.first);
    if (control) entry.second->hook(control);
  }
}

void dialog::release_binding() {
  if (!holder_) return;
  delete holder_;
  holder_ = nullptr;
  for (auto& entry : hooks_) entry.second->unhook();
}

INT_PTR CALLBACK dialog::procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  dialog* self = static_cast<dialog*>(GetPropA(window, window_prop_name));
  if (!self) {
    // Messages before WM_INITDIALOG (WM_SETFONT among them) find no object yet.
    if (message != WM_INITDIALOG || lparam == 0) return 0;
    self = reinterpret_cast<dialog*>(lparam);
    self->bind(window);
  }
  window_holder* holder = self->holder_;
  if (!holder) return 0;

  switch (message) {
    case WM_DESTROY: {
      bool agreed = self->on_destroy(*holder);
      if (agreed) RemovePropA(window, window_prop_name);
      self->release_binding();
      return agreed ? 1 : 0;
    }
    case WM_CLOSE:
      return self->on_close(*holder) ? 1 : 0;
    case WM_INITDIALOG:
      return self->on_init(*holder) ? 1 : 0;
    case WM_COMMAND:
      return self->on_command(*holder, LOWORD(wparam), HIWORD(wparam)) ? 1 : 0;
    default:
      return self->on_message(*holder, message, wparam, lparam);
  }
}

}  // namespace wklib

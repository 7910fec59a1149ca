#include "support/control_hook.h"

namespace wklib {

control_hook::control_hook()
    : previous_(nullptr), previous_wide_(nullptr), pending_lead_(0), holder_(nullptr) {}

control_hook::~control_hook() { unhook(); }

bool control_hook::on_init_dialog(window_holder&) { return false; }
bool control_hook::on_close(window_holder&) { return false; }
bool control_hook::on_destroy(window_holder&) { return false; }
bool control_hook::on_set_focus(window_holder&, HWND&) { return false; }
bool control_hook::on_kill_focus(window_holder&, HWND&) { return false; }
bool control_hook::on_mouse_move(window_holder&, const mouse_record&, UINT) { return false; }
bool control_hook::on_left_down(window_holder&, const mouse_record&, bool) { return false; }
bool control_hook::on_left_up(window_holder&, const mouse_record&) { return false; }
bool control_hook::on_right_down(window_holder&, const mouse_record&, bool) { return false; }
bool control_hook::on_right_up(window_holder&, const mouse_record&) { return false; }
bool control_hook::on_middle_down(window_holder&, const mouse_record&, bool) { return false; }
bool control_hook::on_middle_up(window_holder&, const mouse_record&) { return false; }
bool control_hook::on_mouse_wheel(window_holder&, const mouse_record&, int) { return false; }
bool control_hook::on_key(window_holder&, bool, UINT, int) { return false; }
bool control_hook::on_char(window_holder&, UINT, int) { return false; }
bool control_hook::on_command(window_holder&, int, int) { return false; }

LRESULT control_hook::on_message(window_holder&, UINT message, WPARAM wparam, LPARAM lparam) {
  return call_previous(message, wparam, lparam);
}

bool control_hook::hook(HWND control) {
  if (holder_ || !control || !IsWindow(control)) return false;
  // A control already taken by another hook would lose that hook's procedure.
  if (GetPropA(control, window_prop_name)) return false;
  if (!SetPropA(control, window_prop_name, this)) return false;
  // Typed text reaches this ANSI procedure one byte at a time. Handed on byte
  // by byte through CallWindowProcA, Wine converts each byte of a double-byte
  // character on its own and garbles it; so the pair goes on whole, as one wide
  // character, through the control's procedure as the wide side sees it. Windows
  // 9x has no wide side (null here) and takes the bytes as they come.
  previous_wide_ = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(control, GWLP_WNDPROC));
  pending_lead_ = 0;
  holder_ = new window_holder(control);
  previous_ = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
      control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&control_hook::procedure)));
  if (!previous_) {
    RemovePropA(control, window_prop_name);
    delete holder_;
    holder_ = nullptr;
    return false;
  }
  return true;
}

void control_hook::unhook() {
  if (!holder_) return;
  HWND control = holder_->handle;
  if (IsWindow(control)) {
    SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_));
    RemovePropA(control, window_prop_name);
  }
  delete holder_;
  holder_ = nullptr;
}

LRESULT control_hook::pass_char(HWND window, WPARAM character, LPARAM lparam) {
  if (character > 0xFF) {
    // Both bytes in one message: the system converts that whole.
    pending_lead_ = 0;
    return CallWindowProcA(previous_, window, WM_CHAR, character, lparam);
  }
  unsigned char byte = static_cast<unsigned char>(character);
  if (pending_lead_) {
    char pair[2] = {static_cast<char>(pending_lead_), static_cast<char>(byte)};
    pending_lead_ = 0;
    wchar_t wide = 0;
    if (previous_wide_ && MultiByteToWideChar(CP_ACP, 0, pair, 2, &wide, 1) == 1)
      return CallWindowProcW(previous_wide_, window, WM_CHAR, wide, lparam);
    CallWindowProcA(previous_, window, WM_CHAR, static_cast<unsigned char>(pair[0]), lparam);
    return CallWindowProcA(previous_, window, WM_CHAR, byte, lparam);
  }
  if (previous_wide_ && is_lead_byte(byte)) {
    pending_lead_ = byte;
    return 0;
  }
  return CallWindowProcA(previous_, window, WM_CHAR, character, lparam);
}

LRESULT control_hook::call_previous(UINT message, WPARAM wparam, LPARAM lparam) {
  if (!holder_ || !previous_) return 0;
  return CallWindowProcA(previous_, holder_->handle, message, wparam, lparam);
}

namespace {

mouse_record mouse_of(HWND window, LPARAM lparam) {
  mouse_record mouse;
  mouse.window = window;
  mouse.x = static_cast<short>(LOWORD(lparam));
  mouse.y = static_cast<short>(HIWORD(lparam));
  return mouse;
}

}  // namespace

LRESULT CALLBACK control_hook::procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  control_hook* self = static_cast<control_hook*>(GetPropA(window, window_prop_name));
  // Without the property there is no saved procedure to hand the message to.
  if (!self) return DefWindowProcA(window, message, wparam, lparam);
  WNDPROC previous = self->previous_;
  window_holder* holder = self->holder_;
  if (!holder) return CallWindowProcA(previous, window, message, wparam, lparam);

  if (message == WM_NCDESTROY) {
    // The control goes away while still hooked: release the binding so that the
    // hook neither keeps a dead handle nor refuses to be used again.
    self->unhook();
    return CallWindowProcA(previous, window, message, wparam, lparam);
  }

  bool consumed = false;
  switch (message) {
    case WM_INITDIALOG:
      consumed = self->on_init_dialog(*holder);
      break;
    case WM_CLOSE:
      consumed = self->on_close(*holder);
      break;
    case WM_DESTROY:
      consumed = self->on_destroy(*holder);
      break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: {
      HWND other = reinterpret_cast<HWND>(wparam);
      consumed = message == WM_SETFOCUS ? self->on_set_focus(*holder, other)
                                        : self->on_kill_focus(*holder, other);
      wparam = reinterpret_cast<WPARAM>(other);
      break;
    }
    case WM_MOUSEMOVE:
      consumed = self->on_mouse_move(*holder, mouse_of(window, lparam), static_cast<UINT>(wparam));
      break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      consumed = self->on_left_down(*holder, mouse_of(window, lparam), message == WM_LBUTTONDBLCLK);
      break;
    case WM_LBUTTONUP:
      consumed = self->on_left_up(*holder, mouse_of(window, lparam));
      break;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
      consumed =
          self->on_right_down(*holder, mouse_of(window, lparam), message == WM_RBUTTONDBLCLK);
      break;
    case WM_RBUTTONUP:
      consumed = self->on_right_up(*holder, mouse_of(window, lparam));
      break;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
      consumed =
          self->on_middle_down(*holder, mouse_of(window, lparam), message == WM_MBUTTONDBLCLK);
      break;
    case WM_MBUTTONUP:
      consumed = self->on_middle_up(*holder, mouse_of(window, lparam));
      break;
    case WM_MOUSEWHEEL:
      consumed = self->on_mouse_wheel(*holder, mouse_of(window, lparam),
                                      GET_WHEEL_DELTA_WPARAM(wparam) / WHEEL_DELTA);
      break;
    case WM_KEYDOWN:
    case WM_KEYUP:
      consumed =
          self->on_key(*holder, message == WM_KEYDOWN, static_cast<UINT>(wparam), LOWORD(lparam));
      break;
    case WM_CHAR:
      if (self->on_char(*holder, static_cast<UINT>(wparam), LOWORD(lparam))) {
        // A consumed trail byte takes its lead byte with it.
        self->pending_lead_ = 0;
        return 0;
      }
      return self->pass_char(window, wparam, lparam);
    case WM_COMMAND:
      consumed = self->on_command(*holder, LOWORD(wparam), HIWORD(wparam));
      break;
    default:
      return self->on_message(*holder, message, wparam, lparam);
  }
  if (consumed) {
    switch (message) {
      case WM_INITDIALOG:
      case WM_CLOSE:
      case WM_DESTROY:
      case WM_COMMAND:
        return 1;
      default:
        return 0;
    }
  }
  // A handler may have unhooked (the holder is then gone); the saved procedure
  // still takes the message.
  return CallWindowProcA(previous, window, message, wparam, lparam);
}

}  // namespace wklib

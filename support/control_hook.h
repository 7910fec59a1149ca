// wklib::control_hook: extends a child control by replacing its window procedure
// with the shared control procedure, which turns the control's messages into
// calls of the virtual operations below.
#pragma once

#include <windows.h>

#include "support/window_holder.h"

namespace wklib {

// Where a mouse message happened: the control and the signed 16-bit position
// from the message's long parameter.
struct mouse_record {
  HWND window;
  short x;
  short y;
};

class control_hook {
 public:
  control_hook();
  // Unhooks a control that is still hooked.
  virtual ~control_hook();

  // Slots 0-15 answer true when they have consumed the message; false lets the
  // control's own procedure have it.
  virtual bool on_init_dialog(window_holder& window);              // WM_INITDIALOG
  virtual bool on_close(window_holder& window);                    // WM_CLOSE
  virtual bool on_destroy(window_holder& window);                  // WM_DESTROY
  virtual bool on_set_focus(window_holder& window, HWND& other);   // WM_SETFOCUS
  virtual bool on_kill_focus(window_holder& window, HWND& other);  // WM_KILLFOCUS
  virtual bool on_mouse_move(window_holder& window, const mouse_record& mouse, UINT keys);
  virtual bool on_left_down(window_holder& window, const mouse_record& mouse, bool double_click);
  virtual bool on_left_up(window_holder& window, const mouse_record& mouse);
  virtual bool on_right_down(window_holder& window, const mouse_record& mouse, bool double_click);
  virtual bool on_right_up(window_holder& window, const mouse_record& mouse);
  virtual bool on_middle_down(window_holder& window, const mouse_record& mouse, bool double_click);
  virtual bool on_middle_up(window_holder& window, const mouse_record& mouse);
  // `delta` is the wheel distance in notches (the message's delta divided by 120).
  virtual bool on_mouse_wheel(window_holder& window, const mouse_record& mouse, int delta);
  // WM_KEYDOWN (down true) and WM_KEYUP.
  virtual bool on_key(window_holder& window, bool down, UINT virtual_key, int repeat);
  // One byte of the text typed (a double-byte character comes as two calls).
  virtual bool on_char(window_holder& window, UINT character, int repeat);
  virtual bool on_command(window_holder& window, int id, int notification);
  // Every other message; its result is answered as it is. The default hands the
  // message to the control's own procedure.
  virtual LRESULT on_message(window_holder& window, UINT message, WPARAM wparam, LPARAM lparam);

  // Takes over `control`; false when this hook is already in use or the control
  // cannot be subclassed.
  bool hook(HWND control);
  // Gives the control its own procedure back; does nothing when not hooked.
  void unhook();
  bool hooked() const { return holder_ != nullptr; }
  HWND window() const { return holder_ ? holder_->handle : nullptr; }
  // The control's own procedure, for handlers that want the default behaviour
  // before or after their own.
  LRESULT call_previous(UINT message, WPARAM wparam, LPARAM lparam);

  static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

 private:
  control_hook(const control_hook&) = delete;
  control_hook& operator=(const control_hook&) = delete;

  // Hands one byte of typed text to the control's own procedure; see hook().
  LRESULT pass_char(HWND window, WPARAM character, LPARAM lparam);

  WNDPROC previous_;
  // The control's own procedure as the wide side calls it (null on Windows 9x).
  WNDPROC previous_wide_;
  // The lead byte of a double-byte character whose trail byte is still to come.
  unsigned char pending_lead_;
  window_holder* holder_;
};

}  // namespace wklib

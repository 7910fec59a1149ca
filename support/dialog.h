// wklib::dialog: base of every modal dialog. The object is bound to its window
// through the "KOTORI_WINDOW_PROP" property from WM_INITDIALOG to WM_DESTROY;
// the shared dialog procedure turns the window's messages into virtual calls.
#pragma once

#include <windows.h>

#include <utility>
#include <vector>

#include "support/control_hook.h"
#include "support/string.h"
#include "support/window_holder.h"

namespace wklib {

class dialog {
 public:
  // `instance`: the module whose dialog templates show_modal uses.
  explicit dialog(HINSTANCE instance);
  // A dialog destroyed while its window still exists lets go of the window first.
  virtual ~dialog();

  virtual bool on_init(window_holder& window);
  // Default: ends the dialog with 0 and answers false.
  virtual bool on_close(window_holder& window);
  // Answering true also removes the window property.
  virtual bool on_destroy(window_holder& window);
  virtual bool on_command(window_holder& window, int id, int notification);
  // Every other message; the result goes back to the dialog manager unchanged.
  virtual LRESULT on_message(window_holder& window, UINT message, WPARAM wparam, LPARAM lparam);

  // Runs template `template_id` of the instance modally; answers what was given to
  // EndDialog, or -1 when the dialog could not be created. `owner` may be null.
  INT_PTR show_modal(HWND owner, int template_id);

  // Control `id` gets `hook` each time the dialog's window is created, and loses
  // it when the window is destroyed. The hook is owned by the caller.
  void add_control_hook(int id, control_hook* hook);

  // message_box() and browse_folder() with this dialog's window as owner.
  int message_box(const char* text, const char* caption, int kind) const;
  bool browse_folder(string& result, const char* title, const char* start_directory) const;

  HWND window() const { return holder_ ? holder_->handle : nullptr; }
  window_holder* holder() const { return holder_; }
  HINSTANCE instance() const { return instance_; }

  static INT_PTR CALLBACK procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

 private:
  dialog(const dialog&) = delete;
  dialog& operator=(const dialog&) = delete;

  void bind(HWND window);
  void release_binding();

  window_holder* holder_;
  HINSTANCE instance_;
  std::vector<std::pair<int, control_hook*>> hooks_;
};

}  // namespace wklib

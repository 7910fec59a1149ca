// wklib::worker_dialog: a modal dialog that runs one worker thread while it is
// open. The worker reports through sent messages (so a text is on show before
// the worker goes on), Cancel and the close box only raise the cancel flag that
// the worker polls, and the dialog ends with what the worker returns.
#pragma once

#include <windows.h>

#include <atomic>

#include "support/dialog.h"

namespace wklib {

// The worker's progress texts; lParam is a Shift_JIS text. Set replaces the
// text control's text, append adds to it; both scroll it to its end.
const UINT msg_progress_set = 0x8038;
const UINT msg_progress_append = 0x8039;

// How worker dialogs start their threads: the runtime's _beginthreadex, so that
// the worker's per-thread runtime state exists. A null handle means it could
// not; tests put a failing starter here.
using thread_starter = HANDLE (*)(unsigned(__stdcall* routine)(void*), void* argument);
extern thread_starter start_worker_thread;

class worker_dialog : public dialog {
 public:
  // `text_control`: the edit control of the progress texts (0 for none);
  // `start_failure`: the result when the worker cannot be started.
  worker_dialog(HINSTANCE module, int text_control, INT_PTR start_failure);
  ~worker_dialog() override;

  // Runs the template modally: the worker's result, `start_failure`, or -1 when
  // the dialog could not be created.
  INT_PTR run(HWND owner, int template_id) { return show_modal(owner, template_id); }

  // For the worker.
  bool cancelled() const { return cancel_flag_.load() != 0; }
  void set_progress(const char* text) const { send(msg_progress_set, 0, text); }
  void append_progress(const char* text) const { send(msg_progress_append, 0, text); }
  // A message sent to the dialog's window; the answer is the handler's result.
  LRESULT send(UINT message, WPARAM wparam, const void* lparam) const;
  // The window, for the worker's own sent messages and as owner of its boxes.
  HWND target() const { return window_; }

  bool on_init(window_holder& window) override;
  bool on_close(window_holder& window) override;
  bool on_destroy(window_holder& window) override;
  bool on_command(window_holder& window, int id, int notification) override;
  // Derived dialogs handle their own messages first and pass the rest here.
  LRESULT on_message(window_holder& window, UINT message, WPARAM wparam, LPARAM lparam) override;

 protected:
  // On the worker thread; its answer ends the dialog.
  virtual INT_PTR work() = 0;
  // On the dialog's thread before the worker starts (caption, ranges).
  virtual void on_start(window_holder&) {}
  // Answers a sent message with `result` (DWLP_MSGRESULT), as a dialog must.
  static LRESULT answer(window_holder& window, LRESULT result);

 private:
  static unsigned __stdcall thread_main(void* argument);
  // Waits for the worker to end while answering the messages it sends meanwhile.
  void wait_for_worker();

  const int text_control_;
  const INT_PTR start_failure_;
  std::atomic<unsigned char> cancel_flag_;
  HANDLE worker_ = nullptr;
  HWND window_ = nullptr;  // for the worker, which must not touch the holder
};

}  // namespace wklib

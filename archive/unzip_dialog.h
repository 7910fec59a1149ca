// Dialog 110 and its worker thread: the worker runs the extraction loop and
// shows each file's path before writing it; Cancel and the close box only raise
// the cancel flag, which the worker looks at before each file and after each
// block, and the dialog ends when the worker reports back.
#pragma once

#include <windows.h>

#include <atomic>

#include "support/dialog.h"
#include "support/string.h"

// Posted by the worker when it is done; the word parameter is the dialog's result.
const UINT msg_unzip_done = WM_APP + 33;

// How the dialog starts its worker (the runtime's _beginthreadex); a null
// handle means it could not. Tests put a failing one here.
using unzip_thread_starter = HANDLE (*)(unsigned(__stdcall* routine)(void*), void* argument);
extern unzip_thread_starter unzip_start_thread;

class unzip_dialog : public wklib::dialog {
 public:
  // `destination` ends with a backslash.
  unzip_dialog(const wklib::string& archive_path, const wklib::string& destination);
  ~unzip_dialog() override;

  bool on_init(wklib::window_holder& window) override;
  bool on_close(wklib::window_holder& window) override;
  bool on_destroy(wklib::window_holder& window) override;
  bool on_command(wklib::window_holder& window, int id, int notification) override;
  LRESULT on_message(wklib::window_holder& window, UINT message, WPARAM wparam,
                     LPARAM lparam) override;

  bool cancel_requested() const { return cancel_flag_.load() != 0; }

 private:
  static unsigned __stdcall worker(void* argument);
  // Waits for the worker to end while answering the messages it sends meanwhile.
  void wait_for_worker();

  wklib::string archive_path_;
  wklib::string destination_;
  std::atomic<unsigned char> cancel_flag_;
  HANDLE worker_ = nullptr;
  HWND window_ = nullptr;  // for the worker, which must not touch the holder
};

#include "support/worker_dialog.h"

#include <process.h>

namespace wklib {

namespace {

// Posted by the worker when it is done; the word parameter is its result.
const UINT msg_worker_done = WM_APP + 33;

HANDLE start_with_runtime(unsigned(__stdcall* routine)(void*), void* argument) {
  return reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, routine, argument, 0, nullptr));
}

void scroll_to_end(HWND edit) {
  const int length = GetWindowTextLengthA(edit);
  SendMessageA(edit, EM_SETSEL, length, length);
  SendMessageA(edit, WM_VSCROLL, SB_BOTTOM, 0);
}

}  // namespace

thread_starter start_worker_thread = start_with_runtime;

worker_dialog::worker_dialog(HINSTANCE module, int text_control, INT_PTR start_failure)
    : dialog(module), text_control_(text_control), start_failure_(start_failure), cancel_flag_(0) {}

worker_dialog::~worker_dialog() {
  if (worker_) {
    cancel_flag_ = 1;
    WaitForSingleObject(worker_, INFINITE);
    CloseHandle(worker_);
  }
}

LRESULT worker_dialog::send(UINT message, WPARAM wparam, const void* lparam) const {
  return SendMessageA(window_, message, wparam, reinterpret_cast<LPARAM>(lparam));
}

LRESULT worker_dialog::answer(window_holder& window, LRESULT result) {
  SetWindowLongPtrA(window.handle, DWLP_MSGRESULT, result);
  return TRUE;
}

bool worker_dialog::on_init(window_holder& window) {
  cancel_flag_ = 0;
  window_ = window.handle;
  on_start(window);
  worker_ = start_worker_thread(&worker_dialog::thread_main, this);
  if (!worker_) EndDialog(window.handle, start_failure_);
  return true;
}

// The close box must not end the dialog under the running worker: it cancels.
bool worker_dialog::on_close(window_holder&) {
  cancel_flag_ = 1;
  return true;
}

bool worker_dialog::on_destroy(window_holder&) {
  // Only when the window goes without the worker's report (its owner destroyed).
  if (worker_) {
    cancel_flag_ = 1;
    wait_for_worker();
  }
  return false;
}

bool worker_dialog::on_command(window_holder&, int id, int) {
  if (id != IDCANCEL) return false;
  cancel_flag_ = 1;
  return true;
}

LRESULT worker_dialog::on_message(window_holder& window, UINT message, WPARAM wparam,
                                  LPARAM lparam) {
  switch (message) {
    case msg_progress_set:
    case msg_progress_append: {
      HWND edit = window.item(text_control_);
      if (!edit || !lparam) return answer(window, 0);
      const char* text = reinterpret_cast<const char*>(lparam);
      if (message == msg_progress_set) {
        SetWindowTextA(edit, text);
      } else {
        scroll_to_end(edit);
        SendMessageA(edit, EM_REPLACESEL, FALSE, lparam);
      }
      scroll_to_end(edit);
      return answer(window, 1);
    }
    case msg_worker_done:
      if (worker_) wait_for_worker();
      EndDialog(window.handle, static_cast<INT_PTR>(wparam));
      return TRUE;
  }
  return 0;
}

void worker_dialog::wait_for_worker() {
  // The worker may be inside SendMessage to this window: keep taking sent messages.
  while (MsgWaitForMultipleObjects(1, &worker_, FALSE, INFINITE, QS_SENDMESSAGE) ==
         WAIT_OBJECT_0 + 1) {
    MSG ignored;
    PeekMessageA(&ignored, nullptr, 0, 0, PM_NOREMOVE);
  }
  CloseHandle(worker_);
  worker_ = nullptr;
}

unsigned __stdcall worker_dialog::thread_main(void* argument) {
  worker_dialog* self = static_cast<worker_dialog*>(argument);
  const INT_PTR result = self->work();
  PostMessageA(self->window_, msg_worker_done, static_cast<WPARAM>(result), 0);
  return 0;
}

}  // namespace wklib

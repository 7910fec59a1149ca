#include "archive/unzip.h"

#include <process.h>

#include "archive/unzip_dialog.h"
#include "archive/unzip_files.h"
#include "resources/ids.h"
#include "support/own_module.h"

namespace {

HANDLE start_with_runtime(unsigned(__stdcall* routine)(void*), void* argument) {
  return reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, routine, argument, 0, nullptr));
}

// The worker's view of the dialog: paths go to the edit field by a sent
// message, so a path is on show before its file is written.
class progress_target : public unzip_file_target {
 public:
  progress_target(HWND dialog, const unzip_dialog& owner) : dialog_(dialog), owner_(owner) {}
  bool announce(const wklib::string& path) override {
    SendMessageA(dialog_, msg_unzip_path, 0, reinterpret_cast<LPARAM>(path.c_str()));
    return !owner_.cancel_requested();
  }
  bool keep_going() override { return !owner_.cancel_requested(); }

 private:
  HWND dialog_;
  const unzip_dialog& owner_;
};

}  // namespace

unzip_thread_starter unzip_start_thread = start_with_runtime;

unzip_dialog::unzip_dialog(const wklib::string& archive_path, const wklib::string& destination)
    : wklib::dialog(wklib::own_module()),
      archive_path_(archive_path),
      destination_(destination),
      cancel_flag_(0) {}

unzip_dialog::~unzip_dialog() {
  if (worker_) {
    cancel_flag_ = 1;
    WaitForSingleObject(worker_, INFINITE);
    CloseHandle(worker_);
  }
}

bool unzip_dialog::on_init(wklib::window_holder& window) {
  window.set_text((archive_path_ + "を解凍……").c_str());
  cancel_flag_ = 0;
  window_ = window.handle;
  worker_ = unzip_start_thread(&unzip_dialog::worker, this);
  if (!worker_) EndDialog(window.handle, 0);
  return true;
}

// The close box must not end the dialog under the running worker: it cancels.
bool unzip_dialog::on_close(wklib::window_holder&) {
  cancel_flag_ = 1;
  return true;
}

bool unzip_dialog::on_destroy(wklib::window_holder&) {
  // Only when the window goes without the worker's report (its owner destroyed).
  if (worker_) {
    cancel_flag_ = 1;
    wait_for_worker();
  }
  return false;
}

bool unzip_dialog::on_command(wklib::window_holder&, int id, int) {
  if (id != IDCANCEL) return false;
  cancel_flag_ = 1;
  return true;
}

LRESULT unzip_dialog::on_message(wklib::window_holder& window, UINT message, WPARAM wparam,
                                 LPARAM lparam) {
  if (message == msg_unzip_path) {
    window.set_item_text(IDC_UNZIP_PATH, reinterpret_cast<const char*>(lparam));
    SetWindowLongPtrA(window.handle, DWLP_MSGRESULT, 1);
    return TRUE;
  }
  if (message == msg_unzip_done) {
    if (worker_) wait_for_worker();
    EndDialog(window.handle, static_cast<INT_PTR>(wparam));
    return TRUE;
  }
  return 0;
}

void unzip_dialog::wait_for_worker() {
  // The worker may be inside SendMessage to this window: keep taking sent messages.
  while (MsgWaitForMultipleObjects(1, &worker_, FALSE, INFINITE, QS_SENDMESSAGE) ==
         WAIT_OBJECT_0 + 1) {
    MSG ignored;
    PeekMessageA(&ignored, nullptr, 0, 0, PM_NOREMOVE);
  }
  CloseHandle(worker_);
  worker_ = nullptr;
}

unsigned __stdcall unzip_dialog::worker(void* argument) {
  unzip_dialog* self = static_cast<unzip_dialog*>(argument);
  progress_target target(self->window_, *self);
  const unzip_result result = unzip_archive(self->archive_path_, self->destination_, target);
  PostMessageA(self->window_, msg_unzip_done, result == unzip_done ? 1 : 0, 0);
  return 0;
}

bool unzip_to_directory(const wklib::string& archive_path, const wklib::string& destination) {
  unzip_file_target target;
  return unzip_archive(archive_path, destination, target) == unzip_done;
}

bool unzip_with_progress(HWND parent, const wklib::string& archive_path,
                         const wklib::string& destination) {
  wklib::string directory = destination;
  // A final 0x5C that is the second byte of ソ or 表 is no separator.
  const int last = directory.length() - 1;
  if (last < 0 || directory[last] != '\\' || wklib::is_trail_position(directory.c_str(), last))
    directory += '\\';
  unzip_dialog dialog(archive_path, directory);
  return dialog.show_modal(parent, IDD_UNZIP) == 1;
}

#include "archive/unzip.h"

#include "archive/unzip_dialog.h"
#include "archive/unzip_files.h"
#include "archive/unzip_ids.h"
#include "support/own_module.h"
#include "system/path_text.h"

namespace {

// The worker's view of the dialog: paths go to the edit field by a sent
// message, so a path is on show before its file is written.
class progress_target : public unzip_file_target {
 public:
  explicit progress_target(const unzip_dialog& owner) : owner_(owner) {}
  bool announce(const wklib::string& path) override {
    owner_.send(msg_unzip_path, 0, path.c_str());
    return !owner_.cancelled();
  }
  bool keep_going() override { return !owner_.cancelled(); }

 private:
  const unzip_dialog& owner_;
};

}  // namespace

unzip_dialog::unzip_dialog(const wklib::string& archive_path, const wklib::string& destination)
    : wklib::worker_dialog(wklib::own_module(), 0, 0),
      archive_path_(archive_path),
      destination_(destination) {}

void unzip_dialog::on_start(wklib::window_holder& window) {
  window.set_text((archive_path_ + "を解凍……").c_str());
}

LRESULT unzip_dialog::on_message(wklib::window_holder& window, UINT message, WPARAM wparam,
                                 LPARAM lparam) {
  if (message != msg_unzip_path) return worker_dialog::on_message(window, message, wparam, lparam);
  window.set_item_text(IDC_UNZIP_PATH, reinterpret_cast<const char*>(lparam));
  return answer(window, 1);
}

INT_PTR unzip_dialog::work() {
  progress_target target(*this);
  return unzip_archive(archive_path_, destination_, target) == unzip_done ? 1 : 0;
}

bool unzip_to_directory(const wklib::string& archive_path, const wklib::string& destination) {
  unzip_file_target target;
  return unzip_archive(archive_path, destination, target) == unzip_done;
}

bool unzip_with_progress(HWND parent, const wklib::string& archive_path,
                         const wklib::string& destination) {
  wklib::string directory = destination;
  if (!ends_with_backslash(directory)) directory += '\\';
  unzip_dialog dialog(archive_path, directory);
  return dialog.show_modal(parent, IDD_UNZIP) == 1;
}

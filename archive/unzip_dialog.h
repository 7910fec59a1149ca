// Dialog 110 and its worker: the worker runs the extraction loop and shows each
// file's path before writing it; Cancel and the close box only raise the cancel
// flag, which the worker looks at before each file and after each block.
#pragma once

#include <windows.h>

#include "support/string.h"
#include "support/worker_dialog.h"

class unzip_dialog : public wklib::worker_dialog {
 public:
  // `destination` ends with a backslash.
  unzip_dialog(const wklib::string& archive_path, const wklib::string& destination);

  LRESULT on_message(wklib::window_holder& window, UINT message, WPARAM wparam,
                     LPARAM lparam) override;

 protected:
  INT_PTR work() override;
  void on_start(wklib::window_holder& window) override;

 private:
  wklib::string archive_path_;
  wklib::string destination_;
};

// Dialog 111 "高度な設定": install exactly the W32TeX archives downloaded now,
// or a hand-picked set of archives from the save directory (possibly fetched
// in an earlier run).
#pragma once

#include <vector>

#include "shell/list_reading.h"
#include "support/dialog.h"

class advanced_dialog : public wklib::dialog {
 public:
  // `rows`: the W32TeX rows of the file-selection page (name, state, size).
  advanced_dialog(HINSTANCE instance, std::vector<list_row> rows);

  // 1 after OK, 0 after Cancel.
  INT_PTR run(HWND owner);

  bool on_init(wklib::window_holder& window) override;
  bool on_command(wklib::window_holder& window, int id, int notification) override;

 private:
  void accept(wklib::window_holder& window);

  std::vector<list_row> rows_;
};

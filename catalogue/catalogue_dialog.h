// Dialog 104, "ファイル情報取得中……": runs the catalogue on its worker while it
// shows the progress text, and fills the four lists of page 103.
#pragma once

#include <windows.h>

// The four list views of the file-selection page.
struct file_lists {
  HWND w32tex, dviout, ghostscript, gsview;
};

// Runs dialog 104 modally, owned by `owner`: 0 done, 1 cancelled, 2 connection or
// transfer failure, 3 worker not started, 4 other failure (also when the dialog
// cannot be made). Online or offline as use_network says.
int run_catalogue(HWND owner, const file_lists& lists);

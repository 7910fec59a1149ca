// The path prompt (dialog 109): a question in the caption, an edit field with
// the path and a 参照 button that opens the folder browser.
#pragma once

#include <windows.h>

#include "support/string.h"

// Shows the prompt over `parent` (may be null) with `message` as its caption
// and `path` in the edit field. OK: true, with the edited text in `path`.
// キャンセル, closing, or a dialog that cannot be shown: false, with `path` empty.
// The template is taken from the module this code is linked into.
bool ask_path(HWND parent, const char* message, wklib::string& path);

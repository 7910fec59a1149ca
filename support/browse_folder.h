// The system's folder browser, limited to file-system folders and opened at a
// given directory.
#pragma once

#include <windows.h>

#include "support/string.h"

namespace wklib {

// Lets the user pick a folder under `title`, owned by `owner` (may be null), with
// `start_directory` selected when it is given (null or empty: none). True with
// the chosen path (no trailing backslash except for a drive root) in `result`;
// false when the user cancels or the choice has no file-system path, and
// `result` is then left as it was.
bool browse_folder(HWND owner, string& result, const char* title, const char* start_directory);

}  // namespace wklib

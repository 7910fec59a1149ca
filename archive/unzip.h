// Unpacking a whole zip archive into a directory, keeping its directory
// structure: silently in the caller's thread, or in a worker thread behind the
// modal dialog 110 (resources/tamari3/dialog_unzip.rc, which every module that links this
// must carry), which shows the file being written and can be cancelled.
//
// Both answer true only when every entry is on disk as the archive has it. A
// missing or unreadable archive, damaged data (the run stops there and the bad
// file is deleted), a name that would land outside the destination (skipped), a
// file that cannot be written, and cancel all give false; the log set with
// set_unzip_log gets a line for each entry that was not written.
#pragma once

#include <windows.h>

#include "support/string.h"

// The private message with which the worker shows a path in dialog 110: the long
// parameter is the Shift_JIS text; the dialog answers 1.
const UINT msg_unzip_path = WM_APP + 32;

// `destination` is used as a prefix as it is, so it must end with a backslash.
bool unzip_to_directory(const wklib::string& archive_path, const wklib::string& destination);

// A backslash is appended to `destination` when it lacks one. `parent` owns the
// dialog and may be null.
bool unzip_with_progress(HWND parent, const wklib::string& archive_path,
                         const wklib::string& destination);

// Where the lines about entries not written go: tamari3 passes its log's
// append_log, the plug-in its own. Without one they are dropped. Set it before
// any extraction starts; it is called from the worker threads too.
using unzip_log_function = void (*)(const wklib::string& line);
void set_unzip_log(unzip_log_function log);

// Dialog 106: fetches the files of a download job into the save directory one
// after the other through the URL-download layer, with a progress bar, a status
// line per file and Cancel.
#pragma once

#include <windows.h>

#include <vector>

#include "support/string.h"

// Three lists of equal length, index by index.
struct download_job {
  std::vector<wklib::string> urls;
  std::vector<wklib::string> local_paths;
  std::vector<unsigned long> sizes;  // expected bytes; 0 when not known
};

// The worker's texts to the dialog; lParam is a Shift_JIS text.
const UINT msg_progress_status = 0x8057;  // into the status line
const UINT msg_progress_title = 0x8058;   // as the caption

// Runs dialog 106 modally: 0 every file downloaded, 1 cancelled, 2 the proxy
// cannot be set or a download failed, 3 the worker not started (also when the
// dialog cannot be made). `owner` may be null.
int run_download(HWND owner, const download_job& job);

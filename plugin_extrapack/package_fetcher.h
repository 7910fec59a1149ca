// Finding the newest package archive: the page is read over HTTP, turned from
// EUC-JP into Shift_JIS, its first archive link taken, and the archive's size
// asked for with a HEAD request. The work runs on a worker thread and reports
// through a view (dialog 101 in the plug-in, a recorder in the tests).
#pragma once

#include "plugin_extrapack/plugin_settings.h"
#include "support/string.h"

// What one successful run found; kept until the next run.
struct package_fetcher {
  wklib::string archive_url;
  unsigned long archive_size = 0;
};

class fetch_view {
 public:
  virtual ~fetch_view() = default;
  // Shows the whole running text.
  virtual void show(const wklib::string& progress_text) = 0;
  // The user asked to stop; looked at only between the steps.
  virtual bool cancel_requested() const = 0;
};

// The worker: 1 when the archive's URL and size are in `fetcher`, 0 when the
// run failed or was cancelled (the log has the reason, the text ends in "失敗"
// or "キャンセルしました．").
int fetch_package_info(const plugin_settings& settings, package_fetcher& fetcher, fetch_view& view);

// Dialog 101 "情報取得中……": runs fetch_package_info on its worker and shows
// its running text; Cancel only asks the worker to stop.
#pragma once

#include <windows.h>

#include "plugin_extrapack/package_fetcher.h"
#include "plugin_extrapack/plugin_settings.h"
#include "support/worker_dialog.h"

class info_dialog : public wklib::worker_dialog, private fetch_view {
 public:
  info_dialog(const plugin_settings& settings, package_fetcher& fetcher);

 protected:
  INT_PTR work() override;

 private:
  void show(const wklib::string& progress_text) override;
  bool cancel_requested() const override { return cancelled(); }

  const plugin_settings& settings_;
  package_fetcher& fetcher_;
};

// The information run behind GetDownloadData: dialog 101 owned by `owner`, then
// a message box when it failed or was cancelled. True when the archive was found.
bool run_package_information(const plugin_settings& settings, package_fetcher& fetcher, HWND owner);

#include "plugin_extrapack/info_dialog.h"

#include "plugin_extrapack/info_dialog_ids.h"
#include "support/message_box.h"
#include "support/own_module.h"

info_dialog::info_dialog(const plugin_settings& settings, package_fetcher& fetcher)
    : wklib::worker_dialog(wklib::own_module(), IDC_PACKAGE_PROGRESS, 0),
      settings_(settings),
      fetcher_(fetcher) {}

INT_PTR info_dialog::work() { return fetch_package_info(settings_, fetcher_, *this); }

void info_dialog::show(const wklib::string& progress_text) { set_progress(progress_text.c_str()); }

bool run_package_information(const plugin_settings& settings, package_fetcher& fetcher,
                             HWND owner) {
  settings.append_log("jsclassesの情報取得．");
  info_dialog dialog(settings, fetcher);
  const bool found = dialog.run(owner, IDD_PACKAGE_INFO) == 1;
  if (!found) {
    wklib::message_box(owner, dialog.cancelled() ? "キャンセルしました．" : "失敗しました．",
                       "tamari3", wklib::box_ok);
  }
  settings.append_log("jsclassesの情報取得終了．");
  return found;
}

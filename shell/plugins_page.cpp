#include "shell/plugins_page.h"

#include <commctrl.h>

#include "catalogue/catalogue_dialog.h"
#include "resources/tamari3/ids.h"
#include "shell/wizard.h"
#include "state/install_settings.h"
#include "support/message_box.h"

plugins_page::plugins_page(wizard& owner)
    : wklib::property_page(true, true, false), wizard_(owner) {
  const install_settings& settings = the_settings();
  host_.discover(plugin_host::plugin_directory(), settings.ini_path(), settings.log_path());
}

bool plugins_page::on_init(wklib::window_holder& window) {
  host_.fill_list(window.item(IDC_PLUGIN_LIST));
  return true;
}

bool plugins_page::on_message(wklib::window_holder& window, UINT message, WPARAM,
                              LPARAM lparam) {
  if (message != WM_NOTIFY) return false;
  const NMHDR* header = reinterpret_cast<const NMHDR*>(lparam);
  if (header->idFrom == IDC_PLUGIN_LIST && header->code == static_cast<UINT>(NM_DBLCLK)) {
    HWND list = window.item(IDC_PLUGIN_LIST);
    host_.open_settings(plugin_host::selected_row(list), wizard_.window());
  }
  // The list's own handling of the click goes on as usual.
  return false;
}

bool plugins_page::on_wizard_next(wklib::window_holder& window) {
  host_.read_selection(window.item(IDC_PLUGIN_LIST));

  // The catalogue fills the lists of page 103, which exist once it has been shown.
  wizard_.select_page(IDD_FILE_SELECTION);
  file_select_page& files = wizard_.file_selection();
  file_lists lists = {files.w32tex_list(), files.dviout_list(), files.ghostscript_list(),
                      files.gsview_list()};
  int result = run_catalogue(wizard_.window(), lists);
  if (result == 0) {
    // The sheet's advance from here lands on the filled lists.
    wizard_.select_page(IDD_OTHER_SOFTWARE);
    return true;
  }
  static const char* const failures[] = {"キャンセルされました．", "接続時にエラー発生．",
                                         "スレッド作成に失敗．", "不明なエラーが発生．"};
  if (result >= 1 && result <= 4) message_box(failures[result - 1], "tamari3.exe", wklib::box_ok);
  // Stay on this page: its advance lands here again.
  wizard_.select_page(IDD_OTHER_SETTINGS);
  return true;
}

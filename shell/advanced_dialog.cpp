#include "shell/advanced_dialog.h"

#include <utility>

#include "catalogue/list_rows.h"
#include "resources/tamari3/ids.h"
#include "shell/page_controls.h"
#include "state/install_settings.h"
#include "state/install_state.h"

namespace {

const std::vector<list_column> advanced_columns = {{"ファイル名", 163}, {"状態", 50}, {"サイズ", 70}};

}  // namespace

advanced_dialog::advanced_dialog(HINSTANCE instance, std::vector<list_row> rows)
    : wklib::dialog(instance), rows_(std::move(rows)) {}

INT_PTR advanced_dialog::run(HWND owner) { return show_modal(owner, IDD_ADVANCED); }

bool advanced_dialog::on_init(wklib::window_holder& window) {
  HWND list = window.item(IDC_ADVANCED_LIST);
  list_insert_columns(list, advanced_columns);
  // What still needs fetching is ticked; the page's own ticks are not carried over.
  for (const list_row& row : rows_)
    list_append_row(list, row, !(row.size() > 1 && row[1] == "最新"));
  bool downloaded = the_settings().install_downloaded();
  set_checked(window, IDC_INSTALL_DOWNLOADED, downloaded);
  set_checked(window, IDC_INSTALL_LISTED, !downloaded);
  return true;
}

void advanced_dialog::accept(wklib::window_holder& window) {
  install_settings& settings = the_settings();
  if (is_checked(window, IDC_INSTALL_DOWNLOADED)) {
    settings.set_install_downloaded(true);
  } else {
    settings.set_install_downloaded(false);
    // Bare names; the save directory is put in front when the page's Next runs.
    std::vector<wklib::string>& archives = the_install_state().w32tex_archives;
    archives.clear();
    HWND list = window.item(IDC_ADVANCED_LIST);
    int count = row_count(list);
    for (int row = 0; row < count; ++row) {
      if (!list_is_ticked(list, row)) continue;
      list_row texts = read_row(list, row);
      if (!texts.empty()) archives.push_back(texts[0]);
    }
  }
  settings.load_settings();
}

bool advanced_dialog::on_command(wklib::window_holder& window, int id, int) {
  switch (id) {
    case IDC_ADVANCED_CHECK_ALL: {
      HWND list = window.item(IDC_ADVANCED_LIST);
      int count = row_count(list);
      for (int row = 0; row < count; ++row) list_set_ticked(list, row, true);
      return true;
    }
    case IDOK:
      accept(window);
      EndDialog(window.handle, 1);
      return true;
    case IDCANCEL:
      EndDialog(window.handle, 0);
      return true;
  }
  return false;
}

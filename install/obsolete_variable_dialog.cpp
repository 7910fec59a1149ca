#include "install/obsolete_variable_dialog.h"

#include <commctrl.h>

#include "install/environment.h"
#include "resources/tamari3/ids.h"
#include "support/dialog.h"
#include "support/own_module.h"
#include "system/system_info.h"

namespace {

class obsolete_dialog : public wklib::dialog {
 public:
  obsolete_dialog(install_settings& settings, const std::vector<const char*>& names,
                  const char* message)
      : wklib::dialog(wklib::own_module()), settings_(settings), names_(names), message_(message) {}

  bool on_init(wklib::window_holder& window) override {
    window.set_item_text(IDC_OBSOLETE_MESSAGE, message_);
    HWND list = window.item(IDC_OBSOLETE_LIST);
    DWORD style = ListView_GetExtendedListViewStyle(list);
    ListView_SetExtendedListViewStyle(list, style | LVS_EX_CHECKBOXES);
    add_column(list, 0, "変数名", 100);
    add_column(list, 1, "値", 200);
    wklib::string found("環境変数");
    int row = 0;
    for (const char* name : names_) {
      wklib::string value = get_env(name);
      if (value.empty()) continue;
      LVITEMA item = {};
      item.mask = LVIF_TEXT;
      item.iItem = row;
      item.pszText = const_cast<char*>(name);
      ListView_InsertItem(list, &item);
      ListView_SetItemText(list, row, 1, const_cast<char*>(value.c_str()));
      ListView_SetCheckState(list, row, TRUE);
      found += wklib::string("「") + name + "」";
      ++row;
    }
    settings_.append_log(found + "が存在．");
    return true;
  }

  bool on_command(wklib::window_holder& window, int id, int) override {
    if (id == IDOK) {
      delete_ticked(window);
      return true;
    }
    if (id == IDCANCEL) return on_close(window);
    return false;
  }

  bool on_close(wklib::window_holder& window) override {
    settings_.append_log("環境変数を削除しませんでした．");
    EndDialog(window.handle, 0);
    return true;
  }

 private:
  static void add_column(HWND list, int index, const char* title, int width) {
    LVCOLUMNA column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.pszText = const_cast<char*>(title);
    column.cx = width;
    column.iSubItem = index;
    ListView_InsertColumn(list, index, &column);
  }

  void delete_ticked(wklib::window_holder& window) {
    HWND list = window.item(IDC_OBSOLETE_LIST);
    int rows = ListView_GetItemCount(list);
    int ticked = 0;
    for (int row = 0; row < rows; ++row) {
      if (!ListView_GetCheckState(list, row)) continue;
      char name[256] = "";
      ListView_GetItemText(list, row, 0, name, sizeof name);
      delete_env_variable(settings_, name);
      ++ticked;
    }
    EndDialog(window.handle, ticked > 0 ? 1 : 0);
  }

  install_settings& settings_;
  const std::vector<const char*>& names_;
  const char* message_;
};

}  // namespace

bool obsolete_variable_dialog(HWND parent, install_settings& settings,
                              const std::vector<const char*>& names, const char* message) {
  obsolete_dialog dialog(settings, names, message);
  return dialog.show_modal(parent, IDD_OBSOLETE_VARIABLES) == 1;
}

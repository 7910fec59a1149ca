#include "system/ask_path.h"

#include "system/ask_path_ids.h"
#include "support/own_module.h"
#include "support/dialog.h"

namespace {

const int edit_limit = 65535;

class ask_path_dialog : public wklib::dialog {
 public:
  ask_path_dialog(const char* message, const wklib::string& path)
      : wklib::dialog(wklib::own_module()), message_(message), path_(path) {}

  const wklib::string& path() const { return path_; }

  bool on_init(wklib::window_holder& window) override {
    window.set_text(message_);
    SendMessageA(window.item(IDC_ASK_PATH_EDIT), EM_LIMITTEXT, edit_limit, 0);
    window.set_item_text(IDC_ASK_PATH_EDIT, path_.c_str());
    return true;
  }

  bool on_close(wklib::window_holder& window) override {
    EndDialog(window.handle, IDCANCEL);
    return true;
  }

  bool on_command(wklib::window_holder& window, int id, int) override {
    switch (id) {
      case IDC_ASK_PATH_BROWSE: {
        // The browser opens where the field points, when it points anywhere.
        wklib::string current = window.item_text(IDC_ASK_PATH_EDIT, edit_limit);
        wklib::string chosen;
        if (browse_folder(chosen, "ディレクトリを選んでください．", current.c_str()))
          window.set_item_text(IDC_ASK_PATH_EDIT, chosen.c_str());
        return true;
      }
      case IDOK:
        path_ = window.item_text(IDC_ASK_PATH_EDIT, edit_limit);
        EndDialog(window.handle, IDOK);
        return true;
      case IDCANCEL:
        EndDialog(window.handle, IDCANCEL);
        return true;
      default:
        return false;
    }
  }

 private:
  const char* message_;
  wklib::string path_;
};

}  // namespace

bool ask_path(HWND parent, const char* message, wklib::string& path) {
  ask_path_dialog prompt(message ? message : "", path);
  if (prompt.show_modal(parent, IDD_ASK_PATH) == IDOK) {
    path = prompt.path();
    return true;
  }
  path = wklib::string();
  return false;
}

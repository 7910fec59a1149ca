#include "shell/wizard.h"

#include <commctrl.h>
#include <prsht.h>

#include "resources/tamari3/ids.h"
#include "state/install_settings.h"

wizard::wizard(HINSTANCE instance)
    : instance_(instance),
      sheet_(instance),
      intro_(),
      tex_settings_(),
      tools_settings_(),
      plugins_(*this),
      file_select_(*this),
      finish_(),
      pages_{{IDD_WIZARD_WELCOME, &intro_},      {IDD_TEX_SETTINGS, &tex_settings_},
             {IDD_OTHER_SETTINGS, &tools_settings_}, {IDD_OTHER_SOFTWARE, &plugins_},
             {IDD_FILE_SELECTION, &file_select_}, {IDD_FINISH, &finish_}} {}

bool wizard::run() {
  the_settings().load_settings();
  return sheet_.run(pages_, 6, PSH_WIZARD, "TeXのインストール");
}

void wizard::select_page(int dialog_id) const {
  SendMessageA(window(), PSM_SETCURSELID, 0, dialog_id);
}

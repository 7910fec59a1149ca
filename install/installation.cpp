// The program's own run, on its process-wide settings and state (which tests,
// with settings of their own, do not link).
#include "install/install_dialog.h"

int run_installation_dialog(HWND owner, other_software_source* other_software) {
  return run_installation_dialog(owner, other_software, the_settings(), the_install_state());
}

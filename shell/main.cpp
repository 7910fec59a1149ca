// The entry point: refuse a second copy, bring up the engine and the common
// controls, make sure the settings file exists, run the wizard, and tear down
// in reverse.
#include <windows.h>
#include <commctrl.h>

#include <memory>

#include "archive/unzip.h"
#include "regex/szrex.h"
#include "state/install_settings.h"
#include "shell/program_instance.h"
#include "shell/wizard.h"
#include "shell/single_instance.h"

namespace {

// Entries that extraction refuses or cannot write are named in the log.
void log_unzip_line(const wklib::string& line) { the_settings().append_log(line); }

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  single_instance guard("tamari3");
  switch (guard.acquire()) {
    case single_instance::already_running:
      return -1;  // silently: the running copy is left as it is
    case single_instance::failed:
      MessageBoxA(nullptr, "初期化に失敗．", "tamari3", MB_OK);
      return -1;
    case single_instance::acquired:
      break;
  }

  SzRexStartup(instance);
  set_program_instance(instance);
  InitCommonControls();
  set_unzip_log(log_unzip_line);

  install_settings& settings = the_settings();
  if (!settings.settings_file_exists()) write_default_settings(settings);

  // Building the wizard loads the plug-ins, which find the settings file filled.
  std::unique_ptr<wizard> sheet(new wizard(instance));
  sheet->run();

  // The engine goes first, then the wizard with the plug-ins it loaded.
  SzRexShutdown();
  sheet.reset();
  guard.release();
  return 0;
}

// The installation: dialog 107 shows the running text while its worker runs
// every step in order (W32TeX, the obsolete TeX variables, GhostScript, GS_LIB,
// GSview, PATH, dviout, other software) and fills in step_results.
#pragma once

#include <windows.h>

#include "install/step_context.h"

// The plug-ins chosen on the other-software page, as the installation sees them.
class other_software_source {
 public:
  virtual ~other_software_source() = default;
  virtual int count_selected() const = 0;
  // Installs them, reporting to `progress_window`; answers how many succeeded.
  virtual int install_selected(HWND progress_window) = 0;
};

// The worker's whole run: 0 when every step ran, 4 when a cancel ended it.
int run_installation(step_context& context, other_software_source* other_software);

// Runs dialog 107 over `owner` with the program's settings and state.
// `other_software` is null when no plug-in was selected. Answers 0 when every
// step ran, 4 when cancelled, 3 when the worker (or the dialog) could not start.
int run_installation_dialog(HWND owner, other_software_source* other_software);
// The same with the given settings and state.
int run_installation_dialog(HWND owner, other_software_source* other_software,
                            install_settings& settings, install_state& state);

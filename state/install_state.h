// install_state: what the wizard, the catalogue and the installation pass on to
// each other. Written by one thread at a time (the user-interface thread, the
// catalogue worker or the installation worker), never by two at once.
#pragma once

#include <vector>

#include "support/string.h"

// One result text per installation step, shown on the finish page.
struct step_results {
  wklib::string w32tex;
  wklib::string dviout;
  wklib::string dviout_settings;
  wklib::string ghostscript;
  wklib::string gsview;
  wklib::string ghostscript_settings;
  wklib::string environment;
  wklib::string other_software;
};

struct install_state {
  // Full paths of the W32TeX archives to install, in the catalogue's order.
  std::vector<wklib::string> w32tex_archives;
  wklib::string dviout_archive;
  wklib::string gs_archive;
  wklib::string gsview_installer;
  struct step_results step_results;
  bool restart_needed = false;
};

// The program's one state object (constructed before the entry point runs).
install_state& the_install_state();

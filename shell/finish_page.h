// Page 108: the result of every installation step, where the log is, and the
// restart when a step asked for one.
#pragma once

#include "support/property_page.h"
#include "support/string.h"

class finish_page : public wklib::property_page {
 public:
  // The restart request; tests put one here that does not restart the machine.
  using restart_function = int (*)(bool force);

  finish_page();

  bool on_init(wklib::window_holder& window) override;
  bool on_wizard_finish(wklib::window_holder& window) override;

  void set_restart(restart_function restart) { restart_ = restart; }

 private:
  restart_function restart_;
};

// The summary as the page shows it, from the state the installation left.
wklib::string finish_summary();

// The bare file name of the log that belongs to the settings file `ini_path`:
// its extension replaced by ".log", its directory dropped.
wklib::string log_file_name(const wklib::string& ini_path);

// Page 113 "その他のソフト": the plug-ins found beside the program, which the
// user ticks for installation. Leaving it forward reads every mirror's listing
// into the lists of the file-selection page.
#pragma once

#include "plugins/plugin_host.h"
#include "support/property_page.h"

class wizard;

class plugins_page : public wklib::property_page {
 public:
  // Finds, loads and initialises the plug-ins at once, so that they exist
  // before any page is shown.
  explicit plugins_page(wizard& owner);

  bool on_init(wklib::window_holder& window) override;
  bool on_message(wklib::window_holder& window, UINT message, WPARAM wparam,
                  LPARAM lparam) override;
  bool on_wizard_next(wklib::window_holder& window) override;

  plugin_host& host() { return host_; }

 private:
  wizard& wizard_;
  plugin_host host_;
};

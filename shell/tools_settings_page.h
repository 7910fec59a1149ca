// Page 105: the mirrors of dviout, GhostScript and GSview. Without network the
// groups are shown but cannot be changed.
#pragma once

#include "support/property_page.h"

class tools_settings_page : public wklib::property_page {
 public:
  tools_settings_page() : wklib::property_page(true, true, false) {}

  bool on_init(wklib::window_holder& window) override;
  bool on_command(wklib::window_holder& window, int id, int notification) override;
  bool on_set_active(wklib::window_holder& window) override;
  bool on_wizard_next(wklib::window_holder& window) override;
};

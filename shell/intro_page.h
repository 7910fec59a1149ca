// Page 101: what the wizard is about to install.
#pragma once

#include "support/property_page.h"

class intro_page : public wklib::property_page {
 public:
  intro_page() : wklib::property_page(true, false, false) {}
  bool on_init(wklib::window_holder& window) override;
};

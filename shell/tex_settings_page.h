// Page 102: where archives are saved and TeX is installed, the network switch,
// the W32TeX mirror, the URL cache and the HTTP proxy. Next refuses directories
// that later steps cannot use and writes the page's settings.
#pragma once

#include "support/property_page.h"

class tex_settings_page : public wklib::property_page {
 public:
  tex_settings_page() : wklib::property_page(true, true, false) {}

  bool on_init(wklib::window_holder& window) override;
  bool on_command(wklib::window_holder& window, int id, int notification) override;
  bool on_wizard_next(wklib::window_holder& window) override;

 private:
  void show_network(wklib::window_holder& window, bool use_network);
  void browse(wklib::window_holder& window, int edit, const char* prompt);
  // Keeps the user on this page (see select_sheet_page).
  bool stay();
};

// A directory the installation can use: no blank and no double-byte character
// anywhere in it (half-width katakana are single bytes and pass).
bool is_usable_directory(const char* path);

// The Port field: empty is 0, otherwise decimal digits only, up to 65535.
// False for anything else; `port` is then left as it was.
bool parse_port(const char* text, int& port);

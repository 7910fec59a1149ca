// Page 103 "インストールファイルの選択": the archives the catalogue found for each
// package, ticked when they are to be fetched and installed. Leaving it forward
// downloads the ticked files and runs the installation.
#pragma once

#include <windows.h>

#include "support/property_page.h"
#include "support/string.h"

class wizard;

class file_select_page : public wklib::property_page {
 public:
  explicit file_select_page(wizard& owner)
      : wklib::property_page(true, true, false), wizard_(owner) {}

  bool on_init(wklib::window_holder& window) override;
  bool on_set_active(wklib::window_holder& window) override;
  bool on_command(wklib::window_holder& window, int id, int notification) override;
  bool on_wizard_next(wklib::window_holder& window) override;

  // The four lists the catalogue fills; null before the page's window exists.
  HWND w32tex_list() const;
  HWND dviout_list() const;
  HWND ghostscript_list() const;
  HWND gsview_list() const;

 private:
  // Keeps the user on this page with the lists as they are.
  bool stay();
  // Hides the wizard while the modal dialog without owner runs.
  int run_installation_hidden();

  wizard& wizard_;
};

// Decimal size of a list's size column; anything but digits counts as 0 (the
// size only drives the progress bar).
unsigned long parse_size(const wklib::string& text);

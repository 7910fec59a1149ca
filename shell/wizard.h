// wizard: the program's one window, a modal property sheet in wizard mode with
// its six pages in the order the user walks them. It owns the pages; the pages
// reach each other and the sheet's window through it.
#pragma once

#include <windows.h>

#include "shell/file_select_page.h"
#include "shell/finish_page.h"
#include "shell/intro_page.h"
#include "shell/plugins_page.h"
#include "shell/tex_settings_page.h"
#include "shell/tools_settings_page.h"
#include "support/property_sheet.h"

class wizard {
 public:
  // Building the page for other software loads the plug-ins.
  explicit wizard(HINSTANCE instance);
  wizard(const wizard&) = delete;
  wizard& operator=(const wizard&) = delete;

  // Loads the settings and shows the sheet until Finish or Cancel; false only
  // when the sheet could not be made.
  bool run();

  // Shows the page of template `dialog_id` (see select_sheet_page).
  void select_page(int dialog_id) const;

  // The sheet's window while run() shows it, null otherwise.
  HWND window() const { return sheet_.window(); }
  HINSTANCE instance() const { return instance_; }

  file_select_page& file_selection() { return file_select_; }
  plugins_page& plugins() { return plugins_; }
  finish_page& finish() { return finish_; }

 private:
  HINSTANCE instance_;
  wklib::property_sheet sheet_;
  intro_page intro_;
  tex_settings_page tex_settings_;
  tools_settings_page tools_settings_;
  plugins_page plugins_;
  file_select_page file_select_;
  finish_page finish_;
  wklib::page_entry pages_[6];
};

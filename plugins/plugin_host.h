// plugin_host: finds, loads and initialises the plug-ins in the program's plugin
// directory, lists them on the page for other software, asks the ticked ones for
// their downloads and runs their installation. Entries stay in load order: row i
// of the list is entry i. Everything but install_selected runs on the
// user-interface thread; install_selected runs on the installation worker while
// that thread waits in the installation dialog.
#pragma once

#include <windows.h>

#include <vector>

#include "plugins/plugin_interface.h"
#include "support/string.h"

struct plugin_entry {
  plugin_text_function info = nullptr;
  plugin_text_function soft_name = nullptr;
  plugin_set_function set = nullptr;  // null: the plug-in has no settings dialog
  plugin_init_function init = nullptr;
  plugin_download_function get_download_data = nullptr;
  plugin_install_function install = nullptr;
  wklib::string path;
  HMODULE module = nullptr;  // null once freed
  bool selected = false;
};

// One file the host is to download for a plug-in.
struct plugin_download {
  wklib::string url;
  wklib::string path;  // the save directory followed by the plug-in's file name
  unsigned long size;
};

class plugin_host {
 public:
  plugin_host() = default;
  ~plugin_host() { unload_all(); }
  plugin_host(const plugin_host&) = delete;
  plugin_host& operator=(const plugin_host&) = delete;

  // "plugin" beside the running program, without a final backslash.
  static wklib::string plugin_directory();

  // Unloads what is loaded, then loads every *.dll of `plugin_dir` that has the
  // required exports and whose Init accepts `ini_path` and `log_path`. The host
  // keeps its own copies of both paths, which the plug-ins may hold on to.
  void discover(const wklib::string& plugin_dir, const wklib::string& ini_path,
                const wklib::string& log_path);
  // True when `entry` (holding no module yet) loaded and has every required export.
  static bool load(plugin_entry& entry);

  // Check boxes, the two columns and one unticked row per plug-in.
  void fill_list(HWND list_view) const;
  // The list's selected row, or -1.
  static int selected_row(HWND list_view);
  // The double-click on `row` (-1: nothing): the plug-in's Set, or a message box
  // saying it needs no settings.
  void open_settings(int row, HWND owner) const;
  // Takes each entry's `selected` from its row's check box.
  void read_selection(HWND list_view);
  void set_selected(int row, bool selected);

  // Asks every selected plug-in for its downloads, in list order, and appends
  // them to `out`. False, with `out` unchanged, as soon as one answers not ok:
  // the rest are not asked. Entries with an empty URL or file name are skipped.
  bool collect_downloads(HWND owner, const wklib::string& save_dir,
                         std::vector<plugin_download>& out) const;
  int count_selected() const;
  // Runs Install of every selected plug-in with the progress dialog's window;
  // answers how many succeeded.
  int install_selected(HWND progress_window) const;
  // Frees every library and empties the list.
  void unload_all();

  const std::vector<plugin_entry>& entries() const { return entries_; }

 private:
  std::vector<plugin_entry> entries_;
  wklib::string ini_path_;
  wklib::string log_path_;
};

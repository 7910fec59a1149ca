// plugin_settings: the host's settings file and log as the plug-in sees them.
// The plug-in reads the host's keys and writes only its own section; its log
// lines go through a lock of its own, one whole line per open and close.
#pragma once

#include <windows.h>

#include "support/string.h"

// The plug-in's section and the file the host saves the archive under.
extern const char package_section[];    // "jsclasses"
extern const char archive_file_name[];  // "jsclasses.zip"
// The package's page as first written into the settings.
extern const char default_package_url[];

class plugin_settings {
 public:
  plugin_settings();
  ~plugin_settings();
  plugin_settings(const plugin_settings&) = delete;
  plugin_settings& operator=(const plugin_settings&) = delete;

  // Keeps both paths (the host's Init arguments).
  void set_paths(const char* ini_path, const char* log_path);
  // Writes the missing defaults of the plug-in's section; values already there stay.
  void write_defaults() const;

  // At most 4094 bytes; empty when missing.
  wklib::string read_text(const char* section, const char* key) const;
  // 0 when missing.
  int read_number(const char* section, const char* key) const;
  void write_text(const char* section, const char* key, const wklib::string& value) const;
  // The TeX tree below the installation directory, stored with a final
  // backslash and without a leading one.
  void set_target(const wklib::string& value) const;

  // Appends `line` and a line end to the log.
  void append_log(const wklib::string& line) const;

  const wklib::string& ini_path() const { return ini_path_; }
  const wklib::string& log_path() const { return log_path_; }

 private:
  wklib::string ini_path_;
  wklib::string log_path_;
  mutable CRITICAL_SECTION log_lock_;
};

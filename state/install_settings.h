// install_settings: the process-wide settings object. It knows where the settings
// file (tamari3.ini) and the log (tamari3.log) are, beside the program; holds an
// in-memory copy of every key, which only load_settings changes; writes single
// keys through setters; and owns the log with its lock.
#pragma once

#include <windows.h>

#include "support/string.h"

class install_settings {
 public:
  // Where the start header's time comes from; GetSystemTime (UTC) unless a test says otherwise.
  using clock_function = void(WINAPI*)(SYSTEMTIME*);

  // Takes both paths from the running module and writes the log's start header.
  install_settings();
  // For tests: paths from `module_path` (a program file name) and the header's clock.
  install_settings(const char* module_path, clock_function clock);
  // Appends the empty line that ends a run's part of the log.
  ~install_settings();
  install_settings(const install_settings&) = delete;
  install_settings& operator=(const install_settings&) = delete;

  const wklib::string& ini_path() const { return ini_path_; }
  const wklib::string& log_path() const { return log_path_; }

  // Whether the settings file exists (GetFileAttributesA succeeds).
  bool settings_file_exists() const;
  // Re-reads the twenty keys into the fields; the only change to the in-memory copy.
  void load_settings();

  // Appends `text` and a line end to the log; a log that cannot be opened loses the line.
  void append_log(const wklib::string& text);
  void append_log(const char* text);

  // Setters write their key at once and leave the fields alone until load_settings.
  void set_tex_url(const wklib::string& url);  // "/" appended when missing
  void set_tex_url_from_list(bool from_list);
  void set_save_dir(const wklib::string& dir);  // "\" appended when missing
  void set_install_dir(const wklib::string& dir);
  void set_proxy(const wklib::string& proxy);
  void set_port(int port);
  void set_tex_pattern(const wklib::string& pattern);
  void set_dviout_url(const wklib::string& url);
  void set_dviout_url_from_list(bool from_list);
  void set_gs_url(const wklib::string& url);
  void set_gs_url_from_list(bool from_list);
  void set_gsview_url(const wklib::string& url);
  void set_gsview_url_from_list(bool from_list);
  void set_dviout_pattern(const wklib::string& pattern);
  void set_gs_pattern(const wklib::string& pattern);
  void set_gsview_pattern(const wklib::string& pattern);
  void set_dviout_dir(const wklib::string& dir);
  void set_install_downloaded(bool install_downloaded);
  void set_delete_cache(bool delete_cache);
  void set_use_network(bool use_network);

  const wklib::string& tex_url() const { return tex_url_; }
  bool tex_url_from_list() const { return tex_url_from_list_; }
  const wklib::string& save_dir() const { return save_dir_; }
  const wklib::string& install_dir() const { return install_dir_; }
  const wklib::string& proxy() const { return proxy_; }
  int port() const { return port_; }
  const wklib::string& tex_pattern() const { return tex_pattern_; }
  const wklib::string& dviout_url() const { return dviout_url_; }
  bool dviout_url_from_list() const { return dviout_url_from_list_; }
  const wklib::string& gs_url() const { return gs_url_; }
  bool gs_url_from_list() const { return gs_url_from_list_; }
  const wklib::string& gsview_url() const { return gsview_url_; }
  bool gsview_url_from_list() const { return gsview_url_from_list_; }
  const wklib::string& dviout_pattern() const { return dviout_pattern_; }
  const wklib::string& gs_pattern() const { return gs_pattern_; }
  const wklib::string& gsview_pattern() const { return gsview_pattern_; }
  const wklib::string& dviout_dir() const { return dviout_dir_; }
  bool install_downloaded() const { return install_downloaded_; }
  bool delete_cache() const { return delete_cache_; }
  bool use_network() const { return use_network_; }

 private:
  void init(const char* module_path, clock_function clock);
  void write_start_header(clock_function clock);
  void write_text(const char* section, const char* key, const char* value);
  void write_flag(const char* section, const char* key, bool value);
  // Writes `value`, first appending `terminator` when it is not empty and lacks it.
  void write_terminated(const char* section, const char* key, const wklib::string& value,
                        char terminator);
  wklib::string read_text(const char* section, const char* key) const;
  int read_int(const char* section, const char* key) const;

  wklib::string ini_path_;
  wklib::string log_path_;
  CRITICAL_SECTION log_lock_;

  wklib::string tex_url_;
  bool tex_url_from_list_ = false;
  wklib::string save_dir_;
  wklib::string install_dir_;
  wklib::string proxy_;
  int port_ = 0;
  wklib::string tex_pattern_;
  wklib::string dviout_url_;
  bool dviout_url_from_list_ = false;
  wklib::string gs_url_;
  bool gs_url_from_list_ = false;
  wklib::string gsview_url_;
  bool gsview_url_from_list_ = false;
  wklib::string dviout_pattern_;
  wklib::string gs_pattern_;
  wklib::string gsview_pattern_;
  wklib::string dviout_dir_;
  bool install_downloaded_ = false;
  bool delete_cache_ = false;
  bool use_network_ = false;
};

// The defaults of a first start, written key by key through the setters.
void write_default_settings(install_settings& settings);

// The program's one settings object (constructed before the entry point runs).
install_settings& the_settings();

#include "state/install_settings.h"

#include <cstdio>

namespace {

// Values are read into a buffer of this size, so a value is at most 4095 bytes.
constexpr int value_buffer_size = 4096;

// The program file name with everything from its last "." replaced by `extension`.
wklib::string beside_module(const char* module_path, const char* extension) {
  wklib::string path(module_path);
  int dot = path.rfind(".");
  if (dot >= 0) path.erase(dot);
  path.append(extension);
  return path;
}

}  // namespace

install_settings::install_settings() {
  char module[value_buffer_size] = "";
  GetModuleFileNameA(nullptr, module, sizeof module);
  init(module, GetSystemTime);
}

install_settings::install_settings(const char* module_path, clock_function clock) {
  init(module_path, clock);
}

void install_settings::init(const char* module_path, clock_function clock) {
  ini_path_ = beside_module(module_path, ".ini");
  log_path_ = beside_module(module_path, ".log");
  InitializeCriticalSection(&log_lock_);
  write_start_header(clock);
}

install_settings::~install_settings() {
  append_log("");
  DeleteCriticalSection(&log_lock_);
}

void install_settings::write_start_header(clock_function clock) {
  FILE* log = std::fopen(log_path_.c_str(), "a+");
  if (!log) return;
  SYSTEMTIME now = {};
  clock(&now);
  std::fprintf(log, "--------%d年%d月%d日%d時%d分に起動した時のログ ----------\n", now.wYear,
               now.wMonth, now.wDay, now.wHour, now.wMinute);
  std::fclose(log);
}

void install_settings::append_log(const wklib::string& text) { append_log(text.c_str()); }

void install_settings::append_log(const char* text) {
  EnterCriticalSection(&log_lock_);
  // Opened and closed per line, so every line is on disk when the call returns
  // and the plug-ins, which append to the same file, interleave only by lines.
  if (FILE* log = std::fopen(log_path_.c_str(), "a+")) {
    std::fprintf(log, "%s\n", text ? text : "");
    std::fclose(log);
  }
  LeaveCriticalSection(&log_lock_);
}

bool install_settings::settings_file_exists() const {
  return GetFileAttributesA(ini_path_.c_str()) != INVALID_FILE_ATTRIBUTES;
}

wklib::string install_settings::read_text(const char* section, const char* key) const {
  char value[value_buffer_size];
  GetPrivateProfileStringA(section, key, "", value, sizeof value, ini_path_.c_str());
  return wklib::string(value);
}

int install_settings::read_int(const char* section, const char* key) const {
  return static_cast<int>(GetPrivateProfileIntA(section, key, 0, ini_path_.c_str()));
}

void install_settings::load_settings() {
  tex_url_ = read_text("TeXURL", "URL");
  tex_url_from_list_ = read_int("TeXURL", "IsUrlList") != 0;
  save_dir_ = read_text("Dir", "Hozon");
  install_dir_ = read_text("Dir", "Install");
  proxy_ = read_text("Connect", "Proxy");
  port_ = read_int("Connect", "Port");
  tex_pattern_ = read_text("Reg", "texinst");
  dviout_url_ = read_text("DVIOUTURL", "URL");
  dviout_url_from_list_ = read_int("DVIOUTURL", "IsUrlList") != 0;
  gs_url_ = read_text("GSURL", "URL");
  gs_url_from_list_ = read_int("GSURL", "IsUrlList") != 0;
  gsview_url_ = read_text("GVURL", "URL");
  gsview_url_from_list_ = read_int("GVURL", "IsUrlList") != 0;
  dviout_pattern_ = read_text("Reg", "DVIOUT");
  gs_pattern_ = read_text("Reg", "GS");
  gsview_pattern_ = read_text("Reg", "GV");
  dviout_dir_ = read_text("Dir", "DVIOUT");
  install_downloaded_ = read_int("TeX", "DLInst") != 0;
  delete_cache_ = read_int("Connect", "DeleteCache") != 0;
  use_network_ = read_int("Connect", "UseNetwork") != 0;
}

void install_settings::write_text(const char* section, const char* key, const char* value) {
  WritePrivateProfileStringA(section, key, value, ini_path_.c_str());
}

void install_settings::write_flag(const char* section, const char* key, bool value) {
  write_text(section, key, value ? "1" : "0");
}

void install_settings::write_terminated(const char* section, const char* key,
                                        const wklib::string& value, char terminator) {
  wklib::string text(value);
  // A final 0x5C that is the trail byte of a character (表 is 0x95 0x5C) does not
  // end the directory: without the separator, "d:\表" + "file" would name "d:\表file".
  int last = text.length() - 1;
  if (!text.empty() && (text.back() != terminator || wklib::is_trail_position(text.c_str(), last)))
    text.append(terminator);
  write_text(section, key, text.c_str());
}

void install_settings::set_tex_url(const wklib::string& url) {
  write_terminated("TeXURL", "URL", url, '/');
}
void install_settings::set_tex_url_from_list(bool v) { write_flag("TeXURL", "IsUrlList", v); }
void install_settings::set_save_dir(const wklib::string& dir) {
  write_terminated("Dir", "Hozon", dir, '\\');
}
void install_settings::set_install_dir(const wklib::string& dir) {
  write_terminated("Dir", "Install", dir, '\\');
}
void install_settings::set_proxy(const wklib::string& proxy) {
  write_text("Connect", "Proxy", proxy.c_str());
}
void install_settings::set_port(int port) {
  char text[16];
  std::snprintf(text, sizeof text, "%d", port);
  write_text("Connect", "Port", text);
}
void install_settings::set_tex_pattern(const wklib::string& p) {
  write_text("Reg", "texinst", p.c_str());
}
void install_settings::set_dviout_url(const wklib::string& url) {
  write_terminated("DVIOUTURL", "URL", url, '/');
}
void install_settings::set_dviout_url_from_list(bool v) { write_flag("DVIOUTURL", "IsUrlList", v); }
void install_settings::set_gs_url(const wklib::string& url) {
  write_terminated("GSURL", "URL", url, '/');
}
void install_settings::set_gs_url_from_list(bool v) { write_flag("GSURL", "IsUrlList", v); }
void install_settings::set_gsview_url(const wklib::string& url) {
  write_terminated("GVURL", "URL", url, '/');
}
void install_settings::set_gsview_url_from_list(bool v) { write_flag("GVURL", "IsUrlList", v); }
void install_settings::set_dviout_pattern(const wklib::string& p) {
  write_text("Reg", "DVIOUT", p.c_str());
}
void install_settings::set_gs_pattern(const wklib::string& p) {
  write_text("Reg", "GS", p.c_str());
}
void install_settings::set_gsview_pattern(const wklib::string& p) {
  write_text("Reg", "GV", p.c_str());
}
void install_settings::set_dviout_dir(const wklib::string& dir) {
  write_text("Dir", "DVIOUT", dir.c_str());
}
void install_settings::set_install_downloaded(bool v) { write_flag("TeX", "DLInst", v); }
void install_settings::set_delete_cache(bool v) { write_flag("Connect", "DeleteCache", v); }
void install_settings::set_use_network(bool v) { write_flag("Connect", "UseNetwork", v); }

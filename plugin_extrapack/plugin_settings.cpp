#include "plugin_extrapack/plugin_settings.h"

#include <cstdio>

#include "plugin_extrapack/package_host.h"

const char package_section[] = "jsclasses";
const char archive_file_name[] = "jsclasses.zip";
const char default_package_url[] = "http://" JSCLASSES_PAGE_HOST JSCLASSES_PAGE_PATH;

namespace {

const int text_buffer_size = 4095;

}  // namespace

plugin_settings::plugin_settings() { InitializeCriticalSection(&log_lock_); }

plugin_settings::~plugin_settings() { DeleteCriticalSection(&log_lock_); }

void plugin_settings::set_paths(const char* ini_path, const char* log_path) {
  ini_path_ = ini_path;
  log_path_ = log_path;
}

void plugin_settings::write_defaults() const {
  if (read_text(package_section, "URL").empty())
    write_text(package_section, "URL", default_package_url);
  if (read_text(package_section, "target").empty()) set_target("share\\texmf-local\\");
}

wklib::string plugin_settings::read_text(const char* section, const char* key) const {
  wklib::string value;
  const DWORD length = GetPrivateProfileStringA(section, key, "", value.buffer(text_buffer_size),
                                                text_buffer_size, ini_path_.c_str());
  value.set_length(static_cast<int>(length));
  return value;
}

int plugin_settings::read_number(const char* section, const char* key) const {
  return static_cast<int>(GetPrivateProfileIntA(section, key, 0, ini_path_.c_str()));
}

void plugin_settings::write_text(const char* section, const char* key,
                                 const wklib::string& value) const {
  WritePrivateProfileStringA(section, key, value.c_str(), ini_path_.c_str());
}

void plugin_settings::set_target(const wklib::string& value) const {
  wklib::string target = value;
  // A final 0x5C that is the second byte of ソ or 表 is no separator.
  const int last = target.length() - 1;
  if (last >= 0 && (target[last] != '\\' || wklib::is_trail_position(target.c_str(), last)))
    target += '\\';
  if (!target.empty() && target[0] == '\\') target.erase(0, 1);
  write_text(package_section, "target", target);
}

void plugin_settings::append_log(const wklib::string& line) const {
  EnterCriticalSection(&log_lock_);
  if (FILE* log = std::fopen(log_path_.c_str(), "a+")) {
    std::fprintf(log, "%s\n", line.c_str());
    std::fclose(log);
  }
  LeaveCriticalSection(&log_lock_);
}

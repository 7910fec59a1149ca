// The surroundings of one step under test: settings and log in a scratch
// directory, a running text recorded instead of shown (with a cancel that comes
// once a given text was shown), and saved registry values, variables and files
// that are put back at the end.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "install/step_context.h"
#include "tests/common/scratch.h"

struct recording_sink : progress_sink {
  std::string text;
  std::string cancel_after;  // empty: never
  HWND owner = nullptr;
  void append(const char* more) override { text += more; }
  void clear() override { text.clear(); }
  bool cancelled() const override {
    return !cancel_after.empty() && text.find(cancel_after) != std::string::npos;
  }
  HWND window() const override { return owner; }
};

inline void WINAPI fixed_clock(SYSTEMTIME* time) { *time = SYSTEMTIME{2024, 1, 1, 1, 0, 0, 0, 0}; }

// Settings with Hozon = <scratch>save\ and Install = <scratch>tex\.
struct step_run {
  explicit step_run(const char* name)
      : dir(name), settings((dir / "tamari3.exe").c_str(), fixed_clock) {
    CreateDirectoryA(save().c_str(), nullptr);
    settings.set_save_dir(save().c_str());
    settings.set_install_dir(tex().c_str());
    settings.load_settings();
    SetEnvironmentVariableA("TAMARI_FIXTURE_LOG", (dir / "commands.log").c_str());
  }
  ~step_run() { SetEnvironmentVariableA("TAMARI_FIXTURE_LOG", nullptr); }
  std::string save() const { return dir / "save\\"; }
  std::string tex() const { return dir / "tex\\"; }
  // The log's lines after its start header.
  std::vector<std::string> log() const {
    std::vector<std::string> lines = read_lines(settings.log_path().c_str());
    if (!lines.empty()) lines.erase(lines.begin());
    return lines;
  }
  // The fixture programs' starts: program|directory|command line.
  std::vector<std::string> commands() const { return read_lines(dir / "commands.log"); }

  scratch_directory dir;
  install_settings settings;
  install_state state;
  recording_sink sink;
  step_context context{settings, state, sink, {}};
};

// A registry string value (or its absence) put back at the end.
class saved_value {
 public:
  saved_value(HKEY root, const char* key, const char* name) : root_(root), key_(key), name_(name) {
    HKEY opened;
    if (RegOpenKeyExA(root, key, 0, KEY_READ, &opened) != ERROR_SUCCESS) return;
    char data[32768];
    DWORD size = sizeof data;
    had_ = RegQueryValueExA(opened, name, nullptr, &type_, reinterpret_cast<BYTE*>(data), &size) ==
           ERROR_SUCCESS;
    if (had_) data_.assign(data, size);
    RegCloseKey(opened);
  }
  ~saved_value() {
    HKEY opened;
    if (RegCreateKeyExA(root_, key_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &opened,
                        nullptr) != ERROR_SUCCESS)
      return;
    if (had_)
      RegSetValueExA(opened, name_.c_str(), 0, type_, reinterpret_cast<const BYTE*>(data_.data()),
                     static_cast<DWORD>(data_.size()));
    else
      RegDeleteValueA(opened, name_.c_str());
    RegCloseKey(opened);
  }

 private:
  HKEY root_;
  std::string key_, name_, data_;
  DWORD type_ = REG_SZ;
  bool had_ = false;
};

// A variable of this process, or a file, put back at the end.
class saved_variable {
 public:
  explicit saved_variable(const char* name, const char* value = nullptr) : name_(name) {
    char buffer[32768];
    DWORD length = GetEnvironmentVariableA(name, buffer, sizeof buffer);
    had_ = length > 0 && length < sizeof buffer;
    if (had_) value_.assign(buffer, length);
    SetEnvironmentVariableA(name, value);
  }
  ~saved_variable() { SetEnvironmentVariableA(name_.c_str(), had_ ? value_.c_str() : nullptr); }

 private:
  std::string name_, value_;
  bool had_;
};

class saved_file {
 public:
  explicit saved_file(std::string path) : path_(std::move(path)), had_(exists(path_)) {
    if (had_) content_ = read_file(path_);
    DeleteFileA(path_.c_str());
  }
  ~saved_file() {
    if (had_)
      write_file(path_, content_);
    else
      DeleteFileA(path_.c_str());
  }

 private:
  std::string path_;
  bool had_;
  std::string content_;
};

// Windows' Uninstall key and the value every entry has.
const char uninstall_root[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
inline void register_product(const std::string& name, const std::string& command) {
  HKEY key;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, (uninstall_root + name).c_str(), 0, nullptr, 0,
                      KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
    return;
  RegSetValueExA(key, "UninstallString", 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                 static_cast<DWORD>(command.size() + 1));
  RegCloseKey(key);
}
inline bool product_registered(const std::string& name) {
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, (uninstall_root + name).c_str(), 0, KEY_READ, &key))
    return false;
  RegCloseKey(key);
  return true;
}
inline void unregister_products(std::initializer_list<const char*> names) {
  for (const char* name : names) RegDeleteKeyA(HKEY_LOCAL_MACHINE, (uninstall_root + std::string(name)).c_str());
}

// The Windows path of a fixture program (its build tree path is a Unix one).
inline std::string program_path(const char* unix_path) {
  std::string path = std::string("Z:") + unix_path;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

// A command that run_probe answers with `code`, leaving `report` behind.
inline std::string probe_command(int code, const std::string& report) {
  return "\"" + program_path(RUN_PROBE_PATH) + "\" " + std::to_string(code) + " \"" + report + "\"";
}

// The surroundings of one step under test: settings and log in a scratch
// directory, a running text recorded instead of shown (with a cancel that comes
// once a given text was shown), and registry values, variables and files put
// back at the end.
#pragma once

#include <windows.h>

#include <cstring>
#include <functional>
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

inline std::string replaced(std::string text, const std::string& mark, const std::string& by) {
  for (size_t at = 0; (at = text.find(mark, at)) != std::string::npos; at += by.size())
    text.replace(at, mark.size(), by);
  return text;
}

// Runs `undo` at the end of the scope (a moved-from one does nothing).
struct at_end {
  std::function<void()> undo;
  at_end(std::function<void()> then) : undo(std::move(then)) {}
  at_end(at_end&& other) : undo(std::move(other.undo)) { other.undo = nullptr; }
  ~at_end() {
    if (undo) undo();
  }
};

// A registry value's text, "<none>" or "<no key>"; read without the code under test.
inline std::string reg_text(HKEY root, const std::string& key, const char* name,
                            DWORD* type = nullptr) {
  HKEY opened;
  if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &opened)) return "<no key>";
  char data[32768];
  DWORD size = sizeof data, kind = 0;
  LONG got = RegQueryValueExA(opened, name, nullptr, &kind, reinterpret_cast<BYTE*>(data), &size);
  RegCloseKey(opened);
  if (type) *type = kind;
  return got ? "<none>" : std::string(data, strnlen(data, size));
}

// Sets a value (a text with its NUL, unless a size is given), or deletes it when `data` is null.
inline void reg_set(HKEY root, const std::string& key, const char* name, const char* data,
                    DWORD type = REG_SZ, DWORD size = 0) {
  HKEY opened;
  if (RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &opened, nullptr))
    return;
  if (data)
    RegSetValueExA(opened, name, 0, type, reinterpret_cast<const BYTE*>(data),
                   size ? size : static_cast<DWORD>(std::strlen(data) + 1));
  else
    RegDeleteValueA(opened, name);
  RegCloseKey(opened);
}

// A registry value, a variable of this process, or a file, put back at the end.
inline at_end saved_value(HKEY root, const std::string& key, const std::string& name) {
  HKEY opened;
  char data[32768];
  DWORD size = sizeof data, type = REG_SZ;
  bool had = !RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &opened);
  if (had) {
    had = !RegQueryValueExA(opened, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data),
                            &size);
    RegCloseKey(opened);
  }
  std::string old(data, had ? size : 0);
  return {[=] { reg_set(root, key, name.c_str(), had ? old.data() : nullptr, type, size); }};
}
inline at_end saved_variable(const std::string& name, const char* value = nullptr) {
  char old[32768];
  DWORD length = GetEnvironmentVariableA(name.c_str(), old, sizeof old);
  bool had = length > 0 && length < sizeof old;
  std::string kept(old, had ? length : 0);
  SetEnvironmentVariableA(name.c_str(), value);
  return {[=] { SetEnvironmentVariableA(name.c_str(), had ? kept.c_str() : nullptr); }};
}
inline at_end saved_file(const std::string& path) {
  bool had = exists(path);
  std::string content = read_file(path);
  DeleteFileA(path.c_str());
  return {[=] {
    if (had)
      write_file(path, content);
    else
      DeleteFileA(path.c_str());
  }};
}

const char system_environment[] =
    "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";
const char autoexec[] = "C:\\autoexec.bat";

// Windows' Uninstall key, with the value every entry has.
const std::string uninstall_root = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
inline void register_product(const std::string& name, const std::string& command) {
  reg_set(HKEY_LOCAL_MACHINE, uninstall_root + name, "UninstallString", command.c_str());
}
inline bool product_registered(const std::string& name) {
  return reg_text(HKEY_LOCAL_MACHINE, uninstall_root + name, "") != "<no key>";
}
inline void unregister_products(std::initializer_list<const char*> names) {
  for (const char* name : names) RegDeleteKeyA(HKEY_LOCAL_MACHINE, (uninstall_root + name).c_str());
}

// The Windows path of a fixture program (its build tree path is a Unix one).
inline std::string program_path(const char* unix_path) {
  return replaced(std::string("Z:") + unix_path, "/", "\\");
}

// A command that run_probe answers with `code`, leaving `report` behind.
inline std::string probe_command(int code, const std::string& report) {
  return "\"" + program_path(RUN_PROBE_PATH) + "\" " + std::to_string(code) + " \"" + report + "\"";
}

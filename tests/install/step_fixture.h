// The surroundings of one step under test: settings and log in a scratch directory, a running text
// recorded instead of shown (with a cancel once a given text was shown), registry values, variables
// and files put back at the end; and the tables of the steps' cases, run row by row.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "install/step_context.h"
#include "system/file_system.h"
#include "system/process.h"
#include "system/registry.h"
#include "tests/archive/zip_builder.h"
#include "tests/common/scratch.h"

struct recording_sink : progress_sink {
  std::string text;
  std::string cancel_after;  // empty: never
  void append(const char* more) override { text += more; }
  void clear() override { text.clear(); }
  bool cancelled() const override {
    return !cancel_after.empty() && text.find(cancel_after) != std::string::npos;
  }
  HWND window() const override { return nullptr; }
};

inline void WINAPI fixed_clock(SYSTEMTIME* time) { *time = SYSTEMTIME{2024, 1, 1, 1, 0, 0, 0, 0}; }

inline std::string replaced(std::string text, const std::string& mark, const std::string& by) {
  for (size_t at = 0; (at = text.find(mark, at)) != std::string::npos; at += by.size())
    text.replace(at, mark.size(), by);
  return text;
}

// A registry value read without the code under test: its text (a DWORD in decimal), "<none>" or
// "<no key>".
inline std::string reg_text(HKEY root, const std::string& key, const char* name,
                            DWORD* type = nullptr) {
  HKEY opened;
  if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &opened)) return "<no key>";
  char data[32768];
  DWORD size = sizeof data, kind = 0;
  LONG got = RegQueryValueExA(opened, name, nullptr, &kind, reinterpret_cast<BYTE*>(data), &size);
  RegCloseKey(opened);
  if (type) *type = kind;
  if (!got && kind == REG_DWORD) return std::to_string(*reinterpret_cast<DWORD*>(data));
  return got ? "<none>" : std::string(data, strnlen(data, size));
}

// Sets a text value, or deletes it when `data` is null, through the program's registry functions.
inline void reg_set(HKEY root, const std::string& key, const char* name, const char* data,
                    DWORD type = REG_SZ) {
  if (data)
    reg_write_string(root, key.c_str(), name, data, type == REG_EXPAND_SZ);
  else
    reg_delete_value(root, (key + "\\" + name).c_str());
}

const char system_environment[] =
    "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";
const char autoexec[] = "C:\\autoexec.bat";
const char para0[] = "Software\\TOMOE\\DVIOUT\\para0";
const std::string uninstall_root = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

inline std::string dviout_start_menu() {
  char folder[MAX_PATH + 16] = "";
  return programs_folder(folder) ? std::string(folder) + "dviout\\" : std::string();
}

// What earlier runs may have left of GhostScript, GSview and dviout.
inline void remove_traces() {
  for (const char* name :
       {"AFPL Ghostscript 8.14", "AFPL Ghostscript Fonts", "AFPL Ghostscript 8.13", "GSview 4.5",
        "GSview 4.6", "GSview 4.6 (Japanese)", "GSview 4.8"})
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, (uninstall_root + name).c_str());
  reg_delete_key_tree(HKEY_CURRENT_USER, "Software\\TOMOE");
  for (const char* key : {".dvi", "dvifile"}) reg_delete_key_tree(HKEY_CLASSES_ROOT, key);
  if (!dviout_start_menu().empty()) remove_directory_tree(dviout_start_menu().c_str());
}

// The Windows path of a fixture program (its build tree path is a Unix one).
inline std::string program_path(const char* unix_path) {
  return replaced(std::string("Z:") + unix_path, "/", "\\");
}
inline std::string program_bytes(const char* unix_path) {
  return read_file(program_path(unix_path));
}
// Runs a test installer, which registers its products.
inline void run_installer(const char* unix_path) {
  run_and_wait(("\"" + program_path(unix_path) + "\"").c_str(), "", false);
}

// Settings with Hozon = <dir>save\ and Install = <dir>tex\; the test installers install under
// <dir>programs\. Nothing of GhostScript, GSview or dviout is registered at the start, nor left at
// the end.
struct step_run {
  explicit step_run(const char* name)
      : dir(name), settings((dir / "tamari3.exe").c_str(), fixed_clock) {
    remove_traces();
    CreateDirectoryA(save().c_str(), nullptr);
    settings.set_save_dir(save().c_str());
    settings.set_install_dir(tex().c_str());
    settings.load_settings();
    set_variable("TAMARI_FIXTURE_LOG", (dir / "commands.log").c_str());
    set_variable("TAMARI_FIXTURE_ROOT", (dir / "programs\\").c_str());
  }
  ~step_run() {
    remove_traces();
    for (auto again = undo.rbegin(); again != undo.rend(); ++again) (*again)();
  }
  std::string save() const { return dir / "save\\"; }
  std::string tex() const { return dir / "tex\\"; }
  // An expected text with <save>, <tex>, <dir>, <menu> (dviout's Start-menu folder) and <probe> put
  // in.
  std::string expand(const std::string& text) const {
    std::string places = replaced(replaced(text, "<save>", save()), "<tex>", tex());
    places = replaced(places, "<menu>", dviout_start_menu());
    return replaced(replaced(places, "<dir>", dir.path()), "<probe>", program_path(RUN_PROBE_PATH));
  }
  // The log's lines after its start header.
  std::vector<std::string> log() const {
    std::vector<std::string> lines = read_lines(settings.log_path().c_str());
    if (!lines.empty()) lines.erase(lines.begin());
    return lines;
  }

  // Setting up, in places written as in the expected texts; all is put back at the end.
  void set_variable(const char* name, const char* value) {
    char old[32768];
    DWORD length = GetEnvironmentVariableA(name, old, sizeof old);
    const bool had = length > 0 && length < sizeof old;
    const std::string kept(old, had ? length : 0), variable = name;
    undo.push_back(
        [=] { SetEnvironmentVariableA(variable.c_str(), had ? kept.c_str() : nullptr); });
    SetEnvironmentVariableA(name, value);
  }
  void set_value(HKEY root, const std::string& key, const char* name, const char* value) {
    DWORD type = REG_SZ;
    const std::string old = reg_text(root, key, name, &type), value_name = name;
    const bool had = old != "<none>" && old != "<no key>";
    undo.push_back(
        [=] { reg_set(root, key, value_name.c_str(), had ? old.c_str() : nullptr, type); });
    reg_set(root, key, name, value);
  }
  // A file outside the scratch directory is deleted at the end, or gets its old content back.
  void set_file(const std::string& path, const std::string& content) {
    const std::string place = expand(path), old = read_file(place);
    const bool had = exists(place);
    if (place.find(dir.path()) != 0)
      undo.push_back(
          [=] { had ? (void)write_file(place, old) : (void)DeleteFileA(place.c_str()); });
    create_directory_chain(place.c_str());
    write_file(place, content);
  }
  void set_zip(const std::string& path, const std::string& entry, const std::string& content) {
    zip_builder zip;
    zip.add(entry, content);
    set_file(path, zip.build());
  }
  // A run_probe answering `code` as the uninstaller of `name`; it reports in <dir><name>.
  void set_uninstaller(const std::string& name, int code) {
    const std::string command =
        "\"" + program_path(RUN_PROBE_PATH) + "\" " + std::to_string(code) + " \"" + (dir / name)
            + "\"";
    reg_set(HKEY_LOCAL_MACHINE, uninstall_root + name, "UninstallString", command.c_str());
  }

  scratch_directory dir;
  install_settings settings;
  install_state state;
  recording_sink sink;
  step_context context{settings, state, sink, {}};
  std::vector<std::function<void()>> undo;
};

// A row of a step's table: the setup, then what the running text, the log and the step's field
// read, what the step answered, and what else holds: "file P", "file P=CONTENT", "file P!=CONTENT",
// "no file P", "product NAME", "no product NAME", "env NAME=VALUE", "HKCU\KEY|NAME=VALUE" (HKLM,
// HKCR likewise; with "REG_EXPAND_SZ " before it, of that type), and "restart" when the step asks
// for one (none asked for otherwise). Places are written as in the texts.
struct step_row {
  const char* what;
  std::function<void(step_run&)> setup;
  std::string text;
  std::vector<std::string> log;
  const char* result;
  bool returned;
  std::vector<std::string> checks;
};

inline void expect_holds(const step_run& run, const std::string& check) {
  std::string c = run.expand(check);
  const bool expand_sz = c.compare(0, 14, "REG_EXPAND_SZ ") == 0, no = c.compare(0, 3, "no ") == 0;
  c.erase(0, expand_sz ? 14 : no ? 3 : 0);
  const size_t equals = c.find('=');
  const bool unlike = equals != std::string::npos && c[equals - 1] == '!';
  const std::string subject = c.substr(0, equals - unlike), value = c.substr(equals + 1);
  if (c.compare(0, 5, "file ") == 0) {
    const std::string path = subject.substr(5), content = read_file(path);
    EXPECT_EQ(!no, exists(path)) << check;
    EXPECT_TRUE(equals == std::string::npos || unlike != (content == value))
        << check << ", got " << content;
  } else if (c.compare(0, 8, "product ") == 0) {
    EXPECT_EQ(no, reg_text(HKEY_LOCAL_MACHINE, uninstall_root + c.substr(8), "") == "<no key>")
        << check;
  } else if (c.compare(0, 4, "env ") == 0) {
    char got[4096] = "";
    GetEnvironmentVariableA(subject.substr(4).c_str(), got, sizeof got);
    EXPECT_EQ(value, got) << check;
  } else if (c.compare(0, 2, "HK") == 0) {
    const HKEY root = c[3] == 'U'   ? HKEY_CURRENT_USER
                      : c[2] == 'L' ? HKEY_LOCAL_MACHINE
                                    : HKEY_CLASSES_ROOT;
    const size_t bar = c.find('|');
    DWORD type = 0;
    EXPECT_EQ(value, reg_text(root, c.substr(5, bar - 5), subject.substr(bar + 1).c_str(), &type))
        << check;
    EXPECT_TRUE(!expand_sz || type == REG_EXPAND_SZ) << check << ", got type " << type;
  } else {
    ADD_FAILURE() << "unknown check " << check;
  }
}

inline void expect_checks(const step_run& run, const std::vector<std::string>& checks) {
  for (const std::string& check : checks)
    if (check != "restart") expect_holds(run, check);
  EXPECT_EQ(std::count(checks.begin(), checks.end(), "restart") > 0, run.state.restart_needed);
}

// Runs `step` once for each row, in a fresh scratch directory, with its field set to キャンセル
// beforehand.
inline void run_rows(const std::function<bool(step_context&)>& step,
                     wklib::string step_results::*field, const std::vector<step_row>& rows) {
  for (const step_row& row : rows) {
    SCOPED_TRACE(row.what);
    step_run run("step");
    run.state.step_results.*field = "キャンセル";
    if (row.setup) row.setup(run);
    const bool returned = step(run.context);
    EXPECT_EQ(run.expand(row.text), run.sink.text);
    std::vector<std::string> log;
    for (const std::string& line : row.log) log.push_back(run.expand(line));
    EXPECT_EQ(log, run.log());
    EXPECT_STREQ(row.result, (run.state.step_results.*field).c_str());
    EXPECT_EQ(row.returned, returned);
    expect_checks(run, row.checks);
  }
}

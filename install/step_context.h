// What every installation step works with: the settings and the state it reads
// and fills in, the progress dialog it reports to, and the cancel flag. Each
// step reports in three places: the dialog's running text, the log, and its
// field of step_results; a failed step never stops the run, only cancel does.
#pragma once

#include <windows.h>

#include "state/install_settings.h"
#include "state/install_state.h"
#include "support/string.h"

// The result texts of the finish page.
extern const char result_success[];        // 成功
extern const char result_failure[];        // 失敗
extern const char result_cancelled[];      // キャンセル
extern const char result_not_installed[];  // インストールしてない
extern const char result_not_needed[];     // 不要

// Where a step's running text goes: the installation dialog, or a test's record.
class progress_sink {
 public:
  virtual ~progress_sink() = default;
  // Adds `text` to the running text and shows the whole of it.
  virtual void append(const char* text) = 0;
  // Empties the running text.
  virtual void clear() = 0;
  virtual bool cancelled() const = 0;
  // The owner of the step's message boxes and dialogs (may be null).
  virtual HWND window() const = 0;
};

struct step_context {
  install_settings& settings;
  install_state& state;
  progress_sink& progress;
  // Found once in a run by find_ghostscript_dir, with a trailing backslash;
  // the PATH step and dviout's "gsx" use it.
  wklib::string ghostscript_dir;

  void show(const char* text) { progress.append(text); }
  void show(const wklib::string& text) { progress.append(text.c_str()); }
  void log(const wklib::string& line) { settings.append_log(line); }
  void log(const char* line) { settings.append_log(line); }
  bool cancelled() const { return progress.cancelled(); }
  HWND window() const { return progress.window(); }
  step_results& results() { return state.step_results; }

  // The common end of a failing step: the log line (none when empty), the
  // step's field (none when null) set to 失敗, and 失敗 on the running text.
  // Answers false, which is what the step then returns.
  bool fail(const wklib::string& log_line, wklib::string* field = nullptr);
  // The common end of a successful one: 成功 in the field and on the running
  // text, then the log line.
  bool succeed(const wklib::string& log_line, wklib::string* field = nullptr);
};

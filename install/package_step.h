// The one shape of the four package steps (W32TeX, GhostScript, GSview,
// dviout): whether the user chose a file for it, whether an older copy is
// registered, and its uninstall, install and configure operations, each taking
// the step context. run_package walks every package through the same course.
#pragma once

#include "install/step_context.h"
#include "state/install_state.h"

enum class step_outcome { go_on, cancelled };

struct package_step {
  // Whether the user chose its file; if not, its fields read インストールしてない.
  bool (*chosen)(const install_state& state);
  wklib::string step_results::*fields[2];  // the second may be null
  // An older copy registered with Windows; null: the package is never replaced.
  bool (*installed)(step_context& context);
  const char* replace_question;  // asked with Yes, No and Cancel
  bool (*uninstall)(step_context& context);
  const char* uninstall_failure;  // the box shown when uninstalling failed
  bool (*install)(step_context& context);
  bool (*configure)(step_context& context);  // null: nothing to configure
  // Lines the driver logs around the installation (null: the step logs its own).
  const char* start_log;
  const char* end_log;
};

// An older copy: Yes uninstalls it first, No installs over it, Cancel leaves the
// package alone. A failed uninstallation skips the package; a cancel noticed
// after the uninstallation or a successful installation ends the run.
step_outcome run_package(step_context& context, const package_step& package);

// The Yes/No/Cancel question, owned by the progress dialog, caption "tamari3";
// answers one of wklib::message_box_answer.
int ask_replace(step_context& context, const char* question);

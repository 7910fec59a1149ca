// The products registered under Windows' Uninstall key, as GhostScript and
// GSview find and remove their older versions.
#pragma once

#include <initializer_list>
#include <vector>

#include "install/step_context.h"

extern const char uninstall_key[];  // SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall

// The names of the sub-keys that one of `patterns` matches whole, in
// enumeration order. False when the Uninstall key cannot be opened.
bool find_uninstall_entries(std::initializer_list<const char*> patterns,
                            std::vector<wklib::string>& names);

// Runs the UninstallString of each entry in turn, in the save directory with a
// visible window. The first that cannot be read or fails ends the run with
// false: its log line ("レジストリを開けませんでした．", or the command line and
// `run_failure`) and 失敗 on the running text.
bool run_uninstallers(step_context& context, const std::vector<wklib::string>& names,
                      const char* run_failure);

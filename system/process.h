// Starting another program and waiting for it.
#pragma once

#include "support/string.h"

// Runs `command_line` in `working_directory` (one trailing backslash is
// removed; empty: the installer's own directory) with a visible window when
// `show` is true, a hidden one otherwise, and the installer's current
// environment. Waits without a time limit for the program to end. True exactly
// when it could be started and ended with exit code 0.
bool run_and_wait(const wklib::string& command_line, const wklib::string& working_directory,
                  bool show);

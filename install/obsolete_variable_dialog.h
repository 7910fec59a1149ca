// Dialog 112, 環境変数のチェック: the obsolete variables that are set in the
// installer's environment, each with its value and a ticked check box.
#pragma once

#include <windows.h>

#include <vector>

#include "state/install_settings.h"

// Runs the dialog over `parent` with `message` above the list. OK deletes the
// ticked variables (delete_env_variable) and answers true when there was one;
// キャンセル and the close box delete nothing and answer false.
bool obsolete_variable_dialog(HWND parent, install_settings& settings,
                              const std::vector<const char*>& names, const char* message);

// Installing the downloaded package: the archive in the save directory is
// unpacked into the platform-LaTeX class directory of the local TeX tree, with
// the outcome appended to the host's installation progress text.
#pragma once

#include <windows.h>

#include "plugin_extrapack/plugin_settings.h"

// `progress_window`: the host's installation dialog; it owns the extraction
// dialog and receives the progress texts. True when the archive was unpacked.
bool install_package(const plugin_settings& settings, HWND progress_window);

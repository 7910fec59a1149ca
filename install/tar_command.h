// The command line that unpacks one W32TeX archive with the distribution's own
// tar.exe, copied into the installation directory. Portable, tested natively.
#pragma once

#include "support/string.h"

// "<install_dir>tar.exe" zxvf "<archive>", or jxvf for a name ending in bz2 (any
// case). The archive's backslashes become slashes; its double-byte characters
// stay whole. `install_dir` ends with a backslash.
wklib::string tar_command_line(const wklib::string& install_dir, const wklib::string& archive);

// The part of `path` after its last backslash.
wklib::string file_name_of(const wklib::string& path);

// Unpacking the W32TeX information archive below the save directory.
#pragma once

#include "support/string.h"

// Empties save_dir + "texinst\" and extracts save_dir + `archive_name` into it.
bool unpack_info_archive(const wklib::string& save_dir, const wklib::string& archive_name);

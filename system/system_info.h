// What the installer asks about the running system: the Windows family and the
// installer's own environment.
#pragma once

#include "support/string.h"

// True on the Windows NT family; false on Windows 95, 98 and Me, where the
// environment lives in autoexec.bat instead of the registry.
bool is_nt_family();

// The value of variable `name` in the installer's own environment; the empty
// text when it is not set.
wklib::string get_env(const char* name);

// The Windows directory with forward slashes (C:\WINDOWS gives C:/WINDOWS).
wklib::string windir_with_slashes();

// The environment's texts, apart from where they are read and written: the
// boot batch file's set lines and PATH values. Portable, tested natively.
#pragma once

#include <vector>

#include "support/string.h"

// The boot batch file of Windows 9x: the root of the drive that holds the
// Windows directory (C:\WINDOWS gives C:\autoexec.bat). Empty for an empty windir.
wklib::string autoexec_path(const wklib::string& windir);

// `text` without the lines that set variable `name` ("set TEXMF=...", any case,
// spaces allowed before "set", around the name and before "="); every other line
// stays byte for byte with its own line end. Answers how many lines went.
int remove_set_lines(const wklib::string& text, const char* name, wklib::string& kept);

// A system PATH value with `directory` added at its end: a ";" first unless the
// value is empty or already ends with one, and a ";" after it.
wklib::string path_value_with(const wklib::string& value, const wklib::string& directory);

// The line that extends PATH on Windows 9x: set PATH="%PATH%";a;b
wklib::string autoexec_path_line(const std::vector<wklib::string>& directories);

// The pieces joined with `separator` between them.
wklib::string joined(const std::vector<wklib::string>& pieces, const char* separator);

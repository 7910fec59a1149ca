// Files and directories as the installation steps need them. Directory
// arguments follow the installer's convention of a trailing backslash.
#pragma once

#include <cstdint>

#include "support/string.h"

// Creates every missing directory along `path` that ends before a backslash:
// c:\tex\share\ creates c:\tex and c:\tex\share, c:\tex\share only c:\tex. An
// existing prefix (even a file) is accepted. False when a directory cannot be
// made.
bool create_directory_chain(const wklib::string& path);

// Deletes `directory` (with a trailing backslash) and everything below it.
// Whatever cannot be deleted (a read-only file, and so its directories) stays;
// nothing is reported.
void remove_directory_tree(const wklib::string& directory);

// True when the file or directory exists.
bool file_exists(const wklib::string& path);

// The last-write time (a FILETIME as one number) of the first file that `pattern`
// finds; false when there is none.
bool file_write_time(const wklib::string& pattern, std::uint64_t& time);

// Fills `buffer` (at least MAX_PATH + 1 bytes, plus what the caller appends) with
// the all-users Start-menu programs folder, ending with a backslash.
bool programs_folder(char* buffer);

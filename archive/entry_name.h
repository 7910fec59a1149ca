// What an entry name of a zip archive may become on disk. Names arrive as the
// archive stores them (Shift_JIS, '/' between directories) from archives fetched
// over the network, so a name that would reach outside the destination directory
// is refused rather than trusted.
#pragma once

#include "support/string.h"

enum entry_kind {
  entry_file,       // write a file of this name
  entry_directory,  // the name ends with a separator: create the directory
  entry_refused,    // never written (see classify_entry_name)
};

// Turns every '/' of `name` into '\' (a '/' is never the second byte of a
// double-byte character) and tells what the name is. Refused: the empty name;
// a leading '\' (the root of a drive, a UNC path); a ':' (a drive letter, a
// stream); a component of dots and spaces holding two dots or more, which
// Windows reads as the parent directory; a device name (CON, NUL, COM1, ...);
// and bytes that are not valid Shift_JIS, which Windows might split otherwise
// than we do. Components are found with the Shift_JIS lead-byte rule: the 0x5C
// second byte of 表 or ソ is no separator.
entry_kind classify_entry_name(wklib::string& name);

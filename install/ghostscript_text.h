// GhostScript's texts: which uninstall entries are GhostScript's, where its
// uninstaller lives, and the CID font map entries for the Japanese fonts.
// Portable, tested natively.
#pragma once

#include "support/pattern_search.h"
#include "support/string.h"

// True when `finder` matches `name` from its first byte to its last
// (AFPL Ghostscript 8.14, but not AFPL Ghostscript 8.14 (Japanese)).
bool matches_whole_name(wklib::pattern_search& finder, const wklib::string& name);

// The uninstaller's file in an UninstallString: each space outside double
// quotes ends a candidate, tried without its quotes, as it is and with ".exe"
// (so C:\Program Files\gs\uninstgs.exe C:\Program Files\gs\gs8.14\uninstal.txt
// works unquoted). Empty when no candidate names a file.
using file_test = bool (*)(const wklib::string& path);
wklib::string uninstaller_file(const wklib::string& command_line, file_test exists);

// GhostScript's directory beside its uninstaller: the uninstaller's directory,
// "\gs", the version and a backslash (C:\gs\uninstgs.exe, 8.14: C:\gs\gs8.14\).
wklib::string ghostscript_dir_beside(const wklib::string& uninstaller, const wklib::string& version);

// What cidfmap gains: Ryumin-Light and GothicBBB-Medium on the TrueType fonts
// in `windir_slashes`/fonts. Lines end with "\n" (text mode makes CR LF).
wklib::string cidfmap_entries(const wklib::string& windir_slashes);

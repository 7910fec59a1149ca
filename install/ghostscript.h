// GhostScript: an older version registered with Windows is found and
// uninstalled on request; the new archive is unpacked into the save directory's
// GhostScript\ and its setupgs.exe run; the CID font map then gains the
// Japanese TrueType fonts.
#pragma once

#include "install/package_step.h"

// Whether an "AFPL Ghostscript <version>" entry is registered.
bool find_installed_ghostscript(step_context& context);
// Runs the uninstallers of every GhostScript and GhostScript Fonts entry.
bool uninstall_ghostscript(step_context& context);
// Points TMP and TEMP of the installer's environment, when they hold
// double-byte characters, at `save_dir` (or at windir\tmp when that holds them
// too), so that setupgs.exe finds an ASCII path. True when it changed one.
bool use_ascii_temp(const wklib::string& save_dir);
// Unpacks the archive and runs setupgs.exe; sets the ghostscript field.
bool install_ghostscript(step_context& context);
// The registered GhostScript's directory (C:\gs\gs8.14\), found once per run
// and kept in the context; empty when there is none.
wklib::string find_ghostscript_dir(step_context& context);
// Appends the font entries to lib\cidfmap; sets the ghostscript_settings field.
bool configure_ghostscript(step_context& context);

extern const package_step ghostscript_package;

// dviout: an earlier configuration is recognised and removed on request; the
// archive is unpacked where the user says; then dviout's registry settings,
// the .dvi association and the Start-menu shortcuts are filled in, keeping what
// the user already has.
#pragma once

#include "install/package_step.h"

// True when dviout's "TEXPK" or "TEXROOT" holds a value (reading creates the
// empty settings key when it is missing).
bool dviout_installed(step_context& context);
// Removes dviout's registry keys, the association and the Start-menu folder;
// its program files stay.
bool uninstall_dviout(step_context& context);
// Asks for the directory, stores it in the settings and unpacks the archive
// there; sets the dviout field.
bool install_dviout(step_context& context);
// Writes the missing settings, the association and the shortcuts; sets the
// dviout_settings field.
bool configure_dviout(step_context& context);

extern const package_step dviout_package;

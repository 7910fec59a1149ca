// GSview: an older version registered with Windows is uninstalled on request,
// then the downloaded self-installing program runs; its own windows do the rest.
#pragma once

#include "install/package_step.h"

// Whether a "GSview <version>" entry is registered.
bool find_installed_gsview(step_context& context);
// Runs the uninstaller of every such entry; true when all succeeded.
bool uninstall_gsview(step_context& context);
// Runs the installer in the save directory; sets the gsview field.
bool install_gsview(step_context& context);

extern const package_step gsview_package;

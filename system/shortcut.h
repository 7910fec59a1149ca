// Shell shortcuts (.lnk files) made through IShellLinkA.
#pragma once

#include "support/string.h"

// Writes the shortcut `link_path` to `target` with `arguments` and
// `working_directory`, shown in the default way. An existing file of that name is
// overwritten. COM is started and stopped around the call on this thread.
bool create_shortcut(const wklib::string& target, const wklib::string& arguments,
                     const wklib::string& working_directory, const wklib::string& link_path);

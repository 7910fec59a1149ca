// The module (program or plug-in) that holds the calling code. Both deliverables
// link the same library code, and each must load its own dialog templates.
#pragma once

#include <windows.h>

namespace wklib {

HINSTANCE own_module();

}  // namespace wklib

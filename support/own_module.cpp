#include "support/own_module.h"

namespace wklib {

HINSTANCE own_module() {
  // This function lies in the module's image, whose base is the module handle.
  MEMORY_BASIC_INFORMATION memory = {};
  if (!VirtualQuery(reinterpret_cast<const void*>(&own_module), &memory, sizeof memory))
    return GetModuleHandleA(nullptr);
  return static_cast<HINSTANCE>(memory.AllocationBase);
}

}  // namespace wklib

// The process-wide objects, in one file so their order of construction is fixed:
// the settings (whose construction writes the log's start header) come first and
// are destroyed last, so the empty line that ends a run is the last write of the log.
#include "state/install_settings.h"
#include "state/install_state.h"

namespace {
install_settings g_settings;
install_state g_state;
}  // namespace

install_settings& the_settings() { return g_settings; }
install_state& the_install_state() { return g_state; }

// Restarting Windows at the end of an installation that needs it.
#pragma once

// Enables the shutdown privilege where the system has one (NT family) and asks
// for a restart; `force` closes applications without asking them. 0 when the
// request was accepted, -1 when the privilege could not be enabled, otherwise
// the system's error code of the refused request.
int restart_windows(bool force);

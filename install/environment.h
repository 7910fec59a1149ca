// The environment of the whole system: PATH gains the new bin directories, and
// variables that older installations needed can be deleted. The NT family keeps
// them in the registry (announced by a broadcast); Windows 9x in autoexec.bat
// at the root of the Windows drive, read after a restart.
#pragma once

#include <vector>

#include "install/step_context.h"

// True when one of `names` has a non-empty value in the installer's own
// environment (the registry is not asked).
bool any_variable_set(const std::vector<const char*>& names);

// Deletes variable `name` from the system and user registry places (NT family)
// and its set lines from autoexec.bat (every family); reports through the log.
void delete_env_variable(install_settings& settings, const char* name);

// The PATH step: the installation directory's bin and, when the GhostScript
// directory was found in this run, GhostScript's bin, each only when the
// installer's PATH lacks it. Sets the environment field (不要 when nothing was
// needed); false when a registry access failed on NT.
bool add_directories_to_path(step_context& context);

// Tells running programs that the environment and the associations changed.
void broadcast_environment_change();

// The lists and questions of the two checks for obsolete variables.
struct obsolete_variables {
  std::vector<const char*> names;
  const char* message;
  const char* start_log;
  const char* end_log;
};
extern const obsolete_variables tex_variables;          // TEXMF, TEXMFMAIN, TEXMFCNF
extern const obsolete_variables ghostscript_variables;  // GS_LIB

// When one of the variables is set, offers them in dialog 112 between the two
// log lines; a deletion means a restart is needed.
void offer_obsolete_variables(step_context& context, const obsolete_variables& variables);

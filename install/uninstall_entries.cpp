#include "install/uninstall_entries.h"

#include <memory>

#include "install/ghostscript_text.h"
#include "system/process.h"
#include "system/registry.h"

const char uninstall_key[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

bool find_uninstall_entries(std::initializer_list<const char*> patterns,
                            std::vector<wklib::string>& names) {
  std::vector<wklib::string> all;
  if (!reg_list_subkeys(HKEY_LOCAL_MACHINE, uninstall_key, all)) return false;
  std::vector<std::unique_ptr<wklib::pattern_search>> finders;
  for (const char* pattern : patterns) finders.emplace_back(new wklib::pattern_search(pattern));
  for (const wklib::string& name : all) {
    for (auto& finder : finders) {
      if (matches_whole_name(*finder, name)) {
        names.push_back(name);
        break;
      }
    }
  }
  return true;
}

bool run_uninstallers(step_context& context, const std::vector<wklib::string>& names,
                      const char* run_failure) {
  for (const wklib::string& name : names) {
    wklib::string key = wklib::string(uninstall_key) + "\\" + name;
    wklib::string command;
    if (!reg_read_string(HKEY_LOCAL_MACHINE, key.c_str(), "UninstallString", command))
      return context.fail("レジストリを開けませんでした．");
    if (!run_and_wait(command, context.settings.save_dir(), true))
      return context.fail(command + run_failure);
  }
  return true;
}

#include "install/environment.h"

#include <shlobj.h>

#include <cstdio>
#include <vector>

#include "install/env_text.h"
#include "install/obsolete_variable_dialog.h"
#include "system/path_text.h"
#include "system/registry.h"
#include "system/system_info.h"

namespace {

const char system_environment_key[] =
    "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";

// The whole file, bytes as they are: a line end or a final ^Z of DOS is kept.
bool read_whole_file(const wklib::string& path, wklib::string& text) {
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return false;
  text.clear();
  char buffer[4096];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
    text.append(buffer, static_cast<int>(got));
  std::fclose(file);
  return true;
}

bool write_whole_file(const wklib::string& path, const wklib::string& text) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  size_t length = static_cast<size_t>(text.length());
  bool written = std::fwrite(text.c_str(), 1, length, file) == length;
  return std::fclose(file) == 0 && written;
}

// Candidates the installer's own PATH does not hold yet.
std::vector<wklib::string> needed_directories(const step_context& context) {
  std::vector<wklib::string> candidates{context.settings.install_dir() + "bin"};
  if (!context.ghostscript_dir.empty()) candidates.push_back(context.ghostscript_dir + "bin");
  std::vector<wklib::string> entries = split_text(get_env("PATH"), ';');
  std::vector<wklib::string> needed;
  for (const wklib::string& candidate : candidates) {
    bool present = false;
    for (const wklib::string& entry : entries) present = present || same_path(entry, candidate);
    if (!present) needed.push_back(candidate);
  }
  return needed;
}

bool add_to_registry_path(step_context& context, const wklib::string& directory) {
  wklib::string& result = context.results().environment;
  context.show("環境変数PATHに" + directory + "を追加……");
  wklib::string value;
  const char* failure = nullptr;
  if (!reg_read_string(HKEY_LOCAL_MACHINE, system_environment_key, "PATH", value)) {
    failure = "レジストリを読み込めませんでした．";
  } else if (!reg_write_string(HKEY_LOCAL_MACHINE, system_environment_key, "PATH",
                               path_value_with(value, directory).c_str(), true)) {
    failure = "レジストリに書き込めませんでした．";
  }
  if (failure) {
    context.fail(failure, &result);
    context.log("環境変数PATHに" + directory + "を追加しようとしたら失敗．");
    return false;
  }
  context.state.restart_needed = true;
  context.succeed("環境変数PATHに" + directory + "を追加", &result);
  broadcast_environment_change();
  return true;
}

void add_to_autoexec_path(step_context& context, const std::vector<wklib::string>& directories) {
  wklib::string shown = joined(directories, ",");
  wklib::string path = autoexec_path(get_env("windir"));
  FILE* file = path.empty() ? nullptr : std::fopen(path.c_str(), "a+");
  if (!file) {
    context.log("環境変数PATHに" + shown + "を追加しようとしたら失敗．");
    context.show("環境変数PATHに" + shown + "を追加……失敗\r\n");
    context.results().environment = result_failure;
    return;
  }
  std::fprintf(file, "\n%s\n", autoexec_path_line(directories).c_str());
  std::fclose(file);
  context.show("環境変数PATHに" + shown + "を追加……成功\r\n");
  context.log("環境変数PATHに" + shown + "を追加");
  context.state.restart_needed = true;
  context.results().environment = result_success;
}

}  // namespace

bool any_variable_set(const std::vector<const char*>& names) {
  for (const char* name : names)
    if (!get_env(name).empty()) return true;
  return false;
}

void delete_env_variable(install_settings& settings, const char* name) {
  settings.append_log(wklib::string("環境変数「") + name + "」の削除開始．");
  if (is_nt_family()) {
    reg_delete_value(HKEY_LOCAL_MACHINE, (wklib::string(system_environment_key) + "\\" + name).c_str());
    reg_delete_value(HKEY_CURRENT_USER, (wklib::string("Environment\\") + name).c_str());
    broadcast_environment_change();
  }
  wklib::string path = autoexec_path(get_env("windir"));
  wklib::string text;
  if (path.empty() || !read_whole_file(path, text)) {
    settings.append_log(path + "からの削除失敗．");
    return;
  }
  wklib::string kept;
  if (remove_set_lines(text, name, kept) == 0) return;
  if (!write_whole_file(path, kept)) {
    settings.append_log(path + "からの削除失敗．");
    return;
  }
  settings.append_log(wklib::string("環境変数「") + name + "」の削除終了．");
}

bool add_directories_to_path(step_context& context) {
  context.results().environment = result_not_needed;
  std::vector<wklib::string> needed = needed_directories(context);
  if (needed.empty()) return true;
  if (!is_nt_family()) {
    add_to_autoexec_path(context, needed);
    return true;
  }
  bool all_written = true;
  for (const wklib::string& directory : needed)
    all_written = add_to_registry_path(context, directory) && all_written;
  return all_written;
}

void broadcast_environment_change() {
  DWORD_PTR ignored = 0;
  SendMessageTimeoutA(HWND_BROADCAST, WM_WININICHANGE, 0,
                      reinterpret_cast<LPARAM>("Environment"), SMTO_ABORTIFHUNG, 5000, &ignored);
  SHChangeNotify(SHCNE_ASSOCCHANGED, 0, nullptr, nullptr);
}

const obsolete_variables tex_variables = {
    {"TEXMF", "TEXMFMAIN", "TEXMFCNF"},
    "以下の環境変数は最新のW32TeXでは不要です．削除しますか？\n削除する場合は削除したい環境変数に"
    "チェックを入れてOKを押してください．\n削除しない場合はキャンセルを押してください．",
    "TeXの不要環境変数削除開始．",
    "TeXの不要環境変数削除終了．"};

const obsolete_variables ghostscript_variables = {
    {"GS_LIB"},
    "以下の環境変数は最新のGhostScriptでは不要です．削除しますか？\n削除する場合は削除したい環境"
    "変数にチェックを入れてOKを押してください．\n削除しない場合はキャンセルを押してください．",
    "GhostScriptの不要環境変数削除開始．",
    "GhostScriptの不要環境変数削除終了．"};

void offer_obsolete_variables(step_context& context, const obsolete_variables& variables) {
  if (!any_variable_set(variables.names)) return;
  context.log(variables.start_log);
  if (obsolete_variable_dialog(context.window(), context.settings, variables.names,
                               variables.message))
    context.state.restart_needed = true;
  context.log(variables.end_log);
}

#include "install/ghostscript.h"

#include <windows.h>

#include <cstdio>
#include <vector>

#include "archive/unzip.h"
#include "install/ghostscript_text.h"
#include "install/uninstall_entries.h"
#include "system/file_system.h"
#include "system/process.h"
#include "system/registry.h"
#include "system/system_info.h"

namespace {

const char version_pattern[] = "AFPL Ghostscript [0-9]*\\.[0-9]*";
const char fonts_pattern[] = "AFPL Ghostscript Fonts";
const char version_segment_pattern[] = "AFPL Ghostscript \\f[0-9]*\\.[0-9]*";

bool has_lead_byte(const wklib::string& text) {
  for (int i = 0; i < text.length(); ++i)
    if (wklib::is_lead_byte(static_cast<unsigned char>(text[i]))) return true;
  return false;
}

wklib::string scratch_directory(const step_context& context) {
  return context.settings.save_dir() + "GhostScript\\";
}

}  // namespace

bool find_installed_ghostscript(step_context&) {
  std::vector<wklib::string> names;
  return find_uninstall_entries({version_pattern}, names) && !names.empty();
}

bool uninstall_ghostscript(step_context& context) {
  context.show("GhostScriptのアンインストール……");
  context.log("GhostScriptのアンインストール開始");
  std::vector<wklib::string> names;
  if (!find_uninstall_entries({version_pattern, fonts_pattern}, names)) return context.fail("");
  if (!run_uninstallers(context, names, "に失敗．")) return false;
  return context.succeed("GhostScriptのアンインストール終了");
}

bool use_ascii_temp(const wklib::string& save_dir) {
  wklib::string directory = save_dir;
  if (has_lead_byte(directory)) {
    directory = get_env("windir") + "\\tmp";
    CreateDirectoryA(directory.c_str(), nullptr);
  }
  bool changed = false;
  for (const char* name : {"TMP", "TEMP"}) {
    if (!has_lead_byte(get_env(name))) continue;
    SetEnvironmentVariableA(name, directory.c_str());
    changed = true;
  }
  return changed;
}

bool install_ghostscript(step_context& context) {
  wklib::string& result = context.results().ghostscript;
  const wklib::string& archive = context.state.gs_archive;
  const wklib::string scratch = scratch_directory(context);
  context.show("GhostScriptのインストール\r\n");
  context.log("GhostScriptのインストール開始");
  if (use_ascii_temp(context.settings.save_dir())) context.show("一時ディレクトリの変更……成功\r\n");
  context.show(archive + "を解凍……");
  remove_directory_tree(scratch);
  if (!unzip_with_progress(context.window(), archive, scratch))
    return context.fail(archive + "の解凍に失敗", &result);
  if (context.cancelled()) {
    context.log("キャンセルされました．");
    return false;
  }
  context.show("成功\r\nsetupgs.exeを実行……");
  // The scratch directory stays after a failure or a cancel, for a look at what went wrong.
  if (!run_and_wait("\"" + scratch + "setupgs.exe\"", scratch, true))
    return context.fail("setupgs.exeの実行に失敗しました．", &result);
  if (context.cancelled()) {
    context.log("キャンセルされました．");
    return false;
  }
  remove_directory_tree(scratch);
  return context.succeed("GhostScriptのインストール終了", &result);
}

wklib::string find_ghostscript_dir(step_context& context) {
  if (!context.ghostscript_dir.empty()) return context.ghostscript_dir;
  std::vector<wklib::string> names;
  if (!find_uninstall_entries({version_pattern}, names)) return wklib::string();
  wklib::pattern_search finder(version_segment_pattern);
  for (const wklib::string& name : names) {
    if (!matches_whole_name(finder, name)) continue;
    wklib::string version = finder.submatch(1);
    wklib::string command;
    wklib::string key = wklib::string(uninstall_key) + "\\" + name;
    if (!reg_read_string(HKEY_LOCAL_MACHINE, key.c_str(), "UninstallString", command))
      return wklib::string();
    wklib::string uninstaller = uninstaller_file(command, file_exists);
    if (uninstaller.empty()) continue;
    context.ghostscript_dir = ghostscript_dir_beside(uninstaller, version);
    return context.ghostscript_dir;
  }
  return wklib::string();
}

bool configure_ghostscript(step_context& context) {
  wklib::string& result = context.results().ghostscript_settings;
  context.show("GhostScriptの設定……");
  context.log("GhostScriptの設定開始");
  wklib::string directory = find_ghostscript_dir(context);
  wklib::string file_name = directory + "lib\\cidfmap";
  // Without GhostScript's directory the name would be relative to wherever the
  // installer happens to run: that is no GhostScript's font map.
  FILE* file = directory.empty() ? nullptr : std::fopen(file_name.c_str(), "a+");
  if (!file) return context.fail(file_name + "を開けませんでした．", &result);
  std::fputs(cidfmap_entries(windir_with_slashes()).c_str(), file);
  bool written = std::fclose(file) == 0;
  if (!written) return context.fail(file_name + "を開けませんでした．", &result);
  return context.succeed("GhostScriptの設定完了", &result);
}

const package_step ghostscript_package = {
    [](const install_state& state) { return !state.gs_archive.empty(); },
    {&step_results::ghostscript, &step_results::ghostscript_settings},
    find_installed_ghostscript,
    "GhostScriptは既にインストールされています．アンインストールしますか？\r\n"
    "アンインストールするなら「はい」を，\r\nせずにインストールするなら「いいえ」を，\r\n"
    "インストールしないならば「キャンセル」を押してください．",
    uninstall_ghostscript,
    "アンインストールに失敗",
    install_ghostscript,
    configure_ghostscript,
    nullptr,
    nullptr};

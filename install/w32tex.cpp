#include "install/w32tex.h"

#include <windows.h>

#include <vector>

#include "install/tar_command.h"
#include "system/file_system.h"
#include "system/process.h"

namespace {

std::vector<wklib::string> texinst_programs(const wklib::string& save_dir) {
  std::vector<wklib::string> names;
  WIN32_FIND_DATAA entry;
  HANDLE search = FindFirstFileA((save_dir + "texinst\\*.exe").c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(entry.cFileName);
  } while (FindNextFileA(search, &entry));
  FindClose(search);
  return names;
}

void delete_copies(const wklib::string& install_dir, const std::vector<wklib::string>& copied) {
  for (const wklib::string& name : copied) DeleteFileA((install_dir + name).c_str());
}

}  // namespace

bool install_w32tex(step_context& context) {
  const wklib::string& install_dir = context.settings.install_dir();
  const wklib::string& save_dir = context.settings.save_dir();
  wklib::string& result = context.results().w32tex;
  create_directory_chain(install_dir);
  context.show("W32TeXのインストール\r\n");
  std::vector<wklib::string> programs = texinst_programs(save_dir);
  if (programs.empty()) return context.fail("", &result);

  std::vector<wklib::string> copied;
  for (const wklib::string& name : programs) {
    if (CopyFileA((save_dir + "texinst\\" + name).c_str(), (install_dir + name).c_str(), FALSE))
      copied.push_back(name);
    if (context.cancelled()) {
      // Abandoned here the field keeps キャンセル; the copies go all the same,
      // as they would after unpacking: tar.exe has no place in the TeX tree.
      delete_copies(install_dir, copied);
      return false;
    }
  }

  bool all_unpacked = true;
  for (const wklib::string& archive : context.state.w32tex_archives) {
    wklib::string name = file_name_of(archive);
    context.show(name + "を解凍……");
    if (context.cancelled()) {
      all_unpacked = false;
      break;
    }
    bool unpacked = run_and_wait(tar_command_line(install_dir, archive), install_dir, false);
    context.log(name + (unpacked ? "のインストールに成功" : "のインストールに失敗"));
    all_unpacked = all_unpacked && unpacked;
    if (context.cancelled()) {
      all_unpacked = false;
      break;
    }
    // The line tells this archive's own outcome, so a failed one never reads 成功.
    context.show(unpacked ? "成功\r\n" : "失敗\r\n");
  }
  delete_copies(install_dir, copied);

  if (!all_unpacked) return context.fail("", &result);
  if (context.cancelled()) return false;
  result = result_success;
  return true;
}

const package_step w32tex_package = {
    [](const install_state& state) { return !state.w32tex_archives.empty(); },
    {&step_results::w32tex, nullptr},
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    install_w32tex,
    nullptr,
    "W32TeXのインストール開始",
    "W32TeXのインストール終了"};

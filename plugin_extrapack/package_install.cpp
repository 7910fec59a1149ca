#include "plugin_extrapack/package_install.h"

#include "archive/unzip.h"
#include "plugins/plugin_interface.h"

namespace {

void progress_append(HWND window, const char* text) {
  SendMessageA(window, msg_progress_append, 0, reinterpret_cast<LPARAM>(text));
}

}  // namespace

bool install_package(const plugin_settings& settings, HWND progress_window) {
  // The target is used as written: a hand-made value without its final
  // backslash runs into the class directory's name.
  const wklib::string target = settings.read_text(package_section, "target");
  const wklib::string install_dir = settings.read_text("Dir", "Install");
  const wklib::string save_dir = settings.read_text("Dir", "Hozon");
  const wklib::string directory = install_dir + target + "ptex\\platex\\jsclasses\\";
  const wklib::string archive = save_dir + archive_file_name;

  progress_append(progress_window, "jsclassesのインストール……");
  if (unzip_with_progress(progress_window, archive, directory)) {
    progress_append(progress_window, "成功\r\n");
    return true;
  }
  progress_append(progress_window, "失敗\r\n");
  settings.append_log("jsclassesのインストールに失敗．");
  return false;
}

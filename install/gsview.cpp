#include "install/gsview.h"

#include <vector>

#include "install/uninstall_entries.h"
#include "system/process.h"

namespace {

const char gsview_pattern[] = "GSview [0-9]*\\.[0-9]*";

}  // namespace

bool find_installed_gsview(step_context&) {
  std::vector<wklib::string> names;
  return find_uninstall_entries({gsview_pattern}, names) && !names.empty();
}

// The product is GSview on the running text and GSView in the log.
bool uninstall_gsview(step_context& context) {
  context.show("GSviewのアンインストール……");
  context.log("GSViewのアンインストール開始");
  std::vector<wklib::string> names;
  if (!find_uninstall_entries({gsview_pattern}, names)) return false;
  if (!run_uninstallers(context, names, "の実行に失敗．")) return false;
  return context.succeed("GSViewのアンインストール終了");
}

bool install_gsview(step_context& context) {
  const wklib::string& installer = context.state.gsview_installer;
  context.show("GSviewのインストール……");
  context.log("GSViewのインストール開始");
  if (!run_and_wait("\"" + installer + "\"", context.settings.save_dir(), true))
    return context.fail(installer + "の実行に失敗．", &context.results().gsview);
  if (context.cancelled()) return false;
  return context.succeed("GSViewのインストール終了", &context.results().gsview);
}

const package_step gsview_package = {
    [](const install_state& state) { return !state.gsview_installer.empty(); },
    {&step_results::gsview, nullptr},
    find_installed_gsview,
    "GSviewは既にインストールされています．アンインストールしますか？\r\n"
    "アンインストールするなら「はい」を，\r\nせずにインストールするなら「いいえ」を，\r\n"
    "インストールしないならば「キャンセル」を押してください．",
    uninstall_gsview,
    "アンインストールに失敗．",
    install_gsview,
    nullptr,
    nullptr,
    nullptr};

#include "shell/finish_page.h"

#include "resources/tamari3/ids.h"
#include "shell/restart.h"
#include "state/install_settings.h"
#include "state/install_state.h"
#include "support/message_box.h"

finish_page::finish_page() : wklib::property_page(false, false, true), restart_(restart_windows) {}

wklib::string log_file_name(const wklib::string& ini_path) {
  // Both searches step over double-byte characters: a trail byte may be 0x5C.
  const char* text = ini_path.c_str();
  int dot = wklib::sjis_rfind(text, ini_path.length(), ".", 1, ini_path.length());
  wklib::string log = dot < 0 ? ini_path : ini_path.substr(0, dot);
  log += ".log";
  int slash = wklib::sjis_rfind(log.c_str(), log.length(), "\\", 1, log.length());
  return slash < 0 ? log : log.substr(slash + 1);
}

wklib::string finish_summary() {
  const install_state& state = the_install_state();
  const struct step_results& results = state.step_results;
  // Each label is 22 bytes wide before its tab, so the colons line up.
  const struct {
    const char* label;
    const wklib::string& result;
  } rows[] = {
      {"W32TeX                \t: ", results.w32tex},
      {"dviout                \t: ", results.dviout},
      {"dvioutの設定          \t: ", results.dviout_settings},
      {"GhostScript           \t: ", results.ghostscript},
      {"GhostScriptの設定     \t: ", results.ghostscript_settings},
      {"GSview                \t: ", results.gsview},
      {"環境変数              \t: ", results.environment},
      {"その他のソフトウェア  \t: ", results.other_software},
  };
  wklib::string text = "インストールが終了しました．";
  if (state.restart_needed) text += "完全な終了の為には再起動が必要です．\r\n";
  text += "\r\n\r\nインストール結果\r\n";
  for (const auto& row : rows) {
    text += row.label;
    text += row.result;
    text += "\r\n";
  }
  text += "\r\nインストールに失敗した場合はreadme等を参考にして手動インストールを試みてください．\r\n";
  text += "また詳細なインストール結果及びエラー情報は";
  text += log_file_name(the_settings().ini_path());
  text += "に保存されています．";
  return text;
}

bool finish_page::on_init(wklib::window_holder& window) {
  window.set_item_text(IDC_FINISH_TEXT, finish_summary().c_str());
  return true;
}

bool finish_page::on_wizard_finish(wklib::window_holder&) {
  if (the_install_state().restart_needed &&
      message_box("再起動が必要です．今すぐ再起動しますか？", "tamari3.exe", wklib::box_yes_no) ==
          wklib::answer_yes)
    restart_(false);
  return true;
}

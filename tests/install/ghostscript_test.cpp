// GhostScript's and GSview's steps with the test installers, which install
// under <dir>programs\: unpacking and setupgs.exe, cidfmap in the registered
// directory, the uninstallers, TMP and TEMP.
#include <gtest/gtest.h>

#include <utility>

#include "install/ghostscript.h"
#include "install/ghostscript_text.h"
#include "install/gsview.h"
#include "system/system_info.h"
#include "tests/install/step_fixture.h"

namespace {

// <save>gs.zip as the archive (holding setupgs.exe when `sound`, a stand-in
// never started when cancelled first), `fail` for TAMARI_FIXTURE_FAIL, a cancel
// after the text `cancel_after`; TMP as given, TEMP an ASCII one.
std::function<void(step_run&)> archive(bool sound, const char* fail, const char* cancel_after,
                                       const char* tmp) {
  return [=](step_run& run) {
    if (sound) run.set_zip("<save>gs.zip", "setupgs.exe", *cancel_after ? "" : program_bytes(FIXTURE_SETUPGS_PATH));
    run.state.gs_archive = (run.save() + "gs.zip").c_str();
    run.set_variable("TAMARI_FIXTURE_FAIL", fail);
    run.sink.cancel_after = cancel_after;
    run.set_variable("TMP", tmp);
    run.set_variable("TEMP", "c:\\temp");
  };
}

// A test installer run beforehand (none when null), then run_probe uninstallers
// answering their exit codes.
std::function<void(step_run&)> installed(const char* program,
                                         std::vector<std::pair<const char*, int>> uninstallers = {}) {
  return [=](step_run& run) {
    if (program) run_installer(program);
    for (const auto& uninstaller : uninstallers) run.set_uninstaller(uninstaller.first, uninstaller.second);
  };
}

// setupgs.exe may not cope with a Japanese temporary directory: one in TMP or
// TEMP is moved to the save directory, or to Windows' own when that is Japanese too.
TEST(install_ghostscript, keeps_the_scratch_directory_after_a_failure) {
  const std::string started = "GhostScriptのインストール\r\n", moved = "一時ディレクトリの変更……成功\r\n",
                    windows_tmp = "env TMP=" + std::string(get_env("windir").c_str()) + "\\tmp";
  auto in_a_japanese_save_directory = [](step_run& run) {
    archive(false, "", "", "c:\\ソ")(run);
    run.set_variable("TEMP", "c:\\表2");
    run.settings.set_save_dir((run.dir / "表\\").c_str());
    run.settings.load_settings();
  };
  run_rows(install_ghostscript, &step_results::ghostscript, {
      {"installed", archive(true, "", "", "c:\\表\\tmp"),
       started + moved + "<save>gs.zipを解凍……成功\r\nsetupgs.exeを実行……成功\r\n",
       {"GhostScriptのインストール開始", "GhostScriptのインストール終了"}, "成功", true,
       {"no file <save>GhostScript", "env TMP=<save>", "env TEMP=c:\\temp"}},
      {"setupgs.exe fails, TMP in ASCII", archive(true, "setupgs:7", "", "c:\\temp"),
       started + "<save>gs.zipを解凍……成功\r\nsetupgs.exeを実行……失敗\r\n",
       {"GhostScriptのインストール開始", "setupgs.exeの実行に失敗しました．"}, "失敗", false,
       {"file <save>GhostScript\\setupgs.exe", "env TMP=c:\\temp"}},
      {"no archive, a Japanese save directory", in_a_japanese_save_directory,
       started + moved + "<save>gs.zipを解凍……失敗\r\n",
       {"GhostScriptのインストール開始", "<save>gs.zipの解凍に失敗"}, "失敗", false,
       {windows_tmp, replaced(windows_tmp, "TMP", "TEMP")}},
      {"cancelled", archive(true, "", "を解凍……", "c:\\表\\tmp"), started + moved + "<save>gs.zipを解凍……",
       {"GhostScriptのインストール開始", "キャンセルされました．"}, "キャンセル", false,
       {"file <save>GhostScript\\setupgs.exe"}},
  });
}

TEST(configure_ghostscript, appends_the_font_map_each_time) {
  auto twice = [](step_context& context) {
    return configure_ghostscript(context) && configure_ghostscript(context);
  };
  std::string block = replaced(cidfmap_entries(windir_with_slashes()).c_str(), "\n", "\r\n");
  run_rows(twice, &step_results::ghostscript_settings, {
      {"installed", installed(FIXTURE_SETUPGS_PATH), "GhostScriptの設定……成功\r\nGhostScriptの設定……成功\r\n",
       {"GhostScriptの設定開始", "GhostScriptの設定完了", "GhostScriptの設定開始", "GhostScriptの設定完了"},
       "成功", true,
       {"file <dir>programs\\gs8.14\\lib\\cidfmap=% written by the test installer\r\n" + block + block}},
      {"nothing registered", installed(nullptr), "GhostScriptの設定……失敗\r\n",
       {"GhostScriptの設定開始", "lib\\cidfmapを開けませんでした．"}, "失敗", false, {}},
  });
}

TEST(uninstallers, run_in_the_uninstall_keys_order_until_one_fails) {
  run_rows(uninstall_ghostscript, &step_results::ghostscript, {
      {"installed", installed(FIXTURE_SETUPGS_PATH), "GhostScriptのアンインストール……成功\r\n",
       {"GhostScriptのアンインストール開始", "GhostScriptのアンインストール終了"}, "キャンセル", true,
       {"no product AFPL Ghostscript 8.14", "no product AFPL Ghostscript Fonts",
        "no file <dir>programs\\gs8.14"}},
      {"the uninstaller fails", installed(nullptr, {{"AFPL Ghostscript 8.13", 2}}),
       "GhostScriptのアンインストール……失敗\r\n",
       {"GhostScriptのアンインストール開始", "\"<probe>\" 2 \"<dir>AFPL Ghostscript 8.13\"に失敗．"}, "キャンセル",
       false, {}},
  });
  run_rows(uninstall_gsview, &step_results::gsview, {
      // Only whole names count: "GSview 4.6 (Japanese)" is another product.
      {"installed", installed(FIXTURE_GSVIEW_PATH, {{"GSview 4.6 (Japanese)", 0}}),
       "GSviewのアンインストール……成功\r\n", {"GSViewのアンインストール開始", "GSViewのアンインストール終了"},
       "キャンセル", true, {"no product GSview 4.8", "no file <dir>GSview 4.6 (Japanese)"}},
      {"the first fails", installed(nullptr, {{"GSview 4.5", 3}, {"GSview 4.6", 0}}),
       "GSviewのアンインストール……失敗\r\n",
       {"GSViewのアンインストール開始", "\"<probe>\" 3 \"<dir>GSview 4.5\"の実行に失敗．"}, "キャンセル", false,
       {"file <dir>GSview 4.5", "no file <dir>GSview 4.6"}},
  });
}

TEST(install_gsview, starts_the_installer_quoted) {
  auto in_a_path_with_a_space = [](const char* fail) {
    return [=](step_run& run) {
      run.set_file("<dir>my setup\\gsv48w32.exe", program_bytes(FIXTURE_GSVIEW_PATH));
      run.state.gsview_installer = (run.dir / "my setup\\gsv48w32.exe").c_str();
      run.set_variable("TAMARI_FIXTURE_FAIL", fail);
    };
  };
  run_rows(install_gsview, &step_results::gsview, {
      {"installed", in_a_path_with_a_space(""), "GSviewのインストール……成功\r\n",
       {"GSViewのインストール開始", "GSViewのインストール終了"}, "成功", true, {"product GSview 4.8"}},
      {"the installer fails", in_a_path_with_a_space("gsview_setup:1"), "GSviewのインストール……失敗\r\n",
       {"GSViewのインストール開始", "<dir>my setup\\gsv48w32.exeの実行に失敗．"}, "失敗", false, {}},
  });
}

}  // namespace

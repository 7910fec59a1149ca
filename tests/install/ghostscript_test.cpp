// GhostScript and GSview with the test installers: unpacking and setupgs.exe,
// the registered directory, cidfmap, the uninstallers, TMP and TEMP.
#include <gtest/gtest.h>

#include "install/ghostscript.h"
#include "install/ghostscript_text.h"
#include "install/gsview.h"
#include "system/system_info.h"
#include "tests/archive/zip_builder.h"
#include "tests/install/step_fixture.h"

namespace {

void unregister_all() {
  unregister_products({"AFPL Ghostscript 8.14", "AFPL Ghostscript Fonts", "AFPL Ghostscript 8.13",
                       "GSview 4.5", "GSview 4.6", "GSview 4.6 (Japanese)", "GSview 4.8"});
}

// The downloaded archive: setupgs.exe of the tests.
std::string write_gs_archive(const step_run& run) {
  zip_builder zip;
  zip.add("setupgs.exe", read_file(program_path(FIXTURE_SETUPGS_PATH)));
  write_file(run.save() + "gs814w32full.zip", zip.build());
  return run.save() + "gs814w32full.zip";
}

TEST(ghostscript, installs_configures_and_uninstalls) {
  unregister_all();
  step_run run("gs");
  auto root = saved_variable("TAMARI_FIXTURE_ROOT", (run.dir / "gs\\").c_str());
  auto tmp = saved_variable("TMP", "c:\\表\\tmp");
  run.state.gs_archive = write_gs_archive(run).c_str();
  const std::string scratch = run.save() + "GhostScript\\";
  EXPECT_FALSE(find_installed_ghostscript(run.context));
  EXPECT_TRUE(install_ghostscript(run.context));
  EXPECT_TRUE(find_installed_ghostscript(run.context));
  EXPECT_EQ(run.dir / "gs\\gs8.14\\", find_ghostscript_dir(run.context).c_str());
  EXPECT_TRUE(configure_ghostscript(run.context));
  EXPECT_TRUE(configure_ghostscript(run.context));
  std::string block = replaced(cidfmap_entries(windir_with_slashes()).c_str(), "\n", "\r\n");
  EXPECT_EQ("% written by the test installer\r\n" + block + block,
            read_file(run.dir / "gs\\gs8.14\\lib\\cidfmap"));
  EXPECT_TRUE(uninstall_ghostscript(run.context));
  EXPECT_EQ("GhostScriptのインストール\r\n一時ディレクトリの変更……成功\r\n" + run.save() +
                "gs814w32full.zipを解凍……成功\r\nsetupgs.exeを実行……成功\r\n"
                "GhostScriptの設定……成功\r\nGhostScriptの設定……成功\r\n"
                "GhostScriptのアンインストール……成功\r\n",
            run.sink.text);
  EXPECT_EQ(
      (std::vector<std::string>{
          "GhostScriptのインストール開始", "GhostScriptのインストール終了", "GhostScriptの設定開始",
          "GhostScriptの設定完了", "GhostScriptの設定開始", "GhostScriptの設定完了",
          "GhostScriptのアンインストール開始", "GhostScriptのアンインストール終了"}),
      run.log());
  EXPECT_STREQ("成功", run.state.step_results.ghostscript.c_str());
  EXPECT_STREQ("成功", run.state.step_results.ghostscript_settings.c_str());
  EXPECT_EQ("setupgs|" + scratch.substr(0, scratch.size() - 1) + "|\"" + scratch + "setupgs.exe\"",
            run.commands().at(0));
  EXPECT_FALSE(exists(scratch)) << "the scratch directory goes after a successful setup";
  EXPECT_FALSE(product_registered("AFPL Ghostscript 8.14"));
  EXPECT_FALSE(product_registered("AFPL Ghostscript Fonts"));
  EXPECT_FALSE(exists(run.dir / "gs\\gs8.14\\")) << "the uninstaller ran";
}

TEST(install_ghostscript, reports_each_failure) {
  struct {
    const char* fail;  // TAMARI_FIXTURE_FAIL
    bool archive;      // written, or missing
    const char* cancel_after;
    const char* text;  // <zip>: the archive's path
    std::vector<std::string> log;
    const char* result;
  } cases[] = {
      {"setupgs:7", true, "", "GhostScriptのインストール\r\n<zip>を解凍……成功\r\nsetupgs.exeを実行……失敗\r\n",
       {"GhostScriptのインストール開始", "setupgs.exeの実行に失敗しました．"}, "失敗"},
      {"", false, "", "GhostScriptのインストール\r\n<zip>を解凍……失敗\r\n",
       {"GhostScriptのインストール開始", "<zip>の解凍に失敗"}, "失敗"},
      {"", true, "を解凍……", "GhostScriptのインストール\r\n<zip>を解凍……",
       {"GhostScriptのインストール開始", "キャンセルされました．"}, "キャンセル"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    unregister_all();
    step_run run("gs_fail");
    auto fail = saved_variable("TAMARI_FIXTURE_FAIL", c.fail);
    auto root = saved_variable("TAMARI_FIXTURE_ROOT", (run.dir / "gs\\").c_str());
    std::string zip = c.archive ? write_gs_archive(run) : run.save() + "missing.zip";
    run.state.gs_archive = zip.c_str();
    run.state.step_results.ghostscript = "キャンセル";
    run.sink.cancel_after = c.cancel_after;
    EXPECT_FALSE(install_ghostscript(run.context));
    EXPECT_EQ(replaced(c.text, "<zip>", zip), run.sink.text);
    std::vector<std::string> log;
    for (const std::string& line : c.log) log.push_back(replaced(line, "<zip>", zip));
    EXPECT_EQ(log, run.log());
    EXPECT_STREQ(c.result, run.state.step_results.ghostscript.c_str());
    EXPECT_EQ(c.archive, exists(run.save() + "GhostScript\\setupgs.exe")) << "scratch kept";
  }
}

TEST(ghostscript, reports_a_failed_uninstaller_and_a_missing_directory) {
  unregister_all();
  step_run run("gs_uninstall");
  EXPECT_FALSE(configure_ghostscript(run.context)) << "nothing registered: no cidfmap to write";
  register_product("AFPL Ghostscript 8.13", probe_command(2, run.dir / "probe.txt"));
  EXPECT_FALSE(uninstall_ghostscript(run.context));
  EXPECT_EQ("GhostScriptの設定……失敗\r\nGhostScriptのアンインストール……失敗\r\n", run.sink.text);
  EXPECT_EQ((std::vector<std::string>{"GhostScriptの設定開始", "lib\\cidfmapを開けませんでした．",
                                      "GhostScriptのアンインストール開始",
                                      probe_command(2, run.dir / "probe.txt") + "に失敗．"}),
            run.log());
  EXPECT_STREQ("失敗", run.state.step_results.ghostscript_settings.c_str());
  unregister_all();
}

TEST(use_ascii_temp, moves_only_japanese_temporary_directories) {
  const std::string windows_tmp = std::string(get_env("windir").c_str()) + "\\tmp";
  struct {
    const char *save, *tmp, *temp;
    std::string tmp_after, temp_after;
    bool changed;
  } cases[] = {
      {"c:\\download\\", "c:\\表\\tmp", "c:\\temp", "c:\\download\\", "c:\\temp", true},
      {"c:\\表\\", "c:\\ソ", "c:\\表2", windows_tmp, windows_tmp, true},
      {"c:\\表\\", "c:\\temp", "c:\\temp", "c:\\temp", "c:\\temp", false},
  };
  for (const auto& c : cases) {
    auto tmp = saved_variable("TMP", c.tmp), temp = saved_variable("TEMP", c.temp);
    EXPECT_EQ(c.changed, use_ascii_temp(c.save)) << c.save << " " << c.tmp;
    EXPECT_EQ(c.tmp_after, get_env("TMP").c_str()) << c.tmp;
    EXPECT_EQ(c.temp_after, get_env("TEMP").c_str()) << c.temp;
  }
}

TEST(gsview, installs_and_uninstalls_in_enumeration_order) {
  unregister_all();
  step_run run("gsview");
  auto root = saved_variable("TAMARI_FIXTURE_ROOT", (run.dir / "gv\\").c_str());
  std::string installer = run.dir / "my setup\\gsv48w32.exe";
  CreateDirectoryA((run.dir / "my setup").c_str(), nullptr);
  CopyFileA(program_path(FIXTURE_GSVIEW_PATH).c_str(), installer.c_str(), FALSE);
  run.state.gsview_installer = installer.c_str();
  EXPECT_FALSE(find_installed_gsview(run.context));
  EXPECT_TRUE(install_gsview(run.context)) << "a path with a space, quoted";
  EXPECT_TRUE(find_installed_gsview(run.context));
  register_product("GSview 4.6 (Japanese)", probe_command(0, run.dir / "japanese.txt"));
  EXPECT_TRUE(uninstall_gsview(run.context));
  EXPECT_FALSE(product_registered("GSview 4.8"));
  EXPECT_FALSE(exists(run.dir / "japanese.txt")) << "a name matched only in part is left alone";
  register_product("GSview 4.5", probe_command(3, run.dir / "45.txt"));
  register_product("GSview 4.6", probe_command(0, run.dir / "46.txt"));
  EXPECT_FALSE(uninstall_gsview(run.context));
  EXPECT_TRUE(exists(run.dir / "45.txt"));
  EXPECT_FALSE(exists(run.dir / "46.txt")) << "the first failure stops the rest";
  auto fail = saved_variable("TAMARI_FIXTURE_FAIL", "gsview_setup:1");
  EXPECT_FALSE(install_gsview(run.context));
  EXPECT_EQ(
      "GSviewのインストール……成功\r\nGSviewのアンインストール……成功\r\n"
      "GSviewのアンインストール……失敗\r\nGSviewのインストール……失敗\r\n",
      run.sink.text);
  EXPECT_EQ(
      (std::vector<std::string>{"GSViewのインストール開始", "GSViewのインストール終了",
                                "GSViewのアンインストール開始", "GSViewのアンインストール終了",
                                "GSViewのアンインストール開始",
                                probe_command(3, run.dir / "45.txt") + "の実行に失敗．",
                                "GSViewのインストール開始", installer + "の実行に失敗．"}),
      run.log());
  EXPECT_STREQ("失敗", run.state.step_results.gsview.c_str());
  EXPECT_EQ(
      "gsview_setup|" + run.save().substr(0, run.save().size() - 1) + "|\"" + installer + "\"",
      run.commands().at(0));
  unregister_all();
}

}  // namespace

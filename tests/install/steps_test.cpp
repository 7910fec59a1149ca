// The installation steps against Wine's registry and files, with the test programs (tar's command
// lines are install_text_test's) and the prefix's all-users Start menu; the PATH step and the
// deletion of a variable on NT here, and on 9x in a child of this program that Wine presents as
// Windows 98.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdlib>
#include <utility>

#include "install/dviout.h"
#include "install/environment.h"
#include "install/ghostscript.h"
#include "install/ghostscript_text.h"
#include "install/gsview.h"
#include "install/w32tex.h"
#include "system/system_info.h"
#include "tests/install/step_fixture.h"

namespace {

// An empty tar archive (its two end blocks), gzip-compressed. What tar unpacks shows in the
// end-to-end walk's installed tree.
void write_tar_gz(const std::string& path) {
  gzFile file = gzopen(path.c_str(), "wb");
  gzwrite(file, std::string(1024, '\0').data(), 1024);
  gzclose(file);
}

// Copies of tar.exe as texinst's programs, and the archives to unpack: sound ones are *.gz but
// bad*.
std::function<void(step_run&)> texinst(std::vector<std::string> programs,
                                       std::vector<std::string> archives,
                                       const char* cancel_after = "") {
  return [=](step_run& run) {
    CreateDirectoryA((run.save() + "texinst").c_str(), nullptr);
    for (const std::string& program : programs)
      run.set_file("<save>texinst\\" + program, program_bytes(FIXTURE_TAR_PATH));
    for (const std::string& archive : archives) {
      run.set_file("<save>" + archive, "not gzip");
      if (archive.find("bad") != 0 && archive.back() == 'z') write_tar_gz(run.save() + archive);
      run.state.w32tex_archives.push_back((run.save() + archive).c_str());
    }
    run.sink.cancel_after = cancel_after;
  };
}

TEST(install_w32tex, unpacks_each_archive_and_removes_the_copies) {
  run_rows(install_w32tex, &step_results::w32tex, {
      {"a Japanese path", texinst({"tar.exe", "gzip.exe"}, {"表\\ソ.tar.gz"}),
       "W32TeXのインストール\r\nソ.tar.gzを解凍……成功\r\n", {"ソ.tar.gzのインストールに成功"},
       "成功", true,
       {"no file <tex>tar.exe", "no file <tex>gzip.exe"}},
      {"the first fails", texinst({"tar.exe"}, {"bad.tar.gz", "ok.tar.gz"}),
       "W32TeXのインストール\r\nbad.tar.gzを解凍……失敗\r\nok.tar.gzを解凍……成功\r\n失敗\r\n",
       {"bad.tar.gzのインストールに失敗", "ok.tar.gzのインストールに成功"}, "失敗", false,
       {"no file <tex>tar.exe"}},
      {"an empty texinst", texinst({}, {"ok.tar.gz"}), "W32TeXのインストール\r\n失敗\r\n", {},
       "失敗", false, {}},
      {"cancel while copying",
       texinst({"tar.exe", "gzip.exe"}, {"ok.tar.gz"}, "W32TeXのインストール\r\n"),
       "W32TeXのインストール\r\n", {}, "キャンセル", false,
       {"no file <tex>tar.exe", "no file <tex>gzip.exe"}},
      {"cancel while unpacking",
       texinst({"tar.exe"}, {"ok.tar.gz", "x.tar.bz2"}, "x.tar.bz2を解凍……"),
       "W32TeXのインストール\r\nok.tar.gzを解凍……成功\r\nx.tar.bz2を解凍……失敗\r\n",
       {"ok.tar.gzのインストールに成功"}, "失敗", false, {"no file <tex>tar.exe"}},
  });
}

// <save>gs.zip as the archive (holding setupgs.exe when `sound`, a stand-in never started when
// cancelled first), `fail` for TAMARI_FIXTURE_FAIL, a cancel after the text `cancel_after`; TMP and
// TEMP as given, and a save directory <dir><save> when given.
std::function<void(step_run&)> archive(bool sound, const char* fail, const char* cancel_after,
                                       const char* tmp, const char* temp = "c:\\temp",
                                       const char* save = nullptr) {
  return [=](step_run& run) {
    if (sound)
      run.set_zip("<save>gs.zip", "setupgs.exe",
                  *cancel_after ? "" : program_bytes(FIXTURE_SETUPGS_PATH));
    if (save) run.settings.set_save_dir((run.dir / save).c_str());
    run.settings.load_settings();
    run.state.gs_archive = (run.save() + "gs.zip").c_str();
    run.set_variable("TAMARI_FIXTURE_FAIL", fail);
    run.sink.cancel_after = cancel_after;
    run.set_variable("TMP", tmp);
    run.set_variable("TEMP", temp);
  };
}

// A test installer run beforehand (none when null), then run_probe uninstallers answering their
// exit codes.
std::function<void(step_run&)> installed(
    const char* program, std::vector<std::pair<const char*, int>> uninstallers = {}) {
  return [=](step_run& run) {
    if (program) run_installer(program);
    for (const auto& uninstaller : uninstallers)
      run.set_uninstaller(uninstaller.first, uninstaller.second);
  };
}

// setupgs.exe may not cope with a Japanese temporary directory: one in TMP or TEMP is moved to the
// save directory, or to Windows' own when that is Japanese too.
TEST(install_ghostscript, keeps_the_scratch_directory_after_a_failure) {
  const std::string started = "GhostScriptのインストール\r\n",
                    moved = "一時ディレクトリの変更……成功\r\n",
                    windows_tmp = "env TMP=" + std::string(get_env("windir").c_str()) + "\\tmp";
  run_rows(install_ghostscript, &step_results::ghostscript, {
      {"installed", archive(true, "", "", "c:\\表\\tmp"),
       started + moved + "<save>gs.zipを解凍……成功\r\nsetupgs.exeを実行……成功\r\n",
       {"GhostScriptのインストール開始", "GhostScriptのインストール終了"}, "成功", true,
       {"no file <save>GhostScript", "env TMP=<save>", "env TEMP=c:\\temp"}},
      {"setupgs.exe fails, TMP in ASCII", archive(true, "setupgs:7", "", "c:\\temp"),
       started + "<save>gs.zipを解凍……成功\r\nsetupgs.exeを実行……失敗\r\n",
       {"GhostScriptのインストール開始", "setupgs.exeの実行に失敗しました．"}, "失敗", false,
       {"file <save>GhostScript\\setupgs.exe", "env TMP=c:\\temp"}},
      {"no archive, a Japanese save directory", archive(false, "", "", "c:\\ソ", "c:\\表2", "表\\"),
       started + moved + "<save>gs.zipを解凍……失敗\r\n",
       {"GhostScriptのインストール開始", "<save>gs.zipの解凍に失敗"}, "失敗", false,
       {windows_tmp, replaced(windows_tmp, "TMP", "TEMP")}},
      {"cancelled", archive(true, "", "を解凍……", "c:\\表\\tmp"), started + moved
       + "<save>gs.zipを解凍……",
       {"GhostScriptのインストール開始", "キャンセルされました．"}, "キャンセル", false,
       {"file <save>GhostScript\\setupgs.exe"}},
  });
}

TEST(configure_ghostscript, appends_the_font_map_each_time) {
  auto twice = [](step_context& context) {
    return configure_ghostscript(context) && configure_ghostscript(context);
  };
  std::string block = replaced(cidfmap_entries(windir_with_slashes()).c_str(), "\n", "\r\n");
  run_rows(twice, &step_results::ghostscript_settings,
           {
               {"installed",
                installed(FIXTURE_SETUPGS_PATH),
                "GhostScriptの設定……成功\r\nGhostScriptの設定……成功\r\n",
                {"GhostScriptの設定開始", "GhostScriptの設定完了", "GhostScriptの設定開始",
                 "GhostScriptの設定完了"},
                "成功",
                true,
                {"file <dir>programs\\gs8.14\\lib\\cidfmap=% written by the test installer\r\n" +
                 block + block}},
               {"nothing registered",
                installed(nullptr),
                "GhostScriptの設定……失敗\r\n",
                {"GhostScriptの設定開始", "lib\\cidfmapを開けませんでした．"},
                "失敗",
                false,
                {}},
           });
}

TEST(uninstallers, run_in_the_uninstall_keys_order_until_one_fails) {
  run_rows(uninstall_ghostscript, &step_results::ghostscript, {
      {"installed", installed(FIXTURE_SETUPGS_PATH), "GhostScriptのアンインストール……成功\r\n",
       {"GhostScriptのアンインストール開始", "GhostScriptのアンインストール終了"}, "キャンセル",
       true,
       {"no product AFPL Ghostscript 8.14", "no product AFPL Ghostscript Fonts"}},
      {"the uninstaller fails", installed(nullptr, {{"AFPL Ghostscript 8.13", 2}}),
       "GhostScriptのアンインストール……失敗\r\n",
       {"GhostScriptのアンインストール開始",
        "\"<probe>\" 2 \"<dir>AFPL Ghostscript 8.13\"に失敗．"}, "キャンセル",
       false, {}},
  });
  run_rows(uninstall_gsview, &step_results::gsview, {
      // Only whole names count: "GSview 4.6 (Japanese)" is another product.
      {"installed", installed(FIXTURE_GSVIEW_PATH, {{"GSview 4.6 (Japanese)", 0}}),
       "GSviewのアンインストール……成功\r\n",
       {"GSViewのアンインストール開始", "GSViewのアンインストール終了"},
       "キャンセル", true, {"no product GSview 4.8", "no file <dir>GSview 4.6 (Japanese)"}},
      {"the first fails", installed(nullptr, {{"GSview 4.5", 3}, {"GSview 4.6", 0}}),
       "GSviewのアンインストール……失敗\r\n",
       {"GSViewのアンインストール開始", "\"<probe>\" 3 \"<dir>GSview 4.5\"の実行に失敗．"},
       "キャンセル", false,
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
       {"GSViewのインストール開始", "GSViewのインストール終了"}, "成功", true,
       {"file <dir>commands.log=gsview_setup|<dir>save|\"<dir>my setup\\gsv48w32.exe\"\r\n"}},
      {"the installer fails", in_a_path_with_a_space("gsview_setup:1"),
       "GSviewのインストール……失敗\r\n",
       {"GSViewのインストール開始", "<dir>my setup\\gsv48w32.exeの実行に失敗．"}, "失敗", false,
       {}},
  });
}

const std::string user = "HKCU\\" + std::string(para0) + "|";

// para0's values beforehand ("dpi" a DWORD), GhostScript's directory if known, .dvi empty (the
// user's "mydvi" when there are values), and the first two shortcuts present already.
std::function<void(step_run&)> dviout_given(std::vector<std::pair<const char*, const char*>> values,
                                            const char* ghostscript_dir,
                                            const char* cancel_after = "") {
  return [=](step_run& run) {
    run.settings.set_dviout_dir((run.dir / "dviout\\").c_str());
    run.settings.load_settings();
    run.context.ghostscript_dir = ghostscript_dir;
    run.sink.cancel_after = cancel_after;
    for (const auto& value : values) {
      if (std::string(value.first) == "dpi")
        reg_write_dword(HKEY_CURRENT_USER, para0, "dpi", std::stoul(value.second));
      else
        reg_set(HKEY_CURRENT_USER, para0, value.first, value.second);
    }
    reg_set(HKEY_CLASSES_ROOT, ".dvi", "", values.empty() ? "" : "mydvi");
    for (const char* link : {"dviout for Windows.lnk", "Help for dviout.lnk"})
      run.set_file("<menu>" + std::string(link), "mine");
  };
}

const char* const configured = "dvioutの設定……成功\r\n";
const std::vector<std::string> configured_log = {"dvioutの設定開始", "dvioutの設定終了"};

TEST(configure_dviout, fills_in_only_what_is_missing) {
  run_rows(configure_dviout, &step_results::dviout_settings, {
      // With the association's keys and the shortcuts: the first made anew, the others only when
      // missing.
      {"first configuration", dviout_given({}, "c:\\gs\\gs8.14\\"), configured, configured_log,
       "成功", true,
       {user + "TEXPK=^r\\tfm\\\\^s^tfm;^r\\pk\\\\^s.^dpk;^r\\vf\\\\^s.vf;^r\\ovf\\\\^s.ovf;^r\\tfm\\\\^s.tfm",
        user + "gen=`<tex>bin\\mktexpk.exe --dpi ^d --bdpi ^D --mag ^M ^s",
        user + "gsx=c:\\gs\\gs8.14\\bin\\gswin32c.exe", user + "y=A4P", user + "dpi=300",
        "HKCR\\.dvi|=dvifile",
        "HKCR\\dvifile|=TeX DVI file", "HKCR\\dvifile\\Defaulticon|=<dir>dviout\\dviout.exe,1",
        "HKCR\\dvifile\\Shell\\open\\command|=<dir>dviout\\dviout.exe %1",
        "file <menu>Help in English.lnk",
        "file <menu>sample dvi file.lnk", "file <menu>Troubles in dviout.lnk",
        "file <menu>Help for dviout.lnk=mine",
        "file <menu>dviout for Windows.lnk!=mine"}},
      {"the user's values",
       dviout_given({{"TEXROOT", "d:\\mine"}, {"gsx", "old"}, {"y", "B5"}, {"dpi", "600"}},
                    "c:\\gs\\gs8.14\\"),
       configured, configured_log, "成功", true,
       {user + "TEXROOT=d:\\mine", user + "gsx=c:\\gs\\gs8.14\\bin\\gswin32c.exe", user + "y=B5",
        user + "dpi=600",
        "HKCR\\.dvi|=mydvi"}},
      {"gsx missing after an earlier configuration",
       dviout_given({{"TEXPK", "x"}}, "c:\\gs\\gs8.14\\"), configured,
       configured_log, "成功", true, {user + "TEXPK=x", user + "gsx=<none>", user + "dpi=300"}},
      {"GhostScript unknown", dviout_given({{"gsx", "old"}}, ""), configured, configured_log,
       "成功", true,
       {user + "gsx=old"}},
      {"cancel", dviout_given({}, "", "dvioutの設定……"), "dvioutの設定……キャンセルされました．",
       {"dvioutの設定開始", "キャンセルされました．"}, "キャンセル", true,
       {user + "TEXPK=<no key>"}},
  });
}

TEST(uninstall_dviout, removes_the_settings_association_and_shortcuts) {
  run_rows(uninstall_dviout, &step_results::dviout, {
      // dvifile was never there: absent counts as removed.
      {"installed", dviout_given({{"TEXROOT", "c:\\tex\\"}}, ""),
       "dvioutのアンインストール……成功\r\n",
       {"dvioutのアンインストール開始", "dvioutのアンインストール終了"}, "キャンセル", true,
       {user + "TEXROOT=<no key>", "HKCR\\.dvi|=<no key>", "no file <menu>"}},
  });
}

bool nt() {
  EXPECT_FALSE(is_nt_family() && std::getenv("TAMARI_EXPECT_WIN98"))
      << "the child was not taken for Windows 98";
  return is_nt_family();
}

const char batch[] = "@echo off\r\nset TEXMF=c:/tex\r\n  SET texmf = x\r\nrem set TEXMF=x\r\n";

// The installer's PATH, GhostScript's directory, the system PATH in the registry (null: none) and
// autoexec.bat; TeX goes to c:\tex\.
std::function<void(step_run&)> given(const char* installer_path, const char* ghostscript_dir,
                                     const char* value, const char* windir = nullptr) {
  return [=](step_run& run) {
    run.set_variable("PATH", installer_path);
    if (windir) run.set_variable("windir", windir);
    run.set_value(HKEY_LOCAL_MACHINE, system_environment, "PATH", value);
    run.set_file(autoexec, batch);
    run.settings.set_install_dir("c:\\tex\\");
    run.settings.load_settings();
    run.context.ghostscript_dir = ghostscript_dir;
  };
}

const std::string path = std::string("HKLM\\") + system_environment + "|PATH=",
                  unchanged = "file C:\\autoexec.bat=" + std::string(batch);

// The running text and the log line of adding `dirs` to PATH.
std::string adding(const std::string& dirs, const char* outcome) {
  return "環境変数PATHに" + dirs + "を追加……" + outcome + "\r\n";
}
std::string added(const std::string& dirs) { return "環境変数PATHに" + dirs + "を追加"; }

TEST(add_directories_to_path, extends_the_registry_value_or_autoexec_bat) {
  const char *tex = "c:\\tex\\bin", *gs = "c:\\gs\\gs8.14\\", *gs_bin = "c:\\gs\\gs8.14\\bin";
  if (nt()) {
    run_rows(add_directories_to_path, &step_results::environment, {
        // The value already ends with ";".
        {"both added", given("c:\\windows", gs, "c:\\windows;"), adding(tex, "成功")
         + adding(gs_bin, "成功"),
         {added(tex), added(gs_bin)}, "成功", true,
         {"REG_EXPAND_SZ " + path + "c:\\windows;c:\\tex\\bin;c:\\gs\\gs8.14\\bin;", "restart"}},
        {"unreadable value", given("c:\\windows", "", nullptr), adding(tex, "失敗"),
         {"レジストリを読み込めませんでした．", added(tex) + "しようとしたら失敗．"}, "失敗", false,
         {path + "<none>"}},
    });
    return;
  }
  const std::string both = "c:\\tex\\bin,c:\\gs\\gs8.14\\bin";
  run_rows(add_directories_to_path, &step_results::environment, {
      {"both added", given("c:\\windows", gs, "c:\\windows"), adding(both, "成功"), {added(both)},
       "成功", true,
       {path + "c:\\windows", unchanged
        + "\r\nset PATH=\"%PATH%\";c:\\tex\\bin;c:\\gs\\gs8.14\\bin\r\n", "restart"}},
      // Without windir there is no autoexec.bat to write to.
      {"no windir", given("c:\\windows", "", "c:\\windows", ""), adding(tex, "失敗"),
       {added(tex) + "しようとしたら失敗．"}, "失敗", true, {path + "c:\\windows", unchanged}},
  });
}

// Deleting TEXMF: on NT from both registry places, an autoexec.bat without its set lines left alone
// and unlogged; on 9x from autoexec.bat only, here missing (its dropped set lines are
// dialogs_test's).
TEST(delete_env_variable, deletes_from_the_registry_on_nt_only) {
  step_run run("delete");
  run.set_value(HKEY_LOCAL_MACHINE, system_environment, "TEXMF", "c:/old");
  run.set_value(HKEY_CURRENT_USER, "Environment", "TEXMF", "c:/old");
  run.set_file(autoexec, "@echo off\r\n");
  const bool on_nt = nt();
  if (!on_nt) DeleteFileA(autoexec);
  delete_env_variable(run.settings, "TEXMF");
  std::vector<std::string> log = {"環境変数「TEXMF」の削除開始．"};
  if (!on_nt) log.push_back("C:\\autoexec.batからの削除失敗．");
  EXPECT_EQ(log, run.log());
  EXPECT_EQ(on_nt ? "@echo off\r\n" : "", read_file(autoexec));
  EXPECT_EQ(on_nt ? "<none>" : "c:/old", reg_text(HKEY_LOCAL_MACHINE, system_environment, "TEXMF"));
  EXPECT_EQ(on_nt ? "<none>" : "c:/old", reg_text(HKEY_CURRENT_USER, "Environment", "TEXMF"));
}

// The 9x rows above, in a child that Wine's per-program setting takes for Windows 98.
TEST(windows_98, child_passes) {
  if (!is_nt_family()) GTEST_SKIP() << "this is the child";
  char self[MAX_PATH + 1] = "";
  GetModuleFileNameA(nullptr, self, sizeof self);
  const std::string name = self;
  step_run run("win98");
  const std::string key = "Software\\Wine\\AppDefaults\\" + name.substr(name.rfind('\\') + 1);
  run.set_value(HKEY_CURRENT_USER, key, "Version", "win98");
  run.set_variable("TAMARI_EXPECT_WIN98", "1");
  const std::string tests = "add_directories_to_path.*:delete_env_variable.*";
  EXPECT_TRUE(run_and_wait(("\"" + name + "\" --gtest_filter=" + tests).c_str(), "", false))
      << "the child failed";
}

}  // namespace

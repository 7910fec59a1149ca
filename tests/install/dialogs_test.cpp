// Whole installation runs through the real dialog 107, driven as a user would: the questions
// answered, dialog 112 (its screenshot here; 107's is the end-to-end walk's) and the dviout path
// prompt filled in, キャンセル pressed while a question or a program waits.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include "install/install_dialog.h"
#include "resources/tamari3/ids.h"
#include "support/worker_dialog.h"
#include "tests/install/step_fixture.h"
#include "tests/ui_driver/ui_driver.h"

namespace {

const char prompt_caption[] = "dvioutをインストールするディレクトリを指定してください．";
const char sheet[] = "環境変数のチェック";

enum setup_flag : unsigned {
  w32tex = 1, texmf = 2, gs_lib = 4, gs_registered = 8, gs_uninstaller_fails = 16, gs_archive = 32,
  gsview_registered = 64, gsview = 128, dviout_installed_before = 256, dviout = 512,
  path_has_bin = 1024, plugin_cancels = 2048, settings_locked = 4096,
};

// What the user does next: answers the window of `caption` (a message box of "tamari3", whose text
// is noted) with `button`; in dialog 112 notes the rows and may untick the first; in the path
// prompt notes the offered directory and may type one; or, with no caption, waits until the test
// program `blocked` runs, presses キャンセル of dialog 107 and lets the program end.
struct action {
  const char* caption;
  int button;
  const char *typed, *blocked;
  bool untick_first;
};
action box(int button) { return {"tamari3", button, nullptr, nullptr, false}; }
action sheet_112(int button, bool untick_first = false) {
  return {sheet, button, nullptr, nullptr, untick_first};
}
action prompt(int button, const char* typed = nullptr) {
  return {prompt_caption, button, typed, nullptr, false};
}
action cancel_while(const char* program) { return {nullptr, 0, nullptr, program, false}; }

struct fake_plugins : other_software_source {
  int selected = 0, succeeding = 0;
  bool cancel = false;  // キャンセル pressed, on the window they report to, while they install
  int count_selected() const override { return selected; }
  int install_selected(HWND progress_window) override {
    if (cancel) SendMessageA(progress_window, WM_COMMAND, IDCANCEL, 0);
    return succeeding;
  }
};

// The first line of each question; the rest says which button does what.
std::string question(const char* name) {
  return std::string(name) + "は既にインストールされています．アンインストールしますか？";
}
const std::string gs_question = question("GhostScript"), gsview_question = question("GSview"),
                  dviout_question = question("dviout");
const std::string offered = "TEXMF=c:/old ticked|TEXMFCNF=c:/cnf ticked|",
                  default_dir = "<tex>dviout\\";
const char *const none = "インストールしてない", *const cancelled = "キャンセル",
                  *const ok = "成功";

// The running text of dialog 107 as it was when the dialog went.
std::string last_text;
LRESULT CALLBACK catch_last_text(int code, WPARAM wparam, LPARAM lparam) {
  HWND window = reinterpret_cast<HWND>(wparam);
  if (code == HCBT_DESTROYWND && GetDlgItem(window, IDC_INSTALL_PROGRESS) &&
      ui_driver::text(window) == "インストール")
    last_text = ui_driver::item_text(window, IDC_INSTALL_PROGRESS);
  return CallNextHookEx(nullptr, code, wparam, lparam);
}

// The state, variables and registrations of `setup`; `blocked` waits for <dir>release.
void prepare(step_run& run, unsigned setup, const std::string& blocked) {
  if (setup & w32tex) {
    run.set_file("<save>texinst\\tar.exe", program_bytes(FIXTURE_TAR_PATH));
    run.set_file("<save>x.tar.bz2", "bz2");
    run.state.w32tex_archives.push_back((run.save() + "x.tar.bz2").c_str());
  }
  run.set_file(autoexec, setup & texmf ? "set TEXMF=c:/old\r\nset TEXMFCNF=c:/cnf\r\n" : "");
  run.set_variable("TEXMF", setup & texmf ? "c:/old" : nullptr);
  run.set_variable("TEXMFCNF", setup & texmf ? "c:/cnf" : nullptr);
  run.set_variable("TEXMFMAIN", nullptr);
  // Set in the registry only, so dialog 112 does not offer it.
  run.set_value(HKEY_CURRENT_USER, "Environment", "TEXMFMAIN", setup & texmf ? "c:/cnf" : nullptr);
  run.set_variable("GS_LIB", setup & gs_lib ? "c:/gs/lib" : nullptr);
  // TeX's bin directory spelt otherwise, after another directory: it still counts as present.
  const std::string bin = "c:\\windows;" + run.tex() + "BIN\\";
  run.set_variable("PATH", setup & path_has_bin ? bin.c_str() : "c:\\windows");
  run.set_value(HKEY_LOCAL_MACHINE, system_environment, "PATH", "c:\\windows");
  run.set_variable("TAMARI_FIXTURE_FAIL", setup & gs_uninstaller_fails ? "uninstall:2" : nullptr);
  const std::string wait = blocked + ":" + run.dir / "release";
  run.set_variable("TAMARI_FIXTURE_WAIT", blocked.empty() ? nullptr : wait.c_str());
  if (setup & gs_registered) run_installer(FIXTURE_SETUPGS_PATH);
  if (setup & gs_archive) {
    run.set_zip("<save>gs.zip", "setupgs.exe", program_bytes(FIXTURE_SETUPGS_PATH));
    run.state.gs_archive = (run.save() + "gs.zip").c_str();
  }
  if (setup & gsview_registered) run.set_uninstaller("GSview 4.5", 0);
  if (setup & gsview) run.state.gsview_installer = program_path(FIXTURE_GSVIEW_PATH).c_str();
  if (setup & dviout_installed_before) reg_set(HKEY_CURRENT_USER, para0, "TEXROOT", "x");
  if (setup & dviout) {
    run.set_zip("<save>texw.zip", "dviout.exe", "dviout");
    run.state.dviout_archive = (run.save() + "texw.zip").c_str();
  }
  // Held by another program: the settings can be neither written nor read again.
  if (setup & settings_locked) {
    HANDLE held = CreateFileA(run.settings.ini_path().c_str(), GENERIC_READ, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    run.undo.push_back([held] { CloseHandle(held); });
  }
}

// Follows the actions from a second thread; answers what it saw of each window.
std::vector<std::string> drive(const step_run& run, const std::vector<action>& actions) {
  std::vector<std::string> seen;
  for (const action& a : actions) {
    if (a.blocked) {
      EXPECT_TRUE(ui_driver::wait_until([&] {
        for (const std::string& line :
             read_lines(run.dir / "commands.log"))  // program|directory|command
          if (line.find(std::string(a.blocked) + "|") == 0) return true;
        return false;
      })) << a.blocked
          << " never started";
      ui_driver::press(ui_driver::find_window({"#32770", "インストール"}), IDCANCEL);
      write_file(run.dir / "release", "");
      continue;
    }
    HWND window = ui_driver::wait_for_window({"#32770", a.caption});
    EXPECT_TRUE(window) << "no window " << a.caption;
    if (!window) break;
    if (a.caption == sheet) {
      HWND list = ui_driver::item(window, IDC_OBSOLETE_LIST);
      std::string rows;
      for (int row = 0; row < ui_driver::list_count(list); ++row)
        rows += ui_driver::list_text(list, row, 0) + "=" + ui_driver::list_text(list, row, 1) +
                (ui_driver::list_checked(list, row) ? " ticked|" : "|");
      seen.push_back(rows);
      if (a.untick_first) ui_driver::list_set_checked(list, 0, false);
      std::printf("screenshot: %s\n", ui_driver::save_screenshot("install_112", window).c_str());
    } else if (a.caption == prompt_caption) {
      seen.push_back(replaced(ui_driver::item_text(window, IDC_ASK_PATH_EDIT), run.tex(), "<tex>"));
      if (a.typed) ui_driver::set_text(window, IDC_ASK_PATH_EDIT, run.dir / a.typed);
    } else {
      const std::string text = ui_driver::message_box_text(window);
      seen.push_back(text.substr(0, text.find("\r\n")));
    }
    ui_driver::press(window, a.button);
    ui_driver::wait_until_gone(window);
  }
  return seen;
}

// Dialog 112 deletes the ticked variables (TEXMFCNF; TEXMF was unticked) and then asks for a
// restart; its キャンセル deletes nothing. Where a deletion reaches is delete_env_variable's
// (steps_test); autoexec.bat shows which names it was given.
std::vector<std::string> texmf_left(bool deleted) {
  if (!deleted) return {"file C:\\autoexec.bat=set TEXMF=c:/old\r\nset TEXMFCNF=c:/cnf\r\n"};
  return {"file C:\\autoexec.bat=set TEXMF=c:/old\r\n", "restart"};
}

TEST(run_installation, runs_the_steps_in_order_through_dialog_107) {
  struct {
    const char* what;
    unsigned setup;
    int plugins_selected, plugins_succeeding;
    std::vector<action> actions;
    std::vector<std::string> seen;  // the boxes' texts, dialog 112's rows, the offered directory
    int returned;
    // w32tex, dviout, dviout_settings, ghostscript, gsview, ghostscript_settings, environment,
    // other
    std::array<const char*, 8> results;
    std::vector<std::string> log_in_order;  // these lines, in this order, others between
    const char* text_end;                   // how the running text ends
    std::vector<std::string> checks;        // as in the steps' tables
  } cases[] = {
      {"Yes, No and Cancel",
       w32tex | texmf | gs_registered | gs_archive | gsview_registered | gsview |
                                 dviout_installed_before | dviout, 1, 1,
       {sheet_112(IDOK, true), box(IDYES), box(IDNO), box(IDCANCEL)},
       {offered, gs_question, gsview_question, dviout_question},
       0, {ok, cancelled, cancelled, ok, ok, ok, ok, ok},
       {"W32TeXのインストール終了", "TeXの不要環境変数削除開始．",
        "環境変数「TEXMF」「TEXMFCNF」が存在．",
        "環境変数「TEXMFCNF」の削除終了．", "TeXの不要環境変数削除終了．",
        "GhostScriptのアンインストール開始", "GhostScriptのインストール開始",
        "GhostScriptの設定完了",
        "GSViewのインストール開始", "その他のソフトウェアのインストールに成功しました．"},
       "その他のソフトウェアのインストール\r\n", texmf_left(true)},
      {"a failed uninstallation, then dviout anew in 表", gs_registered | gs_uninstaller_fails |
           gs_archive | gs_lib | dviout_installed_before | dviout | path_has_bin, 0, 0,
       {box(IDYES), box(IDOK), sheet_112(IDCANCEL), box(IDYES), prompt(IDOK, "表")},
       {gs_question, "アンインストールに失敗", "GS_LIB=c:/gs/lib ticked|", dviout_question,
        default_dir},
       0, {none, ok, ok, cancelled, none, cancelled, "不要", "インストールしてない．"},
       {"GhostScriptのアンインストール開始", "GhostScriptの不要環境変数削除開始．",
        "環境変数を削除しませんでした．", "dvioutのアンインストール終了", "dvioutの設定終了"},
       "dvioutのインストール……成功\r\ndvioutの設定……成功\r\n", {"file <dir>表\\dviout.exe"}},
      {"キャンセル while tar runs", w32tex | texmf, 0, 0,
       {cancel_while("tar"), sheet_112(IDCANCEL)},
       {offered}, 4,
       {"失敗", cancelled, cancelled, cancelled, cancelled, cancelled, cancelled, cancelled},
       {"x.tar.bz2のインストールに成功", "W32TeXのインストール終了",
        "環境変数を削除しませんでした．",
        "TeXの不要環境変数削除終了．"},
       "x.tar.bz2を解凍……失敗\r\nキャンセルされました．", texmf_left(false)},
      {"キャンセル while uninstalling", gs_registered | gs_archive, 0, 0,
       {box(IDYES), cancel_while("uninstall")}, {gs_question}, 4,
       {none, cancelled, cancelled, cancelled, cancelled, cancelled, cancelled, cancelled},
       {"GhostScriptのアンインストール終了"},
       "GhostScriptのアンインストール……成功\r\nキャンセルされました．", {}},
      {"キャンセル while GSview installs", gsview, 0, 0, {cancel_while("gsview_setup")},
       {}, 4, {none, cancelled, cancelled, none, cancelled, none, cancelled, cancelled},
       {"GSViewのインストール開始"}, "GSviewのインストール……キャンセルされました．", {}},
      {"the dviout prompt cancelled, キャンセル while the plug-ins install",
       dviout | path_has_bin | plugin_cancels, 2, 1, {prompt(IDCANCEL)}, {default_dir}, 4,
       {none, "失敗", cancelled, none, none, none, "不要", "失敗"},
       {"その他のソフトウェアのインストールに失敗しました．"},
       "dvioutのインストール……失敗\r\nその他のソフトウェアのインストール\r\nキャンセルされました．",
       {}},
      {"a settings file held by another program", dviout | path_has_bin | settings_locked,
       0, 0, {prompt(IDOK)}, {default_dir}, 0,
       {none, "失敗", cancelled, none, none, none, "不要", "インストールしてない．"},
       {"dvioutのディレクトリを設定ファイルに書き込めませんでした．"},
       "dvioutのインストール……失敗\r\n", {"no file <tex>dviout\\dviout.exe"}},
  };
  HHOOK hook = SetWindowsHookExA(WH_CBT, catch_last_text, nullptr, GetCurrentThreadId());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    step_run run("walk");
    std::string blocked;
    for (const action& a : c.actions)
      if (a.blocked) blocked = a.blocked;
    prepare(run, c.setup, blocked);
    fake_plugins plugins;
    plugins.selected = c.plugins_selected;
    plugins.succeeding = c.plugins_succeeding;
    plugins.cancel = c.setup & plugin_cancels;
    last_text = "<not caught>";
    int returned = -1;
    std::vector<std::string> seen;
    EXPECT_TRUE(ui_driver::run_modal(
        [&] { returned = run_installation_dialog(nullptr, &plugins, run.settings, run.state); },
        [&](DWORD) { seen = drive(run, c.actions); }));
    EXPECT_EQ(c.seen, seen);
    EXPECT_EQ(c.returned, returned);
    const step_results& r = run.state.step_results;
    const wklib::string* fields[] = {&r.w32tex,      &r.dviout,        &r.dviout_settings,
                                     &r.ghostscript, &r.gsview,        &r.ghostscript_settings,
                                     &r.environment, &r.other_software};
    for (size_t i = 0; i < 8; ++i) EXPECT_STREQ(c.results[i], fields[i]->c_str()) << "field " << i;
    std::vector<std::string> log = run.log();
    auto at = log.begin();
    for (const std::string& line : c.log_in_order)
      EXPECT_NE(log.end(), at = std::find(at, log.end(), line))
          << "expected next in the log: " << line;
    const std::string end = c.text_end;
    EXPECT_EQ(end, last_text.substr(last_text.size() - std::min(last_text.size(), end.size())));
    expect_checks(run, c.checks);
  }
  UnhookWindowsHookEx(hook);
}

TEST(run_installation, ends_with_3_when_the_worker_cannot_start) {
  step_run run("no_worker");
  wklib::thread_starter saved = wklib::start_worker_thread;
  wklib::start_worker_thread = [](unsigned(__stdcall*)(void*), void*) -> HANDLE { return nullptr; };
  const int returned = run_installation_dialog(nullptr, nullptr, run.settings, run.state);
  wklib::start_worker_thread = saved;
  EXPECT_EQ(3, returned);
  EXPECT_STREQ("", run.state.step_results.w32tex.c_str()) << "no step ran";
}

}  // namespace

// Dialog 112, the dviout path prompt, and whole installation runs through the
// real dialog 107, driven as a user would: questions answered, キャンセル
// pressed while a question waits, screenshots of both dialogs.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include "install/dviout.h"
#include "install/environment.h"
#include "install/install_dialog.h"
#include "install/obsolete_variable_dialog.h"
#include "resources/tamari3/ids.h"
#include "support/worker_dialog.h"
#include "system/file_system.h"
#include "system/process.h"
#include "system/registry.h"
#include "tests/archive/zip_builder.h"
#include "tests/install/step_fixture.h"
#include "tests/ui_driver/ui_driver.h"

namespace {

const char prompt_caption[] = "dvioutをインストールするディレクトリを指定してください．";

TEST(obsolete_variable_dialog, offers_the_set_variables_and_deletes_the_ticked) {
  struct {
    const char* what;
    bool untick_first;
    int button;
    bool answer;
    const char* texmfcnf_after;  // in the user's registry
    const char* last_log;
  } cases[] = {
      {"OK with one ticked", true, IDOK, true, "<none>", "環境変数「TEXMFCNF」の削除終了．"},
      {"キャンセル", false, IDCANCEL, false, "c:/cnf", "環境変数を削除しませんでした．"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto file = saved_file(autoexec);
    std::vector<at_end> saved;
    for (const char* name : {"TEXMF", "TEXMFCNF", "TEXMFMAIN"}) {
      saved.push_back(saved_value(HKEY_CURRENT_USER, "Environment", name));
      reg_set(HKEY_CURRENT_USER, "Environment", name, "c:/cnf");
    }
    auto set_texmf = saved_variable("TEXMF", "c:/old"),
         set_cnf = saved_variable("TEXMFCNF", "c:/cnf");
    auto unset = saved_variable("TEXMFMAIN");
    write_file(autoexec, "set TEXMF=c:/old\r\nset TEXMFCNF=c:/cnf\r\n");
    step_run run("obsolete");
    bool answer = !c.answer;
    std::vector<std::string> rows;
    bool closed = ui_driver::run_modal(
        [&] {
          answer = obsolete_variable_dialog(nullptr, run.settings, tex_variables.names,
                                            tex_variables.message);
        },
        [&](DWORD) {
          HWND dialog = ui_driver::wait_for_window({"#32770", "環境変数のチェック"});
          ASSERT_TRUE(dialog);
          EXPECT_EQ(tex_variables.message, ui_driver::item_text(dialog, IDC_OBSOLETE_MESSAGE));
          HWND list = ui_driver::item(dialog, IDC_OBSOLETE_LIST);
          for (int row = 0; row < ui_driver::list_count(list); ++row)
            rows.push_back(ui_driver::list_text(list, row, 0) + "=" +
                           ui_driver::list_text(list, row, 1) +
                           (ui_driver::list_checked(list, row) ? " ticked" : ""));
          if (c.untick_first) {
            std::printf("screenshot: %s\n",
                        ui_driver::save_screenshot("install_112", dialog).c_str());
            ui_driver::list_set_checked(list, 0, false);
          }
          ui_driver::press(dialog, c.button);
        });
    EXPECT_TRUE(closed);
    EXPECT_EQ(c.answer, answer);
    EXPECT_EQ((std::vector<std::string>{"TEXMF=c:/old ticked", "TEXMFCNF=c:/cnf ticked"}), rows)
        << "TEXMFMAIN is set in the registry only";
    EXPECT_EQ("c:/cnf", reg_text(HKEY_CURRENT_USER, "Environment", "TEXMF"))
        << "unticked or cancelled";
    EXPECT_EQ(c.texmfcnf_after, reg_text(HKEY_CURRENT_USER, "Environment", "TEXMFCNF"));
    EXPECT_EQ(c.answer ? "set TEXMF=c:/old\r\n" : "set TEXMF=c:/old\r\nset TEXMFCNF=c:/cnf\r\n",
              read_file(autoexec));
    std::vector<std::string> log = run.log();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ("環境変数「TEXMF」「TEXMFCNF」が存在．", log.front());
    EXPECT_EQ(c.last_log, log.back());
  }
}

// The dviout archive: one program file.
std::string write_dviout_archive(const std::string& path) {
  zip_builder zip;
  zip.add("dviout.exe", "dviout");
  write_file(path, zip.build());
  return path;
}

// The prompt's キャンセル; OK with a typed directory is the walk's "表" case below.
TEST(install_dviout, offers_the_default_directory_and_fails_on_cancel) {
  step_run run("dviout_prompt");
  run.state.dviout_archive = write_dviout_archive(run.dir / "texw.zip").c_str();
  std::string offered;
  EXPECT_TRUE(ui_driver::run_modal([&] { install_dviout(run.context); }, [&](DWORD) {
    HWND prompt = ui_driver::wait_for_window({"#32770", prompt_caption});
    ASSERT_TRUE(prompt);
    offered = ui_driver::item_text(prompt, IDC_ASK_PATH_EDIT);
    ui_driver::press(prompt, IDCANCEL);
  }));
  EXPECT_EQ(run.tex() + "dviout\\", offered);
  EXPECT_EQ("dvioutのインストール……失敗\r\n", run.sink.text);
  EXPECT_STREQ("失敗", run.state.step_results.dviout.c_str());
}

enum setup_flag : unsigned {
  w32tex = 1, texmf = 2, gs_lib = 4, gs_registered = 8, gs_uninstaller_fails = 16, gs_archive = 32,
  gsview_registered = 64, gsview = 128, dviout_installed_before = 256, dviout = 512,
  path_has_bin = 1024, plugin_cancels = 2048,
};

// What the user does next: answers the window of `caption` (for a message box
// of "tamari3", showing `text`) with `button`, after typing `typed` into the
// path prompt; or, with no caption, waits until the test program `blocked`
// runs, presses キャンセル of dialog 107 and lets the program end.
struct action {
  const char *caption, *text;
  int button;
  const char *typed, *screenshot, *blocked;
};
action box(const char* text, int button, const char* shot = nullptr) {
  return {"tamari3", text, button, nullptr, shot, nullptr};
}
action sheet_112(int button, const char* shot = nullptr) {
  return {"環境変数のチェック", nullptr, button, nullptr, shot, nullptr};
}
action cancel_while(const char* program, const char* shot = nullptr) {
  return {nullptr, nullptr, 0, nullptr, shot, program};
}

struct fake_plugins : other_software_source {
  int selected = 0, succeeding = 0;
  bool cancel = false;  // キャンセル pressed while they install
  HWND window = nullptr;
  int count_selected() const override { return selected; }
  int install_selected(HWND progress_window) override {
    window = progress_window;
    if (cancel) SendMessageA(progress_window, WM_COMMAND, IDCANCEL, 0);
    return succeeding;
  }
};

std::string question(const char* name) {
  return std::string(name) +
         "は既にインストールされています．アンインストールしますか？\r\nアンインストールするなら"
         "「はい」を，\r\nせずにインストールするなら「いいえ」を，\r\nインストールしないならば"
         "「キャンセル」を押してください．";
}
const std::string gs_question = question("GhostScript"), gsview_question = question("GSview"),
                  dviout_question = question("dviout") +
                                    "\r\nまた，アップデートの時も「いいえ」を選んでください．";
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

void prepare(step_run& run, unsigned setup) {
  if (setup & w32tex) {
    CreateDirectoryA((run.save() + "texinst").c_str(), nullptr);
    CopyFileA(program_path(FIXTURE_TAR_PATH).c_str(), (run.save() + "texinst\\tar.exe").c_str(),
              FALSE);
    write_file(run.save() + "x.tar.bz2", "bz2");
    run.state.w32tex_archives.push_back((run.save() + "x.tar.bz2").c_str());
  }
  if (setup & gs_registered) {
    auto old_root = saved_variable("TAMARI_FIXTURE_ROOT", (run.dir / "old\\").c_str());
    run_and_wait(("\"" + program_path(FIXTURE_SETUPGS_PATH) + "\"").c_str(), "", false);
  }
  if (setup & gs_archive) {
    zip_builder zip;
    zip.add("setupgs.exe", read_file(program_path(FIXTURE_SETUPGS_PATH)));
    write_file(run.save() + "gs.zip", zip.build());
    run.state.gs_archive = (run.save() + "gs.zip").c_str();
  }
  if (setup & gsview_registered)
    register_product("GSview 4.5", probe_command(0, run.dir / "gv.txt"));
  if (setup & gsview) run.state.gsview_installer = program_path(FIXTURE_GSVIEW_PATH).c_str();
  if (setup & dviout_installed_before)
    reg_set(HKEY_CURRENT_USER, "Software\\TOMOE\\DVIOUT\\para0", "TEXROOT", "x");
  if (setup & dviout)
    run.state.dviout_archive = write_dviout_archive(run.save() + "texw.zip").c_str();
}

void clean_registry() {
  unregister_products(
      {"AFPL Ghostscript 8.14", "AFPL Ghostscript Fonts", "GSview 4.5", "GSview 4.8"});
  reg_delete_key_tree(HKEY_CURRENT_USER, "Software\\TOMOE");
  for (const char* key : {".dvi", "dvifile"}) reg_delete_key_tree(HKEY_CLASSES_ROOT, key);
  char folder[MAX_PATH + 16] = "";
  if (programs_folder(folder)) remove_directory_tree(wklib::string(folder) + "dviout\\");
}

// Follows the actions from a second thread; answers the message boxes' texts.
std::vector<std::string> drive(const step_run& run, const std::vector<action>& actions) {
  std::vector<std::string> seen;
  for (const action& a : actions) {
    if (!a.caption) {
      EXPECT_TRUE(ui_driver::wait_until([&] {
        for (const std::string& line : run.commands())
          if (line.find(std::string(a.blocked) + "|") == 0) return true;
        return false;
      })) << a.blocked
          << " never started";
      HWND dialog = ui_driver::find_window({"#32770", "インストール"});
      if (a.screenshot)
        std::printf("screenshot: %s\n", ui_driver::save_screenshot(a.screenshot, dialog).c_str());
      ui_driver::press(dialog, IDCANCEL);
      write_file(run.dir / "release", "");
      continue;
    }
    HWND window = ui_driver::wait_for_window({"#32770", a.caption});
    EXPECT_TRUE(window) << "no window " << a.caption;
    if (!window) break;
    if (a.text) seen.push_back(ui_driver::message_box_text(window));
    if (a.screenshot)
      std::printf("screenshot: %s\n", ui_driver::save_screenshot(a.screenshot).c_str());
    if (a.typed) ui_driver::set_text(window, IDC_ASK_PATH_EDIT, run.dir / a.typed);
    ui_driver::press(window, a.button);
    ui_driver::wait_until_gone(window);
  }
  return seen;
}

TEST(run_installation, runs_the_steps_in_order_through_dialog_107) {
  struct {
    const char* what;
    unsigned setup;
    int plugins_selected, plugins_succeeding;
    std::vector<action> actions;
    int returned;
    // w32tex, dviout, dviout_settings, ghostscript, gsview, ghostscript_settings, environment,
    // other
    std::array<const char*, 8> results;
    bool restart;
    std::vector<std::string> log_in_order;  // these lines, in this order, others between
    const char* text_end;                   // how the running text ends
  } cases[] = {
      {"nothing chosen", path_has_bin, 0, 0, {}, 0,
       {none, none, none, none, none, none, "不要", "インストールしてない．"}, false, {}, ""},
      {"Yes, No and Cancel", w32tex | texmf | gs_registered | gs_archive | gsview_registered |
                                 gsview | dviout_installed_before | dviout, 1, 1,
       {sheet_112(IDOK, "install_112_in_run"), box(gs_question.c_str(), IDYES, "install_107_question"),
        box(gsview_question.c_str(), IDNO), box(dviout_question.c_str(), IDCANCEL)},
       0, {ok, cancelled, cancelled, ok, ok, ok, ok, ok}, true,
       {"W32TeXのインストール開始", "x.tar.bz2のインストールに成功", "W32TeXのインストール終了",
        "TeXの不要環境変数削除開始．", "TeXの不要環境変数削除終了．",
        "GhostScriptのアンインストール開始", "GhostScriptのインストール開始",
        "GhostScriptの設定完了", "GSViewのインストール開始", "GSViewのインストール終了",
        "その他のソフトウェアのインストール開始", "その他のソフトウェアのインストールに成功しました．"},
       "その他のソフトウェアのインストール\r\n"},
      {"a failed uninstallation, then dviout anew in 表", gs_registered | gs_uninstaller_fails |
           gs_archive | gs_lib | dviout_installed_before | dviout | path_has_bin, 0, 0,
       {box(gs_question.c_str(), IDYES), box("アンインストールに失敗", IDOK), sheet_112(IDCANCEL),
        box(dviout_question.c_str(), IDYES), {prompt_caption, nullptr, IDOK, "表", nullptr, nullptr}},
       0, {none, ok, ok, cancelled, none, cancelled, "不要", "インストールしてない．"}, false,
       {"GhostScriptのアンインストール開始", "GhostScriptの不要環境変数削除開始．",
        "環境変数を削除しませんでした．", "dvioutのアンインストール終了", "dvioutの設定終了"},
       "dvioutのインストール……成功\r\ndvioutの設定……成功\r\n"},
      {"キャンセル while tar runs", w32tex | texmf, 0, 0, {cancel_while("tar"), sheet_112(IDCANCEL)}, 4,
       {"失敗", cancelled, cancelled, cancelled, cancelled, cancelled, cancelled, cancelled}, false,
       {"x.tar.bz2のインストールに成功", "W32TeXのインストール終了", "TeXの不要環境変数削除終了．"},
       "x.tar.bz2を解凍……失敗\r\nキャンセルされました．"},
      {"キャンセル while uninstalling", gs_registered | gs_archive, 0, 0,
       {box(gs_question.c_str(), IDYES), cancel_while("uninstall")}, 4,
       {none, cancelled, cancelled, cancelled, cancelled, cancelled, cancelled, cancelled}, false,
       {"GhostScriptのアンインストール終了"}, "GhostScriptのアンインストール……成功\r\nキャンセルされました．"},
      {"キャンセル while GSview installs", gsview, 0, 0, {cancel_while("gsview_setup", "install_107")},
       4, {none, cancelled, cancelled, none, cancelled, none, cancelled, cancelled}, false,
       {"GSViewのインストール開始"}, "GSviewのインストール……キャンセルされました．"},
      {"キャンセル while the plug-ins install", path_has_bin | plugin_cancels, 2, 1, {}, 4,
       {none, none, none, none, none, none, "不要", "失敗"}, false, {"その他のソフトウェアのインストールに失敗しました．"},
       "その他のソフトウェアのインストール\r\nキャンセルされました．"},
  };
  HHOOK hook = SetWindowsHookExA(WH_CBT, catch_last_text, nullptr, GetCurrentThreadId());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    clean_registry();
    auto file = saved_file(autoexec);
    auto system_path = saved_value(HKEY_LOCAL_MACHINE, system_environment, "PATH");
    auto user_texmf = saved_value(HKEY_CURRENT_USER, "Environment", "TEXMF");
    step_run run("walk");
    prepare(run, c.setup);
    auto root = saved_variable("TAMARI_FIXTURE_ROOT", (run.dir / "programs\\").c_str());
    auto fail = saved_variable("TAMARI_FIXTURE_FAIL",
                               c.setup & gs_uninstaller_fails ? "uninstall:2" : nullptr);
    std::string blocked;
    for (const action& a : c.actions)
      if (a.blocked) blocked = std::string(a.blocked) + ":" + run.dir / "release";
    auto wait = saved_variable("TAMARI_FIXTURE_WAIT", blocked.empty() ? nullptr : blocked.c_str());
    auto texmf_value = saved_variable("TEXMF", c.setup & texmf ? "c:/old" : nullptr);
    auto gs_lib_value = saved_variable("GS_LIB", c.setup & gs_lib ? "c:/gs/lib" : nullptr);
    auto path = saved_variable(
        "PATH", c.setup & path_has_bin ? (run.tex() + "bin").c_str() : "c:\\windows");
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
    std::vector<std::string> texts;
    for (const action& a : c.actions)
      if (a.text) texts.push_back(a.text);
    EXPECT_EQ(texts, seen);
    EXPECT_EQ(c.returned, returned);
    const step_results& r = run.state.step_results;
    const wklib::string* fields[] = {&r.w32tex,      &r.dviout,        &r.dviout_settings,
                                     &r.ghostscript, &r.gsview,        &r.ghostscript_settings,
                                     &r.environment, &r.other_software};
    for (size_t i = 0; i < 8; ++i) EXPECT_STREQ(c.results[i], fields[i]->c_str()) << "field " << i;
    EXPECT_EQ(c.restart, run.state.restart_needed);
    std::vector<std::string> log = run.log();
    auto at = log.begin();
    for (const std::string& line : c.log_in_order)
      EXPECT_NE(log.end(), at = std::find(at, log.end(), line))
          << "expected next in the log: " << line;
    std::string end = c.text_end;
    EXPECT_EQ(end, last_text.substr(last_text.size() - std::min(last_text.size(), end.size())));
    if (c.plugins_selected) {
      EXPECT_TRUE(plugins.window) << "the plug-ins report to dialog 107";
    }
    if (std::string(c.what).find("表") != std::string::npos) {
      EXPECT_EQ(run.dir / "表\\", run.settings.dviout_dir().c_str());
      EXPECT_TRUE(exists(run.dir / "表\\dviout.exe"));
    }
  }
  UnhookWindowsHookEx(hook);
  clean_registry();
}

HANDLE failing_start(unsigned(__stdcall*)(void*), void*) { return nullptr; }

TEST(run_installation, ends_with_3_when_the_worker_cannot_start) {
  step_run run("no_worker");
  wklib::thread_starter saved = wklib::start_worker_thread;
  wklib::start_worker_thread = failing_start;
  int returned = run_installation_dialog(nullptr, nullptr, run.settings, run.state);
  wklib::start_worker_thread = saved;
  EXPECT_EQ(3, returned);
  EXPECT_STREQ("", run.state.step_results.w32tex.c_str()) << "no step ran";
}

}  // namespace

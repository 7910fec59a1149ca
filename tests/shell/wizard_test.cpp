// The wizard run in this process with the program's own templates, driven from
// a second thread as a user would: one walk through all six pages without
// network, then what the walk cannot reach (the finish page's restart, the
// advanced dialog, the failures of the two Next operations).
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "regex/szrex.h"
#include "resources/tamari3/ids.h"
#include "shell/advanced_dialog.h"
#include "shell/finish_page.h"
#include "shell/program_instance.h"
#include "shell/wizard.h"
#include "state/install_settings.h"
#include "state/install_state.h"
#include "state/mirror_lists.h"
#include "support/property_sheet.h"
#include "support/worker_dialog.h"
#include "tests/common/scratch.h"
#include "tests/ui_driver/ui_driver.h"

namespace {

using ui_driver::wizard_back;
using ui_driver::wizard_next;

// The settings file of this test program, as the wizard reads it.
struct settings_file {
  std::string save_dir, install_dir, tex_url = w32tex_mirrors.urls[0];
  bool tex_from_list = true;
  std::string dviout_url = dviout_mirrors.urls[0];
  bool dviout_from_list = true;
  std::string gs_url = gs_mirrors.urls[0];
  bool gs_from_list = true;
  std::string gsview_url = gsview_mirrors.urls[2];
  bool gsview_from_list = true;
  bool use_network = false;
  int port = 0;

  void write() const {
    auto flag = [](bool b) { return b ? "1" : "0"; };
    std::string text = "[Dir]\r\nHozon=" + save_dir + "\r\nInstall=" + install_dir +
                       "\r\n[TeXURL]\r\nURL=" + tex_url + "\r\nIsUrlList=" + flag(tex_from_list) +
                       "\r\n[DVIOUTURL]\r\nURL=" + dviout_url +
                       "\r\nIsUrlList=" + flag(dviout_from_list) + "\r\n[GSURL]\r\nURL=" + gs_url +
                       "\r\nIsUrlList=" + flag(gs_from_list) + "\r\n[GVURL]\r\nURL=" + gsview_url +
                       "\r\nIsUrlList=" + flag(gsview_from_list) +
                       "\r\n[Reg]\r\ntexinst=texinst[0-9]*\\.zip\r\nDVIOUT=tex[0-9]*w\\.zip\r\n"
                       "GS=gs[0-9]*w32full\\.zip\r\nGV=gsv[0-9]*w32\\.exe\r\n[TeX]\r\nDLInst=1\r\n"
                       "[Connect]\r\nDeleteCache=1\r\nUseNetwork=" +
                       flag(use_network) + "\r\nPort=" + std::to_string(port) + "\r\n";
    ASSERT_TRUE(write_file(the_settings().ini_path().c_str(), text));
  }
};

std::string ini_value(const char* section, const char* key) {
  char value[4096] = "";
  GetPrivateProfileStringA(section, key, "", value, sizeof value, the_settings().ini_path().c_str());
  return value;
}

std::vector<std::string> combo_rows(HWND combo) {
  std::vector<std::string> rows;
  int count = static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    char text[512] = "";
    SendMessageA(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
    rows.push_back(text);
  }
  return rows;
}

// The selected row's text, or "(none)".
std::string combo_selection(HWND combo) {
  LRESULT row = SendMessageA(combo, CB_GETCURSEL, 0, 0);
  if (row == CB_ERR) return "(none)";
  return combo_rows(combo)[row];
}

bool read_only(HWND page, int id) {
  return (GetWindowLongA(ui_driver::item(page, id), GWL_STYLE) & ES_READONLY) != 0;
}

// "L+ E- B+": list enabled, edit writable, box ticked; lower case when not.
std::string group_state(HWND page, int list, int check, int edit) {
  std::string s;
  s += ui_driver::is_enabled(ui_driver::item(page, list)) ? "L+" : "L-";
  s += read_only(page, edit) ? " E-" : " E+";
  s += ui_driver::is_enabled(ui_driver::item(page, check)) ? " B" : " b";
  s += ui_driver::check_state(page, check) == BST_CHECKED ? "x" : "o";
  return s;
}

// Waits for a message box of `caption`, answers it with `button` and gives its text.
std::string answer_box(DWORD ui_thread, const char* caption, int button) {
  ui_driver::window_query query;
  query.caption = caption;
  query.thread_id = ui_thread;
  HWND box = ui_driver::wait_for_window(query);
  if (!box) return "(no box)";
  std::string text = ui_driver::message_box_text(box);
  EXPECT_TRUE(ui_driver::press(box, button)) << caption;
  ui_driver::wait_until_gone(box);
  return text;
}

HWND wait_for_sheet(DWORD ui_thread) {
  ui_driver::window_query query;
  query.thread_id = ui_thread;
  query.caption = "TeXのインストール";
  return ui_driver::wait_for_window(query);
}

void screenshot(const char* name, HWND window) {
  std::printf("screenshot: %s\n", ui_driver::save_screenshot(name, window).c_str());
}

bool press_and_wait(HWND sheet, ui_driver::wizard_button button, int page) {
  return ui_driver::press_wizard(sheet, button) && ui_driver::wait_for_page(sheet, page);
}

int g_restarts = 0;
int g_restart_force = -1;
int record_restart(bool force) {
  ++g_restarts;
  g_restart_force = force;
  return 0;
}

// ---- The walk -----------------------------------------------------------------

TEST(wizard, walk_through_every_page_without_network) {
  scratch_directory dir("walk");
  CreateDirectoryA((dir / "save").c_str(), nullptr);
  settings_file ini;
  ini.save_dir = dir / "save\\";
  ini.install_dir = dir / "tex\\";
  ini.dviout_url = "http://typed.example/dviout/";
  ini.dviout_from_list = false;
  ini.gsview_url = "ftp://gone.example/ghostgum/";  // no row of the list
  ini.write();
  the_install_state() = install_state();
  g_restarts = 0;

  wizard sheet_object(program_instance());
  sheet_object.finish().set_restart(record_restart);
  bool closed = ui_driver::run_modal([&] { EXPECT_TRUE(sheet_object.run()); }, [&](DWORD ui) {
    HWND sheet = wait_for_sheet(ui);
    ASSERT_TRUE(sheet) << "the wizard did not appear";
    ASSERT_TRUE(ui_driver::wait_for_page(sheet, 0));

    // 101: the introduction; Next only.
    HWND intro = ui_driver::current_page(sheet);
    EXPECT_EQ(0u, ui_driver::item_text(intro, IDC_INTRO_TEXT).find("Windows用TeXの基本的な"));
    EXPECT_NE(std::string::npos,
              ui_driver::item_text(intro, IDC_INTRO_TEXT).find("・ GSView\r\n・ その他関連"));
    EXPECT_FALSE(ui_driver::read_wizard(sheet).can(wizard_back));
    screenshot("wizard_101_intro", sheet);
    ASSERT_TRUE(press_and_wait(sheet, wizard_next, 1));

    // 102: what the file holds, network off.
    HWND tex = ui_driver::current_page(sheet);
    EXPECT_EQ("W32TeXインストール設定", ui_driver::text(tex));
    EXPECT_TRUE(ui_driver::read_wizard(sheet).can(wizard_back));
    EXPECT_EQ(ini.save_dir, ui_driver::item_text(tex, IDC_SAVE_DIR));
    EXPECT_EQ("", ui_driver::item_text(tex, IDC_PORT)) << "Port 0 shows empty";
    EXPECT_EQ(BST_CHECKED, ui_driver::check_state(tex, IDC_NO_NETWORK));
    EXPECT_EQ(BST_CHECKED, ui_driver::check_state(tex, IDC_DELETE_CACHE));
    std::vector<std::string> rows = combo_rows(ui_driver::item(tex, IDC_TEX_URL_LIST));
    std::vector<std::string> sorted(w32tex_mirrors.urls, w32tex_mirrors.urls + w32tex_mirrors.count);
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, rows) << "the W32TeX list sorts its rows";
    EXPECT_EQ(ini.tex_url, combo_selection(ui_driver::item(tex, IDC_TEX_URL_LIST)));
    // Offline: the mirror, cache and proxy are locked, the directories are not.
    EXPECT_EQ("L- E- bo", group_state(tex, IDC_TEX_URL_LIST, IDC_TEX_URL_TYPED, IDC_TEX_URL_EDIT));
    EXPECT_FALSE(ui_driver::is_enabled(ui_driver::item(tex, IDC_DELETE_CACHE)));
    EXPECT_TRUE(read_only(tex, IDC_PROXY) && read_only(tex, IDC_PORT));
    EXPECT_FALSE(read_only(tex, IDC_SAVE_DIR) || read_only(tex, IDC_INSTALL_DIR));
    screenshot("wizard_102_tex_settings", sheet);

    // The network switch and the typed mode, back and forth.
    EXPECT_TRUE(ui_driver::set_check(tex, IDC_NO_NETWORK, false));
    EXPECT_EQ("L+ E- Bo", group_state(tex, IDC_TEX_URL_LIST, IDC_TEX_URL_TYPED, IDC_TEX_URL_EDIT));
    EXPECT_FALSE(read_only(tex, IDC_PROXY) || read_only(tex, IDC_PORT));
    EXPECT_TRUE(ui_driver::set_check(tex, IDC_TEX_URL_TYPED, true));
    EXPECT_EQ("L- E+ Bx", group_state(tex, IDC_TEX_URL_LIST, IDC_TEX_URL_TYPED, IDC_TEX_URL_EDIT));
    EXPECT_TRUE(ui_driver::set_check(tex, IDC_NO_NETWORK, true));
    EXPECT_EQ("L- E- bx", group_state(tex, IDC_TEX_URL_LIST, IDC_TEX_URL_TYPED, IDC_TEX_URL_EDIT));
    EXPECT_TRUE(ui_driver::set_check(tex, IDC_NO_NETWORK, false));
    EXPECT_EQ("L- E+ Bx", group_state(tex, IDC_TEX_URL_LIST, IDC_TEX_URL_TYPED, IDC_TEX_URL_EDIT))
        << "typed mode survives the network switch";
    EXPECT_TRUE(ui_driver::set_check(tex, IDC_TEX_URL_TYPED, false));

    // Directories the installation cannot use keep the user here; nothing is saved.
    struct {
      const char* save;
      const char* install;
      const char* port;
      const char* message;  // "" when the page lets the user on
    } checks[] = {
        {"c:\\my download\\", "c:\\tex\\", "", "保存ディレクトリに空白"},
        {"c:\\ダウンロード\\", "c:\\テフ\\", "", "保存ディレクトリに空白"},  // only the first
        {"c:\\download\\", "c:\\テフ\\", "", "インストールディレクトリに空白"},
        {"c:\\download\\", "c:\\te x\\", "", "インストールディレクトリに空白"},
        {"c:\\download\\", "c:\\tex\\", "80a", "Portには"},
        {"c:\\download\\", "c:\\tex\\", "65536", "Portには"},
    };
    for (const auto& c : checks) {
      EXPECT_TRUE(ui_driver::set_text(tex, IDC_SAVE_DIR, c.save));
      EXPECT_TRUE(ui_driver::set_text(tex, IDC_INSTALL_DIR, c.install));
      EXPECT_TRUE(ui_driver::set_text(tex, IDC_PORT, c.port));
      EXPECT_TRUE(ui_driver::press_wizard(sheet, wizard_next));
      std::string message = answer_box(ui, "tamari3", IDOK);
      EXPECT_EQ(0u, message.find(c.message)) << c.save << " / " << c.install << " / " << c.port
                                             << ": got " << message;
      EXPECT_TRUE(ui_driver::wait_for_page(sheet, 1)) << c.save;
      EXPECT_EQ(c.save, ui_driver::item_text(tex, IDC_SAVE_DIR)) << "the page keeps what was typed";
    }
    EXPECT_EQ(ini.save_dir, ini_value("Dir", "Hozon")) << "a refused page writes nothing";

    // Half-width katakana are single bytes and pass; without the final backslash
    // the directory is stored with one.
    std::string save = ini.save_dir.substr(0, ini.save_dir.size() - 1);
    EXPECT_TRUE(ui_driver::set_text(tex, IDC_SAVE_DIR, save));
    EXPECT_TRUE(ui_driver::set_text(tex, IDC_INSTALL_DIR, "c:\\ﾃﾌ"));
    EXPECT_TRUE(ui_driver::set_text(tex, IDC_PORT, "8080"));
    EXPECT_TRUE(ui_driver::set_text(tex, IDC_PROXY, "proxy.example"));
    EXPECT_TRUE(ui_driver::set_check(tex, IDC_NO_NETWORK, true));
    ASSERT_TRUE(press_and_wait(sheet, wizard_next, 2));
    EXPECT_EQ(ini.save_dir, ini_value("Dir", "Hozon"));
    EXPECT_EQ("c:\\ﾃﾌ\\", ini_value("Dir", "Install"));
    EXPECT_EQ("8080", ini_value("Connect", "Port"));
    EXPECT_EQ("proxy.example", ini_value("Connect", "Proxy"));
    EXPECT_EQ("0", ini_value("Connect", "UseNetwork"));
    EXPECT_EQ(ini.tex_url, ini_value("TeXURL", "URL"));
    EXPECT_EQ("1", ini_value("TeXURL", "IsUrlList"));

    // 105 offline: every group locked, the stored URLs on show.
    HWND tools = ui_driver::current_page(sheet);
    EXPECT_EQ("dviout、GhostScript、GSviewのインストール設定", ui_driver::text(tools));
    EXPECT_EQ("L- E- bx", group_state(tools, IDC_DVIOUT_URL_LIST, IDC_DVIOUT_URL_TYPED,
                                      IDC_DVIOUT_URL_EDIT));
    EXPECT_EQ("L- E- bo", group_state(tools, IDC_GS_URL_LIST, IDC_GS_URL_TYPED, IDC_GS_URL_EDIT));
    EXPECT_EQ("L- E- bo", group_state(tools, IDC_GSVIEW_URL_LIST, IDC_GSVIEW_URL_TYPED,
                                      IDC_GSVIEW_URL_EDIT));
    EXPECT_EQ(ini.dviout_url, ui_driver::item_text(tools, IDC_DVIOUT_URL_EDIT));
    EXPECT_EQ(ini.gs_url, combo_selection(ui_driver::item(tools, IDC_GS_URL_LIST)));
    EXPECT_EQ("(none)", combo_selection(ui_driver::item(tools, IDC_GSVIEW_URL_LIST)));
    EXPECT_EQ("", ui_driver::item_text(tools, IDC_GSVIEW_URL_EDIT));
    EXPECT_EQ(5u, combo_rows(ui_driver::item(tools, IDC_DVIOUT_URL_LIST)).size());
    screenshot("wizard_105_tools_settings", sheet);

    // The network switched on again on 102 unlocks the groups on the next visit.
    ASSERT_TRUE(press_and_wait(sheet, wizard_back, 1));
    EXPECT_TRUE(ui_driver::set_check(tex, IDC_NO_NETWORK, false));
    ASSERT_TRUE(press_and_wait(sheet, wizard_next, 2));
    EXPECT_EQ("L- E+ Bx", group_state(tools, IDC_DVIOUT_URL_LIST, IDC_DVIOUT_URL_TYPED,
                                      IDC_DVIOUT_URL_EDIT));
    EXPECT_EQ("L+ E- Bo", group_state(tools, IDC_GS_URL_LIST, IDC_GS_URL_TYPED, IDC_GS_URL_EDIT));
    EXPECT_TRUE(ui_driver::set_check(tools, IDC_GS_URL_TYPED, true));
    EXPECT_TRUE(ui_driver::set_text(tools, IDC_GS_URL_EDIT, "http://typed.example/gs"));
    ASSERT_TRUE(press_and_wait(sheet, wizard_back, 1));
    EXPECT_TRUE(ui_driver::set_check(tex, IDC_NO_NETWORK, true));
    ASSERT_TRUE(press_and_wait(sheet, wizard_next, 2));
    ASSERT_TRUE(press_and_wait(sheet, wizard_next, 3));
    EXPECT_EQ("http://typed.example/gs/", ini_value("GSURL", "URL")) << "the final / is added";
    EXPECT_EQ("0", ini_value("GSURL", "IsUrlList"));
    EXPECT_EQ("", ini_value("GVURL", "URL")) << "no row was selected";

    // 113: no plug-ins beside this program.
    HWND plugins = ui_driver::current_page(sheet);
    EXPECT_EQ("その他のソフト", ui_driver::text(plugins));
    EXPECT_EQ(0, ui_driver::list_count(ui_driver::item(plugins, IDC_PLUGIN_LIST)));
    screenshot("wizard_113_other_software", sheet);

    // An empty save directory fails the catalogue: the user stays on 113.
    EXPECT_TRUE(ui_driver::press_wizard(sheet, wizard_next));
    EXPECT_EQ("不明なエラーが発生．", answer_box(ui, "tamari3.exe", IDOK));
    EXPECT_TRUE(ui_driver::wait_for_page(sheet, 3));

    // With the information archive saved, the catalogue leads on to 103.
    ASSERT_TRUE(CopyFileA(build_tree_path("tests/shell/demo_mirror/w32tex/texinst2006.zip").c_str(),
                          (ini.save_dir + "texinst2006.zip").c_str(), FALSE));
    ASSERT_TRUE(press_and_wait(sheet, wizard_next, 4)) << "the catalogue did not lead on to 103";
    EXPECT_TRUE(ui_driver::find_window({"#32770", "tamari3.exe", false, ui}) == nullptr)
        << "no message after a catalogue that succeeded";
    HWND files = ui_driver::current_page(sheet);
    EXPECT_EQ("インストールファイルの選択", ui_driver::text(files));
    EXPECT_EQ("インストールするファイルを選んでください．\r\n「次へ」を押すとインストールを開始します．",
              ui_driver::item_text(files, 1000));
    screenshot("wizard_103_file_selection", sheet);

    // The advanced dialog opens over the page; Cancel changes nothing.
    EXPECT_TRUE(ui_driver::press(files, 1040));
    ui_driver::window_query advanced_query;
    advanced_query.caption = "高度な設定";
    advanced_query.thread_id = ui;
    HWND advanced = ui_driver::wait_for_window(advanced_query);
    ASSERT_TRUE(advanced) << "the advanced dialog did not open";
    EXPECT_EQ(BST_CHECKED, ui_driver::check_state(advanced, IDC_INSTALL_DOWNLOADED));
    screenshot("wizard_111_advanced", advanced);
    EXPECT_TRUE(ui_driver::press(advanced, IDCANCEL));
    EXPECT_TRUE(ui_driver::wait_until_gone(advanced));

    // Next installs from the save directory and ends on the finish page.
    EXPECT_TRUE(ui_driver::press_wizard(sheet, wizard_next));
    ASSERT_TRUE(ui_driver::wait_for_page(sheet, 5, 240000)) << "no finish page";
    HWND finish = ui_driver::current_page(sheet);
    EXPECT_EQ("インストールの完了", ui_driver::text(finish));
    ui_driver::wizard_state buttons = ui_driver::read_wizard(sheet);
    EXPECT_TRUE(buttons.can(ui_driver::wizard_finish) && !buttons.can(wizard_back));
    std::string summary = ui_driver::item_text(finish, IDC_FINISH_TEXT);
    EXPECT_EQ(summary, finish_summary().c_str());
    EXPECT_NE(std::string::npos, summary.find("shell_wizard_test.logに保存されています．"));
    screenshot("wizard_108_finish", sheet);
    EXPECT_TRUE(ui_driver::press_wizard(sheet, ui_driver::wizard_finish));
    if (the_install_state().restart_needed) answer_box(ui, "tamari3.exe", IDNO);
    EXPECT_TRUE(ui_driver::wait_until_gone(sheet));
  });
  EXPECT_TRUE(closed) << "the wizard had to be closed by force";
  EXPECT_EQ(0, g_restarts) << "No never restarts";
}

// ---- What the walk cannot reach ---------------------------------------------------

// The finish page alone in a sheet, after an installation that left `state`.
struct finish_run {
  std::string text;
  std::string question = "(none)";
  bool closed = false;
};
finish_run run_finish_page(const install_state& state, int answer) {
  the_install_state() = state;
  finish_page page;
  page.set_restart(record_restart);
  wklib::page_entry pages[] = {{IDD_FINISH, &page}};
  wklib::property_sheet sheet(program_instance());
  finish_run run;
  run.closed = ui_driver::run_modal([&] { sheet.run(pages, 1, PSH_WIZARD, "TeXのインストール"); },
                                    [&](DWORD ui) {
    // In wizard mode the sheet takes its page's caption.
    ui_driver::window_query query;
    query.caption = "インストールの完了";
    query.thread_id = ui;
    HWND window = ui_driver::wait_for_window(query);
    if (!window || !ui_driver::wait_for_page(window, 0)) return;
    run.text = ui_driver::item_text(ui_driver::current_page(window), IDC_FINISH_TEXT);
    ui_driver::press_wizard(window, ui_driver::wizard_finish);
    ui_driver::window_query box;
    box.caption = "tamari3.exe";
    box.thread_id = ui;
    if (ui_driver::wait_for_window(box, 3000)) run.question = answer_box(ui, "tamari3.exe", answer);
    ui_driver::wait_until_gone(window);
  });
  return run;
}

TEST(finish_page, summary_and_restart_question) {
  install_state state;
  struct step_results& r = state.step_results;
  r.w32tex = "成功";
  r.dviout = "失敗";
  r.dviout_settings = "キャンセル";
  r.ghostscript = "成功";
  r.ghostscript_settings = "成功";
  r.gsview = "インストールしてない";
  r.environment = "不要";
  r.other_software = "インストールしてない．";
  const std::string results =
      "\r\n\r\nインストール結果\r\n"
      "W32TeX                \t: 成功\r\n"
      "dviout                \t: 失敗\r\n"
      "dvioutの設定          \t: キャンセル\r\n"
      "GhostScript           \t: 成功\r\n"
      "GhostScriptの設定     \t: 成功\r\n"
      "GSview                \t: インストールしてない\r\n"
      "環境変数              \t: 不要\r\n"
      "その他のソフトウェア  \t: インストールしてない．\r\n"
      "\r\nインストールに失敗した場合はreadme等を参考にして手動インストールを試みてください．\r\n"
      "また詳細なインストール結果及びエラー情報はshell_wizard_test.logに保存されています．";
  const struct {
    bool restart_needed;
    int answer;
    std::string text;
    std::string question;
    int restarts;
  } cases[] = {
      {false, IDYES, "インストールが終了しました．" + results, "(none)", 0},
      {true, IDNO, "インストールが終了しました．完全な終了の為には再起動が必要です．\r\n" + results,
       "再起動が必要です．今すぐ再起動しますか？", 0},
      {true, IDYES, "インストールが終了しました．完全な終了の為には再起動が必要です．\r\n" + results,
       "再起動が必要です．今すぐ再起動しますか？", 1},
  };
  for (const auto& c : cases) {
    state.restart_needed = c.restart_needed;
    g_restarts = 0;
    g_restart_force = -1;
    finish_run run = run_finish_page(state, c.answer);
    EXPECT_TRUE(run.closed) << "Finish closes the sheet";
    EXPECT_EQ(c.text, run.text) << "restart_needed " << c.restart_needed;
    EXPECT_EQ(c.question, run.question);
    EXPECT_EQ(c.restarts, g_restarts) << "answer " << c.answer;
    if (c.restarts) {
      EXPECT_EQ(0, g_restart_force) << "the restart is never forced";
    }
    // Every result line has its tab at byte 22, whatever its label's characters.
    for (size_t at = run.text.find("\t: "); at != std::string::npos; at = run.text.find("\t: ", at + 1))
      EXPECT_EQ(22u, at - (run.text.rfind("\r\n", at) + 2)) << run.text.substr(run.text.rfind("\r\n", at) + 2, 30);
  }
}

TEST(finish_page, log_name_from_the_settings_path) {
  const struct {
    const char* ini_path;
    const char* expected;
  } cases[] = {
      {"C:\\Program Files\\tamari3\\tamari3.ini", "tamari3.log"},
      {"C:\\表\\tamari3.ini", "tamari3.log"},  // 表 ends in the byte of a backslash
      {"C:\\tools\\表.ini", "表.log"},
      {"C:\\ver.1\\tamari3", "ver.log"},  // cut at the last dot, wherever it is
      {"tamari3.ini", "tamari3.log"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.expected, std::string(log_file_name(c.ini_path).c_str())) << c.ini_path;
}

// Dialog 111 over rows the catalogue could have made: the initial ticks, both
// modes with OK, "全てチェック", and Cancel after changes.
TEST(advanced_dialog, ticks_modes_and_cancel) {
  const std::vector<list_row> rows = {{"latex.tar.bz2", "最新", "100"},
                                      {"ptex-w32.tar.gz", "新規", "200"},
                                      {"web2c-w32.tar.bz2", "更新", "300"},
                                      {"texinfo.tar.gz", "最新", "400"}};
  const std::vector<std::string> untouched = {"C:\\download\\kept.tar.gz"};
  const struct {
    const char* what;
    bool listed;      // pick radio 1039 (else 1038)
    bool check_all;
    int button;
    const char* dlinst;                  // [TeX] DLInst afterwards
    std::vector<std::string> archives;   // w32tex_archives afterwards
  } cases[] = {
      {"1039, OK", true, false, IDOK, "0", {"ptex-w32.tar.gz", "web2c-w32.tar.bz2"}},
      {"1039, check all, OK", true, true, IDOK, "0",
       {"latex.tar.bz2", "ptex-w32.tar.gz", "web2c-w32.tar.bz2", "texinfo.tar.gz"}},
      {"1038, OK", false, true, IDOK, "1", untouched},
      {"1039, check all, Cancel", true, true, IDCANCEL, "1", untouched},
  };
  scratch_directory dir("advanced");
  settings_file ini;
  ini.save_dir = dir / "";
  ini.install_dir = "c:\\tex\\";
  for (const auto& c : cases) {
    ini.write();  // DLInst 1
    the_settings().load_settings();
    the_install_state().w32tex_archives.clear();
    for (const std::string& name : untouched) the_install_state().w32tex_archives.push_back(name.c_str());
    advanced_dialog dialog(program_instance(), rows);
    INT_PTR result = -1;
    std::vector<bool> initial;
    int radio_before = -1;
    ui_driver::run_modal([&] { result = dialog.run(nullptr); }, [&](DWORD ui) {
      ui_driver::window_query query;
      query.caption = "高度な設定";
      query.thread_id = ui;
      HWND window = ui_driver::wait_for_window(query);
      if (!window) return;
      HWND list = ui_driver::item(window, IDC_ADVANCED_LIST);
      for (int row = 0; row < ui_driver::list_count(list); ++row) initial.push_back(ui_driver::list_checked(list, row));
      radio_before = ui_driver::check_state(window, IDC_INSTALL_DOWNLOADED);
      EXPECT_TRUE(ui_driver::set_check(window, c.listed ? IDC_INSTALL_LISTED : IDC_INSTALL_DOWNLOADED, true));
      if (c.check_all) {
        EXPECT_TRUE(ui_driver::press(window, IDC_ADVANCED_CHECK_ALL));
        for (int row = 0; row < ui_driver::list_count(list); ++row)
          EXPECT_TRUE(ui_driver::list_checked(list, row)) << c.what << ": row " << row << " after 全てチェック";
      }
      EXPECT_TRUE(ui_driver::press(window, c.button));
      ui_driver::wait_until_gone(window);
    });
    EXPECT_EQ(std::vector<bool>({false, true, true, false}), initial) << c.what << ": 最新 rows start unticked";
    EXPECT_EQ(BST_CHECKED, radio_before) << c.what << ": DLInst 1 ticks 1038";
    EXPECT_EQ(c.button == IDOK ? 1 : 0, result) << c.what;
    EXPECT_EQ(c.dlinst, ini_value("TeX", "DLInst")) << c.what;
    std::vector<std::string> archives;
    for (const wklib::string& name : the_install_state().w32tex_archives) archives.push_back(name.c_str());
    EXPECT_EQ(c.archives, archives) << c.what;
  }
}

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  SzRexStartup(GetModuleHandleA(nullptr));
  set_program_instance(GetModuleHandleA(nullptr));
  InitCommonControls();
  int result = RUN_ALL_TESTS();
  SzRexShutdown();
  return result;
}

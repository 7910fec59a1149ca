// The wizard in this process with the program's own templates, driven from a
// second thread: what the end-to-end walk (e2e_test.cpp) cannot reach. Failed
// Next operations come from workers that end with a chosen result.
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
#include "shell/tex_settings_page.h"
#include "shell/wizard.h"
#include "state/install_settings.h"
#include "state/install_state.h"
#include "state/mirror_lists.h"
#include "support/worker_dialog.h"
#include "tests/common/scratch.h"
#include "tests/ui_driver/ui_driver.h"

namespace {

namespace ud = ui_driver;

// Offline; the W32TeX mirror a row of its list, dviout's typed, GSview's a URL of no row.
void write_settings(const std::string& save_dir) {
  ASSERT_TRUE(write_file(
      the_settings().ini_path().c_str(),
      "[Dir]\r\nHozon=" + save_dir +
          "\r\nInstall=c:\\tex\\\r\n[TeXURL]\r\nURL=" + w32tex_mirrors.urls[0] +
          "\r\nIsUrlList=1\r\n[DVIOUTURL]\r\nURL=http://typed.example/"
          "dviout/\r\nIsUrlList=0\r\n[GVURL]\r\nURL=ftp://gone.example/ghostgum/\r\nIsUrlList=1\r\n"
          "[Reg]\r\ntexinst=texinst[0-9]*\\.zip\r\nDVIOUT=tex[0-9]*w\\.zip\r\n"
          "GS=gs[0-9]*w32full\\.zip\r\nGV=gsv[0-9]*w32\\.exe\r\n[TeX]\r\nDLInst=1\r\n"
          "[Connect]\r\nDeleteCache=1\r\nUseNetwork=0\r\nPort=0\r\n"));
  the_settings().load_settings();
}

std::vector<std::string> combo_rows(HWND page, int id) {
  std::vector<std::string> rows;
  char text[512];
  for (int i = 0;
       SendMessageA(ud::item(page, id), CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text)) != CB_ERR;
       ++i)
    rows.push_back(text);
  return rows;
}

bool read_only(HWND page, int id) {
  return (GetWindowLongA(ud::item(page, id), GWL_STYLE) & ES_READONLY) != 0;
}

// "L+ E- Bx": list enabled, edit writable, box enabled and ticked; "-", "b", "o" when not.
std::string group_state(HWND page, int list, int check, int edit) {
  return std::string(IsWindowEnabled(ud::item(page, list)) ? "L+" : "L-") +
         (read_only(page, edit) ? " E-" : " E+") +
         (IsWindowEnabled(ud::item(page, check)) ? " B" : " b") +
         (ud::check_state(page, check) ? "x" : "o");
}

// Answers the message box of `caption` with `button` and gives its text.
std::string answer_box(DWORD ui_thread, const char* caption, int button) {
  HWND box = ud::wait_for_window({"#32770", caption, ui_thread});
  const std::string text = box ? ud::message_box_text(box) : "(no box)";
  EXPECT_TRUE(ud::press(box, button)) << caption;
  ud::wait_until_gone(box);
  return text;
}

std::string rows_and_ticks(HWND list) {
  std::string s;
  for (int row = 0; row < ud::list_count(list); ++row)
    s += ud::list_text(list, row, 0) + (ud::list_checked(list, row) ? "+ " : "- ");
  return s;
}

// The results the next worker dialogs end with, in order; when none is left
// they run their workers. 3 is a worker that could not start.
std::vector<int> g_worker_results;
const wklib::thread_starter g_real_starter = wklib::start_worker_thread;
HANDLE scripted_worker(unsigned(__stdcall* routine)(void*), void* dialog) {
  if (g_worker_results.empty()) return g_real_starter(routine, dialog);
  int result = g_worker_results.front();
  g_worker_results.erase(g_worker_results.begin());
  if (result == 3) return nullptr;
  EndDialog(static_cast<wklib::worker_dialog*>(dialog)->target(), result);
  return CreateEventA(nullptr, TRUE, TRUE, nullptr);  // a worker that has already ended
}

// The bounds of the port; a port the page refuses is told below.
TEST(tex_settings_page, ports) {
  const struct {
    const char* text;
    bool valid;
    int port;  // afterwards, from 7
  } ports[] = {{"", true, 0}, {"65535", true, 65535}, {"65536", false, 7}};
  for (const auto& p : ports) {
    int port = 7;
    EXPECT_EQ(p.valid, parse_port(p.text, port)) << "\"" << p.text << "\"";
    EXPECT_EQ(p.port, port) << "\"" << p.text << "\"";
  }
}

// Offline, then online: what page 102 refuses, the mirror lists and the network switch,
// and each failure of the catalogue (113), the download and the installation (103).
TEST(wizard, pages_checks_and_the_failures_of_next) {
  scratch_directory dir("walk");
  const std::string save = dir / "save\\";
  CreateDirectoryA(save.c_str(), nullptr);
  for (const char* name : {"texinst2006.zip", "latex.tar.bz2"})
    ASSERT_TRUE(CopyFileA(
        build_tree_path((std::string("tests/shell/demo_mirror/w32tex/") + name).c_str()).c_str(),
        (save + name).c_str(), FALSE))
        << name;
  write_settings(save);
  wklib::start_worker_thread = scripted_worker;
  wizard sheet_object(program_instance());
  bool closed = ud::run_modal([&] { EXPECT_TRUE(sheet_object.run()); }, [&](DWORD ui) {
    HWND sheet = ud::wait_for_window({"#32770", "TeXのインストール", ui});
    ASSERT_TRUE(sheet && ud::wait_for_page(sheet, 0)) << "the wizard did not appear";
    ASSERT_TRUE(ud::press_to_page(sheet, ud::wizard_next, 1));
    // A Next whose workers end with `results` and that is refused: the box's text; the sheet stays.
    const auto refused_next = [&](const char* caption, int page, std::vector<int> results) {
      g_worker_results = results;
      EXPECT_TRUE(ud::press_wizard(sheet, ud::wizard_next));
      const std::string message = answer_box(ui, caption, IDOK);
      EXPECT_TRUE(ud::wait_for_page(sheet, page)) << message;
      return message;
    };

    // 102 offline: the mirror, cache and proxy are locked, the directories are not.
    HWND tex = ud::current_page(sheet);
    EXPECT_EQ("", ud::item_text(tex, IDC_PORT)) << "Port 0 shows empty";
    std::vector<std::string> sorted(w32tex_mirrors.urls,
                                    w32tex_mirrors.urls + w32tex_mirrors.count);
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, combo_rows(tex, IDC_TEX_URL_LIST)) << "the W32TeX list sorts its rows";
    EXPECT_EQ(w32tex_mirrors.urls[0], ud::item_text(tex, IDC_TEX_URL_LIST))
        << "the stored row selected";
    EXPECT_EQ("L- E- bo", group_state(tex, IDC_TEX_URL_LIST, IDC_TEX_URL_TYPED, IDC_TEX_URL_EDIT));
    EXPECT_FALSE(IsWindowEnabled(ud::item(tex, IDC_DELETE_CACHE)));
    EXPECT_TRUE(read_only(tex, IDC_PROXY) && read_only(tex, IDC_PORT));
    EXPECT_FALSE(read_only(tex, IDC_SAVE_DIR) || read_only(tex, IDC_INSTALL_DIR));
    // The network switch and the typed mode, back and forth.
    const struct {
      int box;
      bool tick;
      const char* state;
    } switches[] = {{IDC_NO_NETWORK, false, "L+ E- Bo"}, {IDC_TEX_URL_TYPED, true, "L- E+ Bx"},
                    {IDC_NO_NETWORK, true, "L- E- bx"}, {IDC_NO_NETWORK, false, "L- E+ Bx"},
                    {IDC_TEX_URL_TYPED, false, "L+ E- Bo"}, {IDC_NO_NETWORK, true, "L- E- bo"}};
    for (const auto& s : switches) {
      EXPECT_TRUE(ud::set_check(tex, s.box, s.tick));
      EXPECT_EQ(s.state, group_state(tex, IDC_TEX_URL_LIST, IDC_TEX_URL_TYPED, IDC_TEX_URL_EDIT))
          << "box " << s.box << (s.tick ? " ticked" : " cleared");
      EXPECT_EQ(s.box == IDC_NO_NETWORK && s.tick,
                read_only(tex, IDC_PROXY) && read_only(tex, IDC_PORT));
    }
    // What the page refuses keeps the user there with the texts as typed; only the first fault is
    // told, nothing saved.
    const struct {
      const char *save, *install, *port, *message;
    } refused[] = {{"c:\\down load\\", "c:\\テフ\\", "", "保存ディレクトリに空白"},
                   {"c:\\download\\", "c:\\テフ\\", "", "インストールディレクトリに空白"},
                   {"c:\\download\\", "c:\\tex\\", "80a", "Portには"}};
    for (const auto& c : refused) {
      EXPECT_TRUE(ud::set_text(tex, IDC_SAVE_DIR, c.save) &&
                  ud::set_text(tex, IDC_INSTALL_DIR, c.install) &&
                  ud::set_text(tex, IDC_PORT, c.port));
      const std::string message = refused_next("tamari3", 1, {});
      EXPECT_EQ(0u, message.find(c.message))
          << c.save << " / " << c.install << " / " << c.port << ": got " << message;
      EXPECT_EQ(nullptr, ud::find_window({"#32770", "tamari3", ui})) << "a second message";
      EXPECT_EQ(c.install, ud::item_text(tex, IDC_INSTALL_DIR)) << "the page keeps what was typed";
    }
    the_settings().load_settings();
    EXPECT_EQ(save, the_settings().save_dir().c_str()) << "a refused page writes nothing";
    EXPECT_TRUE(ud::set_text(tex, IDC_SAVE_DIR, save) &&
                ud::set_text(tex, IDC_INSTALL_DIR, "c:\\ﾃﾌ\\") &&
                ud::set_text(tex, IDC_PORT, "8080"));
    ASSERT_TRUE(ud::press_to_page(sheet, ud::wizard_next, 2)) << "half-width katakana pass";

    // 105 offline: the groups locked in typed and list mode; a URL of no row.
    HWND tools = ud::current_page(sheet);
    EXPECT_EQ("L- E- bx",
              group_state(tools, IDC_DVIOUT_URL_LIST, IDC_DVIOUT_URL_TYPED, IDC_DVIOUT_URL_EDIT));
    EXPECT_EQ("L- E- bo",
              group_state(tools, IDC_GSVIEW_URL_LIST, IDC_GSVIEW_URL_TYPED, IDC_GSVIEW_URL_EDIT));
    EXPECT_EQ(
        "", ud::item_text(tools, IDC_GSVIEW_URL_LIST) + ud::item_text(tools, IDC_GSVIEW_URL_EDIT));
    EXPECT_EQ(
        std::vector<std::string>(dviout_mirrors.urls, dviout_mirrors.urls + dviout_mirrors.count),
        combo_rows(tools, IDC_DVIOUT_URL_LIST));
    ASSERT_TRUE(ud::press_to_page(sheet, ud::wizard_next, 3));

    // 113, no plug-in beside this program: each failure of the catalogue told, then the save
    // directory's catalogue.
    HWND plugins = ud::current_page(sheet);
    EXPECT_EQ(0, ud::list_count(ud::item(plugins, IDC_PLUGIN_LIST)));
    const char* const catalogue_failures[] = {"キャンセルされました．", "接続時にエラー発生．",
                                              "スレッド作成に失敗．", "不明なエラーが発生．"};
    for (int code = 1; code <= 4; ++code)
      EXPECT_EQ(catalogue_failures[code - 1], refused_next("tamari3.exe", 3, {code}))
          << "catalogue " << code;
    ASSERT_TRUE(ud::press_to_page(sheet, ud::wizard_next, 4))
        << "the catalogue did not lead on to 103";

    // 103 offline: the installation's worker cannot start; the list stays as the user left it.
    HWND w32tex = ud::item(ud::current_page(sheet), IDC_FILE_W32TEX);
    ASSERT_GT(ud::list_count(w32tex), 0) << "no row for latex.tar.bz2";
    EXPECT_TRUE(ud::list_set_checked(w32tex, 0, !ud::list_checked(w32tex, 0)));
    const std::string left = rows_and_ticks(w32tex);
    EXPECT_EQ("スレッド作成に失敗．", refused_next("tamari3", 4, {3}));
    EXPECT_EQ(left, rows_and_ticks(w32tex));

    // Back to 102: the network on unlocks 105's groups in their modes.
    ASSERT_TRUE(ud::press_to_page(sheet, ud::wizard_back, 3) &&
                ud::press_to_page(sheet, ud::wizard_back, 2) &&
                ud::press_to_page(sheet, ud::wizard_back, 1));
    EXPECT_TRUE(ud::set_check(tex, IDC_NO_NETWORK, false));
    ASSERT_TRUE(ud::press_to_page(sheet, ud::wizard_next, 2));
    EXPECT_EQ("L- E+ Bx",
              group_state(tools, IDC_DVIOUT_URL_LIST, IDC_DVIOUT_URL_TYPED, IDC_DVIOUT_URL_EDIT));
    EXPECT_EQ("L+ E- Bo",
              group_state(tools, IDC_GSVIEW_URL_LIST, IDC_GSVIEW_URL_TYPED, IDC_GSVIEW_URL_EDIT));
    ASSERT_TRUE(ud::press_to_page(sheet, ud::wizard_next, 3));

    // 103 online, its list as it was: each failure of the download, then an installation whose
    // worker cannot start.
    g_worker_results = {0};
    ASSERT_TRUE(ud::press_to_page(sheet, ud::wizard_next, 4));
    const struct {
      std::vector<int> results;
      const char* message;
    } online[] = {{{1}, "キャンセルされました．"},
                  {{2}, "接続時に失敗．"},
                  {{3}, "スレッドの作成に失敗．"},
                  {{0, 3}, "スレッド作成に失敗"}};
    for (const auto& o : online)
      EXPECT_EQ(o.message, refused_next("tamari3.exe", 4, o.results))
          << "results " << o.results.size();
    EXPECT_EQ(left, rows_and_ticks(w32tex));
    EXPECT_TRUE(ud::press_wizard(sheet, ud::wizard_cancel));
  });
  wklib::start_worker_thread = g_real_starter;
  g_worker_results.clear();
  EXPECT_TRUE(closed) << "the wizard had to be closed by force";
}

std::vector<bool> g_restarts;  // the `force` of each restart asked for
int record_restart(bool force) {
  g_restarts.push_back(force);
  return 0;
}

// Finish offers the restart a step asked for; the walk can answer the real program only with No.
TEST(finish_page, restart_question) {
  for (int answer : {IDNO, IDYES}) {
    the_install_state().restart_needed = true;
    g_restarts.clear();
    finish_page page;
    page.set_restart(record_restart);
    wklib::window_holder no_window(nullptr);
    std::string question;
    ud::run_modal([&] { EXPECT_TRUE(page.on_wizard_finish(no_window)); },
                  [&](DWORD ui) { question = answer_box(ui, "tamari3.exe", answer); });
    EXPECT_EQ("再起動が必要です．今すぐ再起動しますか？", question);
    EXPECT_EQ(answer == IDYES ? std::vector<bool>{false} : std::vector<bool>{}, g_restarts)
        << "answer " << answer << ": one restart, never forced, after Yes only";
  }
}

TEST(finish_page, log_name_from_the_settings_path) {
  const struct {
    const char *ini_path, *expected;
  } cases[] = {
      {"C:\\tools\\表.ini", "表.log"},  // 表 ends in the byte of a backslash
      {"C:\\ver.1\\tamari3", "ver.log"},  // cut at the last dot, wherever it is
  };
  for (const auto& c : cases)
    EXPECT_EQ(c.expected, std::string(log_file_name(c.ini_path).c_str())) << c.ini_path;
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
    bool listed;  // pick radio 1039 (else 1038)
    bool check_all;
    int button;
    bool install_downloaded;            // [TeX] DLInst afterwards
    std::vector<std::string> archives;  // w32tex_archives afterwards
  } cases[] = {
      {"1039, OK", true, false, IDOK, false, {"ptex-w32.tar.gz", "web2c-w32.tar.bz2"}},
      {"1038, OK", false, true, IDOK, true, untouched},
      {"1039, check all, Cancel", true, true, IDCANCEL, true, untouched},
  };
  scratch_directory dir("advanced");
  for (const auto& c : cases) {
    write_settings(dir / "");  // DLInst 1
    the_install_state().w32tex_archives.assign(1, untouched[0].c_str());
    advanced_dialog dialog(program_instance(), rows);
    ud::run_modal([&] { dialog.run(nullptr); }, [&](DWORD ui) {
      HWND window = ud::wait_for_window({"#32770", "高度な設定", ui});
      ASSERT_TRUE(window) << c.what;
      HWND list = ud::item(window, IDC_ADVANCED_LIST);
      std::vector<bool> initial;
      for (int row = 0; row < ud::list_count(list); ++row)
        initial.push_back(ud::list_checked(list, row));
      EXPECT_EQ(std::vector<bool>({false, true, true, false}), initial)
          << c.what << ": 最新 rows start unticked";
      EXPECT_EQ(BST_CHECKED, ud::check_state(window, IDC_INSTALL_DOWNLOADED))
          << c.what << ": DLInst 1 ticks 1038";
      EXPECT_TRUE(
          ud::set_check(window, c.listed ? IDC_INSTALL_LISTED : IDC_INSTALL_DOWNLOADED, true));
      if (c.check_all) {
        EXPECT_TRUE(ud::press(window, IDC_ADVANCED_CHECK_ALL));
        for (int row = 0; row < ud::list_count(list); ++row)
          EXPECT_TRUE(ud::list_checked(list, row))
              << c.what << ": row " << row << " after 全てチェック";
      }
      EXPECT_TRUE(ud::press(window, c.button));
    });
    the_settings().load_settings();
    EXPECT_EQ(c.install_downloaded, the_settings().install_downloaded()) << c.what;
    std::vector<std::string> archives;
    for (const wklib::string& name : the_install_state().w32tex_archives)
      archives.push_back(name.c_str());
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

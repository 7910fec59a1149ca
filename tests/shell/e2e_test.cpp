// The real tamari3.exe with its plug-in, driven as a user drives it against the demo distribution
// on loopback mirrors: a first start that types the mirrors and installs everything, a second with
// the network off, a third where everything is current; every page and dialog kept as
// screenshots/e2e_*.png. TAMARI_DEMO_DIR (tools/run.sh) runs the first walk there. Also the refused
// starts.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "archive/unzip_ids.h"
#include "download/download_ids.h"
#include "resources/tamari3/ids.h"
#include "support/property_page.h"
#include "system/ask_path_ids.h"
#include "tests/common/scratch.h"
#include "tests/net/test_mirror.h"
#include "tests/ui_driver/ui_driver.h"

namespace {

namespace ud = ui_driver;

std::string ini_value(const std::string& ini, const char* section, const char* key) {
  char value[4096] = "";
  GetPrivateProfileStringA(section, key, "", value, sizeof value, ini.c_str());
  return value;
}

std::string registry_text(HKEY root, const char* key, const char* name) {
  char value[2048] = "";
  DWORD size = sizeof value;
  return RegGetValueA(root, key, name, RRF_RT_ANY, nullptr, value, &size) == ERROR_SUCCESS
             ? value
             : "(none)";
}

std::string ftp() { return std::string("ftp://") + mirror().ftp_host.c_str() + "/demo/"; }
std::string http() { return std::string("http://") + mirror().http_host.c_str() + "/demo/"; }

// tamari3.exe of the build tree, copied into `dir` and started there.
bool start_program(const std::string& dir, PROCESS_INFORMATION& process) {
  std::string command = "\"" + dir + "tamari3.exe\"";
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  const bool started = CopyFileA(build_tree_path("shell/tamari3.exe").c_str(),
                                 (dir + "tamari3.exe").c_str(), FALSE) &&
                       CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                                      dir.c_str(), &startup, &process);
  EXPECT_TRUE(started) << "tamari3.exe did not start in " << dir;
  return started;
}

// Its exit code once it has ended; after a minute its windows are closed, then it is stopped.
DWORD end_program(PROCESS_INFORMATION& process) {
  if (WaitForSingleObject(process.hProcess, 60000) != WAIT_OBJECT_0) {
    ADD_FAILURE() << "tamari3.exe did not end; closing it";
    ud::dismiss_windows(process.dwThreadId);
    if (WaitForSingleObject(process.hProcess, 20000) != WAIT_OBJECT_0)
      TerminateProcess(process.hProcess, 1);
  }
  DWORD exit_code = 0;
  GetExitCodeProcess(process.hProcess, &exit_code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return exit_code;
}

// Where a demo lives; fixture_root is where the GhostScript and GSview stand-ins install.
struct demo_place {
  std::string program_dir, save_dir, install_dir, fixture_root;
  std::string ini() const { return program_dir + "tamari3.ini"; }
};

struct walk_options {  // shots: the screenshots' prefix; install false: Cancel on page 103
  std::string shots;
  bool network, tick_plugin, install;
};
struct walk_result {
  std::string summary;                   // the finish page's text; empty when not reached
  bool restart_asked = false;            // Finish asked whether to restart
  std::vector<std::string> rows[4];      // "name|state or size|tick" of page 103's four lists
};

// Dialogs are named by a control of their own where their caption changes as they run.
std::string shot_name(HWND window, const std::string& caption) {
  if (ud::item(window, IDC_ASK_PATH_EDIT)) return "109_ask_path";
  if (ud::item(window, IDC_DOWNLOAD_BAR)) return "106_download";
  if (ud::item(window, IDC_UNZIP_PATH)) return "110_unzip";
  static const char* const names[][2] = {
      {"ファイル情報取得中……", "104_catalogue"}, {"インストール", "107_installation"},
      {"情報取得中……", "plugin_information"},   {"環境変数のチェック", "112_variables"},
      {"tamari3", "message"},                      {"tamari3.exe", "message"}};
  for (const auto& n : names)
    if (caption == n[0]) return n[1];
  return "dialog";
}

class program_run {
 public:
  program_run(const demo_place& place, const walk_options& options)
      : place_(place), options_(options) {}

  walk_result walk() {
    first_start_ = !exists(place_.ini());
    SetEnvironmentVariableA("TAMARI_FIXTURE_ROOT", place_.fixture_root.c_str());
    if (!start_program(place_.program_dir, process_)) return result_;
    sheet_ = ud::wait_for_window({"#32770", "TeXのインストール", 0, process_.dwProcessId}, 60000);
    // The plug-in has no settings dialog; it reads its page from the settings file each time.
    WritePrivateProfileStringA("jsclasses", "URL", (http() + "jsclasses/").c_str(),
                               place_.ini().c_str());
    if (sheet_ && ud::wait_for_page(sheet_, 0))
      pages();
    else
      ADD_FAILURE() << "tamari3.exe did not show its wizard";
    end_program(process_);
    return result_;
  }

 private:
  void shot(const std::string& name, HWND window = nullptr) {
    char number[8];
    std::snprintf(number, sizeof number, "%02d_", ++shots_);
    std::printf("screenshot: %s\n",
                ud::save_screenshot(options_.shots + number + name, window).c_str());
  }

  bool next_to(int page, DWORD timeout_ms = ud::default_timeout_ms) {
    return ud::press_wizard(sheet_, ud::wizard_next) && watch_until_page(page, timeout_ms) &&
           check_page(page);
  }

  // The page's caption and buttons: Back between the first and the last page, Next before the last.
  bool check_page(int index) {
    static const char* const captions[] = {"TeXのインストール", "W32TeXインストール設定",
                                           "dviout、GhostScript、GSviewのインストール設定",
                                           "その他のソフト",
                                           "インストールファイルの選択", "インストールの完了"};
    EXPECT_EQ(captions[index], ud::text(ud::current_page(sheet_)));
    EXPECT_EQ(index > 0 && index < 5, ud::can_press(sheet_, ud::wizard_back)) << captions[index];
    EXPECT_EQ(index < 5, ud::can_press(sheet_, ud::wizard_next)) << captions[index];
    EXPECT_EQ(index == 5, ud::can_press(sheet_, ud::wizard_finish)) << captions[index];
    return true;
  }

  // Until page `page` shows with its Next handler done (page 103 shows while the catalogue runs):
  // a screenshot of every other window of the program once, and an answer to every question.
  bool watch_until_page(int page, DWORD timeout_ms) {
    auto shown = [&] {
      std::vector<HWND> windows = ud::top_level_windows(0, process_.dwProcessId);
      for (HWND window : windows)
        if (window != sheet_) look_at(window);
      return IsWindowVisible(sheet_) && ud::current_page_index(sheet_) == page &&
             windows.size() == 1 && !GetPropA(sheet_, wklib::next_running_prop);
    };
    return ud::wait_until(shown, timeout_ms) && ud::wait_for_page(sheet_, page);
  }

  void look_at(HWND window) {
    std::string caption = ud::text(window), message = ud::message_box_text(window);
    // A dialog that closed while it was read has no caption left to name it by.
    if (!IsWindowVisible(window)) return;
    std::string name = shot_name(window, caption);
    if (seen_.insert(name == "message" ? caption + "|" + message : name).second) shot(name, window);
    // Progress dialogs offer Cancel only: they are watched, not answered.
    int answer = ud::item(window, IDYES) ? IDYES : ud::item(window, IDOK) ? IDOK : 0;
    if (!answer) return;
    std::printf("answered %s: %s | %s%s\n", answer == IDYES ? "Yes" : "OK", caption.c_str(),
                message.c_str(), ud::item_text(window, IDC_ASK_PATH_EDIT).c_str());
    ud::press(window, answer);
    ud::wait_until_gone(window, 10000);
  }

  void type_mirror(int check, int edit, const std::string& url) {
    HWND page = ud::current_page(sheet_);
    EXPECT_TRUE(ud::set_check(page, check, true) && ud::set_text(page, edit, url)) << url;
  }

  // The first start types the directories and the four mirrors; later ones find them stored.
  void pages() {
    check_page(0);
    const std::string intro = ud::item_text(ud::current_page(sheet_), IDC_INTRO_TEXT);
    EXPECT_EQ(0u, intro.find("Windows用TeXの基本的な")) << intro;
    EXPECT_NE(std::string::npos, intro.find("・ GSView\r\n・ その他関連")) << intro;
    shot("101_intro", sheet_);
    ASSERT_TRUE(next_to(1));

    HWND tex = ud::current_page(sheet_);
    if (first_start_) {
      EXPECT_TRUE(ud::set_text(tex, IDC_SAVE_DIR, place_.save_dir));
      EXPECT_TRUE(ud::set_text(tex, IDC_INSTALL_DIR, place_.install_dir));
      type_mirror(IDC_TEX_URL_TYPED, IDC_TEX_URL_EDIT, ftp() + "w32tex/");
    }
    EXPECT_TRUE(ud::set_check(tex, IDC_NO_NETWORK, !options_.network));
    shot("102_tex_settings", sheet_);
    ASSERT_TRUE(next_to(2)) << "102 did not lead on to 105";
    if (first_start_) {
      type_mirror(IDC_DVIOUT_URL_TYPED, IDC_DVIOUT_URL_EDIT, ftp() + "dviout/");
      type_mirror(IDC_GS_URL_TYPED, IDC_GS_URL_EDIT, http() + "gs/");
      type_mirror(IDC_GSVIEW_URL_TYPED, IDC_GSVIEW_URL_EDIT, http() + "gsview/");
    }
    shot("105_tools_settings", sheet_);
    ASSERT_TRUE(next_to(3)) << "105 did not lead on to 113";

    HWND plugins = ud::item(ud::current_page(sheet_), IDC_PLUGIN_LIST);
    EXPECT_EQ("jsclasses", ud::list_text(plugins, 0, 0)) << "the plug-in's package";
    EXPECT_TRUE(!options_.tick_plugin || ud::list_set_checked(plugins, 0, true))
        << "ticking the plug-in's row";
    shot("113_other_software", sheet_);
    ASSERT_TRUE(next_to(4, 300000)) << "the catalogue did not lead on to 103";

    const int lists[] = {IDC_FILE_W32TEX, IDC_FILE_DVIOUT, IDC_FILE_GHOSTSCRIPT, IDC_FILE_GSVIEW};
    for (int i = 0; i < 4; ++i) {
      HWND list = ud::item(ud::current_page(sheet_), lists[i]);
      for (int row = 0; row < ud::list_count(list); ++row)
        result_.rows[i].push_back(ud::list_text(list, row, 0) + "|" + ud::list_text(list, row, 1) +
                                  (ud::list_checked(list, row) ? "|+" : "|-"));
    }
    EXPECT_EQ(options_.network
              ? "ダウンロード＆インストールするファイルを選んでください．「次へ」を押すと"
                                 "ダウンロードとインストールを開始します．"
                               : "インストールするファイルを選んでください．\r\n「次へ」を押すとインストールを開始します．",
              ud::item_text(ud::current_page(sheet_), IDC_FILE_TEXT));
    shot("103_file_selection", sheet_);
    if (!options_.install) {
      ud::press_wizard(sheet_, ud::wizard_cancel);
      return;
    }
    ASSERT_TRUE(next_to(5, 300000)) << "no finish page after the installation; log:\n"
                                    << read_file(place_.program_dir + "tamari3.log");
    result_.summary = ud::item_text(ud::current_page(sheet_), IDC_FINISH_TEXT);
    shot("108_finish", sheet_);
    EXPECT_TRUE(ud::press_wizard(sheet_, ud::wizard_finish));
    // A restart is offered where a step asked for one; the walk says No.
    if (HWND box = ud::wait_for_window({"#32770", "tamari3.exe", process_.dwThreadId}, 3000)) {
      result_.restart_asked = true;
      ud::press(box, IDNO);
    }
  }

  const demo_place place_;
  const walk_options options_;
  bool first_start_ = false;
  walk_result result_;
  PROCESS_INFORMATION process_ = {};
  HWND sheet_ = nullptr;
  int shots_ = 0;
  std::set<std::string> seen_;
};

// What an installation leaves, alike after the online and the offline run.
void check_installed(const demo_place& place) {
  const std::string ini = place.ini(), tex = place.install_dir;
  const struct {
    const char *section, *key;
    std::string value;
  } settings[] = {
      {"Dir", "Hozon", place.save_dir},
      {"Dir", "Install", tex},
      {"Dir", "DVIOUT", tex + "dviout\\"},  // as the user accepted it
      {"TeXURL", "URL", ftp() + "w32tex/"},
      {"TeXURL", "IsUrlList", "0"},
      {"GSURL", "URL", http() + "gs/"},
  };
  for (const auto& s : settings)
    EXPECT_EQ(s.value, ini_value(ini, s.section, s.key)) << "[" << s.section << "] " << s.key;

  for (const std::string& file :
       {tex + "share\\texmf\\ptex-w32\\README", tex + "dviout\\dviout.exe",
        tex + "share\\texmf-local\\ptex\\platex\\jsclasses\\jsarticle.cls"})
    EXPECT_TRUE(exists(file)) << "missing " << file;

  EXPECT_EQ(tex + "share\\texmf\\fonts;" + tex + "share\\texmf-local\\fonts",
            registry_text(HKEY_CURRENT_USER, "Software\\TOMOE\\DVIOUT\\para0", "TEXROOT"));
  EXPECT_EQ("dvifile", registry_text(HKEY_CLASSES_ROOT, ".dvi", nullptr)) << ".dvi association";
  char programs[MAX_PATH + 1] = "";
  SHGetSpecialFolderPathA(nullptr, programs, CSIDL_COMMON_PROGRAMS, FALSE);
  EXPECT_TRUE(exists(std::string(programs) + "\\dviout\\dviout for Windows.lnk")) << programs;

  // The two Japanese fonts, appended in text mode: Windows line ends.
  const std::string cidfmap = read_file(place.fixture_root + "gs8.14\\lib\\cidfmap");
  EXPECT_NE(std::string::npos,
            cidfmap.find("/Ryumin-Light\r\n<<\r\n/FileType /TrueType\r\n/Path ("))
      << cidfmap;
  EXPECT_NE(std::string::npos, cidfmap.find("/GothicBBB-Medium\r\n")) << cidfmap;
}

// The finish page after a run where every step but the other software's succeeded. The
// environment line depends on the prefix; Finish asks for a restart exactly when the page says so.
void check_finish(const walk_result& r, const std::string& other_software) {
  const size_t environment =
      std::min(r.summary.find("環境変数              \t: "), r.summary.size());
  EXPECT_EQ(std::string("インストールが終了しました．")
            + (r.restart_asked ? "完全な終了の為には再起動が必要です．\r\n" : "") +
                "\r\n\r\nインストール結果\r\n"
                "W32TeX                \t: 成功\r\n"
                "dviout                \t: 成功\r\n"
                "dvioutの設定          \t: 成功\r\n"
                "GhostScript           \t: 成功\r\n"
                "GhostScriptの設定     \t: 成功\r\n"
                "GSview                \t: 成功\r\n" +
                r.summary.substr(environment, r.summary.find("\r\n", environment) - environment) +
                "\r\nその他のソフトウェア  \t: " + other_software +
                "\r\n\r\nインストールに失敗した場合はreadme等を参考にして手動インストールを試みてください．\r\n"
                "また詳細なインストール結果及びエラー情報はtamari3.logに保存されています．",
            r.summary);
}

// Three runs in one place, in order.
TEST(e2e, first_start_network_off_and_everything_current) {
  // A machine that never had GhostScript, GSview or dviout, though earlier runs left them
  // registered.
  const std::string uninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
  for (const char* product : {"AFPL Ghostscript 8.14", "AFPL Ghostscript Fonts", "GSview 4.8"})
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, (uninstall + product).c_str());
  for (const char* key : {"Software\\TOMOE\\DVIOUT\\para0", "Software\\TOMOE\\DVIOUT"})
    RegDeleteKeyA(HKEY_CURRENT_USER, key);
  scratch_directory scratch("e2e");
  const demo_place place = {scratch / "program\\", scratch / "download\\", scratch / "tex\\",
                            scratch / "programs\\"};
  CreateDirectoryA(place.program_dir.c_str(), nullptr);
  CreateDirectoryA((place.program_dir + "plugin").c_str(), nullptr);
  ASSERT_TRUE(CopyFileA(build_tree_path("shell/plugin/plugin_extrapack.dll").c_str(),
                        (place.program_dir + "plugin\\plugin_extrapack.dll").c_str(), FALSE));

  walk_result first = program_run(place, {"e2e_1_", true, true, true}).walk();
  ASSERT_FALSE(first.summary.empty()) << "the first start reached no finish page";
  check_finish(first, "成功");
  EXPECT_EQ("1", ini_value(place.ini(), "Connect", "UseNetwork"));
  check_installed(place);
  const std::string log = read_file(place.program_dir + "tamari3.log");
  EXPECT_NE(std::string::npos, log.find("W32TeX")) << log;

  walk_result offline = program_run(place, {"e2e_2_", false, false, true}).walk();
  ASSERT_FALSE(offline.summary.empty()) << "the run with the network off reached no finish page";
  EXPECT_EQ("0", ini_value(place.ini(), "Connect", "UseNetwork"));
  check_finish(offline, "インストールしてない．");
  check_installed(place);

  walk_result current = program_run(place, {"e2e_3_", true, false, false}).walk();
  ASSERT_FALSE(current.rows[0].empty()) << "everything current";
  for (int i = 0; i < 4; ++i)
    for (const std::string& row : current.rows[i])
      EXPECT_NE(std::string::npos, row.find(i == 0 ? "|最新|-" : "|-"))
          << "expected a current, unticked row: " << row;
}

// What only the entry point decides: a second copy ends silently, the name held by another kind
// of object is told; both before the settings file is written, logging their run like any other.
TEST(startup, refused_starts) {
  const struct {
    const char* name;
    bool event;           // the name held by an event, else by a mutex
    const char* message;  // the box answered with OK; null: nothing may show
  } cases[] = {{"second", false, nullptr}, {"failed", true, "初期化に失敗．"}};
  for (const auto& c : cases) {
    scratch_directory dir(c.name);
    write_file(dir / "tamari3.log", "earlier line\r\n");
    HANDLE held = c.event ? CreateEventA(nullptr, TRUE, FALSE, "tamari3")
                          : CreateMutexA(nullptr, FALSE, "tamari3");
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(start_program(dir.path(), process)) << c.name;
    std::string shown = "(nothing)";
    if (HWND box = c.message
                       ? ud::wait_for_window({"#32770", "tamari3", 0, process.dwProcessId}, 60000)
                       : nullptr) {
      shown = ud::message_box_text(box);
      ud::press(box, IDOK);
    }
    EXPECT_EQ(static_cast<DWORD>(-1), end_program(process)) << c.name;
    CloseHandle(held);
    EXPECT_EQ(c.message ? c.message : "(nothing)", shown) << c.name;
    EXPECT_FALSE(exists(dir / "tamari3.ini")) << c.name;
    // The header's form and the appending are the log's own (tests/state).
    EXPECT_EQ(3u, read_lines(dir / "tamari3.log").size())
        << c.name << ": expected this run's header and end after the earlier line, got\n"
        << read_file(dir / "tamari3.log");
  }
}

// tools/run.sh: one walk through the demo where it lies.
TEST(demo, walk_through_the_demo) {
  const char* dir = std::getenv("TAMARI_DEMO_DIR");
  if (!dir) GTEST_SKIP() << "TAMARI_DEMO_DIR not set";
  const std::string base = dir;
  const demo_place place = {base, base + "download\\", base + "tex\\", base + "programs\\"};
  walk_result r = program_run(place, {"demo_", true, true, true}).walk();
  EXPECT_FALSE(r.summary.empty()) << "no finish page";
  std::printf("finish page:\n%s\n", r.summary.c_str());
}

}  // namespace

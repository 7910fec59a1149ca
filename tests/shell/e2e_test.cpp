// The real tamari3.exe, started as a process of its own and driven from here as
// a user drives it, against the demo distribution on the loopback mirrors:
//  1. first start without a settings file: mirrors typed (W32TeX and dviout by
//     FTP, GhostScript and GSview by HTTP), the class-package plug-in ticked, the
//     catalogue, the download, the installation with its questions answered, the
//     finish page; then the tree, the registry, the shortcuts, cidfmap, the log
//     and the settings file;
//  2. the network off: the catalogue and the installation from the save directory;
//  3. everything current: the W32TeX rows read "最新" and nothing is ticked.
// Every page's caption and buttons are read on the way, and every page and
// dialog seen is kept as a screenshot (screenshots/e2e_*.png). TAMARI_DEMO_DIR
// (tools/run.sh) runs the first walk only, in that directory.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <cstdio>
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

using ui_driver::wizard_next;

std::string env(const char* name) {
  char value[4096] = "";
  DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
  return length > 0 && length < sizeof value ? value : "";
}
std::string ini_value(const std::string& ini, const char* section, const char* key) {
  char value[4096] = "";
  GetPrivateProfileStringA(section, key, "", value, sizeof value, ini.c_str());
  return value;
}

std::string registry_text(HKEY root, const char* key, const char* name) {
  HKEY opened = nullptr;
  if (RegOpenKeyExA(root, key, 0, KEY_READ, &opened) != ERROR_SUCCESS) return "(no key)";
  char value[2048] = "";
  DWORD size = sizeof value - 1;
  LONG status = RegQueryValueExA(opened, name, nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size);
  RegCloseKey(opened);
  return status == ERROR_SUCCESS ? value : "(no value)";
}

// Where one demo lives: the program with its plug-in, the save and install
// directories, and the root the GhostScript and GSview stand-ins install under.
struct demo_place {
  std::string program_dir, save_dir, install_dir, fixture_root, fixture_log;
  std::string ini() const { return program_dir + "tamari3.ini"; }
  std::string log() const { return program_dir + "tamari3.log"; }
};

// What the driver does on the way and what it saw.
struct walk_options {
  std::string shots;  // prefix of the screenshot names
  bool network, tick_plugin;
  bool install;  // false: Cancel on the file-selection page
};
struct walk_result {
  bool reached_finish = false;
  std::string summary;                  // the finish page's text
  std::vector<std::string> questions;   // "caption | text -> answer"
  std::vector<std::string> w32tex_rows; // "name|state|ticked" on page 103
  int ticked_elsewhere = 0;             // ticked rows of the other three lists
};

// Screenshot names for the program's dialogs, by caption or by a control of
// their own where the caption changes as they run.
std::string shot_name(HWND window, const std::string& caption) {
  if (ui_driver::item(window, IDC_ASK_PATH_EDIT)) return "109_ask_path";
  if (ui_driver::item(window, IDC_DOWNLOAD_BAR)) return "106_download";
  if (ui_driver::item(window, IDC_UNZIP_PATH)) return "110_unzip";
  static const struct {
    const char *caption, *name;
  } names[] = {{"ファイル情報取得中……", "104_catalogue"}, {"インストール", "107_installation"},
               {"情報取得中……", "plugin_information"}, {"環境変数のチェック", "112_variables"},
               {"tamari3", "message"}, {"tamari3.exe", "message"}, {"高度な設定", "111_advanced"}};
  for (const auto& n : names)
    if (caption == n.caption) return n.name;
  return "dialog";
}

class program_run {
 public:
  program_run(const demo_place& place, const walk_options& options) : place_(place), options_(options) {}
  // The walk with its screenshots and answers, until the program has ended.

  walk_result walk() {
    if (!start()) {
      ADD_FAILURE() << "tamari3.exe did not show its wizard";
      if (process_.hProcess) TerminateProcess(process_.hProcess, 1);
      return result_;
    }
    // The plug-in has no settings dialog; its page is set in the settings file,
    // which it reads again each time it looks for the package.
    WritePrivateProfileStringA("jsclasses", "URL",
                               (std::string("http://") + mirror().http_host.c_str() + "/demo/jsclasses/").c_str(),
                               place_.ini().c_str());
    pages();
    if (WaitForSingleObject(process_.hProcess, 60000) != WAIT_OBJECT_0) {
      ADD_FAILURE() << "tamari3.exe did not end; closing it";
      ui_driver::dismiss_windows(ui_);
      if (WaitForSingleObject(process_.hProcess, 20000) != WAIT_OBJECT_0) TerminateProcess(process_.hProcess, 1);
    }
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
    return result_;
  }

 private:
  bool start() {
    std::string command = "\"" + place_.program_dir + "tamari3.exe\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, place_.program_dir.c_str(),
                        &startup, &process_))
      return false;
    sheet_ = ui_driver::wait_for_window({"#32770", "TeXのインストール", 0, process_.dwProcessId}, 60000);
    if (!sheet_) return false;
    ui_ = GetWindowThreadProcessId(sheet_, nullptr);
    return ui_driver::wait_for_page(sheet_, 0);
  }

  void shot(const std::string& name, HWND window = nullptr) {
    char number[8];
    std::snprintf(number, sizeof number, "%02d_", ++shots_);
    std::printf("%5lus screenshot: %s\n", (GetTickCount() - started_) / 1000,
                ui_driver::save_screenshot(options_.shots + number + name, window).c_str());
  }

  bool next_to(int page, DWORD timeout_ms = ui_driver::default_timeout_ms) {
    return ui_driver::press_wizard(sheet_, wizard_next) && watch_until_page(page, timeout_ms) && check_page(page);
  }

  // The page's caption and the buttons it offers: Back between the first and
  // the last page, Next before the last, Finish on it.
  bool check_page(int index) {
    static const char* const captions[] = {"TeXのインストール", "W32TeXインストール設定",
                                           "dviout、GhostScript、GSviewのインストール設定", "その他のソフト",
                                           "インストールファイルの選択", "インストールの完了"};
    const ui_driver::wizard_state b = ui_driver::read_wizard(sheet_);
    EXPECT_EQ(captions[index], ui_driver::text(ui_driver::current_page(sheet_)));
    EXPECT_EQ(index > 0 && index < 5, b.can(ui_driver::wizard_back)) << "Back on " << captions[index];
    EXPECT_EQ(index < 5, b.can(wizard_next) && !b.finish_visible) << "Next on " << captions[index];
    EXPECT_EQ(index == 5, b.can(ui_driver::wizard_finish) && !b.next_visible) << "Finish on " << captions[index];
    return true;
  }

  // Until page `page` shows: a screenshot of every other window of the program
  // once, and an answer to every question.
  bool watch_until_page(int page, DWORD timeout_ms) {
    return ui_driver::wait_until(
               [&] {
                 // The wizard's thread shows the pages and the progress dialogs,
                 // the installation's worker its own questions.
                 std::vector<HWND> windows = ui_driver::top_level_windows(0, process_.dwProcessId);
                 for (HWND window : windows)
                   if (window != sheet_) look_at(window);
                 // The plug-in page shows page 103 while its catalogue runs: the
                 // page counts once the Next handler is done.
                 return ui_driver::is_visible(sheet_) && ui_driver::current_page_index(sheet_) == page &&
                        windows.size() == 1 && !GetPropA(sheet_, wklib::next_running_prop);
               },
               timeout_ms) &&
           ui_driver::wait_for_page(sheet_, page);
  }

  void look_at(HWND window) {
    std::string caption = ui_driver::text(window), message = ui_driver::message_box_text(window);
    // A dialog that closed while it was being read has no caption left to name it by.
    if (!ui_driver::is_visible(window)) return;
    std::string name = shot_name(window, caption);
    // One picture per dialog, and one per message.
    if (seen_.insert(name == "message" ? caption + "|" + message : name).second) shot(name, window);
    // Progress dialogs offer Cancel only: they are watched, not answered.
    int answer = ui_driver::item(window, IDYES) ? IDYES : ui_driver::item(window, IDOK) ? IDOK : 0;
    if (!answer) return;
    if (ui_driver::item(window, IDC_ASK_PATH_EDIT) && ui_driver::item_text(window, IDC_ASK_PATH_EDIT).empty())
      ui_driver::set_text(window, IDC_ASK_PATH_EDIT, place_.install_dir + "dviout");
    result_.questions.push_back(caption + " | " + message + ui_driver::item_text(window, IDC_ASK_PATH_EDIT) +
                                (answer == IDYES ? " -> Yes" : " -> OK"));
    std::printf("%5lus answered: %s\n", (GetTickCount() - started_) / 1000, result_.questions.back().c_str());
    ui_driver::press(window, answer);
    ui_driver::wait_until_gone(window, 10000);
  }

  void settings_pages() {
    const std::string ftp = std::string("ftp://") + mirror().ftp_host.c_str() + "/demo/";
    const std::string http = std::string("http://") + mirror().http_host.c_str() + "/demo/";
    HWND tex = ui_driver::current_page(sheet_);
    EXPECT_TRUE(ui_driver::set_text(tex, IDC_SAVE_DIR, place_.save_dir));
    EXPECT_TRUE(ui_driver::set_text(tex, IDC_INSTALL_DIR, place_.install_dir));
    EXPECT_TRUE(ui_driver::set_check(tex, IDC_NO_NETWORK, false));
    EXPECT_TRUE(ui_driver::set_check(tex, IDC_TEX_URL_TYPED, true));
    EXPECT_TRUE(ui_driver::set_text(tex, IDC_TEX_URL_EDIT, ftp + "w32tex/"));
    EXPECT_TRUE(ui_driver::set_check(tex, IDC_NO_NETWORK, !options_.network));
    shot("102_tex_settings", sheet_);
    ASSERT_TRUE(next_to(2)) << "102 did not lead on to 105";

    HWND tools = ui_driver::current_page(sheet_);
    const struct {
      int check, edit;
      std::string url;
    } groups[] = {{IDC_DVIOUT_URL_TYPED, IDC_DVIOUT_URL_EDIT, ftp + "dviout/"},
                  {IDC_GS_URL_TYPED, IDC_GS_URL_EDIT, http + "gs/"},
                  {IDC_GSVIEW_URL_TYPED, IDC_GSVIEW_URL_EDIT, http + "gsview/"}};
    for (const auto& g : groups) {
      if (!options_.network) break;
      EXPECT_TRUE(ui_driver::set_check(tools, g.check, true));
      EXPECT_TRUE(ui_driver::set_text(tools, g.edit, g.url));
    }
    shot("105_tools_settings", sheet_);
    ASSERT_TRUE(next_to(3)) << "105 did not lead on to 113";
  }

  void read_file_lists(HWND page) {
    HWND w32tex = ui_driver::item(page, IDC_FILE_W32TEX);
    for (int row = 0; row < ui_driver::list_count(w32tex); ++row)
      result_.w32tex_rows.push_back(ui_driver::list_text(w32tex, row, 0) + "|" + ui_driver::list_text(w32tex, row, 1) +
                                    "|" + (ui_driver::list_checked(w32tex, row) ? "ticked" : "-"));
    for (int id : {IDC_FILE_DVIOUT, IDC_FILE_GHOSTSCRIPT, IDC_FILE_GSVIEW}) {
      HWND list = ui_driver::item(page, id);
      for (int row = 0; row < ui_driver::list_count(list); ++row) result_.ticked_elsewhere += ui_driver::list_checked(list, row);
    }
  }

  void pages() {
    check_page(0);
    const std::string intro = ui_driver::item_text(ui_driver::current_page(sheet_), IDC_INTRO_TEXT);
    EXPECT_EQ(0u, intro.find("Windows用TeXの基本的な")) << intro;
    EXPECT_NE(std::string::npos, intro.find("・ GSView\r\n・ その他関連")) << intro;
    shot("101_intro", sheet_);
    ASSERT_TRUE(next_to(1));
    settings_pages();
    if (testing::Test::HasFatalFailure()) return;

    HWND list = ui_driver::item(ui_driver::current_page(sheet_), IDC_PLUGIN_LIST);
    EXPECT_EQ(1, ui_driver::list_count(list));
    EXPECT_EQ("jsclasses", ui_driver::list_text(list, 0, 0)) << "the plug-in's package";
    EXPECT_TRUE(!options_.tick_plugin || ui_driver::list_set_checked(list, 0, true)) << "ticking the plug-in's row";
    shot("113_other_software", sheet_);
    ASSERT_TRUE(next_to(4, 300000)) << "the catalogue did not lead on to 103";

    read_file_lists(ui_driver::current_page(sheet_));
    EXPECT_EQ(options_.network ? "ダウンロード＆インストールするファイルを選んでください．「次へ」を押すと"
                                 "ダウンロードとインストールを開始します．"
                               : "インストールするファイルを選んでください．\r\n「次へ」を押すとインストールを開始します．",
              ui_driver::item_text(ui_driver::current_page(sheet_), IDC_FILE_TEXT));
    shot("103_file_selection", sheet_);
    if (!options_.install) {
      ui_driver::press_wizard(sheet_, ui_driver::wizard_cancel);
      return;
    }
    if (!next_to(5, 300000)) {
      std::string windows;
      for (HWND window : ui_driver::top_level_windows(0, process_.dwProcessId))
        windows += std::string(window == sheet_ ? "(wizard) " : "") + ui_driver::class_of(window) + " \"" +
                   ui_driver::text(window) + "\"\n";
      FAIL() << "no finish page after the installation; page " << ui_driver::current_page_index(sheet_)
             << ", windows:\n" << windows << "\nstarted programs:\n" << read_file(place_.fixture_log)
             << "\nlog:\n" << read_file(place_.log());
    }
    result_.reached_finish = true;
    result_.summary = ui_driver::item_text(ui_driver::current_page(sheet_), IDC_FINISH_TEXT);
    shot("108_finish", sheet_);
    EXPECT_TRUE(ui_driver::press_wizard(sheet_, ui_driver::wizard_finish));
    // A restart is offered where a step asked for one; the demo says No.
    if (HWND box = ui_driver::wait_for_window({"#32770", "tamari3.exe", ui_}, 3000)) {
      result_.questions.push_back("restart | " + ui_driver::message_box_text(box) + " -> No");
      std::printf("answered: %s\n", result_.questions.back().c_str());
      ui_driver::press(box, IDNO);
    }
  }

  const demo_place place_;
  const walk_options options_;
  walk_result result_;
  PROCESS_INFORMATION process_ = {};
  HWND sheet_ = nullptr;
  DWORD ui_ = 0;
  int shots_ = 0;
  DWORD started_ = GetTickCount();
  std::set<std::string> seen_;
};

// The summary line of one step, e.g. "W32TeX                \t: 成功".
std::string result_line(const std::string& summary, const std::string& label) {
  size_t at = summary.find(label);
  if (at == std::string::npos) return "(no line " + label + ")";
  size_t end = summary.find("\r\n", at);
  return summary.substr(at, end - at);
}

demo_place place_for(const std::string& base, const std::string& program_dir) {
  demo_place place = {program_dir, base + "download\\", base + "tex\\", base + "programs\\",
                      base + "fixture_commands.log"};
  // The stand-in installers of GhostScript and GSview install here, and record
  // their starts beside it.
  SetEnvironmentVariableA("TAMARI_FIXTURE_ROOT", place.fixture_root.c_str());
  SetEnvironmentVariableA("TAMARI_FIXTURE_LOG", place.fixture_log.c_str());
  return place;
}

// What an installation leaves, read alike after the online and the offline run:
// the settings file, the archives saved, the tree, dviout's settings, file
// association and shortcut, and GhostScript's CID font map.
void check_installed(const demo_place& place) {
  const std::string ini = place.ini(), tex = place.install_dir;
  const struct {
    const char *section, *key;
    std::string value;
  } settings[] = {
      {"Dir", "Hozon", place.save_dir},
      {"Dir", "Install", tex},
      {"Dir", "DVIOUT", tex + "dviout\\"},  // as the user accepted it
      {"TeXURL", "URL", std::string("ftp://") + mirror().ftp_host.c_str() + "/demo/w32tex/"},
      {"TeXURL", "IsUrlList", "0"},
      {"GSURL", "URL", std::string("http://") + mirror().http_host.c_str() + "/demo/gs/"},
      {"Reg", "texinst", "texinst[0-9]*\\.zip"},
      {"jsclasses", "target", "share\\texmf-local\\"},
  };
  for (const auto& s : settings) EXPECT_EQ(s.value, ini_value(ini, s.section, s.key)) << "[" << s.section << "] " << s.key;

  for (const std::string& file :
       {place.save_dir + "texinst2006.zip", place.save_dir + "tex323w.zip", place.save_dir + "gs860w32full.zip",
        place.save_dir + "gsv49w32.exe", place.save_dir + "jsclasses.zip", tex + "share\\texmf\\ptex-w32\\README",
        tex + "share\\texmf-local\\ptex\\platex\\jsclasses\\jsarticle.cls", tex + "dviout\\dviout.exe"})
    EXPECT_TRUE(exists(file)) << "missing " << file;

  EXPECT_EQ(tex + "share\\texmf\\fonts;" + tex + "share\\texmf-local\\fonts",
            registry_text(HKEY_CURRENT_USER, "Software\\TOMOE\\DVIOUT\\para0", "TEXROOT"));
  EXPECT_NE("", registry_text(HKEY_CLASSES_ROOT, ".dvi", nullptr)) << ".dvi association";
  char programs[MAX_PATH + 1] = "";
  SHGetSpecialFolderPathA(nullptr, programs, CSIDL_COMMON_PROGRAMS, FALSE);
  EXPECT_TRUE(exists(std::string(programs) + "\\dviout\\dviout for Windows.lnk")) << programs;

  // The two Japanese fonts, appended in text mode: Windows line ends.
  const std::string cidfmap = read_file(place.fixture_root + "gs8.14\\lib\\cidfmap");
  EXPECT_NE(std::string::npos, cidfmap.find("/Ryumin-Light\r\n<<\r\n/FileType /TrueType\r\n/Path (")) << cidfmap;
  EXPECT_NE(std::string::npos, cidfmap.find("/GothicBBB-Medium\r\n")) << cidfmap;
}

// The finish page after a run where every step succeeded but the other
// software's. Whether the environment needed changing, and so whether a restart
// is due, depends on the prefix; the restart question comes exactly when the
// page says so.
void check_finish(const walk_result& r, const std::string& other_software) {
  const bool restart = !r.questions.empty() && r.questions.back().compare(0, 10, "restart | ") == 0;
  EXPECT_TRUE(!restart || r.questions.back() == "restart | 再起動が必要です．今すぐ再起動しますか？ -> No")
      << r.questions.back();
  EXPECT_EQ(std::string("インストールが終了しました．") + (restart ? "完全な終了の為には再起動が必要です．\r\n" : "") +
                "\r\n\r\nインストール結果\r\n"
                "W32TeX                \t: 成功\r\n"
                "dviout                \t: 成功\r\n"
                "dvioutの設定          \t: 成功\r\n"
                "GhostScript           \t: 成功\r\n"
                "GhostScriptの設定     \t: 成功\r\n"
                "GSview                \t: 成功\r\n" +
                result_line(r.summary, "環境変数              \t: ") + "\r\nその他のソフトウェア  \t: " + other_software +
                "\r\n\r\nインストールに失敗した場合はreadme等を参考にして手動インストールを試みてください．\r\n"
                "また詳細なインストール結果及びエラー情報はtamari3.logに保存されています．",
            r.summary);
}

// The three runs share one place and go in order.
struct e2e : testing::Test {
  static scratch_directory* scratch;
  static demo_place place;
  static bool first_installed;
  static void SetUpTestSuite() {
    // A machine that never had GhostScript, GSview or dviout: earlier runs in
    // this prefix left their registrations behind.
    const char* uninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
    for (const char* product : {"AFPL Ghostscript 8.14", "AFPL Ghostscript Fonts", "GSview 4.8"})
      RegDeleteKeyA(HKEY_LOCAL_MACHINE, (std::string(uninstall) + product).c_str());
    for (const char* key : {"Software\\TOMOE\\DVIOUT\\para0", "Software\\TOMOE\\DVIOUT"})
      RegDeleteKeyA(HKEY_CURRENT_USER, key);
    scratch = new scratch_directory("e2e");
    place = place_for(scratch->path(), scratch->path() + "program\\");
    CreateDirectoryA(place.program_dir.c_str(), nullptr);
    CreateDirectoryA((place.program_dir + "plugin").c_str(), nullptr);
    CopyFileA(env("TAMARI_E2E_PROGRAM").c_str(), (place.program_dir + "tamari3.exe").c_str(), FALSE);
    CopyFileA(env("TAMARI_E2E_PLUGIN").c_str(),
              (place.program_dir + "plugin\\plugin_extrapack.dll").c_str(), FALSE);
  }
  static void TearDownTestSuite() { delete scratch; }
};
scratch_directory* e2e::scratch = nullptr;
demo_place e2e::place;
bool e2e::first_installed = false;

TEST_F(e2e, first_start_online_installs_everything) {
  ASSERT_TRUE(exists(place.program_dir + "tamari3.exe")) << "TAMARI_E2E_PROGRAM: " << env("TAMARI_E2E_PROGRAM");
  ASSERT_FALSE(exists(place.ini())) << "the first start has no settings file";
  walk_result r = program_run(place, {"e2e_1_", true, true, true}).walk();
  ASSERT_TRUE(r.reached_finish);
  first_installed = true;
  check_finish(r, "成功");
  EXPECT_EQ("1", ini_value(place.ini(), "Connect", "UseNetwork"));
  check_installed(place);
  const std::string log = read_file(place.log());
  EXPECT_NE(std::string::npos, log.find("W32TeX")) << log;
}

TEST_F(e2e, network_off_installs_from_the_save_directory) {
  if (!first_installed) GTEST_SKIP() << "needs the first run's downloads";
  walk_result r = program_run(place, {"e2e_2_", false, false, true}).walk();
  ASSERT_TRUE(r.reached_finish);
  EXPECT_EQ("0", ini_value(place.ini(), "Connect", "UseNetwork"));
  EXPECT_FALSE(r.w32tex_rows.empty()) << "the save directory's archives are listed";
  check_finish(r, "インストールしてない．");
  check_installed(place);
}

TEST_F(e2e, everything_current_ticks_nothing) {
  if (!first_installed) GTEST_SKIP() << "needs the first run's downloads";
  walk_result r = program_run(place, {"e2e_3_", true, false, false}).walk();
  ASSERT_FALSE(r.w32tex_rows.empty());
  for (const std::string& row : r.w32tex_rows)
    EXPECT_NE(std::string::npos, row.find("|最新|-")) << "expected a current, unticked row, got " << row;
  EXPECT_EQ(0, r.ticked_elsewhere) << "ticked rows in the dviout, GhostScript and GSview lists";
}

// tools/run.sh: one walk through the demo where it lies.
TEST(demo, walk_through_the_demo) {
  std::string base = env("TAMARI_DEMO_DIR");
  if (base.empty()) GTEST_SKIP() << "TAMARI_DEMO_DIR not set";
  walk_result r = program_run(place_for(base, base), {"demo_", true, true, true}).walk();
  EXPECT_TRUE(r.reached_finish);
  std::printf("finish page:\n%s\n", r.summary.c_str());
}

}  // namespace

// Dialog 104 over the demo distribution of the loopback mirrors, filling a stand-in
// of page 103 made from the page's own template.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "catalogue/catalogue_dialog.h"
#include "catalogue/catalogue_ids.h"
#include "catalogue/list_rows.h"
#include "state/install_settings.h"
#include "state/install_state.h"
#include "support/worker_dialog.h"
#include "tests/common/scratch.h"
#include "tests/net/test_mirror.h"
#include "tests/ui_driver/ui_driver.h"

namespace {

const unsigned long long hour = 36000000000ull;  // in 100 ns

// Name → (UTC time as a file time, size) of the demo tree, from the script's times.txt.
struct demo_file {
  unsigned long long utc;
  std::string size;
};
std::map<std::string, demo_file>& files() {
  static std::map<std::string, demo_file> read;
  std::ifstream in(read.empty() ? mirror().state_dir + "\\root\\ftp\\demo\\times.txt" : "");
  std::string path, size;
  long long stamp;
  while (in >> path >> stamp >> size)
    read[path.substr(path.find('/') + 1)] = {(stamp + 11644473600ull) * 10000000ull, size};
  return read;
}

// A tool list's row as rows_of gives it.
std::string row(const std::string& name, bool ticked) {
  return name + "|" + files()[name].size + (ticked ? "|ticked" : "|-");
}

// A copy of a demo archive in the save directory, written at `utc` (0: the mirror's time).
void save_copy(const scratch_directory& save, const std::string& package, const std::string& name,
               unsigned long long utc, const std::string& as = "") {
  const std::string to = save / (as.empty() ? name : as);
  CopyFileA((mirror().state_dir + "\\root\\ftp\\demo\\" + package + "\\" + name).c_str(),
            to.c_str(), FALSE);
  HANDLE file = CreateFileA(to.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  const FILETIME time = {static_cast<DWORD>(utc), static_cast<DWORD>(utc >> 32)};
  SetFileTime(file, nullptr, nullptr, &time);
  CloseHandle(file);
}

INT_PTR CALLBACK page_procedure(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// A top-level window holding page 103, whose four lists the catalogue fills.
struct page_host {
  HWND host, page;
  file_lists lists;
  page_host() {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    host = CreateWindowExA(0, "STATIC", "page 103", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 560,
                           400, nullptr, nullptr, nullptr, nullptr);
    page = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_FILE_SELECTION), host,
                              page_procedure, 0);
    lists = {GetDlgItem(page, IDC_FILE_W32TEX), GetDlgItem(page, IDC_FILE_DVIOUT),
             GetDlgItem(page, IDC_FILE_GHOSTSCRIPT), GetDlgItem(page, IDC_FILE_GSVIEW)};
    list_insert_columns(lists.w32tex, {{"ファイル名", 163}, {"状態", 50}, {"サイズ", 60}});
    for (HWND list : {lists.dviout, lists.ghostscript, lists.gsview})
      list_insert_columns(list, {{"ファイル名", 150}, {"サイズ", 60}});
  }
  ~page_host() { DestroyWindow(host); }
};

// A list's rows as "name|column...|ticked" ("-" when not), sorted unless `in_order`
// (the order of a tool's listing is the server's own).
std::vector<std::string> rows_of(HWND list, int columns, bool in_order = false) {
  std::vector<std::string> rows;
  for (int row = 0; row < ui_driver::list_count(list); ++row) {
    std::string text;
    for (int column = 0; column < columns; ++column)
      text += ui_driver::list_text(list, row, column) + "|";
    rows.push_back(text + (ui_driver::list_checked(list, row) ? "ticked" : "-"));
  }
  if (!in_order) std::sort(rows.begin(), rows.end());
  return rows;
}

// The last text the worker put into the progress field, caught on the dialog's
// thread as it is set, so that a run too quick to watch still shows it.
std::string g_text;
LRESULT CALLBACK catch_progress_text(int code, WPARAM wparam, LPARAM lparam) {
  const CWPSTRUCT* call = reinterpret_cast<const CWPSTRUCT*>(lparam);
  if (code == HC_ACTION && call->message == WM_SETTEXT &&
      GetDlgCtrlID(call->hwnd) == IDC_CATALOGUE_PROGRESS && call->lParam)
    g_text = reinterpret_cast<const char*>(call->lParam);
  return CallNextHookEx(nullptr, code, wparam, lparam);
}

std::string tail(const std::string& text, const std::string& end) {
  return text.substr(text.size() - std::min(text.size(), end.size()));
}

// Runs dialog 104 and gives its code; `drive` may act on it while it runs.
int run_dialog(page_host& page, const char* shot = nullptr,
               const std::function<void(HWND)>& drive = nullptr) {
  int code = -1;
  g_text.clear();
  HHOOK hook =
      SetWindowsHookExA(WH_CALLWNDPROC, catch_progress_text, nullptr, GetCurrentThreadId());
  ui_driver::run_modal([&] { code = run_catalogue(page.host, page.lists); },
                       [&](DWORD ui_thread) {
                         if (!drive && !shot) return;  // a quick run may end before it is found
                         HWND dialog = ui_driver::wait_for_window(
                             {"#32770", "ファイル情報取得中……", ui_thread}, 10000);
                         if (dialog && drive) drive(dialog);
                         if (dialog && shot) ui_driver::save_screenshot(shot, dialog);
                       },
                       120000);  // only a run that hangs is closed by force
  UnhookWindowsHookEx(hook);
  return code;
}

// The W32TeX archives of the list, in its order, that the mirror holds and that
// are taken (not otfdevel, not the capitalised name, not the empty one).
const char* const taken[] = {"latex.tar.bz2",        "ptex-w32.tar.gz", "web2c-w32.tar.bz2",
                             "dvipdfmx-w32.tar.gz",  "mftools.tar.gz",  "pdftex-w32.tar.bz2",
                             "makeindex-w32.tar.gz", "texinfo.tar.gz",  "fonts-base.tar.bz2",
                             "ttf2pk-w32.tar.bz2"};

// Online over FTP, over HTTP and from an HTTP mirror that sends no Last-Modified. Saved: latex an
// hour after the mirror's change (最新: a local-against-UTC comparison says お古 east of UTC), ptex
// an hour before (お古: it says 最新 west of UTC), dviout's newest at the mirror's time, or an hour
// later where the mirror gives no time (it cannot be shown newer, so it is ticked).
TEST(catalogue_dialog, online_lists_over_ftp_and_http) {
  for (const std::string& mirror_url :
       {std::string("ftp://") + mirror().ftp_host.c_str() + "/demo/",
        std::string("http://") + mirror().http_host.c_str() + "/demo/",
        std::string("http://") + mirror().http_host.c_str() + "/nomodified/demo/"}) {
    const bool times = mirror_url.find("nomodified") == std::string::npos;
    scratch_directory save("cat_online");
    save_copy(save, "w32tex", "latex.tar.bz2", files()["latex.tar.bz2"].utc + hour);
    save_copy(save, "w32tex", "ptex-w32.tar.gz", files()["ptex-w32.tar.gz"].utc - hour);
    save_copy(save, "dviout", "tex323w.zip", files()["tex323w.zip"].utc + (times ? 0 : hour));
    configure_demo(mirror_url, save.path(), true);
    page_host page;
    const file_tail log = program_log();
    const std::string shot = "catalogue_104_" + mirror_url.substr(0, mirror_url.find(':'));
    EXPECT_EQ(0, run_dialog(page, times ? shot.c_str() : nullptr))
        << mirror_url << ", text: " << g_text;
    std::vector<std::string> expected, archives;
    for (const std::string name : taken) {
      const std::string state = !times                      ? "エラー"
                                : name == "latex.tar.bz2"   ? "最新"
                                : name == "ptex-w32.tar.gz" ? "お古"
                                                            : "無い";
      const bool ticked = state == "お古" || state == "無い";
      expected.push_back(name + "|" + state + "|" + (times ? files()[name].size : "0") +
                         (ticked ? "|ticked" : "|-"));
      if (ticked) archives.push_back(name);
    }
    EXPECT_EQ(expected, rows_of(page.lists.w32tex, 3, true)) << mirror_url;
    std::vector<std::string> got_archives;
    for (const wklib::string& name : the_install_state().w32tex_archives)
      got_archives.push_back(name.c_str());
    EXPECT_EQ(archives, got_archives) << mirror_url;
    std::vector<std::string> tools;  // each list sorted; .old does not match the gs pattern whole
    for (HWND list : {page.lists.dviout, page.lists.ghostscript, page.lists.gsview})
      for (const std::string& text : rows_of(list, 2)) tools.push_back(text);
    EXPECT_EQ((std::vector<std::string>{row("tex318w.zip", false), row("tex323w.zip", !times),
                                        row("tex33w.zip", false), row("gs853w32full.zip", false),
                                        row("gs860w32full.zip", true), row("gsv48w32.exe", false),
                                        row("gsv49w32.exe", true)}),
              tools)
        << mirror_url;
    const std::string end =
        "♪GSviewの情報を取得♪\r\n接続……成功\r\nファイル一覧を作成……成功\r\n\r\n";
    EXPECT_EQ(end, tail(g_text, end)) << mirror_url;
    EXPECT_EQ("W32TeXの情報取得を開始\r\nW32TeX情報の取得終了\r\ndvioutの情報取得開始．\r\n"
              "dvioutの情報取得終了．\r\nGhostScriptの情報取得開始\r\nGhostScriptの情報取得終了\r\n"
              "GSViewの情報取得開始\r\nGSViewの情報取得終了\r\n",
              log.added())
        << mirror_url;
  }
}

// Every way the online catalogue ends early, one run each: the broken mirror or
// setting, the run's log, the end of the dialog's text and the code.
TEST(catalogue_dialog, result_codes) {
  const std::string http = std::string("http://") + mirror().http_host.c_str();
  const std::string ftp = std::string("ftp://") + mirror().ftp_host.c_str();
  const std::string nobody = "ftp://127.0.0.1/pub/";  // nothing listens there
  const std::string started = "W32TeXの情報取得を開始\r\n";
  const std::string w32tex_done = started + "W32TeX情報の取得終了\r\ndvioutの情報取得開始．\r\n";
  enum setting { tex_url, dviout_url, tex_pattern, dviout_pattern };
  const struct {
    const char* what;
    setting key;  // changed from the demo's, over HTTP
    std::string value;
    int code;
    std::string log, text_end;
  } cases[] = {
      {"Cancel during a slow HEAD", tex_url, http + "/slowhead/4/demo/w32tex/", 1, started,
       "キャンセルされました．"},
      {"connection", tex_url, nobody, 2, started + "127.0.0.1へのFTPでの接続に失敗．\r\n",
       "♪W32TeXの情報を取得♪\r\n接続……失敗"},
      {"listing", tex_url, http + "/demo/none/", 2, started
       + "HTTPでのファイル読み込みに失敗しました．\r\n",
       "成功\r\n情報ファイルを検索……失敗"},
      {"information archive not listed", tex_url, http + "/demo/gs/", 2,
       started + "情報ファイルが見つかりませんでした．\r\n", "情報ファイルを検索……失敗"},
      {"W32TeX pattern", tex_pattern, "texinst[", 4, started
       + "W32TeXを探す為の正規表現にミスがあります．\r\n",
       "情報ファイルを検索……失敗"},
      {"information archive download", tex_url, http + "/broken/nofile/", 2,
       started + "ファイル一覧の取得に失敗．\r\n", "を発見\r\ntexinst2006.zipをダウンロード……失敗"},
      {"unpacking", tex_url, ftp + "/broken/notzip/", 4, started,
       "成功\r\ntexinst2006.zipを解凍……失敗"},
      {"information file unreadable", tex_url, http + "/broken/noinfo/", 4, started,
       "を解凍……成功\r\nファイル一覧を作成……失敗"},
      {"tool connection", dviout_url, nobody, 2, w32tex_done
       + "127.0.0.1へのFTPでの接続に失敗．\r\n",
       "♪dvioutの情報を取得♪\r\n接続……失敗"},
      {"tool listing", dviout_url, ftp + "/pub/empty/", 2, w32tex_done
       + "FTPでのファイル一覧の取得に失敗．\r\n",
       "接続……成功\r\nファイル一覧を作成……失敗"},
      {"tool pattern", dviout_pattern, "tex[", 4, w32tex_done + "正規表現にミスがあります．\r\n",
       "接続……成功\r\nファイル一覧を作成……失敗"},
  };
  void (install_settings::*const set[])(const wklib::string&) = {
      &install_settings::set_tex_url, &install_settings::set_dviout_url,
      &install_settings::set_tex_pattern, &install_settings::set_dviout_pattern};
  for (const auto& c : cases) {
    scratch_directory save("cat_codes");
    configure_demo(http + "/demo/", save.path(), true);
    install_settings& s = the_settings();
    (s.*set[c.key])(c.value.c_str());
    s.load_settings();
    page_host page;
    const file_tail log = program_log();
    const DWORD start = GetTickCount();
    const bool cancel = c.code == 1;
    EXPECT_EQ(c.code,
              run_dialog(page, nullptr, !cancel ? std::function<void(HWND)>() : [](HWND dialog) {
      // The first row's HEAD is under way once the list is being made.
      ui_driver::wait_until([&] {
        return ui_driver::item_text(dialog, IDC_CATALOGUE_PROGRESS).find("ファイル一覧を作成……") !=
               std::string::npos;
      });
      ui_driver::save_screenshot("catalogue_104_slow_head", dialog);
      EXPECT_TRUE(ui_driver::press(dialog, IDCANCEL));
    })) << c.what << ", text: " << g_text;
    EXPECT_EQ(c.log, log.added()) << c.what;
    EXPECT_EQ(c.text_end, tail(g_text, c.text_end)) << c.what;
    EXPECT_TRUE(!cancel || GetTickCount() - start >= 4000u) << "the dialog waited for the HEAD";
  }
  wklib::thread_starter saved = wklib::start_worker_thread;
  wklib::start_worker_thread = [](unsigned(__stdcall*)(void*), void*) -> HANDLE { return nullptr; };
  page_host page;
  const int code = run_dialog(page);
  wklib::start_worker_thread = saved;
  EXPECT_EQ(3, code) << "worker not started";
}

// Offline: the greater of two information archives (one in capitals), no directory
// taken for an archive, and an empty save directory.
TEST(catalogue_dialog, offline_lists_from_the_save_directory) {
  scratch_directory save("cat_offline");
  save_copy(save, "w32tex", "texinst2006.zip", 0, "TEXINST2006.ZIP");
  save_copy(save, "dviout", "tex323w.zip", 0, "texinst2005.zip");  // no list inside: never read
  save_copy(save, "w32tex", "latex.tar.bz2", files()["latex.tar.bz2"].utc);
  save_copy(save, "dviout", "tex323w.zip", 0);
  save_copy(save, "dviout", "tex33w.zip", 0);
  // Left by an online run; the list's program text quotes "texinst" too.
  CreateDirectoryA((save / "texinst").c_str(), nullptr);
  configure_demo("", save.path(), false);
  page_host page;
  EXPECT_EQ(0, run_dialog(page, "catalogue_104_offline")) << g_text;
  EXPECT_EQ(
      std::vector<std::string>{"latex.tar.bz2|ある|" + files()["latex.tar.bz2"].size + "|ticked"},
      rows_of(page.lists.w32tex, 3, true));
  EXPECT_EQ((std::vector<std::string>{row("tex323w.zip", true), row("tex33w.zip", false)}),
            rows_of(page.lists.dviout, 2));

  scratch_directory empty("cat_empty");
  configure_demo("", empty.path(), false);
  EXPECT_EQ(4, run_dialog(page));
  EXPECT_EQ("保存されているファイルを検索……失敗", g_text);
}

}  // namespace

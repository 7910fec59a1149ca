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
std::map<std::string, demo_file> demo_files() {
  std::map<std::string, demo_file> files;
  std::ifstream in(mirror().state_dir + "\\root\\ftp\\demo\\times.txt");
  std::string path, size;
  long long stamp;
  while (in >> path >> stamp >> size)
    files[path.substr(path.find('/') + 1)] = {(stamp + 11644473600ull) * 10000000ull, size};
  return files;
}

// A copy of a demo archive in the save directory, written at `utc` (0: now).
void save_copy(const scratch_directory& save, const std::string& package, const std::string& name,
               unsigned long long utc, const std::string& as = "") {
  const std::string to = save / (as.empty() ? name : as);
  CopyFileA((mirror().state_dir + "\\root\\ftp\\demo\\" + package + "\\" + name).c_str(), to.c_str(), FALSE);
  if (!utc) return;
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
// (the server's order of a tool's listing is its own).
std::vector<std::string> rows_of(HWND list, int columns, bool in_order = false) {
  std::vector<std::string> rows;
  for (int row = 0; row < ui_driver::list_count(list); ++row) {
    std::string text;
    for (int column = 0; column < columns; ++column) text += ui_driver::list_text(list, row, column) + "|";
    rows.push_back(text + (ui_driver::list_checked(list, row) ? "ticked" : "-"));
  }
  if (!in_order) std::sort(rows.begin(), rows.end());
  return rows;
}

// The last text the worker put into the progress field, caught on the dialog's
// thread as it is set, so that a run too quick to watch still shows it.
std::string g_last_text;
LRESULT CALLBACK catch_progress_text(int code, WPARAM wparam, LPARAM lparam) {
  const CWPSTRUCT* call = reinterpret_cast<const CWPSTRUCT*>(lparam);
  if (code == HC_ACTION && call->message == WM_SETTEXT &&
      GetDlgCtrlID(call->hwnd) == IDC_CATALOGUE_PROGRESS && call->lParam)
    g_last_text = reinterpret_cast<const char*>(call->lParam);
  return CallNextHookEx(nullptr, code, wparam, lparam);
}

struct run_result {
  int code = -1;
  std::string text;  // the progress text at the end
  bool ends_with(const std::string& tail) const {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
  }
};

// Runs dialog 104; `drive` may act on it while it runs.
run_result run_dialog(page_host& page, const std::function<void(HWND)>& drive = nullptr,
                      const char* shot = nullptr) {
  run_result r;
  g_last_text.clear();
  HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, catch_progress_text, nullptr, GetCurrentThreadId());
  ui_driver::run_modal([&] { r.code = run_catalogue(page.host, page.lists); },
                       [&](DWORD ui_thread) {
                         if (!drive && !shot) return;  // a quick run may end before it is found
                         HWND dialog = ui_driver::wait_for_window(
                             {"#32770", "ファイル情報取得中……", false, ui_thread}, 10000);
                         if (dialog && drive) drive(dialog);
                         if (dialog && shot) ui_driver::save_screenshot(shot, dialog);
                       },
                       120000);  // only a run that hangs is closed by force
  UnhookWindowsHookEx(hook);
  r.text = g_last_text;
  return r;
}

// The W32TeX archives of the list, in its order, that the mirror holds and that
// are taken (not otfdevel, not the capitalised name, not the empty one).
const char* const taken[] = {"latex.tar.bz2",        "ptex-w32.tar.gz", "web2c-w32.tar.bz2",
                             "dvipdfmx-w32.tar.gz",  "mftools.tar.gz",  "pdftex-w32.tar.bz2",
                             "makeindex-w32.tar.gz", "texinfo.tar.gz",  "fonts-base.tar.bz2",
                             "ttf2pk-w32.tar.bz2"};

// Online over FTP and HTTP. Saved: latex an hour after the mirror's change (最新:
// the old local-against-UTC comparison said お古 east of UTC), ptex an hour before
// (お古: it said 最新 west of UTC), dviout's newest at the mirror's time (not ticked).
TEST(catalogue_dialog, online_lists_over_ftp_and_http) {
  auto files = demo_files();
  for (const std::string scheme : {"ftp", "http"}) {
    scratch_directory save(("cat_" + scheme).c_str());
    save_copy(save, "w32tex", "latex.tar.bz2", files["latex.tar.bz2"].utc + hour);
    save_copy(save, "w32tex", "ptex-w32.tar.gz", files["ptex-w32.tar.gz"].utc - hour);
    save_copy(save, "dviout", "tex323w.zip", files["tex323w.zip"].utc);
    const wklib::string host = scheme == "ftp" ? mirror().ftp_host : mirror().http_host;
    configure_demo(scheme + "://" + host.c_str() + "/demo/", save.path(), true);
    page_host page;
    const file_tail log = program_log();
    const run_result r = run_dialog(page, nullptr, ("catalogue_104_" + scheme).c_str());
    EXPECT_EQ(0, r.code) << scheme << ", text: " << r.text;
    std::vector<std::string> expected, archives;
    for (const std::string name : taken) {
      const std::string state = name == "latex.tar.bz2" ? "最新" : name == "ptex-w32.tar.gz" ? "お古" : "無い";
      expected.push_back(name + "|" + state + "|" + files[name].size + "|" + (state == "最新" ? "-" : "ticked"));
      if (state != "最新") archives.push_back(name);
    }
    EXPECT_EQ(expected, rows_of(page.lists.w32tex, 3, true)) << scheme;
    std::vector<std::string> got_archives;
    for (const wklib::string& name : the_install_state().w32tex_archives) got_archives.push_back(name.c_str());
    EXPECT_EQ(archives, got_archives) << scheme;
    EXPECT_EQ((std::vector<std::string>{"tex318w.zip|" + files["tex318w.zip"].size + "|-",
                                        "tex323w.zip|" + files["tex323w.zip"].size + "|-",
                                        "tex33w.zip|" + files["tex33w.zip"].size + "|-"}),
              rows_of(page.lists.dviout, 2))
        << scheme << ": the saved newest is as new as the mirror's";
    EXPECT_EQ((std::vector<std::string>{"gs853w32full.zip|" + files["gs853w32full.zip"].size + "|-",
                                        "gs860w32full.zip|" + files["gs860w32full.zip"].size + "|ticked"}),
              rows_of(page.lists.ghostscript, 2))
        << scheme << ": .old does not match whole";
    EXPECT_EQ((std::vector<std::string>{"gsv48w32.exe|" + files["gsv48w32.exe"].size + "|-",
                                        "gsv49w32.exe|" + files["gsv49w32.exe"].size + "|ticked"}),
              rows_of(page.lists.gsview, 2))
        << scheme;
    EXPECT_TRUE(r.ends_with("♪GSviewの情報を取得♪\r\n接続……成功\r\nファイル一覧を作成……成功\r\n\r\n"))
        << scheme << ": " << r.text;
    EXPECT_EQ("W32TeXの情報取得を開始\r\nW32TeX情報の取得終了\r\ndvioutの情報取得開始．\r\n"
              "dvioutの情報取得終了．\r\nGhostScriptの情報取得開始\r\nGhostScriptの情報取得終了\r\n"
              "GSViewの情報取得開始\r\nGSViewの情報取得終了\r\n",
              log.added())
        << scheme;
  }
}

// A mirror that sends no Last-Modified: W32TeX rows "エラー", "0", not ticked; the
// saved dviout copy cannot be shown newer, so the newest row is ticked.
TEST(catalogue_dialog, mirror_without_times) {
  auto files = demo_files();
  scratch_directory save("cat_notime");
  save_copy(save, "dviout", "tex323w.zip", files["tex323w.zip"].utc + hour);
  configure_demo(std::string("http://") + mirror().http_host.c_str() + "/nomodified/demo/", save.path(), true);
  page_host page;
  EXPECT_EQ(0, run_dialog(page).code);
  std::vector<std::string> expected;
  for (const char* name : taken) expected.push_back(std::string(name) + "|エラー|0|-");
  EXPECT_EQ(expected, rows_of(page.lists.w32tex, 3, true));
  EXPECT_TRUE(the_install_state().w32tex_archives.empty());
  const std::vector<std::string> dviout = rows_of(page.lists.dviout, 2);
  EXPECT_EQ(1, std::count(dviout.begin(), dviout.end(), "tex323w.zip|" + files["tex323w.zip"].size + "|ticked"));
}

// Every way the online catalogue ends early, one run each: how the mirror or the
// settings are broken, the run's log, the end of the dialog's text and the code.
TEST(catalogue_dialog, result_codes) {
  const std::string http = std::string("http://") + mirror().http_host.c_str();
  const std::string ftp = std::string("ftp://") + mirror().ftp_host.c_str();
  const std::string nobody = "ftp://127.0.0.1/pub/";  // nothing listens there
  const std::string started = "W32TeXの情報取得を開始\r\n";
  const std::string w32tex_done = started + "W32TeX情報の取得終了\r\ndvioutの情報取得開始．\r\n";
  const struct {
    const char* what;
    std::string tex_url, dviout_url;  // "": the demo's, over HTTP
    const char* tex_pattern;          // nullptr: the demo's
    const char* dviout_pattern;
    int code;
    std::string log, text_end;
  } cases[] = {
      {"Cancel during a slow HEAD", http + "/slowhead/4/demo/w32tex/", "", nullptr, nullptr, 1, started,
       "キャンセルされました．"},
      {"connection", nobody, "", nullptr, nullptr, 2, started + "127.0.0.1へのFTPでの接続に失敗．\r\n",
       "♪W32TeXの情報を取得♪\r\n接続……失敗"},
      {"listing", http + "/demo/none/", "", nullptr, nullptr, 2,
       started + "HTTPでのファイル読み込みに失敗しました．\r\n", "成功\r\n情報ファイルを検索……失敗"},
      {"information archive not listed", http + "/demo/gs/", "", nullptr, nullptr, 2,
       started + "情報ファイルが見つかりませんでした．\r\n", "情報ファイルを検索……失敗"},
      {"W32TeX pattern", "", "", "texinst[", nullptr, 4,
       started + "W32TeXを探す為の正規表現にミスがあります．\r\n", "情報ファイルを検索……失敗"},
      {"information archive download", http + "/broken/nofile/", "", nullptr, nullptr, 2,
       started + "ファイル一覧の取得に失敗．\r\n", "を発見\r\ntexinst2006.zipをダウンロード……失敗"},
      {"unpacking", ftp + "/broken/notzip/", "", nullptr, nullptr, 4, started,
       "成功\r\ntexinst2006.zipを解凍……失敗"},
      {"information file unreadable", http + "/broken/noinfo/", "", nullptr, nullptr, 4, started,
       "を解凍……成功\r\nファイル一覧を作成……失敗"},
      {"tool connection", "", nobody, nullptr, nullptr, 2,
       w32tex_done + "127.0.0.1へのFTPでの接続に失敗．\r\n", "♪dvioutの情報を取得♪\r\n接続……失敗"},
      {"tool listing", "", ftp + "/pub/empty/", nullptr, nullptr, 2,
       w32tex_done + "FTPでのファイル一覧の取得に失敗．\r\n", "接続……成功\r\nファイル一覧を作成……失敗"},
      {"tool pattern", "", "", nullptr, "tex[", 4, w32tex_done + "正規表現にミスがあります．\r\n",
       "接続……成功\r\nファイル一覧を作成……失敗"},
  };
  for (const auto& c : cases) {
    scratch_directory save("cat_codes");
    configure_demo(http + "/demo/", save.path(), true);
    install_settings& s = the_settings();
    if (!c.tex_url.empty()) s.set_tex_url(c.tex_url.c_str());
    if (!c.dviout_url.empty()) s.set_dviout_url(c.dviout_url.c_str());
    if (c.tex_pattern) s.set_tex_pattern(c.tex_pattern);
    if (c.dviout_pattern) s.set_dviout_pattern(c.dviout_pattern);
    s.load_settings();
    page_host page;
    const file_tail log = program_log();
    const DWORD start = GetTickCount();
    const bool cancel = c.code == 1;
    const run_result r = run_dialog(page, !cancel ? std::function<void(HWND)>() : [](HWND dialog) {
      // The first row's HEAD is under way once the list is being made.
      ui_driver::wait_until([&] {
        return ui_driver::item_text(dialog, IDC_CATALOGUE_PROGRESS).find("ファイル一覧を作成……") != std::string::npos;
      });
      ui_driver::save_screenshot("catalogue_104_slow_head", dialog);
      EXPECT_TRUE(ui_driver::press(dialog, IDCANCEL));
    });
    EXPECT_EQ(c.code, r.code) << c.what << ", text: " << r.text;
    EXPECT_EQ(c.log, log.added()) << c.what;
    EXPECT_TRUE(r.ends_with(c.text_end)) << c.what << ": expected the text to end in " << c.text_end
                                         << ", got " << r.text;
    EXPECT_TRUE(!cancel || GetTickCount() - start >= 4000u) << "the dialog waited for the HEAD";
  }
  wklib::thread_starter saved = wklib::start_worker_thread;
  wklib::start_worker_thread = [](unsigned(__stdcall*)(void*), void*) -> HANDLE { return nullptr; };
  page_host page;
  int code = -1;
  ui_driver::run_modal([&] { code = run_catalogue(page.host, page.lists); }, [](DWORD) {});
  wklib::start_worker_thread = saved;
  EXPECT_EQ(3, code) << "worker not started";
}

// Offline: the greater of two information archives (one in capitals), capitals in
// the list matched, no directory taken for an archive, and an empty save directory.
TEST(catalogue_dialog, offline_lists_from_the_save_directory) {
  auto files = demo_files();
  scratch_directory save("cat_offline");
  save_copy(save, "w32tex", "texinst2006.zip", 0, "TEXINST2006.ZIP");
  save_copy(save, "dviout", "tex323w.zip", 0, "texinst2005.zip");  // no list inside: never read
  for (const char* name : {"latex.tar.bz2", "mixed-case.tar.gz", "otfdevel-w32.tar.gz"})
    save_copy(save, "w32tex", name, files[name].utc);
  save_copy(save, "dviout", "tex323w.zip", 0);
  save_copy(save, "dviout", "tex33w.zip", 0);
  // Left by an online run; the list's program text quotes "texinst" too.
  CreateDirectoryA((save / "texinst").c_str(), nullptr);
  configure_demo("", save.path(), false);
  page_host page;
  const run_result r = run_dialog(page, nullptr, "catalogue_104_offline");
  EXPECT_EQ(0, r.code) << r.text;
  EXPECT_EQ((std::vector<std::string>{"latex.tar.bz2|ある|" + files["latex.tar.bz2"].size + "|ticked",
                                      "mixed-case.tar.gz|ある|" + files["mixed-case.tar.gz"].size + "|ticked"}),
            rows_of(page.lists.w32tex, 3, true));
  EXPECT_EQ((std::vector<std::string>{"tex323w.zip|" + files["tex323w.zip"].size + "|ticked",
                                      "tex33w.zip|" + files["tex33w.zip"].size + "|-"}),
            rows_of(page.lists.dviout, 2));

  scratch_directory empty("cat_empty");
  configure_demo("", empty.path(), false);
  const run_result none = run_dialog(page);
  EXPECT_EQ(4, none.code);
  EXPECT_EQ("保存されているファイルを検索……失敗", none.text);
}

}  // namespace

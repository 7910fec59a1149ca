// plugin_extrapack under Wine: its worker against pages in EUC-JP on the loopback
// HTTP server, GetDownloadData with dialog 101 driven as a user would, and Install.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "plugin_extrapack/info_dialog_ids.h"
#include "plugin_extrapack/package_fetcher.h"
#include "plugin_extrapack/plugin_settings.h"
#include "plugins/plugin_host.h"
#include "tests/archive/zip_builder.h"
#include "tests/common/scratch.h"
#include "tests/net/test_mirror.h"
#include "tests/ui_driver/ui_driver.h"

namespace {

// The built plug-in, loaded by the host's own loader.
const plugin_entry& library() {
  static plugin_entry loaded;
  if (!loaded.module) {
    loaded.path = build_tree_path("shell/plugin/plugin_extrapack.dll").c_str();
    EXPECT_TRUE(plugin_host::load(loaded)) << "expected plugin_extrapack.dll with its exports";
  }
  return loaded;
}

// The settings file and log of one test, handed to the plug-in as the host does.
struct host_files {
  scratch_directory dir;
  std::string ini = dir / "tamari3.ini", log = dir / "tamari3.log";
  host_files(const char* name, std::vector<std::vector<std::string>> keys) : dir(name) {
    for (const auto& k : keys)
      WritePrivateProfileStringA(k[0].c_str(), k[1].c_str(), k[2].c_str(), ini.c_str());
  }
  std::string get(const char* key) const {
    char value[4096] = "";
    GetPrivateProfileStringA("jsclasses", key, "", value, sizeof value, ini.c_str());
    return value;
  }
  std::string last_log_line() const {
    const std::vector<std::string> lines = read_lines(log);
    return lines.empty() ? std::string() : lines.back();
  }
  int init() const { return library().init(ini.c_str(), log.c_str()); }
};

const size_t archive_size = 1234;

// The loopback HTTP server of the CTest fixture, with the pages below its plugin/.
struct package_server {
  std::string host = mirror().http_host.c_str(),
              pages = mirror().state_dir + "\\root\\http\\plugin\\";
  package_server() {
    // クラスファイル in EUC-JP; the upper link carries the smaller number.
    const std::string heading =
        "<h1>\xA5\xAF\xA5\xE9\xA5\xB9\xA5\xD5\xA5\xA1\xA5\xA4\xA5\xEB</h1>\r\n";
    const struct {
      const char *name, *links;
    } written[] = {
        {"two_links", "<a href=\"jsclasses-100101.zip\">jsclasses-100101.zip</a>\r\n"
                      "<a href=\"jsclasses-991231.zip\">jsclasses-991231.zip</a>\r\n"},
        {"capitals", "<A HREF=\"jsclasses-100101.zip\">jsclasses-100101.zip</A>\r\n"},
        {"truncated", "<a href=\"jsclasses-1.zip\">jsclasses-1.zip</a>\xC6\xFC\xCB"},
         // half of 本, no end
    };
    CreateDirectoryA(pages.c_str(), nullptr);
    for (const auto& page : written) {
      CreateDirectoryA((pages + page.name).c_str(), nullptr);
      const std::string end = std::string(page.name) == "truncated" ? "" : "</body></html>\r\n";
      write_file(pages + page.name + "\\index.html",
                 "<html><body>\r\n" + heading + page.links + end);
    }
    write_file(pages + "two_links\\jsclasses-100101.zip", std::string(archive_size, 'z'));
    write_file(pages + "two_links\\jsclasses-991231.zip", "newer but lower");
  }
  std::string url(const std::string& path) const { return "http://" + host + path; }
};

const package_server& server() {
  static package_server started;
  return started;
}

// Records what the worker shows; asks to stop at the n-th check (0: never).
struct recording_view : fetch_view {
  explicit recording_view(int cancel_at) : cancel_at(cancel_at) {}
  void show(const wklib::string& text) override { shown = text.c_str(); }
  bool cancel_requested() const override { return ++checks == cancel_at; }
  std::string shown;
  int cancel_at;
  mutable int checks = 0;
};

TEST(extrapack_fetch, finds_the_archive_or_says_why_not) {
  const package_server& s = server();
  const std::string h = s.host, two = s.url("/plugin/two_links/"),
                    bare = s.url("/nolength/plugin/two_links/index.html?");
  const std::string done = h + "に接続中……成功\r\nGETリクエスト送信……成功\r\nデータ取得……成功\r\n"
                           "文字コード変換……成功\r\njsclassesの場所を検索……成功\r\n" + h +
                           "への接続を切断\r\n\r\n" + h
                               + "へ接続……成功\r\nHEADリクエストを送信……成功\r\n"
                           "サイズ取得……成功\r\n" + h + "への接続を切断";
  struct {
    std::string page_url;
    int cancel_at;
    std::string found;  // "archive URL|size"; empty: none
    std::string text;   // the whole text, or its end for failures
    std::string log;    // the last line
  } cases[] = {
      {"HTTP://" + h + "/plugin/two_links/", 0,
       "HTTP://" + h + "/plugin/two_links/jsclasses-100101.zip|" + std::to_string(archive_size),
       done, ""},
      // The name is appended to the page's URL; no Content-Length below /nolength/.
      {bare, 0, bare + "jsclasses-100101.zip|0", done, ""},
      {"ftp://" + h + "/plugin/two_links/", 0, "", "失敗", "httpのみです．"},
      {"http://" + h, 0, "", "失敗", "ページのURLにパスがありません．"},
      {s.url("/plugin/nothere/"), 0, "", "GETリクエスト送信……失敗", "サーバが404を返しました．"},
      {s.url("/plugin/capitals/"), 0, "", "場所を検索……失敗", "jsclasses発見できず．"},
      {s.url("/plugin/truncated/"), 0, "", "文字コード変換……失敗",
       "EUC-JPからShift_JISに直せなかった……"},
      // Cancel at each check in turn.
      {two, 1, "", "に接続中……キャンセルしました．", "キャンセル"},
      {two, 2, "", "GETリクエスト送信……キャンセルしました．", "キャンセル"},
      {two, 3, "", "データ取得……キャンセルしました．", "キャンセル"},
      {two, 4, "", "へ接続……キャンセルしました．", "キャンセル"},
      {two, 5, "", "HEADリクエストを送信……キャンセルしました．", "キャンセル"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.page_url + " cancel at " + std::to_string(c.cancel_at));
    host_files files("extrapack_fetch", {{"jsclasses", "URL", c.page_url}});
    plugin_settings settings;
    settings.set_paths(files.ini.c_str(), files.log.c_str());
    package_fetcher fetcher;
    recording_view view(c.cancel_at);
    const int ok = fetch_package_info(settings, fetcher, view);
    EXPECT_EQ(c.found, ok ? std::string(fetcher.archive_url.c_str()) + "|" +
                                std::to_string(fetcher.archive_size)
                          : std::string());
    EXPECT_EQ(c.log, files.last_log_line());
    const std::string& got = view.shown;
    EXPECT_EQ(c.text,
              c.found.empty() ? got.substr(got.size() - std::min(got.size(), c.text.size())) : got)
        << "expected the text to be, or for a failure to end, so";
  }
}

// GetDownloadData with the user at dialog 101: a failure's box, Cancel, and offline, where it
// answers ok with no entries and shows no dialog (one would be left open for run_modal to close).
TEST(extrapack_fetch, get_download_data_runs_dialog_101_and_reports_through_a_box) {
  const package_server& s = server();
  struct {
    std::string page_url;  // empty: offline
    bool cancel;           // press Cancel while the page is being read
    const char* box;       // null: no box
    std::string answer;    // ok and count
  } cases[] = {
      {"ftp://" + s.host + "/", false, "失敗しました．", "0 0"},
      // The server sends part of the page, then nothing for four seconds.
      {s.url("/stall/body/4"), true, "キャンセルしました．", "0 0"},
      {"", false, nullptr, "1 0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.page_url);
    host_files files("extrapack_dialog",
                     {{"Connect", "UseNetwork", c.page_url.empty() ? "0" : "1"},
                      {"jsclasses", "URL", c.page_url}});
    ASSERT_EQ(1, files.init());
    download_data data = {};
    EXPECT_TRUE(ui_driver::run_modal(
        [&] { data = library().get_download_data(nullptr); },
        [&](DWORD ui_thread) {
          if (c.cancel) {
            HWND dialog = ui_driver::wait_for_window({"#32770", "情報取得中……", ui_thread});
            ASSERT_NE(nullptr, dialog);
            EXPECT_TRUE(ui_driver::wait_until([&] {
              return ui_driver::item_text(dialog, IDC_PACKAGE_PROGRESS).find("データ取得……") !=
                     std::string::npos;
            }));
            EXPECT_FALSE(ui_driver::save_screenshot("package_info_dialog", dialog).empty());
            EXPECT_TRUE(ui_driver::press(dialog, IDCANCEL));
          }
          if (c.box) {
            HWND box = ui_driver::wait_for_window({"#32770", "tamari3", ui_thread});
            ASSERT_NE(nullptr, box);
            EXPECT_EQ(c.box, ui_driver::message_box_text(box));
            EXPECT_TRUE(ui_driver::press(box, IDOK));
          }
        }));
    EXPECT_EQ(c.answer, std::to_string(data.ok) + " " + std::to_string(data.count) +
                            (data.entries ? " entries" : ""));
    const std::vector<std::string> log = read_lines(files.log);
    EXPECT_EQ(c.page_url.empty() ? "" : "jsclassesの情報取得．|jsclassesの情報取得終了．",
              log.empty() ? "" : log.front() + "|" + log.back());
  }
}

// What Install appends to the host's installation dialog, here a bare window that keeps the texts.
std::string g_progress;
LRESULT CALLBACK progress_window(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == msg_progress_append) g_progress += reinterpret_cast<const char*>(lparam);
  return DefWindowProcA(window, message, wparam, lparam);
}

// Install after Init: a target written by hand (used as written, without its trailing backslash),
// and a missing archive with Init's default target.
TEST(extrapack_install, unpacks_into_the_class_directory_of_the_tex_tree) {
  zip_builder archive;
  archive.add("jsclasses/jsarticle.cls", "\\ProvidesClass{jsarticle}\n");
  struct {
    const char* target;  // by hand, null: Init's default
    const char* file;    // below the installation directory; null: no archive saved
  } cases[] = {
      {"texmf-local", "texmf-localptex\\platex\\jsclasses\\jsclasses\\jsarticle.cls"},
      {nullptr, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.target ? c.target : "default");
    host_files files("extrapack_install", {});
    WritePrivateProfileStringA("Dir", "Hozon", (files.dir / "save\\").c_str(), files.ini.c_str());
    WritePrivateProfileStringA("Dir", "Install", (files.dir / "tex\\").c_str(), files.ini.c_str());
    if (c.target) WritePrivateProfileStringA("jsclasses", "target", c.target, files.ini.c_str());
    CreateDirectoryA((files.dir / "save").c_str(), nullptr);
    if (c.file) write_file(files.dir / "save\\jsclasses.zip", archive.build());
    ASSERT_EQ(1, files.init());
    // Init writes its section's defaults where they are missing.
    EXPECT_EQ(default_package_url, files.get("URL"));
    EXPECT_EQ(c.target ? c.target : "share\\texmf-local\\", files.get("target"));
    HWND host = CreateWindowExA(0, "STATIC", "インストール中", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0,
                                0, 300, 200, nullptr, nullptr, nullptr, nullptr);
    SetWindowLongPtrA(host, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(progress_window));
    g_progress.clear();
    int result = -1;
    EXPECT_TRUE(ui_driver::run_modal([&] { result = library().install(host); }, [](DWORD) {}));
    DestroyWindow(host);
    EXPECT_EQ(c.file ? 1 : 0, result);
    EXPECT_EQ(c.file ? "jsclassesのインストール……成功\r\n" : "jsclassesのインストール……失敗\r\n",
              g_progress);
    EXPECT_EQ(c.file ? "" : "jsclassesのインストールに失敗．", files.last_log_line());
    if (c.file) {
      EXPECT_EQ("\\ProvidesClass{jsarticle}\n", read_file(files.dir / "tex\\" + c.file));
    }
  }
}

}  // namespace

// plugin_extrapack under Wine: Init and the settings, the worker of the package
// information run against a loopback HTTP server (pages in EUC-JP written here),
// GetDownloadData with dialog 101 driven as a user would, and Install into a
// stand-in for the host's installation dialog.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "plugin_extrapack/info_dialog_ids.h"
#include "plugin_extrapack/package_fetcher.h"
#include "plugin_extrapack/plugin_settings.h"
#include "plugins/plugin_host.h"
#include "support/worker_dialog.h"
#include "tests/archive/zip_builder.h"
#include "tests/common/scratch.h"
#include "tests/plugin_extrapack/install_host_test.h"
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

// The settings file and log of one test, handed to the plug-in like the host does.
struct host_files {
  scratch_directory dir;
  std::string ini = dir / "tamari3.ini";
  std::string log = dir / "tamari3.log";
  explicit host_files(const char* name) : dir(name) {}
  void set(const char* section, const char* key, const std::string& value) const {
    WritePrivateProfileStringA(section, key, value.c_str(), ini.c_str());
  }
  std::string get(const char* section, const char* key) const {
    char value[4096] = "";
    GetPrivateProfileStringA(section, key, "", value, sizeof value, ini.c_str());
    return value;
  }
  std::string last_log_line() const {
    const std::vector<std::string> lines = read_lines(log);
    return lines.empty() ? std::string() : lines.back();
  }
};

// The loopback HTTP server of the CTest fixture and the pages it serves for us.
struct package_server {
  std::string host;
  std::string pages;  // its directory plugin/, on the Windows side

  package_server() {
    const char* state = std::getenv("TAMARI_MIRROR_STATE");
    if (!state) return;
    const std::string servers = read_file(std::string(state) + "\\servers");
    const size_t at = servers.find("http ");
    if (at != std::string::npos) host = servers.substr(at + 5, servers.find('\n', at) - at - 5);
    pages = std::string(state) + "\\root\\http\\plugin\\";
    CreateDirectoryA(pages.c_str(), nullptr);
    // クラスファイル in EUC-JP; the upper link carries the smaller number.
    const std::string heading =
        "<h1>\xA5\xAF\xA5\xE9\xA5\xB9\xA5\xD5\xA5\xA1\xA5\xA4\xA5\xEB</h1>\r\n";
    page("two_links", heading +
                          "<a href=\"jsclasses-100101.zip\">jsclasses-100101.zip</a>\r\n"
                          "<a href=\"jsclasses-991231.zip\">jsclasses-991231.zip</a>\r\n");
    write_file(pages + "two_links\\jsclasses-100101.zip", std::string(archive_size, 'z'));
    write_file(pages + "two_links\\jsclasses-991231.zip", "newer but lower");
    page("capitals", heading + "<A HREF=\"jsclasses-100101.zip\">jsclasses-100101.zip</A>\r\n");
    // Ends in the first byte of 本.
    page("truncated", heading + "<a href=\"jsclasses-1.zip\">jsclasses-1.zip</a>\xC6\xFC\xCB", "");
    page("no_length", heading + "<a href=\"jsclasses-7.zip\">jsclasses-7.zip</a>\r\n");
    page("no_archive", heading + "<a href=\"jsclasses-5.zip\">jsclasses-5.zip</a>\r\n");
  }
  void page(const std::string& name, const std::string& body,
            const std::string& end = "</body></html>\r\n") const {
    CreateDirectoryA((pages + name).c_str(), nullptr);
    write_file(pages + name + "\\index.html", "<html><body>\r\n" + body + end);
  }
  std::string url(const std::string& path) const { return "http://" + host + path; }

  static const size_t archive_size = 1234;
};

const package_server& server() {
  static package_server started;
  EXPECT_FALSE(started.host.empty()) << "expected the loopback server of the fixture";
  return started;
}

TEST(extrapack_settings, init_writes_only_the_missing_defaults) {
  struct init_case {
    const char* url;  // in the file before Init, null: none
    const char* target;
    std::string expected_url, expected_target;
  };
  const init_case cases[] = {
      {nullptr, nullptr, default_package_url, "share\\texmf-local\\"},
      {"http://h/own/", "\\texmf-local", "http://h/own/", "\\texmf-local"},
  };
  for (const init_case& c : cases) {
    host_files files("extrapack_init");
    if (c.url) files.set("jsclasses", "URL", c.url);
    if (c.target) files.set("jsclasses", "target", c.target);
    EXPECT_EQ(1, library().init(files.ini.c_str(), files.log.c_str()));
    EXPECT_EQ(c.expected_url, files.get("jsclasses", "URL"));
    EXPECT_EQ(c.expected_target, files.get("jsclasses", "target"));
  }
}

TEST(extrapack_settings, offline_get_download_data_answers_ok_without_entries_or_dialog) {
  host_files files("extrapack_offline");
  files.set("Connect", "UseNetwork", "0");
  ASSERT_EQ(1, library().init(files.ini.c_str(), files.log.c_str()));
  download_data data = {0, -1, reinterpret_cast<const download_entry*>(&data)};
  // A dialog would hold the call until the driver's clean-up closed it.
  EXPECT_TRUE(ui_driver::run_modal([&] { data = library().get_download_data(nullptr); },
                                   [](DWORD) {}, 2000));
  EXPECT_EQ(1, data.ok);
  EXPECT_EQ(0, data.count);
  EXPECT_EQ(nullptr, data.entries);
  EXPECT_TRUE(read_lines(files.log).empty()) << "no information run";
}

// Records what the worker shows; asks to stop at the n-th check (0: never).
class recording_view : public fetch_view {
 public:
  explicit recording_view(int cancel_at) : cancel_at_(cancel_at) {}
  void show(const wklib::string& text) override { shown = text.c_str(); }
  bool cancel_requested() const override { return ++checks_ == cancel_at_; }
  std::string shown;

 private:
  int cancel_at_;
  mutable int checks_ = 0;
};

TEST(extrapack_fetch, finds_the_archive_or_says_why_not) {
  const package_server& s = server();
  const std::string h = s.host;
  const std::string done = h +
                           "に接続中……成功\r\nGETリクエスト送信……成功\r\nデータ取得……成功\r\n"
                           "文字コード変換……成功\r\njsclassesの場所を検索……成功\r\n" +
                           h + "への接続を切断\r\n\r\n" + h +
                           "へ接続……成功\r\nHEADリクエストを送信……成功\r\n"
                           "サイズ取得……成功\r\n" +
                           h + "への接続を切断";
  struct fetch_case {
    std::string page_url;
    int cancel_at;
    int expected_result;
    std::string expected_url;   // when found
    long expected_size;         // when found, -1: not looked at
    std::string expected_text;  // the whole text, or its end for failures
    std::string expected_log;   // the last line
  };
  const std::string two = s.url("/plugin/two_links/");
  const std::string bare = s.url("/nolength/plugin/no_length/index.html?");
  const fetch_case cases[] = {
      {"HTTP://" + h + "/plugin/two_links/", 0, 1,
       "HTTP://" + h + "/plugin/two_links/jsclasses-100101.zip", package_server::archive_size, done,
       ""},
      // The server leaves out Content-Length for everything below /nolength/.
      {bare, 0, 1, bare + "jsclasses-7.zip", 0, done, ""},
      {s.url("/plugin/no_archive/"), 0, 1, s.url("/plugin/no_archive/jsclasses-5.zip"), -1, done,
       ""},
      {"ftp://" + h + "/plugin/two_links/", 0, 0, "", 0, "失敗", "httpのみです．"},
      {"http://" + h, 0, 0, "", 0, "失敗", "ページのURLにパスがありません．"},
      {s.url("/status/404/"), 0, 0, "", 0, "GETリクエスト送信……失敗", "サーバが404を返しました．"},
      {s.url("/plugin/capitals/"), 0, 0, "", 0, "場所を検索……失敗", "jsclasses発見できず．"},
      {s.url("/plugin/truncated/"), 0, 0, "", 0, "文字コード変換……失敗",
       "EUC-JPからShift_JISに直せなかった……"},
      {two, 1, 0, "", 0, "に接続中……キャンセルしました．", "キャンセル"},
      {two, 2, 0, "", 0, "GETリクエスト送信……キャンセルしました．", "キャンセル"},
      {two, 3, 0, "", 0, "データ取得……キャンセルしました．", "キャンセル"},
      {two, 4, 0, "", 0, "へ接続……キャンセルしました．", "キャンセル"},
      {two, 5, 0, "", 0, "HEADリクエストを送信……キャンセルしました．", "キャンセル"},
  };
  for (const fetch_case& c : cases) {
    SCOPED_TRACE(c.page_url + " cancel at " + std::to_string(c.cancel_at));
    host_files files("extrapack_fetch");
    files.set("jsclasses", "URL", c.page_url);
    plugin_settings settings;
    settings.set_paths(files.ini.c_str(), files.log.c_str());
    package_fetcher fetcher;
    recording_view view(c.cancel_at);
    EXPECT_EQ(c.expected_result, fetch_package_info(settings, fetcher, view));
    if (c.expected_result == 1) {
      EXPECT_EQ(c.expected_text, view.shown);
      EXPECT_EQ(c.expected_url, std::string(fetcher.archive_url.c_str()));
      if (c.expected_size >= 0) {
        EXPECT_EQ(c.expected_size, static_cast<long>(fetcher.archive_size));
      }
      EXPECT_TRUE(read_lines(files.log).empty());
    } else {
      const std::string& t = view.shown;
      EXPECT_TRUE(
          t.size() >= c.expected_text.size() &&
          t.compare(t.size() - c.expected_text.size(), std::string::npos, c.expected_text) == 0)
          << "expected the text to end in " << c.expected_text << ", got " << t;
      EXPECT_EQ(c.expected_log, files.last_log_line());
    }
  }
}

// GetDownloadData with the user at dialog 101: one walk per outcome.
TEST(extrapack_fetch, get_download_data_runs_dialog_101_and_reports_through_a_box) {
  const package_server& s = server();
  struct dialog_case {
    const char* what;
    std::string page_url;
    bool cancel;               // press Cancel while the page is being read
    const char* expected_box;  // null: no box
  };
  const dialog_case cases[] = {
      {"found", s.url("/plugin/two_links/"), false, nullptr},
      {"failed", "ftp://" + s.host + "/", false, "失敗しました．"},
      // The server sends part of the page, then nothing for four seconds.
      {"cancelled", s.url("/stall/body/4"), true, "キャンセルしました．"},
  };
  for (const dialog_case& c : cases) {
    SCOPED_TRACE(c.what);
    host_files files("extrapack_dialog");
    files.set("Connect", "UseNetwork", "1");
    files.set("jsclasses", "URL", c.page_url);
    ASSERT_EQ(1, library().init(files.ini.c_str(), files.log.c_str()));
    download_data data = {};
    const bool closed = ui_driver::run_modal(
        [&] { data = library().get_download_data(nullptr); },
        [&](DWORD ui_thread) {
          if (c.cancel) {
            HWND dialog = ui_driver::wait_for_window({"#32770", "情報取得中……", false, ui_thread});
            ASSERT_NE(nullptr, dialog);
            EXPECT_TRUE(ui_driver::wait_until([&] {
              return ui_driver::item_text(dialog, IDC_PACKAGE_PROGRESS).find("データ取得……") !=
                     std::string::npos;
            }));
            EXPECT_FALSE(ui_driver::save_screenshot("package_info_dialog", dialog).empty());
            EXPECT_TRUE(ui_driver::press(dialog, IDCANCEL));
          }
          if (c.expected_box) {
            HWND box = ui_driver::wait_for_window({"#32770", "tamari3", false, ui_thread});
            ASSERT_NE(nullptr, box);
            EXPECT_EQ(c.expected_box, ui_driver::message_box_text(box));
            EXPECT_TRUE(ui_driver::press(box, IDOK));
          }
        });
    EXPECT_TRUE(closed);
    EXPECT_EQ(c.expected_box ? 0 : 1, data.ok);
    EXPECT_EQ(c.expected_box ? 0 : 1, data.count);
    if (!c.expected_box && data.entries) {
      EXPECT_EQ(s.url("/plugin/two_links/jsclasses-100101.zip"), data.entries[0].url);
      EXPECT_STREQ("jsclasses.zip", data.entries[0].file_name);
      EXPECT_EQ(static_cast<int>(package_server::archive_size), data.entries[0].size);
    }
    const std::vector<std::string> log = read_lines(files.log);
    ASSERT_FALSE(log.empty());
    EXPECT_EQ("jsclassesの情報取得．", log.front());
    EXPECT_EQ("jsclassesの情報取得終了．", log.back());
  }
}

// Stands in for the host's installation dialog: Install runs on its worker and
// appends to its text, which the worker reads before the dialog closes.
class install_host : public wklib::worker_dialog {
 public:
  install_host() : worker_dialog(GetModuleHandleA(nullptr), IDC_TEST_INSTALL_TEXT, 0) {}
  std::string text;

 protected:
  INT_PTR work() override {
    const INT_PTR result = library().install(target()) ? 1 : 0;
    text = ui_driver::item_text(target(), IDC_TEST_INSTALL_TEXT);
    return result;
  }
};

TEST(extrapack_install, unpacks_into_the_class_directory_of_the_tex_tree) {
  zip_builder archive;
  archive.add("jsclasses/jsarticle.cls", "\\ProvidesClass{jsarticle}\n");
  struct install_case {
    const char* target;  // by hand, null: Init's default
    bool archive_saved;
    int expected_result;
    const char* expected_text;
    const char* expected_file;  // below the installation directory, null: none
    const char* expected_log;
  };
  const install_case cases[] = {
      {nullptr, true, 1, "jsclassesのインストール……成功\r\n",
       "share\\texmf-local\\ptex\\platex\\jsclasses\\jsclasses\\jsarticle.cls", ""},
      {"texmf-local", true, 1, "jsclassesのインストール……成功\r\n",
       "texmf-localptex\\platex\\jsclasses\\jsclasses\\jsarticle.cls", ""},
      {nullptr, false, 0, "jsclassesのインストール……失敗\r\n", nullptr,
       "jsclassesのインストールに失敗．"},
  };
  for (const install_case& c : cases) {
    SCOPED_TRACE(c.target ? c.target : "default");
    host_files files("extrapack_install");
    CreateDirectoryA((files.dir / "save").c_str(), nullptr);
    files.set("Dir", "Hozon", files.dir / "save\\");
    files.set("Dir", "Install", files.dir / "tex\\");
    if (c.target) files.set("jsclasses", "target", c.target);
    if (c.archive_saved) write_file(files.dir / "save\\jsclasses.zip", archive.build());
    ASSERT_EQ(1, library().init(files.ini.c_str(), files.log.c_str()));
    install_host host;
    INT_PTR result = -1;
    EXPECT_TRUE(ui_driver::run_modal([&] { result = host.run(nullptr, IDD_TEST_INSTALL_HOST); },
                                     [](DWORD) {}));
    EXPECT_EQ(c.expected_result, result);
    EXPECT_EQ(c.expected_text, host.text);
    if (c.expected_file) {
      EXPECT_EQ("\\ProvidesClass{jsarticle}\n", read_file(files.dir / "tex\\" + c.expected_file));
    }
    EXPECT_EQ(c.expected_log, files.last_log_line());
  }
}

}  // namespace

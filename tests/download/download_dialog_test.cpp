// Dialog 106 fetching from the loopback mirrors, driven as a user would.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <wininet.h>

#include <cstdio>
#include <string>

#include "download/download_dialog.h"
#include "download/download_ids.h"
#include "net/mirror_url.h"
#include "state/install_settings.h"
#include "support/worker_dialog.h"
#include "tests/net/test_mirror.h"
#include "tests/ui_driver/ui_driver.h"

namespace {

wklib::string http_url(const std::string& path) {
  return "http://" + mirror().http_host + path.c_str();
}

void configure(const std::string& save_dir, bool delete_cache, bool proxy) {
  install_settings& s = the_settings();
  s.set_save_dir(save_dir.c_str());
  s.set_delete_cache(delete_cache);
  s.set_proxy(proxy ? mirror().proxy_host : "");
  s.set_port(proxy ? mirror().proxy_port : 0);
  s.load_settings();
}

download_job job_of(const std::string& dir, std::initializer_list<const char*> paths) {
  download_job job;
  for (const char* path : paths) {
    job.urls.push_back(http_url(path));
    job.local_paths.push_back((dir + std::to_string(job.urls.size()) + ".bin").c_str());
    job.sizes.push_back(std::string(path).find("big") != std::string::npos ? 200 * 1024 : 5000);
  }
  return job;
}

std::string requests_since(size_t offset) { return read_file_from(mirror().http_log_path(), offset); }

bool running_under_wine() {
  return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
}

// Run in a process of its own (CMakeLists): under Wine the URL-download layer
// takes its proxy only when its session opens, at the first download.
TEST(download_proxy, a_configured_proxy_carries_the_downloads) {
  const std::string dir = make_scratch_dir("dl-proxy");
  configure(dir, true, true);
  const size_t proxied = file_size_of(mirror().proxy_log_path());
  const download_job job = job_of(dir, {"/files/sample.bin"});
  int result = -1;
  ui_driver::run_modal([&] { result = run_download(nullptr, job); }, [](DWORD) {});
  EXPECT_EQ(0, result);
  const std::string passed = read_file_from(mirror().proxy_log_path(), proxied);
  EXPECT_NE(std::string::npos, passed.find("/files/sample.bin"))
      << "the download did not pass the proxy; proxy log: " << passed;
  EXPECT_TRUE(read_whole_file(dir + "1.bin") == sample_bytes(5000));

  // Wine's session keeps that proxy: going direct now must fail openly, not
  // silently keep using the proxy.
  if (!running_under_wine()) return;
  configure(dir, true, false);
  const size_t log_start = log_size();
  ui_driver::run_modal([&] { result = run_download(nullptr, job); }, [](DWORD) {});
  EXPECT_EQ(2, result);
  EXPECT_EQ("Proxyの設定に失敗\r\n", log_since(log_start));
}

TEST(download_dialog, failure_stops_the_job_and_the_dialog_shows_each_file) {
  const std::string dir = make_scratch_dir("dl-404");
  configure(dir, false, false);
  const download_job job = job_of(
      dir, {"/files/sample.bin", "/trickle/files/big.bin", "/files/missing.bin", "/files/x4.bin",
            "/files/x5.bin"});
  const size_t log_start = log_size();
  const size_t requests = file_size_of(mirror().http_log_path());
  int result = -1;
  std::string status;
  int position = -1;
  ui_driver::run_modal([&] { result = run_download(nullptr, job); },
                       [&](DWORD ui_thread) {
                         HWND dialog = ui_driver::wait_for_window(
                             {"#32770", "ファイルのダウンロード中   ( 2 / 5 )", false, ui_thread});
                         ASSERT_TRUE(dialog) << "no dialog captioned ( 2 / 5 )";
                         // Half-way through big.bin the bar and the status line agree.
                         ui_driver::wait_until([&] {
                           status = ui_driver::item_text(dialog, IDC_DOWNLOAD_STATUS);
                           unsigned long bytes = 0;
                           return std::sscanf(status.c_str(), "big.bin : %lu/204800", &bytes) == 1 &&
                                  bytes > 50000;
                         });
                         position = static_cast<int>(SendMessageA(
                             GetDlgItem(dialog, IDC_DOWNLOAD_BAR), PBM_GETPOS, 0, 0));
                         status = ui_driver::item_text(dialog, IDC_DOWNLOAD_STATUS);
                         ui_driver::save_screenshot("download_106", dialog);
                       });
  EXPECT_EQ(2, result);
  unsigned long bytes = 0;
  ASSERT_EQ(1, std::sscanf(status.c_str(), "big.bin : %lu/204800", &bytes)) << "status: " << status;
  EXPECT_GT(position, 0) << "status " << status;
  EXPECT_LE(position, static_cast<int>(bytes * 32768.0 / 204800)) << "status " << status;
  const std::string log = log_since(log_start);
  const std::string expected = std::string(job.urls[0].c_str()) + "をダウンロード\r\n" +
                               job.urls[1].c_str() + "をダウンロード\r\n" + job.urls[2].c_str() +
                               "のダウンロードに失敗しました．\r\n";
  EXPECT_EQ(expected, log);
  EXPECT_TRUE(read_whole_file(dir + "1.bin") == sample_bytes(5000));
  const std::string asked = requests_since(requests);
  EXPECT_EQ(std::string::npos, asked.find("x4.bin")) << "requests: " << asked;
  EXPECT_EQ(std::string::npos, asked.find("x5.bin"));
}

TEST(download_dialog, cancel_during_the_first_file) {
  const std::string dir = make_scratch_dir("dl-cancel");
  configure(dir, false, false);
  const download_job job = job_of(dir, {"/trickle/files/big.bin", "/files/sample.bin"});
  const size_t log_start = log_size();
  const size_t requests = file_size_of(mirror().http_log_path());
  int result = -1;
  ui_driver::run_modal([&] { result = run_download(nullptr, job); },
                       [&](DWORD ui_thread) {
                         HWND dialog = ui_driver::wait_for_window(
                             {"#32770", "ファイルのダウンロード中   ( 1 / 2 )", false, ui_thread});
                         ASSERT_TRUE(dialog);
                         ui_driver::wait_until([&] {
                           return ui_driver::item_text(dialog, IDC_DOWNLOAD_STATUS).find("big.bin : ") == 0;
                         });
                         EXPECT_TRUE(ui_driver::press(dialog, IDCANCEL));
                       });
  EXPECT_EQ(1, result);
  EXPECT_EQ("キャンセルされました．\r\n", log_since(log_start));
  EXPECT_EQ(std::string::npos, requests_since(requests).find("sample.bin"));
}

// A cache entry for the URL holding other bytes, as an earlier download would
// have left it, with an expiry far ahead. Gives its local file.
std::string plant_stale_cache_entry(const wklib::string& url) {
  char cached[MAX_PATH + 1] = "";
  if (!CreateUrlCacheEntryA(url.c_str(), 0, "bin", cached, 0)) return "";
  write_whole_file(cached, "stale cached copy");
  FILETIME expires, modified;
  SYSTEMTIME later = {2100, 1, 0, 1, 0, 0, 0, 0};
  SystemTimeToFileTime(&later, &expires);
  GetSystemTimeAsFileTime(&modified);
  const char headers[] = "HTTP/1.1 200 OK\r\nContent-Length: 17\r\n\r\n";
  if (!CommitUrlCacheEntryA(url.c_str(), cached, expires, modified, NORMAL_CACHE_ENTRY,
                            reinterpret_cast<BYTE*>(const_cast<char*>(headers)),
                            sizeof headers - 1, nullptr, nullptr))
    return "";
  return cached;
}

// The local file of the URL's cache entry; empty when there is none.
std::string cached_file_of(const wklib::string& url) {
  char buffer[4096];
  DWORD size = sizeof buffer;
  auto* info = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(buffer);
  if (!GetUrlCacheEntryInfoA(url.c_str(), info, &size)) return "";
  return info->lpszLocalFileName ? info->lpszLocalFileName : "";
}

// Wine never serves a download from the cache, so what shows the removal is the
// planted entry itself: gone while the file comes in, and kept without the setting.
TEST(download_dialog, delete_cache_removes_the_stale_entry_before_the_fetch) {
  const std::string dir = make_scratch_dir("dl-cache");
  const download_job job = job_of(dir, {"/trickle/files/big.bin"});
  for (bool delete_cache : {false, true}) {
    configure(dir, delete_cache, false);
    const std::string planted = plant_stale_cache_entry(job.urls[0]);
    ASSERT_FALSE(planted.empty()) << "could not plant a cache entry, error " << GetLastError();
    std::string during;
    int result = -1;
    ui_driver::run_modal([&] { result = run_download(nullptr, job); },
                         [&](DWORD ui_thread) {
                           HWND dialog = ui_driver::wait_for_window(
                               {"#32770", "ファイルのダウンロード中   ( 1 / 1 )", false, ui_thread});
                           ASSERT_TRUE(dialog);
                           ui_driver::wait_until([&] {
                             return ui_driver::item_text(dialog, IDC_DOWNLOAD_STATUS).find("big.bin : ") == 0;
                           });
                           during = cached_file_of(job.urls[0]);
                         });
    EXPECT_EQ(0, result);
    if (delete_cache) {
      EXPECT_NE(planted, during) << "the stale entry was still there during the fetch";
      EXPECT_TRUE(read_whole_file(dir + "1.bin") == sample_bytes(200 * 1024))
          << "got " << file_size_of(dir + "1.bin") << " bytes";
    } else {
      EXPECT_EQ(planted, during) << "without the setting the entry stays";
    }
  }
}

TEST(download_dialog, worker_that_cannot_start_gives_3) {
  wklib::thread_starter saved = wklib::start_worker_thread;
  wklib::start_worker_thread = [](unsigned(__stdcall*)(void*), void*) -> HANDLE { return nullptr; };
  download_job job;
  int result = -1;
  ui_driver::run_modal([&] { result = run_download(nullptr, job); }, [](DWORD) {});
  wklib::start_worker_thread = saved;
  EXPECT_EQ(3, result);
}

}  // namespace

// Dialog 106 fetching from the loopback mirrors, driven as a user would.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <wininet.h>

#include <cstdio>
#include <functional>
#include <string>

#include "download/download_dialog.h"
#include "download/download_ids.h"
#include "state/install_settings.h"
#include "tests/common/scratch.h"
#include "tests/net/test_mirror.h"
#include "tests/ui_driver/ui_driver.h"

namespace {

void configure(const scratch_directory& save, bool delete_cache, bool proxy) {
  install_settings& s = the_settings();
  s.set_save_dir(save.path().c_str());
  s.set_delete_cache(delete_cache);
  s.set_proxy(proxy ? mirror().proxy_host : "");
  s.set_port(proxy ? mirror().proxy_port : 0);
  s.load_settings();
}

// The files of the HTTP mirror at `paths`, saved as 1.bin, 2.bin, ...
download_job job_of(const scratch_directory& save, std::initializer_list<const char*> paths) {
  download_job job;
  for (const std::string path : paths) {
    job.urls.push_back("http://" + mirror().http_host + path.c_str());
    job.local_paths.push_back((save / (std::to_string(job.urls.size()) + ".bin")).c_str());
    job.sizes.push_back(path.find("big") != std::string::npos ? 200 * 1024 : 5000);
  }
  return job;
}

// Runs dialog 106 on `job`; `drive` gets the dialog once its caption shows file `n`.
int run(const download_job& job, int n = 0, const std::function<void(HWND)>& drive = nullptr) {
  int result = -1;
  ui_driver::run_modal([&] { result = run_download(nullptr, job); }, [&](DWORD ui_thread) {
    if (!drive) return;
    const std::string caption =
        "ファイルのダウンロード中   ( " + std::to_string(n) + " / "
            + std::to_string(job.urls.size()) + " )";
    HWND dialog = ui_driver::wait_for_window({"#32770", caption.c_str(), ui_thread});
    ASSERT_TRUE(dialog) << "no dialog captioned " << caption;
    drive(dialog);
  });
  return result;
}

// Waits until the status line shows big.bin with more than `bytes` bytes.
void wait_for_big(HWND dialog, unsigned long bytes = 0) {
  ui_driver::wait_until([&] {
    unsigned long got = 0;
    return std::sscanf(ui_driver::item_text(dialog, IDC_DOWNLOAD_STATUS).c_str(), "big.bin : %lu/",
                       &got) == 1 &&
           got > bytes;
  });
}

// A cache entry for the URL holding other bytes, as an earlier download would
// have left it, with an expiry far ahead. Gives its local file.
std::string plant_stale_cache_entry(const wklib::string& url) {
  char cached[MAX_PATH + 1] = "";
  if (!CreateUrlCacheEntryA(url.c_str(), 0, "bin", cached, 0)) return "";
  write_file(cached, "stale cached copy");
  FILETIME expires = {0, 0x7FFFFFFF}, modified;  // far beyond any test run
  GetSystemTimeAsFileTime(&modified);
  const char headers[] = "HTTP/1.1 200 OK\r\nContent-Length: 17\r\n\r\n";
  const bool committed = CommitUrlCacheEntryA(
      url.c_str(), cached, expires, modified, NORMAL_CACHE_ENTRY,
      reinterpret_cast<BYTE*>(const_cast<char*>(headers)), sizeof headers - 1, nullptr, nullptr);
  return committed ? cached : "";
}

// In a process of its own (CMakeLists.txt says why).
TEST(download_proxy, a_configured_proxy_carries_the_downloads) {
  scratch_directory save("dl_proxy");
  configure(save, true, true);
  const file_tail proxied(mirror().log_path("proxy"));
  const download_job job = job_of(save, {"/files/sample.bin"});
  EXPECT_EQ(0, run(job));
  EXPECT_NE(std::string::npos, proxied.added().find("/files/sample.bin"))
      << "the download did not pass the proxy; proxy log: " << proxied.added();
  EXPECT_TRUE(read_file(save / "1.bin") == sample_bytes(5000));

  // Wine's session keeps that proxy: going direct now must fail openly, not silently keep using the
  // proxy.
  if (!GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version")) return;
  configure(save, true, false);
  const file_tail log = program_log();
  EXPECT_EQ(2, run(job));
  EXPECT_EQ("Proxyの設定に失敗\r\n", log.added());
}

// Wine never serves a download from the cache (the bytes fetched are the end-to-end
// walk's), so the planted entry's file shows the removal: gone while the file comes
// in with delete_cache set (here the second), kept without it (the Cancel run below).
TEST(download_dialog, failure_stops_the_job_and_the_dialog_shows_each_file) {
  scratch_directory save("dl_404");
  configure(save, true, false);
  const download_job job = job_of(save, {"/files/sample.bin", "/trickle/files/big.bin",
                                         "/files/missing.bin", "/files/x4.bin", "/files/x5.bin"});
  const std::string planted = plant_stale_cache_entry(job.urls[1]);
  ASSERT_FALSE(planted.empty()) << "could not plant a cache entry, error " << GetLastError();
  const file_tail log = program_log(), requests(mirror().log_path("http"));
  std::string status, during;
  int position = -1;
  EXPECT_EQ(2, run(job, 2, [&](HWND dialog) {
    // Half-way through big.bin the bar and the status line agree.
    wait_for_big(dialog, 50000);
    position =
        static_cast<int>(SendMessageA(GetDlgItem(dialog, IDC_DOWNLOAD_BAR), PBM_GETPOS, 0, 0));
    status = ui_driver::item_text(dialog, IDC_DOWNLOAD_STATUS);
    during = read_file(planted);
    ui_driver::save_screenshot("download_106", dialog);
  }));
  EXPECT_EQ("", during) << "the stale entry's file was still there during the fetch";
  unsigned long bytes = 0;
  ASSERT_EQ(1, std::sscanf(status.c_str(), "big.bin : %lu/204800", &bytes)) << "status: " << status;
  EXPECT_GT(position, 0) << "status " << status;
  EXPECT_LE(position, static_cast<int>(bytes * 32768.0 / 204800)) << "status " << status;
  EXPECT_EQ(std::string(job.urls[0].c_str()) + "をダウンロード\r\n" + job.urls[1].c_str() +
                "をダウンロード\r\n" + job.urls[2].c_str() + "のダウンロードに失敗しました．\r\n",
            log.added());
  EXPECT_TRUE(read_file(save / "1.bin") == sample_bytes(5000));
  const std::string asked = requests.added();
  EXPECT_EQ(std::string::npos, asked.find("/files/x")) << "requests: " << asked;
}

TEST(download_dialog, cancel_during_the_first_file) {
  scratch_directory save("dl_cancel");
  configure(save, false, false);
  const download_job job = job_of(save, {"/trickle/files/big.bin", "/files/sample.bin"});
  const std::string planted = plant_stale_cache_entry(job.urls[0]);
  ASSERT_FALSE(planted.empty()) << "could not plant a cache entry, error " << GetLastError();
  const file_tail log = program_log(), requests(mirror().log_path("http"));
  std::string during;
  EXPECT_EQ(1, run(job, 1, [&](HWND dialog) {
    wait_for_big(dialog);
    during = read_file(planted);
    EXPECT_TRUE(ui_driver::press(dialog, IDCANCEL));
  }));
  EXPECT_EQ("stale cached copy", during) << "without delete_cache the entry stays";
  EXPECT_EQ("キャンセルされました．\r\n", log.added());
  EXPECT_EQ(std::string::npos, requests.added().find("sample.bin"));
}

}  // namespace

// read_listing against the loopback mirrors: FTP listings and a real index page.
// The window's rules (capitals, straddling links, pages without links, entities)
// are scan_index_links' and are tested in memory (index_links_test).
#include <gtest/gtest.h>

#include <windows.h>
#include <psapi.h>
#include <wininet.h>

#include <string>
#include <vector>

#include "catalogue/listing.h"
#include "net/open_mirror.h"
#include "tests/net/test_mirror.h"

namespace {

std::vector<std::string> texts(const name_list& names) {
  std::vector<std::string> out;
  for (const wklib::string& name : names) out.emplace_back(name.c_str(), name.length());
  return out;
}

// A catalogue step's clients, connected to one mirror directory.
struct step {
  ftp_client ftp;
  http_client http;
  wklib::string path;
  mirror_mode mode = mirror_failed;

  explicit step(const wklib::string& url) {
    EXPECT_TRUE(ftp.open());
    EXPECT_TRUE(http.open());
    mode = open_mirror(url, ftp, http, path);
  }
  listing_result list(name_list& names, const volatile char* cancel = nullptr) {
    return read_listing(mode, ftp, http, path, names, cancel);
  }
};

wklib::string ftp_url(const char* path) { return "ftp://" + mirror().ftp_host + path; }
wklib::string http_url(const char* path) { return "http://" + mirror().http_host + path; }

// ---------------------------------------------------------------- FTP

TEST(read_listing_ftp, empty_directory_fails_with_the_log_line) {
  step s(ftp_url("/pub/empty/"));
  ASSERT_EQ(mirror_ftp, s.mode);
  const size_t before = log_size();
  name_list names;
  EXPECT_EQ(listing_failed, s.list(names));
  EXPECT_TRUE(names.empty());
  EXPECT_EQ("FTPでのファイル一覧の取得に失敗．\r\n", log_since(before));
}

TEST(read_listing_ftp, is_not_cancelled_part_way) {
  step s(ftp_url("/pub/bench/"));
  ASSERT_EQ(mirror_ftp, s.mode);
  volatile char cancel = 1;
  name_list names;
  EXPECT_EQ(listing_complete, s.list(names, &cancel));
  EXPECT_EQ(90u, names.size());
}

// ---------------------------------------------------------------- HTTP

TEST(read_listing_http, python_index_page_gives_the_file_names) {
  step s(http_url("/pub/TeX/win32/"));
  ASSERT_EQ(mirror_http, s.mode);
  const size_t requests = file_size_of(mirror().http_log_path());
  name_list names;
  EXPECT_EQ(listing_complete, s.list(names));
  EXPECT_EQ((std::vector<std::string>{"gs853w32full.zip", "old/", "readme.txt", "texinst2006.zip",
                                      "texinst2007.zip"}),
            texts(names));
  EXPECT_EQ("GET /pub/TeX/win32/ agent=tamari3\n",
            read_file_from(mirror().http_log_path(), requests))
      << "the directory itself is requested, once";
}

TEST(read_listing_http, missing_directory_fails_with_the_log_line) {
  step s(http_url("/pub/nothere/"));
  ASSERT_EQ(mirror_http, s.mode) << "HTTP does not look at the path when connecting";
  const size_t before = log_size();
  name_list names;
  EXPECT_EQ(listing_failed, s.list(names));
  EXPECT_TRUE(names.empty());
  EXPECT_EQ("HTTPでのファイル読み込みに失敗しました．\r\n", log_since(before));
}

TEST(read_listing_http, cancel_is_seen_after_the_first_read) {
  step s(http_url("/pub/bench/"));
  volatile char cancel = 1;
  const size_t before = log_size();
  name_list names;
  EXPECT_EQ(listing_cancelled, s.list(names, &cancel));
  EXPECT_EQ(1u, names.size()) << "one link examined, then the flag";
  EXPECT_EQ("", log_since(before)) << "the caller writes the cancel text";
  // The request was closed: the client can go on.
  EXPECT_EQ(1000u, s.http.head_size("pub/bench/gs800w32full.zip"));
}

TEST(read_listing_http, stalled_page_fails_after_the_time_out) {
  step s(http_url("/stall/body/60"));
  const size_t before = log_size();
  const DWORD start = GetTickCount();
  name_list names;
  EXPECT_EQ(listing_failed, s.list(names)) << "a page cut by the time-out is not complete";
  EXPECT_LT(GetTickCount() - start, 45000u);
  EXPECT_EQ("HTTPでのファイル読み込みに失敗しました．\r\n", log_since(before));
}

TEST(read_listing_http, memory_stays_bounded_for_a_50_mb_page) {
  step s(http_url("/big/50"));
  PROCESS_MEMORY_COUNTERS before = {};
  before.cb = sizeof before;
  ASSERT_TRUE(GetProcessMemoryInfo(GetCurrentProcess(), &before, sizeof before));
  const DWORD start = GetTickCount();
  name_list names;
  EXPECT_EQ(listing_complete, s.list(names));
  const DWORD elapsed = GetTickCount() - start;
  PROCESS_MEMORY_COUNTERS after = {};
  after.cb = sizeof after;
  ASSERT_TRUE(GetProcessMemoryInfo(GetCurrentProcess(), &after, sizeof after));
  DeleteUrlCacheEntryA(http_url("/big/50").c_str());

  EXPECT_EQ((std::vector<std::string>{"first.zip", "last.zip"}), texts(names))
      << "the link at the very end is reached";
  const double mb = 1024.0 * 1024.0;
  const double working_set_growth = (after.PeakWorkingSetSize - before.PeakWorkingSetSize) / mb;
  const double private_growth = (after.PeakPagefileUsage - before.PeakPagefileUsage) / mb;
  std::printf(
      "50 MB page read in %lu ms; peak working set %.1f -> %.1f MB (+%.2f), "
      "peak private bytes %.1f -> %.1f MB (+%.2f)\n",
      elapsed, before.PeakWorkingSetSize / mb, after.PeakWorkingSetSize / mb, working_set_growth,
      before.PeakPagefileUsage / mb, after.PeakPagefileUsage / mb, private_growth);
  EXPECT_LT(working_set_growth, 8.0) << "the page must not be held whole";
  EXPECT_LT(private_growth, 8.0) << "the page must not be held whole";
}

}  // namespace

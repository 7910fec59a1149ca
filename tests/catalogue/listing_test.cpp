// read_listing against the loopback mirrors: what the FTP and HTTP layers add to
// the window's rules, which are scan_index_links' (index_links_test: reads of at
// most 1024 bytes into a fixed window, so no page is ever held whole).
#include <gtest/gtest.h>

#include <windows.h>

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

const char* const ftp_failure = "FTPでのファイル一覧の取得に失敗．\r\n";
const char* const http_failure = "HTTPでのファイル読み込みに失敗しました．\r\n";

// The listing of the index page is in the page's order, as the server sends it;
// FTP does not look at the cancel flag part-way, HTTP after its first read, and
// closes the request so that the client can go on.
TEST(read_listing, table) {
  const struct {
    const char* scheme;
    const char* path;
    bool cancel;
    listing_result result;
    std::vector<std::string> names;  // after "kept", which was in the list before
    int count;                       // of names when `names` is empty
    std::string log;
  } cases[] = {
      {"ftp", "/pub/empty/", false, listing_failed, {}, 0, ftp_failure},
      {"ftp", "/pub/bench/", true, listing_complete, {}, 90, ""},
      {"http", "/pub/TeX/win32/", false, listing_complete,
       {"gs853w32full.zip", "old/", "readme.txt", "texinst2006.zip", "texinst2007.zip"}, 5, ""},
      {"http", "/pub/nothere/", false, listing_failed, {}, 0, http_failure},
      {"http", "/pub/bench/", true, listing_cancelled, {}, 1, ""},
      {"http", "/stall/body/60", false, listing_failed, {}, 0, http_failure},  // the time-out
  };
  for (const auto& c : cases) {
    const std::string url = std::string(c.scheme) + "://" +
                            (c.scheme[0] == 'f' ? mirror().ftp_host : mirror().http_host).c_str() + c.path;
    ftp_client ftp;
    http_client http;
    wklib::string path;
    ASSERT_TRUE(ftp.open() && http.open());
    const mirror_mode mode = open_mirror(url.c_str(), ftp, http, path);
    ASSERT_NE(mirror_failed, mode) << url;
    const file_tail log = program_log(), requests(mirror().log_path("http"));
    const DWORD start = GetTickCount();
    volatile char cancel = c.cancel;
    name_list names{wklib::string("kept")};
    EXPECT_EQ(c.result, read_listing(mode, ftp, http, path, names, &cancel)) << url;
    EXPECT_LT(GetTickCount() - start, 45000u) << url;
    std::vector<std::string> got = texts(names);
    EXPECT_EQ("kept", got[0]) << url << ": names already in the list stay";
    got.erase(got.begin());
    EXPECT_EQ(static_cast<std::size_t>(c.count), got.size()) << url;
    if (!c.names.empty()) {
      EXPECT_EQ(c.names, got) << url;
    }
    EXPECT_EQ(c.log, log.added()) << url << " (the caller writes the cancel text)";
    if (mode != mirror_http) continue;
    EXPECT_EQ(1000u, http.head_size("pub/bench/gs800w32full.zip")) << url;
    EXPECT_EQ(std::string("GET ") + c.path + " agent=tamari3\nHEAD /pub/bench/gs800w32full.zip agent=tamari3\n",
              requests.added())
        << url << ": the directory itself is requested, once";
  }
}

}  // namespace

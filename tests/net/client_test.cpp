// The WinInet clients and open_mirror against the loopback mirrors of the fixture.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "net/ftp_client.h"
#include "net/http_client.h"
#include "net/open_mirror.h"
#include "tests/common/scratch.h"
#include "tests/net/test_mirror.h"

namespace {

wklib::string ftp_url(const char* path) { return "ftp://" + mirror().ftp_host + path; }

std::string time_text(const FILETIME& time) {
  SYSTEMTIME t = {};
  FileTimeToSystemTime(&time, &t);
  char text[32];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", t.wYear, t.wMonth, t.wDay,
                t.wHour, t.wMinute, t.wSecond);
  return text;
}

// Open clients, as a catalogue step has them before open_mirror.
struct clients {
  ftp_client ftp;
  http_client http;
  wklib::string path;
  clients() {
    EXPECT_TRUE(ftp.open()) << "InternetOpenA for FTP, error " << GetLastError();
    EXPECT_TRUE(http.open()) << "InternetOpenA for HTTP, error " << GetLastError();
  }
  mirror_mode enter(const wklib::string& url) { return open_mirror(url, ftp, http, path); }
};

// Entering over FTP: passive data connections, the listing appended in the server's order
// (pyftpdlib sorts its LIST). Then sizes, and times as local time: the listing shows a young file's
// time of day (in UTC), an old file's day only. One client asks the server name by name, the other
// answers from its listing of the directory without a further command. A refused connection, and
// the line logged, are the catalogue's.
TEST(ftp_client, entered_listed_then_sizes_and_times_by_name_and_from_the_listing) {
  const file_tail entering(mirror().log_path("ftp"));
  clients asked, listed;
  ASSERT_EQ(mirror_ftp, asked.enter(ftp_url("/pub/files/")));
  EXPECT_FALSE(asked.http.is_connected()) << "only the client of the scheme is connected";
  ASSERT_EQ(mirror_ftp, listed.enter(ftp_url("/pub/files/")));
  std::vector<wklib::string> names{wklib::string("kept")};
  ASSERT_TRUE(listed.ftp.list_names("*.*", names)) << "the mirror directory is the current one";
  std::vector<std::string> got;
  for (const wklib::string& name : names) got.emplace_back(name.c_str());
  EXPECT_EQ((std::vector<std::string>{"kept", "recent.bin", "sample.bin"}), got);
  // What the server saw: an anonymous login, and data connections it was asked to listen for
  // (passive), never ones it must open itself.
  const std::string seen = entering.added();
  EXPECT_NE(std::string::npos, seen.find("USER anonymous")) << seen;
  EXPECT_NE(std::string::npos, seen.find("PASV")) << seen;
  EXPECT_EQ(std::string::npos, seen.find("PORT")) << seen;
  WIN32_FILE_ATTRIBUTE_DATA on_disk;
  ASSERT_TRUE(
      GetFileAttributesExA((mirror().state_dir + "\\root\\ftp\\pub\\files\\recent.bin").c_str(),
                           GetFileExInfoStandard, &on_disk));
  ULARGE_INTEGER recent = {
      {on_disk.ftLastWriteTime.dwLowDateTime, on_disk.ftLastWriteTime.dwHighDateTime}};
  recent.QuadPart += 9ull * 3600 * 10000000;  // Tokyo
  const struct {
    const char* name;
    std::uint32_t size;
    std::string time;  // "": no time
  } cases[] = {
      {"sample.bin", 5000, "2009-02-03"}, {"missing.bin", 0, ""},
      {"sample.bin", 5000, "2009-02-03"},  // right after the first: the find handle was closed
      {"recent.bin", 100, time_text({recent.LowPart, recent.HighPart})},
  };
  for (const auto& e : cases) {
    for (clients* c : {&asked, &listed}) {
      const file_tail commands(mirror().log_path("ftp"));
      const char* how = c == &asked ? " by name" : " from the listing";
      EXPECT_EQ(e.size, c->ftp.remote_size(e.name)) << e.name << how;
      FILETIME time = {0xdeadbeef, 0xdeadbeef};
      EXPECT_EQ(!e.time.empty(), c->ftp.remote_time(e.name, time)) << e.name << how;
      if (!e.time.empty()) {
        EXPECT_EQ(e.time, time_text(time).substr(0, e.time.size())) << e.name << how;
      }
      EXPECT_EQ(c == &listed && e.size, commands.added().empty())
          << e.name << how << ": " << commands.added();
    }
  }
  scratch_directory dir("net_ftp");
  EXPECT_FALSE(asked.ftp.get_file("missing.bin", (dir / "missing.bin").c_str()));

  // A missing directory fails after the login: the connection is dropped, the root handle kept.
  EXPECT_EQ(mirror_failed, asked.enter(ftp_url("/pub/nothere/")));
  EXPECT_FALSE(asked.ftp.is_connected());
  EXPECT_TRUE(asked.ftp.is_open());
}

TEST(http_client, status_decides_success) {
  const struct {
    const char* code;
    bool succeeds;
  } cases[] = {{"199", true},  {"200", true},  {"399", true},
               {"400", false}, {"599", false}, {"600", true}};
  for (const auto& c : cases) EXPECT_EQ(c.succeeds, http_status_succeeds(c.code)) << c.code;
}

// One HEAD answers both the size and the time (as local time), with the agent tamari3 and the
// object's absolute name.
TEST(http_client, head_size_and_time) {
  clients s;
  ASSERT_TRUE(s.http.connect(mirror().http_host));
  const std::string old = "2009-02-03 10:05:00";  // 01:05 GMT in Tokyo
  const struct {
    const char* object;
    std::uint32_t size;
    std::string time;  // "": none
  } cases[] = {{"files/sample.bin", 5000, old},
               {"nolength/files/sample.bin", 0, old},
               {"files/missing.bin", 0, ""}};
  for (const auto& c : cases) {
    const file_tail requests(mirror().log_path("http"));
    EXPECT_EQ(c.size, s.http.head_size(c.object)) << c.object;
    FILETIME time = {0xdeadbeef, 0xdeadbeef};
    const bool found = s.http.head_time(c.object, time);
    EXPECT_EQ(c.time, found ? time_text(time) : "") << c.object;
    EXPECT_EQ(std::string("HEAD /") + c.object + " agent=tamari3\n", requests.added())
        << "one request";
  }
}

// The local file is made first and stays behind empty when the request fails; a body cut short of
// its Content-Length is no fetched file; a server that accepts the request and says nothing is left
// after the 7 s receive time-out.
TEST(http_client, get_to_file) {
  clients s;
  ASSERT_TRUE(s.http.connect(mirror().http_host));
  scratch_directory dir("net_get");
  const std::string local = dir / "x.bin";
  const struct {
    const char* object;
    bool fetched;
    std::size_t size;
  } cases[] = {
      {"nolength/files/sample.bin", true, 5000},  // the body runs to the connection's end
      {"files/missing.bin", false, 0}, {"cut/files/sample.bin", false, 2500},
      {"stall/headers/60", false, 0},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(write_file(local, std::string(9000, 'z')));
    const DWORD start = GetTickCount();
    EXPECT_EQ(c.fetched, s.http.get_to_file(c.object, local.c_str())) << c.object;
    EXPECT_LT(GetTickCount() - start, 45000u) << c.object << ": the time-out did not end the wait";
    EXPECT_TRUE(read_file(local) == sample_bytes(c.size))
        << c.object << ": expected " << c.size << " fixture bytes, got " << read_file(local).size();
  }
  EXPECT_FALSE(s.http.get_to_file("files/sample.bin", "Z:\\no\\such\\dir\\x.bin"))
      << "a local file that cannot be made";
}

}  // namespace

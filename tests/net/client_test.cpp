// The WinInet clients and open_mirror against the loopback mirrors of the fixture.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "net/ftp_client.h"
#include "net/http_client.h"
#include "net/open_mirror.h"
#include "tests/net/test_mirror.h"

namespace {

std::vector<std::string> sorted_texts(const std::vector<wklib::string>& names) {
  std::vector<std::string> out;
  for (const wklib::string& name : names) out.emplace_back(name.c_str());
  std::sort(out.begin(), out.end());
  return out;
}

wklib::string ftp_url(const char* path) { return "ftp://" + mirror().ftp_host + path; }
wklib::string http_url(const char* path) { return "http://" + mirror().http_host + path; }

// Open clients, as a catalogue step has them before open_mirror.
struct clients {
  ftp_client ftp;
  http_client http;
  clients() {
    EXPECT_TRUE(ftp.open()) << "InternetOpenA for FTP, error " << GetLastError();
    EXPECT_TRUE(http.open()) << "InternetOpenA for HTTP, error " << GetLastError();
  }
};

// ---------------------------------------------------------------- open_mirror

TEST(open_mirror, ftp_mirror_is_entered) {
  const std::string ftp_log = mirror().state_dir + "\\ftp.log";
  const size_t before = file_size_of(ftp_log);
  clients c;
  wklib::string path("stale");
  EXPECT_EQ(mirror_ftp, open_mirror(ftp_url("/pub/TeX/win32/"), c.ftp, c.http, path));
  EXPECT_STREQ("pub/TeX/win32/", path.c_str());
  EXPECT_TRUE(c.ftp.is_connected());
  EXPECT_FALSE(c.http.is_connected()) << "only the client of the scheme is connected";

  // The remote current directory is the mirror directory: plain names work.
  EXPECT_EQ(2000u, c.ftp.remote_size("texinst2007.zip"));

  // What the server saw: an anonymous login, and data connections it was asked
  // to listen for (passive), never ones it must open itself.
  const std::string commands = read_file_from(ftp_log, before);
  EXPECT_NE(std::string::npos, commands.find("USER anonymous")) << commands;
  EXPECT_NE(std::string::npos, commands.find("PASV")) << commands;
  EXPECT_EQ(std::string::npos, commands.find("PORT")) << commands;
}

// A missing directory fails at the change of directory, the others at the
// connection; every failure drops the connection, keeps the root handle and logs the host.
TEST(open_mirror, ftp_failures_are_logged_with_the_host) {
  const std::string host = mirror().ftp_host.c_str();
  const struct {
    std::string url, logged_host;
  } cases[] = {
      {"ftp://" + host + "/pub/nothere/", host},
      {"FTP://" + host + "/pub/TeX/win32/", "FTP:"},
      {"ftp://127.0.0.1/pub/", "127.0.0.1"},  // nothing listens on its FTP port
  };
  for (const auto& e : cases) {
    clients c;
    const size_t before = log_size();
    wklib::string path;
    EXPECT_EQ(mirror_failed, open_mirror(e.url.c_str(), c.ftp, c.http, path)) << e.url;
    EXPECT_FALSE(c.ftp.is_connected()) << e.url;
    EXPECT_TRUE(c.ftp.is_open()) << e.url;
    EXPECT_FALSE(c.http.is_connected()) << e.url;
    EXPECT_EQ(e.logged_host + "へのFTPでの接続に失敗．\r\n", log_since(before)) << e.url;
  }
}

TEST(open_mirror, http_mirror_connects_without_sending) {
  clients c;
  const size_t requests = file_size_of(mirror().http_log_path());
  const size_t before = log_size();
  wklib::string path;
  EXPECT_EQ(mirror_http, open_mirror(http_url("/no/such/dir/"), c.ftp, c.http, path));
  EXPECT_STREQ("no/such/dir/", path.c_str());
  EXPECT_TRUE(c.http.is_connected());
  EXPECT_FALSE(c.ftp.is_connected());
  EXPECT_EQ("", read_file_from(mirror().http_log_path(), requests))
      << "a wrong path is noticed only by the listing";
  EXPECT_EQ("", log_since(before));
}

TEST(open_mirror, http_url_without_path_requests_the_root) {
  clients c;
  wklib::string path("stale");
  EXPECT_EQ(mirror_http, open_mirror(http_url(""), c.ftp, c.http, path));
  EXPECT_TRUE(path.empty()) << "got \"" << path.c_str() << "\"";
  const size_t requests = file_size_of(mirror().http_log_path());
  EXPECT_TRUE(c.http.open_get(path));
  c.http.close_request();
  EXPECT_EQ("GET / agent=tamari3\n", read_file_from(mirror().http_log_path(), requests));
}

// ---------------------------------------------------------------- FTP

TEST(ftp_client, lists_every_entry_of_a_directory) {
  clients c;
  wklib::string path;
  ASSERT_EQ(mirror_ftp, open_mirror(ftp_url("/pub/TeX/win32/"), c.ftp, c.http, path));
  std::vector<wklib::string> names{wklib::string("kept")};
  EXPECT_TRUE(c.ftp.list_names("*.*", names));
  EXPECT_EQ((std::vector<std::string>{"gs853w32full.zip", "kept", "old", "readme.txt",
                                      "texinst2006.zip", "texinst2007.zip"}),
            sorted_texts(names))
      << "files and directories alike, appended to what the list held";
}

TEST(ftp_client, empty_directory_lists_as_a_failure) {
  clients c;
  wklib::string path;
  ASSERT_EQ(mirror_ftp, open_mirror(ftp_url("/pub/empty/"), c.ftp, c.http, path));
  std::vector<wklib::string> names{wklib::string("kept")};
  EXPECT_FALSE(c.ftp.list_names("*.*", names));
  ASSERT_EQ(1u, names.size()) << "names unchanged";
  EXPECT_STREQ("kept", names[0].c_str());
}

TEST(ftp_client, sizes_and_zero_when_missing) {
  clients c;
  wklib::string path;
  ASSERT_EQ(mirror_ftp, open_mirror(ftp_url("/pub/files/"), c.ftp, c.http, path));
  EXPECT_EQ(5000u, c.ftp.remote_size("sample.bin"));
  EXPECT_EQ(0u, c.ftp.remote_size("missing.bin"));
  // A second find right after the first: the find handle was closed.
  EXPECT_EQ(5000u, c.ftp.remote_size("sample.bin"));
}

TEST(ftp_client, times_come_back_as_local_time) {
  clients c;
  wklib::string path;
  ASSERT_EQ(mirror_ftp, open_mirror(ftp_url("/pub/files/"), c.ftp, c.http, path));

  // The listing shows a young file's time of day in UTC; the file on the server's
  // disk says which.
  WIN32_FILE_ATTRIBUTE_DATA on_disk;
  ASSERT_TRUE(
      GetFileAttributesExA((mirror().state_dir + "\\root\\ftp\\pub\\files\\recent.bin").c_str(),
                           GetFileExInfoStandard, &on_disk));
  ULARGE_INTEGER expected;
  expected.LowPart = on_disk.ftLastWriteTime.dwLowDateTime;
  expected.HighPart = on_disk.ftLastWriteTime.dwHighDateTime;
  expected.QuadPart += 9ull * 3600 * 10000000;  // Tokyo
  const FILETIME expected_time = {expected.LowPart, expected.HighPart};

  FILETIME time = {0xdeadbeef, 0xdeadbeef};
  ASSERT_TRUE(c.ftp.remote_time("recent.bin", time));
  EXPECT_EQ(format_time(system_time_of(expected_time)), format_time(system_time_of(time)));

  // An old file is listed with its day only; the day stays 3 February 2009.
  ASSERT_TRUE(c.ftp.remote_time("sample.bin", time));
  EXPECT_EQ("2009-02-03", format_time(system_time_of(time)).substr(0, 10));
  EXPECT_FALSE(c.ftp.remote_time("missing.bin", time));
}

TEST(ftp_client, get_file_overwrites_the_local_file) {
  clients c;
  wklib::string path;
  ASSERT_EQ(mirror_ftp, open_mirror(ftp_url("/pub/files/"), c.ftp, c.http, path));
  const std::string local = make_scratch_dir("ftp") + "sample.bin";
  ASSERT_TRUE(write_whole_file(local, std::string(9000, 'z')));
  EXPECT_TRUE(c.ftp.get_file("sample.bin", local.c_str())) << "error " << GetLastError();
  EXPECT_TRUE(read_whole_file(local) == sample_bytes(5000))
      << "expected the 5000 fixture bytes, got " << read_whole_file(local).size() << " bytes";
  EXPECT_FALSE(c.ftp.get_file("missing.bin", (local + ".2").c_str()));
}

TEST(ftp_client, operations_without_a_connection_fail) {
  ftp_client ftp;
  EXPECT_FALSE(ftp.connect("127.0.0.1", "anonymous", "a@b")) << "no root handle yet";
  ASSERT_TRUE(ftp.open());
  std::vector<wklib::string> names;
  EXPECT_FALSE(ftp.list_names("*.*", names));
  EXPECT_EQ(0u, ftp.remote_size("x"));
  EXPECT_FALSE(ftp.set_directory("pub"));
  EXPECT_TRUE(ftp.open()) << "a second open replaces the root handle";
  ftp.close();
  EXPECT_FALSE(ftp.is_open());
}

// ---------------------------------------------------------------- HTTP

struct http_session {
  clients c;
  http_session() { EXPECT_TRUE(c.http.connect(mirror().http_host)); }
};

TEST(http_client, sends_agent_tamari3_and_absolute_object_names) {
  http_session s;
  const size_t requests = file_size_of(mirror().http_log_path());
  EXPECT_EQ(5000u, s.c.http.head_size("files/sample.bin"));
  EXPECT_EQ("HEAD /files/sample.bin agent=tamari3\n",
            read_file_from(mirror().http_log_path(), requests));
}

TEST(http_client, head_size_is_content_length_or_zero) {
  http_session s;
  EXPECT_EQ(5000u, s.c.http.head_size("files/sample.bin"));
  EXPECT_EQ(0u, s.c.http.head_size("nolength/files/sample.bin")) << "no Content-Length";
  EXPECT_EQ(0u, s.c.http.head_size("files/missing.bin")) << "404";
}

TEST(http_client, last_modified_comes_back_as_local_time) {
  http_session s;
  FILETIME time = {0xdeadbeef, 0xdeadbeef};
  ASSERT_TRUE(s.c.http.head_time("files/sample.bin", time));
  EXPECT_EQ("2009-02-03 10:05:00", format_time(system_time_of(time)))
      << "01:05 GMT is 10:05 in Tokyo";
  EXPECT_FALSE(s.c.http.head_time("nomodified/files/sample.bin", time)) << "no Last-Modified";
  EXPECT_FALSE(s.c.http.head_time("files/missing.bin", time)) << "404";
}

TEST(http_client, status_decides_success) {
  http_session s;
  struct case_t {
    int code;
    bool succeeds;
  } const cases[] = {{200, true},  {203, true},  {204, true},  {299, true},  {300, true},
                     {303, true},  {304, true},  {399, true},  {400, false}, {403, false},
                     {404, false}, {451, false}, {499, false}, {500, false}, {503, false},
                     {599, false}, {600, true}};
  for (const case_t& c : cases) {
    char object[32];
    wsprintfA(object, "status/%d", c.code);
    EXPECT_EQ(c.succeeds, s.c.http.open_get(object)) << "GET answered " << c.code;
    s.c.http.close_request();
  }
}

TEST(http_client, redirections_count_as_success) {
  http_session s;
  const std::string dir = make_scratch_dir("redirect");
  for (const char* code : {"301", "302"}) {
    const std::string object = std::string("redirect/") + code + "/files/sample.bin";
    EXPECT_EQ(5000u, s.c.http.head_size(object.c_str())) << code << " to HEAD";
    const std::string local = dir + code + ".bin";
    EXPECT_TRUE(s.c.http.get_to_file(object.c_str(), local.c_str())) << code << " to GET";
    EXPECT_TRUE(read_whole_file(local) == sample_bytes(5000)) << code << ": the target's bytes";
  }
  // A redirection to a missing file ends in that file's 404.
  EXPECT_FALSE(s.c.http.open_get("redirect/302/files/missing.bin"));
}

TEST(http_client, get_to_file_fetches_the_object) {
  http_session s;
  const std::string local = make_scratch_dir("get") + "sample.bin";
  ASSERT_TRUE(write_whole_file(local, std::string(9000, 'z')));
  EXPECT_TRUE(s.c.http.get_to_file("files/sample.bin", local.c_str()));
  EXPECT_TRUE(read_whole_file(local) == sample_bytes(5000))
      << "expected the 5000 fixture bytes over the old 9000, got " << file_size_of(local);
  // Without Content-Length the body runs to the connection's end.
  EXPECT_TRUE(s.c.http.get_to_file("nolength/files/sample.bin", local.c_str()));
  EXPECT_EQ(5000u, file_size_of(local));
}

TEST(http_client, failed_get_leaves_an_empty_file) {
  http_session s;
  const std::string local = make_scratch_dir("get404") + "missing.bin";
  ASSERT_TRUE(write_whole_file(local, "old content"));
  EXPECT_FALSE(s.c.http.get_to_file("files/missing.bin", local.c_str()));
  EXPECT_TRUE(file_exists(local)) << "the file was made before the request";
  EXPECT_EQ(0u, file_size_of(local)) << "and stays behind empty";
  EXPECT_FALSE(s.c.http.get_to_file("cut/files/sample.bin", local.c_str()))
      << "a body cut short of its Content-Length was reported as fetched";
  EXPECT_FALSE(s.c.http.get_to_file("files/sample.bin", "Z:\\no\\such\\dir\\x.bin"))
      << "a local file that cannot be made";
}

TEST(http_client, open_get_and_read_chunks) {
  http_session s;
  ASSERT_TRUE(s.c.http.open_get("files/sample.bin"));
  std::string body;
  char buffer[1000];
  int got;
  while ((got = s.c.http.read_chunk(buffer, sizeof buffer)) > 0) body.append(buffer, got);
  EXPECT_FALSE(s.c.http.read_failed()) << "the body ended, nothing failed";
  EXPECT_TRUE(body == sample_bytes(5000)) << "got " << body.size() << " bytes";
  EXPECT_TRUE(s.c.http.close_request());
  EXPECT_EQ(0, s.c.http.read_chunk(buffer, sizeof buffer)) << "no request open";
  EXPECT_FALSE(s.c.http.open_get("files/missing.bin"));
  EXPECT_EQ(0, s.c.http.read_chunk(buffer, sizeof buffer)) << "the failed request is gone";
}

TEST(http_client, close_order_and_reuse) {
  http_client http;
  EXPECT_FALSE(http.connect(mirror().http_host)) << "no root handle yet";
  ASSERT_TRUE(http.open());
  ASSERT_TRUE(http.connect(mirror().http_host));
  ASSERT_TRUE(http.open_get("files/sample.bin"));
  EXPECT_TRUE(http.close_connection()) << "closes the open request first";
  EXPECT_FALSE(http.is_connected());
  EXPECT_FALSE(http.open_get("files/sample.bin")) << "no connection";
  ASSERT_TRUE(http.connect(mirror().http_host));
  EXPECT_EQ(5000u, http.head_size("files/sample.bin"));
  EXPECT_TRUE(http.close());
  EXPECT_FALSE(http.is_open());
}

// A server that accepts the request and then says nothing: the 7 s receive time-out
// must end the wait, long before the server would give up by itself.
TEST(http_client, receive_time_out_ends_a_stalled_request) {
  http_session s;
  DWORD start = GetTickCount();
  EXPECT_EQ(0u, s.c.http.head_size("stall/headers/60"));
  DWORD elapsed = GetTickCount() - start;
  EXPECT_GE(elapsed, 5000u) << "ended before the time-out";
  EXPECT_LT(elapsed, 45000u) << "the time-out did not end the wait";

  // Headers, part of the body, then silence: the cut file is not reported as fetched.
  const std::string local = make_scratch_dir("stall") + "stalled.bin";
  start = GetTickCount();
  EXPECT_FALSE(s.c.http.get_to_file("stall/body/60", local.c_str()));
  elapsed = GetTickCount() - start;
  EXPECT_GE(elapsed, 5000u);
  EXPECT_LT(elapsed, 45000u);
  EXPECT_LT(file_size_of(local), 100000u) << "the announced body never came whole";
}

// ---------------------------------------------------------------- proxies

TEST(proxy, http_requests_pass_through_the_proxy_when_both_are_set) {
  const test_mirror& m = mirror();
  const wklib::string proxy = make_proxy_text(m.proxy_host, m.proxy_port);
  http_client http;
  ASSERT_TRUE(http.open());
  EXPECT_TRUE(http.set_proxy(proxy)) << "error " << GetLastError();
  ASSERT_TRUE(http.connect(m.http_host));
  const size_t proxied = file_size_of(m.proxy_log_path());
  EXPECT_EQ(5000u, http.head_size("files/sample.bin"));
  // Some WinInets name the default port in the absolute URL, some do not.
  const std::string line = read_file_from(m.proxy_log_path(), proxied);
  const std::string start = "HEAD http://" + std::string(m.http_host.c_str());
  const std::string end = "/files/sample.bin\n";
  EXPECT_TRUE(line.compare(0, start.size(), start) == 0 && line.size() >= end.size() &&
              line.compare(line.size() - end.size(), end.size(), end) == 0)
      << "expected one proxied HEAD of " << m.http_host.c_str() << "/files/sample.bin, got \""
      << line << "\"";
}

}  // namespace

namespace {

// ---------------------------------------------------------------- answers kept

// The sizes and times the clients answer from a listing or a kept HEAD are the
// server's per-name answers, and cost no further request.
TEST(kept_answers, equal_the_servers_per_name_answers) {
  const char* const names[] = {"texinst2006.zip", "latex.tar.bz2", "mixed-case.tar.gz"};
  clients listed, asked;
  wklib::string path;
  ASSERT_EQ(mirror_ftp, open_mirror(ftp_url("/demo/w32tex/"), listed.ftp, listed.http, path));
  ASSERT_EQ(mirror_ftp, open_mirror(ftp_url("/demo/w32tex/"), asked.ftp, asked.http, path));
  std::vector<wklib::string> all;
  ASSERT_TRUE(listed.ftp.list_names("*.*", all));
  for (const char* name : names) {
    const size_t commands = file_size_of(mirror().state_dir + "\\ftp.log");
    FILETIME kept = {}, fresh = {};
    EXPECT_TRUE(listed.ftp.remote_time_utc(name, kept));
    const std::uint32_t kept_size = listed.ftp.remote_size(name);
    EXPECT_EQ("", read_file_from(mirror().state_dir + "\\ftp.log", commands)) << name;
    EXPECT_TRUE(asked.ftp.remote_time_utc(name, fresh));
    EXPECT_EQ(format_time(system_time_of(fresh)), format_time(system_time_of(kept))) << name;
    EXPECT_EQ(asked.ftp.remote_size(name), kept_size) << name;
  }

  http_client one, each;
  ASSERT_TRUE(one.open() && each.open());
  ASSERT_TRUE(one.connect(mirror().http_host));
  for (const char* name : names) {
    const std::string object = std::string("demo/w32tex/") + name;
    const size_t requests = file_size_of(mirror().http_log_path());
    FILETIME kept = {}, fresh = {};
    EXPECT_TRUE(one.head_time_utc(object.c_str(), kept));
    const std::uint32_t kept_size = one.head_size(object.c_str());
    EXPECT_EQ("HEAD /" + object + " agent=tamari3\n", read_file_from(mirror().http_log_path(), requests))
        << "one HEAD for both";
    ASSERT_TRUE(each.connect(mirror().http_host));  // a new connection keeps nothing
    EXPECT_TRUE(each.head_time_utc(object.c_str(), fresh));
    ASSERT_TRUE(each.connect(mirror().http_host));
    EXPECT_EQ(each.head_size(object.c_str()), kept_size) << name;
    EXPECT_EQ(format_time(system_time_of(fresh)), format_time(system_time_of(kept))) << name;
  }
}

}  // namespace

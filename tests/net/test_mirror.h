// What the network tests know about the loopback mirrors that their CTest fixture
// started (tools/testservers/mirror_servers.py): the servers' addresses, their
// request logs, the fixture files' names and times, and small file helpers.
#pragma once

#include <windows.h>

#include <string>

#include "support/string.h"

struct test_mirror {
  std::string state_dir;  // Windows path of the fixture's state directory
  wklib::string ftp_host;
  wklib::string http_host;
  wklib::string proxy_host;
  int proxy_port = 0;

  // Reads the servers file named by TAMARI_MIRROR_STATE; false with a reason.
  bool load(std::string& reason);
  std::string http_log_path() const { return state_dir + "\\http.log"; }
  std::string proxy_log_path() const { return state_dir + "\\proxy.log"; }
};

// The one mirror of a test program, loaded on first use (fails the test when absent).
const test_mirror& mirror();

// The fixture files' time: 3 February 2009 01:05:00 UTC. The tests run with
// TZ=Asia/Tokyo (UTC+9, no summer time), so local times are nine hours later.
const int fixture_local_hour = 10;
const int fixture_minute = 5;

// Contents of the fixture's sample files: byte i is (i * 7 + 3) % 251.
std::string sample_bytes(size_t size);

std::string read_whole_file(const std::string& path);
bool write_whole_file(const std::string& path, const std::string& data);
bool file_exists(const std::string& path);
// Bytes of `path` from `offset` on; empty when it is shorter or missing.
std::string read_file_from(const std::string& path, size_t offset);
size_t file_size_of(const std::string& path);

// A fresh, empty directory under the system's temporary directory (with a final "\").
std::string make_scratch_dir(const char* tag);

// Lines appended to the program's log (the_settings().log_path()) since `offset`.
size_t log_size();
std::string log_since(size_t offset);

SYSTEMTIME system_time_of(const FILETIME& time);
std::string format_time(const SYSTEMTIME& time);  // "2009-02-03 10:05:00"

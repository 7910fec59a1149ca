// What the network tests and benchmarks know about the loopback mirrors of
// tools/testservers/mirror_servers.py that their CTest fixture started.
#pragma once

#include <string>

#include "support/string.h"

struct test_mirror {
  std::string state_dir;  // Windows path of the fixture's state directory
  wklib::string ftp_host, http_host, proxy_host;
  int proxy_port = 0;

  // Reads the servers file named by TAMARI_MIRROR_STATE; false with a reason.
  bool load(std::string& reason);
  // A server's log ("ftp", "http" or "proxy"): one line per command or request.
  std::string log_path(const char* server) const { return state_dir + "\\" + server + ".log"; }
};

// The one mirror of a test program, loaded on first use (fails the test when absent).
const test_mirror& mirror();

// What a growing file (a server's log, the program's log) gains from now on.
struct file_tail {
  explicit file_tail(const std::string& file);
  std::string added() const;
  const std::string path;
  const std::size_t start;
};
file_tail program_log();  // the_settings().log_path()

// Contents of the fixture's sample files: byte i is (i * 7 + 3) % 251.
std::string sample_bytes(std::size_t size);

// The settings of the catalogue over the demo distribution (tools/make_demo_mirror.py)
// below `base_url`, saving into `save_dir`, online or not.
void configure_demo(const std::string& base_url, const std::string& save_dir, bool online);

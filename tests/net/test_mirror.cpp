#include "tests/net/test_mirror.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "state/install_settings.h"
#include "tests/common/scratch.h"

bool test_mirror::load(std::string& reason) {
  const char* state = std::getenv("TAMARI_MIRROR_STATE");
  state_dir = state ? state : "";
  std::ifstream servers(state_dir + "\\servers");
  for (std::string kind, address; servers >> kind >> address;) {
    if (kind == "ftp") ftp_host = address.c_str();
    if (kind == "http") http_host = address.c_str();
    if (kind == "proxy" && servers >> proxy_port) proxy_host = address.c_str();
  }
  reason = "no complete servers file in TAMARI_MIRROR_STATE (" + state_dir +
           "): run this through ctest or a bench script, which start the mirrors";
  return !ftp_host.empty() && !http_host.empty() && proxy_port != 0;
}

const test_mirror& mirror() {
  static test_mirror the_mirror;
  static std::string reason;
  static const bool loaded = the_mirror.load(reason);
  if (!loaded) ADD_FAILURE() << reason;
  return the_mirror;
}

file_tail::file_tail(const std::string& file) : path(file), start(read_file(file).size()) {}

std::string file_tail::added() const {
  const std::string all = read_file(path);
  return all.size() > start ? all.substr(start) : std::string();
}

file_tail program_log() { return file_tail(the_settings().log_path().c_str()); }

std::string sample_bytes(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7 + 3) % 251);
  return bytes;
}

void configure_demo(const std::string& base_url, const std::string& save_dir, bool online) {
  install_settings& s = the_settings();
  write_default_settings(s);  // the patterns
  s.set_tex_url((base_url + "w32tex/").c_str());
  s.set_dviout_url((base_url + "dviout/").c_str());
  s.set_gs_url((base_url + "gs/").c_str());
  s.set_gsview_url((base_url + "gsview/").c_str());
  s.set_save_dir(save_dir.c_str());
  s.set_proxy("");
  s.set_port(0);
  s.set_use_network(online);
  s.load_settings();
}

// How long the online catalogue takes for the demo distribution (tools/make_demo_mirror.py)
// over FTP and over HTTP, and how many requests it sends, against the loopback
// mirrors of tools/testservers (see tools/testservers/bench_catalogue.sh):
//
//   catalogue_bench.exe ROUNDS keep|ask
//
// "ask" switches the clients' kept answers off, so that every size and time is
// asked of the server, as before the clients kept them. Prints the best and the
// median round and the server's requests per round; not a test.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "catalogue/catalogue_view.h"
#include "net/ftp_client.h"
#include "net/http_client.h"
#include "state/install_settings.h"
#include "tests/net/test_mirror.h"

namespace {

double now_ms() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER count;
  QueryPerformanceCounter(&count);
  return 1000.0 * static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Rows kept in memory; nothing is shown.
class counting_view : public catalogue_view {
 public:
  void show(const wklib::string&) override {}
  void clear_rows(catalogue_list list) override { rows[list] = 0; }
  void append_row(catalogue_list list, const std::vector<wklib::string>&, bool) override {
    ++rows[list];
  }
  void set_ticked(catalogue_list, int, bool) override {}
  const volatile char* cancel_flag() const override { return &never_; }
  int rows[4] = {};

 private:
  volatile char never_ = 0;
};

// Requests in a server's log, by the log line's first word (the FTP command or the
// HTTP verb), from line `from` on.
std::map<std::string, int> requests(const std::string& log, size_t from, size_t& lines) {
  std::map<std::string, int> counts;
  std::ifstream in(log);
  std::string line;
  lines = 0;
  while (std::getline(in, line)) {
    if (lines++ < from) continue;
    counts[line.substr(0, line.find(' '))]++;
  }
  return counts;
}

void configure(const std::string& base, const std::string& save_dir) {
  install_settings& s = the_settings();
  s.set_tex_url((base + "w32tex/").c_str());
  s.set_dviout_url((base + "dviout/").c_str());
  s.set_gs_url((base + "gs/").c_str());
  s.set_gsview_url((base + "gsview/").c_str());
  s.set_tex_pattern("texinst[0-9]*\\.zip");
  s.set_dviout_pattern("tex[0-9]*w\\.zip");
  s.set_gs_pattern("gs[0-9]*w32full\\.zip");
  s.set_gsview_pattern("gsv[0-9]*w32\\.exe");
  s.set_save_dir(save_dir.c_str());
  s.set_proxy("");
  s.set_port(0);
  s.set_use_network(true);
  s.load_settings();
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

bool report(const char* kind, const std::string& base, const std::string& log,
            const std::string& save_dir, int rounds) {
  configure(base, save_dir);
  size_t start = 0;
  requests(log, 0, start);
  std::vector<double> times;
  counting_view view;
  for (int i = 0; i < rounds; ++i) {
    const double begin = now_ms();
    const catalogue_result result = build_catalogue(view);
    times.push_back(now_ms() - begin);
    if (result != catalogue_done) {
      std::printf("%s: round %d ended with %d (%s)\n", kind, i + 1, result, base.c_str());
      return false;
    }
  }
  size_t end = 0;
  const std::map<std::string, int> counts = requests(log, start, end);
  std::printf("%s %s: rows %d/%d/%d/%d, %d rounds\n", kind, base.c_str(), view.rows[0],
              view.rows[1], view.rows[2], view.rows[3], rounds);
  std::printf("  catalogue   best %8.1f ms   median %8.1f ms\n",
              *std::min_element(times.begin(), times.end()), median(times));
  std::printf("  requests per round: %.1f (", static_cast<double>(end - start) / rounds);
  const char* separator = "";
  for (const auto& count : counts) {
    std::printf("%s%s %.1f", separator, count.first.c_str(),
                static_cast<double>(count.second) / rounds);
    separator = ", ";
  }
  std::printf(")\n");
  std::fflush(stdout);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const char* state = std::getenv("TAMARI_MIRROR_STATE");
  if (!state || argc < 3) {
    std::fprintf(stderr, "usage: TAMARI_MIRROR_STATE=DIR catalogue_bench.exe ROUNDS keep|ask\n");
    return 2;
  }
  test_mirror servers;
  std::string reason;
  if (!servers.load(reason)) {
    std::fprintf(stderr, "%s\n", reason.c_str());
    return 2;
  }
  const std::string ftp_host = servers.ftp_host.c_str(), http_host = servers.http_host.c_str();
  const int rounds = std::max(1, std::atoi(argv[1]));
  const bool keep = std::strcmp(argv[2], "ask") != 0;
  ftp_client::keep_answers = keep;
  http_client::keep_answers = keep;
  std::printf("kept answers: %s\n", keep ? "on" : "off");

  char temp[MAX_PATH];
  GetTempPathA(sizeof temp, temp);
  const std::string save_dir = std::string(temp) + "tamari3-catalogue-bench\\";
  CreateDirectoryA(save_dir.c_str(), nullptr);
  const bool ok = report("FTP", "ftp://" + ftp_host + "/demo/", std::string(state) + "\\ftp.log",
                         save_dir, rounds) &&
                  report("HTTP", "http://" + http_host + "/demo/",
                         std::string(state) + "\\http.log", save_dir, rounds);
  return ok ? 0 : 1;
}

// The online catalogue of the demo distribution (tools/make_demo_mirror.py) over FTP and HTTP
// against the loopback mirrors of tools/testservers/bench_catalogue.sh: the best and the median
// round, and the servers' requests per round. "ask" switches the clients' kept answers off, so
// that every size and time is asked of the server (usage: below).
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "catalogue/catalogue_view.h"
#include "net/ftp_client.h"
#include "net/http_client.h"
#include "tests/common/scratch.h"
#include "tests/net/test_mirror.h"

namespace {

// Rows counted; nothing is shown.
class counting_view : public catalogue_view {
 public:
  void show(const wklib::string&) override {}
  void clear_rows(catalogue_list list) override { rows[list] = 0; }
  void append_row(catalogue_list list, const std::vector<wklib::string>&, bool) override {
    ++rows[list];
  }
  void set_ticked(catalogue_list, int, bool) override {}
  const volatile char* cancel_flag() const override { return &never; }
  int rows[4] = {};
  volatile char never = 0;
};

bool report(const char* kind, const std::string& base, const std::string& log, int rounds) {
  const scratch_directory save_dir("catalogue_bench");
  configure_demo(base, save_dir.path(), true);
  const file_tail requests(log);
  std::vector<double> times;
  counting_view view;
  for (int i = 0; i < rounds; ++i) {
    const auto begin = std::chrono::steady_clock::now();
    const catalogue_result result = build_catalogue(view);
    times.push_back(
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin)
            .count());
    if (result != catalogue_done) {
      std::printf("%s: round %d ended with %d (%s)\n", kind, i + 1, result, base.c_str());
      return false;
    }
  }
  const std::string requests_made = requests.added();  // one line per FTP command or HTTP request
  const long total = std::count(requests_made.begin(), requests_made.end(), '\n');
  std::sort(times.begin(), times.end());
  std::printf("%s %s: rows %d/%d/%d/%d, %d rounds\n", kind, base.c_str(), view.rows[0],
              view.rows[1], view.rows[2], view.rows[3], rounds);
  std::printf("  catalogue   best %8.1f ms   median %8.1f ms\n", times.front(),
              times[times.size() / 2]);
  std::printf("  requests per round: %.1f\n", static_cast<double>(total) / rounds);
  std::fflush(stdout);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  test_mirror servers;
  std::string reason;
  if (argc < 3 || !servers.load(reason)) {
    std::fprintf(stderr, "%s\nusage: TAMARI_MIRROR_STATE=DIR catalogue_bench.exe ROUNDS keep|ask\n",
                 reason.c_str());
    return 2;
  }
  const int rounds = std::max(1, std::atoi(argv[1]));
  const bool keep = std::strcmp(argv[2], "ask") != 0;
  ftp_client::keep_answers = http_client::keep_answers = keep;
  std::printf("kept answers: %s\n", keep ? "on" : "off");
  const std::string ftp = "ftp://" + std::string(servers.ftp_host.c_str()) + "/demo/";
  const std::string http = "http://" + std::string(servers.http_host.c_str()) + "/demo/";
  const bool done = report("FTP", ftp, servers.log_path("ftp"), rounds) &&
                    report("HTTP", http, servers.log_path("http"), rounds);
  return done ? 0 : 1;
}

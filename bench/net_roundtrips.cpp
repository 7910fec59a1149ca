// How long a catalogue step spends talking to a mirror: listing a directory of 90
// archives and asking the size and time of each, over FTP and over HTTP, against
// the loopback mirrors of tools/testservers (see tools/testservers/bench_roundtrips.sh):
//
//   net_roundtrips.exe [FTP_ROUNDS [HTTP_ROUNDS]]
//
// FTP rounds are slow where every find lists the whole directory again. Prints
// the best and the median of the rounds; not a test.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "catalogue/listing.h"
#include "net/open_mirror.h"
#include "tests/net/test_mirror.h"

namespace {

double now_ms() {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Connect, listing and queries of one round in ms; empty when a step failed.
std::vector<double> one_round(const wklib::string& url, std::size_t& names_found) {
  ftp_client ftp;
  http_client http;
  wklib::string path;
  double start = now_ms();
  const mirror_mode mode = ftp.open() && http.open() ? open_mirror(url, ftp, http, path) : mirror_failed;
  if (mode == mirror_failed) return {};
  std::vector<double> t = {now_ms() - start};
  start = now_ms();
  name_list names;
  if (read_listing(mode, ftp, http, path, names, nullptr) != listing_complete) return {};
  t.push_back(now_ms() - start);
  names_found = names.size();
  start = now_ms();
  for (const wklib::string& name : names) {
    FILETIME time;
    const bool answered = mode == mirror_ftp
                              ? ftp.remote_size(name) != 0 && ftp.remote_time(name, time)
                              : http.head_size(path + name) != 0 && http.head_time(path + name, time);
    if (!answered) return {};
  }
  t.push_back(now_ms() - start);
  return t;
}

void report(const char* kind, const std::string& url, int rounds) {
  std::vector<double> steps[3];
  std::size_t names = 0;
  for (int i = 0; i < rounds; ++i) {
    const std::vector<double> t = one_round(url.c_str(), names);
    if (t.empty()) {
      std::printf("%s: round %d failed (%s)\n", kind, i + 1, url.c_str());
      return;
    }
    for (int step = 0; step < 3; ++step) steps[step].push_back(t[step]);
  }
  for (std::vector<double>& step : steps) std::sort(step.begin(), step.end());
  const auto median = [&](int step) { return steps[step][steps[step].size() / 2]; };
  std::printf("%s %s: %u names, %d rounds\n", kind, url.c_str(), static_cast<unsigned>(names), rounds);
  std::printf("  connect          best %8.1f ms   median %8.1f ms\n", steps[0][0], median(0));
  std::printf("  listing          best %8.1f ms   median %8.1f ms\n", steps[1][0], median(1));
  std::printf("  size+time x %u  best %8.1f ms   median %8.1f ms   (%.2f ms per archive)\n",
              static_cast<unsigned>(names), steps[2][0], median(2),
              median(2) / static_cast<double>(names ? names : 1));
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  test_mirror servers;
  std::string reason;
  if (!servers.load(reason)) {
    std::fprintf(stderr, "%s\n", reason.c_str());
    return 2;
  }
  report("FTP", "ftp://" + std::string(servers.ftp_host.c_str()) + "/pub/bench/", argc > 1 ? std::atoi(argv[1]) : 1);
  report("HTTP", "http://" + std::string(servers.http_host.c_str()) + "/pub/bench/", argc > 2 ? std::atoi(argv[2]) : 5);
  return 0;
}

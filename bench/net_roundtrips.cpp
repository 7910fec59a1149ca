// How long a catalogue step spends talking to a mirror: listing a directory of 90
// archives and asking the size and time of each, over FTP and over HTTP, against
// the loopback mirrors of tools/testservers (see tools/testservers/bench_roundtrips.sh).
// Prints the best and the median of several rounds; not a test.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "catalogue/listing.h"
#include "net/open_mirror.h"
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

struct round_times {
  double connect = 0;
  double listing = 0;
  double queries = 0;
  size_t names = 0;
  bool ok = false;
};

round_times one_round(const wklib::string& url) {
  round_times t;
  ftp_client ftp;
  http_client http;
  if (!ftp.open() || !http.open()) return t;
  double start = now_ms();
  wklib::string path;
  const mirror_mode mode = open_mirror(url, ftp, http, path);
  if (mode == mirror_failed) return t;
  t.connect = now_ms() - start;

  start = now_ms();
  name_list names;
  if (read_listing(mode, ftp, http, path, names, nullptr) != listing_complete) return t;
  t.listing = now_ms() - start;
  t.names = names.size();

  start = now_ms();
  for (const wklib::string& name : names) {
    FILETIME time;
    if (mode == mirror_ftp) {
      if (ftp.remote_size(name) == 0 || !ftp.remote_time(name, time)) return t;
    } else {
      if (http.head_size(path + name) == 0 || !http.head_time(path + name, time)) return t;
    }
  }
  t.queries = now_ms() - start;
  t.ok = true;
  return t;
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

void report(const char* kind, const wklib::string& url, int rounds) {
  std::vector<double> connect, listing, queries;
  size_t names = 0;
  for (int i = 0; i < rounds; ++i) {
    const round_times t = one_round(url);
    if (!t.ok) {
      std::printf("%s: round %d failed (%s)\n", kind, i + 1, url.c_str());
      return;
    }
    connect.push_back(t.connect);
    listing.push_back(t.listing);
    queries.push_back(t.queries);
    names = t.names;
  }
  std::printf("%s %s: %u names, %d rounds\n", kind, url.c_str(), static_cast<unsigned>(names),
              rounds);
  std::printf("  connect          best %8.1f ms   median %8.1f ms\n",
              *std::min_element(connect.begin(), connect.end()), median(connect));
  std::printf("  listing          best %8.1f ms   median %8.1f ms\n",
              *std::min_element(listing.begin(), listing.end()), median(listing));
  std::printf("  size+time x %u  best %8.1f ms   median %8.1f ms   (%.2f ms per archive)\n",
              static_cast<unsigned>(names), *std::min_element(queries.begin(), queries.end()),
              median(queries), median(queries) / static_cast<double>(names ? names : 1));
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  const char* state = std::getenv("TAMARI_MIRROR_STATE");
  if (!state) {
    std::fprintf(stderr, "TAMARI_MIRROR_STATE is not set\n");
    return 2;
  }
  test_mirror servers;
  std::string reason;
  if (!servers.load(reason)) {
    std::fprintf(stderr, "%s\n", reason.c_str());
    return 2;
  }
  const std::string ftp_host = servers.ftp_host.c_str(), http_host = servers.http_host.c_str();
  // Rounds over FTP and over HTTP: FTP rounds are slow where every find lists the
  // whole directory again.
  const int ftp_rounds = argc > 1 ? std::atoi(argv[1]) : 1;
  const int http_rounds = argc > 2 ? std::atoi(argv[2]) : 5;
  report("FTP", wklib::string(("ftp://" + ftp_host + "/pub/bench/").c_str()), ftp_rounds);
  report("HTTP", wklib::string(("http://" + http_host + "/pub/bench/").c_str()), http_rounds);
  return 0;
}

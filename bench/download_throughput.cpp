// Throughput of dialog 106's download path (URLDownloadToFileA with the progress callback moving
// the bar and the status line, the cache entry removed first) for one large file, round after
// round; tools/testservers/bench_download.sh runs it beside curl against the same loopback server.
// Needs a display (tools/wine-session.sh gives one). SIZE is as the file-selection page gives it.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "download/download_dialog.h"
#include "state/install_settings.h"

namespace {

double now_s() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Seen on the dialog's thread: when the worker set the caption (right before URLDownloadToFileA)
// and when its report that it is done arrived (worker_dialog posts WM_APP + 33 once work() has
// returned): the download without opening and closing the window (some two seconds under Wine
// without a window manager).
double g_title_at = 0, g_done_at = 0;
LRESULT CALLBACK watch_sent(int code, WPARAM wparam, LPARAM lparam) {
  if (code == HC_ACTION &&
      reinterpret_cast<const CWPSTRUCT*>(lparam)->message == msg_progress_title)
    g_title_at = now_s();
  return CallNextHookEx(nullptr, code, wparam, lparam);
}
LRESULT CALLBACK watch_posted(int code, WPARAM wparam, LPARAM lparam) {
  if (code == HC_ACTION && wparam == PM_REMOVE &&
      reinterpret_cast<const MSG*>(lparam)->message == WM_APP + 33)
    g_done_at = now_s();
  return CallNextHookEx(nullptr, code, wparam, lparam);
}

void print_rates(const char* what, std::vector<double> rates) {
  std::sort(rates.begin(), rates.end());
  std::printf("dialog 106 %s: best %.1f MB/s, median %.1f MB/s\n", what, rates.back(),
              rates[rates.size() / 2]);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: download_throughput.exe URL LOCAL_PATH ROUNDS SIZE\n");
    return 2;
  }
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);
  // The settings file beside this program is its own: no proxy unless one is written there.
  the_settings().set_delete_cache(true);  // every round from the server, never from the URL cache
  the_settings().load_settings();
  download_job job;
  job.urls.push_back(argv[1]);
  job.local_paths.push_back(argv[2]);
  job.sizes.push_back(std::strtoul(argv[4], nullptr, 10));
  SetWindowsHookExA(WH_CALLWNDPROC, watch_sent, nullptr, GetCurrentThreadId());
  SetWindowsHookExA(WH_GETMESSAGE, watch_posted, nullptr, GetCurrentThreadId());
  std::vector<double> rates, dialog_rates;
  for (int round = 1; round <= std::max(1, std::atoi(argv[3])); ++round) {
    DeleteFileA(argv[2]);
    g_title_at = g_done_at = 0;
    const double start = now_s();
    const int result = run_download(nullptr, job);
    const double seconds = now_s() - start;
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    GetFileAttributesExA(argv[2], GetFileExInfoStandard, &data);
    const double bytes = static_cast<double>(data.nFileSizeHigh) * 4294967296.0 + data.nFileSizeLow;
    if (result != 0 || bytes == 0 || g_done_at <= g_title_at) {
      std::printf("round %d: result %d, %.0f bytes\n", round, result, bytes);
      return 1;
    }
    rates.push_back(bytes / 1e6 / (g_done_at - g_title_at));
    dialog_rates.push_back(bytes / 1e6 / seconds);
    std::printf(
        "round %d: %.0f bytes, transfer %.2f s (%.1f MB/s), whole dialog %.2f s (%.1f MB/s)\n",
        round, bytes, g_done_at - g_title_at, rates.back(), seconds, dialog_rates.back());
    std::fflush(stdout);
  }
  print_rates("transfer", rates);
  print_rates("whole", dialog_rates);
  return 0;
}

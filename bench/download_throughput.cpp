// Throughput of dialog 106's download path (URLDownloadToFileA with the progress
// callback moving the bar and the status line, the cache entry removed first, as
// with delete_cache) for one large file, round after
// round; tools/testservers/bench_download.sh runs it beside curl against the same
// loopback server. Needs a display (tools/wine-session.sh gives one). Not a test.
//
//   download_throughput.exe URL LOCAL_PATH ROUNDS SIZE
//
// SIZE is the expected size, as the file-selection page hands it over.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "download/download_dialog.h"
#include "state/install_settings.h"

namespace {

double now_s() {
  LARGE_INTEGER frequency, count;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&count);
  return static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Seen on the dialog's thread: when the worker set the caption (right before
// URLDownloadToFileA) and when its report that it is done arrived (worker_dialog
// posts WM_APP + 33 once work() has returned): the download without the opening
// and closing of the window, which under Wine without a window manager costs
// about two seconds.
double g_title_at = 0;
double g_done_at = 0;
LRESULT CALLBACK watch_sent(int code, WPARAM wparam, LPARAM lparam) {
  const CWPSTRUCT* call = reinterpret_cast<const CWPSTRUCT*>(lparam);
  if (code == HC_ACTION && call->message == msg_progress_title) g_title_at = now_s();
  return CallNextHookEx(nullptr, code, wparam, lparam);
}
LRESULT CALLBACK watch_posted(int code, WPARAM wparam, LPARAM lparam) {
  const MSG* message = reinterpret_cast<const MSG*>(lparam);
  if (code == HC_ACTION && wparam == PM_REMOVE && message->message == WM_APP + 33)
    g_done_at = now_s();
  return CallNextHookEx(nullptr, code, wparam, lparam);
}

double file_bytes(const char* path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return 0;
  return static_cast<double>(data.nFileSizeHigh) * 4294967296.0 + data.nFileSizeLow;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: download_throughput.exe URL LOCAL_PATH ROUNDS SIZE\n");
    return 2;
  }
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);
  install_settings& settings = the_settings();
  settings.set_proxy("");
  settings.set_port(0);
  // Every round from the server, never from the URL cache.
  settings.set_delete_cache(true);
  settings.load_settings();

  download_job job;
  job.urls.push_back(argv[1]);
  job.local_paths.push_back(argv[2]);
  job.sizes.push_back(std::strtoul(argv[4], nullptr, 10));
  SetWindowsHookExA(WH_CALLWNDPROC, watch_sent, nullptr, GetCurrentThreadId());
  SetWindowsHookExA(WH_GETMESSAGE, watch_posted, nullptr, GetCurrentThreadId());
  std::vector<double> rates, dialog_rates;
  for (int round = 0; round < std::max(1, std::atoi(argv[3])); ++round) {
    DeleteFileA(argv[2]);
    g_title_at = g_done_at = 0;
    const double start = now_s();
    const int result = run_download(nullptr, job);
    const double seconds = now_s() - start;
    const double bytes = file_bytes(argv[2]);
    if (result != 0 || bytes == 0 || g_done_at <= g_title_at) {
      std::printf("round %d: result %d, %.0f bytes\n", round + 1, result, bytes);
      return 1;
    }
    const double transfer = g_done_at - g_title_at;
    rates.push_back(bytes / 1e6 / transfer);
    dialog_rates.push_back(bytes / 1e6 / seconds);
    std::printf(
        "round %d: %.0f bytes, transfer %.2f s (%.1f MB/s), whole dialog %.2f s (%.1f MB/s)\n",
        round + 1, bytes, transfer, rates.back(), seconds, dialog_rates.back());
    std::fflush(stdout);
  }
  std::sort(rates.begin(), rates.end());
  std::sort(dialog_rates.begin(), dialog_rates.end());
  std::printf("dialog 106 transfer: best %.1f MB/s, median %.1f MB/s\n", rates.back(),
              rates[rates.size() / 2]);
  std::printf("dialog 106 whole: best %.1f MB/s, median %.1f MB/s\n", dialog_rates.back(),
              dialog_rates[dialog_rates.size() / 2]);
  return 0;
}

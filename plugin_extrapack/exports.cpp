// The plug-in's exports (plugins/plugin_interface.h) and its load and unload.
#include <windows.h>

#include <memory>

#include "archive/unzip.h"
#include "plugin_extrapack/info_dialog.h"
#include "plugin_extrapack/package_fetcher.h"
#include "plugin_extrapack/package_install.h"
#include "plugin_extrapack/plugin_settings.h"
#include "plugins/plugin_interface.h"
#include "regex/szrex.h"
#include "support/own_module.h"

#define PLUGIN_EXPORT extern "C" __declspec(dllexport)

namespace {

plugin_settings g_settings;
std::unique_ptr<package_fetcher> g_fetcher;
bool g_engine_started = false;
// The one entry GetDownloadData hands out; valid until its next call.
download_entry g_entry;

void log_unzip_line(const wklib::string& line) { g_settings.append_log(line); }

}  // namespace

PLUGIN_EXPORT const char* __cdecl SoftName() { return "jsclasses"; }

PLUGIN_EXPORT const char* __cdecl Info() { return "鷹野さんによる日本語用のクラスファイルです．"; }

PLUGIN_EXPORT plugin_bool __cdecl Init(const char* ini_path, const char* log_path) {
  g_settings.set_paths(ini_path, log_path);
  g_settings.write_defaults();
  set_unzip_log(&log_unzip_line);
  // The engine's shared block, opened here rather than under the loader's lock.
  if (!g_engine_started) g_engine_started = SzRexStartup(wklib::own_module()) != 0;
  return 1;
}

PLUGIN_EXPORT download_data __cdecl GetDownloadData(HWND owner) {
  download_data data = {0, 0, nullptr};
  if (g_settings.read_number("Connect", "UseNetwork") == 0) {
    // Offline the host installs from the save directory, where the archive must lie.
    data.ok = 1;
    return data;
  }
  if (!g_fetcher || !run_package_information(g_settings, *g_fetcher, owner)) return data;
  g_entry.url = g_fetcher->archive_url.c_str();
  g_entry.file_name = archive_file_name;
  g_entry.size = static_cast<int>(g_fetcher->archive_size);
  data.ok = 1;
  data.count = 1;
  data.entries = &g_entry;
  return data;
}

PLUGIN_EXPORT plugin_bool __cdecl Install(HWND progress_window) {
  return install_package(g_settings, progress_window) ? 1 : 0;
}

// C linkage in any case: with a mangled name the runtime's default entry point would be linked
// in silently, and the fetcher would never exist.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    g_fetcher.reset(new package_fetcher);
  } else if (reason == DLL_PROCESS_DETACH) {
    g_fetcher.reset();
    if (g_engine_started) SzRexShutdown();
  }
  return TRUE;
}

/* A plug-in in plain C for the host's tests, in variants by definitions (CMakeLists).
 * It answers from its section of the settings file handed to Init: ok (default 1),
 * count (default 0) of the entries below, install (default 1); each call appends
 * "<name> <call> <window>" to the log handed to Init. */
#include <stdio.h>
#include <string.h>

#include "plugins/plugin_interface.h"

#define EXPORT __declspec(dllexport)

static char g_ini[4096], g_log[4096];
/* Good entries around ones without a URL or a file name, which the host skips. */
static const download_entry g_entries[] = {
    {"http://h/a.zip", "a.zip", 10}, {"", "b.zip", 20}, {NULL, "n.zip", 25},
    {"http://h/c.zip", "c.zip", 30}, {"http://h/d.zip", "", 40}};

static void note(const char* call, const void* window) {
  FILE* log = fopen(g_log, "a");
  if (!log) return;
  fprintf(log, "%s %s %lu\n", FIXTURE_NAME, call, (unsigned long)(ULONG_PTR)window);
  fclose(log);
}

static int number(const char* key, int fallback) {
  return (int)GetPrivateProfileIntA(FIXTURE_NAME, key, fallback, g_ini);
}

EXPORT const char* __cdecl SoftName(void) { return FIXTURE_NAME; }
EXPORT const char* __cdecl Info(void) { return "fixture " FIXTURE_NAME; }
#ifndef FIXTURE_NO_SET
EXPORT void __cdecl Set(HWND owner) { note("Set", owner); }
#endif

#ifndef FIXTURE_NO_INIT
EXPORT plugin_bool __cdecl Init(const char* ini_path, const char* log_path) {
  lstrcpynA(g_ini, ini_path, sizeof g_ini);
  lstrcpynA(g_log, log_path, sizeof g_log);
  note("Init", 0);
#ifdef FIXTURE_INIT_FAILS
  return 0;
#else
  return 1;
#endif
}
#endif

EXPORT download_data __cdecl GetDownloadData(HWND owner) {
  download_data data;
  /* Padding that is not zero: the host must look at the one byte of ok only. */
  memset(&data, 0xA5, sizeof data);
  note("GetDownloadData", owner);
  data.ok = (plugin_bool)number("ok", 1);
  data.count = number("count", 0);
  data.entries = g_entries; /* also with a count of 0, which adds nothing */
  return data;
}

EXPORT plugin_bool __cdecl Install(HWND progress_window) {
  note("Install", progress_window);
  return (plugin_bool)number("install", 1);
}

/* The calling interface between tamari3 and its plug-ins: shared libraries in
 * the directory "plugin" beside the program. Plain C, so that a plug-in written
 * in C includes the very same declarations as the host.
 *
 * Every export is cdecl with its undecorated name; texts are NUL-terminated
 * Shift_JIS; a bool is one byte, of which only that byte counts. Everything a
 * plug-in returns stays the plug-in's and must stay valid until the host's next
 * call into it; the host copies what it keeps and never frees it.
 *
 *   const char* Info(void);                   required
 *   const char* SoftName(void);               required
 *   void Set(HWND owner);                     optional: the plug-in's settings dialog
 *   plugin_bool Init(const char* ini_path, const char* log_path);   required, once
 *   download_data GetDownloadData(HWND owner);                      required
 *   plugin_bool Install(HWND progress_window);                      required
 *
 * download_data is returned by value: 12 bytes, so the caller passes the address
 * of a result area as a hidden first argument, the callee fills it and returns
 * that address, and the caller removes all arguments, the hidden one included
 * (the convention of 32-bit Windows compilers). */
#pragma once

#include <windows.h>

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef unsigned char plugin_bool;

typedef struct download_entry {
  const char* url;       /* full URL; empty: the host skips the entry */
  const char* file_name; /* saved under this name in the save directory; empty: skipped */
  int size;              /* bytes, for the download progress */
} download_entry;

typedef struct download_data {
  plugin_bool ok; /* false: the plug-in cannot go on, the host stays on its page */
  int count;      /* entries; 0 or less adds nothing */
  const download_entry* entries;
} download_data;

typedef const char*(__cdecl* plugin_text_function)(void);
typedef void(__cdecl* plugin_set_function)(HWND owner);
typedef plugin_bool(__cdecl* plugin_init_function)(const char* ini_path, const char* log_path);
typedef download_data(__cdecl* plugin_download_function)(HWND owner);
typedef plugin_bool(__cdecl* plugin_install_function)(HWND progress_window);

/* Sent by Install to the window it was given: wParam 0, lParam a Shift_JIS text
 * that the host's installation dialog appends to its running text. */
enum plugin_progress_message { msg_progress_append = 0x8039 };

#ifdef __cplusplus
}
#define PLUGIN_LAYOUT_CHECK(condition, what) static_assert(condition, what)
#else
#define PLUGIN_LAYOUT_CHECK(condition, what) _Static_assert(condition, what)
#endif

/* The records cross between separately built modules: their layout is fixed. */
PLUGIN_LAYOUT_CHECK(sizeof(plugin_bool) == 1, "a plug-in bool is one byte");
PLUGIN_LAYOUT_CHECK(sizeof(download_entry) == 12, "download_entry is 12 bytes");
PLUGIN_LAYOUT_CHECK(offsetof(download_entry, url) == 0, "download_entry.url at 0");
PLUGIN_LAYOUT_CHECK(offsetof(download_entry, file_name) == 4, "download_entry.file_name at 4");
PLUGIN_LAYOUT_CHECK(offsetof(download_entry, size) == 8, "download_entry.size at 8");
PLUGIN_LAYOUT_CHECK(sizeof(download_data) == 12, "download_data is 12 bytes");
PLUGIN_LAYOUT_CHECK(offsetof(download_data, ok) == 0, "download_data.ok at 0");
PLUGIN_LAYOUT_CHECK(offsetof(download_data, count) == 4, "download_data.count at 4");
PLUGIN_LAYOUT_CHECK(offsetof(download_data, entries) == 8, "download_data.entries at 8");

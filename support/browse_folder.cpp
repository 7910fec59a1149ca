#include "support/browse_folder.h"

#include "support/dialog.h"

#include <objbase.h>
#include <shlobj.h>
#include <commctrl.h>

namespace wklib {

namespace {

bool has_selection(HWND browser) {
  HWND tree = FindWindowExA(browser, nullptr, WC_TREEVIEWA, nullptr);
  return !tree || SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0) != 0;
}

int CALLBACK browse_callback(HWND window, UINT message, LPARAM, LPARAM data) {
  const char* start = reinterpret_cast<const char*>(data);
  if (message != BFFM_INITIALIZED || !start || !*start) return 0;
  SendMessageA(window, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(start));
  // Wine's browser now and then expands the way to the folder without
  // selecting it; asked a second time, it does.
  if (!has_selection(window))
    SendMessageA(window, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(start));
  return 0;
}

// The installer keeps directories with a trailing backslash; the browser wants
// the folder itself, except for a drive root.
string folder_of(const char* directory) {
  string folder(directory);
  int length = folder.length();
  if (length > 3 && folder.back() == '\\' && !is_trail_position(folder.c_str(), length - 1))
    folder.erase(length - 1);
  return folder;
}

}  // namespace

bool browse_folder(HWND owner, string& result, const char* title, const char* start_directory) {
  // The browser's shell objects need COM on this thread; a thread that already
  // has it in another mode works as it is.
  HRESULT com = CoInitialize(nullptr);

  string start = folder_of(start_directory);
  char display_name[MAX_PATH] = "";
  BROWSEINFOA info = {};
  info.hwndOwner = owner;
  info.pszDisplayName = display_name;
  info.lpszTitle = title;
  info.ulFlags = BIF_RETURNONLYFSDIRS;
  info.lpfn = &browse_callback;
  info.lParam = reinterpret_cast<LPARAM>(start.c_str());

  bool chosen = false;
  LPITEMIDLIST item = SHBrowseForFolderA(&info);
  if (item) {
    char path[MAX_PATH] = "";
    if (SHGetPathFromIDListA(item, path) && path[0]) {
      result = path;
      chosen = true;
    }
    CoTaskMemFree(item);
  }
  if (SUCCEEDED(com)) CoUninitialize();
  return chosen;
}

// Here rather than beside the other dialog members, so that a module whose
// dialogs never browse (the plug-in) does not carry the shell's folder browser.
bool dialog::browse_folder(string& result, const char* title, const char* start_directory) const {
  return wklib::browse_folder(window(), result, title, start_directory);
}

}  // namespace wklib

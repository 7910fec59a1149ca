#include "system/shortcut.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <vector>

bool create_shortcut(const wklib::string& target, const wklib::string& arguments,
                     const wklib::string& working_directory, const wklib::string& link_path) {
  HRESULT com = CoInitialize(nullptr);
  // A thread already in the multi-threaded apartment can still make the link;
  // only a successful (or repeated) initialisation is undone.
  bool undo_com = SUCCEEDED(com);

  IShellLinkA* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              reinterpret_cast<void**>(&link))) ||
      !link) {
    if (undo_com) CoUninitialize();
    return false;
  }
  link->SetPath(target.c_str());
  link->SetArguments(arguments.c_str());
  link->SetWorkingDirectory(working_directory.c_str());
  link->SetShowCmd(SW_SHOWDEFAULT);

  IPersistFile* file = nullptr;
  if (FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) || !file) {
    link->Release();
    if (undo_com) CoUninitialize();
    return false;
  }
  bool saved = false;
  int wide_length = MultiByteToWideChar(CP_ACP, 0, link_path.c_str(), -1, nullptr, 0);
  if (wide_length > 0) {
    std::vector<wchar_t> wide(static_cast<size_t>(wide_length));
    if (MultiByteToWideChar(CP_ACP, 0, link_path.c_str(), -1, wide.data(), wide_length) > 0)
      saved = SUCCEEDED(file->Save(wide.data(), TRUE));
  }
  file->Release();
  link->Release();
  if (undo_com) CoUninitialize();
  return saved;
}

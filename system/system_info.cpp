#include "system/system_info.h"

#include <windows.h>

#include <vector>

bool is_nt_family() {
  OSVERSIONINFOA version = {};
  version.dwOSVersionInfoSize = sizeof version;
  if (!GetVersionExA(&version)) return false;
  return version.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

namespace {

// GetEnvironmentVariableA as Wine implements it counts characters, not bytes,
// and so cuts a value with double-byte characters short. The wide variable,
// converted to the ANSI code page, gives the bytes Windows itself would.
bool get_env_wide(const char* name, wklib::string& value) {
  int name_length = MultiByteToWideChar(CP_ACP, 0, name, -1, nullptr, 0);
  if (name_length <= 0) return false;
  std::vector<wchar_t> wide_name(static_cast<size_t>(name_length));
  MultiByteToWideChar(CP_ACP, 0, name, -1, wide_name.data(), name_length);
  SetLastError(ERROR_SUCCESS);
  DWORD size = GetEnvironmentVariableW(wide_name.data(), nullptr, 0);
  if (size == 0) {
    // Windows 9x has no wide version; everything else means "not set".
    if (GetLastError() == ERROR_CALL_NOT_IMPLEMENTED) return false;
    value = wklib::string();
    return true;
  }
  // The variable may grow between the calls; a few tries, then give up.
  for (int attempt = 0; attempt < 4; ++attempt) {
    std::vector<wchar_t> wide(size);
    DWORD written = GetEnvironmentVariableW(wide_name.data(), wide.data(), size);
    if (written == 0) {
      value = wklib::string();
      return true;
    }
    if (written < size) {
      int bytes = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(written), nullptr, 0,
                                      nullptr, nullptr);
      char* buffer = value.buffer(bytes);
      WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(written), buffer, bytes, nullptr,
                          nullptr);
      value.set_length(bytes);
      return true;
    }
    size = written;
  }
  value = wklib::string();
  return true;
}

}  // namespace

wklib::string get_env(const char* name) {
  wklib::string value;
  if (!name) return value;
  if (get_env_wide(name, value)) return value;
  DWORD size = GetEnvironmentVariableA(name, nullptr, 0);
  for (int attempt = 0; size > 0 && attempt < 4; ++attempt) {
    char* buffer = value.buffer(static_cast<int>(size));
    DWORD written = GetEnvironmentVariableA(name, buffer, size);
    if (written < size) {
      value.set_length(static_cast<int>(written));
      return value;
    }
    size = written;
  }
  return wklib::string();
}

wklib::string windir_with_slashes() {
  wklib::string windir = get_env("windir");
  // Only backslashes that stand alone: 表 is 0x95 0x5C.
  windir.replace_all("\\", "/");
  return windir;
}

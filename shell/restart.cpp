#include "shell/restart.h"

#include <windows.h>

#include "system/system_info.h"

int restart_windows(bool force) {
  if (is_nt_family()) {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
      return -1;
    TOKEN_PRIVILEGES privileges = {};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &privileges.Privileges[0].Luid);
    AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
    // AdjustTokenPrivileges succeeds even when it enabled nothing; only the last
    // error tells (ERROR_NOT_ALL_ASSIGNED).
    DWORD error = GetLastError();
    CloseHandle(token);
    if (error != 0) return -1;
  }
  UINT flags = force ? EWX_REBOOT | EWX_FORCE : EWX_REBOOT;
  if (ExitWindowsEx(flags, 0)) return 0;
  return static_cast<int>(GetLastError());
}

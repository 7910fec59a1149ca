// Small pieces shared by the two WinInet clients.
#pragma once

#include <windows.h>
#include <wininet.h>

// The proxy record of INTERNET_OPTION_PROXY with narrow texts, whatever UNICODE says;
// 12 bytes in the 32-bit program.
struct narrow_proxy_info {
  DWORD access_type;
  const char* proxy;
  const char* bypass;
};

// Closes `handle` when it is set and forgets it.
inline void close_internet_handle(HINTERNET& handle) {
  if (handle) {
    InternetCloseHandle(handle);
    handle = nullptr;
  }
}

// Points a root handle at an HTTP proxy ("host:port"); names without a dot go direct.
inline bool set_root_proxy(HINTERNET root, const char* proxy_text) {
  if (!root) return false;
  narrow_proxy_info info = {INTERNET_OPEN_TYPE_PROXY, proxy_text, "<local>"};
  return InternetSetOptionA(root, INTERNET_OPTION_PROXY, &info, sizeof info) != FALSE;
}

inline bool set_receive_timeout(HINTERNET handle, DWORD milliseconds) {
  return InternetSetOptionA(handle, INTERNET_OPTION_RECEIVE_TIMEOUT, &milliseconds,
                            sizeof milliseconds) != FALSE;
}

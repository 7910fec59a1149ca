// page_client: the plug-in's own HTTP access over WinInet, with the system's
// proxy settings, port 80 and a 20-second receive time-out. One request is open
// at a time; opening the next closes it.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <vector>

#include "support/string.h"

class page_client {
 public:
  static const DWORD receive_timeout_ms = 20000;
  // Bytes per read of the body.
  static const int read_size = 4095;

  page_client() = default;
  ~page_client() { close(); }
  page_client(const page_client&) = delete;
  page_client& operator=(const page_client&) = delete;

  // Makes the root handle (agent "tamari3") and connects to `host`.
  bool connect(const wklib::string& host);
  // Sends `verb` for `object` (a "/" is put in front when it has none).
  bool send(const char* verb, const wklib::string& object);
  // The answer's status code; 400 when it cannot be read.
  int status() const;
  // Appends the whole body to `body`; false when a read fails.
  bool read_body(std::vector<char>& body);
  // Content-Length of the answer; 0 when it is missing.
  DWORD content_length() const;
  // Request, connection, then root.
  void close();

 private:
  HINTERNET root_ = nullptr;
  HINTERNET connection_ = nullptr;
  HINTERNET request_ = nullptr;
  wklib::string host_;
};

// True for a status whose hundreds are 4 or 5.
inline bool is_failure_status(int code) { return code / 100 == 4 || code / 100 == 5; }

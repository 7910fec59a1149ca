// http_client: the catalogue's HTTP access to a mirror over WinInet. Object names
// are handed to WinInet as they are; every status outside 4xx and 5xx counts as
// success (WinInet itself follows redirections). Remote times come back as local
// time. One object lives for one catalogue step on the worker thread.
//
// One HEAD answer carries both the length and the time of an object: the answers
// of a connection are kept, so head_size and head_time of the same object cost
// one request between them.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <cstdint>
#include <vector>

#include "support/string.h"

class http_client {
 public:
  // Set on the root handle and the connection after each successful connect.
  static const DWORD receive_timeout_ms = 7000;
  // Bytes per read of get_to_file.
  static const int file_chunk = 1023;
  // Off only in the benchmark that measures what the kept answers save: every
  // size and time is then a HEAD of its own.
  static bool keep_answers;

  http_client() = default;
  ~http_client() { close(); }
  http_client(const http_client&) = delete;
  http_client& operator=(const http_client&) = delete;

  // Makes the root handle (agent "tamari3", direct access), closing an earlier one.
  bool open();
  // Routes requests through an HTTP proxy ("host:port"); local names go direct.
  bool set_proxy(const wklib::string& proxy_text);
  // Port 80; nothing is sent yet.
  bool connect(const wklib::string& host);

  // Last-Modified of `object` as local time; false when the request fails or the
  // header is missing.
  bool head_time(const wklib::string& object, FILETIME& time);
  // The same in UTC, as the server sent it.
  bool head_time_utc(const wklib::string& object, FILETIME& time);
  // Content-Length of `object`; 0 when the request fails or the header is missing.
  std::uint32_t head_size(const wklib::string& object);
  // Fetches `object` into `local`. The local file is made (or emptied) first and
  // stays behind empty when the request fails. False as well when a read or a write
  // fails part-way, so that a cut transfer is never taken for a whole file.
  bool get_to_file(const wklib::string& object, const wklib::string& local);

  // Starts a GET whose body is then read with read_chunk.
  bool open_get(const wklib::string& object);
  // Bytes read into `buffer` (at most `size`); 0 at the end of the body or on failure.
  int read_chunk(char* buffer, int size);
  // Whether the last read_chunk failed rather than reached the end of the body.
  bool read_failed() const { return read_failed_; }
  bool close_request();
  bool close_connection();
  // Request, connection, then root.
  bool close();

  bool is_open() const { return root_ != nullptr; }
  bool is_connected() const { return connection_ != nullptr; }

 private:
  struct head_answer {
    wklib::string object;
    bool has_size;
    std::uint32_t size;
    bool has_time;
    FILETIME time;  // UTC
  };
  // The answer to a HEAD of `object`: a kept one, or a new request.
  const head_answer& head(const wklib::string& object);
  // Opens and sends a request; the handle when the answer's status is not 4xx or 5xx,
  // else null (the handle is closed).
  HINTERNET send_request(const char* verb, const wklib::string& object);

  HINTERNET root_ = nullptr;
  HINTERNET connection_ = nullptr;
  HINTERNET request_ = nullptr;
  bool read_failed_ = false;
  std::vector<head_answer> heads_;  // of the current connection
};

// The status rule of every request: a readable status whose hundreds are not 4 or 5.
bool http_status_succeeds(const char* status_text);

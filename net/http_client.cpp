#include "net/http_client.h"

#include <cstdlib>

#include "net/internet_handle.h"

bool http_client::keep_answers = true;

bool http_status_succeeds(const char* status_text) {
  const int code = std::atoi(status_text);
  return code / 100 != 4 && code / 100 != 5;
}

bool http_client::open() {
  close();
  root_ = InternetOpenA("tamari3", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
  return root_ != nullptr;
}

bool http_client::set_proxy(const wklib::string& proxy_text) {
  if (set_root_proxy(root_, proxy_text.c_str())) return true;
  // Some WinInet implementations (Wine's) take a proxy only when the root handle is
  // made. Before any connection exists, making it anew with the proxy is the same.
  if (!root_ || connection_ || proxy_text.empty()) return false;
  HINTERNET proxied =
      InternetOpenA("tamari3", INTERNET_OPEN_TYPE_PROXY, proxy_text.c_str(), "<local>", 0);
  if (!proxied) return false;
  close_internet_handle(root_);
  root_ = proxied;
  return true;
}

bool http_client::connect(const wklib::string& host) {
  if (!root_) return false;
  close_connection();
  connection_ = InternetConnectA(root_, host.c_str(), INTERNET_INVALID_PORT_NUMBER, nullptr,
                                 nullptr, INTERNET_SERVICE_HTTP, 0, 0);
  if (!connection_) return false;
  set_receive_timeout(root_, receive_timeout_ms);
  // Requests take their time-outs from the connection they are made on, and the
  // connection was made before the root's time-out changed: set it there too, so
  // that a stalled server cannot hold the worker for ever.
  set_receive_timeout(connection_, receive_timeout_ms);
  return true;
}

HINTERNET http_client::send_request(const char* verb, const wklib::string& object) {
  if (!connection_) return nullptr;
  // Mirror paths carry no leading "/"; not every WinInet adds it to the request line.
  const wklib::string path = (object.empty() || object[0] != '/') ? "/" + object : object;
  HINTERNET request =
      HttpOpenRequestA(connection_, verb, path.c_str(), nullptr, nullptr, nullptr, 0, 0);
  if (!request) return nullptr;
  if (!HttpSendRequestA(request, nullptr, 0, nullptr, 0)) {
    InternetCloseHandle(request);
    return nullptr;
  }
  char status[32] = {};
  DWORD length = sizeof status;
  if (!HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE, status, &length, nullptr) ||
      !http_status_succeeds(status)) {
    InternetCloseHandle(request);
    return nullptr;
  }
  return request;
}

const http_client::head_answer& http_client::head(const wklib::string& object) {
  for (const head_answer& kept : heads_) {
    if (kept.object == object && keep_answers) return kept;
  }
  head_answer answer = {object, false, 0, false, {0, 0}};
  HINTERNET request = send_request("HEAD", object);
  if (request) {
    DWORD size = 0;
    DWORD length = sizeof size;
    answer.has_size = HttpQueryInfoA(request, HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER,
                                     &size, &length, nullptr) != FALSE;
    answer.size = answer.has_size ? size : 0;
    SYSTEMTIME modified = {};
    length = sizeof modified;
    answer.has_time = HttpQueryInfoA(request, HTTP_QUERY_LAST_MODIFIED | HTTP_QUERY_FLAG_SYSTEMTIME,
                                     &modified, &length, nullptr) &&
                      SystemTimeToFileTime(&modified, &answer.time);
    InternetCloseHandle(request);
  }
  heads_.push_back(answer);
  return heads_.back();
}

bool http_client::head_time_utc(const wklib::string& object, FILETIME& time) {
  const head_answer& answer = head(object);
  if (!answer.has_time) return false;
  time = answer.time;
  return true;
}

bool http_client::head_time(const wklib::string& object, FILETIME& time) {
  FILETIME utc;
  return head_time_utc(object, utc) && FileTimeToLocalFileTime(&utc, &time);
}

std::uint32_t http_client::head_size(const wklib::string& object) { return head(object).size; }

bool http_client::get_to_file(const wklib::string& object, const wklib::string& local) {
  HANDLE file = CreateFileA(local.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  HINTERNET request = send_request("GET", object);
  if (!request) {
    CloseHandle(file);
    return false;
  }
  bool whole = true;
  unsigned long long total = 0;
  char chunk[file_chunk];
  for (;;) {
    DWORD got = 0;
    if (!InternetReadFile(request, chunk, sizeof chunk, &got)) {
      whole = false;
      break;
    }
    if (got == 0) break;
    DWORD written = 0;
    if (!WriteFile(file, chunk, got, &written, nullptr) || written != got) {
      whole = false;
      break;
    }
    total += got;
  }
  // A connection closed early ends the reads as if the body were complete; only
  // the announced length tells the cut file apart.
  DWORD announced = 0;
  DWORD size = sizeof announced;
  if (whole && HttpQueryInfoA(request, HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER,
                              &announced, &size, nullptr))
    whole = total == announced;
  CloseHandle(file);
  InternetCloseHandle(request);
  return whole;
}

bool http_client::open_get(const wklib::string& object) {
  close_request();
  read_failed_ = false;
  request_ = send_request("GET", object);
  return request_ != nullptr;
}

int http_client::read_chunk(char* buffer, int size) {
  read_failed_ = request_ == nullptr;
  if (!request_ || size <= 0) return 0;
  DWORD got = 0;
  if (!InternetReadFile(request_, buffer, static_cast<DWORD>(size), &got)) {
    read_failed_ = true;
    return 0;
  }
  return static_cast<int>(got);
}

bool http_client::close_request() {
  close_internet_handle(request_);
  return true;
}

bool http_client::close_connection() {
  close_internet_handle(request_);
  close_internet_handle(connection_);
  heads_.clear();
  return true;
}

bool http_client::close() {
  close_connection();
  close_internet_handle(root_);
  return true;
}

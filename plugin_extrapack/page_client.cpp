#include "plugin_extrapack/page_client.h"

#include <cstdlib>

namespace {

void close_handle(HINTERNET& handle) {
  if (handle) {
    InternetCloseHandle(handle);
    handle = nullptr;
  }
}

void set_receive_timeout(HINTERNET handle) {
  DWORD milliseconds = page_client::receive_timeout_ms;
  InternetSetOptionA(handle, INTERNET_OPTION_RECEIVE_TIMEOUT, &milliseconds, sizeof milliseconds);
}

}  // namespace

bool page_client::connect(const wklib::string& host) {
  close();
  root_ = InternetOpenA("tamari3", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
  if (!root_) return false;
  connection_ = InternetConnectA(root_, host.c_str(), INTERNET_DEFAULT_HTTP_PORT, nullptr, nullptr,
                                 INTERNET_SERVICE_HTTP, 0, 0);
  if (!connection_) return false;
  host_ = host;
  set_receive_timeout(root_);
  // The connection took its time-outs from the root before they changed, and its
  // requests take theirs from it: without this a stalled server holds the run.
  set_receive_timeout(connection_);
  return true;
}

bool page_client::send(const char* verb, const wklib::string& object) {
  close_handle(request_);
  if (!connection_) return false;
  const wklib::string path = (object.empty() || object[0] != '/') ? "/" + object : object;
  const wklib::string referrer = "http://" + host_ + path;
  request_ = HttpOpenRequestA(connection_, verb, path.c_str(), "HTTP/1.1", referrer.c_str(),
                              nullptr, 0, 0);
  if (!request_) return false;
  if (!HttpSendRequestA(request_, nullptr, 0, nullptr, 0)) {
    close_handle(request_);
    return false;
  }
  return true;
}

int page_client::status() const {
  char text[32] = {};
  DWORD length = sizeof text - 1;
  if (!request_ || !HttpQueryInfoA(request_, HTTP_QUERY_STATUS_CODE, text, &length, nullptr))
    return 400;
  return std::atoi(text);
}

bool page_client::read_body(std::vector<char>& body) {
  if (!request_) return false;
  char chunk[read_size];
  for (;;) {
    DWORD got = 0;
    if (!InternetReadFile(request_, chunk, sizeof chunk, &got)) return false;
    if (got == 0) return true;
    body.insert(body.end(), chunk, chunk + got);
  }
}

DWORD page_client::content_length() const {
  DWORD size = 0;
  DWORD length = sizeof size;
  if (!request_ || !HttpQueryInfoA(request_, HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER,
                                   &size, &length, nullptr))
    return 0;
  return size;
}

void page_client::close() {
  close_handle(request_);
  close_handle(connection_);
  close_handle(root_);
}

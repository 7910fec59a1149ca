#include "net/mirror_url.h"

#include <cstdio>
#include <cstring>

namespace {

bool starts_with(const wklib::string& text, const char* prefix) {
  return std::strncmp(text.c_str(), prefix, std::strlen(prefix)) == 0;
}

}  // namespace

mirror_url_parts split_mirror_url(const wklib::string& url) {
  wklib::string copy =
      url.length() > max_mirror_url_length ? url.substr(0, max_mirror_url_length) : url;
  mirror_url_parts parts;
  int host_start = 0;
  if (starts_with(copy, "ftp://")) {
    parts.mode = mirror_ftp;
    host_start = 6;
  } else if (starts_with(copy, "http://")) {
    parts.mode = mirror_http;
    host_start = 7;
  }
  const int slash = copy.find("/", host_start);
  if (slash < 0) {
    parts.host = copy.substr(host_start);
  } else {
    parts.host = copy.substr(host_start, slash - host_start);
    parts.path = copy.substr(slash + 1);
  }
  return parts;
}

wklib::string make_proxy_text(const wklib::string& proxy, int port) {
  if (proxy.empty() || port == 0) return wklib::string();
  char number[16];
  std::snprintf(number, sizeof number, ":%d", port);
  return proxy + number;
}

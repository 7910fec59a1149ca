// Splitting mirror URLs and forming the proxy text.
#include <gtest/gtest.h>

#include "net/mirror_url.h"

namespace {

TEST(split_mirror_url, table) {
  // Only lower-case "ftp://" and "http://" are schemes; anything else is one FTP
  // host name up to the first "/", which for "FTP://" is the scheme's own slash.
  const struct {
    const char* url;
    int mode;
    const char* host;
    const char* path;
  } cases[] = {
      {"ftp://ftp.example.jp/pub/TeX/win32/", mirror_ftp, "ftp.example.jp", "pub/TeX/win32/"},
      {"http://www.example.org/tex/dviout/", mirror_http, "www.example.org", "tex/dviout/"},
      {"http://www.example.org", mirror_http, "www.example.org", ""},
      {"FTP://ftp.example.jp/pub/", mirror_ftp, "FTP:", "/ftp.example.jp/pub/"},
      {"ftp.example.jp/pub/", mirror_ftp, "ftp.example.jp", "pub/"},
      {"/pub/", mirror_ftp, "", "pub/"},
      {"", mirror_ftp, "", ""},
  };
  for (const auto& e : cases) {
    const mirror_url_parts parts = split_mirror_url(e.url);
    EXPECT_EQ(e.mode, parts.mode) << e.url;
    EXPECT_STREQ(e.host, parts.host.c_str()) << e.url;
    EXPECT_STREQ(e.path, parts.path.c_str()) << e.url;
  }
  // Longer URLs are cut to max_mirror_url_length bytes first.
  wklib::string url("http://h/");
  while (url.length() < 5000) url += "abcdefghij";
  EXPECT_EQ(max_mirror_url_length - 9, split_mirror_url(url).path.length());
}

TEST(make_proxy_text, host_and_port_only_when_both_are_set) {
  EXPECT_STREQ("proxy.example.jp:8080", make_proxy_text("proxy.example.jp", 8080).c_str());
  EXPECT_STREQ("", make_proxy_text("proxy.example.jp", 0).c_str()) << "a port of 0 means no proxy";
  EXPECT_STREQ("", make_proxy_text("", 8080).c_str()) << "an empty host means no proxy";
}

}  // namespace

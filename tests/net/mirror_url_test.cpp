// Splitting mirror URLs and forming the proxy text.
#include <gtest/gtest.h>

#include "net/mirror_url.h"

namespace {

TEST(split_mirror_url, ftp_url_gives_host_and_path_without_leading_slash) {
  const mirror_url_parts parts = split_mirror_url("ftp://ftp.example.jp/pub/TeX/win32/");
  EXPECT_EQ(mirror_ftp, parts.mode);
  EXPECT_STREQ("ftp.example.jp", parts.host.c_str());
  EXPECT_STREQ("pub/TeX/win32/", parts.path.c_str());
}

TEST(split_mirror_url, http_url_gives_host_and_path) {
  const mirror_url_parts parts = split_mirror_url("http://www.example.org/tex/dviout/");
  EXPECT_EQ(mirror_http, parts.mode);
  EXPECT_STREQ("www.example.org", parts.host.c_str());
  EXPECT_STREQ("tex/dviout/", parts.path.c_str());
}

TEST(split_mirror_url, nothing_after_the_host_gives_an_empty_path) {
  mirror_url_parts parts = split_mirror_url("http://www.example.org");
  EXPECT_EQ(mirror_http, parts.mode);
  EXPECT_STREQ("www.example.org", parts.host.c_str());
  EXPECT_TRUE(parts.path.empty()) << "got \"" << parts.path.c_str() << "\"";

  parts = split_mirror_url("ftp://ftp.example.jp/");
  EXPECT_STREQ("ftp.example.jp", parts.host.c_str());
  EXPECT_TRUE(parts.path.empty()) << "got \"" << parts.path.c_str() << "\"";
}

TEST(split_mirror_url, only_lower_case_schemes_count) {
  // Anything else is one FTP host name, scheme and all, up to the first "/" --
  // which for "FTP://" is the first slash of the scheme itself.
  mirror_url_parts parts = split_mirror_url("FTP://ftp.example.jp/pub/");
  EXPECT_EQ(mirror_ftp, parts.mode);
  EXPECT_STREQ("FTP:", parts.host.c_str());
  EXPECT_STREQ("/ftp.example.jp/pub/", parts.path.c_str());

  parts = split_mirror_url("HTTP://www.example.org/x/");
  EXPECT_EQ(mirror_ftp, parts.mode);
  EXPECT_STREQ("HTTP:", parts.host.c_str());

  parts = split_mirror_url("https://www.example.org/x/");
  EXPECT_EQ(mirror_ftp, parts.mode);
  EXPECT_STREQ("https:", parts.host.c_str());

  parts = split_mirror_url("ftp.example.jp/pub/");
  EXPECT_EQ(mirror_ftp, parts.mode);
  EXPECT_STREQ("ftp.example.jp", parts.host.c_str());
  EXPECT_STREQ("pub/", parts.path.c_str());
}

TEST(split_mirror_url, a_port_stays_in_the_host_name) {
  const mirror_url_parts parts = split_mirror_url("http://www.example.org:8080/tex/");
  EXPECT_STREQ("www.example.org:8080", parts.host.c_str());
  EXPECT_STREQ("tex/", parts.path.c_str());
}

TEST(split_mirror_url, empty_url_is_an_empty_ftp_host) {
  const mirror_url_parts parts = split_mirror_url("");
  EXPECT_EQ(mirror_ftp, parts.mode);
  EXPECT_TRUE(parts.host.empty());
  EXPECT_TRUE(parts.path.empty());
}

TEST(split_mirror_url, long_urls_are_cut_to_4095_bytes) {
  wklib::string url("http://h/");
  while (url.length() < 5000) url += "abcdefghij";
  const mirror_url_parts parts = split_mirror_url(url);
  EXPECT_EQ(max_mirror_url_length - 9, parts.path.length());
}

TEST(make_proxy_text, host_and_port_only_when_both_are_set) {
  EXPECT_STREQ("proxy.example.jp:8080", make_proxy_text("proxy.example.jp", 8080).c_str());
  EXPECT_STREQ("", make_proxy_text("proxy.example.jp", 0).c_str()) << "a port of 0 means no proxy";
  EXPECT_STREQ("", make_proxy_text("", 8080).c_str()) << "an empty host means no proxy";
  EXPECT_STREQ("", make_proxy_text("", 0).c_str());
}

}  // namespace

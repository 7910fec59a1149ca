// The plug-in's text rules: EUC-JP to Shift_JIS (natively also against glibc's
// iconv for all of JIS X 0208), the archive link, and the page URL.
#include <gtest/gtest.h>

#include <string>

#include "plugin_extrapack/euc_to_sjis.h"
#include "plugin_extrapack/package_page.h"

#if TAMARI_NATIVE
#include <iconv.h>
#endif

namespace {

// Two-byte characters are compared with iconv below.
TEST(euc_to_sjis, converts_line_ends_single_shifts_and_zero_bytes) {
  struct conversion_case {
    std::string euc;
    bool expected_ok;
    std::string expected;
  };
  const conversion_case cases[] = {
      {"a\rb\nc\r\nd\n\re", true, "a\nb\nc\nd\n\ne"},
      {"\x8E\xB1\x8E\xDF", true, "\xB1\xDF"},          // half-width katakana
      {"\x8F\xB0\xA1", true, "\x88\x9F"},              // supplementary set: row and cell kept
      {std::string("x\0y", 3), true, "xy"},            // NUL bytes vanish
      {"ab\xC6", false, ""},                           // ends in a first byte
      {"ab\x8F\xB0", false, ""},                       // the same after a single shift 3
      {"ab\x8E", true, "ab"},                          // a single shift at the end
      {"a\x8E\r\nb", true, "a\nb"},                    // or before a line end
      {"", true, ""},
  };
  for (const conversion_case& c : cases) {
    wklib::string out = "old";
    EXPECT_EQ(c.expected_ok, euc_to_sjis(c.euc.data(), static_cast<int>(c.euc.size()), out))
        << "input of " << c.euc.size() << " bytes";
    EXPECT_EQ(c.expected, std::string(out.c_str(), out.length()));
  }
}

#if TAMARI_NATIVE
TEST(euc_to_sjis, agrees_with_iconv_on_every_character_of_jis_x_0208) {
  iconv_t to_cp932 = iconv_open("CP932", "EUC-JP");
  ASSERT_NE(reinterpret_cast<iconv_t>(-1), to_cp932);
  int compared = 0;
  for (int first = 0xA1; first <= 0xFE; ++first) {
    for (int second = 0xA1; second <= 0xFE; ++second) {
      char euc[2] = {static_cast<char>(first), static_cast<char>(second)};
      char expected[8];
      char* in = euc;
      char* to = expected;
      size_t in_left = 2, out_left = sizeof expected;
      iconv(to_cp932, nullptr, nullptr, nullptr, nullptr);
      if (iconv(to_cp932, &in, &in_left, &to, &out_left) == static_cast<size_t>(-1)) continue;
      ++compared;  // a character of the set
      wklib::string ours;
      ASSERT_TRUE(euc_to_sjis(euc, 2, ours));
      ASSERT_EQ(std::string(expected, to), std::string(ours.c_str(), ours.length()))
          << std::hex << "EUC " << first << " " << second;
    }
  }
  iconv_close(to_cp932);
  EXPECT_EQ(6879, compared) << "JIS X 0208 has 6879 characters";
}
#endif

// The archive link as the page writes it; the first of two links and one in capitals are
// extrapack_test's.
TEST(package_page, takes_the_first_archive_link_written_as_the_page_writes_it) {
  const struct {
    const char* page;
    const char* expected;  // null: not found
  } cases[] = {
      {"<p>新版</p>\n<a href=\"jsclasses-1.zip\">jsclasses-1.zip</a>\n", "jsclasses-1.zip"},
      {"<a class=\"x\" href=\"jsclasses-1.zip\">jsclasses-1.zip</a>", nullptr},
      {"<a href=\"jsclasses-1.tar.gz\">jsclasses-1.tar.gz</a>", nullptr},
  };
  for (const auto& c : cases) {
    wklib::string name = "none";
    EXPECT_EQ(c.expected != nullptr, find_package_link(c.page, name)) << c.page;
    EXPECT_EQ(c.expected ? c.expected : "none", std::string(name.c_str())) << c.page;
  }
}

// Whether the URL is taken, then "split? host object"; "HTTP://" and a URL without a path are
// extrapack_test's.
TEST(package_page, splits_http_urls_only_when_a_path_follows_the_host) {
  const struct {
    const char* url;
    bool http;
    const char* split;
  } cases[] = {
      {"http://example.org/~a/jsclasses/", true, "1 example.org /~a/jsclasses/"},
      {"http:/example.org/x/", false, "1 xample.org /x/"},  // refused before any split
      {"http:///x", true, "0  "},
      {"http:/", false, "0  "},
  };
  for (const auto& c : cases) {
    wklib::string host, object;
    EXPECT_EQ(c.http, is_http_url(c.url)) << c.url;
    const bool split = split_url(c.url, host, object);
    EXPECT_EQ(c.split, std::to_string(split) + " " + host.c_str() + " " + object.c_str()) << c.url;
  }
}

}  // namespace

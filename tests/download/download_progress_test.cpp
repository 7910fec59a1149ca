// The file name, the status line and the bar position of the downloader at their
// edges; an ordinary name, status line and position are the dialog test's.
#include <gtest/gtest.h>

#include "download/download_progress.h"

namespace {

TEST(download_progress, texts_and_positions) {
  EXPECT_STREQ("", current_file_name("http://h/pub/").c_str());
  EXPECT_STREQ("plain", current_file_name("plain").c_str());
  EXPECT_STREQ("x : 3000000000/4000000000", progress_status("x", 3000000000u, 4000000000u).c_str())
      << "sizes past 2 GB stay unsigned";
  struct case_t {
    std::uint32_t bytes, expected;
    int position;
  } const cases[] = {{0, 100, 0}, {1, 3, 10922}, {100, 100, 32768}, {200, 100, 65536}, {7, 0, 0},
                     {0xFFFFFFFFu, 1, 2147483647}};
  for (const case_t& c : cases)
    EXPECT_EQ(c.position, progress_position(c.bytes, c.expected)) << c.bytes << "/" << c.expected;
}

}  // namespace

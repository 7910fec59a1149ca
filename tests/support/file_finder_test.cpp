// wklib::file_finder and file_size against Wine's file system.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/file_finder.h"
#include "tests/common/scratch.h"

namespace {

// The rest of the open search's names, sorted.
std::vector<std::string> names(wklib::file_finder& finder) {
  std::vector<std::string> out;
  WIN32_FIND_DATAA record;
  while (finder.find_next(record)) out.push_back(record.cFileName);
  std::sort(out.begin(), out.end());
  return out;
}

// The listing itself is seen by the offline catalogue's test (tests/catalogue);
// here what it cannot see: the dot entries, and one search at a time.
TEST(file_finder, skips_the_dot_entries_and_keeps_one_search_open) {
  scratch_directory scratch("finder");
  ASSERT_TRUE(CreateDirectoryA((scratch / "empty").c_str(), nullptr));
  for (const char* name : {"a.txt", "表.zip"}) ASSERT_TRUE(write_file(scratch / name, "abc"));
  wklib::file_finder finder;
  ASSERT_TRUE(finder.find_first((scratch / "*").c_str()));
  EXPECT_FALSE(finder.find_first((scratch / "*.txt").c_str())) << "a second search";
  EXPECT_EQ((std::vector<std::string>{"a.txt", "empty", "表.zip"}), names(finder))
      << "the open search goes on";
  WIN32_FIND_DATAA record;
  EXPECT_FALSE(finder.find_next(record)) << "the list is exhausted";
  finder.close();
  EXPECT_FALSE(finder.find_next(record)) << "no search is open";
  // Nothing but "." and ".." opens nothing.
  for (const char* pattern : {"empty\\*", "*.none"}) {
    EXPECT_FALSE(finder.find_first((scratch / pattern).c_str())) << pattern;
    EXPECT_FALSE(finder.is_open()) << pattern;
  }
}

TEST(file_finder, file_size_of_files_and_of_what_cannot_be_opened) {
  scratch_directory scratch("file_size");
  ASSERT_TRUE(write_file(scratch / "表.zip", "abc"));
  ASSERT_TRUE(write_file(scratch / "empty.bin", ""));
  ASSERT_TRUE(write_file(scratch / "big.bin", std::string(70000, 'x')));
  const struct {
    const char* name;
    DWORD size;
  } cases[] = {{"表.zip", 3}, {"empty.bin", 0}, {"missing.bin", 0}, {"big.bin", 70000}};
  for (const auto& c : cases)
    EXPECT_EQ(c.size, wklib::file_size((scratch / c.name).c_str())) << c.name;
  // A file another handle reads can be measured (one that cannot be opened is the missing file's
  // case).
  const std::string path = scratch / "表.zip";
  HANDLE other =
      CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, other);
  EXPECT_EQ(3u, wklib::file_size(path.c_str())) << "while another handle reads it";
  CloseHandle(other);
}

}  // namespace

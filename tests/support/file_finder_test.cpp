// wklib::file_finder and file_size against Wine's file system.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/file_finder.h"
#include "tests/common/scratch.h"

namespace {

class file_finder : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(CreateDirectoryA((scratch_ / "empty").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((scratch_ / "sub").c_str(), nullptr));
    for (const char* name : {"a.txt", "b.zip", "表.zip"}) write_file(scratch_ / name, "abc");
    write_file(scratch_ / "empty.bin", "");
    directory_ = scratch_.path().substr(0, scratch_.path().size() - 1);
  }

  static std::vector<std::string> all_names(wklib::file_finder& finder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA record;
    while (finder.find_next(record)) names.push_back(record.cFileName);
    std::sort(names.begin(), names.end());
    return names;
  }

  scratch_directory scratch_{"finder"};
  std::string directory_;  // without its final backslash
};

TEST_F(file_finder, lists_every_entry_but_the_dot_entries) {
  wklib::file_finder finder;
  ASSERT_TRUE(finder.find_first((directory_ + "\\*").c_str()));
  EXPECT_TRUE(finder.is_open());
  EXPECT_EQ((std::vector<std::string>{"a.txt", "b.zip", "empty", "empty.bin", "sub", "表.zip"}),
            all_names(finder));
  WIN32_FIND_DATAA record;
  EXPECT_FALSE(finder.find_next(record)) << "the list is exhausted";

  finder.close();
  ASSERT_TRUE(finder.find_first((directory_ + "\\*.zip").c_str()));
  EXPECT_EQ((std::vector<std::string>{"b.zip", "表.zip"}), all_names(finder));
}

TEST_F(file_finder, a_pattern_with_only_dot_entries_opens_nothing) {
  wklib::file_finder finder;
  EXPECT_FALSE(finder.find_first((directory_ + "\\empty\\*").c_str()));
  EXPECT_FALSE(finder.is_open());
  EXPECT_FALSE(finder.find_first((directory_ + "\\*.none").c_str()));
  EXPECT_FALSE(finder.is_open());
  WIN32_FIND_DATAA record;
  EXPECT_FALSE(finder.find_next(record));
}

TEST_F(file_finder, a_second_find_first_leaves_the_open_search_alone) {
  wklib::file_finder finder;
  ASSERT_TRUE(finder.find_first((directory_ + "\\*.zip").c_str()));
  WIN32_FIND_DATAA record;
  ASSERT_TRUE(finder.find_next(record));
  std::string first = record.cFileName;
  EXPECT_FALSE(finder.find_first((directory_ + "\\*.txt").c_str()));
  ASSERT_TRUE(finder.find_next(record)) << "the open search should go on";
  std::vector<std::string> names = {first, record.cFileName};
  std::sort(names.begin(), names.end());
  EXPECT_EQ((std::vector<std::string>{"b.zip", "表.zip"}), names);

  finder.close();
  EXPECT_FALSE(finder.find_next(record));
  ASSERT_TRUE(finder.find_first((directory_ + "\\*.txt").c_str()));
  EXPECT_EQ(std::vector<std::string>{"a.txt"}, all_names(finder));
}

TEST_F(file_finder, file_size_of_files_and_of_what_cannot_be_opened) {
  EXPECT_EQ(3u, wklib::file_size((directory_ + "\\表.zip").c_str()));
  EXPECT_EQ(0u, wklib::file_size((directory_ + "\\empty.bin").c_str()));
  EXPECT_EQ(0u, wklib::file_size((directory_ + "\\missing.bin").c_str()));
  write_file(directory_ + "\\big.bin", std::string(70000, 'x'));
  EXPECT_EQ(70000u, wklib::file_size((directory_ + "\\big.bin").c_str()));

  // Shared reading: a file another handle reads can be measured, one it holds
  // exclusively cannot.
  std::string path = directory_ + "\\a.txt";
  HANDLE reader =
      CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, reader);
  EXPECT_EQ(3u, wklib::file_size(path.c_str()));
  CloseHandle(reader);
  HANDLE exclusive = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, exclusive);
  EXPECT_EQ(0u, wklib::file_size(path.c_str()));
  CloseHandle(exclusive);
}

}  // namespace

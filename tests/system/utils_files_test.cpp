// Directory chains and trees (with 表, whose second byte is a backslash) against
// Wine's file system. (file_write_time is seen by catalogue_dialog_test through
// the saved archives' times, programs_folder by dviout_test's shortcuts.)
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "system/file_system.h"
#include "system/process.h"
#include "tests/common/scratch.h"

namespace {

std::vector<std::string> entries_of(const std::string& directory) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA entry;
  HANDLE search = FindFirstFileA((directory + "*").c_str(), &entry);
  for (bool more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileA(search, &entry))
    if (entry.cFileName[0] != '.') names.push_back(entry.cFileName);
  FindClose(search);
  std::sort(names.begin(), names.end());
  return names;
}

// Chains with 表 and ソ in them are unzip_test's, on disk.
TEST(create_directory_chain, creates_only_what_ends_before_a_backslash) {
  scratch_directory scratch("chain");
  ASSERT_TRUE(write_file(scratch / "f", "x"));
  struct {
    const char* path;
    bool expected;
    const char *made, *missing;  // "": not looked at
  } cases[] = {
      {"a\\b", true, "a", "a\\b"},  // the last component has no backslash after it
      {"a\\b\\", true, "a\\b", ""},
      {"a\\b\\", true, "a\\b", ""},  // all there already
      {"f\\", true, "", ""},       // an existing file passes for the prefix
      {"f\\g\\", false, "", "f\\g"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.expected, create_directory_chain((scratch / c.path).c_str())) << c.path;
    EXPECT_TRUE(!*c.made || is_directory(scratch / c.made)) << c.path << " made no " << c.made;
    EXPECT_TRUE(!*c.missing || !exists(scratch / c.missing)) << c.path << " made " << c.missing;
  }
  EXPECT_EQ((std::vector<std::string>{"a", "f"}), entries_of(scratch.path()));
  EXPECT_FALSE(create_directory_chain("Q:\\tamari3\\x\\")) << "a drive that does not exist";
}

TEST(remove_directory_tree, removes_all_but_read_only_files_and_refuses_bare_names) {
  scratch_directory scratch("tree");
  std::string top = scratch / "表\\";
  for (const char* file : {"1.txt", "a\\b\\c\\4", "ソ\\表.txt", "keep\\locked.txt"}) {
    ASSERT_TRUE(create_directory_chain((top + file).c_str()));
    ASSERT_TRUE(write_file(top + file, "data")) << file;
  }
  ASSERT_TRUE(SetFileAttributesA((top + "keep\\locked.txt").c_str(), FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(write_file(scratch / "sibling.txt", "stays"));
  remove_directory_tree((scratch / "表").c_str());  // no trailing backslash: refused
  EXPECT_TRUE(exists(top + "1.txt"));
  char old_directory[MAX_PATH + 1] = "";
  GetCurrentDirectoryA(sizeof old_directory, old_directory);
  ASSERT_TRUE(SetCurrentDirectoryA(top.c_str()));
  remove_directory_tree("");  // would be the current directory
  SetCurrentDirectoryA(old_directory);
  EXPECT_TRUE(exists(top + "1.txt")) << "the empty directory name emptied the current one";
  remove_directory_tree(top.c_str());
  EXPECT_EQ(std::vector<std::string>{"keep"}, entries_of(top));
  EXPECT_EQ((std::vector<std::string>{"sibling.txt", "表"}), entries_of(scratch.path()));
  SetFileAttributesA((top + "keep\\locked.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
  remove_directory_tree(top.c_str());
  remove_directory_tree(top.c_str());  // a directory that is not there is no error
  EXPECT_EQ(std::vector<std::string>{"sibling.txt"}, entries_of(scratch.path()));
}

TEST(remove_directory_tree, never_follows_a_directory_link) {
  scratch_directory scratch("tree_link");
  std::string outside = scratch / "outside\\", top = scratch / "tree\\";
  ASSERT_TRUE(create_directory_chain(outside.c_str()) && create_directory_chain(top.c_str()));
  ASSERT_TRUE(write_file(outside + "precious.txt", "keep me") && write_file(top + "own.txt", "x"));
  // A symbolic link made on the Unix side, which Wine shows as a directory reparse point.
  run_and_wait("/bin/ln -s ../outside link", top.c_str(), false);
  if (!(GetFileAttributesA((top + "link").c_str()) & FILE_ATTRIBUTE_REPARSE_POINT) || !exists(top + "link"))
    GTEST_SKIP() << "no directory link could be made here";
  remove_directory_tree(top.c_str());
  EXPECT_TRUE(exists(outside + "precious.txt")) << "the tree's deletion went through a link";
  EXPECT_FALSE(exists(top + "own.txt"));
}

}  // namespace

// Directory chains and trees (with 表, whose second byte is a backslash), file
// times and the Start-menu folder, against Wine's file system.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "system/file_system.h"
#include "tests/common/scratch.h"

namespace {

std::vector<std::string> entries_of(const std::string& directory) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA entry;
  HANDLE search = FindFirstFileA((directory + "*").c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    std::string name = entry.cFileName;
    if (name != "." && name != "..") names.push_back(name);
  } while (FindNextFileA(search, &entry));
  FindClose(search);
  std::sort(names.begin(), names.end());
  return names;
}

TEST(create_directory_chain, creates_only_what_ends_before_a_backslash) {
  scratch_directory scratch("chain");
  EXPECT_TRUE(create_directory_chain((scratch / "a\\b").c_str()));
  EXPECT_TRUE(is_directory(scratch / "a"));
  EXPECT_FALSE(exists(scratch / "a\\b")) << "the last component has no backslash after it";

  EXPECT_TRUE(create_directory_chain((scratch / "a\\b\\").c_str()));
  EXPECT_TRUE(is_directory(scratch / "a\\b"));

  // Several missing levels at once, and a chain that already exists.
  EXPECT_TRUE(create_directory_chain((scratch / "x\\y\\z\\").c_str()));
  EXPECT_TRUE(is_directory(scratch / "x\\y\\z"));
  EXPECT_TRUE(create_directory_chain((scratch / "x\\y\\z\\").c_str()));
}

TEST(create_directory_chain, does_not_cut_a_double_byte_character) {
  scratch_directory scratch("chain_kanji");
  // 表 is 0x95 0x5C: a byte-wise scan would create a directory named 0x95.
  EXPECT_TRUE(create_directory_chain((scratch / "表\\ソース\\").c_str()));
  EXPECT_TRUE(is_directory(scratch / "表"));
  EXPECT_TRUE(is_directory(scratch / "表\\ソース"));
  std::vector<std::string> names = entries_of(scratch.path());
  ASSERT_EQ(1u, names.size()) << "expected only 表 in the directory";
  EXPECT_EQ("表", names[0]);
  EXPECT_EQ(std::vector<std::string>{"ソース"}, entries_of(scratch / "表\\"));
}

TEST(create_directory_chain, takes_an_existing_file_for_an_existing_prefix) {
  scratch_directory scratch("chain_file");
  ASSERT_TRUE(write_file(scratch / "f", "x"));
  EXPECT_TRUE(create_directory_chain((scratch / "f\\").c_str()));
  EXPECT_FALSE(is_directory(scratch / "f"));
  // Below a file nothing can be made.
  EXPECT_FALSE(create_directory_chain((scratch / "f\\g\\").c_str()));
  // A drive that does not exist.
  EXPECT_FALSE(create_directory_chain("Q:\\tamari3\\x\\"));
}

TEST(remove_directory_tree, removes_files_and_directories_at_every_depth) {
  scratch_directory scratch("tree");
  std::string top = scratch / "表\\";
  ASSERT_TRUE(create_directory_chain((top + "a\\b\\c\\").c_str()));
  ASSERT_TRUE(create_directory_chain((top + "ソ\\").c_str()));
  for (const char* file : {"1.txt", "a\\2.txt", "a\\b\\3.txt", "a\\b\\c\\4", "ソ\\表.txt"})
    ASSERT_TRUE(write_file(top + file, "data")) << file;
  ASSERT_TRUE(write_file(scratch / "sibling.txt", "stays"));

  remove_directory_tree(top.c_str());
  EXPECT_FALSE(exists(scratch / "表"));
  EXPECT_EQ(std::vector<std::string>{"sibling.txt"}, entries_of(scratch.path()));

  // A directory that is not there is no error.
  remove_directory_tree(top.c_str());
  EXPECT_FALSE(exists(scratch / "表"));
}

TEST(remove_directory_tree, leaves_a_read_only_file_and_its_directories) {
  scratch_directory scratch("tree_readonly");
  std::string top = scratch / "t\\";
  ASSERT_TRUE(create_directory_chain((top + "keep\\").c_str()));
  ASSERT_TRUE(create_directory_chain((top + "gone\\").c_str()));
  ASSERT_TRUE(write_file(top + "keep\\locked.txt", "x"));
  ASSERT_TRUE(write_file(top + "gone\\free.txt", "x"));
  ASSERT_TRUE(SetFileAttributesA((top + "keep\\locked.txt").c_str(), FILE_ATTRIBUTE_READONLY));

  remove_directory_tree(top.c_str());
  EXPECT_TRUE(exists(top + "keep\\locked.txt"));
  EXPECT_FALSE(exists(top + "gone"));
  EXPECT_EQ(std::vector<std::string>{"keep"}, entries_of(top));
}

TEST(remove_directory_tree, refuses_a_directory_without_its_trailing_backslash) {
  scratch_directory scratch("tree_refuse");
  ASSERT_TRUE(create_directory_chain((scratch / "t\\").c_str()));
  ASSERT_TRUE(write_file(scratch / "t\\file", "x"));
  remove_directory_tree((scratch / "t").c_str());
  EXPECT_TRUE(exists(scratch / "t\\file"));

  // The empty text would be the current directory.
  char old_directory[MAX_PATH + 1] = "";
  GetCurrentDirectoryA(sizeof old_directory, old_directory);
  ASSERT_TRUE(SetCurrentDirectoryA((scratch / "t").c_str()));
  remove_directory_tree("");
  SetCurrentDirectoryA(old_directory);
  EXPECT_TRUE(exists(scratch / "t\\file")) << "the empty directory name emptied the current one";
}

// The Unix name of a Windows path, from Wine's own conversion.
std::string unix_name(const std::string& windows_path) {
  typedef char*(CDECL * to_unix)(const wchar_t*);
  to_unix convert = reinterpret_cast<to_unix>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  if (!convert) return std::string();
  wchar_t wide[MAX_PATH];
  MultiByteToWideChar(CP_ACP, 0, windows_path.c_str(), -1, wide, MAX_PATH);
  char* name = convert(wide);
  if (!name) return std::string();
  std::string result = name;
  HeapFree(GetProcessHeap(), 0, name);
  return result;
}

// A symbolic link made on the Unix side, which Wine shows as a directory
// reparse point.
bool make_directory_link(const std::string& link, const std::string& target) {
  std::string unix_link = unix_name(link);
  std::string unix_target = unix_name(target);
  if (unix_link.empty() || unix_target.empty()) return false;
  std::string command = "/bin/ln -s \"" + unix_target + "\" \"" + unix_link + "\"";
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process))
    return false;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  for (int i = 0; i < 200 && !exists(link); ++i) Sleep(50);
  DWORD attributes = GetFileAttributesA(link.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

TEST(remove_directory_tree, never_follows_a_directory_link) {
  scratch_directory scratch("tree_link");
  std::string outside = scratch / "outside";
  ASSERT_TRUE(create_directory_chain((outside + "\\").c_str()));
  ASSERT_TRUE(write_file(outside + "\\precious.txt", "keep me"));
  std::string top = scratch / "tree\\";
  ASSERT_TRUE(create_directory_chain(top.c_str()));
  ASSERT_TRUE(write_file(top + "own.txt", "x"));
  if (!make_directory_link(top + "link", outside))
    GTEST_SKIP() << "no directory link could be made here";

  remove_directory_tree(top.c_str());
  EXPECT_TRUE(exists(outside + "\\precious.txt")) << "the tree's deletion went through a link";
  EXPECT_FALSE(exists(top + "own.txt"));
}

TEST(file_write_time, reads_the_time_of_the_first_match) {
  scratch_directory scratch("times");
  std::string path = scratch / "gs850w32.exe";
  ASSERT_TRUE(write_file(path, "x"));
  // 2004-05-06 07:08:09 UTC.
  SYSTEMTIME system = {2004, 5, 4, 6, 7, 8, 9, 0};
  FILETIME wanted;
  ASSERT_TRUE(SystemTimeToFileTime(&system, &wanted));
  HANDLE file =
      CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, file);
  ASSERT_TRUE(SetFileTime(file, nullptr, nullptr, &wanted));
  CloseHandle(file);

  std::uint64_t expected =
      (static_cast<std::uint64_t>(wanted.dwHighDateTime) << 32) | wanted.dwLowDateTime;
  std::uint64_t time = 0;
  EXPECT_TRUE(file_write_time((scratch / "gs*w32.exe").c_str(), time));
  EXPECT_EQ(expected, time);

  std::uint64_t untouched = 12345;
  EXPECT_FALSE(file_write_time((scratch / "gsview*.exe").c_str(), untouched));
  EXPECT_EQ(12345u, untouched);
}

TEST(programs_folder, ends_with_a_backslash_and_exists) {
  char folder[MAX_PATH + 16];
  std::fill(folder, folder + sizeof folder, 'x');
  ASSERT_TRUE(programs_folder(folder));
  std::string path = folder;
  ASSERT_FALSE(path.empty());
  EXPECT_EQ('\\', path.back()) << path;
  EXPECT_TRUE(is_directory(path)) << path;
  EXPECT_EQ(std::string::npos, path.find("\\\\")) << path;
}

}  // namespace

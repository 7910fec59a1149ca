// split_text, normalize_path and same_path, with the examples the installer
// depends on and double-byte characters whose second byte is 0x5C.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "system/path_text.h"

namespace {

std::vector<std::string> pieces(const char* text, char separator) {
  std::vector<std::string> out;
  for (const wklib::string& piece : split_text(text, separator)) out.push_back(piece.c_str());
  return out;
}

using texts = std::vector<std::string>;

TEST(split_text, keeps_empty_pieces) {
  EXPECT_EQ((texts{"a", "b", ""}), pieces("a;b;", ';'));
  EXPECT_EQ((texts{""}), pieces("", ';'));
  EXPECT_EQ((texts{"", ""}), pieces(";", ';'));
  EXPECT_EQ((texts{"", "a", "", "b"}), pieces(";a;;b", ';'));
  EXPECT_EQ((texts{"c:\\tex\\bin"}), pieces("c:\\tex\\bin", ';'));
}

TEST(split_text, never_splits_inside_a_double_byte_character) {
  // 表 is 0x95 0x5C and ソ is 0x83 0x5C.
  EXPECT_EQ((texts{"c:", "表", "ソフト", "x"}), pieces("c:\\表\\ソフト\\x", '\\'));
  EXPECT_EQ((texts{"表ソ"}), pieces("表ソ", '\\'));
  EXPECT_EQ((texts{"表", ""}), pieces("表\\", '\\'));
}

TEST(normalize_path, resolves_dots_and_drops_empty_pieces) {
  struct {
    const char* path;
    const char* expected;
  } cases[] = {
      {"c:\\tex\\foo\\..\\bin\\", "c:\\tex\\bin"},
      {"C:\\tex\\bin\\", "C:\\tex\\bin"},
      {"C:\\tex\\.\\bin", "C:\\tex\\bin"},
      {"c:\\\\tex\\\\bin", "c:\\tex\\bin"},
      {"..\\x", "..\\x"},
      {"", ""},
      {"\\", ""},
      {"c:\\表\\..\\ソ\\", "c:\\ソ"},
      {"c:\\表\\", "c:\\表"},
      // ".." does not take back another "..", nor climb above a drive.
      {"..\\..\\x", "..\\..\\x"},
      {"a\\..\\..\\x", "..\\x"},
      {"c:\\..\\x", "c:\\x"},
  };
  for (const auto& c : cases)
    EXPECT_STREQ(c.expected, normalize_path(c.path).c_str()) << "path " << c.path;
}

TEST(same_path, compares_normalised_paths_without_case) {
  EXPECT_TRUE(same_path("C:\\TeX\\bin", "c:\\tex\\bin\\"));
  EXPECT_TRUE(same_path("c:\\tex\\.\\bin", "C:\\TEX\\share\\..\\BIN"));
  EXPECT_TRUE(same_path("c:\\表\\", "C:\\表"));
  EXPECT_FALSE(same_path("c:\\tex", "c:\\tex2"));
  EXPECT_FALSE(same_path("c:\\表", "c:\\ソ"));
  EXPECT_FALSE(same_path("", ""));
  EXPECT_FALSE(same_path("", "c:\\"));
  EXPECT_FALSE(same_path("c:\\", ""));
}

TEST(ends_with_backslash, ignores_a_trail_byte_0x5c) {
  EXPECT_TRUE(ends_with_backslash("c:\\表\\"));
  EXPECT_FALSE(ends_with_backslash("c:\\表")) << "the 0x5C of 表 is no separator";
  EXPECT_FALSE(ends_with_backslash("c:\\dviout"));
  EXPECT_FALSE(ends_with_backslash(""));
}

}  // namespace

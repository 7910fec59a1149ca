// split_text, same_path (and normalize_path) and ends_with_backslash with double-byte
// characters whose second byte is 0x5C (表 is 0x95 0x5C, ソ 0x83 0x5C), and the
// installer's own environment: get_env and windir_with_slashes.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "system/path_text.h"
#include "system/system_info.h"

namespace {

TEST(split_text, keeps_empty_pieces_and_double_byte_characters) {
  struct {
    const char* text;
    char separator;
    std::vector<std::string> pieces;
  } cases[] = {
      {"", ';', {""}},      {";a;;b;", ';', {"", "a", "", "b", ""}},
      {"表ソ", '\\', {"表ソ"}}, {"c:\\表\\ソフト\\x", '\\', {"c:", "表", "ソフト", "x"}},
  };
  for (const auto& c : cases) {
    std::vector<std::string> got;
    for (const wklib::string& piece : split_text(c.text, c.separator)) got.push_back(piece.c_str());
    EXPECT_EQ(c.pieces, got) << c.text;
  }
}

// Through normalize_path: "." and empty pieces dropped, ".." taking back the
// name before it but not another "..", nor climbing above a drive.
TEST(same_path, compares_normalised_paths_without_case) {
  struct {
    const char *first, *second;
    bool expected;
  } cases[] = {
      {"C:\\TeX\\bin", "c:\\tex\\bin\\", true}, {"c:\\tex\\.\\bin", "C:\\TEX\\share\\..\\BIN", true},
      {"c:\\\\tex\\\\bin", "c:\\tex\\bin", true}, {"c:\\表\\..\\ソ\\", "c:\\ソ", true},
      {"..\\..\\x", "x", false},                {"a\\..\\..\\x", "..\\x", true},
      {"c:\\..\\x", "c:\\x", true},              {"c:\\tex", "c:\\tex2", false},
      {"c:\\表", "c:\\ソ", false},               {"\\", "", false},  // an empty side never matches
  };
  for (const auto& c : cases)
    EXPECT_EQ(c.expected, same_path(c.first, c.second)) << c.first << " " << c.second;
}

TEST(ends_with_backslash, ignores_a_trail_byte_0x5c) {
  for (const char* path : {"c:\\表", "c:\\dviout", ""}) EXPECT_FALSE(ends_with_backslash(path)) << path;
  EXPECT_TRUE(ends_with_backslash("c:\\表\\"));
}

TEST(system_info, reads_the_installers_own_environment) {
  char windir[MAX_PATH] = "";
  GetEnvironmentVariableA("windir", windir, sizeof windir);
  const std::string long_value(5000, 'p');
  struct {
    const char *name, *value, *expected;
  } cases[] = {
      {"TAMARI_ENV_TEST", "c:\\表\\bin;d:\\x", "c:\\表\\bin;d:\\x"},
      {"TAMARI_ENV_TEST", long_value.c_str(), long_value.c_str()},
      {"TAMARI_ENV_TEST", nullptr, ""},
      {"windir", "D:\\表\\win\\", "D:/表/win/"},  // the 0x5C of 表 stays
      {"windir", nullptr, ""},
  };
  for (const auto& c : cases) {
    SetEnvironmentVariableA(c.name, c.value);
    EXPECT_STREQ(c.expected, (*c.name == 'w' ? windir_with_slashes() : get_env(c.name)).c_str())
        << c.name << "=" << (c.value ? c.value : "<unset>");
  }
  SetEnvironmentVariableA("windir", windir);
}

}  // namespace

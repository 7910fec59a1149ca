// The registry helpers against Wine's registry: reads that create their key,
// string and number values, deleting values and whole trees.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlwapi.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "system/registry.h"

namespace {

const std::string base = "Software\\tamari3 tests\\" + std::to_string(GetCurrentProcessId());

bool key_exists(HKEY root, const std::string& sub_key) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, sub_key.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

// The stored type and bytes of a value, read without our helpers.
bool raw_value(HKEY root, const std::string& sub_key, const char* name, DWORD& type,
               std::string& data) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, sub_key.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  char buffer[1024];
  DWORD size = sizeof buffer;
  LONG result = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
  RegCloseKey(key);
  if (result != ERROR_SUCCESS) return false;
  data.assign(buffer, size);
  return true;
}

void make_key(HKEY root, const std::string& sub_key, const char* value_name, const char* value) {
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(root, sub_key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                           nullptr, &key, nullptr))
      << sub_key;
  if (value)
    RegSetValueExA(key, value_name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                   static_cast<DWORD>(std::strlen(value) + 1));
  RegCloseKey(key);
}

class registry_test : public testing::Test {
 protected:
  void TearDown() override { SHDeleteKeyA(HKEY_CURRENT_USER, base.c_str()); }
};

TEST_F(registry_test, strings_round_trip_with_their_type) {
  std::string key = base + "\\strings";
  EXPECT_TRUE(reg_write_string(HKEY_CURRENT_USER, key.c_str(), "plain", "c:\\tex\\表\\", false));
  EXPECT_TRUE(reg_write_string(HKEY_CURRENT_USER, key.c_str(), "expand", "%windir%\\x", true));
  EXPECT_TRUE(reg_write_string(HKEY_CURRENT_USER, key.c_str(), "", "default", false));

  DWORD type = 0;
  std::string data;
  ASSERT_TRUE(raw_value(HKEY_CURRENT_USER, key, "plain", type, data));
  EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
  EXPECT_EQ(std::string("c:\\tex\\表\\", 11), data) << "the text and its NUL";
  ASSERT_TRUE(raw_value(HKEY_CURRENT_USER, key, "expand", type, data));
  EXPECT_EQ(static_cast<DWORD>(REG_EXPAND_SZ), type);

  wklib::string out;
  EXPECT_TRUE(reg_read_string(HKEY_CURRENT_USER, key.c_str(), "plain", out));
  EXPECT_STREQ("c:\\tex\\表\\", out.c_str());
  // Read as stored: not expanded.
  EXPECT_TRUE(reg_read_string(HKEY_CURRENT_USER, key.c_str(), "expand", out));
  EXPECT_STREQ("%windir%\\x", out.c_str());
  EXPECT_TRUE(reg_read_string(HKEY_CURRENT_USER, key.c_str(), "", out));
  EXPECT_STREQ("default", out.c_str());
  EXPECT_TRUE(reg_write_string(HKEY_CURRENT_USER, key.c_str(), "empty", "", false));
  EXPECT_TRUE(reg_read_string(HKEY_CURRENT_USER, key.c_str(), "empty", out));
  EXPECT_STREQ("", out.c_str());
  // A value longer than any first guess at its size is read whole.
  std::string text;
  for (int i = 0; i < 3000; ++i) text += "表a";
  EXPECT_TRUE(reg_write_string(HKEY_CURRENT_USER, key.c_str(), "long", text.c_str(), false));
  EXPECT_TRUE(reg_read_string(HKEY_CURRENT_USER, key.c_str(), "long", out));
  EXPECT_EQ(static_cast<int>(text.size()), out.length());
  EXPECT_EQ(text, std::string(out.c_str()));
}

TEST_F(registry_test, reads_create_their_key) {
  std::string key = base + "\\created by reading";
  ASSERT_FALSE(key_exists(HKEY_CURRENT_USER, key));
  wklib::string out("untouched");
  EXPECT_FALSE(reg_read_string(HKEY_CURRENT_USER, key.c_str(), "missing", out));
  EXPECT_STREQ("untouched", out.c_str());
  EXPECT_TRUE(key_exists(HKEY_CURRENT_USER, key)) << "the read should have created the key";

  std::string other = base + "\\created by a number";
  EXPECT_EQ(0u, reg_read_dword(HKEY_CURRENT_USER, other.c_str(), "missing"));
  EXPECT_TRUE(key_exists(HKEY_CURRENT_USER, other));
}

TEST_F(registry_test, numbers_round_trip) {
  std::string key = base + "\\numbers";
  EXPECT_TRUE(reg_write_dword(HKEY_CURRENT_USER, key.c_str(), "n", 0xDEADBEEF));
  DWORD type = 0;
  std::string data;
  ASSERT_TRUE(raw_value(HKEY_CURRENT_USER, key, "n", type, data));
  EXPECT_EQ(static_cast<DWORD>(REG_DWORD), type);
  EXPECT_EQ(4u, data.size());
  EXPECT_EQ(0xDEADBEEFu, reg_read_dword(HKEY_CURRENT_USER, key.c_str(), "n"));
  EXPECT_EQ(0u, reg_read_dword(HKEY_CURRENT_USER, key.c_str(), "missing"));
  // A text too long for four bytes is no number.
  EXPECT_TRUE(reg_write_string(HKEY_CURRENT_USER, key.c_str(), "text", "abcdefgh", false));
  EXPECT_EQ(0u, reg_read_dword(HKEY_CURRENT_USER, key.c_str(), "text"));
}

TEST_F(registry_test, delete_value_splits_at_the_last_backslash) {
  // The installer's own case: "Environment\TEXMF" under HKEY_CURRENT_USER.
  wklib::string saved;
  bool had_texmf = reg_read_string(HKEY_CURRENT_USER, "Environment", "TEXMF", saved);
  ASSERT_TRUE(reg_write_string(HKEY_CURRENT_USER, "Environment", "TEXMF", "c:\\tex\\share", false));
  SetLastError(0xdeadbeef);
  EXPECT_TRUE(reg_delete_value(HKEY_CURRENT_USER, "Environment\\TEXMF"));
  DWORD type = 0;
  std::string data;
  EXPECT_FALSE(raw_value(HKEY_CURRENT_USER, "Environment", "TEXMF", type, data));
  EXPECT_TRUE(key_exists(HKEY_CURRENT_USER, "Environment"));
  EXPECT_FALSE(reg_delete_value(HKEY_CURRENT_USER, "Environment\\TEXMF")) << "already gone";
  if (had_texmf) reg_write_string(HKEY_CURRENT_USER, "Environment", "TEXMF", saved.c_str(), false);

  // A key with 表 in its path: the split must not fall inside the character.
  std::string key = base + "\\表";
  make_key(HKEY_CURRENT_USER, key, "表示", "v");
  EXPECT_TRUE(reg_delete_value(HKEY_CURRENT_USER, (key + "\\表示").c_str()));
  EXPECT_FALSE(raw_value(HKEY_CURRENT_USER, key, "表示", type, data));

  // Deleting never creates the key.
  std::string missing = base + "\\missing";
  EXPECT_FALSE(reg_delete_value(HKEY_CURRENT_USER, (missing + "\\value").c_str()));
  EXPECT_FALSE(key_exists(HKEY_CURRENT_USER, missing));
}

TEST_F(registry_test, delete_key_tree_removes_a_key_below_the_root) {
  // The .dvi association lives directly below HKEY_CLASSES_ROOT.
  bool existed = key_exists(HKEY_CLASSES_ROOT, ".dvi");
  if (existed) GTEST_SKIP() << "this prefix has a .dvi association of its own";
  make_key(HKEY_CLASSES_ROOT, ".dvi", "", "dviout.file");
  make_key(HKEY_CLASSES_ROOT, ".dvi\\ShellNew", "NullFile", "");
  make_key(HKEY_CLASSES_ROOT, ".dvi\\a\\b\\c", "deep", "1");
  make_key(HKEY_CLASSES_ROOT, ".dvi\\a\\b2", nullptr, nullptr);

  EXPECT_TRUE(reg_delete_key_tree(HKEY_CLASSES_ROOT, ".dvi"));
  EXPECT_FALSE(key_exists(HKEY_CLASSES_ROOT, ".dvi"));
  EXPECT_FALSE(reg_delete_key_tree(HKEY_CLASSES_ROOT, ".dvi")) << "a missing key";
}

TEST_F(registry_test, delete_key_tree_below_a_path) {
  std::string tree = base + "\\tree";
  make_key(HKEY_CURRENT_USER, tree + "\\one\\two", "v", "x");
  make_key(HKEY_CURRENT_USER, tree + "\\表\\ソ", "v", "x");
  make_key(HKEY_CURRENT_USER, base + "\\tree sibling", "v", "x");

  // A key whose name ends with the byte 0x5C of 表.
  EXPECT_TRUE(reg_delete_key_tree(HKEY_CURRENT_USER, (tree + "\\表").c_str()));
  EXPECT_FALSE(key_exists(HKEY_CURRENT_USER, tree + "\\表"));
  EXPECT_TRUE(key_exists(HKEY_CURRENT_USER, tree + "\\one\\two"));

  // A trailing backslash names the same key.
  EXPECT_TRUE(reg_delete_key_tree(HKEY_CURRENT_USER, (tree + "\\").c_str()));
  EXPECT_FALSE(key_exists(HKEY_CURRENT_USER, tree));
  EXPECT_TRUE(key_exists(HKEY_CURRENT_USER, base + "\\tree sibling"));
}

TEST_F(registry_test, delete_key_tree_refuses_the_root_itself) {
  EXPECT_FALSE(reg_delete_key_tree(HKEY_CURRENT_USER, ""));
  EXPECT_FALSE(reg_delete_key_tree(HKEY_CURRENT_USER, "\\"));
  EXPECT_TRUE(key_exists(HKEY_CURRENT_USER, "Software"));
  EXPECT_TRUE(key_exists(HKEY_CURRENT_USER, "Environment"));
}

TEST_F(registry_test, list_subkeys_names_each_sub_key_once) {
  std::string key = base + "\\list";
  for (const char* name : {"alpha", "beta", "表"})
    make_key(HKEY_CURRENT_USER, key + "\\" + name + "\\x", nullptr, nullptr);
  std::vector<wklib::string> names;
  EXPECT_TRUE(reg_list_subkeys(HKEY_CURRENT_USER, key.c_str(), names));
  std::vector<std::string> found;
  for (const wklib::string& name : names) found.push_back(name.c_str());
  std::sort(found.begin(), found.end());
  EXPECT_EQ((std::vector<std::string>{"alpha", "beta", "表"}), found);

  std::vector<wklib::string> none;
  EXPECT_FALSE(reg_list_subkeys(HKEY_CURRENT_USER, (base + "\\missing").c_str(), none));
  EXPECT_TRUE(none.empty());
  EXPECT_FALSE(key_exists(HKEY_CURRENT_USER, base + "\\missing"));
}

}  // namespace

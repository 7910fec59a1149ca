// The registry helpers against Wine's registry: values with their types, reads
// that create their key, deleting values and trees. (reg_list_subkeys is seen by
// steps_test through the Uninstall key's entries, a tree directly below the
// root by its .dvi.)
#include <gtest/gtest.h>

#include <windows.h>
#include <shlwapi.h>

#include <string>

#include "system/registry.h"

namespace {

const std::string base = "Software\\tamari3 tests\\" + std::to_string(GetCurrentProcessId());

// The stored type and bytes of a value, read without our helpers: "<type>:<bytes>",
// "<none>" or "<no key>".
std::string raw_value(const std::string& sub_key, const char* name) {
  HKEY key = nullptr;
  char data[1024];
  DWORD size = sizeof data, type = 0;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, sub_key.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return "<no key>";
  LONG result = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
  RegCloseKey(key);
  return result ? "<none>" : std::to_string(type) + ":" + std::string(data, size);
}
bool key_exists(const std::string& sub_key) { return raw_value(sub_key, "") != "<no key>"; }

void make_key(const std::string& sub_key) {
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyA(HKEY_CURRENT_USER, sub_key.c_str(), &key)) << sub_key;
  RegSetValueExA(key, "v", 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 2);
  RegCloseKey(key);
}

class registry : public testing::Test {
 protected:
  void TearDown() override { SHDeleteKeyA(HKEY_CURRENT_USER, base.c_str()); }
};

TEST_F(registry, values_round_trip_with_their_type) {
  const std::string key = base + "\\values";
  std::string long_text;
  for (int i = 0; i < 3000; ++i) long_text += "表a";  // longer than any first guess at its size
  struct {
    const char* name;
    std::string text;
    bool expandable;
    std::string stored;
  } cases[] = {
      {"plain", "c:\\tex\\表\\", false, "1:" + std::string("c:\\tex\\表\\", 11)},  // with its NUL
      {"expand", "%windir%\\x", true, "2:" + std::string("%windir%\\x", 11)},  // read unexpanded
      {"", "default", false, "1:" + std::string("default", 8)},
      {"empty", "", false, std::string("1:", 3)},
      {"long", long_text, false, ""},
  };
  for (const auto& c : cases) {
    wklib::string out;
    EXPECT_TRUE(reg_write_string(HKEY_CURRENT_USER, key.c_str(), c.name, c.text.c_str(), c.expandable));
    if (!c.stored.empty()) {
      EXPECT_EQ(c.stored, raw_value(key, c.name)) << c.name;
    }
    EXPECT_TRUE(reg_read_string(HKEY_CURRENT_USER, key.c_str(), c.name, out)) << c.name;
    EXPECT_EQ(c.text, std::string(out.c_str(), out.length())) << c.name;
  }
  EXPECT_TRUE(reg_write_dword(HKEY_CURRENT_USER, key.c_str(), "n", 0xDEADBEEF));
  EXPECT_EQ("4:" + std::string("\xEF\xBE\xAD\xDE", 4), raw_value(key, "n"));
  EXPECT_EQ(0xDEADBEEFu, reg_read_dword(HKEY_CURRENT_USER, key.c_str(), "n"));
  EXPECT_EQ(0u, reg_read_dword(HKEY_CURRENT_USER, key.c_str(), "plain")) << "a text is no number";
}

TEST_F(registry, reads_create_their_key) {
  wklib::string out("untouched");
  EXPECT_FALSE(reg_read_string(HKEY_CURRENT_USER, (base + "\\by text").c_str(), "missing", out));
  EXPECT_STREQ("untouched", out.c_str());
  EXPECT_EQ(0u, reg_read_dword(HKEY_CURRENT_USER, (base + "\\by number").c_str(), "missing"));
  for (const char* key : {"\\by text", "\\by number"})
    EXPECT_TRUE(key_exists(base + key)) << "the read should have made " << key;
}

TEST_F(registry, delete_value_splits_at_the_last_backslash_and_never_creates_the_key) {
  make_key(base + "\\表");  // 表 ends in the byte 0x5C
  EXPECT_TRUE(reg_delete_value(HKEY_CURRENT_USER, (base + "\\表\\v").c_str()));
  EXPECT_EQ("<none>", raw_value(base + "\\表", "v"));
  EXPECT_TRUE(key_exists(base + "\\表")) << "only the value goes";
  EXPECT_FALSE(reg_delete_value(HKEY_CURRENT_USER, (base + "\\表\\v").c_str())) << "gone";
  EXPECT_FALSE(reg_delete_value(HKEY_CURRENT_USER, (base + "\\missing\\value").c_str()));
  EXPECT_FALSE(key_exists(base + "\\missing"));
}

TEST_F(registry, delete_key_tree_removes_a_tree_but_never_the_root) {
  const std::string tree = base + "\\tree";
  for (const std::string& key : {tree + "\\one\\two", tree + "\\表\\ソ", base + "\\tree sibling"})
    make_key(key);
  // A key whose name ends with the byte 0x5C of 表.
  EXPECT_TRUE(reg_delete_key_tree(HKEY_CURRENT_USER, (tree + "\\表").c_str()));
  EXPECT_FALSE(key_exists(tree + "\\表"));
  EXPECT_TRUE(key_exists(tree + "\\one\\two"));
  EXPECT_TRUE(reg_delete_key_tree(HKEY_CURRENT_USER, (tree + "\\").c_str())) << "the same key";
  EXPECT_FALSE(key_exists(tree));
  EXPECT_TRUE(key_exists(base + "\\tree sibling"));
  EXPECT_FALSE(reg_delete_key_tree(HKEY_CURRENT_USER, tree.c_str())) << "a missing key";
  for (const char* root_itself : {"", "\\"})
    EXPECT_FALSE(reg_delete_key_tree(HKEY_CURRENT_USER, root_itself)) << "'" << root_itself << "'";
  EXPECT_TRUE(key_exists("Software"));
}

}  // namespace

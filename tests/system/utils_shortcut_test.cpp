// create_shortcut, read back through IShellLinkA as the shell would.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <string>

#include "system/shortcut.h"
#include "tests/common/scratch.h"

namespace {

struct link_fields {
  std::string target, arguments, directory;
  int show = -1;
};

bool read_link(const std::string& path, link_fields& fields) {
  bool read = false;
  IShellLinkA* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              reinterpret_cast<void**>(&link))))
    return false;
  IPersistFile* file = nullptr;
  if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
    wchar_t wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
    if (SUCCEEDED(file->Load(wide, STGM_READ))) {
      char buffer[MAX_PATH * 2] = "";
      link->GetPath(buffer, sizeof buffer, nullptr, SLGP_RAWPATH);
      fields.target = buffer;
      buffer[0] = '\0';
      link->GetArguments(buffer, sizeof buffer);
      fields.arguments = buffer;
      buffer[0] = '\0';
      link->GetWorkingDirectory(buffer, sizeof buffer);
      fields.directory = buffer;
      link->GetShowCmd(&fields.show);
      read = true;
    }
    file->Release();
  }
  link->Release();
  return read;
}

class shortcut_test : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr))); }
  void TearDown() override { CoUninitialize(); }
};

TEST_F(shortcut_test, writes_a_link_the_shell_reads_back) {
  scratch_directory scratch("shortcut");
  std::string target = scratch / "表示\\dviout.exe";
  std::string directory = scratch / "表示";
  ASSERT_TRUE(CreateDirectoryA(directory.c_str(), nullptr));
  ASSERT_TRUE(write_file(target, "MZ"));
  std::string link_path = scratch / "dviout 表.lnk";

  EXPECT_TRUE(
      create_shortcut(target.c_str(), "-P=1 \"表 x.dvi\"", directory.c_str(), link_path.c_str()));
  ASSERT_TRUE(exists(link_path));
  link_fields fields;
  ASSERT_TRUE(read_link(link_path, fields));
  EXPECT_EQ(target, fields.target);
  EXPECT_EQ("-P=1 \"表 x.dvi\"", fields.arguments);
  EXPECT_EQ(directory, fields.directory);
  // The shell reads every show command other than normal, maximised and
  // minimised back as normal; the file's header (offset 0x3C) keeps what was set.
  EXPECT_EQ(SW_SHOWNORMAL, fields.show);
  std::string raw = read_file(link_path);
  ASSERT_GE(raw.size(), 0x40u);
  EXPECT_EQ(SW_SHOWDEFAULT, static_cast<unsigned char>(raw[0x3C])) << "show command in the file";

  // COM on this thread is still usable after the helper's own start and stop.
  IShellLinkA* link = nullptr;
  EXPECT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                         IID_IShellLinkA, reinterpret_cast<void**>(&link))));
  if (link) link->Release();
}

TEST_F(shortcut_test, overwrites_an_existing_link) {
  scratch_directory scratch("shortcut_again");
  std::string link_path = scratch / "readme.lnk";
  std::string target = scratch / "readme.txt";
  ASSERT_TRUE(write_file(target, "x"));
  ASSERT_TRUE(create_shortcut(target.c_str(), "first", scratch.path().c_str(), link_path.c_str()));
  ASSERT_TRUE(create_shortcut(target.c_str(), "second", scratch.path().c_str(), link_path.c_str()));
  link_fields fields;
  ASSERT_TRUE(read_link(link_path, fields));
  EXPECT_EQ("second", fields.arguments);
}

TEST_F(shortcut_test, fails_where_the_link_cannot_be_written) {
  scratch_directory scratch("shortcut_missing");
  std::string link_path = scratch / "no such folder\\x.lnk";
  EXPECT_FALSE(
      create_shortcut((scratch / "x.exe").c_str(), "", scratch.path().c_str(), link_path.c_str()));
  EXPECT_FALSE(exists(link_path));
}

TEST(shortcut_without_com, works_on_a_thread_without_com) {
  scratch_directory scratch("shortcut_plain");
  std::string link_path = scratch / "plain.lnk";
  ASSERT_TRUE(write_file(scratch / "t.txt", "x"));
  EXPECT_TRUE(
      create_shortcut((scratch / "t.txt").c_str(), "", scratch.path().c_str(), link_path.c_str()));
  EXPECT_TRUE(exists(link_path));
}

}  // namespace

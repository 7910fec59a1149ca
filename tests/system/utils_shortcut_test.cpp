// create_shortcut, read back through IShellLinkA as the shell would.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <string>

#include "system/shortcut.h"
#include "tests/common/scratch.h"

namespace {

// Target|arguments|working directory, or "<unreadable>".
std::string read_link(const std::string& path) {
  std::string fields = "<unreadable>";
  IShellLinkA* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              reinterpret_cast<void**>(&link))))
    return fields;
  IPersistFile* file = nullptr;
  wchar_t wide[MAX_PATH];
  MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
  if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
      SUCCEEDED(file->Load(wide, STGM_READ))) {
    char target[MAX_PATH * 2] = "", arguments[MAX_PATH * 2] = "", directory[MAX_PATH * 2] = "";
    link->GetPath(target, sizeof target, nullptr, SLGP_RAWPATH);
    link->GetArguments(arguments, sizeof arguments);
    link->GetWorkingDirectory(directory, sizeof directory);
    fields = std::string(target) + "|" + arguments + "|" + directory;
  }
  if (file) file->Release();
  link->Release();
  return fields;
}

TEST(create_shortcut, writes_a_link_the_shell_reads_back) {
  scratch_directory scratch("shortcut");
  const std::string directory = scratch / "表示", target = directory + "\\dviout.exe",
                    link = scratch / "dviout 表.lnk";
  ASSERT_TRUE(CreateDirectoryA(directory.c_str(), nullptr) && write_file(target, "MZ"));
  // On a thread without COM, then with COM started by the caller, which stays usable.
  EXPECT_TRUE(create_shortcut(target.c_str(), "first", directory.c_str(), link.c_str()));
  ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
  EXPECT_TRUE(create_shortcut(target.c_str(), "-P=1 \"表 x.dvi\"", directory.c_str(), link.c_str()));
  EXPECT_EQ(target + "|-P=1 \"表 x.dvi\"|" + directory, read_link(link)) << "overwritten by the second call";
  // The shell reads SW_SHOWDEFAULT back as normal; the file's header (offset 0x3C) keeps it.
  std::string raw = read_file(link);
  EXPECT_EQ(SW_SHOWDEFAULT, raw.size() > 0x3C ? raw[0x3C] : -1) << "show command in the file";
  EXPECT_FALSE(create_shortcut(target.c_str(), "", directory.c_str(),
                               (scratch / "no such folder\\x.lnk").c_str()));
  EXPECT_FALSE(exists(scratch / "no such folder\\x.lnk"));
  CoUninitialize();
}

}  // namespace

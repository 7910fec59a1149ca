// The steps' texts: autoexec.bat set lines, PATH values, tar command lines,
// GhostScript's uninstall entries and font map.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "install/env_text.h"
#include "install/ghostscript_text.h"
#include "install/tar_command.h"

namespace {

TEST(remove_set_lines, drops_only_the_lines_that_set_the_variable) {
  const std::string text =
      "@echo off\r\nset TEXMF=c:/tex\r\n  SET texmf = x\r\nrem set TEXMF=x\r\n"
      "set TEXMFMAIN=x\r\nset PATH=%PATH%;c:\\表\\bin\r\nset texmf=last";
  wklib::string kept;
  EXPECT_EQ(3, remove_set_lines(text.c_str(), "TEXMF", kept));
  EXPECT_STREQ("@echo off\r\nrem set TEXMF=x\r\nset TEXMFMAIN=x\r\nset PATH=%PATH%;c:\\表\\bin\r\n",
               kept.c_str());
  EXPECT_EQ(0, remove_set_lines("echo\r\nset GS_LIBX=1\r\n", "GS_LIB", kept));
  EXPECT_STREQ("echo\r\nset GS_LIBX=1\r\n", kept.c_str()) << "nothing dropped, nothing changed";
}

TEST(path_texts, join_directories_as_each_family_needs) {
  struct {
    const char* value;
    const char* expected;
  } cases[] = {{"", "c:\\tex\\bin;"},
               {"c:\\windows;", "c:\\windows;c:\\tex\\bin;"},
               {"c:\\windows", "c:\\windows;c:\\tex\\bin;"}};
  for (const auto& c : cases)
    EXPECT_STREQ(c.expected, path_value_with(c.value, "c:\\tex\\bin").c_str()) << c.value;
  std::vector<wklib::string> both{"c:\\tex\\bin", "c:\\gs\\gs8.14\\bin"};
  EXPECT_STREQ("set PATH=\"%PATH%\";c:\\tex\\bin;c:\\gs\\gs8.14\\bin",
               autoexec_path_line(both).c_str());
  EXPECT_STREQ("c:\\tex\\bin,c:\\gs\\gs8.14\\bin", joined(both, ",").c_str());
  EXPECT_STREQ("C:\\autoexec.bat", autoexec_path("C:\\WINDOWS").c_str());
  EXPECT_STREQ("", autoexec_path("").c_str());
}

TEST(tar_command_line, picks_the_mode_and_keeps_double_byte_characters) {
  struct {
    const char* archive;
    const char* expected;
  } cases[] = {
      {"c:\\download\\ptex-w32.tar.gz", "\"c:\\tex\\tar.exe\" zxvf \"c:/download/ptex-w32.tar.gz\""},
      {"c:\\download\\x.tar.BZ2", "\"c:\\tex\\tar.exe\" jxvf \"c:/download/x.tar.BZ2\""},
      {"c:\\download\\x.tbz", "\"c:\\tex\\tar.exe\" zxvf \"c:/download/x.tbz\""},
      {"c:\\表\\ソ.tar.gz", "\"c:\\tex\\tar.exe\" zxvf \"c:/表/ソ.tar.gz\""},
      {"c:\\my files\\a.tar.gz", "\"c:\\tex\\tar.exe\" zxvf \"c:/my files/a.tar.gz\""}};
  for (const auto& c : cases)
    EXPECT_STREQ(c.expected, tar_command_line("c:\\tex\\", c.archive).c_str()) << c.archive;
  EXPECT_STREQ("ソ.tar.gz", file_name_of("c:\\表\\ソ.tar.gz").c_str());
}

TEST(matches_whole_name, wants_the_whole_name_in_its_letter_case) {
  wklib::pattern_search finder("AFPL Ghostscript [0-9]*\\.[0-9]*");
  EXPECT_TRUE(matches_whole_name(finder, "AFPL Ghostscript 8.14"));
  EXPECT_FALSE(matches_whole_name(finder, "AFPL Ghostscript 8.14 (Japanese)"));
  EXPECT_FALSE(matches_whole_name(finder, "afpl ghostscript 8.14"));
  EXPECT_FALSE(matches_whole_name(finder, "Old AFPL Ghostscript 8.14"));
}

std::set<std::string> present;
bool fake_exists(const wklib::string& path) { return present.count(path.c_str()) > 0; }

TEST(uninstaller_file, tries_each_space_outside_quotes) {
  struct {
    std::set<std::string> files;
    const char* command;
    const char* expected;
  } cases[] = {
      {{"C:\\gs\\uninstgs.exe"}, "\"C:\\gs\\uninstgs.exe\" \"C:\\gs\\gs8.14\\uninstal.txt\"",
       "C:\\gs\\uninstgs.exe"},
      {{"C:\\Program Files\\gs\\uninstgs.exe"},
       "C:\\Program Files\\gs\\uninstgs.exe C:\\Program Files\\gs\\gs8.14\\uninstal.txt",
       "C:\\Program Files\\gs\\uninstgs.exe"},
      {{"C:\\gs\\uninstgs.exe"}, "C:\\gs\\uninstgs -x", "C:\\gs\\uninstgs.exe"},
      {{"C:\\gs\\uninstgs.exe"}, "\"C:\\gs\\uninstgs\"", "C:\\gs\\uninstgs.exe"},
      {{}, "\"C:\\gone\\uninstgs.exe\" x", ""}};
  for (const auto& c : cases) {
    present = c.files;
    EXPECT_STREQ(c.expected, uninstaller_file(c.command, fake_exists).c_str()) << c.command;
  }
  EXPECT_STREQ("C:\\gs\\gs8.14\\", ghostscript_dir_beside("C:\\gs\\uninstgs.exe", "8.14").c_str());
}

TEST(cidfmap_entries, map_both_fonts_to_the_windows_fonts) {
  std::string block = cidfmap_entries("C:/WINDOWS").c_str();
  EXPECT_EQ(0u, block.find("\n/Ryumin-Light\n<<\n/FileType /TrueType\n/Path (C:/WINDOWS/fonts/"
                           "msmincho.ttc)\n/SubfontID 0\n/CSI [(Japan1) 3]\n>> ;\n\n"));
  EXPECT_NE(std::string::npos,
            block.find("\n\n/GothicBBB-Medium\n<<\n/FileType /TrueType\n/Path (C:/WINDOWS/fonts/"
                       "msgothic.ttc)\n/SubfontID 0\n/CSI [(Japan1) 3]\n>> ;\n"));
  EXPECT_EQ(16, static_cast<int>(std::count(block.begin(), block.end(), '\n')));
}

}  // namespace

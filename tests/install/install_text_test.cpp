// The steps' texts: autoexec.bat set lines, PATH values, tar command lines,
// GhostScript's uninstall entries and font map.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "install/env_text.h"
#include "install/ghostscript_text.h"
#include "install/tar_command.h"

namespace {

TEST(remove_set_lines, drops_only_the_lines_that_set_the_variable) {
  wklib::string kept("left from before");
  EXPECT_EQ(
      3, remove_set_lines("@echo off\r\nset TEXMF=c:/tex\r\n  SET texmf = x\r\nrem set TEXMF=x\r\n"
                          "set TEXMFMAIN=x\r\nset PATH=%PATH%;c:\\表\\bin\r\nset texmf=last",
                          "TEXMF", kept));
  EXPECT_STREQ("@echo off\r\nrem set TEXMF=x\r\nset TEXMFMAIN=x\r\nset PATH=%PATH%;c:\\表\\bin\r\n",
               kept.c_str());
}

// (The autoexec.bat line and the joined directories show in steps_test's 9x rows.)
TEST(path_value_with, adds_a_separator_only_where_missing) {
  for (const char* value : {"", "c:\\windows;", "c:\\windows"})
    EXPECT_STREQ(*value ? "c:\\windows;c:\\tex\\bin;" : "c:\\tex\\bin;",
                 path_value_with(value, "c:\\tex\\bin").c_str())
        << value;
}

TEST(tar_command_line, picks_the_mode_and_keeps_double_byte_characters) {
  struct {
    const char *archive, *expected;
  } cases[] = {{"c:\\download\\ptex-w32.tar.gz", "zxvf \"c:/download/ptex-w32.tar.gz\""},
               {"c:\\download\\x.tar.BZ2", "jxvf \"c:/download/x.tar.BZ2\""},
               {"c:\\download\\x.tbz", "zxvf \"c:/download/x.tbz\""},
               {"c:\\表\\ソ.tar.gz", "zxvf \"c:/表/ソ.tar.gz\""}};
  for (const auto& c : cases)
    EXPECT_EQ(std::string("\"c:\\tex\\tar.exe\" ") + c.expected,
              tar_command_line("c:\\tex\\", c.archive).c_str())
        << c.archive;
}

// (A longer name, "GSview 4.6 (Japanese)", is steps_test's on the registry.)
TEST(matches_whole_name, wants_the_whole_name_in_its_letter_case) {
  wklib::pattern_search finder("AFPL Ghostscript [0-9]*\\.[0-9]*");
  struct {
    const char* name;
    bool expected;
  } cases[] = {{"AFPL Ghostscript 8.14", true},
               {"afpl ghostscript 8.14", false},
               {"Old AFPL Ghostscript 8.14", false}};
  for (const auto& c : cases) EXPECT_EQ(c.expected, matches_whole_name(finder, c.name)) << c.name;
}

std::set<std::string> present;
bool fake_exists(const wklib::string& path) { return present.count(path.c_str()) > 0; }

TEST(uninstaller_file, tries_each_space_outside_quotes) {
  struct {
    std::set<std::string> files;
    const char *command, *expected;
  } cases[] = {
      {{"C:\\gs\\uninstgs.exe"}, "\"C:\\gs\\uninstgs.exe\" \"C:\\gs\\gs8.14\\uninstal.txt\"",
       "C:\\gs\\uninstgs.exe"},
      {{"C:\\Program Files\\gs\\uninstgs.exe"},
       "C:\\Program Files\\gs\\uninstgs.exe C:\\Program Files\\gs\\gs8.14\\uninstal.txt",
       "C:\\Program Files\\gs\\uninstgs.exe"},
      {{"C:\\gs\\uninstgs.exe"}, "C:\\gs\\uninstgs -x", "C:\\gs\\uninstgs.exe"},
      {{}, "\"C:\\gone\\uninstgs.exe\" x", ""}};
  for (const auto& c : cases) {
    present = c.files;
    EXPECT_STREQ(c.expected, uninstaller_file(c.command, fake_exists).c_str()) << c.command;
  }
  EXPECT_STREQ("C:\\gs\\gs8.14\\", ghostscript_dir_beside("C:\\gs\\uninstgs.exe", "8.14").c_str());
}

TEST(cidfmap_entries, map_both_fonts_to_the_windows_fonts) {
  EXPECT_STREQ(
      "\n/Ryumin-Light\n<<\n/FileType /TrueType\n/Path (C:/WINDOWS/fonts/msmincho.ttc)\n"
      "/SubfontID 0\n/CSI [(Japan1) 3]\n>> ;\n\n/GothicBBB-Medium\n<<\n/FileType /TrueType\n"
      "/Path (C:/WINDOWS/fonts/msgothic.ttc)\n/SubfontID 0\n/CSI [(Japan1) 3]\n>> ;\n",
      cidfmap_entries("C:/WINDOWS").c_str());
}

}  // namespace

// run_and_wait with the run_probe fixture: exit codes, the working directory,
// the window's show state, the environment, and programs that cannot start.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "system/process.h"
#include "tests/common/scratch.h"

namespace {

TEST(run_and_wait, answers_the_exit_code_and_passes_directory_show_state_and_environment) {
  scratch_directory scratch("run");
  const std::string report = scratch / "report.txt", plain = scratch / "tex",
                    kanji = scratch / "作業表";  // 表 ends in the byte 0x5C: no backslash to drop
  std::string probe = "Z:" + std::string(RUN_PROBE_PATH);
  for (char& c : probe)
    if (c == '/') c = '\\';
  ASSERT_TRUE(CreateDirectoryA(plain.c_str(), nullptr) && CreateDirectoryA(kanji.c_str(), nullptr));
  SetEnvironmentVariableA("TAMARI_PROBE", "表示 set by the parent");
  char old_directory[MAX_PATH + 1] = "";
  GetCurrentDirectoryA(sizeof old_directory, old_directory);
  SetCurrentDirectoryA(plain.c_str());  // so that "C:" would not be C's root
  struct {
    int exit_code;
    std::string given, expected_directory;
    bool show;
  } cases[] = {
      {0, plain + "\\", plain, false}, {255, kanji, kanji, true}, {3, kanji + "\\", kanji, false},
      {0, "C:\\", "C:\\", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("exit code " + std::to_string(c.exit_code) + " in " + c.given);
    DeleteFileA(report.c_str());
    std::string command = "\"" + probe + "\" " + std::to_string(c.exit_code) + " \"" + report + "\"";
    EXPECT_EQ(c.exit_code == 0, run_and_wait(command.c_str(), c.given.c_str(), c.show));
    // The answer must come from the finished child, not from a start that failed.
    std::vector<std::string> lines = read_lines(report);
    ASSERT_EQ(4u, lines.size()) << "the child did not run to its end";
    EXPECT_EQ(c.expected_directory, lines[0]);
    // STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES: the child gets our handles.
    EXPECT_EQ(0x101ul, std::stoul(lines[1]) & 0x101ul) << "flags " << lines[1];
    EXPECT_EQ(std::to_string(c.show ? SW_SHOW : SW_HIDE), lines[2]);
    EXPECT_EQ("表示 set by the parent", lines[3]);
  }
  SetEnvironmentVariableA("TAMARI_PROBE", nullptr);
  SetCurrentDirectoryA(old_directory);
  DeleteFileA(report.c_str());
  std::string good = "\"" + probe + "\" 0 \"" + report + "\"";
  EXPECT_FALSE(run_and_wait(good.c_str(), (scratch / "missing\\").c_str(), false));
  EXPECT_FALSE(exists(report)) << "the child ran although its directory is missing";
  std::string missing = "\"" + (scratch / "no such program.exe") + "\" 0";
  EXPECT_FALSE(run_and_wait(missing.c_str(), scratch.path().c_str(), false));
  EXPECT_FALSE(run_and_wait("", scratch.path().c_str(), false));
}

}  // namespace

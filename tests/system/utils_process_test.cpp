// run_and_wait with the run_probe fixture: exit codes, the working directory,
// the window's show state, the environment, and programs that cannot start.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "system/file_system.h"
#include "system/process.h"
#include "tests/common/scratch.h"

namespace {

std::string probe_path() {
  std::string path = std::string("Z:") + RUN_PROBE_PATH;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

// The report's lines: directory, STARTUPINFO flags, show state, TAMARI_PROBE.
std::vector<std::string> report_lines(const std::string& report) {
  std::vector<std::string> lines;
  std::string content = read_file(report);
  size_t start = 0;
  for (size_t end; (end = content.find('\n', start)) != std::string::npos; start = end + 1)
    lines.push_back(content.substr(start, end - start));
  return lines;
}

class run_and_wait_test : public testing::Test {
 protected:
  run_and_wait_test() : scratch_("run"), report_(scratch_ / "report.txt") {}

  std::string command(int exit_code) const {
    return "\"" + probe_path() + "\" " + std::to_string(exit_code) + " \"" + report_ + "\"";
  }

  scratch_directory scratch_;
  std::string report_;
};

TEST_F(run_and_wait_test, answers_true_exactly_for_exit_code_zero) {
  ASSERT_TRUE(exists(probe_path())) << "expected the fixture at " << probe_path();
  struct {
    int exit_code;
    bool expected;
  } cases[] = {{0, true}, {1, false}, {3, false}, {255, false}};
  for (const auto& c : cases) {
    DeleteFileA(report_.c_str());
    EXPECT_EQ(c.expected,
              run_and_wait(command(c.exit_code).c_str(), scratch_.path().c_str(), false))
        << "exit code " << c.exit_code;
    // The answer must come from the finished child, not from a start that failed.
    EXPECT_EQ(4u, report_lines(report_).size())
        << "exit code " << c.exit_code << ": the child did not run to its end";
  }
}

TEST_F(run_and_wait_test, runs_in_the_directory_without_its_trailing_backslash) {
  // 表 ends in the byte 0x5C: a directory ending with it has no backslash to drop.
  std::string plain = scratch_ / "tex";
  std::string kanji = scratch_ / "作業表";
  ASSERT_TRUE(CreateDirectoryA(plain.c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryA(kanji.c_str(), nullptr));
  struct {
    std::string given;
    std::string expected;
  } cases[] = {
      {plain + "\\", plain},
      {plain, plain},
      {kanji + "\\", kanji},
      {kanji, kanji},
  };
  for (const auto& c : cases) {
    DeleteFileA(report_.c_str());
    EXPECT_TRUE(run_and_wait(command(0).c_str(), c.given.c_str(), false)) << c.given;
    std::vector<std::string> lines = report_lines(report_);
    ASSERT_EQ(4u, lines.size()) << c.given;
    EXPECT_EQ(c.expected, lines[0]) << "working directory given as " << c.given;
  }
}

TEST_F(run_and_wait_test, keeps_the_backslash_of_a_drive_root) {
  // "C:" alone would be drive C's current directory, not its root.
  char old_directory[MAX_PATH + 1] = "";
  GetCurrentDirectoryA(sizeof old_directory, old_directory);
  SetCurrentDirectoryA(scratch_.path().c_str());
  bool ran = run_and_wait(command(0).c_str(), "C:\\", false);
  SetCurrentDirectoryA(old_directory);
  EXPECT_TRUE(ran);
  std::vector<std::string> lines = report_lines(report_);
  ASSERT_EQ(4u, lines.size());
  EXPECT_EQ("C:\\", lines[0]);
}

TEST_F(run_and_wait_test, passes_the_show_state_and_the_environment) {
  SetEnvironmentVariableA("TAMARI_PROBE", "表示 set by the parent");
  for (bool show : {false, true}) {
    DeleteFileA(report_.c_str());
    EXPECT_TRUE(run_and_wait(command(0).c_str(), scratch_.path().c_str(), show));
    std::vector<std::string> lines = report_lines(report_);
    ASSERT_EQ(4u, lines.size()) << "show " << show;
    unsigned long flags = std::stoul(lines[1]);
    // STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES: the child gets our handles.
    EXPECT_EQ(0x101ul, flags & 0x101ul) << "show " << show << ": flags " << flags;
    EXPECT_EQ(std::to_string(show ? SW_SHOW : SW_HIDE), lines[2]) << "show " << show;
    EXPECT_EQ("表示 set by the parent", lines[3]) << "show " << show;
  }
  SetEnvironmentVariableA("TAMARI_PROBE", nullptr);
}

TEST_F(run_and_wait_test, answers_false_for_a_program_that_cannot_start) {
  std::string missing = "\"" + (scratch_ / "no such program.exe") + "\" 0";
  EXPECT_FALSE(run_and_wait(missing.c_str(), scratch_.path().c_str(), false));
  // A working directory that does not exist stops the start as well.
  EXPECT_FALSE(run_and_wait(command(0).c_str(), (scratch_ / "missing\\").c_str(), false));
  EXPECT_FALSE(exists(report_)) << "the child ran although its directory is missing";
  EXPECT_FALSE(run_and_wait("", scratch_.path().c_str(), false));
}

}  // namespace

// Starts the real tamari3.exe, copied into a scratch directory, as a child process.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/common/scratch.h"


namespace {

// Copies the program into `dir` and runs it there; answers its exit code, or
// a note when it did not end within the time (a message box would hang it).
struct run_result {
  bool ended;
  DWORD exit_code;
};

run_result run_program(const scratch_directory& dir) {
  std::string exe = (dir / "tamari3.exe");
  EXPECT_TRUE(
      CopyFileA(build_tree_path("shell/tamari3.exe").c_str(), exe.c_str(), FALSE))
      << "copy of the program failed, error " << GetLastError();
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  std::string command = "\"" + exe + "\" some ignored arguments";
  SetLastError(0xdeadbeef);
  if (!CreateProcessA(exe.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                      dir.path().c_str(), &si, &pi)) {
    ADD_FAILURE() << "CreateProcessA failed, error " << GetLastError();
    return {false, 0};
  }
  run_result result = {WaitForSingleObject(pi.hProcess, 60000) == WAIT_OBJECT_0, 0};
  if (!result.ended) TerminateProcess(pi.hProcess, 1);
  GetExitCodeProcess(pi.hProcess, &result.exit_code);
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  return result;
}

bool is_header(const std::string& line) {
  return line.compare(0, 8, "--------") == 0 &&
         line.find("に起動した時のログ ----------") != std::string::npos;
}

}  // namespace

TEST(startup, first_start_writes_the_defaults_and_brackets_the_log) {
  scratch_directory dir("first");
  run_result r = run_program(dir);
  ASSERT_TRUE(r.ended) << "the program did not end";
  EXPECT_EQ(0u, r.exit_code);

  std::vector<std::string> ini = read_lines((dir / "tamari3.ini"));
  int keys = 0;
  for (const std::string& line : ini) {
    if (line.empty() || line[0] == '[') continue;
    ++keys;
    EXPECT_NE(0u, line.find('=')) << line;
    EXPECT_NE(0u, line.compare(0, 6, "Proxy=")) << "Proxy is not a default";
    EXPECT_NE(0u, line.compare(0, 5, "Port=")) << "Port is not a default";
  }
  EXPECT_EQ(17, keys) << read_file((dir / "tamari3.ini"));
  EXPECT_EQ(0u, std::string(read_file((dir / "tamari3.ini")))
                    .find("[Dir]\r\nHozon=c:\\download\\\r\nInstall=c:\\tex\\\r\n"))
      << "Dir/DVIOUT must not be written";

  std::vector<std::string> log = read_lines((dir / "tamari3.log"));
  ASSERT_EQ(2u, log.size()) << read_file((dir / "tamari3.log"));
  EXPECT_TRUE(is_header(log[0])) << log[0];
  EXPECT_EQ("", log[1]);
}

TEST(startup, an_existing_empty_settings_file_is_left_empty) {
  scratch_directory dir("empty");
  write_file((dir / "tamari3.ini"), "");
  run_result r = run_program(dir);
  ASSERT_TRUE(r.ended);
  EXPECT_EQ(0u, r.exit_code);
  EXPECT_EQ("", read_file((dir / "tamari3.ini")))
      << "defaults are written only when the file is missing";
}

TEST(startup, a_second_copy_exits_with_minus_one_and_shows_nothing) {
  scratch_directory dir("second");
  write_file((dir / "tamari3.log"), "earlier line\r\n");
  HANDLE held = CreateMutexA(nullptr, FALSE, "tamari3");
  ASSERT_TRUE(held != nullptr);
  run_result r = run_program(dir);
  CloseHandle(held);
  ASSERT_TRUE(r.ended) << "a refused start must not wait for anyone (no message box)";
  EXPECT_EQ(static_cast<DWORD>(-1), r.exit_code);
  EXPECT_FALSE(exists((dir / "tamari3.ini"))) << "a refused start writes no settings";
  std::vector<std::string> log = read_lines((dir / "tamari3.log"));
  ASSERT_EQ(3u, log.size()) << read_file((dir / "tamari3.log"));
  EXPECT_EQ("earlier line", log[0]) << "runs accumulate";
  EXPECT_TRUE(is_header(log[1])) << log[1];
  EXPECT_EQ("", log[2]);

  // With the mutex free again, the next start runs normally.
  run_result again = run_program(dir);
  ASSERT_TRUE(again.ended);
  EXPECT_EQ(0u, again.exit_code);
}

TEST(startup, without_a_usable_log_the_program_still_runs_to_its_end) {
  scratch_directory dir("nolog");
  // A directory in the log's place makes every open of the log fail.
  ASSERT_TRUE(CreateDirectoryA((dir / "tamari3.log").c_str(), nullptr));
  run_result r = run_program(dir);
  ASSERT_TRUE(r.ended);
  EXPECT_EQ(0u, r.exit_code);
  EXPECT_TRUE(exists((dir / "tamari3.ini")));
}

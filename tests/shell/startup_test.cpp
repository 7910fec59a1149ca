// Starts the real tamari3.exe, copied into a scratch directory, as a child
// process: what only the entry point decides. The settings and the log
// themselves are tests/state's.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/common/scratch.h"
#include "tests/shell/child_wizard.h"

namespace {

struct run_result {
  bool ended;  // false: still running after a minute (a message box would hang it)
  DWORD exit_code;
};

// Copies the program into `dir` and runs it there; `while_running` gets the
// child's process id before the wait.
run_result run_program(const scratch_directory& dir,
                       const std::function<void(DWORD)>& while_running = nullptr) {
  std::string exe = dir / "tamari3.exe";
  EXPECT_TRUE(CopyFileA(build_tree_path("shell/tamari3.exe").c_str(), exe.c_str(), FALSE))
      << "copy of the program failed, error " << GetLastError();
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  std::string command = "\"" + exe + "\" some ignored arguments";
  if (!CreateProcessA(exe.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                      dir.path().c_str(), &si, &pi)) {
    ADD_FAILURE() << "CreateProcessA failed, error " << GetLastError();
    return {false, 0};
  }
  if (while_running) while_running(pi.dwProcessId);
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

struct found_box {
  HWND window = nullptr;
  DWORD process = 0;
};

BOOL CALLBACK find_box_of(HWND window, LPARAM p) {
  found_box* box = reinterpret_cast<found_box*>(p);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  char class_name[16] = "";
  GetClassNameA(window, class_name, sizeof class_name);
  if (owner != box->process || std::string(class_name) != "#32770" || !IsWindowVisible(window))
    return TRUE;
  box->window = window;
  return FALSE;
}

// The first dialog box the process shows within 30 seconds, or null.
HWND wait_for_box_of(DWORD process) {
  found_box box;
  box.process = process;
  for (int i = 0; i < 300 && !box.window; ++i) {
    EnumWindows(find_box_of, reinterpret_cast<LPARAM>(&box));
    if (!box.window) Sleep(100);
  }
  return box.window;
}

std::string window_text(HWND window) {
  char text[256] = "";
  GetWindowTextA(window, text, sizeof text);
  return text;
}

// Waits for the child's wizard and cancels it, as the user ends a run; keeps
// its caption ("" when no wizard appeared within a minute).
std::function<void(DWORD)> cancel_wizard(std::string& caption) {
  return [&caption](DWORD process) {
    for (int i = 0; i < 600; ++i) {
      if (HWND wizard = child_wizard::find(process)) {
        caption = window_text(wizard);
        child_wizard::cancel(wizard);
        return;
      }
      Sleep(100);
    }
  };
}

}  // namespace

TEST(startup, first_start_writes_the_settings_and_brackets_the_log) {
  scratch_directory dir("first");
  std::string wizard;
  run_result r = run_program(dir, cancel_wizard(wizard));
  ASSERT_TRUE(r.ended) << "the program did not end";
  EXPECT_EQ("TeXのインストール", wizard) << "the wizard did not appear";
  EXPECT_EQ(0u, r.exit_code);
  EXPECT_EQ(0u, read_file(dir / "tamari3.ini").find("[Dir]\r\nHozon=c:\\download\\\r\n"))
      << "expected the defaults, got:\n" << read_file(dir / "tamari3.ini");
  std::vector<std::string> log = read_lines(dir / "tamari3.log");
  ASSERT_EQ(2u, log.size()) << read_file(dir / "tamari3.log");
  EXPECT_TRUE(is_header(log[0])) << log[0];
  EXPECT_EQ("", log[1]);
}

TEST(startup, an_existing_empty_settings_file_is_left_empty) {
  scratch_directory dir("empty");
  write_file(dir / "tamari3.ini", "");
  std::string wizard;
  run_result r = run_program(dir, cancel_wizard(wizard));
  ASSERT_TRUE(r.ended);
  EXPECT_EQ(0u, r.exit_code);
  EXPECT_EQ("", read_file(dir / "tamari3.ini"))
      << "defaults are written only when the file is missing";
}

TEST(startup, a_second_copy_exits_with_minus_one_and_shows_nothing) {
  scratch_directory dir("second");
  write_file(dir / "tamari3.log", "earlier line\r\n");
  HANDLE held = CreateMutexA(nullptr, FALSE, "tamari3");
  ASSERT_TRUE(held != nullptr);
  run_result r = run_program(dir);
  CloseHandle(held);
  ASSERT_TRUE(r.ended) << "a refused start must not wait for anyone (no message box)";
  EXPECT_EQ(static_cast<DWORD>(-1), r.exit_code);
  EXPECT_FALSE(exists(dir / "tamari3.ini")) << "a refused start writes no settings";
  std::vector<std::string> log = read_lines(dir / "tamari3.log");
  ASSERT_EQ(3u, log.size()) << read_file(dir / "tamari3.log");
  EXPECT_EQ("earlier line", log[0]) << "runs accumulate";
  EXPECT_TRUE(is_header(log[1])) << log[1];
}

// Another kind of object holding the name makes the mutex itself fail: that is
// no second copy, and the user is told before the program gives up.
TEST(startup, a_mutex_that_cannot_be_made_shows_the_failure_box) {
  scratch_directory dir("failed");
  HANDLE event = CreateEventA(nullptr, TRUE, FALSE, "tamari3");
  ASSERT_TRUE(event != nullptr) << "error " << GetLastError();
  std::string caption, text;
  run_result r = run_program(dir, [&](DWORD process) {
    HWND box = wait_for_box_of(process);
    if (!box) return;
    caption = window_text(box);
    text = window_text(GetDlgItem(box, 0xFFFF));
    PostMessageA(box, WM_COMMAND, IDOK, 0);
  });
  CloseHandle(event);
  ASSERT_TRUE(r.ended) << "the box was not found, or OK did not end the program";
  EXPECT_EQ("tamari3", caption);
  EXPECT_EQ("初期化に失敗．", text);
  EXPECT_EQ(static_cast<DWORD>(-1), r.exit_code);
  EXPECT_FALSE(exists(dir / "tamari3.ini")) << "a failed start writes no settings";
}

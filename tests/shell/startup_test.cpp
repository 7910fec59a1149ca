// Starts the real tamari3.exe, copied into a scratch directory, as a child
// process: what only the entry point decides. The settings and the log
// themselves are tests/state's.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/common/scratch.h"
#include "tests/ui_driver/ui_driver.h"

namespace {

bool is_header(const std::string& line) {
  return line.compare(0, 8, "--------") == 0 &&
         line.find("に起動した時のログ ----------") != std::string::npos;
}

// An existing settings file, even an empty one, is not filled with defaults
// (the first start without one is the end-to-end walk's); one copy runs at a
// time, and a name held by another kind of object is a failure the user is told
// of. Every start adds its header to the log.
TEST(startup, settings_single_instance_and_log) {
  const DWORD refused = static_cast<DWORD>(-1);
  const struct {
    const char* name;
    const char* ini_before;  // null: no settings file
    const char* held;        // "mutex", "event": the name tamari3 taken before the start
    const char* shown;       // the caption of what the program shows; null: nothing may show
    const char* box;         // its message, answered with OK; null: the wizard, cancelled
    DWORD exit_code;
  } cases[] = {
      {"empty", "", nullptr, "TeXのインストール", nullptr, 0},
      {"second", nullptr, "mutex", nullptr, nullptr, refused},
      {"failed", nullptr, "event", "tamari3", "初期化に失敗．", refused},
  };
  for (const auto& c : cases) {
    scratch_directory dir(c.name);
    write_file(dir / "tamari3.log", "earlier line\r\n");
    if (c.ini_before) write_file(dir / "tamari3.ini", c.ini_before);
    HANDLE held = !c.held ? nullptr
                  : std::strcmp(c.held, "mutex") == 0 ? CreateMutexA(nullptr, FALSE, "tamari3")
                                                      : CreateEventA(nullptr, TRUE, FALSE, "tamari3");
    std::string exe = dir / "tamari3.exe", command = "\"" + exe + "\" some ignored arguments";
    ASSERT_TRUE(CopyFileA(build_tree_path("shell/tamari3.exe").c_str(), exe.c_str(), FALSE));
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    ASSERT_TRUE(CreateProcessA(exe.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, dir.path().c_str(),
                               &si, &pi)) << "error " << GetLastError();
    std::string shown = "(nothing)";
    HWND window = c.shown ? ui_driver::wait_for_window({"#32770", c.shown, 0, pi.dwProcessId}, 60000) : nullptr;
    if (window && c.box) {
      shown = ui_driver::message_box_text(window);
      ui_driver::press(window, IDOK);
    } else if (window) {
      shown = "wizard";
      ui_driver::press_wizard(window, ui_driver::wizard_cancel);
    }
    // A message box nobody answers would keep the program running.
    bool ended = WaitForSingleObject(pi.hProcess, 60000) == WAIT_OBJECT_0;
    if (!ended) TerminateProcess(pi.hProcess, 1);
    DWORD exit_code = 0;
    GetExitCodeProcess(pi.hProcess, &exit_code);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    if (held) CloseHandle(held);
    EXPECT_TRUE(ended) << c.name << ": the program did not end";
    EXPECT_EQ(!c.shown ? "(nothing)" : c.box ? c.box : "wizard", shown) << c.name;
    EXPECT_EQ(c.exit_code, exit_code) << c.name;
    // A file is left as it was; a refused start writes none.
    EXPECT_EQ(c.ini_before ? c.ini_before : "(none)",
              exists(dir / "tamari3.ini") ? read_file(dir / "tamari3.ini") : "(none)") << c.name;
    std::vector<std::string> log = read_lines(dir / "tamari3.log");
    ASSERT_EQ(3u, log.size()) << c.name << ":\n" << read_file(dir / "tamari3.log");
    EXPECT_EQ("earlier line", log[0]) << c.name << ": runs accumulate";
    EXPECT_TRUE(is_header(log[1])) << c.name << ": " << log[1];
    EXPECT_EQ("", log[2]) << c.name;
  }
}

}  // namespace

#include "system/process.h"

#include <windows.h>

#include "system/path_text.h"

bool run_and_wait(const wklib::string& command_line, const wklib::string& working_directory,
                  bool show) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  GetStartupInfoA(&startup);
  startup.dwFlags |= STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
  startup.wShowWindow = static_cast<WORD>(show ? SW_SHOW : SW_HIDE);

  wklib::string directory = working_directory;
  int length = directory.length();
  if (ends_with_backslash(directory)) {
    // "c:\" without its backslash would be drive c's current directory, not its root.
    bool drive_root = length == 3 && directory[1] == ':';
    if (!drive_root) directory.erase(length - 1);
  }

  // CreateProcessA may write into the command line.
  wklib::string command = command_line;
  char* writable = command.buffer(command.length());
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(nullptr, writable, nullptr, nullptr, TRUE, 0, nullptr,
                      directory.empty() ? nullptr : directory.c_str(), &startup, &process))
    return false;
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD exit_code = 1;
  if (!GetExitCodeProcess(process.hProcess, &exit_code)) exit_code = 1;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return exit_code == 0;
}

// Finding the wizard of a tamari3.exe started as another process, and closing
// it the way the user does, with its Cancel button.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <string>

namespace child_wizard {

struct search {
  DWORD process;  // 0: any process
  HWND found;
};

inline BOOL CALLBACK match(HWND window, LPARAM lparam) {
  search* s = reinterpret_cast<search*>(lparam);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  char name[64] = "", caption[256] = "";
  GetClassNameA(window, name, sizeof name);
  GetWindowTextA(window, caption, sizeof caption);
  if ((s->process == 0 || s->process == process) && IsWindowVisible(window) &&
      std::string(name) == "#32770" && std::string(caption) == "TeXのインストール") {
    s->found = window;
    return FALSE;
  }
  return TRUE;
}

// The visible wizard of `process` (0: of any process), or null.
inline HWND find(DWORD process) {
  search s = {process, nullptr};
  EnumWindows(match, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

inline void cancel(HWND wizard) { PostMessageA(wizard, PSM_PRESSBUTTON, PSBTN_CANCEL, 0); }

}  // namespace child_wizard

// Cancels the wizard of a running tamari3.exe within a minute, so that scripts
// can run the program to its end: exit code 0, or 1 when no wizard appeared.
#include <windows.h>
#include <prsht.h>

#include <cstdio>

int main() {
  for (int waited = 0; waited < 60000; waited += 200) {
    if (HWND wizard = FindWindowA("#32770", "TeXのインストール")) {
      PostMessageA(wizard, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
      std::printf("cancelled the wizard\n");
      return 0;
    }
    Sleep(200);
  }
  std::printf("no wizard appeared within a minute\n");
  return 1;
}

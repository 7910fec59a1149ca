// Waits up to a minute for the wizard of a running tamari3.exe and cancels it
// with its Cancel button, so that scripts can run the program to its end. Exit
// code 0 when a wizard was found and cancelled, 1 when none appeared.
#include <windows.h>
#include <commctrl.h>
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

/* Started once per Wine session, away from any test runner's output pipes: its
   window makes Wine start the desktop process (explorer.exe) and the services,
   which outlive it. A test program that started them itself would hand them its
   output pipe, and the runner would wait for them. */
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command, int show) {
  (void)previous;
  (void)command;
  (void)show;
  HWND window = CreateWindowExA(0, "STATIC", "warm-up", WS_POPUP, 0, 0, 10, 10, NULL, NULL, instance, NULL);
  if (window) DestroyWindow(window);
  return 0;
}

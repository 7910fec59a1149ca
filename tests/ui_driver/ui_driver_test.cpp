// What a driver fault would hide from the tests that use it: a forgotten window
// closed so that no test hangs, and settle() returning only after the posted
// messages were taken.
#include <gtest/gtest.h>

#include <windows.h>

#include "tests/ui_driver/ui_driver.h"

namespace {

TEST(run_modal, closes_what_the_driver_left_open) {
  // Cancel where the box has one, else No, else OK.
  const struct {
    UINT style;
    int expected;
  } cases[] = {{MB_OK, IDOK}, {MB_YESNO, IDNO}, {MB_YESNOCANCEL, IDCANCEL}};
  for (const auto& c : cases) {
    int answer = 0;
    bool closed = ui_driver::run_modal(
        [&] { answer = MessageBoxA(nullptr, "放置", "ui_driver", c.style); }, [](DWORD) {}, 500);
    EXPECT_FALSE(closed) << "style " << c.style << ": the box cannot have closed by itself";
    EXPECT_EQ(c.expected, answer) << "style " << c.style;
  }
}

int g_seen = 0;
LRESULT CALLBACK counting_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message != WM_APP + 1) return DefWindowProcA(window, message, wparam, lparam);
  Sleep(20);  // slower than the driver's polling
  ++g_seen;
  return 0;
}

TEST(settle, returns_once_posted_messages_were_taken) {
  WNDCLASSA window_class = {};
  window_class.lpfnWndProc = &counting_procedure;
  window_class.lpszClassName = "ui_driver_counting";
  ASSERT_TRUE(RegisterClassA(&window_class));
  HWND window = CreateWindowA("ui_driver_counting", "counting", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0,
                              0, 100, 100, nullptr, nullptr, nullptr, nullptr);
  ASSERT_TRUE(window);
  int seen_when_settled = -1;
  bool settled = false;
  bool closed = ui_driver::run_modal(
      [&] {
        MSG message;
        while (GetMessageA(&message, nullptr, 0, 0) > 0 && message.message != WM_APP + 2)
          DispatchMessageA(&message);
      },
      [&](DWORD ui_thread) {
        for (int i = 0; i < 5; ++i) PostMessageA(window, WM_APP + 1, 0, 0);
        settled = ui_driver::settle(window);
        seen_when_settled = g_seen;
        PostThreadMessageA(ui_thread, WM_APP + 2, 0, 0);
      });
  EXPECT_TRUE(closed);
  EXPECT_TRUE(settled);
  EXPECT_EQ(5, seen_when_settled) << "settle returned before the posted messages were handled";
  DestroyWindow(window);
}

}  // namespace

// message_box: every kind with the buttons it shows and the answer each button
// gives, and kinds outside 0-4, which show nothing.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/message_box.h"
#include "tests/ui_driver/ui_driver.h"

namespace {

TEST(message_box, each_kind_shows_its_buttons_and_maps_the_answer) {
  // The answer follows the button whatever the kind, so one press per kind
  // reaches every answer.
  struct {
    int kind;
    std::vector<int> buttons;  // sorted
    int press, answer;
  } cases[] = {
      {wklib::box_ok, {IDOK}, IDOK, wklib::answer_ok},
      {wklib::box_ok_cancel, {IDOK, IDCANCEL}, IDCANCEL, wklib::answer_cancel},
      {wklib::box_retry_cancel, {IDCANCEL, IDRETRY}, IDRETRY, wklib::answer_other},
      {wklib::box_yes_no, {IDYES, IDNO}, IDYES, wklib::answer_yes},
      {wklib::box_yes_no_cancel, {IDCANCEL, IDYES, IDNO}, IDNO, wklib::answer_no},
  };
  const char text[] = "古いGhostScriptをアンインストールしますか？";
  for (const auto& c : cases) {
    SCOPED_TRACE("kind " + std::to_string(c.kind));
    std::string caption = "tamari3 試験 " + std::to_string(c.kind), text_seen;
    int answer = -1;
    std::vector<int> buttons_seen;
    EXPECT_TRUE(ui_driver::run_modal(
        [&] { answer = wklib::message_box(nullptr, text, caption.c_str(), c.kind); },
        [&](DWORD ui_thread) {
          HWND box = ui_driver::wait_for_window({"#32770", caption.c_str(), ui_thread});
          ASSERT_TRUE(box);
          text_seen = ui_driver::message_box_text(box);
          for (const auto& control : ui_driver::controls(box))
            if (control.class_name == "Button" && control.visible)
              buttons_seen.push_back(control.id);
          if (c.kind == wklib::box_yes_no_cancel)
            std::printf("screenshot: %s\n",
                        ui_driver::save_screenshot("message_box_yes_no_cancel", box).c_str());
          EXPECT_TRUE(ui_driver::press(box, c.press));
        }));
    std::sort(buttons_seen.begin(), buttons_seen.end());
    EXPECT_EQ(text, text_seen);
    EXPECT_EQ(c.buttons, buttons_seen);
    EXPECT_EQ(c.answer, answer);
  }
}

TEST(message_box, an_unknown_kind_shows_nothing_and_answers_other) {
  // Both ends of the range, in one run: any window at all would be seen.
  std::vector<int> answers;
  HWND seen = nullptr;
  EXPECT_TRUE(ui_driver::run_modal(
      [&] {
        for (int kind : {5, -1})
          answers.push_back(wklib::message_box(nullptr, "見えないはず", "tamari3", kind));
      },
      [&](DWORD ui_thread) {
        seen = ui_driver::wait_for_window({nullptr, nullptr, ui_thread}, 2000);
      },
      1000))
      << "an unknown kind showed a window that had to be closed";
  EXPECT_EQ(nullptr, seen);
  EXPECT_EQ((std::vector<int>{wklib::answer_other, wklib::answer_other}), answers)
      << "kinds 5 and -1";
}

}  // namespace

// The dialog framework with real windows: binding through the window property,
// messages before WM_INITDIALOG, the default on_close and the owner of a dialog's
// message box. (Control hooks and the scroll bar's setters have no caller in the
// installer and are not tested here.)
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/dialog.h"
#include "support/message_box.h"
#include "tests/support/dialog_test_ids.h"
#include "tests/ui_driver/ui_driver.h"

namespace {

const char property[] = "KOTORI_WINDOW_PROP";

class recording_dialog : public wklib::dialog {
 public:
  recording_dialog() : wklib::dialog(GetModuleHandleA(nullptr)) {}
  bool on_init(wklib::window_holder& window) override {
    events.push_back("init");
    init_window = window.handle;
    return true;
  }
  bool on_destroy(wklib::window_holder&) override {
    events.push_back("destroy");
    return false;
  }
  bool on_command(wklib::window_holder& window, int id, int notification) override {
    if (notification == BN_CLICKED) events.push_back("command " + std::to_string(id));
    if (id == IDOK) EndDialog(window.handle, 11);
    if (id == IDC_TEST_ASK && notification == BN_CLICKED)
      ask_answer = message_box("続けますか？", "確認", wklib::box_yes_no);
    return id == IDOK || id == IDC_TEST_ASK;
  }
  LRESULT on_message(wklib::window_holder&, UINT message, WPARAM, LPARAM) override {
    if (message == WM_SETFONT || message == WM_NCDESTROY) events.push_back("outside the binding");
    return 0;
  }
  std::vector<std::string> events;
  HWND init_window = nullptr;
  int ask_answer = -1;
};

// One walk through the test dialog: the binding from WM_INITDIALOG to WM_DESTROY
// and the question's box owned by the dialog.
TEST(dialog, one_walk_binds_and_asks) {
  recording_dialog dialog;
  INT_PTR result = 0;
  HWND found = nullptr, box_owner = nullptr;
  void* dialog_property = nullptr;
  std::string box_text;
  std::vector<int> box_buttons;
  EXPECT_TRUE(ui_driver::run_modal(
      [&] { result = dialog.show_modal(nullptr, IDD_TEST_DIALOG); },
      [&](DWORD ui_thread) {
        found = ui_driver::wait_for_window({"#32770", "枠組みの試験", false, ui_thread});
        ASSERT_TRUE(found) << "the test dialog did not appear";
        dialog_property = GetPropA(found, property);
        ASSERT_TRUE(ui_driver::press(found, IDC_TEST_ASK));
        HWND box = ui_driver::wait_for_window({"#32770", "確認", false, ui_thread});
        ASSERT_TRUE(box) << "no message box";
        box_owner = ui_driver::owner_of(box);
        box_text = ui_driver::message_box_text(box);
        box_buttons = ui_driver::button_ids(box);
        EXPECT_TRUE(ui_driver::press(box, IDNO));
        EXPECT_TRUE(ui_driver::wait_until_gone(box));
        EXPECT_TRUE(ui_driver::press(found, IDOK));
      }));
  EXPECT_EQ(11, result) << "the value given to EndDialog";
  EXPECT_EQ(&dialog, dialog_property);
  EXPECT_EQ(found, dialog.init_window);
  EXPECT_EQ((std::vector<std::string>{"init", "command 203", "command 1", "destroy"}), dialog.events)
      << "nothing before WM_INITDIALOG or after WM_DESTROY reaches the object";
  EXPECT_EQ(nullptr, dialog.holder()) << "the holder outlived the window";
  EXPECT_EQ(found, box_owner);
  EXPECT_EQ("続けますか？", box_text);
  std::sort(box_buttons.begin(), box_buttons.end());
  EXPECT_EQ((std::vector<int>{IDYES, IDNO}), box_buttons);
  EXPECT_EQ(wklib::answer_no, dialog.ask_answer);
}

TEST(dialog, closes_with_zero_by_default_and_gives_minus_one_without_a_template) {
  wklib::dialog plain(GetModuleHandleA(nullptr));
  INT_PTR result = -5;
  EXPECT_TRUE(ui_driver::run_modal([&] { result = plain.show_modal(nullptr, IDD_TEST_DIALOG); },
                                   [&](DWORD ui_thread) {
    HWND found = ui_driver::wait_for_window({"#32770", "枠組みの試験", false, ui_thread});
    ASSERT_TRUE(found);
    ui_driver::close(found);
  }));
  EXPECT_EQ(0, result) << "the close box";
  EXPECT_EQ(-1, plain.show_modal(nullptr, 4321));
  EXPECT_EQ(nullptr, plain.holder());
}

}  // namespace

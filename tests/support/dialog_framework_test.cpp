// The dialog framework with real windows: binding through the window property,
// messages before WM_INITDIALOG, the default on_close, the owner of a dialog's
// message box, a hooked control's dispatch, and the scroll bars.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "support/control_hook.h"
#include "support/dialog.h"
#include "support/message_box.h"
#include "support/scroll_bar.h"
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

// Swallows every 'x' typed, F2 and WM_CLOSE; answers WM_APP + 3 itself.
class recording_hook : public wklib::control_hook {
 public:
  bool on_char(wklib::window_holder&, UINT character, int) override {
    if (character != 'x') typed += static_cast<char>(character);
    return character == 'x';
  }
  bool on_key(wklib::window_holder&, bool down, UINT key, int repeat) override {
    if (key == VK_F2) events.push_back("F2 " + std::to_string(down) + ":" + std::to_string(repeat));
    return key == VK_F2;
  }
  bool on_left_down(wklib::window_holder&, const wklib::mouse_record& mouse,
                    bool double_click) override {
    events.push_back(std::string(double_click ? "double " : "left ") + std::to_string(mouse.x) +
                     "," + std::to_string(mouse.y));
    return true;
  }
  bool on_mouse_wheel(wklib::window_holder&, const wklib::mouse_record&, int delta) override {
    events.push_back("wheel " + std::to_string(delta));
    return true;
  }
  bool on_close(wklib::window_holder&) override { return true; }
  LRESULT on_message(wklib::window_holder&, UINT message, WPARAM wparam, LPARAM lparam) override {
    return message == WM_APP + 3 ? 333 : call_previous(message, wparam, lparam);
  }
  std::string typed;
  std::vector<std::string> events;
};

// One walk through the test dialog: the binding from WM_INITDIALOG to WM_DESTROY,
// the question's box owned by the dialog, and a hooked edit control that gets
// typing, keys, clicks and a private message.
TEST(dialog, one_walk_binds_asks_and_hooks) {
  recording_dialog dialog;
  recording_hook hook, never_used;
  dialog.add_control_hook(IDC_TEST_EDIT, &hook);
  dialog.add_control_hook(4999, &never_used);  // no such control
  void* edit_property = nullptr;
  std::string text_after_typing;
  std::vector<LRESULT> answers;  // F2, left click, WM_CLOSE, WM_APP + 3
  INT_PTR result = 0;
  HWND found = nullptr, box_owner = nullptr;
  void* dialog_property = nullptr;
  EXPECT_TRUE(ui_driver::run_modal([&] { result = dialog.show_modal(nullptr, IDD_TEST_DIALOG); },
      [&](DWORD ui_thread) {
        found = ui_driver::wait_for_window({"#32770", "枠組みの試験", ui_thread});
        ASSERT_TRUE(found) << "the test dialog did not appear";
        dialog_property = GetPropA(found, property);
        ASSERT_TRUE(ui_driver::press(found, IDC_TEST_ASK));
        HWND box = ui_driver::wait_for_window({"#32770", "確認", ui_thread});
        ASSERT_TRUE(box) << "no message box";
        box_owner = ui_driver::owner_of(box);
        EXPECT_TRUE(ui_driver::press(box, IDNO));
        EXPECT_TRUE(ui_driver::wait_until_gone(box));
        HWND edit = ui_driver::item(found, IDC_TEST_EDIT);
        edit_property = GetPropA(edit, property);
        auto send = [&](UINT message, WPARAM wparam, LPARAM lparam) {
          DWORD_PTR answer = 0;
          SendMessageTimeoutA(edit, message, wparam, lparam, SMTO_ABORTIFHUNG, 10000, &answer);
          return static_cast<LRESULT>(answer);
        };
        for (unsigned char c : std::string("axbx表")) send(WM_CHAR, c, 1);
        text_after_typing = ui_driver::item_text(found, IDC_TEST_EDIT);
        answers.push_back(send(WM_KEYDOWN, VK_F2, MAKELPARAM(3, 0)));
        send(WM_KEYUP, VK_F2, MAKELPARAM(1, 0));
        answers.push_back(send(WM_LBUTTONDOWN, 0, MAKELPARAM(-3, 7)));
        send(WM_LBUTTONDBLCLK, 0, MAKELPARAM(12, -1));
        send(WM_MOUSEWHEEL, MAKEWPARAM(0, -240), MAKELPARAM(1, 1));
        answers.push_back(send(WM_CLOSE, 0, 0));
        answers.push_back(send(WM_APP + 3, 0, 0));
        EXPECT_TRUE(ui_driver::press(found, IDOK));
      }));
  EXPECT_EQ(11, result) << "the value given to EndDialog";
  EXPECT_EQ(&dialog, dialog_property);
  EXPECT_EQ(found, dialog.init_window);
  EXPECT_EQ((std::vector<std::string>{"init", "command 203", "command 1", "destroy"}),
            dialog.events)
      << "nothing before WM_INITDIALOG or after WM_DESTROY reaches the object";
  EXPECT_EQ(nullptr, dialog.holder()) << "the holder outlived the window";
  // Its text, buttons and answers are message_box's own (dialog_message_box_test.cpp).
  EXPECT_EQ(found, box_owner);
  EXPECT_EQ(wklib::answer_no, dialog.ask_answer);
  EXPECT_EQ(&hook, edit_property);
  EXPECT_EQ("ab表", text_after_typing) << "the hook swallows x and lets the rest through";
  EXPECT_EQ("ab\x95\x5c", hook.typed) << "a double-byte character comes as its two bytes";
  // Positions are signed; the wheel counts notches of 120.
  EXPECT_EQ((std::vector<std::string>{"F2 1:3", "F2 0:1", "left -3,7", "double 12,-1", "wheel -2"}),
            hook.events);
  EXPECT_EQ((std::vector<LRESULT>{0, 0, 1, 333}), answers)
      << "consumed keys and clicks answer 0, a consumed WM_CLOSE 1, on_message as it says";
  EXPECT_FALSE(hook.hooked()) << "the dialog's end should unhook the control";
  EXPECT_FALSE(never_used.hooked());
}

TEST(control_hook, takes_one_control_and_lets_go_of_it) {
  HWND control = CreateWindowA("EDIT", "", WS_POPUP, 0, 0, 50, 20, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
  ASSERT_TRUE(control);
  recording_hook hook, other;
  EXPECT_TRUE(hook.hook(control));
  EXPECT_FALSE(hook.hook(control)) << "a hook takes one control";
  EXPECT_FALSE(other.hook(control)) << "a control takes one hook";
  SendMessageA(control, WM_CHAR, 'q', 1);
  hook.unhook();
  SendMessageA(control, WM_CHAR, 'r', 1);
  EXPECT_EQ("q", hook.typed) << "an unhooked control still reached the hook";
  EXPECT_EQ("qr", ui_driver::text(control));
  EXPECT_TRUE(other.hook(control)) << "unhook left the control's property behind";
  DestroyWindow(control);
  EXPECT_FALSE(other.hooked()) << "the hook kept a destroyed control";
}

TEST(dialog, closes_with_zero_by_default_and_gives_minus_one_without_a_template) {
  wklib::dialog plain(GetModuleHandleA(nullptr));
  INT_PTR result = -5;
  EXPECT_TRUE(ui_driver::run_modal([&] { result = plain.show_modal(nullptr, IDD_TEST_DIALOG); },
                                   [&](DWORD ui_thread) {
    HWND found = ui_driver::wait_for_window({"#32770", "枠組みの試験", ui_thread});
    ASSERT_TRUE(found);
    ui_driver::close(found);
  }));
  EXPECT_EQ(0, result) << "the close box";
  EXPECT_EQ(-1, plain.show_modal(nullptr, 4321));
  EXPECT_EQ(nullptr, plain.holder());
}

// Sets the bars of its window once it is shown, notes what comes back, then ends.
class scroll_dialog : public wklib::dialog {
 public:
  scroll_dialog() : wklib::dialog(GetModuleHandleA(nullptr)) {}
  bool on_init(wklib::window_holder& window) override {
    return PostMessageA(window.handle, WM_APP, 0, 0);
  }
  LRESULT on_message(wklib::window_holder& window, UINT message, WPARAM, LPARAM) override {
    if (message != WM_APP) return 0;
    wklib::scroll_bar vertical(window.handle, SB_VERT), horizontal(window.handle, SB_HORZ);
    vertical.set_range(0, 100);
    vertical.set_page(10);
    vertical.set_position(200);  // what comes back is what the system made of it
    seen.push_back(vertical.info().nPos);
    horizontal.set_range(0, 20);
    horizontal.set_position(5);
    seen.push_back(horizontal.info().nPos);
    seen.push_back(GetScrollPos(window.handle, SB_VERT));
    RECT client, uncovered = {};
    GetClientRect(window.handle, &client);
    UpdateWindow(window.handle);
    ValidateRect(window.handle, nullptr);
    vertical.scroll(-10);
    GetUpdateRect(window.handle, &uncovered, FALSE);
    seen.push_back(client.bottom - uncovered.bottom);
    seen.push_back(uncovered.bottom - uncovered.top);
    EndDialog(window.handle, 1);
    return 1;
  }
  std::vector<long> seen;
};

TEST(scroll_bar, applies_changes_and_reads_them_back) {
  scroll_dialog dialog;
  EXPECT_EQ(1, dialog.show_modal(nullptr, IDD_TEST_SCROLL));
  // Clamped to max - page + 1; the horizontal bar apart; 10 pixels uncovered at the bottom.
  EXPECT_EQ((std::vector<long>{91, 5, 91, 0, 10}), dialog.seen);
}

}  // namespace

// The dialog framework with real windows: binding through the window property,
// messages before WM_INITDIALOG, the default on_close, control hooks, the owner
// of a dialog's message box, and scroll bars.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/control_hook.h"
#include "support/dialog.h"
#include "support/message_box.h"
#include "support/scroll_bar.h"
#include "tests/support/dialog_test_ids.h"
#include "tests/ui_driver/ui_driver.h"

namespace {

const char test_caption[] = "枠組みの試験";

HWND wait_for_test_dialog(DWORD ui_thread) {
  return ui_driver::wait_for_window({"#32770", test_caption, false, ui_thread});
}

class recording_dialog : public wklib::dialog {
 public:
  recording_dialog() : wklib::dialog(GetModuleHandleA(nullptr)) {}

  bool on_init(wklib::window_holder& window) override {
    ++inits;
    init_window = window.handle;
    return true;
  }
  bool on_destroy(wklib::window_holder&) override {
    ++destroys;
    return agree_to_destroy;
  }
  bool on_command(wklib::window_holder& window, int id, int notification) override {
    commands.push_back(id);
    if (id == IDOK || id == IDCANCEL) {
      EndDialog(window.handle, id == IDOK ? 11 : 12);
      return true;
    }
    if (id == IDC_TEST_ASK && notification == BN_CLICKED) {
      ask_answer = message_box("続けますか？", "確認", wklib::box_yes_no);
      return true;
    }
    return false;
  }
  LRESULT on_message(wklib::window_holder&, UINT message, WPARAM, LPARAM) override {
    messages.push_back(message);
    return message == WM_APP + 7 ? 77 : 0;
  }

  int inits = 0;
  int destroys = 0;
  bool agree_to_destroy = false;
  HWND init_window = nullptr;
  int ask_answer = -1;
  std::vector<int> commands;
  std::vector<UINT> messages;
};

bool seen(const std::vector<UINT>& messages, UINT message) {
  return std::find(messages.begin(), messages.end(), message) != messages.end();
}

struct mouse_event_seen {
  HWND window;
  int x, y;
  bool double_click;
};

class recording_hook : public wklib::control_hook {
 public:
  bool on_char(wklib::window_holder&, UINT character, int) override {
    // Swallows every 'x' the user types.
    if (character == 'x') return true;
    typed += static_cast<char>(character);
    return false;
  }
  bool on_key(wklib::window_holder&, bool down, UINT key, int repeat) override {
    if (key != VK_F2) return false;
    f2.push_back(std::to_string(down) + ":" + std::to_string(repeat));
    return true;
  }
  bool on_left_down(wklib::window_holder&, const wklib::mouse_record& mouse,
                    bool double_click) override {
    lefts.push_back({mouse.window, mouse.x, mouse.y, double_click});
    return true;
  }
  bool on_mouse_wheel(wklib::window_holder&, const wklib::mouse_record&, int delta) override {
    wheel.push_back(delta);
    return true;
  }
  bool on_close(wklib::window_holder&) override { return true; }
  LRESULT on_message(wklib::window_holder& window, UINT message, WPARAM wparam,
                     LPARAM lparam) override {
    if (message == WM_APP + 3) return 333;
    (void)window;
    return call_previous(message, wparam, lparam);
  }

  std::string typed;
  std::vector<std::string> f2;
  std::vector<mouse_event_seen> lefts;
  std::vector<int> wheel;
};

// One walk through the test dialog: the binding from WM_INITDIALOG to WM_DESTROY,
// the question's box owned by the dialog, and a hooked edit control that gets
// typing, keys, clicks and private messages.
TEST(dialog, one_walk_binds_asks_and_hooks) {
  recording_dialog dialog;
  recording_hook hook;
  recording_hook never_used;
  dialog.add_control_hook(IDC_TEST_EDIT, &hook);
  dialog.add_control_hook(4999, &never_used);  // no such control
  INT_PTR result = 0;
  HWND found = nullptr, edit = nullptr, box_owner = nullptr;
  void* property = nullptr;
  void* edit_property = nullptr;
  std::string box_text, text_after_typing;
  std::vector<int> box_buttons;
  LRESULT key_answer = -1, close_answer = -1, private_answer = -1, left_answer = -1;
  bool closed = ui_driver::run_modal(
      [&] { result = dialog.show_modal(nullptr, IDD_TEST_DIALOG); },
      [&](DWORD ui_thread) {
        found = wait_for_test_dialog(ui_thread);
        ASSERT_TRUE(found) << "the test dialog did not appear";
        property = GetPropA(found, "KOTORI_WINDOW_PROP");

        ASSERT_TRUE(ui_driver::press(found, IDC_TEST_ASK));
        HWND box = ui_driver::wait_for_window({"#32770", "確認", false, ui_thread});
        ASSERT_TRUE(box) << "no message box";
        box_owner = ui_driver::owner_of(box);
        box_text = ui_driver::message_box_text(box);
        box_buttons = ui_driver::button_ids(box);
        EXPECT_TRUE(ui_driver::press(box, IDNO));
        EXPECT_TRUE(ui_driver::wait_until_gone(box));

        edit = ui_driver::item(found, IDC_TEST_EDIT);
        edit_property = GetPropA(edit, "KOTORI_WINDOW_PROP");
        EXPECT_TRUE(ui_driver::type_text(found, IDC_TEST_EDIT, "axbx表"));
        text_after_typing = ui_driver::item_text(found, IDC_TEST_EDIT);
        auto send = [&](UINT message, WPARAM wparam, LPARAM lparam) {
          DWORD_PTR answer = 0;
          SendMessageTimeoutA(edit, message, wparam, lparam, SMTO_ABORTIFHUNG, 10000, &answer);
          return static_cast<LRESULT>(answer);
        };
        key_answer = send(WM_KEYDOWN, VK_F2, MAKELPARAM(3, 0));
        send(WM_KEYUP, VK_F2, MAKELPARAM(1, 0));
        left_answer = send(WM_LBUTTONDOWN, 0, MAKELPARAM(-3, 7));
        send(WM_LBUTTONDBLCLK, 0, MAKELPARAM(12, -1));
        send(WM_MOUSEWHEEL, MAKEWPARAM(0, -240), MAKELPARAM(1, 1));
        close_answer = send(WM_CLOSE, 0, 0);
        private_answer = send(WM_APP + 3, 0, 0);
        EXPECT_TRUE(ui_driver::press(found, IDOK));
      });
  EXPECT_TRUE(closed);

  // The dialog's binding.
  EXPECT_EQ(11, result) << "the value given to EndDialog";
  EXPECT_EQ(&dialog, property) << "KOTORI_WINDOW_PROP should point to the dialog object";
  EXPECT_EQ(found, dialog.init_window);
  EXPECT_EQ(1, dialog.inits);
  EXPECT_EQ(1, dialog.destroys);
  // WM_SETFONT comes before WM_INITDIALOG, when no object is bound yet.
  EXPECT_FALSE(seen(dialog.messages, WM_SETFONT))
      << "a message before WM_INITDIALOG reached on_message";
  EXPECT_FALSE(seen(dialog.messages, WM_NCDESTROY))
      << "a message after WM_DESTROY reached on_message";
  EXPECT_EQ(nullptr, dialog.holder()) << "the holder outlived the window";
  EXPECT_EQ(nullptr, dialog.window());

  // The box of the dialog's message_box.
  EXPECT_EQ(found, box_owner);
  EXPECT_EQ("続けますか？", box_text);
  std::sort(box_buttons.begin(), box_buttons.end());
  EXPECT_EQ((std::vector<int>{IDYES, IDNO}), box_buttons);
  EXPECT_EQ(wklib::answer_no, dialog.ask_answer);

  // The hooked edit control.
  EXPECT_EQ(&hook, edit_property) << "KOTORI_WINDOW_PROP should point to the hook";
  EXPECT_EQ("ab表", text_after_typing) << "the hook swallows x and lets the rest through";
  EXPECT_EQ("ab\x95\x5c", hook.typed) << "a double-byte character comes as its two bytes";
  EXPECT_EQ((std::vector<std::string>{"1:3", "0:1"}), hook.f2);
  EXPECT_EQ(0, key_answer) << "a consumed key message answers 0";
  EXPECT_EQ(1, close_answer) << "a consumed WM_CLOSE answers 1";
  EXPECT_EQ(0, left_answer);
  EXPECT_EQ(333, private_answer) << "slot 16 answers directly";
  ASSERT_EQ(2u, hook.lefts.size());
  EXPECT_EQ(edit, hook.lefts[0].window);
  EXPECT_EQ(-3, hook.lefts[0].x);
  EXPECT_EQ(7, hook.lefts[0].y);
  EXPECT_FALSE(hook.lefts[0].double_click);
  EXPECT_EQ(12, hook.lefts[1].x);
  EXPECT_EQ(-1, hook.lefts[1].y) << "positions are signed";
  EXPECT_TRUE(hook.lefts[1].double_click);
  EXPECT_EQ(std::vector<int>{-2}, hook.wheel) << "the wheel counts notches of 120";
  EXPECT_FALSE(hook.hooked()) << "the dialog's end should unhook the control";
  EXPECT_FALSE(never_used.hooked());
}

TEST(dialog, default_on_close_ends_with_zero) {
  wklib::dialog plain(GetModuleHandleA(nullptr));
  INT_PTR result = -5;
  bool closed = ui_driver::run_modal([&] { result = plain.show_modal(nullptr, IDD_TEST_DIALOG); },
                                     [&](DWORD ui_thread) {
                                       HWND found = wait_for_test_dialog(ui_thread);
                                       ASSERT_TRUE(found);
                                       ui_driver::close(found);
                                       EXPECT_TRUE(ui_driver::wait_until_gone(found));
                                     });
  EXPECT_TRUE(closed);
  EXPECT_EQ(0, result);
}

TEST(dialog, procedure_ignores_windows_it_has_not_bound) {
  HWND window = CreateWindowA("STATIC", "x", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
  ASSERT_TRUE(window);
  recording_dialog dialog;
  EXPECT_EQ(0, wklib::dialog::procedure(window, WM_COMMAND, IDOK, 0));
  EXPECT_EQ(0, wklib::dialog::procedure(window, WM_CLOSE, 0, 0));
  // WM_INITDIALOG without an object binds nothing.
  EXPECT_EQ(0, wklib::dialog::procedure(window, WM_INITDIALOG, 0, 0));
  EXPECT_EQ(nullptr, GetPropA(window, "KOTORI_WINDOW_PROP"));

  // With the object it binds, and then dispatches.
  EXPECT_EQ(1,
            wklib::dialog::procedure(window, WM_INITDIALOG, 0, reinterpret_cast<LPARAM>(&dialog)));
  EXPECT_EQ(&dialog, GetPropA(window, "KOTORI_WINDOW_PROP"));
  EXPECT_EQ(window, dialog.window());
  EXPECT_EQ(0, wklib::dialog::procedure(window, WM_COMMAND, MAKEWPARAM(IDC_TEST_CHECK, 0), 0));
  EXPECT_EQ(std::vector<int>{IDC_TEST_CHECK}, dialog.commands);
  EXPECT_EQ(77, wklib::dialog::procedure(window, WM_APP + 7, 0, 0))
      << "on_message's result is answered unchanged";

  // on_destroy answering true also removes the property.
  dialog.agree_to_destroy = true;
  EXPECT_EQ(1, wklib::dialog::procedure(window, WM_DESTROY, 0, 0));
  EXPECT_EQ(nullptr, GetPropA(window, "KOTORI_WINDOW_PROP"));
  EXPECT_EQ(nullptr, dialog.holder());
  EXPECT_EQ(0, wklib::dialog::procedure(window, WM_COMMAND, IDOK, 0));
  EXPECT_EQ(1u, dialog.commands.size()) << "an unbound object took a command";
  DestroyWindow(window);
}

TEST(dialog, a_missing_template_gives_minus_one) {
  wklib::dialog plain(GetModuleHandleA(nullptr));
  EXPECT_EQ(-1, plain.show_modal(nullptr, 4321));
  EXPECT_EQ(nullptr, plain.holder());
}

TEST(control_hook, lets_go_of_a_control_that_is_destroyed) {
  HWND control = CreateWindowA("EDIT", "", WS_POPUP, 0, 0, 50, 20, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
  ASSERT_TRUE(control);
  recording_hook hook;
  recording_hook other;
  EXPECT_TRUE(hook.hook(control));
  EXPECT_FALSE(hook.hook(control)) << "a hook takes one control";
  EXPECT_FALSE(other.hook(control)) << "a control takes one hook";
  EXPECT_EQ(control, hook.window());
  SendMessageA(control, WM_CHAR, 'q', 1);
  EXPECT_EQ("q", hook.typed);

  hook.unhook();
  EXPECT_EQ(nullptr, GetPropA(control, "KOTORI_WINDOW_PROP"));
  SendMessageA(control, WM_CHAR, 'r', 1);
  EXPECT_EQ("q", hook.typed) << "an unhooked control still reached the hook";
  char text[8] = "";
  GetWindowTextA(control, text, sizeof text);
  EXPECT_STREQ("qr", text);

  EXPECT_TRUE(other.hook(control));
  DestroyWindow(control);
  EXPECT_FALSE(other.hooked()) << "the hook kept a destroyed control";
  EXPECT_EQ(nullptr, other.window());
}

// ---- Scroll bars

class scroll_dialog : public wklib::dialog {
 public:
  scroll_dialog() : wklib::dialog(GetModuleHandleA(nullptr)) {}
  bool on_init(wklib::window_holder& window) override {
    PostMessageA(window.handle, WM_APP, 0, 0);
    return true;
  }
  LRESULT on_message(wklib::window_holder& window, UINT message, WPARAM, LPARAM) override {
    if (message != WM_APP) return 0;
    check(window.handle);
    EndDialog(window.handle, 1);
    return 1;
  }

  void check(HWND window) {
    wklib::scroll_bar vertical(window, SB_VERT);
    wklib::scroll_bar horizontal(window, SB_HORZ);
    vertical.set_range(0, 100);
    EXPECT_EQ(0, vertical.info().nMin);
    EXPECT_EQ(100, vertical.info().nMax);
    vertical.set_page(10);
    EXPECT_EQ(10u, vertical.info().nPage);
    vertical.set_position(50);
    EXPECT_EQ(50, vertical.info().nPos);
    EXPECT_EQ(50, GetScrollPos(window, SB_VERT));
    // What comes back is what the system made of it.
    vertical.set_position(200);
    EXPECT_EQ(91, vertical.info().nPos) << "the last position is max - page + 1";
    vertical.set_position(-5);
    EXPECT_EQ(0, vertical.info().nPos);
    horizontal.set_range(0, 20);
    horizontal.set_position(5);
    EXPECT_EQ(5, horizontal.info().nPos);
    EXPECT_EQ(100, vertical.info().nMax) << "the bars are independent";

    RECT client;
    GetClientRect(window, &client);
    UpdateWindow(window);
    ValidateRect(window, nullptr);
    vertical.scroll(-10);
    RECT uncovered;
    ASSERT_TRUE(GetUpdateRect(window, &uncovered, FALSE)) << "nothing was invalidated";
    EXPECT_EQ(client.bottom, uncovered.bottom);
    EXPECT_EQ(10, uncovered.bottom - uncovered.top);
    ValidateRect(window, nullptr);
    horizontal.scroll(6);
    ASSERT_TRUE(GetUpdateRect(window, &uncovered, FALSE));
    EXPECT_EQ(0, uncovered.left);
    EXPECT_EQ(6, uncovered.right - uncovered.left);
    checked = true;
  }

  bool checked = false;
};

TEST(scroll_bar, applies_changes_and_reads_them_back) {
  scroll_dialog dialog;
  EXPECT_EQ(1, dialog.show_modal(nullptr, IDD_TEST_SCROLL));
  EXPECT_TRUE(dialog.checked);
}

}  // namespace

// The path prompt, dialog 109, driven as a user would: one walk that ends with
// OK (its texts, the 参照 button with the folder browser, typing), and one each
// for キャンセル and the close box.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "system/ask_path.h"
#include "system/ask_path_ids.h"
#include "system/file_system.h"
#include "tests/common/scratch.h"
#include "tests/ui_driver/ui_driver.h"

namespace {

const char question[] = "インストール先を指定してください．";

HWND wait_for_prompt(DWORD ui_thread) {
  return ui_driver::wait_for_window({"#32770", question, false, ui_thread});
}

// OK with the texts on show, the browser's choice in the field, and typing.
TEST(ask_path, shows_browses_takes_typing_and_answers_ok) {
  // Wine's browser finds folders below the user's profile through its own
  // shortcut to the profile, and cannot select them; a folder on C: it can.
  std::string base = "C:\\tamari3_ask_path_" + std::to_string(GetCurrentProcessId()) + "\\";
  std::string folder = base + "表示先";
  ASSERT_TRUE(create_directory_chain((folder + "\\").c_str()));
  struct cleanup {
    std::string directory;
    ~cleanup() { remove_directory_tree(directory.c_str()); }
  } remove_later{base};
  wklib::string path((folder + "\\").c_str());
  bool answer = false;
  HWND owner_seen = reinterpret_cast<HWND>(1);
  bool closed = ui_driver::run_modal(
      [&] { answer = ask_path(nullptr, question, path); },
      [&](DWORD ui_thread) {
        HWND prompt = wait_for_prompt(ui_thread);
        ASSERT_TRUE(prompt) << "dialog 109 did not appear";
        owner_seen = ui_driver::owner_of(prompt);
        EXPECT_EQ(folder + "\\", ui_driver::item_text(prompt, IDC_ASK_PATH_EDIT));
        EXPECT_EQ("参照", ui_driver::item_text(prompt, IDC_ASK_PATH_BROWSE));
        EXPECT_EQ("OK", ui_driver::item_text(prompt, IDOK));
        EXPECT_EQ("キャンセル", ui_driver::item_text(prompt, IDCANCEL));
        std::printf("screenshot: %s\n", ui_driver::save_screenshot("ask_path_109", prompt).c_str());

        // 参照: the browser is the other dialog of the thread, owned by the prompt.
        ASSERT_TRUE(ui_driver::press(prompt, IDC_ASK_PATH_BROWSE));
        HWND browser = nullptr;
        ui_driver::wait_until([&] {
          for (HWND window : ui_driver::top_level_windows(ui_thread))
            if (window != prompt && ui_driver::class_of(window) == "#32770") browser = window;
          return browser != nullptr;
        });
        ASSERT_TRUE(browser) << "the folder browser did not appear";
        EXPECT_EQ(prompt, ui_driver::owner_of(browser));
        bool has_title = false;
        HWND tree = nullptr;
        for (const auto& control : ui_driver::controls(browser)) {
          if (control.text == "ディレクトリを選んでください．") has_title = true;
          if (control.class_name == "SysTreeView32") tree = control.window;
        }
        EXPECT_TRUE(has_title) << "the browser's title text is missing";
        ASSERT_TRUE(tree);
        EXPECT_TRUE(ui_driver::wait_until(
            [&] { return ui_driver::tree_selection_text(tree) == "表示先"; }, 10000))
            << "selected: " << ui_driver::tree_selection_text(tree);
        EXPECT_TRUE(ui_driver::press(browser, IDOK));
        EXPECT_TRUE(ui_driver::wait_until_gone(browser));
        EXPECT_EQ(folder, ui_driver::item_text(prompt, IDC_ASK_PATH_EDIT));

        // Typed text arrives whole, double-byte characters included.
        EXPECT_TRUE(ui_driver::set_text(prompt, IDC_ASK_PATH_EDIT, ""));
        EXPECT_TRUE(ui_driver::type_text(prompt, IDC_ASK_PATH_EDIT, "c:\\表ソ\\tex"));
        EXPECT_EQ("c:\\表ソ\\tex", ui_driver::item_text(prompt, IDC_ASK_PATH_EDIT));
        EXPECT_TRUE(ui_driver::press(prompt, IDOK));
        EXPECT_TRUE(ui_driver::wait_until_gone(prompt));
      });
  EXPECT_TRUE(closed) << "the prompt had to be closed by force";
  EXPECT_TRUE(answer);
  EXPECT_STREQ("c:\\表ソ\\tex", path.c_str());
  EXPECT_EQ(nullptr, owner_seen);
}

TEST(ask_path, cancel_and_the_close_box_empty_the_path) {
  for (int way = 0; way < 2; ++way) {
    SCOPED_TRACE(way == 0 ? "キャンセル" : "close box");
    wklib::string path("c:\\tex\\");
    bool answer = true;
    bool closed = ui_driver::run_modal(
        [&] { answer = ask_path(nullptr, question, path); },
        [&](DWORD ui_thread) {
          HWND prompt = wait_for_prompt(ui_thread);
          ASSERT_TRUE(prompt);
          EXPECT_TRUE(ui_driver::set_text(prompt, IDC_ASK_PATH_EDIT, "d:\\elsewhere\\"));
          if (way == 0)
            EXPECT_TRUE(ui_driver::press(prompt, IDCANCEL));
          else
            ui_driver::close(prompt);
        });
    EXPECT_TRUE(closed);
    EXPECT_FALSE(answer);
    EXPECT_STREQ("", path.c_str());
  }
}

}  // namespace

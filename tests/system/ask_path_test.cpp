// The path prompt, dialog 109, driven as a user would: one walk that ends with
// OK (the path given, the 参照 button with the folder browser), and the close box.
// (キャンセル, and a path typed before OK, are dialogs_test's dviout prompt.)
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "system/ask_path.h"
#include "system/ask_path_ids.h"
#include "system/file_system.h"
#include "tests/ui_driver/ui_driver.h"

namespace {

const char question[] = "インストール先を指定してください．";

TEST(ask_path, shows_browses_and_answers_ok) {
  // Wine's browser cannot select folders below the user's profile; one on C: it can.
  std::string base = "C:\\tamari3_ask_path_" + std::to_string(GetCurrentProcessId()) + "\\";
  std::string folder = base + "表示先";
  ASSERT_TRUE(create_directory_chain((folder + "\\").c_str()));
  wklib::string path((folder + "\\").c_str());
  bool answer = false;
  EXPECT_TRUE(ui_driver::run_modal([&] { answer = ask_path(nullptr, question, path); },
                                   [&](DWORD ui_thread) {
    HWND prompt = ui_driver::wait_for_window({"#32770", question, ui_thread});
    ASSERT_TRUE(prompt) << "dialog 109 did not appear";
    EXPECT_EQ(folder + "\\", ui_driver::item_text(prompt, IDC_ASK_PATH_EDIT)) << "the path given";
    // 参照: the browser is the other dialog of the thread, owned by the prompt,
    // and its choice lands in the field.
    ASSERT_TRUE(ui_driver::press(prompt, IDC_ASK_PATH_BROWSE));
    HWND browser = nullptr, tree = nullptr;
    ui_driver::wait_until([&] {
      for (HWND window : ui_driver::top_level_windows(ui_thread))
        if (window != prompt && ui_driver::class_of(window) == "#32770") browser = window;
      for (const auto& control : ui_driver::controls(browser))
        if (control.class_name == "SysTreeView32") tree = control.window;
      return tree && ui_driver::tree_selection_text(tree) == "表示先";
    });
    ASSERT_TRUE(tree) << "the folder browser did not appear";
    EXPECT_EQ(prompt, ui_driver::owner_of(browser));
    EXPECT_TRUE(ui_driver::press(browser, IDOK));
    EXPECT_TRUE(ui_driver::wait_until_gone(browser));
    EXPECT_EQ(folder, ui_driver::item_text(prompt, IDC_ASK_PATH_EDIT));
    EXPECT_TRUE(ui_driver::press(prompt, IDOK));
  })) << "the prompt had to be closed by force";
  remove_directory_tree(base.c_str());
  EXPECT_TRUE(answer);
  EXPECT_EQ(folder, path.c_str()) << "the browser's choice is the answer";
}

TEST(ask_path, the_close_box_empties_the_path) {
  wklib::string path("c:\\tex\\");
  bool answer = true;
  EXPECT_TRUE(ui_driver::run_modal([&] { answer = ask_path(nullptr, question, path); },
                                   [&](DWORD ui_thread) {
    ui_driver::close(ui_driver::wait_for_window({"#32770", question, ui_thread}));
  })) << "the prompt had to be closed by force";
  EXPECT_FALSE(answer);
  EXPECT_STREQ("", path.c_str());
}

}  // namespace

// browse_folder: the system's folder browser opened at a start directory, with
// OK and with Cancel.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "support/browse_folder.h"
#include "tests/ui_driver/ui_driver.h"

namespace {

// Wine's browser reaches folders below the user's profile only through its own
// shortcut to the profile and cannot select them there; a folder on C: it can.
class browse_folder_test : public testing::Test {
 protected:
  void SetUp() override {
    base_ = "C:\\tamari3_browse_" + std::to_string(GetCurrentProcessId());
    folder_ = base_ + "\\表示先";
    ASSERT_TRUE(CreateDirectoryA(base_.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(folder_.c_str(), nullptr));
  }
  void TearDown() override {
    RemoveDirectoryA(folder_.c_str());
    RemoveDirectoryA(base_.c_str());
  }

  // The browser the UI thread shows, its tree, and whether the title is on it.
  struct browser {
    HWND window = nullptr;
    HWND tree = nullptr;
    bool has_title = false;
  };
  static browser wait_for_browser(DWORD ui_thread, const char* title) {
    browser found;
    ui_driver::window_query query;
    query.thread_id = ui_thread;
    found.window = ui_driver::wait_for_window(query);
    if (!found.window) return found;
    ui_driver::wait_until([&] {
      for (const auto& control : ui_driver::controls(found.window)) {
        if (control.text == title) found.has_title = true;
        if (control.class_name == "SysTreeView32") found.tree = control.window;
      }
      return found.tree != nullptr;
    });
    return found;
  }

  std::string base_;
  std::string folder_;
};

TEST_F(browse_folder_test, opens_at_the_start_directory_and_answers_the_choice) {
  const char* title = "ディレクトリを選んでください．";
  for (int button : {IDOK, IDCANCEL}) {
    SCOPED_TRACE(button == IDOK ? "OK" : "Cancel");
    wklib::string result("unchanged");
    bool chosen = button != IDOK;
    std::string selected;
    bool closed = ui_driver::run_modal(
        [&] {
          // The installer keeps directories with a trailing backslash.
          chosen = wklib::browse_folder(nullptr, result, title, (folder_ + "\\").c_str());
        },
        [&](DWORD ui_thread) {
          browser found = wait_for_browser(ui_thread, title);
          ASSERT_TRUE(found.window) << "the browser did not appear";
          ASSERT_TRUE(found.tree);
          EXPECT_TRUE(found.has_title) << "the title is not on the browser";
          ui_driver::wait_until(
              [&] { return ui_driver::tree_selection_text(found.tree) == "表示先"; });
          selected = ui_driver::tree_selection_text(found.tree);
          if (button == IDOK)
            std::printf("screenshot: %s\n", ui_driver::save_screenshot("browse_folder", found.window).c_str());
          EXPECT_TRUE(ui_driver::press(found.window, button));
        });
    EXPECT_TRUE(closed);
    EXPECT_EQ("表示先", selected) << "the start directory should be selected";
    EXPECT_EQ(button == IDOK, chosen);
    EXPECT_EQ(button == IDOK ? folder_ : "unchanged", std::string(result.c_str()));
  }
}

}  // namespace

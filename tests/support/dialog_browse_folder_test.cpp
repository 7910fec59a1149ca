// browse_folder: the system's folder browser opened at a start directory, with
// OK and with Cancel.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "support/browse_folder.h"
#include "tests/ui_driver/ui_driver.h"

namespace {

TEST(browse_folder, opens_at_the_start_directory_and_answers_the_choice) {
  // Wine's browser cannot select folders below the user's profile; one on C: it can.
  const std::string base = "C:\\tamari3_browse_" + std::to_string(GetCurrentProcessId()),
                    folder = base + "\\表示先";
  ASSERT_TRUE(CreateDirectoryA(base.c_str(), nullptr) && CreateDirectoryA(folder.c_str(), nullptr));
  const char title[] = "ディレクトリを選んでください．";
  for (int button : {IDOK, IDCANCEL}) {
    SCOPED_TRACE(button == IDOK ? "OK" : "Cancel");
    wklib::string result("unchanged");
    bool chosen = button != IDOK, has_title = false;
    std::string selected;
    EXPECT_TRUE(ui_driver::run_modal(
        // The installer keeps directories with a trailing backslash.
        [&] { chosen = wklib::browse_folder(nullptr, result, title, (folder + "\\").c_str()); },
        [&](DWORD ui_thread) {
          HWND browser = ui_driver::wait_for_window({"#32770", nullptr, ui_thread}), tree = nullptr;
          ASSERT_TRUE(browser) << "the browser did not appear";
          ui_driver::wait_until([&] {
            for (const auto& control : ui_driver::controls(browser)) {
              has_title = has_title || control.text == title;
              if (control.class_name == "SysTreeView32") tree = control.window;
            }
            return tree && ui_driver::tree_selection_text(tree) == "表示先";
          });
          ASSERT_TRUE(tree);
          selected = ui_driver::tree_selection_text(tree);
          if (button == IDOK)
            std::printf("screenshot: %s\n", ui_driver::save_screenshot("browse_folder", browser).c_str());
          EXPECT_TRUE(ui_driver::press(browser, button));
        }));
    EXPECT_TRUE(has_title) << "the title is not on the browser";
    EXPECT_EQ("表示先", selected) << "the start directory should be selected";
    EXPECT_EQ(button == IDOK, chosen);
    EXPECT_EQ(button == IDOK ? folder : "unchanged", std::string(result.c_str()));
  }
  RemoveDirectoryA(folder.c_str());
  RemoveDirectoryA(base.c_str());
}

}  // namespace

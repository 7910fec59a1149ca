// browse_folder: its title, and Cancel. The browser opened at a start directory
// and its choice on OK are seen through ask_path's 参照 (tests/system/utils_test.cpp).
#include <gtest/gtest.h>

#include <windows.h>

#include "support/browse_folder.h"
#include "tests/ui_driver/ui_driver.h"

namespace {

TEST(browse_folder, shows_its_title_and_cancel_leaves_the_result_alone) {
  const char title[] = "ディレクトリを選んでください．";
  wklib::string result("unchanged");
  bool chosen = true, has_title = false;
  EXPECT_TRUE(ui_driver::run_modal(
      [&] { chosen = wklib::browse_folder(nullptr, result, title, nullptr); },
      [&](DWORD ui_thread) {
        HWND browser = ui_driver::wait_for_window({"#32770", nullptr, ui_thread});
        ASSERT_TRUE(browser) << "the browser did not appear";
        ui_driver::wait_until([&] {
          for (const auto& control : ui_driver::controls(browser))
            has_title = has_title || control.text == title;
          return has_title;
        });
        std::printf("screenshot: %s\n",
                    ui_driver::save_screenshot("browse_folder", browser).c_str());
        EXPECT_TRUE(ui_driver::press(browser, IDCANCEL));
      }));
  EXPECT_TRUE(has_title) << "the title is not on the browser";
  EXPECT_FALSE(chosen);
  EXPECT_STREQ("unchanged", result.c_str());
}

}  // namespace

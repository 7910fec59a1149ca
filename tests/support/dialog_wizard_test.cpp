// The property-sheet runner and the page procedure with a three-page wizard:
// what the real wizard's walk cannot show, the handlers and how often they are
// called, the runner's record of the sheet, running the same pages again, and
// sheets on two threads at once.
#include <gtest/gtest.h>

#include <windows.h>
#include <prsht.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "support/property_page.h"
#include "support/property_sheet.h"
#include "tests/support/dialog_test_ids.h"
#include "tests/ui_driver/ui_driver.h"

namespace {

class test_sheet : public wklib::property_sheet {
 public:
  test_sheet() : wklib::property_sheet(GetModuleHandleA(nullptr)) {}
  HWND created = nullptr;

 protected:
  void on_sheet_created(HWND window) override { created = window; }
};

// Notes each handler call as "<page>:<handler>".
class logging_page : public wklib::property_page {
 public:
  logging_page(const char* name, bool next, bool back, bool finish,
               std::vector<std::string>& log, const test_sheet& sheet)
      : wklib::property_page(next, back, finish), name_(name), log_(log), sheet_(sheet) {}
  bool on_init(wklib::window_holder&) override {
    note("init");
    // The runner's record of the sheet exists by the time pages are made.
    sheet_seen_at_init = sheet_.window();
    const wklib::sheet_window* record = sheet_.window_record();
    record_complete = record && record->metrics.tmHeight > 0 &&
                      record->vertical.window() == record->handle &&
                      record->horizontal.window() == record->handle &&
                      record->vertical.bar() == SB_VERT;
    return true;
  }
  bool on_destroy(wklib::window_holder&) override { return note("destroy"); }
  bool on_set_active(wklib::window_holder&) override { return note("active"); }
  bool on_wizard_finish(wklib::window_holder&) override { return note("finish"); }
  bool on_wizard_next(wklib::window_holder& window) override {
    note("next");
    if (press_inside_next) {
      // As a handler that shows a dialog: its modal loop takes a press queued
      // meanwhile, and its messages leave their answers in DWLP_MSGRESULT.
      press_inside_next = false;
      PostMessageA(GetParent(window.handle), PSM_PRESSBUTTON, PSBTN_NEXT, 0);
      MSG message;
      while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
      SetWindowLongPtrA(window.handle, DWLP_MSGRESULT, -1);
    }
    return true;
  }
  bool on_message(wklib::window_holder&, UINT message, WPARAM, LPARAM lparam) override {
    return message == WM_NOTIFY && reinterpret_cast<const NMHDR*>(lparam)->code == PSN_WIZBACK &&
           note("back");
  }
  HWND sheet_seen_at_init = nullptr;
  bool record_complete = false;
  bool press_inside_next = false;

 private:
  // Answers false: on_destroy keeps the binding as long as the window lasts.
  bool note(const char* what) {
    log_.push_back(name_ + ":" + what);
    return false;
  }
  std::string name_;
  std::vector<std::string>& log_;
  const test_sheet& sheet_;
};

struct test_wizard {
  std::vector<std::string> log;
  test_sheet sheet;
  logging_page one{"one", true, false, false, log, sheet},
      two{"two", true, true, false, log, sheet}, three{"three", false, true, true, log, sheet};
  // The pages' own templates and buttons are seen in the real wizard's tests (tests/shell).
  wklib::page_entry table[3] = {
      {IDD_TEST_PAGE, &one}, {IDD_TEST_PAGE, &two}, {IDD_TEST_PAGE, &three}};
  bool run(const char* caption) { return sheet.run(table, 3, PSH_WIZARD, caption); }
  int count(const std::string& event) const {
    return static_cast<int>(std::count(log.begin(), log.end(), event));
  }
};

TEST(wizard, walks_to_finish_then_runs_again_beside_another_sheet) {
  test_wizard wizard;
  bool ran = false;
  void* page_property = nullptr;
  EXPECT_TRUE(ui_driver::run_modal(
      [&] { ran = wizard.run("試験ウィザード"); },
      [&](DWORD ui_thread) {
        HWND sheet = ui_driver::wait_for_window({"#32770", nullptr, ui_thread});
        ASSERT_TRUE(sheet && ui_driver::wait_for_page(sheet, 0)) << "the sheet did not appear";
        page_property = GetPropA(ui_driver::current_page(sheet), "KOTORIPROPSHEETPROP");
        ASSERT_TRUE(ui_driver::press_to_page(sheet, ui_driver::wizard_next, 1));
        ASSERT_TRUE(ui_driver::press_to_page(sheet, ui_driver::wizard_back, 0));
        ASSERT_TRUE(ui_driver::press_to_page(sheet, ui_driver::wizard_next, 1));
        ASSERT_TRUE(ui_driver::press_to_page(sheet, ui_driver::wizard_next, 2));
        ASSERT_TRUE(ui_driver::press_wizard(sheet, ui_driver::wizard_finish));
      }))
      << "the wizard had to be closed by force";
  EXPECT_TRUE(ran);
  // The handlers, each as often as the user caused it; PSN_WIZBACK goes to on_message.
  const char* counted[] = {"one:init", "two:init", "three:init", "one:next", "two:next", "two:back",
                           "two:active", "three:finish", "three:next", "one:destroy",
                           "three:destroy"};
  std::vector<int> counts;
  for (const char* event : counted) counts.push_back(wizard.count(event));
  EXPECT_EQ((std::vector<int>{1, 1, 1, 2, 1, 1, 2, 1, 0, 1, 1}), counts);
  EXPECT_TRUE(wizard.one.record_complete) << "the record's metrics and scroll bars";
  EXPECT_EQ(nullptr, wizard.sheet.window());
  EXPECT_EQ(&wizard.table[0], page_property) << "KOTORIPROPSHEETPROP points to the table row";
  // on_destroy answered false, but no page keeps a handle to a window that is gone.
  for (const logging_page* page : {&wizard.one, &wizard.two, &wizard.three})
    EXPECT_EQ(nullptr, page->holder());

  // The same pages again, while a second thread runs a sheet of its own; Cancel
  // ends both runs, and is no error.
  test_wizard other_wizard;
  DWORD other_thread = 0;
  bool other_ran = false;
  HWND main_seen = nullptr, other_seen = nullptr;
  ran = false;
  EXPECT_TRUE(ui_driver::run_modal([&] { ran = wizard.run("表の試験"); }, [&](DWORD ui_thread) {
    main_seen = ui_driver::wait_for_window({"#32770", nullptr, ui_thread});
    ASSERT_TRUE(main_seen);
    ASSERT_TRUE(ui_driver::press_to_page(main_seen, ui_driver::wizard_next, 1));
    std::thread other([&] {
      other_thread = GetCurrentThreadId();
      other_ran = other_wizard.run("裏の試験");
    });
    ui_driver::wait_until([&] { return other_thread != 0; });
    other_seen = ui_driver::wait_for_window({"#32770", nullptr, other_thread});
    if (other_seen) {
      EXPECT_TRUE(ui_driver::wait_for_page(other_seen, 0));
      EXPECT_TRUE(ui_driver::press_wizard(other_seen, ui_driver::wizard_cancel));
    } else {
      ui_driver::dismiss_windows(other_thread);
    }
    other.join();
    EXPECT_TRUE(ui_driver::press_wizard(main_seen, ui_driver::wizard_cancel));
  }));
  EXPECT_TRUE(ran) << "Cancel is no error";
  EXPECT_TRUE(other_ran);
  EXPECT_EQ(2, wizard.count("two:init")) << "each run makes the page anew";
  EXPECT_EQ(1, wizard.count("three:init")) << "the page never shown is never made";
  ASSERT_TRUE(other_seen) << "the second sheet did not appear";
  EXPECT_EQ(main_seen, wizard.sheet.created) << "each runner gets its own sheet";
  EXPECT_EQ(other_seen, other_wizard.sheet.created);
  EXPECT_EQ(other_seen, other_wizard.one.sheet_seen_at_init);
}

TEST(wizard, a_press_inside_a_next_handler_leaves_the_sheet_where_it_is) {
  test_wizard wizard;
  wizard.one.press_inside_next = true;
  bool reached_two = false;
  EXPECT_TRUE(ui_driver::run_modal([&] { wizard.run("試験ウィザード"); }, [&](DWORD ui_thread) {
    HWND sheet = ui_driver::wait_for_window({"#32770", nullptr, ui_thread});
    ASSERT_TRUE(sheet && ui_driver::wait_for_page(sheet, 0)) << "the sheet did not appear";
    reached_two = ui_driver::press_to_page(sheet, ui_driver::wizard_next, 1);
    EXPECT_TRUE(ui_driver::press_wizard(sheet, ui_driver::wizard_cancel));
  }));
  EXPECT_TRUE(reached_two) << "one press of Next leads to the second page";
  EXPECT_EQ(1, wizard.count("one:next")) << "the queued press ran the first page's handler again";
  EXPECT_EQ(0, wizard.count("two:next")) << "the queued press went on from the second page";
}

}  // namespace

// The property-sheet runner and the page procedure with a three-page wizard:
// what the real wizard's walk cannot show, the handlers and how often they are
// called, the runner's record of the sheet, running the same pages again, and
// sheets on two threads at once.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
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

// What happened to the pages, in order; written by the sheet's thread only.
using event_log = std::vector<std::string>;

int count(const event_log& log, const std::string& event) {
  return static_cast<int>(std::count(log.begin(), log.end(), event));
}

class test_sheet : public wklib::property_sheet {
 public:
  test_sheet() : wklib::property_sheet(GetModuleHandleA(nullptr)) {}
  HWND created = nullptr;

 protected:
  void on_sheet_created(HWND window) override { created = window; }
};

class logging_page : public wklib::property_page {
 public:
  logging_page(const char* name, bool next, bool back, bool finish, event_log& log,
               const test_sheet& sheet)
      : wklib::property_page(next, back, finish), name_(name), log_(log), sheet_(sheet) {}

  bool on_init(wklib::window_holder&) override {
    log(":init");
    // The runner's record of the sheet exists by the time pages are made.
    sheet_seen_at_init = sheet_.window();
    const wklib::sheet_window* record = sheet_.window_record();
    if (record) {
      metrics_height = record->metrics.tmHeight;
      record_bars_match = record->vertical.window() == record->handle &&
                          record->horizontal.window() == record->handle &&
                          record->vertical.bar() == SB_VERT;
    }
    return true;
  }
  bool on_destroy(wklib::window_holder&) override {
    log(":destroy");
    return false;  // keeps the binding as long as the window lasts
  }
  bool on_set_active(wklib::window_holder&) override {
    log(":active");
    return false;
  }
  bool on_wizard_next(wklib::window_holder& window) override {
    log(":next");
    return next(window);
  }
  bool on_wizard_finish(wklib::window_holder&) override {
    log(":finish");
    return false;
  }
  bool on_message(wklib::window_holder&, UINT message, WPARAM, LPARAM lparam) override {
    if (message == WM_NOTIFY && reinterpret_cast<const NMHDR*>(lparam)->code == PSN_WIZBACK)
      log(":back");
    return false;
  }

  HWND sheet_seen_at_init = nullptr;
  LONG metrics_height = 0;
  bool record_bars_match = false;

 protected:
  virtual bool next(wklib::window_holder&) { return true; }
  void log(const char* what) { log_.push_back(name_ + what); }

  std::string name_;
  event_log& log_;
  const test_sheet& sheet_;
};

// Page two reads its field when the user leaves it forward.
class settings_page : public logging_page {
 public:
  using logging_page::logging_page;
  std::string destination;

 protected:
  bool next(wklib::window_holder& window) override {
    destination = window.item_text(IDC_PAGE_EDIT).c_str();
    return true;
  }
};

// The three pages and the table the runner takes.
struct test_wizard {
  test_wizard()
      : one("one", true, false, false, log, sheet),
        two("two", true, true, false, log, sheet),
        three("three", false, true, true, log, sheet),
        table{{IDD_TEST_PAGE_ONE, &one}, {IDD_TEST_PAGE_TWO, &two}, {IDD_TEST_PAGE_THREE, &three}} {
  }

  bool run(const char* caption) { return sheet.run(table, 3, PSH_WIZARD, caption); }

  event_log log;
  test_sheet sheet;
  logging_page one;
  settings_page two;
  logging_page three;
  wklib::page_entry table[3];
};

HWND wait_for_sheet(DWORD ui_thread) {
  ui_driver::window_query query;
  query.thread_id = ui_thread;
  return ui_driver::wait_for_window(query);
}

std::string describe(const ui_driver::wizard_state& state) {
  return std::string("back ") + (state.can(ui_driver::wizard_back) ? "on" : "off") + ", next " +
         (state.can(ui_driver::wizard_next) ? "on" : "off") + ", finish " +
         (state.can(ui_driver::wizard_finish) ? "on" : "off");
}

bool press_and_wait(HWND sheet, ui_driver::wizard_button button, int page) {
  return ui_driver::press_wizard(sheet, button) && ui_driver::wait_for_page(sheet, page);
}

// The real wizard's walk shows its pages' buttons and a page keeping the user;
// this walk shows the handlers the framework calls, how often, and the
// runner's record of the sheet.
TEST(wizard, walks_to_finish_then_runs_again_beside_another_sheet) {
  test_wizard wizard;
  bool ran = false;
  HWND sheet_window = nullptr;
  std::vector<std::string> states;  // on pages one, two and three
  void* page_property = nullptr;
  bool closed = ui_driver::run_modal(
      [&] { ran = wizard.run("試験ウィザード"); },
      [&](DWORD ui_thread) {
        HWND sheet = sheet_window = wait_for_sheet(ui_thread);
        ASSERT_TRUE(sheet) << "the sheet did not appear";
        ASSERT_TRUE(ui_driver::wait_for_page(sheet, 0));
        states.push_back(describe(ui_driver::read_wizard(sheet)));
        page_property = GetPropA(ui_driver::current_page(sheet), "KOTORIPROPSHEETPROP");
        ASSERT_TRUE(press_and_wait(sheet, ui_driver::wizard_next, 1));
        states.push_back(describe(ui_driver::read_wizard(sheet)));
        EXPECT_TRUE(ui_driver::set_text(ui_driver::current_page(sheet), IDC_PAGE_EDIT, "c:\\w32tex\\表\\"));
        ASSERT_TRUE(press_and_wait(sheet, ui_driver::wizard_back, 0));
        ASSERT_TRUE(press_and_wait(sheet, ui_driver::wizard_next, 1));
        ASSERT_TRUE(press_and_wait(sheet, ui_driver::wizard_next, 2));
        states.push_back(describe(ui_driver::read_wizard(sheet)));
        EXPECT_FALSE(ui_driver::press_wizard(sheet, ui_driver::wizard_next))
            << "Next on the last page";
        ASSERT_TRUE(ui_driver::press_wizard(sheet, ui_driver::wizard_finish));
        EXPECT_TRUE(ui_driver::wait_until_gone(sheet));
      });
  EXPECT_TRUE(closed) << "the wizard had to be closed by force";
  EXPECT_TRUE(ran);
  EXPECT_EQ((std::vector<std::string>{"back off, next on, finish off", "back on, next on, finish off",
                                      "back on, next off, finish on"}),
            states)
      << "Finish takes Next's place";

  // The handlers, each as often as the user caused it.
  const event_log& log = wizard.log;
  EXPECT_EQ(1, count(log, "two:init")) << "a page's window is made once per run";
  EXPECT_EQ(1, count(log, "three:init"));
  EXPECT_EQ(2, count(log, "one:next"));
  EXPECT_EQ(1, count(log, "two:next"));
  EXPECT_EQ(1, count(log, "two:back")) << "PSN_WIZBACK goes to on_message";
  EXPECT_EQ(2, count(log, "two:active"));
  EXPECT_EQ(1, count(log, "three:finish"));
  EXPECT_EQ(0, count(log, "three:next"));
  EXPECT_EQ(1, count(log, "one:destroy"));
  EXPECT_EQ(1, count(log, "three:destroy"));
  EXPECT_EQ("c:\\w32tex\\表\\", wizard.two.destination) << "the field as the user left it";

  // The runner's record of the sheet while it was open, and after.
  EXPECT_EQ(sheet_window, wizard.sheet.created);
  EXPECT_EQ(sheet_window, wizard.one.sheet_seen_at_init);
  EXPECT_GT(wizard.one.metrics_height, 0);
  EXPECT_TRUE(wizard.one.record_bars_match);
  EXPECT_EQ(nullptr, wizard.sheet.window());
  EXPECT_EQ(&wizard.table[0], page_property) << "KOTORIPROPSHEETPROP points to the table row";
  // on_destroy answered false, but no page keeps a handle to a window that is gone.
  EXPECT_EQ(nullptr, wizard.one.holder());
  EXPECT_EQ(nullptr, wizard.two.holder());
  EXPECT_EQ(nullptr, wizard.three.holder());

  // The same pages again, while a second thread runs a sheet of its own; Cancel
  // ends both runs, and is no error.
  test_wizard other_wizard;
  DWORD other_thread = 0;
  bool other_ran = false;
  HWND main_seen = nullptr, other_seen = nullptr;
  ran = false;
  closed = ui_driver::run_modal(
      [&] { ran = wizard.run("表の試験"); },
      [&](DWORD ui_thread) {
        HWND main_sheet = wait_for_sheet(ui_thread);
        ASSERT_TRUE(main_sheet);
        ASSERT_TRUE(press_and_wait(main_sheet, ui_driver::wizard_next, 1));
        std::thread other([&] {
          other_thread = GetCurrentThreadId();
          other_ran = other_wizard.run("裏の試験");
        });
        ui_driver::wait_until([&] { return other_thread != 0; });
        HWND other_sheet = wait_for_sheet(other_thread);
        if (other_sheet) {
          EXPECT_TRUE(ui_driver::wait_for_page(other_sheet, 0));
          other_seen = other_sheet;
          main_seen = main_sheet;
          EXPECT_TRUE(ui_driver::press_wizard(other_sheet, ui_driver::wizard_cancel));
        } else {
          ui_driver::dismiss_windows(other_thread);
        }
        other.join();
        EXPECT_TRUE(ui_driver::press_wizard(main_sheet, ui_driver::wizard_cancel));
      });
  EXPECT_TRUE(closed);
  EXPECT_TRUE(ran) << "Cancel is no error";
  EXPECT_TRUE(other_ran);
  EXPECT_EQ(2, count(log, "one:init")) << "each run makes the page anew";
  EXPECT_EQ(2, count(log, "two:init"));
  EXPECT_EQ(1, count(log, "three:init")) << "the page never shown is never made";
  EXPECT_EQ(1, count(log, "three:finish"));
  EXPECT_EQ(nullptr, wizard.one.holder());
  ASSERT_TRUE(other_seen) << "the second sheet did not appear";
  EXPECT_NE(main_seen, other_seen);
  EXPECT_EQ(main_seen, wizard.sheet.created) << "each runner gets its own sheet";
  EXPECT_EQ(other_seen, other_wizard.sheet.created);
  EXPECT_EQ(other_seen, other_wizard.one.sheet_seen_at_init);
}

TEST(wizard, an_empty_table_is_refused) {
  test_sheet sheet;
  EXPECT_FALSE(sheet.run(nullptr, 0, PSH_WIZARD, "x"));
  EXPECT_EQ(nullptr, sheet.created);
}

}  // namespace

// The property-sheet runner and the page procedure with a three-page wizard:
// the buttons each page asks for, Back, Next and Finish, keeping the user on a
// page, list views with check boxes, running the same pages again, and sheets
// on two threads at once.
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

  bool on_init(wklib::window_holder& window) override {
    log(":init");
    init_window = window.handle;
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

  HWND init_window = nullptr;
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

// Page two keeps the user until the box is ticked, the way the installer's
// pages do: it selects the page before its own, and the sheet's own advance
// lands on it again.
class settings_page : public logging_page {
 public:
  using logging_page::logging_page;
  std::string destination;

 protected:
  bool next(wklib::window_holder& window) override {
    if (SendMessageA(window.item(IDC_PAGE_CHECK), BM_GETCHECK, 0, 0) != BST_CHECKED) {
      log(":stay");
      SendMessageA(GetParent(window.handle), PSM_SETCURSELID, 0, IDD_TEST_PAGE_ONE);
      return true;
    }
    destination = window.item_text(IDC_PAGE_EDIT).c_str();
    return true;
  }
};

class files_page : public logging_page {
 public:
  using logging_page::logging_page;
  std::vector<int> ticked_at_finish;

  bool on_init(wklib::window_holder& window) override {
    logging_page::on_init(window);
    HWND list = window.item(IDC_PAGE_LIST);
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT,
                 LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
    const char* headings[] = {"ファイル名", "状態", "サイズ"};
    for (int i = 0; i < 3; ++i) {
      LVCOLUMNA column = {};
      column.mask = LVCF_TEXT | LVCF_WIDTH;
      column.cx = i == 0 ? 200 : 90;
      column.pszText = const_cast<char*>(headings[i]);
      SendMessageA(list, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
    }
    const char* rows[][3] = {{"latex.tar.xz", "新規", "1234567"},
                             {"platex.tar.xz", "最新", "345678"},
                             {"dvipdfm-w32.tar.xz", "更新", "98765"}};
    for (int row = 0; row < 3; ++row) {
      LVITEMA item = {};
      item.mask = LVIF_TEXT;
      item.iItem = row;
      item.pszText = const_cast<char*>(rows[row][0]);
      SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
      for (int column = 1; column < 3; ++column) {
        item.iSubItem = column;
        item.pszText = const_cast<char*>(rows[row][column]);
        SendMessageA(list, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
      }
    }
    ListView_SetCheckState(list, 0, TRUE);
    return true;
  }
  bool on_wizard_finish(wklib::window_holder& window) override {
    HWND list = window.item(IDC_PAGE_LIST);
    for (int row = 0; row < ListView_GetItemCount(list); ++row)
      if (ListView_GetCheckState(list, row)) ticked_at_finish.push_back(row);
    return logging_page::on_wizard_finish(window);
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
  files_page three;
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

TEST(wizard, pages_get_their_buttons_and_the_user_goes_back_and_forth) {
  test_wizard wizard;
  bool ran = false;
  HWND sheet_window = nullptr;
  std::vector<std::string> states;  // one per step below
  std::vector<int> pages;           // the page on show after each step
  std::string edit_after_return;
  int check_after_return = -1;
  std::vector<std::string> list_rows;
  std::vector<bool> list_ticks;
  void* page_property = nullptr;
  bool closed = ui_driver::run_modal(
      [&] { ran = wizard.run("試験ウィザード"); },
      [&](DWORD ui_thread) {
        HWND sheet = sheet_window = wait_for_sheet(ui_thread);
        ASSERT_TRUE(sheet) << "the sheet did not appear";
        auto step = [&] {
          states.push_back(describe(ui_driver::read_wizard(sheet)));
          pages.push_back(ui_driver::current_page_index(sheet));
        };
        ASSERT_TRUE(ui_driver::wait_for_page(sheet, 0));
        step();  // 0: page one
        page_property = GetPropA(ui_driver::current_page(sheet), "KOTORIPROPSHEETPROP");
        std::printf("screenshot: %s\n",
                    ui_driver::save_screenshot("wizard_page_one", sheet).c_str());
        EXPECT_FALSE(ui_driver::press_wizard(sheet, ui_driver::wizard_back)) << "Back on page one";

        ASSERT_TRUE(ui_driver::press_wizard(sheet, ui_driver::wizard_next));
        ASSERT_TRUE(ui_driver::wait_for_page(sheet, 1));
        step();  // 1: page two
        HWND two = ui_driver::current_page(sheet);
        std::printf("screenshot: %s\n",
                    ui_driver::save_screenshot("wizard_page_two", sheet).c_str());

        // Next without the tick keeps the user on page two.
        ASSERT_TRUE(ui_driver::press_wizard(sheet, ui_driver::wizard_next));
        ASSERT_TRUE(ui_driver::wait_for_page(sheet, 1));
        step();  // 2: still page two

        EXPECT_TRUE(ui_driver::set_text(two, IDC_PAGE_EDIT, "c:\\w32tex\\表\\"));
        EXPECT_TRUE(ui_driver::set_check(two, IDC_PAGE_CHECK, true));
        ASSERT_TRUE(ui_driver::press_wizard(sheet, ui_driver::wizard_back));
        ASSERT_TRUE(ui_driver::wait_for_page(sheet, 0));
        step();  // 3: page one again
        ASSERT_TRUE(ui_driver::press_wizard(sheet, ui_driver::wizard_next));
        ASSERT_TRUE(ui_driver::wait_for_page(sheet, 1));
        step();  // 4: page two again, as the user left it
        edit_after_return = ui_driver::item_text(two, IDC_PAGE_EDIT);
        check_after_return = ui_driver::check_state(two, IDC_PAGE_CHECK);

        ASSERT_TRUE(ui_driver::press_wizard(sheet, ui_driver::wizard_next));
        ASSERT_TRUE(ui_driver::wait_for_page(sheet, 2));
        step();  // 5: page three
        HWND list = ui_driver::item(ui_driver::current_page(sheet), IDC_PAGE_LIST);
        for (int row = 0; row < ui_driver::list_count(list); ++row) {
          list_rows.push_back(ui_driver::list_text(list, row, 0) + "|" +
                              ui_driver::list_text(list, row, 1) + "|" +
                              ui_driver::list_text(list, row, 2));
          list_ticks.push_back(ui_driver::list_checked(list, row));
        }
        EXPECT_TRUE(ui_driver::list_set_checked(list, 2, true));
        EXPECT_TRUE(ui_driver::list_set_checked(list, 0, false));
        std::printf("screenshot: %s\n",
                    ui_driver::save_screenshot("wizard_page_three", sheet).c_str());
        EXPECT_FALSE(ui_driver::press_wizard(sheet, ui_driver::wizard_next))
            << "Next on the last page";
        ASSERT_TRUE(ui_driver::press_wizard(sheet, ui_driver::wizard_finish));
        EXPECT_TRUE(ui_driver::wait_until_gone(sheet));
      });
  EXPECT_TRUE(closed) << "the wizard had to be closed by force";
  EXPECT_TRUE(ran);

  const std::vector<std::string> expected_states = {
      "back off, next on, finish off",  // next only
      "back on, next on, finish off",   // back and next
      "back on, next on, finish off",  "back off, next on, finish off",
      "back on, next on, finish off",
      "back on, next off, finish on",  // back and finish: Finish takes Next's place
  };
  EXPECT_EQ(expected_states, states);
  EXPECT_EQ((std::vector<int>{0, 1, 1, 0, 1, 2}), pages);

  // The handlers, each as often as the user caused it.
  const event_log& log = wizard.log;
  EXPECT_EQ(1, count(log, "one:init"));
  EXPECT_EQ(1, count(log, "two:init")) << "a page's window is made once per run";
  EXPECT_EQ(1, count(log, "three:init"));
  EXPECT_EQ(2, count(log, "one:next"));
  EXPECT_EQ(2, count(log, "two:next")) << "once kept on the page, once let on";
  EXPECT_EQ(1, count(log, "two:stay"));
  EXPECT_EQ(1, count(log, "two:back")) << "PSN_WIZBACK goes to on_message";
  EXPECT_EQ(1, count(log, "three:finish"));
  EXPECT_EQ(0, count(log, "three:next"));
  EXPECT_EQ(1, count(log, "three:active"));
  EXPECT_EQ(1, count(log, "one:destroy"));
  EXPECT_EQ(1, count(log, "three:destroy"));

  EXPECT_EQ("c:\\w32tex\\表\\", edit_after_return);
  EXPECT_EQ(BST_CHECKED, check_after_return);
  EXPECT_EQ("c:\\w32tex\\表\\", wizard.two.destination);
  EXPECT_EQ((std::vector<std::string>{"latex.tar.xz|新規|1234567", "platex.tar.xz|最新|345678",
                                      "dvipdfm-w32.tar.xz|更新|98765"}),
            list_rows);
  EXPECT_EQ((std::vector<bool>{true, false, false}), list_ticks);
  EXPECT_EQ((std::vector<int>{2}), wizard.three.ticked_at_finish);

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
}

TEST(wizard, cancel_ends_the_run_and_the_pages_can_run_again) {
  test_wizard wizard;
  for (int run = 0; run < 2; ++run) {
    bool ran = false;
    bool closed = ui_driver::run_modal(
        [&] { ran = wizard.run("試験ウィザード"); },
        [&](DWORD ui_thread) {
          HWND sheet = wait_for_sheet(ui_thread);
          ASSERT_TRUE(sheet);
          ASSERT_TRUE(ui_driver::wait_for_page(sheet, 0));
          if (run == 1) {
            ASSERT_TRUE(ui_driver::press_wizard(sheet, ui_driver::wizard_next));
            ASSERT_TRUE(ui_driver::wait_for_page(sheet, 1));
          }
          ASSERT_TRUE(ui_driver::press_wizard(sheet, ui_driver::wizard_cancel));
          EXPECT_TRUE(ui_driver::wait_until_gone(sheet));
        });
    EXPECT_TRUE(closed) << "run " << run;
    EXPECT_TRUE(ran) << "Cancel is no error, run " << run;
    EXPECT_EQ(nullptr, wizard.one.holder()) << "run " << run;
  }
  EXPECT_EQ(2, count(wizard.log, "one:init")) << "each run makes the page anew";
  EXPECT_EQ(1, count(wizard.log, "two:init"));
  EXPECT_EQ(0, count(wizard.log, "three:init"));
  EXPECT_EQ(0, count(wizard.log, "one:finish"));
}

TEST(wizard, an_empty_table_is_refused) {
  test_sheet sheet;
  EXPECT_FALSE(sheet.run(nullptr, 0, PSH_WIZARD, "x"));
  EXPECT_EQ(nullptr, sheet.created);
}

TEST(wizard, two_threads_run_sheets_at_once) {
  test_wizard main_wizard;
  test_wizard other_wizard;
  DWORD other_thread = 0;
  bool other_ran = false;
  HWND main_seen = nullptr;
  HWND other_seen = nullptr;
  bool closed = ui_driver::run_modal(
      [&] { main_wizard.run("表の試験"); },
      [&](DWORD ui_thread) {
        HWND main_sheet = wait_for_sheet(ui_thread);
        ASSERT_TRUE(main_sheet);
        ASSERT_TRUE(ui_driver::wait_for_page(main_sheet, 0));
        // While the first sheet is open, a second thread opens its own.
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
  EXPECT_TRUE(other_ran);
  ASSERT_TRUE(other_seen) << "the second sheet did not appear";
  EXPECT_NE(main_seen, other_seen);
  EXPECT_EQ(main_seen, main_wizard.sheet.created) << "each runner gets its own sheet";
  EXPECT_EQ(other_seen, other_wizard.sheet.created);
  EXPECT_EQ(other_seen, other_wizard.one.sheet_seen_at_init);
}

}  // namespace

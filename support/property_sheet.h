// wklib::property_sheet: runs a table of property pages as one modal sheet
// (wizard mode when asked) and keeps a record of the sheet's window while it is
// open. The sheet callback gets nothing but the window, so the runner leaves
// itself in a process-wide map under the current thread's id before showing the
// sheet; several threads can run sheets at the same time, one each.
#pragma once

#include <windows.h>

#include <memory>

#include "support/property_page.h"
#include "support/scroll_bar.h"

namespace wklib {

// The open sheet: its window, its two scroll bars and the text metrics of its
// device context.
struct sheet_window {
  explicit sheet_window(HWND window);

  HWND handle;
  scroll_bar vertical;
  scroll_bar horizontal;
  TEXTMETRICA metrics;
};

class property_sheet {
 public:
  // `instance`: the module that holds the pages' dialog templates.
  explicit property_sheet(HINSTANCE instance);
  virtual ~property_sheet();

  // Shows `count` pages of `pages` modally under `caption`, with `flags` (PSH_*,
  // e.g. PSH_WIZARD) plus the callback flag, starting at the first page. The
  // table must stay in place until the call returns. False when the sheet could
  // not be made (the system answered -1) or a page could not be created.
  bool run(page_entry* pages, int count, DWORD flags, const char* caption, HWND owner = nullptr);

  // The sheet's window while run() shows it, null otherwise.
  HWND window() const { return window_ ? window_->handle : nullptr; }
  const sheet_window* window_record() const { return window_.get(); }

 protected:
  // Called once the sheet's window exists, before it is shown.
  virtual void on_sheet_created(HWND) {}

 private:
  property_sheet(const property_sheet&) = delete;
  property_sheet& operator=(const property_sheet&) = delete;

  static int CALLBACK callback(HWND window, UINT message, LPARAM lparam);

  HINSTANCE instance_;
  std::unique_ptr<sheet_window> window_;
};

}  // namespace wklib

// wklib::property_page: one page of a wizard-mode property sheet. The page's
// window carries "KOTORIPROPSHEETPROP", pointing to its entry in the sheet's page
// table; the shared page procedure turns its messages and the sheet's
// notifications into virtual calls.
#pragma once

#include <windows.h>

#include "support/string.h"
#include "support/window_holder.h"

namespace wklib {

// A property of the sheet window while one of its pages handles Next; another
// process that drives the wizard waits for it to go before it reads a page.
extern const char next_running_prop[];  // "tamari_next_running"

class property_page {
 public:
  // Which wizard buttons the page asks for each time it becomes active. Finish
  // takes the place of Next; Back comes with either.
  property_page(bool next, bool back, bool finish);
  virtual ~property_page();

  // Every handler answers true or false; the page procedure passes that on as 1
  // or 0. A handler a page does not define answers false. Next is the exception:
  // the sheet always advances from its current page after on_wizard_next.
  virtual bool on_init(window_holder& window);
  virtual bool on_close(window_holder& window);
  // Answering true releases the binding at once; otherwise the page stays bound
  // until its window's last message.
  virtual bool on_destroy(window_holder& window);
  virtual bool on_command(window_holder& window, int id, int notification);
  virtual bool on_set_active(window_holder& window);
  virtual bool on_wizard_next(window_holder& window);
  virtual bool on_wizard_finish(window_holder& window);
  // Every other message and notification (PSN_WIZBACK among them).
  virtual bool on_message(window_holder& window, UINT message, WPARAM wparam, LPARAM lparam);

  void set_buttons(bool next, bool back, bool finish);
  bool wants_next() const { return next_ != 0; }
  bool wants_back() const { return back_ != 0; }
  bool wants_finish() const { return finish_ != 0; }
  // The PSWIZB_* combination the page procedure posts on activation.
  DWORD wizard_buttons() const;

  // message_box() and browse_folder() with this page's window as owner.
  int message_box(const char* text, const char* caption, int kind) const;
  bool browse_folder(string& result, const char* title, const char* start_directory) const;

  HWND window() const { return holder_ ? holder_->handle : nullptr; }
  window_holder* holder() const { return holder_; }

  static INT_PTR CALLBACK procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

 private:
  property_page(const property_page&) = delete;
  property_page& operator=(const property_page&) = delete;

  void release_binding(HWND window);
  static INT_PTR answer_next(HWND window, property_page& page, window_holder& holder);

  unsigned char next_;
  unsigned char back_;
  unsigned char finish_;
  window_holder* holder_;
};

// One row of a sheet's page table: the page's dialog template and its object.
// The sheet keeps pointers to the rows, so the table must outlive the sheet.
struct page_entry {
  int template_id;
  property_page* page;
};

}  // namespace wklib

// What the catalogue's steps report to: the running progress text, the four
// lists of page 103 and the cancel flag. The dialog's worker gives them the real
// lists; tests give them rows in memory.
#pragma once

#include <vector>

#include "support/string.h"

enum catalogue_list : int {
  list_w32tex = 0,
  list_dviout = 1,
  list_ghostscript = 2,
  list_gsview = 3,
};

// The catalogue's result codes.
enum catalogue_result : int {
  catalogue_done = 0,
  catalogue_cancelled = 1,
  catalogue_connection_failed = 2,
  catalogue_not_started = 3,
  catalogue_other_failure = 4,
};

class catalogue_view {
 public:
  virtual ~catalogue_view() = default;
  // Shows the whole progress text.
  virtual void show(const wklib::string& progress_text) = 0;
  virtual void clear_rows(catalogue_list list) = 0;
  virtual void append_row(catalogue_list list, const std::vector<wklib::string>& texts,
                          bool ticked) = 0;
  virtual void set_ticked(catalogue_list list, int row, bool ticked) = 0;
  // The cancel byte, written by the dialog's thread and polled here without a lock.
  virtual const volatile char* cancel_flag() const = 0;
  bool cancelled() const { return *cancel_flag() != 0; }
};

// The whole catalogue, online or offline as use_network says: clears and refills
// w32tex_archives and the lists. Runs on the dialog's worker.
catalogue_result build_catalogue(catalogue_view& view);
// From the save directory alone: catalogue_done or catalogue_other_failure.
catalogue_result build_catalogue_offline(catalogue_view& view, wklib::string& progress_text);

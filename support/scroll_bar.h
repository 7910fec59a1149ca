// wklib::scroll_bar: one of a window's two standard scroll bars. Every change is
// applied with redraw and the bar's information read back, so info() always
// shows what the system made of it (positions are clamped to the range).
#pragma once

#include <windows.h>

namespace wklib {

class scroll_bar {
 public:
  // `bar`: SB_VERT or SB_HORZ.
  scroll_bar(HWND window, int bar);

  void set_range(int min, int max);
  void set_page(unsigned int page);
  void set_position(int position);
  // Moves the window's contents by `pixels` along this bar's direction (positive:
  // down or right) and invalidates what is uncovered.
  void scroll(int pixels);

  const SCROLLINFO& info() const { return info_; }
  HWND window() const { return window_; }
  int bar() const { return bar_; }

 private:
  void apply(UINT mask);

  HWND window_;
  int bar_;
  SCROLLINFO info_;
};

}  // namespace wklib

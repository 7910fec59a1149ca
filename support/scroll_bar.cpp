#include "support/scroll_bar.h"

namespace wklib {

scroll_bar::scroll_bar(HWND window, int bar) : window_(window), bar_(bar), info_() {
  info_.cbSize = sizeof info_;
  info_.fMask = SIF_ALL;
  if (window_ && !GetScrollInfo(window_, bar_, &info_)) {
    info_ = SCROLLINFO();
    info_.cbSize = sizeof info_;
  }
}

void scroll_bar::apply(UINT mask) {
  info_.cbSize = sizeof info_;
  info_.fMask = mask;
  SetScrollInfo(window_, bar_, &info_, TRUE);
  info_.fMask = SIF_ALL;
  GetScrollInfo(window_, bar_, &info_);
}

void scroll_bar::set_range(int min, int max) {
  info_.nMin = min;
  info_.nMax = max;
  apply(SIF_RANGE);
}

void scroll_bar::set_page(unsigned int page) {
  info_.nPage = page;
  apply(SIF_PAGE);
}

void scroll_bar::set_position(int position) {
  info_.nPos = position;
  apply(SIF_POS);
}

void scroll_bar::scroll(int pixels) {
  int dx = bar_ == SB_HORZ ? pixels : 0;
  int dy = bar_ == SB_HORZ ? 0 : pixels;
  ScrollWindowEx(window_, dx, dy, nullptr, nullptr, nullptr, nullptr, SW_INVALIDATE);
}

}  // namespace wklib

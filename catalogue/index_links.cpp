#include "catalogue/index_links.h"

#include <cstring>

#include "support/pattern_search.h"

const char* const anchor_pattern = "<a href.*?>\\f.*?\\f</a>";

namespace {

// The window: the part of the page not yet examined, in a fixed buffer.
class link_window {
 public:
  int length() const { return length_; }
  const char* text() const { return text_; }

  // Fills up to `limit` bytes from `source`; the number of bytes read.
  int refill(page_source& source, int limit) {
    int room = limit - length_;
    if (room <= 0) return 0;
    const int got = source.read(text_ + length_, room);
    if (got > 0) {
      length_ += got;
      text_[length_] = '\0';
    }
    return got;
  }
  void drop_front(int count) {
    if (count <= 0) return;
    if (count > length_) count = length_;
    std::memmove(text_, text_ + count, length_ - count);
    length_ -= count;
    text_[length_] = '\0';
  }
  void append(const char* bytes, int count) {
    std::memcpy(text_ + length_, bytes, count);
    length_ += count;
    text_[length_] = '\0';
  }

 private:
  char text_[link_window_size + 1] = {};
  int length_ = 0;
};

}  // namespace

listing_result scan_index_links(page_source& source, const volatile char* cancel_flag,
                                name_list& names) {
  wklib::pattern_search finder;
  finder.set_pattern(anchor_pattern);
  finder.set_option("CaseSense", 0);

  link_window window;
  window.refill(source, link_window_size);
  if (source.failed()) return listing_failed;
  char step[link_window_step];
  for (;;) {
    if (finder.search(window.text()) && finder.submatch(-1).length() > 0) {
      // An empty link text (an icon's link, say) names nothing to fetch.
      if (finder.submatch(1).length() > 0) names.push_back(finder.submatch(1));
      window.drop_front(finder.submatch_pos(0) + finder.submatch(-1).length());
      // An empty read here is not the end yet: what is left may hold more links.
      window.refill(source, link_window_size);
      if (source.failed()) return listing_failed;
    } else {
      const int got = source.read(step, link_window_step);
      if (got <= 0) return source.failed() ? listing_failed : listing_complete;
      if (window.length() == link_window_size) {
        window.drop_front(link_window_step);
      } else {
        // Only a short read leaves the window part-filled before the page ends; its
        // bytes may hold the start of a link whose end is still to come, so keep them.
        window.drop_front(window.length() + got - link_window_size);
      }
      window.append(step, got);
    }
    if (cancel_flag && *cancel_flag) return listing_cancelled;
  }
}

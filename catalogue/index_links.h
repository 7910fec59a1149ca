// Reading the link texts of an HTML index page without ever holding the page:
// the page passes through a window of at most 1024 bytes. After a link the window
// is refilled behind it; while no link is in view it slides on by 256 bytes.
// A link is seen only when all of it, "<a href" to "</a>", is in the window at
// one time, so a link that straddles the front of a full window is lost. A window
// left part-filled by a short read is not slid but filled up.
#pragma once

#include "catalogue/name_list.h"

// Where the page's bytes come from.
class page_source {
 public:
  virtual ~page_source() = default;
  // Up to `size` bytes into `buffer`; 0 at the end of the page or on failure.
  virtual int read(char* buffer, int size) = 0;
  // Whether the last read failed (rather than reached the end).
  virtual bool failed() const { return false; }
};

// The link pattern: segment 1 is the link text.
extern const char* const anchor_pattern;

const int link_window_size = 1024;
const int link_window_step = 256;

// Appends the text of every link found to `names`, leaving out empty texts. Gives
// listing_complete when the page ends, listing_cancelled when `*cancel_flag` is seen
// set after a read, and listing_failed when a read fails part-way (a cut page must
// not pass for a whole one).
listing_result scan_index_links(page_source& source, const volatile char* cancel_flag,
                                name_list& names);

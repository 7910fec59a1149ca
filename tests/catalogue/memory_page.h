// A page served from memory for the link scanner's test and fuzz target.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "catalogue/index_links.h"

// Serves a page from memory, at most `cap` bytes a read, recording the sizes asked
// for; sets the cancel flag at the n-th read, or fails from an offset on.
class memory_page : public page_source {
 public:
  explicit memory_page(std::string text, int cap = 1 << 20) : text_(std::move(text)), cap_(cap) {}
  int read(char* buffer, int size) override {
    sizes_.push_back(size);
    if (static_cast<int>(sizes_.size()) == cancel_at_) cancel_ = 1;
    failed_ = fail_at_ >= 0 && position_ >= static_cast<size_t>(fail_at_);
    const size_t n = failed_ ? 0 : std::min<size_t>(std::min(size, cap_), text_.size() - position_);
    std::copy(text_.data() + position_, text_.data() + position_ + n, buffer);
    position_ += n;
    return static_cast<int>(n);
  }
  bool failed() const override { return failed_; }

  std::string text_;
  int cap_, cancel_at_ = 0;
  size_t position_ = 0;
  std::vector<int> sizes_;
  volatile char cancel_ = 0;
  long fail_at_ = -1;
  bool failed_ = false;
};

// Fuzz target of the index-page scanner: any page, delivered in reads of any size,
// gives only link texts that occur in the page, each shorter than the window, and
// always comes to the end of the page.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "catalogue/index_links.h"

namespace {

class fuzz_page : public page_source {
 public:
  fuzz_page(const std::uint8_t* data, size_t size, int cap) : data_(data), size_(size), cap_(cap) {}
  int read(char* buffer, int size) override {
    if (cap_ > 0 && size > cap_) size = cap_;
    const size_t n = std::min(static_cast<size_t>(size), size_ - position_);
    std::copy(data_ + position_, data_ + position_ + n, buffer);
    position_ += n;
    return static_cast<int>(n);
  }

 private:
  const std::uint8_t* data_;
  size_t size_;
  size_t position_ = 0;
  int cap_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  if (size < 1) return 0;
  // The first byte limits the bytes per read (0: reads are filled whole).
  const int cap = data[0];
  const std::uint8_t* page = data + 1;
  const size_t page_size = size - 1;
  fuzz_page source(page, page_size, cap);
  name_list names;
  if (scan_index_links(source, nullptr, names) != listing_complete) std::abort();
  for (const wklib::string& name : names) {
    if (name.length() >= link_window_size) std::abort();
    const char* text = name.c_str();
    const char* bytes = reinterpret_cast<const char*>(page);
    if (std::search(bytes, bytes + page_size, text, text + name.length()) == bytes + page_size) {
      std::abort();
    }
  }
  return 0;
}

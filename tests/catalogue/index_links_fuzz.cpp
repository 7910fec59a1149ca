// Fuzz target of the index-page scanner: any page, delivered in reads of at most
// the first byte's value (0: reads filled whole), gives only link texts that occur
// in the page, each shorter than the window, and always comes to the end of the page.
#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "catalogue/index_links.h"

namespace {

class fuzz_page : public page_source {
 public:
  fuzz_page(const char* data, size_t size, int cap) : data_(data), size_(size), cap_(cap) {}
  int read(char* buffer, int size) override {
    const size_t n = std::min<size_t>(cap_ > 0 && size > cap_ ? cap_ : size, size_ - position_);
    std::copy(data_ + position_, data_ + position_ + n, buffer);
    position_ += n;
    return static_cast<int>(n);
  }

 private:
  const char* data_;
  size_t size_, position_ = 0;
  int cap_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const char* page = reinterpret_cast<const char*>(data) + 1;
  fuzz_page source(page, size - 1, data[0]);
  name_list names;
  if (scan_index_links(source, nullptr, names) != listing_complete) std::abort();
  for (const wklib::string& name : names) {
    if (name.length() >= link_window_size ||
        std::search(page, page + size - 1, name.c_str(), name.c_str() + name.length()) == page + size - 1)
      std::abort();
  }
  return 0;
}

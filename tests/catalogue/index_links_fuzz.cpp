// Fuzz target of the index-page scanner: any page, delivered in reads of at most
// the first byte's value (0: reads filled whole), gives only link texts that occur
// in the page, each shorter than the window, and always comes to the end of the page.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "catalogue/index_links.h"

namespace {

struct fuzz_page : page_source {
  std::string page;
  size_t position = 0, cap;
  int read(char* buffer, int size) override {
    const size_t n = std::min({cap ? cap : size_t(size), size_t(size), page.size() - position});
    std::copy(page.data() + position, page.data() + position + n, buffer);
    position += n;
    return static_cast<int>(n);
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  if (size < 1) return 0;
  fuzz_page source;
  source.page.assign(reinterpret_cast<const char*>(data) + 1, size - 1);
  source.cap = data[0];
  name_list names;
  if (scan_index_links(source, nullptr, names) != listing_complete) std::abort();
  for (const wklib::string& name : names) {
    const std::string text(name.c_str(), name.length());
    if (text.size() >= link_window_size || source.page.find(text) == std::string::npos) std::abort();
  }
  return 0;
}

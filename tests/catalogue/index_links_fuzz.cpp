// Fuzz target of the index-page scanner: any page, delivered in reads of at most
// the first byte's value (0: reads filled whole), gives only link texts that occur
// in the page, each shorter than the window, and always comes to the end of the page.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "tests/catalogue/memory_page.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  if (size < 1) return 0;
  memory_page source(std::string(reinterpret_cast<const char*>(data) + 1, size - 1),
                     data[0] ? data[0] : 1 << 20);
  name_list names;
  if (scan_index_links(source, nullptr, names) != listing_complete) std::abort();
  for (const wklib::string& name : names) {
    const std::string text(name.c_str(), name.length());
    if (text.size() >= link_window_size || source.text_.find(text) == std::string::npos)
      std::abort();
  }
  return 0;
}

// Fuzz target of euc_to_sjis: any bytes give either failure with an empty text or
// a text no longer than the input, without NUL and CR; input of ASCII alone comes
// out as itself with NULs dropped and line ends made LF.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "plugin_extrapack/euc_to_sjis.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  if (size > (1u << 20)) return 0;
  wklib::string out;
  if (!euc_to_sjis(reinterpret_cast<const char*>(data), static_cast<int>(size), out)) {
    if (!out.empty()) std::abort();
    return 0;
  }
  const std::string got(out.c_str(), out.length());
  if (got.size() > size || got.find_first_of(std::string("\r\0", 2)) != std::string::npos)
    std::abort();
  if (std::any_of(data, data + size, [](std::uint8_t c) { return c >= 0x80; })) return 0;
  std::string expected;
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == 0 || (data[i] == '\n' && i > 0 && data[i - 1] == '\r')) continue;
    expected += data[i] == '\r' ? '\n' : static_cast<char>(data[i]);
  }
  if (got != expected) std::abort();
  return 0;
}

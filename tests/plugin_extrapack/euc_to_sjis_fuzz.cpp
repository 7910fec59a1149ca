// Fuzz target of euc_to_sjis: any bytes give either failure with an empty text or
// a text no longer than the input, without NUL and CR; input of ASCII alone comes
// out as itself with NULs dropped and line ends made LF.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "plugin_extrapack/euc_to_sjis.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  if (size > (1u << 20)) return 0;
  wklib::string out;
  const bool ok = euc_to_sjis(reinterpret_cast<const char*>(data), static_cast<int>(size), out);
  if (!ok) {
    if (!out.empty()) std::abort();
    return 0;
  }
  const int length = out.length();
  if (length < 0 || static_cast<size_t>(length) > size) std::abort();
  if (std::strlen(out.c_str()) != static_cast<size_t>(length)) std::abort();
  if (std::memchr(out.c_str(), '\r', length)) std::abort();
  // Input made of ASCII only comes out as itself, with NULs dropped and line ends as LF.
  bool ascii = true;
  for (size_t i = 0; i < size; ++i) ascii = ascii && data[i] < 0x80;
  if (ascii) {
    size_t expected = 0;
    for (size_t i = 0; i < size; ++i) {
      if (data[i] == 0 || (data[i] == '\n' && i > 0 && data[i - 1] == '\r')) continue;
      const char c = data[i] == '\r' ? '\n' : static_cast<char>(data[i]);
      if (expected >= static_cast<size_t>(length) || out[static_cast<int>(expected)] != c)
        std::abort();
      ++expected;
    }
    if (expected != static_cast<size_t>(length)) std::abort();
  }
  return 0;
}

// Fuzz target: any bytes as an archive, read in blocks of two sizes, and as one entry name. Besides
// the sanitizers' own checks: the reader never hands out more than an entry's declared size, an
// entry read to a clean end matches its size and CRC-32, and every name the entry-name rules accept
// stays inside the destination when resolved the way Windows resolves a path.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "archive/entry_name.h"
#include "tests/archive/zip_builder.h"

namespace {

// Resolves a relative path as Win32 does: components split at '\' (double-byte characters kept
// whole), trailing dots and spaces trimmed, "." dropped, ".." going up. False when it would leave
// the starting directory or name a drive.
bool stays_inside(const std::string& path) {
  if (path.empty() || path[0] == '\\') return false;
  std::vector<std::string> parts(1);
  for (std::size_t i = 0; i < path.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(path[i]);
    if (((c >= 0x81 && c <= 0x9f) || (c >= 0xe0 && c <= 0xfc)) && i + 1 < path.size()) {
      parts.back() += path.substr(i++, 2);
    } else if (c == '\\') {
      parts.emplace_back();
    } else if (c == ':' || c == '\0') {
      return false;
    } else {
      parts.back() += static_cast<char>(c);
    }
  }
  int depth = 0;
  for (std::string part : parts) {
    while (!part.empty() && part.back() == ' ') part.pop_back();
    if (part.size() >= 2 && part.find_first_not_of('.') == std::string::npos) {
      if (--depth < 0) return false;  // "..", and what Windows trims to it
      continue;
    }
    while (!part.empty() && (part.back() == '.' || part.back() == ' ')) part.pop_back();
    if (!part.empty()) ++depth;  // "." and the empty component stay where they are
  }
  return true;
}

void check_name(const char* bytes, std::size_t size) {
  wklib::string name(bytes, static_cast<int>(size));
  if (classify_entry_name(name) != entry_refused &&
      !stays_inside(std::string(name.c_str(), name.length())))
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  for (unsigned block : {8192u, 13u}) {
    for (const walked_entry& e : walk_archive(memory_source(bytes), block).entries) {
      if (e.data.size() > e.info.uncompressed_size) std::abort();
      if (e.status == 0 &&
          (e.data.size() != e.info.uncompressed_size || crc32_of(e.data) != e.info.crc32))
        std::abort();
      if (block == 13u) check_name(e.name.data(), e.name.size());
    }
  }
  check_name(bytes.data(), bytes.size() < 600 ? bytes.size() : 600);
  return 0;
}

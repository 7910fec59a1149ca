// Fuzz target: any bytes as an archive. Besides the sanitizers' own checks:
//  - the reader never hands out more than an entry's declared size, and an entry
//    that reads to a clean end matches its declared size and CRC-32;
//  - every name the entry-name rules accept stays inside the destination when
//    resolved the way Windows resolves a path.
#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "archive/entry_name.h"
#include "archive/zip_reader.h"
#include "tests/archive/zip_walk.h"

namespace {

bool lead(unsigned char c) { return (c >= 0x81 && c <= 0x9f) || (c >= 0xe0 && c <= 0xfc); }

// Resolves a relative path as Win32 does: components split at '\' (double-byte
// characters kept whole), trailing dots and spaces trimmed, "." dropped, ".."
// going up. False when it would leave the starting directory or name a drive.
bool stays_inside(const std::string& path) {
  if (path.empty() || path[0] == '\\') return false;
  std::vector<std::string> parts(1);
  for (std::size_t i = 0; i < path.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(path[i]);
    if (lead(c) && i + 1 < path.size()) {
      parts.back() += path.substr(i, 2);
      ++i;
    } else if (c == '\\') {
      parts.emplace_back();
    } else {
      if (c == ':' || c == '\0') return false;
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  // Odd block sizes reach the seams between the input buffer and the output.
  for (unsigned block : {8192u, 13u}) {
    walked_archive walked = walk_memory(bytes, block);
    for (const walked_entry& e : walked.entries) {
      if (e.data.size() > e.info.uncompressed_size) std::abort();
      if (e.open_status == zip_ok && e.read_status == 0) {
        if (e.data.size() != e.info.uncompressed_size) std::abort();
        uLong crc = crc32(0L, Z_NULL, 0);
        crc = crc32(crc, reinterpret_cast<const Bytef*>(e.data.data()),
                    static_cast<uInt>(e.data.size()));
        if (crc != e.info.crc32) std::abort();
      }
      if (block != 8192u) continue;
      wklib::string name(e.name.data(), static_cast<int>(e.name.size()));
      if (classify_entry_name(name) != entry_refused &&
          !stays_inside(std::string(name.c_str(), name.length())))
        std::abort();
    }
  }
  // The bytes themselves as one name, to reach the rules without an archive around them.
  wklib::string name(bytes.data(), static_cast<int>(bytes.size() < 600 ? bytes.size() : 600));
  if (classify_entry_name(name) != entry_refused &&
      !stays_inside(std::string(name.c_str(), name.length())))
    std::abort();
  return 0;
}

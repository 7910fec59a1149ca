// Fuzz target: any bytes as an archive. Besides the sanitizers' own checks, the
// reader must never hand out more than an entry's declared size, and an entry
// that reads to a clean end must match its declared size and CRC-32.
#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "archive/zip_reader.h"
#include "tests/archive/zip_walk.h"

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
    }
  }
  return 0;
}

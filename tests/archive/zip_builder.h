// Builds zip archives in memory for the tests, with every header field open to
// change so that damaged and hostile archives can be made on purpose.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct zip_builder_entry {
  std::string name;  // bytes as stored
  std::string data;  // uncompressed
  std::uint16_t method = 8;
  std::uint16_t flags = 0;
  // Header fields as written; -1: computed by build().
  std::int64_t crc32 = -1, compressed_size = -1, uncompressed_size = -1, local_offset = -1;
  std::int64_t central_name_length = -1, local_name_length = -1, local_method = -1;
  // Replaces the compressed bytes written to the archive (the sizes stay as declared).
  bool raw_override = false;
  std::string raw;
};

class zip_builder {
 public:
  zip_builder& add(const std::string& name, const std::string& data, std::uint16_t method = 8);
  zip_builder_entry& back() { return entries_.back(); }
  std::vector<zip_builder_entry>& entries() { return entries_; }

  std::string comment;  // archive comment
  std::int64_t entry_count = -1, directory_size = -1, directory_offset = -1;  // -1: computed
  bool zip64_locator = false;

  std::string build() const;

 private:
  std::vector<zip_builder_entry> entries_;
};

// Raw deflate (no zlib header), as zip stores it.
std::string deflate_raw(const std::string& data);
std::uint32_t crc32_of(const std::string& data);
// Bytes of a given length that deflate compresses only partly.
std::string mixed_bytes(std::size_t length, std::uint32_t seed);

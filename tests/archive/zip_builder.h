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
  std::uint32_t external_attributes = 0;
  // Filled in by build() unless set beforehand (-1: compute).
  std::int64_t crc32 = -1;
  std::int64_t compressed_size = -1;
  std::int64_t uncompressed_size = -1;
  std::int64_t local_offset = -1;
  std::int64_t central_name_length = -1;
  std::int64_t local_name_length = -1;
  std::int64_t local_method = -1;
  std::string extra;    // extra field, both headers
  std::string comment;  // entry comment, central header only
  // Replaces the compressed bytes written to the archive (the sizes stay as declared).
  bool raw_override = false;
  std::string raw;
};

struct zip_layout {
  std::vector<std::uint32_t> local_offsets;    // of each local header
  std::vector<std::uint32_t> data_offsets;     // of each entry's compressed data
  std::vector<std::uint32_t> central_offsets;  // of each central header
  std::uint32_t directory_offset = 0;
  std::uint32_t end_offset = 0;  // of the end record
};

class zip_builder {
 public:
  zip_builder& add(const std::string& name, const std::string& data, std::uint16_t method = 8);
  zip_builder& add_directory(const std::string& name);
  zip_builder_entry& back() { return entries_.back(); }
  std::vector<zip_builder_entry>& entries() { return entries_; }

  std::string prefix;   // bytes before the archive (a self-extractor's program)
  std::string comment;  // archive comment
  std::int64_t entry_count = -1;
  std::int64_t directory_size = -1;
  std::int64_t directory_offset = -1;
  bool zip64_locator = false;

  std::string build(zip_layout* layout = nullptr) const;

 private:
  std::vector<zip_builder_entry> entries_;
};

// Raw deflate (no zlib header), as zip stores it.
std::string deflate_raw(const std::string& data, int level = 6);
std::uint32_t crc32_of(const std::string& data);
// Bytes of a given length that deflate compresses only partly.
std::string mixed_bytes(std::size_t length, std::uint32_t seed);

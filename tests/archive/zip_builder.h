// Zip archives built in memory for the tests, with every header field open to
// change so that damaged and hostile archives can be made on purpose; and a walk
// that reads an archive the way the extraction loop does, recording what came out.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "archive/zip_reader.h"

struct zip_builder_entry {
  std::string name;  // bytes as stored
  std::string data;  // uncompressed
  std::uint16_t method = 8;
  std::uint16_t flags = 0;
  // Header fields as written; -1: computed by build().
  std::int64_t crc32 = -1, compressed_size = -1, uncompressed_size = -1, local_offset = -1;
  std::int64_t central_name_length = -1, local_name_length = -1, local_method = -1;
  std::string raw;  // when not empty, written in place of the compressed bytes
};

class zip_builder {
 public:
  zip_builder& add(const std::string& name, const std::string& data, std::uint16_t method = 8);
  zip_builder_entry& back() { return entries_.back(); }

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

struct walked_entry {
  int info_status = zip_ok;
  zip_entry_info info;
  std::string name, data;
  int status = zip_ok;        // open_current's error, else the last read's answer (0: a clean end)
  int close_status = zip_ok;  // of close_current
  int next_status = zip_ok;   // of the next() that followed
};

struct walked_archive {
  int open_status = zip_ok;
  std::vector<walked_entry> entries;
};

std::unique_ptr<zip_source> memory_source(const std::string& bytes);
// Opens `source` and reads every entry in blocks of `block` bytes.
walked_archive walk_archive(std::unique_ptr<zip_source> source, unsigned block = 8192);

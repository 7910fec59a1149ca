// A small reader of zip archives over zlib's inflate: walks the central
// directory entry by entry and streams the current entry's data, checking the
// CRC-32 and both sizes. Stored and deflated entries; no encryption, no Zip64.
//
// Every offset, size and length in an archive is untrusted: each one is checked
// against the archive's size before it is used, an entry never yields more bytes
// than its declared uncompressed size, and any inconsistency ends in an error
// code rather than in a read outside the data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "archive/zip_source.h"

// Result codes. Reads answer a byte count (> 0), 0 at the end of the entry, or one of these.
enum zip_status : int {
  zip_ok = 0,
  zip_end_of_list = -100,    // no further entry
  zip_io_error = -101,       // the archive cannot be opened or read
  zip_bad_parameter = -102,  // a call out of order (no archive, no open entry, ...)
  zip_bad_archive = -103,    // a header is damaged or points outside the archive
  zip_unsupported = -104,    // compression method, encryption, Zip64 or split archive
  zip_crc_error = -105,      // the entry's data does not match its CRC-32
  zip_data_error = -106,     // compressed data damaged, or shorter or longer than declared
};

// What the central directory says about one entry.
struct zip_entry_info {
  std::uint16_t version_made_by = 0;
  std::uint16_t version_needed = 0;
  std::uint16_t flags = 0;
  std::uint16_t method = 0;
  std::uint32_t dos_date_time = 0;
  std::uint32_t crc32 = 0;
  std::uint32_t compressed_size = 0;
  std::uint32_t uncompressed_size = 0;
  std::uint16_t name_length = 0;  // the full length, even when the copy was cut
  std::uint16_t extra_length = 0;
  std::uint16_t comment_length = 0;
  std::uint16_t internal_attributes = 0;
  std::uint32_t external_attributes = 0;
  std::uint32_t local_header_offset = 0;
};

class zip_reader {
 public:
  zip_reader();
  ~zip_reader();
  zip_reader(const zip_reader&) = delete;
  zip_reader& operator=(const zip_reader&) = delete;

  // Opens an archive and stands on its first entry. An archive without entries opens;
  // its first current_info() then answers zip_end_of_list.
  int open(const char* path);
  int open(std::unique_ptr<zip_source> source);

  // The current entry: `info` (may be null) and its name, NUL-terminated, cut to
  // name_size - 1 bytes when longer (name may be null). The name is the stored
  // bytes unchanged: Shift_JIS with '/' as separator in the archives we read.
  int current_info(zip_entry_info* info, char* name, std::size_t name_size) const;

  // Starts reading the current entry's data.
  int open_current();
  // Up to `size` bytes of the entry's uncompressed data. After the last byte the
  // next call checks the entry (sizes, end of the compressed stream, CRC-32) and
  // answers 0 or an error; an error is repeated by every later call.
  int read_current(void* buffer, unsigned size);
  // Ends the entry; zip_crc_error or zip_data_error when it was read to the end
  // and did not check out.
  int close_current();

  // Moves to the next entry: zip_end_of_list after the last one; zip_bad_archive
  // when the next header is damaged (current_info then answers it too).
  int next();
  void close();

  bool is_open() const { return source_ != nullptr; }
  std::uint32_t entry_count() const { return entry_count_; }

 private:
  struct inflater;
  int parse_entry();
  int read_stored(unsigned char* out, unsigned size);
  int read_deflated(unsigned char* out, unsigned size);
  int fill_input();
  int finish_entry();

  std::unique_ptr<zip_source> source_;
  // Where the archive proper starts in the file: non-zero for archives with
  // bytes prepended (self-extracting programs).
  std::uint64_t base_ = 0;
  std::uint64_t directory_start_ = 0;  // absolute
  std::uint64_t directory_end_ = 0;    // absolute
  std::uint32_t entry_count_ = 0;

  std::uint32_t entry_index_ = 0;
  std::uint64_t entry_position_ = 0;  // absolute position of its central header
  int entry_status_ = zip_end_of_list;
  zip_entry_info entry_;
  std::string entry_name_;

  // The entry being read.
  bool reading_ = false;
  int read_status_ = zip_ok;  // sticky error of the open entry
  bool checked_ = false;      // the end checks have run
  std::uint64_t data_position_ = 0;
  std::uint32_t compressed_left_ = 0;
  std::uint32_t uncompressed_left_ = 0;
  std::uint32_t crc_ = 0;
  bool stream_ended_ = false;
  std::unique_ptr<inflater> inflater_;
  std::vector<unsigned char> input_;
};

#include "archive/zip_reader.h"

#include <zlib.h>

#include <algorithm>
#include <climits>
#include <cstring>

namespace {

const std::uint32_t end_of_directory_signature = 0x06054b50;
const std::uint32_t zip64_locator_signature = 0x07064b50;
const std::uint32_t central_header_signature = 0x02014b50;
const std::uint32_t local_header_signature = 0x04034b50;
const std::size_t end_of_directory_size = 22;
const std::size_t zip64_locator_size = 20;
const std::size_t central_header_size = 46;
const std::size_t local_header_size = 30;
const std::size_t max_comment = 0xffff;
const std::size_t input_buffer_size = 64 * 1024;

const std::uint16_t method_stored = 0;
const std::uint16_t method_deflated = 8;
const std::uint16_t flag_encrypted = 1;

std::uint16_t get16(const unsigned char* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t get32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

}  // namespace

struct zip_reader::inflater {
  z_stream stream;
  bool ready = false;
  inflater() { std::memset(&stream, 0, sizeof stream); }
  ~inflater() {
    if (ready) inflateEnd(&stream);
  }
  // A raw deflate stream (no zlib header), as zip stores it.
  bool start() {
    stream.next_in = Z_NULL;
    stream.avail_in = 0;
    if (ready) return inflateReset(&stream) == Z_OK;
    stream.zalloc = Z_NULL;
    stream.zfree = Z_NULL;
    stream.opaque = Z_NULL;
    ready = inflateInit2(&stream, -MAX_WBITS) == Z_OK;
    return ready;
  }
};

zip_reader::zip_reader() = default;
zip_reader::~zip_reader() = default;

int zip_reader::open(const char* path) {
  close();
  if (!path) return zip_bad_parameter;
  std::unique_ptr<zip_source> source = zip_file_source::open(path);
  if (!source) return zip_io_error;
  return open(std::move(source));
}

int zip_reader::open(std::unique_ptr<zip_source> source) {
  close();
  if (!source) return zip_bad_parameter;
  const std::uint64_t size = source->size();
  if (size < end_of_directory_size) return zip_bad_archive;

  // The end record is the last thing in the archive, followed only by its comment.
  const std::size_t tail_size =
      static_cast<std::size_t>(std::min<std::uint64_t>(size, end_of_directory_size + max_comment));
  const std::uint64_t tail_start = size - tail_size;
  std::vector<unsigned char> tail(tail_size);
  if (!source->read_at(tail_start, tail.data(), tail_size)) return zip_io_error;
  // A comment may itself hold the signature: prefer the record whose comment
  // reaches exactly to the end, then the last one whose comment fits at all
  // (some tools leave bytes after the archive).
  std::size_t found = tail_size;
  std::size_t fitting = tail_size;
  for (std::size_t i = tail_size - end_of_directory_size + 1; i-- > 0;) {
    if (get32(&tail[i]) != end_of_directory_signature) continue;
    const std::size_t end = i + end_of_directory_size + get16(&tail[i + 20]);
    if (end == tail_size) {
      found = i;
      break;
    }
    if (end < tail_size && fitting == tail_size) fitting = i;
  }
  if (found == tail_size) found = fitting;
  if (found == tail_size) return zip_bad_archive;
  const unsigned char* end = &tail[found];
  const std::uint64_t end_position = tail_start + found;

  if (end_position >= zip64_locator_size) {
    unsigned char locator[4];
    if (!source->read_at(end_position - zip64_locator_size, locator, sizeof locator))
      return zip_io_error;
    if (get32(locator) == zip64_locator_signature) return zip_unsupported;
  }
  const std::uint16_t disk = get16(end + 4);
  const std::uint16_t directory_disk = get16(end + 6);
  const std::uint16_t entries_here = get16(end + 8);
  const std::uint16_t entries = get16(end + 10);
  const std::uint32_t directory_size = get32(end + 12);
  const std::uint32_t directory_offset = get32(end + 16);
  if (disk != 0 || directory_disk != 0 || entries_here != entries) return zip_unsupported;
  // The directory ends where the end record starts; whatever lies before the
  // archive's offset zero (a self-extractor's program) shifts every offset.
  if (directory_size > end_position) return zip_bad_archive;
  const std::uint64_t directory_start = end_position - directory_size;
  if (directory_offset > directory_start) return zip_bad_archive;

  source_ = std::move(source);
  base_ = directory_start - directory_offset;
  directory_start_ = directory_start;
  directory_end_ = end_position;
  entry_count_ = entries;
  entry_index_ = 0;
  entry_position_ = directory_start;
  entry_status_ = parse_entry();
  if (entry_status_ == zip_io_error) {
    close();
    return zip_io_error;
  }
  if (!inflater_) inflater_.reset(new inflater);
  if (input_.empty()) input_.resize(input_buffer_size);
  return zip_ok;
}

int zip_reader::parse_entry() {
  entry_ = zip_entry_info();
  entry_name_.clear();
  if (entry_index_ >= entry_count_) return zip_end_of_list;
  if (entry_position_ > directory_end_ || directory_end_ - entry_position_ < central_header_size)
    return zip_bad_archive;
  unsigned char h[central_header_size];
  if (!source_->read_at(entry_position_, h, sizeof h)) return zip_io_error;
  if (get32(h) != central_header_signature) return zip_bad_archive;
  zip_entry_info e;
  e.version_made_by = get16(h + 4);
  e.version_needed = get16(h + 6);
  e.flags = get16(h + 8);
  e.method = get16(h + 10);
  e.dos_date_time = get32(h + 12);
  e.crc32 = get32(h + 16);
  e.compressed_size = get32(h + 20);
  e.uncompressed_size = get32(h + 24);
  e.name_length = get16(h + 28);
  e.extra_length = get16(h + 30);
  e.comment_length = get16(h + 32);
  e.internal_attributes = get16(h + 36);
  e.external_attributes = get32(h + 38);
  e.local_header_offset = get32(h + 42);
  const std::uint64_t whole =
      central_header_size + std::uint64_t{e.name_length} + e.extra_length + e.comment_length;
  if (directory_end_ - entry_position_ < whole) return zip_bad_archive;
  entry_name_.resize(e.name_length);
  if (e.name_length &&
      !source_->read_at(entry_position_ + central_header_size, &entry_name_[0], e.name_length))
    return zip_io_error;
  entry_ = e;
  return zip_ok;
}

int zip_reader::current_info(zip_entry_info* info, char* name, std::size_t name_size) const {
  if (!source_) return zip_bad_parameter;
  if (entry_status_ != zip_ok) return entry_status_;
  if (info) *info = entry_;
  if (name && name_size > 0) {
    const std::size_t n = std::min(entry_name_.size(), name_size - 1);
    std::memcpy(name, entry_name_.data(), n);
    name[n] = '\0';
  }
  return zip_ok;
}

int zip_reader::open_current() {
  if (!source_) return zip_bad_parameter;
  if (entry_status_ != zip_ok) return entry_status_;
  if (reading_) close_current();
  const zip_entry_info& e = entry_;
  if (e.flags & flag_encrypted) return zip_unsupported;
  if (e.method != method_stored && e.method != method_deflated) return zip_unsupported;
  // These values stand for "look in the Zip64 extra field".
  if (e.compressed_size == 0xffffffffu || e.uncompressed_size == 0xffffffffu ||
      e.local_header_offset == 0xffffffffu)
    return zip_unsupported;
  if (e.method == method_stored && e.compressed_size != e.uncompressed_size) return zip_bad_archive;

  // Entries' data lies before the central directory; the local header only
  // tells how far its own name and extra field reach.
  const std::uint64_t local = base_ + e.local_header_offset;
  if (local > directory_start_ || directory_start_ - local < local_header_size)
    return zip_bad_archive;
  unsigned char h[local_header_size];
  if (!source_->read_at(local, h, sizeof h)) return zip_io_error;
  if (get32(h) != local_header_signature) return zip_bad_archive;
  if (get16(h + 8) != e.method || get16(h + 26) != e.name_length) return zip_bad_archive;
  const std::uint64_t data = local + local_header_size + get16(h + 26) + get16(h + 28);
  if (data > directory_start_ || directory_start_ - data < e.compressed_size)
    return zip_bad_archive;

  if (e.method == method_deflated && !inflater_->start()) return zip_data_error;
  reading_ = true;
  read_status_ = zip_ok;
  checked_ = false;
  data_position_ = data;
  compressed_left_ = e.compressed_size;
  uncompressed_left_ = e.uncompressed_size;
  crc_ = crc32(0L, Z_NULL, 0);
  stream_ended_ = false;
  return zip_ok;
}

int zip_reader::fill_input() {
  const std::uint32_t n =
      static_cast<std::uint32_t>(std::min<std::size_t>(input_.size(), compressed_left_));
  if (!source_->read_at(data_position_, input_.data(), n)) return zip_io_error;
  data_position_ += n;
  compressed_left_ -= n;
  inflater_->stream.next_in = input_.data();
  inflater_->stream.avail_in = n;
  return zip_ok;
}

int zip_reader::read_stored(unsigned char* out, unsigned size) {
  const std::uint32_t n = std::min<std::uint32_t>(size, uncompressed_left_);
  if (!source_->read_at(data_position_, out, n)) return zip_io_error;
  data_position_ += n;
  compressed_left_ -= n;
  uncompressed_left_ -= n;
  return static_cast<int>(n);
}

int zip_reader::read_deflated(unsigned char* out, unsigned size) {
  z_stream& s = inflater_->stream;
  const std::uint32_t want = std::min<std::uint32_t>(size, uncompressed_left_);
  s.next_out = out;
  s.avail_out = want;
  while (s.avail_out > 0) {
    if (s.avail_in == 0 && compressed_left_ > 0) {
      int filled = fill_input();
      if (filled != zip_ok) return filled;
    }
    int ret = inflate(&s, Z_NO_FLUSH);
    if (ret == Z_STREAM_END) {
      stream_ended_ = true;
      break;
    }
    // Z_BUF_ERROR here means the compressed data ran out mid-stream.
    if (ret != Z_OK) return zip_data_error;
  }
  const std::uint32_t produced = want - s.avail_out;
  uncompressed_left_ -= produced;
  return static_cast<int>(produced);
}

// After the declared number of bytes: the deflate stream must end right there,
// and the data must match the CRC-32.
int zip_reader::finish_entry() {
  checked_ = true;
  if (entry_.method == method_deflated && !stream_ended_) {
    z_stream& s = inflater_->stream;
    for (;;) {
      if (s.avail_in == 0 && compressed_left_ > 0) {
        int filled = fill_input();
        if (filled != zip_ok) return filled;
      }
      unsigned char spare;
      s.next_out = &spare;
      s.avail_out = 1;
      int ret = inflate(&s, Z_NO_FLUSH);
      if (s.avail_out == 0) return zip_data_error;  // more data than declared
      if (ret == Z_STREAM_END) break;
      if (ret != Z_OK) return zip_data_error;
    }
    stream_ended_ = true;
  }
  if (uncompressed_left_ != 0) return zip_data_error;  // the stream ended early
  if (crc_ != entry_.crc32) return zip_crc_error;
  return 0;
}

int zip_reader::read_current(void* buffer, unsigned size) {
  if (!reading_) return zip_bad_parameter;
  if (read_status_ != zip_ok) return read_status_;
  if (size == 0) return 0;
  if (!buffer) return zip_bad_parameter;
  if (size > INT_MAX) size = INT_MAX;
  unsigned char* out = static_cast<unsigned char*>(buffer);
  int n = 0;
  if (uncompressed_left_ > 0 && !stream_ended_) {
    n = entry_.method == method_stored ? read_stored(out, size) : read_deflated(out, size);
    if (n < 0) {
      read_status_ = n;
      return n;
    }
  }
  if (n > 0) {
    crc_ = crc32(crc_, out, static_cast<uInt>(n));
    return n;
  }
  if (!checked_) read_status_ = finish_entry();
  return read_status_;
}

int zip_reader::close_current() {
  if (!reading_) return zip_bad_parameter;
  reading_ = false;
  return read_status_;
}

int zip_reader::next() {
  if (!source_) return zip_bad_parameter;
  if (reading_) close_current();
  if (entry_status_ != zip_ok) return entry_status_;
  if (entry_index_ + 1 >= entry_count_) {
    entry_status_ = zip_end_of_list;
    return zip_end_of_list;
  }
  entry_position_ += central_header_size + std::uint64_t{entry_.name_length} + entry_.extra_length +
                     entry_.comment_length;
  ++entry_index_;
  entry_status_ = parse_entry();
  return entry_status_;
}

void zip_reader::close() {
  reading_ = false;
  source_.reset();
  entry_status_ = zip_end_of_list;
  entry_count_ = 0;
  entry_ = zip_entry_info();
  entry_name_.clear();
}

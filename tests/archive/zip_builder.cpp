#include "tests/archive/zip_builder.h"

#include <zlib.h>

#include <stdexcept>

namespace {

// Little-endian fields of 2 or 4 bytes; `set` wins over `computed` unless it is -1.
struct field_writer {
  std::string& out;
  field_writer& operator()(int bytes, std::uint32_t computed, std::int64_t set = -1) {
    const std::uint32_t v = set >= 0 ? static_cast<std::uint32_t>(set) : computed;
    for (int i = 0; i < bytes; ++i) out += static_cast<char>((v >> (8 * i)) & 0xff);
    return *this;
  }
};

std::uint32_t size32(const std::string& s) { return static_cast<std::uint32_t>(s.size()); }

}  // namespace

std::string deflate_raw(const std::string& data) {
  z_stream s = {};
  if (deflateInit2(&s, 6, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
    throw std::runtime_error("deflateInit2");
  std::string out(deflateBound(&s, static_cast<uLong>(data.size())) + 16, '\0');
  s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  s.avail_in = size32(data);
  s.next_out = reinterpret_cast<Bytef*>(&out[0]);
  s.avail_out = size32(out);
  const int ret = deflate(&s, Z_FINISH);
  deflateEnd(&s);
  if (ret != Z_STREAM_END) throw std::runtime_error("deflate");
  out.resize(s.total_out);
  return out;
}

std::uint32_t crc32_of(const std::string& data) {
  return static_cast<std::uint32_t>(
      crc32(0L, reinterpret_cast<const Bytef*>(data.data()), size32(data)));
}

std::string mixed_bytes(std::size_t length, std::uint32_t seed) {
  std::string out(length, '\0');
  std::uint32_t x = seed * 2654435761u + 1;
  for (char& c : out) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    // Half the bytes from a small alphabet, so the data compresses but not to nothing.
    c = (x & 0x100) ? static_cast<char>('a' + (x % 7)) : static_cast<char>(x >> 24);
  }
  return out;
}

zip_builder& zip_builder::add(const std::string& name, const std::string& data,
                              std::uint16_t method) {
  entries_.push_back(zip_builder_entry());
  entries_.back().name = name;
  entries_.back().data = data;
  entries_.back().method = method;
  return *this;
}

std::string zip_builder::build() const {
  std::string archive, directory;
  field_writer local{archive}, central{directory};
  for (const zip_builder_entry& e : entries_) {
    const std::string body = e.raw_override ? e.raw : e.method == 8 ? deflate_raw(e.data) : e.data;
    const std::uint32_t offset = size32(archive);
    local(4, 0x04034b50)(2, 20)(2, e.flags)(2, e.method, e.local_method)(4, 0);
    local(4, crc32_of(e.data), e.crc32)(4, size32(body), e.compressed_size);
    local(4, size32(e.data), e.uncompressed_size)(2, size32(e.name), e.local_name_length)(2, 0);
    archive += e.name + body;
    central(4, 0x02014b50)(2, 20)(2, 20)(2, e.flags)(2, e.method)(4, 0);
    central(4, crc32_of(e.data), e.crc32)(4, size32(body), e.compressed_size);
    central(4, size32(e.data), e.uncompressed_size)(2, size32(e.name), e.central_name_length);
    central(2, 0)(2, 0)(2, 0)(2, 0)(4, 0)(4, offset, e.local_offset);
    directory += e.name;
  }
  const std::uint32_t directory_start = size32(archive);
  archive += directory;
  if (zip64_locator) local(4, 0x07064b50)(4, 0)(4, 0)(4, 0)(4, 1);
  const std::uint32_t count = static_cast<std::uint32_t>(entries_.size());
  local(4, 0x06054b50)(2, 0)(2, 0)(2, count, entry_count)(2, count, entry_count);
  local(4, size32(directory), directory_size)(4, directory_start, directory_offset);
  local(2, size32(comment));
  return archive + comment;
}

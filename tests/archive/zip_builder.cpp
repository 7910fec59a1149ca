#include "tests/archive/zip_builder.h"

#include <zlib.h>

#include <cstring>
#include <stdexcept>

namespace {

void put16(std::string& out, std::uint32_t v) {
  out += static_cast<char>(v & 0xff);
  out += static_cast<char>((v >> 8) & 0xff);
}

void put32(std::string& out, std::uint32_t v) {
  put16(out, v & 0xffff);
  put16(out, v >> 16);
}

std::uint32_t pick(std::int64_t set, std::uint32_t computed) {
  return set >= 0 ? static_cast<std::uint32_t>(set) : computed;
}

}  // namespace

std::string deflate_raw(const std::string& data, int level) {
  z_stream s;
  std::memset(&s, 0, sizeof s);
  if (deflateInit2(&s, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
    throw std::runtime_error("deflateInit2");
  std::string out(deflateBound(&s, static_cast<uLong>(data.size())) + 16, '\0');
  s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  s.avail_in = static_cast<uInt>(data.size());
  s.next_out = reinterpret_cast<Bytef*>(&out[0]);
  s.avail_out = static_cast<uInt>(out.size());
  int ret = deflate(&s, Z_FINISH);
  deflateEnd(&s);
  if (ret != Z_STREAM_END) throw std::runtime_error("deflate");
  out.resize(s.total_out);
  return out;
}

std::uint32_t crc32_of(const std::string& data) {
  return static_cast<std::uint32_t>(crc32(crc32(0L, Z_NULL, 0),
                                          reinterpret_cast<const Bytef*>(data.data()),
                                          static_cast<uInt>(data.size())));
}

std::string mixed_bytes(std::size_t length, std::uint32_t seed) {
  std::string out(length, '\0');
  std::uint32_t x = seed * 2654435761u + 1;
  for (std::size_t i = 0; i < length; ++i) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    // Half the bytes from a small alphabet, so the data compresses but not to nothing.
    out[i] = (x & 0x100) ? static_cast<char>('a' + (x % 7)) : static_cast<char>(x >> 24);
  }
  return out;
}

zip_builder& zip_builder::add(const std::string& name, const std::string& data,
                              std::uint16_t method) {
  zip_builder_entry e;
  e.name = name;
  e.data = data;
  e.method = method;
  entries_.push_back(e);
  return *this;
}

zip_builder& zip_builder::add_directory(const std::string& name) {
  add(name, std::string(), 0);
  entries_.back().external_attributes = 0x10;
  return *this;
}

std::string zip_builder::build(zip_layout* layout) const {
  std::string out = prefix;
  zip_layout l;
  std::vector<std::string> packed;
  for (const zip_builder_entry& e : entries_) {
    std::string body = e.raw_override ? e.raw : (e.method == 8 ? deflate_raw(e.data) : e.data);
    const std::uint32_t crc = pick(e.crc32, crc32_of(e.data));
    const std::uint32_t csize = pick(e.compressed_size, static_cast<std::uint32_t>(body.size()));
    const std::uint32_t usize =
        pick(e.uncompressed_size, static_cast<std::uint32_t>(e.data.size()));
    const std::uint32_t offset = static_cast<std::uint32_t>(out.size() - prefix.size());
    l.local_offsets.push_back(offset);
    put32(out, 0x04034b50);
    put16(out, 20);
    put16(out, e.flags);
    put16(out, pick(e.local_method, e.method));
    put32(out, 0);
    put32(out, crc);
    put32(out, csize);
    put32(out, usize);
    put16(out, pick(e.local_name_length, static_cast<std::uint32_t>(e.name.size())));
    put16(out, static_cast<std::uint32_t>(e.extra.size()));
    out += e.name;
    out += e.extra;
    l.data_offsets.push_back(static_cast<std::uint32_t>(out.size() - prefix.size()));
    out += body;
    packed.push_back(std::string());
    std::string& c = packed.back();
    put32(c, 0x02014b50);
    put16(c, 20);
    put16(c, 20);
    put16(c, e.flags);
    put16(c, e.method);
    put32(c, 0);
    put32(c, crc);
    put32(c, csize);
    put32(c, usize);
    put16(c, pick(e.central_name_length, static_cast<std::uint32_t>(e.name.size())));
    put16(c, static_cast<std::uint32_t>(e.extra.size()));
    put16(c, static_cast<std::uint32_t>(e.comment.size()));
    put16(c, 0);
    put16(c, 0);
    put32(c, e.external_attributes);
    put32(c, pick(e.local_offset, offset));
    c += e.name;
    c += e.extra;
    c += e.comment;
  }
  l.directory_offset = static_cast<std::uint32_t>(out.size() - prefix.size());
  for (const std::string& c : packed) {
    l.central_offsets.push_back(static_cast<std::uint32_t>(out.size() - prefix.size()));
    out += c;
  }
  const std::uint32_t dir_size =
      static_cast<std::uint32_t>(out.size() - prefix.size()) - l.directory_offset;
  if (zip64_locator) {
    put32(out, 0x07064b50);
    put32(out, 0);
    put32(out, 0);
    put32(out, 0);
    put32(out, 1);
  }
  l.end_offset = static_cast<std::uint32_t>(out.size() - prefix.size());
  const std::uint32_t count = pick(entry_count, static_cast<std::uint32_t>(entries_.size()));
  put32(out, 0x06054b50);
  put16(out, 0);
  put16(out, 0);
  put16(out, count);
  put16(out, count);
  put32(out, pick(directory_size, dir_size));
  put32(out, pick(directory_offset, l.directory_offset));
  put16(out, static_cast<std::uint32_t>(comment.size()));
  out += comment;
  if (layout) *layout = l;
  return out;
}

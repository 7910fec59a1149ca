#include "tests/archive/zip_builder.h"

#include <zlib.h>

#include <random>
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
  uLongf size = compressBound(static_cast<uLong>(data.size()));
  std::string out(size, '\0');
  if (compress2(reinterpret_cast<Bytef*>(&out[0]), &size,
                reinterpret_cast<const Bytef*>(data.data()), static_cast<uLong>(data.size()),
                6) != Z_OK)
    throw std::runtime_error("compress2");
  return out.substr(2, size - 6);  // without the zlib header and the Adler-32 after the data
}

std::uint32_t crc32_of(const std::string& data) {
  return static_cast<std::uint32_t>(
      crc32(0L, reinterpret_cast<const Bytef*>(data.data()), size32(data)));
}

std::string mixed_bytes(std::size_t length, std::uint32_t seed) {
  std::minstd_rand random(seed + 1);
  std::string out(length, '\0');
  // Half the bytes from a small alphabet, so the data compresses but not to nothing.
  for (char& c : out) c = static_cast<char>(random() % 2 ? 'a' + random() % 7 : random() >> 8);
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
    const std::string body = !e.raw.empty() ? e.raw : e.method == 8 ? deflate_raw(e.data) : e.data;
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

std::unique_ptr<zip_source> memory_source(const std::string& bytes) {
  return std::unique_ptr<zip_source>(new zip_memory_source(bytes.data(), bytes.size()));
}

walked_archive walk_archive(std::unique_ptr<zip_source> source, unsigned block) {
  walked_archive result;
  zip_reader reader;
  if ((result.open_status = reader.open(std::move(source))) != zip_ok) return result;
  std::vector<char> buffer(block), name(70000);
  for (;;) {
    walked_entry e;
    e.info_status = reader.current_info(&e.info, name.data(), name.size());
    if (e.info_status == zip_end_of_list) break;
    if (e.info_status == zip_ok) {
      e.name.assign(name.data(), e.info.name_length);
      if ((e.status = reader.open_current()) == zip_ok) {
        while ((e.status = reader.read_current(buffer.data(), block)) > 0)
          e.data.append(buffer.data(), e.status);
        e.close_status = reader.close_current();
      }
      e.next_status = reader.next();
    }
    result.entries.push_back(e);
    if (e.info_status != zip_ok || e.next_status != zip_ok) break;
  }
  return result;
}

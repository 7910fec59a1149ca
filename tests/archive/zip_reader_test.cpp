// zip_reader on archives built in memory: what the comparison with minizip on the
// generated corpus (zip_minizip_compare_test) does not reach. Runs natively and
// under Wine. What single damaged bytes may do is the fuzz target's (zip_reader_fuzz).
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "archive/zip_reader.h"
#include "tests/archive/zip_builder.h"
#include "tests/archive/zip_walk.h"

namespace {

std::unique_ptr<zip_source> memory(const std::string& bytes) {
  return std::unique_ptr<zip_source>(new zip_memory_source(bytes.data(), bytes.size()));
}

bool put_file(const std::string& path, const std::string& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool whole = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && whole;
}

TEST(zip_reader, archive_shapes_and_calls_out_of_order) {
  // No entries at all (minizip will not open it): the first look finds the end of the list.
  zip_reader r;
  const std::string empty = zip_builder().build();
  EXPECT_EQ(zip_ok, r.open(memory(empty)));
  EXPECT_EQ(0u, r.entry_count());
  char name[512];
  EXPECT_EQ(zip_end_of_list, r.current_info(nullptr, name, sizeof name));
  EXPECT_EQ(zip_end_of_list, r.open_current());

  // A comment holding the end record's signature: the record whose comment reaches the end is the one.
  zip_builder b;
  b.comment = "archive comment PK\x05\x06 with a fake signature inside";
  EXPECT_EQ("content", walk_memory(b.add("x.txt", "content", 8).build()).entries.at(0).data);

  // Names are handed back cut to the buffer, always terminated, with the full length.
  const std::string long_name = zip_builder().add(std::string(600, 'n'), "abc", 8).build();
  ASSERT_EQ(zip_ok, r.open(memory(long_name)));
  zip_entry_info info;
  EXPECT_EQ(zip_ok, r.current_info(&info, name, sizeof name));
  EXPECT_EQ(600, info.name_length);
  EXPECT_EQ(511u, std::string(name).size());

  char buffer[16];
  EXPECT_EQ(zip_bad_parameter, r.read_current(buffer, sizeof buffer)) << "read before open";
  ASSERT_EQ(zip_ok, r.open_current());
  EXPECT_EQ(3, r.read_current(buffer, sizeof buffer));
  EXPECT_EQ(0, r.read_current(buffer, sizeof buffer));
  EXPECT_EQ(0, r.read_current(buffer, sizeof buffer)) << "expected the end to be answered again";
  EXPECT_EQ(zip_ok, r.close_current());
  EXPECT_EQ(zip_bad_parameter, r.close_current()) << "closed twice";
  ASSERT_EQ(zip_ok, r.open_current()) << "reopening the same entry starts its data again";
  EXPECT_EQ(3, r.read_current(buffer, sizeof buffer));
}

TEST(zip_reader, sources_answer_exact_ranges_only) {
  zip_reader r;
  EXPECT_EQ(zip_io_error, r.open((std::string(TAMARI_TEST_BINARY_DIR) + "/none.zip").c_str()));
  // A Shift_JIS file name whose 0x5C trail bytes must not be taken for separators.
  const std::string path = std::string(TAMARI_TEST_BINARY_DIR) + "/表ソ-reader.zip";
  const std::string bytes = zip_builder().add("f", mixed_bytes(300000, 11), 8).build();
  ASSERT_TRUE(put_file(path, bytes)) << "cannot write " << path;
  std::unique_ptr<zip_source> sources[] = {zip_file_source::open(path.c_str()), memory(bytes)};
  for (const std::unique_ptr<zip_source>& source : sources) {
    ASSERT_TRUE(source != nullptr);
    const std::uint64_t end = source->size();
    char two[2] = {};
    EXPECT_TRUE(source->read_at(end, two, 0)) << "an empty read at the end";
    EXPECT_FALSE(source->read_at(end, two, 1)) << "a byte past the end";
    EXPECT_FALSE(source->read_at(end - 1, two, 2)) << "a range running past the end";
    EXPECT_FALSE(source->read_at(end + 1, two, 0)) << "an offset past the end";
    EXPECT_TRUE(source->read_at(0, two, 2) && two[0] == 'P' && two[1] == 'K') << "the start";
    EXPECT_TRUE(source->read_at(end - 1, two, 1) && two[0] == bytes.back()) << "the last byte";
  }
  // A file cut short after it was opened: the read comes up short and says so.
  ASSERT_TRUE(put_file(path, ""));
  char byte = 0;
  EXPECT_FALSE(sources[0]->read_at(10, &byte, 1)) << "expected a short read to fail";
  sources[0].reset();
  std::remove(path.c_str());
}

// The first error a walk meets: opening the archive, then the first entry's
// header, its opening, its data.
int first_error(const walked_archive& w) {
  if (w.open_status != zip_ok || w.entries.empty()) return w.open_status;
  const walked_entry& e = w.entries[0];
  return e.info_status ? e.info_status : e.open_status ? e.open_status : e.read_status;
}

// Damaged or hostile headers and data, in the first of two entries: the check
// after the last byte (CRC-32, the declared size against the stream's real end)
// and every header field that could send the reader outside the archive.
TEST(zip_reader, damage_is_found_and_spares_the_next_entry) {
  const std::string data = mixed_bytes(65531, 5);  // the most one stored deflate block holds
  const std::size_t all = data.size();
  typedef zip_builder b_t;
  struct variant {
    const char* what;
    std::uint16_t method;
    void (*change)(zip_builder&, const std::string& data);
    int expected;               // first_error
    std::size_t least, most;    // bytes handed out before the error
    bool next_readable;
  } const variants[] = {
      {"CRC off by one bit, stored", 0, [](b_t& b, const std::string& d) {
         b.back().crc32 = crc32_of(d) ^ 1; }, zip_crc_error, all, all, true},
      {"CRC off by one bit, deflated", 8, [](b_t& b, const std::string& d) {
         b.back().crc32 = crc32_of(d) ^ 1; }, zip_crc_error, all, all, true},
      {"CRC off, the final block beyond the first 64 KiB of input", 8, [](b_t& b, const std::string& d) {
         // A stored block of all the data, ending where the first read of input
         // ends, then the final empty block: the check must read on.
         b.back().raw_override = true;
         b.back().raw = std::string("\x00\xfb\xff\x04\x00", 5) + d + std::string("\x01\x00\x00\xff\xff", 5);
         b.back().crc32 = crc32_of(d) ^ 1; }, zip_crc_error, all, all, true},
      {"declared shorter than the stream", 8, [](b_t& b, const std::string& d) {
         b.back().uncompressed_size = 1000;
         b.back().crc32 = crc32_of(d.substr(0, 1000)); }, zip_data_error, 1000, 1000, true},
      {"declared longer than the stream", 8, [](b_t& b, const std::string& d) {
         b.back().uncompressed_size = d.size() + 1; }, zip_data_error, all, all, true},
      {"compressed data cut short, the sizes matching what is there", 8, [](b_t& b, const std::string& d) {
         b.back().raw_override = true;
         b.back().raw = deflate_raw(d).substr(0, 3000); }, zip_data_error, 0, all - 1, true},
      {"garbage in place of a deflate stream", 8, [](b_t& b, const std::string&) {
         b.back().raw_override = true;
         b.back().raw = std::string(100, '\xff'); }, zip_data_error, 0, 0, true},
      {"stored with two sizes that disagree, refused before any byte", 0, [](b_t& b, const std::string& d) {
         b.back().uncompressed_size = d.size() * 2; }, zip_bad_archive, 0, 0, true},
      {"encrypted", 0, [](b_t& b, const std::string&) { b.back().flags = 1; }, zip_unsupported, 0, 0, true},
      {"bzip2", 12, [](b_t&, const std::string&) {}, zip_unsupported, 0, 0, true},
      {"zip64 sizes", 0, [](b_t& b, const std::string&) { b.back().compressed_size = 0xffffffff; },
       zip_unsupported, 0, 0, true},
      {"local offset past the end", 8, [](b_t& b, const std::string&) { b.back().local_offset = 0x7fffffff; },
       zip_bad_archive, 0, 0, true},
      {"local offset into a header", 8, [](b_t& b, const std::string&) { b.back().local_offset = 1; },
       zip_bad_archive, 0, 0, true},
      {"local name length differs", 8, [](b_t& b, const std::string&) { b.back().local_name_length = 3; },
       zip_bad_archive, 0, 0, true},
      {"local method differs", 8, [](b_t& b, const std::string&) { b.back().local_method = 0; },
       zip_bad_archive, 0, 0, true},
      {"compressed size past the directory", 8, [](b_t& b, const std::string&) {
         b.back().compressed_size = 0x10000000; }, zip_bad_archive, 0, 0, true},
      {"name length past the directory", 8, [](b_t& b, const std::string&) {
         b.back().central_name_length = 0xffff; }, zip_bad_archive, 0, 0, false},
      {"directory size past the start", 8, [](b_t& b, const std::string&) { b.directory_size = 0x7fffffff; },
       zip_bad_archive, 0, 0, false},
      {"directory offset past its start", 8, [](b_t& b, const std::string&) {
         b.directory_offset = 0x7fffffff; }, zip_bad_archive, 0, 0, false},
      {"a zip64 end record", 8, [](b_t& b, const std::string&) { b.zip64_locator = true; },
       zip_unsupported, 0, 0, false},
  };
  for (const variant& v : variants) {
    zip_builder b;
    b.add("entry", data, v.method);
    v.change(b, data);
    const walked_archive w = walk_memory(b.add("after", "x", 8).build());
    EXPECT_EQ(v.expected, first_error(w)) << v.what;
    const std::string got = w.entries.empty() ? "" : w.entries[0].data;
    EXPECT_GE(got.size(), v.least) << v.what;
    EXPECT_LE(got.size(), v.most) << v.what;
    EXPECT_TRUE(v.least < all || data == got) << v.what << ": the bytes themselves come through";
    if (v.next_readable) {
      ASSERT_EQ(2u, w.entries.size()) << v.what;
      EXPECT_EQ(v.expected == zip_crc_error || v.expected == zip_data_error ? v.expected : zip_ok,
                w.entries[0].close_status) << v.what;
      EXPECT_EQ("x", w.entries[1].data) << v.what << ": the next entry is not affected";
    }
  }
  // More entries announced than the directory holds, and a second header that
  // is not one: the walk stops there.
  zip_builder more;
  more.add("only", "x", 0).entry_count = 40000;
  std::string broken = zip_builder().add("one", "1", 0).add("two", "2", 0).build();
  broken[broken.find("PK\x01\x02", broken.find("PK\x01\x02") + 1) + 2] = 'X';
  for (const std::string& bytes : {more.build(), broken}) {
    const walked_archive w = walk_memory(bytes);
    ASSERT_EQ(1u, w.entries.size());
    EXPECT_EQ(zip_ok, first_error(w));
    EXPECT_EQ(zip_bad_archive, w.entries[0].next_status) << w.entries[0].name;
  }
}

// Every cut of an archive loses its end record: none may open, none may crash.
TEST(zip_reader, every_truncation_is_refused) {
  zip_builder b;
  b.add("a.txt", mixed_bytes(3000, 1), 8).add("dir/", "", 0).add("b", "bbbb", 0);
  const std::string bytes = b.build();
  for (std::size_t length = 0; length < bytes.size(); ++length)
    EXPECT_EQ(zip_bad_archive, walk_memory(bytes.substr(0, length)).open_status) << "cut at " << length;
}

}  // namespace

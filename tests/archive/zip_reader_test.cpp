// zip_reader on archives built in memory: what the comparison with minizip on the
// generated corpus (zip_minizip_compare_test) does not reach. Runs natively and
// under Wine. What single damaged bytes may do is the fuzz target's (zip_reader_fuzz).
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "tests/archive/zip_builder.h"

namespace {

TEST(zip_reader, archive_shapes_and_calls_out_of_order) {
  // No entries at all (minizip will not open it): the first look finds the end of the list.
  zip_reader r;
  const std::string empty = zip_builder().build();
  EXPECT_EQ(zip_ok, r.open(memory_source(empty)));
  EXPECT_EQ(0u, r.entry_count());
  char name[512];
  EXPECT_EQ(zip_end_of_list, r.current_info(nullptr, name, sizeof name));
  EXPECT_EQ(zip_end_of_list, r.open_current());

  // A comment holding the end record's signature: the record whose comment reaches the end is the one.
  zip_builder b;
  b.comment = "archive comment PK\x05\x06 with a fake signature inside";
  EXPECT_EQ("content", walk_archive(memory_source(b.add("x.txt", "content").build())).entries.at(0).data);

  // Names are handed back cut to the buffer, always terminated, with the full length.
  const std::string long_name = zip_builder().add(std::string(600, 'n'), "abc").build();
  ASSERT_EQ(zip_ok, r.open(memory_source(long_name)));
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
  const std::string bytes = zip_builder().add("f", mixed_bytes(300000, 11)).build();
  ASSERT_TRUE(std::ofstream(path, std::ios::binary).write(bytes.data(), bytes.size()).flush());
  std::unique_ptr<zip_source> sources[] = {zip_file_source::open(path.c_str()), memory_source(bytes)};
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
  ASSERT_TRUE(std::ofstream(path, std::ios::binary).flush());
  char byte = 0;
  EXPECT_FALSE(sources[0]->read_at(10, &byte, 1)) << "expected a short read to fail";
  sources[0].reset();
  std::remove(path.c_str());
}

// Damaged or hostile headers and data, in the first of two entries: the check
// after the last byte (CRC-32, the declared size against the stream's real end)
// and every header field that could send the reader outside the archive.
TEST(zip_reader, damage_is_found_and_spares_the_next_entry) {
  const std::string data = mixed_bytes(65531, 5);  // the most one stored deflate block holds
  const std::size_t all = data.size();
  typedef zip_builder z;
  struct variant {
    const char* what;
    void (*change)(zip_builder&);
    int expected;  // the first error of the walk
    bool next_readable = true;
    std::size_t least = 0, most = 0;  // bytes handed out before the error
  } const variants[] = {
      {"CRC off by one bit, stored", [](z& b) {
         b.back().method = 0;
         b.back().crc32 = crc32_of(b.back().data) ^ 1; }, zip_crc_error, true, all, all},
      {"CRC off, the final block beyond the first 64 KiB of input", [](z& b) {
         // A stored block of all the data, ending where the first read of input
         // ends, then the final empty block: the check must read on.
         const std::string& d = b.back().data;
         b.back().raw = std::string("\x00\xfb\xff\x04\x00", 5) + d + std::string("\x01\x00\x00\xff\xff", 5);
         b.back().crc32 = crc32_of(d) ^ 1; }, zip_crc_error, true, all, all},
      {"declared shorter than the stream", [](z& b) {
         b.back().uncompressed_size = 1000;
         b.back().crc32 = crc32_of(b.back().data.substr(0, 1000)); }, zip_data_error, true, 1000, 1000},
      {"declared longer than the stream", [](z& b) { b.back().uncompressed_size = b.back().data.size() + 1; },
       zip_data_error, true, all, all},
      {"compressed data cut short, the sizes matching what is there",
       [](z& b) { b.back().raw = deflate_raw(b.back().data).substr(0, 3000); }, zip_data_error, true, 0, all - 1},
      {"stored with two sizes that disagree, refused before any byte", [](z& b) {
         b.back().method = 0;
         b.back().uncompressed_size = b.back().data.size() * 2; }, zip_bad_archive},
      {"encrypted", [](z& b) { b.back().flags = 1; }, zip_unsupported},
      {"bzip2", [](z& b) { b.back().method = 12; }, zip_unsupported},
      {"zip64 sizes", [](z& b) { b.back().compressed_size = 0xffffffff; }, zip_unsupported},
      {"local offset past the end", [](z& b) { b.back().local_offset = 0x7fffffff; }, zip_bad_archive},
      {"local offset into a header", [](z& b) { b.back().local_offset = 1; }, zip_bad_archive},
      {"local name length differs", [](z& b) { b.back().local_name_length = 3; }, zip_bad_archive},
      {"local method differs", [](z& b) { b.back().local_method = 0; }, zip_bad_archive},
      {"compressed size past the directory", [](z& b) { b.back().compressed_size = 0x10000000; }, zip_bad_archive},
      {"name length past the directory", [](z& b) { b.back().central_name_length = 0xffff; }, zip_bad_archive, false},
      {"directory size past the start", [](z& b) { b.directory_size = 0x7fffffff; }, zip_bad_archive, false},
      {"directory offset past its start", [](z& b) { b.directory_offset = 0x7fffffff; }, zip_bad_archive, false},
      {"a zip64 end record", [](z& b) { b.zip64_locator = true; }, zip_unsupported, false},
  };
  for (const variant& v : variants) {
    zip_builder b;
    v.change(b.add("entry", data));
    const walked_archive w = walk_archive(memory_source(b.add("after", "x").build()));
    const walked_entry first = w.entries.empty() ? walked_entry() : w.entries[0];
    EXPECT_EQ(v.expected, w.open_status ? w.open_status : first.info_status ? first.info_status : first.status)
        << v.what;
    EXPECT_GE(first.data.size(), v.least) << v.what;
    EXPECT_LE(first.data.size(), v.most) << v.what;
    EXPECT_TRUE(v.least < all || data == first.data) << v.what << ": the bytes themselves come through";
    if (v.next_readable) {
      ASSERT_EQ(2u, w.entries.size()) << v.what;
      EXPECT_EQ(v.expected == zip_crc_error || v.expected == zip_data_error ? v.expected : zip_ok,
                first.close_status) << v.what;
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
    const walked_archive w = walk_archive(memory_source(bytes));
    ASSERT_EQ(1u, w.entries.size());
    EXPECT_EQ(0, w.entries[0].status);
    EXPECT_EQ(zip_bad_archive, w.entries[0].next_status) << w.entries[0].name;
  }
}

// Every cut of an archive loses its end record: none may open, none may crash.
TEST(zip_reader, every_truncation_is_refused) {
  const std::string bytes = zip_builder().add("a.txt", mixed_bytes(3000, 1)).add("dir/", "", 0).build();
  for (std::size_t length = 0; length < bytes.size(); ++length)
    EXPECT_EQ(zip_bad_archive, walk_archive(memory_source(bytes.substr(0, length))).open_status)
        << "cut at " << length;
}

}  // namespace

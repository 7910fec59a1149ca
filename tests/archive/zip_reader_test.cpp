// zip_reader on archives built in memory: what the comparison with minizip on the
// generated corpus (zip_minizip_compare_test: entries of every kind, read in odd
// blocks) does not reach. Runs natively and under Wine.
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

TEST(zip_reader, archive_shapes) {
  // No entries at all (minizip will not open it): the first look finds the end of the list.
  zip_reader r;
  const std::string empty = zip_builder().build();
  EXPECT_EQ(zip_ok, r.open(memory(empty)));
  EXPECT_EQ(0u, r.entry_count());
  char name[512];
  EXPECT_EQ(zip_end_of_list, r.current_info(nullptr, name, sizeof name));
  EXPECT_EQ(zip_end_of_list, r.next());
  EXPECT_EQ(zip_end_of_list, r.open_current());

  // A comment holding the end record's signature: the record whose comment
  // reaches the end is the one.
  zip_builder b;
  b.comment = "archive comment PK\x05\x06 with a fake signature inside";
  b.add("x.txt", "content", 8);
  const walked_archive w = walk_memory(b.build());
  ASSERT_EQ(zip_ok, w.open_status);
  ASSERT_EQ(1u, w.entries.size());
  EXPECT_EQ("content", w.entries[0].data);

  // Names are handed back cut to the buffer, always terminated, with the full length.
  const std::string long_name = zip_builder().add(std::string(600, 'n'), "z", 0).build();
  ASSERT_EQ(zip_ok, r.open(memory(long_name)));
  zip_entry_info info;
  EXPECT_EQ(zip_ok, r.current_info(&info, name, sizeof name));
  EXPECT_EQ(600, info.name_length);
  EXPECT_EQ(511u, std::string(name).size());
}

TEST(zip_reader, calls_out_of_order) {
  zip_reader r;
  char buffer[16];
  const std::string bytes = zip_builder().add("a", "abc", 8).build();
  ASSERT_EQ(zip_ok, r.open(memory(bytes)));
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
  const std::string data = mixed_bytes(300000, 11);
  const std::string bytes = zip_builder().add("f", data, 8).add("g", "tail", 0).build();
  ASSERT_TRUE(put_file(path, bytes)) << "cannot write " << path;
  {
    std::unique_ptr<zip_source> sources[] = {zip_file_source::open(path.c_str()), memory(bytes)};
    for (const std::unique_ptr<zip_source>& source : sources) {
      ASSERT_TRUE(source != nullptr);
      const std::uint64_t end = source->size();
      char two[2] = {};
      EXPECT_TRUE(source->read_at(end, two, 0)) << "an empty read at the end";
      EXPECT_FALSE(source->read_at(end, two, 1)) << "a byte past the end";
      EXPECT_FALSE(source->read_at(end - 1, two, 2)) << "a range running past the end";
      EXPECT_FALSE(source->read_at(end + 1, two, 0)) << "an offset past the end";
      EXPECT_TRUE(source->read_at(end - 1, two, 1));
    }
    // A file cut short after it was opened: the read comes up short and says so.
    ASSERT_TRUE(put_file(path, ""));
    char byte = 0;
    EXPECT_FALSE(sources[0]->read_at(10, &byte, 1)) << "expected a short read to fail";
  }
  ASSERT_TRUE(put_file(path, bytes));
  ASSERT_EQ(zip_ok, r.open(path.c_str()));
  const walked_archive w = walk_archive(r);
  ASSERT_EQ(2u, w.entries.size());
  EXPECT_TRUE(w.entries[0].data == data) << "got " << w.entries[0].data.size() << " bytes";
  EXPECT_EQ("tail", w.entries[1].data);
  r.close();
  for (const std::string& no_archive : {std::string(), data.substr(0, 100000)}) {
    ASSERT_TRUE(put_file(path, no_archive));
    EXPECT_EQ(zip_bad_archive, r.open(path.c_str())) << no_archive.size() << " bytes";
  }
  std::remove(path.c_str());
}

// The check after the last byte: CRC-32, the declared size against the stream's real end.
TEST(zip_reader, entry_data_that_does_not_check_out) {
  const std::string data = mixed_bytes(50000, 5);
  const std::size_t all = data.size();
  struct variant {
    const char* what;
    std::uint16_t method;
    void (*change)(zip_builder_entry&, const std::string& data);
    int open_expected, read_expected;
    std::size_t least, most;  // bytes handed out before the error
  } const variants[] = {
      {"CRC off by one bit, stored", 0, [](zip_builder_entry& e, const std::string& d) {
         e.crc32 = crc32_of(d) ^ 1; }, zip_ok, zip_crc_error, all, all},
      {"CRC off by one bit, deflated", 8, [](zip_builder_entry& e, const std::string& d) {
         e.crc32 = crc32_of(d) ^ 1; }, zip_ok, zip_crc_error, all, all},
      {"declared shorter than the stream", 8, [](zip_builder_entry& e, const std::string& d) {
         e.uncompressed_size = 1000;
         e.crc32 = crc32_of(d.substr(0, 1000)); }, zip_ok, zip_data_error, 1000, 1000},
      {"declared longer than the stream", 8, [](zip_builder_entry& e, const std::string& d) {
         e.uncompressed_size = d.size() + 1; }, zip_ok, zip_data_error, all, all},
      {"compressed data cut short, the sizes matching what is there", 8,
       [](zip_builder_entry& e, const std::string& d) {
         e.raw_override = true;
         e.raw = deflate_raw(d).substr(0, 3000); }, zip_ok, zip_data_error, 0, all - 1},
      {"garbage in place of a deflate stream", 8, [](zip_builder_entry& e, const std::string&) {
         e.raw_override = true;
         e.raw = std::string(100, '\xff'); }, zip_ok, zip_data_error, 0, 0},
      {"stored with two sizes that disagree, refused before any byte", 0,
       [](zip_builder_entry& e, const std::string& d) { e.uncompressed_size = d.size() * 2; },
       zip_bad_archive, zip_ok, 0, 0},
  };
  for (const variant& v : variants) {
    zip_builder b;
    b.add("entry", data, v.method);
    v.change(b.back(), data);
    b.add("after", "x", v.method);
    const walked_archive w = walk_memory(b.build());
    ASSERT_EQ(2u, w.entries.size()) << v.what;
    const walked_entry& e = w.entries[0];
    EXPECT_EQ(v.open_expected, e.open_status) << v.what << ": open gave " << e.open_status;
    EXPECT_EQ(v.read_expected, e.read_status) << v.what << ": read gave " << e.read_status;
    EXPECT_EQ(v.read_expected, e.close_status) << v.what << ": close gave " << e.close_status;
    EXPECT_GE(e.data.size(), v.least) << v.what;
    EXPECT_LE(e.data.size(), v.most) << v.what;
    EXPECT_TRUE(v.least < all || data == e.data) << v.what << ": the bytes themselves come through";
    EXPECT_EQ("x", w.entries[1].data) << v.what << ": the next entry is not affected";
  }
}

TEST(zip_reader, entries_it_cannot_read) {
  zip_builder b;
  b.add("encrypted", "x", 0).add("bzip2", "x", 12).add("zip64", "x", 0).add("fine", "ok", 8);
  b.entries()[0].flags = 1;
  b.entries()[2].compressed_size = 0xffffffff;
  const walked_archive w = walk_memory(b.build());
  ASSERT_EQ(4u, w.entries.size());
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(zip_unsupported, w.entries[i].open_status)
        << w.entries[i].name << ": got " << w.entries[i].open_status;
  EXPECT_EQ("ok", w.entries[3].data) << "the entries after them still read";

  zip_builder z;
  z.add("a", "b", 0).zip64_locator = true;
  zip_reader r;
  const std::string bytes = z.build();
  EXPECT_EQ(zip_unsupported, r.open(memory(bytes)));
}

TEST(zip_reader, hostile_headers) {
  struct variant {
    const char* what;
    void (*change)(zip_builder&);
    int open_expected;   // of zip_reader::open
    int first_expected;  // of the first entry's current_info, then open_current
  } const variants[] = {
      {"local offset past the end", [](zip_builder& b) { b.entries()[0].local_offset = 0x7fffffff; },
       zip_ok, zip_bad_archive},
      {"local offset into a header", [](zip_builder& b) { b.entries()[0].local_offset = 1; },
       zip_ok, zip_bad_archive},
      {"local name length differs", [](zip_builder& b) { b.entries()[0].local_name_length = 3; },
       zip_ok, zip_bad_archive},
      {"local method differs", [](zip_builder& b) { b.entries()[0].local_method = 0; }, zip_ok,
       zip_bad_archive},
      {"compressed size past the directory",
       [](zip_builder& b) { b.entries()[0].compressed_size = 0x10000000; }, zip_ok, zip_bad_archive},
      {"name length past the directory",
       [](zip_builder& b) { b.entries()[0].central_name_length = 0xffff; }, zip_ok, zip_bad_archive},
      {"directory size past the start", [](zip_builder& b) { b.directory_size = 0x7fffffff; },
       zip_bad_archive, 0},
      {"directory offset past its start", [](zip_builder& b) { b.directory_offset = 0x7fffffff; },
       zip_bad_archive, 0},
  };
  const std::string data = mixed_bytes(5000, 9);
  for (const variant& v : variants) {
    zip_builder b;
    b.add("first", data, 8).add("second", data, 0);
    v.change(b);
    zip_reader r;
    const std::string bytes = b.build();
    const int opened = r.open(memory(bytes));
    EXPECT_EQ(v.open_expected, opened) << v.what << ": open gave " << opened;
    if (opened != zip_ok) continue;
    int status = r.current_info(nullptr, nullptr, 0);
    if (status == zip_ok) status = r.open_current();
    EXPECT_EQ(v.first_expected, status) << v.what;
  }
  // More entries announced than the directory holds, and a second header that
  // is not one: the walk stops there.
  zip_builder more;
  more.add("only", "x", 0).entry_count = 40000;
  std::string broken = zip_builder().add("one", "1", 0).add("two", "2", 0).build();
  broken[broken.find("PK\x01\x02", broken.find("PK\x01\x02") + 1) + 2] = 'X';
  for (const std::string& bytes : {more.build(), broken}) {
    const walked_archive w = walk_memory(bytes);
    ASSERT_EQ(zip_ok, w.open_status);
    ASSERT_EQ(1u, w.entries.size());
    EXPECT_EQ(0, w.entries[0].read_status);
    EXPECT_EQ(zip_bad_archive, w.entries[0].next_status) << w.entries[0].name;
  }
  // Two entries sharing one local header and data are read twice, harmlessly.
  zip_builder shared;
  shared.add("a", data, 8).add("a", data, 8).entries()[1].local_offset = 0;
  const walked_archive w = walk_memory(shared.build());
  ASSERT_EQ(2u, w.entries.size());
  EXPECT_EQ(data, w.entries[1].data);
}

// Every cut of an archive loses its end record: none may open, none may crash.
TEST(zip_reader, every_truncation_is_refused) {
  zip_builder b;
  b.add("a.txt", mixed_bytes(3000, 1), 8).add("dir/", "", 0).add("b", "bbbb", 0);
  const std::string bytes = b.build();
  for (std::size_t length = 0; length < bytes.size(); ++length)
    EXPECT_EQ(zip_bad_archive, walk_memory(bytes.substr(0, length)).open_status) << "cut at " << length;
}

// One changed byte anywhere: whatever the reader says, it never hands out more
// than the declared size, and a clean end means the data matches the CRC.
TEST(zip_reader, single_byte_damage_never_passes_bad_data) {
  zip_builder b;
  b.add("a.txt", mixed_bytes(2000, 2), 8).add("s", "stored data", 0).add("e", "", 8);
  const std::string bytes = b.build();
  int clean_reads = 0, refused = 0;
  for (std::size_t at = 0; at < bytes.size(); ++at) {
    for (unsigned char x : {0x01, 0x80, 0xff}) {
      std::string damaged = bytes;
      damaged[at] = static_cast<char>(damaged[at] ^ x);
      const walked_archive w = walk_memory(damaged, 1000);
      refused += w.open_status != zip_ok;
      for (const walked_entry& e : w.entries) {
        EXPECT_LE(e.data.size(), e.info.uncompressed_size) << "byte " << at << " ^ " << int(x);
        if (e.open_status != zip_ok || e.read_status != 0) continue;
        ++clean_reads;
        EXPECT_EQ(e.info.uncompressed_size, e.data.size()) << "byte " << at << " ^ " << int(x);
        EXPECT_EQ(e.info.crc32, crc32_of(e.data)) << "byte " << at << " ^ " << int(x);
      }
    }
  }
  EXPECT_GT(clean_reads, 0) << "expected some damage to spare whole entries";
  EXPECT_GT(refused, 0) << "expected damage to the end record to be refused";
}

}  // namespace

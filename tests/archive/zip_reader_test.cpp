// zip_reader on archives built in memory: the normal cases, then damaged and
// hostile headers. Runs natively and under Wine.
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

void patch32(std::string& bytes, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>((v >> (8 * i)) & 0xff);
}

std::string scratch_path(const char* name) {
  return std::string(TAMARI_TEST_BINARY_DIR) + "/" + name;
}

bool put_file(const std::string& path, const std::string& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool whole = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && whole;
}

TEST(zip_reader, reads_stored_deflated_empty_and_directory_entries) {
  const std::string big = mixed_bytes(200000, 7);
  zip_builder b;
  b.add("readme.txt", "hello, world\r\n", 0);
  b.add("dir/", "", 0);
  b.back().external_attributes = 0x10;
  b.add("dir/big.bin", big, 8);
  b.add("empty-stored", "", 0);
  b.add("empty-deflated", "", 8);
  b.add("表示/ソ", "sjis", 8);
  walked_archive w = walk_memory(b.build());
  ASSERT_EQ(zip_ok, w.open_status) << "expected the archive to open, got " << w.open_status;
  ASSERT_EQ(6u, w.entries.size()) << "expected 6 entries, got " << w.entries.size();
  const char* names[] = {"readme.txt",   "dir/",           "dir/big.bin",
                         "empty-stored", "empty-deflated", "表示/ソ"};
  const std::string datas[] = {"hello, world\r\n", "", big, "", "", "sjis"};
  for (int i = 0; i < 6; ++i) {
    const walked_entry& e = w.entries[i];
    EXPECT_EQ(names[i], e.name) << "entry " << i;
    EXPECT_EQ(zip_ok, e.open_status)
        << "entry " << i << ": expected open ok, got " << e.open_status;
    EXPECT_EQ(0, e.read_status) << "entry " << i << ": expected a clean end, got " << e.read_status;
    EXPECT_EQ(zip_ok, e.close_status) << "entry " << i << ": got " << e.close_status;
    EXPECT_TRUE(datas[i] == e.data) << "entry " << i << ": expected " << datas[i].size()
                                    << " bytes, got " << e.data.size() << " different ones";
    EXPECT_EQ(datas[i].size(), e.info.uncompressed_size) << "entry " << i;
  }
  EXPECT_EQ(0x10u, w.entries[1].info.external_attributes);
  EXPECT_EQ(8, w.entries[2].info.method);
  EXPECT_LT(w.entries[2].info.compressed_size, big.size()) << "expected the data to compress";
  EXPECT_EQ(zip_end_of_list, w.entries[5].next_status)
      << "expected the end of the list after the last entry, got " << w.entries[5].next_status;
  // "表" is 0x95 0x5C: the name comes back as the stored bytes.
  EXPECT_EQ(std::string("\x95\x5c\x8e\xa6/\x83\x5c"), w.entries[5].name);
}

TEST(zip_reader, block_size_does_not_change_the_data) {
  const std::string data = mixed_bytes(70000, 3);
  zip_builder b;
  b.add("a", data, 8).add("b", data, 0);
  const std::string archive = b.build();
  for (unsigned block : {1u, 7u, 4096u, 65536u, 1u << 20}) {
    walked_archive w = walk_memory(archive, block);
    ASSERT_EQ(2u, w.entries.size()) << "block " << block;
    for (const walked_entry& e : w.entries) {
      EXPECT_EQ(0, e.read_status) << "block " << block << " entry " << e.name;
      EXPECT_TRUE(data == e.data) << "block " << block << " entry " << e.name << ": got "
                                  << e.data.size() << " bytes";
    }
  }
}

TEST(zip_reader, archive_shapes) {
  {
    // No entries at all: opens, and the first look finds the end of the list.
    zip_reader r;
    const std::string bytes = zip_builder().build();
    EXPECT_EQ(zip_ok, r.open(memory(bytes)));
    EXPECT_EQ(0u, r.entry_count());
    char name[16];
    EXPECT_EQ(zip_end_of_list, r.current_info(nullptr, name, sizeof name));
    EXPECT_EQ(zip_end_of_list, r.next());
    EXPECT_EQ(zip_end_of_list, r.open_current());
  }
  {
    // A self-extractor: a program before the archive, offsets counted from the archive.
    zip_builder b;
    b.prefix = std::string(5000, 'M');
    b.comment = "archive comment PK\x05\x06 with a fake signature inside";
    b.add("x.txt", "content", 8);
    walked_archive w = walk_memory(b.build());
    ASSERT_EQ(zip_ok, w.open_status);
    ASSERT_EQ(1u, w.entries.size());
    EXPECT_EQ("content", w.entries[0].data);
    EXPECT_EQ(0, w.entries[0].read_status);
  }
  {
    // Names are handed back cut to the buffer, always terminated, with the full length.
    zip_builder b;
    b.add(std::string(600, 'n'), "z", 0);
    zip_reader r;
    const std::string bytes = b.build();
    ASSERT_EQ(zip_ok, r.open(memory(bytes)));
    char name[512];
    zip_entry_info info;
    EXPECT_EQ(zip_ok, r.current_info(&info, name, sizeof name));
    EXPECT_EQ(600, info.name_length);
    EXPECT_EQ(511u, std::string(name).size());
  }
}

TEST(zip_reader, calls_out_of_order) {
  zip_reader r;
  char buffer[16];
  EXPECT_EQ(zip_bad_parameter, r.current_info(nullptr, buffer, sizeof buffer));
  EXPECT_EQ(zip_bad_parameter, r.open_current());
  EXPECT_EQ(zip_bad_parameter, r.read_current(buffer, sizeof buffer));
  EXPECT_EQ(zip_bad_parameter, r.close_current());
  EXPECT_EQ(zip_bad_parameter, r.next());
  const std::string bytes = zip_builder().add("a", "abc", 8).build();
  ASSERT_EQ(zip_ok, r.open(memory(bytes)));
  EXPECT_EQ(zip_bad_parameter, r.read_current(buffer, sizeof buffer))
      << "expected no read before the entry is opened";
  ASSERT_EQ(zip_ok, r.open_current());
  EXPECT_EQ(3, r.read_current(buffer, sizeof buffer));
  EXPECT_EQ(0, r.read_current(buffer, sizeof buffer));
  EXPECT_EQ(0, r.read_current(buffer, sizeof buffer)) << "expected the end to be answered again";
  EXPECT_EQ(zip_ok, r.close_current());
  EXPECT_EQ(zip_bad_parameter, r.close_current());
  // Reopening the same entry starts its data again.
  ASSERT_EQ(zip_ok, r.open_current());
  EXPECT_EQ(3, r.read_current(buffer, sizeof buffer));
  r.close();
  EXPECT_FALSE(r.is_open());
  EXPECT_EQ(zip_bad_parameter, r.open_current());
}

TEST(zip_reader, files_on_disk) {
  zip_reader r;
  EXPECT_EQ(zip_io_error, r.open(scratch_path("no-such-archive.zip").c_str()));
  // A Shift_JIS file name whose 0x5C trail bytes must not be taken for separators.
  const std::string path = scratch_path("表ソ-reader.zip");
  const std::string data = mixed_bytes(300000, 11);
  const std::string bytes = zip_builder().add("f", data, 8).add("g", "tail", 0).build();
  ASSERT_TRUE(put_file(path, bytes)) << "cannot write " << path;
  {
    // Both sources answer exact ranges only; an empty one even at the very end.
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
  walked_archive w = walk_archive(r, 8192);
  ASSERT_EQ(2u, w.entries.size());
  EXPECT_TRUE(w.entries[0].data == data) << "got " << w.entries[0].data.size() << " bytes";
  EXPECT_EQ("tail", w.entries[1].data);
  r.close();
  std::remove(path.c_str());
  // An empty file and a file of garbage are no archives.
  ASSERT_TRUE(put_file(path, ""));
  EXPECT_EQ(zip_bad_archive, r.open(path.c_str()));
  ASSERT_TRUE(put_file(path, data.substr(0, 100000)));
  EXPECT_EQ(zip_bad_archive, r.open(path.c_str()));
  std::remove(path.c_str());
}

// The check after the last byte: CRC-32, the declared size against the stream's real end.
TEST(zip_reader, entry_data_that_does_not_check_out) {
  const std::string data = mixed_bytes(50000, 5);
  for (std::uint16_t method : {std::uint16_t{0}, std::uint16_t{8}}) {
    zip_builder b;
    b.add("crc", data, method);
    b.back().crc32 = crc32_of(data) ^ 1;
    b.add("after", "x", method);
    walked_archive w = walk_memory(b.build());
    ASSERT_EQ(2u, w.entries.size()) << "method " << method;
    EXPECT_EQ(zip_crc_error, w.entries[0].read_status)
        << "method " << method << ": expected a CRC error, got " << w.entries[0].read_status;
    EXPECT_EQ(zip_crc_error, w.entries[0].close_status);
    EXPECT_EQ(data.size(), w.entries[0].data.size()) << "the bytes themselves come through";
    EXPECT_EQ(0, w.entries[1].read_status) << "the next entry is not affected";
  }
  const std::size_t all = data.size();
  struct variant {
    const char* what;
    void (*change)(zip_builder_entry&, const std::string& data);
    int open_expected;
    std::size_t least, most;  // bytes handed out before the error
  };
  const variant variants[] = {
      {"declared shorter than the stream: never more than the declared bytes",
       [](zip_builder_entry& e, const std::string& d) {
         e.uncompressed_size = 1000;
         e.crc32 = crc32_of(d.substr(0, 1000));
       },
       zip_ok, 1000, 1000},
      {"declared longer than the stream",
       [](zip_builder_entry& e, const std::string& d) { e.uncompressed_size = d.size() + 1; },
       zip_ok, all, all},
      {"compressed data cut short, the sizes matching what is there",
       [](zip_builder_entry& e, const std::string& d) {
         e.raw_override = true;
         e.raw = deflate_raw(d).substr(0, 3000);
       },
       zip_ok, 0, all - 1},
      {"garbage in place of a deflate stream",
       [](zip_builder_entry& e, const std::string&) {
         e.raw_override = true;
         e.raw = std::string(100, '\xff');
       },
       zip_ok, 0, 0},
      {"stored with two sizes that disagree, refused before any byte",
       [](zip_builder_entry& e, const std::string& d) {
         e.method = 0;
         e.uncompressed_size = d.size() * 2;
       },
       zip_bad_archive, 0, 0},
  };
  for (const variant& v : variants) {
    zip_builder b;
    b.add("entry", data, 8);
    v.change(b.back(), data);
    walked_archive w = walk_memory(b.build());
    ASSERT_EQ(1u, w.entries.size()) << v.what;
    const walked_entry& e = w.entries[0];
    EXPECT_EQ(v.open_expected, e.open_status) << v.what << ": open gave " << e.open_status;
    if (v.open_expected == zip_ok) {
      EXPECT_EQ(zip_data_error, e.read_status) << v.what << ": read gave " << e.read_status;
    }
    EXPECT_GE(e.data.size(), v.least) << v.what;
    EXPECT_LE(e.data.size(), v.most) << v.what;
    EXPECT_TRUE(v.least < all || data == e.data) << v.what << ": the bytes themselves come through";
  }
}

TEST(zip_reader, entries_it_cannot_read) {
  zip_builder b;
  b.add("encrypted", "x", 0);
  b.back().flags = 1;
  b.add("bzip2", "x", 12);
  b.add("zip64", "x", 0);
  b.back().compressed_size = 0xffffffff;
  b.add("fine", "ok", 8);
  walked_archive w = walk_memory(b.build());
  ASSERT_EQ(4u, w.entries.size());
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(zip_unsupported, w.entries[i].open_status)
        << w.entries[i].name << ": got " << w.entries[i].open_status;
  EXPECT_EQ("ok", w.entries[3].data) << "the entries after them still read";

  zip_builder z;
  z.add("a", "b", 0);
  z.zip64_locator = true;
  zip_reader r;
  const std::string bytes = z.build();
  EXPECT_EQ(zip_unsupported, r.open(memory(bytes)));
}

TEST(zip_reader, hostile_headers) {
  const std::string data = mixed_bytes(5000, 9);
  struct variant {
    const char* what;
    void (*change)(zip_builder&);
    int open_expected;   // of zip_reader::open
    int first_expected;  // of the first entry's current_info / open_current
  };
  const variant variants[] = {
      {"local offset past the end",
       [](zip_builder& b) { b.entries()[0].local_offset = 0x7fffffff; }, zip_ok, zip_bad_archive},
      {"local offset into a header", [](zip_builder& b) { b.entries()[0].local_offset = 1; },
       zip_ok, zip_bad_archive},
      {"local name length differs", [](zip_builder& b) { b.entries()[0].local_name_length = 3; },
       zip_ok, zip_bad_archive},
      {"local method differs", [](zip_builder& b) { b.entries()[0].local_method = 0; }, zip_ok,
       zip_bad_archive},
      {"compressed size past the directory",
       [](zip_builder& b) { b.entries()[0].compressed_size = 0x10000000; }, zip_ok,
       zip_bad_archive},
      {"name length past the directory",
       [](zip_builder& b) { b.entries()[0].central_name_length = 0xffff; }, zip_ok,
       zip_bad_archive},
      {"directory size past the start", [](zip_builder& b) { b.directory_size = 0x7fffffff; },
       zip_bad_archive, 0},
      {"directory offset past its start", [](zip_builder& b) { b.directory_offset = 0x7fffffff; },
       zip_bad_archive, 0},
  };
  for (const variant& v : variants) {
    zip_builder b;
    b.add("first", data, 8).add("second", data, 0);
    v.change(b);
    zip_reader r;
    const std::string bytes = b.build();
    int opened = r.open(memory(bytes));
    EXPECT_EQ(v.open_expected, opened) << v.what << ": open gave " << opened;
    if (opened != zip_ok) continue;
    int status = r.current_info(nullptr, nullptr, 0);
    if (status == zip_ok) status = r.open_current();
    EXPECT_EQ(v.first_expected, status) << v.what;
  }
  {
    // More entries announced than the directory holds: the walk stops at the gap.
    zip_builder b;
    b.add("only", "x", 0);
    b.entry_count = 40000;
    walked_archive w = walk_memory(b.build());
    ASSERT_EQ(zip_ok, w.open_status);
    ASSERT_EQ(1u, w.entries.size());
    EXPECT_EQ(zip_bad_archive, w.entries[0].next_status);
  }
  {
    // A second header that is not one.
    zip_layout l;
    zip_builder b;
    b.add("one", "1", 0).add("two", "2", 0);
    std::string bytes = b.build(&l);
    patch32(bytes, l.central_offsets[1], 0x12345678);
    walked_archive w = walk_memory(bytes);
    ASSERT_EQ(1u, w.entries.size());
    EXPECT_EQ("1", w.entries[0].data);
    EXPECT_EQ(zip_bad_archive, w.entries[0].next_status);
  }
  {
    // Two entries sharing one local header and data are read twice, harmlessly.
    zip_builder b;
    b.add("a", data, 8).add("b", data, 8);
    b.entries()[1].local_offset = 0;
    b.entries()[1].name = "a";
    walked_archive w = walk_memory(b.build());
    ASSERT_EQ(2u, w.entries.size());
    EXPECT_EQ(data, w.entries[1].data);
  }
}

// Every cut of an archive loses its end record: none may open, none may crash.
TEST(zip_reader, every_truncation_is_refused) {
  zip_builder b;
  b.add("a.txt", mixed_bytes(3000, 1), 8).add("dir/", "", 0).add("b", "bbbb", 0);
  const std::string bytes = b.build();
  for (std::size_t length = 0; length < bytes.size(); ++length) {
    walked_archive w = walk_memory(bytes.substr(0, length));
    EXPECT_EQ(zip_bad_archive, w.open_status) << "cut at " << length;
  }
}

// One changed byte anywhere: whatever the reader says, it never hands out more
// than the declared size, and a clean end means the data matches the CRC.
TEST(zip_reader, single_byte_damage_never_passes_bad_data) {
  zip_builder b;
  b.add("a.txt", mixed_bytes(2000, 2), 8).add("s", "stored data", 0).add("e", "", 8);
  const std::string bytes = b.build();
  int clean_reads = 0;
  int refused = 0;
  for (std::size_t at = 0; at < bytes.size(); ++at) {
    for (unsigned char x : {0x01, 0x80, 0xff}) {
      std::string damaged = bytes;
      damaged[at] = static_cast<char>(damaged[at] ^ x);
      walked_archive w = walk_memory(damaged, 1000);
      if (w.open_status != zip_ok) {
        ++refused;
        continue;
      }
      for (const walked_entry& e : w.entries) {
        EXPECT_LE(e.data.size(), e.info.uncompressed_size) << "byte " << at << " ^ " << int(x);
        if (e.open_status == zip_ok && e.read_status == 0) {
          ++clean_reads;
          EXPECT_EQ(e.info.uncompressed_size, e.data.size()) << "byte " << at;
          EXPECT_EQ(e.info.crc32, crc32_of(e.data)) << "byte " << at << " ^ " << int(x);
        }
      }
    }
  }
  EXPECT_GT(clean_reads, 0) << "expected some damage to spare whole entries";
  EXPECT_GT(refused, 0) << "expected damage to the end record to be refused";
}

}  // namespace

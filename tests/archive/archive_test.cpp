// archive/ in memory, natively and under Wine: the reader on archives built here (what
// the comparison with minizip and the fuzz target do not reach), the entry-name rules,
// and the extraction loop: what is written where, and how each kind of failure ends a run.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "archive/entry_name.h"
#include "archive/unzip_loop.h"
#include "tests/archive/zip_builder.h"

namespace {

const char destination[] = "D:\\dest\\";
const char archive_name[] = "C:\\save\\pkg.zip";
typedef std::map<std::string, std::string> file_map;

class memory_target : public unzip_target {
 public:
  file_map files;
  std::vector<std::string> announced, log_lines;
  std::vector<int> write_sizes;
  std::set<std::string> failing;  // directories that cannot be made, files that cannot be created
  int cancel_at_announce = -1;    // cancel when announcing the file with this index
  int cancel_after_blocks = -1;
  bool fail_writes = false;

  bool make_directories(const wklib::string& path) override { return !failing.count(path.c_str()); }
  bool announce(const wklib::string& path) override {
    announced.push_back(path.c_str());
    return static_cast<int>(announced.size()) - 1 != cancel_at_announce;
  }
  bool create_file(const wklib::string& path) override {
    if (failing.count(path.c_str())) return false;
    files[open_ = path.c_str()] = std::string();
    return true;
  }
  bool write(const char* data, int size) override {
    write_sizes.push_back(size);
    if (!fail_writes) files[open_].append(data, size);
    return !fail_writes;
  }
  bool keep_going() override { return cancel_after_blocks < 0 || ++blocks_ < cancel_after_blocks; }
  bool close_file(bool keep) override {
    if (!keep) files.erase(open_);
    return true;
  }
  void log(const wklib::string& line) override { log_lines.push_back(line.c_str()); }

 private:
  std::string open_;
  int blocks_ = 0;
};

unzip_result run(const std::string& archive, memory_target& target) {
  zip_reader reader;
  if (reader.open(memory_source(archive)) != zip_ok) return unzip_not_opened;
  return unzip_entries(reader, archive_name, destination, target);
}

std::string at(const std::string& name) { return destination + name; }
std::string logged(const std::string& name, const char* what) {
  return archive_name + ("の" + name) + what;
}

TEST(zip_reader, archive_shapes_and_calls_out_of_order) {
  // No entries at all (minizip will not open it): the first look finds the end of the list.
  zip_reader r;
  const std::string empty = zip_builder().build();
  EXPECT_EQ(zip_ok, r.open(memory_source(empty)));
  EXPECT_EQ(0u, r.entry_count());
  char name[512];
  EXPECT_EQ(zip_end_of_list, r.current_info(nullptr, name, sizeof name));
  EXPECT_EQ(zip_end_of_list, r.open_current());

  // A comment holding the end record's signature: the record whose comment reaches the end is the
  // one.
  zip_builder b;
  b.comment = "archive comment PK\x05\x06 with a fake signature inside";
  EXPECT_EQ("content",
            walk_archive(memory_source(b.add("x.txt", "content").build())).entries.at(0).data);
  // Bytes after the archive, as some tools leave them, and the end record of a split archive.
  EXPECT_EQ(zip_ok,
            walk_archive(memory_source(zip_builder().add("t", "x").build() + "after")).open_status);
  std::string split = zip_builder().add("s", "x").build();
  split[split.size() - 16] = 1;  // the disk the directory starts on
  EXPECT_EQ(zip_unsupported, walk_archive(memory_source(split)).open_status);

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
  std::unique_ptr<zip_source> sources[] = {zip_file_source::open(path.c_str()),
                                           memory_source(bytes)};
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

// Damaged or hostile headers and data, in the first of two entries: the check after the last byte
// (CRC-32, the declared size against the stream's real end) and every header field that could send
// the reader outside the archive.
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
      {"CRC off by one bit, stored",
       [](z& b) {
         b.back().method = 0;
         b.back().crc32 = crc32_of(b.back().data) ^ 1;
       },
       zip_crc_error, true, all, all},
      {"CRC off, the final block beyond the first 64 KiB of input",
       [](z& b) {
         // A stored block of all the data, ending where the first read of input
         // ends, then the final empty block: the check must read on.
         const std::string& d = b.back().data;
         b.back().raw =
             std::string("\x00\xfb\xff\x04\x00", 5) + d + std::string("\x01\x00\x00\xff\xff", 5);
         b.back().crc32 = crc32_of(d) ^ 1;
       },
       zip_crc_error, true, all, all},
      {"declared shorter than the stream",
       [](z& b) {
         b.back().uncompressed_size = 1000;
         b.back().crc32 = crc32_of(b.back().data.substr(0, 1000));
       },
       zip_data_error, true, 1000, 1000},
      {"declared longer than the stream",
       [](z& b) { b.back().uncompressed_size = b.back().data.size() + 1; }, zip_data_error, true,
       all, all},
      {"compressed data cut short, the sizes matching what is there",
       [](z& b) { b.back().raw = deflate_raw(b.back().data).substr(0, 3000); }, zip_data_error,
       true, 0, all - 1},
      {"stored with two sizes that disagree, refused before any byte",
       [](z& b) {
         b.back().method = 0;
         b.back().uncompressed_size = b.back().data.size() * 2;
       },
       zip_bad_archive},
      {"encrypted", [](z& b) { b.back().flags = 1; }, zip_unsupported},
      {"bzip2", [](z& b) { b.back().method = 12; }, zip_unsupported},
      {"zip64 sizes", [](z& b) { b.back().compressed_size = 0xffffffff; }, zip_unsupported},
      {"local offset past the end", [](z& b) { b.back().local_offset = 0x7fffffff; },
       zip_bad_archive},
      {"local offset into a header", [](z& b) { b.back().local_offset = 1; }, zip_bad_archive},
      {"local name length differs", [](z& b) { b.back().local_name_length = 3; }, zip_bad_archive},
      {"local method differs", [](z& b) { b.back().local_method = 0; }, zip_bad_archive},
      {"compressed size past the directory", [](z& b) { b.back().compressed_size = 0x10000000; },
       zip_bad_archive},
      {"name length past the directory", [](z& b) { b.back().central_name_length = 0xffff; },
       zip_bad_archive, false},
      {"directory size past the start", [](z& b) { b.directory_size = 0x7fffffff; },
       zip_bad_archive, false},
      {"directory offset past its start", [](z& b) { b.directory_offset = 0x7fffffff; },
       zip_bad_archive, false},
      {"a zip64 end record", [](z& b) { b.zip64_locator = true; }, zip_unsupported, false},
  };
  for (const variant& v : variants) {
    zip_builder b;
    v.change(b.add("entry", data));
    const std::string bytes = b.add("after", "x").build();
    const walked_archive w = walk_archive(memory_source(bytes));
    const walked_entry first = w.entries.empty() ? walked_entry() : w.entries[0];
    EXPECT_EQ(v.expected, w.open_status       ? w.open_status
                          : first.info_status ? first.info_status
                                              : first.status)
        << v.what;
    EXPECT_GE(first.data.size(), v.least) << v.what;
    EXPECT_LE(first.data.size(), v.most) << v.what;
    EXPECT_TRUE(v.least < all || data == first.data)
        << v.what << ": the bytes themselves come through";
    const bool in_data = v.expected == zip_crc_error || v.expected == zip_data_error;
    if (v.next_readable) {
      ASSERT_EQ(2u, w.entries.size()) << v.what;
      EXPECT_EQ(in_data ? v.expected : zip_ok, first.close_status) << v.what;
      EXPECT_EQ("x", w.entries[1].data) << v.what << ": the next entry is not affected";
    }
    // The extraction loop on the same archive ends the run there, the damaged file deleted;
    // a file whose header is bad is never announced.
    memory_target t;
    EXPECT_EQ(w.open_status ? unzip_not_opened : unzip_damaged, run(bytes, t)) << v.what;
    EXPECT_TRUE(t.files.empty()) << v.what << ": got " << t.files.size() << " files";
    EXPECT_EQ(in_data ? 1u : 0u, t.announced.size()) << v.what;
    const std::string log = first.info_status ? std::string(archive_name) + "の目録が壊れている．"
                                              : logged("entry", "が壊れている．");
    EXPECT_EQ(w.open_status ? std::vector<std::string>() : std::vector<std::string>{log},
              t.log_lines)
        << v.what;
  }
  // More entries announced than the directory holds, and a second header that is not one: the walk
  // stops there.
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
  const std::string bytes =
      zip_builder().add("a.txt", mixed_bytes(3000, 1)).add("dir/", "", 0).build();
  for (std::size_t length = 0; length < bytes.size(); ++length)
    EXPECT_EQ(zip_bad_archive, walk_archive(memory_source(bytes.substr(0, length))).open_status)
        << "cut at " << length;
}

TEST(entry_name, kinds_separators_and_refusals) {
  struct expectation {
    const char* stored;
    entry_kind kind;
    const char* converted;
  } const cases[] = {
      {"a/b/c.txt", entry_file, "a\\b\\c.txt"},    {"dir/sub/", entry_directory, "dir\\sub\\"},
      {"./a.txt", entry_file, ".\\a.txt"},         {"a..b/c", entry_file, "a..b\\c"},
      {"console.txt", entry_file, "console.txt"},  {"com10", entry_file, "com10"},
      {"nul_", entry_file, "nul_"},                {"ソ/", entry_directory, "\x83\x5c\\"},
      {"ソ", entry_file, "\x83\x5c"},                // its 0x5C is no separator
      {"\x83\x83/", entry_directory, "\x83\x83\\"},  // ャ then the separator
      {"表..", entry_file, "\x95\x5c.."},            // one component, not 表 and ..
  };
  for (const expectation& e : cases) {
    wklib::string name(e.stored);
    const entry_kind kind = classify_entry_name(name);
    EXPECT_EQ(e.kind, kind) << "name \"" << e.stored << "\": expected kind " << e.kind << ", got "
                            << kind;
    EXPECT_STREQ(e.converted, name.c_str()) << "name \"" << e.stored << "\"";
  }
  const std::string refused[] = {
      "", "/etc/passwd", "\\windows\\win.ini", "../evil.txt", "a/..",
      "表/../../evil.txt",  // 0x95 0x5C, then a real separator and ..
      "表\\..",             // a stored backslash separates too
      "c:evil.txt", "dir/file.txt:stream",
      "... /evil.txt", "a/. ./evil.txt",  // Windows trims these to ..
      "NUL.txt", "sub/con", "Con .txt", "com1.log", "LPT9", "conin$", "tab\there",
      "\x83", "a\x83/b", "a\x81\x7f",  // a lead byte without a valid second byte
      std::string("a\0../../x", 9),     // a NUL would cut the path Windows sees
  };
  for (const std::string& stored : refused) {
    wklib::string name(stored.data(), static_cast<int>(stored.size()));
    EXPECT_EQ(entry_refused, classify_entry_name(name))
        << "expected \"" << stored << "\" to be refused, got \"" << name.c_str() << "\"";
  }
}

TEST(unzip_loop, writes_files_and_their_directories) {
  const std::string big = mixed_bytes(20000, 1);
  zip_builder b;
  b.add("top.txt", "top")
      .add("a/b/c.txt", big)
      .add("empty", "", 0)
      .add("d/", "", 0)
      .add("表/ソ", "sjis", 0);
  memory_target t;
  EXPECT_EQ(unzip_done, run(b.build(), t));
  EXPECT_TRUE(t.log_lines.empty()) << "first log line: " << t.log_lines[0];
  const file_map files = {{at("top.txt"), "top"}, {at("a\\b\\c.txt"), big}, {at("empty"), ""},
                          {at("\x95\x5c\\\x83\x5c"), "sjis"}};
  EXPECT_TRUE(files == t.files) << "got " << t.files.size() << " files";
  const std::vector<std::string> announced = {at("top.txt"), at("a\\b\\c.txt"), at("empty"),
                                              at("\x95\x5c\\\x83\x5c")};
  EXPECT_EQ(announced, t.announced);
  const std::vector<int> sizes = {3, 8192, 8192, 20000 - 2 * 8192, 4};
  EXPECT_EQ(sizes, t.write_sizes) << "expected blocks of at most 8192 bytes";

  memory_target none;
  EXPECT_EQ(unzip_not_opened, unzip_archive("none.zip", destination, none));
  EXPECT_EQ(0u, none.announced.size() + none.log_lines.size())
      << "a missing archive touches nothing";
}

// Refused and overlong names are skipped and logged; the run goes on but is incomplete.
TEST(unzip_loop, refused_names_are_skipped_and_logged) {
  zip_builder b;
  b.add("表/../../evil.txt", "1").add("ok.txt", "fine");
  b.add(std::string(511, 'n'), "longest").add(std::string(512, 'm'), "too long");
  memory_target t;
  EXPECT_EQ(unzip_incomplete, run(b.build(), t));
  const file_map files = {{at("ok.txt"), "fine"}, {at(std::string(511, 'n')), "longest"}};
  EXPECT_TRUE(files == t.files) << "got " << t.files.size() << " files";
  const std::vector<std::string> log = {
      logged("\x95\x5c\\..\\..\\evil.txt", "は解凍先の外を指すので解凍しない．"),
      std::string(archive_name) + "の名前が長すぎる項目を解凍しない．"};
  EXPECT_EQ(log, t.log_lines);
}

TEST(unzip_loop, cancel_stops_at_the_two_points) {
  const std::string big = mixed_bytes(100000, 3);
  const std::string archive =
      zip_builder().add("first", "1").add("big", big).add("last", "z").build();
  memory_target announced;
  announced.cancel_at_announce = 1;
  EXPECT_EQ(unzip_cancelled, run(archive, announced));
  EXPECT_EQ(1u, announced.files.size()) << "expected the announced file not to be created";

  memory_target blocks;
  blocks.cancel_after_blocks = 3;  // the first file's block, then two of the big one
  EXPECT_EQ(unzip_cancelled, run(archive, blocks));
  ASSERT_EQ(2u, blocks.files.size());
  EXPECT_TRUE(big.substr(0, 2 * 8192) == blocks.files[at("big")])
      << "expected the partial file to stay, got " << blocks.files[at("big")].size() << " bytes";
}

// What cannot be written is logged and the run goes on, incomplete; a file that failed a write is
// deleted.
TEST(unzip_loop, files_that_cannot_be_written) {
  const std::string archive =
      zip_builder().add("sub/", "", 0).add("locked.exe", "new").add("next.txt", "n").build();
  const struct {
    const char* failing;  // null: every write fails
    file_map files;
    std::vector<std::string> log;
  } cases[] = {
      {"sub\\", {{at("locked.exe"), "new"}, {at("next.txt"), "n"}},
       {logged("sub\\", "のディレクトリを作れない．")}},
      {"locked.exe", {{at("next.txt"), "n"}}, {logged("locked.exe", "を書き出せない．")}},
      {nullptr, {},
       {logged("locked.exe", "を書き出せない．"), logged("next.txt", "を書き出せない．")}},
  };
  for (const auto& c : cases) {
    memory_target t;
    t.fail_writes = !c.failing;
    if (c.failing) t.failing.insert(at(c.failing));
    EXPECT_EQ(unzip_incomplete, run(archive, t)) << c.log[0];
    EXPECT_TRUE(c.files == t.files) << c.log[0] << ": got " << t.files.size() << " files";
    EXPECT_EQ(c.log, t.log_lines) << c.log[0];
  }
}

}  // namespace

// The entry-name rules, and the extraction loop over a target in memory: what is
// written where, and how refused names, damage, cancel and write failures end a
// run. Runs natively and under Wine.
#include <gtest/gtest.h>

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

TEST(entry_name, kinds_separators_and_refusals) {
  struct expectation {
    const char* stored;
    entry_kind kind;
    const char* converted;
  } const cases[] = {
      {"a/b/c.txt", entry_file, "a\\b\\c.txt"},    {"dir/sub/", entry_directory, "dir\\sub\\"},
      {"./a.txt", entry_file, ".\\a.txt"},         {"a..b/c", entry_file, "a..b\\c"},
      {"console.txt", entry_file, "console.txt"},  {"com10", entry_file, "com10"},
      {"nul_", entry_file, "nul_"},
      {"ソ", entry_file, "\x83\x5c"},                // its 0x5C is no separator
      {"ソ/", entry_directory, "\x83\x5c\\"},
      {"\x83\x83/", entry_directory, "\x83\x83\\"},  // ャ then the separator
      {"表..", entry_file, "\x95\x5c.."},            // one component, not 表 and ..
  };
  for (const expectation& e : cases) {
    wklib::string name(e.stored);
    const entry_kind kind = classify_entry_name(name);
    EXPECT_EQ(e.kind, kind) << "name \"" << e.stored << "\": expected kind " << e.kind << ", got " << kind;
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
  b.add("top.txt", "top").add("a/b/c.txt", big).add("empty", "", 0).add("d/", "", 0).add("表/ソ", "sjis", 0);
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
  EXPECT_EQ(0u, none.announced.size() + none.log_lines.size()) << "a missing archive touches nothing";
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

// Bad data deletes its file; a bad local header is found before the file is
// made; a bad directory header after the first entry ends the run there.
TEST(unzip_loop, damage_ends_the_run) {
  struct variant {
    void (*change)(zip_builder_entry&);
    std::size_t announced;
    std::string log;
  } const variants[] = {
      {[](zip_builder_entry& e) { e.crc32 = crc32_of(e.data) ^ 0x100; }, 2, logged("bad", "が壊れている．")},
      {[](zip_builder_entry& e) { e.local_method = 0; }, 1, logged("bad", "が壊れている．")},
      {[](zip_builder_entry& e) { e.central_name_length = 0xfff0; }, 1,
       std::string(archive_name) + "の目録が壊れている．"},
  };
  for (const variant& v : variants) {
    zip_builder b;
    b.add("good", "g").add("bad", mixed_bytes(30000, 2));
    v.change(b.back());
    memory_target t;
    EXPECT_EQ(unzip_damaged, run(b.add("after", "a").build(), t)) << v.log;
    EXPECT_TRUE((file_map{{at("good"), "g"}}) == t.files) << v.log << ": expected only the file before the damage";
    EXPECT_EQ(v.announced, t.announced.size()) << v.log;
    EXPECT_EQ(std::vector<std::string>{v.log}, t.log_lines);
  }
}

TEST(unzip_loop, cancel_stops_at_the_two_points) {
  const std::string big = mixed_bytes(100000, 3);
  const std::string archive = zip_builder().add("first", "1").add("big", big).add("last", "z").build();
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

// What cannot be written is logged and the run goes on, incomplete; a file that
// failed a write is deleted.
TEST(unzip_loop, files_that_cannot_be_written) {
  const std::string archive = zip_builder().add("sub/", "", 0).add("locked.exe", "new").add("next.txt", "n").build();
  const struct {
    const char* failing;  // null: every write fails
    file_map files;
    std::vector<std::string> log;
  } cases[] = {
      {"sub\\", {{at("locked.exe"), "new"}, {at("next.txt"), "n"}}, {logged("sub\\", "のディレクトリを作れない．")}},
      {"locked.exe", {{at("next.txt"), "n"}}, {logged("locked.exe", "を書き出せない．")}},
      {nullptr, {}, {logged("locked.exe", "を書き出せない．"), logged("next.txt", "を書き出せない．")}},
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

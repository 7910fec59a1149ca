// The entry-name rules, and the extraction loop over a target in memory: what is
// written where, and how refused names, damage, cancel and write failures end a
// run. Runs natively and under Wine.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "archive/entry_name.h"
#include "archive/unzip_loop.h"
#include "tests/archive/zip_builder.h"

namespace {

const char destination[] = "D:\\dest\\";
const char archive_name[] = "C:\\save\\pkg.zip";

class memory_target : public unzip_target {
 public:
  std::map<std::string, std::string> files;
  std::vector<std::string> announced, log_lines;
  std::vector<int> write_sizes;
  std::set<std::string> uncreatable, unmakeable;
  int cancel_at_announce = -1;  // cancel when announcing the file with this index
  int cancel_after_blocks = -1;
  bool fail_writes = false;
  int closes_kept = 0;

  bool make_directories(const wklib::string& path) override {
    return !unmakeable.count(path.c_str());
  }
  bool announce(const wklib::string& path) override {
    announced.push_back(path.c_str());
    return static_cast<int>(announced.size()) - 1 != cancel_at_announce;
  }
  bool create_file(const wklib::string& path) override {
    if (uncreatable.count(path.c_str())) return false;
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
    closes_kept += keep;
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
  if (reader.open(std::unique_ptr<zip_source>(
          new zip_memory_source(archive.data(), archive.size()))) != zip_ok)
    return unzip_not_opened;
  return unzip_entries(reader, archive_name, destination, target);
}

std::string at(const std::string& name) { return destination + name; }
std::string logged(const std::string& name, const char* what) {
  return archive_name + ("の" + name) + what;
}
typedef std::map<std::string, std::string> file_map;

TEST(entry_name, kinds_separators_and_refusals) {
  struct expectation {
    const char* stored;
    entry_kind kind;
    const char* converted;  // null: not checked
  } const cases[] = {
      {"a/b/c.txt", entry_file, "a\\b\\c.txt"},   {"dir/sub/", entry_directory, "dir\\sub\\"},
      {"./a.txt", entry_file, ".\\a.txt"},
      {"ソ", entry_file, "\x83\x5c"},  // its 0x5C is no separator
      {"a/ソ", entry_file, "a\\\x83\x5c"},         {"ソ/", entry_directory, "\x83\x5c\\"},
      {"十/", entry_directory, "\x8f\x5c\\"},
      {"\x83\x83/", entry_directory, nullptr},     // ャ then the separator
      {"表..", entry_file, "\x95\x5c.."},          // one component, not 表 and ..
      {"表\\..", entry_refused, nullptr},          // a stored backslash separates too
      {"a..b/c", entry_file, nullptr},             {"console.txt", entry_file, nullptr},
      {"com10", entry_file, nullptr},              {"nul_", entry_file, nullptr},
  };
  for (const expectation& e : cases) {
    wklib::string name(e.stored);
    const entry_kind kind = classify_entry_name(name);
    EXPECT_EQ(e.kind, kind) << "name \"" << e.stored << "\": expected kind " << e.kind << ", got " << kind;
    if (e.converted) {
      EXPECT_STREQ(e.converted, name.c_str()) << "name \"" << e.stored << "\"";
    }
  }
  const std::string refused[] = {
      "", "/etc/passwd", "\\windows\\win.ini", "//server/share/x", "../evil.txt", "..", "a/..",
      "a/b/../../../evil.txt",
      "表/../../evil.txt",  // 0x95 0x5C, then a real separator and ..
      "c:/evil.txt", "c:evil.txt", "dir/file.txt:stream",
      ".. /evil.txt", "... /evil.txt", "a/. ./evil.txt",  // Windows trims these to ..
      "nul", "NUL.txt", "sub/con", "Con .txt", "aux.tar.gz", "com1.log", "LPT9", "conin$",
      "tab\there",
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
  b.add("top.txt", "top", 8).add("a/b/c.txt", big, 8).add("empty", "", 0).add("d/", "", 0);
  b.add("表/ソ", "sjis", 0);
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
  const std::string data = mixed_bytes(30000, 2);
  struct variant {
    void (*change)(zip_builder_entry&, const std::string& data);
    std::size_t announced;
    std::string log;
  } const variants[] = {
      {[](zip_builder_entry& e, const std::string& d) { e.crc32 = crc32_of(d) ^ 0x100; }, 2,
       logged("bad", "が壊れている．")},
      {[](zip_builder_entry& e, const std::string&) { e.local_method = 0; }, 1,
       logged("bad", "が壊れている．")},
      {[](zip_builder_entry& e, const std::string&) { e.central_name_length = 0xfff0; }, 1,
       std::string(archive_name) + "の目録が壊れている．"},
  };
  for (const variant& v : variants) {
    zip_builder b;
    b.add("good", "g").add("bad", data, 8).add("after", "a");
    v.change(b.entries()[1], data);
    memory_target t;
    EXPECT_EQ(unzip_damaged, run(b.build(), t)) << v.log;
    EXPECT_TRUE((file_map{{at("good"), "g"}}) == t.files) << v.log << ": expected only the file before the damage";
    EXPECT_EQ(v.announced, t.announced.size()) << v.log;
    EXPECT_EQ(std::vector<std::string>{v.log}, t.log_lines);
  }
}

TEST(unzip_loop, cancel_stops_at_the_two_points) {
  const std::string big = mixed_bytes(100000, 3);
  const std::string archive = zip_builder().add("first", "1").add("big", big, 8).add("last", "z").build();
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
  EXPECT_EQ(2, blocks.closes_kept);
}

// What cannot be written is logged and the run goes on, incomplete; a file that
// failed a write is deleted.
TEST(unzip_loop, files_that_cannot_be_written) {
  const std::string archive = zip_builder().add("sub/", "", 0).add("locked.exe", "new").add("next.txt", "n").build();
  const struct {
    const char* what;
    void (*fail)(memory_target&);
    file_map files;
    std::vector<std::string> log;
  } cases[] = {
      {"a directory", [](memory_target& t) { t.unmakeable.insert(at("sub\\")); },
       {{at("locked.exe"), "new"}, {at("next.txt"), "n"}}, {logged("sub\\", "のディレクトリを作れない．")}},
      {"a file", [](memory_target& t) { t.uncreatable.insert(at("locked.exe")); },
       {{at("next.txt"), "n"}}, {logged("locked.exe", "を書き出せない．")}},
      {"every write", [](memory_target& t) { t.fail_writes = true; }, {},
       {logged("locked.exe", "を書き出せない．"), logged("next.txt", "を書き出せない．")}},
  };
  for (const auto& c : cases) {
    memory_target t;
    c.fail(t);
    EXPECT_EQ(unzip_incomplete, run(archive, t)) << c.what;
    EXPECT_TRUE(c.files == t.files) << c.what << ": got " << t.files.size() << " files";
    EXPECT_EQ(c.log, t.log_lines) << c.what;
  }
}

}  // namespace

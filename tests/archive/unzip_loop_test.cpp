// The extraction loop over a target in memory: which names are refused, what is
// written where, and how damage, cancel and write failures end a run. Runs
// natively and under Wine.
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
  std::set<std::string> directories;
  std::vector<std::string> announced;
  std::vector<std::string> log_lines;
  std::vector<int> write_sizes;
  std::set<std::string> uncreatable;
  std::set<std::string> unmakeable;  // directories make_directories fails on
  int cancel_at_announce = -1;  // cancel when announcing the file with this index
  int cancel_after_blocks = -1;
  bool fail_writes = false;
  int closes_kept = 0;
  int closes_dropped = 0;

  bool make_directories(const wklib::string& path) override {
    // Every prefix ending before a backslash, stepping over double-byte characters.
    const std::string p = path.c_str();
    if (unmakeable.count(p)) return false;
    for (std::size_t i = 0; i < p.size(); ++i) {
      const unsigned char c = static_cast<unsigned char>(p[i]);
      if ((c >= 0x81 && c <= 0x9f) || (c >= 0xe0 && c <= 0xfc)) {
        ++i;
        continue;
      }
      if (c == '\\') directories.insert(p.substr(0, i));
    }
    return true;
  }
  bool announce(const wklib::string& path) override {
    announced.push_back(path.c_str());
    return static_cast<int>(announced.size()) - 1 != cancel_at_announce;
  }
  bool create_file(const wklib::string& path) override {
    if (uncreatable.count(path.c_str())) return false;
    open_ = path.c_str();
    files[open_] = std::string();
    return true;
  }
  bool write(const char* data, int size) override {
    write_sizes.push_back(size);
    if (fail_writes) return false;
    files[open_].append(data, size);
    return true;
  }
  bool keep_going() override {
    ++blocks_;
    return cancel_after_blocks < 0 || blocks_ < cancel_after_blocks;
  }
  bool close_file(bool keep) override {
    if (keep) {
      ++closes_kept;
    } else {
      ++closes_dropped;
      files.erase(open_);
    }
    open_.clear();
    return true;
  }
  void log(const wklib::string& line) override { log_lines.push_back(line.c_str()); }

 private:
  std::string open_;
  int blocks_ = 0;
};

unzip_result run(const std::string& archive, memory_target& target) {
  zip_reader reader;
  int opened = reader.open(
      std::unique_ptr<zip_source>(new zip_memory_source(archive.data(), archive.size())));
  if (opened != zip_ok) return unzip_not_opened;
  return unzip_entries(reader, archive_name, destination, target);
}

std::string at(const char* name) { return std::string(destination) + name; }

std::string refused_line(const std::string& name) {
  return std::string(archive_name) + "の" + name + "は解凍先の外を指すので解凍しない．";
}

TEST(entry_name, kinds_and_separators) {
  struct expectation {
    const char* stored;
    entry_kind kind;
    const char* converted;  // null: not checked
  };
  const expectation cases[] = {
      {"a/b/c.txt", entry_file, "a\\b\\c.txt"},
      {"dir/", entry_directory, "dir\\"},
      {"dir/sub/", entry_directory, "dir\\sub\\"},
      {"ソ", entry_file, "\x83\x5c"},  // its 0x5C is no separator
      {"a/ソ", entry_file, "a\\\x83\x5c"},
      {"ソ/", entry_directory, "\x83\x5c\\"},
      {"表/", entry_directory, "\x95\x5c\\"},
      {"十/", entry_directory, "\x8f\x5c\\"},
      {"\x83\x83/", entry_directory, nullptr},  // ャ then the separator
      {"表..", entry_file, "\x95\x5c.."},       // one component, not 表 and ..
      {"表\\..", entry_refused, nullptr},       // a stored backslash separates too
      {"./a.txt", entry_file, ".\\a.txt"},
      {"a..b/c", entry_file, nullptr},
      {"console.txt", entry_file, nullptr},
      {"com10", entry_file, nullptr},
      {"nul_", entry_file, nullptr},
      {"ライセンス表示/表.txt", entry_file, nullptr},
  };
  for (const expectation& e : cases) {
    wklib::string name(e.stored);
    entry_kind kind = classify_entry_name(name);
    EXPECT_EQ(e.kind, kind) << "name \"" << e.stored << "\": expected kind " << e.kind << ", got "
                            << kind;
    if (e.converted) {
      EXPECT_STREQ(e.converted, name.c_str()) << "name \"" << e.stored << "\"";
    }
  }
}

TEST(entry_name, names_reaching_outside_are_refused) {
  const char* refused[] = {
      "",
      "/etc/passwd",
      "\\windows\\win.ini",
      "//server/share/x",
      "../evil.txt",
      "..",
      "a/..",
      "a/../../evil.txt",
      "a/b/../../../evil.txt",
      "表/../../evil.txt",  // 0x95 0x5C, then a real separator and ..
      "ソ/../..",
      "c:/evil.txt",
      "c:evil.txt",
      "C:\\evil.txt",
      "dir/file.txt:stream",
      ".. /evil.txt",  // Windows trims the trailing space to ..
      "... /evil.txt",
      "a/. ./evil.txt",
      "nul",
      "NUL.txt",
      "sub/con",
      "Con .txt",
      "aux.tar.gz",
      "com1.log",
      "LPT9",
      "conin$",
      "tab\there",
      "\x83",       // a lead byte without its second byte
      "a\x83/b",    // a lead byte before '/': no valid character
      "a\x81\x7f",  // 0x7F is no second byte
  };
  for (const char* stored : refused) {
    wklib::string name(stored);
    EXPECT_EQ(entry_refused, classify_entry_name(name))
        << "expected \"" << stored << "\" to be refused, got \"" << name.c_str() << "\"";
  }
  // A NUL inside the stored name would cut the path Windows sees.
  wklib::string with_nul("a\0../../x", 9);
  EXPECT_EQ(entry_refused, classify_entry_name(with_nul));
}

TEST(unzip_loop, writes_files_and_their_directories) {
  const std::string big = mixed_bytes(20000, 1);
  zip_builder b;
  b.add("top.txt", "top", 8).add("a/b/c.txt", big, 8).add("empty", "", 0).add("d/", "", 0);
  b.add("表/ソ", "sjis", 0);
  memory_target t;
  EXPECT_EQ(unzip_done, run(b.build(), t));
  EXPECT_TRUE(t.log_lines.empty()) << "first log line: " << t.log_lines[0];
  ASSERT_EQ(4u, t.files.size());
  EXPECT_EQ("top", t.files[at("top.txt")]);
  EXPECT_TRUE(big == t.files[at("a\\b\\c.txt")]) << "got " << t.files[at("a\\b\\c.txt")].size();
  EXPECT_EQ("", t.files[at("empty")]);
  EXPECT_EQ("sjis", t.files[at("\x95\x5c\\\x83\x5c")]);
  // Parents come from the file names; no directory entry is needed.
  EXPECT_TRUE(t.directories.count(at("a")));
  EXPECT_TRUE(t.directories.count(at("a\\b")));
  EXPECT_TRUE(t.directories.count(at("d")));
  EXPECT_TRUE(t.directories.count(at("\x95\x5c")));
  EXPECT_FALSE(t.directories.count(at("\x95"))) << "表 was cut at its second byte";
  const std::vector<std::string> announced = {at("top.txt"), at("a\\b\\c.txt"), at("empty"),
                                              at("\x95\x5c\\\x83\x5c")};
  EXPECT_EQ(announced, t.announced);
  const std::vector<int> sizes = {3, 8192, 8192, 20000 - 2 * 8192, 4};
  EXPECT_EQ(sizes, t.write_sizes) << "expected blocks of at most 8192 bytes";
}

TEST(unzip_loop, refused_names_are_skipped_and_logged) {
  zip_builder b;
  b.add("../evil1.txt", "1").add("ok.txt", "fine").add("a/../../evil2.txt", "2");
  b.add("c:/evil3.txt", "3").add("/evil4.txt", "4").add("表/../../evil5.txt", "5");
  b.add(std::string(511, 'n'), "longest").add(std::string(512, 'm'), "too long");
  b.add("表..", "legit");
  memory_target t;
  EXPECT_EQ(unzip_incomplete, run(b.build(), t))
      << "expected the run to say that not every entry was written";
  ASSERT_EQ(3u, t.files.size());
  EXPECT_EQ("fine", t.files[at("ok.txt")]);
  EXPECT_EQ("longest", t.files[at(std::string(511, 'n').c_str())]);
  EXPECT_EQ("legit", t.files[at("\x95\x5c..")]);
  const std::vector<std::string> log = {
      refused_line("..\\evil1.txt"),
      refused_line("a\\..\\..\\evil2.txt"),
      refused_line("c:\\evil3.txt"),
      refused_line("\\evil4.txt"),
      refused_line("\x95\x5c\\..\\..\\evil5.txt"),
      std::string(archive_name) + "の名前が長すぎる項目を解凍しない．",
  };
  EXPECT_EQ(log, t.log_lines);
}

TEST(unzip_loop, damage_ends_the_run_and_drops_the_bad_file) {
  const std::string data = mixed_bytes(30000, 2);
  {
    zip_builder b;
    b.add("good", "g").add("bad", data, 8).add("after", "a");
    b.entries()[1].crc32 = crc32_of(data) ^ 0x100;
    memory_target t;
    EXPECT_EQ(unzip_damaged, run(b.build(), t));
    EXPECT_EQ(1u, t.files.size()) << "expected only the file before the damage";
    EXPECT_EQ("g", t.files[at("good")]);
    EXPECT_EQ(1, t.closes_dropped) << "expected the bad file to be deleted";
    ASSERT_EQ(1u, t.log_lines.size());
    EXPECT_EQ(std::string(archive_name) + "のbadが壊れている．", t.log_lines[0]);
  }
  {
    // A damaged local header is found before the file is created.
    zip_builder b;
    b.add("good", "g").add("bad", data, 8);
    b.entries()[1].local_method = 0;
    memory_target t;
    EXPECT_EQ(unzip_damaged, run(b.build(), t));
    EXPECT_EQ(1u, t.announced.size());
    EXPECT_EQ(0, t.closes_dropped);
  }
  {
    // A damaged directory header after the first entry.
    zip_builder b;
    b.add("good", "g").add("lost", "l");
    b.entries()[1].central_name_length = 0xfff0;
    memory_target t;
    EXPECT_EQ(unzip_damaged, run(b.build(), t));
    EXPECT_EQ(1u, t.files.size());
    ASSERT_EQ(1u, t.log_lines.size());
    EXPECT_EQ(std::string(archive_name) + "の目録が壊れている．", t.log_lines[0]);
  }
}

TEST(unzip_loop, cancel_stops_at_the_two_points) {
  const std::string big = mixed_bytes(100000, 3);
  zip_builder b;
  b.add("first", "1").add("big", big, 8).add("last", "z");
  const std::string archive = b.build();
  {
    memory_target t;
    t.cancel_at_announce = 1;
    EXPECT_EQ(unzip_cancelled, run(archive, t));
    EXPECT_EQ(1u, t.files.size()) << "expected the announced file not to be created";
  }
  {
    memory_target t;
    t.cancel_after_blocks = 3;  // the first file's block, then two of the big one
    EXPECT_EQ(unzip_cancelled, run(archive, t));
    ASSERT_EQ(2u, t.files.size());
    EXPECT_EQ(2u * 8192, t.files[at("big")].size()) << "expected the partial file to stay";
    EXPECT_TRUE(big.compare(0, 2 * 8192, t.files[at("big")]) == 0);
    EXPECT_EQ(2, t.closes_kept);
  }
}

TEST(unzip_loop, files_that_cannot_be_written) {
  zip_builder b;
  b.add("locked.exe", "new").add("next.txt", "n");
  const std::string archive = b.build();
  {
    memory_target t;
    t.uncreatable.insert(at("locked.exe"));
    EXPECT_EQ(unzip_incomplete, run(archive, t));
    EXPECT_EQ(1u, t.files.size());
    EXPECT_EQ("n", t.files[at("next.txt")]) << "expected the run to go on";
    ASSERT_EQ(1u, t.log_lines.size());
    EXPECT_EQ(std::string(archive_name) + "のlocked.exeを書き出せない．", t.log_lines[0]);
  }
  {
    // A directory entry that cannot be made is logged, and the run goes on.
    zip_builder d;
    d.add("sub/", "", 0).add("next.txt", "n");
    memory_target t;
    t.unmakeable.insert(at("sub\\"));
    EXPECT_EQ(unzip_incomplete, run(d.build(), t));
    EXPECT_EQ("n", t.files[at("next.txt")]);
    ASSERT_EQ(1u, t.log_lines.size());
    EXPECT_EQ(std::string(archive_name) + "のsub\\のディレクトリを作れない．", t.log_lines[0]);
  }
  {
    memory_target t;
    t.fail_writes = true;
    EXPECT_EQ(unzip_incomplete, run(archive, t));
    EXPECT_TRUE(t.files.empty()) << "expected half-written files to be deleted";
    EXPECT_EQ(2u, t.log_lines.size());
  }
}

TEST(unzip_loop, archives_that_are_not_there) {
  memory_target t;
  EXPECT_EQ(unzip_not_opened, unzip_archive("no such archive.zip", destination, t));
  EXPECT_EQ(unzip_not_opened, run("not a zip archive at all", t));
  EXPECT_EQ(unzip_done, run(zip_builder().build(), t)) << "an empty archive unpacks to nothing";
  EXPECT_TRUE(t.files.empty());
  EXPECT_TRUE(t.log_lines.empty());
}

}  // namespace

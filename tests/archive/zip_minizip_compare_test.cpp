// Our reader against Debian's minizip on the generated corpus (native only):
// the same entries, the same names and bytes, and damage found in the same entries.
#include <gtest/gtest.h>
#include <minizip/unzip.h>

#include <string>
#include <vector>

#include "archive/zip_reader.h"
#include "tests/archive/zip_walk.h"

namespace {

struct seen_entry {
  std::string name;
  std::string data;
  bool damaged = false;
};

struct seen_archive {
  bool opened = false;
  std::vector<seen_entry> entries;
  bool list_damaged = false;  // the walk ended on a bad header, not at the end of the list
};

std::string fixture(const char* name) { return std::string(ZIP_FIXTURE_DIR) + "/" + name; }

seen_archive with_minizip(const std::string& path) {
  seen_archive seen;
  unzFile z = unzOpen(path.c_str());
  if (!z) return seen;
  seen.opened = true;
  std::vector<char> buffer(8192);
  for (int guard = 0; guard < 100000; ++guard) {
    unz_file_info info;
    char name[70000];
    int status = unzGetCurrentFileInfo(z, &info, name, sizeof name, nullptr, 0, nullptr, 0);
    if (status != UNZ_OK) {
      // An archive without entries has no current file; that is no damage.
      seen.list_damaged = !(status == UNZ_PARAMERROR && seen.entries.empty());
      break;
    }
    seen_entry e;
    e.name.assign(name, info.size_filename);
    if (unzOpenCurrentFile(z) != UNZ_OK) {
      e.damaged = true;
    } else {
      int n;
      while ((n = unzReadCurrentFile(z, buffer.data(), buffer.size())) > 0)
        e.data.append(buffer.data(), n);
      if (n < 0) e.damaged = true;
      if (unzCloseCurrentFile(z) != UNZ_OK) e.damaged = true;
    }
    seen.entries.push_back(e);
    status = unzGoToNextFile(z);
    if (status == UNZ_END_OF_LIST_OF_FILE) break;
    if (status != UNZ_OK) {
      seen.list_damaged = true;
      break;
    }
  }
  unzClose(z);
  return seen;
}

seen_archive with_ours(const std::string& path) {
  seen_archive seen;
  zip_reader reader;
  if (reader.open(path.c_str()) != zip_ok) return seen;
  seen.opened = true;
  walked_archive walked = walk_archive(reader);
  for (const walked_entry& w : walked.entries) {
    if (w.info_status != zip_ok) {
      seen.list_damaged = true;
      break;
    }
    seen_entry e;
    e.name = w.name;
    e.data = w.data;
    e.damaged = w.open_status != zip_ok || w.read_status != 0 || w.close_status != zip_ok;
    seen.entries.push_back(e);
    if (w.next_status != zip_ok && w.next_status != zip_end_of_list) seen.list_damaged = true;
  }
  return seen;
}

class compare_with_minizip : public ::testing::TestWithParam<const char*> {};

TEST_P(compare_with_minizip, same_entries_bytes_and_errors) {
  const std::string path = fixture(GetParam());
  const seen_archive theirs = with_minizip(path);
  const seen_archive ours = with_ours(path);
  ASSERT_EQ(theirs.opened, ours.opened) << path << ": minizip opened it: " << theirs.opened;
  EXPECT_EQ(theirs.list_damaged, ours.list_damaged) << path;
  ASSERT_EQ(theirs.entries.size(), ours.entries.size()) << path;
  for (std::size_t i = 0; i < ours.entries.size(); ++i) {
    const seen_entry& t = theirs.entries[i];
    const seen_entry& o = ours.entries[i];
    EXPECT_EQ(t.name, o.name) << path << " entry " << i;
    EXPECT_EQ(t.damaged, o.damaged)
        << path << " entry " << i << " (" << o.name << "): minizip found damage: " << t.damaged;
    if (!t.damaged && !o.damaged) {
      EXPECT_TRUE(t.data == o.data) << path << " entry " << o.name << ": minizip read "
                                    << t.data.size() << " bytes, we read " << o.data.size();
    }
  }
}

INSTANTIATE_TEST_SUITE_P(corpus, compare_with_minizip,
                         ::testing::Values("basic.zip", "sjis.zip", "many.zip", "escaping.zip",
                                           "comment.zip", "descriptor.zip", "prefixed.zip",
                                           "crc_error.zip", "data_damaged.zip", "truncated.zip",
                                           "truncated_directory.zip"));

// The corpus must hold what it claims, or the comparison above proves little.
TEST(compare_with_minizip, corpus_has_the_cases_it_needs) {
  const seen_archive basic = with_ours(fixture("basic.zip"));
  ASSERT_TRUE(basic.opened);
  EXPECT_GE(basic.entries.size(), 8u);
  const seen_archive crc = with_ours(fixture("crc_error.zip"));
  int damaged = 0;
  for (const seen_entry& e : crc.entries) damaged += e.damaged;
  EXPECT_EQ(1, damaged) << "expected exactly one entry with a CRC error";
  EXPECT_FALSE(with_ours(fixture("truncated.zip")).opened);
  const seen_archive sjis = with_ours(fixture("sjis.zip"));
  ASSERT_FALSE(sjis.entries.empty());
  EXPECT_EQ(std::string("\x95\x5c/"), sjis.entries[0].name) << "expected 表/ in Shift_JIS";
  zip_reader reader;
  ASSERT_EQ(zip_ok, reader.open(fixture("descriptor.zip").c_str()));
  zip_entry_info info;
  ASSERT_EQ(zip_ok, reader.current_info(&info, nullptr, 0));
  EXPECT_EQ(8, info.flags & 8) << "expected entries with data descriptors";
}

}  // namespace

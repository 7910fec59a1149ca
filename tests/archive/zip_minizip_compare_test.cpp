// Our reader against Debian's minizip on the generated corpus (native only): the
// same entries, the same names and bytes, and damage found in the same entries.
#include <gtest/gtest.h>
#include <minizip/unzip.h>

#include <string>
#include <vector>

#include "archive/zip_reader.h"
#include "tests/archive/zip_walk.h"

namespace {

struct seen_entry {
  std::string name, data;
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
  if (!(seen.opened = z != nullptr)) return seen;
  std::vector<char> buffer(8192), name(70000);
  unz_file_info info;
  int status = UNZ_OK;
  while (status == UNZ_OK &&
         (status = unzGetCurrentFileInfo(z, &info, name.data(), name.size(), nullptr, 0, nullptr, 0)) == UNZ_OK) {
    seen_entry e;
    e.name.assign(name.data(), info.size_filename);
    e.damaged = unzOpenCurrentFile(z) != UNZ_OK;
    if (!e.damaged) {
      int n;
      while ((n = unzReadCurrentFile(z, buffer.data(), buffer.size())) > 0) e.data.append(buffer.data(), n);
      e.damaged = unzCloseCurrentFile(z) != UNZ_OK || n < 0;
    }
    seen.entries.push_back(e);
    status = unzGoToNextFile(z);
  }
  seen.list_damaged = status != UNZ_END_OF_LIST_OF_FILE;
  unzClose(z);
  return seen;
}

// Read in blocks of 13 bytes, to reach the seams between the reader's input and output.
seen_archive with_ours(const std::string& path) {
  seen_archive seen;
  zip_reader reader;
  if (!(seen.opened = reader.open(path.c_str()) == zip_ok)) return seen;
  for (const walked_entry& w : walk_archive(reader, 13).entries) {
    if (w.info_status != zip_ok) {
      seen.list_damaged = true;
      break;
    }
    seen.entries.push_back({w.name, w.data, w.open_status != zip_ok || w.read_status != 0 || w.close_status != zip_ok});
    seen.list_damaged = w.next_status != zip_ok && w.next_status != zip_end_of_list;
  }
  return seen;
}

// Each archive of the corpus with what it must hold, or the comparison proves little.
struct corpus_archive {
  const char* name;
  bool opens;
  int damaged;  // entries found damaged
};

class compare_with_minizip : public ::testing::TestWithParam<corpus_archive> {};

TEST_P(compare_with_minizip, same_entries_bytes_and_errors) {
  const std::string path = fixture(GetParam().name);
  const seen_archive theirs = with_minizip(path), ours = with_ours(path);
  EXPECT_EQ(GetParam().opens, ours.opened) << path;
  ASSERT_EQ(theirs.opened, ours.opened) << path << ": minizip opened it: " << theirs.opened;
  EXPECT_EQ(theirs.list_damaged, ours.list_damaged) << path;
  ASSERT_EQ(theirs.entries.size(), ours.entries.size()) << path;
  int damaged = 0;
  for (std::size_t i = 0; i < ours.entries.size(); ++i) {
    const seen_entry& t = theirs.entries[i];
    const seen_entry& o = ours.entries[i];
    damaged += o.damaged;
    EXPECT_EQ(t.name, o.name) << path << " entry " << i;
    EXPECT_EQ(t.damaged, o.damaged) << path << " entry " << i << " (" << o.name << "): minizip found damage: " << t.damaged;
    EXPECT_TRUE(t.damaged || o.damaged || t.data == o.data)
        << path << " entry " << o.name << ": minizip read " << t.data.size() << " bytes, we read " << o.data.size();
  }
  EXPECT_EQ(GetParam().damaged, damaged) << path;
}

const corpus_archive corpus[] = {
    {"basic.zip", true, 0},         {"sjis.zip", true, 0},           {"many.zip", true, 0},
    {"escaping.zip", true, 0},      {"comment.zip", true, 0},        {"descriptor.zip", true, 0},
    {"prefixed.zip", true, 0},      {"crc_error.zip", true, 1},      {"data_damaged.zip", true, 1},
    {"truncated.zip", false, 0},    {"truncated_directory.zip", false, 0},
};
INSTANTIATE_TEST_SUITE_P(corpus, compare_with_minizip, ::testing::ValuesIn(corpus));

// The Shift_JIS names and the data descriptors the corpus claims.
TEST(compare_with_minizip, corpus_has_the_cases_it_needs) {
  EXPECT_EQ(std::string("\x95\x5c/"), with_ours(fixture("sjis.zip")).entries.at(0).name) << "expected 表/ in Shift_JIS";
  zip_reader reader;
  zip_entry_info info;
  ASSERT_EQ(zip_ok, reader.open(fixture("descriptor.zip").c_str()));
  ASSERT_EQ(zip_ok, reader.current_info(&info, nullptr, 0));
  EXPECT_EQ(8, info.flags & 8) << "expected entries with data descriptors";
}

}  // namespace

// Our reader against Debian's minizip on the generated corpus (native only): the
// same entries, names, flags and bytes, and damage found in the same entries.
#include <gtest/gtest.h>
#include <minizip/unzip.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "tests/archive/zip_builder.h"

namespace {

// One line an entry: its name and flags, then the size and CRC-32 of its data, or "damaged".
std::string summary(const std::string& name, unsigned flags, const std::string* data) {
  return name + " flags " + std::to_string(flags) +
         (data ? ": " + std::to_string(data->size()) + " bytes, CRC " +
                     std::to_string(crc32_of(*data))
               : ": damaged");
}

// The entries' lines, then how the list ended.
std::vector<std::string> with_minizip(const std::string& path) {
  unzFile z = unzOpen(path.c_str());
  if (!z) return {"not opened"};
  std::vector<std::string> seen;
  std::vector<char> buffer(8192), name(70000);
  unz_file_info info;
  int status;
  while ((status = unzGetCurrentFileInfo(z, &info, name.data(), name.size(), nullptr, 0, nullptr,
                                         0)) == UNZ_OK) {
    std::string data;
    int n = UNZ_ERRNO;
    if (unzOpenCurrentFile(z) == UNZ_OK) {
      while ((n = unzReadCurrentFile(z, buffer.data(), buffer.size())) > 0)
        data.append(buffer.data(), n);
      if (unzCloseCurrentFile(z) != UNZ_OK) n = UNZ_CRCERROR;
    }
    seen.push_back(
        summary(std::string(name.data(), info.size_filename), info.flag, n == 0 ? &data : nullptr));
    if ((status = unzGoToNextFile(z)) != UNZ_OK) break;
  }
  seen.push_back(status == UNZ_END_OF_LIST_OF_FILE ? "end of the list" : "damaged list");
  unzClose(z);
  return seen;
}

// Read in blocks of 13 bytes, to reach the seams between the reader's input and output.
std::vector<std::string> with_ours(const std::string& path) {
  const walked_archive walked = walk_archive(zip_file_source::open(path.c_str()), 13);
  if (walked.open_status != zip_ok) return {"not opened"};
  std::vector<std::string> seen;
  int end = zip_end_of_list;
  for (const walked_entry& w : walked.entries) {
    end = w.info_status != zip_ok ? w.info_status : w.next_status;
    if (w.info_status == zip_ok)
      seen.push_back(summary(w.name, w.info.flags,
                             w.status == 0 && w.close_status == zip_ok ? &w.data : nullptr));
  }
  seen.push_back(end == zip_end_of_list ? "end of the list" : "damaged list");
  return seen;
}

// Each archive of the corpus with what it must hold, or the comparison proves little.
struct corpus_archive {
  const char* name;
  const char* first;  // the start of its first line
  long damaged;       // entries found damaged
};

class compare_with_minizip : public ::testing::TestWithParam<corpus_archive> {};

TEST_P(compare_with_minizip, same_entries_bytes_and_errors) {
  const corpus_archive& c = GetParam();
  const std::string path = std::string(ZIP_FIXTURE_DIR) + "/" + c.name;
  const std::vector<std::string> theirs = with_minizip(path), ours = with_ours(path);
  ASSERT_EQ(theirs.size(), ours.size())
      << path << ": minizip's first line " << theirs[0] << ", ours " << ours[0];
  for (std::size_t i = 0; i < ours.size(); ++i)
    EXPECT_EQ(theirs[i], ours[i]) << path << " line " << i;
  EXPECT_EQ(c.first, ours[0].substr(0, std::strlen(c.first))) << path;
  const auto damaged = [](const std::string& line) {
    return line.find(": damaged") != std::string::npos;
  };
  EXPECT_EQ(c.damaged, std::count_if(ours.begin(), ours.end(), damaged)) << path;
}

const corpus_archive corpus[] = {
    {"basic.zip", "readme.txt flags 0: 19 bytes", 0},  {"sjis.zip", "\x95\x5c/ flags 0", 0},  // 表/
    {"many.zip", "d00/f0000.txt", 0},                  {"escaping.zip", "../evil1.txt", 0},
    {"comment.zip", "\x95\x5c/", 0},
                      {"descriptor.zip", "stream/0.txt flags 8", 0},
    {"prefixed.zip", "\x95\x5c/", 0},                  {"crc_error.zip", "readme.txt", 1},
    {"data_damaged.zip", "readme.txt", 1},             {"truncated.zip", "not opened", 0},
    {"truncated_directory.zip", "not opened", 0},
};
INSTANTIATE_TEST_SUITE_P(corpus, compare_with_minizip, ::testing::ValuesIn(corpus));

}  // namespace

// The two readers of the information file, on files written by the test.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "catalogue/info_file.h"

namespace {

std::string scratch_file(const std::string& content) {
  static int counter = 0;
  const std::string path = testing::TempDir() + "info_" + std::to_string(++counter) + ".c";
  std::FILE* file = std::fopen(path.c_str(), "wb");
  std::fwrite(content.data(), 1, content.size(), file);
  std::fclose(file);
  return path;
}

std::vector<std::string> texts(const name_list& names) {
  std::vector<std::string> out;
  for (const wklib::string& name : names) out.emplace_back(name.c_str());
  return out;
}

// A file in the shape of the distribution's: quoted texts before, inside and after
// the array, a start line ending in CR LF, an end line with trailing spaces (which
// does not end the array) and a name given twice.
const char* const typical =
    "/* \"before.tar.gz\" */\n"
    "char *fname[] = {\r\n"
    "\"latex.tar.xz\",\r\n"
    "\"ptex-w32.tar.bz2\", \"second.tar.gz\",\n"
    "\"\",\n"
    "\"OTFDevel-w32.tar.gz\",\n"
    "};  \n"
    "\"Mixed.tar.gz\",\n"
    "\"latex.tar.xz\"\n"
    "no quotes here\n"
    "};\n"
    "\"after.tar.gz\"\n"
    "}\n"
    "\"beyond.tar.gz\"\n";

TEST(read_info_file, table) {
  // What the mirror lists (as sent) and what the save directory holds (lower-cased).
  name_list remote, lowered;
  for (const char* name : {"latex.tar.xz", "ptex-w32.tar.bz2", "second.tar.gz", "otfdevel-w32.tar.gz",
                           "OTFDevel-w32.tar.gz", "mixed.tar.gz", "before.tar.gz", "after.tar.gz",
                           "beyond.tar.gz", ""}) {
    remote.push_back(wklib::string(name));
    lowered.push_back(wklib::string(name).lower());
  }
  struct case_t {
    const char* what;
    std::string file;
    info_variant variant;
    std::vector<std::string> expected;
  } const cases[] = {
      {"online: the array only, exact names, otfdevel and the empty text skipped, one name a "
       "line, capitals not matched, a name as often as given",
       typical, info_online, {"latex.tar.xz", "ptex-w32.tar.bz2", "latex.tar.xz"}},
      {"offline: every quoted text up to \"}\", lower-cased, capitals matched", typical,
       info_offline, {"before.tar.gz", "latex.tar.xz", "ptex-w32.tar.bz2", "mixed.tar.gz",
                      "latex.tar.xz", "after.tar.gz"}},
      {"online without the start line lists nothing", "\"latex.tar.xz\",\n};\n", info_online, {}},
  };
  for (const case_t& c : cases) {
    name_list got;
    EXPECT_TRUE(read_info_file(scratch_file(c.file).c_str(), c.variant,
                               c.variant == info_online ? remote : lowered, got))
        << c.what;
    EXPECT_EQ(c.expected, texts(got)) << c.what;
  }
  name_list got;
  EXPECT_FALSE(read_info_file((testing::TempDir() + "nothere.c").c_str(), info_offline, lowered, got))
      << "a missing file";
  EXPECT_TRUE(got.empty());
}

}  // namespace

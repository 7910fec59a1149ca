// The catalogue's pure decisions: the states and ticks from the mirror's and the saved copy's times
// (both in UTC), the newest archive of a tool, how a name matches a pattern, and the two readers of
// the information file.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "catalogue/catalogue_rules.h"
#include "catalogue/info_file.h"
#include "catalogue/newest.h"

namespace {

const std::uint64_t change = 128781459000000000ull;  // a mirror's change, UTC

known_time at(std::uint64_t utc) { return {true, utc}; }
const known_time unknown;

// A W32TeX row's state and tick, and a tool's newest row's tick, from the same
// two times. (Reading both in UTC, east and west of it, is the dialog test's.)
TEST(catalogue_rules, states_and_ticks_from_the_two_times) {
  struct case_t {
    const char* what;
    known_time mirror, saved;
    w32tex_state state;
    const char* text;
    bool ticked, tool_ticked;
  } const cases[] = {
      {"saved just after the change", at(change), at(change + 1), state_newest, "最新", false,
       false},
      {"same time", at(change), at(change), state_old, "お古", true, false},
      {"saved just before the change", at(change), at(change - 1), state_old, "お古", true, true},
      {"nothing saved", at(change), unknown, state_missing, "無い", true, true},
      {"no time from the mirror", unknown, at(change), state_error, "エラー", false, true},
      {"no time, nothing saved", unknown, unknown, state_error, "エラー", false, true},
  };
  for (const case_t& c : cases) {
    const w32tex_state got = decide_w32tex_state(c.mirror, c.saved);
    EXPECT_EQ(c.state, got) << c.what;
    EXPECT_STREQ(c.text, w32tex_state_text(got)) << c.what;
    EXPECT_EQ(c.ticked, w32tex_state_ticked(got)) << c.what;
    EXPECT_EQ(c.tool_ticked, decide_tool_tick(c.mirror, c.saved)) << c.what;
  }
  EXPECT_STREQ("4294967295", size_text(0xFFFFFFFFu).c_str()) << "sizes are unsigned";
}

TEST(newest_by_number, table) {
  const struct {
    std::vector<const char*> names;
    int newest;
    const char* why;
  } cases[] = {
      {{"tex33w.zip", "tex323w.zip"}, 1, "numbers, not texts, are compared"},
      {{"a5.zip", "b5.zip"}, 0, "the earliest wins among equals"},
      {{"x.zip", "y1.zip"}, 1, "no digits count as zero"},
      {{"gsv4w99.exe", "gsv48w32.exe"}, 1, "only the first run of digits counts"},
      {{"v007.zip", "v6.zip"}, 0, "leading zeros are read as decimal"},
      // The later, longer run would win if the first run wrapped.
      {{"v99999999999.zip", "v5000000000.zip", "v4.zip"}, 0, "runs beyond 32 bits saturate"},
      {{}, 0, "an empty list"},
  };
  for (const auto& e : cases) {
    name_list names;
    std::string shown;
    for (const char* text : e.names) {
      names.push_back(wklib::string(text));
      shown += std::string(text) + " ";
    }
    EXPECT_EQ(e.newest, newest_by_number(names)) << shown << "(" << e.why << ")";
  }
}

TEST(match_forms, whole_covers_the_name_found_is_anywhere) {
  const struct {
    const char* name;
    bool whole, found;
  } cases[] = {{"gs853w32full.zip", true, true}, {"gs853w32full.zip.old", false, true},
               {"old-gs853w32full.zip", false, true}, {"gsview.zip", false, false}};
  for (const auto& e : cases) {
    wklib::pattern_search pattern("gs[0-9]*w32full\\.zip");
    EXPECT_EQ(e.whole, name_matches_whole(pattern, e.name)) << e.name;
    EXPECT_EQ(e.found, name_matches_found(pattern, e.name)) << e.name;
  }
}

// The information file, written by the test. A missing one is the dialog test's "information file
// unreadable".
std::string scratch_file(const std::string& content) {
  static int counter = 0;
  const std::string path = testing::TempDir() + "info_" + std::to_string(++counter) + ".c";
  std::ofstream(path, std::ios::binary) << content;
  return path;
}

// A file in the shape of the distribution's: quoted texts before, inside and after the array, a
// start line ending in CR LF, an end line with trailing spaces (which does not end the array) and a
// name given twice.
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
  for (const char* name : {"latex.tar.xz", "ptex-w32.tar.bz2", "second.tar.gz",
                           "otfdevel-w32.tar.gz", "OTFDevel-w32.tar.gz", "mixed.tar.gz",
                           "before.tar.gz", "after.tar.gz", "beyond.tar.gz", ""}) {
    remote.push_back(wklib::string(name));
    lowered.push_back(wklib::string(name).lower());
  }
  struct case_t {
    const char* what;
    std::string file;
    info_variant variant;
    std::vector<std::string> expected;
  } const cases[] = {
      {"online: the array only, exact names, otfdevel and the empty text skipped, one name a line, capitals not "
       "matched, a name as often as given", typical, info_online,
       {"latex.tar.xz", "ptex-w32.tar.bz2", "latex.tar.xz"}},
      {"offline: every quoted text up to \"}\", lower-cased, capitals matched", typical,
       info_offline,
       {"before.tar.gz", "latex.tar.xz", "ptex-w32.tar.bz2", "mixed.tar.gz", "latex.tar.xz",
        "after.tar.gz"}},
      {"online without the start line lists nothing", "\"latex.tar.xz\",\n};\n", info_online, {}},
  };
  for (const case_t& c : cases) {
    name_list got;
    const name_list& available = c.variant == info_online ? remote : lowered;
    EXPECT_TRUE(read_info_file(scratch_file(c.file).c_str(), c.variant, available, got)) << c.what;
    std::vector<std::string> shown;
    for (const wklib::string& name : got) shown.emplace_back(name.c_str());
    EXPECT_EQ(c.expected, shown) << c.what;
  }
}

}  // namespace

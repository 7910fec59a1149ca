// The match forms and the choice of the newest archive by number.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "catalogue/newest.h"

namespace {

TEST(newest_by_number, table) {
  struct expectation {
    std::vector<const char*> names;
    int newest;
    const char* why;
  };
  const expectation cases[] = {
      {{"gs853w32full.zip", "gs860w32full.zip"}, 1, ""},
      {{"tex33w.zip", "tex323w.zip"}, 1, "numbers, not texts, are compared"},
      {{"tex323w.zip", "tex33w.zip"}, 0, "numbers, not texts, are compared"},
      {{"a5.zip", "b5.zip"}, 0, "the earliest wins among equals"},
      {{"a4.zip", "b5.zip", "c5.zip", "d3.zip"}, 1, "the earliest wins among equals"},
      {{"x.zip", "y1.zip"}, 1, "no digits count as zero"},
      {{"x.zip", "y.zip"}, 0, "no digits count as zero"},
      {{"x0.zip", "y.zip"}, 0, "no digits count as zero"},
      // The later, longer run would win if the first run wrapped.
      {{"v99999999999.zip", "v5000000000.zip", "v4.zip"}, 0, "runs beyond 32 bits saturate"},
      {{}, 0, "an empty list"},
  };
  for (const expectation& e : cases) {
    name_list names;
    std::string shown;
    for (const char* text : e.names) {
      names.push_back(wklib::string(text));
      shown += std::string(text) + " ";
    }
    EXPECT_EQ(e.newest, newest_by_number(names)) << shown << "(" << e.why << ")";
  }
}

TEST(name_number, only_the_first_run_of_digits_counts) {
  wklib::pattern_search digits("[0-9]+");
  EXPECT_EQ(48ul, name_number(digits, "gsv48w32.exe")) << "the 32 must be ignored";
  EXPECT_EQ(0ul, name_number(digits, "readme.txt"));
  EXPECT_EQ(7ul, name_number(digits, "007.zip"));
  EXPECT_EQ(4294967295ul, name_number(digits, "v4294967295.zip"));
  EXPECT_EQ(4294967295ul, name_number(digits, "v99999999999999999999.zip"))
      << "a run beyond 32 bits must not wrap around to a small number";
}

TEST(match_forms, whole_covers_the_name_found_is_anywhere) {
  struct expectation {
    const char* pattern;
    const char* name;
    bool whole, found;
  };
  const expectation cases[] = {
      {"gs[0-9]*w32full\\.zip", "gs853w32full.zip", true, true},
      {"gs[0-9]*w32full\\.zip", "gs853w32full.zip.old", false, true},
      {"gs[0-9]*w32full\\.zip", "old-gs853w32full.zip", false, true},
      {"gs[0-9]*w32full\\.zip", "gsview.zip", false, false},
      {"texinst[0-9]*\\.zip", "texinst2007.zip", true, true},
      {"tex[0-9]*w\\.zip", "tex323w.zip", true, true},
      {"tex[0-9]*w\\.zip", "texinst2007.zip", false, false},
      {"gsv[0-9]*w32\\.exe", "gsv48w32.exe.sig", false, true},
  };
  for (const expectation& e : cases) {
    wklib::pattern_search pattern(e.pattern);
    EXPECT_EQ(e.whole, name_matches_whole(pattern, e.name)) << e.pattern << " on " << e.name;
    EXPECT_EQ(e.found, name_matches_found(pattern, e.name)) << e.pattern << " on " << e.name;
  }
}

}  // namespace

// The match forms and the choice of the newest archive by the first number in its name.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "catalogue/newest.h"

namespace {

TEST(newest_by_number, table) {
  const struct {
    std::vector<const char*> names;
    int newest;
    const char* why;
  } cases[] = {
      {{"gs853w32full.zip", "gs860w32full.zip"}, 1, ""},
      {{"tex33w.zip", "tex323w.zip"}, 1, "numbers, not texts, are compared"},
      {{"tex323w.zip", "tex33w.zip"}, 0, "numbers, not texts, are compared"},
      {{"a5.zip", "b5.zip"}, 0, "the earliest wins among equals"},
      {{"a4.zip", "b5.zip", "c5.zip", "d3.zip"}, 1, "the earliest wins among equals"},
      {{"x.zip", "y1.zip"}, 1, "no digits count as zero"},
      {{"x.zip", "y.zip"}, 0, "no digits count as zero"},
      {{"x0.zip", "y.zip"}, 0, "no digits count as zero"},
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
    const char* pattern;
    const char* name;
    bool whole, found;
  } cases[] = {
      {"gs[0-9]*w32full\\.zip", "gs853w32full.zip", true, true},
      {"gs[0-9]*w32full\\.zip", "gs853w32full.zip.old", false, true},
      {"gs[0-9]*w32full\\.zip", "old-gs853w32full.zip", false, true},
      {"gs[0-9]*w32full\\.zip", "gsview.zip", false, false},
      {"tex[0-9]*w\\.zip", "tex323w.zip", true, true},
      {"tex[0-9]*w\\.zip", "texinst2007.zip", false, false},
      {"gsv[0-9]*w32\\.exe", "gsv48w32.exe.sig", false, true},
  };
  for (const auto& e : cases) {
    wklib::pattern_search pattern(e.pattern);
    EXPECT_EQ(e.whole, name_matches_whole(pattern, e.name)) << e.pattern << " on " << e.name;
    EXPECT_EQ(e.found, name_matches_found(pattern, e.name)) << e.pattern << " on " << e.name;
  }
}

}  // namespace

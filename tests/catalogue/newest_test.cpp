// The match forms and the choice of the newest archive by number.
#include <gtest/gtest.h>

#include "catalogue/newest.h"

namespace {

name_list names_of(std::initializer_list<const char*> texts) {
  name_list names;
  for (const char* text : texts) names.push_back(wklib::string(text));
  return names;
}

TEST(newest_by_number, compares_numbers_not_texts) {
  EXPECT_EQ(1, newest_by_number(names_of({"gs853w32full.zip", "gs860w32full.zip"})));
  EXPECT_EQ(1, newest_by_number(names_of({"tex33w.zip", "tex323w.zip"})))
      << "323 is greater than 33 although \"33\" sorts after \"323\"";
  EXPECT_EQ(0, newest_by_number(names_of({"tex323w.zip", "tex33w.zip"})));
}

TEST(newest_by_number, earliest_wins_among_equals) {
  EXPECT_EQ(0, newest_by_number(names_of({"a5.zip", "b5.zip"})));
  EXPECT_EQ(1, newest_by_number(names_of({"a4.zip", "b5.zip", "c5.zip", "d3.zip"})));
}

TEST(newest_by_number, names_without_digits_count_as_zero) {
  EXPECT_EQ(1, newest_by_number(names_of({"x.zip", "y1.zip"})));
  EXPECT_EQ(0, newest_by_number(names_of({"x.zip", "y.zip"})));
  EXPECT_EQ(0, newest_by_number(names_of({"x0.zip", "y.zip"})));
}

TEST(newest_by_number, empty_list_gives_zero) { EXPECT_EQ(0, newest_by_number(name_list())); }

TEST(name_number, only_the_first_run_of_digits_counts) {
  wklib::pattern_search digits("[0-9]+");
  EXPECT_EQ(48ul, name_number(digits, "gsv48w32.exe")) << "the 32 must be ignored";
  EXPECT_EQ(2006ul, name_number(digits, "texinst2006.zip"));
  EXPECT_EQ(0ul, name_number(digits, "readme.txt"));
  EXPECT_EQ(7ul, name_number(digits, "007.zip"));
  EXPECT_EQ(4294967295ul, name_number(digits, "v4294967295.zip"));
  EXPECT_EQ(4294967295ul, name_number(digits, "v99999999999999999999.zip"))
      << "a run beyond 32 bits must not wrap around to a small number";
  // The later, longer run would win if the first run wrapped.
  EXPECT_EQ(0, newest_by_number(names_of({"v99999999999.zip", "v5000000000.zip", "v4.zip"})));
}

TEST(match_forms, whole_needs_the_match_to_cover_the_name) {
  wklib::pattern_search gs("gs[0-9]*w32full\\.zip");
  EXPECT_TRUE(name_matches_whole(gs, "gs853w32full.zip"));
  EXPECT_FALSE(name_matches_whole(gs, "gs853w32full.zip.old")) << "trailing text";
  EXPECT_FALSE(name_matches_whole(gs, "old-gs853w32full.zip")) << "leading text";
  EXPECT_FALSE(name_matches_whole(gs, "gsview.zip"));
}

TEST(match_forms, found_needs_the_pattern_anywhere) {
  wklib::pattern_search gs("gs[0-9]*w32full\\.zip");
  EXPECT_TRUE(name_matches_found(gs, "gs853w32full.zip"));
  EXPECT_TRUE(name_matches_found(gs, "gs853w32full.zip.old"));
  EXPECT_TRUE(name_matches_found(gs, "old-gs853w32full.zip"));
  EXPECT_FALSE(name_matches_found(gs, "gsview.zip"));
}

TEST(match_forms, default_patterns_against_typical_listings) {
  wklib::pattern_search texinst("texinst[0-9]*\\.zip");
  wklib::pattern_search dviout("tex[0-9]*w\\.zip");
  wklib::pattern_search gsview("gsv[0-9]*w32\\.exe");
  EXPECT_TRUE(name_matches_found(texinst, "texinst2007.zip"));
  EXPECT_TRUE(name_matches_whole(dviout, "tex323w.zip"));
  EXPECT_FALSE(name_matches_whole(dviout, "texinst2007.zip"));
  EXPECT_TRUE(name_matches_whole(gsview, "gsv48w32.exe"));
  EXPECT_FALSE(name_matches_whole(gsview, "gsv48w32.exe.sig"));
}

}  // namespace

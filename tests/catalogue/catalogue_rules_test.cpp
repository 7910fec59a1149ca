// The states and ticks the catalogue derives from the mirror's and the saved
// copy's times, both in UTC.
#include <gtest/gtest.h>

#include "catalogue/catalogue_rules.h"

namespace {

const std::uint64_t hour = 36000000000ull;           // in 100 ns
const std::uint64_t change = 128781459000000000ull;  // a mirror's change, UTC

known_time at(std::uint64_t utc) { return {true, utc}; }
const known_time unknown;

// A W32TeX row's state and tick, and a tool's newest row's tick, from the same
// two times. A comparison taking the mirror's time as local time goes wrong for
// copies saved within the zone's offset of the change: those rows show where
// users east and west of UTC were misled.
TEST(catalogue_rules, states_and_ticks_from_the_two_times) {
  struct case_t {
    const char* what;
    known_time mirror, saved;
    w32tex_state state;
    const char* text;
    bool ticked, tool_ticked;
  } const cases[] = {
      {"saved just after the change", at(change), at(change + 1), state_newest, "最新", false, false},
      {"saved 1 h after (Tokyo, +9 h: was お古 / fetched again)", at(change), at(change + hour),
       state_newest, "最新", false, false},
      {"same time", at(change), at(change), state_old, "お古", true, false},
      {"saved just before the change", at(change), at(change - 1), state_old, "お古", true, true},
      {"saved 1 h before (New York, -5 h: was 最新 / kept)", at(change), at(change - hour), state_old,
       "お古", true, true},
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

}  // namespace

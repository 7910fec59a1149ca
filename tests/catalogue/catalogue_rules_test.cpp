// The states and ticks the catalogue derives from the mirror's and the saved
// copy's times, both in UTC.
#include <gtest/gtest.h>

#include "catalogue/catalogue_rules.h"

namespace {

const std::uint64_t hour = 36000000000ull;  // in 100 ns
const std::uint64_t change = 128781459000000000ull;  // a mirror's change, UTC

known_time at(std::uint64_t utc) {
  known_time t;
  t.known = true;
  t.utc = utc;
  return t;
}
const known_time unknown;

TEST(decide_w32tex_state, table) {
  // The old comparison took the mirror's time in local time: the rows saved within
  // the zone offset of the change show where east and west users went wrong.
  struct case_t {
    const char* what;
    known_time mirror, saved;
    w32tex_state state;
    const char* text;
    bool ticked;
  } const cases[] = {
      {"saved after the change", at(change), at(change + 1), state_newest, "最新", false},
      {"saved 1 h after the change (Tokyo, +9 h: was お古)", at(change), at(change + hour),
       state_newest, "最新", false},
      {"same time", at(change), at(change), state_old, "お古", true},
      {"saved 1 h before the change (New York, -5 h: was 最新)", at(change),
       at(change - hour), state_old, "お古", true},
      {"nothing saved", at(change), unknown, state_missing, "無い", true},
      {"no time from the mirror", unknown, at(change), state_error, "エラー", false},
      {"no time, nothing saved", unknown, unknown, state_error, "エラー", false},
  };
  for (const case_t& c : cases) {
    const w32tex_state got = decide_w32tex_state(c.mirror, c.saved);
    EXPECT_EQ(c.state, got) << c.what;
    EXPECT_STREQ(c.text, w32tex_state_text(got)) << c.what;
    EXPECT_EQ(c.ticked, w32tex_state_ticked(got)) << c.what;
  }
}

TEST(decide_tool_tick, table) {
  struct case_t {
    const char* what;
    known_time mirror, saved;
    bool ticked;
  } const cases[] = {
      {"mirror newer", at(change), at(change - 1), true},
      {"saved 1 h before the change (west of UTC: was kept)", at(change), at(change - hour),
       true},
      {"same time", at(change), at(change), false},
      {"saved 1 h after the change (east of UTC: was fetched again)", at(change),
       at(change + hour), false},
      {"nothing saved", at(change), unknown, true},
      {"no time from the mirror", unknown, at(change), true},
  };
  for (const case_t& c : cases) EXPECT_EQ(c.ticked, decide_tool_tick(c.mirror, c.saved)) << c.what;
}

TEST(size_text, decimal_unsigned) {
  EXPECT_STREQ("0", size_text(0).c_str());
  EXPECT_STREQ("4294967295", size_text(0xFFFFFFFFu).c_str());
}

}  // namespace

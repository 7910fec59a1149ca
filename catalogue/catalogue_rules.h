// What the catalogue decides from the times it learns: the state and tick of a
// W32TeX row and the tick of a tool's newest row. Times are file times (100 ns
// since 1601) in UTC on both sides: the mirror's as the server sent it, the
// saved copy's as the file system keeps it. Comparing a local time with a UTC
// one would shift the mirror's time by the zone's offset: east of UTC a fresh
// copy would be fetched again, west of UTC a stale one would be kept.
#pragma once

#include <cstdint>

#include "support/string.h"

// A time that may be unknown.
struct known_time {
  bool known = false;
  std::uint64_t utc = 0;
};

enum w32tex_state : int {
  state_newest = 0,   // "最新": the saved copy is newer than the mirror's
  state_old = 1,      // "お古": the saved copy is not newer
  state_missing = 2,  // "無い": nothing saved
  state_error = 3,    // "エラー": the mirror gave no time
};

// The row text of each state.
const char* w32tex_state_text(w32tex_state state);
// Old and missing archives are fetched.
bool w32tex_state_ticked(w32tex_state state);

w32tex_state decide_w32tex_state(const known_time& mirror, const known_time& saved);

// The newest tool archive is ticked unless a saved copy is shown to be at least as
// new as the mirror's (`saved` unknown: nothing saved).
bool decide_tool_tick(const known_time& mirror, const known_time& saved);

// A size as the list's decimal text.
wklib::string size_text(std::uint32_t size);

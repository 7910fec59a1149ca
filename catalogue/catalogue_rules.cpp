#include "catalogue/catalogue_rules.h"

#include <cstdio>

const char* w32tex_state_text(w32tex_state state) {
  switch (state) {
    case state_newest:
      return "最新";
    case state_old:
      return "お古";
    case state_missing:
      return "無い";
    case state_error:
      break;
  }
  return "エラー";
}

bool w32tex_state_ticked(w32tex_state state) {
  return state == state_old || state == state_missing;
}

w32tex_state decide_w32tex_state(const known_time& mirror, const known_time& saved) {
  if (!mirror.known) return state_error;
  if (!saved.known) return state_missing;
  return saved.utc > mirror.utc ? state_newest : state_old;
}

bool decide_tool_tick(const known_time& mirror, const known_time& saved) {
  if (!saved.known || !mirror.known) return true;
  return mirror.utc > saved.utc;
}

wklib::string size_text(std::uint32_t size) {
  char text[16];
  std::snprintf(text, sizeof text, "%lu", static_cast<unsigned long>(size));
  return text;
}

#include "catalogue/newest.h"

#include <cstdint>

bool name_matches_found(wklib::pattern_search& pattern, const wklib::string& name) {
  return pattern.search(name);
}

bool name_matches_whole(wklib::pattern_search& pattern, const wklib::string& name) {
  return pattern.search(name) && pattern.submatch_pos(0) == 0 &&
         pattern.submatch(-1).length() == name.length();
}

unsigned long name_number(wklib::pattern_search& digits, const wklib::string& name) {
  if (!digits.search(name)) return 0;
  const wklib::string run = digits.submatch(-1);
  std::uint64_t value = 0;
  for (int i = 0; i < run.length(); ++i) {
    value = value * 10 + static_cast<unsigned>(run[i] - '0');
    if (value > 0xFFFFFFFFu) return 0xFFFFFFFFul;
  }
  return static_cast<unsigned long>(value);
}

int newest_by_number(const name_list& names) {
  if (names.empty()) return 0;
  wklib::pattern_search digits;
  digits.set_pattern("[0-9]+");
  int newest = 0;
  unsigned long greatest = 0;
  for (int i = 0; i < static_cast<int>(names.size()); ++i) {
    const unsigned long value = name_number(digits, names[i]);
    if (i == 0 || value > greatest) {
      newest = i;
      greatest = value;
    }
  }
  return newest;
}

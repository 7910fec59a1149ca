#include "download/download_progress.h"

#include <cstdio>

wklib::string current_file_name(const wklib::string& url) {
  return url.substr(url.rfind("/") + 1);
}

wklib::string download_caption(int n, int count) {
  char numbers[48];
  std::snprintf(numbers, sizeof numbers, "( %d / %d )", n, count);
  return wklib::string("ファイルのダウンロード中   ") + numbers;
}

int progress_position(std::uint32_t bytes, std::uint32_t expected) {
  if (expected == 0) return 0;
  const double position = static_cast<double>(bytes) / expected * progress_range;
  // A position past what an int holds would wrap; the bar is full long before.
  return position >= 2147483647.0 ? 2147483647 : static_cast<int>(position);
}

wklib::string progress_status(const wklib::string& name, std::uint32_t bytes,
                              std::uint32_t expected) {
  char numbers[48];
  std::snprintf(numbers, sizeof numbers, " : %lu/%lu", static_cast<unsigned long>(bytes),
                static_cast<unsigned long>(expected));
  return name + numbers;
}

#include "system/path_text.h"

#include <cstdio>

std::vector<wklib::string> split_text(const wklib::string& text, char separator) {
  std::vector<wklib::string> pieces;
  if (separator == '\0') {
    pieces.push_back(text);
    return pieces;
  }
  const char needle[2] = {separator, '\0'};
  int start = 0;
  for (;;) {
    int found = text.find(needle, start);
    if (found < 0) break;
    pieces.push_back(text.substr(start, found - start));
    start = found + 1;
  }
  pieces.push_back(text.substr(start));
  return pieces;
}

namespace {

bool is_drive(const wklib::string& piece) { return piece.length() == 2 && piece[1] == ':'; }

}  // namespace

wklib::string normalize_path(const wklib::string& path) {
  std::vector<wklib::string> kept;
  for (const wklib::string& piece : split_text(path, '\\')) {
    if (piece.empty() || piece == ".") continue;
    if (piece == "..") {
      // ".." takes back a name before it, but not another ".." (..\..\x keeps
      // both), and a drive has no parent (c:\..\x is c:\x).
      if (kept.empty() || kept.back() == "..") {
        kept.push_back(piece);
      } else if (!(kept.size() == 1 && is_drive(kept.back()))) {
        kept.pop_back();
      }
      continue;
    }
    kept.push_back(piece);
  }
  wklib::string joined;
  for (size_t i = 0; i < kept.size(); ++i) {
    if (i) joined += '\\';
    joined += kept[i];
  }
  return joined;
}

bool same_path(const wklib::string& first, const wklib::string& second) {
  if (first.empty() || second.empty()) return false;
  wklib::string a = normalize_path(first);
  wklib::string b = normalize_path(second);
  // lower() is CharLowerBuffA over the whole text.
  return a.lower() == b.lower();
}

bool ends_with_backslash(const wklib::string& path) {
  return path.back() == '\\' && !wklib::is_trail_position(path.c_str(), path.length() - 1);
}

wklib::string int_to_text(int value) {
  char text[16];
  std::snprintf(text, sizeof text, "%d", value);
  return wklib::string(text);
}

#include "install/env_text.h"

#include "support/pattern_search.h"

wklib::string autoexec_path(const wklib::string& windir) {
  // The drive letter is one byte; a windir without one has no drive to name.
  if (windir.empty() || windir.length() < 2 || windir[1] != ':') return wklib::string();
  return wklib::string(windir[0]) + ":\\autoexec.bat";
}

int remove_set_lines(const wklib::string& text, const char* name, wklib::string& kept) {
  wklib::pattern_search finder;
  // The option comes first so that the pattern is lowered along with the lines.
  finder.set_option("CaseSense", 0);
  finder.set_pattern((wklib::string(" *set *") + name + " *=").c_str());
  kept.clear();
  int dropped = 0;
  int start = 0;
  while (start < text.length()) {
    // A line feed is never the second byte of a character, so find() cannot miss one.
    int end = text.find("\n", start);
    end = end < 0 ? text.length() : end + 1;
    wklib::string line = text.substr(start, end - start);
    if (finder.valid() && finder.search(line) && finder.submatch_pos(0) == 0) {
      ++dropped;
    } else {
      kept += line;
    }
    start = end;
  }
  return dropped;
}

wklib::string path_value_with(const wklib::string& value, const wklib::string& directory) {
  wklib::string result = value;
  if (!result.empty() && result.back() != ';') result += ';';
  result += directory;
  result += ';';
  return result;
}

wklib::string autoexec_path_line(const std::vector<wklib::string>& directories) {
  wklib::string line("set PATH=\"%PATH%\"");
  for (const wklib::string& directory : directories) {
    line += ';';
    line += directory;
  }
  return line;
}

wklib::string joined(const std::vector<wklib::string>& pieces, const char* separator) {
  wklib::string result;
  for (size_t i = 0; i < pieces.size(); ++i) {
    if (i) result += separator;
    result += pieces[i];
  }
  return result;
}

#include "catalogue/info_file.h"

#include <cstdio>
#include <cstring>

#include "support/pattern_search.h"

namespace {

struct reader_rules {
  int line_limit;          // bytes per read, line end included
  const char* start_line;  // null: from the first line
  const char* end_line;
};

const reader_rules online_rules = {4095, "char *fname[] = {\n", "};\n"};
const reader_rules offline_rules = {4094, nullptr, "}\n"};

// Reads one line (or a piece of one, at most `limit` bytes) as text mode would
// give it on Windows: a CR before the line feed is dropped, so that the same file
// reads the same in the native build.
bool read_line(std::FILE* file, char* buffer, int limit) {
  if (!std::fgets(buffer, limit + 1, file)) return false;
  const size_t length = std::strlen(buffer);
  if (length >= 2 && buffer[length - 2] == '\r' && buffer[length - 1] == '\n') {
    buffer[length - 2] = '\n';
    buffer[length - 1] = '\0';
  }
  return true;
}

}  // namespace

wklib::string info_unpack_dir(const wklib::string& save_dir) { return save_dir + "texinst\\"; }

wklib::string info_file_path(const wklib::string& save_dir, const wklib::string& archive_name) {
  const int dot = archive_name.rfind(".");
  const wklib::string base = dot < 0 ? archive_name : archive_name.substr(0, dot);
  return info_unpack_dir(save_dir) + base + ".c";
}

bool read_info_file(const wklib::string& path, info_variant variant, const name_list& available,
                    name_list& info_names) {
  std::FILE* file = std::fopen(path.c_str(), "r");
  if (!file) return false;
  const reader_rules& rules = variant == info_online ? online_rules : offline_rules;
  char line[4096];
  bool started = rules.start_line == nullptr;
  wklib::pattern_search quoted("\"\\f.*?\\f\"");
  while (read_line(file, line, rules.line_limit)) {
    if (!started) {
      started = std::strcmp(line, rules.start_line) == 0;
      continue;
    }
    if (std::strcmp(line, rules.end_line) == 0) break;
    if (!quoted.search(line)) continue;
    wklib::string name = quoted.submatch(1);
    // An empty quoted text names no archive (and would match an empty entry).
    if (name.empty()) continue;
    wklib::string lowered = name;
    lowered.lower();
    if (lowered.find("otfdevel") >= 0) continue;
    const wklib::string& wanted = variant == info_online ? name : lowered;
    for (const wklib::string& candidate : available) {
      if (candidate == wanted) {
        info_names.push_back(candidate);
        break;
      }
    }
  }
  std::fclose(file);
  return true;
}

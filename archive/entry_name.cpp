#include "archive/entry_name.h"

#include <cstring>

#include "support/cp932.h"

namespace {

bool is_trail_byte(unsigned char c) { return c >= 0x40 && c <= 0xfc && c != 0x7f; }

char upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// CON, PRN, AUX, NUL, COM1-9, LPT1-9, CONIN$, CONOUT$ open devices wherever they
// stand in a path, with any extension and trailing spaces.
bool is_device_name(const char* component, int length) {
  int base = 0;
  while (base < length && component[base] != '.') ++base;
  while (base > 0 && component[base - 1] == ' ') --base;
  char name[8];
  if (base < 3 || base > 7) return false;
  for (int i = 0; i < base; ++i) name[i] = upper(component[i]);
  name[base] = '\0';
  static const char* const devices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
  for (const char* device : devices) {
    if (std::strcmp(name, device) == 0) return true;
  }
  return base == 4 && (std::strncmp(name, "COM", 3) == 0 || std::strncmp(name, "LPT", 3) == 0) &&
         name[3] >= '1' && name[3] <= '9';
}

bool is_refused_component(const char* component, int length) {
  int dots = 0;
  bool only_dots_and_spaces = true;
  for (int i = 0; i < length; ++i) {
    if (component[i] == '.') {
      ++dots;
    } else if (component[i] != ' ') {
      only_dots_and_spaces = false;
    }
  }
  // ".." and what Windows trims to it (".. ", "...").
  if (only_dots_and_spaces && dots >= 2) return true;
  return is_device_name(component, length);
}

}  // namespace

entry_kind classify_entry_name(wklib::string& name) {
  name.replace_all("/", "\\");
  const char* text = name.c_str();
  const int length = name.length();
  if (length == 0 || text[0] == '\\') return entry_refused;
  int start = 0;  // of the current component
  bool ends_with_separator = false;
  for (int i = 0; i < length;) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    ends_with_separator = false;
    if (wklib::cp932_is_lead_byte(c)) {
      if (i + 1 >= length || !is_trail_byte(static_cast<unsigned char>(text[i + 1])))
        return entry_refused;
      i += 2;
      continue;
    }
    if (c == ':' || c < 0x20) return entry_refused;
    if (c == '\\') {
      if (is_refused_component(text + start, i - start)) return entry_refused;
      start = i + 1;
      ends_with_separator = true;
    }
    ++i;
  }
  if (is_refused_component(text + start, length - start)) return entry_refused;
  return ends_with_separator ? entry_directory : entry_file;
}

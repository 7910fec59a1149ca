// Code page 932 rules as Windows applies them: which bytes lead a double-byte
// character, and which letters CharLowerBuffA lowers. Portable, so the native
// build can stand in for Windows; the Windows tests check it against the system.
#include "support/cp932.h"

namespace wklib {

bool cp932_is_lead_byte(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

namespace {

// Double-byte capitals that Windows lowers under code page 932: the full-width
// Latin, Greek and Cyrillic letters. `first`..`last` map onto `lower_first`.. .
struct dbcs_range {
  unsigned short first;
  unsigned short last;
  unsigned short lower_first;
};
const dbcs_range dbcs_ranges[] = {
    {0x8260, 0x8279, 0x8281},  // Ａ-Ｚ -> ａ-ｚ
    {0x839F, 0x83B6, 0x83BF},  // Α-Ω -> α-ω
    {0x8440, 0x844E, 0x8470},  // А-Н -> а-н (trail 0x7F is unused, hence the split)
    {0x844F, 0x8460, 0x8480},  // О-Я -> о-я
};

unsigned short lower_dbcs(unsigned short c) {
  for (const dbcs_range& r : dbcs_ranges)
    if (c >= r.first && c <= r.last)
      return static_cast<unsigned short>(r.lower_first + (c - r.first));
  return c;
}

}  // namespace

void cp932_lower(char* text, int length) {
  unsigned char* t = reinterpret_cast<unsigned char*>(text);
  for (int i = 0; i < length; ++i) {
    if (cp932_is_lead_byte(t[i]) && i + 1 < length && t[i + 1] != 0) {
      unsigned short c = lower_dbcs(static_cast<unsigned short>(t[i] << 8 | t[i + 1]));
      t[i] = static_cast<unsigned char>(c >> 8);
      t[i + 1] = static_cast<unsigned char>(c & 0xFF);
      ++i;
    } else if (t[i] >= 'A' && t[i] <= 'Z') {
      t[i] = static_cast<unsigned char>(t[i] + ('a' - 'A'));
    }
  }
}

}  // namespace wklib

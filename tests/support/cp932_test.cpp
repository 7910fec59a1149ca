// The native build stands in for Windows with written-out code page 932 rules;
// here, under the Japanese locale, every byte and every double-byte character is
// checked against what the system itself answers.
#include <windows.h>

#include <gtest/gtest.h>

#include "support/cp932.h"

TEST(cp932, the_process_runs_under_code_page_932) {
  EXPECT_EQ(932u, GetACP()) << "run under LANG=ja_JP.UTF-8";
}

TEST(cp932, lead_bytes_match_the_system) {
  for (int c = 0; c < 256; ++c) {
    EXPECT_EQ(IsDBCSLeadByte(static_cast<BYTE>(c)) != FALSE,
              wklib::cp932_is_lead_byte(static_cast<unsigned char>(c)))
        << "byte " << std::hex << c;
  }
}

TEST(cp932, lowering_matches_CharLowerBuffA_for_every_character) {
  int checked = 0;
  for (int c = 1; c < 256; ++c) {
    if (IsDBCSLeadByte(static_cast<BYTE>(c))) continue;
    char system[2] = {static_cast<char>(c), 0}, ours[2] = {static_cast<char>(c), 0};
    CharLowerBuffA(system, 1);
    wklib::cp932_lower(ours, 1);
    EXPECT_EQ(static_cast<unsigned char>(system[0]), static_cast<unsigned char>(ours[0]))
        << "single byte " << std::hex << c;
    ++checked;
  }
  // Double-byte characters of the JIS X 0208 rows. The system converts through
  // Unicode: a code with no character comes back as the default character "・"
  // (0x8145), which the written-out rules need not imitate, so those are left out.
  for (int lead = 0x81; lead <= 0xEA; ++lead) {
    if (lead >= 0x85 && lead <= 0x87) continue;  // rows 9-15: vendor extensions
    if (lead >= 0xA0 && lead <= 0xDF) continue;  // single-byte katakana, no lead bytes
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      if (trail == 0x7F) continue;
      char system[3] = {static_cast<char>(lead), static_cast<char>(trail), 0};
      char ours[3] = {static_cast<char>(lead), static_cast<char>(trail), 0};
      CharLowerBuffA(system, 2);
      unsigned expected =
          static_cast<unsigned char>(system[0]) << 8 | static_cast<unsigned char>(system[1]);
      if (expected == 0x8145 && (lead << 8 | trail) != 0x8145) continue;
      wklib::cp932_lower(ours, 2);
      unsigned got = static_cast<unsigned char>(ours[0]) << 8 | static_cast<unsigned char>(ours[1]);
      EXPECT_EQ(expected, got) << "character " << std::hex << (lead << 8 | trail);
      ++checked;
    }
  }
  EXPECT_GT(checked, 7000) << "expected the assigned characters of JIS X 0208 to be compared";
}

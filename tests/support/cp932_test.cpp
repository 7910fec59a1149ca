// The native build stands in for Windows with written-out code page 932 rules;
// here, under the Japanese locale, every byte and every double-byte character is
// checked against what the system itself answers.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "support/cp932.h"

TEST(cp932, lead_bytes_and_lowering_match_the_system) {
  ASSERT_EQ(932u, GetACP()) << "run under LANG=ja_JP.UTF-8";
  int checked = 0;
  for (int c = 0; c < 256; ++c) {
    const bool lead = IsDBCSLeadByte(static_cast<BYTE>(c)) != FALSE;
    EXPECT_EQ(lead, wklib::cp932_is_lead_byte(static_cast<unsigned char>(c)))
        << "byte " << std::hex << c;
    char system[2] = {static_cast<char>(c), 0}, ours[2] = {static_cast<char>(c), 0};
    if (lead || c == 0) continue;
    CharLowerBuffA(system, 1);
    wklib::cp932_lower(ours, 1);
    EXPECT_EQ(system[0], ours[0]) << "single byte " << std::hex << c;
  }
  // Double-byte characters of the JIS X 0208 rows. The system converts through
  // Unicode: a code with no character comes back as the default character "・"
  // (0x8145), which the written-out rules need not imitate, so those are left out.
  for (int lead = 0x81; lead <= 0xEA; ++lead) {
    if ((lead >= 0x85 && lead <= 0x87) || (lead >= 0xA0 && lead <= 0xDF))
      continue;  // vendor rows; kana
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      char system[3] = {static_cast<char>(lead), static_cast<char>(trail), 0};
      char ours[3] = {static_cast<char>(lead), static_cast<char>(trail), 0};
      CharLowerBuffA(system, 2);
      if (trail == 0x7F ||
          (system[0] == '\x81' && system[1] == '\x45' && (lead << 8 | trail) != 0x8145))
        continue;
      wklib::cp932_lower(ours, 2);
      EXPECT_EQ(std::string(system, 2), std::string(ours, 2))
          << "character " << std::hex << (lead << 8 | trail);
      ++checked;
    }
  }
  EXPECT_GT(checked, 6800) << "expected the 6879 characters of JIS X 0208 to be compared";
}

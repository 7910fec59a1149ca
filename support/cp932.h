// Code page 932 (Shift_JIS) rules of Windows, written out for the portable core.
#pragma once

namespace wklib {

bool cp932_is_lead_byte(unsigned char c);
// Lowers `length` bytes in place as CharLowerBuffA does under code page 932:
// ASCII and the full-width Latin, Greek and Cyrillic capitals.
void cp932_lower(char* text, int length);

}  // namespace wklib

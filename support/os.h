// The few services of the operating system that the portable string class needs.
// os_win32.cpp asks Windows; os_native.cpp answers as Windows does under code page 932,
// so that the portable core behaves the same in the native build.
#pragma once

namespace wklib {

// True for a lead byte of a double-byte character in the ANSI code page.
bool os_is_lead_byte(unsigned char c);
// Lowers `length` bytes in place with the ANSI code page's lower-case rules.
void os_lower_ansi(char* text, int length);

}  // namespace wklib

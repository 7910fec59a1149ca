#include <windows.h>

#include "support/os.h"

namespace wklib {

bool os_is_lead_byte(unsigned char c) { return IsDBCSLeadByte(c) != FALSE; }

void os_lower_ansi(char* text, int length) {
  if (length > 0) CharLowerBuffA(text, static_cast<DWORD>(length));
}

}  // namespace wklib

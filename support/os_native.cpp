// Native side of the seam: the code page 932 rules written out, standing in for Windows.
#include "support/cp932.h"
#include "support/os.h"

namespace wklib {

bool os_is_lead_byte(unsigned char c) { return cp932_is_lead_byte(c); }

void os_lower_ansi(char* text, int length) { cp932_lower(text, length); }

}  // namespace wklib

// The program's message box: five fixed button layouts and one small set of
// answers, so callers never deal with the system's button identifiers.
#pragma once

#include <windows.h>

namespace wklib {

enum message_box_kind {
  box_ok = 0,
  box_ok_cancel = 1,
  box_retry_cancel = 2,
  box_yes_no = 3,
  box_yes_no_cancel = 4,
};

enum message_box_answer {
  answer_ok = 0,
  answer_yes = 1,
  answer_no = 2,
  answer_cancel = 3,
  answer_other = 4,  // Retry, any other button, or no box at all
};

// Shows `text` under `caption` owned by `owner` (may be null) and answers one of
// message_box_answer. A kind outside 0-4 shows nothing and answers answer_other.
int message_box(HWND owner, const char* text, const char* caption, int kind);

}  // namespace wklib

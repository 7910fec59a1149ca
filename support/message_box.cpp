#include "support/message_box.h"

namespace wklib {

int message_box(HWND owner, const char* text, const char* caption, int kind) {
  static const UINT styles[] = {MB_OK, MB_OKCANCEL, MB_RETRYCANCEL, MB_YESNO, MB_YESNOCANCEL};
  if (kind < box_ok || kind > box_yes_no_cancel) return answer_other;
  switch (MessageBoxA(owner, text ? text : "", caption, styles[kind])) {
    case IDOK:
      return answer_ok;
    case IDYES:
      return answer_yes;
    case IDNO:
      return answer_no;
    case IDCANCEL:
      return answer_cancel;
    default:
      return answer_other;
  }
}

}  // namespace wklib

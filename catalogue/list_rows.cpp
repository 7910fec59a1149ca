#include "catalogue/list_rows.h"

#include <commctrl.h>

void list_insert_columns(HWND list, const std::vector<list_column>& columns) {
  for (int i = 0; i < static_cast<int>(columns.size()); ++i) {
    LVCOLUMNA column = {};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = LVCFMT_LEFT;
    column.cx = columns[i].width;
    column.pszText = const_cast<char*>(columns[i].title);
    column.iSubItem = i;
    SendMessageA(list, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
  }
  SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_CHECKBOXES, LVS_EX_CHECKBOXES);
}

void list_append_row(HWND list, const std::vector<wklib::string>& texts, bool ticked) {
  if (texts.empty()) return;
  LVITEMA item = {};
  item.mask = LVIF_TEXT;
  item.iItem = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
  item.pszText = const_cast<char*>(texts[0].c_str());
  const int row = static_cast<int>(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
  if (row < 0) return;
  for (int i = 1; i < static_cast<int>(texts.size()); ++i) {
    LVITEMA sub = {};
    sub.iSubItem = i;
    sub.pszText = const_cast<char*>(texts[i].c_str());
    SendMessageA(list, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&sub));
  }
  list_set_ticked(list, row, ticked);
}

void list_set_ticked(HWND list, int row, bool ticked) {
  LVITEMA item = {};
  item.stateMask = LVIS_STATEIMAGEMASK;
  item.state = INDEXTOSTATEIMAGEMASK(ticked ? 2 : 1);
  SendMessageA(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
}

bool list_is_ticked(HWND list, int row) {
  const LRESULT state = SendMessageA(list, LVM_GETITEMSTATE, row, LVIS_STATEIMAGEMASK);
  return ((state & LVIS_STATEIMAGEMASK) >> 12) == 2;
}

void list_clear(HWND list) { SendMessageA(list, LVM_DELETEALLITEMS, 0, 0); }

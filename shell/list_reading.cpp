#include "shell/list_reading.h"

#include <commctrl.h>

int row_count(HWND list) { return static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)); }

list_row read_row(HWND list, int row) {
  HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
  int columns = static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0));
  list_row texts;
  for (int column = 0; column < columns; ++column) {
    char buffer[4096] = "";
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = buffer;
    item.cchTextMax = sizeof buffer;
    SendMessageA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
    texts.push_back(wklib::string(buffer));
  }
  return texts;
}

std::vector<list_row> read_rows(HWND list) {
  std::vector<list_row> rows;
  int count = row_count(list);
  for (int row = 0; row < count; ++row) rows.push_back(read_row(list, row));
  return rows;
}

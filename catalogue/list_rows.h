// Rows of the report lists with check boxes (page 103 and the advanced dialog):
// columns, rows of texts, and their ticks (state image 2 ticked, 1 not). Every
// call is one sent message per change, so a worker thread may use them on the
// page's lists.
#pragma once

#include <windows.h>

#include <vector>

#include "support/string.h"

struct list_column {
  const char* title;
  int width;
};

// Left-aligned columns, column i as sub-item i, and check boxes on.
void list_insert_columns(HWND list, const std::vector<list_column>& columns);
// A new last row: the first text makes the item, the others its sub-items.
void list_append_row(HWND list, const std::vector<wklib::string>& texts, bool ticked);
void list_set_ticked(HWND list, int row, bool ticked);
bool list_is_ticked(HWND list, int row);
void list_clear(HWND list);

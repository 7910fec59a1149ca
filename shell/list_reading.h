// Reading back the rows of a report list: the advanced dialog gets a copy of
// the page's W32TeX rows, and Next turns the ticked rows into downloads.
#pragma once

#include <windows.h>

#include <vector>

#include "support/string.h"

using list_row = std::vector<wklib::string>;

int row_count(HWND list);
// The texts of row `row`, one per column of the list's header (each up to 4095 bytes).
list_row read_row(HWND list, int row);
std::vector<list_row> read_rows(HWND list);

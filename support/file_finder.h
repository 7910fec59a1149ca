// wklib::file_finder: lists the entries of a directory that match a wildcard
// pattern, without "." and "..". file_size: the size of a file on disk.
#pragma once

#include <windows.h>

namespace wklib {

class file_finder {
 public:
  file_finder();
  ~file_finder();

  // Opens a search for `pattern` (a path with wildcards) and keeps its first
  // entry for find_next. False when a search is already open (it is left alone)
  // or when nothing but "." and ".." matches (no search stays open).
  bool find_first(const char* pattern);
  // Copies the next entry into `record`: the one find_first kept, then the rest.
  // False when the entries are exhausted or no search is open.
  bool find_next(WIN32_FIND_DATAA& record);
  // Ends an open search; afterwards find_first can start another.
  void close();
  bool is_open() const { return handle_ != INVALID_HANDLE_VALUE; }

 private:
  file_finder(const file_finder&) = delete;
  file_finder& operator=(const file_finder&) = delete;

  HANDLE handle_;
  bool pending_;
  WIN32_FIND_DATAA record_;
};

// The size in bytes (low 32 bits) of an existing file that can be opened for
// shared reading; 0 when it cannot be opened.
DWORD file_size(const char* path);

}  // namespace wklib

#include "support/file_finder.h"

#include <cstring>

namespace wklib {

namespace {

bool is_dot_entry(const WIN32_FIND_DATAA& record) {
  return std::strcmp(record.cFileName, ".") == 0 || std::strcmp(record.cFileName, "..") == 0;
}

}  // namespace

file_finder::file_finder() : handle_(INVALID_HANDLE_VALUE), pending_(false), record_() {}

file_finder::~file_finder() { close(); }

bool file_finder::find_first(const char* pattern) {
  if (is_open() || !pattern) return false;
  handle_ = FindFirstFileA(pattern, &record_);
  if (handle_ == INVALID_HANDLE_VALUE) return false;
  while (is_dot_entry(record_)) {
    if (!FindNextFileA(handle_, &record_)) {
      close();
      return false;
    }
  }
  pending_ = true;
  return true;
}

bool file_finder::find_next(WIN32_FIND_DATAA& record) {
  if (!is_open()) return false;
  if (pending_) {
    pending_ = false;
    record = record_;
    return true;
  }
  do {
    if (!FindNextFileA(handle_, &record_)) return false;
  } while (is_dot_entry(record_));
  record = record_;
  return true;
}

void file_finder::close() {
  if (is_open()) FindClose(handle_);
  handle_ = INVALID_HANDLE_VALUE;
  pending_ = false;
}

DWORD file_size(const char* path) {
  if (!path) return 0;
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 0;
  DWORD size = GetFileSize(file, nullptr);
  CloseHandle(file);
  return size == INVALID_FILE_SIZE ? 0 : size;
}

}  // namespace wklib

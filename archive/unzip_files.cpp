#include "archive/unzip_files.h"

#include "archive/unzip.h"
#include "system/file_system.h"

namespace {

// Written before any extraction starts, then only read.
unzip_log_function g_log = nullptr;

}  // namespace

void set_unzip_log(unzip_log_function log) { g_log = log; }

unzip_file_target::~unzip_file_target() {
  if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
}

bool unzip_file_target::make_directories(const wklib::string& path) {
  return create_directory_chain(path);
}

bool unzip_file_target::create_file(const wklib::string& path) {
  // Read and write access, no sharing, always made anew: a file of that name is replaced.
  file_ = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                      FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file_ == INVALID_HANDLE_VALUE) return false;
  path_ = path;
  return true;
}

bool unzip_file_target::write(const char* data, int size) {
  while (size > 0) {
    DWORD written = 0;
    if (!WriteFile(file_, data, static_cast<DWORD>(size), &written, nullptr) || written == 0)
      return false;
    data += written;
    size -= static_cast<int>(written);
  }
  return true;
}

bool unzip_file_target::close_file(bool keep) {
  if (file_ == INVALID_HANDLE_VALUE) return false;
  bool ok = FlushFileBuffers(file_) != FALSE;
  ok = CloseHandle(file_) != FALSE && ok;
  file_ = INVALID_HANDLE_VALUE;
  if (!keep) DeleteFileA(path_.c_str());
  return ok;
}

void unzip_file_target::log(const wklib::string& line) {
  if (g_log) g_log(line);
}

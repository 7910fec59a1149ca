// The target of the extraction loop that writes real files with the Win32 file
// functions, and the log hook both routines share.
#pragma once

#include <windows.h>

#include "archive/unzip_loop.h"

class unzip_file_target : public unzip_target {
 public:
  ~unzip_file_target() override;
  bool make_directories(const wklib::string& path) override;
  bool create_file(const wklib::string& path) override;
  bool write(const char* data, int size) override;
  bool close_file(bool keep) override;
  void log(const wklib::string& line) override;

 private:
  HANDLE file_ = INVALID_HANDLE_VALUE;
  wklib::string path_;
};

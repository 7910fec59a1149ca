// The named mutex that keeps a second copy of the program from running. The
// handle stays open until the process ends, so the name stays taken for the run.
#pragma once

#include <windows.h>

#include "support/string.h"

class single_instance {
 public:
  enum result { acquired, already_running, failed };

  explicit single_instance(const char* name) : name_(name) {}
  single_instance(const single_instance&) = delete;
  single_instance& operator=(const single_instance&) = delete;

  result acquire();
  // Gives the mutex up; the handle is left open on purpose.
  void release();

 private:
  wklib::string name_;
  HANDLE mutex_ = nullptr;
};

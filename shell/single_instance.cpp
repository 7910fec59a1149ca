#include "shell/single_instance.h"

single_instance::result single_instance::acquire() {
  HANDLE mutex = CreateMutexA(nullptr, FALSE, name_.c_str());
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    if (mutex) CloseHandle(mutex);
    return already_running;
  }
  if (!mutex) return failed;
  mutex_ = mutex;
  return acquired;
}

void single_instance::release() {
  if (mutex_) ReleaseMutex(mutex_);
}

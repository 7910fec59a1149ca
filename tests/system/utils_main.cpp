// The test program's entry point. Started with --is-nt-family it only answers
// is_nt_family() through its exit code (2 true, 1 false), so that a test can ask
// a process that Wine presents as Windows 98.
#include <gtest/gtest.h>

#include <cstring>

#include "system/system_info.h"

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--is-nt-family") == 0) return is_nt_family() ? 2 : 1;
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

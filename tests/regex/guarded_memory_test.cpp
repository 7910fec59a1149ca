// The guarded memory: its reports of misuse, with the caller's source and line.
#include "regex/guarded_memory.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/regex/szrex_test_util.h"

namespace {

// The reports since the last call, one a line.
std::string reports() {
  std::string all;
  for (const std::string& r : caught_reports::all()) all += r + "\n";
  caught_reports::all().clear();
  return all;
}

class guarded_memory_blocks : public ::testing::Test {
  caught_reports caught_;
};

const std::string fatal = "SzRex.dllでの内部エラー、死にます|";

TEST_F(guarded_memory_blocks, FixedBlocks) {
  char* block = static_cast<char*>(SzRexMemAlloc(SzRexMemFixed | SzRexMemZeroInit, 64, "Match", 1));
  ASSERT_NE(nullptr, block);
  EXPECT_EQ(std::string(64, '\0'), std::string(block, 64)) << "zero-initialised";
  std::memset(block, 0x5A, 64);
  SzRexMemFree(block, "Match", 2);
  EXPECT_EQ("", reports()) << "an intact block is freed silently";
  block = static_cast<char*>(SzRexMemAlloc(SzRexMemFixed, 10, "Compile", 12));
  ASSERT_NE(nullptr, block);
  std::memcpy(block, "abc\tdef hi", 10);
  block[10] = 'X';  // one byte past the requested size: the first byte of the guard
  SzRexMemFree(block, "Compile", 34);
  ASSERT_EQ(1u, caught_reports::all().size()) << reports();
  const std::string overrun = fatal + "Buffer overrun at LocalFree (34) abc.def hiX";
  EXPECT_EQ(overrun, caught_reports::all()[0].substr(0, overrun.size()));
  EXPECT_EQ('\n', reports().end()[-2]) << "the report ends in a line feed";
  block = static_cast<char*>(SzRexMemAlloc(SzRexMemFixed, 0, "Fuzzy", 77));
  EXPECT_EQ(fatal + "Fuzzy(77) LocalAllocでサイズ0を要求しました。\n", reports());
  ASSERT_NE(nullptr, block) << "the call goes on and returns a block";
  SzRexMemFree(block, "Fuzzy", 78);
  EXPECT_EQ("", reports()) << "its guard is intact";
  EXPECT_EQ(nullptr, SzRexMemAlloc(SzRexMemFixed, 0xFFFFFFFFu, "Match", 5));
  EXPECT_EQ(fatal + "Match(5) LocalAllocでエラーです。エラーコード=8 サイズ=4294967295\n",
            reports());
}

TEST_F(guarded_memory_blocks, ReallocationKeepsContentsAndMovesTheGuard) {
  char* block = static_cast<char*>(SzRexMemAlloc(SzRexMemFixed, 8, "Compile", 1));
  ASSERT_NE(nullptr, block);
  std::memcpy(block, "1234567", 8);
  char* grown = static_cast<char*>(SzRexMemReAlloc(block, 4000, SzRexMemZeroInit, "Compile", 2));
  ASSERT_NE(nullptr, grown);
  EXPECT_STREQ("1234567", grown);
  EXPECT_EQ("", reports());
  char* shrunk = static_cast<char*>(SzRexMemReAlloc(grown, 0, 0, "Compile", 3));
  EXPECT_EQ(fatal + "Compile(3) LocalReAllocでサイズ0を要求しました。\n", reports());
  ASSERT_NE(nullptr, shrunk) << "the call goes on";
  SzRexMemFree(shrunk, "Compile", 4);
  EXPECT_EQ("", reports()) << "a reallocated block carries its guard at the new end";
}

TEST_F(guarded_memory_blocks, MovableBlocksGetTheirGuardWhenLocked) {
  void* handle = SzRexMemAlloc(SzRexMemMovable | SzRexMemZeroInit, 16, "Fuzzy", 10);
  ASSERT_NE(nullptr, handle);
  char* p = static_cast<char*>(SzRexMemLock(handle, "Fuzzy", 11));
  ASSERT_NE(nullptr, p);
  std::memcpy(p, "movable", 8);
  SzRexMemUnlock(handle, "Fuzzy", 12);
  EXPECT_EQ("", reports());
  p = static_cast<char*>(SzRexMemLock(handle, "Fuzzy", 13));
  ASSERT_NE(nullptr, p);
  p[16] = '!';  // damages the guard written by the lock
  EXPECT_EQ(0, SzRexMemUnlock(handle, "Fuzzy", 14));
  const std::string expected = fatal + "Buffer overrun error at LocalUnlock (14) movable.........!";
  EXPECT_EQ(expected, reports().substr(0, expected.size()));
  SzRexMemFree(handle, "Fuzzy", 15);
}

TEST_F(guarded_memory_blocks, ReportsDoNotNest) {
  SzRexSetReportHook([](const char* text, const char* caption) {
    caught_reports::keep(text, caption);
    SzRexFatal("second report while the first is shown");
  });
  SzRexFatal("first");
  SzRexSetReportHook(caught_reports::keep);
  EXPECT_EQ(fatal + "first\n", reports()) << "a report raised while one is shown is dropped";
  SzRexFatal("third");
  EXPECT_EQ(fatal + "third\n", reports()) << "once the first is gone, reports show again";
}

}  // namespace

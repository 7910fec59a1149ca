// The guarded memory: its reports of misuse, with the caller's source and line.
#include "regex/guarded_memory.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

struct report {
  std::string text, caption;
};
std::vector<report> g_reports;

void capture(const char* text, const char* caption) { g_reports.push_back({text, caption}); }

class guarded_memory_blocks : public ::testing::Test {
 protected:
  void SetUp() override {
    g_reports.clear();
    previous_ = SzRexSetReportHook(capture);
  }
  void TearDown() override { SzRexSetReportHook(previous_); }
  SzRexReportHook previous_ = nullptr;
};

const std::string fatal_caption = "SzRex.dllでの内部エラー、死にます";

TEST_F(guarded_memory_blocks, OverrunOfAFixedBlockIsReportedAtFree) {
  char* block = static_cast<char*>(SzRexMemAlloc(SzRexMemFixed, 10, "Compile", 12));
  ASSERT_NE(nullptr, block);
  std::memcpy(block, "abc\tdefghi", 10);
  block[10] = 'X';  // one byte past the requested size: the first byte of the guard
  SzRexMemFree(block, "Compile", 34);
  ASSERT_EQ(1u, g_reports.size()) << "expected one report of the overrun";
  EXPECT_EQ(fatal_caption, g_reports[0].caption);
  const std::string expected_start = "Buffer overrun at LocalFree (34) abc.defghiX";
  EXPECT_EQ(expected_start, g_reports[0].text.substr(0, expected_start.size()))
      << "got " << g_reports[0].text;
  EXPECT_EQ('\n', g_reports[0].text.back());
}

TEST_F(guarded_memory_blocks, IntactBlocksAreFreedSilently) {
  void* block = SzRexMemAlloc(SzRexMemFixed | SzRexMemZeroInit, 64, "Match", 1);
  ASSERT_NE(nullptr, block);
  std::vector<unsigned char> zero(64, 0);
  EXPECT_EQ(0, std::memcmp(block, zero.data(), 64)) << "zero-initialised";
  std::memset(block, 0x5A, 64);
  SzRexMemFree(block, "Match", 2);
  EXPECT_TRUE(g_reports.empty()) << "got " << (g_reports.empty() ? "" : g_reports[0].text);
}

TEST_F(guarded_memory_blocks, ZeroSizeIsReportedAndStillUsable) {
  void* block = SzRexMemAlloc(SzRexMemFixed, 0, "Fuzzy", 77);
  ASSERT_EQ(1u, g_reports.size());
  EXPECT_EQ("Fuzzy(77) LocalAllocでサイズ0を要求しました。", g_reports[0].text);
  ASSERT_NE(nullptr, block) << "the call goes on and returns a block";
  SzRexMemFree(block, "Fuzzy", 78);
  EXPECT_EQ(1u, g_reports.size()) << "its guard is intact";
}

TEST_F(guarded_memory_blocks, FailedAllocationReportsCodeAndSize) {
  void* block = SzRexMemAlloc(SzRexMemFixed, 0xFFFFFFFFu, "Match", 5);
  EXPECT_EQ(nullptr, block);
  ASSERT_EQ(1u, g_reports.size());
  EXPECT_EQ("Match(5) LocalAllocでエラーです。エラーコード=8 サイズ=4294967295", g_reports[0].text);
}

TEST_F(guarded_memory_blocks, ReallocateKeepsContentsAndReportsZeroSize) {
  char* block = static_cast<char*>(SzRexMemAlloc(SzRexMemFixed, 8, "Compile", 1));
  ASSERT_NE(nullptr, block);
  std::memcpy(block, "1234567", 8);
  char* grown = static_cast<char*>(SzRexMemReAlloc(block, 4000, SzRexMemZeroInit, "Compile", 2));
  ASSERT_NE(nullptr, grown);
  EXPECT_STREQ("1234567", grown);
  EXPECT_TRUE(g_reports.empty());
  char* shrunk = static_cast<char*>(SzRexMemReAlloc(grown, 0, 0, "Compile", 3));
  ASSERT_EQ(1u, g_reports.size());
  EXPECT_EQ("Compile(3) LocalReAllocでサイズ0を要求しました。", g_reports[0].text);
  ASSERT_NE(nullptr, shrunk) << "the call goes on";
  g_reports.clear();
  SzRexMemFree(shrunk, "Compile", 4);
  EXPECT_TRUE(g_reports.empty()) << "a reallocated block carries its guard at the new end; got "
                                 << (g_reports.empty() ? "" : g_reports[0].text);
}

TEST_F(guarded_memory_blocks, MovableBlocksGetTheirGuardWhenLocked) {
  void* handle = SzRexMemAlloc(SzRexMemMovable | SzRexMemZeroInit, 16, "Fuzzy", 10);
  ASSERT_NE(nullptr, handle);
  char* p = static_cast<char*>(SzRexMemLock(handle, "Fuzzy", 11));
  ASSERT_NE(nullptr, p);
  std::memcpy(p, "movable", 8);
  SzRexMemUnlock(handle, "Fuzzy", 12);
  EXPECT_TRUE(g_reports.empty()) << "got " << (g_reports.empty() ? "" : g_reports[0].text);
  p = static_cast<char*>(SzRexMemLock(handle, "Fuzzy", 13));
  ASSERT_NE(nullptr, p);
  p[16] = '!';  // damages the guard written by the lock
  EXPECT_EQ(0, SzRexMemUnlock(handle, "Fuzzy", 14));
  ASSERT_EQ(1u, g_reports.size());
  const std::string expected = "Buffer overrun error at LocalUnlock (14) movable.........!";
  EXPECT_EQ(expected, g_reports[0].text.substr(0, expected.size())) << "got " << g_reports[0].text;
  g_reports.clear();
  SzRexMemFree(handle, "Fuzzy", 15);
}

void reentering(const char* text, const char* caption) {
  capture(text, caption);
  SzRexFatal("second report while the first is shown");
}

TEST_F(guarded_memory_blocks, ReportsDoNotNest) {
  SzRexSetReportHook(reentering);
  SzRexFatal("first");
  SzRexSetReportHook(capture);
  ASSERT_EQ(1u, g_reports.size()) << "a report raised while one is shown is dropped";
  EXPECT_EQ("first", g_reports[0].text);
  SzRexFatal("third");
  EXPECT_EQ(2u, g_reports.size()) << "once the first is gone, reports show again";
}

}  // namespace

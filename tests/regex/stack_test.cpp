// Searches with the deepest patterns the compiler accepts, on a worker thread with
// a small stack: 1 MB, the default of a Windows thread.
#include <gtest/gtest.h>

#include <string>

#include "tests/regex/szrex_test_util.h"

#if defined(TAMARI_NATIVE)
#include <pthread.h>
#else
#include <windows.h>
#endif

namespace {

struct job {
  std::string pattern, subject, result;
};

void run(job* j) { j->result = find_text(j->pattern.c_str(), j->subject.c_str()); }

#if defined(TAMARI_NATIVE)
// Sanitizer frames are several times larger than optimised ones.
const std::size_t stack_size = 8u << 20;
void* thread_main(void* p) {
  run(static_cast<job*>(p));
  return nullptr;
}
bool run_on_small_stack(job* j) {
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  pthread_attr_setstacksize(&attr, stack_size);
  pthread_t thread;
  bool ok = pthread_create(&thread, &attr, thread_main, j) == 0;
  pthread_attr_destroy(&attr);
  if (ok) pthread_join(thread, nullptr);
  return ok;
}
#else
const std::size_t stack_size = 1u << 20;
DWORD WINAPI thread_main(void* p) {
  run(static_cast<job*>(p));
  return 0;
}
bool run_on_small_stack(job* j) {
  SetLastError(0xdeadbeef);
  HANDLE thread =
      CreateThread(nullptr, stack_size, thread_main, j, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
  EXPECT_NE(nullptr, thread) << "CreateThread failed, error " << GetLastError();
  if (!thread) return false;
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
  return true;
}
#endif

TEST(SzRexStack, LongestChainOfRepetitions) {
  job j;
  for (int i = 0; i < SzRexMaxBranchNodes; ++i) j.pattern += "a?";
  j.subject.assign(SzRexMaxBranchNodes, 'a');
  ASSERT_TRUE(run_on_small_stack(&j));
  EXPECT_EQ("0:" + j.subject, j.result);
}

TEST(SzRexStack, ChainOfGroupsWithAlternatives) {
  job j;
  for (int i = 0; i < SzRexMaxBranchNodes / 2; ++i) j.pattern += "(b|a)*";
  j.pattern += "c";
  j.subject = std::string(5000, 'a') + "c";
  ASSERT_TRUE(run_on_small_stack(&j));
  EXPECT_EQ("0:" + j.subject, j.result);
}

TEST(SzRexStack, DeepestNesting) {
  job j;
  for (int i = 0; i < 30; ++i) j.pattern += "(x|";
  j.pattern += "a*?b";
  for (int i = 0; i < 30; ++i) j.pattern += ")+";
  j.subject = std::string(100000, 'a') + "b";
  ASSERT_TRUE(run_on_small_stack(&j));
  EXPECT_EQ("0:" + j.subject, j.result);
}

TEST(SzRexStack, HugeSubjectOnASmallStack) {
  job j;
  j.pattern = "<a href.*?>.*?</a>";
  j.subject = std::string(1 << 20, 'x') + "<a href=\"q\">link</a>";
  ASSERT_TRUE(run_on_small_stack(&j));
  EXPECT_EQ(std::to_string(1 << 20) + ":<a href=\"q\">link</a>", j.result);
}

}  // namespace

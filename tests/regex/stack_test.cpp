// Explicit limits: the deepest and longest patterns the compiler accepts and
// megabyte subjects end with the right answer, searched on a worker thread with a
// small stack (1 MB, the default of a Windows thread).
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
  std::string pattern, subject, expected;
  std::string result = "";
};

#if defined(TAMARI_NATIVE)
void* thread_main(void* p) {
#else
DWORD WINAPI thread_main(void* p) {
#endif
  job* j = static_cast<job*>(p);
  j->result = find_text(j->pattern.c_str(), j->subject.c_str());
  return 0;
}

bool run_on_small_stack(job* j) {
#if defined(TAMARI_NATIVE)
  // Sanitizer frames are several times larger than optimised ones.
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  pthread_attr_setstacksize(&attr, 8u << 20);
  pthread_t thread;
  const bool ok = pthread_create(&thread, &attr, thread_main, j) == 0;
  pthread_attr_destroy(&attr);
  if (ok) pthread_join(thread, nullptr);
  return ok;
#else
  HANDLE thread =
      CreateThread(nullptr, 1u << 20, thread_main, j, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
  if (!thread) return false;
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
  return true;
#endif
}

std::string times(const std::string& text, int n) {
  std::string out;
  while (n-- > 0) out += text;
  return out;
}

TEST(SzRexStack, DeepPatternsAndHugeSubjects) {
  const std::string as(1 << 20, 'a'), as_b = as + "b", chain(SzRexMaxBranchNodes, 'a');
  const std::string link = std::string(1 << 20, 'x') + "<a href=\"q\">link</a>";
  const std::string a80(80, 'a'), a600(600, 'a');
  const std::string many_a_c = std::string(5000, 'a') + "c",
                    nested = std::string(100000, 'a') + "b";
  job jobs[] = {
      {times("a?", SzRexMaxBranchNodes), chain, "0:" + chain},
      {times("(b|a)*", SzRexMaxBranchNodes / 2) + "c", many_a_c, "0:" + many_a_c},
      {times("(x|", 30) + "a*?b" + times(")+", 30), nested, "0:" + nested},
      {times("(a|", 30) + "b" + times(")*", 30), "b", "0:b"},
      {"<a href.*?>.*?</a>", link, std::to_string(1 << 20) + ":<a href=\"q\">link</a>"},
      {"a*b", as, ""},
      {"(a|aa)*b", as, ""},
      {"a*?b", as, ""},
      {"\\wb", as, ""},
      {"a+b", as_b, "0:" + as_b},
      {"a.*?b", as_b, "0:" + as_b},
      // A fuzzer input: the matcher matches the group under ever smaller limits, and
      // once remembered nothing under a limit short of the subject's end, so each pass
      // cost a power of the length and a 161-byte text ran into the step budget.
      {"(a*a*a*.*)?x", a80 + "x" + a80, "0:" + a80 + "x"},
      {"(a*a*a*.*)?x", a600 + "x" + a600, "0:" + a600 + "x"},
  };
  auto brief = [](const std::string& s) {
    return std::to_string(s.size()) + " bytes " + s.substr(0, 40);
  };
  for (job& j : jobs) {
    ASSERT_TRUE(run_on_small_stack(&j)) << "no thread for " << brief(j.pattern);
    EXPECT_TRUE(j.expected == j.result)
        << brief(j.pattern) << ": expected " << brief(j.expected) << ", got " << brief(j.result);
  }
}

}  // namespace

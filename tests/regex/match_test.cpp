// The matcher: longest alternatives, greedy and lazy repetition, anchors, words,
// Shift_JIS boundaries, the lookarounds, and the explicit limits.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <string>

#include "tests/regex/reference_matcher.h"
#include "tests/regex/szrex_test_util.h"

#if defined(TAMARI_NATIVE)
#include <pthread.h>
#else
#include <windows.h>
#endif

namespace {

// Consecutive rows of one pattern search with one compiled record, so what a search
// leaves behind (scratch marks, memos) meets the next subject.
struct find_row {
  const char* pattern;
  const char* subject;
  const char* expected;  // "start:matched text", "" for none
} const finds[] = {
    // A greedy `.*` (which the reference matcher leaves out) takes the longest complete
    // match and, at the end of the pattern, extends to the end of its line.
    {"<a href.*>", "<a href=\"x\">y</a><a href=\"z\">", "0:<a href=\"x\">y</a><a href=\"z\">"},
    {"a.*", "ab\ncd", "0:ab"},
    {"a.*", "a\x9A\nb", "0:a\x9A\nb"},
    {"a.*", "a\x9A\x9A\nb", "0:a\x9A\x9A"},
    {"a.*b", "a\nb", ""},
    {".*$", "", "0:"},
    // Escapes in classes; a lone lead-byte value.
    {"[0-9]*\\.[0-9]*", "ver 0.23", "4:0.23"},
    {"[\\x81!]", "\x81\x40!", "2:!"},
    // Words: letters and `_`; a trail byte that is a letter is none.
    {"\\<abc\\>", "xabc", ""},
    {"\\<abc\\>", "abc_", ""},
    {"\\<abc\\>", " abc.", "1:abc"},
    {"\\w", " .azAZ_9`{@[", "2:azAZ_"},
    {"\\<x", "\x83\x54x", "2:x"},
    // No match begins on a trail byte: ソ ends in 0x5C.
    {"\\\\", "ソ", ""},
    {"\\\\", "ソ\\", "2:\\"},
    // (?!X) ends the match where it stands unless X, followed by the rest, matches; a
    // lookbehind tests the text before where it stands, and its content may end
    // nowhere else.
    {"foo(?=bar)", "foobar", "0:foo"},
    {"foo(?=bar)", "foobaz", ""},
    {"(?<=v)[0-9]+", "x1 v3", "4:3"},
    {"(?<!x)a", "xa ya", "4:a"},
    {"(?<!x)a", "ab", "0:a"},
    {"foo(?!bar)baz", "foobaz", "0:foo"},
    {"foo(?!bar)baz", "foobarbaz", ""},
    {"foo(?!x)", "foox foo", "5:foo"},
    {"a(?<=a)b", "ab", "0:ab"},
    {"a(?<=b)", "ab", ""},
    {"(?<=a|bc)d", "bcd", "2:d"},
    {"(?<=x.*)y", "x--y", "3:y"},
    {"(?<=a+?)b", "aab", "2:b"},
    {"[a-z](?<!b)c", "bcac", "2:ac"},
    {"(?<=[あ-ん])x", "あx", "2:x"},
    {"(?<=T)x", "サx", ""},
    {"(?<=.)x", "あx", "2:x"},
    // Repetition.
    {"(ab)+", "ababa", "0:abab"},
    {"(ab|a)*b", "ab", "0:ab"},
    {"texinst[0-9]*\\.zip", "abc texinst.zip", "4:texinst.zip"},
    {"x(y|yz)?", "xyz", "0:xyz"},
    // A continuation that fails further on does not rule out the starts a group or
    // a word stepped over.
    {"(ab)*b?b", "ab", "1:b"},
    {"\\w?a?c", "_c", "0:_c"},
    {"(a*)+", "b", "0:"},
    // Memos are kept per search and per limit: a failure remembered in one subject
    // must not answer for the next of the same length, nor under another limit.
    {".*?b", "b", "0:b"},  // a lazy dot at the subject's start, taking nothing
    {"a*?b", "aaac", ""},
    {"a*?b", "aaab", "0:aaab"},
    {"a[0-9]*?b", "xxxxxxxxxxxxxxxxxxxxxa12b", "21:a12b"},
    {"a[0-9]*?b", "a1b", "0:a1b"},
    {"a[0-9]*?b", "zza9999b", "2:a9999b"},
    {"(a*a*.*)?b", "aabaa", "0:aab"},
    {"((x|y)*y)*", "xxyxxyxx", "0:xxyxxy"},
    // `.*` tries its continuation from the line end backwards; the start filters
    // answer those falling starts from what they found for the later ones.
    {"x.*\\<b", "x@@b@@b@@", "0:x@@b@@b"},
    {"x.*\\w", "x@@ab@@cd@@", "0:x@@ab@@cd"},
    {"x.*\\w", "x@@@@", ""},
    {"x.*\\>@", "xab@cd@ef", "0:xab@cd@"},
    {"x.*[0-9]", "x1a2b", "0:x1a2"},
    {"x.*ab", "xabzab_", "0:xabzab"},
    {"x.*[^a]b", "x表bab", "0:x表b"},
};

TEST(SzRexFind, Table) {
  std::unique_ptr<test_record> r;
  for (std::size_t i = 0; i < sizeof finds / sizeof finds[0]; ++i) {
    const find_row& row = finds[i];
    if (i == 0 || std::strcmp(row.pattern, finds[i - 1].pattern) != 0) {
      r = std::make_unique<test_record>();
      ASSERT_EQ(1, r->compile(row.pattern)) << row.pattern << ": error " << r->record.error;
    }
    EXPECT_EQ(row.expected, r->find(row.subject)) << row.pattern << " in " << row.subject;
  }
}

// The engine against the reference matcher: every pattern on every subject, from the
// start, from the middle and anchored there. サ is 0x83 0x54: its trail byte is T and
// in [A-Z], but no match begins there.
TEST(SzRexFind, AgreesWithTheReferenceMatcher) {
  // clang-format off
  const char* const patterns[] = {
      "ab|abcd", "(ab|abcd)", "(b|bc)d?", "a*", "x|y", "(a|ab)(c|bcd)", "(a(b|c)|ab)c",
      "((a|b)|ab)c", "(a|b|)c", "(|a)b*", "x(y|yz)z?", "<a href.*?>", "<a href.*?>.*?</a>", "<.+?>",
      "<.+>", "\".*?\"", "a.*?b", "a.b", ".+$", ".?.??a", "a$", "b$", "^a", "^ab", "$", "[0-9]+",
      "[0-9]*", "[^a]+", "[あ-ん]", "[^あ]", "[]", "[^]", "[a-あい-ん]", "[a-あ]", "[a-cサ]+",
      "あ|[^あ]",
      "[あ-ん]+T", "T", "サ|T", "[A-Z]", ".", "T[^\n]{1,2}", "a{2}", "a{2,3}", "a{0,}b", "a??b",
      "a*?b", "a+?b?", "[a-c]+?b", "x+", "[ac]+"};
  const char* const subjects[] = {
      "", "a", "b", "ab", "abc", "abcd", "abx", "baaa", "aaa", "aaaa", "aaaab", "abxx", "xyzxy",
      "bbaa", "abcabc", "a\n", "a\nb", "ba\nab", "ab\nab", "aab\nab", "cabbc\n", "ver 0.23", "ver",
      "aいb", "xあ", "!う", "\x81\x40", "`a", "サ", "サT", "サTあいTx", "Tサ\nTT", "<b>c</b>",
      "\"ab\" \"cd\"", "<a href=\"x\">y</a><a href=\"z\">"};
  // clang-format on
  for (const char* pattern : patterns) {
    int start = 0, length = 0;
    ASSERT_LE(0, reference_find(pattern, "", 0, &start, &length))
        << pattern << " is outside the reference matcher's subset";
    for (const char* subject : subjects)
      EXPECT_EQ("", engine_against_reference(pattern, subject)) << pattern << " in " << subject;
  }
}

// SzRexFindIn ends the subject at the given length; anchored, only a match at the
// start offset counts, and a later start still sees the text before it (starts in the
// middle of a text, and `^` there, are the reference matcher's test). SzRexMatchAt
// consumes nothing beyond its limit while its lookarounds read the whole text. Every
// call clears the error code.
TEST(SzRexFind, FindInAndMatchAt) {
  struct row {
    const char* pattern;
    const char* subject;
    int length, start, limit;  // limit -1: SzRexFindIn, -2: anchored, else SzRexMatchAt
    const char* expected;      // "start+length", "" for none
  } rows[] = {
      {"b$", "abc", 2, 0, -1, "1+1"},
      {"b$", "abc", 3, 0, -1, ""},
      {"\\<[a-z]+", "ab cd", 5, 2, -1, "3+2"},
      {"\\<[a-z]+", "ab cd", 5, 2, -2, ""},
      {"\\<[a-z]+", "ab cd", 5, 3, -2, "3+2"},
      {"(?<=v)[0-9]+", "v12", 3, 0, -2, ""},
      {"(?<=v)[0-9]+", "v12", 3, 0, -1, "1+2"},
      {"(?<=v)[0-9]+", "v12", 3, 1, -2, "1+2"},
      {"[0-9]+", "1234", 4, 0, 2, "0+2"},
      {"[0-9]+", "1234", 4, 1, 4, "1+3"},
      {"foo(?=bar)", "foobar", 6, 0, 3, "0+3"},
      {"(?<=v)[0-9]+", "v12", 3, 1, 3, "1+2"},
      {"(?<=v)[0-9]+", "v12", 3, 0, 3, ""},
      {"a.*", "abc\nd", 5, 0, 2, "0+2"},
      {"[0-9]+$", "12\n", 3, 0, 1, ""},
      {"x\\>", "xy", 2, 0, 1, ""},
      {"x\\>", "xy", 1, 0, -1, "0+1"},
      {"[a-z]*(?!c)", "abc", 3, 0, 2, "0+1"},
  };
  for (const row& c : rows) {
    test_record t;
    ASSERT_EQ(1, t.compile(c.pattern)) << c.pattern;
    t.record.start = c.start;
    t.record.error = 99;
    const int found = c.limit >= 0 ? SzRexMatchAt(&t.record, c.subject, c.length, c.start, c.limit)
                                   : SzRexFindIn(&t.record, c.subject, c.length, c.limit == -2);
    EXPECT_EQ(c.expected, found ? std::to_string(t.record.match_start) + "+" +
                                      std::to_string(t.record.match_length)
                                : "")
        << c.pattern << " in " << c.subject << " from " << c.start << " limit " << c.limit;
    EXPECT_EQ(0, t.record.error) << c.pattern << ": the call must clear the error code";
  }
}

// Explicit limits: an alternation under a star over 20,000 bytes answers within the
// step budget, and the record stays usable.
TEST(SzRexLimits, CostlyPatternAnswersWithinItsBudget) {
  test_record r;
  ASSERT_EQ(1, r.compile("(ab|a)*(c|b?c)"));
  std::string subject;
  for (int i = 0; i < 10000; ++i) subject += "ab";
  for (const char* tail : {"", "c"}) {
    const std::string text = subject + tail;
    const auto begin = std::chrono::steady_clock::now();
    const std::string expected = *tail ? "0:" + text : "";
    EXPECT_EQ(expected, r.find(text.c_str())) << "tail \"" << tail << "\"";
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count(), 60.0)
        << "tail \"" << tail << "\"";
    EXPECT_TRUE(r.record.error == SzRexErrorNone || (!*tail && r.record.error == SzRexErrorBudget))
        << "tail \"" << tail << "\": expected no code or (without a match) the budget code, got "
        << r.record.error;
  }
  EXPECT_EQ("0:abc", r.find("abc"));
  EXPECT_EQ(0, r.record.error) << "the next search clears the code";
  // A repetition of a class, or of a group of fixed width, before a failing lookahead
  // is given up once per start, not retried limit by limit: well within the budget.
  std::string pairs;
  for (int i = 0; i < 6000; ++i) pairs += "a1";
  const struct {
    const char* pattern;
    std::string subject;
  } cheap[] = {{"[a-z]*(?=1)|a", std::string(12000, 'a')}, {"(a.)*(?=z)|a", pairs}};
  for (const auto& c : cheap) {
    test_record q;
    ASSERT_EQ(1, q.compile(c.pattern));
    EXPECT_EQ("0:a", q.find(c.subject.c_str())) << c.pattern;
    EXPECT_EQ(SzRexErrorNone, q.record.error)
        << c.pattern << ": expected no code, got " << q.record.error;
  }
}

// A fuzzer input: each new limit of a greedy pass placed a repetition's memo window
// afresh and widened it again, so a 70-byte subject ended with memos of gigabytes.
TEST(SzRexLimits, MemoWindowsNeverOutgrowTheSubject) {
  test_record r;
  ASSERT_EQ(1, r.compile("[ab]*[^\n][^\n]*?$+?[a-c]+?[^\n][^\n][^\n].*?.*?{2}||.*?.*?.*?.*?"
                         "[^\n][^\n]Tサ"));
  const std::string subject =
      "acaaaaaaaaaaaaaaaaaaaaサああサb\nああaabbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb";
  for (int round = 0; round < 2; ++round) r.find(subject.c_str());
  for (const SzRexMemo& memo : r.record.state->memos)
    EXPECT_LE(memo.size, subject.size() + 1) << "cells of one memo";
}

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

// The deepest and longest patterns the compiler accepts and megabyte subjects end
// with the right answer, searched on a worker thread with a small stack (1 MB, the
// default of a Windows thread).
TEST(SzRexLimits, DeepPatternsAndHugeSubjectsOnASmallStack) {
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

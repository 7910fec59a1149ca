// The string class: sharing, Shift_JIS-safe searches, editing and conversions.
// Runs in the native build and under Wine; lower() must give the same bytes in both.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <string>
#include <thread>

#include "support/cp932.h"
#include "support/string.h"

using wklib::string;

namespace {

std::string hex(const std::string& s) {
  std::string out;
  for (unsigned char c : s)
    out += (out.empty() ? "" : " ") + std::string(1, "0123456789ABCDEF"[c >> 4]) +
           "0123456789ABCDEF"[c & 15];
  return out;
}

void write_buffer(string* s, int length) {
  std::strcpy(s->buffer(10), "0123456789");
  s->set_length(length);
}

// Each edit on "abCDef", once on a string of its own and once on a copy that shares
// its block: the copy must come out the same and leave the original as it was.
TEST(string_edit, edits_of_an_unshared_and_of_a_shared_block) {
  const struct {
    std::function<void(string&)> edit;
    const char* expected;
  } edits[] = {
      {[](string& s) { s.append("g"); }, "abCDefg"},
      {[](string& s) { s.append("xyz", 5, 1); }, "abCDef"},  // a position past the end
      {[](string& s) { s.append("xyz", 1, -1); }, "abCDefyz"},
      {[](string& s) { s.append(string("12345"), 3); }, "abCDef45"},
      {[](string& s) { s.append(s); }, "abCDefabCDef"},
      {[](string& s) { s.append(s.c_str() + 1, 2); }, "abCDefbC"},
      {[](string& s) { s.assign(s.c_str() + 3, 3); }, "Def"},
      {[](string& s) { s.assign("xyz", 3); }, "xyz"},
      {[](string& s) { s.assign("hello", 9, 2); }, "abCDef"},  // a position past the end
      {[](string& s) { s.assign("hello", 1, 100); }, "ello"},  // the count is clamped
      {[](string& s) { s.clear(); }, ""},
      {[](string& s) { s.erase(3, 100); }, "abC"},
      {[](string& s) { s.lower(); }, "abcdef"},
      {[](string& s) { s.replace_all("C", "x"); }, "abxDef"},
      {[](string& s) { write_buffer(&s, -1); }, "0123456789"},
      {[](string& s) { write_buffer(&s, 4); }, "0123"},
  };
  for (std::size_t i = 0; i < sizeof edits / sizeof edits[0]; ++i) {
    string own("abCDef");
    edits[i].edit(own);
    EXPECT_STREQ(edits[i].expected, own.c_str()) << "edit " << i << " of an unshared block";
    EXPECT_EQ(static_cast<int>(std::strlen(edits[i].expected)), own.length()) << "edit " << i;
    EXPECT_EQ(!*edits[i].expected, own.empty()) << "edit " << i;
    const std::string expected = edits[i].expected;
    EXPECT_EQ(expected.empty() ? '\0' : expected.back(), own.back()) << "edit " << i;
    const string original("abCDef");
    string copy(original);
    EXPECT_EQ(original.c_str(), copy.c_str()) << "a copy shares the block";
    EXPECT_EQ(2, original.use_count());
    edits[i].edit(copy);
    EXPECT_STREQ(edits[i].expected, copy.c_str()) << "edit " << i << " of a shared block";
    EXPECT_STREQ("abCDef", original.c_str()) << "edit " << i << " of a copy";
    EXPECT_EQ(std::strcmp(edits[i].expected, "abCDef") ? 1 : 2, original.use_count())
        << "edit " << i << ": copies share until one changes";
  }
  string a, b(""), c(static_cast<const char*>(nullptr));
  EXPECT_EQ(0, a.use_count()) << "the empty block is never counted";
  EXPECT_EQ(a.c_str(), b.c_str()) << "empty strings share one block";
  EXPECT_EQ(a.c_str(), c.c_str());
  EXPECT_STREQ("ab", (string("a") + "b").c_str());
  EXPECT_STREQ("Def", string("abCDef").substr(3).c_str());
  EXPECT_STREQ("bCD", string("abCDef").substr(1, 3).c_str());
  EXPECT_STREQ("", string("abCDef").substr(99).c_str());
}

// The settings and the install state are copied by the user-interface thread and
// by the workers at once: the count of a shared block must survive that.
TEST(string_sharing, copies_made_in_two_threads_keep_the_count) {
  const string shared("C:\\tex\\");
  std::atomic<int> ready(0);
  auto copy_often = [&] {
    for (++ready; ready < 2;) {  // both threads start copying at the same moment
    }
    for (int i = 0; i < 1000000; ++i) {
      string copy(shared);
      string other;
      other = copy;
    }
  };
  std::thread first(copy_often), second(copy_often);
  first.join();
  second.join();
  EXPECT_EQ(1, shared.use_count()) << "references lost or gained between the threads";
}

// A text built byte by byte moves to a new block only now and then: each move
// copies the whole text, so a move per append is quadratic.
TEST(string_sharing, appends_to_an_unshared_block_are_amortised) {
  string built;
  int moves = 0;
  for (int i = 0; i < 4096; ++i) {
    const char* storage = built.c_str();
    built.append("x", 1);
    moves += built.c_str() != storage;
  }
  EXPECT_EQ(4096, built.length());
  EXPECT_LE(moves, 32) << "block moves for 4096 appends";
}

TEST(string_edit, replace_all_counts_and_resumes_after_each_occurrence) {
  const struct {
    const char *text, *from, *to;
    int count;
    const char* result;
  } cases[] = {
      {"aaa", "a", "bb", 3, "bbbbbb"}, {"aaaa", "aa", "a", 2, "aa"},
      {"none", "x", "y", 0, "none"},   {"c:/tex/bin/", "/", "\\", 3, "c:\\tex\\bin\\"},
      {"表\\x", "\\", "/", 1, "表/x"},  // 表 is 0x95 0x5C: its trail byte is no backslash
  };
  for (const auto& c : cases) {
    string s(c.text);
    EXPECT_EQ(c.count, s.replace_all(c.from, c.to)) << c.text;
    EXPECT_STREQ(c.result, s.c_str()) << c.text;
  }
}

// The offsets to search from and before (trail bytes at the whole text are the
// random check's below). ソ is 0x83 0x5C: the 0x5C is a trail byte.
TEST(string_search, find_from_and_rfind_before_an_offset) {
  const struct {
    const char *text, *needle;
    int find_from, found, rfind_before, rfound;  // rfind_before -1: the whole text
  } cases[] = {
      {"ソ\\", "\\", 3, -1, 2, -1},
      {"ソ\\ソ\\\\x", "\\\\", 0, 5, 5, -1},
      {"abcabcabc", "abc", 1, 3, 6, 3},
      {"abcabcabc", "abc", 7, -1, 3, 0},
      {"abcabcabc", "", 0, -1, -1, -1},
  };
  for (const auto& c : cases) {
    const string s(c.text);
    EXPECT_EQ(c.found, s.find(c.needle, c.find_from)) << c.text << " find " << c.needle;
    EXPECT_EQ(c.rfound, s.rfind(c.needle, c.rfind_before)) << c.text << " rfind " << c.needle;
  }
}

// Random texts over a small alphabet with a lead byte and 0x5C, against a plain scan.
TEST(string_search, horspool_agrees_with_a_plain_scan) {
  const char alphabet[] = {'a', 'b', '\\', '\x83', '\x95'};
  unsigned seed = 12345;
  auto next = [&seed]() { return (seed = seed * 1103515245u + 12345u) >> 16; };
  for (int round = 0; round < 3000; ++round) {
    std::string t, p;
    const int n = static_cast<int>(next() % 24), m = 1 + static_cast<int>(next() % 4);
    for (int i = 0; i < n; ++i) t += alphabet[next() % 5];
    for (int i = 0; i < m; ++i) p += alphabet[next() % 5];
    int expected_first = -1, expected_last = -1;
    for (int q = 0, width = 1; q + m <= n; q += width) {
      width = (t[q] == '\x83' || t[q] == '\x95') && q + 1 < n ? 2 : 1;
      if (t.compare(q, m, p) != 0) continue;
      if (expected_first < 0) expected_first = q;
      expected_last = q;
    }
    const string s(t.c_str(), n);
    ASSERT_EQ(expected_first, s.find(p.c_str())) << "text " << hex(t) << " needle " << hex(p);
    ASSERT_EQ(expected_last, s.rfind(p.c_str())) << "text " << hex(t) << " needle " << hex(p);
  }
}

TEST(string_convert, to_digit_and_character_tests) {
  for (char c = '0'; c <= '9'; ++c) EXPECT_EQ(c - '0', wklib::to_digit(c));
  for (char c : {'x', '/', ':'}) EXPECT_THROW(wklib::to_digit(c), wklib::bad_lexical_cast) << c;
  for (unsigned char c : {'_', 'A', 'Z', 'a', 'z'}) EXPECT_TRUE(wklib::is_word_char(c)) << c;
  for (int c : {0x35, 0x40, 0x5B, 0x60, 0x7B, 0x83}) EXPECT_FALSE(wklib::is_word_char(c)) << c;
  EXPECT_TRUE(wklib::is_trail_position("\x83\x5C", 1));
  EXPECT_FALSE(wklib::is_trail_position("\x83\x83\x5C", 2)) << "0x83 0x83 is one character";
  EXPECT_FALSE(wklib::is_trail_position("a\\", 1));
}

// lower() lowers as Windows does under code page 932: ASCII capitals and the full-width
// Latin, Greek and Cyrillic ones (each range's ends), not a trail byte that looks like a
// capital. lower() takes ASCII eight bytes at a time, so pieces are strung together at
// every alignment; cp932_lower() is given the whole text.
TEST(string_lower, lowers_like_windows_at_every_alignment) {
  const struct {
    const char *in, *out;
  } pieces[] = {
      {"ABCDEFGHIJKZ", "abcdefghijkz"}, {"xyz", "xyz"}, {"@[`{", "@[`{"}, {"ＡＺ", "ａｚ"},
      {"ΑΩ", "αω"},
      {"АЁНОЯ", "аёноя"}, {"ソA", "ソa"}, {"\x83\x41", "\x83\x41"}, {"表", "表"}, {"ｱ", "ｱ"},
      {"Q", "q"}, {" ", " "},
  };
  unsigned seed = 12345;
  for (int round = 0; round < 400; ++round) {
    std::string text(round % 9, 'M'), expected(round % 9, 'm');  // shifts the 8-byte steps
    for (int i = 0; i < 1 + round % 23; ++i) {
      seed = seed * 1103515245u + 12345u;
      const auto& piece = pieces[(seed >> 16) % (sizeof pieces / sizeof pieces[0])];
      text += piece.in;
      expected += piece.out;
    }
    string s(text.c_str());
    s.lower();
    ASSERT_EQ(hex(expected), hex(s.c_str())) << "lower() of " << hex(text);
    wklib::cp932_lower(&text[0], static_cast<int>(text.size()));
    ASSERT_EQ(hex(expected), hex(text)) << "cp932_lower() of the same text";
  }
}

}  // namespace

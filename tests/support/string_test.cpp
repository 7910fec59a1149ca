// The string class: sharing, Shift_JIS-safe searches, editing and conversions.
// Runs in the native build and under Wine; lower() must give the same bytes in both.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>

#include "support/cp932.h"
#include "support/string.h"

using wklib::string;

namespace {

std::string hex(const string& s) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  for (int i = 0; i < s.length(); ++i) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (!out.empty()) out += ' ';
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

}  // namespace

TEST(string_sharing, copies_share_until_one_changes) {
  string a("abcdef");
  string b(a);
  EXPECT_EQ(2, a.use_count()) << "a copy shares the block";
  EXPECT_EQ(a.c_str(), b.c_str()) << "expected one buffer for both";
  b.append("g");
  EXPECT_STREQ("abcdef", a.c_str()) << "changing the copy must leave the original";
  EXPECT_STREQ("abcdefg", b.c_str());
  EXPECT_EQ(1, a.use_count());
  EXPECT_EQ(1, b.use_count());

  string c(a);
  c.erase(3, 100);
  EXPECT_STREQ("abcdef", a.c_str());
  EXPECT_STREQ("abc", c.c_str()) << "erase(3, 100) keeps the first three bytes";

  string d(a);
  d.lower();
  d.replace_all("a", "b");
  EXPECT_STREQ("abcdef", a.c_str());
}

TEST(string_sharing, empty_strings_share_one_static_block) {
  string a, b(""), c(static_cast<const char*>(nullptr));
  EXPECT_EQ(0, a.use_count()) << "the empty block is never counted";
  EXPECT_EQ(a.c_str(), b.c_str());
  EXPECT_EQ(a.c_str(), c.c_str());
  string d("x");
  d.erase(0, 1);
  EXPECT_TRUE(d.empty());
  EXPECT_EQ(0, d.length());
}

// assign and clear reuse an unshared block; a shared one must stay as it was.
TEST(string_sharing, assign_and_clear_leave_copies_alone) {
  string a("abcdef");
  a.assign("xyz", 3);
  EXPECT_STREQ("xyz", a.c_str());
  a.clear();
  EXPECT_TRUE(a.empty());
  EXPECT_STREQ("", a.c_str());
  a.assign("uvw", 3);
  string b(a);
  a.assign("q", 1);
  EXPECT_STREQ("uvw", b.c_str()) << "assigning to a shared string must leave its copy";
  EXPECT_STREQ("q", a.c_str());
  b.clear();
  EXPECT_STREQ("q", a.c_str());
  string c(a);
  c.clear();
  EXPECT_STREQ("q", a.c_str()) << "clearing a copy must leave the original";
  EXPECT_TRUE(c.empty());
}

// The settings and the install state are copied by the user-interface thread and
// by the workers at once: the count of a shared block must survive that.
TEST(string_sharing, copies_made_in_two_threads_keep_the_count) {
  const string shared("C:\\tex\\");
  std::atomic<int> ready(0);
  auto copy_often = [&] {
    // Both threads start copying at the same moment.
    for (++ready; ready < 2;) {
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

TEST(string_sharing, self_append_and_assign_from_own_text) {
  string a("abc");
  a.append(a);
  EXPECT_STREQ("abcabc", a.c_str());
  a.append(a.c_str() + 1, 2);
  EXPECT_STREQ("abcabcbc", a.c_str());
  a.assign(a.c_str() + 3, 3);
  EXPECT_STREQ("abc", a.c_str());
  a.assign(a.c_str() + 1, 2);
  EXPECT_STREQ("bc", a.c_str()) << "an assign from its own text reuses the block in place";
  string big;
  for (int i = 0; i < 1000; ++i) big.append("0123456789");
  EXPECT_EQ(10000, big.length());
  EXPECT_EQ('9', big.back());
}

// A text built byte by byte moves to a new block only now and then: each move
// copies the whole text, so a move per append is quadratic.
TEST(string_sharing, appends_to_an_unshared_block_are_amortised) {
  string built;
  int moves = 0;
  const char* storage = built.c_str();
  for (int i = 0; i < 4096; ++i) {
    built.append("x", 1);
    if (built.c_str() != storage) ++moves;
    storage = built.c_str();
  }
  EXPECT_EQ(4096, built.length());
  EXPECT_LE(moves, 32) << "expected a few block moves for 4096 appends, got " << moves;
  string copy(built);
  built.append("y");
  EXPECT_EQ(4096, copy.length()) << "an append to a shared block must leave its copy";
  EXPECT_EQ('y', built.back());
}

TEST(string_edit, assign_and_append_substrings_clamp) {
  string s("keep");
  s.assign("hello", 9, 2);
  EXPECT_STREQ("keep", s.c_str()) << "a position past the end leaves the string unchanged";
  s.assign("hello", 1, 100);
  EXPECT_STREQ("ello", s.c_str()) << "the count is clamped to the text";
  s.append("xyz", 5, 1);
  EXPECT_STREQ("ello", s.c_str());
  s.append("xyz", 1, -1);
  EXPECT_STREQ("elloyz", s.c_str());
  s.append(string("12345"), 3);
  EXPECT_STREQ("elloyz45", s.c_str());
  EXPECT_STREQ("ab", (string("a") + "b").c_str());
  EXPECT_STREQ("llo", s.substr(1, 3).c_str());
  EXPECT_STREQ("", s.substr(99).c_str());
}

TEST(string_edit, buffer_and_set_length) {
  string s("abc");
  string shared(s);
  char* p = s.buffer(10);
  std::strcpy(p, "0123456789");
  s.set_length(-1);
  EXPECT_STREQ("0123456789", s.c_str());
  EXPECT_STREQ("abc", shared.c_str()) << "writing into the buffer must not touch a sharer";
  s.set_length(4);
  EXPECT_STREQ("0123", s.c_str());
  EXPECT_EQ(4, s.length());
}

TEST(string_edit, replace_all_counts_and_resumes_after_each_occurrence) {
  string s("aaa");
  EXPECT_EQ(3, s.replace_all("a", "bb"));
  EXPECT_STREQ("bbbbbb", s.c_str());
  string t("aaaa");
  EXPECT_EQ(2, t.replace_all("aa", "a")) << "the search resumes after each occurrence";
  EXPECT_STREQ("aa", t.c_str());
  string u("none");
  EXPECT_EQ(0, u.replace_all("x", "y"));
  EXPECT_STREQ("none", u.c_str());
  string path("c:/tex/bin/");
  EXPECT_EQ(3, path.replace_all("/", "\\"));
  EXPECT_STREQ("c:\\tex\\bin\\", path.c_str());
  // 表 is 0x95 0x5C: its trail byte is no backslash to replace.
  string sjis("表\\x");
  EXPECT_EQ(1, sjis.replace_all("\\", "/"));
  EXPECT_STREQ("表/x", sjis.c_str());
}

TEST(string_search, find_never_starts_on_a_trail_byte) {
  string so("ソ\\");  // 0x83 0x5C 0x5C
  ASSERT_EQ(3, so.length());
  EXPECT_EQ(2, so.find("\\", 0)) << "0x5C at 1 is the trail byte of ソ";
  EXPECT_EQ(-1, so.find("\\", 3)) << "from at the end finds nothing";
  EXPECT_EQ(2, so.rfind("\\")) << "rfind from the end";
  EXPECT_EQ(-1, so.rfind("\\", 2)) << "only occurrences starting before 2 count";

  // Multi-byte needles go through the table search, with the same rule.
  string text("ソ\\ソ\\\\x");  // 83 5C 5C 83 5C 5C 5C 78
  EXPECT_EQ(2, text.find("\\\x83", 0));
  EXPECT_EQ(5, text.find("\\\\", 0)) << "5C 5C at 1 and 4 start on trail bytes";
  EXPECT_EQ(5, text.rfind("\\\\"));
  EXPECT_EQ(-1, text.rfind("\\\\", 5));

  string plain("abcabcabc");
  EXPECT_EQ(0, plain.find("abc"));
  EXPECT_EQ(3, plain.find("abc", 1));
  EXPECT_EQ(-1, plain.find("abc", 7));
  EXPECT_EQ(6, plain.rfind("abc"));
  EXPECT_EQ(3, plain.rfind("abc", 6));
  EXPECT_EQ(-1, plain.rfind("abcd"));
  EXPECT_EQ(-1, plain.find(""));
}

TEST(string_search, horspool_agrees_with_a_plain_scan) {
  // Random texts over a small alphabet that includes a lead byte and 0x5C.
  const char alphabet[] = {'a', 'b', '\\', '\x83', '\x95'};
  unsigned seed = 12345;
  auto next = [&seed]() { return (seed = seed * 1103515245u + 12345u) >> 16; };
  for (int round = 0; round < 3000; ++round) {
    std::string t, p;
    int n = static_cast<int>(next() % 24), m = 1 + static_cast<int>(next() % 4);
    for (int i = 0; i < n; ++i) t += alphabet[next() % 5];
    for (int i = 0; i < m; ++i) p += alphabet[next() % 5];
    string s(t.c_str(), static_cast<int>(t.size()));
    int expected_first = -1, expected_last = -1;
    for (int q = 0; q + m <= n; ++q) {
      if (t.compare(q, m, p) == 0 && !wklib::is_trail_position(t.c_str(), q)) {
        if (expected_first < 0) expected_first = q;
        expected_last = q;
      }
    }
    ASSERT_EQ(expected_first, s.find(p.c_str())) << "round " << round << " text " << hex(s);
    ASSERT_EQ(expected_last, s.rfind(p.c_str())) << "round " << round << " text " << hex(s);
  }
}

TEST(string_convert, to_digit_and_character_tests) {
  EXPECT_EQ(7, wklib::to_digit('7'));
  EXPECT_EQ(0, wklib::to_digit('0'));
  try {
    wklib::to_digit('x');
    ADD_FAILURE() << "to_digit('x') did not throw";
  } catch (const wklib::bad_lexical_cast& e) {
    EXPECT_TRUE(e.target_type() == typeid(int)) << "target type " << e.target_type().name();
    EXPECT_TRUE(e.source_type() == typeid(char)) << "source type " << e.source_type().name();
  }
  EXPECT_TRUE(wklib::is_word_char('_'));
  EXPECT_TRUE(wklib::is_word_char('Z'));
  EXPECT_FALSE(wklib::is_word_char('5'));
  EXPECT_FALSE(wklib::is_word_char(0x83));
  EXPECT_TRUE(wklib::is_trail_position("\x83\x5C", 1));
  EXPECT_FALSE(wklib::is_trail_position("\x83\x83\x5C", 2))
      << "two lead bytes before: 0x83 0x83 is one character";
  EXPECT_FALSE(wklib::is_trail_position("a\\", 1));
}

// lower() takes ASCII eight bytes at a time and hands other characters to the code
// page's rules: mixed texts at every alignment must come out as the character-by-
// character rules give them (a lead byte whose trail byte is a capital included).
TEST(string_lower, mixed_texts_agree_with_the_character_rules_at_every_alignment) {
  const char* const pieces[] = {"ABCDEFGHIJKZ",
                                "xyz",
                                "@[`{",
                                "Ｚ",
                                "ソA",
                                "\x83"
                                "A",
                                "表",
                                "ｱ",
                                "<A HREF=",
                                "Q",
                                " ",
                                "Ω"};
  const int piece_count = static_cast<int>(sizeof pieces / sizeof pieces[0]);
  unsigned seed = 12345;
  for (int round = 0; round < 400; ++round) {
    std::string text(round % 9, 'M');  // shifts the 8-byte steps against the characters
    const int count = 1 + round % 23;
    for (int i = 0; i < count; ++i) {
      seed = seed * 1103515245u + 12345u;
      text += pieces[(seed >> 16) % piece_count];
    }
    std::string expected = text;
    wklib::cp932_lower(&expected[0], static_cast<int>(expected.size()));
    string s(text.c_str());
    s.lower();
    ASSERT_EQ(hex(string(expected.c_str())), hex(s)) << "lower() of " << hex(string(text.c_str()));
  }
}

TEST(string_lower, lowers_ascii_and_full_width_letters_like_windows) {
  struct {
    const char* in;
    const char* out;
  } cases[] = {
      {"ABC xyz 09_", "abc xyz 09_"},
      {"ＡＢＣＺ", "ａｂｃｚ"},
      {"ΑΩ", "αω"},
      {"АЁНОЯ", "аёноя"},
      {"カタカナ\\ソ表", "カタカナ\\ソ表"},  // kana and kanji have no case
      {"ｱｲｳ", "ｱｲｳ"},                        // half-width katakana are single bytes
      {"\x83"
       "A",
       "\x83"
       "A"},  // 0x41 here is a trail byte, not a letter
      {"<A HREF=\"X.ZIP\">", "<a href=\"x.zip\">"},
  };
  for (const auto& c : cases) {
    string s(c.in);
    s.lower();
    EXPECT_EQ(hex(string(c.out)), hex(s)) << "lower() of " << hex(string(c.in));
  }
}

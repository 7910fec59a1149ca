// The compiler: program bytes, flags, literal tails and error codes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/regex/szrex_test_util.h"

namespace {

TEST(SzRexInit, AcceptsOnlyTheRecordSizeTag) {
  SzRexPattern record{};
  record.size = 55;
  EXPECT_EQ(0, SzRexInit(&record)) << "size 55 must be refused";
  EXPECT_EQ(nullptr, record.lead_bytes);
  record.size = SzRexPatternSize;
  record.start = 7;
  record.error = 3;
  ASSERT_EQ(1, SzRexInit(&record));
  EXPECT_EQ(0, record.start) << "init clears every field but the size";
  EXPECT_EQ(0, record.error);
  ASSERT_NE(nullptr, record.lead_bytes);
  // Lead bytes of code page 932 are 0x81-0x9F and 0xE0-0xFC; half-width katakana are single.
  for (int c : {0x80, 0x81, 0x9F, 0xA0, 0xB6, 0xDF, 0xE0, 0xFC, 0xFD, 0xFF})
    EXPECT_EQ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC), record.lead_bytes[c - 0x80])
        << std::hex << c;
  EXPECT_EQ(1, SzRexFree(&record));
  EXPECT_EQ(nullptr, record.lead_bytes);
}

// あ is 0x82 0xA0, ん 0x82 0xF1.
struct program_row {
  const char* pattern;
  std::vector<int> bytes;
  int flags;  // -1: not checked
} const programs[] = {
    // Alternation wraps the whole program; a quantifier the last atom, a group being one.
    {"a|b", {26, 5, 1, 'a', 12, 5, 1, 'b', 27, 0}, -1},
    {"(a|b)|c", {26, 26, 5, 1, 'a', 12, 5, 1, 'b', 27, 12, 5, 1, 'c', 27, 0}, -1},
    {"a+", {14, 0, 0, 0, 0, 5, 1, 'a', 0, 0}, SzRexFlagScratch | SzRexFlagStartFilter},
    {"a*?", {18, 0, 0, 0, 0, 5, 1, 'a', 0, 0}, -1},
    {"(ab)*", {13, 0, 0, 0, 0, 26, 5, 2, 'a', 'b', 27, 0, 0}, -1},
    // Counted repetition; values above 65535 become 65535; other braces are text.
    {"a{2,3}", {16, 0, 0, 0, 0, 2, 0, 3, 0, 5, 1, 'a', 0, 0}, -1},
    {"ab{2}", {5, 1, 'a', 16, 0, 0, 0, 0, 2, 0, 2, 0, 5, 1, 'b', 0, 0}, -1},
    {"a{1,}", {16, 0, 0, 0, 0, 1, 0, 0xFF, 0xFF, 5, 1, 'a', 0, 0}, -1},
    {"a{99999}", {16, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 5, 1, 'a', 0, 0}, -1},
    {"x{,3}", {5, 1, 'x', 5, 4, '{', ',', '3', '}', 0}, -1},
    // A literal run splits before a quantifier, a double-byte character whole.
    {"abc*", {5, 2, 'a', 'b', 13, 0, 0, 0, 0, 5, 1, 'c', 0, 0}, -1},
    {"xあ+", {5, 1, 'x', 14, 0, 0, 0, 0, 5, 2, 0x82, 0xA0, 0, 0}, -1},
    // Anchors, and their literal forms inside a run.
    {"a$", {5, 1, 'a', 3, 0}, -1},
    {"a$b", {5, 3, 'a', '$', 'b', 0}, -1},
    {"a^b", {5, 3, 'a', '^', 'b', 0}, -1},
    {"^a", {2, 5, 1, 'a', 0}, -1},
    {"\\w\\<\\>", {7, 8, 9, 0}, -1},
    // A trailing `.*` is removed (never the first node) and each match extends to its line end.
    {".*", {17, 0}, 0},
    {"a.*", {5, 1, 'a', 0}, SzRexFlagExtendLine | SzRexFlagStartFilter},
    {".*?", {18, 0, 0, 0, 0, 4, 0, 0}, -1},
    {"a.*b", {5, 1, 'a', 17, 5, 1, 'b', 0}, -1},
    // Escapes: a missing hex digit gives the letter x; a trailing backslash is itself.
    {"\\x4g", {5, 3, 'x', '4', 'g', 0}, -1},
    {"\\101", {5, 1, 'A', 0}, -1},
    {"\\x82\\xa0", {5, 2, 0x82, 0xA0, 0}, -1},
    {"\\a\\b\\t\\n\\r\\e", {5, 6, 7, 8, 9, 10, 13, 27, 0}, -1},
    {"\\.\\\\\\[\\$\\f", {5, 5, '.', '\\', '[', '$', 'f', 0}, -1},
    {"a\\", {5, 2, 'a', '\\', 0}, -1},
    // Classes. A mixed range widens both bounds; bytes 1-3 and lone lead-byte values
    // are written as ranges, or the matcher would read them as markers or pair them
    // with the next item's byte. Inside a class \w is the letter w and ^ [ $ are members.
    {"[ac]", {10, 'a', 'c', 0xFF, 0xFF, 0, 0, 'a', 'c', 0, 0}, -1},
    {"[^9-0]", {11, '0', '9', 0xFF, 0xFF, 0, 0, 1, '0', '9', 0, 0}, -1},
    {"[あ-ん]", {10, 0xFF, 0, 0x82, 0xA0, 0x82, 0xF1, 3, 0x82, 0xA0, 0x82, 0xF1, 0, 0}, -1},
    {"[a-あ]", {10, 'a', 0xFF, 0x01, 0x00, 0x82, 0xA0, 2, 'a', 0x82, 0xA0, 0, 0}, -1},
    {"[-a]", {10, '-', 'a', 0xFF, 0xFF, 0, 0, '-', 'a', 0, 0}, -1},
    {"[a-]", {10, '-', 'a', 0xFF, 0xFF, 0, 0, 'a', '-', 0, 0}, -1},
    {"[\\x02]", {10, 2, 2, 0xFF, 0xFF, 0, 0, 1, 2, 2, 0, 0}, -1},
    {"[]", {10, 0xFF, 0, 0xFF, 0xFF, 0, 0, 0, 0}, -1},
    {"[\\x81!]", {10, '!', 0x81, 0xFF, 0xFF, 0, 0, 1, 0x81, 0x81, '!', 0, 0}, -1},
    {"[\\w^[$]", {10, '$', 'w', 0xFF, 0xFF, 0, 0, 'w', '^', '[', '$', 0, 0}, -1},
    // Lookarounds; one at the start with a filter after it gives the lookbehind filter.
    {"foo(?=bar)", {5, 3, 'f', 'o', 'o', 22, 5, 3, 'b', 'a', 'r', 27, 0}, -1},
    {"(?!x)", {23, 5, 1, 'x', 27, 0}, -1},
    {"(?<=v)[0-9]+",
     {24, 5, 1, 'v', 27, 14, 0, 0, 0, 0, 10, '0', '9', 0xFF, 0xFF, 0, 0, 1, '0', '9', 0, 0, 0},
     0x07},
    {"(?<!x)a", {25, 0, 0, 0, 0, 5, 1, 'x', 27, 5, 1, 'a', 0}, 0x07},
};

TEST(SzRexCompile, ProgramBytesAndFlags) {
  for (const program_row& row : programs) {
    test_record r;
    ASSERT_EQ(1, r.compile(row.pattern)) << row.pattern << ": error " << r.record.error;
    EXPECT_EQ(row.bytes, r.bytes()) << row.pattern;
    if (row.flags >= 0) {
      EXPECT_EQ(static_cast<std::uint32_t>(row.flags), r.record.flags) << row.pattern;
    }
  }
}

// The literal text every match ends with, which lets a caller rule out ends cheaply.
TEST(SzRexCompile, LiteralTail) {
  struct {
    const char* pattern;
    const char* tail;  // "": none known, the count 0
  } cases[] = {
      {"<a href.*?>", ">"}, {"abc", "abc"}, {"x[0-9]*\\.zip", ".zip"},
      {"ab*", ""},          {"a|bc", ""},   {"(a|b)c", "c"},
      {"ab.*", ""},         {"a(?=b)", ""}, {"a$", ""},
      {"表", "表"},
  };
  for (const auto& c : cases) {
    test_record r;
    ASSERT_EQ(1, r.compile(c.pattern)) << c.pattern;
    const char* bytes = nullptr;
    const int n = SzRexLiteralTail(&r.record, &bytes);
    EXPECT_EQ(*c.tail ? c.tail : "0", n > 0 ? std::string(bytes, n) : std::to_string(n))
        << c.pattern;
  }
}

// A literal run beyond what a 2-byte length holds continues in a further node.
TEST(SzRexCompile, LongLiteralsContinueInFurtherNodes) {
  const std::string huge(70000, 'z');
  test_record h;
  ASSERT_EQ(1, h.compile(huge.c_str()));
  const std::vector<int> program = h.bytes();
  ASSERT_EQ(3u + 65535u + 3u + 4465u + 1u, program.size());
  EXPECT_EQ((std::vector<int>{6, 0xFF, 0xFF}),
            std::vector<int>(program.begin(), program.begin() + 3));
  EXPECT_EQ((std::vector<int>{6, 4465 & 0xFF, 4465 >> 8}),
            std::vector<int>(program.begin() + 3 + 65535, program.begin() + 3 + 65535 + 3));
  EXPECT_EQ("1:" + huge, h.find(("x" + huge).c_str()));
}

TEST(SzRexCompile, ErrorCodes) {
  const std::string deep(32, '('), closing(32, ')');
  std::string many;
  for (int i = 0; i <= SzRexMaxBranchNodes; ++i) many += "a?";
  const struct {
    std::string pattern;
    int error;
  } cases[] = {
      {"*a", SzRexErrorNothingToRepeat},
      {"(*a)", SzRexErrorNothingToRepeat},
      {"a**", SzRexErrorNothingToRepeat},
      {"a|*b", SzRexErrorNothingToRepeat},
      {"a{2}?", SzRexErrorNothingToRepeat},
      {"(?x)", SzRexErrorNothingToRepeat},
      {"(a", SzRexErrorUnbalanced},
      {"a)", SzRexErrorUnbalanced},
      {"[ab", SzRexErrorUnbalanced},
      {"a|b)", SzRexErrorUnbalanced},
      {"[a\\", SzRexErrorUnbalanced},
      {"[\\x00]", SzRexErrorClassNul},
      {"[a-\\0]", SzRexErrorClassNul},
      {deep + "a" + closing, SzRexErrorNesting},
      {many, SzRexErrorTooComplex},
      {std::string(SzRexMaxPatternLength + 1, 'a'), SzRexErrorTooLarge},
      {"", SzRexErrorNone},  // an empty pattern fails without a code
  };
  for (const auto& c : cases) {
    test_record r;
    EXPECT_EQ(0, r.compile(c.pattern.c_str())) << c.pattern.substr(0, 40) << " must fail";
    EXPECT_EQ(c.error, r.record.error) << c.pattern.substr(0, 40);
  }
  EXPECT_EQ("0:a", find_text((deep.substr(1) + "a" + closing.substr(1)).c_str(), "a"))
      << "31 open groups are allowed";
}

}  // namespace

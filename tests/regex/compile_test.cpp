// The compiler: program bytes, flags and error codes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/regex/szrex_test_util.h"

namespace {

using bytes = std::vector<int>;

bytes compiled(const char* pattern, std::uint32_t* flags = nullptr) {
  test_record r;
  EXPECT_EQ(1, r.compile(pattern))
      << "expected " << pattern << " to compile, error " << r.record.error;
  if (flags) *flags = r.record.flags;
  return r.bytes();
}

int error_of(const char* pattern) {
  test_record r;
  int ok = r.compile(pattern);
  EXPECT_EQ(0, ok) << "expected " << pattern << " to fail";
  return r.record.error;
}

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
  EXPECT_EQ(1, record.lead_bytes[0x81 - 0x80]) << "0x81 is a lead byte of code page 932";
  EXPECT_EQ(1, record.lead_bytes[0xFC - 0x80]);
  EXPECT_EQ(0, record.lead_bytes[0xA0 - 0x80]) << "0xA0 is not a lead byte";
  EXPECT_EQ(0, record.lead_bytes[0xB6 - 0x80]) << "half-width katakana are single bytes";
  EXPECT_EQ(1, SzRexFree(&record));
  EXPECT_EQ(nullptr, record.lead_bytes);
}

TEST(SzRexCompile, AlternationWrapsTheWholeProgram) {
  EXPECT_EQ((bytes{26, 5, 1, 'a', 12, 5, 1, 'b', 27, 0}), compiled("a|b"));
  EXPECT_EQ((bytes{26, 26, 5, 1, 'a', 12, 5, 1, 'b', 27, 12, 5, 1, 'c', 27, 0}),
            compiled("(a|b)|c"));
}

TEST(SzRexCompile, QuantifiersWrapTheLastAtom) {
  EXPECT_EQ((bytes{13, 0, 0, 0, 0, 5, 1, 'a', 0, 0}), compiled("a*"));
  EXPECT_EQ((bytes{14, 0, 0, 0, 0, 5, 1, 'a', 0, 0}), compiled("a+"));
  EXPECT_EQ((bytes{15, 0, 0, 0, 0, 5, 1, 'a', 0, 0}), compiled("a?"));
  EXPECT_EQ((bytes{18, 0, 0, 0, 0, 5, 1, 'a', 0, 0}), compiled("a*?"));
  EXPECT_EQ((bytes{19, 0, 0, 0, 0, 5, 1, 'a', 0, 0}), compiled("a+?"));
  EXPECT_EQ((bytes{20, 0, 0, 0, 0, 5, 1, 'a', 0, 0}), compiled("a??"));
  // A group is one atom.
  EXPECT_EQ((bytes{13, 0, 0, 0, 0, 26, 5, 2, 'a', 'b', 27, 0, 0}), compiled("(ab)*"));
  std::uint32_t flags = 0;
  compiled("x+", &flags);
  EXPECT_EQ(0x03u, flags) << "scratch slots and a start filter";
}

TEST(SzRexCompile, CountedRepetition) {
  EXPECT_EQ((bytes{16, 0, 0, 0, 0, 2, 0, 3, 0, 5, 1, 'a', 0, 0}), compiled("a{2,3}"));
  EXPECT_EQ((bytes{5, 1, 'a', 16, 0, 0, 0, 0, 2, 0, 2, 0, 5, 1, 'b', 0, 0}), compiled("ab{2}"));
  EXPECT_EQ((bytes{16, 0, 0, 0, 0, 1, 0, 0xFF, 0xFF, 5, 1, 'a', 0, 0}), compiled("a{1,}"));
  EXPECT_EQ((bytes{16, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 5, 1, 'a', 0, 0}), compiled("a{99999}"))
      << "values above 65535 become 65535";
  // Not of the form: plain text.
  EXPECT_EQ((bytes{5, 1, 'x', 5, 4, '{', ',', '3', '}', 0}), compiled("x{,3}"));
  EXPECT_EQ((bytes{5, 1, 'x', 5, 3, '{', 'a', '}', 0}), compiled("x{a}"));
}

TEST(SzRexCompile, LiteralRunsSplitBeforeAQuantifier) {
  EXPECT_EQ((bytes{5, 2, 'a', 'b', 13, 0, 0, 0, 0, 5, 1, 'c', 0, 0}), compiled("abc*"));
  // A double-byte character is split off whole: あ is 0x82 0xA0.
  EXPECT_EQ((bytes{5, 1, 'x', 14, 0, 0, 0, 0, 5, 2, 0x82, 0xA0, 0, 0}), compiled("xあ+"));
  EXPECT_EQ(
      (bytes{5,    7,    't', 'e', 'x', 'i', 'n', 's', 't', 13, 0, 0,   0,   0,   10,  '0', '9',
             0xFF, 0xFF, 0,   0,   1,   '0', '9', 0,   0,   5,  4, '.', 'z', 'i', 'p', 0}),
      compiled("texinst[0-9]*\\.zip"));
}

TEST(SzRexCompile, AnchorsAndTheirLiteralForms) {
  EXPECT_EQ((bytes{5, 1, 'a', 3, 0}), compiled("a$"));
  EXPECT_EQ((bytes{5, 3, 'a', '$', 'b', 0}), compiled("a$b"));
  EXPECT_EQ((bytes{5, 3, 'a', '^', 'b', 0}), compiled("a^b"));
  EXPECT_EQ((bytes{2, 5, 1, 'a', 0}), compiled("^a"));
  EXPECT_EQ((bytes{7, 8, 9, 0}), compiled("\\w\\<\\>"));
}

TEST(SzRexCompile, DotStarAndItsRemovalAtTheEnd) {
  std::uint32_t flags = 0;
  EXPECT_EQ((bytes{17, 0}), compiled(".*", &flags));
  EXPECT_EQ(0u, flags & SzRexFlagExtendLine) << "the first node is never removed";
  EXPECT_EQ((bytes{5, 1, 'a', 0}), compiled("a.*", &flags));
  EXPECT_EQ(SzRexFlagExtendLine, flags & SzRexFlagExtendLine);
  EXPECT_EQ((bytes{18, 0, 0, 0, 0, 4, 0, 0}), compiled(".*?"));
  EXPECT_EQ((bytes{5, 1, 'a', 17, 5, 1, 'b', 0}), compiled("a.*b"));
}

// The literal text every match ends with, which lets a caller rule out ends cheaply.
TEST(SzRexCompile, LiteralTail) {
  struct {
    const char* pattern;
    const char* tail;  // nullptr: none known
  } cases[] = {
      {"<a href.*?>", ">"}, {"abc", "abc"},  {"x[0-9]*\\.zip", ".zip"}, {"ab*", nullptr},
      {"a|bc", nullptr},    {"(a|b)c", "c"}, {"ab.*", nullptr},         {"a(?=b)", nullptr},
      {"a$", nullptr},      {"表", "表"},
  };
  for (const auto& c : cases) {
    test_record r;
    ASSERT_EQ(1, r.compile(c.pattern)) << c.pattern;
    const char* bytes = nullptr;
    const int n = SzRexLiteralTail(&r.record, &bytes);
    if (!c.tail) {
      EXPECT_EQ(0, n) << c.pattern << ": expected no tail, got "
                      << std::string(bytes ? bytes : "", n);
    } else {
      EXPECT_EQ(std::string(c.tail), std::string(bytes ? bytes : "", n)) << c.pattern;
    }
  }
}

TEST(SzRexCompile, Escapes) {
  EXPECT_EQ((bytes{5, 3, 'x', '4', 'g', 0}), compiled("\\x4g"))
      << "a missing hex digit gives the letter x";
  EXPECT_EQ((bytes{5, 1, 'A', 0}), compiled("\\101"));
  EXPECT_EQ((bytes{5, 2, 0x82, 0xA0, 0}), compiled("\\x82\\xa0"));
  EXPECT_EQ((bytes{5, 6, 7, 8, 9, 10, 13, 27, 0}), compiled("\\a\\b\\t\\n\\r\\e"));
  EXPECT_EQ((bytes{5, 5, '.', '\\', '[', '$', 'f', 0}), compiled("\\.\\\\\\[\\$\\f"));
  EXPECT_EQ((bytes{5, 2, 'a', '\\', 0}), compiled("a\\")) << "a trailing backslash is itself";
}

TEST(SzRexCompile, CharacterClasses) {
  EXPECT_EQ((bytes{10, 'a', 'c', 0xFF, 0xFF, 0, 0, 'a', 'c', 0, 0}), compiled("[ac]"));
  EXPECT_EQ((bytes{11, '0', '9', 0xFF, 0xFF, 0, 0, 1, '0', '9', 0, 0}), compiled("[^9-0]"));
  // あ-ん: a double-byte range.
  EXPECT_EQ((bytes{10, 0xFF, 0, 0x82, 0xA0, 0x82, 0xF1, 3, 0x82, 0xA0, 0x82, 0xF1, 0, 0}),
            compiled("[あ-ん]"));
  // a-あ: a mixed range widens both bounds.
  EXPECT_EQ((bytes{10, 'a', 0xFF, 0x01, 0x00, 0x82, 0xA0, 2, 'a', 0x82, 0xA0, 0, 0}),
            compiled("[a-あ]"));
  EXPECT_EQ((bytes{10, '-', 'a', 0xFF, 0xFF, 0, 0, '-', 'a', 0, 0}), compiled("[-a]"));
  EXPECT_EQ((bytes{10, '-', 'a', 0xFF, 0xFF, 0, 0, 'a', '-', 0, 0}), compiled("[a-]"));
  EXPECT_EQ((bytes{10, 2, 2, 0xFF, 0xFF, 0, 0, 1, 2, 2, 0, 0}), compiled("[\\x02]"))
      << "bytes 1-3 are written as ranges";
  EXPECT_EQ((bytes{10, 0xFF, 0, 0xFF, 0xFF, 0, 0, 0, 0}), compiled("[]"));
  // A lone lead-byte value is written as a range, or the matcher would pair it
  // with the next item's byte.
  EXPECT_EQ((bytes{10, '!', 0x81, 0xFF, 0xFF, 0, 0, 1, 0x81, 0x81, '!', 0, 0}),
            compiled("[\\x81!]"));
  EXPECT_EQ("2:!", find_text("[\\x81!]", "\x81\x40!"));
  EXPECT_EQ((bytes{10, '$', 'w', 0xFF, 0xFF, 0, 0, 'w', '^', '[', '$', 0, 0}), compiled("[\\w^[$]"))
      << "inside a class \\w is the letter w and ^ [ $ are members";
}

TEST(SzRexCompile, Lookarounds) {
  EXPECT_EQ((bytes{5, 3, 'f', 'o', 'o', 22, 5, 3, 'b', 'a', 'r', 27, 0}), compiled("foo(?=bar)"));
  EXPECT_EQ((bytes{23, 5, 1, 'x', 27, 0}), compiled("(?!x)"));
  std::uint32_t flags = 0;
  EXPECT_EQ((bytes{24,  5,    1,    'v', 27, 14, 0,   0,   0, 0, 10, '0',
                   '9', 0xFF, 0xFF, 0,   0,  1,  '0', '9', 0, 0, 0}),
            compiled("(?<=v)[0-9]+", &flags));
  EXPECT_EQ(0x07u, flags);
  EXPECT_EQ((bytes{25, 0, 0, 0, 0, 5, 1, 'x', 27, 5, 1, 'a', 0}), compiled("(?<!x)a", &flags));
  EXPECT_EQ(0x07u, flags);
}

TEST(SzRexCompile, LongLiterals) {
  std::string text(300, 'q');
  bytes program = compiled(text.c_str());
  ASSERT_EQ(300u + 4u, program.size());
  EXPECT_EQ(6, program[0]);
  EXPECT_EQ(300 & 0xFF, program[1]);
  EXPECT_EQ(300 >> 8, program[2]);
  // Beyond what a 2-byte length holds the run continues in a further node.
  std::string huge(70000, 'z');
  program = compiled(huge.c_str());
  ASSERT_EQ(3u + 65535u + 3u + 4465u + 1u, program.size());
  EXPECT_EQ(6, program[0]);
  EXPECT_EQ(0xFF, program[1]);
  EXPECT_EQ(0xFF, program[2]);
  EXPECT_EQ(6, program[3 + 65535]);
  EXPECT_EQ(4465 & 0xFF, program[3 + 65535 + 1]);
  EXPECT_EQ(find_text(huge.c_str(), ("x" + huge).c_str()), "1:" + huge);
}

TEST(SzRexCompile, ErrorCodes) {
  for (const char* pattern : {"*a", "(*a)", "a**", "a|*b", "a{2}?", "(?x)"})
    EXPECT_EQ(SzRexErrorNothingToRepeat, error_of(pattern)) << pattern;
  for (const char* pattern : {"(a", "a)", "[ab", "a|b)", "[a\\"})
    EXPECT_EQ(SzRexErrorUnbalanced, error_of(pattern)) << pattern;
  EXPECT_EQ(SzRexErrorClassNul, error_of("[\\x00]"));
  EXPECT_EQ(SzRexErrorClassNul, error_of("[a-\\0]"));
  std::string nested(32, '(');
  EXPECT_EQ(SzRexErrorNesting, error_of((nested + "a" + std::string(32, ')')).c_str()));
  std::string deepest(31, '(');
  EXPECT_EQ(std::string("0:a"), find_text((deepest + "a" + std::string(31, ')')).c_str(), "a"))
      << "31 open groups are allowed";
  std::string many;
  for (int i = 0; i <= SzRexMaxBranchNodes; ++i) many += "a?";
  EXPECT_EQ(SzRexErrorTooComplex, error_of(many.c_str()));
  std::string large(SzRexMaxPatternLength + 1, 'a');
  EXPECT_EQ(SzRexErrorTooLarge, error_of(large.c_str()));
  test_record empty;
  EXPECT_EQ(0, empty.compile(""));
  EXPECT_EQ(0, empty.record.error) << "an empty pattern fails without a code";
}

}  // namespace

// Fuzzy matching: the shared block filled from the registry, the built-in tables,
// definition files, and searches through the conversion. On Windows this runs
// against the real registry key, named file mapping and mutex.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "regex/szrex_fuzzy.h"
#include "regex/szrex_os.h"
#include "support/pattern_search.h"
#include "tests/regex/szrex_test_util.h"
#include "tests/support/pattern_search_util.h"

#if !defined(TAMARI_NATIVE)
#include <windows.h>
#endif

namespace {

const char key_path[] = "Software\\Sazanami\\SzRex";

// A value of the engine's registry key as a user would set it: a number, or a text.
void set_value(const char* name, std::uint32_t number, const char* text = nullptr) {
#if defined(TAMARI_NATIVE)
  if (text)
    szrex_os::native_registry_set_string(name, text);
  else
    szrex_os::native_registry_set_dword(name, number);
#else
  HKEY key;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, key_path, 0, nullptr, 0, KEY_WRITE,
                                           nullptr, &key, nullptr));
  const DWORD data = number;
  EXPECT_EQ(ERROR_SUCCESS,
            text ? RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                                  static_cast<DWORD>(std::strlen(text) + 1))
                 : RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                                  sizeof data));
  RegCloseKey(key);
#endif
}

// A fresh start of the engine's shared state (no other holder exists in a test), under
// the given FuzzyFlag if there is one.
void restart(std::int64_t flag = -1) {
  if (flag >= 0) set_value("FuzzyFlag", static_cast<std::uint32_t>(flag));
  SzRexShutdown();
#if defined(TAMARI_NATIVE)
  szrex_os::native_shared_reset();
#endif
  ASSERT_EQ(1, SzRexStartup(nullptr));
}

class fuzzy_setup : public ::testing::Test {
 protected:
  void SetUp() override { clear(); }
  void TearDown() override {
    SzRexShutdown();
    clear();
  }
  static void clear() {
#if defined(TAMARI_NATIVE)
    szrex_os::native_registry_clear();
#else
    RegDeleteKeyA(HKEY_CURRENT_USER, key_path);
#endif
  }
  caught_reports caught_;
  std::vector<std::string>& messages = caught_reports::all();
};

struct context {
  SzRexFuzzy c{};
  int ok = 0;
  context() {
    c.size = SzRexFuzzySize;
    ok = SzRexFuzzyInit(&c);
  }
  ~context() { SzRexFuzzyFree(&c); }
  std::string convert(const char* text) {
    if (!SzRexFuzzyConvertSubject(&c, text, static_cast<std::uint32_t>(std::strlen(text))))
      return "conversion failed";
    return std::string(c.subject, c.subject_length);
  }
  std::string pattern(const char* text) {
    const char* converted = SzRexFuzzyConvertPattern(&c, text);
    return converted ? converted : "(failed)";
  }
};

std::string write_file(const char* name, const char* content) {
#if defined(TAMARI_NATIVE)
  const std::string path = std::string(TAMARI_TEST_BINARY_DIR) + "/" + name;
#else
  char directory[MAX_PATH];
  GetTempPathA(MAX_PATH, directory);
  const std::string path = std::string(directory) + name;
#endif
  std::ofstream(path, std::ios::binary) << content;
  return path;
}

// The shared block as another holder maps it, by its name.
struct block_view {
  bool existed = false;
  void* handle = nullptr;
  const SzRexShared* block = static_cast<const SzRexShared*>(szrex_os::shared_open(
      "Sazanami_SzRexDllFileMapping", sizeof(SzRexShared), &existed, &handle));
  ~block_view() {
    if (block) szrex_os::shared_close(const_cast<SzRexShared*>(block), handle);
  }
};

TEST_F(fuzzy_setup, MissingKeyGivesTheDefaultFlagAndTheFirstHolderFillsTheBlock) {
  restart();
  EXPECT_EQ(SzRexFuzzyDefault, SzRexSharedFuzzyFlag());
  {
    const block_view view;  // on Windows a real named mapping
    ASSERT_TRUE(view.block && view.existed);
    EXPECT_EQ(SzRexFuzzyDefault, view.block->fuzzy_flag);
  }
#if !defined(TAMARI_NATIVE)
  HKEY key = nullptr;
  EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, key_path, 0, KEY_READ, &key))
      << "the start-up creates the key";
  if (key) RegCloseKey(key);
  HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, "Sazanami_SzRexDllMutex");
  EXPECT_NE(nullptr, mutex);
  if (mutex) CloseHandle(mutex);
#endif
  restart(0x08);
  EXPECT_EQ(0x08u, SzRexSharedFuzzyFlag());
  set_value("FuzzyFlag", 0x20);
  ASSERT_EQ(1, SzRexStartup(nullptr)) << "a second start-up finds the block open";
  EXPECT_EQ(0x08u, SzRexSharedFuzzyFlag()) << "an existing block is not filled again";
}

// Offsets are those of the unconverted subject, in the engine and the pattern search.
TEST_F(fuzzy_setup, KatakanaFindsHiraganaWithFlag08) {
  restart(SzRexFuzzyKana);
  EXPECT_EQ("10:かたかな", find_text("カタカナ", "ひらがなとかたかな", true));
  EXPECT_EQ("", find_text("カタカナ", "ひらがな", true));
  wklib::pattern_search finder;
  ASSERT_TRUE(finder.set_option("aimai", 1));
  ASSERT_TRUE(finder.set_pattern("カタ\\fカナ"));
  EXPECT_EQ("2:かた|かな", found(finder, "xyかたかなz"));
  EXPECT_TRUE(messages.empty()) << messages[0];
}

TEST_F(fuzzy_setup, DefaultTablesFoldWidthsKanaAndCase) {
  restart();
  context c;
  ASSERT_EQ(1, c.ok);
  ASSERT_NE(nullptr, c.c.table) << "0xFEFF enters the built-in tables";
  const struct {
    const char *a, *b;
  } same[] = {
      {"ガ", "ｶﾞ"}, {"カ", "か"}, {"ＡＢＣ", "abc"}, {"ー", "－"}, {"ァ", "ア"}, {"\"a\"", "”ａ“"},
  };
  for (const auto& s : same) EXPECT_EQ(c.convert(s.a), c.convert(s.b)) << s.a << " and " << s.b;
  EXPECT_EQ("ABC", c.convert("ａｂｃ"));
  EXPECT_EQ("AB", c.convert("a b")) << "blanks are skipped under 0x80";
  // Skipped characters right after a match are not part of it.
  EXPECT_EQ("0:ab", find_text("ab", "ab  c", true));
  EXPECT_EQ("0:かた", find_text("かた", "かた  な", true));
  // A letter after a lead byte is its trail byte, and stays as it is.
  EXPECT_EQ("\x81\x61\x9F\x61\xE0\x61\xFC\x61", c.convert("\x81\x61\x9F\x61\xE0\x61\xFC\x61"));
  SzRexFuzzy wrong{};
  wrong.size = 80;
  EXPECT_EQ(0, SzRexFuzzyInit(&wrong)) << "only the size 84 is accepted";
}

TEST_F(fuzzy_setup, PatternConversionKeepsMetacharacters) {
  restart(SzRexFuzzyHalfWidth);
  context c;
  ASSERT_EQ(1, c.ok);
  EXPECT_EQ("a\\*(b)*\\.", c.pattern("a＊(ｂ)*\\."));
  EXPECT_EQ("(\xB6\xDE)*(\xB6\xDE)+(\xB6\xDE)?(\xB6\xDE){2}\xB6\xDE", c.pattern("ガ*ガ+ガ?ガ{2}ガ"))
      << "a converted double-byte character before a quantifier is parenthesised, elsewhere not";
  EXPECT_EQ("3:TeX2008", find_text("ＴｅＸ[0-9]+", "xx TeX2008", true));
  EXPECT_EQ("0:ＴｅＸ１", find_text("ＴｅＸ[0-9]+", "ＴｅＸ１", true));
}

TEST_F(fuzzy_setup, DefinitionFileErrorsAreShownOncePerProcess) {
  // CRLF counts as one line end in the line numbers of the messages.
  const std::string bad = write_file("szrex_definitions_bad.txt", "a b\r\nlonely\r\n");
  set_value("Custom1", 0, bad.c_str());
  restart(SzRexFuzzyFile1);
  EXPECT_EQ(1, context().ok) << "the context is set up with what the block holds";
  ASSERT_EQ(1u, messages.size());
  EXPECT_EQ(
      "SzRex.dll - あいまい検索定義ファイルの読み込みエラー|"
      "同一視する単語が１つしか指定されていません。\n\nファイル名 = " +
          bad + "\n行番号 = 2",
      messages[0]);
  set_value("Custom1", 0, (bad + ".missing").c_str());
  restart();
  EXPECT_EQ(1, context().ok);
  EXPECT_EQ(1u, messages.size()) << "definition errors are shown once per process";
  std::remove(bad.c_str());
}

// A definition file's characters and synonym words. The words become alternations
// of their group in a fuzzy pattern; a word under a quantifier cannot, and a
// substitution longer than the definitions' figures promise is an internal error.
TEST_F(fuzzy_setup, DefinitionFileGroupsAndSynonymWordsInPatterns) {
  const std::string path = write_file("szrex_definitions.txt",
                                      "// synonyms and characters\r\n"
                                      "  x y z   // x, y and z are one\r\n"
                                      "TeX LaTeX\n"
                                      "q ........\n"
                                      "1 5\n5 3\n"   // two groups that share 5 become one
                                      "ｶﾞ ガ\n"      // a voiced pair stands for its group
                                      "ｷﾞ ギ ｷ\n"    // unless a single byte is on the line
                                      // the smallest code stands for the group: the trail
                                      // byte of む is that of ﾞ, and 0x9F, 0xFC lead bytes
                                      "あ む \x9F\x40 \xFC\x40\n");
  set_value("Custom1", 0, path.c_str());
  restart(SzRexFuzzyFile1);
  context c;
  ASSERT_EQ(1, c.ok);
  ASSERT_TRUE(messages.empty()) << messages[0];
  const unsigned char expected[] = {3,   'T', 'e', 'X', 5,   'L', 'a', 'T', 'e', 'X', 0, 1,
                                    'q', 8,   '.', '.', '.', '.', '.', '.', '.', '.', 0, 0};
  ASSERT_NE(nullptr, c.c.synonyms);
  EXPECT_EQ(std::string(expected, expected + sizeof expected),
            std::string(c.c.synonyms, c.c.synonyms + c.c.synonym_size));
  EXPECT_EQ(8u, c.c.longest_word);
  EXPECT_EQ((1u + 8u + 2u + 1u) / 1u, c.c.word_ratio) << "the q line's, above TeX's 11 / 3";
  EXPECT_EQ("xxx", c.convert("zyx"));
  EXPECT_EQ(c.convert("1"), c.convert("3"));
  EXPECT_EQ(c.convert("1"), c.convert("5"));
  EXPECT_EQ("\xB6\xDE", c.convert("ガ"));
  EXPECT_EQ("\xB7\xB7", c.convert("ギｷ"));
  EXPECT_EQ("あああ", c.convert("む\x9F\x40\xFC\x40"));
  // Another holder of the block sees which rows of the table have entries.
  const block_view view;
  ASSERT_TRUE(view.block);
  std::string flagged;
  for (int row = 0; row < 61; ++row)
    if (view.block->row_flags[row]) flagged += std::to_string(row) + " ";
  EXPECT_EQ("0 2 3 31 60 ", flagged) << "single bytes and lead bytes 0x82, 0x83, 0x9F, 0xFC";
  const struct {
    const char *pattern, *converted;
  } rows[] = {
      {"a TeX b", "a (TeX|LaTeX) b"},
      {"LaTeX2e", "(TeX|LaTeX)2e"},
      {"\\TeX", "\\TeX"},  // an escape passes whole, and "eX" is no word
      {"[TeX]", "[TeX]"},
      {"TeX+", "(failed)"},
  };
  for (const auto& r : rows) EXPECT_EQ(r.converted, c.pattern(r.pattern)) << r.pattern;
  ASSERT_EQ(1u, messages.size());
  EXPECT_EQ("SzRex.dll - あいまい検索|同一視指定の変換が出来ません。（呼び出し元との相性問題）",
            messages[0]);
  messages.clear();
  EXPECT_EQ("(failed)", c.pattern("q"))
      << "eight escaped dots are more than the figures of the line promise";
  ASSERT_EQ(2u, messages.size());
  EXPECT_EQ(
      "SzRex.dll - あいまい検索|オーバーラン発生１、次に出てくるメッセージ内容をメモして、"
      "ファイル中のどの行か探してください。",
      messages[0]);
  EXPECT_EQ("SzRex.dllでの内部エラー、死にます|(q|\\.\\.\\.\\.\\.", messages[1]);
  std::remove(path.c_str());
}

}  // namespace

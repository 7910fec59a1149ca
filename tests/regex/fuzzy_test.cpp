// Fuzzy matching: the shared block filled from the registry, the built-in tables,
// definition files, and searches through the conversion. On Windows this runs
// against the real registry key, named file mapping and mutex.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "regex/guarded_memory.h"
#include "regex/szrex.h"
#include "regex/szrex_fuzzy.h"
#include "support/pattern_search.h"

#if defined(TAMARI_NATIVE)
#include "regex/szrex_os.h"
#else
#include <windows.h>
#endif

namespace {

// The engine's registry key, as a user would have set it.
void clear_settings() {
#if defined(TAMARI_NATIVE)
  szrex_os::native_registry_clear();
#else
  RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Sazanami\\SzRex");
#endif
}

void set_flag(std::uint32_t value) {
#if defined(TAMARI_NATIVE)
  szrex_os::native_registry_set_dword("FuzzyFlag", value);
#else
  HKEY key;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Sazanami\\SzRex", 0,
                                           nullptr, 0, KEY_WRITE, nullptr, &key, nullptr));
  DWORD data = value;
  EXPECT_EQ(ERROR_SUCCESS, RegSetValueExA(key, "FuzzyFlag", 0, REG_DWORD,
                                          reinterpret_cast<const BYTE*>(&data), sizeof data));
  RegCloseKey(key);
#endif
}

void set_custom(int slot, const char* path) {
  char name[16];
  std::snprintf(name, sizeof name, "Custom%d", slot);
#if defined(TAMARI_NATIVE)
  szrex_os::native_registry_set_string(name, path);
#else
  HKEY key;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Sazanami\\SzRex", 0,
                                           nullptr, 0, KEY_WRITE, nullptr, &key, nullptr));
  EXPECT_EQ(ERROR_SUCCESS, RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(path),
                                          static_cast<DWORD>(std::strlen(path) + 1)));
  RegCloseKey(key);
#endif
}

// A fresh start of the engine's shared state (no other holder exists in a test).
void restart() {
  SzRexShutdown();
#if defined(TAMARI_NATIVE)
  szrex_os::native_shared_reset();
#endif
  ASSERT_EQ(1, SzRexStartup(nullptr));
}

std::vector<std::string> g_messages;
void capture(const char* text, const char* caption) {
  g_messages.push_back(std::string(caption) + "|" + text);
}

class fuzzy_setup : public ::testing::Test {
 protected:
  void SetUp() override {
    g_messages.clear();
    previous_ = SzRexSetReportHook(capture);
    clear_settings();
  }
  void TearDown() override {
    SzRexShutdown();
    clear_settings();
    SzRexSetReportHook(previous_);
  }
  SzRexReportHook previous_ = nullptr;
};

std::string convert(SzRexFuzzy* context, const char* text) {
  if (!SzRexFuzzyConvertSubject(context, text, static_cast<std::uint32_t>(std::strlen(text))))
    return "conversion failed";
  return std::string(context->subject, context->subject_length);
}

TEST_F(fuzzy_setup, MissingKeyGivesTheDefaultFlag) {
  restart();
  EXPECT_EQ(0xFEFFu, SzRexSharedFuzzyFlag());
#if !defined(TAMARI_NATIVE)
  HKEY key = nullptr;
  EXPECT_EQ(ERROR_SUCCESS,
            RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Sazanami\\SzRex", 0, KEY_READ, &key))
      << "the start-up creates the key";
  if (key) RegCloseKey(key);
  // The block is a real named mapping, guarded by a real named mutex.
  SetLastError(0xdeadbeef);
  HANDLE mapping = OpenFileMappingA(FILE_MAP_READ, FALSE, "Sazanami_SzRexDllFileMapping");
  ASSERT_NE(nullptr, mapping) << "error " << GetLastError();
  const SzRexShared* view =
      static_cast<const SzRexShared*>(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0));
  ASSERT_NE(nullptr, view);
  EXPECT_EQ(0xFEFFu, view->fuzzy_flag);
  UnmapViewOfFile(view);
  CloseHandle(mapping);
  HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, "Sazanami_SzRexDllMutex");
  EXPECT_NE(nullptr, mutex);
  if (mutex) CloseHandle(mutex);
#endif
}

TEST_F(fuzzy_setup, FlagFromTheRegistryAndTheFirstHolderFillsTheBlock) {
  set_flag(0x08);
  restart();
  EXPECT_EQ(0x08u, SzRexSharedFuzzyFlag());
  set_flag(0x20);
  ASSERT_EQ(1, SzRexStartup(nullptr)) << "a second start-up finds the block open";
  EXPECT_EQ(0x08u, SzRexSharedFuzzyFlag()) << "an existing block is not filled again";
}

TEST_F(fuzzy_setup, KatakanaFindsHiraganaWithFlag08) {
  set_flag(0x08);
  restart();
  SzRexPattern record{};
  record.size = SzRexPatternSize;
  ASSERT_EQ(1, SzRexInit(&record));
  record.fuzzy = 1;
  ASSERT_EQ(1, SzRexCompile(&record, "カタカナ")) << "error " << record.error;
  const char subject[] = "ひらがなとかたかな";
  ASSERT_EQ(1, SzRexFind(&record, subject));
  EXPECT_EQ(10, record.match_start) << "offsets are in the unconverted subject";
  EXPECT_EQ(8, record.match_length);
  EXPECT_EQ(0, SzRexFind(&record, "ひらがな"));
  SzRexFree(&record);
  EXPECT_TRUE(g_messages.empty());
}

TEST_F(fuzzy_setup, PatternSearchInFuzzyModeMapsPositionsBack) {
  set_flag(0x08);
  restart();
  wklib::pattern_search finder;
  ASSERT_TRUE(finder.set_option("aimai", 1));
  ASSERT_TRUE(finder.set_pattern("カタ\\fカナ"));
  ASSERT_TRUE(finder.search("xyかたかなz"));
  EXPECT_EQ("かたかな", std::string(finder.submatch(-1).c_str()));
  EXPECT_EQ("かた", std::string(finder.submatch(0).c_str()));
  EXPECT_EQ("かな", std::string(finder.submatch(1).c_str()));
  EXPECT_EQ(2, finder.submatch_pos(0));
  EXPECT_EQ(6, finder.submatch_pos(1));
}

TEST_F(fuzzy_setup, DefaultTablesFoldWidthsKanaAndCase) {
  restart();
  SzRexFuzzy context{};
  context.size = SzRexFuzzySize;
  ASSERT_EQ(1, SzRexFuzzyInit(&context));
  ASSERT_NE(nullptr, context.table) << "0xFEFF enters the built-in tables";
  EXPECT_EQ(convert(&context, "ガ"), convert(&context, "ｶﾞ"));
  EXPECT_EQ(convert(&context, "カ"), convert(&context, "か"));
  EXPECT_EQ(convert(&context, "ＡＢＣ"), convert(&context, "abc"));
  EXPECT_EQ("ABC", convert(&context, "ａｂｃ"));
  EXPECT_EQ(convert(&context, "ー"), convert(&context, "－"));
  EXPECT_EQ("AB", convert(&context, "a b")) << "blanks are skipped under 0x80";
  EXPECT_EQ(convert(&context, "ァ"), convert(&context, "ア"));
  EXPECT_EQ(convert(&context, "\"a\""), convert(&context, "”ａ“"));
  SzRexFuzzyFree(&context);
  SzRexFuzzy wrong{};
  wrong.size = 80;
  EXPECT_EQ(0, SzRexFuzzyInit(&wrong)) << "only the size 84 is accepted";
}

TEST_F(fuzzy_setup, PatternConversionKeepsMetacharacters) {
  set_flag(0x04);
  restart();
  SzRexFuzzy context{};
  context.size = SzRexFuzzySize;
  ASSERT_EQ(1, SzRexFuzzyInit(&context));
  EXPECT_STREQ("a\\*(b)*\\.", SzRexFuzzyConvertPattern(&context, "a＊(ｂ)*\\."));
  EXPECT_STREQ("(\xB6\xDE)+", SzRexFuzzyConvertPattern(&context, "ガ+"))
      << "a converted double-byte character before a quantifier is parenthesised";
  SzRexFuzzyFree(&context);
  SzRexPattern record{};
  record.size = SzRexPatternSize;
  ASSERT_EQ(1, SzRexInit(&record));
  record.fuzzy = 1;
  ASSERT_EQ(1, SzRexCompile(&record, "ＴｅＸ[0-9]+"));
  ASSERT_EQ(1, SzRexFind(&record, "xx TeX2008"));
  EXPECT_EQ(3, record.match_start);
  EXPECT_EQ(7, record.match_length);
  ASSERT_EQ(1, SzRexFind(&record, "ＴｅＸ１"));
  EXPECT_EQ(0, record.match_start);
  EXPECT_EQ(8, record.match_length);
  SzRexFree(&record);
}

std::string write_file(const char* name, const char* content) {
#if defined(TAMARI_NATIVE)
  std::string path = std::string(TAMARI_TEST_BINARY_DIR) + "/" + name;
#else
  char directory[MAX_PATH];
  GetTempPathA(MAX_PATH, directory);
  std::string path = std::string(directory) + name;
#endif
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file) {
    std::fwrite(content, 1, std::strlen(content), file);
    std::fclose(file);
  }
  return path;
}

TEST_F(fuzzy_setup, DefinitionFilesAndTheirErrors) {
  std::string good = write_file("szrex_definitions_good.txt",
                                "// synonyms and characters\r\n"
                                "  x y z   // x, y and z are one\r\n"
                                "TeX LaTeX\n");
  std::string bad = write_file("szrex_definitions_bad.txt", "a b\nlonely\n");
  set_flag(0x10000);
  set_custom(1, good.c_str());
  restart();
  SzRexFuzzy context{};
  context.size = SzRexFuzzySize;
  ASSERT_EQ(1, SzRexFuzzyInit(&context));
  EXPECT_TRUE(g_messages.empty()) << g_messages[0];
  EXPECT_EQ("xxx", convert(&context, "zyx"));
  ASSERT_NE(nullptr, context.synonyms);
  const unsigned char expected[] = {3, 'T', 'e', 'X', 5, 'L', 'a', 'T', 'e', 'X', 0, 0};
  ASSERT_EQ(sizeof expected, context.synonym_size);
  EXPECT_EQ(0, std::memcmp(expected, context.synonyms, sizeof expected));
  EXPECT_EQ(5u, context.longest_word);
  EXPECT_EQ((8u + 2u + 1u) / 3u, context.word_ratio);
  SzRexFuzzyFree(&context);

  set_custom(1, bad.c_str());
  restart();
  ASSERT_EQ(1, SzRexFuzzyInit(&context)) << "the context is set up with what the block holds";
  ASSERT_EQ(1u, g_messages.size());
  EXPECT_EQ(
      "SzRex.dll - あいまい検索定義ファイルの読み込みエラー|"
      "同一視する単語が１つしか指定されていません。\n\nファイル名 = " +
          bad + "\n行番号 = 2",
      g_messages[0]);
  SzRexFuzzyFree(&context);
  set_custom(1, (bad + ".missing").c_str());
  restart();
  ASSERT_EQ(1, SzRexFuzzyInit(&context));
  EXPECT_EQ(1u, g_messages.size()) << "definition errors are shown once per process";
  SzRexFuzzyFree(&context);
  std::remove(good.c_str());
  std::remove(bad.c_str());
}

// Synonym words of a definition file become alternations of their group in a fuzzy
// pattern; a word under a quantifier cannot, and a substitution longer than the
// definitions' figures promise is an internal error.
TEST_F(fuzzy_setup, SynonymWordsAreReplacedInPatterns) {
  std::string path = write_file("szrex_definitions_synonyms.txt",
                                "TeX LaTeX\n"
                                "q ........\n"
                                "1 5\n5 3\n"      // two groups that share 5 become one
                                "ｶﾞ ガ\n"         // a voiced pair stands for its group
                                "ｷﾞ ギ ｷ\n");     // unless a single byte is on the line
  set_flag(0x10000);
  set_custom(1, path.c_str());
  restart();
  SzRexFuzzy context{};
  context.size = SzRexFuzzySize;
  ASSERT_EQ(1, SzRexFuzzyInit(&context));
  ASSERT_TRUE(g_messages.empty()) << g_messages[0];
  struct row {
    const char* pattern;
    const char* converted;  // nullptr: the conversion fails
  } rows[] = {
      {"a TeX b", "a (TeX|LaTeX) b"},
      {"LaTeX2e", "(TeX|LaTeX)2e"},
      {"\\TeX", "\\TeX"},  // an escape passes whole, and "eX" is no word
      {"[TeX]", "[TeX]"},
      {"TeX+", nullptr},
  };
  EXPECT_EQ(convert(&context, "1"), convert(&context, "3"));
  EXPECT_EQ(convert(&context, "1"), convert(&context, "5"));
  EXPECT_EQ("\xB6\xDE", convert(&context, "ガ"));
  EXPECT_EQ("\xB7\xB7", convert(&context, "ギｷ"));
  for (const row& r : rows) {
    const char* got = SzRexFuzzyConvertPattern(&context, r.pattern);
    EXPECT_EQ(r.converted ? r.converted : "(failed)", got ? std::string(got) : "(failed)")
        << r.pattern;
  }
  ASSERT_EQ(1u, g_messages.size());
  EXPECT_EQ("SzRex.dll - あいまい検索|同一視指定の変換が出来ません。（呼び出し元との相性問題）",
            g_messages[0]);
  g_messages.clear();
  EXPECT_EQ(nullptr, SzRexFuzzyConvertPattern(&context, "q"))
      << "eight escaped dots are more than the figures of the line promise";
  ASSERT_EQ(2u, g_messages.size());
  EXPECT_EQ(
      "SzRex.dll - あいまい検索|オーバーラン発生１、次に出てくるメッセージ内容をメモして、"
      "ファイル中のどの行か探してください。",
      g_messages[0]);
  EXPECT_EQ("SzRex.dllでの内部エラー、死にます|(q|\\.\\.\\.\\.\\.", g_messages[1]);
  SzRexFuzzyFree(&context);

  // Through the pattern search: the synonym finds the other word.
  wklib::pattern_search finder;
  ASSERT_TRUE(finder.set_option("aimai", 1));
  ASSERT_TRUE(finder.set_pattern("TeX"));
  ASSERT_TRUE(finder.search("with LaTeX2e"));
  EXPECT_EQ("LaTeX", std::string(finder.submatch(-1).c_str()));
  std::remove(path.c_str());
}

}  // namespace

// Fuzzy ("あいまい") matching: pattern and subject are rewritten through an
// equivalence table so that, for example, hiragana and katakana count as the same
// character. The settings and the table live in the process-wide shared block
// (SzRexShared), filled from the registry key Software\Sazanami\SzRex.
#pragma once

#include <cstdint>

// The shared block "Sazanami_SzRexDllFileMapping", guarded by "Sazanami_SzRexDllMutex".
struct SzRexShared {
  std::uint32_t fuzzy_flag;
  char custom_path[4][260];
  std::uint64_t custom_time[4];  // last-write times the files had when loaded
  char custom_ignore[128];
  std::uint32_t generation;    // numbers the synonym mapping "Sazanami_SzRexDllSynonym%u"
  std::uint32_t synonym_size;  // bytes in that mapping, 0 when there are no word synonyms
  std::uint32_t word_ratio;
  std::uint32_t longest_word;
  std::uint32_t built;
  std::uint32_t table_present;
  unsigned char row_flags[61];
  std::uint16_t table[61][192];
};
static_assert(sizeof(SzRexShared) == 24720, "the shared block's layout is fixed");

// FuzzyFlag switches.
enum : std::uint32_t {
  SzRexFuzzyCapitals = 0x01,   // fold ASCII and full-width letters to capitals
  SzRexFuzzyHalfWidth = 0x04,  // half-width equals full-width
  SzRexFuzzyKana = 0x08,       // hiragana equals katakana
  SzRexFuzzySmallKana = 0x10,  // small kana equals large kana
  SzRexFuzzyVoiced = 0x20,     // voiced and semi-voiced kana groups; voicing marks may be skipped
  SzRexFuzzyLongVowel = 0x40,  // long-vowel marks
  SzRexFuzzySkipBlanks = 0x80,
  SzRexFuzzySkipLineFeeds = 0x100,
  SzRexFuzzySkipCustom = 0x200,  // CustomIgnore characters may be skipped
  SzRexFuzzyFile1 = 0x10000,     // definition files 1-4
  SzRexFuzzyFile2 = 0x20000,
  SzRexFuzzyFile3 = 0x40000,
  SzRexFuzzyFile4 = 0x80000,
  SzRexFuzzyDefault = 0xFEFF,  // FuzzyFlag when the registry holds none
};

constexpr std::uint32_t SzRexFuzzySize = 84;

// A fuzzy context: private copies of what the shared block holds, and the buffers
// of the last conversions. Set `size` to SzRexFuzzySize before SzRexFuzzyInit.
struct SzRexFuzzy {
  std::uint32_t size;
  std::uint32_t fuzzy_flag;
  char* pattern;  // the converted pattern
  std::uint32_t pattern_length;
  char* subject;                   // the converted subject
  char* subject_copy;              // the subject as passed, for mapping back
  std::int32_t* position_map;      // converted offset -> offset in the subject
  std::uint32_t subject_capacity;  // bytes available in `subject`
  std::uint32_t subject_length;
  std::uint16_t* table;     // 61 x 192 entries, null when no equivalence was entered
  unsigned char* synonyms;  // length-prefixed words, groups closed by 0, list closed by 0
  std::uint32_t synonym_size;
  std::uint32_t word_ratio;
  std::uint32_t longest_word;
  char custom_ignore[128];
};

// Size check, then under the mutex: rebuilds the shared table when needed and
// copies it and the synonym words into the context. 1 on success.
int SzRexFuzzyInit(SzRexFuzzy* context);
void SzRexFuzzyFree(SzRexFuzzy* context);
// The converted pattern (owned by the context), or null when the conversion failed.
const char* SzRexFuzzyConvertPattern(SzRexFuzzy* context, const char* pattern);
// Converts `length` bytes of subject; the result is context->subject. 1 on success.
int SzRexFuzzyConvertSubject(SzRexFuzzy* context, const char* subject, std::uint32_t length);
// Maps a start and length in the converted subject back to the subject.
void SzRexFuzzyMapBack(const SzRexFuzzy* context, std::int32_t* start, std::int32_t* length);
// Maps an offset in the subject to the converted subject.
std::int32_t SzRexFuzzyMapForward(const SzRexFuzzy* context, std::int32_t offset);

// The FuzzyFlag of the shared block (0 when SzRexStartup has not run).
std::uint32_t SzRexSharedFuzzyFlag();

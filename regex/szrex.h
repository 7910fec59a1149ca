// SzRex: the Shift_JIS (code page 932) regular-expression engine.
//
// A caller owns an SzRexPattern record: it sets `size` to SzRexPatternSize, calls
// SzRexInit, compiles one pattern with SzRexCompile, searches any number of
// NUL-terminated subjects with SzRexFind and releases everything with SzRexFree.
// A record is used by one thread at a time (a search writes its scratch buffers).
//
// SzRexStartup / SzRexShutdown open and close the process-wide shared block that
// holds the fuzzy-matching settings; call them once per module, at start and at exit.
//
// This header pulls in no system headers beyond <cstdint>.
#pragma once

#include <cstdint>

struct SzRexFuzzy;
struct SzRexMatchState;

// The record's size tag: SzRexInit accepts no other value.
constexpr std::uint32_t SzRexPatternSize = 54;

struct SzRexPattern {
  std::uint32_t size;         // set by the caller to SzRexPatternSize before SzRexInit
  std::int32_t start;         // offset in the subject where SzRexFind begins (0 after init)
  std::int32_t error;         // last error code (SzRexError*); SzRexFind clears it
  std::int32_t match_length;  // written by a successful SzRexFind
  std::int32_t match_start;   // relative to the subject passed to SzRexFind
  std::uint16_t fuzzy;        // non-zero: pattern and subject go through the fuzzy conversion
  unsigned char* program;     // compiled node program (see szrex_program.h), owned
  std::uint32_t flags;        // SzRexFlag* bits computed by SzRexCompile
  unsigned char* lead_bytes;  // 128 entries for bytes 0x80-0xFF: non-zero for a lead byte, owned
  SzRexFuzzy* fuzzy_context;  // created on demand when `fuzzy` is set, owned
  SzRexMatchState* state;     // the matcher's private scratch tables, owned
};

// Error codes left in SzRexPattern::error.
enum : std::int32_t {
  SzRexErrorNone = 0,
  SzRexErrorNesting = 13,          // a group opened at nesting depth 32
  SzRexErrorUnbalanced = 20,       // unbalanced parentheses, or a class without its `]`
  SzRexErrorClassNul = 24,         // a class member decodes to the value 0
  SzRexErrorNothingToRepeat = 32,  // `*`, `+` or `?` with no atom before it
  SzRexErrorTooComplex = 40,  // more than SzRexMaxBranchNodes groups, repetitions and lookarounds
  SzRexErrorTooLarge = 42,    // the pattern is longer than SzRexMaxPatternLength bytes
  SzRexErrorDepth = 50,       // a search went deeper than the matcher's depth bound
  SzRexErrorBudget = 51,      // a search exceeded its step budget and gave up
  SzRexErrorNoMemory = 60,    // an allocation failed (reported by the guarded memory)
  SzRexErrorFuzzy = 100,      // the fuzzy conversion of the pattern failed
};

// Explicit limits. Every search ends with a match, no match or one of the codes
// above, whatever the pattern and subject.
constexpr int SzRexMaxBranchNodes = 1000;       // groups + repetitions + lookarounds + `.*`
constexpr int SzRexMaxPatternLength = 1 << 20;  // 1 MB of pattern text

// SzRexPattern::flags.
enum : std::uint32_t {
  SzRexFlagScratch = 0x01,       // nodes with scratch slots: each search starts their memos afresh
  SzRexFlagStartFilter = 0x02,   // the first node gives a start filter
  SzRexFlagBehindFilter = 0x04,  // starts with a lookbehind and the node after it gives a filter
  SzRexFlagExtendLine = 0x10,    // trailing `.*` removed: each match extends to the end of its line
};

// 1 on success, 0 when record->size is not SzRexPatternSize.
int SzRexInit(SzRexPattern* record);
// 1 on success; 0 on failure with the code in record->error (an empty pattern fails
// without a code). Call SzRexFree and SzRexInit before compiling another pattern.
int SzRexCompile(SzRexPattern* record, const char* pattern);
// 1 if a match was found (match_start, match_length written), 0 otherwise.
int SzRexFind(SzRexPattern* record, const char* subject);
// SzRexFind over the first `length` bytes of `subject`, which end the subject there
// whatever follows them (no NUL is needed). With `anchored` non-zero only a match
// beginning at record->start counts. Searching on from a later start in the same
// text this way costs nothing for the part already passed.
int SzRexFindIn(SzRexPattern* record, const char* subject, int length, int anchored);
// The match beginning at `at` in the `length` bytes of `subject` that consumes
// nothing beyond `limit` (a trailing `.*` extends it at most that far), while
// anchors, word tests and lookarounds see the whole subject: 1 with match_start
// (= at) and match_length written, 0 when there is none. The pattern search matches
// its segments this way, each over its own part of the match.
int SzRexMatchAt(SzRexPattern* record, const char* subject, int length, int at, int limit);
// The literal bytes that end every match of the compiled pattern, when its last
// node is literal text (`<a href.*?>` ends in ">"): their number, with *bytes
// pointing into the program. 0 when no such ending is known.
int SzRexLiteralTail(const SzRexPattern* record, const char** bytes);
// Frees the program, its scratch buffers, the lead-byte table and the fuzzy context. Returns 1.
int SzRexFree(SzRexPattern* record);

// Opens (creating and filling it from the registry if needed) the process-wide shared
// block of the fuzzy settings. `instance` is the calling module's instance handle.
// 1 on success, 0 when the shared block cannot be created.
int SzRexStartup(void* instance);
// Unmaps and closes the shared block, its mutex and the synonym mapping.
void SzRexShutdown();

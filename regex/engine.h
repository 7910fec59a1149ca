// Engine-private declarations shared by the compiler and the matcher.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "regex/szrex.h"
#include "regex/szrex_program.h"

// What one repetition remembers during a search, for one limit at a time. Each cell
// holds an epoch in its upper bits and the marks in its low five bits; a cell of
// another epoch has no marks. A new search or a new limit takes a fresh epoch, so
// nothing is ever cleared in bulk, and results found under one limit are never
// taken for another. The cells cover a window of positions that starts where the
// epoch first marks one and grows as the search goes on, so a search that stays
// near its start costs no storage for the rest of the subject.
struct SzRexMemo {
  std::uint32_t* cells = nullptr;  // the window's cells, from the guarded memory
  std::uint32_t size = 0;          // cells allocated
  std::int32_t base = 0;           // the position of cells[0]
  bool placed = false;             // the window has a base in the current epoch
  std::int32_t extent = 0;         // positions run from 0 to extent - 1 (the subject's length + 1)
  std::uint32_t tag = 0;     // the current epoch, shifted into the upper bits; 0 marks nothing
  std::uint32_t search = 0;  // the search stamp and the limit the epoch belongs to
  std::int32_t limit = -1;
  std::int32_t fail_from = 0x7FFFFFFF;  // the continuation fails at every position >= this
  // By window cell: the end the continuation reached, and the end the repetition
  // itself reached when continued from there; valid only while the cell's mark says so.
  std::vector<std::int32_t> success;
  std::vector<std::int32_t> state_success;
};

// What the matcher knows about a program beyond its bytes: where every node ends,
// how the alternatives of each group are linked, and its scratch memos.
struct SzRexMatchState {
  int program_length = 0;                 // bytes up to and including the final End
  std::vector<std::int32_t> next;         // node start -> position after the node
  std::vector<std::int32_t> alt_link;     // group node or Alt -> next Alt or GroupEnd of the group
  std::vector<std::int32_t> after_group;  // Alt -> position after the enclosing GroupEnd
  std::vector<unsigned char> atom_kind;   // repetition node -> atom_* classification below
  // Scratch memos: slot value n (1-based) names memos[n - 1].
  std::vector<SzRexMemo> memos;
  // (position, continuation result) of the repetitions running in a search; kept
  // here so that its storage outlives the search.
  std::vector<std::pair<int, int>> chain;
  // Start-filter cache per node start: valid when stamp matches the search.
  std::vector<std::int32_t> filter_from, filter_result;
  std::vector<std::uint32_t> filter_stamp;
  // `.*` nodes: the range of start positions known to fail in this search.
  std::vector<std::int32_t> dot_low, dot_high, dot_limit;
  std::vector<std::uint32_t> dot_stamp;
  std::uint32_t search_stamp = 0;
  // A program that begins with literal text of three bytes or more: how far the
  // search for that text may move on when a byte ends a failed alignment (Horspool).
  std::vector<unsigned char> first_skip;
};

// Atom classification of a repetition node.
enum : unsigned char {
  SzRexAtomSingleChar = 1,  // consumes exactly one character (., class, one-character literal)
  SzRexAtomFixed = 2,       // one deterministic end, whatever the limit beyond it
  SzRexAtomComplex = 3,     // alternatives, nested repetition, \w, lookaround: may give back
};

// Builds the state of a freshly compiled program; false when memory runs out.
bool szrex_analyse(SzRexPattern* record);
void szrex_free_state(SzRexPattern* record);
// Whether the program at `pc` gives a start filter.
bool szrex_gives_filter(const SzRexPattern* record, int pc);

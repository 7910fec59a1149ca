// SzRexFind: the matcher. A node is matched together with the rest of the program
// after it, so alternation and repetition choose among complete matches; the
// longest complete match wins, and the leftmost start.
//
// Limits: the interpreter recurses once per group, repetition, lookaround and `.*`
// it passes, so its depth is bounded by the number of such nodes, which the
// compiler caps at SzRexMaxBranchNodes; a depth counter backs that up. Every call
// also counts against a step budget proportional to the subject's length; a search
// that exceeds either stops with SzRexErrorDepth or SzRexErrorBudget and no match.
#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "regex/engine.h"
#include "regex/guarded_memory.h"
#include "regex/szrex_fuzzy.h"

namespace {

const int max_depth = 2 * SzRexMaxBranchNodes + 64;
const long long budget_base = 20000000;
const long long budget_per_byte = 400;

// Memo marks, in the low bits of a memo cell (see SzRexMemo).
enum : std::uint32_t {
  mark_rest_failed = 0x01,    // the continuation failed here
  mark_state_failed = 0x02,   // the repetition, continued from here, failed
  mark_behind_end = 0x04,     // an occurrence of a negative lookbehind's content ends here
  mark_rest_matched = 0x08,   // the continuation matched here; its end is in the success table
  mark_state_matched = 0x10,  // the repetition, continued from here, matched; end in state_success
};
const std::uint32_t mark_mask = 0x1F;
const std::uint32_t last_epoch = 0xFFFFFFFFu >> 5;

const char source_name[] = "Match";

std::uint32_t marks_of(const SzRexMemo& m, int g) {
  if (!m.placed) return 0;
  const std::uint32_t i = static_cast<std::uint32_t>(g - m.base);
  if (i >= m.size) return 0;
  const std::uint32_t c = m.cells[i];
  return (c & ~mark_mask) == m.tag ? (c & mark_mask) : 0;
}

// The window cell of position g, the window placed or widened to cover it (by at
// least half again, so that a search moving on pays for each position once); -1
// when memory runs out, and the mark is then simply not kept.
int memo_cell(SzRexMemo& m, int g) {
  if (g < 0 || g >= m.extent) return -1;
  if (!m.placed) {
    // A window left from earlier searches is reused where it covers the most.
    m.placed = true;
    const long long room = static_cast<long long>(m.extent) - m.size;
    m.base = room <= 0 ? 0 : static_cast<std::int32_t>(g < room ? g : room);
  }
  if (g >= m.base && static_cast<std::uint32_t>(g - m.base) < m.size) return g - m.base;
  const long long low = g < m.base ? g : m.base;
  const long long high = g >= m.base ? g + 1 : static_cast<long long>(m.base) + m.size;
  long long want = high - low;
  if (want < static_cast<long long>(m.size) + m.size / 2) want = m.size + m.size / 2;
  if (want < 64) want = 64;
  if (want > m.extent) want = m.extent;  // never more than every position
  long long base = g < m.base ? high - want : m.base;
  if (base + want > m.extent) base = m.extent - want;
  if (base < 0) base = 0;
  auto* cells = static_cast<std::uint32_t*>(SzRexMemAlloc(
      SzRexMemFixed | SzRexMemZeroInit, static_cast<std::uint32_t>(want) * 4u, source_name, __LINE__));
  if (!cells) return -1;
  // The old window's cells that still lie inside the new one keep their place.
  const long long from = m.base > base ? m.base : base;
  const long long to = std::min<long long>(static_cast<long long>(m.base) + m.size, base + want);
  if (m.cells && to > from)
    std::memcpy(cells + (from - base), m.cells + (from - m.base),
                static_cast<std::size_t>(to - from) * 4u);
  for (std::vector<std::int32_t>* table : {&m.success, &m.state_success}) {
    if (table->empty()) continue;
    std::vector<std::int32_t> moved(static_cast<std::size_t>(want));
    if (to > from && static_cast<long long>(table->size()) >= to - m.base)
      std::copy(table->begin() + (from - m.base), table->begin() + (to - m.base),
                moved.begin() + (from - base));
    table->swap(moved);
  }
  if (m.cells) SzRexMemFree(m.cells, source_name, __LINE__);
  m.cells = cells;
  m.size = static_cast<std::uint32_t>(want);
  m.base = static_cast<std::int32_t>(base);
  return g - m.base;
}

void add_marks(SzRexMemo& m, int g, std::uint32_t bits) {
  const int i = memo_cell(m, g);
  if (i < 0) return;
  const std::uint32_t c = m.cells[i];
  m.cells[i] = ((c & ~mark_mask) == m.tag ? c : m.tag) | bits;
}

// A result kept beside the marks of position g (in `table`, success or state_success).
void keep_result(SzRexMemo& m, std::vector<std::int32_t>& table, int g, std::uint32_t bit,
                 int value) {
  const int i = memo_cell(m, g);
  if (i < 0) return;
  if (table.size() < m.size) table.resize(m.size);
  add_marks(m, g, bit);
  table[static_cast<std::size_t>(i)] = value;
}
int kept_result(const SzRexMemo& m, const std::vector<std::int32_t>& table, int g) {
  return table[static_cast<std::size_t>(g - m.base)];
}

const int unlimited = 0x7FFFFFFF;

// Whether p is the second byte of a double-byte character: an odd run of lead-byte
// values ends at p - 1.
bool trail_in(const unsigned char* s, int p, const unsigned char* lead_bytes) {
  int run = 0;
  for (int i = p - 1; i >= 0 && s[i] >= 0x80 && lead_bytes[s[i] - 0x80]; --i) ++run;
  return (run & 1) != 0;
}

// The first occurrence of the n > 0 bytes at `bytes` that starts at or after `from`
// and ends by `end`, and that does not start on a trail byte; -1 if none. Before
// `bound` (when not -1) an occurrence at or after it is answered with -3 - its
// position unchecked. Short stretches (a name, a line) are scanned byte by byte;
// longer ones jump with memchr to the literal's first byte.
int scan_literal(const unsigned char* s, int from, int end, const unsigned char* bytes, int n,
                 const unsigned char* lead_bytes, int bound = -1,
                 const unsigned char* skip = nullptr) {
  const int last = end - n;  // the last possible start
  if (skip) {
    // Horspool: the byte under the literal's end says how far to move on.
    const unsigned char bl = bytes[n - 1];
    for (int q = from; q <= last;) {
      // Nothing before q: from the bound on, the answer is the one found from there.
      if (bound >= 0 && q >= bound) return -3 - q;
      const unsigned char c = s[q + n - 1];
      if (c == bl && std::memcmp(s + q, bytes, n - 1) == 0) {
        if (q == 0 || !trail_in(s, q, lead_bytes)) return q;
        ++q;
        continue;
      }
      q += skip[c];
    }
    return -1;
  }
  const unsigned char b0 = bytes[0];
  for (int p = from; p <= last;) {
    int q;
    if (last - p < 48) {
      q = p;
      while (q <= last && s[q] != b0) ++q;
      if (q > last) return -1;
    } else {
      const void* hit = std::memchr(s + p, b0, static_cast<std::size_t>(last - p + 1));
      if (!hit) return -1;
      q = static_cast<int>(static_cast<const unsigned char*>(hit) - s);
    }
    if (bound >= 0 && q >= bound) return -3 - q;
    if ((n == 1 || (s[q + n - 1] == bytes[n - 1] && std::memcmp(s + q + 1, bytes + 1, n - 1) == 0)) &&
        (q == 0 || !trail_in(s, q, lead_bytes)))
      return q;
    p = q + 1;
  }
  return -1;
}

class matcher {
 public:
  matcher(SzRexPattern* record, const unsigned char* subject, int length)
      : record_(record),
        program_(record->program),
        state_(record->state),
        s_(subject),
        len_(length),
        budget_(budget_base + budget_per_byte * static_cast<long long>(length)),
        chain_(record->state->chain) {
    chain_.clear();
  }

  // Consuming nothing beyond `limit`; with `anchored`, only a match starting at `pos`.
  int find(int pos, int limit, bool anchored, int* match_start, int* match_end);
  int error() const { return error_; }

 private:
  // Characters --------------------------------------------------------------
  bool is_lead(unsigned char c) const { return c >= 0x80 && record_->lead_bytes[c - 0x80]; }
  int char_len(int p) const { return (p + 1 < len_ && is_lead(s_[p])) ? 2 : 1; }
  bool is_trail(int p) {
    if (p <= 0 || p >= len_) return false;
    if (trail_.empty()) {
      // Count the run of lead-byte values before p: an odd run makes p a trail byte.
      // Long runs (whole lines of kanji) are answered from a map built once.
      int run = 0;
      for (int i = p - 1; i >= 0 && is_lead(s_[i]); --i)
        if (++run > 64) break;
      if (run <= 64) return (run & 1) != 0;
      build_trail();
    }
    return trail_[p] != 0;
  }
  void build_trail() {
    trail_.assign(len_ + 1, 0);
    for (int p = 0; p < len_;) {
      if (is_lead(s_[p]) && p + 1 < len_) {
        trail_[p + 1] = 1;
        p += 2;
      } else {
        ++p;
      }
    }
  }
  int step_back(int p) { return (p >= 2 && is_trail(p - 1)) ? p - 2 : p - 1; }
  static bool word_byte(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
  }
  bool preceded_by_word(int p) { return p > 0 && word_byte(s_[p - 1]) && !is_trail(p - 1); }
  bool word_at(int p) { return p < len_ && word_byte(s_[p]) && !is_trail(p); }
  int next_line_feed(int from) {
    if (lf_from_ >= 0 && lf_from_ <= from && from <= lf_result_) return lf_result_;
    // A 0x0A right after a lead byte is the second half of that character, not a line end.
    // Below the cached start only the stretch up to it is new.
    const int stop = lf_from_ > from ? lf_from_ : len_;
    int at = stop < len_ ? lf_result_ : len_;
    for (int p = from; p < stop;) {
      const void* found = std::memchr(s_ + p, '\n', stop - p);
      if (!found) break;
      int q = static_cast<int>(static_cast<const unsigned char*>(found) - s_);
      if (!is_trail(q)) {
        at = q;
        break;
      }
      p = q + 1;
    }
    lf_from_ = from;
    lf_result_ = at;
    return lf_result_;
  }
  bool class_member(int pc, unsigned value) const;

  // Program -----------------------------------------------------------------
  int next(int pc) const { return state_->next[pc]; }
  static bool is_lazy(unsigned char k) { return k >= SzRexNodeLazyStar && k <= SzRexNodeLazyCount; }
  SzRexMemo* memo_for(int pc, int limit);
  bool abort(int code) {
    if (!error_) error_ = code;
    return false;
  }

  int match(int pc, int a, int limit);
  int group(int pc, int a, int limit);
  int ahead(int pc, int a, int limit, bool negative);
  int dot_star(int pc, int a, int limit);
  int repeat(int pc, int a, int limit, bool first);
  int filter(int pc, int start);
  int leaf_filter(int pc, int start);
  int max_length(int pc, int stop, int depth);
  int alternatives_max(int pc, int depth);
  bool behind_holds(int pc, int a);

  SzRexPattern* record_;
  const unsigned char* program_;
  SzRexMatchState* state_;
  const unsigned char* s_;
  int len_;
  long long budget_;
  long long steps_ = 0;
  int depth_ = 0;
  int error_ = 0;
  // While a lookbehind's content is tried: the position after its group, which ends
  // the program there, and the only place the content may end (-1: anywhere).
  int stop_pc_ = -1;
  int stop_at_ = -1;
  int lf_from_ = -1, lf_result_ = -1;
  std::vector<unsigned char> trail_;
  std::vector<std::pair<int, int>>&
      chain_;  // (position, continuation result) of running repetitions
};

// The memo of the node at `pc` for the current search under `limit`. A node's
// activations never nest, so the memo keeps one epoch while the node runs.
SzRexMemo* matcher::memo_for(int pc, int limit) {
  std::uint32_t slot;
  std::memcpy(&slot, program_ + pc + 1, 4);
  if (slot == 0) {
    // Every slot was reserved when the program was analysed: no memo moves.
    state_->memos.emplace_back();
    slot = static_cast<std::uint32_t>(state_->memos.size());
    std::memcpy(const_cast<unsigned char*>(program_) + pc + 1, &slot, 4);
  }
  SzRexMemo& m = state_->memos[slot - 1];
  if (m.search != state_->search_stamp || m.limit != limit || m.tag == 0) {
    std::uint32_t epoch = m.tag >> 5;
    if (epoch >= last_epoch) {
      if (m.cells) std::memset(m.cells, 0, m.size * 4u);
      epoch = 0;
    }
    m.tag = (epoch + 1) << 5;
    m.search = state_->search_stamp;
    m.limit = limit;
    m.fail_from = unlimited;
    m.placed = false;
  }
  m.extent = len_ + 1;
  return &m;
}

bool matcher::class_member(int pc, unsigned value) const {
  const unsigned char* body = program_ + pc + 1;
  if (value >= 256) {
    unsigned low = (body[2] << 8) | body[3], high = (body[4] << 8) | body[5];
    if (value < low || value > high) return false;
  } else {
    if (value < body[0] || value > body[1]) return false;
  }
  for (int i = 6;;) {
    unsigned char c = body[i];
    if (c == 0) return false;
    if (c == SzRexClassSingleRange) {
      if (value >= body[i + 1] && value <= body[i + 2]) return true;
      i += 3;
    } else if (c == SzRexClassMixedRange) {
      unsigned high = (body[i + 2] << 8) | body[i + 3];
      if (value >= body[i + 1] && value <= high) return true;
      i += 4;
    } else if (c == SzRexClassDoubleRange) {
      unsigned low = (body[i + 1] << 8) | body[i + 2], high = (body[i + 3] << 8) | body[i + 4];
      if (value >= low && value <= high) return true;
      i += 5;
    } else if (is_lead(c)) {
      if (value == ((static_cast<unsigned>(c) << 8) | body[i + 1])) return true;
      i += 2;
    } else {
      if (value == c) return true;
      i += 1;
    }
  }
}

// The interpreter. Returns the end of a match of the program from `pc` at `a`
// (consuming nothing beyond `limit`), -1 for no match at `a`, -2 for no match at
// or after `a`, or -2 - h: no match can start before h.
int matcher::match(int pc, int a, int limit) {
  if (error_) return -2;
  if (++steps_ > budget_) return abort(SzRexErrorBudget), -2;
  if (depth_ >= max_depth) return abort(SzRexErrorDepth), -2;
  struct depth_guard {
    int& depth;
    explicit depth_guard(int& d) : depth(d) { ++depth; }
    ~depth_guard() { --depth; }
  } guard(depth_);
  bool first = true;
  for (;; first = false) {
    if (pc == stop_pc_) return (stop_at_ < 0 || a == stop_at_) ? a : -1;
    unsigned char k = program_[pc];
    switch (k) {
      case SzRexNodeEnd:
        return a;
      case SzRexNodeStringStart:
        if (a != 0) return -2;
        ++pc;
        break;
      case SzRexNodeLineEnd:
        if (a < len_ && (s_[a] != '\n' || is_trail(a))) return -1;
        ++pc;
        break;
      case SzRexNodeAnyChar: {
        if (a >= limit || s_[a] == '\n') return -1;
        int w = char_len(a);
        if (a + w > limit) return -1;
        a += w;
        ++pc;
        break;
      }
      case SzRexNodeLiteral:
      case SzRexNodeLongLiteral: {
        const unsigned char* bytes;
        const int n = SzRexLiteralText(program_ + pc, &bytes);
        if (n > limit - a || std::memcmp(s_ + a, bytes, n) != 0) return -1;
        a += n;
        pc = next(pc);
        break;
      }
      case SzRexNodeWord:
        if (preceded_by_word(a) || a >= limit || !word_at(a)) return -1;
        while (a < limit && word_byte(s_[a])) ++a;
        ++pc;
        break;
      case SzRexNodeWordStart:
        if (preceded_by_word(a) || a >= len_ || !word_at(a)) return -1;
        ++pc;
        break;
      case SzRexNodeWordEnd:
        if (!preceded_by_word(a)) return -1;
        if (a < len_ && word_byte(s_[a])) return -1;
        ++pc;
        break;
      case SzRexNodeClass:
      case SzRexNodeNegClass: {
        if (a >= limit) return -1;
        int w = char_len(a);
        if (a + w > limit) return -1;
        unsigned value = w == 2 ? (s_[a] << 8) | s_[a + 1] : s_[a];
        if (class_member(pc, value) != (k == SzRexNodeClass)) return -1;
        a += w;
        pc = next(pc);
        break;
      }
      case SzRexNodeAlt:
        pc = state_->after_group[pc];
        break;
      case SzRexNodeGroupEnd:
        ++pc;
        break;
      case SzRexNodeGroup:
        return group(pc, a, limit);
      case SzRexNodeBehind:
      case SzRexNodeNotBehind:
        // Zero-width wherever it stands: the text before `a` is tested, not consumed.
        if (behind_holds(pc, a) != (k == SzRexNodeBehind)) return error_ ? -2 : -1;
        pc = next(pc);
        break;
      case SzRexNodeAhead:
        return ahead(pc, a, limit, false);
      case SzRexNodeNotAhead:
        return ahead(pc, a, limit, true);
      case SzRexNodeDotStar:
        return dot_star(pc, a, limit);
      default:
        return repeat(pc, a, limit, first);
    }
  }
}

int matcher::group(int pc, int a, int limit) {
  int best = -1;
  bool soft = false;
  int separator = state_->alt_link[pc];
  for (int alt = pc + (program_[pc] == SzRexNodeNotBehind ? 5 : 1);;) {
    int r = match(alt, a, limit);
    if (error_) return -2;
    if (r >= 0) {
      if (r > best) best = r;
    } else if (r != -2) {
      soft = true;
    }
    if (program_[separator] == SzRexNodeGroupEnd) break;
    alt = separator + 1;
    separator = state_->alt_link[separator];
  }
  if (best >= 0) return best;
  return soft ? -1 : -2;
}

// `(?=X)rest`: the match ends at `a` once X followed by the rest matches.
// `(?!X)rest`: the match ends at `a` unless X followed by the rest matches.
//
// The condition reads the text beyond the limit (a lookahead tests what follows the
// part of the text a segment or a shorter repetition may consume), and beyond the
// end a lookbehind's content must reach: it consumes nothing.
int matcher::ahead(int pc, int a, int limit, bool negative) {
  (void)limit;
  bool soft = false;
  int separator = state_->alt_link[pc];
  const int stop_at = stop_at_;
  stop_at_ = -1;
  struct restore {
    int& target;
    int value;
    ~restore() { target = value; }
  } keep{stop_at_, stop_at};
  for (int alt = pc + 1;;) {
    int r = match(alt, a, len_);
    if (error_) return -2;
    if (r >= 0) return negative ? -1 : a;
    if (r != -2) soft = true;
    if (program_[separator] == SzRexNodeGroupEnd) break;
    alt = separator + 1;
    separator = state_->alt_link[separator];
  }
  if (negative) return a;
  return soft ? -1 : -2;
}

int matcher::dot_star(int pc, int a, int limit) {
  int rest = pc + 1;
  if (state_->dot_stamp[pc] == state_->search_stamp && state_->dot_limit[pc] == limit &&
      a >= state_->dot_low[pc] && a <= state_->dot_high[pc])
    return -1;
  int e = next_line_feed(a);
  if (e > limit) e = limit;
  int f = filter(rest, a);
  if (error_) return -2;
  if (f < 0) return -2;
  if (f > e) return -1;
  int result = -1;
  if (f <= a) {
    for (int p = e;; p = step_back(p)) {
      int r = match(rest, p, limit);
      if (error_) return -2;
      if (r >= 0) {
        result = r;
        break;
      }
      if (p <= a) break;
    }
  } else {
    for (int p = f; p <= e;) {
      int r = match(rest, p, limit);
      if (error_) return -2;
      if (r > result) result = r;
      if (r == -2 || p >= len_) break;
      int n = filter(rest, p + char_len(p));
      if (n < 0) break;
      p = n;
    }
  }
  if (result < 0) {
    // Every start in [a, e] sees the same line end and a subset of these candidates
    // (under the same limit).
    state_->dot_stamp[pc] = state_->search_stamp;
    state_->dot_limit[pc] = limit;
    state_->dot_low[pc] = a;
    state_->dot_high[pc] = e;
  }
  return result;
}

int matcher::repeat(int pc, int a, int limit, bool first) {
  const unsigned char k = program_[pc];
  const bool counted = k == SzRexNodeCount || k == SzRexNodeLazyCount;
  const int atom = pc + (counted ? 9 : 5);
  const int rest = next(pc);
  int minimum = 0, maximum = unlimited;
  switch (k) {
    case SzRexNodePlus:
    case SzRexNodeLazyPlus:
      minimum = 1;
      break;
    case SzRexNodeOpt:
    case SzRexNodeLazyOpt:
      maximum = 1;
      break;
    case SzRexNodeCount:
    case SzRexNodeLazyCount:
      minimum = program_[pc + 5] | (program_[pc + 6] << 8);
      maximum = program_[pc + 7] | (program_[pc + 8] << 8);
      break;
    default:
      break;
  }
  const unsigned char atom_kind = state_->atom_kind[pc];
  // The state memo needs a repetition whose future depends on the position only.
  const bool state_memo = maximum == unlimited;
  SzRexMemo* memo = memo_for(pc, limit);
  if (!memo) return abort(SzRexErrorNoMemory), -2;
  SzRexMemo& m = *memo;
  auto rest_failed = [&](int g) { return g >= m.fail_from || (marks_of(m, g) & mark_rest_failed); };
  // The continuation at g under this limit depends on g alone: remembered for the search.
  auto run_rest = [&](int g) {
    if (marks_of(m, g) & mark_rest_matched) return kept_result(m, m.success, g);
    int r = match(rest, g, limit);
    if (r >= 0 && !error_) keep_result(m, m.success, g, mark_rest_matched, r);
    return r;
  };

  int d = filter(rest, a);
  if (error_) return -2;
  if (d < 0) return -2;
  bool use_d = d != a;

  // Mandatory repetitions.
  int g = a, count = 0;
  for (; count < minimum; ++count) {
    int r = match(atom, g, limit);
    if (error_) return -2;
    if (r < 0) return (r == -2 && count == 0) ? -2 : -1;
    g = r;
  }
  const int mandatory_end = g;

  // From a position reached after the mandatory repetitions, the repetition's own
  // result depends on that position alone (under this limit, with no maximum to
  // count towards): remember it for every position of the chain.
  const std::size_t chain_base = chain_.size();
  struct chain_reset {
    std::vector<std::pair<int, int>>& chain;
    std::size_t base;
    ~chain_reset() { chain.resize(base); }
  } reset{chain_, chain_base};
  auto state_known = [&](int g, int* value) {
    const std::uint32_t marks = marks_of(m, g);
    if (marks & mark_state_failed) {
      *value = -1;
      return true;
    }
    if (marks & mark_state_matched) {
      *value = kept_result(m, m.state_success, g);
      return true;
    }
    return false;
  };
  // Stores the results of the recorded chain; `tail` is the result from its end on.
  auto remember_chain = [&](int tail, bool greedy) {
    std::vector<std::int32_t>& table = m.state_success;
    int value = tail;
    for (std::size_t i = chain_.size(); i > chain_base; --i) {
      const std::pair<int, int>& entry = chain_[i - 1];
      if (greedy) {
        if (entry.second > value) value = entry.second;
      } else if (entry.second >= 0) {
        value = entry.second;
      }
      if (value < 0) {
        add_marks(m, entry.first, mark_state_failed);
      } else {
        keep_result(m, table, entry.first, mark_state_matched, value);
      }
    }
    chain_.resize(chain_base);
  };

  if (is_lazy(k)) {
    const bool any_char = program_[atom] == SzRexNodeAnyChar && maximum == unlimited;
    int known = -1;
    for (;;) {
      if (state_memo && state_known(g, &known)) {
        remember_chain(known, false);
        return known;
      }
      // Beyond this point the continuation fails everywhere.
      if (g >= m.fail_from) break;
      bool try_rest = !rest_failed(g);
      if (try_rest && (use_d || any_char)) {
        int c = filter(rest, g);
        if (error_) return -2;
        if (c < 0) {
          if (g < m.fail_from) m.fail_from = g;
          break;
        }
        if (c > g) {
          try_rest = false;
          if (any_char) {
            // `.*?` crosses everything up to the line end in one step: the first
            // place the continuation can begin is the next one worth trying.
            int e = next_line_feed(g);
            if (e > limit) e = limit;
            if (c > e) break;
            g = c;
            continue;
          }
        }
      }
      if (try_rest) {
        int r = run_rest(g);
        if (error_) return -2;
        if (r >= 0) {
          if (state_memo) {
            chain_.push_back({g, r});
            remember_chain(r, false);
          }
          return r;
        }
        add_marks(m, g, mark_rest_failed);
        if (r == -2 && g < m.fail_from) m.fail_from = g;
        // The continuation can start nowhere from here on: neither can this node
        // when it was tried at its own start.
        if (r == -2 && g == a) return -2;
        if (r == -2) break;
      }
      if (state_memo) chain_.push_back({g, -1});
      if (count >= maximum) break;
      int r = match(atom, g, limit);
      if (error_) return -2;
      if (r < 0 || r == g) break;
      ++count;
      g = r;
    }
    if (state_memo) remember_chain(-1, false);
    return -1;
  }

  // Greedy: passes of ever smaller limits while the atom ran up to the limit.
  int best = -1, furthest = -1;
  int pass_limit = limit;
  bool first_pass = true;
  int d_floor = use_d ? d : a;
  for (;;) {
    if (!first_pass) {
      if (pass_limit < mandatory_end) {
        g = a;
        for (count = 0; count < minimum; ++count) {
          int r = match(atom, g, pass_limit);
          if (error_) return -2;
          if (r < 0) return best;
          g = r;
        }
      } else {
        g = mandatory_end;
        count = minimum;
      }
    }
    const bool record = first_pass && state_memo;
    int tail = -1;
    for (;;) {
      int known;
      if (record && state_known(g, &known)) {
        tail = known;
        if (known > best) best = known;
        break;
      }
      if (g >= m.fail_from) {
        if (record) chain_.push_back({g, -1});
        break;
      }
      bool try_rest = !rest_failed(g);
      if (try_rest && use_d) {
        // The continuation cannot begin before its start filter.
        int c = g < d ? d : filter(rest, g);
        if (error_) return -2;
        if (c < 0) {
          if (g < m.fail_from) m.fail_from = g;
          break;
        }
        if (c > g) {
          try_rest = false;
          add_marks(m, g, mark_rest_failed);
        }
      }
      int r = -1;
      if (try_rest) {
        r = run_rest(g);
        if (error_) return -2;
        if (r > best) best = r;
        if (r < 0) {
          add_marks(m, g, mark_rest_failed);
          if (r == -2 && g < m.fail_from) m.fail_from = g;
        }
        if (r == -2 && g == a && best < 0) return -2;
        if (r == -2) {
          if (record) chain_.push_back({g, r});
          break;
        }
      }
      if (record) chain_.push_back({g, r});
      if (count >= maximum) break;
      r = match(atom, g, pass_limit);
      if (error_) return -2;
      if (r < 0 || r == g) break;
      ++count;
      g = r;
      if (g > furthest) furthest = g;
    }
    if (record) remember_chain(tail, true);
    if (best >= 0) return best;
    first_pass = false;
    if (atom_kind != SzRexAtomComplex) break;
    pass_limit = step_back(pass_limit);
    if (!(pass_limit >= d_floor && pass_limit > a && furthest >= pass_limit)) break;
  }
  if (k == SzRexNodeStar && first && furthest > a && atom_kind == SzRexAtomSingleChar)
    return -2 - furthest;
  return best;
}

// A start filter over one node (cached per search: the answer is the first
// position at or after the start that satisfies a test of that position alone).
// A start before the cached one only needs the stretch up to it examined: where the
// scan reaches the cached start in the same state, the cached answer holds. So the
// falling starts of a `.*` stepping back cost no more than the rising ones.
int matcher::leaf_filter(int pc, int start) {
  const bool cached = state_->filter_stamp[pc] == state_->search_stamp;
  const int cached_from = state_->filter_from[pc], cached_result = state_->filter_result[pc];
  if (cached && cached_from <= start && (start <= cached_result || cached_result < 0))
    return cached_result;
  const int bound = cached && start < cached_from ? cached_from : -1;
  unsigned char k = program_[pc];
  int result = -1;
  switch (k) {
    case SzRexNodeLineEnd:
      result = next_line_feed(start);
      break;
    case SzRexNodeLiteral:
    case SzRexNodeLongLiteral: {
      const unsigned char* bytes;
      const int n = SzRexLiteralText(program_ + pc, &bytes);
      if (n == 0) {
        result = start;
        break;
      }
      // Whether an occurrence at q qualifies depends on q alone: at or beyond the
      // cached start the cached answer holds.
      result = scan_literal(s_, start, len_, bytes, n, record_->lead_bytes, bound,
                            pc == 0 && !state_->first_skip.empty() ? state_->first_skip.data()
                                                                   : nullptr);
      if (result <= -3) result = cached_result;
      break;
    }
    case SzRexNodeWord:
    case SzRexNodeWordStart: {
      int p = start;
      if (preceded_by_word(p))
        while (p < len_ && word_byte(s_[p])) ++p;
      result = -2;
      while (p < len_) {
        if (p == bound && !preceded_by_word(p)) {
          result = cached_result;  // the cached scan began here the same way
          break;
        }
        if (word_byte(s_[p]) && !is_trail(p)) {
          result = p;
          break;
        }
        p += char_len(p);
      }
      break;
    }
    case SzRexNodeWordEnd: {
      int p = start;
      bool reused = false;
      if (!preceded_by_word(p)) {
        while (p < len_ && !(word_byte(s_[p]) && !is_trail(p))) {
          if (p == bound && !preceded_by_word(p)) {
            reused = true;
            break;
          }
          p += char_len(p);
        }
        if (reused) {
          result = cached_result;
          break;
        }
        if (p >= len_) {
          result = -2;
          break;
        }
      }
      while (p < len_ && word_byte(s_[p])) ++p;
      result = p;
      break;
    }
    case SzRexNodeClass:
    case SzRexNodeNegClass: {
      int p = start;
      bool reused = false;
      while (p < len_) {
        if (p == bound) {
          reused = true;
          break;
        }
        int w = char_len(p);
        unsigned value = w == 2 ? (s_[p] << 8) | s_[p + 1] : s_[p];
        if (class_member(pc, value) == (k == SzRexNodeClass)) break;
        p += w;
      }
      result = reused ? cached_result : p;
      break;
    }
    default:
      return start;
  }
  state_->filter_stamp[pc] = state_->search_stamp;
  state_->filter_from[pc] = start;
  state_->filter_result[pc] = result;
  return result;
}

// The earliest position at or after `start` where the program at `pc` can begin;
// -1 or -2 when it cannot begin anywhere.
int matcher::filter(int pc, int start) {
  if (start > len_) return -1;
  for (int hops = 0;; ++hops) {
    if (hops > state_->program_length) return start;
    if (pc == stop_pc_) return stop_at_ < 0 ? start : (start <= stop_at_ ? stop_at_ : -1);
    unsigned char k = program_[pc];
    if (SzRexIsFilterLeaf(k)) return leaf_filter(pc, start);
    switch (k) {
      case SzRexNodeStringStart:
        return start == 0 ? 0 : -2;
      case SzRexNodeAlt:
        pc = state_->after_group[pc];
        continue;
      case SzRexNodePlus:
      case SzRexNodeLazyPlus:
        pc += 5;
        continue;
      case SzRexNodeBehind:
      case SzRexNodeNotBehind:
        pc = next(pc);  // consumes nothing: what follows begins here
        continue;
      case SzRexNodeGroup: {
        if (depth_ >= max_depth) return abort(SzRexErrorDepth), -2;
        struct depth_guard {
          int& depth;
          explicit depth_guard(int& d) : depth(d) { ++depth; }
          ~depth_guard() { --depth; }
        } guard(depth_);
        int best = -1;
        bool found = false, soft = false;
        int separator = state_->alt_link[pc];
        for (int alt = pc + 1;;) {
          int f = filter(alt, start);
          if (f >= 0 && f <= start) return start;
          if (f >= 0) {
            if (!found || f < best) best = f;
            found = true;
          } else if (f == -1) {
            soft = true;
          }
          if (program_[separator] == SzRexNodeGroupEnd) break;
          alt = separator + 1;
          separator = state_->alt_link[separator];
        }
        if (found) return best;
        return soft ? -1 : -2;
      }
      default:
        return start;
    }
  }
}

// Longest text the program from `pc` up to `stop` can match; unlimited when unbounded.
int matcher::max_length(int pc, int stop, int depth) {
  if (depth > 64) return unlimited;
  long long total = 0;
  while (pc < stop) {
    unsigned char k = program_[pc];
    switch (k) {
      case SzRexNodeEnd:
        return static_cast<int>(total);
      case SzRexNodeLiteral:
      case SzRexNodeLongLiteral: {
        const unsigned char* bytes;
        total += SzRexLiteralText(program_ + pc, &bytes);
        pc = next(pc);
        break;
      }
      case SzRexNodeClass:
      case SzRexNodeNegClass:
        total += 2;
        pc = next(pc);
        break;
      case SzRexNodeAnyChar:
      case SzRexNodeWord:
      case SzRexNodeDotStar:
        return unlimited;
      case SzRexNodeGroup: {
        int longest = alternatives_max(pc, depth + 1);
        if (longest == unlimited) return unlimited;
        total += longest;
        pc = next(pc);
        break;
      }
      case SzRexNodeAhead:
      case SzRexNodeNotAhead:
      case SzRexNodeBehind:
      case SzRexNodeNotBehind:
        pc = next(pc);
        break;
      case SzRexNodeAlt:
      case SzRexNodeGroupEnd:
        return static_cast<int>(total);
      case SzRexNodeStringStart:
      case SzRexNodeLineEnd:
      case SzRexNodeWordStart:
      case SzRexNodeWordEnd:
        ++pc;
        break;
      default:  // repetitions
        return unlimited;
    }
    if (total > len_) return unlimited;
  }
  return static_cast<int>(total);
}

// The longest of the alternatives of the group node at `pc`.
int matcher::alternatives_max(int pc, int depth) {
  int longest = 0;
  int separator = state_->alt_link[pc];
  for (int alt = pc + (program_[pc] == SzRexNodeNotBehind ? 5 : 1);;) {
    int n = max_length(alt, separator, depth);
    if (n == unlimited) return unlimited;
    if (n > longest) longest = n;
    if (program_[separator] == SzRexNodeGroupEnd) break;
    alt = separator + 1;
    separator = state_->alt_link[separator];
  }
  return longest;
}

// Whether the content of the lookbehind at `pc` matches a text that ends exactly at
// `a`: each start from the furthest back its longest match allows (the subject start
// when it has no bound) up to `a` is tried, the content ending where the program
// after the group begins.
bool matcher::behind_holds(int pc, int a) {
  const int longest = alternatives_max(pc, 0);
  int q = (longest == unlimited || longest >= a) ? 0 : a - longest;
  if (q > 0 && is_trail(q)) --q;
  const int saved_pc = stop_pc_, saved_at = stop_at_;
  stop_pc_ = next(pc);
  stop_at_ = a;
  bool holds = false;
  for (; q <= a && !error_; q += char_len(q)) {
    const int content = pc + (program_[pc] == SzRexNodeNotBehind ? 5 : 1);
    int separator = state_->alt_link[pc];
    for (int alt = content;;) {
      if (match(alt, q, a) == a) {
        holds = true;
        break;
      }
      if (error_ || program_[separator] == SzRexNodeGroupEnd) break;
      alt = separator + 1;
      separator = state_->alt_link[separator];
    }
    if (holds || q >= len_) break;
  }
  stop_pc_ = saved_pc;
  stop_at_ = saved_at;
  return holds;
}

int matcher::find(int pos, int limit, bool anchored, int* match_start, int* match_end) {
  ++state_->search_stamp;
  if (state_->search_stamp == 0) {
    std::fill(state_->filter_stamp.begin(), state_->filter_stamp.end(), 0);
    std::fill(state_->dot_stamp.begin(), state_->dot_stamp.end(), 0);
    for (SzRexMemo& memo : state_->memos) memo.search = 0;
    state_->search_stamp = 1;
  }
  const unsigned char first = program_[0];
  const int origin = pos;
  // A leading lookbehind consumes nothing: where a match can begin is where what
  // follows it can.
  const bool use_filter =
      (first == SzRexNodeBehind || first == SzRexNodeNotBehind)
          ? (record_->flags & SzRexFlagBehindFilter) != 0
          : (record_->flags & SzRexFlagStartFilter) != 0;
  if (use_filter) {
    pos = filter(0, pos);
    if (pos < 0 || error_) return 0;
    if (anchored && pos != origin) return 0;
  }
  for (;;) {
    int r = match(0, pos, limit);
    if (error_) return 0;
    if (r >= pos) {
      *match_start = pos;
      *match_end = r;
      return 1;
    }
    if (r == -2 || anchored) return 0;
    if (r <= -3) {
      int hint = -r - 2;
      pos = hint > pos ? hint : pos + char_len(pos);
    } else {
      if (pos >= len_) return 0;
      pos += char_len(pos);
    }
    if (pos > len_) return 0;
    if (use_filter) {
      pos = filter(0, pos);
      if (pos < 0 || error_) return 0;
    }
  }
}

}  // namespace

int SzRexFind(SzRexPattern* record, const char* subject) {
  if (!subject) return 0;
  const std::size_t length = std::strlen(subject);
  if (length > 0x7FFFFFF0u) {
    if (record) record->error = SzRexErrorNone;
    return 0;
  }
  return SzRexFindIn(record, subject, static_cast<int>(length), 0);
}

namespace {

// The end of the line a match ending at `at` lies in: the next line feed that is not
// the second byte of a character, or `end`.
int line_end_from(const SzRexPattern* record, const char* text, int at, int end) {
  auto lead = [&](int i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    return c >= 0x80 && record->lead_bytes[c - 0x80];
  };
  while (at < end) {
    const void* found = std::memchr(text + at, '\n', end - at);
    if (!found) return end;
    const int q = static_cast<int>(static_cast<const char*>(found) - text);
    int run = 0;
    for (int i = q - 1; i >= 0 && lead(i); --i) ++run;
    if ((run & 1) == 0) return q;
    at = q + 1;
  }
  return end;
}

int find_in(SzRexPattern* record, const char* subject, int length, int limit, int anchored) {
  if (!record || !subject || !record->program || !record->state) return 0;
  record->error = SzRexErrorNone;
  if (length < 0 || length > 0x7FFFFFF0) return 0;
  if (limit < 0 || limit > length) limit = length;
  const char* text = subject;
  int pos = record->start;
  if (pos < 0) pos = 0;
  if (pos > limit) return 0;
  SzRexFuzzy* fuzzy = record->fuzzy ? record->fuzzy_context : nullptr;
  int text_length = length, text_limit = limit;
  if (fuzzy) {
    if (!SzRexFuzzyConvertSubject(fuzzy, subject, static_cast<std::uint32_t>(length))) return 0;
    text = fuzzy->subject;
    pos = SzRexFuzzyMapForward(fuzzy, pos);
    text_length = static_cast<int>(fuzzy->subject_length);
    text_limit = limit == length ? text_length : SzRexFuzzyMapForward(fuzzy, limit);
    if (pos > text_limit) return 0;
  }
  const unsigned char* program = record->program;
  if (!fuzzy && (program[0] == SzRexNodeLiteral || program[0] == SzRexNodeLongLiteral)) {
    // Most searches end here: a program that begins with literal text can match only
    // where that text occurs.
    const unsigned char* bytes;
    const int n = SzRexLiteralText(program, &bytes);
    const auto* s = reinterpret_cast<const unsigned char*>(text);
    if (n > 0) {
      if (anchored) {
        if (n > text_limit - pos || std::memcmp(s + pos, bytes, n) != 0) return 0;
      } else {
        const std::vector<unsigned char>& skip = record->state->first_skip;
        pos = scan_literal(s, pos, text_length, bytes, n, record->lead_bytes, -1,
                           skip.empty() ? nullptr : skip.data());
        if (pos < 0) return 0;
      }
    }
  }
  int start = 0, end = 0;
  int found = 0;
  try {
    matcher m(record, reinterpret_cast<const unsigned char*>(text), text_length);
    found = m.find(pos, text_limit, anchored != 0, &start, &end);
    if (m.error()) record->error = m.error();
  } catch (const std::bad_alloc&) {
    record->error = SzRexErrorNoMemory;
    found = 0;
  }
  if (!found) return 0;
  std::int32_t match_start = start, match_length = end - start;
  if (fuzzy) SzRexFuzzyMapBack(fuzzy, &match_start, &match_length);
  if (record->flags & SzRexFlagExtendLine)
    match_length = line_end_from(record, subject, match_start + match_length, limit) - match_start;
  record->match_start = match_start;
  record->match_length = match_length;
  return 1;
}

}  // namespace

int SzRexFindIn(SzRexPattern* record, const char* subject, int length, int anchored) {
  return find_in(record, subject, length, length, anchored);
}

int SzRexMatchAt(SzRexPattern* record, const char* subject, int length, int at, int limit) {
  if (!record || limit < at) return 0;
  record->start = at;
  return find_in(record, subject, length, limit, 1);
}

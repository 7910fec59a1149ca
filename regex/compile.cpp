// SzRexCompile: translates a pattern into the node program of szrex_program.h.
#include <cstring>
#include <new>

#include "regex/engine.h"
#include "regex/guarded_memory.h"
#include "regex/szrex_fuzzy.h"

namespace {

const char source_name[] = "Compile";
const int max_groups_open = 32;

bool is_lead(const SzRexPattern* record, unsigned char c) {
  return c >= 0x80 && record->lead_bytes && record->lead_bytes[c - 0x80];
}

int hex_value(unsigned char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// True when the unread character at `p` ends a literal run.
bool is_terminator(const unsigned char* p) {
  switch (p[0]) {
    case '\0':
    case '(':
    case ')':
    case '*':
    case '+':
    case '?':
    case '.':
    case '[':
    case ']':
    case '{':
    case '|':
      return true;
    case '\\':
      return p[1] == 'w' || p[1] == '<' || p[1] == '>';
    case '$':
      return p[1] != '$' && is_terminator(p + 1);
    default:
      return false;
  }
}

class compiler {
 public:
  compiler(SzRexPattern* record, const unsigned char* pattern, std::uint32_t length)
      : record_(record), p_(pattern), length_(length) {}

  ~compiler() {
    if (program_) SzRexMemFree(program_, source_name, __LINE__);
  }

  // 1 on success; then take_program() hands the program over.
  int run();
  int error() const { return error_; }
  unsigned char* take_program() {
    unsigned char* program = program_;
    program_ = nullptr;
    return program;
  }

 private:
  // Program buffer ---------------------------------------------------------
  bool reserve(std::uint32_t more) {
    if (size_ + more <= capacity_) return true;
    std::uint32_t wanted = capacity_ * 2 > size_ + more + 64 ? capacity_ * 2 : size_ + more + 64;
    void* grown = SzRexMemReAlloc(program_, wanted, SzRexMemZeroInit, source_name, __LINE__);
    if (!grown) return fail(SzRexErrorNoMemory);
    program_ = static_cast<unsigned char*>(grown);
    capacity_ = wanted;
    return true;
  }
  bool put(unsigned char byte) {
    if (!reserve(1)) return false;
    program_[size_++] = byte;
    return true;
  }
  // Opens a gap of `count` bytes at `at`, moving what follows up.
  bool open_gap(std::uint32_t at, std::uint32_t count) {
    if (!reserve(count)) return false;
    std::memmove(program_ + at + count, program_ + at, size_ - at);
    std::memset(program_ + at, 0, count);
    size_ += count;
    return true;
  }
  bool fail(int code) {
    error_ = code;
    return false;
  }
  bool count_branch() {
    if (++branches_ > SzRexMaxBranchNodes) return fail(SzRexErrorTooComplex);
    return true;
  }

  // Characters -------------------------------------------------------------
  // Decodes one character at `*at` (escapes included), advancing `*at`. Values of
  // 256 or more are double-byte characters.
  unsigned decode(const unsigned char** at);
  unsigned decode_single(const unsigned char** at, bool* from_escape);

  // Tokens -----------------------------------------------------------------
  bool quantifier(unsigned char kind);
  bool counted(const unsigned char** at, unsigned* low, unsigned* high);
  bool repeat_counted(unsigned low, unsigned high);
  bool alternative();
  bool open_group();
  bool close_group();
  bool character_class();
  bool literal_run();
  bool write_literal(const unsigned char* bytes, std::uint32_t count);

  SzRexPattern* record_;
  const unsigned char* p_;
  std::uint32_t length_;
  unsigned char* program_ = nullptr;
  std::uint32_t size_ = 0;
  std::uint32_t capacity_ = 0;
  int error_ = 0;
  int branches_ = 0;
  long last_atom_ = -1;
  int depth_ = 0;
  bool top_group_ = false;
  std::uint32_t stack_[max_groups_open] = {};
};

unsigned compiler::decode_single(const unsigned char** at, bool* from_escape) {
  const unsigned char* p = *at;
  *from_escape = false;
  if (p[0] != '\\') {
    if (is_lead(record_, p[0]) && p[1] != '\0') {
      *at = p + 2;
      return p[0] * 256u + p[1];
    }
    *at = p + 1;
    return p[0];
  }
  // A lone backslash at the very end is read as itself.
  if (p[1] == '\0') {
    *at = p + 1;
    return '\\';
  }
  unsigned char c = p[1];
  if (c == 'x') {
    int high = hex_value(p[2]);
    int low = high >= 0 ? hex_value(p[3]) : -1;
    if (high < 0 || low < 0) {
      *at = p + 2;
      return 'x';
    }
    *at = p + 4;
    *from_escape = true;
    return static_cast<unsigned>(high * 16 + low);
  }
  if (c >= '0' && c <= '7') {
    unsigned value = 0;
    int digits = 0;
    const unsigned char* q = p + 1;
    while (digits < 3 && *q >= '0' && *q <= '7') {
      value = value * 8 + (*q - '0');
      ++q;
      ++digits;
    }
    *at = q;
    *from_escape = true;
    return value & 0xFF;
  }
  *at = p + 2;
  switch (c) {
    case 'a':
      return 7;
    case 'b':
      return 8;
    case 't':
      return 9;
    case 'n':
      return 10;
    case 'v':
      return 11;
    case 'r':
      return 13;
    case 'z':
      return 26;
    case 'e':
      return 27;
    default:
      break;
  }
  if (is_lead(record_, c) && p[2] != '\0') {
    *at = p + 3;
    return c * 256u + p[2];
  }
  return c;
}

unsigned compiler::decode(const unsigned char** at) {
  bool escaped = false;
  unsigned value = decode_single(at, &escaped);
  // An escaped lead byte joins the next character into one double-byte character.
  if (escaped && value >= 0x80 && value < 0x100 &&
      is_lead(record_, static_cast<unsigned char>(value)) && **at != '\0') {
    const unsigned char* next = *at;
    bool next_escaped = false;
    unsigned trail = decode_single(&next, &next_escaped);
    if (trail >= 0x40 && trail < 0x100) {
      *at = next;
      return value * 256u + trail;
    }
  }
  return value;
}

bool compiler::quantifier(unsigned char kind) {
  if (last_atom_ < 0) return fail(SzRexErrorNothingToRepeat);
  if (!count_branch()) return false;
  std::uint32_t at = static_cast<std::uint32_t>(last_atom_);
  if (!open_gap(at, 5)) return false;
  program_[at] = kind;
  if (!put(SzRexNodeEnd)) return false;
  if (*p_ == '?') {
    ++p_;
    program_[at] = static_cast<unsigned char>(kind + 5);
  }
  record_->flags |= SzRexFlagScratch;
  last_atom_ = -1;
  return true;
}

// `{n}`, `{n,}`, `{n,m}`: digits, optionally a comma and more digits, then `}`.
// False when the text at `*at` (a `{`) is not of that form.
bool compiler::counted(const unsigned char** at, unsigned* low, unsigned* high) {
  const unsigned char* p = *at + 1;
  auto number = [&p](unsigned* value) {
    if (*p < '0' || *p > '9') return false;
    unsigned v = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
      v = v * 10 + (*p - '0');
      if (v > 65535) v = 65535;
    }
    *value = v;
    return true;
  };
  if (!number(low)) return false;
  *high = *low;
  if (*p == ',') {
    ++p;
    if (!number(high)) *high = 65535;
  }
  if (*p != '}') return false;
  *at = p + 1;
  return true;
}

bool compiler::repeat_counted(unsigned low, unsigned high) {
  if (!count_branch()) return false;
  std::uint32_t at = static_cast<std::uint32_t>(last_atom_);
  if (!open_gap(at, 9)) return false;
  program_[at] = SzRexNodeCount;
  program_[at + 5] = low & 0xFF;
  program_[at + 6] = static_cast<unsigned char>(low >> 8);
  program_[at + 7] = high & 0xFF;
  program_[at + 8] = static_cast<unsigned char>(high >> 8);
  record_->flags |= SzRexFlagScratch;
  last_atom_ = -1;
  return put(SzRexNodeEnd);
}

bool compiler::alternative() {
  if (depth_ == 0) {
    if (!open_gap(0, 1)) return false;
    program_[0] = SzRexNodeGroup;
    if (!count_branch()) return false;
    stack_[0] = 0;
    depth_ = 1;
    top_group_ = true;
  }
  last_atom_ = -1;
  return put(SzRexNodeAlt);
}

bool compiler::open_group() {
  if (depth_ + 1 >= max_groups_open) return fail(SzRexErrorNesting);
  if (!count_branch()) return false;
  std::uint32_t at = size_;
  const unsigned char* p = p_;  // after `(`
  unsigned char kind = SzRexNodeGroup;
  if (p[0] == '?' && p[1] == '=') {
    kind = SzRexNodeAhead;
    p_ += 2;
  } else if (p[0] == '?' && p[1] == '!') {
    kind = SzRexNodeNotAhead;
    p_ += 2;
  } else if (p[0] == '?' && p[1] == '<' && p[2] == '=') {
    kind = SzRexNodeBehind;
    p_ += 3;
  } else if (p[0] == '?' && p[1] == '<' && p[2] == '!') {
    kind = SzRexNodeNotBehind;
    p_ += 3;
  }
  if (!put(kind)) return false;
  if (kind == SzRexNodeNotBehind) {
    for (int i = 0; i < 4; ++i)
      if (!put(0)) return false;
    record_->flags |= SzRexFlagScratch;
  }
  stack_[depth_++] = at;
  last_atom_ = -1;
  return true;
}

bool compiler::close_group() {
  // The implicit group of a top-level `|` has no `(` a `)` could close.
  if (depth_ == 0 || (top_group_ && depth_ == 1)) return fail(SzRexErrorUnbalanced);
  --depth_;
  if (!put(SzRexNodeGroupEnd)) return false;
  last_atom_ = stack_[depth_];
  return true;
}

bool compiler::character_class() {
  std::uint32_t at = size_;
  unsigned char kind = SzRexNodeClass;
  if (*p_ == '^') {
    kind = SzRexNodeNegClass;
    ++p_;
  }
  if (!put(kind)) return false;
  unsigned min_single = 255, max_single = 0, min_double = 0xFFFF, max_double = 0;
  for (int i = 0; i < 6; ++i)
    if (!put(0)) return false;
  auto put_be = [this](unsigned value) { return put(value >> 8) && put(value & 0xFF); };
  auto widen = [&](unsigned low, unsigned high) {
    if (low < 256) {
      if (low < min_single) min_single = low;
      unsigned top = high < 256 ? high : 255;
      if (top > max_single) max_single = top;
    }
    if (high >= 256) {
      unsigned bottom = low >= 256 ? low : 256;
      if (bottom < min_double) min_double = bottom;
      if (high > max_double) max_double = high;
    }
  };
  while (*p_ != ']') {
    if (*p_ == '\0') return fail(SzRexErrorUnbalanced);
    unsigned low = decode(&p_);
    if (low == 0) return fail(SzRexErrorClassNul);
    unsigned high = low;
    if (p_[0] == '-' && p_[1] != ']' && p_[1] != '\0') {
      ++p_;
      high = decode(&p_);
      if (high == 0) return fail(SzRexErrorClassNul);
      if (high < low) {
        unsigned swap = low;
        low = high;
        high = swap;
      }
    }
    widen(low, high);
    bool ok;
    if (low == high) {
      if (low >= 256) {
        ok = put(low >> 8) && put(low & 0xFF);
      } else if (low < 4 || is_lead(record_, static_cast<unsigned char>(low))) {
        // Written as a range so it cannot be read as an item marker or a lead byte.
        ok = put(SzRexClassSingleRange) && put(low) && put(low);
      } else {
        ok = put(low);
      }
    } else if (high < 256) {
      ok = put(SzRexClassSingleRange) && put(low) && put(high);
    } else if (low < 256) {
      ok = put(SzRexClassMixedRange) && put(low) && put_be(high);
    } else {
      ok = put(SzRexClassDoubleRange) && put_be(low) && put_be(high);
    }
    if (!ok) return false;
  }
  ++p_;  // `]`
  if (!put(0)) return false;
  program_[at + 1] = static_cast<unsigned char>(min_single);
  program_[at + 2] = static_cast<unsigned char>(max_single);
  program_[at + 3] = static_cast<unsigned char>(min_double >> 8);
  program_[at + 4] = static_cast<unsigned char>(min_double & 0xFF);
  program_[at + 5] = static_cast<unsigned char>(max_double >> 8);
  program_[at + 6] = static_cast<unsigned char>(max_double & 0xFF);
  last_atom_ = at;
  return true;
}

bool compiler::write_literal(const unsigned char* bytes, std::uint32_t count) {
  last_atom_ = size_;
  if (count <= 255) {
    if (!put(SzRexNodeLiteral) || !put(static_cast<unsigned char>(count))) return false;
  } else {
    if (!put(SzRexNodeLongLiteral) || !put(count & 0xFF) || !put(count >> 8)) return false;
  }
  if (!reserve(count)) return false;
  std::memcpy(program_ + size_, bytes, count);
  size_ += count;
  return true;
}

// A run of ordinary characters. The bytes are gathered and written as one node;
// a run longer than a LongLiteral can hold continues in a further node.
bool compiler::literal_run() {
  const std::uint32_t most_repeats = 65535;
  // The run is written straight into the program behind a LongLiteral header,
  // which close_node narrows to a Literal one when the run is short.
  std::uint32_t bytes = 0;         // bytes of the current node
  std::uint32_t last_char_at = 0;  // offset of the last character in the node
  std::uint32_t last_char_size = 0;
  std::uint32_t header = size_;
  if (!put(SzRexNodeLongLiteral) || !put(0) || !put(0)) return false;
  auto close_node = [&](std::uint32_t node_header, std::uint32_t count) {
    if (count <= 255) {
      program_[node_header] = SzRexNodeLiteral;
      program_[node_header + 1] = static_cast<unsigned char>(count);
      std::memmove(program_ + node_header + 2, program_ + node_header + 3, count);
      size_ -= 1;
    } else {
      program_[node_header + 1] = count & 0xFF;
      program_[node_header + 2] = static_cast<unsigned char>(count >> 8);
    }
  };
  do {
    unsigned value = decode(&p_);
    std::uint32_t width = value >= 256 ? 2 : 1;
    if (bytes + width > most_repeats) {
      close_node(header, bytes);
      header = size_;
      bytes = 0;
      if (!put(SzRexNodeLongLiteral) || !put(0) || !put(0)) return false;
    }
    if (!reserve(width)) return false;
    last_char_at = bytes;
    last_char_size = width;
    if (width == 2) {
      program_[size_++] = static_cast<unsigned char>(value >> 8);
      program_[size_++] = static_cast<unsigned char>(value & 0xFF);
    } else {
      program_[size_++] = static_cast<unsigned char>(value);
    }
    bytes += width;
  } while (!is_terminator(p_));
  unsigned char next = *p_;
  bool split = (next == '*' || next == '+' || next == '?' || next == '{') && bytes > last_char_size;
  if (split) {
    unsigned char tail[2];
    std::memcpy(tail, program_ + header + 3 + last_char_at, last_char_size);
    size_ -= last_char_size;
    close_node(header, last_char_at);
    return write_literal(tail, last_char_size);
  }
  close_node(header, bytes);
  last_atom_ = header;
  return true;
}

int compiler::run() {
  std::uint64_t wanted = static_cast<std::uint64_t>(length_) * 6 + 64;
  program_ = static_cast<unsigned char*>(SzRexMemAlloc(
      SzRexMemFixed | SzRexMemZeroInit, static_cast<std::uint32_t>(wanted), source_name, __LINE__));
  if (!program_) {
    fail(SzRexErrorNoMemory);
    return 0;
  }
  capacity_ = static_cast<std::uint32_t>(wanted);
  record_->flags = 0;
  for (;;) {
    unsigned char c = *p_;
    bool ok = true;
    unsigned low = 0, high = 0;
    if (c == '\0') {
      if (top_group_) {
        if (depth_ != 1) {
          fail(SzRexErrorUnbalanced);
          return 0;
        }
        if (!put(SzRexNodeGroupEnd)) return 0;
        depth_ = 0;
      }
      if (depth_ != 0) {
        fail(SzRexErrorUnbalanced);
        return 0;
      }
      if (!put(SzRexNodeEnd)) return 0;
      break;
    }
    if (c == '*' || c == '+' || c == '?') {
      ++p_;
      ok = quantifier(c == '*' ? SzRexNodeStar : c == '+' ? SzRexNodePlus : SzRexNodeOpt);
    } else if (c == '|') {
      ++p_;
      ok = alternative();
    } else if (c == '{' && last_atom_ >= 0 && counted(&p_, &low, &high)) {
      ok = repeat_counted(low, high);
    } else if (c >= '/' && c <= 'Z') {
      ok = literal_run();
    } else if (c == '(') {
      ++p_;
      ok = open_group();
    } else if (c == ')') {
      ++p_;
      ok = close_group();
    } else if (c == '^') {
      ++p_;
      last_atom_ = size_;
      ok = put(SzRexNodeStringStart);
    } else if (c == '$' && is_terminator(p_ + 1)) {
      ++p_;
      last_atom_ = size_;
      ok = put(SzRexNodeLineEnd);
    } else if (c == '[') {
      ++p_;
      ok = character_class();
    } else if (c == '.') {
      ++p_;
      last_atom_ = size_;
      if (p_[0] == '*' && p_[1] != '?') {
        ++p_;
        ok = count_branch() && put(SzRexNodeDotStar);
        last_atom_ = -1;
      } else {
        ok = put(SzRexNodeAnyChar);
      }
    } else if (c == '\\' && (p_[1] == 'w' || p_[1] == '<' || p_[1] == '>')) {
      last_atom_ = size_;
      ok = put(p_[1] == 'w' ? SzRexNodeWord : p_[1] == '<' ? SzRexNodeWordStart : SzRexNodeWordEnd);
      p_ += 2;
    } else {
      ok = literal_run();
    }
    if (!ok) return 0;
  }
  return 1;
}

}  // namespace

// Position of the node after the first node at `pc` (with everything it contains).
static int node_after(const SzRexPattern* record, int pc) { return record->state->next[pc]; }

int SzRexCompile(SzRexPattern* record, const char* pattern) {
  if (!record || !pattern || record->size != SzRexPatternSize || !record->lead_bytes) return 0;
  if (*pattern == '\0') return 0;
  record->error = SzRexErrorNone;
  const char* text = pattern;
  if (record->fuzzy) {
    if (!record->fuzzy_context) {
      record->fuzzy_context = static_cast<SzRexFuzzy*>(
          SzRexMemAlloc(SzRexMemFixed | SzRexMemZeroInit, sizeof(SzRexFuzzy), source_name, __LINE__));
      if (!record->fuzzy_context) {
        record->error = SzRexErrorNoMemory;
        return 0;
      }
      record->fuzzy_context->size = SzRexFuzzySize;
      if (!SzRexFuzzyInit(record->fuzzy_context)) {
        SzRexMemFree(record->fuzzy_context, source_name, __LINE__);
        record->fuzzy_context = nullptr;
        record->error = SzRexErrorFuzzy;
        return 0;
      }
    }
    text = SzRexFuzzyConvertPattern(record->fuzzy_context, pattern);
    if (!text || !*text) {
      record->error = SzRexErrorFuzzy;
      return 0;
    }
  }
  std::size_t length = std::strlen(text);
  if (length > static_cast<std::size_t>(SzRexMaxPatternLength)) {
    record->error = SzRexErrorTooLarge;
    return 0;
  }
  compiler c(record, reinterpret_cast<const unsigned char*>(text),
             static_cast<std::uint32_t>(length));
  if (!c.run()) {
    record->error = c.error();
    record->flags = 0;
    return 0;
  }
  record->program = c.take_program();
  if (!szrex_analyse(record)) {
    SzRexMemFree(record->program, source_name, __LINE__);
    record->program = nullptr;
    record->error = SzRexErrorNoMemory;
    return 0;
  }
  unsigned char* program = record->program;
  // Trailing `.*` nodes only extend the match to the end of its line: remove them
  // and let the search do that (never the program's very first node).
  std::vector<int> starts;
  for (int pc = 0; program[pc] != SzRexNodeEnd; pc = node_after(record, pc)) starts.push_back(pc);
  bool removed = false;
  for (std::size_t i = starts.size(); i > 1 && program[starts[i - 1]] == SzRexNodeDotStar; --i) {
    program[starts[i - 1]] = SzRexNodeEnd;
    removed = true;
  }
  if (removed) {
    record->flags |= SzRexFlagExtendLine;
    szrex_free_state(record);
    if (!szrex_analyse(record)) {
      SzRexMemFree(record->program, source_name, __LINE__);
      record->program = nullptr;
      record->error = SzRexErrorNoMemory;
      return 0;
    }
  }
  if (szrex_gives_filter(record, 0)) record->flags |= SzRexFlagStartFilter;
  if (program[0] == SzRexNodeBehind || program[0] == SzRexNodeNotBehind) {
    int after = node_after(record, 0);
    if (szrex_gives_filter(record, after)) record->flags |= SzRexFlagBehindFilter;
  }
  return 1;
}

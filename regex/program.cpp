// Record set-up and the structure of a compiled program: where each node ends,
// how alternatives are linked, which repetitions can give back.
#include <cstring>
#include <new>

#include "regex/engine.h"
#include "regex/guarded_memory.h"
#include "regex/szrex_fuzzy.h"
#include "regex/szrex_os.h"

namespace {

const char source_name[] = "Compile";

bool is_lead(const SzRexPattern* record, unsigned char c) {
  return c >= 0x80 && record->lead_bytes[c - 0x80];
}

// Size of the class body starting after the kind byte.
int class_body_size(const SzRexPattern* record, const unsigned char* body) {
  int i = 6;
  for (;;) {
    unsigned char c = body[i];
    if (c == 0) return i + 1;
    if (c == SzRexClassSingleRange)
      i += 3;
    else if (c == SzRexClassMixedRange)
      i += 4;
    else if (c == SzRexClassDoubleRange)
      i += 5;
    else if (is_lead(record, c))
      i += 2;
    else
      i += 1;
  }
}

bool is_repetition(unsigned char kind) {
  return (kind >= SzRexNodeStar && kind <= SzRexNodeCount) ||
         (kind >= SzRexNodeLazyStar && kind <= SzRexNodeLazyCount);
}

bool is_group(unsigned char kind) { return kind >= SzRexNodeAhead && kind <= SzRexNodeGroup; }

}  // namespace

int SzRexInit(SzRexPattern* record) {
  if (!record || record->size != SzRexPatternSize) return 0;
  std::uint32_t size = record->size;
  std::memset(record, 0, sizeof *record);
  record->size = size;
  record->lead_bytes = static_cast<unsigned char*>(
      SzRexMemAlloc(SzRexMemFixed | SzRexMemZeroInit, 128, source_name, __LINE__));
  if (!record->lead_bytes) return 0;
  for (int c = 0x80; c < 0x100; ++c)
    record->lead_bytes[c - 0x80] =
        szrex_os::is_lead_byte_932(static_cast<unsigned char>(c)) ? 1 : 0;
  return 1;
}

void szrex_free_state(SzRexPattern* record) {
  SzRexMatchState* state = record->state;
  if (!state) return;
  for (SzRexMemo& memo : state->memos)
    if (memo.cells) SzRexMemFree(memo.cells, "Match", __LINE__);
  delete state;
  record->state = nullptr;
}

int SzRexFree(SzRexPattern* record) {
  if (!record) return 1;
  szrex_free_state(record);
  if (record->program) SzRexMemFree(record->program, source_name, __LINE__);
  record->program = nullptr;
  if (record->lead_bytes) SzRexMemFree(record->lead_bytes, source_name, __LINE__);
  record->lead_bytes = nullptr;
  if (record->fuzzy_context) {
    SzRexFuzzyFree(record->fuzzy_context);
    SzRexMemFree(record->fuzzy_context, source_name, __LINE__);
    record->fuzzy_context = nullptr;
  }
  return 1;
}

bool szrex_analyse(SzRexPattern* record) {
  const unsigned char* program = record->program;
  SzRexMatchState* state = new (std::nothrow) SzRexMatchState;
  if (!state) return false;
  record->state = state;
  try {
    // Length first: walk to the final End.
    struct open_node {
      int pc;
      int separator;  // groups: the last Alt seen (or the group node itself)
      bool repetition;
    };
    std::vector<open_node> open;
    std::vector<int> alts;  // Alt positions of open groups, to fill after_group
    int pc = 0;
    int length = 0;
    // First pass to find the program length (the End not closing a repetition).
    {
      std::vector<bool> kinds;  // true: repetition, false: group
      int p = 0;
      for (;;) {
        unsigned char k = program[p];
        if (k == SzRexNodeEnd) {
          if (!kinds.empty() && kinds.back()) {
            kinds.pop_back();
            ++p;
            continue;
          }
          length = p + 1;
          break;
        }
        if (is_repetition(k)) {
          kinds.push_back(true);
          p += (k == SzRexNodeCount || k == SzRexNodeLazyCount) ? 9 : 5;
        } else if (is_group(k)) {
          kinds.push_back(false);
          p += k == SzRexNodeNotBehind ? 5 : 1;
        } else if (k == SzRexNodeGroupEnd) {
          if (!kinds.empty()) kinds.pop_back();
          ++p;
        } else if (k == SzRexNodeLiteral || k == SzRexNodeLongLiteral) {
          const unsigned char* bytes;
          const int n = SzRexLiteralText(program + p, &bytes);
          p = static_cast<int>(bytes - program) + n;
        } else if (k == SzRexNodeClass || k == SzRexNodeNegClass) {
          p += 1 + class_body_size(record, program + p + 1);
        } else {
          ++p;
        }
      }
    }
    state->program_length = length;
    state->next.assign(length, 0);
    state->alt_link.assign(length, 0);
    state->after_group.assign(length, 0);
    state->atom_kind.assign(length, 0);
    state->filter_from.assign(length, 0);
    state->filter_result.assign(length, 0);
    state->filter_stamp.assign(length, 0);
    state->dot_low.assign(length, 0);
    state->dot_high.assign(length, 0);
    state->dot_limit.assign(length, 0);
    state->dot_stamp.assign(length, 0);
    while (pc < length) {
      unsigned char k = program[pc];
      if (k == SzRexNodeEnd) {
        if (!open.empty() && open.back().repetition) {
          state->next[open.back().pc] = pc + 1;
          open.pop_back();
          ++pc;
          continue;
        }
        state->next[pc] = pc + 1;
        break;
      }
      if (is_repetition(k)) {
        open.push_back({pc, pc, true});
        pc += (k == SzRexNodeCount || k == SzRexNodeLazyCount) ? 9 : 5;
      } else if (is_group(k)) {
        open.push_back({pc, pc, false});
        alts.push_back(-1);  // marks the start of this group's Alt list
        pc += k == SzRexNodeNotBehind ? 5 : 1;
      } else if (k == SzRexNodeAlt) {
        state->next[pc] = pc + 1;
        if (!open.empty() && !open.back().repetition) {
          state->alt_link[open.back().separator] = pc;
          open.back().separator = pc;
          alts.push_back(pc);
        }
        ++pc;
      } else if (k == SzRexNodeGroupEnd) {
        state->next[pc] = pc + 1;
        if (!open.empty() && !open.back().repetition) {
          state->alt_link[open.back().separator] = pc;
          state->next[open.back().pc] = pc + 1;
          while (!alts.empty() && alts.back() >= 0) {
            state->after_group[alts.back()] = pc + 1;
            alts.pop_back();
          }
          if (!alts.empty()) alts.pop_back();
          open.pop_back();
        }
        ++pc;
      } else {
        int size = 1;
        if (k == SzRexNodeLiteral || k == SzRexNodeLongLiteral) {
          const unsigned char* bytes;
          const int n = SzRexLiteralText(program + pc, &bytes);
          size = static_cast<int>(bytes - (program + pc)) + n;
        } else if (k == SzRexNodeClass || k == SzRexNodeNegClass) {
          size = 1 + class_body_size(record, program + pc + 1);
        }
        state->next[pc] = pc + size;
        pc += size;
      }
    }
    if (program[0] == SzRexNodeLiteral || program[0] == SzRexNodeLongLiteral) {
      const unsigned char* bytes;
      const int n = SzRexLiteralText(program, &bytes);
      if (n >= 3) {
        const int most = n < 255 ? n : 255;
        state->first_skip.assign(256, static_cast<unsigned char>(most));
        for (int i = n - most; i < n - 1; ++i)
          state->first_skip[bytes[i]] = static_cast<unsigned char>(n - 1 - i);
      }
    }
    // Memos are numbered on first use; reserve them all so that none moves.
    std::size_t slots = 0;
    for (int p = 0; p < length; p = p + 1)
      if ((is_repetition(program[p]) || program[p] == SzRexNodeNotBehind) && state->next[p] != 0)
        ++slots;
    state->memos.reserve(slots);
    // Classify the atom of every repetition.
    for (int p = 0; p < length; ++p) {
      unsigned char k = program[p];
      if (!is_repetition(k) || state->next[p] == 0) continue;
      int atom = p + ((k == SzRexNodeCount || k == SzRexNodeLazyCount) ? 9 : 5);
      unsigned char a = program[atom];
      unsigned char kind = SzRexAtomComplex;
      if (a == SzRexNodeAnyChar || a == SzRexNodeClass || a == SzRexNodeNegClass) {
        kind = SzRexAtomSingleChar;
      } else if (a == SzRexNodeLiteral) {
        int n = program[atom + 1];
        kind = (n == 1 || (n == 2 && is_lead(record, program[atom + 2]))) ? SzRexAtomSingleChar
                                                                          : SzRexAtomFixed;
      } else if (a == SzRexNodeLongLiteral || a == SzRexNodeStringStart || a == SzRexNodeLineEnd ||
                 a == SzRexNodeWordStart || a == SzRexNodeWordEnd) {
        kind = SzRexAtomFixed;
      } else if (a == SzRexNodeGroup) {
        // A group without alternatives over simple nodes has one end only.
        kind = SzRexAtomFixed;
        int end = state->next[atom] - 1;  // its GroupEnd
        for (int q = atom + 1; q < end; q = state->next[q]) {
          unsigned char c = program[q];
          bool simple = c == SzRexNodeAnyChar || c == SzRexNodeClass || c == SzRexNodeNegClass ||
                        c == SzRexNodeLiteral || c == SzRexNodeLongLiteral ||
                        c == SzRexNodeStringStart || c == SzRexNodeLineEnd ||
                        c == SzRexNodeWordStart || c == SzRexNodeWordEnd;
          if (!simple || state->next[q] <= q) {
            kind = SzRexAtomComplex;
            break;
          }
        }
      }
      state->atom_kind[p] = kind;
    }
  } catch (const std::bad_alloc&) {
    szrex_free_state(record);
    return false;
  }
  return true;
}

bool szrex_gives_filter(const SzRexPattern* record, int pc) {
  const unsigned char* program = record->program;
  const SzRexMatchState* state = record->state;
  // Groups nest at most 32 deep; each level is one frame here.
  for (int guard = 0; guard < 1 << 20; ++guard) {
    unsigned char k = program[pc];
    if (k == SzRexNodeStringStart || SzRexIsFilterLeaf(k)) return true;
    switch (k) {
      case SzRexNodeAlt:
        pc = state->after_group[pc];
        continue;
      case SzRexNodePlus:
        pc += 5;
        continue;
      case SzRexNodeNotBehind:
      case SzRexNodeBehind:
      case SzRexNodeGroup: {
        int first = pc + (k == SzRexNodeNotBehind ? 5 : 1);
        int separator = state->alt_link[pc];
        for (int alt = first;;) {
          if (!szrex_gives_filter(record, alt)) return false;
          if (program[separator] == SzRexNodeGroupEnd) return true;
          alt = separator + 1;
          separator = state->alt_link[separator];
        }
      }
      default:
        return false;
    }
  }
  return false;
}

int SzRexLiteralTail(const SzRexPattern* record, const char** bytes) {
  if (!record || !record->program || !record->state || !bytes) return 0;
  // A line-extended match ends where its line does, whatever the program says.
  if (record->flags & SzRexFlagExtendLine) return 0;
  const unsigned char* program = record->program;
  const SzRexMatchState* state = record->state;
  int last = -1;
  // The top-level nodes in order; a top-level alternation is a group of its own.
  for (int pc = 0; pc < state->program_length && program[pc] != SzRexNodeEnd;) {
    last = pc;
    const int next = state->next[pc];
    if (next <= pc) return 0;
    pc = next;
  }
  if (last < 0) return 0;
  if (program[last] != SzRexNodeLiteral && program[last] != SzRexNodeLongLiteral) return 0;
  const unsigned char* text;
  const int n = SzRexLiteralText(program + last, &text);
  *bytes = reinterpret_cast<const char*>(text);
  return n;
}

// The fuzzy conversions: every character is replaced by the representative of its
// equivalence group; under the mode switches letters fold to capitals and chosen
// characters are skipped. A converted subject keeps a map back to its source.
#include <cstdio>
#include <cstring>
#include <string>

#include "regex/fuzzy_internal.h"
#include "regex/guarded_memory.h"
#include "regex/szrex_os.h"

namespace {

const char source_name[] = "Fuzzy";
const char fuzzy_caption[] = "SzRex.dll - あいまい検索";
const std::uint32_t page_threshold = 1u << 20;

bool lead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

bool is_meta(unsigned char c) { return std::strchr("()*+?.[]{}|^$\\", c) != nullptr && c != '\0'; }

// The code of the character at `p` (a double-byte value when it is one) and its size.
unsigned read_char(const unsigned char* p, const unsigned char* end, unsigned* size) {
  if (lead(*p) && p + 1 < end && p[1] != 0) {
    *size = 2;
    return (p[0] << 8) | p[1];
  }
  *size = 1;
  return *p;
}

class converter {
 public:
  explicit converter(const SzRexFuzzy* context) : context_(context) {}

  // The representative of `code` (itself when it has none); 0 when it is skipped.
  unsigned convert(unsigned code) const {
    std::uint32_t flag = context_->fuzzy_flag;
    if (flag & SzRexFuzzyCapitals) {
      if (code >= 'a' && code <= 'z')
        code -= 32;
      else if (code >= 0x8281 && code <= 0x829A)
        code -= 0x21;  // ａ-ｚ to Ａ-Ｚ
    }
    if (skipped(code)) return 0;
    if (context_->table) {
      auto* table = reinterpret_cast<std::uint16_t(*)[192]>(context_->table);
      if (std::uint16_t* entry = szrex_table_entry(table, code))
        if (*entry) code = *entry;
    }
    if (flag & SzRexFuzzyCapitals) {
      if (code >= 'a' && code <= 'z')
        code -= 32;
      else if (code >= 0x8281 && code <= 0x829A)
        code -= 0x21;
    }
    return code;
  }

 private:
  bool skipped(unsigned code) const {
    std::uint32_t flag = context_->fuzzy_flag;
    if ((flag & SzRexFuzzyVoiced) &&
        (code == 0x814A || code == 0x814B || code == 0xDE || code == 0xDF))
      return true;
    if ((flag & SzRexFuzzySkipBlanks) && (code == ' ' || code == '\t' || code == 0x8140))
      return true;
    if ((flag & SzRexFuzzySkipLineFeeds) && (code == '\n' || code == '\r')) return true;
    if ((flag & SzRexFuzzySkipCustom) && context_->custom_ignore[0]) {
      const unsigned char* p = reinterpret_cast<const unsigned char*>(context_->custom_ignore);
      const unsigned char* end =
          p + strnlen(context_->custom_ignore, sizeof context_->custom_ignore);
      while (p < end) {
        unsigned size;
        unsigned c = read_char(p, end, &size);
        if (c == code) return true;
        p += size;
      }
    }
    return false;
  }

  const SzRexFuzzy* context_;
};

// Writes a converted code: one byte, or two for a double-byte character or a
// half-width voiced pair.
unsigned char* put_code(unsigned char* out, unsigned code) {
  if (code >= 0x100) *out++ = static_cast<unsigned char>(code >> 8);
  *out++ = static_cast<unsigned char>(code & 0xFF);
  return out;
}

void* buffer_alloc(std::uint32_t size) {
  if (size >= page_threshold) return szrex_os::pages_alloc(size);
  return SzRexMemAlloc(SzRexMemFixed | SzRexMemZeroInit, size, source_name, __LINE__);
}

void buffer_free(void* buffer, std::uint32_t capacity) {
  if (!buffer) return;
  if (capacity >= page_threshold)
    szrex_os::pages_free(buffer);
  else
    SzRexMemFree(buffer, source_name, __LINE__);
}

// Reports a conversion that would write past the length it expected, with the text
// it has written so far, as the engine's internal error.
void report_overrun(int stage, const unsigned char* begin, const unsigned char* end) {
  SzRexShowMessage(stage == 1
                       ? "オーバーラン発生１、次に出てくるメッセージ内容をメモして、ファイル中のどの"
                         "行か探してください。"
                       : "オーバーラン発生２、次に出てくるメッセージ内容をメモして、ファイル中のどの"
                         "行か探してください。",
                   fuzzy_caption, true);
  std::string text(reinterpret_cast<const char*>(begin), reinterpret_cast<const char*>(end));
  SzRexFatal(text.c_str());
}

// The length of the synonym word at `p` (its first byte, 0 ends a group) and its text.
struct word_view {
  const unsigned char* text;
  unsigned length;
};

// Whether the converted characters of `word` begin the pattern text at `p` (which
// ends at `end`, or at the first metacharacter or escape); the bytes of the pattern
// taken when they do.
unsigned word_at(const converter& conv, const word_view& word, const unsigned char* p,
                 const unsigned char* end) {
  const unsigned char* w = word.text;
  const unsigned char* w_end = word.text + word.length;
  const unsigned char* q = p;
  while (w < w_end) {
    if (q >= end || is_meta(*q)) return 0;
    unsigned wn, qn;
    const unsigned wc = read_char(w, w_end, &wn), qc = read_char(q, end, &qn);
    if (wc != qc && conv.convert(wc) != conv.convert(qc)) return 0;
    w += wn;
    q += qn;
  }
  return static_cast<unsigned>(q - p);
}

// The pattern with every synonym word it holds replaced by the alternation of the
// word's group, into `out` of `capacity` bytes (the NUL included). 1 on success; 0
// after a report: a word directly under a quantifier (which would then repeat the
// whole alternation), or a text longer than the pattern's figures promised.
int substitute_synonyms(const SzRexFuzzy* context, const unsigned char* p,
                        const unsigned char* end, unsigned char* out, std::size_t capacity,
                        std::size_t* written) {
  converter conv(context);
  const unsigned char* list = context->synonyms;
  const unsigned char* list_end = list + context->synonym_size;
  unsigned char* const begin = out;
  unsigned char* const limit = out + capacity - 1;
  auto put = [&](unsigned char c) {
    if (out >= limit) return false;
    *out++ = c;
    return true;
  };
  bool in_class = false;
  while (p < end) {
    unsigned size;
    read_char(p, end, &size);
    if (*p == '\\' || in_class || is_meta(*p)) {
      // Escapes, classes and metacharacters pass unchanged.
      if (*p == '[' && !in_class) {
        in_class = true;
        if (p + 1 < end && p[1] == '^') {
          if (!put(*p++)) return report_overrun(1, begin, out), 0;
        }
        if (p + 1 < end && p[1] == ']') {
          if (!put(*p++)) return report_overrun(1, begin, out), 0;
        }
      } else if (*p == ']' && in_class) {
        in_class = false;
      }
      unsigned n = size;
      if (*p == '\\' && p + 1 < end) {
        unsigned next;
        read_char(p + 1, end, &next);
        n = 1 + next;
      }
      for (unsigned i = 0; i < n; ++i)
        if (!put(*p++)) return report_overrun(1, begin, out), 0;
      continue;
    }
    // The longest word of any group that begins here.
    const unsigned char* group = nullptr;
    unsigned taken = 0;
    for (const unsigned char* g = list; g < list_end && *g;) {
      const unsigned char* w = g;
      while (w < list_end && *w) {
        const word_view word{w + 1, *w};
        const unsigned n = word_at(conv, word, p, end);
        if (n > taken) {
          taken = n;
          group = g;
        }
        w += 1 + *w;
      }
      g = w + 1;
    }
    if (!group) {
      for (unsigned i = 0; i < size; ++i)
        if (!put(*p++)) return report_overrun(1, begin, out), 0;
      continue;
    }
    p += taken;
    if (p < end && (*p == '*' || *p == '+' || *p == '?' || *p == '{')) {
      SzRexShowMessage("同一視指定の変換が出来ません。（呼び出し元との相性問題）", fuzzy_caption,
                       false);
      return 0;
    }
    if (!put('(')) return report_overrun(1, begin, out), 0;
    for (const unsigned char* w = group; w < list_end && *w; w += 1 + *w) {
      if (w != group && !put('|')) return report_overrun(1, begin, out), 0;
      // The word's metacharacters are escaped so that it stays literal text.
      const unsigned char* word_end = w + 1 + *w;
      for (const unsigned char* c = w + 1; c < word_end;) {
        unsigned n;
        read_char(c, word_end, &n);
        if (n == 1 && is_meta(*c) && !put('\\')) return report_overrun(1, begin, out), 0;
        for (unsigned i = 0; i < n; ++i)
          if (!put(*c++)) return report_overrun(1, begin, out), 0;
      }
    }
    if (!put(')')) return report_overrun(1, begin, out), 0;
  }
  *out = '\0';
  *written = static_cast<std::size_t>(out - begin);
  return 1;
}

}  // namespace

const char* SzRexFuzzyConvertPattern(SzRexFuzzy* context, const char* pattern) {
  if (!context || !pattern) return nullptr;
  converter conv(context);
  std::size_t length = std::strlen(pattern);
  // Synonym words first: each becomes the alternation of its group, in a buffer the
  // figures of the definitions size (the longest alternation per byte of its
  // shortest word, and room for one more).
  std::string substituted;
  if (context->synonyms && context->synonym_size > 1) {
    const std::size_t ratio = context->word_ratio ? context->word_ratio : 1;
    const std::size_t room = length * (ratio + 1) + 1;
    if (room > 0x7FFFFFF0u) return nullptr;
    substituted.resize(room);
    std::size_t written = 0;
    if (!substitute_synonyms(context, reinterpret_cast<const unsigned char*>(pattern),
                             reinterpret_cast<const unsigned char*>(pattern) + length,
                             reinterpret_cast<unsigned char*>(&substituted[0]), room, &written))
      return nullptr;
    substituted.resize(written);
    pattern = substituted.c_str();
    length = written;
  }
  // A character may become an escaped double-byte character in parentheses.
  std::size_t capacity = length * 6 + 8;
  if (capacity > 0x7FFFFFF0u) return nullptr;
  if (context->pattern) SzRexMemFree(context->pattern, source_name, __LINE__);
  context->pattern = static_cast<char*>(
      SzRexMemAlloc(SzRexMemFixed, static_cast<std::uint32_t>(capacity), source_name, __LINE__));
  if (!context->pattern) return nullptr;
  const unsigned char* p = reinterpret_cast<const unsigned char*>(pattern);
  const unsigned char* end = p + length;
  unsigned char* out = reinterpret_cast<unsigned char*>(context->pattern);
  unsigned char* const out_begin = out;
  // A character becomes at most four bytes (a double-byte code in parentheses).
  unsigned char* const out_limit = out_begin + capacity - 5;
  while (p < end) {
    if (out > out_limit) {
      report_overrun(2, out_begin, out);
      return nullptr;
    }
    if (*p == '\\') {
      // Escapes pass unchanged (with a double-byte character after the backslash).
      *out++ = *p++;
      if (p < end) {
        unsigned size;
        read_char(p, end, &size);
        std::memcpy(out, p, size);
        out += size;
        p += size;
      }
      continue;
    }
    if (is_meta(*p)) {
      *out++ = *p++;
      continue;
    }
    unsigned size;
    unsigned code = read_char(p, end, &size);
    p += size;
    unsigned converted = conv.convert(code);
    if (converted == 0) continue;
    bool wide = converted >= 0x100;
    bool quantified = p < end && (*p == '*' || *p == '+' || *p == '?' || *p == '{');
    if (wide && quantified) *out++ = '(';
    if (converted < 0x100 && is_meta(static_cast<unsigned char>(converted))) *out++ = '\\';
    out = put_code(out, converted);
    if (wide && quantified) *out++ = ')';
  }
  *out = '\0';
  context->pattern_length =
      static_cast<std::uint32_t>(out - reinterpret_cast<unsigned char*>(context->pattern));
  return context->pattern;
}

int SzRexFuzzyConvertSubject(SzRexFuzzy* context, const char* subject, std::uint32_t length) {
  if (!context || !subject) return 0;
  if (length > 0x3FFFFFF0u) return 0;
  std::uint32_t need = length * 2 + 2;
  if (context->subject_capacity < need) {
    buffer_free(context->subject, context->subject_capacity);
    buffer_free(context->subject_copy, context->subject_capacity);
    buffer_free(context->position_map, context->subject_capacity * 4);
    context->subject = static_cast<char*>(buffer_alloc(need));
    context->subject_copy = static_cast<char*>(buffer_alloc(need));
    context->position_map = static_cast<std::int32_t*>(buffer_alloc(need * 4));
    context->subject_capacity = need;
    if (!context->subject || !context->subject_copy || !context->position_map) {
      buffer_free(context->subject, need);
      buffer_free(context->subject_copy, need);
      buffer_free(context->position_map, need * 4);
      context->subject = context->subject_copy = nullptr;
      context->position_map = nullptr;
      context->subject_capacity = 0;
      return 0;
    }
  }
  std::memcpy(context->subject_copy, subject, length);
  context->subject_copy[length] = '\0';
  converter conv(context);
  const unsigned char* begin = reinterpret_cast<const unsigned char*>(subject);
  const unsigned char* p = begin;
  const unsigned char* end = begin + length;
  unsigned char* out = reinterpret_cast<unsigned char*>(context->subject);
  unsigned char* out_begin = out;
  const unsigned char* out_end = out_begin + need - 1;
  while (p < end) {
    unsigned size;
    unsigned code = read_char(p, end, &size);
    std::int32_t source = static_cast<std::int32_t>(p - begin);
    p += size;
    unsigned converted = conv.convert(code);
    if (converted == 0) continue;
    unsigned width = converted >= 0x100 ? 2 : 1;
    if (out + width > out_end) {
      char message[400];
      int n = std::snprintf(message, sizeof message,
                            "あいまい検索で、検索対象文字列の変換で矛盾を見つけました。変換元長さ=%"
                            "u、変換先長さ=%u\n\n文字列 = ",
                            length, static_cast<unsigned>(out - out_begin));
      if (n > 0 && n < static_cast<int>(sizeof message)) {
        std::size_t room = sizeof message - static_cast<std::size_t>(n) - 1;
        std::size_t take = length < 100 ? length : 100;
        if (take > room) take = room;
        std::memcpy(message + n, subject, take);
        message[n + take] = '\0';
      }
      SzRexShowMessage(message, fuzzy_caption, true);
      return 0;
    }
    for (unsigned i = 0; i < width; ++i) context->position_map[(out - out_begin) + i] = source;
    out = put_code(out, converted);
  }
  *out = '\0';
  context->subject_length = static_cast<std::uint32_t>(out - out_begin);
  context->position_map[context->subject_length] = static_cast<std::int32_t>(length);
  return 1;
}

void SzRexFuzzyMapBack(const SzRexFuzzy* context, std::int32_t* start, std::int32_t* length) {
  if (!context || !context->position_map) return;
  std::int32_t s = *start, e = *start + *length;
  if (s < 0) s = 0;
  if (e > static_cast<std::int32_t>(context->subject_length))
    e = static_cast<std::int32_t>(context->subject_length);
  std::int32_t source_start = context->position_map[s];
  std::int32_t source_end = context->position_map[e];
  // The end of a match is where the character after it starts; skipped characters
  // right after the match are not part of it.
  if (e > s && e < static_cast<std::int32_t>(context->subject_length)) {
    std::int32_t last = context->position_map[e - 1];
    const unsigned char* src = reinterpret_cast<const unsigned char*>(context->subject_copy);
    std::int32_t after_last = last + ((lead(src[last]) && src[last + 1]) ? 2 : 1);
    if (after_last < source_end) source_end = after_last;
  }
  *start = source_start;
  *length = source_end - source_start;
}

std::int32_t SzRexFuzzyMapForward(const SzRexFuzzy* context, std::int32_t offset) {
  if (!context || !context->position_map) return offset;
  for (std::uint32_t i = 0; i <= context->subject_length; ++i)
    if (context->position_map[i] >= offset) return static_cast<std::int32_t>(i);
  return static_cast<std::int32_t>(context->subject_length);
}

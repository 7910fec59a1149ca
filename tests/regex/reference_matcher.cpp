#include "tests/regex/reference_matcher.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "regex/szrex.h"

namespace {

bool lead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
// Characters that end a literal run in the dialect (the end of the pattern included).
bool terminator(char c) { return c == '\0' || std::strchr("()*+?.[]{|", c) != nullptr; }
bool quantifier(char c) { return c != '\0' && std::strchr("*+?{", c) != nullptr; }

// A literal character, `.` and a class are all one atom: a set of character values
// (lead << 8 | trail for a double-byte one), repeated minimum to maximum times.
struct node {
  enum kind { pass, alternation, string_start, line_end, atom } k;
  explicit node(kind kind_of) : k(kind_of) {}
  std::vector<int> alternatives;                      // alternation: the first node of each
  std::vector<std::pair<unsigned, unsigned>> ranges;  // atom: its members
  bool negated = false, lazy = false;
  int minimum = 1, maximum = 1;  // maximum -1: unlimited
  int next = -1;                 // -1: the match ends here
};

class model {
 public:
  model(const std::string& pattern, const std::string& subject)
      : pattern_(pattern), subject_(subject), size_(static_cast<int>(subject.size())) {}

  bool parse() {
    int exit = -1;
    // Matching recurses along the nodes: keep the models small.
    return !pattern_.empty() && pattern_.find('\0') == std::string::npos &&
           alternatives(&start_, &exit, true) && nodes_.size() <= 512;
  }

  int find(int from, int* start, int* length) {
    memo_.assign(nodes_.size(), std::vector<int>(size_ + 1, -2));
    for (int p = from; p <= size_; p += width(p)) {
      if (const int end = match(start_, p); end >= 0) {
        *start = p;
        *length = end - p;
        return 1;
      }
    }
    return 0;
  }

 private:
  char peek(std::size_t ahead = 0) const {
    return at_ + ahead < pattern_.size() ? pattern_[at_ + ahead] : '\0';
  }
  bool take(char c) {
    if (peek() != c) return false;
    ++at_;
    return true;
  }
  int add(node::kind k) {
    nodes_.emplace_back(k);
    return static_cast<int>(nodes_.size()) - 1;
  }

  // Alternatives up to `)` (consumed) or, at the top, the end of the pattern: an
  // alternation whose alternatives all continue at its exit, a pass node.
  bool alternatives(int* entry, int* exit, bool top) {
    *entry = add(node::alternation);
    *exit = add(node::pass);
    do {
      int first = -1, last = -1;
      if (!sequence(&first, &last)) return false;
      nodes_[*entry].alternatives.push_back(first < 0 ? *exit : first);
      if (last >= 0) nodes_[last].next = *exit;
    } while (take('|'));
    return top ? at_ == pattern_.size() : take(')');
  }

  bool sequence(int* first, int* last) {
    bool in_run = false;  // the last token was a literal character without a quantifier
    for (char c; (c = peek()) != '\0' && c != '|' && c != ')';) {
      int head = -1, tail = -1;
      bool literal = false;
      if (c == '^' && !in_run) {
        head = tail = add(node::string_start);
        ++at_;
      } else if (c == '$' && terminator(peek(1))) {
        head = tail = add(node::line_end);
        ++at_;
      } else if (take('(')) {
        // Lookarounds are not modelled. The engine takes 31 open groups; deeper ones
        // would only deepen this parser's recursion (the fuzzer found a stack overflow).
        if (peek() == '?' || ++depth_ > 31 || !alternatives(&head, &tail, false)) return false;
        --depth_;
      } else {
        head = tail = add(node::atom);
        if (!atom(&nodes_[head])) return false;
        literal = c != '.' && c != '[' && !quantifier(peek());
        if (quantifier(peek()) && !repeat(&nodes_[head], c == '.')) return false;
      }
      in_run = literal;
      // A quantifier after an anchor, a group or a quantifier is not modelled.
      if (quantifier(peek())) return false;
      if (*first < 0)
        *first = head;
      else
        nodes_[*last].next = head;
      *last = tail;
    }
    return true;
  }

  bool atom(node* n) {
    const char c = peek();
    unsigned low = 0, high = 0;
    if (take('.')) {
      n->negated = true;
      n->ranges.emplace_back('\n', '\n');
    } else if (!take('[')) {
      // A quantifier with nothing to repeat, or a literal use that is not modelled.
      if (std::strchr("*+?{}]\\^$", c) || !character(&low)) return false;
      n->ranges.emplace_back(low, low);
    } else {
      n->negated = take('^');
      while (!take(']')) {                   // `[]` is empty
        if (!character(&low)) return false;  // the end before `]` included
        high = low;
        if (peek() == '-' && peek(1) != ']' && peek(1) != '\0') {
          ++at_;
          if (!character(&high)) return false;
        }
        n->ranges.emplace_back(std::min(low, high), std::max(low, high));
      }
    }
    return true;
  }

  // `*`, `+`, `?`, their lazy forms, `{n}`, `{n,}` or `{n,m}`.
  bool repeat(node* n, bool dot) {
    const char q = pattern_[at_++];
    auto number = [](const std::string& t, int* v) {
      if (t.empty() || t.size() > 4 || t.find_first_not_of("0123456789") != std::string::npos)
        return false;
      *v = std::stoi(t);
      return true;
    };
    if (q != '{') {
      n->minimum = q == '+' ? 1 : 0;
      n->maximum = q == '?' ? 1 : -1;
      n->lazy = take('?');
      return n->lazy || q != '*' || !dot;  // `.*` has rules of its own
    }
    const std::size_t close = pattern_.find('}', at_);
    if (close == std::string::npos) return false;
    const std::string body = pattern_.substr(at_, close - at_);
    const std::size_t comma = body.find(',');
    at_ = close + 1;
    if (!number(body.substr(0, comma), &n->minimum)) return false;
    if (comma == std::string::npos)
      n->maximum = n->minimum;
    else if (comma + 1 == body.size())
      n->maximum = -1;
    else if (!number(body.substr(comma + 1), &n->maximum) || n->maximum < n->minimum) return false;
    return true;
  }

  // One character; escapes and a lead byte ending the pattern are not modelled.
  bool character(unsigned* value) {
    const unsigned char c = peek();
    if (c == '\0' || c == '\\' || (lead(c) && at_ + 1 >= pattern_.size())) return false;
    *value = lead(c) ? c << 8 | static_cast<unsigned char>(pattern_[at_ + 1]) : c;
    at_ += lead(c) ? 2 : 1;
    return true;
  }

  int width(int p) const {
    return p + 1 < size_ && lead(static_cast<unsigned char>(subject_[p])) ? 2 : 1;
  }

  // Where one repetition of the atom `n` ends when it matches at `p`, else -1.
  int step(const node& n, int p) const {
    if (p < 0 || p >= size_) return -1;
    const int w = width(p);
    const unsigned char b = subject_[p];
    const unsigned v = w == 2 ? b << 8 | static_cast<unsigned char>(subject_[p + 1]) : b;
    bool member = false;
    for (const auto& r : n.ranges) member = member || (v >= r.first && v <= r.second);
    return member != n.negated ? p + w : -1;
  }

  // The end of the whole match when node `i` matches at `p`, else -1.
  int match(int i, int p) {
    int& known = memo_[i][p];
    if (known != -2) return known;
    const node& n = nodes_[i];
    int result = -1;
    switch (n.k) {
      case node::pass:
        result = n.next < 0 ? p : match(n.next, p);
        break;
      case node::string_start:
        result = p == 0 ? match(n.next, p) : -1;
        break;
      case node::line_end:
        result = p == size_ || subject_[p] == '\n' ? match(n.next, p) : -1;
        break;
      case node::alternation:
        for (int a : n.alternatives) result = std::max(result, match(a, p));
        break;
      case node::atom:
        for (int count = 0; count < n.minimum; ++count) p = step(n, p);
        for (int count = n.minimum; p >= 0; ++count) {
          const int r = match(n.next, p);
          if (n.lazy && r >= 0) return known = r;
          result = std::max(result, r);
          if (n.maximum >= 0 && count >= n.maximum) break;
          p = step(n, p);
        }
    }
    return known = result;
  }

  std::string pattern_, subject_;
  int size_;
  std::size_t at_ = 0;
  int depth_ = 0, start_ = -1;
  std::vector<node> nodes_;
  std::vector<std::vector<int>> memo_;  // per node and position: -2 unknown, -1 none, else the end
};

}  // namespace

int reference_find(const std::string& pattern, const std::string& subject, int from, int* start,
                   int* length) {
  model m(pattern, subject);
  return m.parse() ? m.find(from, start, length) : -1;
}

int reference_boundary(const std::string& text, int at) {
  int p = 0;
  while (p < at) p += lead(text[p]) && p + 1 < static_cast<int>(text.size()) ? 2 : 1;
  return p;
}

std::string engine_against_reference(const std::string& pattern, const std::string& subject) {
  int start = 0, length = 0;
  if (reference_find(pattern, subject, 0, &start, &length) < 0) return "";
  SzRexPattern record{};
  record.size = SzRexPatternSize;
  SzRexInit(&record);
  const int size = static_cast<int>(subject.size());
  std::string differs = SzRexCompile(&record, pattern.c_str()) ? "" : "the engine refused it";
  for (int round = 0; round < 3 && differs.empty(); ++round) {
    const int from = round == 0 ? 0 : reference_boundary(subject, size / 2);
    const bool anchored = round == 2;
    const bool expected = reference_find(pattern, subject, from, &start, &length) == 1 &&
                          (!anchored || start == from);
    record.start = from;
    const bool found = SzRexFindIn(&record, subject.c_str(), size, anchored) != 0;
    if (record.error != SzRexErrorNone) break;  // a search that gave up within its limits
    if (found != expected ||
        (found && (record.match_start != start || record.match_length != length))) {
      char text[160];
      std::snprintf(text, sizeof text, "from %d%s: expected %s %d+%d, got %s %d+%d", from,
                    anchored ? " anchored" : "", expected ? "a match" : "none", start, length,
                    found ? "a match" : "none", record.match_start, record.match_length);
      differs = text;
    }
  }
  SzRexFree(&record);
  return differs;
}

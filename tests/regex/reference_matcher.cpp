#include "tests/regex/reference_matcher.h"

#include <cstring>

namespace {

bool lead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// Characters that end a literal run in the dialect (the NUL end included).
bool terminator(char c) { return c == '\0' || std::strchr("()*+?.[]{|", c) != nullptr; }

}  // namespace

int reference_matcher::add(const node& n) {
  nodes_.push_back(n);
  return static_cast<int>(nodes_.size()) - 1;
}

bool reference_matcher::compile(const std::string& pattern) {
  nodes_.clear();
  pattern_ = pattern;
  at_ = 0;
  if (pattern.empty()) return false;
  int top = -1;
  depth_ = 0;
  if (!parse_alternatives(&top, true) || at_ != pattern_.size()) return false;
  // Matching recurses along the nodes: keep the models small.
  if (nodes_.size() > 512) return false;
  start_ = top;
  return true;
}

void reference_matcher::link(int from, int to) { nodes_[from].next = to; }

// Alternatives up to `)` (consumed) or, at the top, the end of the pattern. The
// result is a group node whose alternatives all continue at its exit node, whose
// own next is set by the caller (at the top: the final end node).
bool reference_matcher::parse_alternatives(int* group_node, bool top) {
  node g;
  g.k = group;
  const int gi = add(g);
  node exit;
  exit.k = top ? end : group;  // a group without alternatives is a pass-through
  const int xi = add(exit);
  for (;;) {
    int first = -1, last = -1;
    if (!parse_sequence(&first, &last)) return false;
    if (first < 0) {
      nodes_[gi].alternatives.push_back(xi);
    } else {
      nodes_[gi].alternatives.push_back(first);
      link(last, xi);
    }
    if (at_ < pattern_.size() && pattern_[at_] == '|') {
      ++at_;
      continue;
    }
    break;
  }
  *group_node = gi;
  if (top) return at_ == pattern_.size();
  if (at_ >= pattern_.size() || pattern_[at_] != ')') return false;
  ++at_;
  // The exit continues wherever the group continues: the caller links it.
  nodes_[gi].next = xi;
  return true;
}

bool reference_matcher::parse_sequence(int* first, int* last) {
  *first = *last = -1;
  bool in_run = false;  // the previous token was a literal character without quantifier
  while (at_ < pattern_.size()) {
    const char c = pattern_[at_];
    if (c == '|' || c == ')') break;
    int head = -1, tail = -1;
    bool single = false;  // a single-character atom a quantifier may follow
    bool anchor = false;
    if (c == '^' && !in_run) {
      node n;
      n.k = string_start;
      head = tail = add(n);
      ++at_;
      anchor = true;
    } else if (c == '$' && terminator(at_ + 1 < pattern_.size() ? pattern_[at_ + 1] : '\0')) {
      node n;
      n.k = line_end;
      head = tail = add(n);
      ++at_;
      anchor = true;
    } else if (c == '(') {
      ++at_;
      if (at_ < pattern_.size() && pattern_[at_] == '?') return false;  // lookarounds
      int g = -1;
      // The engine takes 31 open groups; deeper ones would only deepen this parser's
      // recursion (the fuzzer found a stack overflow here).
      if (++depth_ > 31) return false;
      const bool parsed = parse_alternatives(&g, false);
      --depth_;
      if (!parsed) return false;
      head = g;
      tail = nodes_[g].next;  // the exit node
      nodes_[g].next = -1;
    } else {
      if (!parse_atom(&head, &single)) return false;
      tail = head;
    }
    in_run = nodes_[head].k == literal;
    // Quantifiers.
    if (at_ < pattern_.size() && std::strchr("*+?{", pattern_[at_])) {
      if (!single || anchor) return false;  // repeated groups and anchors are not modelled
      node r;
      r.k = repeat;
      r.atom = head;
      const char q = pattern_[at_++];
      if (q == '{') {
        std::size_t close = pattern_.find('}', at_);
        if (close == std::string::npos) return false;
        std::string body = pattern_.substr(at_, close - at_);
        std::size_t comma = body.find(',');
        auto number = [](const std::string& t, int* v) {
          if (t.empty() || t.size() > 4) return false;
          *v = 0;
          for (char d : t) {
            if (d < '0' || d > '9') return false;
            *v = *v * 10 + (d - '0');
          }
          return true;
        };
        if (comma == std::string::npos) {
          if (!number(body, &r.minimum)) return false;
          r.maximum = r.minimum;
        } else {
          if (!number(body.substr(0, comma), &r.minimum)) return false;
          std::string high = body.substr(comma + 1);
          if (high.empty()) {
            r.maximum = -1;
          } else if (!number(high, &r.maximum) || r.maximum < r.minimum) {
            return false;
          }
        }
        at_ = close + 1;
        if (at_ < pattern_.size() && std::strchr("*+?{", pattern_[at_])) return false;
      } else {
        r.minimum = q == '+' ? 1 : 0;
        r.maximum = q == '?' ? 1 : -1;
        if (at_ < pattern_.size() && pattern_[at_] == '?') {
          r.lazy = true;
          ++at_;
        } else if (q == '*' && nodes_[head].k == any) {
          return false;  // `.*` has rules of its own
        }
        if (at_ < pattern_.size() && std::strchr("*+?{", pattern_[at_])) return false;
      }
      head = tail = add(r);
      in_run = false;
    }
    if (*first < 0) {
      *first = head;
    } else {
      link(*last, head);
    }
    *last = tail;
  }
  return true;
}

bool reference_matcher::read_char(unsigned* value, std::string* bytes) {
  if (at_ >= pattern_.size()) return false;
  const unsigned char c = pattern_[at_];
  if (c == '\\') return false;  // escapes are not modelled
  if (lead(c) && at_ + 1 < pattern_.size()) {
    const unsigned char t = pattern_[at_ + 1];
    *value = (c << 8) | t;
    bytes->assign(pattern_, at_, 2);
    at_ += 2;
    return true;
  }
  *value = c;
  bytes->assign(1, static_cast<char>(c));
  ++at_;
  return true;
}

bool reference_matcher::parse_class(node* n) {
  n->k = char_class;
  ++at_;  // [
  if (at_ < pattern_.size() && pattern_[at_] == '^') {
    n->negated = true;
    ++at_;
  }
  if (at_ < pattern_.size() && pattern_[at_] == ']') {
    ++at_;
    return true;  // empty
  }
  while (at_ < pattern_.size() && pattern_[at_] != ']') {
    unsigned low = 0, high = 0;
    std::string bytes;
    if (!read_char(&low, &bytes) || low == 0) return false;
    if (at_ + 1 < pattern_.size() && pattern_[at_] == '-' && pattern_[at_ + 1] != ']') {
      ++at_;
      if (!read_char(&high, &bytes) || high == 0) return false;
      if (high < low) std::swap(low, high);
      n->ranges.emplace_back(low, high);
    } else {
      n->singles.push_back(low);
    }
  }
  if (at_ >= pattern_.size()) return false;
  ++at_;  // ]
  return true;
}

bool reference_matcher::parse_atom(int* node_index, bool* single) {
  node n;
  const char c = pattern_[at_];
  if (c == '.') {
    n.k = any;
    ++at_;
  } else if (c == '[') {
    if (!parse_class(&n)) return false;
  } else if (std::strchr("*+?{}]\\^$", c)) {
    return false;  // quantifier without atom, or a character whose literal use is not modelled
  } else {
    unsigned value = 0;
    n.k = literal;
    if (!read_char(&value, &n.bytes)) return false;
  }
  *single = true;
  *node_index = add(n);
  return true;
}

// Matching -----------------------------------------------------------------------

int reference_matcher::char_length(int p) const {
  const int len = static_cast<int>(subject_.size());
  return (p + 1 < len && lead(static_cast<unsigned char>(subject_[p]))) ? 2 : 1;
}

bool reference_matcher::atom_at(const node& n, int p, int* after) const {
  const int len = static_cast<int>(subject_.size());
  switch (n.k) {
    case literal: {
      const int w = static_cast<int>(n.bytes.size());
      if (w > len - p || subject_.compare(p, w, n.bytes) != 0) return false;
      *after = p + w;
      return true;
    }
    case any:
      if (p >= len || subject_[p] == '\n') return false;
      *after = p + char_length(p);
      return true;
    case char_class: {
      if (p >= len) return false;
      const int w = char_length(p);
      const unsigned char b = subject_[p];
      const unsigned value = w == 2 ? (b << 8) | static_cast<unsigned char>(subject_[p + 1]) : b;
      bool member = false;
      for (unsigned v : n.singles) member = member || v == value;
      for (const auto& r : n.ranges) member = member || (value >= r.first && value <= r.second);
      if (member == n.negated) return false;
      *after = p + w;
      return true;
    }
    default:
      return false;
  }
}

int reference_matcher::match(int node_index, int p) {
  int& known = memo_[node_index][p];
  if (known != -2) return known;
  const node& n = nodes_[node_index];
  const int len = static_cast<int>(subject_.size());
  int result = -1;
  int after = 0;
  switch (n.k) {
    case end:
      result = n.next < 0 ? p : match(n.next, p);
      break;
    case literal:
    case any:
    case char_class:
      result = atom_at(n, p, &after) ? match(n.next, after) : -1;
      break;
    case string_start:
      result = p == 0 ? match(n.next, p) : -1;
      break;
    case line_end:
      result = (p == len || subject_[p] == '\n') ? match(n.next, p) : -1;
      break;
    case group:
      if (n.alternatives.empty()) {
        result = match(n.next, p);  // an exit node
        break;
      }
      for (int alternative : n.alternatives) {
        const int r = match(alternative, p);
        if (r > result) result = r;
      }
      break;
    case repeat: {
      const node& atom = nodes_[n.atom];
      int g = p, count = 0;
      for (; count < n.minimum; ++count) {
        if (!atom_at(atom, g, &after)) break;
        g = after;
      }
      if (count < n.minimum) break;
      for (;;) {
        const int r = match(n.next, g);
        if (n.lazy && r >= 0) {
          result = r;
          break;
        }
        if (r > result) result = r;
        if (n.maximum >= 0 && count >= n.maximum) break;
        if (!atom_at(atom, g, &after)) break;
        g = after;
        ++count;
      }
      break;
    }
  }
  memo_[node_index][p] = result;
  return result;
}

bool reference_matcher::find(const std::string& subject, int* start, int* length, int from) {
  subject_ = subject;
  const int len = static_cast<int>(subject.size());
  memo_.assign(nodes_.size(), std::vector<int>(len + 1, -2));
  for (int p = from; p <= len;) {
    const int r = match(start_, p);
    if (r >= 0) {
      *start = p;
      *length = r - p;
      return true;
    }
    if (p == len) break;
    p += char_length(p);
  }
  return false;
}

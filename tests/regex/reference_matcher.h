// A slow, obviously correct matcher for a subset of the SzRex dialect, to check the
// engine's answers against: literal characters (single- and double-byte), `.`,
// classes, groups with alternatives, `^`, `$`, and the quantifiers `*`, `+`, `?`,
// `{n}`, `{n,}`, `{n,m}` and their lazy forms on a single character, a class or `.`
// (`.*` only in its lazy form).
//
// It follows the engine's rules rather than Perl's: an alternation takes the
// alternative giving the longest complete match, a greedy repetition the count
// giving the longest complete match, a lazy one the fewest repetitions after which
// the rest matches; the leftmost start wins. Every choice is tried and each
// (node, position) result is remembered, so it is exact and polynomial.
#pragma once

#include <string>
#include <vector>

class reference_matcher {
 public:
  // False when the pattern is outside the subset (or malformed).
  bool compile(const std::string& pattern);
  // The first match in `subject` at or after `from` (a character boundary): true with
  // its start and length.
  bool find(const std::string& subject, int* start, int* length, int from = 0);

 private:
  enum kind { end, literal, any, char_class, group, string_start, line_end, repeat };
  struct node {
    kind k = end;
    std::string bytes;              // literal
    bool negated = false;           // char_class
    std::vector<unsigned> singles;  // char_class members (character values)
    std::vector<std::pair<unsigned, unsigned>> ranges;
    std::vector<int> alternatives;  // group: first node of each alternative
    int atom = -1;                  // repeat: the repeated node (its next is unused)
    int minimum = 0, maximum = 0;   // repeat; maximum -1 = unlimited
    bool lazy = false;
    int next = -1;  // the node after this one
  };

  int add(const node& n);
  // Parses alternatives up to `)` or the end; returns the group node.
  bool parse_alternatives(int* group_node, bool top);
  bool parse_sequence(int* first, int* last);
  bool parse_atom(int* node_index, bool* single);
  bool parse_class(node* n);
  bool read_char(unsigned* value, std::string* bytes);
  void link(int from, int to);

  int char_length(int p) const;
  bool atom_at(const node& n, int p, int* after) const;
  int match(int node_index, int p);

  std::vector<node> nodes_;
  std::string pattern_;
  std::size_t at_ = 0;
  int start_ = -1;
  int depth_ = 0;  // open groups while parsing
  std::string subject_;
  std::vector<std::vector<int>> memo_;  // per node, per position: -2 unknown, -1 fail, else end
};

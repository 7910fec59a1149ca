// A slow, obviously correct matcher for a subset of the SzRex dialect, to check the
// engine's answers against: literal characters (single- and double-byte), `.`,
// classes, groups with alternatives, `^`, `$`, and the quantifiers `*`, `+`, `?`,
// `{n}`, `{n,}`, `{n,m}` and the lazy `*?`, `+?`, `??` on a single character, a
// class or `.` (`.*` only in its lazy form).
//
// It follows the engine's rules rather than Perl's: an alternation takes the
// alternative giving the longest complete match, a greedy repetition the count
// giving the longest complete match, a lazy one the fewest repetitions after which
// the rest matches; the leftmost start wins. Every choice is tried and each
// (node, position) result is remembered, so it is exact and polynomial.
#pragma once

#include <string>

// The first match of `pattern` in `subject` at or after `from` (a character
// boundary): 1 with its start and length, 0 when there is none, -1 when the
// pattern is outside the subset (or malformed).
int reference_find(const std::string& pattern, const std::string& subject, int from, int* start,
                   int* length);

// The engine's answers for `pattern` in `subject` against the reference's: from the
// start, then from the middle of the text (the first character boundary there) as a
// reader going on in the same text does, and anchored there. "" when they agree (or
// the pattern is outside the subset, or the engine gave up within its limits), else
// what differs.
std::string engine_against_reference(const std::string& pattern, const std::string& subject);
// The first character boundary at or after `at` in `text`, scanning from the start.
int reference_boundary(const std::string& text, int at);

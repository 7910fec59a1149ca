// Helpers of the engine's tests: a record that frees itself, compiled bytes, and a
// search answering the matched text.
#pragma once

#include <string>
#include <vector>

#include "regex/engine.h"
#include "regex/szrex.h"

struct test_record {
  SzRexPattern record{};
  test_record() {
    record.size = SzRexPatternSize;
    SzRexInit(&record);
  }
  ~test_record() { SzRexFree(&record); }
  int compile(const char* pattern) { return SzRexCompile(&record, pattern); }
  // The program bytes up to and including the final End.
  std::vector<int> bytes() const {
    std::vector<int> out;
    if (!record.program || !record.state) return out;
    for (int i = 0; i < record.state->program_length; ++i) out.push_back(record.program[i]);
    return out;
  }
};

// "" when nothing matches, else "start:matched text".
inline std::string find_text(const char* pattern, const char* subject) {
  test_record r;
  if (!r.compile(pattern)) return "compile error " + std::to_string(r.record.error);
  if (!SzRexFind(&r.record, subject)) return "";
  return std::to_string(r.record.match_start) + ":" +
         std::string(subject + r.record.match_start, r.record.match_length);
}

// Helpers of the engine's tests: a record that frees itself, its program bytes,
// searches answered as "start:matched text" ("" when nothing matches), and the
// engine's reports caught instead of shown.
#pragma once

#include <string>
#include <vector>

#include "regex/engine.h"
#include "regex/guarded_memory.h"
#include "regex/szrex.h"

struct test_record {
  SzRexPattern record{};
  test_record() {
    record.size = SzRexPatternSize;
    SzRexInit(&record);
  }
  ~test_record() { SzRexFree(&record); }
  test_record(const test_record&) = delete;
  test_record& operator=(const test_record&) = delete;
  int compile(const char* pattern) { return SzRexCompile(&record, pattern); }
  // The program bytes up to and including the final End.
  std::vector<int> bytes() const {
    if (!record.program || !record.state) return {};
    return std::vector<int>(record.program, record.program + record.state->program_length);
  }
  std::string find(const char* subject) {
    if (!SzRexFind(&record, subject)) return "";
    return std::to_string(record.match_start) + ":" +
           std::string(subject + record.match_start, record.match_length);
  }
};

inline std::string find_text(const char* pattern, const char* subject, bool fuzzy = false) {
  test_record r;
  r.record.fuzzy = fuzzy;
  if (!r.compile(pattern)) return "compile error " + std::to_string(r.record.error);
  return r.find(subject);
}

// While one lives, the engine's reports are kept in all() as "caption|text".
struct caught_reports {
  static std::vector<std::string>& all() {
    static std::vector<std::string> reports;
    return reports;
  }
  static void keep(const char* text, const char* caption) {
    all().push_back(std::string(caption) + "|" + text);
  }
  caught_reports() : previous(SzRexSetReportHook(keep)) { all().clear(); }
  ~caught_reports() { SzRexSetReportHook(previous); }
  SzRexReportHook previous;
};

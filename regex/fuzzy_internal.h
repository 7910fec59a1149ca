// Engine-private pieces of the fuzzy matching: the definition reader that fills the
// equivalence table, and the built-in tables.
#pragma once

#include <cstdint>
#include <vector>

#include "regex/szrex_fuzzy.h"

// Reads definition text into the shared block's table and the synonym buffer.
// `builtin`: one character per item, no separators. Returns 0 on success or the
// line number (>= 1) of an error whose message has been formatted into `message`.
struct szrex_definition_reader {
  SzRexShared* shared;
  std::vector<unsigned char>* synonyms;  // length-prefixed words, groups closed by 0
  char message[512];
  int read(const char* text, std::uint32_t length, const char* file_name, bool builtin);
};

// Appends the built-in tables selected by `fuzzy_flag`, in loading order, as text
// in the reader's built-in form (one line per group).
void szrex_builtin_tables(std::uint32_t fuzzy_flag, std::vector<char>* text);

// Table access: the entry for a character code (single-byte or double-byte), or
// null when the code has no row.
std::uint16_t* szrex_table_entry(std::uint16_t (*table)[192], unsigned code);

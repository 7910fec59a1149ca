// Reads every entry of an archive with zip_reader the way the extraction loop
// does, recording what came out, for the tests and the fuzz target.
#pragma once

#include <string>
#include <vector>

#include "archive/zip_reader.h"

struct walked_entry {
  int info_status = zip_ok;
  zip_entry_info info;
  std::string name, data;
  int open_status = zip_ok;
  int read_status = zip_ok;   // 0, or the error that ended the reads
  int close_status = zip_ok;  // of close_current
  int next_status = zip_ok;   // of the next() that followed
};

struct walked_archive {
  int open_status = zip_ok;
  std::vector<walked_entry> entries;
};

// Walks the entries, reading each in blocks of `block` bytes.
walked_archive walk_archive(zip_reader& reader, unsigned block = 8192);
walked_archive walk_memory(const std::string& archive, unsigned block = 8192);

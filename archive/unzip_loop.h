// The extraction loop shared by unzip_to_directory and unzip_with_progress, and
// by nothing else: it walks the archive and decides what is written where; the
// target does the writing (Win32 files in the program, memory in the tests).
#pragma once

#include "archive/zip_reader.h"
#include "support/string.h"

class unzip_target {
 public:
  virtual ~unzip_target() = default;
  // Creates every missing directory along `path` up to its last backslash.
  virtual bool make_directories(const wklib::string& path) = 0;
  // Told the full path of a file before it is created; false stops the run as
  // cancelled (nothing of that file is written).
  virtual bool announce(const wklib::string& path);
  // Creates `path` anew, replacing a file of that name.
  virtual bool create_file(const wklib::string& path) = 0;
  virtual bool write(const char* data, int size) = 0;
  // Asked after each block written; false stops the run as cancelled, leaving
  // the part of the file already written.
  virtual bool keep_going();
  // Flushes and closes the file; `keep` false deletes it (its data was bad).
  // False when the flush or close failed.
  virtual bool close_file(bool keep) = 0;
  // One line for the installation log.
  virtual void log(const wklib::string& line) = 0;
};

enum unzip_result {
  unzip_done,        // every entry is on disk as the archive has it
  unzip_not_opened,  // the archive is missing or no zip archive
  unzip_cancelled,
  unzip_damaged,     // a damaged header or entry ended the run
  unzip_incomplete,  // the run went through, but some entries were refused or not written
};

// Size of the blocks copied from the archive to the file, and of the name buffer:
// a longer name is refused, not cut.
const int unzip_block_size = 8192;
const int unzip_name_size = 512;

// Unpacks the archive at `archive_path` into `destination`, which is used as a
// prefix as it is (so ends with a backslash). `archive_path` also names the
// archive in the log lines.
unzip_result unzip_archive(const wklib::string& archive_path, const wklib::string& destination,
                           unzip_target& target);
// The same over an archive already open, standing on its first entry.
unzip_result unzip_entries(zip_reader& reader, const wklib::string& archive_path,
                           const wklib::string& destination, unzip_target& target);

// Small file helpers for the shell's tests: scratch directories under the
// Windows temp directory, and whole-file reads as bytes or lines.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace test_files {

// A fresh empty directory (with a trailing "\") that is removed with its files.
class scratch_dir {
 public:
  explicit scratch_dir(const char* name);
  ~scratch_dir();
  const std::string& path() const { return path_; }
  std::string file(const char* name) const { return path_ + name; }

 private:
  std::string path_;
};

bool exists(const std::string& path);
std::string read_all(const std::string& path);
void write_all(const std::string& path, const std::string& bytes);
// Lines without their CR LF; empty lines are kept.
std::vector<std::string> read_lines(const std::string& path);
// The Windows path of a file in the build tree.
std::string build_tree_path(const char* relative);

}  // namespace test_files

// Scratch files for the Windows tests: a fresh directory per test, removed with everything in it
// at the end (by this header, not by the code under test), and whole-file reads and writes.
#pragma once

#include <windows.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace scratch_detail {

inline void remove_tree(const std::string& dir) {
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA((dir + "*").c_str(), &entry);
  for (bool more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileA(find, &entry)) {
    const std::string name = entry.cFileName, path = dir + name;
    if (name == "." || name == "..") continue;
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      remove_tree(path + "\\");
    else
      DeleteFileA(path.c_str());
  }
  if (find != INVALID_HANDLE_VALUE) FindClose(find);
  RemoveDirectoryA(dir.substr(0, dir.size() - 1).c_str());
}

}  // namespace scratch_detail

// A fresh directory under the temporary directory; its path ends with a backslash, as the
// installer's directories do.
class scratch_directory {
 public:
  explicit scratch_directory(const char* name) {
    char temp[MAX_PATH + 1] = "";
    GetTempPathA(sizeof temp, temp);
    path_ = std::string(temp) + "tamari3_" + name + "_" + std::to_string(GetCurrentProcessId()) +
            "\\";
    scratch_detail::remove_tree(path_);
    CreateDirectoryA(path_.c_str(), nullptr);
  }
  ~scratch_directory() { scratch_detail::remove_tree(path_); }
  scratch_directory(const scratch_directory&) = delete;
  scratch_directory& operator=(const scratch_directory&) = delete;

  // The directory with its trailing backslash, or `name` inside it.
  std::string operator/(const std::string& name) const { return path_ + name; }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// The C runtime opens files shared for reading and writing, so a log that a
// program still holds open can be read.
inline bool write_file(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary);
  return static_cast<bool>(out.write(content.data(), content.size()).flush());
}

inline std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Lines without their CR LF; empty lines are kept.
inline std::vector<std::string> read_lines(const std::string& path) {
  std::vector<std::string> lines;
  std::istringstream in(read_file(path));
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

inline bool is_directory(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

inline bool exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

#ifdef TAMARI_TEST_BINARY_DIR
// The Windows path of a file in the build tree.
inline std::string build_tree_path(const char* relative) {
  std::string path = std::string("Z:") + TAMARI_TEST_BINARY_DIR + "/" + relative;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}
#endif

#include "tests/shell/test_files.h"

#include <cstdio>

namespace test_files {

namespace {

void remove_tree(const std::string& dir) {
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA((dir + "*").c_str(), &entry);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      std::string name = entry.cFileName;
      if (name == "." || name == "..") continue;
      std::string path = dir + name;
      if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        remove_tree(path + "\\");
      } else {
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path.c_str());
      }
    } while (FindNextFileA(find, &entry));
    FindClose(find);
  }
  RemoveDirectoryA(dir.substr(0, dir.size() - 1).c_str());
}

}  // namespace

scratch_dir::scratch_dir(const char* name) {
  char temp[MAX_PATH];
  GetTempPathA(sizeof temp, temp);
  path_ = std::string(temp) + "tamari3-test-" + name + "-" + std::to_string(GetCurrentProcessId()) +
          "\\";
  remove_tree(path_);
  CreateDirectoryA(path_.c_str(), nullptr);
}

scratch_dir::~scratch_dir() { remove_tree(path_); }

bool exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string read_all(const std::string& path) {
  std::string bytes;
  if (FILE* f = std::fopen(path.c_str(), "rb")) {
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.append(buffer, n);
    std::fclose(f);
  }
  return bytes;
}

void write_all(const std::string& path, const std::string& bytes) {
  if (FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
  }
}

std::vector<std::string> read_lines(const std::string& path) {
  std::vector<std::string> lines;
  std::string bytes = read_all(path), line;
  for (char c : bytes) {
    if (c == '\n') {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines.push_back(line);
      line.clear();
    } else {
      line += c;
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

std::string build_tree_path(const char* relative) {
  std::string path = std::string("Z:") + TAMARI_TEST_BINARY_DIR + "/" + relative;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

}  // namespace test_files

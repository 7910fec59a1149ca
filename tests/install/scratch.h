// A fresh directory under the temporary directory for one test, deleted with
// everything in it at the end. Its path ends with a backslash, as the
// installer's directories do.
#pragma once

#include <windows.h>

#include <string>

#include "install/file_system.h"

class scratch_directory {
 public:
  explicit scratch_directory(const char* name) {
    char temp[MAX_PATH + 1] = "";
    GetTempPathA(sizeof temp, temp);
    path_ = std::string(temp) + "tamari3_" + name + "_" + std::to_string(GetCurrentProcessId());
    remove_directory_tree((path_ + "\\").c_str());
    CreateDirectoryA(path_.c_str(), nullptr);
    path_ += "\\";
  }
  ~scratch_directory() {
    // Read-only files would keep their directories; clear them first.
    clear_read_only(path_);
    remove_directory_tree(path_.c_str());
  }
  // The directory with its trailing backslash, or `name` inside it.
  std::string operator/(const std::string& name) const { return path_ + name; }
  const std::string& path() const { return path_; }

 private:
  static void clear_read_only(const std::string& directory) {
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((directory + "*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
      std::string name = entry.cFileName;
      if (name == "." || name == "..") continue;
      SetFileAttributesA((directory + name).c_str(), FILE_ATTRIBUTE_NORMAL);
      if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        clear_read_only(directory + name + "\\");
    } while (FindNextFileA(search, &entry));
    FindClose(search);
  }

  std::string path_;
};

inline bool write_file(const std::string& path, const std::string& content) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  BOOL ok = WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
  CloseHandle(file);
  return ok && written == content.size();
}

inline std::string read_file(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::string();
  std::string content;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
    content.append(buffer, got);
  CloseHandle(file);
  return content;
}

inline bool is_directory(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

inline bool exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

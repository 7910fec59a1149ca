#include "system/file_system.h"

#include <windows.h>
#include <shlobj.h>

#include <cstring>

#include "system/path_text.h"

namespace {

// Deeper trees than this are not walked; what lies below stays on disk. Paths
// of the system end long before (MAX_PATH), so only a loop of links gets here.
const int max_tree_depth = 128;

bool is_dot_entry(const char* name) {
  return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0;
}

void remove_tree_at(const wklib::string& directory, int depth) {
  if (depth > max_tree_depth) return;
  WIN32_FIND_DATAA entry;
  HANDLE search = FindFirstFileA((directory + "*.*").c_str(), &entry);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      if (is_dot_entry(entry.cFileName)) continue;
      wklib::string path = directory + entry.cFileName;
      bool is_directory = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
      bool is_link = (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
      if (is_directory && is_link) {
        // A junction or directory link: remove the link, never what it points to.
        RemoveDirectoryA(path.c_str());
      } else if (is_directory) {
        remove_tree_at(path + "\\", depth + 1);
      } else {
        DeleteFileA(path.c_str());
      }
    } while (FindNextFileA(search, &entry));
    FindClose(search);
  }
  wklib::string bare = directory;
  if (!bare.empty()) bare.erase(bare.length() - 1);
  RemoveDirectoryA(bare.c_str());
}

}  // namespace

bool file_exists(const wklib::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool create_directory_chain(const wklib::string& path) {
  wklib::string prefix = path;
  int length = prefix.length();
  char* text = prefix.buffer(length);
  for (int i = 0; i < length; ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (wklib::is_lead_byte(c) && i + 1 < length) {
      ++i;
      continue;
    }
    if (c != '\\') continue;
    // A leading backslash (the current drive's root) has no prefix to make.
    if (i == 0) continue;
    text[i] = '\0';
    bool present =
        GetFileAttributesA(text) != INVALID_FILE_ATTRIBUTES || CreateDirectoryA(text, nullptr);
    text[i] = '\\';
    if (!present) return false;
  }
  return true;
}

void remove_directory_tree(const wklib::string& directory) {
  // Without its trailing backslash the name would be taken for a file prefix
  // ("c:\tex" + "*.*" is c:\tex*.*), and an empty one would mean the current
  // directory.
  if (!ends_with_backslash(directory)) return;
  remove_tree_at(directory, 0);
}

bool file_write_time(const wklib::string& pattern, std::uint64_t& time) {
  WIN32_FIND_DATAA entry;
  HANDLE search = FindFirstFileA(pattern.c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return false;
  FindClose(search);
  time = (static_cast<std::uint64_t>(entry.ftLastWriteTime.dwHighDateTime) << 32) |
         entry.ftLastWriteTime.dwLowDateTime;
  return true;
}

bool programs_folder(char* buffer) {
  if (!buffer) return false;
  IMalloc* allocator = nullptr;
  if (FAILED(SHGetMalloc(&allocator)) || !allocator) return false;
  LPITEMIDLIST item = nullptr;
  bool found = false;
  if (SUCCEEDED(SHGetSpecialFolderLocation(nullptr, CSIDL_COMMON_PROGRAMS, &item)) && item) {
    found = SHGetPathFromIDListA(item, buffer) != FALSE;
    allocator->Free(item);
  }
  allocator->Release();
  if (!found) return false;
  size_t length = std::strlen(buffer);
  if (length == 0 || buffer[length - 1] != '\\' ||
      wklib::is_trail_position(buffer, static_cast<int>(length) - 1)) {
    buffer[length] = '\\';
    buffer[length + 1] = '\0';
  }
  return true;
}

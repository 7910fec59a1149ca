// The engine's system services on Windows (see szrex_os.h).
#include <windows.h>

#include "regex/szrex_os.h"

namespace szrex_os {

void* heap_alloc(unsigned flags, std::uint32_t size) { return LocalAlloc(flags, size); }

void* heap_realloc(void* handle, std::uint32_t size, unsigned flags) {
  return LocalReAlloc(static_cast<HLOCAL>(handle), size, flags | LMEM_MOVEABLE);
}

void* heap_free(void* handle) { return LocalFree(static_cast<HLOCAL>(handle)); }
void* heap_lock(void* handle) { return LocalLock(static_cast<HLOCAL>(handle)); }
int heap_unlock(void* handle) { return LocalUnlock(static_cast<HLOCAL>(handle)); }
std::uint32_t heap_size(void* handle) {
  return static_cast<std::uint32_t>(LocalSize(static_cast<HLOCAL>(handle)));
}
std::uint32_t last_error() { return GetLastError(); }
void set_last_error(std::uint32_t code) { SetLastError(code); }

void* pages_alloc(std::uint32_t size) {
  return VirtualAlloc(nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
}
void pages_free(void* block) {
  if (block) VirtualFree(block, 0, MEM_RELEASE);
}

bool is_lead_byte_932(unsigned char c) { return IsDBCSLeadByteEx(932, c) != FALSE; }

void show_message(const char* text, const char* caption, bool system_modal) {
  HWND owner = GetActiveWindow();
  UINT style = MB_OK | MB_ICONERROR;
  if (system_modal || !owner) style |= MB_SYSTEMMODAL;
  MessageBoxA(owner, text, caption, style);
}

void* mutex_open(const char* name) { return CreateMutexA(nullptr, FALSE, name); }
bool mutex_wait(void* mutex) {
  DWORD result = WaitForSingleObject(static_cast<HANDLE>(mutex), INFINITE);
  return result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
}
void mutex_release(void* mutex) { ReleaseMutex(static_cast<HANDLE>(mutex)); }
void mutex_close(void* mutex) {
  if (mutex) CloseHandle(static_cast<HANDLE>(mutex));
}

void* shared_open(const char* name, std::uint32_t size, bool* existed, void** handle) {
  *handle = nullptr;
  SetLastError(0);
  HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, size, name);
  if (!mapping) return nullptr;
  *existed = GetLastError() == ERROR_ALREADY_EXISTS;
  void* view = MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0);
  if (!view) {
    CloseHandle(mapping);
    return nullptr;
  }
  *handle = mapping;
  return view;
}

void shared_close(void* view, void* handle) {
  if (view) UnmapViewOfFile(view);
  if (handle) CloseHandle(static_cast<HANDLE>(handle));
}

void* registry_open() {
  HKEY key = nullptr;
  DWORD disposition = 0;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Sazanami\\SzRex", 0, nullptr,
                      REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE, nullptr, &key,
                      &disposition) != ERROR_SUCCESS)
    return nullptr;
  return key;
}

void registry_close(void* key) {
  if (key) RegCloseKey(static_cast<HKEY>(key));
}

bool registry_read_dword(void* key, const char* name, std::uint32_t* value) {
  if (!key) return false;
  DWORD data = 0, size = sizeof data, type = 0;
  if (RegQueryValueExA(static_cast<HKEY>(key), name, nullptr, &type, reinterpret_cast<BYTE*>(&data),
                       &size) != ERROR_SUCCESS ||
      size != 4)
    return false;
  *value = data;
  return true;
}

bool registry_read_binary(void* key, const char* name, void* buffer, std::uint32_t size) {
  if (!key) return false;
  DWORD length = size, type = 0;
  return RegQueryValueExA(static_cast<HKEY>(key), name, nullptr, &type, static_cast<BYTE*>(buffer),
                          &length) == ERROR_SUCCESS;
}

bool registry_read_string(void* key, const char* name, char* buffer, std::uint32_t size) {
  if (!key || size == 0) return false;
  DWORD length = size, type = 0;
  if (RegQueryValueExA(static_cast<HKEY>(key), name, nullptr, &type,
                       reinterpret_cast<BYTE*>(buffer), &length) != ERROR_SUCCESS) {
    buffer[0] = '\0';
    return false;
  }
  buffer[size - 1] = '\0';
  return true;
}

int file_read(const char* path, std::uint32_t max_size, char** data, std::uint32_t* size,
              std::uint64_t* time) {
  *data = nullptr;
  *size = 0;
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  DWORD high = 0;
  DWORD low = GetFileSize(file, &high);
  FILETIME written;
  if ((low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) ||
      !GetFileTime(file, nullptr, nullptr, &written)) {
    CloseHandle(file);
    return 3;
  }
  if (high != 0 || low > max_size) {
    CloseHandle(file);
    return 2;
  }
  *time = (static_cast<std::uint64_t>(written.dwHighDateTime) << 32) | written.dwLowDateTime;
  char* buffer = static_cast<char*>(LocalAlloc(LMEM_FIXED, low + 1));
  DWORD read = 0;
  if (!buffer || (low > 0 && (!ReadFile(file, buffer, low, &read, nullptr) || read != low))) {
    if (buffer) LocalFree(buffer);
    CloseHandle(file);
    return 3;
  }
  CloseHandle(file);
  buffer[low] = '\0';
  *data = buffer;
  *size = low;
  return 0;
}

bool file_time(const char* path, std::uint64_t* time) {
  WIN32_FILE_ATTRIBUTE_DATA info;
  if (!GetFileAttributesExA(path, GetFileExInfoStandard, &info)) return false;
  *time = (static_cast<std::uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) |
          info.ftLastWriteTime.dwLowDateTime;
  return true;
}

}  // namespace szrex_os

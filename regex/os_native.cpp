// Native stand-in for the engine's system services (see szrex_os.h).
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "regex/szrex_os.h"

namespace szrex_os {

namespace {

// A heap block: this header, then the caller's bytes. The handle is the data pointer,
// as a fixed local-memory block's handle is.
struct heap_header {
  std::uint32_t magic;
  std::uint32_t size;
  std::uint32_t flags;
  std::uint32_t locks;
};
const std::uint32_t heap_magic = 0x4C4F4341u;
thread_local std::uint32_t t_last_error = 0;

heap_header* header_of(void* handle) {
  if (!handle) return nullptr;
  heap_header* h = reinterpret_cast<heap_header*>(static_cast<char*>(handle) - sizeof(heap_header));
  return h->magic == heap_magic ? h : nullptr;
}

std::mutex g_objects_lock;

struct shared_object {
  std::vector<unsigned char> bytes;
  int holders = 0;
};
std::map<std::string, shared_object>& shared_objects() {
  static std::map<std::string, shared_object> objects;
  return objects;
}

struct registry_value {
  std::vector<unsigned char> data;
  bool is_string = false;
};
std::map<std::string, registry_value>& registry_values() {
  static std::map<std::string, registry_value> values;
  return values;
}

}  // namespace

void* heap_alloc(unsigned flags, std::uint32_t size) {
  void* memory = std::malloc(sizeof(heap_header) + size);
  if (!memory) {
    t_last_error = 8;
    return nullptr;
  }
  heap_header* h = static_cast<heap_header*>(memory);
  h->magic = heap_magic;
  h->size = size;
  h->flags = flags;
  h->locks = 0;
  void* data = h + 1;
  if (flags & mem_zero_init) std::memset(data, 0, size);
  return data;
}

void* heap_realloc(void* handle, std::uint32_t size, unsigned flags) {
  heap_header* h = header_of(handle);
  if (!h) {
    t_last_error = 6;  // ERROR_INVALID_HANDLE
    return nullptr;
  }
  std::uint32_t old_size = h->size;
  h->magic = 0;
  void* memory = std::realloc(h, sizeof(heap_header) + size);
  if (!memory) {
    h->magic = heap_magic;
    t_last_error = 8;
    return nullptr;
  }
  h = static_cast<heap_header*>(memory);
  h->magic = heap_magic;
  h->size = size;
  char* data = reinterpret_cast<char*>(h + 1);
  if ((flags & mem_zero_init) && size > old_size) std::memset(data + old_size, 0, size - old_size);
  return data;
}

void* heap_free(void* handle) {
  heap_header* h = header_of(handle);
  if (!h) {
    t_last_error = 6;
    return handle;
  }
  h->magic = 0;
  std::free(h);
  return nullptr;
}

void* heap_lock(void* handle) {
  heap_header* h = header_of(handle);
  if (!h) {
    t_last_error = 6;
    return nullptr;
  }
  ++h->locks;
  return handle;
}

int heap_unlock(void* handle) {
  heap_header* h = header_of(handle);
  if (!h || h->locks == 0) return 0;
  return --h->locks != 0;
}

std::uint32_t heap_size(void* handle) {
  heap_header* h = header_of(handle);
  if (!h) {
    t_last_error = 6;
    return 0;
  }
  return h->size;
}

std::uint32_t last_error() { return t_last_error; }
void set_last_error(std::uint32_t code) { t_last_error = code; }

void* pages_alloc(std::uint32_t size) { return std::calloc(1, size ? size : 1); }
void pages_free(void* block) { std::free(block); }

bool is_lead_byte_932(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

void show_message(const char* text, const char* caption, bool system_modal) {
  (void)system_modal;
  std::fprintf(stderr, "[%s] %s\n", caption, text);
}

void* mutex_open(const char* name) {
  // Lives for the process, as a named kernel object would while it is open.
  static std::map<std::string, std::recursive_mutex> mutexes;
  std::lock_guard<std::mutex> hold(g_objects_lock);
  return &mutexes[name];
}
bool mutex_wait(void* mutex) {
  static_cast<std::recursive_mutex*>(mutex)->lock();
  return true;
}
void mutex_release(void* mutex) { static_cast<std::recursive_mutex*>(mutex)->unlock(); }
void mutex_close(void*) {}

void* shared_open(const char* name, std::uint32_t size, bool* existed, void** handle) {
  std::lock_guard<std::mutex> hold(g_objects_lock);
  auto& objects = shared_objects();
  auto found = objects.find(name);
  *existed = found != objects.end();
  shared_object& object = objects[name];
  if (!*existed) object.bytes.assign(size, 0);
  ++object.holders;
  *handle = new std::string(name);
  return object.bytes.data();
}

void shared_close(void* view, void* handle) {
  (void)view;
  if (!handle) return;
  std::string* name = static_cast<std::string*>(handle);
  {
    std::lock_guard<std::mutex> hold(g_objects_lock);
    auto& objects = shared_objects();
    auto found = objects.find(*name);
    if (found != objects.end() && --found->second.holders <= 0) objects.erase(found);
  }
  delete name;
}

void native_shared_reset() {
  std::lock_guard<std::mutex> hold(g_objects_lock);
  shared_objects().clear();
}

void* registry_open() { return &registry_values(); }
void registry_close(void*) {}

bool registry_read_dword(void*, const char* name, std::uint32_t* value) {
  std::lock_guard<std::mutex> hold(g_objects_lock);
  auto& values = registry_values();
  auto found = values.find(name);
  if (found == values.end() || found->second.data.size() != 4) return false;
  std::memcpy(value, found->second.data.data(), 4);
  return true;
}

bool registry_read_binary(void*, const char* name, void* buffer, std::uint32_t size) {
  std::lock_guard<std::mutex> hold(g_objects_lock);
  auto& values = registry_values();
  auto found = values.find(name);
  if (found == values.end() || found->second.data.size() > size) return false;
  std::memcpy(buffer, found->second.data.data(), found->second.data.size());
  return true;
}

bool registry_read_string(void*, const char* name, char* buffer, std::uint32_t size) {
  std::lock_guard<std::mutex> hold(g_objects_lock);
  auto& values = registry_values();
  auto found = values.find(name);
  if (found == values.end() || !found->second.is_string || found->second.data.size() > size)
    return false;
  std::memcpy(buffer, found->second.data.data(), found->second.data.size());
  return true;
}

void native_registry_clear() {
  std::lock_guard<std::mutex> hold(g_objects_lock);
  registry_values().clear();
}

void native_registry_set_dword(const char* name, std::uint32_t value) {
  native_registry_set_binary(name, &value, 4);
}

void native_registry_set_binary(const char* name, const void* data, std::uint32_t size) {
  std::lock_guard<std::mutex> hold(g_objects_lock);
  registry_value& v = registry_values()[name];
  const unsigned char* bytes = static_cast<const unsigned char*>(data);
  v.data.assign(bytes, bytes + size);
  v.is_string = false;
}

void native_registry_set_string(const char* name, const char* value) {
  std::lock_guard<std::mutex> hold(g_objects_lock);
  registry_value& v = registry_values()[name];
  v.data.assign(value, value + std::strlen(value) + 1);
  v.is_string = true;
}

int file_read(const char* path, std::uint32_t max_size, char** data, std::uint32_t* size,
              std::uint64_t* time) {
  *data = nullptr;
  *size = 0;
  std::FILE* file = std::fopen(path, "rb");
  if (!file) return 1;
  struct stat info;
  if (fstat(fileno(file), &info) != 0) {
    std::fclose(file);
    return 3;
  }
  if (static_cast<std::uint64_t>(info.st_size) > max_size) {
    std::fclose(file);
    return 2;
  }
  *time = static_cast<std::uint64_t>(info.st_mtim.tv_sec) * 10000000u + info.st_mtim.tv_nsec / 100;
  std::uint32_t length = static_cast<std::uint32_t>(info.st_size);
  char* buffer = static_cast<char*>(heap_alloc(mem_fixed, length + 1));
  if (!buffer) {
    std::fclose(file);
    return 3;
  }
  if (std::fread(buffer, 1, length, file) != length) {
    heap_free(buffer);
    std::fclose(file);
    return 3;
  }
  std::fclose(file);
  buffer[length] = '\0';
  *data = buffer;
  *size = length;
  return 0;
}

bool file_time(const char* path, std::uint64_t* time) {
  struct stat info;
  if (stat(path, &info) != 0) return false;
  *time = static_cast<std::uint64_t>(info.st_mtim.tv_sec) * 10000000u + info.st_mtim.tv_nsec / 100;
  return true;
}

}  // namespace szrex_os

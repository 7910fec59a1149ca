// The operating-system services the engine needs, behind one seam.
// os_win32.cpp is the real side: the local-memory heap, named kernel objects,
// the registry under HKEY_CURRENT_USER, message boxes. os_native.cpp stands in for
// it in the native build: a plain heap, an in-process block guarded by a std::mutex,
// a registry that answers "missing" unless a test sets a value, reports on stderr.
// Nothing here is called from the compile or match logic directly, except the
// lead-byte query at record initialisation.
#pragma once

#include <cstdint>

namespace szrex_os {

// Local-memory heap. Flags as LocalAlloc's: fixed 0, movable 2, zero-initialised 0x40.
enum : unsigned { mem_fixed = 0x0000, mem_movable = 0x0002, mem_zero_init = 0x0040 };
void* heap_alloc(unsigned flags, std::uint32_t size);
void* heap_realloc(void* handle, std::uint32_t size, unsigned flags);
void* heap_free(void* handle);  // null on success, the handle on failure
void* heap_lock(void* handle);
int heap_unlock(void* handle);
std::uint32_t heap_size(void* handle);  // 0 on failure
std::uint32_t last_error();
void set_last_error(std::uint32_t code);

// Page allocator for large buffers.
void* pages_alloc(std::uint32_t size);
void pages_free(void* block);

// True for a lead byte of code page 932.
bool is_lead_byte_932(unsigned char c);

// A message box: `system_modal` when there is no active window to own it.
void show_message(const char* text, const char* caption, bool system_modal);

// Named mutex shared by every process and module that uses the engine.
void* mutex_open(const char* name);  // created if missing; null on failure
bool mutex_wait(void* mutex);
void mutex_release(void* mutex);
void mutex_close(void* mutex);

// Named shared memory of `size` bytes (zero-filled when new). `existed` tells whether
// another holder had created it before. Null on failure.
void* shared_open(const char* name, std::uint32_t size, bool* existed, void** handle);
void shared_close(void* view, void* handle);

// The engine's registry key Software\Sazanami\SzRex under the current user,
// created if missing. The reads answer false when the value is missing or has
// another size than asked.
void* registry_open();
void registry_close(void* key);
bool registry_read_dword(void* key, const char* name, std::uint32_t* value);
bool registry_read_binary(void* key, const char* name, void* buffer, std::uint32_t size);
// A string value of at most `size` bytes including the NUL.
bool registry_read_string(void* key, const char* name, char* buffer, std::uint32_t size);

// Reads a whole file of at most `max_size` bytes into a buffer from heap_alloc(fixed).
// 0 ok, 1 cannot open, 2 too large, 3 read failure. `time` is the last-write time.
int file_read(const char* path, std::uint32_t max_size, char** data, std::uint32_t* size,
              std::uint64_t* time);
// The last-write time of a file; false when it is missing.
bool file_time(const char* path, std::uint64_t* time);

#if defined(TAMARI_NATIVE)
// Native side only: test control of the stand-in registry and of messages.
void native_registry_clear();
void native_registry_set_dword(const char* name, std::uint32_t value);
void native_registry_set_binary(const char* name, const void* data, std::uint32_t size);
void native_registry_set_string(const char* name, const char* value);
// Forgets the in-process shared blocks (as if every holder had closed them).
void native_shared_reset();
#endif

}  // namespace szrex_os

#include "regex/guarded_memory.h"

#include <atomic>
#include <cstdio>
#include <cstring>

#include "regex/szrex_os.h"

namespace {

std::atomic<SzRexReportHook> g_hook{nullptr};
std::atomic<bool> g_reporting{false};

const char fatal_caption[] = "SzRex.dllでの内部エラー、死にます";

std::uint32_t read_guard(const unsigned char* at) {
  std::uint32_t value;
  std::memcpy(&value, at, 4);
  return value;
}

void write_guard(unsigned char* block) {
  std::uint32_t size = szrex_os::heap_size(block);
  if (size < 4) return;
  std::uint32_t guard = SzRexGuardValue;
  std::memcpy(block + size - 4, &guard, 4);
}

// The block's leading bytes as printable text, for an overrun report.
void leading_text(const unsigned char* block, std::uint32_t available, std::uint32_t most,
                  char* out) {
  std::uint32_t n = available < most ? available : most;
  for (std::uint32_t i = 0; i < n; ++i) out[i] = block[i] < 32 ? '.' : static_cast<char>(block[i]);
  out[n] = '\0';
}

}  // namespace

SzRexReportHook SzRexSetReportHook(SzRexReportHook hook) { return g_hook.exchange(hook); }

void SzRexShowMessage(const char* text, const char* caption, bool system_modal) {
  SzRexReportHook hook = g_hook.load();
  if (hook) {
    hook(text, caption);
    return;
  }
  szrex_os::show_message(text, caption, system_modal);
}

void SzRexFatal(const char* text) {
  // A report raised while another is on screen (from another thread, or from the
  // message loop of the box itself) is dropped rather than stacked.
  bool expected = false;
  if (!g_reporting.compare_exchange_strong(expected, true)) return;
  SzRexShowMessage(text, fatal_caption, true);
  g_reporting.store(false);
}

void* SzRexMemAlloc(unsigned flags, std::uint32_t size, const char* source, unsigned line) {
  char message[256];
  if (size == 0) {
    std::snprintf(message, sizeof message, "%s(%u) LocalAllocでサイズ0を要求しました。", source,
                  line);
    SzRexFatal(message);
  }
  if (size > 0xFFFFFFFFu - 4) {
    szrex_os::set_last_error(8);  // ERROR_NOT_ENOUGH_MEMORY
  }
  void* block = size > 0xFFFFFFFFu - 4 ? nullptr : szrex_os::heap_alloc(flags, size + 4);
  if (!block) {
    std::snprintf(message, sizeof message,
                  "%s(%u) LocalAllocでエラーです。エラーコード=%u サイズ=%u", source, line,
                  static_cast<unsigned>(szrex_os::last_error()), size);
    SzRexFatal(message);
    return nullptr;
  }
  if (!(flags & SzRexMemMovable)) write_guard(static_cast<unsigned char*>(block));
  return block;
}

void SzRexMemFree(void* block, const char* source, unsigned line) {
  (void)source;
  if (!block) return;
  void* locked = szrex_os::heap_lock(block);
  if (locked == block) {
    unsigned char* bytes = static_cast<unsigned char*>(block);
    std::uint32_t size = szrex_os::heap_size(block);
    if (size >= 4 && read_guard(bytes + size - 4) != SzRexGuardValue) {
      char text[80];
      leading_text(bytes, size, 78, text);
      char message[160];
      std::snprintf(message, sizeof message, "Buffer overrun at LocalFree (%u) %s\n", line, text);
      SzRexFatal(message);
    }
  }
  if (locked) szrex_os::heap_unlock(block);
  szrex_os::heap_free(block);
}

void* SzRexMemReAlloc(void* block, std::uint32_t size, unsigned flags, const char* source,
                      unsigned line) {
  char message[256];
  if (size == 0) {
    std::snprintf(message, sizeof message, "%s(%u) LocalReAllocでサイズ0を要求しました。", source,
                  line);
    SzRexFatal(message);
  }
  void* fresh = size > 0xFFFFFFFFu - 4 ? nullptr : szrex_os::heap_realloc(block, size + 4, flags);
  if (!fresh) {
    std::snprintf(message, sizeof message,
                  "%s(%u) LocalReAllocでエラーです。エラーコード=%u サイズ=%u", source, line,
                  static_cast<unsigned>(szrex_os::last_error()), size);
    SzRexFatal(message);
    return nullptr;
  }
  // A fixed block gets its guard at the new end, or freeing it would report an
  // overrun that never happened.
  if (szrex_os::heap_lock(fresh) == fresh) write_guard(static_cast<unsigned char*>(fresh));
  szrex_os::heap_unlock(fresh);
  return fresh;
}

void* SzRexMemLock(void* block, const char* source, unsigned line) {
  void* pointer = szrex_os::heap_lock(block);
  if (!pointer) {
    char message[160];
    std::snprintf(message, sizeof message, "LocalLock error %s(%u) 0x%08X\n", source, line,
                  static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(block)));
    SzRexFatal(message);
    return nullptr;
  }
  write_guard(static_cast<unsigned char*>(pointer));
  return pointer;
}

int SzRexMemUnlock(void* block, const char* source, unsigned line) {
  int result = szrex_os::heap_unlock(block);
  char message[200];
  std::uint32_t size = szrex_os::heap_size(block);
  if (size == 0) {
    std::snprintf(message, sizeof message, "LocalSize error at LocalUnlock %s(%u) error=%u", source,
                  line, static_cast<unsigned>(szrex_os::last_error()));
    SzRexFatal(message);
    return 0;
  }
  unsigned char* bytes = static_cast<unsigned char*>(szrex_os::heap_lock(block));
  if (!bytes) {
    std::snprintf(message, sizeof message, "LocalLock error at LocalUnlock %s(%u) error=%u", source,
                  line, static_cast<unsigned>(szrex_os::last_error()));
    SzRexFatal(message);
    return 0;
  }
  bool damaged = size >= 4 && read_guard(bytes + size - 4) != SzRexGuardValue;
  if (damaged) {
    char text[80];
    leading_text(bytes, size, 77, text);
    std::snprintf(message, sizeof message, "Buffer overrun error at LocalUnlock (%u) %s\n", line,
                  text);
    SzRexFatal(message);
  }
  szrex_os::heap_unlock(block);
  return damaged ? 0 : result;
}

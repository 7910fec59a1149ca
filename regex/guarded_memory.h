// The engine's memory: a thin layer over the local-memory heap that keeps the guard
// word 0xCCAACCAA behind every block and reports misuse with the calling source's
// name and line. Reports go to a message box (or to the hook a test installs);
// after a report the engine returns along its error paths and never ends the process.
#pragma once

#include <cstdint>

// Allocation flags (as the local-memory heap's).
enum : unsigned {
  SzRexMemFixed = 0x0000,
  SzRexMemMovable = 0x0002,
  SzRexMemZeroInit = 0x0040,
};

constexpr std::uint32_t SzRexGuardValue = 0xCCAACCAAu;

void* SzRexMemAlloc(unsigned flags, std::uint32_t size, const char* source, unsigned line);
void SzRexMemFree(void* block, const char* source, unsigned line);
void* SzRexMemReAlloc(void* block, std::uint32_t size, unsigned flags, const char* source,
                      unsigned line);
void* SzRexMemLock(void* block, const char* source, unsigned line);
int SzRexMemUnlock(void* block, const char* source, unsigned line);

// The engine's error report: a system-modal message box with the caption
// "SzRex.dllでの内部エラー、死にます". A report raised while one is shown is dropped.
void SzRexFatal(const char* text);
// Any message of the engine, with its own caption.
void SzRexShowMessage(const char* text, const char* caption, bool system_modal);

// Tests replace the message box: the hook receives every text and caption.
using SzRexReportHook = void (*)(const char* text, const char* caption);
SzRexReportHook SzRexSetReportHook(SzRexReportHook hook);

// Where the zip reader gets its bytes from: a file on disk or a block of memory.
// The reader only ever asks for exact ranges it has checked against size(), so a
// source needs no notion of a current position of its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>

class zip_source {
 public:
  virtual ~zip_source() = default;
  // Total size in bytes.
  virtual std::uint64_t size() const = 0;
  // Reads exactly `count` bytes at `offset`; false when they cannot all be read.
  virtual bool read_at(std::uint64_t offset, void* buffer, std::size_t count) = 0;
};

// A file opened with stdio. The path is passed to fopen unchanged: on Windows
// the C runtime takes it in the ANSI code page, so Shift_JIS paths work there.
class zip_file_source : public zip_source {
 public:
  // Null when the file cannot be opened or its size cannot be found.
  static std::unique_ptr<zip_file_source> open(const char* path);
  ~zip_file_source() override;
  zip_file_source(const zip_file_source&) = delete;
  zip_file_source& operator=(const zip_file_source&) = delete;

  std::uint64_t size() const override { return size_; }
  bool read_at(std::uint64_t offset, void* buffer, std::size_t count) override;

 private:
  zip_file_source(std::FILE* file, std::uint64_t size) : file_(file), size_(size), position_(0) {}
  std::FILE* file_;
  std::uint64_t size_;
  // Where the stream stands; a seek is skipped when the next read follows on,
  // since the C runtime may drop its buffer on every seek.
  std::uint64_t position_;
};

// Bytes owned by the caller, which must outlive the source.
class zip_memory_source : public zip_source {
 public:
  zip_memory_source(const void* data, std::size_t size)
      : data_(static_cast<const unsigned char*>(data)), size_(size) {}
  std::uint64_t size() const override { return size_; }
  bool read_at(std::uint64_t offset, void* buffer, std::size_t count) override;

 private:
  const unsigned char* data_;
  std::size_t size_;
};

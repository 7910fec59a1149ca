#include "archive/zip_source.h"

#include <cstring>

namespace {

// 64-bit seeks: archives may pass 2 GB even though a 32-bit long cannot.
int seek_to(std::FILE* file, std::uint64_t offset, int origin) {
#ifdef _WIN32
  return _fseeki64(file, static_cast<long long>(offset), origin);
#else
  return fseeko(file, static_cast<off_t>(offset), origin);
#endif
}

long long tell_of(std::FILE* file) {
#ifdef _WIN32
  return _ftelli64(file);
#else
  return static_cast<long long>(ftello(file));
#endif
}

}  // namespace

std::unique_ptr<zip_file_source> zip_file_source::open(const char* path) {
  if (!path || !*path) return nullptr;
  std::FILE* file = std::fopen(path, "rb");
  if (!file) return nullptr;
  // Large reads go straight to the file; the small header reads still share a buffer. Set before
  // any other use of the stream, as the C library requires.
  std::setvbuf(file, nullptr, _IOFBF, 64 * 1024);
  long long size = -1;
  if (seek_to(file, 0, SEEK_END) == 0) size = tell_of(file);
  if (size < 0 || seek_to(file, 0, SEEK_SET) != 0) {
    std::fclose(file);
    return nullptr;
  }
  return std::unique_ptr<zip_file_source>(
      new zip_file_source(file, static_cast<std::uint64_t>(size)));
}

zip_file_source::~zip_file_source() { std::fclose(file_); }

bool zip_file_source::read_at(std::uint64_t offset, void* buffer, std::size_t count) {
  if (offset > size_ || count > size_ - offset) return false;
  if (count == 0) return true;
  if (offset != position_) {
    if (seek_to(file_, offset, SEEK_SET) != 0) {
      position_ = ~std::uint64_t{0};  // unknown: seek again next time
      return false;
    }
    position_ = offset;
  }
  std::size_t got = std::fread(buffer, 1, count, file_);
  position_ += got;
  if (got != count) {
    std::clearerr(file_);
    position_ = ~std::uint64_t{0};
    return false;
  }
  return true;
}

bool zip_memory_source::read_at(std::uint64_t offset, void* buffer, std::size_t count) {
  if (offset > size_ || count > size_ - offset) return false;
  if (count) std::memcpy(buffer, data_ + offset, count);
  return true;
}

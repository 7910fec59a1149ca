// Extraction throughput on a generated archive of about 200 MB of mixed files.
//
//   zip_throughput make ARCHIVE          writes the archive (fixed seed)
//   zip_throughput run ARCHIVE SCRATCH   times, on the same archive:
//     - bare inflate: zlib over each entry's data, output dropped (the ceiling);
//     - our reader: every entry read through zip_reader, output dropped;
//     - our extraction to disk: the extraction loop writing files into SCRATCH
//       (on Windows: unzip_to_directory itself);
//     - natively also Info-ZIP unzip into SCRATCH, for comparison.
// Figures are megabytes (10^6 bytes) of uncompressed data per second, best of three.
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "archive/unzip_loop.h"
#include "archive/zip_reader.h"
#include "tests/archive/zip_builder.h"

#ifdef _WIN32
#include <windows.h>

#include "archive/unzip.h"
#endif

namespace {

struct rng {
  std::uint32_t x;
  std::uint32_t next() {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    return x;
  }
  std::uint32_t below(std::uint32_t n) { return next() % n; }
};

// Text such as TeX sources and documentation: words, Shift_JIS words, line ends.
std::string text_like(rng& r, std::size_t size) {
  static const std::vector<std::string> words = {
      "\\documentclass", "{jarticle}", "\\begin", "{document}", "\\section", "font", "dviout",
      "ghostscript", "platex", "表", "ソフト", "日本語", "組版", "the", "and", "of", "= 1pt", "%%",
      "\\def", "\\relax"};
  std::string out;
  out.reserve(size + 32);
  while (out.size() < size) {
    out += words[r.below(static_cast<std::uint32_t>(words.size()))];
    out += (r.below(9) == 0) ? "\r\n" : " ";
    if (r.below(50) == 0) out += std::to_string(r.next());
  }
  out.resize(size);
  return out;
}

std::string noise(rng& r, std::size_t size) {
  std::string out(size, '\0');
  for (std::size_t i = 0; i < size; ++i) out[i] = static_cast<char>(r.next() >> 24);
  return out;
}

int make_archive(const char* path) {
  rng r{20040229};
  zip_builder b;
  std::size_t packed = 0;
  int n = 0;
  while (packed < 220u * 1000 * 1000) {
    const std::uint32_t kind = r.below(10);
    // Mostly small files, some large ones, as in a TeX distribution.
    std::size_t size = r.below(8) == 0 ? 500000 + r.below(6000000) : 200 + r.below(40000);
    std::string name = "texmf/d" + std::to_string(r.below(40)) + "/s" + std::to_string(r.below(8)) +
                       "/f" + std::to_string(n++);
    if (kind < 5) {
      b.add(name + ".tex", text_like(r, size), 8);
      packed += size / 3;
    } else if (kind < 8) {
      b.add(name + ".bin", mixed_bytes(size, r.next()), 8);
      packed += size * 3 / 4;
    } else {
      // Already compressed data (images, archives) is stored.
      b.add(name + ".png", noise(r, size), 0);
      packed += size;
    }
  }
  const std::string bytes = b.build();
  if (!std::ofstream(path, std::ios::binary).write(bytes.data(), bytes.size())) {
    std::fprintf(stderr, "cannot write %s\n", path);
    return 1;
  }
  std::printf("%s: %d entries, %.1f MB\n", path, n, bytes.size() / 1e6);
  return 0;
}

// Prints the best of three runs of `work`, which makes (or finds) `uncompressed` bytes.
void timed(const char* what, const std::uint64_t& uncompressed, const std::function<void()>& work) {
  double best = 1e30;
  for (int i = 0; i < 3; ++i) {
    const auto start = std::chrono::steady_clock::now();
    work();
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    best = std::min(best, took.count());
  }
  std::printf("%-34s %8.2f s  %8.1f MB/s\n", what, best, uncompressed / 1e6 / best);
}

std::string read_all(const char* path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::uint32_t get16(const unsigned char* p) { return p[0] | (p[1] << 8); }
std::uint32_t get32(const unsigned char* p) { return get16(p) | (get16(p + 2) << 16); }

// zlib alone over the archive in memory, headers walked without checks.
std::uint64_t bare_inflate(const std::string& archive) {
  const unsigned char* a = reinterpret_cast<const unsigned char*>(archive.data());
  const std::size_t end = archive.rfind("PK\x05\x06");
  const std::uint32_t count = get16(a + end + 10);
  std::size_t at = get32(a + end + 16);
  std::vector<unsigned char> out(1 << 16);
  std::uint64_t total = 0;
  z_stream s = {};
  inflateInit2(&s, -MAX_WBITS);
  for (std::uint32_t i = 0; i < count; ++i) {
    const unsigned char* c = a + at;
    const std::uint16_t method = get16(c + 10);
    const std::uint32_t csize = get32(c + 20);
    const std::uint32_t local = get32(c + 42);
    at += 46 + get16(c + 28) + get16(c + 30) + get16(c + 32);
    const unsigned char* data = a + local + 30 + get16(a + local + 26) + get16(a + local + 28);
    uLong crc = crc32(0, Z_NULL, 0);
    if (method == 0) {
      crc = crc32(crc, data, csize);
      total += csize;
      continue;
    }
    inflateReset(&s);
    s.next_in = const_cast<unsigned char*>(data);
    s.avail_in = csize;
    int ret;
    do {
      s.next_out = out.data();
      s.avail_out = static_cast<uInt>(out.size());
      ret = inflate(&s, Z_NO_FLUSH);
      crc = crc32(crc, out.data(), static_cast<uInt>(out.size() - s.avail_out));
      total += out.size() - s.avail_out;
    } while (ret == Z_OK);
  }
  inflateEnd(&s);
  return total;
}

std::uint64_t reader_only(const char* path) {
  zip_reader reader;
  if (reader.open(path) != zip_ok) return 0;
  std::vector<char> block(unzip_block_size);
  std::uint64_t total = 0;
  do {
    if (reader.open_current() != zip_ok) break;
    int n;
    while ((n = reader.read_current(block.data(), unzip_block_size)) > 0) total += n;
    reader.close_current();
  } while (reader.next() == zip_ok);
  return total;
}

void clear(const std::string& destination) {
  std::error_code ignored;
  std::filesystem::remove_all(destination, ignored);
}

#ifdef _WIN32
const char separator = '\\';
bool extract(const char* archive, const std::string& destination) {
  return unzip_to_directory(archive, destination.c_str());
}
#else
const char separator = '/';
// The extraction loop with files written through stdio, '\' turned back into '/'.
class posix_target : public unzip_target {
 public:
  bool make_directories(const wklib::string& path) override {
    std::error_code ignored;
    std::filesystem::create_directories(unix_path(path).parent_path(), ignored);
    return true;
  }
  bool create_file(const wklib::string& path) override {
    return (file_ = std::fopen(unix_path(path).c_str(), "wb")) != nullptr;
  }
  bool write(const char* data, int size) override {
    return std::fwrite(data, 1, size, file_) == static_cast<std::size_t>(size);
  }
  bool close_file(bool) override {
    const bool flushed = std::fflush(file_) == 0;
    return std::fclose(file_) == 0 && flushed;
  }
  void log(const wklib::string& line) override { std::fprintf(stderr, "%s\n", line.c_str()); }

 private:
  static std::filesystem::path unix_path(const wklib::string& path) {
    std::string p = path.c_str();
    std::replace(p.begin(), p.end(), '\\', '/');
    return p;
  }
  std::FILE* file_ = nullptr;
};

bool extract(const char* archive, const std::string& destination) {
  posix_target target;
  return unzip_archive(archive, destination.c_str(), target) == unzip_done;
}
#endif

int run(const char* archive, std::string scratch) {
  if (scratch.empty() || scratch.back() != separator) scratch += separator;
  const std::string bytes = read_all(archive);
  if (bytes.empty()) {
    std::fprintf(stderr, "cannot read %s\n", archive);
    return 1;
  }
  // Inflated once before timing, so that its line can say how much it made.
  const std::uint64_t total = bare_inflate(bytes);
  std::printf("archive %.1f MB, %.1f MB uncompressed\n", bytes.size() / 1e6, total / 1e6);
  timed("bare inflate + CRC (memory)", total, [&] { bare_inflate(bytes); });
  std::uint64_t read = 0;
  timed("zip_reader (no files written)", total, [&] { read = reader_only(archive); });
  if (read != total) std::printf("reader gave %llu bytes\n", static_cast<unsigned long long>(read));
  // Into an emptied directory each time, as a first installation would.
  const auto to_disk = [&](const char* what, const std::string& into,
                           const std::function<bool()>& work) {
    bool ok = true;
    timed(what, total, [&] {
      clear(into);
      ok = work() && ok;
    });
    clear(into);
    return ok;
  };
  const std::string ours = scratch + "ours" + separator;
  const bool ok = to_disk("our extraction to disk", ours, [&] { return extract(archive, ours); });
  if (!ok) std::printf("our extraction reported a failure\n");
#ifndef _WIN32
  const std::string theirs = scratch + "infozip/";
  to_disk("Info-ZIP unzip to disk", theirs, [&] {
    return std::system(
               ("unzip -qq -o '" + std::string(archive) + "' -d '" + theirs + "'").c_str()) == 0;
  });
#endif
  return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "make") == 0) return make_archive(argv[2]);
  if (argc == 4 && std::strcmp(argv[1], "run") == 0) return run(argv[2], argv[3]);
  std::fprintf(stderr, "usage: %s make ARCHIVE | run ARCHIVE SCRATCH_DIR\n", argv[0]);
  return 2;
}

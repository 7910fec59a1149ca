// Extraction throughput on a generated archive of about 200 MB of mixed files, in megabytes
// (10^6 bytes) of uncompressed data per second, best of three.
//   zip_throughput make ARCHIVE          writes the archive (fixed seed)
//   zip_throughput run ARCHIVE SCRATCH   zlib alone over each entry's data (the ceiling), every
//     entry read through zip_reader, the extraction loop writing into SCRATCH (on Windows:
//     unzip_to_directory itself) and, natively, Info-ZIP unzip into SCRATCH.
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "archive/unzip_loop.h"
#include "tests/archive/zip_builder.h"

#ifdef _WIN32
#include "archive/unzip.h"
#endif

namespace {

// Text such as TeX sources and documentation: words, Shift_JIS words, line ends.
std::string text_like(std::minstd_rand& r, std::size_t size) {
  static const char* const words[] = {
      "\\documentclass", "{jarticle}", "\\begin", "{document}", "\\section", "font", "dviout",
      "ghostscript", "platex", "表", "ソフト", "日本語", "組版", "the", "and", "of", "= 1pt", "%%",
      "\\def", "\\relax"};
  std::string out;
  while (out.size() < size) {
    out += words[r() % 20];
    out += r() % 9 == 0 ? "\r\n" : " ";
    if (r() % 50 == 0) out += std::to_string(r());
  }
  out.resize(size);
  return out;
}

int make_archive(const char* path) {
  std::minstd_rand r(20040229);
  zip_builder b;
  std::size_t packed = 0;
  int n = 0;
  while (packed < 220u * 1000 * 1000) {
    const unsigned kind = r() % 10;
    // Mostly small files, some large ones, as in a TeX distribution.
    const std::size_t size = r() % 8 == 0 ? 500000 + r() % 6000000 : 200 + r() % 40000;
    const std::string name = "texmf/d" + std::to_string(r() % 40) + "/s" + std::to_string(r() % 8) +
                             "/f" + std::to_string(n++);
    if (kind < 5)
      b.add(name + ".tex", text_like(r, size));
    else  // partly compressible data; a .png is stored, as already compressed data is
      b.add(name + (kind < 8 ? ".bin" : ".png"), mixed_bytes(size, r()), kind < 8 ? 8 : 0);
    packed += kind < 5 ? size / 3 : kind < 8 ? size * 3 / 4 : size;
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
template <class Work>
void timed(const char* what, std::uint64_t uncompressed, const Work& work) {
  double best = 1e30;
  for (int i = 0; i < 3; ++i) {
    const auto start = std::chrono::steady_clock::now();
    work();
    best = std::min(
        best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  std::printf("%-34s %8.2f s  %8.1f MB/s\n", what, best, uncompressed / 1e6 / best);
}

std::uint32_t get16(const unsigned char* p) { return p[0] | (p[1] << 8); }
std::uint32_t get32(const unsigned char* p) { return get16(p) | (get16(p + 2) << 16); }

// zlib alone over the archive in memory, from one local header to the next, without checks.
std::uint64_t bare_inflate(const std::string& archive) {
  std::vector<unsigned char> out(1 << 16);
  std::uint64_t total = 0;
  z_stream s = {};
  inflateInit2(&s, -MAX_WBITS);
  const unsigned char* header = reinterpret_cast<const unsigned char*>(archive.data());
  while (get32(header) == 0x04034b50) {
    const std::uint32_t size = get32(header + 18);
    const unsigned char* data = header + 30 + get16(header + 26) + get16(header + 28);
    uLong crc = crc32(0, Z_NULL, 0);
    if (get16(header + 8) == 0) {
      crc = crc32(crc, data, size);
      total += size;
    } else {
      inflateReset(&s);
      s.next_in = const_cast<unsigned char*>(data);
      s.avail_in = size;
      for (int ret = Z_OK; ret == Z_OK;) {
        s.next_out = out.data();
        s.avail_out = static_cast<uInt>(out.size());
        ret = inflate(&s, Z_NO_FLUSH);
        crc = crc32(crc, out.data(), static_cast<uInt>(out.size() - s.avail_out));
        total += out.size() - s.avail_out;
      }
    }
    header = data + size;
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

#ifdef _WIN32
const char separator = '\\';
bool extract(const char* archive, const std::string& destination) {
  return unzip_to_directory(archive, destination.c_str());
}
#else
const char separator = '/';
// The extraction loop with files written through stdio, each '\' turned back into '/'.
class posix_target : public unzip_target {
 public:
  bool make_directories(const wklib::string& path) override {
    std::error_code ignored;
    std::filesystem::create_directories(posix_path(path).parent_path(), ignored);
    return true;
  }
  bool create_file(const wklib::string& path) override {
    return (file_ = std::fopen(posix_path(path).c_str(), "wb")) != nullptr;
  }
  bool write(const char* data, int size) override {
    return std::fwrite(data, 1, size, file_) == static_cast<std::size_t>(size);
  }
  bool close_file(bool) override { return std::fclose(file_) == 0; }
  void log(const wklib::string& line) override { std::fprintf(stderr, "%s\n", line.c_str()); }

 private:
  static std::filesystem::path posix_path(const wklib::string& path) {
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
  std::ifstream in(archive, std::ios::binary);
  const std::string bytes(std::istreambuf_iterator<char>(in), {});
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
  const auto to_disk = [&](const char* what, const std::string& into, const auto& work) {
    bool ok = true;
    std::error_code ignored;
    timed(what, total, [&] {
      std::filesystem::remove_all(into, ignored);
      ok = work() && ok;
    });
    std::filesystem::remove_all(into, ignored);
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

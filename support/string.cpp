#include "support/string.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

#include "support/os.h"

namespace wklib {

namespace {

// The shared empty block: count 0 marks it as never freed.
struct empty_storage {
  std::int32_t count;
  std::uint32_t size;
  std::uint32_t capacity;
  char text[4];
};
empty_storage g_empty = {0, 1, 1, {0, 0, 0, 0}};

// Copies of one text cross threads (the settings and the install state that the
// workers read while the user-interface thread holds them), so the count moves
// atomically; a plain ++ from two threads loses a reference and frees a block
// that is still in use.
void add_reference(std::int32_t* count) { __atomic_add_fetch(count, 1, __ATOMIC_RELAXED); }
bool drop_reference(std::int32_t* count) {
  return __atomic_sub_fetch(count, 1, __ATOMIC_ACQ_REL) == 0;
}
bool only_reference(const std::int32_t* count) {
  return __atomic_load_n(count, __ATOMIC_ACQUIRE) == 1;
}

}  // namespace

// ASCII capitals are lowered here, eight bytes at a time where none has its high bit
// set (listings and pages are mostly ASCII, and the system's conversion goes through
// Unicode); every run of other characters goes to the code page's rules whole.
void string::lower_text(char* text, int length) { lower_copy(text, text, length); }

void string::lower_copy(const char* from, char* to, int length) {
  const unsigned char* f = reinterpret_cast<const unsigned char*>(from);
  unsigned char* t = reinterpret_cast<unsigned char*>(to);
  const std::uint64_t high = 0x8080808080808080ull;
  int i = 0;
  while (i < length) {
#if defined(__GNUC__)
    // Sixteen ASCII bytes at a time where the compiler has vectors of that width (a
    // build without them gets the same arithmetic in plain registers).
    typedef unsigned char bytes16 __attribute__((vector_size(16)));
    while (length - i >= 16) {
      std::uint64_t halves[2];
      std::memcpy(halves, f + i, 16);
      if (((halves[0] | halves[1]) & high) != 0) break;
      bytes16 v;
      std::memcpy(&v, f + i, 16);
      const bytes16 capitals = reinterpret_cast<bytes16>((v >= 'A') & (v <= 'Z'));
      v += capitals & 0x20;
      std::memcpy(t + i, &v, 16);
      i += 16;
    }
#endif
    if (length - i >= 8) {
      std::uint64_t w;
      std::memcpy(&w, f + i, 8);
      if ((w & high) == 0) {
        // Per byte b < 0x80: b + 0x3F has its high bit set from 'A' on, b + 0x25 from
        // just after 'Z' on; neither sum carries into the next byte.
        const std::uint64_t capitals =
            ((w + 0x3F3F3F3F3F3F3F3Full) ^ (w + 0x2525252525252525ull)) & high;
        w |= capitals >> 2;
        std::memcpy(t + i, &w, 8);
        i += 8;
        continue;
      }
    }
    if (f[i] < 0x80) {
      t[i] = (f[i] >= 'A' && f[i] <= 'Z') ? static_cast<unsigned char>(f[i] + ('a' - 'A')) : f[i];
      ++i;
      continue;
    }
    int j = i;
    while (j < length && f[j] >= 0x80) j += (os_is_lead_byte(f[j]) && j + 1 < length) ? 2 : 1;
    if (j > length) j = length;
    if (t != f) std::memcpy(t + i, f + i, static_cast<std::size_t>(j - i));
    os_lower_ansi(to + i, j - i);
    i = j;
  }
}

namespace {

int clamp_count(int position, int count, int available) {
  int rest = available - position;
  if (count < 0 || count > rest) return rest;
  return count;
}

}  // namespace

string::block* string::empty_block() { return reinterpret_cast<block*>(&g_empty); }

string::block* string::allocate(std::uint32_t capacity) {
  void* memory = std::malloc(sizeof(block) + capacity);
  if (!memory) throw std::bad_alloc();
  block* b = static_cast<block*>(memory);
  b->count = 1;
  b->size = 1;
  b->capacity = capacity;
  b->text()[0] = '\0';
  return b;
}

void string::release() {
  if (block_ != empty_block() && drop_reference(&block_->count)) std::free(block_);
  block_ = empty_block();
}

void string::make_unique(std::uint32_t needed) {
  if (block_ != empty_block() && only_reference(&block_->count) && block_->capacity >= needed)
    return;
  std::uint32_t capacity = block_->capacity > needed ? block_->capacity : needed;
  block* fresh = allocate(capacity);
  std::memcpy(fresh->text(), block_->text(), block_->size);
  fresh->size = block_->size;
  release();
  block_ = fresh;
}

string::string() : block_(empty_block()) {}

string::string(const char* text) : block_(empty_block()) { assign(text); }

string::string(const char* buffer, int length) : block_(empty_block()) { assign(buffer, length); }

string::string(char c) : block_(empty_block()) { assign(&c, 1); }

string::string(const string& other) : block_(other.block_) {
  if (block_ != empty_block()) add_reference(&block_->count);
}

string::string(string&& other) noexcept : block_(other.block_) { other.block_ = empty_block(); }

string::~string() { release(); }

string& string::operator=(const string& other) {
  if (other.block_ != block_) {
    block* b = other.block_;
    if (b != empty_block()) add_reference(&b->count);
    release();
    block_ = b;
  }
  return *this;
}

string& string::operator=(string&& other) noexcept {
  if (this != &other) {
    release();
    block_ = other.block_;
    other.block_ = empty_block();
  }
  return *this;
}

string& string::operator=(const char* text) { return assign(text); }

string& string::assign(const char* text) { return assign(text, -1); }

string& string::assign(const char* buffer, int length) {
  if (!buffer) length = 0;
  if (length < 0) length = static_cast<int>(std::strlen(buffer));
  if (length == 0) {
    release();
    return *this;
  }
  // An unshared block with room is reused; memmove copes with a source inside it.
  if (block_ != empty_block() && only_reference(&block_->count) &&
      block_->capacity >= static_cast<std::uint32_t>(length) + 1) {
    std::memmove(block_->text(), buffer, length);
    block_->text()[length] = '\0';
    block_->size = static_cast<std::uint32_t>(length) + 1;
    return *this;
  }
  // The source may live inside our own block: build the new block first.
  block* fresh = allocate(static_cast<std::uint32_t>(length) + 5);
  std::memcpy(fresh->text(), buffer, length);
  fresh->text()[length] = '\0';
  fresh->size = static_cast<std::uint32_t>(length) + 1;
  release();
  block_ = fresh;
  return *this;
}

void string::clear() {
  if (block_ != empty_block() && only_reference(&block_->count)) {
    block_->text()[0] = '\0';
    block_->size = 1;
  } else {
    release();
  }
}

string& string::assign(const char* text, int position, int count) {
  if (!text) return release(), *this;
  int available = static_cast<int>(std::strlen(text));
  if (position < 0 || position > available) return *this;
  return assign(text + position, clamp_count(position, count, available));
}

string& string::append(const char* text) { return append(text, -1); }

string& string::append(const char* buffer, int length) {
  if (!buffer) return *this;
  if (length < 0) length = static_cast<int>(std::strlen(buffer));
  if (length == 0) return *this;
  const std::uint32_t old_size = block_->size;
  const std::uint32_t needed = old_size + static_cast<std::uint32_t>(length);
  if (block_ == empty_block() || !only_reference(&block_->count) || block_->capacity < needed) {
    // A text built piece by piece must not be copied whole on every piece: the new
    // block has room for half as much again. The old block stays alive until the
    // bytes are copied, since they may be a piece of ourselves.
    std::uint32_t capacity = needed;
    if (block_ != empty_block()) {
      const std::uint32_t grown = block_->capacity + block_->capacity / 2;
      if (grown > capacity) capacity = grown;
    }
    block* fresh = allocate(capacity);
    std::memcpy(fresh->text(), block_->text(), old_size - 1);
    std::memcpy(fresh->text() + old_size - 1, buffer, length);
    release();
    block_ = fresh;
  } else {
    std::memmove(block_->text() + old_size - 1, buffer, length);
  }
  block_->size = needed;
  block_->text()[needed - 1] = '\0';
  return *this;
}

string& string::append(const char* text, int position, int count) {
  if (!text) return *this;
  int available = static_cast<int>(std::strlen(text));
  if (position < 0 || position > available) return *this;
  return append(text + position, clamp_count(position, count, available));
}

string& string::append(const string& other, int position, int count) {
  int available = other.length();
  if (position < 0 || position > available) return *this;
  string keep(other);
  return append(keep.c_str() + position, clamp_count(position, count, available));
}

string& string::append(char c) { return append(&c, 1); }

int string::find(const char* needle, int from) const {
  if (!needle) return npos;
  return sjis_find(c_str(), length(), needle, static_cast<int>(std::strlen(needle)), from);
}

int string::rfind(const char* needle, int before) const {
  if (!needle) return npos;
  return sjis_rfind(c_str(), length(), needle, static_cast<int>(std::strlen(needle)), before);
}

string string::substr(int position, int count) const {
  int available = length();
  if (position < 0 || position > available) return string();
  return string(c_str() + position, clamp_count(position, count, available));
}

string& string::erase(int position, int count) {
  int size = length();
  if (position < 0) position = 0;
  if (position > size) position = size;
  count = clamp_count(position, count, size);
  if (count == 0) return *this;
  make_unique(block_->size);
  char* text = block_->text();
  std::memmove(text + position, text + position + count, size - position - count + 1);
  block_->size -= static_cast<std::uint32_t>(count);
  return *this;
}

char* string::buffer(int capacity) {
  make_unique(static_cast<std::uint32_t>(capacity < 0 ? 0 : capacity) + 1);
  return block_->text();
}

void string::set_length(int new_length) {
  if (block_ == empty_block()) return;
  char* text = block_->text();
  int limit = static_cast<int>(block_->capacity) - 1;
  if (new_length < 0) new_length = static_cast<int>(strnlen(text, limit));
  if (new_length > limit) new_length = limit;
  make_unique(block_->size);
  text = block_->text();
  text[new_length] = '\0';
  block_->size = static_cast<std::uint32_t>(new_length) + 1;
}

int string::replace_all(const char* from, const char* to) {
  if (!from || !*from) return 0;
  if (!to) to = "";
  int from_length = static_cast<int>(std::strlen(from));
  string result;
  result.buffer(length() + 29);
  result.set_length(0);
  int replaced = 0;
  int start = 0;
  for (int at = find(from, 0); at != npos; at = find(from, start)) {
    result.append(c_str() + start, at - start);
    result.append(to);
    start = at + from_length;
    ++replaced;
  }
  if (replaced == 0) return 0;
  result.append(c_str() + start, length() - start);
  *this = std::move(result);
  return replaced;
}

string& string::lower() {
  if (empty()) return *this;
  make_unique(block_->size);
  lower_text(block_->text(), length());
  return *this;
}

bool string::operator==(const string& other) const {
  return block_ == other.block_ ||
         (length() == other.length() && std::memcmp(c_str(), other.c_str(), length()) == 0);
}

bool string::operator==(const char* text) const {
  return std::strcmp(c_str(), text ? text : "") == 0;
}

int string::use_count() const {
  return block_ == empty_block() ? 0 : __atomic_load_n(&block_->count, __ATOMIC_ACQUIRE);
}

string operator+(const string& left, const char* right) {
  string result(left);
  result.append(right);
  return result;
}

string operator+(const string& left, const string& right) {
  string result(left);
  result.append(right);
  return result;
}

bool is_lead_byte(unsigned char c) { return os_is_lead_byte(c); }

bool is_trail_position(const char* text, int position) {
  if (position <= 0) return false;
  int run = 0;
  for (int i = position - 1; i >= 0 && is_lead_byte(static_cast<unsigned char>(text[i])); --i)
    ++run;
  return (run & 1) != 0;
}

bool is_word_char(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

int to_digit(char c) {
  if (c < '0' || c > '9') throw bad_lexical_cast(typeid(int), typeid(char));
  return c - '0';
}

int sjis_find(const char* text, int length, const char* needle, int m, int from) {
  if (from < 0) from = 0;
  if (m <= 0 || from >= length || m > length - from) return string::npos;
  const unsigned char* t = reinterpret_cast<const unsigned char*>(text);
  const unsigned char* p = reinterpret_cast<const unsigned char*>(needle);
  if (m == 1) {
    for (int q = from; q < length; ++q)
      if (t[q] == p[0] && !is_trail_position(text, q)) return q;
    return string::npos;
  }
  int shift[256];
  for (int& s : shift) s = m;
  for (int i = 0; i < m - 1; ++i) shift[p[i]] = m - 1 - i;
  for (int q = from; q <= length - m;) {
    int i = m - 1;
    while (i >= 0 && t[q + i] == p[i]) --i;
    if (i < 0) {
      if (!is_trail_position(text, q)) return q;
      q += 1;
    } else {
      // Horspool: align the text byte under the pattern's last position.
      q += shift[t[q + m - 1]];
    }
  }
  return string::npos;
}

int sjis_rfind(const char* text, int length, const char* needle, int m, int before) {
  if (before < 0 || before > length) before = length;
  if (m <= 0 || m > length) return string::npos;
  const unsigned char* t = reinterpret_cast<const unsigned char*>(text);
  const unsigned char* p = reinterpret_cast<const unsigned char*>(needle);
  // Occurrences must start before `before` and fit in the text.
  int last = before - 1;
  if (last > length - m) last = length - m;
  if (m == 1) {
    for (int q = last; q >= 0; --q)
      if (t[q] == p[0] && !is_trail_position(text, q)) return q;
    return string::npos;
  }
  int shift[256];
  for (int& s : shift) s = m;
  for (int i = m - 1; i > 0; --i) shift[p[i]] = i;
  for (int q = last; q >= 0;) {
    int i = 0;
    while (i < m && t[q + i] == p[i]) ++i;
    if (i == m) {
      if (!is_trail_position(text, q)) return q;
      q -= 1;
    } else {
      // Mirror of the forward rule: align the text byte under the pattern's first position.
      q -= shift[t[q]];
    }
  }
  return string::npos;
}

}  // namespace wklib

// wklib::string: the byte string of the whole program (paths, URLs, listing
// lines, messages). Text is Shift_JIS. Copies share one reference-counted block
// until one of them changes; every search steps over double-byte characters so
// that no match ever starts on a trail byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <typeinfo>

namespace wklib {

// The one exception type of the program: a failed conversion between a
// character or text and a number. Deliberately has no base class.
class bad_lexical_cast {
 public:
  bad_lexical_cast(const std::type_info& target, const std::type_info& source)
      : target_(&target), source_(&source) {}
  const std::type_info& target_type() const { return *target_; }
  const std::type_info& source_type() const { return *source_; }

 private:
  const std::type_info* target_;
  const std::type_info* source_;
};

class string {
 public:
  static const int npos = -1;

  string();
  string(const char* text);                // NUL-terminated; null counts as empty
  string(const char* buffer, int length);  // length -1: up to the NUL
  explicit string(char c);
  string(const string& other);  // shares the block
  string(string&& other) noexcept;
  ~string();

  string& operator=(const string& other);  // shares the block
  string& operator=(string&& other) noexcept;
  string& operator=(const char* text);
  string& assign(const char* text);
  string& assign(const char* buffer, int length);
  // Empties the text, keeping an unshared block for the next assign.
  void clear();
  // Substring of a NUL-terminated text; a position past its end leaves this unchanged.
  string& assign(const char* text, int position, int count);

  string& append(const char* text);
  string& append(const char* buffer, int length);
  string& append(const char* text, int position, int count);
  string& append(const string& other, int position = 0, int count = npos);
  string& append(char c);
  string& operator+=(const char* text) { return append(text); }
  string& operator+=(const string& other) { return append(other); }
  string& operator+=(char c) { return append(c); }

  const char* c_str() const { return block_->text(); }
  int length() const { return static_cast<int>(block_->size) - 1; }
  bool empty() const { return block_->size <= 1; }
  // The text of `length` bytes at `text`, lowered by the ANSI code page's rules.
  static void lower_text(char* text, int length);
  // The same into `to` (`length` bytes, no NUL added), leaving `from` as it is.
  static void lower_copy(const char* from, char* to, int length);
  char operator[](int i) const { return c_str()[i]; }
  // The last byte, or NUL for an empty string.
  char back() const { return empty() ? '\0' : c_str()[length() - 1]; }

  // First occurrence at or after `from` that does not start on a trail byte; -1 if none.
  int find(const char* needle, int from = 0) const;
  int find(const string& needle, int from = 0) const { return find(needle.c_str(), from); }
  // Last occurrence starting before min(before, length) (-1: whole text); -1 if none.
  int rfind(const char* needle, int before = npos) const;
  int rfind(const string& needle, int before = npos) const { return rfind(needle.c_str(), before); }

  string substr(int position, int count = npos) const;
  string& erase(int position, int count = npos);
  // Writable buffer of at least `capacity` bytes plus the NUL, made unique first.
  char* buffer(int capacity);
  // After writing into buffer(): the new length (-1: up to the first NUL).
  void set_length(int length);
  int replace_all(const char* from, const char* to);
  // Lower-cases the whole text with the system's ANSI conversion (code page 932).
  string& lower();

  bool operator==(const string& other) const;
  bool operator==(const char* text) const;
  bool operator!=(const string& other) const { return !(*this == other); }
  bool operator!=(const char* text) const { return !(*this == text); }

  // For tests of the sharing: how many strings use this block (0 for the shared empty block).
  int use_count() const;

 private:
  struct block {
    std::int32_t count;
    std::uint32_t size;      // text length + 1
    std::uint32_t capacity;  // bytes for text + NUL
    char* text() { return reinterpret_cast<char*>(this + 1); }
  };
  static block* empty_block();
  static block* allocate(std::uint32_t capacity);
  void release();
  // Makes the block unique with room for `needed` bytes (text + NUL).
  void make_unique(std::uint32_t needed);

  block* block_;
};

string operator+(const string& left, const char* right);
string operator+(const string& left, const string& right);

// True when the byte at `position` is the second byte of a double-byte character.
bool is_trail_position(const char* text, int position);
// ASCII letters and '_'.
bool is_word_char(unsigned char c);
// True for a byte the system's code page (932) calls a lead byte.
bool is_lead_byte(unsigned char c);
// '0'..'9' to 0..9; anything else throws bad_lexical_cast(int, char).
int to_digit(char c);

// Horspool searches over bytes that reject matches starting on a trail byte.
// Offsets are into `text` of `length` bytes; -1 when there is none.
int sjis_find(const char* text, int length, const char* needle, int needle_length, int from);
int sjis_rfind(const char* text, int length, const char* needle, int needle_length, int before);

}  // namespace wklib

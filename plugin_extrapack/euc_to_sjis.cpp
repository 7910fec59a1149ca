#include "plugin_extrapack/euc_to_sjis.h"

namespace {

const unsigned char single_shift_2 = 0x8E;
const unsigned char single_shift_3 = 0x8F;

// The JIS X 0208 row and cell of an EUC pair (high bits dropped) in Shift_JIS.
// Bytes outside the set still give bytes, never a NUL.
void put_pair(unsigned char first, unsigned char second, char*& to) {
  const int row = (first & 0x7F) - 32;
  const int cell = (second & 0x7F) - 32;
  const int lead = (row + 1) / 2 + (row <= 62 ? 0x80 : 0xC0);
  int trail;
  if (row & 1) {
    trail = cell + 0x3F + (cell >= 64 ? 1 : 0);
  } else {
    trail = cell + 0x9E;
  }
  *to++ = static_cast<char>(lead & 0xFF);
  *to++ = static_cast<char>(trail & 0xFF);
}

}  // namespace

bool euc_to_sjis(const char* data, int length, wklib::string& out) {
  out.clear();
  const unsigned char* in = reinterpret_cast<const unsigned char*>(data);
  // No rule makes more bytes than it reads.
  char* const start = out.buffer(length > 0 ? length : 0);
  char* to = start;
  int i = 0;
  while (i < length) {
    const unsigned char c = in[i];
    if (c == '\r' || c == '\n') {
      *to++ = '\n';
      i += (c == '\r' && i + 1 < length && in[i + 1] == '\n') ? 2 : 1;
    } else if (c == 0) {
      ++i;
    } else if (c == single_shift_2) {
      // Before a line end or a NUL the shift goes alone, so that every line
      // still ends in LF and no NUL gets through.
      const bool kana = i + 1 < length && in[i + 1] != 0 && in[i + 1] != '\r' && in[i + 1] != '\n';
      if (kana) *to++ = static_cast<char>(in[i + 1]);
      i += kana ? 2 : 1;
    } else if (c == single_shift_3) {
      // A single shift at the very end, or before a lone first byte, ends the text.
      if (i + 2 < length) {
        put_pair(in[i + 1], in[i + 2], to);
      } else if (i + 2 == length && (in[i + 1] & 0x80)) {
        out.clear();
        return false;
      }
      i += 3;
    } else if (c & 0x80) {
      if (i + 1 >= length) {
        out.clear();
        return false;
      }
      put_pair(c, in[i + 1], to);
      i += 2;
    } else {
      *to++ = static_cast<char>(c);
      ++i;
    }
  }
  out.set_length(static_cast<int>(to - start));
  return true;
}

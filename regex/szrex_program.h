// The compiled node program of SzRex: a byte sequence of nodes ending with End.
// Each node starts with its kind byte; numbers are little-endian unless noted.
// Scratch slots are 4 bytes; the compiler writes 0 there and the matcher keeps
// the number of the node's scratch buffer in them.
#pragma once

#include <cstdint>

enum SzRexNode : unsigned char {
  SzRexNodeEnd = 0,
  SzRexNodeStringStart = 2,  // ^
  SzRexNodeLineEnd = 3,      // $
  SzRexNodeAnyChar = 4,      // .
  SzRexNodeLiteral = 5,      // length (1 byte), bytes
  SzRexNodeLongLiteral = 6,  // length (2 bytes), bytes
  SzRexNodeWord = 7,         // \w
  SzRexNodeWordStart = 8,    // \<
  SzRexNodeWordEnd = 9,      // \>
  SzRexNodeClass = 10,       // [...]: class body
  SzRexNodeNegClass = 11,    // [^...]: class body
  SzRexNodeAlt = 12,         // |
  SzRexNodeStar = 13,        // slot, atom, End
  SzRexNodePlus = 14,
  SzRexNodeOpt = 15,
  SzRexNodeCount = 16,    // slot, minimum (2), maximum (2), atom, End
  SzRexNodeDotStar = 17,  // .* not followed by ?
  SzRexNodeLazyStar = 18,
  SzRexNodeLazyPlus = 19,
  SzRexNodeLazyOpt = 20,
  SzRexNodeLazyCount = 21,  // never written by the compiler; read as a lazy Count
  SzRexNodeAhead = 22,      // (?=  alternatives, GroupEnd
  SzRexNodeNotAhead = 23,   // (?!
  SzRexNodeBehind = 24,     // (?<=
  SzRexNodeNotBehind = 25,  // (?<!  slot, alternatives, GroupEnd
  SzRexNodeGroup = 26,      // (
  SzRexNodeGroupEnd = 27,   // )
};

// Nodes that test one position of the subject by themselves ($, literals, \w,
// \<, \>, classes): a start filter can search for them directly.
inline bool SzRexIsFilterLeaf(unsigned char kind) {
  return kind == SzRexNodeLineEnd || kind == SzRexNodeLiteral || kind == SzRexNodeLongLiteral ||
         kind == SzRexNodeWord || kind == SzRexNodeWordStart || kind == SzRexNodeWordEnd ||
         kind == SzRexNodeClass || kind == SzRexNodeNegClass;
}

// The text of a Literal or LongLiteral node at `node`: its length, with *bytes
// pointing at it. The node's size is that length plus its header.
inline int SzRexLiteralText(const unsigned char* node, const unsigned char** bytes) {
  if (node[0] == SzRexNodeLiteral) {
    *bytes = node + 2;
    return node[1];
  }
  *bytes = node + 3;
  return node[1] | (node[2] << 8);
}

// Class body: smallest and largest single-byte member (1 byte each), smallest and
// largest double-byte member (2 bytes each, big-endian), items, then a 0 byte.
enum : unsigned char {
  SzRexClassSingleRange = 1,  // low, high (single-byte)
  SzRexClassMixedRange = 2,   // low (single-byte), high (2 bytes big-endian)
  SzRexClassDoubleRange = 3,  // low, high (2 bytes big-endian each)
};

// Paths and texts: splitting at a separator, normalising and comparing paths.
// Every scan steps over double-byte characters, so a trail byte 0x5C (the second
// byte of 表 or ソ) is never taken for a backslash.
#pragma once

#include <vector>

#include "support/string.h"

// The pieces of `text` between the separators, empty ones included: "a;b;" gives
// "a", "b" and ""; the empty text gives one empty piece.
std::vector<wklib::string> split_text(const wklib::string& text, char separator);

// Resolves "." and "..", drops empty pieces and joins the rest with "\", without
// a leading or trailing backslash: c:\tex\foo\..\bin\ gives c:\tex\bin. A ".."
// with nothing before it is kept (..\x stays ..\x).
wklib::string normalize_path(const wklib::string& path);

// True when both paths are non-empty and name the same place after
// normalize_path, compared without regard to case.
bool same_path(const wklib::string& first, const wklib::string& second);

// True when the last byte is a backslash of its own, not the second byte of a
// double-byte character (c:\表 ends in 0x95 0x5C and has no separator yet).
bool ends_with_backslash(const wklib::string& path);

// The decimal text of `value`.
wklib::string int_to_text(int value);

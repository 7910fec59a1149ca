// The texts and the bar position the downloader shows, from the URL, the bytes
// so far and the expected size (portable, no windows.h).
#pragma once

#include <cstdint>

#include "support/string.h"

// The bar's range is 0..progress_range.
const int progress_range = 32768;

// The last path segment of `url` (after its last "/"); empty for a URL ending in "/".
wklib::string current_file_name(const wklib::string& url);
// "ファイルのダウンロード中   ( n / count )" for the n-th file (from 1).
wklib::string download_caption(int n, int count);
// bytes ÷ expected × range, truncated; 0 when nothing is expected. Beyond the
// expected size it goes past the range (the bar shows it full).
int progress_position(std::uint32_t bytes, std::uint32_t expected);
// "<name> : <bytes>/<expected>".
wklib::string progress_status(const wklib::string& name, std::uint32_t bytes,
                              std::uint32_t expected);

#include "plugin_extrapack/package_page.h"

#include "support/pattern_search.h"

const char package_link_pattern[] =
    "<a href=\"\\fjsclasses-[0-9]*\\.zip\\f\">jsclasses-[0-9]*\\.zip</a>";

namespace {

const int scheme_length = 7;  // "http://"

}  // namespace

bool is_http_url(const wklib::string& url) {
  if (url.length() < scheme_length) return false;
  const char* scheme = "http://";
  for (int i = 0; i < scheme_length; ++i) {
    char c = url[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != scheme[i]) return false;
  }
  return true;
}

bool split_url(const wklib::string& url, wklib::string& host, wklib::string& object) {
  if (url.length() < scheme_length) return false;
  const int slash = url.find("/", scheme_length);
  if (slash <= scheme_length) return false;
  host = url.substr(scheme_length, slash - scheme_length);
  object = url.substr(slash);
  return true;
}

bool find_package_link(const wklib::string& page, wklib::string& file_name) {
  wklib::pattern_search finder;
  if (!finder.set_pattern(package_link_pattern) || !finder.search(page)) return false;
  file_name = finder.submatch(1);
  return true;
}

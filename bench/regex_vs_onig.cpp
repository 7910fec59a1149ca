// Throughput of our pattern search (SzRex under wklib::pattern_search, called the way the
// installer calls it) against Oniguruma (Shift_JIS, Perl syntax) on generated texts of the kinds
// the installer searches: an index page, whole and through the listing reader's sliding window,
// archive names, the W32TeX information file. Exit status 0 when both engines found the same
// matches in every scenario.
#include <oniguruma.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "support/pattern_search.h"

namespace {

const int small_mb = 1, large_mb = 10, repetitions = 3;

// A small deterministic generator, so that every run measures the same texts.
struct lcg {
  std::uint32_t state;
  int below(int n) {
    state = state * 1664525u + 1013904223u;
    return static_cast<int>((state >> 8) % static_cast<std::uint32_t>(n));
  }
};

// Archive names of the kind a W32TeX, dviout, GhostScript or GSview mirror lists.
std::string archive_name(lcg& r) {
  static const char* const tex_parts[] = {
      "latex",   "ptex-w32", "mftools", "pdftex-w32", "dvipsk-w32", "makeindex", "texinfo",
      "web2c",   "manual",   "uptex",   "omegaj",     "jtex",       "ttf2pk",    "dvipdfmx",
      "context", "metapost", "bibtex",  "xdvi",       "otfdevel",   "tex4ht",    "babel"};
  // Kinds 0 to 5 but 4 are numbered names; 4 is a TeX part with a build number, 6 to 9 a bare one.
  static const char* const numbered[] = {"texinst%d.zip", "tex%dw.zip",   "gs%dw32full.zip",
                                         "gsv%dw32.exe",  nullptr,        "gs%dw32full.zip.old"};
  static const int base[] = {2000, 300, 800, 40, 0, 800}, span[] = {12, 40, 80, 10, 0, 80};
  char buffer[64];
  const int kind = r.below(10);
  if (kind == 4)
    std::snprintf(buffer, sizeof buffer, "%s-%06d.tar.bz2", tex_parts[r.below(21)],
                  r.below(1000000));
  else if (kind < 6)
    std::snprintf(buffer, sizeof buffer, numbered[kind], base[kind] + r.below(span[kind]));
  else
    std::snprintf(buffer, sizeof buffer, "%s.tar.bz2", tex_parts[r.below(21)]);
  return buffer;
}

// A server-generated index page of about `bytes` bytes, one link a line in the forms servers
// give: Apache's table, its older <pre> form with tags in capitals, and nginx's plain form.
std::string index_page(std::size_t bytes) {
  static const char* const forms[] = {
      "<tr><td valign=\"top\"><img src=\"/icons/compressed.gif\" alt=\"[   ]\"></td><td><a "
      "href=\"%s\">%s</a></td><td align=\"right\">%s  </td><td align=\"right\">%dk</td></tr>\n",
      "<IMG SRC=\"/icons/compressed.gif\" ALT=\"[   ]\"> <A HREF=\"%s\">%s</A>      %s  %5dk\n",
      "<a href=\"%s\">%s</a>                    %s %12d\n"};
  lcg r{20080312};
  std::string page =
      "<html><head><title>Index of /pub/tex/w32tex</title></head>\n<body><h1>Index of "
      "/pub/tex/w32tex</h1>\n<table><tr><th><a href=\"?C=N;O=D\">Name</a></th>"
      "<th><a href=\"?C=M;O=A\">Last modified</a></th></tr>\n"
      "<tr><td><a href=\"/pub/tex/\">Parent Directory</a></td></tr>\n";
  while (page.size() < bytes) {
    const std::string name = archive_name(r);
    char date[64], line[512];  // room for any int, as the compiler counts
    std::snprintf(date, sizeof date, "%02d-%02d-%04d %02d:%02d", 1 + r.below(28), 1 + r.below(12),
                  2000 + r.below(9), r.below(24), r.below(60));
    const char* form = forms[r.below(3)];
    std::snprintf(line, sizeof line, form, name.c_str(), name.c_str(), date, r.below(90000));
    page += line;
  }
  return page +
         "</table>\n<address>Apache Server at ftp.example.jp Port 80</address>\n</body></html>\n";
}

// The information file: C source whose array lists the archives, one quoted name a line, amid
// comments and code lines without quotes.
std::vector<std::string> info_lines(int count) {
  lcg r{2006};
  std::vector<std::string> lines = {"/* texinst2008.c: archives of the W32TeX distribution */\n",
                                    "#include <stdio.h>\n", "\n", "char *fname[] = {\n"};
  while (static_cast<int>(lines.size()) < count - 8) {
    const int kind = r.below(12);
    const std::string name = archive_name(r);
    if (kind == 0)
      lines.push_back("/* ---- optional archives ---- */\n");
    else if (kind == 1)
      lines.push_back("  \"" + name + "\", \"" + archive_name(r) + "\",  /* two on a line */\n");
    else
      lines.push_back("  \"" + name + "\",\n");
  }
  lines.insert(lines.end(), {"  \"\",\n", "  NULL\n", "};\n", "\n", "int main(void)\n", "{\n",
                            "  printf(\"%s\\n\", fname[0]);\n", "}\n"});
  return lines;
}

// Where a match is, and its sub-match 1 (a link text, a quoted value) or else the whole match.
struct hit {
  int start = 0, length = 0, group_start = 0, group_length = 0;
};

// Ours as the installer calls it: a NUL-terminated text; a search at offset 0 starts, any other
// goes on with search_next after the last match.
struct szrex_engine {
  wklib::pattern_search finder;
  bool ok;
  szrex_engine(const char* pattern, bool fold_text) : ok(finder.set_pattern(pattern)) {
    if (fold_text) finder.set_option("CaseSense", 0);
  }
  bool find_from(const char* base, int /*length*/, int offset, hit* h) {
    if (!(offset == 0 ? finder.search(base) : finder.search_next())) return false;
    const int group = finder.segment_count() > 1 ? 1 : 0;
    *h = {finder.submatch_pos(0), finder.submatch(-1).length(), finder.submatch_pos(group),
          finder.submatch(group).length()};
    return true;
  }
};

// Oniguruma with the equivalent pattern: groups for `\f` segments, IGNORECASE for lowered text.
struct onig_engine {
  regex_t* regex = nullptr;
  OnigRegion* region = onig_region_new();
  bool ok;
  onig_engine(const char* pattern, bool ignore_case) {
    OnigErrorInfo info;
    const auto* p = reinterpret_cast<const OnigUChar*>(pattern);
    ok = onig_new(&regex, p, p + std::strlen(pattern),
                  ignore_case ? ONIG_OPTION_IGNORECASE : ONIG_OPTION_NONE, ONIG_ENCODING_SJIS,
                  ONIG_SYNTAX_PERL, &info) == ONIG_NORMAL;
  }
  ~onig_engine() {
    onig_region_free(region, 1);
    if (ok) onig_free(regex);
  }
  onig_engine(const onig_engine&) = delete;
  bool find_from(const char* base, int length, int offset, hit* h) {
    const auto* s = reinterpret_cast<const OnigUChar*>(base);
    if (onig_search(regex, s, s + length, s + offset, s + length, region, ONIG_OPTION_NONE) < 0)
      return false;
    const int group = region->num_regs > 1 ? 1 : 0;
    *h = {region->beg[0], region->end[0] - region->beg[0], region->beg[group],
          region->end[group] - region->beg[group]};
    return true;
  }
};

enum scan_mode {
  first_per_line,  // one search per line or name
  whole_page,      // every link of the page held whole, each search going on after the last match
  window_1024,  // the listing reader's window: 1024 bytes, started again behind a link, else slid
                // 256
};

// The sub-match texts found, one a line.
template <class Engine>
std::string scan(Engine& engine, const std::vector<std::string>& texts, scan_mode mode) {
  std::string found;
  hit h;
  std::string window;
  for (const std::string& text : texts) {
    const int size = static_cast<int>(text.size());
    if (mode != window_1024) {
      for (int at = 0; at < size && engine.find_from(text.c_str(), size, at, &h) && h.length;
           at = h.start + h.length) {
        found.append(text, h.group_start, h.group_length) += '\n';
        if (mode == first_per_line) break;
      }
    } else {
      for (std::size_t begin = 0; begin < text.size();) {
        window.assign(text, begin, 1024);
        if (engine.find_from(window.c_str(), static_cast<int>(window.size()), 0, &h) && h.length) {
          found.append(window, h.group_start, h.group_length) += '\n';
          begin += h.start + h.length;
        } else {
          begin = begin + window.size() >= text.size() ? text.size() : begin + 256;
        }
      }
    }
  }
  return found;
}

// This thread's CPU time: on a shared machine, wall-clock time measures the neighbours too.
double cpu_seconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// The CPU time per run, best of the repetitions (fewer once a run takes over 5 s); `rounds`
// runs are timed together when one is too short to time alone.
template <class Run>
double best_of(int rounds, std::string& found, const Run& run) {
  double best = 0;
  for (int i = 0; i < repetitions && best <= 5.0; ++i) {
    const double begin = cpu_seconds();
    for (int k = 0; k < rounds; ++k) found = run();
    const double s = (cpu_seconds() - begin) / rounds;
    if (i == 0 || s < best) best = s;
  }
  return best;
}

bool all_agreed = true;

// Both engines over the same texts, printing the figures and whether they agreed; answers
// the seconds of SzRex and Oniguruma. Links are searched regardless of case (some servers
// write their tags in capitals), names and lines as they are; short texts 20 times a timing.
std::vector<double> compare(const std::string& label, const std::vector<std::string>& texts,
                            const char* ours_pattern, const char* onig_pattern, scan_mode mode) {
  const bool links = mode != first_per_line;
  szrex_engine ours(ours_pattern, links);
  onig_engine onig(onig_pattern, links);
  if (!ours.ok || !onig.ok) {
    std::fprintf(stderr, "%s did not compile\n", ours_pattern);
    std::exit(2);
  }
  std::string found_a, found_b;
  const double a = best_of(links ? 1 : 20, found_a, [&] { return scan(ours, texts, mode); });
  const double b = best_of(links ? 1 : 20, found_b, [&] { return scan(onig, texts, mode); });
  const bool same = found_a == found_b;
  all_agreed = all_agreed && same;
  double mb = 0;
  for (const std::string& text : texts) mb += static_cast<double>(text.size()) / (1024.0 * 1024.0);
  const double rate_a = mb / a, rate_b = mb / b;
  const long matches = std::count(found_a.begin(), found_a.end(), '\n');
  std::printf(
      "%-36s %6.2f MB %6ld matches %s SzRex %10.3f ms %8.2f MB/s  Onig %8.3f ms "
      "%8.2f MB/s  Onig/SzRex %7.2f\n",
      label.c_str(), mb, matches, same ? "(same)   " : "(DIFFER!)", a * 1e3, rate_a, b * 1e3,
      rate_b, rate_b / rate_a);
  std::fflush(stdout);
  return {a, b};
}

// The links of an index page of `mb` MB, from the whole page or through the window.
std::vector<double> page_scenario(int mb, scan_mode mode) {
  const std::string size = " (" + std::to_string(mb) + " MB)";
  return compare((mode == whole_page ? "anchor, whole page" : "anchor, 1024-byte window") + size,
                 {index_page(static_cast<std::size_t>(mb) * 1024 * 1024)},
                 "<a href.*?>\\f.*?\\f</a>", "<a href.*?>(.*?)</a>", mode);
}

}  // namespace

int main() {
  OnigEncoding encodings[] = {ONIG_ENCODING_SJIS};
  onig_initialize(encodings, 1);
  // A scenario's two sizes run back to back, so that a change in the machine's speed is not growth.
  const std::vector<double> window[2] = {page_scenario(small_mb, window_1024),
                                         page_scenario(large_mb, window_1024)};
  lcg names_generator{4321};
  std::vector<std::string> names;
  for (int i = 0; i < 5000; ++i) names.push_back(archive_name(names_generator));
  for (const char* pattern :
       {"texinst[0-9]*\\.zip", "tex[0-9]*w\\.zip", "gs[0-9]*w32full\\.zip", "gsv[0-9]*w32\\.exe"})
    compare(std::string("names ") + pattern + " (5000)", names, pattern, pattern, first_per_line);
  compare("info file \"\\f.*?\\f\" (3000 lines)", info_lines(3000), "\"\\f.*?\\f\"", "\"(.*?)\"",
          first_per_line);
  const std::vector<double> whole[2] = {page_scenario(small_mb, whole_page),
                                        page_scenario(large_mb, whole_page)};
  const double factor = static_cast<double>(large_mb) / small_mb;
  std::printf("\ntime growth %d MB -> %d MB (input x%.1f; near-linear means at most x%.1f):\n",
              small_mb, large_mb, factor, factor * 1.2);
  const auto growth = [&](const char* what, const std::vector<double>* runs, int engine) {
    const double g = runs[1][engine] / runs[0][engine];
    std::printf("  %-24s x%6.2f%s\n", what, g, g > factor * 1.2 ? "  MORE THAN LINEAR" : "");
  };
  growth("SzRex, whole page", whole, 0);
  growth("SzRex, window", window, 0);
  growth("Oniguruma, whole page", whole, 1);
  growth("Oniguruma, window", window, 1);
  std::printf("%s\n", all_agreed ? "both engines found the same matches in every scenario"
                                 : "THE ENGINES DISAGREED");
  return all_agreed ? 0 : 1;
}

// Throughput of our pattern search (SzRex under wklib::pattern_search, used the way
// the installer uses it) against Oniguruma (Shift_JIS, Perl syntax) on the texts the
// installer searches: a server's index page read whole and through the listing
// reader's sliding window, an archive listing, and the W32TeX information file.
// Both engines run in the same process on the same generated texts, and every
// scenario checks that they find the same matches (count and a hash of the texts)
// before a figure is printed.
//
//   regex_vs_onig [small MB (1)] [large MB (10)] [repetitions (3)]
//                 [seconds per whole-page run (120)] [only scenarios whose label holds this]
//
// Exit status 0 when every scenario agreed, 1 on a disagreement, 2 on a usage or
// compile error.
#include <oniguruma.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "support/pattern_search.h"

namespace {

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
  static const struct {
    const char* format;
    int base, span;
  } numbered[] = {
      {"texinst%d.zip", 2000, 12}, {"tex%dw.zip", 300, 40}, {"gs%dw32full.zip", 800, 80},
      {"gsv%dw32.exe", 40, 10},    {nullptr, 0, 0},         {"gs%dw32full.zip.old", 800, 80}};
  char buffer[64];
  const int kind = r.below(10);
  if (kind < 6 && numbered[kind].format)
    std::snprintf(buffer, sizeof buffer, numbered[kind].format,
                  numbered[kind].base + r.below(numbered[kind].span));
  else if (kind == 4)
    std::snprintf(buffer, sizeof buffer, "%s-%06d.tar.bz2", tex_parts[r.below(21)],
                  r.below(1000000));
  else
    std::snprintf(buffer, sizeof buffer, "%s.tar.bz2", tex_parts[r.below(21)]);
  return buffer;
}

// A server-generated index page of about `bytes` bytes: Apache's table form, its
// older <pre> form with tags in capitals, and nginx's plain form, one link a line.
std::string index_page(std::size_t bytes) {
  lcg r{20080312};
  std::string page =
      "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 3.2 Final//EN\">\n<html>\n <head>\n"
      "  <title>Index of /pub/tex/w32tex</title>\n </head>\n <body>\n"
      "<h1>Index of /pub/tex/w32tex</h1>\n<table>\n"
      "<tr><th valign=\"top\"><img src=\"/icons/blank.gif\" alt=\"[ICO]\"></th>"
      "<th><a href=\"?C=N;O=D\">Name</a></th><th><a href=\"?C=M;O=A\">Last modified</a></th>"
      "<th><a href=\"?C=S;O=A\">Size</a></th></tr>\n"
      "<tr><td valign=\"top\"><img src=\"/icons/back.gif\" alt=\"[PARENTDIR]\"></td>"
      "<td><a href=\"/pub/tex/\">Parent Directory</a></td><td>&nbsp;</td>"
      "<td align=\"right\">  - </td></tr>\n";
  char line[512];
  while (page.size() < bytes) {
    const std::string name = archive_name(r);
    const char* n = name.c_str();
    const int day = 1 + r.below(28), month = 1 + r.below(12), year = 2000 + r.below(9);
    const int hour = r.below(24), minute = r.below(60);
    const int form = r.below(3);
    if (form == 0)
      std::snprintf(line, sizeof line,
                    "<tr><td valign=\"top\"><img src=\"/icons/compressed.gif\" alt=\"[   ]\">"
                    "</td><td><a href=\"%s\">%s</a></td><td align=\"right\">%04d-%02d-%02d "
                    "%02d:%02d  </td><td align=\"right\">%d.%dM</td><td>&nbsp;</td></tr>\n",
                    n, n, year, month, day, hour, minute, r.below(40), r.below(10));
    else if (form == 1)
      std::snprintf(line, sizeof line,
                    "<IMG SRC=\"/icons/compressed.gif\" ALT=\"[   ]\"> <A HREF=\"%s\">%s</A>"
                    "      %02d-%02d-%04d %02d:%02d  %5dk\n",
                    n, n, day, month, year, hour, minute, r.below(90000));
    else
      std::snprintf(line, sizeof line, "<a href=\"%s\">%s</a>%*s%02d-%02d-%04d %02d:%02d %12d\n", n,
                    n, 40 - static_cast<int>(name.size() % 40), "", day, month, year, hour, minute,
                    r.below(50000000));
    page += line;
  }
  return page +
         "</table>\n<address>Apache Server at ftp.example.jp Port 80</address>\n</body></html>\n";
}

// The information file: C source whose array lists the distribution's archives, one
// quoted name a line, amid comments and code lines without quotes.
std::vector<std::string> info_lines(int count) {
  lcg r{2006};
  std::vector<std::string> lines = {"/* texinst2008.c: archives of the W32TeX distribution */\n",
                                    "#include <stdio.h>\n", "\n", "char *fname[] = {\n"};
  char line[256];
  while (static_cast<int>(lines.size()) < count - 8) {
    const int kind = r.below(12);
    if (kind == 0) {
      lines.push_back("/* ---- optional archives ---- */\n");
      continue;
    }
    if (kind == 1)
      std::snprintf(line, sizeof line, "  \"%s\", \"%s\",  /* two on a line */\n",
                    archive_name(r).c_str(), archive_name(r).c_str());
    else
      std::snprintf(line, sizeof line, "  \"%s\",\n", archive_name(r).c_str());
    lines.push_back(line);
  }
  for (const char* tail : {"  \"\",\n", "  NULL\n", "};\n", "\n", "int main(void)\n", "{\n",
                           "  printf(\"%s\\n\", fname[0]);\n", "}\n"})
    lines.push_back(tail);
  return lines;
}

// What a scenario needs from a match: where it is and where its sub-match 1 (a link
// text, a quoted value) is, or the whole match when there is none.
struct hit {
  int start = 0, length = 0, group_start = 0, group_length = 0;
};

// Ours, through the pattern search object exactly as the installer calls it: the
// text is NUL-terminated, and a search at offset 0 of it starts, any other goes on
// with search_next after the last match.
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

// Oniguruma with the equivalent pattern: groups instead of `\f` segments, the
// IGNORECASE option instead of lowering the text.
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

// What a scenario found: how many matches and a hash of their sub-match texts.
struct tally {
  long count = 0;
  std::uint64_t hash = 1469598103934665603ull;
  void add(const char* text, int length) {
    ++count;
    for (int i = 0; i < length; ++i)
      hash = (hash ^ static_cast<unsigned char>(text[i])) * 1099511628211ull;
    hash = (hash ^ 0xFF) * 1099511628211ull;
  }
  bool operator==(const tally& o) const { return count == o.count && hash == o.hash; }
};

// The CPU time of this thread: on a machine shared with other work, wall-clock
// time would measure the neighbours as much as the engines.
double cpu_seconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

struct progress {
  bool complete = true;
  double fraction = 1.0;  // of the page examined when stopped at the deadline
};

// The whole page in memory, one search per link, each continuing after the last
// match in the same text, as a reader extracting every link would. Stops early (and
// says how far it got) when this thread's CPU time passes `deadline`.
template <class Engine>
tally links_whole(Engine& engine, const std::string& page, double deadline, progress* done) {
  tally t;
  const int total = static_cast<int>(page.size());
  hit h;
  for (int offset = 0;
       offset < total && engine.find_from(page.c_str(), total, offset, &h) && h.length;) {
    t.add(page.c_str() + h.group_start, h.group_length);
    offset = h.start + h.length;
    if ((t.count & 63) == 0 && cpu_seconds() > deadline) {
      *done = {false, static_cast<double>(offset) / total};
      break;
    }
  }
  return t;
}

// The listing reader's window: at most 1024 bytes of the page; after a link the
// window is cut behind it and filled up again, otherwise it slides on by 256 bytes.
template <class Engine>
tally links_window(Engine& engine, const std::string& page) {
  const int window_size = 1024, step = 256;
  tally t;
  std::string window;
  std::size_t read_at = 0;
  auto fill = [&](std::size_t up_to) {
    const std::size_t got = std::min(up_to - window.size(), page.size() - read_at);
    window.append(page, read_at, got);
    read_at += got;
  };
  for (fill(window_size);;) {
    hit h;
    if (engine.find_from(window.c_str(), static_cast<int>(window.size()), 0, &h) && h.length > 0) {
      t.add(window.c_str() + h.group_start, h.group_length);
      window.erase(0, h.start + h.length);
      fill(window_size);
    } else {
      if (read_at == page.size()) break;
      window.erase(0, std::min<std::size_t>(step, window.size()));
      fill(window.size() + step);
    }
  }
  return t;
}

// One search per line or name.
template <class Engine>
tally each_line(Engine& engine, const std::vector<std::string>& lines) {
  tally t;
  hit h;
  for (const std::string& line : lines)
    if (engine.find_from(line.c_str(), static_cast<int>(line.size()), 0, &h))
      t.add(line.c_str() + h.group_start, h.group_length);
  return t;
}

struct timing {
  double seconds = 0;  // CPU time per run, best of the repetitions
  tally found;
  progress done;
};

// Runs `run` `repetitions` times (fewer when one run takes more than 5 s, where the
// noise no longer matters) and keeps the best time; `rounds` runs are timed together
// when one is too short to time alone.
timing best_of(int repetitions, const std::function<tally(progress*)>& run, int rounds = 1) {
  timing result;
  for (int i = 0; i < repetitions; ++i) {
    progress done;
    const double begin = cpu_seconds();
    tally t;
    for (int k = 0; k < rounds; ++k) t = run(&done);
    const double s = (cpu_seconds() - begin) / rounds;
    if (i == 0 || s < result.seconds) result.seconds = s;
    result.found = t;
    result.done = done;
    if (s > 5.0 || !done.complete) break;
  }
  return result;
}

bool all_agreed = true;

void report(const char* scenario, double megabytes, const timing& ours, const timing& onig) {
  if (!ours.done.complete || !onig.done.complete) {
    const timing& cut = ours.done.complete ? onig : ours;
    std::printf(
        "%-36s %6.2f MB  %s stopped at its deadline after %.0f s, %.1f%% of the input "
        "examined (%ld matches)  Onig %9.3f ms %9.2f MB/s\n",
        scenario, megabytes, &cut == &ours ? "SzRex" : "Onig", cut.seconds, cut.done.fraction * 100,
        cut.found.count, onig.seconds * 1e3, megabytes / onig.seconds);
  } else {
    const bool same = ours.found == onig.found;
    all_agreed = all_agreed && same;
    const double ours_rate = megabytes / ours.seconds, onig_rate = megabytes / onig.seconds;
    std::printf(
        "%-36s %6.2f MB %6ld matches %s SzRex %10.3f ms %8.2f MB/s  Onig %8.3f ms "
        "%8.2f MB/s  Onig/SzRex %7.2f\n",
        scenario, megabytes, ours.found.count, same ? "(same)   " : "(DIFFER!)", ours.seconds * 1e3,
        ours_rate, onig.seconds * 1e3, onig_rate, onig_rate / ours_rate);
    if (!same)
      std::printf("  SzRex found %ld (hash %016llx), Oniguruma %ld (hash %016llx)\n",
                  ours.found.count, static_cast<unsigned long long>(ours.found.hash),
                  onig.found.count, static_cast<unsigned long long>(onig.found.hash));
  }
  std::fflush(stdout);
}

// The scenarios to run: those whose label contains this text (all when empty).
std::string only;
bool wanted(const std::string& label) {
  return only.empty() || label.find(only) != std::string::npos;
}

// Both engines on the same texts, `rounds` runs timed together; their timings into `out`.
template <class Run>
void compare(const std::string& label, double megabytes, const char* ours_pattern,
             const char* onig_pattern, bool fold, int repetitions, int ours_rounds, int onig_rounds,
             Run run, timing* out) {
  szrex_engine ours(ours_pattern, fold);
  onig_engine onig(onig_pattern, fold);
  if (!ours.ok || !onig.ok) {
    std::fprintf(stderr, "%s did not compile\n", ours_pattern);
    std::exit(2);
  }
  out[0] = best_of(
      repetitions, [&](progress* done) { return run(ours, done); }, ours_rounds);
  out[1] = best_of(
      repetitions, [&](progress* done) { return run(onig, done); }, onig_rounds);
  report(label.c_str(), megabytes, out[0], out[1]);
}

// The window scenario or the whole-page one over a page of `page_mb` MB.
void page_scenario(int page_mb, bool whole_page, int repetitions, double budget, timing* out) {
  const std::string label =
      std::string(whole_page ? "anchor, whole page (" : "anchor, 1024-byte window (") +
      std::to_string(page_mb) + " MB)";
  if (!wanted(label)) return;
  const std::string page = index_page(static_cast<std::size_t>(page_mb) * 1024 * 1024);
  compare(
      label, static_cast<double>(page.size()) / (1024.0 * 1024.0), "<a href.*?>\\f.*?\\f</a>",
      "<a href.*?>(.*?)</a>", true, repetitions, 1, 1,
      [&](auto& engine, progress* done) {
        return whole_page ? links_whole(engine, page, cpu_seconds() + budget, done)
                          : links_window(engine, page);
      },
      out);
}

double megabytes_of(const std::vector<std::string>& lines) {
  double n = 0;
  for (const std::string& l : lines) n += static_cast<double>(l.size());
  return n / (1024.0 * 1024.0);
}

}  // namespace

int main(int argc, char** argv) {
  const int small_mb = argc > 1 ? std::atoi(argv[1]) : 1;
  const int large_mb = argc > 2 ? std::atoi(argv[2]) : 10;
  const int repetitions = argc > 3 ? std::atoi(argv[3]) : 3;
  const double budget = argc > 4 ? std::atof(argv[4]) : 120;
  if (argc > 5) only = argv[5];
  if (small_mb <= 0 || large_mb <= 0 || repetitions <= 0 || budget <= 0) {
    std::fprintf(stderr,
                 "usage: regex_vs_onig [small MB (1)] [large MB (10)] [repetitions (3)] "
                 "[seconds per whole-page run (120)] [only scenarios whose label holds this]\n");
    return 2;
  }
  OnigEncoding encodings[] = {ONIG_ENCODING_SJIS};
  onig_initialize(encodings, 1);
  // The two sizes of a scenario run back to back, so that a change in the machine's
  // speed in between does not pass for growth.
  timing window[2][2], whole[2][2], scratch[2];  // [small, large][SzRex, Oniguruma]
  page_scenario(small_mb, false, repetitions, budget, window[0]);
  page_scenario(large_mb, false, repetitions, budget, window[1]);
  lcg names_generator{4321};
  std::vector<std::string> names;
  for (int i = 0; i < 5000; ++i) names.push_back(archive_name(names_generator));
  const auto lines_of = [](const std::vector<std::string>& lines) {
    return [&lines](auto& engine, progress*) { return each_line(engine, lines); };
  };
  for (const char* pattern :
       {"texinst[0-9]*\\.zip", "tex[0-9]*w\\.zip", "gs[0-9]*w32full\\.zip", "gsv[0-9]*w32\\.exe"}) {
    const std::string label = std::string("names ") + pattern + " (5000)";
    if (wanted(label))
      compare(label, megabytes_of(names), pattern, pattern, false, repetitions, 20, 20,
              lines_of(names), scratch);
  }
  const std::vector<std::string> lines = info_lines(3000);
  if (wanted("info file \"\\f.*?\\f\" (3000 lines)"))
    compare("info file \"\\f.*?\\f\" (3000 lines)", megabytes_of(lines), "\"\\f.*?\\f\"",
            "\"(.*?)\"", false, repetitions, 5, 20, lines_of(lines), scratch);
  page_scenario(small_mb, true, repetitions, budget, whole[0]);
  page_scenario(large_mb, true, repetitions, budget, whole[1]);
  const double factor = static_cast<double>(large_mb) / small_mb;
  std::printf("\ntime growth %d MB -> %d MB (input x%.1f; near-linear means at most x%.1f):\n",
              small_mb, large_mb, factor, factor * 1.2);
  const auto growth = [&](const char* what, const timing& a, const timing& b) {
    if (a.seconds <= 0 || b.seconds <= 0) return;
    const double g = b.seconds / a.seconds;
    if (!a.done.complete || !b.done.complete)
      std::printf("  %-24s more than x%.1f (stopped at the deadline)\n", what, g);
    else
      std::printf("  %-24s x%6.2f%s\n", what, g, g > factor * 1.2 ? "  MORE THAN LINEAR" : "");
  };
  growth("SzRex, whole page", whole[0][0], whole[1][0]);
  growth("SzRex, window", window[0][0], window[1][0]);
  growth("Oniguruma, whole page", whole[0][1], whole[1][1]);
  growth("Oniguruma, window", window[0][1], window[1][1]);
  std::printf("%s\n", all_agreed ? "both engines found the same matches in every scenario"
                                 : "THE ENGINES DISAGREED");
  return all_agreed ? 0 : 1;
}

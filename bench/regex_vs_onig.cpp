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

// Generated texts -------------------------------------------------------------

// A small deterministic generator, so that every run measures the same texts.
class lcg {
 public:
  explicit lcg(std::uint32_t seed) : state_(seed) {}
  std::uint32_t next() {
    state_ = state_ * 1664525u + 1013904223u;
    return state_ >> 8;
  }
  int below(int n) { return static_cast<int>(next() % static_cast<std::uint32_t>(n)); }

 private:
  std::uint32_t state_;
};

// Archive names of the kind a W32TeX, dviout, GhostScript or GSview mirror lists.
std::string archive_name(lcg& r) {
  static const char* const tex_parts[] = {
      "latex",   "ptex-w32", "mftools", "pdftex-w32", "dvipsk-w32", "makeindex", "texinfo",
      "web2c",   "manual",   "uptex",   "omegaj",     "jtex",       "ttf2pk",    "dvipdfmx",
      "context", "metapost", "bibtex",  "xdvi",       "otfdevel",   "tex4ht",    "babel"};
  char buffer[64];
  switch (r.below(10)) {
    case 0:
      std::snprintf(buffer, sizeof buffer, "texinst%d.zip", 2000 + r.below(12));
      break;
    case 1:
      std::snprintf(buffer, sizeof buffer, "tex%dw.zip", 300 + r.below(40));
      break;
    case 2:
      std::snprintf(buffer, sizeof buffer, "gs%dw32full.zip", 800 + r.below(80));
      break;
    case 3:
      std::snprintf(buffer, sizeof buffer, "gsv%dw32.exe", 40 + r.below(10));
      break;
    case 4:
      std::snprintf(buffer, sizeof buffer, "%s-%06d.tar.bz2", tex_parts[r.below(21)],
                    r.below(1000000));
      break;
    case 5:
      std::snprintf(buffer, sizeof buffer, "gs%dw32full.zip.old", 800 + r.below(80));
      break;
    default:
      std::snprintf(buffer, sizeof buffer, "%s.tar.bz2", tex_parts[r.below(21)]);
      break;
  }
  return buffer;
}

// A server-generated index page of about `bytes` bytes: Apache's table form, its
// older <pre> form with tags in capitals, and nginx's plain form, one link a line.
std::string index_page(std::size_t bytes) {
  lcg r(20080312);
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
    const int day = 1 + r.below(28), month = 1 + r.below(12), year = 2000 + r.below(9);
    const int hour = r.below(24), minute = r.below(60);
    switch (r.below(3)) {
      case 0:
        std::snprintf(line, sizeof line,
                      "<tr><td valign=\"top\"><img src=\"/icons/compressed.gif\" alt=\"[   ]\">"
                      "</td><td><a href=\"%s\">%s</a></td><td align=\"right\">%04d-%02d-%02d "
                      "%02d:%02d  </td><td align=\"right\">%d.%dM</td><td>&nbsp;</td></tr>\n",
                      name.c_str(), name.c_str(), year, month, day, hour, minute, r.below(40),
                      r.below(10));
        break;
      case 1:
        std::snprintf(line, sizeof line,
                      "<IMG SRC=\"/icons/compressed.gif\" ALT=\"[   ]\"> <A HREF=\"%s\">%s</A>"
                      "      %02d-%02d-%04d %02d:%02d  %5dk\n",
                      name.c_str(), name.c_str(), day, month, year, hour, minute, r.below(90000));
        break;
      default:
        std::snprintf(line, sizeof line, "<a href=\"%s\">%s</a>%*s%02d-%02d-%04d %02d:%02d %12d\n",
                      name.c_str(), name.c_str(), 40 - static_cast<int>(name.size() % 40), "", day,
                      month, year, hour, minute, r.below(50000000));
        break;
    }
    page += line;
  }
  page += "</table>\n<address>Apache Server at ftp.example.jp Port 80</address>\n</body></html>\n";
  return page;
}

std::vector<std::string> name_listing(int count) {
  lcg r(4321);
  std::vector<std::string> names;
  for (int i = 0; i < count; ++i) names.push_back(archive_name(r));
  return names;
}

// The information file: C source whose array lists the distribution's archives, one
// quoted name a line, amid comments and code lines without quotes.
std::vector<std::string> info_lines(int count) {
  lcg r(2006);
  std::vector<std::string> lines = {"/* texinst2008.c: archives of the W32TeX distribution */\n",
                                    "#include <stdio.h>\n", "\n", "char *fname[] = {\n"};
  char line[256];
  while (static_cast<int>(lines.size()) < count - 8) {
    switch (r.below(12)) {
      case 0:
        lines.push_back("/* ---- optional archives ---- */\n");
        break;
      case 1:
        std::snprintf(line, sizeof line, "  \"%s\", \"%s\",  /* two on a line */\n",
                      archive_name(r).c_str(), archive_name(r).c_str());
        lines.push_back(line);
        break;
      default:
        std::snprintf(line, sizeof line, "  \"%s\",\n", archive_name(r).c_str());
        lines.push_back(line);
        break;
    }
  }
  for (const char* tail : {"  \"\",\n", "  NULL\n", "};\n", "\n", "int main(void)\n", "{\n",
                           "  printf(\"%s\\n\", fname[0]);\n", "}\n"})
    lines.push_back(tail);
  return lines;
}

// Engines -----------------------------------------------------------------------

// What a scenario needs from a match: where it is and the text of its sub-match 1
// (a link text, a quoted value), or the whole match when there is none.
struct hit {
  int start = 0, length = 0;
  int group_start = 0, group_length = 0;
};

// Ours, through the pattern search object exactly as the installer calls it. The
// text is NUL-terminated; its length is not passed.
class szrex_engine {
 public:
  szrex_engine(const char* pattern, bool fold_text) {
    ok_ = finder_.set_pattern(pattern);
    if (fold_text) finder_.set_option("CaseSense", 0);
  }
  bool ok() const { return ok_; }
  // The next match in the whole text at `base`, from `offset` on, where the last match
  // ended: search_next after the first search (offset 0). Positions are relative to `base`.
  bool find_from(const char* base, int /*length*/, int offset, hit* h) {
    if (!(offset == 0 ? finder_.search(base) : finder_.search_next())) return false;
    return report(h);
  }

 private:
  bool report(hit* h) {
    const int group = finder_.segment_count() > 1 ? 1 : 0;
    h->start = finder_.submatch_pos(0);
    h->length = finder_.submatch(-1).length();
    h->group_start = finder_.submatch_pos(group);
    h->group_length = finder_.submatch(group).length();
    return true;
  }

  wklib::pattern_search finder_;
  bool ok_ = false;
};

// Oniguruma with the equivalent pattern: groups instead of `\f` segments, the
// IGNORECASE option instead of lowering the text.
class onig_engine {
 public:
  onig_engine(const char* pattern, bool ignore_case) {
    OnigErrorInfo info;
    const auto* p = reinterpret_cast<const OnigUChar*>(pattern);
    ok_ = onig_new(&regex_, p, p + std::strlen(pattern),
                   ignore_case ? ONIG_OPTION_IGNORECASE : ONIG_OPTION_NONE, ONIG_ENCODING_SJIS,
                   ONIG_SYNTAX_PERL, &info) == ONIG_NORMAL;
    region_ = onig_region_new();
  }
  ~onig_engine() {
    onig_region_free(region_, 1);
    if (ok_) onig_free(regex_);
  }
  onig_engine(const onig_engine&) = delete;
  onig_engine& operator=(const onig_engine&) = delete;
  bool ok() const { return ok_; }
  bool find_from(const char* base, int length, int offset, hit* h) {
    const auto* s = reinterpret_cast<const OnigUChar*>(base);
    const OnigUChar* end = s + length;
    return onig_search(regex_, s, end, s + offset, end, region_, ONIG_OPTION_NONE) >= 0 &&
           report(h);
  }

 private:
  bool report(hit* h) {
    const int group = region_->num_regs > 1 ? 1 : 0;
    h->start = region_->beg[0];
    h->length = region_->end[0] - region_->beg[0];
    h->group_start = region_->beg[group];
    h->group_length = region_->end[group] - region_->beg[group];
    return true;
  }

  regex_t* regex_ = nullptr;
  OnigRegion* region_ = nullptr;
  bool ok_ = false;
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

// Scenarios ---------------------------------------------------------------------

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
// match in the same text (our pattern search prepares the page once and goes on with
// search_next), as a reader extracting every link would. Stops early (and says how far it
// got) when this thread's CPU time passes `deadline`.
template <class Engine>
tally links_whole(Engine& engine, const std::string& page, double deadline, progress* done) {
  tally t;
  const char* base = page.c_str();
  const int total = static_cast<int>(page.size());
  int offset = 0;
  hit h;
  while (offset < total && engine.find_from(base, total, offset, &h)) {
    if (h.length == 0) break;
    t.add(base + h.group_start, h.group_length);
    offset = h.start + h.length;
    if ((t.count & 63) == 0 && cpu_seconds() > deadline) {
      done->complete = false;
      done->fraction = static_cast<double>(offset) / total;
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
  char window[window_size + 1];
  int length = 0;
  std::size_t read_at = 0;
  auto read = [&](char* into, int most) {
    const int got = static_cast<int>(std::min<std::size_t>(most, page.size() - read_at));
    std::memcpy(into, page.data() + read_at, got);
    read_at += got;
    return got;
  };
  length = read(window, window_size);
  window[length] = '\0';
  hit h;
  for (;;) {
    if (engine.find_from(window, length, 0, &h) && h.length > 0) {
      t.add(window + h.group_start, h.group_length);
      const int cut = h.start + h.length;
      std::memmove(window, window + cut, length - cut);
      length -= cut;
      length += read(window + length, window_size - length);
      window[length] = '\0';
    } else {
      char next[step];
      const int got = read(next, step);
      if (got == 0) break;
      const int drop = std::min(step, length);
      std::memmove(window, window + drop, length - drop);
      length -= drop;
      std::memcpy(window + length, next, got);
      length += got;
      window[length] = '\0';
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

// Timing ------------------------------------------------------------------------

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
    std::fflush(stdout);
    return;
  }
  const bool same = ours.found == onig.found;
  if (!same) all_agreed = false;
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
  std::fflush(stdout);
}

double megabytes_of(const std::vector<std::string>& lines) {
  double n = 0;
  for (const std::string& l : lines) n += static_cast<double>(l.size());
  return n / (1024.0 * 1024.0);
}

const char* const anchor_ours = "<a href.*?>\\f.*?\\f</a>";
const char* const anchor_onig = "<a href.*?>(.*?)</a>";

struct page_figures {
  timing whole_ours, whole_onig, window_ours, window_onig;
};

// The scenarios to run: those whose label contains this text (all when empty).
std::string only;
bool wanted(const char* label) { return only.empty() || std::strstr(label, only.c_str()); }

// The window scenario or the whole-page one over a page of `page_mb` MB, into `figures`.
void page_scenarios(int page_mb, bool whole_page, int repetitions, double budget_seconds,
                    page_figures* figures) {
  page_figures& f = *figures;
  char whole_label[64], window_label[64];
  std::snprintf(whole_label, sizeof whole_label, "anchor, whole page (%d MB)", page_mb);
  std::snprintf(window_label, sizeof window_label, "anchor, 1024-byte window (%d MB)", page_mb);
  if (!wanted(whole_page ? whole_label : window_label)) return;
  const std::string page = index_page(static_cast<std::size_t>(page_mb) * 1024 * 1024);
  const double mb = static_cast<double>(page.size()) / (1024.0 * 1024.0);
  szrex_engine ours(anchor_ours, true);
  onig_engine onig(anchor_onig, true);
  if (!ours.ok() || !onig.ok()) {
    std::fprintf(stderr, "the anchor pattern did not compile\n");
    std::exit(2);
  }
  if (whole_page) {
    const auto whole = [&](auto& engine) {
      return [&](progress* done) {
        const double deadline = cpu_seconds() + budget_seconds;
        return links_whole(engine, page, deadline, done);
      };
    };
    f.whole_ours = best_of(repetitions, whole(ours));
    f.whole_onig = best_of(repetitions, whole(onig));
    report(whole_label, mb, f.whole_ours, f.whole_onig);
  } else {
    f.window_ours = best_of(repetitions, [&](progress*) { return links_window(ours, page); });
    f.window_onig = best_of(repetitions, [&](progress*) { return links_window(onig, page); });
    report(window_label, mb, f.window_ours, f.window_onig);
  }
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
  page_figures small, large;
  page_scenarios(small_mb, false, repetitions, budget, &small);
  page_scenarios(large_mb, false, repetitions, budget, &large);

  const std::vector<std::string> names = name_listing(5000);
  const char* const archive_patterns[] = {"texinst[0-9]*\\.zip", "tex[0-9]*w\\.zip",
                                          "gs[0-9]*w32full\\.zip", "gsv[0-9]*w32\\.exe"};
  for (const char* pattern : archive_patterns) {
    const std::string label = std::string("names ") + pattern + " (5000)";
    if (!wanted(label.c_str())) continue;
    szrex_engine ours(pattern, false);
    onig_engine onig(pattern, false);
    if (!ours.ok() || !onig.ok()) return 2;
    const timing a = best_of(
        repetitions, [&](progress*) { return each_line(ours, names); }, 20);
    const timing b = best_of(
        repetitions, [&](progress*) { return each_line(onig, names); }, 20);
    report(label.c_str(), megabytes_of(names), a, b);
  }

  const std::vector<std::string> lines = info_lines(3000);
  const char* const info_label = "info file \"\\f.*?\\f\" (3000 lines)";
  if (wanted(info_label)) {
    szrex_engine ours("\"\\f.*?\\f\"", false);
    onig_engine onig("\"(.*?)\"", false);
    if (!ours.ok() || !onig.ok()) return 2;
    const timing a = best_of(
        repetitions, [&](progress*) { return each_line(ours, lines); }, 5);
    const timing b = best_of(
        repetitions, [&](progress*) { return each_line(onig, lines); }, 20);
    report(info_label, megabytes_of(lines), a, b);
  }

  page_scenarios(small_mb, true, repetitions, budget, &small);
  page_scenarios(large_mb, true, repetitions, budget, &large);
  const double factor = static_cast<double>(large_mb) / small_mb;
  std::printf("\ntime growth %d MB -> %d MB (input x%.1f; near-linear means at most x%.1f):\n",
              small_mb, large_mb, factor, factor * 1.2);
  auto growth = [&](const char* what, const timing& a, const timing& b) {
    if (a.seconds <= 0 || b.seconds <= 0) return;
    const double g = b.seconds / a.seconds;
    if (!a.done.complete || !b.done.complete)
      std::printf("  %-24s more than x%.1f (stopped at the deadline)\n", what, g);
    else
      std::printf("  %-24s x%6.2f%s\n", what, g, g > factor * 1.2 ? "  MORE THAN LINEAR" : "");
  };
  growth("SzRex, whole page", small.whole_ours, large.whole_ours);
  growth("SzRex, window", small.window_ours, large.window_ours);
  growth("Oniguruma, whole page", small.whole_onig, large.whole_onig);
  growth("Oniguruma, window", small.window_onig, large.window_onig);
  std::printf("%s\n", all_agreed ? "both engines found the same matches in every scenario"
                                 : "THE ENGINES DISAGREED");
  return all_agreed ? 0 : 1;
}

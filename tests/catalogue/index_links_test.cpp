// Reading link texts through the sliding window, from pages held in memory.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/catalogue/memory_page.h"

namespace {

std::string link(const std::string& href, const std::string& text) {
  return "<a href=\"" + href + "\">" + text + "</a>";
}

// `count` links with their texts numbered, each followed by `gap` spaces.
std::string links(int count, size_t gap) {
  std::string page;
  for (int i = 0; i < count; ++i)
    page += link("f.zip", "f" + std::to_string(i)) + std::string(gap, ' ');
  return page;
}
std::vector<std::string> numbered(int count) {
  std::vector<std::string> out;
  for (int i = 0; i < count; ++i) out.push_back("f" + std::to_string(i));
  return out;
}

// A link of 960 bytes at `start`, then a short one.
const std::string long_text = "lost" + std::string(960 - 19 - 4 - 4 - 4, '-') + ".zip";
std::string straddle_page(size_t start) {
  return std::string(start, 'x') + link("lost.zip", long_text) + link("kept.zip", "kept.zip") +
         "\n";
}

TEST(scan_index_links, pages) {
  const std::string many = links(100, 200);
  const struct {
    const char* what;
    std::string page;
    std::vector<std::string> names;
    int cap = 1 << 20;  // bytes per read at most
    int cancel_at = 0;  // the read during which Cancel is pressed
    long fail_at = -1;  // the offset from which reads fail
    listing_result result = listing_complete;
  } cases[] = {
      {"page order, duplicates kept, an empty link text names nothing",
       "<ul>\n<li>" + link("b.zip", "b.zip") + "</li>\n<li>" + link("a.zip", "a.zip") + "</li>" +
           link("icon.png", "") + link("b.zip", "b.zip") + "</ul>",
       {"b.zip", "a.zip", "b.zip"}},
      {"the link text, not the href, with its entities and tags",
       link("x%26y.zip", "x&amp;y.zip") + link("t.zip", "<b>t</b>.zip") +
           link("l.zip", "long-na..&gt;"),
       {"x&amp;y.zip", "<b>t</b>.zip", "long-na..&gt;"}},
      {"tags in capitals, texts keeping their case",
       "<A HREF=\"G.ZIP\">GS860W32FULL.ZIP</A>\n<a HREF=\"m.zip\">Mixed.Zip</A>\n"
       "<A Href=\"n.zip\">\x93\xfa\x96\x7b.zip</a>",
       {"GS860W32FULL.ZIP", "Mixed.Zip", "\x93\xfa\x96\x7b.zip"}},
      {"no links", "<html><body><p>Nothing.</p><p>a href without a tag</p></body></html>", {}},
      {"a link straddling the front of a full window is lost: it starts in the first "
       "256 bytes and ends beyond byte 1024",
       straddle_page(100),
       {"kept.zip"}},
      {"the same link after byte 256 fits the window after one slide",
       straddle_page(300),
       {long_text, "kept.zip"}},
      {"reads of 7 bytes: a link whose end has not arrived yet is found later", links(20, 3),
       numbered(20), 7},
      // The flag is looked at after each refill or slide, so the first window is still examined and
      // refilled.
      {"Cancel during the first read", many, {"f0"}, 1 << 20, 1, -1, listing_cancelled},
      {"Cancel during the third read", many, {"f0", "f1"}, 1 << 20, 3, -1, listing_cancelled},
      // A page cut by a failed read must not pass for a complete listing.
      {"a read failing part-way: the names found before it kept", many, numbered(16), 1 << 20, 0,
       4000, listing_failed},
      {"the first read failing", many, {}, 1 << 20, 0, 0, listing_failed},
  };
  for (const auto& c : cases) {
    memory_page page(c.page, c.cap);
    page.cancel_at_ = c.cancel_at;
    page.fail_at_ = c.fail_at;
    name_list names{wklib::string("earlier")};
    EXPECT_EQ(c.result, scan_index_links(page, c.cancel_at ? &page.cancel_ : nullptr, names))
        << c.what;
    std::vector<std::string> got;
    for (const wklib::string& name : names) got.emplace_back(name.c_str(), name.length());
    std::vector<std::string> expected{"earlier"};
    expected.insert(expected.end(), c.names.begin(), c.names.end());
    EXPECT_EQ(expected, got) << c.what;
    // No page is ever held whole: the window is filled once, then only topped up.
    EXPECT_EQ(1024, page.sizes_.front()) << c.what;
    EXPECT_LE(*std::max_element(page.sizes_.begin(), page.sizes_.end()), 1024) << c.what;
    if (c.result == listing_complete) {
      EXPECT_EQ(256, page.sizes_.back())
          << c.what << ": with no link in view the window slides by 256 bytes";
    }
  }
}

}  // namespace

// Reading link texts through the sliding window, from pages held in memory.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "catalogue/index_links.h"

namespace {

// Serves a page from memory, counting reads, remembering their sizes, and
// optionally setting a cancel flag after a number of reads or failing part-way.
class memory_page : public page_source {
 public:
  explicit memory_page(std::string text) : text_(std::move(text)) {}

  int read(char* buffer, int size) override {
    ++reads_;
    sizes_.push_back(size);
    if (cancel_after_ > 0 && reads_ >= cancel_after_) cancel_ = 1;
    if (fail_at_ >= 0 && position_ >= static_cast<size_t>(fail_at_)) {
      failed_ = true;
      return 0;
    }
    failed_ = false;
    const size_t n = std::min(static_cast<size_t>(size), text_.size() - position_);
    std::copy(text_.data() + position_, text_.data() + position_ + n, buffer);
    position_ += n;
    return static_cast<int>(n);
  }
  bool failed() const override { return failed_; }

  std::string text_;
  size_t position_ = 0;
  int reads_ = 0;
  std::vector<int> sizes_;
  int cancel_after_ = 0;
  volatile char cancel_ = 0;
  long fail_at_ = -1;
  bool failed_ = false;
};

std::vector<std::string> texts(const name_list& names) {
  std::vector<std::string> out;
  for (const wklib::string& name : names) out.emplace_back(name.c_str(), name.length());
  return out;
}

std::string link(const std::string& href, const std::string& text) {
  return "<a href=\"" + href + "\">" + text + "</a>";
}

// A link of 960 bytes at `start`, then a short one (as in the HTTP fixture).
std::string straddle_page(size_t start) {
  std::string page = "<html><body>";
  page.append(start - page.size(), 'x');
  const std::string head = "<a href=\"lost.zip\">";
  std::string text = "lost" + std::string(960 - head.size() - 4 - 4 - 4, '-') + ".zip";
  const std::string long_link = head + text + "</a>";
  EXPECT_EQ(960u, long_link.size());
  return page + long_link + link("kept.zip", "kept.zip") + "\n</body></html>\n";
}

TEST(scan_index_links, link_texts_in_page_order) {
  memory_page page("<html><ul>\n<li>" + link("b.zip", "b.zip") + "</li>\n<li>" +
                   link("a.zip", "a.zip") + "</li>\n<li>" + link("icon.png", "") +
                   link("b.zip", "b.zip") + "</li>\n</ul></html>\n");
  name_list names;
  EXPECT_EQ(listing_complete, scan_index_links(page, nullptr, names));
  EXPECT_EQ((std::vector<std::string>{"b.zip", "a.zip", "b.zip"}), texts(names))
      << "duplicates stay, order is the page's, an empty link text names nothing";
}

TEST(scan_index_links, gives_link_text_not_href_and_keeps_entities_and_tags) {
  memory_page page(link("x%26y.zip", "x&amp;y.zip") + link("t.zip", "<b>t</b>.zip") +
                   link("long-name.zip", "long-na..&gt;"));
  name_list names;
  EXPECT_EQ(listing_complete, scan_index_links(page, nullptr, names));
  EXPECT_EQ((std::vector<std::string>{"x&amp;y.zip", "<b>t</b>.zip", "long-na..&gt;"}),
            texts(names));
}

TEST(scan_index_links, tags_in_capitals_are_found_and_text_keeps_its_case) {
  memory_page page(
      "<A HREF=\"GS860W32FULL.ZIP\">GS860W32FULL.ZIP</A>\n"
      "<a HREF=\"m.zip\">Mixed.Zip</A>\n<A Href=\"n.zip\">\x93\xfa\x96\x7b.zip</a>");
  name_list names;
  EXPECT_EQ(listing_complete, scan_index_links(page, nullptr, names));
  EXPECT_EQ((std::vector<std::string>{"GS860W32FULL.ZIP", "Mixed.Zip", "\x93\xfa\x96\x7b.zip"}),
            texts(names));
}

TEST(scan_index_links, page_without_links_gives_nothing) {
  memory_page page("<html><body><p>Nothing here.</p><p>a href without a tag</p></body></html>");
  name_list names;
  EXPECT_EQ(listing_complete, scan_index_links(page, nullptr, names));
  EXPECT_TRUE(names.empty()) << names.size() << " names";

  memory_page empty("");
  EXPECT_EQ(listing_complete, scan_index_links(empty, nullptr, names));
  EXPECT_TRUE(names.empty());
}

TEST(scan_index_links, names_already_in_the_list_stay) {
  memory_page page(link("a.zip", "a.zip"));
  name_list names{wklib::string("earlier")};
  EXPECT_EQ(listing_complete, scan_index_links(page, nullptr, names));
  EXPECT_EQ((std::vector<std::string>{"earlier", "a.zip"}), texts(names));
}

TEST(scan_index_links, link_straddling_the_front_of_a_full_window_is_lost) {
  memory_page straddling(straddle_page(100));
  name_list names;
  EXPECT_EQ(listing_complete, scan_index_links(straddling, nullptr, names));
  EXPECT_EQ((std::vector<std::string>{"kept.zip"}), texts(names))
      << "the long link starts in the first 256 bytes and ends beyond byte 1024";

  // The same link starting after byte 256 fits the window after one slide.
  memory_page fitting(straddle_page(300));
  names.clear();
  EXPECT_EQ(listing_complete, scan_index_links(fitting, nullptr, names));
  ASSERT_EQ(2u, names.size());
  EXPECT_EQ(937, names[0].length()) << "the whole long link text";
  EXPECT_STREQ("kept.zip", names[1].c_str());
}

TEST(scan_index_links, reads_are_small_and_follow_the_window) {
  std::string page;
  for (int i = 0; i < 40; ++i) page += link("f.zip", "f" + std::to_string(i) + ".zip") + "\n";
  page += std::string(3000, 'x');
  memory_page source(page);
  name_list names;
  EXPECT_EQ(listing_complete, scan_index_links(source, nullptr, names));
  EXPECT_EQ(40u, names.size());
  ASSERT_FALSE(source.sizes_.empty());
  EXPECT_EQ(1024, source.sizes_[0]) << "the first read fills the window";
  for (size_t i = 1; i < source.sizes_.size(); ++i) {
    EXPECT_LE(source.sizes_[i], 1024) << "read " << i;
  }
  // After the last link the filler is read 256 bytes at a time.
  EXPECT_EQ(256, source.sizes_.back());
}

TEST(scan_index_links, cancel_is_seen_after_a_read) {
  std::string page;
  for (int i = 0; i < 100; ++i) page += link("f.zip", "f.zip") + std::string(200, ' ');
  memory_page source(page);
  source.cancel_after_ = 3;
  name_list names;
  EXPECT_EQ(listing_cancelled, scan_index_links(source, &source.cancel_, names));
  EXPECT_EQ(3, source.reads_) << "the flag is looked at after each read";
  EXPECT_LT(names.size(), 100u);

  // Set before the call: the first window is still examined once.
  memory_page again(page);
  again.cancel_ = 1;
  names.clear();
  EXPECT_EQ(listing_cancelled, scan_index_links(again, &again.cancel_, names));
  EXPECT_EQ(1u, names.size());
}

TEST(scan_index_links, failed_read_part_way_is_a_failure) {
  std::string page;
  for (int i = 0; i < 50; ++i) page += link("f.zip", "f.zip") + std::string(200, ' ');
  memory_page source(page);
  source.fail_at_ = 4000;
  name_list names;
  EXPECT_EQ(listing_failed, scan_index_links(source, nullptr, names))
      << "a page cut by a failed read must not pass for a complete listing";
  EXPECT_GT(names.size(), 0u) << "names before the failure are kept";

  memory_page at_once(page);
  at_once.fail_at_ = 0;
  names.clear();
  EXPECT_EQ(listing_failed, scan_index_links(at_once, nullptr, names));
  EXPECT_TRUE(names.empty());
}

TEST(scan_index_links, short_reads_do_not_lose_links) {
  // A source that hands out at most 7 bytes per read, as a slow network might.
  class trickle : public memory_page {
   public:
    using memory_page::memory_page;
    int read(char* buffer, int size) override {
      return memory_page::read(buffer, std::min(size, 7));
    }
  };
  std::string page;
  for (int i = 0; i < 20; ++i) page += "<li>" + link("f.zip", "n" + std::to_string(i)) + "</li>\n";
  trickle source(page);
  name_list names;
  EXPECT_EQ(listing_complete, scan_index_links(source, nullptr, names));
  EXPECT_EQ(20u, names.size()) << "a link whose end has not arrived yet is found later";
}

}  // namespace

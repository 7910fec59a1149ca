// The settings file and the log, against Wine's real profile functions and files.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "state/install_settings.h"
#include "state/mirror_lists.h"
#include "tests/common/scratch.h"

namespace {

void WINAPI fixed_clock(SYSTEMTIME* t) { *t = SYSTEMTIME{2010, 2, 3, 3, 1, 5, 0, 0}; }

// The first start writes exactly the seventeen keys of the defaults. (The file
// and the log beside the program are the end-to-end walk's to read.)
TEST(install_settings, paths_and_the_first_start) {
  scratch_directory dir("defaults");
  install_settings s((dir / "tamari3.exe").c_str(), fixed_clock);
  // The last "." counts, and "." in a directory name does not cut the path short.
  install_settings dotted("C:\\a.b\\prog.v2.exe", fixed_clock);
  EXPECT_STREQ("C:\\a.b\\prog.v2.ini", dotted.ini_path().c_str());
  EXPECT_FALSE(s.settings_file_exists());
  write_default_settings(s);
  EXPECT_TRUE(s.settings_file_exists());
  // Sections, and keys within them, stand in the order of their first writing.
  const std::vector<std::string> expected = {
      "[Dir]", "Hozon=c:\\download\\", "Install=c:\\tex\\",
      "[TeXURL]", "URL=ftp://" MIRROR_HOST_S1 "/pub/TeX/win32/", "IsUrlList=1",
      "[Reg]", "texinst=texinst[0-9]*\\.zip", "DVIOUT=tex[0-9]*w\\.zip", "GS=gs[0-9]*w32full\\.zip",
      "GV=gsv[0-9]*w32\\.exe",
      "[DVIOUTURL]", "URL=ftp://" MIRROR_HOST_S1 "/pub/TeX/dviout/current/", "IsUrlList=1",
      "[GSURL]", "URL=ftp://" MIRROR_HOST_S1 "/pub/TeX/win32-gs/", "IsUrlList=1",
      "[GVURL]", "URL=ftp://" MIRROR_HOST_S4 "/pub/tex/CTAN/support/ghostscript/ghostgum/",
      "IsUrlList=1",
      "[TeX]", "DLInst=1", "[Connect]", "DeleteCache=1", "UseNetwork=1",
  };
  std::vector<std::string> got;
  for (const std::string& line : read_lines(s.ini_path().c_str()))
    if (!line.empty()) got.push_back(line);
  EXPECT_EQ(expected, got);
}

// Every key read back from the file's text into its own field: two rounds with
// different values (flags inverted), then an empty file, which clears them all.
TEST(install_settings, load_reads_each_key_into_its_own_field_and_setters_write_it) {
  using is = install_settings;
  using reader = std::function<std::string(const is&)>;
  auto text = [](const wklib::string& (is::*get)() const) -> reader {
    return [get](const is& s) { return std::string((s.*get)().c_str()); };
  };
  auto flag = [](bool (is::*get)() const) -> reader {
    return [get](const is& s) { return std::string((s.*get)() ? "1" : "0"); };
  };
  const struct {
    const char *section, *name;
    reader read;
    char kind;  // t text, f flag, n number
  } keys[] = {
      {"Dir", "Hozon", text(&is::save_dir), 't'}, {"Dir", "Install", text(&is::install_dir), 't'},
      {"Dir", "DVIOUT", text(&is::dviout_dir), 't'}, {"Connect", "Proxy", text(&is::proxy), 't'},
      {"Connect", "Port", [](const is& s) { return std::to_string(s.port()); }, 'n'},
      {"Connect", "DeleteCache", flag(&is::delete_cache), 'f'},
      {"Connect", "UseNetwork", flag(&is::use_network), 'f'},
      {"TeX", "DLInst", flag(&is::install_downloaded), 'f'},
      {"TeXURL", "URL", text(&is::tex_url), 't'},
      {"TeXURL", "IsUrlList", flag(&is::tex_url_from_list), 'f'},
      {"DVIOUTURL", "URL", text(&is::dviout_url), 't'},
      {"DVIOUTURL", "IsUrlList", flag(&is::dviout_url_from_list), 'f'},
      {"GSURL", "URL", text(&is::gs_url), 't'},
      {"GSURL", "IsUrlList", flag(&is::gs_url_from_list), 'f'},
      {"GVURL", "URL", text(&is::gsview_url), 't'},
      {"GVURL", "IsUrlList", flag(&is::gsview_url_from_list), 'f'},
      {"Reg", "texinst", text(&is::tex_pattern), 't'},
      {"Reg", "DVIOUT", text(&is::dviout_pattern), 't'},
      {"Reg", "GS", text(&is::gs_pattern), 't'}, {"Reg", "GV", text(&is::gsview_pattern), 't'},
  };
  scratch_directory dir("load");
  install_settings s((dir / "tamari3.exe").c_str(), fixed_clock);
  for (int round = 0; round < 3; ++round) {
    std::vector<std::string> values;
    std::string file, section;
    for (const auto& k : keys) {
      const int i = static_cast<int>(values.size());
      std::string value = round == 2 ? (k.kind == 't' ? "" : "0")
                          : k.kind == 't'
                              ? std::string(k.name) + "表" + std::to_string(i * 10 + round)
                          : k.kind == 'n' ? std::to_string(8080 + round)
                                          : std::to_string((i + round) % 2);
      if (round == 1 && i == 0) value.resize(5000, 'h');  // values are cut at 4095 bytes
      values.push_back(value.substr(0, 4095));
      if (round == 2) continue;  // the empty file
      if (section != k.section) file += "[" + (section = k.section) + "]\r\n";
      file += std::string(k.name) + "=" + value + "\r\n";
    }
    ASSERT_TRUE(write_file(s.ini_path().c_str(), file));
    s.load_settings();
    for (size_t i = 0; i < values.size(); ++i)
      EXPECT_EQ(values[i], keys[i].read(s))
          << "round " << round << ": [" << keys[i].section << "] " << keys[i].name << " from:\n"
          << file.substr(0, 2000);
  }

  // The setters write the file only, and append a terminator to non-empty values;
  // 表 ends in the byte 0x5C, which is its trail byte, not a separator.
  s.set_save_dir("d:\\表");
  s.set_install_dir("d:\\表\\");
  s.set_tex_url("http://www.mirrors.example/pub");
  s.set_gs_url("");
  s.set_dviout_dir("d:\\dviout");  // stored as typed: no terminator for this key
  s.set_port(8080);
  EXPECT_STREQ("", s.save_dir().c_str()) << "a setter must not change the in-memory copy";
  s.load_settings();
  EXPECT_EQ("d:\\表\\|d:\\表\\|http://www.mirrors.example/pub/||d:\\dviout|8080",
            std::string(s.save_dir().c_str()) + "|" + s.install_dir().c_str() + "|" +
                s.tex_url().c_str() + "|" + s.gs_url().c_str() + "|" + s.dviout_dir().c_str() +
                "|" + std::to_string(s.port()));
}

TEST(install_settings, the_log_has_a_utc_header_per_run_and_whole_lines_from_threads) {
  scratch_directory dir("log");
  std::string log_path;
  {
    install_settings first((dir / "tamari3.exe").c_str(), fixed_clock);
    log_path = first.log_path().c_str();
    first.append_log("W32TeXのインストール開始");
    first.append_log("");
    first.append_log(wklib::string("終了"));
  }
  // Numbers without leading zeros; an empty line ends each run.
  const std::string header = "--------2010年2月3日1時5分に起動した時のログ ----------";
  EXPECT_EQ(header + "\r\nW32TeXのインストール開始\r\n\r\n終了\r\n\r\n", read_file(log_path));
  {
    install_settings second((dir / "tamari3.exe").c_str(), fixed_clock);
    auto many_lines = [&second](char letter) {
      for (int i = 0; i < 100; ++i) second.append_log(std::string(300, letter).c_str());
    };
    std::thread a(many_lines, 'a'), b(many_lines, 'b');
    a.join();
    b.join();
  }
  std::vector<std::string> lines = read_lines(log_path);
  ASSERT_EQ(5u + 202u, lines.size())
      << "the first run's five lines, the second's header, 200 lines, end";
  EXPECT_EQ(header, lines[5]) << "the second run starts with its own header";
  EXPECT_EQ("", lines.back());
  for (char letter : {'a', 'b'})
    EXPECT_EQ(100, std::count(lines.begin() + 6, lines.end() - 1, std::string(300, letter)))
        << "lines of 300 " << letter << ", whole";
}

}  // namespace

// The settings file and the log, against Wine's real profile functions and files.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "state/install_settings.h"
#include "state/mirror_lists.h"
#include "tests/common/scratch.h"

namespace {

void WINAPI fixed_clock(SYSTEMTIME* t) { *t = SYSTEMTIME{2010, 2, 3, 3, 1, 5, 0, 0}; }

TEST(install_settings, ini_and_log_sit_beside_the_program) {
  scratch_directory dir("paths");
  install_settings s((dir / "tamari3.exe").c_str(), fixed_clock);
  EXPECT_EQ(dir / "tamari3.ini|" + dir / "tamari3.log",
            std::string(s.ini_path().c_str()) + "|" + s.log_path().c_str());
  // The last "." counts, and "." in a directory name does not cut the path short.
  install_settings dotted("C:\\a.b\\prog.v2.exe", fixed_clock);
  EXPECT_STREQ("C:\\a.b\\prog.v2.ini", dotted.ini_path().c_str());
}

TEST(install_settings, first_start_writes_exactly_the_seventeen_keys) {
  scratch_directory dir("defaults");
  install_settings s((dir / "tamari3.exe").c_str(), fixed_clock);
  EXPECT_FALSE(s.settings_file_exists());
  write_default_settings(s);
  EXPECT_TRUE(s.settings_file_exists());
  // The profile functions group keys under their sections in order of first
  // writing; within a section the keys keep the order in which they were written.
  const std::vector<std::string> expected = {
      "[Dir]", "Hozon=c:\\download\\", "Install=c:\\tex\\",
      "[TeXURL]", "URL=ftp://" MIRROR_HOST_S1 "/pub/TeX/win32/", "IsUrlList=1",
      "[Reg]", "texinst=texinst[0-9]*\\.zip", "DVIOUT=tex[0-9]*w\\.zip", "GS=gs[0-9]*w32full\\.zip",
      "GV=gsv[0-9]*w32\\.exe",
      "[DVIOUTURL]", "URL=ftp://" MIRROR_HOST_S1 "/pub/TeX/dviout/current/", "IsUrlList=1",
      "[GSURL]", "URL=ftp://" MIRROR_HOST_S1 "/pub/TeX/win32-gs/", "IsUrlList=1",
      "[GVURL]", "URL=ftp://" MIRROR_HOST_S4 "/pub/tex/CTAN/support/ghostscript/ghostgum/",
      "IsUrlList=1",
      "[TeX]", "DLInst=1",
      "[Connect]", "DeleteCache=1", "UseNetwork=1",
  };
  std::vector<std::string> got;
  for (const std::string& line : read_lines(s.ini_path().c_str()))
    if (!line.empty()) got.push_back(line);
  EXPECT_EQ(expected, got);
}

// Every key read back from the file's text into its own field: two rounds with
// different values (flags inverted), then an empty file, which clears them all.
TEST(install_settings, load_reads_each_key_into_its_own_field) {
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
      {"Dir", "Hozon", text(&is::save_dir), 't'},
      {"Dir", "Install", text(&is::install_dir), 't'},
      {"Dir", "DVIOUT", text(&is::dviout_dir), 't'},
      {"Connect", "Proxy", text(&is::proxy), 't'},
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
      {"Reg", "GS", text(&is::gs_pattern), 't'},
      {"Reg", "GV", text(&is::gsview_pattern), 't'},
  };
  scratch_directory dir("load");
  install_settings s((dir / "tamari3.exe").c_str(), fixed_clock);
  for (int round = 0; round < 3; ++round) {
    std::vector<std::string> values;
    std::string file, section;
    for (const auto& k : keys) {
      const int i = static_cast<int>(values.size());
      values.push_back(round == 2 ? (k.kind == 't' ? "" : "0")
                       : k.kind == 't' ? std::string(k.name) + "表" + std::to_string(i * 10 + round)
                       : k.kind == 'n' ? std::to_string(8080 + round)
                                       : std::to_string((i + round) % 2));
      if (round == 2) continue;  // the empty file
      if (section != k.section) file += "[" + (section = k.section) + "]\r\n";
      file += std::string(k.name) + "=" + values.back() + "\r\n";
    }
    ASSERT_TRUE(write_file(s.ini_path().c_str(), file));
    s.load_settings();
    for (size_t i = 0; i < values.size(); ++i)
      EXPECT_EQ(values[i], keys[i].read(s))
          << "round " << round << ": [" << keys[i].section << "] " << keys[i].name << " from:\n" << file;
  }
}

TEST(install_settings, setters_append_a_terminator_to_non_empty_values_only) {
  scratch_directory dir("setters");
  install_settings s((dir / "tamari3.exe").c_str(), fixed_clock);
  s.set_save_dir("d:\\save");
  s.set_install_dir("d:\\tex\\");
  s.set_tex_url("http://www.mirrors.example/pub");
  s.set_gs_url("");
  s.set_dviout_dir("d:\\dviout");  // stored as typed: no terminator for this key
  s.set_port(8080);
  s.set_use_network(false);
  EXPECT_STREQ("", s.save_dir().c_str()) << "a setter must not change the in-memory copy";
  s.load_settings();
  auto all = [&] {
    return std::string(s.save_dir().c_str()) + "|" + s.install_dir().c_str() + "|" +
           s.tex_url().c_str() + "|" + s.gs_url().c_str() + "|" + s.dviout_dir().c_str() + "|" +
           std::to_string(s.port()) + "|" + std::to_string(s.use_network());
  };
  EXPECT_EQ("d:\\save\\|d:\\tex\\|http://www.mirrors.example/pub/||d:\\dviout|8080|0", all());
  std::string file = read_file(s.ini_path().c_str());
  EXPECT_NE(std::string::npos, file.find("Port=8080\r\n")) << "numbers in decimal: " << file;
  EXPECT_NE(std::string::npos, file.find("UseNetwork=0\r\n")) << file;
  // 表 ends in the byte 0x5C, which is its trail byte, not a separator.
  s.set_save_dir("d:\\表");
  s.set_install_dir("d:\\表\\");
  s.load_settings();
  EXPECT_EQ("d:\\表\\|d:\\表\\", std::string(s.save_dir().c_str()) + "|" + s.install_dir().c_str());
}

TEST(install_settings, values_are_cut_at_4095_bytes) {
  scratch_directory dir("long");
  install_settings s((dir / "tamari3.exe").c_str(), fixed_clock);
  std::string value;
  while (value.size() < 5000) value += static_cast<char>('a' + value.size() / 100 % 26);
  write_file(s.ini_path().c_str(), "[Dir]\r\nHozon=" + value + "\r\n");
  s.load_settings();
  EXPECT_EQ(value.substr(0, 4095), std::string(s.save_dir().c_str(), s.save_dir().length()));
}

install_settings* log_target;
DWORD WINAPI log_many_lines(void* letter) {
  const std::string line(300, static_cast<char>(reinterpret_cast<INT_PTR>(letter)));
  for (int i = 0; i < 100; ++i) log_target->append_log(line.c_str());
  return 0;
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
  // Numbers without leading zeros; Shift_JIS on disk (年 is 0x94 0x4E); an empty
  // line ends each run.
  const std::string header = "--------2010年2月3日1時5分に起動した時のログ ----------";
  EXPECT_EQ(header + "\r\nW32TeXのインストール開始\r\n\r\n終了\r\n\r\n", read_file(log_path));
  EXPECT_NE(std::string::npos, header.find("\x94\x4E"));
  {
    install_settings second((dir / "tamari3.exe").c_str(), fixed_clock);
    log_target = &second;
    HANDLE threads[2];
    for (int i = 0; i < 2; ++i)
      threads[i] = CreateThread(nullptr, 0, log_many_lines, reinterpret_cast<void*>('a' + i), 0, nullptr);
    ASSERT_TRUE(threads[0] && threads[1]);
    WaitForMultipleObjects(2, threads, TRUE, INFINITE);
    for (HANDLE thread : threads) CloseHandle(thread);
  }
  std::vector<std::string> lines = read_lines(log_path);
  ASSERT_EQ(5u + 202u, lines.size()) << "the first run's five lines, the second's header, 200 lines, end";
  EXPECT_EQ(header, lines[5]) << "the second run starts with its own header";
  EXPECT_EQ("", lines.back());
  int a = 0, b = 0;
  for (size_t i = 6; i + 1 < lines.size(); ++i) {
    a += lines[i] == std::string(300, 'a');
    b += lines[i] == std::string(300, 'b');
  }
  EXPECT_EQ(100, a) << "lines of 300 a, whole";
  EXPECT_EQ(100, b) << "lines of 300 b, whole";
}

TEST(install_settings, a_log_that_cannot_be_opened_loses_lines_silently) {
  scratch_directory dir("blocked");
  // A directory where the log file should be: every open fails.
  CreateDirectoryA((dir / "tamari3.log").c_str(), nullptr);
  install_settings s((dir / "tamari3.exe").c_str(), fixed_clock);
  s.append_log("lost");
  write_default_settings(s);
  s.load_settings();
  EXPECT_STREQ("c:\\tex\\", s.install_dir().c_str()) << "settings work without a log";
  EXPECT_TRUE(is_directory(dir / "tamari3.log"));
}

}  // namespace

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

void WINAPI clock_2010_02_03_0105(SYSTEMTIME* t) {
  *t = SYSTEMTIME{};
  t->wYear = 2010;
  t->wMonth = 2;
  t->wDay = 3;
  t->wHour = 1;
  t->wMinute = 5;
}

std::vector<std::string> non_empty(const std::vector<std::string>& lines) {
  std::vector<std::string> out;
  for (const std::string& l : lines)
    if (!l.empty()) out.push_back(l);
  return out;
}

}  // namespace

TEST(install_settings, ini_and_log_sit_beside_the_program) {
  scratch_directory dir("paths");
  // The last "." counts, and "." in a directory name does not cut the path short.
  install_settings s((dir.path() + "tamari3.exe").c_str(), clock_2010_02_03_0105);
  EXPECT_EQ(dir.path() + "tamari3.ini", s.ini_path().c_str());
  EXPECT_EQ(dir.path() + "tamari3.log", s.log_path().c_str());
  install_settings dotted("C:\\a.b\\prog.v2.exe", clock_2010_02_03_0105);
  EXPECT_STREQ("C:\\a.b\\prog.v2.ini", dotted.ini_path().c_str());
}

TEST(install_settings, first_start_writes_exactly_the_seventeen_keys) {
  scratch_directory dir("defaults");
  install_settings s((dir / "tamari3.exe").c_str(), clock_2010_02_03_0105);
  EXPECT_FALSE(s.settings_file_exists());
  write_default_settings(s);
  EXPECT_TRUE(s.settings_file_exists());

  // The profile functions group keys under their sections in order of first
  // writing; within a section the keys keep the order in which they were written.
  const std::vector<std::string> expected = {
      "[Dir]",
      "Hozon=c:\\download\\",
      "Install=c:\\tex\\",
      "[TeXURL]",
      "URL=ftp://" MIRROR_HOST_S1 "/pub/TeX/win32/",
      "IsUrlList=1",
      "[Reg]",
      "texinst=texinst[0-9]*\\.zip",
      "DVIOUT=tex[0-9]*w\\.zip",
      "GS=gs[0-9]*w32full\\.zip",
      "GV=gsv[0-9]*w32\\.exe",
      "[DVIOUTURL]",
      "URL=ftp://" MIRROR_HOST_S1 "/pub/TeX/dviout/current/",
      "IsUrlList=1",
      "[GSURL]",
      "URL=ftp://" MIRROR_HOST_S1 "/pub/TeX/win32-gs/",
      "IsUrlList=1",
      "[GVURL]",
      "URL=ftp://" MIRROR_HOST_S4 "/pub/tex/CTAN/support/ghostscript/ghostgum/",
      "IsUrlList=1",
      "[TeX]",
      "DLInst=1",
      "[Connect]",
      "DeleteCache=1",
      "UseNetwork=1",
  };
  std::vector<std::string> got = non_empty(read_lines(s.ini_path().c_str()));
  EXPECT_EQ(expected, got) << "file:\n" << read_file(s.ini_path().c_str());

}

// Every key read back from the file's text into its own field: two rounds with
// different values (flags inverted), then an empty file, which clears them all.
TEST(install_settings, load_reads_each_key_into_its_own_field) {
  typedef install_settings is;
  auto text = [](const wklib::string& (is::*get)() const) {
    return [get](const is& s) { return std::string((s.*get)().c_str()); };
  };
  auto flag = [](bool (is::*get)() const) {
    return [get](const is& s) { return std::string((s.*get)() ? "1" : "0"); };
  };
  struct key {
    const char* section;
    const char* name;
    std::function<std::string(const is&)> read;
    bool is_text;
  };
  const key keys[] = {
      {"Dir", "Hozon", text(&is::save_dir), true},
      {"Dir", "Install", text(&is::install_dir), true},
      {"Dir", "DVIOUT", text(&is::dviout_dir), true},
      {"Connect", "Proxy", text(&is::proxy), true},
      {"Connect", "Port", [](const is& s) { return std::to_string(s.port()); }, false},
      {"Connect", "DeleteCache", flag(&is::delete_cache), false},
      {"Connect", "UseNetwork", flag(&is::use_network), false},
      {"TeX", "DLInst", flag(&is::install_downloaded), false},
      {"TeXURL", "URL", text(&is::tex_url), true},
      {"TeXURL", "IsUrlList", flag(&is::tex_url_from_list), false},
      {"DVIOUTURL", "URL", text(&is::dviout_url), true},
      {"DVIOUTURL", "IsUrlList", flag(&is::dviout_url_from_list), false},
      {"GSURL", "URL", text(&is::gs_url), true},
      {"GSURL", "IsUrlList", flag(&is::gs_url_from_list), false},
      {"GVURL", "URL", text(&is::gsview_url), true},
      {"GVURL", "IsUrlList", flag(&is::gsview_url_from_list), false},
      {"Reg", "texinst", text(&is::tex_pattern), true},
      {"Reg", "DVIOUT", text(&is::dviout_pattern), true},
      {"Reg", "GS", text(&is::gs_pattern), true},
      {"Reg", "GV", text(&is::gsview_pattern), true},
  };
  scratch_directory dir("load");
  install_settings s((dir / "tamari3.exe").c_str(), clock_2010_02_03_0105);
  for (int round = 0; round < 3; ++round) {
    std::vector<std::string> values;
    std::string file, section;
    for (const key& k : keys) {
      const int i = static_cast<int>(values.size());
      std::string v = k.is_text ? std::string(k.name) + "表" + std::to_string(i * 10 + round)
                                : std::to_string((i + round) % 2);
      if (std::string(k.name) == "Port") v = std::to_string(8080 + round);
      if (round == 2) v = k.is_text ? "" : "0";
      values.push_back(v);
      if (round == 2) continue;  // the empty file
      if (section != k.section) file += "[" + (section = k.section) + "]\r\n";
      file += std::string(k.name) + "=" + v + "\r\n";
    }
    ASSERT_TRUE(write_file(s.ini_path().c_str(), file));
    s.load_settings();
    for (std::size_t i = 0; i < values.size(); ++i)
      EXPECT_EQ(values[i], keys[i].read(s)) << "round " << round << ": [" << keys[i].section
                                            << "] " << keys[i].name << " from:\n" << file;
  }
}

TEST(install_settings, terminators_are_appended_only_to_non_empty_values) {
  scratch_directory dir("setters");
  install_settings s((dir / "tamari3.exe").c_str(), clock_2010_02_03_0105);
  s.set_save_dir("d:\\save");
  s.set_install_dir("d:\\tex\\");
  s.set_tex_url("http://www.mirrors.example/pub");
  s.set_gs_url("");
  s.set_dviout_dir("d:\\dviout");  // stored as typed: no terminator for this key
  s.set_port(8080);
  s.set_use_network(false);
  EXPECT_STREQ("", s.save_dir().c_str()) << "a setter must not change the in-memory copy";
  s.load_settings();
  EXPECT_STREQ("d:\\save\\", s.save_dir().c_str());
  EXPECT_STREQ("d:\\tex\\", s.install_dir().c_str())
      << "an existing final backslash is kept, not doubled";
  EXPECT_STREQ("http://www.mirrors.example/pub/", s.tex_url().c_str());
  EXPECT_STREQ("", s.gs_url().c_str()) << "an empty value stays empty";
  EXPECT_STREQ("d:\\dviout", s.dviout_dir().c_str());
  EXPECT_EQ(8080, s.port());
  EXPECT_FALSE(s.use_network());
  std::string file = read_file(s.ini_path().c_str());
  EXPECT_NE(std::string::npos, file.find("Port=8080\r\n"))
      << "numbers are written in decimal: " << file;
  EXPECT_NE(std::string::npos, file.find("UseNetwork=0\r\n")) << file;

  // 表 ends in the byte 0x5C, which is its trail byte, not a separator.
  s.set_save_dir("d:\\表");
  s.set_install_dir("d:\\表\\");
  s.load_settings();
  EXPECT_STREQ("d:\\表\\", s.save_dir().c_str()) << "a separator is still needed after 表";
  EXPECT_STREQ("d:\\表\\", s.install_dir().c_str()) << "a real final separator is not doubled";
}

TEST(install_settings, values_are_cut_at_4095_bytes) {
  scratch_directory dir("long");
  install_settings s((dir / "tamari3.exe").c_str(), clock_2010_02_03_0105);
  std::string value(5000, 'x');
  for (size_t i = 0; i < value.size(); i += 100) value[i] = static_cast<char>('a' + (i / 100) % 26);
  write_file(s.ini_path().c_str(), "[Dir]\r\nHozon=" + value + "\r\n");
  s.load_settings();
  EXPECT_EQ(4095, s.save_dir().length());
  EXPECT_EQ(value.substr(0, 4095), s.save_dir().c_str());
}

TEST(install_settings, header_is_in_utc_numbers_without_leading_zeros) {
  scratch_directory dir("header");
  std::string log_path;
  {
    install_settings s((dir / "tamari3.exe").c_str(), clock_2010_02_03_0105);
    log_path = s.log_path().c_str();
    s.append_log("W32TeXのインストール開始");
    s.append_log("");
    s.append_log(wklib::string("終了"));
  }
  std::string expected =
      "--------2010年2月3日1時5分に起動した時のログ ----------\r\n"
      "W32TeXのインストール開始\r\n"
      "\r\n"
      "終了\r\n"
      "\r\n";  // the end marker written on destruction
  EXPECT_EQ(expected, read_file(log_path));
  // Shift_JIS on disk: 年 is 0x94 0x4E.
  EXPECT_NE(std::string::npos, read_file(log_path).find("\x94\x4E"));
}

struct log_job {
  install_settings* settings;
  char letter;
};

DWORD WINAPI log_many_lines(void* p) {
  log_job* job = static_cast<log_job*>(p);
  std::string line(300, job->letter);
  for (int i = 0; i < 100; ++i) job->settings->append_log(line.c_str());
  return 0;
}

TEST(install_settings, runs_accumulate_and_lines_from_threads_do_not_mix) {
  scratch_directory dir("threads");
  std::string log_path;
  {
    install_settings first((dir / "tamari3.exe").c_str(), clock_2010_02_03_0105);
    log_path = first.log_path().c_str();
  }
  {
    install_settings second((dir / "tamari3.exe").c_str(), clock_2010_02_03_0105);
    log_job jobs[2] = {{&second, 'a'}, {&second, 'b'}};
    HANDLE threads[2];
    for (int i = 0; i < 2; ++i)
      threads[i] = CreateThread(nullptr, 0, log_many_lines, &jobs[i], 0, nullptr);
    ASSERT_TRUE(threads[0] && threads[1]);
    WaitForMultipleObjects(2, threads, TRUE, INFINITE);
    CloseHandle(threads[0]);
    CloseHandle(threads[1]);
  }
  std::vector<std::string> lines = read_lines(log_path);
  ASSERT_EQ(2u + 2u + 200u, lines.size()) << "two headers, two end markers and 200 lines";
  EXPECT_EQ("", lines[1]) << "the first run ends with an empty line";
  EXPECT_EQ(lines[0], lines[2]) << "the second run starts with its own header";
  int a = 0, b = 0;
  for (size_t i = 3; i + 1 < lines.size(); ++i) {
    if (lines[i] == std::string(300, 'a'))
      ++a;
    else if (lines[i] == std::string(300, 'b'))
      ++b;
    else
      ADD_FAILURE() << "mixed line " << i << ": " << lines[i].substr(0, 40);
  }
  EXPECT_EQ(100, a);
  EXPECT_EQ(100, b);
  EXPECT_EQ("", lines.back());
}

TEST(install_settings, a_log_that_cannot_be_opened_loses_lines_silently) {
  scratch_directory dir("blocked");
  // A directory where the log file should be: every open fails.
  CreateDirectoryA((dir / "tamari3.log").c_str(), nullptr);
  {
    install_settings s((dir / "tamari3.exe").c_str(), clock_2010_02_03_0105);
    s.append_log("lost");
    write_default_settings(s);
    s.load_settings();
    EXPECT_STREQ("c:\\tex\\", s.install_dir().c_str()) << "settings work without a log";
  }
  DWORD attributes = GetFileAttributesA((dir / "tamari3.log").c_str());
  EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY));
}

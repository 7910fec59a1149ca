// install_w32tex with the tar.exe of the tests: command lines, the running
// text, the log, the field, and the copies of texinst's programs.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>

#include "install/w32tex.h"
#include "tests/install/step_fixture.h"

namespace {

// A gzip-compressed tar archive holding share/texmf/ok.txt.
void write_tar_gz(const std::string& path) {
  char header[512] = "share/texmf/ok.txt";
  std::snprintf(header + 100, 8, "%07o", 0644);
  std::snprintf(header + 124, 12, "%011o", 3);
  header[156] = '0';
  std::string tar = std::string(header, 512) + "tex" + std::string(509 + 1024, '\0');
  gzFile file = gzopen(path.c_str(), "wb");
  gzwrite(file, tar.data(), static_cast<unsigned>(tar.size()));
  gzclose(file);
}

TEST(install_w32tex, unpacks_each_archive_and_removes_the_copies) {
  struct {
    const char* what;
    std::vector<std::string> programs;  // in texinst\ (copies of tar.exe)
    std::vector<std::string> archives;  // in the save directory; sound: *.gz but bad*
    const char *cancel_after, *text;
    std::vector<std::string> log;
    const char* result;
    std::vector<std::string> tar_arguments;  // after "<tex>tar.exe" and a space
  } cases[] = {
      {"bz2 and a Japanese path", {"tar.exe", "gzip.exe"}, {"x.tar.BZ2", "表\\ソ.tar.gz"}, "",
       "W32TeXのインストール\r\nx.tar.BZ2を解凍……成功\r\nソ.tar.gzを解凍……成功\r\n",
       {"x.tar.BZ2のインストールに成功", "ソ.tar.gzのインストールに成功"}, "成功",
       {"jxvf \"<save>x.tar.BZ2\"", "zxvf \"<save>表/ソ.tar.gz\""}},
      {"the first fails", {"tar.exe"}, {"bad.tar.gz", "ok.tar.gz"}, "",
       "W32TeXのインストール\r\nbad.tar.gzを解凍……失敗\r\nok.tar.gzを解凍……成功\r\n失敗\r\n",
       {"bad.tar.gzのインストールに失敗", "ok.tar.gzのインストールに成功"}, "失敗",
       {"zxvf \"<save>bad.tar.gz\"", "zxvf \"<save>ok.tar.gz\""}},
      {"no texinst programs", {}, {"ok.tar.gz"}, "", "W32TeXのインストール\r\n失敗\r\n", {}, "失敗", {}},
      {"cancel while copying", {"tar.exe", "gzip.exe"}, {"ok.tar.gz"}, "W32TeXのインストール\r\n",
       "W32TeXのインストール\r\n", {}, "キャンセル", {}},
      {"cancel while unpacking", {"tar.exe"}, {"ok.tar.gz", "x.tar.bz2"}, "x.tar.bz2を解凍……",
       "W32TeXのインストール\r\nok.tar.gzを解凍……成功\r\nx.tar.bz2を解凍……失敗\r\n", {"ok.tar.gzのインストールに成功"}, "失敗",
       {"zxvf \"<save>ok.tar.gz\""}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    step_run run("w32tex");
    CreateDirectoryA((run.save() + "texinst").c_str(), nullptr);
    for (const std::string& program : c.programs)
      ASSERT_TRUE(CopyFileA(program_path(FIXTURE_TAR_PATH).c_str(),
                            (run.save() + "texinst\\" + program).c_str(), FALSE));
    for (const std::string& archive : c.archives) {
      std::string path = run.save() + archive;
      CreateDirectoryA(path.substr(0, path.rfind('\\')).c_str(), nullptr);
      if (archive.find("bad") != 0 && archive.back() == 'z')
        write_tar_gz(path);
      else
        write_file(path, "not gzip");
      run.state.w32tex_archives.push_back(path.c_str());
    }
    run.state.step_results.w32tex = "キャンセル";
    run.sink.cancel_after = c.cancel_after;
    bool installed = install_w32tex(run.context);
    EXPECT_EQ(c.text, run.sink.text);
    EXPECT_EQ(c.log, run.log());
    EXPECT_STREQ(c.result, run.state.step_results.w32tex.c_str());
    EXPECT_EQ(std::string(c.result) == "成功", installed);
    std::vector<std::string> expected;
    for (const std::string& arguments : c.tar_arguments)
      expected.push_back("tar|" + run.tex().substr(0, run.tex().size() - 1) + "|\"" + run.tex() +
                         "tar.exe\" " +
                         replaced(arguments, "<save>", replaced(run.save(), "\\", "/")));
    EXPECT_EQ(expected, run.commands());
    for (const std::string& program : c.programs)
      EXPECT_FALSE(exists(run.tex() + program)) << program << " expected to be deleted";
    if (installed) {
      EXPECT_EQ("tex", read_file(run.tex() + "share\\texmf\\ok.txt"));
    }
  }
}

}  // namespace

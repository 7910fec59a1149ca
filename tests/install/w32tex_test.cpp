// install_w32tex with the tar.exe of the tests: the running text, the log, the
// field, and the copies of texinst's programs. (The command lines themselves are
// install_text_test's.)
#include <gtest/gtest.h>
#include <zlib.h>

#include "install/w32tex.h"
#include "tests/install/step_fixture.h"

namespace {

// A gzip-compressed tar archive holding share/texmf/ok.txt.
void write_tar_gz(const std::string& path) {
  char header[512] = "share/texmf/ok.txt";
  std::snprintf(header + 124, 12, "%011o", 3);
  std::string tar = std::string(header, 512) + "tex" + std::string(509 + 1024, '\0');
  gzFile file = gzopen(path.c_str(), "wb");
  gzwrite(file, tar.data(), static_cast<unsigned>(tar.size()));
  gzclose(file);
}

// Copies of tar.exe as texinst's programs, and the archives to unpack: sound
// ones are *.gz but bad*.
std::function<void(step_run&)> given(std::vector<std::string> programs,
                                     std::vector<std::string> archives,
                                     const char* cancel_after = "") {
  return [=](step_run& run) {
    CreateDirectoryA((run.save() + "texinst").c_str(), nullptr);
    for (const std::string& program : programs)
      run.set_file("<save>texinst\\" + program, program_bytes(FIXTURE_TAR_PATH));
    for (const std::string& archive : archives) {
      run.set_file("<save>" + archive, "not gzip");
      if (archive.find("bad") != 0 && archive.back() == 'z') write_tar_gz(run.save() + archive);
      run.state.w32tex_archives.push_back((run.save() + archive).c_str());
    }
    run.sink.cancel_after = cancel_after;
  };
}

TEST(install_w32tex, unpacks_each_archive_and_removes_the_copies) {
  run_rows(install_w32tex, &step_results::w32tex, {
      {"bz2 and a Japanese path", given({"tar.exe", "gzip.exe"}, {"x.tar.BZ2", "表\\ソ.tar.gz"}),
       "W32TeXのインストール\r\nx.tar.BZ2を解凍……成功\r\nソ.tar.gzを解凍……成功\r\n",
       {"x.tar.BZ2のインストールに成功", "ソ.tar.gzのインストールに成功"}, "成功", true,
       {"no file <tex>tar.exe", "no file <tex>gzip.exe", "file <tex>share\\texmf\\ok.txt=tex"}},
      {"the first fails", given({"tar.exe"}, {"bad.tar.gz", "ok.tar.gz"}),
       "W32TeXのインストール\r\nbad.tar.gzを解凍……失敗\r\nok.tar.gzを解凍……成功\r\n失敗\r\n",
       {"bad.tar.gzのインストールに失敗", "ok.tar.gzのインストールに成功"}, "失敗", false,
       {"no file <tex>tar.exe"}},
      {"an empty texinst", given({}, {"ok.tar.gz"}), "W32TeXのインストール\r\n失敗\r\n", {}, "失敗",
       false, {}},
      {"cancel while copying", given({"tar.exe", "gzip.exe"}, {"ok.tar.gz"}, "W32TeXのインストール\r\n"),
       "W32TeXのインストール\r\n", {}, "キャンセル", false, {"no file <tex>tar.exe", "no file <tex>gzip.exe"}},
      {"cancel while unpacking", given({"tar.exe"}, {"ok.tar.gz", "x.tar.bz2"}, "x.tar.bz2を解凍……"),
       "W32TeXのインストール\r\nok.tar.gzを解凍……成功\r\nx.tar.bz2を解凍……失敗\r\n",
       {"ok.tar.gzのインストールに成功"}, "失敗", false, {"no file <tex>tar.exe"}},
  });
}

}  // namespace

// unzip_to_directory and unzip_with_progress on real files under Wine; the
// progress dialog 110 is driven from a second thread as a user would. Which
// names are refused, what is logged and how damage ends a run is the loop's
// (unzip_loop_test); here only what files on disk and the dialog add.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "archive/unzip.h"
#include "archive/unzip_dialog.h"
#include "archive/unzip_ids.h"
#include "tests/archive/zip_builder.h"
#include "tests/common/scratch.h"
#include "tests/ui_driver/ui_driver.h"

namespace {

// The corpus made by tools/make_zip_fixtures.py, as a path of the Wine side.
std::string fixture(const char* name) {
  std::string path = std::string("Z:") + ZIP_FIXTURE_DIR + "/" + name;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

long long file_size(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

HWND wait_for_unzip_dialog(DWORD ui_thread, const std::string& archive) {
  const std::string caption = archive + "を解凍……";
  return ui_driver::wait_for_window({"#32770", caption.c_str(), ui_thread});
}

std::vector<std::string> g_log;

// Shift_JIS names with 0x5C trail bytes are written where they belong and an
// existing longer file is replaced whole; a missing archive makes no directory;
// a file with bad data is deleted; a file held open is left as it was and the
// run goes on; each failure reaches the log hook.
TEST(unzip, silent_extraction_on_disk) {
  scratch_directory dir("unzip_silent");
  set_unzip_log([](const wklib::string& line) { g_log.push_back(line.c_str()); });
  zip_builder b;
  b.add("top.txt", "new top\r\n", 8).add("a/b/c.txt", "deep\r\n", 8);  // no entries for a, a/b
  b.add("ソ", "a file, not a directory", 0).add("表/ソ", "nested", 8).add("十/", "", 0);
  const std::string layout = dir / "layout.zip", dest = dir / "dest\\";
  ASSERT_TRUE(write_file(layout, b.build()) && CreateDirectoryA(dest.c_str(), nullptr));
  ASSERT_TRUE(write_file(dest + "top.txt", std::string(5000, 'o')));
  EXPECT_TRUE(unzip_to_directory(layout.c_str(), dest.c_str()));
  EXPECT_EQ("new top\r\n", read_file(dest + "top.txt"));
  EXPECT_EQ("deep\r\n", read_file(dest + "a\\b\\c.txt"));
  EXPECT_EQ("a file, not a directory", read_file(dest + "ソ")) << "ソ ends in 0x5C but is a file";
  EXPECT_EQ("nested", read_file(dest + "表\\ソ"));
  EXPECT_TRUE(is_directory(dest + "十")) << "十/ is a directory entry (0x8F 0x5C then /)";

  const std::string missing = dir / "missing\\";
  EXPECT_FALSE(unzip_to_directory((dir / "missing.zip").c_str(), missing.c_str()));
  EXPECT_FALSE(exists(missing)) << "expected nothing to be created for a missing archive";

  EXPECT_FALSE(unzip_to_directory(fixture("crc_error.zip").c_str(), dest.c_str()));
  EXPECT_EQ("plain stored text\r\n", read_file(dest + "readme.txt"));
  EXPECT_FALSE(exists(dest + "texmf\\tex\\platex\\base\\jarticle.cls"))
      << "expected the entry with the bad CRC to be deleted";

  // Held open without sharing, as a running program holds its own file.
  HANDLE held = CreateFileA((dest + "top.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, held);
  const std::string locked = dir / "locked.zip";
  ASSERT_TRUE(write_file(locked, zip_builder().add("top.txt", "newer").add("next.txt", "next").build()));
  EXPECT_FALSE(unzip_to_directory(locked.c_str(), dest.c_str()));
  CloseHandle(held);
  EXPECT_EQ("new top\r\n", read_file(dest + "top.txt"));
  EXPECT_EQ("next", read_file(dest + "next.txt")) << "expected the run to go on";
  set_unzip_log(nullptr);
  ASSERT_EQ(2u, g_log.size()) << "expected the bad entry and the locked file logged";
  EXPECT_EQ(locked + "のtop.txtを書き出せない．", g_log.back());
}

// Dialog 110 shows each file as it is written; キャンセル (and the close box)
// stop after the block being written: the partial file stays, nothing after it
// is written. The destination ends in ソ (0x83 0x5C) and still gets its backslash.
TEST(unzip, progress_dialog_shows_each_file_and_cancel_stops_it) {
  for (int way = 0; way < 2; ++way) {
    SCOPED_TRACE(way == 0 ? "キャンセル" : "close box");
    scratch_directory dir(way == 0 ? "unzip_cancel" : "unzip_closebox");
    const std::string dest = dir / "ソ", big = dest + "\\big.bin", archive = fixture("cancel.zip");
    bool result = true;
    long long size_at_press = -1;
    const bool closed = ui_driver::run_modal(
        [&] { result = unzip_with_progress(nullptr, archive.c_str(), dest.c_str()); },
        [&](DWORD ui_thread) {
          HWND dialog = wait_for_unzip_dialog(ui_thread, archive);
          ASSERT_TRUE(dialog) << "dialog 110 did not appear with the caption " << archive << "を解凍……";
          HWND edit = ui_driver::item(dialog, IDC_UNZIP_PATH);
          ASSERT_TRUE(edit);
          EXPECT_TRUE(GetWindowLongA(edit, GWL_STYLE) & ES_READONLY) << "expected a read-only field";
          EXPECT_TRUE(ui_driver::wait_until([&] { return file_size(big) > 0; }))
              << "big.bin was never started";
          EXPECT_EQ(big, ui_driver::item_text(dialog, IDC_UNZIP_PATH));
          if (way == 0) ui_driver::save_screenshot("unzip_110", dialog);
          size_at_press = file_size(big);
          if (way == 0) {
            EXPECT_TRUE(ui_driver::press(dialog, IDCANCEL));
          } else {
            ui_driver::close(dialog);
          }
          EXPECT_TRUE(ui_driver::wait_until_gone(dialog, 60000));
        },
        60000);
    EXPECT_TRUE(closed) << "the dialog had to be closed by force";
    EXPECT_FALSE(result) << "expected false after cancel";
    const long long size = file_size(big);
    EXPECT_GE(size, size_at_press) << "expected the partial file to stay";
    EXPECT_LT(size, 256LL << 20) << "expected the file to be cut short";
    EXPECT_EQ("first\r\n", read_file(dest + "\\first.txt"));
    EXPECT_FALSE(exists(dest + "\\last.txt")) << "nothing after the cancel";
  }
}

// The worker cannot be started, for as long as it lives.
struct no_worker_thread {
  wklib::thread_starter saved = wklib::start_worker_thread;
  no_worker_thread() {
    wklib::start_worker_thread = [](unsigned(__stdcall*)(void*), void*) -> HANDLE { return nullptr; };
  }
  ~no_worker_thread() { wklib::start_worker_thread = saved; }
};

// The dialog closes by itself with false at once when the worker cannot start.
TEST(unzip, progress_ends_by_itself_without_a_worker) {
  scratch_directory dir("unzip_progress_end");
  const std::string dest = dir / "dest\\";
  no_worker_thread no_worker;
  bool result = true;
  const DWORD started = GetTickCount();
  EXPECT_TRUE(ui_driver::run_modal(
      [&] { result = unzip_with_progress(nullptr, fixture("sjis.zip").c_str(), dest.c_str()); },
      [](DWORD) {}, 60000))
      << "expected the dialog to close by itself";
  EXPECT_FALSE(result);
  EXPECT_FALSE(exists(dest));
  EXPECT_LT(GetTickCount() - started, 20000u);
}

}  // namespace

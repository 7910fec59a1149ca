// unzip_to_directory and unzip_with_progress on real files under Wine; the
// progress dialog 110 is driven from a second thread as a user would.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "archive/unzip.h"
#include "archive/unzip_dialog.h"
#include "archive/unzip_ids.h"
#include "tests/archive/zip_builder.h"
#include "tests/common/scratch.h"
#include "tests/ui_driver/ui_driver.h"

namespace {

std::mutex g_log_lock;
std::vector<std::string> g_log;

void collect_log(const wklib::string& line) {
  std::lock_guard<std::mutex> hold(g_log_lock);
  g_log.push_back(line.c_str());
}

std::vector<std::string> take_log() {
  std::lock_guard<std::mutex> hold(g_log_lock);
  std::vector<std::string> lines;
  lines.swap(g_log);
  return lines;
}

// The corpus made by tools/make_zip_fixtures.py, as a path of the Wine side.
std::string fixture(const char* name) {
  std::string path = std::string("Z:") + ZIP_FIXTURE_DIR + "/" + name;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

long long file_size(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// An archive with the shapes both routines must handle, written into `dir`.
std::string write_layout_archive(const scratch_directory& dir, const std::string& big) {
  zip_builder b;
  b.add("top.txt", "new top\r\n", 8);
  b.add("a/b/c.txt", "deep\r\n", 8);  // no directory entries for a and a/b
  b.add("ソ", "a file, not a directory", 0);
  b.add("表/ソ", "nested", 8);
  b.add("十/", "", 0);
  b.add("empty/", "", 0);
  b.add("big/data.bin", big, 8);
  const std::string path = dir / "layout.zip";
  EXPECT_TRUE(write_file(path, b.build()));
  return path;
}

void expect_layout(const std::string& dest, const std::string& big) {
  EXPECT_EQ("new top\r\n", read_file(dest + "top.txt"));
  EXPECT_TRUE(is_directory(dest + "a")) << "expected a\\ to be created";
  EXPECT_TRUE(is_directory(dest + "a\\b"));
  EXPECT_EQ("deep\r\n", read_file(dest + "a\\b\\c.txt"));
  EXPECT_FALSE(is_directory(dest + "ソ")) << "ソ ends in 0x5C but is a file";
  EXPECT_EQ("a file, not a directory", read_file(dest + "ソ"));
  EXPECT_TRUE(is_directory(dest + "表"));
  EXPECT_EQ("nested", read_file(dest + "表\\ソ"));
  EXPECT_TRUE(is_directory(dest + "十")) << "十/ is a directory entry (0x8F 0x5C then /)";
  EXPECT_TRUE(is_directory(dest + "empty"));
  EXPECT_EQ(static_cast<long long>(big.size()), file_size(dest + "big\\data.bin"));
  EXPECT_TRUE(read_file(dest + "big\\data.bin") == big);
}

class unzip : public ::testing::Test {
 protected:
  void SetUp() override {
    set_unzip_log(collect_log);
    take_log();
  }
  void TearDown() override { set_unzip_log(nullptr); }
};

// Refusals and damage are the loop's (unzip_loop_test), the layout on disk the
// progress test's; here only what the silent call adds: true for a whole archive,
// a missing archive makes no directory, and the bad file is deleted.
TEST_F(unzip, silent_whole_missing_and_damaged) {
  scratch_directory dir("unzip_damaged");
  EXPECT_TRUE(unzip_to_directory(fixture("sjis.zip").c_str(), (dir / "whole\\").c_str()));
  EXPECT_TRUE(is_directory(dir / "whole\\表"));
  const std::string dest = dir / "dest\\";
  EXPECT_FALSE(unzip_to_directory((dir / "missing.zip").c_str(), dest.c_str()));
  EXPECT_FALSE(exists(dest)) << "expected nothing to be created for a missing archive";

  EXPECT_FALSE(unzip_to_directory(fixture("crc_error.zip").c_str(), dest.c_str()));
  EXPECT_EQ("plain stored text\r\n", read_file(dest + "readme.txt"));
  EXPECT_FALSE(exists(dest + "texmf\\tex\\platex\\base\\jarticle.cls"))
      << "expected the entry with the bad CRC to be deleted";
  EXPECT_EQ(1u, take_log().size());
}

TEST_F(unzip, a_file_held_open_is_reported_and_the_run_goes_on) {
  scratch_directory dir("unzip_locked");
  const std::string dest = dir / "dest\\";
  ASSERT_TRUE(CreateDirectoryA(dest.c_str(), nullptr));
  ASSERT_TRUE(write_file(dest + "locked.txt", "old"));
  // Held open without sharing, as a running program holds its own file.
  HANDLE held = CreateFileA((dest + "locked.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, held);
  zip_builder b;
  b.add("locked.txt", "new").add("next.txt", "next");
  const std::string archive = dir / "locked.zip";
  ASSERT_TRUE(write_file(archive, b.build()));
  EXPECT_FALSE(unzip_to_directory(archive.c_str(), dest.c_str()));
  CloseHandle(held);
  EXPECT_EQ("old", read_file(dest + "locked.txt"));
  EXPECT_EQ("next", read_file(dest + "next.txt")) << "expected the run to go on";
  const std::vector<std::string> log = take_log();
  ASSERT_EQ(1u, log.size());
  EXPECT_EQ(archive + "のlocked.txtを書き出せない．", log[0]);
}

// ---- unzip_with_progress and dialog 110 ----

HWND wait_for_unzip_dialog(DWORD ui_thread, const std::string& archive) {
  ui_driver::window_query query;
  query.caption = nullptr;
  query.thread_id = ui_thread;
  const std::string caption = archive + "を解凍……";
  query.caption = caption.c_str();
  return ui_driver::wait_for_window(query);
}

TEST_F(unzip, progress_dialog_shows_each_file_and_unpacks_all) {
  scratch_directory dir("unzip_progress");
  // Large enough that the dialog is still there while the driver looks.
  const std::string big = mixed_bytes(12 << 20, 2);
  const std::string archive = write_layout_archive(dir, big);
  const std::string dest = dir / "dest";  // no trailing backslash: one is appended
  ASSERT_TRUE(CreateDirectoryA(dest.c_str(), nullptr));
  // An existing file, longer than the new one, is replaced whole.
  ASSERT_TRUE(write_file(dest + "\\top.txt", std::string(5000, 'o')));
  bool result = false;
  std::string shown;
  bool closed = ui_driver::run_modal(
      [&] { result = unzip_with_progress(nullptr, archive.c_str(), dest.c_str()); },
      [&](DWORD ui_thread) {
        HWND dialog = wait_for_unzip_dialog(ui_thread, archive);
        ASSERT_TRUE(dialog) << "dialog 110 did not appear with the caption " << archive
                            << "を解凍……";
        EXPECT_EQ("キャンセル", ui_driver::item_text(dialog, IDCANCEL));
        bool found_static = false;
        for (const ui_driver::control_info& c : ui_driver::controls(dialog)) {
          if (c.class_name == "Static" && c.text == "を解凍中……") found_static = true;
        }
        EXPECT_TRUE(found_static) << "expected the static text を解凍中……";
        HWND edit = ui_driver::item(dialog, IDC_UNZIP_PATH);
        ASSERT_TRUE(edit);
        EXPECT_TRUE(GetWindowLongA(edit, GWL_STYLE) & ES_READONLY) << "expected a read-only field";
        const std::string big_path = dest + "\\big\\data.bin";
        EXPECT_TRUE(ui_driver::wait_until([&] {
          return ui_driver::item_text(dialog, IDC_UNZIP_PATH) == big_path;
        })) << "the field never showed "
            << big_path << "; last: " << ui_driver::item_text(dialog, IDC_UNZIP_PATH);
        shown = ui_driver::save_screenshot("unzip_110", dialog);
        EXPECT_TRUE(ui_driver::wait_until_gone(dialog, 120000));
      },
      120000);
  EXPECT_TRUE(closed) << "the dialog had to be closed by force";
  EXPECT_TRUE(result) << "expected true for a whole archive";
  std::printf("screenshot: %s\n", shown.c_str());
  expect_layout(dest + "\\", big);
}

// Cancel (and the close box) stop after the block being written; the partial
// file stays, and nothing after it is written.
TEST_F(unzip, cancel_stops_after_the_current_block) {
  for (int way = 0; way < 2; ++way) {
    scratch_directory dir(way == 0 ? "unzip_cancel" : "unzip_closebox");
    const std::string dest = dir / "dest\\";
    const std::string archive = fixture("cancel.zip");
    const std::string big = dest + "big.bin";
    bool result = true;
    long long size_at_press = -1;
    bool closed = ui_driver::run_modal(
        [&] { result = unzip_with_progress(nullptr, archive.c_str(), dest.c_str()); },
        [&](DWORD ui_thread) {
          HWND dialog = wait_for_unzip_dialog(ui_thread, archive);
          ASSERT_TRUE(dialog) << "dialog 110 did not appear";
          ASSERT_TRUE(ui_driver::wait_until([&] { return file_size(big) > 0; }))
              << "big.bin was never started";
          size_at_press = file_size(big);
          if (way == 0) {
            EXPECT_TRUE(ui_driver::press(dialog, IDCANCEL));
          } else {
            ui_driver::close(dialog);
          }
          EXPECT_TRUE(ui_driver::wait_until_gone(dialog, 60000));
        },
        60000);
    EXPECT_TRUE(closed) << "way " << way << ": the dialog had to be closed by force";
    EXPECT_FALSE(result) << "way " << way << ": expected false after cancel";
    const long long size = file_size(big);
    EXPECT_GT(size, 0) << "way " << way << ": expected the partial file to stay";
    EXPECT_LT(size, 256LL << 20) << "way " << way << ": expected the file to be cut short";
    EXPECT_EQ(0, size % 8192) << "way " << way << ": expected whole blocks, got " << size;
    EXPECT_GE(size, size_at_press);
    EXPECT_EQ("first\r\n", read_file(dest + "first.txt"));
    EXPECT_FALSE(exists(dest + "last.txt")) << "way " << way << ": nothing after the cancel";
    const std::string data = read_file(big);
    EXPECT_EQ(std::string::npos, data.find_first_not_of('\0')) << "expected only zeros";
  }
}

TEST_F(unzip, progress_failures) {
  scratch_directory dir("unzip_progress_fail");
  const std::string dest = dir / "dest\\";
  {
    // A missing archive: the dialog closes itself with 0 at once.
    bool result = true;
    DWORD started = GetTickCount();
    bool closed = ui_driver::run_modal(
        [&] { result = unzip_with_progress(nullptr, (dir / "missing.zip").c_str(), dest.c_str()); },
        [&](DWORD) {}, 30000);
    EXPECT_TRUE(closed) << "expected the dialog to close by itself";
    EXPECT_FALSE(result);
    EXPECT_LT(GetTickCount() - started, 20000u);
    EXPECT_FALSE(exists(dest));
  }
  {
    // The worker cannot be started: the dialog ends with 0, nothing is written.
    wklib::thread_starter saved = wklib::start_worker_thread;
    wklib::start_worker_thread = [](unsigned(__stdcall*)(void*), void*) -> HANDLE { return nullptr; };
    const std::string other = dir / "other\\";
    bool result = true;
    bool closed = ui_driver::run_modal(
        [&] { result = unzip_with_progress(nullptr, fixture("sjis.zip").c_str(), other.c_str()); },
        [&](DWORD) {}, 30000);
    wklib::start_worker_thread = saved;
    EXPECT_TRUE(closed);
    EXPECT_FALSE(result);
    EXPECT_FALSE(exists(other));
  }
  {
    // A destination ending in ソ (0x83 0x5C) still gets its backslash.
    const std::string so = dir / "ソ";
    ASSERT_TRUE(CreateDirectoryA(so.c_str(), nullptr));
    bool result = false;
    bool closed = ui_driver::run_modal(
        [&] { result = unzip_with_progress(nullptr, fixture("sjis.zip").c_str(), so.c_str()); },
        [&](DWORD) {}, 60000);
    EXPECT_TRUE(closed);
    EXPECT_TRUE(result);
    EXPECT_TRUE(exists(so + "\\ソ")) << "expected the files inside ソ\\";
    EXPECT_TRUE(is_directory(so + "\\表"));
  }
}

}  // namespace

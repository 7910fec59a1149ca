// unzip_to_directory and unzip_with_progress on real files under Wine; the
// progress dialog 110 is driven from a second thread as a user would. Which
// names are refused and how damage ends a run is the loop's (unzip_loop_test);
// here only what files on disk and the dialog add.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
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

std::vector<std::string> take_log() {
  std::lock_guard<std::mutex> hold(g_log_lock);
  std::vector<std::string> lines;
  lines.swap(g_log);
  return lines;
}

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
  return ui_driver::wait_for_window({"#32770", caption.c_str(), false, ui_thread});
}

// The worker cannot be started, for as long as it lives.
struct no_worker_thread {
  wklib::thread_starter saved = wklib::start_worker_thread;
  no_worker_thread() {
    wklib::start_worker_thread = [](unsigned(__stdcall*)(void*), void*) -> HANDLE { return nullptr; };
  }
  ~no_worker_thread() { wklib::start_worker_thread = saved; }
};

class unzip : public ::testing::Test {
 protected:
  void SetUp() override {
    set_unzip_log([](const wklib::string& line) {
      std::lock_guard<std::mutex> hold(g_log_lock);
      g_log.push_back(line.c_str());
    });
    take_log();
  }
  void TearDown() override { set_unzip_log(nullptr); }
};

// True for a whole archive; a missing one makes no directory; a bad file is
// deleted; a file held open is reported and the run goes on.
TEST_F(unzip, silent_extraction_on_disk) {
  scratch_directory dir("unzip_silent");
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

  ASSERT_TRUE(write_file(dest + "locked.txt", "old"));
  // Held open without sharing, as a running program holds its own file.
  HANDLE held = CreateFileA((dest + "locked.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, held);
  const std::string archive = dir / "locked.zip";
  ASSERT_TRUE(write_file(archive, zip_builder().add("locked.txt", "new").add("next.txt", "next").build()));
  EXPECT_FALSE(unzip_to_directory(archive.c_str(), dest.c_str()));
  CloseHandle(held);
  EXPECT_EQ("old", read_file(dest + "locked.txt"));
  EXPECT_EQ("next", read_file(dest + "next.txt")) << "expected the run to go on";
  EXPECT_EQ(std::vector<std::string>{archive + "のlocked.txtを書き出せない．"}, take_log());
}

TEST_F(unzip, progress_dialog_shows_each_file_and_unpacks_all) {
  scratch_directory dir("unzip_progress");
  // Large enough that the dialog is still there while the driver looks.
  const std::string big = mixed_bytes(12 << 20, 2);
  zip_builder b;
  b.add("top.txt", "new top\r\n", 8).add("a/b/c.txt", "deep\r\n", 8);  // no entries for a, a/b
  b.add("ソ", "a file, not a directory", 0).add("表/ソ", "nested", 8).add("十/", "", 0);
  b.add("big/data.bin", big, 8);
  const std::string archive = dir / "layout.zip";
  ASSERT_TRUE(write_file(archive, b.build()));
  const std::string dest = dir / "dest";  // no trailing backslash: one is appended
  ASSERT_TRUE(CreateDirectoryA(dest.c_str(), nullptr));
  // An existing file, longer than the new one, is replaced whole.
  ASSERT_TRUE(write_file(dest + "\\top.txt", std::string(5000, 'o')));
  bool result = false;
  const bool closed = ui_driver::run_modal(
      [&] { result = unzip_with_progress(nullptr, archive.c_str(), dest.c_str()); },
      [&](DWORD ui_thread) {
        HWND dialog = wait_for_unzip_dialog(ui_thread, archive);
        ASSERT_TRUE(dialog) << "dialog 110 did not appear with the caption " << archive << "を解凍……";
        EXPECT_EQ("キャンセル", ui_driver::item_text(dialog, IDCANCEL));
        bool found_static = false;
        for (const ui_driver::control_info& c : ui_driver::controls(dialog))
          found_static |= c.class_name == "Static" && c.text == "を解凍中……";
        EXPECT_TRUE(found_static) << "expected the static text を解凍中……";
        HWND edit = ui_driver::item(dialog, IDC_UNZIP_PATH);
        ASSERT_TRUE(edit);
        EXPECT_TRUE(GetWindowLongA(edit, GWL_STYLE) & ES_READONLY) << "expected a read-only field";
        const std::string big_path = dest + "\\big\\data.bin";
        EXPECT_TRUE(ui_driver::wait_until(
            [&] { return ui_driver::item_text(dialog, IDC_UNZIP_PATH) == big_path; }))
            << "the field never showed " << big_path << "; last: "
            << ui_driver::item_text(dialog, IDC_UNZIP_PATH);
        ui_driver::save_screenshot("unzip_110", dialog);
        EXPECT_TRUE(ui_driver::wait_until_gone(dialog, 120000));
      },
      120000);
  EXPECT_TRUE(closed) << "the dialog had to be closed by force";
  EXPECT_TRUE(result) << "expected true for a whole archive";
  const std::string d = dest + "\\";
  EXPECT_EQ("new top\r\n", read_file(d + "top.txt"));
  EXPECT_EQ("deep\r\n", read_file(d + "a\\b\\c.txt"));
  EXPECT_EQ("a file, not a directory", read_file(d + "ソ")) << "ソ ends in 0x5C but is a file";
  EXPECT_EQ("nested", read_file(d + "表\\ソ"));
  EXPECT_TRUE(is_directory(d + "十")) << "十/ is a directory entry (0x8F 0x5C then /)";
  EXPECT_TRUE(read_file(d + "big\\data.bin") == big) << "got " << file_size(d + "big\\data.bin");
}

// Cancel (and the close box) stop after the block being written; the partial
// file stays, and nothing after it is written.
TEST_F(unzip, cancel_stops_after_the_current_block) {
  for (int way = 0; way < 2; ++way) {
    scratch_directory dir(way == 0 ? "unzip_cancel" : "unzip_closebox");
    const std::string dest = dir / "dest\\", big = dest + "big.bin", archive = fixture("cancel.zip");
    bool result = true;
    long long size_at_press = -1;
    const bool closed = ui_driver::run_modal(
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
    EXPECT_GE(size, size_at_press) << "way " << way << ": expected the partial file to stay";
    EXPECT_GT(size, 0) << "way " << way;
    EXPECT_LT(size, 256LL << 20) << "way " << way << ": expected the file to be cut short";
    EXPECT_EQ(0, size % 8192) << "way " << way << ": expected whole blocks, got " << size;
    EXPECT_EQ("first\r\n", read_file(dest + "first.txt"));
    EXPECT_FALSE(exists(dest + "last.txt")) << "way " << way << ": nothing after the cancel";
    EXPECT_EQ(std::string::npos, read_file(big).find_first_not_of('\0')) << "expected only zeros";
  }
}

// The dialog closes by itself with false at once for a missing archive and when
// the worker cannot start; a destination ending in ソ (0x83 0x5C) still gets its backslash.
TEST_F(unzip, progress_ends_by_itself) {
  scratch_directory dir("unzip_progress_end");
  const std::string so = dir / "ソ";
  ASSERT_TRUE(CreateDirectoryA(so.c_str(), nullptr));
  const struct {
    std::string archive, dest;
    bool worker, expected;
  } cases[] = {{dir / "missing.zip", dir / "missing\\", true, false},
               {fixture("sjis.zip"), dir / "other\\", false, false},
               {fixture("sjis.zip"), so, true, true}};
  for (const auto& c : cases) {
    std::unique_ptr<no_worker_thread> no_worker(c.worker ? nullptr : new no_worker_thread);
    bool result = !c.expected;
    const DWORD started = GetTickCount();
    EXPECT_TRUE(ui_driver::run_modal(
        [&] { result = unzip_with_progress(nullptr, c.archive.c_str(), c.dest.c_str()); },
        [](DWORD) {}, 60000))
        << c.archive << ": expected the dialog to close by itself";
    EXPECT_EQ(c.expected, result) << c.archive;
    EXPECT_EQ(c.expected, exists(c.dest)) << c.dest;
    EXPECT_LT(GetTickCount() - started, 20000u) << c.archive;
  }
  EXPECT_TRUE(exists(so + "\\ソ")) << "expected the files inside ソ\\";
  EXPECT_TRUE(is_directory(so + "\\表"));
}

}  // namespace

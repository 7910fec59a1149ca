// unzip_to_directory and unzip_with_progress on real files under Wine; the progress dialog 110 is
// driven from a second thread as a user would. Which names are refused, what is logged and how
// damage ends a run is the loop's (archive_test); here only what files on disk and the dialog add.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "archive/unzip.h"
#include "archive/unzip_dialog.h"
#include "archive/unzip_ids.h"
#include "tests/common/scratch.h"
#include "tests/ui_driver/ui_driver.h"

namespace {

// The corpus made by tools/make_zip_fixtures.py.
std::string fixture(const char* name) {
  return build_tree_path("tests/archive/zip_fixtures/") + name;
}

long long file_size(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::vector<std::string> g_log;

// The worker of the running dialog, kept so that the driver can hold it still while it cancels:
// however slow the driver is on a busy machine, the cancel then lands inside big.bin.
const wklib::thread_starter g_real_starter = wklib::start_worker_thread;
HANDLE g_worker = nullptr;
HANDLE keep_worker(unsigned(__stdcall* routine)(void*), void* dialog) {
  HANDLE worker = g_real_starter(routine, dialog);
  if (!worker || !DuplicateHandle(GetCurrentProcess(), worker, GetCurrentProcess(), &g_worker, 0,
                                  FALSE, DUPLICATE_SAME_ACCESS))
    g_worker = nullptr;
  return worker;
}

// Shift_JIS names with 0x5C trail bytes land where they belong, and a longer file is replaced
// whole. The entry with the bad CRC is deleted from the disk and reaches the log hook.
TEST(unzip, silent_extraction_on_disk) {
  scratch_directory dir("unzip_silent");
  const std::string dest = dir / "dest\\", sjis = fixture("sjis.zip"),
                    damaged = fixture("crc_error.zip");
  ASSERT_TRUE(CreateDirectoryA(dest.c_str(), nullptr) &&
              write_file(dest + "ソ", std::string(6000, 'o')));
  EXPECT_TRUE(unzip_to_directory(sjis.c_str(), dest.c_str())) << sjis;
  EXPECT_EQ(5000u, read_file(dest + "ソ").size()) << "ソ ends in 0x5C but is a file";
  EXPECT_EQ("\\documentclass{jarticle}\r\n", read_file(dest + "能力\\予定表.tex"))
      << "no entry for 能 (0x94 0x5C)";
  EXPECT_TRUE(is_directory(dest + "十")) << "十/ is a directory entry (0x8F 0x5C then /)";
  set_unzip_log([](const wklib::string& line) { g_log.push_back(line.c_str()); });
  EXPECT_FALSE(unzip_to_directory(damaged.c_str(), dest.c_str()));
  set_unzip_log(nullptr);
  EXPECT_FALSE(exists(dest + "texmf\\tex\\platex\\base\\jarticle.cls"))
      << "the entry with the bad CRC";
  EXPECT_EQ(
      std::vector<std::string>{damaged + "のtexmf\\tex\\platex\\base\\jarticle.clsが壊れている．"},
      g_log);
}

// Dialog 110 shows each file as it is written; キャンセル (and the close box)
// stop after the block being written: the partial file stays, nothing after it
// is written. The destination ends in ソ (0x83 0x5C) and still gets its backslash.
TEST(unzip, progress_dialog_shows_each_file_and_cancel_stops_it) {
  for (int way = 0; way < 2; ++way) {
    SCOPED_TRACE(way == 0 ? "キャンセル" : "close box");
    scratch_directory dir(way == 0 ? "unzip_cancel" : "unzip_closebox");
    const std::string dest = dir / "ソ", big = dest + "\\big.bin", archive = fixture("cancel.zip");
    const std::string caption = archive + "を解凍……";
    bool result = true;
    long long size_at_press = -1;
    wklib::start_worker_thread = keep_worker;
    const bool closed = ui_driver::run_modal(
        [&] { result = unzip_with_progress(nullptr, archive.c_str(), dest.c_str()); },
        [&](DWORD ui_thread) {
          HWND dialog = ui_driver::wait_for_window({"#32770", caption.c_str(), ui_thread});
          ASSERT_TRUE(dialog) << "dialog 110 did not appear with the caption " << caption;
          EXPECT_TRUE(GetWindowLongA(ui_driver::item(dialog, IDC_UNZIP_PATH), GWL_STYLE) &
                      ES_READONLY)
              << "expected a read-only field";
          EXPECT_TRUE(ui_driver::wait_until([&] { return file_size(big) > 0; }))
              << "big.bin was never started";
          EXPECT_EQ(big, ui_driver::item_text(dialog, IDC_UNZIP_PATH));
          size_at_press = file_size(big);
          ASSERT_NE(static_cast<DWORD>(-1), SuspendThread(g_worker)) << "no worker to hold";
          if (way == 0) {
            ui_driver::save_screenshot("unzip_110", dialog);
            EXPECT_TRUE(ui_driver::press(dialog, IDCANCEL));
          } else {
            ui_driver::close(dialog);
          }
          EXPECT_TRUE(ui_driver::settle(dialog)) << "the dialog did not take the cancel";
          ResumeThread(g_worker);
          EXPECT_TRUE(ui_driver::wait_until_gone(dialog, 60000));
        },
        60000);
    wklib::start_worker_thread = g_real_starter;
    CloseHandle(g_worker);
    EXPECT_TRUE(closed) << "the dialog had to be closed by force";
    EXPECT_FALSE(result) << "expected false after cancel";
    const long long size = file_size(big);
    EXPECT_GE(size, size_at_press) << "expected the partial file to stay";
    EXPECT_LT(size, 256LL << 20) << "expected the file to be cut short";
    EXPECT_EQ("first\r\n", read_file(dest + "\\first.txt"));
    EXPECT_FALSE(exists(dest + "\\last.txt")) << "nothing after the cancel";
  }
}

// With no worker thread the dialog closes by itself and answers false.
TEST(unzip, progress_answers_false_without_a_worker) {
  const wklib::thread_starter saved = wklib::start_worker_thread;
  wklib::start_worker_thread = [](unsigned(__stdcall*)(void*), void*) -> HANDLE { return nullptr; };
  const bool result = unzip_with_progress(nullptr, fixture("sjis.zip").c_str(), "C:\\unzip-never");
  wklib::start_worker_thread = saved;
  EXPECT_FALSE(result);
}

}  // namespace

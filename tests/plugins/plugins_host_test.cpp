// The plug-in host against fixture plug-ins written in C (fixture_plugin.c) and
// the real plugin_extrapack.dll, under Wine.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "plugins/plugin_host.h"
#include "support/dialog.h"
#include "tests/common/scratch.h"
#include "tests/plugins/plugins_page_test.h"
#include "tests/ui_driver/ui_driver.h"

namespace {

// A plug-in directory made of copies of built libraries and of other files.
struct plugin_folder {
  scratch_directory dir{"plugins"};
  std::string plugins = dir / "plugin";
  std::string ini = dir / "tamari3.ini";
  std::string log = dir / "tamari3.log";

  explicit plugin_folder(const std::vector<std::string>& fixtures, bool with_extrapack = false) {
    CreateDirectoryA(plugins.c_str(), nullptr);
    for (const std::string& name : fixtures) {
      const std::string from = build_tree_path(("tests/plugins/fixture_" + name + ".dll").c_str());
      EXPECT_TRUE(CopyFileA(from.c_str(), (plugins + "\\" + name + ".dll").c_str(), FALSE))
          << "expected to copy " << from;
    }
    if (with_extrapack) {
      const std::string from = build_tree_path("shell/plugin/plugin_extrapack.dll");
      EXPECT_TRUE(CopyFileA(from.c_str(), (plugins + "\\plugin_extrapack.dll").c_str(), FALSE));
    }
  }
  void discover(plugin_host& host) const {
    host.discover(plugins.c_str(), ini.c_str(), log.c_str());
  }
  // The calls the fixtures noted, "<name> <call>" without the window.
  std::vector<std::string> calls() const {
    std::vector<std::string> lines;
    for (const std::string& line : read_lines(log))
      lines.push_back(line.substr(0, line.rfind(' ')));
    return lines;
  }
  std::string module_path(const char* name) const { return plugins + "\\" + name + ".dll"; }
};

int row_of(const plugin_host& host, const char* name) {
  for (size_t i = 0; i < host.entries().size(); ++i) {
    if (std::string(host.entries()[i].soft_name()) == name) return static_cast<int>(i);
  }
  return -1;
}

TEST(plugin_host, lists_only_libraries_with_every_required_export_whose_init_agrees) {
  plugin_folder folder({"full", "noset", "noinit", "refuses"});
  write_file(folder.plugins + "\\readme.txt", "not a library");
  write_file(folder.plugins + "\\broken.dll", "MZ but not a library at all");
  plugin_host host;
  folder.discover(host);

  std::vector<std::string> names;
  for (const plugin_entry& entry : host.entries()) names.push_back(entry.soft_name());
  std::sort(names.begin(), names.end());
  EXPECT_EQ((std::vector<std::string>{"full", "noset"}), names);
  ASSERT_EQ(2u, host.entries().size());
  EXPECT_NE(nullptr, host.entries()[row_of(host, "full")].set) << "full exports Set";
  EXPECT_EQ(nullptr, host.entries()[row_of(host, "noset")].set) << "Set is optional";

  std::vector<std::string> calls = folder.calls();
  std::sort(calls.begin(), calls.end());
  EXPECT_EQ((std::vector<std::string>{"full Init", "noset Init", "refuses Init"}), calls);
  EXPECT_EQ(nullptr, GetModuleHandleA(folder.module_path("refuses").c_str()))
      << "a library whose Init says no is freed";
  EXPECT_EQ(nullptr, GetModuleHandleA(folder.module_path("noinit").c_str()))
      << "a library without Init is freed";

  host.unload_all();
  EXPECT_TRUE(host.entries().empty());
  EXPECT_EQ(nullptr, GetModuleHandleA(folder.module_path("full").c_str()));
}

TEST(plugin_host, collects_downloads_in_list_order_until_one_is_not_ok) {
  plugin_folder folder({"full", "noset"});
  plugin_host host;
  folder.discover(host);
  ASSERT_EQ(2u, host.entries().size());
  const std::string first = host.entries()[0].soft_name(), second = host.entries()[1].soft_name();
  host.set_selected(0, true);
  host.set_selected(1, true);
  // full: an entry without URL and one without name between two good ones; noset: count -1.
  const std::string answers =
      "[full]\r\ncount=3\r\nurl0=http://h/a.zip\r\nfile0=a.zip\r\nsize0=10\r\nfile1=b.zip\r\n"
      "url2=http://h/c.zip\r\nfile2=c.zip\r\nsize2=30\r\n"
      "[noset]\r\ncount=-1\r\nurl0=http://h/never.zip\r\nfile0=never.zip\r\n";
  const std::string got_a = "http://h/a.zip|C:\\save\\a.zip|10";
  const std::string got_c = "http://h/c.zip|C:\\save\\c.zip|30";
  struct download_case {
    std::string refusing;  // the plug-in answering not ok
    bool expected_ok;
    std::vector<std::string> expected_calls, expected_downloads;  // url|path|size
  } cases[] = {
      {"", true, {first + " GetDownloadData", second + " GetDownloadData"}, {got_a, got_c}},
      {first, false, {first + " GetDownloadData"}, {}},  // the second is not asked
      {second, false, {first + " GetDownloadData", second + " GetDownloadData"}, {}},
  };
  for (download_case& c : cases) {
    SCOPED_TRACE("refusing: " + c.refusing);
    write_file(folder.ini, answers);
    if (!c.refusing.empty()) {
      WritePrivateProfileStringA(c.refusing.c_str(), "ok", "0", folder.ini.c_str());
    }
    DeleteFileA(folder.log.c_str());
    std::vector<plugin_download> out = {{"kept", "kept", 1}};
    EXPECT_EQ(c.expected_ok, host.collect_downloads(nullptr, "C:\\save\\", out));
    std::vector<std::string> got;
    for (const plugin_download& d : out) {
      got.push_back(std::string(d.url.c_str()) + "|" + d.path.c_str() + "|" +
                    std::to_string(d.size));
    }
    c.expected_downloads.insert(c.expected_downloads.begin(), "kept|kept|1");  // earlier ones stay
    EXPECT_EQ(c.expected_downloads, got);
    EXPECT_EQ(c.expected_calls, folder.calls());
  }
}

TEST(plugin_host, installs_the_selected_and_counts_the_successes) {
  plugin_folder folder({"full", "noset"});
  write_file(folder.ini, "[noset]\r\ninstall=0\r\n");
  plugin_host host;
  folder.discover(host);
  ASSERT_EQ(2u, host.entries().size());
  const HWND progress = reinterpret_cast<HWND>(0x5678);
  const std::string full_install =
      "full Install " + std::to_string(reinterpret_cast<ULONG_PTR>(progress));
  struct install_case {
    bool full, noset;
    int expected_count, expected_installed;
    std::vector<std::string> expected_lines;
  } cases[] = {
      {false, false, 0, 0, {}},
      {true, false, 1, 1, {full_install}},
      {true, true, 2, 1, {}},  // noset's Install answers false
  };
  for (const install_case& c : cases) {
    DeleteFileA(folder.log.c_str());
    host.set_selected(row_of(host, "full"), c.full);
    host.set_selected(row_of(host, "noset"), c.noset);
    EXPECT_EQ(c.expected_count, host.count_selected());
    EXPECT_EQ(c.expected_installed, host.install_selected(progress));
    EXPECT_EQ(static_cast<size_t>(c.expected_count), read_lines(folder.log).size());
    if (c.expected_count == 1) {
      EXPECT_EQ(c.expected_lines, read_lines(folder.log));
    }
  }
}

// The part of page 113 that belongs to the host: the list, the double-click and
// the ticks read when the page is left.
class plugins_page : public wklib::dialog {
 public:
  explicit plugins_page(plugin_host& host) : dialog(GetModuleHandleA(nullptr)), host_(host) {}
  bool on_init(wklib::window_holder& window) override {
    host_.fill_list(window.item(IDC_TEST_PLUGIN_LIST));
    return true;
  }
  bool on_command(wklib::window_holder& window, int id, int) override {
    if (id != IDOK) return false;
    host_.read_selection(window.item(IDC_TEST_PLUGIN_LIST));
    EndDialog(window.handle, IDOK);
    return true;
  }
  LRESULT on_message(wklib::window_holder& window, UINT message, WPARAM, LPARAM lparam) override {
    const NMHDR* header = reinterpret_cast<const NMHDR*>(lparam);
    if (message == WM_NOTIFY && header->idFrom == IDC_TEST_PLUGIN_LIST &&
        header->code == static_cast<UINT>(NM_DBLCLK)) {
      host_.open_settings(plugin_host::selected_row(header->hwndFrom), window.handle);
    }
    return 0;
  }

 private:
  plugin_host& host_;
};

void select_row(HWND list, int row) {
  LVITEMA item = {};
  item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  item.state = row >= 0 ? (LVIS_SELECTED | LVIS_FOCUSED) : 0;
  SendMessageA(list, LVM_SETITEMSTATE, row >= 0 ? row : static_cast<WPARAM>(-1),
               reinterpret_cast<LPARAM>(&item));
}

// A double-click in the description column of the row at `row` (or below the rows).
void double_click(HWND list, int row) {
  RECT place = {};
  place.top = 1;  // the description column
  place.left = LVIR_BOUNDS;
  SendMessageA(list, LVM_GETSUBITEMRECT, row >= 0 ? row : 0, reinterpret_cast<LPARAM>(&place));
  const int y = row >= 0 ? (place.top + place.bottom) / 2 : place.bottom + 60;
  const LPARAM point = MAKELPARAM(place.left + 20, y);
  PostMessageA(list, WM_LBUTTONDBLCLK, MK_LBUTTON, point);
  PostMessageA(list, WM_LBUTTONUP, 0, point);
  ui_driver::settle(list);
}

TEST(plugin_host, the_page_lists_the_plugins_and_opens_their_settings) {
  plugin_folder folder({"full", "noset", "noinit"}, true);
  plugin_host host;
  folder.discover(host);
  ASSERT_EQ(3u, host.entries().size());
  const int full = row_of(host, "full");
  const int noset = row_of(host, "noset");
  const int extrapack = row_of(host, "jsclasses");
  ASSERT_GE(extrapack, 0) << "plugin_extrapack.dll is listed as jsclasses";

  plugins_page page(host);
  const bool closed = ui_driver::run_modal(
      [&] { EXPECT_EQ(IDOK, page.show_modal(nullptr, IDD_TEST_PLUGINS_PAGE)); },
      [&](DWORD ui_thread) {
        HWND dialog = ui_driver::wait_for_window({"#32770", "その他のソフト", false, ui_thread});
        ASSERT_NE(nullptr, dialog);
        HWND list = ui_driver::item(dialog, IDC_TEST_PLUGIN_LIST);
        ASSERT_EQ(3, ui_driver::list_count(list));
        for (int row = 0; row < 3; ++row) {
          EXPECT_EQ(host.entries()[row].soft_name(), ui_driver::list_text(list, row, 0));
          EXPECT_EQ(host.entries()[row].info(), ui_driver::list_text(list, row, 1));
          EXPECT_FALSE(ui_driver::list_checked(list, row)) << "row " << row;
        }
        EXPECT_EQ("鷹野さんによる日本語用のクラスファイルです．",
                  ui_driver::list_text(list, extrapack, 1));
        EXPECT_FALSE(ui_driver::save_screenshot("plugins_page", dialog).empty());

        // No Set: the host's own message.
        select_row(list, noset);
        double_click(list, noset);
        HWND box = ui_driver::wait_for_window({"#32770", "tamari3", false, ui_thread});
        ASSERT_NE(nullptr, box) << "expected the box of a plug-in without settings";
        EXPECT_EQ("このソフトは設定なしでインストール出来ます．", ui_driver::message_box_text(box));
        EXPECT_TRUE(ui_driver::press(box, IDOK));
        ui_driver::wait_until_gone(box);

        // Set gets the page as owner.
        DeleteFileA(folder.log.c_str());
        select_row(list, full);
        double_click(list, full);
        const std::string line = "full Set " + std::to_string(reinterpret_cast<ULONG_PTR>(dialog));
        EXPECT_TRUE(ui_driver::wait_until([&] { return read_lines(folder.log).size() == 1; }));
        EXPECT_EQ(std::vector<std::string>{line}, read_lines(folder.log));

        // Nothing selected: nothing at all.
        DeleteFileA(folder.log.c_str());
        select_row(list, -1);
        double_click(list, -1);
        EXPECT_EQ(nullptr, ui_driver::find_window({"#32770", "tamari3", false, ui_thread}));
        EXPECT_TRUE(read_lines(folder.log).empty());

        EXPECT_TRUE(ui_driver::list_set_checked(list, extrapack, true));
        EXPECT_TRUE(ui_driver::press(dialog, IDOK));
      });
  EXPECT_TRUE(closed);
  EXPECT_EQ(1, host.count_selected());
  EXPECT_TRUE(host.entries()[extrapack].selected);
  EXPECT_FALSE(host.entries()[full].selected);
}

}  // namespace

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

// A plug-in directory of copies of built libraries, with the host's settings
// file and log beside it; `host` has discovered it.
struct plugin_folder {
  scratch_directory dir{"plugins"};
  std::string plugins = dir / "plugin\\", ini = dir / "tamari3.ini", log = dir / "tamari3.log";
  plugin_host host;

  // "plugin_extrapack" is the real plug-in, other names are fixtures.
  explicit plugin_folder(const std::vector<std::string>& names, const char* answers = "") {
    CreateDirectoryA(plugins.c_str(), nullptr);
    for (const std::string& name : names)
      EXPECT_TRUE(CopyFileA(build_tree_path(name == "plugin_extrapack"
                                                ? "shell/plugin/plugin_extrapack.dll"
                                                : ("tests/plugins/fixture_" + name + ".dll").c_str())
                                .c_str(),
                            (plugins + name + ".dll").c_str(), FALSE))
          << "expected to copy " << name;
    write_file(plugins + "readme.txt", "not a library");
    write_file(plugins + "broken.dll", "MZ but not a library at all");
    write_file(ini, answers);
    host.discover(plugins.substr(0, plugins.size() - 1).c_str(), ini.c_str(), log.c_str());
  }
  // The calls the fixtures noted since the last look, "<name> <call> <window>".
  std::vector<std::string> calls() {
    std::vector<std::string> lines = read_lines(log);
    DeleteFileA(log.c_str());
    return lines;
  }
  int row_of(const char* name) const {
    for (size_t i = 0; i < host.entries().size(); ++i)
      if (std::string(host.entries()[i].soft_name()) == name) return static_cast<int>(i);
    return -1;
  }
};

TEST(plugin_host, lists_only_libraries_with_every_required_export_whose_init_agrees) {
  plugin_folder folder({"full", "noset", "noinit", "refuses"});
  std::vector<std::string> names;
  for (const plugin_entry& entry : folder.host.entries())
    names.push_back(std::string(entry.soft_name()) + (entry.set ? " with Set" : ""));
  std::sort(names.begin(), names.end());
  EXPECT_EQ((std::vector<std::string>{"full with Set", "noset"}), names) << "Set is optional";
  std::vector<std::string> calls = folder.calls();
  std::sort(calls.begin(), calls.end());
  EXPECT_EQ((std::vector<std::string>{"full Init 0", "noset Init 0", "refuses Init 0"}), calls);
  for (const char* freed : {"refuses", "noinit", "broken"})
    EXPECT_EQ(nullptr, GetModuleHandleA((folder.plugins + freed + ".dll").c_str())) << freed;
  folder.host.unload_all();
  EXPECT_TRUE(folder.host.entries().empty());
  EXPECT_EQ(nullptr, GetModuleHandleA((folder.plugins + "full.dll").c_str()));
}

TEST(plugin_host, collects_downloads_in_list_order_until_one_is_not_ok) {
  // full: an entry without URL between two good ones, then one without name; noset: count -1.
  const char answers[] =
      "[full]\r\ncount=4\r\nurl0=http://h/a.zip\r\nfile0=a.zip\r\nsize0=10\r\nfile1=b.zip\r\n"
      "url2=http://h/c.zip\r\nfile2=c.zip\r\nsize2=30\r\nurl3=http://h/d.zip\r\n"
      "[noset]\r\ncount=-1\r\nurl0=http://h/never.zip\r\nfile0=never.zip\r\n";
  plugin_folder folder({"full", "noset"}, answers);
  ASSERT_EQ(2u, folder.host.entries().size());
  const std::string first = folder.host.entries()[0].soft_name(),
                    second = folder.host.entries()[1].soft_name();
  folder.calls();
  folder.host.set_selected(0, true);
  folder.host.set_selected(1, true);
  const std::string kept = "kept|kept|1", a = "http://h/a.zip|C:\\save\\a.zip|10",
                    c = "http://h/c.zip|C:\\save\\c.zip|30";
  struct {
    std::string refusing;  // the plug-in answering not ok
    bool ok;
    std::vector<std::string> calls, downloads;  // url|path|size
  } cases[] = {
      {"", true, {first + " GetDownloadData 0", second + " GetDownloadData 0"}, {kept, a, c}},
      {first, false, {first + " GetDownloadData 0"}, {kept}},  // the second is not asked
      {second, false, {first + " GetDownloadData 0", second + " GetDownloadData 0"}, {kept}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("refusing: " + c.refusing);
    write_file(folder.ini, answers);
    if (!c.refusing.empty()) WritePrivateProfileStringA(c.refusing.c_str(), "ok", "0", folder.ini.c_str());
    std::vector<plugin_download> out = {{"kept", "kept", 1}};
    EXPECT_EQ(c.ok, folder.host.collect_downloads(nullptr, "C:\\save\\", out));
    std::vector<std::string> got;
    for (const plugin_download& d : out)
      got.push_back(std::string(d.url.c_str()) + "|" + d.path.c_str() + "|" + std::to_string(d.size));
    EXPECT_EQ(c.downloads, got) << "earlier entries stay";
    EXPECT_EQ(c.calls, folder.calls());
  }
}

TEST(plugin_host, installs_the_selected_and_counts_the_successes) {
  plugin_folder folder({"full", "noset"}, "[noset]\r\ninstall=0\r\n");
  folder.calls();
  const HWND progress = reinterpret_cast<HWND>(0x5678);
  const std::string window = " Install " + std::to_string(reinterpret_cast<ULONG_PTR>(progress));
  struct {
    bool full, noset;
    int count, installed;
    std::vector<std::string> calls;
  } cases[] = {
      {false, false, 0, 0, {}},
      {true, false, 1, 1, {"full" + window}},
      {false, true, 1, 0, {"noset" + window}},  // its Install answers false
      {true, true, 2, 1, {}},
  };
  for (const auto& c : cases) {
    folder.host.set_selected(folder.row_of("full"), c.full);
    folder.host.set_selected(folder.row_of("noset"), c.noset);
    EXPECT_EQ(c.count, folder.host.count_selected());
    EXPECT_EQ(c.installed, folder.host.install_selected(progress));
    std::vector<std::string> calls = folder.calls();
    EXPECT_EQ(size_t(c.count), calls.size());
    if (c.count < 2) {
      EXPECT_EQ(c.calls, calls);
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
    if (id == IDOK) host_.read_selection(window.item(IDC_TEST_PLUGIN_LIST));
    return id == IDOK && EndDialog(window.handle, IDOK);
  }
  LRESULT on_message(wklib::window_holder& window, UINT message, WPARAM, LPARAM lparam) override {
    const NMHDR* header = reinterpret_cast<const NMHDR*>(lparam);
    if (message == WM_NOTIFY && header->idFrom == IDC_TEST_PLUGIN_LIST && header->code == UINT(NM_DBLCLK))
      host_.open_settings(plugin_host::selected_row(header->hwndFrom), window.handle);
    return 0;
  }

 private:
  plugin_host& host_;
};

// Selects `row` (-1: none) and double-clicks its description, or below the rows.
void double_click(HWND list, int row) {
  LVITEMA item = {};
  item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  item.state = row >= 0 ? (LVIS_SELECTED | LVIS_FOCUSED) : 0;
  SendMessageA(list, LVM_SETITEMSTATE, WPARAM(row), reinterpret_cast<LPARAM>(&item));
  RECT place = {LVIR_BOUNDS, 1, 0, 0};  // the description column
  SendMessageA(list, LVM_GETSUBITEMRECT, row >= 0 ? row : 0, reinterpret_cast<LPARAM>(&place));
  const LPARAM point = MAKELPARAM(place.left + 20, row >= 0 ? (place.top + place.bottom) / 2 : place.bottom + 60);
  PostMessageA(list, WM_LBUTTONDBLCLK, MK_LBUTTON, point);
  PostMessageA(list, WM_LBUTTONUP, 0, point);
  ui_driver::settle(list);
}

TEST(plugin_host, the_page_lists_the_plugins_and_opens_their_settings) {
  plugin_folder folder({"full", "noset", "noinit", "plugin_extrapack"});
  plugin_host& host = folder.host;
  ASSERT_EQ(3u, host.entries().size());
  const int full = folder.row_of("full"), noset = folder.row_of("noset"),
            extrapack = folder.row_of("jsclasses");
  ASSERT_GE(extrapack, 0) << "plugin_extrapack.dll is listed as jsclasses";
  folder.calls();
  plugins_page page(host);
  std::vector<std::string> rows, set_calls;
  EXPECT_TRUE(ui_driver::run_modal([&] { EXPECT_EQ(IDOK, page.show_modal(nullptr, IDD_TEST_PLUGINS_PAGE)); },
                                   [&](DWORD ui_thread) {
    HWND dialog = ui_driver::wait_for_window({"#32770", "その他のソフト", false, ui_thread});
    ASSERT_NE(nullptr, dialog);
    HWND list = ui_driver::item(dialog, IDC_TEST_PLUGIN_LIST);
    for (int row = 0; row < ui_driver::list_count(list); ++row)
      rows.push_back(ui_driver::list_text(list, row, 0) + "|" + ui_driver::list_text(list, row, 1) +
                     (ui_driver::list_checked(list, row) ? " ticked" : ""));
    EXPECT_FALSE(ui_driver::save_screenshot("plugins_page", dialog).empty());
    double_click(list, noset);  // no Set: the host's own message
    HWND box = ui_driver::wait_for_window({"#32770", "tamari3", false, ui_thread});
    ASSERT_NE(nullptr, box) << "expected the box of a plug-in without settings";
    EXPECT_EQ("このソフトは設定なしでインストール出来ます．", ui_driver::message_box_text(box));
    EXPECT_TRUE(ui_driver::press(box, IDOK));
    ui_driver::wait_until_gone(box);
    double_click(list, full);  // Set gets the page as owner
    ui_driver::wait_until([&] { return !read_lines(folder.log).empty(); });
    double_click(list, -1);  // nothing selected: nothing at all
    EXPECT_EQ(nullptr, ui_driver::find_window({"#32770", "tamari3", false, ui_thread}));
    set_calls = folder.calls();
    set_calls.push_back(std::to_string(reinterpret_cast<ULONG_PTR>(dialog)));
    EXPECT_TRUE(ui_driver::list_set_checked(list, extrapack, true));
    EXPECT_TRUE(ui_driver::press(dialog, IDOK));
  }));
  std::vector<std::string> expected_rows;
  for (const plugin_entry& entry : host.entries())
    expected_rows.push_back(std::string(entry.soft_name()) + "|" + entry.info());
  EXPECT_EQ(expected_rows, rows) << "unticked, in load order";
  EXPECT_EQ("jsclasses|鷹野さんによる日本語用のクラスファイルです．", rows.at(extrapack));
  ASSERT_EQ(2u, set_calls.size());
  EXPECT_EQ("full Set " + set_calls[1], set_calls[0]);
  EXPECT_EQ(1, host.count_selected());
  EXPECT_TRUE(host.entries()[extrapack].selected);
}

}  // namespace

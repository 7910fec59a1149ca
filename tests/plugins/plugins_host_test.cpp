// The plug-in host against fixture plug-ins written in C (fixture_plugin.c), under
// Wine. The real plug-in meets the host in extrapack_test and the end-to-end walk.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "plugins/plugin_host.h"
#include "tests/common/scratch.h"
#include "tests/ui_driver/ui_driver.h"

namespace {

// A plug-in directory of copies of built libraries, the host's settings file and log beside it;
// `host` has discovered it.
struct plugin_folder {
  scratch_directory dir{"plugins"};
  std::string plugins = dir / "plugin\\", ini = dir / "tamari3.ini", log = dir / "tamari3.log";
  plugin_host host;

  explicit plugin_folder(const std::vector<std::string>& fixtures, const char* answers = "") {
    CreateDirectoryA(plugins.c_str(), nullptr);
    for (const std::string& name : fixtures)
      EXPECT_TRUE(
          CopyFileA(build_tree_path(("tests/plugins/fixture_" + name + ".dll").c_str()).c_str(),
                    (plugins + name + ".dll").c_str(), FALSE))
          << name;
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

TEST(plugin_host, lists_the_libraries_whose_init_agrees_and_fills_the_page_list) {
  plugin_folder folder({"full", "noset", "noinit", "refuses"});
  std::vector<std::string> names;
  for (const plugin_entry& entry : folder.host.entries())
    names.push_back(std::string(entry.soft_name()) + "|" + entry.info() +
                    (entry.set ? "|Set" : ""));
  std::sort(names.begin(), names.end());
  EXPECT_EQ((std::vector<std::string>{"full|fixture full|Set", "noset|fixture noset"}), names)
      << "Set is optional";
  std::vector<std::string> calls = folder.calls();
  std::sort(calls.begin(), calls.end());
  EXPECT_EQ((std::vector<std::string>{"full Init 0", "noset Init 0", "refuses Init 0"}), calls);
  for (const char* freed : {"refuses", "noinit"})
    EXPECT_EQ(nullptr, GetModuleHandleA((folder.plugins + freed + ".dll").c_str())) << freed;

  // The host's part of page 113, on a list of its own: the rows, the double-click and the ticks
  // read back.
  plugin_host& host = folder.host;
  InitCommonControls();
  HWND page = CreateWindowExA(0, "STATIC", "その他のソフト", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                              400, 200, nullptr, nullptr, nullptr, nullptr);
  HWND list =
      CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SINGLESEL, 0, 0,
                      380, 150, page, nullptr, nullptr, nullptr);
  host.fill_list(list);
  std::vector<std::string> rows, expected;
  for (int row = 0; row < ui_driver::list_count(list); ++row)
    rows.push_back(ui_driver::list_text(list, row, 0) + "|" + ui_driver::list_text(list, row, 1) +
                   (ui_driver::list_checked(list, row) ? "|ticked" : ""));
  for (const plugin_entry& entry : host.entries())
    expected.push_back(std::string(entry.soft_name()) + "|" + entry.info());
  EXPECT_EQ(expected, rows) << "unticked, in load order";
  // A click selects the row (or none, below the rows), the double-click opens it;
  // a box left open is closed by run_modal, which then answers false.
  std::string box_text = "no box";
  for (const char* name : {"noset", "full", "none"}) {
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED);
    if (folder.row_of(name) >= 0)
      ListView_SetItemState(list, folder.row_of(name), LVIS_SELECTED, LVIS_SELECTED);
    EXPECT_TRUE(ui_driver::run_modal(
        [&] { host.open_settings(plugin_host::selected_row(list), page); },
        [&](DWORD ui_thread) {
          if (std::string(name) != "noset") return;
          HWND box = ui_driver::wait_for_window({"#32770", "tamari3", ui_thread});
          box_text = box ? ui_driver::message_box_text(box) : "no box";
          EXPECT_TRUE(ui_driver::press(box, IDOK));
        }))
        << "left open after selecting " << name;
  }
  EXPECT_EQ("このソフトは設定なしでインストール出来ます．", box_text);
  EXPECT_EQ(
      std::vector<std::string>{"full Set " + std::to_string(reinterpret_cast<ULONG_PTR>(page))},
      folder.calls())
      << "only the selected plug-in's Set, owned by the page; nothing when no row is selected";
  EXPECT_TRUE(ui_driver::list_set_checked(list, folder.row_of("noset"), true));
  host.read_selection(list);
  EXPECT_EQ(1, host.count_selected());
  EXPECT_TRUE(host.entries()[folder.row_of("noset")].selected);
  DestroyWindow(page);
  folder.host.unload_all();
  EXPECT_TRUE(folder.host.entries().empty());
  EXPECT_EQ(nullptr, GetModuleHandleA((folder.plugins + "full.dll").c_str()));
}

TEST(plugin_host, collects_downloads_until_one_is_not_ok_and_installs_the_selected) {
  // full: all its entries (those without URL or file name skipped); noset: count 0.
  const char answers[] = "[full]\r\ncount=5\r\n";
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
    if (!c.refusing.empty())
      WritePrivateProfileStringA(c.refusing.c_str(), "ok", "0", folder.ini.c_str());
    std::vector<plugin_download> out = {{"kept", "kept", 1}};
    EXPECT_EQ(c.ok, folder.host.collect_downloads(nullptr, "C:\\save\\", out));
    std::vector<std::string> got;
    for (const plugin_download& d : out)
      got.push_back(std::string(d.url.c_str()) + "|" + d.path.c_str() + "|" +
                    std::to_string(d.size));
    EXPECT_EQ(c.downloads, got) << "earlier entries stay";
    EXPECT_EQ(c.calls, folder.calls());
  }

  // Installing: only the selected are run, the successes counted (noset's Install answers false).
  write_file(folder.ini, "[noset]\r\ninstall=0\r\n");
  const HWND progress = reinterpret_cast<HWND>(0x5678);
  const std::string window = " Install " + std::to_string(reinterpret_cast<ULONG_PTR>(progress));
  for (bool noset : {false, true}) {
    folder.host.set_selected(folder.row_of("noset"), noset);
    std::vector<std::string> expected{"full" + window};
    if (noset) expected.push_back("noset" + window);
    EXPECT_EQ(int(expected.size()), folder.host.count_selected());
    EXPECT_EQ(1, folder.host.install_selected(progress)) << "noset selected: " << noset;
    std::vector<std::string> calls = folder.calls();
    std::sort(calls.begin(), calls.end());
    EXPECT_EQ(expected, calls);
  }
}

}  // namespace

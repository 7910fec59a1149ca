// The utilities against Wine, with 表 (0x95 0x5C) and ソ (0x83 0x5C) in paths and keys. Seen
// elsewhere: the path prompt's キャンセル and typed path (dialogs_test), file_write_time
// (catalogue_dialog_test), programs_folder, reg_list_subkeys and a key below the root (steps_test).
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <algorithm>
#include <string>
#include <vector>

#include "system/ask_path.h"
#include "system/ask_path_ids.h"
#include "system/file_system.h"
#include "system/path_text.h"
#include "system/process.h"
#include "system/registry.h"
#include "system/shortcut.h"
#include "system/system_info.h"
#include "tests/common/scratch.h"
#include "tests/ui_driver/ui_driver.h"

namespace {

TEST(split_text, keeps_empty_pieces_and_double_byte_characters) {
  struct {
    const char* text;
    char separator;
    std::vector<std::string> pieces;
  } cases[] = {
      {"", ';', {""}},      {";a;;b;", ';', {"", "a", "", "b", ""}},
      {"表ソ", '\\', {"表ソ"}}, {"c:\\表\\ソフト\\x", '\\', {"c:", "表", "ソフト", "x"}},
  };
  for (const auto& c : cases) {
    std::vector<std::string> got;
    for (const wklib::string& piece : split_text(c.text, c.separator)) got.push_back(piece.c_str());
    EXPECT_EQ(c.pieces, got) << c.text;
  }
}

// Through normalize_path: "." and empty pieces dropped, ".." taking back the
// name before it but not another "..", nor climbing above a drive.
TEST(same_path, compares_normalised_paths_without_case) {
  struct {
    const char *first, *second;
    bool expected;
  } cases[] = {
      {"c:\\tex\\.\\bin", "C:\\TEX\\share\\..\\BIN\\", true},
      {"c:\\\\tex\\\\bin", "c:\\tex\\bin", true},
      {"c:\\表\\..\\ソ\\", "c:\\ソ", true}, {"..\\..\\x", "x", false},
      {"a\\..\\..\\x", "..\\x", true},
      {"c:\\..\\x", "c:\\x", true}, {"c:\\tex", "c:\\tex2", false}, {"c:\\表", "c:\\ソ", false},
      {"\\", "", false},  // an empty side never matches
  };
  for (const auto& c : cases)
    EXPECT_EQ(c.expected, same_path(c.first, c.second)) << c.first << " " << c.second;
}

TEST(ends_with_backslash, ignores_a_trail_byte_0x5c) {
  for (const char* path : {"c:\\表", "c:\\dviout"}) EXPECT_FALSE(ends_with_backslash(path)) << path;
  EXPECT_TRUE(ends_with_backslash("c:\\表\\"));
}

TEST(system_info, reads_the_installers_own_environment) {
  char windir[MAX_PATH] = "";
  GetEnvironmentVariableA("windir", windir, sizeof windir);
  const std::string long_value(5000, 'p');
  struct {
    const char *name, *value, *expected;
  } cases[] = {
      {"TAMARI_ENV_TEST", "c:\\表\\bin;d:\\x", "c:\\表\\bin;d:\\x"},
      {"TAMARI_ENV_TEST", long_value.c_str(), long_value.c_str()},
      {"TAMARI_ENV_TEST", nullptr, ""},
      {"windir", "D:\\表\\win\\", "D:/表/win/"},  // the 0x5C of 表 stays
  };
  for (const auto& c : cases) {
    SetEnvironmentVariableA(c.name, c.value);
    EXPECT_STREQ(c.expected, (*c.name == 'w' ? windir_with_slashes() : get_env(c.name)).c_str())
        << c.name << "=" << (c.value ? c.value : "<unset>");
  }
  SetEnvironmentVariableA("windir", windir);
}

std::vector<std::string> entries_of(const std::string& directory) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA entry;
  HANDLE search = FindFirstFileA((directory + "*").c_str(), &entry);
  for (bool more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileA(search, &entry))
    if (entry.cFileName[0] != '.') names.push_back(entry.cFileName);
  FindClose(search);
  std::sort(names.begin(), names.end());
  return names;
}

// Chains with 表 and ソ in them are unzip_test's, on disk.
TEST(create_directory_chain, creates_only_what_ends_before_a_backslash) {
  scratch_directory scratch("chain");
  ASSERT_TRUE(write_file(scratch / "f", "x"));
  struct {
    const char* path;
    bool expected;
    const char *made, *missing;  // "": not looked at
  } cases[] = {
      {"a\\b", true, "a", "a\\b"},  // the last component has no backslash after it
      {"a\\b\\", true, "a\\b", ""},
      {"f\\", true, "", ""},       // an existing file passes for the prefix
      {"f\\g\\", false, "", "f\\g"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.expected, create_directory_chain((scratch / c.path).c_str())) << c.path;
    EXPECT_TRUE(!*c.made || is_directory(scratch / c.made)) << c.path << " made no " << c.made;
    EXPECT_TRUE(!*c.missing || !exists(scratch / c.missing)) << c.path << " made " << c.missing;
  }
  EXPECT_EQ((std::vector<std::string>{"a", "f"}), entries_of(scratch.path()));
}

TEST(remove_directory_tree, removes_all_but_read_only_files_and_refuses_bare_names) {
  scratch_directory scratch("tree");
  std::string top = scratch / "表\\";
  for (const char* file : {"1.txt", "a\\b\\c\\4", "ソ\\表.txt", "keep\\locked.txt"}) {
    ASSERT_TRUE(create_directory_chain((top + file).c_str()));
    ASSERT_TRUE(write_file(top + file, "data")) << file;
  }
  ASSERT_TRUE(SetFileAttributesA((top + "keep\\locked.txt").c_str(), FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(write_file(scratch / "sibling.txt", "stays"));
  remove_directory_tree((scratch / "表").c_str());  // no trailing backslash: refused
  EXPECT_TRUE(exists(top + "1.txt"));
  remove_directory_tree(top.c_str());
  EXPECT_EQ(std::vector<std::string>{"keep"}, entries_of(top));
  EXPECT_EQ((std::vector<std::string>{"sibling.txt", "表"}), entries_of(scratch.path()));
  SetFileAttributesA((top + "keep\\locked.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
  remove_directory_tree(top.c_str());
  EXPECT_EQ(std::vector<std::string>{"sibling.txt"}, entries_of(scratch.path()));
}

TEST(remove_directory_tree, never_follows_a_directory_link) {
  scratch_directory scratch("tree_link");
  std::string outside = scratch / "outside\\", top = scratch / "tree\\";
  ASSERT_TRUE(create_directory_chain(outside.c_str()) && create_directory_chain(top.c_str()));
  ASSERT_TRUE(write_file(outside + "precious.txt", "keep me") && write_file(top + "own.txt", "x"));
  // A symbolic link made on the Unix side, which Wine shows as a directory reparse point.
  run_and_wait("/bin/ln -s ../outside link", top.c_str(), false);
  if (!(GetFileAttributesA((top + "link").c_str()) & FILE_ATTRIBUTE_REPARSE_POINT) ||
      !exists(top + "link"))
    GTEST_SKIP() << "no directory link could be made here";
  remove_directory_tree(top.c_str());
  EXPECT_TRUE(exists(outside + "precious.txt")) << "the tree's deletion went through a link";
  EXPECT_FALSE(exists(top + "own.txt"));
}

// Target|arguments|working directory, or "<unreadable>".
std::string read_link(const std::string& path) {
  std::string fields = "<unreadable>";
  IShellLinkA* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&link))))
    return fields;
  IPersistFile* file = nullptr;
  wchar_t wide[MAX_PATH];
  MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
  if (SUCCEEDED(link->QueryInterface(IID_PPV_ARGS(&file))) &&
      SUCCEEDED(file->Load(wide, STGM_READ))) {
    char target[MAX_PATH * 2] = "", arguments[MAX_PATH * 2] = "", directory[MAX_PATH * 2] = "";
    link->GetPath(target, sizeof target, nullptr, SLGP_RAWPATH);
    link->GetArguments(arguments, sizeof arguments);
    link->GetWorkingDirectory(directory, sizeof directory);
    fields = std::string(target) + "|" + arguments + "|" + directory;
  }
  if (file) file->Release();
  link->Release();
  return fields;
}

TEST(create_shortcut, writes_a_link_the_shell_reads_back) {
  scratch_directory scratch("shortcut");
  const std::string directory = scratch / "表示", target = directory + "\\dviout.exe",
                    link = scratch / "dviout 表.lnk";
  ASSERT_TRUE(CreateDirectoryA(directory.c_str(), nullptr) && write_file(target, "MZ"));
  // On a thread without COM, then with COM started by the caller, which stays usable.
  EXPECT_TRUE(create_shortcut(target.c_str(), "first", directory.c_str(), link.c_str()));
  ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
  EXPECT_TRUE(
      create_shortcut(target.c_str(), "-P=1 \"表 x.dvi\"", directory.c_str(), link.c_str()));
  EXPECT_EQ(target + "|-P=1 \"表 x.dvi\"|" + directory, read_link(link))
      << "overwritten by the second call";
  // The shell reads SW_SHOWDEFAULT back as normal; the file's header (offset 0x3C) keeps it.
  std::string raw = read_file(link);
  EXPECT_EQ(SW_SHOWDEFAULT, raw.size() > 0x3C ? raw[0x3C] : -1) << "show command in the file";
  EXPECT_FALSE(create_shortcut(target.c_str(), "", directory.c_str(),
                               (scratch / "no such folder\\x.lnk").c_str()));
  CoUninitialize();
}

TEST(run_and_wait, answers_the_exit_code_and_passes_directory_show_state_and_environment) {
  scratch_directory scratch("run");
  const std::string report = scratch / "report.txt", plain = scratch / "tex",
                    kanji = scratch / "作業表";  // 表 ends in the byte 0x5C: no backslash to drop
  std::string probe = "Z:" + std::string(RUN_PROBE_PATH);
  std::replace(probe.begin(), probe.end(), '/', '\\');
  ASSERT_TRUE(CreateDirectoryA(plain.c_str(), nullptr) && CreateDirectoryA(kanji.c_str(), nullptr));
  SetEnvironmentVariableA("TAMARI_PROBE", "表示 set by the parent");
  char old_directory[MAX_PATH + 1] = "";
  GetCurrentDirectoryA(sizeof old_directory, old_directory);
  SetCurrentDirectoryA(plain.c_str());  // so that "C:" would not be C's root
  struct {
    int exit_code;
    std::string given, expected_directory;
    bool show;
  } cases[] = {
      {255, kanji, kanji, true}, {3, kanji + "\\", kanji, false}, {0, "C:\\", "C:\\", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE("exit code " + std::to_string(c.exit_code) + " in " + c.given);
    DeleteFileA(report.c_str());
    std::string command =
        "\"" + probe + "\" " + std::to_string(c.exit_code) + " \"" + report + "\"";
    EXPECT_EQ(c.exit_code == 0, run_and_wait(command.c_str(), c.given.c_str(), c.show));
    // The answer must come from the finished child, not from a start that failed.
    std::vector<std::string> lines = read_lines(report);
    ASSERT_EQ(4u, lines.size()) << "the child did not run to its end";
    EXPECT_EQ(c.expected_directory, lines[0]);
    // STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES: the child gets our handles.
    EXPECT_EQ(0x101ul, std::stoul(lines[1]) & 0x101ul) << "flags " << lines[1];
    EXPECT_EQ(std::to_string(c.show ? SW_SHOW : SW_HIDE), lines[2]);
    EXPECT_EQ("表示 set by the parent", lines[3]);
  }
  SetEnvironmentVariableA("TAMARI_PROBE", nullptr);
  SetCurrentDirectoryA(old_directory);
  DeleteFileA(report.c_str());
  std::string good = "\"" + probe + "\" 0 \"" + report + "\"";
  EXPECT_FALSE(run_and_wait(good.c_str(), (scratch / "missing\\").c_str(), false));
  EXPECT_FALSE(exists(report)) << "the child ran although its directory is missing";
}

const char question[] = "インストール先を指定してください．";

TEST(ask_path, shows_browses_and_answers_ok) {
  // Wine's browser cannot select folders below the user's profile; one on C: it can.
  std::string base = "C:\\tamari3_ask_path_" + std::to_string(GetCurrentProcessId()) + "\\";
  std::string folder = base + "表示先";
  ASSERT_TRUE(create_directory_chain((folder + "\\").c_str()));
  wklib::string path((folder + "\\").c_str());
  bool answer = false;
  EXPECT_TRUE(ui_driver::run_modal(
      [&] { answer = ask_path(nullptr, question, path); },
      [&](DWORD ui_thread) {
        HWND prompt = ui_driver::wait_for_window({"#32770", question, ui_thread});
        ASSERT_TRUE(prompt) << "dialog 109 did not appear";
        // 参照: the browser is the other dialog of the thread, owned by the prompt; its choice
        // lands in the field.
        ASSERT_TRUE(ui_driver::press(prompt, IDC_ASK_PATH_BROWSE));
        HWND browser = nullptr, tree = nullptr;
        ui_driver::wait_until([&] {
          for (HWND window : ui_driver::top_level_windows(ui_thread))
            if (window != prompt && ui_driver::class_of(window) == "#32770") browser = window;
          for (const auto& control : ui_driver::controls(browser))
            if (control.class_name == "SysTreeView32") tree = control.window;
          return tree && ui_driver::tree_selection_text(tree) == "表示先";
        });
        ASSERT_TRUE(tree) << "the folder browser did not appear";
        EXPECT_EQ(prompt, ui_driver::owner_of(browser));
        EXPECT_TRUE(ui_driver::press(browser, IDOK));
        EXPECT_TRUE(ui_driver::wait_until_gone(browser));
        EXPECT_TRUE(ui_driver::press(prompt, IDOK));
      }))
      << "the prompt had to be closed by force";
  remove_directory_tree(base.c_str());
  EXPECT_TRUE(answer);
  EXPECT_EQ(folder, path.c_str()) << "the browser's choice is the answer";
}

TEST(ask_path, the_close_box_empties_the_path) {
  wklib::string path("c:\\tex\\");
  bool answer = true;
  EXPECT_TRUE(ui_driver::run_modal(
      [&] { answer = ask_path(nullptr, question, path); },
      [&](DWORD ui_thread) {
        ui_driver::close(ui_driver::wait_for_window({"#32770", question, ui_thread}));
      }))
      << "the prompt had to be closed by force";
  EXPECT_FALSE(answer);
  EXPECT_STREQ("", path.c_str());
}

const std::string base = "Software\\tamari3 tests\\" + std::to_string(GetCurrentProcessId());

// The stored type and bytes of a value, read without our helpers: "<type>:<bytes>", "<none>" or
// "<no key>".
std::string raw_value(const std::string& sub_key, const char* name) {
  HKEY key = nullptr;
  char data[1024];
  DWORD size = sizeof data, type = 0;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, sub_key.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return "<no key>";
  LONG result = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
  RegCloseKey(key);
  return result ? "<none>" : std::to_string(type) + ":" + std::string(data, size);
}
bool key_exists(const std::string& sub_key) { return raw_value(sub_key, "") != "<no key>"; }

void make_key(const std::string& sub_key) {
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyA(HKEY_CURRENT_USER, sub_key.c_str(), &key)) << sub_key;
  RegSetValueExA(key, "v", 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 2);
  RegCloseKey(key);
}

class registry : public testing::Test {
 protected:
  void TearDown() override { SHDeleteKeyA(HKEY_CURRENT_USER, base.c_str()); }
};

TEST_F(registry, values_round_trip_with_their_type) {
  const std::string key = base + "\\values";
  std::string long_text;
  for (int i = 0; i < 3000; ++i) long_text += "表a";  // longer than any first guess at its size
  struct {
    const char* name;
    std::string text;
    bool expandable;
    std::string stored;
  } cases[] = {
      {"plain", "c:\\tex\\表\\", false, "1:" + std::string("c:\\tex\\表\\", 11)},  // with its NUL
      {"expand", "%windir%\\x", true, "2:" + std::string("%windir%\\x", 11)},  // read unexpanded
      {"long", long_text, false, ""},
  };
  for (const auto& c : cases) {
    wklib::string out;
    EXPECT_TRUE(
        reg_write_string(HKEY_CURRENT_USER, key.c_str(), c.name, c.text.c_str(), c.expandable));
    if (!c.stored.empty()) {
      EXPECT_EQ(c.stored, raw_value(key, c.name)) << c.name;
    }
    EXPECT_TRUE(reg_read_string(HKEY_CURRENT_USER, key.c_str(), c.name, out)) << c.name;
    EXPECT_EQ(c.text, std::string(out.c_str(), out.length())) << c.name;
  }
  // (DWORDs written and read back are configure_dviout's "dpi".)
  EXPECT_EQ(0u, reg_read_dword(HKEY_CURRENT_USER, key.c_str(), "plain")) << "a text is no number";
}

TEST_F(registry, delete_value_splits_at_the_last_backslash_and_never_creates_the_key) {
  make_key(base + "\\表");  // 表 ends in the byte 0x5C
  EXPECT_TRUE(reg_delete_value(HKEY_CURRENT_USER, (base + "\\表\\v").c_str()));
  EXPECT_EQ("<none>", raw_value(base + "\\表", "v"));
  EXPECT_TRUE(key_exists(base + "\\表")) << "only the value goes";
  EXPECT_FALSE(reg_delete_value(HKEY_CURRENT_USER, (base + "\\表\\v").c_str())) << "gone";
  EXPECT_FALSE(reg_delete_value(HKEY_CURRENT_USER, (base + "\\missing\\value").c_str()));
  EXPECT_FALSE(key_exists(base + "\\missing"));
}

TEST_F(registry, delete_key_tree_removes_a_tree_but_never_the_root) {
  const std::string tree = base + "\\tree";
  for (const std::string& key : {tree + "\\one\\two", tree + "\\表\\ソ", base + "\\tree sibling"})
    make_key(key);
  // A key whose name ends with the byte 0x5C of 表.
  EXPECT_TRUE(reg_delete_key_tree(HKEY_CURRENT_USER, (tree + "\\表").c_str()));
  EXPECT_FALSE(key_exists(tree + "\\表"));
  EXPECT_TRUE(key_exists(tree + "\\one\\two"));
  EXPECT_TRUE(reg_delete_key_tree(HKEY_CURRENT_USER, (tree + "\\").c_str())) << "the same key";
  EXPECT_FALSE(key_exists(tree));
  EXPECT_TRUE(key_exists(base + "\\tree sibling"));
  EXPECT_FALSE(reg_delete_key_tree(HKEY_CURRENT_USER, tree.c_str())) << "a missing key";
  for (const char* root_itself : {"", "\\"})
    EXPECT_FALSE(reg_delete_key_tree(HKEY_CURRENT_USER, root_itself)) << "'" << root_itself << "'";
  EXPECT_TRUE(key_exists("Software"));
}

}  // namespace

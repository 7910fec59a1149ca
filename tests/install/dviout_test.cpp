// dviout's configuration, recognition and uninstallation against the registry
// and the all-users Start menu of the prefix.
#include <gtest/gtest.h>

#include <map>

#include "install/dviout.h"
#include "system/file_system.h"
#include "system/registry.h"
#include "tests/install/step_fixture.h"

namespace {

const char para0[] = "Software\\TOMOE\\DVIOUT\\para0";
const char* const links[] = {"dviout for Windows.lnk", "Help for dviout.lnk", "Help in English.lnk",
                             "sample dvi file.lnk", "Troubles in dviout.lnk"};

std::string start_menu() {
  char folder[MAX_PATH + 16] = "";
  programs_folder(folder);
  return std::string(folder) + "dviout\\";
}

void remove_dviout_traces() {
  for (const char* key : {".dvi", "dvifile"}) reg_delete_key_tree(HKEY_CLASSES_ROOT, key);
  reg_delete_key_tree(HKEY_CURRENT_USER, "Software\\TOMOE");
  remove_directory_tree(start_menu().c_str());
}

TEST(configure_dviout, fills_in_only_what_is_missing) {
  const std::string font_paths =
      "^r\\tfm\\\\^s^tfm;^r\\pk\\\\^s.^dpk;^r\\vf\\\\^s.vf;^r\\ovf\\\\^s.ovf;^r\\tfm\\\\^s.tfm";
  struct {
    const char* what;
    std::map<std::string, std::string> before;  // values of para0
    DWORD dpi_before;
    const char *ghostscript_dir, *cancel_after;
    std::map<std::string, std::string> after;  // <tex>: the installation directory
    DWORD dpi_after;
  } cases[] = {
      {"first configuration", {}, 0, "c:\\gs\\gs8.14\\", "", {{"TEXPK", font_paths},
        {"TEXROOT", "<tex>share\\texmf\\fonts;<tex>share\\texmf-local\\fonts"},
        {"gen", "`<tex>bin\\mktexpk.exe --dpi ^d --bdpi ^D --mag ^M ^s"},
        {"gsx", "c:\\gs\\gs8.14\\bin\\gswin32c.exe"}, {"y", "A4P"}}, 300},
      {"the user's values", {{"TEXROOT", "d:\\mine"}, {"gsx", "old"}, {"y", "B5"}}, 600,
       "c:\\gs\\gs8.14\\", "",
       {{"TEXROOT", "d:\\mine"}, {"gsx", "c:\\gs\\gs8.14\\bin\\gswin32c.exe"}, {"y", "B5"}}, 600},
      {"gsx missing after an earlier configuration", {{"TEXPK", "x"}}, 0, "c:\\gs\\gs8.14\\", "",
       {{"TEXPK", "x"}, {"gsx", "<none>"}}, 300},
      {"GhostScript unknown", {{"gsx", "old"}}, 0, "", "", {{"gsx", "old"}}, 300},
      {"cancel", {}, 0, "", "dvioutの設定……", {{"TEXPK", "<no key>"}}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    remove_dviout_traces();
    step_run run("dviout_configure");
    run.settings.set_dviout_dir((run.dir / "dviout\\").c_str());
    run.settings.load_settings();
    run.context.ghostscript_dir = c.ghostscript_dir;
    run.sink.cancel_after = c.cancel_after;
    for (const auto& v : c.before)
      reg_set(HKEY_CURRENT_USER, para0, v.first.c_str(), v.second.c_str());
    if (c.dpi_before) reg_write_dword(HKEY_CURRENT_USER, para0, "dpi", c.dpi_before);
    reg_set(HKEY_CLASSES_ROOT, ".dvi", "", c.before.empty() ? "" : "mydvi");
    CreateDirectoryA(start_menu().c_str(), nullptr);
    write_file(start_menu() + links[0], "mine");
    write_file(start_menu() + links[1], "mine");
    EXPECT_TRUE(configure_dviout(run.context));
    for (const auto& v : c.after)
      EXPECT_EQ(replaced(v.second, "<tex>", run.tex()),
                reg_text(HKEY_CURRENT_USER, para0, v.first.c_str()))
          << v.first;
    EXPECT_EQ(c.dpi_after, reg_read_dword(HKEY_CURRENT_USER, para0, "dpi"));
    if (*c.cancel_after) {
      EXPECT_EQ("dvioutの設定……キャンセルされました．", run.sink.text);
      EXPECT_EQ((std::vector<std::string>{"dvioutの設定開始", "キャンセルされました．"}),
                run.log());
      EXPECT_STREQ("", run.state.step_results.dviout_settings.c_str());
      continue;
    }
    EXPECT_EQ("dvioutの設定……成功\r\n", run.sink.text);
    EXPECT_EQ((std::vector<std::string>{"dvioutの設定開始", "dvioutの設定終了"}), run.log());
    EXPECT_STREQ("成功", run.state.step_results.dviout_settings.c_str());
    const std::string d = run.dir / "dviout\\";
    EXPECT_EQ(c.before.empty() ? "dvifile" : "mydvi", reg_text(HKEY_CLASSES_ROOT, ".dvi", ""));
    EXPECT_EQ("TeX DVI file", reg_text(HKEY_CLASSES_ROOT, "dvifile", ""));
    EXPECT_EQ(d + "dviout.exe,1", reg_text(HKEY_CLASSES_ROOT, "dvifile\\Defaulticon", ""));
    EXPECT_EQ(d + "dviout.exe %1",
              reg_text(HKEY_CLASSES_ROOT, "dvifile\\Shell\\open\\command", ""));
    for (const char* link : links) EXPECT_TRUE(exists(start_menu() + link)) << link;
    EXPECT_NE("mine", read_file(start_menu() + links[0])) << "always made anew";
    EXPECT_EQ("mine", read_file(start_menu() + links[1])) << "kept when present";
  }
  remove_dviout_traces();
}

TEST(dviout, is_recognised_and_uninstalled) {
  remove_dviout_traces();
  step_run run("dviout_uninstall");
  EXPECT_FALSE(dviout_installed(run.context));
  EXPECT_EQ("<none>", reg_text(HKEY_CURRENT_USER, para0, "TEXROOT")) << "the key was made, empty";
  reg_set(HKEY_CURRENT_USER, para0, "TEXROOT", "c:\\tex\\");
  reg_set(HKEY_CLASSES_ROOT, "dvifile\\Shell\\open\\command", "", "x");
  CreateDirectoryA(start_menu().c_str(), nullptr);
  write_file(start_menu() + links[0], "link");
  EXPECT_TRUE(dviout_installed(run.context));
  EXPECT_TRUE(uninstall_dviout(run.context)) << ".dvi was never there: nothing to delete";
  EXPECT_FALSE(dviout_installed(run.context));
  EXPECT_EQ("<no key>", reg_text(HKEY_CLASSES_ROOT, "dvifile", ""));
  EXPECT_FALSE(exists(start_menu()));
  EXPECT_EQ("dvioutのアンインストール……成功\r\n", run.sink.text);
  EXPECT_EQ(
      (std::vector<std::string>{"dvioutのアンインストール開始", "dvioutのアンインストール終了"}),
      run.log());
  remove_dviout_traces();
}

}  // namespace

// The PATH step and the deletion of a variable. This program runs the NT
// family's rows, and a child of it that Wine presents as Windows 98 the 9x
// family's.
#include <gtest/gtest.h>

#include <cstdlib>

#include "install/environment.h"
#include "system/system_info.h"
#include "tests/install/step_fixture.h"

namespace {

bool nt() {
  EXPECT_FALSE(is_nt_family() && std::getenv("TAMARI_EXPECT_WIN98"))
      << "the child was not taken for Windows 98";
  return is_nt_family();
}

const char batch[] = "@echo off\r\nset TEXMF=c:/tex\r\n  SET texmf = x\r\nrem set TEXMF=x\r\n";

// The installer's PATH, GhostScript's directory, the system PATH in the
// registry (null: none) and autoexec.bat; TeX goes to c:\tex\.
std::function<void(step_run&)> given(const char* installer_path, const char* ghostscript_dir,
                                     const char* value, const char* windir = nullptr) {
  return [=](step_run& run) {
    run.set_variable("PATH", installer_path);
    if (windir) run.set_variable("windir", windir);
    run.set_value(HKEY_LOCAL_MACHINE, system_environment, "PATH", value);
    run.set_file(autoexec, batch);
    run.settings.set_install_dir("c:\\tex\\");
    run.settings.load_settings();
    run.context.ghostscript_dir = ghostscript_dir;
  };
}

const std::string path = std::string("HKLM\\") + system_environment + "|PATH=",
                  unchanged = "file C:\\autoexec.bat=" + std::string(batch);

// The running text and the log line of adding `dirs` to PATH.
std::string adding(const std::string& dirs, const char* outcome) {
  return "環境変数PATHに" + dirs + "を追加……" + outcome + "\r\n";
}
std::string added(const std::string& dirs) { return "環境変数PATHに" + dirs + "を追加"; }

TEST(add_directories_to_path, extends_the_registry_value_or_autoexec_bat) {
  const char *tex = "c:\\tex\\bin", *gs = "c:\\gs\\gs8.14\\", *gs_bin = "c:\\gs\\gs8.14\\bin";
  if (nt()) {
    run_rows(add_directories_to_path, &step_results::environment, {
        {"present in another case", given("c:\\windows;C:\\TeX\\BIN\\", "", "c:\\windows;"), "", {},
         "不要", true, {path + "c:\\windows;", unchanged}},
        // The value already ends with ";".
        {"both added", given("c:\\windows", gs, "c:\\windows;"), adding(tex, "成功") + adding(gs_bin, "成功"),
         {added(tex), added(gs_bin)}, "成功", true,
         {"REG_EXPAND_SZ " + path + "c:\\windows;c:\\tex\\bin;c:\\gs\\gs8.14\\bin;", "restart"}},
        {"unreadable value", given("c:\\windows", "", nullptr), adding(tex, "失敗"),
         {"レジストリを読み込めませんでした．", added(tex) + "しようとしたら失敗．"}, "失敗", false,
         {path + "<none>"}},
    });
    return;
  }
  const std::string both = "c:\\tex\\bin,c:\\gs\\gs8.14\\bin";
  run_rows(add_directories_to_path, &step_results::environment, {
      {"both added", given("c:\\windows", gs, "c:\\windows"), adding(both, "成功"), {added(both)}, "成功", true,
       {path + "c:\\windows", unchanged + "\r\nset PATH=\"%PATH%\";c:\\tex\\bin;c:\\gs\\gs8.14\\bin\r\n",
        "restart"}},
      // Without windir there is no autoexec.bat to write to.
      {"no windir", given("c:\\windows", "", "c:\\windows", ""), adding(tex, "失敗"),
       {added(tex) + "しようとしたら失敗．"}, "失敗", true, {path + "c:\\windows", unchanged}},
  });
}

// Deleting TEXMF: on NT from both registry places even without autoexec.bat (its
// set lines go through dialog 112 in dialogs_test), on 9x from autoexec.bat only.
TEST(delete_env_variable, clears_the_registry_on_nt_and_the_set_lines) {
  step_run run("delete");
  run.set_value(HKEY_LOCAL_MACHINE, system_environment, "TEXMF", "c:/old");
  run.set_value(HKEY_CURRENT_USER, "Environment", "TEXMF", "c:/old");
  run.set_file(autoexec, batch);
  const bool on_nt = nt();
  if (on_nt) DeleteFileA(autoexec);
  delete_env_variable(run.settings, "TEXMF");
  const std::vector<std::string> log = {"環境変数「TEXMF」の削除開始．",
                                        on_nt ? "C:\\autoexec.batからの削除失敗．" : "環境変数「TEXMF」の削除終了．"};
  EXPECT_EQ(log, run.log());
  EXPECT_EQ(on_nt ? "" : "@echo off\r\nrem set TEXMF=x\r\n", read_file(autoexec));
  EXPECT_EQ(on_nt ? "<none>" : "c:/old", reg_text(HKEY_LOCAL_MACHINE, system_environment, "TEXMF"));
  EXPECT_EQ(on_nt ? "<none>" : "c:/old", reg_text(HKEY_CURRENT_USER, "Environment", "TEXMF"));
}

// The 9x rows above, in a child that Wine's per-program setting takes for Windows 98.
TEST(windows_98, child_passes) {
  if (!is_nt_family()) GTEST_SKIP() << "this is the child";
  char self[MAX_PATH + 1] = "";
  GetModuleFileNameA(nullptr, self, sizeof self);
  const std::string name = self;
  step_run run("win98");
  const std::string key = "Software\\Wine\\AppDefaults\\" + name.substr(name.rfind('\\') + 1);
  run.set_value(HKEY_CURRENT_USER, key, "Version", "win98");
  run.set_variable("TAMARI_EXPECT_WIN98", "1");
  const std::string tests = "add_directories_to_path.*:delete_env_variable.*";
  EXPECT_TRUE(run_and_wait(("\"" + name + "\" --gtest_filter=" + tests).c_str(), "", false))
      << "expected the Windows 98 child's tests to pass";
}

}  // namespace

// The PATH step and the deletion of a variable, on the NT family and, in a
// child that Wine presents as Windows 98, on the 9x family.
#include <gtest/gtest.h>

#include <cstdlib>

#include "install/environment.h"
#include "system/system_info.h"
#include "tests/install/step_fixture.h"

namespace {

TEST(add_directories_to_path, extends_the_system_value_on_nt) {
  struct {
    const char *what, *installer_path, *ghostscript_dir;
    const char* value;  // null: missing
    const char *text, *result, *value_after;
    std::vector<std::string> log;
  } cases[] = {
      {"present in another case", "c:\\windows;C:\\TeX\\BIN\\", "", "c:\\windows;", "", "不要",
       "c:\\windows;", {}},
      {"both added, no second ;", "c:\\windows", "c:\\gs\\gs8.14\\", "c:\\windows;",
       "環境変数PATHにc:\\tex\\binを追加……成功\r\n環境変数PATHにc:\\gs\\gs8.14\\binを追加……成功\r\n",
       "成功", "c:\\windows;c:\\tex\\bin;c:\\gs\\gs8.14\\bin;",
       {"環境変数PATHにc:\\tex\\binを追加", "環境変数PATHにc:\\gs\\gs8.14\\binを追加"}},
      {"unreadable value", "c:\\windows", "", nullptr, "環境変数PATHにc:\\tex\\binを追加……失敗\r\n",
       "失敗", "<none>", {"レジストリを読み込めませんでした．", "環境変数PATHにc:\\tex\\binを追加しようとしたら失敗．"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto path_value = saved_value(HKEY_LOCAL_MACHINE, system_environment, "PATH");
    auto path_variable = saved_variable("PATH", c.installer_path);
    step_run run("path_nt");
    run.settings.set_install_dir("c:\\tex\\");
    run.settings.load_settings();
    run.context.ghostscript_dir = c.ghostscript_dir;
    reg_set(HKEY_LOCAL_MACHINE, system_environment, "PATH", c.value);
    bool written = add_directories_to_path(run.context);
    DWORD type = 0;
    EXPECT_EQ(c.value_after, reg_text(HKEY_LOCAL_MACHINE, system_environment, "PATH", &type));
    if (std::string(c.result) == "成功") {
      EXPECT_EQ(DWORD{REG_EXPAND_SZ}, type);
    }
    EXPECT_EQ(c.text, run.sink.text);
    EXPECT_STREQ(c.result, run.state.step_results.environment.c_str());
    EXPECT_EQ(c.log, run.log());
    EXPECT_EQ(std::string(c.result) != "失敗", written);
    EXPECT_EQ(std::string(c.result) == "成功", run.state.restart_needed);
  }
}

const char batch[] =
    "@echo off\r\nset TEXMF=c:/tex\r\n  SET texmf = x\r\nrem set TEXMF=x\r\nset TEXMFMAIN=x\r\n";
const char batch_without_texmf[] = "@echo off\r\nrem set TEXMF=x\r\nset TEXMFMAIN=x\r\n";

TEST(delete_env_variable, clears_the_registry_and_the_set_lines_on_nt) {
  struct {
    const char* before;  // null: no autoexec.bat
    const char* after;
    std::vector<std::string> log;
  } cases[] = {
      {batch, batch_without_texmf, {"環境変数「TEXMF」の削除開始．", "環境変数「TEXMF」の削除終了．"}},
      {"@echo off\r\n", "@echo off\r\n", {"環境変数「TEXMF」の削除開始．"}},
      {nullptr, "", {"環境変数「TEXMF」の削除開始．", "C:\\autoexec.batからの削除失敗．"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.before ? c.before : "no file");
    auto file = saved_file(autoexec);
    auto system_value = saved_value(HKEY_LOCAL_MACHINE, system_environment, "TEXMF");
    auto user_value = saved_value(HKEY_CURRENT_USER, "Environment", "TEXMF");
    reg_set(HKEY_LOCAL_MACHINE, system_environment, "TEXMF", "c:/old");
    reg_set(HKEY_CURRENT_USER, "Environment", "TEXMF", "c:/old");
    if (c.before) write_file(autoexec, c.before);
    step_run run("delete_nt");
    delete_env_variable(run.settings, "TEXMF");
    EXPECT_EQ(c.after, read_file(autoexec));
    EXPECT_EQ(c.log, run.log());
    EXPECT_EQ("<none>", reg_text(HKEY_LOCAL_MACHINE, system_environment, "TEXMF"));
    EXPECT_EQ("<none>", reg_text(HKEY_CURRENT_USER, "Environment", "TEXMF"));
  }
}

// Run by the child below: skipped where the family is NT.
TEST(windows_98, edits_autoexec_bat_only) {
  if (is_nt_family()) {
    ASSERT_EQ(nullptr, std::getenv("TAMARI_EXPECT_WIN98"))
        << "the child was not taken for Windows 98";
    GTEST_SKIP() << "runs in the Windows 98 child";
  }
  auto file = saved_file(autoexec);
  auto user_value = saved_value(HKEY_CURRENT_USER, "Environment", "TEXMF");
  reg_set(HKEY_CURRENT_USER, "Environment", "TEXMF", "c:/old");
  std::string system_path = reg_text(HKEY_LOCAL_MACHINE, system_environment, "PATH");
  auto path_variable = saved_variable("PATH", "c:\\windows");
  write_file(autoexec, batch);
  step_run run("path_9x");
  run.settings.set_install_dir("c:\\tex\\");
  run.settings.load_settings();
  run.context.ghostscript_dir = "c:\\gs\\gs8.14\\";
  EXPECT_TRUE(add_directories_to_path(run.context));
  delete_env_variable(run.settings, "TEXMF");
  EXPECT_EQ(std::string(batch_without_texmf) +
                "\r\nset PATH=\"%PATH%\";c:\\tex\\bin;c:\\gs\\gs8.14\\bin\r\n",
            read_file(autoexec));
  EXPECT_EQ("環境変数PATHにc:\\tex\\bin,c:\\gs\\gs8.14\\binを追加……成功\r\n", run.sink.text);
  EXPECT_STREQ("成功", run.state.step_results.environment.c_str());
  EXPECT_TRUE(run.state.restart_needed);
  EXPECT_EQ(system_path, reg_text(HKEY_LOCAL_MACHINE, system_environment, "PATH"));
  EXPECT_EQ("c:/old", reg_text(HKEY_CURRENT_USER, "Environment", "TEXMF"))
      << "the registry is the NT family's";
  auto windir = saved_variable("windir", "");
  step_run unwritable("path_9x_fail");
  EXPECT_TRUE(add_directories_to_path(unwritable.context));
  EXPECT_EQ("環境変数PATHに" + unwritable.tex() + "binを追加……失敗\r\n", unwritable.sink.text);
  EXPECT_STREQ("失敗", unwritable.state.step_results.environment.c_str());
}

TEST(windows_98, child_passes) {
  if (!is_nt_family()) GTEST_SKIP();
  char self[MAX_PATH + 1] = "";
  GetModuleFileNameA(nullptr, self, sizeof self);
  std::string name = self,
              command = "\"" + name + "\" --gtest_filter=windows_98.edits_autoexec_bat_only";
  std::string key = "Software\\Wine\\AppDefaults\\" + name.substr(name.rfind('\\') + 1);
  reg_set(HKEY_CURRENT_USER, key, "Version", "win98");
  auto expect = saved_variable("TAMARI_EXPECT_WIN98", "1");
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  DWORD code = 99;
  if (CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                     &process)) {
    WaitForSingleObject(process.hProcess, INFINITE);
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  RegDeleteKeyA(HKEY_CURRENT_USER, key.c_str());
  EXPECT_EQ(0u, code) << "expected the Windows 98 child's tests to pass";
}

}  // namespace

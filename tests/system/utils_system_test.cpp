// is_nt_family (also as Windows 98), get_env and windir_with_slashes.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "system/process.h"
#include "system/registry.h"
#include "system/system_info.h"

namespace {

// Restores a variable of this process at the end of a test.
class saved_variable {
 public:
  explicit saved_variable(const char* name) : name_(name) {
    char buffer[32768];
    DWORD length = GetEnvironmentVariableA(name, buffer, sizeof buffer);
    had_ = length > 0 && length < sizeof buffer;
    if (had_) value_.assign(buffer, length);
  }
  ~saved_variable() { SetEnvironmentVariableA(name_, had_ ? value_.c_str() : nullptr); }

 private:
  const char* name_;
  bool had_;
  std::string value_;
};

TEST(is_nt_family, is_true_under_the_default_version) { EXPECT_TRUE(is_nt_family()); }

TEST(is_nt_family, is_false_for_a_process_wine_presents_as_windows_98) {
  char self[MAX_PATH + 1] = "";
  ASSERT_GT(GetModuleFileNameA(nullptr, self, sizeof self), 0u);
  std::string name = self;
  name = name.substr(name.rfind('\\') + 1);
  std::string key = "Software\\Wine\\AppDefaults\\" + name;
  std::string command = "\"" + std::string(self) + "\" --is-nt-family";

  // The exit codes are 2 for true and 1 for false; run_and_wait sees only 0 as
  // success, so ask the child directly.
  auto ask_child = [&]() -> DWORD {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::string writable = command;
    if (!CreateProcessA(nullptr, &writable[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
      return 0;
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
  };

  ASSERT_TRUE(reg_write_string(HKEY_CURRENT_USER, key.c_str(), "Version", "win98", false));
  DWORD as_98 = ask_child();
  reg_delete_key_tree(HKEY_CURRENT_USER, key.c_str());
  DWORD as_default = ask_child();
  EXPECT_EQ(1u, as_98) << "expected false from a Windows 98 process";
  EXPECT_EQ(2u, as_default) << "expected true once the setting is gone";
}

TEST(get_env, reads_the_processes_own_environment) {
  saved_variable saved("TAMARI_ENV_TEST");
  SetEnvironmentVariableA("TAMARI_ENV_TEST", "c:\\表\\bin;d:\\x");
  EXPECT_STREQ("c:\\表\\bin;d:\\x", get_env("TAMARI_ENV_TEST").c_str());

  std::string long_value(5000, 'p');
  SetEnvironmentVariableA("TAMARI_ENV_TEST", long_value.c_str());
  EXPECT_EQ(long_value, std::string(get_env("TAMARI_ENV_TEST").c_str()));

  SetEnvironmentVariableA("TAMARI_ENV_TEST", nullptr);
  EXPECT_STREQ("", get_env("TAMARI_ENV_TEST").c_str());
}

TEST(windir_with_slashes, turns_backslashes_into_slashes) {
  saved_variable saved("windir");
  SetEnvironmentVariableA("windir", "C:\\WINNT");
  EXPECT_STREQ("C:/WINNT", windir_with_slashes().c_str());
  SetEnvironmentVariableA("windir", "C:\\WINDOWS\\");
  EXPECT_STREQ("C:/WINDOWS/", windir_with_slashes().c_str());
  // The second byte of 表 is 0x5C and stays.
  SetEnvironmentVariableA("windir", "D:\\表\\win");
  EXPECT_STREQ("D:/表/win", windir_with_slashes().c_str());
  SetEnvironmentVariableA("windir", nullptr);
  EXPECT_STREQ("", windir_with_slashes().c_str());
}

}  // namespace

#include "install/step_context.h"

const char result_success[] = "成功";
const char result_failure[] = "失敗";
const char result_cancelled[] = "キャンセル";
const char result_not_installed[] = "インストールしてない";
const char result_not_needed[] = "不要";

bool step_context::fail(const wklib::string& log_line, wklib::string* field) {
  if (!log_line.empty()) log(log_line);
  if (field) *field = result_failure;
  show("失敗\r\n");
  return false;
}

bool step_context::succeed(const wklib::string& log_line, wklib::string* field) {
  if (field) *field = result_success;
  show("成功\r\n");
  if (!log_line.empty()) log(log_line);
  return true;
}

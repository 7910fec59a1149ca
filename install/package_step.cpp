#include "install/package_step.h"

#include "support/message_box.h"

namespace {

bool install_logged(step_context& context, const package_step& package) {
  if (package.start_log) context.log(package.start_log);
  bool installed = package.install(context);
  if (package.end_log) context.log(package.end_log);
  return installed;
}

}  // namespace

int ask_replace(step_context& context, const char* question) {
  return wklib::message_box(context.window(), question, "tamari3", wklib::box_yes_no_cancel);
}

step_outcome run_package(step_context& context, const package_step& package) {
  if (!package.chosen(context.state)) {
    for (wklib::string step_results::*field : package.fields)
      if (field) context.results().*field = result_not_installed;
    return step_outcome::go_on;
  }
  if (package.installed && package.installed(context)) {
    int answer = ask_replace(context, package.replace_question);
    if (answer != wklib::answer_yes && answer != wklib::answer_no) return step_outcome::go_on;
    if (answer == wklib::answer_yes) {
      if (!package.uninstall(context)) {
        wklib::message_box(context.window(), package.uninstall_failure, "tamari3", wklib::box_ok);
        return step_outcome::go_on;
      }
      if (context.cancelled()) return step_outcome::cancelled;
    }
    if (!install_logged(context, package)) return step_outcome::go_on;
    if (context.cancelled()) return step_outcome::cancelled;
  } else if (!install_logged(context, package)) {
    return step_outcome::go_on;
  }
  if (package.configure) package.configure(context);
  return step_outcome::go_on;
}

#include "install/dviout.h"
#include "install/environment.h"
#include "install/ghostscript.h"
#include "install/gsview.h"
#include "install/install_dialog.h"
#include "install/w32tex.h"

namespace {

int finish_cancelled(step_context& context) {
  context.show("キャンセルされました．");
  return 4;
}

void install_other_software(step_context& context, other_software_source* other_software) {
  int selected = other_software ? other_software->count_selected() : 0;
  wklib::string& result = context.results().other_software;
  if (selected == 0) {
    result = "インストールしてない．";
    return;
  }
  context.log("その他のソフトウェアのインストール開始");
  context.show("その他のソフトウェアのインストール\r\n");
  int installed = other_software->install_selected(context.window());
  result = installed == selected ? result_success : result_failure;
  context.log(wklib::string("その他のソフトウェアのインストールに") + result + "しました．");
}

}  // namespace

int run_installation(step_context& context, other_software_source* other_software) {
  step_results& results = context.results();
  for (wklib::string* field :
       {&results.w32tex, &results.dviout, &results.dviout_settings, &results.ghostscript,
        &results.gsview, &results.ghostscript_settings, &results.environment,
        &results.other_software})
    *field = result_cancelled;
  context.progress.clear();

  run_package(context, w32tex_package);
  offer_obsolete_variables(context, tex_variables);
  if (context.cancelled()) return finish_cancelled(context);

  if (run_package(context, ghostscript_package) == step_outcome::cancelled)
    return finish_cancelled(context);
  offer_obsolete_variables(context, ghostscript_variables);
  if (context.cancelled()) return finish_cancelled(context);

  if (run_package(context, gsview_package) == step_outcome::cancelled ||
      context.cancelled())
    return finish_cancelled(context);

  add_directories_to_path(context);
  if (context.cancelled()) return finish_cancelled(context);

  if (run_package(context, dviout_package) == step_outcome::cancelled)
    return finish_cancelled(context);

  install_other_software(context, other_software);
  if (context.cancelled()) return finish_cancelled(context);
  return 0;
}

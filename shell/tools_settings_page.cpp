#include "shell/tools_settings_page.h"

#include <windows.h>

#include "resources/tamari3/ids.h"
#include "shell/url_group.h"
#include "state/install_settings.h"
#include "state/mirror_lists.h"

namespace {

const url_group dviout_group = {IDC_DVIOUT_URL_LIST, IDC_DVIOUT_URL_TYPED, IDC_DVIOUT_URL_EDIT};
const url_group gs_group = {IDC_GS_URL_LIST, IDC_GS_URL_TYPED, IDC_GS_URL_EDIT};
const url_group gsview_group = {IDC_GSVIEW_URL_LIST, IDC_GSVIEW_URL_TYPED, IDC_GSVIEW_URL_EDIT};
const url_group* const groups[] = {&dviout_group, &gs_group, &gsview_group};

}  // namespace

bool tools_settings_page::on_init(wklib::window_holder& window) {
  const install_settings& settings = the_settings();
  show_url_group(window, dviout_group, dviout_mirrors, settings.dviout_url(),
                 settings.dviout_url_from_list());
  show_url_group(window, gs_group, gs_mirrors, settings.gs_url(), settings.gs_url_from_list());
  show_url_group(window, gsview_group, gsview_mirrors, settings.gsview_url(),
                 settings.gsview_url_from_list());
  return true;
}

bool tools_settings_page::on_set_active(wklib::window_holder& window) {
  // The network switch lives on page 102 and may have changed since the last visit.
  bool use_network = the_settings().use_network();
  for (const url_group* group : groups) {
    if (use_network) {
      if (is_typed(window, *group))
        set_read_only(window, group->edit, false);
      else
        set_enabled(window, group->list, true);
    } else {
      set_enabled(window, group->list, false);
      set_read_only(window, group->edit, true);
    }
    set_enabled(window, group->check, use_network);
  }
  return false;
}

bool tools_settings_page::on_command(wklib::window_holder& window, int id, int notification) {
  if (notification != BN_CLICKED) return false;
  for (const url_group* group : groups) {
    if (group->check == id) {
      set_typed_mode(window, *group, is_checked(window, id));
      return true;
    }
  }
  return false;
}

bool tools_settings_page::on_wizard_next(wklib::window_holder& window) {
  install_settings& settings = the_settings();
  settings.set_dviout_url_from_list(!is_typed(window, dviout_group));
  settings.set_dviout_url(chosen_url(window, dviout_group));
  settings.set_gs_url_from_list(!is_typed(window, gs_group));
  settings.set_gs_url(chosen_url(window, gs_group));
  settings.set_gsview_url_from_list(!is_typed(window, gsview_group));
  settings.set_gsview_url(chosen_url(window, gsview_group));
  settings.load_settings();
  return true;
}

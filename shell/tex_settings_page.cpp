#include "shell/tex_settings_page.h"

#include <windows.h>

#include <cstdio>

#include "resources/tamari3/ids.h"
#include "shell/page_controls.h"
#include "shell/url_group.h"
#include "state/install_settings.h"
#include "state/mirror_lists.h"
#include "support/message_box.h"

namespace {

const url_group tex_group = {IDC_TEX_URL_LIST, IDC_TEX_URL_TYPED, IDC_TEX_URL_EDIT};

}  // namespace

bool is_usable_directory(const char* path) {
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(path); *p; ++p)
    if (*p == ' ' || IsDBCSLeadByte(*p)) return false;
  return true;
}

bool parse_port(const char* text, int& port) {
  long value = 0;
  for (const char* p = text; *p; ++p) {
    if (*p < '0' || *p > '9') return false;
    value = value * 10 + (*p - '0');
    if (value > 65535) return false;
  }
  port = static_cast<int>(value);
  return true;
}

bool tex_settings_page::on_init(wklib::window_holder& window) {
  const install_settings& settings = the_settings();
  window.set_item_text(IDC_SAVE_DIR, settings.save_dir().c_str());
  window.set_item_text(IDC_INSTALL_DIR, settings.install_dir().c_str());
  window.set_item_text(IDC_PROXY, settings.proxy().c_str());
  char port[16] = "";
  if (settings.port() != 0) std::snprintf(port, sizeof port, "%d", settings.port());
  window.set_item_text(IDC_PORT, port);
  show_url_group(window, tex_group, w32tex_mirrors, settings.tex_url(),
                 settings.tex_url_from_list());
  set_checked(window, IDC_DELETE_CACHE, settings.delete_cache());
  set_checked(window, IDC_NO_NETWORK, !settings.use_network());
  // The directories stay editable: an installation without network needs them too.
  if (!settings.use_network()) show_network(window, false);
  return true;
}

void tex_settings_page::show_network(wklib::window_holder& window, bool use_network) {
  if (!use_network) {
    set_enabled(window, IDC_TEX_URL_LIST, false);
    set_enabled(window, IDC_TEX_URL_TYPED, false);
    set_read_only(window, IDC_TEX_URL_EDIT, true);
    set_read_only(window, IDC_PROXY, true);
    set_read_only(window, IDC_PORT, true);
    set_enabled(window, IDC_DELETE_CACHE, false);
    return;
  }
  set_enabled(window, IDC_TEX_URL_TYPED, true);
  set_enabled(window, IDC_DELETE_CACHE, true);
  set_read_only(window, IDC_PROXY, false);
  set_read_only(window, IDC_PORT, false);
  // The mirror comes back in the mode the user left it in.
  if (is_typed(window, tex_group))
    set_read_only(window, IDC_TEX_URL_EDIT, false);
  else
    set_enabled(window, IDC_TEX_URL_LIST, true);
}

void tex_settings_page::browse(wklib::window_holder& window, int edit, const char* prompt) {
  wklib::string folder;
  if (browse_folder(folder, prompt, nullptr)) window.set_item_text(edit, folder.c_str());
}

bool tex_settings_page::on_command(wklib::window_holder& window, int id, int notification) {
  if (notification != BN_CLICKED) return false;
  switch (id) {
    case IDC_SAVE_DIR_BROWSE:
      browse(window, IDC_SAVE_DIR, "保存するディレクトリを選んでください．");
      return true;
    case IDC_INSTALL_DIR_BROWSE:
      browse(window, IDC_INSTALL_DIR, "インストールするディレクトリを選んでください．");
      return true;
    case IDC_TEX_URL_TYPED:
      set_typed_mode(window, tex_group, is_checked(window, IDC_TEX_URL_TYPED));
      return true;
    case IDC_NO_NETWORK:
      show_network(window, !is_checked(window, IDC_NO_NETWORK));
      return true;
  }
  return false;
}

bool tex_settings_page::stay() {
  select_sheet_page(window(), IDD_WIZARD_WELCOME);
  return true;
}

bool tex_settings_page::on_wizard_next(wklib::window_holder& window) {
  wklib::string save_dir = window.item_text(IDC_SAVE_DIR);
  if (!is_usable_directory(save_dir.c_str())) {
    message_box("保存ディレクトリに空白または全角文字（日本語の文字）が含まれてます．設定しなおしてく"
                "ださい．",
                "tamari3", wklib::box_ok);
    return stay();
  }
  wklib::string install_dir = window.item_text(IDC_INSTALL_DIR);
  if (!is_usable_directory(install_dir.c_str())) {
    message_box("インストールディレクトリに空白または全角文字（日本語の文字）が含まれてます．設定し"
                "なおしてください．",
                "tamari3", wklib::box_ok);
    return stay();
  }
  // Anything but digits would otherwise end the program in the conversion.
  int port = 0;
  if (!parse_port(window.item_text(IDC_PORT).c_str(), port)) {
    message_box("Portには0から65535までの半角数字を入力してください．", "tamari3", wklib::box_ok);
    return stay();
  }

  install_settings& settings = the_settings();
  settings.set_save_dir(save_dir);
  settings.set_install_dir(install_dir);
  settings.set_proxy(window.item_text(IDC_PROXY));
  settings.set_port(port);
  bool typed = is_typed(window, tex_group);
  settings.set_tex_url_from_list(!typed);
  settings.set_tex_url(chosen_url(window, tex_group));
  settings.set_delete_cache(is_checked(window, IDC_DELETE_CACHE));
  settings.set_use_network(!is_checked(window, IDC_NO_NETWORK));
  settings.load_settings();
  return true;
}

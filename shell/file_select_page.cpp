#include "shell/file_select_page.h"

#include "catalogue/catalogue_ids.h"
#include "catalogue/list_rows.h"
#include "download/download_dialog.h"
#include "install/install_dialog.h"
#include "resources/tamari3/ids.h"
#include "shell/advanced_dialog.h"
#include "shell/list_reading.h"
#include "shell/wizard.h"
#include "state/install_settings.h"
#include "state/install_state.h"
#include "support/message_box.h"

namespace {

const std::vector<list_column> w32tex_columns = {{"ファイル名", 163}, {"状態", 50}, {"サイズ", 60}};
const std::vector<list_column> package_columns = {{"ファイル名", 150}, {"サイズ", 60}};

HWND page_item(HWND page, int id) { return page ? GetDlgItem(page, id) : nullptr; }

// The plug-ins ticked on page 113, as the installation sees them.
class selected_plugins : public other_software_source {
 public:
  explicit selected_plugins(plugin_host& host) : host_(host) {}
  int count_selected() const override { return host_.count_selected(); }
  int install_selected(HWND progress_window) override {
    return host_.install_selected(progress_window);
  }

 private:
  plugin_host& host_;
};

// Appends every ticked row of `list`: URL = `base_url` + name, path = save
// directory + name, size from column `size_column`. Answers the path of the
// last ticked row (empty when none was ticked).
wklib::string add_ticked(HWND list, int size_column, const wklib::string& base_url,
                         download_job& job) {
  const wklib::string& save_dir = the_settings().save_dir();
  wklib::string last;
  int count = row_count(list);
  for (int row = 0; row < count; ++row) {
    if (!list_is_ticked(list, row)) continue;
    list_row texts = read_row(list, row);
    if (texts.empty()) continue;
    last = save_dir + texts[0];
    job.urls.push_back(base_url + texts[0]);
    job.local_paths.push_back(last);
    job.sizes.push_back(size_column < static_cast<int>(texts.size()) ? parse_size(texts[size_column])
                                                                      : 0);
  }
  return last;
}

bool starts_with(const wklib::string& text, const wklib::string& prefix) {
  return text.length() >= prefix.length() && text.substr(0, prefix.length()) == prefix;
}

}  // namespace

unsigned long parse_size(const wklib::string& text) {
  unsigned long size = 0;
  for (int i = 0; i < text.length(); ++i) {
    if (text[i] < '0' || text[i] > '9') return 0;
    size = size * 10 + static_cast<unsigned long>(text[i] - '0');
  }
  return size;
}


HWND file_select_page::w32tex_list() const { return page_item(window(), IDC_FILE_W32TEX); }
HWND file_select_page::dviout_list() const { return page_item(window(), IDC_FILE_DVIOUT); }
HWND file_select_page::ghostscript_list() const { return page_item(window(), IDC_FILE_GHOSTSCRIPT); }
HWND file_select_page::gsview_list() const { return page_item(window(), IDC_FILE_GSVIEW); }

bool file_select_page::on_init(wklib::window_holder& window) {
  list_insert_columns(window.item(IDC_FILE_W32TEX), w32tex_columns);
  list_insert_columns(window.item(IDC_FILE_DVIOUT), package_columns);
  list_insert_columns(window.item(IDC_FILE_GHOSTSCRIPT), package_columns);
  list_insert_columns(window.item(IDC_FILE_GSVIEW), package_columns);
  return true;
}

bool file_select_page::on_set_active(wklib::window_holder& window) {
  window.set_item_text(IDC_FILE_TEXT,
                       the_settings().use_network()
                           ? "ダウンロード＆インストールするファイルを選んでください．「次へ」を"
                             "押すとダウンロードとインストールを開始します．"
                           : "インストールするファイルを選んでください．\r\n「次へ」を押すとイン"
                             "ストールを開始します．");
  return false;
}

bool file_select_page::on_command(wklib::window_holder& window, int id, int notification) {
  if (id != IDC_FILE_ADVANCED || notification != BN_CLICKED) return false;
  advanced_dialog advanced(wizard_.instance(), read_rows(window.item(IDC_FILE_W32TEX)));
  advanced.run(window.handle);
  return true;
}

bool file_select_page::stay() {
  wizard_.select_page(IDD_OTHER_SOFTWARE);
  return true;
}

int file_select_page::run_installation_hidden() {
  plugins_page& plugins = wizard_.plugins();
  selected_plugins other_software(plugins.host());
  bool any = plugins.host().count_selected() > 0;
  return run_installation_dialog(nullptr, any ? &other_software : nullptr);
}

bool file_select_page::on_wizard_next(wklib::window_holder& window) {
  const install_settings& settings = the_settings();
  install_state& state = the_install_state();
  download_job job;

  size_t w32tex_first = job.urls.size();
  add_ticked(window.item(IDC_FILE_W32TEX), 2, settings.tex_url(), job);
  if (settings.install_downloaded()) {
    state.w32tex_archives.assign(job.local_paths.begin() + w32tex_first, job.local_paths.end());
  } else {
    // Bare names from the catalogue or the advanced dialog; a retry finds them
    // already in front of the save directory.
    for (wklib::string& archive : state.w32tex_archives)
      if (!starts_with(archive, settings.save_dir())) archive = settings.save_dir() + archive;
  }
  state.dviout_archive = add_ticked(window.item(IDC_FILE_DVIOUT), 1, settings.dviout_url(), job);
  state.gs_archive = add_ticked(window.item(IDC_FILE_GHOSTSCRIPT), 1, settings.gs_url(), job);
  state.gsview_installer = add_ticked(window.item(IDC_FILE_GSVIEW), 1, settings.gsview_url(), job);

  std::vector<plugin_download> plugin_files;
  if (!wizard_.plugins().host().collect_downloads(wizard_.window(), settings.save_dir(),
                                                  plugin_files))
    return stay();  // the plug-in has said why itself
  for (const plugin_download& file : plugin_files) {
    job.urls.push_back(file.url);
    job.local_paths.push_back(file.path);
    job.sizes.push_back(file.size);
  }

  HWND sheet = wizard_.window();
  ShowWindow(sheet, SW_HIDE);
  UpdateWindow(sheet);
  if (!settings.use_network()) {
    int installed = run_installation_hidden();
    ShowWindow(sheet, SW_SHOW);
    if (installed == 3) {
      message_box("スレッド作成に失敗．", "tamari3", wklib::box_ok);
      return stay();
    }
    return true;
  }

  int downloaded = run_download(nullptr, job);
  if (downloaded == 0) {
    int installed = run_installation_hidden();
    ShowWindow(sheet, SW_SHOW);
    if (installed == 3) {
      message_box("スレッド作成に失敗", "tamari3.exe", wklib::box_ok);
      return stay();
    }
    return true;
  }
  ShowWindow(sheet, SW_SHOW);
  static const char* const failures[] = {"キャンセルされました．", "接続時に失敗．",
                                         "スレッドの作成に失敗．"};
  if (downloaded >= 1 && downloaded <= 3)
    message_box(failures[downloaded - 1], "tamari3.exe", wklib::box_ok);
  return stay();
}

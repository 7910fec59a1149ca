#include "plugins/plugin_host.h"

#include <commctrl.h>

#include "support/file_finder.h"
#include "support/message_box.h"

namespace {

const int name_column_width = 150;
const int info_column_width = 390;

template <typename function>
function resolve(HMODULE module, const char* name) {
  return reinterpret_cast<function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

void add_column(HWND list, int index, const char* title, int width) {
  LVCOLUMNA column = {};
  column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
  column.pszText = const_cast<char*>(title);
  column.cx = width;
  column.iSubItem = index;
  SendMessageA(list, LVM_INSERTCOLUMNA, index, reinterpret_cast<LPARAM>(&column));
}

}  // namespace

wklib::string plugin_host::plugin_directory() {
  const int size = 4095;
  wklib::string path;
  const DWORD length = GetModuleFileNameA(nullptr, path.buffer(size), size);
  path.set_length(length < static_cast<DWORD>(size) ? static_cast<int>(length) : size - 1);
  // rfind never stops on the second byte of a character such as 表.
  const int slash = path.rfind("\\");
  if (slash >= 0) path.erase(slash);
  return path + "\\plugin";
}

bool plugin_host::load(plugin_entry& entry) {
  if (entry.module) return false;
  HMODULE module = LoadLibraryA(entry.path.c_str());
  if (!module) return false;
  entry.info = resolve<plugin_text_function>(module, "Info");
  entry.soft_name = resolve<plugin_text_function>(module, "SoftName");
  entry.set = resolve<plugin_set_function>(module, "Set");
  entry.init = resolve<plugin_init_function>(module, "Init");
  entry.get_download_data = resolve<plugin_download_function>(module, "GetDownloadData");
  entry.install = resolve<plugin_install_function>(module, "Install");
  if (!entry.info || !entry.soft_name || !entry.get_download_data || !entry.install ||
      !entry.init) {
    FreeLibrary(module);
    return false;
  }
  entry.module = module;
  return true;
}

void plugin_host::discover(const wklib::string& plugin_dir, const wklib::string& ini_path,
                           const wklib::string& log_path) {
  unload_all();
  ini_path_ = ini_path;
  log_path_ = log_path;
  // Errors of libraries that cannot be loaded stay silent: no box in the user's way.
  const UINT old_mode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  wklib::file_finder finder;
  WIN32_FIND_DATAA found;
  if (finder.find_first((plugin_dir + "\\*.dll").c_str())) {
    while (finder.find_next(found)) {
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
      plugin_entry entry;
      entry.path = plugin_dir + "\\" + found.cFileName;
      if (!load(entry)) continue;
      if (entry.init(ini_path_.c_str(), log_path_.c_str())) {
        entries_.push_back(entry);
      } else {
        FreeLibrary(entry.module);
      }
    }
  }
  SetErrorMode(old_mode);
}

void plugin_host::fill_list(HWND list_view) const {
  SendMessageA(list_view, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT,
               LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
  add_column(list_view, 0, "ソフト名", name_column_width);
  add_column(list_view, 1, "説明", info_column_width);
  for (size_t i = 0; i < entries_.size(); ++i) {
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = static_cast<int>(i);
    item.pszText = const_cast<char*>(entries_[i].soft_name());
    const int row = static_cast<int>(
        SendMessageA(list_view, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    if (row < 0) continue;
    item.iItem = row;
    item.iSubItem = 1;
    item.pszText = const_cast<char*>(entries_[i].info());
    SendMessageA(list_view, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
  }
}

int plugin_host::selected_row(HWND list_view) {
  return static_cast<int>(SendMessageA(list_view, LVM_GETNEXTITEM, static_cast<WPARAM>(-1),
                                       MAKELPARAM(LVNI_SELECTED, 0)));
}

void plugin_host::open_settings(int row, HWND owner) const {
  if (row < 0 || row >= static_cast<int>(entries_.size())) return;
  if (entries_[row].set) {
    entries_[row].set(owner);
  } else {
    wklib::message_box(owner, "このソフトは設定なしでインストール出来ます．", "tamari3",
                       wklib::box_ok);
  }
}

void plugin_host::read_selection(HWND list_view) {
  for (size_t i = 0; i < entries_.size(); ++i) {
    const LRESULT state = SendMessageA(list_view, LVM_GETITEMSTATE, i, LVIS_STATEIMAGEMASK);
    // State image 2 is the ticked box, 1 the empty one.
    entries_[i].selected = ((state & LVIS_STATEIMAGEMASK) >> 12) == 2;
  }
}

void plugin_host::set_selected(int row, bool selected) {
  if (row >= 0 && row < static_cast<int>(entries_.size())) entries_[row].selected = selected;
}

bool plugin_host::collect_downloads(HWND owner, const wklib::string& save_dir,
                                    std::vector<plugin_download>& out) const {
  std::vector<plugin_download> gathered;
  for (const plugin_entry& entry : entries_) {
    if (!entry.selected) continue;
    const download_data data = entry.get_download_data(owner);
    if (!data.ok) return false;
    // Copied at once: the records are the plug-in's only until its next call.
    for (int i = 0; data.entries && i < data.count; ++i) {
      const download_entry& file = data.entries[i];
      if (!file.url || !file.file_name || !*file.url || !*file.file_name) continue;
      gathered.push_back(
          {file.url, save_dir + file.file_name, static_cast<unsigned long>(file.size)});
    }
  }
  out.insert(out.end(), gathered.begin(), gathered.end());
  return true;
}

int plugin_host::count_selected() const {
  int count = 0;
  for (const plugin_entry& entry : entries_) count += entry.selected ? 1 : 0;
  return count;
}

int plugin_host::install_selected(HWND progress_window) const {
  int installed = 0;
  for (const plugin_entry& entry : entries_) {
    if (entry.selected && entry.install(progress_window)) ++installed;
  }
  return installed;
}

void plugin_host::unload_all() {
  for (plugin_entry& entry : entries_) {
    if (entry.module && FreeLibrary(entry.module)) entry.module = nullptr;
  }
  entries_.clear();
}

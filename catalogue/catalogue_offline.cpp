// The offline catalogue: the four lists from the names in the save directory.
#include <windows.h>

#include "catalogue/catalogue_rules.h"
#include "catalogue/catalogue_view.h"
#include "catalogue/info_archive.h"
#include "catalogue/info_file.h"
#include "catalogue/newest.h"
#include "state/install_settings.h"
#include "state/install_state.h"
#include "support/file_finder.h"
#include "support/pattern_search.h"

namespace {

struct offline_tool {
  const char* before_text;
  const char* pattern_error;
  catalogue_list list;
  const wklib::string& (install_settings::*pattern)() const;
};

const offline_tool offline_tools[] = {
    {"成功\r\ndvioutの検索……", "dviout検索用正規表現にミスがあります．", list_dviout,
     &install_settings::dviout_pattern},
    {"成功\r\nGhostScriptの検索……", "GhostScript検索用正規表現にミスがあります．",
     list_ghostscript, &install_settings::gs_pattern},
    {"成功\r\nGSViewの検索……", "GSView検索用正規表現にミスがあります．", list_gsview,
     &install_settings::gsview_pattern},
};

name_list saved_names(const wklib::string& save_dir) {
  name_list names;
  wklib::file_finder finder;
  if (!finder.find_first((save_dir + "*.*").c_str())) return names;
  WIN32_FIND_DATAA entry;
  // Only files can be archives: the information archive's own unpack directory
  // lies here after an online run, and the list's program text quotes its name.
  while (finder.find_next(entry))
    if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(wklib::string(entry.cFileName));
  return names;
}

}  // namespace

catalogue_result build_catalogue_offline(catalogue_view& view, wklib::string& text) {
  install_settings& settings = the_settings();
  const wklib::string& save_dir = settings.save_dir();
  auto fail = [&](const char* log_line) {
    if (log_line) settings.append_log(log_line);
    text += "失敗";
    view.show(text);
    return catalogue_other_failure;
  };
  // 0 for a file that cannot be opened.
  auto saved_size = [&](const wklib::string& name) {
    return size_text(wklib::file_size((save_dir + name).c_str()));
  };
  settings.append_log("手元のファイルから情報を取得");
  text = "保存されているファイルを検索……";
  view.show(text);
  name_list names = saved_names(save_dir);
  if (names.empty()) return fail("ファイル検索ができませんでした．");
  text += "成功\r\n保存されてるTeXファイルの検索……";
  view.show(text);
  for (wklib::string& name : names) name.lower();

  wklib::pattern_search pattern;
  if (!pattern.set_pattern(settings.tex_pattern().c_str()))
    return fail("TeX情報検索ファイルにミスがあります．");
  name_list archives;
  for (const wklib::string& name : names) {
    if (name_matches_found(pattern, name)) archives.push_back(name);
  }
  if (archives.empty()) return fail("TeX情報ファイルがありませんでした．");
  const wklib::string archive = archives[newest_by_number(archives)];
  text += "成功\r\n" + archive + "を解凍……";
  view.show(text);
  if (!unpack_info_archive(save_dir, archive))
    return fail((archive + "の解凍に失敗．").c_str());
  text += "成功\r\nTeXファイルの検索……";
  view.show(text);
  const wklib::string info_path = info_file_path(save_dir, archive);
  name_list info_names;
  if (!read_info_file(info_path, info_offline, names, info_names))
    return fail((info_path + "が開けませんでした．").c_str());
  view.clear_rows(list_w32tex);
  std::vector<wklib::string>& w32tex_archives = the_install_state().w32tex_archives;
  for (const wklib::string& name : info_names) {
    w32tex_archives.push_back(name);
    view.append_row(list_w32tex, {name, "ある", saved_size(name)}, true);
  }

  for (const offline_tool& tool : offline_tools) {
    text += tool.before_text;
    view.show(text);
    if (!pattern.set_pattern((settings.*tool.pattern)().c_str())) return fail(tool.pattern_error);
    view.clear_rows(tool.list);
    name_list found;
    for (const wklib::string& name : names) {
      if (!name_matches_found(pattern, name)) continue;
      found.push_back(name);
      view.append_row(tool.list, {name, saved_size(name)}, false);
    }
    if (!found.empty()) view.set_ticked(tool.list, newest_by_number(found), true);
  }
  text += "成功\r\n";
  view.show(text);
  return catalogue_done;
}

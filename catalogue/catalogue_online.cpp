// The online catalogue: the W32TeX step (information archive, its list, each
// archive's state) and one step per tool package, each over its own clients.
#include <windows.h>

#include "catalogue/catalogue_rules.h"
#include "catalogue/catalogue_view.h"
#include "catalogue/info_archive.h"
#include "catalogue/info_file.h"
#include "catalogue/listing.h"
#include "catalogue/newest.h"
#include "net/open_mirror.h"
#include "state/install_settings.h"
#include "state/install_state.h"
#include "support/pattern_search.h"
#include "system/file_system.h"

namespace {

// The ending of every step that sees Cancel.
catalogue_result cancel_ending(catalogue_view& view, wklib::string& text) {
  text += "キャンセルされました．";
  view.show(text);
  return catalogue_cancelled;
}

std::uint64_t file_time_value(const FILETIME& time) {
  return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// One step's clients and the progress text it writes to.
class step {
 public:
  step(catalogue_view& view, wklib::string& text) : view_(view), text_(text) {
    ftp_.open();
    http_.open();
  }

  void add(const char* words) {
    text_ += words;
    view_.show(text_);
  }
  catalogue_result fail(catalogue_result result) {
    add("失敗");
    return result;
  }
  catalogue_result cancel() {
    const catalogue_result result = cancel_ending(view_, text_);
    close();
    return result;
  }
  void close() {
    ftp_.close_connection();
    http_.close_connection();
  }
  bool cancelled() const { return view_.cancelled(); }

  bool connect(const wklib::string& url) {
    mode_ = open_mirror(url, ftp_, http_, path_);
    return mode_ != mirror_failed;
  }
  // The mirror directory's names; catalogue_done, or the step's ending.
  catalogue_result list(name_list& names) {
    switch (read_listing(mode_, ftp_, http_, path_, names, view_.cancel_flag())) {
      case listing_cancelled:
        return cancel();
      case listing_failed:
        return fail(catalogue_connection_failed);
      case listing_complete:
        break;
    }
    return catalogue_done;
  }
  known_time mirror_time(const wklib::string& name) {
    FILETIME time;
    known_time result;
    result.known = mode_ == mirror_ftp ? ftp_.remote_time_utc(name, time)
                                       : http_.head_time_utc(path_ + name, time);
    if (result.known) result.utc = file_time_value(time);
    return result;
  }
  std::uint32_t mirror_size(const wklib::string& name) {
    return mode_ == mirror_ftp ? ftp_.remote_size(name) : http_.head_size(path_ + name);
  }
  bool fetch(const wklib::string& name, const wklib::string& local) {
    return mode_ == mirror_ftp ? ftp_.get_file(name, local) : http_.get_to_file(path_ + name, local);
  }

  ftp_client ftp_;
  http_client http_;

 private:
  catalogue_view& view_;
  wklib::string& text_;
  mirror_mode mode_ = mirror_failed;
  wklib::string path_;
};

// The saved copy's time in UTC, unknown when there is none.
known_time saved_time(const wklib::string& path) {
  known_time result;
  result.known = file_exists(path) && file_write_time(path, result.utc);
  return result;
}

catalogue_result w32tex_step(catalogue_view& view, wklib::string& text) {
  install_settings& settings = the_settings();
  view.clear_rows(list_w32tex);
  step s(view, text);
  const wklib::string proxy = make_proxy_text(settings.proxy(), settings.port());
  if (!proxy.empty() && !s.http_.set_proxy(proxy)) {
    settings.append_log("HTTPのproxy設定に失敗．");
    return catalogue_connection_failed;
  }
  text = "♪W32TeXの情報を取得♪\r\n接続……";
  settings.append_log("W32TeXの情報取得を開始");
  view.show(text);
  if (!s.connect(settings.tex_url())) return s.fail(catalogue_connection_failed);
  s.add("成功\r\n情報ファイルを検索……");
  if (s.cancelled()) return s.cancel();

  name_list names;
  const catalogue_result listed = s.list(names);
  if (listed != catalogue_done) return listed;
  if (s.cancelled()) return s.cancel();

  wklib::pattern_search pattern;
  if (!pattern.set_pattern(settings.tex_pattern().c_str())) {
    settings.append_log("W32TeXを探す為の正規表現にミスがあります．");
    return s.fail(catalogue_other_failure);
  }
  const wklib::string* archive = nullptr;
  for (const wklib::string& name : names) {
    if (name_matches_found(pattern, name)) {
      archive = &name;
      break;
    }
  }
  if (s.cancelled()) return s.cancel();
  if (!archive) {
    settings.append_log("情報ファイルが見つかりませんでした．");
    return s.fail(catalogue_connection_failed);
  }
  const wklib::string& name = *archive;
  s.add(("成功\r\n情報ファイル" + name + "を発見\r\n" + name + "をダウンロード……").c_str());
  if (!s.fetch(name, settings.save_dir() + name)) {
    settings.append_log("ファイル一覧の取得に失敗．");
    return s.fail(catalogue_connection_failed);
  }
  if (s.cancelled()) return s.cancel();
  s.add(("成功\r\n" + name + "を解凍……").c_str());
  if (!unpack_info_archive(settings.save_dir(), name)) return s.fail(catalogue_other_failure);
  s.add("成功\r\nファイル一覧を作成……");
  name_list info_names;
  if (!read_info_file(info_file_path(settings.save_dir(), name), info_online, names, info_names))
    return s.fail(catalogue_other_failure);
  if (s.cancelled()) return s.cancel();

  std::vector<wklib::string>& archives = the_install_state().w32tex_archives;
  for (const wklib::string& archive_name : info_names) {
    const known_time mirror = s.mirror_time(archive_name);
    const w32tex_state state =
        decide_w32tex_state(mirror, saved_time(settings.save_dir() + archive_name));
    const wklib::string size = mirror.known ? size_text(s.mirror_size(archive_name)) : "0";
    const bool ticked = w32tex_state_ticked(state);
    if (ticked) archives.push_back(archive_name);
    view.append_row(list_w32tex, {archive_name, w32tex_state_text(state), size}, ticked);
    if (s.cancelled()) return s.cancel();
  }
  s.close();
  settings.append_log("W32TeX情報の取得終了");
  return catalogue_done;
}

catalogue_result tool_step(catalogue_view& view, catalogue_list list, const wklib::string& url,
                           const wklib::string& pattern_text, wklib::string& text) {
  install_settings& settings = the_settings();
  view.clear_rows(list);
  step s(view, text);
  const wklib::string proxy = make_proxy_text(settings.proxy(), settings.port());
  if (!proxy.empty()) {
    s.ftp_.set_proxy(proxy);
    s.http_.set_proxy(proxy);
  }
  s.add("接続……");
  if (!s.connect(url)) return s.fail(catalogue_connection_failed);
  if (s.cancelled()) return s.cancel();
  s.add("成功\r\nファイル一覧を作成……");
  name_list names;
  const catalogue_result listed = s.list(names);
  if (listed != catalogue_done) return listed;
  wklib::pattern_search pattern;
  if (!pattern.set_pattern(pattern_text.c_str())) {
    settings.append_log("正規表現にミスがあります．");
    return s.fail(catalogue_other_failure);
  }
  name_list candidates;
  for (const wklib::string& name : names) {
    if (name_matches_whole(pattern, name)) candidates.push_back(name);
  }
  if (s.cancelled()) return s.cancel();
  for (const wklib::string& name : candidates) {
    view.append_row(list, {name, size_text(s.mirror_size(name))}, false);
    if (s.cancelled()) return s.cancel();
  }
  int newest = -1;
  bool tick = false;
  if (!candidates.empty()) {
    newest = newest_by_number(candidates);
    const known_time saved = saved_time(settings.save_dir() + candidates[newest]);
    // The mirror is asked only when a saved copy could make the fetch needless.
    tick = decide_tool_tick(saved.known ? s.mirror_time(candidates[newest]) : known_time(), saved);
  }
  s.close();
  if (tick) view.set_ticked(list, newest, true);
  if (s.cancelled()) return cancel_ending(view, text);
  s.add("成功\r\n\r\n");
  return catalogue_done;
}

struct tool_package {
  const char* before_text;
  const char* log_before;
  const char* log_after;
  catalogue_list list;
  const wklib::string& (install_settings::*url)() const;
  const wklib::string& (install_settings::*pattern)() const;
};

const tool_package tool_packages[] = {
    {"成功\r\n\r\n♪dvioutの情報を取得♪\r\n", "dvioutの情報取得開始．", "dvioutの情報取得終了．",
     list_dviout, &install_settings::dviout_url, &install_settings::dviout_pattern},
    {"♪GhostScriptの情報を取得♪\r\n", "GhostScriptの情報取得開始", "GhostScriptの情報取得終了",
     list_ghostscript, &install_settings::gs_url, &install_settings::gs_pattern},
    {"♪GSviewの情報を取得♪\r\n", "GSViewの情報取得開始", "GSViewの情報取得終了", list_gsview,
     &install_settings::gsview_url, &install_settings::gsview_pattern},
};

}  // namespace

catalogue_result build_catalogue(catalogue_view& view) {
  install_settings& settings = the_settings();
  the_install_state().w32tex_archives.clear();
  create_directory_chain(settings.save_dir());
  wklib::string text;
  if (!settings.use_network()) return build_catalogue_offline(view, text);

  catalogue_result result = w32tex_step(view, text);
  if (result != catalogue_done) return result;
  for (const tool_package& package : tool_packages) {
    text += package.before_text;
    settings.append_log(package.log_before);
    view.show(text);
    result = tool_step(view, package.list, (settings.*package.url)(),
                       (settings.*package.pattern)(), text);
    if (result != catalogue_done) return result;
    if (view.cancelled()) return cancel_ending(view, text);
    settings.append_log(package.log_after);
  }
  return catalogue_done;
}

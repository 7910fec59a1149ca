#include "plugin_extrapack/package_fetcher.h"

#include <cstdio>
#include <vector>

#include "plugin_extrapack/euc_to_sjis.h"
#include "plugin_extrapack/package_page.h"
#include "plugin_extrapack/page_client.h"

namespace {

// One run of the worker: the running text, the open connection, and the two
// ways out of the middle (failure and cancel), which both close the handles.
class fetch_run {
 public:
  fetch_run(const plugin_settings& settings, fetch_view& view) : settings_(settings), view_(view) {}

  int go(package_fetcher& fetcher);

 private:
  void append(const wklib::string& text) {
    progress_ += text;
    view_.show(progress_);
  }
  int fail(const wklib::string& message) {
    settings_.append_log(message);
    append("失敗");
    client_.close();
    return 0;
  }
  bool stop_requested() {
    if (!view_.cancel_requested()) return false;
    settings_.append_log("キャンセル");
    append("キャンセルしました．");
    client_.close();
    return true;
  }

  const plugin_settings& settings_;
  fetch_view& view_;
  wklib::string progress_;
  page_client client_;
};

int fetch_run::go(package_fetcher& fetcher) {
  const wklib::string page_url = settings_.read_text(package_section, "URL");
  if (!is_http_url(page_url)) return fail("httpのみです．");
  wklib::string host, page_path;
  if (!split_url(page_url, host, page_path)) return fail("ページのURLにパスがありません．");

  append(host + "に接続中……");
  if (!client_.connect(host)) return fail(host + "に接続失敗．");
  if (stop_requested()) return 0;

  append("成功\r\nGETリクエスト送信……");
  if (!client_.send("GET", page_path)) return fail("GETリクエスト送信に失敗．");
  const int status = client_.status();
  if (is_failure_status(status)) {
    char code[16];
    std::snprintf(code, sizeof code, "%d", status);
    return fail(wklib::string("サーバが") + code + "を返しました．");
  }
  if (stop_requested()) return 0;

  append("成功\r\nデータ取得……");
  std::vector<char> body;
  if (!client_.read_body(body)) return fail("データ取得に失敗．");
  if (stop_requested()) return 0;

  append("成功\r\n文字コード変換……");
  wklib::string page;
  if (!euc_to_sjis(body.data(), static_cast<int>(body.size()), page))
    return fail("EUC-JPからShift_JISに直せなかった……");

  append("成功\r\njsclassesの場所を検索……");
  wklib::string file_name;
  if (!find_package_link(page, file_name)) return fail("jsclasses発見できず．");

  append("成功\r\n" + host + "への接続を切断\r\n\r\n");
  const wklib::string archive_url = settings_.read_text(package_section, "URL") + file_name;
  client_.close();

  wklib::string archive_host, archive_path;
  if (!split_url(archive_url, archive_host, archive_path))
    return fail("ページのURLにパスがありません．");
  append(archive_host + "へ接続……");
  if (!client_.connect(archive_host)) return fail(archive_host + "に接続失敗．");
  if (stop_requested()) return 0;

  append("成功\r\nHEADリクエストを送信……");
  if (!client_.send("HEAD", archive_path)) return fail("HEADリクエスト送信に失敗．");
  if (stop_requested()) return 0;

  append("成功\r\nサイズ取得……成功\r\n" + archive_host + "への接続を切断");
  fetcher.archive_url = archive_url;
  fetcher.archive_size = client_.content_length();
  client_.close();
  return 1;
}

}  // namespace

int fetch_package_info(const plugin_settings& settings, package_fetcher& fetcher,
                       fetch_view& view) {
  fetch_run run(settings, view);
  return run.go(fetcher);
}

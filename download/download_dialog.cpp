#include "download/download_dialog.h"

#include <commctrl.h>
#include <urlmon.h>
#include <wininet.h>

#include "download/download_ids.h"
#include "download/download_progress.h"
#include "download/progress_callback.h"
#include "net/mirror_url.h"
#include "net/open_mirror.h"
#include "state/install_settings.h"
#include "support/own_module.h"
#include "support/worker_dialog.h"

namespace {

// What the URL-download layer of this process was told, so that a layer which
// cannot change its proxy once its session is open (see set_download_proxy) is
// never believed to have changed it. Touched by one download worker at a time.
struct download_session {
  wklib::string proxy_in_effect;  // empty: direct, or never set
  bool opened = false;            // a URL download has run in this process
  wklib::string proxy_when_opened;
};
download_session g_session;

// Applies `proxy_text` to the URL-download layer; false when it cannot hold.
bool apply_download_proxy(const wklib::string& proxy_text) {
  const HRESULT status = set_download_proxy(proxy_text);
  if (status == S_OK) {
    g_session.proxy_in_effect = proxy_text;
    return true;
  }
  if (status == S_FALSE) {
    if (g_session.opened && proxy_text != g_session.proxy_when_opened) return false;
    g_session.proxy_in_effect = proxy_text;
    return true;
  }
  // Refused: harmless only when direct access is wanted and nothing else was ever set.
  return proxy_text.empty() && g_session.proxy_in_effect.empty();
}

class download_dialog : public wklib::worker_dialog, private progress_sink {
 public:
  explicit download_dialog(const download_job& job)
      : wklib::worker_dialog(wklib::own_module(), 0, 3), job_(job), callback_(*this) {}
  LRESULT on_message(wklib::window_holder& window, UINT message, WPARAM wparam,
                     LPARAM lparam) override {
    const char* text = reinterpret_cast<const char*>(lparam);
    if (message == msg_progress_status) {
      window.set_item_text(IDC_DOWNLOAD_STATUS, text ? text : "");
      return answer(window, 1);
    }
    if (message == msg_progress_title) {
      window.set_text(text ? text : "");
      return answer(window, 1);
    }
    return worker_dialog::on_message(window, message, wparam, lparam);
  }

 protected:
  INT_PTR work() override;

 private:
  // Cancel and the close box raise the worker dialog's own flag.
  bool cancelled() const override { return worker_dialog::cancelled(); }
  void show_position(int position) override {
    SendMessageA(GetDlgItem(target(), IDC_DOWNLOAD_BAR), PBM_SETPOS, position, 0);
  }
  void show_status(const wklib::string& status) override {
    send(msg_progress_status, 0, status.c_str());
  }

  const download_job& job_;
  progress_callback callback_;
};

INT_PTR download_dialog::work() {
  install_settings& settings = the_settings();
  send(msg_progress_status, 0, "ダウンロード準備中……");
  SendMessageA(GetDlgItem(target(), IDC_DOWNLOAD_BAR), PBM_SETRANGE, 0,
               MAKELPARAM(0, progress_range));
  if (!apply_download_proxy(make_proxy_text(settings.proxy(), settings.port()))) {
    settings.append_log("Proxyの設定に失敗");
    return 2;
  }
  const int count = static_cast<int>(job_.urls.size());
  for (int i = 0; i < count; ++i) {
    const wklib::string& url = job_.urls[i];
    callback_.start_file(current_file_name(url),
                         i < static_cast<int>(job_.sizes.size()) ? job_.sizes[i] : 0);
    send(msg_progress_title, 0, download_caption(i + 1, count).c_str());
    // A cached copy may be older than the mirror's file.
    if (settings.delete_cache()) DeleteUrlCacheEntryA(url.c_str());
    if (!g_session.opened) {
      g_session.opened = true;
      g_session.proxy_when_opened = g_session.proxy_in_effect;
    }
    const wklib::string local = i < static_cast<int>(job_.local_paths.size()) ? job_.local_paths[i] : "";
    const HRESULT status = URLDownloadToFileA(nullptr, url.c_str(), local.c_str(), 0, &callback_);
    const DWORD code = callback_.response_code();
    const bool refused = code / 100 == 4 || code / 100 == 5;
    // What was saved for a refused request is the server's error page.
    if (status == S_OK && refused) DeleteFileA(local.c_str());
    if (status != S_OK || refused) {
      if (cancelled()) {
        settings.append_log("キャンセルされました．");
        return 1;
      }
      settings.append_log(url + "のダウンロードに失敗しました．");
      return 2;
    }
    settings.append_log(url + "をダウンロード");
  }
  return 0;
}

}  // namespace

int run_download(HWND owner, const download_job& job) {
  download_dialog dialog(job);
  const INT_PTR result = dialog.run(owner, IDD_DOWNLOAD);
  return result < 0 ? 3 : static_cast<int>(result);
}

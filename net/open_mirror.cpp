#include "net/open_mirror.h"

#include <urlmon.h>
#include <stdlib.h>
#include <wininet.h>

#include "net/internet_handle.h"
#include "state/install_settings.h"

const char* const anonymous_ftp_password = "a@b";

mirror_mode open_mirror(const wklib::string& url, ftp_client& ftp, http_client& http,
                        wklib::string& mirror_path) {
  const mirror_url_parts parts = split_mirror_url(url);
  mirror_path = parts.path;
  if (parts.mode == mirror_http) {
    return http.connect(parts.host) ? mirror_http : mirror_failed;
  }
  if (ftp.connect(parts.host, "anonymous", anonymous_ftp_password) &&
      ftp.set_directory(mirror_path)) {
    return mirror_ftp;
  }
  the_settings().append_log(parts.host + "へのFTPでの接続に失敗．");
  ftp.close_connection();
  return mirror_failed;
}

HRESULT set_download_proxy(const wklib::string& proxy_text) {
  narrow_proxy_info info = {INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr};
  if (!proxy_text.empty()) {
    info.access_type = INTERNET_OPEN_TYPE_PROXY;
    info.proxy = proxy_text.c_str();
    info.bypass = "<local>";
  }
  const HRESULT status = UrlMkSetSessionOption(INTERNET_OPTION_PROXY, &info, sizeof info, 0);
  if (status == S_OK) return S_OK;
  // Wine's urlmon refuses the option; its one session takes the proxy from the
  // process environment when it opens. Windows never comes here.
  const wklib::string variable =
      wklib::string("http_proxy=") + (proxy_text.empty() ? "" : "http://") + proxy_text;
  if (_putenv(variable.c_str()) == 0) return S_FALSE;
  return status;
}

#include "catalogue/listing.h"

#include "catalogue/index_links.h"
#include "state/install_settings.h"

namespace {

class http_page : public page_source {
 public:
  explicit http_page(http_client& http) : http_(http) {}
  int read(char* buffer, int size) override { return http_.read_chunk(buffer, size); }
  bool failed() const override { return http_.read_failed(); }

 private:
  http_client& http_;
};

const char* const http_read_failure = "HTTPでのファイル読み込みに失敗しました．";

}  // namespace

listing_result read_listing(int mode, ftp_client& ftp, http_client& http,
                            const wklib::string& mirror_path, name_list& names,
                            const volatile char* cancel_flag) {
  if (mode == mirror_ftp) {
    if (!ftp.list_names("*.*", names)) {
      the_settings().append_log("FTPでのファイル一覧の取得に失敗．");
      return listing_failed;
    }
    return listing_complete;
  }
  if (!http.open_get(mirror_path)) {
    the_settings().append_log(http_read_failure);
    return listing_failed;
  }
  http_page page(http);
  const listing_result result = scan_index_links(page, cancel_flag, names);
  http.close_request();
  if (result == listing_failed) the_settings().append_log(http_read_failure);
  return result;
}

#include "catalogue/catalogue_dialog.h"

#include "catalogue/catalogue_ids.h"
#include "catalogue/catalogue_view.h"
#include "catalogue/list_rows.h"
#include "state/install_settings.h"
#include "support/own_module.h"
#include "support/worker_dialog.h"

namespace {

class catalogue_dialog : public wklib::worker_dialog, private catalogue_view {
 public:
  explicit catalogue_dialog(const file_lists& lists)
      : wklib::worker_dialog(wklib::own_module(), IDC_CATALOGUE_PROGRESS, catalogue_not_started),
        lists_{lists.w32tex, lists.dviout, lists.ghostscript, lists.gsview} {}

  bool on_command(wklib::window_holder& window, int id, int notification) override {
    if (id == IDCANCEL) cancel_flag_ = 1;
    return worker_dialog::on_command(window, id, notification);
  }
  bool on_close(wklib::window_holder& window) override {
    cancel_flag_ = 1;
    return worker_dialog::on_close(window);
  }
  // The base class waits here for the worker, which polls only this flag: a dialog destroyed from
  // outside must not wait for the whole catalogue.
  bool on_destroy(wklib::window_holder& window) override {
    cancel_flag_ = 1;
    return worker_dialog::on_destroy(window);
  }

 protected:
  void on_start(wklib::window_holder& window) override {
    cancel_flag_ = 0;
    window.set_item_text(IDC_CATALOGUE_HEADER,
                         the_settings().use_network()
                             ? "ファイル情報を取得します．お使いのネットワークの状態によっては時間がかかることがあります．"
                             : "ファイル情報を取得します．");
  }
  INT_PTR work() override { return build_catalogue(*this); }

 private:
  void show(const wklib::string& progress_text) override { set_progress(progress_text.c_str()); }
  void clear_rows(catalogue_list list) override { list_clear(lists_[list]); }
  void append_row(catalogue_list list, const std::vector<wklib::string>& texts,
                  bool ticked) override {
    list_append_row(lists_[list], texts, ticked);
  }
  void set_ticked(catalogue_list list, int row, bool ticked) override {
    list_set_ticked(lists_[list], row, ticked);
  }
  const volatile char* cancel_flag() const override { return &cancel_flag_; }

  HWND lists_[4];
  volatile char cancel_flag_ = 0;
};

}  // namespace

int run_catalogue(HWND owner, const file_lists& lists) {
  catalogue_dialog dialog(lists);
  const INT_PTR result = dialog.run(owner, IDD_CATALOGUE);
  return result < 0 ? catalogue_other_failure : static_cast<int>(result);
}

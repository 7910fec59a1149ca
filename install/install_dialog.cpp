#include "install/install_dialog.h"

#include "resources/tamari3/ids.h"
#include "support/own_module.h"
#include "support/worker_dialog.h"

namespace {

class install_dialog : public wklib::worker_dialog, public progress_sink {
 public:
  install_dialog(install_settings& settings, install_state& state,
                 other_software_source* other_software)
      : wklib::worker_dialog(wklib::own_module(), IDC_INSTALL_PROGRESS, 3),
        context_{settings, state, *this, wklib::string()},
        other_software_(other_software) {}

  // The whole text goes each time, so the edit field always shows the run from its start.
  void append(const char* text) override {
    progress_text_ += text;
    set_progress(progress_text_.c_str());
  }
  void clear() override {
    progress_text_.clear();
    set_progress("");
  }
  bool cancelled() const override { return worker_dialog::cancelled(); }
  HWND window() const override { return target(); }

 protected:
  INT_PTR work() override { return run_installation(context_, other_software_); }

 private:
  step_context context_;
  other_software_source* other_software_;
  wklib::string progress_text_;
};

}  // namespace

int run_installation_dialog(HWND owner, other_software_source* other_software,
                            install_settings& settings, install_state& state) {
  install_dialog dialog(settings, state, other_software);
  INT_PTR result = dialog.run(owner, IDD_INSTALLATION);
  // A dialog that could not be made ran no worker either.
  return result < 0 ? 3 : static_cast<int>(result);
}

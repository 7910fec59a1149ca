// dviout's configuration and uninstallation against the registry and the
// all-users Start menu of the prefix.
#include <gtest/gtest.h>

#include "install/dviout.h"
#include "tests/install/step_fixture.h"

namespace {

const std::string user = "HKCU\\" + std::string(para0) + "|";

// para0's values beforehand ("dpi" a DWORD), GhostScript's directory if known,
// and the first two shortcuts present already.
std::function<void(step_run&)> given(std::vector<std::pair<const char*, const char*>> values,
                                     const char* ghostscript_dir, const char* cancel_after = "") {
  return [=](step_run& run) {
    run.settings.set_dviout_dir((run.dir / "dviout\\").c_str());
    run.settings.load_settings();
    run.context.ghostscript_dir = ghostscript_dir;
    run.sink.cancel_after = cancel_after;
    for (const auto& value : values) {
      if (std::string(value.first) == "dpi")
        reg_write_dword(HKEY_CURRENT_USER, para0, "dpi", std::stoul(value.second));
      else
        reg_set(HKEY_CURRENT_USER, para0, value.first, value.second);
    }
    reg_set(HKEY_CLASSES_ROOT, ".dvi", "", values.empty() ? "" : "mydvi");
    for (const char* link : {"dviout for Windows.lnk", "Help for dviout.lnk"})
      run.set_file("<menu>" + std::string(link), "mine");
  };
}

const char* const configured = "dvioutの設定……成功\r\n";
const std::vector<std::string> configured_log = {"dvioutの設定開始", "dvioutの設定終了"};

// The association, and the shortcuts: the first made anew, the others only when missing.
std::vector<std::string> plus_association_and_links(std::vector<std::string> checks) {
  checks.insert(checks.end(),
                {"HKCR\\dvifile|=TeX DVI file", "HKCR\\dvifile\\Defaulticon|=<dir>dviout\\dviout.exe,1",
                 "HKCR\\dvifile\\Shell\\open\\command|=<dir>dviout\\dviout.exe %1",
                 "file <menu>Help in English.lnk", "file <menu>sample dvi file.lnk",
                 "file <menu>Troubles in dviout.lnk", "file <menu>Help for dviout.lnk=mine",
                 "file <menu>dviout for Windows.lnk!=mine"});
  return checks;
}

TEST(configure_dviout, fills_in_only_what_is_missing) {
  run_rows(configure_dviout, &step_results::dviout_settings, {
      {"first configuration", given({}, "c:\\gs\\gs8.14\\"), configured, configured_log, "成功", true,
       plus_association_and_links(
           {user + "TEXPK=^r\\tfm\\\\^s^tfm;^r\\pk\\\\^s.^dpk;^r\\vf\\\\^s.vf;^r\\ovf\\\\^s.ovf;^r\\tfm\\\\^s.tfm",
            user + "TEXROOT=<tex>share\\texmf\\fonts;<tex>share\\texmf-local\\fonts",
            user + "gen=`<tex>bin\\mktexpk.exe --dpi ^d --bdpi ^D --mag ^M ^s",
            user + "gsx=c:\\gs\\gs8.14\\bin\\gswin32c.exe", user + "y=A4P", user + "dpi=300",
            "HKCR\\.dvi|=dvifile"})},
      {"the user's values", given({{"TEXROOT", "d:\\mine"}, {"gsx", "old"}, {"y", "B5"}, {"dpi", "600"}},
                                  "c:\\gs\\gs8.14\\"),
       configured, configured_log, "成功", true,
       plus_association_and_links({user + "TEXROOT=d:\\mine", user + "gsx=c:\\gs\\gs8.14\\bin\\gswin32c.exe",
                                   user + "y=B5", user + "dpi=600", "HKCR\\.dvi|=mydvi"})},
      {"gsx missing after an earlier configuration", given({{"TEXPK", "x"}}, "c:\\gs\\gs8.14\\"), configured,
       configured_log, "成功", true, {user + "TEXPK=x", user + "gsx=<none>", user + "dpi=300"}},
      {"GhostScript unknown", given({{"gsx", "old"}}, ""), configured, configured_log, "成功", true,
       {user + "gsx=old"}},
      {"cancel", given({}, "", "dvioutの設定……"), "dvioutの設定……キャンセルされました．",
       {"dvioutの設定開始", "キャンセルされました．"}, "キャンセル", true, {user + "TEXPK=<no key>"}},
  });
}

TEST(uninstall_dviout, removes_the_settings_association_and_shortcuts) {
  run_rows(uninstall_dviout, &step_results::dviout, {
      // dvifile was never there: absent counts as removed.
      {"installed", given({{"TEXROOT", "c:\\tex\\"}}, ""), "dvioutのアンインストール……成功\r\n",
       {"dvioutのアンインストール開始", "dvioutのアンインストール終了"}, "キャンセル", true,
       {user + "TEXROOT=<no key>", "HKCR\\.dvi|=<no key>", "no file <menu>"}},
  });
}

}  // namespace

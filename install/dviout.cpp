#include "install/dviout.h"

#include <windows.h>

#include "archive/unzip.h"
#include "install/ghostscript.h"
#include "system/ask_path.h"
#include "system/file_system.h"
#include "system/path_text.h"
#include "system/registry.h"
#include "system/shortcut.h"

namespace {

const char settings_key[] = "Software\\TOMOE\\DVIOUT\\para0";
const char dviout_key[] = "Software\\TOMOE\\DVIOUT";
const char font_paths[] = "^r\\tfm\\\\^s^tfm;^r\\pk\\\\^s.^dpk;^r\\vf\\\\^s.vf;^r\\ovf\\\\^s.ovf;^r\\tfm\\\\^s.tfm";

bool has_text(HKEY root, const char* key, const char* name) {
  wklib::string value;
  return reg_read_string(root, key, name, value) && !value.empty();
}

// Writes `value` unless the user has one; false only when writing failed.
bool fill_in(HKEY root, const char* key, const char* name, const wklib::string& value) {
  return has_text(root, key, name) || reg_write_string(root, key, name, value.c_str(), false);
}

// Absent counts as removed: the association may have gone long before dviout's settings.
bool remove_key(HKEY root, const char* key) {
  HKEY opened = nullptr;
  if (RegOpenKeyExA(root, key, 0, KEY_READ, &opened) != ERROR_SUCCESS) return true;
  RegCloseKey(opened);
  return reg_delete_key_tree(root, key);
}

struct shortcut_row {
  const char* link;
  const char* target;     // below the dviout directory
  const char* directory;  // below it, from its separator on; null: the directory itself
  bool replace;           // made anew each time; the others only when missing
};

const shortcut_row shortcuts[] = {
    {"dviout for Windows.lnk", "dviout.exe", nullptr, true},
    {"Help for dviout.lnk", "dviout.hlp", nullptr, false},
    {"Help in English.lnk", "dvioute.hlp", nullptr, false},
    {"sample dvi file.lnk", "HYPERTEX\\hyper2.dvi", "\\hypertex", false},
    {"Troubles in dviout.lnk", "DOC\\dvioutQA.html", "\\DOC", false},
};

bool cancelled_here(step_context& context) {
  if (!context.cancelled()) return false;
  context.log("キャンセルされました．");
  context.show("キャンセルされました．");
  return true;
}

}  // namespace

bool dviout_installed(step_context&) {
  return has_text(HKEY_CURRENT_USER, settings_key, "TEXPK") ||
         has_text(HKEY_CURRENT_USER, settings_key, "TEXROOT");
}

bool uninstall_dviout(step_context& context) {
  context.show("dvioutのアンインストール……");
  context.log("dvioutのアンインストール開始");
  if (!remove_key(HKEY_CURRENT_USER, dviout_key) || !remove_key(HKEY_CLASSES_ROOT, ".dvi") ||
      !remove_key(HKEY_CLASSES_ROOT, "dvifile"))
    return context.fail("レジストリ削除に失敗．");
  char folder[MAX_PATH + 16] = "";
  if (!programs_folder(folder)) return context.fail("スタートメニュー用フォルダを見つけられませんでした．");
  remove_directory_tree(wklib::string(folder) + "dviout\\");
  return context.succeed("dvioutのアンインストール終了");
}

bool install_dviout(step_context& context) {
  wklib::string& result = context.results().dviout;
  context.show("dvioutのインストール……");
  context.log("dvioutのインストール開始");
  wklib::string directory = context.settings.install_dir() + "dviout\\";
  // An empty answer would unpack into the root of the current drive: it counts as キャンセル.
  if (!ask_path(context.window(), "dvioutをインストールするディレクトリを指定してください．",
                directory) ||
      directory.empty())
    return context.fail("", &result);
  if (!ends_with_backslash(directory)) directory += '\\';
  context.settings.set_dviout_dir(directory);
  context.settings.load_settings();
  // A settings file that cannot be written (a read-only program directory) leaves the old or an
  // empty directory: the files would go elsewhere, or into the root of the current drive, and
  // configure_dviout would register that place.
  if (!same_path(context.settings.dviout_dir(), directory))
    return context.fail("dvioutのディレクトリを設定ファイルに書き込めませんでした．", &result);
  const wklib::string& archive = context.state.dviout_archive;
  if (!unzip_with_progress(context.window(), archive, context.settings.dviout_dir()))
    return context.fail(archive + "の解凍に失敗．", &result);
  return context.succeed("dvioutのインストール終了", &result);
}

bool configure_dviout(step_context& context) {
  wklib::string& result = context.results().dviout_settings;
  const wklib::string& install = context.settings.install_dir();
  const wklib::string& dviout = context.settings.dviout_dir();
  const HKEY user = HKEY_CURRENT_USER;
  context.show("dvioutの設定……");
  context.log("dvioutの設定開始");
  const char* write_failure = "レジストリへの書き込み失敗．";

  if (cancelled_here(context)) return true;
  bool first_configuration = !has_text(user, settings_key, "TEXPK") &&
                             !has_text(user, settings_key, "TEXROOT") &&
                             !has_text(user, settings_key, "gen");
  if (!fill_in(user, settings_key, "TEXPK", font_paths))
    return context.fail("レジストリを開けませんでした．", &result);

  if (cancelled_here(context)) return true;
  wklib::string roots = install + "share\\texmf\\fonts;" + install + "share\\texmf-local\\fonts";
  wklib::string generator = "`" + install + "bin\\mktexpk.exe --dpi ^d --bdpi ^D --mag ^M ^s";
  if (!fill_in(user, settings_key, "TEXROOT", roots) ||
      !fill_in(user, settings_key, "gen", generator))
    return context.fail(write_failure, &result);

  if (cancelled_here(context)) return true;
  wklib::string old_gsx;
  bool gsx_exists = reg_read_string(user, settings_key, "gsx", old_gsx);
  wklib::string ghostscript = find_ghostscript_dir(context);
  if (!ghostscript.empty() && (gsx_exists || first_configuration) &&
      !reg_write_string(user, settings_key, "gsx", (ghostscript + "bin\\gswin32c.exe").c_str(),
                        false))
    return context.fail(write_failure, &result);

  if (cancelled_here(context)) return true;
  if (!fill_in(user, settings_key, "y", "A4P") ||
      (reg_read_dword(user, settings_key, "dpi") == 0 &&
       !reg_write_dword(user, settings_key, "dpi", 300)))
    return context.fail(write_failure, &result);

  if (cancelled_here(context)) return true;
  const HKEY classes = HKEY_CLASSES_ROOT;
  if (!fill_in(classes, ".dvi", "", "dvifile") || !fill_in(classes, "dvifile", "", "TeX DVI file") ||
      !fill_in(classes, "dvifile\\Defaulticon", "", dviout + "dviout.exe,1") ||
      !fill_in(classes, "dvifile\\Shell\\open\\command", "", dviout + "dviout.exe %1"))
    return context.fail(write_failure, &result);

  if (cancelled_here(context)) return true;
  char programs[MAX_PATH + 16] = "";
  if (!programs_folder(programs)) return context.fail("スタートメニューのPATH取得失敗", &result);
  wklib::string folder = wklib::string(programs) + "dviout\\";
  create_directory_chain(folder);
  wklib::string bare = dviout.substr(0, dviout.length() - 1);
  for (const shortcut_row& row : shortcuts) {
    wklib::string link = folder + row.link;
    if (!row.replace && file_exists(link)) continue;
    wklib::string directory = row.directory ? bare + row.directory : bare;
    if (!create_shortcut(dviout + row.target, "", directory, link))
      return context.fail("ショートカットの作成に失敗", &result);
  }

  if (cancelled_here(context)) return true;
  return context.succeed("dvioutの設定終了", &result);
}

const package_step dviout_package = {
    [](const install_state& state) { return !state.dviout_archive.empty(); },
    {&step_results::dviout, &step_results::dviout_settings},
    dviout_installed,
    "dvioutは既にインストールされています．アンインストールしますか？\r\n"
    "アンインストールするなら「はい」を，\r\nせずにインストールするなら「いいえ」を，\r\n"
    "インストールしないならば「キャンセル」を押してください．\r\n"
    "また，アップデートの時も「いいえ」を選んでください．",
    uninstall_dviout,
    "アンインストールに失敗",
    install_dviout,
    configure_dviout,
    nullptr,
    nullptr};

#include "install/tar_command.h"

namespace {

wklib::string with_slashes(const wklib::string& path) {
  wklib::string result = path;
  result.replace_all("\\", "/");  // a character-aware search: 表's 0x5C trail byte stays
  return result;
}

bool ends_in_bz2(const wklib::string& path) {
  int length = path.length();
  // The "b" must be a character of its own, not the second byte of one.
  if (length < 3 || wklib::is_trail_position(path.c_str(), length - 3)) return false;
  wklib::string tail = path.substr(length - 3);
  return tail.lower() == "bz2";
}

}  // namespace

wklib::string tar_command_line(const wklib::string& install_dir, const wklib::string& archive) {
  // The archive is quoted in both forms: a save directory with a space in its
  // name would otherwise reach tar as two arguments.
  wklib::string line("\"");
  line += install_dir;
  line += ends_in_bz2(archive) ? "tar.exe\" jxvf \"" : "tar.exe\" zxvf \"";
  line += with_slashes(archive);
  line += "\"";
  return line;
}

wklib::string file_name_of(const wklib::string& path) {
  int cut = path.rfind("\\");
  return cut < 0 ? path : path.substr(cut + 1);
}

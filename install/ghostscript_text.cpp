#include "install/ghostscript_text.h"

namespace {

wklib::string without_quotes(const wklib::string& text) {
  wklib::string result = text;
  result.replace_all("\"", "");
  return result;
}

}  // namespace

bool matches_whole_name(wklib::pattern_search& finder, const wklib::string& name) {
  return finder.valid() && finder.search(name) && finder.submatch_pos(0) == 0 &&
         finder.submatch(-1).length() == name.length();
}

wklib::string uninstaller_file(const wklib::string& command_line, file_test exists) {
  const char* text = command_line.c_str();
  int length = command_line.length();
  int stop = length;
  bool quoted = false;
  for (int i = 0; i < length; ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (wklib::is_lead_byte(c) && i + 1 < length) {
      ++i;
      continue;
    }
    if (c == '"') quoted = !quoted;
    if (c != ' ' || quoted) continue;
    wklib::string candidate = without_quotes(command_line.substr(0, i));
    if (exists(candidate) || exists(candidate + ".exe")) {
      stop = i;
      break;
    }
  }
  wklib::string file = without_quotes(command_line.substr(0, stop));
  if (file.empty()) return file;
  if (exists(file)) return file;
  file += ".exe";
  return exists(file) ? file : wklib::string();
}

wklib::string ghostscript_dir_beside(const wklib::string& uninstaller,
                                     const wklib::string& version) {
  int cut = uninstaller.rfind("\\");
  wklib::string directory = cut < 0 ? wklib::string() : uninstaller.substr(0, cut);
  return directory + "\\gs" + version + "\\";
}

wklib::string cidfmap_entries(const wklib::string& windir_slashes) {
  wklib::string block("\n/Ryumin-Light\n<<\n/FileType /TrueType\n/Path (");
  block += windir_slashes;
  block += "/fonts/msmincho.ttc)\n/SubfontID 0\n/CSI [(Japan1) 3]\n>> ;\n\n";
  block += "/GothicBBB-Medium\n<<\n/FileType /TrueType\n/Path (";
  block += windir_slashes;
  block += "/fonts/msgothic.ttc)\n/SubfontID 0\n/CSI [(Japan1) 3]\n>> ;\n";
  return block;
}

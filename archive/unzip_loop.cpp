#include "archive/unzip_loop.h"

#include <vector>

#include "archive/entry_name.h"

bool unzip_target::announce(const wklib::string&) { return true; }
bool unzip_target::keep_going() { return true; }

namespace {

void log_entry(unzip_target& target, const wklib::string& archive, const wklib::string& name,
               const char* what) {
  target.log(archive + "の" + name + what);
}

}  // namespace

unzip_result unzip_archive(const wklib::string& archive_path, const wklib::string& destination,
                           unzip_target& target) {
  zip_reader reader;
  if (reader.open(archive_path.c_str()) != zip_ok) return unzip_not_opened;
  return unzip_entries(reader, archive_path, destination, target);
}

unzip_result unzip_entries(zip_reader& reader, const wklib::string& archive_path,
                           const wklib::string& destination, unzip_target& target) {
  std::vector<char> block(unzip_block_size);
  char raw_name[unzip_name_size];
  bool whole = true;
  for (;;) {
    zip_entry_info info;
    int status = reader.current_info(&info, raw_name, sizeof raw_name);
    if (status == zip_end_of_list) break;
    if (status != zip_ok) {
      target.log(archive_path + "の目録が壊れている．");
      return unzip_damaged;
    }
    wklib::string name(raw_name, info.name_length < unzip_name_size ? info.name_length : 0);
    const entry_kind kind =
        info.name_length < unzip_name_size ? classify_entry_name(name) : entry_refused;
    if (info.name_length >= unzip_name_size) {
      target.log(archive_path + "の名前が長すぎる項目を解凍しない．");
      whole = false;
    } else if (kind == entry_refused) {
      log_entry(target, archive_path, name, "は解凍先の外を指すので解凍しない．");
      whole = false;
    } else if (kind == entry_directory) {
      if (!target.make_directories(destination + name)) {
        log_entry(target, archive_path, name, "のディレクトリを作れない．");
        whole = false;
      }
    } else {
      if (reader.open_current() != zip_ok) {
        log_entry(target, archive_path, name, "が壊れている．");
        return unzip_damaged;
      }
      const wklib::string path = destination + name;
      // A failure here shows up as the file that cannot be created.
      target.make_directories(path);
      if (!target.announce(path)) {
        reader.close_current();
        return unzip_cancelled;
      }
      if (!target.create_file(path)) {
        log_entry(target, archive_path, name, "を書き出せない．");
        reader.close_current();
        whole = false;
      } else {
        bool written = true;
        int n;
        while ((n = reader.read_current(block.data(), unzip_block_size)) > 0) {
          if (!target.write(block.data(), n)) {
            written = false;
            break;
          }
          if (!target.keep_going()) {
            target.close_file(true);
            reader.close_current();
            return unzip_cancelled;
          }
        }
        if (n < 0) {
          // Damaged data: what was written of it goes, the run ends.
          target.close_file(false);
          reader.close_current();
          log_entry(target, archive_path, name, "が壊れている．");
          return unzip_damaged;
        }
        if (!target.close_file(written) || !written) {
          log_entry(target, archive_path, name, "を書き出せない．");
          whole = false;
        }
        reader.close_current();
      }
    }
    if (reader.next() == zip_end_of_list) break;
    // Any other error of next() is answered again by current_info() above.
  }
  return whole ? unzip_done : unzip_incomplete;
}

#include "catalogue/info_archive.h"

#include "archive/unzip.h"
#include "catalogue/info_file.h"
#include "system/file_system.h"

bool unpack_info_archive(const wklib::string& save_dir, const wklib::string& archive_name) {
  const wklib::string directory = info_unpack_dir(save_dir);
  // Files of an older information archive must not be read as this one's.
  remove_directory_tree(directory);
  return unzip_to_directory(save_dir + archive_name, directory);
}

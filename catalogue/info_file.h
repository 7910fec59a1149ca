// The W32TeX information file: the ".c" source inside the distribution's
// information archive whose string array names every archive of the
// distribution. Two readers: after a download (the array only, names compared
// with the mirror's listing as written) and from the save directory (every
// quoted text up to a closing "}", compared in lower case).
#pragma once

#include "catalogue/name_list.h"
#include "support/string.h"

enum info_variant : int {
  info_online = 0,
  info_offline = 1,
};

// Where the information archive is unpacked: `save_dir` (with its backslash) + "texinst\".
wklib::string info_unpack_dir(const wklib::string& save_dir);
// The information file of `archive_name`: the unpack directory, the archive's name
// cut at its last ".", and ".c".
wklib::string info_file_path(const wklib::string& save_dir, const wklib::string& archive_name);

// Appends to `info_names`, in file order, each name of `available` that a line of
// the file names (online: `available` as the server sent it; offline: the save
// directory's names, already lower-cased). Names containing "otfdevel" and empty
// quoted texts are never taken. False when the file cannot be opened.
bool read_info_file(const wklib::string& path, info_variant variant, const name_list& available,
                    name_list& info_names);

#include "tests/archive/zip_walk.h"

#include <memory>

walked_archive walk_archive(zip_reader& reader, unsigned block, unsigned max_entries) {
  walked_archive result;
  std::vector<char> buffer(block);
  std::vector<char> name(70000);
  for (unsigned i = 0; i < max_entries; ++i) {
    walked_entry e;
    e.info_status = reader.current_info(&e.info, name.data(), name.size());
    if (e.info_status != zip_ok) {
      if (e.info_status != zip_end_of_list) result.entries.push_back(e);
      break;
    }
    e.name.assign(name.data(), e.info.name_length);
    e.open_status = reader.open_current();
    if (e.open_status == zip_ok) {
      int n;
      while ((n = reader.read_current(buffer.data(), block)) > 0) e.data.append(buffer.data(), n);
      e.read_status = n;
      e.close_status = reader.close_current();
    }
    e.next_status = reader.next();
    result.entries.push_back(e);
    if (e.next_status != zip_ok) break;
  }
  return result;
}

walked_archive walk_memory(const std::string& archive, unsigned block) {
  zip_reader reader;
  walked_archive result;
  result.open_status = reader.open(
      std::unique_ptr<zip_source>(new zip_memory_source(archive.data(), archive.size())));
  if (result.open_status != zip_ok) return result;
  walked_archive walked = walk_archive(reader, block);
  walked.open_status = result.open_status;
  return walked;
}

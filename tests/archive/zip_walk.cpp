#include "tests/archive/zip_walk.h"

#include <memory>

walked_archive walk_archive(zip_reader& reader, unsigned block) {
  walked_archive result;
  std::vector<char> buffer(block), name(70000);
  for (;;) {
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
  const int opened = reader.open(
      std::unique_ptr<zip_source>(new zip_memory_source(archive.data(), archive.size())));
  walked_archive walked;
  if (opened == zip_ok) walked = walk_archive(reader, block);
  walked.open_status = opened;
  return walked;
}

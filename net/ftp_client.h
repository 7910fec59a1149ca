// ftp_client: the catalogue's FTP access to a mirror over WinInet, in passive mode
// and never from the cache. One object lives for one catalogue step on the worker
// thread; failures come back as results only and are logged by the callers.
//
// A listing's entries carry each file's size and time already, and every find
// makes the server list the directory again (WinInet sends LIST for a single name
// too). So the sizes and times of the last listing of the current directory answer
// remote_size and remote_time; only names missing from it cost a find.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <cstdint>
#include <vector>

#include "support/string.h"

class ftp_client {
 public:
  // A stalled server holds the worker at most this long per receive.
  static const DWORD receive_timeout_ms = 15000;
  // Off only in the benchmark that measures what the kept entries save: every
  // size and time is then a find on the server.
  static bool keep_answers;

  ftp_client() = default;
  ~ftp_client() { close(); }
  ftp_client(const ftp_client&) = delete;
  ftp_client& operator=(const ftp_client&) = delete;

  // Makes the root handle (agent "tamari3", direct access), closing an earlier one.
  bool open();
  // Routes the root handle's traffic through an HTTP proxy ("host:port").
  bool set_proxy(const wklib::string& proxy_text);
  // Port 21, passive mode.
  bool connect(const wklib::string& host, const wklib::string& user, const wklib::string& password);
  bool set_directory(const wklib::string& path);
  // Binary transfer; an existing local file is overwritten.
  bool get_file(const wklib::string& remote, const wklib::string& local);
  // Low 32 bits of the size; 0 when nothing was found (or the file is empty).
  std::uint32_t remote_size(const wklib::string& name);
  // Last-write time of the entry as local time; false when nothing was found.
  bool remote_time(const wklib::string& name, FILETIME& time);
  // The same in UTC, as the server gave it.
  bool remote_time_utc(const wklib::string& name, FILETIME& time);
  // Appends the name of every entry matching `pattern`, in the server's order;
  // false (names unchanged) when the first find fails, as for an empty directory.
  // The entries are kept for remote_size and remote_time.
  bool list_names(const wklib::string& pattern, std::vector<wklib::string>& names);
  bool close_connection();
  // Connection first, then the root.
  void close();

  bool is_open() const { return root_ != nullptr; }
  bool is_connected() const { return connection_ != nullptr; }

 private:
  struct listed_entry {
    wklib::string name;
    std::uint32_t size;
    FILETIME time;  // UTC
  };
  // The listed entry of `name`, else a find on the server; false when neither has it.
  bool entry_of(const wklib::string& name, listed_entry& entry);
  // A find with the reload flag on the connection (the record zeroed first); null when
  // nothing was found.
  HINTERNET open_find(const wklib::string& pattern, WIN32_FIND_DATAA& entry);
  bool find_first(const wklib::string& name, WIN32_FIND_DATAA& entry);

  std::vector<listed_entry> listed_;  // of the current directory
  HINTERNET root_ = nullptr;
  HINTERNET connection_ = nullptr;
};

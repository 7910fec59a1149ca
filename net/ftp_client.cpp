#include "net/ftp_client.h"

#include <cstring>

#include "net/internet_handle.h"

bool ftp_client::keep_answers = true;

bool ftp_client::open() {
  close();
  root_ = InternetOpenA("tamari3", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
  if (!root_) return false;
  set_receive_timeout(root_, receive_timeout_ms);
  return true;
}

bool ftp_client::set_proxy(const wklib::string& proxy_text) {
  return set_root_proxy(root_, proxy_text.c_str());
}

bool ftp_client::connect(const wklib::string& host, const wklib::string& user,
                         const wklib::string& password) {
  if (!root_) return false;
  // A second connect must not leak the first connection.
  close_internet_handle(connection_);
  listed_.clear();
  connection_ = InternetConnectA(root_, host.c_str(), INTERNET_DEFAULT_FTP_PORT, user.c_str(),
                                 password.c_str(), INTERNET_SERVICE_FTP, INTERNET_FLAG_PASSIVE, 0);
  return connection_ != nullptr;
}

bool ftp_client::set_directory(const wklib::string& path) {
  if (!connection_) return false;
  listed_.clear();
  return FtpSetCurrentDirectoryA(connection_, path.c_str()) != FALSE;
}

bool ftp_client::get_file(const wklib::string& remote, const wklib::string& local) {
  if (!connection_) return false;
  return FtpGetFileA(connection_, remote.c_str(), local.c_str(), FALSE, FILE_ATTRIBUTE_NORMAL,
                     FTP_TRANSFER_TYPE_BINARY, 0) != FALSE;
}

HINTERNET ftp_client::open_find(const wklib::string& pattern, WIN32_FIND_DATAA& entry) {
  if (!connection_) return nullptr;
  std::memset(&entry, 0, sizeof entry);
  return FtpFindFirstFileA(connection_, pattern.c_str(), &entry, INTERNET_FLAG_RELOAD, 0);
}

bool ftp_client::find_first(const wklib::string& name, WIN32_FIND_DATAA& entry) {
  HINTERNET find = open_find(name, entry);
  if (!find) return false;
  // WinInet allows one find per FTP connection at a time: close it at once.
  InternetCloseHandle(find);
  return true;
}

bool ftp_client::entry_of(const wklib::string& name, listed_entry& entry) {
  for (const listed_entry& listed : listed_) {
    if (listed.name == name && keep_answers) {
      entry = listed;
      return true;
    }
  }
  WIN32_FIND_DATAA found;
  if (!find_first(name, found)) return false;
  entry = {wklib::string(found.cFileName), found.nFileSizeLow, found.ftLastWriteTime};
  return true;
}

std::uint32_t ftp_client::remote_size(const wklib::string& name) {
  listed_entry entry;
  return entry_of(name, entry) ? entry.size : 0;
}

bool ftp_client::remote_time_utc(const wklib::string& name, FILETIME& time) {
  listed_entry entry;
  if (!entry_of(name, entry)) return false;
  time = entry.time;
  return true;
}

bool ftp_client::remote_time(const wklib::string& name, FILETIME& time) {
  FILETIME utc;
  if (!remote_time_utc(name, utc)) return false;
  // Listings carry UTC; callers that compare with local file times want local time.
  return FileTimeToLocalFileTime(&utc, &time) != FALSE;
}

bool ftp_client::list_names(const wklib::string& pattern, std::vector<wklib::string>& names) {
  WIN32_FIND_DATAA entry;
  HINTERNET find = open_find(pattern, entry);
  if (!find) return false;
  listed_.clear();
  do {
    names.push_back(wklib::string(entry.cFileName));
    listed_.push_back({names.back(), entry.nFileSizeLow, entry.ftLastWriteTime});
  } while (InternetFindNextFileA(find, &entry));
  InternetCloseHandle(find);
  return true;
}

bool ftp_client::close_connection() {
  close_internet_handle(connection_);
  listed_.clear();
  return true;
}

void ftp_client::close() {
  close_connection();
  close_internet_handle(root_);
}

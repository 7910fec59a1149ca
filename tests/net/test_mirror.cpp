#include "tests/net/test_mirror.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "state/install_settings.h"

bool test_mirror::load(std::string& reason) {
  const char* state = std::getenv("TAMARI_MIRROR_STATE");
  if (!state || !*state) {
    reason = "TAMARI_MIRROR_STATE is not set: run this test through ctest";
    return false;
  }
  state_dir = state;
  std::ifstream servers(state_dir + "\\servers");
  if (!servers) {
    reason = "no servers file in " + state_dir + ": the mirror fixture did not start";
    return false;
  }
  std::string line;
  while (std::getline(servers, line)) {
    std::istringstream words(line);
    std::string kind, address;
    words >> kind >> address;
    if (kind == "ftp") ftp_host = address.c_str();
    if (kind == "http") http_host = address.c_str();
    if (kind == "proxy") {
      proxy_host = address.c_str();
      words >> proxy_port;
    }
  }
  if (ftp_host.empty() || http_host.empty() || proxy_host.empty() || proxy_port == 0) {
    reason = "incomplete servers file in " + state_dir;
    return false;
  }
  return true;
}

const test_mirror& mirror() {
  static test_mirror the_mirror;
  static bool loaded = false;
  static std::string reason;
  if (!loaded) loaded = the_mirror.load(reason);
  if (!loaded) ADD_FAILURE() << reason;
  return the_mirror;
}

std::string sample_bytes(size_t size) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7 + 3) % 251);
  return bytes;
}

std::string read_whole_file(const std::string& path) { return read_file_from(path, 0); }

bool write_whole_file(const std::string& path, const std::string& data) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(data.data(), static_cast<std::streamsize>(data.size()));
  return static_cast<bool>(out);
}

bool file_exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string read_file_from(const std::string& path, size_t offset) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::string();
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  if (size < 0 || static_cast<size_t>(size) <= offset) return std::string();
  in.seekg(static_cast<std::streamoff>(offset));
  std::string data(static_cast<size_t>(size) - offset, '\0');
  in.read(&data[0], static_cast<std::streamsize>(data.size()));
  return data;
}

size_t file_size_of(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  return data.nFileSizeLow;
}

std::string make_scratch_dir(const char* tag) {
  char temp[MAX_PATH];
  GetTempPathA(sizeof temp, temp);
  char name[MAX_PATH];
  std::snprintf(name, sizeof name, "%stamari3-%s-%lu-%lu\\", temp, tag, GetCurrentProcessId(),
                GetTickCount());
  CreateDirectoryA(name, nullptr);
  return name;
}

size_t log_size() { return file_size_of(the_settings().log_path().c_str()); }

std::string log_since(size_t offset) {
  return read_file_from(the_settings().log_path().c_str(), offset);
}

SYSTEMTIME system_time_of(const FILETIME& time) {
  SYSTEMTIME system = {};
  FileTimeToSystemTime(&time, &system);
  return system;
}

std::string format_time(const SYSTEMTIME& time) {
  char text[32];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", time.wYear, time.wMonth,
                time.wDay, time.wHour, time.wMinute, time.wSecond);
  return text;
}

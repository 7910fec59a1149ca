#include "system/registry.h"

#include <cstring>

#include "system/path_text.h"

namespace {

// Registry key names are at most 255 characters; value names 16383.
const DWORD name_buffer_size = 4096;
// Far below the system's own nesting limit (512) and deeper than any key the
// installer deletes; deeper keys are left as they are.
const int max_key_depth = 128;

HKEY open_or_create(HKEY root, const char* sub_key) {
  HKEY key = nullptr;
  char empty_class[] = "";
  if (RegCreateKeyExA(root, sub_key ? sub_key : "", 0, empty_class, REG_OPTION_NON_VOLATILE,
                      KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
    return nullptr;
  return key;
}

// The names of the sub-keys of an open key, in the system's order.
std::vector<wklib::string> sub_key_names(HKEY key) {
  std::vector<wklib::string> names;
  char name[name_buffer_size];
  for (DWORD index = 0;; ++index) {
    DWORD length = name_buffer_size;
    if (RegEnumKeyExA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      break;
    names.push_back(wklib::string(name, static_cast<int>(length)));
  }
  return names;
}

// The offset of the last backslash of `text` that is not the second byte of a
// double-byte character; -1 when there is none.
int last_backslash(const wklib::string& text) { return text.rfind("\\"); }

bool delete_tree_at(HKEY root, const wklib::string& sub_key, int depth) {
  if (depth > max_key_depth) return false;
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, sub_key.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return false;

  // Collect first: deleting while enumerating would shift the indices.
  for (const wklib::string& name : sub_key_names(key))
    delete_tree_at(root, sub_key + "\\" + name, depth + 1);

  // Always enumerate the first value left; one that cannot be deleted is skipped.
  char name[name_buffer_size];
  DWORD index = 0;
  for (;;) {
    DWORD length = name_buffer_size;
    if (RegEnumValueA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      break;
    if (RegDeleteValueA(key, name) != ERROR_SUCCESS) ++index;
  }
  RegCloseKey(key);

  int cut = last_backslash(sub_key);
  HKEY parent = root;
  wklib::string leaf = sub_key;
  if (cut >= 0) {
    leaf = sub_key.substr(cut + 1);
    if (RegOpenKeyExA(root, sub_key.substr(0, cut + 1).c_str(), 0, KEY_ALL_ACCESS, &parent) !=
        ERROR_SUCCESS)
      return false;
  }
  bool deleted = RegDeleteKeyA(parent, leaf.c_str()) == ERROR_SUCCESS;
  if (parent != root) RegCloseKey(parent);
  return deleted;
}

}  // namespace

bool reg_read_string(HKEY root, const char* sub_key, const char* value_name, wklib::string& out) {
  HKEY key = open_or_create(root, sub_key);
  if (!key) return false;
  DWORD size = 0;
  bool read = false;
  if (RegQueryValueExA(key, value_name, nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS) {
    wklib::string text;
    char* buffer = text.buffer(static_cast<int>(size));
    DWORD got = size;
    if (RegQueryValueExA(key, value_name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer),
                         &got) == ERROR_SUCCESS &&
        got <= size) {
      buffer[got] = '\0';
      text.set_length(-1);
      out = text;
      read = true;
    }
  }
  RegCloseKey(key);
  return read;
}

bool reg_write_string(HKEY root, const char* sub_key, const char* value_name, const char* text,
                      bool expandable) {
  HKEY key = open_or_create(root, sub_key);
  if (!key) return false;
  if (!text) text = "";
  LONG result = RegSetValueExA(key, value_name, 0, expandable ? REG_EXPAND_SZ : REG_SZ,
                               reinterpret_cast<const BYTE*>(text),
                               static_cast<DWORD>(std::strlen(text) + 1));
  RegCloseKey(key);
  return result == ERROR_SUCCESS;
}

DWORD reg_read_dword(HKEY root, const char* sub_key, const char* value_name) {
  HKEY key = open_or_create(root, sub_key);
  if (!key) return 0;
  DWORD value = 0;
  DWORD size = sizeof value;
  if (RegQueryValueExA(key, value_name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size) !=
      ERROR_SUCCESS)
    value = 0;
  RegCloseKey(key);
  return value;
}

bool reg_write_dword(HKEY root, const char* sub_key, const char* value_name, DWORD value) {
  HKEY key = open_or_create(root, sub_key);
  if (!key) return false;
  LONG result = RegSetValueExA(key, value_name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                               sizeof value);
  RegCloseKey(key);
  return result == ERROR_SUCCESS;
}

bool reg_delete_value(HKEY root, const char* key_and_value) {
  wklib::string text(key_and_value);
  int cut = last_backslash(text);
  wklib::string key_path = cut >= 0 ? text.substr(0, cut + 1) : wklib::string();
  wklib::string value_name = cut >= 0 ? text.substr(cut + 1) : text;
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, key_path.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return false;
  bool deleted = RegDeleteValueA(key, value_name.c_str()) == ERROR_SUCCESS;
  RegCloseKey(key);
  return deleted;
}

bool reg_delete_key_tree(HKEY root, const char* sub_key) {
  wklib::string path(sub_key);
  // "Software\x\" names the same key as "Software\x"; without this its last
  // component would be empty.
  if (ends_with_backslash(path)) path.erase(path.length() - 1);
  // An empty sub-key opens the root itself: everything below it would go.
  if (path.empty()) return false;
  return delete_tree_at(root, path, 0);
}

bool reg_list_subkeys(HKEY root, const char* sub_key, std::vector<wklib::string>& out) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, sub_key ? sub_key : "", 0, KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE,
                    &key) != ERROR_SUCCESS)
    return false;
  for (const wklib::string& name : sub_key_names(key)) out.push_back(name);
  RegCloseKey(key);
  return true;
}

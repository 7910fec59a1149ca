// Registry values and keys under HKEY_CLASSES_ROOT, HKEY_CURRENT_USER and
// HKEY_LOCAL_MACHINE. An empty value name means the key's default value.
// The reads open their key with RegCreateKeyEx, so a read of a missing key
// creates it (empty) when the process may.
#pragma once

#include <windows.h>

#include <vector>

#include "support/string.h"

bool reg_read_string(HKEY root, const char* sub_key, const char* value_name, wklib::string& out);
// REG_EXPAND_SZ when `expandable`, REG_SZ otherwise.
bool reg_write_string(HKEY root, const char* sub_key, const char* value_name, const char* text,
                      bool expandable);
// 0 when the key or the value is missing.
DWORD reg_read_dword(HKEY root, const char* sub_key, const char* value_name);
bool reg_write_dword(HKEY root, const char* sub_key, const char* value_name, DWORD value);

// `key_and_value` is a key path, a backslash and a value name
// ("Environment\TEXMF"); the key is never created here.
bool reg_delete_value(HKEY root, const char* key_and_value);

// Deletes `sub_key` with all its sub-keys and values. False when the key cannot
// be opened or deleted, and for an empty sub-key (which would be the root).
bool reg_delete_key_tree(HKEY root, const char* sub_key);

// Appends the names of the direct sub-keys of `sub_key`, in enumeration order.
// False when the key cannot be opened.
bool reg_list_subkeys(HKEY root, const char* sub_key, std::vector<wklib::string>& out);

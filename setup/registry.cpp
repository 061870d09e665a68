#include "setup/registry.h"

#include <vector>

#include "common/errors.h"

namespace kestro::setup {

void Registry::CreateKey(const std::string& key) {
  HKEY handle = nullptr;
  if (RegCreateKeyExA(root_, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                      &handle, nullptr) != ERROR_SUCCESS)
    throw Error(RegCreateKeyErrorText(key));
  RegCloseKey(handle);
}

void Registry::WriteString(const std::string& key, const std::string& name, const std::string& data) {
  CreateKey(key);
  HKEY handle = nullptr;
  if (RegOpenKeyExA(root_, key.c_str(), 0, KEY_ALL_ACCESS, &handle) != ERROR_SUCCESS) return;
  LONG result = RegSetValueExA(handle, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                               static_cast<DWORD>(data.size() + 1));
  RegCloseKey(handle);
  if (result != ERROR_SUCCESS) throw Error(RegSetValueErrorText(name));
}

std::string Registry::ReadString(const std::string& key, const std::string& name) {
  HKEY handle = nullptr;
  if (RegOpenKeyExA(root_, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return "";
  DWORD type = 0, size = 0;
  std::string value;
  if (RegQueryValueExA(handle, name.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
    if (type != REG_SZ && type != REG_EXPAND_SZ) {
      RegCloseKey(handle);
      throw Error(RegInvalidTypeErrorText(name));
    }
    std::vector<char> buf(size + 1, '\0');
    if (RegQueryValueExA(handle, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buf.data()), &size) ==
        ERROR_SUCCESS)
      value = buf.data();
  }
  RegCloseKey(handle);
  return value;
}

}  // namespace kestro::setup

// The Windows registry, read with the system's own calls: the key is opened with KEY_READ and
// only string values (REG_SZ) are taken.
#include <windows.h>

#include <vector>

#include "platform/registry.h"

namespace qz::platform {
namespace {

// Most values fit the first read; a longer one is read again at the size the system reports,
// so that it comes back whole instead of failing or cut.
constexpr DWORD kFirstReadBytes = 1024;

HKEY rootKey(RegistryRoot root) {
  switch (root) {
    case RegistryRoot::kClassesRoot:
      return HKEY_CLASSES_ROOT;
    case RegistryRoot::kCurrentUser:
      return HKEY_CURRENT_USER;
    case RegistryRoot::kLocalMachine:
      return HKEY_LOCAL_MACHINE;
    case RegistryRoot::kUsers:
      return HKEY_USERS;
  }
  return nullptr;
}

// The system separates key path components by "\" only and refuses empty ones.
std::string systemKeyPath(const std::string& subKey) {
  std::string out;
  std::size_t i = 0;
  while (i < subKey.size()) {
    const std::size_t end = subKey.find_first_of("\\/", i);
    const std::size_t stop = end == std::string::npos ? subKey.size() : end;
    if (stop > i) {
      if (!out.empty()) out += '\\';
      out.append(subKey, i, stop - i);
    }
    i = stop + 1;
  }
  return out;
}

// A REG_SZ value as stored: its terminator is not guaranteed, and a writer may have stored
// several.
std::string textOf(const std::vector<char>& data, DWORD bytes) {
  std::string text(data.data(), bytes);
  const std::size_t nul = text.find('\0');
  if (nul != std::string::npos) text.resize(nul);
  return text;
}

}  // namespace

bool readRegistryString(RegistryRoot root, const std::string& subKey, const std::string& valueName,
                        std::string* value) {
  HKEY base = rootKey(root);
  if (!base) return false;
  if (subKey.find('\0') != std::string::npos || valueName.find('\0') != std::string::npos) {
    return false;  // the system would read a different, shorter name
  }
  HKEY key = nullptr;
  if (RegOpenKeyExA(base, systemKeyPath(subKey).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return false;
  }
  const char* name = valueName.empty() ? nullptr : valueName.c_str();
  std::vector<char> data(kFirstReadBytes);
  DWORD type = 0;
  DWORD bytes = kFirstReadBytes;
  LONG rc =
      RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &bytes);
  // The value may grow between the reads; each round reads at the newest size.
  for (int round = 0; rc == ERROR_MORE_DATA && round < 4; ++round) {
    data.assign(bytes + 1, '\0');
    rc = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &bytes);
  }
  RegCloseKey(key);
  if (rc != ERROR_SUCCESS || type != REG_SZ) return false;
  *value = textOf(data, bytes);
  return true;
}

std::string registryStorePath(RegistryRoot root) {
  switch (root) {
    case RegistryRoot::kClassesRoot:
      return "HKEY_CLASSES_ROOT";
    case RegistryRoot::kCurrentUser:
      return "HKEY_CURRENT_USER";
    case RegistryRoot::kLocalMachine:
      return "HKEY_LOCAL_MACHINE";
    case RegistryRoot::kUsers:
      return "HKEY_USERS";
  }
  return {};
}

}  // namespace qz::platform

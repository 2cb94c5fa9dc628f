#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "platform/folders.h"

namespace qz::platform {
namespace {

// The system's own programs and libraries live under /usr, as they live under the Windows
// directory there; a path such as "%SystemRoot%/lib" then composes without a double slash.
constexpr char kSystemRoot[] = "/usr";
constexpr char kDefaultTemp[] = "/tmp";

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

std::string homeFolder() {
  std::string home = environment("HOME");
  if (!home.empty()) return home;
  // HOME is unset in some service environments; the password database still knows.
  long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
  passwd entry{};
  passwd* result = nullptr;
  if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &result) == 0 && result &&
      result->pw_dir) {
    return result->pw_dir;
  }
  return {};
}

}  // namespace

std::string systemRootFolder() {
  return kSystemRoot;
}

std::string systemTempFolder() {
  std::string dir = environment("TMPDIR");
  return dir.empty() ? kDefaultTemp : dir;
}

std::string userAppDataFolder() {
  // A relative XDG_CONFIG_HOME is invalid by its own rules and is ignored.
  std::string dir = environment("XDG_CONFIG_HOME");
  if (!dir.empty() && dir.front() == '/') return dir;
  std::string home = homeFolder();
  return home.empty() ? std::string() : home + "/.config";
}

std::string appDataFallbackFolder() {
  return systemTempFolder();
}

const char* osName() {
  return "linux";
}
const char* osExecutableExtension() {
  return "";
}
const char* osLibraryExtension() {
  return "so";
}

}  // namespace qz::platform

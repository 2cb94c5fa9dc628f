#include "config/expand.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <functional>
#include <string_view>
#include <vector>

#include "interfaces/qzcom.h"
#include "platform/folders.h"
#include "platform/registry.h"

namespace qz::config {
namespace {

using platform::RegistryRoot;

constexpr char kUserVariableRoot[] = "HKEY_CURRENT_USER\\SOFTWARE\\KESTRAN\\PATH\\";
constexpr char kMachineVariableRoot[] = "HKEY_LOCAL_MACHINE\\SOFTWARE\\KESTRAN\\PATH\\";
constexpr char kShellFoldersKey[] =
    "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr char kAppDataValue[] = "AppData";
constexpr char kNameEnds[] = "/\\-)";

struct RootName {
  std::string_view name;
  RegistryRoot root;
};
constexpr RootName kRootNames[] = {
    {"HKEY_CLASSES_ROOT", RegistryRoot::kClassesRoot},
    {"HKEY_CURRENT_USER", RegistryRoot::kCurrentUser},
    {"HKEY_LOCAL_MACHINE", RegistryRoot::kLocalMachine},
    {"HKEY_USERS", RegistryRoot::kUsers},
};

char upperAscii(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}
char lowerAscii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Empty values count as unset, as the registry roots do: on Windows an empty environment
// variable cannot exist at all.
bool readEnvironment(const std::string& name, std::string* value) {
  // getenv would cut a name at NUL, and match "A=B" against a variable A whose value starts
  // with "B=": neither can name a variable.
  if (name.find_first_of(std::string_view("=\0", 2)) != std::string::npos) return false;
  const char* v = std::getenv(name.c_str());
  if (!v || !*v) return false;
  *value = v;
  return true;
}

std::string stripTrailingSeparators(std::string s) {
  while (!s.empty() && (s.back() == '/' || s.back() == '\\')) s.pop_back();
  return s;
}

// Replaces every occurrence of `placeholder`, ignoring case; the value is computed at the first
// occurrence only, and inserted text is not searched again.
template <typename ValueFn>
void replacePlaceholder(std::string& text, std::string_view placeholder, ValueFn valueFn) {
  std::string value;
  bool haveValue = false;
  std::size_t pos = 0;
  while (pos + placeholder.size() <= text.size()) {
    if (!qzEqualsIgnoringAsciiCase(std::string_view(text).substr(pos, placeholder.size()),
                                   placeholder)) {
      ++pos;
      continue;
    }
    if (!haveValue) {
      value = valueFn();
      haveValue = true;
    }
    text.replace(pos, placeholder.size(), value);
    pos += value.size();
  }
}

std::string userAppData() {
  std::string dir = platform::userAppDataFolder();
  if (dir.empty()) dir = readRegistryValue(kShellFoldersKey, kAppDataValue, nullptr);
  if (dir.empty()) dir = platform::appDataFallbackFolder();
  return stripTrailingSeparators(std::move(dir));
}

// The state of one top-level expansion, which bounds the work a cycle or an explosive
// definition can cause.
struct Expansion {
  bool useRegistry;
  std::vector<std::string> active;  // names whose values are being expanded, outermost first
  int lookups = 0;
};

// Unwinds an expansion whose result has grown past kMaxExpandedBytes.
struct TooLong {};

void append(std::string& out, std::string_view text) {
  if (out.size() + text.size() > kMaxExpandedBytes) throw TooLong{};
  out += text;
}

bool mayExpand(const Expansion& ex, const std::string& name) {
  if (ex.lookups >= kMaxExpansionLookups) return false;
  if (ex.active.size() >= static_cast<std::size_t>(kMaxExpansionDepth)) return false;
  for (const std::string& n : ex.active) {
    if (n == name) return false;
  }
  return true;
}

std::string expandReferences(const std::string& text, Expansion& ex) {
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    if (text[i] != '$') {
      std::size_t next = std::min(text.find('$', i), text.size());
      append(out, std::string_view(text).substr(i, next - i));
      i = next;
      continue;
    }
    std::size_t start = i + 1;
    std::size_t end = text.find_first_of(kNameEnds, start);
    if (end == std::string::npos) {
      end = text.size();
    } else if (text[end] == ')') {
      ++end;
    }
    std::string_view raw = std::string_view(text).substr(start, end - start);
    i = end;
    std::string_view name = raw;
    while (!name.empty() && name.front() == '(') name.remove_prefix(1);
    while (!name.empty() && name.back() == ')') name.remove_suffix(1);

    std::string key(name);
    int found = -1;
    std::string value;
    if (mayExpand(ex, key)) {
      ++ex.lookups;
      value = lookupVariable(key, &found, ex.useRegistry);
    }
    if (found != 1) {
      append(out, "$");
      append(out, raw);
    } else if (!value.empty()) {
      ex.active.push_back(std::move(key));
      append(out, expandReferences(value, ex));
      ex.active.pop_back();
    }
  }
  return out;
}

std::atomic<ExpansionHook> g_hook{&expandVariables};

}  // namespace

std::string readRegistryValue(const std::string& keyPath, const std::string& valueName,
                              bool* found) {
  if (found) *found = false;
  std::size_t sep = keyPath.find_first_of("/\\");
  std::string_view rootName = std::string_view(keyPath).substr(0, sep);
  std::string subKey = sep == std::string::npos ? std::string() : keyPath.substr(sep + 1);
  for (const RootName& r : kRootNames) {
    if (r.name != rootName) continue;
    std::string value;
    if (!platform::readRegistryString(r.root, subKey, valueName, &value)) return {};
    if (found) *found = true;
    return value;
  }
  return {};
}

std::string lookupVariable(const std::string& name, int* status, bool useRegistry) {
  int ignored;
  if (!status) status = &ignored;
  *status = -1;
  if (name.empty()) return {};
  std::string value;
  if (useRegistry) {
    for (const char* root : {kUserVariableRoot, kMachineVariableRoot}) {
      bool found = false;
      value = readRegistryValue(root + name, "", &found);
      if (found && !value.empty()) {
        *status = 1;
        return value;
      }
    }
  }
  std::string upper = name, lower = name;
  for (char& c : upper) c = upperAscii(c);
  for (char& c : lower) c = lowerAscii(c);
  for (const std::string& candidate : {std::cref(name), std::cref(upper), std::cref(lower)}) {
    if (readEnvironment(candidate, &value)) {
      *status = 1;
      return value;
    }
  }
  const std::pair<std::string_view, const char*> constants[] = {
      {"OSDLLEXT", platform::osLibraryExtension()},
      {"OSNAME", platform::osName()},
      {"OSEXT", platform::osExecutableExtension()},
  };
  for (const auto& [constant, text] : constants) {
    if (qzEqualsIgnoringAsciiCase(name, constant)) {
      *status = 1;
      return text;
    }
  }
  return {};
}

std::string expandVariables(const std::string& text, int* status, bool useRegistry) {
  if (status) *status = 1;
  Expansion ex{useRegistry, {}, 0};
  std::string out;
  try {
    out = expandReferences(text, ex);
  } catch (const TooLong&) {
    if (status) *status = kExpansionTooLong;
    return {};
  }
  replacePlaceholder(out, "%SystemRoot%", [] { return platform::systemRootFolder(); });
  replacePlaceholder(out, "%SystemTemp%",
                     [] { return stripTrailingSeparators(platform::systemTempFolder()); });
  replacePlaceholder(out, "%UserAppData%", userAppData);
  if (out.size() > kMaxExpandedBytes) {
    if (status) *status = kExpansionTooLong;
    return {};
  }
  return out;
}

std::string expansionTooLongMessage(const std::string& text) {
  constexpr std::size_t kShown = 200;
  std::string shown = text.size() > kShown ? text.substr(0, kShown) + "..." : text;
  return "the expansion of \"" + shown + "\" is longer than " + std::to_string(kMaxExpandedBytes) +
         " bytes";
}

ExpansionHook setExpansionHook(ExpansionHook hook) {
  return g_hook.exchange(hook ? hook : &expandVariables);
}

std::string expandPath(const std::string& text) {
  std::string ignored;
  return expandPath(text, &ignored);
}

std::string expandPath(const std::string& text, std::string* error) {
  error->clear();
  int status = 0;
  try {
    std::string out = g_hook.load()(text, &status, true);
    if (status == 1) return out;
    *error = status == kExpansionTooLong ? expansionTooLongMessage(text)
                                         : "the expansion of \"" + text + "\" failed";
  } catch (...) {
    // A replacement hook may throw; callers get their text back, as for any other failure.
    *error = "the expansion of \"" + text + "\" failed";
  }
  return text;
}

}  // namespace qz::config
